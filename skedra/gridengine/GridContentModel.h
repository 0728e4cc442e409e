#pragma once
// The grid content model: a grid is a cell (TMoxGridCell) owning two virtual
// axes (columns and rows) and a matrix of cells, one per loaded column and row.
// A cell is either simple or again a grid, so grids nest to any depth. Only the
// fixed items and one contiguous block of each axis exist as objects; the rest
// is counted and created on demand, and discarded after each layout when the
// application allows it.

#include "skedra/foundation/EventHandling.h"
#include "skedra/platform/Canvas.h"
#include "skedra/platform/Controls.h"
#include "skedra/platform/Types.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <deque>
#include <memory>
#include <vector>

class QObject;

namespace skedra
{

class TAxisContentItem;
class TAxisContentList;
class TCellMatris;
class TMoxCell;
class TMoxSimpleCell;
class TMoxGridCell;
class TMoxGridCellForViewer;
class TMoxCellData;
class TLayoutProp;

enum TMoxCellType { moxCellTypeSimple, moxCellTypeGrid };
enum TMoxDrawState { moxFixed, moxSelected, moxFocused };
using TMoxDrawStateSet = TSet<TMoxDrawState>;
enum TMoxDirection {
    moxdirNone,
    moxdirLeft,
    moxdirRight,
    moxdirUp,
    moxdirDown,
    moxdirInwards,
    moxdirPageUp,
    moxdirPageDown,
    moxdirHomeRow,
    moxdirEndRow,
    moxdirHomeCell,
    moxdirEndCell
};
enum TFrameOption { foLeft, foRight, foTop, foBottom };
using TFrameOptions = TSet<TFrameOption>;
enum TFrameKind { fkNormal, fk3d };

// The stored form of TFrameOptions: one byte, bit 0 foLeft .. bit 3 foBottom.
uint8_t FrameOptionsToByte(const TFrameOptions& theOptions);
TFrameOptions FrameOptionsFromByte(uint8_t theByte);

using TOnCreateCell = TMethod<TMoxCellType(TMoxGridCell* theCaller, TAxisContentItem* theXAxisItem,
                                           TAxisContentItem* theYAxisItem)>;
using TOnVirtualLoad =
    TMethod<void(TMoxGridCell* theCaller, TAxisContentItem* theAxisItem, bool theRowNotColumn)>;
using TOnVirtualUnLoad = TMethod<void(TMoxGridCell* theCaller, TAxisContentItem* theAxisItem,
                                      bool theRowNotColumn, bool UnloadPerform, bool& CanUnload)>;
using TOnKeepAfterUnloadCheck = TMethod<void(TMoxGridCell* theCaller, TAxisContentItem* theAxisItem,
                                             bool theRowNotColumn, bool& KeepAfterUnload)>;
// After a loaded item went unloaded, before it is freed: the list already
// counts it unloaded, so what a handler changes here cannot disturb the unload.
using TOnUnloaded =
    TMethod<void(TMoxGridCell* theCaller, TAxisContentItem* theAxisItem, bool theRowNotColumn)>;
using TOnUnloadIntervall = TMethod<void(TMoxGridCell* theCaller, TAxisContentItem* theAxisItem,
                                        bool theRowNotColumn, int& Start, int& Stop)>;
using TOnDeleteOfUnloaded =
    TMethod<void(TMoxGridCell* theCaller, bool theRowNotColumn, int& Start, int& Stop)>;
using TOnCheckCellGrouping = TMethod<bool(TMoxCell* aGroupingCell, TMoxCell* aTestCell)>;
using TOnMeasureHeight = TMethod<void(TMoxGridCell* theCaller, TMoxCell* theMoxCell, int& theHeight)>;
using TOnCellRectTampering = TMethod<void(TMoxGridCell* theCaller, TMoxCell* theMoxCell, TRect& theRect)>;
using TOnScaleRect = TMethod<void(TRect& theRect)>;
using TOnDeInitCell = TMethod<void(TMoxCell* theCell)>;
using TOnDrawMoxCell =
    TMethod<void(TRect theDrawRect, TMoxCell* theMoxCell, TMoxDrawStateSet theMoxDrawState)>;
using TOnInitCellData = TMethod<void(TMoxGridCell* theCaller, TMoxCellData* theCellData)>;
// Hook for each frame line a layout draws (the grid view calls it).
using TOnLineDraw =
    TMethod<void(TLayoutProp* aLayoutProp, TFrameOption aFrameOption, TMoxCell* aCell, TRect aDrawRect,
                 TPoint aStartPix, TPoint aStopPix, bool& aDoDefaultDraw, TCanvas* aCanvas)>;

// "Class of" a cell content: a factory that creates one content object.
using TMoxCellDataClass = std::function<std::unique_ptr<TMoxCellData>()>;
template <class T> TMoxCellDataClass MoxCellDataClassOf()
{
    return [] { return std::unique_ptr<TMoxCellData>(new T()); };
}

// Appearance of a cell, shared by every cell that points to it; owned by its creator.
class TLayoutProp
{
public:
    QString Name;
    TColor BackColor = clWindow;
    TColor FrontColor = clBlack;
    bool UseFontInfo = false;
    TColor FontColor = clBlack;
    QString FontName;
    int FontSize = 9;
    TFontStyles FontStyle;
    int MinWidth = 20;
    int MinHeight = 20;
    bool WrapTextAndFit = false;
    bool WindowsFlagDraw = false;
    uint32_t WindowsFlags = 0;
    TFrameOptions FrameOptions;
    TFrameKind FrameKind = fkNormal;
    TColor FrameColor = clBlack;
    bool FrameOptionsUse = false;
    bool HorzAlignRight = false;
    bool HorzAlignCenter = false;
    bool VertAlignCenter = false;
    bool EndEllipsis = false;
    TOnLineDraw OnFrameLineDraw;
};

// A user size several axis items may share; the application owns it.
struct TUserSizeItem {
    bool Active = false;
    int Size = 0;
};

// One column or one row.
class TAxisContentItem : public TObject
{
public:
    TObject* Data = nullptr;   // application object; not owned
    TObject* Value2 = nullptr; // second object (the grid tree node of a row); not owned
    TAxisContentList* List = nullptr;
    int Size = 0;
    int Position = 0;
    int UserSize = 0;
    bool UserSizeActive = false;
    TUserSizeItem* UserSizeItem = nullptr;
    bool Hidden = false;
    int CachedIndex = 0;
    bool InVisibleList = false;

