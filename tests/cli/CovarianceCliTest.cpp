// corvane-cli covariance, run as the built program on the rig tag-recapture
// data at its maximum-likelihood estimates (L-infinity mean and SD, k mean
// and SD free; the minimum as corvane-cli fit finds it).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "CliRun.h"
#include "numeric/FixedColumns.h"
#include "priors/PriorsFile.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

// Standard errors from a Hessian by finite differences of the growth
// covariance test's own, at the same estimates.
constexpr double kRigSE[4] = {12.945, 3.06195, 0.32792, 1.00395};

std::string RigAlg(const ScratchDir& dir, const std::string& name, std::vector<double> steps) {
    AlgorithmData a;
    a.np = 19;
    SetDefaultAlgorithmData(a, a.np);
    const std::vector<double> values = Fixed19(104.64894, 12.025565, 0.37155638, 1.8982004);
    for (int i = 1; i <= a.np; ++i) a.value[i] = values[static_cast<std::size_t>(i - 1)];
    for (std::size_t k = 0; k < steps.size(); ++k) a.step[static_cast<int>(k) + 1] = steps[k];
    return dir.Write(name, FormatAlgorithmFile(a, AlgorithmWriter::CommandMenu));
}

std::string Q(const std::string& path) { return " \"" + path + "\""; }
std::string Covariance(const std::string& alg) {
    return "covariance --increments" + Q(DataPath("rig_increments.dat")) + " --alg" + Q(alg);
}
bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

std::vector<std::string> Lines(const std::string& text, const std::string& end) {
    std::vector<std::string> lines;
    for (std::size_t start = 0, at; (at = text.find(end, start)) != std::string::npos; start = at + end.size())
        lines.push_back(text.substr(start, at - start));
    return lines;
}

// The standard error of free parameter k on grid g where the averaging reads
// it: line 19 + n + k of the file, the 14 characters from 25 + 18 (g - 1).
double FileSE(const std::vector<std::string>& fileLines, int k, int g) {
    const std::string& line = fileLines[static_cast<std::size_t>(19 + 19 + k - 1)];
    return *StrictNumber(Field(line, 25 + 18 * (g - 1), 14));
}

const std::vector<double> kMarginalSteps = {10, 3, 0.1, 0.05};

}  // namespace

