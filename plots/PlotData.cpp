#include "plots/PlotData.h"

#include <cmath>

namespace corvane {

std::string DistributionSeriesTitle(DistributionKind kind, int k) {
    switch (k) {
    case 1: return "Parameter Likelihood Profile";
    case 2:
        switch (kind) {
        case DistributionKind::Confidence: return "Parameter Confidence Distribution";
        case DistributionKind::Posterior: return "Bayesian Posterior Distribution";
        case DistributionKind::Prior: return "Bayesian Prior Distribution";
        }
        break;
    case 3: return "Confidence Region on mode";
    case 4: return "Confidence Region on mean";
    case 5: return "Cumulative L to R Distribution";
    case 6: return "Attenuated L to R Distribution";
    case 7: return "Gaussian Probability Distribution";
    default: break;
    }
    return {};
}

std::string DistributionSeriesQuantity(int k) {
    switch (k) {
    case 1: return "Relative -ln[L]";
    case 2:
    case 7: return "Probability density";
    case 3:
    case 4: return "Confidence level of the region";
    case 5: return "Cumulative probability";
    case 6: return "1 - Cumulative probability";
    default: break;
    }
    return {};
}

std::string ParameterAxisTitle(int parameter, const std::string& description) {
    std::string title = "Values for parameter #" + std::to_string(parameter);
    std::size_t a = description.find_first_not_of(' ');
    if (a != std::string::npos) title += " (" + description.substr(a, description.find_last_not_of(' ') - a + 1) + ")";
    return title;
}

namespace {

double At(const Vec1<double>& column, int i) { return i >= 1 && i <= column.size() ? column[i] : 0.0; }

}  // namespace

double DistributionSeriesValue(const DistributionPlotData& data, int k, int i) {
    switch (k) {
    case 1: return At(data.negLnL, i);
    case 2: return At(data.pdf, i);
    case 3: return At(data.ciMode, i);
    case 4: return At(data.ciMean, i);
    case 5: return At(data.cumulative, i);
    case 6: {
        // Rounding in the cumulative sums leaves specks like 2E-16 at its top.
        const double attenuated = 1.0 - At(data.cumulative, i);
        return std::fabs(attenuated) < 1e-12 ? 0.0 : attenuated;
    }
    case 7: return At(data.normal, i);
    default: return 0.0;
    }
}

}  // namespace corvane
