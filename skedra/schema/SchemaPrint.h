#pragma once
// Prints a schedule view onto a device context: the column headers as framed
// cells, the date scaler and the schema area with its columns and time
// items, for a chosen time range, range of columns and orientation, scaled
// by separate x and y factors. Columns that do not fit a page are reported,
// so that the caller, or the view's OnPrintToHdcNewPage, continues with them
// on the next page.
//
// The view is laid out for the print from logical sizes: the sub-controls on
// screen keep their geometry, scroll position and sizes, and everything the
// print changes is restored, also when a handler raises.

#include "skedra/foundation/PrintTypes.h"
#include "skedra/platform/DateTime.h"
#include "skedra/platform/DeviceContext.h"

namespace skedra
{

class TqvSchema_ComBasic;

class TqvPrintSchema
{
public:
    TqvPrintSchema() = delete;

    // Prints columns theFirstCol..theLastCol (theLastCol clamped to the last
    // column, a negative theFirstCol taken as 0) at device (theX, theY).
    // theTimeExtent is the time axis' length for theStart..theStop and
    // theScalerSize the scaler's thickness, both in screen pixels. Page limits
    // of 0 or less are none. With the view's OnPrintToHdcNewPage assigned the
    // print runs page by page, each page starting with the column the
    // previous one could not place; every page places at least its first
    // column, and a page that makes no progress ends the print.
    static void Print(TqvSchema_ComBasic* theSchema, TDeviceContext* theDC, int theReserved, int theX,
                      int theY, int theTimeExtent, int theScalerSize, double theScaleX, double theScaleY,
                      int theFirstCol, int theLastCol, TDateTime theStart, TDateTime theStop,
                      bool theFlipView, int& thePrintedWidth, int& thePrintedHeight, int thePageWidth,
                      int thePageHeight, const TOnSizeCallBack& theOnSize);
    // One page.
    static void PrintLoop(TqvSchema_ComBasic* theSchema, TDeviceContext* theDC, int theReserved, int theX,
                          int theY, int theTimeExtent, int theScalerSize, double theScaleX, double theScaleY,
                          int theFirstCol, int theLastCol, TDateTime theStart, TDateTime theStop,
                          bool theFlipView, int& thePrintedWidth, int& thePrintedHeight, int thePageWidth,
                          int thePageHeight, const TOnSizeCallBack& theOnSize);
    // The header cells beside the scaler, whose thickness is given by the
    // layout point aQuad; answers the printed columns' total size along the
    // column axis in screen pixels (+1 per column when flipped).
    static int PrintColumns(TqvSchema_ComBasic* theSchema, TDeviceContext* theDC, int theX, int theY,
                            double theScaleX, double theScaleY, int theFirstCol, int theLastCol,
                            bool theFlipView, TPoint aQuad, int thePageWidth, int thePageHeight,
                            const TOnSizeCallBack& theOnSize);

    // The overflow pairs of the paged print.
    static void OnSizeCallbackInit();
    static void OnSizeCallback(bool IsWidthNotHeight, int theRightOrBottomValue, TObject* theContextObject);
    static bool RowOverflow;
    static TObject* RowOverflowColumn;
    static bool ColumnOverflow;
    static TObject* ColumnOverflowColumn;
};

} // namespace skedra
