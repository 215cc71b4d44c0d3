// Prior profiles: the x grids by type and their pull into the support, the
// columns against closed forms, the statistics text and window, and the
// dialogue with its ways back to the start.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>

#include "PriorsRig.h"
#include "evaluation/LikelihoodProfile.h"
#include "priors/PriorProfile.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

const char* kTitle = prior_profile_text::Title;

PriorRow Row(char type, double mean, double sd, std::string secondMean = kUnusedTerm,
             std::string secondSD = kUnusedTerm) {
    PriorRow r;
    r.type = type;
    r.firstMean = mean;
    r.firstSD = sd;
    r.secondMean = std::move(secondMean);
    r.secondSD = std::move(secondSD);
    return r;
}

}  // namespace

TEST(PriorProfile, GaussianSpansFiveSDsAndItsColumnsMatchTheNormal) {
    ProfileColumns c;
    const PriorProfileResult r = ComputePriorProfile(Row('N', 10.0, 2.0), 3, 101, c);
    ASSERT_TRUE(r.computed);
    EXPECT_EQ(c.m, 101);
    EXPECT_NEAR(c.x[1], 0.0, 1e-12);
    EXPECT_NEAR(c.x[2] - c.x[1], 0.2, 1e-12);
    EXPECT_NEAR(c.x[101], 20.0, 1e-12);
    EXPECT_EQ(r.mode, 51);
    EXPECT_EQ(c.negLnL[51], 0.0);
    EXPECT_NEAR(c.negLnL[1], 12.5, 1e-12);
    EXPECT_NEAR(c.negLnL[101], 12.5, 1e-12);
    EXPECT_NEAR(r.summary.mean, 10.0, 1e-9);
    EXPECT_NEAR(r.summary.sd, 2.0, 2e-3);  // the +-5 SD window holds all but 6e-7 of the mass
    EXPECT_NEAR(c.pdf[51], 1.0 / (2.0 * std::sqrt(2.0 * std::numbers::pi)), 1e-4);

    // The statistics text: Cumulative and Attenuated in place of the regions.
    const std::string text = PriorDistributionText(c, r.summary);
    EXPECT_EQ(text.rfind("Bayesian prior distribution data\r\n\r\n  Point       Value         -ln[L]           PDF"
                         "        Cumulative     Attenuated     Normal PDF\r\n",
                         0),
              0u);
    EXPECT_NE(text.find("\r\n   51     1.0000E+001    0.0000E+000 "), std::string::npos);
    EXPECT_NE(text.find("Max Likelihood:  1.0000E+001   \r\n"), std::string::npos);
}

