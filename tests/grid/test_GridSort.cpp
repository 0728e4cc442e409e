// Sorting the grid's rows: text, numeric and date keys in both directions,
// ties that keep their order, the application's events, bad column indexes,
// 50,000 rows against a reference sort, and a tree of 20,000 nodes whose
// subtrees stay together.
#include <QScopeGuard>
#include <algorithm>
#include <functional>
#include <random>

#include "skedra/platform/DateTime.h"
#include "tests/grid/GridTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

struct GridSort : GridFixture {
    // Rows whose first column holds the value and whose second the original position.
    void Fill(const QStringList& values)
    {
        for (int i = 0; i < values.size(); ++i)
            AddRow({values[i], QString::number(i)});
    }
    QStringList Order() { return Column(2); }
};

TEST_F(GridSort, TextKeysIgnoreCaseOfLettersAndKeepTiesInBothDirections)
{
    AddColumn(QStringLiteral("Text"));
    AddColumn(QStringLiteral("Pos"));
    Fill({QStringLiteral("b"), QStringLiteral("A"), QStringLiteral("a")});
    grid->SortColumn(0, false);
    EXPECT_EQ(Column(1), (QStringList{QStringLiteral("A"), QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(grid->GetSortColumn(), grid->GetColumns()->GetColumn(0));
    EXPECT_EQ(grid->GetSortCell(), grid->GetCell(1, 0));
    grid->SortColumn(0, true);
    EXPECT_EQ(Column(1), (QStringList{QStringLiteral("b"), QStringLiteral("A"), QStringLiteral("a")}));
    EXPECT_TRUE(grid->GetColumnSortDescending());
}

TEST_F(GridSort, NumbersCompareAsNumbers)
{
    TqvGrid_Column* c = AddColumn(QStringLiteral("N"));
    c->SetNumericSort(true);
    AddColumn(QStringLiteral("Pos"));
    Fill({QStringLiteral("10"), QStringLiteral("9"), QStringLiteral("-3"), QStringLiteral("-20"),
          QStringLiteral("1.5"), QStringLiteral("9.5"), QStringLiteral("-5"), QStringLiteral("-5"),
          QStringLiteral("123456789012345678902"), QStringLiteral("123456789012345678901")});
    grid->SortColumn(0, false);
    EXPECT_EQ(Column(1), (QStringList{"-20", "-5", "-5", "-3", "1.5", "9", "9.5", "10",
                                      "123456789012345678901", "123456789012345678902"}));
    // Equal negative values keep their order.
    EXPECT_EQ(Order().mid(1, 2), (QStringList{"6", "7"}));
    grid->SortColumn(0, true);
    EXPECT_EQ(Column(1), (QStringList{"123456789012345678902", "123456789012345678901", "10", "9.5", "9",
                                      "1.5", "-3", "-5", "-5", "-20"}));
    EXPECT_EQ(Order().mid(7, 2), (QStringList{"6", "7"}));
    // The key the application sees is still the padded one.
    QStringList keys;
    grid->OnGetUserSortCompareString = [&](TqvGrid*, TqvGrid_Column*, TMoxCell*, QString& key) {
        keys << key;
    };
    grid->SortColumn(0, false);
    EXPECT_TRUE(std::any_of(keys.begin(), keys.end(), [](const QString& k) {
        return k.startsWith(QStringLiteral("A00000000000000020###0000000"));
    }));
}

TEST_F(GridSort, AValueThatIsAPrefixSortsFirst)
{
    AddColumn(QStringLiteral("Name"));
    AddColumn(QStringLiteral("Pos"));
    Fill({QStringLiteral("JOHN SMITH"), QStringLiteral("JOHN"), QStringLiteral("JOHN-PAUL")});
    grid->SortColumn(0, false);
    EXPECT_EQ(Column(1), (QStringList{"JOHN", "JOHN SMITH", "JOHN-PAUL"}));
}

TEST_F(GridSort, DatesSortByTheDayTheyName)
{
    const TFormatSettings saved = FormatSettings();
    const auto restore = qScopeGuard([&] { FormatSettings() = saved; });
    FormatSettings().ShortDateFormat = QStringLiteral("dd.mm.yyyy");
    FormatSettings().DateSeparator = QLatin1Char('.');
    AddColumn(QStringLiteral("Day"), tckDate);
    AddColumn(QStringLiteral("Pos"));
    Fill({QStringLiteral("02.01.2004"), QStringLiteral("15.12.2003"), QStringLiteral("not a date"),
          QString()});
    grid->SortColumn(0, false);
    EXPECT_EQ(Column(1), (QStringList{"", "15.12.2003", "02.01.2004", "not a date"}));
}

TEST_F(GridSort, TheApplicationMayStopOrTakeOverTheSort)
{
    AddColumn(QStringLiteral("Text"));
    AddColumn(QStringLiteral("Pos"));
    Fill({QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("a")});
    std::vector<std::pair<TqvGrid_Column*, bool>> sorts;
    grid->OnColumnSort = [&](TqvGrid*, TqvGrid_Column* column, bool down, bool& goOn) {
        sorts.emplace_back(column, down);
        goOn = false;
    };
    grid->SortColumn(0, true);
    EXPECT_EQ(Order(), (QStringList{"0", "1", "2"}));
    ASSERT_EQ(sorts.size(), 1u);
    EXPECT_EQ(sorts[0], std::make_pair(grid->GetColumns()->GetColumn(0), true));
    EXPECT_EQ(grid->GetSortCell(), grid->GetCell(1, 0)); // the symbol shows anyway
    grid->OnColumnSort = nullptr;
    grid->OnUserSort = [](TqvGrid*, TqvGrid_Column*, std::vector<TAxisContentItem*>& list, bool& doDefault) {
        std::reverse(list.begin(), list.end());
        doDefault = false;
    };
    grid->SortColumn(0, false);
    EXPECT_EQ(Order(), (QStringList{"2", "1", "0"}));
    // A list that is no longer an order of the rows is refused whole.
    grid->OnUserSort = [](TqvGrid*, TqvGrid_Column*, std::vector<TAxisContentItem*>& list, bool& doDefault) {
        list.pop_back();
        doDefault = false;
    };
    EXPECT_THROW(grid->SortColumn(0, false), Exception);
    EXPECT_EQ(Order(), (QStringList{"2", "1", "0"}));
}

TEST_F(GridSort, OnlyACellOverAColumnSorts)
{
    AddColumn(QStringLiteral("Text"))->SetSortEnable(true);
    AddColumn(QStringLiteral("Pos"));
    Fill({QStringLiteral("b"), QStringLiteral("a")});
    int events = 0;
    grid->OnColumnSort = [&](TqvGrid*, TqvGrid_Column*, bool, bool&) { ++events; };
    grid->SortColumn(-1, false);
    grid->SortColumn(7, false);
    grid->DoSortCell(grid->GetCell(0, 0), false); // the info column's header
    EXPECT_EQ(events, 0);
    EXPECT_EQ(grid->GetSortColumn(), nullptr);
    EXPECT_EQ(Order(), (QStringList{"0", "1"}));
    EXPECT_FALSE(grid->CheckSortAllow(grid->GetCell(0, 0)));
    EXPECT_TRUE(grid->CheckSortAllow(grid->GetCell(1, 0)));
    EXPECT_FALSE(grid->CheckSortAllow(grid->GetCell(2, 0)));
    grid->DoSortCell(grid->GetCell(1, 0), false);
    EXPECT_EQ(events, 1);
    EXPECT_EQ(Order(), (QStringList{"1", "0"}));
    // The sort column that goes is forgotten.
    grid->GetColumns()->Delete(0);
    EXPECT_EQ(grid->GetSortColumn(), nullptr);
}

TEST_F(GridSort, AClickOnAHeaderSortsAndASecondClickReverses)
{
    AddColumn(QStringLiteral("Text"))->SetSortEnable(true);
    AddColumn(QStringLiteral("Pos"));
    Fill({QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("a")});
    int events = 0;
    grid->OnColumnSort = [&](TqvGrid*, TqvGrid_Column*, bool, bool&) { ++events; };
    Paint();
    auto click = [&](int col) {
        const TRect r = grid->GetCell(col, 0)->getVisibleRect();
        QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier,
                          QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
        return r;
    };
    const TRect header = click(1);
    EXPECT_EQ(Column(1), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_EQ(grid->GetSortCell(), grid->GetCell(1, 0));
    EXPECT_FALSE(grid->GetColumnSortDescending());
    // The header shows the direction: ascending has a light base line below,
    // descending a dark top line.
    QImage img = Paint();
    const int m = header.Top + header.Height() / 2;
    EXPECT_EQ(PixelAt(img, header.Right - 6, m + 3), clWhite);
    EXPECT_NE(PixelAt(img, header.Right - 6, m - 3), ColorToRGB(cl3DDkShadow));
    click(1);
    EXPECT_EQ(Column(1), (QStringList{QStringLiteral("c"), QStringLiteral("b"), QStringLiteral("a")}));
    EXPECT_TRUE(grid->GetColumnSortDescending());
    img = Paint();
    EXPECT_EQ(PixelAt(img, header.Right - 6, m - 3), ColorToRGB(cl3DDkShadow));
    // A header whose column does not sort, and a data cell, leave the order alone.
    click(2);
    const TRect cell = grid->GetCell(1, 2)->getVisibleRect();
    QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier, QPoint(cell.Left + 5, cell.Top + 5));
    EXPECT_EQ(Column(1), (QStringList{QStringLiteral("c"), QStringLiteral("b"), QStringLiteral("a")}));
    EXPECT_EQ(events, 2);
}

TEST_F(GridSort, FiftyThousandRowsEqualAReferenceSortInBothDirections)
{
    const TFormatSettings saved = FormatSettings();
    const auto restore = qScopeGuard([&] { FormatSettings() = saved; });
    FormatSettings().ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    FormatSettings().DateSeparator = QLatin1Char('/');
    grid->SetHasInfoCol(false);
    AddColumn(QStringLiteral("Text"));
    AddColumn(QStringLiteral("Number"))->SetNumericSort(true);
    AddColumn(QStringLiteral("Date"), tckDate);
    AddColumn(QStringLiteral("Id"));
    constexpr int kRows = 50000;
    struct TRowData {
        QString Text;
        double Number;
        TDateTime Day;
        int Id;
    };
    std::vector<TRowData> data;
    std::mt19937 random(19);
    const QString letters = QStringLiteral("abcAB xyz");
    for (int i = 0; i < kRows; ++i) {
        QString text;
        for (int n = static_cast<int>(random() % 4); n >= 0; --n)
            text += letters[static_cast<int>(random() % letters.size())];
        const double number = static_cast<int>(random() % 2001 - 1000) / 4.0;
        const TDateTime day = EncodeDate(2000, 1, 1) + static_cast<int>(random() % 3000);
        data.push_back({text, number, day, i});
        TAxisContentItem* row = grid->AddRow();
        TMoxGridCellForViewer* root = grid->GetRootCell();
        const int r = row->ListIndex();
        grid->SetText(root->getCell(0, r), text);
        grid->SetText(root->getCell(1, r), QString::number(number));
        grid->SetText(root->getCell(2, r), DateToStr(day));
        grid->SetText(root->getCell(3, r), QString::number(i));
    }
    auto ids = [&] {
        std::vector<int> out;
        TMoxGridCellForViewer* root = grid->GetRootCell();
        for (int r = 1; r <= kRows; ++r)
            out.push_back(grid->GetText(root->getCell(3, r)).toInt());
        return out;
    };
    auto upper = [](QString s) {
        for (QChar& c : s)
            if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 32);
        return s;
    };
    std::vector<int> current(kRows);
    std::iota(current.begin(), current.end(), 0);
    for (int column = 0; column < 3; ++column)
        for (bool descending : {false, true}) {
            // The reference: a stable sort of the current order by the value.
            std::vector<int> expected = current;
            std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
                const TRowData& x = data[static_cast<size_t>(a)];
                const TRowData& y = data[static_cast<size_t>(b)];
                int r = 0;
                if (column == 0) r = QString::compare(upper(x.Text), upper(y.Text));
                if (column == 1) r = (x.Number > y.Number) - (x.Number < y.Number);
                if (column == 2) r = (x.Day > y.Day) - (x.Day < y.Day);
                return descending ? r > 0 : r < 0;
            });
            grid->SortColumn(column, descending);
            current = ids();
            ASSERT_EQ(current, expected)
                << "column " << column << (descending ? " descending" : " ascending");
        }
}

