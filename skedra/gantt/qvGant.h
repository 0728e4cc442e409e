#pragma once
// The Gantt chart. TqvGant_ComBasic is a composite control: the row tree on
// the left, a splitter, and on the right a date scaler above the Gantt area,
// whose bands line up with the tree's rows on one y axis. It owns the rows
// (one per tree node), every row's layers of time items (through a
// three-level list, so one walk visits every item), the links and the two
// list controllers whose handlers keep the rows, the sub-columns and the
// drawing in step with the data and raise the chart's events.
//
// Geometry costs in proportion to what is in view: a row's band is
// arithmetic from the tree's uniform rows, and the row under a point is found
// by its index, never by scanning the rows.

#include <QString>

#include <memory>
#include <vector>

#include "skedra/data/DataListGroups.h"
#include "skedra/foundation/PrintTypes.h"
#include "skedra/gantt/GantArea.h"
#include "skedra/gantt/GantData.h"
#include "skedra/gantt/GantInput.h"
#include "skedra/gantt/GantRow.h"
#include "skedra/gantt/GantTree.h"
#include "skedra/gantt/SubColumnDriver.h"
#include "skedra/platform/StdCtrls.h"
#include "skedra/platform/TextLayoutCache.h"
#include "skedra/scaler/qvScaler.h"
#include "skedra/tree/GridTree.h"

namespace skedra
{

class TCustomImageList;
class TqvSplitter;
struct TGantInputState;

using TOnUserCreateGantRow =
    TMethod<void(TGantRowList* theGantRowList, TqvDataEntity_Tree* theNode,
                 TqvDataEntity_GridTreeNode* theDataEntity_GridTreeNode, TGantRow*& result)>;
using TOnGantRowNotify = TMethod<void(TGantRowList* theGantRowList, TGantRow* theGantRow)>;
using TOnChangeDataEntity_GantTime = TMethod<void(TqvGant_ComBasic* theGant, TqvDataEntity* theDataEntity)>;
using TOnVirtualLoad_GantTime = TMethod<void(TqvGant_ComBasic* theGant, TqvDataEntity* theDataEntity)>;
using TOnVirtualUnLoad_GantTime =
    TMethod<void(TqvGant_ComBasic* theGant, TqvDataEntity* theDataEntity, bool& CanUnload)>;
using TOnCollisionDetected =
    TMethod<void(TqvGant_ComBasic* theGant, TqvDataEntity_GantTime* theDataEntity, int theNewSubColPosition)>;
using TOnUserDrawTime = TMethod<void(TqvGant_ComBasic* theGant, TqvDataEntity_GantTime* theDataEntity,
                                     TCanvas* theCanvas, const TRect& theRect)>;
using TOnUserDrawLinks = TMethod<void(TqvGant_ComBasic* theGant, TqvDataEntity_Link* theDataEntity_Link,
                                      TCanvas* theCanvas, TPoint theStart, TPoint theStop)>;
using TOnHintInfo =
    TMethod<void(TObject* theObject, TDateTime theStart, TDateTime theStop, TDateTime theLength)>;

class TqvGant_ComBasic : public TCustomPanel, public TSubColumnClient
{
public:
    // Builds the chart with this class's creation hooks.
    explicit TqvGant_ComBasic(QWidget* aParent = nullptr);
    ~TqvGant_ComBasic() override;

    // --- sub-controls
    TGantTree* GetTreeView() const { return Treeview; }
    TqvDateScaler* GetDateScaler() const { return DateScaler; }
    TqvOffscreenPaint_GA* GetGA() const { return GA; }
    TScrollBar* GetScrollBar() const { return ScrollBar; }
    int GetTreeWidth() const;
    void SetTreeWidth(int aValue);

    // --- rows, time items and links
    TGantRowList* GetRowList() const { return RowList; }
    TqvDataList3lev* GetDataLists() const { return DataLists; }
    TqvDataList* GetLinks() const { return LinkList; }
    TqvListController* GetTimeItemController() const { return TimeItemController; }
    TqvListController* GetLinkController() const { return LinkController; }

