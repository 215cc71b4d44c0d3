// What both minimisers must do alike.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "tests/engine/MinimiserRig.h"

using namespace corvane;
using namespace corvane::testing;

TEST(Minimisers, RosenbrockAndAGaussianLikelihoodReachTheirKnownMinimaWithBothMethods) {
    const GaussianSample sample{{4.1, 5.3, 3.8, 6.0, 5.1, 4.7, 5.9, 4.4, 5.0, 5.6}};
    for (const Method method : {Method::Simplex, Method::Numerical, Method::Analytical}) {
        SCOPED_TRACE(static_cast<int>(method));
        MinimiserRig rosen(2, Rosenbrock());
        rosen.model.derivatives = RosenbrockDerivatives();
        rosen.Free(1, -1.2, 0.1);
        rosen.Free(2, 1.0, 0.1);
        rosen.wb.alg.tolerance = 1e-10;
        const auto r1 = Minimise(rosen, method);
        EXPECT_EQ(r1.end, MinimiserEnd::Converged);
        EXPECT_NEAR(rosen.wb.alg.value[1], 1.0, 2e-3);
        EXPECT_NEAR(rosen.wb.alg.value[2], 1.0, 4e-3);
        EXPECT_LT(r1.minimum, 1e-6);

        MinimiserRig gauss(2, sample.NegLnL());
        gauss.model.derivatives = sample.Derivatives();
        gauss.Free(1, 3.0, 0.1);
        gauss.Free(2, 2.0, 0.1);
        gauss.wb.alg.tolerance = 1e-10;
        const auto r2 = Minimise(gauss, method);
        EXPECT_EQ(r2.end, MinimiserEnd::Converged);
        EXPECT_NEAR(gauss.wb.alg.value[1], sample.Mean(), 1e-3);
        EXPECT_NEAR(std::fabs(gauss.wb.alg.value[2]), sample.SD(), 1e-3);
        EXPECT_NEAR(r2.minimum, sample.MinimumNegLnL(), 1e-7);
    }
}

TEST(Minimisers, ProfileCallerGetsItsMinimumAndItsQuitRequests) {
    struct Case {
        Answer quit, next;
        MinimiserEnd end;
    };
    for (const bool simplex : {true, false}) {
        for (const Case c : {Case{Answer::OK, Answer::OK, MinimiserEnd::Converged},
                             Case{Answer::Yes, Answer::OK, MinimiserEnd::ProfileQuit},
                             Case{Answer::No, Answer::Yes, MinimiserEnd::NextPoint},
                             Case{Answer::No, Answer::No, MinimiserEnd::Converged}}) {
            SCOPED_TRACE(simplex ? "Simplex" : "Marquardt");
            // Parameter 2 is profiled: held at 1.5 with step 0 while 1 and 3 move.
            MinimiserRig r(3, Quadratic({1, 2, 3}));
            r.Free(1, 0.0, 0.5);
            r.Free(2, 1.5, 0.0);
            r.Free(3, 0.0, 0.5);
            r.wb.engine.mlMode = true;
            r.wb.engine.evaluatedParameter = 2;
            r.wb.marquardt.derivativeKind = "N";
            r.wb.marquardt.showDerivatives = true;  // never shown while profiling
            ProfileHooks hooks{2, 4, 9};
            if (c.quit != Answer::OK) {
                // Interrupt once the first step has been accepted.
                r.t.dialogs.onProcessEvents = [&, clicked = false](int) mutable {
                    if (clicked || (simplex ? r.wb.simplex.iterations : r.wb.marquardt.iterations) < 1) return;
                    clicked = true;
                    (simplex ? r.wb.simplexView : r.wb.marquardtView).Click("cmdStop");
                };
                const std::string title = simplex ? "Simplex interrupt" : "Marquardt interrupt";
                r.t.dialogs.ExpectMessage(title, "Interrupt received. Do you want to quit the ML procedure?", c.quit);
                if (c.quit == Answer::No)
                    r.t.dialogs.ExpectMessage(title, "Do you want to continue starting with the NEXT point?", c.next);
            }
            SetUpRun(r.wb.alg, r.wb.engine);
            const auto result = simplex ? RunSimplex(r.wb, &hooks) : RunMarquardt(r.wb, &hooks);
            EXPECT_EQ(result.end, c.end);
            if (c.quit == Answer::No) {
                EXPECT_TRUE(r.t.dialogs.Last().secondIsDefault);
            }
            EXPECT_EQ(r.wb.alg.value[2], 1.5);
            EXPECT_EQ(hooks.stored, c.end == MinimiserEnd::Converged);
            if (hooks.stored) {
                EXPECT_NEAR(hooks.result, 0.25, 1e-5);  // (1.5 - 2)^2
                EXPECT_EQ(hooks.value, 1.5);
            }
            EXPECT_EQ(hooks.point == 11 && hooks.savedPoint == 4, c.end == MinimiserEnd::ProfileQuit);
            // No report, no message: the progress shows the profile position.
            EXPECT_EQ((simplex ? r.wb.simplexView.Area(2) : r.wb.marquardtView.Area(1)).find("Minimum of"),
                      std::string::npos);
            EXPECT_TRUE(r.t.status.EverShowed(
                "Calculating profile point 4 of 9, Value of parameter # 2 which is being profiled is: 1.50000E+00"));
            EXPECT_FALSE(r.t.status.EverShowed("Hessian function call 1 of 6"));
        }
    }
}

