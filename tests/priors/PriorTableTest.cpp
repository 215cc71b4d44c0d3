#include <gtest/gtest.h>

#include <cmath>

#include "numeric/NormalProb.h"
#include "priors/PriorTable.h"

using namespace corvane;

namespace {
PriorRow Row(char type, double m, double s, std::string m2 = "Unused", std::string s2 = "Unused") {
    return PriorRow{type, m, s, std::move(m2), std::move(s2)};
}
}  // namespace

TEST(PriorTable, EachTypeIsZeroAtItsMode) {
    EXPECT_DOUBLE_EQ(PriorValue(Row('N', 5, 2), 5.0), 0.0);
    EXPECT_DOUBLE_EQ(PriorValue(Row('N', 5, 2), 9.0), 2.0);
    EXPECT_DOUBLE_EQ(PriorValue(Row('E', 2, 2), 3.0), 1.5);
    EXPECT_DOUBLE_EQ(PriorValue(Row('E', 2, 2), -1.0), 1e20);
    // Gamma mean 4 SD 2: shape 4, scale 1, mode 3.
    EXPECT_NEAR(PriorValue(Row('G', 4, 2), 3.0), 0.0, 1e-12);
    EXPECT_NEAR(PriorValue(Row('G', 4, 2), 5.0), 5.0 - 3.0 * std::log(5.0) - (3.0 - 3.0 * std::log(3.0)), 1e-12);
    EXPECT_GT(PriorValue(Row('L', 3, 1), 1.0), 0.0);
    EXPECT_GT(PriorValue(Row('B', 0.3, 0.1), 0.9), 0.0);
    EXPECT_DOUBLE_EQ(PriorValue(Row('S', 1, 0), 0.5), 0.25 * 1e20);
    EXPECT_DOUBLE_EQ(PriorValue(Row('S', 1, 0), 1.5), 0.0);
    EXPECT_DOUBLE_EQ(PriorValue(Row('D', 1, 0), 1.5), 0.25 * 1e20);
    EXPECT_NEAR(PriorValue(Row('S', 0, 1), 0.0), std::log(2.0), 1e-6);
    EXPECT_DOUBLE_EQ(PriorValue(Row('T', 0, 0, "1", "0"), 0.5), 0.0);
    EXPECT_DOUBLE_EQ(PriorValue(Row('T', 0, 0, "1", "0"), 3.0), 4e20);
    EXPECT_DOUBLE_EQ(PriorValue(Row('X', 0, 0), 3.0), 0.0);
}

TEST(PriorTable, TotalIsScaledByTheReciprocalConstant) {
    PriorTable t;
    t.Reset(3);
    EXPECT_TRUE(t.AllUniformUnbounded());
    t.rows[2] = Row('N', 0, 1);
    t.reciprocalConstant = 2.0;
    Vec1<double> v(3, 0.0);
    v[2] = 3.0;
    EXPECT_DOUBLE_EQ(t.PriorNegLnL(v), 9.0);
    EXPECT_DOUBLE_EQ(t.perParameter[2], 4.5);
    EXPECT_DOUBLE_EQ(t.perParameter[1], 0.0);
    EXPECT_FALSE(t.AllUniformUnbounded());
}

