// What makes a plot usable in a paper: titled axes, colours that stay
// apart, the fitted total over its components, reference lines where they
// belong, a panel that reports agreement, and the numbers behind each
// picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>

#include "PlotExamples.h"
#include "numeric/NormalProb.h"
#include "plots/ModXYPlot.h"
#include "plots/PlotPictures.h"
#include "plots/modBivarPlot.h"
#include "plots/modDistPlot.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

XYVariable Var(std::string name, std::vector<double> values, std::string quantity = {}) {
    XYVariable v;
    v.name = std::move(name);
    v.values = std::move(values);
    v.quantity = std::move(quantity);
    return v;
}

// A cumulative column that crosses 2.5% exactly at x = 0 and 97.5% at 2.5,
// over -1 to 3: its lower bound falls on the dashed line at 0.
DistributionPlotData BoundOnZero() {
    constexpr int m = 41;
    DistributionPlotData d;
    d.parameter = 4;
    for (Vec1<double>* c : {&d.x, &d.negLnL, &d.pdf, &d.ciMode, &d.ciMean, &d.cumulative, &d.normal}) c->resize(m);
    for (int i = 1; i <= m; ++i) {
        d.x[i] = -1.0 + (i - 1) / 10.0;
        d.cumulative[i] = std::clamp(0.025 + 0.38 * d.x[i], 0.0, 1.0);
        d.pdf[i] = d.cumulative[i] > 0.0 && d.cumulative[i] < 1.0 ? 0.38 : 0.0;
    }
    return d;
}

}  // namespace

TEST(PlotReadability, ThePaletteOpensWithOkabeItoAndNeverRepeatsAColour) {
    // The eight colours of Okabe and Ito, in their published order.
    const std::vector<Rgb> okabeIto = {{0x00, 0x00, 0x00}, {0xE6, 0x9F, 0x00}, {0x56, 0xB4, 0xE9},
                                       {0x00, 0x9E, 0x73}, {0xF0, 0xE4, 0x42}, {0x00, 0x72, 0xB2},
                                       {0xD5, 0x5E, 0x00}, {0xCC, 0x79, 0xA7}};
    for (int k = 0; k < 8; ++k) EXPECT_EQ(CurveColour(k), okabeIto[static_cast<std::size_t>(k)]) << k;
    EXPECT_EQ(CurveColour(8), (Rgb{0x44, 0x77, 0xAA}));  // then Tol's bright blue
    EXPECT_GE(kPaletteSize, 12);
    // A frequency plot of 99 age-classes with its observed and total curves:
    // every curve its own colour, none white.
    std::set<std::tuple<int, int, int>> seen;
    for (int k = 0; k < 101; ++k) {
        const Rgb c = CurveColour(k);
        EXPECT_TRUE(seen.insert({c.r, c.g, c.b}).second) << "colour " << k << " repeats";
        EXPECT_LT(c.r + c.g + c.b, 3 * 250) << k;
    }
}

TEST(PlotReadability, ParameterAxesNameTheParameterAfterItsNumber) {
    const std::vector<std::tuple<int, std::string, std::string>> cases = {
        {3, "Mean of k (von Bertalanffy)", "Values for parameter #3 (Mean of k (von Bertalanffy))"},
        {9, "", "Values for parameter #9"},
        {12, "  %SE at 100 units  ", "Values for parameter #12 (%SE at 100 units)"},
        {1, "   ", "Values for parameter #1"},
    };
    for (const auto& [p, description, title] : cases) EXPECT_EQ(ParameterAxisTitle(p, description), title);

    DistributionPlotData d = SkewedProfile();
    d.description = "Mean of k (von Bertalanffy)";
    modDistPlot plot(d);
    plot.Plot(1, {});
    const PlotScene scene = plot.Scene();
    EXPECT_EQ(scene.xTitle, "Values for parameter #9 (Mean of k (von Bertalanffy))");
    EXPECT_EQ(scene.panel[0], "X: Values for parameter #9 (Mean of k (von Bertalanffy))");

    BivariatePlotData b = GaussianGrid();
    b.xDescription = "Mean of k (von Bertalanffy)";
    b.yDescription = "Psi";
    const PlotScene grid = modBivarPlot(b).Scene();
    EXPECT_EQ(grid.xTitle, "Values for parameter #3 (Mean of k (von Bertalanffy))");
    EXPECT_EQ(grid.yTitle, "Values for parameter #5 (Psi)");
}

