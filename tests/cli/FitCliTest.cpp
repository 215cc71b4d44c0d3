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
#include <sstream>
#include <string>
#include <thread>

#include "CliRun.h"
#include "numeric/Format.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

// The minimum of the rig model, as both minimisers find it.
constexpr double kRigMinimum = 347.575882;

// An algorithm file with the first four parameters free (steps 10, 3, 0.1, 0.05).
std::string RigAlg(const ScratchDir& dir, const std::string& name, const std::vector<double>& start,
                   double tolerance = 1e-6) {
    AlgorithmData a;
    a.np = 19;
    SetDefaultAlgorithmData(a, a.np);
    const auto values = Fixed19(start[0], start[1], start[2], start[3]);
    const double steps[] = {10, 3, 0.1, 0.05};
    for (int i = 1; i <= a.np; ++i) a.value[i] = values[static_cast<std::size_t>(i - 1)];
    for (int i = 1; i <= 4; ++i) a.step[i] = steps[i - 1];
    a.tolerance = tolerance;
    return dir.Write(name, FormatAlgorithmFile(a, AlgorithmWriter::CommandMenu));
}

// A poor start: every free parameter well away from the minimum.
const std::vector<double> kPoorStart{80, 30, 1.0, 0.5};

std::string Rig() { return " --increments \"" + SharedDataPath("rig_increments.dat") + "\""; }
std::string Quoted(const std::string& path) { return " \"" + path + "\""; }

AlgorithmData ReadAlg(const std::string& path) {
    AlgorithmData a;
    a.np = 19;
    SetDefaultAlgorithmData(a, a.np);
    std::ifstream in(path, std::ios::binary);
    const auto read = ReadAlgorithmText(in, a.np, path, a);
    EXPECT_TRUE(read.ok()) << path << ": " << read.message;
    return a;
}

double EvaluateAt(const ScratchDir& dir, const std::string& alg) {
    const CliRun run = RunCli(dir, "evaluate" + Rig() + " --alg" + Quoted(alg) + " --value");
    EXPECT_EQ(run.status, 0) << run.err;
    return std::stod(run.out);
}

bool EveryLineEndsWithCrLf(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
    return !text.empty() && text.back() == '\n';
}

bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

}  // namespace

TEST(CliFit, BothMethodsReachTheRigMinimumFromAPoorStart) {
    REQUIRE_SHARED_DATA("rig_increments.dat");
    ScratchDir dir;
    const std::string start = RigAlg(dir, "start.alg", kPoorStart);
    double minimum[2] = {0, 0};
    AlgorithmData estimates[2];
    for (int m = 0; m < 2; ++m) {
        const std::string method = m == 0 ? "simplex" : "marquardt";
        const std::string saved = dir.Path(method + ".alg");
        const auto t0 = std::chrono::steady_clock::now();
        const CliRun run = RunCli(dir, "fit" + Rig() + " --alg" + Quoted(start) + " --method " + method +
                                           " --value --save-alg" + Quoted(saved));
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        ASSERT_EQ(run.status, 0) << method << "\n" << run.err;
        EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << "one line only";
        minimum[m] = std::stod(run.out);
        EXPECT_NEAR(minimum[m], kRigMinimum, 1e-4) << method;
        EXPECT_LT(seconds, 5.0) << method;
        estimates[m] = ReadAlg(saved);
        // The saved values give the minimum back through evaluate.
        EXPECT_NEAR(EvaluateAt(dir, saved), minimum[m], 1e-4) << method;
        ::testing::Test::RecordProperty(method + "_seconds", std::to_string(seconds));
    }
    EXPECT_NEAR(minimum[0], minimum[1], 1e-4);
    // The model uses the magnitudes; the Simplex may keep a negative sign.
    const double scale[] = {1e-3, 1e-3, 1e-4, 1e-3};
    for (int i = 1; i <= 4; ++i)
        EXPECT_NEAR(std::fabs(estimates[0].value[i]), std::fabs(estimates[1].value[i]),
                    100 * scale[i - 1] * std::fabs(estimates[1].value[i]))
            << "parameter " << i;
    EXPECT_NEAR(std::fabs(estimates[1].value[1]), 104.65, 0.05);
    EXPECT_NEAR(std::fabs(estimates[1].value[3]), 0.3716, 0.001);
}

