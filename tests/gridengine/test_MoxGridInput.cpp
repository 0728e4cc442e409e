// Mouse and keyboard input of the grid view through real Qt events:
// selection with Shift and Ctrl, the selection a press on a selected cell
// defers, sizing by header borders with the inverted tracking line, auto-size,
// sorting, tree buttons, check boxes, navigation keys, editing starts,
// type-ahead (also over ten million virtual rows), wheel, clipboard.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMouseEvent>
#include <QtTest/QTest>
#include <array>
#include <functional>
#include <random>

#include "skedra/foundation/DoLater.h"
#include "skedra/gridengine/MoxInplaceEditors.h"
#include "skedra/gridengine/qvMoxGridViewInput_p.h"
#include "skedra/platform/Messages.h"

using namespace skedra;

namespace
{

// A view whose sorting is allowed and recorded.
class TInputView : public TMoxGridView
{
public:
    using TMoxGridView::TMoxGridView;
    bool SortAllowed = true;
    std::vector<std::pair<TMoxCell*, bool>> Sorts;

protected:
    bool CheckSortAllow(TMoxCell*) override { return SortAllowed; }
    void DoSortCell(TMoxCell* aCell, bool aDescending) override { Sorts.emplace_back(aCell, aDescending); }
};

struct InputFixture : ::testing::Test {
    QWidget form;
    TInputView* view = nullptr;
    QStringList messages;
    TMessageSink previous;
    bool canModify = true;
    TDateTime clock = 1000;

    void SetUp() override
    {
        previous = SetMessageSink([this](const QString& t) { messages.push_back(t); });
        form.resize(600, 400);
        view = new TInputView(&form);
        view->SetBounds(0, 0, 404, 304);
        view->Show();
        view->OnInitContent = [](TMoxGridView_Custom*, TMoxSimpleCellStringData* d) {
            d->Text = QStringLiteral("%1:%2")
                          .arg(d->Cell->ColumnItem->ListIndex())
                          .arg(d->Cell->RowItem->ListIndex());
        };
        view->OnEditorCanModify = [this](TMoxGridView_Custom*, TMoxCell*) { return canModify; };
        view->GetInput()->Clock = [this] { return clock; };
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
    void TearDown() override
    {
        SetMessageSink(previous);
        EXPECT_TRUE(messages.empty()) << (messages.empty() ? "" : messages.front().toStdString());
    }
    // Columns 100 pixels wide, rows 20 high, one header row.
    void Build(int cols, int rows, int fixedCols = 0, int width = 100)
    {
        TMoxGridCellForViewer* root = view->GetRootCell();
        root->SetFixedRows(1);
        root->SetFixedCols(fixedCols);
        for (int c = 0; c < cols; ++c) {
            TAxisContentItem* item = root->ColumnList->AddNew(nullptr);
            item->SetUserSizeActive(true);
            item->SetUserSize(width);
        }
        for (int r = 0; r < rows; ++r)
            root->RowList->AddNew(nullptr);
        view->Repaint();
        form.activateWindow();
        view->SetFocus();
        QApplication::processEvents();
    }
    TMoxCell* Cell(int c, int r) { return view->GetRootCell()->getCell(c, r); }
    TMoxCell* Focused() { return view->GetRootCell()->GetFocusedCellDownTrack(); }
    QString Text(int c, int r) { return view->GetText(Cell(c, r)); }
    // Widget position of a client pixel (inside the border).
    QPoint W(int x, int y)
    {
        const TPoint client = view->ClientToScreen(TPoint(x, y));
        return view->mapFromGlobal(QPoint(client.X, client.Y));
    }
    void Mouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons, int x, int y,
               Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        const QPoint p = W(x, y);
        QMouseEvent e(type, QPointF(p), QPointF(view->mapToGlobal(p)), button, buttons, mods);
        QApplication::sendEvent(view, &e);
    }
    void Press(int x, int y, Qt::KeyboardModifiers mods = Qt::NoModifier, Qt::MouseButton b = Qt::LeftButton)
    {
        Mouse(QEvent::MouseButtonPress, b, b, x, y, mods);
    }
    void Move(int x, int y, Qt::MouseButtons held = Qt::LeftButton)
    {
        Mouse(QEvent::MouseMove, Qt::NoButton, held, x, y);
    }
    void Release(int x, int y, Qt::KeyboardModifiers mods = Qt::NoModifier,
                 Qt::MouseButton b = Qt::LeftButton)
    {
        Mouse(QEvent::MouseButtonRelease, b, Qt::NoButton, x, y, mods);
    }
    void Click(int x, int y, Qt::KeyboardModifiers mods = Qt::NoModifier, Qt::MouseButton b = Qt::LeftButton)
    {
        Press(x, y, mods, b);
        Release(x, y, mods, b);
    }
    void DoubleClick(int x, int y)
    {
        Click(x, y);
        Mouse(QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton, x, y);
        Release(x, y);
    }
    // Client centre of a cell of the layout above.
    static int X(int c) { return c * 100 + 50; }
    static int Y(int r) { return r * 20 + 10; }
    void Key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(view, k, mods); }
    std::vector<QString> Selected()
    {
        std::vector<QString> out;
        TMoxGridCellForViewer* root = view->GetRootCell();
        for (int r = 0; r < root->RowList->Count(); ++r)
            for (int c = 0; c < root->ColumnList->Count(); ++c)
                if (Cell(c, r)->GetSelected()) out.push_back(QStringLiteral("%1:%2").arg(c).arg(r));
        return out;
    }
};

