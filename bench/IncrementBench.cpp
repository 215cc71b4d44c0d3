// One objective evaluation of the growth model on the rig tag-recapture data
// (114 records) with each error model, and on the bonito size-at-age records
// in a slow corner: b > 0, both annual cycles, measurement error and the
// size-at-age selectivity integral.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/ModelCall.h"

namespace {

using namespace corvane;
using namespace corvane::bench;

std::vector<double> Rig(double se, double b) {
    return {150, 20, 0.3, 0.1, 0, 0, 0, 0, se, 0, 0, b, -999, 0, 1, 0, 0, -999, -999};
}

void Run(benchmark::State& state, char errors, std::vector<double> values, const char* file = "rig_increments.dat") {
    GrowthSetup setup;
    setup.incrementPath = DataFile(file);
    setup.errors = errors;
    ModelCall rig(setup);
    if (rig.ok)
        for (int i = 1; i <= rig.np; ++i) rig.x[i] = values[static_cast<std::size_t>(i - 1)];
    TimeEvaluations(state, rig);
    if (rig.ok) state.counters["records"] = rig.model.Data().increments.records;
}

// Ages 0.167 to 3.4 years; t0 = 0.898 leaves the youngest with no usable
// distribution.  Small SDs make the selectivity integral fine-stepped.
std::vector<double> BonitoCorner() {
    return {70, 1, 0.5, 0.001, 0.2, 100, 2, 200, 1, 0, 0, 0.0178, 0.898, 0, 1, 0, 0, 14.8, 0.455};
}

void BM_RigGaussianB0(benchmark::State& state) { Run(state, 'N', Rig(0, 0)); }
void BM_RigGaussianMeasurementError(benchmark::State& state) { Run(state, 'N', Rig(3, 0)); }
void BM_RigGammaMeasurementError(benchmark::State& state) { Run(state, 'G', Rig(3, 0)); }
void BM_RigBAboveZero(benchmark::State& state) { Run(state, 'G', Rig(0, 0.001)); }
void BM_RigBAboveZeroMeasurementError(benchmark::State& state) { Run(state, 'G', Rig(3, 0.001)); }
void BM_BonitoSizeAtAgeCorner(benchmark::State& state) {
    Run(state, 'G', BonitoCorner(), "bonito_size_at_age.dat");
}

BENCHMARK(BM_RigGaussianB0)->Apply(AtOneAndTwoThreads)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RigGaussianMeasurementError)->Apply(AtOneAndTwoThreads)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RigGammaMeasurementError)->Apply(AtOneAndTwoThreads)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RigBAboveZero)->Apply(AtOneAndTwoThreads)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RigBAboveZeroMeasurementError)->Apply(AtOneAndTwoThreads)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BonitoSizeAtAgeCorner)->Apply(AtOneAndTwoThreads)->Unit(benchmark::kMillisecond);

}  // namespace
