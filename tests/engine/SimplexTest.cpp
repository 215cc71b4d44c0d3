#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>

#include "engine/AxialSearch.h"
#include "engine/Simplex.h"
#include "tests/engine/MinimiserRig.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

namespace act = simplex_action;

// A model that knows its value only at the points a test expects it to visit.
FunctionModel::Function Table(std::map<std::pair<double, double>, double> values) {
    return [values](const Vec1<double>& x) {
        const auto it = values.find({x[1], x[2]});
        if (it == values.end()) {
            ADD_FAILURE() << "unexpected point (" << x[1] << ", " << x[2] << ")";
            return 0.0;
        }
        return it->second;
    };
}

void Build(Workbench& wb) {
    SetUpRun(wb.alg, wb.engine);
    SizeSimplex(wb);
    for (int k = 1; k <= wb.engine.nfree; ++k) wb.simplex.vertex(1, k) = wb.engine.freeValue[k];
    BuildInitialSimplex(wb);
}

}  // namespace

TEST(SimplexStep, OneFreeParameterExtendsOrContracts) {
    // Vertices 0 (100) and 1 (81): R = 2 (64) beats both, E = 3 (49) is kept.
    MinimiserRig ext(1, Quadratic({10}));
    ext.Free(1, 0.0, 1.0);
    Build(ext.wb);
    SimplexStep(ext.wb);
    EXPECT_EQ(ext.wb.simplex.action, act::Extension);
    EXPECT_EQ(ext.wb.simplex.improved, 2);
    EXPECT_EQ(ext.wb.simplex.vertex(1, 1), 3.0);
    EXPECT_EQ(ext.wb.engine.functionCalls, 4);

    // Vertices -1 (4) and 0.5 (0.25): R = 2 (1) beats only the worst and is
    // accepted, then T = (2 + 0.5) / 2 = 1.25 (0.0625) replaces it.
    MinimiserRig con(1, Quadratic({1}));
    con.Free(1, -1.0, 1.5);
    Build(con.wb);
    SimplexStep(con.wb);
    EXPECT_EQ(con.wb.simplex.improved, 1);
    EXPECT_EQ(con.wb.simplex.action, act::ReflectionContraction);
    EXPECT_EQ(con.wb.simplex.vertex(1, 1), 1.25);
    EXPECT_EQ(con.wb.simplex.value[1], 0.0625);
}

TEST(SimplexStep, AReflectionWorseThanEveryVertexContractsAndOtherwiseReduces) {
    // Vertices (0,0) = 1, (1,0) = 3, (0,1) = 3: the tie keeps H at vertex 2,
    // so the centroid is (0, 0.5), R = (-1, 1), T = (0.5, 0.25).
    for (const double atT : {2.0, 4.0}) {
        MinimiserRig r(2, Table({{{0, 0}, 1}, {{1, 0}, 3}, {{0, 1}, 3}, {{-1, 1}, 5}, {{0.5, 0.25}, atT},
                                 {{0.5, 0}, 1.5}, {{0, 0.5}, 1.25}}));
        r.Free(1, 0.0, 1.0);
        r.Free(2, 0.0, 1.0);
        Build(r.wb);
        const SimplexState& s = r.wb.simplex;
        ASSERT_EQ(s.worst, 2);
        EXPECT_EQ(s.vertex(4, 1), 0.0);
        EXPECT_EQ(s.vertex(4, 2), 0.5);
        SimplexStep(r.wb);
        EXPECT_EQ(s.improved, 0);
        if (atT < 3.0) {
            EXPECT_EQ(s.action, act::Contraction);
            EXPECT_EQ(s.vertex(2, 1), 0.5);
            EXPECT_EQ(s.vertex(2, 2), 0.25);
            EXPECT_EQ(r.wb.engine.functionCalls, 5);
        } else {
            EXPECT_EQ(s.action, act::Reduction);
            EXPECT_EQ(s.vertex(2, 1), 0.5);
            EXPECT_EQ(s.vertex(2, 2), 0.0);
            EXPECT_EQ(s.vertex(3, 1), 0.0);
            EXPECT_EQ(s.vertex(3, 2), 0.5);
            EXPECT_EQ(s.value[3], 1.25);
            EXPECT_EQ(r.wb.engine.functionCalls, 7);
        }
    }
}

