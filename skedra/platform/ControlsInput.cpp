#include "skedra/platform/Controls.h"
#include "skedra/platform/Controls_p.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

#include "skedra/platform/Menus.h"
#include "skedra/platform/Messages.h"

namespace skedra
{

// ---------------------------------------------------------------------------
// Mouse buttons

namespace
{

bool ButtonFromQt(Qt::MouseButton aButton, TMouseButton& aResult)
{
    switch (aButton) {
    case Qt::LeftButton:
        aResult = mbLeft;
        return true;
    case Qt::RightButton:
        aResult = mbRight;
        return true;
    case Qt::MiddleButton:
        aResult = mbMiddle;
        return true;
    default:
        return false;
    }
}

// The control (or the nearest enclosing one) at a screen point.
TControl* ControlAt(const QPoint& aGlobal)
{
    for (QWidget* w = QApplication::widgetAt(aGlobal); w != nullptr; w = w->parentWidget()) {
        if (auto* c = dynamic_cast<TControl*>(w)) return c;
    }
    return nullptr;
}
} // namespace

// ---------------------------------------------------------------------------
// In-process drag and drop (one drag at a time, on the user-interface thread)

namespace
{

struct DragState {
    QPointer<QWidget> source;
    TObject* dragObject = nullptr;
    bool started = false;
    int threshold = 5;
    QPoint startGlobal;
    QPointer<QWidget> target;
    bool accepted = false;
    bool overrideCursor = false;
};

// Where the pointer was at the last mouse event a control received (screen
// coordinates): drags follow the events, not the system cursor.
QPoint gLastMouseGlobal;

DragState& Drag()
{
    static DragState d;
    return d;
}

TControl* DragSource()
{
    return dynamic_cast<TControl*>(Drag().source.data());
}
TControl* DragTarget()
{
    return dynamic_cast<TControl*>(Drag().target.data());
}

TObject* DragSourceObject()
{
    DragState& d = Drag();
    return d.dragObject != nullptr ? d.dragObject : static_cast<TObject*>(DragSource());
}

void ShowDragCursor(TCursor aCursor)
{
    DragState& d = Drag();
    if (d.overrideCursor)
        QApplication::changeOverrideCursor(QCursor(CursorToQt(aCursor)));
    else
        QApplication::setOverrideCursor(QCursor(CursorToQt(aCursor)));
    d.overrideCursor = true;
}

void FinishDrag()
{
    DragState& d = Drag();
    if (d.overrideCursor) QApplication::restoreOverrideCursor();
    d = DragState();
}

} // namespace

void detail::ForgetDragSource(const TControl* aControl)
{
    if (Drag().source == aControl) FinishDrag();
}

void TControl::BeginDrag(bool Immediate, int Threshold)
{
    if (DragSource() != nullptr) return;
    DragState& d = Drag();
    d.source = this;
    d.threshold = Threshold < 0 ? QApplication::startDragDistance() : Threshold;
    d.startGlobal = gLastMouseGlobal;
    if (Immediate) {
        d.started = true;
        DoStartDrag(d.dragObject);
        ShowDragCursor(crNoDrop);
    }
}

bool TControl::Dragging() const
{
    return DragSource() == this && Drag().started;
}

void TControl::EndDrag(bool Drop)
{
    if (DragSource() != this) return;
    DragState& d = Drag();
    const bool started = d.started;
    TControl* target = d.accepted ? DragTarget() : nullptr;
    const QPoint global = gLastMouseGlobal;
    TObject* source = DragSourceObject();
    TPoint p;
    if (target != nullptr) p = target->ScreenToClient(TPoint::From(global));
    FinishDrag();
    if (!started) return;
    if (Drop && target != nullptr) target->DragDrop(source, p.X, p.Y);
    DoEndDrag(Drop ? target : nullptr, p.X, p.Y);
}

void TControl::DragMouseMove(const QMouseEvent* e)
{
    DragState& d = Drag();
    const QPoint global = e->globalPosition().toPoint();
    if (!d.started) {
        if ((global - d.startGlobal).manhattanLength() < d.threshold) return;
        d.started = true;
        DoStartDrag(d.dragObject);
        if (DragSource() != this) return; // the start handler ended it
    }
    TControl* over = ControlAt(global);
    TControl* previous = DragTarget();
    TObject* source = DragSourceObject();
    if (previous != nullptr && previous != over) {
        bool dummy = false;
        const TPoint p = previous->ScreenToClient(TPoint::From(global));
        previous->DragOver(source, p.X, p.Y, dsDragLeave, dummy);
    }
    d.target = over;
    d.accepted = false;
    if (over != nullptr) {
        const TPoint p = over->ScreenToClient(TPoint::From(global));
        bool accept = false;
        over->DragOver(source, p.X, p.Y, over == previous ? dsDragMove : dsDragEnter, accept);
        d.accepted = accept;
    }
    ShowDragCursor(d.accepted ? FDragCursor : crNoDrop);
}

bool TControl::DragMouseUp(const QMouseEvent* /*e*/)
{
    const bool started = Drag().started;
    if (!started) {
        FinishDrag(); // released before the threshold: an ordinary click
        return false;
    }
    EndDrag(true);
    return true;
}

void TControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept)
{
    Accept = OnDragOver.Assigned();
    OnDragOver(this, Source, X, Y, State, Accept);
}

