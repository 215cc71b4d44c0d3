// The covariance command's dialogue, its progress and result windows, walked
// through the scripted ports.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "CovarianceRig.h"
#include "engine/CovarianceCommand.h"
#include "engine/CovarianceReport.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

const char* kTitle = "Covariance calculator";

struct CommandRig : TridiagonalRig {
    ScriptedDialogs& d = t.dialogs;
    CovarianceDisplay& display = wb.covarianceDisplay;
    int edits = 0;

    CovarianceEnd Run() {
        return CovarianceCommand(wb, [this] { ++edits; });
    }
    // Method, explanation, the factors accepted as offered.
    void ExpectNumericalStart() {
        d.ExpectMessage(kTitle, "Do you want to calculate covariances analytically or numerically?", Answer::No)
            .ExpectMessage(kTitle, "A covariance matrix is calculated by inverting the numerically calculated");
    }
    void ExpectDefaultFactors() {
        for (const char* grid : {"Grid 1 :", "Grid 2 :", "Grid 3 :"}) d.ExpectPrompt(kTitle, grid, "ok");
        d.ExpectMessage(kTitle, "Are these default grid factors OK?", Answer::Yes);
    }
    void ExpectConstantAndOptimistic(const std::string& constant = "0.5", Answer optimistic = Answer::No) {
        d.ExpectPrompt("Enter constant", "Your model suggests you use this constant: ", constant)
            .ExpectMessage("Calculate optimistic SEs only?", "under-estimated conditional SEs?", optimistic);
    }
    const ViewButton& Button(TextView& view, const char* name) { return *view.Button(name); }
    bool Open(const TextView& view) const { return t.windows.IsOpen(view); }
};

}  // namespace

