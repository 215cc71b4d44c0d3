// corvane-cli fit, run as the built program on the rig tag-recapture data
// (Gaussian errors, b = 0; L-infinity mean and SD, k mean and SD free).
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "CliRun.h"
#include "numeric/Format.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

constexpr double kRigMinimum = 347.575882;  // as both minimisers find it

// The first four parameters free (steps 10, 3, 0.1, 0.05), from a poor start
// (the minimum is near 104.6, 12.0, 0.372, 1.90), or from the given values.
std::string RigAlg(const ScratchDir& dir, const std::string& name, double tolerance = 1e-6,
                   std::vector<double> values = Fixed19(80, 30, 1.0, 0.5)) {
    AlgorithmData a;
    a.np = 19;
    SetDefaultAlgorithmData(a, a.np);
    for (int i = 1; i <= a.np; ++i) a.value[i] = values[static_cast<std::size_t>(i - 1)];
    a.step[1] = 10, a.step[2] = 3, a.step[3] = 0.1, a.step[4] = 0.05;
    a.tolerance = tolerance;
    return dir.Write(name, FormatAlgorithmFile(a, AlgorithmWriter::CommandMenu));
}

std::string Q(const std::string& path) { return " \"" + path + "\""; }
std::string Fit(const std::string& alg) {
    return "fit --increments" + Q(DataPath("rig_increments.dat")) + " --alg" + Q(alg);
}
bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

AlgorithmData ReadAlg(const std::string& path) {
    AlgorithmData a;
    SetDefaultAlgorithmData(a, a.np = 19);
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(ReadAlgorithmText(in, a.np, path, a).ok()) << path;
    return a;
}

double EvaluateAt(const ScratchDir& dir, const std::string& alg) {
    const CliRun run = RunCli(dir, "evaluate --increments" + Q(DataPath("rig_increments.dat")) + " --alg" +
                                       Q(alg) + " --value");
    EXPECT_EQ(run.status, 0) << run.err;
    return std::stod(run.out);
}

bool CrLfOnly(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
    return !text.empty() && text.back() == '\n';
}

}  // namespace

TEST(CliFit, BothMethodsReachTheRigMinimumFromAPoorStart) {
    ScratchDir dir;
    const std::string start = RigAlg(dir, "start.alg");
    double minimum[2];
    AlgorithmData estimate[2];
    for (int m = 0; m < 2; ++m) {
        const std::string method = m == 0 ? "simplex" : "marquardt", saved = dir.Path(method + ".alg");
        const CliRun run = RunCli(dir, Fit(start) + " --method " + method + " --value --save-alg" + Q(saved));
        ASSERT_EQ(run.status, 0) << method << "\n" << run.err;
        EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << "one line only";
        minimum[m] = std::stod(run.out);
        EXPECT_NEAR(minimum[m], kRigMinimum, 1e-4) << method;
        estimate[m] = ReadAlg(saved);
        EXPECT_NEAR(EvaluateAt(dir, saved), minimum[m], 1e-4) << method;  // the save round trip
    }
    EXPECT_NEAR(minimum[0], minimum[1], 1e-4);
    // The model uses magnitudes; the Simplex may keep a negative sign.
    for (int i = 1; i <= 4; ++i)
        EXPECT_NEAR(std::fabs(estimate[0].value[i]), estimate[1].value[i], 2e-3 * estimate[1].value[i]) << i;
}

