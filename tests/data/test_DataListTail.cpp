// Entities appended while the window does not reach the end form a tail:
// nothing of the gap is loaded, and every operation keeps both runs right.

#include <gtest/gtest.h>

#include "DataTestSupport.h"
#include "skedra/platform/Exceptions.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

Strings OnlyLoads(const Strings& log)
{
    Strings loads;
    for (const std::string& s : log)
        if (s.rfind("load ", 0) == 0) loads.push_back(s);
    return loads;
}

int Loads(const Strings& log)
{
    return static_cast<int>(OnlyLoads(log).size());
}

// 1000 unloaded entities, the window at 10..12, then three appended.
struct TTailList {
    TRecorder r;
    TqvOwned<TqvDataList> l = MakeList(r);
    std::vector<TqvDataEntity*> appended;
    TTailList()
    {
        l->AddUnloaded(1000);
        l->Items(12);
        l->Items(10);
        r.Take();
        for (int k = 0; k < 3; ++k)
            appended.push_back(l->Add());
    }
};

} // namespace

TEST(DataListTail, AppendAwayFromTheWindowLoadsNothingOfTheGap)
{
    TTailList t;
    const Strings log = t.r.Take();
    EXPECT_EQ(Loads(log), 0);
    // Each append is announced as any insert.
    ASSERT_EQ(log.size(), 9u);
    const std::string id = std::to_string(T(t.appended[0])->Id);
    EXPECT_EQ(log[0], "visible " + id);
    EXPECT_EQ(log[1], "insert " + id);
    EXPECT_EQ(log[2], "content L");
    EXPECT_EQ(t.l->Count(), 1003);
    EXPECT_EQ(t.l->LoadedCount(), 6);
    EXPECT_EQ(t.l->WindowCount(), 3);
    EXPECT_EQ(t.l->GetTailCount(), 3);
    EXPECT_EQ(t.l->GetUnloadedBefore(), 10);
    EXPECT_EQ(t.l->GetUnloadedBetween(), 987);
    EXPECT_EQ(t.l->GetUnloadedAfter(), 0);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(t.appended[static_cast<size_t>(k)]->ListIndex(), 1000 + k);
        EXPECT_EQ(t.l->IndexOf(t.appended[static_cast<size_t>(k)]), 1000 + k);
        EXPECT_TRUE(t.l->IsLoaded(1000 + k));
    }
    EXPECT_FALSE(t.l->IsLoaded(13));
    EXPECT_FALSE(t.l->IsLoaded(999));
    EXPECT_EQ(t.l->LoadedItemAt(500), nullptr);
    EXPECT_TRUE(Consistent(*t.l));
    EXPECT_EQ(Loads(t.r.Take()), 0); // the check only read loaded entities
}

TEST(DataListTail, AppendToAFullyUnloadedListStartsTheWindowAtTheEnd)
{
    TRecorder r;
    auto l = MakeList(r);
    l->AddUnloaded(50);
    r.Take();
    TqvDataEntity* e = l->Add();
    EXPECT_EQ(Loads(r.Take()), 0);
    EXPECT_EQ(e->ListIndex(), 50);
    EXPECT_EQ(l->GetUnloadedBefore(), 50);
    EXPECT_EQ(l->GetTailCount(), 0);
    EXPECT_TRUE(Consistent(*l));
    // Reading before it grows the window at the front.
    EXPECT_EQ(T(l->Items(48))->Key, 48);
    EXPECT_EQ(OnlyLoads(r.Take()), (Strings{"load 49", "load 48"}));
}

