#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/modCorvane.h"
#include "support/ScriptedDialogs.h"
#include "support/TestModels.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

struct Bench {
    explicit Bench(int np, FunctionModel::Function f = Quadratic(std::vector<double>(6, 0.0)))
        : model(np, std::move(f)), wb(t.ports(), &model) {
        InitialiseModel(wb);
        SetDefaultAlgorithmData(wb.alg, np);
    }
    FunctionModel model;
    TestPorts t;
    Workbench wb;
};

// A prior stand-in: the sum of the vector, so its effect is visible.
class SumPrior : public PriorSource {
public:
    double PriorNegLnL(const Vec1<double>& v) override {
        ++calls;
        double s = 0.0;
        for (int i = 1; i <= v.size(); ++i) s += v[i];
        return s;
    }
    int calls = 0;
};

}  // namespace

TEST(FuseGroups, FollowersTakeTheFirstMembersValueAndLoseTheirStep) {
    Bench b(6);
    auto& a = b.wb.alg;
    a.fuse[2] = "A";
    a.value[2] = 3.0;
    a.step[2] = 0.1;
    a.fuse[5] = "A";
    a.value[5] = 7.0;
    a.step[5] = 0.2;
    a.fuse[4] = "B";  // used once: not a fuse
    a.step[4] = 1.0;
    SetUpRun(a, b.wb.engine);
    EXPECT_EQ(a.value[5], 3.0);
    EXPECT_EQ(a.step[5], 0.0);
    EXPECT_EQ(a.fuse[4], "~~");
    EXPECT_EQ(b.wb.engine.groupCount, 2);
    EXPECT_EQ(b.wb.engine.nfree, 2);
    EXPECT_EQ(b.wb.engine.freeIndex[1], 2);
    EXPECT_EQ(b.wb.engine.freeIndex[2], 4);
    EXPECT_EQ(b.wb.engine.freeStep[1], 0.1);
}

TEST(FuseGroups, ExpansionRulesInNormalAndProfileModes) {
    Bench b(6);
    auto& a = b.wb.alg;
    a.fuse[2] = a.fuse[5] = a.fuse[6] = "A";
    a.step[2] = 0.1;
    SetUpRun(a, b.wb.engine);

    Vec1<double> v(6);
    for (int i = 1; i <= 6; ++i) v[i] = 10.0 * i;
    ExpandFuses(v, a, b.wb.engine);
    EXPECT_EQ(v[5], 20.0);
    EXPECT_EQ(v[6], 20.0);

    // Profiling parameter 5 (step 0): it keeps its value and hands it on.
    b.wb.engine.mlMode = true;
    b.wb.engine.evaluatedParameter = 5;
    for (int i = 1; i <= 6; ++i) v[i] = 10.0 * i;
    ExpandFuses(v, a, b.wb.engine);
    EXPECT_EQ(v[2], 20.0);
    EXPECT_EQ(v[5], 50.0);
    EXPECT_EQ(v[6], 50.0);

    // The same member with a step is overwritten even while profiling.
    a.step[5] = 0.3;
    for (int i = 1; i <= 6; ++i) v[i] = 10.0 * i;
    ExpandFuses(v, a, b.wb.engine);
    EXPECT_EQ(v[5], 20.0);
    EXPECT_EQ(a.step[5], 0.0);
}

