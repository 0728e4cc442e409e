#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "skedra/platform/Bitmap.h"
#include "skedra/platform/Canvas.h"
#include "skedra/platform/Canvas_p.h"
#include "skedra/platform/Exceptions.h"

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

using namespace skedra;

namespace
{

// A white bitmap of the given size with a plain black pen and a white brush.
struct Surface {
    TBitmap bmp;
    TCanvas* c;
    Surface(int w = 40, int h = 30) : bmp(w, h), c(bmp.GetCanvas())
    {
        c->Brush.SetColor(clWhite);
        c->FillRect(Rect(0, 0, w, h));
        c->Pen.SetColor(clBlack);
    }
    TColor At(int x, int y) const { return FromQColor(QColor::fromRgb(bmp.Image().pixel(x, y))); }
    // Number of pixels of the given colour in the rectangle.
    int Count(TColor color, TRect r) const
    {
        int n = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x)
                if (At(x, y) == color) ++n;
        return n;
    }
    int Count(TColor color) const { return Count(color, Rect(0, 0, bmp.GetWidth(), bmp.GetHeight())); }
};

} // namespace

TEST(Canvas, FillRectLeavesOutRightAndBottomEdge)
{
    Surface s;
    s.c->Brush.SetColor(clRed);
    s.c->FillRect(Rect(2, 3, 7, 9));
    EXPECT_EQ(s.Count(clRed), 5 * 6);
    EXPECT_EQ(s.At(2, 3), clRed);
    EXPECT_EQ(s.At(6, 8), clRed);
    EXPECT_EQ(s.At(7, 8), clWhite);
    EXPECT_EQ(s.At(6, 9), clWhite);
    // An empty or reversed rectangle fills nothing; a clear brush neither.
    s.c->FillRect(Rect(10, 10, 10, 20));
    s.c->FillRect(Rect(20, 10, 15, 20));
    s.c->Brush.SetStyle(bsClear);
    s.c->FillRect(Rect(20, 20, 30, 30));
    EXPECT_EQ(s.Count(clRed), 30);
    // Giving a clear brush a colour (even its own) makes it solid again.
    s.c->Brush.SetColor(clRed);
    EXPECT_EQ(s.c->Brush.GetStyle(), bsSolid);
}

TEST(Canvas, LineToLeavesOutEndPixelAndPolylineTouchesCornersOnce)
{
    Surface s;
    s.c->MoveTo(2, 2);
    s.c->LineTo(12, 2);
    EXPECT_EQ(s.Count(clBlack), 10);
    EXPECT_EQ(s.At(11, 2), clBlack);
    EXPECT_EQ(s.At(12, 2), clWhite);
    EXPECT_EQ(s.c->GetPenPos(), Point(12, 2));
    // A diagonal: one pixel per step, end left out.
    s.c->MoveTo(0, 10);
    s.c->LineTo(8, 18);
    EXPECT_EQ(s.Count(clBlack, Rect(0, 10, 40, 30)), 8);
    EXPECT_EQ(s.At(7, 17), clBlack);
    EXPECT_EQ(s.At(8, 18), clWhite);

    // With an xor pen, a closed polyline inverts every pixel exactly once.
    Surface x;
    x.c->Pen.SetMode(pmNot);
    x.c->Polyline({Point(5, 5), Point(15, 5), Point(15, 15), Point(5, 15), Point(5, 5)});
    EXPECT_EQ(x.Count(clBlack), 40);
}

