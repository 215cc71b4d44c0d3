#include <gtest/gtest.h>

#include <cmath>

#include "evaluation/DistributionColumns.h"
#include "numeric/Format.h"

using namespace corvane;

namespace {

// Points x_i = centre + (i - (m + 1) / 2) w with -ln[L] from f(x).
template <class F>
ProfileColumns Profile(int m, double centre, double w, F f) {
    ProfileColumns c;
    c.Size(m);
    for (int i = 1; i <= m; ++i) {
        c.x[i] = centre + (i - (m + 1) / 2) * w;
        c.negLnL[i] = f(c.x[i]);
    }
    return c;
}

int ModeOf(ProfileColumns& c) {
    int r = 1;
    for (int i = 2; i <= c.m; ++i)
        if (c.negLnL[i] < c.negLnL[r]) r = i;
    c.xML = c.x[r];
    return r;
}

}  // namespace

TEST(DistributionColumns, SymmetricGaussianProfileGivesItsMomentsAndMatchingNormal) {
    // -ln[L] of N(10, 2) over +-5 SD, offset by 7 (only the relative column matters).
    auto c = Profile(101, 10.0, 0.2, [](double x) { return 0.5 * ((x - 10.0) / 2.0) * ((x - 10.0) / 2.0) + 7.0; });
    const int r = ModeOf(c);
    ASSERT_EQ(r, 51);
    double mean = 0, diff = 0, sd = 0;
    DistributionColumns(c, mean, diff, sd, r, 0.2);
    EXPECT_NEAR(mean, 10.0, 1e-12);
    EXPECT_NEAR(diff, 0.0, 1e-12);
    // A normal truncated at +-5 SD has an SD 0.99997 of the untruncated one.
    EXPECT_NEAR(sd, 2.0 * 0.99997, 2e-4);
    EXPECT_EQ(c.negLnL[51], 0.0);
    EXPECT_NEAR(c.negLnL[1], 12.5, 1e-12);
    for (int i = 1; i <= c.m; ++i) EXPECT_NEAR(c.normal[i], c.pdf[i], 1e-4) << i;
    EXPECT_NEAR(c.pdf[51], 1.0 / (2.0 * std::sqrt(2.0 * M_PI)), 1e-5);
    EXPECT_NEAR(c.cumulative[51], 0.5, 2e-3);
    EXPECT_NEAR(c.cumulative[101], 1.0, 1e-6);
    EXPECT_EQ(c.ciMode[51], 0.0);
    EXPECT_NEAR(c.ciMode[1], 1.0, 1e-6);
    EXPECT_NEAR(c.ciMode[101], 1.0, 1e-6);
    EXPECT_EQ(c.ciMean[51], 0.0);  // the mean is at the mode
}

TEST(DistributionColumns, ModeAndMeanAtTheFirstPointLeaveTheirRegionColumnsEmpty) {
    // -ln[L] rising steeply from the first point: mode and mean both at point 1.
    auto c = Profile(7, 3.0, 1.0, [](double x) { return 50.0 * x; });
    const int r = ModeOf(c);
    ASSERT_EQ(r, 1);
    double mean = 0, diff = 0, sd = 0;
    DistributionColumns(c, mean, diff, sd, r, 1.0);
    EXPECT_LT(std::fabs(mean - c.x[1]), 0.5);
    for (int i = 0; i <= c.m; ++i) {
        EXPECT_EQ(c.ciMode[i], 0.0);
        EXPECT_EQ(c.ciMean[i], 0.0);
    }
}

TEST(DistributionColumns, EvenCountLastPointGetsDensityAndCumulativeButNoWeight) {
    // x = -1, 0, 1, 2 with the mass towards the last point.
    auto c = Profile(4, 0.0, 1.0, [](double x) { return (x - 2.0) * (x - 2.0); });
    const int r = ModeOf(c);
    ASSERT_EQ(r, 4);
    double mean = 0, diff = 0, sd = 0;
    DistributionColumns(c, mean, diff, sd, r, 1.0);
    const double p1 = std::exp(-9.0), p2 = std::exp(-4.0), p3 = std::exp(-1.0), p4 = 1.0;
    const double a = (2.0 / 6.0) * (p1 + 4 * p2 + p3);  // point 4 lies outside the only panel
    EXPECT_NEAR(c.pdf[4], p4 / a, 1e-14);
    EXPECT_NEAR(mean, (2.0 / 6.0) * (-p1 + p3) / a, 1e-14);
    EXPECT_NEAR(c.cumulative[2], (p1 + p2) / a, 1e-14);
    // The rectangle-started chain reaches the last point (and is cut at 1).
    EXPECT_EQ(c.cumulative[4], 1.0);
    EXPECT_NEAR(c.cumulative[3], std::min(1.0, p1 / a + (2.0 / 6.0) * (p1 + 4 * p2 + p3) / a), 1e-14);
}

