#include <gtest/gtest.h>

#include "priors/PriorEntry.h"
#include "support/ScriptedDialogs.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

PriorRow Gaussian(double m, double s) { return PriorRow{'N', m, s, "Unused", "Unused"}; }

bool Same(const PriorRow& a, const PriorRow& b) {
    return a.type == b.type && a.firstMean == b.firstMean && a.firstSD == b.firstSD && a.secondMean == b.secondMean &&
           a.secondSD == b.secondSD;
}

}  // namespace

TEST(PriorEntry, GaussianPromptsStoresAndRefusals) {
    ScriptedDialogs d;
    PriorRow row;
    d.ExpectPrompt("Gaussian (i.e., Normal)", "Choose mean of parameter #7", "-2.5")
        .ExpectPrompt("Gaussian (i.e., Normal)", "Choose SD of parameter #7", "-0.5");
    ASSERT_TRUE(RunPriorEntry(d, 'N', 7, row));
    EXPECT_TRUE(Same(row, Gaussian(-2.5, 0.5)));
    EXPECT_EQ(d.shown[0].text, "Choose mean of parameter #7");
    EXPECT_EQ(d.shown[0].request.initialName, "");  // empty default

    // An SD of 0 would divide by zero: refused with a message.
    d.ExpectPrompt("Gaussian (i.e., Normal)", "mean", "1")
        .ExpectPrompt("Gaussian (i.e., Normal)", "SD", "0")
        .ExpectMessage("Gaussian (i.e., Normal)", "SD of 0 would divide by zero");
    EXPECT_FALSE(RunPriorEntry(d, 'N', 7, row));
    EXPECT_TRUE(Same(row, Gaussian(-2.5, 0.5)));

    // An answer that is not a number, or Cancel, leaves the row as it was.
    d.ExpectPrompt("Gaussian (i.e., Normal)", "mean", "1.2.3")
        .ExpectMessage("Gaussian (i.e., Normal)", "\"1.2.3\" is not a number: parameter #7 is unchanged.");
    EXPECT_FALSE(RunPriorEntry(d, 'N', 7, row));
    d.ExpectPrompt("Gaussian (i.e., Normal)", "mean", "4").ExpectPrompt("Gaussian (i.e., Normal)", "SD", "");
    EXPECT_FALSE(RunPriorEntry(d, 'N', 7, row));
    EXPECT_TRUE(Same(row, Gaussian(-2.5, 0.5)));
    EXPECT_TRUE(d.AllDone());
}

TEST(PriorEntry, GammaLnNormalAndExponentialStoreAbsoluteValues) {
    ScriptedDialogs d;
    PriorRow row;
    d.ExpectPrompt("Gamma", "Choose mean (> 0) of parameter #2", "4")
        .ExpectPrompt("Gamma", "Choose SD (0 < SD < Mean) of parameter #2", "2");
    ASSERT_TRUE(RunPriorEntry(d, 'G', 2, row));
    EXPECT_TRUE(Same(row, PriorRow{'G', 4, 2, "Unused", "Unused"}));
    // Refused without a message: SD not below the mean; and SD -3 below
    // mean -2 as entered, whose stored 2 and 3 would leave no mode.
    d.ExpectPrompt("Gamma", "mean", "2").ExpectPrompt("Gamma", "SD", "2");
    EXPECT_FALSE(RunPriorEntry(d, 'G', 2, row));
    d.ExpectPrompt("Gamma", "mean", "-2").ExpectPrompt("Gamma", "SD", "-3");
    EXPECT_FALSE(RunPriorEntry(d, 'G', 2, row));
    EXPECT_EQ(row.firstMean, 4.0);

    d.ExpectPrompt("Ln-normal", "Choose mean (> 0) of parameter #3", "-3")
        .ExpectPrompt("Ln-normal", "Choose SD (> 0) of parameter #3", "-1");
    ASSERT_TRUE(RunPriorEntry(d, 'L', 3, row));
    EXPECT_TRUE(Same(row, PriorRow{'L', 3, 1, "Unused", "Unused"}));
    d.ExpectPrompt("Ln-normal", "mean", "0").ExpectPrompt("Ln-normal", "SD", "1");
    EXPECT_FALSE(RunPriorEntry(d, 'L', 3, row));

    d.ExpectPrompt("Exponential",
                   "For the exponential distribution the instantaneous decay rate is equal to the reciprocal of both "
                   "the mean and the SD\r\n\r\nChoose the mean (and thus SD) of parameter #4",
                   "-2");
    ASSERT_TRUE(RunPriorEntry(d, 'E', 4, row));
    EXPECT_TRUE(Same(row, PriorRow{'E', 2, 2, "Unused", "Unused"}));
    d.ExpectPrompt("Exponential", "", "0").ExpectMessage("Exponential", "would divide by zero");
    EXPECT_FALSE(RunPriorEntry(d, 'E', 4, row));
    EXPECT_EQ(row.firstMean, 2.0);
}

