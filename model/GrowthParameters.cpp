#include "model/GrowthParameters.h"

#include <cmath>

#include "numeric/Format.h"

namespace corvane {

double GrowthParameters::PercentSE() const { return std::sqrt(q2); }

std::optional<std::string> ParameterProblem(const Vec1<double>& X, const GrowthSettings& settings) {
    for (int i = 1; i <= X.size(); ++i) {
        const double v = X[i];
        if (std::isfinite(v) && std::fabs(v) <= kLargestParameter) continue;
        const Vec1<std::string> descriptions = ParameterDescriptions(settings);
        const std::string name =
            "parameter " + NumberText(i) + (i <= descriptions.size() ? " (" + descriptions[i] + ")" : std::string());
        if (!std::isfinite(v)) return name + " is not a finite number";
        return name + " is " + NumberText(v) + ", beyond the largest magnitude the model takes (" +
               NumberText(kLargestParameter) + ")";
    }
    return std::nullopt;
}

double ParameterAsUsed(int parameter, double value) {
    if (parameter >= 1 && parameter <= 17 && parameter != 13) return std::fabs(value);
    if ((parameter == 18 || parameter == 19) && value < 0.0 && value != kNotUsed) return std::fabs(value);
    return value;
}

GrowthParameters PrepareParameters(Vec1<double>& X, const GrowthSettings& settings) {
    for (int i = 1; i <= kFixedParameters; ++i) X[i] = ParameterAsUsed(i, X[i]);

    GrowthParameters p;
    p.mu = X[1];
    p.s2 = X[2] * X[2];
    p.m = X[3];
    p.v = X[4] * X[4];
    p.ampK = X[5];
    p.dayK = X[6];
    p.ampL = X[7];
    p.dayL = X[8];
    p.q2 = X[9] * X[9];
    p.selMean = X[10];
    p.selVar = X[11] * X[11];
    p.b = X[12];
    p.t0 = X[13];
    p.psi = X[14];
    p.phi = X[15];
    p.fishSize = X[16];
    p.fishRate = X[17];
    p.saaMean = X[18];
    p.saaSD = X[19];
    p.errors = settings.errors;

    if (p.mu < 0.001) p.mu = 0.001;
    if (p.s2 < kSmallestVarianceL) p.s2 = kSmallestVarianceL;
    if (p.b == 0.0) {
        if (p.m < 0.001) p.m = 0.001;
        if (p.v < kSmallestVarianceL) p.v = kSmallestVarianceL;
    } else {
        if (p.m < 1e-6) p.m = 1e-6;
        if (p.v < kSmallestVarianceK) p.v = kSmallestVarianceK;
        p.errors = 'G';
    }
    return p;
}

}  // namespace corvane
