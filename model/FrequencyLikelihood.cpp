#include "model/FrequencyLikelihood.h"

namespace corvane {

bool FrequencyLikelihoodAvailable() { return false; }

FrequencyContribution FrequencyNegLnL(const GrowthSettings&, const FrequencyData&, const GrowthParameters&,
                                      const Vec1<double>&, FrequencyWorkspace&, WarningLog&) {
    // Not built yet: say so instead of contributing 0.
    return FrequencyContribution{};
}

}  // namespace corvane
