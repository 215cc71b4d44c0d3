// Minimisations of the increment likelihood on published data.
#include <gtest/gtest.h>

#include "GrowthTestSupport.h"
#include "engine/Simplex.h"

using namespace corvane;
using namespace corvane::testing;

TEST(IncrementFit, MarquardtDoesNotTakeAStepLostToTheDampingForAMinimum) {
    // From this start on the clam increments the damping grows until the
    // step is nothing at all; that is no verified minimum.
    GrowthBench b;
    ASSERT_TRUE(b.InitialiseIncrements(DataPath("donacina_increments.dat")));
    auto start = [&b]() {
        const auto x = Fixed19(100, 10, 0.3, 0.05);
        for (int i = 1; i <= 19; ++i) b.wb.alg.value[i] = x[static_cast<std::size_t>(i - 1)];
        b.wb.alg.value[9] = 2.0;  // %SE
        for (int i = 1; i <= 3; ++i) b.wb.alg.step[i] = b.wb.alg.value[i] / 10.0;
    };
    start();
    b.t.dialogs.ExpectMessage("Marquardt quits in frustration", "Consider that:");
    const MinimiserResult marquardt = MarquardtCommand(b.wb, "N", false);
    EXPECT_EQ(marquardt.end, MinimiserEnd::GaveUp);

    // The Simplex from the same start finds a much lower minimum.
    start();
    b.t.dialogs.ExpectMessage("Simplex minimum", "Minimum found using Simplex!");
    const MinimiserResult simplex = SimplexCommand(b.wb);
    EXPECT_EQ(simplex.end, MinimiserEnd::Converged);
    EXPECT_NEAR(simplex.minimum, 598.14, 0.01);
    EXPECT_GT(marquardt.minimum, simplex.minimum + 1.0);
}
