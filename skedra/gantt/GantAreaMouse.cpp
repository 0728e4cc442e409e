// The Gantt area's mouse input: a press selects and activates the item under
// the mouse and chooses what a drag does (move, copy, resize at either end,
// draw a link); while dragging, dotted outlines are drawn by inversion on the
// window surface (drawing one again removes it, so a mouse move costs only
// the outlines, never a paint), the times snap and are reported, and the
// chart scrolls while the mouse is outside the area; the release makes the
// change.

#include <QBrush>
#include <QImage>
#include <QPainter>
#include <QScopeGuard>
#include <QScopedValueRollback>

#include <algorithm>
#include <cstdlib>

#include "skedra/gantt/GantInput_p.h"
#include "skedra/gantt/qvGant.h"
#include "skedra/platform/Canvas.h"
#include "skedra/platform/Exceptions.h"

namespace skedra
{

namespace
{

// The zone at either end of a resizable item where a press resizes it.
constexpr int kGrowZone = 3;
// How far outside the area a moved item goes before the move becomes a drag and drop.
constexpr int kDragOutsideMargin = 25;
// Horizontal offsets up to this many pixels are the hand's jitter, not a move in time.
constexpr int kJitterPixels = 1;
// The vertical auto-scroll's step interval, in milliseconds.
constexpr int kVerticalScrollInterval = 50;
// Rows scroll while the mouse is this close to the top edge, or closer to the bottom edge.
constexpr int kTopScrollZone = 4;
constexpr int kBottomScrollZone = 5;
constexpr TCursor kResizeCursor = crHSplit;

bool IsMoveMode(TGantMouseMoveMode aMode)
{
    return aMode == TGantMouseMoveMode::mmMove || aMode == TGantMouseMoveMode::mmCopy;
}

bool IsGrowMode(TGantMouseMoveMode aMode)
{
    return aMode == TGantMouseMoveMode::mmGrowLeft || aMode == TGantMouseMoveMode::mmGrowRight;
}

// The offset of a release as a change: a press whose mouse stayed within the
// jitter on both axes did not move; a horizontal offset within the jitter
// does not move in time.
TPoint EffectiveDelta(TPoint aDelta)
{
    const bool jitterX = std::abs(aDelta.X) <= kJitterPixels;
    if (jitterX && std::abs(aDelta.Y) <= kJitterPixels) return TPoint();
    return TPoint(jitterX ? 0 : aDelta.X, aDelta.Y);
}

// An outline that lies wholly outside the surface draws nothing; it is skipped.
bool OutlineMeets(const TRect& r, int aWidth, int aHeight)
{
    return r.Right >= -1 && r.Left <= aWidth && r.Bottom >= -1 && r.Top <= aHeight;
}

// The pixels of an outline: the left column, the bottom row, the right column
// and the top row, each pixel once, as the lines (L, T) to (L, B) to (R, B) to
// (R, T) to (L, T) each without its end pixel; a flat outline is one line.
void AddOutlineEdges(const TRect& aRect, std::vector<QRect>& anEdges)
{
    const int l = std::min(aRect.Left, aRect.Right);
    const int r = std::max(aRect.Left, aRect.Right);
    const int t = std::min(aRect.Top, aRect.Bottom);
    const int b = std::max(aRect.Top, aRect.Bottom);
    if (t == b) {
        anEdges.emplace_back(l, t, r - l + 1, 1);
    } else if (l == r) {
        anEdges.emplace_back(l, t, 1, b - t + 1);
    } else {
        anEdges.emplace_back(l, t, 1, b - t);
        anEdges.emplace_back(l, b, r - l, 1);
        anEdges.emplace_back(r, t + 1, 1, b - t);
        anEdges.emplace_back(l + 1, t, r - l, 1);
    }
}

// Three pixels on, three off, along every row and every column: xor-ed onto
// the pixels, the "on" ones are inverted and the others stay.
const QBrush& DottedInvertBrush()
{
    static const QBrush brush = [] {
        QImage dots(6, 6, QImage::Format_RGB32);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x)
                dots.setPixel(x, y, ((x / 3 + y / 3) % 2) == 0 ? 0xFFFFFFFF : 0xFF000000);
        return QBrush(dots);
    }();
    return brush;
}

// Inverts the dotted pixels of the edges on the canvas' image in one call,
// so that a drag of many items costs one fill per edge; drawing the same
// edges again restores the pixels. Inverting needs raster operations, which
// only images have: the window surface is one.
void InvertDottedEdges(TCanvas* aCanvas, const std::vector<QRect>& anEdges)
{
    if (aCanvas == nullptr || anEdges.empty()) return;
    QPainter* p = aCanvas->Handle();
    if (p == nullptr || aCanvas->Image() == nullptr) return;
    p->save();
    const auto restore = qScopeGuard([&] { p->restore(); });
    p->setRenderHint(QPainter::Antialiasing, false);
    p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p->setPen(Qt::NoPen);
    p->setBrush(DottedInvertBrush());
    p->setBrushOrigin(0, 0);
    p->drawRects(anEdges.data(), static_cast<int>(anEdges.size()));
}

} // namespace

