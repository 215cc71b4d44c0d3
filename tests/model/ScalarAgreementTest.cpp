// The likelihoods against values pinned from their plain scalar form (one
// std::exp at a time, panel by panel, one record after another): the
// vectorised and parallel evaluation must agree within 1e-12 relative over a
// spread of settings, in the objective, in each contribution and in the
// per-record and per-cell tables the summary reads.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <random>
#include <string>

#include "GrowthTestSupport.h"
#include "numeric/modGamma.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

std::vector<double> With(std::vector<double> x, std::initializer_list<std::pair<int, double>> changes) {
    for (const auto& [i, v] : changes) x[static_cast<std::size_t>(i - 1)] = v;
    return x;
}

GrowthSetup Increments(const char* file, char errors) {
    GrowthSetup s;
    s.incrementPath = DataPath(file);
    s.errors = errors;
    return s;
}

GrowthSetup Alba(AgeModeForm form, char edge = 'M') {
    GrowthSetup s;
    s.frequencyPath = DataPath("alba_frequencies.dat");
    s.series = 7;
    s.identified = 2;
    s.blended = 3;
    s.birthDay = 150;
    s.age1 = 0.0;
    s.edge = edge;
    s.ageModes = form;
    return s;
}

std::vector<double> AlbaVector(std::vector<double> fixed) {
    const double days[7] = {108, 184, 263, 350, 49, 120, 175};
    for (int s = 1; s <= 7; ++s) {
        fixed.push_back(0.4);
        fixed.push_back(0.3);
    }
    for (double d : days) fixed.push_back(d);
    return fixed;
}

GrowthSetup Joint(AgeModeForm form) {
    GrowthSetup s;
    const std::filesystem::path examples = std::filesystem::path(CORVANE_SOURCE_DIR) / "examples";
    s.frequencyPath = (examples / "growth_joint_frequencies.dat").string();
    s.incrementPath = (examples / "growth_joint_increments.dat").string();
    s.series = 3;
    s.identified = 2;
    s.blended = 4;
    s.birthDay = 100;
    s.age1 = 0.0;
    s.ageModes = form;
    return s;
}

struct Case {
    const char* what;
    GrowthSetup setup;
    std::vector<double> x;
};

struct Measured {
    double objective = 0, incrementTwice = 0, frequencyTwice = 0;
    double recordSquares = 0;     // sum over the fitted records of (-ln L_i)^2
    double predictedSquares = 0;  // sum over series and cells of E(s, i)^2
};

Measured Measure(const GrowthSetup& setup, const std::vector<double>& x) {
    GrowthBench b;
    EXPECT_TRUE(b.Initialise(setup));
    Measured m;
    m.objective = b.Evaluate(x, 2);
    m.incrementTwice = 2.0 * b.model.LastEvaluation().incrementNegLnL;
    m.frequencyTwice = 2.0 * b.model.LastEvaluation().frequencyNegLnL;
    const auto& inc = b.model.Workspace().increments;
    for (int i = 1; i <= inc.negLnL.size(); ++i)
        if (inc.fate[i] == RecordFate::Fitted) m.recordSquares += inc.negLnL[i] * inc.negLnL[i];
    const auto& e = b.model.Workspace().frequencies.predicted;
    for (int s = 1; s <= e.rows(); ++s)
        for (int i = 1; i <= e.cols(); ++i) m.predictedSquares += e(s, i) * e(s, i);
    return m;
}

void ExpectClose(double measured, double pinned, const char* what, const char* part) {
    EXPECT_NEAR(measured, pinned, 1e-12 * std::fabs(pinned)) << what << ": " << part;
}

const auto kRig = Fixed19(150, 20, 0.3, 0.1);
const auto kBonito = With(Fixed19(70, 8, 0.6, 0.15), {{13, -0.5}, {18, 30}, {19, 5}});
const auto kAlba = With(Fixed19(14, 1.5, 1.0, 0.3), {{13, 0.0}, {14, 0.5}});

