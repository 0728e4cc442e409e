#include "skedra/foundation/GStuff.h"

#include <cmath>

#include "skedra/platform/Canvas.h"

namespace skedra {

namespace {

int TintChannel(int aChannel, double aFactor)
{
    const double v = aChannel * aFactor;
    if (!(v > 0)) return 0; // also a factor that is not a number
    if (v >= 255) return 255;
    return static_cast<int>(std::nearbyint(v));
}

} // namespace

void GStuff::FillRadiated(TCanvas* aCanvas, const TRect& aRect, TColor aColor)
{
    if (!aCanvas) return;
    aCanvas->Pen.SetColor(aColor);
    const int h = aRect.Height();
    if (h < 15 && aRect.Width() < 15) {
        aCanvas->Brush.SetColor(aColor);
        aCanvas->FillRect(aRect);
        return;
    }
    if (h <= 0 || aRect.Width() <= 0) return;
    const int step = h / 50 + 1;
    // Round(h * 0.66) reaches the bottom row for a one-pixel rectangle; never draw below it.
    const int split = std::min(static_cast<int>(std::nearbyint(h * 0.66)), h - 1);
    auto line = [&](int y, double factor) {
        aCanvas->MoveTo(aRect.Left, aRect.Top + y);
        aCanvas->LineTo(aRect.Right, aRect.Top + y);
        if (y % step == 0) aCanvas->Pen.SetColor(TintColor(aCanvas->Pen.GetColor(), factor));
    };
    for (int y = 0; y <= split; ++y) line(y, 0.97);
    for (int y = split + 1; y < h; ++y) line(y, 1.031);
}

TColor GStuff::TintColor(TColor aColor, double aFactor)
{
    const TColor c = ColorToRGB(aColor);
    return RGB(TintChannel(GetRValue(c), aFactor), TintChannel(GetGValue(c), aFactor),
               TintChannel(GetBValue(c), aFactor));
}

void GStuff::DoSelectContent(TCanvas* aCanvas, const TRect& aRect)
{
    if (!aCanvas) return;
    constexpr int kSize = 5;
    const TColor oldColor = aCanvas->Brush.GetColor();
    const TBrushStyle oldStyle = aCanvas->Brush.GetStyle();
    aCanvas->Brush.SetColor(clBlack);
    aCanvas->Brush.SetStyle(bsSolid);
    const TRect& r = aRect;
    aCanvas->FillRect(TRect(r.Left, r.Top, r.Left + kSize, r.Top + kSize));
    aCanvas->FillRect(TRect(r.Right - kSize, r.Top, r.Right, r.Top + kSize));
    aCanvas->FillRect(TRect(r.Left, r.Bottom - kSize, r.Left + kSize, r.Bottom));
    aCanvas->FillRect(TRect(r.Right - kSize, r.Bottom - kSize, r.Right, r.Bottom));
    aCanvas->Brush.SetColor(oldColor);
    aCanvas->Brush.SetStyle(oldStyle);
}

bool GStuff::BigEnough(const TRect& aRect, int aWidth, int aHeight)
{
    return aRect.Width() >= aWidth && aRect.Height() >= aHeight;
}

TRect GStuff::Fixrect(const TRect& aRect, int aLeft, int aTop, int aRight, int aBottom)
{
    return TRect(aRect.Left + aLeft, aRect.Top + aTop, aRect.Right + aRight, aRect.Bottom + aBottom);
}

void GStuff::BevelRect(TCanvas* aCanvas, const TRect& aRect, bool aRaised)
{
    if (!aCanvas) return;
    const TColor oldColor = aCanvas->Pen.GetColor();
    const int l = aRect.Left, t = aRect.Top, r = aRect.Right - 1, b = aRect.Bottom - 1;
    // Each polyline leaves out its last point, so every edge pixel is drawn once.
    aCanvas->Pen.SetColor(aRaised ? clBtnHighlight : clBtnShadow);
    aCanvas->Polyline({TPoint(l, b), TPoint(l, t), TPoint(r, t)});
    aCanvas->Pen.SetColor(aRaised ? clBtnShadow : clBtnHighlight);
    aCanvas->Polyline({TPoint(r, t), TPoint(r, b), TPoint(l, b)});
    aCanvas->Pen.SetColor(oldColor);
}

void GStuff::RotateFont(TFont* aFont, int anAngle)
{
    if (!aFont) return;
    const int height = aFont->GetHeight();
    aFont->SetStyle(TFontStyles());
    aFont->SetHeight(height);
    aFont->SetEscapement(anAngle * 10);
}

bool IsWinnt()
{
    return true;
}

} // namespace skedra
