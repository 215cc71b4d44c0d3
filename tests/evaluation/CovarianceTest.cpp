// The covariance calculation on objectives whose Hessian is known.
#include <gtest/gtest.h>

#include <cmath>

#include "CovarianceRig.h"

using namespace corvane;
using namespace corvane::testing;

TEST(Covariance, QuadraticGivesTheInverseHessianOverTheConstantOnEveryGrid) {
    TridiagonalRig r;
    const CovarianceResults res = r.Compute(WithConstant(0.5));
    ASSERT_EQ(res.p, 3);
    EXPECT_EQ(res.number[2], 3);
    for (int g = 1; g <= 3; ++g) {
        ASSERT_TRUE(res.GridValid(g)) << g;
        const Mat1<double>& R = res.R[g];
        double variances = 1.0;
        for (int k = 1; k <= 3; ++k) {
            for (int l = 1; l <= 3; ++l) {
                const double expected = 2.0 * kInverseTimes4[k - 1][l - 1] / 4.0;  // (1/c) A^-1
                EXPECT_NEAR(R(k, l), expected, 1e-6 * (1 + 1e4 * (g - 1) * (g - 1))) << g << " " << k << l;
            }
            variances *= R(k, k);
            EXPECT_NEAR(R(0, k), std::sqrt(R(k, k)), 1e-12);
            EXPECT_EQ(res.StandardError(k, g), R(0, k));
        }
        EXPECT_NEAR(R(0, 0), 8.0 / 4.0, 1e-4);  // (1/c)^p / |A|
        EXPECT_DOUBLE_EQ(R(1, 0), variances);
    }
    // By parameter number, and -1 for anything that has no standard error.
    EXPECT_EQ(res.ParameterStandardError(3, 1), res.StandardError(2, 1));
    EXPECT_EQ(res.ParameterStandardError(2, 1), -1.0);
    EXPECT_EQ(res.StandardError(4, 1), -1.0);
    EXPECT_EQ(res.StandardError(1, 4), -1.0);
    EXPECT_EQ(CovarianceResults{}.StandardError(1, 1), -1.0);

    // Every grid costs p (p + 1) calls, plus one for the centre.
    EXPECT_EQ(r.ModelCalls(1), 1 + 3 * 12);
}

TEST(Covariance, OneParameterFollowsTheSecondDifferenceFormula) {
    // Not quadratic, so each grid gives its own answer.
    Rig r(2, [](const Vec1<double>& x) { return std::exp(x[1]) + x[1] * x[1] * x[1] * x[1] + 3.0 * x[2]; });
    r.Free(1, 0.3, 0.25);
    const CovarianceResults res = r.Compute(WithConstant(0.5));
    const double f0 = std::exp(0.3) + std::pow(0.3, 4);
    for (int g = 1; g <= 3; ++g) {
        const double F = res.factor[g], h = 0.25;
        const double up = std::exp(0.3 + F * h) + std::pow(0.3 + F * h, 4);
        const double down = std::exp(0.3 - F * h) + std::pow(0.3 - F * h, 4);
        const double se = std::sqrt(2.0 * F * F * h * h / (up + down - 2.0 * f0));
        EXPECT_NEAR(res.StandardError(1, g), se, 1e-9 * se) << g;
        EXPECT_NEAR(res.R[g](0, 0), se * se, 1e-9 * se * se);
        // Mean and signed SD of the two values about f0, unscaled.
        EXPECT_NEAR(res.mean[g], (up + down) / 2.0, 1e-12);
        EXPECT_NEAR(res.sd[g], std::fabs(up - down) / 2.0, 1e-9);
    }
}

