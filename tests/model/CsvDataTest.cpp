// Increment and frequency data as CSV: the records the fixed-column readers
// give, damage refused with its line and column named, and conversion both
// ways keeping every value.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "GrowthTestSupport.h"
#include "model/DataConvert.h"
#include "model/GrowthData.h"
#include "model/InitializeForm.h"
#include "numeric/FixedColumns.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

std::optional<DataProblem> ReadIncrements(const std::string& text, IncrementData& d, DataLayout layout) {
    std::istringstream in(text);
    return ReadIncrementText(in, d, layout);
}

std::optional<DataProblem> ReadFrequencies(const std::string& text, int series, FrequencyData& d, DataLayout layout,
                                           int firstCell = 1) {
    std::istringstream in(text);
    return ReadFrequencyText(in, series, firstCell, d, layout);
}

// The records as (set, initial, increment, start, end) rows.
std::vector<std::vector<double>> Records(const IncrementData& d) {
    std::vector<std::vector<double>> rows;
    for (int i = 1; i <= d.records; ++i)
        rows.push_back({d.record[i].set, d.record[i].initial, d.record[i].increment, d.record[i].start, d.record[i].end});
    return rows;
}

}  // namespace

TEST(CsvIncrements, ColumnsInAnyOrderQuotedOrSemicolonSeparatedGiveTheFixedColumnRecords) {
    const std::string fixed = std::string(kIncrementLabelLine) + "\n     1,40.000, 1.500, 0.000,365.00\n\n     2,45.250, 2.000,10.000,375.00\n";
    IncrementData reference;
    ASSERT_FALSE(ReadIncrements(fixed, reference, DataLayout::FixedColumns));
    const std::vector<std::vector<double>> expected{{1, 40, 1.5, 0, 365}, {2, 45.25, 2, 10, 375}};
    ASSERT_EQ(Records(reference), expected);

    const std::string forms[] = {
        "set,initial_size,increment,start_day,end_day\n1,40,1.5,0,365\n\n2,45.25,2,10,375\n",
        // Other order, other columns ignored, names in any case, CR LF.
        "tag,END_DAY,Start_Day,increment,initial_size,set\r\nA7,365,0,1.5,40,1\r\n\r\nB2,375,10,2,45.25,2\r\n",
        // Quoted fields and names; a row of empty cells is a blank line.
        "\"set\",\"initial_size\",\"increment\",\"start_day\",\"end_day\"\n\"1\",\"40\",1.5,0,365\n,,,,\n2,45.25,2,10,375\n",
        // Semicolons, as spreadsheets in decimal-comma locales write them.
        "set;initial_size;increment;start_day;end_day\n1;40;1.5;0;365\n\n2;45.25;2;10;375\n",
        // A byte-order mark before the header ("CSV UTF-8").
        "\xEF\xBB\xBFset,initial_size,increment,start_day,end_day\n1,40,1.5,0,365\n\n2,45.25,2,10,375\n",
    };
    for (const std::string& csv : forms) {
        IncrementData d;
        ASSERT_FALSE(ReadIncrements(csv, d, DataLayout::Csv)) << csv;
        EXPECT_EQ(Records(d), expected) << csv;
        EXPECT_EQ(d.blankLines, 1) << csv;
        EXPECT_EQ(d.blankLineNumbers, std::vector<long long>{3}) << csv;
        EXPECT_EQ(d.setCount[1], 1);
        EXPECT_EQ(d.setCount[2], 1);
        // Recognised by its header alone, too.
        IncrementData either;
        ASSERT_FALSE(ReadIncrements(csv, either, DataLayout::Either)) << csv;
        EXPECT_EQ(Records(either), expected);
    }
    // The fixed-column label line has commas but names no CSV column.
    EXPECT_FALSE(IsIncrementCsvHeader(kIncrementLabelLine));
    IncrementData either;
    ASSERT_FALSE(ReadIncrements(fixed, either, DataLayout::Either));
    EXPECT_EQ(Records(either), expected);
}

