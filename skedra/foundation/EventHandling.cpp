#include "skedra/foundation/EventHandling.h"

#include <algorithm>
#include <exception>

#include "skedra/platform/Exceptions.h"

namespace skedra
{

// ---------------------------------------------------------------- TEvent

TEvent::TEvent(TObject* aOwner) : Owner(aOwner), FAlive(std::make_shared<bool>(true)) {}

TEvent::~TEvent()
{
    *FAlive = false;
    // Detach every listener first, so that a listener freed here (or by another
    // listener's destructor) never reaches back into this event.
    std::vector<TSingleEventListener*> listeners;
    listeners.swap(Listeners);
    std::vector<TSingleEventListener*> owned;
    for (TSingleEventListener* l : listeners) {
        l->Event = nullptr;
        if (l->FreeWithEvent) owned.push_back(l);
    }
    for (TSingleEventListener* l : owned)
        delete l;
}

void TEvent::AddListener(TSingleEventListener* aListener)
{
    if (aListener == nullptr || HasListener(aListener)) return;
    if (aListener->Event != nullptr && aListener->Event != this)
        aListener->Event->RemoveListener(aListener); // a listener belongs to one event at a time
    Listeners.push_back(aListener);
    aListener->Event = this;
}

void TEvent::RemoveListener(TSingleEventListener* aListener)
{
    if (aListener == nullptr) return;
    const auto it = std::find(Listeners.begin(), Listeners.end(), aListener);
    if (it != Listeners.end()) {
        Listeners.erase(it);
        ++FRemovals;
    }
    aListener->Event = nullptr;
}

TSingleEventListener* TEvent::GetListener(int i) const
{
    if (i < 0 || i >= ListenerCount()) throw EListError::IndexOutOfBounds(i);
    return Listeners[static_cast<size_t>(i)];
}

bool TEvent::HasListener(const TSingleEventListener* aListener) const
{
    return std::find(Listeners.begin(), Listeners.end(), aListener) != Listeners.end();
}

void TEvent::TriggerEvent(TObject* aInfo)
{
    if (Listeners.empty()) return;
    // The snapshot fixes who is called; a listener is called only while it is
    // still registered, so one that a handler removed or freed is never touched.
    const std::vector<TSingleEventListener*> snapshot = Listeners;
    const std::shared_ptr<bool> alive = FAlive;
    const std::uint64_t removals = FRemovals;
    for (TSingleEventListener* l : snapshot) {
        if (!*alive) return; // a handler freed the event
        if (FRemovals != removals && !HasListener(l)) continue;
        l->Trigger(Owner, this, aInfo);
    }
}

// ---------------------------------------------------------------- TSingleEventListener

TSingleEventListener::TSingleEventListener(TEvent* theEvent, TOnEvent aHandler, bool aFreeWithEvent)
    : OnEvent(std::move(aHandler)), FreeWithEvent(aFreeWithEvent)
{
    if (theEvent) theEvent->AddListener(this);
}

TSingleEventListener::~TSingleEventListener()
{
    if (Event) Event->RemoveListener(this);
}

void TSingleEventListener::Trigger(TObject* aSender, TEvent* aEvent, TObject* aInfo)
{
    Sender = aSender;
    SourceEvent = aEvent;
    Info = aInfo;
    if (OnEvent) OnEvent(this);
}

// ---------------------------------------------------------------- TqvExposable

void TqvExposable::FreeCall(TObject* anObject)
{
    if (anObject == nullptr) return;
    auto* exposable = dynamic_cast<TqvExposable*>(anObject);
    if (exposable == nullptr) throw EInvalidCast();
    if (!exposable->CanDelete()) return;
    if (exposable->FBusy > 0) {
        exposable->FFreePending = true;
        return;
    }
    delete exposable;
}

void TqvExposable::FreeWheneverPossible()
{
    // Held across CleanForFree, so that a handler freeing this object again
    // meanwhile only marks it and the last guard frees it once.
    TKeepAlive keep(this);
    // An object whose cleaning failed may still be referred to by whoever was
    // not told: it is not freed. The failure goes to the caller; freeing it
    // again retries the cleaning.
    CleanForFree();
    FreeCall(this);
}

void TqvExposable::TKeepAlive::Release()
{
    TqvExposable* object = FObject;
    FObject = nullptr;
    if (object && --object->FBusy == 0 && object->FFreePending) delete object;
}

// ---------------------------------------------------------------- TqvBeginUpdate

TqvBeginUpdate::TqvBeginUpdate(TOnBeginOrEndUpdate aBegin, TOnBeginOrEndUpdate aEnd)
    : OnBegin(std::move(aBegin)), OnEnd(std::move(aEnd)), FUncaught(std::uncaught_exceptions())
{
}

TqvBeginUpdate::~TqvBeginUpdate() noexcept(false)
{
    if (!Marked || !OnEnd) return;
    if (std::uncaught_exceptions() > FUncaught) {
        // Closing the bracket while an exception passes: a second exception
        // would end the program, so a failure here is dropped.
        try {
            OnEnd();
        } catch (...) {
        }
        return;
    }
    OnEnd();
}

void TqvBeginUpdate::Mark()
{
    if (Marked) return;
    if (OnBegin) OnBegin();
    // Only a begin that completed is balanced by an end.
    Marked = true;
}

} // namespace skedra
