#pragma once
// Deferred calls: run a call later, once, on the user-interface thread, after
// the current event has been handled. A request that is already queued (same
// call, same data) is not queued again; components withdraw their requests
// with NeverMind when they are destroyed. The queue is process-wide and
// guarded by a recursive lock, so requests may come from any thread.
//
// The user-interface thread is woken by an event posted to a hidden QObject
// that lives on it. A call that raises is removed like any other and its
// exception is shown through the message sink; the rest of the queue runs on.

#include <cstddef>
#include <cstdint>

#include "skedra/platform/DateTime.h"
#include "skedra/platform/Method.h"
#include "skedra/platform/Object.h"
#include "skedra/platform/Threads.h"

namespace skedra
{

// A method bound to an object, taking the data object it was queued with.
using TDoLaterCall = TMethod<void(TObject* theData)>;

// The thread that created something, told apart from a later thread that
// happens to get the same identifier by its creation time.
class TThreadSyncInfo : public TObject
{
public:
    // Records the calling thread.
    TThreadSyncInfo();
    TThreadID GetThreadID() const { return FThreadID; }
    std::uint64_t GetCreationTime() const { return FCreationTime; }
    bool IsEqual(const TThreadSyncInfo* anOther) const;

private:
    TThreadID FThreadID;
    std::uint64_t FCreationTime;
};

// One queued request (owned by the queue).
class TDoLaterContainer
{
public:
    TDoLaterCall Call;
    TObject* Data = nullptr; // not owned
    // When the request was queued: milliseconds of the monotonic clock
    // (GetTickCount64), which any thread may read without locale or time-zone work.
    std::uint64_t Queued = 0;
    bool Running = false;
};

// The wake-up messages of the hidden window (posted event types).
constexpr int WM_DOLATER_RUN = 40925;
constexpr int WM_DOLATER_SYNCHRONIZE = 40924;

class TDoLater
{
public:
    TDoLater() = delete;

    // Queues aCall with aData unless that pair is queued already, and wakes
    // the user-interface thread. aSyncInfo is accepted and not used.
    static void DoLater(const TDoLaterCall& aCall, TObject* aData = nullptr,
                        TThreadSyncInfo* aSyncInfo = nullptr);
    // Runs the queue until it is empty, also what is queued meanwhile.
    // Requests whose call is running (when called from inside a call) are left alone.
    static void DoAllNow();
    // Withdraws every queued request of aCall, whatever its data, except a running one.
    static void NeverMind(const TDoLaterCall& aCall);
    // Withdraws the queued request of aCall with aData, unless it is running.
    static void NeverMind(const TDoLaterCall& aCall, TObject* aData);
    // Whether a request of aCall with aData is queued (or running).
    static bool AlreadyInList(const TDoLaterCall& aCall, TObject* aData);
    // Same code and same bound object.
    static bool CompareMethodPointer(const TDoLaterCall& a, const TDoLaterCall& b) { return a == b; }
    // The number of queued requests (running ones included).
    static int PendingCount();
};

} // namespace skedra
