#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/AxialSearch.h"
#include "engine/Marquardt.h"
#include "engine/Simplex.h"
#include "tests/engine/MinimiserRig.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

long CountCode(const FunctionModel& m, std::int32_t code) { return std::count(m.calls.begin(), m.calls.end(), code); }

}  // namespace

TEST(Marquardt, QuadraticConvergesInOneAcceptedStepWithTheStartingDamping) {
    for (const Method method : {Method::Numerical, Method::Analytical}) {
        MinimiserRig r(2, Quadratic({1, 2}, {1, 4}));
        r.model.derivatives = QuadraticDerivatives({1, 2}, {1, 4});
        r.model.recordVectors = true;
        r.Free(1, 0.0, 0.5);
        r.Free(2, 0.0, 0.5);
        r.wb.alg.tolerance = 1e-4;  // met by the change after the first step
        const auto result = Minimise(r, method);
        // The first trial follows the start and the derivative grid (2 x 3
        // points numerically, none analytically): x - g / (H (1 + 0.001)).
        const std::size_t first = method == Method::Numerical ? 7 : 1;
        const Vec1<double>& x = r.model.evaluated.at(first);
        EXPECT_NEAR(x[1], 1.0 - 1.0 * 0.001 / 1.001, 1e-9);
        EXPECT_NEAR(x[2], 2.0 - 2.0 * 0.001 / 1.001, 1e-9);
        // Accepted at once; the next accepted step confirms convergence.
        EXPECT_EQ(result.end, MinimiserEnd::Converged);
        EXPECT_EQ(result.iterations, 2);
        EXPECT_EQ(result.checks, 1);
        EXPECT_NEAR(r.wb.alg.value[1], 1.0, 1e-6);
        EXPECT_NEAR(r.wb.alg.value[2], 2.0, 1e-6);
        EXPECT_EQ(r.t.dialogs.Last().icon, Icon::Information);
        EXPECT_FALSE(r.wb.marquardtView.Button("cmdStop")->enabled);
    }
}

TEST(Marquardt, NumericalDerivativesUseARelativeStepOrAnAbsoluteOneAtZero) {
    MinimiserRig r(2, Quadratic({1, 2}, {1, 4}));
    r.model.recordVectors = true;
    r.Free(1, 0.0, 0.5);
    r.Free(2, 2.0, 0.5);
    r.wb.alg.maxCalls = 1;
    r.ExpectMarquardtSetUp(false);
    r.t.dialogs.ExpectMessage("Marquart minimization stopped", "Maximum number of iterations reached");
    MarquardtCommand(r.wb);
    const auto& v = r.model.evaluated;
    const double expected[6][2] = {{0.001, 2.0}, {-0.001, 2.0}, {0.001, 2.002},
                                   {-0.001, 1.998}, {0.0, 2.002}, {0.0, 1.998}};
    for (int p = 0; p < 6; ++p) {
        EXPECT_DOUBLE_EQ(v.at(static_cast<std::size_t>(p) + 1)[1], expected[p][0]) << p;
        EXPECT_DOUBLE_EQ(v.at(static_cast<std::size_t>(p) + 1)[2], expected[p][1]) << p;
    }
    EXPECT_TRUE(r.t.status.EverShowed("Hessian function call 6 of 6"));
    // Central differences of a quadratic are exact but for rounding.
    const MarquardtState& m = r.wb.marquardt;
    EXPECT_NEAR(m.savedGradient[1], -2.0, 1e-9);
    EXPECT_NEAR(m.savedGradient[2], 0.0, 1e-9);
    EXPECT_NEAR(m.savedHessian(1, 1), 2.0, 1e-6);
    EXPECT_NEAR(m.savedHessian(2, 2), 8.0, 1e-6);
    EXPECT_NEAR(m.savedHessian(1, 2), 0.0, 1e-6);
}