using Cells = std::vector<QString>;

TEST_F(InputFixture, ClicksSelectShiftExtendsAndCtrlToggles)
{
    Build(3, 8);
    int selectionEvents = 0;
    view->OnSelectionChanged = [&](TObject*) { ++selectionEvents; };
    Click(X(1), Y(2));
    EXPECT_EQ(Focused(), Cell(1, 2));
    EXPECT_EQ(Selected(), Cells{"1:2"});
    EXPECT_GT(selectionEvents, 0);
    Click(X(2), Y(4), Qt::ShiftModifier);
    EXPECT_EQ(Selected(), (Cells{"1:2", "2:2", "1:3", "2:3", "1:4", "2:4"}));
    EXPECT_EQ(Focused(), Cell(2, 4));
    Click(X(0), Y(6), Qt::ControlModifier);
    EXPECT_EQ(Selected().size(), 7u);
    EXPECT_TRUE(Cell(0, 6)->GetSelected());
    // Ctrl on a selected cell takes it out, at the release.
    Press(X(1), Y(3), Qt::ControlModifier);
    EXPECT_TRUE(Cell(1, 3)->GetSelected());
    Release(X(1), Y(3), Qt::ControlModifier);
    EXPECT_FALSE(Cell(1, 3)->GetSelected());
    EXPECT_EQ(Selected().size(), 6u);
    // A press on a header selects and focuses nothing.
    Click(X(1), 5);
    EXPECT_EQ(Focused(), Cell(1, 3));
    EXPECT_EQ(Selected().size(), 6u);
    // Without multi-select, Shift is a plain click.
    view->SetMultiSelect(false);
    Click(X(2), Y(7), Qt::ShiftModifier);
    EXPECT_EQ(Selected(), Cells{"2:7"});
}

// A selection handler may remove every row, freeing the cells the gesture
// holds: plain, Shift and Ctrl clicks, Shift+arrow keys and an editing start
// then end quietly on the grid as the handler left it.
TEST_F(InputFixture, ASelectionHandlerThatRemovesTheRowsEndsTheGestureQuietly)
{
    Build(3, 8);
    TMoxGridCellForViewer* root = view->GetRootCell();
    bool armed = false;
    int removals = 0;
    view->OnSelectionChanged = [&](TObject*) {
        if (!std::exchange(armed, false)) return;
        ++removals;
        root->RowList->ClearKeepFixedItems();
    };
    const auto refill = [&] {
        root->RowList->ClearKeepFixedItems();
        for (int r = 1; r < 8; ++r)
            root->RowList->AddNew(nullptr);
        view->Repaint();
    };
    const auto gestures = std::vector<std::function<void()>>{
        [&] { Click(X(1), Y(2)); },
        [&] { Click(X(2), Y(5), Qt::ShiftModifier); },
        [&] { Click(X(0), Y(6), Qt::ControlModifier); },
        [&] { Key(Qt::Key_Down, Qt::ShiftModifier); },
        [&] { Key(Qt::Key_Down); },
        [&] { Key(Qt::Key_F2); },
    };
    for (size_t g = 0; g < gestures.size(); ++g) {
        SCOPED_TRACE(g);
        refill();
        Click(X(1), Y(3)); // focus and anchor on a body cell
        ASSERT_EQ(Focused(), Cell(1, 3));
        armed = true;
        gestures[g]();
        EXPECT_FALSE(armed) << "the gesture raised no selection change";
        EXPECT_EQ(root->RowList->Count(), 1);
        EXPECT_FALSE(view->GetEditing());
        view->Repaint();
        QApplication::processEvents();
        // The grid takes rows and input again.
        refill();
        Click(X(0), Y(4));
        EXPECT_EQ(Selected(), Cells{"0:4"});
    }
    EXPECT_EQ(removals, static_cast<int>(gestures.size()));
}

