// The plots that judge a fit: their points must be those of the results
// summary's increment table, read back from the report's own text, and the
// frequency residuals those of the observed and expected counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <sstream>
#include <tuple>

#include "SummaryTestSupport.h"
#include "model/ModelPlots.h"
#include "model/Summary.h"
#include "model/SummaryDialogue.h"
#include "plots/PlotNames.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

struct TableRow {
    double observed = 0.0, expected = 0.0, sd = 0.0;
};

// The fitted rows of the report's increment table (a row with a status after
// its columns was not fitted; one with an SD of 0 has no residual).
std::vector<TableRow> FittedRows(const std::string& report) {
    std::vector<TableRow> rows;
    std::istringstream in(report.substr(report.find("Increment data:")));
    std::string line;
    for (int header = 0; header < 4; ++header) std::getline(in, line);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> fields;
        std::stringstream split(line);
        for (std::string f; std::getline(split, f, ',');) fields.push_back(f);
        if (fields.size() < 14) break;
        if (fields.size() > 14) continue;  // not fitted
        const TableRow row{std::stod(fields[2]), std::stod(fields[3]), std::stod(fields[9])};
        if (row.sd > 0.0) rows.push_back(row);
    }
    return rows;
}

// The summary at the values with the increment table, and the plots the
// model shows first.
struct Fitted {
    GrowthBench b;
    std::string report;
    std::vector<XYPlotData> pages;

    Fitted(const GrowthSetup& setup, const std::vector<double>& values) {
        EXPECT_TRUE(b.Initialise(setup));
        b.Evaluate(values, 1);
        SummaryInput in;
        in.settings = &b.model.Settings();
        in.data = &b.model.Data();
        in.best = &b.model.Best();
        in.parameters = b.wb.alg.np;
        in.step = Vec1<double>(in.parameters, 0.0);
        in.step[1] = 0.1;
        in.description = b.wb.alg.description;
        SummaryAnswers answers;
        answers.frequencyTables = answers.frequencyChiSquare = answers.incrementChiSquare = false;
        report = BuildSummary(in, answers);
        ShowModelPlots(b.wb, b.model, [](int) { return Answer::Yes; });
        pages = b.wb.recordedPlots.Of<XYPlotData>();
    }
    const XYPlotData* Page(const std::string& label) const {
        for (const auto& p : pages)
            if (p.page == label) return &p;
        return nullptr;
    }
};

std::vector<double> JointValues() {
    auto x = Fixed19(60, 5, 0.5, 0.1);
    x[8] = 2.0;  // %SE
    x.insert(x.end(), {0.3, 0.3, 0.3, 0.3, 0.3, 0.3, 150, 250, 330});
    return x;
}

void ResidualsAgreeWithTheTable(const Fitted& f) {
    const std::vector<TableRow> rows = FittedRows(f.report);
    ASSERT_GT(rows.size(), 10u);
    const XYPlotData* residuals = f.Page("Standardised residuals against predicted increments");
    const XYPlotData* observed = f.Page("Observed against predicted increments");
    const XYPlotData* qq = f.Page("Normal Q-Q plot of standardised residuals");
    ASSERT_TRUE(residuals && observed && qq);
    // Each panel reports the residuals, never the 1:1 line against itself.
    for (const XYPlotData* page : {residuals, observed, qq}) {
        ASSERT_TRUE(page->agreement.has_value()) << page->page;
        EXPECT_NE(page->variables[page->agreement->y - 1].name, "1:1 line");
    }
    ASSERT_EQ(residuals->variables[1].values.size(), rows.size());
    std::vector<double> fromTable;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        // The table prints two decimals: the residual read back from it is
        // good to the rounding of its three numbers.
        const TableRow& r = rows[i];
        const double z = (r.observed - r.expected) / r.sd;
        const double slack = (0.01 + std::fabs(z) * 0.005) / (r.sd - 0.005) + 1e-9;
        fromTable.push_back(z);
        EXPECT_NEAR(residuals->variables[0].values[i], r.expected, 0.005 + 1e-9) << i;
        EXPECT_NEAR(residuals->variables[1].values[i], z, slack) << i;
        EXPECT_NEAR(observed->variables[1].values[i], r.observed, 0.005 + 1e-9) << i;
        EXPECT_EQ(observed->variables[2].values[i], observed->variables[0].values[i]);  // the 1:1 line
    }
    // The Q-Q plot orders the same residuals against normal quantiles at R's
    // plotting positions (i - 1/2) / n, the middle one at 0 for an odd n.
    const auto& ordered = qq->variables[1].values;
    const auto& quantile = qq->variables[0].values;
    ASSERT_EQ(ordered.size(), rows.size());
    EXPECT_TRUE(std::is_sorted(ordered.begin(), ordered.end()));
    EXPECT_TRUE(std::is_sorted(quantile.begin(), quantile.end()));
    const std::size_t n = ordered.size();
    EXPECT_NEAR(quantile.front(), -quantile.back(), 1e-12);
    EXPECT_NEAR(0.5 * std::erfc(-quantile.front() / std::sqrt(2.0)), 0.5 / static_cast<double>(n), 1e-12);
    std::sort(fromTable.begin(), fromTable.end());
    EXPECT_NEAR(ordered[n / 2], fromTable[n / 2], 0.05);
}

}  // namespace

