// The posterior dialogue walked through the scripted ports: prompts and
// their rules, steps from a covariance grid, the refusals, interrupts, the
// plots, the grid file and the "Bayesian statistics" window with its Save.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/MinimiserRig.h"
#include "evaluation/PosteriorCommand.h"
#include "numeric/Format.h"

using namespace corvane;
using namespace corvane::testing;
using namespace corvane::posterior_text;

namespace {

// A model that reports a data count, as a sum-of-squares model would.
class CountedModel : public FunctionModel {
public:
    using FunctionModel::FunctionModel;
    void MODEL(double& F, Vec1<double>& X, Vec1<double>& step, Vec1<std::string>& description, Vec1<std::string>& fuse,
               int& NP, std::int32_t& NF, std::int32_t& dataCount, Vec1<double>& dF, Mat1<double>& d2F,
               double& own) override {
        FunctionModel::MODEL(F, X, step, description, fuse, NP, NF, dataCount, dF, d2F, own);
        dataCount = 20;
    }
};

struct PosteriorRig : MinimiserRig {
    using MinimiserRig::MinimiserRig;

    // The two opening boxes, the second answered Yes.
    PosteriorRig& Opening() {
        t.dialogs.ExpectMessage(Title, "This routine will create a series of plots")
            .ExpectMessage(Title, "First choose the parameter to be evaluated", Answer::Yes);
        return *this;
    }
    PosteriorRig& Constant(const std::string& c = "1") {
        t.dialogs.ExpectPrompt("Enter constant", "Enter the constant WHICH WILL MAKE", c);
        return *this;
    }
    PosteriorRig& Parameter(const std::string& p) {
        t.dialogs.ExpectPrompt(Title, "Choose the parameter number to be evaluated or Quit: ", p);
        return *this;
    }
    PosteriorRig& Points(const std::string& m) {
        t.dialogs.ExpectPrompt(Title, "Choose the number of data points for profile parameter:", m);
        return *this;
    }
    PosteriorRig& Grid(const std::string& g) {
        t.dialogs.ExpectPrompt(Title, "Choose the number of data points for grid parameter:", g);
        return *this;
    }
    // The refusal of an answer that names no parameter.
    PosteriorRig& Refused() {
        t.dialogs.ExpectMessage(Title, "is not one of the choices.\r\nPlease enter a whole number from 1 to ");
        return *this;
    }
    // The cost, answered Yes.
    PosteriorRig& Cost(const std::string& piece = "function calls, which will take") {
        t.dialogs.ExpectMessage(Title, piece, Answer::Yes);
        return *this;
    }
    PosteriorEnd Run() {
        PosteriorCommandHooks h = hooks;
        h.editParameters = [this] {
            ++edits;
            if (hooks.editParameters) hooks.editParameters();
        };
        return BayesianPosteriorCommand(wb, h);
    }
    int ObjectiveCalls() const {
        int n = 0;
        for (auto c : model.calls) n += c == nf::Once;
        return n;
    }
    PosteriorCommandHooks hooks;
    int edits = 0;
};

double Bowl(const Vec1<double>& x) { return (x[1] - 2.0) * (x[1] - 2.0) + 4.0 * (x[2] + 1.0) * (x[2] + 1.0) + 0.5 * x[1] * x[2]; }

}  // namespace

