// CSV in and out of corvane-cli, run as the built program: example data
// converted to CSV and back evaluate as the originals do, damage is refused
// naming the line and column, and every --csv table reads (with a CSV parser
// of this test's own) into the columns and numbers of the run's JSON.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "CliRun.h"
#include "priors/PriorsFile.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

std::string Q(const std::string& path) { return " \"" + path + "\""; }
bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

// A CSV file as R's read.csv reads it: a header row, then rows of fields;
// fields may be quoted ("" inside for a quote), rows end in CR LF or LF.
struct Table {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
    std::size_t Column(const std::string& name) const {
        for (std::size_t k = 0; k < header.size(); ++k)
            if (header[k] == name) return k;
        ADD_FAILURE() << "no column " << name;
        return 0;
    }
    double Number(std::size_t row, const std::string& name) const {
        const std::string& f = rows.at(row).at(Column(name));
        return f == "NA" ? std::nan("") : std::stod(f);
    }
};

Table ParseCsv(const std::string& text) {
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> record;
    std::string field;
    bool quoted = false, any = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') field += '"', ++i;
            else if (c == '"') quoted = false;
            else field += c;
        } else if (c == '"') {
            quoted = any = true;
        } else if (c == ',') {
            record.push_back(field), field.clear(), any = true;
        } else if (c == '\r') {
        } else if (c == '\n') {
            record.push_back(field), field.clear();
            records.push_back(record), record.clear();
            any = false;
        } else {
            field += c, any = true;
        }
    }
    if (any) record.push_back(field), records.push_back(record);
    Table t;
    if (records.empty()) return t;
    t.header = records.front();
    for (std::size_t r = 1; r < records.size(); ++r) {
        EXPECT_EQ(records[r].size(), t.header.size()) << "row " << r;
        t.rows.push_back(records[r]);
    }
    return t;
}

Table ReadCsv(const std::string& path) { return ParseCsv(ReadFile(path)); }

double Num(const nlohmann::json& j) { return j.is_null() ? std::nan("") : j.get<double>(); }

// Equal, NaN standing for a null.
void ExpectSame(double csv, double json, const std::string& what) {
    if (std::isnan(json)) EXPECT_TRUE(std::isnan(csv)) << what;
    else EXPECT_EQ(csv, json) << what;
}

std::string RigAlg(const ScratchDir& dir, const std::vector<int>& free, const std::string& name = "rig.alg") {
    AlgorithmData a;
    a.np = 19;
    SetDefaultAlgorithmData(a, a.np);
    const std::vector<double> values = Fixed19(104.64894, 12.025565, 0.37155638, 1.8982004);
    for (int i = 1; i <= a.np; ++i) a.value[i] = values[static_cast<std::size_t>(i - 1)];
    const double steps[] = {0, 10, 3, 0.1, 0.05};  // the marginal steps of the covariance tests
    for (int i : free) a.step[i] = steps[i];
    return dir.Write(name, FormatAlgorithmFile(a, AlgorithmWriter::CommandMenu));
}

const std::string kRig = " --increments" + Q(DataPath("rig_increments.dat"));

}  // namespace

TEST(CliConvert, ExampleDataConvertedToCsvAndBackEvaluateToTheSameObjective) {
    ScratchDir dir;
    auto bonito = Fixed19(80, 10, 0.4, 0.1);
    const std::string bonitoAlg = dir.Write("bonito.alg", AlgorithmText(bonito));
    const std::string rigAlg = dir.Write("rig.alg", AlgorithmText(Fixed19(150, 20, 0.3, 0.1)));
    auto truth = Fixed19(60, 5, 0.5, 0.1);  // the first 19 values of growth_joint.alg
    truth[8] = 2;                           // %SE
    truth[13] = 0.4;                        // Psi
    const std::string jointIncrementsAlg = dir.Write("joint19.alg", AlgorithmText(truth));
    const std::string joint =
        " --series 3 --identified 2 --blended 4 --birth-day 100 --age1 0 --age-modes gaussian"
        " --alg examples/growth_joint.alg";
    const struct {
        std::string option, file, rest;
    } cases[] = {
        {"--increments", DataPath("rig_increments.dat"), " --alg" + Q(rigAlg)},
        {"--increments", DataPath("bonito_increments.dat"), " --increment-errors gamma --alg" + Q(bonitoAlg)},
        {"--increments", "examples/growth_joint_increments.dat", " --alg" + Q(jointIncrementsAlg)},
        {"--frequencies", "examples/growth_joint_frequencies.dat", joint},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string csv = dir.Path("d" + std::to_string(++n) + ".csv"),
                          back = dir.Path("d" + std::to_string(n) + ".dat");
        CliRun run = RunCli(dir, "convert" + Q(c.file) + Q(csv));
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(Has(run.err, "written to " + csv + " as CSV")) << run.err;
        run = RunCli(dir, "convert" + Q(csv) + Q(back));
        ASSERT_EQ(run.status, 0) << run.err;
        const CliRun first = RunCli(dir, "evaluate --value " + c.option + Q(c.file) + c.rest);
        ASSERT_EQ(first.status, 0) << c.file << ": " << first.err;
        const std::string original = first.out;
        EXPECT_EQ(RunCli(dir, "evaluate --value " + c.option + Q(csv) + c.rest).out, original) << c.file;
        EXPECT_EQ(RunCli(dir, "evaluate --value " + c.option + Q(back) + c.rest).out, original) << c.file;
    }
    // Both parts of the joint analysis as CSV at once.
    const std::string both = "evaluate --value" + joint;
    EXPECT_EQ(RunCli(dir, both + " --increments" + Q(dir.Path("d3.csv")) + " --frequencies" + Q(dir.Path("d4.csv"))).out,
              RunCli(dir, both + " --increments examples/growth_joint_increments.dat --frequencies "
                                 "examples/growth_joint_frequencies.dat").out);
    // A CSV round trip gives the same numbers.
    const std::string again = dir.Path("again.csv");
    ASSERT_EQ(RunCli(dir, "convert" + Q(dir.Path("d1.dat")) + Q(again)).status, 0);
    EXPECT_EQ(ReadFile(again), ReadFile(dir.Path("d1.csv")));
}