TEST(DistributionColumns, UnderflowingTailsStillIntegrateAroundAnInteriorMode) {
    auto c = Profile(5, 0.0, 0.5, [](double x) { return 1e6 * (x + 0.5) * (x + 0.5); });  // mode at point 2
    const int r = ModeOf(c);
    ASSERT_EQ(r, 2);
    double mean = -99, diff = 0, sd = -99;
    DistributionColumns(c, mean, diff, sd, r, 0.5);
    EXPECT_DOUBLE_EQ(c.pdf[2], 1.0 / ((1.0 / 6.0) * 4.0));
    EXPECT_DOUBLE_EQ(mean, -0.5);
    EXPECT_EQ(sd, 0.0);
    EXPECT_DOUBLE_EQ(diff, 0.0);
}

TEST(DistributionColumns, FewerThanThreePointsKeepTheCallersMoments) {
    auto c = Profile(2, 0.0, 1.0, [](double) { return 0.0; });  // no Simpson panel fits
    c.xML = c.x[1];
    double mean = 4.0, diff = 0, sd = 3.0;
    DistributionColumns(c, mean, diff, sd, 1, 1.0);
    EXPECT_EQ(mean, 4.0);
    EXPECT_EQ(sd, 3.0);
    EXPECT_EQ(c.pdf[1], 0.0);
    EXPECT_EQ(diff, c.x[1] - 4.0);
}

TEST(DistributionColumns, CumulativeIsClampedAtOne) {
    auto c = Profile(5, 2.0, 1.0, [](double x) { return x == 1.0 ? 0.0 : 10.0; });  // spike at point 2
    const int r = ModeOf(c);
    double mean = 0, diff = 0, sd = 0;
    DistributionColumns(c, mean, diff, sd, r, 1.0);
    double largest = 0;
    for (int i = 1; i <= c.m; ++i) {
        EXPECT_LE(c.cumulative[i], 1.0);
        EXPECT_GE(1.0 - c.cumulative[i], 0.0);
        largest = std::max(largest, c.cumulative[i]);
    }
    EXPECT_EQ(largest, 1.0);  // the even chain overshoots and is cut
}