TEST(PosteriorDialogue, OneIntegratedParameterWalksToThePlotsTheGridFileAndTheSavedPosterior) {
    const auto dir = TempDir("posterior-walk");
    PosteriorRig r(2, Bowl);
    r.Free(1, 2.0, 0.1);
    r.Free(2, -1.0, 0.05);
    std::vector<bool> menu;
    r.wb.showBayesianInterruptMenu = [&](bool shown) { menu.push_back(shown); };
    const std::string grd = (dir / "walk.grd").string();
    r.Opening().Constant("1").Parameter("1").Points("24").Grid("25").Cost(
        "This integration needs 625 function calls, which will take less than a second.\r\n\r\nContinue?");
    r.t.dialogs.ExpectMessage("Bivariate plot", "Do you want to view a bivariate plot of parameters 1 and 2?",
                              Answer::Yes)
        .ExpectFile("Save grid values in...", grd)
        .ExpectMessage(Title, "The grid does not reach the distribution's tails");  // +-1.2 of a wide bowl
    EXPECT_EQ(r.Run(), PosteriorEnd::Integrated);
    EXPECT_TRUE(r.t.dialogs.AllDone());
    EXPECT_EQ(r.edits, 1);

    // The texts as shown.
    const auto& shown = r.t.dialogs.shown;
    EXPECT_EQ(shown[0].text, PosteriorIntroductionText());
    EXPECT_EQ(shown[0].icon, Icon::Information);
    EXPECT_TRUE(shown[0].text.ends_with("\r\n\r\nIf only two variables are evaluated a bivarate pdf plot is also generated"));
    EXPECT_EQ(shown[1].buttons, Buttons::YesNo);
    EXPECT_TRUE(shown[1].text.ends_with("in your algorithm data file.\r\n\r\nDo you want to continue?"));
    EXPECT_EQ(shown[3].text, "Choose the parameter number to be evaluated or Quit: \r\n0 < parameter # <= 2");
    EXPECT_EQ(shown[4].text, "Choose the number of data points for profile parameter:\r\n0 <= # points <= 1001");
    EXPECT_EQ(shown[4].request.initialName, "25");
    EXPECT_EQ(shown[5].request.initialName, "25");
    const auto& file = shown[shown.size() - 2].request;
    EXPECT_EQ(file.filter, "All files (*.*)|*.*|Grid files (*.grd)|*.grd");
    EXPECT_EQ(file.selectedFilter, 2);
    EXPECT_EQ(file.initialName, "12071842.grd");
    EXPECT_TRUE(file.overwritePrompt);

    // 24 became 25 points; 25 x 25 nodes and the reference.
    EXPECT_EQ(r.ObjectiveCalls(), 626);
    EXPECT_TRUE(r.t.status.EverShowed("625 function calls required"));
    EXPECT_TRUE(r.t.status.EverShowed("Started at 18:42:05"));
    EXPECT_TRUE(r.t.status.EverShowed("Integrating probabilities for profile parameter #1"));
    EXPECT_TRUE(r.t.status.EverShowed("Integrations completed at 18:42:05"));
    EXPECT_TRUE(r.t.status.EverShowed("Value of parameter being profiled: 8.0000E-01 (point 1 of 25)"));
    EXPECT_TRUE(r.t.status.EverShowed("Parameter #2 (point 25 of 25)"));
    EXPECT_TRUE(r.t.status.EverShowed("Function calls remaining: 0"));
    EXPECT_EQ(r.t.status.Get(panels::Activity(1)), "");
    EXPECT_EQ(r.t.status.Get(Panel{4, 4}), "");

    // The plots: the seven distributions, then the density.
    const auto dist = r.wb.recordedPlots.Of<DistributionPlotData>();
    ASSERT_EQ(dist.size(), 1u);
    EXPECT_EQ(dist[0].kind, DistributionKind::Posterior);
    EXPECT_EQ(dist[0].parameter, 1);
    ASSERT_EQ(dist[0].x.size(), 25);
    EXPECT_DOUBLE_EQ(dist[0].x[1], 2.0 - 12 * 0.1);
    const auto biv = r.wb.recordedPlots.Of<BivariatePlotData>();
    ASSERT_EQ(biv.size(), 1u);
    EXPECT_EQ(biv[0].y.size(), 25);
    const std::string grid = ReadWholeFile(grd);
    EXPECT_TRUE(grid.starts_with("Bivariate plot data for parameters 1 and 2 \r\n"));
    EXPECT_EQ(std::count(grid.begin(), grid.end(), '\n'), 2 + 625);

    // The window, its text and its Save.
    TextView& view = r.wb.posteriorView;
    EXPECT_TRUE(r.t.windows.IsOpen(view));
    EXPECT_EQ(view.Caption(), "Bayesian statistics");
    EXPECT_FALSE(view.editable);  // a result reads as it was computed
    const ViewButton* save = view.Button("cmdSave");
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->caption, "&Save Bayesian posterior distribution data as...");
    EXPECT_EQ(save->toolTip, "Saves the (possibly edited) output appearing in the textbox below");
    const std::string text = view.Area(1);
    EXPECT_TRUE(text.starts_with("Bayesian posterior distribution data\r\n\r\n  Point       Value         -ln[L]"));
    EXPECT_NE(text.find("Max Likelihood: "), std::string::npos);
    const std::string pos = (dir / "walk.pos").string();
    view.UserEdited(1, text + "A note of mine\r\n");
    r.t.dialogs.ExpectFile("Save Bayesian posterior values in...", pos);
    view.Click("cmdSave");
    EXPECT_EQ(r.t.dialogs.Last().request.filter, "All files (*.*)|*.*|Bayesian posterior files (*.pos)|*.pos");
    EXPECT_EQ(r.t.dialogs.Last().request.initialName, "12071842.pos");
    EXPECT_EQ(ReadWholeFile(pos), "Originally saved with the file name: " + pos + "\r\n\r\n" + text + "A note of mine\r\n");

    // The run left the algorithm data as they were and recorded itself.
    EXPECT_EQ(r.wb.alg.value[1], 2.0);
    EXPECT_EQ(r.wb.alg.step[1], 0.1);
    EXPECT_EQ(r.wb.alg.value[2], -1.0);
    EXPECT_EQ(r.wb.lastEvaluationKind, "BP");
    EXPECT_TRUE(r.wb.evaluationResultsExist);
    EXPECT_EQ(r.wb.profileColumns.m, 25);
    EXPECT_FALSE(r.wb.engine.bayesianMode);
    EXPECT_EQ(r.wb.engine.evaluatedParameter, 0);
    EXPECT_EQ(menu, (std::vector<bool>{true, false}));  // the interrupt menu shown, then hidden
}

