// The placement thread: result on the user-interface thread, failures through
// the message sink, and a thread freed exactly once whatever its state when
// it is cancelled.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QScopeGuard>

#include <atomic>
#include <functional>
#include <mutex>
#include <random>
#include <set>

#include "skedra/gantt/SubColumnDriver.h"
#include "skedra/gantt/TimeDistinctThread.h"
#include "skedra/platform/Messages.h"
#include "tests/common/TestSupport.h"

using namespace skedra;

namespace
{

constexpr double kSecond = 1.0 / SecsPerDay;
const TDateTime kDay = EncodeDate(2026, 12, 8);

// Threads of this class record their end, so that a thread freed twice or
// never is seen (AddressSanitizer sees a double free too).
std::mutex gLiveMutex;
std::set<const void*> gLive;
std::atomic<int> gFreedTwice{0};

class TWatchedThread : public TTimeDistinctGenericThread
{
public:
    TWatchedThread()
    {
        std::lock_guard lock(gLiveMutex);
        gLive.insert(this);
    }
    ~TWatchedThread() override
    {
        std::lock_guard lock(gLiveMutex);
        if (gLive.erase(this) != 1) ++gFreedTwice;
    }
    std::function<void()> BeforeResolve;

protected:
    void ResolveConflicts(TTimeDistinctGeneric& anEngine) override
    {
        if (BeforeResolve) BeforeResolve();
        TTimeDistinctGenericThread::ResolveConflicts(anEngine);
    }
};

int LiveWatched()
{
    std::lock_guard lock(gLiveMutex);
    return static_cast<int>(gLive.size());
}

// Runs the synchronised calls and events until done() or the time is up.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 20000)
{
    const auto start = GetTickCount64();
    while (!done()) {
        if (GetTickCount64() - start > static_cast<std::uint64_t>(timeoutMs)) return false;
        CheckSynchronize(5);
        QCoreApplication::processEvents();
    }
    return true;
}

void FillOverlapping(TDistinctTimeHolderList* holders, int count, std::mt19937& rng)
{
    for (int i = 0; i < count; ++i) {
        const double start = kDay + std::uniform_int_distribution<int>(0, count * 20)(rng) * kSecond;
        holders->Add(start, start + std::uniform_int_distribution<int>(1, 60)(rng) * kSecond, "", nullptr);
    }
}

class TimeDistinctThread : public ::testing::Test
{
protected:
    void SetUp() override { test::ClearShownMessages(); }
    void TearDown() override
    {
        EXPECT_TRUE(PumpUntil([] { return TTimeDistinctGenericThread::ThreadCount() == 0; }));
        EXPECT_EQ(LiveWatched(), 0);
        EXPECT_EQ(gFreedTwice.load(), 0);
    }
};

} // namespace

TEST_F(TimeDistinctThread, ResultArrivesOnTheUserInterfaceThreadAndTheThreadIsFreedFromItsHandler)
{
    auto* thread = new TWatchedThread;
    TTimeDistinctGenericThread* held = thread;
    EXPECT_EQ(TTimeDistinctGenericThread::ThreadCount(), 1);
    EXPECT_FALSE(thread->Finished());
    thread->Holders()->Add(kDay + 8 / 24.0, kDay + 10 / 24.0, "", nullptr);
    thread->Holders()->Add(kDay + 9 / 24.0, kDay + 11 / 24.0, "", nullptr);

    std::vector<int> subCols;
    bool onUiThread = false;
    TObject* sender = nullptr;
    thread->OnDone = [&](TObject* theSender) {
        onUiThread = IsMainThread();
        sender = theSender;
        for (const TDistinctTimeHolder* h : held->Holders()->Items())
            subCols.push_back(h->SubCol);
        TTimeDistinctGenericThread::FreeAndCleanUp(
            held); // as a Gantt row does when it has applied the result
    };
    thread->Start();
    ASSERT_TRUE(PumpUntil([&] { return sender != nullptr; }));
    EXPECT_TRUE(onUiThread);
    EXPECT_EQ(sender, thread);
    EXPECT_EQ(subCols, (std::vector<int>{2, 1}));
    EXPECT_EQ(held, nullptr);
    EXPECT_TRUE(test::ShownMessages().isEmpty());
}

TEST_F(TimeDistinctThread, FreedWhileSuspendedOrWhenFinished)
{
    // Suspended: freed at once, nothing runs.
    auto* suspended = new TWatchedThread;
    bool called = false;
    suspended->OnDone = [&](TObject*) { called = true; };
    TTimeDistinctGenericThread* held = suspended;
    TTimeDistinctGenericThread::FreeAndCleanUp(held);
    EXPECT_EQ(held, nullptr);
    EXPECT_EQ(TTimeDistinctGenericThread::ThreadCount(), 0);
    TTimeDistinctGenericThread::FreeAndCleanUp(held); // null: nothing

    // Finished (its result delivered, its handler leaving it alone): freed at once.
    auto* finished = new TWatchedThread;
    held = finished;
    finished->OnDone = [&](TObject*) { called = true; };
    finished->Start();
    ASSERT_TRUE(PumpUntil([&] { return finished->Finished(); }));
    EXPECT_TRUE(called);
    TTimeDistinctGenericThread::FreeAndCleanUp(held);
    EXPECT_EQ(TTimeDistinctGenericThread::ThreadCount(), 0);
    EXPECT_EQ(LiveWatched(), 0);
}