    // A root tree node when aParent is none.
    TqvDataEntity_Tree* AddDataEntityTree(TqvDataEntity_Tree* aParent);
    TqvDataEntity_Tree* AddRootDataEntityTree() { return AddDataEntityTree(nullptr); }
    // The tree node's row, or none.
    TGantRow* GetGantRow(const TqvDataEntity_Tree* aTreeNode) const;
    // A new time item on layer aLayer of the tree node's row; none when the
    // node has no row or the layer is negative.
    TqvDataEntity_GantTime* AddGantTime(TqvDataEntity_Tree* aTreeNode, int aLayer);
    TqvDataEntity_GantTime* GridNode_AddGantTime(TqvDataEntity_GridTreeNode* aGridNode, int aLayer);
    // Appends layers until aLayer exists, adds a white gtsSquare item that can
    // be edited. None for no row or a negative layer.
    TqvDataEntity_GantTime* AddGantTimeToGantRow(TGantRow* aRow, int aLayer);
    void RemoveGantTime(TqvDataEntity_GantTime* anItem);
    // A new link with the default style, colour and pen width.
    TqvDataEntity_Link* AddLink();
    // Deletes every link whose First or Second is anItem (last to first).
    void DropAllLinks(const TqvDataEntity_GantTime* anItem);
    void CopyDataEntity(const TqvDataEntity_GantTime* aSource, TqvDataEntity_GantTime* aTarget);
    // The last match in row, layer and item order (first within one layer).
    TqvDataEntity_GantTime* FindGantTimeObjectFromUserReference(const void* aReference) const;

    // --- geometry
    // The item's rectangle; false and (-1, -1, -1, -1) when it has none.
    bool RectFromDataEntity(const TqvDataEntity_GantTime* anItem, TRect& aRect);
    // The topmost item under the point, or none.
    TqvDataEntity_GantTime* GetDataEntityFromXY(int x, int y);
    // The item's start, or stop, lies in the scaler's window, or the item covers it.
    bool IsVisible(const TqvDataEntity_GantTime* anItem) const;
    void GetStartStopLenFromRect(const TRect& aRect, TDateTime& aStart, TDateTime& aLength,
                                 TDateTime& aStop) const;
    // The row has a node of the current mode.
    bool RowTypeCheckOK(const TGantRow* aRow) const;
    // The rows whose bands meet the Gantt area (plus one beyond each edge),
    // bands computed, in row list order. Cost in proportion to the rows in view.
    void CollectRowsInView(std::vector<TGantRow*>& aRows);
    // The same by computing every row's band; the reference for tests.
    void CollectRowsInViewByScan(std::vector<TGantRow*>& aRows);
    // Brings what the bands are computed from up to date (the tree's rows).
    void PrepareGeometry();
    // Tree mode: the tree entity on the k-th row below the tree's top row
    // (negative: above it), or none.
    TqvDataEntity_Tree* TreeRowEntity(int k) const;
    // The last band height seen in tree mode (18 until one is seen).
    int GetLastRowHeight() const { return LastRowHeight; }
    void SetLastRowHeight(int aValue) { LastRowHeight = aValue; }
    // Subtracted from every band while printing a page that starts further down.
    int GetPrintPageOffset() const { return PrintPageOffset; }
    void SetPrintPageOffset(int aValue) { PrintPageOffset = aValue; }

    // --- state
    bool GetUseGridNotTree() const { return UseGridNotTree; }
    void SetUseGridNotTree(bool aValue);
    TGantRow* GetActiveGantRow();
    TqvDataEntity_GantTime* GetActiveDataEntity() const { return ActiveDataEntity; }
    // Makes the item active and reports it through OnHintInfo.
    void SetActiveDataEntity(TqvDataEntity_GantTime* anItem);
    // The item last pressed with the mouse, or none.
    TqvDataEntity_GantTime* GetPressedTime() const { return PressedTime; }
    void SetPressedTime(TqvDataEntity_GantTime* anItem) { PressedTime = anItem; }
    bool IsDestroying() const { return FDestroying; }
    void InvalidateGA();
    void BeginUpdate();
    void EndUpdate();

    // --- links' defaults
    TLinkStyle GetDefaultLinkStyle() const { return DefaultLinkStyle; }
    void SetDefaultLinkStyle(TLinkStyle aValue) { DefaultLinkStyle = aValue; }
    TColor GetDefaultLinkColor() const { return DefaultLinkColor; }
    void SetDefaultLinkColor(TColor aValue) { DefaultLinkColor = aValue; }
    int GetDefaultLinkPenWidth() const { return DefaultLinkPenWidth; }
    void SetDefaultLinkPenWidth(int aValue) { DefaultLinkPenWidth = aValue; }
    // The cursor over the area while links are drawn with the mouse.
    int GetDefaultLinkCursor() const { return DefaultLinkCursor; }
    void SetDefaultLinkCursor(int aValue) { DefaultLinkCursor = aValue; }
    // Which links whose items are out of view are drawn.
    TLinkShow GetLinkShow() const { return LinkShow; }
    void SetLinkShow(TLinkShow aValue);

