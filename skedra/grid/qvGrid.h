#pragma once
// The grid component: a grid view driven by three design-time collections,
// typed columns, sub-grid definitions (each with its own columns) and named
// cell layouts. Each column has a kind that decides its editor and whether
// its cells are nested grids. The grid adds a header row and an info column
// as fixed items, header texts, icons, tree buttons, grouping of equal cells,
// a last column that fills the width, sorting by a column, rows organised as
// a tree with virtual loading, and saving and restoring which nodes are expanded.

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

#include "skedra/grid/GridCollection.h"
#include "skedra/gridengine/qvMoxGridView.h"
#include "skedra/tree/GridTree.h"

namespace skedra
{

class TqvGrid;
class TqvGrid_Column;
class TqvGrid_Columns;
class TqvGrid_SubGrid;
class TqvGrid_SubGrids;
class TqvCellLayout;
class TqvCellLayouts;

enum TColumnKind { tckSimpleEdit, tckMemo, tckBool, tckCombo, tckDate, tckTime, tckSubGrid, tckSubTree };

using TOnResizeEvent = TMethod<void(TqvGrid* aGrid, int index)>;
using TOnColumnSort =
    TMethod<void(TqvGrid* aGrid, TqvGrid_Column* aColumn, bool aUpNotDown, bool& GoOnInternalSort)>;
using TOnUserSort = TMethod<void(TqvGrid* aGrid, TqvGrid_Column* aSortingColumn,
                                 std::vector<TAxisContentItem*>& aList, bool& aDoDefaultSort)>;
using TOnGetUserSortCompareString =
    TMethod<void(TqvGrid* aGrid, TqvGrid_Column* aSortingColumn, TMoxCell* aMoxcell, QString& aCompareStr)>;
using TOnInitTreeSubDataList = TMethod<void(TqvGrid* aGrid, TqvGridTree* aGridTree,
                                            TqvDataEntity_GridTreeNode* aDataEntity_GridTreeNode)>;
using TOnCellEvent = TMethod<void(TqvGrid* aGrid, TqvGrid_Column* aColumn, TMoxCell* aMoxCell)>;
using TOnGetIconIndex = TMethod<int(TqvGrid* aGrid, TqvGrid_Column* aColumn, TMoxCell* aMoxCell)>;
using TOnGroupcellCompare =
    TMethod<bool(TqvGrid* aGrid, TqvGrid_Column* aColumn, TMoxCell* aMoxCell1, TMoxCell* aMoxCell2)>;
using TOnContextSensitiveSubGrid = TMethod<void(TqvGrid* aGrid, TAxisContentItem* aAxisContentItemY,
                                                TqvGrid_Column* aColumn, QString& SubGrid)>;
using TOnConvertNodeToStringKey =
    TMethod<QString(TqvGrid* aGrid, TqvDataEntity_GridTreeNode* aDataEntity_GridTreeNode)>;

// One column of the grid or of a sub-grid definition.
class TqvGrid_Column : public TqvCollectionItem
{
public:
    explicit TqvGrid_Column(TqvGrid_Columns* aCollection);
    ~TqvGrid_Column() override;

    // Published.
    int GetWidth() const { return FWidth; }
    void SetWidth(int aValue);
    TColumnKind GetKind() const { return FKind; }
    virtual void SetKind(TColumnKind aValue);
    QString GetHeaderText() const { return FHeaderText; }
    void SetHeaderText(const QString& aValue);
    bool GetSortEnable() const { return FSortEnable; }
    void SetSortEnable(bool aValue) { FSortEnable = aValue; }
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool aValue) { FReadOnly = aValue; }
    QString GetSubGridName() const { return FSubGridName; }
    virtual void SetSubGridName(const QString& aValue);
    bool GetTreeButton() const { return FTreeButton; }
    void SetTreeButton(bool aValue);
    bool GetHasIcon() const { return FHasIcon; }
    void SetHasIcon(bool aValue);
    bool GetHidden() const { return FHidden; }
    virtual void SetHidden(bool aValue);
    QString GetLayoutName() const { return FLayoutName; }
    void SetLayoutName(const QString& aValue);
    bool GetGroupcells() const { return FGroupcells; }
    void SetGroupcells(bool aValue);
    bool GetNumericSort() const { return FNumericSort; }
    void SetNumericSort(bool aValue) { FNumericSort = aValue; }
    bool GetCheckBoxOnDateTime() const { return FCheckBoxOnDateTime; }
    void SetCheckBoxOnDateTime(bool aValue) { FCheckBoxOnDateTime = aValue; }
    TOnGetIconIndex OnGetIconIndex;
    TOnGroupcellCompare OnGroupcellCompare;
    TOnContextSensitiveSubGrid OnContextSensitiveSubGrid;
    // Assigns OnGroupcellCompare and requests the hard update grouping needs.
    void SetOnGroupcellCompare(TOnGroupcellCompare aValue);

