#include "skedra/platform/Controls.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWheelEvent>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <vector>

#include "skedra/platform/Menus.h"
#include "skedra/platform/Messages.h"

namespace skedra
{

// ---------------------------------------------------------------------------
// Cursors and keys

Qt::CursorShape CursorToQt(TCursor aCursor)
{
    switch (aCursor) {
    case crNone:
        return Qt::BlankCursor;
    case crCross:
        return Qt::CrossCursor;
    case crIBeam:
        return Qt::IBeamCursor;
    case crSizeNESW:
        return Qt::SizeBDiagCursor;
    case crSizeNS:
        return Qt::SizeVerCursor;
    case crSizeNWSE:
        return Qt::SizeFDiagCursor;
    case crSizeWE:
        return Qt::SizeHorCursor;
    case crUpArrow:
        return Qt::UpArrowCursor;
    case crHourGlass:
        return Qt::WaitCursor;
    case crDrag:
        return Qt::DragCopyCursor;
    case crNoDrop:
        return Qt::ForbiddenCursor;
    case crHSplit:
        return Qt::SplitHCursor;
    case crVSplit:
        return Qt::SplitVCursor;
    case crMultiDrag:
        return Qt::DragCopyCursor;
    case crSQLWait:
        return Qt::BusyCursor;
    case crNo:
        return Qt::ForbiddenCursor;
    case crAppStart:
        return Qt::BusyCursor;
    case crHelp:
        return Qt::WhatsThisCursor;
    case crHandPoint:
        return Qt::PointingHandCursor;
    case crSizeAll:
        return Qt::SizeAllCursor;
    default:
        return Qt::ArrowCursor;
    }
}

namespace
{

struct KeyMapping {
    int qtKey;
    bool keypad; // only with Qt::KeypadModifier
    Word vk;
};

// The one table between Qt keys and virtual-key codes. Letters and digits map
// to their upper-case ASCII codes and are handled by range; shifted symbols of
// the US layout map to the key that produces them.
constexpr KeyMapping kKeyTable[] = {
    {Qt::Key_0, true, VK_NUMPAD0},
    {Qt::Key_1, true, VK_NUMPAD1},
    {Qt::Key_2, true, VK_NUMPAD2},
    {Qt::Key_3, true, VK_NUMPAD3},
    {Qt::Key_4, true, VK_NUMPAD4},
    {Qt::Key_5, true, VK_NUMPAD5},
    {Qt::Key_6, true, VK_NUMPAD6},
    {Qt::Key_7, true, VK_NUMPAD7},
    {Qt::Key_8, true, VK_NUMPAD8},
    {Qt::Key_9, true, VK_NUMPAD9},
    {Qt::Key_Asterisk, true, VK_MULTIPLY},
    {Qt::Key_Plus, true, VK_ADD},
    {Qt::Key_Minus, true, VK_SUBTRACT},
    {Qt::Key_Period, true, VK_DECIMAL},
    {Qt::Key_Comma, true, VK_DECIMAL},
    {Qt::Key_Slash, true, VK_DIVIDE},
    {Qt::Key_Backspace, false, VK_BACK},
    {Qt::Key_Tab, false, VK_TAB},
    {Qt::Key_Backtab, false, VK_TAB},
    {Qt::Key_Clear, false, VK_CLEAR},
    {Qt::Key_Return, false, VK_RETURN},
    {Qt::Key_Enter, false, VK_RETURN},
    {Qt::Key_Shift, false, VK_SHIFT},
    {Qt::Key_Control, false, VK_CONTROL},
    {Qt::Key_Alt, false, VK_MENU},
    {Qt::Key_AltGr, false, VK_MENU},
    {Qt::Key_Pause, false, VK_PAUSE},
    {Qt::Key_CapsLock, false, VK_CAPITAL},
    {Qt::Key_Escape, false, VK_ESCAPE},
    {Qt::Key_Space, false, VK_SPACE},
    {Qt::Key_PageUp, false, VK_PRIOR},
    {Qt::Key_PageDown, false, VK_NEXT},
    {Qt::Key_End, false, VK_END},
    {Qt::Key_Home, false, VK_HOME},
    {Qt::Key_Left, false, VK_LEFT},
    {Qt::Key_Up, false, VK_UP},
    {Qt::Key_Right, false, VK_RIGHT},
    {Qt::Key_Down, false, VK_DOWN},
    {Qt::Key_Select, false, VK_SELECT},
    {Qt::Key_Printer, false, VK_PRINT},
    {Qt::Key_Execute, false, VK_EXECUTE},
    {Qt::Key_Print, false, VK_SNAPSHOT},
    {Qt::Key_SysReq, false, VK_SNAPSHOT},
    {Qt::Key_Insert, false, VK_INSERT},
    {Qt::Key_Delete, false, VK_DELETE},
    {Qt::Key_Help, false, VK_HELP},
    {Qt::Key_Meta, false, VK_LWIN},
    {Qt::Key_Super_L, false, VK_LWIN},
    {Qt::Key_Super_R, false, VK_RWIN},
    {Qt::Key_Menu, false, VK_APPS},
    {Qt::Key_NumLock, false, VK_NUMLOCK},
    {Qt::Key_ScrollLock, false, VK_SCROLL},
    {Qt::Key_Exclam, false, '1'},
    {Qt::Key_At, false, '2'},
    {Qt::Key_NumberSign, false, '3'},
    {Qt::Key_Dollar, false, '4'},
    {Qt::Key_Percent, false, '5'},
    {Qt::Key_AsciiCircum, false, '6'},
    {Qt::Key_Ampersand, false, '7'},
    {Qt::Key_Asterisk, false, '8'},
    {Qt::Key_ParenLeft, false, '9'},
    {Qt::Key_ParenRight, false, '0'},
    {Qt::Key_Semicolon, false, VK_OEM_1},
    {Qt::Key_Colon, false, VK_OEM_1},
    {Qt::Key_Equal, false, VK_OEM_PLUS},
    {Qt::Key_Plus, false, VK_OEM_PLUS},
    {Qt::Key_Comma, false, VK_OEM_COMMA},
    {Qt::Key_Less, false, VK_OEM_COMMA},
    {Qt::Key_Minus, false, VK_OEM_MINUS},
    {Qt::Key_Underscore, false, VK_OEM_MINUS},
    {Qt::Key_Period, false, VK_OEM_PERIOD},
    {Qt::Key_Greater, false, VK_OEM_PERIOD},
    {Qt::Key_Slash, false, VK_OEM_2},
    {Qt::Key_Question, false, VK_OEM_2},
    {Qt::Key_QuoteLeft, false, VK_OEM_3},
    {Qt::Key_AsciiTilde, false, VK_OEM_3},
    {Qt::Key_BracketLeft, false, VK_OEM_4},
    {Qt::Key_BraceLeft, false, VK_OEM_4},
    {Qt::Key_Backslash, false, VK_OEM_5},
    {Qt::Key_Bar, false, VK_OEM_5},
    {Qt::Key_BracketRight, false, VK_OEM_6},
    {Qt::Key_BraceRight, false, VK_OEM_6},
    {Qt::Key_Apostrophe, false, VK_OEM_7},
    {Qt::Key_QuoteDbl, false, VK_OEM_7},
};

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

std::atomic<int> gTabCounter{0};

} // namespace

Word KeyCodeFromQt(int aQtKey, Qt::KeyboardModifiers aModifiers)
{
    if (aQtKey >= Qt::Key_A && aQtKey <= Qt::Key_Z) return static_cast<Word>('A' + (aQtKey - Qt::Key_A));
    if (aQtKey >= Qt::Key_F1 && aQtKey <= Qt::Key_F24)
        return static_cast<Word>(VK_F1 + (aQtKey - Qt::Key_F1));
    const bool keypad = aModifiers.testFlag(Qt::KeypadModifier);
    if (keypad) {
        for (const KeyMapping& m : kKeyTable)
            if (m.keypad && m.qtKey == aQtKey) return m.vk;
    }
    if (aQtKey >= Qt::Key_0 && aQtKey <= Qt::Key_9) return static_cast<Word>('0' + (aQtKey - Qt::Key_0));
    for (const KeyMapping& m : kKeyTable)
        if (!m.keypad && m.qtKey == aQtKey) return m.vk;
    return 0;
}

Word KeyCodeFromQt(const QKeyEvent* anEvent)
{
    if (anEvent == nullptr) return 0;
    return KeyCodeFromQt(anEvent->key(), anEvent->modifiers());
}

int QtKeyFromKeyCode(Word aKey)
{
    if (aKey >= 'A' && aKey <= 'Z') return Qt::Key_A + (aKey - 'A');
    if (aKey >= '0' && aKey <= '9') return Qt::Key_0 + (aKey - '0');
    if (aKey >= VK_F1 && aKey <= VK_F24) return Qt::Key_F1 + (aKey - VK_F1);
    if (aKey >= VK_NUMPAD0 && aKey <= VK_NUMPAD9) return Qt::Key_0 + (aKey - VK_NUMPAD0);
    for (const KeyMapping& m : kKeyTable)
        if (m.vk == aKey) return m.qtKey;
    return Qt::Key_unknown;
}

TShiftState ShiftStateFromQt(Qt::KeyboardModifiers aModifiers, Qt::MouseButtons aButtons)
{
    TShiftState s;
    if (aModifiers.testFlag(Qt::ShiftModifier)) s += ssShift;
    if (aModifiers.testFlag(Qt::AltModifier)) s += ssAlt;
    if (aModifiers.testFlag(Qt::ControlModifier)) s += ssCtrl;
    if (aButtons.testFlag(Qt::LeftButton)) s += ssLeft;
    if (aButtons.testFlag(Qt::RightButton)) s += ssRight;
    if (aButtons.testFlag(Qt::MiddleButton)) s += ssMiddle;
    return s;
}

TShiftState KeyboardStateToShiftState()
{
    return ShiftStateFromQt(QApplication::keyboardModifiers(), QApplication::mouseButtons());
}

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

// ---------------------------------------------------------------------------
// TControl

namespace
{

// A control's canvas: outside Paint it has no painter, measures text and draws nothing.
class TControlCanvas : public TCanvas
{
public:
    TControlCanvas() { DrawsNothingWithoutPainter = true; }
};

} // namespace

TControl::TControl(QWidget* aParent) : QWidget(aParent), FCanvas(std::make_unique<TControlCanvas>())
{
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    FFont.AssignQFont(font());
    FFont.SetColor(clWindowText);
    FFont.OnChange = MakeMethod<&TControl::FontChangedHandler>(this);
    TakeParentFont();
    if (aParent != nullptr) QWidget::setVisible(true);
}

TControl::~TControl()
{
    FDestroying = true;
    if (Drag().source == this) FinishDrag();
}

TWinControl* TControl::GetParent() const
{
    return dynamic_cast<TWinControl*>(parentWidget());
}

void TControl::SetParent(QWidget* aParent)
{
    if (aParent == parentWidget()) return;
    TWinControl* oldParent = GetParent();
    const bool visible = FVisible;
    const QRect geometryBefore = geometry();
    QWidget::setParent(aParent);
    FVisible = visible;
    setGeometry(geometryBefore);
    if (aParent != nullptr && visible) QWidget::setVisible(true);
    TakeParentFont();
    if (oldParent != nullptr && FAlign != alNone) oldParent->Realign();
    RequestAlign();
}

int TControl::GetLeft() const
{
    const auto* p = dynamic_cast<const TControl*>(parentWidget());
    return x() - (p ? p->ClientOffset().X : 0);
}

int TControl::GetTop() const
{
    const auto* p = dynamic_cast<const TControl*>(parentWidget());
    return y() - (p ? p->ClientOffset().Y : 0);
}

void TControl::SetBounds(int aLeft, int aTop, int aWidth, int aHeight)
{
    InternalSetBounds(aLeft, aTop, aWidth, aHeight);
    RequestAlign();
}

void TControl::InternalSetBounds(int aLeft, int aTop, int aWidth, int aHeight)
{
    const auto* p = dynamic_cast<const TControl*>(parentWidget());
    const TPoint off = p ? p->ClientOffset() : TPoint();
    const QRect r(aLeft + off.X, aTop + off.Y, std::max(0, aWidth), std::max(0, aHeight));
    if (r == geometry()) return;
    const bool moved = r.topLeft() != geometry().topLeft();
    setGeometry(r);
    if (size() != FNotifiedSize) {
        FNotifiedSize = size();
        BoundsChanged(true);
    } else if (moved) {
        BoundsChanged(false);
    }
}

TRect TControl::GetClientRect() const
{
    return TRect(0, 0, width(), height());
}

void TControl::SetClientWidth(int aValue)
{
    SetWidth(GetWidth() - GetClientWidth() + aValue);
}

void TControl::SetClientHeight(int aValue)
{
    SetHeight(GetHeight() - GetClientHeight() + aValue);
}

void TControl::setVisible(bool aVisible)
{
    const bool changed = FVisible != aVisible;
    FVisible = aVisible;
    QWidget::setVisible(aVisible);
    if (!changed || FDestroying) return;
    VisibleChanged();
    RequestAlign();
}

void TControl::SetEnabled(bool aValue)
{
    if (aValue == isEnabled()) return;
    setEnabled(aValue);
    Invalidate();
}

void TControl::SetAlign(TAlign aValue)
{
    if (aValue == FAlign) return;
    const TAlign old = FAlign;
    FAlign = aValue;
    if (old != alNone && aValue == alNone) {
        if (TWinControl* p = GetParent()) p->AlignControl(this);
    } else {
        RequestAlign();
    }
}

void TControl::RequestAlign()
{
    if (FDestroying || FAlign == alNone) return;
    if (TWinControl* p = GetParent()) p->AlignControl(this);
}

void TControl::SetColor(TColor aValue)
{
    if (aValue == FColor) return;
    FColor = aValue;
    ColorChanged();
}

void TControl::FontChangedHandler(TObject*)
{
    if (!FTakingParentFont) FParentFont = false;
    FontChanged();
    for (QObject* o : children()) {
        auto* c = dynamic_cast<TControl*>(o);
        if (c != nullptr && !c->isWindow()) c->TakeParentFont();
    }
}

void TControl::TakeParentFont()
{
    if (!FParentFont) return;
    const auto* p = dynamic_cast<const TControl*>(parentWidget());
    if (p == nullptr || isWindow()) return;
    FTakingParentFont = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{FTakingParentFont};
    FFont.Assign(p->FFont);
}

void TControl::SetParentFont(bool aValue)
{
    FParentFont = aValue;
    TakeParentFont();
}

void TControl::FontChanged()
{
    Invalidate();
}

void TControl::SetCursor(TCursor aValue)
{
    FCursor = aValue;
    if (aValue == crDefault)
        unsetCursor();
    else
        setCursor(QCursor(CursorToQt(aValue)));
}

void TControl::SetHint(const QString& aValue)
{
    FHint = aValue;
    ApplyHint();
}

void TControl::SetShowHint(bool aValue)
{
    FShowHint = aValue;
    ApplyHint();
}

void TControl::ApplyHint()
{
    setToolTip(FShowHint ? FHint : QString());
}

void TControl::SetCaption(const QString& aValue)
{
    if (aValue == FCaption) return;
    FCaption = aValue;
    TextChanged();
}

bool TControl::GetMouseCapture() const
{
    return QWidget::mouseGrabber() == this;
}

void TControl::SetMouseCapture(bool aValue)
{
    if (aValue == GetMouseCapture()) return;
    if (aValue) {
        if (isVisible()) grabMouse();
    } else {
        releaseMouse();
    }
}

void TControl::Invalidate()
{
    update();
}

void TControl::Repaint()
{
    repaint();
}

void TControl::Update()
{
    // Pending paints are requested from the window; deliver them now.
    if (isVisible()) QCoreApplication::sendPostedEvents(window(), QEvent::UpdateRequest);
}

void TControl::BringToFront()
{
    if (dynamic_cast<TGraphicControl*>(this) != nullptr) {
        // Above its graphic siblings, still below the windowed ones.
        raise();
        static_cast<TGraphicControl*>(this)->KeepBelowWindowedSiblings();
    } else {
        raise();
    }
    RequestAlign();
}

void TControl::SendToBack()
{
    if (dynamic_cast<TGraphicControl*>(this) != nullptr || parentWidget() == nullptr) {
        lower();
    } else {
        // Below the other windowed siblings, still above the graphic ones.
        for (QObject* o : parentWidget()->children()) {
            auto* w = qobject_cast<QWidget*>(o);
            if (w == nullptr || w == this || w->isWindow() || dynamic_cast<TGraphicControl*>(w) != nullptr)
                continue;
            stackUnder(w);
            break;
        }
    }
    RequestAlign();
}

TPoint TControl::ClientToScreen(TPoint aPoint) const
{
    const TPoint off = ClientOffset();
    return TPoint::From(mapToGlobal(QPoint(aPoint.X + off.X, aPoint.Y + off.Y)));
}

TPoint TControl::ScreenToClient(TPoint aPoint) const
{
    const TPoint off = ClientOffset();
    const QPoint p = mapFromGlobal(aPoint.ToQPoint());
    return TPoint(p.x() - off.X, p.y() - off.Y);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y)
{
    OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::Click()
{
    OnClick(this);
}

void TControl::DblClick()
{
    OnDblClick(this);
}

bool TControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos)
{
    constexpr int kWheelDelta = 120;
    bool result = false;
    OnMouseWheel(this, Shift, WheelDelta, MousePos, result);
    if (!result) {
        FWheelAccumulator += WheelDelta;
        while (std::abs(FWheelAccumulator) >= kWheelDelta) {
            const bool negative = FWheelAccumulator < 0;
            FWheelAccumulator = std::abs(FWheelAccumulator) - kWheelDelta;
            if (negative) {
                if (FWheelAccumulator != 0) FWheelAccumulator = -FWheelAccumulator;
                result = DoMouseWheelDown(Shift, MousePos);
            } else {
                result = DoMouseWheelUp(Shift, MousePos);
            }
        }
    }
    return result;
}

bool TControl::DoMouseWheelDown(TShiftState Shift, TPoint MousePos)
{
    bool result = false;
    OnMouseWheelDown(this, Shift, MousePos, result);
    return result;
}

bool TControl::DoMouseWheelUp(TShiftState Shift, TPoint MousePos)
{
    bool result = false;
    OnMouseWheelUp(this, Shift, MousePos, result);
    return result;
}

void TControl::WMMouseWheel(TWMMouseWheel& Msg)
{
    Msg.Handled = DoMouseWheel(Msg.Keys, Msg.WheelDelta, TPoint(Msg.XPos, Msg.YPos));
}

void TControl::DoContextPopup(TPoint MousePos, bool& Handled)
{
    OnContextPopup(this, MousePos, Handled);
}

void TControl::Resize()
{
    OnResize(this);
}

void TControl::BoundsChanged(bool aSizeChanged)
{
    if (aSizeChanged) Resize();
}

bool TControl::EraseBackground() const
{
    return !FControlStyle.Contains(csOpaque);
}

void TControl::PaintWindow(QPainter* aPainter)
{
    struct Unbind {
        TCanvas* canvas;
        ~Unbind() { canvas->SetPainter(nullptr); }
    } unbind{FCanvas.get()};
    FCanvas->SetPainter(aPainter);
    Paint();
}

TPoint TControl::EventPos(const QMouseEvent* e) const
{
    const QPoint p = e->position().toPoint();
    const TPoint off = ClientOffset();
    return TPoint(p.x() - off.X, p.y() - off.Y);
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

// ---------------------------------------------------------------------------
// TWinControl

TWinControl::TWinControl(QWidget* aParent) : TControl(aParent), FTabIndex(++gTabCounter)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        FFocusConnection =
            QObject::connect(app, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
                if (IsDestroying() || now == nullptr || now->window() != window()) return;
                GuardedCall([&] { FocusChanged(dynamic_cast<TWinControl*>(now)); });
            });
    }
}

