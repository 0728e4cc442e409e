#include "skedra/gantt/GantPrint.h"

#include <QImage>
#include <QScopeGuard>

#include <algorithm>
#include <cmath>
#include <functional>

#include "skedra/foundation/DoLater.h"
#include "skedra/gantt/TimeDistinct.h"
#include "skedra/gantt/qvGant.h"
#include "skedra/grid/GridPrinting.h"
#include "skedra/platform/Exceptions.h"
#include "skedra/tree/qvPrintTree.h"

namespace skedra
{

bool TqvPrintGantt::WidthCut = false;
bool TqvPrintGantt::HeightCut = false;
TObject* TqvPrintGantt::WidthContext = nullptr;
TObject* TqvPrintGantt::HeightContext = nullptr;
int TqvPrintGantt::HeightContextRow = -1;

namespace
{

// The chart's row tree printed with the chart's row height, so that every
// printed row lines up with its band in the Gantt area.
class TGantTreePrinter : public TqvPrintTree
{
public:
    explicit TGantTreePrinter(const TqvGant_ComBasic* aGant) : FGant(aGant) {}

protected:
    int CalcRowHeight() const override { return std::max(1, FGant->GetTreeView()->GetItemHeight()); }

private:
    const TqvGant_ComBasic* FGant;
};

void CheckPrintArguments(TqvGant_ComBasic* aGant, TDeviceContext* aDC, double aScaleX, double aScaleY,
                         TDateTime aStart, TDateTime aStop)
{
    if (aGant == nullptr) throw Exception(QStringLiteral("No Gantt chart to print"));
    if (aDC == nullptr || aDC->Painter() == nullptr)
        throw Exception(QStringLiteral("No device context to print on"));
    if (!(aScaleX > 0) || !(aScaleY > 0) || !std::isfinite(aScaleX) || !std::isfinite(aScaleY))
        throw Exception(QStringLiteral("Invalid print scale"));
    if (!(aStop > aStart)) throw Exception(QStringLiteral("The printed time range is empty"));
}

// The sub-column state of the rows and items a print places again.
struct TRowSubColumns {
    std::vector<TqvExposable::TKeepAlive> Keep;
    std::vector<std::pair<TqvDataEntity_GantTime*, int>> Items;
    std::vector<std::pair<TGantRow*, int>> Rows;
};

// Places the items of the printed rows into sub-columns now, as the rows'
// background computations would: a print cannot wait for them, and a
// requested computation has not even started yet. The state before is kept
// in aSaved, so that the computations still give their events afterwards.
void PlaceRowsNow(const std::vector<TGantRow*>& aRows, TRowSubColumns& aSaved)
{
    for (TGantRow* row : aRows) {
        if (!row->GetCollisionDetection() || row->GetDataLists() == nullptr) continue;
        TDistinctTimeHolderList holders;
        TqvDataList2lev* layers = row->GetDataLists();
        for (int li = 0; li < layers->Count(); ++li) {
            TqvDataList* layer = layers->GetDataList(li);
            if (layer == nullptr) continue;
            // Only items of one layer conflict unless all layers do.
            const QString key = row->CollisionAllLayers ? QString() : QString::number(li);
            for (int i = 0; i < layer->LoadedCount(); ++i) {
                auto* item = static_cast<TqvDataEntity_GantTime*>(layer->GetLoaded(i));
                if (item == nullptr || !item->GetVisible()) continue;
                holders.Add(RoundToSecond(item->GetStartDateTime()), RoundToSecond(item->GetStopDateTime()),
                            key, item);
            }
        }
        TTimeDistinctGeneric engine(&holders);
        engine.ResolveConflicts();
        aSaved.Keep.emplace_back(row);
        aSaved.Rows.emplace_back(row, row->GetUseSubCols());
        int highest = 0;
        for (const TDistinctTimeHolder* h : holders.Items()) {
            auto* item = static_cast<TqvDataEntity_GantTime*>(h->Reference);
            aSaved.Keep.emplace_back(item);
            aSaved.Items.emplace_back(item, item->GetSubCol());
            item->SetSubCol(h->SubCol);
            highest = std::max(highest, h->SubCol);
        }
        row->SetUseSubCols(highest);
    }
}

void RestoreRows(TRowSubColumns& aSaved)
{
    for (const auto& [item, subCol] : aSaved.Items)
        item->SetSubCol(subCol);
    for (const auto& [row, count] : aSaved.Rows)
        row->SetUseSubCols(count);
    aSaved = TRowSubColumns();
}

// The size a drawn control's drawing reads, given back after a print.
struct TLogicalSize {
    int Width, Height;
};

TLogicalSize SaveLogicalSize(const TqvOffscreenPaint* aControl)
{
    return {aControl->GetWidth(), aControl->GetHeight()};
}

void RestoreLogicalSize(TqvOffscreenPaint* aControl, const TLogicalSize& aSize)
{
    // The same size is read as before; the widget's next real resize ends it.
    aControl->SetSizeDontTell(TRect(0, 0, aSize.Width, aSize.Height));
}

// The chart's state a print changes, set up for the printed range on
// construction and given back when the object goes (also when the print
// raises), in reverse order: the rows' sub-columns, the page offset, the
// logical sizes, the rows the print expanded, the mode, the scaler's range.
class TChartPrintState
{
public:
    TChartPrintState(TqvGant_ComBasic* aGant, bool aGridRows, bool aExpandAll, int aGanttWidth,
                     int aScalerHeight, TDateTime aStart, TDateTime aStop)
        : FGant(aGant), FScaler(aGant->GetDateScaler()), FArea(aGant->GetGA()), FExpandAll(aExpandAll),
          FStart(FScaler->GetStart()), FStop(FScaler->GetStop()), FChanged(FScaler->GetChanged()),
          FMode(aGant->GetUseGridNotTree()), FScalerSize(SaveLogicalSize(FScaler)),
          FAreaSize(SaveLogicalSize(FArea)), FPageOffset(aGant->GetPrintPageOffset()),
          FRestore(std::function<void()>([this] { Restore(); }))
    {
        FGant->BeginUpdate();
        if (FMode != aGridRows) FGant->SetUseGridNotTree(aGridRows);
        FScaler->SetSizeDontTell(TRect(0, 0, aGanttWidth, aScalerHeight));
        FScaler->SetStart(aStart);
        FScaler->SetStop(aStop);
        FScaler->BeginUpdate();
        FScaler->EndUpdate();
        TqvPrintGantt::Expand(FGant, aExpandAll, FExpanded);
    }
    Q_DISABLE_COPY_MOVE(TChartPrintState)

