// Cells of the grid content model: the matrix, simple and grid cells, cell
// contents, creation, sizing, selection flags and the root's hooks.

#include "skedra/gridengine/GridContentModel.h"

#include <QScopedValueRollback>
#include <algorithm>

namespace skedra
{

uint8_t FrameOptionsToByte(const TFrameOptions& theOptions)
{
    uint8_t result = 0;
    for (TFrameOption o : {foLeft, foRight, foTop, foBottom})
        if (theOptions.Contains(o)) result |= static_cast<uint8_t>(1u << static_cast<int>(o));
    return result;
}

TFrameOptions FrameOptionsFromByte(uint8_t theByte)
{
    TFrameOptions result;
    for (TFrameOption o : {foLeft, foRight, foTop, foBottom})
        if (theByte & (1u << static_cast<int>(o))) result.Include(o);
    return result;
}

// ---------------------------------------------------------------------------
// TCellMatris

TCellMatris::~TCellMatris()
{
    Clear();
}

void TCellMatris::Clear()
{
    // Take the cells out first: their de-init hooks then see an empty matrix.
    auto columns = std::move(Columns);
    Columns.clear();
    for (auto& column : columns)
        for (auto& cell : column)
            cell.reset();
}

int TCellMatris::CountX() const
{
    return OwnerCell->ColumnList->Count();
}
int TCellMatris::CountY() const
{
    return OwnerCell->RowList->Count();
}
int TCellMatris::LoadedCountX() const
{
    return OwnerCell->ColumnList->LoadedCount();
}
int TCellMatris::LoadedCountY() const
{
    return OwnerCell->RowList->LoadedCount();
}

TMoxCell* TCellMatris::PeekLoadedCell(int aLoadedCol, int aLoadedRow) const
{
    if (aLoadedCol < 0 || aLoadedCol >= static_cast<int>(Columns.size())) return nullptr;
    const auto& column = Columns[static_cast<size_t>(aLoadedCol)];
    if (aLoadedRow < 0 || aLoadedRow >= static_cast<int>(column.size())) return nullptr;
    return column[static_cast<size_t>(aLoadedRow)].get();
}

TMoxCell* TCellMatris::getLoadedCell(int aLoadedCol, int aLoadedRow)
{
    if (aLoadedCol < 0 || aLoadedCol >= static_cast<int>(Columns.size())) return nullptr;
    if (aLoadedRow < 0 || aLoadedRow >= static_cast<int>(Columns[static_cast<size_t>(aLoadedCol)].size()))
        return nullptr;
    if (TMoxCell* cell = Columns[static_cast<size_t>(aLoadedCol)][static_cast<size_t>(aLoadedRow)].get())
        return cell;
    auto created = OwnerCell->CreateCell(aLoadedCol, aLoadedRow);
    // The content initialisation may have changed the matrix: place the cell
    // only where its slot still is.
    if (aLoadedCol >= static_cast<int>(Columns.size())) return nullptr;
    auto& column = Columns[static_cast<size_t>(aLoadedCol)];
    if (aLoadedRow >= static_cast<int>(column.size()) || column[static_cast<size_t>(aLoadedRow)])
        return PeekLoadedCell(aLoadedCol, aLoadedRow);
    column[static_cast<size_t>(aLoadedRow)] = std::move(created);
    return column[static_cast<size_t>(aLoadedRow)].get();
}

TMoxCell* TCellMatris::getCell(int aCol, int aRow)
{
    TAxisContentList* cols = OwnerCell->ColumnList.get();
    TAxisContentList* rows = OwnerCell->RowList.get();
    if (aCol < 0 || aCol >= cols->Count() || aRow < 0 || aRow >= rows->Count()) return nullptr;
    cols->LoadWithinRule(aCol);
    rows->LoadWithinRule(aRow);
    if (!cols->IsLoaded(aCol) || !rows->IsLoaded(aRow)) return nullptr;
    return getLoadedCell(cols->IndexConvert_RealToLoaded(aCol), rows->IndexConvert_RealToLoaded(aRow));
}

void TCellMatris::InsertX(int aLoadedCol)
{
    aLoadedCol = std::clamp(aLoadedCol, 0, static_cast<int>(Columns.size()));
    const int rows = LoadedCountY();
    Columns.insert(Columns.begin() + aLoadedCol, TColumnCells(static_cast<size_t>(rows)));
    for (int r = 0; r < rows; ++r)
        getLoadedCell(aLoadedCol, r);
}

void TCellMatris::InsertY(int aLoadedRow)
{
    for (auto& column : Columns) {
        const int at = std::clamp(aLoadedRow, 0, static_cast<int>(column.size()));
        column.insert(column.begin() + at, nullptr);
    }
    for (int c = 0; c < static_cast<int>(Columns.size()); ++c)
        getLoadedCell(c, aLoadedRow);
}

void TCellMatris::DropX(int aLoadedCol)
{
    if (aLoadedCol < 0 || aLoadedCol >= static_cast<int>(Columns.size())) return;
    auto column = std::move(Columns[static_cast<size_t>(aLoadedCol)]);
    Columns.erase(Columns.begin() + aLoadedCol);
    for (auto& cell : column)
        cell.reset();
}

void TCellMatris::DropY(int aLoadedRow)
{
    std::vector<std::unique_ptr<TMoxCell>> removed;
    for (auto& column : Columns) {
        if (aLoadedRow < 0 || aLoadedRow >= static_cast<int>(column.size())) continue;
        removed.push_back(std::move(column[static_cast<size_t>(aLoadedRow)]));
        column.erase(column.begin() + aLoadedRow);
    }
    for (auto& cell : removed)
        cell.reset();
}

namespace
{
template <class V> void MoveEntry(V& v, int aFrom, int aTo)
{
    const int n = static_cast<int>(v.size());
    if (aFrom < 0 || aFrom >= n || aTo < 0 || aTo >= n || aFrom == aTo) return;
    if (aFrom < aTo)
        std::rotate(v.begin() + aFrom, v.begin() + aFrom + 1, v.begin() + aTo + 1);
    else
        std::rotate(v.begin() + aTo, v.begin() + aFrom, v.begin() + aFrom + 1);
}
} // namespace

void TCellMatris::MoveX(int aFromLoaded, int aToLoaded)
{
    MoveEntry(Columns, aFromLoaded, aToLoaded);
}

void TCellMatris::MoveY(int aFromLoaded, int aToLoaded)
{
    for (auto& column : Columns)
        MoveEntry(column, aFromLoaded, aToLoaded);
}

namespace
{
template <class V> void ReorderEntries(V& v, int aFirst, const std::vector<int>& aFrom)
{
    const int n = static_cast<int>(aFrom.size());
    if (aFirst < 0 || aFirst + n > static_cast<int>(v.size())) return;
    V moved(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        moved[static_cast<size_t>(i)] =
            std::move(v[static_cast<size_t>(aFirst + aFrom[static_cast<size_t>(i)])]);
    std::move(moved.begin(), moved.end(), v.begin() + aFirst);
}
} // namespace

void TCellMatris::ReorderX(int aFirst, const std::vector<int>& aFrom)
{
    ReorderEntries(Columns, aFirst, aFrom);
}

void TCellMatris::ReorderY(int aFirst, const std::vector<int>& aFrom)
{
    for (auto& column : Columns)
        ReorderEntries(column, aFirst, aFrom);
}

bool TCellMatris::HasColumnSelections(int aCol) const
{
    TAxisContentList* cols = OwnerCell->ColumnList.get();
    if (aCol < 0 || aCol >= cols->Count() || !cols->IsLoaded(aCol)) return false;
    const int c = cols->IndexConvert_RealToLoaded(aCol);
    if (c >= static_cast<int>(Columns.size())) return false;
    for (const auto& cell : Columns[static_cast<size_t>(c)])
        if (cell && cell->GetSelected()) return true;
    return false;
}

bool TCellMatris::HasRowSelections(int aRow) const
{
    TAxisContentList* rows = OwnerCell->RowList.get();
    if (aRow < 0 || aRow >= rows->Count() || !rows->IsLoaded(aRow)) return false;
    const int r = rows->IndexConvert_RealToLoaded(aRow);
    for (const auto& column : Columns) {
        if (r >= static_cast<int>(column.size())) continue;
        const auto& cell = column[static_cast<size_t>(r)];
        if (cell && cell->GetSelected()) return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// TMoxCellData

void TMoxCellData::InitContent()
{
    if (!Cell) return;
    TMoxGridCellForViewer* viewer = Cell->GetViewer();
    if (!viewer || !viewer->OnInitCellData) return;
    TMoxGridCell* caller = Cell->ParentCell ? Cell->ParentCell : viewer;
    viewer->OnInitCellData(caller, this);
}

TAxisContentItem* TMoxCellData::GetAxisContentItemX() const
{
    return Cell ? Cell->ColumnItem : nullptr;
}
TAxisContentItem* TMoxCellData::GetAxisContentItemY() const
{
    return Cell ? Cell->RowItem : nullptr;
}
TMoxCellType TMoxCellData::GetMoxCellType() const
{
    return Cell ? Cell->CellType() : moxCellTypeSimple;
}

// ---------------------------------------------------------------------------
// TMoxCell

TMoxCell::TMoxCell(TMoxGridCell* aParentCell) : ParentCell(aParentCell) {}

TMoxCell::~TMoxCell()
{
    ++FFreedCells;
    DeInitCell();
}

void TMoxCell::AcquireCellData()
{
    if (ParentCell)
        CellData = ParentCell->CreateMoxCellData(this);
    else if (auto* self = dynamic_cast<TMoxGridCell*>(this))
        CellData = self->CreateMoxCellData(this);
    else
        throw Exception(QStringLiteral("CreateMoxCellData"));
    if (CellData) CellData->Cell = this;
}

void TMoxCell::DeInitCell()
{
    if (DeInitDone) return;
    DeInitDone = true;
    if (TMoxGridCellForViewer* viewer = GetViewer(); viewer && viewer->OnDeInitCell) {
        try {
            viewer->OnDeInitCell(this);
        } catch (...) {
            // A cell that is being freed cannot report a failure of its hook.
        }
    }
    CellData.reset();
    if (ParentCell) {
        if (Selected) --ParentCell->FSelectedCells;
        if (CellType() == moxCellTypeGrid) --ParentCell->FGridCells;
        if (ParentCell->FocusedCell == this) ParentCell->FocusedCell = nullptr;
    }
    // A selection anchor is kept by the grid the selection was made from,
    // which may be any ancestor.
    for (TMoxGridCell* grid = ParentCell; grid; grid = grid->ParentCell)
        if (grid->AnchorCell == this) grid->AnchorCell = nullptr;
}

TMoxGridCell* TMoxCell::GetViewerGridCell()
{
    TMoxCell* cell = this;
    while (cell->ParentCell)
        cell = cell->ParentCell;
    return dynamic_cast<TMoxGridCell*>(cell);
}

TMoxGridCellForViewer* TMoxCell::GetViewer()
{
    return dynamic_cast<TMoxGridCellForViewer*>(GetViewerGridCell());
}

void TMoxCell::SetSelected(bool aValue)
{
    if (Selected == aValue) return;
    Selected = aValue;
    if (ParentCell) ParentCell->FSelectedCells += aValue ? 1 : -1;
    if (ParentCell && ParentCell->RowSelect && RowItem && RowItem->List == ParentCell->RowList.get()) {
        const int row = RowItem->LoadedListIndex();
        TCellMatris* matrix = ParentCell->Matrix.get();
        const std::uint64_t freed = FreedCells();
        for (int c = ParentCell->GetFixedCols(); c < static_cast<int>(matrix->Columns.size()); ++c) {
            if (TMoxCell* cell = matrix->getLoadedCell(c, row); cell && cell != this) {
                cell->SetSelected(aValue);
                if (FreedCells() != freed) return; // a handler removed rows, maybe this one
            }
        }
    }
    if (TMoxGridCellForViewer* viewer = GetViewer()) viewer->SelectionChangedEvent->TriggerEvent(this);
}

TRect TMoxCell::getVisibleRect()
{
    TRect rect = VisibleRect;
    if (TMoxGridCellForViewer* viewer = GetViewer(); viewer && viewer->OnCellRectTampering)
        viewer->OnCellRectTampering(ParentCell ? ParentCell : viewer, this, rect);
    return rect;
}

int TMoxCell::GetMinHeight()
{
    int result = 20;
    if (Layout) {
        TMoxGridCellForViewer* viewer = GetViewer();
        if (Layout->WrapTextAndFit && viewer && viewer->OnMeasureHeight) {
            CalculatedHeight = Layout->MinHeight;
            if (MeasureNeeded) {
                int height = Layout->MinHeight;
                viewer->OnMeasureHeight(viewer, this, height);
                MeasuredHeight = height;
            }
            result = MeasuredHeight;
        } else {
            result = Layout->MinHeight;
        }
    }
    MeasureNeeded = false;
    return result;
}

void TMoxCell::SetMinHeight(int aValue)
{
    if (Layout) Layout->MinHeight = aValue;
}

int TMoxCell::GetMinWidth() const
{
    return Layout ? Layout->MinWidth : 20;
}

void TMoxCell::SetMinWidth(int aValue)
{
    if (Layout) Layout->MinWidth = aValue;
}

void TMoxCell::CalculateSizes()
{
    MeasureNeeded = true;
    const int minHeight = GetMinHeight();
    CalculatedHeight = std::max(CalculatedHeight, minHeight);
    CalculatedWidth = std::max(CalculatedWidth, GetMinWidth());
}

bool TMoxCell::GetIsFixed() const
{
    if (!ParentCell) return false;
    if (ColumnItem && ColumnItem->ListIndex() < ParentCell->GetFixedCols()) return true;
    if (RowItem && RowItem->ListIndex() < ParentCell->GetFixedRows()) return true;
    return ParentCell->GetIsFixed();
}

// ---------------------------------------------------------------------------
// TMoxGridCell

TMoxGridCell::TMoxGridCell(TMoxGridCell* aParentCell)
    : TMoxCell(aParentCell), ColumnList(std::make_unique<TAxisContentList>(this)),
      RowList(std::make_unique<TAxisContentList>(this)), Matrix(std::make_unique<TCellMatris>(this)),
      TopLeftChangedEvent(std::make_unique<TEvent>(this)), FocusChangedEvent(std::make_unique<TEvent>(this))
{
}

TMoxGridCell::~TMoxGridCell()
{
    DestroyContent();
    DeInitCell();
}

void TMoxGridCell::DestroyContent()
{
    if (ContentDestroyed) return;
    ContentDestroyed = true;
    Matrix->Clear();
    FocusedCell = nullptr;
    AnchorCell = nullptr;
    ColumnList->VisibleItems.clear();
    RowList->VisibleItems.clear();
}

std::unique_ptr<TMoxCellData> TMoxGridCell::CreateMoxCellData(TMoxCell* aCell)
{
    for (TMoxCell* cell = this; cell; cell = cell->ParentCell) {
        auto* viewer = dynamic_cast<TMoxGridCellForViewer*>(cell);
        if (!viewer) continue;
        const TMoxCellDataClass& cls =
            aCell->CellType() == moxCellTypeGrid ? viewer->GridCellDataClass : viewer->SimpleCellDataClass;
        if (cls) {
            auto data = cls();
            if (data) return data;
        }
    }
    throw Exception(QStringLiteral("CreateMoxCellData"));
}

std::unique_ptr<TMoxCell> TMoxGridCell::CreateCell(int aLoadedCol, int aLoadedRow)
{
    TAxisContentItem* colItem = ColumnList->getLoadedAxisContentItem(aLoadedCol);
    TAxisContentItem* rowItem = RowList->getLoadedAxisContentItem(aLoadedRow);
    TMoxCellType type = moxCellTypeSimple;
    if (TMoxGridCellForViewer* viewer = GetViewer(); viewer && viewer->OnCreateCell)
        type = viewer->OnCreateCell(this, colItem, rowItem);
    std::unique_ptr<TMoxCell> cell;
    if (type == moxCellTypeGrid) {
        cell = std::make_unique<TMoxGridCell>(this);
        ++FGridCells;
    } else
        cell = std::make_unique<TMoxSimpleCell>(this);
    cell->AcquireCellData();
    cell->ColumnItem = colItem;
    cell->RowItem = rowItem;
    if (cell->CellData) cell->CellData->InitContent();
    if (auto* grid = dynamic_cast<TMoxGridCell*>(cell.get())) {
        new TSingleEventListener(grid->FocusChangedEvent.get(),
                                 MakeMethod<&TMoxGridCell::_OnNestedFocusChanged>(this), true);
    }
    return cell;
}

void TMoxGridCell::_OnNestedFocusChanged(TSingleEventListener* /*theEventListener*/)
{
    FocusChangedEvent->TriggerEvent(nullptr);
}

int TMoxGridCell::GetCalculatedHeight()
{
    int sum = 0;
    for (const auto& item : RowList->LoadedItems)
        sum += item->Size;
    return std::max(GetMinHeight(), sum);
}

int TMoxGridCell::GetCalculatedWidth()
{
    int sum = 0;
    for (const auto& item : ColumnList->LoadedItems)
        sum += item->Size;
    return std::max(GetMinWidth(), sum);
}

void TMoxGridCell::SetSelected(bool aValue)
{
    const std::uint64_t freed = FreedCells();
    TMoxCell::SetSelected(aValue);
    if (FreedCells() != freed) return; // a handler removed rows, maybe this grid's
    if (!aValue && FSelectedCells == 0 && FGridCells == 0) return;
    // Applied to the content even when the own flag did not change, so that
    // deselecting a grid always reaches every cell in it.
    for (int c = GetFixedCols(); c < static_cast<int>(Matrix->Columns.size()); ++c) {
        for (int r = GetFixedRows(); r < static_cast<int>(Matrix->Columns[static_cast<size_t>(c)].size());
             ++r) {
            if (TMoxCell* cell = Matrix->PeekLoadedCell(c, r)) {
                cell->SetSelected(aValue);
                if (FreedCells() != freed) return;
            }
        }
    }
}

void TMoxGridCell::SetFixedCols(int aValue)
{
    ColumnList->SetFixedCount(aValue);
}
void TMoxGridCell::SetFixedRows(int aValue)
{
    RowList->SetFixedCount(aValue);
}

void TMoxGridCell::SetLeft(int aValue)
{
    if (aValue == Left) return;
    Left = std::max(aValue, GetFixedCols());
    TopLeftChangedEvent->TriggerEvent(nullptr);
}

void TMoxGridCell::SetTop(int aValue)
{
    if (aValue == Top) return;
    Top = std::max(aValue, GetFixedRows());
    TopLeftChangedEvent->TriggerEvent(nullptr);
}

void TMoxGridCell::RaiseAxisChanged(TAxisContentList* aList, int aFrom)
{
    if (ContentDestroyed) return;
    TMoxGridCellForViewer* viewer = GetViewer();
    if (viewer == nullptr) return;
    // Only the viewer's own rows have places the view can judge.
    const bool ownRows = viewer == this && aList != nullptr && aList == RowList.get();
    const QScopedValueRollback first(viewer->AxisChangeFirstRow, ownRows ? aFrom : -1);
    if (ownRows) {
        viewer->ReportedUnloadedBefore = RowList->UnloadedBefore;
        viewer->ReportedUnloadedBetween = RowList->UnloadedBetween;
        viewer->ReportedLoaded = RowList->LoadedCount();
        viewer->ReportedCount = RowList->Count();
    }
    viewer->AxisChangedEvent->TriggerEvent(nullptr);
}

void TMoxGridCell::InsertingAxisItem(TAxisContentList* aList, TAxisContentItem* /*aItem*/, int aLoadedIndex)
{
    if (aList == ColumnList.get())
        Matrix->InsertX(aLoadedIndex);
    else if (aList == RowList.get())
        Matrix->InsertY(aLoadedIndex);
    else
        throw Exception(QString());
    RaiseAxisChanged(aList, aList->IndexConvert_LoadedToReal(aLoadedIndex));
}

void TMoxGridCell::DroppingAxisItem(TAxisContentList* aList, TAxisContentItem* aItem, int aLoadedIndex)
{
    if (aList != ColumnList.get() && aList != RowList.get()) throw Exception(QString());
    const int from = aList->IndexConvert_LoadedToReal(aLoadedIndex);
    if (TMoxGridCellForViewer* viewer = GetViewer()) {
        const QScopedValueRollback dropping(viewer->DroppingItem, aItem);
        RaiseAxisChanged(aList, from);
    } else {
        RaiseAxisChanged(aList, from);
    }
    if (aList == ColumnList.get())
        Matrix->DropX(aLoadedIndex);
    else
        Matrix->DropY(aLoadedIndex);
}

void TMoxGridCell::DroppedAxisItem(TAxisContentList* aList)
{
    if (ContentDestroyed) return;
    if (aList == ColumnList.get()) {
        if (Left >= ColumnList->Count() && Left != GetFixedCols()) {
            Left = GetFixedCols();
            TopLeftChangedEvent->TriggerEvent(nullptr);
        }
    } else if (aList == RowList.get()) {
        if (Top >= RowList->Count() && Top != GetFixedRows()) {
            Top = GetFixedRows();
            TopLeftChangedEvent->TriggerEvent(nullptr);
        }
    }
}

void TMoxGridCell::MowingAxisItem(TAxisContentList* aList, int aFromLoaded, int aToLoaded)
{
    if (aList == ColumnList.get())
        Matrix->MoveX(aFromLoaded, aToLoaded);
    else if (aList == RowList.get())
        Matrix->MoveY(aFromLoaded, aToLoaded);
    else
        throw Exception(QString());
    RaiseAxisChanged(aList, aList->IndexConvert_LoadedToReal(std::min(aFromLoaded, aToLoaded)));
}

void TMoxGridCell::ReorderedAxisItems(TAxisContentList* aList, int aFirstLoaded,
                                      const std::vector<int>& aFrom)
{
    if (aList == ColumnList.get())
        Matrix->ReorderX(aFirstLoaded, aFrom);
    else if (aList == RowList.get())
        Matrix->ReorderY(aFirstLoaded, aFrom);
    else
        throw Exception(QString());
    RaiseAxisChanged(aList, aList->IndexConvert_LoadedToReal(aFirstLoaded));
}

void TMoxGridCell::ChangeInUnloaded(TAxisContentList* aList)
{
    // Unloaded rows added after all others move nothing before them; any
    // other change of the unloaded blocks (or of a row's visibility) may
    // move every row.
    int from = -1;
    if (TMoxGridCellForViewer* viewer = GetViewer(); viewer == this && aList == RowList.get()) {
        if (aList->UnloadedBefore == viewer->ReportedUnloadedBefore &&
            aList->UnloadedBetween == viewer->ReportedUnloadedBetween &&
            aList->LoadedCount() == viewer->ReportedLoaded && aList->Count() > viewer->ReportedCount)
            from = viewer->ReportedCount;
    }
    RaiseAxisChanged(aList, from);
}

// ---------------------------------------------------------------------------
// TMoxGridCellForViewer

TMoxGridCellForViewer::TMoxGridCellForViewer(QObject* aViewer, TMoxCellDataClass aGridCellDataClass,
                                             TMoxCellDataClass aSimpleCellDataClass)
    : TMoxGridCell(nullptr), Viewer(aViewer), AxisChangedEvent(std::make_unique<TEvent>(this)),
      UserSizeChangedEvent(std::make_unique<TEvent>(this)),
      SelectionChangedEvent(std::make_unique<TEvent>(this)),
      SimpleCellDataClass(std::move(aSimpleCellDataClass)), GridCellDataClass(std::move(aGridCellDataClass))
{
    // The root's own content, when the view gives a class for it.
    if (GridCellDataClass) AcquireCellData();
}

TMoxGridCellForViewer::~TMoxGridCellForViewer()
{
    // Free the cells while the hooks are still reachable.
    DestroyContent();
    DeInitCell();
}

} // namespace skedra
