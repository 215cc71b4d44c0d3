// Likelihood profiles: the point rules, the loop with both minimisers in
// maximum-likelihood mode, interrupts, the restored parameter, the scaling to
// -ln[L], and the dialogue walked through the scripted ports.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "engine/MinimiserRig.h"
#include "evaluation/Covariance.h"
#include "evaluation/EvaluationChoice.h"
#include "evaluation/PosteriorCommand.h"
#include "evaluation/LikelihoodProfile.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

const char* kTitle = profile_text::Title;

// A normal sample of 40 values (mean near 10, SD near 2) made without a
// random source, so that every run sees the same data.
GaussianSample Sample() {
    GaussianSample s;
    for (int i = 1; i <= 40; ++i) s.y.push_back(10.0 + 2.0 * std::sin(1.7 * i) + 0.3 * std::cos(0.37 * i * i));
    return s;
}

// The rig of a Gaussian likelihood: x1 the mean, x2 the SD, both free; the
// objective is -ln[L] itself (c = 1).
struct GaussianRig : MinimiserRig {
    GaussianSample sample;
    explicit GaussianRig(const GaussianSample& s) : MinimiserRig(2, s.NegLnL()), sample(s) {
        wb.priorTable.reciprocalConstant = 1.0;
        wb.alg.tolerance = 1e-10;
        Free(1, s.Mean(), 0.1);
        Free(2, s.SD(), 0.1);
    }
};

// The whole-profile walk up to the minimiser question, for a model of np
// parameters: introduction, continue, the constant, parameter and points.
void ExpectOpening(ScriptedDialogs& d, const std::string& parameter, const std::string& points, bool simplex = true) {
    d.ExpectMessage(kTitle, "This routine will create a series of plots, and if desired, save the x-y data. ")
        .ExpectMessage(kTitle, "Do you want to continue?", Answer::Yes)
        .ExpectPrompt("Enter constant", "Enter the constant WHICH WILL MAKE", "1")
        .ExpectPrompt(kTitle, "Choose the parameter number to be profiled:", parameter)
        .ExpectPrompt(kTitle, "Choose the number of x-y data points per plot:", points)
        .ExpectMessage(kTitle, "Choose 'Yes' to minimize with SIMPLEX", simplex ? Answer::Yes : Answer::No);
}

int CallsOf(const FunctionModel& m) { return static_cast<int>(m.calls.size()); }

}  // namespace

TEST(LikelihoodProfile, PointCountsAndTheSpanOfThePoints) {
    EXPECT_EQ(ProfilePointCount(0), 25);
    EXPECT_EQ(ProfilePointCount(1), 3);
    EXPECT_EQ(ProfilePointCount(2), 3);
    EXPECT_EQ(ProfilePointCount(3), 3);
    EXPECT_EQ(ProfilePointCount(24), 25);
    EXPECT_EQ(ProfilePointCount(1000), 1001);
    EXPECT_EQ(ProfilePointCount(1001), 1001);
    EXPECT_EQ(ProfilePointCount(0, 101), 101);

    // 25 points with step h run from v - 12 h to v + 12 h, point 13 at v.
    EXPECT_DOUBLE_EQ(ProfilePointValue(2.0, 0.5, 1, 25), -4.0);
    EXPECT_DOUBLE_EQ(ProfilePointValue(2.0, 0.5, 13, 25), 2.0);
    EXPECT_DOUBLE_EQ(ProfilePointValue(2.0, 0.5, 25, 25), 8.0);

    EXPECT_EQ(ProfilePointText(7, 25, 3, 0.125),
              "Calculating profile point 7 of 25, Value of parameter # 3 which is being profiled is: 1.2500E-01");
    EXPECT_EQ(MinimizationsRemainingText(24), "Minimizations remaining:  24");
    EXPECT_EQ(ProfileTimeText(65), "Estimated time remaining (m:s): 1:05");
    EXPECT_EQ(ProfileTimeText(600), "Estimated time remaining (m:s): 10:00");
}

