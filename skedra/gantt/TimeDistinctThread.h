#pragma once
// A worker thread that places one set of intervals (a private copy of their
// times, its Holders) and hands the result to the user-interface thread
// through OnDone. Cancelling is cooperative: FreeAndCleanUp asks the thread
// to terminate, withdraws OnDone and frees the thread exactly once, now when
// it is suspended or done, otherwise when it ends on its own thread.

#include <atomic>
#include <memory>
#include <mutex>

#include "skedra/gantt/TimeDistinct.h"
#include "skedra/platform/Threads.h"

namespace skedra
{

class TTimeDistinctGenericThread : public TThread
{
public:
    // Created suspended, with an empty holder list to fill before Start.
    TTimeDistinctGenericThread();
    ~TTimeDistinctGenericThread() override;

    TDistinctTimeHolderList* Holders() const { return FHolders.get(); }
    // Called on the user-interface thread with this thread as Sender when the
    // placement is complete and the thread was not asked to terminate.
    TNotifyEvent OnDone;

    // The thread's termination routine has run (its work is over).
    bool Finished() const { return FFinished.load(); }
    bool IsTerminated() const { return Terminated(); }

    // Threads of this class that exist, in this process.
    static int ThreadCount() { return gThreadCount.load(); }
    static int MaxThreads() { return 50; }

    // Asks the thread to terminate, withdraws OnDone, frees it now when it is
    // suspended or finished (waiting for it to end), otherwise lets it free
    // itself when it ends; aThread becomes null. Null does nothing. Only on
    // the user-interface thread (OnDone runs there too, so it may be called
    // from inside OnDone).
    static void FreeAndCleanUp(TTimeDistinctGenericThread*& aThread);

protected:
    void Execute() override;
    // Runs on the user-interface thread.
    virtual void DoOnDone();
    void DoTerminate() override;
    // The placement itself; a separate step so that a derived thread can watch it.
    virtual void ResolveConflicts(TTimeDistinctGeneric& anEngine);

private:
    std::unique_ptr<TDistinctTimeHolderList> FHolders;
    // Guards the decision between freeing now and freeing on the thread's own end.
    std::mutex FEndMutex;
    std::atomic<bool> FFinished{false};
    bool FFreeWhenDone = false;

    static std::atomic<int> gThreadCount;
};

} // namespace skedra
