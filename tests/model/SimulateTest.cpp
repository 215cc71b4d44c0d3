// The simulation's own random draws and its file.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "GrowthTestSupport.h"

using namespace corvane;
using namespace corvane::testing;

TEST(SimulateIncrements, DrawsHaveTheirDistributionsMoments) {
    DefaultRandom random(99);
    const int n = 200000;
    double s1 = 0, s2 = 0;
    for (int i = 0; i < n; ++i) {
        const double z = StandardNormal(random);
        s1 += z;
        s2 += z * z;
    }
    EXPECT_NEAR(s1 / n, 0.0, 0.01);
    EXPECT_NEAR(s2 / n, 1.0, 0.01);
    for (double shape : {0.5, 3.0, 50.0}) {
        const double scale = 2.0;
        s1 = s2 = 0;
        for (int i = 0; i < n; ++i) {
            const double g = GammaDraw(shape, scale, random);
            ASSERT_GT(g, 0.0);
            s1 += g;
            s2 += g * g;
        }
        const double mean = s1 / n, variance = s2 / n - mean * mean;
        EXPECT_NEAR(mean, shape * scale, 0.01 * shape * scale) << shape;
        EXPECT_NEAR(variance, shape * scale * scale, 0.03 * shape * scale * scale) << shape;
    }
}

TEST(SimulateIncrements, WrittenFileReadsBackSortedAndSkipsNothing) {
    GrowthSettings settings;
    Vec1<double> x = ToVec1(Fixed19(120, 10, 0.3, 0.08));
    const GrowthParameters p = PrepareParameters(x, settings);
    IncrementSimulation how;
    how.records = 200;
    how.set = 3;
    how.sizeMin = 20;
    how.sizeMax = 110;
    how.daysMin = 30;
    how.daysMax = 900;
    DefaultRandom random(4);
    const SimulationResult result = SimulateIncrements(p, how, random);
    ASSERT_TRUE(result.ok) << result.problem;
    std::istringstream in(IncrementFileText(result.data));
    IncrementData back;
    ASSERT_FALSE(ReadIncrementText(in, back));
    ASSERT_EQ(back.records, 200);
    EXPECT_EQ(back.setCount[3], 200);
    for (int i = 1; i <= 200; ++i) {
        EXPECT_EQ(back.record[i].initial, result.data.record[i].initial);
        EXPECT_EQ(back.record[i].increment, result.data.record[i].increment);
        EXPECT_GT(back.record[i].increment, 0.0);  // truncated at 0 without measurement error
        const double days = back.record[i].end - back.record[i].start;
        EXPECT_TRUE(days >= 30 && days <= 900);
        if (i > 1) {
            EXPECT_LE(back.record[i - 1].initial, back.record[i].initial);
        }
    }
}
