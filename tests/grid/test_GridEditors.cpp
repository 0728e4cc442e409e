// Each column kind edits its cells with its own editor, opened and used
// through real key and mouse events: text, memo, check box, combo box filled
// by the application, date and time pickers; nested grid cells open none.
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScopeGuard>

#include <utility>

#include "skedra/gridengine/MoxInplaceEditors.h"
#include "skedra/platform/DateTime.h"
#include "tests/grid/GridTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

struct GridEditors : GridFixture {
    std::vector<QString> stops;
    void Build()
    {
        AddColumn(QStringLiteral("Edit"), tckSimpleEdit, 70);
        AddColumn(QStringLiteral("Memo"), tckMemo, 70);
        AddColumn(QStringLiteral("Bool"), tckBool, 50);
        AddColumn(QStringLiteral("Combo"), tckCombo, 70);
        AddColumn(QStringLiteral("Date"), tckDate, 90);
        AddColumn(QStringLiteral("Time"), tckTime, 70);
        TqvGrid_SubGrid* parts = grid->GetSubGrids()->Add();
        parts->SetName(QStringLiteral("Parts"));
        parts->GetColumns()->Add();
        AddColumn(QStringLiteral("Sub"), tckSubGrid, 60)->SetSubGridName(QStringLiteral("Parts"));
        AddRow({QStringLiteral("one"), QStringLiteral("memo"), QStringLiteral("false"), QStringLiteral("Red"),
                QStringLiteral("12/03/2004"), QStringLiteral("10:30")});
        grid->OnEditStop = [this](TMoxGridView_Custom*, QWidget*, TMoxSimpleCellStringData*, QString& text) {
            stops.push_back(text);
        };
        Paint();
        FocusGrid();
    }
    // Focuses the cell and opens its editor as the user does.
    void Open(int col)
    {
        grid->SetFocusedCell(grid->GetCell(col, 1));
        QApplication::processEvents();
        QTest::keyClick(grid, Qt::Key_F2);
        QApplication::processEvents();
    }
};

