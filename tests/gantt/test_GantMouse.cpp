// The Gantt area's mouse input through real Qt mouse events: moving, copying
// and resizing items, changing rows, drawing links, outlines on the window
// surface, automatic scrolling and the events of each step.
#include <gtest/gtest.h>

#include <QMouseEvent>

#include <cmath>
#include <random>
#include <tuple>
#include <vector>

#include "skedra/gantt/GantInput_p.h"
#include "tests/gantt/GantTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

// A millisecond: times that are "exactly" equal agree to this.
constexpr TDateTime kExact = 1.0 / MSecsPerDay;

// A chart whose pixels are 15 minutes each, so that whole pixel moves are
// whole quarter hours and snapping (to 15 minutes at this zoom) keeps them.
class GantMouse : public GantFixture
{
protected:
    void SetUp() override
    {
        GantFixture::SetUp();
        Scaler()->SetStart(kChartDay);
        Scaler()->SetStop(kChartDay + GA()->GetWidth() * 15 * kMinute);
        Flush();
        gant->OnValueChanged_GantTime = [this](TObject*, TqvDataEntity* e) { valueChanged.push_back(e); };
        gant->OnTimeCopy = [this](TqvGant_ComBasic*, TqvDataEntity_GantTime* t, TGantRow* r, TGantRow* nr,
                                  TDateTime s, TDateTime e) {
            copies.push_back({t, r, nr, s, e});
        };
        gant->OnTimeChangeRow = [this](TqvGant_ComBasic*, TqvDataEntity_GantTime* t, TGantRow* r,
                                       TGantRow* nr, TDateTime s, TDateTime e) {
            rowChanges.push_back({t, r, nr, s, e});
        };
    }

    struct TCall {
        TqvDataEntity_GantTime* Item;
        TGantRow* Row;
        TGantRow* NewRow;
        TDateTime Start;
        TDateTime Stop;
    };

    void Send(QEvent::Type aType, QPoint p, Qt::MouseButton aButton, Qt::MouseButtons aButtons,
              Qt::KeyboardModifiers aMods)
    {
        QMouseEvent e(aType, p, GA()->mapToGlobal(p), aButton, aButtons, aMods);
        QApplication::sendEvent(GA(), &e);
    }
    void Press(QPoint p, Qt::KeyboardModifiers m = Qt::NoModifier, Qt::MouseButton b = Qt::LeftButton)
    {
        Send(QEvent::MouseButtonPress, p, b, b, m);
    }
    void MoveTo(QPoint p, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        Send(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton, m);
    }
    void Release(QPoint p, Qt::KeyboardModifiers m = Qt::NoModifier, Qt::MouseButton b = Qt::LeftButton)
    {
        Send(QEvent::MouseButtonRelease, p, b, Qt::NoButton, m);
    }
    // Press at a, move there in steps, release at b.
    void Drag(QPoint a, QPoint b, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        Press(a, m);
        for (int i = 1; i <= 4; ++i)
            MoveTo(a + (b - a) * i / 4, m);
        Release(b, m);
        Flush();
    }

    TRect RectOf(const TqvDataEntity_GantTime* t)
    {
        TRect r;
        EXPECT_TRUE(gant->RectFromDataEntity(t, r));
        return r;
    }
    QPoint Middle(const TqvDataEntity_GantTime* t)
    {
        const TRect r = RectOf(t);
        return QPoint(r.Left + r.Width() / 2, r.Top + r.Height() / 2);
    }
    // Pixels for a span of days at this zoom.
    static int Px(TDateTime days) { return static_cast<int>(std::lround(days / (15 * kMinute))); }
    // An item from hour a to hour b of the chart's first day.
    TqvDataEntity_GantTime* Item(TqvDataEntity_Tree* node, double a, double b)
    {
        return AddTime(node, 0, kChartDay + a / 24, kChartDay + b / 24);
    }
    std::vector<TqvDataEntity_Tree*> Rows(int n)
    {
        std::vector<TqvDataEntity_Tree*> rows;
        for (int i = 0; i < n; ++i)
            rows.push_back(AddNode());
        Paint();
        return rows;
    }
    TGantRow* RowOf(TqvDataEntity_Tree* node) { return gant->GetGantRow(node); }
    TGantInputState* In() { return gant->InputState(); }
    QImage Surface() { return GA()->GetWindowSurface()->Image().copy(); }
    QImage Bitmap() { return GA()->GetOffscreenBitmap()->Image().copy(); }