    ~TAxisContentItem() override;

    int ListIndex();
    int LoadedListIndex();
    void SetHide(bool aHidden);
    int GetUserSize() const;
    void SetUserSize(int aSize);
    bool GetUserSizeActive() const;
    void SetUserSizeActive(bool aActive);
    void SetValue2(TObject* aValue);

private:
    friend class TAxisContentList;
    int HiddenSlot = -1; // position in the axis's HiddenItems
};

// An object that refers to an axis item and must hear when the item is freed
// (a grid tree node keeps its row). Set as the item's Value2.
class TAxisItemReferrer
{
public:
    virtual void AxisContentItemFreed(TAxisContentItem* theItem) = 0;

protected:
    ~TAxisItemReferrer() = default;
};

// One axis: fixed items, then a contiguous loaded block, with unloaded items
// counted before and after the block. Items appended while the block does not
// reach the end form a tail: a second loaded run after UnloadedBetween
// unloaded items (LoadedItems holds the fixed items, the block, the tail).
class TAxisContentList : public TObject
{
public:
    bool LoadingBackwards = false;
    int LoadNesting = 0;
    // A deque: a purge unloads from both ends of the block, one item at a time.
    std::deque<std::unique_ptr<TAxisContentItem>> LoadedItems;
    std::vector<TAxisContentItem*> VisibleItems;
    std::vector<TAxisContentItem*> HiddenItems; // order is not significant
    TMoxGridCell* OwnerCell = nullptr;
    bool IndexesOutOfDate = false;
    int IndexesValidBelow = 0;
    int UnloadedBefore = 0;
    int UnloadedAfter = 0;
    int UnloadedBetween = 0; // between the block and the tail
    int TailCount = 0;       // loaded items of the tail, last in LoadedItems
    int FixedCount = 0;
    int KeepFrom = -1;
    int KeepTo = -1;
    // Real indexes a running layout pass has walked (-1, -1 when none). They
    // stay loaded while it runs, and a load beyond the 500-item rule purges
    // around them instead of unloading everything (which would drop the items
    // measured and placed already, and clear the visible lists).
    int PinFrom = -1;
    int PinTo = -1;
    // Fixed slots opened by raising FixedCount while items before the block
    // were unloaded; the next inserts below FixedCount fill them. Likewise
    // former fixed items left by lowering it, which the next drops remove.
    int PendingFixed = 0;
    int PendingUnfixed = 0;