    // The user size of the column's item in the grid, or Width when it has none.
    int GetRunTimeWidth();
    void SetRunTimeWidth(int aValue);

    TqvGrid* GetGrid() const;
    // The definition whose columns these are; none for the grid's own columns.
    TqvGrid_SubGrid* GetSubGrid() const;
    TqvGrid_Columns* GetColumns() const;
    // The layout named LayoutName (letter case ignored, the last of several);
    // none when no layout has that name. Looked up again after a change of the
    // name or of the layouts.
    TLayoutProp* GetLayoutProp();

    // Moves the column: pending fixed items are rebuilt first, then the column
    // item moves along in the root and in every grid cell built from the collection.
    void SetIndex(int aIndex) override;
    // HeaderText, or "Column" followed by the index.
    QString GetDisplayName() const override;
    QString ClassName() const override { return QStringLiteral("TqvGrid_Column"); }
    // Copies Width, Kind, HeaderText, SortEnable, ReadOnly, SubGridName,
    // TreeButton, HasIcon, OnGetIconIndex and Hidden.
    void Assign(const TqvGrid_Column& aSource);

private:
    friend class TqvGrid;
    friend class TqvGrid_Columns;
    friend struct TqvGridTestAccess;
    void StructureChanged();
    TColumnKind FKind = tckSimpleEdit;
    QString FHeaderText;
    int FWidth = 64;
    bool FSortEnable = false;
    bool FReadOnly = false;
    bool FTreeButton = false;
    bool FHasIcon = false;
    bool FHidden = false;
    QString FLayoutName;
    bool FLayoutLookupPending = true;
    bool FGroupcells = false;
    bool FNumericSort = false;
    bool FCheckBoxOnDateTime = false;
    QString FSubGridName;
    TLayoutProp* FLayoutProp = nullptr; // not owned
    int FLayoutGeneration = -1;
    // The column's item fills the width (its user size is the marker 1000
    // because the grid put it there, not because the user chose 1000 pixels).
    bool FFillsWidth = false;
};

class TqvGrid_Columns : public TqvCollection
{
public:
    bool VisibilityDirty = false;

    TqvGrid_Columns(TqvGrid* anOwner, TqvGrid_SubGrid* aSubGrid);
    TqvGrid* GetOwner() const { return FOwner; }
    TqvGrid_SubGrid* GetSubGrid() const { return FSubGrid; }
    TqvGrid_Column* Add();
    // None outside 0 .. Count-1.
    TqvGrid_Column* GetColumn(int i) const { return static_cast<TqvGrid_Column*>(GetItem(i)); }
    // Replaces the columns by copies of aSource's.
    void Assign(const TqvGrid_Columns& aSource);

protected:
    virtual std::unique_ptr<TqvGrid_Column> CreateColumn();
    void ItemAdded(TqvCollectionItem* anItem) override;
    void ItemRemoving(TqvCollectionItem* anItem) override;
    void ItemMoving(TqvCollectionItem* anItem, int aFrom, int aTo) override;
    void ItemMoved(TqvCollectionItem* anItem, int aFrom, int aTo) override;

private:
    TqvGrid* FOwner;
    TqvGrid_SubGrid* FSubGrid;
};

// A sub-grid definition: the columns and fixed items of nested grid cells.
class TqvGrid_SubGrid : public TqvCollectionItem
{
public:
    explicit TqvGrid_SubGrid(TqvGrid_SubGrids* aCollection);
    ~TqvGrid_SubGrid() override;