TEST_F(InputFixture, APressOnASelectedCellKeepsTheSelectionUntilTheRelease)
{
    Build(3, 8);
    Click(X(0), Y(1));
    Click(X(2), Y(3), Qt::ShiftModifier);
    ASSERT_EQ(Selected().size(), 9u);
    Press(X(1), Y(2));
    EXPECT_EQ(Selected().size(), 9u);
    EXPECT_EQ(Focused(), Cell(1, 2));
    Move(X(1) + 5, Y(2) + 3);
    EXPECT_EQ(Selected().size(), 9u);
    Release(X(1) + 5, Y(2) + 3);
    EXPECT_EQ(Selected(), Cells{"1:2"});

    // The pending cell's row removed before the release: nothing is applied.
    Click(X(2), Y(3), Qt::ShiftModifier);
    Press(X(1), Y(3));
    view->GetRootCell()->RowList->Drop(3);
    Release(X(1), Y(3));
    EXPECT_FALSE(view->GetInput()->SelectOnMouseUp);
    EXPECT_EQ(view->GetInput()->PendingCell, nullptr);
}

TEST_F(InputFixture, DraggingAHeaderBorderResizesTheColumnBeforeIt)
{
    Build(3, 8);
    std::vector<std::tuple<TMoxCell*, bool, TAxisContentItem*>> sized;
    view->OnAfterUserSize = [&](TMoxGridView_Custom*, TMoxCell* cell, bool horz, TAxisContentItem* item) {
        sized.emplace_back(cell, horz, item);
    };
    TAxisContentItem* col0 = view->GetRootCell()->ColumnList->getAxisContentItem(0);
    Move(100, 10, Qt::NoButton);
    EXPECT_EQ(view->GetCursor(), crHSplit);
    Move(50, 10, Qt::NoButton);
    EXPECT_EQ(view->GetCursor(), crDefault);
    const int paints = view->GetPaintCount();
    Press(100, 10);
    EXPECT_EQ(view->GetSizingMode(), TMMode::mmResizeCols);

    // The tracking line inverts the window surface only; nothing is repainted.
    auto differing = [this](int x0, int x1) {
        const QImage surface = view->GetWindowSurface()->Image().convertToFormat(QImage::Format_RGB32);
        const QImage bitmap = view->GetOffscreenBitmap()->Image().convertToFormat(QImage::Format_RGB32);
        int inside = 0;
        int outside = 0;
        for (int y = 0; y < 280; ++y)
            for (int x = 0; x < 380; ++x)
                if (surface.pixel(x, y) != bitmap.pixel(x, y)) ++(x >= x0 && x <= x1 ? inside : outside);
        return std::pair(inside, outside);
    };
    Move(120, 12);
    auto [in1, out1] = differing(118, 122);
    EXPECT_GT(in1, 100);
    EXPECT_EQ(out1, 0);
    Move(130, 40);
    auto [in2, out2] = differing(128, 132);
    EXPECT_GT(in2, 100);
    EXPECT_EQ(out2, 0);
    EXPECT_EQ(view->GetPaintCount(), paints);
    Release(130, 40);
    EXPECT_EQ(differing(0, -1).second, 0); // erased
    EXPECT_EQ(view->GetSizingMode(), TMMode::mmNone);
    EXPECT_TRUE(col0->GetUserSizeActive());
    EXPECT_EQ(col0->GetUserSize(), 130);
    ASSERT_EQ(sized.size(), 1u);
    EXPECT_EQ(std::get<0>(sized[0]), Cell(0, 0));
    EXPECT_TRUE(std::get<1>(sized[0]));
    EXPECT_EQ(std::get<2>(sized[0]), col0);
    view->Repaint();
    EXPECT_EQ(Cell(1, 2)->VisibleRect.Left, 130);

    // The same drag in the body selects instead of sizing.
    Press(130, Y(3));
    EXPECT_EQ(view->GetSizingMode(), TMMode::mmNone);
    Release(160, Y(3));
    EXPECT_EQ(sized.size(), 1u);
    EXPECT_EQ(col0->GetUserSize(), 130);

    // The right edge of the last header cell: the far probe leaves the grid.
    Press(330, 10);
    Release(350, 10);
    EXPECT_EQ(view->GetRootCell()->ColumnList->getAxisContentItem(2)->GetUserSize(), 120);
}

