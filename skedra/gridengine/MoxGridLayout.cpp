// The layout pass of a grid cell (sizes and positions of the columns and rows
// that fit a rectangle), the drawing traversal over the placed cells, hit
// testing and the scroll position with its visible-index conversions.

#include "skedra/gridengine/GridContentModel.h"

#include <QScopeGuard>

#include <algorithm>

namespace skedra
{

namespace
{

// The height (width) a cell asks of its row (column): its calculated size, or
// the item's user size when that is active, never below the cell's minimum.
int HeightCandidate(TMoxCell* aCell, const TAxisContentItem* aRow)
{
    if (aRow->GetUserSizeActive()) return std::max(aRow->GetUserSize(), aCell->GetMinHeight());
    return aCell->GetCalculatedHeight();
}

int WidthCandidate(TMoxCell* aCell, const TAxisContentItem* aColumn)
{
    if (aColumn->GetUserSizeActive()) return std::max(aColumn->GetUserSize(), aCell->GetMinWidth());
    return aCell->GetCalculatedWidth();
}

// The first placed item whose extents [start, stop] (from aBase) contain aPix.
// Positions of placed items never decrease, so a binary search finds it.
TAxisContentItem* PlacedItemAt(const std::vector<TAxisContentItem*>& aItems, int aBase, int aPix)
{
    auto it =
        std::lower_bound(aItems.begin(), aItems.end(), aPix, [aBase](const TAxisContentItem* item, int pix) {
            return aBase + item->Position + item->Size < pix;
        });
    if (it == aItems.end() || aBase + (*it)->Position > aPix) return nullptr;
    return *it;
}

} // namespace

// ---------------------------------------------------------------------------
// Layout

void TMoxGridCell::CalcVisibleArea(const TRect& aRect)
{
    TAxisContentList& cols = *ColumnList;
    TAxisContentList& rows = *RowList;
    const int width = aRect.Width();
    const int height = aRect.Height();
    // Loading a row or column may reach beyond the loading rule: what this pass
    // has walked stays loaded until the pass is done (see PinFrom).
    const auto unpinAll = [&] { cols.PinFrom = cols.PinTo = rows.PinFrom = rows.PinTo = -1; };
    auto unpin = qScopeGuard(unpinAll);
    cols.PinFrom = Left;
    rows.PinFrom = Top;

    // Measuring pass: each column's size is the largest width candidate of its
    // cells, each row's the largest height candidate; a walk stops once the
    // summed sizes exceed the rectangle.
    cols.ClearVisibles();
    rows.ClearVisibles();
    bool firstMeasured = true;
    int colSum = 0;
    for (TVisibleIterator ci(cols.FixedCount, Left, cols.Count()); !ci.Done() && colSum <= width; ci.Next()) {
        cols.PinTo = std::max(cols.PinTo, ci.Current);
        TAxisContentItem* col = cols.getAxisContentItem(ci.Current);
        if (!col) continue;
        col->Position = 0;
        col->Size = 0;
        if (col->Hidden) continue;
        int rowSum = 0;
        for (TVisibleIterator ri(rows.FixedCount, Top, rows.Count()); !ri.Done() && rowSum <= height;
             ri.Next()) {
            rows.PinTo = std::max(rows.PinTo, ri.Current);
            TAxisContentItem* row = rows.getAxisContentItem(ri.Current);
            if (!row) continue;
            if (firstMeasured) {
                row->Position = 0;
                row->Size = 0;
            }
            if (row->Hidden) continue;
            TMoxCell* cell = getCell(ci.Current, ri.Current);
            if (!cell) continue;
            if (auto* grid = dynamic_cast<TMoxGridCell*>(cell))
                grid->CalcVisibleArea(aRect);
            else
                cell->CalculateSizes();
            row->Size = std::max(row->Size, HeightCandidate(cell, row));
            col->Size = std::max(col->Size, WidthCandidate(cell, col));
            rowSum += row->Size;
        }
        firstMeasured = false;
        colSum += col->Size;
    }

    // Placing pass: positions are the sums of the sizes before each item; the
    // partly visible last column counts, a partly visible last row does not.
    DrawRect = aRect;
    VisibleColumnCount = 0;
    VisibleRowCount = 0;
    AllColumnsFit = true;
    AllRowsFit = true;
    LastPlacedColumn = 0;
    int sum = 0;
    for (TVisibleIterator ci(cols.FixedCount, Left, cols.Count()); !ci.Done(); ci.Next()) {
        cols.PinTo = std::max(cols.PinTo, ci.Current);
        TAxisContentItem* col = cols.getAxisContentItem(ci.Current);
        if (!col || col->Hidden) continue;
        ++VisibleColumnCount;
        col->Position = sum;
        cols.AddToVisible(col);
        sum += col->Size;
        if (sum > width) {
            AllColumnsFit = false;
            LastPlacedColumn = ci.Current;
            break;
        }
    }
    sum = 0;
    for (TVisibleIterator ri(rows.FixedCount, Top, rows.Count()); !ri.Done(); ri.Next()) {
        rows.PinTo = std::max(rows.PinTo, ri.Current);
        TAxisContentItem* row = rows.getAxisContentItem(ri.Current);
        if (!row || row->Hidden) continue;
        ++VisibleRowCount;
        row->Position = sum;
        rows.AddToVisible(row);
        sum += row->Size;
        if (sum > height) {
            --VisibleRowCount;
            AllRowsFit = false;
            break;
        }
    }

    unpin.dismiss();
    unpinAll();
    cols.Purge();
    rows.Purge();
#ifndef NDEBUG
    CheckLayoutInvariants();
#endif
}

void TMoxGridCell::CheckLayoutInvariants() const
{
    auto fail = [](const char* what) {
        throw Exception(QStringLiteral("Grid layout: %1").arg(QLatin1String(what)));
    };
    for (const TAxisContentList* list : {ColumnList.get(), RowList.get()}) {
        int expected = 0;
        int lastIndex = -1;
        for (TAxisContentItem* item : list->VisibleItems) {
            if (!item->InVisibleList) fail("placed item not marked");
            if (item->Hidden) fail("hidden item placed");
            if (item->List != list) fail("placed item of another axis");
            const int index = item->ListIndex();
            if (index <= lastIndex) fail("placed items out of order");
            if (!list->IsLoaded(index)) fail("placed item not loaded");
            if (item->Position != expected) fail("positions not cumulative");
            expected += item->Size;
            lastIndex = index;
        }
        int marked = 0;
        for (const auto& item : list->LoadedItems)
            marked += item->InVisibleList ? 1 : 0;
        if (marked != list->VisibleCount()) fail("marked items differ from the placed ones");
    }
    if (VisibleColumnCount != ColumnList->VisibleCount())
        fail("column count differs from the placed columns");
    if (VisibleRowCount != RowList->VisibleCount() - (AllRowsFit ? 0 : 1))
        fail("row count differs from the placed rows");
}

// ---------------------------------------------------------------------------
// Drawing traversal

void TMoxGridCell::Draw(const TRect& aRect, const TOnDrawMoxCell& aDrawProc)
{
    DrawRect = aRect;
    if (!aDrawProc) return;
    TMoxGridCellForViewer* viewer = GetViewer();
    const bool selfFixed = GetIsFixed();
    const int fixedCols = GetFixedCols();
    const int fixedRows = GetFixedRows();
    // Copies: a draw procedure may load items, which must not disturb the walk.
    const std::vector<TAxisContentItem*> columns = ColumnList->VisibleItems;
    const std::vector<TAxisContentItem*> rows = RowList->VisibleItems;
    std::vector<int> rowIndexes;
    rowIndexes.reserve(rows.size());
    for (TAxisContentItem* row : rows)
        rowIndexes.push_back(row->ListIndex());

    for (TAxisContentItem* col : columns) {
        const int c = col->ListIndex();
        if (!ColumnList->IsLoaded(c)) continue;
        const int loadedCol = ColumnList->IndexConvert_RealToLoaded(c);
        TMoxCell* prev = nullptr;
        TRect prevRect;
        TMoxDrawStateSet prevState;
        for (size_t i = 0; i < rows.size(); ++i) {
            TAxisContentItem* row = rows[i];
            const int r = rowIndexes[i];
            if (!RowList->IsLoaded(r)) {
                prev = nullptr;
                continue;
            }
            TMoxCell* cell = Matrix->getLoadedCell(loadedCol, RowList->IndexConvert_RealToLoaded(r));
            if (!cell) {
                prev = nullptr;
                continue;
            }
            TRect rect(aRect.Left + col->Position, aRect.Top + row->Position,
                       aRect.Left + col->Position + col->Size, aRect.Top + row->Position + row->Size);
            if (viewer && viewer->OnScaleRect) viewer->OnScaleRect(rect);
            cell->InGroup = false;
            cell->IsGroupMaster = false;
            if (rect.Left < aRect.Left || rect.Top < aRect.Top || rect.Left >= aRect.Right ||
                rect.Top >= aRect.Bottom || rect.IsEmpty()) {
                cell->VisibleRect = TRect(-1, -1, -1, -1);
                prev = nullptr;
                continue;
            }
            rect.Right = std::min(rect.Right, aRect.Right);
            rect.Bottom = std::min(rect.Bottom, aRect.Bottom);
            TMoxDrawStateSet state;
            if (prev && viewer && viewer->OnCheckCellGrouping && viewer->OnCheckCellGrouping(prev, cell)) {
                prev->IsGroupMaster = false;
                cell->IsGroupMaster = true;
                prev->InGroup = true;
                cell->InGroup = true;
                rect.Top = prevRect.Top;
                state = prevState;
            }
            if (selfFixed || c < fixedCols || r < fixedRows) state += moxFixed;
            if (cell == FocusedCell) state += moxFocused;
            if (cell->GetSelected()) state += moxSelected;
            cell->VisibleRect = rect;
            aDrawProc(cell->getVisibleRect(), cell, state);
            if (auto* grid = dynamic_cast<TMoxGridCell*>(cell)) grid->Draw(rect, aDrawProc);
            prev = cell;
            prevRect = rect;
            prevState = state;
        }
    }
}

// ---------------------------------------------------------------------------
// Hit testing

void TMoxGridCell::CellExtents(const TAxisContentItem* aItem, int& aStop, int& aStart, int aBase)
{
    aStart = aBase + aItem->Position;
    aStop = aStart + aItem->Size;
}

void TMoxGridCell::GridCoordsFromPix(int x, int y, int& aCol, int& aRow) const
{
    TAxisContentItem* col = PlacedItemAt(ColumnList->VisibleItems, DrawRect.Left, x);
    TAxisContentItem* row = PlacedItemAt(RowList->VisibleItems, DrawRect.Top, y);
    aCol = col ? col->ListIndex() : -1;
    aRow = row ? row->ListIndex() : -1;
}

TMoxCell* TMoxGridCell::CellFromPix(int x, int y, bool aDescend)
{
    TAxisContentItem* col = PlacedItemAt(ColumnList->VisibleItems, DrawRect.Left, x);
    TAxisContentItem* row = PlacedItemAt(RowList->VisibleItems, DrawRect.Top, y);
    if (!col || !row) return nullptr;
    TMoxCell* cell = Matrix->PeekLoadedCell(col->LoadedListIndex(), row->LoadedListIndex());
    if (!cell) return nullptr;
    auto* grid = dynamic_cast<TMoxGridCell*>(cell);
    // A nested grid that was not drawn has no valid rectangle to search.
    if (aDescend && grid && grid->VisibleRect.Left >= 0) {
        if (TMoxCell* inner = grid->CellFromPix(x, y, true)) return inner;
    }
    return cell->GetGroupMaster();
}

bool TMoxGridCell::IsFixedCell(int aCol, int aRow) const
{
    return aCol < GetFixedCols() || aRow < GetFixedRows() || GetIsFixed();
}

// ---------------------------------------------------------------------------
// Scroll position

int TMoxGridCell::Convert_TrueIndexToVisible(const TAxisContentList* aList, int aIndex)
{
    int hiddenBelow = 0;
    for (TAxisContentItem* item : aList->HiddenItems)
        if (item->ListIndex() < aIndex) ++hiddenBelow;
    return aIndex - hiddenBelow;
}

int TMoxGridCell::Convert_VisibleIndexToTrue(const TAxisContentList* aList, int aVisible)
{
    // Only loaded items can be known hidden: the walk covers the loaded items
    // and counts every unloaded one (between the block and the tail, and
    // beyond them) as shown.
    const int first = aList->FirstLoadedIndex();
    if (first < 0) return aVisible;
    int visible = Convert_TrueIndexToVisible(aList, first);
    if (aVisible < visible) return aVisible;
    int index = first;
    for (int p = aList->IndexConvert_RealToLoaded(first); p < aList->LoadedCount(); ++p) {
        const int real = aList->IndexConvert_LoadedToReal(p);
        if (aVisible - visible < real - index) return index + (aVisible - visible);
        visible += real - index;
        index = real + 1;
        if (aList->getLoadedAxisContentItem(p)->Hidden) continue;
        if (visible == aVisible) return real;
        ++visible;
    }
    return index + (aVisible - visible);
}

void TMoxGridCell::SetLeft_ScrollVal(int aValue)
{
    SetLeft(Convert_VisibleIndexToTrue(ColumnList.get(), aValue));
}
void TMoxGridCell::SetTop_ScrollVal(int aValue)
{
    SetTop(Convert_VisibleIndexToTrue(RowList.get(), aValue));
}
int TMoxGridCell::GetLeft_ScrollVal() const
{
    return Convert_TrueIndexToVisible(ColumnList.get(), Left);
}
int TMoxGridCell::GetTop_ScrollVal() const
{
    return Convert_TrueIndexToVisible(RowList.get(), Top);
}

void TMoxGridCell::GetNotVisibleAcum(int& aX, int& aY) const
{
    auto acum = [](const TAxisContentList* list, int scroll) {
        auto position = [list](int index) {
            return list->IsLoaded(index)
                       ? list->getLoadedAxisContentItem(list->IndexConvert_RealToLoaded(index))->Position
                       : 0;
        };
        int result = position(scroll);
        if (scroll > list->FixedCount) result -= position(list->FixedCount);
        return result;
    };
    aX = acum(ColumnList.get(), Left);
    aY = acum(RowList.get(), Top);
}

} // namespace skedra
