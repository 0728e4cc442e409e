#pragma once
// TqvSchema: the schedule view. Columns (one per day, per resource...) stand
// under a header with time running down a vertical date scaler on the left;
// with FlipView the columns become horizontal bands listed in a grid on the
// left and time runs right along a horizontal scaler on top. Every column
// has a date offset subtracted from its items' times, so one time axis can
// show a different day in every column. Items that overlap in time in one
// column are spread into sub-columns computed in the background.
//
// Geometry along the column axis (x normally, y when flipped): the first
// visible column F is the flipped header's top row; columns before it are
// collapsed to 0. Column c's far-side offset is the sum of the sizes of F..c
// (plus one grid line per column when flipped), its near offset the far one
// less its size. Column c owns the pixels from the previous column's far
// offset up to its own.

#include <QString>

#include <memory>

#include "skedra/data/DataListGroups.h"
#include "skedra/foundation/PrintTypes.h"
#include "skedra/foundation/qvXYSizer.h"
#include "skedra/platform/ExtCtrls.h"
#include "skedra/platform/Menus.h"
#include "skedra/platform/UpDown.h"
#include "skedra/scaler/qvScaler.h"
#include "skedra/schema/SchemaControls.h"
#include "skedra/schema/SchemaEntities.h"

namespace skedra
{

class TqvSchema_ComBasic;
class TTimeDistinctGenericThread;
struct TSchemaPrivate;
enum TTimeWrite : int;

using TOnDrawTimeContent =
    TMethod<void(TqvSchema_ComBasic* theSchema, TqvDataEntity_SchemaTime* theDataEntity, TRect theRect,
                 TCanvas* theCanvas)>;
using TOnSchemaDraw = TMethod<void(TqvSchema_ComBasic* theSchema, TRect aRect, TCanvas* aCanvas)>;
using TOnSchemaCollisionDetected = TMethod<void(
    TqvSchema_ComBasic* theSchema, TqvDataEntity_SchemaTime* theDataEntity, int theNewSubColPosition)>;
using THeaderFromColumn = TMethod<void(int index, QString& theText)>;
using TOnInitColumnDataObject =
    TMethod<TObject*(TqvSchema_ComBasic* theSchema, TqvDataEntity_SchemaColumn* theDataEntity_SchemaColumn)>;
using TOnGetDrawingRect =
    TMethod<bool(TqvSchema_ComBasic* theSchema, TqvDataEntity* theDataEntity, TRect& theReturnRect)>;
using TOnSchemaHintInfo = TMethod<void(TqvSchema_ComBasic* theSchema, TObject* theObject, TDateTime theStart,
                                       TDateTime theLength, int X, int Y)>;
using TOnUserDecideColSize =
    TMethod<void(TqvSchema_ComBasic* theSchema, TqvDataEntity_SchemaColumn* theInitiatingColumn,
                 TqvDataEntity_SchemaColumn* theColumnToSet, int theCurrentSize, int& theSizeToSet)>;
using TOnSwitchCol = TMethod<void(TqvSchema_ComBasic* theSchema, TqvDataEntity_SchemaTime* theDataEntity,
                                  int theOldCol, int& theNewCol)>;
using TOnChangeDataEntity_SchemaTime =
    TMethod<void(TqvSchema_ComBasic* theSchema, TqvDataEntity_SchemaTime* theDataEntity)>;
using TOnIsVisible =
    TMethod<bool(TqvSchema_ComBasic* theSchema, TqvDataEntity_SchemaTime* theDataEntity, bool& RunDefault)>;
using TOnSelectionNotify = TMethod<void(TqvSchema_ComBasic* theSchema)>;

// The schedule view: columns under a header against a date scaler, time items
// placed in the columns, optionally flipped into bands with time to the right.
class TqvSchema_ComBasic : public TCustomPanel
{
public:
    explicit TqvSchema_ComBasic(QWidget* aParent = nullptr);
    ~TqvSchema_ComBasic() override;

