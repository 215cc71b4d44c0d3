// One objective evaluation of the growth model on the alba size-frequency
// series (7 series, 15 cells) in each age-mode form and with fishing, and of
// the joint example (3 series of 28 cells and 200 increment records).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/ModelCall.h"

namespace {

using namespace corvane;
using namespace corvane::bench;

void Run(benchmark::State& state, ModelCall& call) {
    TimeEvaluations(state, call);
    if (!call.ok) return;
    const auto& s = call.model.Settings();
    // Cells times age-classes times series: the precise form's unit of work.
    state.counters["cell_classes"] = call.model.Data().frequencies.cells * s.totalAges * s.series;
}

// Clam growth in mm and years: two identified and three blended classes.
void Alba(benchmark::State& state, AgeModeForm form, double fishingRate = 0.0, double b = 0.0) {
    GrowthSetup setup;
    setup.frequencyPath = DataFile("alba_frequencies.dat");
    setup.series = 7;
    setup.identified = 2;
    setup.blended = 3;
    setup.birthDay = 150;
    setup.age1 = 0.0;
    setup.edge = 'M';
    setup.ageModes = form;
    ModelCall alba(setup);
    if (alba.ok) {
        const std::vector<double> fixed = {14, 1.5, 1.0, 0.3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.5, 1, 9.0, fishingRate,
                                           -999, -999};
        for (int i = 1; i <= 19; ++i) alba.x[i] = fixed[static_cast<std::size_t>(i - 1)];
        alba.x[12] = b;
        const double days[7] = {108, 184, 263, 350, 49, 120, 175};
        const auto& s = alba.model.Settings();
        for (int k = 1; k <= 7; ++k) {
            alba.x[s.ProportionIndex(k, 1)] = 0.4;
            alba.x[s.ProportionIndex(k, 2)] = 0.3;
            alba.x[s.SampleDayIndex(k)] = days[k - 1];
        }
    }
    Run(state, alba);
}

// The joint example at its true parameters.
void Joint(benchmark::State& state, AgeModeForm form) {
    const std::filesystem::path examples = std::filesystem::path(CORVANE_SOURCE_DIR) / "examples";
    GrowthSetup setup;
    setup.frequencyPath = (examples / "growth_joint_frequencies.dat").string();
    setup.incrementPath = (examples / "growth_joint_increments.dat").string();
    setup.series = 3;
    setup.identified = 2;
    setup.blended = 4;
    setup.birthDay = 100;
    setup.age1 = 0.0;
    setup.ageModes = form;
    ModelCall joint(setup);
    if (joint.ok) {
        const std::vector<double> truth = {60,  5,    0.5, 0.1,  0,   0,   0,   0,   2,   0,   0,   0,   -999, 0.4,
                                           1,   0,    0,   -999, -999, 0.35, 0.25, 0.3, 0.3, 0.25, 0.25, 150, 250, 330};
        for (int i = 1; i <= joint.np; ++i) joint.x[i] = truth[static_cast<std::size_t>(i - 1)];
    }
    Run(state, joint);
}

void BM_AlbaGaussian(benchmark::State& state) { Alba(state, AgeModeForm::Gaussian); }
void BM_AlbaGamma(benchmark::State& state) { Alba(state, AgeModeForm::Gamma); }
void BM_AlbaPrecise(benchmark::State& state) { Alba(state, AgeModeForm::Precise); }
void BM_AlbaGaussianFishing(benchmark::State& state) { Alba(state, AgeModeForm::Gaussian, 0.5); }
void BM_AlbaPreciseFishing(benchmark::State& state) { Alba(state, AgeModeForm::Precise, 0.5); }
void BM_AlbaGaussianBAboveZero(benchmark::State& state) { Alba(state, AgeModeForm::Gaussian, 0.0, 0.01); }
void BM_AlbaPreciseBAboveZero(benchmark::State& state) { Alba(state, AgeModeForm::Precise, 0.0, 0.01); }
void BM_JointGaussian(benchmark::State& state) { Joint(state, AgeModeForm::Gaussian); }
void BM_JointPrecise(benchmark::State& state) { Joint(state, AgeModeForm::Precise); }

BENCHMARK(BM_AlbaGaussian)->Apply(AtOneAndTwoThreads)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AlbaGamma)->Apply(AtOneAndTwoThreads)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AlbaPrecise)->Apply(AtOneAndTwoThreads)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AlbaGaussianFishing)->Apply(AtOneAndTwoThreads)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AlbaPreciseFishing)->Apply(AtOneAndTwoThreads)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AlbaGaussianBAboveZero)->Apply(AtOneAndTwoThreads)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AlbaPreciseBAboveZero)->Apply(AtOneAndTwoThreads)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_JointGaussian)->Apply(AtOneAndTwoThreads)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_JointPrecise)->Apply(AtOneAndTwoThreads)->Unit(benchmark::kMicrosecond);

}  // namespace
