#include <gtest/gtest.h>

#include <sstream>

#include "PriorsRig.h"
#include "numeric/FixedColumns.h"
#include "priors/PriorsFile.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

PriorRow Row(char type, double m, double s, std::string m2 = "Unused", std::string s2 = "Unused") {
    return PriorRow{type, m, s, std::move(m2), std::move(s2)};
}

PriorTable Table(std::initializer_list<PriorRow> rows) {
    PriorTable t;
    t.Reset(static_cast<int>(rows.size()));
    int i = 0;
    for (const auto& r : rows) t.rows[++i] = r;
    return t;
}

PriorsReadResult Read(const std::string& text, int n) {
    std::istringstream in(text);
    return ReadPriorsText(in, n);
}

// Same type and the same numbers (a second term by its value unless "Unused").
void ExpectSameRow(const PriorRow& a, const PriorRow& b, int i) {
    EXPECT_EQ(a.type, b.type) << i;
    EXPECT_EQ(a.firstMean, b.firstMean) << i;
    EXPECT_EQ(a.firstSD, b.firstSD) << i;
    for (const auto& [x, y] : {std::pair{a.secondMean, b.secondMean}, std::pair{a.secondSD, b.secondSD}}) {
        if (x == "Unused" || y == "Unused")
            EXPECT_EQ(x, y) << i;
        else
            EXPECT_EQ(LeadingNumber(x), LeadingNumber(y)) << i;
    }
}

}  // namespace

TEST(PriorsFile, LinesInTheirFixedColumns) {
    const PriorTable t = Table({Row('U', kUnsetPriorValue, kUnsetPriorValue), Row('T', -1.5, 0.25, "3", "0"),
                                Row('N', 2.5, 0.5)});
    EXPECT_EQ(FormatPriorsFile(t),
              "3\r\n"
              "  1   U 1.000E-100 1.000E-100     Unused     Unused   Uniform - unbounded\r\n"
              "  2   T-1.500E+000 2.500E-001 3.000E+000 0.000E+000   Uniform - bounded\r\n"
              "  3   N 2.500E+000 5.000E-001     Unused     Unused   Gaussian or Normal\r\n");
    // A negative number takes the minus sign in place of the leading space.
    EXPECT_EQ(PriorsFileNumber(-2.5), "-2.500E+000");
    EXPECT_EQ(PriorsFileNumber(-1e-300), "-1.000E-300");
    EXPECT_EQ(PriorsFileNumber(123456.0), " 1.235E+005");
    // Parameter numbers of 100 and more keep their first three characters.
    EXPECT_EQ(PriorsFileLine(100, Row('N', 1, 1)).substr(0, 7), " 10   N");
    EXPECT_EQ(PriorsFileLine(1234, Row('N', 1, 1)).substr(0, 7), " 12   N");
}

TEST(PriorsFile, EveryTypeRoundTripsWithUnsetTermsAndNegativeValues) {
    const PriorTable t = Table({
        Row('U', kUnsetPriorValue, kUnsetPriorValue),
        Row('T', -12.5, 0.125, "-2.5", "0.75"),
        Row('N', -3.75e-7, 2.5e12),
        Row('E', 2, 2),
        Row('G', 4, 2),
        Row('B', 0.5, 0.1),
        Row('S', -1, 0),
        Row('D', 1e-100, 0.5),  // an unset foot is written as its number
        Row('L', 3, 1),
    });
    const std::string text = FormatPriorsFile(t);
    const PriorsReadResult r = Read(text, 9);
    ASSERT_TRUE(r.ok()) << r.problem;
    for (int i = 1; i <= 9; ++i) ExpectSameRow(r.rows[i], t.rows[i], i);
    EXPECT_TRUE(IsUnset(r.rows[1].firstMean));
    EXPECT_TRUE(IsUnset(r.rows[8].firstMean));
    // Written again, the text is the same; line feeds alone read the same.
    PriorTable again = t;
    again.rows = r.rows;
    EXPECT_EQ(FormatPriorsFile(again), text);
    std::string lf = text;
    for (std::size_t p; (p = lf.find('\r')) != std::string::npos;) lf.erase(p, 1);
    EXPECT_TRUE(Read(lf, 9).ok());
}

TEST(PriorsFile, ParametersAreReadByLineOrderBeyondNinetyNine) {
    PriorTable t;
    t.Reset(101);
    t.rows[99] = Row('N', 99, 1);
    t.rows[100] = Row('G', 100, 1);
    t.rows[101] = Row('S', 101, 0);
    const PriorsReadResult r = Read(FormatPriorsFile(t), 101);
    ASSERT_TRUE(r.ok()) << r.problem;
    EXPECT_EQ(r.rows[100].type, 'G');
    EXPECT_EQ(r.rows[100].firstMean, 100.0);
    EXPECT_EQ(r.rows[101].type, 'S');
    EXPECT_EQ(r.rows[101].firstMean, 101.0);
}

