// Printing to PDF page by page: a Gantt chart of 5,000 rows (one item each,
// with a text) in tree mode, about 50 rows to an A4 page at 96 dots per inch,
// so about 100 pages. Reports the pages written; the target is under 5 s for
// 100 pages.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <memory>

#include "bench/BenchSupport.h"
#include "skedra/gantt/GantPrint.h"
#include "skedra/gantt/qvGant.h"

using namespace skedra;

namespace
{

constexpr TDateTime kChartDay = 47484.0; // 1 January 2030

std::unique_ptr<TqvGant> MakeChart(long aRows)
{
    auto g = std::make_unique<TqvGant>();
    g->GetTreeView()->SetItemHeight(20);
    g->SetBounds(0, 0, 1000, 700);
    g->show();
    QApplication::processEvents();
    g->GetDateScaler()->SetStart(kChartDay);
    g->GetDateScaler()->SetStop(kChartDay + 14);
    for (long r = 0; r < aRows; ++r) {
        TqvDataEntity_Tree* node = g->AddRootDataEntityTree();
        node->SetText(QStringLiteral("Task %1").arg(r));
        TqvDataEntity_GantTime* t = g->AddGantTime(node, 0);
        t->SetStartDateTime(kChartDay + (7 * r) % 12 + 0.25);
        t->SetStopDateTime(kChartDay + (7 * r) % 12 + 1.5 + r % 3);
        t->SetColor(0x40A0E0);
        t->GetTexts()->AddText(QStringLiteral("Item %1").arg(r), 2, 1, 1);
    }
    QApplication::processEvents();
    return g;
}

void BM_PrintGanttToPdf(benchmark::State& state)
{
    std::unique_ptr<TqvGant> g = MakeChart(state.range(0));
    QTemporaryDir dir;
    int pages = 0;
    for (auto _ : state) {
        QPdfWriter pdf(dir.filePath(QStringLiteral("gantt.pdf")));
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setResolution(96);
        TDeviceContext dc(&pdf);
        pages = 0;
        g->OnPrintToHdcNewPage =
            TOnPrintToHdcNewPage([&](TObject*, int aPageNo, int& pageHeight, int&, bool&, bool&) {
                if (aPageNo > 1) dc.NewPage();
                pageHeight = dc.GetDeviceHeight();
                pages = aPageNo;
            });
        int w = 0, h = 0;
        TqvPrintGantt::Print(g.get(), &dc, 0, 0, 1, 1, 200, nullptr, -1, false, kChartDay, kChartDay + 14,
                             500, 40, w, h, -1, -1, {});
        dc.End();
    }
    g->OnPrintToHdcNewPage = {};
    state.counters["pages"] = pages;
}

} // namespace

BENCHMARK(BM_PrintGanttToPdf)
    ->Apply([](benchmark::internal::Benchmark* b) {
        skedra::bench::Sizes(b, {100, 5000});
    })
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
