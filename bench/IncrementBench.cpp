// One objective evaluation of the growth model on the rig tag-recapture data.
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

void Run(benchmark::State& state, char errors, std::vector<double> values) {
    GrowthSetup setup;
    setup.incrementPath = DataFile("rig_increments.dat");
    setup.errors = errors;
    ModelCall rig(setup);
    if (rig.ok)
        for (int i = 1; i <= rig.np; ++i) rig.x[i] = values[static_cast<std::size_t>(i - 1)];
    TimeEvaluations(state, rig);
    if (rig.ok) state.counters["records"] = rig.model.Data().increments.records;
}

void BM_RigGaussianB0(benchmark::State& state) { Run(state, 'N', Rig(0, 0)); }
void BM_RigGammaMeasurementError(benchmark::State& state) { Run(state, 'G', Rig(3, 0)); }
void BM_RigBAboveZero(benchmark::State& state) { Run(state, 'G', Rig(0, 0.001)); }

BENCHMARK(BM_RigGaussianB0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RigGammaMeasurementError)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RigBAboveZero)->Unit(benchmark::kMicrosecond);

}  // namespace