TEST(LikelihoodProfile, StepsFromGridStandardErrorsSpanFourOnEachSide) {
    AlgorithmData a;
    a.np = 4;
    SetDefaultAlgorithmData(a, 4);
    a.step[1] = 0.5, a.step[2] = 0.0, a.step[3] = -2.0, a.step[4] = 1.0;
    const double se[] = {0, 0.3, 9.0, 1.2, -1.0};  // parameter 4: the grid has no SE
    const GridStepsResult r = StepsFromStandardErrors(a, [&](int i) { return se[i]; }, 8.0, 25);
    // m = 25: each free step becomes SE / 3, so the profile spans +-4 SE.
    EXPECT_DOUBLE_EQ(a.step[1], 0.1);
    EXPECT_EQ(a.step[2], 0.0);  // frozen parameters stay frozen
    EXPECT_DOUBLE_EQ(a.step[3], 0.4);
    EXPECT_EQ(a.step[4], 1.0);  // never a negative step from a missing SE
    EXPECT_EQ(r.changed, (std::vector<int>{1, 3}));
    EXPECT_EQ(r.withoutSE, (std::vector<int>{4}));
}

TEST(LikelihoodProfile, GaussianProfileMatchesTheAnalyticDistributionWithBothMinimisers) {
    // With the SD concentrated out, exp(-profile) of the mean is a scaled t
    // with n - 1 degrees of freedom: its SD is s / sqrt(n - 3), s the SD with
    // divisor n, and its mode and mean lie at the sample mean.
    const GaussianSample sample = Sample();
    const double n = static_cast<double>(sample.y.size());
    const double analytic = sample.SD() / std::sqrt(n - 3.0);
    for (ProfileMinimiser method : {ProfileMinimiser::Simplex, ProfileMinimiser::Marquardt}) {
        SCOPED_TRACE(method == ProfileMinimiser::Simplex ? "Simplex" : "Marquardt");
        GaussianRig r(sample);
        r.wb.alg.step[1] = 12.0 * analytic / 100.0;  // 101 points over +-6 SE
        const double sdBefore = r.wb.alg.value[2];
        ProfileSettings s;
        s.parameter = 1;
        s.points = 101;
        s.minimiser = method;
        const ProfileResult p = ComputeProfile(r.wb, s);
        ASSERT_TRUE(p.distribution);
        EXPECT_EQ(p.points, 101);
        EXPECT_FALSE(p.interrupted);
        EXPECT_EQ(p.mode, 51);
        EXPECT_NEAR(p.summary.sd, analytic, 0.005 * analytic);
        EXPECT_NEAR(p.summary.mean, sample.Mean(), 1e-3 * analytic);
        EXPECT_NEAR(p.summary.difference, 0.0, 1e-3 * analytic);
        // Every point's SD was minimised: at the centre, -ln[L] is the minimum.
        const ProfileColumns& c = r.wb.profileColumns;
        EXPECT_EQ(c.negLnL[51], 0.0);
        EXPECT_NEAR(c.negLnL[1], n / 2.0 * std::log(1.0 + 36.0 / (n - 3.0)), 1e-6);
        for (int i = 1; i <= 101; ++i) EXPECT_EQ(p.ends[static_cast<std::size_t>(i - 1)], MinimiserEnd::Converged);
        // Every value and step is restored: the SD is the fit's, not the
        // last point's optimum.
        EXPECT_DOUBLE_EQ(r.wb.alg.value[1], sample.Mean());
        EXPECT_DOUBLE_EQ(r.wb.alg.step[1], 12.0 * analytic / 100.0);
        EXPECT_EQ(r.wb.alg.value[2], sdBefore);
        EXPECT_FALSE(r.wb.engine.mlMode);
        EXPECT_EQ(r.wb.lastEvaluationKind, "ML");
        EXPECT_TRUE(r.wb.evaluationResultsExist);
    }
}