TWinControl::~TWinControl()
{
    QObject::disconnect(FFocusConnection);
    MarkDestroying();
    // Children go while this is still a whole TWinControl, so that nothing they
    // do on the way out reaches a half-destroyed parent.
    // A child may free a sibling (or add one) in its own destructor: each is
    // looked at through a guarded pointer, and the children are read again
    // until none is left.
    for (;;) {
        const QList<QWidget*> children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        if (children.isEmpty()) break;
        std::vector<QPointer<QWidget>> guarded(children.begin(), children.end());
        for (const QPointer<QWidget>& w : guarded)
            if (w && w->parent() == this) delete w.data();
    }
}

int TWinControl::ControlCount() const
{
    int n = 0;
    for (QObject* o : children())
        if (auto* c = dynamic_cast<TControl*>(o); c != nullptr && !c->isWindow()) ++n;
    return n;
}

TControl* TWinControl::Controls(int anIndex) const
{
    int n = 0;
    for (QObject* o : children()) {
        auto* c = dynamic_cast<TControl*>(o);
        if (c == nullptr || c->isWindow()) continue;
        if (n == anIndex) return c;
        ++n;
    }
    throw EListError::IndexOutOfBounds(anIndex);
}

void TWinControl::DisableAlign()
{
    ++FAlignLevel;
}

