// Date scaler mapping: DateToPixel and PixelToDate over a one-year view at
// 1920 pixels with hours 0-7 and 18-23 and the weekend hidden, and a full
// rebuild of the marks (CalcDrawMode) at every step level of the table.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "bench/BenchSupport.h"
#include "skedra/scaler/qvScalerModel.h"

using namespace skedra;

namespace
{

class BenchModel : public TqvDateScalerModel
{
public:
    BenchModel() { SetModelLength(1920); }
};

void HideOfficeOff(TqvDateScalerModel& m)
{
    TqvHiddenHours hours;
    for (int h = 0; h < 24; ++h)
        if (h < 8 || h >= 18) hours.Include(static_cast<TqvHiddenHoursEnum>(h));
    m.SetHiddenHours(hours);
    m.SetHiddenDays(TqvHiddenDays{thdSAT, thdSUN});
}

void YearView(TqvDateScalerModel& m)
{
    HideOfficeOff(m);
    m.SetStart(EncodeDate(2024, 1, 1));
    m.SetStop(EncodeDate(2025, 1, 1));
}

void BM_DateToPixel(benchmark::State& state)
{
    BenchModel m;
    YearView(m);
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> when(m.GetStart(), m.GetStop());
    std::vector<TDateTime> dates(static_cast<size_t>(state.range(0)));
    for (TDateTime& d : dates)
        d = when(rng);
    for (auto _ : state)
        for (TDateTime d : dates)
            benchmark::DoNotOptimize(m.DateToPixel(d));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DateToPixel)->Apply([](benchmark::internal::Benchmark* b) {
    skedra::bench::Sizes(b, {1000, 100000});
});

void BM_PixelToDate(benchmark::State& state)
{
    BenchModel m;
    YearView(m);
    std::mt19937 rng(2);
    std::uniform_real_distribution<double> where(0, 1920);
    std::vector<double> pixels(static_cast<size_t>(state.range(0)));
    for (double& p : pixels)
        p = std::floor(where(rng));
    for (auto _ : state)
        for (double p : pixels)
            benchmark::DoNotOptimize(m.PixelToDate(p));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PixelToDate)->Apply([](benchmark::internal::Benchmark* b) {
    skedra::bench::Sizes(b, {1000, 100000});
});

// One rebuild of both mark lists per iteration; the argument is the row of
// the step table that becomes the minor step (0 = 10 ms ... 13 = 100 years).
void BM_CalcDrawMode(benchmark::State& state)
{
    static const TDateTime steps[] = {kScale10Hun, kScale1Sec,   kScale10Sec,  kScale1Min,   kScale10Min,
                                      kScale1Hour, kScale1Day,   kScale1Week,  kScale1Month, kScale3Month,
                                      kScale1Year, kScale10Year, kScale20Year, kScale100Year};
    const int row = static_cast<int>(state.range(0));
    BenchModel m;
    // Past ten years a visible span this long would pass the year 4000 with office hours only.
    if (row < 12) HideOfficeOff(m);
    // Centuries under 15 pixels need a shorter axis: 1920 pixels would pass the year 4000.
    const int len = row == 13 ? 1000 : 1920;
    m.SetModelLength(len);
    const TDateTime L = row == 0    ? steps[0] / 2
                        : row == 13 ? kScale20Year * 1.05
                                    : (steps[row - 1] + steps[row]) / 2;
    const TDateTime start = row >= 11 ? EncodeDate(1901, 3, 4) + 0.4 : EncodeDate(2024, 3, 4) + 0.4;
    m.SetStart(start);
    m.SetStop(m.VisibleTimeDiffToTrueTime(start, L * len / 15));
    if (m.GetMinorStep() != steps[row]) state.SkipWithError("unexpected minor step");
    for (auto _ : state) {
        m.CalcDrawMode();
        benchmark::DoNotOptimize(m.GetMinorMarks().data());
    }
    state.counters["marks"] = static_cast<double>(m.GetMinorMarks().size() + m.GetMajorMarks().size());
}
BENCHMARK(BM_CalcDrawMode)->DenseRange(0, 13)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
