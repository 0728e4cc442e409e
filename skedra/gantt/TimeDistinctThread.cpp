#include "skedra/gantt/TimeDistinctThread.h"

#include "skedra/gantt/SubColumnDriver.h"
#include "skedra/platform/Messages.h"

namespace skedra
{

std::atomic<int> TTimeDistinctGenericThread::gThreadCount{0};

TTimeDistinctGenericThread::TTimeDistinctGenericThread()
    : TThread(true), FHolders(std::make_unique<TDistinctTimeHolderList>())
{
    ++gThreadCount;
}

TTimeDistinctGenericThread::~TTimeDistinctGenericThread()
{
    // Execute uses this object's members: a thread freed from outside is
    // stopped before they go. A thread that frees itself is past Execute.
    if (GetStarted() && !FreeOnTerminate && GetThreadID() != GetCurrentThreadId()) {
        Terminate();
        WaitFor();
    }
    // Paused work waits for this count to fall, on whichever thread it falls.
    TSubColumnDriver::ComputationEnded(--gThreadCount);
}

void TTimeDistinctGenericThread::ResolveConflicts(TTimeDistinctGeneric& anEngine)
{
    anEngine.ResolveConflicts();
}

void TTimeDistinctGenericThread::Execute()
{
    try {
        {
            TTimeDistinctGeneric engine(FHolders.get(), this);
            engine.SetTerminateRequest([this] { return Terminated(); });
            ResolveConflicts(engine);
        }
        if (!Terminated()) Synchronize(MakeMethod<&TTimeDistinctGenericThread::DoOnDone>(this));
    } catch (...) {
        ShowMessage(QStringLiteral("TTimeDistinctGenericThread.Execute ") +
                    ExceptionText(std::current_exception()));
    }
}

void TTimeDistinctGenericThread::DoOnDone()
{
    // FreeAndCleanUp may have run on this same thread after the result was
    // handed over and before this call: then it does nothing.
    if (!Terminated() && OnDone.Assigned()) OnDone(this);
}

void TTimeDistinctGenericThread::DoTerminate()
{
    TThread::DoTerminate();
    std::lock_guard lock(FEndMutex);
    FFinished = true;
    // Read by the platform thread routine on this same thread once we return.
    if (FFreeWhenDone) FreeOnTerminate = true;
}

void TTimeDistinctGenericThread::FreeAndCleanUp(TTimeDistinctGenericThread*& aThread)
{
    TTimeDistinctGenericThread* thread = aThread;
    aThread = nullptr;
    if (thread == nullptr) return;
    bool freeNow = false;
    {
        std::lock_guard lock(thread->FEndMutex);
        thread->Terminate();
        thread->OnDone.Clear();
        if (!thread->GetStarted() || thread->FFinished)
            freeNow = true;
        else
            thread->FFreeWhenDone = true;
    }
    if (freeNow) delete thread;
}

} // namespace skedra
