#include <gtest/gtest.h>

#include "skedra/foundation/SnapHandler.h"

using namespace skedra;

namespace
{

constexpr double kMinute = 1.0 / MinsPerDay;
constexpr double kSecond = 1.0 / SecsPerDay;
constexpr double kTolerance = 0.5 / MSecsPerDay; // half a millisecond

TDateTime At(int hour, int min, int sec = 0)
{
    return EncodeDate(2024, 3, 12) + EncodeTime(hour, min, sec, 0);
}

} // namespace

TEST(SnapHandler, UnitGrowsToWholeMultiplesCloseToOnePixel)
{
    TSnapHandler snap;
    snap.PixelTime = 3 * kMinute;
    EXPECT_NEAR(snap.CalcScreenSnap(kMinute), 3 * kMinute, kTolerance);
    snap.PixelTime = 20 * kSecond;
    EXPECT_NEAR(snap.CalcScreenSnap(kMinute), kMinute, kTolerance);

    // Starts follow the grown unit: 3-minute pixels snap 08:07:40 to 08:09, 1-minute
    // snapping would have given 08:08.
    snap.PixelTime = 3 * kMinute;
    snap.StartSnap = kMinute;
    snap.StopSnapOn = false;
    TDateTime start = At(8, 7, 40), stop = At(9, 0);
    snap.Snap(start, stop);
    EXPECT_NEAR(start, At(8, 9), kTolerance);
    EXPECT_EQ(stop, At(9, 0)); // stop snapping off: untouched

    snap.PixelTime = 20 * kSecond;
    start = At(8, 7, 40);
    snap.Snap(start, stop);
    EXPECT_NEAR(start, At(8, 8), kTolerance);
}

TEST(SnapHandler, MoveKeepsTheLengthWithTheChartDefaults)
{
    TSnapHandler snap; // 5-minute starts, 1-minute stops, both on, StopSnapOnMove off
    snap.PixelTime = 2 * kMinute;
    TDateTime start = At(8, 7), stop = At(9, 10);
    snap.SnapMove(start, stop);
    EXPECT_NEAR(start, At(8, 5), kTolerance);
    EXPECT_NEAR(stop, At(9, 8), kTolerance);

    // With StopSnapOnMove the stop snaps by itself (to 1 minute here: unchanged).
    snap.StopSnapOnMove = true;
    start = At(8, 7);
    stop = At(9, 10, 20);
    snap.SnapMove(start, stop);
    EXPECT_NEAR(start, At(8, 5), kTolerance);
    EXPECT_NEAR(stop, At(9, 10), kTolerance);
}

TEST(SnapHandler, SnapsEachEndFromMidnightOfItsOwnDay)
{
    TSnapHandler snap;
    snap.PixelTime = kMinute;
    snap.StartSnap = 15 * kMinute;
    snap.StopSnap = 15 * kMinute;
    TDateTime start = At(23, 53), stop = At(0, 8) + 1.0; // stop: 00:08 the next day
    snap.Snap(start, stop);
    EXPECT_NEAR(start, At(0, 0) + 1.0, kTolerance); // rounds up over midnight
    EXPECT_NEAR(stop, At(0, 15) + 1.0, kTolerance);
}

TEST(SnapHandler, UnitOfZeroOrLessMeansNoSnapping)
{
    TSnapHandler snap;
    snap.PixelTime = 3 * kMinute;
    EXPECT_EQ(snap.CalcScreenSnap(0), 0);
    EXPECT_EQ(snap.CalcScreenSnap(-kMinute), 0);

    snap.StartSnap = 0;
    snap.StopSnap = -kMinute;
    const TDateTime start0 = At(8, 7, 13), stop0 = At(9, 10, 41);
    TDateTime start = start0, stop = stop0;
    snap.Snap(start, stop);
    EXPECT_EQ(start, start0);
    EXPECT_EQ(stop, stop0);
    snap.SnapMove(start, stop);
    EXPECT_EQ(start, start0);
    EXPECT_NEAR(stop, stop0, kTolerance);
}

TEST(SnapHandler, WholeDayMovesOnlyWhenBothEndsMovedOverTwelveHours)
{
    const TDateTime oldStart = At(8, 0), oldStop = At(10, 0);
    TDateTime start = oldStart + 30.0 / 24, stop = oldStop + 30.0 / 24;
    TSnapHandler::SnapMoveTo24HIfMoveOver12H(oldStart, oldStop, start, stop);
    EXPECT_NEAR(start, oldStart + 1.0, kTolerance);
    EXPECT_NEAR(stop, oldStop + 1.0, kTolerance);

    // A backward move of 30 hours goes back exactly one day as well.
    start = oldStart - 30.0 / 24;
    stop = oldStop - 30.0 / 24;
    TSnapHandler::SnapMoveTo24HIfMoveOver12H(oldStart, oldStop, start, stop);
    EXPECT_NEAR(start, oldStart - 1.0, kTolerance);
    EXPECT_NEAR(stop, oldStop - 1.0, kTolerance);

    // One end moved by 30 hours, the other by 2 hours: nothing changes.
    start = oldStart + 30.0 / 24;
    stop = oldStop + 2.0 / 24;
    const TDateTime s = start, e = stop;
    TSnapHandler::SnapMoveTo24HIfMoveOver12H(oldStart, oldStop, start, stop);
    EXPECT_EQ(start, s);
    EXPECT_EQ(stop, e);
}