TEST(CovarianceCommand, NumericalDialogueEditsAsksTheFactorsAndShowsTheResults) {
    CommandRig r;
    r.d.ExpectMessage(kTitle, "", Answer::No)
        .ExpectMessage(kTitle, "", Answer::OK)
        .ExpectPrompt(kTitle, "", "2")    // replaces factor 1
        .ExpectPrompt(kTitle, "", "abc")  // not a number: unchanged
        .ExpectPrompt(kTitle, "", "-1")   // not positive: unchanged
        .ExpectMessage(kTitle, "Are these default grid factors OK?\r\n\r\n 1) 2.000E+00     2) 1.000E-01     3) "
                               "1.000E-02",
                       Answer::No)
        .ExpectPrompt(kTitle, " Currently:   1) 2.000E+00     2) 1.000E-01     3) 1.000E-02", "0.5")
        .ExpectPrompt(kTitle, "", "0.5")
        .ExpectPrompt(kTitle, "", "0.05")
        .ExpectMessage(kTitle, " 1) 5.000E-01     2) 5.000E-01     3) 5.000E-02", Answer::Yes);
    r.ExpectConstantAndOptimistic();
    ASSERT_EQ(r.Run(), CovarianceEnd::Completed);
    EXPECT_EQ(r.edits, 1);

    const auto& shown = r.d.shown;
    EXPECT_EQ(shown[0].buttons, Buttons::YesNoCancel);
    EXPECT_EQ(shown[0].text,
              "Do you want to calculate covariances analytically or numerically?  Numerical covariances are provided "
              "automatically, whereas for analytical covariances you must have provided analytical derivatives in "
              "your model code (i.e., in that section of Sub MODEL() accessed when NF=-2).\r\n\r\nWARNING: "
              "Analytical covariances will fail if Bayesian prior probabilities contribute to the likelihood "
              "function.\r\n\r\nDO NOT USE ANALYTICAL COVARIANCES IN CONJUNCTION WITH BAYESIAN PRIOR "
              "DISTRIBUTIONS!\r\n               THE PRIOR DISTRIBUTION FOR ALL PARAMETERS MUST BE "
              "UNIFORM-UNBOUNDED!\r\n\r\nChoose 'Yes' if you have provided ANALYTICAL derivatives; else 'No' to "
              "calculate covariances NUMERICALLY");
    EXPECT_EQ(shown[1].buttons, Buttons::OKCancel);
    EXPECT_EQ(shown[1].icon, Icon::Information);
    EXPECT_EQ(shown[2].text,
              "Default grid factor for Grid 1 :\r\n\r\n Currently:   1) 1.000E+00     2) 1.000E-01     3) "
              "1.000E-02\r\n\r\nValue must be positive for all factors");
    EXPECT_EQ(shown[2].request.initialName, "1");  // the factor's general form
    EXPECT_EQ(shown[3].request.initialName, "0.1");
    EXPECT_EQ(shown[6].request.initialName, "2");
    const auto& optimistic = shown.back();
    EXPECT_EQ(optimistic.text,
              "Choose the quicker option to calculate under-estimated conditional SEs?\r\nEach SE estimate assumes the "
              "SE of all other parameters to be zero (0).\r\n(This is not recommended for final analyses, but can be "
              "a time-efficient way \r\nto rapidly assess relative parameter uncertainty in preliminary analyses).");
    EXPECT_TRUE(optimistic.secondIsDefault);
    EXPECT_EQ(r.wb.priorTable.reciprocalConstant, 2.0);  // the constant's shared store

    // The store.
    const CovarianceResults& res = r.wb.covariance;
    EXPECT_EQ(res.factor[1], 0.5);
    EXPECT_EQ(res.factor[3], 0.05);
    EXPECT_EQ(res.constant, 0.5);
    EXPECT_NEAR(res.StandardError(2, 3), std::sqrt(2.0), 1e-6);

    // The progress window opened with the log; the Interrupt has nothing left to do.
    ASSERT_TRUE(r.Open(r.display.progress));
    EXPECT_EQ(r.display.progress.Caption(), "Covariance calculations");
    const std::string& log = r.display.progress.Area(1);
    EXPECT_EQ(log.find("\r\nNow calculating -ln[likelihood] on grid #1\r\nAverage: "), 0u);
    EXPECT_NE(log.find("\r\nNow calculating Hessian matrix #3\r\nNow inverting Hessian matrix #3\r\nDeterminant of "
                       "covariance matrix: 2.0000000E+00\r\n\r\n"),
              std::string::npos);
    EXPECT_FALSE(r.Button(r.display.progress, "cmdInterrupt").enabled);

    // The result window.
    ASSERT_TRUE(r.Open(r.display.result));
    EXPECT_EQ(r.display.result.Caption(), "Covariance data");
    EXPECT_EQ(r.display.result.Area(1).find("Calculation completed. Do you wish to:\r\n\r\nIf the results for "
                                            "numerically calculated SEs etc. are similar for all three grids, then"),
              0u);
    EXPECT_TRUE(r.Button(r.display.result, "cmdScreen").enabled);
    EXPECT_FALSE(r.Button(r.display.result, "cmdFile").enabled);
    EXPECT_EQ(r.Button(r.display.result, "cmdFile").toolTip, "Saves the (possibly edited) covariance output");

    // Status panels: the activity, the calls and the time estimate, cleared at the end.
    EXPECT_TRUE(r.t.status.EverShowed("One moment please..."));
    EXPECT_TRUE(r.t.status.EverShowed("Hessian function call 1 of 12"));
    EXPECT_TRUE(r.t.status.EverShowed("Estimated time remaining for all three grids (m:s): 0:00"));
    EXPECT_EQ(r.t.status.Get(panels::Activity(2)), "");
}

