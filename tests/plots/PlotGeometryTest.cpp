#include <gtest/gtest.h>

#include <cmath>

#include "plots/ModXYPlot.h"
#include "plots/PlotPictures.h"
#include "plots/modBivarPlot.h"
#include "plots/modDistPlot.h"
#include "PlotExamples.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

bool Finite(const PlotScene& s) {
    for (const auto& l : s.lines)
        for (const auto& p : l.points)
            if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
    for (const auto& m : s.markers)
        if (!std::isfinite(m.at.x) || !std::isfinite(m.at.y)) return false;
    return true;
}

// The dashed lines that run the whole height of the frame, by their x.
std::vector<double> DashedVerticals(const PlotScene& s) {
    std::vector<double> xs;
    for (const auto& l : s.lines)
        if (l.stroke == Stroke::Dashed && l.points.size() == 2 && l.points[0].x == l.points[1].x &&
            l.points[0].y == frame::kTop && l.points[1].y == frame::kBottom)
            xs.push_back(l.points[0].x);
    return xs;
}

XYPlotData Columns(std::vector<std::vector<double>> columns) {
    XYPlotData d;
    d.page = "Test page";
    for (std::size_t v = 0; v < columns.size(); ++v)
        d.variables.push_back({"v" + std::to_string(v + 1), std::move(columns[v]), {}, {}});
    return d;
}

DistributionPlotData Spanning(double from, double to, int m = 21) {
    DistributionPlotData d = SkewedProfile();
    for (int i = 1; i <= m && i <= d.x.size(); ++i) d.x[i] = from + (to - from) * (i - 1) / (m - 1);
    d.x.resizePreserve(m);
    return d;
}

}  // namespace

TEST(PlotGeometry, TheLogicalFrameMapsRangesOntoItsFixedSpans) {
    const AxisRange r{-2.0, 3.0};
    EXPECT_DOUBLE_EQ(LogicalX(-2.0, r), 720.0);
    EXPECT_DOUBLE_EQ(LogicalX(3.0, r), 7200.0);
    EXPECT_DOUBLE_EQ(LogicalY(-2.0, r), 6720.0);  // y grows downwards
    EXPECT_DOUBLE_EQ(LogicalY(3.0, r), 480.0);
    EXPECT_DOUBLE_EQ(LogicalX(0.5, r), 720.0 + 0.5 * 6480.0);

    // Ticks: round values inside the range, distinct labels of one form.
    const auto ticks = NiceTicks({-0.5, 1.5}, 10);
    ASSERT_GE(ticks.size(), 4u);
    EXPECT_DOUBLE_EQ(ticks.front().value, -0.4);
    EXPECT_EQ(ticks.front().label, "-0.4");
    for (const auto& t : ticks) EXPECT_TRUE(t.value >= -0.5 && t.value <= 1.5);
    const auto zero = std::find_if(ticks.begin(), ticks.end(), [](const Tick& t) { return t.value == 0.0; });
    ASSERT_NE(zero, ticks.end());
    EXPECT_EQ(zero->label, "0.0");  // not "-0.0" from rounding
    EXPECT_EQ(NiceTicks({0.0, 3e7}, 5)[1].label, "1E+07");
    EXPECT_EQ(NiceTicks({0.0, 3e7}, 10)[1].label, "5.0E+06");
    EXPECT_EQ(NiceTicks({1e-6, 5e-6}, 8)[0].label, "1.0E-06");
    EXPECT_TRUE(NiceTicks({2.0, 2.0}, 5).empty());
    EXPECT_TRUE(NiceTicks({0.0, NAN}, 5).empty());
}

TEST(PlotGeometry, DistributionMarksZeroAndOneInsideTheRangeWithTheirLabel) {
    modDistPlot both(SkewedProfile());  // -0.5 to 1.5
    both.Plot(1, {});
    PlotScene s = both.Scene();
    ASSERT_TRUE(s.drawn);
    EXPECT_EQ(DashedVerticals(s), (std::vector<double>{720.0 + 0.25 * 6480.0, 720.0 + 0.75 * 6480.0}));
    EXPECT_EQ(s.notes, (std::vector<std::string>{"Left vertical line locates 0", "Right vertical line locates 1"}));

    modDistPlot zero(Spanning(-1.0, 0.5));
    zero.Plot(1, {});
    EXPECT_EQ(DashedVerticals(zero.Scene()).size(), 1u);
    EXPECT_EQ(zero.ReferenceNote(), std::vector<std::string>{"Note: Vertical line locates 0"});
    EXPECT_EQ(modDistPlot(Spanning(0.5, 2.0)).ReferenceNote(), std::vector<std::string>{"Note: Vertical line locates 1"});
    // 0 and 1 at the very ends are not inside.
    modDistPlot ends(Spanning(0.0, 1.0));
    ends.Plot(1, {});
    EXPECT_TRUE(DashedVerticals(ends.Scene()).empty());
    EXPECT_TRUE(ends.ReferenceNote().empty());
}

