// Sub-column placement: the engine against the literal quadratic scan, with
// sparse overlaps (each interval overlapping 0 to 3 others) and dense ones
// (days of 15-minute items in 8 parallel tracks), and how fast a cancel lands.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <random>
#include <thread>

#include "bench/BenchSupport.h"
#include "skedra/gantt/TimeDistinct.h"
#include "tests/gantt/TimeDistinctOracle.h"

using namespace skedra;

namespace
{

constexpr double kMinute = 1.0 / MinsPerDay;
const TDateTime kStart = EncodeDate(2026, 1, 5);

// Starts 10 minutes apart, lengths 1 to 25 minutes: each interval overlaps at
// most two later and two earlier ones, most 0 to 3. Added in random order.
void FillSparse(TDistinctTimeHolderList& list, long n)
{
    std::mt19937 rng(1);
    std::vector<long> order(static_cast<size_t>(n));
    for (long i = 0; i < n; ++i)
        order[static_cast<size_t>(i)] = i;
    std::shuffle(order.begin(), order.end(), rng);
    for (long i : order) {
        const TDateTime start = kStart + static_cast<double>(i) * 10 * kMinute;
        list.Add(start, start + std::uniform_int_distribution<int>(1, 25)(rng) * kMinute, QString(), nullptr);
    }
}

// 8 tracks of back-to-back 15-minute items, track t shifted by t * 15/8
// minutes: each item overlaps 14 others; 768 items per day, as many days as needed.
void FillDense(TDistinctTimeHolderList& list, long n)
{
    for (long i = 0; i < n; ++i) {
        const long slot = i / 8;
        const int track = static_cast<int>(i % 8);
        const TDateTime start = kStart + (static_cast<double>(slot) * 15 + track * 15.0 / 8) * kMinute;
        list.Add(start, start + 15 * kMinute, QString(), nullptr);
    }
}

void Reset(TDistinctTimeHolderList& list)
{
    for (TDistinctTimeHolder* h : list.Items())
        h->SubCol = 0;
}

template <void (*Fill)(TDistinctTimeHolderList&, long)> void BM_Engine(benchmark::State& state)
{
    TDistinctTimeHolderList list;
    Fill(list, state.range(0));
    int columns = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Reset(list);
        state.ResumeTiming();
        TTimeDistinctGeneric engine(&list);
        engine.ResolveConflicts();
        columns = engine.ColumnCount();
    }
    state.counters["columns"] = columns;
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

template <void (*Fill)(TDistinctTimeHolderList&, long)> void BM_Oracle(benchmark::State& state)
{
    TDistinctTimeHolderList list;
    Fill(list, state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        Reset(list);
        state.ResumeTiming();
        test::TOraclePlacement oracle;
        oracle.ConflictLoop(list.Items(), true);
        benchmark::DoNotOptimize(oracle.Columns.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_Sparse_Engine(benchmark::State& s)
{
    BM_Engine<FillSparse>(s);
}
void BM_Dense_Engine(benchmark::State& s)
{
    BM_Engine<FillDense>(s);
}
void BM_Sparse_Oracle(benchmark::State& s)
{
    BM_Oracle<FillSparse>(s);
}
void BM_Dense_Oracle(benchmark::State& s)
{
    BM_Oracle<FillDense>(s);
}

// Every interval overlapping every other: the worst case of both.
void FillAllOverlapping(TDistinctTimeHolderList& list, long n)
{
    for (long i = 0; i < n; ++i)
        list.Add(kStart + static_cast<double>(i) * 1e-6, kStart + 1, QString(), nullptr);
}
void BM_AllOverlapping_Engine(benchmark::State& s)
{
    BM_Engine<FillAllOverlapping>(s);
}
void BM_AllOverlapping_Oracle(benchmark::State& s)
{
    BM_Oracle<FillAllOverlapping>(s);
}

// Milliseconds from the terminate request to the return of a placement of
// range(0) sparse intervals, cancelled 1 to 100 ms after its start.
void BM_CancelLatency(benchmark::State& state)
{
    TDistinctTimeHolderList list;
    FillSparse(list, state.range(0));
    std::mt19937 rng(3);
    double worst = 0;
    for (auto _ : state) {
        Reset(list);
        std::atomic<bool> cancel{false};
        std::chrono::steady_clock::time_point end;
        std::thread worker([&] {
            TTimeDistinctGeneric engine(&list);
            engine.SetTerminateRequest([&] { return cancel.load(std::memory_order_relaxed); });
            engine.ResolveConflicts();
            end = std::chrono::steady_clock::now();
        });
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::uniform_int_distribution<int>(1, 100)(rng)));
        const auto cancelledAt = std::chrono::steady_clock::now();
        cancel = true;
        worker.join();
        const double ms = std::chrono::duration<double, std::milli>(end - cancelledAt).count();
        worst = std::max(worst, ms);
        state.SetIterationTime(std::max(ms, 0.0) / 1000);
    }
    state.counters["worst_ms"] = worst;
}

// The widest stretch of processor time between two questions to the
// terminate request during a whole placement: what a cancel may have to wait
// for when the machine is not busy with other work.
template <void (*Fill)(TDistinctTimeHolderList&, long)> void BM_TerminateCheckGap(benchmark::State& state)
{
    TDistinctTimeHolderList list;
    Fill(list, state.range(0));
    auto cpuMs = [] {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
    };
    double widest = 0;
    for (auto _ : state) {
        Reset(list);
        TTimeDistinctGeneric engine(&list);
        double last = cpuMs();
        engine.SetTerminateRequest([&] {
            const double now = cpuMs();
            widest = std::max(widest, now - last);
            last = now;
            return false;
        });
        engine.ResolveConflicts();
        widest = std::max(widest, cpuMs() - last);
    }
    state.counters["widest_gap_ms"] = widest;
}
void BM_TerminateCheckGap_Sparse(benchmark::State& s)
{
    BM_TerminateCheckGap<FillSparse>(s);
}
void BM_TerminateCheckGap_Dense(benchmark::State& s)
{
    BM_TerminateCheckGap<FillDense>(s);
}

} // namespace

BENCHMARK(BM_TerminateCheckGap_Sparse)->Apply([](auto* b) {
                                          bench::Sizes(b, {100000, 1000000});
                                      }) -> Unit(benchmark::kMillisecond);
BENCHMARK(BM_TerminateCheckGap_Dense)->Apply([](auto* b) {
                                         bench::Sizes(b, {100000, 1000000});
                                     }) -> Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sparse_Engine)->Apply([](auto* b) {
                               bench::Sizes(b, {1000, 10000, 100000, 1000000});
                           }) -> Unit(benchmark::kMillisecond);
BENCHMARK(BM_Dense_Engine)->Apply([](auto* b) {
                              bench::Sizes(b, {1000, 10000, 100000, 1000000});
                          }) -> Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sparse_Oracle)->Apply([](auto* b) {
                               bench::Sizes(b, {1000, 10000});
                           }) -> Unit(benchmark::kMillisecond);
BENCHMARK(BM_Dense_Oracle)->Apply([](auto* b) {
                              bench::Sizes(b, {1000, 10000});
                          }) -> Unit(benchmark::kMillisecond);
BENCHMARK(BM_AllOverlapping_Engine)->Apply([](auto* b) {
                                       bench::Sizes(b, {1000, 5000});
                                   }) -> Unit(benchmark::kMillisecond);
BENCHMARK(BM_AllOverlapping_Oracle)->Apply([](auto* b) {
                                       bench::Sizes(b, {1000, 5000});
                                   }) -> Unit(benchmark::kMillisecond);
BENCHMARK(BM_CancelLatency)->Apply([](auto* b) {
                               bench::Sizes(b, {100000, 1000000});
                           }) -> UseManualTime() -> Iterations(20) -> Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
