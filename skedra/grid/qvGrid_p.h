#pragma once
// Test hooks of the grid component (not installed).
#include "skedra/grid/qvGrid.h"

namespace skedra
{

struct TqvGridTestAccess {
    TqvGrid* Grid;
    // The width text measuring uses for a column item of the root.
    int MeasureWidth(TAxisContentItem* aColumn)
    {
        return Grid->GetWidthOffAxisContentItemForHeightCalculation(Grid->GetRootCell(), aColumn);
    }
    bool FillsWidth(TqvGrid_Column* aColumn) const { return aColumn->FFillsWidth; }
};

} // namespace skedra
