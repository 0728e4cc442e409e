#include <gtest/gtest.h>

#include "DataTestSupport.h"
#include "skedra/platform/Exceptions.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

// Appends n entities without recording, and answers the entities.
std::vector<TqvDataEntity*> Fill(TRecorder& r, TqvDataList& l, int n)
{
    const bool was = r.Recording;
    r.Recording = false;
    std::vector<TqvDataEntity*> out;
    for (int k = 0; k < n; ++k)
        out.push_back(l.Add());
    r.Recording = was;
    return out;
}

} // namespace

TEST(DataList, AddOnEmptyListNotifiesVisibleInsertContent)
{
    TRecorder r;
    auto l = MakeList(r);
    TqvDataEntity* e = l->Add();
    ASSERT_NE(e, nullptr);
    const std::string id = std::to_string(T(e)->Id);
    EXPECT_EQ(r.Take(), (Strings{"visible " + id, "insert " + id, "content L"}));
    EXPECT_EQ(e->ListIndex(), 0);
    EXPECT_TRUE(e->GetVisible());
    EXPECT_FALSE(e->GetSelected());
    EXPECT_EQ(e->GetDataList(), l.get());
    EXPECT_EQ(l->Count(), 1);
}

TEST(DataList, InsertOfAnEntityThatComesOutSelectedAnnouncesTheSelectionLast)
{
    TRecorder r;
    auto l = MakeList(r);
    TTestEntity::SelectOnCreate() = true;
    TqvDataEntity* e = l->Add();
    TTestEntity::SelectOnCreate() = false;
    const std::string id = std::to_string(T(e)->Id);
    EXPECT_EQ(r.Take(), (Strings{"visible " + id, "insert " + id, "content L", "select L " + id + " on"}));
    EXPECT_TRUE(e->GetSelected());
}

TEST(DataList, InsertInTheMiddleAndOutOfRange)
{
    TRecorder r;
    auto l = MakeList(r);
    auto es = Fill(r, *l, 3);
    TqvDataEntity* mid = l->Insert(1);
    EXPECT_EQ(mid->ListIndex(), 1);
    EXPECT_EQ(es[1]->ListIndex(), 2);
    EXPECT_EQ(es[2]->ListIndex(), 3);
    EXPECT_THROW(l->Insert(5), EListError);
    EXPECT_THROW(l->Insert(-1), EListError);
    EXPECT_TRUE(Consistent(*l));
}

TEST(DataList, DeleteNotifiesWithTheEntityAlreadyOutOfTheWindow)
{
    TRecorder r;
    auto l = MakeList(r);
    auto es = Fill(r, *l, 10);
    int countSeen = -1;
    TqvDataList* listSeen = nullptr;
    r.C.OnDeleteItem = [&](TqvDataEntity* e) {
        countSeen = l->Count();
        listSeen = e->GetDataList();
        r.Add("delete " + std::to_string(T(e)->Id));
    };
    const std::string id = std::to_string(T(es[3])->Id);
    l->Delete(3);
    EXPECT_EQ(r.Take(), (Strings{"delete " + id, "content L"}));
    EXPECT_EQ(countSeen, 9);
    EXPECT_EQ(listSeen, l.get());
    EXPECT_EQ(es[9]->ListIndex(), 8);
    l->Delete(-1);
    l->Delete(9);
    EXPECT_TRUE(r.Take().empty());
    EXPECT_EQ(l->Count(), 9);
    l->Remove(es[9]);
    EXPECT_EQ(l->Count(), 8);
    EXPECT_EQ(l->IndexOf(es[9 - 1]), 7);
    EXPECT_EQ(l->IndexOf(nullptr), -1);
    EXPECT_TRUE(Consistent(*l));
}

TEST(DataList, ClearDeletesLastToFirstThenReportsUnloadedContent)
{
    TRecorder r;
    auto l = MakeList(r);
    auto es = Fill(r, *l, 3);
    l->AddUnloaded(5);
    r.Take();
    Strings expected;
    for (int k = 2; k >= 0; --k) {
        expected.push_back("delete " + std::to_string(T(es[static_cast<size_t>(k)])->Id));
        expected.push_back("content L");
    }
    expected.push_back("unloadedcontent L");
    l->Clear();
    EXPECT_EQ(r.Take(), expected);
    EXPECT_EQ(l->Count(), 0);
    EXPECT_EQ(l->GetUnloadedAfter(), 0);
}

