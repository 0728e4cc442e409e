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

#include <QImage>

#include <cstdint>
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
#include "skedra/foundation/SnapHandler.h"
#include "skedra/platform/Bitmap.h"
#include "skedra/platform/ComCtrls.h"
#include "skedra/platform/StdCtrls.h"
#include "skedra/platform/TextLayoutCache.h"
#include "skedra/scaler/qvScaler.h"
#include "skedra/grid/qvGrid.h"
#include "skedra/tree/GridTree.h"

namespace skedra
{

class TCustomImageList;
class TqvSplitter;
class TGraphHintWindow;
class TPopupMenu;
class TGantLinkIndex;
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
using TOnAlignNeed =
    TMethod<void(TqvGant_ComBasic* theCaller, TDateTime theStart, TDateTime theStop, int theWidth)>;
using TOnScalerChange = TMethod<void(TqvGant_ComBasic* theCaller, TDateTime theStart, TDateTime theStop)>;
using TOnRealignScrollbar = TMethod<void(TqvGant_ComBasic* theCaller, int thePosition, int theMin, int theMax,
                                         int thePageSize, bool theEnabled)>;
using TOnUserDrawGantArea =
    TMethod<void(TqvGant_ComBasic* theCaller, const TRect& theRect, TCanvas* theCanvas)>;
using TOnChangeDataEntity_Tree = TMethod<void(TqvGant_ComBasic* theGant, TqvDataEntity* theDataEntity)>;
// A tab sheet's report that the tree's current row changed.
using TChangeInTreeNotify = TMethod<void(TGantRow* theGantRow)>;

// A tab sheet shown beside the Gantt area (UseTabSheets) and its handlers.
struct TMyContainer {
    TChangeInTreeNotify OnTreeChange;
    TTabChangingEvent OnChanging;
    TTabSheet* Sheet = nullptr;
    TNotifyEvent Notify1;
    TNotifyEvent Notify2;
};

// The Gantt chart: rows (a tree or a grid) beside a date scaler over the
// Gantt area with time items in layers, links and sub-columns for overlaps.
class TqvGant_ComBasic : public TCustomPanel, public TSubColumnClient
{
public:
    // Builds the chart with this class's creation hooks.
    explicit TqvGant_ComBasic(QWidget* aParent = nullptr);
    ~TqvGant_ComBasic() override;

    // --- sub-controls
    TGantTree* GetTreeView() const { return Treeview; }
    // The grid of grid mode (hidden in tree mode).
    TqvGrid* GetGrid() const { return Grid; }
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
    // A new link with the default style, colour and pen width. Set its First
    // and Second before the next paint; changing them later is announced
    // with the link's DoInfoPush, like any other change of an entity.
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
    // Grid mode, while printing: the last grid row (list index) the printed
    // band holds; rows below it are not drawn (-1: no limit).
    int GetPrintLastGridRow() const { return FPrintLastGridRow; }
    void SetPrintLastGridRow(int aValue) { FPrintLastGridRow = aValue; }

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
    // Repaints what a change of aRow or its items can change: in grid mode
    // the row's band, or nothing while the row is out of view; the whole area
    // in tree mode and while links are drawn (an item out of view places the
    // ends of its links in view).
    void InvalidateRowBand(TGantRow* aRow);
    // Asks for a paint of aBand (grid mode), or from its top down with aDown;
    // nothing for the empty band of a row out of view.
    void InvalidateAreaFrom(const TRect& aBand, bool aDown);
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

    // ===================================================================
    // The composite: layout of the row control, scaler, area and scroll bar

    TPanel* GetTreePanel() const { return TreePanel; }
    TPanel* GetTreeHeaderBox() const { return TreeHeaderBox; }
    TPanel* GetPanelScaleAndGantHolder() const { return PanelScaleAndGantHolder; }
    TPanel* GetScrollPanel() const { return ScrollPanel; }
    TPanel* GetScrollBox() const { return ScrollBox; }
    TqvSplitter* GetSplitter() const { return Splitter; }
    TPageControl* GetPageControl() const { return PageControl; }
    TGraphHintWindow* GetHintWindow() const { return HintWindow; }
    TSnapHandler* GetSnapHandler() const { return SnapHandler.get(); }

