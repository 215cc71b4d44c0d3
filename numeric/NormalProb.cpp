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

}  // namespace corvane
