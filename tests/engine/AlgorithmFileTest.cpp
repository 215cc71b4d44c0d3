#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/modCorvane.h"
#include "numeric/Format.h"
#include "support/ScriptedDialogs.h"
#include "support/TestModels.h"

using namespace corvane;
using namespace corvane::testing;
using Status = AlgorithmReadResult::Status;

namespace {

// An algorithm file of three parameters as the writer lays it out.
std::string ThreeParameterFile(const std::string& fuse2 = "  ~~", const std::string& tail = "") {
    std::string s;
    s += "             3  Number of parameters\r\n";
    s += " 1.5000000E+00   1.0000000E-01  ~~  Value, step then link for a\r\n";
    s += "-2.2500000E+01   0.0000000E+00" + fuse2 + "  Value, step then link for b\r\n";
    s += " 3.0000000E-03   2.0000000E-04   A  Value, step then link for c\r\n";
    s += " 1.0000000E-08  Simplex limit (+ for ABS, - for REL)\r\n";
    s += "          5000  Maximum # of function calls (simplex) or iterations (Marquardt)\r\n";
    s += "             7  Terminal output frequency\r\n";
    s += "            25  File output frequency\r\n";
    s += "  minimize.cvl  Name of output file\r\n";
    s += " 2.0000000E-01  Step size reduction fraction\r\n";
    return s + tail;
}

AlgorithmReadResult Read(const std::string& text, AlgorithmData& data, int np = 3) {
    std::istringstream in(text);
    return ReadAlgorithmText(in, np, "test.alg", data);
}

std::string Without(std::string text, const std::string& from) { return text.substr(0, text.find(from)); }

}  // namespace

TEST(AlgorithmFile, ReadsTheLayoutAndClearsTheFileFrequency) {
    AlgorithmData d;
    ASSERT_TRUE(Read(ThreeParameterFile(), d).ok());
    EXPECT_DOUBLE_EQ(d.value[2], -22.5);
    EXPECT_DOUBLE_EQ(d.step[1], 0.1);
    EXPECT_EQ(d.fuse[1], "~~");
    EXPECT_EQ(d.fuse[3], "A");
    EXPECT_DOUBLE_EQ(d.tolerance, 1e-8);  // the load command floors it, not the reader
    EXPECT_EQ(d.maxCalls, 5000);
    EXPECT_EQ(d.terminalFrequency, 7);
    EXPECT_EQ(d.fileFrequency, 0);
    EXPECT_EQ(d.outputFileName, "  minimize.cvl");  // taken unchanged, leading spaces included
    EXPECT_DOUBLE_EQ(d.reductionFraction, 0.2);

    // LF line ends read the same.
    std::string lf = ThreeParameterFile();
    std::erase(lf, '\r');
    AlgorithmData e;
    ASSERT_TRUE(Read(lf, e).ok());
    EXPECT_EQ(e.value, d.value);
}

TEST(AlgorithmFile, ParameterCountMismatchChangesNothing) {
    AlgorithmData d;
    SetDefaultAlgorithmData(d, 4);
    d.value[1] = 42.0;
    const AlgorithmData before = d;
    const auto r = Read(ThreeParameterFile(), d, 4);
    EXPECT_EQ(r.status, Status::CountMismatch);
    EXPECT_EQ(r.message, "Algorithm file  test.alg  has 3 parameters, but your model specifies 4");
    EXPECT_EQ(d.value, before.value);
}

TEST(AlgorithmFile, FuseFields) {
    const std::pair<std::string, std::string> cases[] = {
        {"   b", "B"}, {"  ab", "AB"}, {"  ~~", "~~"}, {"   7", "~~"}, {"  a1", "~~"}, {"  1a", "~~"}, {"  Zq", "ZQ"}};
    for (const auto& [field, code] : cases) {
        AlgorithmData d;
        ASSERT_TRUE(Read(ThreeParameterFile(field), d).ok()) << field;
        EXPECT_EQ(d.fuse[2], code) << field;
    }
    // An all-blank fuse field with lines still following is badly formatted.
    AlgorithmData d;
    EXPECT_EQ(Read(ThreeParameterFile("    "), d).status, Status::BadlyFormatted);
}

