// The summary's dialogue walked through the ports: "Res&ults Summary" from
// MODEL's call codes to the saved .cvo file, the questions in their order,
// the model plots, and the prompts' rules.
#include <gtest/gtest.h>

#include "SummaryTestSupport.h"
#include "engine/ModelSummary.h"
#include "model/SummaryDialogue.h"
#include "plots/PlotNames.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

// A session with algorithm data and the summary installed; plots are
// collected instead of shown.
struct SummarySession {
    explicit SummarySession(const GrowthSetup& setup, const std::vector<double>& values) {
        EXPECT_TRUE(b.Initialise(setup));
        AlgorithmData& a = b.wb.alg;
        for (int i = 1; i <= a.np; ++i) a.value[i] = values[static_cast<std::size_t>(i - 1)];
        a.step[1] = 1.0;
        a.fileName = "/data/walk.alg";
    }
    const std::string& Text() { return summary.View().Area(1); }
    bool Has(const std::string& piece) { return Text().find(piece) != std::string::npos; }
    // The pages handed to the plot port, by label.
    std::vector<std::string> Plots() const {
        std::vector<std::string> pages;
        for (const auto& page : b.wb.recordedPlots.Of<XYPlotData>()) pages.push_back(page.page);
        return pages;
    }

    GrowthBench b;
    GrowthSummary summary{b.wb, b.model};
};

GrowthSetup Rig() {
    GrowthSetup s;
    s.incrementPath = DataPath("rig_increments.dat");
    return s;
}

const char* kPlots = "Choose 'Yes' to see increment and/or frequency plots then a summary\r\n\r\nChoose 'No' if you only";
const char* kSimulations = "More simulations improve chi-square estimate";

// No to every table and diagnostic of two series, then the closing message.
void NoTablesOfTwoSeries(ScriptedDialogs& d) {
    for (const char* series : {"series 1 ?", "series 2 ?"})
        d.ExpectMessage("Frequency Summary", series, Answer::No).ExpectMessage("Frequency Chi-square", series, Answer::No);
    d.ExpectMessage("Summary", "Summary complete");
}

}  // namespace

TEST(SummaryDialogue, FrequencyAnalysisFromTheMenuCommandToTheSavedFile) {
    SummarySession s(AlbaSetup(2), AlbaValues(2));
    ScriptedDialogs& d = s.b.t.dialogs;
    d.ExpectMessage("Model results", kPlots, Answer::Yes)
        .ExpectMessage("View plots?", "Do you want to see plots for series 1?", Answer::Yes)
        .ExpectMessage("View plots?", "Do you want to see plots for series 2?", Answer::No)
        .ExpectPrompt(kSimulations, "Please enter the number of simulations for chi-square calculation:", "-5")
        .ExpectPrompt(kSimulations, "", "40000")  // beyond what a count holds: asked again
        .ExpectPrompt(kSimulations, "", "7")
        .ExpectPrompt("Age-class details", "Provide details up to which age-class (last age-class always reported):",
                      "")
        .ExpectMessage("Frequency Summary", "Do you want to view the frequency data for series 1 ?", Answer::Yes)
        .ExpectMessage("Frequency Chi-square", "Do you want to view the chi-square diagnostic for frequency series 1 ?\r\n",
                       Answer::No)
        .ExpectMessage("Frequency Summary", "series 2 ?", Answer::No)
        .ExpectMessage("Frequency Chi-square", "series 2 ?", Answer::Yes)
        .ExpectMessage("Summary", "Summary complete");
    ModelSummaryCommand(s.b.wb);
    EXPECT_TRUE(d.AllDone());

    // Each series shown is followed by its cell residuals.
    EXPECT_EQ(s.Plots(),
              (std::vector<std::string>{"Frequency data series # 1", "Standardised cell residuals for series # 1"}));
    // The details prompt offers every age-class.
    const auto prompt = std::find_if(d.shown.begin(), d.shown.end(),
                                     [](const auto& x) { return x.title == "Age-class details"; });
    ASSERT_NE(prompt, d.shown.end());
    EXPECT_EQ(prompt->request.initialName, "5");
    EXPECT_EQ(d.shown.back().icon, Icon::Information);

    EXPECT_TRUE(s.b.t.status.EverShowed("One moment please while one function call is executed..."));
    EXPECT_TRUE(s.b.t.status.EverShowed("Chi-square: Calculating simulation # 1 of 7"));
    EXPECT_EQ(s.b.t.status.Get(panels::Activity(1)), "");
    EXPECT_TRUE(s.b.t.windows.IsOpen(s.summary.View()));
    EXPECT_EQ(s.summary.View().Caption(), "Age-structured model output");
    EXPECT_TRUE(s.Has("     /data/walk.alg\r\n"));
    EXPECT_FALSE(s.Has("Bayesian"));  // no priors in use
    EXPECT_TRUE(s.Has("The number of free (estimated) parameters is:    1\r\n"));
    EXPECT_TRUE(s.Has("reported up to age-class  0, then the oldest age-class."));
    EXPECT_TRUE(s.Has("Size frequency results for series: 1\r\n"));
    EXPECT_FALSE(s.Has("Size frequency results for series: 2"));
    EXPECT_FALSE(s.Has("Chi-square diagnostic for frequency series 1"));
    EXPECT_TRUE(s.Has("Chi-square diagnostic for frequency series 2\r\n"));
    EXPECT_TRUE(s.Has("Simulated chi-square> n: 7; Mean:"));
    EXPECT_EQ(s.summary.View().Buttons().at(0).caption, "Save summary as...");

    // Save writes the edited text after the line naming the file.
    ScratchDir dir;
    const std::string path = dir.Path("results.cvo");
    s.summary.View().UserEdited(1, "My notes\r\n" + s.Text());
    d.ExpectFile("Save summary in...", path);
    s.summary.View().Click("cmdSave");
    const FileRequest& r = d.shown.back().request;
    EXPECT_TRUE(r.save && r.overwritePrompt);
    EXPECT_EQ(r.filter, "All files (*.*)|*.*|Output files (*.cvo)|*.cvo");
    EXPECT_EQ(r.selectedFilter, 2);
    EXPECT_EQ(r.initialName, "/data/walk.cvo");  // beside the algorithm file, named for it
    EXPECT_EQ(SummarySaveRequest().initialName, "Varnel_Results.cvo");  // before any algorithm file
    EXPECT_EQ(ReadFile(path), "Originally saved with the file name: " + path + "\r\n\r\n" + s.Text());
    EXPECT_EQ(s.Text().substr(0, 10), "My notes\r\n");

    // A cancelled save writes nothing.
    d.ExpectFile("Save summary in...", std::nullopt);
    s.summary.View().Click("cmdSave");
    EXPECT_TRUE(d.AllDone());
}

