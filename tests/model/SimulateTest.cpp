// The simulation's own random draws and its file.
#include <gtest/gtest.h>

#include <cmath>

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