    TqvGrid_Columns* GetColumns() const { return FColumns.get(); }
    void SetColumns(const TqvGrid_Columns& aValue) { FColumns->Assign(aValue); }
    QString GetName() const { return FName; }
    void SetName(const QString& aValue) { FName = aValue; }
    bool GetHasInfoCol() const { return FHasInfoCol; }
    void SetHasInfoCol(bool aValue) { FHasInfoCol = aValue; }
    bool GetHasHeaders() const { return FHasHeaders; }
    void SetHasHeaders(bool aValue) { FHasHeaders = aValue; }
    bool GetExtendLastColumnToWidth() const { return FExtendLastColumnToWidth; }
    void SetExtendLastColumnToWidth(bool aValue) { FExtendLastColumnToWidth = aValue; }
    // The nested grid cells currently built from this definition; not owning.
    const std::vector<TMoxGridCell*>& GetCells() const { return FCells; }
    TqvGrid* GetGrid() const;

    virtual void DestroyColumns();
    // Name, or "SubGrid" followed by the index.
    QString GetDisplayName() const override;
    QString ClassName() const override { return QStringLiteral("TqvGrid_SubGrid"); }
    // Copies the columns, Name, HasHeaders, HasInfoCol and ExtendLastColumnToWidth.
    void Assign(const TqvGrid_SubGrid& aSource);

private:
    friend class TqvGrid;
    std::unique_ptr<TqvGrid_Columns> FColumns;
    QString FName;
    bool FHasInfoCol = true;
    bool FHasHeaders = true;
    bool FExtendLastColumnToWidth = false;
    std::vector<TMoxGridCell*> FCells;
};

class TqvGrid_SubGrids : public TqvCollection
{
public:
    explicit TqvGrid_SubGrids(TqvGrid* anOwner) : FOwner(anOwner) {}
    TqvGrid* GetOwner() const { return FOwner; }
    TqvGrid_SubGrid* Add();
    TqvGrid_SubGrid* GetSubGrid(int i) const { return static_cast<TqvGrid_SubGrid*>(GetItem(i)); }
    // The definition named aName, letter case ignored (the last of several); none otherwise.
    TqvGrid_SubGrid* SubGridByName(const QString& aName) const;
    void Assign(const TqvGrid_SubGrids& aSource);

protected:
    void ItemRemoving(TqvCollectionItem* anItem) override;

private:
    TqvGrid* FOwner;
};

// A named cell layout; cells point to its Layout, so a change shows in all of them.
class TqvCellLayout : public TqvCollectionItem
{
public:
    explicit TqvCellLayout(TqvCellLayouts* aCollection);
    ~TqvCellLayout() override;

    TLayoutProp* GetLayout() const { return FLayout.get(); }
    TqvGrid* GetOwningGrid() const;
    // The cell's layout becomes this layout / the cell loses its layout.
    void Apply(TMoxCell* aCell);
    void Remove(TMoxCell* aCell);

    QString GetName() const { return FName; }
    void SetName(const QString& aValue);
    TColor GetBackColor() const { return FBackColor; }
    void SetBackColor(TColor aValue);
    TColor GetFrontColor() const { return FFrontColor; }
    void SetFrontColor(TColor aValue);
    bool GetUseFontInfo() const { return FUseFontInfo; }
    void SetUseFontInfo(bool aValue);
    // The text font; its colour is always the text colour. Changes to it are copied at once.
    TFont* GetFont() const { return FFont.get(); }
    void SetFont(const TFont& aValue);
    int GetMinWidth() const { return FMinWidth; }
    void SetMinWidth(int aValue);
    int GetMinHeight() const { return FMinHeight; }
    void SetMinHeight(int aValue);
    bool GetWrapTextAndFit() const { return FWrapTextAndFit; }
    void SetWrapTextAndFit(bool aValue);
    bool GetWindowsFlagDraw() const { return FWindowsFlagDraw; }
    void SetWindowsFlagDraw(bool aValue);
    uint32_t GetWindowsFlags() const { return FWindowsFlags; }
    void SetWindowsFlags(uint32_t aValue);
    bool GetFrameOptionsUse() const { return FFrameOptionsUse; }
    void SetFrameOptionsUse(bool aValue);
    TFrameOptions GetFrameOptions() const { return FFrameOptions; }
    void SetFrameOptions(TFrameOptions aValue);
    TFrameKind GetFrameKind() const { return FFrameKind; }
    void SetFrameKind(TFrameKind aValue);
    TColor GetFrameColor() const { return FFrameColor; }
    void SetFrameColor(TColor aValue);
    bool GetHorzAlignRight() const { return FHorzAlignRight; }
    void SetHorzAlignRight(bool aValue);
    bool GetHorzAlignCenter() const { return FHorzAlignCenter; }
    void SetHorzAlignCenter(bool aValue);
    bool GetVertAlignCenter() const { return FVertAlignCenter; }
    void SetVertAlignCenter(bool aValue);
    bool GetEndEllipsis() const { return FEndEllipsis; }
    void SetEndEllipsis(bool aValue);
    TOnLineDraw GetOnFrameLineDraw() const { return FOnFrameLineDraw; }
    void SetOnFrameLineDraw(TOnLineDraw aValue);

