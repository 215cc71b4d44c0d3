// The simulated chi-square test and the residual cells of the increment
// diagnostics.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/ChiSquare.h"
#include "model/IncrementDiagnostics.h"
#include "numeric/Format.h"

using namespace corvane;

namespace {

ChiSquareCells Cells(const std::vector<double>& observed, const std::vector<double>& expected, double n) {
    ChiSquareCells c;
    c.last = static_cast<int>(expected.size());
    c.observed.resize(c.last);
    c.expected.resize(c.last);
    for (int i = 1; i <= c.last; ++i) {
        c.observed[i] = observed[static_cast<std::size_t>(i - 1)];
        c.expected[i] = expected[static_cast<std::size_t>(i - 1)];
    }
    c.n = n;
    return c;
}

}  // namespace

TEST(ChiSquare, SimulatedStatisticsOfAKnownMultinomial) {
    // The Pearson statistic of a multinomial sample has mean k - 1 whatever
    // the cell probabilities; with p = 0.1..0.4 and n = 200 its variance is
    // 2(k - 1) + (sum 1/p - k^2 - 2k + 2) / n = 5.994.
    const ChiSquareCells cells = Cells({20, 40, 60, 80}, {20, 40, 60, 80}, 200);
    const ChiSquareResult r = SimulatedChiSquare(cells, 4000, 77, 1);
    EXPECT_EQ(r.observed, 0.0);
    EXPECT_NEAR(r.mean, 3.0, 0.15);  // 4 SE of the mean
    ASSERT_TRUE(r.sdDefined);
    EXPECT_NEAR(r.sd, std::sqrt(5.994), 0.15);
    EXPECT_GE(r.minimum, 0.0);
    EXPECT_GT(r.maximum, 15.0);  // p about 0.005 each: some of 4000 exceed it
    EXPECT_GT(r.p, 0.99);        // almost every sample fits worse than a perfect one
    EXPECT_NEAR(r.se, std::sqrt(r.p * (1 - r.p) / 3999), 1e-15);

    // Ten equal cells: mean 9.
    const ChiSquareCells ten = Cells(std::vector<double>(10, 100), std::vector<double>(10, 100), 1000);
    EXPECT_NEAR(SimulatedChiSquare(ten, 2000, 5, 1).mean, 9.0, 0.27);

    // The observed statistic by hand: 4/10 + 4/20 + 0/30, with p its share.
    const ChiSquareResult hand = SimulatedChiSquare(Cells({12, 18, 30}, {10, 20, 30}, 60), 500, 9, 2);
    EXPECT_DOUBLE_EQ(hand.observed, 0.6);
    int greater = 0;
    for (double x : hand.simulated) greater += x > hand.observed;  // ties (the same counts) are not greater
    EXPECT_DOUBLE_EQ(hand.p, greater / 500.0);
}

TEST(ChiSquare, EverySimulationHasItsOwnStreamAndTheSameSeedRepeats) {
    const ChiSquareCells cells = Cells({3, 9, 5, 3}, {4, 8, 6, 2}, 20);
    const ChiSquareResult a = SimulatedChiSquare(cells, 50, 123, 4);
    EXPECT_EQ(a.simulated, SimulatedChiSquare(cells, 50, 123, 4).simulated);
    EXPECT_NE(a.simulated, SimulatedChiSquare(cells, 50, 124, 4).simulated);
    EXPECT_NE(a.simulated, SimulatedChiSquare(cells, 50, 123, 5).simulated);
    // Any simulation alone, in any order, gives what the run gave: they can
    // run side by side.
    const std::vector<double> cumulative = CumulativeExpected(cells);
    for (int j = 50; j >= 1; j -= 7)
        EXPECT_EQ(SimulateStatistic(cells, cumulative, SimulationSeed(123, 4, j)),
                  a.simulated[static_cast<std::size_t>(j - 1)]);
    // A longer run starts with the shorter one.
    const ChiSquareResult longer = SimulatedChiSquare(cells, 80, 123, 4);
    EXPECT_TRUE(std::equal(a.simulated.begin(), a.simulated.end(), longer.simulated.begin()));
}