TEST(AxialSearch, ProbesBothWaysAndReturnsTheVertexExactly) {
    MinimiserRig r(1, Quadratic({5}));
    r.model.recordVectors = true;
    r.Free(1, 5.0, 2.0);
    Build(r.wb);
    r.model.evaluated.clear();
    const auto result = AxialSearch(r.wb, r.wb.simplex.value[1]);
    EXPECT_FALSE(result.improved);
    ASSERT_EQ(r.model.evaluated.size(), 2u);
    EXPECT_DOUBLE_EQ(r.model.evaluated[0][1], 5.2);
    EXPECT_DOUBLE_EQ(r.model.evaluated[1][1], 4.8);
    EXPECT_EQ(r.wb.simplex.vertex(1, 1), 5.0);
    EXPECT_TRUE(r.t.status.EverShowed("Axial function call 2 of 2"));
    EXPECT_EQ(r.t.status.Get(panels::Activity(2)), " ");
}

TEST(AxialSearch, ImprovementRulesOfBothVariants) {
    // Absolute: the probe must beat f_min by more than the tolerance.
    EXPECT_FALSE(SimplexProbeImproves(9.95, 10, 0.1));
    EXPECT_TRUE(SimplexProbeImproves(9.85, 10, 0.1));
    EXPECT_FALSE(MarquardtProbeImproves(9.95, 10, 0.1));
    EXPECT_TRUE(MarquardtProbeImproves(9.85, 10, 0.1));
    // Zero: any decrease for the Simplex, never for Marquardt.
    EXPECT_TRUE(SimplexProbeImproves(9.999, 10, 0.0));
    EXPECT_FALSE(SimplexProbeImproves(10, 10, 0.0));
    EXPECT_FALSE(MarquardtProbeImproves(0, 10, 0.0));
    // Relative.
    EXPECT_FALSE(SimplexProbeImproves(9.95, 10, -0.01));
    EXPECT_TRUE(SimplexProbeImproves(9.85, 10, -0.01));
    EXPECT_FALSE(MarquardtProbeImproves(9.95, 10, -0.01));
    EXPECT_TRUE(MarquardtProbeImproves(9.85, 10, -0.01));
    // A negative minimum: a worse probe is never an improvement.
    EXPECT_FALSE(SimplexProbeImproves(-9.95, -10, -0.01));
    EXPECT_FALSE(SimplexProbeImproves(-10.05, -10, -0.01));
    EXPECT_TRUE(SimplexProbeImproves(-10.2, -10, -0.01));
    EXPECT_TRUE(MarquardtProbeImproves(-10.2, -10, -0.01));
    // f_min of 0: no relative improvement, and no division fault.
    EXPECT_FALSE(MarquardtProbeImproves(-5, 0, -0.01));
}

TEST(AxialSearch, SecondRestartWarnsOfATuningProblemAndRebuildsAroundTheBetterPoint) {
    MinimiserRig r(2, Quadratic({0, 0}));
    r.Free(1, 3.0, 1.0);
    r.Free(2, 3.0, 1.0);
    r.wb.alg.reductionFraction = 0.5;
    SetUpRun(r.wb.alg, r.wb.engine);
    SizeSimplex(r.wb);
    SimplexState& s = r.wb.simplex;
    const double vertices[3][2] = {{3, 3}, {3.01, 3}, {3, 3.01}};
    for (int v = 1; v <= 3; ++v) {
        s.vertex(v, 1) = vertices[v - 1][0];
        s.vertex(v, 2) = vertices[v - 1][1];
        EvaluateVertex(r.wb, v);
    }
    RecomputeSimplexExtremes(r.wb);
    s.restarts = 1;
    s.done = false;
    VerifyByAxialSearch(r.wb);  // 3.5 is worse, 2.5 better: restart from (2.5, 3)
    EXPECT_FALSE(s.done);
    EXPECT_EQ(s.restarts, 2);
    EXPECT_EQ(r.t.status.Get(panels::Activity(4)), "Multiple restarts indicate a tuning problem!");
    EXPECT_EQ(r.t.status.Get(panels::Activity(3)), "Last failure of convergence verification caused by parameter # 1");
    EXPECT_EQ(s.vertex(1, 1), 2.5);
    EXPECT_EQ(s.vertex(1, 2), 3.0);
    EXPECT_DOUBLE_EQ(s.vertex(2, 1), 3.51);
    EXPECT_DOUBLE_EQ(s.vertex(3, 2), 3.51);
    EXPECT_EQ(s.value[1], 15.25);
    EXPECT_EQ(s.best, 1);
}