TEST(PlotReadability, EveryDistributionSeriesTitlesItsYAxisAndDensitiesStartAtZero) {
    const std::vector<std::pair<int, std::string>> quantities = {
        {1, "Relative -ln[L]"},          {2, "Probability density"},      {3, "Confidence level of the region"},
        {4, "Confidence level of the region"}, {5, "Cumulative probability"}, {6, "1 - Cumulative probability"},
        {7, "Probability density"}};
    for (const auto& [k, quantity] : quantities) {
        modDistPlot plot(SkewedProfile());
        plot.Plot(k, {});
        const PlotScene scene = plot.Scene();
        EXPECT_EQ(scene.yTitle, quantity) << k;
        // The densities never reach 0 on this profile, yet their axes show it.
        if (k == 2 || k == 7) {
            EXPECT_EQ(scene.y.lo, 0.0) << k;
            const auto ticks = NiceTicks(scene.y, 6);
            ASSERT_FALSE(ticks.empty());
            EXPECT_EQ(ticks.front().value, 0.0) << k;
        }
    }
    // Several series: each quantity once.
    modDistPlot both(SkewedProfile());
    both.Plot(2, {});
    both.Plot(7, {});
    both.Plot(5, {});
    EXPECT_EQ(both.Scene().yTitle, "Probability density; Cumulative probability");
}

TEST(PlotReadability, AConfidenceBoundOnAReferenceLineKeepsItsOwnDashAndALabel) {
    modDistPlot plot(BoundOnZero());
    plot.Plot(5, {});
    const PlotScene scene = plot.Scene();
    const double zero = LogicalX(0.0, scene.x);
    int reference = -1, bound = -1;
    for (std::size_t i = 0; i < scene.lines.size(); ++i) {
        const auto& l = scene.lines[i];
        if (l.points.size() != 2 || std::fabs(l.points[0].x - zero) > 1e-6 || l.points[0].x != l.points[1].x) continue;
        if (l.stroke == Stroke::Dashed) reference = static_cast<int>(i);
        if (l.stroke == Stroke::DashDot) bound = static_cast<int>(i);
    }
    ASSERT_GE(reference, 0);
    ASSERT_GE(bound, 0);
    EXPECT_GT(bound, reference);  // painted over the reference line
    bool labelled = false;
    for (const auto& label : scene.labels) labelled = labelled || label.text == "95% bound 0.0";
    EXPECT_TRUE(labelled);
    // The other bound, at 2.5, is on no reference line: no label of its own.
    int boundLabels = 0;
    for (const auto& label : scene.labels) boundLabels += label.text.rfind("95% bound", 0) == 0 ? 1 : 0;
    EXPECT_EQ(boundLabels, 1);
    EXPECT_NE(std::find(scene.panel.begin(), scene.panel.end(), "95% region: 0.0 to 2.5"), scene.panel.end());
}