TEST(Canvas, RectangleCoversX1ToX2MinusOne)
{
    Surface s;
    s.c->Brush.SetColor(clBlue);
    s.c->Rectangle(2, 2, 12, 8);
    EXPECT_EQ(s.Count(clBlack), 2 * 10 + 2 * 4);
    EXPECT_EQ(s.Count(clBlue), 8 * 4);
    EXPECT_EQ(s.At(11, 7), clBlack);
    EXPECT_EQ(s.At(12, 7), clWhite);
    EXPECT_EQ(s.At(11, 8), clWhite);
    // A clear pen fills the whole rectangle with the brush.
    s.c->Pen.SetStyle(psClear);
    s.c->Rectangle(Rect(20, 20, 25, 23));
    EXPECT_EQ(s.Count(clBlue, Rect(20, 20, 40, 30)), 15);
    // FrameRect draws in the brush colour.
    s.c->Brush.SetColor(clRed);
    s.c->FrameRect(Rect(30, 2, 35, 6));
    EXPECT_EQ(s.Count(clRed), 2 * 5 + 2 * 2);
}

TEST(Canvas, InvertingDrawingTwiceRestoresEveryPixel)
{
    Surface s(60, 40);
    // Some content under the outlines.
    s.c->Brush.SetColor(RGB(10, 120, 200));
    s.c->FillRect(Rect(5, 5, 40, 30));
    s.c->Font.SetColor(clMaroon);
    s.c->Brush.SetStyle(bsClear);
    s.c->TextOut(8, 8, QStringLiteral("Ab"));
    const QImage before = s.bmp.ToImage();

    auto outlines = [&] {
        s.c->DrawFocusRect(Rect(3, 4, 50, 33));
        s.c->Pen.SetMode(pmNot);
        s.c->Pen.SetStyle(psDot);
        s.c->Brush.SetStyle(bsClear);
        s.c->Rectangle(1, 1, 45, 25);
        s.c->Pen.SetMode(pmXor);
        s.c->Pen.SetStyle(psSolid);
        s.c->Pen.SetColor(clWhite);
        s.c->MoveTo(0, 39);
        s.c->LineTo(59, 0);
        s.c->Brush.SetColor(clSilver);
        s.c->PatInvert(Rect(20, 0, 24, 40));
        s.c->Pen.SetMode(pmCopy);
        s.c->Pen.SetColor(clBlack);
    };
    outlines();
    const QImage once = s.bmp.ToImage();
    EXPECT_NE(once, before);
    // The focus frame marks every other pixel of its edge.
    int changedOnTop = 0;
    for (int x = 3; x < 50; ++x)
        if (once.pixel(x, 4) != before.pixel(x, 4)) ++changedOnTop;
    EXPECT_GE(changedOnTop, 20);
    EXPECT_LE(changedOnTop, 28);
    outlines();
    EXPECT_EQ(s.bmp.ToImage(), before);
}

TEST(Canvas, AFocusFrameFarLargerThanTheSurfaceMarksWhatShows)
{
    // Frames reaching hundreds of millions of pixels past the surface (an
    // item zoomed far in): the edges on the surface get every other pixel,
    // as a small frame would; the rest costs nothing.
    TBitmap b(40, 30);
    TCanvas* c = b.GetCanvas();
    c->Brush.SetColor(clBlack);
    c->FillRect(Rect(0, 0, 40, 30));
    const QImage before = b.ToImage();
    c->DrawFocusRect(Rect(-200000000, 5, 200000000, 300000000));  // only its top edge shows
    c->DrawFocusRect(Rect(10, -300000000, 300000000, 200000000)); // only its left edge shows
    const QImage after = b.ToImage();
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            bool flipped = false;
            if (y == 5 && (x + y) % 2 == 0) flipped = !flipped;
            if (x == 10 && (x + y) % 2 == 0) flipped = !flipped;
            EXPECT_EQ(after.pixel(x, y) != before.pixel(x, y), flipped) << x << ", " << y;
        }
}

