// The covariance report and its file: the two-sided probabilities, golden
// texts, and the fixed lines and columns the ranking's averaging reads.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "CovarianceRig.h"
#include "evaluation/CovarianceReport.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"
#include "ranking/ModelAveraging.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

// Saves the report of rig's last calculation through the desktop's save.
std::string SavedFile(Rig& r, const CovarianceResults& res, const std::filesystem::path& path) {
    r.t.dialogs.ExpectFile("Save covariance data in...", path.string());
    EXPECT_EQ(SaveCovarianceText(r.wb, CovarianceReportText(res)), path.string());
    return ReadWholeFile(path);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
        if (end == std::string::npos) break;
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

double NormalTwoSided(double t) { return std::erfc(t / std::sqrt(2.0)); }

}  // namespace

TEST(CovarianceReport, TwoSidedProbabilityFollowsStudentsTWith999DegreesOfFreedom) {
    EXPECT_EQ(TwoSidedP(0.0).Text(), "1.0000");
    // The one-sided tail rounded to four decimals, then doubled: the tails
    // beyond 1 and 1.96 are 0.158776 and 0.025137 by a fine integration.
    EXPECT_EQ(TwoSidedP(1.0).Text(), "0.3176");
    EXPECT_EQ(TwoSidedP(1.96).Text(), "0.0502");
    // With 999 degrees of freedom t is all but normal: within the rounding
    // to four decimals and the slightly heavier tails.
    for (double t = 0.25; t < 3.6; t += 0.25)
        EXPECT_NEAR(TwoSidedP(t).p, NormalTwoSided(t), 0.0003 + 0.02 * NormalTwoSided(t)) << t;
    EXPECT_EQ(TwoSidedP(3.9).Text(), "0.0002");  // a tail of 0.0000513 rounds up
    // Below 0.0001 after rounding, and 20 or more without integrating.
    EXPECT_TRUE(TwoSidedP(4.0).belowLimit);
    EXPECT_EQ(TwoSidedP(20.0).Text(), "<0.0001");
    EXPECT_EQ(TwoSidedP(1e30).Text(), "<0.0001");
}

TEST(CovarianceReport, GoldenFileOfAModelWithOneFreeParameter) {
    // 2 (x - 3)^2 with c = 0.5: H = 4, variance 2 / 4, and every grid alike.
    Rig r(1, [](const Vec1<double>& x) { return 2.0 * (x[1] - 3.0) * (x[1] - 3.0); });
    r.Free(1, 3.0, 0.5);
    const CovarianceResults res = r.Compute(WithConstant(0.5));
    const auto dir = TempDir("covariance-golden-1");
    const std::filesystem::path path = dir / "one.cov";
    EXPECT_EQ(SavedFile(r, res, path),
              CrLfLines({
        "Originally saved with the file name: " + path.string(),
        "",
        "Parameter values, step sizes, link codes, and definitions for numerically calculated covariances:",
        "",
        " 001)  3.0000000E+00   5.0000000E-01  ~~  Test parameter 1",
        "",
        "Reliable numerical covariance results should be similar among three grids with quite different grid factors",
        "",
        "Covariance constant: 0.5",
        "",
        "                               Grid #1           Grid #2           Grid #3",
        "",
        "Factors:              1) 1.0000000E+00  2) 1.0000000E-01  3) 1.0000000E-02",
        "",
        "Likelihood function value summary:",
        "   Mean:                 2.5000000E-01     2.5000000E-03     2.5000000E-05",
        "   Std Dev:              0.0000000E+00     0.0000000E+00     0.0000000E+00",
        "   Coef of Var:              0.0000000         0.0000000         0.0000000",
        "",
        "Par#                               Standard errors of the estimates",
        "  1                      7.0710678E-01     7.0710678E-01     7.0710678E-01",
        "",
        "Par#               Probabilities that the estimates do not differ from 0, then 1",
        "  1                    <0.0001  0.0048   <0.0001  0.0048   <0.0001  0.0048",
        "",
        "Par#,Par#                                   Correlations",
        "",
        "Par#,Par#                                   Covariances",
        "  1    1                 5.0000000E-01     5.0000000E-01     5.0000000E-01",
        "",
        "                                            Determinants",
        "Covariance Matrix:       5.0000000E-01     5.0000000E-01     5.0000000E-01",
        "Correlation Matrix:      1.0000000E+00     1.0000000E+00     1.0000000E+00",
              }));
    std::filesystem::remove_all(dir);
}

