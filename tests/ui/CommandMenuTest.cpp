#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "evaluation/EvaluationChoice.h"
#include "engine/ModelSummary.h"
#include "engine/modCorvane.h"
#include "support/ScriptedDialogs.h"
#include "support/TestModels.h"
#include "ui/CommandMenu.h"
#include "ui/ExitDialogue.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

struct Session {
    Session() : model(4, Quadratic({1, 2, 3, 4}), "Four squares"), wb(t.ports(), &model), menu(wb) {
        menu.modelSetUp = [this] {
            ++setUps;
            return InitialiseModel(wb);
        };
        menu.openEditor = [this] { ++editorOpened; };
        menu.requestExit = [this] { ++exitRequests; };
        menu.runSimplex = [this] {
            ++simplexRuns;
            runningDuringDriver = menu.Running();
            anyEnabledDuringDriver = false;
            for (const auto& b : menu.Buttons()) anyEnabledDuringDriver = anyEnabledDuringDriver || b.enabled;
            nfreeAtDriver = wb.engine.nfree;
        };
        menu.applicationMenu = [this](bool on) { applicationMenuStates.push_back(on); };
        menu.Load();
        menu.Show();
    }

    // Initialise, then set default values.
    void Ready() {
        menu.Click(menu::Initialize);
        t.dialogs.ExpectMessage("Load algorithm data", "Load an existing algorithm data file?", Answer::No)
            .ExpectMessage("Default Algorithm Values", "12071842.alg");
        menu.Click(menu::LoadAlg);
    }

    std::vector<std::string> Enabled() const {
        std::vector<std::string> names;
        for (const auto& b : menu.Buttons())
            if (b.enabled) names.push_back(b.name);
        return names;
    }

    TestPorts t;
    FunctionModel model;
    Workbench wb;
    CommandMenu menu;
    int setUps = 0, editorOpened = 0, exitRequests = 0, simplexRuns = 0, nfreeAtDriver = -1;
    bool runningDuringDriver = false, anyEnabledDuringDriver = true;
    std::vector<bool> applicationMenuStates;
};

using Names = std::vector<std::string>;

std::string TempPath(const std::string& name) { return (std::filesystem::temp_directory_path() / name).string(); }

}  // namespace

TEST(CommandMenu, ButtonsCaptionsAndTheLaterCommandsStayDisabled) {
    Session s;
    EXPECT_EQ(s.menu.Button(menu::EditAlg).caption, "&Edit  algorithm data");
    EXPECT_EQ(s.menu.Button(menu::Marquardt).toolTip,
              "Searches for an objective function minimum using numerical (automatic) or analytical (if "
              "user-supplied) derivatives");
    EXPECT_EQ(s.menu.ModelName(), "Four squares");
    // Before initialisation: initialise and load (and quitting) only.
    EXPECT_EQ(s.Enabled(), (Names{menu::Initialize, menu::LoadAlg, menu::Quit}));

    s.Ready();
    EXPECT_EQ(s.menu.Button(menu::UserSummary).caption, "Res&ults Summary");
    EXPECT_EQ(s.menu.Button(menu::UserSummary).toolTip,
              "Produces a saveable summary (and perhaps plots) of model results for the current parameter estimates");
    EXPECT_EQ(s.Enabled(), (Names{menu::Initialize, menu::LoadAlg, menu::EditAlg, menu::SaveAlg, menu::OneFunction,
                                  menu::Simplex, menu::Marquardt, menu::UserSummary, menu::Covariance,
                                  menu::Quit}));
    for (const char* later : {menu::Bayesian, menu::ParEstimate, menu::Rank}) {
        EXPECT_FALSE(s.menu.Enabled(later)) << later;
        EXPECT_FALSE(s.menu.Button(later).toolTip.empty()) << later;
    }
    EXPECT_EQ(s.menu.TakeFocus(), menu::EditAlg);
}

