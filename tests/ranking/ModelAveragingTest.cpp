#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "RankingSupport.h"
#include "ranking/ModelAveraging.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

CovarianceEstimates Estimates(const std::vector<double>& values, const std::vector<SELine>& ses) {
    auto read = ReadCovarianceText(CovarianceText(values, ses), static_cast<int>(values.size()),
                                   static_cast<int>(ses.size()));
    EXPECT_TRUE(read.estimates) << read.problem;
    return read.estimates ? *read.estimates : CovarianceEstimates{};
}

bool Refused(const std::string& text, int n, int k, const std::string& piece) {
    const auto read = ReadCovarianceText(text, n, k);
    EXPECT_FALSE(read.estimates);
    EXPECT_NE(read.problem.find(piece), std::string::npos) << read.problem;
    return !read.estimates && read.problem.find(piece) != std::string::npos;
}

}  // namespace

TEST(CovarianceReader, TakesValuesAndStandardErrorsFromTheirColumns) {
    const std::string text = CovarianceText({1.5, -0.00125, 3e7}, {{1, 0.1, 0.11, 0.12}, {3, 2e5, -1, 3e5}});
    // The fixed columns themselves: values at 7-20, SEs at 25-38, 43-56, 61-74.
    const std::size_t firstValue = text.find(" 001) ");
    EXPECT_EQ(text.substr(firstValue + 6, 14), " 1.5000000E+00");
    const std::size_t seLine = text.find("\r\n  1 ") + 2;
    EXPECT_EQ(text.substr(seLine + 24, 14), " 1.0000000E-01");
    EXPECT_EQ(text.substr(seLine + 42, 14), " 1.1000000E-01");
    EXPECT_EQ(text.substr(seLine + 60, 14), " 1.2000000E-01");

    const CovarianceEstimates e = Estimates({1.5, -0.00125, 3e7}, {{1, 0.1, 0.11, 0.12}, {3, 2e5, -1, 3e5}});
    EXPECT_DOUBLE_EQ(e.value[1], 1.5);
    EXPECT_DOUBLE_EQ(e.value[2], -0.00125);
    EXPECT_DOUBLE_EQ(e.value[3], 3e7);
    EXPECT_DOUBLE_EQ(e.se(1, 3), 0.12);
    EXPECT_EQ(e.se(2, 1), 0.0);  // fixed: no standard-error line
    EXPECT_DOUBLE_EQ(e.se(3, 1), 2e5);
    EXPECT_EQ(e.missing, (std::array<bool, 3>{false, true, false}));

    // LF line ends, and a file saved twice (two saved-name lines in front).
    std::string lf;
    for (char c : text)
        if (c != '\r') lf += c;
    EXPECT_TRUE(ReadCovarianceText(lf, 3, 2).estimates);
    const std::string twice = "Originally saved with the file name: /b.cov\r\n\r\n" + text;
    const auto again = ReadCovarianceText(twice, 3, 2);
    ASSERT_TRUE(again.estimates) << again.problem;
    EXPECT_DOUBLE_EQ(again.estimates->value[3], 3e7);
}

TEST(CovarianceReader, RefusesFilesThatDoNotFitTheModel) {
    const std::string text = CovarianceText({1.0, 2.0, 3.0}, {{1, 0.1, 0.1, 0.1}, {2, 0.2, 0.2, 0.2}});
    // Another parameter count, both ways.
    EXPECT_TRUE(Refused(text, 4, 2, "parameter 4 of 4"));
    EXPECT_TRUE(Refused(text, 2, 2, "more than 2 parameters"));
    // Another number of estimated parameters, both ways.
    EXPECT_TRUE(Refused(text, 3, 3, "fewer than 3 standard-error lines"));
    EXPECT_TRUE(Refused(text, 3, 1, "more standard-error lines"));
    // Malformed fields and lines.
    // Replaces the first occurrence at or after the standard-error heading,
    // or in the whole text.
    auto replaced = [&](const std::string& from, const std::string& to, bool inStandardErrors = true) {
        std::string t = text;
        t.replace(t.find(from, inStandardErrors ? t.find("Par#") : 0), from.size(), to);
        return t;
    };
    EXPECT_TRUE(Refused(replaced(" 2.0000000E+00", "  two point oh ", false), 3, 2, "no number for the value of parameter 2"));
    EXPECT_TRUE(Refused(replaced("  2 ", " 12 "), 3, 2, "no parameter number between 1 and 3"));
    EXPECT_TRUE(Refused(replaced("  2 ", "  1 "), 3, 2, "parameter 1 a second time"));
    EXPECT_TRUE(Refused(replaced("2.0000000E-01 ", "2.0000000E-0x "), 3, 2, "no standard error of grid 1"));
    EXPECT_TRUE(Refused(replaced("Par#    ", "Par     ", false), 3, 2, "heading of the standard errors"));
    EXPECT_TRUE(Refused(text.substr(0, text.find("Par#")), 3, 2, "ends before its standard errors"));
    EXPECT_TRUE(Refused("", 3, 2, "empty"));
    EXPECT_TRUE(Refused(std::string(100000, '\0'), 3, 2, "is not a text file: line 1 holds a NUL byte"));
    EXPECT_TRUE(Refused(text, 0, 0, "no parameters"));
    EXPECT_FALSE(ReadCovarianceFile("/nonexistent/x.cov", 3, 2).estimates);
}