TEST(PosteriorDialogue, TheStoredPosteriorIsShownAgainWithoutAnyEvaluation) {
    PosteriorRig r(2, Bowl);
    r.Free(1, 2.0, 0.1);
    r.Free(2, -1.0, 0.05);
    r.Opening().Constant().Parameter("1").Points("11").Grid("9").Cost();
    r.t.dialogs.ExpectMessage("Bivariate plot", "Do you want to view", Answer::No)
        .ExpectMessage(Title, "The grid does not reach the distribution's tails");
    r.Run();
    const std::string first = r.wb.posteriorView.Area(1);
    const auto calls = r.model.calls.size();

    r.Opening();
    r.t.dialogs.ExpectMessage(Title, "Do you want to perform integrations now?\r\n\r\nChoosing 'NO' will give you the previous BP plots",
                              Answer::No)
        .ExpectMessage("Bivariate plot", "of parameters 1 and 2?", Answer::Yes)
        .ExpectFile("Save grid values in...", std::nullopt);
    EXPECT_EQ(r.Run(), PosteriorEnd::Redisplayed);
    EXPECT_EQ(r.model.calls.size(), calls);
    EXPECT_EQ(r.edits, 1);
    EXPECT_EQ(r.wb.posteriorView.Area(1), first);
    const auto dist = r.wb.recordedPlots.Of<DistributionPlotData>();
    ASSERT_EQ(dist.size(), 2u);
    EXPECT_EQ(dist[1].pdf, dist[0].pdf);
    EXPECT_EQ(r.wb.recordedPlots.Of<BivariatePlotData>().size(), 1u);

    // A likelihood profile in the columns is not offered as a posterior.
    r.wb.lastEvaluationKind = "ML";
    r.Opening().Constant().Parameter("");
    EXPECT_EQ(r.Run(), PosteriorEnd::Ended);
}

