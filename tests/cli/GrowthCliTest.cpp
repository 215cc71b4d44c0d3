// corvane-cli evaluate and simulate, run as the built program.
#include <gtest/gtest.h>

#include <string>

#include "CliRun.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

// "--alg FILE" with the values written into the scratch directory.
std::string Alg(const ScratchDir& dir, const std::vector<double>& values, const std::string& name = "t.alg") {
    return " --alg \"" + dir.Write(name, AlgorithmText(values)) + "\"";
}

std::string Data(const std::string& name) { return "\"" + SharedDataPath(name) + "\""; }

}  // namespace

TEST(CliEvaluate, PrintsTheOneFunctionCallReportOrTheValue) {
    REQUIRE_SHARED_DATA("rig_increments.dat");
    ScratchDir dir;
    const std::string model = "evaluate --increments " + Data("rig_increments.dat") + Alg(dir, Fixed19(150, 20, 0.3, 0.1));
    CliRun run = RunCli(dir, model + " --value");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NEAR(std::stod(run.out), 631.52374345130204, 1e-9);
    EXPECT_EQ(run.out.find('\n'), run.out.size() - 1);
    run = RunCli(dir, model + " --increment-errors gamma --value");
    EXPECT_NEAR(std::stod(run.out), 801.9309813643215, 1e-9);

    run = RunCli(dir, model);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Current minimum of 631.52374 found at the following parameter values: "), std::string::npos);
    EXPECT_NE(run.out.find("    013) -9.9900000E+02  ~~  von Bertalanffy's t0"), std::string::npos);
    EXPECT_NE(run.out.find("Note: One function call requires about "), std::string::npos);
    EXPECT_EQ(run.err, "");
}

