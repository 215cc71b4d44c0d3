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

std::string Data(const std::string& name) { return "\"" + DataPath(name) + "\""; }

}  // namespace

TEST(CliEvaluate, PrintsTheOneFunctionCallReportOrTheValue) {
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
    EXPECT_NE(run.out.find("Note: One function call requires "), std::string::npos);
    // Without measurement error the records with an increment <= 0 are
    // skipped: standard error counts them and lists the first warnings.
    EXPECT_EQ(run.err.rfind("corvane-cli evaluate: increments: 114 records, 75 used, 39 skipped (increment <= 0 "
                            "without measurement error)\ncorvane-cli evaluate: model warnings:\n  Warning regarding "
                            "data input: increment #7 <= 0 and measurement error is zero; record ignored\n",
                            0),
              0u)
        << run.err;
    EXPECT_NE(run.err.find("\n  ... and 29 more\n"), std::string::npos) << run.err;
}

TEST(CliEvaluate, BadInputExitsWithTwoAndNothingOnStandardOutput) {
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
        {"evaluate --frequencies \"" + dir.Write("negative.dat", "label\n    0.50       -3\n    1.50        4\n") +
             "\" --series 1 --blended 5" + Alg(dir, std::vector<double>(20, 1.0), "20.alg"),
         "Frequency data file: The frequency of series 1 in cell 1 is negative: -3"},
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

namespace {

// The alba series with two identified and three blended age-classes.
const char* kAlbaModel = " --series 7 --identified 2 --blended 3 --birth-day 150 --age1 0";

std::vector<double> AlbaValues() {
    auto x = Fixed19(14, 1.5, 1.0, 0.3);
    x[12] = 0.0;
    x[13] = 0.5;
    for (int s = 1; s <= 7; ++s) x.insert(x.end(), {0.4, 0.3});
    x.insert(x.end(), {108, 184, 263, 350, 49, 120, 175});
    return x;
}

double Value(const CliRun& run) {
    EXPECT_EQ(run.status, 0) << run.err;
    return run.status == 0 ? std::stod(run.out) : 0.0;
}

}  // namespace

TEST(CliEvaluate, FrequencySeriesAndJointAnalyses) {
    ScratchDir dir;
    const std::string alba = "evaluate --frequencies " + Data("alba_frequencies.dat") + kAlbaModel +
                             Alg(dir, AlbaValues()) + " --edge truncated --value";
    EXPECT_NEAR(Value(RunCli(dir, alba + " --age-modes gaussian")), 1175.0050790050052, 1e-9);
    EXPECT_NEAR(Value(RunCli(dir, alba + " --age-modes gamma")), 1255.5853941792316, 1e-9);

    // The joint example: its objective is the sum of its two parts.
    const std::string frequencies =
        " --frequencies examples/growth_joint_frequencies.dat --series 3 --identified 2 --blended 4 --birth-day 100"
        " --age1 0 --age-modes gaussian";
    const std::string increments = " --increments examples/growth_joint_increments.dat";
    const std::string alg = " --alg examples/growth_joint.alg --value";
    const double both = Value(RunCli(dir, "evaluate" + increments + frequencies + alg));
    const double fromFrequencies = Value(RunCli(dir, "evaluate" + frequencies + alg));
    auto truth = Fixed19(60, 5, 0.5, 0.1);  // the first 19 values of growth_joint.alg
    truth[8] = 2;     // %SE
    truth[13] = 0.4;  // Psi
    const double fromIncrements = Value(RunCli(dir, "evaluate" + increments + Alg(dir, truth) + " --value"));
    EXPECT_NEAR(both, fromIncrements + fromFrequencies, 1e-9 * both);
}

TEST(CliSimulate, FrequencySeriesRoundTripFavoursTheTrueParameters) {
    ScratchDir dir;
    auto truth = Fixed19(14, 1.5, 1.0, 0.3);
    truth[12] = 0.0;
    truth[13] = 0.5;
    truth.insert(truth.end(), {0.5, 0.3, 0.4, 0.35, 0.45, 0.3, 120, 200, 300});
    const std::string model = " --identified 2 --blended 3 --birth-day 150 --age1 0";
    for (const std::string form : {"gaussian", "precise"}) {
        const std::string data = dir.Path("sim-" + form + ".dat");
        const std::string make = "simulate" + Alg(dir, truth, "truth.alg") + " --totals 300,250,400 --cells 18" +
                                 model + " --age-modes " + form + " --seed 3 --out \"" + data + "\"";
        CliRun run = RunCli(dir, make);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.err.find("3 series of 18 cells written to"), std::string::npos);
        const std::string first = ReadFile(data);
        ASSERT_EQ(RunCli(dir, make).status, 0);
        EXPECT_EQ(ReadFile(data), first);  // the seed fixes the file
        EXPECT_EQ(first.rfind("Midpoint  Series1  Series2  Series3\r\n    0.50 ", 0), 0u);

        auto objective = [&](const std::vector<double>& x) {
            return Value(RunCli(dir, "evaluate --frequencies \"" + data + "\" --series 3" + model + " --age-modes " +
                                         form + Alg(dir, x) + " --value"));
        };
        const double atTruth = objective(truth);
        for (double factor : {0.8, 1.2}) {
            for (int i : {1, 3}) {  // mean L-infinity and mean k alone
                auto away = truth;
                away[static_cast<std::size_t>(i - 1)] *= factor;
                EXPECT_LT(atTruth, objective(away)) << form << " parameter " << i << " x " << factor;
            }
            auto all = truth;  // the growth parameters and the proportions at once
            for (int i : {1, 2, 3, 4, 20, 21, 22, 23, 24, 25}) all[static_cast<std::size_t>(i - 1)] *= factor;
            EXPECT_LT(atTruth, objective(all)) << form << " x " << factor;
        }
    }
}

