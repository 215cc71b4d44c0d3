#include "numeric/NormalProb.h"

#include <cmath>

#include "numeric/VectorMath.h"

namespace corvane {

double PhiPoly(double z) {
    const double pi = 4.0 * std::atan(1.0);
    const double t = 1.0 / (1.0 + 0.2316419 * std::fabs(z));
    const double p = 0.31938153 * t - 0.356563782 * t * t + 1.781477937 * t * t * t -
                     1.821255978 * t * t * t * t + 1.330274429 * t * t * t * t * t;
    const double density = std::exp(-z * z / 2.0) / std::sqrt(2.0 * pi);
    return z < 0.0 ? density * p : 1.0 - density * p;
}

void PhiPolyMany(const double* z, double* out, int n) {
    const double pi = 4.0 * std::atan(1.0);
    for (int i = 0; i < n; ++i) out[i] = -z[i] * z[i] / 2.0;
    vec::Exp(out, out, n);
    for (int i = 0; i < n; ++i) {
        const double t = 1.0 / (1.0 + 0.2316419 * std::fabs(z[i]));
        const double p = 0.31938153 * t - 0.356563782 * t * t + 1.781477937 * t * t * t -
                         1.821255978 * t * t * t * t + 1.330274429 * t * t * t * t * t;
        const double density = out[i] / std::sqrt(2.0 * pi);
        out[i] = z[i] < 0.0 ? density * p : 1.0 - density * p;
    }
}

double PhiDiff(double z2, double z1) { return PhiPoly(z2) - PhiPoly(z1); }

namespace {

// erfc(|x| / sqrt 2) by the ten-coefficient approximation.
double ErfcOfAbs(double x) {
    static const double c[11] = {0.0,         -1.26551223, 1.00002368,  0.37409196,
                                 0.09678418,  -0.18628806, 0.27886807,  -1.13520398,
                                 1.48851587,  -0.82215223, 0.17087277};
    const double z = x / std::sqrt(2.0);
    const double t = 1.0 / (1.0 + std::fabs(z) / 2.0);
    double a = 0.0;
    for (int j = 10; j >= 2; --j) a = t * (a + c[j]);
    return t * std::exp(a + c[1] - z * z);
}

}  // namespace

double NormalCdf(double x) {
    const double erfc = ErfcOfAbs(x);
    return x >= 0.0 ? 1.0 - erfc / 2.0 : erfc / 2.0;
}

double NormalUpperTail(double x) {
    const double erfc = ErfcOfAbs(x);
    return x >= 0.0 ? erfc / 2.0 : 1.0 - erfc / 2.0;
}

double NormalQuantile(double p) {
    if (!(p >= 0.0 && p <= 1.0)) return std::nan("");
    if (p == 0.0) return -INFINITY;
    if (p == 1.0) return INFINITY;
    // The upper half by symmetry: 1 - p is exact there, and the lower tail
    // keeps the cumulative's relative accuracy for the polishing step.
    if (p > 0.5) return -NormalQuantile(1.0 - p);
    static constexpr double a[] = {-3.969683028665376e+01, 2.209460984245205e+02, -2.759285104469687e+02,
                                   1.383577518672690e+02,  -3.066479806614716e+01, 2.506628277459239e+00};
    static constexpr double b[] = {-5.447609879822406e+01, 1.615858368580409e+02, -1.556989798598866e+02,
                                   6.680131188771972e+01,  -1.328068155288572e+01};
    static constexpr double c[] = {-7.784894002430293e-03, -3.223964580411365e-01, -2.400758277161838e+00,
                                   -2.549732539343734e+00, 4.374664141464968e+00,  2.938163982698783e+00};
    static constexpr double d[] = {7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                                   3.754408661907416e+00};
    constexpr double low = 0.02425;
    double x;
    if (p < low) {
        const double q = std::sqrt(-2.0 * std::log(p));
        x = (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
            ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1.0);
    } else if (p <= 1.0 - low) {
        const double q = p - 0.5, r = q * q;
        x = (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
            (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1.0);
    } else {
        const double q = std::sqrt(-2.0 * std::log(1.0 - p));
        x = -(((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
            ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1.0);
    }
    // The approximation is good to 1E-9; one Halley step on the exact
    // cumulative takes it to rounding.
    const double e = 0.5 * std::erfc(-x / std::sqrt(2.0)) - p;
    const double u = e * std::sqrt(2.0 * 3.14159265358979323846) * std::exp(x * x / 2.0);
    return x - u / (1.0 + x * u / 2.0);
}

}  // namespace corvane
