#include "skedra/foundation/DoLater.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <list>
#include <memory>
#include <mutex>

#include "skedra/platform/Messages.h"

namespace skedra
{

namespace
{

std::uint64_t ThreadCreationTime()
{
    thread_local const std::uint64_t created =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return created;
}

// The hidden window: a QObject on the user-interface thread that receives the
// wake-up events.
class TDoLaterWindow : public QObject
{
public:
    bool event(QEvent* e) override;
};

// One per user-interface thread; in practice one.
class TDoLaterWinPerThread
{
public:
    TDoLaterWinPerThread();
    ~TDoLaterWinPerThread();
    TDoLaterWindow* Window() const { return FWindow.data(); }
    const TThreadSyncInfo& SyncInfo() const { return FSyncInfo; }

private:
    QPointer<TDoLaterWindow> FWindow;
    TThreadSyncInfo FSyncInfo;
};

struct DoLaterState {
    TCriticalSection lock;
    std::list<std::unique_ptr<TDoLaterContainer>> queue;
    std::unique_ptr<TDoLaterWinPerThread> window;
    std::atomic<bool> wakePosted{false};
};

// Created at module initialisation; the finaliser below runs the queue once
// more before it goes (it is defined after it, so it is destroyed first).
DoLaterState gState;

struct DoLaterFinaliser {
    ~DoLaterFinaliser()
    {
        try {
            TDoLater::DoAllNow();
        } catch (...) {
        }
    }
} gFinaliser;

TDoLaterWinPerThread::TDoLaterWinPerThread()
{
    auto* window = new TDoLaterWindow;
    QCoreApplication* app = QCoreApplication::instance();
    if (app != nullptr) {
        if (QThread::currentThread() == app->thread())
            window->setParent(app); // freed with the application
        else
            window->moveToThread(app->thread()); // adopted by the application on its first event
    }
    FWindow = window;
}

TDoLaterWinPerThread::~TDoLaterWinPerThread()
{
    if (FWindow != nullptr && FWindow->parent() == nullptr) delete FWindow.data();
}

void PostWake()
{
    // Under the queue lock.
    if (QCoreApplication::instance() == nullptr) return; // DoAllNow runs them
    if (gState.window == nullptr || gState.window->Window() == nullptr)
        gState.window = std::make_unique<TDoLaterWinPerThread>();
    if (gState.wakePosted.exchange(true)) return;
    QCoreApplication::postEvent(gState.window->Window(),
                                new QEvent(static_cast<QEvent::Type>(WM_DOLATER_RUN)));
}

bool TDoLaterWindow::event(QEvent* e)
{
    // A worker made the wake-up event under the queue lock: reading it under the
    // same lock orders the two for every checker (Qt's own queue lock is opaque).
    QEvent::Type type = QEvent::None;
    {
        std::lock_guard lock(gState.lock);
        type = e->type();
    }
    if (type == static_cast<QEvent::Type>(WM_DOLATER_RUN)) {
        if (parent() == nullptr && QCoreApplication::instance() != nullptr &&
            thread() == QCoreApplication::instance()->thread())
            setParent(QCoreApplication::instance());
        gState.wakePosted = false;
        GuardedCall([] { TDoLater::DoAllNow(); });
        return true;
    }
    if (type == static_cast<QEvent::Type>(WM_DOLATER_SYNCHRONIZE)) {
        GuardedCall([] { CheckSynchronize(); });
        return true;
    }
    return QObject::event(e);
}

} // namespace

TThreadSyncInfo::TThreadSyncInfo() : FThreadID(GetCurrentThreadId()), FCreationTime(ThreadCreationTime()) {}

bool TThreadSyncInfo::IsEqual(const TThreadSyncInfo* anOther) const
{
    return anOther != nullptr && anOther->FThreadID == FThreadID && anOther->FCreationTime == FCreationTime;
}

void TDoLater::DoLater(const TDoLaterCall& aCall, TObject* aData, TThreadSyncInfo*)
{
    if (!aCall.Assigned()) return;
    auto container = std::make_unique<TDoLaterContainer>();
    container->Call = aCall;
    container->Data = aData;
    container->Queued = GetTickCount64();
    std::lock_guard lock(gState.lock);
    if (AlreadyInList(aCall, aData)) return;
    gState.queue.push_back(std::move(container));
    PostWake();
}

void TDoLater::DoAllNow()
{
    std::unique_lock lock(gState.lock);
    auto& queue = gState.queue;
    for (;;) {
        // The oldest request that is not running already (calls running
        // further up this thread's stack stay where they are).
        auto it = std::find_if(queue.begin(), queue.end(), [](const auto& c) { return !c->Running; });
        if (it == queue.end()) break;
        TDoLaterContainer* current = it->get();
        current->Running = true;
        // The lock is not held while the call runs: a call that waits for a
        // worker which queues a request of its own must not deadlock.
        lock.unlock();
        std::exception_ptr failure;
        try {
            current->Call(current->Data);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        // A running request is never withdrawn, so it is still where it was.
        queue.erase(it);
        if (failure) {
            lock.unlock();
            HandleException(failure);
            lock.lock();
        }
    }
}

void TDoLater::NeverMind(const TDoLaterCall& aCall)
{
    std::lock_guard lock(gState.lock);
    auto& queue = gState.queue;
    for (auto it = queue.end(); it != queue.begin();) {
        --it;
        if (!(*it)->Running && (*it)->Call == aCall) it = queue.erase(it);
    }
}

void TDoLater::NeverMind(const TDoLaterCall& aCall, TObject* aData)
{
    std::lock_guard lock(gState.lock);
    auto& queue = gState.queue;
    for (auto it = queue.end(); it != queue.begin();) {
        --it;
        if (!(*it)->Running && (*it)->Call == aCall && (*it)->Data == aData) it = queue.erase(it);
    }
}

bool TDoLater::AlreadyInList(const TDoLaterCall& aCall, TObject* aData)
{
    std::lock_guard lock(gState.lock);
    return std::any_of(gState.queue.begin(), gState.queue.end(),
                       [&](const auto& c) { return c->Call == aCall && c->Data == aData; });
}

int TDoLater::PendingCount()
{
    std::lock_guard lock(gState.lock);
    return static_cast<int>(gState.queue.size());
}

} // namespace skedra