TEST(AlgorithmFile, LineCountRules) {
    AlgorithmData d;
    EXPECT_TRUE(Read(ThreeParameterFile("  ~~", "\r\n   \r\n\r\n"), d).ok());

    const auto tooMany = Read(ThreeParameterFile("  ~~", "\r\nextra\r\n"), d);
    EXPECT_EQ(tooMany.status, Status::TooManyLines);
    EXPECT_EQ(tooMany.message, "Algorithm file seems to have too many lines of information - better check it!");

    // Ends after line NP + 3 (the tolerance line).
    const std::string cut = Without(ThreeParameterFile(), "             7  Terminal");
    const auto tooFew = Read(cut, d);
    EXPECT_EQ(tooFew.status, Status::TooFewLines);
    EXPECT_EQ(tooFew.message, "Algorithm file seems to have too few lines of information - better check it!");

    std::string bad = ThreeParameterFile();
    bad.replace(bad.find("-2.2500000E+01"), 14, "     not a num");
    const auto badly = Read(bad, d);
    EXPECT_EQ(badly.status, Status::BadlyFormatted);
    EXPECT_EQ(badly.message,
              "Algorithm file seems to have inappropriate, badly formatted, or missing, information - better check it!");

    // A bad value on the very last line, nothing following: the end was reached.
    std::string lastBad = ThreeParameterFile();
    lastBad.replace(lastBad.find(" 2.0000000E-01"), 14, "          junk");
    EXPECT_EQ(Read(lastBad, d).status, Status::TooFewLines);

    // An integer setting out of its 16-bit range cannot be converted.
    std::string overflow = ThreeParameterFile();
    overflow.replace(overflow.find("             7  Terminal"), 14, "        400000");
    EXPECT_EQ(Read(overflow, d).status, Status::BadlyFormatted);
}

TEST(AlgorithmFile, RobustAgainstHostileFiles) {
    AlgorithmData d;
    SetDefaultAlgorithmData(d, 3);
    const AlgorithmData before = d;
    EXPECT_EQ(Read("", d).status, Status::Unreadable);
    EXPECT_EQ(Read("garbage\n", d).status, Status::Unreadable);
    std::string binary(5000, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 7919 % 256);
    EXPECT_FALSE(Read(binary, d).ok());
    EXPECT_FALSE(Read("3\n" + std::string(10'000'000, 'x'), d).ok());
    std::string truncated = ThreeParameterFile();
    EXPECT_FALSE(Read(truncated.substr(0, truncated.size() / 2), d).ok());
    EXPECT_EQ(d.value, before.value);
    EXPECT_EQ(d.fuse, before.fuse);
}

TEST(AlgorithmFile, WriteThenReadRoundTrip) {
    AlgorithmData d;
    d.np = 4;
    SetDefaultAlgorithmData(d, 4);
    d.description.resize(4);
    const double values[] = {0, 1.23456789012, -9.87654321e-7, 123456.789, 0.5};
    for (int i = 1; i <= 4; ++i) {
        d.value[i] = values[i];
        d.step[i] = values[i] / 10.0;
        d.description[i] = "Parameter number " + std::to_string(i);
    }
    d.fuse[2] = "A";
    d.fuse[3] = "QZ";
    d.tolerance = -2.5e-5;
    d.maxCalls = 123456;
    d.terminalFrequency = 3;
    d.fileFrequency = 10;
    d.outputFileName = ShortOutputFileName("/home/someone/long/directory/minimize.cvl.cvl");
    d.reductionFraction = 0.05;

    const std::string text = FormatAlgorithmFile(d, AlgorithmWriter::CommandMenu);
    EXPECT_NE(text.find("  Value, step then link for Parameter number 1\r\n"), std::string::npos);
    EXPECT_NE(FormatAlgorithmFile(d, AlgorithmWriter::MultiModel).find("  Value, step then link for: Parameter"),
              std::string::npos);
    EXPECT_EQ(text.substr(0, 38), "             4  Number of parameters\r\n");
    EXPECT_NE(text.find(" 1.2345679E+00   1.2345679E-01  ~~  Value, step then link for Parameter number 1\r\n-9.8765432E-07  -9.8765432E-08   A  Value"), std::string::npos);

    AlgorithmData r;
    ASSERT_TRUE(Read(text, r, 4).ok());
    for (int i = 1; i <= 4; ++i) {
        EXPECT_NEAR(r.value[i], d.value[i], 5e-8 * std::max(1.0, std::fabs(d.value[i]))) << i;
        EXPECT_NEAR(r.step[i], d.step[i], 5e-8 * std::max(1.0, std::fabs(d.step[i]))) << i;
        EXPECT_EQ(r.fuse[i], d.fuse[i]) << i;
    }
    EXPECT_DOUBLE_EQ(r.tolerance, d.tolerance);
    EXPECT_EQ(r.maxCalls, d.maxCalls);
    EXPECT_EQ(r.terminalFrequency, d.terminalFrequency);
    EXPECT_EQ(r.fileFrequency, 0);
    EXPECT_EQ(r.outputFileName, "nimize.cvl.cvl");
    EXPECT_LE(Trim(r.outputFileName).size(), 14u);
    EXPECT_DOUBLE_EQ(r.reductionFraction, d.reductionFraction);
}

