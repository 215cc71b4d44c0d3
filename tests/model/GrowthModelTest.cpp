// MODEL's call codes: parameter preparation, the proportion check, the
// best-fit record, and joint analyses of increments and frequencies.
#include <gtest/gtest.h>

#include <cmath>

#include "GrowthTestSupport.h"

using namespace corvane;
using namespace corvane::testing;

TEST(GrowthModelEvaluation, PreparationRewritesTheVectorButFloorsOnlyWorkingValues) {
    GrowthBench b;
    ASSERT_TRUE(b.InitialiseIncrements(DataPath("rig_increments.dat")));
    Vec1<double> x = ToVec1(Fixed19(-150, -20, -0.3, -0.1));
    x[13] = -0.7;   // t0 keeps its sign
    x[18] = -30;    // made positive
    x[19] = kNotUsed;  // stays
    x[2] = 0.0;     // floored in the working values only
    ObjectiveAt(b.wb, x, 1);
    EXPECT_EQ(x[1], 150.0);
    EXPECT_EQ(x[3], 0.3);
    EXPECT_EQ(x[13], -0.7);
    EXPECT_EQ(x[18], 30.0);
    EXPECT_EQ(x[19], kNotUsed);
    EXPECT_EQ(x[2], 0.0);
}

TEST(GrowthModelEvaluation, BAboveZeroForcesGammaErrorsWhateverWasChosen) {
    auto x = Fixed19(150, 20, 0.3, 0.1);
    x[11] = 0.001;  // parameter 12, b
    GrowthBench gaussian, gamma;
    ASSERT_TRUE(gaussian.InitialiseIncrements(DataPath("rig_increments.dat"), 'N'));
    ASSERT_TRUE(gamma.InitialiseIncrements(DataPath("rig_increments.dat"), 'G'));
    EXPECT_EQ(gaussian.Evaluate(x), gamma.Evaluate(x));
    x[11] = 0.0;
    EXPECT_NE(gaussian.Evaluate(x), gamma.Evaluate(x));
}

TEST(GrowthModelEvaluation, CallCodesAndTheBestFitRecord) {
    GrowthBench b;
    ASSERT_TRUE(b.InitialiseIncrements(DataPath("rig_increments.dat")));
    const auto good = Fixed19(120, 20, 0.3, 0.1);
    const auto worse = Fixed19(150, 20, 0.3, 0.1);
    const double fWorse = b.Evaluate(worse, 1);
    EXPECT_EQ(b.model.Best().objective, fWorse);  // NF = 1 always replaces it
    const double fGood = b.Evaluate(good, 2);
    ASSERT_LT(fGood, fWorse);
    EXPECT_EQ(b.model.Best().objective, fGood);
    EXPECT_EQ(b.model.Best().values[1], 120.0);
    EXPECT_DOUBLE_EQ(b.model.Best().incrementTwice, fGood);
    b.Evaluate(worse, 3);
    EXPECT_EQ(b.model.Best().objective, fGood);
    b.Evaluate(worse, 1);  // a new run
    EXPECT_EQ(b.model.Best().objective, fWorse);

    // The summary code and other negative codes change nothing.
    double f = 42.0;
    Vec1<double> x = ToVec1(good);
    for (std::int32_t code : {-1, -2, -7}) {
        std::int32_t nfCode = code;
        b.model.MODEL(f, x, b.wb.alg.step, b.wb.alg.description, b.wb.alg.fuse, b.wb.alg.np, nfCode, b.wb.dataCount,
                      b.wb.modelFirstDerivatives, b.wb.modelSecondDerivatives, b.wb.modelOwnValue);
        EXPECT_EQ(f, 42.0);
    }
    EXPECT_EQ(b.model.Best().objective, fWorse);
}

TEST(GrowthModelEvaluation, ProportionCheckWarnsOnTheFirstCallOnly) {
    GrowthSettings s;
    s.series = 2;
    s.identified = 3;
    Vec1<double> x(27, 0.2);
    {
        TestPorts t;
        t.dialogs.ExpectMessage("Error in proportion parameters", "did not have an age-class proportion fixed at -1");
        CheckProportions(s, x, t.dialogs);
        EXPECT_EQ(t.dialogs.Last().icon, Icon::Critical);
    }
    x[21] = -1;  // series 1 only
    {
        TestPorts t;
        t.dialogs.ExpectMessage("Error in proportion parameters", "did not have");
        CheckProportions(s, x, t.dialogs);
    }
    x[23] = -1;  // both series: as required without blended classes
    {
        TestPorts t;
        CheckProportions(s, x, t.dialogs);
    }
    s.blended = 5;  // with blended classes -1 is not wanted
    {
        TestPorts t;
        t.dialogs.ExpectMessage("Error in proportion parameters", "as required only when there are no blended");
        CheckProportions(s, x, t.dialogs);
    }
    x[21] = x[23] = 0.3;
    {
        TestPorts t;
        CheckProportions(s, x, t.dialogs);
    }
}

TEST(GrowthModelEvaluation, AJointAnalysisAddsBothContributions) {
    GrowthSetup setup;
    setup.frequencyPath = DataPath("alba_frequencies.dat");
    setup.incrementPath = DataPath("rig_increments.dat");
    setup.series = 7;
    setup.identified = 1;
    setup.blended = 4;
    setup.birthDay = 150;
    setup.ageModes = AgeModeForm::Gaussian;
    GrowthBench joint;
    ASSERT_TRUE(joint.Initialise(setup));
    EXPECT_EQ(joint.model.Settings().kind, 'B');
    EXPECT_EQ(joint.wb.modelOwnValue, 675.0 + 114.0);
    EXPECT_FALSE(joint.model.CannotEvaluate());

    // t0 = -999: the increments are day-numbered; the frequency ages have no t0.
    auto x = Fixed19(150, 20, 0.3, 0.1);
    const std::vector<double> increments = x;
    for (int s = 1; s <= 7; ++s) x.push_back(0.4);
    for (double day : {108, 184, 263, 350, 49, 120, 175}) x.push_back(day);
    const double both = joint.Evaluate(x, 1);

    GrowthBench incrementsOnly, frequenciesOnly;
    ASSERT_TRUE(incrementsOnly.InitialiseIncrements(setup.incrementPath));
    setup.incrementPath.clear();
    ASSERT_TRUE(frequenciesOnly.Initialise(setup));
    const double fromIncrements = incrementsOnly.Evaluate(increments, 1);
    const double fromFrequencies = frequenciesOnly.Evaluate(x, 1);
    EXPECT_DOUBLE_EQ(both, fromIncrements + fromFrequencies);
    const BestFit& best = joint.model.Best();
    EXPECT_DOUBLE_EQ(best.incrementTwice, fromIncrements);
    EXPECT_DOUBLE_EQ(best.frequencyTwice, fromFrequencies);
    // The best-fit record keeps the frequency tables the summary reports.
    EXPECT_EQ(best.frequencies.mean.rows(), 7);
    EXPECT_EQ(best.frequencies.mean(3, 2), joint.model.Workspace().frequencies.mean(3, 2));
    EXPECT_EQ(best.predicted(4, 9), joint.model.Workspace().frequencies.predicted(4, 9));
    x[1 - 1] = 160;
    EXPECT_GT(joint.Evaluate(x, 2), both);
    EXPECT_EQ(best.objective, both);  // still the better one
    EXPECT_NE(best.frequencies.mean(3, 2), joint.model.Workspace().frequencies.mean(3, 2));
}