TEST(CliConvert, RefusesWhatItCannotConvertExactlyAndDamagedCells) {
    ScratchDir dir;
    const std::string header = "set,initial_size,increment,start_day,end_day\n";
    const std::string fine = dir.Write("fine.csv", header + "1,40.1234,1,0,365\n");
    const std::string damaged = dir.Write("damaged.csv", header + "1,40,1,0,365\n1,40,4d.774,0,365\n");
    const std::string unknown = dir.Write("what.dat", "Length Count\n1 2\n");
    const std::string out = dir.Path("out.dat");
    const struct {
        std::string arguments, message;
    } cases[] = {
        {"convert" + Q(fine) + Q(out),
         "record 1: its initial size 40.1234 does not fit the 6 columns of the fixed-column file without being cut; "
         "nothing was written"},
        {"convert" + Q(damaged) + Q(out),
         "Line 3 of the increment data file " + damaged + " is not a record: its column increment \"4d.774\" is not a "
         "number"},
        {"evaluate --value --increments" + Q(damaged) + " --alg" + Q(RigAlg(dir, {1})),
         "Line 3 of the increment data file " + damaged + " is not a record: its column increment \"4d.774\" is not a "
         "number"},
        {"convert" + Q(unknown) + Q(out), "give --kind increments|frequencies"},
        {"convert" + Q(fine) + Q(fine), "option OUT names the input file IN"},
        {"convert" + Q(fine) + Q(dir.Path("x.csv")), "ends in .csv, but a CSV file IN is converted to fixed columns"},
        {"convert" + Q(fine), "convert takes two file names, IN and OUT"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(dir, c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments;
        EXPECT_TRUE(Has(run.err, c.message)) << run.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    const CliRun help = RunCli(dir, "help convert");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(Has(help.out, "corvane-cli convert IN OUT [--kind increments|frequencies]"));
}

TEST(CliCsv, DistributionColumnsReadAsTheJsonColumns) {
    ScratchDir dir;
    PriorTable priors;
    priors.Reset(19);
    priors.rows[3].type = 'N';
    priors.rows[3].firstMean = 10.0;
    priors.rows[3].firstSD = 2.0;
    const std::string pri = dir.Write("p.pri", FormatPriorsFile(priors));
    const std::string alg = RigAlg(dir, {1, 3});
    const struct {
        std::string arguments;
        std::vector<std::string> header;
    } cases[] = {
        {"profile" + kRig + " --alg" + Q(alg) + " --parameter 1 --points 5",
         {"point", "value", "neg_ln_l", "pdf", "ci_mode", "ci_mean", "normal_pdf"}},
        {"posterior" + kRig + " --alg" + Q(alg) + " --parameter 1 --integrate 3 --points 7 --grid 5",
         {"point", "value", "neg_ln_l", "pdf", "ci_mode", "ci_mean", "normal_pdf"}},
        {"prior-profile --priors" + Q(pri) + " --parameter 3 --points 11",
         {"point", "value", "neg_ln_l", "pdf", "cumulative", "attenuated", "normal_pdf"}},
    };
    for (const auto& c : cases) {
        const std::string csv = dir.Path("columns.csv");
        const CliRun run = RunCli(dir, c.arguments + " --json --csv" + Q(csv));
        ASSERT_EQ(run.status, 0) << run.err;
        const auto j = nlohmann::json::parse(run.out);
        const Table t = ReadCsv(csv);
        EXPECT_EQ(t.header, c.header);
        ASSERT_EQ(t.rows.size(), j["columns"].size());
        for (std::size_t r = 0; r < t.rows.size(); ++r)
            for (const std::string& name : c.header)
                ExpectSame(t.Number(r, name), Num(j["columns"][r][name]), c.arguments + " " + name);
    }
}

TEST(CliCsv, CovarianceStandardErrorsAndMatrixReadAsTheJson) {
    ScratchDir dir;
    const std::string alg = RigAlg(dir, {1, 2, 3, 4}), csv = dir.Path("cov.csv");
    CliRun run = RunCli(dir, "covariance" + kRig + " --alg" + Q(alg) + " --json --csv" + Q(csv) + " --csv-grid 2");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto j = nlohmann::json::parse(run.out);
    const Table t = ReadCsv(csv);
    EXPECT_EQ(t.header, (std::vector<std::string>{"parameter", "value", "se_grid_1", "se_grid_2", "se_grid_3", "cov_1",
                                                  "cov_2", "cov_3", "cov_4"}));
    ASSERT_EQ(t.rows.size(), 4u);
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(t.Number(k, "parameter"), static_cast<double>(k + 1));
        for (int g = 1; g <= 3; ++g)
            ExpectSame(t.Number(k, "se_grid_" + std::to_string(g)), Num(j["grids"][g - 1]["standard_errors"][k]["se"]),
                       "se");
        for (std::size_t l = 0; l < 4; ++l)
            ExpectSame(t.Number(k, "cov_" + std::to_string(l + 1)), Num(j["grids"][1]["covariance"][k][l]), "cov");
        // A standard error is the root of its variance.
        EXPECT_NEAR(t.Number(k, "se_grid_2") * t.Number(k, "se_grid_2"), t.Number(k, "cov_" + std::to_string(k + 1)),
                    1e-9 * t.Number(k, "cov_" + std::to_string(k + 1)));
    }
    run = RunCli(dir, "covariance" + kRig + " --alg" + Q(alg) + " --csv-grid 2");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Has(run.err, "option --csv-grid belongs to --csv")) << run.err;
}

TEST(CliCsv, SummaryTablesAddUpAsTheReportSays) {
    ScratchDir dir;
    const std::string folder = dir.Path("tables");
    const std::string joint =
        "summary --increments examples/growth_joint_increments.dat --frequencies examples/growth_joint_frequencies.dat"
        " --series 3 --identified 2 --blended 4 --birth-day 100 --age1 0 --age-modes gaussian"
        " --alg examples/growth_joint.alg --details 1 --json --csv" + Q(folder);
    const CliRun run = RunCli(dir, joint);
    ASSERT_EQ(run.status, 0) << run.err;
    const auto j = nlohmann::json::parse(run.out);
    // The increment table's -2lnL column adds up to the increments' part of the objective.
    const Table inc = ReadCsv(folder + "/increments.csv");
    ASSERT_EQ(inc.header.size(), 15u);
    EXPECT_EQ(inc.header.front(), "record");
    EXPECT_EQ(inc.header[10], "neg_2_ln_l");
    EXPECT_EQ(inc.header.back(), "status");
    double sum = 0.0;
    for (std::size_t r = 0; r < inc.rows.size(); ++r) sum += inc.Number(r, "neg_2_ln_l");
    EXPECT_NEAR(sum, j["increment_contribution"].get<double>(), 1e-9 * std::fabs(sum));
    // Each series' observed column is its column of the data file.
    ASSERT_EQ(RunCli(dir, "convert examples/growth_joint_frequencies.dat" + Q(dir.Path("f.csv"))).status, 0);
    const Table data = ReadCsv(dir.Path("f.csv"));
    double cells = 0.0;
    for (int s = 1; s <= 3; ++s) {
        const Table f = ReadCsv(folder + "/frequencies_series_" + std::to_string(s) + ".csv");
        EXPECT_EQ(f.header, (std::vector<std::string>{"midpoint", "observed_frequency", "expected_frequency",
                                                      "cumulative_observed", "cumulative_expected", "absolute_co_ce",
                                                      "cell_neg_2_ln_l", "expected_age_class_01",
                                                      "expected_age_class_06"}));
        ASSERT_EQ(f.rows.size(), data.rows.size());
        double cumulative = 0.0;
        for (std::size_t r = 0; r < f.rows.size(); ++r) {
            EXPECT_EQ(f.Number(r, "midpoint"), data.Number(r, "midpoint"));
            EXPECT_EQ(f.Number(r, "observed_frequency"), data.Number(r, "series_" + std::to_string(s)));
            cumulative += f.Number(r, "observed_frequency");
            EXPECT_EQ(f.Number(r, "cumulative_observed"), cumulative);
            cells += f.Number(r, "cell_neg_2_ln_l");
        }
    }
    EXPECT_GT(cells, 0.0);
}

TEST(CliCsv, RankingReadsAsTheJsonModels) {
    ScratchDir dir;
    const std::string a = RigAlg(dir, {1, 3, 4}, "varied.alg"), b = RigAlg(dir, {1, 3}, "fixed.alg");
    const std::string csv = dir.Path("rank.csv");
    const CliRun run = RunCli(dir, "rank" + kRig + " --model" + Q(a) + " --model" + Q(b) + " --json --csv" + Q(csv));
    ASSERT_EQ(run.status, 0) << run.err;
    const auto j = nlohmann::json::parse(run.out);
    const Table t = ReadCsv(csv);
    EXPECT_EQ(t.header, (std::vector<std::string>{"model", "nll", "k", "aicc", "daicc", "weight", "algorithm_file",
                                                  "covariance_file", "notes"}));
    ASSERT_EQ(t.rows.size(), 2u);
    double weights = 0.0;
    for (std::size_t r = 0; r < 2; ++r) {
        EXPECT_EQ(t.Number(r, "model"), static_cast<double>(r + 1));
        EXPECT_EQ(t.Number(r, "nll"), Num(j["models"][r]["nll"]));
        EXPECT_EQ(t.Number(r, "k"), Num(j["models"][r]["k"]));
        EXPECT_EQ(t.Number(r, "aicc"), Num(j["models"][r]["aicc"]));
        EXPECT_EQ(t.Number(r, "weight"), Num(j["models"][r]["weight"]));
        weights += t.Number(r, "weight");
    }
    EXPECT_NEAR(weights, 1.0, 1e-12);
    EXPECT_EQ(t.Number(0, "daicc"), 0.0);
}

TEST(CliSimulate, CsvHoldsTheRecordsOfTheFixedColumnFile) {
    ScratchDir dir;
    const std::string truth = dir.Write("truth.alg", AlgorithmText(Fixed19(60, 5, 0.5, 0.1)));
    const std::string make = "simulate --alg" + Q(truth) + " --records 40 --seed 3 --initial-size 15:55 "
                             "--days-at-liberty 100:900 --out";
    ASSERT_EQ(RunCli(dir, make + Q(dir.Path("sim.dat"))).status, 0);
    const CliRun run = RunCli(dir, make + Q(dir.Path("sim.csv")) + " --csv");
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(RunCli(dir, "convert" + Q(dir.Path("sim.dat")) + Q(dir.Path("converted.csv"))).status, 0);
    EXPECT_EQ(ReadFile(dir.Path("sim.csv")), ReadFile(dir.Path("converted.csv")));
    EXPECT_EQ(ReadCsv(dir.Path("sim.csv")).rows.size(), 40u);
}

TEST(CliCsv, ACsvTableNeverReplacesAnInput) {
    ScratchDir dir;
    const std::string alg = RigAlg(dir, {1, 3});
    // An input lying in the summary's folder under a table's name.
    const std::string folder = dir.Path("tables");
    std::filesystem::create_directories(folder);
    const std::string increments = folder + "/increments.csv";
    std::filesystem::copy_file(DataPath("rig_increments.dat"), increments);
    const struct {
        std::string arguments, message;
    } cases[] = {
        {"profile" + kRig + " --alg" + Q(alg) + " --parameter 1 --csv" + Q(alg),
         "option --csv names the --alg file; an output never replaces an input"},
        {"covariance" + kRig + " --alg" + Q(alg) + " --csv" + Q(DataPath("rig_increments.dat")),
         "option --csv names the --increments file; an output never replaces an input"},
        {"posterior" + kRig + " --alg" + Q(alg) + " --parameter 1 --save" + Q(dir.Path("a.pos")) + " --csv" +
             Q(dir.Path("a.pos")),
         "options --save and --csv name the same file"},
        {"summary --increments" + Q(increments) + " --alg" + Q(alg) + " --csv" + Q(folder),
         "option --csv names the --increments file; an output never replaces an input"},
        {"summary" + kRig + " --alg" + Q(alg) + " --csv" + Q(alg), "option --csv names a file, not a directory"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(dir, c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments;
        EXPECT_TRUE(Has(run.err, c.message)) << run.err;
    }
    EXPECT_EQ(ReadFile(increments), ReadFile(DataPath("rig_increments.dat")));
}
