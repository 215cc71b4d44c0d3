#include "model/GrowthData.h"

#include <cmath>
#include <fstream>

#include "numeric/FixedColumns.h"
#include "numeric/Format.h"

namespace corvane {

namespace {

bool Blank(const std::string& line) { return Trim(line).empty(); }

const char* kFatalTitle = "Fatal error - analysis stops";

}  // namespace

std::optional<DataProblem> ReadIncrementText(std::istream& in, IncrementData& data) {
    IncrementData next;
    next.record.resize(kMaxIncrementRecords);
    next.setCount.resize(kMaxIncrementRecords, 0);
    next.record[0].set = 0.0;

    LineReader reader(in);
    std::string line;
    reader.Next(line);  // field labels

    // A blank line inside the file is a record (of zeros), as the layout
    // reads it; blank lines after the last record are not.
    int pendingBlanks = 0;
    auto add = [&](const std::string& text) -> std::optional<DataProblem> {
        IncrementRecord r;
        r.set = LeadingNumber(Field(text, 1, 6));
        r.initial = LeadingNumber(Field(text, 8, 6));
        r.increment = LeadingNumber(Field(text, 15, 6));
        r.start = LeadingNumber(Field(text, 22, 6));
        r.end = LeadingNumber(Field(text, 29, 6));
        const double set = std::nearbyint(r.set);
        const int i = next.records + 1;
        if (set < 0.0 || set > kMaxIncrementRecords)
            return DataProblem{"Increment data file",
                               "Increment record " + NumberText(i) + " has the set number " + NumberText(r.set) +
                                   "; set numbers must lie between 0 and " + NumberText(kMaxIncrementRecords)};
        next.records = i;
        next.record[i] = r;
        if (r.set > next.largestSet) next.largestSet = static_cast<int>(set);
        ++next.setCount[static_cast<int>(set)];
        return std::nullopt;
    };
    while (next.records < kMaxIncrementRecords && reader.Next(line)) {
        if (Blank(line)) {
            ++pendingBlanks;
            continue;
        }
        for (; pendingBlanks > 0 && next.records < kMaxIncrementRecords; --pendingBlanks)
            if (auto problem = add("")) return problem;
        pendingBlanks = 0;
        if (next.records < kMaxIncrementRecords)
            if (auto problem = add(line)) return problem;
    }
    if (next.records == 0)
        return DataProblem{"Increment data file",
                           "The increment data file holds no records (its first line is skipped as field labels)"};
    data = std::move(next);
    return std::nullopt;
}

std::optional<DataProblem> ReadFrequencyText(std::istream& in, int series, int firstCell, FrequencyData& data) {
    FrequencyData next;
    next.midpoint.resize(kMaxFrequencyCells, 0.0);
    next.frequency.resize(series, kMaxFrequencyCells, 0.0);
    next.seriesTotal.resize(series, 0.0);

    LineReader reader(in);
    std::string line;
    reader.Next(line);  // field labels

    auto add = [&](const std::string& text) -> std::optional<DataProblem> {
        const int i = next.cells + 1;
        if (i > kMaxFrequencyCells)
            return DataProblem{kFatalTitle, "Maximum number of 250 frequency cells exceeded", Icon::None};
        next.cells = i;
        next.midpoint[i] = LeadingNumber(Field(text, 1, 8));
        for (int s = 1; s <= series; ++s) {
            next.frequency(s, i) = i < firstCell ? 0.0 : LeadingNumber(Field(text, 9 * s + 1, 8));
            // A negative count has no likelihood.
            if (next.frequency(s, i) < 0.0)
                return DataProblem{"Frequency data file", "The frequency of series " + NumberText(s) + " in cell " +
                                                              NumberText(i) + " is negative: " +
                                                              NumberText(next.frequency(s, i))};
        }
        if (i == 2) {
            next.interval = next.midpoint[2] - next.midpoint[1];
            // Cells of no width, or reversed ones, would hold no probability.
            if (!(next.interval > 0.0))
                return DataProblem{"Frequency data file",
                                   "The frequency cell midpoints must increase: midpoint 2 minus midpoint 1 is " +
                                       NumberText(next.interval)};
        }
        if (i >= 3 && std::fabs(next.midpoint[i] - next.midpoint[i - 1] - next.interval) > 0.001 * next.interval)
            return DataProblem{kFatalTitle, "Inconsistency in frequency midpoint interval near record " +
                                                NumberText(i) + ". Tolerance is 0.1%.",
                                               Icon::None};
        for (int s = 1; s <= series; ++s) {
            next.seriesTotal[s] += next.frequency(s, i);
            // Kept whole at every addition, without the 16-bit limit.
            next.grandTotal = static_cast<long long>(std::nearbyint(static_cast<double>(next.grandTotal) + next.frequency(s, i)));
        }
        return std::nullopt;
    };
    int pendingBlanks = 0;
    while (reader.Next(line)) {
        if (Blank(line)) {
            ++pendingBlanks;
            continue;
        }
        for (; pendingBlanks > 0; --pendingBlanks)
            if (auto problem = add("")) return problem;
        if (auto problem = add(line)) return problem;
    }
    if (next.cells == 0)
        return DataProblem{"Frequency data file",
                           "The frequency data file holds no cells (its first line is skipped as field labels)"};
    if (next.cells == 1)
        return DataProblem{"Frequency data file",
                           "The frequency data file holds one cell; the cell interval is the step between the first "
                           "two midpoints, so at least two are needed"};
    data = std::move(next);
    return std::nullopt;
}

std::optional<DataProblem> ReadIncrementFile(const std::string& path, IncrementData& data) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return DataProblem{"Increment data file", "The increment data file could not be opened: " + path};
    return ReadIncrementText(in, data);
}

std::optional<DataProblem> ReadFrequencyFile(const std::string& path, int series, int firstCell, FrequencyData& data) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return DataProblem{"Frequency data file", "The frequency data file could not be opened: " + path};
    return ReadFrequencyText(in, series, firstCell, data);
}

std::optional<std::string> FormatIncrementRecord(const IncrementRecord& record) {
    auto field = [](double v, bool whole) -> std::optional<std::string> {
        static const char* pictures[] = {"0.000", "0.00", "0.0", "0"};
        for (const char* picture : pictures) {
            if (whole && std::string(picture) != "0") continue;
            const std::string text = Format(v, picture);
            if (text.size() <= 6) return RightJustify(text, 6);
        }
        return std::nullopt;
    };
    const auto set = field(record.set, true);
    const auto initial = field(record.initial, false);
    const auto increment = field(record.increment, false);
    const auto start = field(record.start, false);
    const auto end = field(record.end, false);
    if (!set || !initial || !increment || !start || !end) return std::nullopt;
    return *set + "," + *initial + "," + *increment + "," + *start + "," + *end;
}

}  // namespace corvane