TEST(CommandMenu, InitialisingOffersOnlyLoadingUntilDataExist) {
    Session s;
    s.menu.Click(menu::Initialize);
    EXPECT_EQ(s.setUps, 1);
    EXPECT_TRUE(s.wb.app.modelInitialised);
    EXPECT_EQ(s.Enabled(), (Names{menu::Initialize, menu::LoadAlg, menu::Quit}));
    EXPECT_EQ(s.menu.TakeFocus(), menu::LoadAlg);

    // Load cancelled at the file dialogue: still only initialise and load.
    s.t.dialogs.ExpectMessage("Load algorithm data", "", Answer::Yes).ExpectFile("Open algorithm data file",
                                                                                 std::nullopt);
    s.menu.Click(menu::LoadAlg);
    EXPECT_EQ(s.Enabled(), (Names{menu::Initialize, menu::LoadAlg, menu::Quit}));

    // A failed load enables the same two.
    const std::string bad = TempPath("corvane-menu-bad.alg");
    std::ofstream(bad) << "             9  Number of parameters\r\n";
    s.t.dialogs.ExpectMessage("Load algorithm data", "", Answer::Yes)
        .ExpectFile("Open algorithm data file", bad)
        .ExpectMessage("Algorithm file - information input failed", "has 9 parameters, but your model specifies 4");
    s.menu.Click(menu::LoadAlg);
    EXPECT_EQ(s.Enabled(), (Names{menu::Initialize, menu::LoadAlg, menu::Quit}));
    std::filesystem::remove(bad);
}

TEST(CommandMenu, TheMenuKeepsTheKeyboardAtStartAndAfterEveryCommand) {
    Session s;
    EXPECT_EQ(s.menu.TakeFocus(), menu::Initialize);
    EXPECT_EQ(s.menu.TakeFocus(), "");  // taken once

    // A cancelled set-up gives the focus back to the button that started it.
    s.menu.modelSetUp = [] { return false; };
    s.menu.Click(menu::Initialize);
    EXPECT_EQ(s.menu.TakeFocus(), menu::Initialize);

    // Initialised: loading is next, whatever the window took in between.
    s.menu.modelSetUp = [&] {
        s.menu.TakeFocus();
        return InitialiseModel(s.wb);
    };
    s.menu.SetListener([&] { s.menu.TakeFocus(); });  // a window that renders at every change
    s.menu.Click(menu::Initialize);
    s.menu.SetListener({});
    s.menu.Click(menu::Initialize);
    EXPECT_EQ(s.menu.TakeFocus(), menu::LoadAlg);

    s.t.dialogs.ExpectMessage("Load algorithm data", "", Answer::Cancel);
    s.menu.Click(menu::LoadAlg);
    EXPECT_EQ(s.menu.TakeFocus(), menu::LoadAlg);
    s.t.dialogs.ExpectMessage("Load algorithm data", "", Answer::No).ExpectMessage("Default Algorithm Values", "");
    s.menu.Click(menu::LoadAlg);
    EXPECT_EQ(s.menu.TakeFocus(), menu::EditAlg);

    // A refused minimisation keeps it on its button.
    s.t.dialogs.ExpectMessage("There is nothing to do!", "All step sizes are zero");
    s.menu.Click(menu::Simplex);
    EXPECT_EQ(s.menu.TakeFocus(), menu::Simplex);
    // A command that showed its window leaves that window in front.
    s.menu.Click(menu::OneFunction);
    EXPECT_TRUE(s.t.windows.IsOpen(s.wb.oneCallView));
    EXPECT_EQ(s.menu.TakeFocus(), "");

    // Shown again after editing, with initialise and load off: the first enabled button.
    s.menu.Click(menu::EditAlg);
    EXPECT_EQ(s.menu.TakeFocus(), "");  // the editor has the keyboard
    s.menu.Close();
    s.menu.EditorClosed();
    s.menu.Show();
    EXPECT_EQ(s.menu.TakeFocus(), menu::EditAlg);
}

