// The grid component: construction, fixed items and columns built from the
// column collections, editor choice by column kind, cell creation and
// content, sub-grids, column visibility, grouping, the last column filling
// the width, sizing events, header texts, icons and the public operations on
// cells and rows. Sorting is in qvGridSort.cpp, tree rows in qvGridTree.cpp.

#include "skedra/grid/qvGrid.h"

#include <QScopedValueRollback>
#include <algorithm>

#include "skedra/foundation/DoLater.h"
#include "skedra/gridengine/MoxInplaceEditors.h"

namespace skedra
{

namespace
{
// Width of the info column.
constexpr int kInfoColumnWidth = 20;
// The user size that marks a last column filling the remaining width.
constexpr int kFillMarker = 1000;
// What the control's width loses to its border when the fill width is measured.
constexpr int kFillBorder = 5;

TAxisContentItem* LastColumnItem(TMoxGridCell* aGridCell)
{
    TAxisContentList* cols = aGridCell->ColumnList.get();
    if (cols->Count() <= cols->FixedCount) return nullptr;
    return cols->getAxisContentItem(cols->Count() - 1);
}

// Calls aVisit for every existing cell of aGridCell and of the grids nested in it.
template <class F> void ForEachCell(TMoxGridCell* aGridCell, const F& aVisit)
{
    for (auto& column : aGridCell->Matrix->Columns)
        for (auto& cell : column) {
            if (!cell) continue;
            aVisit(cell.get());
            if (auto* grid = dynamic_cast<TMoxGridCell*>(cell.get())) ForEachCell(grid, aVisit);
        }
}
} // namespace

#ifndef QT_NO_DEBUG
#define SKEDRA_GRID_CHECK()                                                                                  \
    do {                                                                                                     \
        QString why;                                                                                         \
        Q_ASSERT_X(CheckInvariants(&why), "TqvGrid", qPrintable(why));                                       \
    } while (false)
#else
#define SKEDRA_GRID_CHECK() (void)0
#endif

// ---------------------------------------------------------------------------
// TMoxSubGridCellDataTreeRef

TMoxSubGridCellDataTreeRef::~TMoxSubGridCellDataTreeRef()
{
    GridTree.reset();
}

std::unique_ptr<TqvGridTree> TMoxSubGridCellDataTreeRef::CreateGridTree()
{
    TMoxGridCellForViewer* root = Cell ? Cell->GetViewer() : nullptr;
    if (auto* grid = root ? dynamic_cast<TqvGrid*>(root->GetViewer()) : nullptr)
        return grid->CreateGridTree();
    return std::make_unique<TqvGridTree>();
}

// ---------------------------------------------------------------------------
// Construction

TqvGrid::TqvGrid(QWidget* aOwner) : TMoxGridView_Custom(aOwner)
{
    FCellLayouts = CreateCellLayoutsCollection();
    FColumns = CreateColumnsCollection();
    FSubGrids = CreateSubGridsCollection();
    FHasHeaders = true;
    FHasInfoCol = true;
    FFixedPending = true;
    TMoxGridCellForViewer* root = GetRootCell();
    // The root's content can hold a grid tree like every nested grid's.
    root->CellData = std::make_unique<TMoxSubGridCellDataTreeRef>();
    root->CellData->Cell = root;
    root->OnCreateCell = MakeMethod<&TqvGrid::_OnCreateCell>(this);
    OnCellHasButton = MakeMethod<&TqvGrid::_OnCellHasButton>(this);
}

TqvGrid::~TqvGrid()
{
    FGridDestroying = true;
    MarkDestroying();
    TDoLater::NeverMind(MakeMethod<&TqvGrid::_ExtendLastColumn>(this));
    TDoLater::NeverMind(MakeMethod<&TqvGrid::ClearExpandedStateAlreadySavedFlag>(this));
    // The trees and the cells go while the grid is whole, so that their
    // de-init hooks and the trees' notifications find every part of it.
    TMoxGridCellForViewer* root = GetRootCell();
    if (TMoxSubGridCellDataTreeRef* ref = TreeRefOf(root)) ref->GridTree.reset();
    root->RowList->Clear();
    root->ColumnList->Clear();
    FSortColumn = nullptr;
    FSubGrids.reset();
    DestroyColumns();
    FCellLayouts.reset();
}

void TqvGrid::DestroyColumns()
{
    FColumns.reset();
}

std::unique_ptr<TqvGrid_Columns> TqvGrid::CreateColumnsCollection()
{
    return std::make_unique<TqvGrid_Columns>(this, nullptr);
}
std::unique_ptr<TqvGrid_SubGrids> TqvGrid::CreateSubGridsCollection()
{
    return std::make_unique<TqvGrid_SubGrids>(this);
}
std::unique_ptr<TqvCellLayouts> TqvGrid::CreateCellLayoutsCollection()
{
    return std::make_unique<TqvCellLayouts>(this);
}

TMoxCellDataClass TqvGrid::GetGridCellDataClass()
{
    return MoxCellDataClassOf<TMoxSubGridCellDataTreeRef>();
}

// ---------------------------------------------------------------------------
// Properties

void TqvGrid::SetHasHeaders(bool aValue)
{
    FHasHeaders = aValue;
    FFixedPending = true;
    EnsureFixed();
}

void TqvGrid::SetHasInfoCol(bool aValue)
{
    FHasInfoCol = aValue;
    FFixedPending = true;
    EnsureFixed();
}

void TqvGrid::SetExtendLastColumnToWidth(bool aValue)
{
    if (FExtendLastColumnToWidth == aValue) return;
    FExtendLastColumnToWidth = aValue;
    if (!aValue) {
        // The columns that filled the width get their own width back.
        const QScopedValueRollback sizing(FSizingByGrid, true);
        for (const auto& item : GetRootCell()->ColumnList->LoadedItems)
            if (TqvGrid_Column* column = AxisContentItemToColumn(item.get()); column && column->FFillsWidth) {
                column->FFillsWidth = false;
                item->SetUserSize(column->GetWidth());
            }
    }
    RecalcExtents();
}

// ---------------------------------------------------------------------------
// Fixed items and columns

void TqvGrid::InitColumnsAndFixed(TMoxGridCell* aGridCell, TqvGrid_Columns* aColumns, bool aHasHeaders,
                                  bool aHasInfoCol)
{
    if (!aGridCell || !aColumns) return;
    const QScopedValueRollback sizing(FSizingByGrid, true);
    TAxisContentList* cols = aGridCell->ColumnList.get();
    TAxisContentList* rows = aGridCell->RowList.get();
    if (aHasInfoCol) {
        if (aGridCell->GetFixedCols() != 1) {
            aGridCell->SetFixedCols(1);
            cols->InsertNew(0, nullptr);
        }
        if (TAxisContentItem* info = cols->getAxisContentItem(0)) {
            info->Data = nullptr;
            info->SetUserSizeActive(true);
            if (info->GetUserSize() != kInfoColumnWidth) info->SetUserSize(kInfoColumnWidth);
        }
    } else if (aGridCell->GetFixedCols() != 0) {
        aGridCell->SetFixedCols(0);
        cols->Drop(0);
    }
    if (aHasHeaders) {
        if (aGridCell->GetFixedRows() != 1) {
            aGridCell->SetFixedRows(1);
            rows->InsertNew(0, nullptr);
        }
    } else if (aGridCell->GetFixedRows() == 1) {
        // Only a header row is dropped; without one, row 0 holds data.
        aGridCell->SetFixedRows(0);
        rows->Drop(0);
    }
    const int fixed = aGridCell->GetFixedCols();
    while (cols->Count() < fixed + aColumns->Count())
        cols->AddNew(aColumns->GetColumn(cols->Count() - fixed));
    while (cols->Count() > fixed + aColumns->Count())
        cols->Drop(cols->Count() - 1);
    for (int i = 0; i < aColumns->Count(); ++i) {
        TAxisContentItem* item = cols->getAxisContentItem(fixed + i);
        if (!item) continue;
        TqvGrid_Column* column = aColumns->GetColumn(i);
        item->Data = column;
        column->FFillsWidth = false;
        item->SetUserSizeActive(true);
        if (item->GetUserSize() != column->GetWidth()) item->SetUserSize(column->GetWidth());
    }
    if (TqvGrid_SubGrid* subGrid = aColumns->GetSubGrid()) {
        auto& cells = subGrid->FCells;
        if (std::find(cells.begin(), cells.end(), aGridCell) == cells.end()) cells.push_back(aGridCell);
    }
    aColumns->VisibilityDirty = true;
}

void TqvGrid::EnsureFixed()
{
    if (!FFixedPending || FGridDestroying) return;
    FFixedPending = false;
    InitColumnsAndFixed(GetRootCell(), FColumns.get(), FHasHeaders, FHasInfoCol);
    RecalcExtents();
    SKEDRA_GRID_CHECK();
}

void TqvGrid::ColumnStructureChanged()
{
    if (FGridDestroying) return;
    FFixedPending = true;
    Invalidate();
}

std::vector<TMoxGridCell*> TqvGrid::GridCellsOf(TqvGrid_Columns* aColumns)
{
    if (!aColumns) return {};
    if (aColumns == FColumns.get()) return {GetRootCell()};
    if (TqvGrid_SubGrid* subGrid = aColumns->GetSubGrid()) return subGrid->FCells;
    return {};
}

TqvGrid_Columns* TqvGrid::ColumnsOfGridCell(TMoxGridCell* aGridCell)
{
    if (!aGridCell) return nullptr;
    if (!aGridCell->ParentCell) return FColumns.get();
    TMoxSubGridCellDataTreeRef* ref = TreeRefOf(aGridCell);
    return ref && ref->FSubGrid ? ref->FSubGrid->GetColumns() : nullptr;
}

TMoxSubGridCellDataTreeRef* TqvGrid::TreeRefOf(TMoxCell* aGridCell) const
{
    if (!aGridCell || aGridCell->CellType() != moxCellTypeGrid) return nullptr;
    return dynamic_cast<TMoxSubGridCellDataTreeRef*>(aGridCell->CellData.get());
}

void TqvGrid::ColumnCreated(TqvGrid_Column* aColumn)
{
    _ColumnCreated(aColumn);
    if (TqvGrid_SubGrid* subGrid = aColumn->GetSubGrid()) {
        for (TMoxGridCell* cell : std::vector<TMoxGridCell*>(subGrid->FCells))
            InitColumnsAndFixed(cell, subGrid->GetColumns(), subGrid->GetHasHeaders(),
                                subGrid->GetHasInfoCol());
        RecalcExtents();
    } else {
        ColumnStructureChanged();
    }
}

void TqvGrid::ColumnDestroying(TqvGrid_Column* aColumn)
{
    _ColumnDestroy(aColumn);
    if (FSortColumn == aColumn) FSortColumn = nullptr;
    for (TMoxGridCell* cell : GridCellsOf(aColumn->GetColumns())) {
        TAxisContentList* cols = cell->ColumnList.get();
        for (int p = cols->LoadedCount() - 1; p >= 0; --p)
            if (cols->getLoadedAxisContentItem(p)->Data == aColumn)
                cols->Drop(cols->IndexConvert_LoadedToReal(p));
    }
    if (aColumn->GetSubGrid())
        RecalcExtents();
    else
        ColumnStructureChanged();
}

void TqvGrid::ColumnMoved(TqvGrid_Column* aColumn, int aFrom, int aTo)
{
    for (TMoxGridCell* cell : GridCellsOf(aColumn->GetColumns())) {
        const int fixed = cell->GetFixedCols();
        cell->ColumnList->Move(aFrom + fixed, aTo + fixed);
    }
    RecalcExtents();
}

void TqvGrid::ColumnVisibilityChanged(TqvGrid_Columns* aColumns)
{
    if (!aColumns) return;
    aColumns->VisibilityDirty = true;
    RecalcExtents();
}

void TqvGrid::ApplyVisibility(TqvGrid_Columns* aColumns)
{
    aColumns->VisibilityDirty = false;
    for (TMoxGridCell* cell : GridCellsOf(aColumns)) {
        const int fixed = cell->GetFixedCols();
        for (int i = 0; i < aColumns->Count(); ++i)
            if (TAxisContentItem* item = cell->ColumnList->getAxisContentItem(fixed + i))
                item->SetHide(aColumns->GetColumn(i)->GetHidden());
    }
}

void TqvGrid::LayoutsChanged()
{
    ++FLayoutGeneration;
    Invalidate();
}

void TqvGrid::LayoutDestroying(TqvCellLayout* aLayout)
{
    ++FLayoutGeneration;
    // No cell may keep pointing at the layout that goes.
    const TLayoutProp* gone = aLayout->GetLayout();
    TLayoutProp* fallback = GetDefaultLayout();
    ForEachCell(GetRootCell(), [&](TMoxCell* cell) {
        if (cell->Layout == gone) cell->Layout = cell->GetIsFixed() ? nullptr : fallback;
    });
    RecalcExtents();
}

void TqvGrid::SubGridDestroying(TqvGrid_SubGrid* aSubGrid)
{
    // The nested grids built from it keep their items, which no longer name a column.
    for (TMoxGridCell* cell : aSubGrid->FCells) {
        if (TMoxSubGridCellDataTreeRef* ref = TreeRefOf(cell)) ref->FSubGrid = nullptr;
        for (const auto& item : cell->ColumnList->LoadedItems)
            if (auto* column = dynamic_cast<TqvGrid_Column*>(item->Data);
                column && column->GetSubGrid() == aSubGrid)
                item->Data = nullptr;
    }
    aSubGrid->FCells.clear();
    RecalcExtents();
}

// ---------------------------------------------------------------------------
// Cells and their content

TqvGrid_Column* TqvGrid::AxisContentItemToColumn(TAxisContentItem* aItem)
{
    if (!aItem || !aItem->List) return nullptr;
    if (aItem->Data)
        if (auto* column = dynamic_cast<TqvGrid_Column*>(aItem->Data)) return column;
    TMoxGridCell* owner = aItem->List->OwnerCell;
    if (!owner || aItem->List != owner->ColumnList.get()) return nullptr;
    TqvGrid_Columns* columns = ColumnsOfGridCell(owner);
    // GetColumn answers none outside the collection (the info column included).
    return columns ? columns->GetColumn(aItem->ListIndex() - owner->GetFixedCols()) : nullptr;
}

TqvGrid_Column* TqvGrid::CellToColumn(TMoxCell* aCell)
{
    return aCell ? AxisContentItemToColumn(aCell->ColumnItem) : nullptr;
}

TAxisContentItem* TqvGrid::ColumnToAxisContentItem(TqvGrid_Column* aColumn)
{
    if (!aColumn) return nullptr;
    for (const auto& item : GetRootCell()->ColumnList->LoadedItems)
        if (item->Data == aColumn) return item.get();
    return nullptr;
}

TqvGrid_SubGrid* TqvGrid::ColumnToSubGrid(TAxisContentItem* aRowItem, TqvGrid_Column* aColumn)
{
    if (!aColumn) return nullptr;
    QString name = aColumn->GetSubGridName();
    aColumn->OnContextSensitiveSubGrid(this, aRowItem, aColumn, name);
    return FSubGrids->SubGridByName(name);
}

TMoxCellType TqvGrid::_OnCreateCell(TMoxGridCell* aCaller, TAxisContentItem* aXItem, TAxisContentItem* aYItem)
{
    if (!aCaller || !aXItem || !aYItem) return moxCellTypeSimple;
    if (aXItem->ListIndex() < aCaller->GetFixedCols() || aYItem->ListIndex() < aCaller->GetFixedRows() ||
        aCaller->GetIsFixed())
        return moxCellTypeSimple;
    TqvGrid_Column* column = AxisContentItemToColumn(aXItem);
    if (column && (column->GetKind() == tckSubGrid || column->GetKind() == tckSubTree))
        return moxCellTypeGrid;
    return moxCellTypeSimple;
}

void TqvGrid::InitContent(TMoxSimpleCellStringData* aData)
{
    TMoxGridView_Custom::InitContent(aData);
    TMoxCell* cell = aData->Cell;
    TqvGrid_Column* column = CellToColumn(cell);
    if (!column) return;
    if (!cell->GetIsFixed())
        if (TLayoutProp* layout = column->GetLayoutProp()) cell->Layout = layout;
    if (column->GetKind() == tckBool) aData->IsBoolean = true;
}

void TqvGrid::initSubGridContent(TMoxSubGridCellData* aData)
{
    TMoxGridView_Custom::initSubGridContent(aData);
    auto* cell = aData ? dynamic_cast<TMoxGridCell*>(aData->Cell) : nullptr;
    if (!cell || !cell->ParentCell) return;
    InitSubGrid(cell);
    if (!cell->GetIsFixed())
        if (TqvGrid_Column* column = CellToColumn(cell))
            if (TLayoutProp* layout = column->GetLayoutProp()) cell->Layout = layout;
}

void TqvGrid::InitSubGrid(TMoxGridCell* aGridCell)
{
    TqvGrid_Column* column = CellToColumn(aGridCell);
    TqvGrid_SubGrid* subGrid = ColumnToSubGrid(aGridCell->RowItem, column);
    TMoxSubGridCellDataTreeRef* ref = TreeRefOf(aGridCell);
    if (!subGrid || !ref) return;
    ref->FSubGrid = subGrid;
    InitColumnsAndFixed(aGridCell, subGrid->GetColumns(), subGrid->GetHasHeaders(), subGrid->GetHasInfoCol());
    SetUseTreeInSubGrid(aGridCell, column->GetKind() == tckSubTree);
}

void TqvGrid::OnCellDeInit(TMoxCell* aCell)
{
    TMoxGridView_Custom::OnCellDeInit(aCell);
    TMoxSubGridCellDataTreeRef* ref = aCell->ParentCell ? TreeRefOf(aCell) : nullptr;
    if (!ref) return;
    if (ref->FSubGrid && !FGridDestroying) std::erase(ref->FSubGrid->FCells, aCell);
    ref->FSubGrid = nullptr;
    ref->GridTree.reset();
    ref->UseGridTree = false;
}

bool TqvGrid::_OnCellHasButton(TMoxGridView_Custom*, TMoxCell* aCell)
{
    TqvGrid_Column* column = CellToColumn(aCell);
    return column && column->GetTreeButton();
}

// ---------------------------------------------------------------------------
// Editing

void TqvGrid::ChooseEditor(TMoxSimpleCellStringData* aData, TMoxEditorType& aChoice)
{
    TqvGrid_Column* column = aData ? CellToColumn(aData->Cell) : nullptr;
    if (!column) return;
    switch (column->GetKind()) {
    case tckSimpleEdit:
        aChoice = moxETEdit;
        break;
    case tckMemo:
        aChoice = moxETMemo;
        break;
    case tckBool:
        aChoice = moxETBool;
        break;
    case tckCombo:
        aChoice = moxETCombo;
        break;
    case tckDate:
    case tckTime:
        aChoice = moxETDateTime;
        break;
    case tckSubGrid:
    case tckSubTree:
        break;
    }
}

void TqvGrid::InitEditor(QWidget* aEditor, TMoxCell* aCell, QString& aText)
{
    TMoxGridView_Custom::InitEditor(aEditor, aCell, aText);
    TqvGrid_Column* column = CellToColumn(aCell);
    if (!column) return;
    if (aEditor == GetComboEditor()) {
        OnBeforeEditWithCombo(this, column, aCell);
    } else if (aEditor == GetDateTimeEditor()) {
        TMoxInplaceDateTimeEditor* picker = GetDateTimeEditor();
        picker->SetKind(column->GetKind() == tckDate ? dtkDate : dtkTime);
        picker->SetShowCheckbox(column->GetCheckBoxOnDateTime());
        if (column->GetCheckBoxOnDateTime()) picker->SetChecked(!aText.isEmpty());
    }
}

void TqvGrid::InitEditCombo(const QStringList& aItems, int aItemIndex)
{
    GetComboEditor()->SetItems(aItems);
    if (aItemIndex != -1) GetComboEditor()->SetItemIndex(aItemIndex);
}

// ---------------------------------------------------------------------------
// Update cycle, last column, sizing

void TqvGrid::OffscreenPaint()
{
    EnsureFixed();
    TMoxGridView_Custom::OffscreenPaint();
}

void TqvGrid::HardViewParamsUpdate()
{
    if (FColumns->VisibilityDirty) ApplyVisibility(FColumns.get());
    for (int i = 0; i < FSubGrids->Count(); ++i)
        if (TqvGrid_Columns* columns = FSubGrids->GetSubGrid(i)->GetColumns(); columns->VisibilityDirty)
            ApplyVisibility(columns);
    if (TqvGridTree* tree = GetTree()) tree->IntegrationTargetInvalidate();
    if (FExtendLastColumnToWidth) TDoLater::DoLater(MakeMethod<&TqvGrid::_ExtendLastColumn>(this));
    TMoxGridView_Custom::HardViewParamsUpdate();
}

void TqvGrid::_ExtendLastColumn(TObject*)
{
    if (!FExtendLastColumnToWidth || GetIsPrinting() || FGridDestroying) return;
    EnsureFixed();
    TMoxGridCellForViewer* root = GetRootCell();
    TAxisContentItem* last = LastColumnItem(root);
    bool changed = false;
    {
        // A column that filled the width and is no longer the last one gets its own width back.
        const QScopedValueRollback sizing(FSizingByGrid, true);
        for (const auto& item : root->ColumnList->LoadedItems)
            if (TqvGrid_Column* column = AxisContentItemToColumn(item.get());
                column && column->FFillsWidth && item.get() != last) {
                column->FFillsWidth = false;
                item->SetUserSize(column->GetWidth());
                changed = true;
            }
    }
    // A last column already 1000 wide stays as it is, also when the user chose that width.
    if (AxisContentItemToColumn(last) && last->GetUserSize() != kFillMarker) {
        SetFillMarker(root);
        changed = true;
    }
    if (changed) RecalcExtents();
}

void TqvGrid::SetFillMarker(TMoxGridCell* aGridCell)
{
    TAxisContentItem* last = LastColumnItem(aGridCell);
    TqvGrid_Column* column = AxisContentItemToColumn(last);
    if (!column) return;
    const QScopedValueRollback sizing(FSizingByGrid, true);
    column->FFillsWidth = true;
    last->SetUserSizeActive(true);
    if (last->GetUserSize() != kFillMarker) last->SetUserSize(kFillMarker);
}

void TqvGrid::ExtendSubGridsLastColumns()
{
    for (int i = 0; i < FSubGrids->Count(); ++i) {
        TqvGrid_SubGrid* subGrid = FSubGrids->GetSubGrid(i);
        if (!subGrid->GetExtendLastColumnToWidth()) continue;
        for (TMoxGridCell* cell : subGrid->FCells)
            SetFillMarker(cell);
    }
}

int TqvGrid::GetWidthOffAxisContentItemForHeightCalculation(TMoxGridCell* aGridCell,
                                                            TAxisContentItem* aColumn)
{
    const int width = TMoxGridView_Custom::GetWidthOffAxisContentItemForHeightCalculation(aGridCell, aColumn);
    TqvGrid_Column* column = AxisContentItemToColumn(aColumn);
    if (!aGridCell || !column || !column->FFillsWidth || aColumn->GetUserSize() != kFillMarker ||
        aColumn != LastColumnItem(aGridCell))
        return width;
    int available;
    if (aGridCell->ParentCell) {
        available = aGridCell->VisibleRect.Width();
    } else {
        available = GetWidth() - kFillBorder;
        if (GetVertScrollBar()->GetVisible() && !GetVertScrollHijacked())
            available -= GetVertScrollBar()->GetWidth();
    }
    int before = 0;
    for (const auto& item : aGridCell->ColumnList->LoadedItems) {
        if (item.get() == aColumn) break;
        if (!item->Hidden) before += item->Size;
    }
    // Columns wider than the view leave the last one its minimum width, never less.
    const TLayoutProp* layout = column->GetLayoutProp();
    return std::max(available - before, layout ? layout->MinWidth : 20);
}

void TqvGrid::TopLeftChanged()
{
    TMoxGridView_Custom::TopLeftChanged();
    const int left = GetRootCell()->Left;
    if (FExtendLastColumnToWidth && left != FLastLeft) RecalcExtents();
    FLastLeft = left;
}

void TqvGrid::Resize()
{
    TMoxGridView_Custom::Resize();
    if (FExtendLastColumnToWidth) RecalcExtents();
}

void TqvGrid::UserSizeChanged(TAxisContentItem* aItem)
{
    if (FSizingByGrid || FGridDestroying || !aItem) return;
    TMoxGridCellForViewer* root = GetRootCell();
    if (aItem->List == root->ColumnList.get()) {
        // A width the user or the program chose is a width, also when it is 1000.
        if (TqvGrid_Column* column = AxisContentItemToColumn(aItem)) column->FFillsWidth = false;
        ExtendSubGridsLastColumns();
        RecalcExtents();
        OnColumnResized(this, aItem->ListIndex() - root->GetFixedCols());
    } else if (aItem->List == root->RowList.get()) {
        OnRowResized(this, aItem->ListIndex() - root->GetFixedRows());
        RecalcExtents();
    }
}

// ---------------------------------------------------------------------------
// Painting: grouping, header texts, icons

bool TqvGrid::_OnCheckCellGrouping(TMoxCell* aGroupingCell, TMoxCell* aTestCell)
{
    TqvGrid_Column* column = CellToColumn(aGroupingCell);
    if (!column || !column->GetGroupcells() || !aTestCell || aGroupingCell->GetIsFixed()) return false;
    if (column->OnGroupcellCompare) return column->OnGroupcellCompare(this, column, aGroupingCell, aTestCell);
    // Only simple cells have texts to compare.
    return aGroupingCell->CellType() == moxCellTypeSimple && aTestCell->CellType() == moxCellTypeSimple &&
           GetText(aGroupingCell) == GetText(aTestCell);
}

void TqvGrid::PostDrawGetStringAndSetAttributes(TMoxCell* aCell, QString& aText, bool& aIsStringEdit, bool&)
{
    if (!aCell->GetIsFixed()) return;
    if (TqvGrid_Column* column = CellToColumn(aCell)) {
        aText = column->GetHeaderText();
        aIsStringEdit = true;
    }
}

bool TqvGrid::CellHasIcon(TMoxCell* aCell)
{
    TqvGrid_Column* column = CellToColumn(aCell);
    return column && column->GetHasIcon() && CellIconIndex(aCell) != -1;
}

int TqvGrid::CellIconIndex(TMoxCell* aCell)
{
    TqvGrid_Column* column = CellToColumn(aCell);
    if (!column) return -1;
    if (column->GetTreeButton())
        if (TqvDataEntity_GridTreeNode* node = CellToNode(aCell))
            return aCell->GetSelected() ? node->SelectedIndex : node->ImageIndex;
    return column->OnGetIconIndex ? column->OnGetIconIndex(this, column, aCell) : -1;
}

// ---------------------------------------------------------------------------
// Public operations on columns, rows and cells

TqvGrid_Column* TqvGrid::AddColumn()
{
    TqvGrid_Column* column = FColumns->Add();
    if (FColumns->Count() == 1) EnsureFixed();
    return column;
}

TAxisContentItem* TqvGrid::AddRow(TObject* aData)
{
    EnsureFixed();
    return GetRootCell()->RowList->AddNew(aData);
}

TAxisContentItem* TqvGrid::InsertRow(int aIndex, TObject* aData)
{
    EnsureFixed();
    return GetRootCell()->RowList->InsertNew(aIndex, aData);
}

TAxisContentItem* TqvGrid::AddRowInSubGrid(TMoxCell* aCell, TObject* aData)
{
    auto* grid = aCell && aCell->ParentCell ? dynamic_cast<TMoxGridCell*>(aCell) : nullptr;
    return grid ? grid->RowList->AddNew(aData) : nullptr;
}

TAxisContentItem* TqvGrid::InsertRowInSubGrid(TMoxCell* aCell, int aIndex, TObject* aData)
{
    auto* grid = aCell && aCell->ParentCell ? dynamic_cast<TMoxGridCell*>(aCell) : nullptr;
    return grid ? grid->RowList->InsertNew(aIndex, aData) : nullptr;
}

TMoxCell* TqvGrid::GetCell(int aCol, int aRow)
{
    EnsureFixed();
    return GetRootCell()->getCell(aCol, aRow);
}

int TqvGrid::GetCellCountX()
{
    EnsureFixed();
    return GetRootCell()->ColumnList->Count();
}

int TqvGrid::GetCellCountY()
{
    EnsureFixed();
    return GetRootCell()->RowList->Count();
}

TMoxCell* TqvGrid::GetCellAtPixel(int x, int y)
{
    return GetRootCell()->CellFromPix(x, y, true);
}

TMoxCell* TqvGrid::GetFocusedCell() const
{
    return GetRootCell()->GetFocusedCellDownTrack();
}

void TqvGrid::SetFocusedCell(TMoxCell* aCell)
{
    GetRootCell()->SetFocusedCell(aCell);
}

TMoxCell* TqvGrid::GetTopLeftCell()
{
    EnsureFixed();
    TMoxGridCellForViewer* root = GetRootCell();
    TAxisContentList* cols = root->ColumnList.get();
    for (int c = std::max(root->Left, 0); c < cols->Count(); ++c) {
        TAxisContentItem* item = cols->getAxisContentItem(c);
        if (item && !item->Hidden) return root->getCell(c, root->Top);
    }
    return nullptr;
}

void TqvGrid::SetTopLeftCell(TMoxCell* aCell)
{
    TMoxGridCellForViewer* root = GetRootCell();
    if (!aCell || aCell->ParentCell != root || !aCell->ColumnItem || !aCell->RowItem) return;
    const std::uint64_t freed = TMoxCell::FreedCells();
    root->SetLeft(GetClosestUnHiddenLeftColumn(aCell->ColumnItem->ListIndex()));
    // A handler of the change may have removed the cell's row.
    if (TMoxCell::FreedCells() == freed) root->SetTop(aCell->RowItem->ListIndex());
}

int TqvGrid::GetRowHeight(int aRow)
{
    TAxisContentList* rows = GetRootCell()->RowList.get();
    if (aRow < 0 || aRow >= rows->Count()) return 0;
    TAxisContentItem* item = rows->LoadWithinRule(aRow);
    return item ? std::max(item->GetUserSize(), item->Size) : 0;
}

void TqvGrid::SetRowHeight(int aRow, int aHeight)
{
    TAxisContentList* rows = GetRootCell()->RowList.get();
    if (aRow < 0 || aRow >= rows->Count()) return;
    TAxisContentItem* item = rows->getAxisContentItem(aRow);
    if (!item) return;
    item->SetUserSizeActive(true);
    item->SetUserSize(aHeight);
    RecalcExtents();
}

void TqvGrid::RedrawIfNeeded()
{
    if (FFixedPending || GetHardUpdatePending() || GetSoftUpdatePending()) Repaint();
}

// ---------------------------------------------------------------------------
// Invariants

bool TqvGrid::CheckInvariants(QString* theWhy)
{
    auto fail = [&](const QString& why) {
        if (theWhy) *theWhy = why;
        return false;
    };
    TMoxGridCellForViewer* root = GetRootCell();
    if (!FFixedPending) {
        const int fixed = root->GetFixedCols();
        if (root->ColumnList->Count() != fixed + FColumns->Count())
            return fail(QStringLiteral("the root has %1 column items for %2 columns")
                            .arg(root->ColumnList->Count())
                            .arg(FColumns->Count()));
        if (fixed != (FHasInfoCol ? 1 : 0))
            return fail(QStringLiteral("info column and fixed columns disagree"));
        if (FHasHeaders && root->GetFixedRows() != 1)
            return fail(QStringLiteral("headers without a fixed row"));
        for (const auto& item : root->ColumnList->LoadedItems)
            if (auto* column = dynamic_cast<TqvGrid_Column*>(item->Data);
                column &&
                (column->GetColumns() != FColumns.get() || item->ListIndex() - fixed != column->GetIndex()))
                return fail(QStringLiteral("a column item is not at its column's position"));
    }
    if (FSortColumn && FColumns->IndexOf(FSortColumn) < 0)
        return fail(QStringLiteral("the sort column is not a column of the grid"));
    for (int i = 0; i < FSubGrids->Count(); ++i) {
        TqvGrid_SubGrid* subGrid = FSubGrids->GetSubGrid(i);
        for (TMoxGridCell* cell : subGrid->FCells) {
            TMoxSubGridCellDataTreeRef* ref = TreeRefOf(cell);
            if (!ref || ref->FSubGrid != subGrid)
                return fail(
                    QStringLiteral("a nested cell of %1 is not built from it").arg(subGrid->GetName()));
        }
    }
    return true;
}

} // namespace skedra
