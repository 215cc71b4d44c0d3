// corvane-cli as a scientist scripts it: templates, set-ups refused by option
// name, warnings and data use on standard error, --json, answers shown.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "CliRun.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

std::string Q(const std::string& path) { return " \"" + path + "\""; }
bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

const std::string kJointSetUp =
    " --increments examples/growth_joint_increments.dat --frequencies examples/growth_joint_frequencies.dat"
    " --series 3 --identified 2 --blended 4 --birth-day 100 --age1 0 --age-modes gaussian";
const std::string kRig = " --increments" + Q(DataPath("rig_increments.dat"));

AlgorithmData ReadAlg(const std::string& path, int np) {
    AlgorithmData a;
    SetDefaultAlgorithmData(a, a.np = np);
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(ReadAlgorithmText(in, a.np, path, a).ok()) << path;
    return a;
}

std::string WriteAlg(const ScratchDir& dir, const std::string& name, const AlgorithmData& a) {
    return dir.Write(name, FormatAlgorithmFile(a, AlgorithmWriter::CommandMenu));
}

nlohmann::json ParseJson(const CliRun& run) {
    nlohmann::json j = nlohmann::json::parse(run.out, nullptr, false);
    EXPECT_FALSE(j.is_discarded()) << run.out;
    return j;
}

}  // namespace

TEST(CliTemplate, WritesTheInitialisationsParametersWithNullValuesAndZeroSteps) {
    ScratchDir dir;
    const std::string joint = dir.Path("joint.alg");
    CliRun run = RunCli(dir, "template" + kJointSetUp + " --out" + Q(joint));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(Has(run.err, "algorithm file of 28 parameters written to " + joint)) << run.err;
    const std::string text = ReadFile(joint);
    EXPECT_EQ(text.rfind("            28  Number of parameters\r\n", 0), 0u);
    EXPECT_TRUE(Has(text, "\r\n-9.9900000E+02   0.0000000E+00  ~~  Value, step then link for von Bertalanffy's t0"));
    EXPECT_TRUE(Has(text, "Proportion @ age for age-class  2 of frequency series  3 [0]\r\n"));
    const AlgorithmData a = ReadAlg(joint, 28);
    for (int i = 1; i <= 28; ++i) {
        const double expected = i == 15 ? 1.0 : (i == 13 || i == 18 || i == 19) ? -999.0 : 0.0;
        EXPECT_EQ(a.value[i], expected) << i;
        EXPECT_EQ(a.step[i], 0.0) << i;
    }
    EXPECT_EQ(a.maxCalls, 9999);

    // Without increment records t0 keeps its null value 0: -999 would switch
    // nothing off there.
    run = RunCli(dir, "template --frequencies examples/growth_joint_frequencies.dat --series 3 --identified 2 "
                      "--blended 4");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Has(run.out, "\r\n 0.0000000E+00   0.0000000E+00  ~~  Value, step then link for von Bertalanffy's t0"));
    EXPECT_TRUE(Has(run.out, "-9.9900000E+02   0.0000000E+00  ~~  Value, step then link for SD of Gaussian selectivity"));

    // A file of the user's is never replaced unasked; inputs never.
    const std::string kept = ReadFile(joint);
    const struct {
        std::string arguments, message;
    } refused[] = {
        {"template" + kJointSetUp + " --out" + Q(joint), "option --out: " + joint + " exists (--overwrite replaces it)"},
        {"template" + kRig + " --out" + Q(DataPath("rig_increments.dat")) + " --overwrite",
         "option --out names the --increments file"},
        {"template" + kRig + " --alg" + Q(joint), "unexpected argument \"--alg\""},
    };
    for (const auto& c : refused) {
        run = RunCli(dir, c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments;
        EXPECT_TRUE(Has(run.err, c.message)) << run.err;
    }
    EXPECT_EQ(ReadFile(joint), kept);
    run = RunCli(dir, "template" + kRig + " --out" + Q(joint) + " --overwrite");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadAlg(joint, 19).value[13], -999.0);
}

