#include <gtest/gtest.h>

#include "skedra/foundation/GStuff.h"
#include "skedra/gantt/TimeDraw.h"
#include "skedra/platform/ImageList.h"
#include "tests/common/PaintSurface.h"

using namespace skedra;
using skedra::test::Surface;

namespace
{

constexpr TColor kRed = RGB(255, 0, 0);
constexpr TColor kGreen = RGB(0, 160, 0);

bool SameImage(const Surface& a, const Surface& b)
{
    return a.image == b.image;
}

} // namespace

TEST(TimeDrawSquare, FillsInsideAndFramesBlack)
{
    Surface s(50, 40);
    TqvTimeDraw::DrawTime(kRed, TRect(10, 10, 30, 20), &s.canvas);
    EXPECT_EQ(s.At(10, 15), clBlack);
    EXPECT_EQ(s.At(29, 15), clBlack);
    EXPECT_EQ(s.At(20, 10), clBlack);
    EXPECT_EQ(s.At(20, 19), clBlack);
    EXPECT_EQ(s.At(11, 11), kRed);
    EXPECT_EQ(s.At(28, 18), kRed);
    EXPECT_EQ(s.Ink(), TRect(10, 10, 30, 20));
}

TEST(TimeDrawSafe, NarrowsOnlyRectanglesReachingPastBothLimits)
{
    TRect safe;
    TqvTimeDraw::W95Safe(TRect(-600, 1, 2500, 9), safe);
    EXPECT_EQ(safe, TRect(-500, 1, 2000, 9));
    TqvTimeDraw::W95Safe(TRect(-600, 1, 1900, 9), safe);
    EXPECT_EQ(safe, TRect(-600, 1, 1900, 9));
    TqvTimeDraw::W95Safe(TRect(-400, 1, 2500, 9), safe);
    EXPECT_EQ(safe, TRect(-400, 1, 2500, 9));

    // A huge item is drawn as if it ran from -500 to 2000: its right frame at 1999.
    Surface s(2100, 12);
    TqvTimeDraw::DrawTime(kRed, TRect(-600, 1, 2500, 9), &s.canvas);
    EXPECT_EQ(s.At(1999, 5), clBlack);
    EXPECT_EQ(s.At(1998, 5), kRed);
    EXPECT_EQ(s.At(2000, 5), clWhite);
    EXPECT_EQ(s.At(0, 5), kRed);
}

TEST(TimeDrawPipe, IsTheShadedFillOfTheRectangle)
{
    Surface a(60, 50), b(60, 50);
    TqvTimeDraw::DrawPipe(kGreen, TRect(5, 5, 55, 45), &a.canvas);
    GStuff::FillRadiated(&b.canvas, TRect(5, 5, 55, 45), kGreen);
    EXPECT_TRUE(SameImage(a, b));
    EXPECT_EQ(a.At(30, 5), kGreen);
    EXPECT_NE(a.At(30, 30), kGreen); // shaded further down
    EXPECT_EQ(a.Ink(), TRect(5, 5, 55, 45));
}

TEST(TimeDrawSpan, BarAlongTheTopAndAFootUnderEachEnd)
{
    Surface s(80, 40);
    TqvTimeDraw::CoolOutline(kRed, TRect(10, 10, 60, 30), 1.0, &s.canvas);
    // The bar: rows 10 to 13, framed black.
    EXPECT_EQ(s.At(30, 10), clBlack);
    EXPECT_EQ(s.At(30, 11), kRed);
    EXPECT_EQ(s.At(30, 12), kRed);
    EXPECT_EQ(s.At(30, 13), clBlack);
    EXPECT_EQ(s.At(30, 14), clWhite);
    // Left foot centred at x = 15 (box 10..15 plus the offset 3), right foot at 54.
    EXPECT_EQ(s.At(15, 16), kRed);
    EXPECT_EQ(s.At(54, 16), kRed);
    // Their black slanted edges start at the bar's lower edge.
    EXPECT_EQ(s.At(10, 14), clBlack);
    EXPECT_EQ(s.At(19, 14), clBlack);
    EXPECT_EQ(s.At(49, 14), clBlack);
    EXPECT_EQ(s.At(58, 14), clBlack);
    // Tips reach two pixels below the box (row 18); nothing below the feet or between them.
    EXPECT_EQ(s.Ink().Bottom, 19);
    EXPECT_EQ(s.At(35, 16), clWhite);
    EXPECT_EQ(s.At(15, 25), clWhite);
}

