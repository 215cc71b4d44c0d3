// One objective evaluation of the growth model on the rig tag-recapture data.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "model/modVarnel.h"

namespace {

using namespace corvane;

struct RigModel {
    GrowthModel model;
    Vec1<double> x, step, dF;
    Vec1<std::string> description, fuse;
    Mat1<double> d2F;
    int np = 0;
    std::int32_t dataCount = 0;
    double own = 0.0;
    bool ok = false;

    RigModel(char errors, std::vector<double> values) {
        GrowthSetup setup;
        setup.incrementPath = (std::filesystem::path(CORVANE_SHARED_DATA) / "rig_increments.dat").string();
        setup.errors = errors;
        model.SetPendingSettings(setup);
        double f = 0.0;
        std::int32_t code = 0;
        model.MODEL(f, x, step, description, fuse, np, code, dataCount, dF, d2F, own);
        ok = !model.InitialisationFailed();
        for (int i = 1; i <= np; ++i) x[i] = values[static_cast<std::size_t>(i - 1)];
    }
    double Evaluate(std::int32_t call) {
        double f = 0.0;
        model.MODEL(f, x, step, description, fuse, np, call, dataCount, dF, d2F, own);
        return f;
    }
};

std::vector<double> Rig(double se, double b) {
    return {150, 20, 0.3, 0.1, 0, 0, 0, 0, se, 0, 0, b, -999, 0, 1, 0, 0, -999, -999};
}

void Run(benchmark::State& state, char errors, std::vector<double> values) {
    RigModel rig(errors, std::move(values));
    if (!rig.ok) {
        state.SkipWithError("rig_increments.dat not found beside the checkout");
        return;
    }
    std::int32_t call = 2;
    for (auto _ : state) benchmark::DoNotOptimize(rig.Evaluate(call++));
    state.counters["objective"] = rig.Evaluate(2);
    state.counters["records"] = rig.model.Data().increments.records;
}

void BM_RigGaussianB0(benchmark::State& state) { Run(state, 'N', Rig(0, 0)); }
void BM_RigGammaMeasurementError(benchmark::State& state) { Run(state, 'G', Rig(3, 0)); }
void BM_RigBAboveZero(benchmark::State& state) { Run(state, 'G', Rig(0, 0.001)); }

BENCHMARK(BM_RigGaussianB0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RigGammaMeasurementError)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RigBAboveZero)->Unit(benchmark::kMicrosecond);

}  // namespace
