// The yardstick of the likelihoods: as many vectorised exp values as one rig
// increment evaluation with measurement error needs (114 records, two
// 201-node Simpson rules each: 45,828 values), on one core.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "numeric/VectorMath.h"

namespace {

using namespace corvane;

void BM_VectorisedExp(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<double> x(static_cast<std::size_t>(n)), y(x.size());
    // Arguments as the Gaussian integrands give them: 0 to -40.5.
    for (int i = 0; i < n; ++i) x[static_cast<std::size_t>(i)] = -40.5 * (i % 201) / 200.0;
    for (auto _ : state) {
        vec::Exp(x.data(), y.data(), n);
        benchmark::DoNotOptimize(y.data());
    }
    state.counters["values"] = n;
    state.SetLabel(vec::TargetName());
}

void BM_ScalarExp(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<double> x(static_cast<std::size_t>(n)), y(x.size());
    for (int i = 0; i < n; ++i) x[static_cast<std::size_t>(i)] = -40.5 * (i % 201) / 200.0;
    for (auto _ : state) {
        for (int i = 0; i < n; ++i) y[static_cast<std::size_t>(i)] = std::exp(x[static_cast<std::size_t>(i)]);
        benchmark::DoNotOptimize(y.data());
    }
    state.counters["values"] = n;
}

BENCHMARK(BM_VectorisedExp)->Arg(46512)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScalarExp)->Arg(46512)->Unit(benchmark::kMicrosecond);

}  // namespace