TEST(ChiSquare, SimulationsSharedAmongThreadsGiveTheSerialResult) {
    const ChiSquareCells cells = Cells({3, 9, 5, 3, 11, 2}, {4, 8, 6, 2, 10, 3}, 33);
    std::vector<int> serialTold;
    const ChiSquareResult one = SimulatedChiSquare(cells, 301, 99, 3, [&](int j) { serialTold.push_back(j); }, 1);
    ASSERT_EQ(serialTold.size(), 301u);
    EXPECT_EQ(serialTold.back(), 301);
    for (int threads : {2, 3, 8}) {
        std::vector<int> told;
        const ChiSquareResult many =
            SimulatedChiSquare(cells, 301, 99, 3, [&](int j) { told.push_back(j); }, threads);
        EXPECT_EQ(many.simulated, one.simulated) << threads;
        EXPECT_EQ(many.mean, one.mean);
        EXPECT_EQ(many.sd, one.sd);
        EXPECT_EQ(many.p, one.p);
        EXPECT_EQ(many.se, one.se);
        // Progress rises and stays within the run.
        ASSERT_FALSE(told.empty());
        EXPECT_TRUE(std::is_sorted(told.begin(), told.end()) && told.front() >= 1 && told.back() <= 301);
    }
}

TEST(ChiSquare, DrawsFallInTheCellsTheCumulativeTableGives) {
    // Cells expecting nothing never receive a draw.
    const ChiSquareCells gaps = Cells({0, 0, 0, 0}, {0, 5, 0, 5}, 10);
    double second = 0.0;
    for (int j = 1; j <= 200; ++j) {
        const Vec1<double> counts = SimulateCounts(gaps, CumulativeExpected(gaps), SimulationSeed(1, 1, j));
        EXPECT_EQ(counts[1] + counts[3], 0.0);
        EXPECT_EQ(counts[2] + counts[4], 10.0);
        second += counts[2];
    }
    EXPECT_NEAR(second / 200, 5.0, 0.5);

    // The expected frequencies are scaled to n over the tested cells, whether
    // they add up to less or to more: 2 and 3 of 10 become 4 and 6, and
    // 8, 8, 1 become 80/17, 80/17, 10/17.
    const std::vector<double> scaled = CumulativeExpected(Cells({0, 0}, {2, 3}, 10));
    ASSERT_EQ(scaled.size(), 2u);
    EXPECT_NEAR(scaled[0], 4.0, 1e-12);
    EXPECT_EQ(scaled[1], 10.0);
    const std::vector<double> over = CumulativeExpected(Cells({0, 0, 0}, {8, 8, 1}, 10));
    ASSERT_EQ(over.size(), 3u);
    EXPECT_NEAR(over[0], 80.0 / 17.0, 1e-12);
    EXPECT_NEAR(over[1], 160.0 / 17.0, 1e-12);
    EXPECT_EQ(over[2], 10.0);
    EXPECT_TRUE(CumulativeExpected(Cells({1, 1}, {0, 0}, 2)).empty());
    const ChiSquareCells short_ = Cells({0, 0}, {2, 3}, 10);
    double first = 0.0;
    for (int j = 1; j <= 400; ++j)
        first += SimulateCounts(short_, CumulativeExpected(short_), SimulationSeed(2, 1, j))[1];
    EXPECT_NEAR(first / 400, 4.0, 0.35);  // binomial(10, 0.4): SD of the mean 0.078

    // Cells before the first one tested are left alone.
    ChiSquareCells tail = Cells({7, 7, 0, 0}, {9, 9, 4, 6}, 10);
    tail.first = 3;
    const Vec1<double> counts = SimulateCounts(tail, CumulativeExpected(tail), 99);
    EXPECT_EQ(counts[1] + counts[2], 0.0);
    EXPECT_EQ(counts[3] + counts[4], 10.0);
}

