// The posterior computation: plans and sizes, node order, the sums and
// their canonical order, the columns, shards and their part files.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "engine/MinimiserRig.h"
#include "evaluation/Posterior.h"
#include "evaluation/PosteriorPart.h"
#include "numeric/Format.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

// The whole run at once, as the dialogue does it.
PosteriorResult RunWhole(Workbench& wb, PosteriorPlan& plan, PosteriorBlocks* blocksOut = nullptr) {
    if (plan.k() >= 1) plan.reference = EvaluateReference(wb, plan);
    const PosteriorBlocks b = ComputePosterior(wb, plan);
    if (blocksOut) *blocksOut = b;
    return AssemblePosterior(plan, b);
}

// Profiles parameter p of the rig as the dialogue would after the set-up:
// its step set to 0 for the plan, the fuse groups and free list rebuilt.
PosteriorPlan Plan(MinimiserRig& r, int p, int m, int g) {
    SetUpRun(r.wb.alg, r.wb.engine);
    const double v = r.wb.alg.value[p], h = r.wb.alg.step[p];
    r.wb.alg.step[p] = 0.0;
    SetUpRun(r.wb.alg, r.wb.engine);
    PosteriorPlan plan = PlanPosterior(r.wb, p, v, h, m, g);
    r.wb.alg.step[p] = h;
    return plan;
}

int CallsOf(const FunctionModel& model, std::int32_t code) {
    int n = 0;
    for (auto c : model.calls) n += c == code;
    return n;
}

}  // namespace

TEST(PosteriorSizes, PromptAnswersAreRoundedToOddSizesWithinOneToThousandAndOne) {
    EXPECT_EQ(AcceptedSize(0), std::nullopt);
    EXPECT_EQ(AcceptedSize(1002), std::nullopt);
    EXPECT_EQ(AcceptedSize(-5), std::nullopt);
    EXPECT_EQ(AcceptedSize(1), 3);
    EXPECT_EQ(AcceptedSize(2), 3);
    EXPECT_EQ(AcceptedSize(24), 25);
    EXPECT_EQ(AcceptedSize(25), 25);
    EXPECT_EQ(AcceptedSize(1000), 1001);
    EXPECT_EQ(AcceptedSize(1001), 1001);
    EXPECT_EQ(AcceptedSize(0.4), std::nullopt);  // rounds to 0
    EXPECT_EQ(AcceptedSize(std::nan("")), std::nullopt);

    EXPECT_EQ(RequiredCalls(25, 0, 0), 25);
    EXPECT_EQ(RequiredCalls(25, 25, 1), 625);
    EXPECT_EQ(RequiredCalls(31, 25, 2), 25 * 25 * 31);
    // Far beyond any 64-bit product: held just above the limit.
    EXPECT_EQ(RequiredCalls(1001, 1001, 6), kMaxPosteriorCalls + 1);
    EXPECT_EQ(RequiredCalls(1, 2, 30), 1073741824LL);
    EXPECT_EQ(RequiredCalls(1, 2, 31), kMaxPosteriorCalls + 1);  // 2^31: one past the counter's range
}

TEST(PosteriorPlan, GridsAreCentredOnTheValuesAndTheFirstIntegratedParameterIsOutermost) {
    MinimiserRig r(4, Quadratic({0, 0, 0, 0}));
    r.Free(1, 10.0, 0.5);
    r.Free(2, 1.0, 0.1);
    r.Free(4, -2.0, 0.25);
    const PosteriorPlan plan = Plan(r, 2, 5, 3);
    ASSERT_EQ(plan.k(), 2);
    EXPECT_EQ(plan.integrated[1], 1);
    EXPECT_EQ(plan.integrated[2], 4);
    EXPECT_EQ(plan.NodesPerPoint(), 9);
    EXPECT_EQ(plan.BlocksPerPoint(), 3);
    EXPECT_EQ(plan.Blocks(), 15);
    EXPECT_EQ(plan.Calls(), 45);
    EXPECT_DOUBLE_EQ(plan.ProfileValue(1), 0.8);
    EXPECT_DOUBLE_EQ(plan.ProfileValue(3), 1.0);
    EXPECT_DOUBLE_EQ(plan.ProfileValue(5), 1.2);
    EXPECT_DOUBLE_EQ(plan.GridValue(1, 1), 9.5);
    EXPECT_DOUBLE_EQ(plan.GridValue(2, 3), -1.75);
    // Node 5 of a point: j_1 = 2 (outer), j_2 = 3 (inner).
    const Vec1<int> j = plan.NodeIndices(5);
    EXPECT_EQ(j[1], 2);
    EXPECT_EQ(j[2], 3);

    r.model.recordVectors = true;
    PosteriorPlan run = plan;
    RunWhole(r.wb, run);
    ASSERT_EQ(r.model.evaluated.size(), 1u + 45u);  // the reference, then the nodes
    const Vec1<double>& reference = r.model.evaluated[0];
    EXPECT_EQ(reference[2], 1.0);
    // Point 1, nodes in order: parameter 4 moves fastest.
    const Vec1<double>& n1 = r.model.evaluated[1];
    const Vec1<double>& n2 = r.model.evaluated[2];
    const Vec1<double>& n4 = r.model.evaluated[4];
    EXPECT_DOUBLE_EQ(n1[2], 0.8);
    EXPECT_DOUBLE_EQ(n1[1], 9.5);
    EXPECT_DOUBLE_EQ(n1[4], -2.25);
    EXPECT_DOUBLE_EQ(n2[1], 9.5);
    EXPECT_DOUBLE_EQ(n2[4], -2.0);
    EXPECT_DOUBLE_EQ(n4[1], 10.0);
    EXPECT_DOUBLE_EQ(n4[4], -2.25);
    EXPECT_EQ(n1[3], 0.0);  // a parameter not integrated keeps its value
    // The nodes are set in copies: the algorithm values are untouched.
    EXPECT_EQ(r.wb.alg.value[1], 10.0);
    EXPECT_EQ(r.wb.alg.value[4], -2.0);
    EXPECT_EQ(r.wb.engine.functionCalls, 45);
}

