#pragma once

namespace corvane {

// Standard normal cumulative probability by the five-term polynomial
// (Abramowitz and Stegun 26.2.17), as the growth model uses it.
double PhiPoly(double z);

// Phi(z2) - Phi(z1) with the polynomial above: the form every model formula uses.
double PhiDiff(double z2, double z1);

// Standard normal cumulative probability from the ten-coefficient
// complementary error function (used by the cliff and bounded priors).
double NormalCdf(double x);

}  // namespace corvane