TEST_F(InputFixture, AReleaseWithoutMovementOrPastTheEdgeStoresNoWrongSize)
{
    Build(3, 8);
    int sized = 0;
    view->OnAfterUserSize = [&](TMoxGridView_Custom*, TMoxCell*, bool, TAxisContentItem*) { ++sized; };
    TAxisContentItem* col1 = view->GetRootCell()->ColumnList->getAxisContentItem(1);
    col1->SetUserSizeActive(false);
    view->RecalcExtents();
    view->Repaint();
    const int computed = col1->Size;
    Click(200 + computed - 100, 10);
    EXPECT_EQ(sized, 0);
    EXPECT_FALSE(col1->GetUserSizeActive());

    // Dragged far past the column's own start: the size stops at 0.
    TAxisContentItem* col0 = view->GetRootCell()->ColumnList->getAxisContentItem(0);
    Press(100, 10);
    Move(-60, 10);
    Release(-60, 10);
    EXPECT_EQ(col0->GetUserSize(), 0);
    EXPECT_EQ(sized, 1);
}

TEST_F(InputFixture, RowBordersOfTheFixedColumnResizeRows)
{
    Build(3, 6, 1);
    TAxisContentList* rows = view->GetRootCell()->RowList.get();
    Move(50, 60, Qt::NoButton);
    EXPECT_EQ(view->GetCursor(), crVSplit);
    Press(50, 60);
    EXPECT_EQ(view->GetSizingMode(), TMMode::mmResizeRows);
    Move(50, 70);
    Release(50, 70);
    EXPECT_EQ(rows->getAxisContentItem(2)->GetUserSize(), 30);
    view->Repaint();
    // The bottom edge of the last row: the far probe leaves the grid.
    const int bottom = rows->getAxisContentItem(5)->Position + rows->getAxisContentItem(5)->Size;
    Press(50, bottom);
    Release(50, bottom + 15);
    EXPECT_EQ(rows->getAxisContentItem(5)->GetUserSize(), 35);
    // A border between body cells is no zone.
    Press(X(1), 60);
    EXPECT_EQ(view->GetSizingMode(), TMMode::mmNone);
    Release(X(1), 60);
}

TEST_F(InputFixture, DoubleClickOnABorderSizesTheColumnToItsWidestText)
{
    Build(3, 8);
    const QString wide = QStringLiteral("A rather long text of this cell");
    view->SetText(Cell(1, 4), wide);
    view->Repaint();
    int sized = 0;
    view->OnAfterUserSize = [&](TMoxGridView_Custom*, TMoxCell*, bool horz, TAxisContentItem*) {
        sized += horz ? 1 : 100;
    };
    DoubleClick(200, 10);
    TRect measured(0, 0, 96, 16);
    DrawText(view->GetOffscreenCanvas(), wide, measured, DT_NOPREFIX | DT_CALCRECT);
    TAxisContentItem* col1 = view->GetRootCell()->ColumnList->getAxisContentItem(1);
    // Text width, the 4 pixels around the text section and 2 more.
    EXPECT_EQ(col1->GetUserSize(), measured.Width() + 6);
    EXPECT_GT(col1->GetUserSize(), 150);
    EXPECT_EQ(sized, 1); // the releases did not undo it
    view->Repaint();
    EXPECT_EQ(col1->Size, measured.Width() + 6);
    EXPECT_FALSE(view->GetEditing());
}

