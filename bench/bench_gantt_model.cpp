// The Gantt chart's model: building a chart of rows x 10 time items in 3
// layers with links, memory per time item, the hit test at random points, and
// the band computation of one paint with the view at the top, the middle and
// the end (and the same by scanning every row, for comparison).
#include <QApplication>
#include <QElapsedTimer>

#include <fstream>
#include <memory>
#include <random>
#include <unistd.h>

#include "bench/BenchSupport.h"
#include "skedra/gantt/qvGant.h"

using namespace skedra;

namespace
{

constexpr TDateTime kChartDay = 47484.0; // 1 January 2030
constexpr int kItemsPerRow = 10;

long ResidentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

std::unique_ptr<TqvGant> MakeChart()
{
    auto gant = std::make_unique<TqvGant>();
    gant->SetBounds(0, 0, 1200, 800);
    gant->GetTreeView()->SetItemHeight(20);
    gant->GetDateScaler()->SetStart(kChartDay);
    gant->GetDateScaler()->SetStop(kChartDay + 10);
    gant->show();
    QApplication::processEvents();
    return gant;
}

struct TBuildFigures {
    double RowsMs = 0;
    double ItemsMs = 0;
    double BytesPerItem = 0;
};

// rows root nodes, 10 items each in layers 0..2 spread over the window, and
// 2 links per 100 rows (2,000 for 100,000 rows).
TBuildFigures Fill(TqvGant* gant, long rows)
{
    TBuildFigures figures;
    QElapsedTimer clock;
    clock.start();
    std::vector<TqvDataEntity_Tree*> nodes;
    nodes.reserve(static_cast<size_t>(rows));
    for (long r = 0; r < rows; ++r)
        nodes.push_back(gant->AddRootDataEntityTree());
    gant->GetTreeView()->EnsureDisplayUpToDate();
    figures.RowsMs = clock.nsecsElapsed() / 1e6;

    std::mt19937 rng(7);
    std::uniform_real_distribution<double> start(kChartDay - 1, kChartDay + 10);
    std::uniform_real_distribution<double> length(0.05, 1.5);
    const long before = ResidentBytes();
    clock.restart();
    std::vector<TqvDataEntity_GantTime*> some;
    for (long r = 0; r < rows; ++r) {
        for (int i = 0; i < kItemsPerRow; ++i) {
            TqvDataEntity_GantTime* t = gant->AddGantTime(nodes[static_cast<size_t>(r)], i % 3);
            const double s = start(rng);
            t->SetStartDateTime(s);
            t->SetStopDateTime(s + length(rng));
            if (i == 0 && r % 50 == 0) some.push_back(t);
        }
    }
    for (size_t i = 0; i + 1 < some.size(); ++i) {
        TqvDataEntity_Link* link = gant->AddLink();
        link->First = some[i];
        link->Second = some[i + 1];
    }
    figures.ItemsMs = clock.nsecsElapsed() / 1e6;
    figures.BytesPerItem =
        static_cast<double>(ResidentBytes() - before) / static_cast<double>(rows * kItemsPerRow);
    return figures;
}

void BM_BuildChart(benchmark::State& state)
{
    TBuildFigures figures;
    for (auto _ : state) {
        state.PauseTiming();
        auto gant = MakeChart();
        state.ResumeTiming();
        figures = Fill(gant.get(), state.range(0));
        state.PauseTiming();
        gant.reset();
        state.ResumeTiming();
    }
    state.counters["items"] = static_cast<double>(state.range(0) * kItemsPerRow);
    state.counters["rows_ms"] = figures.RowsMs;
    state.counters["items_links_ms"] = figures.ItemsMs;
    state.counters["bytes_per_item"] = figures.BytesPerItem;
}
BENCHMARK(BM_BuildChart)
    ->Apply([](benchmark::internal::Benchmark* b) {
        skedra::bench::Sizes(b, {100, 100000});
    })
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// One chart per size, kept between benchmarks of that size.
TqvGant* SharedChart(long rows)
{
    static std::unique_ptr<TqvGant> chart;
    static long size = -1;
    if (rows < 0) {
        chart.reset();
        size = -1;
        return nullptr;
    }
    if (size != rows) {
        chart.reset();
        chart = MakeChart();
        Fill(chart.get(), rows);
        size = rows;
    }
    return chart.get();
}

void ScrollTo(TqvGant* gant, int aPlace)
{
    TGantTree* tree = gant->GetTreeView();
    const int count = tree->GetVisibleRowCount();
    const int row = aPlace == 0 ? 0 : aPlace == 1 ? count / 2 : std::max(0, count - 30);
    tree->SetTopItem(tree->GetDataEntityFromRow(row));
}

void BM_HitTest(benchmark::State& state)
{
    TqvGant* gant = SharedChart(state.range(0));
    ScrollTo(gant, 1);
    gant->PrepareGeometry();
    std::mt19937 rng(11);
    const int W = gant->GetGA()->GetWidth();
    const int H = gant->GetGA()->GetHeight();
    std::vector<std::pair<int, int>> points(4096);
    for (auto& p : points)
        p = {std::uniform_int_distribution<int>(0, W - 1)(rng),
             std::uniform_int_distribution<int>(0, H - 1)(rng)};
    size_t i = 0;
    long hits = 0;
    for (auto _ : state) {
        const auto& p = points[i++ & 4095];
        hits += gant->GetDataEntityFromXY(p.first, p.second) != nullptr;
    }
    state.counters["hit_share"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_HitTest)->Apply([](benchmark::internal::Benchmark* b) {
    skedra::bench::Sizes(b, {100, 100000});
});

// Args: rows, place of the view (0 top, 1 middle, 2 end).
void BM_PaintBands(benchmark::State& state)
{
    TqvGant* gant = SharedChart(state.range(0));
    ScrollTo(gant, static_cast<int>(state.range(1)));
    std::vector<TGantRow*> rows;
    for (auto _ : state) {
        gant->CollectRowsInView(rows);
        benchmark::DoNotOptimize(rows.data());
    }
    state.counters["rows_in_view"] = static_cast<double>(rows.size());
}
BENCHMARK(BM_PaintBands)->Apply([](benchmark::internal::Benchmark* b) {
    for (long rows : {100L, 100000L}) {
        for (long place : {0L, 1L, 2L})
            b->Args({rows, place});
        if (skedra::bench::Smoke()) break;
    }
});

void BM_PaintBandsByScan(benchmark::State& state)
{
    TqvGant* gant = SharedChart(state.range(0));
    ScrollTo(gant, 1);
    std::vector<TGantRow*> rows;
    for (auto _ : state) {
        gant->CollectRowsInViewByScan(rows);
        benchmark::DoNotOptimize(rows.data());
    }
}
BENCHMARK(BM_PaintBandsByScan)
    ->Apply([](benchmark::internal::Benchmark* b) {
        skedra::bench::Sizes(b, {100, 100000});
    })
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SharedChart(-1);
    return 0;
}