// ===========================================================================
// Settings

void TqvGant_ComBasic::InitializeInput()
{
    FInput->VerticalScrollTimer = std::make_unique<TTimer>();
    FInput->VerticalScrollTimer->SetEnabled(false);
    FInput->VerticalScrollTimer->SetInterval(kVerticalScrollInterval);
    FInput->VerticalScrollTimer->OnTimer = MakeMethod<&TqvGant_ComBasic::OnVerticalScroll>(this);
}

TGantMouseMoveMode TqvGant_ComBasic::GetMouseMoveMode() const
{
    return FInput->MouseMoveMode;
}

TGantStickyMode TqvGant_ComBasic::GetStickyMode() const
{
    return FInput->StickyMode;
}

void TqvGant_ComBasic::SetStickyMode(TGantStickyMode aValue)
{
    FInput->StickyMode = aValue;
}

bool TqvGant_ComBasic::GetStartDragWhenTimeMoveOutside() const
{
    return FInput->StartDragWhenTimeMoveOutside;
}

void TqvGant_ComBasic::SetStartDragWhenTimeMoveOutside(bool aValue)
{
    FInput->StartDragWhenTimeMoveOutside = aValue;
}

bool TqvGant_ComBasic::GetMoveInTimeWhenMoveRow() const
{
    return FInput->MoveInTimeWhenMoveRow;
}

void TqvGant_ComBasic::SetMoveInTimeWhenMoveRow(bool aValue)
{
    FInput->MoveInTimeWhenMoveRow = aValue;
}

bool TqvGant_ComBasic::GetMoveOver12Then24() const
{
    return FInput->MoveOver12Then24;
}

void TqvGant_ComBasic::SetMoveOver12Then24(bool aValue)
{
    FInput->MoveOver12Then24 = aValue;
}

TTimeItemAutoScroll TqvGant_ComBasic::GetTimeItemAutoScroll() const
{
    return FInput->TimeItemAutoScroll;
}

void TqvGant_ComBasic::SetTimeItemAutoScroll(TTimeItemAutoScroll aValue)
{
    FInput->TimeItemAutoScroll = aValue;
}

TCursor TqvGant_ComBasic::GetCursorGantArea() const
{
    return FInput->CursorGantArea;
}

void TqvGant_ComBasic::SetCursorGantArea(TCursor aValue)
{
    FInput->CursorGantArea = aValue;
}

// ===========================================================================
// Press

void TqvGant_ComBasic::GantAreaMouseDown(TObject*, TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (FDestroying || GA == nullptr || DateScaler == nullptr) return;
    TGantInputState& in = *FInput;
    in.ModeCancelled = false;
    in.MouseIsDown = true;
    if (GA->CanFocus()) GA->SetFocus();
    // The scaler and the rows show the state the press starts from.
    DateScaler->Invalidate();
    if (Treeview != nullptr) Treeview->Invalidate();

    in.MouseDownDate = DateScaler->PixelToDate(X);
    PressedTime = GetDataEntityFromXY(X, Y);
    if (in.StickyMode == smNone) UpdateMultiSelect(PressedTime, Shift, true);
    OnClickGantArea(this, PressedTime);
    if (Button == mbRight) OnRightClickGantArea(this, PressedTime);
    SetActiveDataEntity(PressedTime);

    // A handler above may have deleted the item; PressedTime is then none.
    if (Button == mbLeft && PressedTime != nullptr) {
        TqvDataEntity_GantTime* item = PressedTime;
        TqvExposable::TKeepAlive keep(item);
        RemoveOutlineOfDrag();
        in.MouseDownPoint = TPoint(X, Y);
        in.MoveOffset = TPoint();
        in.MouseMoveMode = TGantMouseMoveMode::mmNone;
        in.GrabbedTime = nullptr;
        ClearScrollableMoveSnapShot();
        bool isLeft = false;
        TRect r;
        if (in.StickyMode == smDependency) {
            in.StickyMode = smNone;
            in.MouseMoveMode = TGantMouseMoveMode::mmDependency;
            in.GrabbedTime = item;
        } else if (item->GetCanEdit() && item->IsResizable() && InGrowArea(item, X, Y, isLeft, r)) {
            in.GrowStartRect = r;
            in.GrowOutlineRect = r;
            in.MouseMoveMode = isLeft ? TGantMouseMoveMode::mmGrowLeft : TGantMouseMoveMode::mmGrowRight;
            in.GrabbedTime = item;
        } else if (item->GetCanEdit()) {
            if (!Shift.Contains(ssDouble)) in.MouseMoveMode = TGantMouseMoveMode::mmMove;
            if (Shift.Contains(ssCtrl)) in.MouseMoveMode = TGantMouseMoveMode::mmCopy;
            if (IsMoveMode(in.MouseMoveMode)) CreateScrollableMoveSnapShot();
        }
        // The item may have gone in the can-edit handler.
        if (item->GetRow() == nullptr) EndDragState();
    }
    in.StickyMode = smNone;
    OnGantAreaMouseDown(GA, Button, Shift, X, Y);
    if (in.ModeCancelled) EndDragState();
}

