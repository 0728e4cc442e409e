#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <vector>

#include "skedra/foundation/GStuff.h"
#include "skedra/platform/Canvas.h"

using namespace skedra;

namespace {

// A white image with a canvas painting on it.
struct Surface {
    QImage image;
    QPainter painter;
    TCanvas canvas;
    Surface(int w, int h) : image(w, h, QImage::Format_RGB32), canvas(nullptr)
    {
        image.fill(Qt::white);
        painter.begin(&image);
        canvas.SetPainter(&painter);
    }
    ~Surface()
    {
        canvas.SetPainter(nullptr);
        painter.end();
    }
    TColor At(int x, int y) const { return FromQColor(image.pixelColor(x, y)); }
};

} // namespace

TEST(GStuffTint, ScalesEachChannelAndRounds)
{
    EXPECT_EQ(GStuff::TintColor(RGB(100, 200, 60), 0.97), RGB(97, 194, 58));
    EXPECT_EQ(GStuff::TintColor(RGB(97, 194, 58), 1.031), RGB(100, 200, 60));
    EXPECT_EQ(GStuff::TintColor(clBlack, 1.031), clBlack);
}

TEST(GStuffTint, ClampsEachChannelInsteadOfCarryingIntoTheNext)
{
    // 250 * 1.031 = 257.75: without clamping the overflow would turn green up by one.
    EXPECT_EQ(GStuff::TintColor(RGB(250, 100, 10), 1.031), RGB(255, 103, 10));
    EXPECT_EQ(GStuff::TintColor(RGB(10, 250, 255), 1.031), RGB(10, 255, 255));
    EXPECT_EQ(GStuff::TintColor(RGB(100, 200, 60), -1.0), clBlack);
}

TEST(GStuffTint, ResolvesSystemColoursFirst)
{
    const TColor face = ColorToRGB(clBtnFace);
    ASSERT_FALSE(IsSystemColor(face));
    const TColor expected = RGB(static_cast<int>(std::nearbyint(GetRValue(face) * 0.97)),
                                static_cast<int>(std::nearbyint(GetGValue(face) * 0.97)),
                                static_cast<int>(std::nearbyint(GetBValue(face) * 0.97)));
    EXPECT_EQ(GStuff::TintColor(clBtnFace, 0.97), expected);
    EXPECT_FALSE(IsSystemColor(GStuff::TintColor(clWindow, 1.0)));
    EXPECT_EQ(GStuff::TintColor(clWindow, 1.0), ColorToRGB(clWindow));
}

TEST(GStuffFillRadiated, SmallRectanglesAreFilledFlat)
{
    Surface s(40, 40);
    GStuff::FillRadiated(&s.canvas, TRect(5, 5, 15, 15), RGB(100, 200, 60));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool inside = x >= 5 && x < 15 && y >= 5 && y < 15;
            ASSERT_EQ(s.At(x, y), inside ? RGB(100, 200, 60) : clWhite) << x << "," << y;
        }
}

TEST(GStuffFillRadiated, WideRectangleDrawsOneLinePerRowDarkeningThenLightening)
{
    // 100 x 10: step 1, split Round(6.6) = 7: rows 0..7 darken, rows 8..9 lighten.
    Surface s(120, 30);
    const TColor base = RGB(100, 200, 60);
    GStuff::FillRadiated(&s.canvas, TRect(10, 10, 110, 20), base);
    EXPECT_EQ(s.At(10, 10), base);
    EXPECT_EQ(s.At(109, 11), RGB(97, 194, 58));
    EXPECT_EQ(s.At(50, 12), RGB(94, 188, 56));
    TColor c = base;
    for (int y = 0; y < 10; ++y) {
        for (int x = 10; x < 110; ++x) ASSERT_EQ(s.At(x, 10 + y), c) << "row " << y;
        c = GStuff::TintColor(c, y <= 7 ? 0.97 : 1.031);
    }
    // The pen is left in the colour after the last line; nothing outside.
    EXPECT_EQ(ColorToRGB(s.canvas.Pen.GetColor()), c);
    for (int x = 0; x < 120; ++x) {
        EXPECT_EQ(s.At(x, 9), clWhite);
        EXPECT_EQ(s.At(x, 20), clWhite);
    }
    EXPECT_EQ(s.At(9, 15), clWhite);
    EXPECT_EQ(s.At(110, 15), clWhite);
}

