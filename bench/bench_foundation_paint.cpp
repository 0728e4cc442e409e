// A full paint of a 1920 x 1080 offscreen paint surface (10,000 filled
// rectangles and 2,000 texts), the copy from the bitmap to the window surface
// alone, and a plain memory copy of the same size for comparison.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstring>
#include <random>
#include <vector>

#include "bench/BenchSupport.h"
#include "skedra/foundation/qvOffscreenPaint.h"

using namespace skedra;

namespace
{

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

class TBenchArea : public TqvOffscreenPaint
{
public:
    TBenchArea()
    {
        std::mt19937 rng(42);
        std::uniform_int_distribution<int> x(0, kWidth - 1), y(0, kHeight - 1), size(4, 120),
            colour(0, 0xFFFFFF);
        for (int i = 0; i < 10000; ++i) {
            const int l = x(rng), t = y(rng);
            rects.push_back(Rect(l, t, l + size(rng), t + size(rng) / 3 + 2));
            colours.push_back(static_cast<TColor>(colour(rng)));
        }
        for (int i = 0; i < 2000; ++i) {
            points.push_back(Point(x(rng), y(rng)));
            texts.push_back(QStringLiteral("Task %1").arg(i));
        }
        SetBounds(0, 0, kWidth, kHeight);
    }
    void OffscreenPaint() override
    {
        TCanvas* c = GetOffscreenCanvas();
        c->Brush.SetStyle(bsSolid);
        for (size_t i = 0; i < rects.size(); ++i) {
            c->Brush.SetColor(colours[i]);
            c->FillRect(rects[i]);
        }
        c->Brush.SetStyle(bsClear);
        c->Font.SetColor(clBlack);
        for (size_t i = 0; i < texts.size(); ++i)
            c->TextOut(points[i].X, points[i].Y, texts[i]);
    }
    void PaintNow() { Paint(); }

    std::vector<TRect> rects;
    std::vector<TColor> colours;
    std::vector<TPoint> points;
    std::vector<QString> texts;
};

void BM_FullPaint(benchmark::State& state)
{
    TBenchArea area;
    area.PaintNow();
    for (auto _ : state) {
        area.PaintNow();
        benchmark::DoNotOptimize(area.GetWindowSurface()->Image().constBits());
    }
}
BENCHMARK(BM_FullPaint)->Unit(benchmark::kMillisecond);

// The two halves of the drawing routine on their own.
void BM_TenThousandRectangles(benchmark::State& state)
{
    TBenchArea area;
    TBitmap bmp(kWidth, kHeight);
    TCanvas* c = bmp.GetCanvas();
    for (auto _ : state) {
        for (size_t i = 0; i < area.rects.size(); ++i) {
            c->Brush.SetColor(area.colours[i]);
            c->FillRect(area.rects[i]);
        }
    }
}
BENCHMARK(BM_TenThousandRectangles)->Unit(benchmark::kMillisecond);

void BM_TwoThousandTexts(benchmark::State& state)
{
    TBenchArea area;
    TBitmap bmp(kWidth, kHeight);
    TCanvas* c = bmp.GetCanvas();
    c->Brush.SetStyle(bsClear);
    for (auto _ : state)
        for (size_t i = 0; i < area.texts.size(); ++i)
            c->TextOut(area.points[i].X, area.points[i].Y, area.texts[i]);
}
BENCHMARK(BM_TwoThousandTexts)->Unit(benchmark::kMillisecond);

void BM_BitmapToSurface(benchmark::State& state)
{
    TBenchArea area;
    area.PaintNow();
    for (auto _ : state) {
        area.SmashPaint();
        benchmark::DoNotOptimize(area.GetWindowSurface()->Image().constBits());
    }
    state.SetBytesProcessed(state.iterations() * int64_t(kWidth) * kHeight * 4);
}
BENCHMARK(BM_BitmapToSurface)->Unit(benchmark::kMicrosecond);

void BM_PlainMemcpy8MB(benchmark::State& state)
{
    const size_t bytes = size_t(kWidth) * kHeight * 4;
    std::vector<char> a(bytes, 1), b(bytes, 2);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), bytes);
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(bytes));
}
BENCHMARK(BM_PlainMemcpy8MB)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