TEST(DataList, SelectionVisibilityEditAndInfoNotifications)
{
    TRecorder r;
    auto l = MakeList(r);
    auto es = Fill(r, *l, 3);
    const std::string a = std::to_string(T(es[0])->Id), c = std::to_string(T(es[2])->Id);
    es[0]->SetSelected(true);
    es[0]->SetSelected(true);
    es[2]->SetSelected(true);
    EXPECT_EQ(r.Take(), (Strings{"select L " + a + " on", "select L " + c + " on"}));
    std::vector<TqvDataEntity*> seen;
    l->IteratorOfSelectedDataEntities([&](TqvDataList* list, TqvDataEntity* e) {
        EXPECT_EQ(list, l.get());
        seen.push_back(e);
    });
    EXPECT_EQ(seen, (std::vector<TqvDataEntity*>{es[0], es[2]}));
    l->ClearSelections();
    EXPECT_EQ(r.Take(), (Strings{"select L " + a + " off", "select L " + c + " off"}));

    es[1]->SetVisible(false);
    es[1]->SetVisible(false);
    EXPECT_EQ(r.Take(), (Strings{"visible " + std::to_string(T(es[1])->Id)}));
    EXPECT_EQ(l->VisibleCount(), 2);
    EXPECT_EQ(l->ListIndexToVisibleIndex(1), 0);
    EXPECT_EQ(l->ListIndexToVisibleIndex(2), 1);
    EXPECT_EQ(l->VisibleIndexToListIndex(1), 2);
    EXPECT_EQ(l->VisibleIndexToListIndex(2), -1);
    EXPECT_FALSE(l->VisibleIndexDataEntity(1));
    EXPECT_TRUE(l->VisibleIndexDataEntity(2));
    EXPECT_FALSE(l->ValidIndexDataEntity(3));

    r.C.OnBeforeCanEditItem = [](TqvDataEntity* e) { e->CanEdit = T(e)->Id % 2 == 0; };
    EXPECT_EQ(es[0]->GetCanEdit(), T(es[0])->Id % 2 == 0);
    es[0]->DoInfoPush();
    EXPECT_EQ(r.Take(), (Strings{"infopush " + a}));
    EXPECT_EQ(l->FindDataEntity([&](TqvDataEntity* e) { return e == es[2]; }), es[2]);
    EXPECT_EQ(l->FindDataEntity(nullptr), nullptr);
}

TEST(DataList, AddUnloadedThenRandomAccessLoadsTheWindowOnDemand)
{
    TRecorder r;
    auto l = MakeList(r);
    l->AddUnloaded(1000);
    EXPECT_EQ(r.Take(), (Strings{"content L", "unloadedcontent L"}));
    EXPECT_EQ(l->Count(), 1000);
    EXPECT_EQ(l->LoadedCount(), 0);

    r.Recording = true;
    TqvDataEntity* e700 = l->Items(700);
    ASSERT_NE(e700, nullptr);
    auto log = r.Take();
    EXPECT_EQ(log, (Strings{"visible " + std::to_string(T(e700)->Id), "load 700"}));
    EXPECT_EQ(l->GetUnloadedBefore(), 700);
    EXPECT_EQ(l->GetUnloadedAfter(), 299);
    EXPECT_EQ(e700->ListIndex(), 700);

    r.C.OnVisibleChanged = nullptr;
    TqvDataEntity* e698 = l->Items(698);
    EXPECT_EQ(r.Take(), (Strings{"load 699", "load 698"}));
    EXPECT_EQ(e698->ListIndex(), 698);
    EXPECT_EQ(T(e698)->Key, 698);
    EXPECT_EQ(l->GetUnloadedBefore(), 698);
    EXPECT_EQ(l->LoadedCount(), 3);

    // Just after the window: one entity at the back.
    l->Items(701);
    EXPECT_EQ(r.Take(), (Strings{"load 701"}));
    // A gap after the window is loaded whole, in ascending order.
    l->Items(704);
    EXPECT_EQ(r.Take(), (Strings{"load 702", "load 703", "load 704"}));
    EXPECT_EQ(l->Items(1000), nullptr);
    EXPECT_EQ(l->Items(-1), nullptr);
    EXPECT_THROW(l->GetLoaded(7), EListError);
    EXPECT_TRUE(Consistent(*l));
}