TEST(LikelihoodProfile, MaxLikelihoodReportsTheLowestPointAndMinusLnLIsScaledOnce) {
    // Parameter 1 has its minimum at 1.3, away from the centre 1.0; parameter
    // 2 is minimised at every point.  The objective is twice -ln[L] plus a
    // Gaussian prior on parameter 2.
    MinimiserRig r(2, [](const Vec1<double>& x) {
        return 2.0 * (0.5 * std::pow((x[1] - 1.3) / 0.2, 2) + 0.5 * std::pow(x[2] - x[1], 2));
    });
    r.Free(1, 1.0, 0.1);
    r.Free(2, 0.0, 0.1);
    r.wb.alg.tolerance = 1e-12;
    r.wb.priorTable.reciprocalConstant = 2.0;  // c = 0.5
    r.wb.priorTable.rows[2].type = 'N';
    r.wb.priorTable.rows[2].firstMean = 0.0;
    r.wb.priorTable.rows[2].firstSD = 10.0;
    r.wb.engine.priorsInUse = true;

    // -ln[L] = c x (MODEL + prior total) = the model's -ln[L] plus the
    // prior's own, once each.
    r.wb.alg.value[2] = 3.0;
    const double expected = 0.5 * std::pow(-0.3 / 0.2, 2) + 0.5 * 4.0 + 0.5 * std::pow(3.0 / 10.0, 2);
    EXPECT_NEAR(NegLnLAtCurrentValues(r.wb), expected, 1e-12);
    r.wb.alg.value[2] = 0.0;

    ProfileSettings s;
    s.parameter = 1;
    s.points = 9;  // 0.6 .. 1.4
    const ProfileResult p = ComputeProfile(r.wb, s);
    ASSERT_TRUE(p.distribution);
    EXPECT_EQ(p.mode, 8);
    const ProfileColumns& c = r.wb.profileColumns;
    EXPECT_DOUBLE_EQ(c.xML, 1.0 + 3 * 0.1);
    const std::string text = ProfileDataText(r.wb, p.summary);
    EXPECT_NE(text.find("Max Likelihood:  1.3000E+000   \r\n"), std::string::npos) << text;
    EXPECT_EQ(text.rfind("Maximum-likelihood confidence distribution data\r\n\r\n  Point       Value ", 0), 0u);
    // Minimised over x2 the profile is 0.5 ((x1 - 1.3) / 0.2)^2 + k x1^2 with
    // k = 0.5 x 0.005 / 0.505.
    const double k = 0.5 * 0.005 / 0.505;
    EXPECT_NEAR(c.negLnL[1], 0.5 * std::pow(0.7 / 0.2, 2) + k * (0.36 - 1.69), 1e-6);
}

TEST(LikelihoodProfile, InterruptsKeepTheFinishedPoints) {
    // The ML interrupt menu is pressed while point 5 starts: points 1 to 4 stay.
    {
        MinimiserRig r(1, Quadratic({0.0}));
        r.Free(1, 0.0, 0.25);
        r.wb.priorTable.reciprocalConstant = 1.0;
        ProfileSettings s;
        s.parameter = 1;
        s.points = 9;
        ProfileCallbacks cb;
        cb.pointStarted = [&](const ProfilePointStart& p) {
            if (p.point == 5) r.wb.app.mlInterrupt = true;
        };
        int asked = 0;
        cb.quit = [&] {
            if (!r.wb.app.mlInterrupt) return false;
            r.wb.app.mlInterrupt = false;
            ++asked;
            return true;
        };
        const ProfileResult p = ComputeProfile(r.wb, s, cb);
        EXPECT_EQ(asked, 1);
        EXPECT_TRUE(p.interrupted);
        EXPECT_EQ(p.points, 4);
        EXPECT_EQ(r.wb.profileColumns.m, 4);
        EXPECT_TRUE(p.distribution);  // the mode is at point 4, the last one kept
        EXPECT_EQ(p.mode, 4);
        EXPECT_EQ(r.wb.alg.value[1], 0.0);
        EXPECT_EQ(r.wb.alg.step[1], 0.25);
    }
    // Quitting the ML procedure from the Simplex's own Interrupt during point
    // 3 keeps points 1 and 2: too few to show, and nothing is recorded.
    {
        MinimiserRig r(2, Quadratic({0.0, 1.0}));
        r.Free(1, 0.0, 0.25);
        r.Free(2, 0.0, 0.25);
        r.wb.priorTable.reciprocalConstant = 1.0;
        r.wb.lastEvaluationKind = "ML";
        r.wb.evaluationResultsExist = true;
        ProfileSettings s;
        s.parameter = 1;
        s.points = 9;
        ProfileCallbacks cb;
        cb.pointStarted = [&](const ProfilePointStart& p) {
            if (p.point == 3)
                r.t.dialogs.onProcessEvents = [&](int) {
                    r.wb.engine.interruptRequested = true;
                    r.t.dialogs.onProcessEvents = nullptr;
                };
        };
        r.t.dialogs.ExpectMessage("Simplex interrupt", "Do you want to quit the ML procedure?", Answer::Yes);
        const ProfileResult p = ComputeProfile(r.wb, s, cb);
        EXPECT_TRUE(p.interrupted);
        EXPECT_EQ(p.points, 2);
        EXPECT_FALSE(p.distribution);
        EXPECT_FALSE(r.wb.evaluationResultsExist);
        EXPECT_EQ(r.wb.lastEvaluationKind, "");
        EXPECT_EQ(r.wb.alg.value[1], 0.0);
        EXPECT_EQ(r.wb.alg.step[1], 0.25);
        EXPECT_FALSE(r.wb.engine.interruptRequested);
    }
    // "continue starting with the NEXT point": that point keeps the Simplex's
    // best vertex and the profile runs to its end.
    {
        MinimiserRig r(2, Quadratic({0.0, 1.0}));
        r.Free(1, 0.0, 0.25);
        r.Free(2, 0.0, 0.25);
        r.wb.priorTable.reciprocalConstant = 1.0;
        ProfileSettings s;
        s.parameter = 1;
        s.points = 5;
        ProfileCallbacks cb;
        cb.pointStarted = [&](const ProfilePointStart& p) {
            if (p.point == 2)
                r.t.dialogs.onProcessEvents = [&](int) {
                    r.wb.engine.interruptRequested = true;
                    r.t.dialogs.onProcessEvents = nullptr;
                };
        };
        r.t.dialogs.ExpectMessage("Simplex interrupt", "Do you want to quit the ML procedure?", Answer::No)
            .ExpectMessage("Simplex interrupt", "Do you want to continue starting with the NEXT point?", Answer::Yes);
        const ProfileResult p = ComputeProfile(r.wb, s, cb);
        EXPECT_FALSE(p.interrupted);
        EXPECT_EQ(p.points, 5);
        EXPECT_EQ(p.ends[1], MinimiserEnd::NextPoint);
        EXPECT_EQ(p.ends[2], MinimiserEnd::Converged);
    }
}

