// A likelihood profile of the growth model on the rig tag-recapture data,
// with its steps taken from a covariance grid, against that grid's standard
// error.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "GrowthTestSupport.h"
#include "evaluation/Covariance.h"
#include "evaluation/LikelihoodProfile.h"

using namespace corvane;
using namespace corvane::testing;

TEST(GrowthProfile, RigProfileOfLInfinityAgreesWithTheCovarianceStandardError) {
    GrowthBench b;
    ASSERT_TRUE(b.InitialiseIncrements(DataPath("rig_increments.dat")));
    Workbench& wb = b.wb;
    AlgorithmData& a = wb.alg;
    SetDefaultAlgorithmData(a, a.np);
    // The means of L-infinity and k are estimated; their SDs are held at the
    // values of the four-parameter fit, where the data leave them loose.
    const std::vector<double> start = Fixed19(100, 12.025565, 0.4, 1.8982004);
    for (int i = 1; i <= a.np; ++i) a.value[i] = start[static_cast<std::size_t>(i - 1)];
    a.step[1] = 1, a.step[3] = 0.01;
    a.tolerance = 1e-9;
    b.t.dialogs.ExpectMessage("Marquardt minimum", "Minimum found using Marquardt!");
    ASSERT_EQ(MarquardtCommand(wb, "N", false).end, MinimiserEnd::Converged);
    const double estimate = a.value[1];
    EXPECT_NEAR(estimate, 104.649, 0.01);

    a.step[1] = 2, a.step[3] = 0.03;
    SetUpRun(a, wb.engine);
    CovarianceSettings cs;
    cs.constant = 0.5;  // the objective is -2 ln[L]
    wb.covariance = ComputeCovariances(wb, PlanCovariances(wb, a.value, a.step), cs);
    ASSERT_TRUE(wb.covariance.GridValid(2));
    wb.app.covarianceCurrent = true;
    const double se = wb.covariance.ParameterStandardError(1, 2);

    // The profile as the dialogue runs it: 25 points, the Simplex, steps from
    // grid 2, so that the points span 4 standard errors on each side.
    const char* title = profile_text::Title;
    b.t.dialogs.ExpectMessage(title, "Choose plot 1")
        .ExpectMessage(title, "Do you want to continue?", Answer::Yes)
        .ExpectPrompt("Enter constant", "", "0.5")
        .ExpectPrompt(title, "Choose the parameter number to be profiled:", "1")
        .ExpectPrompt(title, "Choose the number of x-y data points per plot:", "25")
        .ExpectMessage(title, "Choose 'Yes' to minimize with SIMPLEX", Answer::Yes)
        .ExpectPrompt(title, "Base step sizes on SD's from covariance grid", "2")
        // The profile is skewed: +4 SE out it still holds 1.3% of the peak.
        .ExpectMessage(title, "The grid does not reach the distribution's tail: the density at the last point")
        .ExpectMessage("A friendly reminder", "Your algorithm file may have been automatically edited");
    ASSERT_EQ(LikelihoodProfileEvaluation(wb), ProfileEnd::Completed);
    const ProfileColumns& c = wb.profileColumns;
    ASSERT_EQ(c.m, 25);
    EXPECT_NEAR(c.x[25] - c.x[1], 8.0 * se, 1e-9 * se);
    EXPECT_EQ(c.xML, c.x[13]);  // the fit's estimate is the profile's mode
    EXPECT_EQ(a.value[1], estimate);

    // The profile's SD against the covariance SE: the profile is a little
    // skewed (L-infinity is tied to k), so they differ by a few percent.
    const std::string text = wb.profileView.Area(1);
    const std::size_t at = text.find("Estimated SE:   ");
    ASSERT_NE(at, std::string::npos);
    const double profileSE = std::stod(text.substr(at + 16, 15));
    EXPECT_NEAR(profileSE, se, 0.10 * se) << "profile " << profileSE << ", covariance grid 2 " << se;
    RecordProperty("profile_se", std::to_string(profileSE));
    RecordProperty("covariance_se_grid_2", std::to_string(se));
}
