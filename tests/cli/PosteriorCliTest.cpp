// corvane-cli posterior and posterior-merge, run as the built program on the
// rig tag-recapture data, against the desktop's dialogue on the same data.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include <nlohmann/json.hpp>

#include "CliRun.h"
#include "evaluation/PosteriorCommand.h"
#include "numeric/Format.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

std::string Q(const std::string& path) { return " \"" + path + "\""; }
bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

// Near the rig minimum, L-infinity's mean (1), k's mean (3) and SD (4) with steps.
AlgorithmData RigAlgorithm() {
    AlgorithmData a;
    a.np = 19;
    SetDefaultAlgorithmData(a, a.np);
    const std::vector<double> values = Fixed19(104.6, 12.0, 0.372, 1.90);
    for (int i = 1; i <= a.np; ++i) a.value[i] = values[static_cast<std::size_t>(i - 1)];
    a.step[1] = 1.5, a.step[3] = 0.02, a.step[4] = 0.2;
    return a;
}

std::string Posterior(const std::string& alg) {
    return "posterior --increments" + Q(DataPath("rig_increments.dat")) + " --alg" + Q(alg);
}

// Everything after the "Originally saved with the file name: " line.
std::string AfterPathLine(const std::string& text) {
    const std::size_t end = text.find("\r\n");
    return end == std::string::npos ? text : text.substr(end + 2);
}

}  // namespace

TEST(CliPosterior, WritesTheSameDataTextPosteriorFileAndGridFileAsTheDesktop) {
    ScratchDir dir;
    const std::string alg = dir.Write("rig.alg", FormatAlgorithmFile(RigAlgorithm(), AlgorithmWriter::CommandMenu));
    const CliRun run = RunCli(dir, Posterior(alg) + " --parameter 1 --integrate 3 --points 9 --grid 7 --save" +
                                       Q(dir.Path("cli.pos")) + " --grid-file" + Q(dir.Path("cli.grd")));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.out.starts_with("Bayesian posterior distribution data\n\n  Point       Value"));
    const std::string pos = ReadFile(dir.Path("cli.pos"));
    EXPECT_EQ(pos, "Originally saved with the file name: " + dir.Path("cli.pos") + "\r\n\r\n" + WithCRLF(run.out));

    // The desktop on the same data and file: parameter 4 is not integrated there either.
    GrowthBench b;
    ASSERT_TRUE(b.InitialiseIncrements(DataPath("rig_increments.dat")));
    std::ifstream in(alg, std::ios::binary);
    ASSERT_TRUE(ReadAlgorithmText(in, 19, alg, b.wb.alg).ok());
    b.wb.alg.step[4] = 0.0;
    using namespace posterior_text;
    b.t.dialogs.ExpectMessage(Title, "This routine will create").ExpectMessage(Title, "First choose", Answer::Yes);
    b.t.dialogs.ExpectPrompt("Enter constant", "Your model suggests you use this constant: ", "0.5")
        .ExpectPrompt(Title, "Choose the parameter number", "1")
        .ExpectPrompt(Title, "for profile parameter", "9")
        .ExpectPrompt(Title, "for grid parameter", "7")
        .ExpectMessage(Title, "function calls", Answer::Yes)
        .ExpectMessage("Bivariate plot", "Do you want to view a bivariate plot of parameters 1 and 3?", Answer::Yes)
        .ExpectFile("Save grid values in...", dir.Path("desk.grd"))
        .ExpectMessage(Title, "The grid is too coarse");
    ASSERT_EQ(BayesianPosteriorCommand(b.wb), PosteriorEnd::Integrated);
    b.t.dialogs.ExpectFile("Save Bayesian posterior values in...", dir.Path("desk.pos"));
    b.wb.posteriorView.Click("cmdSave");
    EXPECT_EQ(AfterPathLine(ReadFile(dir.Path("desk.pos"))), AfterPathLine(pos));
    const std::string grid = ReadFile(dir.Path("cli.grd"));
    EXPECT_EQ(ReadFile(dir.Path("desk.grd")), grid);
    EXPECT_TRUE(grid.starts_with("Bivariate plot data for parameters 1 and 3 \r\n"
                                 "        X_Coord,        Y_Coord,  Prob_Density\r\n"));
    EXPECT_EQ(std::count(grid.begin(), grid.end(), '\n'), 2 + 9 * 7);
}