TEST(Simplex, WindowShowsTheInitialSimplexAndTheFinalReport) {
    MinimiserRig r(2, Rosenbrock());
    r.Free(1, -1.2, 0.1);
    r.Free(2, 1.0, 0.1);
    r.wb.alg.tolerance = 1e-10;
    const auto result = Minimise(r, Method::Simplex);
    EXPECT_EQ(r.t.dialogs.Last().title, "Simplex minimum");
    EXPECT_EQ(r.t.dialogs.Last().icon, Icon::Information);
    EXPECT_TRUE(r.wb.alg.simplexCurrent);
    EXPECT_EQ(r.wb.simplexView.Area(1).rfind("\r\nInitial Simplex: Starting function value> 24.2 Max> 24.2 Min> 8.82\r\n"
                                             "\r\nInitial parameter values:\r\n\r\n"
                                             "    001) -1.2000000E+00  ~~  Test parameter 1\r\n",
                                             0),
              0u);
    const std::string& final = r.wb.simplexView.Area(2);
    EXPECT_EQ(final.rfind("\r\nMinimum of 0. found at these 2 adjusted parameter values:\r\n    001) ", 0), 0u) << final;
    EXPECT_NE(final.find("\r\n\r\nThis result required " + std::to_string(result.iterations) + " iterations, " +
                         std::to_string(result.functionCalls) + " function calls, and 0 restarts"),
              std::string::npos);
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(r.t.status.Get(panels::Activity(k)), "");
}

TEST(Simplex, FunctionCallLimitAsksAndNoEndsWithOneFinalDisplay) {
    MinimiserRig r(2, Rosenbrock());
    r.Free(1, -1.2, 0.1);
    r.Free(2, 1.0, 0.1);
    r.wb.alg.maxCalls = 30;
    r.wb.alg.terminalFrequency = 1000;  // progress only at iteration 1, then the final display
    r.t.dialogs.ExpectMessage("Simplex minimization", "Maximum number of function calls reached", Answer::Yes)
        .ExpectMessage("Simplex minimization", "do you want to continue?", Answer::No);
    const auto result = SimplexCommand(r.wb);
    EXPECT_EQ(result.end, MinimiserEnd::LimitReached);
    // Yes started the count afresh, so the second question came past 30 again.
    EXPECT_GT(result.functionCalls, 30);
    EXPECT_LE(result.functionCalls, 30 + 4);
    EXPECT_GT(result.iterations, 20);
    const SimplexState& s = r.wb.simplex;
    EXPECT_EQ(r.wb.alg.value[1], s.vertex(s.best, 1));
    EXPECT_EQ(r.wb.alg.value[2], s.vertex(s.best, 2));
    EXPECT_TRUE(r.t.status.EverShowed("One moment please..."));
    EXPECT_NE(r.wb.simplexView.Area(2).find("Note: " + std::to_string(result.iterations) + " iterations"),
              std::string::npos);
    EXPECT_NE(r.wb.simplexView.Area(2).find("Minimization stopped at the limit of function calls after " +
                                            std::to_string(result.iterations) + " iterations"),
              std::string::npos);
}

TEST(Simplex, TerminalFrequencyZeroShowsNothingAndOneShowsEveryAction) {
    for (const int frequency : {0, 1}) {
        MinimiserRig r(2, Rosenbrock());
        r.Free(1, -1.2, 0.1);
        r.Free(2, 1.0, 0.1);
        r.wb.alg.terminalFrequency = frequency;
        r.wb.alg.maxCalls = 12;
        r.t.dialogs.ExpectMessage("Simplex minimization", "Maximum number of function calls reached", Answer::No);
        const auto result = SimplexCommand(r.wb);
        if (frequency == 0) {
            EXPECT_EQ(r.wb.simplexView.Area(1), "");
            // No progress, only the word that the run stopped.
            EXPECT_EQ(r.wb.simplexView.Area(2), SimplexStoppedText(r.wb, MinimiserEnd::LimitReached));
        } else {
            const std::string& text = r.wb.simplexView.Area(2);
            EXPECT_NE(text.find("Note: " + std::to_string(result.iterations) + " iterations"), std::string::npos);
            EXPECT_NE(text.find("\r\n\r\nNumber of function values (parameter vectors) improved: "), std::string::npos);
            EXPECT_NE(text.find("; Action accepted: " + r.wb.simplex.action + "\r\n\r\n"), std::string::npos);
        }
    }
}

