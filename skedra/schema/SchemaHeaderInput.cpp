// Presses on the schedule view's column headers: the column list records the
// pressed column, whether a border was grabbed and the column left of (or
// above) that border; a left press away from a border starts a drag of the
// header, through which the application reorders columns.

#include <cstdlib>

#include "skedra/schema/SchemaControls.h"
#include "skedra/schema/qvSchema.h"

namespace skedra
{

namespace
{

// A press this close to a column's edge grabs the border.
constexpr int kEdgeZone = 5;

// Records a press at offset thePixel along the column axis; answers whether
// it lies away from every column border.
bool RecordHeaderPress(TDataListColumns* aColumns, bool aFlipped, int thePixel, TPoint aPoint)
{
    TqvSchema_ComBasic* schema = aColumns->Schema;
    if (schema == nullptr) return false;
    const int col = schema->PixelToColumn_fw(aFlipped, thePixel);
    aColumns->PressCol = col;
    aColumns->PressPoint = aPoint;
    int nearEdge = -1, farEdge = -1;
    schema->ColumnToPixels_fw(aFlipped, col, nearEdge, farEdge);
    aColumns->PressNearEdge =
        col >= 0 && (std::abs(thePixel - nearEdge) <= kEdgeZone || std::abs(thePixel - farEdge) <= kEdgeZone);
    aColumns->ResizeCol = schema->PixelToColumn_fw(aFlipped, thePixel - kEdgeZone);
    return !aColumns->PressNearEdge;
}

} // namespace

void THeaderControl_MouseControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    const bool awayFromBorder = Columns != nullptr && RecordHeaderPress(Columns, false, X, TPoint(X, Y));
    THeaderControl::MouseDown(Button, Shift, X, Y);
    if (Button == mbLeft && awayFromBorder) BeginDrag(true);
}

void TDrawGrid_Schema::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    const bool awayFromBorder = Columns != nullptr && RecordHeaderPress(Columns, true, Y, TPoint(X, Y));
    TDrawGrid::MouseDown(Button, Shift, X, Y);
    if (Button == mbLeft && awayFromBorder) BeginDrag(true);
}

} // namespace skedra
