#include "model/GrowthData.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>

#include "numeric/Csv.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"
#include "platform/TextFile.h"

namespace corvane {

namespace {

bool BlankLine(const std::string& line) { return Trim(line).empty(); }

const char* kFatalTitle = "Fatal error - analysis stops";
const char* kIncrementTitle = "Increment data file";
const char* kFrequencyTitle = "Frequency data file";
constexpr std::size_t kBlankLinesNamed = 10;

// A field read strictly, or the reason it cannot be a value: text where a
// number belongs would otherwise read as 0 or as its first digits, and so
// would a number beyond the range of a double.  An empty field reads as 0;
// a field the line ends before is missing.
std::optional<std::string> FieldProblem(const std::string& line, int first, int width, double& value) {
    const NumberField f = ReadNumberField(line, first, width);
    value = f.value;
    if (f.Usable()) return std::nullopt;
    return NumberFieldProblem(f, line);
}

std::string LineText(long long line) { return "Line " + NumberText(line); }

}  // namespace

namespace {

// Column names are matched as spreadsheets and R spell them, in any case.
std::string Lower(std::string_view text) {
    std::string out = Trim(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

const char* const kIncrementColumns[5] = {"set", "initial_size", "increment", "start_day", "end_day"};

// Spreadsheets saving "CSV UTF-8" begin the file with a byte-order mark.
std::string_view WithoutByteOrderMark(std::string_view line) {
    return line.rfind("\xEF\xBB\xBF", 0) == 0 ? line.substr(3) : line;
}

// The header's fields, or nothing when the line does not split.
std::vector<std::string> HeaderFields(std::string_view line) {
    line = WithoutByteOrderMark(line);
    if (!LooksLikeCsvHeader(line)) return {};
    auto fields = SplitCsvLine(line, CsvSeparator(line), nullptr);
    if (!fields) return {};
    for (auto& f : *fields) f = Lower(f);
    return *fields;
}

// A CSV row that holds nothing but separators is the blank line of a
// spreadsheet; it is skipped (or, among frequencies, a cell of zeros) as a
// blank line is.
bool BlankCsvLine(std::string_view line, char separator) {
    for (char c : line)
        if (c != separator && c != ' ' && c != '\t') return false;
    return true;
}

// A CSV cell read strictly: an empty cell is refused, unlike an empty fixed
// field, since a spreadsheet leaves a cell empty when a value is missing.
std::optional<std::string> CsvCellProblem(const std::vector<std::string>& cells, std::size_t index,
                                          const std::string& column, double& value) {
    if (index >= cells.size())
        return "column " + column + " is missing: the row ends after " + NumberText(static_cast<double>(cells.size())) +
               (cells.size() == 1 ? " field" : " fields");
    const NumberField f = ParseNumberField(cells[index]);
    if (f.kind == NumberField::Kind::Empty) return "column " + column + " is empty";
    if (!f.Usable()) return "column " + column + " " + NumberFieldProblem(f, cells[index]);
    value = f.value;
    return std::nullopt;
}

// A row with more filled fields than the header names has lost its
// alignment with the columns somewhere (a stray separator, say).
std::optional<std::string> ExtraFields(const std::vector<std::string>& cells, std::size_t columns) {
    for (std::size_t k = columns; k < cells.size(); ++k)
        if (!Trim(cells[k]).empty())
            return "it holds " + NumberText(static_cast<double>(cells.size())) + " fields, more than the " +
                   NumberText(static_cast<double>(columns)) + " columns its header names";
    return std::nullopt;
}

// How the values of one increment line are laid out.
class IncrementLayout {
public:
    virtual ~IncrementLayout() = default;
    virtual bool Blank(const std::string& line) const = 0;
    // The five values (set, initial size, increment, start, end), or why the
    // line is not a record.
    virtual std::optional<std::string> Values(const std::string& line, double (&values)[5]) const = 0;
};

class FixedIncrementLayout : public IncrementLayout {
public:
    bool Blank(const std::string& line) const override { return BlankLine(line); }
    std::optional<std::string> Values(const std::string& line, double (&values)[5]) const override {
        static const struct {
            int column;
            const char* name;
        } fields[] = {{1, "set number"}, {8, "initial size"}, {15, "increment"}, {22, "start day"}, {29, "end day"}};
        for (int f = 0; f < 5; ++f)
            if (auto why = FieldProblem(line, fields[f].column, 6, values[f]))
                return std::string("its ") + fields[f].name + " (columns " + NumberText(fields[f].column) + "-" +
                       NumberText(fields[f].column + 5) + ") " + *why;
        return std::nullopt;
    }
};

class CsvIncrementLayout : public IncrementLayout {
public:
    // nullopt, or why the header cannot serve.
    std::optional<std::string> Header(const std::string& line) {
        separator_ = CsvSeparator(line);
        std::string why;
        const auto fields = SplitCsvLine(line, separator_, &why);
        if (!fields) return "its header line cannot be read: " + why;
        columns_ = fields->size();
        for (int c = 0; c < 5; ++c) {
            index_[c] = columns_;
            for (std::size_t k = 0; k < columns_; ++k) {
                if (Lower((*fields)[k]) != kIncrementColumns[c]) continue;
                if (index_[c] != columns_) return std::string("names the column ") + kIncrementColumns[c] + " twice";
                index_[c] = k;
            }
            if (index_[c] == columns_)
                return std::string("has no column ") + kIncrementColumns[c] +
                       ": its first line must name the columns set, initial_size, increment, start_day and end_day "
                       "(in any order; other columns are ignored)";
        }
        return std::nullopt;
    }
    bool Blank(const std::string& line) const override { return BlankCsvLine(line, separator_); }
    std::optional<std::string> Values(const std::string& line, double (&values)[5]) const override {
        std::string why;
        const auto cells = SplitCsvLine(line, separator_, &why);
        if (!cells) return why;
        if (auto extra = ExtraFields(*cells, columns_)) return extra;
        for (int c = 0; c < 5; ++c)
            if (auto problem = CsvCellProblem(*cells, index_[c], kIncrementColumns[c], values[c]))
                return "its " + *problem;
        return std::nullopt;
    }

private:
    char separator_ = ',';
    std::size_t columns_ = 0;
    std::size_t index_[5] = {};
};

// How the midpoint and counts of one frequency line are laid out.
class FrequencyLayout {
public:
    virtual ~FrequencyLayout() = default;
    virtual bool Blank(const std::string& line) const = 0;
    // The midpoint of cell i and, with counts, the count of each series;
    // or what is wrong, to follow "Line N of the frequency data file: ".
    virtual std::optional<std::string> Values(const std::string& line, int cell, bool counts, double& midpoint,
                                              Vec1<double>& count) const = 0;
};

class FixedFrequencyLayout : public FrequencyLayout {
public:
    bool Blank(const std::string& line) const override { return BlankLine(line); }
    std::optional<std::string> Values(const std::string& text, int i, bool counts, double& midpoint,
                                      Vec1<double>& count) const override {
        if (auto why = FieldProblem(text, 1, 8, midpoint)) return "the midpoint of cell " + NumberText(i) + " " + *why;
        // A blank line, or a midpoint alone, is a cell of zeros (empty
        // fields); a line that stops before the fields of its later series
        // has lost them.
        const bool countsGiven = Trim(text.substr(std::min<std::size_t>(text.size(), 8))).size() > 0;
        for (int s = 1; s <= count.size(); ++s) {
            count[s] = 0.0;
            if (!counts || !countsGiven) continue;
            if (auto why = FieldProblem(text, 9 * s + 1, 8, count[s]))
                return "the frequency of series " + NumberText(s) + " in cell " + NumberText(i) + " " + *why;
        }
        return std::nullopt;
    }
};

class CsvFrequencyLayout : public FrequencyLayout {
public:
    std::optional<std::string> Header(const std::string& line, int series) {
        separator_ = CsvSeparator(line);
        std::string why;
        const auto fields = SplitCsvLine(line, separator_, &why);
        if (!fields) return "its header line cannot be read: " + why;
        if (Lower(fields->front()) != "midpoint")
            return "does not begin with the column midpoint: its first line must name the column midpoint, then one "
                   "column per series";
        names_ = *fields;
        for (std::size_t k = 1; k < names_.size(); ++k)
            if (Trim(names_[k]).empty()) names_[k] = "number " + NumberText(static_cast<double>(k + 1));
        const int held = static_cast<int>(names_.size()) - 1;
        if (held < series)
            return "names " + NumberText(held) + (held == 1 ? " series column" : " series columns") +
                   " after midpoint, fewer than the " + NumberText(series) + " series asked for";
        return std::nullopt;
    }
    bool Blank(const std::string& line) const override { return BlankCsvLine(line, separator_); }
    std::optional<std::string> Values(const std::string& line, int i, bool counts, double& midpoint,
                                      Vec1<double>& count) const override {
        std::string why;
        const auto cells = SplitCsvLine(line, separator_, &why);
        if (!cells) return why;
        if (auto extra = ExtraFields(*cells, names_.size())) return *extra;
        if (auto problem = CsvCellProblem(*cells, 0, "midpoint", midpoint))
            return "the midpoint of cell " + NumberText(i) + " (" + *problem + ")";
        for (int s = 1; s <= count.size(); ++s) {
            count[s] = 0.0;
            if (!counts) continue;
            const std::size_t k = static_cast<std::size_t>(s);
            if (auto problem = CsvCellProblem(*cells, k, names_[k], count[s]))
                return "the frequency of series " + NumberText(s) + " in cell " + NumberText(i) + " (" + *problem + ")";
        }
        return std::nullopt;
    }

private:
    char separator_ = ',';
    std::vector<std::string> names_;
};

bool CsvChosen(DataLayout layout, bool headerNamesColumns) {
    return layout == DataLayout::Csv || (layout == DataLayout::Either && headerNamesColumns);
}

}  // namespace

bool IsIncrementCsvHeader(std::string_view line) {
    for (const auto& field : HeaderFields(line))
        for (const char* name : kIncrementColumns)
            if (field == name && field != "set") return true;
    return false;
}

bool IsFrequencyCsvHeader(std::string_view line) {
    const auto fields = HeaderFields(line);
    return !fields.empty() && fields.front() == "midpoint";
}

std::optional<DataKind> DataKindOf(std::string_view firstLine) {
    if (IsIncrementCsvHeader(firstLine)) return DataKind::Increments;
    if (IsFrequencyCsvHeader(firstLine)) return DataKind::Frequencies;
    const std::string label = Lower(WithoutByteOrderMark(firstLine));
    if (label.rfind("set", 0) == 0) return DataKind::Increments;
    if (label.rfind("midpoint", 0) == 0) return DataKind::Frequencies;
    return std::nullopt;
}

std::optional<DataProblem> ReadIncrementText(std::istream& in, IncrementData& data, DataLayout layoutChoice) {
    IncrementData next;
    next.record.resize(kMaxIncrementRecords);
    next.setCount.resize(kMaxIncrementRecords, 0);
    next.record[0].set = 0.0;

    LineReader reader(in);
    std::string line;
    reader.Next(line);  // field labels, or the CSV header

    FixedIncrementLayout fixed;
    CsvIncrementLayout csv;
    const IncrementLayout* layout = &fixed;
    if (CsvChosen(layoutChoice, IsIncrementCsvHeader(line)) && reader.NotText().empty()) {
        if (auto why = csv.Header(std::string(WithoutByteOrderMark(line)))) return DataProblem{kIncrementTitle, "The increment data file " + *why};
        layout = &csv;
    }

    // Blank lines carry no record; those followed by records are reported.
    std::vector<long long> pendingBlanks;
    while (reader.Next(line)) {
        const long long lineNumber = reader.LinesRead();
        if (layout->Blank(line)) {
            if (next.records < kMaxIncrementRecords) pendingBlanks.push_back(lineNumber);
            continue;
        }
        if (next.records == kMaxIncrementRecords) {
            ++next.beyondLimit;  // the model takes no more; counted for the summary
            continue;
        }
        for (long long blank : pendingBlanks) {
            ++next.blankLines;
            if (next.blankLineNumbers.size() < kBlankLinesNamed) next.blankLineNumbers.push_back(blank);
        }
        pendingBlanks.clear();

        double values[5] = {};
        if (auto why = layout->Values(line, values))
            return DataProblem{kIncrementTitle, LineText(lineNumber) + " of the increment data file is not a record: " + *why};
        const IncrementRecord r{values[0], values[1], values[2], values[3], values[4]};
        // Plausible records only; these are read, but the user hears of them.
        auto note = [lineNumber](PlausibilityCount& c) {
            if (c.count++ == 0) c.firstLine = lineNumber;
        };
        if (r.end < r.start) note(next.endBeforeStart);
        if (r.end == r.start) note(next.noDaysAtLiberty);
        if (r.initial < 0.0) note(next.negativeSize);
        const double set = std::nearbyint(r.set);
        const int i = next.records + 1;
        if (set < 0.0 || set > kMaxIncrementRecords)
            return DataProblem{kIncrementTitle,
                               LineText(lineNumber) + " of the increment data file: increment record " + NumberText(i) + " has the set number " + NumberText(r.set) +
                                   "; set numbers must lie between 0 and " + NumberText(kMaxIncrementRecords)};
        next.records = i;
        next.record[i] = r;
        if (r.set > next.largestSet) next.largestSet = static_cast<int>(set);
        ++next.setCount[static_cast<int>(set)];
    }
    if (!reader.NotText().empty())
        return DataProblem{kIncrementTitle, "The increment data file " + reader.NotText()};
    if (next.records == 0)
        return DataProblem{kIncrementTitle,
                           "The increment data file holds no records (its first line is skipped as field labels)"};
    data = std::move(next);
    return std::nullopt;
}

std::optional<DataProblem> ReadFrequencyText(std::istream& in, int series, int firstCell, FrequencyData& data,
                                             DataLayout layoutChoice) {
    FrequencyData next;
    next.midpoint.resize(kMaxFrequencyCells, 0.0);
    next.frequency.resize(series, kMaxFrequencyCells, 0.0);
    next.seriesTotal.resize(series, 0.0);

    LineReader reader(in);
    std::string line;
    reader.Next(line);  // field labels, or the CSV header

    FixedFrequencyLayout fixed;
    CsvFrequencyLayout csv;
    const FrequencyLayout* layout = &fixed;
    if (CsvChosen(layoutChoice, IsFrequencyCsvHeader(line)) && reader.NotText().empty()) {
        if (auto why = csv.Header(std::string(WithoutByteOrderMark(line)), series)) return DataProblem{kFrequencyTitle, "The frequency data file " + *why};
        layout = &csv;
    }

    // The cells of a file with too many, counted on to its end for the message.
    auto tooMany = [&](long long cells) {
        std::string rest;
        long long pending = 0;
        while (reader.Next(rest)) {
            if (layout->Blank(rest)) {
                ++pending;
                continue;
            }
            cells += pending + 1;
            pending = 0;
        }
        return DataProblem{kFatalTitle,
                           std::string("Maximum number of 250 frequency cells exceeded") + CRLF + "The file holds " +
                               NumberText(cells) + " frequency cells.",
                           Icon::None};
    };

    Vec1<double> count(series, 0.0);
    auto add = [&](const std::string& text, long long lineNumber) -> std::optional<DataProblem> {
        const int i = next.cells + 1;
        if (layout->Blank(text)) {
            // A blank line is a cell of zeros, midpoint included.
            next.midpoint[i] = 0.0;
            for (int s = 1; s <= series; ++s) count[s] = 0.0;
            next.blankCells.push_back(i);
        } else if (auto why = layout->Values(text, i, i >= firstCell, next.midpoint[i], count)) {
            return DataProblem{kFrequencyTitle, LineText(lineNumber) + " of the frequency data file: " + *why};
        }
        next.cells = i;
        for (int s = 1; s <= series; ++s) {
            next.frequency(s, i) = count[s];
            // A negative count has no likelihood.
            if (count[s] < 0.0)
                return DataProblem{kFrequencyTitle, "The frequency of series " + NumberText(s) + " in cell " +
                                                        NumberText(i) + " is negative: " + NumberText(count[s])};
            if (count[s] > kLargestCount)
                return DataProblem{kFrequencyTitle, "The frequency of series " + NumberText(s) + " in cell " +
                                                        NumberText(i) + " is too large: " + NumberText(count[s]) +
                                                        "; counts above " + NumberText(kLargestCount) +
                                                        " cannot be summed exactly"};
        }
        if (i == 2) {
            next.interval = next.midpoint[2] - next.midpoint[1];
            // Cells of no width, or reversed ones, would hold no probability.
            if (!(next.interval > 0.0))
                return DataProblem{kFrequencyTitle,
                                   "The frequency cell midpoints must increase: midpoint 2 minus midpoint 1 is " +
                                       NumberText(next.interval)};
        }
        if (i >= 3 && std::fabs(next.midpoint[i] - next.midpoint[i - 1] - next.interval) > 0.001 * next.interval)
            return DataProblem{kFatalTitle, "Inconsistency in frequency midpoint interval near record " +
                                                NumberText(i) + ". Tolerance is 0.1%.",
                                               Icon::None};
        for (int s = 1; s <= series; ++s) {
            next.seriesTotal[s] += next.frequency(s, i);
            // Kept whole at every addition, without the 16-bit limit; the sum
            // stays below what a 64-bit integer holds.
            const double total = std::nearbyint(static_cast<double>(next.grandTotal) + next.frequency(s, i));
            if (total > kLargestCount)
                return DataProblem{kFrequencyTitle, "The frequencies add up to more than " +
                                                        NumberText(kLargestCount) + ", which cannot be summed exactly"};
            next.grandTotal = static_cast<long long>(total);
        }
        return std::nullopt;
    };
    std::vector<long long> pendingBlanks;
    while (reader.Next(line)) {
        if (layout->Blank(line)) {
            pendingBlanks.push_back(reader.LinesRead());
            continue;
        }
        // Blank lines before this one are cells too.
        const long long cells = next.cells + static_cast<long long>(pendingBlanks.size()) + 1;
        if (cells > kMaxFrequencyCells) return tooMany(cells);
        for (long long blank : pendingBlanks)
            if (auto problem = add("", blank)) return problem;
        pendingBlanks.clear();
        if (auto problem = add(line, reader.LinesRead())) return problem;
    }
    if (!reader.NotText().empty())
        return DataProblem{kFrequencyTitle, "The frequency data file " + reader.NotText()};
    if (next.cells == 0)
        return DataProblem{kFrequencyTitle,
                           "The frequency data file holds no cells (its first line is skipped as field labels)"};
    if (next.cells == 1)
        return DataProblem{kFrequencyTitle,
                           "The frequency data file holds one cell; the cell interval is the step between the first "
                           "two midpoints, so at least two are needed"};
    data = std::move(next);
    return std::nullopt;
}

std::vector<std::string> PlausibilityWarnings(const IncrementData& data) {
    std::vector<std::string> out;
    auto say = [&out](const PlausibilityCount& c, const char* one, const char* many) {
        if (c.count == 0) return;
        out.push_back(NumberText(c.count) + (c.count == 1 ? one : many) + (c.count == 1 ? " (line " : " (the first on line ") +
                      NumberText(c.firstLine) + ")");
    };
    say(data.endBeforeStart, " increment record ends before it starts: its end day is below its start day",
        " increment records end before they start: their end day is below their start day");
    say(data.noDaysAtLiberty, " increment record has no days at liberty: its end day is its start day",
        " increment records have no days at liberty: their end day is their start day");
    say(data.negativeSize, " increment record has a negative initial size",
        " increment records have a negative initial size");
    return out;
}

std::string DataReadSummary(const GrowthSettings& settings, const GrowthData& data, SummaryPart part) {
    std::string out;
    const bool all = part == SummaryPart::All;
    auto line = [&out](const std::string& text) { out += text + CRLF; };
    auto read = [&out, all](const std::string& text) {
        if (all) out += text + CRLF;
    };
    if (settings.HasIncrements()) {
        const IncrementData& d = data.increments;
        std::string sets;
        int setsUsed = 0;
        for (int set = 0; set <= d.largestSet && set <= d.setCount.size(); ++set) {
            if (d.setCount[set] == 0) continue;
            ++setsUsed;
            if (setsUsed <= 10) sets += (setsUsed > 1 ? ", set " : "set ") + NumberText(set) + ": " + NumberText(d.setCount[set]);
        }
        if (setsUsed > 10) sets += ", ...";
        read("Increment data: " + NumberText(d.records) + (d.records == 1 ? " record" : " records") + " in " +
             NumberText(setsUsed) + (setsUsed == 1 ? " set" : " sets") + " (" + sets + ")");
        if (d.beyondLimit > 0)
            line("Not read: " + NumberText(d.beyondLimit) + " further records after the first " +
                 NumberText(kMaxIncrementRecords) + ", the most the model takes");
        if (d.blankLines > 0) {
            std::string lines;
            for (std::size_t k = 0; k < d.blankLineNumbers.size(); ++k)
                lines += (k > 0 ? ", " : "") + NumberText(d.blankLineNumbers[k]);
            if (d.blankLines > static_cast<long long>(d.blankLineNumbers.size())) lines += ", ...";
            line("Skipped: " + NumberText(d.blankLines) + " blank " + (d.blankLines == 1 ? "line" : "lines") +
                 " among the records (" + (d.blankLines == 1 ? "line " : "lines ") + lines + ")");
        }
        for (const std::string& warning : PlausibilityWarnings(d)) line("Warning: " + warning);
    }
    if (settings.HasFrequencies()) {
        const FrequencyData& d = data.frequencies;
        std::string totals;
        for (int s = 1; s <= settings.series && s <= d.seriesTotal.size(); ++s)
            totals += (s > 1 ? ", " : "") + NumberText(s) + ": " + NumberText(d.seriesTotal[s]);
        read("Frequency data: " + NumberText(d.cells) + " cells, midpoints " + NumberText(d.midpoint[1]) + " to " +
             NumberText(d.midpoint[d.cells]) + " by " + NumberText(d.interval) + "; " + NumberText(settings.series) +
             " series" + ", " + NumberText(d.grandTotal) +
             " counted in all (series " + totals + ")");
        if (settings.firstCell > 1) {
            const int last = std::min(settings.firstCell - 1, d.cells);
            read("Not counted: " + std::string(last == 1 ? "cell 1 lies" : "cells 1 to " + NumberText(last) + " lie") +
                 " before the first cell evaluated; " + (last == 1 ? "its" : "their") + " frequencies are held at 0");
        }
        for (int s = 1; s <= settings.series && s <= d.seriesTotal.size(); ++s)
            if (!(d.seriesTotal[s] > 0.0))
                line("Series " + NumberText(s) + " holds no counts in the cells evaluated; it adds nothing to the likelihood");
        for (int cell : d.blankCells)
            line("Cell " + NumberText(cell) + " is a blank line: midpoint 0, no counts");
    }
    return out;
}

namespace {

// The reader's problem with the file named: a file given on a command line
// or chosen in a dialogue is known by its path.  The fixed texts of the
// fatal messages stay as they are.
std::optional<DataProblem> Named(std::optional<DataProblem> problem, const std::string& path) {
    if (problem) {
        const std::size_t at = problem->text.find(" data file");
        if (at != std::string::npos) problem->text.insert(at + 10, " " + path);
    }
    return problem;
}

}  // namespace

bool HasCsvName(const std::string& path) {
    return path.size() >= 4 && Lower(std::string_view(path).substr(path.size() - 4)) == ".csv";
}

DataLayout LayoutByName(const std::string& path) { return HasCsvName(path) ? DataLayout::Csv : DataLayout::Either; }

std::optional<DataProblem> ReadIncrementFile(const std::string& path, IncrementData& data) {
    std::ifstream in;
    if (const auto why = OpenTextFile(path, in))
        return DataProblem{kIncrementTitle, "The increment data file could not be opened: " + path + " " + *why};
    return Named(ReadIncrementText(in, data, LayoutByName(path)), path);
}

std::optional<DataProblem> ReadFrequencyFile(const std::string& path, int series, int firstCell, FrequencyData& data) {
    std::ifstream in;
    if (const auto why = OpenTextFile(path, in))
        return DataProblem{kFrequencyTitle, "The frequency data file could not be opened: " + path + " " + *why};
    return Named(ReadFrequencyText(in, series, firstCell, data, LayoutByName(path)), path);
}

std::optional<FrequencyFileShape> FrequencyFileShapeOf(const std::string& path) {
    std::ifstream in;
    if (OpenTextFile(path, in)) return std::nullopt;
    LineReader reader(in);
    std::string line;
    if (!reader.Next(line)) return std::nullopt;  // the label line
    FrequencyFileShape shape;
    const bool csv = CsvChosen(LayoutByName(path), IsFrequencyCsvHeader(line));
    const char separator = CsvSeparator(line);
    if (csv) {
        const auto names = SplitCsvLine(WithoutByteOrderMark(line), separator, nullptr);
        shape.series = names ? static_cast<long long>(names->size()) - 1 : 0;
    }
    long long lines = 0;
    // The reader refuses a file with more cells; a few more lines show that.
    while (lines <= kMaxFrequencyCells && reader.Next(line)) {
        ++lines;
        if (csv ? BlankCsvLine(line, separator) : BlankLine(line)) continue;
        shape.cells = lines;
        if (csv) continue;
        for (long long s = static_cast<long long>(line.size()) / 9; s > shape.series; --s)
            if (!Trim(Field(line, static_cast<int>(9 * s + 1), 8)).empty()) {
                shape.series = s;
                break;
            }
    }
    return shape;
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