TEST(CovarianceCommand, ResultWindowPutsTheReportOnScreenSavesItAndFinishes) {
    CommandRig r;
    r.wb.alg.bareName = "tri";
    r.ExpectNumericalStart();
    r.ExpectDefaultFactors();
    r.ExpectConstantAndOptimistic();
    ASSERT_EQ(r.Run(), CovarianceEnd::Completed);
    int finished = 0;
    r.display.finished = [&finished] { ++finished; };

    r.display.result.Click("cmdScreen");
    EXPECT_EQ(r.display.progress.Area(1), CovarianceReportText(r.wb.covariance));
    EXPECT_TRUE(r.t.status.EverShowed("Please be patient while covariance output is collated..."));
    EXPECT_EQ(r.t.status.Get(panels::Activity(1)), "");
    EXPECT_TRUE(r.Button(r.display.result, "cmdFile").enabled);
    const ViewButton& hint = r.Button(r.display.progress, "cmdInterrupt");
    EXPECT_EQ(hint.caption,
              "To save these results [restore or minimize this form then] choose 'Save covariance results as...'");
    r.display.progress.Click("cmdInterrupt");  // only brings the result window forward
    EXPECT_FALSE(r.wb.engine.interruptRequested);

    // The user's edits are what is saved, after the one header line.
    const auto dir = TempDir("covariance-command-save");
    r.display.progress.UserEdited(1, "Edited report\r\n");
    r.d.ExpectFile("Save covariance data in...", (dir / "tri.cov").string());
    r.display.result.Click("cmdFile");
    EXPECT_EQ(r.d.Last().request.filter,
              "All files (*.*)|*.*|Covariance files (*.cov)|*.cov|Named for algorithm file (tri.*)|tri.*|");
    EXPECT_EQ(ReadWholeFile(dir / "tri.cov"),
              "Originally saved with the file name: " + (dir / "tri.cov").string() + "\r\n\r\nEdited report\r\n");
    std::filesystem::remove_all(dir);

    r.display.result.Click("cmdFinish");
    EXPECT_FALSE(r.Open(r.display.result));
    EXPECT_FALSE(r.Open(r.display.progress));
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(r.Button(r.display.progress, "cmdInterrupt").caption, "&Interrupt these calculations");
    EXPECT_FALSE(r.Button(r.display.result, "cmdFile").enabled);

    // Viewing the last results again rebuilds the same report; closing the
    // result window is a finish.
    ShowCovarianceResults(r.wb, false);
    EXPECT_EQ(r.display.result.Area(1).find("Do you wish to:\r\n\r\nIf the results"), 0u);
    r.display.result.Click("cmdScreen");
    EXPECT_EQ(r.display.progress.Area(1), CovarianceReportText(r.wb.covariance));
    ASSERT_TRUE(r.display.result.onUserClose());
    EXPECT_EQ(finished, 2);
    // Closing the progress window alone takes the save away.
    r.display.result.Click("cmdScreen");
    EXPECT_TRUE(r.display.progress.onUserClose());
    EXPECT_FALSE(r.Button(r.display.result, "cmdFile").enabled);
    EXPECT_EQ(r.Button(r.display.progress, "cmdInterrupt").caption, "&Interrupt these calculations");
}

TEST(CovarianceCommand, AnalyticalDialogueSkipsTheGridQuestions) {
    CommandRig r;
    r.model.derivatives = [](const Vec1<double>&, Vec1<double>&, Mat1<double>& h) {
        for (int a = 0; a < 3; ++a)
            for (int b = 0; b < 3; ++b) h(kUsed[a], kUsed[b]) = kA[a][b];
    };
    r.d.ExpectMessage(kTitle, "analytically or numerically?", Answer::Yes);
    r.ExpectConstantAndOptimistic("1");
    ASSERT_EQ(r.Run(), CovarianceEnd::Completed);
    EXPECT_EQ(r.edits, 0);
    EXPECT_EQ(r.wb.covariance.method, CovarianceMethod::Analytical);
    EXPECT_EQ(r.wb.covariance.R[3], r.wb.covariance.R[1]);
    EXPECT_TRUE(r.t.status.EverShowed("One moment please while one function call is executed"));
    EXPECT_TRUE(r.t.status.EverShowed("Calculating covariances, one moment please..."));
    EXPECT_EQ(r.t.status.Get(panels::Activity(1)), "");
    EXPECT_EQ(r.display.progress.Area(1).find("Now inverting Hessian matrix #1\r\n"), 0u);
}