    // Name, or the class name.
    QString GetDisplayName() const override;
    QString ClassName() const override { return QStringLiteral("TqvCellLayout"); }
    // Copies the font only.
    void Assign(const TqvCellLayout& aSource);

private:
    void CopyFont();
    void Changed();
    std::unique_ptr<TLayoutProp> FLayout;
    bool FWrapTextAndFit = false;
    bool FUseFontInfo = false;
    bool FWindowsFlagDraw = false;
    uint32_t FWindowsFlags = 0;
    int FMinHeight = 20;
    int FMinWidth = 20;
    QString FName;
    TColor FFrontColor = clBlack;
    TColor FBackColor = clWindow;
    std::unique_ptr<TFont> FFont;
    TColor FFrameColor = clBtnFace;
    TFrameKind FFrameKind = fkNormal;
    TFrameOptions FFrameOptions{foRight};
    bool FFrameOptionsUse = false;
    TOnLineDraw FOnFrameLineDraw;
    bool FHorzAlignCenter = false;
    bool FHorzAlignRight = false;
    bool FVertAlignCenter = false;
    bool FEndEllipsis = false;
};

class TqvCellLayouts : public TqvCollection
{
public:
    explicit TqvCellLayouts(TqvGrid* anOwner) : FOwner(anOwner) {}
    TqvGrid* GetOwner() const { return FOwner; }
    TqvCellLayout* Add();
    TqvCellLayout* GetCellLayout(int i) const { return static_cast<TqvCellLayout*>(GetItem(i)); }
    // Gives aCell the first layout named aName (letter case ignored); leaves it
    // unchanged when none matches.
    void ApplyFromLayoutName(const QString& aName, TMoxCell* aCell);
    void Assign(const TqvCellLayouts& aSource);

protected:
    void ItemAdded(TqvCollectionItem* anItem) override;
    void ItemRemoving(TqvCollectionItem* anItem) override;

private:
    TqvGrid* FOwner;
};

// The content of the root and of every nested grid cell of a grid: it may own
// a grid tree that fills the cell's rows.
class TMoxSubGridCellDataTreeRef : public TMoxSubGridCellData
{
public:
    bool UseGridTree = false;
    std::unique_ptr<TqvGridTree> GridTree;

    ~TMoxSubGridCellDataTreeRef() override;
    // A new grid tree, made by the owning grid when there is one.
    virtual std::unique_ptr<TqvGridTree> CreateGridTree();

private:
    friend class TqvGrid;
    // The definition the nested grid was built from (none for the root).
    TqvGrid_SubGrid* FSubGrid = nullptr;
};

// One saved expanded node: its key and its level.
struct TExpandedStateEntry {
    QString Key;
    int Level = 0;
};