TEST(CovarianceReader, SurvivesEveryCutOfAValidFile) {
    // Fuzz-like: every prefix of a valid file is either refused or, cut
    // only inside the trailing probability section, read in full.
    const std::string text = CovarianceText({1.0, 2.0}, {{1, 0.1, 0.2, 0.3}, {2, 0.4, 0.5, 0.6}});
    const std::size_t after = text.find("\r\n\r\nPar#  ") + 2;
    for (std::size_t cut = 0; cut < text.size(); ++cut) {
        const auto read = ReadCovarianceText(text.substr(0, cut), 2, 2);
        if (read.estimates) {
            EXPECT_GE(cut, after - 2) << cut;
            EXPECT_DOUBLE_EQ(read.estimates->se(2, 3), 0.6);
        }
    }
}

TEST(ModelAveraging, WeightsEstimatesAndUnconditionalStandardErrors) {
    // Two models, weights 0.75 / 0.25, estimates 1 and 2, SEs 0.1 and 0.2.
    std::vector<AveragingModel> models = {{0.75, Estimates({1.0, 5.0}, {{1, 0.1, 0.1, 0.1}, {2, 0.3, 0.3, 0.3}})},
                                          {0.25, Estimates({2.0, 7.0}, {{1, 0.2, 0.2, 0.2}})}};
    const AveragingResult r = AverageEstimates(models, 1.0, 2);
    EXPECT_DOUBLE_EQ(r.average[1], 1.25);
    const double expected = 0.75 * std::sqrt(0.01 + 0.0625) + 0.25 * std::sqrt(0.04 + 0.5625);
    EXPECT_NEAR(r.averageSE(1, 1), expected, 1e-15);
    // Parameter 2 is fixed in the second model: that model contributes its
    // weight times the distance of its value from the average.
    EXPECT_DOUBLE_EQ(r.average[2], 5.5);
    EXPECT_NEAR(r.averageSE(2, 2), 0.75 * std::sqrt(0.09 + 0.25) + 0.25 * 1.5, 1e-15);

    // C-hat 2 inflates the squared standard errors only.
    const AveragingResult q = AverageEstimates(models, 2.0, 2);
    EXPECT_DOUBLE_EQ(q.average[1], 1.25);
    EXPECT_NEAR(q.averageSE(1, 3), 0.75 * std::sqrt(0.02 + 0.0625) + 0.25 * std::sqrt(0.08 + 0.5625), 1e-15);
}

TEST(ModelAveraging, OneMissingStandardErrorTurnsItsWholeGridToMinusOne) {
    std::vector<AveragingModel> models = {{0.5, Estimates({1.0, 2.0}, {{1, 0.1, 0.1, 0.1}, {2, 0.1, 0.1, 0.1}})},
                                          {0.5, Estimates({1.0, 2.0}, {{1, 0.1, -1.0, 0.1}, {2, 0.1, 0.1, 0.1}})}};
    const AveragingResult r = AverageEstimates(models, 1.0, 2);
    EXPECT_EQ(r.missing, (std::array<bool, 3>{false, true, false}));
    const std::string text = AveragingText(r);
    EXPECT_EQ(text,
              "Parameter estimates and their SEs resulting from averaging across all ranked models.\r\n"
              "Each model contributes to the reported averages according to its AIC Weight.\r\n"
              "SEs will report a value of -1 if any model is missing an estimate for SE.\r\n"
              "\r\n"
              "Parameter_#  Parameter_Value     SEs_Grid_#1     SEs_Grid_#2     SEs_Grid_#3\r\n"
              "          1       1.0000E+00      1.0000E-01     -1.0000E+00      1.0000E-01\r\n"
              "          2       2.0000E+00      1.0000E-01     -1.0000E+00      1.0000E-01\r\n");
}