    // --- sub-columns
    bool GetSomeRowPaused() const { return SomeRowPaused; }
    // A row paused its collision detection: resume it when computations end.
    void RowPaused();
    // Clears SomeRowPaused and resumes every paused row, in list order.
    void UnPauseCollisionDetectionRows();
    // Sub-column requests of rows run later, once per row, in order of
    // request, all from one deferred call of the chart (a request costs no
    // search however many rows wait).
    void RequestSubColumns(TGantRow* aRow);
    void WithdrawSubColumns(TGantRow* aRow);
    bool SubColumnsRequested(const TGantRow* aRow) const;
    void RunRequestedSubColumns(TObject* Sender);
    void ResumePausedSubColumns() override;

    // --- grid mode
    // The grid tree's integration events: rows follow its nodes.
    void GridTreeIntegrationEvents(TIntegrationEventKind aKind, TqvDataEntity* aDataEntity);

    // --- drawing
    // The Gantt area's paint: bands, background, rows, links, foreground.
    void GantAreaPaint(TObject* Sender);
    // Draws one time item whose rectangle is aRect: its shape by its style,
    // its texts, and on screen its selection marks and focus rectangle.
    virtual void DrawContent(TqvDataEntity_GantTime* anItem, const TRect& aRect);
    // Draws a gtsUser item through OnUserDrawTime.
    virtual void UserDrawTime(TqvDataEntity_GantTime* anItem, const TRect& aRect);
    // Sets the canvas font for a text style: style 2 and 3 their fonts, any
    // other style FontTimeItemStyle1; sized for printing while printing.
    void _OnTimeItemSyleSet(TqvTimeItemTextCollection* aTimeItemTextCollection, TCanvas* aCanvas, int aStyle);
    // The handler above, for item text collections.
    TOnStyleSet TimeItemStyleSetter() { return MakeMethod<&TqvGant_ComBasic::_OnTimeItemSyleSet>(this); }
    // The fonts of item texts by style; the setters copy the given font.
    const TFont* GetFontTimeItemStyle1() const { return &FontTimeItemStyle1; }
    void SetFontTimeItemStyle1(const TFont* aFont);
    const TFont* GetFontTimeItemStyle2() const { return &FontTimeItemStyle2; }
    void SetFontTimeItemStyle2(const TFont* aFont);
    const TFont* GetFontTimeItemStyle3() const { return &FontTimeItemStyle3; }
    void SetFontTimeItemStyle3(const TFont* aFont);
    // The images of gtsImage items: the tree's image list (not owned).
    TCustomImageList* GetImageList() const;
    void SetImageList(TCustomImageList* anImageList);
    // Draws one link line with its head from aStart to aStop; aLink may be none.
    void DrawLink(TPoint aStart, TPoint aStop, TCanvas* aCanvas, TLinkStyle aStyle, TColor aColor,
                  int aPenWidth, TqvDataEntity_Link* aLink);
    // Whether a link from a to b can cross the scaler's time window.
    bool LinePassesThroughWindow(const TqvDataEntity_GantTime* a, const TqvDataEntity_GantTime* b) const;