    explicit TAxisContentList(TMoxGridCell* aOwnerCell);
    ~TAxisContentList() override;

    int Count() const { return LoadedCount() + UnloadedBefore + UnloadedBetween + UnloadedAfter; }
    int LoadedCount() const { return static_cast<int>(LoadedItems.size()); }
    int GetHiddenRowCount() const { return static_cast<int>(HiddenItems.size()); }
    bool IsRowAxis() const;

    TAxisContentItem* getAxisContentItem(int aIndex);
    TAxisContentItem* getLoadedAxisContentItem(int aLoadedIndex) const;
    TAxisContentItem* getVisibleAxisContentItem(int i) const;
    int VisibleCount() const { return static_cast<int>(VisibleItems.size()); }
    void AddToVisible(TAxisContentItem* aItem);
    void ClearVisibles();
    TMoxGridCell* getGridCell() const { return OwnerCell; }

    int IndexConvert_RealToLoaded(int aIndex) const;
    int IndexConvert_LoadedToReal(int aLoadedIndex) const;
    bool IsLoaded(int aIndex) const;
    // Real index of the first and last loaded non-fixed item (the last one of
    // the tail when there is one); -1 when the block is empty.
    int FirstLoadedIndex() const;
    int LastLoadedIndex() const;
    // Loaded position after the block's last item (the tail's first).
    int BlockEnd() const { return LoadedCount() - TailCount; }

    TAxisContentItem* AddNew(TObject* aData);
    TAxisContentItem* InsertNew(int aIndex, TObject* aData);
    void AddUnloaded(int aCount);
    // Adds unloaded items between the fixed items and the loaded block (after
    // the fixed items when the block is empty).
    void AddUnloadedBefore(int aCount);
    void Move(int aFrom, int aTo);
    // Puts the loaded non-fixed items in the order of aOrder, which must hold
    // each of them once (an Exception otherwise, with nothing changed); the
    // matrix columns or rows go along and the axis change is raised once.
    void Reorder(const std::vector<TAxisContentItem*>& aOrder);
    void Drop(int aIndex);
    void Clear() { CommonClear(0); }
    void ClearKeepFixedItems() { CommonClear(FixedCount); }

    TAxisContentItem* EnsureLoadedItem(int aIndex);
    // Loads the item when that stays within the loading rule; never unloads
    // (so never deselects). Null when the item is not loaded afterwards.
    TAxisContentItem* LoadWithinRule(int aIndex);
    // Changes the fixed count (see PendingFixed).
    void SetFixedCount(int aValue);
    // What must hold between operations: counters, the hidden and visible
    // lists against the items' flags, cached indexes that are not marked
    // stale, and a matrix entry per loaded item. Debug builds assert it after
    // each operation (up to a size); false with a description otherwise.
    bool CheckInvariants(QString* theWhy = nullptr) const;
    void LoadItems(int aFrom, int aTo, bool aBackwards);
    // Unloads the first (aFromFront) or last item of the block or of the tail;
    // false when a handler of the unload moved or removed it, which leaves it
    // where it now stands.
    bool Unload(int aIndex, bool aFromFront);
    void UnloadIntervall(TAxisContentItem* aItem, int& aStart, int& aStop);
    bool CanUnload(TAxisContentItem* aItem);
    void Purge();
    void UnloadAll();
    void DeleteOfUnloaded(int aStart, int aStop);

