#pragma once
// Prints a band of a TqvGrid onto a device context: from a start cell, as
// many rows as fit above a page bottom or as asked for, at a given width,
// scale and position, with the header rows on top. It answers the printed
// band's size and row count, and tells a size callback where the page bottom
// cut the band, so that a caller prints page after page. The grid's scroll
// position, font size and logical size are saved between BeforePrintAndPrint
// and ResetAfterPrint (one grid at a time); the widget itself is never
// resized or laid out again on screen.

#include "skedra/foundation/PrintTypes.h"
#include "skedra/platform/DeviceContext.h"

namespace skedra
{

class TqvGrid;
class TMoxCell;

class TqvGridPrinting
{
public:
    TqvGridPrinting() = delete;

    // Prints rows from aStartCell's row (none, or a header cell: the first
    // row after the header; its column becomes the first printed column after
    // the fixed ones) at device (aLeft, aTop): aMaxRows rows (negative: until
    // the rows end; rows asked for beyond the last one are empty, 20 screen
    // pixels each), aWidth screen pixels wide. A hidden row counts without
    // height. Fonts are sized for the print by the grid's OnPrintResizeFont
    // or by the scale. A scale of 0 or less is taken as 1; one above 100 is
    // refused (Exception). With aOnSize and a page bottom (0 or more), a row
    // whose bottom passes aPageBottom ends the band and aOnSize(false, that
    // bottom, the row item of the last row printed) is told; the first row
    // always prints, clipped to the page when it is taller, and is the one
    // reported then. aPageRight is not checked. aPrintedWidth and
    // aPrintedHeight are device pixels; nothing prints and the height is 0
    // when no row has height.
    static void BeforePrintAndPrint(TqvGrid* aGrid, TDeviceContext* aDC, int aLeft, int aTop, double aScaleX,
                                    double aScaleY, TMoxCell* aStartCell, int aMaxRows, int aWidth,
                                    int& aPrintedWidth, int& aPrintedHeight, int aPageRight, int aPageBottom,
                                    const TOnSizeCallBack& aOnSize, int& aRowsPrinted);
    // Gives the grid its scroll position, font size and size back and ends printing.
    static void ResetAfterPrint(TqvGrid* aGrid);
    // BeforePrintAndPrint, then always (also after an exception) ResetAfterPrint.
    static void Print(TqvGrid* aGrid, TDeviceContext* aDC, int aLeft, int aTop, double aScaleX,
                      double aScaleY, TMoxCell* aStartCell, int aMaxRows, int aWidth, int& aPrintedWidth,
                      int& aPrintedHeight, int aPageRight, int aPageBottom, const TOnSizeCallBack& aOnSize,
                      int& aRowsPrinted);
};

} // namespace skedra
