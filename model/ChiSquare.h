#pragma once
// The simulated chi-square test of the summary report: the observed
// chi-square statistic of a set of cells against the distribution of the
// statistics of multinomial samples drawn from the model's own expected
// frequencies.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "numeric/OneBased.h"

namespace corvane {

// The cells of one test: observed and expected frequencies of cells
// first..last (indices as in the arrays) and the number of observations.
struct ChiSquareCells {
    Vec1<double> observed;
    Vec1<double> expected;
    int first = 1;
    int last = 0;
    double n = 0.0;
};

// Which test of a report a simulation belongs to: each test draws from its
// own streams, so that adding a test never changes the numbers of another.
// Frequency series s uses stream s; the increment tests use the two below.
namespace chi_stream {
inline constexpr std::uint64_t IncrementGaussian = 1'000'001;
inline constexpr std::uint64_t IncrementChosen = 1'000'002;
}  // namespace chi_stream

// The seed of simulation j of a test: every simulation has its own generator,
// so simulations can run side by side and still give the same numbers.
std::uint64_t SimulationSeed(std::uint64_t seed, std::uint64_t stream, std::int64_t simulation);

// Sum over the cells with an expected frequency above 0 of (O - E)^2 / E.
// doubtful is set when a cell observed above 0 has no expected frequency.
double ChiSquareStatistic(const ChiSquareCells& cells, const Vec1<double>& observed, bool* doubtful = nullptr);

// The cumulative expected frequencies of cells first..last scaled so that
// the last is n (empty when nothing is expected in them).
std::vector<double> CumulativeExpected(const ChiSquareCells& cells);

// One simulated sample: round(n) uniform numbers u, each counted in the cell
// whose cumulative interval holds u x n (previous cumulative < u x n <= its own).
Vec1<double> SimulateCounts(const ChiSquareCells& cells, const std::vector<double>& cumulative, std::uint64_t seed);
// The statistic of one simulated sample.
double SimulateStatistic(const ChiSquareCells& cells, const std::vector<double>& cumulative, std::uint64_t seed);

struct ChiSquareResult {
    double observed = 0.0;  // X2
    bool doubtful = false;  // an observed cell without expected frequency
    int simulations = 0;
    std::vector<double> simulated;  // one statistic per simulation, in simulation order
    double mean = 0.0, sd = 0.0, minimum = 0.0, maximum = 0.0;
    bool sdDefined = false;
    double p = 0.0;   // share of simulated statistics greater than X2
    double se = 0.0;  // its SE
    bool seDefined = false;
};

// The test with the given number of simulations (0 or more), shared among
// up to `threads` threads; the result does not depend on how many.
// progress, when given, is told on the calling thread of the simulations
// about to run (1..simulations, in rising order; with several threads not
// every number is told).
ChiSquareResult SimulatedChiSquare(const ChiSquareCells& cells, int simulations, std::uint64_t seed,
                                   std::uint64_t stream, const std::function<void(int)>& progress = {},
                                   int threads = 1);

// The report lines of a test: the source of the test, how to read it, the
// simulated and the observed statistics, each ended by CR LF.
std::string ChiSquareReport(const ChiSquareResult& result);

// The message shown when a test was doubtful; its title names the increment
// error distribution ('G' gamma, otherwise Gaussian).
std::string VeryUnlikelyTitle(char errors);
extern const char* const kVeryUnlikelyText;

}  // namespace corvane