TEST(CliPosterior, ShardsMergedInAnyOrderGiveOneRunsTextsAndFilesBitForBit) {
    ScratchDir dir;
    const std::string alg = dir.Write("rig.alg", FormatAlgorithmFile(RigAlgorithm(), AlgorithmWriter::CommandMenu));
    const std::string common = Posterior(alg) + " --parameter 3 --integrate 1 --points 11 --grid 9";
    const std::string outputs = " --save" + Q(dir.Path("out.pos")) + " --grid-file" + Q(dir.Path("out.grd")) +
                                " --plots" + Q(dir.Path("plots"));
    const CliRun one = RunCli(dir, common + outputs);
    ASSERT_EQ(one.status, 0) << one.err;
    const CliRun oneJson = RunCli(dir, common + " --json");
    ASSERT_EQ(oneJson.status, 0) << oneJson.err;
    const auto files = [&] {
        std::map<std::string, std::string> f;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir.dir)) {
            const std::string name = e.path().filename().string();
            if (e.is_regular_file() && (name.starts_with("out.") || e.path().parent_path().filename() == "plots"))
                f[name] = ReadFile(e.path().string());
        }
        return f;
    };
    const auto oneFiles = files();
    // .pos, .grd, seven distributions and the density as PNG, SVG and CSV
    ASSERT_EQ(oneFiles.size(), 2u + 24u);
    std::filesystem::remove_all(dir.Path("plots"));

    for (int k = 1; k <= 4; ++k) {
        const CliRun part = RunCli(dir, common + " --shard " + std::to_string(k) + "/4 --save" +
                                            Q(dir.Path("part" + std::to_string(k))));
        ASSERT_EQ(part.status, 0) << part.err;
        EXPECT_TRUE(part.out.empty());
        EXPECT_TRUE(Has(part.err, "shard " + std::to_string(k) + " of 4: blocks ")) << part.err;
    }
    const std::string parts = Q(dir.Path("part3")) + Q(dir.Path("part1")) + Q(dir.Path("part4")) + Q(dir.Path("part2"));
    const CliRun merged = RunCli(dir, "posterior-merge" + parts + outputs);
    ASSERT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(merged.out, one.out);
    const auto mergedFiles = files();
    ASSERT_EQ(mergedFiles.size(), oneFiles.size());
    // Every file, pictures included, is the one-machine run's: the parts
    // carry the parameters' descriptions for the axis titles.
    for (const auto& [name, content] : oneFiles) EXPECT_TRUE(mergedFiles.at(name) == content) << name;
    EXPECT_TRUE(Has(mergedFiles.at("posterior-p3-likelihood.csv"), "Values for parameter #3 ("));
    const CliRun mergedJson = RunCli(dir, "posterior-merge" + parts + " --json");
    EXPECT_EQ(mergedJson.out, oneJson.out);
    EXPECT_TRUE(Has(oneJson.out, "\"integrated\": [\n    1\n  ]")) << oneJson.out;
    EXPECT_TRUE(Has(oneJson.out, "\"calls\": 99,"));

    // Refusals name the part: missing, repeated, from another run, damaged.
    CliRun bad = RunCli(dir, "posterior-merge" + Q(dir.Path("part1")) + Q(dir.Path("part2")) + Q(dir.Path("part4")));
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err, "corvane-cli posterior-merge: shard 3 of 4 is missing\n");
    EXPECT_TRUE(bad.out.empty());
    bad = RunCli(dir, "posterior-merge" + parts + Q(dir.Path("part1")));
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(Has(bad.err, "repeats shard 1 of 4")) << bad.err;
    ASSERT_EQ(RunCli(dir, common + " --constant 1 --shard 2/4 --save" + Q(dir.Path("other2"))).status, 0);
    bad = RunCli(dir, "posterior-merge" + Q(dir.Path("part1")) + Q(dir.Path("other2")) + Q(dir.Path("part3")) +
                          Q(dir.Path("part4")));
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err, "corvane-cli posterior-merge: part " + dir.Path("other2") + " does not belong with part " +
                           dir.Path("part1") + ": its covariance constant differs\n");
    const std::string text = ReadFile(dir.Path("part2"));
    dir.Write("cut2", text.substr(0, text.size() / 2));
    bad = RunCli(dir, "posterior-merge" + Q(dir.Path("part1")) + Q(dir.Path("cut2")) + Q(dir.Path("part3")) +
                          Q(dir.Path("part4")));
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(Has(bad.err, "the part " + dir.Path("cut2") + " is refused: ")) << bad.err;
}

