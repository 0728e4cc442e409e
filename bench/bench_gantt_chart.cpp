// The Gantt chart on screen with the shared workload of the comparison with
// other Gantt libraries: "flat" is N rows of one item each, "multi" N/10 rows
// of ten items; a 1600 x 900 chart, the row control 400 pixels wide, 40
// pixels per day. Figures (CPU time of this thread, in milliseconds): building
// and attaching the data, the first paint, scrolling one page and painting
// (median of 20), doubling the pixels per day and painting (median of 20),
// appending one row with an item and running the events it brings, with
// whatever paints they hold (median of 20; a row below the view repaints
// nothing but the bar), appending 100,000 rows one by one on screen and then
// running the events, and the peak memory per item. Tree mode holds every row; grid mode announces the rows
// as unloaded and makes a row with its items when the grid loads it, so it holds only what is near the view.
#include <QApplication>
#include <QScrollBar>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "skedra/gantt/qvGant.h"

using namespace skedra;

namespace
{

// 2024-01-01 08:00.
const TDateTime kBase = EncodeDate(2024, 1, 1) + 8.0 / 24;
constexpr int kPixelsPerDay = 40;

double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Resident and peak resident bytes of the process.
long StatusBytes(const char* aKey)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(aKey, 0) == 0) return std::stol(line.substr(std::string(aKey).size())) * 1024;
    return 0;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

enum TWorkload { wlFlat, wlMulti };

struct TItemTimes {
    TDateTime Start;
    TDateTime Stop;
};

TItemTimes FlatItem(long r)
{
    const TDateTime start = kBase + static_cast<double>((7 * r) % 21) + static_cast<double>(r % 4) * 0.25;
    return {start, start + 1 + static_cast<double>((5 * r) % 7)};
}

TItemTimes MultiItem(long r, int k)
{
    const TDateTime start = kBase + static_cast<double>(r % 3) + 3.0 * k;
    return {start, start + 2};
}

std::unique_ptr<TqvGant> MakeChart()
{
    auto gant = std::make_unique<TqvGant>();
    gant->SetBounds(0, 0, 1600, 900);
    gant->SetTreeWidth(400);
    gant->show();
    QApplication::processEvents();
    const int width = gant->GetGA()->GetWidth();
    gant->SetStart(kBase);
    gant->SetStop(kBase + static_cast<double>(width) / kPixelsPerDay);
    QApplication::processEvents();
    return gant;
}

// What a user gets after a change: the posted events run, with the paints
// (whole, partial or none) and the deferred work the change asked for.
void PaintOwed()
{
    QCoreApplication::sendPostedEvents();
    QApplication::processEvents();
}

void Paint(TqvGant* gant)
{
    gant->GetTreeView()->Viewport()->repaint();
    gant->GetGA()->Repaint();
}

void AddTreeRow(TqvGant* gant, TWorkload aWorkload, long r)
{
    TqvDataEntity_Tree* node = gant->AddRootDataEntityTree();
    TGantRow* row = gant->GetGantRow(node);
    const int items = aWorkload == wlFlat ? 1 : 10;
    for (int k = 0; k < items; ++k) {
        TqvDataEntity_GantTime* t = gant->AddGantTimeToGantRow(row, 0);
        const TItemTimes times = aWorkload == wlFlat ? FlatItem(r) : MultiItem(r, k);
        t->SetStartDateTime(times.Start);
        t->SetStopDateTime(times.Stop);
    }
}