TEST(PriorProfile, GridsArePulledIntoTheSupport) {
    // Beta: 0 to 1 in steps of 1/(P - 1), the ends moved to 1e-6 and 0.999999.
    PriorGrid g = PriorProfileGrid(Row('B', 0.3, 0.1), 101);
    ASSERT_EQ(g.x.size(), 101);
    EXPECT_EQ(g.x[1], 1e-6);
    EXPECT_EQ(g.x[101], 0.999999);
    EXPECT_NEAR(g.x[2], 0.01, 1e-12);
    EXPECT_NEAR(g.spacing, 0.01, 1e-15);

    // Gamma of mean 2 and SD 1: 2 +- 5 would start at -3; the grid is pulled
    // to start at 1e-6 and end at 7 + 1e-6, and its spacing is the pulled one.
    g = PriorProfileGrid(Row('G', 2.0, 1.0), 101);
    EXPECT_EQ(g.x[1], 1e-6);
    EXPECT_NEAR(g.x[101], 7.0 + 1e-6, 1e-12);
    EXPECT_NEAR(g.spacing, 0.07, 1e-12);
    EXPECT_NEAR(g.x[51] - g.x[50], g.spacing, 1e-12);

    // Exponential of mean 2: from 0 to 20 (the +-10 m range cut at 0).
    g = PriorProfileGrid(Row('E', 2.0, 2.0), 11);
    EXPECT_EQ(g.x[1], 0.0);
    EXPECT_NEAR(g.x[11], 20.0, 1e-12);
    EXPECT_NEAR(g.spacing, 2.0, 1e-12);

    // A ln-normal well away from 0 is not moved.
    g = PriorProfileGrid(Row('L', 50.0, 5.0), 11);
    EXPECT_NEAR(g.x[1], 25.0, 1e-12);
    EXPECT_NEAR(g.x[11], 75.0, 1e-12);

    // A left cliff with SD 0 and foot 0 would have step 0: it uses 0.1.
    g = PriorProfileGrid(Row('S', 0.0, 0.0), 101);
    EXPECT_NEAR(g.x[1], -5.0, 1e-12);
    EXPECT_NEAR(g.x[101], 5.0, 1e-12);
    EXPECT_EQ(g.spacing, 0.1);
    // A right cliff at -4 with SD 0 spans -8 to 0, left to right.
    g = PriorProfileGrid(Row('D', -4.0, 0.0), 5);
    EXPECT_NEAR(g.x[1], -8.0, 1e-12);
    EXPECT_NEAR(g.x[5], 0.0, 1e-12);
    // A cliff with an SD spans 3 SDs on each side of its foot.
    g = PriorProfileGrid(Row('S', 1.0, 0.5), 7);
    EXPECT_NEAR(g.x[1], -0.5, 1e-12);
    EXPECT_NEAR(g.x[7], 2.5, 1e-12);

    // Uniform-bounded: from the left foot - 3 SD to the right foot + 3 SD.
    g = PriorProfileGrid(Row('T', 0.0, 1.0, "10", "2"), 5);
    EXPECT_NEAR(g.x[1], -3.0, 1e-12);
    EXPECT_NEAR(g.x[5], 16.0, 1e-12);
    // Hard walls on both sides at one point: step 0.1.
    g = PriorProfileGrid(Row('T', 1.0, 0.0, "1", "0"), 3);
    EXPECT_NEAR(g.x[1], 0.9, 1e-12);

    // A Gaussian with a negative SD (the table accepts any SD but 0) still
    // runs from left to right.
    g = PriorProfileGrid(Row('N', 0.0, -1.0), 11);
    EXPECT_NEAR(g.x[1], -5.0, 1e-12);
    EXPECT_TRUE(PriorProfileGrid(Row('U', kUnsetPriorValue, kUnsetPriorValue), 101).x.empty());
}

TEST(PriorProfile, PulledGridsKeepAUnitArea) {
    // The exponential's density integrates to 1 only when the integral uses
    // the spacing of the pulled points: the PDF at 0 is then 1/m.
    ProfileColumns c;
    const PriorProfileResult r = ComputePriorProfile(Row('E', 2.0, 2.0), 1, 1001, c);
    ASSERT_TRUE(r.computed);
    EXPECT_EQ(r.mode, 1);
    EXPECT_NEAR(c.pdf[1], 0.5, 1e-3);
    EXPECT_NEAR(r.summary.mean, 2.0, 2e-3);
    EXPECT_NEAR(c.cumulative[1001], 1.0, 1e-3);
    // The ln-normal of mean 50 and SD 5: the moments of the grid match.
    const PriorProfileResult l = ComputePriorProfile(Row('L', 50.0, 5.0), 1, 1001, c);
    EXPECT_NEAR(l.summary.mean, 50.0, 0.02);
    EXPECT_NEAR(l.summary.sd, 5.0, 0.02);
}

