#include <gtest/gtest.h>

#include <cmath>

#include "RankingSupport.h"
#include "engine/CovarianceConstant.h"
#include "engine/modCorvane.h"
#include "ranking/ModelAveraging.h"
#include "ranking/RankingForm.h"
#include "ui/ExitDialogue.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

// A ranking window over a three-parameter quadratic that reports N = 40.
struct Window {
    Window() : model(3, Quadratic({1.0, 2.0, 3.0}), 40.0), wb(t.ports(), &model), form(wb) {
        InitialiseModel(wb);
        form.openEditor = [this] { ++editorOpened; };
        form.onFinished = [this] { ++finished; };
        form.SetListener([this] { hiddenSeen = hiddenSeen || !form.Visible(); });
        form.Open();
    }

    // Current data: values, two free parameters, named name in the scratch folder.
    void Data(const std::string& name, double x1, bool withCovariance = true) {
        wb.alg.value[1] = x1;
        wb.alg.value[2] = 2.0;
        wb.alg.value[3] = 3.0;
        wb.alg.step[1] = 0.1;
        wb.alg.step[2] = 0.1;
        wb.alg.step[3] = 0.0;
        wb.alg.fileName = dir.Path(name + ".alg");
        if (withCovariance)
            dir.Write(name + ".cov", CovarianceText({x1, 2.0, 3.0}, {{1, 0.1, 0.1, 0.1}, {2, 0.2, 0.2, 0.2}}));
    }
    // "Calculate model AICc"; the first model is asked for the constant.
    void Add(const std::string& name, double x1, bool withCovariance = true) {
        Data(name, x1, withCovariance);
        if (form.Count() == 0) t.dialogs.ExpectPrompt(kConstantTitle, "Your model suggests", "0.5");
        form.Click(rank::Calculate);
    }
    // Two models (b 3 units of AICc worse), ranked and averaged.
    void RankedAndAveraged() {
        Add("a", 2.0);
        Add("b", 3.0);
        form.Click(rank::Rank);
        form.Click(rank::Average);
    }
    std::vector<std::string> Enabled() const {
        std::vector<std::string> names;
        for (const auto& b : form.Buttons())
            if (b.enabled) names.push_back(b.name);
        return names;
    }

    ScratchDir dir;
    TestPorts t;
    SampleModel model;
    Workbench wb;
    RankingForm form;
    int editorOpened = 0, finished = 0;
    bool hiddenSeen = false;
};

using Names = std::vector<std::string>;

}  // namespace

TEST(RankingForm, OpensEmptyWithItsTextsAndOnlyTheListCommands) {
    Window w;
    EXPECT_EQ(w.form.Heading(0), "Random");
    EXPECT_EQ(w.form.HeadingColour(0), TextColour::Red);
    EXPECT_EQ(w.form.CHatText(), "C-hat: 1.000");
    EXPECT_EQ(w.form.CHatColour(), TextColour::Green);
    EXPECT_FALSE(w.form.AveragingLabelEnabled());
    // No priors dialogue in this session: its button stays off.
    EXPECT_EQ(w.Enabled(), (Names{rank::Calculate, rank::QAICc, rank::LoadAlg, rank::EditAlg, rank::SaveAlg,
                                  rank::Finish}));
    EXPECT_EQ(w.form.Button(rank::QAICc).toolTip, w.form.Button(rank::Calculate).toolTip);
    EXPECT_EQ(w.form.TakeFocus(), rank::Calculate);
    EXPECT_EQ(RankingForm::RowLabel(12, 7), " 12)    7");
    EXPECT_EQ(RankingForm::RowLabel(4, 15), "   4)  15");
}