TEST(DataList, FarJumpWithoutUnloadHandlerLoadsTheWholeGap)
{
    TRecorder r;
    auto l = MakeList(r);
    l->AddUnloaded(1000);
    for (int i = 0; i < 10; ++i)
        l->Items(i);
    r.Recording = false;
    l->Items(600);
    EXPECT_EQ(l->LoadedCount(), 601);
    EXPECT_EQ(l->GetUnloadedBefore(), 0);
    EXPECT_TRUE(Consistent(*l));
}

TEST(DataList, FarJumpWithUnloadHandlerPurgesAndLoadsOnlyTheTarget)
{
    TRecorder r;
    auto l = MakeList(r);
    l->AddUnloaded(1000);
    for (int i = 0; i < 10; ++i)
        l->Items(i);
    l->Items(3)->SetSelected(true);
    r.AllowUnload([](TqvDataEntity*) { return true; });
    r.C.OnVisibleChanged = nullptr;
    r.Take();
    TqvDataEntity* e = l->Items(600);
    auto log = r.Take();
    // The selection goes first, then each entity is freed from the front.
    ASSERT_GE(log.size(), 22u);
    EXPECT_EQ(log[0].rfind("select L", 0), 0u);
    EXPECT_EQ(log[1].rfind("delete ", 0), 0u);
    EXPECT_EQ(log[2], "content L");
    EXPECT_EQ(log.back(), "load 600");
    EXPECT_EQ(l->LoadedCount(), 1);
    EXPECT_EQ(l->GetUnloadedBefore(), 600);
    EXPECT_EQ(l->GetUnloadedAfter(), 399);
    EXPECT_EQ(e->ListIndex(), 600);
    EXPECT_TRUE(Consistent(*l));
}

TEST(DataList, PartialPurgeKeepsTheWindowContiguous)
{
    TRecorder r;
    r.Recording = false;
    auto l = MakeList(r);
    l->AddUnloaded(2000);
    for (int i = 0; i < 100; ++i)
        l->Items(i);
    // Only the back half may go: the purge stops at 49, leaving 0..49.
    r.AllowUnload([](TqvDataEntity* e) { return T(e)->Key >= 50; });
    TqvDataEntity* e = l->Items(700);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->ListIndex(), 700);
    EXPECT_EQ(l->GetUnloadedBefore(), 0);
    EXPECT_EQ(l->LoadedCount(), 701);
    EXPECT_TRUE(Consistent(*l));
    for (int p = 0; p < l->LoadedCount(); ++p)
        ASSERT_EQ(T(l->GetLoaded(p))->Key, p);

    // The same from the other side: only the front part may go.
    auto m = MakeList(r);
    m->AddUnloaded(2000);
    for (int i = 1500; i < 1600; ++i)
        m->Items(i);
    r.AllowUnload([](TqvDataEntity* x) { return T(x)->Key < 1550; });
    TqvDataEntity* f = m->Items(900);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->ListIndex(), 900);
    EXPECT_EQ(m->GetUnloadedBefore(), 900);
    EXPECT_EQ(m->LoadedCount(), 700);
    EXPECT_TRUE(Consistent(*m));
    for (int p = 0; p < m->LoadedCount(); ++p)
        ASSERT_EQ(T(m->GetLoaded(p))->Key, 900 + p);
}

