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

namespace
{

// One axis of a text's placement: the span [aLow, aHigh) of the item becomes
// the span the text is placed in, and aOffset the text's distance from that
// span's start. Answers whether the text stays inside the item.
bool PlaceOnAxis(TTextRectPlace aPlace, int& aLow, int& aHigh, int& aOffset, int aTextSize)
{
    const int size = aHigh - aLow;
    switch (aPlace) {
    case trpOutsideNear:
        // Ends aOffset before the item.
        aHigh = aLow;
        aLow -= size;
        aOffset = size - aTextSize - aOffset;
        return false;
    case trpOutsideFar:
        // Starts aOffset after the item.
        aLow = aHigh;
        aHigh += size;
        return false;
    case trpInside:
        break;
    }
    return true;
}

} // namespace

void TqvTimeItemTextCollection::DrawToCanvasInsideRect(const TRect& aRect, TCanvas* aCanvas, double aScaleX,
                                                       double aScaleY, TTextLayoutCache* aCache)
{
    if (aCanvas == nullptr) return;
    const TBrushStyle oldBrushStyle = aCanvas->Brush.GetStyle();
    const auto restoreBrush = qScopeGuard([&] { aCanvas->Brush.SetStyle(oldBrushStyle); });
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
        // Only a text placed before the item needs its width (its end is placed).
        const int width = horz == trpOutsideNear
                              ? (aCache ? aCache->TextWidth(aCanvas, text) : aCanvas->TextWidth(text))
                              : 0;
        bool inside = PlaceOnAxis(horz, r.Left, r.Right, dx, width);
        inside = PlaceOnAxis(vert, r.Top, r.Bottom, dy, aCanvas->TextHeight(text)) && inside;
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
