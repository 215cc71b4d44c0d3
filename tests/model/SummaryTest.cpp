// The growth model's report: golden reports of an increment and a frequency
// analysis, AICc, the age-class details, the questions asked, the increment
// table and the SD frequencies.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "SummaryTestSupport.h"
#include "model/Summary.h"
#include "numeric/Format.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

// The report of a bench evaluated once (NF = 1) at the values, with the
// listed parameters free.
std::string Report(GrowthBench& b, const std::vector<double>& values, const std::vector<int>& free,
                   SummaryQuestions& questions, std::uint64_t seed = 2026) {
    b.Evaluate(values, 1);
    SummaryInput in;
    in.settings = &b.model.Settings();
    in.data = &b.model.Data();
    in.best = &b.model.Best();
    in.parameters = b.wb.alg.np;
    in.step = Vec1<double>(in.parameters, 0.0);
    for (int i : free) in.step[i] = 0.1;
    in.description = b.wb.alg.description;
    in.algorithmFile = "summary-test.alg";
    in.warnings = b.model.SummaryText();
    in.seed = seed;
    return BuildSummary(in, questions);
}

// The golden report (CORVANE_WRITE_GOLDEN=1 rewrites it from the actual one).
std::string Golden(const std::string& name, const std::string& actual) {
    const std::string path = std::string(CORVANE_SOURCE_DIR) + "/tests/model/golden/" + name;
    if (std::getenv("CORVANE_WRITE_GOLDEN")) std::ofstream(path, std::ios::binary) << actual;
    EXPECT_TRUE(std::filesystem::exists(path)) << path;
    return ReadFile(path);
}

// The data paths depend on where the tree lies; the golden texts hold a
// placeholder.
std::string Portable(std::string text) {
    const std::string data = CORVANE_TEST_DATA;
    for (std::size_t at; (at = text.find(data)) != std::string::npos;) text.replace(at, data.size(), "<data>");
    return text;
}

std::vector<std::string> LinesWith(const std::string& text, const std::string& piece) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        if (line.find(piece) != std::string::npos) lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

// The numbers of a comma-separated table line.
std::vector<double> Fields(const std::string& line) {
    std::vector<double> v;
    std::size_t start = 0;
    while (start <= line.size()) {
        std::size_t end = line.find(',', start);
        if (end == std::string::npos) end = line.size();
        v.push_back(std::atof(line.substr(start, end - start).c_str()));
        start = end + 1;
    }
    return v;
}

}  // namespace

TEST(SummaryReport, GoldenIncrementAnalysis) {
    GrowthBench b;
    ASSERT_TRUE(b.InitialiseIncrements(DataPath("rig_increments.dat")));
    SummaryAnswers answers;
    std::vector<std::pair<std::string, std::string>> notices;
    answers.onVeryUnlikely = [&](const std::string& title, const std::string& text) { notices.push_back({title, text}); };
    const std::string text = Portable(Report(b, RigFit(), {1, 2, 3, 4}, answers));
    EXPECT_EQ(text, Golden("summary_rig_increments.cvo", text));

    // Only the increment questions, in order.
    EXPECT_EQ(answers.asked, (std::vector<std::string>{"simulations", "increment table", "increment chi-square"}));
    EXPECT_FALSE(Has(text, "Size frequency results") || Has(text, "for series"));
    // Residuals of the ignored records lie where the truncated model expects nothing.
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].first, "Gaussian distribution: very unlikely observation(s)");
    EXPECT_TRUE(Has(notices[0].second, "Don't trust it!"));
    // AICc with K = 4 and n = 75, the records the likelihood used (39 of the
    // 114 increments are <= 0 without measurement error), against the
    // objective's own value.
    const double f = b.model.Best().objective;
    EXPECT_NEAR(f, 347.5767, 1e-4);
    EXPECT_TRUE(Has(text, "Biometrika 76: 297-307) is: " + Format(f + 2.0 * 4 * 75 / 70, "0.0000E+00") + "\r\n"));
}