TEST(CliPosterior, IntegrateListsTheParametersAndBadInputIsRefusedWithTwo) {
    ScratchDir dir;
    AlgorithmData a = RigAlgorithm();
    a.step[2] = 0.5;
    const std::string alg = dir.Write("rig.alg", FormatAlgorithmFile(a, AlgorithmWriter::CommandMenu));
    const std::string p = Posterior(alg);
    const struct {
        std::string arguments, message;
    } cases[] = {
        {p, "option --parameter N is needed"},
        {p + " --parameter 5", "parameter 5 has a step size of zero"},
        {p + " --parameter 20", "option --parameter: the model has 19 parameters"},
        {p + " --parameter 1 --integrate 3,5", "option --integrate: parameter 5 has a step size of zero"},
        {p + " --parameter 1 --integrate 3,1", "option --integrate names the evaluated parameter 1"},
        {p + " --parameter 1 --integrate 3,3", "option --integrate names parameter 3 twice"},
        {p + " --parameter 1 --integrate 2,3,4,5,6,7,8", "at most 6 parameters can be integrated"},
        {p + " --parameter 1 --integrate three", "option --integrate needs parameter numbers separated by commas"},
        {p + " --parameter 1 --points 0", "option --points needs a number from 1 to 1001"},
        {p + " --parameter 1 --grid 1002", "option --grid needs a number from 1 to 1001"},
        {p + " --parameter 1 --grid-file" + Q(dir.Path("x.grd")),
         "option --grid-file needs exactly one integrated parameter (there are 3)"},
        {p + " --parameter 1 --shard 2/4", "option --shard needs --save PART"},
        {p + " --parameter 1 --shard 5/4 --save" + Q(dir.Path("p")), "option --shard needs K/N with 1 <= K <= N"},
        {p + " --parameter 1 --shard 1/2 --save" + Q(dir.Path("p")) + " --plots" + Q(dir.Path("d")),
         "belong to the merge of the parts"},
        {p + " --parameter 1 --save" + Q(alg), "option --save names the --alg file"},
        {"posterior-merge --save" + Q(dir.Path("m.pos")), "name the part files to merge"},
        {"posterior-merge" + Q(dir.Path("none")), "the part " + dir.Path("none") + " cannot be read"},
        {"posterior-merge" + Q(alg), "is refused: it is not a posterior part"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(dir, c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments << "\n" << run.err;
        EXPECT_TRUE(Has(run.err, c.message)) << c.arguments << "\n" << run.err;
        EXPECT_TRUE(run.out.empty()) << c.arguments;
    }

    // Three parameters besides 1 have steps; --integrate picks one, and
    // nothing integrated needs only the m calls.
    CliRun run = RunCli(dir, p + " --parameter 1 --integrate 4 --points 5 --grid 3 --json");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Has(run.out, "\"integrated\": [\n    4\n  ]")) << run.out;
    EXPECT_TRUE(Has(run.out, "\"calls\": 15,"));
    a.step[2] = a.step[3] = a.step[4] = 0.0;
    const std::string lone = dir.Write("lone.alg", FormatAlgorithmFile(a, AlgorithmWriter::CommandMenu));
    run = RunCli(dir, Posterior(lone) + " --parameter 1 --points 7 --grid 9 --json");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Has(run.out, "\"calls\": 7,"));
    EXPECT_TRUE(Has(run.out, "\"reference\": null,"));
    EXPECT_TRUE(Has(run.err, "no parameter is integrated, so --grid is not used"));
}

