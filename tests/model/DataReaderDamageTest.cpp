// The growth data readers refuse damage with the line and field named, and
// refuse input that is not text at once.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

#include "GrowthTestSupport.h"
#include "model/GrowthData.h"
#include "model/InitializeForm.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

std::optional<DataProblem> ReadIncrements(const std::string& text, IncrementData& d) {
    std::istringstream in(text);
    return ReadIncrementText(in, d);
}

}  // namespace

TEST(IncrementReaderDamage, AFieldThatIsNotOneNumberOrALineThatStopsShortIsRefused) {
    const std::string good = "     1,40.000, 1.000, 0.000,365.00\n";
    const struct {
        std::string record;
        std::string message;
    } cases[] = {
        {"     1,40.000, 4d.774, 0.000,365.00",
         "Line 3 of the increment data file is not a record: its increment (columns 15-20) \"4d.77\" is not a number"},
        {"     1,40.000,   1,5, 0.000,365.00", "its increment (columns 15-20) \"1,5\" is not a number"},
        {"     1,  0x10, 1.000, 0.000,365.00", "its initial size (columns 8-13) \"0x10\" is not a number"},
        {"     1,40.000, 1.000,    1e,365.00", "its start day (columns 22-27) \"1e\" is not a number"},
        {"     1,40.000, 1.000,  1..2,365.00", "its start day (columns 22-27) \"1..2\" is not a number"},
        {"     1,40.000, 1.000, 0.000,  days", "its end day (columns 29-34) \"days\" is not a number"},
        // The last field is lost when the line ends before it begins.
        {"     1,40.000, 1.000, 0.000", "its end day (columns 29-34) is missing: the line ends at column 27"},
        {"1,40,1,0,365", "its set number (columns 1-6) \"1,40,1\" is not a number"},
    };
    for (const auto& c : cases) {
        IncrementData d;
        const auto problem = ReadIncrements("labels\n" + good + c.record + "\n" + good, d);
        ASSERT_TRUE(problem) << c.record;
        EXPECT_EQ(problem->title, "Increment data file");
        EXPECT_NE(problem->text.find(c.message), std::string::npos) << problem->text;
        EXPECT_NE(problem->text.find("Line 3 "), std::string::npos) << problem->text;
        EXPECT_EQ(d.records, 0);  // nothing half read
    }
    // An empty field still reads as 0, as the layout says, and so does a
    // line that ends inside its last field.
    IncrementData d;
    ASSERT_FALSE(ReadIncrements("labels\n     1,40.000, 1.000,      ,365.00\n     2,41.000, 2.000, 5.000,9\n", d));
    EXPECT_EQ(d.record[1].start, 0.0);
    EXPECT_EQ(d.record[2].end, 9.0);
}

TEST(FrequencyReaderDamage, ALineThatStopsBeforeItsLastSeriesIsRefusedAMidpointAloneIsEmpty) {
    const struct {
        std::string text;
        std::string message;  // empty: read
    } cases[] = {
        {"m\n    0.50        2        1\n    1.50        3\n    2.50        1        1\n",
         "Line 3 of the frequency data file: the frequency of series 2 in cell 2 is missing: the line ends at column 17"},
        {"m\n    0.50        2        1\n    1.50        3      1,5\n    2.50        1        1\n",
         "the frequency of series 2 in cell 2 \"1,5\" is not a number"},
        {"m\n    0.50        2        1\n    1.5x        3        1\n", "the midpoint of cell 2 \"1.5x\" is not a number"},
        {"m\n    0.50        2        1\n    1.50\n    2.50        1        1\n", ""},
    };
    for (const auto& c : cases) {
        FrequencyData d;
        std::istringstream in(c.text);
        const auto problem = ReadFrequencyText(in, 2, 1, d);
        if (c.message.empty()) {
            EXPECT_FALSE(problem) << problem->text;
            EXPECT_EQ(d.frequency(1, 2), 0.0);
            EXPECT_EQ(d.frequency(2, 3), 1.0);
        } else {
            ASSERT_TRUE(problem) << c.text;
            EXPECT_NE(problem->text.find(c.message), std::string::npos) << problem->text;
        }
    }
}