std::vector<Case> Cases() {
    return {
        {"rig, Gaussian", Increments("rig_increments.dat", 'N'), kRig},
        {"rig, Gaussian, %SE 3", Increments("rig_increments.dat", 'N'), With(kRig, {{9, 3}})},
        {"rig, Gaussian, %SE 0.5, cycles", Increments("rig_increments.dat", 'N'),
         With(kRig, {{5, 0.2}, {6, 100}, {7, 5}, {8, 200}, {9, 0.5}})},
        {"rig, gamma", Increments("rig_increments.dat", 'G'), kRig},
        {"rig, gamma, %SE 3", Increments("rig_increments.dat", 'G'), With(kRig, {{9, 3}})},
        {"rig, gamma, %SE 8, narrow k", Increments("rig_increments.dat", 'G'), With(kRig, {{4, 0.02}, {9, 8}})},
        {"rig, b > 0", Increments("rig_increments.dat", 'G'), With(kRig, {{12, 0.001}})},
        {"rig, b > 0, %SE 2", Increments("rig_increments.dat", 'N'), With(kRig, {{12, 0.001}, {9, 2}})},
        {"rig, b > 0, SD of k at its floor", Increments("rig_increments.dat", 'G'), With(kRig, {{4, 0}, {12, 0.002}})},
        {"donacina, %SE 1.5", Increments("donacina_increments.dat", 'N'), With(Fixed19(90, 6, 0.5, 0.1), {{9, 1.5}})},
        {"kenai, gamma, %SE 2", Increments("kenai_trout_increments.dat", 'G'),
         With(Fixed19(600, 60, 0.4, 0.1), {{9, 2}})},
        {"bonito, gamma", Increments("bonito_increments.dat", 'G'), Fixed19(80, 10, 0.4, 0.1)},
        {"size at age, selectivity", Increments("bonito_size_at_age.dat", 'N'), kBonito},
        {"size at age, selectivity, %SE 4", Increments("bonito_size_at_age.dat", 'N'), With(kBonito, {{9, 4}})},
        {"size at age, gamma, selectivity, %SE 4", Increments("bonito_size_at_age.dat", 'G'), With(kBonito, {{9, 4}})},
        {"size at age, b > 0, selectivity, %SE 4", Increments("bonito_size_at_age.dat", 'G'),
         With(kBonito, {{9, 4}, {12, 0.002}})},
        {"size at age, the slow corner", Increments("bonito_size_at_age.dat", 'G'),
         {70, 1, 0.5, 0.001, 0.2, 100, 2, 200, 1, 0, 0, 0.0178, 0.898, 0, 1, 0, 0, 14.8, 0.455}},
        {"alba, Gaussian modes", Alba(AgeModeForm::Gaussian), AlbaVector(kAlba)},
        {"alba, gamma modes", Alba(AgeModeForm::Gamma), AlbaVector(kAlba)},
        {"alba, precise modes", Alba(AgeModeForm::Precise), AlbaVector(kAlba)},
        {"alba, precise modes, narrow k", Alba(AgeModeForm::Precise), AlbaVector(With(kAlba, {{4, 0.05}}))},
        {"alba, precise modes, selectivity, cycles", Alba(AgeModeForm::Precise),
         AlbaVector(With(kAlba, {{5, 0.3}, {6, 120}, {7, 0.5}, {8, 40}, {10, 4}, {11, 1}}))},
        {"alba, Gaussian modes, b > 0", Alba(AgeModeForm::Gaussian), AlbaVector(With(kAlba, {{12, 0.01}}))},
        {"alba, precise modes, b > 0", Alba(AgeModeForm::Precise), AlbaVector(With(kAlba, {{12, 0.01}}))},
        {"alba, gamma modes, fishing", Alba(AgeModeForm::Gamma), AlbaVector(With(kAlba, {{16, 9}, {17, 0.5}}))},
        {"alba, precise modes, fishing", Alba(AgeModeForm::Precise), AlbaVector(With(kAlba, {{16, 9}, {17, 0.5}}))},
        {"joint, Gaussian modes", Joint(AgeModeForm::Gaussian),
         {60, 5, 0.5, 0.1, 0, 0, 0, 0, 2, 0, 0, 0, -999, 0.4, 1, 0, 0, -999, -999, 0.35, 0.25, 0.3, 0.3, 0.25, 0.25,
          150, 250, 330}},
        {"joint, precise modes", Joint(AgeModeForm::Precise),
         {60, 5, 0.5, 0.1, 0, 0, 0, 0, 2, 0, 0, 0, -999, 0.4, 1, 0, 0, -999, -999, 0.35, 0.25, 0.3, 0.3, 0.25, 0.25,
          150, 250, 330}},
    };
}

