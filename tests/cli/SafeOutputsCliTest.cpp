// corvane-cli's outputs as a careful user's mistakes meet them: an output
// that is an input, two runs writing one file, a full disk or a file-size
// limit, a stopped run, absurd sizes, file names that are not UTF-8.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "CliRun.h"
#include "priors/PriorsFile.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

namespace fs = std::filesystem;

std::string Q(const std::string& path) { return " \"" + path + "\""; }
bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

const std::string kRig = " --increments" + Q(DataPath("rig_increments.dat"));

// Near the rig minimum, the means and SDs of L-infinity and k free.
std::string RigAlg(const ScratchDir& dir, const std::string& name) {
    AlgorithmData a;
    a.np = 19;
    SetDefaultAlgorithmData(a, a.np);
    const std::vector<double> values = Fixed19(104.6, 12.0, 0.372, 1.90);
    for (int i = 1; i <= a.np; ++i) a.value[i] = values[static_cast<std::size_t>(i - 1)];
    a.step[1] = 1.5, a.step[2] = 0.5, a.step[3] = 0.02, a.step[4] = 0.2;
    return dir.Write(name, FormatAlgorithmFile(a, AlgorithmWriter::CommandMenu));
}

std::string Simulate(int seed, int records) {
    return "simulate --alg examples/growth_gaussian.alg --initial-size 30:100 --days-at-liberty 100:1500 --seed " +
           std::to_string(seed) + " --records " + std::to_string(records);
}

// Runs a shell command line (for a limit set by the shell); its exit status.
int Shell(const std::string& line) {
    const int rc = std::system(line.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

}  // namespace

TEST(CliSafeOutputs, AnOutputThatIsAnInputIsRefusedBeforeAnythingRuns) {
    ScratchDir dir;
    const std::string alg = RigAlg(dir, "m.alg"), other = RigAlg(dir, "n.alg");
    PriorTable table;
    table.Reset(19);
    table.rows[1] = PriorRow{'N', 104.6, 5.0, "Unused", "Unused"};
    const std::string priors = dir.Write("p.pri", FormatPriorsFile(table));
    const std::string cov = dir.Write("m.cov", "a covariance file"), cov2 = dir.Write("n.cov", "another");
    // Another spelling, a symbolic link and a hard link of the priors file.
    const std::string spelled = dir.Path("../" + dir.dir.filename().string() + "/p.pri");
    fs::create_symlink(priors, dir.Path("soft.pri"));
    fs::create_hard_link(priors, dir.Path("hard.pri"));
    const std::string covariance = "covariance" + kRig + " --alg" + Q(alg) + " --priors" + Q(priors);
    const struct {
        std::string arguments, message, kept;
    } cases[] = {
        {covariance + " --save" + Q(priors), "option --save names the --priors file", priors},
        {covariance + " --save" + Q(spelled), "option --save names the --priors file", priors},
        {covariance + " --save" + Q(dir.Path("soft.pri")), "option --save names the --priors file", priors},
        {covariance + " --save" + Q(dir.Path("hard.pri")), "option --save names the --priors file", priors},
        {"simulate --alg" + Q(alg) + " --initial-size 30:100 --days-at-liberty 100:1500 --out" + Q(alg),
         "option --out names the --alg file", alg},
        {"rank" + kRig + " --model" + Q(alg) + " --model" + Q(other) + " --average --save" + Q(cov),
         "option --save names the covariance file " + cov, cov},
        {"fit" + kRig + " --alg" + Q(alg) + " --priors" + Q(priors) + " --log" + Q(priors),
         "option --log names the --priors file", priors},
        {"profile" + kRig + " --alg" + Q(alg) + " --parameter 1 --save" + Q(alg), "option --save names the --alg file",
         alg},
        {"posterior-merge" + Q(cov) + Q(cov2) + " --save" + Q(cov2), "option --save names the part file " + cov2, cov2},
        // Not even a fit's result over its starting values: they would be lost.
        {"fit" + kRig + " --alg" + Q(alg) + " --max-calls 20 --save-alg" + Q(alg),
         "option --save-alg names the --alg file", alg},
    };
    for (const auto& c : cases) {
        const std::string before = ReadFile(c.kept);
        const CliRun run = RunCli(dir, c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments << "\n" << run.err;
        EXPECT_TRUE(Has(run.err, c.message)) << c.arguments << "\n" << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(ReadFile(c.kept), before) << c.arguments;
    }
}

TEST(CliSafeOutputs, TwoRunsWritingOneFileLeaveOneWholeRunsOutput) {
    ScratchDir dir;
    // Each run's output alone, then pairs of runs at once into one file.
    constexpr int kPairs = 30;
    const std::string same = dir.Path("same.dat");
    for (int pair = 0; pair < kPairs; ++pair) {
        const int seedA = 2 * pair + 1, seedB = 2 * pair + 2, recordsA = 50 + pair, recordsB = 1200 - pair;
        const std::string a = RunCli(dir, Simulate(seedA, recordsA)).out, b = RunCli(dir, Simulate(seedB, recordsB)).out;
        ASSERT_NE(a, b);
        const std::string cli = std::string("\"") + CORVANE_CLI + "\" ";
        const int status = Shell("cd \"" + std::string(CORVANE_SOURCE_DIR) + "\" && (" + cli + Simulate(seedA, recordsA) +
                                 " --out" + Q(same) + " 2>/dev/null & " + cli + Simulate(seedB, recordsB) + " --out" +
                                 Q(same) + " 2>/dev/null; wait $!)");
        EXPECT_EQ(status, 0);
        const std::string result = ReadFile(same);
        EXPECT_TRUE(result == a || result == b) << "pair " << pair << ": a mix of two runs";
    }
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.Path(""))) names.push_back(e.path().filename().string());
    for (const auto& name : names) EXPECT_EQ(name.find(".tmp"), std::string::npos) << "left behind: " << name;
}