    // ---- columns
    TqvDataEntity_SchemaColumn* AddColumn();
    void RemoveColumn(TqvDataEntity_SchemaColumn* theColumn);
    void ClearColumns();
    TDataListColumns* GetColumns() const { return Columns; }
    int ColumnCount() const;
    // "???" for an index outside the columns; else the column's text, which
    // OnHeaderFromColumn may replace.
    QString HeaderFromColumn(int theIndex);
    // Near and far offsets along the column axis; both -1 out of range.
    void ColumnToPixels(int theCol, int& theNear, int& theFar) const;
    void ColumnToPixels_fw(bool theFlipped, int theCol, int& theNear, int& theFar) const;
    // The column containing an offset along the column axis: 0 for a negative
    // offset, the last column beyond all columns, -1 without columns.
    int PixelToColumn(int thePixel) const;
    int PixelToColumn_fw(bool theFlipped, int thePixel) const;
    TqvDataEntity_SchemaColumn* ColumnFromXY(TPoint thePoint);
    // The sum of all columns' sizes in the current orientation.
    int GetColumnSpace() const;
    // The size of column c in an orientation (header section width or row height).
    int ColumnSize(bool theFlipped, int theCol) const;

    // ---- time items
    // Creates lists until there are more than theLayer; appends an item to
    // list theLayer. None for a negative layer.
    TqvDataEntity_SchemaTime* AddSchemaTime(int theLayer);
    void RemoveSchemaTime(TqvDataEntity_SchemaTime* theItem);
    TqvDataEntity_SchemaTime* FindSchemaTimeObjectFromUserReference(void* theReference);
    // Start and stop relative to the item's column (0 when the column is out of range).
    void GetStartStopDateAndCol(TqvDataEntity_SchemaTime* theItem, TDateTime& theStart, int& theCol,
                                TDateTime& theStop) const;
    // The item's rectangle in the schema area; false when it has none.
    bool RectFromDataEntity(bool theFlipped, TqvDataEntity_SchemaTime* theItem, TRect& theRect);
    bool XStartStopFromDataEntity(TqvDataEntity_SchemaTime* theItem, int& theStart, int& theStop);
    bool YStartStopFromDataEntity(TqvDataEntity_SchemaTime* theItem, int& theStart, int& theStop);
    // The item's extent across the column axis and along the time axis.
    bool HeaderPixelsFromStartStopFromDataEntity(TqvDataEntity_SchemaTime* theItem, int& theNear,
                                                 int& theFar);
    bool ScalerPixelsFromStartStopFromDataEntity(TqvDataEntity_SchemaTime* theItem, int& theStart,
                                                 int& theStop);
    // The topmost item at a schema-area point (DrawLayers order), or none.
    TqvDataEntity_SchemaTime* GetDataEntityFromXY(int X, int Y);
    TqvDataEntity_SchemaTime* GetActiveDataEntity() const { return ActiveDataEntity; }
    void SetActiveDataEntity(TqvDataEntity_SchemaTime* theItem);
    static TqvDataEntity_SchemaTime* DataEntity_Schema(TObject* theObject);
    TqvDataList2lev* GetDataLists() const { return DataLists; }
    virtual bool IsVisible(TqvDataEntity_SchemaTime* theItem);

    // ---- layout and appearance
    bool GetFlipView() const { return FlipView; }
    void SetFlipView(bool theValue);
    TPoint GetQuadPoint() const { return QuadPoint; }
    void SetQuadPoint(TPoint thePoint);
    TPoint GetFlippedQuadPoint() const { return FlippedQuadPoint; }
    void SetFlippedQuadPoint(TPoint thePoint);
    int GetScalerWidth() const;
    void SetScalerWidth(int theValue);
    int GetScalerHeight() const;
    void SetScalerHeight(int theValue);
    TColor GetSchemaColor() const { return SchemaColor; }
    void SetBackColor(TColor theValue);
    void SetSchemaColor(TColor theValue) { SetBackColor(theValue); }
    TColor GetSchemaPyjamasColor() const { return SchemaPyjamasColor; }
    void SetPyjamasColor(TColor theValue);
    void SetSchemaPyjamasColor(TColor theValue) { SetPyjamasColor(theValue); }
    const QImage& GetPyjamasPattern() const { return PyjamasPattern; }
    TFont* GetTextFont1() { return &TextFont1; }
    TFont* GetTextFont2() { return &TextFont2; }
    TFont* GetTextFont3() { return &TextFont3; }
    void SetTextFont1(const TFont& aFont) { TextFont1.Assign(aFont); }
    void SetTextFont2(const TFont& aFont) { TextFont2.Assign(aFont); }
    void SetTextFont3(const TFont& aFont) { TextFont3.Assign(aFont); }
    void EnterTextStyle(TCanvas* theCanvas, int theStyle);
    void BeginUpdate();
    void EndUpdate();
    bool GetHeaderTabStop() const;
    void SetHeaderTabStop(bool aValue);
    bool GetSchemaTabStop() const;
    void SetSchemaTabStop(bool aValue);
    TScrollVisibility GetScrollVisibility() const { return ScrollVisibility; }
    void SetScrollVisibility(TScrollVisibility aValue);
    const TDrawLayerArray& GetDrawLayers() const { return DrawLayers; }
    void SetDrawLayers(const TDrawLayerArray& aValue);

