#include "model/SimulateIncrements.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "model/IncrementLikelihood.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"
#include "platform/Clock.h"

namespace corvane {

namespace {

const double kPi = 4.0 * std::atan(1.0);

// A uniform in (0, 1]: safe under a logarithm.
double OpenUniform(RandomSource& random) { return 1.0 - random.Uniform(); }

int WholeUniform(int low, int high, RandomSource& random) {
    if (high <= low) return low;
    const int v = low + static_cast<int>(std::floor(random.Uniform() * (high - low + 1)));
    return std::min(v, high);
}

// The value as the file will hold it (6 characters), so the simulated truth is
// computed from exactly what is written.
std::optional<double> AsWritten(double v) {
    IncrementRecord r;
    r.initial = v;
    const auto line = FormatIncrementRecord(r);
    if (!line) return std::nullopt;
    return LeadingNumber(Field(*line, 8, 6));
}

}  // namespace

double StandardNormal(RandomSource& random) {
    const double u1 = OpenUniform(random);
    const double u2 = random.Uniform();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * kPi * u2);
}

double GammaDraw(double shape, double scale, RandomSource& random) {
    // Marsaglia and Tsang; a shape below 1 is lifted by one and scaled back.
    if (shape < 1.0) return GammaDraw(shape + 1.0, scale, random) * std::pow(OpenUniform(random), 1.0 / shape);
    const double d = shape - 1.0 / 3.0;
    const double c = 1.0 / std::sqrt(9.0 * d);
    while (true) {
        const double x = StandardNormal(random);
        double v = 1.0 + c * x;
        if (v <= 0.0) continue;
        v = v * v * v;
        const double u = OpenUniform(random);
        if (u < 1.0 - 0.0331 * x * x * x * x || std::log(u) < 0.5 * x * x + d * (1.0 - v + std::log(v)))
            return d * v * scale;
    }
}

SimulationResult SimulateIncrements(const GrowthParameters& p, const IncrementSimulation& how, RandomSource& random) {
    SimulationResult result;
    auto fail = [&](std::string why) {
        result.problem = std::move(why);
        return result;
    };
    if (p.SizeAtAgeRecords()) return fail("only day-numbered increment records are simulated: t0 (parameter 13) must be -999");
    if (how.records < 1 || how.records > kMaxIncrementRecords)
        return fail("the number of records must lie between 1 and " + NumberText(kMaxIncrementRecords));
    if (how.set < 0 || how.set > kMaxIncrementRecords) return fail("the set number must lie between 0 and 1200");
    if (!(how.sizeMin >= 0.0) || !(how.sizeMax >= how.sizeMin)) return fail("the initial sizes need 0 <= min <= max");
    if (how.daysMin < 0 || how.daysMax < how.daysMin) return fail("the days at liberty need 0 <= min <= max");
    if (how.startMax < how.startMin) return fail("the start days need min <= max");

    std::vector<IncrementRecord> records;
    for (int i = 1; i <= how.records; ++i) {
        IncrementRecord r;
        r.set = how.set;
        const auto initial = AsWritten(how.sizeMin + (how.sizeMax - how.sizeMin) * random.Uniform());
        if (!initial) return fail("initial sizes do not fit the file's 6-character fields");
        r.initial = *initial;
        r.start = WholeUniform(how.startMin, how.startMax, random);
        r.end = r.start + WholeUniform(how.daysMin, how.daysMax, random);

        const RecordGrowth g = GrowthOfRecord(p, r);
        double Ec = 0.0, Vc = 0.0;
        if (p.b == 0.0)
            AnalyticMoments(p, r, g, Ec, Vc);
        else
            GridMoments(p, r, g, Ec, Vc);
        double x = 0.0;
        if (p.errors == 'N') {
            double Eu = 0.0, Vu = 0.0;
            UnconditionalMoments(p, r, g, Eu, Vu);
            // Truncated at 0, as the Gaussian error model assumes.
            int tries = 0;
            do {
                x = Eu + std::sqrt(Vu) * StandardNormal(random);
            } while (!(x > 0.0) && ++tries < 100000);
            if (!(x > 0.0))
                return fail("record " + NumberText(i) + " (initial size " + NumberText(r.initial) +
                            ") has almost no chance of growing; choose smaller initial sizes");
        } else {
            if (!(Ec > 0.0 && Vc > 0.0))
                return fail("record " + NumberText(i) + " (initial size " + NumberText(r.initial) +
                            ") has no expected growth; choose smaller initial sizes");
            x = GammaDraw(Ec * Ec / Vc, Vc / Ec, random);
        }
        double y = x;
        if (p.q2 > 0.0) y += std::sqrt(MeasurementVariance(p, r.initial, Ec)) * StandardNormal(random);
        const auto written = AsWritten(y);
        if (!written) return fail("increments do not fit the file's 6-character fields");
        r.increment = *written;
        if (!FormatIncrementRecord(r)) return fail("day numbers do not fit the file's 6-character fields");
        records.push_back(r);
    }
    // The model wants its records sorted by set, initial size and increment.
    std::stable_sort(records.begin(), records.end(), [](const IncrementRecord& a, const IncrementRecord& b) {
        if (a.set != b.set) return a.set < b.set;
        if (a.initial != b.initial) return a.initial < b.initial;
        return a.increment < b.increment;
    });
    IncrementData& d = result.data;
    d.records = static_cast<int>(records.size());
    d.record.resize(kMaxIncrementRecords);
    d.setCount.resize(kMaxIncrementRecords, 0);
    for (int i = 1; i <= d.records; ++i) d.record[i] = records[static_cast<std::size_t>(i - 1)];
    d.largestSet = how.set;
    d.setCount[how.set] = d.records;
    result.ok = true;
    return result;
}

std::string IncrementFileText(const IncrementData& data) {
    std::string text = std::string(kIncrementLabelLine) + CRLF;
    for (int i = 1; i <= data.records; ++i) text += FormatIncrementRecord(data.record[i]).value_or("") + CRLF;
    return text;
}

}  // namespace corvane