TEST(DataListTail, LoadingIntoTheGapFromBothSidesJoinsTheRuns)
{
    TTailList t;
    t.r.Take();
    // Near the tail: loaded at the tail's front, nearest first.
    EXPECT_EQ(T(t.l->Items(997))->Key, 997);
    EXPECT_EQ(OnlyLoads(t.r.Take()), (Strings{"load 999", "load 998", "load 997"}));
    EXPECT_EQ(t.l->GetTailCount(), 6);
    // Near the window: loaded after it.
    EXPECT_EQ(T(t.l->Items(15))->Key, 15);
    EXPECT_EQ(OnlyLoads(t.r.Take()), (Strings{"load 13", "load 14", "load 15"}));
    EXPECT_EQ(t.l->WindowCount(), 6);
    EXPECT_EQ(t.l->GetUnloadedBetween(), 981);
    EXPECT_TRUE(Consistent(*t.l));
    // Close the gap in steps from both sides; the runs become one.
    for (int i = 400; i < 997; i += 300)
        t.l->Items(i);
    for (int i = 16; i < 997; ++i)
        t.l->Items(i);
    EXPECT_EQ(t.l->GetTailCount(), 0);
    EXPECT_EQ(t.l->GetUnloadedBetween(), 0);
    EXPECT_EQ(t.l->WindowCount(), 993);
    for (int i = 10; i < 1003; ++i)
        ASSERT_EQ(t.l->LoadedItemAt(i)->ListIndex(), i);
    EXPECT_TRUE(Consistent(*t.l));
    EXPECT_EQ(T(t.appended[2])->Key, -1); // the application's entities were never reloaded
}

TEST(DataListTail, AFarReadPastTheTailPurgesOrExtendsTheTail)
{
    TTailList t;
    t.l->AddUnloaded(2000); // after the tail
    t.r.Take();
    EXPECT_EQ(T(t.l->Items(1005))->Key, 1005);
    EXPECT_EQ(OnlyLoads(t.r.Take()), (Strings{"load 1003", "load 1004", "load 1005"}));
    EXPECT_EQ(t.l->GetTailCount(), 6);
    EXPECT_EQ(t.l->GetUnloadedAfter(), 1997);
    // Appending now grows the tail to the end under the loading rule: with
    // every entity allowed to go, the runs are purged and only the last
    // entity is loaded before the new one.
    t.r.AllowUnload([](TqvDataEntity*) { return true; });
    TqvDataEntity* e = t.l->Add();
    EXPECT_EQ(e->ListIndex(), 3003);
    EXPECT_TRUE(Consistent(*t.l));
    EXPECT_LE(t.l->LoadedCount(), 2);
}

TEST(DataListTail, DeletingAndUnloadingTailEntities)
{
    TTailList t;
    t.r.Take();
    // An unloaded entity of the gap: silent, the tail moves down by one.
    t.l->Delete(500);
    EXPECT_TRUE(t.r.Take().empty());
    EXPECT_EQ(t.appended[0]->ListIndex(), 999);
    EXPECT_EQ(t.l->GetUnloadedBetween(), 986);
    // A tail entity: the delete pair, the rest of the tail moves down.
    const std::string id = std::to_string(T(t.appended[1])->Id);
    t.l->Delete(1000);
    EXPECT_EQ(t.r.Take(), (Strings{"delete " + id, "content L"}));
    EXPECT_EQ(t.appended[2]->ListIndex(), 1000);
    EXPECT_EQ(t.l->GetTailCount(), 2);
    t.l->Remove(t.appended[0]);
    EXPECT_EQ(t.appended[2]->ListIndex(), 999);
    EXPECT_TRUE(Consistent(*t.l));
    // Inside a run only the edges unload.
    EXPECT_THROW(t.l->Unload(11, true), Exception);
    // A purge asks the controller; what it lets go of the tail becomes unloaded,
    // and without a tail the gap is plain unloaded entities after the window.
    t.r.AllowUnload([&](TqvDataEntity* e) { return e == t.appended[2]; });
    t.r.Take();
    t.l->Purge();
    EXPECT_EQ(t.r.Take().size(), 2u); // the delete pair of the released entity
    EXPECT_EQ(t.l->GetTailCount(), 0);
    EXPECT_EQ(t.l->GetUnloadedBetween(), 0);
    EXPECT_EQ(t.l->Count(), 1000);
    EXPECT_EQ(t.l->GetUnloadedAfter(), 987);
    EXPECT_TRUE(Consistent(*t.l));
}

TEST(DataListTail, UnloadingTheWholeWindowMakesTheTailTheWindow)
{
    TTailList t;
    t.r.AllowUnload([&](TqvDataEntity* e) { return e->ListIndex() < 1000; });
    t.l->UnloadAll();
    EXPECT_EQ(t.l->GetTailCount(), 0);
    EXPECT_EQ(t.l->WindowCount(), 3);
    EXPECT_EQ(t.l->GetUnloadedBefore(), 1000);
    EXPECT_EQ(t.appended[0]->ListIndex(), 1000);
    EXPECT_TRUE(Consistent(*t.l));
}

