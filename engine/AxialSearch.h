#pragma once
// Convergence verification: each free parameter is probed up and down by
// the step size reduction fraction of its step while the others stay put.
#include "engine/Minimiser.h"
#include "numeric/OneBased.h"

namespace corvane {

class Workbench;

// Whether a probe value f improves on f_min under a tolerance (>0 absolute,
// 0 any decrease (Simplex) or never (Marquardt), <0 relative).
bool SimplexProbeImproves(double f, double fmin, double tolerance);
bool MarquardtProbeImproves(double f, double fmin, double tolerance);

struct AxialSearchResult {
    bool improved = false;
    int parameter = 0;  // parameter number of the improving probe
};

// The Simplex search from the best vertex: stops at the first improving
// probe, which the best vertex then holds and the restart point copies.
// Probes are counted evaluations.
AxialSearchResult AxialSearch(Workbench& wb, double fmin);

// After the Simplex convergence test passed: either the final report and
// the done flag, or a restart of the simplex from the improving point.
void VerifyByAxialSearch(Workbench& wb, ProfileHooks* profile = nullptr);

// Marquardt's check on its full vector X: tries every probe (NF = 1, not
// counted) against f_min on entry and moves X (and the algorithm data) to
// the best improving one.  True when convergence is rejected.
bool MarquardtAxialCheck(Workbench& wb, double& fmin, Vec1<double>& X);

}  // namespace corvane
