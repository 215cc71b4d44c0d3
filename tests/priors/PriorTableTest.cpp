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
    // Below the 1e-6 floor: the value at the floor, 2e-6 + 3 ln(1e6) - 3 + 3 ln 1.5, plus the penalty.
    EXPECT_NEAR(PriorValue(Row('G', 2, 1), 0.0), 1e-12 * 1e20 + (2e-6 + 3.0 * std::log(1e6) - 3.0 + 3.0 * std::log(1.5)),
                1e-6);
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
    // Beyond either end: the value there, -11 ln(1e-6 (1 - 1e-6)) + 11 ln(1/4), plus the penalty.
    const double end = -11.0 * std::log(1e-6 * (1.0 - 1e-6)) + 11.0 * std::log(0.25);
    EXPECT_NEAR(PriorValue(Row('B', 0.5, 0.1), 0.0), 1e8 + end, 1e-3);
    EXPECT_NEAR(PriorValue(Row('B', 0.5, 0.1), 1.0), 1e8 + end, 1.0);
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
    // The right side mirrors the left: its upper tail does not round to 0 at 9 SD.
    EXPECT_NEAR(PriorValue(Row('D', 0, 1), 9.0), -std::log(0.5 * std::erfc(9.0 / std::sqrt(2.0))), 1e-6);
    EXPECT_DOUBLE_EQ(PriorValue(Row('D', 0, 1), 40.0), 1600.0 * 1e20);
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

// The right-side cliffs against -ln of the upper tail, erfc(z / sqrt 2) / 2
// from the standard library: smooth, with the approximation's 1.2e-7
// relative accuracy, out to 35 SD and beyond (the left side's range).
TEST(PriorTable, RightSideTailsFollowErfcFarOut) {
    struct Case {
        PriorRow row;
        double x;
        double z;  // SDs beyond the right foot
    };
    const Case cases[] = {
        {Row('D', 0, 1), 0.5, 0.5},        {Row('D', 0, 1), 3.0, 3.0},   {Row('D', 2, 0.5), 6.15, 8.3},
        {Row('D', 0, 1), 10.0, 10.0},      {Row('D', 0, 1), 20.0, 20.0}, {Row('D', -5, 2), 65.0, 35.0},
        {Row('D', 0, 1), 37.0, 37.0},      {Row('T', -100, 0, "0", "1"), 8.3, 8.3},
        {Row('T', -100, 0, "1", "0.1"), 4.5, 35.0},
    };
    for (const Case& c : cases) {
        const double expected = -std::log(0.5 * std::erfc(c.z / std::sqrt(2.0)));
        EXPECT_NEAR(PriorValue(c.row, c.x), expected, 2e-7 * expected) << c.row.type << " at " << c.z << " SD";
    }
}

// Just below the 1e-6 floor (and above the beta's 0.999999 ceiling) a value
// is never below the value at the floor: it is that value plus the penalty.
TEST(PriorTable, JustBelowTheFloorIsNeverMoreLikelyThanTheFloor) {
    struct Case {
        PriorRow row;
        double edge;     // the floor or ceiling
        double atEdge;   // the density's own value there, by hand
        double outside;  // a value just beyond it
    };
    // Gamma m 4 s 1: shape 16, scale 1/4, mode 15/4;
    // at 1e-6: 4e-6 - 15 ln 1e-6 - (15 - 15 ln 3.75).
    const double gamma = 4e-6 - 15.0 * std::log(1e-6) - (15.0 - 15.0 * std::log(3.75));
    // Ln-normal m = s = 1: sigma^2 = ln 2, mu = -ln 2 / 2, mode 2^-1.5;
    // v(x) = ln x + (ln x - mu)^2 / (2 sigma^2) - [ln M + (ln M - mu)^2 / (2 sigma^2)].
    const double s2 = std::log(2.0), mu = -0.5 * std::log(2.0), lnM = -1.5 * std::log(2.0);
    const double lnX = std::log(1e-6);
    const double lnNormal = lnX + (lnX - mu) * (lnX - mu) / (2.0 * s2) - (lnM + (lnM - mu) * (lnM - mu) / (2.0 * s2));
    // Beta mean 0.5 SD 0.1 (a = b = 12, mode 1/2): -11 ln(x (1 - x)) + 11 ln(1/4) at either end.
    const double beta = -11.0 * std::log(1e-6 * (1.0 - 1e-6)) + 11.0 * std::log(0.25);
    const Case cases[] = {
        {Row('G', 4, 1), 1e-6, gamma, 1e-6 - 1e-12},     {Row('G', 4, 1), 1e-6, gamma, 0.5e-6},
        {Row('L', 1, 1), 1e-6, lnNormal, 1e-6 - 1e-12},  {Row('L', 1, 1), 1e-6, lnNormal, 0.0},
        {Row('B', 0.5, 0.1), 1e-6, beta, 1e-6 - 1e-12},  {Row('B', 0.5, 0.1), 0.999999, beta, 0.999999 + 1e-12},
    };
    for (const Case& c : cases) {
        const double atEdge = PriorValue(c.row, c.edge);
        EXPECT_NEAR(atEdge, c.atEdge, 1e-9 * c.atEdge) << c.row.type;
        const double penalty = (c.outside - c.edge) * (c.outside - c.edge) * 1e20;
        EXPECT_GE(PriorValue(c.row, c.outside), atEdge) << c.row.type << " at " << c.outside;
        EXPECT_NEAR(PriorValue(c.row, c.outside), c.atEdge + penalty, 1e-9 * (c.atEdge + penalty)) << c.row.type;
    }
}