TEST_F(InputFixture, HeaderClicksSortAndTurnTheDirection)
{
    Build(3, 4);
    Click(X(1), 10);
    Click(X(1), 10);
    Click(X(2), 10);
    ASSERT_EQ(view->Sorts.size(), 3u);
    EXPECT_EQ(view->Sorts[0], std::pair(Cell(1, 0), false));
    EXPECT_EQ(view->Sorts[1], std::pair(Cell(1, 0), true));
    EXPECT_EQ(view->Sorts[2], std::pair(Cell(2, 0), false));
    EXPECT_EQ(view->GetSortCell(), Cell(2, 0));
    // The edge of a header is no sort zone; without permission nothing sorts.
    Click(X(1), 1);
    view->SortAllowed = false;
    Click(X(0), 10);
    EXPECT_EQ(view->Sorts.size(), 3u);
}

TEST_F(InputFixture, TreeButtonsAndCheckBoxesReactToClicksAndEnter)
{
    Build(3, 6);
    std::vector<TMoxCell*> buttons;
    view->OnCellHasButton = [](TMoxGridView_Custom*, TMoxCell* c) { return c->ColumnItem->ListIndex() == 0; };
    view->OnIsButtonTerminal = [](TMoxGridView_Custom*, TMoxCell*) { return false; };
    view->OnButtonClick = [&](TMoxGridView_Custom*, TMoxCell* c) { buttons.push_back(c); };
    view->Repaint();
    // The box of row 2: 2 pixels in from the section, 4 down.
    Click(7, 2 * 20 + 9);
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(buttons[0], Cell(0, 2));
    Click(40, 2 * 20 + 9);
    EXPECT_EQ(buttons.size(), 1u);
    Key(Qt::Key_Return);
    EXPECT_EQ(buttons.size(), 2u);
    EXPECT_FALSE(view->GetEditing());

    // A Boolean cell toggles on a click and is not left open.
    auto* data = static_cast<TMoxSimpleCellStringData*>(Cell(2, 3)->CellData.get());
    data->IsBoolean = true;
    data->Text = QStringLiteral("true");
    view->Repaint();
    Click(X(2), Y(3));
    EXPECT_EQ(Text(2, 3), QStringLiteral("FALSE"));
    EXPECT_FALSE(view->GetEditing());
    Click(X(2), Y(3));
    EXPECT_EQ(Text(2, 3), QStringLiteral("TRUE"));
}

TEST_F(InputFixture, NavigationKeysMoveTheFocusAndShiftExtends)
{
    Build(4, 30, 0, 80);
    TMoxGridCellForViewer* root = view->GetRootCell();
    Key(Qt::Key_Down); // no focus yet: the first shown cell, then down
    EXPECT_EQ(Focused(), Cell(0, 2));
    Key(Qt::Key_Right);
    EXPECT_EQ(Focused(), Cell(1, 2));
    Key(Qt::Key_Down, Qt::ShiftModifier);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(Selected(), (Cells{"1:2", "2:2", "1:3", "2:3"}));
    Key(Qt::Key_End);
    EXPECT_EQ(Focused(), Cell(3, 3));
    EXPECT_EQ(Selected(), Cells{"3:3"});
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Focused(), Cell(3, 29));
    EXPECT_EQ(Selected(), Cells{"3:29"}); // Ctrl went with the direction
    view->Repaint();
    EXPECT_GE(root->Top + root->VisibleRowCount - 1, 29);
    Key(Qt::Key_Home);
    EXPECT_EQ(Focused(), Cell(0, 29));
    Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(Focused(), Cell(0, 1));
    view->Repaint();
    EXPECT_EQ(root->Top, 1);
    Key(Qt::Key_PageDown);
    const int page = root->VisibleRowCount - 1;
    EXPECT_EQ(Focused(), Cell(0, 1 + page));
    Key(Qt::Key_PageUp);
    EXPECT_EQ(Focused(), Cell(0, 1));
    Key(Qt::Key_Up);
    Key(Qt::Key_Left);
    EXPECT_EQ(Focused(), Cell(0, 1)); // never into the header
}

