// The size-frequency likelihood: objective values pinned on the alba series,
// the rules of ages, proportions, edges and empty predictions, and the
// precise age-mode form and the fishing survival checked against simulated fish.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "GrowthTestSupport.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

const double kAlbaDays[7] = {108, 184, 263, 350, 49, 120, 175};

// The 19 fixed parameters used on alba: L-infinity 14 mm (SD 1.5), k 1 per
// year (SD 0.3), t0 0, Weibull Psi 0.5 and Phi 1.
std::vector<double> AlbaFixed() {
    auto x = Fixed19(14, 1.5, 1.0, 0.3);
    x[12] = 0.0;   // t0
    x[13] = 0.5;   // Psi
    return x;
}

GrowthSetup AlbaSetup(int identified, int blended, char edge, AgeModeForm form, int birthDay = 150) {
    GrowthSetup s;
    s.frequencyPath = DataPath("alba_frequencies.dat");
    s.series = 7;
    s.identified = identified;
    s.blended = blended;
    s.birthDay = birthDay;
    s.age1 = 0.0;
    s.edge = edge;
    s.ageModes = form;
    return s;
}

// The fixed parameters, the proportions of each series, the sample days.
std::vector<double> AlbaVector(std::vector<double> fixed, const std::function<std::vector<double>(int)>& proportions) {
    for (int s = 1; s <= 7; ++s)
        for (double p : proportions(s)) fixed.push_back(p);
    for (double d : kAlbaDays) fixed.push_back(d);
    return fixed;
}

struct Pinned {
    const char* what;
    GrowthSetup setup;
    std::vector<double> x;
    double objective;     // derived independently from the recipe
    double twiceNegLnL;   // its -2 ln[L] part
};

// A model over frequencies given in the code: one series, cells of width 1
// from midpoint 0.5.
struct SmallSeries {
    GrowthSettings settings;
    FrequencyData data;
    SmallSeries(const std::vector<double>& observed, int identified, char edge = '0') {
        settings.series = 1;
        settings.identified = identified;
        settings.totalAges = identified;
        settings.birthDay = 1;
        settings.age1 = 1.0;
        settings.edge = edge;
        settings.precise = false;
        settings.kind = 'S';
        data.cells = static_cast<int>(observed.size());
        data.interval = 1.0;
        data.midpoint.resize(data.cells);
        data.frequency.resize(1, data.cells);
        data.seriesTotal.resize(1, 0.0);
        for (int i = 1; i <= data.cells; ++i) {
            data.midpoint[i] = i - 0.5;
            data.frequency(1, i) = observed[static_cast<std::size_t>(i - 1)];
            data.seriesTotal[1] += data.frequency(1, i);
        }
    }
    // Evaluates with the 19 fixed values, the proportions and the sample day.
    FrequencyContribution Evaluate(std::vector<double> x, FrequencyWorkspace& ws, WarningLog& log) const {
        Vec1<double> X = ToVec1(x);
        const GrowthParameters p = PrepareParameters(X, settings);
        return FrequencyNegLnL(settings, data, p, X, ws, log);
    }
};

// Fish drawn from the same L-infinity and k distributions, grown to age t.
struct SimulatedFish {
    std::vector<double> L, k;
    SimulatedFish(const AgeClassGrowth& g, int n, std::uint64_t seed) {
        DefaultRandom random(seed);
        const double shape = g.meanK * g.meanK / g.varK, scale = g.varK / g.meanK;
        for (int i = 0; i < n; ++i) {
            L.push_back(g.meanL + std::sqrt(g.varL) * StandardNormal(random));
            k.push_back(GammaDraw(shape, scale, random));
        }
    }
};

GrowthParameters Joint(double mu, double sdL, double m, double sdK, double b = 0.0) {
    GrowthSettings s;
    Vec1<double> x = ToVec1(Fixed19(mu, sdL, m, sdK));
    x[12] = b;
    return PrepareParameters(x, s);
}

}  // namespace

