#include "skedra/platform/Threads.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <deque>
#include <vector>

namespace skedra
{

std::atomic<int> TThread::gLiveCount{0};
std::atomic<int> TThread::gRunningCount{0};

namespace
{

std::atomic<TThreadID> gNextThreadID{1};

struct SyncEntry {
    const TThread* owner = nullptr;
    TThreadMethod method;
    bool done = false;
    std::exception_ptr exception;
};

// The process-wide queue of synchronised calls. Never freed: detached
// workers may still reach it while the process ends.
struct SyncState {
    std::mutex mutex;
    std::condition_variable uiWake; // a call was queued or a thread finished
    std::condition_variable done;   // a queued call has run
    std::deque<SyncEntry*> queue;
    std::atomic<bool> wakePosted{false};
};

SyncState& Sync()
{
    static SyncState* state = new SyncState;
    return *state;
}

const TThreadID gStartThreadID = GetCurrentThreadId();

// The threads whose synchronised calls are running now, innermost last
// (user-interface thread only).
std::vector<const TThread*> gRunningCallOwners;

void WakeMainThread()
{
    SyncState& s = Sync();
    s.uiWake.notify_all();
    if (s.wakePosted.exchange(true)) return;
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) {
        s.wakePosted = false;
        return;
    }
    QMetaObject::invokeMethod(
        app,
        [] {
            Sync().wakePosted = false;
            CheckSynchronize();
        },
        Qt::QueuedConnection);
}

} // namespace

TThreadID GetCurrentThreadId()
{
    thread_local const TThreadID id = gNextThreadID++;
    return id;
}

namespace
{

// The application's thread, once it has been seen (asking Qt for the current
// thread from a std::thread makes Qt adopt that thread, so ask only until known).
std::atomic<TThreadID> gAppThreadID{0};

} // namespace

TThreadID MainThreadID()
{
    IsMainThread();
    const TThreadID app = gAppThreadID.load();
    return app != 0 ? app : gStartThreadID;
}

bool IsMainThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return GetCurrentThreadId() == gStartThreadID;
    const TThreadID known = gAppThreadID.load();
    if (known != 0) return GetCurrentThreadId() == known;
    if (QThread::currentThread() != app->thread()) return false;
    gAppThreadID = GetCurrentThreadId();
    return true;
}

void Sleep(int aMilliseconds)
{
    if (aMilliseconds <= 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(aMilliseconds));
}

