#pragma once
// The handler types of the printing that goes page by page (grid, tree,
// Gantt chart, schedule view).

#include "skedra/platform/Method.h"

namespace skedra
{

class TObject;

// Told by a band printing when a page limit cut the band: true for the width
// limit, false for the height limit; where the part that did not fit would
// have started (device pixels); and what did not fit, or the last part that
// did, as each printing documents.
using TOnSizeCallBack =
    TMethod<void(bool IsWidthNotHeight, int theRightOrBottomValue, TObject* theContextObject)>;

// Raised before every page of a paged print. The handler starts a new page on
// the device from page 2 on and may set page limits (-1: none); goahead false
// ends the print, render false lets the page be measured without drawing.
using TOnPrintToHdcNewPage =
    TMethod<void(TObject* Sender, int aPageNo, int& pageHeight, int& pageWidht, bool& goahead, bool& render)>;

} // namespace skedra