TEST_F(TimeDistinctThread, RunningThreadIsCancelledWithoutCallback)
{
    std::mt19937 rng(5);
    auto* thread = new TWatchedThread;
    FillOverlapping(thread->Holders(), 200000, rng);
    std::atomic<bool> resolving{false};
    thread->BeforeResolve = [&] { resolving = true; };
    bool called = false;
    thread->OnDone = [&](TObject*) { called = true; };
    TTimeDistinctGenericThread* held = thread;
    thread->Start();
    while (!resolving)
        Sleep(1);
    TTimeDistinctGenericThread::FreeAndCleanUp(held);
    EXPECT_EQ(held, nullptr);
    ASSERT_TRUE(PumpUntil([] { return TTimeDistinctGenericThread::ThreadCount() == 0; }));
    EXPECT_FALSE(called);
    EXPECT_TRUE(test::ShownMessages().isEmpty());
}

TEST_F(TimeDistinctThread, FailureIsShownAndNoResultIsDelivered)
{
    auto* thread = new TWatchedThread;
    thread->Holders()->Add(kDay, kDay + 1, "", nullptr);
    thread->BeforeResolve = [] { throw Exception("out of paper"); };
    bool called = false;
    thread->OnDone = [&](TObject*) { called = true; };
    TTimeDistinctGenericThread* held = thread;
    thread->Start();
    ASSERT_TRUE(PumpUntil([&] { return thread->Finished(); }));
    EXPECT_FALSE(called);
    EXPECT_EQ(test::ShownMessages(), QStringList{"TTimeDistinctGenericThread.Execute out of paper"});

    // A failure of the placement itself arrives with the engine's prefix.
    auto* second = new TWatchedThread;
    TTimeDistinctGenericThread* held2 = second;
    for (int i = 0; i < 3000; ++i)
        second->Holders()->Add(kDay + i * kSecond, kDay + (i + 5) * kSecond, "", nullptr);
    second->BeforeResolve = [] { throw std::bad_alloc(); };
    second->Start();
    ASSERT_TRUE(PumpUntil([&] { return second->Finished(); }));
    EXPECT_EQ(test::ShownMessages().size(), 2);
    EXPECT_TRUE(test::ShownMessages().value(1).startsWith("TTimeDistinctGenericThread.Execute "));
    TTimeDistinctGenericThread::FreeAndCleanUp(held);
    TTimeDistinctGenericThread::FreeAndCleanUp(held2);
}

TEST_F(TimeDistinctThread, FailureIsShownOnTheUserInterfaceThread)
{
    std::vector<bool> onUiThread;
    const TMessageSink previous =
        SetMessageSink([&](const QString&) { onUiThread.push_back(IsMainThread()); });
    auto restore = qScopeGuard([&] { SetMessageSink(previous); });
    auto* thread = new TWatchedThread;
    thread->Holders()->Add(kDay, kDay + 1, "", nullptr);
    thread->BeforeResolve = [] { throw Exception("out of ink"); };
    TTimeDistinctGenericThread* held = thread;
    thread->Start();
    ASSERT_TRUE(PumpUntil([&] { return thread->Finished(); }));
    EXPECT_EQ(onUiThread, std::vector<bool>{true});
    TTimeDistinctGenericThread::FreeAndCleanUp(held);
}

// A plain delete from the thread's own OnDone: the worker waits for that very
// handler, so the thread is not waited for and ends without touching the object.
TEST_F(TimeDistinctThread, PlainDeleteInsideItsOwnDoneHandlerIsSafe)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        auto* thread = new TWatchedThread;
        FillOverlapping(thread->Holders(), round * 10, rng);
        bool done = false;
        int capturedAfterDelete = 0;
        const int marker = round;
        thread->OnDone = [&, thread, marker](TObject* sender) {
            EXPECT_EQ(sender, thread);
            delete thread;
            capturedAfterDelete = marker + 1; // the handler's own captures outlive the delete
            done = true;
        };
        thread->Start();
        ASSERT_TRUE(PumpUntil([&] { return done; }, 10000)) << "round " << round;
        EXPECT_EQ(capturedAfterDelete, round + 1);
    }
    EXPECT_TRUE(PumpUntil([] { return TThread::RunningCount() == 0; }));
    EXPECT_TRUE(test::ShownMessages().isEmpty());
}