TEST(SummaryDialogue, IncrementPlotsComeFirstWithoutAQuestionAndNoFrequencyPrompts) {
    SummarySession s(Rig(), RigFit());
    ScriptedDialogs& d = s.b.t.dialogs;
    d.ExpectMessage("Model results", kPlots, Answer::Yes)
        .ExpectPrompt(kSimulations, "", "abc")  // not a number: 0
        .ExpectMessage("Increment Summary", "Do you want to view the increment data?", Answer::No)
        .ExpectMessage("Increment Chi-square", "Do you want to view the increment chi-square diagnostic?", Answer::Yes)
        .ExpectMessage("Gaussian distribution: very unlikely observation(s)",
                       "At least one frequency cell with an observed value > 0 has a predicted value of 0.\r\n"
                       "Therefore the chi-square probability is seriously overestimated. Don't trust it!")
        .ExpectMessage("Summary", "Summary complete");
    ModelSummaryCommand(s.b.wb);
    EXPECT_TRUE(d.AllDone());
    // The sets, then the fit judged by its residuals.
    EXPECT_EQ(s.Plots(), (std::vector<std::string>{"Increment data for 1", "Increment data for 2",
                                                   "Observed against predicted increments",
                                                   "Standardised residuals against predicted increments",
                                                   "Normal Q-Q plot of standardised residuals"}));
    EXPECT_FALSE(s.Has("Increment data:"));
    EXPECT_TRUE(s.Has(" SD Frequency Data:\r\n"));
    EXPECT_TRUE(s.Has("Simulated chi-square> n: 0; Mean: Undefined;"));
    EXPECT_FALSE(s.Has("random number seed"));

    // With priors in use the report says so and names their file.
    s.b.wb.engine.priorsInUse = true;
    s.b.wb.priorTable.fileName = "/data/walk.pri";
    d.ExpectMessage("Model results", kPlots, Answer::No)
        .ExpectPrompt(kSimulations, "", "0")
        .ExpectMessage("Increment Summary", "", Answer::No)
        .ExpectMessage("Increment Chi-square", "", Answer::No)
        .ExpectMessage("Summary", "Summary complete");
    ModelSummaryCommand(s.b.wb);
    EXPECT_TRUE(s.Has("is gamma\r\n\r\nImportant note: This analysis used Bayesian prior information\r\n\r\n") ||
                s.Has("is Gaussian\r\n\r\nImportant note: This analysis used Bayesian prior information\r\n\r\n"));
    EXPECT_TRUE(s.Has("The Bayesian prior information file name is:\r\n     /data/walk.pri\r\n"));
    s.b.wb.engine.priorsInUse = false;

    // "&Quit plots" on the first page: no further page, the report follows.
    s.b.wb.recordedPlots.Clear();
    s.b.wb.recordedPlots.QueueAnswer(PlotAnswer::Quit);
    d.ExpectMessage("Model results", kPlots, Answer::Yes)
        .ExpectPrompt(kSimulations, "", "0")
        .ExpectMessage("Increment Summary", "", Answer::Yes)
        .ExpectMessage("Increment Chi-square", "", Answer::No)
        .ExpectMessage("Summary", "Summary complete");
    ModelSummaryCommand(s.b.wb);
    EXPECT_EQ(s.Plots(), (std::vector<std::string>{"Increment data for 1"}));
    EXPECT_TRUE(s.Has("Increment data:\r\n"));
}