TEST_F(GridEditors, EachKindOpensItsEditorAndStoresWhatWasEntered)
{
    const TFormatSettings saved = FormatSettings();
    const auto restore = qScopeGuard([&] { FormatSettings() = saved; });
    FormatSettings().ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    FormatSettings().DateSeparator = QLatin1Char('/');
    Build();

    // Single-line text.
    Open(1);
    ASSERT_TRUE(grid->GetEditing());
    EXPECT_EQ(grid->GetEditorChoice(), moxETEdit);
    auto* edit = qobject_cast<QLineEdit*>(grid->GetActiveEditor());
    ASSERT_NE(edit, nullptr);
    QTest::keyClicks(edit, QStringLiteral("two"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_FALSE(grid->GetEditing());
    EXPECT_EQ(Text(1, 1), QStringLiteral("two"));

    // Memo: Enter is a line break, Tab stores.
    Open(2);
    auto* memo = qobject_cast<QPlainTextEdit*>(grid->GetActiveEditor());
    ASSERT_NE(memo, nullptr);
    QTest::keyClick(memo, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, QStringLiteral("x"));
    QTest::keyClick(memo, Qt::Key_Tab);
    EXPECT_EQ(Text(2, 1), QStringLiteral("memo\nx"));

    // Check box: Space toggles, Enter stores "TRUE".
    Open(3);
    EXPECT_EQ(grid->GetEditorChoice(), moxETBool);
    auto* box = qobject_cast<QCheckBox*>(grid->GetActiveEditor());
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isChecked());
    QTest::keyClick(box, Qt::Key_Space);
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(Text(3, 1), QStringLiteral("TRUE"));

    // Combo box: the application fills it before it opens.
    std::vector<TqvGrid_Column*> comboColumns;
    grid->OnBeforeEditWithCombo = [&](TqvGrid* g, TqvGrid_Column* column, TMoxCell*) {
        comboColumns.push_back(column);
        g->InitEditCombo({QStringLiteral("Red"), QStringLiteral("Green"), QStringLiteral("Blue")}, 0);
    };
    Open(4);
    EXPECT_EQ(grid->GetEditorChoice(), moxETCombo);
    ASSERT_EQ(comboColumns, std::vector<TqvGrid_Column*>{grid->GetColumns()->GetColumn(3)});
    auto* combo = qobject_cast<QComboBox*>(grid->GetActiveEditor());
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 3);
    QTest::keyClick(combo, Qt::Key_Down);
    QTest::keyClick(combo, Qt::Key_Return);
    EXPECT_EQ(Text(4, 1), QStringLiteral("Green"));

    // Date picker: a date kind, reading and writing the short date format.
    Open(5);
    EXPECT_EQ(grid->GetEditorChoice(), moxETDateTime);
    EXPECT_EQ(grid->GetDateTimeEditor()->GetKind(), dtkDate);
    EXPECT_EQ(grid->GetDateTimeEditor()->GetDate(), EncodeDate(2004, 3, 12));
    auto* picker = qobject_cast<QDateTimeEdit*>(grid->GetActiveEditor());
    ASSERT_NE(picker, nullptr);
    picker->setSelectedSection(QDateTimeEdit::DaySection);
    QTest::keyClick(picker, Qt::Key_Up);
    QTest::keyClick(picker, Qt::Key_Tab);
    EXPECT_EQ(Text(5, 1), QStringLiteral("13/03/2004"));

    // Time picker.
    Open(6);
    EXPECT_EQ(grid->GetDateTimeEditor()->GetKind(), dtkTime);
    QTest::keyClick(grid->GetActiveEditor(), Qt::Key_Tab);
    EXPECT_EQ(StrToTime(Text(6, 1)), EncodeTime(10, 30, 0, 0));

    // A nested grid cell opens no editor.
    Open(7);
    EXPECT_FALSE(grid->GetEditing());
    EXPECT_EQ(grid->GetCell(7, 1)->CellType(), moxCellTypeGrid);
    EXPECT_EQ(stops.size(), 6u);
}

TEST_F(GridEditors, AStartWhoseRowAHandlerRemovesOpensNothingAndSaysNothing)
{
    Build();
    AddRow({QStringLiteral("two")});
    AddRow({QStringLiteral("three")});
    TAxisContentList* rows = grid->GetRootCell()->RowList.get();
    // The row being edited goes from the handler of the start.
    bool armed = true;
    TMoxGridView_Custom::InstallClassEvents(
        [&](TMoxGridView_Custom*, TMoxCell*) {
            if (std::exchange(armed, false)) rows->Drop(1);
        },
        {});
    const auto uninstall = qScopeGuard([] { TMoxGridView_Custom::InstallClassEvents({}, {}); });
    Open(1);
    EXPECT_FALSE(grid->GetEditing());
    EXPECT_EQ(grid->GetActiveEditor(), nullptr);
    EXPECT_EQ(Text(1, 1), QStringLiteral("two"));
    // The tear-down checks that no message was shown and the grid holds.
}

TEST_F(GridEditors, ACheckBoxOnTheDatePickerEmptiesTheDate)
{
    const TFormatSettings saved = FormatSettings();
    const auto restore = qScopeGuard([&] { FormatSettings() = saved; });
    FormatSettings().ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    FormatSettings().DateSeparator = QLatin1Char('/');
    Build();
    grid->GetColumns()->GetColumn(4)->SetCheckBoxOnDateTime(true);
    Open(5);
    TMoxInplaceDateTimeEditor* picker = grid->GetDateTimeEditor();
    ASSERT_TRUE(picker->GetShowCheckbox());
    EXPECT_TRUE(picker->GetChecked());
    picker->SetChecked(false);
    QTest::keyClick(grid->GetActiveEditor(), Qt::Key_Tab);
    EXPECT_FALSE(grid->GetEditing());
    EXPECT_EQ(Text(5, 1), DateToStr(0));
}

} // namespace