TEST(PosteriorSums, NothingIntegratedTakesMCallsAndGivesCTimesTheObjectivePlusThePrior) {
    MinimiserRig r(2, [](const Vec1<double>& x) { return (x[1] - 3.0) * (x[1] - 3.0) + x[2]; });
    r.Free(1, 3.0, 0.5);
    r.Free(2, 7.0, 0.0);
    // c = 0.5 (a -2 ln[L] objective) and a normal prior on parameter 1.
    r.wb.priorTable.reciprocalConstant = 2.0;
    r.wb.engine.priorsInUse = true;
    r.wb.priorTable.rows[1].type = 'N';
    r.wb.priorTable.rows[1].firstMean = 2.0;
    r.wb.priorTable.rows[1].firstSD = 1.5;
    PosteriorPlan plan = Plan(r, 1, 7, 25);
    EXPECT_EQ(plan.k(), 0);
    EXPECT_EQ(plan.g, 0);
    EXPECT_EQ(plan.Calls(), 7);
    r.model.calls.clear();
    PosteriorBlocks blocks;
    const PosteriorResult result = RunWhole(r.wb, plan, &blocks);
    EXPECT_EQ(CallsOf(r.model, nf::Once), 7);
    EXPECT_EQ(result.calls, 7);
    ASSERT_EQ(blocks.sums.size(), 7u);
    for (int i = 1; i <= 7; ++i) {
        const double x = 3.0 + (i - 4) * 0.5;
        const double expected = 0.5 * ((x - 3.0) * (x - 3.0) + 7.0) + PriorValue(r.wb.priorTable.rows[1], x);
        EXPECT_NEAR(blocks.sums[static_cast<std::size_t>(i - 1)], expected, 1e-12) << i;
    }
    // The mode is where c x objective + prior is smallest, and the column
    // is relative to it.
    ASSERT_TRUE(result.shown);
    EXPECT_EQ(result.columns.negLnL[result.mode], 0.0);
    EXPECT_DOUBLE_EQ(result.columns.xML, 2.5);
}

TEST(PosteriorSums, ASumOfNothingButUnderflowsIsTakenAs1E20) {
    // Far from the reference in the outer points: every term underflows to 0.
    MinimiserRig r(2, [](const Vec1<double>& x) { return std::fabs(x[1]) > 1.5 ? 5000.0 : x[1] * x[1] + x[2] * x[2]; });
    r.Free(1, 0.0, 1.0);
    r.Free(2, 0.0, 0.1);
    r.wb.priorTable.reciprocalConstant = 1.0;
    PosteriorPlan plan = Plan(r, 1, 5, 3);
    const PosteriorResult result = RunWhole(r.wb, plan);
    ASSERT_EQ(result.pointsKept, 5);
    EXPECT_EQ(result.mode, 3);
    // Relative to the mode, the empty sums keep their 1E+20.
    EXPECT_NEAR(result.columns.negLnL[1], kEmptySumNegLnL, 1e6);
    EXPECT_NEAR(result.columns.negLnL[5], kEmptySumNegLnL, 1e6);
    EXPECT_EQ(result.columns.pdf[1], 0.0);
    EXPECT_FALSE(result.overflow);
}