TEST_F(InputFixture, F2EnterTypingAndDoubleClicksStartEditing)
{
    Build(3, 6);
    Click(X(1), Y(2));
    Key(Qt::Key_F2);
    EXPECT_TRUE(view->GetEditing());
    QTest::keyClick(view->GetActiveEditor(), Qt::Key_Escape);
    EXPECT_FALSE(view->GetEditing());
    Key(Qt::Key_Return);
    EXPECT_TRUE(view->GetEditing());
    QTest::keyClick(view->GetActiveEditor(), Qt::Key_Escape);
    view->SetEnterStartsEditing(false);
    Key(Qt::Key_Return);
    EXPECT_FALSE(view->GetEditing());
    // A typed letter opens the editor and becomes its text.
    QTest::keyClicks(view, QStringLiteral("x"));
    ASSERT_TRUE(view->GetEditing());
    QTest::keyClicks(view->GetActiveEditor(), QStringLiteral("y"));
    QTest::keyClick(view->GetActiveEditor(), Qt::Key_Return);
    EXPECT_EQ(Text(1, 2), QStringLiteral("xy"));
    // Other characters do nothing.
    QTest::keyClicks(view, QStringLiteral("+"));
    EXPECT_FALSE(view->GetEditing());
    DoubleClick(X(2), Y(4));
    EXPECT_TRUE(view->GetEditing());
    EXPECT_EQ(view->GetEditCell(), Cell(2, 4));
    // A right click stops editing and tells the application.
    std::vector<TMoxCell*> rights;
    view->OnRightClick = [&](TMoxGridView_Custom*, TMoxCell* c) { rights.push_back(c); };
    QTest::keyClicks(view->GetActiveEditor(), QStringLiteral("z"));
    Click(X(0), Y(5), Qt::NoModifier, Qt::RightButton);
    EXPECT_FALSE(view->GetEditing());
    EXPECT_EQ(Text(2, 4), QStringLiteral("z"));
    EXPECT_EQ(rights, std::vector<TMoxCell*>{Cell(0, 5)});
    EXPECT_EQ(Focused(), Cell(0, 5));
    EXPECT_EQ(Selected(), Cells{"0:5"});
}

TEST_F(InputFixture, AHeldPressStartsEditingOnlyWhenTheMouseStayed)
{
    Build(3, 6);
    view->SetAutoEditMode(true);
    TMoxGridViewInput* in = view->GetInput();
    Press(X(1), Y(2));
    EXPECT_TRUE(in->DelayedEditTimer->IsActive());
    Move(X(1) + 2, Y(2) - 3);
    in->DelayedEditTimer->Timer();
    EXPECT_TRUE(view->GetEditing());
    EXPECT_FALSE(in->DelayedEditTimer->GetEnabled());
    QTest::keyClick(view->GetActiveEditor(), Qt::Key_Escape);
    Release(X(1) + 2, Y(2) - 3);

    Press(X(1), Y(3));
    Move(X(1) + 4, Y(3));
    in->DelayedEditTimer->Timer();
    EXPECT_FALSE(view->GetEditing());
    Release(X(1) + 4, Y(3));
    // A press on a header does not open the cell focused before.
    Press(X(1), 10);
    in->DelayedEditTimer->Timer();
    EXPECT_FALSE(view->GetEditing());
    Release(X(1), 10);
}

TEST_F(InputFixture, TypeAheadFindsTheNextMatchAndWrapsBelowTheHeader)
{
    Build(2, 8);
    canModify = false; // typing searches instead of editing
    const QStringList texts{"Banana", "apple", "Cherry", "Apricot", "berry", "avocado", "date"};
    for (int r = 1; r < 8; ++r)
        view->SetText(Cell(1, r), texts[r - 1]);
    view->SetText(Cell(1, 0), QStringLiteral("Avocado header"));
    auto type = [&](const QString& s) {
        QTest::keyClicks(view, s);
        QApplication::processEvents(); // the deferred search
    };
    Click(X(1), Y(3));
    type("a");
    EXPECT_EQ(Focused(), Cell(1, 4));
    EXPECT_EQ(Selected(), Cells{"1:4"});
    clock += 0.5 / SecsPerDay;
    type("v");
    EXPECT_EQ(Focused(), Cell(1, 6)); // "AV"
    clock += 2.0 / SecsPerDay;
    type("b");
    EXPECT_EQ(Focused(), Cell(1, 1)); // "B" alone, wrapping past the end to row 1
    clock += 2.0 / SecsPerDay;
    Click(X(1), Y(6));
    type("a");
    EXPECT_EQ(Focused(), Cell(1, 6));
    Click(X(1), Y(7));
    clock += 2.0 / SecsPerDay;
    type("av");
    EXPECT_EQ(Focused(), Cell(1, 6)); // wrapped, never onto the header
    clock += 2.0 / SecsPerDay;
    type("zz");
    EXPECT_EQ(Focused(), Cell(1, 6));
    view->SetTypeAheadEnabled(false);
    clock += 2.0 / SecsPerDay;
    type("d");
    EXPECT_EQ(Focused(), Cell(1, 6));
}