    // Forwarded to the scaler.
    QString GetScalerDateFormat() const { return Scaler->GetDateFormat(); }
    void SetScalerDateFormat(const QString& v) { Scaler->SetDateFormat(v); }
    QString GetScalerTimeFormat() const { return Scaler->GetTimeFormat(); }
    void SetScalerTimeFormat(const QString& v) { Scaler->SetTimeFormat(v); }
    TDateTime GetScalerStart() const { return Scaler->GetStart(); }
    void SetScalerStart(TDateTime v) { Scaler->SetStart(v); }
    TDateTime GetScalerStop() const { return Scaler->GetStop(); }
    void SetScalerStop(TDateTime v) { Scaler->SetStop(v); }
    TLookAndFeel GetLookAndFeel() const { return Scaler->GetLookAndFeel(); }
    void SetLookAndFeel(TLookAndFeel v) { Scaler->SetLookAndFeel(v); }
    TScrollButtons GetScrollButtons() const { return Scaler->GetScrollButtons(); }
    void SetScrollButtons(TScrollButtons v) { Scaler->SetScrollButtons(v); }
    bool GetVerticalText() const { return Scaler->GetVerticalText(); }
    void SetVerticalText(bool v) { Scaler->SetVerticalText(v); }
    TDateTime GetMinStart() const { return Scaler->GetMinStart(); }
    void SetMinStart(TDateTime v) { Scaler->SetMinStart(v); }
    TDateTime GetMaxStop() const { return Scaler->GetMaxStop(); }
    void SetMaxStop(TDateTime v) { Scaler->SetMaxStop(v); }
    TqvHiddenHours GetHiddenHours() const { return Scaler->GetHiddenHours(); }
    void SetHiddenHours(const TqvHiddenHours& v) { Scaler->SetHiddenHours(v); }
    TqvHiddenDays GetHiddenDays() const { return Scaler->GetHiddenDays(); }
    void SetHiddenDays(const TqvHiddenDays& v) { Scaler->SetHiddenDays(v); }
    bool GetRescaleWithCtrl() const { return Scaler->GetRescaleWithCtrl(); }
    void SetRescaleWithCtrl(bool v) { Scaler->SetRescaleWithCtrl(v); }

    // The popup menu of both headers, and their drag events.
    TPopupMenu* GetHeaderPopupmenu() const;
    void SetHeaderPopupmenu(TPopupMenu* aMenu);
    TStartDragEvent GetOnHeaderStartDrag() const;
    void SetOnHeaderStartDrag(const TStartDragEvent& e);
    TEndDragEvent GetOnHeaderEndDrag() const;
    void SetOnHeaderEndDrag(const TEndDragEvent& e);
    TDragOverEvent GetOnHeaderDragOver() const;
    void SetOnHeaderDragOver(const TDragOverEvent& e);
    TDragDropEvent GetOnHeaderDragDrop() const;
    void SetOnHeaderDragDrop(const TDragDropEvent& e);