TEST(PriorEntry, BetaReportsItsShapeOrRefusesIt) {
    ScriptedDialogs d;
    PriorRow row;
    d.ExpectPrompt("Beta", "Choose mean (0 < mean < 1) of parameter #1", "0.5")
        .ExpectPrompt("Beta", "Choose SD (> 0) of parameter #1", "-0.1")
        .ExpectMessage("Beta", "The corresponding values for 'a' & 'b' of \xC3\x9F (a,b) are: 12. & 12.");
    ASSERT_TRUE(RunPriorEntry(d, 'B', 1, row));
    EXPECT_TRUE(Same(row, PriorRow{'B', 0.5, 0.1, "Unused", "Unused"}));
    EXPECT_EQ(d.Last().icon, Icon::Information);

    // a = 0.5 (0.25 - 0.36) / 0.36 = -0.1528: the 'a' message, nothing stored.
    d.ExpectPrompt("Beta", "mean", "0.5")
        .ExpectPrompt("Beta", "SD", "0.6")
        .ExpectMessage("Beta", "An unacceptable (< 0) value for 'a' of \xC3\x9F (a,b) is: -0.1528");
    EXPECT_FALSE(RunPriorEntry(d, 'B', 1, row));
    // A mean outside (0, 1) is refused without a message.
    d.ExpectPrompt("Beta", "mean", "1.5").ExpectPrompt("Beta", "SD", "0.1");
    EXPECT_FALSE(RunPriorEntry(d, 'B', 1, row));
    EXPECT_TRUE(Same(row, PriorRow{'B', 0.5, 0.1, "Unused", "Unused"}));
}

TEST(PriorEntry, CliffsAndTheUniformBoundedRepeatingItsFourPrompts) {
    ScriptedDialogs d;
    PriorRow row;
    d.ExpectPrompt("Left-side cliff", "Choose left foot of parameter #5", "-1")
        .ExpectPrompt("Left-side cliff", "Choose SD @ the left foot of parameter #5", "-0.25");
    ASSERT_TRUE(RunPriorEntry(d, 'S', 5, row));
    EXPECT_TRUE(Same(row, PriorRow{'S', -1, 0.25, "Unused", "Unused"}));
    d.ExpectPrompt("Right-side cliff", "Choose right foot of parameter #5", "3")
        .ExpectPrompt("Right-side cliff", "Choose SD @ the right foot of parameter #5", "0");
    ASSERT_TRUE(RunPriorEntry(d, 'D', 5, row));
    EXPECT_TRUE(Same(row, PriorRow{'D', 3, 0, "Unused", "Unused"}));

    // A right foot not above the left asks all four again.
    for (const char* right : {"1", "3"}) {
        d.ExpectPrompt("Uniform-bounded", "Choose left foot of parameter #5", "1")
            .ExpectPrompt("Uniform-bounded", "Choose SD @ the left foot of parameter #5", "-0.5")
            .ExpectPrompt("Uniform-bounded", "Choose right foot of parameter #5, it must exceed left foot.", right)
            .ExpectPrompt("Uniform-bounded", "Choose SD @ the right foot of parameter #5", "-0.75");
    }
    ASSERT_TRUE(RunPriorEntry(d, 'T', 5, row));
    EXPECT_TRUE(Same(row, PriorRow{'T', 1, 0.5, "3", "0.75"}));
    EXPECT_TRUE(d.AllDone());
    // Cancel on the fourth prompt: nothing changes.
    d.ExpectPrompt("Uniform-bounded", "left foot", "0")
        .ExpectPrompt("Uniform-bounded", "SD", "0")
        .ExpectPrompt("Uniform-bounded", "right foot", "9")
        .ExpectPrompt("Uniform-bounded", "SD", "");
    EXPECT_FALSE(RunPriorEntry(d, 'T', 5, row));
    EXPECT_TRUE(Same(row, PriorRow{'T', 1, 0.5, "3", "0.75"}));

    // The default asks nothing.
    ASSERT_TRUE(RunPriorEntry(d, 'U', 5, row));
    EXPECT_TRUE(Same(row, PriorRow{}));
    EXPECT_TRUE(IsUnset(row.firstMean));
}