// The grid component: typed columns, sub-grid definitions, named cell layouts,
// sorting and tree rows over the grid view.
class TqvGrid : public TMoxGridView_Custom
{
    Q_OBJECT
    // What a form stores; Columns is the column collection as text (GridColumnsText.h).
    // A fixed header row (default true).
    Q_PROPERTY(bool HasHeaders READ GetHasHeaders WRITE SetHasHeaders)
    // A fixed info column, 20 pixels wide, at the left (default true).
    Q_PROPERTY(bool HasInfoCol READ GetHasInfoCol WRITE SetHasInfoCol)
    // The last column fills the remaining width (default false).
    Q_PROPERTY(bool ExtendLastColumnToWidth READ GetExtendLastColumnToWidth WRITE SetExtendLastColumnToWidth)
    // Stored for the application; the grid does not read it.
    Q_PROPERTY(bool UserSortEnable READ GetUserSortEnable WRITE SetUserSortEnable)
    // The columns, as the text a form stores (default none).
    Q_PROPERTY(QString Columns READ GetColumnsText WRITE SetColumnsText)
public:
    explicit TqvGrid(QWidget* aOwner = nullptr);
    ~TqvGrid() override;

    // The columns as text; setting a text that is not a column list leaves the
    // columns as they were and warns, since a form being loaded cannot take an exception.
    QString GetColumnsText() const;
    void SetColumnsText(const QString& aText);

    // --- Published properties
    bool GetHasHeaders() const { return FHasHeaders; }
    virtual void SetHasHeaders(bool aValue);
    bool GetHasInfoCol() const { return FHasInfoCol; }
    virtual void SetHasInfoCol(bool aValue);
    TqvGrid_Columns* GetColumns() const { return FColumns.get(); }
    void SetColumns(const TqvGrid_Columns& aValue) { FColumns->Assign(aValue); }
    TqvGrid_SubGrids* GetSubGrids() const { return FSubGrids.get(); }
    void SetSubGrids(const TqvGrid_SubGrids& aValue) { FSubGrids->Assign(aValue); }
    TqvCellLayouts* GetCellLayouts() const { return FCellLayouts.get(); }
    void SetCellLayouts(const TqvCellLayouts& aValue) { FCellLayouts->Assign(aValue); }
    bool GetExtendLastColumnToWidth() const { return FExtendLastColumnToWidth; }
    void SetExtendLastColumnToWidth(bool aValue);
    bool GetUserSortEnable() const { return FUserSortEnable; }
    void SetUserSortEnable(bool aValue) { FUserSortEnable = aValue; }

    // --- Published events of their own
    // A column got a new user size; the index counts from the first non-fixed column.
    TOnResizeEvent OnColumnResized;
    // A row got a new user size; the index counts from the first non-fixed row.
    TOnResizeEvent OnRowResized;
    // A header click sorts a column; clearing GoOnInternalSort keeps the rows as they are.
    TOnColumnSort OnColumnSort;
    // The rows are about to be sorted; the handler may sort the list itself.
    TOnUserSort OnUserSort;
    // The sort key of a cell; the handler may replace it.
    TOnGetUserSortCompareString OnGetUserSortCompareString;
    // A tree node's children are wanted: the handler adds them.
    TOnInitTreeSubDataList OnInitTreeSubDataList;
    // A combo box editor is about to open: fill its items with InitEditCombo.
    TOnCellEvent OnBeforeEditWithCombo;

