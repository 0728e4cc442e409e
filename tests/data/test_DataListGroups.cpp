#include <gtest/gtest.h>

#include "DataTestSupport.h"
#include "skedra/platform/Exceptions.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

// Five lists with the given sizes in one group; entity keys are list*100+index.
class TGroupFixture : public ::testing::Test
{
protected:
    void Build(const std::vector<int>& sizes)
    {
        r.Recording = false;
        group.reset(new TqvDataList2lev());
        group->AfterCreate();
        for (size_t k = 0; k < sizes.size(); ++k) {
            lists.push_back(MakeList(r, "L" + std::to_string(k)));
            for (int i = 0; i < sizes[k]; ++i)
                T(lists.back()->Add())->Key = static_cast<int>(k) * 100 + i;
            group->Add(lists.back().get());
        }
        r.Recording = true;
    }
    std::vector<int> Walk(TDataListTrav& t)
    {
        std::vector<int> keys;
        for (t.First(); !t.Eof(); t.Next())
            keys.push_back(T(t.DataEntity())->Key);
        return keys;
    }
    std::vector<int> WalkBack(TDataListTrav& t)
    {
        std::vector<int> keys;
        for (t.Last(); !t.BOF(); t.Prev())
            keys.push_back(T(t.DataEntity())->Key);
        return keys;
    }

    TRecorder r;
    std::vector<TqvOwned<TqvDataList>> lists;
    TqvOwned<TqvDataList2lev> group;
};

} // namespace

TEST_F(TGroupFixture, WalksSkipEmptyListsBothWays)
{
    Build({0, 2, 0, 1, 0});
    TDataListTrav t(group.get());
    EXPECT_EQ(Walk(t), (std::vector<int>{100, 101, 300}));
    EXPECT_EQ(WalkBack(t), (std::vector<int>{300, 101, 100}));
    EXPECT_EQ(t.ListCount(), 2);
    EXPECT_EQ(t.GetObsCountInList(0), 2);

    TDataListTrav single(lists[1].get());
    EXPECT_EQ(Walk(single), (std::vector<int>{100, 101}));
    TDataListTrav none(lists[0].get());
    none.First();
    EXPECT_TRUE(none.Eof());
    EXPECT_EQ(none.DataEntity(), nullptr);
    none.Last();
    EXPECT_TRUE(none.BOF());
}

TEST_F(TGroupFixture, AllEmptyIsAtEofRightAfterFirst)
{
    Build({0, 0, 0});
    TDataListTrav t(group.get());
    t.First();
    EXPECT_TRUE(t.Eof());
    t.Last();
    EXPECT_TRUE(t.BOF());
    // Lists are re-read at First.
    lists[1]->Add();
    t.First();
    EXPECT_FALSE(t.Eof());
}

TEST_F(TGroupFixture, StartIndexWrapsAround)
{
    Build({1, 1, 1, 1, 1});
    TDataListTrav t(group.get(), 2);
    EXPECT_EQ(Walk(t), (std::vector<int>{200, 300, 400, 0, 100}));
    // A negative start counts from the end, and one past the count wraps too.
    TDataListTrav back(group.get(), -1);
    EXPECT_EQ(Walk(back), (std::vector<int>{400, 0, 100, 200, 300}));
    TDataListTrav farBack(group.get(), -7);
    EXPECT_EQ(Walk(farBack), (std::vector<int>{300, 400, 0, 100, 200}));
    TDataListTrav past(group.get(), 5);
    EXPECT_EQ(Walk(past), (std::vector<int>{0, 100, 200, 300, 400}));
}

TEST_F(TGroupFixture, ExplicitIndexesInOrderSkippingMinusOne)
{
    Build({1, 1, 1, 2, 1});
    TDataListTrav t(group.get(), {3, -1, 1});
    EXPECT_EQ(Walk(t), (std::vector<int>{300, 301, 100}));
    EXPECT_EQ(t.IndexCount, 3);
    EXPECT_TRUE(t.UseIndexes);
    // At most 11 indexes.
    std::vector<int> twelve(12, 0);
    EXPECT_THROW(TDataListTrav(group.get(), twelve), Exception);
    std::vector<int> eleven(11, 0);
    EXPECT_NO_THROW(TDataListTrav(group.get(), eleven));
}