TEST(Minimisers, CommandsRefuseWhenNothingIsFreeAndOtherwiseMarkCovariancesStale) {
    for (const bool simplex : {true, false}) {
        MinimiserRig r(2, Quadratic({1, 2}));
        r.wb.app.covarianceCurrent = true;
        r.t.dialogs.ExpectMessage("There is nothing to do!", "All step sizes are zero");
        EXPECT_EQ((simplex ? SimplexCommand(r.wb) : MarquardtCommand(r.wb)).end, MinimiserEnd::NothingToDo);
        EXPECT_EQ(r.t.dialogs.Last().icon, Icon::Exclamation);
        EXPECT_TRUE(r.wb.app.covarianceCurrent);
        EXPECT_EQ(r.model.calls.size(), 1u);  // only the initialisation
        r.Free(1, 0.0, 0.5);
        Minimise(r, simplex ? Method::Simplex : Method::Numerical);
        EXPECT_FALSE(r.wb.app.covarianceCurrent);
    }
}

TEST(Minimisers, AStepOnlyOnAFusedFollowerLeavesNothingToDo) {
    for (const bool simplex : {true, false}) {
        MinimiserRig r(3, Quadratic({1, 2, 3}));
        r.wb.alg.fuse[1] = r.wb.alg.fuse[3] = "A";
        r.Free(3, 1.0, 0.5);  // the follower loses its step at the run set-up
        if (!simplex) r.ExpectMarquardtSetUp(false);
        r.t.dialogs.ExpectMessage("There is nothing to do!", "All step sizes are zero");
        EXPECT_EQ((simplex ? SimplexCommand(r.wb) : MarquardtCommand(r.wb)).end, MinimiserEnd::NothingToDo);
        EXPECT_EQ(r.model.calls.size(), 1u);  // only the initialisation
    }
}

TEST(Minimisers, ProgressLineIsRewrittenInPlaceAtMostEveryInterval) {
    FixedClock clock(1, 5, 2026, 10, 0);
    std::ostringstream out;
    ProgressLine line(out, clock, 0.5);
    line.Progress({"Simplex", 10, 25, 12.5});
    line.Progress({"Simplex", 11, 27, 12.25});  // too soon
    clock.Advance(0.6);
    line.Progress({"Simplex", 2, 9, 1.0});  // shorter: the rest of the old line is wiped
    line.Finish();
    EXPECT_EQ(out.str(),
              "\rSimplex: 10 iterations, 25 function calls, best 12.5"
              "\rSimplex: 2 iterations, 9 function calls, best 1     \n");

    // Both minimisers report as they go: each Simplex iteration, each Marquardt trial.
    for (const Method method : {Method::Simplex, Method::Numerical}) {
        MinimiserRig r(2, Rosenbrock());
        r.Free(1, -1.2, 0.1);
        r.Free(2, 1.0, 0.1);
        std::ostringstream progress;
        ProgressLine every(progress, r.t.clock, 0.0);
        r.wb.minimiserObserver = &every;
        const auto result = Minimise(r, method);
        const bool simplex = method == Method::Simplex;
        const auto last = std::string(simplex ? "\rSimplex: " : "\rMarquardt: ") +
                          std::to_string(result.iterations - (simplex ? 0 : 1)) + " iterations, ";
        EXPECT_NE(progress.str().find(last), std::string::npos) << progress.str().substr(0, 200);
    }
}