TEST(PosteriorDialogue, SizeAnswersOutOfRangeStartTheQuestionsAgainFromTheParameter) {
    PosteriorRig r(3, Quadratic({0, 0, 0}));
    r.Free(1, 0.0, 0.1);
    r.Free(2, 0.0, 0.1);
    r.Free(3, 0.0, 0.0);
    r.Opening().Constant().Parameter("x").Refused().Parameter("4").Refused().Parameter("0").Refused().Parameter(
        "2.2");  // refused with a message, then asked again
    r.Points("").Points("many").Points("0");                                          // 0: start again
    r.Constant().Parameter("2").Points("1002");                                          // 1002: again
    r.Constant().Parameter("2").Points("5").Grid("0");                                   // grid 0: again
    r.Constant().Parameter("2").Points("5").Grid("1002");                                // grid 1002: again
    r.Constant().Parameter("2").Points("2").Grid("2").Cost();                            // 2 becomes 3
    r.t.dialogs.ExpectMessage("Bivariate plot", "of parameters 2 and 1?", Answer::No)
        .ExpectMessage(Title, "The grid is too coarse");
    EXPECT_EQ(r.Run(), PosteriorEnd::Integrated);
    EXPECT_TRUE(r.t.status.EverShowed("9 function calls required"));
    EXPECT_EQ(r.wb.profileColumns.m, 3);

    // Cancel at the parameter prompt ends it all.
    PosteriorRig q(1, Quadratic({0}));
    q.Free(1, 0.0, 0.1);
    q.Opening().Constant().Parameter("");
    EXPECT_EQ(q.Run(), PosteriorEnd::Ended);
    EXPECT_EQ(q.edits, 0);
    EXPECT_FALSE(q.wb.engine.bayesianMode);
}

TEST(PosteriorDialogue, TwoIntegratedParametersWithTwentyFiveGridPointsNeed625CallsPerPoint) {
    PosteriorRig r(3, Quadratic({0, 0, 0}));
    r.Free(1, 0.0, 0.1);
    r.Free(2, 0.0, 0.1);
    r.Free(3, 0.0, 0.1);
    r.Opening().Constant().Parameter("2").Points("3").Grid("25").Cost("This integration needs 1875 function calls");
    r.t.dialogs.ExpectMessage(Title, "The grid is too coarse");
    EXPECT_EQ(r.Run(), PosteriorEnd::Integrated);
    // Every node of the 25 x 25 grid at each of the 3 points, and the reference.
    EXPECT_TRUE(r.t.status.EverShowed("1875 function calls required"));
    EXPECT_EQ(r.ObjectiveCalls(), 1 + 3 * 625);
    EXPECT_TRUE(r.wb.recordedPlots.Of<BivariatePlotData>().empty());  // no bivariate question either
}