// What the scalar form gave, case by case (objective, twice each
// contribution, the two sums of squares).
const Measured kPinned[] = {
    {631.52374345130204, 631.52374345130204, 0, 1615.6001671307342, 0},  // rig, Gaussian
    {880.02063289947716, 880.02063289947716, 0, 1882.3481087695588, 0},  // rig, Gaussian, %SE 3
    {1025.9096987914186, 1025.9096987914186, 0, 3009.6573687515674, 0},  // rig, Gaussian, %SE 0.5, cycles
    {801.9309813643215, 801.9309813643215, 0, 2974.0427382532789, 0},  // rig, gamma
    {919.04877351692585, 919.04877351692585, 0, 2188.6002095109416, 0},  // rig, gamma, %SE 3
    {916.49450821358982, 916.49450821358982, 0, 1927.2940349073699, 0},  // rig, gamma, %SE 8, narrow k
    {1050.6660387988736, 1050.6660387988736, 0, 5117.2911174004012, 0},  // rig, b > 0
    {1157.2661283566542, 1157.2661283566542, 0, 3785.0445493393172, 0},  // rig, b > 0, %SE 2
    {1424.3698401606966, 1424.3698401606966, 0, 9295.7120183232928, 0},  // rig, b > 0, SD of k at its floor
    // donacina, %SE 1.5: its record 150, 2.92 SD above the mean of L-infinity,
    // takes the truncated-Gaussian moments (tests/data/far_tail_record.py).
    {713.03276000935762 + 1.252889576087e-05, 713.03276000935762 + 1.252889576087e-05, 0,
     903.22652017589269 + 2.280351638806e-05, 0},
    {5693.3818603009613, 5693.3818603009613, 0, 143701.85963618886, 0},  // kenai, gamma, %SE 2
    {421.39967243558647, 421.39967243558647, 0, 973.95079866470724, 0},  // bonito, gamma
    {1615.5358379156598, 1615.5358379156598, 0, 2680.3938455776811, 0},  // size at age, selectivity
    {1617.0930205503109, 1617.0930205503109, 0, 2680.0301678646397, 0},  // size at age, selectivity, %SE 4
    {1610.8492306454489, 1610.8492306454489, 0, 2652.8308172305778, 0},  // size at age, gamma, selectivity, %SE 4
    {1696.8507222225651, 1696.8507222225651, 0, 2992.1840654997068, 0},  // size at age, b > 0, selectivity, %SE 4
    {2.4794652904328623e+24, 2.4794652904328623e+24, 0, 2217966.5373115125, 0},  // size at age, the slow corner
    {1175.0050790050059, 0, 1175.0050790050059, 0, 11419.299792857591},  // alba, Gaussian modes
    {1255.5853941792307, 0, 1255.5853941792307, 0, 11537.484239827038},  // alba, gamma modes
    {1212.7794836187868, 0, 1212.7794836187868, 0, 11472.1932705899},  // alba, precise modes
    {1.5771227128291832e+22, 0, 2573.2376725501772, 0, 17389.961414101086},  // alba, precise modes, narrow k
    {5.0284993296289445e+21, 0, 1306.6964158255782, 0, 12659.269367768824},  // alba, precise modes, selectivity, cycles
    {1204.5315042319235, 0, 1204.5315042319235, 0, 11574.751859406024},  // alba, Gaussian modes, b > 0
    {1241.3128520274636, 0, 1241.3128520274636, 0, 11631.690852227024},  // alba, precise modes, b > 0
    {1035.7891751829773, 0, 1035.7891751829773, 0, 12734.776141500348},  // alba, gamma modes, fishing
    {989.87689426434122, 0, 989.87689426434122, 0, 12588.816372633653},  // alba, precise modes, fishing
    {1052.5065322782928, 973.11220713802322, 79.394325140269501, 1294.5346070013572, 27303.085175069726},  // joint, Gaussian modes
    {1323.0982528357172, 973.11220713802322, 349.98604569769395, 1294.5346070013572, 37618.591729704291},  // joint, precise modes
};

}  // namespace

TEST(ScalarAgreement, ObjectivesAndTablesOverASpreadOfSettings) {
    const bool print = std::getenv("CORVANE_PRINT_PINNED") != nullptr;
    const std::vector<Case> cases = Cases();
    ASSERT_EQ(cases.size(), std::size(kPinned));
    for (std::size_t k = 0; k < cases.size(); ++k) {
        const Case& c = cases[k];
        const Measured& pinned = kPinned[k];
        const Measured m = Measure(c.setup, c.x);
        if (print) {
            std::printf("%s: %.17g, %.17g, %.17g, %.17g, %.17g\n", c.what, m.objective, m.incrementTwice,
                        m.frequencyTwice, m.recordSquares, m.predictedSquares);
            continue;
        }
        ExpectClose(m.objective, pinned.objective, c.what, "objective");
        ExpectClose(m.incrementTwice, pinned.incrementTwice, c.what, "increment -2 ln[L]");
        ExpectClose(m.frequencyTwice, pinned.frequencyTwice, c.what, "frequency -2 ln[L]");
        ExpectClose(m.recordSquares, pinned.recordSquares, c.what, "records");
        ExpectClose(m.predictedSquares, pinned.predictedSquares, c.what, "predicted frequencies");
    }
}