TEST(SummaryReport, GoldenFrequencyAnalysis) {
    GrowthBench b;
    ASSERT_TRUE(b.Initialise(AlbaSetup(7)));
    SummaryAnswers answers;
    answers.details = 2;
    const std::string text = Portable(Report(b, AlbaValues(7), {1, 2, 3, 4, 14}, answers));
    EXPECT_EQ(text, Golden("summary_alba_frequencies.cvo", text));
    EXPECT_FALSE(Has(text, "Increment data:"));
    EXPECT_EQ(answers.asked.size(), 2u + 2u * 7u);  // simulations, details, two per series
    EXPECT_EQ(answers.asked[1], "details");
    EXPECT_EQ(answers.asked[15], "frequency chi-square 7");

    // Each series' -2ln[L] column adds up to its contribution, and the
    // cumulative columns end at the series total.
    const auto contributions = LinesWith(text, "contribution to -2ln[L], for series ");
    ASSERT_EQ(contributions.size(), 7u);
    for (int s = 1; s <= 7; ++s) {
        const std::string table = text.substr(text.find("Size frequency results for series: " + std::to_string(s)));
        double cells = 0.0;
        std::vector<double> row;
        const auto rows = LinesWith(table.substr(0, table.find("Chi-square diagnostic")), ".50,");
        ASSERT_EQ(rows.size(), 15u);
        for (const auto& line : rows) {
            row = Fields(line);
            cells += row[6];
        }
        EXPECT_NEAR(row[3], b.model.Data().frequencies.seriesTotal[s], 0.005);
        EXPECT_NEAR(row[4], b.model.Data().frequencies.seriesTotal[s], 0.005);  // truncated: normalised to the total
        const std::string& line = contributions[static_cast<std::size_t>(s - 1)];
        EXPECT_NEAR(cells, std::atof(line.substr(line.rfind(';') + 1).c_str()), 0.02) << line;
    }
}

TEST(SummaryReport, NoFreeParametersAndTooFewObservations) {
    // K = 0: AICc is the objective itself.
    GrowthBench b;
    ASSERT_TRUE(b.InitialiseIncrements(DataPath("rig_increments.dat")));
    SummaryAnswers answers;
    const std::string text = Report(b, RigFit(), {}, answers);
    EXPECT_TRUE(Has(text, "The number of free (estimated) parameters is:    0\r\n"));
    EXPECT_TRUE(Has(text, "297-307) is: " + Format(b.model.Best().objective, "0.0000E+00") + "\r\n"));
    EXPECT_FALSE(Has(text, "random number seed"));  // no simulations, no seed

    // Three records and two free parameters leave no degree of freedom.
    ScratchDir dir;
    GrowthBench few;
    ASSERT_TRUE(few.InitialiseIncrements(dir.Write("three.dat", std::string(kIncrementLabelLine) +
                                                                    "\r\n     1,50.000,10.000,100.00,465.00\r\n"
                                                                    "     1,60.000, 8.000,100.00,465.00\r\n"
                                                                    "     1,70.000, 5.000,100.00,465.00\r\n")));
    const std::string none = Report(few, Fixed19(100, 10, 0.3, 0.1), {1, 3}, answers);
    EXPECT_TRUE(Has(none, "297-307) is: Undefined (too few degrees of freedom)\r\n"));
    EXPECT_EQ(AICc(10.0, 2, 4), std::optional<double>(10.0 + 2.0 * 2 * 4 / 1));
    EXPECT_EQ(AICc(10.0, 3, 4), std::nullopt);
}

