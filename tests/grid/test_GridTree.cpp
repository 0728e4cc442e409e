// Tree rows in the grid: children made on first expansion, tree buttons and
// indentation as drawn, icons of nodes, and the expanded state surviving a
// save, a reload of the data and a restore.
#include <QScopeGuard>
#include <map>

#include "tests/grid/GridTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

using TNode = TqvDataEntity_GridTreeNode;

struct GridTree : GridFixture {
    TqvGridTree* tree = nullptr;
    int initCalls = 0;
    // Children each node gets on its first expansion, by the node's text.
    std::map<QString, QStringList> children;

    void MakeTree()
    {
        grid->SetHasInfoCol(false);
        AddColumn(QStringLiteral("Name"), tckSimpleEdit, 150)->SetTreeButton(true);
        AddColumn(QStringLiteral("Note"), tckSimpleEdit, 100);
        grid->OnInitTreeSubDataList = [this](TqvGrid*, TqvGridTree* t, TNode* node) {
            ++initCalls;
            for (const QString& text : children[NodeText(node)])
                Add(t, node, text);
        };
        grid->SetUseTree(true);
        tree = grid->GetTree();
    }
    TNode* Add(TqvGridTree* t, TNode* parent, const QString& text)
    {
        TNode* node = t->AddDataEntity(parent);
        grid->SetText(grid->GetCell(0, node->Row->ListIndex()), text);
        return node;
    }
    QString NodeText(TNode* node) { return Text(0, node->Row->ListIndex()); }
    // The shown rows' texts, indented by level.
    QStringList Shown()
    {
        QStringList out;
        TAxisContentList* rows = grid->GetRootCell()->RowList.get();
        for (int r = rows->FixedCount; r < rows->Count(); ++r) {
            TAxisContentItem* item = rows->getAxisContentItem(r);
            if (item->Hidden) continue;
            TNode* node = TqvGrid::AxisContentItemToGridTreeNode(item);
            out << QString(node->GetLevel(), QLatin1Char('.')) + Text(0, r);
        }
        return out;
    }
    TNode* Find(const QString& text)
    {
        TAxisContentList* rows = grid->GetRootCell()->RowList.get();
        for (int r = rows->FixedCount; r < rows->Count(); ++r)
            if (Text(0, r) == text)
                return TqvGrid::AxisContentItemToGridTreeNode(rows->getAxisContentItem(r));
        return nullptr;
    }
};

TEST_F(GridTree, ButtonsShowWhatAClickWouldDoAndChildrenComeOnFirstExpansion)
{
    MakeTree();
    children[QStringLiteral("A")] = {QStringLiteral("A1"), QStringLiteral("A2")};
    children[QStringLiteral("A1")] = {QStringLiteral("A1x")};
    TNode* a = Add(tree, nullptr, QStringLiteral("A"));
    Add(tree, nullptr, QStringLiteral("B"));
    EXPECT_EQ(Shown(), (QStringList{"A", "B"}));
    // A collapsed node whose children were never made shows a plus.
    QImage img = Paint();
    const int rowA = 20; // header row 0..20
    // The button box sits at (2, 4) .. (11, 13) of the cell's rectangle moved in by one pixel:
    // a white box framed grey, a minus, and for a plus its vertical bar at x 6.
    auto plus = [&](const QImage& im, int top, int left = 0) {
        const int bx = left + 1, by = top + 1;
        return IsInk(PixelAt(im, bx + 6, by + 6)) && IsInk(PixelAt(im, bx + 4, by + 8)) &&
               PixelAt(im, bx + 3, by + 5) == clWhite;
    };
    auto minus = [&](const QImage& im, int top) {
        const int bx = 1, by = top + 1;
        return IsInk(PixelAt(im, bx + 4, by + 8)) && !IsInk(PixelAt(im, bx + 6, by + 6));
    };
    auto none = [&](const QImage& im, int top) {
        const int bx = 1, by = top + 1;
        return !IsInk(PixelAt(im, bx + 4, by + 8)) && !IsInk(PixelAt(im, bx + 6, by + 6));
    };
    EXPECT_TRUE(plus(img, rowA));
    EXPECT_TRUE(plus(img, rowA + 20));
    EXPECT_EQ(initCalls, 0);
    grid->DoButtonAction(grid->GetCell(0, a->Row->ListIndex()));
    EXPECT_EQ(initCalls, 1);
    EXPECT_EQ(Shown(), (QStringList{"A", ".A1", ".A2", "B"}));
    img = Paint();
    EXPECT_TRUE(minus(img, rowA));
    // Children are indented by 15 pixels per level: A1's box starts 15 pixels further right.
    EXPECT_TRUE(plus(img, rowA + 20, 15));
    // B was expanded and has no children: no button at all.
    TNode* b = Find(QStringLiteral("B"));
    b->SetExpanded(true);
    img = Paint();
    EXPECT_TRUE(none(img, rowA + 60));
    // Collapsing hides the whole subtree; expanding again asks nothing more.
    Find(QStringLiteral("A1"))->SetExpanded(true);
    EXPECT_EQ(Shown(), (QStringList{"A", ".A1", "..A1x", ".A2", "B"}));
    a->SetExpanded(false);
    EXPECT_EQ(Shown(), (QStringList{"A", "B"}));
    a->SetExpanded(true);
    EXPECT_EQ(initCalls, 3);
    EXPECT_EQ(Shown(), (QStringList{"A", ".A1", "..A1x", ".A2", "B"}));
    // The grid's answers for the buttons.
    TMoxCell* cellA1 = grid->GetCell(0, Find(QStringLiteral("A1"))->Row->ListIndex());
    EXPECT_EQ(grid->CellToNode(cellA1), Find(QStringLiteral("A1")));
    EXPECT_EQ(grid->CellToNode(grid->GetCell(0, 0)), nullptr);
    QString why;
    EXPECT_TRUE(tree->CheckInvariants(&why)) << why.toStdString();
}