TEST(CliSimulate, TheJointExampleIsReproducedAndBadFrequencyInputIsRefused) {
    ScratchDir dir;
    const struct {
        const char* file;
        const char* options;
    } parts[] = {
        {"growth_joint_increments.dat", "--records 200 --seed 11 --initial-size 15:55 --days-at-liberty 100:900"},
        {"growth_joint_frequencies.dat",
         "--totals 400,300,500 --cells 28 --interval 2.5 --identified 2 --blended 4 --birth-day 100 --age1 0 "
         "--age-modes gaussian --seed 12"},
    };
    for (const auto& p : parts) {
        const std::string out = dir.Path(p.file);
        const CliRun run =
            RunCli(dir, std::string("simulate --alg examples/growth_joint.alg ") + p.options + " --out \"" + out + "\"");
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(ReadFile(out), ReadFile(std::string(CORVANE_SOURCE_DIR) + "/examples/" + p.file)) << p.file;
    }
    const std::string alg = " --alg examples/growth_joint.alg";
    const struct {
        std::string arguments;
        std::string message;
    } bad[] = {
        {"simulate" + alg + " --totals 10,x --cells 9 --identified 2", "--totals needs whole numbers"},
        {"simulate" + alg + " --totals 10,20,30 --identified 2 --blended 4", "--cells N is required"},
        {"simulate" + alg + " --totals 10,20,30 --cells 1 --identified 2", "--cells needs a whole number from 2 to 250"},
        {"simulate" + alg + " --totals 10,20 --cells 9 --identified 2", "has 28 parameters, but your model specifies 25"},
        {"simulate" + alg + " --totals 10,20,30 --cells 9", "--identified or --blended must be above 0"},
        {"simulate" + alg + " --totals 10,20,30 --cells 9 --identified 2 --age-modes exact", "--age-modes takes"},
    };
    for (const auto& c : bad) {
        const CliRun run = RunCli(dir, c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments;
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << "\n" << run.err;
    }
}

TEST(CliOptions, EveryCommandHasHelpAndRefusesRepeatsStraysAndMissingValues) {
    ScratchDir dir;
    for (const std::string command : {"evaluate", "fit", "simulate"}) {
        CliRun run = RunCli(dir, command + " --help");
        EXPECT_EQ(run.status, 0) << command << "\n" << run.err;
        EXPECT_EQ(run.out.rfind("corvane-cli " + command + ": ", 0), 0u) << run.out;
        EXPECT_NE(run.out.find("\nUsage: corvane-cli " + command + " "), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("\n  --alg FILE "), std::string::npos) << run.out;
        EXPECT_EQ(run.err, "");
        const std::string help = run.out;
        run = RunCli(dir, "help " + command);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, help) << "help <command> and <command> --help agree";
    }
    const std::string rig = "evaluate --increments " + Data("rig_increments.dat") + Alg(dir, Fixed19(150, 20, 0.3, 0.1));
    const struct {
        std::string arguments;
        std::vector<std::string> messages;
    } cases[] = {
        // Every problem is listed, each naming its option.
        {rig + " --value --value --increments x.dat --series 2x",
         {"corvane-cli evaluate: option --value given twice\n", "corvane-cli evaluate: option --increments given twice\n",
          "corvane-cli evaluate: option --series needs a whole number, not \"2x\"\n"}},
        {rig + " --age-diff", {"corvane-cli evaluate: option --age-diff needs a value\n"}},
        // A following option is never taken as the missing value.
        {rig + " --alg --value", {"option --alg given twice"}},
        {"evaluate --alg --value", {"option --alg needs a value"}},
        {rig + " --value=yes", {"option --value takes no value"}},
        {rig + " stray --age-modes=exact", {"unexpected argument \"stray\"",
                                            "option --age-modes takes precise, gaussian or gamma, not \"exact\""}},
        {"fit --alg x.alg --increments y.dat --max-calls 2.5", {"--max-calls needs a whole number from 1 to"}},
        {"simulate --alg x.alg --initial-size 1:9 --days-at-liberty 1:9 --cells 5",
         {"option --cells belongs to size-frequency series (--totals)"}},
        {"simulate --alg x.alg --totals 3,4 --cells 5 --identified 1 --records 9",
         {"option --records belongs to increment records"}},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(dir, c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments << "\n" << run.err;
        EXPECT_EQ(run.out, "") << c.arguments;
        for (const auto& m : c.messages) EXPECT_NE(run.err.find(m), std::string::npos) << c.arguments << "\n" << run.err;
    }
    EXPECT_EQ(RunCli(dir, "nonsense").status, 2);
    EXPECT_EQ(RunCli(dir, "help nonsense").status, 2);
}

TEST(CliEvaluate, RepeatTimesTheEvaluationsAndThreadsLeaveTheValue) {
    ScratchDir dir;
    const std::string model = "evaluate --increments " + Data("rig_increments.dat") + Alg(dir, Fixed19(150, 20, 0.3, 0.1));
    auto secondsLine = [](const std::string& out) {
        const std::size_t last = out.rfind('\n', out.size() - 2);
        return out.substr(last == std::string::npos ? 0 : last + 1);
    };
    const CliRun once = RunCli(dir, model + " --value");
    CliRun run = RunCli(dir, model + " --value --repeat 5");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind(once.out, 0), 0u) << run.out;
    const std::string line = secondsLine(run.out);
    ASSERT_EQ(line.rfind("seconds per evaluation: ", 0), 0u) << run.out;
    EXPECT_GE(std::stod(line.substr(24)), 0.0);
    // The warnings tell of one evaluation, not of five.
    EXPECT_EQ(run.err, once.err);

    run = RunCli(dir, model + " --repeat 2");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Note: One function call requires "), std::string::npos);
    EXPECT_EQ(secondsLine(run.out).rfind("seconds per evaluation: ", 0), 0u) << run.out;

    run = RunCli(dir, model + " --json --repeat 3");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\"seconds_per_evaluation\":"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("seconds per evaluation: "), std::string::npos);

    // Any number of threads, the same value to the last digit.
    for (const char* threads : {"1", "2", "5"}) {
        const CliRun shared = RunCli(dir, model + " --value --threads " + threads);
        EXPECT_EQ(shared.out, once.out) << threads;
    }
    for (const char* bad : {" --repeat 0", " --threads 0", " --threads many"}) {
        run = RunCli(dir, model + bad);
        EXPECT_EQ(run.status, 2) << bad;
        EXPECT_EQ(run.out, "") << bad;
    }
}

TEST(CliEvaluate, DataTheReadersLeftOutAreNamedOnStandardError) {
    ScratchDir dir;
    std::string text = "labels\n     1,40.000, 6.000, 0.000,365.00\n\n";
    for (int i = 0; i < 1201; ++i) text += "     1,60.000, 4.000, 0.000,365.00\n";
    const CliRun run = RunCli(dir, "evaluate --increments \"" + dir.Write("long.dat", text) + "\"" +
                                       Alg(dir, Fixed19(150, 20, 0.3, 0.1)) + " --value");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "Data input: Not read: 2 further records after the first 1200, the most the model takes\n"
                       "Data input: Skipped: 1 blank line among the records (line 3)\n"
                       "corvane-cli evaluate: increments: 1200 records, 1200 used\n");
}
