// The increment likelihood: pinned objective values, the recipe's pieces
// against closed forms, and the guards that keep the objective finite.
#include <gtest/gtest.h>

#include <cmath>

#include "GrowthTestSupport.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

const double kPi = 4.0 * std::atan(1.0);

std::vector<double> With(std::vector<double> x, std::initializer_list<std::pair<int, double>> changes) {
    for (const auto& [i, v] : changes) x[static_cast<std::size_t>(i - 1)] = v;
    return x;
}

GrowthParameters Prepared(const std::vector<double>& values, char errors = 'N') {
    GrowthSettings s;
    s.errors = errors;
    Vec1<double> x = ToVec1(values);
    return PrepareParameters(x, s);
}

struct Pinned {
    const char* file;
    char errors;
    std::vector<double> x;
    double objective;  // derived independently from the recipe
};

}  // namespace

TEST(IncrementObjective, PinnedValuesOnTheSharedData) {
    const auto rig = Fixed19(150, 20, 0.3, 0.1);
    const auto bonito = With(Fixed19(70, 8, 0.6, 0.15), {{13, -0.5}});
    const auto selective = With(bonito, {{18, 30}, {19, 5}});
    const std::vector<Pinned> cases = {
        {"rig_increments.dat", 'N', rig, 631.52374345130204},
        {"rig_increments.dat", 'G', rig, 801.9309813643215},
        {"rig_increments.dat", 'N', With(rig, {{9, 3}}), 880.02063289947716},           // measurement error
        {"rig_increments.dat", 'G', With(rig, {{9, 3}}), 919.04877351692585},           // gamma with measurement error
        {"rig_increments.dat", 'N', With(rig, {{5, 0.2}, {6, 100}, {7, 5}, {8, 200}}), 676.36886154444517},
        {"rig_increments.dat", 'G', With(rig, {{5, 0.05}, {6, 50}, {7, 2}, {8, 300}}), 831.84522877328777},
        {"rig_increments.dat", 'G', With(rig, {{5, 0.05}, {6, 50}, {7, 2}, {8, 300}, {9, 2.5}}), 970.93714264347864},
        {"rig_increments.dat", 'G', With(rig, {{12, 0.001}}), 1050.6660387988736},     // b > 0 grid
        {"rig_increments.dat", 'N', With(rig, {{12, 0.001}, {9, 2}}), 1157.2661283566542},  // gamma forced
        // Record 150 lies 2.92 SD above the mean of L-infinity: its moments
        // are now mostly the exact truncated-Gaussian ones, which moves the
        // objective by +1.252889576e-5 (tests/data/far_tail_record.py).
        {"donacina_increments.dat", 'N', With(Fixed19(90, 6, 0.5, 0.1), {{9, 1.5}}), 713.03276000935762 + 1.252889576087e-05},
        {"bonito_increments.dat", 'G', Fixed19(80, 10, 0.4, 0.1), 421.39967243558647},  // skips y <= 0
        {"bonito_size_at_age.dat", 'N', bonito, 1701.5482142617998},                    // t0 estimated
        {"bonito_size_at_age.dat", 'N', selective, 1615.5358379156601},                 // selectivity, Gaussian
        {"bonito_size_at_age.dat", 'G', selective, 1609.1433270975338},                 // selectivity, gamma
        {"bonito_size_at_age.dat", 'N', With(selective, {{9, 4}}), 1617.0930205503112},  // selectivity with measurement error
        {"bonito_size_at_age.dat", 'G', With(selective, {{9, 4}, {12, 0.002}}), 1696.8507222225651},  // selectivity, gamma, b > 0
    };
    for (const auto& c : cases) {
        GrowthBench b;
        ASSERT_TRUE(b.InitialiseIncrements(DataPath(c.file), c.errors));
        EXPECT_NEAR(b.Evaluate(c.x), c.objective, 1e-10 * c.objective) << c.file << " " << c.errors;
    }
}

TEST(IncrementObjective, ElapsedTimeAndSeasonalTerms) {
    const IncrementRecord r{1, 50, 5, 100, 465};
    auto p = Prepared(Fixed19(100, 10, 0.3, 0.1));
    RecordGrowth g = GrowthOfRecord(p, r);
    EXPECT_DOUBLE_EQ(g.t, 1.0);
    EXPECT_EQ(g.S1, 1.0);
    // Gamma-distributed k: G1 is the mean of exp(-k t).
    EXPECT_DOUBLE_EQ(g.G1, std::pow(1.0 + 0.01 / 0.3, -0.09 / 0.01));
    p.t0 = 0.0;
    EXPECT_DOUBLE_EQ(GrowthOfRecord(p, r).t, 365.0);
    p.t0 = kNotUsed;
    p.ampK = 0.5;
    p.dayK = 100;  // sin(0) at the start, sin(2 pi 365/365) = 0 at the end
    EXPECT_NEAR(GrowthOfRecord(p, r).ck, 0.0, 1e-12);
    p.v = kSmallestVarianceK;  // the b > 0 floor switches to the exact exponential
    EXPECT_DOUBLE_EQ(GrowthOfRecord(p, r).G1, std::exp(-0.3));
}