// Values derived by hand from the closed forms of each density.
TEST(PriorTable, ClosedFormValuesAwayFromTheMode) {
    // Gaussian: half a squared z.
    EXPECT_DOUBLE_EQ(PriorValue(Row('N', 5, 2), 7.0), 0.5);
    EXPECT_DOUBLE_EQ(PriorValue(Row('N', 5, 2), 3.0), 0.5);
    // Exponential: x/m beyond 0, the penalty x^2 W at and below it.
    EXPECT_DOUBLE_EQ(PriorValue(Row('E', 2, 2), 0.0), 0.0);
    // Gamma m 2 s 1: shape 4, scale 0.5, mode 1.5; at 2: 1 + 3 ln(3/4).
    EXPECT_NEAR(PriorValue(Row('G', 2, 1), 1.5), 0.0, 1e-12);
    EXPECT_NEAR(PriorValue(Row('G', 2, 1), 2.0), 1.0 + 3.0 * std::log(0.75), 1e-12);
    EXPECT_DOUBLE_EQ(PriorValue(Row('G', 2, 1), 0.0), 1e-12 * 1e20);
    // Ln-normal with m = s = 1: sigma^2 = ln 2, mu = -ln 2 / 2, mode 2^-1.5;
    // at x = 1 the value is 9 ln 2 / 8.
    EXPECT_NEAR(PriorValue(Row('L', 1, 1), std::pow(2.0, -1.5)), 0.0, 1e-12);
    EXPECT_NEAR(PriorValue(Row('L', 1, 1), 1.0), 9.0 * std::log(2.0) / 8.0, 1e-12);
    // Beta mean 0.5 SD 0.1: a = b = 12, mode 0.5; at 0.25: -11 ln(3/4).
    const BetaShape shape = BetaShapeOf(0.5, 0.1);
    EXPECT_NEAR(shape.a, 12.0, 1e-12);
    EXPECT_NEAR(shape.b, 12.0, 1e-12);
    EXPECT_NEAR(PriorValue(Row('B', 0.5, 0.1), 0.5), 0.0, 1e-12);
    EXPECT_NEAR(PriorValue(Row('B', 0.5, 0.1), 0.25), -11.0 * std::log(0.75), 1e-11);
    EXPECT_NEAR(PriorValue(Row('B', 0.5, 0.1), 0.0), 1e8, 1e-3);
    EXPECT_NEAR(PriorValue(Row('B', 0.5, 0.1), 1.0), 1e8, 1.0);
}

TEST(PriorTable, CliffsAndTheUniformBounded) {
    // Hard walls.
    EXPECT_DOUBLE_EQ(PriorValue(Row('S', 1, 0), 0.5), 0.25 * 1e20);
    EXPECT_DOUBLE_EQ(PriorValue(Row('S', 1, 0), 2.0), 0.0);
    EXPECT_DOUBLE_EQ(PriorValue(Row('D', 1, 0), 0.5), 0.0);
    // Smooth sides: -ln Phi at the foot is ln 2; three SDs out, -ln Phi(-3).
    EXPECT_NEAR(PriorValue(Row('S', 1, 2), 1.0), std::log(2.0), 1e-6);
    EXPECT_NEAR(PriorValue(Row('S', 1, 2), -5.0), -std::log(0.5 * std::erfc(3.0 / std::sqrt(2.0))), 1e-5);
    EXPECT_NEAR(PriorValue(Row('D', 1, 2), 7.0), -std::log(0.5 * std::erfc(3.0 / std::sqrt(2.0))), 1e-4);
    EXPECT_LT(PriorValue(Row('S', 0, 1), 10.0), 1e-20);
    // Far out the probability underflows and the quadratic penalty takes over.
    EXPECT_GT(NormalCdf(-37.0), 0.0);
    EXPECT_EQ(NormalCdf(-40.0), 0.0);
    EXPECT_LT(PriorValue(Row('S', 0, 1), -37.0), 1000.0);
    EXPECT_DOUBLE_EQ(PriorValue(Row('S', 0, 1), -40.0), 1600.0 * 1e20);
    EXPECT_DOUBLE_EQ(PriorValue(Row('D', 0, 1), 9.0), 81.0 * 1e20);  // 1 - P rounds to 0 first
    // Uniform-bounded: the right wall replaces the left side's value; a
    // smooth right foot adds its own -ln(1 - P).
    EXPECT_DOUBLE_EQ(PriorValue(Row('T', 0, 0, "1", "0"), -1.0), 1e20);
    EXPECT_NEAR(PriorValue(Row('T', -100, 0, "2", "0.5"), 2.0), std::log(2.0), 1e-6);
    EXPECT_NEAR(PriorValue(Row('T', 0, 1, "10", "1"), 0.0), std::log(2.0), 1e-6);
    // A negative SD (only a file could hold one) has neither side.
    EXPECT_DOUBLE_EQ(PriorValue(Row('S', 0, -1), -5.0), 0.0);
    EXPECT_DOUBLE_EQ(PriorValue(Row('D', 0, -1), 5.0), 0.0);
    EXPECT_DOUBLE_EQ(PriorValue(Row('T', 0, 0, "1", "-1"), 5.0), 0.0);
}