    void UpdateHiddenItemsList(TAxisContentItem* aItem, bool aHidden);
    void EnsureListIndexes();
    void ListIndexesOutOfDate(int aFrom);
    void UpdateListIndexesFrom(int aFrom);

private:
    void CommonClear(int aKeep);
    // Joins a tail that touches the block and makes a tail without block the
    // block; no index moves.
    void NormalizeRuns();
    // The range that loads aIndex next to the nearer run: false when loaded.
    bool ChooseRange(int aIndex, int& theFirst, int& theLast, bool& theBackwards, int& theRun) const;
    void RemoveLoaded(int aLoadedIndex); // hidden list, visible list, matrix, loaded list, free
    std::unique_ptr<TAxisContentItem> DetachLoaded(int aLoadedIndex); // the same without the free
    void EnsureLoadedRange(int aLow, int aHigh);
    // One purge step at the block's front (aTail: the tail's front), or at
    // the last run's back (aBlock: the block's back); true when it unloaded.
    bool PurgeFront(bool aTail);
    bool PurgeBack(bool aBlock);
    TMoxGridCellForViewer* Viewer() const;
};

// The cells of a grid cell: one list per loaded column, each with one cell per
// loaded row, both in loaded-index order. Owns the cells; an entry may be nil
// and is then created on first access.
class TCellMatris
{
public:
    TMoxGridCell* OwnerCell = nullptr;
    // Per loaded column its cells by loaded row; deques, as rows are unloaded
    // from both ends of the block.
    using TColumnCells = std::deque<std::unique_ptr<TMoxCell>>;
    std::vector<TColumnCells> Columns;

    explicit TCellMatris(TMoxGridCell* aOwnerCell) : OwnerCell(aOwnerCell) {}
    ~TCellMatris();

    // Real indexes; loads both items when that stays within the loading rule
    // (reading a cell never unloads or deselects); nil when either is not
    // loaded afterwards.
    TMoxCell* getCell(int aCol, int aRow);
    // The cell at loaded positions, created if missing; nil outside the matrix.
    TMoxCell* getLoadedCell(int aLoadedCol, int aLoadedRow);
    // The existing cell at loaded positions, never created.
    TMoxCell* PeekLoadedCell(int aLoadedCol, int aLoadedRow) const;

    // These take loaded positions (the axes pass them while the item is in place).
    void InsertX(int aLoadedCol);
    void InsertY(int aLoadedRow);
    void DropX(int aLoadedCol);
    void DropY(int aLoadedRow);
    void MoveX(int aFromLoaded, int aToLoaded);
    void MoveY(int aFromLoaded, int aToLoaded);
    // Entry aFirst + i takes the entry that was at aFirst + aFrom[i].
    void ReorderX(int aFirst, const std::vector<int>& aFrom);
    void ReorderY(int aFirst, const std::vector<int>& aFrom);
    void Clear();

    // Real indexes; false outside 0 .. Count-1 and for unloaded items.
    bool HasColumnSelections(int aCol) const;
    bool HasRowSelections(int aRow) const;
    int CountX() const;
    int CountY() const;
    int LoadedCountX() const;
    int LoadedCountY() const;
};

// Walks the items a layout may show: the fixed items, then the items from the
// scroll position Start to the end.
struct TVisibleIterator {
    int FixedCount = 0;
    int Start = 0;
    int Count = 0;
    int Current = 0;

    TVisibleIterator(int aFixedCount, int aStart, int aCount)
        : FixedCount(aFixedCount), Start(aStart), Count(aCount)
    {
        Reset();
    }
    void Reset() { Current = FixedCount > 0 ? 0 : Start; }
    void Next()
    {
        ++Current;
        if (Current >= FixedCount && Current < Start) Current = Start;
    }
    bool Done() const { return Current >= Count; }
};

// Content of a cell; owned by the cell.
class TMoxCellData : public TObject
{
public:
    TMoxCell* Cell = nullptr;