TEST(CliCovariance, RigReportAndFileWithAGridThatIsNotPositiveDefinite) {
    ScratchDir dir;
    // Steps near the marginal SEs: grid 1 reaches far along the curved ridge.
    const std::string alg = RigAlg(dir, "rig.alg", kMarginalSteps), cov = dir.Path("rig.cov");
    const CliRun run = RunCli(dir, Covariance(alg) + " --save" + Q(cov));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.find("Parameter values, step sizes, link codes, and definitions for numerically calculated "
                           "covariances:\n\n 001)  1.0464894E+02   1.0000000E+01  ~~  Mean of L-infinity"),
              0u);
    EXPECT_TRUE(Has(run.out, "Covariance constant: 0.5\n"));
    EXPECT_TRUE(Has(run.err, "corvane-cli covariance: grid 1 has no result: the Hessian matrix is not "
                             "positive-definite (the test failed at parameter # 2)\n"));
    EXPECT_TRUE(Has(run.err, "Possible reasons: (1)"));
    EXPECT_FALSE(Has(run.err, "grid 2 has no result"));

    // The file is the report with CR LF, after the one header line.
    const std::string file = ReadFile(cov);
    const std::string header = "Originally saved with the file name: " + cov + "\r\n\r\n";
    ASSERT_EQ(file.compare(0, header.size(), header), 0);
    std::string asTerminal;
    for (char ch : file.substr(header.size()))
        if (ch != '\r') asTerminal += ch;
    EXPECT_EQ(asTerminal, run.out);
    EXPECT_EQ(Lines(file, "\r\n").size(), Lines(file, "\n").size());

    const auto lines = Lines(file, "\r\n");
    EXPECT_NEAR(*StrictNumber(Field(lines[4], 7, 14)), 104.64894, 1e-5);
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(FileSE(lines, k, 1), -1.0);
        EXPECT_NEAR(FileSE(lines, k, 3), kRigSE[k - 1], 0.03 * kRigSE[k - 1]) << k;
        EXPECT_NEAR(FileSE(lines, k, 2), kRigSE[k - 1], 0.06 * kRigSE[k - 1]) << k;
    }

    // The same run as one JSON object: the grid without a result is null
    // throughout, the others carry the file's standard errors.
    const CliRun json = RunCli(dir, Covariance(alg) + " --json");
    ASSERT_EQ(json.status, 0) << json.err;
    const auto j = nlohmann::json::parse(json.out);
    EXPECT_NEAR(j["objective"].get<double>(), 347.5758817, 1e-6);
    EXPECT_EQ(j["constant"], 0.5);
    EXPECT_EQ(j["free_parameters"], 4);
    const auto& grids = j["grids"];
    ASSERT_EQ(grids.size(), 3u);
    EXPECT_FALSE(grids[0]["valid"].get<bool>());
    EXPECT_EQ(grids[0]["not_positive_definite_at"], 2);
    EXPECT_TRUE(grids[0]["determinant"].is_null());
    EXPECT_TRUE(grids[0]["standard_errors"][0]["se"].is_null());
    for (int k = 1; k <= 4; ++k) {
        const auto& se = grids[2]["standard_errors"][static_cast<std::size_t>(k - 1)];
        EXPECT_EQ(se["parameter"], k);
        EXPECT_NEAR(se["se"].get<double>(), FileSE(lines, k, 3), 1e-7 * FileSE(lines, k, 3));
        const double variance = grids[2]["covariance"][static_cast<std::size_t>(k - 1)][static_cast<std::size_t>(k - 1)];
        EXPECT_NEAR(std::sqrt(variance), se["se"].get<double>(), 1e-12 * se["se"].get<double>());
    }
    // The inverse by LU is symmetric to rounding.
    const double c01 = grids[2]["covariance"][0][1], c10 = grids[2]["covariance"][1][0];
    EXPECT_NEAR(c01, c10, 1e-12 * std::fabs(c01));
}

TEST(CliCovariance, FactorsConstantAndOptimisticOptionsReachTheReport) {
    ScratchDir dir;
    const std::string alg = RigAlg(dir, "rig.alg", kMarginalSteps);
    // Grids of 1/20 to 1/2000 of the steps: all three agree.
    const CliRun small = RunCli(dir, Covariance(alg) + " --grid-factors 0.05,0.005,0.0005");
    ASSERT_EQ(small.status, 0) << small.err;
    EXPECT_FALSE(Has(small.err, "has no result"));
    // How the likelihood used the data is told, as by the other commands.
    EXPECT_TRUE(Has(small.err, "corvane-cli covariance: increments: 114 records, 75 used, 39 skipped"));
    EXPECT_TRUE(Has(small.out, "Factors:              1) 5.0000000E-02  2) 5.0000000E-03  3) 5.0000000E-04\n"));
    const auto lines = Lines(small.out, "\n");
    const auto se = [&lines](int k, int g) {
        return *StrictNumber(Field(lines[static_cast<std::size_t>(17 + 19 + k - 1)], 25 + 18 * (g - 1), 14));
    };
    for (int k = 1; k <= 4; ++k)
        for (int g = 1; g <= 3; ++g) EXPECT_NEAR(se(k, g), kRigSE[k - 1], 0.03 * kRigSE[k - 1]) << k << " " << g;

    // A constant of 1 halves the variances of the model's suggested 0.5.
    const CliRun one = RunCli(dir, Covariance(alg) + " --grid-factors 0.05,0.005,0.0005 --constant 1");
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_TRUE(Has(one.out, "Covariance constant: 1\n"));
    const auto oneLines = Lines(one.out, "\n");
    EXPECT_NEAR(*StrictNumber(Field(oneLines[17 + 19], 61, 14)), se(1, 3) / std::sqrt(2.0), 1e-6 * se(1, 3));

    const CliRun optimistic = RunCli(dir, Covariance(alg) + " --optimistic");
    ASSERT_EQ(optimistic.status, 0) << optimistic.err;
    EXPECT_TRUE(Has(optimistic.out,
                    "\nNote: The above SE estimates are optimistic (under-estimated) conditional estimates\n"));
    EXPECT_FALSE(Has(optimistic.out, "Correlations"));
}

