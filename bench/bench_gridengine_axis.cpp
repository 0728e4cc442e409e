// Random access on a virtual row axis: a layout-like window of 60 rows at a
// random position of a 10,000,000-row axis whose application allows every unload.
#include <random>

#include "bench/BenchSupport.h"
#include "skedra/gridengine/GridContentModel.h"

using namespace skedra;

namespace
{

class TBenchCellData : public TMoxSimpleCellData
{
};

void BM_RandomWindow(benchmark::State& state)
{
    const int total = static_cast<int>(state.range(0));
    TMoxGridCellForViewer root(nullptr, nullptr, MoxCellDataClassOf<TBenchCellData>());
    root.OnVirtualUnLoad = [](TMoxGridCell*, TAxisContentItem*, bool, bool perform, bool& can) {
        if (!perform) can = true;
    };
    root.ColumnList->AddNew(nullptr);
    root.SetFixedRows(1);
    root.RowList->InsertNew(0, nullptr);
    root.RowList->AddUnloaded(total);
    TAxisContentList& rows = *root.RowList;
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> pos(1, total - 60);
    for (auto _ : state) {
        const int top = pos(rng);
        rows.ClearVisibles();
        for (int r = top; r < top + 60; ++r) {
            TAxisContentItem* item = rows.getAxisContentItem(r);
            benchmark::DoNotOptimize(root.getCell(0, r));
            rows.AddToVisible(item);
        }
        rows.Purge();
    }
    state.counters["loaded"] = rows.LoadedCount();
}
BENCHMARK(BM_RandomWindow)
    ->Apply([](benchmark::internal::Benchmark* b) {
        skedra::bench::Sizes(b, {100000, 10000000});
    })
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