TEST(CliFit, PrintsTheWindowsReportLogsAndSavesInTheDesktopLayouts) {
    ScratchDir dir;
    const std::string log = dir.Path("simplex.cvl"), saved = dir.Path("saved.alg");
    CliRun run = RunCli(dir, Fit(RigAlg(dir, "start.alg")) + " --log" + Q(log) + " --log-every 1 --save-alg" + Q(saved));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("\nInitial Simplex: Starting function value> 425.86545 Max> ", 0), 0u) << run.out;
    EXPECT_TRUE(Has(run.out, "\nMinimum of 347.57588 found at these 4 adjusted parameter values:\n    001) "));
    EXPECT_FALSE(Has(run.out, "\r"));
    // Standard error is no terminal here: a run this short shows no progress
    // line, and never a carriage return.
    EXPECT_EQ(run.err.rfind("Simplex minimum: Minimum found using Simplex!\n", 0), 0u) << run.err;
    EXPECT_FALSE(Has(run.err, "\r"));

    const std::string logText = ReadFile(log);
    EXPECT_TRUE(CrLfOnly(logText));
    EXPECT_EQ(logText.rfind("\r\n\r\nInitial parameter values:\r\n\r\n    001)  8.0000000E+01    002) ", 0), 0u);
    EXPECT_TRUE(Has(logText, "\r\nNote: 1 iterations, 7 function calls, and 0 restarts\r\nNumber of function values "
                             "(parameter vectors) improved: 5; Action accepted: Extension             \r\n"));
    EXPECT_TRUE(Has(logText, "\r\n\r\nMinimum of 347.57588 found at these 4 adjusted parameter values:\r\n\r\n"));
    const std::string savedText = ReadFile(saved);
    EXPECT_TRUE(CrLfOnly(savedText));
    EXPECT_TRUE(Has(savedText, "\r\n             1  File output frequency\r\n   simplex.cvl  Name of output file\r\n"));

    const std::string mlog = dir.Path("marquardt.cvl");
    run = RunCli(dir, Fit(saved) + " --method marquardt --log" + Q(mlog));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("\nMinimum of 347.57588 found at these 4 adjusted parameter values:\n    001) ", 0), 0u);
    EXPECT_TRUE(Has(run.err, "Marquardt minimum: Minimum found using Marquardt!\n"));
    EXPECT_FALSE(Has(run.err, "Marquardt minimization:"));  // set-up answered by the options
    const std::string mlogText = ReadFile(mlog);
    EXPECT_TRUE(CrLfOnly(mlogText));
    EXPECT_EQ(mlogText.rfind("\r\nNote: 1 iterations and ", 0), 0u);
    EXPECT_TRUE(Has(mlogText, "\r\n\r\nMinimum of 347.57588 found at these 4 adjusted parameter values:\r\n\r\n"));

    ASSERT_EQ(RunCli(dir, "help fit").status, 0);
    for (const char* option : {"--method simplex|marquardt", "--derivatives numerical|analytical", "--log-every N",
                               "--on-limit stop|continue", "--increments FILE"})
        EXPECT_TRUE(Has(ReadFile(dir.Path("stdout.txt")), option)) << option;
}

TEST(CliFit, RunsWithoutAVerifiedMinimumExitWithOneAndKeepWhatTheyHave) {
    ScratchDir dir;
    const std::string fit = Fit(RigAlg(dir, "start.alg")), saved = dir.Path("saved.alg");

    // The function-call limit answered "stop": the best vertex so far.
    CliRun run = RunCli(dir, fit + " --max-calls 50 --save-alg" + Q(saved));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "Simplex minimization: Maximum number of function calls reached, do you want to continue?"));
    EXPECT_TRUE(Has(run.out, "\nNote: ")) << run.out;
    EXPECT_TRUE(Has(run.out, "    001) " + RightJustify(Format(ReadAlg(saved).value[1], "0.0000000E+00"), 14)));
    EXPECT_EQ(ReadAlg(saved).maxCalls, 50);
    run = RunCli(dir, fit + " --max-calls 50 --value");
    EXPECT_EQ(run.status, 1);
    EXPECT_GT(std::stod(run.out), kRigMinimum + 1.0);
    EXPECT_NEAR(EvaluateAt(dir, saved), std::stod(run.out), 1e-4);

    // Answered "continue": the count starts again and the run converges.
    run = RunCli(dir, fit + " --max-calls 50 --on-limit continue --value");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NEAR(std::stod(run.out), kRigMinimum, 1e-4);

    // Marquardt's iteration limit: the last accepted point.
    run = RunCli(dir, fit + " --method marquardt --max-calls 3 --save-alg" + Q(saved));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "Marquart minimization stopped: Maximum number of iterations reached"));
    EXPECT_EQ(run.out.rfind("\nNote: 3 iterations and ", 0), 0u) << run.out;
    EXPECT_NEAR(EvaluateAt(dir, saved), std::stod(run.out.substr(run.out.find("Current Min> ") + 13, 11)), 1e-4);

    // This model has no analytical derivatives: the start is kept.
    run = RunCli(dir, fit + " --method marquardt --derivatives analytical --value --save-alg" + Q(saved));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "Analytical derivatives missing: Sorry, analytical derivatives seem not to have been"));
    EXPECT_NEAR(std::stod(run.out), 425.86545, 1e-5);
    EXPECT_EQ(ReadAlg(saved).value[1], 80.0);
}

