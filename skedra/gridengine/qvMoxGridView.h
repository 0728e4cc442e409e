#pragma once
// The grid view: a double-buffered control over a root grid cell. Changes set
// pending flags and invalidate; the next paint recomputes sizes (hard update),
// lays out and updates the scroll bars (soft update) and draws every placed
// cell: background, text or check box, icon, tree button and lines, frame
// lines, focus rectangles, the sort symbol and the selection highlight.

#include <memory>
#include <vector>

#include "skedra/foundation/qvOffscreenPaint.h"
#include "skedra/gridengine/GridContentModel.h"
#include "skedra/platform/ImageList.h"
#include "skedra/platform/StdCtrls.h"
#include "skedra/platform/TextLayoutCache.h"

namespace skedra
{

class TMoxGridView_Custom;
class TMoxSubGridCellData;
class TMoxSimpleCellStringData;
class TMoxInplaceEditor;
class TMoxInplaceMemoEditor;
class TMoxInplaceComboEditor;
class TMoxInplaceBoolEditor;
class TMoxInplaceDateTimeEditor;

// The in-place editor a simple cell is edited with.
enum TMoxEditorType { moxETEdit, moxETMemo, moxETCombo, moxETBool, moxETDateTime };

// What a press on a header border started: nothing, or sizing of columns or
// rows. Scoped: the Gantt chart's mouse modes use the same short names.
enum class TMMode { mmNone, mmResizeCols, mmResizeRows };

// The view's mouse and keyboard state (qvMoxGridViewInput_p.h).
struct TMoxGridViewInput;

using TOninitSubGridContent =
    TMethod<void(TMoxGridView_Custom* theMoxGridView, TMoxSubGridCellData* theMoxSubGridCellData)>;
using TOnInitContent =
    TMethod<void(TMoxGridView_Custom* theMoxGridView, TMoxSimpleCellStringData* theMoxSimpleCellStringData)>;
using TCellEvent = TMethod<void(TMoxGridView_Custom* theMoxGridView, TMoxCell* theMoxCell)>;
using TOnUserRenderCell =
    TMethod<void(TMoxGridView_Custom* theMoxGridView, TCanvas* theCanvas, TMoxCell* theMoxCell,
                 const QString& theString, bool theBoolean, bool theIsStringEdit,
                 TMoxDrawStateSet theDrawState, TRect theDrawRect, bool& aDefaultDraw)>;
using TOnCellInset = TMethod<int(TMoxGridView_Custom* theMoxGridView, TMoxCell* theMoxCell)>;
using TOnCellBooleanEvent = TMethod<bool(TMoxGridView_Custom* theMoxGridView, TMoxCell* theMoxCell)>;
using TOnCellGetCellEvent = TMethod<TMoxCell*(TMoxGridView_Custom* theMoxGridView, TMoxCell* theMoxCell)>;
using TOnRenderButton = TMethod<void(TMoxGridView_Custom* theMoxGridView, TCanvas* theCanvas,
                                     TMoxCell* theMoxCell, TRect theRect)>;
using TOnAfterUserSize = TMethod<void(TMoxGridView_Custom* theMoxGridView, TMoxCell* theMoxCell,
                                      bool theIsHorz, TAxisContentItem* theAxisContentItem)>;

using TOnChooseEditor =
    TMethod<void(TMoxGridView_Custom* theMoxGridView, TMoxSimpleCellStringData* theMoxSimpleCellStringData,
                 TMoxEditorType& EditorChoise)>;
using TOnEditStop = TMethod<void(TMoxGridView_Custom* theMoxGridView, QWidget* theEditComponent,
                                 TMoxSimpleCellStringData* theMoxSimpleCellStringData, QString& theText)>;
using TOnInplaceEditOnChange = TMethod<void(TMoxGridView_Custom* theMoxGridView, const QString& theValue)>;
using TOnInplaceEditKeyPress = TMethod<void(TMoxGridView_Custom* aMoxGrid, QChar& Key)>;

// Reads a date in the short date format; when that format shows month names
// ("MMM"), the first occurrence of each month's short name is replaced by its
// number first. Raises EConvertError for a text it cannot read.
TDateTime SafeStrToDate(const QString& aText);

// Text content of a simple cell of a view.
class TMoxSimpleCellStringData : public TMoxSimpleCellData
{
public:
    QString Text;
    // The cell shows a check box, checked when the text is "TRUE" in any case.
    bool IsBoolean = false;