TEST(Marquardt, FailedTrialsRaiseTheDampingUntilItGivesUp) {
    // A kink at the start: every step, however small, goes uphill.
    MinimiserRig r(1, [](const Vec1<double>& x) { return std::fabs(x[1]) + 0.5 * x[1]; });
    r.model.recordVectors = true;
    r.Free(1, 0.0, 0.5);
    r.ExpectMarquardtSetUp(false);
    r.t.dialogs.ExpectMessage("Marquardt quits in frustration",
                              "Consider that:\r\n      (1) you're already at an acceptable minimum,");
    const auto result = MarquardtCommand(r.wb);
    EXPECT_EQ(result.end, MinimiserEnd::GaveUp);
    EXPECT_GT(r.wb.marquardt.lambda, 1e20);
    // Start, two derivative points, then one trial per tenfold damping from
    // 0.001 until it passes 1E20, never reaching 25 trials or a probe.
    const auto trials = r.model.evaluated.size() - 3;
    EXPECT_GE(trials, 23u);
    EXPECT_LE(trials, 24u);
    EXPECT_EQ(CountCode(r.model, 1), 1);
    // Each retry starts from the same accepted point, ten times closer.
    const double d5 = r.model.evaluated[3 + 5][1], d6 = r.model.evaluated[3 + 6][1];
    EXPECT_NEAR(d6 / d5, 0.1, 1e-3);
    EXPECT_EQ(r.wb.alg.value[1], 0.0);
    EXPECT_FALSE(r.t.windows.IsOpen(r.wb.marquardtView));
}

TEST(Marquardt, ATrialTheModelCannotEvaluateFailsInsteadOfBeingAccepted) {
    // Undefined beyond 0.5: the first full step to 1 lands there.
    MinimiserRig r(1, [](const Vec1<double>& x) { return x[1] > 0.5 ? std::nan("") : (x[1] - 1) * (x[1] - 1); });
    r.Free(1, 0.0, 0.1);
    r.wb.alg.maxCalls = 1;
    r.ExpectMarquardtSetUp(false);
    r.t.dialogs.ExpectMessage("Marquart minimization stopped", "Maximum number of iterations reached");
    const auto result = MarquardtCommand(r.wb);
    EXPECT_GT(r.wb.marquardt.lambda, 0.01);  // raised by the failed trial
    EXPECT_GT(r.wb.alg.value[1], 0.0);
    EXPECT_LE(r.wb.alg.value[1], 0.5);
    EXPECT_TRUE(std::isfinite(result.minimum));
}

TEST(Marquardt, TwentyFiveFailedTrialsLeadToAnAxialCheckAndThenFrustration) {
    // x^4 with derivatives that turn wrong below 0.1: six accepted steps
    // lower the damping to 1E-9, so 25 trials fail before it passes 1E20.
    MinimiserRig r(1, [](const Vec1<double>& x) { return std::pow(x[1], 4); });
    r.model.derivatives = [](const Vec1<double>& x, Vec1<double>& g, Mat1<double>& h) {
        g[1] = (x[1] > 0.1 ? 4.0 : -4.0) * std::pow(x[1], 3);
        h(1, 1) = 12.0 * x[1] * x[1];
    };
    r.Free(1, 1.0, 0.01);
    r.wb.alg.tolerance = 1e-4;
    r.ExpectMarquardtSetUp(true);
    r.t.dialogs.ExpectMessage("Marquardt quits in frustration", "(6) the model, or its implementation, is flawed");
    const auto result = MarquardtCommand(r.wb);
    EXPECT_EQ(result.end, MinimiserEnd::GaveUp);
    EXPECT_EQ(result.iterations, 6);
    EXPECT_EQ(result.checks, 1);
    const auto& calls = r.model.calls;
    ASSERT_GE(calls.size(), 27u);
    // The last 25 counted trials, then two uncounted probes.
    EXPECT_EQ(calls[calls.size() - 1], 1);
    EXPECT_EQ(calls[calls.size() - 2], 1);
    EXPECT_EQ(calls[calls.size() - 3], result.functionCalls);
    EXPECT_EQ(calls[calls.size() - 27], result.functionCalls - 24);
    EXPECT_EQ(calls[calls.size() - 28], nf::Derivatives);
    // Each accepted step is x (1 - 1 / (3 (1 + lambda))), lambda a tenth of the last.
    double x = 1.0, lambda = 0.001;
    for (int k = 0; k < 6; ++k, lambda *= 0.1) x *= 1.0 - 1.0 / (3.0 * (1.0 + lambda));
    EXPECT_NEAR(r.wb.alg.value[1], x, 1e-12);
}