// The tridiagonal quadratic with c = 0.5: covariances 2 A^-1, so SEs
// sqrt(1.5), sqrt(2), sqrt(1.5), correlations -1/sqrt(3) and 1/3, determinant
// 8 / |A| = 2 and 2 / (1.5 x 2 x 1.5) = 4/9 for the correlation matrix; the
// mean objective on grid 1 is 1.85 / 6 (0.1541667 times c), a hundredth of
// that on grid 2.
TEST(CovarianceReport, GoldenFileOfAModelWithThreeFreeParametersAFixedOneAndAFuse) {
    TridiagonalRig r(5);
    r.wb.alg.description[2] = "Fixed [null 7]";
    r.Free(5, 9.0, 0.3);
    r.wb.alg.fuse[4] = r.wb.alg.fuse[5] = "AB";  // parameter 5 follows parameter 4
    const CovarianceResults res = r.Compute(WithConstant(0.5));
    const auto dir = TempDir("covariance-golden-3");
    const std::filesystem::path path = dir / "three.cov";
    EXPECT_EQ(SavedFile(r, res, path),
              CrLfLines({
        "Originally saved with the file name: " + path.string(),
        "",
        "Parameter values, step sizes, link codes, and definitions for numerically calculated covariances:",
        "",
        " 001)  1.5000000E+00   4.0000000E-01  ~~  Test parameter 1",
        " 002)  7.0000000E+00   0.0000000E+00  ~~  Fixed [null 7]",
        " 003) -2.0000000E+00   5.0000000E-01  ~~  Test parameter 3",
        " 004)  2.5000000E-01   3.0000000E-01  AB  Test parameter 4",
        " 005)  2.5000000E-01   0.0000000E+00  AB  Test parameter 5",
        "",
        "Reliable numerical covariance results should be similar among three grids with quite different grid factors",
        "",
        "Covariance constant: 0.5",
        "",
        "                               Grid #1           Grid #2           Grid #3",
        "",
        "Factors:              1) 1.0000000E+00  2) 1.0000000E-01  3) 1.0000000E-02",
        "",
        "Likelihood function value summary:",
        "   Mean:                 1.5416667E-01     1.5416667E-03     1.5416667E-05",
        "   Std Dev:              9.1397332E-02     9.1397332E-04     9.1397332E-06",
        "   Coef of Var:              0.5928476         0.5928476         0.5928476",
        "",
        "Par#                               Standard errors of the estimates",
        "  1                      1.2247449E+00     1.2247449E+00     1.2247449E+00",
        "  3                      1.4142136E+00     1.4142136E+00     1.4142136E+00",
        "  4                      1.2247449E+00     1.2247449E+00     1.2247449E+00",
        "",
        "Par#               Probabilities that the estimates do not differ from 0, then 1",
        "  1                     0.2210  0.6832    0.2210  0.6832    0.2210  0.6832",
        "  3                     0.1576  0.0342    0.1576  0.0342    0.1576  0.0342",
        "  4                     0.8382  0.5404    0.8382  0.5404    0.8382  0.5404",
        "",
        "Par#,Par#                                   Correlations",
        "  1    3                    -0.5773503        -0.5773503        -0.5773503",
        "  1    4                     0.3333333         0.3333333         0.3333333",
        "  3    4                    -0.5773503        -0.5773503        -0.5773503",
        "",
        "Par#,Par#                                   Covariances",
        "  1    1                 1.5000000E+00     1.5000000E+00     1.5000000E+00",
        "  1    3                -1.0000000E+00    -1.0000000E+00    -1.0000000E+00",
        "  1    4                 5.0000000E-01     5.0000000E-01     5.0000000E-01",
        "  3    3                 2.0000000E+00     2.0000000E+00     2.0000000E+00",
        "  3    4                -1.0000000E+00    -1.0000000E+00    -1.0000000E+00",
        "  4    4                 1.5000000E+00     1.5000000E+00     1.5000000E+00",
        "",
        "                                            Determinants",
        "Covariance Matrix:       2.0000000E+00     2.0000000E+00     2.0000000E+00",
        "Correlation Matrix:      4.4444444E-01     4.4444444E-01     4.4444444E-01",
              }));
    std::filesystem::remove_all(dir);
}