    // Hands the content to the view's InitContent.
    void InitContent() override;
    // Stores the text; a wrapping cell is measured again.
    void SetString(const QString& aText);
};

// Content of a nested grid cell of a view.
class TMoxSubGridCellData : public TMoxGridCellData
{
public:
    // Hands the content to the view's initSubGridContent.
    void InitContent() override;
};

// The grid view: lays out, scrolls and paints a grid content (cells that may
// nest whole grids), with in-place editing, selection and user sizing.
class TMoxGridView_Custom : public TqvOffscreenPaint
{
public:
    explicit TMoxGridView_Custom(QWidget* aOwner = nullptr);
    ~TMoxGridView_Custom() override;

    TMoxGridCellForViewer* GetRootCell() const { return FRootCell.get(); }
    TScrollbar_qv* GetHorzScrollBar() const { return FHorzScrollBar; }
    TScrollbar_qv* GetVertScrollBar() const { return FVertScrollBar; }
    TLayoutProp* GetDefaultLayout() const { return FDefaultLayout.get(); }

    // Published properties.
    bool GetEditing() const { return FEditing; }
    bool GetRowSelect() const { return FRootCell->RowSelect; }
    void SetRowSelect(bool aValue) { FRootCell->RowSelect = aValue; }
    bool GetMultiSelect() const { return FRootCell->MultiSelect; }
    void SetMultiSelect(bool aValue) { FRootCell->MultiSelect = aValue; }
    bool GetAutoEditMode() const { return FAutoEditMode; }
    void SetAutoEditMode(bool aValue) { FAutoEditMode = aValue; }
    TCustomImageList* GetImageList() const { return FImageList; }
    // Setting the image list requests a hard update.
    void SetImageList(TCustomImageList* aValue);
    bool GetFocusRect_Cell() const { return FFocusRect_Cell; }
    void SetFocusRect_Cell(bool aValue);
    bool GetFocusRect_Grid() const { return FFocusRect_Grid; }
    void SetFocusRect_Grid(bool aValue);
    bool GetStopEditOnFocusChange() const { return FStopEditOnFocusChange; }
    void SetStopEditOnFocusChange(bool aValue) { FStopEditOnFocusChange = aValue; }
    bool GetShowLinesTree() const { return FShowLinesTree; }
    void SetShowLinesTree(bool aValue);
    bool GetEnterStartsEditing() const { return FEnterStartsEditing; }
    void SetEnterStartsEditing(bool aValue) { FEnterStartsEditing = aValue; }
    bool GetTypeAheadEnabled() const { return FTypeAheadEnabled; }
    void SetTypeAheadEnabled(bool aValue) { FTypeAheadEnabled = aValue; }
    TMoxCell* GetSortCell() const { return FSortCell; }
    void SetSortCell(TMoxCell* aCell, bool aDescending);
    bool GetSortDescending() const { return FSortDescending; }
    // The cells whose tree buttons the last paint drew.
    const std::vector<TMoxCell*>& GetButtonCells() const { return FButtonCells; }
    // While OnAxisChanged runs: the top (client pixels) from which placed
    // rows move or change with the change reported; 0 when all of them may,
    // -1 when none does (rows added after the last placed row).
    int GetAxisChangeTop() const { return FAxisChangeTop; }
    bool GetHardUpdatePending() const { return FHardUpdatePending; }
    // Does the layout (and the bars) a paint would do first, without
    // painting; the paint owed stays owed.
    virtual void LayoutNow();
    bool GetSoftUpdatePending() const { return FSoftUpdatePending; }
    bool GetVertScrollHijacked() const { return FVertScrollHijacked; }