void TControl::DragDrop(TObject* Source, int X, int Y)
{
    OnDragDrop(this, Source, X, Y);
}

void TControl::DoStartDrag(TObject*& DragObject)
{
    OnStartDrag(this, DragObject);
}

void TControl::DoEndDrag(TObject* Target, int X, int Y)
{
    OnEndDrag(this, Target, X, Y);
}

void TControl::paintEvent(QPaintEvent*)
{
    GuardedCall([&] {
        QPainter painter(this);
        PaintNonClient(&painter);
        const TPoint off = ClientOffset();
        const TRect client = GetClientRect();
        painter.translate(off.X, off.Y);
        painter.setClipRect(client.ToQRect());
        if (EraseBackground()) painter.fillRect(client.ToQRect(), ToQColor(FColor));
        PaintWindow(&painter);
    });
}

void TControl::mousePressEvent(QMouseEvent* e)
{
    e->accept();
    gLastMouseGlobal = e->globalPosition().toPoint();
    GuardedCall([&] {
        TMouseButton button;
        if (!ButtonFromQt(e->button(), button)) return;
        const TPoint p = EventPos(e);
        if (button == mbLeft && FDragMode == dmAutomatic) {
            BeginDrag(true);
            return;
        }
        if (button == mbLeft && FControlStyle.Contains(csClickEvents)) FClicked = true;
        MouseDown(button, ShiftStateFromQt(e->modifiers(), e->buttons()), p.X, p.Y);
    });
}

void TControl::mouseDoubleClickEvent(QMouseEvent* e)
{
    e->accept();
    gLastMouseGlobal = e->globalPosition().toPoint();
    if (!FControlStyle.Contains(csDoubleClicks)) {
        mousePressEvent(e);
        return;
    }
    GuardedCall([&] {
        TMouseButton button;
        if (!ButtonFromQt(e->button(), button)) return;
        const TPoint p = EventPos(e);
        if (button == mbLeft && FDragMode == dmAutomatic) {
            BeginDrag(true);
            return;
        }
        if (button == mbLeft && FControlStyle.Contains(csClickEvents)) {
            const QPointer<QWidget> alive(this);
            DblClick();
            if (alive.isNull()) return; // the double click freed the control
        }
        MouseDown(button, ShiftStateFromQt(e->modifiers(), e->buttons()) + ssDouble, p.X, p.Y);
    });
}

void TControl::mouseMoveEvent(QMouseEvent* e)
{
    e->accept();
    gLastMouseGlobal = e->globalPosition().toPoint();
    GuardedCall([&] {
        if (DragSource() == this) {
            DragMouseMove(e);
            return;
        }
        const TPoint p = EventPos(e);
        MouseMove(ShiftStateFromQt(e->modifiers(), e->buttons()), p.X, p.Y);
    });
}

void TControl::mouseReleaseEvent(QMouseEvent* e)
{
    e->accept();
    gLastMouseGlobal = e->globalPosition().toPoint();
    GuardedCall([&] {
        if (DragSource() == this && DragMouseUp(e)) return;
        TMouseButton button;
        if (!ButtonFromQt(e->button(), button)) return;
        const TPoint p = EventPos(e);
        if (button == mbLeft && FClicked) {
            FClicked = false;
            const QPointer<QWidget> alive(this);
            if (GetClientRect().Contains(p)) Click();
            if (alive.isNull()) return; // the click freed the control
        }
        MouseUp(button, ShiftStateFromQt(e->modifiers(), e->buttons()), p.X, p.Y);
    });
}

void TControl::wheelEvent(QWheelEvent* e)
{
    TWMMouseWheel msg;
    msg.Keys = ShiftStateFromQt(e->modifiers(), e->buttons());
    msg.WheelDelta = e->angleDelta().y();
    const QPoint global = e->globalPosition().toPoint();
    msg.XPos = global.x();
    msg.YPos = global.y();
    if (msg.WheelDelta == 0) {
        e->ignore();
        return;
    }
    if (!GuardedCall([&] { WMMouseWheel(msg); })) msg.Handled = true;
    if (msg.Handled)
        e->accept();
    else
        e->ignore();
}

void TControl::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    GuardedCall([&] {
        if (size() == FNotifiedSize) return;
        FNotifiedSize = size();
        BoundsChanged(true);
    });
}

void TControl::moveEvent(QMoveEvent* e)
{
    QWidget::moveEvent(e);
}

void TControl::contextMenuEvent(QContextMenuEvent* e)
{
    bool handled = false;
    GuardedCall([&] {
        TPoint mousePos(-1, -1);
        if (e->reason() != QContextMenuEvent::Keyboard) {
            const TPoint off = ClientOffset();
            mousePos = TPoint(e->pos().x() - off.X, e->pos().y() - off.Y);
        }
        DoContextPopup(mousePos, handled);
        if (handled) return;
        if (FPopupMenu != nullptr && FPopupMenu->GetAutoPopup()) {
            handled = true;
            FPopupMenu->SetPopupComponent(this);
            FPopupMenu->Popup(e->globalPos().x(), e->globalPos().y());
        }
    });
    if (handled)
        e->accept();
    else
        e->ignore();
}
} // namespace skedra
