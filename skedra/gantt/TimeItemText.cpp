#include "skedra/gantt/TimeItemText.h"

#include <QScopeGuard>

#include "skedra/platform/Canvas.h"
#include "skedra/platform/TextLayoutCache.h"

namespace skedra
{

TqvTimeItemText* TqvTimeItemTextCollection::AddText(const QString& aText, int aX, int aY, int aStyle)
{
    return AddTextEx(aText, aX, aY, aStyle, trpInside, trpInside);
}

TqvTimeItemText* TqvTimeItemTextCollection::AddTextEx(const QString& aText, int aX, int aY, int aStyle,
                                                      TTextRectPlace aHorzPlace, TTextRectPlace aVertPlace)
{
    auto text = std::make_unique<TqvTimeItemText>();
    text->SetText(aText);
    text->SetPos(TPoint(aX, aY));
    text->SetStyle(aStyle);
    text->SetHorzPlace(aHorzPlace);
    text->SetVertPlace(aVertPlace);
    Texts.push_back(std::move(text));
    return Texts.back().get();
}

void TqvTimeItemTextCollection::DropText(int index)
{
    if (index < 0 || index >= GetCount()) return;
    Texts.erase(Texts.begin() + index);
}

TqvTimeItemText* TqvTimeItemTextCollection::GetTimeItemText(int index) const
{
    if (index < 0 || index >= GetCount()) return nullptr;
    return Texts[index].get();
}

void TqvTimeItemTextCollection::DrawToCanvasInsideRect(const TRect& aRect, TCanvas* aCanvas, double aScaleX,
                                                       double aScaleY, TTextLayoutCache* aCache)
{
    if (aCanvas == nullptr) return;
    const TBrushStyle oldBrushStyle = aCanvas->Brush.GetStyle();
    const auto restoreBrush = qScopeGuard([&] { aCanvas->Brush.SetStyle(oldBrushStyle); });
    const int width = aRect.Width();
    const int height = aRect.Height();
    // Indexed: a style-set handler may add or drop texts while they are drawn.
    for (int i = 0; i < GetCount(); ++i) {
        const TqvTimeItemText& t = *Texts[i];
        if (t.GetText().isEmpty()) continue;
        const QString text = t.GetText();
        const TTextRectPlace horz = t.GetHorzPlace();
        const TTextRectPlace vert = t.GetVertPlace();
        OnStyleSet(this, aCanvas, t.GetStyle());
        int dx = RoundPixel(t.GetPos().X * aScaleX);
        int dy = RoundPixel(t.GetPos().Y * aScaleY);
        TRect r = aRect;
        bool inside = true;
        switch (horz) {
        case trpOutsideNear:
            inside = false;
            r.Left = aRect.Left - width;
            r.Right = aRect.Left;
            dx = width - (aCache ? aCache->TextWidth(aCanvas, text) : aCanvas->TextWidth(text)) - dx;
            break;
        case trpOutsideFar:
            inside = false;
            r.Left = aRect.Right;
            r.Right = aRect.Right + width;
            break;
        case trpInside:
            break;
        }
        switch (vert) {
        case trpOutsideNear:
            inside = false;
            r.Top = aRect.Top - height;
            r.Bottom = aRect.Top;
            dy = height - aCanvas->TextHeight(text) - dy;
            break;
        case trpOutsideFar:
            inside = false;
            r.Top = aRect.Bottom;
            r.Bottom = aRect.Bottom + height;
            break;
        case trpInside:
            break;
        }
        const TRect box(r.Left + dx, r.Top + dy, r.Right - 1, r.Bottom - 1);
        if (box.IsEmpty()) continue;
        aCanvas->Brush.SetStyle(bsClear);
        if (inside) {
            if (aCache)
                aCache->TextRect(aCanvas, box, box.Left, box.Top, text);
            else
                aCanvas->TextRect(box, box.Left, box.Top, text);
        } else {
            if (aCache)
                aCache->TextOut(aCanvas, box.Left, box.Top, text);
            else
                aCanvas->TextOut(box.Left, box.Top, text);
        }
        aCanvas->Brush.SetStyle(oldBrushStyle);
    }
}

} // namespace skedra
