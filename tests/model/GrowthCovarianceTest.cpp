// Covariances of the growth model fitted to the rig tag-recapture data,
// checked against a Hessian computed here by finite differences of our own.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "GrowthTestSupport.h"
#include "evaluation/Covariance.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

constexpr int kFree = 4;  // L-infinity mean and SD, k mean and SD

// Gauss-Jordan inverse of a small symmetric matrix, rows from 0.
std::vector<std::vector<double>> Inverse(std::vector<std::vector<double>> a) {
    const std::size_t n = a.size();
    std::vector<std::vector<double>> inv(n, std::vector<double>(n, 0.0));
    for (std::size_t i = 0; i < n; ++i) inv[i][i] = 1.0;
    for (std::size_t c = 0; c < n; ++c) {
        std::size_t pivot = c;
        for (std::size_t r = c + 1; r < n; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
        std::swap(a[c], a[pivot]);
        std::swap(inv[c], inv[pivot]);
        const double d = a[c][c];
        for (std::size_t j = 0; j < n; ++j) {
            a[c][j] /= d;
            inv[c][j] /= d;
        }
        for (std::size_t r = 0; r < n; ++r) {
            if (r == c) continue;
            const double f = a[r][c];
            for (std::size_t j = 0; j < n; ++j) {
                a[r][j] -= f * a[c][j];
                inv[r][j] -= f * inv[c][j];
            }
        }
    }
    return inv;
}

}  // namespace

TEST(GrowthCovariance, RigGridsAgreeWithEachOtherAndWithAnIndependentHessian) {
    GrowthBench b;
    ASSERT_TRUE(b.InitialiseIncrements(DataPath("rig_increments.dat")));
    AlgorithmData& a = b.wb.alg;
    SetDefaultAlgorithmData(a, a.np);
    const std::vector<double> start = Fixed19(100, 13, 0.4, 2.0);
    for (int i = 1; i <= a.np; ++i) a.value[i] = start[static_cast<std::size_t>(i - 1)];
    a.step[1] = 1, a.step[2] = 0.3, a.step[3] = 0.01, a.step[4] = 0.05;
    a.tolerance = 1e-9;
    b.t.dialogs.ExpectMessage("Marquardt minimum", "Minimum found using Marquardt!");
    ASSERT_EQ(MarquardtCommand(b.wb, "N", false).end, MinimiserEnd::Converged);

    // The independent Hessian of -2 ln L: central differences with steps of
    // 1/1000 of each value, the cross terms from four corner points.
    std::vector<double> x(a.value.data() + 1, a.value.data() + 1 + a.np);
    auto f = [&b](std::vector<double> v) { return b.Evaluate(v); };
    const double f0 = f(x);
    std::vector<std::vector<double>> h(kFree, std::vector<double>(kFree, 0.0));
    for (int i = 0; i < kFree; ++i) {
        const double di = 1e-3 * std::fabs(x[static_cast<std::size_t>(i)]);
        auto moved = [&](int j, double dj, int k, double dk) {
            std::vector<double> v = x;
            v[static_cast<std::size_t>(j)] += dj;
            v[static_cast<std::size_t>(k)] += dk;
            return f(v);
        };
        h[i][i] = (moved(i, di, i, 0) - 2 * f0 + moved(i, -di, i, 0)) / (di * di);
        for (int j = 0; j < i; ++j) {
            const double dj = 1e-3 * std::fabs(x[static_cast<std::size_t>(j)]);
            h[i][j] = h[j][i] = (moved(i, di, j, dj) - moved(i, di, j, -dj) - moved(i, -di, j, dj) +
                                 moved(i, -di, j, -dj)) /
                                (4 * di * dj);
        }
    }
    const auto inverse = Inverse(h);
    std::vector<double> se(kFree);
    for (int i = 0; i < kFree; ++i) se[static_cast<std::size_t>(i)] = std::sqrt(2.0 * inverse[i][i]);  // 1/c = 2

    // Steps of a quarter of each conditional standard error, sqrt(2 / H_ii):
    // k is so tightly tied to the other three (its conditional SE is an
    // eighth of its marginal one) that steps scaled by the marginal SEs would
    // carry grid 1 far along the curved ridge of the likelihood, where its
    // SEs come out 60 to 90% larger.
    for (int i = 1; i <= kFree; ++i) a.step[i] = 0.25 * std::sqrt(2.0 / h[i - 1][i - 1]);
    SetUpRun(a, b.wb.engine);
    const CovariancePlan plan = PlanCovariances(b.wb, a.value, a.step);
    CovarianceSettings settings;
    settings.constant = 0.5;
    const CovarianceResults res = ComputeCovariances(b.wb, plan, settings);
    ASSERT_EQ(res.ValidGrids(), 3);
    double worstAmongGrids = 0.0, worstAgainstOwn = 0.0;
    for (int k = 1; k <= kFree; ++k) {
        const double own = se[static_cast<std::size_t>(k - 1)];
        for (int g = 1; g <= 3; ++g) {
            const double grid = res.StandardError(k, g);
            worstAgainstOwn = std::max(worstAgainstOwn, std::fabs(grid / own - 1.0));
            worstAmongGrids = std::max(worstAmongGrids, std::fabs(grid / res.StandardError(k, 3) - 1.0));
            EXPECT_NEAR(grid, own, 0.03 * own) << "parameter " << k << " grid " << g;
        }
        // The covariances agree too, scaled by the standard errors.
        for (int l = 1; l < k; ++l) {
            const double ownCorrelation = 2.0 * inverse[k - 1][l - 1] / (own * se[static_cast<std::size_t>(l - 1)]);
            const double gridCorrelation = res.R[3](k, l) / (res.StandardError(k, 3) * res.StandardError(l, 3));
            EXPECT_NEAR(gridCorrelation, ownCorrelation, 0.01) << k << " " << l;
        }
    }
    RecordProperty("largest_relative_difference_among_grids", std::to_string(worstAmongGrids));
    RecordProperty("largest_relative_difference_from_own_hessian", std::to_string(worstAgainstOwn));
}