TEST(PosteriorSums, PointsThatAllSummedToNothingAreNotShownAsAFlatPosterior) {
    // The same far-out points as above, interrupted before the centre: every
    // point kept holds only the stand-in 1E+20, which relative to itself
    // would read as -ln[L] 0 and a flat density everywhere.
    MinimiserRig r(2, [](const Vec1<double>& x) { return std::fabs(x[1]) > 1.5 ? 5000.0 : x[1] * x[1] + x[2] * x[2]; });
    r.Free(1, 0.0, 1.0);
    r.Free(2, 0.0, 0.1);
    r.wb.priorTable.reciprocalConstant = 1.0;
    PosteriorPlan plan = Plan(r, 1, 9, 3);  // points 1-3 and 7-9 lie beyond 1.5
    plan.reference = EvaluateReference(r.wb, plan);
    PosteriorCallbacks callbacks;
    callbacks.progressInterval = 0.0;
    callbacks.progress = [](const PosteriorProgress& p) {
        return p.point == 3 ? PosteriorReply::Quit : PosteriorReply::Continue;
    };
    const PosteriorResult result = AssemblePosterior(plan, ComputePosterior(r.wb, plan, callbacks));
    EXPECT_EQ(result.pointsKept, 3);
    EXPECT_TRUE(result.empty);
    EXPECT_FALSE(result.shown);
    // One point with a sum is enough to show the others as what they are.
    const PosteriorResult whole = RunWhole(r.wb, plan);
    EXPECT_FALSE(whole.empty);
    EXPECT_TRUE(whole.shown);
}

TEST(PosteriorAccuracy, ANegativeStepIsTheSameSpacingAsItsAbsoluteValue) {
    // -ln[L] = ((x1 - 3) / 0.5)^2 / 2 + ((x2 - 1) / 0.2)^2 / 2: the marginal
    // posterior of x1 is N(3, 0.5) whatever the signs of the steps.
    struct Case {
        double h1, h2;
    };
    for (const Case& k : {Case{0.1, 0.05}, Case{-0.1, 0.05}, Case{0.1, -0.05}, Case{-0.1, -0.05}}) {
        SCOPED_TRACE(::testing::Message() << "steps " << k.h1 << ", " << k.h2);
        MinimiserRig r(2, [](const Vec1<double>& x) {
            return 0.5 * std::pow((x[1] - 3.0) / 0.5, 2) + 0.5 * std::pow((x[2] - 1.0) / 0.2, 2);
        });
        r.Free(1, 3.0, k.h1);  // 61 points over +-6 SD
        r.Free(2, 1.0, k.h2);  // 41 grid points over +-5 SD
        r.wb.priorTable.reciprocalConstant = 1.0;
        PosteriorPlan plan = Plan(r, 1, 61, 41);
        const PosteriorResult result = RunWhole(r.wb, plan);
        ASSERT_TRUE(result.shown);
        EXPECT_DOUBLE_EQ(result.columns.x[1], 0.0);
        EXPECT_DOUBLE_EQ(result.columns.x[61], 6.0);
        EXPECT_NEAR(result.summary.mean, 3.0, 1e-9);
        EXPECT_NEAR(result.summary.sd, 0.5, 1e-4);
        EXPECT_NEAR(result.columns.pdf[31], 1.0 / (0.5 * std::sqrt(2.0 * M_PI)), 1e-4);
        EXPECT_TRUE(result.warnings.empty());
    }
}

TEST(PosteriorSums, NodesFarLikelierThanTheReferenceAreReportedNotTurnedIntoNaN) {
    MinimiserRig r(2, [](const Vec1<double>& x) { return 1e4 * (x[1] * x[1] + x[2] * x[2]); });
    r.Free(1, 0.0, 1.0);
    r.Free(2, 2.0, 1.0);  // the reference sits far up the valley
    r.wb.priorTable.reciprocalConstant = 1.0;
    PosteriorPlan plan = Plan(r, 1, 3, 5);
    const PosteriorResult result = RunWhole(r.wb, plan);
    EXPECT_TRUE(result.overflow);
    EXPECT_FALSE(result.shown);
}

