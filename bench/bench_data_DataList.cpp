// Data lists: appending, index refresh after a delete, random access over a
// virtually loaded list, and a traversal over a group of lists.

#include <random>
#include <vector>

#include "bench/BenchSupport.h"
#include "skedra/data/DataList.h"
#include "skedra/data/DataListGroups.h"

using namespace skedra;

namespace
{

class TBenchEntity : public TqvDataEntity
{
public:
    int Record = -1;
};

TqvOwned<TqvDataList> NewList(TqvListController* c)
{
    auto* l = new TqvDataList();
    l->AfterCreate(c, ClassOf<TBenchEntity>());
    return TqvOwned<TqvDataList>(l);
}

void BM_Append(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    TqvListController c;
    for (auto _ : state) {
        auto l = NewList(&c);
        for (int i = 0; i < n; ++i)
            l->Add();
        benchmark::DoNotOptimize(l->Count());
        state.PauseTiming();
        l.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_Append)->Apply([](auto* b) {
                        skedra::bench::Sizes(b, {1000, 100000, 1000000});
                    }) -> Unit(benchmark::kMillisecond);

// One delete near the front makes every later index stale; the next reads pay once.
void BM_ListIndexAfterDelete(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    TqvListController c;
    auto l = NewList(&c);
    for (int i = 0; i < n; ++i)
        l->Add();
    std::vector<TqvDataEntity*> all;
    for (int i = 0; i < n; ++i)
        all.push_back(l->GetLoaded(i));
    for (auto _ : state) {
        state.PauseTiming();
        l->Insert(1);
        all[1] = l->GetLoaded(1);
        l->EnsureListIndexes();
        state.ResumeTiming();
        l->Delete(1);
        long sum = 0;
        for (int i = 2; i < n; ++i)
            sum += all[static_cast<size_t>(i)]->ListIndex();
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ListIndexAfterDelete)->Apply([](auto* b) {
                                      skedra::bench::Sizes(b, {1000, 100000, 1000000});
                                  }) -> Unit(benchmark::kMillisecond);

// Items[i] at random i over unloaded entities; every unload is allowed, so each
// far read purges the window and loads one entity.
void BM_RandomVirtualAccess(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    TqvListController c;
    c.OnUnloadItem = [](TqvDataEntity*, bool& can) { can = true; };
    c.OnLoadItem = [](TqvDataEntity* e) { static_cast<TBenchEntity*>(e)->Record = e->ListIndex(); };
    auto l = NewList(&c);
    l->AddUnloaded(n);
    std::mt19937 rng(42);
    std::vector<int> at(1 << 16);
    for (int& i : at)
        i = static_cast<int>(rng() % static_cast<unsigned>(n));
    size_t k = 0;
    for (auto _ : state) {
        TqvDataEntity* e = l->Items(at[k++ & (at.size() - 1)]);
        benchmark::DoNotOptimize(e);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RandomVirtualAccess)
    ->Apply([](auto* b) { skedra::bench::Sizes(b, {10000000}); }) -> Unit(benchmark::kNanosecond);

// A walk over every entity of a group of lists.
void BM_TraverseGroup(benchmark::State& state)
{
    const int lists = static_cast<int>(state.range(0));
    const int perList = 1000;
    TqvListController c;
    std::vector<TqvOwned<TqvDataList>> owned;
    TqvOwned<TqvDataList2lev> group(new TqvDataList2lev());
    group->AfterCreate();
    for (int k = 0; k < lists; ++k) {
        owned.push_back(NewList(&c));
        for (int i = 0; i < perList; ++i)
            owned.back()->Add();
        group->Add(owned.back().get());
    }
    for (auto _ : state) {
        TDataListTrav t(group.get());
        long visited = 0;
        for (t.First(); !t.Eof(); t.Next()) {
            benchmark::DoNotOptimize(t.DataEntity());
            ++visited;
        }
        benchmark::DoNotOptimize(visited);
    }
    state.SetItemsProcessed(state.iterations() * lists * perList);
    group.reset();
    owned.clear();
}
BENCHMARK(BM_TraverseGroup)
    ->Apply([](auto* b) { skedra::bench::Sizes(b, {1000}); }) -> Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
