#pragma once
// Prints the rows of a data-bound tree onto a device context: indentation by
// level, the entity's image and its text in the entity's font, one row per
// entity, scaled by separate x and y factors. It reads the entities, never
// the native nodes, so children of collapsed entities print as well when
// asked. A print starts at a given entity and stops after a number of rows,
// so that a caller can spread a long tree over pages.

#include "skedra/platform/Canvas.h"
#include "skedra/platform/DeviceContext.h"

namespace skedra
{

class TqvTree_ComBasic;
class TqvDataEntity_Tree;
class TqvDataList_Tree;

class TqvPrintTree
{
public:
    TqvPrintTree() = default;
    virtual ~TqvPrintTree() = default;
    TqvPrintTree(const TqvPrintTree&) = delete;
    TqvPrintTree& operator=(const TqvPrintTree&) = delete;

    // Prints theTree with its top-left corner at device (theX, theY), as the
    // drawn controls print, from theStartEntity (none: the first root entity) for at most
    // theRows rows (negative: no limit). On return theRows holds the rows
    // printed, thePrintedWidth = round(theWidth * theScaleX) and
    // thePrintedHeight the height of the printed rows in device pixels. The
    // start entity is always printed, also when theRows is 0. theReserved is
    // not used. Origin and clip of theDC are restored, also on an exception.
    static void Print(TqvTree_ComBasic* theTree, TDeviceContext* theDC, int theReserved, int theX, int theY,
                      double theScaleX, double theScaleY, int theWidth, TqvDataEntity_Tree* theStartEntity,
                      int& theRows, bool thePrintAll, int& thePrintedWidth, int& thePrintedHeight);
    void PrintDynamic(TqvTree_ComBasic* theTree, TDeviceContext* theDC, int theReserved, int theX, int theY,
                      double theScaleX, double theScaleY, int theWidth, TqvDataEntity_Tree* theStartEntity,
                      int& theRows, bool thePrintAll, int& thePrintedWidth, int& thePrintedHeight);

    // The rows this print gives: those from the start entity in depth-first
    // order (children of an entity when it is expanded or PrintAll is set),
    // at most MaxRows when that is 0 or more, and at least the start entity.
    int CalcRowsToPrint() const;
    void PrintRows();
    // Whether E prints: from the start entity on, while rows are left.
    bool CheckIfItemShouldPrint(TqvDataEntity_Tree* theEntity);
    void printItem(TqvDataEntity_Tree* theEntity);

    int OffsetX = 0;
    int OffsetY = 0;
    double ScaleX = 1;
    double ScaleY = 1;
    TCanvas* Canvas = nullptr;
    bool PrintAll = false;
    int MaxRows = -1;
    TqvDataEntity_Tree* StartEntity = nullptr;
    TqvTree_ComBasic* Tree = nullptr;
    int RowsPrinted = 0;
    int RowHeight = 18;
    bool Started = false;

protected:
    // Tree pixels per row: the image height + 2 with an image list, else 18.
    // A tree whose rows are taller (a Gantt chart's row tree) overrides it.
    virtual int CalcRowHeight() const;

private:
    int CountRows(TqvDataList_Tree* theList, bool& theStarted, int theLimit) const;
};

} // namespace skedra