TEST(TimeDrawSpan, PrintScaleScalesBarAndFeet)
{
    Surface s(120, 60);
    TqvTimeDraw::CoolOutline(kRed, TRect(10, 10, 100, 50), 2.0, &s.canvas);
    // Bar 8 high: rows 10..17.
    EXPECT_EQ(s.At(50, 17), clBlack);
    EXPECT_EQ(s.At(50, 16), kRed);
    EXPECT_EQ(s.At(50, 18), clWhite);
    // Feet 6 high from row 18, their tips two pixels below: ink down to row 25.
    EXPECT_EQ(s.Ink().Bottom, 18 + 6 + 2);
}

TEST(TimeDrawLine, ThickLineInsideAFourPixelFrame)
{
    Surface s(60, 40);
    TqvTimeDraw::LineOutline(kRed, TRect(10, 10, 50, 30), false, &s.canvas);
    // m = 20: frame rows 18 and 21, columns 10 and 49.
    EXPECT_EQ(s.At(30, 18), clBlack);
    EXPECT_EQ(s.At(30, 19), kRed);
    EXPECT_EQ(s.At(30, 20), kRed);
    EXPECT_EQ(s.At(30, 21), clBlack);
    EXPECT_EQ(s.At(10, 19), clBlack);
    EXPECT_EQ(s.At(49, 20), clBlack);
    EXPECT_EQ(s.At(30, 17), clWhite);
    EXPECT_EQ(s.At(30, 22), clWhite);
    EXPECT_EQ(s.At(10, 12), clWhite); // no ends
    EXPECT_EQ(s.canvas.Pen.GetWidth(), 1);
}

TEST(TimeDrawLine, WithEndsAddsTwoPixelBarsOverTheFullHeight)
{
    Surface s(60, 40);
    TqvTimeDraw::LineOutline(kRed, TRect(10, 10, 50, 30), true, &s.canvas);
    for (int y : {10, 15, 29}) {
        EXPECT_EQ(s.At(10, y), clBlack) << y;
        EXPECT_EQ(s.At(11, y), clBlack) << y;
        EXPECT_EQ(s.At(48, y), clBlack) << y;
        EXPECT_EQ(s.At(49, y), clBlack) << y;
    }
    EXPECT_EQ(s.At(10, 30), clWhite);
    EXPECT_EQ(s.At(30, 19), kRed);
}

TEST(TimeDrawWave, OnePeriodFromTheFirstPointToTheRightEdge)
{
    Surface s(110, 50);
    TqvTimeDraw::WaveOutline(kRed, TRect(0, 5, 100, 45), &s.canvas);
    // h = 40, m = 25: down to the bottom at a quarter, through the middle at
    // half, up to the top at three quarters, back to the middle at the end.
    EXPECT_EQ(s.At(25, 45), kRed);
    EXPECT_EQ(s.At(50, 25), kRed);
    EXPECT_EQ(s.At(75, 5), kRed);
    EXPECT_EQ(s.At(99, 25), kRed);
    EXPECT_EQ(s.At(50, 10), clWhite);
    // Nothing before P(1) = (5, 31).
    EXPECT_EQ(s.InkIn(TRect(0, 0, 3, 50)), TRect());
    EXPECT_EQ(s.At(5, 31), kRed);
    EXPECT_EQ(s.canvas.Pen.GetWidth(), 1);
}

TEST(TimeDrawRomb, OutlineThroughTheFourEdgeMiddles)
{
    Surface s(60, 40);
    TqvTimeDraw::RombOutline(kRed, TRect(10, 10, 50, 30), &s.canvas);
    EXPECT_EQ(s.At(10, 20), kRed);
    EXPECT_EQ(s.At(30, 10), kRed);
    EXPECT_EQ(s.At(50, 20), kRed);
    EXPECT_EQ(s.At(30, 30), kRed);
    EXPECT_EQ(s.At(20, 15), kRed);
    EXPECT_EQ(s.At(30, 20), clWhite); // hollow
    EXPECT_EQ(s.At(12, 12), clWhite); // outside, in the corner
    EXPECT_EQ(s.canvas.Pen.GetWidth(), 1);
}