TEST(DataList, EmptiedWindowForgetsItsPlace)
{
    TRecorder r;
    r.Recording = false;
    auto l = MakeList(r);
    l->AddUnloaded(100);
    l->Items(50);
    EXPECT_EQ(l->GetUnloadedBefore(), 50);
    // Delete empties the window.
    l->Delete(50);
    EXPECT_EQ(l->Count(), 99);
    EXPECT_EQ(l->GetUnloadedBefore(), 0);
    EXPECT_EQ(l->GetUnloadedAfter(), 99);
    TqvDataEntity* e = l->Items(10);
    EXPECT_EQ(e->ListIndex(), 10);
    EXPECT_EQ(T(e)->Key, 10);
    EXPECT_TRUE(Consistent(*l));

    // Unload empties it.
    r.AllowUnload([](TqvDataEntity*) { return true; });
    l->Unload(10, true);
    EXPECT_EQ(l->LoadedCount(), 0);
    EXPECT_EQ(l->GetUnloadedBefore(), 0);
    EXPECT_EQ(l->Count(), 99);
    EXPECT_EQ(l->Items(20)->ListIndex(), 20);
    EXPECT_TRUE(Consistent(*l));

    // ChangeOwner empties it.
    auto m = MakeList(r, "M");
    TqvDataEntity* moving = l->Items(20);
    moving->ChangeOwner(m.get(), 0);
    EXPECT_EQ(l->LoadedCount(), 0);
    EXPECT_EQ(l->GetUnloadedBefore(), 0);
    EXPECT_EQ(l->Count(), 98);
    EXPECT_EQ(l->Items(5)->ListIndex(), 5);
    EXPECT_TRUE(Consistent(*l));
    EXPECT_TRUE(Consistent(*m));
}

TEST(DataList, DeleteOfAnUnloadedEntityIsSilentAndShiftsTheIndexes)
{
    TRecorder r;
    auto l = MakeList(r);
    l->AddUnloaded(100);
    TqvDataEntity* e = l->Items(50);
    r.Take();
    l->Delete(10);
    l->Delete(90);
    EXPECT_TRUE(r.Take().empty());
    EXPECT_EQ(l->Count(), 98);
    EXPECT_EQ(e->ListIndex(), 49);
    EXPECT_TRUE(Consistent(*l));
}

TEST(DataList, CachedIndexesFollowInsertsDeletesAndMoves)
{
    TRecorder r;
    auto l = MakeList(r);
    auto es = Fill(r, *l, 10);
    l->Delete(3);
    EXPECT_EQ(es[9]->ListIndex(), 8);
    l->Insert(0);
    EXPECT_EQ(es[9]->ListIndex(), 9);
    EXPECT_EQ(es[0]->ListIndex(), 1);
    r.Take();
    es[0]->Move(7);
    EXPECT_EQ(r.Take(), (Strings{"move " + std::to_string(T(es[0])->Id) + " 1->7"}));
    EXPECT_EQ(es[0]->ListIndex(), 7);
    EXPECT_EQ(es[1]->ListIndex(), 1);
    es[0]->Move(0);
    EXPECT_EQ(es[0]->ListIndex(), 0);
    es[0]->Move(42); // outside the list: nothing
    EXPECT_TRUE(r.Take().size() == 1);
    EXPECT_TRUE(Consistent(*l));
}

TEST(DataList, MoveNeverUnloadsTheEntityBeingMoved)
{
    TRecorder r;
    r.Recording = false;
    auto l = MakeList(r);
    l->AddUnloaded(1000);
    for (int i = 0; i < 10; ++i)
        l->Items(i);
    r.AllowUnload([](TqvDataEntity*) { return true; });
    TqvDataEntity* first = l->Items(0);
    first->Move(900);
    EXPECT_EQ(first->GetDataList(), l.get());
    EXPECT_EQ(first->ListIndex(), 900);
    EXPECT_EQ(T(l->Items(899))->Key, 900);
    EXPECT_TRUE(Consistent(*l));
}

