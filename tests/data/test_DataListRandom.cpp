// Drives two data lists with random operations against a plain model of the
// records they stand for, checking every invariant and index after each step.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "DataTestSupport.h"
#include "skedra/platform/Exceptions.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

// The application's side: the records of one list, in list order.
struct TModel {
    std::vector<int> keys;
};

class TRandomHarness
{
public:
    explicit TRandomHarness(unsigned seed) : FRng(seed)
    {
        for (int k = 0; k < 2; ++k) {
            auto* l = new TqvDataList();
            l->AfterCreate(&FController, ClassOf<TTestEntity>());
            FLists[k].reset(l);
        }
        // A loaded entity takes the record its index stands for.
        FController.OnLoadItem = [this](TqvDataEntity* e) {
            const int k = e->GetDataList() == FLists[0].get() ? 0 : 1;
            const int i = e->ListIndex();
            ASSERT_GE(i, 0);
            ASSERT_LT(i, static_cast<int>(FModels[k].keys.size()));
            T(e)->Key = FModels[k].keys[static_cast<size_t>(i)];
            ++FLoads;
        };
        FController.OnUnloadItem = [this](TqvDataEntity*, bool& can) { can = FAllowUnload && Chance(90); };
        FController.OnDeleteItem = [this](TqvDataEntity* e) {
            // The entity has left the window already.
            EXPECT_EQ(e->GetDataList()->IndexOf(e), -1);
            ++FDeletes;
        };
    }

    int Rand(int n) { return n <= 0 ? 0 : static_cast<int>(FRng() % static_cast<unsigned>(n)); }
    bool Chance(int percent) { return Rand(100) < percent; }

    void Step(int k)
    {
        TqvDataList& l = *FLists[k];
        TModel& m = FModels[k];
        const int count = l.Count();
        FAllowUnload = Chance(50);
        switch (Rand(13)) {
        case 0:
        case 1: { // insert
            const int i = Chance(30) ? count : Rand(count + 1);
            // Appending loads nothing, unless a tail must grow to the end.
            const bool mayLoad = i < count || (l.GetTailCount() > 0 && l.GetUnloadedAfter() > 0);
            const long loads = FLoads;
            TqvDataEntity* e = l.Insert(i);
            ASSERT_NE(e, nullptr);
            if (!mayLoad) {
                ASSERT_EQ(FLoads, loads) << "an append loaded entities";
            }
            if (i == count && l.GetTailCount() > 0) ++FTailAppends;
            T(e)->Key = FNextKey;
            m.keys.insert(m.keys.begin() + i, FNextKey++);
            break;
        }
        case 2: { // delete, loaded or not
            if (count == 0) break;
            const int i = Rand(count);
            l.Delete(i);
            m.keys.erase(m.keys.begin() + i);
            break;
        }
        case 3: { // move a loaded entity anywhere
            if (l.LoadedCount() == 0) break;
            TqvDataEntity* e = l.GetLoaded(Rand(l.LoadedCount()));
            const int from = e->ListIndex();
            const int to = Rand(count);
            e->Move(to);
            const int key = m.keys[static_cast<size_t>(from)];
            m.keys.erase(m.keys.begin() + from);
            m.keys.insert(m.keys.begin() + to, key);
            ASSERT_EQ(e->ListIndex(), to);
            break;
        }
        case 4: { // change owner
            if (l.LoadedCount() == 0) break;
            TqvDataList& other = *FLists[1 - k];
            TModel& om = FModels[1 - k];
            TqvDataEntity* e = l.GetLoaded(Rand(l.LoadedCount()));
            const int from = e->ListIndex();
            const int to = Rand(other.Count() + 1);
            e->ChangeOwner(&other, to);
            const int key = m.keys[static_cast<size_t>(from)];
            m.keys.erase(m.keys.begin() + from);
            om.keys.insert(om.keys.begin() + to, key);
            ASSERT_EQ(e->GetDataList(), &other);
            ASSERT_EQ(e->ListIndex(), to);
            break;
        }
        case 5:
        case 6:
        case 7: { // read anywhere, near or far
            if (count == 0) break;
            // Near the window's edges or the tail's, where runs grow and join.
            const int edge = Chance(50) ? l.GetUnloadedBefore() + l.WindowCount()
                                        : l.GetUnloadedBefore() + l.WindowCount() + l.GetUnloadedBetween();
            const int i = Chance(40) ? Rand(count) : std::clamp(edge + Rand(40) - 20, 0, count - 1);
            TqvDataEntity* e = l.Items(i);
            ASSERT_NE(e, nullptr);
            ASSERT_EQ(T(e)->Key, m.keys[static_cast<size_t>(i)]);
            break;
        }
        case 8: { // unload at an edge of the window or of the tail
            if (l.LoadedCount() == 0) break;
            const bool front = Chance(50);
            const bool tail = l.GetTailCount() > 0 && Chance(50);
            const int first = tail ? l.WindowCount() : 0;
            const int last = tail ? l.LoadedCount() - 1 : l.WindowCount() - 1;
            if (last > first + 1) { // an entity inside a run is refused
                EXPECT_THROW(l.Unload(l.LoadedToListIndex(first + 1), Chance(50)), Exception);
            }
            l.Unload(l.LoadedToListIndex(front ? first : last), front);
            break;
        }
        case 9:
            FAllowUnload = true;
            l.Purge();
            break;
        case 10: { // announce records that exist but are not created
            const int n = Rand(Chance(10) ? 2000 : 30);
            for (int j = 0; j < n; ++j)
                m.keys.push_back(FNextKey++);
            l.AddUnloaded(n);
            break;
        }
        case 11:
            if (Chance(5)) {
                l.Clear();
                m.keys.clear();
            } else if (l.LoadedCount() > 0) {
                l.GetLoaded(Rand(l.LoadedCount()))->SetSelected(Chance(50));
            }
            break;
        case 12: { // sort when everything is loaded, otherwise it must refuse
            FController.OnSortCompare = [](TqvDataEntity* a, TqvDataEntity* b) {
                return T(a)->Key < T(b)->Key ? -1 : T(a)->Key > T(b)->Key ? 1 : 0;
            };
            if (l.LoadedCount() == l.Count()) {
                l.Sort(Chance(50));
                std::vector<int> sorted;
                for (int p = 0; p < l.LoadedCount(); ++p)
                    sorted.push_back(T(l.GetLoaded(p))->Key);
                m.keys = sorted;
                ASSERT_TRUE(std::is_sorted(sorted.begin(), sorted.end()) ||
                            std::is_sorted(sorted.rbegin(), sorted.rend()));
            } else {
                EXPECT_THROW(l.Sort(false), Exception);
            }
            FController.OnSortCompare = nullptr;
            break;
        }
        }
    }

