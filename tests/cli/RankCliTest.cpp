// corvane-cli rank, run as the built program.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "../ranking/RankingSupport.h"
#include "CliRun.h"
#include "priors/PriorsFile.h"

using namespace corvane;
using namespace corvane::testing;
using nlohmann::json;

namespace {

// Two growth models on the rig increments: with and without individual
// variation in k (parameter 4), both estimating L-infinity and k.
struct TwoModels {
    TwoModels() {
        Write("varied.alg", {150, 20, 0.3, 0.1}, {1, 3, 4});
        Write("fixed.alg", {150, 20, 0.3, 0.0}, {1, 3});
    }
    void Write(const std::string& name, std::vector<double> four, const std::vector<int>& free) {
        AlgorithmData a;
        a.np = 19;
        SetDefaultAlgorithmData(a, 19);
        const std::vector<double> values = Fixed19(four[0], four[1], four[2], four[3]);
        for (int i = 1; i <= 19; ++i) a.value[i] = values[static_cast<std::size_t>(i - 1)];
        for (int i : free) a.step[i] = 0.01;
        dir.Write(name, FormatAlgorithmFile(a, AlgorithmWriter::CommandMenu));
    }
    std::string Rank(const std::string& more) const {
        return "rank --increments \"" + DataPath("rig_increments.dat") + "\" --model \"" + dir.Path("varied.alg") +
               "\" --model \"" + dir.Path("fixed.alg") + "\"" + more;
    }
    double Objective(const std::string& alg) const {
        const CliRun run = RunCli(dir, "evaluate --value --increments \"" + DataPath("rig_increments.dat") +
                                           "\" --alg \"" + dir.Path(alg) + "\"");
        return std::stod(run.out);
    }
    ScratchDir dir;
};

}  // namespace

TEST(CliRank, RanksByAICcAndPrintsTheTableOrJson) {
    TwoModels m;
    const double varied = m.Objective("varied.alg"), fixed = m.Objective("fixed.alg");
    CliRun run = RunCli(m.dir, m.Rank(" --json"));
    ASSERT_EQ(run.status, 0) << run.err;
    // Each model's use of the data is told on standard error.
    EXPECT_NE(run.err.find("corvane-cli rank: model " + m.dir.Path("fixed.alg") + ":\ncorvane-cli rank: increments: 114 records"),
              std::string::npos) << run.err;
    const json j = json::parse(run.out);
    ASSERT_EQ(j.size(), 1u);
    const json& models = j.at("models");
    ASSERT_EQ(models.size(), 2u);
    // -ln[L] = 0.5 x objective (the model's -2 ln[L]); N = 114 records.
    std::map<std::string, json> byFile;
    for (const auto& e : models) byFile[e.at("file").get<std::string>()] = e;
    const json& v = byFile.at(m.dir.Path("varied.alg"));
    const json& f = byFile.at(m.dir.Path("fixed.alg"));
    EXPECT_NEAR(v.at("nll").get<double>(), 0.5 * varied, 1e-9);
    EXPECT_EQ(v.at("k"), 3);
    EXPECT_EQ(f.at("k"), 2);
    // N counts the records the likelihood used: with %SE 0 the increments
    // <= 0 are left out.
    const int n = 114 - IncrementsNotAboveZero(DataPath("rig_increments.dat"));
    EXPECT_EQ(v.at("n"), n);
    EXPECT_NEAR(v.at("aicc").get<double>(), 2.0 * 3 * n / (n - 4.0) + varied, 1e-9);
    EXPECT_NEAR(f.at("aicc").get<double>(), 2.0 * 2 * n / (n - 3.0) + fixed, 1e-9);
    EXPECT_EQ(v.at("qaicc"), v.at("aicc"));
    EXPECT_TRUE(v.at("cov_file").is_null());
    // Rank order: the smaller AICc first with delta 0; the weights sum to 1.
    EXPECT_LE(models[0].at("aicc").get<double>(), models[1].at("aicc").get<double>());
    EXPECT_EQ(models[0].at("delta").get<double>(), 0.0);
    const double d = models[1].at("aicc").get<double>() - models[0].at("aicc").get<double>();
    EXPECT_NEAR(models[1].at("delta").get<double>(), d, 1e-9);
    EXPECT_NEAR(models[0].at("weight").get<double>() + models[1].at("weight").get<double>(), 1.0, 1e-12);
    EXPECT_NEAR(models[1].at("weight").get<double>() / models[0].at("weight").get<double>(), std::exp(-0.5 * d), 1e-12);

    // The table is the multi-model statistics file with LF line ends; --save
    // writes it with CR LF.
    run = RunCli(m.dir, m.Rank(" --save \"" + m.dir.Path("r.mms") + "\""));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, 33), "     2 < Number of models ranked\n");
    EXPECT_NE(run.out.find("        AICc       dAICc      AIC Wt"), std::string::npos);
    std::string saved = ReadFile(m.dir.Path("r.mms")), lf;
    for (char c : saved)
        if (c != '\r') lf += c;
    EXPECT_EQ(lf, run.out);
    EXPECT_NE(saved.find("\r\n"), std::string::npos);

    // C-hat 2: QAICc halves the likelihood term; delta and weight follow it.
    run = RunCli(m.dir, m.Rank(" --json --c-hat 2"));
    ASSERT_EQ(run.status, 0) << run.err;
    const json q = json::parse(run.out).at("models");
    for (const auto& e : q)
        EXPECT_NEAR(e.at("qaicc").get<double>(),
                    e.at("aicc").get<double>() - e.at("nll").get<double>(), 1e-9);
    EXPECT_NEAR(q[1].at("delta").get<double>(), q[1].at("qaicc").get<double>() - q[0].at("qaicc").get<double>(), 1e-9);
}