TEST(PosteriorSums, OneIntegratedParameterKeepsEveryTermOnTheBivariateGrid) {
    MinimiserRig r(2, [](const Vec1<double>& x) { return (x[1] - 1.0) * (x[1] - 1.0) + 2.0 * x[2] * x[2] + x[1] * x[2]; });
    r.Free(1, 1.0, 0.2);
    r.Free(2, 0.0, 0.3);
    r.wb.priorTable.reciprocalConstant = 1.0;
    PosteriorPlan plan = Plan(r, 1, 25, 25);
    EXPECT_EQ(plan.Calls(), 625);
    PosteriorBlocks blocks;
    const PosteriorResult result = RunWhole(r.wb, plan, &blocks);
    ASSERT_TRUE(result.bivariate);
    const BivariatePlotData& b = *result.bivariate;
    EXPECT_EQ(b.xParameter, 1);
    EXPECT_EQ(b.yParameter, 2);
    ASSERT_EQ(b.x.size(), 25);
    ASSERT_EQ(b.y.size(), 25);
    const double l0 = plan.reference;
    EXPECT_DOUBLE_EQ(l0, 1.0 * 1.0 * 0.0 + 0.0);  // f(1, 0) = 0
    // Each cell is the unnormalised term exp(-(node - L0)).
    for (int i : {1, 7, 13, 25})
        for (int j : {1, 9, 25}) {
            const double x = b.x[i], y = b.y[j];
            const double node = (x - 1.0) * (x - 1.0) + 2.0 * y * y + x * y;
            EXPECT_NEAR(b.density(i, j), std::exp(-(node - l0)), 1e-14) << i << "," << j;
        }
    // The peak is the largest term, first in node order.
    double peak = -1;
    int pi = 0, pj = 0;
    for (int i = 1; i <= 25; ++i)
        for (int j = 1; j <= 25; ++j)
            if (b.density(i, j) > peak) peak = b.density(i, j), pi = i, pj = j;
    EXPECT_EQ(result.peak, peak);
    EXPECT_EQ(*b.peakX, b.x[pi]);
    EXPECT_EQ(*b.peakY, b.y[pj]);
    // Each point's -ln[L] is -ln of its row's sum (one block per point).
    for (int i = 1; i <= 25; ++i) {
        double sum = 0.0;
        for (int j = 1; j <= 25; ++j) sum += b.density(i, j);
        EXPECT_EQ(blocks.sums[static_cast<std::size_t>(i - 1)], sum);
    }
}

// The analytic check: -ln L of a normal sample in its mean and SD, the mean
// profiled.  With the SD known the posterior of the mean (flat prior) is
// normal with SD sigma / sqrt(n); with the SD integrated it is a t
// distribution whose SD is sqrt(S0 / (n (n - 4))).
TEST(PosteriorAccuracy, TheGaussianMeanHasItsAnalyticPosteriorSD) {
    GaussianSample sample;
    for (int i = 0; i < 30; ++i) sample.y.push_back(10.0 + 2.0 * std::sin(1.7 * i) + 0.3 * std::cos(5.1 * i));
    const double n = static_cast<double>(sample.y.size());
    const double mean = sample.Mean(), sd = sample.SD();

    {
        MinimiserRig r(2, sample.NegLnL());
        r.wb.priorTable.reciprocalConstant = 1.0;  // the objective is -ln L
        const double se = sd / std::sqrt(n);
        r.Free(1, mean, 12.0 * se / 60.0);  // +-6 SE over 61 points
        r.Free(2, sd, 0.0);
        PosteriorPlan plan = Plan(r, 1, 61, 0);
        const PosteriorResult result = RunWhole(r.wb, plan);
        ASSERT_TRUE(result.shown);
        EXPECT_NEAR(result.summary.mean, mean, 1e-9);
        EXPECT_NEAR(result.summary.sd, se, 1e-4 * se);
    }
    {
        MinimiserRig r(2, sample.NegLnL());
        r.wb.priorTable.reciprocalConstant = 1.0;
        const double s0 = n * sd * sd;
        const double tSD = std::sqrt(s0 / (n * (n - 4.0)));
        r.Free(1, mean, 16.0 * tSD / 80.0);  // +-8 SD of the t over 81 points
        // sigma's conditional spread is about sigma / sqrt(2n): +-6 of those.
        const double sigmaSE = sd / std::sqrt(2.0 * n);
        r.Free(2, sd * 1.1, 12.0 * sigmaSE / 100.0);
        PosteriorPlan plan = Plan(r, 1, 81, 101);
        const PosteriorResult result = RunWhole(r.wb, plan);
        ASSERT_TRUE(result.shown);
        EXPECT_NEAR(result.summary.mean, mean, 1e-6);
        EXPECT_NEAR(result.summary.sd, tSD, 0.01 * tSD);
        // The SD of the t is noticeably wider than the known-SD answer.
        EXPECT_GT(result.summary.sd, 1.02 * sd / std::sqrt(n));
    }
}