TEST(LikelihoodProfile, EveryValueAndStepIsRestoredFinishedOrInterrupted) {
    // At the fit of a normal sample -ln[L] is n/2 (ln(2 pi s^2) + 1), s the
    // SD with divisor n; after a profile, finished or quit at any point, the
    // estimates must give that again and no step may have moved.
    const GaussianSample sample = Sample();
    const double n = static_cast<double>(sample.y.size());
    const double atFit = n / 2.0 * (std::log(2.0 * M_PI * sample.SD() * sample.SD()) + 1.0);
    struct Case {
        ProfileMinimiser method;
        int quitAt;  // 0: the profile runs to its end
    };
    for (const Case& k : {Case{ProfileMinimiser::Simplex, 0}, Case{ProfileMinimiser::Marquardt, 0},
                          Case{ProfileMinimiser::Simplex, 6}, Case{ProfileMinimiser::Marquardt, 2}}) {
        SCOPED_TRACE(::testing::Message() << (k.method == ProfileMinimiser::Simplex ? "Simplex" : "Marquardt")
                                        << " quit at " << k.quitAt);
        GaussianRig r(sample);
        r.wb.alg.step[1] = 0.2;
        r.wb.alg.step[2] = -0.05;  // a negative step is kept as it was given
        const Vec1<double> values = r.wb.alg.value, steps = r.wb.alg.step;
        ASSERT_NEAR(NegLnLAtCurrentValues(r.wb), atFit, 1e-9);
        ProfileSettings s;
        s.parameter = 1;
        s.points = 9;
        s.minimiser = k.method;
        ProfileCallbacks cb;
        cb.pointStarted = [&](const ProfilePointStart& p) {
            if (p.point == k.quitAt) r.wb.app.mlInterrupt = true;
        };
        cb.quit = [&] { return std::exchange(r.wb.app.mlInterrupt, false); };
        const ProfileResult p = ComputeProfile(r.wb, s, cb);
        EXPECT_EQ(p.interrupted, k.quitAt != 0);
        EXPECT_EQ(p.points, k.quitAt != 0 ? k.quitAt - 1 : 9);
        for (int i = 1; i <= 2; ++i) {
            EXPECT_EQ(r.wb.alg.value[i], values[i]) << "parameter " << i;
            EXPECT_EQ(r.wb.alg.step[i], steps[i]) << "parameter " << i;
        }
        EXPECT_NEAR(NegLnLAtCurrentValues(r.wb), atFit, 1e-9);
    }
}