TEST(Covariance, AFlatParameterFailsThePositiveDefiniteTestNamingIt) {
    // Parameter 3 does not enter the objective; parameter 2 is fixed.
    Rig r(4, [](const Vec1<double>& x) { return x[1] * x[1] + (x[4] - 1) * (x[4] - 1) + x[1] * x[4]; });
    r.Free(1, 0.0, 0.1);
    r.Free(3, 5.0, 0.1);
    r.Free(4, 1.0, 0.1);
    std::string log;
    CovarianceCallbacks callbacks;
    callbacks.log = [&log](const std::string& text) { log += text; };
    const CovarianceResults res = r.Compute({}, callbacks);
    for (int g = 1; g <= 3; ++g) {
        EXPECT_EQ(res.outcome[g], GridOutcome::NotPositiveDefinite);
        EXPECT_EQ(res.failedAt[g], 3);
        for (int a = 0; a <= 4; ++a)
            for (int b = 0; b <= 4; ++b) EXPECT_EQ(res.R[g](a, b), -1.0);
    }
    EXPECT_NE(log.find("Sorry, this Hessian matrix is not positive-definite; a valid covariance matrix cannot be "
                       "created.\r\n\r\nPossible reasons: (1)"),
              std::string::npos);
    EXPECT_NE(log.find("failed at parameter # 3\r\n\r\n"), std::string::npos);
    EXPECT_EQ(log.find("Now inverting"), std::string::npos);
    EXPECT_EQ(res.ValidGrids(), 0);
}

TEST(Covariance, CholeskyTestRejectsIndefiniteAndUndefinedMatrices) {
    Mat1<double> h(2, 2, 0.0);
    h(1, 1) = 1, h(1, 2) = h(2, 1) = 2, h(2, 2) = 1;  // eigenvalues 3 and -1
    EXPECT_EQ(CholeskyFailure(h, 2), 2);
    h(1, 2) = h(2, 1) = 0.5;
    EXPECT_EQ(CholeskyFailure(h, 2), 0);
    h(2, 2) = NAN;
    EXPECT_EQ(CholeskyFailure(h, 2), 2);
    h(2, 2) = 1, h(1, 1) = INFINITY;
    EXPECT_EQ(CholeskyFailure(h, 2), 1);
    EXPECT_EQ(CholeskyFailure(h, 0), 0);
}

TEST(Covariance, OptimisticOptionInvertsTheDiagonalAndSkipsTheCrossPoints) {
    TridiagonalRig r;
    CovarianceSettings s = WithConstant(0.5);
    s.optimistic = true;
    int reports = 0;
    CovarianceCallbacks callbacks;
    s.progressInterval = 0.0;
    callbacks.progress = [&reports](const CovarianceProgress& p) {
        ++reports;
        EXPECT_EQ(p.callsPerGrid, 12);
        return GridReply::Continue;
    };
    const CovarianceResults res = r.Compute(s, callbacks);
    EXPECT_TRUE(res.optimistic);
    for (int g = 1; g <= 3; ++g) {
        for (int k = 1; k <= 3; ++k) {
            EXPECT_NEAR(res.StandardError(k, g), std::sqrt(2.0 / kA[k - 1][k - 1]), 1e-5) << g;
            for (int l = 1; l <= 3; ++l) {
                if (l == k) continue;
                EXPECT_EQ(res.R[g](k, l), 0.0);
            }
        }
    }
    // Only the 2p diagonal points call MODEL, but all p (p + 1) are counted.
    EXPECT_EQ(r.ModelCalls(1), 1 + 3 * 6);
    EXPECT_EQ(reports, 3 * 12);
}

TEST(Covariance, ConstantOfOneHalfDoublesVariancesAndScalesTheDeterminant) {
    TridiagonalRig one, half;
    const CovarianceResults a = one.Compute(WithConstant(1.0));
    const CovarianceResults b = half.Compute(WithConstant(0.5));
    for (int g = 1; g <= 3; ++g) {
        for (int k = 1; k <= 3; ++k)
            for (int l = 1; l <= 3; ++l) EXPECT_DOUBLE_EQ(b.R[g](k, l), 2.0 * a.R[g](k, l));
        EXPECT_DOUBLE_EQ(b.R[g](0, 0), 8.0 * a.R[g](0, 0));
        EXPECT_DOUBLE_EQ(b.R[g](1, 0), 8.0 * a.R[g](1, 0));
        EXPECT_DOUBLE_EQ(b.StandardError(2, g), std::sqrt(2.0) * a.StandardError(2, g));
    }
    EXPECT_EQ(b.constant, 0.5);
    EXPECT_EQ(b.reciprocalConstant, 2.0);
}