    TMoxCellData() = default;
    // Called once right after the cell is created and placed; the base asks the
    // root's OnInitCellData hook.
    virtual void InitContent();
    TAxisContentItem* GetAxisContentItemX() const;
    TAxisContentItem* GetAxisContentItemY() const;
    TMoxCellType GetMoxCellType() const;
};

class TMoxSimpleCellData : public TMoxCellData
{
};
class TMoxGridCellData : public TMoxCellData
{
};

class TMoxCell : public TObject
{
public:
    bool InGroup = false;
    bool IsGroupMaster = false;
    TMoxGridCell* ParentCell = nullptr;
    TAxisContentItem* ColumnItem = nullptr;
    TAxisContentItem* RowItem = nullptr;
    int CalculatedHeight = 0;
    int CalculatedWidth = 0;
    bool Selected = false;
    TRect VisibleRect{-1, -1, -1, -1};
    std::unique_ptr<TMoxCellData> CellData;
    TLayoutProp* Layout = nullptr; // not owned; nil means fixed-cell style
    bool MeasureNeeded = true;
    int MeasuredHeight = 0;

    explicit TMoxCell(TMoxGridCell* aParentCell);
    ~TMoxCell() override;

    virtual TMoxCellType CellType() const { return moxCellTypeSimple; }
    virtual int GetCalculatedHeight() { return CalculatedHeight; }
    virtual int GetCalculatedWidth() { return CalculatedWidth; }
    virtual bool GetSelected() const { return Selected; }
    // Runs the selection handlers, which may remove rows and so free cells
    // (this one too): compare FreedCells() around it before touching a cell.
    virtual void SetSelected(bool aValue);
    virtual TRect getVisibleRect();
    virtual void BeginUpdate() {}
    virtual void EndUpdate() {}
    virtual void CalculateSizes();

    int GetMinHeight();
    void SetMinHeight(int aValue);
    int GetMinWidth() const;
    void SetMinWidth(int aValue);
    bool GetIsFixed() const;
    TMoxGridCell* GetViewerGridCell();
    TMoxGridCellForViewer* GetViewer();
    TMoxGridCell* getGridCell() const { return ParentCell; }
    // The cell that paints the vertical group this cell belongs to (itself
    // when it is not grouped).
    TMoxCell* GetGroupMaster();

    // How many cells this thread has freed so far. An operation that runs
    // handlers compares it before and after: when it moved, the cells the
    // operation holds may be gone and it stops without touching them.
    static std::uint64_t FreedCells() { return FFreedCells; }

protected:
    // Obtains the content from the parent (or, for a root, from itself).
    void AcquireCellData();
    // Frees the content after telling the root's de-init hook; clears the
    // parent's focus and anchor when they are this cell. Idempotent.
    void DeInitCell();

private:
    friend class TMoxGridCell;
    bool DeInitDone = false;
    static thread_local inline std::uint64_t FFreedCells = 0;
};

class TMoxSimpleCell : public TMoxCell
{
public:
    using TMoxCell::TMoxCell;
};

class TMoxGridCell : public TMoxCell
{
public:
    bool MultiSelect = true;
    std::unique_ptr<TAxisContentList> ColumnList;
    std::unique_ptr<TAxisContentList> RowList;
    std::unique_ptr<TCellMatris> Matrix;
    std::unique_ptr<TEvent> TopLeftChangedEvent;
    std::unique_ptr<TEvent> FocusChangedEvent;
    int Top = 0;
    int Left = 0;
    TRect DrawRect;
    int VisibleColumnCount = 0;
    int VisibleRowCount = 0;
    bool AllColumnsFit = true;
    int LastPlacedColumn = 0;
    bool AllRowsFit = true;
    TMoxCell* FocusedCell = nullptr;
    TMoxCell* AnchorCell = nullptr;
    bool RowSelect = false;