    // The root content is initialised before the next paint.
    void Init();
    // Sizes are recomputed before the next paint.
    void RecalcExtents();
    void UpdateScrollbars();
    // Another control places the vertical bar while hijacked; answers the bar.
    TScrollbar_qv* HijackVerticalScroll(bool aHijack);
    // Scrolls the least needed to show visible index aValue on the bar.
    void SetScrollbarPosition(TScrollbar_qv* aBar, int aValue);
    void MakeSureFocusedIsVisible();
    // The rectangle the cells are drawn in: the client area less the visible bars.
    TRect GetDrawRect() const;
    QString GetText(TMoxCell* aCell) const;
    void SetText(TMoxCell* aCell, const QString& aText);
    // The cell's drawing rectangle (after indentation) without its tree button.
    TRect GetEditRect(TMoxCell* aCell);
    // aIndex when it is negative or shown; else the first shown column to its
    // right, or the nearest one to its left, or aIndex when all are hidden.
    int GetClosestUnHiddenLeftColumn(int aIndex);
    bool GridScrollVisibleHorizontal() const;
    bool GridScrollVisibleVertical() const;
    void SetCursorGrid(TCursor aCursor);
    void PossibleScroll(TScrollDirection aDirection) override;
    // Scrolls one row up or left, or a page down or right, when that bar shows.
    void PublicScroll(TScrollDirection aDirection);

    // Input. Zones are tested in client pixels of the last layout.
    TMMode GetSizingMode() const;
    // While designing (GetDesigning) only column and row borders react to the mouse.
    // On the border between two header cells, or on the outer edge of the
    // last one: aCell is the header cell before the border.
    bool InResizeZone(int x, int y, bool& aIsColumnBorder, TMoxCell*& aCell);
    bool InSortZone(int x, int y, TMoxCell* aCell);
    // Inside the tree button box of aCell (of its focused cell for a grid cell).
    bool InButtonZone(int x, int y, TMoxCell* aCell);
    bool InCheckBox(int x, int y, TMoxCell* aCell);
    // Sizes aCell's column to the widest text of its shown rows.
    void HandleAutoSize(TMoxCell* aCell, bool aIsColumn);
    // Makes aCell's column (or row) aDelta pixels larger as a user size (not below 0).
    void DoResize(int aDelta, TMoxCell* aCell, bool aIsColumn);
    // Moves the focus from the focused cell in aDirection; Shift extends the
    // selection, Ctrl toggles.
    void Scroll(TMoxDirection aDirection, TShiftState aShift);
    // Draws the sizing line on the window by inversion, erasing the one before.
    void TrackWLine(int x1, int y1, int x2, int y2);
    // Puts the selected cells of the focused cell's grid on the clipboard
    // (tab between columns, a line per row), or the focused cell's text when
    // it is the only one.
    void CopyToClipboard();
    TMoxGridViewInput* GetInput() const { return FInput.get(); }
    void BeginUpdate() override;
    void EndUpdate() override;

    // Drawing pieces, public for descendants and printing.
    static void DrawCheckBox(TCanvas* aCanvas, const TRect& aRect, bool aChecked);
    void DrawSortingSymbol(TMoxCell* aCell, bool aDescending, const TRect& aRect);
    static void DrawFocusRect(TCanvas* aCanvas, const TRect& aRect);
    // The text-drawing flags of a cell (without the measuring flag).
    static unsigned GetFlags(const TMoxCell* aCell);
    // Selection colour: highlight while focused, white when printing, button face otherwise.
    TColor GetHighlightColor();