void TWinControl::EnableAlign()
{
    if (FAlignLevel <= 0) return;
    if (--FAlignLevel == 0 && FAlignPending) Realign();
}

void TWinControl::AlignControl(TControl* aControl)
{
    if (IsDestroying()) return;
    if (FAlignLevel > 0 || FAligning) {
        FAlignPending = true;
        return;
    }
    struct Guard {
        TWinControl* self;
        ~Guard()
        {
            self->FAligning = false;
            self->FAlignPending = false;
        }
    } guard{this};
    FAligning = true;
    // A child's own handlers may change its size while it is being placed; a
    // few more passes settle that without looping for ever.
    for (int pass = 0; pass < 3; ++pass) {
        FAlignPending = false;
        TRect r = GetClientRect();
        AdjustClientRect(r);
        AlignControls(aControl, r);
        if (!FAlignPending) break;
        aControl = nullptr;
    }
}

void TWinControl::AdjustClientRect(TRect&) const {}

void TWinControl::AlignControls(TControl* aControl, TRect& aRect)
{
    bool any = false;
    for (QObject* o : children()) {
        auto* c = dynamic_cast<TControl*>(o);
        if (c != nullptr && !c->isWindow() && c->FAlign != alNone) {
            any = true;
            break;
        }
    }
    if (!any) return;
    DoAlign(alTop, aControl, aRect);
    DoAlign(alBottom, aControl, aRect);
    DoAlign(alLeft, aControl, aRect);
    DoAlign(alRight, aControl, aRect);
    DoAlign(alClient, aControl, aRect);
}