TEST(CsvIncrements, DamageIsRefusedWithItsLineAndColumnNamed) {
    const std::string header = "set,initial_size,increment,start_day,end_day\n";
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {header + "1,40,1.5,0,365\n1,40,,0,365\n",
         "Line 3 of the increment data file is not a record: its column increment is empty"},
        {header + "1,40,4d.774,0,365\n", "Line 2 of the increment data file is not a record: its column increment "
                                         "\"4d.774\" is not a number"},
        {header + "1,40,1.5,0,NA\n",
         "Line 2 of the increment data file is not a record: its column end_day \"NA\" is not a number"},
        {header + "1,40,1.5\n",
         "Line 2 of the increment data file is not a record: its column start_day is missing: the row ends after 3 "
         "fields"},
        {header + "1,40,1.5,0,365,7\n", "Line 2 of the increment data file is not a record: it holds 6 fields, more "
                                        "than the 5 columns its header names"},
        {header + "1,\"40,1.5,0,365\n",
         "Line 2 of the increment data file is not a record: a quoted field is not closed on its line"},
        {header + "1,1e999,1.5,0,365\n",
         "Line 2 of the increment data file is not a record: its column initial_size \"1e999\" is too large a number"},
        {"set,initial_size,increment,start_day\n1,40,1.5,0\n",
         "The increment data file has no column end_day: its first line must name the columns set, initial_size, "
         "increment, start_day and end_day (in any order; other columns are ignored)"},
        {"set,initial_size,increment,start_day,end_day,set\n", "The increment data file names the column set twice"},
        // The rules shared with the fixed-column reader.
        {header + "1201,40,1.5,0,365\n", "Line 2 of the increment data file: increment record 1 has the set number "
                                         "1201; set numbers must lie between 0 and 1200"},
        {header + "\n,,,,\n", "The increment data file holds no records (its first line is skipped as field labels)"},
    };
    for (const auto& c : cases) {
        IncrementData d;
        d.records = 77;  // left as it was after a refusal
        const auto problem = ReadIncrements(c.text, d, DataLayout::Csv);
        ASSERT_TRUE(problem) << c.text;
        EXPECT_EQ(problem->text, c.message);
        EXPECT_EQ(problem->title, "Increment data file");
        EXPECT_EQ(d.records, 77);
    }
}

TEST(CsvIncrements, TheLimitAndThePlausibilityCountsAreTheFixedReadersOwn) {
    std::string csv = "set,initial_size,increment,start_day,end_day\n";
    csv += "1,-2,1,10,5\n1,3,1,10,10\n";  // ends before it starts; no days at liberty (and a negative size)
    for (int i = 3; i <= 1203; ++i) csv += "1,40,1.5,0,365\n";
    IncrementData d;
    ASSERT_FALSE(ReadIncrements(csv, d, DataLayout::Csv));
    EXPECT_EQ(d.records, kMaxIncrementRecords);
    EXPECT_EQ(d.beyondLimit, 3);
    EXPECT_EQ(d.endBeforeStart.count, 1);
    EXPECT_EQ(d.endBeforeStart.firstLine, 2);
    EXPECT_EQ(d.noDaysAtLiberty.firstLine, 3);
    EXPECT_EQ(d.negativeSize.count, 1);
}

TEST(CsvFrequencies, MidpointThenOneColumnPerSeriesGivesTheFixedColumnCells) {
    const std::string fixed = "Midpoint  Series1  Series2\n    1.25       37        0\n    3.75       58        3\n"
                              "    6.25        4       12\n";
    FrequencyData reference;
    ASSERT_FALSE(ReadFrequencies(fixed, 2, reference, DataLayout::FixedColumns));
    const std::string forms[] = {
        "midpoint,june,august\n1.25,37,0\n3.75,58,3\n6.25,4,12\n",
        "Midpoint;a;b;notes\n1.25;37;0;\n3.75;58;3;\"sieve 2\"\n6.25;4;12;x\n\n",
    };
    for (const std::string& csv : forms) {
        FrequencyData d;
        ASSERT_FALSE(ReadFrequencies(csv, 2, d, DataLayout::Either)) << csv;
        ASSERT_EQ(d.cells, 3);
        for (int i = 1; i <= 3; ++i) {
            EXPECT_EQ(d.midpoint[i], reference.midpoint[i]);
            for (int s = 1; s <= 2; ++s) EXPECT_EQ(d.frequency(s, i), reference.frequency(s, i));
        }
        EXPECT_EQ(d.seriesTotal[1], 99.0);
        EXPECT_EQ(d.seriesTotal[2], 15.0);
        EXPECT_EQ(d.grandTotal, 114);
        EXPECT_EQ(d.interval, 2.5);
    }
    // Cells before the first one evaluated are held at 0, unread.
    FrequencyData late;
    ASSERT_FALSE(ReadFrequencies("midpoint,s\n1,x\n2,5\n3,6\n", 1, late, DataLayout::Csv, 2));
    EXPECT_EQ(late.frequency(1, 1), 0.0);
    EXPECT_EQ(late.seriesTotal[1], 11.0);
}