TEST(Marquardt, TheFifthRejectedAxialCheckGivesUp) {
    // Derivatives pointing uphill: the damped steps shrink until x no longer
    // moves, the step sequence has failed, and each check moves x down one probe.
    MinimiserRig r(1, [](const Vec1<double>& x) { return std::pow(x[1], 4); });
    r.model.derivatives = [](const Vec1<double>& x, Vec1<double>& g, Mat1<double>& h) {
        g[1] = -4.0 * std::pow(x[1], 3);
        h(1, 1) = 12.0 * x[1] * x[1];
    };
    r.Free(1, 1.0, 0.01);
    r.wb.alg.tolerance = 1e-4;
    r.ExpectMarquardtSetUp(true);
    r.t.dialogs.ExpectMessage("Marquardt quits in frustration", "Consider that:");
    const auto result = MarquardtCommand(r.wb);
    EXPECT_EQ(result.end, MinimiserEnd::GaveUp);
    EXPECT_EQ(result.checks, 5);
    EXPECT_EQ(CountCode(r.model, nf::Derivatives), 5);
    EXPECT_NEAR(r.wb.alg.value[1], 1.0 - 5 * 0.001, 1e-12);
    EXPECT_TRUE(r.t.status.EverShowed("Convergence rejected"));
}

TEST(Marquardt, ToleranceZeroNeverConvergesAndStopsAtTheIterationLimit) {
    MinimiserRig r(2, Quadratic({1, 2}));
    r.Free(1, 0.0, 0.5);
    r.Free(2, 0.0, 0.5);
    r.wb.alg.tolerance = 0.0;
    r.wb.alg.maxCalls = 5;
    r.ExpectMarquardtSetUp(false);
    r.t.dialogs.ExpectMessage("Marquart minimization stopped",
                              "Maximum number of iterations reached or an interrupt was received");
    const auto result = MarquardtCommand(r.wb);
    EXPECT_EQ(result.end, MinimiserEnd::LimitReached);
    EXPECT_EQ(result.iterations, 5);
    EXPECT_EQ(result.checks, 0);
    EXPECT_NEAR(r.wb.alg.value[1], 1.0, 1e-9);
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(r.t.status.Get(panels::Activity(k)), "");
}

TEST(Marquardt, TheDerivativeQuestionDefaultsToNumericalForAModelWithoutAnalyticalOnes) {
    struct Case {
        bool derivatives;
        bool numericalDefault;
    };
    for (const Case& k : {Case{false, true}, Case{true, false}}) {
        SCOPED_TRACE(k.derivatives ? "with derivatives" : "without derivatives");
        MinimiserRig r(2, Quadratic({1, 2}));
        if (k.derivatives) r.model.derivatives = QuadraticDerivatives({1, 2});
        EXPECT_EQ(r.model.SuppliesAnalyticalDerivatives(), k.derivatives);
        r.t.dialogs.ExpectMessage("Marquardt minimization", "Choose 'Yes' if you have provided ANALYTICAL",
                                  Answer::Cancel);
        EXPECT_FALSE(SetUpMarquardt(r.wb));
        EXPECT_EQ(r.t.dialogs.Last().secondIsDefault, k.numericalDefault);
    }
}

TEST(Marquardt, AnalyticalDerivativesMissingEndTheRun) {
    MinimiserRig r(2, Quadratic({1, 2}));  // gives nothing for NF = -2
    r.Free(1, 0.0, 0.5);
    r.ExpectMarquardtSetUp(true);
    r.t.dialogs.ExpectMessage("Analytical derivatives missing",
                              "Sorry, analytical derivatives seem not to have been provided");
    EXPECT_EQ(MarquardtCommand(r.wb).end, MinimiserEnd::DerivativesMissing);
    EXPECT_EQ(r.wb.alg.value[1], 0.0);
}

TEST(Marquardt, ADeadParameterFailsTheDecompositionNamingIt) {
    MinimiserRig r(3, Quadratic({1, 0, 3}, {1, 0, 1}));  // parameter 2 changes nothing
    r.Free(1, 0.0, 0.5);
    r.Free(2, 1.0, 0.5);
    r.Free(3, 0.0, 0.5);
    r.ExpectMarquardtSetUp(false);
    r.t.dialogs.ExpectMessage("Matrix decompositon failure at parameter #2!",
                              "Look for statistically dead model parameters");
    EXPECT_EQ(MarquardtCommand(r.wb).end, MinimiserEnd::DecompositionFailed);
    EXPECT_FALSE(r.t.windows.IsOpen(r.wb.marquardtView));
}