TEST(PriorsFile, RefusedFilesAndLines) {
    const std::string good = FormatPriorsFile(Table({Row('N', 1, 1), Row('U', 0, 0)}));
    EXPECT_EQ(Read(good, 3).status, PriorsReadResult::Status::CountMismatch);
    EXPECT_EQ(Read(good, 3).count, 2);
    EXPECT_EQ(Read("", 2).status, PriorsReadResult::Status::CountMismatch);
    const PriorsReadResult shortFile = Read("2\r\n  1   N 1.000E+000 1.000E+000     Unused     Unused\r\n", 2);
    EXPECT_EQ(shortFile.status, PriorsReadResult::Status::TooFewLines);
    EXPECT_EQ(PriorsRefusalText(shortFile, "p.pri", 2),
              "Bayesian priors file  p.pri  ends after 1 of its 2 parameter lines.\r\n"
              "Therefore default (uniform-unbounded) priors have been loaded instead.");

    // Lines whose prior would divide by zero, or has no meaning.
    for (const char* line : {"  2   N 1.000E+000 0.000E+000", "  2   G 1.000E+000 0.000E+000",
                             "  2   L 1.000E+000 0.000E+000", "  2   B 5.000E-001 0.000E+000",
                             "  2   S 1.000E+000-1.000E+000", "  2   T 1.000E+000 1.000E+000 5.000E+000-1.000E+000",
                             "  2   D-1.000E+000-2.000E-001", "  2    "}) {
        const PriorsReadResult r = Read(std::string("2\r\n  1   U 1.000E-100 1.000E-100     Unused     Unused\r\n") +
                                            line + "     Unused     Unused\r\n",
                                        2);
        EXPECT_EQ(r.status, PriorsReadResult::Status::BadLine) << line;
        EXPECT_EQ(r.line, 3) << line;
        EXPECT_FALSE(r.problem.empty());
    }
    // Fields are read by column; a lower-case code is read in upper case; a
    // letter of none of the nine types is refused, not read as no prior.
    const PriorsReadResult lower = Read("2\n  1   n        1.0        2.0\n  2   u\n", 2);
    ASSERT_TRUE(lower.ok()) << lower.problem;
    EXPECT_EQ(lower.rows[1].type, 'N');
    EXPECT_EQ(lower.rows[1].firstSD, 2.0);
    EXPECT_EQ(lower.rows[2].type, 'U');
    const PriorsReadResult unknown = Read("2\n  1   n        1.0        2.0\n  2   x\n", 2);
    EXPECT_EQ(unknown.status, PriorsReadResult::Status::BadLine);
    EXPECT_EQ(unknown.line, 3);
    EXPECT_EQ(unknown.problem, "column 7 holds X, which is none of the type codes UTNEGBSDL");
}

TEST(PriorsFile, MismatchedCountLeavesEveryPriorUniformUnbounded) {
    PriorsBench b(13);
    b.wb.priorTable.rows[4] = Row('N', 1, 1);
    b.wb.engine.priorsInUse = true;
    PriorTable twelve;
    twelve.Reset(12);
    twelve.rows[1] = Row('E', 2, 2);
    std::istringstream in(FormatPriorsFile(twelve));
    b.t.dialogs.ExpectMessage("Bayes information",
                              "Bayesian priors file  old.pri  has 12 parameters, but your model specifies 13.\r\n"
                              "Therefore default (uniform-unbounded) priors have been loaded instead.");
    EXPECT_FALSE(ReadPriorsFile(b.wb, "old.pri", in));
    EXPECT_EQ(b.t.dialogs.Last().icon, Icon::Critical);
    EXPECT_TRUE(b.wb.priorTable.AllUniformUnbounded());
    EXPECT_EQ(b.wb.priorTable.Size(), 13);
    EXPECT_FALSE(b.wb.engine.priorsInUse);
    EXPECT_EQ(b.wb.alg.loadFailed, 1);
    EXPECT_EQ(b.wb.priorTable.fileName, "");

    // A file that fits is loaded, and priors are in use.
    PriorTable thirteen;
    thirteen.Reset(13);
    thirteen.rows[13] = Row('D', 5, 1);
    std::istringstream fits(FormatPriorsFile(thirteen));
    b.t.dialogs.ExpectMessage("Bayes information", "Bayesian Priors file new.pri has been loaded");
    EXPECT_TRUE(ReadPriorsFile(b.wb, "new.pri", fits));
    EXPECT_EQ(b.wb.priorTable.rows[13].type, 'D');
    EXPECT_TRUE(b.wb.engine.priorsInUse);
    EXPECT_EQ(b.wb.priorTable.fileName, "new.pri");
}