TEST(TimeDrawImage, DrawsTheImageAtTheTopLeftAndNothingForBadIndexes)
{
    TImageList list(16, 16);
    QImage green(16, 16, QImage::Format_ARGB32);
    green.fill(QColor(0, 160, 0));
    ASSERT_EQ(list.AddImage(green), 0);

    Surface s(60, 40);
    TqvTimeDraw::DrawImage(&list, 0, false, &s.canvas, TRect(5, 5, 50, 30));
    EXPECT_EQ(s.Ink(), TRect(5, 5, 21, 21));
    EXPECT_EQ(s.At(5, 5), kGreen);

    // Out of the list, negative, or no list at all: nothing drawn, no failure.
    Surface t(60, 40);
    TqvTimeDraw::DrawImage(&list, 1, false, &t.canvas, TRect(5, 5, 50, 30));
    TqvTimeDraw::DrawImage(&list, -1, false, &t.canvas, TRect(5, 5, 50, 30));
    TqvTimeDraw::DrawImage(&list, 1000000, true, &t.canvas, TRect(5, 5, 50, 30));
    TqvTimeDraw::DrawImage(nullptr, 0, false, &t.canvas, TRect(5, 5, 50, 30));
    EXPECT_EQ(t.Ink(), TRect());
}

TEST(TimeDrawImage, PrintingStretchesIntoTheSquareOnTheHeight)
{
    TImageList list(16, 16);
    QImage green(16, 16, QImage::Format_ARGB32);
    green.fill(QColor(0, 160, 0));
    list.AddImage(green);
    Surface s(60, 40);
    TqvTimeDraw::DrawImage(&list, 0, true, &s.canvas, TRect(5, 5, 50, 30));
    EXPECT_EQ(s.Ink(), TRect(5, 5, 30, 30));
}

TEST(TimeDrawSelection, FourMarksInTheCornersInTheGivenColour)
{
    Surface s(50, 40);
    TqvTimeDraw::DoSelectContent(TRect(10, 10, 40, 30), kRed, &s.canvas);
    EXPECT_EQ(s.CountOf(kRed), 4 * 25);
    for (TPoint p : {TPoint(10, 10), TPoint(14, 14), TPoint(35, 10), TPoint(39, 14), TPoint(10, 25),
                     TPoint(14, 29), TPoint(35, 25), TPoint(39, 29)})
        EXPECT_EQ(s.At(p.X, p.Y), kRed) << p.X << "," << p.Y;
    EXPECT_EQ(s.At(15, 15), clWhite);
    EXPECT_EQ(s.At(34, 10), clWhite);
}

TEST(TimeDrawHollow, ColouredOutlineWithinABlackFrame)
{
    Surface s(50, 40);
    TqvTimeDraw::DrawTimeHollow(kRed, TRect(10, 10, 40, 30), &s.canvas);
    EXPECT_EQ(s.At(10, 20), clBlack);
    EXPECT_EQ(s.At(25, 29), clBlack);
    EXPECT_EQ(s.At(25, 20), clWhite);
    EXPECT_GT(s.CountOf(kRed), 0);
}

TEST(TimeDrawShape, OnlyTheLowSevenBitsSelectTheShape)
{
    const TRect r(10, 10, 50, 30);
    for (int style = gtsSquare; style <= gtsPipe; ++style) {
        if (style == gtsUser || style == gtsImage) continue;
        Surface a(60, 40), b(60, 40);
        TqvTimeDraw::DrawShape(style, kRed, r, &a.canvas, 1.0, false, nullptr, 0);
        TqvTimeDraw::DrawShape(style | 0x80, kRed, r, &b.canvas, 1.0, false, nullptr, 0);
        EXPECT_TRUE(SameImage(a, b)) << style;
        EXPECT_NE(a.Ink(), TRect()) << style;
    }
    Surface line(60, 40), direct(60, 40);
    TqvTimeDraw::DrawShape(gtsLineWEnd, kRed, r, &line.canvas, 1.0, false, nullptr, 0);
    TqvTimeDraw::LineOutline(kRed, r, true, &direct.canvas);
    EXPECT_TRUE(SameImage(line, direct));
}

TEST(TimeDrawShape, UserStyleAndValuesBeyondTheTableDrawNothing)
{
    for (int style : {int(gtsUser), 9, 42, 0x7F, 0xFF}) {
        Surface s(60, 40);
        TqvTimeDraw::DrawShape(style, kRed, TRect(10, 10, 50, 30), &s.canvas, 1.0, false, nullptr, 0);
        EXPECT_EQ(s.Ink(), TRect()) << style;
    }
}
