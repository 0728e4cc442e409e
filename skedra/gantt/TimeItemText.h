#pragma once
// The texts of a Gantt time item: each text sits at an offset inside the
// item's rectangle, or outside it before or after the item on either axis, in
// one of the chart's item fonts chosen by the text's style.

#include <QString>
#include <memory>
#include <vector>

#include "skedra/platform/Geometry.h"
#include "skedra/platform/Method.h"

namespace skedra
{

class TCanvas;
class TTextLayoutCache;
class TqvTimeItemTextCollection;

// Where a text sits on one axis: inside the item's rectangle; outside before
// it (left of it, or above it); outside after it (right of it, or below it).
enum TTextRectPlace { trpInside, trpOutsideNear, trpOutsideFar };

// Sets the canvas font for a text style.
using TOnStyleSet =
    TMethod<void(TqvTimeItemTextCollection* aTimeItemTextCollection, TCanvas* aCanvas, int aStyle)>;

class TqvTimeItemText
{
public:
    int GetStyle() const { return Style; }
    void SetStyle(int aStyle) { Style = aStyle; }
    const QString& GetText() const { return Text; }
    void SetText(const QString& aText) { Text = aText; }
    // Offset in pixels from the edge the placement measures from.
    TPoint GetPos() const { return Pos; }
    void SetPos(TPoint aPos) { Pos = aPos; }
    TTextRectPlace GetVertPlace() const { return VertPlace; }
    void SetVertPlace(TTextRectPlace aPlace) { VertPlace = aPlace; }
    TTextRectPlace GetHorzPlace() const { return HorzPlace; }
    void SetHorzPlace(TTextRectPlace aPlace) { HorzPlace = aPlace; }

private:
    int Style = 0;
    QString Text;
    TPoint Pos;
    TTextRectPlace VertPlace = trpInside;
    TTextRectPlace HorzPlace = trpInside;
};

class TqvTimeItemTextCollection
{
public:
    explicit TqvTimeItemTextCollection(TOnStyleSet aOnStyleSet = {}) : OnStyleSet(std::move(aOnStyleSet)) {}
    TqvTimeItemTextCollection(const TqvTimeItemTextCollection&) = delete;
    TqvTimeItemTextCollection& operator=(const TqvTimeItemTextCollection&) = delete;

    // A text inside the item at offset (aX, aY) from its top-left corner.
    TqvTimeItemText* AddText(const QString& aText, int aX, int aY, int aStyle);
    TqvTimeItemText* AddTextEx(const QString& aText, int aX, int aY, int aStyle, TTextRectPlace aHorzPlace,
                               TTextRectPlace aVertPlace);
    // Removes the text at index; an index out of range changes nothing.
    void DropText(int index);
    int GetCount() const { return static_cast<int>(Texts.size()); }
    // The text at index, or null when out of range.
    TqvTimeItemText* GetTimeItemText(int index) const;

    // Draws every non-empty text relative to aRect, offsets scaled by the print
    // scales. Inside texts are clipped to their box, outside texts are not.
    // With a layout cache the texts are drawn from it (same pixels, no
    // reshaping on each paint).
    void DrawToCanvasInsideRect(const TRect& aRect, TCanvas* aCanvas, double aScaleX, double aScaleY,
                                TTextLayoutCache* aCache = nullptr);

    TOnStyleSet OnStyleSet;

private:
    std::vector<std::unique_ptr<TqvTimeItemText>> Texts;
};

} // namespace skedra
