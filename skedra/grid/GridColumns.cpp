// The grid's design-time collections: columns, sub-grid definitions and
// named cell layouts, and what each change of them asks of the grid.

#include "skedra/grid/qvGrid.h"

namespace skedra
{

// ---------------------------------------------------------------------------
// TqvGrid_Column

TqvGrid_Column::TqvGrid_Column(TqvGrid_Columns* aCollection) : TqvCollectionItem(aCollection) {}

TqvGrid_Column::~TqvGrid_Column() = default;

TqvGrid_Columns* TqvGrid_Column::GetColumns() const
{
    return static_cast<TqvGrid_Columns*>(GetCollection());
}

TqvGrid* TqvGrid_Column::GetGrid() const
{
    TqvGrid_Columns* columns = GetColumns();
    return columns ? columns->GetOwner() : nullptr;
}

TqvGrid_SubGrid* TqvGrid_Column::GetSubGrid() const
{
    TqvGrid_Columns* columns = GetColumns();
    return columns ? columns->GetSubGrid() : nullptr;
}

void TqvGrid_Column::StructureChanged()
{
    if (TqvGrid* grid = GetGrid()) grid->ColumnStructureChanged();
}

void TqvGrid_Column::SetWidth(int aValue)
{
    if (FWidth == aValue) return;
    FWidth = aValue;
    StructureChanged();
}

void TqvGrid_Column::SetKind(TColumnKind aValue)
{
    if (FKind == aValue) return;
    FKind = aValue;
    // Cells take their type and content when they are made: rebuild the columns.
    StructureChanged();
}

void TqvGrid_Column::SetHeaderText(const QString& aValue)
{
    if (FHeaderText == aValue) return;
    FHeaderText = aValue;
    StructureChanged();
}

void TqvGrid_Column::SetSubGridName(const QString& aValue)
{
    if (FSubGridName == aValue) return;
    FSubGridName = aValue;
    if (TqvGrid* grid = GetGrid()) grid->Invalidate();
}

void TqvGrid_Column::SetTreeButton(bool aValue)
{
    if (FTreeButton == aValue) return;
    FTreeButton = aValue;
    if (TqvGrid* grid = GetGrid()) grid->Invalidate();
}

void TqvGrid_Column::SetHasIcon(bool aValue)
{
    if (FHasIcon == aValue) return;
    FHasIcon = aValue;
    if (TqvGrid* grid = GetGrid()) grid->RecalcExtents();
}

void TqvGrid_Column::SetHidden(bool aValue)
{
    if (FHidden == aValue) return;
    FHidden = aValue;
    if (TqvGrid* grid = GetGrid()) grid->ColumnVisibilityChanged(GetColumns());
}

void TqvGrid_Column::SetLayoutName(const QString& aValue)
{
    FLayoutName = aValue;
    FLayoutLookupPending = true;
}

void TqvGrid_Column::SetGroupcells(bool aValue)
{
    FGroupcells = aValue;
    if (TqvGrid* grid = GetGrid()) grid->RecalcExtents();
}

void TqvGrid_Column::SetOnGroupcellCompare(TOnGroupcellCompare aValue)
{
    OnGroupcellCompare = std::move(aValue);
    if (TqvGrid* grid = GetGrid()) grid->RecalcExtents();
}

TLayoutProp* TqvGrid_Column::GetLayoutProp()
{
    TqvGrid* grid = GetGrid();
    if (!grid) return nullptr;
    if (FLayoutLookupPending || FLayoutGeneration != grid->FLayoutGeneration) {
        FLayoutLookupPending = false;
        FLayoutGeneration = grid->FLayoutGeneration;
        FLayoutProp = nullptr;
        TqvCellLayouts* layouts = grid->GetCellLayouts();
        for (int i = 0; i < layouts->Count(); ++i)
            if (TqvCellLayout* layout = layouts->GetCellLayout(i);
                layout->GetName().compare(FLayoutName, Qt::CaseInsensitive) == 0)
                FLayoutProp = layout->GetLayout();
    }
    return FLayoutProp;
}

int TqvGrid_Column::GetRunTimeWidth()
{
    TqvGrid* grid = GetGrid();
    TAxisContentItem* item = grid && !GetSubGrid() ? grid->ColumnToAxisContentItem(this) : nullptr;
    return item ? item->GetUserSize() : FWidth;
}

void TqvGrid_Column::SetRunTimeWidth(int aValue)
{
    TqvGrid* grid = GetGrid();
    TAxisContentItem* item = grid && !GetSubGrid() ? grid->ColumnToAxisContentItem(this) : nullptr;
    if (!item) return;
    FFillsWidth = false;
    item->SetUserSizeActive(true);
    item->SetUserSize(aValue);
}

void TqvGrid_Column::SetIndex(int aIndex)
{
    TqvCollectionItem::SetIndex(aIndex);
}

QString TqvGrid_Column::GetDisplayName() const
{
    if (!FHeaderText.isEmpty()) return FHeaderText;
    return QStringLiteral("Column") + QString::number(GetIndex());
}

void TqvGrid_Column::Assign(const TqvGrid_Column& aSource)
{
    if (&aSource == this) return;
    FWidth = aSource.FWidth;
    FKind = aSource.FKind;
    FHeaderText = aSource.FHeaderText;
    FSortEnable = aSource.FSortEnable;
    FReadOnly = aSource.FReadOnly;
    FSubGridName = aSource.FSubGridName;
    FTreeButton = aSource.FTreeButton;
    FHasIcon = aSource.FHasIcon;
    OnGetIconIndex = aSource.OnGetIconIndex;
    StructureChanged();
    SetHidden(aSource.FHidden);
}

// ---------------------------------------------------------------------------
// TqvGrid_Columns

TqvGrid_Columns::TqvGrid_Columns(TqvGrid* anOwner, TqvGrid_SubGrid* aSubGrid)
    : FOwner(anOwner), FSubGrid(aSubGrid)
{
}

std::unique_ptr<TqvGrid_Column> TqvGrid_Columns::CreateColumn()
{
    return std::make_unique<TqvGrid_Column>(this);
}

TqvGrid_Column* TqvGrid_Columns::Add()
{
    return static_cast<TqvGrid_Column*>(AddItem(CreateColumn()));
}

void TqvGrid_Columns::Assign(const TqvGrid_Columns& aSource)
{
    if (&aSource == this) return;
    Clear();
    for (int i = 0; i < aSource.Count(); ++i)
        Add()->Assign(*aSource.GetColumn(i));
}

void TqvGrid_Columns::ItemAdded(TqvCollectionItem* anItem)
{
    if (FOwner) FOwner->ColumnCreated(static_cast<TqvGrid_Column*>(anItem));
}

void TqvGrid_Columns::ItemRemoving(TqvCollectionItem* anItem)
{
    if (FOwner && !IsTearingDown()) FOwner->ColumnDestroying(static_cast<TqvGrid_Column*>(anItem));
}

void TqvGrid_Columns::ItemMoving(TqvCollectionItem*, int, int)
{
    // Items move along with their columns only once they match them.
    if (FOwner && !FSubGrid) FOwner->EnsureFixed();
}

void TqvGrid_Columns::ItemMoved(TqvCollectionItem* anItem, int aFrom, int aTo)
{
    if (FOwner) FOwner->ColumnMoved(static_cast<TqvGrid_Column*>(anItem), aFrom, aTo);
}

// ---------------------------------------------------------------------------
// TqvGrid_SubGrid and TqvGrid_SubGrids

TqvGrid_SubGrid::TqvGrid_SubGrid(TqvGrid_SubGrids* aCollection) : TqvCollectionItem(aCollection)
{
    FColumns = std::make_unique<TqvGrid_Columns>(aCollection ? aCollection->GetOwner() : nullptr, this);
}

TqvGrid_SubGrid::~TqvGrid_SubGrid()
{
    DestroyColumns();
}

void TqvGrid_SubGrid::DestroyColumns()
{
    FColumns.reset();
}

TqvGrid* TqvGrid_SubGrid::GetGrid() const
{
    auto* subGrids = static_cast<TqvGrid_SubGrids*>(GetCollection());
    return subGrids ? subGrids->GetOwner() : nullptr;
}

QString TqvGrid_SubGrid::GetDisplayName() const
{
    if (!FName.isEmpty()) return FName;
    return QStringLiteral("SubGrid") + QString::number(GetIndex());
}

void TqvGrid_SubGrid::Assign(const TqvGrid_SubGrid& aSource)
{
    if (&aSource == this) return;
    FColumns->Assign(*aSource.FColumns);
    FName = aSource.FName;
    FHasHeaders = aSource.FHasHeaders;
    FHasInfoCol = aSource.FHasInfoCol;
    FExtendLastColumnToWidth = aSource.FExtendLastColumnToWidth;
}

TqvGrid_SubGrid* TqvGrid_SubGrids::Add()
{
    return static_cast<TqvGrid_SubGrid*>(AddItem(std::make_unique<TqvGrid_SubGrid>(this)));
}

TqvGrid_SubGrid* TqvGrid_SubGrids::SubGridByName(const QString& aName) const
{
    TqvGrid_SubGrid* found = nullptr;
    for (int i = 0; i < Count(); ++i)
        if (GetSubGrid(i)->GetName().compare(aName, Qt::CaseInsensitive) == 0) found = GetSubGrid(i);
    return found;
}

void TqvGrid_SubGrids::ItemRemoving(TqvCollectionItem* anItem)
{
    if (FOwner && !IsTearingDown()) FOwner->SubGridDestroying(static_cast<TqvGrid_SubGrid*>(anItem));
}

void TqvGrid_SubGrids::Assign(const TqvGrid_SubGrids& aSource)
{
    if (&aSource == this) return;
    Clear();
    for (int i = 0; i < aSource.Count(); ++i)
        Add()->Assign(*aSource.GetSubGrid(i));
}

// ---------------------------------------------------------------------------
// TqvCellLayout and TqvCellLayouts

TqvCellLayout::TqvCellLayout(TqvCellLayouts* aCollection)
    : TqvCollectionItem(aCollection), FLayout(std::make_unique<TLayoutProp>()),
      FFont(std::make_unique<TFont>())
{
    TLayoutProp& l = *FLayout;
    l.WrapTextAndFit = FWrapTextAndFit;
    l.UseFontInfo = FUseFontInfo;
    l.WindowsFlagDraw = FWindowsFlagDraw;
    l.WindowsFlags = FWindowsFlags;
    l.MinHeight = FMinHeight;
    l.MinWidth = FMinWidth;
    l.FrontColor = FFrontColor;
    l.BackColor = FBackColor;
    l.FrameColor = FFrameColor;
    l.FrameKind = FFrameKind;
    l.FrameOptions = FFrameOptions;
    l.FrameOptionsUse = FFrameOptionsUse;
    FFont->OnChange = [this](TObject*) { CopyFont(); };
    CopyFont();
}

TqvCellLayout::~TqvCellLayout()
{
    FFont->OnChange = nullptr;
}

TqvGrid* TqvCellLayout::GetOwningGrid() const
{
    auto* layouts = static_cast<TqvCellLayouts*>(GetCollection());
    return layouts ? layouts->GetOwner() : nullptr;
}

void TqvCellLayout::Apply(TMoxCell* aCell)
{
    if (!aCell) return;
    aCell->Layout = FLayout.get();
    aCell->MeasureNeeded = true;
    Changed();
}

void TqvCellLayout::Remove(TMoxCell* aCell)
{
    if (!aCell) return;
    aCell->Layout = nullptr;
    Changed();
}

void TqvCellLayout::CopyFont()
{
    FLayout->FontName = FFont->GetName();
    FLayout->FontSize = FFont->GetSize();
    FLayout->FontStyle = FFont->GetStyle();
    FLayout->FontColor = FFont->GetColor();
    Changed();
}

void TqvCellLayout::Changed()
{
    if (TqvGrid* grid = GetOwningGrid()) grid->RecalcExtents();
}

void TqvCellLayout::SetName(const QString& aValue)
{
    FName = aValue;
    FLayout->Name = aValue;
    if (TqvGrid* grid = GetOwningGrid()) grid->LayoutsChanged();
}

#define SKEDRA_LAYOUT_SETTER(Prop, Type)                                                                     \
    void TqvCellLayout::Set##Prop(Type aValue)                                                               \
    {                                                                                                        \
        F##Prop = aValue;                                                                                    \
        FLayout->Prop = aValue;                                                                              \
        Changed();                                                                                           \
    }
SKEDRA_LAYOUT_SETTER(BackColor, TColor)
SKEDRA_LAYOUT_SETTER(FrontColor, TColor)
SKEDRA_LAYOUT_SETTER(MinWidth, int)
SKEDRA_LAYOUT_SETTER(MinHeight, int)
SKEDRA_LAYOUT_SETTER(WrapTextAndFit, bool)
SKEDRA_LAYOUT_SETTER(WindowsFlagDraw, bool)
SKEDRA_LAYOUT_SETTER(WindowsFlags, uint32_t)
SKEDRA_LAYOUT_SETTER(FrameOptionsUse, bool)
SKEDRA_LAYOUT_SETTER(FrameOptions, TFrameOptions)
SKEDRA_LAYOUT_SETTER(FrameKind, TFrameKind)
SKEDRA_LAYOUT_SETTER(FrameColor, TColor)
SKEDRA_LAYOUT_SETTER(HorzAlignRight, bool)
SKEDRA_LAYOUT_SETTER(HorzAlignCenter, bool)
SKEDRA_LAYOUT_SETTER(VertAlignCenter, bool)
SKEDRA_LAYOUT_SETTER(EndEllipsis, bool)
SKEDRA_LAYOUT_SETTER(OnFrameLineDraw, TOnLineDraw)
#undef SKEDRA_LAYOUT_SETTER

void TqvCellLayout::SetUseFontInfo(bool aValue)
{
    FUseFontInfo = aValue;
    FLayout->UseFontInfo = aValue;
    CopyFont();
}

void TqvCellLayout::SetFont(const TFont& aValue)
{
    FFont->Assign(aValue);
    CopyFont();
}

QString TqvCellLayout::GetDisplayName() const
{
    return FName.isEmpty() ? TqvCollectionItem::GetDisplayName() : FName;
}

void TqvCellLayout::Assign(const TqvCellLayout& aSource)
{
    if (&aSource == this) return;
    SetFont(*aSource.FFont);
}

TqvCellLayout* TqvCellLayouts::Add()
{
    return static_cast<TqvCellLayout*>(AddItem(std::make_unique<TqvCellLayout>(this)));
}

void TqvCellLayouts::ApplyFromLayoutName(const QString& aName, TMoxCell* aCell)
{
    for (int i = 0; i < Count(); ++i)
        if (GetCellLayout(i)->GetName().compare(aName, Qt::CaseInsensitive) == 0) {
            GetCellLayout(i)->Apply(aCell);
            return;
        }
}

void TqvCellLayouts::Assign(const TqvCellLayouts& aSource)
{
    if (&aSource == this) return;
    Clear();
    for (int i = 0; i < aSource.Count(); ++i) {
        const TqvCellLayout* from = aSource.GetCellLayout(i);
        TqvCellLayout* to = Add();
        to->SetName(from->GetName());
        to->SetBackColor(from->GetBackColor());
        to->SetFrontColor(from->GetFrontColor());
        to->SetFont(*from->GetFont());
        to->SetUseFontInfo(from->GetUseFontInfo());
        to->SetMinWidth(from->GetMinWidth());
        to->SetMinHeight(from->GetMinHeight());
        to->SetWrapTextAndFit(from->GetWrapTextAndFit());
        to->SetWindowsFlagDraw(from->GetWindowsFlagDraw());
        to->SetWindowsFlags(from->GetWindowsFlags());
        to->SetFrameOptionsUse(from->GetFrameOptionsUse());
        to->SetFrameOptions(from->GetFrameOptions());
        to->SetFrameKind(from->GetFrameKind());
        to->SetFrameColor(from->GetFrameColor());
        to->SetHorzAlignRight(from->GetHorzAlignRight());
        to->SetHorzAlignCenter(from->GetHorzAlignCenter());
        to->SetVertAlignCenter(from->GetVertAlignCenter());
        to->SetEndEllipsis(from->GetEndEllipsis());
        to->SetOnFrameLineDraw(from->GetOnFrameLineDraw());
    }
}

void TqvCellLayouts::ItemAdded(TqvCollectionItem* anItem)
{
    if (!FOwner) return;
    FOwner->LayoutsChanged();
    FOwner->_CellLayoutCreated(static_cast<TqvCellLayout*>(anItem));
}

void TqvCellLayouts::ItemRemoving(TqvCollectionItem* anItem)
{
    if (!FOwner || IsTearingDown()) return;
    FOwner->_CellLayoutDestroy(static_cast<TqvCellLayout*>(anItem));
    FOwner->LayoutDestroying(static_cast<TqvCellLayout*>(anItem));
}

} // namespace skedra