TEST(Covariance, AnalyticalMethodGivesThreeIdenticalGridsWithZeroFactors) {
    TridiagonalRig r;
    r.model.derivatives = [](const Vec1<double>&, Vec1<double>&, Mat1<double>& h) {
        for (int a = 0; a < 3; ++a)
            for (int b = 0; b < 3; ++b) h(kUsed[a], kUsed[b]) = kA[a][b];
    };
    CovarianceSettings s = WithConstant(0.5);
    s.method = CovarianceMethod::Analytical;
    const CovarianceResults res = r.Compute(s);
    EXPECT_EQ(r.ModelCalls(-2), 3);
    EXPECT_EQ(r.ModelCalls(1), 1);  // the centre only
    for (int g = 1; g <= 3; ++g) {
        EXPECT_EQ(res.factor[g], 0.0);
        EXPECT_EQ(res.R[g], res.R[1]);
        EXPECT_TRUE(res.GridValid(g));
    }
    EXPECT_DOUBLE_EQ(res.R[1](2, 3), 2.0 * -2.0 / 4.0);
    EXPECT_DOUBLE_EQ(res.R[1](0, 0), 2.0);

    // A model without derivatives leaves a zero Hessian: not positive-definite.
    TridiagonalRig bare;
    const CovarianceResults none = bare.Compute(s);
    EXPECT_EQ(none.outcome[2], GridOutcome::NotPositiveDefinite);
    EXPECT_EQ(none.failedAt[2], 1);
}

TEST(Covariance, QuittingGridTwoLeavesGridsOneAndThreeValid) {
    TridiagonalRig r;
    CovarianceSettings s = WithConstant(0.5);
    s.progressInterval = 0.0;
    std::vector<std::pair<int, int>> seen;
    CovarianceCallbacks callbacks;
    callbacks.progress = [&seen](const CovarianceProgress& p) {
        seen.emplace_back(p.grid, p.call);
        return p.grid == 2 && p.call == 5 ? GridReply::QuitGrid : GridReply::Continue;
    };
    const CovarianceResults res = r.Compute(s, callbacks);
    EXPECT_TRUE(res.GridValid(1));
    EXPECT_TRUE(res.GridValid(3));
    EXPECT_EQ(res.outcome[2], GridOutcome::Abandoned);
    EXPECT_EQ(res.mean[2], -1.0);
    EXPECT_EQ(res.sd[2], -1.0);
    for (int a = 0; a <= 4; ++a)
        for (int b = 0; b <= 4; ++b) EXPECT_EQ(res.R[2](a, b), -1.0);
    EXPECT_EQ(res.StandardError(1, 2), -1.0);
    EXPECT_NEAR(res.StandardError(1, 3), std::sqrt(1.5), 1e-3);
    EXPECT_EQ(seen.size(), 12u + 5u + 12u);
    EXPECT_EQ(r.ModelCalls(1), 1 + 12 + 5 + 12);
}

TEST(Covariance, ProgressIsReportedByTimeWithAnEstimateOfWhatIsLeft) {
    FixedClock* clock = nullptr;
    Rig r(3, [&clock](const Vec1<double>& x) {
        clock->Advance(0.03);  // each evaluation takes 30 ms
        return x[1] * x[1] + x[2] * x[2] + x[3] * x[3];
    });
    clock = &r.t.clock;
    for (int i = 1; i <= 3; ++i) r.Free(i, 0.0, 1.0);
    std::vector<CovarianceProgress> reports;
    CovarianceCallbacks callbacks;
    callbacks.progress = [&reports](const CovarianceProgress& p) {
        reports.push_back(p);
        return GridReply::Continue;
    };
    r.Compute({}, callbacks);  // 3 grids of 12 points, reports every 0.1 s at most
    ASSERT_GE(reports.size(), 9u);
    EXPECT_LT(reports.size(), 18u);
    EXPECT_EQ(reports[0].grid, 1);
    EXPECT_EQ(reports[0].call, 1);
    // After the first point of grid 1: 0.03 s per call, 35 calls to come.
    EXPECT_EQ(reports[0].secondsLeft, 1);
    // Every grid shows its last point.
    int lastPoints = 0;
    for (const auto& p : reports) lastPoints += p.call == 12;
    EXPECT_EQ(lastPoints, 3);
    EXPECT_EQ(reports.back().secondsLeft, 0);
    EXPECT_EQ(TimeRemainingText(65), "Estimated time remaining for all three grids (m:s): 1:05");
    EXPECT_EQ(TimeRemainingText(600), "Estimated time remaining for all three grids (m:s): 10:00");
}