    // --- Columns, rows and cells
    // Adds a column; the first one rebuilds the fixed items at once.
    TqvGrid_Column* AddColumn();
    // Appends a row to the root with aData as the row item's data.
    TAxisContentItem* AddRow(TObject* aData = nullptr);
    TAxisContentItem* InsertRow(int aIndex, TObject* aData = nullptr);
    // For a nested grid cell; none for any other cell.
    TAxisContentItem* AddRowInSubGrid(TMoxCell* aCell, TObject* aData = nullptr);
    TAxisContentItem* InsertRowInSubGrid(TMoxCell* aCell, int aIndex, TObject* aData = nullptr);
    // These rebuild pending fixed items first.
    TMoxCell* GetCell(int aCol, int aRow);
    int GetCellCountX();
    int GetCellCountY();
    // The innermost cell under the pixel, searching into nested grids.
    TMoxCell* GetCellAtPixel(int x, int y);
    TMoxCell* GetFocusedCell() const;
    // None clears the root's focus.
    void SetFocusedCell(TMoxCell* aCell);
    // The first shown column at or after Left, row Top.
    TMoxCell* GetTopLeftCell();
    void SetTopLeftCell(TMoxCell* aCell);
    // The larger of the row's user size and its size; 0 beyond the rows.
    int GetRowHeight(int aRow);
    void SetRowHeight(int aRow, int aHeight);
    // The column of a cell: the column of its column item, or, for an item
    // without one after the fixed columns, the collection's column at its
    // position. None for fixed and unknown columns.
    TqvGrid_Column* CellToColumn(TMoxCell* aCell);
    TqvGrid_Column* AxisContentItemToColumn(TAxisContentItem* aItem);
    // The column item of the root that holds aColumn; none when it has none.
    TAxisContentItem* ColumnToAxisContentItem(TqvGrid_Column* aColumn);
    // The definition a nested grid cell of aColumn in row aRowItem is built from.
    TqvGrid_SubGrid* ColumnToSubGrid(TAxisContentItem* aRowItem, TqvGrid_Column* aColumn);
    // The combo editor's items become a copy of aItems; aItemIndex other than -1 selects that item.
    void InitEditCombo(const QStringList& aItems, int aItemIndex);
    // Repaints now when fixed items, sizes or layout are pending.
    void RedrawIfNeeded();
    void LayoutNow() override;
    // Rebuilds the fixed items and columns when they are pending.
    void EnsureFixed();

    // --- Sorting
    TqvGrid_Column* GetSortColumn() const { return FSortColumn; }
    bool GetColumnSortDescending() const { return FSortDescending; }
    // Sorts by the column whose header is the cell at column aColIndex plus
    // the fixed columns, row 0; nothing when there is no such cell or column.
    void SortColumn(int aColIndex, bool aDescending);
    bool CheckSortAllow(TMoxCell* aCell) override;
    void DoSortCell(TMoxCell* aCell, bool aDescending) override;
    virtual void DoInternalResortOfContent();
    // Orders aList (row items of one grid) by SortColumn and SortDescending,
    // after OnUserSort had its say.
    void InternalSortList(std::vector<TAxisContentItem*>& aList);
    // The sort key of a row: the cell's value (dates as YYYY-MM-DD, numbers
    // zero-padded with a sign letter), "###" and the row index; the
    // application may replace it through OnGetUserSortCompareString.
    virtual void GetSortString(TAxisContentItem* aRowItem, bool& aIsNegative, QString& aKey);

    // --- Tree rows
    TqvGridTree* GetTree();
    TqvGridTree* GetTreeInSubGrid(TMoxCell* aGridCell);
    void SetUseTree(bool aValue);
    void SetUseTreeInSubGrid(TMoxCell* aGridCell, bool aValue);
    bool GetUseTree();
    bool GetUseTreeInSubGrid(TMoxCell* aGridCell);
    virtual std::unique_ptr<TqvGridTree> CreateGridTree();
    TqvDataEntity_GridTreeNode* CellToNode(TMoxCell* aCell);
    static TqvDataEntity_GridTreeNode* AxisContentItemToGridTreeNode(TAxisContentItem* aRowItem);
    // The node of the innermost focused cell.
    TqvDataEntity_GridTreeNode* GetCurrentNode();
    bool GetInButtonAction() const { return FInButtonAction; }
    // Tree buttons: a click inverts the node's expansion; the answers come from
    // the view's events when they are set, otherwise from the node.
    void DoButtonAction(TMoxCell* aCell) override;
    bool IsButtonExpanded(TMoxCell* aCell) override;
    bool IsButtonTerminal(TMoxCell* aCell) override;
    TMoxCell* GetParentButtonCell(TMoxCell* aCell) override;
    bool ButtonHasNonHiddenChildren(TMoxCell* aCell) override;
    // The node's level (times the print scale).
    int CellInset(TMoxCell* aCell) override;
    // A column with HasIcon shows OnGetIconIndex's icon; a tree column the node's image.
    bool CellHasIcon(TMoxCell* aCell) override;
    int CellIconIndex(TMoxCell* aCell) override;

