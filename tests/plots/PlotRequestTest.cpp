#include <gtest/gtest.h>

#include "engine/modCorvane.h"
#include "plots/PlotNames.h"
#include "plots/PlotPort.h"
#include "support/ScriptedDialogs.h"

using namespace corvane;

namespace {

DistributionPlotData ThreePoints(DistributionKind kind) {
    DistributionPlotData d;
    d.parameter = 9;
    d.kind = kind;
    d.x = Vec1<double>(3);
    d.cumulative = Vec1<double>(2);  // one short: the missing point reads as 0
    d.cumulative[1] = 0.25;
    d.cumulative[2] = 1.0;
    return d;
}

}  // namespace

TEST(PlotRequests, DistributionSeriesCarryTheirKindsTitleAndTheAttenuatedColumnIsComputed) {
    EXPECT_EQ(DistributionSeriesTitle(DistributionKind::Confidence, 2), "Parameter Confidence Distribution");
    EXPECT_EQ(DistributionSeriesTitle(DistributionKind::Posterior, 2), "Bayesian Posterior Distribution");
    EXPECT_EQ(DistributionSeriesTitle(DistributionKind::Prior, 2), "Bayesian Prior Distribution");
    EXPECT_EQ(DistributionSeriesTitle(DistributionKind::Prior, 6), "Attenuated L to R Distribution");
    EXPECT_EQ(DistributionSeriesTitle(DistributionKind::Prior, 8), "");

    const auto d = ThreePoints(DistributionKind::Confidence);
    EXPECT_DOUBLE_EQ(DistributionSeriesValue(d, 6, 1), 0.75);
    EXPECT_DOUBLE_EQ(DistributionSeriesValue(d, 6, 2), 0.0);
    EXPECT_DOUBLE_EQ(DistributionSeriesValue(d, 5, 3), 0.0);
    EXPECT_DOUBLE_EQ(DistributionSeriesValue(d, 6, 3), 1.0);
    EXPECT_DOUBLE_EQ(DistributionSeriesValue(d, 1, 1), 0.0);  // an empty column
}

TEST(PlotRequests, FileNamesSayWhatThePictureShows) {
    const auto profile = PlotFileNames(ThreePoints(DistributionKind::Confidence));
    ASSERT_EQ(profile.size(), 7u);
    EXPECT_EQ(profile[0], "profile-p9-likelihood");
    EXPECT_EQ(profile[1], "profile-p9-confidence");
    EXPECT_EQ(profile[2], "profile-p9-ci-mode");
    EXPECT_EQ(profile[5], "profile-p9-attenuated");
    EXPECT_EQ(profile[6], "profile-p9-gaussian");
    EXPECT_EQ(PlotFileNames(ThreePoints(DistributionKind::Posterior))[1], "posterior-p9-posterior");
    EXPECT_EQ(PlotFileNames(ThreePoints(DistributionKind::Prior))[4], "prior-p9-cumulative");

    BivariatePlotData b;
    b.xParameter = 3;
    b.yParameter = 5;
    EXPECT_EQ(PlotFileNames(b), std::vector<std::string>{"bivariate-p3-p5"});

    // A page without figures: one figure named after the page, every other
    // variable against the first.
    XYPlotData page;
    page.page = "Frequency data series # 2";
    page.variables.resize(4);
    const auto figures = FiguresOf(page);
    ASSERT_EQ(figures.size(), 1u);
    EXPECT_EQ(figures[0].name, "frequency-data-series-2");
    EXPECT_EQ(figures[0].x, 1);
    ASSERT_EQ(figures[0].curves.size(), 3u);
    EXPECT_EQ(figures[0].curves[0].variable, 2);
    EXPECT_EQ(figures[0].curves[2].variable, 4);

    // Named figures keep their names, made safe to use as file names.
    page.figures = {{"increments-set1", 1, {}}, {"../../etc/Passwd", 1, {}}, {"", 1, {}}};
    EXPECT_EQ(PlotFileNames(page),
              (std::vector<std::string>{"increments-set1", "etc-passwd", "frequency-data-series-2"}));
    EXPECT_EQ(PlotSlug("  *** "), "plot");
}

TEST(PlotRequests, TheWorkbenchRecordsPlotsUntilAWindowOrFilePortTakesOver) {
    corvane::testing::ScriptedDialogs dialogs;
    MemoryStatusBar status;
    MemoryWindowHost host;
    FixedClock clock(1, 2, 2024, 3, 4);
    DefaultRandom random(1);
    Workbench wb(Ports{dialogs, status, host, clock, random}, nullptr);
    ASSERT_EQ(wb.plots, &wb.recordedPlots);

    wb.recordedPlots.QueueAnswer(PlotAnswer::Quit);
    XYPlotData page;
    page.page = "Increment data for 1";
    EXPECT_EQ(wb.plots->Show(page), PlotAnswer::Quit);
    EXPECT_EQ(wb.plots->Show(ThreePoints(DistributionKind::Prior)), PlotAnswer::Next);
    ASSERT_EQ(wb.recordedPlots.Requests().size(), 2u);
    ASSERT_EQ(wb.recordedPlots.Of<XYPlotData>().size(), 1u);
    EXPECT_EQ(wb.recordedPlots.Of<XYPlotData>()[0].page, "Increment data for 1");
    EXPECT_EQ(wb.recordedPlots.Of<DistributionPlotData>()[0].kind, DistributionKind::Prior);
    EXPECT_TRUE(wb.recordedPlots.Of<BivariatePlotData>().empty());
}
