#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "numeric/DateTimeName.h"
#include "numeric/FixedColumns.h"
#include "numeric/NormalProb.h"
#include "numeric/OneBased.h"
#include "numeric/modGamma.h"

using namespace corvane;

TEST(LnGamma, AgreesWithTheLibraryToTheSeriesAccuracy) {
    for (double x : {1.0, 1.5, 2.0, 3.7, 10.0, 57.3, 170.5}) EXPECT_NEAR(LnGamma(x), std::lgamma(x), 1e-9 * std::max(1.0, std::fabs(std::lgamma(x)))) << x;
    // Below 1 the reflection formula takes over.
    for (double x : {0.999, 0.5, 0.1, 1e-4}) EXPECT_NEAR(LnGamma(x), std::lgamma(x), 1e-9 * std::max(1.0, std::fabs(std::lgamma(x)))) << x;
    EXPECT_NEAR(LnGamma(0.5), std::log(std::sqrt(4.0 * std::atan(1.0))), 1e-9);
}

TEST(NormalProb, PolynomialAndErfcFormsMatchTheExactCdf) {
    for (double z = -8.0; z <= 8.0; z += 0.37) {
        const double exact = 0.5 * std::erfc(-z / std::sqrt(2.0));
        EXPECT_NEAR(PhiPoly(z), exact, 7.5e-8) << z;
        EXPECT_NEAR(NormalCdf(z), exact, 1.2e-7) << z;
    }
    EXPECT_NEAR(PhiDiff(1.96, -1.96), 0.95, 1e-4);
    EXPECT_DOUBLE_EQ(PhiDiff(0.3, 0.3), 0.0);
}

TEST(FixedColumns, LeadingNumberReadsWhatAFieldStartsWith) {
    EXPECT_DOUBLE_EQ(LeadingNumber("   12.5,3"), 12.5);
    EXPECT_DOUBLE_EQ(LeadingNumber("-3abc"), -3.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("1.5E+02x"), 150.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("2E"), 2.0);  // an exponent without digits is not part of it
    EXPECT_DOUBLE_EQ(LeadingNumber(".5"), 0.5);
    EXPECT_DOUBLE_EQ(LeadingNumber(""), 0.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("      "), 0.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("abc"), 0.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("1e999"), 0.0);  // overflow reads as no number
    // The readers that must refuse such fields learn which case they met.
    using Kind = LeadingField::Kind;
    EXPECT_EQ(ReadLeadingNumber(" -3abc").kind, Kind::Number);
    EXPECT_EQ(ReadLeadingNumber(" \t ").kind, Kind::Empty);
    EXPECT_EQ(ReadLeadingNumber("  abc").kind, Kind::NotANumber);
    EXPECT_EQ(ReadLeadingNumber("nan").kind, Kind::NotANumber);
    EXPECT_EQ(ReadLeadingNumber("-1e999").kind, Kind::Overflow);
    EXPECT_EQ(ReadLeadingNumber("1e-999").value, 0.0);  // underflow is a tiny number, not an error
}

TEST(FixedColumns, StrictNumbersRefuseAnythingElse) {
    EXPECT_EQ(StrictNumber("  1.2345678E+00 "), 1.2345678);
    EXPECT_FALSE(StrictNumber("1.5abc"));
    EXPECT_FALSE(StrictNumber("    "));
    EXPECT_FALSE(StrictNumber("--1"));
    EXPECT_EQ(StrictInteger("  9999", INT32_MIN, INT32_MAX), 9999);
    EXPECT_EQ(StrictInteger("2.5", 0, 10), 2);  // half to even
    EXPECT_FALSE(StrictInteger("40000", -32768, 32767));
    EXPECT_EQ(Field("abcdef", 3, 2), "cd");
    EXPECT_EQ(Field("abc", 3, 5), "c");
    EXPECT_EQ(Field("abc", 9, 5), "");
}

TEST(FixedColumns, LineReaderTakesEveryLineEndAndCutsHugeLines) {
    std::istringstream in("one\r\ntwo\nthree\rfour");
    LineReader r(in);
    std::string line;
    std::vector<std::string> lines;
    while (r.Next(line)) lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three", "four"}));
    EXPECT_EQ(r.LinesRead(), 4);

    std::istringstream big(std::string(60000, 'x') + "\nshort\n");
    LineReader cut(big, 100);
    ASSERT_TRUE(cut.Next(line));
    EXPECT_EQ(line.size(), 100u);
    EXPECT_TRUE(cut.Truncated());
    ASSERT_TRUE(cut.Next(line));
    EXPECT_EQ(line, "short");
    EXPECT_FALSE(cut.Next(line));
}

