#include "model/ChiSquare.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "engine/Parallel.h"
#include "engine/Threads.h"
#include "numeric/Format.h"
#include "platform/Clock.h"

namespace corvane {

namespace {

std::uint64_t Mix(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

}  // namespace

std::uint64_t SimulationSeed(std::uint64_t seed, std::uint64_t stream, std::int64_t simulation) {
    // Each part goes through the mixer, so neighbouring streams and
    // simulations start far apart.
    std::uint64_t h = Mix(seed + 0x9E3779B97F4A7C15ULL);
    h = Mix(h ^ (stream * 0xD1B54A32D192ED03ULL));
    return Mix(h ^ (static_cast<std::uint64_t>(simulation) * 0x9E3779B97F4A7C15ULL));
}

double ChiSquareStatistic(const ChiSquareCells& cells, const Vec1<double>& observed, bool* doubtful) {
    double x2 = 0.0;
    for (int i = cells.first; i <= cells.last; ++i) {
        const double E = cells.expected[i], O = observed[i];
        if (E > 0.0) {
            x2 += (O - E) * (O - E) / E;
        } else if (O > 0.0 && doubtful) {
            *doubtful = true;
        }
    }
    return x2;
}

std::vector<double> CumulativeExpected(const ChiSquareCells& cells) {
    std::vector<double> cumulative;
    if (cells.last < cells.first) return cumulative;
    double total = 0.0;
    for (int i = cells.first; i <= cells.last; ++i) total += std::max(cells.expected[i], 0.0);
    // Nothing expected anywhere: there is no distribution to draw from.
    if (!(total > 0.0)) return cumulative;
    // The expected frequencies scaled to n over the tested cells: samples are
    // multinomial with the model's own cell probabilities.  Giving the
    // remainder n - sum(E) to the last cell made every sample misfit there,
    // so a model that expected too little in the tested cells read as a
    // perfect fit.
    cumulative.reserve(static_cast<std::size_t>(cells.last - cells.first + 1));
    double sum = 0.0;
    for (int i = cells.first; i <= cells.last; ++i) {
        sum += std::max(cells.expected[i], 0.0);
        cumulative.push_back(std::min(sum / total * cells.n, cells.n));
    }
    cumulative.back() = cells.n;  // exactly n, whatever the rounding
    return cumulative;
}

Vec1<double> SimulateCounts(const ChiSquareCells& cells, const std::vector<double>& cumulative, std::uint64_t seed) {
    Vec1<double> counts(std::max(cells.last, 0), 0.0);
    if (cumulative.empty()) return counts;
    DefaultRandom random(seed);
    const int size = static_cast<int>(cumulative.size());
    const long long draws = std::llround(cells.n);
    for (long long k = 0; k < draws; ++k) {
        double x = random.Uniform() * cells.n;
        if (!(x > 0.0)) x = 1e-300;  // u = 0 belongs to the first cell that holds anything
        // The cell with previous cumulative < x <= its cumulative.
        const int j = static_cast<int>(std::lower_bound(cumulative.begin(), cumulative.end(), x) - cumulative.begin());
        counts[cells.first + std::min(j, size - 1)] += 1.0;
    }
    return counts;
}

double SimulateStatistic(const ChiSquareCells& cells, const std::vector<double>& cumulative, std::uint64_t seed) {
    if (cumulative.empty()) return 0.0;
    return ChiSquareStatistic(cells, SimulateCounts(cells, cumulative, seed));
}

ChiSquareResult SimulatedChiSquare(const ChiSquareCells& cells, int simulations, std::uint64_t seed,
                                   std::uint64_t stream, const std::function<void(int)>& progress, int threads) {
    ChiSquareResult r;
    r.observed = ChiSquareStatistic(cells, cells.observed, &r.doubtful);
    r.simulations = std::max(simulations, 0);
    const std::vector<double> cumulative = CumulativeExpected(cells);

    // The simulations are independent (each with its own generator), so they
    // run side by side; the results are combined below in order.
    r.simulated.assign(static_cast<std::size_t>(r.simulations), 0.0);
    const CallingThread caller;
    std::atomic<int> started{0};
    int told = 0;
    ParallelFor(threads, r.simulations, 8, [&](int k, int) {
        const int j = started.fetch_add(1, std::memory_order_relaxed) + 1;
        if (progress && caller.Here() && j > told) {
            told = j;
            progress(j);
        }
        r.simulated[static_cast<std::size_t>(k)] = SimulateStatistic(cells, cumulative, SimulationSeed(seed, stream, k + 1));
    });

    const int m = r.simulations;
    double sum = 0.0, sumSquares = 0.0;
    r.minimum = 1e100;
    r.maximum = 0.0;
    int greater = 0;
    for (double x : r.simulated) {
        sum += x;
        sumSquares += x * x;
        r.minimum = std::min(r.minimum, x);
        r.maximum = std::max(r.maximum, x);
        if (x > r.observed) ++greater;
    }
    if (m > 0) {
        r.mean = sum / m;
        const double variance = sumSquares / m - r.mean * r.mean;
        r.sdDefined = variance > 0.0;
        r.sd = r.sdDefined ? std::sqrt(variance) : 0.0;
        r.p = static_cast<double>(greater) / m;
    }
    r.seDefined = m > 1;
    if (r.seDefined) r.se = std::sqrt(r.p * (1.0 - r.p) / (m - 1));
    return r;
}

std::string ChiSquareReport(const ChiSquareResult& r) {
    const std::string undefined = " Undefined";
    const bool any = r.simulations > 0;
    auto value = [&](bool defined, double x, const char* picture) { return defined ? Format(x, picture) : undefined; };
    std::string out;
    out += "The simulated chi-square test draws multinomial samples from the predicted frequencies (a Monte Carlo "
           "test: Hope, A.C.A. 1968. A simplified Monte Carlo significance test procedure. Journal of the Royal "
           "Statistical Society, Series B 30: 582-598)";
    out += CRLF;
    out += "You can reject this model if the cumulative p[chi-square] is outside your acceptance range (e.g., 0.025 < "
           "p < 0.975)";
    out += CRLF;
    out += "Simulated chi-square> n:" + Format(r.simulations, " ###0") + "; Mean:" + value(any, r.mean, " ###0.000") +
           "; SD:" + value(any && r.sdDefined, r.sd, " ###0.000") + "; Minimum:" +
           value(any, r.minimum, " ###0.000") + "; Maximum:" + value(any, r.maximum, " ###0.000") + CRLF;
    out += "Observed chi-square>" + Format(r.observed, " ###0.000") + "; Cumulative p[chi-square]:" +
           value(any, r.p, " #0.000") + "; SE cumulative p[chi-square]:" + value(r.seDefined, r.se, " #0.000") + CRLF;
    return out;
}

std::string VeryUnlikelyTitle(char errors) {
    return errors == 'G' ? "Gamma distribution: very unlikely observation(s)"
                         : "Gaussian distribution: very unlikely observation(s)";
}

const char* const kVeryUnlikelyText =
    "At least one frequency cell with an observed value > 0 has a predicted value of 0.\r\n"
    "Therefore the chi-square probability is seriously overestimated. Don't trust it!";

}  // namespace corvane
