#pragma once
// Snapping of a time item's start and stop to time units adapted to the zoom.

#include "skedra/platform/Types.h"

namespace skedra
{

class TSnapHandler : public TObject
{
public:
    bool StartSnapOn = true;
    bool StopSnapOn = true;
    // When a whole item is moved: snap the stop by itself (true), or keep the
    // item's length after the snapped start (false).
    bool StopSnapOnMove = false;
    TDateTime StartSnap = 5.0 / MinsPerDay;
    TDateTime StopSnap = 1.0 / MinsPerDay;
    // The time of one pixel; the caller sets it before each use.
    TDateTime PixelTime = 0;

    // The unit actually snapped to: aUnit, or the whole multiple of aUnit
    // closest to one pixel when that is larger. A unit of 0 or less (or not a
    // number) answers 0: no snapping.
    TDateTime CalcScreenSnap(TDateTime aUnit) const;

    // Snaps the stop (StopSnapOn) and then the start (StartSnapOn), counting
    // the units from midnight of each value's own day.
    void Snap(TDateTime& aStart, TDateTime& aStop) const;
    // Snap for a moved item: unless StopSnapOnMove, the stop follows the
    // snapped start at the item's original length.
    void SnapMove(TDateTime& aStart, TDateTime& aStop) const;
    // When both ends moved by more than 12 hours, rounds each move to whole days.
    static void SnapMoveTo24HIfMoveOver12H(TDateTime anOldStart, TDateTime anOldStop, TDateTime& aStart,
                                           TDateTime& aStop);

private:
    static TDateTime SnapValue(TDateTime aValue, TDateTime aUnit);
};

} // namespace skedra