TEST(CliTemplate, AnEditedTemplateIsFitted) {
    ScratchDir dir;
    const std::string alg = dir.Path("rig.alg");
    ASSERT_EQ(RunCli(dir, "template" + kRig + " --out" + Q(alg)).status, 0);
    AlgorithmData a = ReadAlg(alg, 19);
    const double start[] = {80, 30, 1.0, 0.5}, steps[] = {10, 3, 0.1, 0.05};
    for (int i = 1; i <= 4; ++i) a.value[i] = start[i - 1], a.step[i] = steps[i - 1];
    const CliRun run = RunCli(dir, "fit" + kRig + " --alg" + Q(WriteAlg(dir, "edited.alg", a)) + " --value");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NEAR(std::stod(run.out), 347.575882, 1e-4);  // the rig minimum the fit tests know
}

TEST(CliSetUp, SetUpsThatCannotWorkAreRefusedByOptionBeforeAnyEvaluation) {
    ScratchDir dir;
    const std::string frequencies = " --frequencies examples/growth_joint_frequencies.dat --identified 2 --blended 4";
    const std::string alg = " --alg examples/growth_joint.alg";
    const struct {
        std::string arguments, message;
    } cases[] = {
        {frequencies + " --series 3 --age-diff 0" + alg, "corvane-cli evaluate: --age-diff must be above 0\n"},
        {frequencies + " --series 3 --age-diff -1" + alg, "corvane-cli evaluate: --age-diff must be above 0\n"},
        {frequencies + " --series 3 --birth-day 0" + alg, "--birth-day must be a day of the year from 1 to 365\n"},
        {frequencies + " --series 3 --birth-day 366" + alg, "--birth-day must be a day of the year from 1 to 365\n"},
        {frequencies + " --series 3 --first-cell 29" + alg, "--first-cell 29 is beyond the 28 cells of the frequency file\n"},
        {frequencies + " --series 4" + alg, "--series 4 is more than the 3 series the frequency file holds\n"},
        {frequencies + " --series 3 --increment-errors gamma" + alg, "option --increment-errors needs --increments FILE\n"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(dir, "evaluate" + c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments;
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(Has(run.err, c.message)) << c.arguments << "\n" << run.err;
        EXPECT_FALSE(Has(run.err, "Initialize:")) << "the option is named, not the dialogue's field";
    }
    // The last cell may be the first evaluated.
    EXPECT_EQ(RunCli(dir, "evaluate" + frequencies + " --series 3 --first-cell 28" + alg + " --value").status, 0);
}

TEST(CliNotes, DataUseWarningsAndTheGammaOverrideReachStandardError) {
    ScratchDir dir;
    // The rig data hold 39 increments <= 0: without measurement error they
    // are skipped, with it they are fitted.
    auto values = Fixed19(150, 20, 0.3, 0.1);
    const std::string noError = dir.Write("a.alg", AlgorithmText(values));
    values[8] = 2.0;  // %SE
    const std::string withError = dir.Write("b.alg", AlgorithmText(values));
    CliRun run = RunCli(dir, "evaluate" + kRig + " --alg" + Q(noError) + " --value");
    EXPECT_TRUE(Has(run.err, "increments: 114 records, 75 used, 39 skipped (increment <= 0 without measurement error)\n"));
    run = RunCli(dir, "evaluate" + kRig + " --alg" + Q(withError) + " --value");
    EXPECT_EQ(run.err, "corvane-cli evaluate: increments: 114 records, 114 used\n");

    // A fit counts the records at its best point, and lists each warning
    // once, however many evaluations repeated it.
    AlgorithmData a = ReadAlg(noError, 19);
    a.step[1] = 10;
    run = RunCli(dir, "fit" + kRig + " --alg" + Q(WriteAlg(dir, "fit.alg", a)) + " --value");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Has(run.err, "corvane-cli fit: increments: 114 records, 75 used, 39 skipped"));
    EXPECT_TRUE(Has(run.err, "\n  Warning regarding data input: increment #7 <= 0 and measurement error is zero; "
                             "record ignored (x "));
    EXPECT_TRUE(Has(run.err, "\n  ... and 29 more\n"));

    // Every record skipped: the increments add nothing, and that is said.
    const std::string shrinking =
        dir.Write("shrink.dat", "  Set, Init, Incr, Start,   End\n     1,50.000,-1.000,100.00,400.00\n"
                                "     1,60.000, 0.000,100.00,500.00\n");
    run = RunCli(dir, "evaluate --increments" + Q(shrinking) + " --alg" + Q(noError) + " --value");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Has(run.err, "corvane-cli evaluate: the likelihood skipped every increment record")) << run.err;

    // A frequency series without fish in the cells evaluated adds nothing either.
    run = RunCli(dir, "evaluate --frequencies examples/growth_joint_frequencies.dat --series 3 --identified 2 "
                      "--blended 4 --birth-day 100 --age1 0 --age-modes gaussian --first-cell 28 "
                      "--alg examples/growth_joint.alg --value");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Has(run.err, "27 cells before the first cell evaluated skipped; cells with fish used per series: 0, 0, 1"));
    EXPECT_TRUE(Has(run.err, "frequency series 1 has no fish from the first cell evaluated on: it adds nothing\n"));

    // b > 0 makes the errors gamma whatever --increment-errors says: once.
    values[11] = 0.002;
    const std::string withB = dir.Write("c.alg", AlgorithmText(values));
    const std::string note = "b (parameter 12) is not 0, so the increment errors are gamma, not gaussian";
    run = RunCli(dir, "evaluate" + kRig + " --alg" + Q(withB) + " --value");
    EXPECT_TRUE(Has(run.err, "corvane-cli evaluate: " + note)) << run.err;
    const double gaussianAsked = std::stod(run.out);
    run = RunCli(dir, "evaluate" + kRig + " --alg" + Q(withB) + " --increment-errors gamma --value");
    EXPECT_FALSE(Has(run.err, note));
    EXPECT_EQ(std::stod(run.out), gaussianAsked);
    a = ReadAlg(withB, 19);
    a.step[1] = 10;
    run = RunCli(dir, "fit" + kRig + " --alg" + Q(WriteAlg(dir, "fitb.alg", a)) + " --max-calls 30 --value");
    EXPECT_EQ(run.err.find(note), run.err.rfind(note)) << "said once:\n" << run.err;
}