    // Published events.
    // Makes the cells of the root grid; unassigned, the default cells are made.
    TOnCreateCell OnCreateCell;
    // A nested grid cell was made: the handler sets up its grid.
    TOninitSubGridContent OninitSubGridContent;
    // A simple cell was made: the handler fills its text.
    TOnInitContent OnInitContent;
    // The user resized a column (horizontal) or a row.
    TOnAfterUserSize OnAfterUserSize;
    // The grid scrolled or the focused cell changed.
    TNotifyEvent OnTopLeftChanged;
    // The selection changed.
    TNotifyEvent OnSelectionChanged;
    // A cell is about to be drawn, before its text is read.
    TCellEvent OnBeforeRenderCell;
    // Draws a cell; leaving aDefaultDraw true draws its text or check box as usual.
    TOnUserRenderCell OnUserRenderCell;
    // A row (or column) is loaded: the handler fills it.
    TOnVirtualLoad OnVirtualLoad;
    // A row (or column) may be unloaded when the handler allows it.
    TOnVirtualUnLoad OnVirtualUnLoad;
    // Events a grid component publishes.
    // The button of a cell (a tree button) was clicked.
    TCellEvent OnButtonClick;
    // Indentation of a cell's content in pixels (default 0).
    TOnCellInset OnCellInset;
    // Whether a cell's tree button shows expanded (default false).
    TOnCellBooleanEvent OnIsButtonExpanded;
    // Whether a cell's tree node has no children (default true).
    TOnCellBooleanEvent OnIsButtonTerminal;
    // Whether a cell's tree node has children that are shown.
    TOnCellBooleanEvent OnButtonHasNonHiddenChildren;
    // Whether a cell may be edited (default true).
    TOnCellBooleanEvent OnEditorCanModify;
    // The cell of the parent tree node of a cell (default none).
    TOnCellGetCellEvent OnGetParentButtonCell;
    // The grid's size changed.
    TNotifyEvent OnGridResize;
    // Columns or rows were inserted, dropped, moved, hidden, loaded or unloaded.
    TNotifyEvent OnAxisChanged;
    // A right click on a cell.
    TCellEvent OnRightClick;
    // A cell's selected state changed.
    TCellEvent OnCellSelectionChanged;
    // Public only.
    // Draws a cell's button instead of the default tree button.
    TOnRenderButton OnRenderButton;
    // The vertical scroll bar was shown or hidden.
    TNotifyEvent OnVertScrollVisibleChanged;
    // Whether a cell has a button (set by the grid component).
    TOnCellBooleanEvent OnCellHasButton;

    // Called by the contents defined with the view.
    virtual void InitContent(TMoxSimpleCellStringData* aData);
    virtual void initSubGridContent(TMoxSubGridCellData* aData);

    // In-place editing. StartEditing opens the chosen editor over the focused
    // simple cell; StopEditing stores its text in the cell (only while
    // editing); BreakEditing closes it and stores nothing. A date or time the
    // picker cannot read undoes the start and raises EConvertError.
    virtual void StartEditing();
    virtual void StopEditing();
    virtual void BreakEditing();
    // Starts editing a Boolean cell and toggles it at once.
    void CheckBoxEditWithoutEditMode();
    TMoxCell* GetEditCell() const { return FEditCell; }
    TMoxEditorType GetEditorChoice() const { return FEditorChoice; }
    QWidget* GetActiveEditor() const { return FActiveEditor; }
    TMoxInplaceEditor* GetEditEditor() const { return FEditEditor; }
    TMoxInplaceMemoEditor* GetMemoEditor() const { return FMemoEditor; }
    TMoxInplaceComboEditor* GetComboEditor() const { return FComboEditor; }
    TMoxInplaceBoolEditor* GetBoolEditor() const { return FBoolEditor; }
    TMoxInplaceDateTimeEditor* GetDateTimeEditor() const { return FDateTimeEditor; }
    // The process-wide hooks called with every start and stop of editing in any view.
    static void InstallClassEvents(TCellEvent aOnEditStart, TCellEvent aOnEditStop);