TEST(DistributionColumns, CumulativeNeverDecreasesNorExceedsOne) {
    // Where the probability sits decides whether the rectangle-started chain
    // runs ahead of the Simpson chain.  mu and sd give the normal CDF the
    // column must follow (to the rule's accuracy); sd 0: no closed form.
    struct Case {
        const char* name;
        int m;
        double w;
        double mu, sd;
        double (*negLnL)(double);
    };
    const Case cases[] = {
        // -ln[L] 6 x: all the mass at point 1, C_2 = w PDF_1 > C_3 = w PDF_1 / 3.
        {"peak at the first point", 7, 1.0, 0.0, 0.0, [](double x) { return 6.0 * (x + 3.0); }},
        {"peak at the last point", 8, 1.0, 0.0, 0.0, [](double x) { return 6.0 * (4.0 - x); }},
        {"narrow spike inside", 9, 1.0, 0.0, 0.0, [](double x) { return x == 0.0 ? 0.0 : 30.0; }},
        {"N(0, 1) on a coarse grid", 9, 1.0, 0.0, 1.0, [](double x) { return 0.5 * x * x; }},
        {"N(0.4, 0.5) off centre", 41, 0.1, 0.4, 0.5, [](double x) { return 2.0 * (x - 0.4) * (x - 0.4); }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        auto c = Profile(k.m, 0.0, k.w, k.negLnL);
        const int r = ModeOf(c);
        double mean = 0, diff = 0, sd = 0;
        DistributionColumns(c, mean, diff, sd, r, k.w);
        for (int i = 1; i <= c.m; ++i) {
            EXPECT_GE(c.cumulative[i], c.cumulative[i - 1]) << "point " << i;
            EXPECT_LE(c.cumulative[i], 1.0) << "point " << i;
            // Simpson's area up to x_i, started half a step short of x_1:
            // the closed form is the CDF at x_i less the rule's error.
            if (k.sd > 0.0 && i >= 3) {
                EXPECT_NEAR(c.cumulative[i], 0.5 * std::erfc(-(c.x[i] - k.mu) / (k.sd * std::sqrt(2.0))),
                            k.w > 0.5 ? 0.03 : 2e-3)
                    << "point " << i;
            }
        }
    }
}

TEST(DistributionColumns, GridsTooCoarseOrTooNarrowAreToldWithTheStepToUse) {
    // -ln[L] of N(0, 2): 5 points within one SD need w <= SD / 2; the density
    // at distance d is exp(-d^2 / 8) of the peak, so an end 2 SD out carries
    // 13.5% and one 5 SD out 4e-6.  The end's -ln[L] 2 at d = 4 gives back
    // SD 2, so the wider step is 8 x 2 / (m - 1).
    struct Case {
        const char* name;
        int m;
        double w;
        bool coarse;
        double finer;  // expected finer step, 0: none
        bool cut;
        double wider;  // expected wider step, 0: none
    };
    // The finer step comes from the rise of -ln[L] next to the mode, w^2 / 8
    // here, which gives back SD 2 whatever the grid: 2 / 4.
    const Case cases[] = {
        {"one SD per step", 21, 2.0, true, 0.5, false, 0.0},
        {"coarse and cut at 2 SD", 9, 1.0, true, 0.5, true, 2.0},
        {"fine but cut at 2 SD", 33, 0.25, false, 0.0, true, 0.5},
        {"fine and wide", 81, 0.25, false, 0.0, false, 0.0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        auto c = Profile(k.m, 0.0, k.w, [](double x) { return x * x / 8.0; });
        const int r = ModeOf(c);
        double mean = 0, diff = 0, sd = 0;
        DistributionColumns(c, mean, diff, sd, r, k.w);
        const GridCheck g = CheckGrid(c, sd, r, k.w);
        EXPECT_EQ(g.coarse, k.coarse) << g.pointsWithinSD << " points within SD " << sd;
        EXPECT_EQ(g.cut, k.cut);
        EXPECT_NEAR(g.finerStep, k.finer, 1e-12);
        EXPECT_NEAR(g.widerStep, k.wider, 1e-12);
        EXPECT_EQ(g.warnings.size(), static_cast<std::size_t>(k.coarse) + static_cast<std::size_t>(k.cut));
        if (k.cut) {
            EXPECT_NEAR(g.leftShare, std::exp(-0.5 * 4.0), 1e-12);
            EXPECT_NE(g.warnings.back().find("use a step of " + Format(k.wider, "0.0000E+00")), std::string::npos)
                << g.warnings.back();
            EXPECT_NE(g.warnings.back().find("13.5% of the peak"), std::string::npos) << g.warnings.back();
        }
        if (k.coarse) {
            EXPECT_NE(g.warnings.front().find("3 points lie within one SD"), std::string::npos) << g.warnings.front();
        }
    }
}

TEST(DistributionColumns, DataTextsAreInFifteenCharacterColumns) {
    auto c = Profile(3, 1.0, 0.5, [](double x) { return 2.0 * (x - 1.0) * (x - 1.0); });
    const int r = ModeOf(c);
    DistributionSummary s;
    DistributionColumns(c, s.mean, s.difference, s.sd, r, 0.5);
    const std::string t = ConfidenceDataText("Maximum-likelihood confidence distribution data", c, s);
    EXPECT_EQ(t.substr(0, 51), "Maximum-likelihood confidence distribution data\r\n\r\n");
    const std::string line2 = "    2     1.0000E+000    0.0000E+000 ";
    EXPECT_NE(t.find("\r\n" + line2), std::string::npos) << t;
    EXPECT_NE(t.find("\r\n\r\nMax Likelihood:  1.0000E+000   \r\nExpected Value:  1.0000E+000   \r\n"),
              std::string::npos)
        << t;
    const std::string p = PriorDistributionText(c, s);
    EXPECT_NE(p.find("Cumulative     Attenuated"), std::string::npos);
    s.mean = 0.0;
    EXPECT_NE(ConfidenceDataText("t", c, s).find("Percent Diff:         Undefined\r\n"), std::string::npos);
}
