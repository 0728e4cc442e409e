// Mouse input of a grid view: focusing and selecting cells, the deferred
// selection of a press on a selected cell, check boxes, tree buttons, header
// sorting, sizing columns and rows by dragging header borders (with a
// tracking line drawn by inversion), auto-size on a border double click, the
// delayed edit start and automatic dragging. Keys are in qvMoxGridViewKeys.cpp.

#include <QMouseEvent>
#include <QPointer>
#include <QScopeGuard>
#include <QScopedValueRollback>

#include "skedra/gridengine/qvMoxGridViewInput_p.h"
#include "skedra/platform/Messages.h"

namespace skedra
{

namespace
{

// The tree button box inside a cell's button section.
TRect ButtonBox(const TRect& aButtonRect)
{
    return TRect(aButtonRect.Left + 2, aButtonRect.Top + 4, aButtonRect.Left + 11, aButtonRect.Top + 13);
}

// The sizing line: dotted, 2 pixels wide, inverting what lies under it, so
// that drawing it twice leaves the window as it was.
void DrawInvertedLine(TCanvas* c, TPoint a, TPoint b)
{
    if (a == b) return;
    c->Pen.SetMode(pmNot);
    c->Pen.SetStyle(psDot);
    c->Pen.SetWidth(2);
    c->MoveTo(a.X, a.Y);
    c->LineTo(b.X, b.Y);
    c->Pen.SetMode(pmCopy);
    c->Pen.SetStyle(psSolid);
    c->Pen.SetWidth(1);
}

bool WasDrawn(const TMoxCell* aCell)
{
    return aCell && aCell->VisibleRect.Left >= 0;
}

// The resize zone inside one grid: the probe before the border lies on a
// fixed cell, the probe after it on another fixed cell or outside the grid.
// A nested grid under the first probe answers first.
bool ResizeZoneIn(TMoxGridCell* aGrid, int x, int y, bool& aIsColumnBorder, TMoxCell*& aCell)
{
    constexpr int k = TMoxGridViewInput::kResizeProbe;
    int col1 = -1;
    int row1 = -1;
    aGrid->GridCoordsFromPix(x - k, y - k, col1, row1);
    if (col1 < 0 || row1 < 0) return false;
    TMoxCell* first = aGrid->getCell(col1, row1);
    if (!first) return false;
    if (auto* nested = dynamic_cast<TMoxGridCell*>(first); nested && WasDrawn(nested))
        if (ResizeZoneIn(nested, x, y, aIsColumnBorder, aCell)) return true;
    if (!aGrid->IsFixedCell(col1, row1)) return false;
    int col2 = -1;
    int row2 = -1;
    aGrid->GridCoordsFromPix(x + k, y + k, col2, row2);
    const bool outside = col2 < 0 || row2 < 0;
    if (!outside && ((col2 == col1 && row2 == row1) || !aGrid->IsFixedCell(col2, row2))) return false;
    aIsColumnBorder = col1 != col2;
    aCell = first;
    return true;
}

} // namespace

TMMode TMoxGridView_Custom::GetSizingMode() const
{
    return FInput->SizingMode;
}

// ---------------------------------------------------------------------------
// Zones

bool TMoxGridView_Custom::InResizeZone(int x, int y, bool& aIsColumnBorder, TMoxCell*& aCell)
{
    aIsColumnBorder = false;
    aCell = nullptr;
    return ResizeZoneIn(FRootCell.get(), x, y, aIsColumnBorder, aCell);
}

bool TMoxGridView_Custom::InSortZone(int x, int y, TMoxCell* aCell)
{
    if (!WasDrawn(aCell) || !aCell->ParentCell || !aCell->RowItem) return false;
    if (aCell->RowItem->ListIndex() >= aCell->ParentCell->GetFixedRows()) return false;
    if (!aCell->VisibleRect.Inflate(-2, -2).Contains(TPoint(x, y))) return false;
    return CheckSortAllow(aCell);
}

bool TMoxGridView_Custom::InButtonZone(int x, int y, TMoxCell* aCell)
{
    if (auto* grid = dynamic_cast<TMoxGridCell*>(aCell)) return InButtonZone(x, y, grid->FocusedCell);
    if (!WasDrawn(aCell) || !OnCellHasButton || !OnCellHasButton(this, aCell)) return false;
    const TRect section = ButtonRectOf(aCell);
    return section.Left >= 0 && ButtonBox(section).Contains(TPoint(x, y));
}

bool TMoxGridView_Custom::InCheckBox(int x, int y, TMoxCell* aCell)
{
    if (!WasDrawn(aCell) || aCell->CellType() != moxCellTypeSimple) return false;
    if (!aCell->getVisibleRect().Contains(TPoint(x, y))) return false;
    return InternalGetEditorType(aCell) == moxETBool;
}

// ---------------------------------------------------------------------------
// Press, move, release

void TMoxGridView_Custom::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TMoxGridViewInput& in = *FInput;
    const auto check = qScopeGuard([&in] { Q_ASSERT(in.CheckInvariants()); });
    in.LastMousePos = TPoint(X, Y);
    TqvOffscreenPaint::MouseDown(Button, Shift, X, Y);
    const bool isDouble = Shift.Contains(ssDouble);
    in.DownPos = TPoint(X, Y);
    in.SizingMode = TMMode::mmNone;
    in.SizingCell = nullptr;
    if (!GetDesigning()) {
        if (!FEditing && !isDouble && CanFocus()) SetFocus();
        if (Button == mbLeft && FAutoEditMode && !in.DelayedEditTimer->GetEnabled()) {
            in.DelayedEditPos = TPoint(X, Y);
            in.DelayedEditTimer->SetEnabled(true);
        } else if (Button == mbRight && FEditing) {
            StopEditing();
        }
        TMoxCell* cell = FRootCell->CellFromPix(X, Y, true);
        if (Button == mbRight && OnRightClick) {
            OnRightClick(this, cell);
            cell = FRootCell->CellFromPix(X, Y, true);
        }
        if (cell && !cell->GetIsFixed()) {
            FRootCell->SetFocusedCell(cell);
            // Focusing stores an open edit, whose handler may drop rows.
            cell = FRootCell->CellFromPix(X, Y, true);
        }
        if (!FEditing && cell && !cell->GetIsFixed()) {
            if (Button == mbLeft) {
                if (InCheckBox(X, Y, cell)) {
                    CheckBoxEditWithoutEditMode();
                    cell = FRootCell->CellFromPix(X, Y, true);
                }
                if (cell && cell->GetSelected()) {
                    // Kept until the release, so that dragging a selection keeps it.
                    in.SelectOnMouseUp = true;
                    in.PendingCell = cell;
                    in.PendingShift = Shift;
                } else if (cell) {
                    FRootCell->UpdateMultiSelect(cell, Shift);
                }
            } else if (Button == mbRight && !Shift.Contains(ssShift) && !Shift.Contains(ssCtrl) &&
                       !Shift.Contains(ssAlt)) {
                TMoxCell* focused = FRootCell->GetFocusedCellDownTrack();
                if (focused && focused != FRootCell.get() && !focused->GetSelected())
                    FRootCell->UpdateMultiSelect(focused, TShiftState());
            }
        }
        if (FEditing) return;
    }
    bool isColumnBorder = false;
    TMoxCell* zoneCell = nullptr;
    if (InResizeZone(X, Y, isColumnBorder, zoneCell)) {
        if (isDouble) HandleAutoSize(zoneCell, isColumnBorder);
        in.SizingCell = zoneCell;
        in.SizingMode = isColumnBorder ? TMMode::mmResizeCols : TMMode::mmResizeRows;
        in.TrackLinePaint = -1;
        in.TrackLine[0] = in.TrackLine[1] = TPoint();
        return;
    }
    if (GetDesigning()) return;
    TMoxCell* header = FRootCell->CellFromPix(X, Y, false);
    if (Button == mbLeft && InSortZone(X, Y, header))
        SortByHeader(header);
    else if (FRootCell->FocusedCell && InButtonZone(X, Y, FRootCell->FocusedCell))
        DoButtonAction(FRootCell->GetFocusedCellDownTrack());
}