TEST(PosteriorSums, AnInterruptKeepsEveryFinishedPointAndTheirModeOnly) {
    MinimiserRig r(2, [](const Vec1<double>& x) { return (x[1] - 3.0) * (x[1] - 3.0) + x[2] * x[2]; });
    r.Free(1, 0.0, 1.0);  // the minimum lies at point 7 of 7
    r.Free(2, 0.0, 0.5);
    r.wb.priorTable.reciprocalConstant = 1.0;
    PosteriorPlan plan = Plan(r, 1, 7, 3);
    plan.reference = EvaluateReference(r.wb, plan);
    PosteriorCallbacks callbacks;
    callbacks.progressInterval = 0.0;
    callbacks.progress = [](const PosteriorProgress& p) {
        return p.point == 6 ? PosteriorReply::Quit : PosteriorReply::Continue;
    };
    const PosteriorBlocks b = ComputePosteriorBlocks(r.wb, plan, 0, plan.Blocks(), callbacks);
    EXPECT_TRUE(b.interrupted);
    EXPECT_EQ(b.interruptedAt, 6);
    EXPECT_EQ(b.calls, 18);
    const PosteriorResult result = AssemblePosterior(plan, b.sums, b.terms, b.calls, b.interruptedAt);
    EXPECT_EQ(PosteriorDataText(AssemblePosterior(plan, ComputePosterior(r.wb, plan, callbacks))),
              PosteriorDataText(result));
    EXPECT_TRUE(result.interrupted);
    // The quit came after point 6's only batch: points 1 to 6 are whole.
    EXPECT_EQ(result.pointsKept, 6);
    EXPECT_EQ(result.mode, 6);  // the smallest of the points kept
    EXPECT_TRUE(result.shown);
    ASSERT_TRUE(result.bivariate);
    EXPECT_EQ(result.bivariate->x.size(), 6);

    // Quitting after point 2 leaves too few to show.
    callbacks.progress = [](const PosteriorProgress& p) {
        return p.point == 2 ? PosteriorReply::Quit : PosteriorReply::Continue;
    };
    const PosteriorBlocks early = ComputePosteriorBlocks(r.wb, plan, 0, plan.Blocks(), callbacks);
    const PosteriorResult none = AssemblePosterior(plan, early.sums, early.terms, early.calls, early.interruptedAt);
    EXPECT_EQ(none.pointsKept, 2);
    EXPECT_FALSE(none.shown);
}

TEST(PosteriorSums, ProgressIsReportedByTimeNotPerBatchWithTheTimeLeft) {
    // Every call of the model takes a thousandth of a second on the test clock.
    FixedClock* clock = nullptr;
    MinimiserRig r(3, [&clock](const Vec1<double>& x) {
        clock->Advance(0.001);
        return x[1] * x[1] + x[2] * x[2] + x[3] * x[3];
    });
    clock = &r.t.clock;
    r.Free(1, 0.0, 0.1);
    r.Free(2, 0.0, 0.1);
    r.Free(3, 0.0, 0.1);
    r.wb.priorTable.reciprocalConstant = 1.0;
    PosteriorPlan plan = Plan(r, 1, 9, 25);  // 9 points of 625 nodes: batches of 250, 250 and 125
    plan.reference = EvaluateReference(r.wb, plan);
    std::vector<PosteriorProgress> seen;
    PosteriorCallbacks callbacks;
    callbacks.progressInterval = 1.0;
    callbacks.progress = [&](const PosteriorProgress& p) {
        seen.push_back(p);
        return PosteriorReply::Continue;
    };
    ComputePosteriorBlocks(r.wb, plan, 0, plan.Blocks(), callbacks);
    // 5.6 s of calls reported about once a second, and once at the end.
    ASSERT_GE(seen.size(), 5u);
    ASSERT_LE(seen.size(), 7u);
    for (const PosteriorProgress& p : seen) {
        EXPECT_EQ(p.callsTotal, 9 * 625);
        EXPECT_EQ(p.secondsLeft, std::llround(0.001 * static_cast<double>(p.callsTotal - p.callsDone)));
        const Vec1<int> last = plan.NodeIndices((p.callsDone - 1) % 625);
        EXPECT_EQ(p.node, last);
        EXPECT_EQ(p.point, static_cast<int>((p.callsDone - 1) / 625) + 1);
    }
    EXPECT_EQ(seen.back().callsDone, 9 * 625);
    EXPECT_EQ(seen.back().secondsLeft, 0);
}

TEST(PosteriorSteps, CovarianceGridStepsSpanThreeAndAHalfSEsOnTheGridAndFourOnTheProfile) {
    AlgorithmData a;
    a.np = 4;
    SetDefaultAlgorithmData(a, 4);
    a.value = Vec1<double>(4, 1.0);
    a.step[1] = 0.1;
    a.step[2] = 0.2;
    a.step[3] = 0.0;
    a.step[4] = 0.3;
    const auto se = [](int parameter) { return 0.5 * parameter; };
    ASSERT_TRUE(StepsFromCovarianceGrid(a, 2, 25, 15, se));
    EXPECT_DOUBLE_EQ(a.step[1], 0.5 / 2.0);  // g = 15: SE / 2
    EXPECT_DOUBLE_EQ(a.step[4], 2.0 / 2.0);
    EXPECT_DOUBLE_EQ(a.step[2], 1.0 / 3.0);  // m = 25: 8 SE / 24
    EXPECT_EQ(a.step[3], 0.0);

    // A grid without a result changes nothing.
    AlgorithmData b = a;
    EXPECT_FALSE(StepsFromCovarianceGrid(b, 2, 25, 15, [](int p) { return p == 4 ? -1.0 : 1.0; }));
    EXPECT_EQ(b.step, a.step);
}