TEST(CliFit, AnInterruptSignalEndsTheRunWithItsBestPoint) {
    ScratchDir dir;
    // Tolerance 0 never converges and the limit is answered "continue": only
    // the interrupt ends this run.
    const std::string start = RigAlg(dir, "start.alg", 0.0), saved = dir.Path("saved.alg");
    const std::string data = DataPath("rig_increments.dat"), log = dir.Path("run.cvl");
    // Under way once the run log shows iterations (standard error is no
    // terminal, so a run this short writes no progress line there).
    const CliRun run = InterruptCli(dir,
                                    {"fit", "--increments", data, "--alg", start, "--max-calls", "200", "--on-limit",
                                     "continue", "--save-alg", saved, "--log", log, "--log-every", "1"},
                                    [&] { return Has(ReadFile(log), "Note: 1 iterations"); });
    ASSERT_NE(run.status, -1) << "the run did not stop at the interrupt";
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "Simplex interrupt: Interrupt received. Do you want to quit minimizing?"));
    EXPECT_TRUE(Has(run.out, "Current minimum found at these 4 adjusted parameter values:"));
    // A stopped run replaces nothing: its best point and its log are kept
    // beside the names asked for.
    EXPECT_FALSE(std::filesystem::exists(saved));
    EXPECT_FALSE(std::filesystem::exists(log));
    EXPECT_LT(EvaluateAt(dir, saved + ".partial"), 425.0);
    EXPECT_TRUE(Has(ReadFile(log + ".partial"), "Note: 1 iterations"));
    EXPECT_TRUE(Has(run.err, "what it finished is in " + saved + ".partial; " + saved + " is left as it was"));
}