TEST(CommandMenu, ReinitialisingAsksAboutTheCurrentData) {
    Session s;
    s.Ready();
    const auto& q = "Algorithm data will be lost during this initialization.\r\n\r\n  Do you need to save current";

    s.t.dialogs.ExpectMessage("Initialize", q, Answer::Cancel);
    s.menu.Click(menu::Initialize);
    EXPECT_EQ(s.setUps, 1);
    EXPECT_EQ(s.wb.alg.fileName, "12071842.alg");
    EXPECT_EQ(s.t.dialogs.Last().icon, Icon::Exclamation);
    EXPECT_EQ(s.t.dialogs.Last().buttons, Buttons::YesNoCancel);

    // Yes, but the save is cancelled: nothing is dropped unsaved.
    s.t.dialogs.ExpectMessage("Initialize", q, Answer::Yes).ExpectFile("Save algorithm data in...", std::nullopt);
    s.menu.Click(menu::Initialize);
    EXPECT_EQ(s.setUps, 1);
    EXPECT_EQ(s.wb.alg.fileName, "12071842.alg");

    // Yes and saved: the file holds the data, the name is forgotten.
    const std::string path = TempPath("corvane-menu-init.alg");
    s.t.dialogs.ExpectMessage("Initialize", q, Answer::Yes).ExpectFile("Save algorithm data in...", path);
    s.menu.modelSetUp = [&] {
        // During set-up only loading is offered.
        EXPECT_EQ(s.Enabled(), (Names{menu::LoadAlg, menu::Quit}));
        return InitialiseModel(s.wb);
    };
    s.menu.Click(menu::Initialize);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(s.wb.alg.fileName, "");
    EXPECT_EQ(s.t.status.Get(panels::AlgorithmFile), "Algorithm file: ");
    EXPECT_EQ(s.Enabled(), (Names{menu::Initialize, menu::LoadAlg, menu::Quit}));
    std::filesystem::remove(path);

    // The result windows of the earlier model close once the new one is
    // initialised, and stay while a set-up is cancelled.
    s.t.dialogs.ExpectMessage("Load algorithm data", "", Answer::No).ExpectMessage("Default Algorithm Values", "");
    s.menu.Click(menu::LoadAlg);
    s.menu.Click(menu::OneFunction);
    s.t.windows.Show(s.wb.simplexView);
    ASSERT_TRUE(s.t.windows.IsOpen(s.wb.oneCallView));
    s.t.dialogs.ExpectMessage("Initialize", q, Answer::No);
    s.menu.modelSetUp = [] { return false; };
    s.menu.Click(menu::Initialize);
    EXPECT_TRUE(s.t.windows.IsOpen(s.wb.oneCallView));
    s.menu.modelSetUp = [&] { return InitialiseModel(s.wb); };
    s.menu.Click(menu::Initialize);
    EXPECT_FALSE(s.t.windows.IsOpen(s.wb.oneCallView));
    EXPECT_FALSE(s.t.windows.IsOpen(s.wb.simplexView));

    // A cancelled set-up of a model never initialised restores the start.
    Session fresh;
    fresh.menu.modelSetUp = [] { return false; };
    fresh.menu.Click(menu::Initialize);
    EXPECT_EQ(fresh.Enabled(), (Names{menu::Initialize, menu::LoadAlg, menu::Quit}));
}