TEST(RankingForm, CalculatingAddsModelsAndAsksTheConstantForTheFirstOnly) {
    Window w;
    w.wb.priorTable.fileName = "/data/priors/wide.pri";
    w.Add("vb_a", 2.0);  // objective (2-1)^2 = 1; c = 0.5: -ln[L] 0.5
    EXPECT_TRUE(w.hiddenSeen);  // hidden while the constant was asked
    EXPECT_TRUE(w.form.Visible());
    EXPECT_TRUE(w.t.status.EverShowed("One moment please while one function is executed..."));
    EXPECT_EQ(w.t.status.Get(panels::Activity(1)), "");
    EXPECT_EQ(w.Enabled(), (Names{rank::Calculate, rank::QAICc, rank::LoadAlg, rank::EditAlg, rank::SaveAlg,
                                  rank::Finish}));
    EXPECT_EQ(w.form.TakeFocus(), rank::LoadAlg);

    w.Add("vb_b", 3.0);  // objective 4, -ln[L] 2: no second constant question
    EXPECT_TRUE(w.t.dialogs.AllDone());
    ASSERT_EQ(w.form.Count(), 2);
    EXPECT_TRUE(w.form.Enabled(rank::Rank));
    // K = 2, N = 40: penalty 2*2*40/37.
    const double penalty = 160.0 / 37.0;
    EXPECT_EQ(w.form.CellText(1, 1), "5.0000E-01");
    EXPECT_EQ(w.form.CellText(1, 2), "2");
    EXPECT_EQ(w.form.CellText(2, 3), Format(penalty + 4.0, "0.0000E+00"));
    EXPECT_EQ(w.form.CellText(2, 4), "undefined");
    EXPECT_EQ(w.form.CellText(2, 7), "vb_b.cov");
    EXPECT_EQ(w.form.CellText(2, 8), "wide.pri");

    // Ranking: differences and weights, saving and averaging on.
    w.form.Click(rank::Rank);
    EXPECT_EQ(w.form.Heading(0), "Ranked");
    EXPECT_EQ(w.form.HeadingColour(0), TextColour::Normal);
    EXPECT_EQ(w.form.CellText(2, 4), "3.00");
    EXPECT_EQ(w.form.CellText(1, 5), Format(1.0 / (1.0 + std::exp(-1.5)), "0.000000"));
    EXPECT_TRUE(w.form.Enabled(rank::SaveRanks));
    EXPECT_TRUE(w.form.Enabled(rank::Average));
    EXPECT_EQ(w.form.TakeFocus(), rank::Calculate);

    // Adding a third model invalidates the ranking.
    w.Add("vb_c", 1.5);
    EXPECT_EQ(w.form.Heading(0), "Random");
    EXPECT_EQ(w.form.CellText(1, 4), "undefined");
    EXPECT_FALSE(w.form.Enabled(rank::SaveRanks));
    EXPECT_FALSE(w.form.Enabled(rank::Average));
}

TEST(RankingForm, RefusesAModelWithoutDegreesOfFreedomAndTheHundredth) {
    Window w;
    w.model.sampleSize = 3.0;  // K = 2: N - K - 1 = 0
    w.Data("tiny", 2.0);
    w.t.dialogs.ExpectMessage("AICc undefined", "N - K - 1 must be above 0");
    w.form.Click(rank::Calculate);
    EXPECT_EQ(w.form.Count(), 0);
    EXPECT_TRUE(w.t.dialogs.AllDone());  // no constant asked either

    // N = 0 (no sample size reported) is accepted: AICc = 2 (-ln[L]).
    w.model.sampleSize = 0.0;
    w.Add("nosize", 3.0);
    EXPECT_DOUBLE_EQ(w.form.List().models[0].aicc, 4.0);

    w.Data("many", 2.0, false);
    for (int i = 2; i <= kModelLimit; ++i) w.form.Click(rank::Calculate);
    ASSERT_EQ(w.form.Count(), 99);
    EXPECT_EQ(w.form.CellText(99, 0), " 99)  99");
    w.t.dialogs.ExpectMessage("Model limit reached", "Sorry, no more than 99 models can be ranked");
    w.form.Click(rank::Calculate);
    EXPECT_EQ(w.form.Count(), 99);
}