// Samples are multinomial with n draws and the cell probabilities E / sum(E)
// over the tested cells.  The mean of the simulated statistic
// sum (C - E)^2 / E is then, in closed form,
// sum [n p (1 - p) + (n p - E)^2] / E.  A series whose model expects only
// part of it in the tested cells, and that misfits, must read p = 0 (the
// remainder given to the last cell made every sample misfit there, and read
// p = 1).
TEST(ChiSquare, SamplesFollowTheExpectedFrequenciesScaledToTheSeriesTotal) {
    struct Case {
        std::vector<double> observed, expected;
        double n;
        int firstTested;
        bool misfit;  // the observed statistic far above every sample's
    };
    const Case cases[] = {
        {{100, 20, 11}, {10, 20, 1}, 131, 1, true},
        {{45, 80, 6}, {10, 20, 1}, 131, 1, false},
        {{7, 7, 30, 45, 25}, {9, 9, 25, 50, 25}, 100, 3, false},  // the expected add up to n
        {{0, 0, 5, 5, 110}, {3, 3, 20, 10, 5}, 120, 3, true},
    };
    for (const Case& c : cases) {
        ChiSquareCells cells = Cells(c.observed, c.expected, c.n);
        cells.first = c.firstTested;
        double total = 0.0;
        for (int i = cells.first; i <= cells.last; ++i) total += cells.expected[i];
        double mean = 0.0;
        for (int i = cells.first; i <= cells.last; ++i) {
            const double E = cells.expected[i], p = E / total;
            mean += (c.n * p * (1.0 - p) + (c.n * p - E) * (c.n * p - E)) / E;
        }
        const int m = 4000;
        const ChiSquareResult r = SimulatedChiSquare(cells, m, 2024, 1);
        ASSERT_TRUE(r.sdDefined);
        EXPECT_NEAR(r.mean, mean, 5.0 * r.sd / std::sqrt(m)) << c.n;
        if (c.misfit) {
            EXPECT_GT(r.observed, r.maximum) << c.n;
            EXPECT_EQ(r.p, 0.0) << c.n;
        } else {
            EXPECT_GT(r.p, 0.01) << c.n;
            EXPECT_LT(r.p, 0.99) << c.n;
        }
    }
}

TEST(ChiSquare, ReportLinesWithoutSimulationsAndADoubtfulTest) {
    // An observed cell with nothing expected is left out and makes the test doubtful.
    const ChiSquareResult none = SimulatedChiSquare(Cells({3, 4, 2}, {5, 4, 0}, 9), 0, 1, 1);
    EXPECT_TRUE(none.doubtful);
    EXPECT_DOUBLE_EQ(none.observed, 0.8);
    const std::string text = ChiSquareReport(none);
    EXPECT_NE(text.find("\r\nYou can reject this model if the cumulative p[chi-square] is outside your acceptance "
                        "range (e.g., 0.025 < p < 0.975)\r\n"
                        "Simulated chi-square> n: 0; Mean: Undefined; SD: Undefined; Minimum: Undefined; Maximum: "
                        "Undefined\r\n"
                        "Observed chi-square> 0.800; Cumulative p[chi-square]: Undefined; SE cumulative "
                        "p[chi-square]: Undefined\r\n"),
              std::string::npos)
        << text;

    // One simulation: a mean, but no spread and no SE of p.
    const ChiSquareResult one = SimulatedChiSquare(Cells({5, 5}, {5, 5}, 10), 1, 3, 1);
    EXPECT_FALSE(one.doubtful);
    EXPECT_NE(ChiSquareReport(one).find("; SD: Undefined; Minimum: "), std::string::npos);
    EXPECT_NE(ChiSquareReport(one).find("; SE cumulative p[chi-square]: Undefined"), std::string::npos);

    EXPECT_EQ(VeryUnlikelyTitle('G'), "Gamma distribution: very unlikely observation(s)");
    EXPECT_EQ(VeryUnlikelyTitle('N'), "Gaussian distribution: very unlikely observation(s)");
}

TEST(ChiSquare, ResidualCellsOfHalfAnSD) {
    EXPECT_EQ(ResidualCell(0.0), 13);  // z from 0 to 0.5
    EXPECT_EQ(ResidualCell(0.49), 13);
    EXPECT_EQ(ResidualCell(0.5), 14);
    EXPECT_EQ(ResidualCell(-0.01), 12);
    EXPECT_EQ(ResidualCell(-6.0), 1);
    EXPECT_EQ(ResidualCell(5.99), 24);
    EXPECT_EQ(ResidualCell(6.0), 0);
    EXPECT_EQ(ResidualCell(-6.1), 0);
    EXPECT_EQ(ResidualCell(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(ResidualCell(-std::numeric_limits<double>::infinity()), 0);
}