TEST(Simplex, RelativeToleranceWithABestValueOfZeroStopsWithoutWritingBack) {
    // Zero everywhere below 1: the simplex lands on that flat and the
    // relative measure has no meaning there.
    MinimiserRig r(1, [](const Vec1<double>& x) { return std::pow(std::max(0.0, x[1] - 1.0), 2); });
    r.Free(1, 5.0, -4.0);
    r.wb.alg.tolerance = -1e-6;
    r.t.dialogs.ExpectMessage("Simplex error",
                              "A function value of zero has caused a division by zero error.\r\n"
                              "Reset the tolerance to ABSolute or otherwise correct model");
    const auto result = SimplexCommand(r.wb);
    EXPECT_EQ(result.end, MinimiserEnd::SimplexError);
    EXPECT_EQ(r.t.dialogs.Last().icon, Icon::InformationCritical);
    EXPECT_NE(r.wb.simplex.vertex(r.wb.simplex.best, 1), 5.0);
    EXPECT_EQ(r.wb.alg.value[1], 5.0);
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(r.t.status.Get(panels::Activity(k)), "");
}

TEST(Simplex, InterruptButtonAsksWhetherToQuit) {
    for (const Answer answer : {Answer::Yes, Answer::No}) {
        MinimiserRig r(2, Rosenbrock());
        r.Free(1, -1.2, 0.1);
        r.Free(2, 1.0, 0.1);
        r.t.dialogs.onProcessEvents = [&](int call) {
            if (call != 3) return;
            r.wb.simplexView.Click("cmdStop");
            EXPECT_FALSE(r.wb.simplexView.Button("cmdStop")->enabled);
            EXPECT_EQ(r.t.status.Get(panels::Activity(1)), "Interrupt pending...");
        };
        r.t.dialogs.ExpectMessage("Simplex interrupt", "Interrupt received. Do you want to quit minimizing?", answer);
        if (answer == Answer::No) r.t.dialogs.ExpectMessage("Simplex minimum", "Minimum found using Simplex!");
        const auto result = SimplexCommand(r.wb);
        EXPECT_TRUE(r.wb.simplexView.Button("cmdStop")->enabled);
        EXPECT_FALSE(r.wb.engine.interruptRequested);
        if (answer == Answer::Yes) {
            EXPECT_EQ(result.end, MinimiserEnd::Interrupted);
            EXPECT_EQ(result.iterations, 3);
            EXPECT_EQ(r.wb.alg.value[1], r.wb.simplex.vertex(r.wb.simplex.best, 1));
            // The window says that it stopped and kept its best point.
            const std::string& text = r.wb.simplexView.Area(2);
            EXPECT_NE(text.find("Minimization stopped on request after 3 iterations: the best point found, with a "
                                "function value of "),
                      std::string::npos)
                << text;
            EXPECT_NE(text.find(", is kept as the current parameter values."), std::string::npos);
        } else {
            EXPECT_EQ(result.end, MinimiserEnd::Converged);
        }
    }
}

TEST(Simplex, ASecondRunContinuesFromTheCurrentSimplexUntilTheFlagIsCleared) {
    MinimiserRig r(2, Rosenbrock());
    r.Free(1, -1.2, 0.1);
    r.Free(2, 1.0, 0.1);
    r.wb.alg.tolerance = 1e-2;
    r.model.recordVectors = true;
    auto firstPointOfARun = [&] {
        r.model.evaluated.clear();
        r.t.dialogs.ExpectMessage("Simplex minimum", "Minimum found using Simplex!");
        SimplexCommand(r.wb);
        return r.model.evaluated.at(0);
    };
    firstPointOfARun();
    const Vec1<double> start = r.wb.alg.value;
    const Vec1<double> continued = firstPointOfARun();
    EXPECT_FALSE(continued[1] == start[1] && continued[2] == start[2]);  // a reflection, not vertex 1
    r.wb.alg.simplexCurrent = false;  // as loading or editing does
    const Vec1<double> from = r.wb.alg.value;
    const Vec1<double> rebuilt = firstPointOfARun();
    EXPECT_EQ(rebuilt[1], from[1]);
    EXPECT_EQ(rebuilt[2], from[2]);
}