TEST(CliEvaluate, BadInputExitsWithTwoAndNothingOnStandardOutput) {
    REQUIRE_SHARED_DATA("rig_increments.dat");
    REQUIRE_SHARED_DATA("alba_frequencies.dat");
    ScratchDir dir;
    const std::string rig = " --increments " + Data("rig_increments.dat");
    const std::string alg = Alg(dir, Fixed19(150, 20, 0.3, 0.1));
    std::string cells = "label\n";
    for (int i = 0; i < 251; ++i) cells += std::to_string(i) + ".5\n";
    const std::string wide = dir.Write("wide.dat", cells);
    const struct {
        std::string arguments;
        std::string message;
    } cases[] = {
        {"evaluate" + rig, "--alg FILE is required"},
        {"evaluate" + alg, "Missing input: Please specify the frequency file and/or increment file"},
        {"evaluate --increments \"" + dir.Path("none.dat") + "\"" + alg,
         "Increment data file: The increment data file could not be opened"},
        {"evaluate" + rig + Alg(dir, std::vector<double>(27, 1.0), "27.alg"),
         "Algorithm file - information input failed: Algorithm file  " + dir.Path("27.alg") +
             "  has 27 parameters, but your model specifies 19"},
        {"evaluate --frequencies \"" + wide + "\" --series 1 --blended 5" + alg,
         "Fatal error - analysis stops: Maximum number of 250 frequency cells exceeded"},
        {"evaluate --frequencies " + Data("alba_frequencies.dat") + " --series 7 --blended 5 --first-cell 0" + alg,
         "Initialize: First frequency cell must be positive"},
        {"evaluate --frequencies " + Data("alba_frequencies.dat") + " --series 1 --blended 5" +
             Alg(dir, std::vector<double>(20, 1.0), "20.alg"),
         "size frequency likelihood is not part of this build"},
        {"evaluate" + rig + alg + " --increment-errors cauchy", "--increment-errors takes gaussian or gamma"},
        {"evaluate" + rig + alg + " --series 2", "the frequency options need --frequencies FILE"},
        {"evaluate" + rig + alg + " --identified two", "option --identified needs a whole number"},
        {"evaluate" + rig + alg + " --bogus", "unexpected argument \"--bogus\""},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(dir, c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments << "\n" << run.err;
        EXPECT_EQ(run.out, "") << c.arguments;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << "\n" << run.err;
    }
}

TEST(CliSimulate, RoundTripFavoursTheTrueParameters) {
    ScratchDir dir;
    for (const std::string errors : {"gaussian", "gamma"}) {
        auto truth = Fixed19(120, 10, 0.35, 0.08);
        truth[8] = 2;  // %SE
        if (errors == "gaussian") {
            truth[4] = 0.1;  // an annual cycle in k
            truth[5] = 200;
        }
        const std::string data = dir.Path("sim-" + errors + ".dat");
        const std::string make = "simulate" + Alg(dir, truth, "truth.alg") + " --records 500 --seed 5 "
                                 "--initial-size 30:100 --days-at-liberty 100:1500 --increment-errors " +
                                 errors + " --out \"" + data + "\"";
        CliRun run = RunCli(dir, make);
        ASSERT_EQ(run.status, 0) << run.err;
        const std::string first = ReadFile(data);
        ASSERT_EQ(RunCli(dir, make).status, 0);
        EXPECT_EQ(ReadFile(data), first);  // the seed fixes the file
        EXPECT_EQ(first.rfind("  Set, Init, Incr, Start,   End\r\n", 0), 0u);

        auto objective = [&](const std::vector<double>& x) {
            const CliRun r = RunCli(dir, "evaluate --increments \"" + data + "\" --increment-errors " + errors +
                                             Alg(dir, x) + " --value");
            EXPECT_EQ(r.status, 0) << r.err;
            return std::stod(r.out);
        };
        const double atTruth = objective(truth);
        for (double factor : {0.8, 1.2}) {
            for (int i : {1, 3}) {  // mean L-infinity and mean k alone
                auto away = truth;
                away[static_cast<std::size_t>(i - 1)] *= factor;
                EXPECT_LT(atTruth, objective(away)) << errors << " parameter " << i << " x " << factor;
            }
            auto all = truth;  // every active parameter at once
            for (int i : {1, 2, 3, 4, 5, 9}) all[static_cast<std::size_t>(i - 1)] *= factor;
            EXPECT_LT(atTruth, objective(all)) << errors << " x " << factor;
        }
    }
}

TEST(CliSimulate, ExamplesAreReproducedByTheirCommandsAndBadInputIsRefused) {
    ScratchDir dir;
    const struct {
        const char* name;
        const char* options;
    } examples[] = {
        {"growth_gaussian", "--records 500 --seed 7 --initial-size 30:100 --days-at-liberty 100:1500"},
        {"growth_gamma_b",
         "--records 300 --seed 3 --initial-size 30:100 --days-at-liberty 100:1500 --increment-errors gamma"},
    };
    for (const auto& e : examples) {
        const std::string out = dir.Path(std::string(e.name) + ".dat");
        const CliRun run = RunCli(dir, std::string("simulate --alg examples/") + e.name + ".alg " + e.options +
                                           " --out \"" + out + "\"");
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(ReadFile(out), ReadFile(std::string(CORVANE_SOURCE_DIR) + "/examples/" + e.name + ".dat")) << e.name;
    }
    auto saa = Fixed19(70, 8, 0.6, 0.15);
    saa[12] = -0.5;
    const struct {
        std::string arguments;
        std::string message;
    } bad[] = {
        {"simulate --alg examples/growth_gaussian.alg --days-at-liberty 1:9", "--initial-size MIN:MAX is required"},
        {"simulate --alg examples/growth_gaussian.alg --initial-size 9:1 --days-at-liberty 1:9", "MIN <= MAX"},
        {"simulate" + Alg(dir, saa) + " --initial-size 1:9 --days-at-liberty 1:9", "t0 (parameter 13) must be -999"},
        {"simulate --alg examples/growth_gaussian.alg --initial-size 1:9 --days-at-liberty 1:9 --records 5000",
         "between 1 and 1200"},
    };
    for (const auto& c : bad) {
        const CliRun run = RunCli(dir, c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments;
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << "\n" << run.err;
    }
}