TEST(CommandMenu, OneFunctionCallRunsInsideTheCommonFrame) {
    Session s;
    s.Ready();
    s.wb.alg.value[2] = 5.0;
    s.wb.alg.fuse[2] = s.wb.alg.fuse[4] = "A";
    s.wb.simplexView.SetArea(1, "old");
    s.t.windows.Show(s.wb.simplexView);
    s.menu.Click(menu::OneFunction);
    EXPECT_FALSE(s.t.windows.IsOpen(s.wb.simplexView));
    EXPECT_TRUE(s.t.windows.IsOpen(s.wb.oneCallView));
    // Fuses were set up: parameter 4 took parameter 2's value.
    EXPECT_EQ(s.wb.alg.value[4], 5.0);
    EXPECT_NE(s.wb.oneCallView.Area(1).find("Current minimum of 20. found"), std::string::npos) << s.wb.oneCallView.Area(1);
    EXPECT_EQ(s.applicationMenuStates, (std::vector<bool>{false, true}));
    EXPECT_FALSE(s.menu.Running());
    EXPECT_TRUE(s.menu.Enabled(menu::OneFunction));
    EXPECT_TRUE(s.t.status.EverShowed("One moment please..."));
}

TEST(CommandMenu, ResultsSummaryRunsInsideTheCommonFrame) {
    Session s;
    s.Ready();
    s.wb.alg.fuse[1] = s.wb.alg.fuse[3] = "C";
    s.wb.alg.value[1] = 7.0;
    bool framed = false;
    s.menu.runSummary = [&] {
        framed = s.menu.Running() && !s.menu.Enabled(menu::UserSummary);
        // The run set-up came first: parameter 3 follows parameter 1.
        EXPECT_EQ(s.wb.alg.value[3], 7.0);
    };
    s.t.windows.Show(s.wb.oneCallView);
    s.menu.Click(menu::UserSummary);
    EXPECT_TRUE(framed);
    EXPECT_FALSE(s.t.windows.IsOpen(s.wb.oneCallView));
    EXPECT_EQ(s.applicationMenuStates, (std::vector<bool>{false, true}));
    EXPECT_TRUE(s.menu.Enabled(menu::UserSummary));

    // The default command evaluates once (NF = 1), then asks for the report (NF = -1).
    s.menu.runSummary = [&] { ModelSummaryCommand(s.wb); };
    s.model.calls.clear();
    s.menu.Click(menu::UserSummary);
    EXPECT_EQ(s.model.calls, (std::vector<std::int32_t>{1, -1}));
    EXPECT_TRUE(s.t.status.EverShowed("One moment please while one function call is executed..."));
    EXPECT_EQ(s.t.status.Get(panels::Activity(1)), "");
}

TEST(CommandMenu, MinimisingNeedsAFreeParameter) {
    Session s;
    s.Ready();
    s.wb.app.covarianceCurrent = true;
    s.t.dialogs.ExpectMessage("There is nothing to do!", "All step sizes are zero");
    s.menu.Click(menu::Simplex);
    EXPECT_EQ(s.t.dialogs.Last().icon, Icon::Exclamation);
    EXPECT_EQ(s.simplexRuns, 0);
    EXPECT_TRUE(s.wb.app.covarianceCurrent);  // nothing changed
    EXPECT_TRUE(s.applicationMenuStates.empty());

    // A step only on a fused follower leaves nothing free after set-up.
    s.wb.alg.fuse[1] = s.wb.alg.fuse[3] = "B";
    s.wb.alg.step[3] = 0.5;
    s.t.dialogs.ExpectMessage("There is nothing to do!", "All step sizes are zero");
    s.menu.Click(menu::Simplex);
    EXPECT_EQ(s.simplexRuns, 0);

    s.wb.alg.step[2] = 0.1;
    s.menu.Click(menu::Simplex);
    EXPECT_EQ(s.simplexRuns, 1);
    EXPECT_EQ(s.nfreeAtDriver, 1);
    EXPECT_TRUE(s.runningDuringDriver);
    EXPECT_FALSE(s.anyEnabledDuringDriver);
    EXPECT_FALSE(s.wb.app.covarianceCurrent);
    EXPECT_TRUE(s.menu.Enabled(menu::Simplex));
}