    explicit TMoxGridCell(TMoxGridCell* aParentCell);
    ~TMoxGridCell() override;

    TMoxCellType CellType() const override { return moxCellTypeGrid; }
    int GetCalculatedHeight() override;
    int GetCalculatedWidth() override;
    void SetSelected(bool aValue) override;
    void BeginUpdate() override {}
    void EndUpdate() override {}
    void CalculateSizes() override {}
    virtual std::unique_ptr<TMoxCellData> CreateMoxCellData(TMoxCell* aCell);

    // Creates the cell of a loaded column and row (loaded positions).
    std::unique_ptr<TMoxCell> CreateCell(int aLoadedCol, int aLoadedRow);
    TMoxCell* getCell(int aCol, int aRow) { return Matrix->getCell(aCol, aRow); }

    int GetFixedCols() const { return ColumnList->FixedCount; }
    void SetFixedCols(int aValue);
    int GetFixedRows() const { return RowList->FixedCount; }
    void SetFixedRows(int aValue);
    void SetLeft(int aValue);
    void SetTop(int aValue);

    // --- Layout pass, traversal, hit testing, scrolling, focus, selection and
    // neighbour search (MoxGridLayout.cpp, MoxGridNavigation.cpp).

    // Sizes and places the columns and rows that fit in aRect (fixed items
    // first, then from Left and Top); nested grids are laid out with the same
    // rectangle. Purges both axes afterwards.
    void CalcVisibleArea(const TRect& aRect);
    // Walks the placed cells column by column and hands each with its drawing
    // rectangle and state to aDrawProc; nested grids draw inside their cell.
    void Draw(const TRect& aRect, const TOnDrawMoxCell& aDrawProc);
    // Start and stop pixel of a placed item measured from aBase.
    static void CellExtents(const TAxisContentItem* aItem, int& aStop, int& aStart, int aBase);
    // Real column and row of the placed item under the pixel (both ends of an
    // item included, the first match wins); -1 when none.
    void GridCoordsFromPix(int x, int y, int& aCol, int& aRow) const;
    // The group master of the cell under the pixel, descending into nested
    // grids with aDescend; nil outside the placed items.
    TMoxCell* CellFromPix(int x, int y, bool aDescend);
    bool IsFixedCell(int aCol, int aRow) const;
    // Scroll-bar values are visible indexes (hidden items not counted).
    void SetLeft_ScrollVal(int aValue);
    void SetTop_ScrollVal(int aValue);
    int GetLeft_ScrollVal() const;
    int GetTop_ScrollVal() const;
    static int Convert_TrueIndexToVisible(const TAxisContentList* aList, int aIndex);
    static int Convert_VisibleIndexToTrue(const TAxisContentList* aList, int aVisible);
    // Pixels of the scrolled-away part in x and y.
    void GetNotVisibleAcum(int& aX, int& aY) const;
    // Focuses aCell; a cell of a nested grid is focused there and its grid
    // cell here, so the focus path runs from this grid down.
    void SetFocusedCell(TMoxCell* aCell);
    TMoxCell* GetFocusedCellDownTrack() const;
    // Sets every cell of the rectangle of real indexes (corners in any order).
    // Both stop when a selection handler frees cells; UpdateMultiSelect then
    // answers false, and aCell must not be touched any more.
    void AreaSelect(bool aValue, const TRect& aRect);
    // The click and key selection rule (plain, Shift, Ctrl, Shift+Ctrl).
    bool UpdateMultiSelect(TMoxCell* aCell, TShiftState aShift);
    // The cell a navigation key moves to from aCell; aCell itself when it cannot move.
    TMoxCell* FindNeighbourCell(TMoxCell* aCell, TMoxDirection aDirection, bool aDescend);
    // The nearest cell whose item on aList is not hidden, from aCell's item
    // toward index aStart (aStart included); aCell when there is none.
    TMoxCell* ClosestVisibleNeighbour(int aStart, TAxisContentList* aList, TMoxCell* aCell);
    // Raises an Exception naming the first broken rule of the last layout
    // (visible lists in order, positions cumulative, counts consistent).
    void CheckLayoutInvariants() const;