TEST(CliJson, EvaluateAndFitPrintOneObjectWithTheListedFields) {
    ScratchDir dir;
    const std::string evaluate = "evaluate" + kJointSetUp + " --alg examples/growth_joint.alg";
    const CliRun value = RunCli(dir, evaluate + " --value");
    CliRun run = RunCli(dir, evaluate + " --json");
    ASSERT_EQ(run.status, 0) << run.err;
    nlohmann::json j = ParseJson(run);
    std::set<std::string> keys;
    for (const auto& item : j.items()) keys.insert(item.key());
    EXPECT_EQ(keys, (std::set<std::string>{"objective", "increment_contribution", "frequency_contribution", "parameters",
                                           "sample_size", "free_parameters", "calls", "iterations", "outcome",
                                           "warnings"}));
    EXPECT_EQ(j["objective"].get<double>(), std::stod(value.out));  // exactly, as --value prints it
    // A joint objective is the sum of its parts here (no penalty at the truth).
    EXPECT_NEAR(j["increment_contribution"].get<double>() + j["frequency_contribution"].get<double>(),
                j["objective"].get<double>(), 1e-9 * j["objective"].get<double>());
    EXPECT_EQ(j["sample_size"], 1400);  // 1200 fish and 200 records
    EXPECT_EQ(j["calls"], 1);
    EXPECT_TRUE(j["outcome"].is_null());
    ASSERT_EQ(j["parameters"].size(), 28u);
    const auto& p1 = j["parameters"][0];
    EXPECT_EQ(p1["number"], 1);
    EXPECT_EQ(p1["description"], "Mean of L-infinity (von Bertalanffy) [0]");
    EXPECT_EQ(p1["value"], 60.0);
    EXPECT_EQ(p1["step"], 5.0);
    EXPECT_EQ(p1["fuse"], "~~");
    EXPECT_EQ(p1["free"], true);
    EXPECT_EQ(j["parameters"][14]["free"], false);  // Phi, step 0
    EXPECT_EQ(j["free_parameters"], 12);

    // Fused parameters: only the first of a group is free.
    AlgorithmData rig;
    SetDefaultAlgorithmData(rig, rig.np = 19);
    const auto fixed = Fixed19(100, 12, 0.4, 0.3);
    for (int i = 1; i <= 19; ++i) rig.value[i] = fixed[static_cast<std::size_t>(i - 1)];
    rig.step[1] = 10, rig.step[2] = 3, rig.step[3] = 0.1, rig.step[4] = 0.05;
    rig.fuse[2] = rig.fuse[4] = "AB";
    const std::string fused = WriteAlg(dir, "fused.alg", rig);
    run = RunCli(dir, "evaluate" + kRig + " --alg" + Q(fused) + " --json");
    j = ParseJson(run);
    EXPECT_FALSE(j.contains("increment_contribution")) << "contributions belong to joint analyses";
    EXPECT_EQ(j["free_parameters"], 3);
    EXPECT_EQ(j["parameters"][3]["free"], false);
    EXPECT_EQ(j["parameters"][3]["fuse"], "AB");
    EXPECT_EQ(j["warnings"].size(), 39u);  // the skipped records, each once

    // A fit: its outcome, effort and the minimum's parameters.
    rig.fuse[2] = rig.fuse[4] = "~~";
    rig.value[1] = 80, rig.value[2] = 30, rig.value[3] = 1.0, rig.value[4] = 0.5;
    const std::string start = WriteAlg(dir, "start.alg", rig);
    run = RunCli(dir, "fit" + kRig + " --alg" + Q(start) + " --json");
    ASSERT_EQ(run.status, 0) << run.err;
    j = ParseJson(run);
    EXPECT_EQ(j["outcome"], "minimum");
    EXPECT_NEAR(j["objective"].get<double>(), 347.575882, 1e-4);
    EXPECT_NEAR(std::fabs(j["parameters"][0]["value"].get<double>()), 104.6, 0.5);  // the model uses magnitudes
    EXPECT_GT(j["iterations"].get<int>(), 10);
    EXPECT_GT(j["calls"].get<int>(), j["iterations"].get<int>());

    // At the limit, answered "stop", then "continue": every call is counted.
    run = RunCli(dir, "fit" + kRig + " --alg" + Q(start) + " --json --max-calls 40");
    EXPECT_EQ(run.status, 1);
    j = ParseJson(run);
    EXPECT_EQ(j["outcome"], "limit");
    EXPECT_TRUE(Has(run.err, "do you want to continue?\n  answer: No (--on-limit stop)\n")) << run.err;
    run = RunCli(dir, "fit" + kRig + " --alg" + Q(start) + " --json --max-calls 40 --on-limit continue");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(Has(run.err, "  answer: Yes (--on-limit continue: the count starts again)\n"));
    EXPECT_GT(ParseJson(run)["calls"].get<int>(), 80);

    run = RunCli(dir, "fit" + kRig + " --alg" + Q(start) + " --json --value");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Has(run.err, "options --json and --value do not go together"));
}

TEST(CliVersion, NamesTheProjectVersionAndExitsZero) {
    ScratchDir dir;
    for (const char* option : {"--version", "-V"}) {
        const CliRun run = RunCli(dir, option);
        EXPECT_EQ(run.status, 0) << option;
        // The CMake project's version, then the commit only when built from a checkout.
        EXPECT_EQ(run.out.rfind("corvane 0.3.0", 0), 0u) << run.out;
        EXPECT_TRUE(run.out == "corvane 0.3.0\n" || Has(run.out, "corvane 0.3.0 (git ")) << run.out;
        EXPECT_EQ(run.err, "");
    }
}
