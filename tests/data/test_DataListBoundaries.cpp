// The edges of the loaded window: a read that reaches exactly the load span
// loads everything in between, one more purges; an unload that empties the
// window, and what an insert or a clear does after it.
#include <gtest/gtest.h>

#include "DataTestSupport.h"

using namespace skedra;
using namespace skedra::test;

TEST(DataListBoundaries, ReadReachingExactlyTheLoadSpanLoadsTheGapOneMorePurges)
{
    for (const int extra : {0, 1}) {
        TRecorder r;
        r.Recording = false;
        auto l = MakeList(r);
        l->AddUnloaded(2000);
        for (int i = 0; i < 10; ++i)
            l->Items(i);
        r.AllowUnload([](TqvDataEntity*) { return true; });
        // Loaded 0..9; reading i loads 10..i: (i - 10) + 10 = i is the span measure.
        const int target = TqvDataList::MaxLoadSpan + extra;
        TqvDataEntity* e = l->Items(target);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->ListIndex(), target);
        if (extra == 0) {
            EXPECT_EQ(l->GetUnloadedBefore(), 0) << "the span itself is within the rule";
            EXPECT_EQ(l->LoadedCount(), target + 1);
        } else {
            EXPECT_EQ(l->GetUnloadedBefore(), target) << "one past the span purges";
            EXPECT_EQ(l->LoadedCount(), 1);
        }
        EXPECT_EQ(l->Count(), 2000);
        EXPECT_TRUE(Consistent(*l));
    }
}

TEST(DataListBoundaries, UnloadThatEmptiesTheWindowThenInsertOrClear)
{
    TRecorder r;
    r.Recording = false;
    auto l = MakeList(r);
    l->AddUnloaded(100);
    l->Items(40);
    l->Items(41);
    ASSERT_EQ(l->GetUnloadedBefore(), 40);
    ASSERT_EQ(l->LoadedCount(), 2);
    ASSERT_EQ(l->GetUnloadedAfter(), 58);
    r.AllowUnload([](TqvDataEntity*) { return true; });
    l->Unload(41, false);
    EXPECT_EQ(l->LoadedCount(), 1);
    EXPECT_EQ(l->GetUnloadedBefore(), 40);
    EXPECT_EQ(l->GetUnloadedAfter(), 59);
    l->Unload(40, true);
    EXPECT_EQ(l->LoadedCount(), 0);
    EXPECT_EQ(l->GetUnloadedBefore(), 0);
    EXPECT_EQ(l->GetUnloadedAfter(), 100);
    EXPECT_EQ(l->Count(), 100);
    EXPECT_TRUE(Consistent(*l));

    // An insert into the emptied window lands where asked and counts once.
    TqvDataEntity* inserted = l->Insert(30);
    ASSERT_NE(inserted, nullptr);
    EXPECT_EQ(l->Count(), 101);
    EXPECT_EQ(inserted->ListIndex(), 30);
    EXPECT_EQ(l->Items(30), inserted);
    EXPECT_TRUE(Consistent(*l));

    // A clear after an unload emptied the window leaves nothing, and the list starts over.
    auto m = MakeList(r, "M");
    m->AddUnloaded(50);
    m->Items(20);
    m->Unload(20, true);
    ASSERT_EQ(m->LoadedCount(), 0);
    ASSERT_EQ(m->Count(), 50);
    m->Clear();
    EXPECT_EQ(m->Count(), 0);
    EXPECT_EQ(m->LoadedCount(), 0);
    EXPECT_EQ(m->GetUnloadedBefore(), 0);
    EXPECT_EQ(m->GetUnloadedAfter(), 0);
    TqvDataEntity* first = m->Add();
    EXPECT_EQ(first->ListIndex(), 0);
    EXPECT_EQ(m->Count(), 1);
    EXPECT_TRUE(Consistent(*m));
}
