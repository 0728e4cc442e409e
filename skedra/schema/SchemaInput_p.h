#pragma once
// Interaction state of the schedule view (not installed): the running move
// or resize, the outlines on the window surface, hover and popup items.

#include <vector>

#include "skedra/platform/DateTime.h"
#include "skedra/platform/Geometry.h"

namespace skedra
{

class TqvDataEntity_SchemaTime;

// How the one writing path treats an item's times.
enum TTimeWrite : int {
    twSnapped,   // snapped start and length (drags, the public writer)
    twGrowStart, // snapped, and the start never passes the given stop (stretching the start)
    twExact,     // the exact step (key moves: a snap would round small steps back)
    twKeep       // the times stay (a drag with no time difference)
};

struct TSchemaInputState {
    bool Moving = false;
    bool OutlineDrawn = false;
    // The window surface's paint count when the outline was drawn: a paint
    // since then has already removed it, and inverting again would draw it.
    int OutlinePaint = -1;
    TPoint PressPoint;
    TPoint DragOffset;
    TDateTime PressTime = 0;
    TqvDataEntity_SchemaTime* PressedEntity = nullptr;
    bool SelectAtMouseUp = false;
    bool Growing = false;
    TqvDataEntity_SchemaTime* GrowEntity = nullptr;
    bool GrowStart = false;
    TRect GrowRect;
    TRect GrowOrigRect;
    TPoint HoverPoint{-1, -1};
    TqvDataEntity_SchemaTime* HoverEntity = nullptr;
    TqvDataEntity_SchemaTime* PopupDataEntity = nullptr;
    // The left button went down on the schema area and has not come up there.
    bool LeftDown = false;
    // The rectangles of the selected, editable items at the start of a move:
    // each mouse move outlines these, never walking the items again.
    std::vector<TRect> MoveRects;

    // Throws when the drag flags disagree: one drag at a time, a resize has
    // its item, outlines and move rectangles exist only during a drag.
    void CheckInvariants() const;
};

} // namespace skedra
