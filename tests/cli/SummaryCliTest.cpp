// corvane-cli summary, run as the built program: the report the desktop
// writes, its seed, its saved file, its plots and its refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <nlohmann/json.hpp>

#include "../model/SummaryTestSupport.h"
#include "../ranking/RankingSupport.h"
#include "CliRun.h"
#include "priors/PriorsFile.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

std::string Q(const std::string& path) { return " \"" + path + "\""; }

// The rig fit with its first four parameters free.
std::string RigAlg(const ScratchDir& dir) {
    AlgorithmData a;
    a.np = 19;
    SetDefaultAlgorithmData(a, a.np);
    const auto values = RigFit();
    for (int i = 1; i <= a.np; ++i) a.value[i] = values[static_cast<std::size_t>(i - 1)];
    for (int i = 1; i <= 4; ++i) a.step[i] = 0.1;
    return dir.Write("rig.alg", FormatAlgorithmFile(a, AlgorithmWriter::CommandMenu));
}

std::string Rig(const ScratchDir& dir) {
    return "summary --increments" + Q(DataPath("rig_increments.dat")) + " --alg" + Q(RigAlg(dir));
}

void Replace(std::string& text, const std::string& what, const std::string& with) {
    for (std::size_t at; (at = text.find(what)) != std::string::npos;) text.replace(at, what.size(), with);
}

bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

}  // namespace

TEST(CliSummary, PrintsAndSavesTheDesktopsReport) {
    ScratchDir dir;
    const std::string saved = dir.Path("rig.cvo");
    const CliRun run = RunCli(dir, Rig(dir) + " --save" + Q(saved));
    ASSERT_EQ(run.status, 0) << run.err;
    // The report the desktop builds for the same fit (the golden report
    // names its algorithm file and data directory differently).
    std::string report = WithCRLF(run.out);
    Replace(report, RigAlg(dir), "summary-test.alg");
    Replace(report, CORVANE_TEST_DATA, "<data>");
    EXPECT_EQ(report, ReadFile(std::string(CORVANE_SOURCE_DIR) + "/tests/model/golden/summary_rig_increments.cvo"));
    EXPECT_EQ(ReadFile(saved), "Originally saved with the file name: " + saved + "\r\n\r\n" + WithCRLF(run.out));
    // The doubtful test is told on standard error.
    EXPECT_TRUE(Has(run.err, "Gaussian distribution: very unlikely observation(s): At least one frequency cell"));

    // Priors: the report says they were used and names their file; the
    // minimum it reports is the data's -2ln[L].
    PriorTable priors;
    priors.Reset(19);
    priors.rows[1] = PriorRow{'N', 100.0, 5.0, "Unused", "Unused"};
    const std::string pri = dir.Write("rig.pri", FormatPriorsFile(priors));
    const CliRun withPriors = RunCli(dir, Rig(dir) + " --priors" + Q(pri));
    ASSERT_EQ(withPriors.status, 0) << withPriors.err;
    EXPECT_TRUE(Has(withPriors.out, "\n\nImportant note: This analysis used Bayesian prior information\n\n"));
    EXPECT_TRUE(Has(withPriors.out, "The Bayesian prior information file name is:\n     " + pri + "\n"));
    EXPECT_TRUE(Has(withPriors.out, "The -2ln[L] minimum is: 3.4758E+02\n"));
}

TEST(CliSummary, TheSameSeedGivesTheSameReport) {
    ScratchDir dir;
    const std::string command = Rig(dir) + " --simulations 30";
    const CliRun a = RunCli(dir, command + " --seed 424242");
    const CliRun b = RunCli(dir, command + " --seed 424242");
    ASSERT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(a.out, b.out);
    EXPECT_TRUE(Has(a.out, "The chi-square tests below each use 30 simulations drawn with the random number seed "
                           "424242\n"));
    EXPECT_TRUE(Has(a.out, "Simulated chi-square> n: 30; Mean:"));

    // Without a seed the report states the one it drew; it repeats the run.
    const CliRun fresh = RunCli(dir, command);
    ASSERT_EQ(fresh.status, 0) << fresh.err;
    const std::string marker = "random number seed ";
    const std::size_t at = fresh.out.find(marker);
    ASSERT_NE(at, std::string::npos);
    const std::string seed = fresh.out.substr(at + marker.size(), fresh.out.find('\n', at) - at - marker.size());
    EXPECT_EQ(RunCli(dir, command + " --seed " + seed).out, fresh.out);

    // --json carries the same report and its key numbers.
    const CliRun json = RunCli(dir, command + " --seed 424242 --json");
    ASSERT_EQ(json.status, 0) << json.err;
    const auto j = nlohmann::json::parse(json.out);
    EXPECT_EQ(j["report"].get<std::string>(), a.out);
    EXPECT_EQ(j["seed"], 424242);
    EXPECT_EQ(j["k"], 4);
    EXPECT_EQ(j["sample_size"], 114);
    const double objective = j["objective"];
    // AICc counts the records the likelihood used (increments <= 0 without
    // measurement error are left out).
    const double n = 114 - IncrementsNotAboveZero(DataPath("rig_increments.dat"));
    EXPECT_DOUBLE_EQ(j["aicc"].get<double>(), objective + 2.0 * 4 * n / (n - 4 - 1));

    // Each chi-square test's numbers, as the report prints them to three
    // decimals ("Mean: 12.345; SD: ...", "Observed chi-square> ..."), in order.
    const auto& tests = j.at("chi_square");
    ASSERT_EQ(tests.size(), 2u);
    EXPECT_EQ(tests[0].at("test"), "increments, Gaussian errors");
    EXPECT_EQ(tests[1].at("test"), "increments, truncated Gaussian errors");
    auto after = [](const std::string& text, std::size_t from, const std::string& label) {
        const std::size_t at = text.find(label, from);
        return at == std::string::npos ? std::nan("") : std::stod(text.substr(at + label.size()));
    };
    std::size_t from = 0;
    for (const auto& t : tests) {
        from = a.out.find("Simulated chi-square> n:", from);
        ASSERT_NE(from, std::string::npos);
        EXPECT_EQ(t.at("simulations"), 30);
        EXPECT_NEAR(t.at("simulated_mean").get<double>(), after(a.out, from, "; Mean:"), 5e-4);
        EXPECT_NEAR(t.at("simulated_sd").get<double>(), after(a.out, from, "; SD:"), 5e-4);
        EXPECT_NEAR(t.at("observed").get<double>(), after(a.out, from, "Observed chi-square>"), 5e-4);
        EXPECT_NEAR(t.at("p").get<double>(), after(a.out, from, "Cumulative p[chi-square]:"), 5e-4);
        EXPECT_TRUE(t.at("p_se").is_number());
        ++from;
    }

    // No object carries a key twice (a parser keeps only one of them).
    std::vector<std::set<std::string>> open;
    bool repeated = false;
    const auto whole = nlohmann::json::parse(json.out, [&](int, nlohmann::json::parse_event_t event, nlohmann::json& parsed) {
        if (event == nlohmann::json::parse_event_t::object_start) open.emplace_back();
        if (event == nlohmann::json::parse_event_t::object_end) open.pop_back();
        if (event == nlohmann::json::parse_event_t::key) repeated |= !open.back().insert(parsed.get<std::string>()).second;
        return true;
    });
    EXPECT_TRUE(whole.is_object());
    EXPECT_FALSE(repeated);
}

