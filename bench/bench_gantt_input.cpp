// One mouse move while time items are dragged in a 1920 x 1080 Gantt area:
// the outlines of the drag are removed and drawn again by inversion on the
// window surface, the first one's times snapped. Two cases: 500 selected
// items in view dragged together (of 600 in view), and one item dragged in
// charts of 1,000 and of 1,000,000 time items. The move is a real Qt mouse
// event sent to the area; the window's own repaint (copying the surface to
// the screen) is left to the event loop and not measured.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>

#include <memory>
#include <vector>

#include "bench/BenchSupport.h"
#include "skedra/gantt/GantInput_p.h"
#include "skedra/gantt/qvGant.h"

using namespace skedra;

namespace
{

constexpr TDateTime kChartDay = 47484.0; // 1 January 2030
constexpr int kItemsPerRow = 10;
constexpr int kRowHeight = 18;
constexpr int kAreaWidth = 1920;
constexpr int kAreaHeight = 1080;

struct TChart {
    std::unique_ptr<TqvGant> Gant;
    std::vector<TqvDataEntity_GantTime*> Items; // in row order
};

// rows x 10 items: item i of a row spans most of day i of a 10-day window.
TChart MakeChart(long aRows)
{
    TChart c;
    c.Gant = std::make_unique<TqvGant>();
    TqvGant* g = c.Gant.get();
    g->GetTreeView()->SetItemHeight(kRowHeight);
    g->SetBounds(0, 0, 2400, 1200);
    g->show();
    QApplication::processEvents();
    const TqvOffscreenPaint_GA* ga = g->GetGA();
    g->SetBounds(0, 0, 2400 + kAreaWidth - ga->GetWidth(), 1200 + kAreaHeight - ga->GetHeight());
    QApplication::processEvents();
    g->GetDateScaler()->SetStart(kChartDay);
    g->GetDateScaler()->SetStop(kChartDay + 10);
    QApplication::processEvents();
    std::vector<TqvDataEntity_Tree*> nodes;
    nodes.reserve(static_cast<size_t>(aRows));
    for (long r = 0; r < aRows; ++r)
        nodes.push_back(g->AddRootDataEntityTree());
    c.Items.reserve(static_cast<size_t>(aRows * kItemsPerRow));
    for (long r = 0; r < aRows; ++r) {
        for (int i = 0; i < kItemsPerRow; ++i) {
            TqvDataEntity_GantTime* t = g->AddGantTime(nodes[static_cast<size_t>(r)], 0);
            t->SetStartDateTime(kChartDay + i + 0.1);
            t->SetStopDateTime(kChartDay + i + 0.8);
            c.Items.push_back(t);
        }
    }
    g->GetTreeView()->EnsureDisplayUpToDate();
    g->GetGA()->Repaint();
    QApplication::processEvents();
    return c;
}

void Send(QWidget* w, QEvent::Type aType, QPoint p, Qt::MouseButton aButton, Qt::MouseButtons aButtons)
{
    QMouseEvent e(aType, p, w->mapToGlobal(p), aButton, aButtons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Presses on anItem's middle and answers the press point.
QPoint Press(TqvGant* g, TqvDataEntity_GantTime* anItem)
{
    TRect r;
    g->RectFromDataEntity(anItem, r);
    const QPoint p(r.Left + r.Width() / 2, r.Top + r.Height() / 2);
    Send(g->GetGA(), QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
    return p;
}

// Mouse moves a few pixels either way of a point 40 pixels right of the press.
void RunMoves(benchmark::State& state, TqvGant* g, QPoint aPress)
{
    TqvOffscreenPaint_GA* ga = g->GetGA();
    int k = 0;
    for (auto _ : state) {
        const QPoint p(aPress.x() + 40 + (k % 7), aPress.y() + (k % 3));
        Send(ga, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
        ++k;
    }
    state.counters["outlines"] = static_cast<double>(g->InputState()->MoveSnapshot.size());
    state.counters["mode_move"] = g->GetMouseMoveMode() == TGantMouseMoveMode::mmMove ? 1 : 0;
    Send(ga, QEvent::MouseButtonRelease, aPress, Qt::LeftButton, Qt::NoButton);
}

// 500 selected items of the 600 in view dragged together.
void BM_DragSelectedItems(benchmark::State& state)
{
    const long selected = state.range(0);
    TChart c = MakeChart(1000);
    for (long i = 0; i < selected; ++i)
        c.Items[static_cast<size_t>(i)]->SetSelected(true);
    RunMoves(state, c.Gant.get(), Press(c.Gant.get(), c.Items[0]));
}
BENCHMARK(BM_DragSelectedItems)->Arg(500)->Unit(benchmark::kMicrosecond);

// One item dragged in a chart of this many items.
void BM_DragOneItem(benchmark::State& state)
{
    TChart c = MakeChart(state.range(0) / kItemsPerRow);
    RunMoves(state, c.Gant.get(), Press(c.Gant.get(), c.Items[kItemsPerRow * 5 + 3]));
    state.counters["items"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_DragOneItem)
    ->Apply([](benchmark::internal::Benchmark* b) {
        skedra::bench::Sizes(b, {1000, 1000000});
    })
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
