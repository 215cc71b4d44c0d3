#pragma once
// Negative ln-likelihood of the size-frequency series.
#include "model/GrowthData.h"
#include "model/GrowthParameters.h"
#include "model/WarningLog.h"
#include "numeric/OneBased.h"

namespace corvane {

// Working tables of the last evaluation, kept for the summary and the plots.
struct FrequencyWorkspace {
    Mat1<double> predicted;  // (series, cell)
};

struct FrequencyContribution {
    bool available = false;  // false: this build cannot evaluate frequency series
    double negLnL = 0.0;
    double penalty = 0.0;    // the 1E20-scaled penalties of the proportions and empty cells
};

// True once the frequency likelihood is part of the build.  Until then an
// analysis with frequency series has no defined objective and the front ends
// refuse to evaluate it.
bool FrequencyLikelihoodAvailable();

// The frequency contribution of an evaluation: X holds the prepared vector
// (proportions and sample days included).
FrequencyContribution FrequencyNegLnL(const GrowthSettings& settings, const FrequencyData& data,
                                      const GrowthParameters& p, const Vec1<double>& X, FrequencyWorkspace& ws,
                                      WarningLog& warnings);

}  // namespace corvane