TEST(PlotGeometry, DistributionWithAZeroWidthRangeDrawsNothing) {
    for (const auto& d : {Spanning(0.3, 0.3), Spanning(0.3, 0.3, 1), DistributionPlotData{}}) {
        modDistPlot plot(d);
        EXPECT_FALSE(plot.CanDraw());
        for (int k = 1; k <= kDistributionSeries; ++k) plot.Plot(k, {true, true, true});
        const PlotScene s = plot.Scene();
        EXPECT_FALSE(s.drawn);
        EXPECT_TRUE(s.lines.empty() && s.markers.empty() && s.labels.empty() && s.notes.empty());
        EXPECT_FALSE(s.message.empty());
        EXPECT_FALSE(plot.Region(3).has_value());
    }
}

TEST(PlotGeometry, DistributionSeriesKeepTheirRangesPanelsAndCentralRegions) {
    const DistributionPlotData d = SkewedProfile();
    modDistPlot plot(d);
    for (int k = 3; k <= 6; ++k) {
        EXPECT_DOUBLE_EQ(plot.YRange(k).lo, 0.0);
        EXPECT_DOUBLE_EQ(plot.YRange(k).hi, 1.0);
    }
    EXPECT_DOUBLE_EQ(plot.YRange(1).lo, 0.0);  // the relative -ln[L] is 0 at the mode
    EXPECT_GT(plot.YRange(1).hi, 5.0);

    // The regions of the mode and of the cumulative column both hold about
    // 95% of the probability: they bracket the mode, between -0.05 and 0.95.
    for (int k : {3, 4, 5, 6}) {
        SCOPED_TRACE(k);
        const auto region = plot.Region(k);
        ASSERT_TRUE(region.has_value());
        EXPECT_FALSE(region->openLeft || region->openRight);
        EXPECT_LT(region->from, d.mlEstimate);
        EXPECT_GT(region->to, d.mlEstimate);
        EXPECT_GT(region->from, -0.05);
        EXPECT_LT(region->to, 0.95);
    }
    EXPECT_DOUBLE_EQ(plot.Region(5)->from, plot.Region(6)->from);
    EXPECT_FALSE(plot.Region(2).has_value());

    plot.Plot(5, {});
    plot.Plot(2, {true, true, false});
    PlotScene s = plot.Scene();
    ASSERT_EQ(s.labels.size(), 1u);
    EXPECT_EQ(s.labels[0].text, "< 95% CI >");
    EXPECT_EQ(s.legend.size(), 2u);  // overlaid series are told apart
    EXPECT_DOUBLE_EQ(s.y.lo, 0.0);
    EXPECT_GE(s.y.hi, 1.8);            // the PDF reaches above the cumulative's 1
    EXPECT_EQ(s.markers.size(), 41u);  // points of the PDF only
    EXPECT_EQ(s.panel[1], "Y: Parameter Confidence Distribution");
    EXPECT_EQ(s.panel[6], "EV Estimate: " + PanelNumber(d.evEstimate, "#0.0000#"));
    // Plotting a series again replaces it; Clear empties the picture.
    plot.Plot(5, {});
    EXPECT_EQ(plot.Plotted().size(), 2u);
    plot.Clear();
    EXPECT_FALSE(plot.Scene().drawn);

    // Percent Diff is measured against the ML estimate; none for an estimate of 0.
    DistributionPlotData z = d;
    z.mlEstimate = 0.0;
    EXPECT_EQ(modDistPlot(z).EstimateBlock()[3], "Percent Diff: n/a");
    z.mlEstimate = 0.5;
    z.difference = 0.01;
    EXPECT_EQ(modDistPlot(z).EstimateBlock()[3], "Percent Diff: 2.00");

    // The confidence region of a mode at the first point is all 0: no region.
    DistributionPlotData first = d;
    for (int i = 1; i <= first.x.size(); ++i) first.ciMode[i] = 0.0;
    EXPECT_FALSE(modDistPlot(first).Region(3).has_value());
}