TEST(GStuffFillRadiated, TallRectangleChangesColourOncePerStep)
{
    // 100 high: step 3, split 66.
    Surface s(30, 110);
    const TColor base = RGB(90, 150, 240);
    GStuff::FillRadiated(&s.canvas, TRect(0, 0, 20, 100), base);
    TColor c = base;
    std::vector<TColor> expected;
    for (int y = 0; y < 100; ++y) {
        expected.push_back(c);
        if (y % 3 == 0) c = GStuff::TintColor(c, y <= 66 ? 0.97 : 1.031);
    }
    for (int y = 0; y < 100; ++y) ASSERT_EQ(s.At(7, y), expected[y]) << "row " << y;
    EXPECT_EQ(s.At(1, 1), s.At(1, 2));
    EXPECT_EQ(s.At(1, 2), s.At(1, 3));
    EXPECT_NE(s.At(1, 3), s.At(1, 4));
    EXPECT_EQ(s.At(7, 100), clWhite);
    EXPECT_EQ(s.At(20, 50), clWhite);
}

TEST(GStuffFillRadiated, OnePixelHighStripStaysInside)
{
    Surface s(60, 10);
    GStuff::FillRadiated(&s.canvas, TRect(0, 3, 50, 4), RGB(10, 20, 30));
    EXPECT_EQ(s.At(0, 3), RGB(10, 20, 30));
    EXPECT_EQ(s.At(0, 4), clWhite);
    EXPECT_EQ(s.At(0, 2), clWhite);
}

TEST(GStuffDrawing, SelectionHandlesAreBlackCornerSquaresInside)
{
    Surface s(60, 60);
    s.canvas.Brush.SetColor(clRed);
    GStuff::DoSelectContent(&s.canvas, TRect(10, 10, 50, 40));
    for (TPoint p : {TPoint(10, 10), TPoint(14, 14), TPoint(45, 10), TPoint(49, 14), TPoint(10, 35),
                     TPoint(14, 39), TPoint(45, 35), TPoint(49, 39)})
        EXPECT_EQ(s.At(p.X, p.Y), clBlack) << p.X << "," << p.Y;
    for (TPoint p : {TPoint(15, 10), TPoint(10, 15), TPoint(44, 14), TPoint(50, 10), TPoint(49, 40),
                     TPoint(30, 25), TPoint(9, 9)})
        EXPECT_EQ(s.At(p.X, p.Y), clWhite) << p.X << "," << p.Y;
    EXPECT_EQ(s.canvas.Brush.GetColor(), clRed);
}

TEST(GStuffDrawing, BevelRectRaisedAndSunken)
{
    const TColor light = ColorToRGB(clBtnHighlight), dark = ColorToRGB(clBtnShadow);
    ASSERT_NE(light, dark);
    for (bool raised : {true, false}) {
        Surface s(40, 40);
        s.canvas.Pen.SetColor(clRed);
        GStuff::BevelRect(&s.canvas, TRect(5, 5, 25, 20), raised);
        const TColor first = raised ? light : dark, second = raised ? dark : light;
        EXPECT_EQ(s.At(5, 5), first);
        EXPECT_EQ(s.At(5, 19), first);  // left edge down to the bottom-left corner
        EXPECT_EQ(s.At(23, 5), first);  // top edge
        EXPECT_EQ(s.At(24, 5), second); // right edge from the top-right corner
        EXPECT_EQ(s.At(24, 19), second);
        EXPECT_EQ(s.At(6, 19), second); // bottom edge
        EXPECT_EQ(s.At(15, 12), clWhite);
        EXPECT_EQ(s.At(25, 12), clWhite);
        EXPECT_EQ(s.At(15, 20), clWhite);
        EXPECT_EQ(s.canvas.Pen.GetColor(), clRed);
    }
}

TEST(GStuffDrawing, RectangleHelpers)
{
    EXPECT_TRUE(GStuff::BigEnough(TRect(0, 0, 20, 10), 20, 10));
    EXPECT_FALSE(GStuff::BigEnough(TRect(0, 0, 19, 10), 20, 10));
    EXPECT_FALSE(GStuff::BigEnough(TRect(0, 0, 20, 9), 20, 10));
    EXPECT_EQ(GStuff::Fixrect(TRect(10, 20, 30, 40), 1, -2, 3, -4), TRect(11, 18, 33, 36));
}

TEST(GStuffDrawing, RotateFontKeepsFaceAndHeight)
{
    TFont font;
    font.SetName("DejaVu Sans");
    font.SetSize(12);
    font.SetStyle({fsBold, fsItalic});
    const int height = font.GetHeight();
    GStuff::RotateFont(&font, 90);
    EXPECT_EQ(font.GetEscapement(), 900);
    EXPECT_EQ(font.GetName(), "DejaVu Sans");
    EXPECT_EQ(font.GetHeight(), height);
    EXPECT_TRUE(font.GetStyle().Empty());
}

TEST(GStuffPlatform, PatternBrushesAreAvailable)
{
    EXPECT_TRUE(IsWinnt());
}