TEST(CliSafeOutputs, AWriteThatFailsNamesTheReasonExitsWithOneAndKeepsTheOldFile) {
    ScratchDir dir;
    const std::string old = dir.Write("old.dat", "the good result");
    const std::string cli = std::string("\"") + CORVANE_CLI + "\" ";
    const struct {
        std::string shellPrefix, out, reason;
    } cases[] = {
        {"", "/dev/full", "could not write /dev/full (No space left on device)"},
        // 1 block of 512 bytes: the simulated file is far larger.
        {"ulimit -f 1; ", old, "could not write " + old + " (File too large)"},
    };
    for (const auto& c : cases) {
        const int status = Shell("cd \"" + std::string(CORVANE_SOURCE_DIR) + "\" && (" + c.shellPrefix + cli +
                                 Simulate(1, 500) + " --out" + Q(c.out) + ") 2>" + Q(dir.Path("err.txt")));
        EXPECT_EQ(status, 1) << c.out;
        EXPECT_TRUE(Has(ReadFile(dir.Path("err.txt")), c.reason)) << ReadFile(dir.Path("err.txt"));
        EXPECT_EQ(ReadFile(old), "the good result");
    }
}

TEST(CliSafeOutputs, ACovarianceRunWithoutAResultLeavesAnEarlierFileAlone) {
    ScratchDir dir;
    // The selectivity's mean (parameter 10) means nothing to increments: set
    // free, it leaves every grid's Hessian singular, so no grid has a result.
    AlgorithmData a;
    a.np = 19;
    SetDefaultAlgorithmData(a, a.np);
    const std::vector<double> values = Fixed19(104.6, 12.0, 0.372, 1.90);
    for (int i = 1; i <= a.np; ++i) a.value[i] = values[static_cast<std::size_t>(i - 1)];
    a.step[1] = 1.5, a.step[10] = 1.0;
    const std::string alg = dir.Write("m.alg", FormatAlgorithmFile(a, AlgorithmWriter::CommandMenu));
    const std::string cov = dir.Write("m.cov", "an earlier result");
    const CliRun run = RunCli(dir, "covariance" + kRig + " --alg" + Q(alg) + " --save" + Q(cov));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "nothing was saved: " + cov + " is left as it was")) << run.err;
    EXPECT_EQ(ReadFile(cov), "an earlier result");
}