// Requests arrive as rows ask for computations: a new thread only while fewer
// than MaxThreads exist, threads ending and freeing themselves on their own
// threads meanwhile. The count never passes the cap and always equals the
// threads that exist.
TEST_F(TimeDistinctThread, CountsLiveThreadsUpToTheCap)
{
    EXPECT_EQ(TTimeDistinctGenericThread::MaxThreads(), 50);
    std::mt19937 rng(11);
    std::vector<TTimeDistinctGenericThread*> rows(120, nullptr);
    int refused = 0, started = 0, peak = 0;
    for (int step = 0; started < 300 && step < 100000; ++step) {
        TTimeDistinctGenericThread*& row = rows[rng() % rows.size()];
        TTimeDistinctGenericThread::FreeAndCleanUp(row); // a new request drops the running computation
        if (TSubColumnDriver::StartAllowed()) {
            auto* t = new TWatchedThread;
            FillOverlapping(t->Holders(), static_cast<int>(rng() % 400), rng);
            row = t;
            t->Start();
            ++started;
        } else {
            ++refused;
            CheckSynchronize(2); // let the computations get on
        }
        const int count = TTimeDistinctGenericThread::ThreadCount();
        peak = std::max(peak, count);
        ASSERT_LE(count, TTimeDistinctGenericThread::MaxThreads()) << "step " << step;
        ASSERT_LE(LiveWatched(), TTimeDistinctGenericThread::MaxThreads()) << "step " << step;
        if (step % 50 == 0) CheckSynchronize();
    }
    for (auto*& t : rows)
        TTimeDistinctGenericThread::FreeAndCleanUp(t);
    ASSERT_TRUE(PumpUntil([] { return TTimeDistinctGenericThread::ThreadCount() == 0; }));
    EXPECT_EQ(LiveWatched(), 0);
    EXPECT_EQ(peak, TTimeDistinctGenericThread::MaxThreads()); // the load reached the cap
    EXPECT_GT(refused, 0);
    EXPECT_EQ(started, 300);
}

// 200 computations cancelled at random moments: while suspended, just after
// the start, while running, while their result waits for the user-interface
// thread, as they finish, or from their own handler. Every thread is freed
// exactly once, the count returns to 0, and no handler runs after its cancel.
TEST_F(TimeDistinctThread, RandomCancellationsFreeEveryThreadExactlyOnce)
{
    constexpr int kCount = 200;
    std::mt19937 rng(20261208);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::vector<TTimeDistinctGenericThread*> slot(kCount, nullptr);
    std::vector<char> cancelled(kCount, 0);
    std::vector<int> calls(kCount, 0);
    std::vector<int> mode(kCount, 0);
    int lateCalls = 0;
    int seen[3] = {0, 0, 0}; // freed while suspended, running, finished

    int next = 0;
    while (next < kCount) {
        // A batch of computations alive at once, acted on in random order.
        const int batch = std::min(kCount - next, pick(1, 12));
        std::vector<int> ids;
        for (int b = 0; b < batch; ++b, ++next) {
            const int k = next;
            ids.push_back(k);
            auto* t = new TWatchedThread;
            slot[k] = t;
            mode[k] = pick(0, 5);
            static const int kSizes[] = {0, 2, 50, 2000, 40000};
            FillOverlapping(t->Holders(), kSizes[pick(0, 4)], rng);
            t->OnDone = [&, k](TObject*) {
                if (cancelled[k]) ++lateCalls;
                ++calls[k];
                if (mode[k] == 5) { // frees itself from its handler
                    cancelled[k] = 1;
                    TTimeDistinctGenericThread::FreeAndCleanUp(slot[k]);
                }
            };
            if (mode[k] != 0) t->Start();
            EXPECT_LE(TTimeDistinctGenericThread::ThreadCount(), TTimeDistinctGenericThread::MaxThreads());
        }
        std::shuffle(ids.begin(), ids.end(), rng);
        for (int k : ids) {
            switch (mode[k]) {
            case 0: // suspended
            case 1: // just started
                break;
            case 2: // running, or its result waiting for this thread (nothing pumped)
                Sleep(pick(0, 4));
                break;
            case 3: // at a random moment while results are delivered
                PumpUntil([&] { return slot[k] == nullptr; }, pick(0, 6));
                break;
            case 4: // as it finishes
                PumpUntil([&] { return slot[k] == nullptr || slot[k]->Finished(); });
                break;
            case 5: // frees itself from its handler
                EXPECT_TRUE(PumpUntil([&] { return slot[k] == nullptr; }));
                break;
            }
            if (slot[k]) {
                ++seen[!slot[k]->GetStarted() ? 0 : slot[k]->Finished() ? 2 : 1];
                cancelled[k] = 1;
                TTimeDistinctGenericThread::FreeAndCleanUp(slot[k]);
            }
            EXPECT_EQ(slot[k], nullptr);
        }
    }
    ASSERT_TRUE(PumpUntil([] { return TTimeDistinctGenericThread::ThreadCount() == 0; }));
    EXPECT_EQ(LiveWatched(), 0);
    EXPECT_EQ(gFreedTwice.load(), 0);
    EXPECT_EQ(lateCalls, 0);
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
    EXPECT_GT(seen[2], 0);
    for (int k = 0; k < kCount; ++k) {
        EXPECT_LE(calls[k], 1) << k;
        if (mode[k] == 0) {
            EXPECT_EQ(calls[k], 0) << k;
        }
        if (mode[k] == 4 || mode[k] == 5) {
            EXPECT_EQ(calls[k], 1) << k;
        }
    }
    EXPECT_TRUE(test::ShownMessages().isEmpty());
}
