#include "skedra/platform/Controls.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QScopeGuard>

#include <algorithm>
#include <atomic>
#include <vector>

#include "skedra/platform/Messages.h"

namespace skedra
{

namespace
{

std::atomic<int> gTabCounter{0};

} // namespace

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
    {
        const auto done = qScopeGuard([this] {
            FAligning = false;
            FAlignPending = false;
        });
        FAligning = true;
        // A child's own handlers may change its size while it is being placed; a
        // few more passes settle that without looping for ever.
        for (int pass = 0; pass < 3; ++pass) {
            FAlignPending = false;
            const TRect client = GetClientRect();
            for (QObject* o : children()) {
                auto* c = dynamic_cast<TControl*>(o);
                if (c != nullptr && !c->isWindow() && c->FAlign == alNone) c->AnchorTo(client);
            }
            TRect r = client;
            AdjustClientRect(r);
            AlignControls(aControl, r);
            if (!FAlignPending) break;
            aControl = nullptr;
        }
    }
    // Outside the pass: a new size of its own lays the children out again.
    AdjustSize();
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
} // namespace skedra