TEST(ModelAveraging, RankedListReadsEachFileAndRefusesByName) {
    ScratchDir dir;
    dir.Write("a.cov", CovarianceText({1.0, 3.0}, {{1, 0.1, 0.1, 0.1}, {2, 0.1, 0.1, 0.1}}));
    dir.Write("b.cov", CovarianceText({2.0, 3.0}, {{1, 0.2, 0.2, 0.2}}));
    RankingList list;
    AddCompetitor(list, MakeCompetitor({20.0, 0.0, 2, {}, ""}, 1.0, dir.Path("a.alg"), "", 1.0));
    AddCompetitor(list, MakeCompetitor({20.0 + std::log(3.0), 0.0, 1, {}, ""}, 1.0, dir.Path("b.alg"), "", 1.0));
    // Unranked lists have no weights.
    EXPECT_FALSE(AverageRankedModels(list, 2).result);
    RankModels(list);  // weights 0.75 and 0.25
    const AveragingOutcome ok = AverageRankedModels(list, 2);
    ASSERT_TRUE(ok.result) << ok.message;
    EXPECT_NEAR(ok.result->average[1], 1.25, 1e-12);

    // A file that no longer fits is refused by its name.
    dir.Write("b.cov", CovarianceText({2.0, 3.0, 4.0}, {{1, 0.2, 0.2, 0.2}}));
    const AveragingOutcome bad = AverageRankedModels(list, 2);
    EXPECT_FALSE(bad.result);
    EXPECT_EQ(bad.title, kCantAverageTitle);
    EXPECT_NE(bad.message.find(dir.Path("b.cov")), std::string::npos);
    EXPECT_NE(bad.message.find("more than 2 parameters"), std::string::npos);

    list.models[0].covariancePath.clear();
    list.models[0].covarianceFile = kNoSuchFile;
    // A missing file is named where it was looked for.
    const AveragingOutcome missing = AverageRankedModels(list, 2);
    EXPECT_TRUE(missing.missing);
    EXPECT_EQ(missing.message.rfind(kCovarianceMissing, 0), 0u);
    EXPECT_NE(missing.message.find(dir.Path("a.cov") + " (model a.alg)"), std::string::npos);
}

namespace {

// Two equally good models (weights 1/2 each) whose covariance files hold
// the given values of two parameters, each with the standard error 1.
struct AbsoluteRig {
    ScratchDir dir;
    RankingList list;
    AbsoluteRig(const std::vector<double>& a, const std::vector<double>& b) {
        dir.Write("a.cov", CovarianceText(a, {{1, 1, 1, 1}, {2, 1, 1, 1}}));
        dir.Write("b.cov", CovarianceText(b, {{1, 1, 1, 1}, {2, 1, 1, 1}}));
        CompetitorEvaluation ea{20.0, 0.0, 2, ToVec1(a), ""}, eb{20.0, 0.0, 2, ToVec1(b), ""};
        AddCompetitor(list, MakeCompetitor(ea, 1.0, dir.Path("a.alg"), "", 1.0));
        AddCompetitor(list, MakeCompetitor(eb, 1.0, dir.Path("b.alg"), "", 1.0));
        RankModels(list);
    }
};

}  // namespace