TEST(LikelihoodProfile, FusedFollowersFollowTheProfiledParameterAndANegativeStepStillRunsLeftToRight) {
    // Parameters 1 and 3 fused: 3 follows every profile value of 1.
    MinimiserRig r(3, [](const Vec1<double>& x) {
        return std::pow(x[1] - 2.0, 2) + std::pow(x[2] - x[3], 2) + 0.1 * x[3] * x[3];
    });
    r.model.recordVectors = true;
    r.Free(1, 2.0, -0.5);
    r.Free(2, 0.0, 0.1);
    r.wb.alg.value[3] = 2.0;
    r.wb.alg.fuse[1] = "A";
    r.wb.alg.fuse[3] = "A";
    r.wb.alg.tolerance = 1e-12;
    r.wb.priorTable.reciprocalConstant = 1.0;
    ProfileSettings s;
    s.parameter = 1;
    s.points = 5;
    const ProfileResult p = ComputeProfile(r.wb, s);
    ASSERT_TRUE(p.distribution);
    const ProfileColumns& c = r.wb.profileColumns;
    EXPECT_EQ(c.x[1], 1.0);
    EXPECT_EQ(c.x[5], 3.0);
    for (const Vec1<double>& v : r.model.evaluated) EXPECT_EQ(v[3], v[1]);
    // At each point x2 settles on the follower's value.
    EXPECT_NEAR(c.negLnL[1] - c.negLnL[3], 1.0 + 0.1 * (1.0 - 4.0), 1e-6);
    EXPECT_EQ(r.wb.alg.value[1], 2.0);
    EXPECT_EQ(r.wb.alg.step[1], -0.5);
    EXPECT_EQ(r.wb.alg.value[3], 2.0);
    EXPECT_EQ(r.wb.alg.step[3], 0.0);
}

