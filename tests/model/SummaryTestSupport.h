#pragma once
// The analyses the summary tests report on: the rig fit, and the first series
// of alba with two identified and three blended age-classes, Gaussian modes,
// truncated at the extremes.
#include <vector>

#include "GrowthTestSupport.h"

namespace corvane::testing {

// The minimum of the rig's first four parameters (objective 347.5767).
inline std::vector<double> RigFit() { return Fixed19(104.6, 12.0, 0.372, 1.90); }

inline GrowthSetup AlbaSetup(int series) {
    GrowthSetup s;
    s.frequencyPath = DataPath("alba_frequencies.dat");
    s.series = series;
    s.identified = 2;
    s.blended = 3;
    s.birthDay = 150;
    s.age1 = 0.0;
    s.edge = 'M';
    s.ageModes = AgeModeForm::Gaussian;
    return s;
}

// L-infinity 14 (SD 1.5), k 1 (SD 0.3), t0 0, Psi 0.5; proportions 0.4 and
// 0.3; each series on its own sample day.
inline std::vector<double> AlbaValues(int series) {
    auto x = Fixed19(14, 1.5, 1.0, 0.3);
    x[12] = 0.0;
    x[13] = 0.5;
    for (int s = 1; s <= series; ++s) x.insert(x.end(), {0.4, 0.3});
    const double days[7] = {108, 184, 263, 350, 49, 120, 175};
    for (int s = 1; s <= series; ++s) x.push_back(days[s - 1]);
    return x;
}

// The joint example: increments with three frequency series.
inline GrowthSetup JointSetup() {
    GrowthSetup joint;
    joint.incrementPath = std::string(CORVANE_SOURCE_DIR) + "/examples/growth_joint_increments.dat";
    joint.frequencyPath = std::string(CORVANE_SOURCE_DIR) + "/examples/growth_joint_frequencies.dat";
    joint.series = 3;
    joint.identified = 2;
    joint.blended = 4;
    joint.birthDay = 100;
    joint.age1 = 0.0;
    joint.ageModes = AgeModeForm::Gaussian;
    return joint;
}

}  // namespace corvane::testing