TEST(PlotGeometry, XYConstantXGetsATenthMoreAsItsMaximum) {
    ModXYPlot plot(Columns({{2, 2, 2, 2}, {1, 3, 2, 5}, {0.5, 1, 1.5, 2}}));
    XYBoxes boxes;
    ASSERT_TRUE(plot.Plot(1, 2, {}, boxes));
    EXPECT_DOUBLE_EQ(plot.XAxis().lo, 2.0);
    EXPECT_DOUBLE_EQ(plot.XAxis().hi, 2.2);
    EXPECT_EQ(boxes.xMax, "2.2");
    EXPECT_TRUE(Finite(plot.Scene()));

    // The rule's own entry is not a limit the user set: X from another
    // column takes its own range, and the box is emptied.
    ASSERT_TRUE(plot.Plot(3, 2, {}, boxes));
    EXPECT_DOUBLE_EQ(plot.XAxis().lo, 0.5);
    EXPECT_DOUBLE_EQ(plot.XAxis().hi, 2.0);
    EXPECT_EQ(boxes.xMax, "");
    // One the user typed stays.
    plot.Clear(boxes);
    boxes.xMax = "2.2";
    ASSERT_TRUE(plot.Plot(3, 2, {}, boxes));
    EXPECT_DOUBLE_EQ(plot.XAxis().hi, 2.2);
    EXPECT_EQ(boxes.xMax, "2.2");

    // A negative constant widens to the left; 0 gets -1 to 1; a constant Y
    // a tenth of its value each way.
    ModXYPlot negative(Columns({{-2, -2}, {4, 4}}));
    boxes = {};
    ASSERT_TRUE(negative.Plot(1, 2, {}, boxes));
    EXPECT_EQ(boxes.xMax, "");
    EXPECT_DOUBLE_EQ(negative.XAxis().lo, -2.2);
    EXPECT_DOUBLE_EQ(negative.XAxis().hi, -2.0);
    EXPECT_DOUBLE_EQ(negative.YAxis().lo, 3.6);
    EXPECT_DOUBLE_EQ(negative.YAxis().hi, 4.4);
    ModXYPlot zeros(Columns({{0, 0}, {0, 0}}));
    ASSERT_TRUE(zeros.Plot(1, 2, {}, boxes));
    EXPECT_DOUBLE_EQ(zeros.XAxis().lo, -1.0);
    EXPECT_DOUBLE_EQ(zeros.YAxis().hi, 1.0);
    EXPECT_TRUE(Finite(zeros.Scene()));
}

TEST(PlotGeometry, XYAxesHoldEveryCurveUnlessTheBoxesFixThem) {
    XYPlotData d = Columns({{1, 2, 3, 4}, {10, 20, 30, 40}, {-5, 0, 5, 60}});
    d.variables[1].scaleMin = 0.0;  // the model's scaling of v2
    d.variables[1].scaleMax = 50.0;
    ModXYPlot plot(d);
    XYBoxes boxes;
    ASSERT_TRUE(plot.Plot(1, 2, {}, boxes));
    EXPECT_DOUBLE_EQ(plot.YAxis().lo, 0.0);
    EXPECT_DOUBLE_EQ(plot.YAxis().hi, 50.0);
    ASSERT_TRUE(plot.Plot(1, 3, {}, boxes));  // overlaid: the axes grow to hold it
    EXPECT_DOUBLE_EQ(plot.YAxis().lo, -5.0);
    EXPECT_DOUBLE_EQ(plot.YAxis().hi, 60.0);
    EXPECT_EQ(plot.Scene().legend.size(), 2u);

    // Non-zero entries fix an end; 0 asks for the data instead of the scaling.
    plot.Clear(boxes);
    boxes.yMax = "0";
    boxes.xMin = " -1 ";
    ASSERT_TRUE(plot.Plot(1, 2, {}, boxes));
    EXPECT_DOUBLE_EQ(plot.YAxis().hi, 40.0);
    EXPECT_DOUBLE_EQ(plot.YAxis().lo, 0.0);
    EXPECT_DOUBLE_EQ(plot.XAxis().lo, -1.0);

    std::string message;
    boxes.yMin = "abc";
    EXPECT_FALSE(plot.Plot(1, 2, {}, boxes, &message));
    EXPECT_EQ(message, "Y-Min: the entry is not a number");
    boxes.yMin = "100";
    EXPECT_FALSE(plot.Plot(1, 2, {}, boxes, &message));
    EXPECT_EQ(message, "Y-Min: must be smaller than Y-Max:");
    EXPECT_EQ(plot.Curves().size(), 1u);  // refused curves are not kept
    EXPECT_FALSE(plot.Plot(0, 2, {}, boxes, &message));
}