TEST(CliPosterior, AnInterruptSignalShowsEveryFinishedPoint) {
    ScratchDir dir;
    const std::string alg = dir.Write("rig.alg", FormatAlgorithmFile(RigAlgorithm(), AlgorithmWriter::CommandMenu));
    // 1001 x 301 calls: far more than the test waits for.  Under way once
    // the first progress line is out (a plain line after 5 s on a file).
    const CliRun run = InterruptCli(dir,
                                    {"posterior", "--increments", DataPath("rig_increments.dat"), "--alg", alg,
                                     "--parameter", "1", "--integrate", "3", "--points", "1001", "--grid", "301"},
                                    [&] { return Has(ReadFile(dir.Path("err.txt")), "Posterior: point "); });
    ASSERT_NE(run.status, -1) << "the run did not stop at the interrupt";
    EXPECT_EQ(run.status, 1);
    const std::size_t at = run.err.find("interrupt at point ");
    ASSERT_NE(at, std::string::npos) << run.err;
    const int point = std::stoi(run.err.substr(at + 19));
    // The quit comes between batches; the point under way (point, or point + 1
    // when point was just finished) is not shown, every earlier one is.
    const std::size_t shown = run.err.find("interrupted: the first ");
    if (shown == std::string::npos) {
        // Too early for 3 points, or every point so far far out in the tail.
        EXPECT_TRUE(Has(run.err, "there is nothing to show") || Has(run.err, "far less likely")) << run.err;
        return;
    }
    const int kept = std::stoi(run.err.substr(shown + 23));
    EXPECT_GE(kept, point - 1);
    EXPECT_LE(kept, point);
    EXPECT_TRUE(Has(run.err, "interrupted: the first " + std::to_string(kept) + " of 1001 points are shown"))
        << run.err;
    EXPECT_TRUE(Has(run.out, "Bayesian posterior distribution data"));
    EXPECT_TRUE(Has(run.out, RightJustify(Format(kept, "##0"), 5) + "    "));
    EXPECT_FALSE(Has(run.out, RightJustify(Format(kept + 1, "##0"), 5) + "    "));
}