namespace {

// The integrals as the scalar form computes them: Simpson's rule panel by
// panel, one std::exp at a time.
template <class F>
double PanelByPanel(double lower, double upper, F f) {
    const double h = (upper - lower) / 100;
    double sum = 0.0, left = f(lower);
    for (int j = 0; j < 100; ++j) {
        const double x0 = lower + j * h;
        const double right = f(lower + (j + 1) * h);
        sum += h / 6.0 * (left + 4.0 * f(x0 + h / 2.0) + right);
        left = right;
    }
    return sum;
}

const double kPi = 4.0 * std::atan(1.0);

double ScalarTruncated(double p0, double y, double E, double V, double Vm) {
    p0 = std::min(p0, 0.999999);
    const double upper = 9.0 * std::sqrt(V) + E;
    if (upper <= 0.0) return (0.01 * upper) * (0.01 * upper) * 1e20;
    double sum = PanelByPanel(0.0, upper, [&](double x) {
        return std::exp(-(y - x) * (y - x) / (2.0 * Vm) - (x - E) * (x - E) / (2.0 * V));
    });
    if (!(sum > 0.0)) sum = 1e-20;
    return std::log(1.0 - p0) + std::log(std::sqrt(Vm) * std::sqrt(V) * 2.0 * kPi) - std::log(sum);
}

double ScalarGamma(double y, double Ec, double Vc, double Vm) {
    const double a = Ec * Ec / Vc, c = Vc / Ec, N = a * std::log(c) + LnGamma(a);
    double sum = PanelByPanel(0.0001, 9.0 * std::sqrt(Vc) + Ec, [&](double x) {
        return std::exp(-(y - x) * (y - x) / (2.0 * Vm)) / std::sqrt(2.0 * kPi * Vm) *
               std::exp((a - 1.0) * std::log(x) - x / c - N);
    });
    if (!(sum > 0.0)) sum = 1e-20;
    return -std::log(sum);
}

void ScalarPartialMoments(double mean, double variance, double L1, double& first, double& second) {
    const double upper = mean + 9.0 * std::sqrt(variance), norm = std::sqrt(2.0 * kPi * variance);
    auto g = [&](double x) { return std::exp(-(x - mean) * (x - mean) / (2.0 * variance)); };
    first = PanelByPanel(L1, upper, [&](double x) { return x * g(x); }) / norm;
    second = PanelByPanel(L1, upper, [&](double x) { return x * x * g(x); }) / norm;
}

}  // namespace

TEST(ScalarAgreement, IntegralsOverRandomSettings) {
    std::mt19937_64 random(2024);
    auto uniform = [&](double low, double high) { return std::uniform_real_distribution<double>(low, high)(random); };
    auto close = [](double a, double b) { return std::fabs(a - b) <= 1e-12 * std::max(std::fabs(b), 1.0); };
    for (int k = 0; k < 300; ++k) {
        // Increments and spreads of a few cm, measurement SDs from 0.05 to 5 cm.
        const double E = uniform(-5.0, 40.0), V = std::pow(10.0, uniform(-2.0, 2.5));
        const double Vm = std::pow(10.0, uniform(-2.6, 1.4)), y = uniform(-5.0, 60.0), p0 = uniform(0.0, 0.5);
        EXPECT_TRUE(close(TruncatedGaussianWithError(p0, y, E, V, Vm), ScalarTruncated(p0, y, E, V, Vm)))
            << E << " " << V << " " << Vm << " " << y;
        const double Ec = uniform(0.5, 40.0), Vc = Ec * uniform(0.02, 3.0);
        EXPECT_TRUE(close(GammaWithError(y, Ec, Vc, Vm), ScalarGamma(y, Ec, Vc, Vm)))
            << Ec << " " << Vc << " " << Vm << " " << y;
        const double mean = uniform(30.0, 200.0), variance = std::pow(uniform(1.0, 40.0), 2.0);
        const double L1 = mean + std::sqrt(variance) * uniform(-5.0, 4.0);
        double f1 = 0, f2 = 0, s1 = 0, s2 = 0;
        PartialMoments(mean, variance, L1, f1, f2);
        ScalarPartialMoments(mean, variance, L1, s1, s2);
        EXPECT_TRUE(close(f1, s1) && close(f2, s2)) << mean << " " << variance << " " << L1;
    }
}
