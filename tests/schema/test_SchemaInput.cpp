// The schedule view's interaction through real mouse and key events, in both
// orientations: moves with snapping, column switches, resizes, keys, the
// outlines on the window surface, hints, popups and header presses.

#include <QMenu>

#include <cmath>
#include <random>

#include "skedra/platform/Menus.h"
#include "tests/schema/SchemaTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

constexpr TDateTime kSecond = kMinute / 60;

class SchemaInput : public SchemaFixture, public ::testing::WithParamInterface<bool>
{
protected:
    TqvDataEntity_SchemaColumn* c0 = nullptr;
    TqvDataEntity_SchemaColumn* c1 = nullptr;
    TqvDataEntity_SchemaTime* item = nullptr;
    QStringList events;

    void SetUp() override
    {
        SchemaFixture::SetUp();
        schema->SetFlipView(GetParam());
        // Column 1 shows the next day on the same axis.
        c0 = AddColumn(QStringLiteral("Mon"), 0);
        c1 = AddColumn(QStringLiteral("Tue"), 1);
        AddColumn(QStringLiteral("Wed"), 2);
        schema->SetScalerStart(At(0, 8));
        schema->SetScalerStop(At(0, 12));
        item = AddItem(0, 0, At(0, 10), At(0, 11), 0x00FFFF);
        schema->OnChangeDataEntity_SchemaTime = [this](TqvSchema_ComBasic*, TqvDataEntity_SchemaTime*) {
            events << QStringLiteral("change");
        };
        schema->OnValueChanged_SchemaTime = [this](TObject*, TqvDataEntity*) {
            events << QStringLiteral("value");
        };
        schema->OnSchemaMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) {
            events << QStringLiteral("down");
        };
        schema->OnSchemaMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) {
            events << QStringLiteral("up");
        };
        Settle();
    }
    bool Flipped() const { return GetParam(); }
    TqvOffscreenPaint_Schema* Area() const { return schema->GetSchemaArea(); }
    // A point inside the item, away from its resize edges.
    QPoint Inside(TqvDataEntity_SchemaTime* anItem)
    {
        const TRect r = RectOf(anItem);
        return QPoint(r.Left + r.Width() / 2, r.Top + r.Height() / 2);
    }
    // A displacement along the time axis (dt) and the column axis (dc).
    QPoint Along(int dt, int dc) const { return Flipped() ? QPoint(dt, dc) : QPoint(dc, dt); }
    // The pixel count along the time axis from aPixel whose date difference is nearest aDiff.
    int PixelsFor(TDateTime aDiff, int aPixel)
    {
        TqvDateScaler* s = schema->GetScaler();
        int best = 0;
        for (int k = -300; k <= 300; ++k)
            if (std::abs(s->PixelToDate(aPixel + k) - s->PixelToDate(aPixel) - aDiff) <
                std::abs(s->PixelToDate(aPixel + best) - s->PixelToDate(aPixel) - aDiff))
                best = k;
        EXPECT_NEAR(s->PixelToDate(aPixel + best) - s->PixelToDate(aPixel), aDiff, 20 * kSecond);
        return best;
    }
    int NearTime(TqvDataEntity_SchemaTime* anItem)
    {
        const TRect r = RectOf(anItem);
        return Flipped() ? r.Left : r.Top;
    }
    void Press(QPoint p, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QTest::mousePress(Area(), Qt::LeftButton, m, p);
    }
    void MoveTo(QPoint p) { QTest::mouseMove(Area(), p); }
    void Release(QPoint p, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QTest::mouseRelease(Area(), Qt::LeftButton, m, p);
    }
    void Drag(QPoint from, QPoint by, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        Press(from, m);
        MoveTo(from + by / 2);
        MoveTo(from + by);
        Release(from + by, m);
        Settle();
    }
    // A move of the mouse with no button down (QTest moves the cursor only).
    void Hover(QPoint p)
    {
        QMouseEvent e(QEvent::MouseMove, p, Area()->mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(Area(), &e);
    }
    void Key(Qt::Key aKey, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QTest::keyClick(Area(), aKey, m);
        Settle();
    }
    QImage Surface() const
    {
        return Area()->GetWindowSurface()->Image().convertToFormat(QImage::Format_RGB32);
    }
};