TEST(CommandMenu, MinimisersRunTheirCommandsByDefault) {
    TestPorts t;
    FunctionModel model(3, Quadratic({1, 2, 3}));
    Workbench wb(t.ports(), &model);
    CommandMenu menu(wb);  // no replacement drivers: SimplexCommand and MarquardtCommand
    menu.modelSetUp = [&] { return InitialiseModel(wb); };
    menu.Load();
    menu.Click(menu::Initialize);
    t.dialogs.ExpectMessage("Load algorithm data", "", Answer::No).ExpectMessage("Default Algorithm Values", "");
    menu.Click(menu::LoadAlg);
    ASSERT_TRUE(menu.Enabled(menu::Simplex) && menu.Enabled(menu::Marquardt));

    // A step only on a fused follower is refused once the fuses are set up.
    wb.alg.fuse[1] = wb.alg.fuse[2] = "A";
    wb.alg.step[2] = 0.5;
    t.dialogs.ExpectMessage("There is nothing to do!", "All step sizes are zero");
    menu.Click(menu::Simplex);
    EXPECT_TRUE(t.dialogs.AllDone());

    wb.alg.fuse[1] = wb.alg.fuse[2] = kUnfused;
    wb.alg.step[1] = wb.alg.step[3] = 0.5;
    wb.alg.tolerance = 1e-6;
    t.dialogs.ExpectMessage("Simplex minimum", "Minimum found using Simplex!");
    menu.Click(menu::Simplex);
    EXPECT_NEAR(wb.alg.value[1], 1.0, 0.01);
    EXPECT_NEAR(wb.alg.value[3], 3.0, 0.01);
    EXPECT_EQ(wb.alg.value[2], 0.0);
    EXPECT_TRUE(t.windows.IsOpen(wb.simplexView));
    EXPECT_FALSE(wb.simplexView.Button("cmdStop")->enabled);

    // An interrupted Marquardt run: the question, the stop message, and no
    // activity text left behind.
    wb.alg.value[1] = wb.alg.value[3] = 0.0;
    t.dialogs.onProcessEvents = [&](int) {
        if (wb.marquardtView.Button("cmdStop")->enabled) wb.marquardtView.Click("cmdStop");
    };
    t.dialogs.ExpectMessage("Marquardt minimization", "Choose 'Yes'", Answer::No)
        .ExpectMessage("Marquardt minimization", "choosing Pepsi")
        .ExpectMessage("Marquardt minimization", "partial derivatives", Answer::No)
        .ExpectMessage("Marquardt interrupt", "Do you want to quit minimizing?", Answer::Yes)
        .ExpectMessage("Marquart minimization stopped", "Maximum number of iterations reached or an interrupt");
    menu.Click(menu::Marquardt);
    EXPECT_TRUE(t.dialogs.AllDone());
    EXPECT_FALSE(t.windows.IsOpen(wb.simplexView));
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(t.status.Get(panels::Activity(k)), "") << k;
    EXPECT_TRUE(menu.Enabled(menu::Marquardt));
}

TEST(CommandMenu, EditingHidesTheMenuUntilDoneAndKeepsInitialiseAndLoadOffUntilReloaded) {
    Session s;
    s.Ready();
    s.menu.Click(menu::EditAlg);
    EXPECT_EQ(s.editorOpened, 1);
    EXPECT_TRUE(s.Enabled().empty());
    s.menu.Close();  // the editor closes the menu

    s.menu.EditorClosed();
    EXPECT_TRUE(s.menu.Visible());  // back by itself, the keyboard on its first enabled button
    EXPECT_EQ(s.menu.TakeFocus(), menu::EditAlg);
    EXPECT_FALSE(s.menu.Enabled(menu::Initialize));
    EXPECT_FALSE(s.menu.Enabled(menu::LoadAlg));
    EXPECT_TRUE(s.menu.Enabled(menu::SaveAlg));
    // Showing the loaded menu changes nothing; a command frame re-enables all.
    s.menu.Show();
    EXPECT_FALSE(s.menu.Enabled(menu::LoadAlg));
    s.menu.Click(menu::OneFunction);
    EXPECT_TRUE(s.menu.Enabled(menu::LoadAlg));
    EXPECT_TRUE(s.menu.Enabled(menu::Initialize));

    // A menu closed and loaded again applies the start-up rule.
    s.menu.Click(menu::EditAlg);
    s.menu.Close();
    s.menu.Show();
    EXPECT_TRUE(s.menu.Enabled(menu::LoadAlg));
}