    std::vector<TqvDataEntity*> valueChanged;
    std::vector<TCall> copies;
    std::vector<TCall> rowChanges;
};

} // namespace

TEST_F(GantMouse, DraggingAnItemTwoDaysRightMovesItsTimesTwoDaysAndPushesEachMovedItemOnce)
{
    auto rows = Rows(3);
    TqvDataEntity_GantTime* a = Item(rows[0], 8, 10);
    TqvDataEntity_GantTime* b = Item(rows[1], 9, 13);
    TqvDataEntity_GantTime* other = Item(rows[2], 9, 13);
    Paint();
    b->SetSelected(true);
    const QPoint p = Middle(a);
    // Ctrl adds a to the selection at the press; the drag keeps both.
    Press(p, Qt::ControlModifier);
    Release(p, Qt::ControlModifier);
    ASSERT_TRUE(a->GetSelected() && b->GetSelected());
    Drag(p, p + QPoint(Px(2), 0));
    EXPECT_NEAR(a->GetStartDateTime(), kChartDay + 2 + 8.0 / 24, kExact);
    EXPECT_NEAR(a->GetStopDateTime(), kChartDay + 2 + 10.0 / 24, kExact);
    EXPECT_NEAR(b->GetStartDateTime(), kChartDay + 2 + 9.0 / 24, kExact);
    EXPECT_NEAR(b->GetStopDateTime(), kChartDay + 2 + 13.0 / 24, kExact);
    EXPECT_EQ(other->GetStartDateTime(), kChartDay + 9.0 / 24);
    ASSERT_EQ(valueChanged.size(), 2u);
    EXPECT_EQ(valueChanged[0], a);
    EXPECT_EQ(valueChanged[1], b);
    EXPECT_TRUE(rowChanges.empty());
    EXPECT_EQ(gant->GetMouseMoveMode(), TGantMouseMoveMode::mmNone);
    EXPECT_TRUE(a->GetSelected() && b->GetSelected());
}

TEST_F(GantMouse, CtrlDragOfThreeSelectedItemsFiresOnTimeCopyWithEachItemsOwnRowAndChangesNothing)
{
    auto rows = Rows(4);
    TqvDataEntity_GantTime* t[] = {Item(rows[0], 8, 10), Item(rows[1], 9, 11), Item(rows[2], 10, 12)};
    Paint();
    for (auto* i : t)
        i->SetSelected(true);
    const QPoint p = Middle(t[1]);
    Drag(p, p + QPoint(Px(1.0 / 24), 20), Qt::ControlModifier);
    ASSERT_EQ(copies.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(copies[i].Item, t[i]);
        EXPECT_EQ(copies[i].Row, RowOf(rows[i])) << i;
        EXPECT_EQ(copies[i].NewRow, RowOf(rows[i + 1])) << i;
        EXPECT_NEAR(copies[i].Start, kChartDay + (9.0 + i) / 24, kExact);
        EXPECT_NEAR(t[i]->GetStartDateTime(), kChartDay + (8.0 + i) / 24, kExact);
        EXPECT_TRUE(t[i]->GetSelected());
    }
    EXPECT_TRUE(valueChanged.empty());
    EXPECT_TRUE(rowChanges.empty());
}

TEST_F(GantMouse, DraggingToAnotherRowReportsEachItemsOwnRowAndKeepsTimesUnlessAskedToMoveThem)
{
    auto rows = Rows(5);
    TqvDataEntity_GantTime* a = Item(rows[0], 8, 10);
    TqvDataEntity_GantTime* b = Item(rows[1], 8, 10);
    Paint();
    a->SetSelected(true);
    b->SetSelected(true);
    const QPoint p = Middle(a);
    Drag(p, p + QPoint(Px(3.0 / 24), 40));
    ASSERT_EQ(rowChanges.size(), 2u);
    EXPECT_EQ(rowChanges[0].Item, a);
    EXPECT_EQ(rowChanges[0].Row, RowOf(rows[0]));
    EXPECT_EQ(rowChanges[0].NewRow, RowOf(rows[2]));
    EXPECT_EQ(rowChanges[1].Row, RowOf(rows[1]));
    EXPECT_EQ(rowChanges[1].NewRow, RowOf(rows[3]));
    EXPECT_NEAR(rowChanges[0].Start, kChartDay + 11.0 / 24, kExact);
    EXPECT_NEAR(a->GetStartDateTime(), kChartDay + 8.0 / 24, kExact);
    EXPECT_TRUE(valueChanged.empty());

    // With MoveInTimeWhenMoveRow the items take their new times too.
    rowChanges.clear();
    gant->SetMoveInTimeWhenMoveRow(true);
    Drag(p, p + QPoint(Px(3.0 / 24), 40));
    EXPECT_EQ(rowChanges.size(), 2u);
    EXPECT_NEAR(a->GetStartDateTime(), kChartDay + 11.0 / 24, kExact);
    EXPECT_EQ(valueChanged.size(), 2u);
}

