#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "skedra/foundation/DoLater.h"
#include "skedra/platform/Messages.h"
#include "skedra/platform/System.h"
#include "tests/common/TestSupport.h"

using namespace skedra;

namespace
{

struct Item : TObject {
    explicit Item(int n = 0) : number(n) {}
    int number;
};

// A component-like object with a refresh method that records its calls.
struct Target : TObject {
    std::vector<int> calls; // the data's number, or -1 without data
    std::function<void(TObject*)> inside;

    void Refresh(TObject* data)
    {
        calls.push_back(data ? static_cast<Item*>(data)->number : -1);
        if (inside) inside(data);
    }
    void Other(TObject* data) { Refresh(data); }

    TDoLaterCall RefreshCall() { return MakeMethod<&Target::Refresh>(this); }
    TDoLaterCall OtherCall() { return MakeMethod<&Target::Other>(this); }

    ~Target() override
    {
        TDoLater::NeverMind(RefreshCall());
        TDoLater::NeverMind(OtherCall());
    }
};

void Drain()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

} // namespace

TEST(DoLater, SameCallAndDataMergeAndRunOnceOnTheEventLoop)
{
    Target t;
    Item a(1);
    TDoLater::DoLater(t.RefreshCall(), &a);
    TDoLater::DoLater(t.RefreshCall(), &a);
    TDoLater::DoLater(t.RefreshCall(), &a);
    EXPECT_TRUE(TDoLater::AlreadyInList(t.RefreshCall(), &a));
    EXPECT_TRUE(t.calls.empty()); // nothing runs before the event loop does
    Drain();
    EXPECT_EQ(t.calls, std::vector<int>{1});
    EXPECT_FALSE(TDoLater::AlreadyInList(t.RefreshCall(), &a));
    EXPECT_EQ(TDoLater::PendingCount(), 0);
}

TEST(DoLater, TwoDataObjectsRunTwiceInOrderAndOtherObjectsAreDistinct)
{
    Target t;
    Target u;
    Item a(1);
    Item b(2);
    TDoLater::DoLater(t.RefreshCall(), &b);
    TDoLater::DoLater(t.RefreshCall(), &a);
    TDoLater::DoLater(u.RefreshCall(), &b); // same code, another object
    TDoLater::DoLater(t.RefreshCall(), &b);
    TDoLater::DoAllNow();
    EXPECT_EQ(t.calls, (std::vector<int>{2, 1}));
    EXPECT_EQ(u.calls, std::vector<int>{2});
}

TEST(DoLater, NeverMindWithdrawsAllOrOneDataButNotTheRunningCall)
{
    Target t;
    Item a(1);
    Item b(2);
    TDoLater::NeverMind(t.RefreshCall()); // nothing queued: nothing happens
    TDoLater::DoLater(t.RefreshCall(), &a);
    TDoLater::DoLater(t.RefreshCall(), &b);
    TDoLater::DoLater(t.OtherCall(), &a);
    TDoLater::NeverMind(t.RefreshCall(), &a);
    EXPECT_FALSE(TDoLater::AlreadyInList(t.RefreshCall(), &a));
    EXPECT_TRUE(TDoLater::AlreadyInList(t.RefreshCall(), &b));
    TDoLater::NeverMind(t.RefreshCall());
    EXPECT_FALSE(TDoLater::AlreadyInList(t.RefreshCall(), &b));
    TDoLater::DoAllNow();
    EXPECT_EQ(t.calls, std::vector<int>{1}); // only Other(a)

    // From inside the running call: its own request stays until it returns,
    // so asking for itself again is not queued; a later request is withdrawn.
    t.calls.clear();
    bool stillListed = false;
    t.inside = [&](TObject* data) {
        if (data != &a) return;
        TDoLater::DoLater(t.RefreshCall(), &b);
        TDoLater::NeverMind(t.RefreshCall());
        stillListed = TDoLater::AlreadyInList(t.RefreshCall(), &a);
        TDoLater::DoLater(t.RefreshCall(), &a);
    };
    TDoLater::DoLater(t.RefreshCall(), &a);
    TDoLater::DoAllNow();
    EXPECT_TRUE(stillListed);
    EXPECT_EQ(t.calls, std::vector<int>{1});
    EXPECT_EQ(TDoLater::PendingCount(), 0);
}