TEST(IncrementObjective, MomentsOfLInfinityGivenTheInitialSize) {
    auto p = Prepared(Fixed19(100, 10, 0.3, 0.1));
    // Far below the mean: unconditional.
    RecordGrowth g = GrowthOfRecord(p, {1, 40, 5, 0, 365});
    EXPECT_EQ(g.P0, 0.0);
    EXPECT_EQ(g.M1, 100.0);
    EXPECT_EQ(g.M2, 100.0 * 100.0 + 100.0);
    // At the mean: the half-normal mean mu + sigma sqrt(2/pi).
    g = GrowthOfRecord(p, {1, 100, 5, 0, 365});
    EXPECT_NEAR(g.M1, 100.0 + 10.0 * std::sqrt(2.0 / kPi), 1e-4);
    EXPECT_NEAR(g.M2 - g.M1 * g.M1, 100.0 * (1.0 - 2.0 / kPi), 1e-3);
    // Far above: M1 = L1, so no growth is expected.
    const IncrementRecord big{1, 200, 5, 0, 365};
    g = GrowthOfRecord(p, big);
    EXPECT_EQ(g.M1, 200.0);
    double Ec = 1, Vc = 1;
    AnalyticMoments(p, big, g, Ec, Vc);
    EXPECT_EQ(Ec, 0.0);
    EXPECT_EQ(Vc, 0.0);
}

// Far above the mean of L-infinity the moments given L-infinity > L1 are
// those of the truncated Gaussian.  The reference integrates the density
// numerically about L1 (fine Simpson panels over 30 SD), independently of the
// closed form the model uses; the variance is the part that cancellation
// spoilt (+13% at 3 SD, several-fold at 4.5 SD).
TEST(IncrementObjective, FarTailMomentsAreThoseOfTheTruncatedGaussian) {
    const double mu = 60.0, sd = 5.0;
    auto p = Prepared(Fixed19(mu, sd, 0.3, 0.1));
    struct Case {
        double z;             // SDs of L1 above the mean
        double meanTolerance;  // relative
        double varianceTolerance;
    };
    // From 3 SD on the exact form is used alone; between 2.5 and 3 it is
    // blended with the polynomial's (the error shrinks to 0 at 3).
    const Case cases[] = {{3.0, 1e-11, 1e-9}, {3.5, 1e-11, 1e-9}, {4.0, 1e-11, 1e-9},
                          {4.5, 1e-11, 1e-9}, {2.75, 1e-4, 0.1}};
    for (const Case& c : cases) {
        const double L1 = mu + c.z * sd;
        const int panels = 200000;
        const double h = 30.0 * sd / panels;
        double m0 = 0.0, m1 = 0.0, m2 = 0.0;
        for (int k = 0; k <= 2 * panels; ++k) {
            const double u = k * h / 2.0;  // distance above L1
            const double w = k == 0 || k == 2 * panels ? 1.0 : k % 2 == 1 ? 4.0 : 2.0;
            const double f = w * std::exp(-0.5 * std::pow((L1 + u - mu) / sd, 2));
            m0 += f;
            m1 += f * u;
            m2 += f * u * u;
        }
        const double mean = L1 + m1 / m0, variance = m2 / m0 - (m1 / m0) * (m1 / m0);
        const RecordGrowth g = GrowthOfRecord(p, {1, L1, 1, 0, 365});
        EXPECT_NEAR(g.M1, mean, c.meanTolerance * mean) << c.z << " SD";
        EXPECT_NEAR(g.M2 - g.M1 * g.M1, variance, c.varianceTolerance * variance) << c.z << " SD";
        // The tail probability that conditions them: erfc(z / sqrt 2) / 2.
        if (c.z >= kExactTailFull) {
            EXPECT_NEAR(g.tailMass, 0.5 * std::erfc(c.z / std::sqrt(2.0)), 1e-12 * g.tailMass);
        }
    }
}