TEST_F(GantMouse, RowSettingsLimitTheDrag)
{
    auto rows = Rows(3);
    TqvDataEntity_GantTime* a = Item(rows[0], 8, 10);
    Paint();
    const QPoint p = Middle(a);
    // Without moving in time only the row changes.
    RowOf(rows[0])->SetTimeItems_CanMove(false);
    Drag(p, p + QPoint(Px(2.0 / 24), 20));
    ASSERT_EQ(rowChanges.size(), 1u);
    EXPECT_NEAR(rowChanges[0].Start, kChartDay + 8.0 / 24, kExact);
    EXPECT_EQ(rowChanges[0].NewRow, RowOf(rows[1]));
    // Without changing rows the target row is the item's own.
    rowChanges.clear();
    RowOf(rows[0])->SetTimeItems_CanMove(true);
    RowOf(rows[0])->TimeItems_CanChangeRow = false;
    Drag(p, p + QPoint(Px(2.0 / 24), 20));
    EXPECT_TRUE(rowChanges.empty());
    EXPECT_NEAR(a->GetStartDateTime(), kChartDay + 10.0 / 24, kExact);
}

TEST_F(GantMouse, AMoveWithoutHorizontalOffsetOrWithJitterLeavesTimesUntouchedAndStillChangesRow)
{
    auto rows = Rows(3);
    // Off the 15-minute grid: any snapping would show.
    TqvDataEntity_GantTime* a =
        AddTime(rows[0], 0, kChartDay + 8.0 / 24 + 3 * kMinute, kChartDay + 0.5 + kMinute);
    Paint();
    const TDateTime s = a->GetStartDateTime();
    const TDateTime e = a->GetStopDateTime();
    gant->SetMoveInTimeWhenMoveRow(true);
    const QPoint p = Middle(a);
    Drag(p, p + QPoint(0, 20));
    ASSERT_EQ(rowChanges.size(), 1u);
    EXPECT_EQ(rowChanges[0].NewRow, RowOf(rows[1]));
    EXPECT_EQ(rowChanges[0].Start, s);
    EXPECT_EQ(a->GetStartDateTime(), s);
    EXPECT_EQ(a->GetStopDateTime(), e);
    // A one-pixel jitter, with or without a row change.
    Drag(p, p + QPoint(1, 0));
    Drag(p, p + QPoint(-1, 20));
    EXPECT_EQ(a->GetStartDateTime(), s);
    EXPECT_EQ(a->GetStopDateTime(), e);
    EXPECT_EQ(rowChanges.size(), 2u);
    EXPECT_TRUE(valueChanged.empty());
}

TEST_F(GantMouse, APressAndReleaseOnAnEdgeOrAResizeOnARowThatForbidsItLeavesTheTimesUntouched)
{
    auto rows = Rows(1);
    TqvDataEntity_GantTime* a =
        AddTime(rows[0], 0, kChartDay + 8.0 / 24 + 3 * kMinute, kChartDay + 0.5 + kMinute);
    Paint();
    const TDateTime s = a->GetStartDateTime();
    const TDateTime e = a->GetStopDateTime();
    const TRect r = RectOf(a);
    for (const QPoint p : {QPoint(r.Left, r.Top + 3), QPoint(r.Right - 1, r.Top + 3)}) {
        Press(p);
        EXPECT_EQ(gant->GetMouseMoveMode(),
                  p.x() == r.Left ? TGantMouseMoveMode::mmGrowLeft : TGantMouseMoveMode::mmGrowRight);
        Release(p);
        Drag(p, p + QPoint(1, 0));
    }
    RowOf(rows[0])->TimeItems_CanGrow = false;
    Drag(QPoint(r.Right - 1, r.Top + 3), QPoint(r.Right + 30, r.Top + 3));
    EXPECT_EQ(a->GetStartDateTime(), s);
    EXPECT_EQ(a->GetStopDateTime(), e);
    EXPECT_TRUE(valueChanged.empty());
}