    // Published flags.
    bool GetStartDragWhenTimeMoveOutside() const { return StartDragWhenTimeMoveOutside; }
    void SetStartDragWhenTimeMoveOutside(bool v) { StartDragWhenTimeMoveOutside = v; }
    TColor GetTodayLineColor() const { return TodayLineColor; }
    void SetTodayLineColor(TColor v);
    bool GetTodayLineOnOff() const { return TodayLineOnOff; }
    void SetTodayLineOnOff(bool v);
    TPopupMenu* GetPopupSchema() const { return PopupSchema; }
    void SetPopupSchema(TPopupMenu* v) { PopupSchema = v; }
    bool GetStartSnapONOFF() const { return StartSnapONOFF; }
    void SetStartSnapONOFF(bool v) { StartSnapONOFF = v; }
    bool GetLengthSnapONOFF() const { return LengthSnapONOFF; }
    void SetLengthSnapONOFF(bool v) { LengthSnapONOFF = v; }
    TDateTime GetStartSnap() const { return StartSnap; }
    void SetStartSnap(TDateTime v) { StartSnap = v; }
    TDateTime GetLengthSnap() const { return LengthSnap; }
    void SetLengthSnap(TDateTime v) { LengthSnap = v; }
    bool GetCollisionDetectBetweenDataList() const { return CollisionDetectBetweenDataList; }
    void SetCollisionDetectBetweenDataList(bool v);
    bool GetCollisionDetect() const { return CollisionDetect; }
    void SetCollisionDetect(bool v);
    bool GetShowBigONOFF() const { return ShowBigONOFF; }
    void SetShowBigONOFF(bool v) { ShowBigONOFF = v; }
    bool GetResizeAllCol() const { return ResizeAllCol; }
    void SetResizeAllCol(bool v) { ResizeAllCol = v; }
    bool GetMoveInTimeWhenColSwitch() const { return MoveInTimeWhenColSwitch; }
    void SetMoveInTimeWhenColSwitch(bool v) { MoveInTimeWhenColSwitch = v; }
    bool GetDrawShortLines() const { return DrawShortLines; }
    void SetDrawShortLines(bool v);

    // Sub-controls.
    TqvDateScaler* GetScaler() const { return Scaler; }
    TqvOffscreenPaint_Schema* GetSchemaArea() const { return SchemaArea; }
    THeaderControl_MouseControl* GetHeader() const { return Header; }
    TDrawGrid_Schema* GetFlippedHeader() const { return FlippedHeader; }
    TXYSizer* GetXYSizer() const { return XYSizer; }
    TUpDown* GetColumnScroller() const { return ColumnScroller; }
    TqvSchema_ComBasicHintWindow* GetInfoHint() const { return InfoHint; }
    TqvSchema_ComBasicHintWindow* GetBigHint() const { return BigHint; }
    TTimer* GetShowBigTimer() const { return ShowBigTimer.get(); }
    TTimer* GetHideBigTimer() const { return HideBigTimer.get(); }
    TqvListController* GetTimeController() const { return TimeController; }
    TqvListController* GetColumnController() const { return ColumnController; }

    // ---- recomputation
    // Requests the sub-column computation (deferred, merged).
    void UpdateSubColumns();
    void UpdateColumnScroller();
    // Requests UpdateColumnScroller (deferred, merged).
    void RequestUpdateColumnScroller();
    void UpdatePartSize();
    void Repaint() override;
    void _RefreshEverything();
    // The running sub-column computation's thread, or none.
    TTimeDistinctGenericThread* SubColThread() const;
    bool BeingDestroyed() const { return FBeingDestroyed; }

    // ---- painting
    void SchemaPaint(TObject* Sender);
    void DoBackground(TCanvas* theCanvas, int theX, int theY, int theWidth, int theHeight);
    void DoTodayLine(TCanvas* theCanvas);
    void DoForeGround(TCanvas* theCanvas);
    void DrawContent(TqvDataEntity_SchemaTime* theItem, const TRect& theRect, TCanvas* theCanvas);
    virtual void DefaultDrawContent(TqvDataEntity_SchemaTime* theItem, const TRect& theRect,
                                    TCanvas* theCanvas);

    // ---- sub-columns
    void UpdateSubColumns_DoLater(TObject* Sender);
    void UpdateSubColumns_Perform();
    void SubColThreadDone(TObject* Sender);
    void CleanUpThread();

    // ---- deferred layout steps
    void UpdateColumnScroller_DoLater(TObject* Sender);
    void UpdateScrollPos(TObject* Sender);
    void SetScalerWidth_Perform(TObject* Sender);
    void SetScalerHeight_Perform(TObject* Sender);
    void ColumnUpDownOnClick(TObject* Sender, TUDBtnType Button);
    void PartResize(TXYSizer* Sender, TPoint theNewPoint);

