// Set-up rules, the two data readers and initialisation through MODEL.
#include <gtest/gtest.h>

#include <sstream>

#include "GrowthTestSupport.h"
#include "numeric/Format.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

std::string FrequencyText(int cells, double step = 1.0, int series = 1) {
    std::string t = "Midpoint  series\r\n";
    for (int i = 1; i <= cells; ++i) {
        std::string line = RightJustify(Format(0.5 + (i - 1) * step, "0.00"), 8);
        for (int s = 1; s <= series; ++s) line += " " + RightJustify(NumberText(i * s), 8);
        t += line + "\r\n";
    }
    return t;
}

}  // namespace

TEST(GrowthSettings, ParameterLayoutAndDescriptions) {
    GrowthSetup setup;
    setup.frequencyPath = "/data/f.dat";
    setup.series = 2;
    setup.identified = 3;
    const GrowthSettings s = ApplySetup(setup);
    EXPECT_EQ(s.kind, 'S');
    EXPECT_EQ(s.shortName, "f.dat");
    ASSERT_EQ(s.ParameterCount(), 27);
    const auto d = ParameterDescriptions(s);
    EXPECT_EQ(d[19], "SD of Gaussian selectivity for size-at-age data only [-999]");
    EXPECT_EQ(d[20], "Proportion @ age for age-class  1 of frequency series  1 [0]");
    EXPECT_EQ(d[23], "Proportion @ age for age-class  1 of frequency series  2 [0]");
    EXPECT_EQ(d[25], "Proportion @ age for age-class  3 of frequency series  2 [0]");
    EXPECT_EQ(d[26], "Day of the year when series  1 was sampled [0]");
    EXPECT_EQ(d[27], "Day of the year when series  2 was sampled [0]");

    GrowthSetup increments;
    increments.incrementPath = "C:\\data\\rig.dat";
    const GrowthSettings i = ApplySetup(increments);
    EXPECT_EQ(i.kind, 'I');
    EXPECT_EQ(i.shortName, "rig.dat");
    EXPECT_EQ(i.ParameterCount(), 19);
    increments.frequencyPath = "f.dat";
    EXPECT_EQ(ApplySetup(increments).kind, 'B');
}

TEST(GrowthSettings, AgeClassCapsFirstCellAndParameterLimit) {
    GrowthSetup setup;
    setup.frequencyPath = "f.dat";
    setup.identified = 5;
    setup.blended = 96;
    GrowthSettings s = ApplySetup(setup);
    EXPECT_EQ(s.blended, 94);
    EXPECT_EQ(s.totalAges, 99);
    setup.identified = 120;
    setup.blended = 0;
    s = ApplySetup(setup);
    EXPECT_EQ(s.identified, 99);
    EXPECT_EQ(s.totalAges, 99);
    setup.firstCell = 0;
    EXPECT_EQ(ApplySetup(setup).firstCell, 1);

    // A parameter count beyond 16 bits is refused, not wrapped.
    setup.series = 400;
    setup.identified = 99;
    ASSERT_TRUE(CheckSetup(setup));
    EXPECT_NE(CheckSetup(setup)->text.find("32767"), std::string::npos);
    setup.series = 327;
    EXPECT_FALSE(CheckSetup(setup));
}

TEST(FrequencyReader, CellLimitAndMidpointInterval) {
    FrequencyData d;
    std::istringstream ok(FrequencyText(250));
    EXPECT_FALSE(ReadFrequencyText(ok, 1, 1, d));
    EXPECT_EQ(d.cells, 250);

    FrequencyData kept = d;
    std::istringstream tooMany(FrequencyText(251));
    const auto problem = ReadFrequencyText(tooMany, 1, 1, d);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->title, "Fatal error - analysis stops");
    EXPECT_EQ(problem->text, "Maximum number of 250 frequency cells exceeded\r\nThe file holds 251 frequency cells.");
    EXPECT_EQ(problem->icon, Icon::None);
    EXPECT_EQ(d.cells, kept.cells);  // untouched

    std::istringstream good("m\n0.5\n1.5\n2.5\n");
    EXPECT_FALSE(ReadFrequencyText(good, 1, 1, d));
    EXPECT_DOUBLE_EQ(d.interval, 1.0);
    std::istringstream bad("m\n0.5\n1.5\n2.6\n");
    const auto step = ReadFrequencyText(bad, 1, 1, d);
    ASSERT_TRUE(step);
    EXPECT_EQ(step->text, "Inconsistency in frequency midpoint interval near record 3. Tolerance is 0.1%.");

    // No cell width (one cell, or midpoints that do not rise), or a negative
    // count: nothing a likelihood could use.
    for (const char* text : {"m\n0.5\n", "m\n1.5\n0.5\n", "m\n0.5\n0.5\n0.5\n", "m\n    0.50        2\n    1.50     -1\n"}) {
        std::istringstream in(text);
        const auto refused = ReadFrequencyText(in, 1, 1, d);
        ASSERT_TRUE(refused) << text;
        EXPECT_EQ(refused->title, "Frequency data file");
    }
    std::istringstream negative("m\n    0.50        2\n    1.50       -1\n");
    EXPECT_EQ(ReadFrequencyText(negative, 1, 1, d)->text, "The frequency of series 1 in cell 2 is negative: -1");
    std::istringstream early("m\n    0.50       -2\n    1.50        1\n");  // before the first cell: read as 0
    EXPECT_FALSE(ReadFrequencyText(early, 1, 2, d));
}