TEST_F(GantMouse, ResizingWritesOnlyTheMovedEndSnappedAndNeverAStopBeforeTheStart)
{
    auto rows = Rows(1);
    TqvDataEntity_GantTime* a =
        AddTime(rows[0], 0, kChartDay + 8.0 / 24 + 3 * kMinute, kChartDay + 0.5 + kMinute);
    Paint();
    const TDateTime s = a->GetStartDateTime();
    TRect r = RectOf(a);
    // The right end two hours later: snapped to the grid; the start stays off it.
    Drag(QPoint(r.Right - 1, r.Top + 3), QPoint(r.Right - 1 + Px(2.0 / 24), r.Top + 3));
    EXPECT_EQ(a->GetStartDateTime(), s);
    EXPECT_NEAR(a->GetStopDateTime(), kChartDay + 14.0 / 24, kExact);
    EXPECT_EQ(valueChanged.size(), 1u);
    // The left end far past the right end: the start stops at the stop.
    r = RectOf(a);
    Drag(QPoint(r.Left, r.Top + 3), QPoint(r.Right + 100, r.Top + 3));
    EXPECT_NEAR(a->GetStopDateTime(), kChartDay + 14.0 / 24, kExact);
    EXPECT_EQ(a->GetStartDateTime(), a->GetStopDateTime());

    // Random resizes at either end: start <= stop, the other end unchanged.
    a->SetStartDateTime(kChartDay + 3.3 + 7 * kMinute);
    a->SetStopDateTime(kChartDay + 3.4 + 2 * kMinute);
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> dx(-40, 40);
    for (int i = 0; i < 40; ++i) {
        Paint();
        r = RectOf(a);
        const bool left = i % 2 == 0;
        const TDateTime before = left ? a->GetStopDateTime() : a->GetStartDateTime();
        const QPoint p = left ? QPoint(r.Left, r.Top + 2) : QPoint(r.Right - 1, r.Top + 2);
        Press(p);
        ASSERT_EQ(gant->GetMouseMoveMode(),
                  left ? TGantMouseMoveMode::mmGrowLeft : TGantMouseMoveMode::mmGrowRight);
        Release(p);
        Drag(p, p + QPoint(dx(rng), 0));
        ASSERT_LE(a->GetStartDateTime(), a->GetStopDateTime()) << i;
        ASSERT_EQ(left ? a->GetStopDateTime() : a->GetStartDateTime(), before) << i;
        gant->CheckInvariants();
    }
}

TEST_F(GantMouse, AMoveOfMoreThanTwelveHoursRoundsToWholeDaysWithMoveOver12Then24)
{
    auto rows = Rows(1);
    TqvDataEntity_GantTime* a = Item(rows[0], 8, 10);
    Paint();
    gant->SetMoveOver12Then24(true);
    const QPoint p = Middle(a);
    Drag(p, p + QPoint(Px(26.0 / 24), 0));
    EXPECT_NEAR(a->GetStartDateTime(), kChartDay + 1 + 8.0 / 24, kExact);
    EXPECT_NEAR(a->GetStopDateTime(), kChartDay + 1 + 10.0 / 24, kExact);
    // Under 12 hours the move stays as it is.
    Drag(Middle(a), Middle(a) + QPoint(Px(5.0 / 24), 0));
    EXPECT_NEAR(a->GetStartDateTime(), kChartDay + 1 + 13.0 / 24, kExact);
}

TEST_F(GantMouse, ADrawnLinkFiresOnDependencyActionWithBothItemsAndTheChartCreatesNone)
{
    auto rows = Rows(2);
    TqvDataEntity_GantTime* a = Item(rows[0], 8, 10);
    TqvDataEntity_GantTime* b = Item(rows[1], 14, 16);
    Paint();
    std::vector<std::pair<TqvDataEntity_GantTime*, TqvDataEntity_GantTime*>> links;
    gant->OnDependencyAction = [&](TqvDataEntity_GantTime* x, TqvDataEntity_GantTime* y) {
        links.push_back({x, y});
    };
    gant->SetStickyMode(smDependency);
    const QImage before = Bitmap();
    Press(Middle(a));
    EXPECT_EQ(gant->GetMouseMoveMode(), TGantMouseMoveMode::mmDependency);
    EXPECT_EQ(gant->GetStickyMode(), smNone);
    MoveTo(Middle(b));
    EXPECT_EQ(GA()->GetCursor(), crHandPoint);
    EXPECT_NE(Surface(), before); // the arrow's outline
    Release(Middle(b));
    EXPECT_EQ(Surface(), before);
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0].first, a);
    EXPECT_EQ(links[0].second, b);
    EXPECT_EQ(gant->GetLinks()->Count(), 0);
    EXPECT_EQ(a->GetStartDateTime(), kChartDay + 8.0 / 24);
}