    ::testing::AssertionResult Check(int k)
    {
        TqvDataList& l = *FLists[k];
        const TModel& m = FModels[k];
        if (l.Count() != static_cast<int>(m.keys.size()))
            return ::testing::AssertionFailure() << "Count " << l.Count() << ", model " << m.keys.size();
        auto c = Consistent(l);
        if (!c) return c;
        if (l.GetTailCount() > 0) ++FTailSteps;
        for (int p = 0; p < l.LoadedCount(); ++p) {
            const int i = l.LoadedToListIndex(p);
            if (T(l.GetLoaded(p))->Key != m.keys[static_cast<size_t>(i)])
                return ::testing::AssertionFailure()
                       << "entity at " << i << " holds record " << T(l.GetLoaded(p))->Key << ", expected "
                       << m.keys[static_cast<size_t>(i)];
        }
        return ::testing::AssertionSuccess();
    }

    TqvListController FController;
    TqvOwned<TqvDataList> FLists[2];
    TModel FModels[2];
    std::mt19937 FRng;
    int FNextKey = 0;
    bool FAllowUnload = false;
    long FLoads = 0;
    long FDeletes = 0;
    long FTailAppends = 0;
    long FTailSteps = 0;
};

} // namespace

TEST(DataListRandom, MatchesThePlainModelStepByStep)
{
    for (unsigned seed : {1u, 7u, 2024u}) { // 3 x 2000 steps
        TRandomHarness h(seed);
        for (int step = 0; step < 2000; ++step) {
            const int k = h.Rand(2);
            h.Step(k);
            if (::testing::Test::HasFatalFailure()) FAIL() << "seed " << seed << " step " << step;
            ASSERT_TRUE(h.Check(0)) << "seed " << seed << " step " << step;
            ASSERT_TRUE(h.Check(1)) << "seed " << seed << " step " << step;
        }
        // The walk must have exercised loading and freeing.
        EXPECT_GT(h.FLoads, 100);
        EXPECT_GT(h.FDeletes, 100);
        // And lists with a tail apart from the window.
        EXPECT_GT(h.FTailAppends, 20);
        EXPECT_GT(h.FTailSteps, 200);
    }
}