TEST(Covariance, FusedFollowersMoveWithTheirLeaderAndPriorsAreAdded) {
    // Parameters 1 and 2 share one value t: 2 (t - 1)^2, Hessian 4.
    Rig r(3, [](const Vec1<double>& x) { return (x[1] - 1) * (x[1] - 1) + (x[2] - 1) * (x[2] - 1) + x[3] * x[3]; });
    r.Free(1, 1.0, 0.1);
    r.Free(2, 1.0, 0.1);
    r.Free(3, 0.0, 0.1);
    r.wb.alg.fuse[1] = r.wb.alg.fuse[2] = "A";
    const CovarianceResults res = r.Compute(WithConstant(1.0));
    EXPECT_EQ(res.p, 2);
    EXPECT_EQ(res.number[2], 3);
    EXPECT_NEAR(res.R[1](1, 1), 1.0 / 4.0, 1e-9);
    EXPECT_NEAR(res.R[1](2, 2), 1.0 / 2.0, 1e-9);

    // A prior of 3 x^2 on parameter 3 adds 6 to its Hessian.
    struct Prior : PriorSource {
        double PriorNegLnL(const Vec1<double>& x) override { return 3.0 * x[3] * x[3]; }
    } prior;
    r.wb.priors = &prior;
    r.wb.engine.priorsInUse = true;
    const CovarianceResults withPrior = r.Compute(WithConstant(1.0));
    EXPECT_NEAR(withPrior.R[2](2, 2), 1.0 / 8.0, 1e-9);
}

TEST(Covariance, NothingFreeComputesNothing) {
    Rig r(2, Quadratic({0, 0}));
    const CovarianceResults res = r.Compute();
    EXPECT_FALSE(res.computed);
    EXPECT_EQ(res.ValidGrids(), 0);
    EXPECT_EQ(res.StandardError(1, 1), -1.0);
}

TEST(Covariance, CentreIsEvaluatedAgainUnderThePriorScaledByTheNewConstant) {
    // x3^2 plus a normal prior on x3 (mean 0, SD 1) scaled by 1/c: with
    // c = 0.5 the prior adds x3^2 too, H = 4 and the variance (1/c) / 4.
    Rig r(3, [](const Vec1<double>& x) { return x[3] * x[3]; });
    r.Free(3, 1.0, 0.1);  // away from 0, so f0 itself carries the prior
    r.wb.priorTable.rows[3].type = 'N';
    r.wb.priorTable.rows[3].firstMean = 0.0;
    r.wb.priorTable.rows[3].firstSD = 1.0;
    r.wb.engine.priorsInUse = true;
    SetUpRun(r.wb.alg, r.wb.engine);
    r.wb.priorTable.reciprocalConstant = 1.0;
    const CovariancePlan plan = PlanCovariances(r.wb, r.wb.alg.value, r.wb.alg.step);
    EXPECT_DOUBLE_EQ(plan.centre, 1.5);
    r.wb.priorTable.reciprocalConstant = 2.0;  // as the constant dialogue stores c = 0.5
    const CovarianceResults res = ComputeCovariances(r.wb, plan, WithConstant(0.5));
    EXPECT_DOUBLE_EQ(res.centre, 2.0);
    for (int g = 1; g <= 3; ++g) EXPECT_NEAR(res.StandardError(1, g), std::sqrt(0.5), 1e-6) << g;
}