TEST_F(GridTree, AClickOnATreeButtonExpandsAndCollapses)
{
    MakeTree();
    children[QStringLiteral("A")] = {QStringLiteral("A1"), QStringLiteral("A2")};
    children[QStringLiteral("A1")] = {QStringLiteral("A1x")};
    TNode* a = Add(tree, nullptr, QStringLiteral("A"));
    Add(tree, nullptr, QStringLiteral("B"));
    FocusGrid();
    Paint();
    // The button box lies 2..11 and 4..13 pixels into the cell's rectangle
    // (indented by level) moved in by one pixel.
    auto clickButton = [&](TNode* node) {
        const TRect r = grid->GetCell(0, node->Row->ListIndex())->getVisibleRect();
        const QPoint at(r.Left + 1 + 6, r.Top + 1 + 8);
        QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier, at);
        Paint();
        return at;
    };
    const QPoint atA = clickButton(a);
    EXPECT_EQ(initCalls, 1);
    EXPECT_EQ(Shown(), (QStringList{"A", ".A1", ".A2", "B"}));
    // A's button now shows a minus: the bar, no vertical stroke.
    QImage img = Paint();
    EXPECT_TRUE(IsInk(PixelAt(img, atA.x() - 2, atA.y())));
    EXPECT_FALSE(IsInk(PixelAt(img, atA.x(), atA.y() - 2)));
    // A child's button sits one level (15 pixels) further right.
    const QPoint atA1 = clickButton(Find(QStringLiteral("A1")));
    EXPECT_EQ(atA1.x(), atA.x() + 15);
    EXPECT_EQ(Shown(), (QStringList{"A", ".A1", "..A1x", ".A2", "B"}));
    // A click on the text beside the button only focuses the row.
    const TRect textOfA = grid->GetCell(0, a->Row->ListIndex())->getVisibleRect();
    QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier, QPoint(textOfA.Left + 60, textOfA.Top + 8));
    EXPECT_EQ(Shown(), (QStringList{"A", ".A1", "..A1x", ".A2", "B"}));
    EXPECT_EQ(grid->GetFocusedCell(), grid->GetCell(0, a->Row->ListIndex()));
    clickButton(a);
    EXPECT_EQ(Shown(), (QStringList{"A", "B"}));
    clickButton(a);
    EXPECT_EQ(Shown(), (QStringList{"A", ".A1", "..A1x", ".A2", "B"}));
    // Children are made once: for A and for A1.
    EXPECT_EQ(initCalls, 2);
    QString why;
    EXPECT_TRUE(tree->CheckInvariants(&why)) << why.toStdString();
}

TEST_F(GridTree, NodesShowTheirImagesInTheTreeColumn)
{
    MakeTree();
    TImageList images(16, 16);
    for (QColor color : {QColor(Qt::red), QColor(Qt::blue)}) {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(color);
        images.AddImage(image);
    }
    grid->SetImageList(&images);
    grid->GetColumns()->GetColumn(0)->SetHasIcon(true);
    TNode* a = Add(tree, nullptr, QStringLiteral("A"));
    a->SetImageIndex(0);
    a->SetSelectedIndex(1);
    QImage img = Paint();
    // Button section 0..15, icon from 16.
    EXPECT_EQ(PixelAt(img, 20, 28) & 0xFFFFFF, 0x0000FFu);
    grid->GetCell(0, 1)->SetSelected(true);
    img = Paint();
    EXPECT_EQ(PixelAt(img, 20, 28) & 0xFFFFFF, 0xFF0000u);
    // A node without an image shows none.
    a->SetImageIndex(-1);
    grid->GetCell(0, 1)->SetSelected(false);
    img = Paint();
    EXPECT_NE(PixelAt(img, 20, 28) & 0xFFFFFF, 0x0000FFu);
    grid->SetImageList(nullptr);
}