TEST(CliSummary, FrequencyAnalysisAnswersEveryQuestionYes) {
    ScratchDir dir;
    AlgorithmData a;
    a.np = 19 + 2 * 2 + 2;
    SetDefaultAlgorithmData(a, a.np);
    const auto values = AlbaValues(2);
    for (int i = 1; i <= a.np; ++i) a.value[i] = values[static_cast<std::size_t>(i - 1)];
    const std::string alg = dir.Write("alba.alg", FormatAlgorithmFile(a, AlgorithmWriter::CommandMenu));
    const std::string alba = "summary --frequencies" + Q(DataPath("alba_frequencies.dat")) +
                             " --series 2 --identified 2 --blended 3 --birth-day 150 --age1 0 --age-modes gaussian "
                             "--edge truncated --alg" + Q(alg);
    const CliRun run = RunCli(dir, alba + " --details 1 --simulations 5 --seed 3");
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* piece : {"Size frequency results for series: 1\n", "Size frequency results for series: 2\n",
                              "Chi-square diagnostic for frequency series 1\n",
                              "Chi-square diagnostic for frequency series 2\n",
                              "reported up to age-class  1, then the oldest age-class.",
                              "AgeClass_01, AgeClass_05\n", "The number of free (estimated) parameters is:    0\n"})
        EXPECT_TRUE(Has(run.out, piece)) << piece;
    EXPECT_FALSE(Has(run.out, "Increment data:"));
    // Every age-class by default.
    EXPECT_TRUE(Has(RunCli(dir, alba).out, "reported up to age-class  5, then the oldest age-class."));
}

TEST(CliSummary, PlotsAreWrittenOrTheFailureIsReported) {
    ScratchDir dir;
    const std::string plots = dir.Path("plots");
    // As on a machine with no desktop session: the toolkit's complaint about
    // the missing runtime folder is no business of the user's.
    unsetenv("XDG_RUNTIME_DIR");
    const CliRun run = RunCli(dir, Rig(dir) + " --plots" + Q(plots));
    ASSERT_FALSE(run.out.empty());  // the report is printed either way
    EXPECT_FALSE(Has(run.err, "XDG_RUNTIME_DIR")) << run.err;
    if (run.status == 0) {
        for (const char* name : {"increments-set1", "increments-set2"}) {
            EXPECT_TRUE(std::filesystem::exists(plots + "/" + name + ".png")) << name;
            EXPECT_TRUE(std::filesystem::exists(plots + "/" + name + ".svg")) << name;
        }
    } else {
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(Has(run.err, "corvane-cli summary: ")) << run.err;
    }
}

TEST(CliSummary, BadInputPrintsNothing) {
    ScratchDir dir;
    const std::string alg = RigAlg(dir);
    const struct {
        std::string arguments;
        const char* message;
    } cases[] = {
        {Rig(dir) + " --details 2", "option --details needs --frequencies FILE"},
        {Rig(dir) + " --simulations -1", "--simulations"},
        {Rig(dir) + " --simulations 40000", "--simulations"},
        {Rig(dir) + " --save" + Q(alg), "option --save names the --alg file"},
        {Rig(dir) + " --save" + Q(dir.Path("missing/out.cvo")), "option --save: cannot write there: the directory of"},
        {"summary --increments" + Q(DataPath("rig_increments.dat")), "--alg FILE is required"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(dir, c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments;
        EXPECT_TRUE(run.out.empty()) << c.arguments;
        EXPECT_TRUE(Has(run.err, c.message)) << c.arguments << "\n" << run.err;
    }
}