TEST_F(InputFixture, TypeAheadAndAutoSizeOnTenMillionVirtualRowsStayWithinTheLoadedRows)
{
    TMoxGridCellForViewer* root = view->GetRootCell();
    root->SetFixedRows(1);
    for (int c = 0; c < 2; ++c) {
        TAxisContentItem* item = root->ColumnList->AddNew(nullptr);
        item->SetUserSizeActive(true);
        item->SetUserSize(100);
    }
    root->RowList->AddNew(nullptr);
    root->RowList->AddUnloaded(10000000);
    int loads = 0;
    view->OnVirtualLoad = [&](TMoxGridCell*, TAxisContentItem*, bool row) { loads += row ? 1 : 0; };
    view->OnVirtualUnLoad = [](TMoxGridCell*, TAxisContentItem*, bool, bool perform, bool& can) {
        if (!perform) can = true;
    };
    view->OnInitContent = [](TMoxGridView_Custom*, TMoxSimpleCellStringData* d) {
        d->Text = QStringLiteral("R%1").arg(d->Cell->RowItem->ListIndex());
    };
    canModify = false;
    view->Repaint();
    form.activateWindow();
    view->SetFocus();
    QApplication::processEvents();
    root->SetTop(5000000);
    view->Repaint();
    const int loadedBefore = root->RowList->LoadedCount();
    const int loadsBefore = loads;
    ASSERT_LT(loadedBefore, 1000);
    Click(X(1), Y(2));
    ASSERT_EQ(Focused()->RowItem->ListIndex(), 5000001);
    QTest::keyClicks(view, QStringLiteral("r5000003"));
    QApplication::processEvents();
    EXPECT_EQ(Focused()->RowItem->ListIndex(), 5000003);
    // A text that only unloaded rows hold is not found, and nothing is loaded for it.
    clock += 2.0 / SecsPerDay;
    QTest::keyClicks(view, QStringLiteral("r9"));
    QApplication::processEvents();
    EXPECT_EQ(Focused()->RowItem->ListIndex(), 5000003);
    EXPECT_EQ(loads, loadsBefore);
    DoubleClick(200, 10);
    EXPECT_GT(root->ColumnList->getAxisContentItem(1)->GetUserSize(), 20);
    EXPECT_EQ(loads, loadsBefore);
    EXPECT_LE(root->RowList->LoadedCount(), loadedBefore);
}

TEST_F(InputFixture, TheWheelScrollsOrMovesTheFocus)
{
    Build(3, 40);
    TMoxGridCellForViewer* root = view->GetRootCell();
    auto wheel = [&](int delta) {
        const QPoint p = W(X(1), Y(3));
        QWheelEvent e(QPointF(p), QPointF(view->mapToGlobal(p)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &e);
        view->Repaint();
    };
    ASSERT_EQ(root->Top, 1);
    wheel(-120);
    EXPECT_EQ(root->Top, 2);
    wheel(-240);
    EXPECT_EQ(root->Top, 4);
    wheel(120);
    EXPECT_EQ(root->Top, 3);
    // All rows shown: the wheel moves the focus instead.
    for (int r = 39; r > 5; --r)
        root->RowList->Drop(r);
    root->SetTop(1);
    view->Repaint();
    ASSERT_FALSE(view->GetVertScrollBar()->GetVisible());
    Click(X(1), Y(2));
    wheel(-120);
    EXPECT_EQ(Focused(), Cell(1, 3));
    wheel(120);
    EXPECT_EQ(Focused(), Cell(1, 2));
}

TEST_F(InputFixture, CtrlCCopiesTheFocusedCellOrTheSelectedRange)
{
    Build(3, 6);
    QApplication::clipboard()->clear();
    Click(X(1), Y(2));
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("1:2"));
    Click(X(2), Y(3), Qt::ShiftModifier);
    Click(X(0), Y(5), Qt::ControlModifier);
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("\t1:2\t2:2\n\t1:3\t2:3\n0:5\t\t"));
    EXPECT_FALSE(view->GetEditing()); // the C was no typing
}

