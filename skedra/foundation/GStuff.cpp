#include "skedra/foundation/GStuff.h"

#include <QCoreApplication>
#include <cmath>
#include <memory>

#include "skedra/platform/Bitmap.h"
#include "skedra/platform/Canvas.h"
#include "skedra/platform/Controls.h"
#include "skedra/platform/DeviceContext.h"
#include "skedra/platform/ImageList.h"
#include "skedra/platform/Menus.h"

namespace skedra
{

namespace
{

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
    for (int y = 0; y <= split; ++y)
        line(y, 0.97);
    for (int y = split + 1; y < h; ++y)
        line(y, 1.031);
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

void GStuff::CreateMenuOptions(TPopupMenu* aMenu, const QStringList& aStrings, const TNotifyEvent& aOnClick,
                               int aDefault, bool aAddCancel)
{
    if (!aMenu) return;
    TMenuItem* root = aMenu->GetItems();
    for (int i = 0; i < aStrings.size(); ++i) {
        TMenuItem* item = root->Add(aStrings[i], aOnClick);
        if (i == aDefault) item->SetDefault(true);
    }
    if (aAddCancel) {
        root->Add(cLineCaption);
        root->Add(QStringLiteral("Avbryt"));
    }
}

int GStuff::UserOptionStrings(TControl* aControl, int x, int y, const QStringList& aStrings, int aDefault)
{
    TPopUpHandler handler;
    TPopUpHandler::PickedIndex() = -1;
    {
        auto menu = std::make_unique<TPopupMenu>();
        menu->setObjectName(QStringLiteral("GStuffUserOptionsMenu"));
        CreateMenuOptions(menu.get(), aStrings, MakeMethod<&TPopUpHandler::Click>(&handler), aDefault, true);
        const TPoint at = aControl ? aControl->ClientToScreen(TPoint(x, y)) : TPoint(x, y);
        menu->Popup(at.X, at.Y);
        // The click of the chosen item arrives as a posted message.
        QCoreApplication::processEvents();
        menu->GetItems()->Clear();
    }
    const int picked = TPopUpHandler::PickedIndex();
    TPopUpHandler::PickedIndex() = -1;
    return picked;
}

int GStuff::UserOption(TControl* aControl, int x, int y, std::span<const QString> anOptions, int aDefault)
{
    QStringList strings;
    strings.reserve(static_cast<qsizetype>(anOptions.size()));
    for (const QString& s : anOptions)
        strings.append(s);
    return UserOptionStrings(aControl, x, y, strings, aDefault);
}

void TPopUpHandler::Click(TObject* Sender)
{
    if (const auto* item = dynamic_cast<const TMenuItem*>(Sender)) PickedIndex() = item->GetMenuIndex();
}

int& TPopUpHandler::PickedIndex()
{
    static int picked = -1;
    return picked;
}

void PrintBitmap(TCanvas* aCanvas, const TRect& aRect, TBitmap* aBitmap)
{
    // Device-independent bits stretched with a plain copy: what printer canvases accept.
    StretchDIBits(aCanvas, aRect, aBitmap);
}

void PrintBitmap_ImageList(TCanvas* aCanvas, const TRect& aRect, TCustomImageList* anImageList, int anIndex)
{
    if (!aCanvas || !anImageList) return;
    TBitmap bitmap;
    if (anImageList->GetBitmap(anIndex, &bitmap)) PrintBitmap(aCanvas, aRect, &bitmap);
}

bool IsWinnt()
{
    return true;
}

} // namespace skedra