TEST_F(GridSort, ATreeOfTwentyThousandNodesKeepsEverySubtreeUnderItsParent)
{
    grid->SetHasInfoCol(false);
    TqvGrid_Column* name = AddColumn(QStringLiteral("Name"));
    name->SetTreeButton(true);
    grid->SetUseTree(true);
    TqvGridTree* tree = grid->GetTree();
    ASSERT_NE(tree, nullptr);
    // Built depth first, so that every node's row is appended: 20,000 nodes
    // in subtrees of up to four levels, random values with many ties.
    std::mt19937 random(7);
    int made = 0;
    std::function<void(TqvDataEntity_GridTreeNode*, int)> grow = [&](TqvDataEntity_GridTreeNode* parent,
                                                                     int level) {
        const int count = level == 0 ? 400 : static_cast<int>(random() % 6);
        for (int i = 0; i < count && made < 20000; ++i) {
            TqvDataEntity_GridTreeNode* node = tree->AddDataEntity(parent);
            ++made;
            grid->SetText(grid->GetCell(0, node->Row->ListIndex()), QString::number(random() % 300));
            if (level < 3) grow(node, level + 1);
            if (random() % 2 == 0) node->SetExpanded(true);
        }
    };
    while (made < 20000)
        grow(nullptr, 0);
    for (bool descending : {false, true}) {
        grid->SortColumn(0, descending);
        QString why;
        ASSERT_TRUE(tree->CheckInvariants(&why)) << why.toStdString();
        // Siblings in order of their value, each subtree right under its parent.
        std::vector<TqvDataList*> lists{tree->GetRootDataList()};
        while (!lists.empty()) {
            TqvDataList* list = lists.back();
            lists.pop_back();
            QString previous;
            int previousRow = -1;
            for (int p = 0; p < list->LoadedCount(); ++p) {
                auto* node = dynamic_cast<TqvDataEntity_GridTreeNode*>(list->GetLoaded(p));
                const QString value = Text(0, node->Row->ListIndex());
                if (p > 0) {
                    EXPECT_TRUE(descending ? value <= previous : value >= previous);
                }
                EXPECT_GT(node->Row->ListIndex(), previousRow);
                previous = value;
                previousRow = node->Row->ListIndex();
                if (TqvDataEntity_GridTreeNode* parent = node->ParentNode(); parent && p == 0) {
                    EXPECT_EQ(node->Row->ListIndex(), parent->Row->ListIndex() + 1);
                }
                if (node->SubDataList) lists.push_back(node->SubDataList);
            }
        }
    }
}

} // namespace