TEST(Canvas, AStyledOutlineFarLargerThanTheSurfaceDrawsWhatShowsInPhase)
{
    // A dragged outline hundreds of millions of pixels long (an item far
    // off the window): the part on the surface is the same as that of a
    // short outline whose edges have the same lengths modulo the pattern
    // (dash-dot: 24 pixels), and the rest costs nothing.
    auto draw = [](const std::vector<TPoint>& points) {
        TBitmap b(60, 40);
        TCanvas* c = b.GetCanvas();
        c->Brush.SetColor(clBlack);
        c->FillRect(Rect(0, 0, 60, 40));
        c->Pen.SetMode(pmNot);
        c->Pen.SetStyle(psDashDot);
        c->Polyline(points);
        return b.ToImage();
    };
    const int far = 240000000; // a multiple of 24
    const QImage huge = draw({TPoint(-far + 3, 8), TPoint(far + 30, 8), TPoint(far + 30, far + 20),
                              TPoint(20, far + 20), TPoint(20, 8)});
    const QImage near = draw({TPoint(-45, 8), TPoint(78, 8), TPoint(78, 68), TPoint(20, 68), TPoint(20, 8)});
    QImage black(60, 40, near.format());
    black.fill(Qt::black);
    EXPECT_NE(near, black);
    EXPECT_EQ(huge, near);
}

TEST(Canvas, SlantedLinesFarLargerThanTheSurfaceDrawWhatShowsInPhase)
{
    // Slanted dotted and solid lines across the whole coordinate range: the
    // part on the surface equals that of short lines with the same slopes whose
    // lengths to the surface are equal modulo the pattern (dot: 6 pixels).
    auto draw = [](const std::vector<std::pair<TPoint, TPoint>>& lines) {
        TBitmap b(60, 40);
        TCanvas* c = b.GetCanvas();
        c->Brush.SetColor(clBlack);
        c->FillRect(Rect(0, 0, 60, 40));
        c->Pen.SetColor(clWhite);
        for (const auto& [from, to] : lines) {
            c->Pen.SetStyle(from.X % 2 == 0 ? psDot : psSolid);
            c->Polyline({from, to});
        }
        return b.ToImage();
    };
    const int far = 600000000; // a multiple of 6; twice it still fits an int
    const QImage huge = draw({{TPoint(-2 * far, -far), TPoint(2 * far, far)},
                              {TPoint(-far + 10, -2 * far), TPoint(far + 10, 2 * far)},
                              {TPoint(-far + 1, far + 30), TPoint(far + 1, -far + 30)}});
    const QImage near = draw({{TPoint(-120, -60), TPoint(240, 120)},
                              {TPoint(-60 + 10, -120), TPoint(60 + 10, 120)},
                              {TPoint(-59, 90), TPoint(61, -30)}});
    QImage black(60, 40, near.format());
    black.fill(Qt::black);
    EXPECT_NE(near, black);
    EXPECT_EQ(huge, near);
}

TEST(Canvas, PatternBrushTilesTheBitmap)
{
    TBitmap pattern(2, 2);
    TCanvas* pc = pattern.GetCanvas();
    pc->SetPixel(0, 0, clBlack);
    pc->SetPixel(1, 1, clBlack);
    pc->SetPixel(1, 0, clWhite);
    pc->SetPixel(0, 1, clWhite);
    Surface s;
    s.c->Brush.SetBitmap(&pattern);
    s.c->FillRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(s.Count(clBlack, Rect(0, 0, 10, 10)), 50);
    EXPECT_EQ(s.At(0, 0), clBlack);
    EXPECT_EQ(s.At(1, 0), clWhite);
    EXPECT_EQ(s.At(3, 3), clBlack);
    // Xor-ing the pattern twice leaves the picture as it was.
    const QImage before = s.bmp.ToImage();
    s.c->PatInvert(Rect(3, 3, 20, 20));
    EXPECT_NE(s.bmp.ToImage(), before);
    s.c->PatInvert(Rect(3, 3, 20, 20));
    EXPECT_EQ(s.bmp.ToImage(), before);
    // Taking the bitmap away returns to the plain colour.
    s.c->Brush.SetBitmap(nullptr);
    s.c->Brush.SetColor(clGreen);
    s.c->FillRect(Rect(0, 0, 4, 4));
    EXPECT_EQ(s.Count(clGreen), 16);
}