TEST(LikelihoodProfileDialogue, WalkFromTheQuestionsToTheSavedFile) {
    GaussianRig r(Sample());
    r.wb.alg.step[1] = 0.05;
    r.wb.alg.terminalFrequency = 1;
    ScriptedDialogs& d = r.t.dialogs;
    d.ExpectMessage(kTitle, "Choose plot 7 to get a mode-centered Gaussian distribution plot.")
        .ExpectMessage(kTitle, "the parameter value - 50 * the step size, profile point 51", Answer::Yes)
        .ExpectPrompt("Enter constant", "Your model suggests you use this constant: ", "1")
        .ExpectPrompt(kTitle, "0 < parameter # <= 2", "one")  // not a number: refused, asked again
        .ExpectMessage(kTitle, "\"one\" is not one of the choices.\r\nPlease enter a whole number from 1 to 2.")
        .ExpectPrompt(kTitle, "0 < parameter # <= 2", "3")  // outside 1..2: refused, asked again
        .ExpectMessage(kTitle, "\"3\" is not one of the choices.")
        .ExpectPrompt(kTitle, "0 < parameter # <= 2", "1")
        .ExpectPrompt(kTitle, "0 <= # points <= 1001", "1002")  // too many: asked again
        .ExpectPrompt(kTitle, "0 <= # points <= 1001", "")      // empty: asked again
        .ExpectPrompt(kTitle, "0 <= # points <= 1001", "6")     // even: 7 points
        .ExpectMessage(kTitle, "Choose 'No' to minimize with MARQUARDT", Answer::No);
    r.ExpectMarquardtSetUp(false);
    // Seven points 0.05 apart: about one SD (0.07) each side of the mode.
    d.ExpectMessage(kTitle, "The grid is too coarse for this distribution");
    int edited = 0;
    const ProfileEnd end = LikelihoodProfileEvaluation(r.wb, [&] {
        ++edited;
        r.wb.alg.value[1] = 9.5;  // the user moves the centre in the editor
    });
    EXPECT_EQ(end, ProfileEnd::Completed);
    EXPECT_EQ(edited, 1);
    EXPECT_TRUE(d.AllDone());
    // The prompts' defaults: none for the parameter, 25 for the points.
    EXPECT_EQ(d.shown[3].request.initialName, "");
    EXPECT_EQ(d.shown[8].request.initialName, "25");
    EXPECT_EQ(d.shown[0].icon, Icon::Information);
    EXPECT_EQ(d.shown[1].buttons, Buttons::YesNo);

    const ProfileColumns& c = r.wb.profileColumns;
    ASSERT_EQ(c.m, 7);
    EXPECT_DOUBLE_EQ(c.x[1], 9.35);
    EXPECT_DOUBLE_EQ(c.x[4], 9.5);
    EXPECT_EQ(r.wb.alg.value[1], 9.5);  // the edited centre is the one restored
    // Status: each point's line, the time estimate, then cleared.
    EXPECT_TRUE(r.t.status.EverShowed(
        "Calculating profile point 4 of 7, Value of parameter # 1 which is being profiled is: 9.5000E+00"));
    EXPECT_TRUE(r.t.status.EverShowed("Minimizations remaining:  0"));
    EXPECT_TRUE(r.t.status.EverShowed("Estimated time remaining (m:s): 0:00"));
    EXPECT_EQ(r.t.status.Get(panels::ProfileRemaining), "");
    EXPECT_EQ(r.t.status.Get(panels::Activity(1)), "");
    EXPECT_FALSE(r.wb.engine.mlMode);

    // The plot of the profile, then the window with the data text.
    const auto plots = r.wb.recordedPlots.Of<DistributionPlotData>();
    ASSERT_EQ(plots.size(), 1u);
    EXPECT_EQ(plots[0].kind, DistributionKind::Confidence);
    EXPECT_EQ(plots[0].parameter, 1);
    EXPECT_EQ(plots[0].x.size(), 7);
    TextView& view = r.wb.profileView;
    EXPECT_TRUE(r.t.windows.IsOpen(view));
    EXPECT_EQ(view.Caption(), "Maximum likelihood statistics");
    EXPECT_EQ(view.Button("cmdSave")->caption, "&Save maximum-likelihood data as...");
    const std::string data = view.Area(1);
    EXPECT_EQ(data.rfind("Maximum-likelihood confidence distribution data\r\n", 0), 0u);

    // Save: the date-time name with .mlc, then the file and the text area
    // both start with the line naming the file.
    const auto dir = TempDir("profile-save");
    const std::string path = (dir / "rig.mlc").string();
    d.ExpectFile("Save maximum-likelihood values in...", path);
    view.Click("cmdSave");
    const FileRequest& request = d.Last().request;
    EXPECT_EQ(request.filter, "All files (*.*)|*.*|Max-like files (*.mlc)|*.mlc");
    EXPECT_EQ(request.selectedFilter, 2);
    EXPECT_EQ(request.initialName, "12071842.mlc");
    EXPECT_TRUE(request.overwritePrompt);
    const std::string expected = "Originally saved with the file name: " + path + "\r\n\r\n" + data;
    EXPECT_EQ(ReadWholeFile(path), expected);
    EXPECT_EQ(view.Area(1), expected);
    std::filesystem::remove_all(dir);
}