TEST(CliFit, ReportsProgressLogsAndSavesInTheDesktopLayouts) {
    REQUIRE_SHARED_DATA("rig_increments.dat");
    ScratchDir dir;
    const std::string start = RigAlg(dir, "start.alg", kPoorStart);

    // Simplex: both areas of its window, the log every iteration with the action line.
    const std::string log = dir.Path("simplex.cvl");
    const std::string saved = dir.Path("saved.alg");
    CliRun run = RunCli(dir, "fit" + Rig() + " --alg" + Quoted(start) + " --log" + Quoted(log) +
                                 " --log-every 1 --save-alg" + Quoted(saved));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("\nInitial Simplex: Starting function value> 425.86545 Max> ", 0), 0u) << run.out;
    EXPECT_TRUE(Has(run.out, "Initial parameter values:\n\n    001)  8.0000000E+01  ~~  Mean of L-infinity"));
    EXPECT_TRUE(Has(run.out, "\nMinimum of 347.57588 found at these 4 adjusted parameter values:\n    001) "));
    EXPECT_TRUE(Has(run.out, " restarts\n"));
    EXPECT_FALSE(Has(run.out, "\r"));
    EXPECT_TRUE(Has(run.err, "\rSimplex: 1 iterations, 7 function calls, best 408.18776"));
    // The progress line is ended before the message, which starts its own line.
    EXPECT_TRUE(Has(run.err, "\nSimplex minimum: Minimum found using Simplex!\n"));

    const std::string logText = ReadFile(log);
    EXPECT_TRUE(EveryLineEndsWithCrLf(logText));
    EXPECT_EQ(logText.rfind("\r\n\r\nInitial parameter values:\r\n\r\n    001)  8.0000000E+01    002)  3.0000000E+01", 0), 0u);
    EXPECT_TRUE(Has(logText, "\r\nNote: 1 iterations, 7 function calls, and 0 restarts\r\n"
                             "Number of function values (parameter vectors) improved: 5; Action accepted: Extension             \r\n"));
    EXPECT_TRUE(Has(logText, "\r\n\r\nMinimum of 347.57588 found at these 4 adjusted parameter values:\r\n\r\n"));

    // The algorithm file as the desktop writes it, naming the log.
    const std::string savedText = ReadFile(saved);
    EXPECT_TRUE(EveryLineEndsWithCrLf(savedText));
    EXPECT_TRUE(Has(savedText, "\r\n   simplex.cvl  Name of output file\r\n"));
    EXPECT_TRUE(Has(savedText, "\r\n             1  File output frequency\r\n"));
    EXPECT_TRUE(Has(savedText, "  Value, step then link for Mean of L-infinity (von Bertalanffy) [0]\r\n"));
    const AlgorithmData a = ReadAlg(saved);
    EXPECT_EQ(a.step[1], 10.0);
    EXPECT_EQ(a.step[5], 0.0);
    EXPECT_EQ(a.value[15], 1.0);

    // Marquardt: its final report; the log every accepted iteration.
    const std::string mlog = dir.Path("marquardt.cvl");
    run = RunCli(dir, "fit" + Rig() + " --alg" + Quoted(saved) + " --method marquardt --log" + Quoted(mlog));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("\nMinimum of 347.57588 found at these 4 adjusted parameter values:\n    001) ", 0), 0u)
        << run.out;
    EXPECT_TRUE(Has(run.out, " function calls\n"));
    EXPECT_TRUE(Has(run.err, "Marquardt minimum: Minimum found using Marquardt!\n"));
    EXPECT_FALSE(Has(run.err, "Marquardt minimization:"));  // the set-up questions are answered by options
    const std::string mlogText = ReadFile(mlog);
    EXPECT_TRUE(EveryLineEndsWithCrLf(mlogText));
    EXPECT_EQ(mlogText.rfind("\r\nNote: 1 iterations and ", 0), 0u) << mlogText.substr(0, 200);
    EXPECT_TRUE(Has(mlogText, "\r\n\r\nCurrent Min> "));
    EXPECT_TRUE(Has(mlogText, "\r\n\r\nMinimum of 347.57588 found at these 4 adjusted parameter values:\r\n\r\n"));

    EXPECT_EQ(RunCli(dir, "help fit").status, 0);
    const std::string help = ReadFile(dir.Path("stdout.txt"));
    for (const char* option : {"--method simplex|marquardt", "--derivatives numerical|analytical", "--save-alg OUT",
                               "--log FILE", "--log-every N", "--max-calls N", "--on-limit stop|continue", "--value",
                               "--increments FILE"})
        EXPECT_TRUE(Has(help, option)) << option;
}

