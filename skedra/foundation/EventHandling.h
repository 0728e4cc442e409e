#pragma once
// Multicast notification (TEvent, TSingleEventListener), the freeing protocol of
// data objects (TqvExposable) and lazily opened update brackets (TqvBeginUpdate).

#include <cstdint>
#include <memory>
#include <vector>

#include "skedra/platform/Method.h"
#include "skedra/platform/Object.h"

namespace skedra
{

class TEvent;
class TSingleEventListener;

using TOnEvent = TMethod<void(TSingleEventListener* theEventListener)>;

// One owner, any number of listeners, called in registration order.
class TEvent : public TObject
{
public:
    explicit TEvent(TObject* aOwner = nullptr);
    ~TEvent() override;

    // Appends the listener unless it is already registered; sets its Event.
    void AddListener(TSingleEventListener* aListener);
    // Removes the listener if present; in every case clears its Event.
    void RemoveListener(TSingleEventListener* aListener);
    // Calls every listener registered when the trigger starts, first to last.
    // A handler may add, remove or free listeners (or free the event itself):
    // listeners removed meanwhile are skipped, listeners added meanwhile wait
    // for the next trigger.
    void TriggerEvent(TObject* aInfo = nullptr);

    TObject* GetOwner() const { return Owner; }
    int ListenerCount() const { return static_cast<int>(Listeners.size()); }
    TSingleEventListener* GetListener(int i) const;
    bool HasListener(const TSingleEventListener* aListener) const;

private:
    std::vector<TSingleEventListener*> Listeners;
    TObject* Owner = nullptr;
    // Bumped on every removal so a running trigger knows when to re-check its snapshot.
    std::uint64_t FRemovals = 0;
    // Cleared by the destructor; a running trigger holds a copy.
    std::shared_ptr<bool> FAlive;
};

class TSingleEventListener : public TObject
{
public:
    // Registers itself with theEvent (which may be none).
    TSingleEventListener(TEvent* theEvent, TOnEvent aHandler, bool aFreeWithEvent = false);
    ~TSingleEventListener() override;

    // Records the trigger values, then calls OnEvent if assigned.
    void Trigger(TObject* aSender, TEvent* aEvent, TObject* aInfo);

    TEvent* Event = nullptr; // the event it is registered with, or none
    TOnEvent OnEvent;
    bool FreeWithEvent = false; // the event frees it when the event dies
    TObject* Sender = nullptr;
    TEvent* SourceEvent = nullptr;
    TObject* Info = nullptr;
};

// Base of every data object that a list or component owns. Such objects are
// freed only through FreeWheneverPossible: first CleanForFree (detach and tell
// the holders), then FreeCall. An object that is in the middle of one of its
// own operations (KeepAlive held) is freed when that operation ends, so a
// handler may free the object that notified it.
class TqvExposable : public TObject
{
public:
    TqvExposable() { Initialize(); }

    static void Initialize() {}

    // Detaches the object from whatever holds it and tells the holders.
    virtual void CleanForFree() = 0;
    virtual bool CanDelete() const { return true; }

    // Frees anObject when it is a TqvExposable whose CanDelete answers true;
    // anything else raises EInvalidCast. None is ignored.
    static void FreeCall(TObject* anObject);
    void FreeWheneverPossible();
    TqvExposable* GetObjectFromInterface() { return this; }

    // True once freeing was asked for while the object was busy.
    bool IsFreePending() const { return FFreePending; }

    // Keeps an object alive for the guard's lifetime; a FreeCall meanwhile is
    // carried out when the last guard goes.
    class TKeepAlive
    {
    public:
        explicit TKeepAlive(TqvExposable* anObject) : FObject(anObject)
        {
            if (FObject) ++FObject->FBusy;
        }
        TKeepAlive(TKeepAlive&& other) noexcept : FObject(other.FObject) { other.FObject = nullptr; }
        TKeepAlive(const TKeepAlive&) = delete;
        TKeepAlive& operator=(const TKeepAlive&) = delete;
        TKeepAlive& operator=(TKeepAlive&&) = delete;
        ~TKeepAlive() { Release(); }
        void Release();

    private:
        TqvExposable* FObject;
    };
    bool IsBusy() const { return FBusy > 0; }

protected:
    ~TqvExposable() override = default;

private:
    int FBusy = 0;
    bool FFreePending = false;
};

// Frees through FreeWheneverPossible; for holding a data object in a unique_ptr.
struct TFreeWheneverPossible {
    void operator()(TqvExposable* anObject) const
    {
        if (anObject) anObject->FreeWheneverPossible();
    }
};
template <class T> using TqvOwned = std::unique_ptr<T, TFreeWheneverPossible>;

using TOnBeginOrEndUpdate = TMethod<void()>;

// Opens an update bracket at the first Mark and closes it at destruction,
// only if it was opened.
class TqvBeginUpdate
{
public:
    TqvBeginUpdate(TOnBeginOrEndUpdate aBegin, TOnBeginOrEndUpdate aEnd);
    TqvBeginUpdate(const TqvBeginUpdate&) = delete;
    TqvBeginUpdate& operator=(const TqvBeginUpdate&) = delete;
    ~TqvBeginUpdate() noexcept(false);

    void Mark();
    bool GetMarked() const { return Marked; }

    bool Marked = false;
    TOnBeginOrEndUpdate OnBegin;
    TOnBeginOrEndUpdate OnEnd;

private:
    int FUncaught;
};

} // namespace skedra