TEST(PosteriorDialogue, StepsFromCovarianceGridOneWithFifteenGridPointsAreHalfAnSE) {
    PosteriorRig r(3, Quadratic({1, 2, 3}));
    r.Free(1, 1.0, 0.1);
    r.Free(2, 2.0, 0.1);
    r.Free(3, 3.0, 0.1);
    r.wb.app.covarianceCurrent = true;
    std::vector<int> grids;
    r.hooks.standardError = [&](int parameter, int grid) {
        grids.push_back(grid);
        if (grid == 2) return -1.0;  // a grid without a result
        return 0.2 * parameter;
    };
    r.Opening().Constant().Parameter("3").Points("25").Grid("15");
    r.t.dialogs.ExpectPrompt(Title, GridPrompt, "2")
        .ExpectMessage(Title, "Covariance grid 2 has no valid standard errors")
        .ExpectPrompt(Title, GridPrompt, "1");
    r.Cost();
    std::vector<double> stepsInEditor;
    r.hooks.editParameters = [&] { stepsInEditor = {r.wb.alg.step[1], r.wb.alg.step[2], r.wb.alg.step[3]}; };
    r.t.dialogs.ExpectMessage("A friendly reminder", "Your algorithm file may have been automatically edited");
    EXPECT_EQ(r.Run(), PosteriorEnd::Integrated);
    EXPECT_EQ(r.t.dialogs.shown[6].request.initialName, "N");
    ASSERT_EQ(stepsInEditor.size(), 3u);
    EXPECT_DOUBLE_EQ(stepsInEditor[0], 0.2 / 2.0);
    EXPECT_DOUBLE_EQ(stepsInEditor[1], 0.4 / 2.0);
    EXPECT_DOUBLE_EQ(stepsInEditor[2], 8.0 * 0.6 / 24.0);
    // Steps based on the grid stay; the profiled parameter gets back its (new) step.
    EXPECT_DOUBLE_EQ(r.wb.alg.step[1], 0.1);
    EXPECT_DOUBLE_EQ(r.wb.alg.step[3], 0.2);
    EXPECT_TRUE(r.t.status.EverShowed(NumberText(25 * 15 * 15) + " function calls required"));

    // "Q" ends with nothing computed.
    const auto calls = r.ObjectiveCalls();
    r.wb.lastEvaluationKind.clear();
    r.Opening().Constant().Parameter("3").Points("25").Grid("15");
    r.t.dialogs.ExpectPrompt(Title, GridPrompt, "q");
    EXPECT_EQ(r.Run(), PosteriorEnd::Ended);
    EXPECT_EQ(r.ObjectiveCalls(), calls);
}

TEST(PosteriorDialogue, StepsComeFromTheWorkbenchsCovarianceResults) {
    PosteriorRig r(2, Quadratic({1, 2}, {2, 8}));
    r.Free(1, 1.0, 0.1);
    r.Free(2, 2.0, 0.1);
    SetUpRun(r.wb.alg, r.wb.engine);
    r.wb.priorTable.reciprocalConstant = 1.0;
    CovarianceSettings settings;
    settings.constant = 1.0;
    r.wb.covariance = ComputeCovariances(r.wb, PlanCovariances(r.wb, r.wb.alg.value, r.wb.alg.step), settings);
    r.wb.app.covarianceCurrent = true;
    // -ln[L] = 2 (x1 - 1)^2 + 8 (x2 - 2)^2: SEs 1/2 and 1/4.
    ASSERT_NEAR(r.wb.covariance.ParameterStandardError(1, 1), 0.5, 1e-9);
    ASSERT_NEAR(r.wb.covariance.ParameterStandardError(2, 1), 0.25, 1e-9);
    std::vector<double> steps;
    r.hooks.editParameters = [&] { steps = {r.wb.alg.step[1], r.wb.alg.step[2]}; };
    r.Opening().Constant("1").Parameter("2").Points("25").Grid("15");
    r.t.dialogs.ExpectPrompt(Title, GridPrompt, "1")
        .ExpectMessage(Title, "function calls", Answer::Yes)
        .ExpectMessage("Bivariate plot", "of parameters 2 and 1?", Answer::No)
        .ExpectMessage("A friendly reminder", "Your algorithm file may have been automatically edited");
    EXPECT_EQ(r.Run(), PosteriorEnd::Integrated);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_NEAR(steps[0], 0.5 / 2.0, 1e-9);   // g = 15: SE / 2
    EXPECT_NEAR(steps[1], 0.25 / 3.0, 1e-9);  // m = 25: SE / 3
    // The grid spans 3.5 SEs and the profile 4 SEs on each side.
    const ProfileColumns& c = r.wb.profileColumns;
    EXPECT_NEAR(c.x[25] - c.x[13], 4.0 * 0.25, 1e-9);
    EXPECT_NEAR(r.wb.posterior.bivariate->y[15] - r.wb.posterior.bivariate->y[8], 3.5 * 0.5, 1e-9);
}