TEST(PosteriorTexts, StatusLinesAndTheGridFileLayout) {
    EXPECT_EQ(ProfilePointStatus(1.25, 3, 25), "Value of parameter being profiled: 1.2500E+00 (point 3 of 25)");
    EXPECT_EQ(ProfilePointStatusAlone(4, -0.5, 3, 25),
              "Calculating profile point 3 of 25, Value of parameter # 4 which is being profiled is: -5.0000E-01");
    EXPECT_EQ(GridLevelStatus(5, 7, 25), "Parameter #5 (point 7 of 25)");
    EXPECT_EQ(CallsRemainingStatus(4375), "Function calls remaining: 4375");
    EXPECT_EQ(TimeRemainingStatus(65), "Estimated time remaining (m:s): 1:05");
    EXPECT_EQ(TimeRemainingStatus(600), "Estimated time remaining (m:s): 10:00");

    BivariatePlotData d;
    d.xParameter = 3;
    d.yParameter = 5;
    d.x.resize(2);
    d.y.resize(2);
    d.x[1] = 1.5;
    d.x[2] = 2.0;
    d.y[1] = -0.25;
    d.y[2] = 1234.5;
    d.density.resize(2, 2, 0.0);
    d.density(1, 1) = 1.0;
    d.density(1, 2) = 0.5;
    d.density(2, 1) = 3.0e-7;
    d.density(2, 2) = 0.0;
    EXPECT_EQ(GridFileText(d), CrLfLines({
                                   "Bivariate plot data for parameters 3 and 5 ",
                                   "        X_Coord,        Y_Coord,  Prob_Density",
                                   "    1.5000E+000-     2.5000E-001    1.0000E+000",
                                   "    1.5000E+000     1.2345E+003    5.0000E-001",
                                   "    2.0000E+000-     2.5000E-001    3.0000E-007",
                                   "    2.0000E+000     1.2345E+003    0.0000E+000",
                               }));
}

// --- shards and parts -----------------------------------------------------------

namespace {

struct ShardRig {
    ShardRig()
        : r(4, [](const Vec1<double>& x) {
              return 3.0 * (x[1] - 1.0) * (x[1] - 1.0) + (x[2] + 0.5) * (x[2] + 0.5) + 0.7 * x[1] * x[2] +
                     std::sin(5.0 * x[4]) * 0.1 + x[4] * x[4];
          }) {
        r.Free(1, 1.0, 0.13);
        r.Free(2, -0.5, 0.21);
        r.Free(3, 2.0, 0.0);
        r.Free(4, 0.1, 0.17);
        r.wb.priorTable.reciprocalConstant = 2.0;
        plan = Plan(r, 1, 9, 5);
        plan.reference = EvaluateReference(r.wb, plan);
    }
    PosteriorPart Shard(int k, int n) {
        const BlockRange range = ShardBlocks(plan.Blocks(), k, n);
        const PosteriorBlocks b = ComputePosteriorBlocks(r.wb, plan, range.first, range.count);
        return MakePosteriorPart(plan, r.wb.alg, b, "set-up A", PriorsIdentity(r.wb), k, n);
    }
    MinimiserRig r;
    PosteriorPlan plan;
};

PosteriorPart RoundTrip(const PosteriorPart& p) {
    std::istringstream in(PosteriorPartText(p));
    const PosteriorPartRead read = ReadPosteriorPart(in);
    EXPECT_TRUE(read.part) << read.error;
    return read.part ? *read.part : PosteriorPart{};
}

}  // namespace

TEST(PosteriorShards, SlicesCoverEveryBlockOnceInOrder) {
    for (long long blocks : {1LL, 7LL, 45LL, 1000LL})
        for (int n : {1, 2, 3, 7, 50}) {
            long long next = 0;
            for (int k = 1; k <= n; ++k) {
                const BlockRange r = ShardBlocks(blocks, k, n);
                EXPECT_EQ(r.first, next);
                EXPECT_GE(r.count, 0);
                next = r.first + r.count;
            }
            EXPECT_EQ(next, blocks) << blocks << " in " << n;
        }
    EXPECT_EQ(ShardBlocks(10, 0, 3).count, 0);
    EXPECT_EQ(ShardBlocks(10, 4, 3).count, 0);
}

