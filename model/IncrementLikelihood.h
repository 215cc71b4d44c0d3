#pragma once
// Negative ln-likelihood of growth-increment and size-at-age records under
// stochastic von Bertalanffy growth.
#include <string>
#include <vector>

#include "model/GrowthData.h"
#include "model/GrowthParameters.h"
#include "model/WarningLog.h"
#include "numeric/OneBased.h"

namespace corvane {

class ProgressThrottle;

enum class RecordFate {
    Fitted,
    Skipped,    // an increment <= 0 without measurement error
    Penalised,  // no usable distribution: a large finite value stands in
};

// The growth of one record before any error model: elapsed time, seasonal
// terms, growth factors and the moments of L-infinity given L1.
struct RecordGrowth {
    double t = 0.0;
    double ck = 0.0, cL = 0.0;
    double S1 = 1.0, S2 = 1.0;
    double G1 = 1.0, G2 = 1.0;
    double M1 = 0.0, M2 = 0.0;
    double P0 = 0.0;  // probability that L-infinity lies below L1
    // The probability that L-infinity lies above L1 that conditions M1 and
    // M2 (1 - P0 nearer the mean; the integral itself far above it).
    double tailMass = 1.0;
};

// Records that share their inputs, grouped once per data set: a record's
// tail moments, grid and selectivity integral can then be taken from an
// identical record's, which gives the very same numbers.
struct IncrementGroups {
    std::vector<double> keys;      // initial size, start and end day of each record, as grouped
    std::vector<int> sameRecord;   // [i]: group of the records with i's initial size and days (from 0)
    std::vector<int> sameInitial;  // [i]: group of the records with i's initial size (from 0)
    std::vector<int> firstOfRecord, firstOfInitial;  // each group's first record
};

// The part of a record's growth that only its initial size and the mean of
// L-infinity decide: P0 and the raw moments of L-infinity above L1.
struct TailMoments {
    bool above = false;  // L1 is not far below the mean: the moments are partial
    double P0 = 0.0, M1 = 0.0, M2 = 0.0;
    // From kExactTailFrom SDs above the mean the conditional moments are the
    // integral's own (normalised by its mass, central about L1): 1 - P0 from
    // the polynomial is then too coarse for the tiny tail, and M2 - M1^2
    // would amplify its error.  Between kExactTailFrom and kExactTailFull the
    // two are blended so that the objective stays continuous.
    bool conditional = false;
    double mass = 1.0, conditionalM1 = 0.0, conditionalM2 = 0.0;
};
inline constexpr double kExactTailFrom = 2.5;
inline constexpr double kExactTailFull = 3.0;

// Per-record tables of the last evaluation, kept for the summary.
struct IncrementWorkspace {
    Vec1<double> elapsed;             // t, years
    Mat1<double> moments;             // (record, 1..2): moments of L-infinity given L1
    Vec1<double> expected;            // E_c, conditional expected increment
    Vec1<double> variance;            // V_c, variance of the true increment
    Vec1<double> measurementVariance; // Vm (0 without measurement error)
    Vec1<double> negLnL;              // the record's -ln[L]
    Vec1<RecordFate> fate;

    Vec1<RecordGrowth> growth;  // each record's growth before any error model
    Vec1<char> reused;          // b > 0: took the moments of the record before
    Vec1<int> source;           // the record whose E_c and V_c this one takes (itself, mostly)
    Vec1<double> gridSum;       // b > 0: the grid's weight sum, where computed
    Vec1<int> selectivityFrom;  // the record whose selectivity integral this one may take
    Vec1<double> selectivity;   // that integral, where computed
    Vec1<char> integrated;      // ... and whether it was
    IncrementGroups groups;
    std::vector<TailMoments> tails;
    // The warning of a record skipped for a non-positive increment, made
    // once: it names only the record, and a minimiser repeats it at every
    // evaluation.
    std::vector<std::string> skippedWarning;

    void Resize(int records);
};

// The elapsed time of a record, years.
double ElapsedTime(const GrowthParameters& p, const IncrementRecord& r);
RecordGrowth GrowthOfRecord(const GrowthParameters& p, const IncrementRecord& r);
// The same with the tail moments given (TailOf the record's initial size and
// mean of L-infinity).
RecordGrowth GrowthOfRecord(const GrowthParameters& p, const IncrementRecord& r, const TailMoments& tail);
TailMoments TailOf(const GrowthParameters& p, double L1, double meanL);
// The annual cycle's shift of L-infinity for a record (0 without the cycle).
double CycleOfL(const GrowthParameters& p, const IncrementRecord& r);

// E_c and V_c for b = 0 (closed form).
void AnalyticMoments(const GrowthParameters& p, const IncrementRecord& r, const RecordGrowth& g, double& Ec,
                     double& Vc);

// E_c and V_c for b > 0 from the 41 x 41 grid of L-infinity and k.  Returns
// the sum of the grid weights (0 when the grid was abandoned).
double GridMoments(const GrowthParameters& p, const IncrementRecord& r, const RecordGrowth& g, double& Ec, double& Vc);

// The unconditional mean and variance used with Gaussian errors.
void UnconditionalMoments(const GrowthParameters& p, const IncrementRecord& r, const RecordGrowth& g, double& Eu,
                          double& Vu);

// Vm: the variance of the difference of two measurements, each with an SE of
// %SE percent of its size.
double MeasurementVariance(const GrowthParameters& p, double L1, double Ec);

// The integrals, each by Simpson's rule on 100 panels.
// -ln of the density of y for a true increment from a Gaussian (mean E,
// variance V) truncated at 0 (p0 below it), plus Gaussian measurement error.
double TruncatedGaussianWithError(double p0, double y, double E, double V, double Vm);
// The same for a gamma true increment (mean Ec, variance Vc).
double GammaWithError(double y, double Ec, double Vc, double Vm);
// Partial moments of order 1 and 2 of a Gaussian from L1 to mean + 9 SD.
void PartialMoments(double mean, double variance, double L1, double& first, double& second);

// The increment contribution (-ln[L] summed over the records), filling the
// workspace tables.  Warnings go to the log; each record the calling thread
// takes lets the interface breathe through the throttle, when one is given
// (paced by time).  The records are shared among
// up to `threads` threads; the result, the tables and the warnings are those
// of one record after another.
double IncrementNegLnL(const IncrementData& data, const GrowthParameters& p, IncrementWorkspace& ws,
                       WarningLog& warnings, ProgressThrottle* progress = nullptr, int threads = 1);

}  // namespace corvane