TEST(FrequencyObjective, PinnedValuesOnTheAlbaSeries) {
    const auto fixed = AlbaFixed();
    const auto twoAndBlended = AlbaVector(fixed, [](int) { return std::vector<double>{0.4, 0.3}; });
    const auto byDifference = AlbaVector(fixed, [](int) { return std::vector<double>{0.2, -1, 0.3}; });
    auto selectiveFixed = fixed;
    selectiveFixed[9] = 5.0;    // selectivity mean
    selectiveFixed[10] = 1.5;   // its SD
    selectiveFixed[12] = 0.1;   // t0
    selectiveFixed[13] = 0.8;   // Psi
    selectiveFixed[14] = 1.5;   // Phi
    const auto selective = AlbaVector(selectiveFixed, [](int) { return std::vector<double>{0.35, 0.3}; });
    auto selectiveSetup = [](AgeModeForm form) {
        GrowthSetup s = AlbaSetup(2, 4, '0', form, 120);
        s.firstCell = 3;
        return s;
    };
    // -0.5 in series 1 (used as 0.5); in series 2 a proportion of 1.2 and one by
    // difference of -0.3, whose class then predicts negative frequencies.
    const auto outOfRange = AlbaVector(fixed, [](int s) {
        return s == 1 ? std::vector<double>{-0.5, 0.2, -1} : s == 2 ? std::vector<double>{1.2, 0.1, -1}
                                                                    : std::vector<double>{0.4, 0.3, -1};
    });
    auto narrowFixed = fixed;
    narrowFixed[1] = 0.2;   // SD of L-infinity
    narrowFixed[3] = 0.05;  // SD of k: modes too narrow to reach many observed cells
    const auto narrow = AlbaVector(narrowFixed, [](int) { return std::vector<double>{0.6, -1}; });

    using F = AgeModeForm;
    const std::vector<Pinned> cases = {
        {"Gaussian, blended, truncated", AlbaSetup(2, 3, 'M', F::Gaussian), twoAndBlended, 1175.0050790050052,
         1175.0050790050052},
        {"Gaussian, blended, zero beyond", AlbaSetup(2, 3, '0', F::Gaussian), twoAndBlended, 1226.450136475099,
         1226.450136475099},
        {"gamma, blended, truncated", AlbaSetup(2, 3, 'M', F::Gamma), twoAndBlended, 1255.5853941792316,
         1255.5853941792316},
        {"gamma, blended, zero beyond", AlbaSetup(2, 3, '0', F::Gamma), twoAndBlended, 1313.1880358936714,
         1313.1880358936714},
        {"Gaussian, one class at -1", AlbaSetup(3, 0, '0', F::Gaussian), byDifference, 1429.0080154521136,
         1429.0080154521136},
        {"gamma, one class at -1, empty cells", AlbaSetup(3, 0, '0', F::Gamma), byDifference, 1.473415706647914e+21,
         1539.779267274102},
        {"Gaussian, selectivity, first cell 3", selectiveSetup(F::Gaussian), selective, 1529.227450425964,
         1529.227450425964},
        {"gamma, selectivity, first cell 3", selectiveSetup(F::Gamma), selective, 1567.2988271429826,
         1567.2988271429826},
        {"proportions out of range", AlbaSetup(3, 0, 'M', F::Gaussian), outOfRange, 1.982215172595274e+20,
         1485.4393431698522},
        {"empty predictions", AlbaSetup(2, 0, '0', F::Gaussian), narrow, 1.515764598889584e+24, 12410.354526919256},
    };
    for (const auto& c : cases) {
        GrowthBench b;
        ASSERT_TRUE(b.Initialise(c.setup)) << c.what;
        EXPECT_NEAR(b.Evaluate(c.x, 2), c.objective, 1e-10 * c.objective) << c.what;
        const GrowthEvaluation& e = b.model.LastEvaluation();
        EXPECT_NEAR(2.0 * e.frequencyNegLnL, c.twiceNegLnL, 1e-10 * c.twiceNegLnL) << c.what;
        EXPECT_EQ(e.incrementNegLnL, 0.0);
    }
}