TEST(CliFit, BadInputExitsWithTwoAndNothingOnStandardOutput) {
    ScratchDir dir;
    const std::string start = RigAlg(dir, "start.alg"), startText = ReadFile(start), fit = Fit(start);
    const std::string data = DataPath("rig_increments.dat");
    AlgorithmData fused;  // the only step is on the second member of a fuse group
    SetDefaultAlgorithmData(fused, fused.np = 19);
    fused.fuse[1] = fused.fuse[2] = "A";
    fused.step[2] = 1.0;
    fused.value[1] = fused.value[2] = 50;
    const struct {
        std::string arguments, message;
    } cases[] = {
        {fit + " --method newton", "--method takes simplex or marquardt, not \"newton\""},
        {fit + " --derivatives analytical", "--derivatives belongs to --method marquardt"},
        {fit + " --method marquardt --derivatives exact", "--derivatives takes numerical or analytical"},
        {fit + " --on-limit ask", "--on-limit takes stop or continue"},
        {fit + " --method marquardt --on-limit continue", "--on-limit belongs to the Simplex"},
        {fit + " --max-calls 0", "--max-calls needs a whole number from 1 to 2147483647"},
        {fit + " --log-every 5", "--log-every needs --log FILE"},
        {fit + " --log" + Q(dir.Path("x.cvl")) + " --log-every 40000", "--log-every needs a whole number from 1"},
        {fit + " --log" + Q(start), "--log names the --alg file"},
        {fit + " --log" + Q(data), "--log names the --increments file"},
        {fit + " --save-alg" + Q(data), "--save-alg names the --increments file"},
        {fit + " --save-alg" + Q(dir.Path("no/such/x.alg")), "does not exist"},
        {fit + " --log" + Q(dir.Path("same")) + " --save-alg" + Q(dir.Path("same")), "name the same file"},
        {Fit(dir.Write("frozen.alg", AlgorithmText(Fixed19(80, 30, 1, 0.5)))), "All step sizes are zero"},
        {Fit(dir.Write("fused.alg", FormatAlgorithmFile(fused, AlgorithmWriter::CommandMenu))),
         "There is nothing to do!: All step sizes are zero"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(dir, c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments << "\n" << run.err;
        EXPECT_EQ(run.out, "") << c.arguments;
        EXPECT_TRUE(Has(run.err, c.message)) << c.arguments << "\n" << run.err;
    }
    EXPECT_EQ(ReadFile(start), startText);  // refused outputs never touch an input
    EXPECT_FALSE(std::filesystem::exists(dir.Path("same")) || std::filesystem::exists(dir.Path("x.cvl")));
}

TEST(CliFit, EvaluateTheOneFunctionCallAndTheFitStartAgreeOnFusedParameters) {
    // SD of k fused to mean k: every road takes the first member's value.
    ScratchDir dir;
    AlgorithmData a;
    SetDefaultAlgorithmData(a, a.np = 19);
    const auto values = Fixed19(150, 20, 0.3, 0.1);
    for (int i = 1; i <= a.np; ++i) a.value[i] = values[static_cast<std::size_t>(i - 1)];
    a.step[1] = 10, a.step[3] = 0.1, a.step[4] = 0.05;
    a.fuse[3] = a.fuse[4] = "K";
    const std::string alg = dir.Write("fused.alg", FormatAlgorithmFile(a, AlgorithmWriter::CommandMenu));
    const double evaluated = EvaluateAt(dir, alg);

    GrowthBench desktop;
    ASSERT_TRUE(desktop.InitialiseIncrements(DataPath("rig_increments.dat")));
    ASSERT_TRUE(ReadAlgorithmFile(desktop.wb, alg));
    SetUpRun(desktop.wb.alg, desktop.wb.engine);  // as the command menu does
    const double oneCall = OneFunctionCall(desktop.wb).objective;
    EXPECT_DOUBLE_EQ(evaluated, oneCall);
    auto fusedByHand = values;
    fusedByHand[3] = 0.3;
    EXPECT_DOUBLE_EQ(evaluated, desktop.Evaluate(fusedByHand));
    EXPECT_GT(std::fabs(evaluated - desktop.Evaluate(values)), 1.0);

    const CliRun run = RunCli(dir, Fit(alg) + " --max-calls 5 --log" + Q(dir.Path("fused.cvl")) + " --log-every 1");
    EXPECT_EQ(run.status, 1) << run.err;  // stops at the limit
    const std::string log = ReadFile(dir.Path("fused.cvl"));
    EXPECT_TRUE(Has(log, "Initial Simplex: Starting function value> " + Format(evaluated, "####0.#####") + " ")) << log;
}

TEST(CliFit, WritesThatFailEndWithOneAndSayWhy) {
    ScratchDir dir;
    const std::string alg = RigAlg(dir, "start.alg");
    auto run = [&](const std::string& arguments, const std::string& stdoutPath) {
        const std::string command = std::string("cd \"") + CORVANE_SOURCE_DIR + "\" && \"" + CORVANE_CLI + "\" " +
                                    arguments + " >" + stdoutPath + " 2>\"" + dir.Path("stderr.txt") + "\"";
        const int rc = std::system(command.c_str());
        return std::make_pair(WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, ReadFile(dir.Path("stderr.txt")));
    };
    // Standard output that cannot be written.
    for (const std::string& command : {Fit(alg) + " --value",
                                       std::string("evaluate --increments") + Q(DataPath("rig_increments.dat")) +
                                           " --alg" + Q(alg)}) {
        const auto [status, err] = run(command, "/dev/full");
        EXPECT_EQ(status, 1) << command;
        EXPECT_TRUE(Has(err, ": standard output could not be written\n")) << err;
    }
    // A run log on a full disk: the run ends, its report is printed, the
    // status says the command failed.
    const auto [status, err] = run(Fit(alg) + " --log /dev/full --log-every 1", "\"" + dir.Path("out.txt") + "\"");
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(Has(err, "Simplex minimum: Minimum found using Simplex!")) << err;
    EXPECT_TRUE(Has(err, "Log file management: The log file /dev/full could not be written (No space left on device)")) << err;
    EXPECT_TRUE(Has(ReadFile(dir.Path("out.txt")), "Minimum of 347.57588 found"));
}

TEST(CliEvaluate, AVectorTheModelCannotTakeIsRefusedNamingTheParameter) {
    ScratchDir dir;
    auto values = Fixed19(150, 20, 0.3, 0.1);
    values[3] = -1e150;
    const CliRun run = RunCli(dir, "evaluate --increments" + Q(DataPath("rig_increments.dat")) + " --alg" +
                                       Q(RigAlg(dir, "far.alg", 1e-6, values)));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "corvane-cli evaluate: the objective could not be computed: parameter 4 (SD of k (von "
                       "Bertalanffy) [0]) is -1E+150, beyond the largest magnitude the model takes (1E+100)\n");
}