TEST(DoLater, RequestsMadeWhileRunningRunInTheSamePass)
{
    Target t;
    Item a(1);
    Item b(2);
    Item c(3);
    t.inside = [&](TObject* data) {
        if (data == &a) TDoLater::DoLater(t.RefreshCall(), &b);
        if (data == &b) TDoLater::DoLater(t.OtherCall(), &c);
    };
    TDoLater::DoLater(t.RefreshCall(), &a);
    TDoLater::DoAllNow();
    EXPECT_EQ(t.calls, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(TDoLater::PendingCount(), 0);
}

TEST(DoLater, NestedEventProcessingDoesNotRunTheRunningCallAgain)
{
    Target t;
    Item a(1);
    Item b(2);
    t.inside = [&](TObject* data) {
        if (data != &a) return;
        TDoLater::DoLater(t.OtherCall(), &b);
        ProcessMessages(); // a long operation that lets the event loop in
    };
    TDoLater::DoLater(t.RefreshCall(), &a);
    Drain();
    EXPECT_EQ(t.calls, (std::vector<int>{1, 2}));
}

TEST(DoLater, AThrowingCallIsRemovedReportedAndTheRestRuns)
{
    test::ClearShownMessages();
    Target t;
    Item a(1);
    Item b(2);
    t.inside = [&](TObject* data) {
        if (data == &a) throw Exception(QStringLiteral("refresh failed"));
    };
    TDoLater::DoLater(t.RefreshCall(), &a);
    TDoLater::DoLater(t.RefreshCall(), &b);
    Drain();
    EXPECT_EQ(t.calls, (std::vector<int>{1, 2}));
    EXPECT_EQ(TDoLater::PendingCount(), 0);
    EXPECT_EQ(test::ShownMessages(), QStringList{"refresh failed"});
    // It does not come back on the next pass.
    TDoLater::DoAllNow();
    EXPECT_EQ(t.calls.size(), 2u);
}

TEST(DoLater, RequestsFromEightWorkerThreadsRunExactlyOnceOnTheUserInterfaceThread)
{
    constexpr int kThreads = 8;
    constexpr int kPerThread = 200;
    std::vector<std::unique_ptr<Item>> items;
    for (int i = 0; i < kThreads * kPerThread; ++i)
        items.push_back(std::make_unique<Item>(i));

    struct Counter : TObject {
        std::mutex m;
        std::map<int, int> runs;
        std::atomic<int> offThread{0};
        TThreadID ui = GetCurrentThreadId();
        void Run(TObject* data)
        {
            if (GetCurrentThreadId() != ui) ++offThread;
            std::lock_guard lock(m);
            ++runs[static_cast<Item*>(data)->number];
        }
    } counter;
    const TDoLaterCall call = MakeMethod<&Counter::Run>(&counter);

    std::vector<std::thread> workers;
    for (int w = 0; w < kThreads; ++w) {
        workers.emplace_back([&, w] {
            for (int i = 0; i < kPerThread; ++i) {
                Item* item = items[static_cast<std::size_t>(w * kPerThread + i)].get();
                TDoLater::DoLater(call, item);
                TDoLater::DoLater(call, item); // merged with the first unless it ran already
            }
        });
    }
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        QCoreApplication::processEvents();
        std::lock_guard lock(counter.m);
        if (static_cast<int>(counter.runs.size()) == kThreads * kPerThread || timer.elapsed() > 20000) break;
    }
    for (std::thread& t : workers)
        t.join();
    Drain();
    ASSERT_EQ(static_cast<int>(counter.runs.size()), kThreads * kPerThread);
    int total = 0;
    for (const auto& [n, count] : counter.runs)
        total += count;
    // A second request may come after the first ran; never more than two.
    EXPECT_LE(total, 2 * kThreads * kPerThread);
    for (const auto& [n, count] : counter.runs)
        EXPECT_LE(count, 2) << n;
    EXPECT_EQ(counter.offThread.load(), 0);
    EXPECT_EQ(TDoLater::PendingCount(), 0);
}

TEST(DoLater, DistinctRequestsFromWorkersRunExactlyOnce)
{
    constexpr int kThreads = 8;
    constexpr int kPerThread = 100;
    std::vector<std::unique_ptr<Item>> items;
    for (int i = 0; i < kThreads * kPerThread; ++i)
        items.push_back(std::make_unique<Item>(i));
    struct Counter : TObject {
        std::vector<int> runs = std::vector<int>(kThreads * kPerThread, 0);
        bool onUi = true;
        void Run(TObject* data)
        {
            onUi = onUi && IsMainThread();
            ++runs[static_cast<std::size_t>(static_cast<Item*>(data)->number)];
        }
    } counter;
    const TDoLaterCall call = MakeMethod<&Counter::Run>(&counter);
    std::atomic<int> ready{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < kThreads; ++w) {
        workers.emplace_back([&, w] {
            ++ready;
            while (ready.load() < kThreads)
                std::this_thread::yield(); // all at once
            for (int i = 0; i < kPerThread; ++i)
                TDoLater::DoLater(call, items[static_cast<std::size_t>(w * kPerThread + i)].get());
        });
    }
    for (std::thread& t : workers)
        t.join(); // nothing runs until the loop does
    EXPECT_EQ(TDoLater::PendingCount(), kThreads * kPerThread);
    Drain();
    EXPECT_TRUE(counter.onUi);
    EXPECT_EQ(std::count(counter.runs.begin(), counter.runs.end(), 1), kThreads * kPerThread);
}