    // ---- interaction (SchemaInput.cpp)
    // The schema area's mouse events.
    void SchemaMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void SchemaMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void SchemaMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    // The selection rule: a press on a selected item waits for the release.
    void UpdateMultiSelect(TqvDataEntity_SchemaTime* theItem, TShiftState theShift, bool theIsMouseDown);
    // Whether (X, Y) lies on the 3 pixels at the item's start or stop edge;
    // theRect is the item's rectangle, theIsStart the edge (start tested first).
    virtual bool InGrowArea(TqvDataEntity_SchemaTime* theItem, int X, int Y, bool& theIsStart,
                            TRect& theRect);
    // Outline feedback of a running move or resize, drawn inverted on the window surface.
    void HandleLocalDrag(int X, int Y);
    void HandleLocalGrow(int X, int Y);
    // Apply a drag (offset from the press) or a key move to the selected items.
    void HandleMoveOfSelected(TPoint theOffset);
    void HandleMoveOfSelectedFromTimeDiff(int theColDiff, TDateTime theTimeDiff);
    void HandleGrow(TPoint theOffset);
    // The one path through which the view changes an item: start and stop
    // relative to the target column's DateOffset, snapped; the column is
    // clamped to the columns (nothing without columns or edit permission).
    void SetStartStopDateAndCol(TqvDataEntity_SchemaTime* theItem, TDateTime theStart, TDateTime theStop,
                                int theCol);
    void SwitchCol(TqvDataEntity_SchemaTime* theItem, int theOldCol, int& theNewCol);
    // Rounds the length to LengthSnap and the start to StartSnap within its
    // day; a step of 0 or less (or a value that is not finite) snaps nothing.
    void Snap(TDateTime& theStart, TDateTime& theLength) const;
    // The absolute start and the length a rectangle stands for.
    void StartAndLengthFromRect(const TRect& theRect, TDateTime& theStart, TDateTime& theLength);
    virtual void DrawOutline(const TRect& theRect, bool theShowInfo, TCanvas* theCanvas);
    void DrawOutlineOfSelected(TPoint theOffset, TCanvas* theCanvas);
    // The time hint: OnSchemaHintInfo, or the small hint window.
    void DoMoveInfo(TObject* theItem, TDateTime theStart, TDateTime theLength, int X, int Y);
    // The enlarged preview of the item under HoverPoint, and hiding both hints.
    void DoShowMeBig(TObject* Sender);
    void DoHideShowMeBig(TObject* Sender);
    // Opens PopupSchema under theRect for the item.
    void HandleDataEntityPopup(TqvDataEntity_SchemaTime* theItem, const TRect& theRect);
    // The schema area's keys; the platform's key handling of the schema follows.
    virtual void SchemaKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    // The schema area's drag events, passed to the schema's own.
    void SchemaStartDrag(TObject* Sender, TObject*& DragObject);
    void SchemaDragOver(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept);
    void SchemaDragDrop(TObject* Sender, TObject* Source, int X, int Y);
    void SchemaEndDrag(TObject* Sender, TObject* Target, int X, int Y);
    // The time and the item under the last press, and the item of the last item popup.
    TDateTime GetPressTime() const;
    TqvDataEntity_SchemaTime* GetPopupDataEntity() const;

    // Asserts the column list's and the item index's invariants.
    void CheckInvariants();
    // Implementation state (skedra/schema/qvSchema_p.h).
    TSchemaPrivate* GetPrivate() const { return d.get(); }