TEST(PosteriorDialogue, RefusalsLeaveTheAlgorithmDataAsTheyWere) {
    {
        // The profiled parameter with step 0, found after editing.
        PosteriorRig r(2, Bowl);
        r.Free(1, 2.0, 0.0);
        r.Free(2, -1.0, 0.05);
        r.Opening().Constant().Parameter("1").Points("5").Grid("5");
        r.t.dialogs.ExpectMessage(SetupTitle, "The parameter chosen has a step size of zero; please try again");
        EXPECT_EQ(r.Run(), PosteriorEnd::Ended);
        EXPECT_EQ(r.t.dialogs.Last().icon, Icon::Exclamation);
    }
    {
        // Seven parameters to integrate.
        PosteriorRig r(8, Quadratic({0, 0, 0, 0, 0, 0, 0, 0}));
        for (int i = 1; i <= 8; ++i) r.Free(i, 0.5 * i, 0.1);
        r.Opening().Constant().Parameter("4").Points("3").Grid("3");
        r.t.dialogs.ExpectMessage(SetupTitle, "Too many free parameters - maximum is 6");
        EXPECT_EQ(r.Run(), PosteriorEnd::Ended);
        EXPECT_EQ(r.wb.alg.step[4], 0.1);
        EXPECT_EQ(r.wb.alg.value[4], 2.0);
        EXPECT_EQ(r.ObjectiveCalls(), 0);
    }
    {
        // 1001 x 1001^6 calls.
        PosteriorRig r(7, Quadratic({0, 0, 0, 0, 0, 0, 0}));
        for (int i = 1; i <= 7; ++i) r.Free(i, 0.0, 0.1);
        r.Opening().Constant().Parameter("1").Points("1001").Grid("1001");
        r.t.dialogs.ExpectMessage("Too many function calls",
                                  "Required number of function calls exceeds the maximum allowed of 32767.\r\n"
                                  "This set-up needs about 1.0E+21 function calls.\r\n"
                                  "Correct this by reducing the number of free parameters or the grid resolution");
        EXPECT_EQ(r.Run(), PosteriorEnd::Ended);
    }
    {
        // Editing gives a second parameter a step after the sizes were asked.
        PosteriorRig r(2, Bowl);
        r.Free(1, 2.0, 0.1);
        r.Free(2, -1.0, 0.0);
        r.hooks.editParameters = [&] { r.wb.alg.step[2] = 0.05; };
        r.Opening().Constant().Parameter("1").Points("5");
        r.t.dialogs.ExpectMessage(SetupTitle, "No number of grid points was chosen");
        EXPECT_EQ(r.Run(), PosteriorEnd::Ended);
        EXPECT_EQ(r.wb.alg.step[1], 0.1);
    }
}