    // Gives the text an editor starts with: the cell's text.
    virtual void InitEditor(QWidget* aEditor, TMoxCell* aCell, QString& aText);
    // Stores the result (nothing when aBroken); an edit clears the sort marker.
    virtual void DeInitEditor(QWidget* aEditor, TMoxCell* aCell, bool aBroken, QString aText);
    virtual bool EditorCanModify(TMoxCell* aCell);
    virtual bool EditorValidKey(QChar /*aKey*/) { return true; }
    // The character filter of every editor: Enter and Tab store, Escape
    // cancels, characters that change the text need EditorCanModify.
    void EditorKeyPress(QChar& aKey, bool aMultiLine);
    // Called by the editors.
    void EditorChanged(QWidget* anEditor);
    void EditorFocusLost(QWidget* anEditor);

    // Chooses the in-place editor of a cell.
    TOnChooseEditor OnChooseEditor;
    // Editing stopped and the result was stored.
    TOnEditStop OnEditStop;
    // The text of the active in-place editor changed.
    TOnInplaceEditOnChange OnInplaceEditOnChange;
    // A key was typed into the active in-place editor; the handler may change or drop it.
    TOnInplaceEditKeyPress OnInplaceEditKeyPress;

protected:
    using TqvOffscreenPaint::FocusChanged;

    virtual void OnCellDeInit(TMoxCell* aCell);
    virtual bool GetExpandLastColumnIfShort() { return false; }
    virtual void FocusChanged(TMoxCell* /*aFocusedCell*/) {}
    virtual void SetGridCursor(TCursor aCursor);
    virtual void HardViewParamsUpdate();
    virtual void SoftViewParamsUpdate();
    virtual void TopLeftChanged();
    virtual void DoGridResize();
    virtual void UserSizeChanged(TAxisContentItem* /*aItem*/) {}
    virtual void DoButtonAction(TMoxCell* aCell);
    virtual bool IsButtonExpanded(TMoxCell* aCell);
    virtual bool IsButtonTerminal(TMoxCell* aCell);
    virtual TMoxCell* GetParentButtonCell(TMoxCell* aCell);
    virtual bool ButtonHasNonHiddenChildren(TMoxCell* aCell);
    virtual int CellInset(TMoxCell* aCell);
    virtual bool CellHasIcon(TMoxCell* /*aCell*/) { return false; }
    virtual int CellIconIndex(TMoxCell* /*aCell*/) { return 0; }
    virtual void OnAxisChange(TSingleEventListener* aListener);
    virtual void OnTopLeftChangeEvent(TSingleEventListener* aListener);
    virtual void OnFocusedCellChange(TSingleEventListener* aListener);
    virtual void _OnMeasureHeight(TMoxGridCell* aGridCell, TMoxCell* aCell, int& aHeight);
    virtual bool _OnCheckCellGrouping(TMoxCell* /*aGroupingCell*/, TMoxCell* /*aTestCell*/) { return false; }
    virtual void _OnVirtualLoad(TMoxGridCell* aCaller, TAxisContentItem* aItem, bool aRowNotColumn);
    virtual void _OnVirtualUnLoad(TMoxGridCell* aCaller, TAxisContentItem* aItem, bool aRowNotColumn,
                                  bool aUnloadPerform, bool& aCanUnload);
    virtual void _OnKeepAfterUnLoad(TMoxGridCell*, TAxisContentItem*, bool, bool& aKeep) { aKeep = true; }
    virtual void _OnUnloaded(TMoxGridCell*, TAxisContentItem*, bool) {}
    virtual void _OnUnloadIntervall(TMoxGridCell*, TAxisContentItem*, bool, int&, int&) {}
    virtual void _OnDeleteOfUnloaded(TMoxGridCell*, bool, int&, int&) {}
    virtual void DoSortCell(TMoxCell* /*aCell*/, bool /*aDescending*/) {}
    virtual bool CheckSortAllow(TMoxCell* /*aCell*/) { return false; }
    virtual void PreDrawGetStringAndSetAttributes(TMoxCell* aCell, QString& aText, bool& aIsStringEdit,
                                                  bool& aBoolean);
    virtual void PostDrawGetStringAndSetAttributes(TMoxCell*, QString&, bool&, bool&) {}
    virtual bool DecideScrollVisible(TScrollbar_qv* aBar);
    virtual int GetFullyVisibleColumns() { return FRootCell->VisibleColumnCount; }
    virtual TMoxCellDataClass GetGridCellDataClass() { return MoxCellDataClassOf<TMoxSubGridCellData>(); }
    virtual TMoxCellDataClass GetSimpleCellDataClass()
    {
        return MoxCellDataClassOf<TMoxSimpleCellStringData>();
    }
    virtual int GetWidthOffAxisContentItemForHeightCalculation(TMoxGridCell* aGridCell,
                                                               TAxisContentItem* aColumn);