void TqvGant_ComBasic::MouseMoveModeCancel()
{
    FInput->ModeCancelled = true;
    EndDragState();
}

void TqvGant_ComBasic::EndDragState()
{
    TGantInputState& in = *FInput;
    RemoveOutlineOfDrag();
    in.MouseMoveMode = TGantMouseMoveMode::mmNone;
    in.GrabbedTime = nullptr;
    ClearScrollableMoveSnapShot();
    StopAutoScroll();
}

bool TqvGant_ComBasic::InGrowArea(TqvDataEntity_GantTime* anItem, int X, int Y, bool& isLeft, TRect& aRect)
{
    isLeft = false;
    if (!RectFromDataEntity(anItem, aRect)) return false;
    if (TRect(aRect.Left, aRect.Top, aRect.Left + kGrowZone, aRect.Bottom).Contains(X, Y)) {
        isLeft = true;
        return true;
    }
    return TRect(aRect.Right - kGrowZone, aRect.Top, aRect.Right, aRect.Bottom).Contains(X, Y);
}

void TqvGant_ComBasic::CreateScrollableMoveSnapShot()
{
    TGantInputState& in = *FInput;
    in.MoveSnapshot.clear();
    if (RowList == nullptr) return;
    for (TGantRow* row : RowList->GetRows()) {
        for (int li = 0; li < row->LayerCount(); ++li) {
            TqvDataList* layer = row->GetDataLists()->GetDataList(li);
            if (layer == nullptr) continue;
            for (int i = 0; i < layer->Count(); ++i) {
                auto* item = static_cast<TqvDataEntity_GantTime*>(layer->GetItems(i));
                if (item == nullptr || !item->GetSelected()) continue;
                TDrawRect entry;
                entry.DataEntity = item;
                RectFromDataEntity(item, entry.Rect);
                in.MoveSnapshot.push_back(entry);
            }
        }
    }
}

void TqvGant_ComBasic::ClearScrollableMoveSnapShot()
{
    FInput->MoveSnapshot.clear();
}

// ===========================================================================
// Move

TGantRow* TqvGant_ComBasic::DragRow(int Y)
{
    // While the button is down the row is the pressed item's own, also after
    // the rows scrolled under the press point.
    if (FInput->MouseIsDown && PressedTime != nullptr && PressedTime->GetRow() != nullptr)
        return PressedTime->GetRow();
    if (RowList == nullptr) return nullptr;
    return RowList->FindRowFromY(FInput->MouseIsDown ? FInput->MouseDownPoint.Y : Y);
}

void TqvGant_ComBasic::GantAreaMouseMove(TObject*, TShiftState Shift, int X, int Y)
{
    if (FDestroying || GA == nullptr || DateScaler == nullptr) return;
    TGantInputState& in = *FInput;
    TCursor cursor = in.CursorGantArea;
    in.LastMousePoint = TPoint(X, Y);
    TGantRow* row = DragRow(Y);
    if (in.StickyMode == smDependency) cursor = DefaultLinkCursor;

    switch (in.MouseMoveMode) {
    case TGantMouseMoveMode::mmDependency:
        cursor = DefaultLinkCursor;
        DoScaleStartStopAdjust(X);
        DoGridTopBotAdjust(Y);
        HandleLocalDependency(X, Y);
        break;
    case TGantMouseMoveMode::mmMove:
    case TGantMouseMoveMode::mmCopy:
        if (row != nullptr && (row->GetTimeItems_CanMove() || row->TimeItems_CanChangeRow)) {
            cursor = in.CursorGantArea;
            DoScaleStartStopAdjust(X);
            DoGridTopBotAdjust(Y);
            HandleLocalDrag(X, Y, row->TimeItems_CanChangeRow, row->GetTimeItems_CanMove());
            const TRect near(-kDragOutsideMargin, -kDragOutsideMargin, GA->GetWidth() + kDragOutsideMargin,
                             GA->GetHeight() + kDragOutsideMargin);
            if (in.StartDragWhenTimeMoveOutside && !near.Contains(X, Y)) {
                EndDragState();
                InvalidateGA();
                GA->BeginDrag(true);
            }
        }
        break;
    case TGantMouseMoveMode::mmGrowLeft:
    case TGantMouseMoveMode::mmGrowRight:
        if (row != nullptr && row->TimeItems_CanGrow) {
            cursor = kResizeCursor;
            DoScaleStartStopAdjust(X);
            HandleLocalGrow(X, Y);
        }
        break;
    case TGantMouseMoveMode::mmNone: {
        TqvDataEntity_GantTime* item = GetDataEntityFromXY(X, Y);
        TqvExposable::TKeepAlive keep(item);
        if (item != nullptr)
            OnHintInfo(item, item->GetStartDateTime(), item->GetStopDateTime(),
                       item->GetStopDateTime() - item->GetStartDateTime());
        else
            OnHintInfo(nullptr, 0, 0, 0);
        bool isLeft = false;
        TRect r;
        if (item != nullptr && item->GetRow() != nullptr && item->IsResizable() &&
            InGrowArea(item, X, Y, isLeft, r) && item->GetCanEdit() && item->GetRow() != nullptr &&
            item->GetRow()->TimeItems_CanGrow)
            cursor = kResizeCursor;
        break;
    }
    }
    if (FDestroying || GA == nullptr) return;
    if (GA->GetCursor() != cursor) GA->SetCursor(cursor);
    OnGantAreaMouseMove(GA, Shift, X, Y);
}

