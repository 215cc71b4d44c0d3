// --priors and --constant on the commands that evaluate the model.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>

#include "CliRun.h"
#include "priors/PriorsFile.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

std::string Q(const std::string& path) { return " \"" + path + "\""; }
bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

// A priors file for n parameters with one Gaussian prior.
std::string PriorsFile(const ScratchDir& dir, const std::string& name, int n, int parameter, double mean, double sd) {
    PriorTable t;
    t.Reset(n);
    if (parameter > 0) t.rows[parameter] = PriorRow{'N', mean, sd, "Unused", "Unused"};
    return dir.Write(name, FormatPriorsFile(t));
}

const std::string kEvaluate =
    "evaluate --increments examples/growth_gaussian.dat --alg examples/growth_gaussian.alg";

}  // namespace

// The example's L-infinity mean is 120; a prior N(118, 1) gives 0.5 x 2^2 = 2,
// which the default constant 0.5 turns into 4 objective units.
TEST(CliPriors, EvaluateAddsThePriorTotalAndPrintsTheReview) {
    ScratchDir dir;
    const std::string priors = PriorsFile(dir, "p.pri", 19, 1, 118.0, 1.0);
    CliRun run = RunCli(dir, kEvaluate + " --value");
    ASSERT_EQ(run.status, 0) << run.err;
    const double plain = std::stod(run.out);

    run = RunCli(dir, kEvaluate + " --value --priors" + Q(priors));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NEAR(std::stod(run.out), plain + 4.0, 1e-9);
    EXPECT_TRUE(Has(run.err, "Bayes information: Bayesian Priors file " + priors + " has been loaded"));
    run = RunCli(dir, kEvaluate + " --value --priors" + Q(priors) + " --constant 1");
    EXPECT_NEAR(std::stod(run.out), plain + 2.0, 1e-9);

    run = RunCli(dir, kEvaluate + " --priors" + Q(priors));
    ASSERT_EQ(run.status, 0) << run.err;
    const auto report = run.out.find("Current minimum of ");
    const auto review = run.out.find("\nNote: Here is a chance to review the likelihood");
    ASSERT_NE(report, std::string::npos);
    ASSERT_NE(review, std::string::npos);
    EXPECT_LT(report, review);
    EXPECT_TRUE(Has(run.out.substr(review),
                    "\nParameter   1 at  1.200E+02 has a prior -ln[density] of     2.00 and a prior density of 0.135335; "
                    "it adds     4.00 to the objective\n"
                    "\n           The entire model has a prior -ln[density] of     2.00"));
    EXPECT_FALSE(Has(run.out, "\r"));

    // A file of uniform priors changes nothing and brings no review.
    const std::string uniform = PriorsFile(dir, "u.pri", 19, 0, 0, 0);
    run = RunCli(dir, kEvaluate + " --priors" + Q(uniform));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(Has(run.out, "Here is a chance"));
}

TEST(CliPriors, RefusedPriorsFilesAndConstantsExitWithTwo) {
    ScratchDir dir;
    const std::string twelve = PriorsFile(dir, "twelve.pri", 12, 1, 1.0, 1.0);
    CliRun run = RunCli(dir, kEvaluate + " --priors" + Q(twelve));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(Has(run.err, "Bayes information: Bayesian priors file  " + twelve +
                                 "  has 12 parameters, but your model specifies 19."))
        << run.err;

    // An SD of 0 would divide by zero: refused at load.
    std::string text = ReadFile(PriorsFile(dir, "z.pri", 19, 2, 10.0, 1.0));
    text.replace(text.find(" 1.000E+000", text.find("  2   N")), 11, " 0.000E+000");
    const std::string zero = dir.Write("zero.pri", text);
    run = RunCli(dir, "fit --increments examples/growth_gaussian.dat --alg examples/growth_gaussian.alg --priors" +
                          Q(zero));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(Has(run.err, "line 3 (parameter 2): a Gaussian prior needs an SD other than 0")) << run.err;

    run = RunCli(dir, kEvaluate + " --priors" + Q(dir.Path("missing.pri")));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(Has(run.err, "could not be opened"));
    run = RunCli(dir, kEvaluate + " --constant -0.5");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Has(run.err, "corvane-cli evaluate: option --constant needs a number above 0, not -0.5"));
}

// A tight prior N(100, 0.01) on L-infinity holds the fit of the rig data
// (whose likelihood alone puts it near 104.6) at 100.
TEST(CliPriors, FitMinimisesThePosteriorAndReviewsIt) {
    ScratchDir dir;
    AlgorithmData a;
    SetDefaultAlgorithmData(a, a.np = 19);
    const std::vector<double> start = Fixed19(104.6, 12.0, 0.372, 1.90);
    for (int i = 1; i <= 19; ++i) a.value[i] = start[static_cast<std::size_t>(i - 1)];
    a.step[1] = 10, a.step[2] = 3, a.step[3] = 0.1, a.step[4] = 0.05;
    const std::string alg = dir.Write("start.alg", FormatAlgorithmFile(a, AlgorithmWriter::CommandMenu));
    const std::string priors = PriorsFile(dir, "tight.pri", 19, 1, 100.0, 0.01), saved = dir.Path("fit.alg");
    const CliRun run = RunCli(dir, "fit --increments" + Q(DataPath("rig_increments.dat")) + " --alg" + Q(alg) +
                                       " --priors" + Q(priors) + " --save-alg" + Q(saved));
    ASSERT_EQ(run.status, 0) << run.err;
    AlgorithmData fitted;
    SetDefaultAlgorithmData(fitted, fitted.np = 19);
    std::ifstream in(saved, std::ios::binary);
    ASSERT_TRUE(ReadAlgorithmText(in, 19, saved, fitted).ok());
    EXPECT_NEAR(fitted.value[1], 100.0, 0.01);
    const auto review = run.out.find("\nNote: Here is a chance to review");
    ASSERT_NE(review, std::string::npos);
    EXPECT_TRUE(Has(run.out.substr(review), "\nParameter   1 at  1.000E+02 has a prior -ln[density] of "));
}
