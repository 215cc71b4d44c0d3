// The covariance command's dialogue, its progress and result windows, walked
// through the scripted ports.
#include <gtest/gtest.h>

#include <functional>

#include <cmath>
#include <filesystem>
#include <unistd.h>
#include <fstream>

#include "CovarianceRig.h"
#include "evaluation/CovarianceCommand.h"
#include "evaluation/PosteriorCommand.h"
#include "evaluation/CovarianceReport.h"

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
    // Numerical, the factors as offered, c = 0.5, not optimistic.
    void ExpectPlainRun() {
        d.ExpectMessage(kTitle, "analytically or numerically?", Answer::No)
            .ExpectMessage(kTitle, "A covariance matrix is calculated by inverting the numerically calculated");
        for (const char* grid : {"Grid 1 :", "Grid 2 :", "Grid 3 :"}) d.ExpectPrompt(kTitle, grid, "ok");
        d.ExpectMessage(kTitle, "Are these default grid factors OK?", Answer::Yes);
        ExpectConstantAndOptimistic();
    }
    void ExpectConstantAndOptimistic(const std::string& constant = "0.5") {
        d.ExpectPrompt("Enter constant", "Your model suggests you use this constant: ", constant)
            .ExpectMessage("Calculate optimistic SEs only?", "under-estimated conditional SEs?", Answer::No);
    }
    const ViewButton& Button(TextView& view, const char* name) { return *view.Button(name); }
    bool Open(const TextView& view) const { return t.windows.IsOpen(view); }
};

}  // namespace

TEST(CovarianceCommand, GridFactorPromptsTakeOnlyPositiveNumbersUntilConfirmed) {
    CommandRig r;
    r.d.ExpectMessage(kTitle, "", Answer::No)
        .ExpectMessage(kTitle, "", Answer::OK)
        .ExpectPrompt(kTitle,
                      "Default grid factor for Grid 1 :\r\n\r\n Currently:   1) 1.000E+00     2) 1.000E-01     3) "
                      "1.000E-02\r\n\r\nValue must be positive for all factors",
                      "2")
        .ExpectPrompt(kTitle, "", "abc")  // not a number: unchanged
        .ExpectPrompt(kTitle, "", "-1")   // not positive: unchanged
        .ExpectMessage(kTitle, "Are these default grid factors OK?\r\n\r\n 1) 2.000E+00     2) 1.000E-01     3) "
                               "1.000E-02",
                       Answer::No)
        .ExpectPrompt(kTitle, " Currently:   1) 2.000E+00", "0.5")
        .ExpectPrompt(kTitle, "", "0.5")
        .ExpectPrompt(kTitle, "", "0.05")
        .ExpectMessage(kTitle, " 1) 5.000E-01     2) 5.000E-01     3) 5.000E-02", Answer::Yes);
    r.ExpectConstantAndOptimistic();
    ASSERT_EQ(r.Run(), CovarianceEnd::Completed);
    EXPECT_EQ(r.edits, 1);
    EXPECT_EQ(r.d.shown[3].request.initialName, "0.1");  // each factor offered in its general form
    EXPECT_EQ(r.d.shown[6].request.initialName, "2");
    EXPECT_TRUE(r.d.shown.back().secondIsDefault);      // "No" is the optimistic question's default
    EXPECT_EQ(r.wb.covariance.factor[1], 0.5);
    EXPECT_EQ(r.wb.covariance.factor[3], 0.05);
    EXPECT_EQ(r.wb.priorTable.reciprocalConstant, 2.0);  // the constant's shared store
}

