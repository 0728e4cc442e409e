// The data-bound tree: the display update after a large insertion with the
// roots collapsed, the update after opening one root of 1,000 children, and
// GetRect for every visible row (the Gantt chart's paint path).
#include <QApplication>

#include <memory>
#include <vector>

#include "bench/BenchSupport.h"
#include "skedra/tree/qvTree.h"

using namespace skedra;

namespace
{

std::unique_ptr<TqvTree> MakeTree()
{
    auto tree = std::make_unique<TqvTree>();
    tree->SetBounds(0, 0, 300, 800);
    tree->show();
    QApplication::processEvents();
    return tree;
}

// n entities under n / 100 roots (100 children each), roots collapsed.
void Fill(TqvTree* tree, long n, int perRoot)
{
    const long roots = std::max<long>(1, n / perRoot);
    for (long r = 0; r < roots; ++r) {
        TqvDataEntity_Tree* root = tree->AddDataEntity(nullptr);
        root->SetText(QStringLiteral("Root %1").arg(r));
        for (int c = 0; c < perRoot; ++c)
            tree->AddDataEntity(root)->SetText(QStringLiteral("Child %1").arg(c));
    }
}

void BM_UpdateDisplay_AfterInsert_RootsCollapsed(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto tree = MakeTree();
        Fill(tree.get(), state.range(0), 100);
        state.ResumeTiming();
        tree->EnsureDisplayUpToDate();
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
    state.counters["entities"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_UpdateDisplay_AfterInsert_RootsCollapsed)
    ->Apply([](benchmark::internal::Benchmark* b) {
        skedra::bench::Sizes(b, {1000, 100000});
    })
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_UpdateDisplay_ExpandOneRoot(benchmark::State& state)
{
    auto tree = MakeTree();
    // A root of range(0) children among 999 other collapsed roots of 100
    // (9 in the smoke run).
    Fill(tree.get(), skedra::bench::Smoke() ? 900 : 99900, 100);
    TqvDataEntity_Tree* root = tree->InsertDataEntity(nullptr, skedra::bench::Smoke() ? 5 : 500);
    for (long c = 0; c < state.range(0); ++c)
        tree->AddDataEntity(root)->SetText(QStringLiteral("Task %1").arg(c));
    tree->EnsureDisplayUpToDate();
    for (auto _ : state) {
        root->SetExpanded(true);
        tree->EnsureDisplayUpToDate();
        benchmark::DoNotOptimize(tree->GetVisibleRowCount());
        state.PauseTiming();
        root->SetExpanded(false);
        tree->EnsureDisplayUpToDate();
        tree->GetVisibleRowCount();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UpdateDisplay_ExpandOneRoot)
    ->Apply([](benchmark::internal::Benchmark* b) { skedra::bench::Sizes(b, {1000}); })
    ->Unit(benchmark::kMillisecond);

void BM_GetRect_EveryVisibleRow(benchmark::State& state)
{
    auto tree = MakeTree();
    Fill(tree.get(), state.range(0), 100);
    std::vector<TqvDataEntity_Tree*> all;
    for (int r = 0; r < tree->GetRootDataList()->Count(); ++r) {
        TqvDataEntity_Tree* root = tree->GetRootDataList()->GetTreeItem(r);
        root->SetExpanded(true);
        all.push_back(root);
        for (int c = 0; c < root->GetSubDataList()->Count(); ++c)
            all.push_back(root->GetSubDataList()->GetTreeItem(c));
    }
    tree->EnsureDisplayUpToDate();
    tree->GetRect(all.front());
    for (auto _ : state) {
        for (TqvDataEntity_Tree* e : all)
            benchmark::DoNotOptimize(tree->GetRect(e));
    }
    state.SetItemsProcessed(static_cast<long>(state.iterations()) * static_cast<long>(all.size()));
}
BENCHMARK(BM_GetRect_EveryVisibleRow)->Apply([](benchmark::internal::Benchmark* b) {
    skedra::bench::Sizes(b, {1000, 100000});
});

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
