// The frequency file reader on arbitrary bytes: what it accepts is within
// the model's limits with consistent totals, its summary can be written, and
// a small mixture gives a finite frequency likelihood.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "FuzzCheck.h"
#include "model/FrequencyLikelihood.h"
#include "model/GrowthData.h"

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(bytes), size);
    // As many series as the first data line has columns for; the first cell
    // evaluated from the length of the label line.
    std::istringstream lines(text);
    std::string label, first;
    std::getline(lines, label);
    std::getline(lines, first);
    const int series = std::max(1, std::min(50, static_cast<int>(first.size() > 0 ? (first.size() - 1) / 9 : 1)));
    const int firstCell = 1 + static_cast<int>(label.size() % 3);

    std::istringstream in(text);
    FrequencyData data;
    // Either layout: a first line that names CSV columns takes the CSV reader.
    if (const auto problem = ReadFrequencyText(in, series, firstCell, data, DataLayout::Either)) {
        FUZZ_CHECK(!problem->text.empty() && data.cells == 0);
        return 0;
    }
    FUZZ_CHECK(data.cells >= 2 && data.cells <= kMaxFrequencyCells);
    FUZZ_CHECK(data.interval > 0.0 && std::isfinite(data.interval));
    double total = 0.0;
    for (int s = 1; s <= series; ++s) {
        double sum = 0.0;
        for (int i = 1; i <= data.cells; ++i) {
            const double f = data.frequency(s, i);
            FUZZ_CHECK(f >= 0.0 && f <= kLargestCount);
            if (i < firstCell) FUZZ_CHECK(f == 0.0);
            sum += f;
        }
        FUZZ_CHECK(std::fabs(sum - data.seriesTotal[s]) <= 1e-9 * std::max(1.0, sum));
        total += sum;
    }
    FUZZ_CHECK(data.grandTotal >= 0 && static_cast<double>(data.grandTotal) <= kLargestCount);
    FUZZ_CHECK(std::fabs(static_cast<double>(data.grandTotal) - total) <= 0.5 * series * data.cells + 1e-6 * total);

    GrowthSettings settings;
    settings.kind = 'S';
    settings.series = series;
    settings.identified = 1;
    settings.blended = 1;
    settings.totalAges = 2;
    settings.firstCell = firstCell;
    settings.precise = false;
    settings.edge = text.size() % 2 ? 'M' : '0';
    GrowthData all;
    all.frequencies = data;
    FUZZ_CHECK(!DataReadSummary(settings, all).empty());

    if (series > 3 || data.cells > 60) return 0;  // keeps each run quick
    Vec1<double> x(settings.ParameterCount(), 0.0);
    const double fixed[19] = {0, 0, 0.5, 0.1, 0, 0, 0, 0, 0, 0, 0, 0, -999, 0.5, 1, 0, 0, -999, -999};
    for (int k = 1; k <= 19; ++k) x[k] = fixed[k - 1];
    // Asymptotic size and its spread on the scale of the midpoints.
    x[1] = std::fabs(data.midpoint[data.cells]) + 1.0;
    x[2] = x[1] / 10.0;
    if (!(x[1] <= kLargestParameter)) return 0;  // refused by the model before any likelihood
    for (int s = 1; s <= series; ++s) {
        x[settings.ProportionIndex(s, 1)] = 0.5;
        x[settings.SampleDayIndex(s)] = 100.0 * s;
    }
    const GrowthParameters p = PrepareParameters(x, settings);
    FrequencyWorkspace ws;
    WarningLog warnings;
    const FrequencyContribution c = FrequencyNegLnL(settings, data, p, x, ws, warnings);
    FUZZ_CHECK(std::isfinite(c.negLnL) && std::isfinite(c.penalty));
    return 0;
}
