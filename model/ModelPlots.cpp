#include "model/ModelPlots.h"

#include <algorithm>
#include <cmath>

#include "numeric/Format.h"
#include "numeric/NormalProb.h"

namespace corvane {

namespace {

XYVariable Variable(std::string name, std::vector<double> values, bool scaled = true, std::string quantity = {}) {
    XYVariable v;
    v.name = std::move(name);
    v.quantity = std::move(quantity);
    // The scale of the values there are (a residual page marks the records
    // it leaves out as not a number).
    double lo = INFINITY, hi = -INFINITY;
    for (const double x : values)
        if (std::isfinite(x)) lo = std::min(lo, x), hi = std::max(hi, x);
    if (scaled && lo <= hi) {
        v.scaleMin = lo;
        v.scaleMax = hi;
    }
    v.values = std::move(values);
    return v;
}

XYMarks Points() { return XYMarks{}; }

XYMarks Line() {
    XYMarks m;
    m.points = false;
    m.linesAll = true;
    return m;
}

constexpr XYStyle kComponent{true, 0.7};  // an age-class under the total
constexpr XYStyle kTotal{false, 2.0};     // the total prediction over them

}  // namespace

std::vector<XYPlotData> IncrementPlots(const IncrementData& data, const IncrementTable& table) {
    std::vector<XYPlotData> pages;
    for (int set = 1; set <= data.largestSet; ++set) {
        std::vector<double> index, initial, observed, predicted;
        for (int i = 1; i <= data.records; ++i) {
            if (std::nearbyint(data.record[i].set) != set) continue;
            index.push_back(static_cast<double>(index.size() + 1));
            initial.push_back(data.record[i].initial);
            observed.push_back(data.record[i].increment);
            predicted.push_back(i <= table.rows.size() ? table.rows[i].expected : 0.0);
        }
        if (index.empty()) continue;  // a set number nobody used: nothing to draw
        const std::string s = NumberText(set);
        XYPlotData page;
        page.page = "Increment data for " + s;
        page.variables.push_back(Variable("Data record index", std::move(index), false));
        page.variables.push_back(Variable("Observed initial Size for Set " + s, std::move(initial), true, kSizeQuantity));
        page.variables.push_back(
            Variable("Observed increment for Set " + s + "  ", std::move(observed), true, kIncrementQuantity));
        page.variables.push_back(
            Variable("Predicted increment for Set " + s + "  ", std::move(predicted), true, kIncrementQuantity));
        // Sizes would squash the increments on a shared axis: the picture
        // shows the increments, the lists keep every variable.
        page.figures.push_back(XYFigure{"increments-set" + s, 1, {{3, Points()}, {4, Points()}}});
        page.agreement = XYPlotData::Agreement{4, 3, "Observed against predicted increment:"};
        pages.push_back(std::move(page));
    }
    return pages;
}

XYPlotData FrequencyPlot(const GrowthSettings& settings, const FrequencyData& data, const BestFit& best, int series) {
    const int C = data.cells;
    const FrequencyWorkspace& ws = best.frequencies;
    std::vector<double> midpoint, observed, predicted;
    for (int i = 1; i <= C; ++i) {
        midpoint.push_back(data.midpoint[i]);
        observed.push_back(data.frequency(series, i));
        predicted.push_back(series <= best.predicted.rows() && i <= best.predicted.cols() ? best.predicted(series, i)
                                                                                            : 0.0);
    }
    XYPlotData page;
    page.page = "Frequency data series # " + NumberText(series);
    page.variables.push_back(Variable("Frequency Cell MidPoint", std::move(midpoint), false));
    page.variables.push_back(
        Variable("Observed distribution frequencies     ", std::move(observed), true, kFrequencyQuantity));
    page.variables.push_back(
        Variable("Predicted distribution frequencies    ", std::move(predicted), true, kFrequencyQuantity));
    const bool haveClasses = ws.proportion.rows() >= series && ws.proportion.cols() >= settings.totalAges;
    for (int a = 1; a <= settings.totalAges; ++a) {
        std::vector<double> y;
        for (int i = 1; i <= C; ++i)
            y.push_back(haveClasses ? ws.ClassFrequency(series, a, i, data.seriesTotal[series]) : 0.0);
        page.variables.push_back(
            Variable("Predicted frequencies for age-class " + NumberText(a), std::move(y), true, kFrequencyQuantity));
    }
    // The picture: the observed counts as points on drop lines, the
    // age-classes as thin dashed lines, and the total prediction last and
    // thicker, so that no component hides it.
    XYFigure figure{"frequencies-series" + NumberText(series), 1, {}};
    XYMarks counts;
    counts.dropLines = true;
    figure.curves.push_back({2, counts, {}});
    for (int v = 4; v <= static_cast<int>(page.variables.size()); ++v) figure.curves.push_back({v, Line(), kComponent});
    figure.curves.push_back({3, Line(), kTotal});
    page.figures.push_back(std::move(figure));
    page.agreement = XYPlotData::Agreement{3, 2, "Observed against predicted frequency:"};
    return page;
}

std::vector<XYPlotData> IncrementResidualPlots(const IncrementTable& table) {
    std::vector<double> predicted, observed, residual;
    int left = 0;
    for (int i = 1; i <= table.rows.size(); ++i) {
        const IncrementRow& row = table.rows[i];
        const std::optional<double> z = StandardisedResidual(row);
        if (row.fate != RecordFate::Fitted || !z || !std::isfinite(*z)) {
            ++left;
            continue;
        }
        predicted.push_back(row.expected);
        observed.push_back(row.observed);
        residual.push_back(*z);
    }
    if (residual.empty()) return {};
    std::vector<std::string> notes;
    if (left > 0)
        notes.push_back(NumberText(left) + (left == 1 ? " record" : " records") +
                        " without a residual (not fitted, or an SD of 0) not shown");

    std::vector<XYPlotData> pages;
    {
        XYPlotData page;
        page.page = "Observed against predicted increments";
        page.variables.push_back(Variable("Predicted increment", predicted, false, kIncrementQuantity));
        page.variables.push_back(Variable("Observed increment", observed, true, kIncrementQuantity));
        page.variables.push_back(Variable("1:1 line", predicted, true, kIncrementQuantity));
        page.figures.push_back({"increments-observed-predicted", 1, {{2, Points(), {}}, {3, Line(), {}}}});
        page.agreement = XYPlotData::Agreement{1, 2, "Observed against predicted increment:"};
        page.notes = notes;
        pages.push_back(std::move(page));
    }
    {
        XYPlotData page;
        page.page = "Standardised residuals against predicted increments";
        page.variables.push_back(Variable("Predicted increment", predicted, false, kIncrementQuantity));
        page.variables.push_back(Variable("Standardised residual", residual, true, kResidualQuantity));
        page.figures.push_back({"increments-residuals", 1, {{2, Points(), {}}}});
        page.agreement = XYPlotData::Agreement{1, 2, "Standardised residual against predicted increment:"};
        page.notes = notes;
        pages.push_back(std::move(page));
    }
    {
        // R's plotting positions (ppoints): (i - a) / (n + 1 - 2a), a = 3/8
        // up to 10 points and 1/2 beyond, so qqnorm draws the same picture.
        std::vector<double> ordered = residual;
        std::sort(ordered.begin(), ordered.end());
        const double n = static_cast<double>(ordered.size());
        const double a = ordered.size() <= 10 ? 3.0 / 8.0 : 0.5;
        std::vector<double> quantile;
        for (std::size_t i = 1; i <= ordered.size(); ++i)
            quantile.push_back(NormalQuantile((static_cast<double>(i) - a) / (n + 1.0 - 2.0 * a)));
        XYPlotData page;
        page.page = "Normal Q-Q plot of standardised residuals";
        page.variables.push_back(Variable("Normal quantile", quantile, false, "Normal quantile (SD units)"));
        page.variables.push_back(Variable("Ordered standardised residual", ordered, true, kResidualQuantity));
        page.variables.push_back(Variable("1:1 line", quantile, true, kResidualQuantity));
        page.figures.push_back({"increments-residuals-qq", 1, {{2, Points(), {}}, {3, Line(), {}}}});
        // The panel describes the residuals, not the reference line drawn last.
        page.agreement = XYPlotData::Agreement{1, 2, "Ordered residuals against normal quantiles:"};
        page.notes = notes;
        pages.push_back(std::move(page));
    }
    return pages;
}

std::optional<double> CellResidual(double observed, double expected) {
    // The same floor under which the frequency table counts a cell as empty.
    if (!(expected > 1e-20)) return std::nullopt;
    return (observed - expected) / std::sqrt(expected);
}

XYPlotData FrequencyResidualPlot(const GrowthSettings& settings, const FrequencyData& data, const BestFit& best,
                                 int series) {
    std::vector<double> midpoint, residual;
    int empty = 0;
    for (int i = std::max(1, settings.firstCell); i <= data.cells; ++i) {
        const double E = series <= best.predicted.rows() && i <= best.predicted.cols() ? best.predicted(series, i) : 0.0;
        const std::optional<double> r = CellResidual(data.frequency(series, i), E);
        if (!r) {
            ++empty;
            continue;
        }
        midpoint.push_back(data.midpoint[i]);
        residual.push_back(*r);
    }
    const std::string s = NumberText(series);
    XYPlotData page;
    page.page = "Standardised cell residuals for series # " + s;
    page.variables.push_back(Variable("Frequency Cell MidPoint", std::move(midpoint), false, kSizeQuantity));
    page.variables.push_back(
        Variable("Standardised cell residual for series " + s, std::move(residual), true, kCellResidualQuantity));
    page.figures.push_back({"frequencies-residuals-series" + s, 1, {{2, Points(), {}}}});
    if (settings.firstCell > 1)
        page.notes.push_back("Cells before the first cell analysed (" + NumberText(settings.firstCell) +
                             ") not shown");
    if (empty > 0)
        page.notes.push_back(NumberText(empty) + (empty == 1 ? " cell" : " cells") + " with nothing expected not shown");
    return page;
}

}  // namespace corvane