TEST(PlotReadability, PlotItRescalesToTheNewCurveInsteadOfSquashingIt) {
    XYPlotData page;
    page.page = "Sizes and increments";
    page.variables = {Var("Index", {1, 2, 3, 4}), Var("Size", {40, 50, 55, 60}, "Size (size units)"),
                      Var("Observed increment", {0, 4, 10, 6}, "Increment (size units)"),
                      Var("Predicted increment", {2, 5, 8, 7}, "Increment (size units)")};
    XYBoxes boxes;
    ModXYPlot together(page);
    ASSERT_TRUE(together.Plot(1, 2, {}, boxes));
    ASSERT_TRUE(together.Plot(1, 3, {}, boxes));
    EXPECT_EQ(together.YAxis().lo, 0.0);  // a figure's curves share one axis
    EXPECT_EQ(together.YAxis().hi, 60.0);
    EXPECT_EQ(together.Scene().yTitle, "Size (size units); Increment (size units)");

    ModXYPlot window(page);
    ASSERT_TRUE(window.Plot(1, 2, {}, boxes));
    ASSERT_TRUE(window.Plot(1, 3, {}, boxes, nullptr, ModXYPlot::Scaling::ToNewCurve));
    EXPECT_EQ(window.YAxis().lo, 0.0);
    EXPECT_EQ(window.YAxis().hi, 10.0);
    PlotScene scene = window.Scene();
    EXPECT_NE(std::find(scene.notes.begin(), scene.notes.end(), "Partly outside these axes: Size"), scene.notes.end());
    // A curve of the same reach joins the axes; the sizes stay out.
    ASSERT_TRUE(window.Plot(1, 4, {}, boxes, nullptr, ModXYPlot::Scaling::ToNewCurve));
    EXPECT_EQ(window.YAxis().lo, 0.0);
    EXPECT_EQ(window.YAxis().hi, 10.0);
    EXPECT_EQ(window.Scene().yTitle, "Size (size units); Increment (size units)");
    // A box the user filled still wins.
    boxes.yMax = "20";
    ASSERT_TRUE(window.Plot(1, 3, {}, boxes, nullptr, ModXYPlot::Scaling::ToNewCurve));
    EXPECT_EQ(window.YAxis().hi, 20.0);
}

TEST(PlotReadability, TheZeroLineLiesAtZeroAndTheTotalIsPaintedOverItsComponents) {
    XYPlotData page;
    page.page = "Frequencies";
    page.variables = {Var("Midpoint", {1, 2, 3, 4}), Var("Observed", {0, 5, 9, 2}, "Frequency (number of individuals)"),
                      Var("Total", {1, 4, 8, 3}, "Frequency (number of individuals)"),
                      Var("Class 1", {1, 3, 2, 0}, "Frequency (number of individuals)"),
                      Var("Class 2", {0, 1, 6, 3}, "Frequency (number of individuals)")};
    XYMarks line;
    line.points = false;
    line.linesAll = true;
    page.figures = {{"f", 1, {{2, XYMarks{}}, {4, line, {true, 0.7}}, {5, line, {true, 0.7}}, {3, line, {false, 2.0}}}}};
    const auto pictures = PlotPictures(page);
    ASSERT_EQ(pictures.size(), 1u);
    const PlotScene& scene = pictures[0].scene;
    EXPECT_EQ(scene.yTitle, "Frequency (number of individuals)");

    // The Y = 0 line is at zero, the bottom of this range.
    int zeroLines = 0;
    for (const auto& l : scene.lines)
        if (l.stroke == Stroke::Dashed && l.colour == kInkReference) {
            ++zeroLines;
            EXPECT_DOUBLE_EQ(l.points[0].y, LogicalY(0.0, scene.y));
        }
    EXPECT_EQ(zeroLines, 1);

    // Four colours, none twice; the thick total comes after every dashed component.
    std::set<std::tuple<int, int, int>> colours;
    for (const auto& e : scene.legend) colours.insert({e.colour.r, e.colour.g, e.colour.b});
    EXPECT_EQ(colours.size(), 4u);
    int lastComponent = -1, total = -1;
    for (std::size_t i = 0; i < scene.lines.size(); ++i) {
        if (scene.lines[i].colour == kInkReference) continue;
        if (scene.lines[i].stroke == Stroke::Dashed) lastComponent = static_cast<int>(i);
        if (scene.lines[i].weight == 2.0) total = static_cast<int>(i);
    }
    ASSERT_GE(lastComponent, 0);
    EXPECT_GT(total, lastComponent);
    ASSERT_EQ(scene.legend.size(), 4u);
    EXPECT_EQ(scene.legend[1].stroke, Stroke::Dashed);
    EXPECT_EQ(scene.legend[3].label, "Total");
    EXPECT_EQ(scene.legend[3].weight, 2.0);
}