TEST(DataList, ChangeOwnerOrderAndPositions)
{
    std::vector<std::string> both; // outlives the lists, whose teardown still notifies
    TRecorder a, b;
    auto la = MakeList(a, "A");
    auto lb = MakeList(b, "B");
    auto ea = Fill(a, *la, 3);
    auto eb = Fill(b, *lb, 2);
    TqvDataEntity* e = ea[1];
    a.C.OnLeaveOwnerBeforeChange = [&](TqvDataEntity*) { both.push_back("leave A"); };
    b.C.OnEnterOwnerAfterChange = [&](TqvDataEntity*) { both.push_back("enter B"); };
    a.C.OnContentChanged = [&](TqvDataList*) { both.push_back("content A"); };
    b.C.OnContentChanged = [&](TqvDataList*) { both.push_back("content B"); };
    e->ChangeOwner(lb.get(), lb->Count());
    EXPECT_EQ(both, (Strings{"leave A", "enter B", "content B", "content A"}));
    EXPECT_EQ(e->GetDataList(), lb.get());
    EXPECT_EQ(e->ListIndex(), 2);
    EXPECT_EQ(ea[2]->ListIndex(), 1);
    EXPECT_TRUE(Consistent(*la));
    EXPECT_TRUE(Consistent(*lb));

    // Ignored: none, own list, no list.
    both.clear();
    e->ChangeOwner(nullptr, 0);
    e->ChangeOwner(lb.get(), 0);
    EXPECT_TRUE(both.empty());

    // A position beyond the list is clamped to an append.
    ea[0]->ChangeOwner(lb.get(), 99);
    EXPECT_EQ(ea[0]->ListIndex(), 3);
    // A position into the unloaded part of the new list lands where asked.
    lb->AddUnloaded(50);
    ea[2]->ChangeOwner(lb.get(), 30);
    EXPECT_EQ(ea[2]->ListIndex(), 30);
    EXPECT_EQ(la->Count(), 0);
    EXPECT_TRUE(Consistent(*lb));
    (void)eb;
}

namespace
{
class TOtherEntity : public TqvDataEntity
{
};
} // namespace

TEST(DataList, ChangeOwnerToAListOfAnotherClassIsIgnored)
{
    TRecorder r;
    auto l = MakeList(r);
    auto* other = new TqvDataList();
    other->AfterCreate(&r.C, ClassOf<TOtherEntity>());
    TqvOwned<TqvDataList> owned(other);
    TqvDataEntity* e = l->Add();
    r.Take();
    e->ChangeOwner(other, 0);
    EXPECT_TRUE(r.Take().empty());
    EXPECT_EQ(e->GetDataList(), l.get());
}

TEST(DataList, SortOrdersReversesAndRefusesPartlyLoadedLists)
{
    TRecorder r;
    auto l = MakeList(r);
    auto es = Fill(r, *l, 6);
    const int keys[] = {5, 3, 9, 1, 3, 7};
    for (int k = 0; k < 6; ++k)
        T(es[static_cast<size_t>(k)])->Key = keys[k];
    l->Sort(false); // no comparer: nothing at all
    EXPECT_TRUE(r.Take().empty());
    EXPECT_EQ(l->GetLoaded(0), es[0]);

    r.C.OnSortCompare = [](TqvDataEntity* a, TqvDataEntity* b) { return T(a)->Key - T(b)->Key; };
    l->Sort(false);
    EXPECT_EQ(r.Take(), (Strings{"content L"}));
    std::vector<int> got;
    for (int i = 0; i < l->Count(); ++i)
        got.push_back(T(l->Items(i))->Key);
    EXPECT_EQ(got, (std::vector<int>{1, 3, 3, 5, 7, 9}));
    EXPECT_TRUE(Consistent(*l));
    l->Sort(true);
    got.clear();
    for (int i = 0; i < l->Count(); ++i)
        got.push_back(T(l->Items(i))->Key);
    EXPECT_EQ(got, (std::vector<int>{9, 7, 5, 3, 3, 1}));
    EXPECT_TRUE(Consistent(*l));

    l->AddUnloaded(3);
    r.Take();
    try {
        l->Sort(false);
        FAIL() << "a partly loaded list was sorted";
    } catch (const Exception& x) {
        EXPECT_EQ(x.Message(), "Cannot sort a data list with unloaded entities (6 of 9 loaded)");
    }
    EXPECT_TRUE(r.Take().empty());
    EXPECT_EQ(T(l->GetLoaded(0))->Key, 9);
}

