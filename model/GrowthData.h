#pragma once
// The growth model's two data files: size frequencies and increment records.
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/GrowthSettings.h"
#include "numeric/OneBased.h"
#include "platform/Dialogs.h"

namespace corvane {

struct FrequencyData {
    int cells = 0;
    Vec1<double> midpoint;   // 1..cells
    Mat1<double> frequency;  // (series, cell); cells before the first evaluated one hold 0
    Vec1<double> seriesTotal;
    long long grandTotal = 0;  // rounded to a whole number at every addition
    double interval = 0.0;     // midpoint 2 - midpoint 1
    // Blank lines are cells of zeros, as the layout reads them; their cell
    // numbers are kept for the summary.
    std::vector<int> blankCells;
};

struct IncrementRecord {
    double set = 0.0;
    double initial = 0.0;    // observed initial size L1
    double increment = 0.0;  // observed increment y
    double start = 0.0;      // start day (or 0 for size-at-age records)
    double end = 0.0;        // end day (or the age in years)
};

// Records that are read but look wrong: how many, and the file line of the first.
struct PlausibilityCount {
    long long count = 0;
    long long firstLine = 0;
};

struct IncrementData {
    int records = 0;
    Vec1<IncrementRecord> record;  // record 0 has set 0
    int largestSet = 0;
    Vec1<int> setCount;  // records per set, sets 0..1200
    // What the reader left out, for the summary: records after the 1200th
    // (not read), and blank lines among the records (skipped; their file
    // line numbers, the first few of them).
    long long beyondLimit = 0;
    long long blankLines = 0;
    std::vector<long long> blankLineNumbers;
    // Read as data, but told to the user: an end day before the start day,
    // no days at liberty, a negative initial size.
    PlausibilityCount endBeforeStart;
    PlausibilityCount noDaysAtLiberty;
    PlausibilityCount negativeSize;
};

// The warnings on records that are read but look wrong, one sentence each
// (count and first line), for standard error and the desktop's status.
std::vector<std::string> PlausibilityWarnings(const IncrementData& data);

struct GrowthData {
    FrequencyData frequencies;
    IncrementData increments;
    // Grand total of frequencies plus the number of increment records.
    long long SampleSize() const { return frequencies.grandTotal + increments.records; }
};

// A reader's complaint: the message box to show.
struct DataProblem {
    std::string title;
    std::string text;
    Icon icon = Icon::Exclamation;
};

// How a data file lays out its values: fixed columns, CSV (a header naming
// the columns, then one row per record or cell), or either, as the first
// line shows (a CSV header names the columns of its kind).
enum class DataLayout { FixedColumns, Csv, Either };

// Reads an increment file (label line, then five 6-character fields per
// record; or as CSV, a header naming the columns set, initial_size,
// increment, start_day and end_day in any order, other columns ignored).  At most 1200 records are read; the records beyond are counted.
// Blank lines are not records.  A field that holds text which is not a number,
// or a number beyond the range of a double, is refused with its line number
// (an empty field reads as 0; an empty CSV cell is refused).  nullopt on
// success.  Both layouts share every rule past the reading of the values.
std::optional<DataProblem> ReadIncrementText(std::istream& in, IncrementData& data,
                                             DataLayout layout = DataLayout::FixedColumns);

// Reads a frequency file of the given number of series (label line, then the
// midpoint in columns 1-8 and series s in the 8 columns from 9s+1; or as
// CSV, a header whose first column is midpoint, then one column per series).  Cells
// before firstCell are stored as 0.  Midpoints and counts that are not
// numbers, overflow, or (counts) are negative or beyond kLargestCount are
// refused with their line number.  nullopt on success.
std::optional<DataProblem> ReadFrequencyText(std::istream& in, int series, int firstCell, FrequencyData& data,
                                             DataLayout layout = DataLayout::FixedColumns);

// Whether a first line is the CSV header of an increment file (it names one
// of initial_size, increment, start_day, end_day) or of a frequency file (its
// first column is midpoint).  The fixed-column label lines are neither.
bool IsIncrementCsvHeader(std::string_view line);
bool IsFrequencyCsvHeader(std::string_view line);
// Which kind of data a first line heads: a CSV header by its columns, a
// fixed-column label line by its first word ("Set", "Midpoint"); nullopt
// when it says neither.
enum class DataKind { Increments, Frequencies };
std::optional<DataKind> DataKindOf(std::string_view firstLine);
// A name ending in .csv (any case) is read as CSV; any other as its first
// line shows.
bool HasCsvName(const std::string& path);
DataLayout LayoutByName(const std::string& path);

// Counts above this cannot be summed exactly into the grand total.
inline constexpr double kLargestCount = 1e15;

// What the readers took from the data files and what they left out, and why:
// records and sets, cells and series.  A few lines, each ended by CR LF,
// shown after set-up.  LeftOut gives only the lines on data not read, blank
// lines skipped and series without counts.
enum class SummaryPart { All, LeftOut };
std::string DataReadSummary(const GrowthSettings& settings, const GrowthData& data,
                            SummaryPart part = SummaryPart::All);

// Both readers on named files, in the layout LayoutByName gives; an
// unreadable file is a problem too.
std::optional<DataProblem> ReadIncrementFile(const std::string& path, IncrementData& data);
std::optional<DataProblem> ReadFrequencyFile(const std::string& path, int series, int firstCell, FrequencyData& data);

// What a frequency file holds, read as the model's reader reads it: data
// lines after the label line (blank lines at the end are not cells), and the
// most series fields any line fills (a CSV file: the columns after
// midpoint).  nullopt when the file cannot be read.
struct FrequencyFileShape {
    long long cells = 0;
    long long series = 0;
};
std::optional<FrequencyFileShape> FrequencyFileShapeOf(const std::string& path);

// One increment record as the file holds it: "######,######,######,######,######".
// nullopt when a value does not fit its 6 characters.
std::optional<std::string> FormatIncrementRecord(const IncrementRecord& record);
inline constexpr const char* kIncrementLabelLine = "  Set, Init, Incr, Start,   End";

}  // namespace corvane