TEST_F(TGroupFixture, ThreeLevelWalk)
{
    Build({1, 0, 2});
    TqvOwned<TqvDataList2lev> second(new TqvDataList2lev());
    second->AfterCreate();
    auto extra = MakeList(r, "X");
    T(extra->Add())->Key = 900;
    second->Add(extra.get());
    TqvOwned<TqvDataList3lev> top(new TqvDataList3lev());
    top->AfterCreate();
    top->Add(group.get());
    top->Add(second.get());
    top->Add(second.get());
    EXPECT_EQ(top->Count(), 2);
    TDataListTrav t(top.get());
    EXPECT_EQ(Walk(t), (std::vector<int>{0, 200, 201, 900}));
    EXPECT_THROW(top->GetDataListList(2), EListError);
    EXPECT_EQ(top->IndexOf(second.get()), 1);
}

TEST(DataList3lev, RemovalsFromEitherEndAndTheMiddleKeepTheOrder)
{
    std::vector<TqvOwned<TqvDataList2lev>> groups;
    TqvOwned<TqvDataList3lev> top(new TqvDataList3lev());
    top->AfterCreate();
    std::vector<TqvDataList2lev*> model;
    for (int i = 0; i < 40; ++i) {
        groups.emplace_back(new TqvDataList2lev());
        groups.back()->AfterCreate();
        top->Add(groups.back().get());
        model.push_back(groups.back().get());
    }
    auto same = [&] {
        if (top->Count() != static_cast<int>(model.size())) return false;
        for (int i = 0; i < top->Count(); ++i)
            if (top->GetDataListList(i) != model[static_cast<size_t>(i)] ||
                top->IndexOf(model[static_cast<size_t>(i)]) != i)
                return false;
        return true;
    };
    // A run from the front, one from the back, then here and there.
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(top->Remove(model.front()), 0);
        model.erase(model.begin());
        EXPECT_EQ(top->Remove(model.back()), static_cast<int>(model.size()) - 1);
        model.pop_back();
    }
    ASSERT_TRUE(same());
    for (int i : {7, 0, 12, 3, 15, 1}) {
        EXPECT_EQ(top->Remove(model[static_cast<size_t>(i)]), i);
        model.erase(model.begin() + i);
        ASSERT_TRUE(same());
    }
    // Gone is -1, a group set twice is found at its first place.
    EXPECT_EQ(top->IndexOf(groups[0].get()), -1);
    EXPECT_EQ(top->Remove(groups[0].get()), -1);
    top->SetDataListList(10, model[3]);
    model[10] = model[3];
    EXPECT_EQ(top->IndexOf(model[3]), 3);
    EXPECT_EQ(top->Remove(model[3]), 3);
    model.erase(model.begin() + 3);
    EXPECT_EQ(top->IndexOf(model[9]), 9);
    top->Clear();
    EXPECT_EQ(top->IndexOf(model[0]), -1);
}

TEST_F(TGroupFixture, GroupListOperations)
{
    Build({1, 1});
    EXPECT_EQ(group->Add(lists[0].get()), 0);
    EXPECT_EQ(group->Count(), 2);
    EXPECT_EQ(group->IndexOf(lists[1].get()), 1);
    group->Remove(lists[0].get());
    EXPECT_EQ(group->GetDataList(0), lists[1].get());
    EXPECT_THROW(group->GetDataList(1), EListError);
    // Membership follows every way a list leaves or enters the group.
    EXPECT_EQ(group->Add(lists[0].get()), 1);
    group->SetDataList(1, nullptr);
    EXPECT_EQ(group->Add(lists[0].get()), 2);
    group->Delete(2);
    group->SetDataList(0, lists[0].get());
    EXPECT_EQ(group->Add(lists[0].get()), 0);
    EXPECT_EQ(group->Add(lists[1].get()), 2);
    group->SetDataList(1, lists[1].get()); // now twice in the group
    group->Remove(lists[1].get());
    EXPECT_EQ(group->Add(lists[1].get()), 1);
    group->Clear();
    EXPECT_EQ(group->Add(lists[1].get()), 0);
    group->FreeWheneverPossible();
    group.release();
    // The lists survive their group.
    EXPECT_EQ(lists[0]->Count(), 1);
}

