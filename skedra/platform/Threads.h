#pragma once
// Threads, the synchronised call to the user-interface thread, the recursive
// lock and the small operating-system services (thread id, sleep, counters).
//
// Synchronize from a worker queues the call in one process-wide queue, wakes
// the user-interface thread with a posted call and waits; CheckSynchronize
// (run by that posted call, or by anyone on the user-interface thread) drains
// the queue. Whenever the user-interface thread waits for a worker (WaitFor,
// destroying a running thread) it keeps draining the queue, so a worker
// blocked in Synchronize never deadlocks it.

#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "skedra/platform/Exceptions.h"
#include "skedra/platform/Method.h"
#include "skedra/platform/Object.h"

namespace skedra
{

// A thread operation that is not allowed (e.g. WaitFor on a thread that frees itself).
class EThread : public Exception
{
public:
    using Exception::Exception;
};

using TThreadMethod = TMethod<void()>;

// The recursive lock of the platform: the same thread may enter it again.
// Also a BasicLockable, for std::lock_guard / std::unique_lock.
class TCriticalSection : public TObject
{
public:
    void Enter() { FMutex.lock(); }
    void Leave() { FMutex.unlock(); }
    bool TryEnter() { return FMutex.try_lock(); }
    void Acquire() { Enter(); }
    void Release() { Leave(); }
    void lock() { Enter(); }
    void unlock() { Leave(); }
    bool try_lock() { return TryEnter(); }

private:
    std::recursive_mutex FMutex;
};

// A number that identifies a thread for as long as the process runs (never reused).
using TThreadID = std::uint64_t;
TThreadID GetCurrentThreadId();
// The thread that runs the user-interface (the thread of the QApplication, or
// the thread that started the process when there is none yet).
TThreadID MainThreadID();
bool IsMainThread();

// Sleeps for a number of milliseconds (0 yields).
void Sleep(int aMilliseconds);
// Milliseconds since an arbitrary start, monotonic.
std::uint64_t GetTickCount64();
// A high-resolution counter and its frequency (ticks per second).
std::int64_t QueryPerformanceCounter();
std::int64_t QueryPerformanceFrequency();
// CPU time used by the calling thread, in 100-nanosecond units.
std::int64_t GetThreadCPUTime();

// Runs the calls that workers handed to the user-interface thread; answers
// whether any ran. Only on the user-interface thread (elsewhere it does
// nothing). With a timeout, waits up to that many milliseconds for one.
bool CheckSynchronize(int aTimeoutMs = 0);

class TThread : public TObject
{
public:
    // A suspended thread starts with Start (or Resume). A C++ base class cannot
    // start the body before the derived object is complete, so a thread created
    // not suspended starts in AfterConstruction: create it with
    // TThread::New<T>(false, ...), which calls it, or call it yourself.
    explicit TThread(bool CreateSuspended);

    template <class T, class... Args> static T* New(Args&&... args)
    {
        T* thread = new T(std::forward<Args>(args)...);
        thread->AfterConstruction();
        return thread;
    }
    // Starts a thread that was created not suspended (once; later calls do nothing).
    void AfterConstruction();
    // A running thread is asked to terminate and waited for (draining the
    // synchronised calls on the user-interface thread). A derived class whose
    // Execute uses its own members must Terminate and WaitFor in its own
    // destructor, before those members go, unless InOwnSynchronizedCall.
    // Freed from inside a synchronised call of its own (the worker is blocked
    // in Synchronize), the thread is not waited for: the worker ends without
    // touching the object, so its Execute must not use the object after that
    // Synchronize returns.
    ~TThread() override;

    // Starts the body; raises EThread when it was started before.
    void Start();
    void Resume() { Start(); }
    void Terminate() { FTerminated = true; }
    bool GetTerminated() const { return FTerminated; }
    // Waits until Execute has returned and answers ReturnValue. On the
    // user-interface thread the synchronised calls keep running meanwhile.
    // Raises EThread for a thread that frees itself, or when called from the
    // thread itself.
    int WaitFor();
    bool GetFinished() const { return FFinished; }
    bool GetStarted() const { return FStarted; }
    TThreadID GetThreadID() const { return FThreadID; }

    // When set, the thread object deletes itself after Execute and OnTerminate.
    bool FreeOnTerminate = false;
    // Runs on the user-interface thread after Execute, before the thread ends.
    TNotifyEvent OnTerminate;

    // The exception that ended Execute, if any.
    std::exception_ptr GetFatalException() const { return FFatalException; }
    int GetReturnValue() const { return FReturnValue; }

    // Runs aMethod on the user-interface thread and waits for it; an
    // exception it raises is raised again here. On the user-interface thread
    // itself it runs at once.
    static void Synchronize(TThread* aThread, const TThreadMethod& aMethod);

    // Thread objects that exist, and bodies that are running.
    static int LiveCount() { return gLiveCount.load(); }
    static int RunningCount() { return gRunningCount.load(); }

protected:
    virtual void Execute() = 0;
    bool Terminated() const { return FTerminated; }
    void Synchronize(const TThreadMethod& aMethod) { Synchronize(this, aMethod); }
    void SetReturnValue(int aValue) { FReturnValue = aValue; }
    // On the user-interface thread: a call this thread handed over with
    // Synchronize is running now (so the worker waits for it to return).
    bool InOwnSynchronizedCall() const;
    // Raises OnTerminate through Synchronize (when assigned).
    virtual void DoTerminate();

private:
    static void ThreadProc(TThread* aThread);
    // Waits until Execute has ended; on the user-interface thread it keeps
    // running synchronised calls meanwhile, so a worker blocked in Synchronize
    // can finish.
    void WaitUntilFinished();

    std::thread FThread;
    std::mutex FStartMutex;
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFinished{false};
    std::atomic<bool> FStarted{false};
    std::atomic<TThreadID> FThreadID{0};
    bool FCreateSuspended = true;
    std::exception_ptr FFatalException;
    int FReturnValue = 0;
    // Set when the object was freed while its worker waited in Synchronize;
    // shared with the worker, which then ends without touching the object.
    std::shared_ptr<std::atomic<bool>> FAbandoned = std::make_shared<std::atomic<bool>>(false);

    static std::atomic<int> gLiveCount;
    static std::atomic<int> gRunningCount;
};

} // namespace skedra