TEST(FrequencyReader, ColumnsFirstCellTotalsAndTrailingBlankLines) {
    // Series s sits in the 8 columns from 9s+1; cells before the first are 0.
    const std::string text = "label\r\n"
                             "    0.50      100      7.5\r\n"
                             "    1.50       20        3\r\n"
                             "    2.50    30000    40000\r\n"
                             "    3.50      2.5       .5\r\n"
                             "\r\n  \r\n";
    std::istringstream in(text);
    FrequencyData d;
    ASSERT_FALSE(ReadFrequencyText(in, 2, 3, d));
    EXPECT_EQ(d.cells, 4);  // blank lines at the end are not cells
    EXPECT_EQ(d.frequency(1, 1), 0.0);
    EXPECT_EQ(d.frequency(2, 2), 0.0);
    EXPECT_EQ(d.frequency(1, 3), 30000.0);
    EXPECT_EQ(d.frequency(1, 4), 2.5);
    EXPECT_EQ(d.frequency(2, 4), 0.5);
    EXPECT_DOUBLE_EQ(d.seriesTotal[1], 30002.5);
    EXPECT_DOUBLE_EQ(d.seriesTotal[2], 40000.5);
    // Rounded at every addition (half to even), and past 32767 without overflow.
    EXPECT_EQ(d.grandTotal, 70002);
}

TEST(IncrementReader, FieldsByColumnRecordLimitAndSets) {
    std::string text = "  Set, Init, Incr, Start,   End\n";
    text += "     2,31.000, 5.200,978.00,1151.0\n";
    text += "     1,    32,-0.500,      ,1010.0\n";
    for (int i = 0; i < 1300; ++i) text += "     1,40.000, 1.000, 0.000,365.00\n";
    std::istringstream in(text);
    IncrementData d;
    ASSERT_FALSE(ReadIncrementText(in, d));
    ASSERT_EQ(d.records, 1200);  // the rest not read, but counted for the summary
    EXPECT_EQ(d.record[1].set, 2.0);
    EXPECT_EQ(d.record[1].initial, 31.0);
    EXPECT_EQ(d.record[1].increment, 5.2);
    EXPECT_EQ(d.record[1].start, 978.0);
    EXPECT_EQ(d.record[1].end, 1151.0);
    EXPECT_EQ(d.record[2].initial, 32.0);
    EXPECT_EQ(d.record[2].start, 0.0);     // empty field
    EXPECT_EQ(d.largestSet, 2);
    EXPECT_EQ(d.setCount[1], 1199);
    EXPECT_EQ(d.setCount[2], 1);

    std::istringstream badSet("label\n  1201,40.000, 1.000, 0.000,365.00\n");
    const auto problem = ReadIncrementText(badSet, d);
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->text.find("between 0 and 1200"), std::string::npos);
    EXPECT_EQ(d.records, 1200);  // untouched
    std::istringstream empty("label only\r\n\r\n");
    EXPECT_TRUE(ReadIncrementText(empty, d));
}

