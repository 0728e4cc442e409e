#pragma once
// The state of the Gantt area's mouse input: the drag in progress, its
// outline on the window surface and the move snapshot. Not installed; the
// chart holds one and tests read it.

#include <QRect>

#include <memory>
#include <vector>

#include "skedra/gantt/GantInput.h"
#include "skedra/platform/ExtCtrls.h"

namespace skedra
{

struct TGantInputState {
    // --- the drag in progress
    TGantMouseMoveMode MouseMoveMode = TGantMouseMoveMode::mmNone;
    TGantStickyMode StickyMode = smNone;
    // Where the left button went down, and the mouse's offset from it as the
    // outlines use it.
    TPoint MouseDownPoint;
    TPoint MoveOffset;
    // An outline is on the window surface; it is removed (drawn again) before
    // the next one, and drawn again after a paint of the area overwrote it.
    bool OutlineDrawn = false;
    // The resized item's rectangle at the press, and its outline now.
    TRect GrowStartRect;
    TRect GrowOutlineRect;
    // The item being resized, or the first item of a link being drawn.
    TqvDataEntity_GantTime* GrabbedTime = nullptr;
    bool PendingSelect = false;
    bool MouseIsDown = false;
    bool ModeCancelled = false;
    TDateTime MouseDownDate = 0;
    TPoint LastMousePoint;
    TPoint LastReleaseDelta;
    bool AutoScrollDown = false;
    // The selected items with their rectangles at the press, in traversal order.
    std::vector<TDrawRect> MoveSnapshot;
    // While the snapshot is being handled at a release, deleted items are set
    // to none instead of removed, so that positions hold.
    bool HandlingSnapshot = false;
    // Outlines drawn to remove or to restore one report no times.
    bool Reporting = true;
    // The edges of the move's outlines, reused from move to move.
    std::vector<QRect> OutlineEdges;

    // --- settings
    bool StartDragWhenTimeMoveOutside = false;
    bool MoveInTimeWhenMoveRow = false;
    bool MoveOver12Then24 = false;
    TTimeItemAutoScroll TimeItemAutoScroll = ttiaHorzAndVert;
    TCursor CursorGantArea = crArrow;

    // Scrolls the rows every 50 ms while an item is dragged above or below the area.
    std::unique_ptr<TTimer> VerticalScrollTimer;

    // The number of live snapshot entries.
    int LiveSnapshotCount() const
    {
        int n = 0;
        for (const TDrawRect& entry : MoveSnapshot)
            n += entry.DataEntity != nullptr;
        return n;
    }
};

} // namespace skedra
