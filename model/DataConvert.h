#pragma once
// Increment and frequency data written as CSV or as fixed columns, for the
// converter and the simulator.  The CSV files are what the readers take
// back: the same records, the same doubles.
#include <optional>
#include <string>

#include "model/GrowthData.h"

namespace corvane {

// set,initial_size,increment,start_day,end_day; one row per record.
std::string IncrementCsvText(const IncrementData& data);
// midpoint, then series_1 .. series_S; one row per cell, a blank cell (a
// blank line of the fixed file) as an empty row.
std::string FrequencyCsvText(const FrequencyData& data, int series);

// Fixed columns, every value exactly as read: text, or why a value does not
// fit its column (the record or cell, and the field, named).
struct FixedText {
    std::optional<std::string> text;
    std::string problem;
};
FixedText IncrementFixedText(const IncrementData& data);
FixedText FrequencyFixedText(const FrequencyData& data, int series);

// The label line of a fixed-column frequency file: "Midpoint  Series1  Series2".
std::string FrequencyLabelLine(int series);

}  // namespace corvane