TEST_F(GantMouse, OutlinesAreDrawnByInversionAndNoneIsLeftAfterTheReleaseOrARepaint)
{
    auto rows = Rows(3);
    TqvDataEntity_GantTime* a = Item(rows[0], 8, 10);
    TqvDataEntity_GantTime* b = Item(rows[1], 9, 12);
    Paint();
    a->SetSelected(true);
    b->SetSelected(true);
    Paint();
    const QPoint p = Middle(a);
    Press(p);
    Paint();
    const QImage painted = Bitmap();
    ASSERT_EQ(Surface(), painted);
    const int paints = GA()->GetPaintCount();
    MoveTo(p + QPoint(30, 5));
    const QImage once = Surface();
    EXPECT_NE(once, painted);
    // Only the outlines' pixels changed, each to its inverse.
    int changed = 0;
    for (int y = 0; y < once.height(); ++y)
        for (int x = 0; x < once.width(); ++x)
            if (once.pixel(x, y) != painted.pixel(x, y)) {
                ++changed;
                ASSERT_EQ(once.pixel(x, y) & 0xFFFFFF, ~painted.pixel(x, y) & 0xFFFFFF);
            }
    EXPECT_GT(changed, 20);
    for (int i = 0; i < 10; ++i)
        MoveTo(p + QPoint(30 + i, 5 + i % 3));
    Flush();
    // No mouse move painted the area.
    EXPECT_EQ(GA()->GetPaintCount(), paints);
    // A paint during the drag (the scaler stepping, the rows scrolling) keeps the outline.
    GA()->Repaint();
    EXPECT_NE(Surface(), Bitmap());
    MoveTo(p + QPoint(50, 5));
    Release(p + QPoint(50, 5));
    // The release removed the outline from the surface before anything else.
    EXPECT_EQ(Surface(), Bitmap());
    Paint();
    EXPECT_EQ(Surface(), Bitmap());
    EXPECT_FALSE(In()->OutlineDrawn);
}

TEST_F(GantMouse, TheHintReportsTheTimesTheReleaseStores)
{
    auto rows = Rows(1);
    TqvDataEntity_GantTime* a = Item(rows[0], 8, 10);
    Paint();
    std::vector<std::tuple<TObject*, TDateTime, TDateTime>> hints;
    gant->OnHintInfo = [&](TObject* o, TDateTime s, TDateTime e, TDateTime) { hints.emplace_back(o, s, e); };
    const QPoint p = Middle(a);
    MoveTo(p);
    ASSERT_FALSE(hints.empty());
    EXPECT_EQ(std::get<0>(hints.back()), a);
    Press(p);
    MoveTo(p + QPoint(2, 0));
    hints.clear();
    MoveTo(p + QPoint(Px(1.0 / 24), 0));
    ASSERT_EQ(hints.size(), 1u); // removing the old outline reports nothing
    EXPECT_EQ(std::get<0>(hints[0]), nullptr);
    EXPECT_NEAR(std::get<1>(hints[0]), kChartDay + 9.0 / 24, kExact);
    EXPECT_NEAR(std::get<2>(hints[0]), kChartDay + 11.0 / 24, kExact);
    Release(p + QPoint(Px(1.0 / 24), 0));
    EXPECT_EQ(std::get<0>(hints.back()), a);
    EXPECT_NEAR(std::get<1>(hints.back()), a->GetStartDateTime(), kExact);
    EXPECT_NEAR(a->GetStartDateTime(), kChartDay + 9.0 / 24, kExact);
}

