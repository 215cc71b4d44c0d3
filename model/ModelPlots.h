#pragma once
// What the growth model hands to the data-and-prediction plot: its data and
// the best fit's predictions, one page per increment set and one per
// frequency series, and the pages that judge the fit by its residuals.
// Variable 1 of each page is its X variable; every other variable carries
// its own smallest and largest value as its scale.
#include <vector>

#include "model/GrowthData.h"
#include "model/GrowthModel.h"
#include "model/GrowthSettings.h"
#include "model/IncrementDiagnostics.h"
#include "plots/PlotData.h"

namespace corvane {

// What the y axes of the model plots show.
inline constexpr const char* kSizeQuantity = "Size (size units)";
inline constexpr const char* kIncrementQuantity = "Increment (size units)";
inline constexpr const char* kFrequencyQuantity = "Frequency (number of individuals)";
inline constexpr const char* kResidualQuantity = "Standardised residual (SD units)";
inline constexpr const char* kCellResidualQuantity = "Standardised cell residual (O - E) / sqrt(E)";

// One page per increment set with records (sets 1 to the largest), in set
// order: observed initial size, observed and predicted increment against the
// record's place in its set.  Its picture file, "increments-set<set>", shows
// the observed and predicted increments; the panel gives their agreement.
std::vector<XYPlotData> IncrementPlots(const IncrementData& data, const IncrementTable& table);

// The page of one frequency series: observed and predicted frequencies and
// the prediction of each age-class against the cell midpoints.  Its picture
// file is "frequencies-series<series>": the observed counts, the age-class
// components thin and dashed, the total prediction drawn last and thicker.
XYPlotData FrequencyPlot(const GrowthSettings& settings, const FrequencyData& data, const BestFit& best, int series);

// Three pages over every increment record the likelihood fitted, the
// residuals being those of the increment table (StandardisedResidual):
// observed against predicted increment with the 1:1 line
// ("increments-observed-predicted"), standardised residuals against the
// predicted increment ("increments-residuals"), and the normal Q-Q plot of
// the standardised residuals ("increments-residuals-qq").
std::vector<XYPlotData> IncrementResidualPlots(const IncrementTable& table);

// The Pearson residual of a frequency cell, (O - E) / sqrt(E); unset when
// nothing is expected there.
std::optional<double> CellResidual(double observed, double expected);

// The standardised cell residuals of one series against the cell midpoints,
// over the cells the likelihood evaluates ("frequencies-residuals-series<series>").
XYPlotData FrequencyResidualPlot(const GrowthSettings& settings, const FrequencyData& data, const BestFit& best,
                                 int series);

}  // namespace corvane