void TMoxGridView_Custom::MouseMove(TShiftState Shift, int X, int Y)
{
    TMoxGridViewInput& in = *FInput;
    in.LastMousePos = TPoint(X, Y);
    TqvOffscreenPaint::MouseMove(Shift, X, Y);
    Q_ASSERT(in.CheckInvariants());
    const TRect client = GetClientRect();
    switch (in.SizingMode) {
    case TMMode::mmResizeCols: {
        // The line stops at the column's start: a column is never narrower than nothing.
        const int size = in.SizingCell->ColumnItem ? in.SizingCell->ColumnItem->Size : 0;
        const int x = std::max(X, in.DownPos.X - size);
        TrackWLine(x, 0, x, client.Height());
        SetGridCursor(crHSplit);
        return;
    }
    case TMMode::mmResizeRows: {
        const int size = in.SizingCell->RowItem ? in.SizingCell->RowItem->Size : 0;
        const int y = std::max(Y, in.DownPos.Y - size);
        TrackWLine(0, y, client.Width(), y);
        SetGridCursor(crVSplit);
        return;
    }
    case TMMode::mmNone:
        break;
    }
    bool isColumnBorder = false;
    TMoxCell* zoneCell = nullptr;
    if (!FEditing && InResizeZone(X, Y, isColumnBorder, zoneCell))
        SetGridCursor(isColumnBorder ? crHSplit : crVSplit);
    else
        SetGridCursor(FGridCursor);
}