// ===========================================================================
// Outlines

void TqvGant_ComBasic::DrawOutline(const TRect& aRect, bool aReport, TCanvas* aCanvas)
{
    std::vector<QRect> edges;
    AddOutlineEdges(aRect, edges);
    InvertDottedEdges(aCanvas, edges);
    if (!aReport || DateScaler == nullptr) return;
    TDateTime start = 0, length = 0, stop = 0;
    TGantInputState& in = *FInput;
    if (IsGrowMode(in.MouseMoveMode) && in.GrabbedTime != nullptr) {
        // What the release would store.
        start = in.GrabbedTime->GetStartDateTime();
        stop = in.GrabbedTime->GetStopDateTime();
        GrowTimes(aRect.Left - in.GrowStartRect.Left + aRect.Right - in.GrowStartRect.Right, start, stop);
    } else {
        GetStartStopLenFromRect(aRect, start, length, stop);
        TSnapHandler& snap = *SnapHandler; // the chart's, as the application set it
        snap.PixelTime = DateScaler->PixelLenToDate(1);
        snap.Snap(start, stop);
    }
    OnHintInfo(nullptr, start, stop, stop - start);
}

void TqvGant_ComBasic::DrawOutlineOfSelected(TPoint anOffset, TCanvas* aCanvas)
{
    TGantInputState& in = *FInput;
    const int w = GA->GetWidth();
    const int h = GA->GetHeight();
    // All outlines in one batch, by the rule of DrawOutline.
    std::vector<QRect>& edges = in.OutlineEdges;
    edges.clear();
    const TqvDataEntity_GantTime* first = nullptr;
    for (const TDrawRect& entry : in.MoveSnapshot) {
        if (entry.DataEntity == nullptr) continue;
        if (first == nullptr) first = entry.DataEntity;
        if (entry.Rect.Top == -1) continue;
        const TRect r = entry.Rect.Offset(anOffset.X, anOffset.Y);
        if (OutlineMeets(r, w, h)) AddOutlineEdges(r, edges);
    }
    InvertDottedEdges(aCanvas, edges);
    if (first != nullptr && in.Reporting) ReportMoveTimes(first, anOffset.X);
}

void TqvGant_ComBasic::DrawOutlineOfDependencyArrow(TPoint anOffset, TCanvas* aCanvas)
{
    if (aCanvas == nullptr) return;
    const TGantInputState& in = *FInput;
    const TPenMode mode = aCanvas->Pen.GetMode();
    const TPenStyle style = aCanvas->Pen.GetStyle();
    const auto restore = qScopeGuard([&] {
        aCanvas->Pen.SetMode(mode);
        aCanvas->Pen.SetStyle(style);
    });
    aCanvas->Pen.SetMode(pmNot);
    aCanvas->Pen.SetStyle(psDot);
    const TLinkStyle linkStyle = DefaultLinkStyle == tlsUserDraw ? tlsMSProject : DefaultLinkStyle;
    const TPoint stop(in.MouseDownPoint.X + anOffset.X, in.MouseDownPoint.Y + anOffset.Y);
    DrawLink(in.MouseDownPoint, stop, aCanvas, linkStyle, clBlack, 1, nullptr);
}

void TqvGant_ComBasic::DrawOutlineOfDrag(TCanvas* aCanvas)
{
    const TGantInputState& in = *FInput;
    switch (in.MouseMoveMode) {
    case TGantMouseMoveMode::mmMove:
    case TGantMouseMoveMode::mmCopy:
        DrawOutlineOfSelected(in.MoveOffset, aCanvas);
        break;
    case TGantMouseMoveMode::mmGrowLeft:
    case TGantMouseMoveMode::mmGrowRight:
        DrawOutline(in.GrowOutlineRect, in.Reporting, aCanvas);
        break;
    case TGantMouseMoveMode::mmDependency:
        DrawOutlineOfDependencyArrow(in.MoveOffset, aCanvas);
        break;
    case TGantMouseMoveMode::mmNone:
        break;
    }
}

void TqvGant_ComBasic::RemoveOutlineOfDrag()
{
    TGantInputState& in = *FInput;
    if (!in.OutlineDrawn) return;
    in.OutlineDrawn = false;
    if (FDestroying || GA == nullptr) return;
    const QScopedValueRollback quiet(in.Reporting, false);
    DrawOutlineOfDrag(GA->GetDirectCanvas());
}