TEST(PriorTable, TotalsPerParameterValuesAndTheConstant) {
    PriorTable t;
    t.Reset(4);
    t.reciprocalConstant = 2.0;  // c = 0.5
    Vec1<double> v(4, 1.0);
    EXPECT_DOUBLE_EQ(t.PriorNegLnL(v), 0.0);
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(t.perParameter[i], 0.0);

    t.rows[1] = Row('N', 0, 1);
    t.rows[3] = Row('E', 2, 2);
    t.rows[4] = Row('Q', 0, 0);  // an unknown code contributes nothing
    v[1] = 2.0;
    v[3] = 3.0;
    EXPECT_DOUBLE_EQ(t.PriorNegLnL(v), 2.0 * (2.0 + 1.5));
    EXPECT_DOUBLE_EQ(t.perParameter[1], 2.0);
    EXPECT_DOUBLE_EQ(t.perParameter[3], 1.5);
    EXPECT_DOUBLE_EQ(t.perParameter[4], 0.0);
    // Doubling c halves the total; the per-parameter values stay, in the
    // same storage (nothing is allocated per call).
    const double* storage = t.perParameter.data();
    t.reciprocalConstant = 1.0;
    EXPECT_DOUBLE_EQ(t.PriorNegLnL(v), 3.5);
    EXPECT_EQ(t.perParameter.data(), storage);
    EXPECT_DOUBLE_EQ(t.total, 3.5);
    EXPECT_DOUBLE_EQ(t.perParameter[1], 2.0);

    // Resetting the rows keeps the size and the file name; Reset forgets it.
    t.fileName = "/tmp/a.pri";
    t.ResetRows();
    EXPECT_TRUE(t.AllUniformUnbounded());
    EXPECT_EQ(t.Size(), 4);
    EXPECT_EQ(t.fileName, "/tmp/a.pri");
    EXPECT_TRUE(IsUnset(t.rows[1].firstMean));
    EXPECT_EQ(t.rows[1].secondSD, "Unused");
    t.Reset(2);
    EXPECT_EQ(t.fileName, "");
    EXPECT_EQ(t.Size(), 2);
}

TEST(PriorTable, RowsThatCannotBeEvaluatedSoundlyAreNamed) {
    EXPECT_FALSE(PriorRowProblem(Row('U', kUnsetPriorValue, kUnsetPriorValue)));
    EXPECT_FALSE(PriorRowProblem(Row('N', 1, 0.5)));
    EXPECT_TRUE(PriorRowProblem(Row('N', 1, 0)));
    EXPECT_TRUE(PriorRowProblem(Row('E', 0, 0)));
    EXPECT_TRUE(PriorRowProblem(Row('G', 2, 0)));
    EXPECT_TRUE(PriorRowProblem(Row('G', 2, 3)));  // no mode inside the support
    EXPECT_FALSE(PriorRowProblem(Row('G', 2, 1)));
    EXPECT_TRUE(PriorRowProblem(Row('L', 2, 0)));
    EXPECT_TRUE(PriorRowProblem(Row('L', -2, 1)));
    // Extremes whose shape, scale or spread cannot be computed.
    EXPECT_TRUE(PriorRowProblem(Row('L', 1e100, 1e-100)));
    EXPECT_TRUE(PriorRowProblem(Row('G', 4e200, 2)));
    EXPECT_TRUE(PriorRowProblem(Row('L', 3e-100, 1)));  // a mode below the smallest double
    EXPECT_TRUE(PriorRowProblem(Row('B', 0.5, 1e-200)));
    // A tiny SD beside a large mean once gave NaN (a difference of two large logarithms).
    EXPECT_FALSE(PriorRowProblem(Row('L', 3e10, 1)));
    EXPECT_TRUE(std::isfinite(PriorValue(Row('L', 3e10, 1), 3e10)));
    EXPECT_TRUE(PriorRowProblem(Row('B', 0.5, 0)));
    EXPECT_TRUE(PriorRowProblem(Row('B', 0.5, 0.6)));
    EXPECT_FALSE(PriorRowProblem(Row('B', 0.5, 0.1)));
    EXPECT_TRUE(PriorRowProblem(Row('S', 0, -1)));
    EXPECT_FALSE(PriorRowProblem(Row('D', 0, 0)));
    EXPECT_TRUE(PriorRowProblem(Row('T', 0, 1, "5", "-1")));
    EXPECT_TRUE(PriorRowProblem(Row('T', 0, 1, "0", "1")));
    EXPECT_TRUE(PriorRowProblem(Row('T', 0, 1, "Unused", "Unused")));
    EXPECT_FALSE(PriorRowProblem(Row('T', 0, 1, "5", "1")));
    for (char code : std::string("UTNEGBSDL")) EXPECT_FALSE(PriorTypeName(code).empty()) << code;
    EXPECT_EQ(PriorTypeName('X'), "");
}
