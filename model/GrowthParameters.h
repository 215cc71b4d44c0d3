#pragma once
// The parameter vector as the likelihoods use it.
#include <optional>
#include <string>

#include "model/GrowthSettings.h"
#include "numeric/OneBased.h"

namespace corvane {

// Working values of the fixed parameters, with their floors applied.
struct GrowthParameters {
    double mu = 0.0;  // mean L-infinity
    double s2 = 0.0;  // variance of L-infinity
    double m = 0.0;   // mean k
    double v = 0.0;   // variance of k
    double ampK = 0.0, dayK = 0.0;  // annual cycle in k
    double ampL = 0.0, dayL = 0.0;  // annual cycle in L
    double q2 = 0.0;  // squared %SE of measurement
    double selMean = 0.0, selVar = 0.0;  // frequency selectivity
    double b = 0.0;
    double t0 = 0.0;
    double psi = 0.0, phi = 0.0;
    double fishSize = 0.0, fishRate = 0.0;
    double saaMean = kNotUsed;  // parameter 18
    double saaSD = kNotUsed;    // parameter 19
    char errors = 'N';          // increment errors in effect ('G' whenever b > 0)

    double PercentSE() const;
    bool SizeAtAgeRecords() const { return t0 != kNotUsed; }
    // Selectivity of size-at-age records: t0, parameters 18 and 19 all in use.
    bool SizeAtAgeSelectivity() const { return t0 != kNotUsed && saaMean != kNotUsed && saaSD != kNotUsed; }
};

inline constexpr double kSmallestVarianceL = 1e-6;  // floor of the variance of L-infinity (and of k when b = 0)
inline constexpr double kSmallestVarianceK = 1e-12; // floor of the variance of k when b > 0

// The largest magnitude of a parameter the model takes: its penalties square
// values and scale them by 1E20, and that must stay a finite number.
inline constexpr double kLargestParameter = 1e100;

// Why the model cannot evaluate a vector: a parameter that is not a finite
// number, or beyond kLargestParameter in magnitude, named with its number and
// description.  nullopt when every parameter can be used.
std::optional<std::string> ParameterProblem(const Vec1<double>& X, const GrowthSettings& settings);

// Makes parameters 1-17 (except t0) non-negative and parameters 18 and 19
// non-negative unless -999, in X itself, and returns the working values.
GrowthParameters PrepareParameters(Vec1<double>& X, const GrowthSettings& settings);

// A parameter's value as the model uses it: 1-17 but t0 (13) as absolute
// values, 18 and 19 too unless they are -999 (not used); the rest as given.
double ParameterAsUsed(int parameter, double value);

}  // namespace corvane