TEST(IncrementObjective, IntegrationRulesAgainstClosedForms) {
    // Far from the truncation the convolution is N(E, V + Vm).
    const double E = 10, V = 4, Vm = 1, y = 11.5;
    const double closed = (y - E) * (y - E) / (2 * (V + Vm)) + 0.5 * std::log(2 * kPi * (V + Vm));
    EXPECT_NEAR(TruncatedGaussianWithError(0.0, y, E, V, Vm), closed, 1e-6);
    EXPECT_NEAR(TruncatedGaussianWithError(0.0, y, -20, V, Vm), (0.01 * (18 - 20)) * (0.01 * (18 - 20)) * 1e20, 1e8);
    // The gamma density convolved with the measurement error, against a
    // fine midpoint sum over the same range.
    const double a = 25.0, c = 0.4;  // mean 10, variance 4
    const double upper = 9.0 * 2.0 + 10.0;
    double fine = 0.0;
    const int n = 200000;
    const double h = (upper - 0.0001) / n;
    for (int i = 0; i < n; ++i) {
        const double x = 0.0001 + (i + 0.5) * h;
        fine += h * std::exp(-(y - x) * (y - x) / (2 * Vm)) / std::sqrt(2 * kPi * Vm) *
                std::exp((a - 1) * std::log(x) - x / c - a * std::log(c) - std::lgamma(a));
    }
    EXPECT_NEAR(GammaWithError(y, a * c, a * c * c, Vm), -std::log(fine), 1e-5);
}

TEST(IncrementObjective, GridAgreesWithTheClosedFormAsBVanishes) {
    auto p = Prepared(Fixed19(100, 10, 0.3, 0.1));
    const IncrementRecord r{1, 60, 5, 0, 400};
    const RecordGrowth g = GrowthOfRecord(p, r);
    double Ea, Va, Eg, Vg;
    AnalyticMoments(p, r, g, Ea, Va);
    p.b = 1e-9;
    const double sum = GridMoments(p, r, g, Eg, Vg);
    EXPECT_NEAR(sum, 1.0, 2e-3);
    EXPECT_NEAR(Eg, Ea, 1e-3 * Ea);
    EXPECT_NEAR(Vg, Va, 2e-2 * Va);
}

TEST(IncrementObjective, SkippedRecordsEqualRecordsUnderBAndWarningLimits) {
    ScratchDir dir;
    std::string text = "label\r\n";
    text += "     1,50.000, 0.000, 0.000,365.00\r\n";   // y = 0
    text += "     1,60.000, 4.000, 0.000,365.00\r\n";
    text += "     1,60.000, 6.000,100.00,465.00\r\n";   // same L1 and t
    const std::string path = dir.Write("inc.dat", text);
    GrowthBench b;
    ASSERT_TRUE(b.InitialiseIncrements(path));
    auto x = Fixed19(100, 10, 0.3, 0.1);
    b.Evaluate(x);
    const auto& ws = b.model.Workspace().increments;
    EXPECT_EQ(ws.fate[1], RecordFate::Skipped);
    EXPECT_EQ(ws.negLnL[1], 0.0);
    EXPECT_EQ(b.model.SummaryText(),
              "Warning regarding data input: increment #1 <= 0 and measurement error is zero; record ignored\r\n");
    // With measurement error the record is fitted.
    b.Evaluate(With(x, {{9, 2}}));
    EXPECT_EQ(ws.fate[1], RecordFate::Fitted);
    EXPECT_TRUE(b.model.SummaryText().empty());

    // b > 0: equal initial size and elapsed time over whole years give the
    // same moments (the cycles cancel).
    b.Evaluate(With(x, {{12, 0.001}, {7, 3}, {8, 10}}));
    EXPECT_EQ(ws.expected[3], ws.expected[2]);
    EXPECT_EQ(ws.variance[3], ws.variance[2]);
    EXPECT_NE(ws.expected[2], ws.expected[1]);

    // A run keeps its first 100 warnings and counts the rest.
    std::string many = "label\r\n";
    for (int i = 0; i < 130; ++i) many += "     1,50.000,-1.000, 0.000,365.00\r\n";
    ASSERT_TRUE(b.InitialiseIncrements(dir.Write("many.dat", many)));
    b.Evaluate(x, 1);
    b.Evaluate(x, 2);
    const std::string summary = b.model.SummaryText();
    EXPECT_NE(summary.find("increment #100 <="), std::string::npos);
    EXPECT_EQ(summary.find("increment #101 <="), std::string::npos);
    EXPECT_NE(summary.find("Warning: 160 more warnings of this run were suppressed"), std::string::npos);
    b.Evaluate(x, 1);  // a new run starts afresh
    EXPECT_NE(b.model.SummaryText().find("Warning: 30 more"), std::string::npos);
}