    // --- mouse in the Gantt area (GantAreaMouse.cpp)
    // The area's press, move and release, routed here by the area.
    void GantAreaMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void GantAreaMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void GantAreaMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void OnGADblClick(TObject* Sender);
    // Suppresses the drag of the press in progress (from OnClickGantArea or OnGantAreaMouseDown).
    void MouseMoveModeCancel();
    TGantMouseMoveMode GetMouseMoveMode() const;
    TGantStickyMode GetStickyMode() const;
    void SetStickyMode(TGantStickyMode aValue);
    // (X, Y) lies in the 3-pixel zone at the left (isLeft) or right end of the
    // item's rectangle aRect; the left zone wins where they overlap.
    virtual bool InGrowArea(TqvDataEntity_GantTime* anItem, int X, int Y, bool& isLeft, TRect& aRect);
    // A dotted inverting outline of aRect; with aReport its snapped times go to OnHintInfo.
    virtual void DrawOutline(const TRect& aRect, bool aReport, TCanvas* aCanvas);
    void HandleLocalDrag(int X, int Y, bool canChangeRow, bool canMove);
    void HandleLocalGrow(int X, int Y);
    void HandleLocalDependency(int X, int Y);
    void DrawOutlineOfSelected(TPoint anOffset, TCanvas* aCanvas);
    void DrawOutlineOfDependencyArrow(TPoint anOffset, TCanvas* aCanvas);
    void CreateScrollableMoveSnapShot();
    void ClearScrollableMoveSnapShot();
    // The changes made at a release.
    void HandleMoveOfSelected(TPoint aPoint, TPoint aDelta, bool aCopy);
    void HandleGrow(TPoint aDelta);
    void HandleDependencyChange(int X, int Y);
    // OnTimeCopy and OnTimeChangeRow; true when assigned. aNewItem is always none.
    bool TimeCopy(TqvDataEntity_GantTime* anItem, TGantRow* aRow, TGantRow* aNewRow, TDateTime aStart,
                  TDateTime aStop, TqvDataEntity_GantTime*& aNewItem);
    bool TimeMoveRow(TqvDataEntity_GantTime* anItem, TGantRow* aRow, TGantRow* aNewRow, TDateTime aStart,
                     TDateTime aStop, TqvDataEntity_GantTime*& aNewItem);
    void UpdateMultiSelect(TqvDataEntity_GantTime* anItem, TShiftState Shift, bool onPress);
    // Deselects every time item of the chart.
    void ClearSelections();
    void DoScaleStartStopAdjust(int X);
    void DoGridTopBotAdjust(int Y);
    void OnVerticalScroll(TObject* Sender);
    virtual void GantAreaStartDrag(TObject* Sender, TObject*& DragObject);
    virtual void GantAreaDragDrop(TObject* Sender, TObject* Source, int X, int Y);
    virtual void GantAreaDragOver(TObject* Sender, TObject* Source, int X, int Y, TDragState State,
                                  bool& Accept);
    virtual void GantAreaEndDrag(TObject* Sender, TObject* Target, int X, int Y);
    // A paint of the area overwrote the window surface: the drag's outline is drawn again.
    void GantAreaPainted();
    bool GetStartDragWhenTimeMoveOutside() const;
    void SetStartDragWhenTimeMoveOutside(bool aValue);
    bool GetMoveInTimeWhenMoveRow() const;
    void SetMoveInTimeWhenMoveRow(bool aValue);
    bool GetMoveOver12Then24() const;
    void SetMoveOver12Then24(bool aValue);
    TTimeItemAutoScroll GetTimeItemAutoScroll() const;
    void SetTimeItemAutoScroll(TTimeItemAutoScroll aValue);
    TCursor GetCursorGantArea() const;
    void SetCursorGantArea(TCursor aValue);
    // The input state (private header GantInput_p.h).
    TGantInputState* InputState() const { return FInput.get(); }

    // --- keyboard in the Gantt area (GantAreaKeys.cpp)
    void GantAreaKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    // GantAreaKeyDown with the key, then no active item.
    void PerformGantAreaKeyfunction(Word Key, TShiftState Shift);
    TqvDataEntity_GantTime* FindNeighbourToRightLeft(TqvDataList* aList, TqvDataEntity_GantTime* anItem,
                                                     bool toRight);
    TqvDataEntity_GantTime* FindNeighbourToUpDown(int aLayer, TqvDataEntity_GantTime* anItem, bool up);
    TqvDataEntity_GantTime* FindNeighbourClosest(TqvDataList* aList, TqvDataEntity_GantTime* anItem);
    void MakeSureActiveInView();
    void MakeSureRowInView(TGantRow* aRow);
    void MakeSureAllVisibleInTree();

    // The chart's state holds (asserted in Debug builds, called by tests).
    void CheckInvariants() const;