TEST(PriorsFile, WritingAsksForANameAndReportsItInTheStatusBar) {
    PriorsBench b(2);
    ScratchDir dir;
    b.wb.priorTable.rows[2] = Row('N', 2.5, 0.5);
    const std::string path = dir.Path("analysis.pri");
    b.t.dialogs.ExpectFile("Save Bayesian priors file in...", path);
    ASSERT_TRUE(WritePriorsFile(b.wb, PriorsWriter::Editor));
    const FileRequest& asked = b.t.dialogs.Last().request;
    EXPECT_EQ(asked.initialName, "12071842.pri");  // the date-time stamp before any name
    EXPECT_EQ(asked.filter, "All files (*.*)|*.*|Bayesian prior files (*.pri)|*.pri");
    EXPECT_EQ(asked.selectedFilter, 2);
    EXPECT_TRUE(asked.overwritePrompt);
    EXPECT_EQ(ReadFile(path), FormatPriorsFile(b.wb.priorTable));
    EXPECT_EQ(b.t.status.Get(panels::PriorsFile), "Bayesian priors file: analysis");
    EXPECT_EQ(b.wb.priorTable.fileName, path);

    // The exit questions show the full path; ".pri" is not added twice.
    b.t.dialogs.ExpectFile("Save Bayesian priors file in...", path);
    ASSERT_TRUE(WritePriorsFile(b.wb, PriorsWriter::Exit));
    EXPECT_EQ(b.t.dialogs.Last().request.initialName, path);
    EXPECT_EQ(b.t.status.Get(panels::PriorsFile), "Bayesian priors file: " + path);

    // Cancel, and a file that cannot be written: nothing changes but the user hears of the latter.
    b.t.dialogs.ExpectFile("Save Bayesian priors file in...", std::nullopt);
    EXPECT_FALSE(WritePriorsFile(b.wb, PriorsWriter::Editor));
    b.t.dialogs.ExpectFile("Save Bayesian priors file in...", dir.Path("missing/x.pri"))
        .ExpectMessage("Save Bayesian priors file in...", "could not be written (No such file or directory); nothing was saved.");
    EXPECT_FALSE(WritePriorsFile(b.wb, PriorsWriter::Editor));
    EXPECT_EQ(b.wb.priorTable.fileName, path);
}

TEST(PriorsFile, TextNaNOverflowAndRowsBeyondTheCountAreRefused) {
    const std::string first = "2\r\n  1   U 1.000E-100 1.000E-100     Unused     Unused\r\n";
    const struct {
        std::string text;
        PriorsReadResult::Status status;
        int line;
        std::string problem;
    } cases[] = {
        {first + "  2   N       abc 5.000E-001     Unused     Unused\r\n", PriorsReadResult::Status::BadLine, 3,
         "the first-term mean (columns 8-18) \"abc\" is not a number"},
        {first + "  2   N 2.500E+000       nan     Unused     Unused\r\n", PriorsReadResult::Status::BadLine, 3,
         "the first-term SD (columns 19-29) \"nan\" is not a number"},
        {first + "  2   N 2.500E+999 5.000E-001     Unused     Unused\r\n", PriorsReadResult::Status::BadLine, 3,
         "the first-term mean (columns 8-18) \"2.500E+999\" is too large a number"},
        {first + "  2   N 2.5,0E+00 5.000E-001     Unused     Unused\r\n", PriorsReadResult::Status::BadLine, 3,
         "the first-term mean (columns 8-18) \"2.5,0E+00\" is not a number"},
        {first + "  2   T 1.000E+000 1.000E-001     Unsed 1.000E-001\r\n", PriorsReadResult::Status::BadLine, 3,
         "the second-term mean (columns 30-40) \"Unsed\" is not a number nor \"Unused\""},
        // A Gaussian row cut before its SD.
        {first + "  2   N 2.500E+000\r\n", PriorsReadResult::Status::BadLine, 3,
         "the first-term SD (columns 19-29) is missing: the line ends at column 18"},
        {first + "  2   U 1.000E-100 1.000E-100     Unused     Unused\r\n  3   N 1.000E+000 1.000E+000\r\n",
         PriorsReadResult::Status::TooManyLines, 4, ""},
        {"2x\r\n", PriorsReadResult::Status::BadLine, 1, "the number of parameters \"2x\" is not a number"},
        {first + std::string(64, '\0'), PriorsReadResult::Status::NotText, 3,
         "is not a text file: line 3 holds a NUL byte"},
    };
    for (const auto& c : cases) {
        const PriorsReadResult r = Read(c.text, 2);
        EXPECT_EQ(r.status, c.status) << c.text;
        EXPECT_EQ(r.line, c.line) << c.text;
        EXPECT_EQ(r.problem, c.problem) << c.text;
        EXPECT_TRUE(r.rows.size() == 0) << c.text;
    }
    EXPECT_EQ(PriorsRefusalText(Read(cases[6].text, 2), "p.pri", 2),
              "Bayesian priors file  p.pri  line 4 is beyond its 2 parameter lines: the file holds more rows than its "
              "count.\r\nTherefore default (uniform-unbounded) priors have been loaded instead.");
    // Blank lines after the rows, and blank first terms, still read.
    const PriorsReadResult blank = Read(first + "  2   S            5.000E-001     Unused     Unused\r\n\r\n\r\n", 2);
    ASSERT_TRUE(blank.ok()) << blank.problem;
    EXPECT_EQ(blank.rows[2].firstMean, 0.0);
    EXPECT_EQ(blank.rows[2].firstSD, 0.5);
}