void TqvGant_ComBasic::GantAreaPainted()
{
    TGantInputState& in = *FInput;
    if (!in.OutlineDrawn || GA == nullptr) return;
    if (in.MouseMoveMode == TGantMouseMoveMode::mmNone) {
        in.OutlineDrawn = false;
        return;
    }
    // The paint replaced the surface and the outline with it.
    const QScopedValueRollback quiet(in.Reporting, false);
    DrawOutlineOfDrag(GA->GetDirectCanvas());
}

void TqvGant_ComBasic::HandleLocalDrag(int X, int Y, bool canChangeRow, bool canMove)
{
    TGantInputState& in = *FInput;
    RemoveOutlineOfDrag();
    if (canMove) in.MoveOffset.X = X - in.MouseDownPoint.X;
    if (canChangeRow) in.MoveOffset.Y = Y - in.MouseDownPoint.Y;
    DrawOutlineOfSelected(in.MoveOffset, GA->GetDirectCanvas());
    in.OutlineDrawn = true;
}

void TqvGant_ComBasic::HandleLocalGrow(int X, int Y)
{
    TGantInputState& in = *FInput;
    RemoveOutlineOfDrag();
    in.MoveOffset = TPoint(X - in.MouseDownPoint.X, Y - in.MouseDownPoint.Y);
    if (in.MouseMoveMode == TGantMouseMoveMode::mmGrowLeft)
        in.GrowOutlineRect.Left = in.GrowStartRect.Left + in.MoveOffset.X;
    if (in.MouseMoveMode == TGantMouseMoveMode::mmGrowRight)
        in.GrowOutlineRect.Right = in.GrowStartRect.Right + in.MoveOffset.X;
    DrawOutline(in.GrowOutlineRect, in.Reporting, GA->GetDirectCanvas());
    in.OutlineDrawn = true;
}

void TqvGant_ComBasic::HandleLocalDependency(int X, int Y)
{
    TGantInputState& in = *FInput;
    RemoveOutlineOfDrag();
    in.MoveOffset = TPoint(X - in.MouseDownPoint.X, Y - in.MouseDownPoint.Y);
    DrawOutlineOfDependencyArrow(in.MoveOffset, GA->GetDirectCanvas());
    in.OutlineDrawn = true;
}

void TqvGant_ComBasic::ReportMoveTimes(const TqvDataEntity_GantTime* anItem, int anOffsetX)
{
    if (!OnHintInfo.Assigned() || anItem == nullptr) return;
    TDateTime start = anItem->GetStartDateTime();
    TDateTime stop = anItem->GetStopDateTime();
    MoveTimes(anItem,
              EffectiveDelta(TPoint(anOffsetX, 0)).X == 0
                  ? 0
                  : DateScaler->PixelToDate(FInput->MouseDownPoint.X + anOffsetX) - FInput->MouseDownDate,
              start, stop);
    OnHintInfo(nullptr, start, stop, stop - start);
}

// ===========================================================================
// Automatic scrolling

void TqvGant_ComBasic::DoScaleStartStopAdjust(int X)
{
    const TTimeItemAutoScroll scroll = FInput->TimeItemAutoScroll;
    if (scroll == ttiaVert || scroll == ttiaNone || DateScaler == nullptr || GA == nullptr) return;
    // A stepping scaler keeps its timer: starting it again would restart the interval.
    if (X < 0) {
        if (!DateScaler->GetBackwardPressed()) DateScaler->StartStepDown();
    } else if (X > GA->GetWidth()) {
        if (!DateScaler->GetForwardPressed()) DateScaler->StartStepUp();
    } else {
        StopScalerStepping();
    }
}

void TqvGant_ComBasic::StopScalerStepping()
{
    if (DateScaler != nullptr && (DateScaler->GetBackwardPressed() || DateScaler->GetForwardPressed()))
        DateScaler->StopStep();
}

void TqvGant_ComBasic::DoGridTopBotAdjust(int Y)
{
    TGantInputState& in = *FInput;
    TTimer* timer = in.VerticalScrollTimer.get();
    const TTimeItemAutoScroll scroll = in.TimeItemAutoScroll;
    if (scroll == ttiaHorz || scroll == ttiaNone || GA == nullptr) {
        timer->SetEnabled(false);
        return;
    }
    if (Y <= kTopScrollZone) {
        in.AutoScrollDown = false;
        if (!timer->GetEnabled()) timer->SetEnabled(true);
    } else if (Y > GA->GetHeight() - kBottomScrollZone) {
        in.AutoScrollDown = true;
        if (!timer->GetEnabled()) timer->SetEnabled(true);
    } else {
        timer->SetEnabled(false);
    }
}

void TqvGant_ComBasic::StopAutoScroll()
{
    StopScalerStepping();
    if (FInput->VerticalScrollTimer) FInput->VerticalScrollTimer->SetEnabled(false);
}

