#pragma once

namespace corvane {

// Standard normal cumulative probability by the five-term polynomial
// (Abramowitz and Stegun 26.2.17), as the growth model uses it.
double PhiPoly(double z);
// PhiPoly of z[i] for i < n, its exp the vector form (within one unit in
// the last place of std::exp).
void PhiPolyMany(const double* z, double* out, int n);

// Phi(z2) - Phi(z1) with the polynomial above: the form every model formula uses.
double PhiDiff(double z2, double z1);

// Standard normal cumulative probability from the ten-coefficient
// complementary error function (used by the cliff and bounded priors).
double NormalCdf(double x);
// 1 - NormalCdf(x) from the same approximation, the upper tail computed
// directly (erfc / 2 for x >= 0) so that it keeps its relative accuracy far
// out instead of vanishing in the subtraction from 1.
double NormalUpperTail(double x);

// The standard normal quantile: z with Phi(z) = p, for 0 < p < 1 (the
// infinities at 0 and 1, NaN outside).  Acklam's rational approximation
// polished by one Halley step on the exact erfc, good to rounding.
double NormalQuantile(double p);

}  // namespace corvane
