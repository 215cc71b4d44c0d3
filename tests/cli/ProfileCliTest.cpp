// corvane-cli profile and prior-profile, run as the built program: the data
// texts, the saved files as the desktop saves them, --json, interrupts and
// bad input.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "CliRun.h"
#include "numeric/Format.h"
#include "priors/PriorsFile.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

std::string Q(const std::string& path) { return " \"" + path + "\""; }
bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

// The rig data at the maximum-likelihood estimates of L-infinity's and k's
// means, their SDs held (steps 0) as the growth profile test holds them.
std::string RigAlg(const ScratchDir& dir, double lInfinityStep = 3.25, double b = 0.0) {
    AlgorithmData a;
    a.np = 19;
    SetDefaultAlgorithmData(a, a.np);
    std::vector<double> values = Fixed19(104.64894, 12.025565, 0.37155638, 1.8982004);
    values[11] = b;
    for (int i = 1; i <= a.np; ++i) a.value[i] = values[static_cast<std::size_t>(i - 1)];
    a.step[1] = lInfinityStep;
    a.step[3] = 0.05;
    return dir.Write("rig.alg", FormatAlgorithmFile(a, AlgorithmWriter::CommandMenu));
}

std::string Profile(const std::string& alg) {
    return "profile --increments" + Q(DataPath("rig_increments.dat")) + " --alg" + Q(alg);
}

std::string WithoutCR(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != '\r') out += c;
    return out;
}

}  // namespace

TEST(CliProfile, RigProfilePrintsAndSavesTheDataTextAndItsJson) {
    ScratchDir dir;
    const std::string alg = RigAlg(dir), mlc = dir.Path("rig.mlc"), plots = dir.Path("plots");
    // 24 points become 25; the step is the algorithm file's.
    CliRun run = RunCli(dir, Profile(alg) + " --parameter 1 --points 24 --save" + Q(mlc) + " --plots" + Q(plots));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("Maximum-likelihood confidence distribution data\n\n  Point       Value         -ln[L] ", 0),
              0u);
    EXPECT_TRUE(Has(run.out, "\n   25     1.4365E+002 "));  // 104.64894 + 12 x 3.25
    EXPECT_TRUE(Has(run.out, "\n   13     1.0465E+002    0.0000E+000 "));
    EXPECT_TRUE(Has(run.out, "\nMax Likelihood:  1.0465E+002   \n"));
    const std::string file = ReadFile(mlc);
    const std::string header = "Originally saved with the file name: " + mlc + "\r\n\r\n";
    ASSERT_EQ(file.compare(0, header.size(), header), 0);
    EXPECT_EQ(WithoutCR(file.substr(header.size())), run.out);
    EXPECT_TRUE(Has(file, "\r\nEstimated SE:   "));
    for (const char* series : {"likelihood", "confidence", "ci-mode", "ci-mean", "cumulative", "attenuated",
                               "gaussian"})
        EXPECT_TRUE(std::filesystem::exists(plots + "/profile-p1-" + series + ".png")) << series;

    // --json: the same columns and summary; Marquardt agrees with the Simplex.
    run = RunCli(dir, Profile(alg) + " --parameter 1 --points 25 --method marquardt --json");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto j = nlohmann::json::parse(run.out);
    EXPECT_EQ(j["parameter"], 1);
    EXPECT_EQ(j["method"], "marquardt");
    EXPECT_EQ(j["points"], 25);
    EXPECT_EQ(j["constant"], 0.5);
    EXPECT_EQ(j["outcome"], "complete");
    ASSERT_EQ(j["columns"].size(), 25u);
    EXPECT_EQ(j["columns"][12]["neg_ln_l"], 0.0);
    EXPECT_NEAR(j["columns"][0]["value"].get<double>(), 104.64894 - 12 * 3.25, 1e-9);
    EXPECT_EQ(j["max_likelihood"], 104.64894);
    EXPECT_NEAR(j["estimated_se"].get<double>(), 10.45, 0.05);
    EXPECT_GT(j["calls"].get<long long>(), 25);
}

