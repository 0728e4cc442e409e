// A full repaint of a 1920 x 1080 Gantt area showing 60 rows of 10 time
// items in 3 layers, each with texts, and 200 links in view, for charts of
// 1,000 and of 1,000,000 time items in total (the other rows below the view,
// with 2,000 more links among them), the drawing alone, and the cost of one
// item's shape by style and of one text. The larger chart's picture is compared
// with the smaller one's: same_picture is 1 when they are identical.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <memory>
#include <random>
#include <vector>

#include "bench/BenchSupport.h"
#include "skedra/gantt/TimeDraw.h"
#include "skedra/gantt/TimeItemText.h"
#include <QPainter>
#include "skedra/platform/TextLayoutCache.h"
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
    int LinksInView = 0;
};

// rows x 10 items: item i of a row spans a tenth of the window, in layer i % 3,
// with a text inside and every third with a second one after it.
TChart MakeChart(long aRows)
{
    TChart c;
    c.Gant = std::make_unique<TqvGant>();
    TqvGant* g = c.Gant.get();
    g->GetTreeView()->SetItemHeight(kRowHeight);
    g->SetBounds(0, 0, 2400, 1200);
    g->show();
    QApplication::processEvents();
    // Size the whole chart so that its Gantt area is 1920 x 1080.
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
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> colour(0x202020, 0xFFFFFF);
    std::vector<TqvDataEntity_GantTime*> firstOfRow;
    firstOfRow.reserve(static_cast<size_t>(aRows));
    for (long r = 0; r < aRows; ++r) {
        for (int i = 0; i < kItemsPerRow; ++i) {
            TqvDataEntity_GantTime* t = g->AddGantTime(nodes[static_cast<size_t>(r)], i % 3);
            t->SetStartDateTime(kChartDay + i + 0.1);
            t->SetStopDateTime(kChartDay + i + 0.8);
            t->SetStyle(static_cast<std::uint8_t>(i % 9 == gtsUser ? gtsSquare : i % 9));
            t->SetColor(static_cast<TColor>(colour(rng)));
            t->GetTexts()->AddText(QStringLiteral("Task %1").arg(i + 1), 2, 1, 1);
            if (i % 3 == 0)
                t->GetTexts()->AddTextEx(QStringLiteral("R%1").arg(r % 100), 2, 0, 2, trpOutsideFar,
                                         trpInside);
            if (i == 0) firstOfRow.push_back(t);
        }
    }
    // 200 links among the rows in view; 2,000 more below them when there are rows enough.
    const long inView = std::min<long>(aRows, kAreaHeight / kRowHeight);
    for (int k = 0; k < 200 && inView > 1; ++k) {
        const long r = k % (inView - 1);
        TqvDataList* layer = g->GetGantRow(nodes[static_cast<size_t>(r)])->GetDataLists()->GetDataList(k % 3);
        TqvDataList* next =
            g->GetGantRow(nodes[static_cast<size_t>(r + 1)])->GetDataLists()->GetDataList((k + 1) % 3);
        TqvDataEntity_Link* link = g->AddLink();
        link->First = static_cast<TqvDataEntity_GantTime*>(layer->GetItems((k / 3) % layer->Count()));
        link->Second = static_cast<TqvDataEntity_GantTime*>(next->GetItems((k / 5) % next->Count()));
        link->LinkStyle = static_cast<TLinkStyle>(k % 2);
        link->StartFinishOption = static_cast<TLinkStartFinishOption>(k % 5);
        ++c.LinksInView;
    }
    for (long r = inView + 1; r + 1 < aRows && r < inView + 1 + 2000 * 50; r += 50) {
        TqvDataEntity_Link* link = g->AddLink();
        link->First = firstOfRow[static_cast<size_t>(r)];
        link->Second = firstOfRow[static_cast<size_t>(r + 1)];
    }
    g->GetTreeView()->EnsureDisplayUpToDate();
    QApplication::processEvents();
    return c;
}

void BM_RepaintGanttArea(benchmark::State& state)
{
    const long items = state.range(0);
    TChart c = MakeChart(items / kItemsPerRow);
    TqvOffscreenPaint_GA* ga = c.Gant->GetGA();
    ga->Repaint(); // the first paint lays the texts out
    for (auto _ : state) {
        ga->Repaint();
        benchmark::ClobberMemory();
    }
    // The same rows are in view whatever the chart's size: so is the picture.
    static QImage smallest;
    const QImage& picture = ga->GetOffscreenBitmap()->Image();
    if (smallest.isNull())
        smallest = picture.copy();
    else
        state.counters["same_picture"] = picture == smallest ? 1 : 0;
    state.counters["items"] = static_cast<double>(items);
    state.counters["links"] = static_cast<double>(c.Gant->GetLinks()->Count());
    state.counters["area_w"] = ga->GetWidth();
    state.counters["area_h"] = ga->GetHeight();
}

// The drawing alone (rows, items, texts, links), without filling the bitmap
// and copying it to the window.
void BM_DrawGanttArea(benchmark::State& state)
{
    TChart c = MakeChart(state.range(0) / kItemsPerRow);
    TqvOffscreenPaint_GA* ga = c.Gant->GetGA();
    ga->Repaint();
    for (auto _ : state)
        ga->OffscreenPaint();
}
BENCHMARK(BM_DrawGanttArea)
    ->Apply([](benchmark::internal::Benchmark* b) {
        skedra::bench::Sizes(b, {1000, 1000000});
    })
    ->Unit(benchmark::kMillisecond);
// One item's shape, 190 x 16 pixels, by style value.
void BM_Shape(benchmark::State& state)
{
    QImage image(400, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    TCanvas canvas(&painter);
    for (auto _ : state)
        TqvTimeDraw::DrawShape(static_cast<int>(state.range(0)), RGB(90, 170, 200), TRect(100, 12, 290, 28),
                               &canvas, 1.0, false, nullptr, 0);
    canvas.SetPainter(nullptr);
}
BENCHMARK(BM_Shape)->DenseRange(0, 8)->Unit(benchmark::kMicrosecond);

void BM_Text(benchmark::State& state)
{
    QImage image(400, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    TCanvas canvas(&painter);
    canvas.Brush.SetStyle(bsClear);
    TTextLayoutCache cache;
    int i = 0;
    const QString texts[] = {QStringLiteral("Task 1"), QStringLiteral("Task 2"), QStringLiteral("Task 3")};
    for (auto _ : state) {
        const QString& t = texts[i++ % 3];
        switch (state.range(0)) {
        case 0:
            canvas.TextOut(10, 10, t);
            break;
        case 1:
            cache.TextOut(&canvas, 10, 10, t);
            break;
        case 2:
            cache.TextRect(&canvas, TRect(5, 5, 300, 30), 10, 10, t);
            break;
        }
    }
    canvas.SetPainter(nullptr);
}
// A short text drawn by the canvas (shaped each time), and from the layout cache unclipped and clipped.
BENCHMARK(BM_Text)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
} // namespace

BENCHMARK(BM_RepaintGanttArea)
    ->Apply([](benchmark::internal::Benchmark* b) {
        skedra::bench::Sizes(b, {1000, 1000000});
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