    // --- events
    TOnUserCreateGantRow OnUserCreateGantRow;
    TOnGantRowNotify OnAfterAddGantRow;
    TOnGantRowNotify OnBeforeFreeGantRow;
    TOnContentChanged OnContentChanged_GantTime;
    TOnSelectionChanged OnSelectionChanged_GantTime;
    TOnDeleteItem OnDeleteItem_GantTime;
    TOnInsertItem OnInsertItem_GantTime;
    TOnInfoPush OnValueChanged_GantTime;
    TOnBeforeCanEditItem OnBeforeCanEditItem_GantTime;
    TOnChangeDataEntity_GantTime OnChangeDataEntity_GantTime;
    TOnVirtualLoad_GantTime OnVirtualLoad_GantTime;
    TOnVirtualUnLoad_GantTime OnVirtualUnLoad_GantTime;
    TOnCollisionDetected OnCollisionDetected;
    TOnHintInfo OnHintInfo;
    TOnUserDrawTime OnUserDrawTime;
    TOnUserDrawLinks OnUserDrawLinks;
    TOnClickGantArea OnClickGantArea;
    TOnClickGantArea OnRightClickGantArea;
    TOnDblClickGantArea OnDblClickGantArea;
    TMouseEvent OnGantAreaMouseDown;
    TMouseEvent OnGantAreaMouseUp;
    TMouseMoveEvent OnGantAreaMouseMove;
    TOnTimeCopyOrChangeRow OnTimeChangeRow;
    TOnTimeCopyOrChangeRow OnTimeCopy;
    TOnDependencyAction OnDependencyAction;
    TStartDragEvent OnGantAreaStartDrag;
    TDragDropEvent OnGantAreaDragDrop;
    TDragOverEvent OnGantAreaDragOver;
    TOnKeyNavigateDataList OnKeyNavigateDataList;
    // Raised before every page of a paged print (TqvPrintGantt); the handler
    // may set HdcToUseOnNewPage, the device context the page is printed on.
    TOnPrintToHdcNewPage OnPrintToHdcNewPage;
    TDeviceContext* HdcToUseOnNewPage = nullptr;

protected:
    // Builds the chart without calling the creation hooks; a derived class
    // that overrides them calls InitializeInConstructor at the end of its own
    // constructor.
    struct TDeferInitialize {
    };
    TqvGant_ComBasic(QWidget* aParent, TDeferInitialize);

    // Creation hooks, in this order.
    virtual TqvDateScaler* CreateDateScaler();
    virtual TGantTree* CreateTree();
    virtual TGantRowList* CreateRowList();
    virtual TqvDataList* CreateLinkList();
    virtual TGantRow* CreateRow(TqvDataEntity_Tree* aTreeNode, TqvDataEntity_GridTreeNode* aGridNode);
    virtual TqvDataList_GantRow* CreateDataList_GantRow();
    virtual TqvDataList2lev* CreateDataList2Lev();
    virtual TqvDataList3lev* CreateDataList3Lev();
    virtual void InitializeInConstructor();
    void Initialize();
    // Prepares a time item that was just inserted for drawing (its texts).
    virtual void InitTimeItem(TqvDataEntity_GantTime* anItem);

    // The Gantt area's background (row shading, lines, today line).
    virtual void DoBackground();
    // Draws the links over the rows.
    virtual void RenderLinks();
    // Grid mode: the band of a grid node's row, (-1, -1, -1, -1) without a
    // visible grid row. No grid is hosted yet, so every answer is none.
    virtual TRect GridNodeBand(TqvDataEntity_GridTreeNode* aGridNode);
    // Grid mode: whether row a's grid row comes before row b's. No grid is
    // hosted yet, so the answer is false.
    virtual bool GridRowComesBefore(const TGantRow* a, const TGantRow* b) const;
    // Grid mode: the grid row's height becomes aHeight.
    virtual void SetGridNodeRowHeight(TqvDataEntity_GridTreeNode* aGridNode, int aHeight);
    // Grid mode: the node of the grid's focused cell, or none. No grid is hosted yet.
    virtual TqvDataEntity_GridTreeNode* GridFocusedNode();
    // Grid mode: the grid's focused cell becomes (first non-fixed column, the
    // node's row) and the selection follows it with no shift keys.
    virtual void GridFocusNode(TqvDataEntity_GridTreeNode* aGridNode);
    // Scrolls the rows one step down or up while an item is dragged past an edge.
    virtual void ScrollRowsOneStep(bool aDown);
    // Ties input state to the area; called at the end of Initialize.
    void InitializeInput();
    // An item is going: it leaves the move snapshot and ends a drag that holds it.
    void InputItemDeleted(TqvDataEntity_GantTime* anItem);
    void CheckInputInvariants() const;
    // Ends the drag: removes its outline, forgets its items, stops scrolling.
    void EndDragState();
    // The row whose settings rule the drag: the pressed item's while the
    // button is down, else the row under the press point (or under Y).
    TGantRow* DragRow(int Y);
    // The outline of the drag in progress, drawn (or, drawn again, removed).
    void DrawOutlineOfDrag(TCanvas* aCanvas);
    void RemoveOutlineOfDrag();
    void ReportMoveTimes(const TqvDataEntity_GantTime* anItem, int anOffsetX);
    void StopScalerStepping();
    void StopAutoScroll();
    // The times a move by aShift days stores for an item (snapped); unchanged for no shift.
    void MoveTimes(const TqvDataEntity_GantTime* anItem, TDateTime aShift, TDateTime& aStart,
                   TDateTime& aStop);
    // The times a resize by aDeltaX pixels stores: only the moved end, snapped, then clamped.
    void GrowTimes(int aDeltaX, TDateTime& aStart, TDateTime& aStop);

