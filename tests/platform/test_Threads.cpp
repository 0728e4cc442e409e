#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <thread>
#include <vector>

#include "skedra/platform/Messages.h"
#include "skedra/platform/System.h"
#include "skedra/platform/Threads.h"

using namespace skedra;

namespace
{

// A worker that hands values to the user-interface thread through Synchronize.
class Producer : public TThread
{
public:
    Producer(bool suspended, int count) : TThread(suspended), FCount(count) {}
    ~Producer() override
    {
        Terminate();
        if (GetStarted() && !FreeOnTerminate) WaitFor();
    }
    std::vector<int> received;    // touched on the user-interface thread only
    std::vector<bool> onUiThread; // idem

protected:
    void Execute() override
    {
        for (int i = 0; i < FCount && !Terminated(); ++i) {
            Synchronize([this, i] {
                received.push_back(i);
                onUiThread.push_back(IsMainThread());
            });
        }
        SetReturnValue(FCount);
    }

private:
    int FCount;
};

} // namespace

TEST(Threads, WorkerBlockedInSynchronizeWhileTheUiWaitsForItCompletes)
{
    Producer p(true, 50);
    EXPECT_FALSE(p.GetStarted());
    p.Start();
    // The user-interface thread waits at once; the worker's 50 synchronised
    // calls can only run because WaitFor keeps draining them.
    EXPECT_EQ(p.WaitFor(), 50);
    EXPECT_TRUE(p.GetFinished());
    ASSERT_EQ(p.received.size(), 50u);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(p.received[static_cast<std::size_t>(i)], i);
    for (bool b : p.onUiThread)
        EXPECT_TRUE(b);
    EXPECT_THROW(p.Start(), EThread);
}

TEST(Threads, NotSuspendedStartsAfterConstructionAndOnTerminateRunsOnTheUiThread)
{
    auto* quick = TThread::New<Producer>(false, 2);
    EXPECT_TRUE(quick->GetStarted());
    quick->WaitFor();
    EXPECT_EQ(quick->received.size(), 2u);
    delete quick;

    bool terminatedOnUi = false;
    auto* p = new Producer(false, 3);
    EXPECT_FALSE(p->GetStarted());
    p->OnTerminate = [&](TObject*) { terminatedOnUi = IsMainThread(); };
    p->AfterConstruction();
    p->WaitFor();
    EXPECT_EQ(p->received.size(), 3u);
    EXPECT_TRUE(terminatedOnUi);
    delete p;
}

TEST(Threads, ExceptionsInExecuteAndSynchronizeAreKept)
{
    struct Failing : TThread {
        Failing() : TThread(true) {}
        ~Failing() override { WaitFor(); }
        bool rethrown = false;
        void Execute() override
        {
            try {
                Synchronize([] { throw Exception(QStringLiteral("on the ui")); });
            } catch (const Exception& e) {
                rethrown = e.Message() == "on the ui";
            }
            throw Exception(QStringLiteral("in the worker"));
        }
    };
    Failing f;
    f.Start();
    f.WaitFor();
    EXPECT_TRUE(f.rethrown);
    EXPECT_EQ(ExceptionText(f.GetFatalException()), "in the worker");
}

TEST(Threads, ThousandShortFreeOnTerminateThreadsLeaveNoLiveThread)
{
    struct Short : TThread {
        explicit Short(std::atomic<int>& n) : TThread(true), ran(n) {}
        std::atomic<int>& ran;
        void Execute() override
        {
            if ((ran.fetch_add(1) % 10) == 0) Synchronize([] {}); // some talk to the ui on the way
        }
    };
    const int before = TThread::LiveCount();
    std::atomic<int> ran{0};
    std::atomic<int> terminated{0};
    for (int i = 0; i < 1000; ++i) {
        auto* t = new Short(ran);
        t->FreeOnTerminate = true;
        if (i % 2 == 0) t->OnTerminate = [&](TObject*) { ++terminated; };
        t->Start();
        if (i % 50 == 0) CheckSynchronize();
    }
    QElapsedTimer timer;
    timer.start();
    while (TThread::LiveCount() > before && timer.elapsed() < 60000)
        CheckSynchronize(5);
    EXPECT_EQ(TThread::LiveCount(), before);
    EXPECT_EQ(TThread::RunningCount(), 0);
    EXPECT_EQ(ran.load(), 1000);
    EXPECT_EQ(terminated.load(), 500);
}

TEST(Threads, WaitForMisuseRaisesClearErrors)
{
    Producer never(true, 1);
    EXPECT_THROW(never.WaitFor(), EThread); // not started
    struct Self : TThread {
        Self() : TThread(true) {}
        ~Self() override { WaitFor(); }
        bool raised = false;
        void Execute() override
        {
            try {
                WaitFor();
            } catch (const EThread&) {
                raised = true;
            }
        }
    };
    Self s;
    s.Start();
    s.WaitFor();
    EXPECT_TRUE(s.raised);
}

TEST(Threads, DestroyingARunningThreadTerminatesAndWaits)
{
    struct Loop : TThread {
        Loop() : TThread(true) {}
        ~Loop() override
        {
            Terminate();
            WaitFor();
        }
        void Execute() override
        {
            while (!Terminated())
                Synchronize([] {});
        }
    };
    auto loop = std::make_unique<Loop>();
    loop->Start();
    Sleep(5);
    loop.reset(); // must neither hang nor leave a thread behind
    EXPECT_EQ(TThread::RunningCount(), 0);
}

TEST(Threads, SynchronizeIsWokenByTheEventLoop)
{
    Producer p(true, 5);
    p.Start();
    QElapsedTimer timer;
    timer.start();
    while (p.received.size() < 5 && timer.elapsed() < 10000)
        QCoreApplication::processEvents();
    EXPECT_EQ(p.received.size(), 5u);
    p.WaitFor();
}

TEST(Threads, RecursiveLockAndThreadIds)
{
    TCriticalSection cs;
    cs.Enter();
    cs.Enter(); // the same thread may enter again
    std::atomic<bool> other{true};
    std::thread t([&] { other = cs.TryEnter(); });
    t.join();
    EXPECT_FALSE(other.load());
    cs.Leave();
    cs.Leave();
    std::thread t2([&] {
        other = cs.TryEnter();
        if (other) cs.Leave();
    });
    t2.join();
    EXPECT_TRUE(other.load());

    EXPECT_TRUE(IsMainThread());
    EXPECT_EQ(GetCurrentThreadId(), MainThreadID());
    TThreadID workerId = 0;
    std::thread t3([&] { workerId = GetCurrentThreadId(); });
    t3.join();
    EXPECT_NE(workerId, GetCurrentThreadId());
    EXPECT_EQ(Win32Platform(), VER_PLATFORM_WIN32_NT);
    EXPECT_TRUE(IsNTFamily());
}