TEST(Marquardt, AxialCheckTriesEveryProbeAndAppliesOnlyTheBest) {
    MinimiserRig r(2, Quadratic({1, 2}));
    r.Free(1, 1.3, 1.0);
    r.Free(2, 2.08, 1.0);
    SetUpRun(r.wb.alg, r.wb.engine);
    Vec1<double> X = r.wb.alg.value;
    double fmin = 0.09 + 0.0064;
    r.model.calls.clear();
    // 1.4 and 2.18 are worse; 1.2 gains 0.05 and 1.98 gains 0.006.
    EXPECT_TRUE(MarquardtAxialCheck(r.wb, fmin, X));
    EXPECT_EQ(r.model.calls, (std::vector<std::int32_t>{1, 1, 1, 1}));
    EXPECT_EQ(r.wb.engine.functionCalls, 0);
    EXPECT_DOUBLE_EQ(X[1], 1.2);
    EXPECT_DOUBLE_EQ(X[2], 2.08);
    EXPECT_DOUBLE_EQ(r.wb.alg.value[1], 1.2);
    EXPECT_NEAR(fmin, 0.0464, 1e-12);
    EXPECT_EQ(r.t.status.Get(panels::Activity(4)), "Last failure of convergence verification caused by parameter # 2");
    EXPECT_TRUE(r.t.status.EverShowed("Axial function call 4 of 4"));

    // A relative tolerance at a minimum of exactly 0 rejects nothing.
    MinimiserRig lin(1, [](const Vec1<double>& x) { return x[1]; });
    lin.Free(1, 0.0, 1.0);
    lin.wb.alg.tolerance = -1e-6;
    SetUpRun(lin.wb.alg, lin.wb.engine);
    Vec1<double> Y = lin.wb.alg.value;
    double zero = 0.0;
    EXPECT_FALSE(MarquardtAxialCheck(lin.wb, zero, Y));
    EXPECT_EQ(Y[1], 0.0);
}

TEST(Marquardt, InterruptInNormalModeQuitsAtTheNextAcceptedStep) {
    for (const Answer answer : {Answer::Yes, Answer::No}) {
        MinimiserRig r(2, Rosenbrock());
        r.Free(1, -1.2, 0.1);
        r.Free(2, 1.0, 0.1);
        // Events run during the decomposition; the first press comes there.
        r.t.dialogs.onProcessEvents = [&](int call) {
            if (call == 1) r.wb.marquardtView.Click("cmdStop");
        };
        r.ExpectMarquardtSetUp(false);
        r.t.dialogs.ExpectMessage("Marquardt interrupt", "Interrupt received. Do you want to quit minimizing?", answer);
        if (answer == Answer::Yes)
            r.t.dialogs.ExpectMessage("Marquart minimization stopped", "an interrupt was received");
        else
            r.t.dialogs.ExpectMessage("Marquardt minimum", "Minimum found using Marquardt!");
        const auto result = MarquardtCommand(r.wb);
        EXPECT_TRUE(r.t.status.EverShowed("Interrupt pending..."));
        if (answer == Answer::Yes) {
            EXPECT_TRUE(r.t.status.EverShowed("Interrupt will occur once this iteration is complete"));
            EXPECT_EQ(result.end, MinimiserEnd::Interrupted);
            EXPECT_EQ(result.iterations, 1);
            EXPECT_EQ(r.wb.alg.value[1], r.wb.marquardt.X[1]);  // the accepted point is kept
        } else {
            EXPECT_EQ(result.end, MinimiserEnd::Converged);
        }
    }
}