TEST_F(GantMouse, SelectionAtPressAndReleaseAndTheEventsInOrder)
{
    auto rows = Rows(2);
    TqvDataEntity_GantTime* a = Item(rows[0], 8, 10);
    TqvDataEntity_GantTime* b = Item(rows[1], 8, 10);
    Paint();
    std::vector<QString> events;
    gant->OnClickGantArea = [&](TqvGant_ComBasic*, TqvDataEntity_GantTime* t) {
        events.push_back(t == a ? "click a" : "click");
    };
    gant->OnGantAreaMouseDown = [&](TObject* s, TMouseButton, TShiftState, int, int) {
        events.push_back(s == GA() ? "down" : "down?");
    };
    gant->OnGantAreaMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { events.push_back("up"); };
    gant->OnHintInfo = [&](TObject*, TDateTime, TDateTime, TDateTime) { events.push_back("hint"); };
    a->SetSelected(true);
    b->SetSelected(true);
    // A click without movement on one of several selected items leaves only it selected, at the release.
    Press(Middle(a));
    EXPECT_TRUE(b->GetSelected());
    EXPECT_EQ(gant->GetActiveDataEntity(), a);
    Release(Middle(a));
    EXPECT_TRUE(a->GetSelected());
    EXPECT_FALSE(b->GetSelected());
    EXPECT_EQ(events, (std::vector<QString>{"click a", "hint", "down", "hint", "up"}));
    // A press on empty space deselects everything.
    Press(QPoint(5, Middle(a).y()));
    Release(QPoint(5, Middle(a).y()));
    EXPECT_FALSE(a->GetSelected());
    EXPECT_EQ(gant->GetActiveDataEntity(), nullptr);
}