    // Paints the chart and then, at once, the scaler, the tree and the area.
    void Repaint() override;
    // Refreshes the scaler and the tree and invalidates the area, each unless it is Sender.
    void RefreshOthers(TObject* Sender);
    // The scaler changed: OnAlignNeed (not inside SetScaleAndTree), OnScalerChange, invalidate.
    void ScaleChanged(TObject* Sender);
    // Tree panel width, scaler start and stop in one update, without OnAlignNeed.
    void SetScaleAndTree(int aTreeWidth, TDateTime aStart, TDateTime aStop);
    // The tree panel or its header box changed size: the tree fills the
    // panel below the header box, OnAlignNeed, the hint's fixed place, and the
    // external scroll bar follows.
    void HandleTreeAlign(TObject* Sender);
    // The grid's header row height (0 in tree mode or without headers);
    // scaled while printing.
    int GridHeaderHeight() const;
    int GetScalerHeight() const;
    // Scaler and scroll box height h; the tree header box so that the first
    // row of the tree or grid lines up with the area's top.
    void SetScalerHeight(int aHeight);
    void UpdateGridAlign();
    // Shows the scroll panel and bar as the mode and the tree's scrolling ask.
    void RealignScrollbar();
    bool GetGridVerticalScrollOutOfGrid() const { return GridVerticalScrollOutOfGrid; }
    void SetGridVerticalScrollOutOfGrid(bool aValue);
    // The mouse wheel over the area: the tree's Scroll(-delta).
    void GantAreaWheelScroll(TWMMouseWheel& Msg);
    // A grid row was resized (aFlag false: also re-align to the header).
    void OnRowResized(TObject* aGrid, bool aFlag);
    static int CountVisibleTreeViewItems(TCustomTreeView* aTreeView);
    // The text of the hint window for an object: a time item's start, stop
    // and length.
    void HintWantsNewText(TGraphHintWindow* aWindow, TObject* anObject);
    // Formats a length of time (a number of days) as days and a time of day.
    QString FormatLength(TDateTime aLength) const;

    // --- tab sheets
    bool GetTabSheetsONOFF() const { return UseTabSheets; }
    void SetTabSheetsONOFF(bool aValue);
    bool GetUseTabSheets() const { return UseTabSheets; }
    void SetUseTabSheets(bool aValue) { SetTabSheetsONOFF(aValue); }
    TTabSheet* GetGantSheet() const { return GantSheet; }
    void AddTabSheet(TTabSheet* aSheet, TChangeInTreeNotify aOnTreeChange, TTabChangingEvent aOnChanging,
                     TNotifyEvent aNotify1, TNotifyEvent aNotify2);
    int TabSheetCount() const { return static_cast<int>(TabSheets.size()); }
    const TMyContainer* GetTabSheetEntry(int anIndex) const;
    // The tree's current row (or none) to every entry whose sheet is visible.
    void ChangeInTree();

    // --- background
    TColor GetGantBackColor() const { return GantBackColor; }
    void SetGantBackColor(TColor aValue);
    TColor GetGantPyjamasColor() const { return GantPyjamasColor; }
    void SetGantPyjamasColor(TColor aValue);
    // The 2 x 2 checker of the two colours that shades every other row.
    const TBitmap* GetPyjamasBitmap() const { return &PyjamasBitmap; }
    bool GetDrawShortLines() const { return DrawShortLines; }
    void SetDrawShortLines(bool aValue);
    bool GetDrawLongLines() const { return DrawLongLines; }
    void SetDrawLongLines(bool aValue);
    bool GetVerticalPyjamas() const { return VerticalPyjamas; }
    void SetVerticalPyjamas(bool aValue);
    bool GetTodayLineOnOff() const { return TodayLineOnOff; }
    void SetTodayLineOnOff(bool aValue);
    TColor GetTodayLineColor() const { return TodayLineColor; }
    void SetTodayLineColor(TColor aValue);