TEST(CovarianceCommand, ResultWindowPutsTheReportOnScreenSavesItAndFinishes) {
    CommandRig r;
    r.wb.alg.bareName = "tri";
    r.ExpectPlainRun();
    ASSERT_EQ(r.Run(), CovarianceEnd::Completed);
    int finished = 0;
    r.display.finished = [&finished] { ++finished; };

    // The log in the progress window; the Interrupt has nothing left to do.
    const std::string& log = r.display.progress.Area(1);
    EXPECT_EQ(log.find("\r\nNow calculating -ln[likelihood] on grid #1\r\nAverage: "), 0u);
    EXPECT_NE(log.find("\r\nNow calculating Hessian matrix #3\r\nNow inverting Hessian matrix #3\r\nDeterminant of "
                       "covariance matrix: 2.0000000E+00\r\n\r\n"),
              std::string::npos);
    EXPECT_FALSE(r.Button(r.display.progress, "cmdInterrupt").enabled);
    EXPECT_TRUE(r.t.status.EverShowed("Hessian function call 12 of 12"));
    EXPECT_TRUE(r.t.status.EverShowed("Estimated time remaining for all three grids (m:s): 0:00"));
    EXPECT_EQ(r.t.status.Get(panels::Activity(2)), "");
    ASSERT_TRUE(r.Open(r.display.result));
    EXPECT_EQ(r.display.result.Area(1).find("Calculation completed. Do you wish to:\r\n\r\nIf the results"), 0u);
    EXPECT_FALSE(r.Button(r.display.result, "cmdFile").enabled);

    EXPECT_EQ(r.t.windows.Front(), &r.display.result);
    r.display.result.Click("cmdScreen");
    EXPECT_EQ(r.display.progress.Area(1), CovarianceReportText(r.wb.covariance));
    EXPECT_EQ(r.t.windows.Front(), &r.display.progress);  // the report in front, not behind the choice
    EXPECT_TRUE(r.t.status.EverShowed("Please be patient while covariance output is collated..."));
    EXPECT_EQ(r.t.status.Get(panels::Activity(1)), "");
    EXPECT_TRUE(r.Button(r.display.result, "cmdFile").enabled);
    r.display.progress.Click("cmdInterrupt");  // now it only brings the result window forward
    EXPECT_FALSE(r.wb.engine.interruptRequested);

    // The user's edits are what is saved, after the one header line; a
    // second save does not stack a second header in front.
    const auto dir = TempDir("covariance-command-save");
    r.display.progress.UserEdited(1, "Edited report\r\n");
    for (const char* name : {"a.cov", "b.cov"}) {
        r.d.ExpectFile("Save covariance data in...", (dir / name).string());
        r.display.result.Click("cmdFile");
        EXPECT_EQ(ReadWholeFile(dir / name),
                  "Originally saved with the file name: " + (dir / name).string() + "\r\n\r\nEdited report\r\n");
    }
    const FileRequest& request = r.d.Last().request;
    EXPECT_EQ(request.filter,
              "All files (*.*)|*.*|Covariance files (*.cov)|*.cov|Named for algorithm file (tri.*)|tri.*|");
    EXPECT_EQ(request.selectedFilter, 3);
    EXPECT_EQ(request.initialName, "12071842.cov");
    EXPECT_TRUE(request.save && request.overwritePrompt);
    r.d.ExpectFile("Save covariance data in...", std::nullopt);  // Cancel writes nothing
    r.display.result.Click("cmdFile");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);
    std::filesystem::remove_all(dir);

    r.display.result.Click("cmdFinish");
    EXPECT_FALSE(r.Open(r.display.result) || r.Open(r.display.progress));
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(r.Button(r.display.progress, "cmdInterrupt").caption, "&Interrupt these calculations");

    // Viewing the last results rebuilds the same report; closing the result
    // window is a finish, closing the progress window takes the save away.
    ShowCovarianceResults(r.wb, false);
    EXPECT_EQ(r.display.result.Area(1).find("Do you wish to:\r\n\r\nIf the results"), 0u);
    r.display.result.Click("cmdScreen");
    EXPECT_EQ(r.display.progress.Area(1), CovarianceReportText(r.wb.covariance));
    EXPECT_TRUE(r.display.progress.onUserClose());
    EXPECT_FALSE(r.Button(r.display.result, "cmdFile").enabled);
    ASSERT_TRUE(r.display.result.onUserClose());
    EXPECT_EQ(finished, 2);
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
        EXPECT_EQ(r.ModelCalls(1), 0) << at;
        EXPECT_FALSE(r.wb.covariance.computed || r.Open(r.display.result));
    }
    // Nothing free, even after editing: said so, and nothing is computed.
    CommandRig r;
    for (int i = 1; i <= 4; ++i) r.wb.alg.step[i] = 0.0;
    r.d.ExpectMessage(kTitle, "", Answer::No).ExpectMessage(kTitle, "", Answer::OK);
    r.d.ExpectMessage("There is nothing to do!", "All step sizes are zero");
    EXPECT_EQ(r.Run(), CovarianceEnd::NothingToDo);
    EXPECT_FALSE(r.wb.covariance.computed);
}