TEST(CliCovariance, APriorAddsItsPrecisionToTheHessian) {
    ScratchDir dir;
    const std::string alg = RigAlg(dir, "rig.alg", kMarginalSteps);
    // N(estimate, 5) on the L-infinity mean: 1/25 more precision in -ln[L]
    // units, and no shift of the minimum.
    PriorTable table;
    table.Reset(19);
    table.rows[1] = PriorRow{'N', 104.64894, 5.0, "Unused", "Unused"};
    const std::string priors = dir.Write("rig.pri", FormatPriorsFile(table));
    const std::string small = Covariance(alg) + " --grid-factors 0.05,0.005,0.0005";
    const CliRun plain = RunCli(dir, small), withPrior = RunCli(dir, small + " --priors" + Q(priors));
    ASSERT_EQ(plain.status, 0) << plain.err;
    ASSERT_EQ(withPrior.status, 0) << withPrior.err;
    const auto variance = [](const CliRun& run) {
        const double se = *StrictNumber(Field(Lines(run.out, "\n")[17 + 19], 61, 14));
        return se * se;
    };
    const double c11 = variance(plain);
    EXPECT_NEAR(variance(withPrior), c11 / (1.0 + c11 / 25.0), 1e-5 * c11);  // Sherman-Morrison
}

TEST(CliCovariance, AnalyticalCovariancesAreRefusedForTheGrowthModelBeforeRunning) {
    ScratchDir dir;
    // The growth model gives no analytical derivatives: every grid would
    // fail (once, "no grid has a result" after a full run); now nothing runs.
    const std::string alg = RigAlg(dir, "rig.alg", kMarginalSteps), cov = dir.Path("none.cov");
    const CliRun run = RunCli(dir, Covariance(alg) + " --method analytical --save" + Q(cov));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(Has(run.err, "option --method analytical: the model")) << run.err;
    EXPECT_TRUE(Has(run.err, "supplies no analytical derivatives; use --method numerical")) << run.err;
    EXPECT_FALSE(Has(run.err, "grid 1")) << run.err;  // no grid was started
    EXPECT_FALSE(std::filesystem::exists(cov));
}

TEST(CliCovariance, BadInputIsRefusedBeforeAnythingRuns) {
    ScratchDir dir;
    const std::string alg = RigAlg(dir, "rig.alg", kMarginalSteps);
    const std::string frozen = RigAlg(dir, "frozen.alg", {});
    const struct {
        std::string arguments;
        std::string message;
    } cases[] = {
        {Covariance(alg) + " --grid-factors 1,2", "option --grid-factors needs three numbers above 0"},
        {Covariance(alg) + " --grid-factors 1,0,0.1", "not \"1,0,0.1\""},
        {Covariance(alg) + " --grid-factors a,b,c", "separated by commas"},
        {Covariance(alg) + " --method analytical --grid-factors 1,0.1,0.01",
         "option --grid-factors belongs to --method numerical"},
        {Covariance(alg) + " --constant 0", "option --constant needs a number above 0"},
        {Covariance(alg) + " --method exact", "option --method takes numerical or analytical"},
        {Covariance(alg) + " --save" + Q(alg), "option --save names the --alg file"},
        {Covariance(alg) + " --save" + Q(dir.Path("")), "option --save: cannot write"},
        {Covariance(frozen), "There is nothing to do!: All step sizes are zero"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(dir, c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments << "\n" << run.err;
        EXPECT_EQ(run.out, "") << c.arguments;
        EXPECT_TRUE(Has(run.err, c.message)) << c.arguments << "\n" << run.err;
    }
}