TEST(DataList, LoadItemsAndUnloadCheckTheirRanges)
{
    TRecorder r;
    r.Recording = false;
    auto l = MakeList(r);
    l->AddUnloaded(100);
    l->LoadItems(20, 24, false);
    EXPECT_EQ(l->GetUnloadedBefore(), 20);
    EXPECT_EQ(l->LoadedCount(), 5);
    EXPECT_THROW(l->LoadItems(30, 31, false), Exception);
    EXPECT_THROW(l->LoadItems(10, 12, true), Exception);
    l->LoadItems(15, 19, true);
    EXPECT_EQ(l->GetUnloadedBefore(), 15);
    EXPECT_THROW(l->Unload(17, true), Exception);
    // Without an unload handler neither an unload nor a purge frees anything.
    EXPECT_FALSE(l->Unload(15, true));
    l->Purge();
    EXPECT_EQ(l->LoadedCount(), 10);
    r.AllowUnload([](TqvDataEntity*) { return true; });
    EXPECT_TRUE(l->Unload(15, true));
    EXPECT_TRUE(l->Unload(24, false));
    EXPECT_FALSE(l->Unload(24, false)); // no longer loaded
    EXPECT_EQ(l->LoadedCount(), 8);
    EXPECT_EQ(l->GetUnloadedBefore(), 16);
    EXPECT_EQ(l->Count(), 100);
    EXPECT_TRUE(Consistent(*l));
    l->UnloadAll();
    EXPECT_EQ(l->LoadedCount(), 0);
    EXPECT_EQ(l->Count(), 100);
    EXPECT_TRUE(Consistent(*l));
}

TEST(DataList, UnloadAsksTheControllerAndKeepsWhatItRefuses)
{
    TRecorder r;
    auto l = MakeList(r);
    l->AddUnloaded(20);
    for (int i = 5; i < 10; ++i)
        l->Items(i);
    // Entities the application made itself cannot be made again from a
    // record: the controller refuses them, and an unload leaves them loaded.
    std::vector<int> asked;
    bool allow = false;
    r.C.OnUnloadItem = [&](TqvDataEntity* e, bool& can) {
        asked.push_back(T(e)->Key);
        can = allow;
    };
    r.Take();
    EXPECT_FALSE(l->Unload(5, true));
    EXPECT_FALSE(l->Unload(9, false));
    EXPECT_EQ(asked, (std::vector<int>{5, 9}));
    EXPECT_TRUE(r.Take().empty());
    EXPECT_EQ(l->LoadedCount(), 5);
    EXPECT_EQ(l->GetUnloadedBefore(), 5);
    EXPECT_EQ(T(l->Items(5))->Key, 5);
    EXPECT_TRUE(Consistent(*l));

    // Allowed, it goes with its delete pair, asked once.
    allow = true;
    asked.clear();
    r.Take();
    EXPECT_TRUE(l->Unload(9, false));
    EXPECT_EQ(asked, (std::vector<int>{9}));
    const auto log = r.Take();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].rfind("delete ", 0), 0u);
    EXPECT_EQ(log[1], "content L");
    EXPECT_EQ(l->GetUnloadedAfter(), 11);

    // A purge asks each entity once: the four that go and the one refused.
    asked.clear();
    r.C.OnUnloadItem = [&](TqvDataEntity* e, bool& can) {
        asked.push_back(T(e)->Key);
        can = T(e)->Key != 7;
    };
    l->Purge();
    EXPECT_EQ(asked, (std::vector<int>{5, 6, 7, 8, 7}));
    EXPECT_EQ(l->LoadedCount(), 1);
    EXPECT_EQ(T(l->GetLoaded(0))->Key, 7);
    EXPECT_EQ(l->Count(), 20);
    EXPECT_TRUE(Consistent(*l));
}

TEST(DataList, AddUnloadedRefusesNegativeCounts)
{
    TRecorder r;
    auto l = MakeList(r);
    EXPECT_THROW(l->AddUnloaded(-1), Exception);
    EXPECT_EQ(l->Count(), 0);
}

TEST(DataList, TeardownNotifiesEveryLoadedEntity)
{
    TRecorder r;
    {
        auto l = MakeList(r);
        Fill(r, *l, 4);
        r.Take();
    }
    auto log = r.Take();
    EXPECT_EQ(log.size(), 8u);
}