namespace
{

// Whether c1 goes before c2 in the placing order of an alignment group.
bool InsertBefore(const TControl* c1, const TControl* c2, TAlign anAlign)
{
    switch (anAlign) {
    case alTop:
        return c1->GetTop() < c2->GetTop();
    case alBottom:
        return c1->GetTop() + c1->GetHeight() >= c2->GetTop() + c2->GetHeight();
    case alLeft:
        return c1->GetLeft() < c2->GetLeft();
    case alRight:
        return c1->GetLeft() + c1->GetWidth() >= c2->GetLeft() + c2->GetWidth();
    default:
        return false;
    }
}

} // namespace

void TWinControl::DoAlign(TAlign anAlign, TControl* aControl, TRect& aRect)
{
    std::vector<TControl*> list;
    if (aControl != nullptr && aControl->parentWidget() == this && aControl->FVisible &&
        aControl->FAlign == anAlign)
        list.push_back(aControl);
    for (QObject* o : children()) {
        auto* c = dynamic_cast<TControl*>(o);
        if (c == nullptr || c == aControl || c->isWindow() || !c->FVisible || c->FAlign != anAlign) continue;
        std::size_t j = 0;
        while (j < list.size() && !InsertBefore(c, list[j], anAlign))
            ++j;
        list.insert(list.begin() + static_cast<std::ptrdiff_t>(j), c);
    }
    for (TControl* c : list) {
        int left = aRect.Left;
        int top = aRect.Top;
        int width = aRect.Width();
        int height = aRect.Height();
        switch (anAlign) {
        case alTop:
            height = c->GetHeight();
            aRect.Top += height;
            break;
        case alBottom:
            height = c->GetHeight();
            aRect.Bottom -= height;
            top = aRect.Bottom;
            break;
        case alLeft:
            width = c->GetWidth();
            aRect.Left += width;
            break;
        case alRight:
            width = c->GetWidth();
            aRect.Right -= width;
            left = aRect.Right;
            break;
        default:
            break;
        }
        c->InternalSetBounds(left, top, width, height);
    }
}