TEST(FrequencyObjective, AgesWrapASampleDayBeforeTheBirthDay) {
    GrowthSettings s;
    s.birthDay = 150;
    s.age1 = 0.5;
    s.ageDiff = 1.0;
    EXPECT_DOUBLE_EQ(AgeAtSampling(s, 200, 1, 0.0), 0.5 + 50.0 / 365.0);
    EXPECT_DOUBLE_EQ(AgeAtSampling(s, 100, 1, 0.0), 0.5 + 315.0 / 365.0);  // -50 + 365
    EXPECT_DOUBLE_EQ(AgeAtSampling(s, 100, 3, 0.0), 2.5 + 315.0 / 365.0);
    EXPECT_DOUBLE_EQ(AgeAtSampling(s, 100.4, 1, 0.25), 0.25 + 315.0 / 365.0);  // day rounded; t0 subtracted
    EXPECT_DOUBLE_EQ(AgeAtSampling(s, 150, 2, 0.0), 1.5);
    // Two cohorts a year: the share of the day is of half a year.
    s.ageDiff = 0.5;
    EXPECT_DOUBLE_EQ(AgeAtSampling(s, 150 + 219, 2, 0.0), (1.0 + 219.0 / 182.5 - 1.0) * 0.5 + 0.5);
    // t0 = -999 marks day-numbered increment records in a joint analysis; it is no age.
    EXPECT_DOUBLE_EQ(AgeAtSampling(s, 200, 1, kNotUsed), AgeAtSampling(s, 200, 1, 0.0));
}

TEST(FrequencyObjective, ProportionsByDifferenceAndFromTheWeibullCurve) {
    // Nothing observed: no empty-prediction penalties, only the proportions'.
    SmallSeries one(std::vector<double>(12, 0.0), 3);
    FrequencyWorkspace ws;
    WarningLog log;
    auto x = Fixed19(12, 0.5, 0.4, 0.05);
    x[12] = 0.0;
    const auto three = [&](double a, double b, double c) {
        auto v = x;
        v.insert(v.end(), {a, b, c, 150.0});
        return v;
    };
    EXPECT_EQ(one.Evaluate(three(0.2, -1, 0.3), ws, log).penalty, 0.0);
    EXPECT_DOUBLE_EQ(ws.proportion(1, 2), 0.5);
    // A negative proportion other than -1 is penalised and used by its size.
    EXPECT_EQ(one.Evaluate(three(-0.5, 0.2, -1), ws, log).penalty, 0.25e20);
    EXPECT_EQ(ws.proportion(1, 1), 0.5);
    EXPECT_DOUBLE_EQ(ws.proportion(1, 3), 0.3);
    // Above 1: penalised by the excess; the class by difference goes negative too.
    EXPECT_DOUBLE_EQ(one.Evaluate(three(1.2, -1, 0.0), ws, log).penalty, 0.04e20 + 0.04e20);
    EXPECT_DOUBLE_EQ(ws.proportion(1, 2), -0.2);
    // A second -1 in a series gets nothing; the first takes the remainder.
    EXPECT_EQ(one.Evaluate(three(-1, 0.3, -1), ws, log).penalty, 0.0);
    EXPECT_DOUBLE_EQ(ws.proportion(1, 1), 0.7);
    EXPECT_EQ(ws.proportion(1, 3), 0.0);

    // Blended classes share what the identified ones leave, by survivorship
    // exp(-Psi (age - age of the first blended class)^Phi).
    one.settings.identified = 1;
    one.settings.blended = 3;
    one.settings.totalAges = 4;
    auto blended = x;
    blended[13] = 0.7;  // Psi
    blended[14] = 1.3;  // Phi
    blended.insert(blended.end(), {0.4, 100.0});
    EXPECT_EQ(one.Evaluate(blended, ws, log).penalty, 0.0);
    double sum = 0.0;
    for (int a = 2; a <= 4; ++a) sum += std::exp(-0.7 * std::pow(a - 2.0, 1.3));
    for (int a = 2; a <= 4; ++a) {
        EXPECT_DOUBLE_EQ(ws.survivorship(1, a), std::exp(-0.7 * std::pow(a - 2.0, 1.3)));
        EXPECT_NEAR(ws.proportion(1, a), 0.6 * ws.survivorship(1, a) / sum, 1e-15);
    }
    EXPECT_EQ(ws.survivorship(1, 1), 0.0);
}