void TqvGant_ComBasic::OnVerticalScroll(TObject*)
{
    if (FDestroying) return;
    ScrollRowsOneStep(FInput->AutoScrollDown);
}

// ===========================================================================
// Release

void TqvGant_ComBasic::GantAreaMouseUp(TObject*, TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (FDestroying || GA == nullptr) return;
    TGantInputState& in = *FInput;
    in.VerticalScrollTimer->SetEnabled(false);
    TPoint delta(X - in.MouseDownPoint.X, Y - in.MouseDownPoint.Y);
    TGantRow* row = DragRow(Y);
    TqvExposable::TKeepAlive keepRow(row);
    in.MouseIsDown = false;
    in.LastReleaseDelta = delta;
    const auto finish = [&] {
        EndDragState();
        TqvDataEntity_GantTime* item = PressedTime;
        if (item != nullptr)
            OnHintInfo(item, item->GetStartDateTime(), item->GetStopDateTime(),
                       item->GetStopDateTime() - item->GetStartDateTime());
        else
            OnHintInfo(nullptr, 0, 0, 0);
        if (!FDestroying && GA != nullptr) OnGantAreaMouseUp(GA, Button, Shift, X, Y);
    };
    // The end runs handlers that may raise, so it is no scope guard.
    try {
        RemoveOutlineOfDrag();
        switch (in.MouseMoveMode) {
        case TGantMouseMoveMode::mmDependency:
            HandleDependencyChange(X, Y);
            break;
        case TGantMouseMoveMode::mmMove:
        case TGantMouseMoveMode::mmCopy:
            StopScalerStepping();
            if (row != nullptr) {
                if (!row->GetTimeItems_CanMove()) delta.X = 0;
                if (!row->TimeItems_CanChangeRow) delta.Y = 0;
            }
            delta = EffectiveDelta(delta);
            HandleMoveOfSelected(TPoint(X, Y), delta, in.MouseMoveMode == TGantMouseMoveMode::mmCopy);
            if (delta != TPoint()) in.PendingSelect = false;
            InvalidateGA();
            break;
        case TGantMouseMoveMode::mmGrowLeft:
        case TGantMouseMoveMode::mmGrowRight:
            StopScalerStepping();
            if (row != nullptr && !row->TimeItems_CanGrow) delta.X = 0;
            HandleGrow(EffectiveDelta(delta));
            InvalidateGA();
            break;
        case TGantMouseMoveMode::mmNone:
            break;
        }
        UpdateMultiSelect(PressedTime, Shift, false);
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TqvGant_ComBasic::MoveTimes(const TqvDataEntity_GantTime* anItem, TDateTime aShift, TDateTime& aStart,
                                 TDateTime& aStop)
{
    aStart = anItem->GetStartDateTime();
    aStop = anItem->GetStopDateTime();
    // No horizontal move leaves the times as they are (no snapping).
    if (aShift == 0) return;
    const TDateTime oldStart = aStart;
    const TDateTime oldStop = aStop;
    aStart += aShift;
    aStop += aShift;
    TSnapHandler& snap = *SnapHandler;
    snap.PixelTime = DateScaler->PixelLenToDate(1);
    snap.SnapMove(aStart, aStop);
    if (FInput->MoveOver12Then24) TSnapHandler::SnapMoveTo24HIfMoveOver12H(oldStart, oldStop, aStart, aStop);
}

void TqvGant_ComBasic::HandleMoveOfSelected(TPoint aPoint, TPoint aDelta, bool aCopy)
{
    TGantInputState& in = *FInput;
    if (aDelta == TPoint() || in.MoveSnapshot.empty() || DateScaler == nullptr || RowList == nullptr) return;
    GA->BeginUpdate();
    const auto endUpdate = qScopeGuard([&] {
        if (GA != nullptr) GA->EndUpdate();
    });
    const QScopedValueRollback handling(in.HandlingSnapshot, true);
    // One shift in days for all items.
    const TDateTime shift = aDelta.X != 0 ? DateScaler->PixelToDate(aPoint.X) - in.MouseDownDate : 0;
    for (size_t i = 0; i < in.MoveSnapshot.size(); ++i) {
        const TDrawRect entry = in.MoveSnapshot[i];
        TqvDataEntity_GantTime* item = entry.DataEntity;
        TGantRow* ownRow = item != nullptr ? item->GetRow() : nullptr;
        if (ownRow == nullptr) continue;
        TqvExposable::TKeepAlive keepItem(item);
        TqvExposable::TKeepAlive keepRow(ownRow);
        TDateTime newStart = 0, newStop = 0;
        MoveTimes(item, shift, newStart, newStop);
        // The row under the outline's middle as the rows are now; without a
        // vertical offset, or for an item that had no rectangle, its own row.
        TGantRow* newRow = nullptr;
        const TRect& r = entry.Rect;
        if (aDelta.Y != 0 && r.Top != -1)
            newRow = RowList->FindRowFromY(aDelta.Y + r.Top + (r.Bottom - r.Top) / 2);
        if (newRow == nullptr) newRow = ownRow;
        TqvExposable::TKeepAlive keepNewRow(newRow);
        TqvDataEntity_GantTime* newItem = nullptr;
        if (aCopy) {
            TimeCopy(item, ownRow, newRow, newStart, newStop, newItem);
            continue;
        }
        const bool timesChanged = newStart != item->GetStartDateTime() || newStop != item->GetStopDateTime();
        if ((in.MoveInTimeWhenMoveRow || newRow == ownRow) && timesChanged) {
            item->SetStartDateTime(newStart);
            item->SetStopDateTime(newStop);
            item->DoInfoPush();
        }
        // A handler above may have deleted the item (it left the snapshot then).
        if (newRow != ownRow && i < in.MoveSnapshot.size() && in.MoveSnapshot[i].DataEntity == item)
            TimeMoveRow(item, ownRow, newRow, newStart, newStop, newItem);
    }
}

void TqvGant_ComBasic::GrowTimes(int aDeltaX, TDateTime& aStart, TDateTime& aStop)
{
    TGantInputState& in = *FInput;
    if (aDeltaX == 0 || DateScaler == nullptr) return;
    TSnapHandler& snap = *SnapHandler;
    snap.PixelTime = DateScaler->PixelLenToDate(1);
    // Only the end that moved is snapped and written; the clamp comes after
    // the snap, so that the start never passes the stop.
    if (in.MouseMoveMode == TGantMouseMoveMode::mmGrowLeft) {
        TDateTime start = DateScaler->PixelToDate(in.GrowStartRect.Left + aDeltaX);
        TDateTime unused = aStop;
        const QScopedValueRollback keepStop(snap.StopSnapOn, false);
        snap.Snap(start, unused);
        aStart = std::min(start, aStop);
    } else if (in.MouseMoveMode == TGantMouseMoveMode::mmGrowRight) {
        TDateTime stop = DateScaler->PixelToDate(in.GrowStartRect.Right + aDeltaX);
        TDateTime unused = aStart;
        const QScopedValueRollback keepStart(snap.StartSnapOn, false);
        snap.Snap(unused, stop);
        aStop = std::max(stop, aStart);
    }
}

void TqvGant_ComBasic::HandleGrow(TPoint aDelta)
{
    TqvDataEntity_GantTime* item = FInput->GrabbedTime;
    if (item == nullptr || item->GetRow() == nullptr || aDelta.X == 0) return;
    TDateTime start = item->GetStartDateTime();
    TDateTime stop = item->GetStopDateTime();
    GrowTimes(aDelta.X, start, stop);
    if (start == item->GetStartDateTime() && stop == item->GetStopDateTime()) return;
    TqvExposable::TKeepAlive keep(item);
    item->SetStartDateTime(start);
    item->SetStopDateTime(stop);
    item->DoInfoPush();
}

void TqvGant_ComBasic::HandleDependencyChange(int X, int Y)
{
    TqvDataEntity_GantTime* item = GetDataEntityFromXY(X, Y);
    TqvDataEntity_GantTime* first = FInput->GrabbedTime;
    if (item != nullptr && first != nullptr) OnDependencyAction(first, item);
    InvalidateGA();
}

bool TqvGant_ComBasic::TimeCopy(TqvDataEntity_GantTime* anItem, TGantRow* aRow, TGantRow* aNewRow,
                                TDateTime aStart, TDateTime aStop, TqvDataEntity_GantTime*& aNewItem)
{
    aNewItem = nullptr;
    OnTimeCopy(this, anItem, aRow, aNewRow, aStart, aStop);
    return OnTimeCopy.Assigned();
}

bool TqvGant_ComBasic::TimeMoveRow(TqvDataEntity_GantTime* anItem, TGantRow* aRow, TGantRow* aNewRow,
                                   TDateTime aStart, TDateTime aStop, TqvDataEntity_GantTime*& aNewItem)
{
    aNewItem = nullptr;
    OnTimeChangeRow(this, anItem, aRow, aNewRow, aStart, aStop);
    return OnTimeChangeRow.Assigned();
}

// ===========================================================================
// Selection

void TqvGant_ComBasic::UpdateMultiSelect(TqvDataEntity_GantTime* anItem, TShiftState Shift, bool onPress)
{
    TGantInputState& in = *FInput;
    if (onPress) {
        in.PendingSelect = false;
        // Dragging several selected items keeps the selection: decided at the release.
        if (anItem != nullptr && anItem->GetSelected()) {
            in.PendingSelect = true;
            return;
        }
    } else {
        if (!in.PendingSelect) return;
        in.PendingSelect = false;
    }
    TqvExposable::TKeepAlive keep(anItem);
    if (Shift.Contains(ssShift) || Shift.Contains(ssCtrl)) {
        if (anItem != nullptr && anItem->GetRow() != nullptr) anItem->SetSelected(!anItem->GetSelected());
    } else {
        ClearSelections();
        if (anItem != nullptr && anItem->GetRow() != nullptr) anItem->SetSelected(true);
    }
    InvalidateGA();
}

void TqvGant_ComBasic::ClearSelections()
{
    if (RowList == nullptr) return;
    TqvExposable::TKeepAlive keep(RowList);
    // Handlers of the selection change may remove rows: walk a copy, each kept alive.
    std::vector<TGantRow*> rows = RowList->GetRows();
    std::vector<TqvExposable::TKeepAlive> alive;
    alive.reserve(rows.size());
    for (TGantRow* row : rows)
        alive.emplace_back(row);
    for (TGantRow* row : rows) {
        for (int li = 0; li < row->LayerCount(); ++li)
            if (TqvDataList* layer = row->GetDataLists()->GetDataList(li)) layer->ClearSelections();
    }
}

// ===========================================================================
// Double click, drag and drop

void TqvGant_ComBasic::OnGADblClick(TObject*)
{
    OnDblClickGantArea(this, PressedTime);
}

void TqvGant_ComBasic::GantAreaStartDrag(TObject* Sender, TObject*& DragObject)
{
    OnGantAreaStartDrag(Sender, DragObject);
}

void TqvGant_ComBasic::GantAreaDragOver(TObject* Sender, TObject* Source, int X, int Y, TDragState State,
                                        bool& Accept)
{
    Accept = false;
    OnGantAreaDragOver(Sender, Source, X, Y, State, Accept);
}

void TqvGant_ComBasic::GantAreaDragDrop(TObject* Sender, TObject* Source, int X, int Y)
{
    if (QWidget* form = window(); form != nullptr && form->isVisible()) form->setFocus(Qt::OtherFocusReason);
    OnGantAreaDragDrop(Sender, Source, X, Y);
}

void TqvGant_ComBasic::GantAreaEndDrag(TObject*, TObject*, int, int)
{
    // The release went to the drag, not to the area.
    FInput->MouseIsDown = false;
}

// ===========================================================================
// Deleted items and invariants

void TqvGant_ComBasic::InputItemDeleted(TqvDataEntity_GantTime* anItem)
{
    TGantInputState& in = *FInput;
    const bool grabbed = in.GrabbedTime == anItem;
    const bool inSnapshot = std::any_of(in.MoveSnapshot.begin(), in.MoveSnapshot.end(),
                                        [&](const TDrawRect& e) { return e.DataEntity == anItem; });
    if (!grabbed && !inSnapshot) return;
    const bool redraw = in.OutlineDrawn && !FDestroying;
    RemoveOutlineOfDrag();
    if (grabbed) {
        in.GrabbedTime = nullptr;
        // Resizing it or linking from it ends.
        if (IsGrowMode(in.MouseMoveMode) || in.MouseMoveMode == TGantMouseMoveMode::mmDependency) {
            in.MouseMoveMode = TGantMouseMoveMode::mmNone;
            StopAutoScroll();
        }
    }
    if (in.HandlingSnapshot) {
        for (TDrawRect& entry : in.MoveSnapshot)
            if (entry.DataEntity == anItem) entry.DataEntity = nullptr;
    } else {
        std::erase_if(in.MoveSnapshot, [&](const TDrawRect& e) { return e.DataEntity == anItem; });
    }
    if (redraw && in.MouseMoveMode != TGantMouseMoveMode::mmNone && GA != nullptr) {
        const QScopedValueRollback quiet(in.Reporting, false);
        DrawOutlineOfDrag(GA->GetDirectCanvas());
        in.OutlineDrawn = true;
    }
}

void TqvGant_ComBasic::CheckInputInvariants() const
{
    const TGantInputState& in = *FInput;
    const TGantMouseMoveMode mode = in.MouseMoveMode;
    if ((in.GrabbedTime != nullptr) != (IsGrowMode(mode) || mode == TGantMouseMoveMode::mmDependency))
        throw Exception(QStringLiteral("The grabbed item and the drag mode differ"));
    if (in.GrabbedTime != nullptr && in.GrabbedTime->GetRow() == nullptr)
        throw Exception(QStringLiteral("The grabbed item has no row"));
    if (!in.MoveSnapshot.empty() && !IsMoveMode(mode))
        throw Exception(QStringLiteral("A move snapshot outside a move"));
    for (const TDrawRect& entry : in.MoveSnapshot)
        if (entry.DataEntity != nullptr && entry.DataEntity->GetRow() == nullptr)
            throw Exception(QStringLiteral("A snapshot item has no row"));
    if (in.OutlineDrawn && mode == TGantMouseMoveMode::mmNone)
        throw Exception(QStringLiteral("An outline is left without a drag"));
    if (mode != TGantMouseMoveMode::mmNone && !in.MouseIsDown)
        throw Exception(QStringLiteral("A drag without the button down"));
    if (in.VerticalScrollTimer && in.VerticalScrollTimer->GetEnabled() && mode == TGantMouseMoveMode::mmNone)
        throw Exception(QStringLiteral("Rows scroll without a drag"));
}

} // namespace skedra