    int PageOffset() const { return FPageOffset; }
    TRowSubColumns SubColumns;

private:
    void Restore()
    {
        RestoreRows(SubColumns);
        FGant->SetPrintPageOffset(FPageOffset);
        RestoreLogicalSize(FArea, FAreaSize);
        RestoreLogicalSize(FScaler, FScalerSize);
        TqvPrintGantt::Collapse(FGant, FExpandAll, FExpanded);
        if (FGant->GetUseGridNotTree() != FMode) FGant->SetUseGridNotTree(FMode);
        FScaler->SetStart(FStart);
        FScaler->SetStop(FStop);
        FScaler->SetChanged(FChanged);
        FGant->EndUpdate();
    }

    TqvGant_ComBasic* FGant;
    TqvDateScaler* FScaler;
    TqvOffscreenPaint_GA* FArea;
    bool FExpandAll;
    TDateTime FStart, FStop;
    bool FChanged, FMode;
    TLogicalSize FScalerSize, FAreaSize;
    int FPageOffset;
    std::vector<TqvDataEntity*> FExpanded;
    // Last: runs first when the object goes, with every member still there.
    QScopeGuard<std::function<void()>> FRestore;
};

TqvDataEntity_Tree* FirstRoot(TqvTree_ComBasic* aTree)
{
    TqvDataList_Tree* root = aTree->GetRootDataList();
    return root != nullptr && root->Count() > 0 ? root->GetTreeItem(0) : nullptr;
}

// The node of the grid row after row aRow (loaded for the print), or none
// after the last row.
TqvDataEntity_GridTreeNode* NextGridRowNode(TqvGant_ComBasic* aGant, int aRow)
{
    TqvGrid* grid = aGant->GetGrid();
    if (grid == nullptr || aRow < 0) return nullptr;
    TAxisContentList* rows = grid->GetRootCell()->RowList.get();
    for (int r = aRow + 1; r < rows->Count(); ++r)
        if (TqvDataEntity_GridTreeNode* node = TqvGridTree::NodeOfRow(rows->getAxisContentItem(r)))
            return node;
    return nullptr;
}

} // namespace

// ---------------------------------------------------------------------------
// Paging state

void TqvPrintGantt::OnSizeCallbackInit()
{
    WidthCut = HeightCut = false;
    WidthContext = HeightContext = nullptr;
    HeightContextRow = -1;
}

void TqvPrintGantt::OnSizeCallback(bool IsWidthNotHeight, int, TObject* theContextObject)
{
    if (IsWidthNotHeight) {
        WidthCut = true;
        WidthContext = theContextObject;
    } else {
        HeightCut = true;
        HeightContext = theContextObject;
    }
}

TqvDataEntity_Tree* TqvPrintGantt::NextTreeRow(TqvDataEntity_Tree* aEntity, bool aExpandAll)
{
    if (aEntity == nullptr) return nullptr;
    TqvDataList_Tree* children = aEntity->GetSubDataList();
    if ((aEntity->GetExpanded() || aExpandAll) && children != nullptr && children->Count() > 0)
        return children->GetTreeItem(0);
    for (TqvDataEntity_Tree* e = aEntity; e != nullptr; e = e->ParentNode()) {
        auto* list = dynamic_cast<TqvDataList_Tree*>(e->GetDataList());
        if (list == nullptr) return nullptr;
        const int next = e->ListIndex() + 1;
        if (next < list->Count()) return list->GetTreeItem(next);
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Expanding for the print

void TqvPrintGantt::Expand(TqvGant_ComBasic* aGant, bool aExpandAll, std::vector<TqvDataEntity*>& aList)
{
    if (aGant != nullptr) ExpandRows(aGant, aGant->GetUseGridNotTree(), aExpandAll, aList);
}

void TqvPrintGantt::ExpandRows(TqvGant_ComBasic* aGant, bool aGridRows, bool aExpandAll,
                               std::vector<TqvDataEntity*>& aList)
{
    if (!aExpandAll || aGant == nullptr) return;
    if (aGridRows) {
        TqvGrid* grid = aGant->GetGrid();
        if (grid == nullptr || grid->GetTree() == nullptr) return;
        // Only loaded nodes: expanding must not load a list's unloaded rows.
        std::vector<TqvDataEntity_GridTreeNode*> pending;
        auto push = [&pending](TqvDataList* aList) {
            for (int i = aList != nullptr ? aList->LoadedCount() - 1 : -1; i >= 0; --i)
                if (auto* n = dynamic_cast<TqvDataEntity_GridTreeNode*>(aList->GetLoaded(i)))
                    pending.push_back(n);
        };
        push(grid->GetTree()->GetRootDataList());
        while (!pending.empty()) {
            TqvDataEntity_GridTreeNode* n = pending.back();
            pending.pop_back();
            if (n->GetSubDataListCount() == 0) continue;
            if (!n->Expanded) {
                aList.push_back(n);
                n->SetExpanded(true);
            }
            push(n->SubDataList);
        }
        return;
    }
    // Rows appear as their parents expand: walk the entities, not the rows.
    std::vector<TqvDataEntity_Tree*> pending;
    TqvDataList_Tree* root = aGant->GetTreeView()->GetRootDataList();
    for (int i = root != nullptr ? root->Count() - 1 : -1; i >= 0; --i)
        pending.push_back(root->GetTreeItem(i));
    while (!pending.empty()) {
        TqvDataEntity_Tree* e = pending.back();
        pending.pop_back();
        TqvDataList_Tree* children = e != nullptr ? e->GetSubDataList() : nullptr;
        if (children == nullptr || children->Count() == 0) continue;
        if (!e->GetExpanded()) {
            aList.push_back(e);
            e->SetExpanded(true);
        }
        for (int i = children->Count() - 1; i >= 0; --i)
            pending.push_back(children->GetTreeItem(i));
    }
}

void TqvPrintGantt::Collapse(TqvGant_ComBasic*, bool, std::vector<TqvDataEntity*>& aList)
{
    // The deepest nodes first, so that every parent collapses last.
    for (auto it = aList.rbegin(); it != aList.rend(); ++it) {
        if (auto* e = dynamic_cast<TqvDataEntity_Tree*>(*it))
            e->SetExpanded(false);
        else if (auto* n = dynamic_cast<TqvDataEntity_GridTreeNode*>(*it))
            n->SetExpanded(false);
    }
    aList.clear();
}

// ---------------------------------------------------------------------------
// Printing

void TqvPrintGantt::Print(TqvGant_ComBasic* aGant, TDeviceContext* aDC, int aLeft, int aTop, double aScaleX,
                          double aScaleY, int aTreeWidth, TqvDataEntity_Tree* aStartNode, int aMaxRows,
                          bool aExpandAll, TDateTime aStart, TDateTime aStop, int aGanttWidth,
                          int aScalerHeight, int& aPrintedWidth, int& aPrintedHeight, int aPageRight,
                          int aPageBottom, const TOnSizeCallBack& aOnSize)
{
    int rows = 0;
    InternalPrint(aGant, aDC, aLeft, aTop, aScaleX, aScaleY, false, aTreeWidth, aStartNode, nullptr, aMaxRows,
                  aExpandAll, aStart, aStop, aGanttWidth, aScalerHeight, aPrintedWidth, aPrintedHeight,
                  aPageRight, aPageBottom, aOnSize, rows);
}

void TqvPrintGantt::PrintWithGrid(TqvGant_ComBasic* aGant, TDeviceContext* aDC, int aLeft, int aTop,
                                  double aScaleX, double aScaleY, int aTreeWidth,
                                  TqvDataEntity_GridTreeNode* aStartNode, int aMaxRows, bool aExpandAll,
                                  TDateTime aStart, TDateTime aStop, int aGanttWidth, int aScalerHeight,
                                  int& aPrintedWidth, int& aPrintedHeight, int aPageRight, int aPageBottom,
                                  const TOnSizeCallBack& aOnSize)
{
    int rows = 0;
    const auto refresh = qScopeGuard([aGant] {
        if (aGant == nullptr) return;
        if (TqvGrid* grid = aGant->GetGrid()) grid->Invalidate();
        aGant->InvalidateGA();
    });
    InternalPrint(aGant, aDC, aLeft, aTop, aScaleX, aScaleY, true, aTreeWidth, nullptr, aStartNode, aMaxRows,
                  aExpandAll, aStart, aStop, aGanttWidth, aScalerHeight, aPrintedWidth, aPrintedHeight,
                  aPageRight, aPageBottom, aOnSize, rows);
}

void TqvPrintGantt::InternalPrint(TqvGant_ComBasic* aGant, TDeviceContext* aDC, int aLeft, int aTop,
                                  double aScaleX, double aScaleY, bool aWithGrid, int aTreeWidth,
                                  TqvDataEntity_Tree* aStartTreeNode,
                                  TqvDataEntity_GridTreeNode* aStartGridNode, int aMaxRows, bool aExpandAll,
                                  TDateTime aStart, TDateTime aStop, int aGanttWidth, int aScalerHeight,
                                  int& aPrintedWidth, int& aPrintedHeight, int aPageRight, int aPageBottom,
                                  const TOnSizeCallBack& aOnSize, int& aRowsPrinted)
{
    CheckPrintArguments(aGant, aDC, aScaleX, aScaleY, aStart, aStop);
    aGant->HdcToUseOnNewPage = aDC;
    aRowsPrinted = 0;
    if (!aGant->OnPrintToHdcNewPage.Assigned()) {
        InternalPrintLoop(aGant, aDC, aLeft, aTop, aScaleX, aScaleY, aWithGrid, aTreeWidth, aStartTreeNode,
                          aStartGridNode, aMaxRows, aExpandAll, aStart, aStop, aGanttWidth, aScalerHeight,
                          aPrintedWidth, aPrintedHeight, aPageRight, aPageBottom, aOnSize, aRowsPrinted);
        return;
    }
    // Pages the handler only measures are drawn where nothing shows.
    QImage measureImage(1, 1, QImage::Format_RGB32);
    TDeviceContext measure(&measureImage);
    std::vector<TqvDataEntity*> expanded;
    const auto collapse = qScopeGuard([&] {
        Collapse(aGant, aExpandAll, expanded);
        OnSizeCallbackInit();
    });
    ExpandRows(aGant, aWithGrid, aExpandAll, expanded);
    const TOnSizeCallBack onSize(&TqvPrintGantt::OnSizeCallback);
    int pageHeight = -1, pageWidth = -1;
    bool goahead = true, render = true;
    TqvDataEntity_Tree* start = aStartTreeNode;
    TqvDataEntity_GridTreeNode* gridStart = aStartGridNode;
    for (int page = 1;; ++page) {
        if (page > 1) {
            // The next page goes on after the last row the previous one held.
            if (!HeightCut) break;
            if (aWithGrid) {
                gridStart = NextGridRowNode(aGant, HeightContextRow);
                if (gridStart == nullptr) break;
            } else {
                auto* last = dynamic_cast<TqvDataEntity_Tree*>(HeightContext);
                if (last == nullptr) break;
                start = NextTreeRow(last, aExpandAll);
                if (start == nullptr) break;
            }
        }
        OnSizeCallbackInit();
        aGant->OnPrintToHdcNewPage(aGant, page, pageHeight, pageWidth, goahead, render);
        if (!goahead) break;
        TDeviceContext* dc = render ? aGant->HdcToUseOnNewPage : &measure;
        if (dc == nullptr) throw Exception(QStringLiteral("No device context to print on"));
        int rows = 0;
        InternalPrintLoop(aGant, dc, aLeft, aTop, aScaleX, aScaleY, aWithGrid, aTreeWidth, start, gridStart,
                          aMaxRows, aExpandAll, aStart, aStop, aGanttWidth, aScalerHeight, aPrintedWidth,
                          aPrintedHeight, pageWidth, pageHeight, onSize, rows);
        aRowsPrinted += rows;
        if (render && aMaxRows >= 0) aMaxRows = std::max(0, aMaxRows - rows);
        if (!HeightCut) break;
    }
}

void TqvPrintGantt::InternalPrintLoop(TqvGant_ComBasic* aGant, TDeviceContext* aDC, int aLeft, int aTop,
                                      double aScaleX, double aScaleY, bool aWithGrid, int aTreeWidth,
                                      TqvDataEntity_Tree* aStartTreeNode,
                                      TqvDataEntity_GridTreeNode* aStartGridNode, int aMaxRows,
                                      bool aExpandAll, TDateTime aStart, TDateTime aStop, int aGanttWidth,
                                      int aScalerHeight, int& aPrintedWidth, int& aPrintedHeight,
                                      int aPageRight, int aPageBottom, const TOnSizeCallBack& aOnSize,
                                      int& aRowsPrinted)
{
    CheckPrintArguments(aGant, aDC, aScaleX, aScaleY, aStart, aStop);
    if (aWithGrid) {
        PrintGridBand(aGant, aDC, aLeft, aTop, aScaleX, aScaleY, aTreeWidth, aStartGridNode, aMaxRows,
                      aExpandAll, aStart, aStop, aGanttWidth, aScalerHeight, aPrintedWidth, aPrintedHeight,
                      aPageRight, aPageBottom, aOnSize, aRowsPrinted);
        return;
    }
    TqvDateScaler* scaler = aGant->GetDateScaler();
    TqvOffscreenPaint_GA* area = aGant->GetGA();
    TGantTree* tree = aGant->GetTreeView();
    const int treeWidth = std::max(0, aTreeWidth), ganttWidth = std::max(0, aGanttWidth);
    const int scalerHeight = std::max(0, aScalerHeight);

    // Pending deferred work (layout, scroll state) is done on screen first.
    TDoLater::DoAllNow();
    // The tree's top row comes back after everything else.
    TqvDataEntity_Tree* topItem = tree->GetTopItem();
    const auto restoreTop = qScopeGuard([&] {
        if (topItem != nullptr && tree->GetTopItem() != topItem) tree->SetTopItem(topItem);
    });
    TChartPrintState state(aGant, false, aExpandAll, ganttWidth, scalerHeight, aStart, aStop);
    const int pageOffset = state.PageOffset();

    // Rows: as many as asked, and on a page with a bottom no more than fit
    // (at least one, so that a page always gets on).
    const int rowsTop = aTop + RoundPixel(scalerHeight * aScaleY);
    const int rowHeight = std::max(1, tree->GetItemHeight());
    TqvDataEntity_Tree* first = aStartTreeNode != nullptr ? aStartTreeNode : FirstRoot(tree);
    int maxRows = aMaxRows;
    bool cut = false;
    if (aPageBottom > 0 && aOnSize.Assigned()) {
        const int fit =
            std::max(1, static_cast<int>(std::floor((aPageBottom - rowsTop) / (rowHeight * aScaleY))));
        if (maxRows < 0 || maxRows > fit) {
            maxRows = fit;
            cut = true;
        }
    }
    int rows = maxRows, treePrintedWidth = 0, treePrintedHeight = 0;
    TGantTreePrinter printer(aGant);
    printer.PrintDynamic(tree, aDC, 0, aLeft, rowsTop, aScaleX, aScaleY, treeWidth, first, rows, aExpandAll,
                         treePrintedWidth, treePrintedHeight);
    aRowsPrinted = rows;
    if (cut && rows > 0) {
        TqvDataEntity_Tree* last = first;
        for (int k = 1; k < rows && last != nullptr; ++k)
            last = NextTreeRow(last, aExpandAll);
        if (NextTreeRow(last, aExpandAll) != nullptr) aOnSize(false, rowsTop + treePrintedHeight, last);
    }

    const int areaLeft = aLeft + RoundPixel(treeWidth * aScaleX);
    scaler->Print(aDC, areaLeft, aTop, aScaleX, aScaleY, true);

    // The area shows the printed rows: its top is the first printed row's top.
    area->SetSizeDontTell(TRect(0, 0, ganttWidth, RoundPixel(treePrintedHeight / aScaleY)));
    if (first != nullptr) {
        const TRect firstRect = tree->GetRect(first);
        if (firstRect.Top != -1 || firstRect.Bottom != -1)
            aGant->SetPrintPageOffset(pageOffset + firstRect.Top);
    }
    std::vector<TGantRow*> printedRows;
    aGant->CollectRowsInView(printedRows);
    PlaceRowsNow(printedRows, state.SubColumns);
    area->Print(aDC, areaLeft, rowsTop, aScaleX, aScaleY, true);
    aPrintedWidth = RoundPixel(ganttWidth * aScaleX) + treePrintedWidth;
    aPrintedHeight = RoundPixel(scalerHeight * aScaleY) + treePrintedHeight;
}

// The grid's columns beside the bands: the grid printing prints the band of
// rows from the start row, its header row level with the scaler's bottom;
// the area then prints the same rows, read from the print's layout, which
// stays until the grid printing is reset.
void TqvPrintGantt::PrintGridBand(TqvGant_ComBasic* aGant, TDeviceContext* aDC, int aLeft, int aTop,
                                  double aScaleX, double aScaleY, int aTreeWidth,
                                  TqvDataEntity_GridTreeNode* aStartGridNode, int aMaxRows, bool aExpandAll,
                                  TDateTime aStart, TDateTime aStop, int aGanttWidth, int aScalerHeight,
                                  int& aPrintedWidth, int& aPrintedHeight, int aPageRight, int aPageBottom,
                                  const TOnSizeCallBack& aOnSize, int& aRowsPrinted)
{
    TqvGrid* grid = aGant->GetGrid();
    if (grid == nullptr) throw Exception(QStringLiteral("The chart hosts no grid to print"));
    TqvDateScaler* scaler = aGant->GetDateScaler();
    TqvOffscreenPaint_GA* area = aGant->GetGA();
    const int treeWidth = std::max(0, aTreeWidth), ganttWidth = std::max(0, aGanttWidth);
    const int scalerHeight = std::max(0, aScalerHeight);

    // Pending deferred work (layout, scroll state) is done on screen first.
    TDoLater::DoAllNow();
    TChartPrintState state(aGant, true, aExpandAll, ganttWidth, scalerHeight, aStart, aStop);
    // The grid's print layout goes before the chart's state comes back.
    bool gridPrinting = false;
    const auto restoreGrid = qScopeGuard([&] {
        aGant->SetPrintLastGridRow(-1);
        if (gridPrinting) TqvGridPrinting::ResetAfterPrint(grid);
    });

    // The start row: the start node's, or the first after the header.
    TMoxGridCellForViewer* root = grid->GetRootCell();
    const int fixedRows = root->GetFixedRows();
    int first = fixedRows;
    if (aStartGridNode != nullptr && aStartGridNode->Row != nullptr &&
        aStartGridNode->Row->List == root->RowList.get())
        first = std::max(fixedRows, aStartGridNode->Row->ListIndex());
    TMoxCell* startCell = grid->GetCell(root->GetFixedCols(), first);

    // The rows below the header stand level with the area's top; the header
    // row stands above it, beside the scaler's bottom.
    const int header = aGant->GridHeaderHeight();
    const int headerHeight = RoundPixel(header * aScaleY);
    const int rowsTop = aTop + RoundPixel(scalerHeight * aScaleY);
    // The row item of the last row that fit is only named while the band is
    // printed: its index is kept for the next page.
    TOnSizeCallBack onSize;
    if (aOnSize.Assigned())
        onSize = TOnSizeCallBack([&aOnSize](bool aWidthNotHeight, int aValue, TObject* aContext) {
            if (!aWidthNotHeight)
                if (auto* item = dynamic_cast<TAxisContentItem*>(aContext))
                    HeightContextRow = item->ListIndex();
            aOnSize(aWidthNotHeight, aValue, aContext);
        });
    // A negative count prints until the rows end (the grid printing's own rule, with the last row).
    int gridWidth = 0, gridHeight = 0;
    gridPrinting = true;
    TqvGridPrinting::BeforePrintAndPrint(grid, aDC, aLeft, rowsTop - headerHeight, aScaleX, aScaleY,
                                         startCell, aMaxRows < 0 ? -1 : aMaxRows, treeWidth, gridWidth,
                                         gridHeight, aPageRight, aPageBottom, onSize, aRowsPrinted);
    const int rowsHeight = std::max(0, gridHeight - headerHeight);
    // Rows beyond the printed band's last one (the layout may place the
    // next row's first pixel) are not drawn.
    aGant->SetPrintLastGridRow(aRowsPrinted > 0 ? first + aRowsPrinted - 1 : first - 1);

    const int areaLeft = aLeft + RoundPixel(treeWidth * aScaleX);
    scaler->Print(aDC, areaLeft, aTop, aScaleX, aScaleY, true);

    area->SetSizeDontTell(TRect(0, 0, ganttWidth, RoundPixel(rowsHeight / aScaleY)));
    aGant->SetPrintPageOffset(0);
    std::vector<TGantRow*> printedRows;
    aGant->CollectRowsInView(printedRows);
    PlaceRowsNow(printedRows, state.SubColumns);
    if (rowsHeight > 0) area->Print(aDC, areaLeft, rowsTop, aScaleX, aScaleY, true);
    aPrintedWidth = RoundPixel(ganttWidth * aScaleX) + gridWidth;
    aPrintedHeight = RoundPixel(scalerHeight * aScaleY) + rowsHeight;
}

} // namespace skedra