TEST(LikelihoodProfileDialogue, RedisplayEvaluatesNothingAndRefusalsEndWithoutPoints) {
    GaussianRig r(Sample());
    ScriptedDialogs& d = r.t.dialogs;
    ExpectOpening(d, "1", "0");
    ASSERT_EQ(LikelihoodProfileEvaluation(r.wb), ProfileEnd::Completed);
    ASSERT_EQ(r.wb.profileColumns.m, 25);  // 0 points give 25
    EXPECT_NEAR(r.wb.profileColumns.x[25] - r.wb.profileColumns.x[1], 24 * 0.1, 1e-12);
    const std::string first = r.wb.profileView.Area(1);

    // No to "perform minimizations now?": the same columns and text again,
    // and not one call of MODEL.
    const int calls = CallsOf(r.model);
    r.wb.profileView.SetArea(1, "edited");
    d.ExpectMessage(kTitle, "", Answer::OK)
        .ExpectMessage(kTitle, "Do you want to continue?", Answer::Yes)
        .ExpectMessage(kTitle, "Choosing 'NO' will give you the previous ML plots", Answer::No);
    EXPECT_EQ(LikelihoodProfileEvaluation(r.wb), ProfileEnd::Redisplayed);
    EXPECT_EQ(CallsOf(r.model), calls);
    EXPECT_EQ(r.wb.profileView.Area(1), first);
    EXPECT_EQ(r.wb.recordedPlots.Of<DistributionPlotData>().size(), 2u);

    // No at the continue question, Cancel at the parameter prompt: nothing runs.
    d.ExpectMessage(kTitle, "").ExpectMessage(kTitle, "Do you want to continue?", Answer::No);
    EXPECT_EQ(LikelihoodProfileEvaluation(r.wb), ProfileEnd::Declined);
    d.ExpectMessage(kTitle, "")
        .ExpectMessage(kTitle, "Do you want to continue?", Answer::Yes)
        .ExpectMessage(kTitle, "perform minimizations now?", Answer::Yes)
        .ExpectPrompt("Enter constant", "", "1")
        .ExpectPrompt(kTitle, "Choose the parameter number", "");
    EXPECT_EQ(LikelihoodProfileEvaluation(r.wb), ProfileEnd::Cancelled);
    EXPECT_EQ(CallsOf(r.model), calls);

    // A parameter whose step the user set to 0 in the editor is refused.
    d.ExpectMessage(kTitle, "")
        .ExpectMessage(kTitle, "Do you want to continue?", Answer::Yes)
        .ExpectMessage(kTitle, "perform minimizations now?", Answer::Yes)
        .ExpectPrompt("Enter constant", "", "1")
        .ExpectPrompt(kTitle, "Choose the parameter number", "2")
        .ExpectPrompt(kTitle, "points", "25")
        .ExpectMessage(kTitle, "SIMPLEX", Answer::Yes)
        .ExpectMessage(kTitle, "The parameter chosen has a step size of zero; please try again");
    EXPECT_EQ(LikelihoodProfileEvaluation(r.wb, [&] { r.wb.alg.step[2] = 0.0; }), ProfileEnd::ZeroStep);
    EXPECT_EQ(d.Last().icon, Icon::Exclamation);
    EXPECT_EQ(CallsOf(r.model), calls);
    EXPECT_FALSE(r.wb.engine.mlMode);
}

TEST(LikelihoodProfileDialogue, StepsFromACovarianceGridSpanFourStandardErrors) {
    GaussianRig r(Sample());
    Workbench& wb = r.wb;
    SetUpRun(wb.alg, wb.engine);
    CovarianceSettings cs;
    cs.constant = 1.0;
    wb.covariance = ComputeCovariances(wb, PlanCovariances(wb, wb.alg.value, wb.alg.step), cs);
    ASSERT_EQ(wb.covariance.ValidGrids(), 3);
    wb.app.covarianceCurrent = true;
    const double se1 = wb.covariance.ParameterStandardError(1, 2);
    const double se2 = wb.covariance.ParameterStandardError(2, 2);
    // The mean's SE on the grid is the sample SD over sqrt(n).
    EXPECT_NEAR(se1, r.sample.SD() / std::sqrt(40.0), 0.01 * se1);

    ScriptedDialogs& d = r.t.dialogs;
    const char* grid = "Base step sizes on SD's from covariance grid 1, 2, 3, No or Quit?";
    ExpectOpening(d, "1", "25");
    d.ExpectPrompt(kTitle, grid, "4")  // not a grid: asked again
        .ExpectPrompt(kTitle, "Please enter 1, 2, 3, N, or Q", "2")
        .ExpectMessage("A friendly reminder", "Your algorithm file may have been automatically edited");
    double stepDuringEdit = 0.0, otherStepDuringEdit = 0.0;
    EXPECT_EQ(LikelihoodProfileEvaluation(wb,
                                          [&] {
                                              stepDuringEdit = wb.alg.step[1];
                                              otherStepDuringEdit = wb.alg.step[2];
                                          }),
              ProfileEnd::Completed);
    EXPECT_EQ(d.shown[6].request.initialName, "N");
    // m = 25: every free step is SE / 3, and the profile spans +-4 SE.
    EXPECT_DOUBLE_EQ(stepDuringEdit, se1 / 3.0);
    EXPECT_DOUBLE_EQ(otherStepDuringEdit, se2 / 3.0);
    EXPECT_DOUBLE_EQ(wb.alg.step[2], se2 / 3.0);  // only the profiled parameter's own step is restored
    EXPECT_NEAR(wb.profileColumns.x[25] - wb.profileColumns.x[1], 8.0 * se1, 1e-12);
    // The profile's SE (a t with 39 degrees of freedom, over +-4 of the grid's
    // SEs) is close to the grid's.
    EXPECT_NEAR(wb.profileColumns.xML, r.sample.Mean(), 1e-12);
    EXPECT_FALSE(wb.app.covarianceCurrent);  // the minimisations made the store stale

    // With current results "Q" (or Cancel) ends the evaluation at once.
    wb.app.covarianceCurrent = true;
    d.ExpectMessage(kTitle, "")
        .ExpectMessage(kTitle, "Do you want to continue?", Answer::Yes)
        .ExpectMessage(kTitle, "perform minimizations now?", Answer::Yes)
        .ExpectPrompt("Enter constant", "", "1")
        .ExpectPrompt(kTitle, "parameter", "1")
        .ExpectPrompt(kTitle, "points", "25")
        .ExpectMessage(kTitle, "SIMPLEX", Answer::Yes)
        .ExpectPrompt(kTitle, grid, "q");
    EXPECT_EQ(LikelihoodProfileEvaluation(wb), ProfileEnd::Cancelled);
}