    // --- Expanded state
    const std::vector<TExpandedStateEntry>& GetExpandedStateList() const { return FExpandedStateList; }
    bool GetExpandStateSaved() const { return FExpandStateSaved; }
    // Saves which root rows' nodes are expanded, at most once per turn of the event loop.
    void ExpandedStateSave(TOnConvertNodeToStringKey aConverter = nullptr);
    // Expands the saved nodes level by level, so children created by
    // expanding a parent are found.
    void ExpandedStateRestore(TOnConvertNodeToStringKey aConverter = nullptr);
    void SaveExpandStateInStringList(std::vector<TExpandedStateEntry>& aList,
                                     const TOnConvertNodeToStringKey& aConverter);
    // Expands the rows whose node has level aLevel and whose key is saved
    // with that level; answers whether anything was expanded.
    bool ExpandInGridFromStringList(int aLevel, const std::vector<TExpandedStateEntry>& aList,
                                    const TOnConvertNodeToStringKey& aConverter);
    // "#" and the text of the node's row in each root column, concatenated.
    QString _DefaultNodeToString(TqvGrid* aGrid, TqvDataEntity_GridTreeNode* aNode);
    void ClearExpandedStateAlreadySavedFlag(TObject* aData = nullptr);

    // --- Hooks called when items come and go; they do nothing.
    virtual void _ColumnDestroy(TqvGrid_Column* /*aColumn*/) {}
    virtual void _ColumnCreated(TqvGrid_Column* /*aColumn*/) {}
    virtual void _CellLayoutDestroy(TqvCellLayout* /*aCellLayout*/) {}
    virtual void _CellLayoutCreated(TqvCellLayout* /*aCellLayout*/) {}

    // What must hold between operations: the root's column items match the
    // columns when nothing is pending, registered nested cells are alive and
    // built from their definition, the sort column is one of the columns.
    bool CheckInvariants(QString* theWhy = nullptr);

protected:
    virtual void DestroyColumns();
    virtual std::unique_ptr<TqvGrid_Columns> CreateColumnsCollection();
    virtual std::unique_ptr<TqvGrid_SubGrids> CreateSubGridsCollection();
    virtual std::unique_ptr<TqvCellLayouts> CreateCellLayoutsCollection();
    virtual void _InitTreeSubDataList(TqvGridTree* aGridTree, TqvDataEntity_GridTreeNode* aNode);

    // The view's hooks.
    TMoxCellDataClass GetGridCellDataClass() override;
    void InitContent(TMoxSimpleCellStringData* aData) override;
    void initSubGridContent(TMoxSubGridCellData* aData) override;
    void ChooseEditor(TMoxSimpleCellStringData* aData, TMoxEditorType& aChoice) override;
    void InitEditor(QWidget* aEditor, TMoxCell* aCell, QString& aText) override;
    void OnCellDeInit(TMoxCell* aCell) override;
    void HardViewParamsUpdate() override;
    bool GetExpandLastColumnIfShort() override { return FExtendLastColumnToWidth; }
    void TopLeftChanged() override;
    void Resize() override;
    void UserSizeChanged(TAxisContentItem* aItem) override;
    bool _OnCheckCellGrouping(TMoxCell* aGroupingCell, TMoxCell* aTestCell) override;
    int GetWidthOffAxisContentItemForHeightCalculation(TMoxGridCell* aGridCell,
                                                       TAxisContentItem* aColumn) override;
    void PostDrawGetStringAndSetAttributes(TMoxCell* aCell, QString& aText, bool& aIsStringEdit,
                                           bool& aBoolean) override;
    void OffscreenPaint() override;
    void _OnVirtualLoad(TMoxGridCell* aCaller, TAxisContentItem* aItem, bool aRowNotColumn) override;
    void _OnKeepAfterUnLoad(TMoxGridCell* aCaller, TAxisContentItem* aItem, bool aRowNotColumn,
                            bool& aKeep) override;
    void _OnUnloaded(TMoxGridCell* aCaller, TAxisContentItem* aItem, bool aRowNotColumn) override;
    void _OnUnloadIntervall(TMoxGridCell* aCaller, TAxisContentItem* aItem, bool aRowNotColumn, int& aStart,
                            int& aStop) override;
    void _OnDeleteOfUnloaded(TMoxGridCell* aCaller, bool aRowNotColumn, int& aStart, int& aStop) override;

private:
    friend class TqvGrid_Column;
    friend class TqvGrid_Columns;
    friend class TqvGrid_SubGrid;
    friend class TqvGrid_SubGrids;
    friend class TqvCellLayout;
    friend class TqvCellLayouts;
    friend class TMoxSubGridCellDataTreeRef;
    friend struct TqvGridTestAccess;
    struct TSortKey;