TEST(CliProfile, AnInterruptSignalKeepsThePointsFinished) {
    ScratchDir dir;
    // b > 0: every evaluation integrates its grids, so the profile is still
    // running when its first progress line is out.
    const std::string alg = RigAlg(dir, 0.05, 0.001), err = dir.Path("err.txt"), out = dir.Path("out.txt");
    const std::string data = DataPath("rig_increments.dat");
    // An earlier result that the stopped profile must leave as it was.
    const std::string save = dir.Write("earlier.mlc", "an earlier result");
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        signal(SIGINT, SIG_DFL);
        dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        execl(CORVANE_CLI, CORVANE_CLI, "profile", "--increments", data.c_str(), "--alg", alg.c_str(), "--parameter",
              "1", "--points", "1001", "--save", save.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // Under way once the first progress line is out (every 5 s on a file).
    for (int i = 0; i < 3000 && !Has(ReadFile(err), "Profile: point "); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    kill(pid, SIGINT);
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 1000 && !(ended = waitpid(pid, &status, WNOHANG) == pid); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        FAIL() << "the profile did not stop at the interrupt";
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string messages = ReadFile(err);
    EXPECT_TRUE(Has(messages, ": Interrupt received.")) << messages;
    EXPECT_TRUE(Has(messages, "corvane-cli profile: interrupted: ")) << messages;
    EXPECT_TRUE(Has(messages, " of 1001 points were finished\n"));
    // The finished points are printed: as many lines as the message counts.
    const std::string text = ReadFile(out);
    const std::size_t at = messages.find("interrupted: ") + 13;
    const int finished = std::stoi(messages.substr(at));
    ASSERT_GE(finished, 3);
    EXPECT_TRUE(Has(text, "\n" + RightJustify(NumberText(finished), 5) + "     "));
    EXPECT_FALSE(Has(text, "\n" + RightJustify(NumberText(finished + 1), 5) + "     "));
    // What was finished is saved beside the earlier result, not over it.
    EXPECT_EQ(ReadFile(save), "an earlier result");
    EXPECT_TRUE(Has(ReadFile(save + ".partial"), "Originally saved with the file name: " + save + ".partial\r\n"));
    EXPECT_TRUE(Has(messages, "what it finished is in " + save + ".partial; " + save + " is left as it was"));
}

TEST(CliProfile, StepsFromACovarianceFileSpanFourStandardErrorsAndACoarseGridIsTold) {
    ScratchDir dir;
    const std::string alg = RigAlg(dir);
    const std::string cov = dir.Path("rig.cov");
    ASSERT_EQ(RunCli(dir, "covariance --increments" + Q(DataPath("rig_increments.dat")) + " --alg" + Q(alg) +
                              " --save" + Q(cov))
                  .status,
              0);
    // Parameter 1's standard error on grid 1, as the file gives it: the line
    // after the "Par#" heading, 14 characters from column 25.
    const std::string text = ReadFile(cov);
    const std::size_t line = text.find("\r\n", text.find("Par#")) + 2;
    const double se1 = std::stod(text.substr(line + 24, 14));
    ASSERT_GT(se1, 0.0);

    const CliRun run = RunCli(dir, Profile(alg) + " --parameter 1 --points 5 --steps-from" + Q(cov) + " --json");
    ASSERT_NE(run.status, 2) << run.err;
    const nlohmann::json j = nlohmann::json::parse(run.out);
    // m = 5: step 8 SE / 4, the points from -4 SE to +4 SE.
    EXPECT_NEAR(j["step"].get<double>(), 2.0 * se1, 1e-6 * se1);
    EXPECT_NEAR(j["columns"][4]["value"].get<double>() - j["columns"][0]["value"].get<double>(), 8.0 * se1,
                1e-6 * se1);
    // Three points within one SD: too coarse, with the step to use.
    bool told = false;
    for (const auto& w : j["warnings"]) told = told || Has(w.get<std::string>(), "The grid is too coarse");
    EXPECT_TRUE(told) << run.out;
    EXPECT_TRUE(Has(run.err, "warning: The grid is too coarse")) << run.err;

    const CliRun both = RunCli(dir, Profile(alg) + " --parameter 1 --step 2 --steps-from" + Q(cov));
    EXPECT_EQ(both.status, 2);
    EXPECT_TRUE(Has(both.err, "options --step and --steps-from both set the step")) << both.err;
}

TEST(CliProfile, BadInputExitsWithTwoAndNothingOnStandardOutput) {
    ScratchDir dir;
    const std::string alg = RigAlg(dir), profile = Profile(alg);
    const struct {
        std::string arguments, message;
    } cases[] = {
        {profile, "option --parameter N is required"},
        {profile + " --parameter 20", "--parameter 20 is beyond the model's 19 parameters"},
        {profile + " --parameter 1 --points 1002", "--points"},
        {profile + " --parameter 1 --step 0", "option --step needs a number other than 0"},
        {profile + " --parameter 2", "give --step H, or a non-zero step for parameter 2 in the algorithm file"},
        {profile + " --parameter 1 --method newton", "--method takes simplex or marquardt"},
        {profile + " --parameter 1 --save" + Q(alg), "option --save names the --alg file"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(dir, c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments << "\n" << run.err;
        EXPECT_TRUE(Has(run.err, c.message)) << c.arguments << "\n" << run.err;
        EXPECT_EQ(run.out, "") << c.arguments;
    }
    // The refusal of a zero step is the dialogue's own message first.
    const CliRun run = RunCli(dir, profile + " --parameter 2");
    EXPECT_TRUE(Has(run.err, "The parameter chosen has a step size of zero; please try again"));
}

TEST(CliPriorProfile, GaussianPriorFromThePriorsFileAloneOrWithTheModel) {
    ScratchDir dir;
    PriorTable table;
    table.Reset(19);
    table.rows[3].type = 'N';
    table.rows[3].firstMean = 10.0;
    table.rows[3].firstSD = 2.0;
    table.rows[5].type = 'B';
    table.rows[5].firstMean = 0.3;
    table.rows[5].firstSD = 0.1;
    const std::string pri = dir.Write("rig.pri", FormatPriorsFile(table)), pdp = dir.Path("n.pdp");
    CliRun run = RunCli(dir, "prior-profile --priors" + Q(pri) + " --parameter 3 --save" + Q(pdp));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("Bayesian prior distribution data\n\n  Point       Value         -ln[L]           PDF"
                            "        Cumulative     Attenuated     Normal PDF\n",
                            0),
              0u);
    // 101 points from 0 to 20: -ln[L] 12.5 at both ends, 0 at point 51.
    EXPECT_TRUE(Has(run.out, "\n    1     0.0000E+000    1.2500E+001 "));
    EXPECT_TRUE(Has(run.out, "\n   51     1.0000E+001    0.0000E+000 "));
    EXPECT_TRUE(Has(run.out, "\n  101     2.0000E+001    1.2500E+001 "));
    const std::string header = "Originally saved with the file name: " + pdp + "\r\n\r\n";
    const std::string file = ReadFile(pdp);
    ASSERT_EQ(file.compare(0, header.size(), header), 0);
    EXPECT_EQ(WithoutCR(file.substr(header.size())), run.out);

    // With the model's options the count is the model's; --json.
    run = RunCli(dir, "prior-profile --increments" + Q(DataPath("rig_increments.dat")) + " --priors" + Q(pri) +
                          " --parameter 5 --points 2 --json");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto j = nlohmann::json::parse(run.out);
    EXPECT_EQ(j["type"], "B");
    EXPECT_EQ(j["parameters_from"], "model");
    ASSERT_EQ(j["points"], 3);  // 2 points become 3
    EXPECT_EQ(j["columns"][0]["value"], 1e-6);
    EXPECT_EQ(j["columns"][2]["value"], 0.999999);

    // A uniform-unbounded prior has nothing to plot; a count beyond the file's.
    run = RunCli(dir, "prior-profile --priors" + Q(pri) + " --parameter 1");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Has(run.err, "There is nothing to plot when the prior distribution is uniform-unbounded"));
    EXPECT_EQ(run.out, "");
    run = RunCli(dir, "prior-profile --priors" + Q(pri) + " --parameter 20");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Has(run.err, "--parameter 20 is beyond the 19 parameters of the priors file"));
    run = RunCli(dir, "prior-profile --priors" + Q(dir.Write("bad.pri", "x\r\n")) + " --parameter 1");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Has(run.err, "does not start with its parameter count"));
}