std::uint64_t GetTickCount64()
{
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::int64_t QueryPerformanceCounter()
{
    using namespace std::chrono;
    return static_cast<std::int64_t>(
        duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
}

std::int64_t QueryPerformanceFrequency()
{
    return 1000000000;
}

std::int64_t GetThreadCPUTime()
{
    timespec ts{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts) != 0) return 0;
    return static_cast<std::int64_t>(ts.tv_sec) * 10000000 + ts.tv_nsec / 100;
}

bool CheckSynchronize(int aTimeoutMs)
{
    if (!IsMainThread()) return false;
    SyncState& s = Sync();
    std::unique_lock lock(s.mutex);
    if (s.queue.empty() && aTimeoutMs > 0)
        s.uiWake.wait_for(lock, std::chrono::milliseconds(aTimeoutMs), [&] { return !s.queue.empty(); });
    bool any = false;
    while (!s.queue.empty()) {
        SyncEntry* entry = s.queue.front();
        s.queue.pop_front();
        lock.unlock();
        std::exception_ptr failure;
        gRunningCallOwners.push_back(entry->owner);
        try {
            entry->method();
        } catch (...) {
            failure = std::current_exception();
        }
        gRunningCallOwners.pop_back();
        lock.lock();
        entry->exception = failure;
        entry->done = true;
        s.done.notify_all();
        any = true;
    }
    return any;
}

TThread::TThread(bool CreateSuspended) : FCreateSuspended(CreateSuspended)
{
    ++gLiveCount;
}

TThread::~TThread()
{
    if (FThread.joinable()) {
        if (std::this_thread::get_id() == FThread.get_id()) {
            FThread.detach();
        } else if (InOwnSynchronizedCall()) {
            // The worker waits for the call this destructor runs in: waiting for it would never end.
            *FAbandoned = true;
            FThread.detach();
        } else {
            Terminate();
            WaitUntilFinished();
            FThread.join();
        }
    }
    --gLiveCount;
}

bool TThread::InOwnSynchronizedCall() const
{
    if (!IsMainThread()) return false;
    return std::find(gRunningCallOwners.begin(), gRunningCallOwners.end(), this) != gRunningCallOwners.end();
}

void TThread::WaitUntilFinished()
{
    SyncState& s = Sync();
    std::unique_lock lock(s.mutex);
    const bool ui = IsMainThread();
    while (!FFinished) {
        if (ui && !s.queue.empty()) {
            lock.unlock();
            CheckSynchronize();
            lock.lock();
            continue;
        }
        s.uiWake.wait_for(lock, std::chrono::milliseconds(50),
                          [&] { return FFinished.load() || (ui && !s.queue.empty()); });
    }
}

void TThread::AfterConstruction()
{
    if (!FCreateSuspended && !FStarted) Start();
}

void TThread::Start()
{
    if (FStarted.exchange(true))
        throw EThread(QStringLiteral("Cannot call Start on a running or finished thread"));
    std::lock_guard guard(FStartMutex);
    FThread = std::thread(&TThread::ThreadProc, this);
}

void TThread::ThreadProc(TThread* aThread)
{
    {
        // Start has finished storing the std::thread once this lock is ours.
        std::lock_guard guard(aThread->FStartMutex);
    }
    aThread->FThreadID = GetCurrentThreadId();
    const std::shared_ptr<std::atomic<bool>> abandoned = aThread->FAbandoned;
    ++gRunningCount;
    try {
        aThread->Execute();
    } catch (...) {
        if (!*abandoned) aThread->FFatalException = std::current_exception();
    }
    if (*abandoned) {
        // Freed from one of its synchronised calls: the object is gone.
        --gRunningCount;
        Sync().uiWake.notify_all();
        return;
    }
    try {
        aThread->DoTerminate();
    } catch (...) {
        if (!aThread->FFatalException) aThread->FFatalException = std::current_exception();
    }
    const bool freeIt = aThread->FreeOnTerminate;
    if (freeIt) aThread->FThread.detach();
    --gRunningCount;
    SyncState& s = Sync();
    {
        std::lock_guard lock(s.mutex);
        aThread->FFinished = true;
    }
    s.uiWake.notify_all();
    if (freeIt) delete aThread;
}

void TThread::DoTerminate()
{
    if (OnTerminate.Assigned()) Synchronize(this, [this] { OnTerminate(this); });
}

int TThread::WaitFor()
{
    if (FreeOnTerminate) throw EThread(QStringLiteral("Cannot wait for a thread that frees itself"));
    if (FThreadID != 0 && FThreadID == GetCurrentThreadId())
        throw EThread(QStringLiteral("A thread cannot wait for itself"));
    if (!FStarted) {
        if (FCreateSuspended)
            throw EThread(QStringLiteral("Cannot wait for a thread that has not been started"));
        Start();
    }
    WaitUntilFinished();
    if (FThread.joinable()) FThread.join();
    return FReturnValue;
}

void TThread::Synchronize(TThread* aThread, const TThreadMethod& aMethod)
{
    if (IsMainThread()) {
        aMethod();
        return;
    }
    SyncState& s = Sync();
    SyncEntry entry;
    entry.owner = aThread;
    entry.method = aMethod;
    {
        // The wake-up is posted under the queue's lock, which the user-interface
        // thread takes before it runs the call: the posted call object is thus
        // made before it is freed there, in an order a race detector can see
        // (the event queue's own lock lives in uninstrumented code).
        std::lock_guard lock(s.mutex);
        s.queue.push_back(&entry);
        WakeMainThread();
    }
    {
        std::unique_lock lock(s.mutex);
        s.done.wait(lock, [&] { return entry.done; });
    }
    if (entry.exception) std::rethrow_exception(entry.exception);
}

} // namespace skedra