TEST(CsvFrequencies, DamageIsRefusedWithItsLineAndColumnNamed) {
    const struct {
        std::string text;
        int series;
        std::string message;
    } cases[] = {
        {"midpoint,june,august\n1.25,37,0\n3.75,,3\n", 2,
         "Line 3 of the frequency data file: the frequency of series 1 in cell 2 (column june is empty)"},
        {"midpoint,june,august\n1.25,37,0\n3.75,58\n", 2,
         "Line 3 of the frequency data file: the frequency of series 2 in cell 2 (column august is missing: the row "
         "ends after 2 fields)"},
        {"midpoint,june\n1.25,37\nabc,58\n", 1,
         "Line 3 of the frequency data file: the midpoint of cell 2 (column midpoint \"abc\" is not a number)"},
        {"midpoint,june\n1.25,37\n3.75,-1\n", 1, "The frequency of series 1 in cell 2 is negative: -1"},
        {"midpoint,june\n1.25,37\n3.75,5\n7.5,1\n", 1,
         "Inconsistency in frequency midpoint interval near record 3. Tolerance is 0.1%."},
        {"midpoint,june\n1.25,37\n3.75,5\n", 2,
         "The frequency data file names 1 series column after midpoint, fewer than the 2 series asked for"},
        {"size,june\n1.25,37\n", 1,
         "The frequency data file does not begin with the column midpoint: its first line must name the column "
         "midpoint, then one column per series"},
    };
    for (const auto& c : cases) {
        FrequencyData d;
        const auto problem = ReadFrequencies(c.text, c.series, d, DataLayout::Csv);
        ASSERT_TRUE(problem) << c.text;
        EXPECT_EQ(problem->text, c.message);
    }
    // Too many cells: the fixed reader's fatal message.
    std::string many = "midpoint,s\n";
    for (int i = 1; i <= 252; ++i) many += std::to_string(i) + ",1\n";
    FrequencyData d;
    const auto fatal = ReadFrequencies(many, 1, d, DataLayout::Csv);
    ASSERT_TRUE(fatal);
    EXPECT_EQ(fatal->text, "Maximum number of 250 frequency cells exceeded\r\nThe file holds 252 frequency cells.");
}

TEST(ExactField, AValueIsWrittenOnlyWhenItReadsBackUnchanged) {
    const struct {
        double value;
        int width;
        std::optional<std::string> text;
    } cases[] = {
        {40.0, 6, "    40"},  {30.095, 6, "30.095"}, {-10.5, 6, " -10.5"}, {0.125, 4, ".125"},
        {-0.25, 4, "-.25"},    {1e-5, 6, " 1e-05"},  {1635.0, 6, "  1635"}, {12.34567, 6, std::nullopt},
        {1234567.0, 6, std::nullopt}, {0.1 + 0.2, 8, std::nullopt},  // 0.30000000000000004
        {1e15, 8, "   1e+15"},
    };
    for (const auto& c : cases) EXPECT_EQ(ExactField(c.value, c.width), c.text) << c.value;
}

