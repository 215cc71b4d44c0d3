// A whole Simplex fit of the growth model to the rig tag-recapture data:
// five free parameters (mean and SD of L-infinity, mean and SD of k, %SE),
// Gaussian errors, about 700 objective evaluations from the same start; and
// the three covariance grids at the fitted values (90 points) and a
// posterior there.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/ModelCall.h"
#include "evaluation/Posterior.h"
#include "engine/Threads.h"
#include "engine/modCorvane.h"

namespace {

using namespace corvane;
using namespace corvane::bench;

// Answers every message with its default and never waits.
class QuietDialogs : public Dialogs {
public:
    Answer MessageBox(const std::string&, const std::string&, Buttons buttons, Icon, bool secondIsDefault) override {
        switch (buttons) {
            case Buttons::OK: return Answer::OK;
            case Buttons::OKCancel: return secondIsDefault ? Answer::Cancel : Answer::OK;
            default: return secondIsDefault ? Answer::No : Answer::Yes;
        }
    }
    std::string InputPrompt(const std::string&, const std::string&, const std::string& defaultText) override {
        return defaultText;
    }
    std::optional<std::string> FileDialog(const FileRequest&) override { return std::nullopt; }
    void ProcessEvents() override {}
};

struct FitRig {
    QuietDialogs dialogs;
    MemoryStatusBar status;
    MemoryWindowHost windows;
    SystemClock clock;
    DefaultRandom random;
    GrowthModel model;
    Workbench wb{Ports{dialogs, status, windows, clock, random}, &model};
    bool ok = false;

    FitRig() {
        GrowthSetup setup;
        setup.incrementPath = DataFile("rig_increments.dat");
        setup.errors = 'N';
        model.SetPendingSettings(setup);
        ok = InitialiseModel(wb);
        if (ok) SetDefaultAlgorithmData(wb.alg, wb.alg.np);
    }
    void Start() {
        const std::vector<double> values = {150, 20, 0.3, 0.1, 0, 0, 0, 0, 3, 0, 0, 0, -999, 0, 1, 0, 0, -999, -999};
        const std::vector<double> steps = {10, 2, 0.03, 0.01, 0, 0, 0, 0, 0.3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        for (int i = 1; i <= wb.alg.np; ++i) {
            wb.alg.value[i] = values[static_cast<std::size_t>(i - 1)];
            wb.alg.step[i] = steps[static_cast<std::size_t>(i - 1)];
        }
        wb.simplex = SimplexState{};
    }
};

void BM_RigFit(benchmark::State& state) {
    FitRig rig;
    if (!rig.ok) {
        state.SkipWithError("the data files were not found");
        return;
    }
    UseThreads(rig.wb, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        rig.Start();
        SetUpMinimisation(rig.wb);
        benchmark::DoNotOptimize(RunSimplex(rig.wb).iterations);
    }
    state.counters["minimum"] = rig.model.Best().objective;
    state.counters["calls"] = rig.wb.engine.functionCalls;
}

void BM_RigCovarianceGrids(benchmark::State& state) {
    FitRig rig;
    if (!rig.ok) {
        state.SkipWithError("the data files were not found");
        return;
    }
    rig.Start();
    SetUpMinimisation(rig.wb);
    RunSimplex(rig.wb);
    UseThreads(rig.wb, static_cast<int>(state.range(0)));
    Vec1<double> steps = rig.wb.alg.step;
    for (int i = 1; i <= steps.size(); ++i) steps[i] *= 0.1;
    SetUpRun(rig.wb.alg, rig.wb.engine);
    const CovariancePlan plan = PlanCovariances(rig.wb, rig.wb.alg.value, steps);
    CovarianceSettings settings;
    settings.constant = 0.5;
    int valid = 0;
    for (auto _ : state) valid = ComputeCovariances(rig.wb, plan, settings).ValidGrids();
    state.counters["points"] = 3 * plan.p * (plan.p + 1);
    state.counters["valid_grids"] = valid;
}

// A posterior of the mean L-infinity at the fitted values: 7 points, the SD
// of L-infinity and the mean of k integrated over 9 x 9 nodes (567 calls).
void BM_RigPosteriorNodes(benchmark::State& state) {
    FitRig rig;
    if (!rig.ok) {
        state.SkipWithError("the data files were not found");
        return;
    }
    rig.Start();
    SetUpMinimisation(rig.wb);
    RunSimplex(rig.wb);
    UseThreads(rig.wb, static_cast<int>(state.range(0)));
    AlgorithmData& a = rig.wb.alg;
    const double v = a.value[1], h = 0.5;
    for (int i = 1; i <= a.np; ++i) a.step[i] = 0.0;
    a.step[2] = 0.3;
    a.step[3] = 0.005;
    SetUpRun(a, rig.wb.engine);
    rig.wb.priorTable.reciprocalConstant = 0.5;
    PosteriorPlan plan = PlanPosterior(rig.wb, 1, v, h, 7, 9);
    plan.reference = EvaluateReference(rig.wb, plan);
    double sum = 0.0;
    for (auto _ : state) sum = ComputePosterior(rig.wb, plan).sums.back();
    state.counters["calls"] = static_cast<double>(plan.Calls());
    state.counters["last_sum"] = sum;
}

BENCHMARK(BM_RigFit)->Apply(AtOneAndTwoThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RigCovarianceGrids)->Apply(AtOneAndTwoThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RigPosteriorNodes)->Apply(AtOneAndTwoThreads)->Unit(benchmark::kMillisecond);

}  // namespace
