#include <gtest/gtest.h>

#include <cmath>

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
