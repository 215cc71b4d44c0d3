#pragma once
// What the growth model hands to the data-and-prediction plot: its data and
// the best fit's predictions, one plot per increment set and one per
// frequency series.
#include <string>
#include <vector>

#include "model/GrowthData.h"
#include "model/GrowthModel.h"
#include "model/GrowthSettings.h"
#include "model/IncrementDiagnostics.h"

namespace corvane {

struct ModelPlotCurve {
    std::string label;
    std::vector<double> x, y;
    double yMin = 0.0, yMax = 0.0;
};

struct ModelPlot {
    std::string title;
    std::string xTitle;
    std::vector<ModelPlotCurve> curves;
    std::string name;  // a file name stem that says what the plot shows
};

// One plot per increment set with records (sets 1 to the largest), in set
// order: observed initial size, observed and predicted increment against the
// record's place in its set.
std::vector<ModelPlot> IncrementPlots(const IncrementData& data, const IncrementTable& table);

// The plot of one frequency series: observed and predicted frequencies and
// the prediction of each age-class against the cell midpoints.
ModelPlot FrequencyPlot(const GrowthSettings& settings, const FrequencyData& data, const BestFit& best, int series);

}  // namespace corvane