    // ---- events
    // A time item list changed its content.
    TOnContentChanged OnContentChanged_SchemaTime;
    // A time item's selected state changed.
    TOnSelectionChanged OnSelectionChanged_SchemaTime;
    // A time item was deleted.
    TOnDeleteItem OnDeleteItem_SchemaTime;
    // A time item was inserted.
    TOnInsertItem OnInsertItem_SchemaTime;
    // A time item reported a change of its values.
    TOnInfoPush OnValueChanged_SchemaTime;
    // A time item's edit permission is about to be read; the handler may set it.
    TOnBeforeCanEditItem OnBeforeCanEditItem_SchemaTime;
    // The column list changed its content.
    TOnContentChanged OnContentChanged_Column;
    // A column's selected state changed.
    TOnSelectionChanged OnSelectionChanged_Column;
    // A column was deleted.
    TOnDeleteItem OnDeleteItem_Column;
    // A column was inserted.
    TOnInsertItem OnInsertItem_Column;
    // A column reported a change of its values.
    TOnInfoPush OnValueChanged_Column;
    // A column's edit permission is about to be read; the handler may set it.
    TOnBeforeCanEditItem OnBeforeCanEditItem_Column;
    // A mouse button went down on the schedule area.
    TMouseEvent OnSchemaMouseDown;
    // The mouse moved over the schedule area.
    TMouseMoveEvent OnSchemaMouseMove;
    // A mouse button went up on the schedule area.
    TMouseEvent OnSchemaMouseUp;
    // Draws under the items, after the background.
    TOnSchemaDraw OnDrawBackground;
    // Draws over everything else.
    TOnSchemaDraw OnDrawForeground;
    // A font is resized for printing; clearing DefaultResize keeps the handler's size.
    TOnPrintResizeFont OnPrintResizeFont;
    // The first visible column changed.
    TNotifyEvent OnTopLeftColumnChange;
    // An item's sub-column changed after the background placement.
    TOnSchemaCollisionDetected OnCollisionDetected;
    // Printing needs a new page; the handler starts it or stops the print.
    TOnPrintToHdcNewPage OnPrintToHdcNewPage;
    // The header text of a column; the handler may replace it.
    THeaderFromColumn OnHeaderFromColumn;
    // A column is inserted: the object the handler answers is kept and freed with it.
    TOnInitColumnDataObject OnInitColumnDataObject;
    // Every item's rectangle; the handler may change it, answering false hides the item.
    TOnGetDrawingRect OnGetDrawingRect;
    // The hint while moving or resizing is about to show the item's new times.
    TOnSchemaHintInfo OnSchemaHintInfo;
    // A resize sets a column's size; the handler may change it.
    TOnUserDecideColSize OnUserDecideColSize;
    // The time window changed.
    TNotifyEvent OnScalerChange;
    // A move takes an item to another column; the handler may choose another.
    TOnSwitchCol OnSwitchCol;
    // An item reported a change of its values.
    TOnChangeDataEntity_SchemaTime OnChangeDataEntity_SchemaTime;
    // Whether an item is shown; clearing RunDefault makes the answer final.
    TOnIsVisible OnIsVisible;
    // Draws the content of items of the user-drawn style.
    TOnDrawTimeContent OnDrawUserContent;
    // The selection of time items changed.
    TOnSelectionNotify OnSelectionNotify;

    // Interaction state the application reads (written by the view's input handling).
    TqvDataEntity_SchemaColumn* PressColumn = nullptr;
    bool InternalChange = false;

protected:
    // Construction hooks, called from InitializeInConstructor.
    virtual void InitializeInConstructor();
    virtual void Initialize();
    virtual TqvDataList* CreateDataList();
    virtual TqvDateScaler* CreateDateScaler();
    virtual TDataListColumns* CreateColumnsCollection();
    virtual TqvDataList2lev* Create2LevList();
    virtual TqvDataEntityClass ClassOfDataEntity_SchemaColumn();
    virtual TqvDataEntityClass ClassOfDataEntity_SchemaTime();

    virtual void ScaleChanged(TObject* Sender);
    virtual void HeaderChanged(TObject* Sender);
    virtual void _OnContentChanged(TqvDataList* theqvDataList);
    virtual void _OnSelectionChanged(TqvDataList* theqvDataList, TqvDataEntity* theDataEntity);
    virtual void _OnDeleteItem(TqvDataEntity* theDataEntity);
    virtual void _OnInsertItem(TqvDataEntity* theDataEntity);
    virtual void _OnInfoPush(TqvDataEntity* theDataEntity);
    virtual void _OnBeforeCanEditItem(TqvDataEntity* theDataEntity);