TEST(PosteriorDialogue, AnInterruptAsksAndQuittingKeepsEveryFinishedPoint) {
    // Each call takes a second, so the progress is shown after every point.
    FixedClock* clock = nullptr;
    PosteriorRig r(2, [&clock](const Vec1<double>& x) {
        clock->Advance(1.0);
        return Bowl(x);
    });
    clock = &r.t.clock;
    r.Free(1, 2.0, 0.2);
    r.Free(2, -1.0, 0.1);
    // ProcessEvents: once before the first point, then after each point.
    r.t.dialogs.onProcessEvents = [&](int call) {
        if (call == 3 || call == 7) r.wb.app.bayesianInterrupt = true;
    };
    // The reference call took a second: 9 x 5 calls at a second each.
    r.Opening().Constant().Parameter("1").Points("9").Grid("5").Cost(
        "This integration needs 45 function calls, which will take about 45 seconds.");
    r.t.dialogs.ExpectMessage(InterruptTitle, "Interrupt received.  Quit calculations?", Answer::No)
        .ExpectMessage(InterruptTitle, "Interrupt received.  Quit calculations?", Answer::Yes)
        .ExpectMessage("Bivariate plot", "of parameters 1 and 2?", Answer::No)
        .ExpectMessage(Title, "The grid is too coarse");
    EXPECT_EQ(r.Run(), PosteriorEnd::Integrated);
    EXPECT_FALSE(r.wb.app.bayesianInterrupt);
    EXPECT_EQ(r.wb.profileColumns.m, 6);  // quit once point 6 was finished
    EXPECT_EQ(r.ObjectiveCalls(), 1 + 6 * 5);
    EXPECT_TRUE(r.t.status.EverShowed("Estimated time remaining (m:s): 0:15"));  // after point 6: 15 calls at 1 s

    // Quitting after point 2 leaves too little to show; the earlier result stays.
    const std::string before = r.wb.posteriorView.Area(1);
    r.t.dialogs.processEventsCalls = 0;
    r.t.dialogs.onProcessEvents = [&](int call) {
        if (call == 3) r.wb.app.bayesianInterrupt = true;
    };
    r.Opening();
    r.t.dialogs.ExpectMessage(Title, "Do you want to perform integrations now?", Answer::Yes);
    r.Constant().Parameter("1").Points("9").Grid("5").Cost();
    r.t.dialogs.ExpectMessage(InterruptTitle, "Interrupt received.", Answer::Yes)
        .ExpectMessage(InterruptTitle, "Fewer than 3 profile points were completed; there is nothing to show");
    EXPECT_EQ(r.Run(), PosteriorEnd::Integrated);
    EXPECT_EQ(r.wb.profileColumns.m, 6);
    EXPECT_EQ(r.wb.posteriorView.Area(1), before);
    EXPECT_EQ(r.wb.lastEvaluationKind, "BP");
}

TEST(PosteriorDialogue, NothingIntegratedShowsTheProfileStatusAndAsksNoGridSize) {
    PosteriorRig r(2, Bowl);
    r.Free(1, 2.0, 0.1);
    r.Free(2, -1.0, 0.0);
    r.Opening().Constant("0.5").Parameter("1").Points("7").Cost("This integration needs 7 function calls");
    r.t.dialogs.ExpectMessage(Title, "The grid is too coarse");
    EXPECT_EQ(r.Run(), PosteriorEnd::Integrated);
    EXPECT_EQ(r.ObjectiveCalls(), 1 + 7);  // the starting values, evaluated only to time a call
    EXPECT_TRUE(r.t.status.EverShowed(
        "Calculating profile point 1 of 7, Value of parameter # 1 which is being profiled is: 1.7000E+00"));
    EXPECT_TRUE(r.wb.recordedPlots.Of<BivariatePlotData>().empty());
    // -ln[L] = c x objective, relative to the mode: c = 0.5.
    const ProfileColumns& c = r.wb.profileColumns;
    Vec1<double> x(2);
    x[2] = -1.0;
    x[1] = c.x[1];
    const double first = 0.5 * Bowl(x);
    x[1] = c.xML;
    EXPECT_NEAR(c.negLnL[1], first - 0.5 * Bowl(x), 1e-12);
}

TEST(PosteriorDialogue, AModelWithADataCountGetsItsConstantFromTheStartingValues) {
    CountedModel model(2, Bowl);
    TestPorts t;
    Workbench wb(t.ports(), &model);
    InitialiseModel(wb);
    SetDefaultAlgorithmData(wb.alg, 2);
    wb.alg.value[1] = 2.5;
    wb.alg.step[1] = 0.1;
    wb.alg.value[2] = 1.0;
    // No constant prompt: N = 20, one free parameter, F0 the objective at the start.
    t.dialogs.ExpectMessage(Title, "This routine").ExpectMessage(Title, "First choose", Answer::Yes);
    t.dialogs.ExpectPrompt(Title, "Choose the parameter number", "1")
        .ExpectPrompt(Title, "Choose the number of data points for profile parameter:", "5")
        .ExpectMessage(Title, "This integration needs 5 function calls", Answer::Yes)
        .ExpectMessage(Title, "The grid is too coarse");
    Vec1<double> start(2);
    start[1] = 2.5;
    start[2] = 1.0;
    const double f0 = Bowl(start);
    BayesianPosteriorCommand(wb);
    EXPECT_DOUBLE_EQ(wb.priorTable.reciprocalConstant, (20.0 - 1.0 - 1.0) / (2.0 * f0));
}

