#pragma once
// What the growth model hands to the data-and-prediction plot: its data and
// the best fit's predictions, one page per increment set and one per
// frequency series.  Variable 1 of each page is its X variable; every other
// variable carries its own smallest and largest value as its scale.
#include <vector>

#include "model/GrowthData.h"
#include "model/GrowthModel.h"
#include "model/GrowthSettings.h"
#include "model/IncrementDiagnostics.h"
#include "plots/PlotData.h"

namespace corvane {

// One page per increment set with records (sets 1 to the largest), in set
// order: observed initial size, observed and predicted increment against the
// record's place in its set.  Its picture file is "increments-set<set>".
std::vector<XYPlotData> IncrementPlots(const IncrementData& data, const IncrementTable& table);

// The page of one frequency series: observed and predicted frequencies and
// the prediction of each age-class against the cell midpoints.  Its picture
// file is "frequencies-series<series>".
XYPlotData FrequencyPlot(const GrowthSettings& settings, const FrequencyData& data, const BestFit& best, int series);

}  // namespace corvane