TEST(Objective, EvaluationCountsCallsAndPassesTheCounterAsCallCode) {
    Bench b(3, Quadratic({1, 2, 3}));
    auto& a = b.wb.alg;
    a.value[1] = 5.0;
    a.value[3] = 3.0;
    a.step[1] = 1.0;
    a.step[2] = 1.0;
    SetUpRun(a, b.wb.engine);
    b.wb.engine.functionCalls = 0;
    b.model.calls.clear();
    Vec1<double> point(2);
    point[1] = 1.0;
    point[2] = 4.0;
    EXPECT_DOUBLE_EQ(EvaluateObjective(b.wb, point), 4.0);
    EXPECT_DOUBLE_EQ(EvaluateObjective(b.wb, point), 4.0);
    EXPECT_EQ(b.wb.engine.functionCalls, 2);
    EXPECT_EQ(b.model.calls, (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(a.value[1], 5.0);  // the algorithm data are not moved by an evaluation
}

TEST(Objective, ThePriorIsAddedThroughOneCallWhileInUse) {
    Bench b(2, Quadratic({0, 0}));
    SumPrior prior;
    b.wb.priors = &prior;
    b.wb.alg.value[1] = 1.0;
    b.wb.alg.value[2] = 2.0;
    b.wb.alg.step[1] = 1.0;
    SetUpRun(b.wb.alg, b.wb.engine);
    Vec1<double> p(1);
    p[1] = 1.0;
    EXPECT_DOUBLE_EQ(EvaluateObjective(b.wb, p), 5.0);
    EXPECT_EQ(prior.calls, 0);
    b.wb.engine.priorsInUse = true;
    EXPECT_DOUBLE_EQ(EvaluateObjective(b.wb, p), 8.0);
    EXPECT_EQ(prior.calls, 1);
    EXPECT_DOUBLE_EQ(b.wb.engine.priorContribution, 3.0);

    // The one-function call reports F with the prior, then reviews the priors.
    int reviews = 0;
    b.wb.priorReview = [&](Workbench&) { ++reviews; };
    EXPECT_DOUBLE_EQ(OneFunctionCall(b.wb).objective, 8.0);
    EXPECT_EQ(reviews, 1);

    // The real table with every row uniform-unbounded adds nothing.
    b.wb.priors = &b.wb.priorTable;
    EXPECT_DOUBLE_EQ(EvaluateObjective(b.wb, p), 5.0);
}

TEST(Objective, OneFunctionCallReportAndTiming) {
    Bench b(3, Quadratic({1, 2, 3}));
    b.wb.alg.value[1] = 1.5;
    b.wb.alg.value[2] = -0.25;
    b.wb.alg.value[3] = 3.0;
    // Fused to parameter 1: the call sets up its fuse groups first.
    b.wb.alg.fuse[1] = b.wb.alg.fuse[3] = "AB";
    b.model.calls.clear();
    // The model takes 0.123 s by the clock.
    FunctionModel slow(3, [&](const Vec1<double>& x) {
        b.t.clock.Advance(0.123);
        return Quadratic({1, 2, 3})(x);
    });
    b.wb.model = &slow;
    const auto r = OneFunctionCall(b.wb);
    EXPECT_EQ(slow.calls, (std::vector<std::int32_t>{1}));
    EXPECT_DOUBLE_EQ(r.seconds, 0.12);
    const std::string expected =
        "\r\nCurrent minimum of 7.5625 found at the following parameter values: \r\n\r\n"
        "    001)  1.5000000E+00  AB  Test parameter 1\r\n"
        "    002) -2.5000000E-01  ~~  Test parameter 2\r\n"
        "    003)  1.5000000E+00  AB  Test parameter 3\r\n"
        "\r\nNote: One function call requires about 0.12 seconds";
    EXPECT_EQ(r.report, expected);
    EXPECT_EQ(b.wb.oneCallView.Area(1), expected);
    EXPECT_TRUE(b.t.windows.IsOpen(b.wb.oneCallView));
    EXPECT_TRUE(b.t.status.EverShowed("One moment please..."));
    EXPECT_EQ(b.t.status.Get(panels::Activity(1)), "");
}

TEST(Objective, OneFunctionCallQuickerThanTheClockReadsLessThanASecond) {
    // 0.004 s rounds to 0.00 on the clock's hundredths; 0.005 rounds up to 0.01.
    const struct {
        double seconds;
        const char* note;
    } cases[] = {{0.0, "less than a second"}, {0.004, "less than a second"}, {0.005, "about 0.01 seconds"}};
    for (const auto& c : cases) {
        Bench b(1, Quadratic({0}));
        FunctionModel timed(1, [&](const Vec1<double>& x) {
            b.t.clock.Advance(c.seconds);
            return Quadratic({0})(x);
        });
        b.wb.model = &timed;
        const auto r = OneFunctionCall(b.wb);
        const std::string tail = std::string("Note: One function call requires ") + c.note;
        ASSERT_GE(r.report.size(), tail.size()) << c.seconds;
        EXPECT_EQ(r.report.substr(r.report.size() - tail.size()), tail) << c.seconds;
    }
}

TEST(Objective, ParametersFourToALine) {
    Vec1<int> idx(5);
    Vec1<double> val(5);
    for (int k = 1; k <= 5; ++k) {
        idx[k] = k * 2;
        val[k] = k;
    }
    EXPECT_EQ(ParametersFourToALine(idx, val, 5),
              "    002)  1.0000000E+00    004)  2.0000000E+00    006)  3.0000000E+00    008)  4.0000000E+00\r\n"
              "    010)  5.0000000E+00\r\n");
}

TEST(RunLog, OpeningAddsCvlOnceKeepsTheBareNameAndClosingStopsOutput) {
    Bench b(2);
    const auto dir = std::filesystem::temp_directory_path() / "corvane-runlog-test";
    std::filesystem::create_directories(dir);
    // The name as an algorithm file hands it over, padded to its field.
    b.wb.alg.outputFileName = "  minimize.cvl";
    const std::string chosen = (dir / "minimize.cvl").string();
    b.t.dialogs.ExpectFile("Save minimization progress in...", chosen)
        .ExpectMessage("Log file management", "The log file " + chosen + " is now open for output");
    ASSERT_TRUE(OpenRunLog(b.wb));
    EXPECT_EQ(b.t.dialogs.shown[0].request.initialName, "minimize.cvl");
    EXPECT_EQ(b.t.dialogs.shown[0].request.selectedFilter, 2);
    EXPECT_EQ(b.wb.alg.fileFrequency, 10);
    EXPECT_EQ(b.wb.alg.outputFileName, "minimize.cvl");
    EXPECT_NE(FormatAlgorithmFile(b.wb.alg, AlgorithmWriter::CommandMenu).find("\r\n  minimize.cvl  Name of output file\r\n"),
              std::string::npos);
    EXPECT_TRUE(b.wb.runLog.IsOpen());
    b.wb.runLog.WriteLine("progress");
    EXPECT_TRUE(std::filesystem::exists(chosen));
    EXPECT_FALSE(std::filesystem::exists(chosen + ".cvl"));

    b.t.dialogs.ExpectMessage("Log file management", "The old log file " + chosen + " is now closed for input");
    CloseRunLog(b.wb);
    EXPECT_FALSE(b.wb.runLog.IsOpen());
    EXPECT_EQ(b.wb.alg.fileFrequency, 0);
    std::ifstream in(chosen, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    EXPECT_EQ(s.str(), "progress\r\n");

    // A name the 14-character field cannot hold is refused, not cut.
    const std::string longName = (dir / "progress-of-fit").string();
    b.t.dialogs.ExpectFile("Save minimization progress in...", longName)
        .ExpectMessage("Log file management", "The log file name progress-of-fit.cvl is longer than the 14 characters");
    EXPECT_FALSE(OpenRunLog(b.wb));
    EXPECT_FALSE(b.wb.runLog.IsOpen());
    EXPECT_FALSE(std::filesystem::exists(longName + ".cvl"));
    EXPECT_EQ(b.wb.alg.outputFileName, "minimize.cvl");
    EXPECT_EQ(b.wb.alg.fileFrequency, 0);
    std::filesystem::remove_all(dir);
}

TEST(RunLog, NamesOfferedMadeAndKept) {
    EXPECT_EQ(RunLogOfferedName("  minimize.cvl"), "minimize.cvl");
    EXPECT_EQ(RunLogOfferedName("   "), "minimize.cvl");
    EXPECT_EQ(RunLogPath("/tmp/fit"), "/tmp/fit.cvl");
    EXPECT_EQ(RunLogPath("/tmp/fit.cvl"), "/tmp/fit.cvl");
    EXPECT_EQ(RunLogPath("C:\\runs\\FIT.CVL"), "C:\\runs\\FIT.CVL");
    EXPECT_EQ(RunLogPath("/tmp/fit.cvl.txt"), "/tmp/fit.cvl.txt.cvl");
    EXPECT_EQ(RunLogStoredName("/home/someone/long/directory/minimize.cvl"), "minimize.cvl");
    EXPECT_EQ(RunLogStoredName("C:\\runs\\abcdefghij.cvl"), "abcdefghij.cvl");  // exactly 14
    EXPECT_EQ(RunLogStoredName("/tmp/abcdefghijk.cvl"), std::nullopt);           // 15
    EXPECT_EQ(RunLogStoredName("/tmp/"), std::nullopt);
}

TEST(ModelInitialisation, ResetsPriorsAndLeavesEveryParameterUnfused) {
    Bench b(4);
    b.wb.priorTable.rows[2].type = 'N';
    b.wb.engine.priorsInUse = true;
    ASSERT_TRUE(InitialiseModel(b.wb));
    EXPECT_EQ(b.wb.alg.np, 4);
    EXPECT_EQ(b.wb.priorTable.Size(), 4);
    EXPECT_TRUE(b.wb.priorTable.AllUniformUnbounded());
    EXPECT_FALSE(b.wb.engine.priorsInUse);
    EXPECT_DOUBLE_EQ(b.wb.priorTable.reciprocalConstant, 2.0);
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(b.wb.alg.fuse[i], "~~");
    EXPECT_EQ(b.wb.alg.description[3], "Test parameter 3");
}