    // Notifications from the axes.
    void InsertingAxisItem(TAxisContentList* aList, TAxisContentItem* aItem, int aLoadedIndex);
    void DroppingAxisItem(TAxisContentList* aList, TAxisContentItem* aItem, int aLoadedIndex);
    void DroppedAxisItem(TAxisContentList* aList);
    void MowingAxisItem(TAxisContentList* aList, int aFromLoaded, int aToLoaded);
    void ReorderedAxisItems(TAxisContentList* aList, int aFirstLoaded, const std::vector<int>& aFrom);
    void ChangeInUnloaded(TAxisContentList* aList);

protected:
    // Frees the cells and the axes while the object is still whole, so that
    // de-init hooks see a complete tree.
    void DestroyContent();

private:
    friend class TMoxCell;
    void _OnNestedFocusChanged(TSingleEventListener* theEventListener);
    // Raises the viewer's axis change. aFrom: the real index on aList of the
    // first item the change may move or alter (-1: any item).
    void RaiseAxisChanged(TAxisContentList* aList = nullptr, int aFrom = -1);
    bool ContentDestroyed = false;
    // Selected cells and nested grid cells in the matrix, so that deselecting
    // a grid with nothing to deselect costs nothing.
    int FSelectedCells = 0;
    int FGridCells = 0;
};

// Declared for nested grids; the engine itself creates plain TMoxGridCell objects.
class TMoxSubGridCell : public TMoxGridCell
{
public:
    using TMoxGridCell::TMoxGridCell;
};

// The root grid cell of a view, holding the hooks of the view and the application.
class TMoxGridCellForViewer : public TMoxGridCell
{
public:
    QObject* Viewer = nullptr;
    // The axis item being removed while its axis change is raised (its cells still exist).
    TAxisContentItem* DroppingItem = nullptr;
    // While an axis change is raised: the real index of the first row of this
    // grid's own row axis that the change may move or alter; rows before it
    // keep their place and look. -1 when any row or column may change (a
    // column, a nested grid, a hidden row, anything not known).
    int AxisChangeFirstRow = -1;
    // The row axis' counters at its last reported change, to tell an append
    // of unloaded rows from other changes of the unloaded blocks.
    int ReportedUnloadedBefore = 0;
    int ReportedUnloadedBetween = 0;
    int ReportedLoaded = 0;
    int ReportedCount = 0;
    std::unique_ptr<TEvent> AxisChangedEvent;
    std::unique_ptr<TEvent> UserSizeChangedEvent;
    std::unique_ptr<TEvent> SelectionChangedEvent;
    TMoxCellDataClass SimpleCellDataClass;
    TMoxCellDataClass GridCellDataClass;

    TOnCellRectTampering OnCellRectTampering;
    TOnScaleRect OnScaleRect;
    TOnDeInitCell OnDeInitCell;
    TOnCheckCellGrouping OnCheckCellGrouping;
    TOnVirtualLoad OnVirtualLoad;
    TOnVirtualUnLoad OnVirtualUnLoad;
    TOnKeepAfterUnloadCheck OnKeepAfterUnloadCheck;
    TOnUnloaded OnUnloaded;
    TOnUnloadIntervall OnUnloadIntervall;
    TOnDeleteOfUnloaded OnDeleteOfUnloaded;
    TOnCreateCell OnCreateCell;
    TOnMeasureHeight OnMeasureHeight;
    // Lets the owner fill a content right after its cell was created.
    TOnInitCellData OnInitCellData;

    TMoxGridCellForViewer(QObject* aViewer, TMoxCellDataClass aGridCellDataClass,
                          TMoxCellDataClass aSimpleCellDataClass);
    ~TMoxGridCellForViewer() override;
    QObject* GetViewer() const { return Viewer; }
};

} // namespace skedra