TEST(CovarianceCommand, InterruptAsksToQuitTheGridAndTheNextGridStillRuns) {
    CommandRig r;
    int pressed = 0;
    bool closed = true;
    r.d.onProcessEvents = [&](int) {
        // Grid 2: the window's close button (an interrupt while it runs),
        // answered quit.  Grid 3: the Interrupt button, answered go on.
        const std::string& log = r.display.progress.Area(1);
        const bool grid3 = log.find("grid #3") != std::string::npos;
        const bool grid2 = !grid3 && log.find("grid #2") != std::string::npos;
        if (grid2 && pressed == 0) {
            ++pressed;
            closed = r.display.progress.onUserClose();
        } else if (grid3 && pressed == 1) {
            ++pressed;
            r.display.progress.Click("cmdInterrupt");
            EXPECT_FALSE(r.Button(r.display.progress, "cmdInterrupt").enabled);
        }
    };
    r.ExpectPlainRun();
    r.d.ExpectMessage("Covariance calculations", "Interrupt received. Do you want to quit calculating this grid?",
                      Answer::Yes)
        .ExpectMessage("Covariance calculations", "Interrupt received.", Answer::No);
    ASSERT_EQ(r.Run(), CovarianceEnd::Completed);
    EXPECT_FALSE(closed);
    const CovarianceResults& res = r.wb.covariance;
    EXPECT_TRUE(res.GridValid(1));
    EXPECT_EQ(res.outcome[2], GridOutcome::Abandoned);
    EXPECT_TRUE(res.GridValid(3));
    // The completion names the grid without a result, and why.
    EXPECT_EQ(r.display.result.Area(1).find("Calculation completed. Do you wish to:\r\n\r\nGrid 2 (factor 0.1) has no "
                                            "result: it was quit after an interrupt.\r\n\r\nIf the results"),
              0u);
    EXPECT_FALSE(r.wb.engine.interruptRequested);
    // Grid 2 ended at its first point; grids 1 and 3 ran in full.
    EXPECT_EQ(r.ModelCalls(1), 1 + 12 + 1 + 12);
}

namespace {
// The tridiagonal rig's values and steps, as after its construction.
void Free(CommandRig& r) {
    r.Free(1, 1.5, 0.4);
    r.Free(2, 7.0, 0.0);
    r.Free(3, -2.0, 0.5);
    r.Free(4, 0.25, 0.3);
}
}  // namespace