TEST(CovarianceCommand, CancelAtAnyQuestionComputesNothing) {
    for (int at = 0; at < 3; ++at) {
        CommandRig r;
        r.d.ExpectMessage(kTitle, "", at == 0 ? Answer::Cancel : Answer::No);
        if (at >= 1) r.d.ExpectMessage(kTitle, "", at == 1 ? Answer::Cancel : Answer::OK);
        if (at == 2) r.d.ExpectPrompt(kTitle, "Grid 1", "1").ExpectPrompt(kTitle, "Grid 2", "");
        EXPECT_EQ(r.Run(), CovarianceEnd::Cancelled) << at;
        EXPECT_EQ(r.edits, at == 2 ? 1 : 0);
        EXPECT_TRUE(r.model.calls.empty() || r.model.calls == std::vector<std::int32_t>{0}) << at;
        EXPECT_FALSE(r.wb.covariance.computed);
        EXPECT_FALSE(r.Open(r.display.result));
    }
    // Nothing free, even after editing: said so, and nothing is computed.
    CommandRig r;
    for (int i = 1; i <= 4; ++i) r.wb.alg.step[i] = 0.0;
    r.ExpectNumericalStart();
    r.d.ExpectMessage("There is nothing to do!", "All step sizes are zero");
    EXPECT_EQ(r.Run(), CovarianceEnd::NothingToDo);
    EXPECT_FALSE(r.wb.covariance.computed);
}

TEST(CovarianceCommand, InterruptAsksToQuitTheGridAndTheNextGridStillRuns) {
    CommandRig r;
    int pressed = 0;
    r.d.onProcessEvents = [&r, &pressed](int) {
        // Interrupt pressed during grid 2 (quit) and during grid 3 (go on).
        const std::string& log = r.display.progress.Area(1);
        const bool grid2 = log.find("grid #2") != std::string::npos && log.find("grid #3") == std::string::npos;
        const bool grid3 = log.find("grid #3") != std::string::npos;
        if ((grid2 && pressed == 0) || (grid3 && pressed == 1)) {
            ++pressed;
            r.display.progress.Click("cmdInterrupt");
            EXPECT_FALSE(r.Button(r.display.progress, "cmdInterrupt").enabled);
        }
    };
    r.ExpectNumericalStart();
    r.ExpectDefaultFactors();
    r.ExpectConstantAndOptimistic();
    r.d.ExpectMessage("Covariance calculations", "Interrupt received. Do you want to quit calculating this grid?",
                      Answer::Yes)
        .ExpectMessage("Covariance calculations", "Interrupt received.", Answer::No);
    ASSERT_EQ(r.Run(), CovarianceEnd::Completed);
    const CovarianceResults& res = r.wb.covariance;
    EXPECT_TRUE(res.GridValid(1));
    EXPECT_EQ(res.outcome[2], GridOutcome::Abandoned);
    EXPECT_TRUE(res.GridValid(3));
    EXPECT_EQ(res.StandardError(3, 2), -1.0);
    EXPECT_FALSE(r.wb.engine.interruptRequested);
    // Grid 2 ended at its first point; grids 1 and 3 ran in full.
    EXPECT_EQ(r.ModelCalls(1), 1 + 12 + 1 + 12);
}

TEST(CovarianceCommand, ClosingTheProgressWindowDuringTheCalculationInterrupts) {
    CommandRig r;
    bool closed = true;
    r.d.onProcessEvents = [&r, &closed](int) {
        if (r.display.calculating && r.display.progress.Area(1).find("grid #1") != std::string::npos &&
            r.display.progress.Area(1).find("grid #2") == std::string::npos)
            closed = r.display.progress.onUserClose();
    };
    r.ExpectNumericalStart();
    r.ExpectDefaultFactors();
    r.ExpectConstantAndOptimistic();
    r.d.ExpectMessage("Covariance calculations", "quit calculating this grid?", Answer::Yes);
    ASSERT_EQ(r.Run(), CovarianceEnd::Completed);
    EXPECT_FALSE(closed);
    EXPECT_EQ(r.wb.covariance.outcome[1], GridOutcome::Abandoned);
}