    void Resize() override;
    bool WantSpecialKey(Word aKey) override;

private:
    // Binds the timers and the schema area's drag events; run by Initialize.
    void InitializeInput();
    // A deleted item leaves the interaction state.
    void ForgetInputItem(TqvDataEntity* theDataEntity);
    // SetStartStopDateAndCol with the times snapped, exact or kept.
    void WriteItem(TqvDataEntity_SchemaTime* theItem, TDateTime theStart, TDateTime theStop, int theCol,
                   TTimeWrite theHow);
    friend class TDataListColumns;
    friend struct TSchemaPrivate;
    TqvDataList* AddDataList();
    void DrawFlippedCell(TObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State);
    void _OnPrintResizeFont(TqvOffscreenPaint* caller, int& FontSize, bool& DefaultResize);
    void RebuildPyjamasPattern();
    void ItemsChanged();
    int ColumnAxisExtent() const;

    bool StartDragWhenTimeMoveOutside = false;
    int PendingScalerWidth = 50;
    int PendingScalerHeight = 50;
    bool TodayLineOnOff = false;
    TColor TodayLineColor = clBlack;
    TqvDateScaler* Scaler = nullptr;
    TXYSizer* XYSizer = nullptr;
    THeaderControl_MouseControl* Header = nullptr;
    TDrawGrid_Schema* FlippedHeader = nullptr;
    TqvOffscreenPaint_Schema* SchemaArea = nullptr;
    TqvDataList2lev* DataLists = nullptr;
    TUpDown* ColumnScroller = nullptr;
    TScrollVisibility ScrollVisibility = svWhenNeeded;
    TqvSchema_ComBasicHintWindow* InfoHint = nullptr;
    TqvSchema_ComBasicHintWindow* BigHint = nullptr;
    std::unique_ptr<TTimer> ShowBigTimer;
    std::unique_ptr<TTimer> HideBigTimer;
    TPopupMenu* PopupSchema = nullptr;
    TDataListColumns* Columns = nullptr;
    TColor SchemaColor = 0x008000;
    TColor SchemaPyjamasColor = 0x008080;
    QImage PyjamasPattern;
    bool StartSnapONOFF = true;
    bool LengthSnapONOFF = true;
    TDateTime StartSnap = 0;
    TDateTime LengthSnap = 0;
    bool ShowBigONOFF = true;
    bool ResizeAllCol = true;
    bool CollisionDetectBetweenDataList = false;
    bool CollisionDetect = true;
    bool FlipView = false;
    TPoint QuadPoint;
    TPoint FlippedQuadPoint{70, 50};
    bool DrawShortLines = false;
    TqvListController* TimeController = nullptr;
    TqvListController* ColumnController = nullptr;
    bool MoveInTimeWhenColSwitch = false;
    TqvDataEntity_SchemaTime* ActiveDataEntity = nullptr;
    TFont TextFont1;
    TFont TextFont2;
    TFont TextFont3;
    TDrawLayerArray DrawLayers;
    bool FBeingDestroyed = false;
    std::unique_ptr<TSchemaPrivate> d;
};

// The published schedule view.
// The properties are those a form stores (Qt Designer's property editor and
// .ui files); colours are edited as QColor.
class TqvSchema : public TqvSchema_ComBasic
{
    Q_OBJECT
    // Columns become horizontal bands and time runs to the right (default false).
    Q_PROPERTY(bool FlipView READ GetFlipView WRITE SetFlipView)
    // Width of the scaler beside the columns (default 50).
    Q_PROPERTY(int ScalerWidth READ GetScalerWidth WRITE SetScalerWidth)
    // Height of the scaler above the bands when flipped.
    Q_PROPERTY(int ScalerHeight READ GetScalerHeight WRITE SetScalerHeight)
    // Colour of the schedule area (default 0x008000).
    Q_PROPERTY(QColor SchemaColor READ GetSchemaQColor WRITE SetSchemaQColor)
    // Colour of the area's alternate shading (default 0x008080).
    Q_PROPERTY(QColor SchemaPyjamasColor READ GetSchemaPyjamasQColor WRITE SetSchemaPyjamasQColor)
    // The header takes the focus with Tab.
    Q_PROPERTY(bool HeaderTabStop READ GetHeaderTabStop WRITE SetHeaderTabStop)
    // The schedule area takes the focus with Tab.
    Q_PROPERTY(bool SchemaTabStop READ GetSchemaTabStop WRITE SetSchemaTabStop)
    // Pattern of the scaler's date labels; empty: the locale's.
    Q_PROPERTY(QString ScalerDateFormat READ GetScalerDateFormat WRITE SetScalerDateFormat)
    // Pattern of the scaler's time labels; empty: the locale's.
    Q_PROPERTY(QString ScalerTimeFormat READ GetScalerTimeFormat WRITE SetScalerTimeFormat)
    // Earliest date the time axis reaches (the scaler's MinStart).
    Q_PROPERTY(double MinStart READ GetMinStart WRITE SetMinStart)
    // Latest date the time axis reaches (the scaler's MaxStop).
    Q_PROPERTY(double MaxStop READ GetMaxStop WRITE SetMaxStop)
    // First visible time (default now).
    Q_PROPERTY(double ScalerStart READ GetScalerStart WRITE SetScalerStart)
    // Last visible time (default now + 31 days).
    Q_PROPERTY(double ScalerStop READ GetScalerStop WRITE SetScalerStop)
    // Column header texts run upwards (default false).
    Q_PROPERTY(bool VerticalText READ GetVerticalText WRITE SetVerticalText)
    // A plain drag on the scaler pans and a Ctrl-drag zooms, else the other way round.
    Q_PROPERTY(bool RescaleWithCtrl READ GetRescaleWithCtrl WRITE SetRescaleWithCtrl)
    // Dragging an item out of the area starts drag and drop (default false).
    Q_PROPERTY(bool StartDragWhenTimeMoveOutside READ GetStartDragWhenTimeMoveOutside WRITE
                   SetStartDragWhenTimeMoveOutside)
    // Colour of the line at the current time (default black).
    Q_PROPERTY(QColor TodayLineColor READ GetTodayLineQColor WRITE SetTodayLineQColor)
    // A line at the current time (default false).
    Q_PROPERTY(bool TodayLineOnOff READ GetTodayLineOnOff WRITE SetTodayLineOnOff)
    // Moved and resized starts snap to StartSnap (default true).
    Q_PROPERTY(bool StartSnapONOFF READ GetStartSnapONOFF WRITE SetStartSnapONOFF)
    // Lengths snap to LengthSnap (default true).
    Q_PROPERTY(bool LengthSnapONOFF READ GetLengthSnapONOFF WRITE SetLengthSnapONOFF)
    // Step that starts snap to (default 5 minutes).
    Q_PROPERTY(double StartSnap READ GetStartSnap WRITE SetStartSnap)
    // Step that lengths snap to (default 1 minute).
    Q_PROPERTY(double LengthSnap READ GetLengthSnap WRITE SetLengthSnap)
    // Overlaps count across layers too (default false).
    Q_PROPERTY(bool CollisionDetectBetweenDataList READ GetCollisionDetectBetweenDataList WRITE
                   SetCollisionDetectBetweenDataList)
    // Overlapping items are spread into sub-columns (default true).
    Q_PROPERTY(bool CollisionDetect READ GetCollisionDetect WRITE SetCollisionDetect)
    // The large hint with the item's picture while dragging (default true).
    Q_PROPERTY(bool ShowBigONOFF READ GetShowBigONOFF WRITE SetShowBigONOFF)
    // Resizing one column header resizes all columns (default true).
    Q_PROPERTY(bool ResizeAllCol READ GetResizeAllCol WRITE SetResizeAllCol)
    // A move to another column also moves in time by the columns' date offsets (default false).
    Q_PROPERTY(bool MoveInTimeWhenColSwitch READ GetMoveInTimeWhenColSwitch WRITE SetMoveInTimeWhenColSwitch)
    // Minor tick lines through the area (default false).
    Q_PROPERTY(bool DrawShortLines READ GetDrawShortLines WRITE SetDrawShortLines)
public:
    explicit TqvSchema(QWidget* aParent = nullptr);

    QColor GetSchemaQColor() const { return ToQColor(GetSchemaColor()); }
    void SetSchemaQColor(const QColor& c) { SetSchemaColor(FromQColor(c)); }
    QColor GetSchemaPyjamasQColor() const { return ToQColor(GetSchemaPyjamasColor()); }
    void SetSchemaPyjamasQColor(const QColor& c) { SetSchemaPyjamasColor(FromQColor(c)); }
    QColor GetTodayLineQColor() const { return ToQColor(GetTodayLineColor()); }
    void SetTodayLineQColor(const QColor& c) { SetTodayLineColor(FromQColor(c)); }
};

} // namespace skedra
