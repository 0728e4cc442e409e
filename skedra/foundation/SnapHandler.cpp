#include "skedra/foundation/SnapHandler.h"

#include <cmath>

namespace skedra
{

TDateTime TSnapHandler::CalcScreenSnap(TDateTime aUnit) const
{
    // A unit of 0 or less would divide by zero below; it means "do not snap".
    if (!(aUnit > 0) || !std::isfinite(aUnit)) return 0;
    const double k = std::nearbyint(PixelTime / aUnit);
    const double multiple = k * aUnit;
    return (std::isfinite(multiple) && multiple > aUnit) ? multiple : aUnit;
}

TDateTime TSnapHandler::SnapValue(TDateTime aValue, TDateTime aUnit)
{
    if (!(aUnit > 0) || !std::isfinite(aValue)) return aValue;
    const TDateTime midnight = DateOf(aValue);
    return midnight + std::nearbyint((aValue - midnight) / aUnit) * aUnit;
}

void TSnapHandler::Snap(TDateTime& aStart, TDateTime& aStop) const
{
    if (StopSnapOn) aStop = SnapValue(aStop, CalcScreenSnap(StopSnap));
    if (StartSnapOn) aStart = SnapValue(aStart, CalcScreenSnap(StartSnap));
}

void TSnapHandler::SnapMove(TDateTime& aStart, TDateTime& aStop) const
{
    const TDateTime length = aStop - aStart;
    Snap(aStart, aStop);
    if (!StopSnapOnMove) aStop = aStart + length;
}

void TSnapHandler::SnapMoveTo24HIfMoveOver12H(TDateTime anOldStart, TDateTime anOldStop, TDateTime& aStart,
                                              TDateTime& aStop)
{
    const double halfDay = 0.5;
    if (std::fabs(aStart - anOldStart) > halfDay && std::fabs(aStop - anOldStop) > halfDay) {
        aStart = anOldStart + std::nearbyint(aStart - anOldStart);
        aStop = anOldStop + std::nearbyint(aStop - anOldStop);
    }
}

} // namespace skedra