TEST(CliFit, RunsWithoutAVerifiedMinimumExitWithOneAndKeepWhatTheyHave) {
    REQUIRE_SHARED_DATA("rig_increments.dat");
    ScratchDir dir;
    const std::string start = RigAlg(dir, "start.alg", kPoorStart);
    const std::string fit = "fit" + Rig() + " --alg" + Quoted(start);
    const std::string saved = dir.Path("saved.alg");

    // The function-call limit answered "stop": the best vertex so far is
    // reported, given by --value and saved.
    CliRun run = RunCli(dir, fit + " --max-calls 50 --save-alg" + Quoted(saved));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "Simplex minimization: Maximum number of function calls reached, do you want to continue?"));
    EXPECT_TRUE(Has(run.err, "without a verified minimum (limit reached)"));
    EXPECT_TRUE(Has(run.out, "Initial Simplex: Starting function value> 425.86545"));
    EXPECT_TRUE(Has(run.out, "\nNote: ")) << run.out;
    EXPECT_TRUE(Has(run.out, "Current minimum found at these 4 adjusted parameter values:\n\n    001) "));
    const AlgorithmData best = ReadAlg(saved);
    EXPECT_EQ(best.maxCalls, 50);
    std::ostringstream line;  // the report's first parameter line is the saved value
    line << "    001) " << RightJustify(Format(best.value[1], "0.0000000E+00"), 14) << "  ~~  Mean of L-infinity";
    EXPECT_TRUE(Has(run.out, line.str())) << line.str();
    run = RunCli(dir, fit + " --max-calls 50 --value");
    EXPECT_EQ(run.status, 1);
    const double atLimit = std::stod(run.out);
    EXPECT_LT(atLimit, 425.0);
    EXPECT_GT(atLimit, kRigMinimum + 1.0);
    EXPECT_NEAR(EvaluateAt(dir, saved), atLimit, 1e-4);

    // Answered "continue": the count starts again and the run converges.
    run = RunCli(dir, fit + " --max-calls 50 --on-limit continue --value");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NEAR(std::stod(run.out), kRigMinimum, 1e-4);
    EXPECT_TRUE(Has(run.err, "Simplex minimization: Maximum number of function calls reached"));

    // Marquardt's iteration limit: the last accepted point.
    run = RunCli(dir, fit + " --method marquardt --max-calls 3 --save-alg" + Quoted(saved));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "Marquart minimization stopped: Maximum number of iterations reached"));
    EXPECT_EQ(run.out.rfind("\nNote: 3 iterations and ", 0), 0u) << run.out;
    const std::string current = run.out.substr(run.out.find("Current Min> ") + 13, 11);
    EXPECT_NEAR(EvaluateAt(dir, saved), std::stod(current), 1e-4) << current;

    // The growth model has no analytical derivatives: the start is kept.
    run = RunCli(dir, fit + " --method marquardt --derivatives analytical --value --save-alg" + Quoted(saved));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "Analytical derivatives missing: Sorry, analytical derivatives seem not to have been provided"));
    EXPECT_NEAR(std::stod(run.out), 425.86545, 1e-5);
    EXPECT_EQ(ReadAlg(saved).value[1], 80.0);
}