// Tree mode: every row is a node of the tree.
void BM_TreeMode(benchmark::State& state)
{
    const auto workload = static_cast<TWorkload>(state.range(0));
    const long n = state.range(1);
    const long rows = workload == wlFlat ? n : n / 10;
    for (auto _ : state) {
        auto gant = MakeChart();
        const long before = StatusBytes("VmRSS:");
        double t0 = CpuMs();
        {
            gant->BeginUpdate();
            for (long r = 0; r < rows; ++r)
                AddTreeRow(gant.get(), workload, r);
            gant->EndUpdate();
        }
        const double build = CpuMs() - t0;
        t0 = CpuMs();
        Paint(gant.get());
        const double firstPaint = CpuMs() - t0;
        const double peakBytesPerItem =
            static_cast<double>(std::max(0L, StatusBytes("VmHWM:") - before)) / static_cast<double>(n);

        TGantTree* tree = gant->GetTreeView();
        const int page = tree->GetVisibleRowsInView();
        std::vector<double> scrolls, zooms, appends;
        for (int i = 0; i < 20; ++i) {
            t0 = CpuMs();
            tree->ScrollRows(page);
            Paint(gant.get());
            scrolls.push_back(CpuMs() - t0);
        }
        for (int i = 0; i < 20; ++i) {
            const double span = gant->GetStop() - gant->GetStart();
            t0 = CpuMs();
            // Twice the pixels per day, then back (a zoom out is a zoom too).
            gant->SetStop(gant->GetStart() + (i % 2 == 0 ? span / 2 : span * 2));
            Paint(gant.get());
            zooms.push_back(CpuMs() - t0);
        }
        for (int i = 0; i < 20; ++i) {
            t0 = CpuMs();
            AddTreeRow(gant.get(), wlFlat, rows + i);
            PaintOwed();
            appends.push_back(CpuMs() - t0);
        }
        const long many = skedra::bench::Smoke() ? 1000 : 100000;
        t0 = CpuMs();
        for (long r = 0; r < many; ++r)
            AddTreeRow(gant.get(), wlFlat, rows + 20 + r);
        PaintOwed();
        const double appendMany = CpuMs() - t0;

        state.counters["build_ms"] = build;
        state.counters["first_paint_ms"] = firstPaint;
        state.counters["scroll_page_paint_ms"] = Median(scrolls);
        state.counters["zoom_paint_ms"] = Median(zooms);
        state.counters["append_row_paint_ms"] = Median(appends);
        state.counters["append_100k_one_by_one_ms"] = appendMany;
        state.counters["appended"] = static_cast<double>(many);
        state.counters["peak_bytes_per_item"] = peakBytesPerItem;
        state.counters["items"] = static_cast<double>(n);
        state.PauseTiming();
        gant.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TreeMode)
    ->Apply([](benchmark::internal::Benchmark* b) {
        for (long n : {1000L, 100000L}) {
            b->Args({wlFlat, n});
            if (skedra::bench::Smoke()) return;
            b->Args({wlMulti, n});
        }
    })
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Grid mode with virtual loading: the rows are announced unloaded, and a row
// the grid loads gets its items from the workload, as from a data source.
struct TGridSource {
    TqvGant* Gant = nullptr;
    TWorkload Workload = wlFlat;
    void Load(TMoxGridCell*, TAxisContentItem* anItem, bool aRowNotColumn)
    {
        if (!aRowNotColumn) return;
        TqvDataEntity_GridTreeNode* node = TqvGridTree::NodeOfRow(anItem);
        if (node == nullptr || node->IntegrationData == nullptr) return;
        AddItems(node, node->ListIndex());
    }
    void AddItems(TqvDataEntity_GridTreeNode* aNode, long r)
    {
        TGantRow* row = Gant->GetRowList()->FindRowFromGridNode(aNode);
        if (row == nullptr || row->TimeItemCount() > 0) return;
        const int items = Workload == wlFlat ? 1 : 10;
        for (int k = 0; k < items; ++k) {
            TqvDataEntity_GantTime* t = Gant->AddGantTimeToGantRow(row, 0);
            const TItemTimes times = Workload == wlFlat ? FlatItem(r) : MultiItem(r, k);
            t->SetStartDateTime(times.Start);
            t->SetStopDateTime(times.Stop);
        }
    }
};

void PaintGrid(TqvGant* gant)
{
    gant->GetGrid()->Repaint();
    gant->GetGA()->Repaint();
}

void BM_GridMode(benchmark::State& state)
{
    const auto workload = static_cast<TWorkload>(state.range(0));
    const long n = state.range(1);
    const long rows = workload == wlFlat ? n : n / 10;
    for (auto _ : state) {
        auto gant = MakeChart();
        gant->SetUseGridNotTree(true);
        QApplication::processEvents();
        TGridSource source{gant.get(), workload};
        gant->SetOnVirtualLoad_Grid(MakeMethod<&TGridSource::Load>(&source));
        gant->SetOnVirtualUnLoad_Grid(
            [](TMoxGridCell*, TAxisContentItem*, bool, bool, bool& aCanUnload) { aCanUnload = true; });
        TqvGridTree* tree = gant->GetGrid()->GetTree();
        const long before = StatusBytes("VmRSS:");
        double t0 = CpuMs();
        tree->GetRootDataList()->AddUnloaded(static_cast<int>(rows));
        const double build = CpuMs() - t0;
        t0 = CpuMs();
        PaintGrid(gant.get());
        const double firstPaint = CpuMs() - t0;

        TScrollbar_qv* bar = gant->GetGrid()->GetVertScrollBar();
        std::vector<double> scrolls, zooms, appends;
        for (int i = 0; i < 20; ++i) {
            t0 = CpuMs();
            bar->Bar()->setSliderPosition(bar->GetPosition() + std::max(1, bar->GetPageSize()));
            PaintGrid(gant.get());
            scrolls.push_back(CpuMs() - t0);
        }
        for (int i = 0; i < 20; ++i) {
            const double span = gant->GetStop() - gant->GetStart();
            t0 = CpuMs();
            gant->SetStop(gant->GetStart() + (i % 2 == 0 ? span / 2 : span * 2));
            PaintGrid(gant.get());
            zooms.push_back(CpuMs() - t0);
        }
        auto append = [&](long r) { source.AddItems(tree->AddDataEntity(nullptr), r); };
        for (int i = 0; i < 20; ++i) {
            t0 = CpuMs();
            append(rows + i);
            PaintOwed();
            appends.push_back(CpuMs() - t0);
        }
        const long many = skedra::bench::Smoke() ? 1000 : 100000;
        t0 = CpuMs();
        for (long r = 0; r < many; ++r)
            append(rows + 20 + r);
        PaintOwed();
        const double appendMany = CpuMs() - t0;
        const double peakBytesPerItem =
            static_cast<double>(std::max(0L, StatusBytes("VmHWM:") - before)) / static_cast<double>(n);

        state.counters["build_ms"] = build;
        state.counters["first_paint_ms"] = firstPaint;
        state.counters["scroll_page_paint_ms"] = Median(scrolls);
        state.counters["zoom_paint_ms"] = Median(zooms);
        state.counters["append_row_paint_ms"] = Median(appends);
        state.counters["append_100k_one_by_one_ms"] = appendMany;
        state.counters["appended"] = static_cast<double>(many);
        state.counters["peak_bytes_per_item"] = peakBytesPerItem;
        state.counters["rows_held"] = static_cast<double>(gant->GetRowList()->Count());
        state.counters["items"] = static_cast<double>(n);
        state.PauseTiming();
        gant->SetOnVirtualLoad_Grid(nullptr);
        gant.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_GridMode)
    ->Apply([](benchmark::internal::Benchmark* b) {
        for (long n : {1000L, 100000L, 1000000L}) {
            b->Args({wlFlat, n});
            if (skedra::bench::Smoke()) return;
            b->Args({wlMulti, n});
        }
    })
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