TEST(FrequencyObjective, EdgeCodeZeroLosesTheMassBeyondTheLastCell) {
    // One class at mean size about 10.9, SD about 1: most of it lies beyond the last cell.
    auto x = Fixed19(14, 1.0, 0.8, 0.1);
    x[12] = 0.0;
    x.insert(x.end(), {-1, 330.0});
    const std::vector<double> observed = {0, 0, 0, 0, 1, 2, 5, 9, 14, 20};
    auto predictedTotal = [&](char edge, AgeModeForm form, double selectivityMean) {
        SmallSeries one(observed, 1, edge);
        one.settings.precise = form == AgeModeForm::Precise;
        one.settings.gammaModes = form == AgeModeForm::Gamma;
        auto v = x;
        v[9] = selectivityMean;
        v[10] = selectivityMean > 0.0 ? 1.0 : 0.0;
        FrequencyWorkspace ws;
        WarningLog log;
        one.Evaluate(v, ws, log);
        double sum = 0.0;
        for (int i = 1; i <= 10; ++i) sum += ws.predicted(1, i);
        return sum;
    };
    EXPECT_LT(predictedTotal('0', AgeModeForm::Gaussian, 0.0), 0.75 * 51.0);
    EXPECT_LT(predictedTotal('0', AgeModeForm::Gamma, 0.0), 0.75 * 51.0);
    // Truncated at the extremes, or renormalised for selectivity or the precise form.
    // (Up to the 1E-6 that an observed cell with nothing predicted is given.)
    EXPECT_NEAR(predictedTotal('M', AgeModeForm::Gaussian, 0.0), 51.0, 1e-5);
    EXPECT_NEAR(predictedTotal('0', AgeModeForm::Gaussian, 2.0), 51.0, 1e-5);
    EXPECT_NEAR(predictedTotal('0', AgeModeForm::Precise, 0.0), 51.0, 1e-5);
}

TEST(FrequencyObjective, ZeroCellsCountNothingAndEmptyPredictionsArePenalisedByDistance) {
    // One narrow class (mean 4.7) far from the observations at 8.5 and 9.5.
    SmallSeries one({0, 0, 0, 0, 10, 0, 0, 0, 1, 2}, 1);
    auto x = Fixed19(12, 0.1, 0.5, 0.01);
    x[12] = 0.0;
    x.insert(x.end(), {-1, 1.0});
    FrequencyWorkspace ws;
    WarningLog log;
    const FrequencyContribution f = one.Evaluate(x, ws, log);
    const double mean = ws.mean(1, 1), sd = ws.sd(1, 1);
    ASSERT_LT(sd, 0.2);
    // Cell 9 (8.5): distance 3.71 < 1E100, so r = 3.71 / SD; cell 10 (9.5):
    // 4.71 is below that r, so r = 4.71 / SD.  Both had E of (nearly) 0.
    const double r9 = (8.5 - mean) / sd, r10 = (9.5 - mean) / sd;
    EXPECT_DOUBLE_EQ(ws.emptyDistance, r10);
    EXPECT_NEAR(f.penalty, (1e-12 + r9 * r9 + 1e-12 + r10 * r10) * 1e20, 1e-9 * f.penalty);
    EXPECT_EQ(ws.predicted(1, 9), kEmptyPrediction);
    EXPECT_EQ(ws.predicted(1, 1), 1e-20);  // nothing predicted, nothing observed
    double sum = 0.0;
    for (int i = 1; i <= 10; ++i) {
        const double O = one.data.frequency(1, i), E = ws.predicted(1, i);
        if (O == 0.0)
            EXPECT_EQ(ws.contribution(1, i), 0.0) << i;
        else
            sum += O * std::log(O / E);
    }
    EXPECT_DOUBLE_EQ(f.negLnL, sum);
}