TEST(PlotReadability, APageThatNamesAPairReportsTheirAgreement) {
    XYPlotData page;
    page.page = "Increments";
    page.variables = {Var("Index", {1, 2, 3, 4}), Var("Predicted", {1, 2, 3, 4}), Var("Observed", {2, 4, 5, 4})};
    page.agreement = XYPlotData::Agreement{2, 3, "Observed against predicted increment:"};
    ModXYPlot plot(page);
    XYBoxes boxes;
    ASSERT_TRUE(plot.Plot(1, 3, {}, boxes));
    const PlotScene scene = plot.Scene();
    auto has = [&](const std::string& line) {
        return std::find(scene.panel.begin(), scene.panel.end(), line) != scene.panel.end();
    };
    // By hand: Sxy = 3.5, Sxx = 5, Syy = 4.75, r = 3.5 / sqrt(23.75) = 0.71818.
    EXPECT_TRUE(has("Observed against predicted increment:"));
    EXPECT_TRUE(has("r  = 0.7182"));
    EXPECT_TRUE(has("n  = 4"));
    EXPECT_TRUE(has("      Mean = 3.7500"));  // of the observed (Y)
    // Without the pair the panel describes the curve against its index:
    // 2, 4, 5, 4 against 1..4 gives the same r, so check the means instead.
    page.agreement.reset();
    page.variables[1].values = {10, 20, 30, 40};
    ModXYPlot plain(page);
    ASSERT_TRUE(plain.Plot(1, 3, {}, boxes));
    const PlotScene other = plain.Scene();
    EXPECT_NE(std::find(other.panel.begin(), other.panel.end(), "      Mean = 2.5000"), other.panel.end());
}

TEST(PlotReadability, EachPictureCarriesTheTableOfWhatItPlots) {
    const XYPlotData rig = RigIncrementPage();
    const auto pages = PlotPictures(rig);
    ASSERT_EQ(pages.size(), 2u);
    ASSERT_TRUE(pages[0].table);
    EXPECT_EQ(pages[0].table->Columns(), 3u);  // the X variable and two curves
    EXPECT_EQ(pages[0].table->Rows(), rig.variables[0].values.size());
    // Names without their trailing blanks, numbers that read back exactly.
    const std::string& text = pages[0].table->Text();
    EXPECT_EQ(text.substr(0, text.find('\r')),
              "Data record index,Observed increment for Set 1,Predicted increment for Set 1");
    const std::string second = text.substr(text.find('\n') + 1);
    EXPECT_EQ(second.substr(0, second.find(',')), "1");

    DistributionPlotData d = SkewedProfile();
    d.description = "Psi";
    const auto series = PlotPictures(d);
    ASSERT_EQ(series.size(), 7u);
    for (int k = 1; k <= 7; ++k) {
        const CsvTable& t = *series[static_cast<std::size_t>(k - 1)].table;
        EXPECT_EQ(t.Columns(), 2u);
        EXPECT_EQ(t.Rows(), 41u);
        EXPECT_EQ(t.Text().substr(0, t.Text().find('\r')),
                  "Values for parameter #9 (Psi)," + DistributionSeriesTitle(d.kind, k));
    }
    const auto grid = PlotPictures(GaussianGrid());
    ASSERT_EQ(grid.size(), 1u);
    EXPECT_EQ(grid[0].table->Columns(), 3u);
    EXPECT_EQ(grid[0].table->Rows(), 41u * 31u);
}

TEST(NormalQuantile, InvertsTheNormalCumulativeToRounding) {
    // Reference values from Python's statistics.NormalDist().inv_cdf.
    const std::vector<std::pair<double, double>> cases = {
        {0.5, 0.0},
        {0.975, 1.9599639845400536},
        {0.025, -1.9599639845400538},
        {0.9, 1.2815515655446008},
        {0.02425, -1.9729610513118845},  // where the central and tail forms meet
        {1e-10, -6.361340902404056},
        {0.999999, 4.753424308817089},
    };
    for (const auto& [p, z] : cases) EXPECT_NEAR(NormalQuantile(p), z, 1e-12 * std::max(1.0, std::fabs(z))) << p;
    EXPECT_EQ(NormalQuantile(0.0), -INFINITY);
    EXPECT_EQ(NormalQuantile(1.0), INFINITY);
    EXPECT_TRUE(std::isnan(NormalQuantile(1.5)));
    EXPECT_TRUE(std::isnan(NormalQuantile(std::nan(""))));
}
