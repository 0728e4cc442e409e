#include "skedra/gantt/TimeDraw.h"

#include <array>
#include <cmath>
#include <span>
#include <numbers>

#include "skedra/foundation/GStuff.h"
#include "skedra/platform/Canvas.h"
#include "skedra/platform/ImageList.h"

namespace skedra
{

namespace
{

// Filled with aColor and framed black.
void FilledFramed(TCanvas* c, const TRect& r, TColor aColor)
{
    c->Brush.SetColor(aColor);
    c->FillRect(r);
    c->Pen.SetColor(clBlack);
    c->Brush.SetColor(clBlack);
    c->FrameRect(r);
}

// A downward triangle under the span's bar: filled in the pen colour row by
// row from the bottom of the box up, its slanted edges black, its tip two
// pixels below the box.
void Foot(TCanvas* c, TColor aColor, int x0, int y0, int x1, int y1, int anOffset)
{
    const int bottom = y1 + 2;
    const int xc = x0 + (x1 - x0) / 2 + anOffset;
    int g = -1;
    c->Pen.SetColor(aColor);
    for (int y = bottom - 1; y >= y0 - 1; --y) {
        ++g;
        c->MoveTo(xc - g, y);
        c->LineTo(xc + g, y);
    }
    c->Pen.SetColor(clBlack);
    c->MoveTo(xc - g, y0);
    c->LineTo(xc, bottom);
    c->MoveTo(xc + g - 1, y0);
    c->LineTo(xc - 1, bottom);
}

} // namespace

void TqvTimeDraw::W95Safe(const TRect& aRect, TRect& aSafeRect)
{
    aSafeRect = aRect;
    if (aRect.Left < -500 && aRect.Right > 2000) {
        aSafeRect.Left = -500;
        aSafeRect.Right = 2000;
    }
}

void TqvTimeDraw::DrawTime(TColor aColor, const TRect& aRect, TCanvas* aCanvas)
{
    TRect s;
    W95Safe(aRect, s);
    FilledFramed(aCanvas, s, aColor);
}

void TqvTimeDraw::DrawPipe(TColor aColor, const TRect& aRect, TCanvas* aCanvas)
{
    TRect s;
    W95Safe(aRect, s);
    GStuff::FillRadiated(aCanvas, s, aColor);
}

void TqvTimeDraw::CoolOutline(TColor aColor, const TRect& aRect, double aPrintScale, TCanvas* aCanvas)
{
    int bar = 4, footHeight = 3, footWidth = 5, footOffset = 3;
    if (aPrintScale != 1.0) {
        bar = RoundPixel(aPrintScale * bar);
        footHeight = RoundPixel(aPrintScale * footHeight);
        footWidth = RoundPixel(aPrintScale * footWidth);
        footOffset = RoundPixel(aPrintScale * footOffset);
    }
    TRect s;
    W95Safe(aRect, s);
    FilledFramed(aCanvas, TRect(s.Left, s.Top, s.Right, s.Top + bar), aColor);
    const int y0 = s.Top + bar;
    Foot(aCanvas, aColor, s.Left, y0, s.Left + footWidth, y0 + footHeight, footOffset);
    Foot(aCanvas, aColor, s.Right - footWidth, y0, s.Right, y0 + footHeight, -footOffset);
}

void TqvTimeDraw::LineOutline(TColor aColor, const TRect& aRect, bool aWithEnds, TCanvas* aCanvas)
{
    TRect s;
    W95Safe(aRect, s);
    const int m = s.Top + (s.Bottom - s.Top) / 2;
    aCanvas->Pen.SetColor(aColor);
    aCanvas->Pen.SetWidth(3);
    aCanvas->MoveTo(s.Left, m);
    aCanvas->LineTo(s.Right - 1, m);
    aCanvas->Pen.SetWidth(1);
    aCanvas->Brush.SetColor(clBlack);
    aCanvas->FrameRect(TRect(s.Left, m - 2, s.Right, m + 2));
    if (aWithEnds) {
        aCanvas->FrameRect(TRect(s.Left, s.Top, s.Left + 2, s.Bottom));
        aCanvas->FrameRect(TRect(s.Right - 2, s.Top, s.Right, s.Bottom));
    }
}

void TqvTimeDraw::WaveOutline(TColor aColor, const TRect& aRect, TCanvas* aCanvas)
{
    const int h = aRect.Height();
    const int m = aRect.Top + h / 2;
    const int w = aRect.Width();
    aCanvas->Pen.SetColor(aColor);
    aCanvas->Pen.SetWidth(3);
    // A segment to P(i) is drawn only when P(i) lies right of the point before
    // it (starting from the right edge, so never for P(1)). Runs of joined
    // segments are stroked as one line each: one wide stroke instead of twenty.
    std::array<TPoint, 21> run;
    size_t count = 0;
    auto flush = [&] {
        if (count > 1) aCanvas->Polyline(std::span<const TPoint>(run.data(), count));
        count = 0;
    };
    TPoint previous(aRect.Right, m);
    for (int i = 1; i <= 20; ++i) {
        const TPoint p(aRect.Left + RoundPixel(w * i / 20.0),
                       m + RoundPixel(std::sin(2 * std::numbers::pi * i / 20.0) * h / 2.0));
        if (p.X > previous.X) {
            if (count == 0) run[count++] = previous;
            run[count++] = p;
        } else {
            flush();
        }
        previous = p;
    }
    flush();
    aCanvas->Pen.SetWidth(1);
}

void TqvTimeDraw::RombOutline(TColor aColor, const TRect& aRect, TCanvas* aCanvas)
{
    const int m = aRect.Top + aRect.Height() / 2;
    const int xc = aRect.Left + aRect.Width() / 2;
    aCanvas->Pen.SetColor(aColor);
    aCanvas->Pen.SetWidth(3);
    aCanvas->Polyline({TPoint(aRect.Left, m), TPoint(xc, aRect.Top), TPoint(aRect.Right, m),
                       TPoint(xc, aRect.Bottom), TPoint(aRect.Left, m)});
    aCanvas->Pen.SetWidth(1);
}

void TqvTimeDraw::DrawImage(TCustomImageList* anImageList, int anIndex, bool aPrinting, TCanvas* aCanvas,
                            const TRect& aRect)
{
    // An index outside the list draws nothing (never reads past the list).
    if (anImageList == nullptr || anIndex < 0 || anIndex >= anImageList->Count()) return;
    if (aPrinting)
        PrintBitmap_ImageList(aCanvas,
                              TRect(aRect.Left, aRect.Top, aRect.Left + aRect.Height(), aRect.Bottom),
                              anImageList, anIndex);
    else
        anImageList->Draw(aCanvas, aRect.Left, aRect.Top, anIndex, true);
}

void TqvTimeDraw::DrawTimeHollow(TColor aColor, const TRect& aRect, TCanvas* aCanvas)
{
    TRect s;
    W95Safe(aRect, s);
    aCanvas->Pen.SetColor(aColor);
    aCanvas->Pen.SetWidth(2);
    aCanvas->MoveTo(s.Left, s.Top);
    aCanvas->LineTo(s.Right, s.Top);
    aCanvas->LineTo(s.Right, s.Bottom);
    aCanvas->LineTo(s.Left, s.Bottom);
    aCanvas->LineTo(s.Left, s.Top);
    aCanvas->Pen.SetWidth(1);
    aCanvas->Pen.SetColor(clBlack);
    aCanvas->Brush.SetColor(clBlack);
    aCanvas->FrameRect(s);
}

void TqvTimeDraw::DoSelectContent(const TRect& aRect, TColor aColor, TCanvas* aCanvas)
{
    constexpr int kMark = 5;
    const TRect& r = aRect;
    aCanvas->Brush.SetColor(aColor);
    aCanvas->FillRect(TRect(r.Left, r.Top, r.Left + kMark, r.Top + kMark));
    aCanvas->FillRect(TRect(r.Right - kMark, r.Top, r.Right, r.Top + kMark));
    aCanvas->FillRect(TRect(r.Left, r.Bottom - kMark, r.Left + kMark, r.Bottom));
    aCanvas->FillRect(TRect(r.Right - kMark, r.Bottom - kMark, r.Right, r.Bottom));
}

void TqvTimeDraw::DrawShape(int aStyle, TColor aColor, const TRect& aRect, TCanvas* aCanvas,
                            double aPrintScaleY, bool aPrinting, TCustomImageList* anImageList,
                            int anImageIndex)
{
    switch (aStyle & kGantTimeStyleMask) {
    case gtsSquare:
        DrawTime(aColor, aRect, aCanvas);
        break;
    case gtsSpan:
        CoolOutline(aColor, aRect, aPrintScaleY, aCanvas);
        break;
    case gtsLine:
        LineOutline(aColor, aRect, false, aCanvas);
        break;
    case gtsLineWEnd:
        LineOutline(aColor, aRect, true, aCanvas);
        break;
    case gtsWave:
        WaveOutline(aColor, aRect, aCanvas);
        break;
    case gtsRomb:
        RombOutline(aColor, aRect, aCanvas);
        break;
    case gtsImage:
        DrawImage(anImageList, anImageIndex, aPrinting, aCanvas, aRect);
        break;
    case gtsPipe:
        DrawPipe(aColor, aRect, aCanvas);
        break;
    default:
        break; // gtsUser is the chart's event; other values draw no shape
    }
}

} // namespace skedra