TEST(RankingForm, QAICcAsksForCHatUntilAtLeastOne) {
    Window w;
    w.Add("a", 2.0);
    w.Add("b", 3.0);
    w.t.dialogs.ExpectPrompt("Overdispersion correction", "Input a value for C-hat (1 or greater)", "0.5")
        .ExpectPrompt("Overdispersion correction", "", "many")
        .ExpectPrompt("Overdispersion correction", "", "2 (from the GOF test)");
    w.form.Click(rank::QAICc);
    EXPECT_EQ(w.form.CHatText(), "C-hat: 2.000");
    EXPECT_EQ(w.form.CHatColour(), TextColour::Blue);
    EXPECT_EQ(w.form.Heading(3), "QAICc");
    EXPECT_EQ(w.form.Heading(5), "QAIC Wt");
    // The likelihood term halves: -ln[L] 2 gives 2 x 2 / 2.
    EXPECT_EQ(w.form.CellText(2, 3), Format(160.0 / 37.0 + 2.0, "0.0000E+00"));

    // With C-hat above 1 a new model asks for C-hat again; Cancel counts as 1.
    w.t.dialogs.ExpectPrompt("Overdispersion correction", "", "");
    w.Add("c", 1.0);
    EXPECT_EQ(w.form.CHatText(), "C-hat: 1.000");
    EXPECT_EQ(w.form.Heading(4), "dAICc");
    EXPECT_TRUE(w.t.dialogs.AllDone());
}

TEST(RankingForm, AveragingNeedsEveryCovarianceFileAndFillsTheBox) {
    Window w;
    w.Add("a", 2.0);
    w.Add("b", 3.0, false);
    EXPECT_EQ(w.form.CellText(2, 7), kNoCovarianceFound);
    w.form.Click(rank::Rank);
    EXPECT_FALSE(w.form.Enabled(rank::Average));

    // Naming a file that is not there; then the right one (beside the
    // algorithm file); Cancel keeps it.
    w.t.dialogs.ExpectPrompt("Choose an associated covariance file", "Please input the desired covariance file name",
                             "nothere.cov");
    w.form.DoubleClick(2, 7);
    EXPECT_EQ(w.form.CellText(2, 7), kNoSuchFile);
    w.dir.Write("b_later.cov", CovarianceText({3.0, 2.0, 3.0}, {{1, 0.3, 0.3, -1.0}, {2, 0.2, 0.2, 0.2}}));
    w.t.dialogs.ExpectPrompt("Choose an associated covariance file", "", "b_later.cov")
        .ExpectPrompt("Choose an associated covariance file", "", "");
    w.form.DoubleClick(2, 7);
    w.form.DoubleClick(2, 7);
    EXPECT_EQ(w.form.CellText(2, 7), "b_later.cov");
    EXPECT_FALSE(w.form.Enabled(rank::Average));  // until ranked again
    EXPECT_FALSE(w.form.Enabled(rank::SaveRanks));

    w.form.Click(rank::Rank);
    ASSERT_TRUE(w.form.Enabled(rank::Average));
    w.form.Click(rank::Average);
    ASSERT_TRUE(w.form.Averaged()) << (w.t.dialogs.shown.empty() ? "" : w.t.dialogs.Last().text);
    EXPECT_TRUE(w.form.AveragingLabelEnabled());
    const std::string& text = w.form.AveragingText();
    EXPECT_NE(text.find("Parameter_#  Parameter_Value     SEs_Grid_#1"), std::string::npos);
    // Grid 3 has a -1 in model b: its whole column is -1.
    EXPECT_NE(text.find("          3       3.0000E+00"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 18), "     -1.0000E+00\r\n");

    // Notes: the double-click clears the averaging and disables averaging.
    w.t.dialogs.ExpectPrompt("Model notes", "Enter your annotations concerning the selected model", "best so far");
    w.form.DoubleClick(1, 9);
    EXPECT_EQ(w.form.CellText(1, 9), "best so far");
    EXPECT_FALSE(w.form.Averaged());
    EXPECT_EQ(w.form.AveragingText(), "");
    EXPECT_FALSE(w.form.Enabled(rank::Average));

    // Deleting the first row at once.
    w.form.DoubleClick(1, 0);
    EXPECT_EQ(w.form.Count(), 1);
    EXPECT_EQ(w.form.CellText(1, 0), "   1)    2");
    EXPECT_FALSE(w.form.Enabled(rank::Rank));
}