TEST(IncrementObjective, GridMomentsAreReusedOnlyWhereTheyCannotDiffer) {
    // Two records with the same initial size and time at liberty, placed at
    // different days of a k cycle: under b > 0 each needs its own grid, so
    // the objective is the same in either order and evaluated apart.
    ScratchDir dir;
    const std::string first = "     1,60.000, 5.000, 0.000,180.00\r\n";
    const std::string second = "     1,60.000, 5.000,100.00,280.00\r\n";
    const auto x = With(Fixed19(100, 10, 0.3, 0.1), {{5, 0.4}, {6, 50}, {12, 0.001}});
    auto objective = [&](const std::string& records, const std::vector<double>& values) {
        GrowthBench b;
        EXPECT_TRUE(b.InitialiseIncrements(dir.Write("two.dat", "label\r\n" + records), 'G'));
        return b.Evaluate(values);
    };
    const double forward = objective(first + second, x);
    const double backward = objective(second + first, x);
    const double apart = objective(first, x) + objective(second, x);
    EXPECT_NEAR(forward, apart, 1e-9 * std::fabs(apart));
    EXPECT_NEAR(backward, apart, 1e-9 * std::fabs(apart));
    // Without cycles the second record may take the first one's moments.
    const auto flat = With(x, {{5, 0}});
    EXPECT_DOUBLE_EQ(objective(first + second, flat), 2.0 * objective(first, flat));
}

TEST(IncrementObjective, WeightSumWarningText) {
    ScratchDir dir;
    // A wide gamma distribution of k puts mass below the grid's first point,
    // so the weights do not add to 1.
    const std::string path = dir.Write("one.dat", "label\r\n     1,100.00, 4.000, 0.000,365.00\r\n");
    GrowthBench b;
    ASSERT_TRUE(b.InitialiseIncrements(path, 'G'));
    b.Evaluate(With(Fixed19(100, 10, 0.3, 0.25), {{12, 0.001}}));
    const std::string s = b.model.SummaryText();
    ASSERT_EQ(s.rfind("Warning: Cumulative probability outside the range 0.999 to 1.001 @ 1.008", 0), 0u) << s;
    EXPECT_NE(s.find(" for increment record 1\r\nThe most likely reason for this is a poor choice for one or more "
                     "parameter values.\r\n"),
              std::string::npos);
}

TEST(IncrementObjective, DegenerateRecordsKeepTheObjectiveFinite) {
    ScratchDir dir;
    std::string text = "label\r\n";
    text += "     1,200.00, 3.000, 0.000,365.00\r\n";  // beyond L-infinity: E_c = V_c = 0
    text += "     1,50.000, 3.000,365.00,365.00\r\n";  // no time at liberty
    text += "     1,50.000, 3.000,900.00, 0.000\r\n";  // negative time: growth factors diverge
    text += "     1, 0.000, 0.000, 0.000, 0.000\r\n";  // size 0, no growth, measurement error
    const std::string path = dir.Write("odd.dat", text);
    for (char errors : {'N', 'G'}) {
        for (double se : {0.0, 2.0}) {
            for (double b : {0.0, 0.002}) {
                GrowthBench g;
                ASSERT_TRUE(g.InitialiseIncrements(path, errors));
                const double f = g.Evaluate(With(Fixed19(100, 10, 0.3, 1.0), {{9, se}, {12, b}}));
                EXPECT_TRUE(std::isfinite(f)) << errors << " " << se << " " << b;
            }
        }
    }
    // With gamma errors, a record without expected growth is penalised,
    // not divided by zero.
    GrowthBench g;
    ASSERT_TRUE(g.InitialiseIncrements(path, 'G'));
    g.Evaluate(Fixed19(100, 10, 0.3, 1.0));
    EXPECT_EQ(g.model.Workspace().increments.fate[1], RecordFate::Penalised);
    EXPECT_DOUBLE_EQ(g.model.Workspace().increments.negLnL[1], 4e-12 * 1e20);
    // A selectivity curve far up the size axis is passed over at once.
    EXPECT_TRUE(std::isfinite(g.Evaluate(With(Fixed19(100, 10, 0.3, 1.0), {{13, 0}, {18, 1e9}, {19, 1e-6}}))));
    // Gaussian errors and a true increment almost surely negative: no ln(0).
    GrowthBench n;
    ASSERT_TRUE(n.InitialiseIncrements(path, 'N'));
    EXPECT_TRUE(std::isfinite(n.Evaluate(Fixed19(100, 0.001, 0.3, 0.001))));
}
