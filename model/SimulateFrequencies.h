#pragma once
// Simulated size-frequency series from a known parameter vector: each series
// is a multinomial sample of a given total from the model's predicted
// distribution over the cells.
#include <optional>
#include <string>

#include "model/GrowthData.h"
#include "model/GrowthSettings.h"
#include "numeric/OneBased.h"

namespace corvane {

class RandomSource;

struct FrequencySimulation {
    int cells = 0;          // midpoints interval / 2, 3 interval / 2, ... (the size range starts at 0)
    double interval = 1.0;
    Vec1<double> totals;    // fish per series, whole numbers
};

struct FrequencySimulationResult {
    bool ok = false;
    std::string problem;  // why not, when not ok
    FrequencyData data;
    Mat1<double> distribution;  // (series, cell): the shares the samples were drawn from
};

// X is the full parameter vector of the settings' layout (19 fixed
// parameters, the proportions, the sample days); it is prepared here as an
// evaluation would prepare it.  Draws from the given source (seed it first).
FrequencySimulationResult SimulateFrequencies(const GrowthSettings& settings, Vec1<double> X,
                                              const FrequencySimulation& how, RandomSource& random);

// The frequency file: a label line, then the midpoint in columns 1-8 and the
// frequency of series s in the 8 columns from 9s+1, CR LF line ends.  nullopt
// when a value does not fit its 8 characters.
std::optional<std::string> FrequencyFileText(const FrequencyData& data, int series);

}  // namespace corvane