TEST(AlgorithmFile, OutputNameShortening) {
    EXPECT_EQ(ShortOutputFileName("minimize.cvl"), "minimize.cvl");
    EXPECT_EQ(ShortOutputFileName("12345678901234"), "12345678901234");
    EXPECT_EQ(ShortOutputFileName("/tmp/run/abcdefghijklmnop.cvl"), "ghijklmnop.cvl");
    EXPECT_EQ(ShortOutputFileName("C:\\data\\a\\run.cvl.cvl"), "run.cvl.cvl");
    EXPECT_EQ(FloorTolerance(5e-7), 1e-6);
    EXPECT_EQ(FloorTolerance(-5e-7), -1e-6);
    EXPECT_EQ(FloorTolerance(0.0), 0.0);
    EXPECT_EQ(FloorTolerance(-3e-3), -3e-3);
}

namespace {

struct Fixture {
    FunctionModel model{3, Quadratic({1, 2, 3})};
    TestPorts t;
    Workbench wb{t.ports(), &model};
    std::filesystem::path dir;
    Fixture() {
        InitialiseModel(wb);
        dir = std::filesystem::temp_directory_path() /
              ("corvane-alg-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
    }
    ~Fixture() { std::filesystem::remove_all(dir); }
    std::string Write(const std::string& name, const std::string& text) {
        const auto p = (dir / name).string();
        std::ofstream(p, std::ios::binary) << text;
        return p;
    }
};

}  // namespace

TEST(LoadAlgorithmData, DecliningGivesDefaultsNamedByDateAndTime) {
    Fixture f;
    f.t.dialogs.ExpectMessage("Load algorithm data", "Choose NO for default values", Answer::No)
        .ExpectMessage("Default Algorithm Values", "Algorithm file given the date-time based name: 12071842.alg");
    EXPECT_EQ(LoadAlgorithmData(f.wb), LoadOutcome::Defaults);
    EXPECT_EQ(f.wb.alg.fileName, "12071842.alg");
    EXPECT_EQ(f.wb.alg.maxCalls, 9999);
    EXPECT_EQ(f.wb.alg.fuse[2], "~~");
    EXPECT_EQ(f.t.status.Get(panels::AlgorithmFile), "Algorithm file: 12071842.alg");
    EXPECT_EQ(f.t.dialogs.shown[0].buttons, Buttons::YesNoCancel);
    EXPECT_EQ(f.t.dialogs.shown[0].icon, Icon::Question);
}

TEST(LoadAlgorithmData, LoadingFloorsTheToleranceAndReportsFailures) {
    Fixture f;
    std::string text = ThreeParameterFile();
    text.replace(text.find(" 1.0000000E-08"), 14, "-5.0000000E-07");
    const auto good = f.Write("good.alg", text);
    f.t.dialogs.ExpectMessage("Load algorithm data", "Load an existing", Answer::Yes)
        .ExpectFile("Open algorithm data file", good);
    f.wb.alg.simplexCurrent = true;
    EXPECT_EQ(LoadAlgorithmData(f.wb), LoadOutcome::Loaded);
    EXPECT_EQ(f.wb.alg.tolerance, -1e-6);
    EXPECT_FALSE(f.wb.alg.simplexCurrent);
    EXPECT_EQ(f.wb.alg.bareName, "good");
    EXPECT_EQ(f.t.dialogs.shown[1].request.filter, "All files (*.*)|*.*|Algorithm files (*.alg)|*.alg");
    EXPECT_EQ(f.t.dialogs.shown[1].request.selectedFilter, 2);

    const auto bad = f.Write("bad.alg", "             2  Number of parameters\r\n");
    f.t.dialogs.ExpectMessage("Load algorithm data", "", Answer::Yes)
        .ExpectFile("Open algorithm data file", bad)
        .ExpectMessage("Algorithm file - information input failed", "has 2 parameters, but your model specifies 3");
    EXPECT_EQ(LoadAlgorithmData(f.wb), LoadOutcome::Failed);
    EXPECT_EQ(f.wb.alg.loadFailed, 1);
    EXPECT_EQ(f.wb.alg.fileName, good);  // the failed file does not take over the name
    EXPECT_DOUBLE_EQ(f.wb.alg.value[2], -22.5);

    f.t.dialogs.ExpectMessage("Load algorithm data", "", Answer::Yes)
        .ExpectFile("Open algorithm data file", (f.dir / "missing.alg").string())
        .ExpectMessage("Problem Reading Algorithm File!",
                       "The algorithm file " + (f.dir / "missing.alg").string() + " could not be opened");
    EXPECT_EQ(LoadAlgorithmData(f.wb), LoadOutcome::Failed);

    f.t.dialogs.ExpectMessage("Load algorithm data", "", Answer::Cancel);
    EXPECT_EQ(LoadAlgorithmData(f.wb), LoadOutcome::Cancelled);
    f.t.dialogs.ExpectMessage("Load algorithm data", "", Answer::Yes).ExpectFile("Open algorithm data file", std::nullopt);
    EXPECT_EQ(LoadAlgorithmData(f.wb), LoadOutcome::FileDialogCancelled);
}

TEST(WriteAlgorithmFile, BothWritersDialoguesAndCRLF) {
    Fixture f;
    SetDefaultAlgorithmData(f.wb.alg, 3);
    const auto path = (f.dir / "out.alg").string();
    f.t.dialogs.ExpectFile("Save algorithm data in...", path);
    ASSERT_TRUE(WriteAlgorithmFile(f.wb, AlgorithmWriter::CommandMenu));
    const auto& req = f.t.dialogs.Last().request;
    EXPECT_EQ(req.filter,
              "All files (*.*)|*.*|Algorithm files (*.alg)|*.alg|Named for data file (test.dat.*)|test.dat.*|");
    EXPECT_EQ(req.selectedFilter, 3);
    EXPECT_EQ(req.initialName, "12071842.alg");  // an empty name becomes the date-time name first
    EXPECT_TRUE(req.save);
    EXPECT_TRUE(req.overwritePrompt);
    EXPECT_EQ(f.t.status.Get(panels::AlgorithmFile), "Algorithm file: " + path);
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string content = buffer.str();
    EXPECT_NE(content.find("Number of parameters\r\n"), std::string::npos);
    EXPECT_EQ(std::count(content.begin(), content.end(), '\n'), 10);
    EXPECT_EQ(std::count(content.begin(), content.end(), '\r'), 10);

    f.t.dialogs.ExpectFile("Save algorithm data in...", path);
    ASSERT_TRUE(WriteAlgorithmFile(f.wb, AlgorithmWriter::MultiModel));
    EXPECT_EQ(f.t.dialogs.Last().request.selectedFilter, 2);
    EXPECT_EQ(f.t.dialogs.Last().request.initialName, path + ".alg");
    EXPECT_EQ(f.t.status.Get(panels::AlgorithmFile), "Algorithm file: out");

    f.t.dialogs.ExpectFile("Save algorithm data in...", std::nullopt);
    EXPECT_FALSE(WriteAlgorithmFile(f.wb, AlgorithmWriter::CommandMenu));

    // A file that cannot be written is reported and the old file survives.
    f.t.dialogs.ExpectFile("Save algorithm data in...", (f.dir / "no-such-dir" / "x.alg").string())
        .ExpectMessage("Save algorithm data in...", "could not be written");
    EXPECT_FALSE(WriteAlgorithmFile(f.wb, AlgorithmWriter::CommandMenu));
}

TEST(LoadAlgorithmData, FilesThatEndEarlyKeepTheirClassifiedMessages) {
    // Reading to the end of a file leaves the stream in its fail state; that
    // is not a read failure and must not hide the reader's own message.
    Fixture f;
    const std::string full = ThreeParameterFile();
    const struct {
        const char* name;
        std::string text;
        const char* message;
    } cases[] = {
        {"cut.alg", Without(full, "             7  Terminal"), "too few lines of information"},
        {"surplus.alg", full + "extra line without its end", "too many lines of information"},
        {"one-line.alg", "             2  Number of parameters", "has 2 parameters, but your model specifies 3"},
        {"last-bad.alg", Without(full, " 2.0000000E-01") + "          junk  Step size", "too few lines of information"},
    };
    for (const auto& c : cases) {
        const std::string path = f.Write(c.name, c.text);
        f.t.dialogs.ExpectMessage("Algorithm file - information input failed", c.message);
        EXPECT_FALSE(ReadAlgorithmFile(f.wb, path)) << c.name;
    }
    // Only a file that cannot be opened at all gets the critical box, naming it.
    for (const std::string& path : {(f.dir / "missing.alg").string(), f.dir.string()}) {
        f.t.dialogs.ExpectMessage("Problem Reading Algorithm File!", "The algorithm file " + path + " could not be opened");
        EXPECT_FALSE(ReadAlgorithmFile(f.wb, path));
    }
    f.t.dialogs.ExpectMessage("Problem Reading Algorithm File!", "Be suspicious");
    EXPECT_FALSE(ReadAlgorithmFile(f.wb, f.Write("words.alg", "no count here\r\n")));
    EXPECT_EQ(f.wb.alg.loadFailed, 1);
}

TEST(WriteAlgorithmFile, ExtremeValuesReadBackAsTheSameNumbers) {
    // Values whose exponent needs three digits, with and without a sign, and
    // values below the smallest normal double: each must keep its 14 columns.
    Fixture f;
    SetDefaultAlgorithmData(f.wb.alg, 3);
    const double extremes[][2] = {
        {-1.2345678e-100, 9.8765432e+200}, {-9.8765432e+200, -1.2345678e-100}, {4.9406564584124654e-324, -5e-320},
        {-2.2250738585072014e-308, 1.7976931348623157e+308}, {-1.7976931348623157e+308, 1e-310}, {-1e-5, 12.5},
    };
    for (const auto& pair : extremes) {
        f.wb.alg.value[1] = pair[0];
        f.wb.alg.step[1] = pair[1];
        f.wb.alg.value[3] = pair[1];
        f.wb.alg.step[3] = pair[0];
        f.wb.alg.tolerance = pair[0];
        f.wb.alg.reductionFraction = pair[1];
        const AlgorithmData written = f.wb.alg;
        const auto path = (f.dir / "extreme.alg").string();
        f.t.dialogs.ExpectFile("Save algorithm data in...", path);
        ASSERT_TRUE(WriteAlgorithmFile(f.wb, AlgorithmWriter::CommandMenu));
        SetDefaultAlgorithmData(f.wb.alg, 3);
        ASSERT_TRUE(ReadAlgorithmFile(f.wb, path)) << pair[0];
        // Eight significant digits, seven where a sign and a three-digit
        // exponent leave room for no more.
        auto same = [](double read, double wrote) {
            return read == wrote || std::fabs(read - wrote) <= 5e-7 * std::fabs(wrote);
        };
        EXPECT_TRUE(same(f.wb.alg.value[1], written.value[1])) << f.wb.alg.value[1] << " " << written.value[1];
        EXPECT_TRUE(same(f.wb.alg.step[1], written.step[1])) << f.wb.alg.step[1] << " " << written.step[1];
        EXPECT_TRUE(same(f.wb.alg.value[3], written.value[3])) << f.wb.alg.value[3] << " " << written.value[3];
        EXPECT_TRUE(same(f.wb.alg.step[3], written.step[3])) << f.wb.alg.step[3] << " " << written.step[3];
        EXPECT_TRUE(same(f.wb.alg.reductionFraction, written.reductionFraction)) << written.reductionFraction;
        EXPECT_TRUE(same(f.wb.alg.tolerance, FloorTolerance(written.tolerance))) << written.tolerance;
    }
}

TEST(AlgorithmFile, DamagedNumbersAreRefusedWithTheLineAndField) {
    const std::string full = ThreeParameterFile();
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string t = full;
        t.replace(t.find(from), from.size(), to);
        return t;
    };
    const struct {
        std::string text;
        Status status;
        std::string detail;
    } cases[] = {
        // One extra leading space would read 1.5 as 1.5000000E+0 and 120 as 1.2.
        {replaced(" 1.5000000E+00   1.0000000E-01", "  1.5000000E+00  1.0000000E-01"), Status::BadlyFormatted,
         "Line 2, the value of parameter 1 (columns 1-14): \"1.5000000E+00\" runs on past the field's last column"},
        // A step that reaches into column 16 has lost its sign to the value's field.
        {replaced("-2.2500000E+01   0.0000000E+00", "-2.2500000E+01 -1.0000000E+00 "), Status::BadlyFormatted,
         "Line 3, the step of parameter 2 (columns 17-30) starts before column 17"},
        {replaced("   2.0000000E-04   A", "   2.0000000E-041  A"), Status::BadlyFormatted,
         "Line 4, the step of parameter 3 (columns 17-30): \"2.0000000E-041\" runs on past the field's last column"},
        {replaced(" 1.0000000E-08  Simplex", "   1..2         Simplex"), Status::BadlyFormatted,
         "Line 5, the tolerance for convergence (columns 1-14): \"1..2\" is not a number"},
        {replaced("          5000  Maximum", "         1e999  Maximum"), Status::BadlyFormatted,
         "Line 6, the maximum number of function calls or iterations (columns 1-14): \"1e999\" is too large a number"},
        {replaced("             7  Terminal", "            4d  Terminal"), Status::BadlyFormatted,
         "Line 7, the terminal output frequency (columns 1-14): \"4d\" is not a number"},
        // A cut last line would set the reduction fraction to 1.0.
        {Without(full, "1  Step size"), Status::TooFewLines,
         "Line 10, the step size reduction fraction (columns 1-14): \"2.0000000E-0\" is cut short: the line ends at "
         "column 13"},
        {Without(full, "  minimize.cvl"), Status::TooFewLines,
         "The file ends after line 8, before the name of output file (line 9 of 10)"},
        {full + "  4   N\r\n", Status::TooManyLines, "Line 11 is beyond the 10 lines of a model of 3 parameters"},
    };
    for (const auto& c : cases) {
        AlgorithmData d;
        SetDefaultAlgorithmData(d, 3);
        const AlgorithmReadResult r = Read(c.text, d);
        EXPECT_EQ(r.status, c.status) << c.detail;
        EXPECT_EQ(r.detail.substr(0, c.detail.size()), c.detail);
        EXPECT_EQ(r.Text(), r.message + "\r\n\r\n" + r.detail);
        EXPECT_DOUBLE_EQ(d.reductionFraction, 0.1);  // untouched
    }
    // Input that is not text stops the reader at once.
    AlgorithmData d;
    const AlgorithmReadResult zero = Read(std::string(4096, '\0'), d);
    EXPECT_EQ(zero.status, Status::NotText);
    EXPECT_EQ(zero.message, "Algorithm file  test.alg  is not a text file: line 1 holds a NUL byte");
}