TEST(CliFit, AnInterruptSignalEndsTheRunWithItsBestPoint) {
    REQUIRE_SHARED_DATA("rig_increments.dat");
    ScratchDir dir;
    // A tolerance of 0 never converges and the limit is answered "continue":
    // only the interrupt ends this run.
    const std::string start = RigAlg(dir, "start.alg", kPoorStart, 0.0);
    const std::string saved = dir.Path("saved.alg");
    const std::string data = SharedDataPath("rig_increments.dat");
    const std::string out = dir.Path("out.txt"), err = dir.Path("err.txt");
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        signal(SIGINT, SIG_DFL);
        const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(o, 1);
        dup2(e, 2);
        execl(CORVANE_CLI, CORVANE_CLI, "fit", "--increments", data.c_str(), "--alg", start.c_str(), "--max-calls",
              "200", "--on-limit", "continue", "--save-alg", saved.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    auto waitFor = [&](double seconds) {
        int status = 0;
        for (int i = 0; i < seconds * 100; ++i) {
            if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -2;  // still running
    };
    // Interrupt once the run is under way (its progress line is out).
    for (int i = 0; i < 500 && !Has(ReadFile(err), "Simplex: "); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    kill(pid, SIGINT);
    const int status = waitFor(10);
    if (status == -2) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        FAIL() << "the run did not stop at the interrupt";
    }
    EXPECT_EQ(status, 1);
    const std::string errText = ReadFile(err);
    EXPECT_TRUE(Has(errText, "Simplex interrupt: Interrupt received. Do you want to quit minimizing?")) << errText;
    EXPECT_TRUE(Has(errText, "(interrupted)"));
    const std::string outText = ReadFile(out);
    EXPECT_TRUE(Has(outText, "Current minimum found at these 4 adjusted parameter values:")) << outText;
    const double kept = EvaluateAt(dir, saved);
    EXPECT_LT(kept, 425.0);
}

TEST(CliFit, BadInputExitsWithTwoAndNothingOnStandardOutput) {
    REQUIRE_SHARED_DATA("rig_increments.dat");
    ScratchDir dir;
    const std::string start = RigAlg(dir, "start.alg", kPoorStart);
    const std::string startText = ReadFile(start);
    const std::string fit = "fit" + Rig() + " --alg" + Quoted(start);
    const std::string data = SharedDataPath("rig_increments.dat");
    const std::string frozen = dir.Write("frozen.alg", AlgorithmText(Fixed19(80, 30, 1, 0.5)));
    AlgorithmData follower;  // the only step is on the second member of a fuse group
    follower.np = 19;
    SetDefaultAlgorithmData(follower, 19);
    const auto values = Fixed19(80, 30, 1, 0.5);
    for (int i = 1; i <= 19; ++i) follower.value[i] = values[static_cast<std::size_t>(i - 1)];
    follower.fuse[1] = follower.fuse[2] = "A";
    follower.step[2] = 1.0;
    const std::string fused = dir.Write("fused.alg", FormatAlgorithmFile(follower, AlgorithmWriter::CommandMenu));
    const struct {
        std::string arguments;
        std::string message;
    } cases[] = {
        {"fit" + Rig(), "--alg FILE is required"},
        {fit + " --method newton", "--method takes simplex or marquardt, not \"newton\""},
        {fit + " --derivatives analytical", "--derivatives belongs to --method marquardt"},
        {fit + " --method marquardt --derivatives exact", "--derivatives takes numerical or analytical"},
        {fit + " --on-limit ask", "--on-limit takes stop or continue"},
        {fit + " --method marquardt --on-limit continue", "--on-limit belongs to the Simplex"},
        {fit + " --max-calls 0", "--max-calls needs a whole number from 1 to 2147483647"},
        {fit + " --max-calls many", "--max-calls needs a whole number, not \"many\""},
        {fit + " --log-every 5", "--log-every needs --log FILE"},
        {fit + " --log" + Quoted(dir.Path("x.cvl")) + " --log-every 40000", "--log-every needs a whole number from 1 to 32767"},
        {fit + " --log" + Quoted(start), "--log names the --alg file"},
        {fit + " --log" + Quoted(data), "--log names the --increments file"},
        {fit + " --save-alg" + Quoted(data), "--save-alg names the --increments file"},
        {fit + " --save-alg" + Quoted(dir.Path("no/such/dir/x.alg")), "does not exist"},
        {fit + " --save-alg" + Quoted(dir.dir.string()), "is a directory"},
        {fit + " --log" + Quoted(dir.Path("same")) + " --save-alg" + Quoted(dir.Path("same")),
         "--log and --save-alg name the same file"},
        {"fit" + Rig() + " --alg" + Quoted(frozen), "There is nothing to do!: All step sizes are zero"},
        {"fit" + Rig() + " --alg" + Quoted(fused), "no parameter is free once fused parameters share"},
        {fit + " --value extra", "unexpected argument \"extra\""},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(dir, c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments << "\n" << run.err;
        EXPECT_EQ(run.out, "") << c.arguments;
        EXPECT_TRUE(Has(run.err, c.message)) << c.arguments << "\n" << run.err;
    }
    EXPECT_EQ(ReadFile(start), startText);  // refused outputs never touch an input
    EXPECT_FALSE(std::filesystem::exists(dir.Path("same")));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("x.cvl")));
}
