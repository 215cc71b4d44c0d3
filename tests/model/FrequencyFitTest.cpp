// Simulated size-frequency series: the simulation itself, and a fit that
// recovers the parameters it was drawn from.
#include <gtest/gtest.h>

#include <cmath>

#include "GrowthTestSupport.h"
#include "engine/Simplex.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

// Three series with two identified and three blended age-classes, sampled on
// days 120, 200 and 300 of a population born on day 150.
GrowthSetup ThreeSeries(const std::string& path, AgeModeForm form) {
    GrowthSetup s;
    s.frequencyPath = path;
    s.series = 3;
    s.identified = 2;
    s.blended = 3;
    s.birthDay = 150;
    s.age1 = 0.0;
    s.edge = 'M';
    s.ageModes = form;
    return s;
}

std::vector<double> Truth() {
    auto x = Fixed19(14, 1.5, 1.0, 0.3);
    x[12] = 0.0;  // t0
    x[13] = 0.5;  // Psi
    x.insert(x.end(), {0.5, 0.3, 0.4, 0.35, 0.45, 0.3, 120, 200, 300});
    return x;
}

FrequencySimulationResult Simulate(const GrowthSetup& setup, const std::vector<double>& truth, double total,
                                   std::uint64_t seed) {
    FrequencySimulation how;
    how.cells = 18;
    how.totals = Vec1<double>(3, total);
    DefaultRandom random(seed);
    return SimulateFrequencies(ApplySetup(setup), ToVec1(truth), how, random);
}

}  // namespace

TEST(FrequencySimulation, SamplesHaveTheirTotalsAndFollowThePrediction) {
    const GrowthSetup setup = ThreeSeries("simulated", AgeModeForm::Gaussian);
    const auto a = Simulate(setup, Truth(), 20000, 4);
    ASSERT_TRUE(a.ok) << a.problem;
    for (int s = 1; s <= 3; ++s) {
        double sum = 0.0;
        for (int i = 1; i <= 18; ++i) {
            sum += a.data.frequency(s, i);
            const double p = a.distribution(s, i);
            EXPECT_NEAR(a.data.frequency(s, i) / 20000.0, p, 5.0 * std::sqrt(p * (1.0 - p) / 20000.0) + 1e-9);
        }
        EXPECT_EQ(sum, 20000.0);
    }
    EXPECT_EQ(a.data.grandTotal, 60000);
    EXPECT_EQ(Simulate(setup, Truth(), 20000, 4).data.frequency, a.data.frequency);  // the seed fixes them

    auto bad = Truth();
    bad[19] = 1.4;  // a proportion above 1
    EXPECT_NE(Simulate(setup, bad, 100, 1).problem.find("outside 0 to 1"), std::string::npos);
}

TEST(FrequencySimulation, FittingASimulatedSetRecoversTheTruth) {
    ScratchDir dir;
    const auto truth = Truth();
    const auto sim = Simulate(ThreeSeries("simulated", AgeModeForm::Gaussian), truth, 10000, 1);
    ASSERT_TRUE(sim.ok) << sim.problem;
    const std::string path = dir.Write("sim.dat", *FrequencyFileText(sim.data, 3));
    GrowthBench b;
    ASSERT_TRUE(b.Initialise(ThreeSeries(path, AgeModeForm::Gaussian)));
    ASSERT_EQ(b.wb.alg.np, static_cast<int>(truth.size()));

    // Each estimated parameter with its step and its tolerance, relative to the
    // truth: four times the spread of the estimates over 30 simulated sets of
    // this size (SDs 0.9% for mean L-infinity, 4.5% its SD, 1.0% mean k, 1.2%
    // its SD, 1.4% to 5.5% the proportions).
    struct Free {
        int parameter;
        double step, tolerance;
    };
    const std::vector<Free> free = {{1, 1.0, 0.035},  {2, 0.2, 0.18},   {3, 0.1, 0.04},   {4, 0.05, 0.05},
                                    {20, 0.05, 0.075}, {21, 0.05, 0.22}, {22, 0.05, 0.06}, {23, 0.05, 0.125},
                                    {24, 0.05, 0.055}, {25, 0.05, 0.135}};
    for (int i = 1; i <= b.wb.alg.np; ++i) b.wb.alg.value[i] = truth[static_cast<std::size_t>(i - 1)];
    for (const Free& f : free) {
        b.wb.alg.value[f.parameter] *= 1.1;  // start 10% away
        b.wb.alg.step[f.parameter] = f.step;
    }
    b.wb.alg.tolerance = 1e-5;
    b.t.dialogs.ExpectMessage("Simplex minimum", "Minimum found using Simplex!");
    const MinimiserResult r = SimplexCommand(b.wb);
    ASSERT_EQ(r.end, MinimiserEnd::Converged);
    for (const Free& f : free) {
        const double t = truth[static_cast<std::size_t>(f.parameter - 1)];
        EXPECT_NEAR(b.wb.alg.value[f.parameter], t, f.tolerance * t) << "parameter " << f.parameter;
    }
    // The minimum lies below the truth by about a chi-square with 10 degrees of
    // freedom (-2 ln of a likelihood ratio); 29.6 is its 99.9% point.
    const double atTruth = b.Evaluate(truth, 2);
    EXPECT_LT(r.minimum, atTruth);
    EXPECT_LT(atTruth - r.minimum, 29.6);
}