TEST(CovarianceResults, LoadingOtherAlgorithmDataOrInitialisingAgainMakesThemOutOfDate) {
    // Tridiagonal A: the SE of parameter 1 is sqrt(3 / 4) on every grid.
    struct Case {
        const char* name;
        std::function<void(CommandRig&)> act;
    };
    const Case cases[] = {
        {"default algorithm data",
         [](CommandRig& r) {
             r.d.ExpectMessage("Load algorithm data", "Load an existing algorithm data file?", Answer::No)
                 .ExpectMessage("Default Algorithm Values", "Algorithm data set to default values.");
             EXPECT_EQ(LoadAlgorithmData(r.wb), LoadOutcome::Defaults);
         }},
        {"another algorithm file",
         [](CommandRig& r) {
             const std::string path =
                 (std::filesystem::temp_directory_path() / ("corvane-other-" + std::to_string(::getpid()) + ".alg"))
                     .string();
             std::ofstream(path, std::ios::binary) << FormatAlgorithmFile(r.wb.alg, AlgorithmWriter::CommandMenu);
             r.d.ExpectMessage("Load algorithm data", "Load an existing algorithm data file?", Answer::Yes)
                 .ExpectFile("Open algorithm data file", path);
             EXPECT_EQ(LoadAlgorithmData(r.wb), LoadOutcome::Loaded);
             std::filesystem::remove(path);
         }},
        {"the model initialised again", [](CommandRig& r) { EXPECT_TRUE(InitialiseModel(r.wb)); }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        CommandRig r;
        r.wb.covariance = r.Compute(WithConstant(1.0));
        r.wb.app.covarianceCurrent = true;
        ASSERT_TRUE(CovarianceResultsCurrent(r.wb));
        EXPECT_NEAR(r.wb.covariance.ParameterStandardError(1, 1), std::sqrt(3.0 / 4.0), 1e-6);
        k.act(r);
        EXPECT_FALSE(CovarianceResultsCurrent(r.wb));
        // Steps "from grid N" are not offered (the script fails on the
        // prompt): the posterior runs with the steps it had.
        const char* title = posterior_text::Title;
        Free(r);
        r.d.ExpectMessage(title, "This routine will create")
            .ExpectMessage(title, "Do you want to continue?", Answer::Yes)
            .ExpectPrompt("Enter constant", "Enter the constant WHICH WILL MAKE", "1")
            .ExpectPrompt(title, "Choose the parameter number to be evaluated", "1")
            .ExpectPrompt(title, "for profile parameter", "3")
            .ExpectPrompt(title, "for grid parameter", "3")
            .ExpectMessage(title, "function calls", Answer::Yes)
            .ExpectMessage(title, "The grid is too coarse");
        EXPECT_EQ(BayesianPosteriorCommand(r.wb), PosteriorEnd::Integrated);
        EXPECT_EQ(r.wb.alg.step[1], 0.4);
    }
    // Results of a model with another number of parameters are never current.
    CommandRig r;
    r.wb.covariance = r.Compute(WithConstant(1.0));
    r.wb.app.covarianceCurrent = true;
    r.wb.covariance.n = r.wb.alg.np + 1;
    EXPECT_FALSE(CovarianceResultsCurrent(r.wb));
}

TEST(CovarianceCommand, AModelWithoutAnalyticalDerivativesDefaultsToNumericalAndRefusesThem) {
    // The tridiagonal model gives nothing for NF = -2.
    CommandRig r;
    ASSERT_FALSE(r.model.SuppliesAnalyticalDerivatives());
    r.d.ExpectMessage(kTitle, "analytically or numerically?", Answer::Yes)
        .ExpectMessage(kTitle, "This model supplies no analytical derivatives")
        .ExpectMessage(kTitle, "analytically or numerically?", Answer::No)
        .ExpectMessage(kTitle, "A covariance matrix is calculated by inverting the numerically calculated");
    for (const char* grid : {"Grid 1 :", "Grid 2 :", "Grid 3 :"}) r.d.ExpectPrompt(kTitle, grid, "ok");
    r.d.ExpectMessage(kTitle, "Are these default grid factors OK?", Answer::Yes);
    r.ExpectConstantAndOptimistic("1");
    ASSERT_EQ(r.Run(), CovarianceEnd::Completed);
    EXPECT_TRUE(r.d.shown[0].secondIsDefault);  // "No": numerical
    EXPECT_EQ(r.wb.covariance.method, CovarianceMethod::Numerical);
    EXPECT_EQ(r.ModelCalls(nf::Derivatives), 0);
    // A^-1 (1, 1) = 3 / 4 on the first grid, the quadratic's exact Hessian.
    EXPECT_NEAR(r.wb.covariance.ParameterStandardError(1, 1), std::sqrt(3.0 / 4.0), 1e-6);

    // With derivatives the question keeps "Yes" as its default.
    CommandRig withDerivatives;
    withDerivatives.model.derivatives = [](const Vec1<double>&, Vec1<double>&, Mat1<double>& h) {
        for (int a = 0; a < 3; ++a)
            for (int b = 0; b < 3; ++b) h(kUsed[a], kUsed[b]) = kA[a][b];
    };
    withDerivatives.d.ExpectMessage(kTitle, "analytically or numerically?", Answer::Cancel);
    EXPECT_EQ(withDerivatives.Run(), CovarianceEnd::Cancelled);
    EXPECT_FALSE(withDerivatives.d.shown[0].secondIsDefault);
}


TEST(CovarianceCommand, GridFailuresNameEachGridWithoutAResultAndWhy) {
    CovarianceResults res;
    res.factor.resize(3);
    res.factor[1] = 1.0, res.factor[2] = 0.1, res.factor[3] = 0.01;
    res.failedAt.resize(3);
    res.failedAt[2] = 3;
    res.outcome.resize(3);
    struct Case {
        const char* name;
        std::vector<GridOutcome> outcomes;  // grids 1..3
        std::string expected;
    };
    const Case cases[] = {
        {"all valid", {GridOutcome::Valid, GridOutcome::Valid, GridOutcome::Valid}, ""},
        {"analytical: one grid", {GridOutcome::Valid, GridOutcome::NotRun, GridOutcome::NotRun}, ""},
        {"not positive definite at 3",
         {GridOutcome::Valid, GridOutcome::NotPositiveDefinite, GridOutcome::Valid},
         "Grid 2 (factor 0.1) has no result: its Hessian is not positive definite (the test failed at parameter 3); "
         "a larger or smaller grid factor may help.\r\n"},
        {"two failures",
         {GridOutcome::Abandoned, GridOutcome::Valid, GridOutcome::NotPositiveDefinite},
         "Grid 1 (factor 1) has no result: it was quit after an interrupt.\r\n"
         "Grid 3 (factor 0.01) has no result: its Hessian is not positive definite; a larger or smaller grid factor "
         "may help.\r\n"},
    };
    for (const Case& c : cases) {
        for (int g = 1; g <= 3; ++g) res.outcome[g] = c.outcomes[static_cast<std::size_t>(g - 1)];
        EXPECT_EQ(GridFailuresText(res), c.expected) << c.name;
    }
}

TEST(CovarianceCommand, SaveOffersTheAlgorithmFilesNameWhereTheRankingLooks) {
    CommandRig r;
    r.wb.alg.fileName = "/models/tri.alg";
    r.wb.alg.bareName = "tri";
    EXPECT_EQ(CovarianceSaveRequest(r.wb).initialName, "/models/tri.cov");
}