void TWinControl::BoundsChanged(bool aSizeChanged)
{
    if (aSizeChanged) Realign();
    TControl::BoundsChanged(aSizeChanged);
}

bool TWinControl::CanFocus() const
{
    for (const QWidget* w = this; w != nullptr; w = w->parentWidget()) {
        const auto* c = dynamic_cast<const TControl*>(w);
        const bool visible = c ? (c->GetVisible() && (!c->isWindow() || c->isVisible())) : w->isVisible();
        if (!visible || !w->isEnabled()) return false;
        if (w->isWindow()) break;
    }
    return true;
}

void TWinControl::SetFocus()
{
    if (!CanFocus()) throw EInvalidOperation(QStringLiteral("Cannot focus a disabled or invisible window"));
    setFocus(Qt::OtherFocusReason);
}

void TWinControl::SetTabStop(bool aValue)
{
    FTabStop = aValue;
    setFocusPolicy(aValue ? Qt::TabFocus : Qt::NoFocus);
    ApplyTabOrder();
}

namespace
{

std::vector<TWinControl*> TabSiblings(const QWidget* aParent)
{
    std::vector<TWinControl*> result;
    if (aParent == nullptr) return result;
    for (QObject* o : aParent->children())
        if (auto* c = dynamic_cast<TWinControl*>(o); c != nullptr && !c->isWindow()) result.push_back(c);
    return result;
}

} // namespace