TEST(RankingForm, AMalformedCovarianceFileIsRefusedByName) {
    Window w;
    w.Add("a", 2.0);
    w.Add("b", 3.0);
    w.dir.Write("b.cov", "Originally saved with the file name: b.cov\r\n\r\nnothing useful\r\n");
    w.form.Click(rank::Rank);
    w.t.dialogs.ExpectMessage(kCantAverageTitle, w.dir.Path("b.cov"));
    w.form.Click(rank::Average);
    EXPECT_FALSE(w.form.Averaged());
    EXPECT_TRUE(w.t.dialogs.AllDone());
}

TEST(RankingForm, SavingTheRankingAndTheFinishQuestion) {
    Window w;
    w.RankedAndAveraged();
    const std::string path = w.dir.Path("ranks.mms");
    w.t.dialogs.ExpectFile("Save model ranking results in...", path);
    w.form.Click(rank::SaveRanks);
    const auto& request = w.t.dialogs.Last().request;
    EXPECT_EQ(request.filter, "All files (*.*)|*.*|Multi-model statistics files (*.mms)|*.mms");
    EXPECT_EQ(request.selectedFilter, 2);
    EXPECT_EQ(request.initialName, "12071842.mms");
    EXPECT_TRUE(request.overwritePrompt);
    const std::string saved = ReadFile(path);
    EXPECT_EQ(saved.substr(0, 34), "     2 < Number of models ranked\r\n");
    EXPECT_NE(saved.find("\r\n\r\nParameter estimates and their SEs"), std::string::npos);
    EXPECT_EQ(saved, FormatRankingFile(w.form.List(), w.form.AveragingText()));

    // A file that cannot be written is reported.
    w.t.dialogs.ExpectFile("Save model ranking results in...", w.dir.Path("no/such/folder/r.mms"))
        .ExpectMessage("Save model ranking results in...", "could not be written");
    w.form.Click(rank::SaveRanks);

    // Finish with the results just saved (the failed write changed
    // nothing): no question.
    w.form.Click(rank::Finish);
    EXPECT_FALSE(w.form.IsOpen());
    EXPECT_EQ(w.finished, 1);

    // Ranked and never saved: the question, No by default; No saves nothing.
    w.form.Open();
    w.Add("a", 2.0);
    w.Add("b", 3.0);
    w.form.Click(rank::Rank);
    w.t.dialogs.ExpectMessage("What about ranking results!", "Do you want to save ranking results?", Answer::No);
    w.form.Click(rank::Finish);
    EXPECT_TRUE(w.t.dialogs.Last().secondIsDefault);
    EXPECT_EQ(w.t.dialogs.Last().buttons, Buttons::YesNo);
    EXPECT_NE(w.t.dialogs.Last().text.find("They have not been saved to a file yet."), std::string::npos);
    EXPECT_FALSE(w.form.IsOpen());
    w.finished = 1;

    // Unranked: no question at all.
    w.form.Open();
    w.Add("a", 2.0);
    w.form.Close();
    EXPECT_EQ(w.finished, 2);
    EXPECT_TRUE(w.t.dialogs.AllDone());
}

