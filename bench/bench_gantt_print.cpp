// Printing to PDF page by page: a Gantt chart of 5,000 rows (one item each,
// with a text) in tree mode and in grid mode (two columns and a header row),
// and a grid of 5,000 rows with four columns, about 50 rows to an A4 page at
// 96 dots per inch, so about 100 pages each. Reports the pages written; the
// target is under 5 s for 100 pages.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <memory>

#include "bench/BenchSupport.h"
#include "skedra/gantt/GantPrint.h"
#include "skedra/gantt/qvGant.h"
#include "skedra/grid/GridPrinting.h"
#include "skedra/grid/qvGrid.h"

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

std::unique_ptr<TqvGant> MakeGridChart(long aRows)
{
    auto g = std::make_unique<TqvGant>();
    g->SetBounds(0, 0, 1000, 700);
    g->SetUseGridNotTree(true);
    TqvGrid* grid = g->GetGrid();
    grid->GetColumns()->GetColumn(0)->SetHeaderText(QStringLiteral("Task"));
    grid->GetColumns()->GetColumn(0)->SetWidth(130);
    TqvGrid_Column* owner = grid->AddColumn();
    owner->SetHeaderText(QStringLiteral("Owner"));
    owner->SetWidth(70);
    g->SetGrid_HasHeaders(true);
    g->show();
    QApplication::processEvents();
    g->GetDateScaler()->SetStart(kChartDay);
    g->GetDateScaler()->SetStop(kChartDay + 14);
    const int fixed = grid->GetRootCell()->GetFixedCols();
    for (long r = 0; r < aRows; ++r) {
        TqvDataEntity_GridTreeNode* node = grid->GetTree()->AddDataEntity(nullptr);
        const int row = node->Row->ListIndex();
        grid->SetText(grid->GetCell(fixed, row), QStringLiteral("Task %1").arg(r));
        grid->SetText(grid->GetCell(fixed + 1, row), QStringLiteral("Owner %1").arg(r % 17));
        TqvDataEntity_GantTime* t = g->GridNode_AddGantTime(node, 0);
        t->SetStartDateTime(kChartDay + (7 * r) % 12 + 0.25);
        t->SetStopDateTime(kChartDay + (7 * r) % 12 + 1.5 + r % 3);
        t->SetColor(0x40A0E0);
        t->GetTexts()->AddText(QStringLiteral("Item %1").arg(r), 2, 1, 1);
    }
    QApplication::processEvents();
    return g;
}

void BM_PrintGanttGridModeToPdf(benchmark::State& state)
{
    std::unique_ptr<TqvGant> g = MakeGridChart(state.range(0));
    QTemporaryDir dir;
    int pages = 0;
    for (auto _ : state) {
        QPdfWriter pdf(dir.filePath(QStringLiteral("gantt-grid.pdf")));
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
        TqvPrintGantt::PrintWithGrid(g.get(), &dc, 0, 0, 1, 1, 200, nullptr, -1, false, kChartDay,
                                     kChartDay + 14, 500, 40, w, h, -1, -1, {});
        dc.End();
    }
    g->OnPrintToHdcNewPage = {};
    state.counters["pages"] = pages;
}

std::unique_ptr<TqvGrid> MakeGrid(long aRows)
{
    auto g = std::make_unique<TqvGrid>();
    g->SetBounds(0, 0, 700, 700);
    for (const char* header : {"Task", "Owner", "Start", "Note"}) {
        TqvGrid_Column* column = g->AddColumn();
        column->SetHeaderText(QString::fromLatin1(header));
        column->SetWidth(150);
    }
    g->show();
    QApplication::processEvents();
    const int fixed = g->GetRootCell()->GetFixedCols();
    for (long r = 0; r < aRows; ++r) {
        const int row = g->AddRow()->ListIndex();
        g->SetText(g->GetCell(fixed, row), QStringLiteral("Task %1").arg(r));
        g->SetText(g->GetCell(fixed + 1, row), QStringLiteral("Owner %1").arg(r % 17));
        g->SetText(g->GetCell(fixed + 2, row), QStringLiteral("2030-01-%1").arg(r % 28 + 1));
        g->SetText(g->GetCell(fixed + 3, row), QStringLiteral("Note"));
    }
    QApplication::processEvents();
    return g;
}

// Each page holds the header and the rows that fit; the next goes on after
// the last row the page reported.
void BM_PrintGridToPdf(benchmark::State& state)
{
    std::unique_ptr<TqvGrid> g = MakeGrid(state.range(0));
    QTemporaryDir dir;
    int pages = 0;
    for (auto _ : state) {
        QPdfWriter pdf(dir.filePath(QStringLiteral("grid.pdf")));
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setResolution(96);
        TDeviceContext dc(&pdf);
        TMoxCell* start = nullptr;
        for (pages = 1;; ++pages) {
            if (pages > 1) dc.NewPage();
            TObject* lastRow = nullptr;
            int w = 0, h = 0, rows = 0;
            TqvGridPrinting::Print(g.get(), &dc, 0, 0, 1, 1, start, -1, 700, w, h, -1, dc.GetDeviceHeight(),
                                   TOnSizeCallBack([&](bool, int, TObject* aRow) { lastRow = aRow; }), rows);
            if (lastRow == nullptr) break;
            start = g->GetCell(g->GetRootCell()->GetFixedCols(),
                               static_cast<TAxisContentItem*>(lastRow)->ListIndex() + 1);
            if (start == nullptr) break;
        }
        dc.End();
    }
    state.counters["pages"] = pages;
}

} // namespace

BENCHMARK(BM_PrintGridToPdf)
    ->Apply([](benchmark::internal::Benchmark* b) {
        skedra::bench::Sizes(b, {100, 5000});
    })
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_PrintGanttToPdf)
    ->Apply([](benchmark::internal::Benchmark* b) {
        skedra::bench::Sizes(b, {100, 5000});
    })
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_PrintGanttGridModeToPdf)
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