int TWinControl::GetTabOrder() const
{
    std::vector<TWinControl*> siblings = TabSiblings(parentWidget());
    std::stable_sort(siblings.begin(), siblings.end(),
                     [](const TWinControl* a, const TWinControl* b) { return a->FTabIndex < b->FTabIndex; });
    for (std::size_t i = 0; i < siblings.size(); ++i)
        if (siblings[i] == this) return static_cast<int>(i);
    return -1;
}

void TWinControl::SetTabOrder(int aValue)
{
    std::vector<TWinControl*> siblings = TabSiblings(parentWidget());
    if (siblings.empty()) return;
    std::stable_sort(siblings.begin(), siblings.end(),
                     [](const TWinControl* a, const TWinControl* b) { return a->FTabIndex < b->FTabIndex; });
    siblings.erase(std::find(siblings.begin(), siblings.end(), this));
    const int pos = std::clamp(aValue, 0, static_cast<int>(siblings.size()));
    siblings.insert(siblings.begin() + pos, this);
    for (std::size_t i = 0; i < siblings.size(); ++i)
        siblings[i]->FTabIndex = static_cast<int>(i);
    ApplyTabOrder();
}

void TWinControl::ApplyTabOrder()
{
    std::vector<TWinControl*> siblings = TabSiblings(parentWidget());
    std::stable_sort(siblings.begin(), siblings.end(),
                     [](const TWinControl* a, const TWinControl* b) { return a->FTabIndex < b->FTabIndex; });
    TWinControl* previous = nullptr;
    for (TWinControl* c : siblings) {
        if (!c->FTabStop) continue;
        if (previous != nullptr) QWidget::setTabOrder(previous, c);
        previous = c;
    }
}

void TWinControl::KeyDown(Word& Key, TShiftState Shift)
{
    OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyPress(QChar& Key)
{
    OnKeyPress(this, Key);
}

void TWinControl::KeyUp(Word& Key, TShiftState Shift)
{
    OnKeyUp(this, Key, Shift);
}

void TWinControl::DoEnter()
{
    OnEnter(this);
}

void TWinControl::DoExit()
{
    OnExit(this);
}

bool TWinControl::event(QEvent* e)
{
    switch (e->type()) {
    case QEvent::KeyPress: {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
            bool wanted = false;
            GuardedCall([&] { wanted = WantSpecialKey(VK_TAB); });
            if (wanted) {
                keyPressEvent(k);
                return true;
            }
        }
        break;
    }
    case QEvent::ChildRemoved:
        if (!IsDestroying()) GuardedCall([&] { Realign(); });
        break;
    default:
        break;
    }
    return TControl::event(e);
}