TEST(LikelihoodProfileDialogue, TheMlInterruptMenuQuestionEndsTheLoop) {
    GaussianRig r(Sample());
    ScriptedDialogs& d = r.t.dialogs;
    // The main window shows its ML "&Interrupt" menu while maximum-likelihood
    // mode is on, which it is whenever the points let events run.
    int eventsOutsideMlMode = 0;
    ExpectOpening(d, "1", "25");
    // The menu is pressed as point 6 starts; the question comes once that
    // point has been evaluated, and points 1 to 5 are kept.
    d.onProcessEvents = [&](int) {
        if (!r.wb.engine.mlMode) ++eventsOutsideMlMode;
        if (r.t.status.Get(panels::Activity(1)).find("point 6 of 25") == std::string::npos) return;
        if (r.wb.app.mlInterrupt) return;
        r.wb.app.mlInterrupt = true;
    };
    d.ExpectMessage("Maximum-likelihood calculations", "Interrupt received.  Quit calculations?", Answer::Yes)
        .ExpectMessage(kTitle, "The grid is too coarse for this distribution");  // five points 0.1 apart
    EXPECT_EQ(LikelihoodProfileEvaluation(r.wb), ProfileEnd::Completed);
    EXPECT_EQ(eventsOutsideMlMode, 0);
    EXPECT_FALSE(r.wb.engine.mlMode);
    EXPECT_EQ(r.wb.profileColumns.m, 5);
    EXPECT_EQ(r.wb.alg.value[1], r.sample.Mean());
    EXPECT_FALSE(r.wb.app.mlInterrupt);
}

TEST(EvaluationChoice, ButtonsRunTheirEvaluationAndReturnToTheMenu) {
    MinimiserRig r(1, Quadratic({0.0}));
    EvaluationChoice choice(r.wb);
    std::vector<std::string> log;
    choice.applicationMenu = [&](bool on) { log.push_back(on ? "app on" : "app off"); };
    choice.onFinished = [&] { log.push_back("menu"); };
    EXPECT_TRUE(choice.ProfileAvailable());
    EXPECT_TRUE(choice.PosteriorAvailable());

    // The posterior button runs the posterior evaluation, whose second
    // question ends it here.
    r.t.dialogs.ExpectMessage(posterior_text::Title, "")
        .ExpectMessage(posterior_text::Title, "", Answer::No);
    choice.Open();
    choice.ChoosePosterior();
    EXPECT_FALSE(choice.IsOpen());
    EXPECT_EQ(log, (std::vector<std::string>{"app off", "app on", "menu"}));
    choice.Cancel();  // closed: ignored
    EXPECT_EQ(log.size(), 3u);

    log.clear();
    bool runningInside = false;
    choice.runPosterior = [&] {
        runningInside = choice.Running() && !choice.IsOpen();
        log.push_back("posterior");
    };
    choice.Open();
    choice.ChoosePosterior();
    EXPECT_TRUE(runningInside);
    EXPECT_FALSE(choice.Running());
    EXPECT_EQ(log, (std::vector<std::string>{"app off", "posterior", "app on", "menu"}));
    choice.ChoosePosterior();  // closed: ignored
    EXPECT_EQ(log.size(), 4u);

    // The profile button runs the likelihood profile, whose first question
    // ends it here.
    log.clear();
    r.t.dialogs.ExpectMessage(kTitle, "").ExpectMessage(kTitle, "Do you want to continue?", Answer::No);
    choice.Open();
    choice.ChooseProfile();
    EXPECT_EQ(log, (std::vector<std::string>{"app off", "app on", "menu"}));
}