TEST(Canvas, PixelsAndCopyRect)
{
    Surface s;
    s.c->SetPixel(3, 4, clRed);
    EXPECT_EQ(s.c->GetPixel(3, 4), clRed);
    EXPECT_EQ(s.c->Pixels(4, 4), clWhite);
    EXPECT_EQ(s.c->GetPixel(-1, 4), clNone);

    Surface t;
    t.c->CopyRect(Rect(10, 10, 20, 20), s.c, Rect(0, 0, 10, 10));
    EXPECT_EQ(t.At(13, 14), clRed);
    EXPECT_EQ(t.Count(clRed), 1);
    // Stretching doubles the pixel.
    t.c->CopyRect(Rect(20, 0, 40, 20), s.c, Rect(0, 0, 10, 10));
    EXPECT_EQ(t.Count(clRed, Rect(20, 0, 40, 20)), 4);
    EXPECT_EQ(t.At(26, 8), clRed);
    EXPECT_EQ(t.At(27, 9), clRed);
    // Copying within one canvas works on a snapshot of the source.
    s.c->CopyRect(Rect(4, 4, 14, 14), s.c, Rect(3, 3, 13, 13));
    EXPECT_EQ(s.At(4, 5), clRed);
}

TEST(Canvas, TextOutUsesFontColourAndOpaqueBrush)
{
    Surface s(100, 40);
    s.c->Font.SetColor(clBlue);
    s.c->Brush.SetColor(clYellow);
    const QString text = QStringLiteral("Hello");
    s.c->TextOut(5, 5, text);
    const TSize ext = s.c->TextExtent(text);
    EXPECT_GT(ext.cx, 10);
    EXPECT_GT(ext.cy, 5);
    EXPECT_EQ(s.c->GetPenPos(), Point(5 + ext.cx, 5));
    // The background of the text cell is the brush colour, nothing outside it.
    EXPECT_EQ(s.At(5, 5), clYellow);
    EXPECT_EQ(s.At(4, 5), clWhite);
    EXPECT_EQ(s.At(5 + ext.cx, 5), clWhite);
    EXPECT_EQ(s.At(5, 5 + ext.cy), clWhite);
    int blueish = 0;
    for (int y = 5; y < 5 + ext.cy; ++y)
        for (int x = 5; x < 5 + ext.cx; ++x) {
            const QColor c = QColor::fromRgb(s.bmp.Image().pixel(x, y));
            if (c.blue() > 150 && c.red() < 100) ++blueish;
        }
    EXPECT_GT(blueish, 15);
    // A clear brush leaves the background.
    Surface t(100, 40);
    t.c->Brush.SetStyle(bsClear);
    t.c->TextOut(5, 5, text);
    EXPECT_EQ(t.Count(clYellow), 0);
    EXPECT_EQ(t.At(5, 5), clWhite);
}

TEST(Canvas, FontSizeIsPixelsAt96Dpi)
{
    TFont f;
    f.SetSize(9);
    EXPECT_EQ(f.GetHeight(), -12);
    EXPECT_EQ(f.Handle().pixelSize(), 12);
    f.SetHeight(-16);
    EXPECT_EQ(f.GetSize(), 12);
    EXPECT_EQ(f.Handle().pixelSize(), 16);
    int changes = 0;
    f.OnChange = [&](TObject*) { ++changes; };
    f.SetStyle({fsBold, fsItalic});
    EXPECT_TRUE(f.Handle().bold());
    EXPECT_TRUE(f.Handle().italic());
    TFont g;
    g.Assign(f);
    EXPECT_TRUE(g == f);
    f.SetColor(clRed);
    f.SetColor(clRed);
    EXPECT_EQ(changes, 2);
}