TEST(RankingForm, OnlyResultsChangedSinceTheirSaveAreAskedAbout) {
    // Each case saves two ranked (and perhaps averaged) models to ranks.mms,
    // then does something; the question names what the file no longer holds.
    const struct {
        const char* name;
        bool averaged;
        std::function<void(Window&)> then;
        std::string changes;  // empty: no question
    } cases[] = {
        {"nothing", true, [](Window&) {}, ""},
        {"ranked again, not averaged", false, [](Window& w) { w.form.Click(rank::Rank); }, ""},
        // Ranking again drops the averaging the file holds.
        {"ranked again after averaging", true, [](Window& w) { w.form.Click(rank::Rank); }, "the averaged estimates"},
        {"averaged after the save", false, [](Window& w) { w.form.Click(rank::Average); }, "the averaged estimates"},
        {"a note", false,
         [](Window& w) {
             w.t.dialogs.ExpectPrompt("Model notes", "annotations", "the better one");
             w.form.DoubleClick(1, 9);
         },
         "the ranking"},
        {"a note after averaging", true,
         [](Window& w) {
             w.t.dialogs.ExpectPrompt("Model notes", "annotations", "the better one");
             w.form.DoubleClick(1, 9);
         },
         "the ranking and the averaged estimates"},
    };
    for (const auto& c : cases) {
        Window w;
        w.Add("a", 2.0);
        w.Add("b", 3.0);
        w.form.Click(rank::Rank);
        if (c.averaged) w.form.Click(rank::Average);
        EXPECT_EQ(w.form.UnsavedChanges(), "they have not been saved") << c.name;
        w.t.dialogs.ExpectFile("Save model ranking results in...", w.dir.Path("ranks.mms"));
        w.form.Click(rank::SaveRanks);
        ASSERT_EQ(w.form.UnsavedChanges(), "") << c.name;
        c.then(w);
        EXPECT_EQ(w.form.UnsavedChanges(), c.changes) << c.name;
        if (!c.changes.empty())
            w.t.dialogs.ExpectMessage("What about ranking results!",
                                      "Changed since ranks.mms was saved: " + c.changes + ".", Answer::No);
        w.form.Click(rank::Finish);
        EXPECT_FALSE(w.form.IsOpen()) << c.name;
        EXPECT_TRUE(w.t.dialogs.AllDone()) << c.name;
    }
}

TEST(RankingForm, TheExitQuestionOffersUnsavedRankingResults) {
    Window w;
    w.Add("a", 2.0);
    w.Add("b", 3.0);
    w.form.Click(rank::Rank);
    // Yes, then the save is cancelled: nothing is lost, the program stays.
    w.t.dialogs.ExpectMessage("Exit Corvane", "Do you want to quit", Answer::Yes)
        .ExpectMessage("What about ranking results!", "They have not been saved to a file yet.", Answer::Yes)
        .ExpectFile("Save model ranking results in...", std::nullopt);
    EXPECT_FALSE(ExitDialogue(w.wb, {}, &w.form));
    // Saved now: the exit asks about them no more.
    w.t.dialogs.ExpectFile("Save model ranking results in...", w.dir.Path("exit.mms"));
    w.form.Click(rank::SaveRanks);
    // (The model's algorithm data were never written: they are asked about.)
    w.t.dialogs.ExpectMessage("Exit Corvane", "Do you want to quit", Answer::Yes)
        .ExpectMessage("What about algorithm data?", "Save algorithm data?", Answer::No);
    EXPECT_TRUE(ExitDialogue(w.wb, {}, &w.form));
    EXPECT_TRUE(w.t.dialogs.AllDone());
}