void TWinControl::keyPressEvent(QKeyEvent* e)
{
    e->accept();
    // A handler may free the control (an editor closing on Enter): stop then.
    const QPointer<QWidget> alive(this);
    GuardedCall([&] {
        Word key = KeyCodeFromQt(e);
        if (key != 0) KeyDown(key, ShiftStateFromQt(e->modifiers()));
    });
    if (alive.isNull()) return;
    // The character a key produces, as the platform delivers it after the key
    // press: none for Delete and none while Alt alone is held (menu keys).
    const QString text = e->text();
    const bool altOnly =
        e->modifiers().testFlag(Qt::AltModifier) && !e->modifiers().testFlag(Qt::ControlModifier);
    if (text.isEmpty() || altOnly) return;
    for (QChar c : text) {
        if (alive.isNull()) return;
        if (c.unicode() == 0x7F) continue;
        GuardedCall([&] {
            QChar ch = c;
            KeyPress(ch);
        });
    }
}

void TWinControl::keyReleaseEvent(QKeyEvent* e)
{
    e->accept();
    if (e->isAutoRepeat()) return;
    GuardedCall([&] {
        Word key = KeyCodeFromQt(e);
        if (key != 0) KeyUp(key, ShiftStateFromQt(e->modifiers()));
    });
}

void TWinControl::focusInEvent(QFocusEvent* e)
{
    TControl::focusInEvent(e);
    GuardedCall([&] {
        WMSetFocus();
        // Coming back to the window (or from a popup) to the control that had
        // the focus is no enter; the first focus of a new window is.
        if (FEntered) return;
        FEntered = true;
        DoEnter();
    });
}

void TWinControl::focusOutEvent(QFocusEvent* e)
{
    TControl::focusOutEvent(e);
    GuardedCall([&] {
        WMKillFocus();
        if (!FEntered || e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason)
            return;
        FEntered = false;
        DoExit();
    });
}

// ---------------------------------------------------------------------------
// TCustomControl, TGraphicControl

TCustomControl::TCustomControl(QWidget* aParent) : TWinControl(aParent) {}

TGraphicControl::TGraphicControl(QWidget* aParent) : TControl(aParent)
{
    // Nothing is erased behind it: the parent's picture shows where it does not paint.
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
    KeepBelowWindowedSiblings();
}

void TGraphicControl::SetParent(QWidget* aParent)
{
    TControl::SetParent(aParent);
    KeepBelowWindowedSiblings();
}

void TGraphicControl::KeepBelowWindowedSiblings()
{
    QWidget* p = parentWidget();
    if (p == nullptr) return;
    for (QObject* o : p->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w == nullptr || w == this || w->isWindow() || dynamic_cast<TGraphicControl*>(w) != nullptr)
            continue;
        stackUnder(w);
        return;
    }
}

// ---------------------------------------------------------------------------
// Panels

void Frame3D(TCanvas* aCanvas, TRect& aRect, TColor TopColor, TColor BottomColor, int Width)
{
    aCanvas->Pen.SetWidth(1);
    aRect.Bottom -= 1;
    aRect.Right -= 1;
    while (Width > 0) {
        --Width;
        const TPoint topLeft(aRect.Left, aRect.Top);
        const TPoint topRight(aRect.Right, aRect.Top);
        TPoint bottomLeft(aRect.Left, aRect.Bottom);
        const TPoint bottomRight(aRect.Right, aRect.Bottom);
        aCanvas->Pen.SetColor(TopColor);
        aCanvas->Polyline({bottomLeft, topLeft, topRight});
        aCanvas->Pen.SetColor(BottomColor);
        bottomLeft.X -= 1;
        aCanvas->Polyline({topRight, bottomRight, bottomLeft});
        aRect = aRect.Inflate(-1, -1);
    }
    aRect.Bottom += 1;
    aRect.Right += 1;
}

TCustomPanel::TCustomPanel(QWidget* aParent) : TCustomControl(aParent)
{
    SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque,
                                  csDoubleClicks, csReplicatable});
    SetColor(clBtnFace);
    InternalSetBounds(GetLeft(), GetTop(), 185, 41);
}

void TCustomPanel::SetBevelInner(TBevelCut aValue)
{
    if (aValue == FBevelInner) return;
    FBevelInner = aValue;
    BorderChanged();
}

void TCustomPanel::SetBevelOuter(TBevelCut aValue)
{
    if (aValue == FBevelOuter) return;
    FBevelOuter = aValue;
    BorderChanged();
}