TEST(SummaryDialogue, CancelAtTheFirstSeriesEndsThePlotsButNotTheReport) {
    SummarySession s(AlbaSetup(2), AlbaValues(2));
    ScriptedDialogs& d = s.b.t.dialogs;
    d.ExpectMessage("Model results", kPlots, Answer::Yes)
        .ExpectMessage("View plots?", "series 1?", Answer::Cancel)
        .ExpectPrompt(kSimulations, "", "0")
        .ExpectPrompt("Age-class details", "", "2");
    NoTablesOfTwoSeries(d);
    ModelSummaryCommand(s.b.wb);
    EXPECT_TRUE(s.Plots().empty());
    EXPECT_TRUE(s.Has("reported up to age-class  2, then the oldest age-class."));
    EXPECT_EQ(s.Text().find("AgeClass_"), std::string::npos);

    // Answering No to the first question shows no plot at all; the report is
    // written afresh.
    d.ExpectMessage("Model results", kPlots, Answer::No)
        .ExpectPrompt(kSimulations, "", "")
        .ExpectPrompt("Age-class details", "", "9");  // beyond the oldest: all of them
    NoTablesOfTwoSeries(d);
    ModelSummaryCommand(s.b.wb);
    EXPECT_TRUE(s.Plots().empty());
    EXPECT_EQ(s.Text().find("Results for a Multiple Series"), 0u);
    EXPECT_TRUE(s.Has("reported up to age-class  5, then the oldest age-class."));
}

TEST(SummaryDialogue, ModelPlotsHoldTheDataAndTheBestFit) {
    SummarySession rig(Rig(), RigFit());
    rig.b.Evaluate(RigFit());
    const IncrementData& data = rig.b.model.Data().increments;
    Vec1<double> X = ToVec1(RigFit());
    const IncrementTable table = ComputeIncrementTable(data, PrepareParameters(X, rig.b.model.Settings()));
    const auto pages = IncrementPlots(data, table);
    ASSERT_EQ(pages.size(), 2u);
    const auto& males = pages[1].variables;
    ASSERT_EQ(males.size(), 4u);
    EXPECT_EQ(males[0].name, "Data record index");
    EXPECT_EQ(males[1].name, "Observed initial Size for Set 2");
    EXPECT_EQ(males[2].name, "Observed increment for Set 2  ");
    EXPECT_EQ(males[3].name, "Predicted increment for Set 2  ");
    EXPECT_EQ(pages[0].variables[0].values.size(), 41u);  // the females
    EXPECT_EQ(males[0].values.size(), 73u);
    EXPECT_EQ(males[0].values.back(), 73.0);
    // The first male record is record 42 of the file.
    EXPECT_EQ(males[2].values[0], data.record[42].increment);
    EXPECT_EQ(males[3].values[0], table.rows[42].expected);
    EXPECT_EQ(males[2].scaleMax, *std::max_element(males[2].values.begin(), males[2].values.end()));
    EXPECT_EQ(males[2].scaleMin, *std::min_element(males[2].values.begin(), males[2].values.end()));
    EXPECT_FALSE(males[0].scaleMin.has_value());  // X scales to its data
    EXPECT_EQ(PlotFileNames(pages[1]), (std::vector<std::string>{"increments-set2"}));

    SummarySession alba(AlbaSetup(2), AlbaValues(2));
    alba.b.Evaluate(AlbaValues(2));
    const XYPlotData page =
        FrequencyPlot(alba.b.model.Settings(), alba.b.model.Data().frequencies, alba.b.model.Best(), 2);
    EXPECT_EQ(page.page, "Frequency data series # 2");
    ASSERT_EQ(page.variables.size(), 3u + 5u);
    EXPECT_EQ(page.variables[0].name, "Frequency Cell MidPoint");
    EXPECT_EQ(page.variables[1].name, "Observed distribution frequencies     ");
    EXPECT_EQ(page.variables[2].name, "Predicted distribution frequencies    ");
    EXPECT_EQ(page.variables[7].name, "Predicted frequencies for age-class 5");
    EXPECT_EQ(page.variables[0].values.front(), 0.5);
    EXPECT_EQ(page.variables[1].values[10], 6.0);  // series 2, cell 10.5
    EXPECT_EQ(PlotFileNames(page), (std::vector<std::string>{"frequencies-series2"}));
    // The age-classes make up the prediction.
    const auto& predicted = page.variables[2].values;
    for (std::size_t i = 0; i < predicted.size(); ++i) {
        if (predicted[i] < 1e-3) continue;
        double sum = 0.0;
        for (std::size_t c = 3; c < page.variables.size(); ++c) sum += page.variables[c].values[i];
        EXPECT_NEAR(sum, predicted[i], 1e-9) << i;
    }
}