TEST(DataListTail, PurgeReachesBothEdgesOfTheGap)
{
    TTailList t;
    t.l->Items(990);
    t.l->Items(14);
    // Only the entities next to the gap may go: the window's back and the tail's front.
    t.r.AllowUnload([&](TqvDataEntity* e) {
        const int i = e->ListIndex();
        return (i >= 13 && i <= 14) || (i >= 990 && i <= 999);
    });
    t.l->Purge();
    EXPECT_EQ(t.l->WindowCount(), 3);
    EXPECT_EQ(t.l->GetTailCount(), 3);
    EXPECT_EQ(t.l->GetUnloadedBetween(), 987);
    EXPECT_TRUE(Consistent(*t.l));
}

TEST(DataListTail, InsertsMovesAndChangesOfOwnerAcrossTheGap)
{
    TTailList t;
    // Inserting before a tail entity puts the new one into the tail.
    TqvDataEntity* n = t.l->Insert(1001);
    EXPECT_EQ(n->ListIndex(), 1001);
    EXPECT_EQ(t.appended[1]->ListIndex(), 1002);
    EXPECT_EQ(t.l->GetTailCount(), 4);
    // Inserting in the gap loads the place first.
    TqvDataEntity* g = t.l->Insert(600);
    EXPECT_EQ(g->ListIndex(), 600);
    EXPECT_EQ(t.appended[0]->ListIndex(), 1001);
    EXPECT_TRUE(Consistent(*t.l));
    // A window entity moved into the tail and back.
    TqvDataEntity* w = t.l->GetLoaded(0);
    w->Move(1003);
    EXPECT_EQ(w->ListIndex(), 1003);
    EXPECT_TRUE(Consistent(*t.l));
    w->Move(10);
    EXPECT_EQ(w->ListIndex(), 10);
    EXPECT_TRUE(Consistent(*t.l));
    // Moved to another list's end, away from its window: it starts a tail there.
    TRecorder r2;
    auto other = MakeList(r2, "O");
    other->AddUnloaded(100);
    other->Items(3);
    r2.Take();
    t.appended[2]->ChangeOwner(other.get(), other->Count());
    EXPECT_EQ(Loads(r2.Take()), 0);
    EXPECT_EQ(t.appended[2]->GetDataList(), other.get());
    EXPECT_EQ(t.appended[2]->ListIndex(), 100);
    EXPECT_EQ(other->GetTailCount(), 1);
    EXPECT_TRUE(Consistent(*other));
    EXPECT_TRUE(Consistent(*t.l));
}

TEST(DataListTail, SelectionsClearSortAndTeardownCoverTheTail)
{
    TTailList t;
    t.appended[1]->SetSelected(true);
    t.l->GetLoaded(0)->SetSelected(true);
    std::vector<int> selected;
    t.l->IteratorOfSelectedDataEntities(
        [&](TqvDataList*, TqvDataEntity* e) { selected.push_back(e->ListIndex()); });
    EXPECT_EQ(selected, (std::vector<int>{10, 1001}));
    EXPECT_EQ(t.l->VisibleCount(), 6);
    EXPECT_EQ(t.l->FindDataEntity([&](TqvDataEntity* e) { return e == t.appended[2]; }), t.appended[2]);
    // Sorting needs every entity loaded.
    t.r.C.OnSortCompare = [](TqvDataEntity*, TqvDataEntity*) { return 0; };
    EXPECT_THROW(t.l->Sort(), Exception);
    t.r.Take();
    t.l->ClearSelections();
    EXPECT_EQ(t.r.Take().size(), 2u);
    // Clear tells every loaded entity, last to first, the tail first.
    const std::string last = std::to_string(T(t.appended[2])->Id);
    t.l->Clear();
    const Strings log = t.r.Take();
    ASSERT_EQ(log.size(), 13u);
    EXPECT_EQ(log[0], "delete " + last);
    EXPECT_EQ(log.back(), "unloadedcontent L");
    EXPECT_EQ(t.l->Count(), 0);
    EXPECT_TRUE(Consistent(*t.l));
}