TEST(CommandMenu, MultiModelStatisticsReplacesTheMenuUntilTheRankingFinishes) {
    Session s;
    int rankingOpened = 0;
    s.menu.openRanking = [&] { ++rankingOpened; };
    s.Ready();
    ASSERT_TRUE(s.menu.Enabled(menu::Rank));
    s.wb.oneCallView.SetArea(1, "x");
    s.t.windows.Show(s.wb.oneCallView);
    s.menu.Click(menu::Rank);
    EXPECT_EQ(rankingOpened, 1);
    EXPECT_FALSE(s.menu.Loaded());
    EXPECT_FALSE(s.t.windows.IsOpen(s.wb.oneCallView));
    EXPECT_EQ(s.applicationMenuStates.back(), false);

    s.menu.RankingFinished();
    EXPECT_TRUE(s.menu.Visible());
    EXPECT_EQ(s.applicationMenuStates.back(), true);
    EXPECT_TRUE(s.menu.Enabled(menu::Rank));
    EXPECT_TRUE(s.menu.Enabled(menu::LoadAlg));
}

TEST(CommandMenu, SavingWritesTheFileAndQuitAsksToExit) {
    Session s;
    s.Ready();
    const std::string path = TempPath("corvane-menu-save.alg");
    s.t.dialogs.ExpectFile("Save algorithm data in...", path);
    s.menu.Click(menu::SaveAlg);
    EXPECT_EQ(s.t.dialogs.Last().request.selectedFilter, 3);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(s.t.status.Get(panels::AlgorithmFile), "Algorithm file: " + path);
    EXPECT_TRUE(s.menu.Enabled(menu::SaveAlg));
    std::filesystem::remove(path);

    s.menu.Click(menu::Quit);
    EXPECT_EQ(s.exitRequests, 1);
}

TEST(ExitDialogue, AsksTwoQuestionsWithUniformPriorsAndThreeOtherwise) {
    Session s;
    s.Ready();
    const std::string log = TempPath("corvexit");
    s.t.dialogs.ExpectFile("Save minimization progress in...", log).ExpectMessage("Log file management", "open");
    ASSERT_TRUE(OpenRunLog(s.wb));

    // No to the first question: everything stays as it was.
    s.t.dialogs.ExpectMessage("Exit Corvane", "Do you want to quit Corvane?", Answer::No);
    EXPECT_FALSE(ExitDialogue(s.wb, {}));
    EXPECT_TRUE(s.t.dialogs.Last().secondIsDefault);
    EXPECT_EQ(s.t.dialogs.Last().buttons, Buttons::YesNo);
    EXPECT_TRUE(s.wb.runLog.IsOpen());

    // A save that does not happen keeps the application running.
    s.t.dialogs.ExpectMessage("Exit Corvane", "", Answer::Yes)
        .ExpectMessage("What about algorithm data?", "Save algorithm data?", Answer::Yes)
        .ExpectFile("Save algorithm data in...", std::nullopt);
    EXPECT_FALSE(ExitDialogue(s.wb, {}));
    EXPECT_TRUE(s.wb.runLog.IsOpen());

    // A prior that is not uniform-unbounded adds the third question.
    s.wb.priorTable.rows[2].type = 'N';
    int priorSaves = 0;
    s.t.dialogs.ExpectMessage("Exit Corvane", "", Answer::Yes)
        .ExpectMessage("What about algorithm data?", "", Answer::No)
        .ExpectMessage("What about Bayesian priors?", "Save Bayesian priors?", Answer::Yes);
    EXPECT_TRUE(ExitDialogue(s.wb, [&] { return ++priorSaves == 1; }));
    EXPECT_EQ(priorSaves, 1);
    EXPECT_FALSE(s.wb.runLog.IsOpen());
    EXPECT_EQ(s.t.status.Get(panels::PriorsFile), "Bayesian priors file: ");

    // All uniform: two questions, then the end.
    s.wb.priorTable.rows[2].type = 'U';
    s.t.dialogs.ExpectMessage("Exit Corvane", "", Answer::Yes).ExpectMessage("What about algorithm data?", "",
                                                                             Answer::No);
    EXPECT_TRUE(ExitDialogue(s.wb, {}));
    std::filesystem::remove(log + ".cvl");
}