TEST_F(GridTree, TheExpandedStateSurvivesASaveAReloadAndARestore)
{
    MakeTree();
    // Three levels: roots R0..R4, children Rn.m, grandchildren Rn.m.k.
    for (int n = 0; n < 5; ++n) {
        const QString root = QStringLiteral("R%1").arg(n);
        for (int m = 0; m < 3; ++m) {
            const QString child = root + QStringLiteral(".%1").arg(m);
            children[root] << child;
            for (int k = 0; k < 2; ++k)
                children[child] << child + QStringLiteral(".%1").arg(k);
        }
    }
    auto load = [&] {
        for (int n = 0; n < 5; ++n)
            Add(tree, nullptr, QStringLiteral("R%1").arg(n));
    };
    load();
    for (const char* name : {"R1", "R1.2", "R3", "R3.0", "R3.0.1", "R4"})
        Find(QString::fromLatin1(name))->SetExpanded(true);
    Find(QStringLiteral("R4"))->SetExpanded(false); // made its children, then collapsed
    const QStringList before = Shown();
    grid->ExpandedStateSave();
    ASSERT_EQ(grid->GetExpandedStateList().size(), 5u);
    // A second save in the same turn of the event loop does nothing.
    Find(QStringLiteral("R0"))->SetExpanded(true);
    grid->ExpandedStateSave();
    EXPECT_EQ(grid->GetExpandedStateList().size(), 5u);
    // The reload: every node goes, the same data comes back collapsed.
    tree->GetRootDataList()->Clear();
    EXPECT_EQ(grid->GetCellCountY(), 1);
    load();
    EXPECT_EQ(Shown(), (QStringList{"R0", "R1", "R2", "R3", "R4"}));
    grid->ExpandedStateRestore();
    EXPECT_EQ(Shown(), before);
    EXPECT_TRUE(grid->GetExpandStateSaved());
    QApplication::processEvents();
    EXPECT_FALSE(grid->GetExpandStateSaved());
    // With a converter of the application's own.
    Find(QStringLiteral("R0"))->SetExpanded(true);
    int calls = 0;
    const TOnConvertNodeToStringKey byName = [&](TqvGrid*, TNode* node) {
        ++calls;
        return NodeText(node);
    };
    grid->ExpandedStateSave(byName);
    EXPECT_EQ(grid->GetExpandedStateList()[0].Key, QStringLiteral("R0"));
    tree->CollapseAll();
    grid->ExpandedStateRestore(byName);
    EXPECT_GT(calls, 0);
    EXPECT_EQ(Shown().mid(0, 4), (QStringList{"R0", ".R0.0", ".R0.1", ".R0.2"}));
}

TEST_F(GridTree, RowsGoWhenTheUnloadHandlerAnswersNoOnceTheUnloadIsUnderWay)
{
    // The handler is asked first (may the row go?), then told (it goes now);
    // an answer of no to the telling cannot stop the unload any more. The
    // node's row still goes as an unload, not as a deletion of the node.
    MakeTree();
    int asked = 0, told = 0;
    grid->OnVirtualUnLoad = [&](TMoxGridCell*, TAxisContentItem*, bool, bool perform, bool& can) {
        ++(perform ? told : asked);
        can = !perform;
    };
    tree->GetRootDataList()->AddUnloaded(3000);
    Paint();
    TAxisContentList* rows = grid->GetRootCell()->RowList.get();
    ASSERT_GT(rows->LoadedCount(), rows->FixedCount);
    for (int position : {2000, 40, 2900}) {
        grid->GetVertScrollBar()->Bar()->setSliderPosition(position);
        QApplication::processEvents();
        Paint();
    }
    EXPECT_GT(asked, 0);
    EXPECT_GT(told, 0);
    // Every root is still there: loaded ones with their rows, the others unloaded.
    EXPECT_EQ(tree->GetRootDataList()->Count(), 3000);
    EXPECT_EQ(rows->Count() - rows->FixedCount, 3000);
    QString why;
    EXPECT_TRUE(tree->CheckInvariants(&why)) << why.toStdString();
    TAxisContentItem* last = rows->VisibleItems.back();
    TNode* node = TqvGrid::AxisContentItemToGridTreeNode(last);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->Row, last);
    EXPECT_GE(last->ListIndex(), 2900);
}

} // namespace