TEST(RankingForm, AlgorithmDataCommandsClearTheAveraging) {
    Window w;
    w.RankedAndAveraged();
    ASSERT_TRUE(w.form.Averaged());

    // Loading goes straight to the file dialogue and names the file by its bare name.
    const std::string alg = w.dir.Path("c.alg");
    w.dir.Write("c.alg", AlgorithmText({1.0, 2.0, 3.0}));
    w.t.dialogs.ExpectFile("Open algorithm data file", alg);
    w.form.Click(rank::LoadAlg);
    EXPECT_FALSE(w.form.Averaged());
    EXPECT_EQ(w.wb.alg.fileName, alg);
    EXPECT_EQ(w.t.status.Get(panels::AlgorithmFile), "Algorithm file: c");
    EXPECT_EQ(w.form.TakeFocus(), rank::Calculate);

    // Saving offers the name with ".alg" appended and the second filter.
    const std::string saved = w.dir.Path("d.alg");
    w.t.dialogs.ExpectFile("Save algorithm data in...", saved);
    w.form.Click(rank::SaveAlg);
    EXPECT_EQ(w.t.dialogs.Last().request.initialName, alg + ".alg");
    EXPECT_EQ(w.t.dialogs.Last().request.selectedFilter, 2);
    EXPECT_NE(ReadFile(saved).find("  Value, step then link for: "), std::string::npos);

    // Editing hides the window until the editor closes.
    w.form.Click(rank::EditAlg);
    EXPECT_EQ(w.editorOpened, 1);
    EXPECT_FALSE(w.form.Visible());
    w.form.EditorClosed();
    EXPECT_TRUE(w.form.Visible());
    EXPECT_EQ(w.form.TakeFocus(), rank::Calculate);
    // So does the priors dialogue, once the session has one.
    int priorsOpened = 0;
    w.form.openPriors = [&] { ++priorsOpened; };
    w.form.Open();
    w.RankedAndAveraged();
    w.form.Click(rank::Bayesian);
    EXPECT_EQ(priorsOpened, 1);
    EXPECT_FALSE(w.form.Visible());
    EXPECT_FALSE(w.form.Averaged());
    w.form.PriorsClosed();
    EXPECT_TRUE(w.form.Visible());
    EXPECT_EQ(w.form.TakeFocus(), rank::Calculate);
    // The list survives all of it.
    EXPECT_EQ(w.form.Count(), 2);
    EXPECT_EQ(w.form.Heading(0), "Ranked");
}

// Models of different data are not added: here the second reports N = 35
// where the first had 40.
TEST(RankingForm, AModelOfOtherDataIsRefusedNamingEachCount) {
    Window w;
    w.Add("a", 2.0);
    w.model.sampleSize = 35.0;
    w.Data("b", 3.0);
    w.t.dialogs.ExpectMessage("Models use different data", "model 1 (a.alg): N = 40\n  model 2 (b.alg): N = 35");
    w.form.Click(rank::Calculate);
    EXPECT_TRUE(w.t.dialogs.AllDone());
    EXPECT_EQ(w.form.Count(), 1);
    w.model.sampleSize = 40.0;
    w.Add("b", 3.0);
    EXPECT_EQ(w.form.Count(), 2);
}

// Every model is evaluated with the one constant c: the first model's prior
// total is not scaled by the constant in force before c was asked.  With
// c = 1 and N(0, 1) on parameter 1, -ln[L] = (x1 - 1)^2 + x1^2 / 2: 3 at
// x1 = 2 and 8.5 at x1 = 3 (the first read 5 when its prior was scaled by
// the model's 1/c = 2).
TEST(RankingForm, EveryModelIsEvaluatedWithTheSameConstant) {
    Window w;
    w.wb.priorTable.rows[1] = PriorRow{'N', 0.0, 1.0, "Unused", "Unused"};
    w.wb.engine.priorsInUse = true;
    w.Data("a", 2.0);
    w.t.dialogs.ExpectPrompt(kConstantTitle, "Your model suggests", "1");
    w.form.Click(rank::Calculate);
    w.Add("b", 3.0);
    ASSERT_EQ(w.form.Count(), 2);
    EXPECT_DOUBLE_EQ(w.form.List().models[0].negLnL, 3.0);
    EXPECT_DOUBLE_EQ(w.form.List().models[1].negLnL, 8.5);
}
