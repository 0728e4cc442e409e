#pragma once
// Sizes for a benchmark: all of them normally, only the first (smallest) when
// SKEDRA_BENCH_SMOKE is set, as CTest does to keep the programs building and running.
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <initializer_list>

namespace skedra::bench
{

inline bool Smoke()
{
    return std::getenv("SKEDRA_BENCH_SMOKE") != nullptr;
}

inline void Sizes(benchmark::internal::Benchmark* b, std::initializer_list<long> sizes)
{
    for (long s : sizes) {
        b->Arg(s);
        if (Smoke()) break;
    }
}

} // namespace skedra::bench