TEST(ModelPlots, IncrementResidualsAreThoseOfTheSummaryTable) {
    GrowthSetup rig;
    rig.incrementPath = DataPath("rig_increments.dat");
    const Fitted f(rig, RigFit());
    ResidualsAgreeWithTheTable(f);
    // The pages come after the increment sets, each with its own file.
    ASSERT_EQ(f.pages.size(), 2u + 3u);
    EXPECT_EQ(PlotFileNames(f.pages[2]), std::vector<std::string>{"increments-observed-predicted"});
    EXPECT_EQ(PlotFileNames(f.pages[3]), std::vector<std::string>{"increments-residuals"});
    EXPECT_EQ(PlotFileNames(f.pages[4]), std::vector<std::string>{"increments-residuals-qq"});
    // Records the likelihood ignored (increments <= 0 without measurement
    // error) are left out, and the page says so.
    const int fitted = static_cast<int>(FittedRows(f.report).size());
    const int left = f.b.model.Data().increments.records - fitted;
    ASSERT_GT(left, 0);
    EXPECT_EQ(f.pages[3].notes,
              std::vector<std::string>{std::to_string(left) + " records without a residual (not fitted, or an SD of "
                                                             "0) not shown"});
    // The increment set's panel reports observed against predicted.
    ASSERT_TRUE(f.pages[0].agreement.has_value());
    EXPECT_EQ(f.pages[0].variables[f.pages[0].agreement->y - 1].name, "Observed increment for Set 1  ");
    EXPECT_EQ(f.pages[0].variables[2].quantity, "Increment (size units)");
}

TEST(ModelPlots, AJointFitShowsIncrementAndCellResiduals) {
    const Fitted f(JointSetup(), JointValues());
    ResidualsAgreeWithTheTable(f);
    const BestFit& best = f.b.model.Best();
    const FrequencyData& data = f.b.model.Data().frequencies;
    for (int s = 1; s <= 3; ++s) {
        SCOPED_TRACE(s);
        const XYPlotData* page = f.Page("Standardised cell residuals for series # " + std::to_string(s));
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(PlotFileNames(*page), std::vector<std::string>{"frequencies-residuals-series" + std::to_string(s)});
        const auto& midpoint = page->variables[0].values;
        const auto& residual = page->variables[1].values;
        ASSERT_EQ(midpoint.size(), residual.size());
        ASSERT_GT(residual.size(), 5u);
        // Each point is (O - E) / sqrt(E) of its cell.
        for (std::size_t k = 0; k < midpoint.size(); ++k) {
            int cell = 1;
            while (data.midpoint[cell] != midpoint[k]) ++cell;
            const double O = data.frequency(s, cell), E = best.predicted(s, cell);
            EXPECT_NEAR(residual[k], (O - E) / std::sqrt(E), 1e-12) << cell;
        }
    }
}

TEST(ModelPlots, CellResidualsNeedSomethingExpected) {
    const std::vector<std::tuple<double, double, std::optional<double>>> cases = {
        {9.0, 4.0, 2.5}, {0.0, 4.0, -2.0}, {3.0, 0.0, std::nullopt}, {3.0, 1e-21, std::nullopt}, {1.0, 1.0, 0.0}};
    for (const auto& [O, E, r] : cases) EXPECT_TRUE(CellResidual(O, E) == r) << O << " " << E;
}

TEST(ModelPlots, TheFrequencyPictureDrawsTheTotalLastOverDashedComponents) {
    GrowthBench b;
    ASSERT_TRUE(b.Initialise(AlbaSetup(2)));
    b.Evaluate(AlbaValues(2));
    const XYPlotData page = FrequencyPlot(b.model.Settings(), b.model.Data().frequencies, b.model.Best(), 2);
    ASSERT_EQ(page.figures.size(), 1u);
    const auto& curves = page.figures[0].curves;
    ASSERT_EQ(curves.size(), page.variables.size() - 1);
    EXPECT_EQ(curves.front().variable, 2);  // the observed counts
    EXPECT_EQ(curves.back().variable, 3);   // the total, last
    EXPECT_GT(curves.back().style.weight, 1.0);
    for (std::size_t c = 1; c + 1 < curves.size(); ++c) {
        EXPECT_TRUE(curves[c].style.dashed) << c;
        EXPECT_LT(curves[c].style.weight, 1.0) << c;
    }
    for (std::size_t v = 1; v < page.variables.size(); ++v)
        EXPECT_EQ(page.variables[v].quantity, "Frequency (number of individuals)");
}
