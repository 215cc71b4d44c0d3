#pragma once
// Test objectives with a known Hessian, and a workbench that runs the
// covariance calculation on them.
#include <utility>

#include "engine/MinimiserRig.h"
#include "evaluation/Covariance.h"

namespace corvane::testing {

// 0.5 (x - centre)' A (x - centre) over parameters 1, 3 and 4 (parameter 2 is
// fixed and does not enter): its Hessian is A, |A| = 4 and
// A^-1 = [[3, -2, 1], [-2, 4, -2], [1, -2, 3]] / 4.
inline constexpr double kA[3][3] = {{2, 1, 0}, {1, 2, 1}, {0, 1, 2}};
inline constexpr double kInverseTimes4[3][3] = {{3, -2, 1}, {-2, 4, -2}, {1, -2, 3}};
inline constexpr int kUsed[3] = {1, 3, 4};
inline constexpr double kCentre[3] = {1.5, -2.0, 0.25};

inline double Tridiagonal(const Vec1<double>& x) {
    double s = 0.0;
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) s += 0.5 * (x[kUsed[a]] - kCentre[a]) * kA[a][b] * (x[kUsed[b]] - kCentre[b]);
    return s;
}

struct Rig : MinimiserRig {
    Rig(int np, FunctionModel::Function f) : MinimiserRig(np, std::move(f)) {}

    // The calculation at the algorithm data's values and steps.
    CovarianceResults Compute(CovarianceSettings settings = {}, CovarianceCallbacks callbacks = {}) {
        SetUpRun(wb.alg, wb.engine);
        plan = PlanCovariances(wb, wb.alg.value, wb.alg.step);
        return ComputeCovariances(wb, plan, settings, callbacks);
    }
    int ModelCalls(std::int32_t code) const {
        int n = 0;
        for (auto c : model.calls) n += c == code;
        return n;
    }
    CovariancePlan plan;
};

// np may exceed 4: the further parameters do not enter the objective.
struct TridiagonalRig : Rig {
    explicit TridiagonalRig(int np = 4) : Rig(np, Tridiagonal) {
        Free(1, 1.5, 0.4);
        Free(2, 7.0, 0.0);
        Free(3, -2.0, 0.5);
        Free(4, 0.25, 0.3);
    }
};

inline CovarianceSettings WithConstant(double c) {
    CovarianceSettings s;
    s.constant = c;
    return s;
}

}  // namespace corvane::testing