TEST(PlotGeometry, XYDrawsEachChosenMarkAndTheDashedZeroLines) {
    ModXYPlot plot(Columns({{1, 2, 3, 2, 1}, {-1, 1, 2, 3, 4}}));
    plot.SetGrids(true, false);
    XYBoxes boxes;
    XYMarks forward;
    forward.points = false;
    forward.linesForward = true;
    ASSERT_TRUE(plot.Plot(1, 2, forward, boxes));
    PlotScene s = plot.Scene();
    EXPECT_EQ(s.notes, std::vector<std::string>{"Horizontal dashed line shows Y=0"});
    int grid = 0, data = 0;
    for (const auto& l : s.lines) {
        if (l.colour == kInkGrid) {
            ++grid;
            // Ten divisions: 648 units apart across, 624 down.
            const double offset = l.points[0].x == l.points[1].x ? std::fmod(l.points[0].x - 720.0, 648.0)
                                                                  : std::fmod(l.points[0].y - 480.0, 624.0);
            EXPECT_NEAR(offset, 0.0, 1e-9);
        } else if (l.colour == CurveColour(0)) {
            ++data;
            EXPECT_EQ(l.points.size(), 3u);  // 1 -> 2 -> 3 only: the steps back are not joined
        }
    }
    EXPECT_EQ(grid, 18);
    EXPECT_EQ(data, 1);
    EXPECT_TRUE(s.markers.empty());

    XYMarks all;
    all.linesAll = true;
    all.dropLines = true;
    plot.Clear(boxes);
    ModXYPlot crossing(Columns({{-1, 1}, {-1, 1}}));
    ASSERT_TRUE(crossing.Plot(1, 2, all, boxes));
    s = crossing.Scene();
    EXPECT_EQ(s.notes.size(), 2u);
    EXPECT_EQ(s.markers.size(), 2u);
    EXPECT_EQ(s.lines.size(), 2u + 2u + 1u);  // two zero lines, two drop lines, the curve
}

TEST(PlotGeometry, XYStatisticsOfThePlottedPairs) {
    const auto line = ModXYPlot::Compute({1, 2, 3, 4}, {3, 5, 7, 9});
    EXPECT_DOUBLE_EQ(*line.r, 1.0);
    EXPECT_DOUBLE_EQ(*line.s, 0.0);
    EXPECT_DOUBLE_EQ(line.meanY, 6.0);
    EXPECT_DOUBLE_EQ(*line.varX, 5.0 / 3.0);  // divisor n - 1
    EXPECT_DOUBLE_EQ(*line.varY, 20.0 / 3.0);

    const auto spread = ModXYPlot::Compute({1, 2, 3, 4, 5}, {2, 1, 4, 3, 5});
    EXPECT_DOUBLE_EQ(*spread.r, 0.8);
    EXPECT_DOUBLE_EQ(*spread.s, std::sqrt((1 - 0.64) / 3));

    const auto two = ModXYPlot::Compute({1, 2}, {1, 2});
    EXPECT_TRUE(two.r.has_value());
    EXPECT_FALSE(two.s.has_value());
    const auto flat = ModXYPlot::Compute({1, 2, 3}, {4, 4, 4});
    EXPECT_FALSE(flat.r.has_value());
    EXPECT_DOUBLE_EQ(*flat.varY, 0.0);

    // Rows where either value is not a number are left out of the pairs.
    ModXYPlot plot(Columns({{1, 2, NAN, 4}, {3, 5, 6, INFINITY}}));
    XYBoxes boxes;
    ASSERT_TRUE(plot.Plot(1, 2, {}, boxes));
    EXPECT_EQ(plot.Statistics().n, 2);
    EXPECT_EQ(plot.Scene().panel[5], "n  = 2");
    EXPECT_EQ(plot.Scene().panel[7], "s  = n/a");
}