    // --- published forwarding to the tree
    TColor GetColorTree() const;
    void SetColorTree(TColor aValue);
    TCursor GetDragCursorTree() const;
    void SetDragCursorTree(TCursor aValue);
    TDragMode GetDragModeTree() const;
    void SetDragModeTree(TDragMode aValue);
    const TFont* GetFontTree() const;
    void SetFontTree(const TFont* aFont);
    TBorderStyle GetBorderStyleTree() const;
    void SetBorderStyleTree(TBorderStyle aValue);
    bool GetHideSelectionTree() const;
    void SetHideSelectionTree(bool aValue);
    bool GetHotTrackTree() const;
    void SetHotTrackTree(bool aValue);
    int GetIndentTree() const;
    void SetIndentTree(int aValue);
    bool GetToolTipsTree() const;
    void SetToolTipsTree(bool aValue);
    int GetAutoExpandLevelsTree() const;
    void SetAutoExpandLevelsTree(int aValue);
    int GetMaxLevelsTree() const;
    void SetMaxLevelsTree(int aValue);
    bool GetRightClickSelectTree() const;
    void SetRightClickSelectTree(bool aValue);
    bool GetMultiSelectTree() const;
    void SetMultiSelectTree(bool aValue);
    bool GetGridLinesTree() const;
    void SetGridLinesTree(bool aValue);
    bool GetAutoExpandTree() const;
    void SetAutoExpandTree(bool aValue);
    bool GetRowSelectTree() const;
    void SetRowSelectTree(bool aValue);
    bool GetShowButtonsTree() const;
    void SetShowButtonsTree(bool aValue);
    bool GetShowLinesTree() const;
    void SetShowLinesTree(bool aValue);
    TCursor GetCursorTree() const;
    void SetCursorTree(TCursor aValue);
    // The tree's events.
    TStartDragEvent GetOnTreeStartDrag() const;
    void SetOnTreeStartDrag(TStartDragEvent aValue);
    TEndDragEvent GetOnTreeEndDrag() const;
    void SetOnTreeEndDrag(TEndDragEvent aValue);
    TDragDropEvent GetOnTreeDragDrop() const;
    void SetOnTreeDragDrop(TDragDropEvent aValue);
    TDragOverEvent GetOnTreeDragOver() const;
    void SetOnTreeDragOver(TDragOverEvent aValue);
    TMouseMoveEvent GetOnTreeMouseMove() const;
    void SetOnTreeMouseMove(TMouseMoveEvent aValue);
    TMouseEvent GetOnTreeMouseDown() const;
    void SetOnTreeMouseDown(TMouseEvent aValue);
    TOnContentChanged GetOnContentChanged_Tree() const;
    void SetOnContentChanged_Tree(TOnContentChanged aValue);
    TOnSelectionChanged GetOnSelectionChanged_Tree() const;
    void SetOnSelectionChanged_Tree(TOnSelectionChanged aValue);
    TOnDeleteItem GetOnDeleteItem_Tree() const;
    void SetOnDeleteItem_Tree(TOnDeleteItem aValue);
    TOnInsertItem GetOnInsertItem_Tree() const;
    void SetOnInsertItem_Tree(TOnInsertItem aValue);
    TOnInfoPush GetOnValueChanged_Tree() const;
    void SetOnValueChanged_Tree(TOnInfoPush aValue);
    TOnBeforeCanEditItem GetOnBeforeCanEditItem_Tree() const;
    void SetOnBeforeCanEditItem_Tree(TOnBeforeCanEditItem aValue);

    // --- published forwarding to the scaler
    QString GetDateFormat() const;
    void SetDateFormat(const QString& aValue);
    QString GetTimeFormat() const;
    void SetTimeFormat(const QString& aValue);
    bool GetIndicatorOn() const;
    void SetIndicatorOn(bool aValue);
    int GetPixelsForModeSwitch() const;
    void SetPixelsForModeSwitch(int aValue);
    double GetScale() const;
    void SetScale(double aValue);
    TDateTime GetStart() const;
    void SetStart(TDateTime aValue);
    TDateTime GetStop() const;
    void SetStop(TDateTime aValue);
    double GetZoomFactor() const;
    void SetZoomFactor(double aValue);
    // Also the colour of the scale-and-area panel, the header boxes and the chart.
    TColor GetColorScaler() const;
    void SetColorScaler(TColor aValue);
    const TFont* GetFontScaler() const;
    void SetFontScaler(const TFont* aFont);
    TCursor GetCursorScaler() const;
    void SetCursorScaler(TCursor aValue);
    int GetFirstDayOfWeekScaler() const;
    void SetFirstDayOfWeekScaler(int aValue);
    bool GetRescaleWithCtrl() const;
    void SetRescaleWithCtrl(bool aValue);
    TLookAndFeel GetLookAndFeel() const;
    void SetLookAndFeel(TLookAndFeel aValue);
    TScrollButtons GetScrollButtons() const;
    void SetScrollButtons(TScrollButtons aValue);
    TDateTime GetMinStart() const;
    void SetMinStart(TDateTime aValue);
    TDateTime GetMaxStop() const;
    void SetMaxStop(TDateTime aValue);
    TqvHiddenHours GetHiddenHours() const;
    void SetHiddenHours(const TqvHiddenHours& aValue);
    TqvHiddenDays GetHiddenDays() const;
    void SetHiddenDays(const TqvHiddenDays& aValue);

