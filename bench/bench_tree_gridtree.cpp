// Expanding a grid-tree node whose owner adds its children on first expansion,
// and collapsing it again (hidden rows only).
#include <chrono>
#include <memory>

#include "bench/BenchSupport.h"
#include "skedra/tree/GridTree.h"

using namespace skedra;

namespace
{

class TBenchCellData : public TMoxSimpleCellData
{
};

void BM_ExpandCollapse(benchmark::State& state)
{
    const int children = static_cast<int>(state.range(0));
    double expandSeconds = 0;
    double collapseSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto root =
            std::make_unique<TMoxGridCellForViewer>(nullptr, nullptr, MoxCellDataClassOf<TBenchCellData>());
        root->ColumnList->AddNew(nullptr);
        auto tree = std::make_unique<TqvGridTree>([children](TqvGridTree* t, TqvDataEntity_GridTreeNode* n) {
            for (int i = 0; i < children; ++i)
                t->AddDataEntity(n);
        });
        tree->GridCell = root.get();
        TqvDataEntity_GridTreeNode* node = tree->AddDataEntity(nullptr);
        state.ResumeTiming();
        auto t0 = std::chrono::steady_clock::now();
        node->SetExpanded(true);
        auto t1 = std::chrono::steady_clock::now();
        node->SetExpanded(false);
        auto t2 = std::chrono::steady_clock::now();
        expandSeconds += std::chrono::duration<double>(t1 - t0).count();
        collapseSeconds += std::chrono::duration<double>(t2 - t1).count();
        state.PauseTiming();
        tree.reset();
        root.reset();
        state.ResumeTiming();
    }
    state.counters["expand_ms"] =
        benchmark::Counter(expandSeconds * 1000, benchmark::Counter::kAvgIterations);
    state.counters["collapse_ms"] =
        benchmark::Counter(collapseSeconds * 1000, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ExpandCollapse)
    ->Apply([](benchmark::internal::Benchmark* b) {
        skedra::bench::Sizes(b, {1000, 100000});
    })
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