TEST(PosteriorDialogue, UntickedParametersAreHeldForThisEvaluationOnlyAndTheirStepsKept) {
    // Seven other free parameters: two unticked leave five to integrate.
    PosteriorRig r(8, Quadratic({0, 0, 0, 0, 0, 0, 0, 0}));
    for (int i = 1; i <= 8; ++i) r.Free(i, 0.5 * i, 0.1 * i);
    r.wb.alg.description[3] = " Mean of k (von Bertalanffy) ";
    std::vector<double> stepsInEditor;
    r.hooks.editParameters = [&] {
        for (int i = 1; i <= 8; ++i) stepsInEditor.push_back(r.wb.alg.step[i]);
    };
    r.t.dialogs.checklistAnswers.push_back(std::vector<bool>{true, false, true, true, true, false, true});
    r.Opening().Constant().Parameter("2").Points("3").Grid("3").Cost("This integration needs 729 function calls");
    r.t.dialogs.ExpectMessage(Title, "The grid is too coarse");
    EXPECT_EQ(r.Run(), PosteriorEnd::Integrated);
    EXPECT_TRUE(r.t.dialogs.AllDone());

    ASSERT_EQ(r.t.dialogs.checklists.size(), 1u);
    const Checklist& list = r.t.dialogs.checklists[0];
    EXPECT_EQ(list.maxTicked, 6);
    EXPECT_EQ(list.items[0], "1  Test parameter 1");
    EXPECT_EQ(list.items[1], "3  Mean of k (von Bertalanffy)");
    EXPECT_EQ(list.items[6], "8  Test parameter 8");
    EXPECT_EQ(list.ticked, std::vector<bool>(7, true));
    // 3 points x 3^5 nodes, and the reference.
    EXPECT_TRUE(r.t.status.EverShowed("729 function calls required"));
    EXPECT_EQ(r.ObjectiveCalls(), 1 + 729);
    // The editor saw every step; the held ones have theirs back afterwards.
    ASSERT_EQ(stepsInEditor.size(), 8u);
    for (int i = 1; i <= 8; ++i) {
        EXPECT_DOUBLE_EQ(stepsInEditor[i - 1], 0.1 * i) << i;
        EXPECT_DOUBLE_EQ(r.wb.alg.step[i], 0.1 * i) << i;
    }

    // Cancel at the list ends it, nothing evaluated.
    const int calls = r.ObjectiveCalls();
    r.wb.lastEvaluationKind.clear();
    r.t.dialogs.checklistAnswers.push_back(std::nullopt);
    r.Opening().Constant().Parameter("2").Points("3");
    EXPECT_EQ(r.Run(), PosteriorEnd::Ended);
    EXPECT_EQ(r.ObjectiveCalls(), calls);

    // No to the cost ends it after the one timed call, the steps as they were.
    r.t.dialogs.checklistAnswers.push_back(std::vector<bool>{false, false, false, false, false, false, true});
    r.Opening().Constant().Parameter("2").Points("5").Grid("7");
    r.t.dialogs.ExpectMessage(Title, "This integration needs 35 function calls", Answer::No);
    EXPECT_EQ(r.Run(), PosteriorEnd::Ended);
    EXPECT_EQ(r.ObjectiveCalls(), calls + 1);
    for (int i = 1; i <= 8; ++i) EXPECT_DOUBLE_EQ(r.wb.alg.step[i], 0.1 * i) << i;
}