TEST(FrequencyObjective, GridMomentsForSmallBApproachTheClosedFormAndWarnWhenOff) {
    const GrowthParameters b0 = Joint(15, 1.5, 0.8, 0.2);
    const GrowthParameters small = Joint(15, 1.5, 0.8, 0.2, 1e-7);
    for (double t : {0.3, 1.0, 4.0}) {
        double m0, sd0, m1, sd1, w0, w1;
        SizeMoments(b0, t, m0, sd0, w0);
        SizeMoments(small, t, m1, sd1, w1);
        EXPECT_NEAR(w1, 1.0, 2e-3) << t;
        EXPECT_NEAR(m1, m0, 2e-3 * m0) << t;
        EXPECT_NEAR(sd1, sd0, 2e-2 * sd0) << t;
    }
    // L-infinity of mean 1 and SD 2: the grid is raised above 0 and its weights no longer sum to 1.
    SmallSeries one({1, 2, 1, 0}, 1);
    auto x = Fixed19(1, 2, 0.8, 0.2);
    x[11] = 0.01;
    x[12] = 0.0;
    x.insert(x.end(), {-1, 1.0});
    FrequencyWorkspace ws;
    WarningLog log;
    one.Evaluate(x, ws, log);
    EXPECT_NE(log.Text().find("Warning: Cumulative probability is outside the range 0.99 to 1.01 @ "),
              std::string::npos);
    EXPECT_NE(log.Text().find(" for age-class 1 of frequency series 1\r\n"), std::string::npos);
}

TEST(PreciseAgeModes, GammaProbabilityAgainstClosedForms) {
    for (double x : {0.01, 0.5, 2.0, 9.0}) {
        EXPECT_NEAR(GammaP(1.0, x), 1.0 - std::exp(-x), 1e-9) << x;
        EXPECT_NEAR(GammaP(0.5, x), std::erf(std::sqrt(x)), 1e-9) << x;
        EXPECT_NEAR(GammaP(3.0, x), 1.0 - std::exp(-x) * (1.0 + x + x * x / 2.0), 1e-9) << x;
    }
    // Either side of the switch to the cube-root approximation for huge shapes.
    EXPECT_NEAR(GammaP(0.999e6, 0.999e6 + 1000), GammaP(1.001e6, 1.001e6 + 1000), 2e-3);
    EXPECT_EQ(GammaP(2.0, 0.0), 0.0);
}

TEST(PreciseAgeModes, CellProbabilitiesMatchTheSharesOfSimulatedFish) {
    struct Case {
        const char* what;
        GrowthParameters p;
        double t, w;
        bool overL;  // the variable the sums should run over
    };
    const std::vector<Case> cases = {
        {"young", Joint(15, 1.5, 1.0, 0.25), 0.4, 0.5, true},
        {"old", Joint(15, 1.5, 1.0, 0.25), 2.5, 0.5, false},
        {"k with a small SD (E[k] > 5 SD[k])", Joint(15, 2.0, 1.0, 0.05), 0.7, 0.5, false},
        {"k shape below 1", Joint(15, 1.5, 1.0, 1.4), 1.0, 0.5, true},
        {"k at its floor", Joint(15, 1.5, 1.0, 0.0), 1.0, 0.5, false},
        {"L-infinity at its floor", Joint(15, 0.0, 1.0, 0.25), 1.0, 0.5, true},
        {"b > 0", Joint(120, 10, 0.3, 0.1, 0.002), 3.0, 4.0, true},
        {"b > 0, old", Joint(120, 10, 0.3, 0.03, 0.002), 12.0, 2.0, false},
    };
    const int n = 200000;
    for (const auto& c : cases) {
        const AgeClassGrowth g = GrowthAtAge(c.p, c.t);
        const JointSizeDistribution joint(g);
        EXPECT_EQ(joint.OverL(), c.overL) << c.what;
        const SimulatedFish fish(g, n, 17);
        std::vector<double> count(400, 0.0);
        for (int j = 0; j < n; ++j) {
            const int cell = static_cast<int>(std::floor(g.Size(fish.L[j], fish.k[j]) / c.w));
            if (cell >= 0 && cell < 400) count[static_cast<std::size_t>(cell)] += 1.0;
        }
        double total = 0.0;
        for (int i = 0; i < 400; ++i) {
            const double p = joint.CellProbability(i * c.w, (i + 1) * c.w);
            const double share = count[static_cast<std::size_t>(i)] / n;
            total += p;
            ASSERT_NEAR(p, share, 5.0 * std::sqrt(p * (1.0 - p) / n) + 2e-4) << c.what << ", cell " << i;
        }
        EXPECT_NEAR(total, 1.0, 1e-6) << c.what;
        // The density is the probability's slope.
        for (double x : {0.8 * g.Size(g.meanL, g.meanK), g.Size(g.meanL, g.meanK)})
            EXPECT_NEAR(joint.Density(x), (joint.Cdf(x + 1e-3) - joint.Cdf(x - 1e-3)) / 2e-3,
                        1e-2 * joint.Density(x) + 1e-6)
                << c.what;
    }
}

