#pragma once

namespace corvane {

// Natural logarithm of the gamma function by the six-term Lanczos series.
// For x < 1 the reflection formula is used; where Gamma(x) is negative the
// logarithm of its magnitude is returned, so no caller sees a NaN.
double LnGamma(double x);

}  // namespace corvane