TEST_F(InputFixture, AutomaticDragStartsOnlyFromBodyCellsAndKeepsTheSelectionForTheDrop)
{
    Build(3, 6);
    view->SetDragMode(dmAutomatic);
    view->OnDragOver = [](TObject*, TObject*, int, int, TDragState, bool& accept) { accept = true; };
    Click(X(0), Y(1));
    Click(X(2), Y(3), Qt::ShiftModifier);
    ASSERT_EQ(Selected().size(), 9u);
    Press(X(1), Y(2));
    EXPECT_TRUE(view->Dragging());
    EXPECT_EQ(Selected().size(), 9u);
    Move(X(2), Y(2) + 2);
    Release(X(2), Y(2) + 2); // dropped on another cell: the selection stays
    EXPECT_FALSE(view->Dragging());
    EXPECT_EQ(Selected().size(), 9u);
    Press(X(1), Y(2));
    Move(X(1) + 2, Y(2) + 2);
    Release(X(1) + 2, Y(2) + 2); // dropped on the pressed cell: a click
    EXPECT_EQ(Selected(), Cells{"1:2"});
    // Header borders size as ever; no drag starts there.
    Press(100, 10);
    EXPECT_FALSE(view->Dragging());
    EXPECT_EQ(view->GetDragMode(), dmAutomatic);
    Release(110, 10);
    EXPECT_EQ(view->GetRootCell()->ColumnList->getAxisContentItem(0)->GetUserSize(), 110);
}

} // namespace

namespace
{

// Random presses, drags, releases, keys and removed rows: the input state
// holds its rules after every event, never points at a freed cell (the
// sanitizers judge), and type-ahead finds what a plain search of the loaded
// rows finds.
TEST_F(InputFixture, RandomInputKeepsTheInputStateWhole)
{
    Build(3, 30, 1);
    canModify = false;
    std::mt19937 rng(7);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const QString letters = QStringLiteral("abc");
    view->OnInitContent = [&](TMoxGridView_Custom*, TMoxSimpleCellStringData* d) {
        d->Text = QString(letters[d->Cell->RowItem->ListIndex() % 3]) +
                  QString::number(d->Cell->RowItem->ListIndex());
    };
    TMoxGridCellForViewer* root = view->GetRootCell();
    bool down = false;
    for (int step = 0; step < 400; ++step) {
        const int x = pick(0, 3) == 0 ? pick(0, 3) * 100 + pick(-3, 3) : pick(0, 320);
        const int y = pick(0, 2) == 0 ? pick(0, 10) * 20 + pick(-3, 3) : pick(0, 290);
        switch (pick(0, 7)) {
        case 0:
        case 1:
            if (!down) {
                Press(x, y, pick(0, 2) == 0 ? Qt::ShiftModifier : Qt::NoModifier);
                down = true;
            }
            break;
        case 2:
            Move(x, y, down ? Qt::LeftButton : Qt::NoButton);
            break;
        case 3:
            if (down) {
                Release(x, y);
                down = false;
            }
            break;
        case 4:
            Key(std::array{Qt::Key_Up, Qt::Key_Down, Qt::Key_PageDown, Qt::Key_Home,
                           Qt::Key_End}[pick(0, 4)]);
            break;
        case 5:
            if (root->RowList->Count() > 6) root->RowList->Drop(pick(1, root->RowList->Count() - 1));
            break;
        case 6: {
            // Type-ahead against a plain search of the loaded rows of the focused column.
            TMoxCell* focused = Focused();
            if (!focused || focused->ParentCell != root) break;
            clock += 2.0 / SecsPerDay;
            const QChar typed = letters[pick(0, 2)];
            const int col = focused->ColumnItem->ListIndex();
            const int from = focused->RowItem->ListIndex();
            int expected = -1;
            const int count = root->RowList->Count();
            for (int i = 0; i < count - 1 && expected < 0; ++i) {
                const int r = 1 + (from - 1 + i) % (count - 1);
                if (Text(col, r).toUpper().startsWith(typed.toUpper())) expected = r;
            }
            QTest::keyClicks(view, QString(typed));
            QApplication::processEvents();
            ASSERT_NE(Focused(), nullptr);
            EXPECT_EQ(Focused()->RowItem->ListIndex(), expected < 0 ? from : expected) << "step " << step;
            break;
        }
        default:
            view->Repaint();
            break;
        }
        QString why;
        ASSERT_TRUE(view->GetInput()->CheckInvariants(&why)) << why.toStdString() << " step " << step;
        ASSERT_TRUE(root->RowList->CheckInvariants(&why)) << why.toStdString();
    }
    if (down) Release(10, 10);
}

} // namespace
