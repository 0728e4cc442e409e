#pragma once
// The shapes of Gantt time items. TqvTimeDraw has class operations only: each
// draws one shape into a rectangle on the canvas it is given.

#include "skedra/gantt/GantTypes.h"
#include "skedra/platform/Color.h"
#include "skedra/platform/Geometry.h"

namespace skedra
{

class TCanvas;
class TCustomImageList;

class TqvTimeDraw
{
public:
    TqvTimeDraw() = delete;

    // Filled with color, framed black.
    static void DrawTime(TColor aColor, const TRect& aRect, TCanvas* aCanvas);
    // The shaded fill.
    static void DrawPipe(TColor aColor, const TRect& aRect, TCanvas* aCanvas);
    // The span: a bar along the top and a foot under each end; measures scaled
    // by aPrintScale when it is not 1.
    static void CoolOutline(TColor aColor, const TRect& aRect, double aPrintScale, TCanvas* aCanvas);
    static void LineOutline(TColor aColor, const TRect& aRect, bool aWithEnds, TCanvas* aCanvas);
    static void WaveOutline(TColor aColor, const TRect& aRect, TCanvas* aCanvas);
    static void RombOutline(TColor aColor, const TRect& aRect, TCanvas* aCanvas);
    // Image anIndex of the list at the rectangle's top-left corner; printed
    // stretched into the square on the rectangle's height. Nothing without a
    // list or for an index outside it.
    static void DrawImage(TCustomImageList* anImageList, int anIndex, bool aPrinting, TCanvas* aCanvas,
                          const TRect& aRect);
    // A 2-pixel outline in color inside a black frame.
    static void DrawTimeHollow(TColor aColor, const TRect& aRect, TCanvas* aCanvas);
    // Four 5 x 5 squares in color in the corners of the rectangle.
    static void DoSelectContent(const TRect& aRect, TColor aColor, TCanvas* aCanvas);
    // A rectangle reaching past both -500 and 2000 is narrowed to that span,
    // so that huge items never reach the drawing primitives.
    static void W95Safe(const TRect& aRect, TRect& aSafeRect);

    // The shape of a style value (only its low seven bits count) into aRect.
    // gtsUser draws nothing here: the chart raises its user-draw event. The
    // span takes aPrintScaleY; the image takes the list, index and aPrinting.
    static void DrawShape(int aStyle, TColor aColor, const TRect& aRect, TCanvas* aCanvas,
                          double aPrintScaleY, bool aPrinting, TCustomImageList* anImageList,
                          int anImageIndex);
};

} // namespace skedra