TEST(PlotGeometry, BivariateBandsScanFromThreeStandardErrorsDown) {
    EXPECT_EQ(modBivarPlot::BandIndex(0.5), 4);  // stops at s = 1.0
    EXPECT_EQ(modBivarPlot::BandIndex(1.0), modBivarPlot::kPeakBand);
    EXPECT_EQ(modBivarPlot::BandIndex(0.99), 6);
    EXPECT_EQ(modBivarPlot::BandIndex(std::exp(-0.5)), 5);  // not above itself: on to s = 0.5
    EXPECT_EQ(modBivarPlot::BandIndex(0.02), 1);
    EXPECT_EQ(modBivarPlot::BandIndex(0.005), 0);
    EXPECT_EQ(modBivarPlot::BandIndex(0.0), 0);
    EXPECT_EQ(modBivarPlot::BandIndex(NAN), 0);
    EXPECT_EQ(modBivarPlot::BandColour(0), (Rgb{255, 255, 255}));
    const auto legend = modBivarPlot::LegendBands();
    ASSERT_EQ(legend.size(), 7u);
    EXPECT_EQ(legend.front().first, "   0.0  ");
    EXPECT_EQ(legend.back().first, "< 3.0");
}

TEST(PlotGeometry, BivariateGridFindsItsPeakCorrelationAndReferenceLines) {
    const modBivarPlot plot(GaussianGrid(0.6));
    ASSERT_TRUE(plot.CanDraw());
    EXPECT_NEAR(plot.PeakX(), 0.8, 1e-12);
    EXPECT_NEAR(plot.PeakY(), 0.1, 1e-12);
    EXPECT_NEAR(plot.Correlation(), 0.6, 0.01);  // the grid holds 3.5 SD each way
    EXPECT_EQ(plot.Band(21, 16), modBivarPlot::kPeakBand);
    EXPECT_EQ(plot.Band(1, 1), 0);

    const PlotScene s = plot.Scene();
    ASSERT_TRUE(s.drawn);
    EXPECT_FALSE(s.inset);
    // X (0.275 to 1.325) holds 1, Y (-0.6 to 0.8) holds 0.
    EXPECT_EQ(s.notes, std::vector<std::string>{"NOTE: Dashed line(s) locate 0 and/or 1"});
    EXPECT_EQ(DashedVerticals(s).size(), 1u);
    // Cells of a band side by side make one rectangle, and none is white.
    EXPECT_LT(s.rects.size(), 41u * 31u / 3u);
    for (const auto& r : s.rects) EXPECT_NE(r.fill, modBivarPlot::BandColour(0));
    EXPECT_EQ(s.panel[6], "X-Peak = 8.000E-01");
    EXPECT_EQ(s.panel[8], "       r = 0.598");

    // A correlation handed over is shown as it is; a grid without density,
    // or one value on an axis, draws nothing.
    BivariatePlotData given = GaussianGrid();
    given.correlation = -0.25;
    EXPECT_EQ(modBivarPlot(given).Scene().panel[8], "       r = -0.25");
    BivariatePlotData empty = GaussianGrid();
    empty.density.resize(empty.x.size(), empty.y.size(), 0.0);
    EXPECT_FALSE(modBivarPlot(empty).Scene().drawn);
    BivariatePlotData thin = GaussianGrid();
    thin.x.resizePreserve(1);
    EXPECT_FALSE(modBivarPlot(thin).Scene().drawn);
}

TEST(PlotGeometry, FilePicturesOfEachRequest) {
    const auto page = PlotPictures(RigIncrementPage());
    ASSERT_EQ(page.size(), 2u);
    EXPECT_EQ(page[0].name, "increments-set1");
    EXPECT_EQ(page[0].scene.xTitle, "Data record index");
    EXPECT_EQ(page[0].scene.markers.size(), 41u);  // set 1 holds 41 records
    EXPECT_EQ(page[1].scene.xTitle, "Observed initial Size for Set 1");

    const auto profile = PlotPictures(SkewedProfile(DistributionKind::Posterior));
    ASSERT_EQ(profile.size(), 7u);
    EXPECT_EQ(profile[1].name, "posterior-p9-posterior");
    EXPECT_EQ(profile[1].scene.title, "Bayesian Posterior Distribution");
    for (const auto& p : profile) EXPECT_TRUE(p.scene.drawn && Finite(p.scene)) << p.name;

    // A figure naming a variable that is not there says so in its picture.
    XYPlotData broken = RigIncrementPage();
    broken.figures = {{"broken", 1, {{3, {}}, {9, {}}}}};
    const auto pictures = PlotPictures(broken);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_TRUE(pictures[0].scene.drawn);
    ASSERT_FALSE(pictures[0].scene.notes.empty());
    EXPECT_EQ(pictures[0].scene.notes.back(), "Choose an X variate and a Y variate first");
}