TEST(FixedColumns, StrictFieldsSayWhyTheyAreNoNumber) {
    using Kind = NumberField::Kind;
    const struct {
        const char* text;
        Kind kind;
        double value;
    } cases[] = {
        {"  4.774 ", Kind::Number, 4.774},  {"-1.5D+02", Kind::Number, -150.0}, {"+.5", Kind::Number, 0.5},
        {"      ", Kind::Empty, 0.0},       {"4d.774", Kind::NotANumber, 0.0}, {"1,5", Kind::NotANumber, 0.0},
        {"0x10", Kind::NotANumber, 0.0},    {"1e", Kind::NotANumber, 0.0},     {"1..2", Kind::NotANumber, 0.0},
        {"day", Kind::NotANumber, 0.0},     {"nan", Kind::NotANumber, 0.0},    {"inf", Kind::NotANumber, 0.0},
        {"1 2", Kind::NotANumber, 0.0},     {"1e999", Kind::Overflow, 0.0},    {"-1e400", Kind::Overflow, 0.0},
    };
    for (const auto& c : cases) {
        const NumberField f = ParseNumberField(c.text);
        EXPECT_EQ(f.kind, c.kind) << c.text;
        EXPECT_EQ(f.value, c.value) << c.text;
        EXPECT_EQ(f.Usable(), c.kind == Kind::Number || c.kind == Kind::Empty) << c.text;
    }
    EXPECT_EQ(NumberFieldProblem(ParseNumberField(" 4d.774"), ""), "\"4d.774\" is not a number");
    // A line that ends before the field begins has lost the field; one that
    // ends inside it holds what it holds.
    EXPECT_EQ(ReadNumberField("     1,40.000", 15, 6).kind, Kind::Missing);
    EXPECT_EQ(NumberFieldProblem(ReadNumberField("     1,40.000", 15, 6), "     1,40.000"),
              "is missing: the line ends at column 13");
    EXPECT_EQ(ReadNumberField("     1,40.000, ", 15, 6).kind, Kind::Empty);
    EXPECT_EQ(ReadNumberField("     1,40.0", 8, 6).value, 40.0);
}

TEST(FixedColumns, JustifiedFieldsRefuseANumberRunningOnOrCutShort) {
    using Kind = NumberField::Kind;
    const struct {
        const char* line;
        bool lineEnded;
        Kind kind;
        double value;
    } cases[] = {
        {" 1.2000000E+02  label", true, Kind::Number, 120.0},
        {"-1.2000000E+02  label", true, Kind::Number, -120.0},
        // One extra leading space: the first 14 columns hold 1.2000000E+0.
        {"  1.2000000E+02  label", true, Kind::RunsOn, 0.0},
        {"          5000", false, Kind::Number, 5000.0},
        {"5000", true, Kind::Number, 5000.0},  // written by hand, left-justified
        // Cut inside the field: right-justified text, or no line end.
        {" 1.0000000E-0", true, Kind::Cut, 0.0},
        {"1.0000000E-0", false, Kind::Cut, 0.0},
    };
    for (const auto& c : cases) {
        const NumberField f = ReadJustifiedField(c.line, 1, 14, c.lineEnded);
        EXPECT_EQ(f.kind, c.kind) << c.line;
        EXPECT_EQ(f.value, c.value) << c.line;
    }
    EXPECT_EQ(NumberFieldProblem(ReadJustifiedField("  1.2000000E+02  x", 1, 14, true), ""),
              "\"1.2000000E+02\" runs on past the field's last column");
}

TEST(FixedColumns, LineReaderStopsAtOnceOnInputThatIsNotText) {
    const struct {
        std::string text;
        long long lines;  // read before the refusal
        std::string why;
    } cases[] = {
        {std::string("label\n") + std::string(1000, '\0'), 1, "is not a text file: line 2 holds a NUL byte"},
        {std::string("a\0b\n", 4), 0, "is not a text file: line 1 holds a NUL byte"},
        {"x\n" + std::string(kLongestTextLine + 1, 'y') + "\n", 1,
         "is not a text file: line 2 is longer than 65536 characters"},
        {std::string(kLongestTextLine, 'y') + "\nz\n", 2, ""},  // the longest line allowed
    };
    for (const auto& c : cases) {
        std::istringstream in(c.text);
        LineReader r(in, 100);
        std::string line;
        while (r.Next(line)) {
        }
        EXPECT_EQ(r.LinesRead(), c.lines);
        EXPECT_EQ(r.NotText(), c.why);
        EXPECT_TRUE(r.AtEnd());
    }
    // The last line of a file cut short has no line end.
    std::istringstream cut("one\r\ntwo");
    LineReader r(cut);
    std::string line;
    ASSERT_TRUE(r.Next(line));
    EXPECT_TRUE(r.LineEnded());
    ASSERT_TRUE(r.Next(line));
    EXPECT_FALSE(r.LineEnded());
}

TEST(DateTimeName, MonthDayHourMinuteThenExtension) {
    EXPECT_EQ(DateTimeName("12/07/2026", "18:42:05", ".alg"), "12071842.alg");
    EXPECT_EQ(DateTimeName("1/7", "8", ".alg"), "1/8.alg");  // short texts give what they have
}

TEST(OneBased, IndexFromOneAndKeepRowZero) {
    Vec1<int> v(3, 7);
    EXPECT_EQ(v.size(), 3);
    v[3] = 9;
    v.resizePreserve(4, 1);
    EXPECT_EQ(v[3], 9);
    EXPECT_EQ(v[4], 1);
    v.resize(2);
    EXPECT_EQ(v[2], 0);
    Mat1<double> m(2, 3);
    m(0, 0) = 1.0;
    m(2, 3) = 5.0;
    EXPECT_EQ(m(2, 3), 5.0);
    EXPECT_EQ(m.rows(), 2);
    EXPECT_EQ(m.cols(), 3);
}
