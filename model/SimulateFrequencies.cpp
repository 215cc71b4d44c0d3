#include "model/SimulateFrequencies.h"

#include <algorithm>
#include <span>
#include <cmath>
#include <vector>

#include "model/DataConvert.h"
#include "model/FrequencyLikelihood.h"
#include "model/GrowthParameters.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"
#include "platform/Clock.h"

namespace corvane {

namespace {

// The value in at most 8 characters: a whole number as it is, otherwise with
// as many decimals as fit (up to 4).
std::optional<std::string> Field8(double v) {
    static const char* whole[] = {"0"};
    static const char* fraction[] = {"0.00##", "0.00", "0.0", "0"};
    const bool isWhole = std::floor(v) == v;
    for (const char* picture : isWhole ? std::span<const char* const>(whole) : std::span<const char* const>(fraction)) {
        const std::string text = Format(v, picture);
        if (text.size() <= 8) return RightJustify(text, 8);
    }
    return std::nullopt;
}

}  // namespace

FrequencySimulationResult SimulateFrequencies(const GrowthSettings& settings, Vec1<double> X,
                                              const FrequencySimulation& how, RandomSource& random) {
    FrequencySimulationResult result;
    auto fail = [&](std::string why) {
        result.problem = std::move(why);
        return result;
    };
    const int S = settings.series;
    if (S < 1) return fail("at least one series is needed");
    if (settings.totalAges < 1) return fail("at least one age-class is needed");
    if (X.size() != settings.ParameterCount())
        return fail("the parameter vector has " + NumberText(X.size()) + " values; the model has " +
                    NumberText(settings.ParameterCount()));
    if (how.cells < 2 || how.cells > kMaxFrequencyCells)
        return fail("the number of cells must lie between 2 and " + NumberText(kMaxFrequencyCells));
    if (!(how.interval > 0.0)) return fail("the cell interval must be above 0");
    if (how.totals.size() != S) return fail("one total is needed for each of the " + NumberText(S) + " series");
    for (int s = 1; s <= S; ++s)
        if (!(how.totals[s] >= 0.0) || std::floor(how.totals[s]) != how.totals[s] || how.totals[s] > 1e7)
            return fail("the totals must be whole numbers from 0 to 10000000");

    // The layout, as the reader would hold it, with nothing observed: the
    // evaluation then gives the model's own prediction for every cell.
    FrequencyData& d = result.data;
    d.cells = how.cells;
    d.interval = how.interval;
    d.midpoint.resize(kMaxFrequencyCells, 0.0);
    d.frequency.resize(S, kMaxFrequencyCells, 0.0);
    d.seriesTotal.resize(S, 0.0);
    for (int i = 1; i <= how.cells; ++i) {
        const auto text = Field8(how.interval / 2.0 + (i - 1) * how.interval);
        if (!text) return fail("the cell midpoints do not fit the file's 8-character fields");
        d.midpoint[i] = LeadingNumber(*text);  // the values as the file will hold them
    }
    for (int s = 1; s <= S; ++s) d.seriesTotal[s] = how.totals[s];

    GrowthSettings layout = settings;
    layout.firstCell = 1;
    const GrowthParameters p = PrepareParameters(X, layout);
    FrequencyWorkspace ws;
    WarningLog warnings;
    const FrequencyContribution f = FrequencyNegLnL(layout, d, p, X, ws, warnings);
    if (f.penalty > 0.0)
        return fail("the proportions are outside 0 to 1 (the model would add a penalty); no distribution to draw from");

    result.distribution.resize(S, how.cells, 0.0);
    for (int s = 1; s <= S; ++s) {
        double sum = 0.0;
        for (int i = 1; i <= how.cells; ++i) sum += std::max(ws.mixture(s, i), 0.0);
        if (!(sum > 0.0)) return fail("the model predicts no fish in the cells of series " + NumberText(s));
        std::vector<double> cumulative(static_cast<std::size_t>(how.cells));
        double running = 0.0;
        for (int i = 1; i <= how.cells; ++i) {
            result.distribution(s, i) = std::max(ws.mixture(s, i), 0.0) / sum;
            running += result.distribution(s, i);
            cumulative[static_cast<std::size_t>(i - 1)] = running;
        }
        cumulative.back() = 1.0;  // the last cell takes up any rounding
        const long long n = static_cast<long long>(how.totals[s]);
        for (long long j = 0; j < n; ++j) {
            const double u = random.Uniform();
            const auto at = std::upper_bound(cumulative.begin(), cumulative.end(), u);
            const int cell = static_cast<int>(std::min<std::ptrdiff_t>(at - cumulative.begin(), how.cells - 1)) + 1;
            d.frequency(s, cell) += 1.0;
        }
    }
    d.grandTotal = 0;
    for (int s = 1; s <= S; ++s) d.grandTotal += static_cast<long long>(how.totals[s]);
    for (int s = 1; s <= S; ++s)
        for (int i = 1; i <= how.cells; ++i)
            if (!Field8(d.frequency(s, i))) return fail("a frequency does not fit the file's 8-character fields");
    result.ok = true;
    return result;
}

std::optional<std::string> FrequencyFileText(const FrequencyData& data, int series) {
    std::string text = FrequencyLabelLine(series) + CRLF;
    for (int i = 1; i <= data.cells; ++i) {
        const auto midpoint = Field8(data.midpoint[i]);
        if (!midpoint) return std::nullopt;
        std::string line = *midpoint;
        for (int s = 1; s <= series; ++s) {
            const auto value = Field8(data.frequency(s, i));
            if (!value) return std::nullopt;
            line += " " + *value;
        }
        text += line + CRLF;
    }
    return text;
}

}  // namespace corvane