TEST(CommandMenu, TheEvaluationButtonHandsOverToTheChoiceWindowAndGetsTheMenuBack) {
    Session s;
    EvaluationChoice choice(s.wb);
    s.menu.openEvaluation = [&] { choice.Open(); };
    choice.onFinished = [&] { s.menu.Show(); };
    s.Ready();
    ASSERT_TRUE(s.menu.Enabled(menu::ParEstimate));
    s.t.windows.Show(s.wb.simplexView);
    s.menu.Click(menu::ParEstimate);
    EXPECT_TRUE(choice.IsOpen());
    EXPECT_FALSE(s.menu.Visible());
    EXPECT_FALSE(s.t.windows.IsOpen(s.wb.simplexView));  // the progress windows close first
    choice.Cancel();
    EXPECT_TRUE(s.menu.Visible());
    EXPECT_TRUE(s.menu.Enabled(menu::ParEstimate));
    EXPECT_TRUE(s.menu.Enabled(menu::Simplex));
}

TEST(CommandMenu, CovariancesOfferTheLastResultsOnlyAfterACompletedCalculation) {
    Session s;
    s.Ready();
    for (int i = 1; i <= 4; ++i) {
        s.wb.alg.value[i] = i;
        s.wb.alg.step[i] = 0.1;
    }
    int edits = 0;
    bool lockedEditDuringRun = false;
    s.menu.editParametersLocked = [&] {
        ++edits;
        lockedEditDuringRun = s.menu.Running() && s.Enabled() == Names{};
    };
    auto& d = s.t.dialogs;
    auto expectNumerical = [&] {
        d.ExpectMessage("Covariance calculator", "analytically or numerically?", Answer::No)
            .ExpectMessage("Covariance calculator", "A covariance matrix is calculated");
        for (int g = 1; g <= 3; ++g) d.ExpectPrompt("Covariance calculator", "Default grid factor", "ok");
        d.ExpectMessage("Covariance calculator", "Are these default grid factors OK?", Answer::Yes)
            .ExpectPrompt("Enter constant", "", "0.5")
            .ExpectMessage("Calculate optimistic SEs only?", "", Answer::No);
    };

    // A completed calculation: the result window stands in for the menu.
    expectNumerical();
    s.menu.Click(menu::Covariance);
    EXPECT_EQ(edits, 1);
    EXPECT_TRUE(lockedEditDuringRun);
    EXPECT_TRUE(s.wb.app.covarianceCurrent);
    EXPECT_FALSE(s.menu.Loaded());
    EXPECT_TRUE(s.t.windows.IsOpen(s.wb.covarianceDisplay.result));
    EXPECT_EQ(s.applicationMenuStates, (std::vector<bool>{false}));
    s.wb.covarianceDisplay.result.Click("cmdFinish");
    EXPECT_TRUE(s.menu.Visible());
    EXPECT_EQ(s.applicationMenuStates, (std::vector<bool>{false, true}));
    EXPECT_TRUE(s.menu.Enabled(menu::Covariance));

    // Viewing the last results recalculates nothing.
    const std::size_t calls = s.model.calls.size();
    d.ExpectMessage("Covariance", "View the last set of calculated covariance results?", Answer::Yes);
    s.menu.Click(menu::Covariance);
    EXPECT_EQ(s.model.calls.size(), calls);
    EXPECT_EQ(s.wb.covarianceDisplay.result.Area(1).find("Do you wish to:"), 0u);
    EXPECT_FALSE(s.menu.Loaded());
    s.wb.covarianceDisplay.result.Click("cmdFinish");

    // Declining recalculates; cancelling leaves the stored results current.
    d.ExpectMessage("Covariance", "View the last set", Answer::No)
        .ExpectMessage("Covariance calculator", "analytically or numerically?", Answer::Cancel);
    s.menu.Click(menu::Covariance);
    EXPECT_TRUE(s.wb.app.covarianceCurrent);
    EXPECT_TRUE(s.menu.Visible());
    EXPECT_TRUE(s.menu.Enabled(menu::Covariance));
    EXPECT_EQ(s.applicationMenuStates.back(), true);

    // A minimisation makes them stale: no offer to view them.
    s.menu.Click(menu::Simplex);
    EXPECT_FALSE(s.wb.app.covarianceCurrent);
    d.ExpectMessage("Covariance calculator", "analytically or numerically?", Answer::Cancel);
    s.menu.Click(menu::Covariance);
    EXPECT_FALSE(s.wb.app.covarianceCurrent);
}