TEST(Canvas, RotatedTextRunsUpwards)
{
    Surface s(60, 120);
    s.c->Font.SetSize(12);
    s.c->Font.SetOrientation(900);
    s.c->Brush.SetStyle(bsClear);
    const QString text = QStringLiteral("Vertical");
    const int w = s.c->TextWidth(text);
    s.c->TextOut(10, 110, text);
    // Drawn above the origin, in a column about one line high.
    int top = 1000, bottom = -1, left = 1000, right = -1;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 60; ++x)
            if (s.At(x, y) != clWhite) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                left = std::min(left, x);
                right = std::max(right, x);
            }
    EXPECT_LE(bottom, 110);
    EXPECT_NEAR(bottom - top + 1, w, 4);
    EXPECT_GE(left, 10);
    EXPECT_LT(right - left, s.c->TextHeight(text) + 1);
}

TEST(Canvas, DrawTextAlignsBreaksAndEllipsizes)
{
    Surface s(200, 100);
    TCanvas* c = s.c;
    c->Brush.SetStyle(bsClear);
    c->Font.SetColor(clBlack);
    const int lh = c->TextHeight(QStringLiteral("X"));
    auto inkBounds = [&](TRect area) {
        TRect r(1000, 1000, -1, -1);
        for (int y = area.Top; y < area.Bottom; ++y)
            for (int x = area.Left; x < area.Right; ++x)
                if (s.At(x, y) != clWhite) {
                    r.Left = std::min(r.Left, x);
                    r.Top = std::min(r.Top, y);
                    r.Right = std::max(r.Right, x + 1);
                    r.Bottom = std::max(r.Bottom, y + 1);
                }
        return r;
    };
    // Right alignment puts the ink against the right edge; centre in the middle.
    EXPECT_EQ(DrawText(c, QStringLiteral("Word"), Rect(0, 0, 200, 20), DT_RIGHT | DT_SINGLELINE), lh);
    TRect ink = inkBounds(Rect(0, 0, 200, 20));
    EXPECT_GE(ink.Right, 195);
    EXPECT_GT(ink.Left, 150);
    s.c->Brush.SetStyle(bsSolid);
    s.c->FillRect(Rect(0, 0, 200, 100));
    c->Brush.SetStyle(bsClear);
    DrawText(c, QStringLiteral("Word"), Rect(0, 0, 200, 40), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    ink = inkBounds(Rect(0, 0, 200, 40));
    EXPECT_NEAR((ink.Left + ink.Right) / 2, 100, 3);
    EXPECT_NEAR((ink.Top + ink.Bottom) / 2, 20, 4);

    // Word break: three words in a narrow box become lines; CALCRECT measures them.
    TRect calc(0, 0, c->TextWidth(QStringLiteral("alpha beta")) + 2, 0);
    const int h = DrawText(c, QStringLiteral("alpha beta gamma"), calc, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_EQ(h, 2 * lh);
    EXPECT_EQ(calc.Bottom, 2 * lh);
    EXPECT_EQ(calc.Right, c->TextWidth(QStringLiteral("alpha beta")));
    TRect lines(0, 0, 200, 0);
    EXPECT_EQ(DrawText(c, QStringLiteral("one\ntwo\nthree"), lines, DT_CALCRECT), 3 * lh);
    EXPECT_EQ(DrawText(c, QStringLiteral("one\ntwo"), lines, DT_CALCRECT | DT_SINGLELINE), lh);

    // An ellipsis keeps the text inside the rectangle; without one it is clipped.
    s.c->Brush.SetStyle(bsSolid);
    s.c->FillRect(Rect(0, 0, 200, 100));
    c->Brush.SetStyle(bsClear);
    const QString longText = QStringLiteral("A rather long text that does not fit");
    DrawText(c, longText, Rect(10, 50, 70, 70), DT_END_ELLIPSIS | DT_SINGLELINE);
    ink = inkBounds(Rect(0, 40, 200, 100));
    EXPECT_GE(ink.Left, 10);
    EXPECT_LE(ink.Right, 70);
    DrawText(c, longText, Rect(10, 80, 70, 100), DT_SINGLELINE);
    EXPECT_LE(inkBounds(Rect(0, 75, 200, 100)).Right, 70);
    // Prefix characters are not drawn; "&&" is one ampersand.
    TRect pr(0, 0, 200, 0);
    DrawText(c, QStringLiteral("&File"), pr, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(pr.Width(), c->TextWidth(QStringLiteral("File")));
    DrawText(c, QStringLiteral("&File"), pr, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(pr.Width(), c->TextWidth(QStringLiteral("&File")));
}

TEST(Canvas, ClipRectAndUnboundCanvas)
{
    Surface s(40, 30);
    EXPECT_EQ(s.c->GetClipRect(), Rect(0, 0, 40, 30));
    s.c->GetPainter()->save();
    s.c->IntersectClipRect(Rect(5, 5, 20, 50));
    EXPECT_EQ(s.c->GetClipRect(), Rect(5, 5, 20, 30));
    s.c->Brush.SetColor(clRed);
    s.c->FillRect(Rect(0, 0, 40, 30));
    EXPECT_EQ(s.Count(clRed), 15 * 25);
    s.c->GetPainter()->restore();

    TCanvas unbound;
    EXPECT_THROW(unbound.FillRect(Rect(0, 0, 5, 5)), Exception);
    EXPECT_EQ(unbound.TextWidth(QString()), 0);
    // An empty bitmap draws nothing and raises nothing.
    TBitmap empty;
    EXPECT_NO_THROW(empty.GetCanvas()->FillRect(Rect(0, 0, 5, 5)));
}

TEST(Bitmap, SetSizeKeepsPixelsAndTheSameCanvas)
{
    TBitmap b(10, 10);
    TCanvas* c = b.GetCanvas();
    c->Brush.SetColor(clRed);
    c->FillRect(Rect(0, 0, 10, 10));
    b.SetSize(20, 5);
    EXPECT_EQ(b.GetWidth(), 20);
    EXPECT_EQ(b.GetHeight(), 5);
    EXPECT_EQ(b.GetCanvas(), c);
    EXPECT_EQ(FromQColor(QColor::fromRgb(b.Image().pixel(9, 4))), clRed);
    EXPECT_EQ(FromQColor(QColor::fromRgb(b.Image().pixel(10, 4))), clWhite);
    // The canvas keeps its state and draws on the new pixels without asking again.
    c->FillRect(Rect(15, 0, 20, 5));
    EXPECT_EQ(FromQColor(QColor::fromRgb(b.Image().pixel(19, 4))), clRed);
    b.SetSize(-3, 4);
    EXPECT_TRUE(b.Empty());
    TBitmap copy;
    b.SetSize(3, 3);
    copy.Assign(&b);
    EXPECT_EQ(copy.GetWidth(), 3);
}

TEST(Canvas, TextRectClipsAndWidePensAndEllipses)
{
    Surface s(120, 40);
    s.c->Brush.SetColor(clYellow);
    s.c->Font.SetColor(clBlack);
    s.c->TextRect(Rect(10, 5, 30, 25), 10, 5, QStringLiteral("A long clipped text"));
    // The rectangle is filled; nothing is drawn outside it.
    EXPECT_EQ(s.At(10, 5), clYellow);
    EXPECT_EQ(s.At(29, 24), clYellow);
    for (int y = 0; y < 40; ++y)
        for (int x = 30; x < 120; ++x)
            ASSERT_EQ(s.At(x, y), clWhite) << x << "," << y;

    Surface w(60, 40);
    w.c->Pen.SetWidth(3);
    w.c->Brush.SetStyle(bsClear);
    w.c->Rectangle(10, 10, 40, 30);
    EXPECT_EQ(w.At(10, 20), clBlack);
    EXPECT_EQ(w.At(39, 20), clBlack);
    EXPECT_EQ(w.At(25, 20), clWhite);
    EXPECT_EQ(w.At(25, 10), clBlack);

    Surface e(60, 40);
    e.c->Brush.SetColor(clRed);
    e.c->Ellipse(10, 10, 50, 30);
    EXPECT_EQ(e.At(30, 20), clRed);
    EXPECT_EQ(e.At(10, 10), clWhite);
    EXPECT_EQ(e.At(30, 10), clBlack);
    EXPECT_EQ(e.At(30, 30), clWhite);
}

TEST(Bitmap, AtRatioTwoDrawingIsInLogicalPixelsRenderedAtDevicePixels)
{
    TBitmap b(30, 20);
    b.SetDevicePixelRatio(2);
    EXPECT_EQ(b.GetWidth(), 30);
    EXPECT_EQ(b.GetHeight(), 20);
    EXPECT_EQ(b.Image().size(), QSize(60, 40));
    EXPECT_EQ(b.Image().devicePixelRatio(), 2);
    TCanvas* c = b.GetCanvas();
    c->Brush.SetColor(clWhite);
    c->FillRect(Rect(0, 0, 30, 20));
    auto at = [&](int x, int y) { return FromQColor(QColor::fromRgb(b.Image().pixel(x, y))); };

    // A one-pixel line covers two device pixels across, its end pixel left out.
    c->Pen.SetColor(clBlack);
    c->MoveTo(5, 2);
    c->LineTo(5, 12);
    EXPECT_EQ(at(9, 10), clWhite);
    EXPECT_EQ(at(10, 10), clBlack);
    EXPECT_EQ(at(11, 10), clBlack);
    EXPECT_EQ(at(12, 10), clWhite);
    EXPECT_EQ(at(10, 23), clBlack);
    EXPECT_EQ(at(10, 24), clWhite);
    // Pixels are read in logical coordinates.
    EXPECT_EQ(c->GetPixel(5, 11), clBlack);
    EXPECT_EQ(c->GetPixel(6, 11), clWhite);
    EXPECT_EQ(c->GetClipRect(), Rect(0, 0, 30, 20));

    // Inverting outlines drawn twice leave every device pixel as it was.
    c->Font.SetColor(clNavy);
    c->Brush.SetStyle(bsClear);
    c->TextOut(8, 4, QStringLiteral("Ag"));
    const QImage before = b.ToImage();
    auto outlines = [&] {
        c->DrawFocusRect(Rect(1, 1, 25, 15));
        c->Pen.SetMode(pmNot);
        c->Pen.SetStyle(psDot);
        c->Polyline({TPoint(2, 2), TPoint(2, 17), TPoint(27, 17), TPoint(27, 2), TPoint(2, 2)});
        c->Pen.SetStyle(psSolid);
        c->MoveTo(0, 19);
        c->LineTo(29, 0);
        c->Pen.SetMode(pmCopy);
        c->InvertRect(Rect(20, 3, 24, 9));
    };
    outlines();
    EXPECT_NE(b.ToImage(), before);
    outlines();
    EXPECT_EQ(b.ToImage(), before);

    // A copy between bitmaps of the same ratio is pixel for pixel, at logical places.
    TBitmap target(30, 20);
    target.SetDevicePixelRatio(2);
    target.GetCanvas()->CopyRect(Rect(0, 0, 30, 20), c, Rect(0, 0, 30, 20));
    EXPECT_EQ(target.ToImage(), before);
    target.GetCanvas()->CopyRect(Rect(10, 0, 20, 20), c, Rect(0, 0, 10, 20));
    EXPECT_EQ(target.Image().copy(20, 0, 20, 40), before.copy(0, 0, 20, 40));

    // A new ratio reallocates the pixels; the logical size stays.
    b.SetDevicePixelRatio(1);
    EXPECT_EQ(b.Image().size(), QSize(30, 20));
    EXPECT_EQ(b.GetWidth(), 30);
    b.SetDevicePixelRatio(1.5);
    EXPECT_EQ(b.Image().size(), QSize(45, 30));
    b.SetSize(31, 20);
    EXPECT_EQ(b.Image().width(), 47);
    EXPECT_EQ(b.GetWidth(), 31);
    TBitmap loaded;
    loaded.LoadFromImage(target.Image());
    EXPECT_EQ(loaded.GetWidth(), 30);
    EXPECT_EQ(loaded.GetDevicePixelRatio(), 2);
}

namespace
{

// The reference: Qt's stroker drawing the wide pen straight onto the image.
QImage StrokedDirectly(QSize aSize, const QTransform& aTransform, const std::vector<QPoint>& pts, bool closed,
                       int width)
{
    QImage image(aSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setTransform(aTransform);
    p.setPen(QPen(Qt::darkRed, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    if (closed)
        p.drawPolygon(pts.data(), static_cast<int>(pts.size()));
    else
        p.drawPolyline(pts.data(), static_cast<int>(pts.size()));
    return image;
}

QImage StrokedByCanvas(QSize aSize, const QTransform& aTransform, const std::vector<QPoint>& pts, bool closed,
                       int width)
{
    QImage image(aSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setTransform(aTransform);
    TCanvas c(&p);
    c.Pen.SetColor(FromQColor(QColor(Qt::darkRed)));
    c.Pen.SetWidth(width);
    c.Brush.SetStyle(bsClear);
    std::vector<TPoint> points;
    for (const QPoint& q : pts)
        points.emplace_back(q.x(), q.y());
    if (closed)
        c.Polygon(points);
    else
        c.Polyline(points);
    c.SetPainter(nullptr);
    return image;
}

} // namespace

// Wide pens fill runs kept per shape: at every position, clipped or not, under
// a shift or a scale, the pixels are those Qt's stroker draws.
TEST(Canvas, WidePenStrokesAreTheStrokersPixelsAtEveryPosition)
{
    std::mt19937 rng(5);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const QSize size(160, 70);
    const QTransform shifts[] = {QTransform(), QTransform::fromTranslate(7, -3), QTransform::fromScale(2, 2)};
    std::vector<std::vector<QPoint>> shapes;
    // Waves of one period (as the time items draw them), rhombi, lines, random zigzags.
    for (int k = 0; k < 12; ++k) {
        const int w = pick(5, 120), h = pick(1, 30);
        std::vector<QPoint> wave;
        for (int i = 1; i <= 20; ++i)
            wave.emplace_back(
                static_cast<int>(std::lround(w * i / 20.0)),
                static_cast<int>(std::lround(std::sin(2 * std::numbers::pi * i / 20.0) * h / 2.0)));
        shapes.push_back(wave);
        shapes.push_back({{0, h / 2}, {w / 2, 0}, {w, h / 2}, {w / 2, h}, {0, h / 2}});
        shapes.push_back({{0, 0}, {w, 0}});
        std::vector<QPoint> zigzag;
        for (int i = pick(2, 6); i > 0; --i)
            zigzag.emplace_back(pick(-40, 40), pick(-20, 20));
        shapes.push_back(zigzag);
    }
    int cases = 0;
    for (const std::vector<QPoint>& shape : shapes) {
        const int width = pick(2, 5);
        const bool closed = pick(0, 3) == 0;
        // The same shape at several places: made once, then taken from what was kept.
        for (int place = 0; place < 3; ++place) {
            std::vector<QPoint> pts = shape;
            const QPoint at(pick(-60, 170), pick(-20, 80));
            for (QPoint& q : pts)
                q += at;
            const QTransform& t = shifts[pick(0, 2)];
            ASSERT_EQ(StrokedByCanvas(size, t, pts, closed, width),
                      StrokedDirectly(size, t, pts, closed, width))
                << "shape " << cases << " at " << at.x() << "," << at.y() << " width " << width;
            ++cases;
        }
    }
    EXPECT_GT(detail::StrokeRunShapes(), 0);
    // However many shapes pass, only a bounded number is kept.
    for (int i = 0; i < 1500; ++i)
        StrokedByCanvas(QSize(8, 8), QTransform(), {{0, 0}, {i + 1, 1}}, false, 3);
    EXPECT_LE(detail::StrokeRunShapes(), 1024);
}
