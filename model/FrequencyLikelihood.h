#pragma once
// Negative ln-likelihood of the size-frequency series: each series a mixture
// of age-class modes, compared with its observed frequencies as a multinomial
// sample.
#include "model/GrowthData.h"
#include "model/GrowthParameters.h"
#include "model/WarningLog.h"
#include "numeric/OneBased.h"

namespace corvane {

class ProgressThrottle;

// Working tables of the last evaluation, kept for the summary and the plots.
// Age-class tables are (series, age-class 1..total); cell tables (series, cell).
struct FrequencyWorkspace {
    Mat1<double> age;           // age at sampling, years
    Mat1<double> mean, sd;      // size at age (0 for an age not above 0)
    Mat1<double> proportion;    // identified from the parameters, blended from the Weibull curve
    Mat1<double> survivorship;  // Weibull survivorship of the blended classes (0 for identified ones)
    Vec1<Mat1<double>> probability;  // [series](cell, age-class), after fishing and selectivity
    Mat1<double> mixture;       // q: sum over age-classes of proportion x probability
    Vec1<double> normaliser;    // N(s)
    Mat1<double> predicted;     // E: expected frequency
    Mat1<double> contribution;  // O ln(O / E) of the cells that count
    Vec1<double> seriesNegLnL;  // sum of the series' contributions
    double emptyDistance = 0.0; // the running distance of the last empty prediction (1E100 if none)

    void Resize(int series, int ages, int cells);
    // Expected frequency of one age-class in one cell.
    double ClassFrequency(int s, int a, int i, double seriesTotal) const;
};

struct FrequencyContribution {
    double negLnL = 0.0;
    double penalty = 0.0;  // the 1E20-scaled penalties of the proportions and empty cells
};

inline constexpr double kPenaltyScale = 1e20;
inline constexpr double kEmptyPrediction = 1e-6;  // smallest expected frequency of an observed cell

// Age of age-class a in years at the sampling of a series with the given
// sample day: the day after the birth day (wrapped into the year) as a share
// of the age difference, plus the class's place, the first class's age and -t0.
double AgeAtSampling(const GrowthSettings& settings, double sampleDay, int ageClass, double t0);

// The cells the likelihood reads: in each series those from the first cell
// evaluated on with a frequency above 0 (an empty cell adds nothing).
struct FrequencyUse {
    int cellsBeforeFirst = 0;  // left out of every series
    Vec1<int> cellsWithFish;   // per series
    Vec1<double> fish;         // per series, in those cells
};
FrequencyUse FrequencyCellsUsed(const GrowthSettings& settings, const FrequencyData& data);

// The frequency contribution of an evaluation: X holds the prepared vector
// (proportions and sample days included).  Each age-class the calling thread
// takes lets the interface breathe through the throttle, when one is given
// (paced by time).  The age-classes of all series are shared among up to
// `threads` threads; the result, the tables and the warnings are those of
// one age-class after another.

FrequencyContribution FrequencyNegLnL(const GrowthSettings& settings, const FrequencyData& data,
                                      const GrowthParameters& p, const Vec1<double>& X, FrequencyWorkspace& ws,
                                      WarningLog& warnings, ProgressThrottle* progress = nullptr, int threads = 1);

}  // namespace corvane