TEST(PriorProfileDialogue, WalkWithItsWaysBackToTheStartAndTheSavedFile) {
    PriorsBench b(4);
    b.wb.priorTable.rows[2] = Row('N', 10.0, 2.0);
    ScriptedDialogs& d = b.t.dialogs;
    const std::string plots = "Choose plot 2 to get a Bayesian prior distribution. ";
    d.ExpectMessage(kTitle, "This routine uses the moments (mean and SD) to set the domain of the parameter.")
        .ExpectMessage(kTitle, plots)
        .ExpectPrompt(kTitle, "(0 < parameter # <= 4)", "")  // back to the start
        .ExpectMessage(kTitle, "If the prior distribution is uniform-unbounded (U) no plots will be generated.")
        .ExpectMessage(kTitle, plots)
        .ExpectPrompt(kTitle, "Choose the parameter number to be profiled.", "5")
        .ExpectMessage(kTitle, "\"5\" is not one of the choices.\r\nPlease enter a whole number from 1 to 4.")
        .ExpectPrompt(kTitle, "Choose the parameter number to be profiled.", "1")
        .ExpectMessage(kTitle, "There is nothing to plot when the prior distribution is uniform-unbounded")
        .ExpectMessage(kTitle, "")
        .ExpectMessage(kTitle, plots)
        .ExpectPrompt(kTitle, "parameter #", "2")
        .ExpectPrompt(kTitle, "(0 <= # points <= 1001)", "x")  // asked again
        .ExpectPrompt(kTitle, "(0 <= # points <= 1001)", "100");
    EXPECT_TRUE(ProfilePriorDistributions(b.wb, 3));
    EXPECT_TRUE(d.AllDone());
    // The parameter prompt offers the selected row's parameter, the points 101.
    EXPECT_EQ(d.shown[2].request.initialName, "3");
    EXPECT_EQ(d.shown[12].request.initialName, "101");
    EXPECT_EQ(d.shown[0].buttons, Buttons::OKCancel);
    EXPECT_EQ(d.shown[6].icon, Icon::Exclamation);  // the refusal of "5"
    EXPECT_EQ(d.shown[8].icon, Icon::Exclamation);

    EXPECT_EQ(b.wb.profileColumns.m, 101);  // 100 is raised to 101
    EXPECT_TRUE(b.t.status.EverShowed(
        "Calculating profile point 101 of 101, Value of parameter # 2 which is being profiled is: 2.0000E+01"));
    EXPECT_EQ(b.t.status.Get(panels::Activity(1)), "");
    const auto plotsShown = b.wb.recordedPlots.Of<DistributionPlotData>();
    ASSERT_EQ(plotsShown.size(), 1u);
    EXPECT_EQ(plotsShown[0].kind, DistributionKind::Prior);
    EXPECT_EQ(DistributionSeriesTitle(plotsShown[0].kind, 2), "Bayesian Prior Distribution");
    EXPECT_EQ(plotsShown[0].parameter, 2);
    // The columns are no likelihood profile to be shown again.
    EXPECT_EQ(b.wb.lastEvaluationKind, "Prior");

    TextView& view = b.wb.priorProfileView;
    EXPECT_TRUE(b.t.windows.IsOpen(view));
    EXPECT_EQ(view.Caption(), "Prior distribution statistics");
    const std::string text = view.Area(1);
    EXPECT_EQ(text.rfind("Bayesian prior distribution data\r\n", 0), 0u);

    const auto dir = std::filesystem::temp_directory_path() / "corvane-prior-profile-save";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "n10.pdp").string();
    d.ExpectFile("Save Bayesian prior values in...", path);
    view.Click("cmdSave");
    EXPECT_EQ(d.Last().request.filter, "All files (*.*)|*.*|Bayesian prior distribution files (*.pdp)|*.pdp");
    EXPECT_EQ(d.Last().request.initialName, "12071842.pdp");
    EXPECT_EQ(d.Last().request.selectedFilter, 2);
    EXPECT_EQ(ReadFile(path), "Originally saved with the file name: " + path + "\r\n\r\n" + text);
    std::filesystem::remove_all(dir);

    // Cancel at the introduction is the way out.
    d.ExpectMessage(kTitle, "", Answer::Cancel);
    EXPECT_FALSE(ProfilePriorDistributions(b.wb, 1));
}
