#pragma once
// Prints a Gantt chart onto a device context: the rows on the left (the tree
// through the tree printing, or the grid's columns through the grid
// printing), the date scaler above the Gantt area on the right, and the Gantt
// area with its bands, time items and links, at a given position, scale, time
// window and width. With the chart's OnPrintToHdcNewPage assigned it prints
// page after page, each page continuing with the rows the previous one could
// not hold. In grid mode the grid's header row stands beside the scaler's
// bottom on every page, and every grid row is printed beside its band.
//
// The chart is printed from logical sizes: its sub-controls keep their
// geometry on screen, and the time window, mode, expanded nodes, scroll
// position and sub-columns are given back after the print, also when a
// handler raises. One chart is printed at a time (the paging state is
// process-wide).

#include <vector>

#include "skedra/foundation/PrintTypes.h"
#include "skedra/platform/DateTime.h"
#include "skedra/platform/DeviceContext.h"

namespace skedra
{

class TqvGant_ComBasic;
class TqvDataEntity;
class TqvDataEntity_Tree;
class TqvDataEntity_GridTreeNode;

class TqvPrintGantt
{
public:
    TqvPrintGantt() = delete;

    // Tree mode, from aStartNode (none: the first row). aTreeWidth and
    // aGanttWidth are the widths of the rows and of the time part, and
    // aScalerHeight the scaler's height, in screen pixels; aMaxRows rows at
    // most (negative: all); aExpandAll prints collapsed rows' children too.
    // The page limits (-1: none) cut the rows at the page bottom: every page
    // holds at least one row, and the next page goes on after the last row
    // printed. Results are in device pixels.
    static void Print(TqvGant_ComBasic* aGant, TDeviceContext* aDC, int aLeft, int aTop, double aScaleX,
                      double aScaleY, int aTreeWidth, TqvDataEntity_Tree* aStartNode, int aMaxRows,
                      bool aExpandAll, TDateTime aStart, TDateTime aStop, int aGanttWidth, int aScalerHeight,
                      int& aPrintedWidth, int& aPrintedHeight, int aPageRight, int aPageBottom,
                      const TOnSizeCallBack& aOnSize);
    // Grid mode, from aStartNode's row (none, or a node without a row: the
    // first row after the header), with the same parameters; the page limits
    // cut the band after the last grid row that fits (a row taller than the
    // page prints clipped, alone). The grid and the area are refreshed
    // afterwards.
    static void PrintWithGrid(TqvGant_ComBasic* aGant, TDeviceContext* aDC, int aLeft, int aTop,
                              double aScaleX, double aScaleY, int aTreeWidth,
                              TqvDataEntity_GridTreeNode* aStartNode, int aMaxRows, bool aExpandAll,
                              TDateTime aStart, TDateTime aStop, int aGanttWidth, int aScalerHeight,
                              int& aPrintedWidth, int& aPrintedHeight, int aPageRight, int aPageBottom,
                              const TOnSizeCallBack& aOnSize);
    static void InternalPrint(TqvGant_ComBasic* aGant, TDeviceContext* aDC, int aLeft, int aTop,
                              double aScaleX, double aScaleY, bool aWithGrid, int aTreeWidth,
                              TqvDataEntity_Tree* aStartTreeNode, TqvDataEntity_GridTreeNode* aStartGridNode,
                              int aMaxRows, bool aExpandAll, TDateTime aStart, TDateTime aStop,
                              int aGanttWidth, int aScalerHeight, int& aPrintedWidth, int& aPrintedHeight,
                              int aPageRight, int aPageBottom, const TOnSizeCallBack& aOnSize,
                              int& aRowsPrinted);
    // One band. In grid mode aOnSize is told the grid's row item (a
    // TAxisContentItem) of the last row that fit.
    static void InternalPrintLoop(TqvGant_ComBasic* aGant, TDeviceContext* aDC, int aLeft, int aTop,
                                  double aScaleX, double aScaleY, bool aWithGrid, int aTreeWidth,
                                  TqvDataEntity_Tree* aStartTreeNode,
                                  TqvDataEntity_GridTreeNode* aStartGridNode, int aMaxRows, bool aExpandAll,
                                  TDateTime aStart, TDateTime aStop, int aGanttWidth, int aScalerHeight,
                                  int& aPrintedWidth, int& aPrintedHeight, int aPageRight, int aPageBottom,
                                  const TOnSizeCallBack& aOnSize, int& aRowsPrinted);

    // With aExpandAll, expands every collapsed row node that has children (of
    // the grid's tree in grid mode, of the tree otherwise) and lists it in
    // aList; Collapse collapses the listed nodes again.
    static void Expand(TqvGant_ComBasic* aGant, bool aExpandAll, std::vector<TqvDataEntity*>& aList);
    static void Collapse(TqvGant_ComBasic* aGant, bool aExpandAll, std::vector<TqvDataEntity*>& aList);

    // The paging state: where the last page was cut, and the last row it held.
    static void OnSizeCallbackInit();
    static void OnSizeCallback(bool IsWidthNotHeight, int theRightOrBottomValue, TObject* theContextObject);
    static bool WidthCut;
    static bool HeightCut;
    static TObject* WidthContext;
    static TObject* HeightContext;
    // Grid mode: the list index of the grid row HeightContext named (-1: none),
    // kept because the row item itself may be unloaded once the page is done.
    static int HeightContextRow;

    // The tree entity printed after aEntity: its first child when it is
    // expanded (or aExpandAll), else the next entity below it; none at the end.
    static TqvDataEntity_Tree* NextTreeRow(TqvDataEntity_Tree* aEntity, bool aExpandAll);

private:
    static void ExpandRows(TqvGant_ComBasic* aGant, bool aGridRows, bool aExpandAll,
                           std::vector<TqvDataEntity*>& aList);
    static void PrintGridBand(TqvGant_ComBasic* aGant, TDeviceContext* aDC, int aLeft, int aTop,
                              double aScaleX, double aScaleY, int aTreeWidth,
                              TqvDataEntity_GridTreeNode* aStartGridNode, int aMaxRows, bool aExpandAll,
                              TDateTime aStart, TDateTime aStop, int aGanttWidth, int aScalerHeight,
                              int& aPrintedWidth, int& aPrintedHeight, int aPageRight, int aPageBottom,
                              const TOnSizeCallBack& aOnSize, int& aRowsPrinted);
};

} // namespace skedra