TEST(CliSafeOutputs, AStoppedPosteriorWritesWhatItFinishedToPartialFiles) {
    ScratchDir dir;
    const std::string alg = RigAlg(dir, "m.alg"), pos = dir.Write("m.pos", "an earlier result");
    // 1001 x 1001 calls: about 15 s on two cores, far more than the test
    // waits for (its first progress line comes after 5 s).
    const CliRun run = InterruptCli(dir,
                                    {"posterior", "--increments", DataPath("rig_increments.dat"), "--alg", alg,
                                     "--parameter", "1", "--integrate", "3", "--points", "1001", "--grid", "1001",
                                     "--save", pos},
                                    [&] { return Has(ReadFile(dir.Path("err.txt")), "Posterior: point "); });
    ASSERT_NE(run.status, -1) << "the run did not stop at the interrupt";
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(ReadFile(pos), "an earlier result");
    if (Has(run.err, "there is nothing to show")) {
        // Stopped before 3 points: nothing at all is written.
        EXPECT_FALSE(fs::exists(pos + ".partial"));
        return;
    }
    EXPECT_TRUE(Has(run.err, "what it finished is in " + pos + ".partial; " + pos + " is left as it was")) << run.err;
    EXPECT_TRUE(Has(ReadFile(pos + ".partial"), "Originally saved with the file name: " + pos + ".partial\r\n"));
}

TEST(CliSafeOutputs, SizesBeyondTheLimitsAreRefusedBeforeMemoryIsTaken) {
    ScratchDir dir;
    std::string manyTotals = "1";
    for (int s = 2; s <= 20000; ++s) manyTotals += ",1";
    const struct {
        std::string arguments, message;
    } cases[] = {
        {"evaluate --frequencies examples/growth_joint_frequencies.dat --series 1000000 --identified 2 --alg "
         "examples/growth_joint.alg",
         "more than 32767 parameters"},
        {"evaluate --frequencies examples/growth_joint_frequencies.dat --series 10000000 --identified 2 --alg "
         "examples/growth_joint.alg",
         "more than 32767 parameters"},
        {"simulate --alg examples/growth_joint.alg --cells 250 --identified 2 --totals " + manyTotals,
         "option --totals: The number of series and of identified age-classes give more than 32767 parameters"},
    };
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const CliRun run = RunCli(dir, c.arguments);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_TRUE(Has(run.err, c.message)) << run.err;
        // Refused at once, not after filling memory (it took 19 s and 2 GB).
        EXPECT_LT(seconds, 5.0);
    }
}

TEST(CliSafeOutputs, JsonTakesFileNamesThatAreNotUtf8) {
    ScratchDir dir;
    const std::string alg = RigAlg(dir, "m\xff\xfe.alg");
    const CliRun run = RunCli(dir, "rank" + kRig + " --model" + Q(alg) + " --json");
    ASSERT_EQ(run.status, 0) << run.err;
    // The bytes are replaced by U+FFFD; the object is still read.
    EXPECT_TRUE(Has(run.out, "m\xef\xbf\xbd\xef\xbf\xbd.alg")) << run.out;
}

TEST(CliSafeOutputs, JsonIsPrintedOnlyAfterItsResultFilesWereWritten) {
    ScratchDir dir;
    const std::string alg = RigAlg(dir, "m.alg"), model = kRig + " --alg" + Q(alg);
    const std::string cases[] = {
        "summary" + model + " --json --save /dev/full",
        "covariance" + model + " --json --save /dev/full",
        "fit" + model + " --max-calls 30 --json --save-alg /dev/full",
    };
    for (const auto& arguments : cases) {
        const CliRun run = RunCli(dir, arguments);
        EXPECT_EQ(run.status, 1) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
        EXPECT_TRUE(Has(run.err, "/dev/full could not be written (No space left on device)")) << run.err;
    }
}