TEST(Simplex, RunLogGoldenText) {
    MinimiserRig r(3, Quadratic({1, 2, 0}, {1, 4, 1}));
    r.Free(1, 0.0, 0.5);
    r.Free(2, 0.0, 0.5);
    r.wb.alg.tolerance = 1e-3;
    r.wb.alg.fileFrequency = 4;
    const auto dir = TempDir("simplex-log");
    ASSERT_TRUE(r.wb.runLog.Open((dir / "minimize.cvl").string()));
    r.t.dialogs.ExpectMessage("Simplex minimum", "Minimum found using Simplex!");
    SimplexCommand(r.wb);
    r.wb.runLog.Close();
    const auto block = [](const char* note, const char* values, const char* current) {
        return CrLfLines({"", note, "", "Current minimum found at these 2 adjusted parameter values: ", "", values, "",
                          "", current, ""});
    };
    const std::string expected =
        CrLfLines({"", "", "Initial parameter values:", "", "    001)  0.0000000E+00    002)  0.0000000E+00", "", "",
                   "Initial Simplex: Starting function value> 17. Max> 17. Min> 10."}) +
        block("Note: 1 iterations, 5 function calls, and 0 restarts", "    001)  7.5000000E-01    002)  7.5000000E-01",
              "Current: Min> 6.3125      Max> 16.25      Abs TC> 9.9375E+00") +
        block("Note: 5 iterations, 13 function calls, and 0 restarts", "    001)  8.7500000E-01    002)  2.1250000E+00",
              "Current: Min> 0.07812      Max> 0.82812      Abs TC> 7.5000E-01") +
        block("Note: 9 iterations, 20 function calls, and 0 restarts", "    001)  1.0820312E+00    002)  1.9648438E+00",
              "Current: Min> 0.01167      Max> 0.07812      Abs TC> 6.6452E-02") +
        block("Note: 13 iterations, 28 function calls, and 0 restarts", "    001)  1.0133820E+00    002)  1.9872894E+00",
              "Current: Min> 0.00083      Max> 0.00395      Abs TC> 3.1288E-03") +
        CrLfLines({"", "", "Minimum of 0.00044 found at these 2 adjusted parameter values:", "",
                   "    001)  9.8716259E-01    002)  2.0083094E+00", "", "",
                   "This result required 16 iterations, 37 function calls, and 0 restarts", ""});
    EXPECT_EQ(ReadWholeFile(dir / "minimize.cvl"), expected);
    std::filesystem::remove_all(dir);
}

TEST(Simplex, ARunLogOnAFullDiskIsReportedOnceTheRunEnds) {
    // /dev/full takes the file but refuses every write, as a full disk does.
    for (const bool marquardt : {false, true}) {
        MinimiserRig r(2, Quadratic({1, 2}));
        r.Free(1, 0.0, 0.5);
        r.Free(2, 0.0, 0.5);
        r.wb.alg.tolerance = 1e-3;
        r.wb.alg.fileFrequency = 1;
        ASSERT_TRUE(r.wb.runLog.Open("/dev/full"));
        if (marquardt) {
            r.ExpectMarquardtSetUp(false);
            r.t.dialogs.ExpectMessage("Marquardt minimum", "Minimum found using Marquardt!");
        } else {
            r.t.dialogs.ExpectMessage("Simplex minimum", "Minimum found using Simplex!");
        }
        r.t.dialogs.ExpectMessage("Log file management",
                                  "The log file /dev/full could not be written (No space left on device)");
        marquardt ? MarquardtCommand(r.wb) : SimplexCommand(r.wb);
        EXPECT_TRUE(r.wb.runLog.Failed());
        EXPECT_EQ(r.t.dialogs.Last().icon, Icon::Exclamation);
        // Told once; a new log starts clean.
        EXPECT_FALSE(ReportRunLogFailure(r.wb));
        const auto dir = TempDir("simplex-log-after-full");
        ASSERT_TRUE(r.wb.runLog.Open((dir / "minimize.cvl").string()));
        EXPECT_FALSE(r.wb.runLog.Failed());
        r.wb.runLog.Close();
        std::filesystem::remove_all(dir);
    }
}