    // --- published forwarding to the grid (GantGrid.cpp)
    TqvCellLayouts* GetGrid_CellLayouts() const;
    void SetGrid_CellLayouts(const TqvCellLayouts& aValue);
    TqvGrid_Columns* GetGrid_Columns() const;
    void SetGrid_Columns(const TqvGrid_Columns& aValue);
    TqvGrid_SubGrids* GetGrid_SubGrids() const;
    void SetGrid_SubGrids(const TqvGrid_SubGrids& aValue);
    bool GetGrid_HasHeaders() const;
    // Also lines the rows up again below the header row (UpdateGridAlign).
    void SetGrid_HasHeaders(bool aValue);
    bool GetGrid_HasInfoCol() const;
    void SetGrid_HasInfoCol(bool aValue);
    bool GetGrid_RowSelect() const;
    void SetGrid_RowSelect(bool aValue);
    bool GetGrid_ExtendLastColumnToWidth() const;
    void SetGrid_ExtendLastColumnToWidth(bool aValue);
    bool GetGrid_UserSortEnable() const;
    void SetGrid_UserSortEnable(bool aValue);
    bool GetGrid_MultiSelect() const;
    void SetGrid_MultiSelect(bool aValue);
    // The cell and the grid focus rectangles together.
    bool GetGridFocusRects() const;
    void SetGridFocusRects(bool aValue);
    bool GetGridStopEditOnFocusChange() const;
    void SetGridStopEditOnFocusChange(bool aValue);
    TOnVirtualLoad GetOnVirtualLoad_Grid() const;
    void SetOnVirtualLoad_Grid(TOnVirtualLoad aValue);
    TOnVirtualUnLoad GetOnVirtualUnLoad_Grid() const;
    void SetOnVirtualUnLoad_Grid(TOnVirtualUnLoad aValue);
    TOnColumnSort GetOnColumnSort_Grid() const;
    void SetOnColumnSort_Grid(TOnColumnSort aValue);
    // Grid mode: the row whose band holds y (edges excluded), found among the
    // grid's placed rows; none elsewhere.
    TGantRow* GridRowFromY(int y);
    // Grid mode: the row of the grid node of a grid row item, or none.
    TGantRow* RowOfGridItem(TAxisContentItem* aRowItem) const;

    // --- popup menus of the parts
    TPopupMenu* GetPopupMenuGantArea() const;
    void SetPopupMenuGantArea(TPopupMenu* aMenu);
    TPopupMenu* GetPopupMenuTreeview() const;
    void SetPopupMenuTreeview(TPopupMenu* aMenu);
    TPopupMenu* GetPopupMenuScaler() const;
    void SetPopupMenuScaler(TPopupMenu* aMenu);

    // --- the chart's own events of the composite
    // The time window or the row part's width changed: the handler may align other controls to it.
    TOnAlignNeed OnAlignNeed;
    // The time window changed.
    TOnScalerChange OnScalerChange;
    // The chart's vertical scroll bar got new values (position, range, page, enabled).
    TOnRealignScrollbar OnRealignScrollbar;
    // The grid of rows scrolled (grid mode).
    TNotifyEvent OnGridTopLeftChanged;
    // Draws on the Gantt area under the rows, after its background.
    TOnUserDrawGantArea OnUserDrawBackground;
    // Draws on the Gantt area over everything else.
    TOnUserDrawGantArea OnUserDrawForeground;
    // A font is resized for printing; clearing DefaultResize keeps the handler's size.
    TOnPrintResizeFont OnPrintResizeFont;
    // A tree entity reported a change of its values.
    TOnChangeDataEntity_Tree OnChangeDataEntity_Tree;
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
    // Makes the row of a new tree or grid node; unassigned, the chart makes it.
    TOnUserCreateGantRow OnUserCreateGantRow;
    // A row was added.
    TOnGantRowNotify OnAfterAddGantRow;
    // A row is about to be freed.
    TOnGantRowNotify OnBeforeFreeGantRow;
    // A time item list changed its content.
    TOnContentChanged OnContentChanged_GantTime;
    // A time item's selected state changed.
    TOnSelectionChanged OnSelectionChanged_GantTime;
    // A time item was deleted.
    TOnDeleteItem OnDeleteItem_GantTime;
    // A time item was inserted.
    TOnInsertItem OnInsertItem_GantTime;
    // A time item reported a change of its values.
    TOnInfoPush OnValueChanged_GantTime;
    // A time item's edit permission is about to be read; the handler may set it.
    TOnBeforeCanEditItem OnBeforeCanEditItem_GantTime;
    // A time item reported a change of its values, before OnValueChanged_GantTime.
    TOnChangeDataEntity_GantTime OnChangeDataEntity_GantTime;
    // An unloaded time item was made: the handler fills it.
    TOnVirtualLoad_GantTime OnVirtualLoad_GantTime;
    // Whether a loaded time item may be unloaded again (default: not).
    TOnVirtualUnLoad_GantTime OnVirtualUnLoad_GantTime;
    // An item's sub-column changed after the background placement.
    TOnCollisionDetected OnCollisionDetected;
    // The active item's times, or a moved or resized outline's snapped times, for a hint.
    TOnHintInfo OnHintInfo;
    // Draws time items of the user-drawn style.
    TOnUserDrawTime OnUserDrawTime;
    // Draws links of the user-drawn style between the two end points.
    TOnUserDrawLinks OnUserDrawLinks;
    // A left press on the Gantt area, with the item under it or none.
    TOnClickGantArea OnClickGantArea;
    // A right press on the Gantt area, with the item under it or none.
    TOnClickGantArea OnRightClickGantArea;
    // A double click on the Gantt area, with the item under it or none.
    TOnDblClickGantArea OnDblClickGantArea;
    // A mouse button went down on the Gantt area.
    TMouseEvent OnGantAreaMouseDown;
    // A mouse button went up on the Gantt area.
    TMouseEvent OnGantAreaMouseUp;
    // The mouse moved over the Gantt area.
    TMouseMoveEvent OnGantAreaMouseMove;
    // A move ended on another row: the handler moves the item there (or not).
    TOnTimeCopyOrChangeRow OnTimeChangeRow;
    // A Ctrl-drag ended: the handler makes the copy (the chart changes nothing).
    TOnTimeCopyOrChangeRow OnTimeCopy;
    // The user drew a link from one item to another (the chart makes none).
    TOnDependencyAction OnDependencyAction;
    // A drag and drop starts from the Gantt area.
    TStartDragEvent OnGantAreaStartDrag;
    // Something was dropped on the Gantt area.
    TDragDropEvent OnGantAreaDragDrop;
    // Something is dragged over the Gantt area; the handler accepts it or not.
    TDragOverEvent OnGantAreaDragOver;
    // The layer of a row in which the arrow keys move (default 0).
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
    // The grid of grid mode (made after the tree, inside the tree panel).
    virtual TqvGrid* CreateGrid();
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
    // placed grid row.
    virtual TRect GridNodeBand(TqvDataEntity_GridTreeNode* aGridNode);
    // Grid mode: whether row a's grid row comes before row b's.
    virtual bool GridRowComesBefore(const TGantRow* a, const TGantRow* b) const;
    // Grid mode: the grid row's height becomes aHeight.
    virtual void SetGridNodeRowHeight(TqvDataEntity_GridTreeNode* aGridNode, int aHeight);
    // Grid mode: the node of the grid's focused cell, or none.
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