TEST(SummaryReport, AgeClassDetailsUpToTheRequestedClassThenTheOldest) {
    EXPECT_EQ(ReportedAgeClasses(0, 5), (std::vector<int>{5}));
    EXPECT_EQ(ReportedAgeClasses(2, 5), (std::vector<int>{1, 2, 5}));
    EXPECT_EQ(ReportedAgeClasses(5, 5), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(ReportedAgeClasses(9, 5), (std::vector<int>{1, 2, 3, 4, 5}));

    GrowthBench b;
    ASSERT_TRUE(b.Initialise(AlbaSetup(2)));
    SummaryAnswers answers;
    answers.details = 0;
    answers.frequencyChiSquare = false;
    const std::string text = Report(b, AlbaValues(2), {1}, answers);
    EXPECT_TRUE(Has(text, "As requested, summary statistics are reported up to age-class  0, then the oldest"));
    const auto proportions = LinesWith(text, "The estimated proportion of age-class");
    ASSERT_EQ(proportions.size(), 2u);  // the oldest of each series
    EXPECT_TRUE(Has(proportions[0], "age-class  5, and its approximate SE") && Has(proportions[0], "in series  1"));
    const auto sizes = LinesWith(text, "for age-class 5 in series ");
    EXPECT_EQ(sizes.size(), 2u);
    EXPECT_EQ(LinesWith(text, "AgeClass_05").size(), 2u * 2u);  // two header lines per table
    EXPECT_TRUE(LinesWith(text, "AgeClass_01").empty());
    EXPECT_FALSE(Has(text, "Chi-square diagnostic"));

    // The proportion estimated by difference (no blended classes).
    GrowthSetup noBlended = AlbaSetup(2);
    noBlended.blended = 0;
    GrowthBench d;
    ASSERT_TRUE(d.Initialise(noBlended));
    auto x = AlbaValues(2);
    x[19] = -1.0;  // series 1, age-class 1
    x[22] = -1.0;  // series 2, age-class 2
    answers.frequencyTables = false;
    const std::string byDifference = Report(d, x, {1}, answers);
    EXPECT_TRUE(Has(byDifference, "You do that by fixing the proportion for that age-class to -1"));
    EXPECT_TRUE(Has(byDifference, "The proportion @ age-class  1 estimated by difference in series  1 is:   0.7000"));
    EXPECT_TRUE(Has(byDifference, "The proportion @ age-class  2 estimated by difference in series  2 is:   0.6000"));
    EXPECT_FALSE(Has(byDifference, "Size frequency results"));
}

TEST(SummaryReport, JointAnalysisPenaltyPriorsAndSeed) {
    const GrowthSetup joint = JointSetup();
    GrowthBench b;
    ASSERT_TRUE(b.Initialise(joint));
    auto x = Fixed19(60, 5, 0.5, 0.1);
    x[8] = 2.0;  // %SE
    x.insert(x.end(), {0.3, 0.3, 0.3, -0.5, 0.3, 0.3, 150, 250, 330});  // one proportion out of range
    SummaryAnswers answers;
    answers.simulations = 20;
    answers.frequencyTables = answers.incrementTable = false;
    const std::string text = Report(b, x, {1, 2}, answers, 99);
    const BestFit& best = b.model.Best();
    EXPECT_NEAR(best.penalty, 0.25e20, 1e6);
    EXPECT_TRUE(Has(text, "The -2ln[L] minimum is: " + Format(best.objective, "0.0000E+00") +
                              ", where the size frequency contribution is " + Format(best.frequencyTwice, "0.0000E+00") +
                              " and the increment contribution is " + Format(best.incrementTwice, "0.0000E+00")));
    EXPECT_TRUE(Has(text, "This is a combined analysis of growth increment data and size frequency data; the error "
                          "distribution of growth increments is Gaussian\r\n"));
    EXPECT_TRUE(Has(text, "objective function includes this penalty: 2.500000E+19\r\n"));
    EXPECT_TRUE(Has(text, "The chi-square tests below each use 20 simulations drawn with the random number seed 99\r\n"));
    EXPECT_EQ(LinesWith(text, "Simulated chi-square> n: 20;").size(), 3u + 2u);

    // The same seed repeats the report; another changes only the simulations.
    EXPECT_EQ(Report(b, x, {1, 2}, answers, 99), text);
    const std::string other = Report(b, x, {1, 2}, answers, 100);
    EXPECT_NE(LinesWith(other, "Simulated chi-square>"), LinesWith(text, "Simulated chi-square>"));
    auto observed = [](const std::string& report) {
        std::vector<std::string> statistics;
        for (const auto& line : LinesWith(report, "Observed chi-square>")) statistics.push_back(line.substr(0, line.find(';')));
        return statistics;
    };
    EXPECT_EQ(observed(other), observed(text));
}

TEST(SummaryReport, IncrementTableSumsToTheObjectiveAndMarksIgnoredRecords) {
    GrowthBench b;
    ASSERT_TRUE(b.InitialiseIncrements(DataPath("rig_increments.dat")));
    const double f = b.Evaluate(RigFit());
    Vec1<double> X = ToVec1(RigFit());
    const IncrementTable table = ComputeIncrementTable(b.model.Data().increments, PrepareParameters(X, b.model.Settings()));
    EXPECT_NEAR(table.twiceNegLnL, f, 1e-9 * f);
    const std::string text = FormatIncrementTable(table);
    int ignored = 0, nonPositive = 0;
    double column = 0.0;
    for (int i = 1; i <= b.model.Data().increments.records; ++i) nonPositive += b.model.Data().increments.record[i].increment <= 0.0;
    for (const auto& line : LinesWith(text, ",")) {
        if (Has(line, "Record") || Has(line, "Observed") || Has(line, "Initial")) continue;
        column += Fields(line)[10];
        if (Has(line, ", record ignored: increment <= 0 and measurement error is zero")) {
            ++ignored;
            EXPECT_EQ(Fields(line)[10], 0.0) << line;
        }
    }
    EXPECT_EQ(ignored, nonPositive);
    EXPECT_EQ(ignored, 39);
    EXPECT_NEAR(column, f, 0.005 * 114);  // the printed column, two decimals a record

    // Measurement error fits every record; size-at-age records count years.
    auto measured = RigFit();
    measured[8] = 3.0;
    const double g = b.Evaluate(measured);
    X = ToVec1(measured);
    const IncrementTable fitted = ComputeIncrementTable(b.model.Data().increments, PrepareParameters(X, b.model.Settings()));
    EXPECT_NEAR(fitted.twiceNegLnL, g, 1e-9 * g);
    EXPECT_FALSE(Has(FormatIncrementTable(fitted), "record ignored"));

    GrowthBench saa;
    ASSERT_TRUE(saa.InitialiseIncrements(DataPath("bonito_size_at_age.dat")));
    auto ages = Fixed19(70, 8, 0.6, 0.15);
    ages[12] = -0.5;  // t0
    X = ToVec1(ages);
    const IncrementTable years = ComputeIncrementTable(saa.model.Data().increments, PrepareParameters(X, saa.model.Settings()));
    EXPECT_TRUE(years.sizeAtAge);
    const IncrementRecord& r = saa.model.Data().increments.record[1];
    EXPECT_DOUBLE_EQ(years.rows[1].elapsed, r.end - (r.start - 0.5));
    EXPECT_TRUE(Has(FormatIncrementTable(years), "  -2lnL,      Age,      Age,      Age\r\n"));
}

TEST(SummaryReport, ExpectedResidualCountsFollowTheChosenErrorModel) {
    GrowthBench b;
    ASSERT_TRUE(b.InitialiseIncrements(DataPath("rig_increments.dat")));
    // L-infinity far above every initial size and a small spread: the
    // truncated Gaussian is a plain Gaussian, so both columns agree.
    Vec1<double> X = ToVec1(Fixed19(200, 5, 0.3, 0.01));
    GrowthParameters p = PrepareParameters(X, b.model.Settings());
    const IncrementData& data = b.model.Data().increments;
    IncrementTable table = ComputeIncrementTable(data, p);
    SdFrequencies sd = ComputeSdFrequencies(data, p, table);
    for (int c = 1; c <= kResidualCells; ++c)
        EXPECT_NEAR(sd.chosen[static_cast<std::size_t>(c)], sd.gaussian[static_cast<std::size_t>(c)], 1e-3) << c;
    EXPECT_NEAR(sd.gaussianSum, 114.0, 1e-9);
    EXPECT_NEAR(sd.gaussian[13], 114.0 * 0.19146, 0.01);  // P(0 < z < 0.5) = 0.19146
    double observed = sd.outside;
    for (int c = 1; c <= kResidualCells; ++c) observed += sd.observed[static_cast<std::size_t>(c)];
    EXPECT_EQ(observed, 114.0);

    // Gamma errors: a right-skewed residual (more mass just below 0 than just
    // above it), with its mean still at 0.
    b.model.SetPendingSettings([] {
        GrowthSetup s;
        s.incrementPath = DataPath("rig_increments.dat");
        s.errors = 'G';
        return s;
    }());
    ASSERT_TRUE(InitialiseModel(b.wb));
    X = ToVec1(Fixed19(200, 30, 0.3, 0.2));
    p = PrepareParameters(X, b.model.Settings());
    table = ComputeIncrementTable(data, p);
    sd = ComputeSdFrequencies(b.model.Data().increments, p, table);
    double mean = 0.0;
    for (int c = 1; c <= kResidualCells; ++c) mean += sd.chosen[static_cast<std::size_t>(c)] * (-5.75 + 0.5 * (c - 1));
    EXPECT_NEAR(mean / 114.0, 0.0, 0.03);
    EXPECT_GT(sd.chosen[12], 1.05 * sd.chosen[13]);
    EXPECT_NEAR(sd.gaussian[12], sd.gaussian[13], 0.01);
    EXPECT_NEAR(sd.chosenSum, 114.0, 1e-9);
    EXPECT_TRUE(Has(FormatSdFrequencies(sd, 'G'), "                                    Gaussian        Gamma\r\n"));
}
