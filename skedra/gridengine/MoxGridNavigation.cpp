// Focus, selection and keyboard neighbour search of grid cells, and the group
// master of vertically merged cells.

#include "skedra/gridengine/GridContentModel.h"

#include <algorithm>

namespace skedra
{

namespace
{

// The single step that continues a move past a hidden or merged cell: a page,
// home or end move goes on item by item in its direction, so that it never
// jumps again.
TMoxDirection ContinuingStep(TMoxDirection aDirection)
{
    switch (aDirection) {
    case moxdirPageDown:
    case moxdirHomeRow:
        return moxdirDown;
    case moxdirPageUp:
    case moxdirEndRow:
        return moxdirUp;
    case moxdirHomeCell:
        return moxdirRight;
    case moxdirEndCell:
        return moxdirLeft;
    default:
        return aDirection;
    }
}

// The cell at real indexes, loading its items as far as a jump needs (a move
// may land anywhere on a virtual axis).
TMoxCell* LoadedCellAt(TMoxGridCell* aGrid, int aCol, int aRow)
{
    aGrid->ColumnList->getAxisContentItem(aCol);
    aGrid->RowList->getAxisContentItem(aRow);
    return aGrid->getCell(aCol, aRow);
}

bool IsInside(const TMoxCell* aCell, const TMoxGridCell* aGrid)
{
    for (const TMoxCell* c = aCell; c; c = c->ParentCell)
        if (c == aGrid) return true;
    return false;
}

} // namespace

TMoxCell* TMoxCell::GetGroupMaster()
{
    TMoxCell* cell = this;
    if (!ParentCell || !InGroup || IsGroupMaster || !RowItem || !ColumnItem) return cell;
    const auto& rows = ParentCell->RowList->VisibleItems;
    auto it = std::find(rows.begin(), rows.end(), RowItem);
    if (it == rows.end()) return cell;
    const int loadedCol = ColumnItem->LoadedListIndex();
    for (++it; it != rows.end() && cell->InGroup && !cell->IsGroupMaster; ++it) {
        TMoxCell* next = ParentCell->Matrix->PeekLoadedCell(loadedCol, (*it)->LoadedListIndex());
        if (!next) break;
        cell = next;
    }
    return cell;
}

// ---------------------------------------------------------------------------
// Focus

void TMoxGridCell::SetFocusedCell(TMoxCell* aCell)
{
    if (aCell && aCell->ParentCell != this) {
        // A cell further down: its own grid focuses it, and so on up to the
        // grid cell that sits in this grid. A cell outside this grid is ignored.
        if (!aCell->ParentCell || !IsInside(aCell->ParentCell, this)) return;
        TMoxGridCell* nested = aCell->ParentCell;
        nested->SetFocusedCell(aCell);
        SetFocusedCell(nested);
        return;
    }
    if (aCell == FocusedCell) return;
    TMoxCell* previous = FocusedCell;
    FocusedCell = (aCell && !aCell->GetIsFixed()) ? aCell : nullptr;
    if (FocusedCell == previous) return;
    if (auto* grid = dynamic_cast<TMoxGridCell*>(previous)) grid->SetFocusedCell(nullptr);
    FocusChangedEvent->TriggerEvent(nullptr);
}

TMoxCell* TMoxGridCell::GetFocusedCellDownTrack() const
{
    TMoxCell* cell = FocusedCell;
    while (auto* grid = dynamic_cast<TMoxGridCell*>(cell)) {
        if (!grid->FocusedCell) break;
        cell = grid->FocusedCell;
    }
    return cell;
}

// ---------------------------------------------------------------------------
// Selection

void TMoxGridCell::AreaSelect(bool aValue, const TRect& aRect)
{
    const int c0 = std::max(std::min(aRect.Left, aRect.Right), 0);
    const int c1 = std::min(std::max(aRect.Left, aRect.Right), ColumnList->Count() - 1);
    const int r0 = std::max(std::min(aRect.Top, aRect.Bottom), 0);
    const int r1 = std::min(std::max(aRect.Top, aRect.Bottom), RowList->Count() - 1);
    const std::uint64_t freed = FreedCells();
    for (int c = c0; c <= c1; ++c) {
        for (int r = r0; r <= r1; ++r) {
            if (TMoxCell* cell = getCell(c, r)) {
                cell->SetSelected(aValue);
                if (FreedCells() != freed) return; // a handler removed rows
            }
        }
    }
}

bool TMoxGridCell::UpdateMultiSelect(TMoxCell* aCell, TShiftState aShift)
{
    if (!aCell || aCell->GetIsFixed()) return true;
    if (!MultiSelect) aShift = TShiftState();
    const bool shift = aShift.Contains(ssShift);
    const bool ctrl = aShift.Contains(ssCtrl);
    const std::uint64_t freed = FreedCells();
    if (!shift && !ctrl) {
        AnchorCell = aCell;
        SetSelected(false);
        if (FreedCells() != freed) return false;
        aCell->SetSelected(true);
    } else if (shift) {
        if (!AnchorCell) AnchorCell = aCell;
        TMoxGridCell* grid = AnchorCell->ParentCell;
        if (!grid || grid != aCell->ParentCell || !AnchorCell->ColumnItem || !aCell->ColumnItem) return true;
        if (!ctrl) grid->SetSelected(false);
        if (FreedCells() != freed) return false;
        grid->AreaSelect(true, TRect(AnchorCell->ColumnItem->ListIndex(), AnchorCell->RowItem->ListIndex(),
                                     aCell->ColumnItem->ListIndex(), aCell->RowItem->ListIndex()));
    } else {
        AnchorCell = aCell;
        aCell->SetSelected(!aCell->GetSelected());
    }
    return FreedCells() == freed;
}

// ---------------------------------------------------------------------------
// Neighbour search

TMoxCell* TMoxGridCell::ClosestVisibleNeighbour(int aStart, TAxisContentList* aList, TMoxCell* aCell)
{
    if (!aCell || !aCell->ColumnItem || !aCell->RowItem) return aCell;
    const bool rows = aList == RowList.get();
    const int col = aCell->ColumnItem->ListIndex();
    const int row = aCell->RowItem->ListIndex();
    const int index = rows ? row : col;
    const int step = aStart < index ? -1 : 1;
    for (int i = index;; i += step) {
        TAxisContentItem* item = aList->getAxisContentItem(i);
        if (item && !item->Hidden) {
            if (TMoxCell* cell = rows ? LoadedCellAt(this, col, i) : LoadedCellAt(this, i, row)) return cell;
        }
        if (i == aStart || i < 0 || i >= aList->Count()) break;
    }
    return aCell;
}

TMoxCell* TMoxGridCell::FindNeighbourCell(TMoxCell* aCell, TMoxDirection aDirection, bool aDescend)
{
    if (!aCell) return nullptr;
    if (aCell->ParentCell != this)
        return aCell->ParentCell ? aCell->ParentCell->FindNeighbourCell(aCell, aDirection, aDescend) : aCell;
    if (!aCell->ColumnItem || !aCell->RowItem) return aCell;

    if (aDescend) {
        auto* grid = dynamic_cast<TMoxGridCell*>(aCell);
        if (grid && (grid->FocusedCell || aDirection == moxdirInwards)) {
            if (!grid->FocusedCell)
                grid->SetFocusedCell(LoadedCellAt(grid, grid->GetFixedCols(), grid->GetFixedRows()));
            if (grid->FocusedCell) return grid->FindNeighbourCell(grid->FocusedCell, aDirection, aDescend);
        }
    }

    const int fixedCols = GetFixedCols();
    const int fixedRows = GetFixedRows();
    const int startCol = aCell->ColumnItem->ListIndex();
    const int startRow = aCell->RowItem->ListIndex();
    // A page is the whole rows the last layout showed, and at least one row.
    const int page = std::max(VisibleRowCount - fixedRows, 1);

    // Moves past hidden and merged cells are walked in a loop, one item at a
    // time: a long run of hidden rows must not nest calls.
    TMoxCell* from = aCell;
    TMoxDirection direction = aDirection;
    TMoxCell* target = aCell;
    for (;;) {
        int col = from->ColumnItem->ListIndex();
        int row = from->RowItem->ListIndex();
        switch (direction) {
        case moxdirLeft:
            col = std::max(col - 1, fixedCols);
            break;
        case moxdirRight:
            col = std::min(col + 1, ColumnList->Count() - 1);
            break;
        case moxdirUp:
            row = std::max(row - 1, fixedRows);
            break;
        case moxdirDown:
            row = std::min(row + 1, RowList->Count() - 1);
            break;
        case moxdirPageUp:
            row = std::max(row - page, fixedRows);
            break;
        case moxdirPageDown:
            row = std::min(row + page, RowList->Count() - 1);
            break;
        case moxdirHomeRow:
            row = fixedRows;
            break;
        case moxdirEndRow:
            row = std::max(fixedRows, RowList->Count() - 1);
            break;
        case moxdirHomeCell:
            col = fixedCols;
            break;
        case moxdirEndCell:
            col = std::max(fixedCols, ColumnList->Count() - 1);
            break;
        case moxdirInwards:
        case moxdirNone:
            break;
        }
        target = LoadedCellAt(this, col, row);
        if (!target) {
            target = from;
            break;
        }
        if (target->InGroup && !target->IsGroupMaster) {
            if (target == from) {
                target = target->GetGroupMaster();
                break;
            }
        } else if (target == from || (!target->ColumnItem->Hidden && !target->RowItem->Hidden)) {
            break;
        }
        from = target;
        direction = ContinuingStep(direction);
    }

    // A walk that ran into the end of an axis on hidden items goes back
    // toward where it started, along either axis.
    if (target->ColumnItem && target->ColumnItem->Hidden)
        target = ClosestVisibleNeighbour(startCol, ColumnList.get(), target);
    if (target->RowItem && target->RowItem->Hidden)
        target = ClosestVisibleNeighbour(startRow, RowList.get(), target);

    if (target == aCell && ParentCell && ParentCell->FocusedCell && aDirection != moxdirInwards)
        return ParentCell->FindNeighbourCell(ParentCell->FocusedCell, aDirection, false);
    return target;
}

} // namespace skedra