TEST(Marquardt, DerivativeDisplayWaitsForNextIterationContinueOrInterrupt) {
    for (const char* button : {"cmdIteration", "cmdContinue", "cmdStop"}) {
        SCOPED_TRACE(button);
        MinimiserRig r(2, Quadratic({1, 2}, {1, 4}));
        r.Free(1, 0.0, 0.5);
        r.Free(2, 0.0, 0.5);
        r.wb.alg.tolerance = 1e-4;
        int waits = 0;
        std::string shown;
        r.t.dialogs.onProcessEvents = [&](int) {
            TextView& v = r.wb.marquardtView;
            if (!r.wb.marquardt.awaitingChoice) return;
            if (++waits == 1) shown = v.Area(1);
            EXPECT_TRUE(v.Button("cmdIteration")->visible && v.Button("cmdContinue")->enabled);
            v.Click(button);
            EXPECT_FALSE(v.Button("cmdIteration")->visible || v.Button("cmdContinue")->visible);
        };
        r.ExpectMarquardtSetUp(false, true);
        if (std::string(button) == "cmdStop")
            r.t.dialogs.ExpectMessage("Marquardt interrupt", "quit minimizing?", Answer::No);
        r.t.dialogs.ExpectMessage("Marquardt minimum", "Minimum found using Marquardt!");
        MarquardtCommand(r.wb);
        EXPECT_EQ(r.t.dialogs.Last().icon, Icon::Information);  // success never looks like a failure
        // Next iteration shows them after both accepted steps and the final report.
        EXPECT_EQ(waits, std::string(button) == "cmdIteration" ? 3 : 1);
        EXPECT_NE(shown.find("\r\n\r\n1st & 2nd partial derivatives of the objective function wrt to the previous "
                             "parameter estimates:\r\n"
                             "Numerical 1st derivative wrt Parameter      001) -2.00000E+00\r\n"
                             "Numerical 1st derivative wrt Parameter      002) -1.60000E+01\r\n"
                             "Numerical 2nd derivative wrt Parameters 001,001 2.00000E+00\r\n"),
                  std::string::npos)
            << shown;
        EXPECT_EQ(r.t.status.EverShowed("Interrupt pending..."), std::string(button) == "cmdStop");
        EXPECT_TRUE(r.t.status.EverShowed("Please be patient while derivative output is collated"));
    }
}

TEST(Marquardt, CommandHonoursCancelAndClearsTheSimplexAfterARun) {
    MinimiserRig r(2, Quadratic({1, 2}));
    r.Free(1, 0.0, 0.5);
    r.wb.app.covarianceCurrent = true;
    r.t.dialogs.ExpectMessage("Marquardt minimization", "Choose 'Yes'", Answer::Cancel);
    EXPECT_EQ(MarquardtCommand(r.wb).end, MinimiserEnd::Cancelled);
    EXPECT_EQ(r.wb.marquardt.derivativeKind, "");
    EXPECT_TRUE(r.wb.app.covarianceCurrent);
    EXPECT_EQ(r.model.calls.size(), 1u);  // only the initialisation

    r.wb.alg.simplexCurrent = true;
    Minimise(r, Method::Numerical);
    EXPECT_FALSE(r.wb.alg.simplexCurrent);
}

TEST(Marquardt, RunLogGoldenText) {
    MinimiserRig r(3, Quadratic({1, 2, 0}, {1, 4, 1}));
    r.Free(1, 0.0, 0.5);
    r.Free(2, 0.0, 0.5);
    r.wb.alg.tolerance = 1e-3;
    r.wb.alg.fileFrequency = 4;
    const auto dir = TempDir("marquardt-log");
    ASSERT_TRUE(r.wb.runLog.Open((dir / "minimize.cvl").string()));
    Minimise(r, Method::Numerical);
    r.wb.runLog.Close();
    const auto block = [](const char* note, const char* values, const char* current) {
        return CrLfLines({"", note, "", "Current minimum found at these 2 adjusted parameter values: ", "", values, "",
                          "", current, ""});
    };
    const std::string expected =
        block("Note: 1 iterations and 8 function calls", "    001)  9.9900100E-01    002)  1.9980020E+00",
              "Current Min> 0.00002      Last Min> 17.      Abs TC> 1.7000E+01") +
        block("Note: 2 iterations and 15 function calls", "    001)  9.9999990E-01    002)  1.9999998E+00",
              "Current Min> 0.      Last Min> 0.00002      Abs TC> 1.6966E-05") +
        CrLfLines({"", "", "Minimum of 0. found at these 2 adjusted parameter values:", "",
                   "    001)  9.9999990E-01    002)  1.9999998E+00", "", "",
                   "This result required 2 iterations and 15 function calls", ""});
    EXPECT_EQ(ReadWholeFile(dir / "minimize.cvl"), expected);
    std::filesystem::remove_all(dir);
}