    // Painting.
    void OffscreenPaint() override;
    void Resize() override;
    void OnDrawMoxCell(TRect aRect, TMoxCell* aCell, TMoxDrawStateSet aState);
    void SetRenderAttributes(TMoxCell* aCell, TMoxDrawStateSet aState, QString& aText, bool& aIsStringEdit,
                             bool& aBoolean);
    void DivideTheRectIntoSections(TMoxCell* aCell, TMoxDrawStateSet aState, TRect& aTextRect,
                                   TRect& aIconRect, TRect& aButtonRect, const TRect& aRect, bool aDraw);
    void DoLines(const TRect& aRect, TMoxCell* aCell, TMoxDrawStateSet aState);
    void DrawButtonsAndLines();
    void RenderButton(TMoxCell* aCell, const TRect& aRect);
    void OnCellRectTampering(TMoxGridCell* aCaller, TMoxCell* aCell, TRect& aRect);
    void _OnScaleRect(TRect& aRect);
    // Whether the view or its active editor has the keyboard focus.
    bool HasGridFocus() const;

    // Mouse and keys (qvMoxGridViewInput.cpp, qvMoxGridViewKeys.cpp).
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DblClick() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
    void DoEndDrag(TObject* Target, int X, int Y) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

    // Scroll-bar handlers.
    void OnHorzScroll(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos);
    void OnVertScroll(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos);

    TLayoutProp* FLastAppliedLayout = nullptr;

    TMoxEditorType InternalGetEditorType(TMoxCell* aCell);
    // The editor-choice hook; a grid component chooses by column kind.
    virtual void ChooseEditor(TMoxSimpleCellStringData* aData, TMoxEditorType& aChoice);

private:
    friend struct TMoxGridViewInput;
    // A press with automatic drag mode: handled as a press, then a drag starts.
    void AutoDragPress(QMouseEvent* e, bool aDouble);
    void SortByHeader(TMoxCell* aCell);
    void DelayedEditTimer(TObject* Sender);
    void DeferredTypeAhead(TObject* aData);
    // The type-ahead search over the loaded rows of the focused cell's column.
    void TypeAheadSearch();
    // Forgets input state that points at a cell being de-initialised.
    void InputCellGone(TMoxCell* aCell);
    // The result text of the active editor.
    QString EditorResultText(QWidget* anEditor) const;
    // Hides every editor; one that has the focus hands it to the view.
    void StopAllEditors();
    // Leaves the editing state: hooks, focus and repaint.
    void EndEditingState();
    void ApplyEditorFont(QWidget* anEditor, TMoxCell* aCell);
    // Stores (or, when aBroken, drops) the result and leaves the editing state.
    void FinishEditing(bool aBroken);
    // The edited cell is being de-initialised: cancel without storing.
    void EditCellGone();
    // Whether the edited cell lies in aItem's row or column (at any nesting level).
    bool IsEditCellWithin(const TAxisContentItem* aItem) const;
    void CreateEditors();
    void DestroyEditors();
    void OnUserSizeChangedEvent(TSingleEventListener* aListener);
    void OnSelectionChangedEvent(TSingleEventListener* aListener);
    void DeferredMakeSureFocusedIsVisible(TObject* aData);
    // The button section of a cell's drawing rectangle.
    TRect ButtonRectOf(TMoxCell* aCell);
    void DrawDefaultLines(const TRect& aRect, TMoxCell* aCell);
    // Draws a cell's text with the flags; a plain one-line text is replayed
    // from the layout cache on the cell's background.
    void DrawCellText(TCanvas* aCanvas, const QString& aText, const TRect& aRect, unsigned aFlags);
    void DrawLayoutLines(TRect aRect, TMoxCell* aCell);
    // Lays out and updates the bars until the drawing rectangle holds still.
    void LayoutAndScrollbars();
    // The pending content initialisation, hard and soft updates.
    void UpdateViewParams();
    // The top from which the axis change being raised alters the picture, by
    // the last layout (see GetAxisChangeTop).
    int RowChangeTop() const;
    void DeferredScrollbars(TObject*);
    void SetBarParams(TScrollbar_qv* aBar, int aPage, int aPosition, int aMin, int aMax);

