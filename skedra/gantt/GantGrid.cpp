// The chart in grid mode: the grid it hosts in the tree panel, the bands of
// the grid's rows, scrolling and focusing grid rows from the Gantt area, the
// grid's vertical bar taken out into the chart's scroll panel, and the
// grid's published properties and events.
//
// Everything here costs in proportion to the grid rows in view: the grid
// places only the rows that fit, and a grid node finds its Gantt row through
// the row list's index.

#include <algorithm>
#include <utility>

#include "skedra/gantt/qvGant.h"
#include "skedra/platform/Messages.h"

namespace skedra
{

// ===========================================================================
// The hosted grid

TqvGrid* TqvGant_ComBasic::CreateGrid()
{
    return new TqvGrid(TreePanel);
}

void TqvGant_ComBasic::CreateGridControl()
{
    Grid = CreateGrid();
    Grid->SetParent(TreePanel);
    Grid->SetName(QStringLiteral("Grid"));
    Grid->SetVisible(false);
    Grid->SetUseTree(true);
    if (TqvGridTree* tree = Grid->GetTree())
        tree->IntegrationEvents = MakeMethod<&TqvGant_ComBasic::GridTreeIntegrationEvents>(this);
    Grid->SetAlign(alClient);
    Grid->SetTabStop(true);
    Grid->SetMultiSelect(true);
    Grid->SetHasHeaders(false);
    Grid->SetHasInfoCol(false);
    Grid->AddColumn()->SetTreeButton(true);
    Grid->SetExtendLastColumnToWidth(true);
    Grid->OnTopLeftChanged = MakeMethod<&TqvGant_ComBasic::GridtopLeftChanged>(this);
    Grid->OnAxisChanged = MakeMethod<&TqvGant_ComBasic::GridAxisChanged>(this);
    Grid->OnVertScrollVisibleChanged = MakeMethod<&TqvGant_ComBasic::GridVertScrollVisibleChanged>(this);
    Grid->OnRowResized = MakeMethod<&TqvGant_ComBasic::GridRowResized>(this);
    Grid->OnPrintResizeFont = MakeMethod<&TqvGant_ComBasic::_OnPrintResizeFont>(this);
}

void TqvGant_ComBasic::DestroyGridControl()
{
    if (Grid == nullptr) return;
    TqvGrid* grid = std::exchange(Grid, nullptr);
    grid->OnTopLeftChanged.Clear();
    grid->OnAxisChanged.Clear();
    grid->OnVertScrollVisibleChanged.Clear();
    grid->OnRowResized.Clear();
    grid->OnPrintResizeFont.Clear();
    if (TqvGridTree* tree = grid->GetTree()) tree->IntegrationEvents.Clear();
    // A bar taken out of the grid goes back first, so that the grid frees it.
    if (grid->GetVertScrollHijacked()) grid->HijackVerticalScroll(false);
    GuardedCall([&] { delete grid; });
}

void TqvGant_ComBasic::ShowGridControl(bool aShow)
{
    if (Grid != nullptr) Grid->SetVisible(aShow);
}

int TqvGant_ComBasic::GridHeaderRowHeight() const
{
    if (Grid == nullptr || !Grid->GetHasHeaders()) return 0;
    TMoxGridCellForViewer* root = Grid->GetRootCell();
    TAxisContentList* rows = root->RowList.get();
    TAxisContentItem* header = rows->FixedCount > 0 ? rows->getAxisContentItem(0) : nullptr;
    if (header == nullptr || header->Hidden) return 0;
    if (header->Size > 0) return std::max(header->GetUserSize(), header->Size);
    // Not laid out yet (a grid built hidden): measured from the header cells
    // as the layout will, so that the first paint already lines the rows up.
    int height = 0;
    TAxisContentList* columns = root->ColumnList.get();
    for (int c = 0; c < columns->Count(); ++c) {
        TAxisContentItem* column = columns->getAxisContentItem(c);
        TMoxCell* cell = column != nullptr && !column->Hidden ? Grid->GetCell(c, 0) : nullptr;
        if (cell == nullptr) continue;
        if (header->GetUserSizeActive()) {
            height = std::max({height, header->GetUserSize(), cell->GetMinHeight()});
            continue;
        }
        cell->CalculateSizes();
        height = std::max(height, cell->GetCalculatedHeight());
    }
    return height;
}

TScrollBar* TqvGant_ComBasic::HijackedGridScrollBar() const
{
    return Grid != nullptr && Grid->GetVertScrollHijacked() ? Grid->GetVertScrollBar() : nullptr;
}

void TqvGant_ComBasic::SetGridVerticalScrollOutOfGrid(bool aValue)
{
    GridVerticalScrollOutOfGrid = aValue;
    if (Grid != nullptr && ScrollPanel != nullptr) {
        TScrollbar_qv* bar = Grid->HijackVerticalScroll(aValue);
        if (aValue) bar->SetParent(ScrollPanel);
    }
    RealignScrollbar();
}

void TqvGant_ComBasic::GridLayoutLater(TObject*)
{
    if (FDestroying || Grid == nullptr) return;
    Grid->RedrawIfNeeded();
    InvalidateGA();
}

void TqvGant_ComBasic::GridtopLeftChanged(TObject*)
{
    if (FDestroying) return;
    InvalidateGA();
    OnGridTopLeftChanged(this);
}

void TqvGant_ComBasic::GridAxisChanged(TObject*)
{
    ++FLinkStamp;
    InvalidateGA();
}

void TqvGant_ComBasic::GridVertScrollVisibleChanged(TObject*)
{
    RealignScrollbar();
}

void TqvGant_ComBasic::GridRowResized(TqvGrid*, int anIndex)
{
    if (FDestroying) return;
    // A resized header row moves every row: the layout lines them up again.
    OnRowResized(Grid, Grid == nullptr || anIndex >= Grid->GetRootCell()->GetFixedRows());
}

// ===========================================================================
// Bands of the grid's rows

TGantRow* TqvGant_ComBasic::RowOfGridItem(TAxisContentItem* aRowItem) const
{
    if (RowList == nullptr || aRowItem == nullptr) return nullptr;
    TqvDataEntity_GridTreeNode* node = TqvGridTree::NodeOfRow(aRowItem);
    if (node == nullptr) return nullptr;
    if (auto* row = dynamic_cast<TGantRow*>(node->IntegrationData);
        row != nullptr && row->GetGridNode() == node)
        return row;
    return RowList->FindRowFromGridNode(node);
}

TRect TqvGant_ComBasic::GridNodeBand(TqvDataEntity_GridTreeNode* aGridNode)
{
    const TRect none(-1, -1, -1, -1);
    if (Grid == nullptr || aGridNode == nullptr || aGridNode->Row == nullptr) return none;
    TAxisContentItem* item = aGridNode->Row;
    TMoxGridCellForViewer* root = Grid->GetRootCell();
    // Only rows the grid's last layout placed have a place on the screen.
    if (!item->InVisibleList || item->Hidden || item->List != root->RowList.get()) return none;
    if (GridItemBeyondPrint(item)) return none;
    return GridItemBand(item, GA != nullptr ? GA->GetWidth() : 0);
}

TRect TqvGant_ComBasic::GridItemBand(const TAxisContentItem* anItem, int aWidth) const
{
    const int top = Grid->GetRootCell()->DrawRect.Top + anItem->Position;
    if (GA != nullptr && GA->GetIsPrinting()) {
        // The grid printed its rows from the screen layout times the scale,
        // and the area starts at the printed header row's bottom.
        const double sy = GA->GetPrintScaley();
        const int header = RoundPixel(GridHeaderRowHeight() * sy);
        return TRect(0, RoundPixel(top * sy) - header, aWidth,
                     RoundPixel((top + anItem->Size) * sy) - header);
    }
    const int header = GridHeaderHeight();
    return TRect(0, top - header, aWidth, top - header + anItem->Size);
}

bool TqvGant_ComBasic::GridItemBeyondPrint(TAxisContentItem* anItem) const
{
    return FPrintLastGridRow >= 0 && GA != nullptr && GA->GetIsPrinting() &&
           anItem->ListIndex() > FPrintLastGridRow;
}

void TqvGant_ComBasic::GridRowBands(std::vector<TRect>& aBands)
{
    aBands.clear();
    if (Grid == nullptr || GA == nullptr) return;
    TMoxGridCellForViewer* root = Grid->GetRootCell();
    const int fixed = root->GetFixedRows();
    const int W = GA->GetWidth();
    for (TAxisContentItem* item : root->RowList->VisibleItems) {
        if (item->ListIndex() < fixed || GridItemBeyondPrint(item)) continue;
        aBands.push_back(GridItemBand(item, W));
    }
}

void TqvGant_ComBasic::CollectGridRowsInView(std::vector<TGantRow*>& aRows)
{
    aRows.clear();
    if (Grid == nullptr || GA == nullptr || RowList == nullptr) return;
    TMoxGridCellForViewer* root = Grid->GetRootCell();
    const int fixed = root->GetFixedRows();
    for (TAxisContentItem* item : root->RowList->VisibleItems) {
        if (item->ListIndex() < fixed || GridItemBeyondPrint(item)) continue;
        TGantRow* row = RowOfGridItem(item);
        if (row == nullptr || !RowTypeCheckOK(row)) continue;
        row->UpdateRect();
        aRows.push_back(row);
    }
}

TGantRow* TqvGant_ComBasic::GridRowFromY(int y)
{
    if (Grid == nullptr || GA == nullptr) return nullptr;
    TMoxGridCellForViewer* root = Grid->GetRootCell();
    const int fixed = root->GetFixedRows();
    const int gridY = y + GridHeaderHeight() + PrintPageOffset - root->DrawRect.Top;
    const std::vector<TAxisContentItem*>& placed = root->RowList->VisibleItems;
    // Placed rows lie in order of position: the first one ending below y.
    const auto it =
        std::upper_bound(placed.begin(), placed.end(), gridY,
                         [](int v, const TAxisContentItem* item) { return v < item->Position + item->Size; });
    if (it == placed.end()) return nullptr;
    TAxisContentItem* item = *it;
    // A point on an edge belongs to no row.
    if (gridY <= item->Position || item->ListIndex() < fixed) return nullptr;
    TGantRow* row = RowOfGridItem(item);
    return row != nullptr && RowTypeCheckOK(row) ? row : nullptr;
}

bool TqvGant_ComBasic::GridRowComesBefore(const TGantRow* a, const TGantRow* b) const
{
    TqvDataEntity_GridTreeNode* na = a != nullptr ? a->GetGridNode() : nullptr;
    TqvDataEntity_GridTreeNode* nb = b != nullptr ? b->GetGridNode() : nullptr;
    if (na == nullptr || nb == nullptr) return false;
    if (na->Row != nullptr && nb->Row != nullptr) return na->Row->ListIndex() < nb->Row->ListIndex();
    // An unloaded row keeps its root's place among the roots.
    return na->RootNode()->ListIndex() < nb->RootNode()->ListIndex();
}

void TqvGant_ComBasic::SetGridNodeRowHeight(TqvDataEntity_GridTreeNode* aGridNode, int aHeight)
{
    if (Grid == nullptr || aGridNode == nullptr || aGridNode->Row == nullptr) return;
    Grid->SetRowHeight(aGridNode->Row->ListIndex(), std::max(0, aHeight));
}

// ===========================================================================
// Focus and scrolling from the Gantt area

TqvDataEntity_GridTreeNode* TqvGant_ComBasic::GridFocusedNode()
{
    return Grid != nullptr ? Grid->CellToNode(Grid->GetRootCell()->FocusedCell) : nullptr;
}

void TqvGant_ComBasic::GridFocusNode(TqvDataEntity_GridTreeNode* aGridNode)
{
    if (Grid == nullptr || aGridNode == nullptr || aGridNode->Row == nullptr) return;
    TMoxGridCellForViewer* root = Grid->GetRootCell();
    TMoxCell* cell = Grid->GetCell(root->GetFixedCols(), aGridNode->Row->ListIndex());
    if (cell == nullptr) return;
    Grid->SetFocusedCell(cell);
    if (!root->UpdateMultiSelect(cell, TShiftState())) return;
    Grid->MakeSureFocusedIsVisible();
    Grid->Invalidate();
}

void TqvGant_ComBasic::ScrollRowsOneStep(bool aDown)
{
    if (FDestroying) return;
    if (!UseGridNotTree) {
        if (Treeview == nullptr) return;
        Treeview->ScrollRows(aDown ? 1 : -1);
        InvalidateGA();
        return;
    }
    if (Grid == nullptr) return;
    TScrollbar_qv* bar = Grid->GetVertScrollBar();
    if (bar == nullptr || !bar->GetVisible() || !bar->OnScroll) return;
    // The bar's range rule: the last position shows the last page.
    const int last = std::max(bar->GetMin(), bar->GetMax() - bar->GetPageSize() + 1);
    int position = std::clamp(bar->GetPosition() + (aDown ? 1 : -1), bar->GetMin(), last);
    if (position == bar->GetPosition()) return;
    bar->OnScroll(bar, scPosition, position);
    bar->SetPosition(position);
    Grid->Invalidate();
    InvalidateGA();
}

void TqvGant_ComBasic::GridWheelScroll(TWMMouseWheel& Msg)
{
    if (Grid == nullptr || Msg.WheelDelta == 0) return;
    ScrollRowsOneStep(Msg.WheelDelta < 0);
    Msg.Handled = true;
}

// ===========================================================================
// Shared properties

void TqvGant_ComBasic::SetGridBorderStyle(TBorderStyle aValue)
{
    if (Grid != nullptr) Grid->SetBorderStyle(aValue);
}

void TqvGant_ComBasic::SetGridMultiSelect(bool aValue)
{
    if (Grid != nullptr) Grid->SetMultiSelect(aValue);
}

bool TqvGant_ComBasic::GetGridRowSelect(bool& aValue) const
{
    if (Grid == nullptr) return false;
    aValue = Grid->GetRowSelect();
    return true;
}

bool TqvGant_ComBasic::SetGridRowSelect(bool aValue)
{
    if (Grid == nullptr) return false;
    Grid->SetRowSelect(aValue);
    Grid->Invalidate();
    return true;
}

bool TqvGant_ComBasic::GetGridShowButtons(bool& aValue) const
{
    TqvGrid_Column* first = Grid != nullptr ? Grid->GetColumns()->GetColumn(0) : nullptr;
    if (first == nullptr) return false;
    aValue = first->GetTreeButton();
    return true;
}

bool TqvGant_ComBasic::SetGridShowButtons(bool aValue)
{
    TqvGrid_Column* first = Grid != nullptr ? Grid->GetColumns()->GetColumn(0) : nullptr;
    if (first == nullptr) return false;
    first->SetTreeButton(aValue);
    return true;
}

// ===========================================================================
// Published forwarding to the grid

TqvCellLayouts* TqvGant_ComBasic::GetGrid_CellLayouts() const
{
    return Grid ? Grid->GetCellLayouts() : nullptr;
}
void TqvGant_ComBasic::SetGrid_CellLayouts(const TqvCellLayouts& aValue)
{
    if (Grid) Grid->SetCellLayouts(aValue);
}
TqvGrid_Columns* TqvGant_ComBasic::GetGrid_Columns() const
{
    return Grid ? Grid->GetColumns() : nullptr;
}
void TqvGant_ComBasic::SetGrid_Columns(const TqvGrid_Columns& aValue)
{
    if (Grid) Grid->SetColumns(aValue);
}
TqvGrid_SubGrids* TqvGant_ComBasic::GetGrid_SubGrids() const
{
    return Grid ? Grid->GetSubGrids() : nullptr;
}
void TqvGant_ComBasic::SetGrid_SubGrids(const TqvGrid_SubGrids& aValue)
{
    if (Grid) Grid->SetSubGrids(aValue);
}
bool TqvGant_ComBasic::GetGrid_HasHeaders() const
{
    return Grid && Grid->GetHasHeaders();
}
void TqvGant_ComBasic::SetGrid_HasHeaders(bool aValue)
{
    if (Grid == nullptr) return;
    Grid->SetHasHeaders(aValue);
    // A grid on screen lays out now; a hidden one's header row is measured
    // without a layout. Either way the rows line up at once, not a paint later.
    if (Grid->isVisible()) Grid->RedrawIfNeeded();
    UpdateGridAlign();
    InvalidateGA();
}
bool TqvGant_ComBasic::GetGrid_HasInfoCol() const
{
    return Grid && Grid->GetHasInfoCol();
}
void TqvGant_ComBasic::SetGrid_HasInfoCol(bool aValue)
{
    if (Grid) Grid->SetHasInfoCol(aValue);
}
bool TqvGant_ComBasic::GetGrid_RowSelect() const
{
    return Grid && Grid->GetRowSelect();
}
void TqvGant_ComBasic::SetGrid_RowSelect(bool aValue)
{
    SetGridRowSelect(aValue);
}
bool TqvGant_ComBasic::GetGrid_ExtendLastColumnToWidth() const
{
    return Grid && Grid->GetExtendLastColumnToWidth();
}
void TqvGant_ComBasic::SetGrid_ExtendLastColumnToWidth(bool aValue)
{
    if (Grid) Grid->SetExtendLastColumnToWidth(aValue);
}
bool TqvGant_ComBasic::GetGrid_UserSortEnable() const
{
    return Grid && Grid->GetUserSortEnable();
}
void TqvGant_ComBasic::SetGrid_UserSortEnable(bool aValue)
{
    if (Grid) Grid->SetUserSortEnable(aValue);
}
bool TqvGant_ComBasic::GetGrid_MultiSelect() const
{
    return Grid && Grid->GetMultiSelect();
}
void TqvGant_ComBasic::SetGrid_MultiSelect(bool aValue)
{
    SetGridMultiSelect(aValue);
}
bool TqvGant_ComBasic::GetGridFocusRects() const
{
    return Grid && Grid->GetFocusRect_Cell() && Grid->GetFocusRect_Grid();
}
void TqvGant_ComBasic::SetGridFocusRects(bool aValue)
{
    if (Grid == nullptr) return;
    Grid->SetFocusRect_Cell(aValue);
    Grid->SetFocusRect_Grid(aValue);
}
bool TqvGant_ComBasic::GetGridStopEditOnFocusChange() const
{
    return Grid && Grid->GetStopEditOnFocusChange();
}
void TqvGant_ComBasic::SetGridStopEditOnFocusChange(bool aValue)
{
    if (Grid) Grid->SetStopEditOnFocusChange(aValue);
}
TOnVirtualLoad TqvGant_ComBasic::GetOnVirtualLoad_Grid() const
{
    return Grid ? Grid->OnVirtualLoad : TOnVirtualLoad();
}
void TqvGant_ComBasic::SetOnVirtualLoad_Grid(TOnVirtualLoad aValue)
{
    if (Grid) Grid->OnVirtualLoad = std::move(aValue);
}
TOnVirtualUnLoad TqvGant_ComBasic::GetOnVirtualUnLoad_Grid() const
{
    return Grid ? Grid->OnVirtualUnLoad : TOnVirtualUnLoad();
}
void TqvGant_ComBasic::SetOnVirtualUnLoad_Grid(TOnVirtualUnLoad aValue)
{
    if (Grid) Grid->OnVirtualUnLoad = std::move(aValue);
}
TOnColumnSort TqvGant_ComBasic::GetOnColumnSort_Grid() const
{
    return Grid ? Grid->OnColumnSort : TOnColumnSort();
}
void TqvGant_ComBasic::SetOnColumnSort_Grid(TOnColumnSort aValue)
{
    if (Grid) Grid->OnColumnSort = std::move(aValue);
}

} // namespace skedra