TEST(CommandMenu, MnemonicIsTheLetterAfterASingleAmpersand) {
    const struct {
        const char* caption;
        char expected;
    } cases[] = {{"Simple&x", 'x'}, {"&Marquardt", 'm'}, {"Res&ults Summary", 'u'}, {"&&Clear && &Reset", 'r'},
                 {"No mnemonic", 0},   {"Trailing &", 0},   {"&1 Function call", '1'}};
    for (const auto& c : cases) EXPECT_EQ(Mnemonic(c.caption), c.expected) << c.caption;
}

TEST(CommandMenu, NoTwoButtonsOrFrameMenusShareAMnemonic) {
    Session s;
    s.Ready();
    // The frame's menu bar as the desktop builds it; "&Interrupt" joins it
    // only while a command runs, when the buttons are disabled.
    std::vector<std::string> captions = {"A&pplication", "&Window", "&Defaults etc.", "Wisd&om", "&About"};
    for (const MenuButton& b : s.menu.Buttons())
        if (b.name != menu::UserSummary) captions.push_back(b.caption);
    std::map<char, std::string> seen;
    for (const std::string& c : captions) {
        const char m = Mnemonic(c);
        ASSERT_NE(m, 0) << c;
        EXPECT_EQ(seen.count(m), 0u) << c << " and " << seen[m] << " share Alt+" << m;
        seen[m] = c;
    }
    // The summary button has one of two captions, as the model has its own summary or not.
    for (const char* summary : {"Res&ults Summary", "Single model &results"})
        EXPECT_EQ(seen.count(Mnemonic(summary)), 0u) << summary;
}

TEST(CommandMenu, AltLetterFindsTheEnabledButtonOfTheVisibleMenu) {
    Session s;
    s.Ready();
    s.menu.Show();
    EXPECT_EQ(s.menu.ButtonForMnemonic('M'), menu::Marquardt);
    EXPECT_EQ(s.menu.ButtonForMnemonic('x'), menu::Simplex);
    EXPECT_EQ(s.menu.ButtonForMnemonic('c'), menu::Covariance);
    EXPECT_EQ(s.menu.ButtonForMnemonic('z'), "");  // no such button
    EXPECT_EQ(s.menu.ButtonForMnemonic(0), "");
    // A hidden menu presses nothing.
    s.menu.Hide();
    EXPECT_EQ(s.menu.ButtonForMnemonic('m'), "");
}