INSTANTIATE_TEST_SUITE_P(Orientations, SchemaInput, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Flipped" : "Normal"; });

TEST_P(SchemaInput, ADropSnapsTheStartToFiveMinutesAndKeepsTheLength)
{
    // 10:00 dragged by 7:40 lands at 10:07:40, snapped to 10:10.
    Drag(Inside(item), Along(PixelsFor(7 * kMinute + 40 * kSecond, NearTime(item)), 0));
    EXPECT_NEAR(item->GetStartDateTime(), At(0, 10, 10), kSecond);
    EXPECT_NEAR(item->GetStopDateTime(), At(0, 11, 10), kSecond);
    EXPECT_EQ(item->GetCol(), 0);
    EXPECT_EQ(events, (QStringList{"down", "change", "value", "up"}));
    // 10:10 dragged back by 7:50 lands at 10:02:10, snapped to 10:00.
    Drag(Inside(item), Along(PixelsFor(-7 * kMinute - 50 * kSecond, NearTime(item)), 0));
    EXPECT_NEAR(item->GetStartDateTime(), At(0, 10), kSecond);
}

TEST_P(SchemaInput, AClickOrAJitterAcrossTheColumnLeavesTheTimesAlone)
{
    item->SetStartDateTime(At(0, 10, 2) + 20 * kSecond);
    Settle();
    const TDateTime start = item->GetStartDateTime(), stop = item->GetStopDateTime();
    events.clear();
    Drag(Inside(item), QPoint(0, 0));
    Drag(Inside(item), Along(0, 1));
    EXPECT_EQ(item->GetStartDateTime(), start);
    EXPECT_EQ(item->GetStopDateTime(), stop);
    EXPECT_FALSE(events.contains(QStringLiteral("value")));
    // Ctrl+Left in the first column goes nowhere and rewrites nothing.
    Key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(item->GetStartDateTime(), start);
    EXPECT_EQ(item->GetCol(), 0);
    EXPECT_FALSE(events.contains(QStringLiteral("value")));
}

TEST_P(SchemaInput, AnItemDraggedIntoAnotherColumnKeepsItsTimesUnlessTimeMovesWithTheColumn)
{
    auto toColumn = [&](int aCol) {
        int n = 0, f = 0;
        schema->ColumnToPixels(aCol, n, f);
        return (n + f) / 2 - (Flipped() ? Inside(item).y() : Inside(item).x());
    };
    Drag(Inside(item), Along(0, toColumn(1)));
    EXPECT_EQ(item->GetCol(), 1);
    EXPECT_EQ(item->GetStartDateTime(), At(0, 10));

    // With MoveInTimeWhenColSwitch the item takes the column's day.
    item->SetCol(0);
    Settle();
    schema->SetMoveInTimeWhenColSwitch(true);
    Drag(Inside(item), Along(0, toColumn(1)));
    EXPECT_EQ(item->GetCol(), 1);
    EXPECT_NEAR(item->GetStartDateTime(), At(1, 10), kSecond);
    EXPECT_NEAR(item->GetStopDateTime(), At(1, 11), kSecond);

    // A handler that keeps the column gets the time change instead.
    schema->SetMoveInTimeWhenColSwitch(false);
    schema->OnSwitchCol = [](TqvSchema_ComBasic*, TqvDataEntity_SchemaTime*, int theOld, int& theNew) {
        theNew = theOld;
    };
    Drag(Inside(item), Along(PixelsFor(30 * kMinute, NearTime(item)), toColumn(2)));
    EXPECT_EQ(item->GetCol(), 1);
    EXPECT_NEAR(item->GetStartDateTime(), At(1, 10, 30), kSecond);
}

TEST_P(SchemaInput, KeysMoveByTheirExactStepAndChangeColumns)
{
    item->SetSelected(true);
    Settle();
    Key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_NEAR(item->GetStartDateTime(), At(0, 10, 1), kSecond);
    EXPECT_NEAR(item->GetStopDateTime(), At(0, 11, 1), kSecond);
    Key(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_NEAR(item->GetStartDateTime(), At(0, 10), kSecond);
    // Ctrl+Shift: the start snap, or 10 minutes when that is a minute or less.
    schema->SetStartSnap(kMinute);
    Key(Qt::Key_Down, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_NEAR(item->GetStartDateTime(), At(0, 10, 10), kSecond);
    schema->SetStartSnap(15 * kMinute);
    Key(Qt::Key_Down, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_NEAR(item->GetStartDateTime(), At(0, 10, 25), kSecond);
    // Left and Right change the column in both orientations; the times stay.
    Key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(item->GetCol(), 1);
    EXPECT_NEAR(item->GetStartDateTime(), At(0, 10, 25), kSecond);
    Key(Qt::Key_Right, Qt::ControlModifier);
    Key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(item->GetCol(), 2);
}

TEST_P(SchemaInput, PlainArrowsStepTheSelectionAndTheMenuKeyOpensTheItemPopup)
{
    TqvDataEntity_SchemaTime* second = AddItem(0, 1, At(1, 9), At(1, 10));
    Settle();
    TPopupMenu menu;
    int popups = 0;
    QPoint at;
    menu.OnPopup = [&](TObject*) { ++popups; };
    const TPopupHandler previous = TPopupMenu::SetPopupHandler([&](QMenu&, QPoint p) -> QAction* {
        at = p;
        return nullptr;
    });
    const auto restore = qScopeGuard([&] { TPopupMenu::SetPopupHandler(previous); });
    schema->SetPopupSchema(&menu);
    // Nothing selected: the menu key does nothing.
    Key(Qt::Key_Menu);
    EXPECT_EQ(popups, 0);
    Key(Qt::Key_Down);
    EXPECT_TRUE(item->GetSelected());
    Key(Qt::Key_Right);
    EXPECT_FALSE(item->GetSelected());
    EXPECT_TRUE(second->GetSelected());
    Key(Qt::Key_Menu);
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(schema->GetPopupDataEntity(), second);
    const TRect r = RectOf(second);
    EXPECT_EQ(TPoint(at.x(), at.y()), Area()->ClientToScreen(TPoint(r.Left, r.Bottom)));
    // A right press on an item opens it there too.
    QTest::mousePress(Area(), Qt::RightButton, Qt::NoModifier, Inside(item));
    QTest::mouseRelease(Area(), Qt::RightButton, Qt::NoModifier, Inside(item));
    EXPECT_EQ(popups, 2);
    EXPECT_EQ(schema->GetPopupDataEntity(), item);
    schema->SetPopupSchema(nullptr);
}

TEST_P(SchemaInput, AResizeSnapsTheLengthAndNeverStoresAStopBeforeItsStart)
{
    const TRect r = RectOf(item);
    const QPoint stopEdge = Flipped() ? QPoint(r.Right - 2, r.Top + 2) : QPoint(r.Left + 2, r.Bottom - 2);
    const int farEdge = Flipped() ? r.Right : r.Bottom;
    // 60 minutes stretched by 44:20 give 104:20, snapped to 104 minutes.
    Drag(stopEdge, Along(PixelsFor(44 * kMinute + 20 * kSecond, farEdge), 0));
    EXPECT_NEAR(item->GetStartDateTime(), At(0, 10), kSecond);
    EXPECT_NEAR(item->GetStopDateTime() - item->GetStartDateTime(), 104 * kMinute, kSecond);

    // The start edge dragged far past the stop ends at the stop.
    const TRect r2 = RectOf(item);
    const QPoint startEdge = Flipped() ? QPoint(r2.Left + 1, r2.Top + 2) : QPoint(r2.Left + 2, r2.Top + 1);
    Drag(startEdge, Along(Flipped() ? 300 : 250, 0));
    EXPECT_LE(item->GetStartDateTime(), item->GetStopDateTime());
    EXPECT_NEAR(item->GetStopDateTime(), At(0, 11, 44), kSecond);
}

TEST_P(SchemaInput, ASnapStepOfZeroOrLessSnapsNothing)
{
    for (TDateTime step : {0.0, -kMinute}) {
        schema->SetStartSnap(step);
        schema->SetLengthSnap(step);
        TDateTime start = At(0, 10, 2) + 20 * kSecond, length = 44 * kMinute + 20 * kSecond;
        const TDateTime s0 = start, l0 = length;
        schema->Snap(start, length);
        EXPECT_EQ(start, s0);
        EXPECT_EQ(length, l0);
    }
    Drag(Inside(item), Along(PixelsFor(7 * kMinute, NearTime(item)), 0));
    EXPECT_GT(item->GetStartDateTime(), At(0, 10, 5));
    EXPECT_LT(item->GetStartDateTime(), At(0, 10, 10));
}

TEST_P(SchemaInput, WithoutColumnsNothingIsWritten)
{
    schema->ClearColumns();
    Settle();
    schema->SetStartStopDateAndCol(item, 0.5, 0.6, 3);
    item->SetSelected(true);
    Key(Qt::Key_Right, Qt::ControlModifier);
    Key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(item->GetStartDateTime(), At(0, 10));
    EXPECT_EQ(item->GetCol(), 0);
}

TEST_P(SchemaInput, DeletingTheItemInHandEndsTheResizeAndForgetsIt)
{
    const TRect r = RectOf(item);
    const QPoint stopEdge = Flipped() ? QPoint(r.Right - 2, r.Top + 2) : QPoint(r.Left + 2, r.Bottom - 2);
    TPopupMenu menu;
    schema->SetPopupSchema(&menu);
    QTest::mousePress(Area(), Qt::RightButton, Qt::NoModifier, Inside(item));
    QTest::mouseRelease(Area(), Qt::RightButton, Qt::NoModifier, Inside(item));
    Hover(Inside(item));
    Press(stopEdge);
    MoveTo(stopEdge + Along(10, 0));
    TSchemaInputState& s = schema->GetPrivate()->Input;
    ASSERT_TRUE(s.Growing);
    schema->RemoveSchemaTime(item);
    item = nullptr;
    EXPECT_FALSE(s.Growing);
    EXPECT_EQ(s.GrowEntity, nullptr);
    EXPECT_EQ(s.PressedEntity, nullptr);
    EXPECT_EQ(s.HoverEntity, nullptr);
    EXPECT_EQ(schema->GetPopupDataEntity(), nullptr);
    MoveTo(stopEdge + Along(20, 0));
    Release(stopEdge + Along(20, 0));
    Settle();
    schema->SetPopupSchema(nullptr);
    // What the window shows is a fresh render, without outline remains.
    const QImage shown = Surface();
    EXPECT_EQ(shown, Paint());
}

TEST_P(SchemaInput, OutlinesAreInvertedOnTheWindowAndTheReleaseLeavesAFreshRender)
{
    TqvDataEntity_SchemaTime* other = AddItem(0, 1, At(1, 9), At(1, 9, 30), 0xFF00FF);
    Settle();
    const QImage before = Paint();
    item->SetSelected(true);
    other->SetSelected(true);
    const QImage selected = Paint();
    ASSERT_EQ(Surface(), selected);
    const int paints = Area()->GetPaintCount();
    // A press on a selected item keeps the multi-selection for the move.
    Press(Inside(item));
    const QPoint by = Along(PixelsFor(20 * kMinute, NearTime(item)), 0);
    MoveTo(Inside(item) + by / 2);
    MoveTo(Inside(item) + by);
    // No paint per move: the outlines are inverted pixels on the window surface.
    EXPECT_EQ(Area()->GetPaintCount(), paints);
    const QImage during = Surface();
    int changed = 0, notInverted = 0;
    for (int y = 0; y < during.height(); ++y)
        for (int x = 0; x < during.width(); ++x)
            if (during.pixel(x, y) != selected.pixel(x, y)) {
                ++changed;
                if ((during.pixel(x, y) & 0xFFFFFF) != (~selected.pixel(x, y) & 0xFFFFFF)) ++notInverted;
            }
    EXPECT_GT(changed, 40); // two dotted outlines
    EXPECT_EQ(notInverted, 0);
    EXPECT_TRUE(item->GetSelected() && other->GetSelected());
    // The hint shows the snapped start, stop and length of the first outline.
    EXPECT_TRUE(schema->GetInfoHint()->IsShowing());
    EXPECT_EQ(schema->GetInfoHint()->GetCaption().count(QLatin1Char('\r')), 2);
    // Back to the press point: the outlines erase themselves.
    MoveTo(Inside(item));
    MoveTo(Inside(item) + by);
    Release(Inside(item) + by);
    Settle();
    EXPECT_FALSE(schema->GetInfoHint()->IsShowing());
    EXPECT_NEAR(item->GetStartDateTime(), At(0, 10, 20), kSecond);
    EXPECT_NEAR(other->GetStartDateTime(), At(1, 9, 20), kSecond);
    // Without modifiers the release reduces the selection to the pressed item.
    EXPECT_TRUE(item->GetSelected());
    EXPECT_FALSE(other->GetSelected());
    QApplication::processEvents();
    const QImage shown = Surface();
    EXPECT_EQ(shown, Paint());
    EXPECT_NE(shown, before);
}

TEST_P(SchemaInput, ACtrlPressOnASelectedItemTogglesItAtTheRelease)
{
    item->SetSelected(true);
    Settle();
    Press(Inside(item), Qt::ControlModifier);
    EXPECT_TRUE(item->GetSelected());
    Release(Inside(item), Qt::ControlModifier);
    EXPECT_FALSE(item->GetSelected());
    EXPECT_EQ(schema->GetActiveDataEntity(), item);
}

TEST_P(SchemaInput, AHandlerThatTakesTheMouseEndsTheDrag)
{
    QWidget other(&form);
    other.setGeometry(0, 450, 20, 20);
    other.show();
    schema->OnSchemaMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { other.grabMouse(); };
    Press(Inside(item));
    other.releaseMouse();
    EXPECT_FALSE(schema->GetPrivate()->Input.Moving);
    MoveTo(Inside(item) + Along(40, 0));
    Release(Inside(item) + Along(40, 0));
    Settle();
    EXPECT_EQ(item->GetStartDateTime(), At(0, 10));
}

TEST_P(SchemaInput, HoveringShowsTheHintThenTheEnlargedPreviewAndBothGo)
{
    Hover(Inside(item));
    EXPECT_TRUE(schema->GetInfoHint()->IsShowing());
    const QString format = schema->GetScalerTimeFormat();
    EXPECT_EQ(schema->GetInfoHint()->GetCaption(), FormatDateTime(format, At(0, 10)) + QLatin1Char('\r') +
                                                       FormatDateTime(format, At(0, 11)) + QLatin1Char('\r') +
                                                       FormatDateTime(format, kHour));
    EXPECT_TRUE(schema->GetShowBigTimer()->GetEnabled());
    schema->GetShowBigTimer()->Timer();
    TqvSchema_ComBasicHintWindow* big = schema->GetBigHint();
    EXPECT_TRUE(big->IsShowing());
    EXPECT_FALSE(schema->GetInfoHint()->IsShowing());
    EXPECT_EQ(big->GetBoundsRect().Width(), 120);
    EXPECT_EQ(big->GetBoundsRect().Height(), 230);
    ASSERT_FALSE(big->GetPicture().isNull());
    EXPECT_EQ(big->GetPicture().pixelColor(60, 115), QColor(255, 255, 0)); // the item's colour
    EXPECT_FALSE(schema->GetShowBigTimer()->GetEnabled());
    EXPECT_TRUE(schema->GetHideBigTimer()->GetEnabled());
    schema->GetHideBigTimer()->Timer();
    EXPECT_FALSE(big->IsShowing());
    // Leaving the items hides the hint.
    Hover(Inside(item));
    Hover(QPoint(Flipped() ? 5 : 300, Flipped() ? 300 : 5));
    EXPECT_FALSE(schema->GetInfoHint()->IsShowing());
    EXPECT_FALSE(schema->GetShowBigTimer()->GetEnabled());
}

TEST_P(SchemaInput, AnAssignedHintHandlerAloneGetsTheTimes)
{
    QStringList hints;
    schema->OnSchemaHintInfo = [&](TqvSchema_ComBasic*, TObject* theObject, TDateTime theStart,
                                   TDateTime theLength, int, int) {
        hints << QStringLiteral("%1 %2 %3")
                     .arg(theObject == item      ? "item"
                          : theObject == nullptr ? "none"
                                                 : "other")
                     .arg(std::lround(theStart / kMinute))
                     .arg(std::lround(theLength / kMinute));
    };
    Hover(Inside(item));
    Hover(QPoint(Flipped() ? 5 : 300, Flipped() ? 300 : 5));
    EXPECT_FALSE(schema->GetInfoHint()->IsShowing());
    const long tenOClock = std::lround(At(0, 10) / kMinute);
    EXPECT_EQ(hints, (QStringList{QStringLiteral("item %1 60").arg(tenOClock), "none 0 0"}));
    // Stepping the selection with a plain arrow reports the new item without times.
    hints.clear();
    Key(Qt::Key_Down);
    EXPECT_EQ(hints, QStringList{"item 0 0"});
}

TEST_P(SchemaInput, ResizeEdgesShowTheSplitCursor)
{
    const TRect r = RectOf(item);
    bool isStart = false;
    TRect got;
    EXPECT_TRUE(schema->InGrowArea(item, r.Left + 1, r.Top + 1, isStart, got));
    EXPECT_TRUE(isStart);
    EXPECT_EQ(got, r);
    const QPoint stopEdge = Flipped() ? QPoint(r.Right - 1, r.Top + 2) : QPoint(r.Left + 2, r.Bottom - 1);
    EXPECT_TRUE(schema->InGrowArea(item, stopEdge.x(), stopEdge.y(), isStart, got));
    EXPECT_FALSE(isStart);
    Hover(stopEdge);
    EXPECT_EQ(Area()->GetCursor(), Flipped() ? crHSplit : crVSplit);
    Hover(Inside(item));
    EXPECT_EQ(Area()->GetCursor(), crArrow);
    // An item that may not be edited is neither moved nor resized.
    schema->OnBeforeCanEditItem_SchemaTime = [](TObject*, TqvDataEntity* e) { e->CanEdit = false; };
    Hover(stopEdge);
    EXPECT_EQ(Area()->GetCursor(), crArrow);
    Drag(Inside(item), Along(40, 0));
    EXPECT_EQ(item->GetStartDateTime(), At(0, 10));
}

TEST_P(SchemaInput, LeavingTheAreaTurnsTheMoveIntoADrag)
{
    int started = 0;
    schema->OnStartDrag = [&](TObject*, TObject*&) { ++started; };
    schema->SetStartDragWhenTimeMoveOutside(true);
    Press(Inside(item));
    MoveTo(Inside(item) + Along(5, 0));
    MoveTo(QPoint(-20, -20));
    EXPECT_EQ(started, 1);
    EXPECT_FALSE(schema->GetPrivate()->Input.Moving);
    Release(QPoint(-20, -20));
    Settle();
    EXPECT_EQ(item->GetStartDateTime(), At(0, 10));
}

TEST_P(SchemaInput, AHeaderPressAwayFromABorderStartsAColumnDrag)
{
    int started = 0;
    schema->SetOnHeaderStartDrag([&](TObject*, TObject*&) { ++started; });
    TControl* header = Flipped() ? static_cast<TControl*>(schema->GetFlippedHeader())
                                 : static_cast<TControl*>(schema->GetHeader());
    int n = 0, f = 0;
    schema->ColumnToPixels(1, n, f);
    const int middle = (n + f) / 2;
    const QPoint inMiddle = Flipped() ? QPoint(10, middle) : QPoint(middle, 5);
    QTest::mousePress(header, Qt::LeftButton, Qt::NoModifier, inMiddle);
    QTest::mouseRelease(header, Qt::LeftButton, Qt::NoModifier, inMiddle);
    EXPECT_EQ(started, 1);
    EXPECT_EQ(schema->GetColumns()->PressCol, 1);
    EXPECT_FALSE(schema->GetColumns()->PressNearEdge);
    const QPoint atBorder = Flipped() ? QPoint(10, f - 1) : QPoint(f - 1, 5);
    QTest::mousePress(header, Qt::LeftButton, Qt::NoModifier, atBorder);
    QTest::mouseRelease(header, Qt::LeftButton, Qt::NoModifier, atBorder);
    EXPECT_EQ(started, 1);
    EXPECT_TRUE(schema->GetColumns()->PressNearEdge);
    EXPECT_EQ(schema->GetColumns()->ResizeCol, 1);
    Settle();
}

TEST_P(SchemaInput, RandomInputKeepsTheStateConsistent)
{
    std::mt19937 rng(22u + (Flipped() ? 1u : 0u));
    auto pick = [&](int aCount) { return static_cast<int>(rng() % static_cast<unsigned>(aCount)); };
    std::vector<TqvDataEntity_SchemaTime*> items{item};
    for (int i = 0; i < 6; ++i)
        items.push_back(AddItem(pick(2), pick(3), At(pick(3), 8 + pick(3), 5 * pick(12)), At(3, 11)));
    Settle();
    const Qt::KeyboardModifiers mods[] = {Qt::NoModifier, Qt::ControlModifier, Qt::ShiftModifier,
                                          Qt::ControlModifier | Qt::ShiftModifier};
    const Qt::Key keys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down};
    bool down = false;
    for (int step = 0; step < 300; ++step) {
        const QPoint p(pick(Area()->width()), pick(Area()->height()));
        switch (pick(7)) {
        case 0:
            if (!down) Press(p, mods[pick(4)]);
            down = true;
            break;
        case 1:
        case 2:
            if (down)
                MoveTo(p);
            else
                Hover(p);
            break;
        case 3:
            if (down) Release(p, mods[pick(4)]);
            down = false;
            break;
        case 4:
            QTest::keyClick(Area(), keys[pick(4)], mods[pick(4)]);
            break;
        case 5:
            if (items.size() > 1 && pick(3) == 0) {
                const size_t k = static_cast<size_t>(pick(static_cast<int>(items.size())));
                schema->RemoveSchemaTime(items[k]);
                items.erase(items.begin() + static_cast<std::ptrdiff_t>(k));
            }
            break;
        default:
            Settle();
            break;
        }
        ASSERT_NO_THROW(schema->CheckInvariants()) << "step " << step;
        for (TqvDataEntity_SchemaTime* t : items)
            ASSERT_LE(t->GetStartDateTime(), t->GetStopDateTime()) << "step " << step;
    }
    if (down) Release(QPoint(1, 1));
    Settle();
    const QImage shown = Surface();
    EXPECT_EQ(shown, Paint());
}

} // namespace