    // Fixed items and columns of a grid cell from a column collection.
    void InitColumnsAndFixed(TMoxGridCell* aGridCell, TqvGrid_Columns* aColumns, bool aHasHeaders,
                             bool aHasInfoCol);
    void InitSubGrid(TMoxGridCell* aGridCell);
    TMoxCellType _OnCreateCell(TMoxGridCell* aCaller, TAxisContentItem* aXItem, TAxisContentItem* aYItem);
    bool _OnCellHasButton(TMoxGridView_Custom* aView, TMoxCell* aCell);
    void ColumnStructureChanged();
    void ColumnCreated(TqvGrid_Column* aColumn);
    void ColumnDestroying(TqvGrid_Column* aColumn);
    void ColumnMoved(TqvGrid_Column* aColumn, int aFrom, int aTo);
    void ColumnVisibilityChanged(TqvGrid_Columns* aColumns);
    void LayoutsChanged();
    void LayoutDestroying(TqvCellLayout* aLayout);
    void SubGridDestroying(TqvGrid_SubGrid* aSubGrid);
    // The grid cells a collection's columns are shown in.
    std::vector<TMoxGridCell*> GridCellsOf(TqvGrid_Columns* aColumns);
    TqvGrid_Columns* ColumnsOfGridCell(TMoxGridCell* aGridCell);
    TMoxSubGridCellDataTreeRef* TreeRefOf(TMoxCell* aGridCell) const;
    void ApplyVisibility(TqvGrid_Columns* aColumns);
    void _ExtendLastColumn(TObject* aData);
    // Marks the last column of aGridCell as filling the width (user size 1000).
    void SetFillMarker(TMoxGridCell* aGridCell);
    void ExtendSubGridsLastColumns();
    TSortKey MakeSortKey(TAxisContentItem* aRowItem);
    // The cell text of a row in the sort column; sets the parts of the key.
    // aValue: the row's upper-cased value; aKey (only with aWithKey): the
    // full key with sign prefix and row index.
    void SortValue(TAxisContentItem* aRowItem, QString& aValue, bool& aIsNegative, QString& aKey,
                   bool aWithKey = true);
    int CompareSortKeys(const TSortKey& a, const TSortKey& b) const;
    void SortRowsOfCell(TMoxGridCell* aGridCell);
    bool SortTree(TqvGridTree* aTree);
    QString NodeKey(TqvDataEntity_GridTreeNode* aNode, const TOnConvertNodeToStringKey& aConverter);

    bool FHasInfoCol = true;
    bool FHasHeaders = true;
    bool FExtendLastColumnToWidth = false;
    bool FUserSortEnable = false;
    std::unique_ptr<TqvCellLayouts> FCellLayouts;
    std::vector<TExpandedStateEntry> FExpandedStateList;
    bool FExpandStateSaved = false;
    std::unique_ptr<TqvGrid_Columns> FColumns;
    bool FFixedPending = true;
    TqvGrid_Column* FSortColumn = nullptr;
    bool FSortDescending = false;
    int FLastLeft = 0;
    std::unique_ptr<TqvGrid_SubGrids> FSubGrids;
    bool FInButtonAction = false;
    // Raised whenever a layout comes, goes or is renamed; columns look their layout up again.
    int FLayoutGeneration = 0;
    // User size changes made by the grid itself (rebuild, fill marker) raise no sizing events.
    bool FSizingByGrid = false;
    bool FGridDestroying = false;
    // The keys of the date texts seen during one sort (while FSorting).
    bool FSorting = false;
    QHash<QString, QString> FDateKeys;
    // The key of the row MakeSortKey is working on, for GetSortString.
    struct {
        TAxisContentItem* Row = nullptr;
        bool Negative = false;
        QString Key;
    } FSortValueCache;
};

} // namespace skedra
