#include "model/ModelPlots.h"

#include <algorithm>
#include <cmath>

#include "numeric/Format.h"

namespace corvane {

namespace {

XYVariable Variable(std::string name, std::vector<double> values, bool scaled = true) {
    XYVariable v;
    v.name = std::move(name);
    if (scaled && !values.empty()) {
        v.scaleMin = *std::min_element(values.begin(), values.end());
        v.scaleMax = *std::max_element(values.begin(), values.end());
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
        page.variables.push_back(Variable("Observed initial Size for Set " + s, std::move(initial)));
        page.variables.push_back(Variable("Observed increment for Set " + s + "  ", std::move(observed)));
        page.variables.push_back(Variable("Predicted increment for Set " + s + "  ", std::move(predicted)));
        page.figures.push_back(XYFigure{"increments-set" + s, 1, {{2, Points()}, {3, Points()}, {4, Points()}}});
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
    page.variables.push_back(Variable("Observed distribution frequencies     ", std::move(observed)));
    page.variables.push_back(Variable("Predicted distribution frequencies    ", std::move(predicted)));
    const bool haveClasses = ws.proportion.rows() >= series && ws.proportion.cols() >= settings.totalAges;
    for (int a = 1; a <= settings.totalAges; ++a) {
        std::vector<double> y;
        for (int i = 1; i <= C; ++i)
            y.push_back(haveClasses ? ws.ClassFrequency(series, a, i, data.seriesTotal[series]) : 0.0);
        page.variables.push_back(Variable("Predicted frequencies for age-class " + NumberText(a), std::move(y)));
    }
    // The picture: the observed counts as points on drop lines, the
    // prediction and its age-classes as lines.
    XYFigure figure{"frequencies-series" + NumberText(series), 1, {}};
    XYMarks counts;
    counts.dropLines = true;
    figure.curves.push_back({2, counts});
    for (int v = 3; v <= static_cast<int>(page.variables.size()); ++v) figure.curves.push_back({v, Line()});
    page.figures.push_back(std::move(figure));
    return page;
}

}  // namespace corvane
