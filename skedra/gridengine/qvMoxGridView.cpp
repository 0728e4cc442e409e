// The grid view: construction, the pending-update cycle, scroll bars, event
// routing from the root cell and the default hooks. Cell painting is in
// qvMoxGridViewPaint.cpp.

#include "skedra/gridengine/qvMoxGridView.h"

#include <QScopedValueRollback>
#include <algorithm>

#include "skedra/foundation/DoLater.h"
#include "skedra/gridengine/qvMoxGridViewInput_p.h"
#include "skedra/platform/Messages.h"

namespace skedra
{

// ---------------------------------------------------------------------------
// Contents

namespace
{
TMoxGridView_Custom* ViewOf(TMoxCell* aCell)
{
    TMoxGridCellForViewer* root = aCell ? aCell->GetViewer() : nullptr;
    return root ? dynamic_cast<TMoxGridView_Custom*>(root->GetViewer()) : nullptr;
}
} // namespace

void TMoxSimpleCellStringData::InitContent()
{
    if (TMoxGridView_Custom* view = ViewOf(Cell))
        view->InitContent(this);
    else
        TMoxSimpleCellData::InitContent();
}

void TMoxSimpleCellStringData::SetString(const QString& aText)
{
    Text = aText;
    if (Cell && Cell->Layout && Cell->Layout->WrapTextAndFit) {
        Cell->CalculatedHeight = 0;
        if (TMoxGridView_Custom* view = ViewOf(Cell)) view->RecalcExtents();
    }
}

void TMoxSubGridCellData::InitContent()
{
    if (TMoxGridView_Custom* view = ViewOf(Cell))
        view->initSubGridContent(this);
    else
        TMoxGridCellData::InitContent();
}

// ---------------------------------------------------------------------------
// Construction

TMoxGridView_Custom::TMoxGridView_Custom(QWidget* aOwner) : TqvOffscreenPaint(aOwner)
{
    SetBorderStyle(bsSingle);
    SetBevelInner(bvNone);
    SetBevelOuter(bvNone);
    SetColor(clWindow);

    FDefaultLayout = std::make_unique<TLayoutProp>();
    FDefaultLayout->MinHeight = 20;
    FDefaultLayout->MinWidth = 20;
    FDefaultLayout->FrontColor = clBlack;
    FDefaultLayout->BackColor = clWindow;
    FDefaultLayout->UseFontInfo = false;

    // The content classes are asked when each cell is made, so that a
    // descendant's answer counts once it is constructed.
    FRootCell = std::make_unique<TMoxGridCellForViewer>(
        this, [this] { return GetGridCellDataClass()(); }, [this] { return GetSimpleCellDataClass()(); });
    SetTabStop(true);

    auto listen = [this](TEvent* anEvent, TOnEvent aHandler) {
        FListeners.push_back(std::make_unique<TSingleEventListener>(anEvent, std::move(aHandler)));
    };
    listen(FRootCell->AxisChangedEvent.get(), MakeMethod<&TMoxGridView_Custom::OnAxisChange>(this));
    listen(FRootCell->TopLeftChangedEvent.get(),
           MakeMethod<&TMoxGridView_Custom::OnTopLeftChangeEvent>(this));
    listen(FRootCell->FocusChangedEvent.get(), MakeMethod<&TMoxGridView_Custom::OnFocusedCellChange>(this));
    listen(FRootCell->UserSizeChangedEvent.get(),
           MakeMethod<&TMoxGridView_Custom::OnUserSizeChangedEvent>(this));
    listen(FRootCell->SelectionChangedEvent.get(),
           MakeMethod<&TMoxGridView_Custom::OnSelectionChangedEvent>(this));

    FHorzScrollBar = new TScrollbar_qv(this);
    FHorzScrollBar->SetKind(sbHorizontal);
    FHorzScrollBar->SetVisible(false);
    FHorzScrollBar->OnScroll = MakeMethod<&TMoxGridView_Custom::OnHorzScroll>(this);
    FVertScrollBar = new TScrollbar_qv(this);
    FVertScrollBar->SetKind(sbVertical);
    FVertScrollBar->SetVisible(false);
    FVertScrollBar->OnScroll = MakeMethod<&TMoxGridView_Custom::OnVertScroll>(this);
    FHardUpdatePending = true;
    FSoftUpdatePending = true;

    TMoxGridCellForViewer* root = FRootCell.get();
    root->OnMeasureHeight = MakeMethod<&TMoxGridView_Custom::_OnMeasureHeight>(this);
    root->OnCellRectTampering = MakeMethod<&TMoxGridView_Custom::OnCellRectTampering>(this);
    root->OnScaleRect = MakeMethod<&TMoxGridView_Custom::_OnScaleRect>(this);
    root->OnCheckCellGrouping = MakeMethod<&TMoxGridView_Custom::_OnCheckCellGrouping>(this);
    root->OnVirtualLoad = MakeMethod<&TMoxGridView_Custom::_OnVirtualLoad>(this);
    root->OnVirtualUnLoad = MakeMethod<&TMoxGridView_Custom::_OnVirtualUnLoad>(this);
    root->OnKeepAfterUnloadCheck = MakeMethod<&TMoxGridView_Custom::_OnKeepAfterUnLoad>(this);
    root->OnUnloaded = MakeMethod<&TMoxGridView_Custom::_OnUnloaded>(this);
    root->OnUnloadIntervall = MakeMethod<&TMoxGridView_Custom::_OnUnloadIntervall>(this);
    root->OnDeleteOfUnloaded = MakeMethod<&TMoxGridView_Custom::_OnDeleteOfUnloaded>(this);
    root->OnDeInitCell = MakeMethod<&TMoxGridView_Custom::OnCellDeInit>(this);
    root->OnCreateCell = [this](TMoxGridCell* caller, TAxisContentItem* x, TAxisContentItem* y) {
        return OnCreateCell ? OnCreateCell(caller, x, y) : moxCellTypeSimple;
    };
    CreateEditors();
    FInput = std::make_unique<TMoxGridViewInput>();
    FInput->DelayedEditTimer = new TTimer(this);
    FInput->DelayedEditTimer->SetEnabled(false);
    FInput->DelayedEditTimer->SetInterval(TMoxGridViewInput::kDelayedEditMs);
    FInput->DelayedEditTimer->OnTimer = MakeMethod<&TMoxGridView_Custom::DelayedEditTimer>(this);
    Invalidate();
}

TMoxGridView_Custom::~TMoxGridView_Custom()
{
    MarkDestroying();
    TDoLater::NeverMind(MakeMethod<&TMoxGridView_Custom::DeferredMakeSureFocusedIsVisible>(this));
    TDoLater::NeverMind(MakeMethod<&TMoxGridView_Custom::DeferredTypeAhead>(this));
    TDoLater::NeverMind(MakeMethod<&TMoxGridView_Custom::DeferredScrollbars>(this));
    delete FInput->DelayedEditTimer;
    FInput->DelayedEditTimer = nullptr;
    FListeners.clear();
    DestroyEditors();
    // The cells go first, while the hooks they call still find a whole view.
    FRootCell.reset();
    FButtonCells.clear();
}

// ---------------------------------------------------------------------------
// Properties

void TMoxGridView_Custom::SetImageList(TCustomImageList* aValue)
{
    FImageList = aValue;
    RecalcExtents();
}

void TMoxGridView_Custom::SetFocusRect_Cell(bool aValue)
{
    FFocusRect_Cell = aValue;
    Invalidate();
}

void TMoxGridView_Custom::SetFocusRect_Grid(bool aValue)
{
    FFocusRect_Grid = aValue;
    Invalidate();
}

void TMoxGridView_Custom::SetShowLinesTree(bool aValue)
{
    FShowLinesTree = aValue;
    Invalidate();
}

void TMoxGridView_Custom::SetSortCell(TMoxCell* aCell, bool aDescending)
{
    FSortCell = aCell;
    FSortDescending = aDescending;
    Invalidate();
}

void TMoxGridView_Custom::Init()
{
    FInitPending = true;
    Invalidate();
}

void TMoxGridView_Custom::RecalcExtents()
{
    FHardUpdatePending = true;
    Invalidate();
}

void TMoxGridView_Custom::BeginUpdate()
{
    TqvOffscreenPaint::BeginUpdate();
}
void TMoxGridView_Custom::EndUpdate()
{
    TqvOffscreenPaint::EndUpdate();
}

void TMoxGridView_Custom::SetCursorGrid(TCursor aCursor)
{
    FGridCursor = aCursor;
    SetCursor(aCursor);
}

void TMoxGridView_Custom::SetGridCursor(TCursor aCursor)
{
    if (GetCursor() != aCursor) SetCursor(aCursor);
}

QString TMoxGridView_Custom::GetText(TMoxCell* aCell) const
{
    auto* data = aCell ? dynamic_cast<TMoxSimpleCellStringData*>(aCell->CellData.get()) : nullptr;
    return data && aCell->CellType() == moxCellTypeSimple ? data->Text : QString();
}

void TMoxGridView_Custom::SetText(TMoxCell* aCell, const QString& aText)
{
    auto* data = aCell ? dynamic_cast<TMoxSimpleCellStringData*>(aCell->CellData.get()) : nullptr;
    if (!data || aCell->CellType() != moxCellTypeSimple) return;
    data->SetString(aText);
    Invalidate();
}

int TMoxGridView_Custom::GetClosestUnHiddenLeftColumn(int aIndex)
{
    TAxisContentList* cols = FRootCell->ColumnList.get();
    auto shown = [cols](int i) {
        TAxisContentItem* item = cols->getAxisContentItem(i);
        return item && !item->Hidden;
    };
    if (aIndex < 0 || aIndex >= cols->Count() || shown(aIndex)) return aIndex;
    for (int i = aIndex + 1; i < cols->Count(); ++i)
        if (shown(i)) return i;
    for (int i = aIndex - 1; i >= 0; --i)
        if (shown(i)) return i;
    return aIndex;
}

// ---------------------------------------------------------------------------
// Contents and hooks

void TMoxGridView_Custom::InitContent(TMoxSimpleCellStringData* aData)
{
    if (aData->Cell && !aData->Cell->GetIsFixed()) aData->Cell->Layout = FDefaultLayout.get();
    OnInitContent(this, aData);
}

void TMoxGridView_Custom::initSubGridContent(TMoxSubGridCellData* aData)
{
    OninitSubGridContent(this, aData);
}

void TMoxGridView_Custom::OnCellDeInit(TMoxCell* aCell)
{
    if (aCell == FEditCell) EditCellGone();
    InputCellGone(aCell);
    if (FSortCell == aCell) FSortCell = nullptr;
    std::erase(FButtonCells, aCell);
}

void TMoxGridView_Custom::DoButtonAction(TMoxCell* aCell)
{
    OnButtonClick(this, aCell);
}
bool TMoxGridView_Custom::IsButtonExpanded(TMoxCell* aCell)
{
    return OnIsButtonExpanded ? OnIsButtonExpanded(this, aCell) : false;
}
bool TMoxGridView_Custom::IsButtonTerminal(TMoxCell* aCell)
{
    return OnIsButtonTerminal ? OnIsButtonTerminal(this, aCell) : true;
}
TMoxCell* TMoxGridView_Custom::GetParentButtonCell(TMoxCell* aCell)
{
    return OnGetParentButtonCell ? OnGetParentButtonCell(this, aCell) : nullptr;
}
bool TMoxGridView_Custom::ButtonHasNonHiddenChildren(TMoxCell* aCell)
{
    return OnButtonHasNonHiddenChildren ? OnButtonHasNonHiddenChildren(this, aCell) : true;
}
int TMoxGridView_Custom::CellInset(TMoxCell* aCell)
{
    return OnCellInset ? OnCellInset(this, aCell) : 0;
}

void TMoxGridView_Custom::_OnVirtualLoad(TMoxGridCell* aCaller, TAxisContentItem* aItem, bool aRowNotColumn)
{
    OnVirtualLoad(aCaller, aItem, aRowNotColumn);
}

void TMoxGridView_Custom::_OnVirtualUnLoad(TMoxGridCell* aCaller, TAxisContentItem* aItem, bool aRowNotColumn,
                                           bool aUnloadPerform, bool& aCanUnload)
{
    OnVirtualUnLoad(aCaller, aItem, aRowNotColumn, aUnloadPerform, aCanUnload);
}

int TMoxGridView_Custom::GetWidthOffAxisContentItemForHeightCalculation(TMoxGridCell*,
                                                                        TAxisContentItem* aColumn)
{
    return aColumn ? aColumn->GetUserSize() : 0;
}

void TMoxGridView_Custom::PreDrawGetStringAndSetAttributes(TMoxCell* aCell, QString& aText,
                                                           bool& aIsStringEdit, bool& aBoolean)
{
    OnBeforeRenderCell(this, aCell);
    auto* data = dynamic_cast<TMoxSimpleCellStringData*>(aCell->CellData.get());
    aText = data ? data->Text : QString();
    aIsStringEdit = true;
    if (data && data->IsBoolean) {
        aIsStringEdit = false;
        aBoolean = aText.toUpper() == QLatin1String("TRUE");
    }
}

// ---------------------------------------------------------------------------
// Events from the root cell

void TMoxGridView_Custom::OnAxisChange(TSingleEventListener*)
{
    if (IsDestroying()) return;
    // An edit in a row or column about to be removed is dropped, not stored.
    if (IsEditCellWithin(FRootCell->DroppingItem))
        BreakEditing();
    else
        StopEditing();
    // Rows after the last placed one, with the layout up to date, change
    // nothing on screen but the bars; rows from a placed one on change the
    // picture from there down.
    const int top = FLayoutRunning || FHardUpdatePending || FSoftUpdatePending ? 0 : RowChangeTop();
    const QScopedValueRollback reported(FAxisChangeTop, top);
    if (top < 0) {
        FScrollbarsPending = true;
        TDoLater::DoLater(MakeMethod<&TMoxGridView_Custom::DeferredScrollbars>(this));
        OnAxisChanged(this);
        return;
    }
    FHardUpdatePending = true;
    OnAxisChanged(this);
    // Tree lines run from a parent's (or the top's) button down to each child
    // placed: a row coming or going changes the lines above it too.
    if (top == 0 || (FShowLinesTree && !FButtonCells.empty()))
        Invalidate();
    else
        InvalidateRect(TRect(0, top, GetWidth(), GetHeight()));
}

int TMoxGridView_Custom::RowChangeTop() const
{
    TMoxGridCellForViewer* root = FRootCell.get();
    const int from = root->AxisChangeFirstRow;
    TAxisContentList* rows = root->RowList.get();
    if (from < 0 || rows->VisibleItems.empty()) return 0;
    int bottom = 0;
    for (TAxisContentItem* item : rows->VisibleItems) {
        if (item->ListIndex() >= from) return std::max(0, root->DrawRect.Top + item->Position);
        bottom = item->Position + item->Size;
    }
    // Beyond the placed rows: seen only when they all fit, below the last one.
    return root->AllRowsFit ? std::max(0, root->DrawRect.Top + bottom) : -1;
}

void TMoxGridView_Custom::DeferredScrollbars(TObject*)
{
    if (IsDestroying() || !FScrollbarsPending) return;
    FScrollbarsPending = false;
    // A layout owed meanwhile brings the bars up to date at its paint.
    if (FHardUpdatePending || FSoftUpdatePending || GetIsPrinting()) return;
    try {
        UpdateScrollbars();
    } catch (...) {
        HandleException(std::current_exception());
    }
}

void TMoxGridView_Custom::OnTopLeftChangeEvent(TSingleEventListener*)
{
    if (IsDestroying()) return;
    TopLeftChanged();
}

void TMoxGridView_Custom::TopLeftChanged()
{
    if (GetIsPrinting()) return;
    FSoftUpdatePending = true;
    OnTopLeftChanged(this);
    Invalidate();
}

void TMoxGridView_Custom::OnFocusedCellChange(TSingleEventListener*)
{
    if (IsDestroying()) return;
    StopEditing();
    TDoLater::DoLater(MakeMethod<&TMoxGridView_Custom::DeferredMakeSureFocusedIsVisible>(this));
    OnTopLeftChanged(this);
    Invalidate();
    FocusChanged(FRootCell->GetFocusedCellDownTrack());
}

void TMoxGridView_Custom::DeferredMakeSureFocusedIsVisible(TObject*)
{
    Repaint();
    MakeSureFocusedIsVisible();
}

void TMoxGridView_Custom::OnUserSizeChangedEvent(TSingleEventListener* aListener)
{
    if (IsDestroying()) return;
    UserSizeChanged(dynamic_cast<TAxisContentItem*>(aListener->Info));
}

void TMoxGridView_Custom::OnSelectionChangedEvent(TSingleEventListener* aListener)
{
    if (IsDestroying()) return;
    Invalidate();
    OnCellSelectionChanged(this, dynamic_cast<TMoxCell*>(aListener->Info));
    OnSelectionChanged(this);
}

void TMoxGridView_Custom::DoGridResize()
{
    FSoftUpdatePending = true;
    Invalidate();
    OnGridResize(this);
}

void TMoxGridView_Custom::Resize()
{
    DoGridResize();
    TqvOffscreenPaint::Resize();
}

// ---------------------------------------------------------------------------
// Update cycle

void TMoxGridView_Custom::HardViewParamsUpdate()
{
    FRootCell->CalculateSizes();
    FRootCell->SetLeft(GetClosestUnHiddenLeftColumn(FRootCell->Left));
}

void TMoxGridView_Custom::SoftViewParamsUpdate()
{
    StopEditing();
    LayoutAndScrollbars();
}

void TMoxGridView_Custom::LayoutAndScrollbars()
{
    // Showing or hiding a bar changes the drawing rectangle, and the layout
    // must be redone for it; two rounds settle both bars.
    for (int round = 0; round < 3; ++round) {
        FSoftUpdatePending = false;
        const TRect rect = GetDrawRect();
        const int left = FRootCell->Left;
        const int top = FRootCell->Top;
        FRootCell->CalcVisibleArea(rect);
        UpdateScrollbars();
        if (GetDrawRect() == rect && FRootCell->Left == left && FRootCell->Top == top) break;
    }
}

TRect TMoxGridView_Custom::GetDrawRect() const
{
    const TRect client = GetClientRect();
    TRect r(0, 0, client.Width(), client.Height());
    if (!GetIsPrinting()) {
        if (FHorzScrollBar->GetVisible()) r.Bottom -= FHorzScrollBar->GetHeight();
        if (FVertScrollBar->GetVisible() && !FVertScrollHijacked) r.Right -= FVertScrollBar->GetWidth();
    }
    r.Right = std::max(r.Right, 0);
    r.Bottom = std::max(r.Bottom, 0);
    return r;
}

void TMoxGridView_Custom::LayoutNow()
{
    if (GetIsPrinting()) return;
    const QScopedValueRollback layout(FLayoutRunning, true);
    UpdateViewParams();
}

void TMoxGridView_Custom::UpdateViewParams()
{
    // A failure of the updates (a scroll bar refusing its parameters) is
    // reported once and the paint goes on with what was laid out.
    try {
        if (FInitPending) {
            FInitPending = false;
            initSubGridContent(dynamic_cast<TMoxSubGridCellData*>(FRootCell->CellData.get()));
        }
        if (FHardUpdatePending) {
            FHardUpdatePending = false;
            HardViewParamsUpdate();
            FSoftUpdatePending = true;
        }
        if (FSoftUpdatePending) {
            FSoftUpdatePending = false;
            SoftViewParamsUpdate();
        }
    } catch (...) {
        FSoftUpdatePending = false;
        HandleException(std::current_exception());
    }
}

void TMoxGridView_Custom::OffscreenPaint()
{
    // Axis changes raised by the paint (rows loaded for the view) cannot be
    // judged against a layout in the making.
    const QScopedValueRollback painting(FLayoutRunning, true);
    UpdateViewParams();
    // A partial paint assumed the columns and the drawing rectangle stayed;
    // when the layout moved them, all of the picture changed.
    const TRect rect = GetDrawRect();
    if (!GetIsPrinting()) {
        const auto& columns = FRootCell->ColumnList->VisibleItems;
        bool same = rect == FPaintedDrawRect && columns.size() == FPaintedColumns.size();
        for (size_t i = 0; same && i < columns.size(); ++i)
            same = FPaintedColumns[i] == TPlacedItem{columns[i], columns[i]->Position, columns[i]->Size};
        if (!same) {
            WidenPaintToClient();
            FPaintedDrawRect = rect;
            FPaintedColumns.clear();
            for (TAxisContentItem* column : columns)
                FPaintedColumns.push_back({column, column->Position, column->Size});
        }
    }
    FButtonCells.clear();
    FLastAppliedLayout = nullptr;
    TCanvas* canvas = GetOffscreenCanvas();
    if (GetIsPrinting()) {
        // Cells without a font of their own print in the control's font, as
        // on screen; measuring the font scale left another size on the canvas.
        canvas->Font.Assign(*GetFont());
        PrintResizeFont();
    }
    FRootCell->Draw(rect, MakeMethod<&TMoxGridView_Custom::OnDrawMoxCell>(this));
    DrawButtonsAndLines();
    if (HasGridFocus() && !GetIsPrinting() && FFocusRect_Grid)
        DrawFocusRect(canvas, TRect(rect.Left + 1, rect.Top + 1, rect.Right - 1, rect.Bottom - 1));
}

bool TMoxGridView_Custom::HasGridFocus() const
{
    return hasFocus() || (FActiveEditor && FActiveEditor->hasFocus());
}

// ---------------------------------------------------------------------------
// Scroll bars

bool TMoxGridView_Custom::DecideScrollVisible(TScrollbar_qv* aBar)
{
    return aBar->GetPageSize() > 0 && aBar->GetPageSize() < aBar->GetMax() - 1;
}

bool TMoxGridView_Custom::GridScrollVisibleHorizontal() const
{
    return FHorzScrollBar->GetVisible();
}
bool TMoxGridView_Custom::GridScrollVisibleVertical() const
{
    return FVertScrollBar->GetVisible();
}

void TMoxGridView_Custom::SetBarParams(TScrollbar_qv* aBar, int aPage, int aPosition, int aMin, int aMax)
{
    // The page is held within the range, or the bar would refuse it.
    aPage = std::clamp(aPage, 0, std::max(std::min(aMax - aMin + 1, aMax), 0));
    aBar->SetPageSize(std::min(aPage, aBar->GetPageSize()));
    aBar->SetParams(aPosition, aMin, aMax);
    aBar->SetPageSize(aPage);
    // What the bar must hold now: the requested values, the position within
    // the range rule.
    const int maxPosition = std::max(aMin, aPage > 0 ? aMax - aPage + 1 : aMax);
    const int position = std::clamp(aPosition, aMin, maxPosition);
    if (aBar->GetPageSize() != aPage || aBar->GetMin() != aMin || aBar->GetMax() != aMax ||
        aBar->GetPosition() != position)
        throw Exception(QString::number(aMax) + QString::number(aBar->GetMax()));
}

void TMoxGridView_Custom::UpdateScrollbars()
{
    if (GetIsPrinting()) return;
    TMoxGridCellForViewer* root = FRootCell.get();
    TAxisContentList* cols = root->ColumnList.get();
    TAxisContentList* rows = root->RowList.get();
    const TRect client = GetClientRect();
    const int hbarHeight = FHorzScrollBar->GetHeight();
    const int vbarWidth = FVertScrollBar->GetWidth();
    const int A = client.Height() - hbarHeight;
    const int B = client.Width() - vbarWidth;

    // Horizontal bar.
    {
        const int m = GetClosestUnHiddenLeftColumn(cols->FixedCount);
        const int M = std::max(cols->Count() - cols->GetHiddenRowCount() - 1, FHorzScrollBar->GetMin());
        const int P = std::max(root->VisibleColumnCount - m, 1);
        const int p = std::min(root->GetLeft_ScrollVal(), M);
        const int shown = cols->Count() - cols->GetHiddenRowCount();
        const bool fit =
            root->AllColumnsFit ||
            (GetExpandLastColumnIfShort() &&
             shown == TMoxGridCell::Convert_TrueIndexToVisible(cols, root->LastPlacedColumn) + 1);
        SetBarParams(FHorzScrollBar, std::min({P, M, std::max(m, M)}), std::max(m, std::min(M, p)), m,
                     std::max(m, M));
        FHorzScrollBar->SetLargeChange(root->VisibleColumnCount <= 0 ? 1 : P);
        const bool visible = !(m >= p && fit);
        FHorzScrollBar->SetVisible(visible);
        if (visible)
            SetScrollbarPosition(FHorzScrollBar, p);
        else
            root->SetLeft(m);
    }
    // Vertical bar.
    {
        const int m = rows->FixedCount;
        const int M = std::max(rows->Count() - rows->GetHiddenRowCount() - 1, FVertScrollBar->GetMin());
        const int P = std::max(root->VisibleRowCount - m, 1);
        const int p = std::min(root->GetTop_ScrollVal(), M);
        SetBarParams(FVertScrollBar, std::min({P, M, std::max(m, M)}), std::max(m, std::min(M, p)), m,
                     std::max(m, M));
        FVertScrollBar->SetLargeChange(root->VisibleRowCount <= 0 ? 1 : P);
        const bool visible = !(m >= p && root->AllRowsFit);
        const bool changed = visible != FVertScrollBar->GetVisible();
        FVertScrollBar->SetVisible(visible);
        if (changed) OnVertScrollVisibleChanged(this);
        if (visible)
            SetScrollbarPosition(FVertScrollBar, p);
        else
            root->SetTop(m);
    }
    // Placement: the bars sit on the right and bottom edges of the client area.
    const bool vShown = FVertScrollBar->GetVisible() && !FVertScrollHijacked;
    const bool hShown = FHorzScrollBar->GetVisible();
    FHorzScrollBar->SetBounds(0, A, vShown ? B : B + vbarWidth, hbarHeight);
    if (!FVertScrollHijacked) FVertScrollBar->SetBounds(B, 0, vbarWidth, hShown ? A : A + hbarHeight);
    SetReservedRightStrip(vShown ? vbarWidth : 0);
    SetReservedBottomStrip(hShown ? hbarHeight : 0);
}

void TMoxGridView_Custom::OnHorzScroll(TObject*, TScrollCode, int& ScrollPos)
{
    TScrollbar_qv* bar = FHorzScrollBar;
    if (ScrollPos + bar->GetPageSize() - 1 > bar->GetMax())
        ScrollPos = std::max(bar->GetMin(), bar->GetMax() - bar->GetPageSize() + 1);
    FRootCell->SetLeft(TMoxGridCell::Convert_VisibleIndexToTrue(FRootCell->ColumnList.get(), ScrollPos));
}

void TMoxGridView_Custom::OnVertScroll(TObject*, TScrollCode, int& ScrollPos)
{
    TScrollbar_qv* bar = FVertScrollBar;
    if (ScrollPos + bar->GetPageSize() - 1 > bar->GetMax())
        ScrollPos = std::max(bar->GetMin(), bar->GetMax() - bar->GetPageSize() + 1);
    FRootCell->SetTop(TMoxGridCell::Convert_VisibleIndexToTrue(FRootCell->RowList.get(), ScrollPos));
}

void TMoxGridView_Custom::SetScrollbarPosition(TScrollbar_qv* aBar, int aValue)
{
    if (!aBar || !aBar->OnScroll) return;
    const int position = aBar->GetPosition();
    const int page = aBar->GetPageSize();
    int newPosition;
    if (aValue > position && aValue >= position + page - 1)
        newPosition = aValue - page + 2;
    else if (aValue <= position)
        newPosition = std::max(aValue, aBar->GetMin());
    else
        return;
    aBar->OnScroll(aBar, scPosition, newPosition);
    aBar->SetPosition(newPosition);
}

void TMoxGridView_Custom::MakeSureFocusedIsVisible()
{
    TMoxCell* focused = FRootCell->FocusedCell;
    if (!focused || !focused->ColumnItem || !focused->RowItem) return;
    if (FHorzScrollBar->GetVisible()) {
        SetScrollbarPosition(FHorzScrollBar,
                             TMoxGridCell::Convert_TrueIndexToVisible(FRootCell->ColumnList.get(),
                                                                      focused->ColumnItem->ListIndex()));
        // A handler of the scroll may have removed the focused cell or moved the focus.
        focused = FRootCell->FocusedCell;
        if (!focused || !focused->RowItem) return;
    }
    if (FVertScrollBar->GetVisible())
        SetScrollbarPosition(FVertScrollBar, TMoxGridCell::Convert_TrueIndexToVisible(
                                                 FRootCell->RowList.get(), focused->RowItem->ListIndex()));
}

TScrollbar_qv* TMoxGridView_Custom::HijackVerticalScroll(bool aHijack)
{
    if (aHijack != FVertScrollHijacked) {
        FVertScrollHijacked = aHijack;
        if (!aHijack) FVertScrollBar->SetParent(this);
        UpdateScrollbars();
        FSoftUpdatePending = true;
        Invalidate();
    }
    return FVertScrollBar;
}

void TMoxGridView_Custom::PublicScroll(TScrollDirection aDirection)
{
    switch (aDirection) {
    case tsdUp:
        if (FVertScrollBar->GetVisible())
            SetScrollbarPosition(FVertScrollBar, FVertScrollBar->GetPosition() - 1);
        break;
    case tsdDown:
        if (FVertScrollBar->GetVisible())
            SetScrollbarPosition(FVertScrollBar,
                                 FVertScrollBar->GetPosition() + FVertScrollBar->GetPageSize() - 1);
        break;
    case tsdLeft:
        if (FHorzScrollBar->GetVisible())
            SetScrollbarPosition(FHorzScrollBar, FHorzScrollBar->GetPosition() - 1);
        break;
    case tsdRight:
        if (FHorzScrollBar->GetVisible())
            SetScrollbarPosition(FHorzScrollBar,
                                 FHorzScrollBar->GetPosition() + FHorzScrollBar->GetPageSize() - 1);
        break;
    }
}

void TMoxGridView_Custom::PossibleScroll(TScrollDirection aDirection)
{
    PublicScroll(aDirection);
}

} // namespace skedra