TEST(DataConvert, IncrementsAndFrequenciesSurviveBothWays) {
    IncrementData rig;
    ASSERT_FALSE(ReadIncrementFile(DataPath("rig_increments.dat"), rig));
    IncrementData fromCsv;
    ASSERT_FALSE(ReadIncrements(IncrementCsvText(rig), fromCsv, DataLayout::Csv));
    EXPECT_EQ(Records(fromCsv), Records(rig));
    const FixedText back = IncrementFixedText(fromCsv);
    ASSERT_TRUE(back.text) << back.problem;
    IncrementData again;
    ASSERT_FALSE(ReadIncrements(*back.text, again, DataLayout::FixedColumns));
    EXPECT_EQ(Records(again), Records(rig));
    EXPECT_EQ(IncrementCsvText(again), IncrementCsvText(rig));

    IncrementData fine;
    ASSERT_FALSE(ReadIncrements("set,initial_size,increment,start_day,end_day\n1,40.1234,1,0,365\n", fine,
                                DataLayout::Csv));
    const FixedText cut = IncrementFixedText(fine);
    EXPECT_FALSE(cut.text);
    EXPECT_EQ(cut.problem,
              "record 1: its initial size 40.1234 does not fit the 6 columns of the fixed-column file without being cut");

    FrequencyData alba;
    const auto shape = FrequencyFileShapeOf(DataPath("alba_frequencies.dat"));
    ASSERT_TRUE(shape);
    ASSERT_EQ(shape->series, 7);
    ASSERT_FALSE(ReadFrequencyFile(DataPath("alba_frequencies.dat"), 7, 1, alba));
    const std::string csv = FrequencyCsvText(alba, 7);
    EXPECT_EQ(csv.substr(0, csv.find('\r')), "midpoint,series_1,series_2,series_3,series_4,series_5,series_6,series_7");
    FrequencyData f;
    ASSERT_FALSE(ReadFrequencies(csv, 7, f, DataLayout::Csv));
    const FixedText fixed = FrequencyFixedText(f, 7);
    ASSERT_TRUE(fixed.text) << fixed.problem;
    FrequencyData g;
    ASSERT_FALSE(ReadFrequencies(*fixed.text, 7, g, DataLayout::FixedColumns));
    ASSERT_EQ(g.cells, alba.cells);
    for (int i = 1; i <= alba.cells; ++i) {
        EXPECT_EQ(g.midpoint[i], alba.midpoint[i]);
        for (int s = 1; s <= 7; ++s) EXPECT_EQ(g.frequency(s, i), alba.frequency(s, i));
    }
    EXPECT_EQ(FrequencyCsvText(g, 7), csv);
}

TEST(CsvDesktopSetUp, TheSetUpTakesCsvFilesAsItTakesFixedColumnOnes) {
    ScratchDir dir;
    GrowthBench b;
    InitializeForm form(b.wb, b.model);
    // Two series in three cells, then an empty row that is no cell.
    form.ChooseFrequencyFile(dir.Write("f.csv", "midpoint,s1,s2\n0.5,3,4\n1.5,5,0\n2.5,2,0\n,,\n"));
    form.series = "2";
    form.blended = "5";
    form.firstCell = "4";
    auto refusal = form.Unworkable();
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->text, "The first frequency cell evaluated, 4, is beyond the 3 cells of the frequency file");
    form.firstCell = "1";
    form.series = "3";
    refusal = form.Unworkable();
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->text, "The frequency file holds 2 series, fewer than the 3 asked for");
    form.series = "2";
    EXPECT_FALSE(form.Unworkable());
    ASSERT_EQ(form.Ok(), InitializeForm::Outcome::Initialised);
    EXPECT_EQ(b.model.Data().frequencies.cells, 3);
    EXPECT_EQ(b.model.Data().frequencies.grandTotal, 14);

    // The rig records as CSV give the fixed-column file's objective, bit for bit.
    IncrementData rig;
    ASSERT_FALSE(ReadIncrementFile(DataPath("rig_increments.dat"), rig));
    const std::string csv = dir.Write("rig.csv", IncrementCsvText(rig));
    const std::vector<double> values = Fixed19(150, 20, 0.3, 0.1);
    GrowthBench fixedBench, csvBench;
    ASSERT_TRUE(fixedBench.InitialiseIncrements(DataPath("rig_increments.dat")));
    ASSERT_TRUE(csvBench.InitialiseIncrements(csv));
    const double objective = fixedBench.Evaluate(values);
    EXPECT_TRUE(std::isfinite(objective));
    EXPECT_EQ(csvBench.Evaluate(values), objective);
}

TEST(DataKindOf, TheFirstLineTellsIncrementsFromFrequencies) {
    const struct {
        std::string line;
        std::optional<DataKind> kind;
    } cases[] = {
        {kIncrementLabelLine, DataKind::Increments},
        {"Midpoint   760417   760702", DataKind::Frequencies},
        {"tag;END_DAY;start_day", DataKind::Increments},
        {"\"midpoint\",a,b", DataKind::Frequencies},
        {"\xEF\xBB\xBFmidpoint,a", DataKind::Frequencies},
        {"Length Count", std::nullopt},
        {"size,count", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(DataKindOf(c.line), c.kind) << c.line;
}