    // --- background (in paint order)
    // Fills the area, shades the row bands (or the columns) and the area
    // below the last row.
    virtual void DefaultBackGround();
    // Shades band number i when it is even (unless VerticalPyjamas).
    virtual void DrawRowBackgound(const TRect& aBand, int i);
    // Columns between the scaler's major lines, shaded alternately.
    virtual void DoVerticalPyjamas();
    virtual void DoTodayLine();
    // The date the today line marks; the clock's date.
    virtual TDateTime Today() const;
    // Rebuilds the pyjamas bitmap from the two colours.
    void ReInitBitmap();
    // Fills aRect with the pyjamas checker (solid GantPyjamasColor when
    // printing, where patterns do not print).
    void FillPyjamas(const TRect& aRect);

    // --- tab sheets
    void PageChanging(TObject* Sender, bool& AllowChange);
    void PageChange(TObject* Sender);
    // The tree header box's height that puts the first row of the row
    // control level with the area's top.
    void AlignTreeHeaderToArea();

    // --- the grid of grid mode (GantGrid.cpp)
    // Creates the grid through CreateGrid and ties it to the chart.
    void CreateGridControl();
    // Frees the grid (after the rows, which point at its nodes).
    void DestroyGridControl();
    // Shows the grid (grid mode) or hides it.
    void ShowGridControl(bool aShow);
    // The height of the grid's header row; 0 without headers.
    int GridHeaderRowHeight() const;
    // The grid's vertical bar when it has been taken out of the grid.
    TScrollBar* HijackedGridScrollBar() const;
    // The wheel over the area in grid mode: one row per message.
    void GridWheelScroll(TWMMouseWheel& Msg);
    // The bands of the visible, non-fixed grid rows in display order, in area
    // coordinates (the grid's row tops less the header height).
    void GridRowBands(std::vector<TRect>& aBands);
    // The grid's share of properties the tree and the grid have in common;
    // the getters answer false without a grid.
    void SetGridBorderStyle(TBorderStyle aValue);
    void SetGridMultiSelect(bool aValue);
    bool GetGridRowSelect(bool& aValue) const;
    bool SetGridRowSelect(bool aValue);
    bool GetGridShowButtons(bool& aValue) const;
    bool SetGridShowButtons(bool aValue);
    // The grid's events the chart listens to.
    void GridtopLeftChanged(TObject* Sender);
    void GridAxisChanged(TObject* Sender);
    void GridVertScrollVisibleChanged(TObject* Sender);
    void GridRowResized(TqvGrid* aGrid, int anIndex);
    // Grid mode: the rows in view in display order, bands computed.
    void CollectGridRowsInView(std::vector<TGantRow*>& aRows);

