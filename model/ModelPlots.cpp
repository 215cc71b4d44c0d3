#include "model/ModelPlots.h"

#include <algorithm>
#include <cmath>

#include "numeric/Format.h"

namespace corvane {

namespace {

ModelPlotCurve Curve(std::string label, std::vector<double> x, std::vector<double> y) {
    ModelPlotCurve c;
    c.label = std::move(label);
    if (!y.empty()) {
        c.yMin = *std::min_element(y.begin(), y.end());
        c.yMax = *std::max_element(y.begin(), y.end());
    }
    c.x = std::move(x);
    c.y = std::move(y);
    return c;
}

}  // namespace

std::vector<ModelPlot> IncrementPlots(const IncrementData& data, const IncrementTable& table) {
    std::vector<ModelPlot> plots;
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
        ModelPlot plot;
        plot.title = "Increment data for " + s;
        plot.xTitle = "Data record index";
        plot.name = "increments-set" + s;
        plot.curves.push_back(Curve("Observed initial Size for Set " + s, index, std::move(initial)));
        plot.curves.push_back(Curve("Observed increment for Set " + s + "  ", index, std::move(observed)));
        plot.curves.push_back(Curve("Predicted increment for Set " + s + "  ", std::move(index), std::move(predicted)));
        plots.push_back(std::move(plot));
    }
    return plots;
}

ModelPlot FrequencyPlot(const GrowthSettings& settings, const FrequencyData& data, const BestFit& best, int series) {
    const int C = data.cells;
    const FrequencyWorkspace& ws = best.frequencies;
    std::vector<double> midpoint, observed, predicted;
    for (int i = 1; i <= C; ++i) {
        midpoint.push_back(data.midpoint[i]);
        observed.push_back(data.frequency(series, i));
        predicted.push_back(series <= best.predicted.rows() && i <= best.predicted.cols() ? best.predicted(series, i)
                                                                                            : 0.0);
    }
    ModelPlot plot;
    plot.title = "Frequency data series # " + NumberText(series);
    plot.xTitle = "Frequency Cell MidPoint";
    plot.name = "frequencies-series" + NumberText(series);
    plot.curves.push_back(Curve("Observed distribution frequencies     ", midpoint, std::move(observed)));
    plot.curves.push_back(Curve("Predicted distribution frequencies    ", midpoint, std::move(predicted)));
    const bool haveClasses = ws.proportion.rows() >= series && ws.proportion.cols() >= settings.totalAges;
    for (int a = 1; a <= settings.totalAges; ++a) {
        std::vector<double> y;
        for (int i = 1; i <= C; ++i)
            y.push_back(haveClasses ? ws.ClassFrequency(series, a, i, data.seriesTotal[series]) : 0.0);
        plot.curves.push_back(Curve("Predicted frequencies for age-class " + NumberText(a), midpoint, std::move(y)));
    }
    return plot;
}

}  // namespace corvane