TEST(CliRank, ConstantAndPriorsEnterEveryModelsLikelihood) {
    TwoModels m;
    auto nll = [&](const std::string& more) {
        const CliRun run = RunCli(m.dir, m.Rank(" --json" + more));
        EXPECT_EQ(run.status, 0) << run.err;
        std::map<std::string, double> byFile;
        const json j = json::parse(run.out);
        for (const auto& e : j.at("models")) byFile[e.at("file").get<std::string>()] = e.at("nll").get<double>();
        return byFile.at(m.dir.Path("varied.alg"));
    };
    const double plain = nll("");
    EXPECT_NEAR(nll(" --constant 1"), 2.0 * plain, 1e-9);

    // A normal prior on L-infinity: -ln[L] = c x (objective + prior / c).
    PriorTable table;
    table.Reset(19);
    table.rows[1].type = 'N';
    table.rows[1].firstMean = 140.0;
    table.rows[1].firstSD = 5.0;
    const std::string pri = m.dir.Write("tight.pri", FormatPriorsFile(table));
    EXPECT_NEAR(nll(" --priors \"" + pri + "\""), plain + PriorValue(table.rows[1], 150.0), 1e-9);
    EXPECT_NEAR(nll(" --priors \"" + pri + "\" --constant 1"), 2.0 * plain + PriorValue(table.rows[1], 150.0), 1e-9);
}

TEST(CliRank, AveragesFromTheCovarianceFilesBesideTheModels) {
    TwoModels m;
    // The fixed model's own fit: its covariance file holds its values.
    m.Write("fixed.alg", {152, 20, 0.32, 0.0}, {1, 3});
    m.dir.Write("varied.cov", CovarianceText(Fixed19(150, 20, 0.3, 0.1),
                                             {{1, 2.0, 2.1, 2.2}, {3, 0.01, 0.011, 0.012}, {4, 0.02, 0.02, -1}}));
    m.dir.Write("fixed.cov", CovarianceText(Fixed19(152, 20, 0.32, 0.0), {{1, 3.0, 3.1, 3.2}, {3, 0.02, 0.021, 0.022}}));
    CliRun run = RunCli(m.dir, m.Rank(" --average --json"));
    ASSERT_EQ(run.status, 0) << run.err;
    const json j = json::parse(run.out);
    const json& models = j.at("models");
    for (const auto& e : models) {
        const std::string file = e.at("file");
        EXPECT_EQ(e.at("cov_file"), file.substr(0, file.size() - 4) + ".cov");
    }
    const json& average = j.at("average");
    ASSERT_EQ(average.size(), 19u);
    double wVaried = 0.0;
    for (const auto& e : models)
        if (e.at("file").get<std::string>().find("varied") != std::string::npos) wVaried = e.at("weight");
    EXPECT_NEAR(average[0].at("estimate").get<double>(), 150.0 * wVaried + 152.0 * (1 - wVaried), 1e-9);
    EXPECT_EQ(average[0].at("parameter"), 1);
    // Grid 3 has a -1 standard error in one model: null for every parameter.
    for (const auto& p : average) EXPECT_TRUE(p.at("se")[2].is_null());
    EXPECT_FALSE(average[0].at("se")[0].is_null());

    // The text form ends with the averaging text.
    run = RunCli(m.dir, m.Rank(" --average"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\n\nParameter estimates and their SEs resulting from averaging across all ranked models.\n"),
              std::string::npos);
    EXPECT_NE(run.out.find("         19      -9.9900E+02      0.0000E+00      0.0000E+00     -1.0000E+00\n"),
              std::string::npos);

    // A covariance file for another parameter count is refused by name; the
    // ranking is printed and saved all the same.
    m.dir.Write("fixed.cov", CovarianceText({152, 20}, {{1, 3.0, 3.1, 3.2}}));
    run = RunCli(m.dir, m.Rank(" --average --save \"" + m.dir.Path("refused.mms") + "\""));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out.substr(0, 33), "     2 < Number of models ranked\n");
    EXPECT_EQ(run.out.find("Parameter estimates and their SEs"), std::string::npos);
    EXPECT_NE(ReadFile(m.dir.Path("refused.mms")).find("< Number of models ranked"), std::string::npos);
    EXPECT_NE(run.err.find(m.dir.Path("fixed.cov")), std::string::npos) << run.err;

    // So is a missing one, named where it was looked for.
    std::filesystem::remove(m.dir.Path("fixed.cov"));
    run = RunCli(m.dir, m.Rank(" --average"));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out.substr(0, 33), "     2 < Number of models ranked\n");
    EXPECT_NE(run.err.find("Sorry, the covariance file is missing for at least one ranked model:\n  " +
                           m.dir.Path("fixed.cov") + " (model fixed.alg)"),
              std::string::npos)
        << run.err;
}