TEST(IncrementReader, TextAndOverflowAreRefusedWithTheirLineBlankLinesAndSurplusReported) {
    const std::string record = "     1,40.000, 1.000, 0.000,365.00\n";
    IncrementData d;
    const struct {
        std::string text;
        const char* message;
    } refused[] = {
        // A second label line would otherwise be a record of zeros.
        {"labels\n" + record + "  Set, Init, Incr, Start,   End\n", "Line 3 of the increment data file is not a record: its set number (columns 1-6) \"Set,\" is not a number"},
        {"labels\n" + record + record + "     1,40.000, 1e999, 0.000,365.00\n", "Line 4 of the increment data file is not a record: its increment (columns 15-20) \"1e999\" is too large a number"},
        {"labels\n     1,40.000, 1.000,   day,365.00\n", "Line 2 of the increment data file is not a record: its start day (columns 22-27) \"day\" is not a number"},
        {"labels\n  1e19,40.000, 1.000, 0.000,365.00\n", "has the set number 1E+19; set numbers must lie between 0 and 1200"},
    };
    for (const auto& c : refused) {
        std::istringstream in(c.text);
        const auto problem = ReadIncrementText(in, d);
        ASSERT_TRUE(problem) << c.text;
        EXPECT_EQ(problem->title, "Increment data file");
        EXPECT_NE(problem->text.find(c.message), std::string::npos) << problem->text;
    }

    // Blank lines are no records: skipped, and named when records follow.
    std::string text = "labels\n" + record + "\n  \n" + record;
    for (int i = 0; i < 1200; ++i) text += record;
    text += "\n\n";
    std::istringstream in(text);
    ASSERT_FALSE(ReadIncrementText(in, d));
    EXPECT_EQ(d.records, 1200);
    EXPECT_EQ(d.beyondLimit, 2);
    EXPECT_EQ(d.blankLines, 2);
    GrowthSettings settings;
    settings.kind = 'I';
    GrowthData data;
    data.increments = d;
    EXPECT_EQ(DataReadSummary(settings, data),
              "Increment data: 1200 records in 1 set (set 1: 1200)\r\n"
              "Not read: 2 further records after the first 1200, the most the model takes\r\n"
              "Skipped: 2 blank lines among the records (lines 3, 4)\r\n");
    EXPECT_EQ(DataReadSummary(settings, data, SummaryPart::LeftOut),
              "Not read: 2 further records after the first 1200, the most the model takes\r\n"
              "Skipped: 2 blank lines among the records (lines 3, 4)\r\n");
}

TEST(FrequencyReader, TextOverflowAndHugeCountsAreRefusedAndTheSummarySaysWhatCounts) {
    FrequencyData d;
    const struct {
        const char* text;
        const char* message;
    } refused[] = {
        {"m\n    0.50        2\n    1.50      abc\n", "Line 3 of the frequency data file: the frequency of series 1 in cell 2 \"abc\" is not a number"},
        {"m\n    0.50        2\n    1.50    1e999\n", "the frequency of series 1 in cell 2 \"1e999\" is too large a number"},
        {"m\n    0.50     1e19\n    1.50        1\n", "The frequency of series 1 in cell 1 is too large: 1E+19"},
        {"m\n    0.50    9e14\n    1.50     9e14\n", "The frequencies add up to more than 1E+15"},
        {"m\n    0.50        2\nmidpoint        1\n", "Line 3 of the frequency data file: the midpoint of cell 2 \"midpoint\" is not a number"},
    };
    for (const auto& c : refused) {
        std::istringstream in(c.text);
        const auto problem = ReadFrequencyText(in, 1, 1, d);
        ASSERT_TRUE(problem) << c.text;
        EXPECT_NE(problem->text.find(c.message), std::string::npos) << problem->text;
    }
    // The fatal message carries the file's count, blank lines between cells included.
    std::string wide = FrequencyText(300);
    wide.insert(wide.find("  280.50"), "\r\n");
    std::istringstream tooMany(wide + "\r\n\r\n");
    const auto fatal = ReadFrequencyText(tooMany, 1, 1, d);
    ASSERT_TRUE(fatal);
    EXPECT_EQ(fatal->text, "Maximum number of 250 frequency cells exceeded\r\nThe file holds 301 frequency cells.");

    // Cells before the first evaluated one may hold anything; a series
    // without counts is named.
    std::istringstream in("m\n    0.50    label        1\n    1.50        3        0\n    2.50        4        0\n");
    ASSERT_FALSE(ReadFrequencyText(in, 2, 2, d));
    GrowthSettings settings;
    settings.kind = 'S';
    settings.series = 2;
    settings.firstCell = 2;
    GrowthData data;
    data.frequencies = d;
    EXPECT_EQ(DataReadSummary(settings, data),
              "Frequency data: 3 cells, midpoints 0.5 to 2.5 by 1; 2 series, 7 counted in all (series 1: 7, 2: 0)\r\n"
              "Not counted: cell 1 lies before the first cell evaluated; its frequencies are held at 0\r\n"
              "Series 2 holds no counts in the cells evaluated; it adds nothing to the likelihood\r\n");
    EXPECT_EQ(DataReadSummary(settings, data, SummaryPart::LeftOut),
              "Series 2 holds no counts in the cells evaluated; it adds nothing to the likelihood\r\n");
}