    TqvGrid* Grid = nullptr;
    // An item moved to another row's layer.
    void _OnItemChangedRow(TqvDataEntity* theEntity);

    // The print-resize-font hook installed on the scaler, the grid and the area.
    void _OnPrintResizeFont(TqvOffscreenPaint* caller, int& FontSize, bool& DefaultResize);
    // The tree's external scroll info changed.
    friend class TGantTree;

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

    TPageControl* PageControl = nullptr;
    TTabSheet* GantSheet = nullptr;
    TGraphHintWindow* HintWindow = nullptr;
    std::unique_ptr<TSnapHandler> SnapHandler;

    // Composite state.
    TColor GantBackColor = 0xC0C0C0;
    TColor GantPyjamasColor = 0x808080;
    TBitmap PyjamasBitmap;
    bool DrawShortLines = false;
    bool DrawLongLines = true;
    bool VerticalPyjamas = false;
    bool TodayLineOnOff = false;
    TColor TodayLineColor = 0;
    bool UseTabSheets = false;
    bool GridVerticalScrollOutOfGrid = false;
    std::vector<std::unique_ptr<TMyContainer>> TabSheets;

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
    friend class TGantTestHooks;

    void BuildControls();
    void ReleaseModel();

    // Runs UpdateGridAlign after a paint that saw the header height change.
    void UpdateGridAlignLater(TObject* Sender);
    // Lays the grid out (by its paint) and paints the area again, after an
    // area paint that found the grid's layout out of date.
    void GridLayoutLater(TObject* Sender);
    bool FInAreaPaint = false;
    // The tree mode's rows (as visible row indexes) that the area shows.
    bool TreeRowsInView(int& aFirst, int& aLast);
    // The links to draw, in link list order: those with an end on a row in
    // view or spanning the view, found through the index.
    void CollectLinksInView(std::vector<class TqvDataEntity_Link*>& aLinks);