TEST(PosteriorShards, PartsMergedInAnyOrderGiveTheSumsOfOneRunBitForBit) {
    ShardRig s;
    PosteriorPlan plan = s.plan;
    const PosteriorResult one = RunWhole(s.r.wb, plan);  // point sums folded as the blocks are done
    const PosteriorBlocks whole = ComputePosteriorBlocks(s.r.wb, plan, 0, plan.Blocks());
    ASSERT_EQ(whole.sums.size(), 45u);  // 9 points of 5 blocks
    const PosteriorResult unfolded = AssemblePosterior(plan, whole.sums, whole.terms, whole.calls);
    for (int i = 1; i <= 9; ++i) EXPECT_EQ(unfolded.columns.negLnL[i], one.columns.negLnL[i]) << i;
    for (int n : {2, 3, 7, 45, 60}) {
        std::vector<std::pair<std::string, PosteriorPart>> parts;
        for (int k = n; k >= 1; --k) parts.emplace_back("part" + std::to_string(k), RoundTrip(s.Shard(k, n)));
        const PosteriorMerge merged = MergePosteriorParts(parts);
        ASSERT_TRUE(merged.plan) << merged.error;
        ASSERT_EQ(merged.sums.size(), whole.sums.size());
        for (std::size_t b = 0; b < whole.sums.size(); ++b) EXPECT_EQ(merged.sums[b], whole.sums[b]) << n << ":" << b;
        EXPECT_EQ(merged.calls, plan.Calls());
        const PosteriorResult m = AssemblePosterior(*merged.plan, merged.sums, merged.terms, merged.calls);
        EXPECT_EQ(PosteriorDataText(m), PosteriorDataText(one)) << n;
        EXPECT_EQ(m.summary.sd, one.summary.sd);
    }
}

TEST(PosteriorShards, BivariatePartsCarryEveryTermAndMergeIntoTheSameGridFile) {
    MinimiserRig r(2, [](const Vec1<double>& x) { return (x[1] - 1.0) * (x[1] - 1.0) + x[2] * x[2] + 0.3 * x[1] * x[2]; });
    r.Free(1, 1.0, 0.2);
    r.Free(2, 0.0, 0.3);
    r.wb.priorTable.reciprocalConstant = 1.0;
    PosteriorPlan plan = Plan(r, 1, 11, 7);
    const PosteriorResult one = RunWhole(r.wb, plan);
    std::vector<std::pair<std::string, PosteriorPart>> parts;
    for (int k = 1; k <= 4; ++k) {
        const BlockRange range = ShardBlocks(plan.Blocks(), k, 4);
        const PosteriorBlocks b = ComputePosteriorBlocks(r.wb, plan, range.first, range.count);
        parts.emplace_back("p" + std::to_string(k), RoundTrip(MakePosteriorPart(plan, r.wb.alg, b, "", "off", k, 4)));
    }
    const PosteriorMerge merged = MergePosteriorParts(parts);
    ASSERT_TRUE(merged.plan) << merged.error;
    const PosteriorResult m = AssemblePosterior(*merged.plan, merged.sums, merged.terms, merged.calls);
    ASSERT_TRUE(m.bivariate && one.bivariate);
    EXPECT_EQ(GridFileText(*m.bivariate), GridFileText(*one.bivariate));
    EXPECT_EQ(*m.bivariate->peakX, *one.bivariate->peakX);
}

TEST(PosteriorShards, MergeRefusesMissingRepeatedAndForeignPartsNamingThem) {
    ShardRig s;
    const PosteriorPart p1 = s.Shard(1, 3), p2 = s.Shard(2, 3), p3 = s.Shard(3, 3);

    auto error = [](std::vector<std::pair<std::string, PosteriorPart>> parts) {
        return MergePosteriorParts(parts).error;
    };
    EXPECT_EQ(error({{"a", p1}, {"c", p3}}), "shard 2 of 3 is missing");
    EXPECT_EQ(error({{"a", p1}}), "shards 2, 3 of 3 are missing");
    EXPECT_EQ(error({{"a", p1}, {"b", p2}, {"b2", p2}, {"c", p3}}),
              "part b2 repeats shard 2 of 3, which part b holds already");
    EXPECT_EQ(error({}), "no parts to merge");

    PosteriorPart other = p2;
    other.setup = "set-up B";
    EXPECT_EQ(error({{"a", p1}, {"b", other}, {"c", p3}}), "part b does not belong with part a: its model set-up differs");
    other = p2;
    other.values[3] = 2.5;
    EXPECT_EQ(PartMismatch(p1, other), "value of parameter 3");
    other = p2;
    other.steps[4] = 0.2;
    EXPECT_EQ(PartMismatch(p1, other), "step of parameter 4");
    other = p2;
    other.priors = "on | N";
    EXPECT_EQ(PartMismatch(p1, other), "priors");
    other = p2;
    other.reciprocalConstant = 1.0;
    EXPECT_EQ(PartMismatch(p1, other), "covariance constant");
    other = p2;
    other.reference += 1e-15;
    EXPECT_EQ(PartMismatch(p1, other), "reference -ln[L]");
    // A part of a differently sharded run.
    EXPECT_EQ(error({{"a", p1}, {"x", s.Shard(2, 4)}, {"c", p3}}),
              "part x does not belong with part a: its number of shards differs");
}

