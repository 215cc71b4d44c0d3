#include "numeric/modGamma.h"

#include <cmath>

namespace corvane {

namespace {

double LanczosSeries(double x) {
    static const double coefficients[6] = {76.18009173,  -86.50532033,   24.01409822,
                                           -1.231739516, 0.00120858003, -0.00000536382};
    const double y = x - 1.0;
    const double t = y + 5.5;
    double sum = 1.0;
    for (int j = 1; j <= 6; ++j) sum += coefficients[j - 1] / (y + j);
    return (y + 0.5) * std::log(t) - t + std::log(2.50662827465 * sum);
}

}  // namespace

double LnGamma(double x) {
    if (x >= 1.0) return LanczosSeries(x);
    const double pi = 4.0 * std::atan(1.0);
    const double z = 1.0 - x;
    // Gamma(x) = pi z / (Gamma(2 - x) sin(pi z))
    return std::log(std::fabs(pi * z / std::sin(pi * z))) - LanczosSeries(2.0 - x);
}

}  // namespace corvane
