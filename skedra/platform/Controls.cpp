#include "skedra/platform/Controls.h"
#include "skedra/platform/Controls_p.h"

#include <QScopeGuard>
#include <QScopedValueRollback>
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
    FConstraints.OnChange = MakeMethod<&TControl::ConstraintsChanged>(this);
    TakeParentFont();
    TakeParentShowHint();
    TakeParentBiDiMode();
    if (aParent != nullptr) QWidget::setVisible(true);
}

TControl::~TControl()
{
    FDestroying = true;
    detail::ForgetDragSource(this);
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
    TakeParentShowHint();
    TakeParentBiDiMode();
    if (aParent != nullptr && GetParent() != nullptr && GetParent()->GetDesigning() && !GetDesigning())
        SetDesigning(true);
    UpdateAnchorRules();
    if (oldParent != nullptr && FAlign != alNone) oldParent->Realign();
    if (oldParent != nullptr && oldParent->FAutoSize) oldParent->AdjustSize();
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
    UpdateAnchorRules();
    RequestAlign();
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
    if (FDestroying) return;
    TWinControl* p = GetParent();
    if (p == nullptr) return;
    if (FAlign != alNone)
        p->AlignControl(this);
    else if (p->FAutoSize)
        p->AdjustSize(); // a child's extent is the parent's content
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
    const QScopedValueRollback taking(FTakingParentFont, true);
    FFont.Assign(p->FFont);
}

void TControl::SetParentShowHint(bool aValue)
{
    FParentShowHint = aValue;
    TakeParentShowHint();
}

void TControl::TakeParentShowHint()
{
    if (!FParentShowHint) return;
    const auto* p = dynamic_cast<const TControl*>(parentWidget());
    if (p == nullptr || isWindow()) return;
    FShowHint = p->FShowHint;
    ApplyHint();
    for (QObject* o : children()) {
        auto* c = dynamic_cast<TControl*>(o);
        if (c != nullptr && !c->isWindow()) c->TakeParentShowHint();
    }
}

void TControl::SetBiDiMode(TBiDiMode aValue)
{
    // Applied also when unchanged: Qt must stop handing the parent's direction on.
    FParentBiDiMode = false;
    FBiDiMode = aValue;
    ApplyBiDiMode();
}

void TControl::SetParentBiDiMode(bool aValue)
{
    FParentBiDiMode = aValue;
    TakeParentBiDiMode();
}

void TControl::TakeParentBiDiMode()
{
    if (!FParentBiDiMode) return;
    const auto* p = dynamic_cast<const TControl*>(parentWidget());
    if (p == nullptr || isWindow() || p->FBiDiMode == FBiDiMode) return;
    FBiDiMode = p->FBiDiMode;
    ApplyBiDiMode();
}

void TControl::ApplyBiDiMode()
{
    // Qt mirrors its own widgets inside this one (scroll bars, headers, item views).
    const Qt::LayoutDirection direction = UseRightToLeftScrollBar() ? Qt::RightToLeft : Qt::LeftToRight;
    setLayoutDirection(direction);
    BiDiModeChanged();
    for (QObject* o : children()) {
        auto* c = dynamic_cast<TControl*>(o);
        if (c != nullptr && !c->isWindow()) c->TakeParentBiDiMode();
    }
}

void TControl::SetDesigning(bool aValue, bool aSetChildren)
{
    if (aValue)
        FComponentState += csDesigning;
    else
        FComponentState -= csDesigning;
    Invalidate();
    if (!aSetChildren) return;
    for (QObject* o : children())
        if (auto* c = dynamic_cast<TControl*>(o)) c->SetDesigning(aValue, true);
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
    FParentShowHint = false;
    FShowHint = aValue;
    ApplyHint();
    for (QObject* o : children()) {
        auto* c = dynamic_cast<TControl*>(o);
        if (c != nullptr && !c->isWindow()) c->TakeParentShowHint();
    }
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
    const auto unbind = qScopeGuard([this] { FCanvas->SetPainter(nullptr); });
    FCanvas->SetPainter(aPainter);
    Paint();
}

TPoint TControl::EventPos(const QMouseEvent* e) const
{
    const QPoint p = e->position().toPoint();
    const TPoint off = ClientOffset();
    return TPoint(p.x() - off.X, p.y() - off.Y);
}
} // namespace skedra