TEST(GrowthModelInitialisation, IncrementsOnlyThroughTheEngine) {
    GrowthBench b;
    ASSERT_TRUE(b.InitialiseIncrements(DataPath("rig_increments.dat")));
    EXPECT_EQ(b.wb.alg.np, 19);
    EXPECT_EQ(b.wb.alg.description[13],
              "von Bertalanffy's t0, the theoretical age (in years) at which size is zero [0]");
    EXPECT_EQ(b.wb.alg.value[1], 0.0);
    EXPECT_EQ(b.model.Settings().kind, 'I');
    EXPECT_EQ(b.model.Data().increments.records, 114);
    EXPECT_EQ(b.model.Data().increments.largestSet, 2);
    EXPECT_EQ(b.model.DataFileShortName(), "rig_increments.dat");
    EXPECT_EQ(b.model.SuggestedCovarianceConstant(), 0.5);
    EXPECT_DOUBLE_EQ(b.wb.priorTable.reciprocalConstant, 2.0);
    // The sample size travels through MODEL's last argument.
    EXPECT_EQ(b.wb.modelOwnValue, 114.0);
    EXPECT_EQ(b.model.DataSummary(), "Increment data: 114 records in 2 sets (set 1: 41, set 2: 73)\r\n");
}

TEST(GrowthModelInitialisation, AFatalFrequencyFileAbandonsItAndKeepsEverything) {
    GrowthBench b;
    GrowthSetup setup;
    setup.frequencyPath = DataPath("alba_frequencies.dat");
    setup.series = 7;
    setup.identified = 2;
    setup.blended = 5;
    ASSERT_TRUE(b.Initialise(setup));
    EXPECT_EQ(b.wb.alg.np, 19 + 14 + 7);
    EXPECT_EQ(b.model.Data().frequencies.cells, 15);
    EXPECT_EQ(b.model.Data().frequencies.grandTotal, 675);
    EXPECT_EQ(b.wb.modelOwnValue, 675.0);
    b.wb.alg.value[1] = 12.5;

    ScratchDir dir;
    setup.frequencyPath = dir.Write("wide.dat", FrequencyText(251, 1.0, 7));
    setup.series = 1;
    b.t.dialogs.ExpectMessage("Fatal error - analysis stops", "Maximum number of 250 frequency cells exceeded");
    EXPECT_FALSE(b.Initialise(setup));
    setup.frequencyPath = dir.Write("steps.dat", "m\n0.5\n1.5\n2.6\n");
    b.t.dialogs.ExpectMessage("Fatal error - analysis stops", "near record 3. Tolerance is 0.1%.");
    EXPECT_FALSE(b.Initialise(setup));
    setup.frequencyPath = dir.Path("missing.dat");
    b.t.dialogs.ExpectMessage("Frequency data file", "could not be opened");
    EXPECT_FALSE(b.Initialise(setup));

    // The previous model, data and algorithm data are as they were.
    EXPECT_EQ(b.wb.alg.np, 40);
    EXPECT_EQ(b.wb.alg.value[1], 12.5);
    EXPECT_EQ(b.model.Settings().series, 7);
    EXPECT_EQ(b.model.Data().frequencies.cells, 15);
    EXPECT_TRUE(b.model.Initialised());
}

TEST(GrowthSettings, TemplateValuesAreTheNullValuesWithT0OffForIncrementRecords) {
    GrowthSetup setup;
    setup.frequencyPath = "f.dat";
    setup.series = 2;
    setup.identified = 3;
    GrowthSettings settings = ApplySetup(setup);
    Vec1<double> v = TemplateValues(settings);
    ASSERT_EQ(v.size(), 27);
    for (int i = 1; i <= 27; ++i) {
        const double expected = i == 15 ? 1.0 : (i == 18 || i == 19) ? -999.0 : 0.0;
        EXPECT_EQ(v[i], expected) << i;
    }
    setup.incrementPath = "i.dat";
    EXPECT_EQ(TemplateValues(ApplySetup(setup))[13], kNotUsed);  // day-numbered increments
}

TEST(WarningLog, EachWarningOnceWithItsCountAndTheRestCounted) {
    WarningLog log(2);
    for (int run = 0; run < 2; ++run) {
        log.BeginRun();
        for (int evaluation = 0; evaluation < 3; ++evaluation) {
            log.Add("A\r\n");
            log.Add("B\r\nmore\r\n");
            log.Add("C\r\n");
        }
        ASSERT_EQ(log.DistinctWarnings().size(), 2u);
        EXPECT_EQ(log.DistinctWarnings()[0].lines, "A\r\n");
        EXPECT_EQ(log.DistinctWarnings()[0].count, 3);
        EXPECT_EQ(log.DistinctWarnings()[1].lines, "B\r\nmore\r\n");
        EXPECT_EQ(log.OtherWarnings(), 3);  // C, not told apart beyond the limit
        EXPECT_EQ(log.Kept(), 2);           // the summary text is as before
        EXPECT_EQ(log.Suppressed(), 7);
    }
}
