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
    bool GetHardUpdatePending() const { return FHardUpdatePending; }
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
    void PublicScroll(TScrollDirection aDirection);
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
    TOnCreateCell OnCreateCell;
    TOninitSubGridContent OninitSubGridContent;
    TOnInitContent OnInitContent;
    TOnAfterUserSize OnAfterUserSize;
    TNotifyEvent OnTopLeftChanged;
    TNotifyEvent OnSelectionChanged;
    TCellEvent OnBeforeRenderCell;
    TOnUserRenderCell OnUserRenderCell;
    TOnVirtualLoad OnVirtualLoad;
    TOnVirtualUnLoad OnVirtualUnLoad;
    // Events a grid component publishes.
    TCellEvent OnButtonClick;
    TOnCellInset OnCellInset;
    TOnCellBooleanEvent OnIsButtonExpanded;
    TOnCellBooleanEvent OnIsButtonTerminal;
    TOnCellBooleanEvent OnButtonHasNonHiddenChildren;
    TOnCellBooleanEvent OnEditorCanModify;
    TOnCellGetCellEvent OnGetParentButtonCell;
    TNotifyEvent OnGridResize;
    TNotifyEvent OnAxisChanged;
    TCellEvent OnRightClick;
    TCellEvent OnCellSelectionChanged;
    // Public only.
    TOnRenderButton OnRenderButton;
    TNotifyEvent OnVertScrollVisibleChanged;
    TOnCellBooleanEvent OnCellHasButton;

    // Called by the contents defined with the view.
    virtual void InitContent(TMoxSimpleCellStringData* aData);
    virtual void initSubGridContent(TMoxSubGridCellData* aData);

    // Editing is built on top of this view; these keep its state consistent.
    virtual void StartEditing() {}
    virtual void StopEditing() { FEditing = false; }
    virtual void BreakEditing() { FEditing = false; }

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

    // Scroll-bar handlers.
    void OnHorzScroll(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos);
    void OnVertScroll(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos);

    TLayoutProp* FLastAppliedLayout = nullptr;

private:
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
    void SetBarParams(TScrollbar_qv* aBar, int aPage, int aPosition, int aMin, int aMax);

    std::unique_ptr<TMoxGridCellForViewer> FRootCell;
    TScrollbar_qv* FHorzScrollBar = nullptr; // children of the view
    TScrollbar_qv* FVertScrollBar = nullptr;
    bool FVertScrollHijacked = false;
    bool FHardUpdatePending = true;
    bool FSoftUpdatePending = true;
    bool FInitPending = false;
    bool FEditing = false;
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