    // Time item controller.
    virtual void _OnContentChanged(TqvDataList* theList);
    virtual void _OnDeleteItem(TqvDataEntity* theEntity);
    virtual void _OnInsertItem(TqvDataEntity* theEntity);
    virtual void _OnInfoPush(TqvDataEntity* theEntity);
    virtual void _OnSelectionChanged(TqvDataList* theList, TqvDataEntity* theEntity);
    virtual void _OnBeforeCanEditItem(TqvDataEntity* theEntity);
    virtual void _OnVirtualLoadTimeItem(TqvDataEntity* theEntity);
    virtual void _OnVirtualUnLoadTimeItem(TqvDataEntity* theEntity, bool& CanUnload);
    // Link controller: nothing of their own.
    virtual void _OnContentChanged_Link(TqvDataList* theList);
    virtual void _OnSelectionChanged_Link(TqvDataList* theList, TqvDataEntity* theEntity);
    virtual void _OnDeleteItem_Link(TqvDataEntity* theEntity);
    virtual void _OnInsertItem_Link(TqvDataEntity* theEntity);
    virtual void _OnInfoPush_Link(TqvDataEntity* theEntity);
    virtual void _OnBeforeCanEditItem_Link(TqvDataEntity* theEntity);

    // Sub-controls.
    TPanel* TreePanel = nullptr;
    TPanel* TreeHeaderBox = nullptr;
    TqvSplitter* Splitter = nullptr;
    TPanel* PanelScaleAndGantHolder = nullptr;
    TPanel* ScrollPanel = nullptr;
    TPanel* ScrollBox = nullptr;
    TScrollBar* ScrollBar = nullptr;
    TqvDateScaler* DateScaler = nullptr;
    TGantTree* Treeview = nullptr;
    TqvOffscreenPaint_GA* GA = nullptr;

    // Model.
    TGantRowList* RowList = nullptr;
    TqvDataList3lev* DataLists = nullptr;
    TqvDataList* LinkList = nullptr;
    TqvListController* TimeItemController = nullptr;
    TqvListController* LinkController = nullptr;
    TLinkStyle DefaultLinkStyle = tlsDefault;
    TColor DefaultLinkColor = clBlue;
    int DefaultLinkPenWidth = 1;
    int DefaultLinkCursor = -21;
    TLinkShow LinkShow = lsOneEndVisible;
    TFont FontTimeItemStyle1;
    TFont FontTimeItemStyle2;
    TFont FontTimeItemStyle3;
    TqvDataEntity_GantTime* ActiveDataEntity = nullptr;
    TqvDataEntity_GantTime* PressedTime = nullptr;
    bool UseGridNotTree = false;
    int LastRowHeight = 18;
    int PrintPageOffset = 0;
    bool SomeRowPaused = false;

private:
    friend class TGantRow;
    friend class TGantRowList;

    void BuildControls();
    void ReleaseModel();

    bool FDestroying = false;
    // Rows in view, reused between paints.
    std::vector<TGantRow*> FRowsInView;
    // Item texts laid out once and drawn again on every paint.
    TTextLayoutCache FTextLayouts;
    // Rows whose sub-columns were requested, in order of request, from
    // FRequestedHead on (withdrawn entries are none).
    std::vector<TGantRow*> FRequestedRows;
    size_t FRequestedHead = 0;
    bool FRunningRequests = false;
    // Mouse input state (GantInput_p.h).
    std::unique_ptr<TGantInputState> FInput;
};

// The published component.
class TqvGant : public TqvGant_ComBasic
{
public:
    explicit TqvGant(QWidget* aParent = nullptr);
};

} // namespace skedra