    std::unique_ptr<TMoxGridCellForViewer> FRootCell;
    TScrollbar_qv* FHorzScrollBar = nullptr; // children of the view
    TScrollbar_qv* FVertScrollBar = nullptr;
    bool FVertScrollHijacked = false;
    bool FHardUpdatePending = true;
    bool FSoftUpdatePending = true;
    // The bars owe an update for rows added out of view (see DeferredScrollbars).
    bool FScrollbarsPending = false;
    bool FLayoutRunning = false;
    int FAxisChangeTop = 0;
    // The placed columns and the drawing rectangle of the last paint.
    struct TPlacedItem {
        TAxisContentItem* Item = nullptr;
        int Position = 0;
        int Size = 0;
        bool operator==(const TPlacedItem&) const = default;
    };
    std::vector<TPlacedItem> FPaintedColumns;
    TRect FPaintedDrawRect;
    bool FInitPending = false;
    bool FToggleOnStart = false;
    bool FStopInProgress = false;
    bool FEditing = false;
    TMoxCell* FEditCell = nullptr;
    TMoxEditorType FEditorChoice = moxETEdit;
    QWidget* FActiveEditor = nullptr;
    bool FStartInProgress = false;
    // Children of the view, made once.
    TMoxInplaceEditor* FEditEditor = nullptr;
    TMoxInplaceMemoEditor* FMemoEditor = nullptr;
    TMoxInplaceComboEditor* FComboEditor = nullptr;
    TMoxInplaceBoolEditor* FBoolEditor = nullptr;
    TMoxInplaceDateTimeEditor* FDateTimeEditor = nullptr;
    std::unique_ptr<TLayoutProp> FDefaultLayout;
    std::vector<TMoxCell*> FButtonCells;
    TMoxCell* FSortCell = nullptr;
    bool FSortDescending = false;
    TCustomImageList* FImageList = nullptr;
    bool FFocusRect_Cell = true;
    bool FFocusRect_Grid = true;
    bool FShowLinesTree = true;
    bool FStopEditOnFocusChange = true;
    bool FEnterStartsEditing = true;
    bool FTypeAheadEnabled = true;
    bool FAutoEditMode = false;
    TCursor FGridCursor = crDefault;
    std::unique_ptr<TMoxGridViewInput> FInput;
    std::vector<std::unique_ptr<TSingleEventListener>> FListeners;
    TTextLayoutCache FTextCache;
};

// The published grid view.
class TMoxGridView : public TMoxGridView_Custom
{
public:
    using TMoxGridView_Custom::TMoxGridView_Custom;
};

} // namespace skedra
