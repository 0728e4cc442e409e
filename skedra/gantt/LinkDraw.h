#pragma once
// The geometry and drawing of links between two time items: where a link
// attaches to its items, the substitute position of an item out of view, and
// the line with its arrow head in each style.

#include "skedra/gantt/GantTypes.h"
#include "skedra/platform/Color.h"
#include "skedra/platform/Geometry.h"

namespace skedra
{

class TCanvas;

// The end points of a link line and the style it is drawn in.
struct TLinkEnds {
    TPoint Start;
    TPoint Stop;
    TLinkStyle Style = tlsDefault;
};

class TqvLinkDraw
{
public:
    TqvLinkDraw() = delete;

    // An item without a rectangle (Top -1) takes the other's rectangle moved
    // beside it (the first to the right of the second, the second to the left
    // of the first). Answers whether the link is shown by aShow, given whether
    // each item is visible.
    static bool PlaceEnds(TRect& A, TRect& B, bool aVisibleA, bool aVisibleB, TLinkShow aShow);
    // The points the line runs between and the style, for the items'
    // rectangles A and B. Items on one row are always joined in tlsDefault.
    static TLinkEnds Ends(const TRect& A, const TRect& B, bool aSameRow, TLinkStyle aStyle,
                          TLinkStartFinishOption anOption);
    // The line from aStart to aStop with its head, in the pen width (restored
    // afterwards); the head only when its tip lies within the clip (edges
    // included). Head and offsets are scaled by the print scales.
    static void Draw(TPoint aStart, TPoint aStop, TCanvas* aCanvas, TLinkStyle aStyle,
                     TLinkStartFinishOption anOption, TColor aColor, int aPenWidth, double aScaleX = 1.0,
                     double aScaleY = 1.0);
};

} // namespace skedra