void TCustomPanel::SetBevelWidth(int aValue)
{
    aValue = std::max(1, aValue);
    if (aValue == FBevelWidth) return;
    FBevelWidth = aValue;
    BorderChanged();
}

void TCustomPanel::SetBorderWidth(int aValue)
{
    aValue = std::max(0, aValue);
    if (aValue == FBorderWidth) return;
    FBorderWidth = aValue;
    BorderChanged();
}

void TCustomPanel::SetBorderStyle(TBorderStyle aValue)
{
    if (aValue == FBorderStyle) return;
    // Children keep their client coordinates: move them with the client origin.
    const int delta = (aValue == bsSingle ? 2 : 0) - BorderEdge();
    FBorderStyle = aValue;
    for (QObject* o : children())
        if (auto* w = qobject_cast<QWidget*>(o); w != nullptr && !w->isWindow())
            w->move(w->pos() + QPoint(delta, delta));
    BorderChanged();
}

void TCustomPanel::SetAlignment(TAlignment aValue)
{
    if (aValue == FAlignment) return;
    FAlignment = aValue;
    Invalidate();
}

void TCustomPanel::BorderChanged()
{
    Realign();
    Invalidate();
}

TRect TCustomPanel::GetClientRect() const
{
    const int e = BorderEdge();
    return TRect(0, 0, std::max(0, width() - 2 * e), std::max(0, height() - 2 * e));
}

TPoint TCustomPanel::ClientOffset() const
{
    const int e = BorderEdge();
    return TPoint(e, e);
}

void TCustomPanel::AdjustClientRect(TRect& aRect) const
{
    TCustomControl::AdjustClientRect(aRect);
    aRect = aRect.Inflate(-FBorderWidth, -FBorderWidth);
    int bevel = 0;
    if (FBevelOuter != bvNone) bevel += FBevelWidth;
    if (FBevelInner != bvNone) bevel += FBevelWidth;
    aRect = aRect.Inflate(-bevel, -bevel);
}

void TCustomPanel::PaintNonClient(QPainter* aPainter)
{
    if (FBorderStyle != bsSingle) return;
    // The sunken client edge: shadow and dark shadow above and left, highlight
    // and light below and right.
    const int w = width();
    const int h = height();
    if (w <= 0 || h <= 0) return;
    auto hline = [&](int x1, int x2, int y, TColor c) {
        aPainter->fillRect(QRect(x1, y, x2 - x1, 1), ToQColor(c));
    };
    auto vline = [&](int x, int y1, int y2, TColor c) {
        aPainter->fillRect(QRect(x, y1, 1, y2 - y1), ToQColor(c));
    };
    hline(0, w - 1, 0, clBtnShadow);
    vline(0, 0, h - 1, clBtnShadow);
    hline(0, w, h - 1, clBtnHighlight);
    vline(w - 1, 0, h, clBtnHighlight);
    hline(1, w - 2, 1, cl3DDkShadow);
    vline(1, 1, h - 2, cl3DDkShadow);
    hline(1, w - 1, h - 2, cl3DLight);
    vline(w - 2, 1, h - 1, cl3DLight);
}

void TCustomPanel::Paint()
{
    TCanvas* canvas = GetCanvas();
    TRect rect = GetClientRect();
    auto colors = [](TBevelCut bevel, TColor& top, TColor& bottom) {
        top = bevel == bvLowered ? clBtnShadow : clBtnHighlight;
        bottom = bevel == bvLowered ? clBtnHighlight : clBtnShadow;
    };
    TColor top;
    TColor bottom;
    if (FBevelOuter != bvNone) {
        colors(FBevelOuter, top, bottom);
        Frame3D(canvas, rect, top, bottom, FBevelWidth);
    }
    Frame3D(canvas, rect, GetColor(), GetColor(), FBorderWidth);
    if (FBevelInner != bvNone) {
        colors(FBevelInner, top, bottom);
        Frame3D(canvas, rect, top, bottom, FBevelWidth);
    }
    canvas->Brush.SetStyle(bsSolid);
    canvas->Brush.SetColor(GetColor());
    canvas->FillRect(rect);
    const QString caption = GetCaption();
    if (caption.isEmpty()) return;
    canvas->Brush.SetStyle(bsClear);
    canvas->Font.Assign(*GetFont());
    const int fontHeight = canvas->TextHeight(QStringLiteral("W"));
    rect.Top = ((rect.Bottom + rect.Top) - fontHeight) / 2;
    rect.Bottom = rect.Top + fontHeight;
    unsigned flags = DT_EXPANDTABS | DT_VCENTER;
    if (FAlignment == taRightJustify)
        flags |= DT_RIGHT;
    else if (FAlignment == taCenter)
        flags |= DT_CENTER;
    DrawText(canvas, caption, rect, flags);
}

} // namespace skedra