    bool FInSetScaleAndTree = false;
    // Counts changes of the links, their items' rows and the mode.
    std::uint64_t FLinkStamp = 1;
    // The area's paint lays the grid out: what that reports, the paint draws.
    bool FGridLayoutInAreaPaint = false;
    // The grid header height seen at the last paint.
    int FLastGridHeaderHeight = 0;
    int FPrintLastGridRow = -1;
    // Grid mode: the band of a placed grid row in area coordinates; while
    // the area prints, in device pixels from the grid's printed row edges.
    TRect GridItemBand(const TAxisContentItem* anItem, int aWidth) const;
    // Grid mode: the placed row is below the printed band's last row.
    bool GridItemBeyondPrint(TAxisContentItem* anItem) const;
    // The scaler's start at the last paint.
    TDateTime FStartAtLastPaint = 0;
    // The checker picture the pyjamas bands are copied from, as large as the area.
    QImage FChecker;
    TColor FCheckerA = 0;
    TColor FCheckerB = 0;
    // Which links have an end on which rows, rebuilt when links or rows change.
    std::unique_ptr<TGantLinkIndex> FLinkIndex;
    bool FLinkIndexOff = false;
    std::vector<TqvDataEntity_Link*> FLinksInView;
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

// The published component. The properties below are what a form stores
// (in this order, so that a loaded form sets Start before Stop); the other
// published properties and the events are set in code.
class TqvGant : public TqvGant_ComBasic
{
    Q_OBJECT
    // Rows come from the hosted grid instead of the tree (grid mode).
    Q_PROPERTY(bool UseGridNotTree READ GetUseGridNotTree WRITE SetUseGridNotTree)
    // The rows panel sits on a page control whose first sheet is "Gant".
    Q_PROPERTY(bool UseTabSheets READ GetUseTabSheets WRITE SetUseTabSheets)
    // Width of the rows panel (tree or grid) left of the area.
    Q_PROPERTY(int TreeWidth READ GetTreeWidth WRITE SetTreeWidth)
    // Height of the date scaler above the area.
    Q_PROPERTY(int ScalerHeight READ GetScalerHeight WRITE SetScalerHeight)
    // Pattern of the scaler's date labels; empty: the locale's.
    Q_PROPERTY(QString DateFormat READ GetDateFormat WRITE SetDateFormat)
    // Pattern of the scaler's time labels; empty: the locale's.
    Q_PROPERTY(QString TimeFormat READ GetTimeFormat WRITE SetTimeFormat)
    // Earliest date the time axis reaches.
    Q_PROPERTY(double MinStart READ GetMinStart WRITE SetMinStart)
    // Latest date the time axis reaches.
    Q_PROPERTY(double MaxStop READ GetMaxStop WRITE SetMaxStop)
    // First date shown by the area.
    Q_PROPERTY(double Start READ GetStart WRITE SetStart)
    // Last date shown by the area.
    Q_PROPERTY(double Stop READ GetStop WRITE SetStop)
    // Zoom step of the scaler.
    Q_PROPERTY(double ZoomFactor READ GetZoomFactor WRITE SetZoomFactor)
    // The scaler shows the bar of the visible range.
    Q_PROPERTY(bool IndicatorOn READ GetIndicatorOn WRITE SetIndicatorOn)
    // Fewest pixels between two ticks of a scaler level; closer levels give way.
    Q_PROPERTY(int PixelsForModeSwitch READ GetPixelsForModeSwitch WRITE SetPixelsForModeSwitch)
    // On the scaler a plain drag pans and a Ctrl-drag zooms, else the other way round.
    Q_PROPERTY(bool RescaleWithCtrl READ GetRescaleWithCtrl WRITE SetRescaleWithCtrl)
    // Background colour of the scaler.
    Q_PROPERTY(QColor ColorScaler READ GetColorScalerQColor WRITE SetColorScalerQColor)
    // Background colour of the area.
    Q_PROPERTY(QColor GantBackColor READ GetGantBackColorQColor WRITE SetGantBackColorQColor)
    // Colour of the area's alternate row shading.
    Q_PROPERTY(QColor GantPyjamasColor READ GetGantPyjamasColorQColor WRITE SetGantPyjamasColorQColor)
    // Grey lines down the area at the scaler's minor ticks.
    Q_PROPERTY(bool DrawShortLines READ GetDrawShortLines WRITE SetDrawShortLines)
    // Lines down the area at the scaler's major ticks.
    Q_PROPERTY(bool DrawLongLines READ GetDrawLongLines WRITE SetDrawLongLines)
    // Columns between the scaler's major lines are shaded alternately instead of the rows.
    Q_PROPERTY(bool VerticalPyjamas READ GetVerticalPyjamas WRITE SetVerticalPyjamas)
    // A line marks the current time.
    Q_PROPERTY(bool TodayLineOnOff READ GetTodayLineOnOff WRITE SetTodayLineOnOff)
    // Colour of the line at the current time.
    Q_PROPERTY(QColor TodayLineColor READ GetTodayLineColorQColor WRITE SetTodayLineColorQColor)
    // An item dragged to another row also takes the new times.
    Q_PROPERTY(bool MoveInTimeWhenMoveRow READ GetMoveInTimeWhenMoveRow WRITE SetMoveInTimeWhenMoveRow)
    // A move of more than 12 hours is rounded to whole days.
    Q_PROPERTY(bool MoveOver12Then24 READ GetMoveOver12Then24 WRITE SetMoveOver12Then24)
    // Dragging an item out of the area starts a drag and drop.
    Q_PROPERTY(bool StartDragWhenTimeMoveOutside READ GetStartDragWhenTimeMoveOutside WRITE
                   SetStartDragWhenTimeMoveOutside)
    // Colour of links that have none of their own.
    Q_PROPERTY(QColor DefaultLinkColor READ GetDefaultLinkColorQColor WRITE SetDefaultLinkColorQColor)
    // Pen width of links that have none of their own.
    Q_PROPERTY(int DefaultLinkPenWidth READ GetDefaultLinkPenWidth WRITE SetDefaultLinkPenWidth)
    // Background colour of the tree.
    Q_PROPERTY(QColor ColorTree READ GetColorTreeQColor WRITE SetColorTreeQColor)
    // The tree hides its selection while it has no focus.
    Q_PROPERTY(bool HideSelectionTree READ GetHideSelectionTree WRITE SetHideSelectionTree)
    // Tree nodes under the mouse are highlighted.
    Q_PROPERTY(bool HotTrackTree READ GetHotTrackTree WRITE SetHotTrackTree)
    // Indentation of the tree's levels in pixels.
    Q_PROPERTY(int IndentTree READ GetIndentTree WRITE SetIndentTree)
    // Labels too wide for the tree show as tool tips.
    Q_PROPERTY(bool ToolTipsTree READ GetToolTipsTree WRITE SetToolTipsTree)
    // A right click selects the tree row under the mouse.
    Q_PROPERTY(bool RightClickSelectTree READ GetRightClickSelectTree WRITE SetRightClickSelectTree)
    // Several rows of the tree (and the grid) can be selected.
    Q_PROPERTY(bool MultiSelectTree READ GetMultiSelectTree WRITE SetMultiSelectTree)
    // The tree draws lines between its rows.
    Q_PROPERTY(bool GridLinesTree READ GetGridLinesTree WRITE SetGridLinesTree)
    // Selecting a node expands it and collapses the others.
    Q_PROPERTY(bool AutoExpandTree READ GetAutoExpandTree WRITE SetAutoExpandTree)
    // The tree (and the grid) select whole rows.
    Q_PROPERTY(bool RowSelectTree READ GetRowSelectTree WRITE SetRowSelectTree)
    // The tree (and the grid) show buttons to open and close rows.
    Q_PROPERTY(bool ShowButtonsTree READ GetShowButtonsTree WRITE SetShowButtonsTree)
    // The tree draws lines from parents to children.
    Q_PROPERTY(bool ShowLinesTree READ GetShowLinesTree WRITE SetShowLinesTree)
    // The hosted grid's columns as text.
    Q_PROPERTY(QString Grid_Columns READ GetGrid_ColumnsText WRITE SetGrid_ColumnsText)
    // The hosted grid shows a header row.
    Q_PROPERTY(bool Grid_HasHeaders READ GetGrid_HasHeaders WRITE SetGrid_HasHeaders)
    // The hosted grid shows an info column.
    Q_PROPERTY(bool Grid_HasInfoCol READ GetGrid_HasInfoCol WRITE SetGrid_HasInfoCol)
    // The hosted grid selects whole rows.
    Q_PROPERTY(bool Grid_RowSelect READ GetGrid_RowSelect WRITE SetGrid_RowSelect)
    // The hosted grid's last column fills the remaining width.
    Q_PROPERTY(bool Grid_ExtendLastColumnToWidth READ GetGrid_ExtendLastColumnToWidth WRITE
                   SetGrid_ExtendLastColumnToWidth)
    // A click on a header of the hosted grid sorts by that column.
    Q_PROPERTY(bool Grid_UserSortEnable READ GetGrid_UserSortEnable WRITE SetGrid_UserSortEnable)
    // Several rows of the hosted grid can be selected.
    Q_PROPERTY(bool Grid_MultiSelect READ GetGrid_MultiSelect WRITE SetGrid_MultiSelect)
    // The hosted grid draws its focus rectangle.
    Q_PROPERTY(bool GridFocusRects READ GetGridFocusRects WRITE SetGridFocusRects)
    // The hosted grid ends an edit when its focus moves.
    Q_PROPERTY(
        bool GridStopEditOnFocusChange READ GetGridStopEditOnFocusChange WRITE SetGridStopEditOnFocusChange)
    // The hosted grid's vertical bar sits at the chart's right edge.
    Q_PROPERTY(bool GridVerticalScrollOutOfGrid READ GetGridVerticalScrollOutOfGrid WRITE
                   SetGridVerticalScrollOutOfGrid)
public:
    explicit TqvGant(QWidget* aParent = nullptr);

