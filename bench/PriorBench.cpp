// The prior total of one parameter vector, as every objective evaluation
// adds it while priors are in use: 19 parameters (the growth model's count).
#include <benchmark/benchmark.h>

#include "priors/PriorTable.h"

namespace {

using namespace corvane;

PriorTable Table(bool everyType) {
    PriorTable t;
    t.Reset(19);
    if (!everyType) return t;
    const PriorRow rows[] = {
        {'T', 0, 1, "200", "5"}, {'N', 120, 10, "Unused", "Unused"}, {'E', 2, 2, "Unused", "Unused"},
        {'G', 4, 2, "Unused", "Unused"}, {'B', 0.5, 0.1, "Unused", "Unused"}, {'S', 0, 0.5, "Unused", "Unused"},
        {'D', 400, 10, "Unused", "Unused"}, {'L', 3, 1, "Unused", "Unused"}, {'S', 0, 0, "Unused", "Unused"},
    };
    for (int i = 1; i <= 9; ++i) t.rows[i] = rows[i - 1];
    for (int i = 10; i <= 18; ++i) t.rows[i] = rows[(i - 10) % 9];
    return t;
}

void Run(benchmark::State& state, bool everyType) {
    PriorTable table = Table(everyType);
    Vec1<double> x(19, 0.3);
    x[1] = 150.0;
    x[2] = 118.0;
    double sink = 0.0;
    for (auto _ : state) {
        sink += table.PriorNegLnL(x);
        benchmark::DoNotOptimize(sink);
    }
}

void BM_PriorsEveryType(benchmark::State& state) { Run(state, true); }
void BM_PriorsAllUniform(benchmark::State& state) { Run(state, false); }

BENCHMARK(BM_PriorsEveryType)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_PriorsAllUniform)->Unit(benchmark::kNanosecond);

}  // namespace