// The growth model takes the SD of L-infinity (parameter 2) as its absolute
// value: a Simplex fit that ended at -10.98 is the same model as one at
// +11.16.  Averaged as used: (10.98 + 11.16) / 2 = 11.07 with the SE
// 2 x 0.5 sqrt(1 + 0.09^2) = 1.004042; averaged as read it was 0.09 with
// the SE sqrt(1 + 11.07^2) = 11.115.
TEST(ModelAveraging, ParametersTheModelTakesAsAbsoluteValuesAreAveragedAsUsed) {
    GrowthModel growth;
    struct Case {
        std::vector<double> a, b;
        const Model* model;
        double average, se;
        int notes;
    };
    const Case cases[] = {
        {{150.0, -10.98}, {150.0, 11.16}, &growth, 11.07, std::sqrt(1.0 + 0.09 * 0.09), 1},
        {{150.0, -10.98}, {150.0, 11.16}, nullptr, 0.09, std::sqrt(1.0 + 11.07 * 11.07), 0},
        {{-150.0, -10.98}, {150.0, -11.16}, &growth, 11.07, std::sqrt(1.0 + 0.09 * 0.09), 3},
        {{150.0, 10.98}, {150.0, 11.16}, &growth, 11.07, std::sqrt(1.0 + 0.09 * 0.09), 0},
    };
    for (const Case& c : cases) {
        AbsoluteRig rig(c.a, c.b);
        const AveragingOutcome outcome = AverageRankedModels(rig.list, 2, c.model);
        ASSERT_TRUE(outcome.result) << outcome.message;
        EXPECT_NEAR(outcome.result->average[2], c.average, 1e-12);
        EXPECT_NEAR(outcome.result->averageSE(2, 1), c.se, 1e-12);
        EXPECT_EQ(static_cast<int>(outcome.result->notes.size()), c.notes);
    }
    // The note names the model, the parameter and both values, and ends the text.
    AbsoluteRig rig({150.0, -10.98}, {150.0, 11.16});
    const AveragingResult r = *AverageRankedModels(rig.list, 2, &growth).result;
    EXPECT_EQ(r.notes[0], "Note: model a.alg estimates parameter 2 at -1.0980000E+01; the model uses it as "
                          "1.0980000E+01, and that is the value averaged.");
    const std::string text = AveragingText(r);
    EXPECT_EQ(text.substr(text.size() - r.notes[0].size() - 4), "\r\n" + r.notes[0] + "\r\n");
}

// A covariance file belongs to the fit it was computed at: values other
// than the algorithm file's are refused by the file's name.
TEST(ModelAveraging, ACovarianceFileOfAnotherFitIsRefusedByName) {
    AbsoluteRig rig({150.0, 10.98}, {150.0, 11.16});
    ASSERT_TRUE(AverageRankedModels(rig.list, 2).result);
    // The algorithm file was fitted again after its covariances were saved.
    rig.list.models[1].values[1] = 151.0;
    const AveragingOutcome refused = AverageRankedModels(rig.list, 2);
    EXPECT_FALSE(refused.result);
    EXPECT_FALSE(refused.missing);
    EXPECT_NE(refused.message.find(rig.list.models[1].covariancePath + " does not belong to model " +
                                   rig.list.models[1].algorithmFile),
              std::string::npos)
        << refused.message;
    EXPECT_NE(refused.message.find("parameter 1 the value 1.5000000E+02 where the algorithm file has 1.5100000E+02"),
              std::string::npos)
        << refused.message;
    // A difference below the file's eight digits is the same value.
    rig.list.models[1].values[1] = 150.0 + 1e-7;
    EXPECT_TRUE(AverageRankedModels(rig.list, 2).result);
}

TEST(CovarianceReader, NegativeStandardErrorsOtherThanMinusOneAreRefused) {
    const struct {
        double se;
        bool read;
    } cases[] = {{0.25, true}, {0.0, true}, {-1.0, true}, {-0.5, false}, {-2.0, false}, {-1e-300, false}};
    for (const auto& c : cases) {
        const std::string text = CovarianceText({1.0, 2.0}, {{1, 0.1, c.se, 0.3}, {2, 0.4, 0.5, 0.6}});
        const auto read = ReadCovarianceText(text, 2, 2);
        EXPECT_EQ(read.estimates.has_value(), c.read) << c.se;
        if (c.read) {
            EXPECT_EQ(read.estimates->se(1, 2), c.se);
            EXPECT_EQ(read.estimates->missing[1], c.se == -1.0);
        } else {
            EXPECT_NE(read.problem.find("gives parameter 1 the negative standard error"), std::string::npos)
                << read.problem;
        }
    }
    // Not finite: refused as no number.
    std::string text = CovarianceText({1.0, 2.0}, {{1, 0.1, 0.2, 0.3}, {2, 0.4, 0.5, 0.6}});
    const std::size_t se = text.find(" 5.0000000E-01");
    ASSERT_NE(se, std::string::npos);
    text.replace(se, 14, "           nan");
    EXPECT_TRUE(Refused(text, 2, 2, "holds no standard error of grid 2"));
    // A directory is refused saying what it is.
    const auto dir = ReadCovarianceFile(std::filesystem::temp_directory_path().string(), 2, 2);
    EXPECT_FALSE(dir.estimates);
    EXPECT_EQ(dir.problem, "it is a directory");
}