TEST(PreciseAgeModes, FishingSurvivalMatchesTheSurvivalOfSimulatedFish) {
    struct Case {
        const char* what;
        GrowthParameters p;
        double t, fishSize, F, w;
    };
    const std::vector<Case> cases = {
        {"sum over k", Joint(15, 1.5, 1.0, 0.25), 2.5, 8.0, 0.7, 0.25},
        {"sum over L-infinity", Joint(15, 0.3, 0.6, 0.2), 1.5, 6.0, 1.0, 0.25},
        {"b > 0", Joint(120, 10, 0.3, 0.1, 0.002), 3.0, 60.0, 0.5, 2.0},
    };
    const int n = 300000;
    for (const auto& c : cases) {
        const AgeClassGrowth g = GrowthAtAge(c.p, c.t);
        const JointSizeDistribution joint(g);
        const SimulatedFish fish(g, n, 5);
        std::vector<double> count(400, 0.0), survivors(400, 0.0), squares(400, 0.0);
        for (int j = 0; j < n; ++j) {
            const int cell = static_cast<int>(std::floor(g.Size(fish.L[j], fish.k[j]) / c.w));
            if (cell < 0 || cell >= 400) continue;
            const double exposure = c.t - g.TimeToReach(c.fishSize, fish.L[j], fish.k[j]);
            const double survival = exposure > 0.0 ? std::exp(-c.F * exposure) : 1.0;
            count[static_cast<std::size_t>(cell)] += 1.0;
            survivors[static_cast<std::size_t>(cell)] += survival;
            squares[static_cast<std::size_t>(cell)] += survival * survival;
        }
        int compared = 0;
        for (int i = 0; i < 400; ++i) {
            const double x = (i + 0.5) * c.w, m = count[static_cast<std::size_t>(i)];
            if (x <= c.fishSize || m < 3000) continue;
            const double factor = joint.SurvivalFactor(x, c.fishSize, c.F);
            const double mean = survivors[static_cast<std::size_t>(i)] / m;
            const double se = std::sqrt(std::max(squares[static_cast<std::size_t>(i)] / m - mean * mean, 0.0) / m);
            EXPECT_LE(factor, 1.0);
            // The factor is taken at the cell's midpoint, the simulated mean over the cell.
            EXPECT_NEAR(factor, mean, 4.0 * se + 0.003) << c.what << " at " << x;
            ++compared;
        }
        EXPECT_GE(compared, 8) << c.what;
        EXPECT_DOUBLE_EQ(joint.SurvivalFactor(c.fishSize + c.w, c.fishSize, 0.0), 1.0);
    }
}

TEST(FrequencyObjective, FishingThinsTheCellsAboveItsSize) {
    SmallSeries one({0, 1, 3, 6, 9, 12, 14, 12, 8, 4, 2, 1, 0, 0, 0}, 1, 'M');
    auto x = Fixed19(12, 1.0, 0.5, 0.1);
    x[12] = 0.0;
    x.insert(x.end(), {-1, 150.0});
    auto fishing = x;
    fishing[15] = 8.0;  // fishing size
    fishing[16] = 0.8;  // F
    FrequencyWorkspace before, after;
    WarningLog log;
    for (bool precise : {false, true}) {
        one.settings.precise = precise;
        one.Evaluate(x, before, log);
        one.Evaluate(fishing, after, log);
        for (int i = 1; i <= 8; ++i) EXPECT_EQ(after.mixture(1, i), before.mixture(1, i)) << i;
        for (int i = 9; i <= 11; ++i) EXPECT_LT(after.mixture(1, i), before.mixture(1, i)) << i;
        EXPECT_GT(after.predicted(1, 5), before.predicted(1, 5));  // renormalised over the cells
    }
}
