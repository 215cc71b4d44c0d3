// The model plots of a joint fit as the command line writes them: the
// residual plots beside the model's own, every picture with its table, and
// the residuals as many as the report's increment table has.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "../model/SummaryTestSupport.h"
#include "CliRun.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

std::string Q(const std::string& path) { return " \"" + path + "\""; }

// Lines of a file, CR LF or LF.
std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Records of the printed increment table with a residual: no status after
// their columns, an SD above 0.
std::size_t FittedRecords(const std::string& report) {
    std::istringstream in(report.substr(report.find("Increment data:")));
    std::string line;
    for (int header = 0; header < 4; ++header) std::getline(in, line);
    std::size_t n = 0;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::stringstream split(line);
        for (std::string f; std::getline(split, f, ',');) fields.push_back(f);
        if (fields.size() < 14) break;
        if (fields.size() == 14 && std::stod(fields[9]) > 0.0) ++n;
    }
    return n;
}

}  // namespace

TEST(CliPlots, AJointSummaryWritesResidualPlotsAndATableBesideEveryPicture) {
    ScratchDir dir;
    const std::string plots = dir.Path("plots");
    const std::string examples = std::string(CORVANE_SOURCE_DIR) + "/examples/";
    const CliRun run = RunCli(
        dir, "summary --increments" + Q(examples + "growth_joint_increments.dat") + " --frequencies" +
                 Q(examples + "growth_joint_frequencies.dat") +
                 " --series 3 --identified 2 --blended 4 --birth-day 100 --age1 0 --age-modes gaussian --alg" +
                 Q(examples + "growth_joint.alg") + " --plots" + Q(plots));
    ASSERT_EQ(run.status, 0) << run.err;

    std::set<std::string> png, csv, svg;
    for (const auto& entry : std::filesystem::directory_iterator(plots)) {
        const auto& path = entry.path();
        if (path.extension() == ".png") png.insert(path.stem().string());
        if (path.extension() == ".svg") svg.insert(path.stem().string());
        if (path.extension() == ".csv") csv.insert(path.stem().string());
    }
    EXPECT_EQ(png, csv);
    EXPECT_EQ(png, svg);
    for (const char* name : {"increments-observed-predicted", "increments-residuals", "increments-residuals-qq",
                             "frequencies-series1", "frequencies-residuals-series1", "frequencies-residuals-series3"})
        EXPECT_EQ(png.count(name), 1u) << name;

    // One row per residual of the report's increment table, under a header
    // of the X variable and the series.
    const std::size_t fitted = FittedRecords(run.out);
    ASSERT_GT(fitted, 10u);
    const auto residuals = Lines(plots + "/increments-residuals.csv");
    ASSERT_EQ(residuals.size(), fitted + 1);
    EXPECT_EQ(residuals[0], "Predicted increment,Standardised residual");
    EXPECT_EQ(Lines(plots + "/increments-residuals-qq.csv")[0], "Normal quantile,Ordered standardised residual,1:1 line");

    // Each y axis says what it shows.
    const std::vector<std::pair<std::string, std::string>> titles = {
        {"increments-residuals", "Standardised residual (SD units)"},
        {"increments-observed-predicted", "Increment (size units)"},
        {"frequencies-series2", "Frequency (number of individuals)"},
        {"frequencies-residuals-series2", "Standardised cell residual (O - E) / sqrt(E)"},
    };
    for (const auto& [name, title] : titles) {
        const std::string text = ReadFile(plots + "/" + name + ".svg");
        EXPECT_NE(text.find(title), std::string::npos) << name;
    }
}