TEST(PosteriorShards, DamagedPartFilesAreRefusedWithTheReason) {
    ShardRig s;
    const std::string text = PosteriorPartText(s.Shard(2, 3));
    auto read = [](const std::string& t) {
        std::istringstream in(t);
        return ReadPosteriorPart(in).error;
    };
    EXPECT_EQ(read(text), "");
    EXPECT_EQ(read("Covariance data\r\n"),
              "it is not a posterior part (its first line should read \"Corvane posterior part, format 1\")");
    // Cut short anywhere: never accepted.
    for (std::size_t cut : {text.size() / 3, text.size() / 2, text.size() - 14}) EXPECT_NE(read(text.substr(0, cut)), "");
    // A sum that is not a number.
    std::string bad = text;
    const std::size_t sums = bad.find("Sums: ");
    const std::size_t value = bad.find("\r\n", sums) + 2;
    bad.replace(value, 4, "zzzz");
    EXPECT_NE(read(bad).find("is not a number"), std::string::npos) << read(bad);
    // Blocks that do not belong to the shard named.
    std::string moved = text;
    const std::size_t shard = moved.find("Shard: 2 of 3");
    moved.replace(shard, 13, "Shard: 1 of 3");
    EXPECT_EQ(read(moved), "its blocks are not those of shard 1 of 3");
    // LF line ends read as well.
    std::string lf;
    for (char c : text)
        if (c != '\r') lf += c;
    EXPECT_EQ(read(lf), "");
}

TEST(PosteriorShards, PartsCarryTheDescriptionsForThePlotsButMergeWithoutThem) {
    ShardRig s;
    s.r.wb.alg.description[2] = "Mean of k  (von Bertalanffy)";
    s.r.wb.alg.description[4] = "";
    PosteriorPart p1 = s.Shard(1, 2), p2 = s.Shard(2, 2);
    const PosteriorPart read = RoundTrip(p1);
    ASSERT_EQ(read.descriptions.size(), 4);
    EXPECT_EQ(read.descriptions[2], "Mean of k  (von Bertalanffy)");  // inner blanks kept
    EXPECT_EQ(read.descriptions[4], "");
    // A part written without descriptions (as before they were kept) reads,
    // and parts that describe the parameters differently still merge.
    p2.descriptions = Vec1<std::string>(4);
    std::istringstream old(PosteriorPartText(p2));
    const PosteriorPartRead bare = ReadPosteriorPart(old);
    ASSERT_TRUE(bare.part) << bare.error;
    const PosteriorMerge merged = MergePosteriorParts({{"a", *bare.part}, {"b", read}});
    ASSERT_TRUE(merged.plan) << merged.error;
    EXPECT_EQ(merged.descriptions[2], "");  // the first part named
}

TEST(PosteriorShards, PartsWithSumsOrTermsThatAreNoLikelihoodAreRefused) {
    // One integrated parameter, so that the part carries terms too.
    ShardRig s;
    s.r.Free(4, 0.1, 0.0);
    s.plan = Plan(s.r, 1, 9, 5);
    s.plan.reference = EvaluateReference(s.r.wb, s.plan);
    ASSERT_EQ(s.plan.k(), 1);
    const std::string text = PosteriorPartText(s.Shard(2, 3));
    auto read = [](const std::string& t) {
        std::istringstream in(t);
        return ReadPosteriorPart(in).error;
    };
    ASSERT_EQ(read(text), "");
    // The first value after a label, replaced.
    auto with = [&](const std::string& label, const std::string& value) {
        std::string t = text;
        const std::size_t from = t.find("\r\n", t.find(label)) + 2;
        t.replace(from, t.find("\r\n", from) - from, value);
        return t;
    };
    ASSERT_NE(text.find("Terms: "), std::string::npos);
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {with("Sums: ", "nan"), "\"Sums value\" is not finite (nan)"},
        {with("Sums: ", "inf"), "\"Sums value\" is not finite (inf)"},
        {with("Sums: ", "-0x1p+0"), "the Sums value -1 is negative"},
        {with("Terms: ", "-inf"), "\"Terms value\" is not finite (-inf)"},
        {with("Terms: ", "-0x1.8p-1"), "the Terms value -0.75 is negative"},
        {with("Parameters: ", "1 nan 0x0p+0 ~~"), "should hold parameter 1"},
        {text.substr(0, text.size() / 2) + std::string(100, '\0'), "it is not a text file: line "},
    };
    for (const auto& c : cases) EXPECT_NE(read(c.text).find(c.error), std::string::npos) << read(c.text);
    // Zero sums are likelihoods too (far from the peak they underflow).
    EXPECT_EQ(read(with("Sums: ", "0x0p+0")), "");
}