// Models of different data are not ranked: with %SE 0 the rig's increments
// <= 0 drop out of the likelihood, with %SE 2 every record is used.
TEST(CliRank, ModelsThatUseDifferentRecordsAreRefusedNamingEachCount) {
    TwoModels m;
    AlgorithmData a;
    a.np = 19;
    SetDefaultAlgorithmData(a, 19);
    const std::vector<double> values = Fixed19(150, 20, 0.3, 0.1);
    for (int i = 1; i <= 19; ++i) a.value[i] = values[static_cast<std::size_t>(i - 1)];
    a.value[9] = 2.0;
    for (int i : {1, 3, 9}) a.step[i] = 0.01;
    m.dir.Write("measured.alg", FormatAlgorithmFile(a, AlgorithmWriter::CommandMenu));
    const CliRun run = RunCli(m.dir, m.Rank(" --model \"" + m.dir.Path("measured.alg") + "\""));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    const int n = 114 - IncrementsNotAboveZero(DataPath("rig_increments.dat"));
    for (const std::string& piece : {"model 1 (varied.alg): N = " + std::to_string(n),
                                     "model 2 (fixed.alg): N = " + std::to_string(n),
                                     std::string("model 3 (measured.alg): N = 114")})
        EXPECT_NE(run.err.find(piece), std::string::npos) << piece << "\n" << run.err;
}

TEST(CliRank, BadInputExitsWithTwo) {
    TwoModels m;
    // Four records and four free parameters: N - K - 1 < 0.
    std::string four = "  Set, Init, Incr, Start,   End\n";
    for (int i = 0; i < 4; ++i) four += "     1,70.000,10.000,700.00,1400.0\n";
    m.dir.Write("four.dat", four);
    m.Write("four.alg", {150, 20, 0.3, 0.1}, {1, 2, 3, 4});
    const struct {
        std::string arguments;
        std::string message;
    } cases[] = {
        {"rank --increments \"" + m.dir.Path("four.dat") + "\" --model \"" + m.dir.Path("four.alg") + "\"",
         "N - K - 1 must be above 0"},
        {"rank --increments \"" + DataPath("rig_increments.dat") + "\"", "at least one --model FILE is required"},
        {m.Rank(" --c-hat 0.9"), "option --c-hat needs a number of 1 or more"},
        {m.Rank(" --model \"" + m.dir.Path("none.alg") + "\""), "none.alg could not be loaded"},
        {m.Rank(" --alg x.alg"), "unexpected argument \"--alg\""},
        {m.Rank(" --save \"" + m.dir.Path("fixed.alg") + "\""), "option --save names the --model file"},
        {m.Rank(" --model"), "option --model needs a value"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(m.dir, c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments << "\n" << run.err;
        EXPECT_EQ(run.out, "") << c.arguments;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << "\n" << run.err;
    }
}
