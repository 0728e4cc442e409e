// One owner's background sub-column computation: the result on the
// user-interface thread, only the current computation's, times to the second.

#include <gtest/gtest.h>

#include <QApplication>
#include <QThread>

#include <algorithm>
#include <memory>

#include <vector>

#include "skedra/gantt/SubColumnJob.h"
#include "skedra/platform/Threads.h"

using namespace skedra;

namespace
{

constexpr TDateTime kSecond = 1.0 / 86400.0;

struct Owner {
    TSubColumnJob job;
    std::vector<TObject*> done;
    bool onUiThread = true;
    Owner()
    {
        job.SetOnDone(TNotifyEvent([this](TObject* s) {
            onUiThread = onUiThread && QThread::currentThread() == qApp->thread();
            done.push_back(s);
        }));
    }
    void Wait()
    {
        for (int i = 0; i < 5000 && TTimeDistinctGenericThread::ThreadCount() > 0 && done.empty(); ++i)
            CheckSynchronize(1);
    }
};

TEST(SubColumnJob, PlacesOverlappingIntervalsAndAnswersOnTheUserInterfaceThread)
{
    Owner o;
    TObject a, b, c, outside;
    o.job.Begin();
    o.job.Add(1.0, 1.5, QStringLiteral("k"), &a);
    o.job.Add(1.2, 1.7, QStringLiteral("k"), &b);
    o.job.Add(1.4, 1.6, QStringLiteral("k"), &c);
    o.job.Start();
    o.Wait();
    ASSERT_EQ(o.done.size(), 1u);
    EXPECT_TRUE(o.onUiThread);
    EXPECT_EQ(o.done.front(), o.job.Thread());
    std::vector<int> cols;
    for (TObject* r : {&a, &b, &c}) {
        int n = -1;
        ASSERT_TRUE(o.job.FindSubCol(r, n));
        cols.push_back(n);
    }
    std::sort(cols.begin(), cols.end());
    EXPECT_EQ(cols, (std::vector<int>{1, 2, 3}));
    int n = 0;
    EXPECT_FALSE(o.job.FindSubCol(&outside, n));
    o.job.Drop();
    EXPECT_FALSE(o.job.Exists());
    EXPECT_FALSE(o.job.FindSubCol(&a, n));
}

TEST(SubColumnJob, ANewRequestDropsTheRunningOne)
{
    Owner o;
    std::vector<std::unique_ptr<TObject>> refs;
    for (int round = 0; round < 20; ++round) {
        o.job.Begin();
        for (int i = 0; i < 300; ++i) {
            refs.push_back(std::make_unique<TObject>());
            o.job.Add(1.0 + i * kSecond, 2.0, QStringLiteral("k"), refs.back().get());
        }
        o.job.Start();
    }
    TTimeDistinctGenericThread* last = o.job.Thread();
    o.Wait();
    ASSERT_EQ(o.done.size(), 1u) << "only the current computation reports";
    EXPECT_EQ(o.done.front(), last);
    o.job.Drop();
    for (int i = 0; i < 5000 && TTimeDistinctGenericThread::ThreadCount() > 0; ++i)
        CheckSynchronize(1);
    EXPECT_EQ(TTimeDistinctGenericThread::ThreadCount(), 0);
}

TEST(SubColumnJob, TimesAreRoundedToTheSecond)
{
    Owner o;
    TObject a, b;
    o.job.Begin();
    // They overlap by 0.4 s, which rounding to the second removes.
    o.job.Add(1.0, 1.0 + 10.4 * kSecond, QStringLiteral("k"), &a);
    o.job.Add(1.0 + 10.0 * kSecond, 1.0 + 20 * kSecond, QStringLiteral("k"), &b);
    EXPECT_DOUBLE_EQ(o.job.Thread()->Holders()->Get(0)->Stop, RoundToSecond(1.0 + 10.4 * kSecond));
    o.job.Start();
    o.Wait();
    int n = -1;
    ASSERT_TRUE(o.job.FindSubCol(&a, n));
    EXPECT_EQ(n, 0);
}

} // namespace
