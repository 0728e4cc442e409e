// Interaction of the schedule view: selection with the mouse, moving items in
// time and between columns, stretching their start or stop, snapping, the
// keyboard, item popups, the time hint and the enlarged preview, and the
// schema area's drag-and-drop pass-through.

#include <QApplication>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QWidget>

#include <cmath>

#include "skedra/foundation/qvOffscreenPaint.h"
#include "skedra/platform/Bitmap.h"
#include "skedra/platform/Exceptions.h"
#include "skedra/schema/qvSchema.h"
#include "skedra/schema/qvSchema_p.h"

namespace skedra
{

namespace
{

// The resize edges are this many pixels deep along the time axis.
constexpr int kGrowEdge = 3;
// The enlarged preview window and the item drawn into it.
constexpr int kBigWidth = 120;
constexpr int kBigHeight = 230;
constexpr int kBigGap = 10;
// The small time hint.
constexpr int kInfoWidth = 120;
constexpr int kInfoHeight = 50;

// Debug builds check the interaction state after every mouse event.
void DebugCheck(const TSchemaInputState& aState)
{
#ifndef NDEBUG
    aState.CheckInvariants();
#else
    Q_UNUSED(aState);
#endif
}

bool HasCtrl(TShiftState aShift)
{
    return aShift.Contains(ssCtrl);
}
bool HasShift(TShiftState aShift)
{
    return aShift.Contains(ssShift);
}

} // namespace

// ---------------------------------------------------------------------------
// Set-up and state

void TSchemaInputState::CheckInvariants() const
{
    auto require = [](bool aCondition, const char* aText) {
        if (!aCondition)
            throw Exception(QStringLiteral("Schema input invariant broken: ") + QLatin1String(aText));
    };
    require(!(Moving && Growing), "one drag at a time");
    require(!Growing || GrowEntity != nullptr, "a resize has its item");
    require(!OutlineDrawn || Moving || Growing, "outlines only while dragging");
    require(Moving || MoveRects.empty(), "move rectangles only while moving");
}

void TqvSchema_ComBasic::InitializeInput()
{
    ShowBigTimer->OnTimer = MakeMethod<&TqvSchema_ComBasic::DoShowMeBig>(this);
    HideBigTimer->OnTimer = MakeMethod<&TqvSchema_ComBasic::DoHideShowMeBig>(this);
    SchemaArea->OnStartDrag = MakeMethod<&TqvSchema_ComBasic::SchemaStartDrag>(this);
    SchemaArea->OnDragOver = MakeMethod<&TqvSchema_ComBasic::SchemaDragOver>(this);
    SchemaArea->OnDragDrop = MakeMethod<&TqvSchema_ComBasic::SchemaDragDrop>(this);
    SchemaArea->OnEndDrag = MakeMethod<&TqvSchema_ComBasic::SchemaEndDrag>(this);
}

void TqvSchema_ComBasic::ForgetInputItem(TqvDataEntity* theDataEntity)
{
    TSchemaInputState& s = d->Input;
    if (theDataEntity == nullptr) return;
    if (s.PressedEntity == theDataEntity) s.PressedEntity = nullptr;
    if (s.PopupDataEntity == theDataEntity) s.PopupDataEntity = nullptr;
    if (s.GrowEntity == theDataEntity) {
        // The resize of a deleted item ends; the repaint that follows the
        // deletion removes its outline.
        s.GrowEntity = nullptr;
        s.Growing = false;
        s.OutlineDrawn = false;
    }
    if (s.HoverEntity == theDataEntity) {
        s.HoverEntity = nullptr;
        if (!FBeingDestroyed) DoHideShowMeBig(this);
    }
}

TDateTime TqvSchema_ComBasic::GetPressTime() const
{
    return d->Input.PressTime;
}

TqvDataEntity_SchemaTime* TqvSchema_ComBasic::GetPopupDataEntity() const
{
    return d->Input.PopupDataEntity;
}

// ---------------------------------------------------------------------------
// Selection and resize edges

void TqvSchema_ComBasic::UpdateMultiSelect(TqvDataEntity_SchemaTime* theItem, TShiftState theShift,
                                           bool theIsMouseDown)
{
    TSchemaInputState& s = d->Input;
    if (theIsMouseDown) {
        if (theItem != nullptr) ActiveDataEntity = theItem;
        s.SelectAtMouseUp = false;
        // A press on a selected item keeps the selection for the move; the
        // rule is applied at the release.
        if (theItem != nullptr && theItem->GetSelected()) {
            s.SelectAtMouseUp = true;
            SchemaArea->Invalidate();
            return;
        }
    } else {
        if (!s.SelectAtMouseUp) return;
        s.SelectAtMouseUp = false;
    }
    if (HasShift(theShift) || HasCtrl(theShift)) {
        if (theItem != nullptr) theItem->SetSelected(!theItem->GetSelected());
    } else {
        DataLists->ClearSelections();
        if (theItem != nullptr) theItem->SetSelected(true);
    }
    SchemaArea->Invalidate();
}

bool TqvSchema_ComBasic::InGrowArea(TqvDataEntity_SchemaTime* theItem, int X, int Y, bool& theIsStart,
                                    TRect& theRect)
{
    TRect r;
    if (!RectFromDataEntity(FlipView, theItem, r)) return false;
    theRect = r;
    if (!r.Contains(TPoint(X, Y))) return false;
    const int t = FlipView ? X : Y;
    const int nearEdge = FlipView ? r.Left : r.Top;
    const int farEdge = FlipView ? r.Right : r.Bottom;
    if (t >= nearEdge && t < nearEdge + kGrowEdge) {
        theIsStart = true;
        return true;
    }
    if (t >= farEdge - kGrowEdge && t < farEdge) {
        theIsStart = false;
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Mouse

void TqvSchema_ComBasic::SchemaMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                                         int Y)
{
    TSchemaInputState& s = d->Input;
    if (SchemaArea->CanFocus()) SchemaArea->SetFocus();
    if (Button == mbLeft) s.LeftDown = true;
    s.PressTime = Scaler->PixelToDate(FlipView ? X : Y);
    PressColumn = ColumnFromXY(TPoint(X, Y));
    s.PressedEntity = GetDataEntityFromXY(X, Y);
    UpdateMultiSelect(s.PressedEntity, Shift, true);

    if (Button == mbRight) {
        s.PopupDataEntity = s.PressedEntity;
        const TPoint p = SchemaArea->ClientToScreen(TPoint(X, Y));
        if (s.PressedEntity != nullptr && PopupSchema != nullptr) {
            PopupSchema->SetPopupComponent(SchemaArea);
            PopupSchema->Popup(p.X, p.Y);
        } else if (GetPopupMenu() != nullptr) {
            GetPopupMenu()->Popup(p.X, p.Y);
        }
    }

    if (Button == mbLeft && s.PressedEntity != nullptr) {
        s.PressPoint = TPoint(X, Y);
        s.DragOffset = TPoint(0, 0);
        s.OutlineDrawn = false;
        s.Growing = false;
        s.Moving = false;
        s.MoveRects.clear();
        if (s.PressedEntity->GetCanEdit()) {
            bool isStart = false;
            TRect r;
            if (InGrowArea(s.PressedEntity, X, Y, isStart, r)) {
                s.GrowRect = s.GrowOrigRect = r;
                s.GrowEntity = s.PressedEntity;
                s.GrowStart = isStart;
                s.Growing = true;
            } else {
                // The outlines of the move: the selected, editable items with a rectangle.
                for (int l = 0; l < DataLists->Count(); ++l)
                    if (TqvDataList* list = DataLists->GetDataList(l))
                        list->IteratorOfSelectedDataEntities([&](TqvDataList*, TqvDataEntity* e) {
                            auto* item = DataEntity_Schema(e);
                            TRect ir;
                            if (item != nullptr && item->GetCanEdit() &&
                                RectFromDataEntity(FlipView, item, ir))
                                s.MoveRects.push_back(ir);
                        });
                s.Moving = true;
            }
        }
    }

    if (OnSchemaMouseDown.Assigned()) {
        OnSchemaMouseDown(Sender, Button, Shift, X, Y);
        // A handler that took the mouse away (a dialog, another control
        // grabbing it) ends the drag before it starts.
        const QWidget* grabber = QWidget::mouseGrabber();
        const bool stillDown = s.LeftDown && SchemaArea->isVisible() && SchemaArea->isEnabled() &&
                               (grabber == nullptr || grabber == SchemaArea) &&
                               QApplication::activeModalWidget() == nullptr &&
                               QApplication::activePopupWidget() == nullptr;
        if (!stillDown) {
            s.Moving = false;
            s.Growing = false;
            s.MoveRects.clear();
        }
    }
    DebugCheck(s);
}

void TqvSchema_ComBasic::SchemaMouseMove(TObject* Sender, TShiftState Shift, int X, int Y)
{
    TSchemaInputState& s = d->Input;
    ShowBigTimer->SetEnabled(false);
    TCursor cursor = crArrow;
    if (s.Moving) {
        HandleLocalDrag(X, Y);
        if (StartDragWhenTimeMoveOutside && !SchemaArea->GetClientRect().Contains(TPoint(X, Y))) {
            // The move becomes a drag and drop of the schema area.
            s.Moving = false;
            s.LeftDown = false;
            s.OutlineDrawn = false;
            s.MoveRects.clear();
            SchemaArea->Invalidate();
            SchemaArea->BeginDrag(true);
        }
    }
    if (s.Growing) {
        cursor = crVSplit;
        HandleLocalGrow(X, Y);
    }
    if (!s.Moving && !s.Growing) {
        TqvDataEntity_SchemaTime* item = GetDataEntityFromXY(X, Y);
        if (item != nullptr) {
            if (TPoint(X, Y) != s.HoverPoint) {
                s.HoverPoint = TPoint(X, Y);
                s.HoverEntity = item;
                ShowBigTimer->SetEnabled(true);
            }
            bool isStart = false;
            TRect r;
            if (InGrowArea(item, X, Y, isStart, r) && item->GetCanEdit())
                cursor = FlipView ? crHSplit : crVSplit;
            DoMoveInfo(item, item->GetStartDateTime(), item->GetStopDateTime() - item->GetStartDateTime(), X,
                       Y);
        } else {
            s.HoverEntity = nullptr;
            DoHideShowMeBig(this);
            DoMoveInfo(nullptr, 0, 0, X, Y);
        }
    }
    SchemaArea->SetCursor(cursor);
    DebugCheck(s);
    OnSchemaMouseMove(Sender, Shift, X, Y);
}

void TqvSchema_ComBasic::SchemaMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TSchemaInputState& s = d->Input;
    const TPoint offset(X - s.PressPoint.X, Y - s.PressPoint.Y);
    if (Button == mbLeft) s.LeftDown = false;
    {
        // Whatever a handler does, the drag is over afterwards.
        const auto end = qScopeGuard([&] {
            s.Moving = false;
            s.Growing = false;
            s.OutlineDrawn = false;
            s.MoveRects.clear();
            InfoHint->ReleaseHandle();
        });
        if (s.Moving) {
            HandleMoveOfSelected(offset);
            SchemaArea->Invalidate();
        }
        if (s.Growing) {
            HandleGrow(offset);
            SchemaArea->Invalidate();
        }
        UpdateMultiSelect(s.PressedEntity, Shift, false);
    }
    DoMoveInfo(nullptr, 0, 0, X, Y);
    DebugCheck(s);
    OnSchemaMouseUp(Sender, Button, Shift, X, Y);
}

// ---------------------------------------------------------------------------
// Outlines

void TqvSchema_ComBasic::StartAndLengthFromRect(const TRect& theRect, TDateTime& theStart,
                                                TDateTime& theLength)
{
    const int middle = FlipView ? (theRect.Top + theRect.Bottom) / 2 : (theRect.Left + theRect.Right) / 2;
    const TqvDataEntity_SchemaColumn* column = Columns->SectionOwner(PixelToColumn(middle));
    const TDateTime offset = column != nullptr ? column->GetDateOffset() : 0;
    const TDateTime nearDate = Scaler->PixelToDate(FlipView ? theRect.Left : theRect.Top);
    const TDateTime farDate = Scaler->PixelToDate(FlipView ? theRect.Right : theRect.Bottom);
    theStart = offset + nearDate;
    theLength = farDate - nearDate;
}

void TqvSchema_ComBasic::DrawOutline(const TRect& theRect, bool theShowInfo, TCanvas* theCanvas)
{
    if (theShowInfo) {
        TDateTime start, length;
        StartAndLengthFromRect(theRect, start, length);
        Snap(start, length);
        DoMoveInfo(nullptr, start, length, theRect.Right, theRect.Top);
    }
    // Inverted, so that the same outline drawn again is gone.
    theCanvas->Pen.SetMode(pmNot);
    theCanvas->Pen.SetStyle(psDot);
    theCanvas->Pen.SetWidth(1);
    theCanvas->Brush.SetStyle(bsClear);
    const TPoint corners[] = {TPoint(theRect.Left, theRect.Top), TPoint(theRect.Left, theRect.Bottom),
                              TPoint(theRect.Right, theRect.Bottom), TPoint(theRect.Right, theRect.Top),
                              TPoint(theRect.Left, theRect.Top)};
    theCanvas->Polyline(corners);
    theCanvas->Pen.SetMode(pmCopy);
    theCanvas->Pen.SetStyle(psSolid);
}

void TqvSchema_ComBasic::DrawOutlineOfSelected(TPoint theOffset, TCanvas* theCanvas)
{
    bool first = true;
    for (const TRect& r : d->Input.MoveRects) {
        DrawOutline(
            TRect(r.Left + theOffset.X, r.Top + theOffset.Y, r.Right + theOffset.X, r.Bottom + theOffset.Y),
            first, theCanvas);
        first = false;
    }
}

void TqvSchema_ComBasic::HandleLocalDrag(int X, int Y)
{
    TSchemaInputState& s = d->Input;
    TCanvas* canvas = SchemaArea->GetDirectCanvas();
    // A paint since the outline was drawn has removed it already.
    if (s.OutlineDrawn && s.OutlinePaint == SchemaArea->GetPaintCount()) {
        const std::vector<TRect> rects = s.MoveRects;
        for (const TRect& r : rects)
            DrawOutline(TRect(r.Left + s.DragOffset.X, r.Top + s.DragOffset.Y, r.Right + s.DragOffset.X,
                              r.Bottom + s.DragOffset.Y),
                        false, canvas);
    }
    s.DragOffset = TPoint(X - s.PressPoint.X, Y - s.PressPoint.Y);
    DrawOutlineOfSelected(s.DragOffset, canvas);
    s.OutlineDrawn = true;
    s.OutlinePaint = SchemaArea->GetPaintCount();
}

void TqvSchema_ComBasic::HandleLocalGrow(int X, int Y)
{
    TSchemaInputState& s = d->Input;
    TCanvas* canvas = SchemaArea->GetDirectCanvas();
    if (s.OutlineDrawn && s.OutlinePaint == SchemaArea->GetPaintCount())
        DrawOutline(s.GrowRect, false, canvas);
    s.DragOffset = TPoint(X - s.PressPoint.X, Y - s.PressPoint.Y);
    s.GrowRect = s.GrowOrigRect;
    if (s.GrowStart) {
        if (FlipView)
            s.GrowRect.Left += s.DragOffset.X;
        else
            s.GrowRect.Top += s.DragOffset.Y;
    } else {
        if (FlipView)
            s.GrowRect.Right += s.DragOffset.X;
        else
            s.GrowRect.Bottom += s.DragOffset.Y;
    }
    DrawOutline(s.GrowRect, true, canvas);
    s.OutlineDrawn = true;
    s.OutlinePaint = SchemaArea->GetPaintCount();
}

// ---------------------------------------------------------------------------
// Applying moves and resizes

void TqvSchema_ComBasic::HandleMoveOfSelected(TPoint theOffset)
{
    if (theOffset.X == 0 && theOffset.Y == 0) return;
    for (int l = 0; l < DataLists->Count(); ++l) {
        TqvDataList* list = DataLists->GetDataList(l);
        if (list == nullptr) continue;
        list->IteratorOfSelectedDataEntities([&](TqvDataList*, TqvDataEntity* e) {
            auto* item = DataEntity_Schema(e);
            TRect r;
            if (item == nullptr || !RectFromDataEntity(FlipView, item, r)) return;
            const int nearEdge = FlipView ? r.Left : r.Top;
            const int shift = FlipView ? theOffset.X : theOffset.Y;
            const TDateTime diff = Scaler->PixelToDate(nearEdge + shift) - Scaler->PixelToDate(nearEdge);
            const int target = FlipView ? PixelToColumn(r.Top + theOffset.Y + (r.Bottom - r.Top) / 2)
                                        : PixelToColumn(r.Left + theOffset.X + (r.Right - r.Left) / 2);
            TDateTime start, stop;
            int col;
            GetStartStopDateAndCol(item, start, col, stop);
            // A jitter across the columns is no time change: the times stay as they are.
            WriteItem(item, start + diff, stop + diff, target, diff == 0 ? twKeep : twSnapped);
        });
    }
    UpdateSubColumns();
}

void TqvSchema_ComBasic::HandleMoveOfSelectedFromTimeDiff(int theColDiff, TDateTime theTimeDiff)
{
    if (theColDiff == 0 && theTimeDiff == 0) return;
    for (int l = 0; l < DataLists->Count(); ++l) {
        TqvDataList* list = DataLists->GetDataList(l);
        if (list == nullptr) continue;
        list->IteratorOfSelectedDataEntities([&](TqvDataList*, TqvDataEntity* e) {
            auto* item = DataEntity_Schema(e);
            // Without a valid column the relative times are unknown; writing
            // them would wipe the item's times.
            if (item == nullptr || Columns->SectionOwner(item->GetCol()) == nullptr) return;
            TDateTime start, stop;
            int col;
            GetStartStopDateAndCol(item, start, col, stop);
            WriteItem(item, start + theTimeDiff, stop + theTimeDiff, col + theColDiff,
                      theTimeDiff == 0 ? twKeep : twExact);
        });
    }
    UpdateSubColumns();
}

void TqvSchema_ComBasic::HandleGrow(TPoint theOffset)
{
    TSchemaInputState& s = d->Input;
    TqvDataEntity_SchemaTime* item = s.GrowEntity;
    if (item == nullptr) return;
    TDateTime start, stop;
    int col;
    GetStartStopDateAndCol(item, start, col, stop);
    if (Columns->SectionOwner(col) == nullptr) return;
    const int delta = FlipView ? theOffset.X : theOffset.Y;
    if (delta == 0) return;
    if (s.GrowStart) {
        const int edge = FlipView ? s.GrowOrigRect.Left : s.GrowOrigRect.Top;
        start += Scaler->PixelToDate(edge + delta) - Scaler->PixelToDate(edge);
        start = std::min(start, stop);
    } else {
        const int edge = FlipView ? s.GrowOrigRect.Right : s.GrowOrigRect.Bottom;
        stop += Scaler->PixelToDate(edge + delta) - Scaler->PixelToDate(edge);
        stop = std::max(stop, start);
    }
    WriteItem(item, start, stop, col, s.GrowStart ? twGrowStart : twSnapped);
    UpdateSubColumns();
}

// ---------------------------------------------------------------------------
// Writing an item

void TqvSchema_ComBasic::SetStartStopDateAndCol(TqvDataEntity_SchemaTime* theItem, TDateTime theStart,
                                                TDateTime theStop, int theCol)
{
    WriteItem(theItem, theStart, theStop, theCol, twSnapped);
}

void TqvSchema_ComBasic::WriteItem(TqvDataEntity_SchemaTime* theItem, TDateTime theStart, TDateTime theStop,
                                   int theCol, TTimeWrite theHow)
{
    if (theItem == nullptr || !theItem->GetCanEdit()) return;
    const int count = ColumnCount();
    if (count == 0) return; // no column to put the item in
    int newCol = std::clamp(theCol, 0, count - 1);
    bool applyTime = theHow != twKeep;
    if (newCol != theItem->GetCol()) {
        SwitchCol(theItem, theItem->GetCol(), newCol);
        newCol = std::clamp(newCol, 0, count - 1);
        // By default an item dragged into another column keeps its times;
        // with MoveInTimeWhenColSwitch its relative times move to the new column.
        if (newCol != theItem->GetCol()) applyTime = MoveInTimeWhenColSwitch;
    }
    if (!applyTime && newCol == theItem->GetCol()) return; // nothing changes
    const TDateTime offset = Columns->SectionOwner(newCol)->GetDateOffset();
    TDateTime start = offset + theStart;
    const TDateTime stop = offset + theStop;
    TDateTime length = stop - start;
    if (theHow == twSnapped || theHow == twGrowStart) Snap(start, length);
    // A stretched start never passes the stop, which stays where it is.
    if (theHow == twGrowStart && start > stop) {
        start = stop;
        length = 0;
    }
    // A stop before its start is never stored.
    if (!(length >= 0)) length = 0;
    {
        QScopedValueRollback internal(InternalChange, true);
        if (applyTime) {
            theItem->SetStartDateTime(start);
            theItem->SetStopDateTime(start + length);
        }
        theItem->SetCol(newCol);
    }
    theItem->DoInfoPush();
}

void TqvSchema_ComBasic::SwitchCol(TqvDataEntity_SchemaTime* theItem, int theOldCol, int& theNewCol)
{
    OnSwitchCol(this, theItem, theOldCol, theNewCol);
}

void TqvSchema_ComBasic::Snap(TDateTime& theStart, TDateTime& theLength) const
{
    // A step of 0 or less turns its snap off: there is nothing to round to.
    if (LengthSnapONOFF && LengthSnap > 0 && std::isfinite(theLength)) {
        const TDateTime n = std::nearbyint(theLength / LengthSnap);
        if (std::isfinite(n)) theLength = n * LengthSnap;
    }
    if (StartSnapONOFF && StartSnap > 0 && std::isfinite(theStart)) {
        // Within its own day, so that steps that do not divide a day still align to midnight.
        const TDateTime day = DateOf(theStart);
        const TDateTime n = std::nearbyint((theStart - day) / StartSnap);
        if (std::isfinite(n)) theStart = day + n * StartSnap;
    }
}

// ---------------------------------------------------------------------------
// Keyboard and popups

void TqvSchema_ComBasic::SchemaKeyDown(TObject*, Word& Key, TShiftState Shift)
{
    const bool ctrl = HasCtrl(Shift), shift = HasShift(Shift);
    bool popupKey = false;
    if (ctrl) {
        TDateTime step = kMinute;
        if (shift) step = StartSnap <= kMinute ? 10 * kMinute : StartSnap;
        switch (Key) {
        case VK_LEFT:
            HandleMoveOfSelectedFromTimeDiff(-1, 0);
            break;
        case VK_RIGHT:
            HandleMoveOfSelectedFromTimeDiff(1, 0);
            break;
        case VK_UP:
            HandleMoveOfSelectedFromTimeDiff(0, -step);
            break;
        case VK_DOWN:
            HandleMoveOfSelectedFromTimeDiff(0, step);
            break;
        case VK_APPS:
            popupKey = true;
            break;
        default:
            break;
        }
    } else if (!shift) {
        bool stepped = true;
        switch (Key) {
        case VK_LEFT:
        case VK_UP:
            DataLists->SelectPrev();
            break;
        case VK_RIGHT:
        case VK_DOWN:
            DataLists->SelectNext();
            break;
        case VK_APPS:
            popupKey = true;
            stepped = false;
            break;
        default:
            stepped = false;
            break;
        }
        if (stepped) {
            SchemaArea->Invalidate();
            if (OnSchemaHintInfo.Assigned())
                OnSchemaHintInfo(this, DataEntity_Schema(DataLists->FindSelected()), 0, 0, 0, 0);
        }
    }
    if (popupKey) {
        if (auto* item = DataEntity_Schema(DataLists->FindSelected())) {
            TRect r;
            RectFromDataEntity(FlipView, item, r);
            HandleDataEntityPopup(item, r);
            Key = 0;
        }
    }
    if (Key != 0) OnKeyDown(this, Key, Shift);
}

void TqvSchema_ComBasic::HandleDataEntityPopup(TqvDataEntity_SchemaTime* theItem, const TRect& theRect)
{
    if (theItem == nullptr || PopupSchema == nullptr) return;
    d->Input.PopupDataEntity = theItem;
    const TPoint p = SchemaArea->ClientToScreen(TPoint(theRect.Left, theRect.Bottom));
    PopupSchema->SetPopupComponent(SchemaArea);
    PopupSchema->Popup(p.X, p.Y);
    if (SchemaArea->CanFocus()) SchemaArea->SetFocus();
}

// ---------------------------------------------------------------------------
// Hints

void TqvSchema_ComBasic::DoMoveInfo(TObject* theItem, TDateTime theStart, TDateTime theLength, int X, int Y)
{
    if (OnSchemaHintInfo.Assigned()) {
        OnSchemaHintInfo(this, theItem, theStart, theLength, X, Y);
        return;
    }
    if (InfoHint == nullptr || theStart == 0 || theLength == 0) return;
    const QString format = GetScalerTimeFormat();
    const QString text = FormatDateTime(format, theStart) + QLatin1Char('\r') +
                         FormatDateTime(format, theStart + theLength) + QLatin1Char('\r') +
                         FormatDateTime(format, theLength);
    const TPoint origin = SchemaArea->ClientOrigin();
    const int x = origin.X + X;
    int y = origin.Y + SchemaArea->GetHeight() + 4;
    if (y < 0) y = 5;
    if (BigHint != nullptr && BigHint->IsShowing()) return;
    InfoHint->ActivateHint(TRect(x, y, x + kInfoWidth, y + kInfoHeight), text);
}

void TqvSchema_ComBasic::DoShowMeBig(TObject*)
{
    TSchemaInputState& s = d->Input;
    TqvDataEntity_SchemaTime* item = GetDataEntityFromXY(s.HoverPoint.X, s.HoverPoint.Y);
    TRect r;
    if (ShowBigONOFF && BigHint != nullptr && item != nullptr && RectFromDataEntity(FlipView, item, r)) {
        int left = r.Left - kBigWidth - kBigGap;
        if (left < 0) left = r.Right + kBigGap;
        const TPoint p = SchemaArea->ClientToScreen(TPoint(left, r.Top - kBigGap));
        TBitmap picture(kBigWidth, kBigHeight);
        TCanvas* canvas = picture.GetCanvas();
        canvas->Font.Assign(*GetFont());
        DrawContent(item, TRect(0, 0, kBigWidth - 2, kBigHeight - 2), canvas);
        BigHint->SetPicture(picture.ToImage());
        InfoHint->ReleaseHandle();
        BigHint->SetBounds(p.X, p.Y, kBigWidth, kBigHeight);
        BigHint->setVisible(true);
    }
    ShowBigTimer->SetEnabled(false);
    HideBigTimer->SetEnabled(false);
    HideBigTimer->SetEnabled(true);
    if (item != nullptr)
        DoMoveInfo(item, item->GetStartDateTime(), item->GetStopDateTime() - item->GetStartDateTime(),
                   s.HoverPoint.X, s.HoverPoint.Y);
}

void TqvSchema_ComBasic::DoHideShowMeBig(TObject*)
{
    if (InfoHint != nullptr) InfoHint->ReleaseHandle();
    if (BigHint != nullptr) BigHint->ReleaseHandle();
    ShowBigTimer->SetEnabled(false);
    HideBigTimer->SetEnabled(false);
}

// ---------------------------------------------------------------------------
// Drag-and-drop pass-through

void TqvSchema_ComBasic::SchemaStartDrag(TObject* Sender, TObject*& DragObject)
{
    OnStartDrag(Sender, DragObject);
}

void TqvSchema_ComBasic::SchemaDragOver(TObject* Sender, TObject* Source, int X, int Y, TDragState State,
                                        bool& Accept)
{
    Accept = false;
    OnDragOver(Sender, Source, X, Y, State, Accept);
}

void TqvSchema_ComBasic::SchemaDragDrop(TObject* Sender, TObject* Source, int X, int Y)
{
    OnDragDrop(Sender, Source, X, Y);
}

void TqvSchema_ComBasic::SchemaEndDrag(TObject* Sender, TObject* Target, int X, int Y)
{
    OnEndDrag(Sender, Target, X, Y);
}

} // namespace skedra