TEST(CliPosterior, PartsOfOneSetUpMergeWhateverDefaultsWereWrittenOutAndLineEndsTheDataHave) {
    ScratchDir dir;
    const std::string alg = dir.Write("rig.alg", FormatAlgorithmFile(RigAlgorithm(), AlgorithmWriter::CommandMenu));
    // The same records with the other line ends.
    const std::string data = ReadFile(DataPath("rig_increments.dat"));
    std::string otherEnds;
    if (data.find("\r\n") != std::string::npos) {
        for (char c : data)
            if (c != '\r') otherEnds += c;
    } else {
        for (char c : data) otherEnds += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    ASSERT_NE(otherEnds, data);
    const std::string copy = dir.Write("rig copy.dat", otherEnds);
    const std::string sizes = " --alg" + Q(alg) + " --parameter 3 --integrate 1 --points 5 --grid 5";
    const std::string one = "posterior --increments" + Q(DataPath("rig_increments.dat")) + sizes;
    // The default written out: gaussian increment errors.
    const std::string two = "posterior --increments" + Q(copy) + sizes + " --increment-errors gaussian";
    ASSERT_EQ(RunCli(dir, one + " --shard 1/2 --save" + Q(dir.Path("a1"))).status, 0);
    ASSERT_EQ(RunCli(dir, two + " --shard 2/2 --save" + Q(dir.Path("a2"))).status, 0);
    const CliRun merged = RunCli(dir, "posterior-merge" + Q(dir.Path("a1")) + Q(dir.Path("a2")));
    ASSERT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(merged.out, RunCli(dir, one).out);

    // Another set-up is still told apart: gamma errors.
    ASSERT_EQ(RunCli(dir, "posterior --increments" + Q(copy) + sizes + " --increment-errors gamma --shard 2/2 --save" +
                              Q(dir.Path("b2")))
                  .status,
              0);
    const CliRun bad = RunCli(dir, "posterior-merge" + Q(dir.Path("a1")) + Q(dir.Path("b2")));
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(Has(bad.err, "does not belong with part")) << bad.err;
}

TEST(CliPosterior, StepsFromACovarianceFileAndCoarseGridsAreTold) {
    ScratchDir dir;
    const std::string alg = dir.Write("rig.alg", FormatAlgorithmFile(RigAlgorithm(), AlgorithmWriter::CommandMenu));
    const std::string data = " --increments" + Q(DataPath("rig_increments.dat"));
    const std::string cov = dir.Path("rig.cov");
    ASSERT_EQ(RunCli(dir, "covariance" + data + " --alg" + Q(alg) + " --save" + Q(cov)).status, 0);
    // The file's own standard error of parameter 1 on grid 2: the first of
    // the three free parameters' lines, 14 characters from column 43.
    const std::string text = ReadFile(cov);
    const std::size_t heading = text.find("Par#");
    ASSERT_NE(heading, std::string::npos);
    const std::size_t line = text.find("\r\n", heading) + 2;
    const double se1 = std::stod(text.substr(line + 42, 14));
    ASSERT_GT(se1, 0.0);

    // m = 5: the profiled step is 8 SE / 4, so the points span +-4 SE.
    CliRun run = RunCli(dir, "posterior" + data + " --alg" + Q(alg) +
                                 " --parameter 1 --integrate 3 --points 5 --grid 5 --steps-from" + Q(cov) +
                                 " --steps-grid 2 --json");
    ASSERT_EQ(run.status, 0) << run.err;
    nlohmann::json j = nlohmann::json::parse(run.out);
    const double spacing = j["columns"][1]["value"].get<double>() - j["columns"][0]["value"].get<double>();
    EXPECT_NEAR(spacing, 2.0 * se1, 1e-6 * se1);
    EXPECT_TRUE(Has(run.err, "steps from grid 2 of " + cov)) << run.err;
    // Five points over +-4 SE put three within one SD: a warning, naming the step.
    ASSERT_TRUE(j["warnings"].is_array());
    ASSERT_FALSE(j["warnings"].empty()) << run.out;
    const std::string warning = j["warnings"][0].get<std::string>();
    EXPECT_TRUE(Has(warning, "The grid is too coarse")) << warning;
    EXPECT_TRUE(Has(warning, "use a step of ")) << warning;
    EXPECT_TRUE(Has(run.err, "warning: The grid is too coarse")) << run.err;

    // A covariance file of other estimates, or a grid option alone, is refused.
    AlgorithmData moved = RigAlgorithm();
    moved.value[1] += 1.0;
    const std::string other = dir.Write("moved.alg", FormatAlgorithmFile(moved, AlgorithmWriter::CommandMenu));
    run = RunCli(dir, "posterior" + data + " --alg" + Q(other) + " --parameter 1 --steps-from" + Q(cov));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(Has(run.err, "belongs to other estimates: parameter 1 is")) << run.err;
    run = RunCli(dir, "posterior" + data + " --alg" + Q(alg) + " --parameter 1 --steps-grid 2");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Has(run.err, "option --steps-grid needs --steps-from FILE.cov")) << run.err;
}