TEST(DataReadersNotText, DevZeroADirectoryAndBinaryAreRefusedWithinASecond) {
    ScratchDir dir;
    const std::string binary = "  Set, Init, Incr, Start,   End\n" + std::string(10, '\0') + "\n";
    const std::string nulFile = dir.Write("nul.dat", binary);
    const std::string longLine = dir.Write("long.dat", "label\n" + std::string(200000, '7') + "\n");
    const struct {
        std::string path;
        std::string message;
    } cases[] = {
        {"/dev/zero", "/dev/zero is not a text file: line 1 holds a NUL byte"},
        {dir.dir.string(), "could not be opened: " + dir.dir.string() + " is a directory"},
        {nulFile, nulFile + " is not a text file: line 2 holds a NUL byte"},
        {longLine, longLine + " is not a text file: line 2 is longer than 65536 characters"},
    };
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        IncrementData increments;
        const auto problem = ReadIncrementFile(c.path, increments);
        FrequencyData frequencies;
        const auto frequencyProblem = ReadFrequencyFile(c.path, 1, 1, frequencies);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << c.path;
        ASSERT_TRUE(problem) << c.path;
        ASSERT_TRUE(frequencyProblem) << c.path;
        EXPECT_NE(problem->text.find("increment data file"), std::string::npos) << problem->text;
        EXPECT_NE(problem->text.find(c.message), std::string::npos) << problem->text;
        EXPECT_NE(frequencyProblem->text.find(c.message), std::string::npos) << frequencyProblem->text;
    }
}

TEST(IncrementPlausibility, ImplausibleRecordsAreReadAndCountedWithTheirFirstLine) {
    std::string text = "labels\n";
    text += "     1,40.000, 1.000,100.00,365.00\n";  // line 2: fine
    text += "     1,40.000, 1.000,300.00,200.00\n";  // line 3: ends before it starts
    text += "     1,40.000, 1.000,300.00,300.00\n";  // line 4: no days at liberty
    text += "     1,-4.000, 1.000,100.00,200.00\n";  // line 5: negative size
    text += "     1,40.000, 1.000,400.00,100.00\n";  // line 6: ends before it starts
    IncrementData d;
    ASSERT_FALSE(ReadIncrements(text, d));
    EXPECT_EQ(d.records, 5);
    EXPECT_EQ(d.endBeforeStart.count, 2);
    EXPECT_EQ(d.endBeforeStart.firstLine, 3);
    EXPECT_EQ(d.noDaysAtLiberty.count, 1);
    EXPECT_EQ(d.noDaysAtLiberty.firstLine, 4);
    EXPECT_EQ(d.negativeSize.count, 1);
    EXPECT_EQ(d.negativeSize.firstLine, 5);
    const std::vector<std::string> expected = {
        "2 increment records end before they start: their end day is below their start day (the first on line 3)",
        "1 increment record has no days at liberty: its end day is its start day (line 4)",
        "1 increment record has a negative initial size (line 5)"};
    EXPECT_EQ(PlausibilityWarnings(d), expected);

    // Standard error (the left-out part of the summary) and the status say so.
    GrowthSettings settings;
    settings.kind = 'I';
    GrowthData data;
    data.increments = d;
    const std::string leftOut = DataReadSummary(settings, data, SummaryPart::LeftOut);
    for (const auto& w : expected) EXPECT_NE(leftOut.find("Warning: " + w + "\r\n"), std::string::npos) << leftOut;
    EXPECT_NE(DataReadText(settings, data).find("; warning: 1 increment record has a negative initial size (line 5)"),
              std::string::npos);

    // Plausible records give no warning.
    IncrementData fine;
    ASSERT_FALSE(ReadIncrements("labels\n     1,40.000, 1.000,100.00,365.00\n", fine));
    EXPECT_TRUE(PlausibilityWarnings(fine).empty());
}
