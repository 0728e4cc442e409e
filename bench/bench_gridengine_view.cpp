// The grid view on a 1920 x 1080 client area: 10 columns, a fixed header row
// and N virtual rows (1,000 / 100,000 / 10,000,000) at the top, the middle and
// the end. Measured: the layout pass, a full paint, a one-row scroll with its
// paint, and CellFromPix at random points. All should be flat in N.
#include <QApplication>

#include <memory>
#include <random>

#include "bench/BenchSupport.h"
#include "skedra/gridengine/qvMoxGridView.h"

using namespace skedra;

namespace
{

std::unique_ptr<TMoxGridView> MakeView(int aRows)
{
    auto view = std::make_unique<TMoxGridView>();
    view->SetBounds(0, 0, 1924, 1084);
    view->OnInitContent = [](TMoxGridView_Custom*, TMoxSimpleCellStringData* d) {
        d->Text = QStringLiteral("Row %1, column %2")
                      .arg(d->Cell->RowItem->ListIndex())
                      .arg(d->Cell->ColumnItem->ListIndex());
    };
    view->OnVirtualUnLoad = [](TMoxGridCell*, TAxisContentItem*, bool, bool perform, bool& can) {
        if (!perform) can = true;
    };
    TMoxGridCellForViewer* root = view->GetRootCell();
    root->SetFixedRows(1);
    for (int c = 0; c < 10; ++c) {
        TAxisContentItem* item = root->ColumnList->AddNew(nullptr);
        item->SetUserSizeActive(true);
        item->SetUserSize(190);
    }
    root->RowList->AddNew(nullptr);
    root->RowList->AddUnloaded(aRows);
    view->show();
    QApplication::processEvents();
    view->Repaint();
    return view;
}

int TopFor(int aRows, int aWhere)
{
    switch (aWhere) {
    case 0:
        return 1;
    case 1:
        return aRows / 2;
    default:
        return aRows - 60;
    }
}

void Args(benchmark::internal::Benchmark* b)
{
    for (long rows : {1000L, 100000L, 10000000L})
        for (long where : {0L, 1L, 2L}) {
            b->Args({rows, where});
            if (skedra::bench::Smoke()) return;
        }
}

void BM_LayoutPass(benchmark::State& state)
{
    auto view = MakeView(static_cast<int>(state.range(0)));
    TMoxGridCellForViewer* root = view->GetRootCell();
    root->SetTop(TopFor(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))));
    view->Repaint();
    const TRect rect = view->GetDrawRect();
    for (auto _ : state)
        root->CalcVisibleArea(rect);
    state.counters["loaded"] = root->RowList->LoadedCount();
}
BENCHMARK(BM_LayoutPass)->Apply(Args)->Unit(benchmark::kMicrosecond);

void BM_FullPaint(benchmark::State& state)
{
    auto view = MakeView(static_cast<int>(state.range(0)));
    view->GetRootCell()->SetTop(TopFor(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))));
    view->Repaint();
    for (auto _ : state)
        view->Repaint();
    state.counters["cells"] = view->GetRootCell()->VisibleRowCount * 10.0;
}
BENCHMARK(BM_FullPaint)->Apply(Args)->Unit(benchmark::kMillisecond);

void BM_ScrollOneRowAndPaint(benchmark::State& state)
{
    auto view = MakeView(static_cast<int>(state.range(0)));
    TMoxGridCellForViewer* root = view->GetRootCell();
    const int top = TopFor(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    root->SetTop(top);
    view->Repaint();
    bool down = true;
    for (auto _ : state) {
        // Down and back up, one row per iteration.
        view->PublicScroll(down ? tsdDown : tsdUp);
        view->Repaint();
        down = !down;
    }
    state.counters["loaded"] = root->RowList->LoadedCount();
}
BENCHMARK(BM_ScrollOneRowAndPaint)->Apply(Args)->Unit(benchmark::kMillisecond);

void BM_CellFromPix(benchmark::State& state)
{
    auto view = MakeView(static_cast<int>(state.range(0)));
    TMoxGridCellForViewer* root = view->GetRootCell();
    root->SetTop(TopFor(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))));
    view->Repaint();
    const TRect rect = view->GetDrawRect();
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> xs(rect.Left, rect.Right - 1);
    std::uniform_int_distribution<int> ys(rect.Top, rect.Bottom - 1);
    std::vector<TPoint> points(4096);
    for (TPoint& p : points)
        p = TPoint(xs(rng), ys(rng));
    size_t i = 0;
    for (auto _ : state) {
        const TPoint& p = points[i++ & 4095];
        benchmark::DoNotOptimize(root->CellFromPix(p.X, p.Y, true));
    }
}
BENCHMARK(BM_CellFromPix)->Apply(Args)->Unit(benchmark::kNanosecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
