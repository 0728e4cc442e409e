#pragma once
// The kinds, the move snapshot entry and the event types of the Gantt area's
// mouse and keyboard input.

#include "skedra/platform/Controls.h"
#include "skedra/platform/DateTime.h"
#include "skedra/platform/Geometry.h"
#include "skedra/platform/Method.h"

namespace skedra
{

class TqvGant_ComBasic;
class TqvDataEntity_GantTime;
class TGantRow;

// What a drag with the left button does. Scoped: the grid view's sizing
// modes start with mmNone too, and the chart hosts a grid.
enum class TGantMouseMoveMode { mmNone, mmMove, mmCopy, mmGrowLeft, mmGrowRight, mmDependency };

// Set by the application before a press: smDependency makes the next left
// press on an item start a link instead of a move.
enum TGantStickyMode { smNone, smDependency };

// In which directions the chart scrolls while an item is dragged outside the area.
enum TTimeItemAutoScroll { ttiaHorzAndVert, ttiaHorz, ttiaVert, ttiaNone };

// One entry of the move snapshot: an item and its rectangle when the drag began.
// DataEntity becomes none when the item is deleted during the drag.
struct TDrawRect {
    TRect Rect;
    TqvDataEntity_GantTime* DataEntity = nullptr;
};

using TOnClickGantArea = TMethod<void(TqvGant_ComBasic* theGant, TqvDataEntity_GantTime* theDataEntity)>;
using TOnDblClickGantArea = TMethod<void(TqvGant_ComBasic* theGant, TqvDataEntity_GantTime* theDataEntity)>;
using TOnTimeCopyOrChangeRow =
    TMethod<void(TqvGant_ComBasic* theGant, TqvDataEntity_GantTime* theDataEntity, TGantRow* theRow,
                 TGantRow* theNewRow, TDateTime theStartDate, TDateTime theStopDate)>;
using TOnDependencyAction =
    TMethod<void(TqvDataEntity_GantTime* theFirst, TqvDataEntity_GantTime* theSecond)>;
// The layer (data list index) of a row in which keyboard navigation runs.
using TOnKeyNavigateDataList = TMethod<int(TqvGant_ComBasic* theGant, TGantRow* theGantRow)>;

} // namespace skedra