TEST_F(TGroupFixture, MissingIndexHandlerCreatesListsOnDemand)
{
    Build({1});
    int calls = 0;
    group->OnMissingIndex = [&](TqvExposable* caller, int index, bool& fixable) {
        EXPECT_EQ(caller, group.get());
        ++calls;
        while (group->Count() <= index) {
            lists.push_back(MakeList(r));
            group->Add(lists.back().get());
        }
        fixable = true;
    };
    TqvDataList* got = group->GetDataList(3);
    ASSERT_EQ(lists.size(), 4u);
    EXPECT_EQ(got, lists[3].get());
    EXPECT_EQ(calls, 1);

    // A handler that claims a fix but adds nothing: asked again once, then none.
    calls = 0;
    group->OnMissingIndex = [&](TqvExposable*, int, bool& fixable) {
        ++calls;
        fixable = true;
    };
    EXPECT_EQ(group->GetDataList(10), nullptr);
    EXPECT_EQ(calls, 2);
    group->OnMissingIndex = [&](TqvExposable*, int, bool&) { ++calls; };
    EXPECT_EQ(group->GetDataList(10), nullptr);
    EXPECT_EQ(calls, 3);
}

TEST_F(TGroupFixture, SelectNextWrapsToTheFirstEntity)
{
    Build({0, 2, 0, 1, 0});
    TqvDataEntity* last = lists[3]->GetLoaded(0);
    TqvDataEntity* first = lists[1]->GetLoaded(0);
    last->SetSelected(true);
    r.Take();
    group->SelectNext();
    EXPECT_EQ(r.Take(), (Strings{"select L3 " + std::to_string(T(last)->Id) + " off",
                                 "select L1 " + std::to_string(T(first)->Id) + " on"}));
    EXPECT_EQ(group->FindSelected(), first);
    group->SelectNext();
    EXPECT_EQ(group->FindSelected(), lists[1]->GetLoaded(1));
    group->SelectPrev();
    group->SelectPrev();
    EXPECT_EQ(group->FindSelected(), last);
}

TEST_F(TGroupFixture, SelectPrevWithNothingSelectedTakesTheLast)
{
    Build({1, 3, 0});
    group->SelectPrev();
    EXPECT_EQ(group->FindSelected(), lists[1]->GetLoaded(2));
    group->ClearSelections();
    EXPECT_EQ(group->FindSelected(), nullptr);
    group->SelectNext();
    EXPECT_EQ(group->FindSelected(), lists[0]->GetLoaded(0));
    // SelectDataEntity adds to the selection.
    group->SelectDataEntity(lists[1]->GetLoaded(1));
    int selected = 0;
    TDataListTrav t(group.get());
    for (t.First(); !t.Eof(); t.Next())
        selected += t.DataEntity()->GetSelected();
    EXPECT_EQ(selected, 2);
}

TEST_F(TGroupFixture, StepsOverAllEmptyGroups)
{
    Build({0, 0});
    group->SelectNext();
    group->SelectPrev();
    EXPECT_EQ(group->FindSelected(), nullptr);
}

TEST_F(TGroupFixture, WalkLoadsUnloadedEntities)
{
    Build({0, 0});
    lists[0]->AddUnloaded(3);
    r.Take();
    TDataListTrav t(group.get());
    int n = 0;
    for (t.First(); !t.Eof(); t.Next()) {
        ASSERT_NE(t.DataEntity(), nullptr);
        EXPECT_EQ(T(t.DataEntity())->Key, n++);
    }
    EXPECT_EQ(n, 3);
}