TEST(CovarianceReport, FileLayoutIsWhatTheAveragingReads) {
    // Grid 2 abandoned: its column reads -1 while the others carry values.
    TridiagonalRig r(5);
    r.Free(5, -123.456789, 0.0);  // a fixed parameter whose value still is read
    CovarianceSettings s = WithConstant(0.5);
    s.progressInterval = 0.0;
    CovarianceCallbacks quitGrid2;
    quitGrid2.progress = [](const CovarianceProgress& p) {
        return p.grid == 2 ? GridReply::QuitGrid : GridReply::Continue;
    };
    const CovarianceResults res = r.Compute(s, quitGrid2);
    const auto dir = TempDir("covariance-layout");
    const std::vector<std::string> lines = Lines(SavedFile(r, res, dir / "layout.cov"));
    const int n = 5, p = 3;
    // Then probabilities, correlations, covariances (each a header after an
    // empty line) and the determinants.
    ASSERT_EQ(static_cast<int>(lines.size()), 4 + n + 15 + p + (2 + p) + (2 + 3) + (2 + 6) + (2 + 2));

    // Skip four lines, read n values from characters 7-20.
    for (int i = 1; i <= n; ++i) {
        const std::string& line = lines[static_cast<std::size_t>(4 + i - 1)];
        EXPECT_EQ(Field(line, 1, 6), Format(i, " 000) "));
        EXPECT_EQ(StrictNumber(Field(line, 7, 14)), std::stod(Format(res.values[i], "0.0000000E+00"))) << i;
    }
    EXPECT_EQ(lines[static_cast<std::size_t>(4 + n - 1)].substr(6, 14), "-1.2345679E+02");
    // Skip 15 lines (the last of them the standard-error header), read p lines:
    // the parameter number in 1-3, grid g in the 14 characters from 25 + 18 (g - 1).
    EXPECT_EQ(lines[static_cast<std::size_t>(4 + n + 14)].substr(0, 4), "Par#");
    for (int k = 1; k <= p; ++k) {
        const std::string& line = lines[static_cast<std::size_t>(4 + n + 15 + k - 1)];
        EXPECT_EQ(StrictInteger(Field(line, 1, 3), 1, 999), res.number[k]);
        for (int g = 1; g <= 3; ++g) {
            const std::string field = Field(line, 25 + 18 * (g - 1), 14);
            EXPECT_EQ(field, RightJustify(Format(res.StandardError(k, g), "0.0000000E+00"), 14)) << k << " " << g;
            EXPECT_NEAR(*StrictNumber(field), res.StandardError(k, g), 1e-7 * std::fabs(res.StandardError(k, g)));
        }
        EXPECT_EQ(Field(line, 43, 14), "-1.0000000E+00");
    }
    EXPECT_EQ(lines[static_cast<std::size_t>(4 + n + 15 + p)], "");

    // The averaging's own reader takes the saved file: every value, grid 2
    // missing, the others' standard errors by parameter number.
    const CovarianceReadResult back = ReadCovarianceFile((dir / "layout.cov").string(), n, p);
    ASSERT_TRUE(back.estimates) << back.problem;
    for (int i = 1; i <= n; ++i)
        EXPECT_EQ(back.estimates->value[i], std::stod(Format(res.values[i], "0.0000000E+00"))) << i;
    EXPECT_FALSE(back.estimates->missing[0]);
    EXPECT_TRUE(back.estimates->missing[1]);
    EXPECT_FALSE(back.estimates->missing[2]);
    for (int k = 1; k <= p; ++k)
        for (int g : {1, 3})
            EXPECT_NEAR(back.estimates->se(res.number[k], g), res.StandardError(k, g),
                        1e-7 * std::fabs(res.StandardError(k, g)));
    // Saved twice, the file still reads.
    r.t.dialogs.ExpectFile("Save covariance data in...", (dir / "layout.cov").string());
    SaveCovarianceText(r.wb, ReadWholeFile(dir / "layout.cov"));
    EXPECT_TRUE(ReadCovarianceFile((dir / "layout.cov").string(), n, p).estimates);

    // Every grid column ends at 38, 56 and 74, the abandoned grid shows -1 in
    // every section, and its summary -1 times c with a coefficient of 1.
    for (const std::string& line : lines) {
        if (line.rfind("   Mean:", 0) == 0) {
            EXPECT_EQ(Field(line, 39, 18), "    -5.0000000E-01");
        }
        if (line.rfind("   Coef of Var:", 0) == 0) {
            EXPECT_EQ(Field(line, 39, 18), "         1.0000000");
        }
        if (line.rfind("  1    3", 0) == 0) {
            EXPECT_EQ(line.size(), 74u);
            EXPECT_EQ(Field(line, 39, 18), line.find('E') != std::string::npos ? "    -1.0000000E+00"
                                                                               : "        -1.0000000");
        }
        if (line.rfind("Correlation Matrix:", 0) == 0) {
            EXPECT_EQ(Field(line, 39, 18), "    -1.0000000E+00");
        }
    }
    std::filesystem::remove_all(dir);
}