// ---------------------------------------------------------------- handlers that change the list

TEST(DataListReentrancy, InsertHandlerDeletesTheNewEntity)
{
    TRecorder r;
    auto l = MakeList(r);
    r.C.OnInsertItem = [&](TqvDataEntity* e) { l->Remove(e); };
    TTestEntity::SelectOnCreate() = true;
    TqvDataEntity* e = l->Add();
    TTestEntity::SelectOnCreate() = false;
    EXPECT_EQ(e, nullptr);
    EXPECT_EQ(l->Count(), 0);
    EXPECT_TRUE(Consistent(*l));
}

TEST(DataListReentrancy, DeleteHandlerDeletesAndInserts)
{
    TRecorder r;
    auto l = MakeList(r);
    Fill(r, *l, 10);
    int depth = 0;
    r.C.OnDeleteItem = [&](TqvDataEntity*) {
        if (depth++ == 0) {
            l->Delete(0);
            l->Insert(0);
            l->Delete(l->Count() - 1);
        }
        --depth;
    };
    l->Delete(5);
    EXPECT_EQ(l->Count(), 8);
    EXPECT_TRUE(Consistent(*l));
    l->Clear();
    EXPECT_EQ(l->Count(), 0);
    // Freeing an entity directly from a handler during teardown.
    Fill(r, *l, 5);
    r.C.OnDeleteItem = [&](TqvDataEntity*) {
        if (l->LoadedCount() > 0) l->GetLoaded(0)->FreeWheneverPossible();
    };
    l->Clear();
    EXPECT_EQ(l->Count(), 0);
}

TEST(DataListReentrancy, HandlersFreeTheEntityTheyAreAskedAbout)
{
    TRecorder r;
    auto l = MakeList(r);
    Fill(r, *l, 5);
    r.C.OnBeforeCanEditItem = [&](TqvDataEntity* e) {
        e->CanEdit = true;
        l->Remove(e);
    };
    EXPECT_TRUE(l->GetLoaded(0)->GetCanEdit());
    EXPECT_EQ(l->Count(), 4);
    r.C.OnSelectionChanged = [&](TqvDataList*, TqvDataEntity* e) { l->Remove(e); };
    l->GetLoaded(1)->SetSelected(true);
    EXPECT_EQ(l->Count(), 3);
    r.C.OnHandlePerformedMove = [&](TqvDataEntity* e, int, int) { e->FreeWheneverPossible(); };
    l->GetLoaded(0)->Move(2);
    EXPECT_EQ(l->Count(), 2);
    r.C.OnLeaveOwnerBeforeChange = [&](TqvDataEntity* e) { l->Remove(e); };
    auto m = MakeList(r, "M");
    l->GetLoaded(0)->ChangeOwner(m.get(), 0);
    EXPECT_EQ(l->Count(), 1);
    EXPECT_EQ(m->Count(), 0);
    EXPECT_TRUE(Consistent(*l));
    EXPECT_TRUE(Consistent(*m));
}

TEST(DataListReentrancy, LoadHandlerDeletesLoadedEntities)
{
    TRecorder r;
    r.Recording = false;
    auto l = MakeList(r);
    l->AddUnloaded(100);
    l->Items(50);
    int calls = 0;
    r.AfterLoad = [&](TqvDataEntity* e) {
        ++calls;
        if (T(e)->Key == 48) l->Remove(e);
        if (T(e)->Key == 47) l->Delete(e->ListIndex() - 1); // one not yet announced
    };
    l->Items(40);
    EXPECT_TRUE(Consistent(*l));
    EXPECT_EQ(l->Count(), 98);
    // The one deleted before its turn was never announced.
    EXPECT_EQ(calls, 9);
}

TEST(DataListReentrancy, CompareHandlerCannotChangeTheList)
{
    TRecorder r;
    auto l = MakeList(r);
    Fill(r, *l, 20);
    r.C.OnSortCompare = [&](TqvDataEntity* a, TqvDataEntity* b) {
        l->Delete(0);
        return T(a)->Id - T(b)->Id;
    };
    EXPECT_THROW(l->Sort(false), Exception);
    EXPECT_EQ(l->Count(), 20);
    EXPECT_TRUE(Consistent(*l));
}

