// corvane-cli on damaged and non-text inputs: refused with exit status 2 and
// the file, line and field named, never read as data nor looped on; records
// that look wrong are read with a warning.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "CliRun.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

std::string Q(const std::string& path) { return " \"" + path + "\""; }

}  // namespace

TEST(CliDamagedInput, RefusedWithExitTwoAndTheFileLineAndFieldNamed) {
    ScratchDir dir;
    const std::string rig = " --increments" + Q(DataPath("rig_increments.dat"));
    const std::string alg = " --alg" + Q(dir.Write("t.alg", AlgorithmText(Fixed19(150, 20, 0.3, 0.1))));
    std::string shifted = AlgorithmText(Fixed19(150, 20, 0.3, 0.1));
    shifted.insert(shifted.find("1.5000000E+02"), " ");  // 150 would read as 15
    const std::string record = "     1,40.000, 1.000, 0.000,365.00\n";
    const std::string comma = dir.Write("comma.dat", "labels\n" + record + "     1,40.000,   1,5, 0.000,365.00\n");
    const std::string priors = dir.Write("p.pri", "19\r\n  1   N       nan 1.000E+000     Unused     Unused\r\n");
    const struct {
        std::string arguments;
        std::string message;
    } cases[] = {
        {"evaluate --increments /dev/zero" + alg, "/dev/zero is not a text file: line 1 holds a NUL byte"},
        {"evaluate --increments" + Q(dir.dir.string()) + alg, dir.dir.string() + " is a directory"},
        {"evaluate --increments" + Q(comma) + alg,
         "Line 3 of the increment data file " + comma +
             " is not a record: its increment (columns 15-20) \"1,5\" is not a number"},
        {"evaluate" + rig + " --alg /dev/zero", "/dev/zero  is not a text file: line 1 holds a NUL byte"},
        {"evaluate" + rig + " --alg" + Q(dir.Write("shifted.alg", shifted)),
         "Line 2, the value of parameter 1 (columns 1-14): \"1.5000000E+02\" runs on past the field's last column"},
        {"evaluate" + rig + alg + " --priors" + Q(priors),
         "line 2 (parameter 1): the first-term mean (columns 8-18) \"nan\" is not a number"},
        {"evaluate" + rig + alg + " --priors /dev/zero", "is not a text file: line 1 holds a NUL byte"},
        {"posterior-merge /dev/zero", "the part /dev/zero is refused: it is not a text file: line 1 holds a NUL byte"},
    };
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const CliRun run = RunCli(dir, c.arguments);
        // Within a second on an idle machine; the bound leaves room for a busy one.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << c.arguments;
        EXPECT_EQ(run.status, 2) << c.arguments << "\n" << run.err;
        EXPECT_EQ(run.out, "") << c.arguments;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << "\n" << run.err;
    }
}

TEST(CliDamagedInput, ImplausibleRecordsAreReadWithAWarningOnStandardError) {
    ScratchDir dir;
    std::string text = "  Set, Init, Incr, Start,   End\n";
    for (int i = 0; i < 20; ++i) text += "     1,40.000, 5.000,100.00,465.00\n";
    text += "     1,40.000, 5.000,400.00,100.00\n";  // line 22
    text += "     1,40.000, 5.000,400.00,100.00\n";
    const std::string data = dir.Write("odd.dat", text);
    const CliRun run = RunCli(dir, "evaluate --increments" + Q(data) + " --alg" +
                                       Q(dir.Write("t.alg", AlgorithmText(Fixed19(150, 20, 0.3, 0.1)))) + " --value");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("Data input: Warning: 2 increment records end before they start: their end day is below "
                           "their start day (the first on line 22)\n"),
              std::string::npos)
        << run.err;
}