void TMoxGridView_Custom::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TMoxGridViewInput& in = *FInput;
    in.LastMousePos = TPoint(X, Y);
    TqvOffscreenPaint::MouseUp(Button, Shift, X, Y);
    const TMMode mode = in.SizingMode;
    TMoxCell* sizingCell = in.SizingCell;
    in.SizingMode = TMMode::mmNone;
    in.SizingCell = nullptr;
    if (mode != TMMode::mmNone) {
        // Erase the line now: a release that changes nothing repaints nothing.
        if (in.TrackLinePaint == GetPaintCount())
            DrawInvertedLine(GetDirectCanvas(), in.TrackLine[0], in.TrackLine[1]);
        const int delta = mode == TMMode::mmResizeCols ? X - in.DownPos.X : Y - in.DownPos.Y;
        // A release where the press was would pin the computed size (or undo an auto-size).
        if (delta != 0 && sizingCell) DoResize(delta, sizingCell, mode == TMMode::mmResizeCols);
        SetGridCursor(FGridCursor);
    }
    in.TrackLine[0] = in.TrackLine[1] = TPoint(-1, -1);
    in.TrackLinePaint = -1;
    if (in.SelectOnMouseUp) {
        TMoxCell* cell = in.PendingCell;
        in.SelectOnMouseUp = false;
        in.PendingCell = nullptr;
        if (cell) FRootCell->UpdateMultiSelect(cell, Shift);
    }
    Q_ASSERT(in.CheckInvariants());
}

void TMoxGridView_Custom::DblClick()
{
    TqvOffscreenPaint::DblClick();
    const TPoint p = FInput->LastMousePos;
    TMoxCell* cell = FRootCell->CellFromPix(p.X, p.Y, true);
    if (GetDesigning() || FEditing || !cell || cell->GetIsFixed()) return;
    if (FRootCell->FocusedCell && InButtonZone(p.X, p.Y, FRootCell->FocusedCell)) return;
    StartEditing();
}

void TMoxGridView_Custom::DelayedEditTimer(TObject*)
{
    TMoxGridViewInput& in = *FInput;
    in.DelayedEditTimer->SetEnabled(false);
    const TPoint d = in.DelayedEditPos;
    const TPoint p = in.LastMousePos;
    constexpr int k = TMoxGridViewInput::kDelayedEditSlack;
    if (p.X < d.X - k || p.X >= d.X + k || p.Y < d.Y - k || p.Y >= d.Y + k) return;
    // Only the pressed cell is edited: a press on a header or a border must
    // not open the cell focused before.
    TMoxCell* pressed = FRootCell->CellFromPix(d.X, d.Y, true);
    if (!pressed || pressed != FRootCell->GetFocusedCellDownTrack() || in.SizingMode != TMMode::mmNone)
        return;
    StartEditing();
}

void TMoxGridView_Custom::InputCellGone(TMoxCell* aCell)
{
    if (!FInput) return;
    TMoxGridViewInput& in = *FInput;
    if (in.PendingCell == aCell) {
        in.PendingCell = nullptr;
        in.SelectOnMouseUp = false;
    }
    if (in.SizingCell == aCell) {
        in.SizingCell = nullptr;
        in.SizingMode = TMMode::mmNone;
    }
}

// ---------------------------------------------------------------------------
// Sizing

void TMoxGridView_Custom::TrackWLine(int x1, int y1, int x2, int y2)
{
    TMoxGridViewInput& in = *FInput;
    // A paint since the last line has wiped it; drawing it again would leave a line.
    if (in.TrackLinePaint == GetPaintCount())
        DrawInvertedLine(GetDirectCanvas(), in.TrackLine[0], in.TrackLine[1]);
    DrawInvertedLine(GetDirectCanvas(), TPoint(x1, y1), TPoint(x2, y2));
    in.TrackLine[0] = TPoint(x1, y1);
    in.TrackLine[1] = TPoint(x2, y2);
    in.TrackLinePaint = GetPaintCount();
}

void TMoxGridView_Custom::DoResize(int aDelta, TMoxCell* aCell, bool aIsColumn)
{
    TAxisContentItem* item = aCell ? (aIsColumn ? aCell->ColumnItem : aCell->RowItem) : nullptr;
    if (!item) return;
    item->SetUserSizeActive(true);
    item->SetUserSize(std::max(0, item->Size + aDelta));
    OnAfterUserSize(this, aCell, aIsColumn, item);
    RecalcExtents();
}