TEST(LoadAlgorithmData, ADirectoryOrDevZeroIsRefusedSayingWhatItIs) {
    Fixture f;
    f.t.dialogs.ExpectMessage("Problem Reading Algorithm File!", f.dir.string() + " could not be opened: it is a directory");
    EXPECT_FALSE(ReadAlgorithmFile(f.wb, f.dir.string()));
    f.t.dialogs.ExpectMessage("Problem Reading Algorithm File!", "/dev/zero  is not a text file");
    EXPECT_FALSE(ReadAlgorithmFile(f.wb, "/dev/zero"));
    EXPECT_EQ(f.wb.alg.loadFailed, 1);
    // The detail of a damaged field follows the fixed message.
    std::string text = ThreeParameterFile();
    text.replace(text.find(" 1.0000000E-08"), 14, "        1,5e-8");
    f.t.dialogs.ExpectMessage("Algorithm file - information input failed",
                              "better check it!\r\n\r\nLine 5, the tolerance for convergence (columns 1-14): \"1,5e-8\"");
    EXPECT_FALSE(ReadAlgorithmFile(f.wb, f.Write("comma.alg", text)));
}

TEST(AlgorithmFile, ResultFilesAreNamedForTheAlgorithmFileBesideIt) {
    const struct {
        const char* fileName;
        const char* extension;
        const char* expected;
    } cases[] = {
        {"/data/fit.alg", ".cov", "/data/fit.cov"},
        {"/data/fit.alg", ".cvo", "/data/fit.cvo"},
        {"fit.alg", ".mlc", "fit.mlc"},
        {"/data/run.2/fit", ".pos", "/data/run.2/fit.pos"},  // a dot in the folder is not an extension
        {"/data/fit.v2.alg", ".cov", "/data/fit.v2.cov"},    // only the last extension goes
        {"/data/.hidden", ".cov", "/data/.hidden.cov"},      // a leading dot names the file
        {"", ".cov", "12071842.cov"},                        // nothing loaded or saved yet
    };
    for (const auto& c : cases) {
        AlgorithmData alg;
        alg.fileName = c.fileName;
        EXPECT_EQ(NamedForAlgorithm(alg, c.extension, "12071842.cov"), c.expected) << c.fileName;
    }
}
