#pragma once
// The growth model's two data files: size frequencies and increment records.
#include <istream>
#include <optional>
#include <string>
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

// Reads an increment file (label line, then five 6-character fields per
// record).  At most 1200 records are read; the records beyond are counted.
// Blank lines are not records.  A field that holds text which is not a number,
// or a number beyond the range of a double, is refused with its line number
// (an empty field reads as 0).  nullopt on success.
std::optional<DataProblem> ReadIncrementText(std::istream& in, IncrementData& data);

// Reads a frequency file of the given number of series (label line, then the
// midpoint in columns 1-8 and series s in the 8 columns from 9s+1).  Cells
// before firstCell are stored as 0.  Midpoints and counts that are not
// numbers, overflow, or (counts) are negative or beyond kLargestCount are
// refused with their line number.  nullopt on success.
std::optional<DataProblem> ReadFrequencyText(std::istream& in, int series, int firstCell, FrequencyData& data);

// Counts above this cannot be summed exactly into the grand total.
inline constexpr double kLargestCount = 1e15;

// What the readers took from the data files and what they left out, and why:
// records and sets, cells and series.  A few lines, each ended by CR LF,
// shown after set-up.  LeftOut gives only the lines on data not read, blank
// lines skipped and series without counts.
enum class SummaryPart { All, LeftOut };
std::string DataReadSummary(const GrowthSettings& settings, const GrowthData& data,
                            SummaryPart part = SummaryPart::All);

// Both readers on named files; an unreadable file is a problem too.
std::optional<DataProblem> ReadIncrementFile(const std::string& path, IncrementData& data);
std::optional<DataProblem> ReadFrequencyFile(const std::string& path, int series, int firstCell, FrequencyData& data);

// One increment record as the file holds it: "######,######,######,######,######".
// nullopt when a value does not fit its 6 characters.
std::optional<std::string> FormatIncrementRecord(const IncrementRecord& record);
inline constexpr const char* kIncrementLabelLine = "  Set, Init, Incr, Start,   End";

}  // namespace corvane