TEST_F(GantMouse, CancellingInTheMouseDownEventAndDoubleClicksStartNoMove)
{
    auto rows = Rows(1);
    TqvDataEntity_GantTime* a = Item(rows[0], 8, 10);
    Paint();
    gant->OnGantAreaMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) {
        gant->MouseMoveModeCancel();
    };
    const QPoint p = Middle(a);
    Drag(p, p + QPoint(40, 0));
    EXPECT_NEAR(a->GetStartDateTime(), kChartDay + 8.0 / 24, kExact);
    gant->OnGantAreaMouseDown.Clear();

    int dbl = 0;
    gant->OnDblClickGantArea = [&](TqvGant_ComBasic*, TqvDataEntity_GantTime* t) { dbl += t == a; };
    Press(p);
    Release(p);
    Send(QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    EXPECT_EQ(dbl, 1);
    EXPECT_EQ(gant->GetMouseMoveMode(), TGantMouseMoveMode::mmNone);
    Release(p);
    Send(QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(gant->GetMouseMoveMode(), TGantMouseMoveMode::mmCopy);
    Release(p, Qt::ControlModifier);
}

TEST_F(GantMouse, GrowZonesAndCursors)
{
    auto rows = Rows(1);
    TqvDataEntity_GantTime* a = Item(rows[0], 8, 10);
    TqvDataEntity_GantTime* marker = Item(rows[0], 14, 14);
    marker->FixedWidth = 9;
    Paint();
    const TRect r = RectOf(a);
    bool isLeft = false;
    TRect got;
    EXPECT_TRUE(gant->InGrowArea(a, r.Left + 2, r.Top, isLeft, got));
    EXPECT_TRUE(isLeft);
    EXPECT_TRUE(gant->InGrowArea(a, r.Right - 3, r.Bottom - 1, isLeft, got));
    EXPECT_FALSE(isLeft);
    EXPECT_FALSE(gant->InGrowArea(a, r.Left + 3, r.Top, isLeft, got));
    EXPECT_FALSE(gant->InGrowArea(a, r.Right, r.Top, isLeft, got));
    MoveTo(QPoint(r.Left + 1, r.Top + 2));
    EXPECT_EQ(GA()->GetCursor(), crHSplit);
    MoveTo(QPoint(r.Left + 4, r.Top + 2));
    EXPECT_EQ(GA()->GetCursor(), crArrow);
    // A fixed-width item is moved, never resized.
    const TRect m = RectOf(marker);
    Press(QPoint(m.Left, m.Top + 2));
    EXPECT_EQ(gant->GetMouseMoveMode(), TGantMouseMoveMode::mmMove);
    Release(QPoint(m.Left, m.Top + 2));
    // An item that cannot be edited is neither.
    a->CanEdit = false;
    Press(QPoint(r.Left + 4, r.Top + 2));
    EXPECT_EQ(gant->GetPressedTime(), a);
    EXPECT_EQ(gant->GetMouseMoveMode(), TGantMouseMoveMode::mmNone);
    Release(QPoint(r.Left + 4, r.Top + 2));
}

TEST_F(GantMouse, AutoScrollMovesTheViewWhileTheMouseIsOutsideAndStopsWhenItReturns)
{
    std::vector<TqvDataEntity_Tree*> rows;
    for (int i = 0; i < 80; ++i)
        rows.push_back(AddNode());
    TqvDataEntity_GantTime* a = Item(rows[1], 8, 10);
    Paint();
    const QPoint p = Middle(a);
    Press(p);
    TTimer* timer = In()->VerticalScrollTimer.get();
    // Below the area: the rows scroll down one per tick.
    MoveTo(QPoint(p.x(), GA()->GetHeight() - 2));
    ASSERT_TRUE(timer->GetEnabled());
    EXPECT_TRUE(In()->AutoScrollDown);
    // Ticks driven here; the event loop does not run meanwhile.
    for (int i = 0; i < 6; ++i)
        timer->Timer();
    EXPECT_EQ(Tree()->GetTopItem(), rows[6]);
    // Back inside: scrolling stops.
    const QPoint drop(p.x(), 5 * 20 + 10);
    MoveTo(drop);
    EXPECT_FALSE(timer->GetEnabled());
    // Left of the area the scaler steps to earlier times, and stops back inside.
    const TDateTime start = Scaler()->GetStart();
    MoveTo(QPoint(-3, drop.y()));
    EXPECT_TRUE(Scaler()->GetBackwardPressed());
    Scaler()->RepeatTimerTick();
    EXPECT_LT(Scaler()->GetStart(), start);
    MoveTo(drop);
    EXPECT_FALSE(Scaler()->GetBackwardPressed());
    Scaler()->SetStart(start);
    Paint();
    // The drop row is the row under the outline now, six rows further down
    // than the row that was there at the press.
    Release(drop);
    ASSERT_EQ(rowChanges.size(), 1u);
    EXPECT_EQ(rowChanges[0].Row, RowOf(rows[1]));
    EXPECT_EQ(rowChanges[0].NewRow, RowOf(rows[5 + 6]));
    EXPECT_EQ(gant->GetRowList()->FindRowFromY(drop.y()), RowOf(rows[11]));

    // With no auto-scroll nothing scrolls.
    gant->SetTimeItemAutoScroll(ttiaNone);
    Tree()->SetTopItem(rows[0]);
    Paint();
    Press(p);
    MoveTo(QPoint(-3, GA()->GetHeight() - 1));
    EXPECT_FALSE(timer->GetEnabled());
    EXPECT_FALSE(Scaler()->GetBackwardPressed());
    Release(QPoint(-3, GA()->GetHeight() - 1));
}

TEST_F(GantMouse, ItemsDeletedDuringADragLeaveItSafely)
{
    auto rows = Rows(5);
    TqvDataEntity_GantTime* a = Item(rows[0], 8, 10);
    TqvDataEntity_GantTime* b = Item(rows[1], 8, 10);
    TqvDataEntity_GantTime* c = Item(rows[2], 8, 10);
    Paint();
    // The resized item goes: the resize ends.
    TRect r = RectOf(c);
    Press(QPoint(r.Right - 1, r.Top + 2));
    MoveTo(QPoint(r.Right + 10, r.Top + 2));
    gant->RemoveGantTime(c);
    EXPECT_EQ(gant->GetMouseMoveMode(), TGantMouseMoveMode::mmNone);
    EXPECT_EQ(In()->GrabbedTime, nullptr);
    gant->CheckInvariants();
    MoveTo(QPoint(r.Right + 20, r.Top + 2));
    Release(QPoint(r.Right + 20, r.Top + 2));
    Paint();
    EXPECT_EQ(Surface(), Bitmap());

    // A moved item goes during the drag, another in the row change handler.
    a->SetSelected(true);
    b->SetSelected(true);
    TqvDataEntity_GantTime* d = Item(rows[3], 8, 10);
    d->SetSelected(true);
    Paint();
    const QPoint p = Middle(a);
    Press(p);
    MoveTo(p + QPoint(10, 0));
    gant->RemoveGantTime(b);
    EXPECT_EQ(In()->MoveSnapshot.size(), 2u);
    MoveTo(p + QPoint(20, 0));
    gant->CheckInvariants();
    // The application moves each item to its new row: the old one goes.
    gant->OnTimeChangeRow = [&](TqvGant_ComBasic*, TqvDataEntity_GantTime* t, TGantRow*, TGantRow* nr,
                                TDateTime s, TDateTime e) {
        rowChanges.push_back({t, t->GetRow(), nr, s, e});
        TqvDataEntity_GantTime* moved = gant->AddGantTimeToGantRow(nr, 0);
        moved->SetStartDateTime(s);
        moved->SetStopDateTime(e);
        gant->RemoveGantTime(t);
    };
    gant->SetMoveInTimeWhenMoveRow(true);
    Release(p + QPoint(20, 20));
    ASSERT_EQ(rowChanges.size(), 2u);
    EXPECT_EQ(rowChanges[0].Item, a);
    EXPECT_EQ(rowChanges[1].Item, d);
    EXPECT_EQ(RowOf(rows[1])->TimeItemCount(), 1);
    gant->CheckInvariants();
    Paint();
    EXPECT_EQ(Surface(), Bitmap());
}

TEST_F(GantMouse, LeavingTheAreaFarEnoughTurnsAMoveIntoADragAndDrop)
{
    auto rows = Rows(1);
    TqvDataEntity_GantTime* a = Item(rows[0], 8, 10);
    Paint();
    int started = 0;
    gant->OnGantAreaStartDrag = [&](TObject* s, TObject*&) { started += s == GA(); };
    gant->SetStartDragWhenTimeMoveOutside(true);
    const QPoint p = Middle(a);
    Press(p);
    MoveTo(QPoint(-20, p.y()));
    EXPECT_EQ(gant->GetMouseMoveMode(), TGantMouseMoveMode::mmMove);
    MoveTo(QPoint(-30, p.y()));
    EXPECT_EQ(gant->GetMouseMoveMode(), TGantMouseMoveMode::mmNone);
    EXPECT_EQ(started, 1);
    EXPECT_TRUE(GA()->Dragging());
    EXPECT_FALSE(Scaler()->GetBackwardPressed());
    Release(QPoint(-30, p.y()));
    Flush();
    EXPECT_FALSE(GA()->Dragging());
    EXPECT_NEAR(a->GetStartDateTime(), kChartDay + 8.0 / 24, kExact);
    gant->CheckInvariants();
}

TEST_F(GantMouse, WhereTheStartSnapsCoarserThanTheStopAResizePastTheOtherEndStillKeepsStartBeforeStop)
{
    // One minute per pixel: the start snaps to 5 minutes, the stop to 1 minute.
    Scaler()->SetStart(kChartDay);
    Scaler()->SetStop(kChartDay + GA()->GetWidth() * kMinute);
    auto rows = Rows(1);
    TqvDataEntity_GantTime* a = AddTime(rows[0], 0, kChartDay + 3 * kMinute, kChartDay + 38 * kMinute);
    Paint();
    TRect r = RectOf(a);
    // The right end far left of the start: the stop stops at the start, 3 minutes, never a snapped 5.
    Drag(QPoint(r.Right - 1, r.Top + 2), QPoint(r.Left - 20, r.Top + 2));
    EXPECT_NEAR(a->GetStartDateTime(), kChartDay + 3 * kMinute, kExact);
    EXPECT_LE(a->GetStartDateTime(), a->GetStopDateTime());
    EXPECT_NEAR(a->GetStopDateTime(), a->GetStartDateTime(), kExact);
    // The left end far right of the stop: the start stops at the stop.
    a->SetStopDateTime(kChartDay + 38 * kMinute);
    Paint();
    r = RectOf(a);
    Drag(QPoint(r.Left, r.Top + 2), QPoint(r.Right + 20, r.Top + 2));
    EXPECT_NEAR(a->GetStopDateTime(), kChartDay + 38 * kMinute, kExact);
    EXPECT_LE(a->GetStartDateTime(), a->GetStopDateTime());
}

TEST_F(GantMouse, DragsSnapWithTheChartsSnapHandlerAsTheApplicationSetIt)
{
    auto rows = Rows(1);
    TqvDataEntity_GantTime* a = Item(rows[0], 8 + 20.0 / 60, 16 + 20.0 / 60);
    Paint();
    // Whole hours for the start; a moved item keeps its length.
    gant->GetSnapHandler()->StartSnap = 1.0 / 24;
    const QPoint p = Middle(a);
    Drag(p, p + QPoint(Px(2) + 1, 0));
    const double hours = (a->GetStartDateTime() - kChartDay) * 24;
    EXPECT_NEAR(hours, std::round(hours), 1e-6);
    EXPECT_NEAR(hours, 48 + 9, 1.0);
    EXPECT_NEAR(a->GetStopDateTime() - a->GetStartDateTime(), 8.0 / 24, kExact);
    // A resize of the right end snaps the stop to the handler's stop unit.
    gant->GetSnapHandler()->StopSnap = 0.5 / 24;
    Paint();
    const TRect r = RectOf(a);
    Drag(QPoint(r.Right - 1, r.Top + 2), QPoint(r.Right + 5, r.Top + 2));
    const double stopHalfHours = (a->GetStopDateTime() - kChartDay) * 48;
    EXPECT_NEAR(stopHalfHours, std::round(stopHalfHours), 1e-6);
}