    // Colours as a form stores them.
    QColor GetColorScalerQColor() const { return ToQColor(GetColorScaler()); }
    void SetColorScalerQColor(const QColor& c) { SetColorScaler(FromQColor(c)); }
    QColor GetGantBackColorQColor() const { return ToQColor(GetGantBackColor()); }
    void SetGantBackColorQColor(const QColor& c) { SetGantBackColor(FromQColor(c)); }
    QColor GetGantPyjamasColorQColor() const { return ToQColor(GetGantPyjamasColor()); }
    void SetGantPyjamasColorQColor(const QColor& c) { SetGantPyjamasColor(FromQColor(c)); }
    QColor GetTodayLineColorQColor() const { return ToQColor(GetTodayLineColor()); }
    void SetTodayLineColorQColor(const QColor& c) { SetTodayLineColor(FromQColor(c)); }
    QColor GetDefaultLinkColorQColor() const { return ToQColor(GetDefaultLinkColor()); }
    void SetDefaultLinkColorQColor(const QColor& c) { SetDefaultLinkColor(FromQColor(c)); }
    QColor GetColorTreeQColor() const { return ToQColor(GetColorTree()); }
    void SetColorTreeQColor(const QColor& c) { SetColorTree(FromQColor(c)); }
    // The grid's columns as text (a text that is no column list changes nothing).
    QString GetGrid_ColumnsText() const { return Grid != nullptr ? Grid->GetColumnsText() : QString(); }
    void SetGrid_ColumnsText(const QString& aText)
    {
        if (Grid != nullptr) Grid->SetColumnsText(aText);
    }
};

} // namespace skedra