TEST(CovarianceReport, OptimisticAndAnalyticalReportsChangeTheirSections) {
    TridiagonalRig r;
    CovarianceSettings s = WithConstant(0.5);
    s.optimistic = true;
    const std::string optimistic = CovarianceReportText(r.Compute(s));
    EXPECT_NE(optimistic.find("\r\n\r\nNote: The above SE estimates are optimistic (under-estimated) conditional "
                              "estimates\r\n\r\n                                            Determinants\r\n"),
              std::string::npos);
    EXPECT_EQ(optimistic.find("Correlations"), std::string::npos);
    EXPECT_EQ(optimistic.find("Covariances\r\n"), std::string::npos);
    // A diagonal covariance matrix: the correlation determinant is 1.
    EXPECT_NE(optimistic.find("Correlation Matrix:      1.0000000E+00     1.0000000E+00     1.0000000E+00\r\n"),
              std::string::npos);

    r.model.derivatives = [](const Vec1<double>&, Vec1<double>&, Mat1<double>& h) {
        for (int a = 0; a < 3; ++a)
            for (int b = 0; b < 3; ++b) h(kUsed[a], kUsed[b]) = kA[a][b];
    };
    r.Free(1, 2.5, 0.4);  // away from the minimum: f0 = 1
    s.optimistic = false;
    s.method = CovarianceMethod::Analytical;
    const std::string analytical = CovarianceReportText(r.Compute(s));
    const std::vector<std::string> lines = Lines(analytical);
    EXPECT_EQ(lines[0],
              "Parameter values, step sizes, link codes, and definitions for analytically calculated covariances:");
    EXPECT_EQ(lines[7],
              "Analytical covariance results are redundant for all grids; likelihood function value summary is "
              "meaningless");
    EXPECT_EQ(lines[13], "Factors:              1) 0.0000000E+00  2) 0.0000000E+00  3) 0.0000000E+00");
    EXPECT_EQ(lines[16], "   Mean:                 5.0000000E-01     5.0000000E-01     5.0000000E-01");
    EXPECT_EQ(lines[17], "   Std Dev:             -1.0000000E+00    -1.0000000E+00    -1.0000000E+00");
    EXPECT_EQ(lines[18], "   Coef of Var:             -1.0000000        -1.0000000        -1.0000000");
    EXPECT_EQ(lines[21], "  1                      1.2247449E+00     1.2247449E+00     1.2247449E+00");
    // An estimate of 0 does not differ from 0; 20 SEs away it does.
    r.Free(1, 0.0, 0.4);
    r.Free(3, 20.0 * std::sqrt(2.0), 0.5);
    const std::vector<std::string> p = Lines(CovarianceReportText(r.Compute(s)));
    EXPECT_EQ(p[26].substr(0, 38), "  1                     1.0000  0.4144");  // t = 0.8165 from 1
    EXPECT_EQ(p[27].substr(0, 38), "  3                    <0.0001 <0.0001");

    EXPECT_EQ(CovarianceReportText(CovarianceResults{}), "");
}