void TMoxGridView_Custom::HandleAutoSize(TMoxCell* aCell, bool aIsColumn)
{
    if (!aIsColumn || !aCell || !aCell->ColumnItem || !aCell->ParentCell) return;
    TMoxGridCell* grid = aCell->ParentCell;
    TAxisContentItem* column = aCell->ColumnItem;
    const int loadedCol = column->LoadedListIndex();
    TCanvas* c = GetOffscreenCanvas();
    const QScopedValueRollback<TLayoutProp*> keepLayout(FLastAppliedLayout, nullptr);
    int width = 0;
    // Only the rows the last layout placed are measured: the cost follows
    // what is shown, never the number of rows.
    for (TAxisContentItem* row : grid->RowList->VisibleItems) {
        TMoxCell* cell = grid->Matrix->getLoadedCell(loadedCol, row->LoadedListIndex());
        if (!cell || cell->CellType() != moxCellTypeSimple || !cell->Layout || cell->Layout->WrapTextAndFit)
            continue;
        const TMoxEditorType kind = InternalGetEditorType(cell);
        if (kind == moxETBool) continue;
        QString text;
        bool isStringEdit = true;
        bool checked = false;
        SetRenderAttributes(cell, TMoxDrawStateSet(), text, isStringEdit, checked);
        TRect rect(0, 0, column->Size, row->Size);
        OnCellRectTampering(grid, cell, rect);
        TRect textRect;
        TRect iconRect;
        TRect buttonRect;
        DivideTheRectIntoSections(cell, TMoxDrawStateSet(), textRect, iconRect, buttonRect,
                                  rect.Inflate(-1, -1), false);
        const int outside = column->Size - textRect.Width();
        TRect measured = textRect;
        DrawText(c, text, measured, GetFlags(cell) | DT_CALCRECT);
        width = std::max(width, measured.Width() + outside + 2);
    }
    if (width < 5) width = column->Size;
    column->SetUserSizeActive(true);
    column->SetUserSize(width);
    OnAfterUserSize(this, aCell, true, column);
    RecalcExtents();
}

void TMoxGridView_Custom::SortByHeader(TMoxCell* aCell)
{
    if (aCell == FSortCell) {
        FSortDescending = !FSortDescending;
    } else {
        FSortDescending = false;
        FSortCell = aCell;
    }
    DoSortCell(aCell, FSortDescending);
    Invalidate();
}

// ---------------------------------------------------------------------------
// Automatic dragging

void TMoxGridView_Custom::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && GetDragMode() == dmAutomatic && !GetDesigning())
        AutoDragPress(e, false);
    else
        TqvOffscreenPaint::mousePressEvent(e);
}

void TMoxGridView_Custom::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && GetDragMode() == dmAutomatic && !GetDesigning())
        AutoDragPress(e, true);
    else
        TqvOffscreenPaint::mouseDoubleClickEvent(e);
}

void TMoxGridView_Custom::mouseReleaseEvent(QMouseEvent* e)
{
    // A release that ends a drag reaches no MouseUp; the drop rule needs its point.
    const TPoint off = ClientOffset();
    const QPoint p = e->position().toPoint();
    FInput->LastMousePos = TPoint(p.x() - off.X, p.y() - off.Y);
    TqvOffscreenPaint::mouseReleaseEvent(e);
}

void TMoxGridView_Custom::AutoDragPress(QMouseEvent* e, bool aDouble)
{
    // The press is handled as a press first (focus, selection); the drag
    // starts only from a body cell, never from a header or a border.
    const bool wasEditing = FEditing;
    const QPointer<QWidget> alive(this);
    {
        SetDragMode(dmManual);
        const auto restore = qScopeGuard([this, alive] {
            if (alive) SetDragMode(dmAutomatic);
        });
        if (aDouble)
            TqvOffscreenPaint::mouseDoubleClickEvent(e);
        else
            TqvOffscreenPaint::mousePressEvent(e);
    }
    if (!alive || aDouble || (wasEditing && !FEditing) || FInput->SizingMode != TMMode::mmNone) return;
    const TPoint p = FInput->LastMousePos;
    TMoxCell* cell = FRootCell->CellFromPix(p.X, p.Y, true);
    if (!cell || cell->GetIsFixed()) return;
    GuardedCall([&] {
        // The deferred selection waits for the drop, not for the drag's start.
        const QScopedValueRollback suspend(FInput->SelectOnMouseUp, false);
        BeginDrag(true);
    });
}

void TMoxGridView_Custom::DoEndDrag(TObject* Target, int X, int Y)
{
    TMoxGridViewInput& in = *FInput;
    const TPoint p = Target == this ? TPoint(X, Y) : in.LastMousePos;
    TMoxCell* cell = in.PendingCell;
    const bool pending = in.SelectOnMouseUp;
    in.SelectOnMouseUp = false;
    in.PendingCell = nullptr;
    if (pending && WasDrawn(cell) && cell->VisibleRect.Contains(p))
        FRootCell->UpdateMultiSelect(cell, in.PendingShift);
    TqvOffscreenPaint::DoEndDrag(Target, X, Y);
}

} // namespace skedra
