// In-place editing through real Qt input: each editor opens over the right
// cell, takes typed keys, and Enter, Tab or a focus change store its text
// while Escape drops it; read-only cells refuse typing; an unreadable date
// undoes the start; removing the edited row cancels without storing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QtTest/QTest>

#include "skedra/gridengine/MoxInplaceEditors.h"
#include "skedra/platform/Messages.h"

using namespace skedra;

namespace
{

struct EditFixture : ::testing::Test {
    QWidget form;
    TMoxGridView* view = nullptr;
    QLineEdit* other = nullptr;
    QStringList messages;
    TMessageSink previous;
    std::vector<QString> stops;   // texts OnEditStop saw
    std::vector<QString> changes; // OnInplaceEditOnChange
    std::vector<QString> hooks;   // class-wide hooks: "start r" / "stop r"
    bool canModify = true;

    void SetUp() override
    {
        previous = SetMessageSink([this](const QString& t) { messages.push_back(t); });
        form.resize(600, 400);
        view = new TMoxGridView(&form);
        view->SetBounds(0, 0, 404, 304);
        view->Show();
        view->OnInitContent = [](TMoxGridView_Custom*, TMoxSimpleCellStringData* d) {
            d->Text = QStringLiteral("%1:%2")
                          .arg(d->Cell->ColumnItem->ListIndex())
                          .arg(d->Cell->RowItem->ListIndex());
        };
        view->OnEditStop = [this](TMoxGridView_Custom*, QWidget*, TMoxSimpleCellStringData*, QString& text) {
            stops.push_back(text);
        };
        view->OnInplaceEditOnChange = [this](TMoxGridView_Custom*, const QString& v) {
            changes.push_back(v);
        };
        view->OnEditorCanModify = [this](TMoxGridView_Custom*, TMoxCell*) { return canModify; };
        TMoxGridView_Custom::InstallClassEvents(
            [this](TMoxGridView_Custom*, TMoxCell* c) {
                hooks.push_back(QStringLiteral("start %1").arg(c->RowItem->ListIndex()));
            },
            [this](TMoxGridView_Custom*, TMoxCell* c) {
                hooks.push_back(c ? QStringLiteral("stop %1").arg(c->RowItem->ListIndex())
                                  : QStringLiteral("stop"));
            });
        TMoxGridCellForViewer* root = view->GetRootCell();
        root->SetFixedRows(1);
        for (int c = 0; c < 3; ++c) {
            TAxisContentItem* item = root->ColumnList->AddNew(nullptr);
            item->SetUserSizeActive(true);
            item->SetUserSize(100);
        }
        for (int r = 0; r < 6; ++r)
            root->RowList->AddNew(nullptr);
        other = new QLineEdit(&form);
        other->move(0, 350);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        view->Repaint();
        form.activateWindow();
        view->SetFocus();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        TMoxGridView_Custom::InstallClassEvents({}, {});
        SetMessageSink(previous);
        EXPECT_TRUE(messages.empty()) << (messages.empty() ? "" : messages.front().toStdString());
    }
    TMoxCell* Cell(int c, int r) { return view->GetRootCell()->getCell(c, r); }
    // Where the view's client area starts inside it (its border).
    QPoint ClientOffset()
    {
        const TPoint client = view->ClientToScreen(TPoint(0, 0));
        return QPoint(client.X, client.Y) - view->mapToGlobal(QPoint(0, 0));
    }
    QString Text(int c, int r) { return view->GetText(Cell(c, r)); }
    // Focuses the cell and opens its editor.
    QWidget* Edit(int c, int r)
    {
        view->GetRootCell()->SetFocusedCell(Cell(c, r));
        QApplication::processEvents();
        view->StartEditing();
        QApplication::processEvents();
        return view->GetActiveEditor();
    }
    void UseEditor(TMoxEditorType aType)
    {
        view->OnChooseEditor = [aType](TMoxGridView_Custom*, TMoxSimpleCellStringData*, TMoxEditorType& e) {
            e = aType;
        };
    }
    void ExpectClosed()
    {
        EXPECT_FALSE(view->GetEditing());
        EXPECT_EQ(view->GetEditCell(), nullptr);
        for (QWidget* w : std::initializer_list<QWidget*>{view->GetEditEditor(), view->GetMemoEditor(),
                                                          view->GetComboEditor(), view->GetBoolEditor(),
                                                          view->GetDateTimeEditor()})
            EXPECT_FALSE(w->isVisible());
    }
};

TEST_F(EditFixture, TheEditOpensOverTheCellTakesTypingAndEnterStoresIt)
{
    QWidget* editor = Edit(1, 2);
    ASSERT_EQ(editor, view->GetEditEditor());
    EXPECT_TRUE(view->GetEditing());
    EXPECT_EQ(view->GetEditorChoice(), moxETEdit);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_TRUE(editor->hasFocus());
    const TRect r = view->GetEditRect(Cell(1, 2));
    EXPECT_EQ(editor->geometry().translated(-ClientOffset()),
              QRect(r.Left, r.Top, r.Width(), r.Height() + 1));
    EXPECT_EQ(view->GetEditEditor()->GetText(), QStringLiteral("1:2"));
    EXPECT_TRUE(Cell(1, 2)->GetSelected());
    QTest::keyClicks(editor, QStringLiteral("ab")); // replaces the selected text
    EXPECT_EQ(changes, (std::vector<QString>{"a", "ab"}));
    EXPECT_TRUE(stops.empty());
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(Text(1, 2), QStringLiteral("ab"));
    EXPECT_EQ(stops, std::vector<QString>{"ab"});
    EXPECT_EQ(hooks, (std::vector<QString>{"start 2", "stop 2"}));
    ExpectClosed();
    EXPECT_TRUE(view->hasFocus());
    // Stopping again, or a layout pass, stores nothing more.
    view->StopEditing();
    view->BreakEditing();
    view->RecalcExtents();
    view->Repaint();
    EXPECT_EQ(stops.size(), 1u);
    EXPECT_EQ(hooks.size(), 2u);
}

TEST_F(EditFixture, EscapeLeavesTheCellAndTabOrAFocusChangeStore)
{
    QWidget* editor = Edit(0, 1);
    QTest::keyClicks(editor, QStringLiteral("zz"));
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_EQ(Text(0, 1), QStringLiteral("0:1"));
    EXPECT_TRUE(stops.empty());
    ExpectClosed();
    EXPECT_EQ(hooks, (std::vector<QString>{"start 1", "stop 1"}));

    editor = Edit(0, 1);
    QTest::keyClicks(editor, QStringLiteral("t"));
    QTest::keyClick(editor, Qt::Key_Tab);
    EXPECT_EQ(Text(0, 1), QStringLiteral("t"));
    ExpectClosed();

    editor = Edit(2, 3);
    QTest::keyClicks(editor, QStringLiteral("f"));
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(Text(2, 3), QStringLiteral("f"));
    ExpectClosed();
    EXPECT_TRUE(other->hasFocus());
}

TEST_F(EditFixture, AnEditStopHandlerChangesWhatIsStoredAndAnEditClearsTheSortMarker)
{
    view->SetSortCell(Cell(0, 0), true);
    view->OnEditStop = [](TMoxGridView_Custom*, QWidget*, TMoxSimpleCellStringData*, QString& text) {
        text = text.toUpper();
    };
    QWidget* editor = Edit(1, 1);
    QTest::keyClicks(editor, QStringLiteral("low"));
    QTest::keyClick(editor, Qt::Key_Enter);
    EXPECT_EQ(Text(1, 1), QStringLiteral("LOW"));
    EXPECT_EQ(view->GetSortCell(), nullptr);
    EXPECT_FALSE(view->GetSortDescending());
}

TEST_F(EditFixture, TheMemoTakesEnterAsANewLine)
{
    UseEditor(moxETMemo);
    QWidget* editor = Edit(1, 3);
    ASSERT_EQ(editor, view->GetMemoEditor());
    QTest::keyClicks(editor, QStringLiteral("a"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, QStringLiteral("b"));
    EXPECT_TRUE(view->GetEditing());
    QTest::keyClick(editor, Qt::Key_Tab);
    EXPECT_EQ(Text(1, 3), QStringLiteral("a\nb"));
    ExpectClosed();
}

TEST_F(EditFixture, TheComboChoosesAnItemAndStaysOpenOnFocusLossWhenAsked)
{
    UseEditor(moxETCombo);
    view->GetComboEditor()->SetItems({"red", "green", "blue"});
    view->SetText(Cell(1, 4), "green");
    QWidget* editor = Edit(1, 4);
    ASSERT_EQ(editor, view->GetComboEditor());
    EXPECT_EQ(view->GetComboEditor()->GetItemIndex(), 1);
    QTest::keyClick(editor, Qt::Key_Down);
    EXPECT_EQ(changes, std::vector<QString>{"blue"});
    view->SetStopEditOnFocusChange(false);
    other->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(view->GetEditing());
    EXPECT_EQ(Text(1, 4), QStringLiteral("green"));
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(Text(1, 4), QStringLiteral("blue"));
    ExpectClosed();

    // The single-line edit stops on focus loss in any case.
    UseEditor(moxETEdit);
    editor = Edit(1, 4);
    QTest::keyClicks(editor, QStringLiteral("x"));
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(Text(1, 4), QStringLiteral("x"));
}

TEST_F(EditFixture, BooleanCellsEditWithTheCheckBoxAndStoreUpperCase)
{
    static_cast<TMoxSimpleCellStringData*>(Cell(2, 2)->CellData.get())->IsBoolean = true;
    view->SetText(Cell(2, 2), "true");
    QWidget* editor = Edit(2, 2);
    ASSERT_EQ(editor, view->GetBoolEditor());
    EXPECT_TRUE(view->GetBoolEditor()->GetChecked());
    const TRect r = view->GetEditRect(Cell(2, 2));
    EXPECT_EQ(editor->geometry().translated(-ClientOffset()),
              QRect(r.Left + 1, r.Top + 1, r.Width() - 1, std::min(r.Height() - 1, 21) + 1));
    QTest::keyClick(editor, Qt::Key_Space);
    EXPECT_FALSE(view->GetBoolEditor()->GetChecked());
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(Text(2, 2), QStringLiteral("FALSE"));
    EXPECT_TRUE(changes.empty()); // the check box reports no changes
    ExpectClosed();

    // A click on a check box toggles and stores in one step.
    view->CheckBoxEditWithoutEditMode();
    EXPECT_EQ(Text(2, 2), QStringLiteral("TRUE"));
    ExpectClosed();
    EXPECT_EQ(stops, (std::vector<QString>{"FALSE", "TRUE"}));
}

TEST_F(EditFixture, TheDatePickerReadsTheCellAndDeleteStoresDayZero)
{
    UseEditor(moxETDateTime);
    view->SetText(Cell(1, 2), "2004-03-12");
    QWidget* editor = Edit(1, 2);
    ASSERT_EQ(editor, view->GetDateTimeEditor());
    EXPECT_EQ(view->GetDateTimeEditor()->GetDate(), EncodeDate(2004, 3, 12));
    EXPECT_LE(editor->height(), 22);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(Text(1, 2), QStringLiteral("2004-03-12"));

    editor = Edit(1, 2);
    QTest::keyClick(editor, Qt::Key_Delete);
    EXPECT_EQ(Text(1, 2), QStringLiteral("1899-12-30"));
    ExpectClosed();

    // The time kind reads and writes the long time format.
    view->GetDateTimeEditor()->SetKind(dtkTime);
    view->SetText(Cell(1, 3), QStringLiteral("7:05"));
    Edit(1, 3);
    EXPECT_DOUBLE_EQ(view->GetDateTimeEditor()->GetTime(), EncodeTime(7, 5, 0, 0));
    view->StopEditing();
    EXPECT_EQ(Text(1, 3), QStringLiteral("07:05:00"));
}

TEST_F(EditFixture, AnUnreadableDateUndoesTheStartAndRaises)
{
    UseEditor(moxETDateTime);
    view->SetText(Cell(1, 2), QStringLiteral("not a date"));
    view->GetRootCell()->SetFocusedCell(Cell(1, 2));
    QApplication::processEvents();
    EXPECT_THROW(view->StartEditing(), EConvertError);
    ExpectClosed();
    EXPECT_EQ(hooks, (std::vector<QString>{"start 2", "stop 2"}));
    view->StopEditing(); // nothing left to store
    EXPECT_EQ(Text(1, 2), QStringLiteral("not a date"));
    EXPECT_TRUE(stops.empty());
    EXPECT_EQ(view->GetRootCell()->GetFocusedCellDownTrack(), Cell(1, 2));
}

TEST_F(EditFixture, AReadOnlyCellRefusesTypingAndDoesNotOpen)
{
    canModify = false;
    view->GetRootCell()->SetFocusedCell(Cell(1, 2));
    view->StartEditing();
    EXPECT_FALSE(view->GetEditing());
    EXPECT_TRUE(hooks.empty());

    // Turning read-only while open: characters, also beyond Latin-1, and
    // the editing keys are refused; Escape still closes.
    canModify = true;
    QWidget* editor = Edit(1, 2);
    view->GetEditEditor()->deselect();
    canModify = false;
    QTest::keyClicks(editor, QStringLiteral("x"));
    QKeyEvent cyrillic(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("\u0416"));
    QApplication::sendEvent(editor, &cyrillic);
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClick(editor, Qt::Key_Home);
    QTest::keyClick(editor, Qt::Key_Delete);
    EXPECT_EQ(view->GetEditEditor()->GetText(), QStringLiteral("1:2"));
    EXPECT_TRUE(changes.empty());
    QTest::keyClick(editor, Qt::Key_Escape);
    ExpectClosed();
    EXPECT_EQ(Text(1, 2), QStringLiteral("1:2"));
}

TEST_F(EditFixture, TheKeyPressEventSeesAndMayChangeEveryCharacter)
{
    std::vector<QChar> seen;
    view->OnInplaceEditKeyPress = [&](TMoxGridView_Custom*, QChar& key) {
        seen.push_back(key);
        if (key == QChar('a')) key = QChar('b');
        if (key == QChar('q')) key = QChar(0);
    };
    QWidget* editor = Edit(1, 2);
    QTest::keyClicks(editor, QStringLiteral("aqc"));
    EXPECT_EQ(view->GetEditEditor()->GetText(), QStringLiteral("bc"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(seen, (std::vector<QChar>{'a', 'q', 'c'})); // Enter is taken on key down
    EXPECT_EQ(Text(1, 2), QStringLiteral("bc"));
}

TEST_F(EditFixture, RemovingTheEditedRowCancelsWithoutStoring)
{
    QWidget* editor = Edit(1, 3);
    QTest::keyClicks(editor, QStringLiteral("lost"));
    view->GetRootCell()->RowList->Drop(3);
    QApplication::processEvents();
    ExpectClosed();
    EXPECT_TRUE(stops.empty());
    EXPECT_EQ(hooks, (std::vector<QString>{"start 3", "stop 3"}));
    view->Repaint();
    for (int r = 1; r < 5; ++r)
        EXPECT_NE(Text(1, r), QStringLiteral("lost"));

    // Also when the application drops it from its edit-stop handler.
    view->OnEditStop = [this](TMoxGridView_Custom*, QWidget*, TMoxSimpleCellStringData*, QString&) {
        view->GetRootCell()->RowList->Drop(2);
    };
    editor = Edit(1, 2);
    QTest::keyClicks(editor, QStringLiteral("gone"));
    QTest::keyClick(editor, Qt::Key_Return);
    ExpectClosed();
    view->Repaint();
    for (int r = 1; r < 4; ++r)
        EXPECT_NE(Text(1, r), QStringLiteral("gone"));
}

TEST_F(EditFixture, FixedAndNestedCellsAreNotEdited)
{
    view->GetRootCell()->SetFocusedCell(Cell(0, 0)); // fixed: not focusable
    view->StartEditing();
    EXPECT_FALSE(view->GetEditing());
    view->GetRootCell()->SetFocusedCell(nullptr);
    view->StartEditing();
    EXPECT_FALSE(view->GetEditing());
    EXPECT_TRUE(hooks.empty());
}

TEST(SafeStrToDate, MonthNamesAreReadWhenTheFormatShowsThem)
{
    const TFormatSettings saved = FormatSettings();
    const auto restore = qScopeGuard([&] { FormatSettings() = saved; });
    FormatSettings().ShortDateFormat = QStringLiteral("dd-mmm-yyyy");
    EXPECT_EQ(SafeStrToDate(QStringLiteral("12-Mar-2004")), EncodeDate(2004, 3, 12));
    EXPECT_EQ(SafeStrToDate(QStringLiteral("1-December-1999")), EncodeDate(1999, 12, 1));
    EXPECT_THROW(SafeStrToDate(QStringLiteral("12-Foo-2004")), EConvertError);
    FormatSettings().ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    EXPECT_EQ(SafeStrToDate(QStringLiteral("12/03/2004")), EncodeDate(2004, 3, 12));
    EXPECT_THROW(SafeStrToDate(QStringLiteral("12-Mar-2004")), EConvertError);
}

} // namespace