TEST(DataListReentrancy, ListFreedFromItsOwnNotification)
{
    TRecorder r;
    auto* l = MakeList(r).release();
    auto es = Fill(r, *l, 3);
    r.C.OnContentChanged = [&](TqvDataList* list) {
        if (list == l) {
            l = nullptr;
            list->FreeWheneverPossible();
        }
    };
    es[1]->DoInfoPush();
    TqvDataList* keep = l;
    keep->Delete(1); // its content notification frees the list
    EXPECT_EQ(l, nullptr);
}

TEST(DataListReentrancy, UnloadHandlerDeletesEntities)
{
    TRecorder r;
    r.Recording = false;
    auto l = MakeList(r);
    l->AddUnloaded(2000);
    for (int i = 0; i < 20; ++i)
        l->Items(i);
    r.AllowUnload([&](TqvDataEntity* e) {
        if (T(e)->Key == 5) l->Remove(e);
        return true;
    });
    l->Items(1500);
    EXPECT_TRUE(Consistent(*l));
    EXPECT_EQ(l->Count(), 1999);
}

TEST(DataListReentrancy, FreeingAnEntityDirectlyLeavesTheWindowAsDeleteDoes)
{
    TRecorder r;
    auto l = MakeList(r);
    auto es = Fill(r, *l, 4);
    const std::string id = std::to_string(T(es[1])->Id);
    es[1]->FreeWheneverPossible();
    EXPECT_EQ(r.Take(), (Strings{"delete " + id, "content L"}));
    EXPECT_EQ(l->Count(), 3);
    EXPECT_EQ(es[3]->ListIndex(), 2);
    EXPECT_TRUE(Consistent(*l));
}

// A handler failing for some entities while the list is freed: every entity is
// told, the others are freed, those whose handler failed stay in the list
// (never freed while a holder may refer to them), and the first failure is
// raised. Freeing the list again, once the handler succeeds, frees the rest.
TEST(DataListReentrancy, FailingDeleteHandlerDuringTeardownTellsEveryEntity)
{
    TRecorder r;
    auto* l = MakeList(r).release();
    auto es = Fill(r, *l, 5);
    const int failing1 = T(es[1])->Id, failing3 = T(es[3])->Id;
    std::vector<int> told;
    bool fail = true;
    r.C.OnDeleteItem = [&](TqvDataEntity* e) {
        told.push_back(T(e)->Id);
        if (fail && (T(e)->Id == failing1 || T(e)->Id == failing3))
            throw Exception(QStringLiteral("handler failed for %1").arg(T(e)->Id));
    };
    try {
        l->FreeWheneverPossible();
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("handler failed for %1").arg(failing1)); // the first failure
    }
    EXPECT_EQ(told.size(), 5u);
    ASSERT_EQ(l->Count(), 2);
    EXPECT_EQ(l->GetLoaded(0), es[1]);
    EXPECT_EQ(l->GetLoaded(1), es[3]);
    EXPECT_TRUE(Consistent(*l));
    fail = false;
    l->FreeWheneverPossible(); // the sanitizer checks that all six objects went
}

TEST(DataListReentrancy, FailingDeleteHandlerLeavesTheEntityInTheList)
{
    TRecorder r;
    auto l = MakeList(r);
    auto es = Fill(r, *l, 4);
    r.C.OnDeleteItem = [](TqvDataEntity*) { throw Exception("handler failed"); };
    EXPECT_THROW(l->Delete(1), Exception);
    EXPECT_THROW(es[2]->FreeWheneverPossible(), Exception);
    EXPECT_THROW(l->Clear(), Exception);
    ASSERT_EQ(l->Count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(l->GetLoaded(i), es[static_cast<size_t>(i)]);
    EXPECT_TRUE(Consistent(*l));
    r.C.OnDeleteItem.Clear();
    l->Delete(1);
    EXPECT_EQ(l->Count(), 3);
    EXPECT_TRUE(Consistent(*l));
}
