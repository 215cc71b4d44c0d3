#include "model/DataConvert.h"

#include <optional>

#include "numeric/Csv.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"

namespace corvane {

std::string IncrementCsvText(const IncrementData& data) {
    CsvTable table({"set", "initial_size", "increment", "start_day", "end_day"});
    for (int i = 1; i <= data.records; ++i) {
        const IncrementRecord& r = data.record[i];
        table.AddRow({r.set, r.initial, r.increment, r.start, r.end});
    }
    return table.Text();
}

namespace {

// The label line, then a line for each cell: `row` writes a cell's values,
// or gives nullopt (its problem set) for a cell it cannot write.  A blank
// cell stays an empty line, which the readers take for a cell of zeros.
template <class Row>
std::optional<std::string> CellLines(const FrequencyData& data, std::string text, Row row) {
    std::size_t blank = 0;
    for (int i = 1; i <= data.cells; ++i) {
        if (blank < data.blankCells.size() && data.blankCells[blank] == i) {
            ++blank;
            text += CRLF;
            continue;
        }
        const std::optional<std::string> line = row(i);
        if (!line) return std::nullopt;
        text += *line + CRLF;
    }
    return text;
}

}  // namespace

std::string FrequencyCsvText(const FrequencyData& data, int series) {
    std::vector<std::string> header{"midpoint"};
    for (int s = 1; s <= series; ++s) header.push_back("series_" + NumberText(s));
    return *CellLines(data, CsvTable(header).Text(), [&](int i) -> std::optional<std::string> {
        std::string row = CsvNumber(data.midpoint[i]);
        for (int s = 1; s <= series; ++s) row += "," + CsvNumber(data.frequency(s, i));
        return row;
    });
}

FixedText IncrementFixedText(const IncrementData& data) {
    static const char* names[] = {"set number", "initial size", "increment", "start day", "end day"};
    FixedText out;
    std::string text = std::string(kIncrementLabelLine) + CRLF;
    for (int i = 1; i <= data.records; ++i) {
        const IncrementRecord& r = data.record[i];
        const double values[5] = {r.set, r.initial, r.increment, r.start, r.end};
        for (int f = 0; f < 5; ++f) {
            const auto field = ExactField(values[f], 6);
            if (!field) {
                out.problem = "record " + NumberText(i) + ": its " + names[f] + " " + CsvNumber(values[f]) +
                              " does not fit the 6 columns of the fixed-column file without being cut";
                return out;
            }
            text += (f > 0 ? "," : "") + *field;
        }
        text += CRLF;
    }
    out.text = std::move(text);
    return out;
}

std::string FrequencyLabelLine(int series) {
    std::string text = "Midpoint";
    for (int s = 1; s <= series; ++s) text += RightJustify("Series" + NumberText(s), 9);
    return text;
}

FixedText FrequencyFixedText(const FrequencyData& data, int series) {
    FixedText out;
    out.text = CellLines(data, FrequencyLabelLine(series) + CRLF, [&](int i) -> std::optional<std::string> {
        const auto midpoint = ExactField(data.midpoint[i], 8);
        if (!midpoint) {
            out.problem = "cell " + NumberText(i) + ": its midpoint " + CsvNumber(data.midpoint[i]) +
                          " does not fit the 8 columns of the fixed-column file without being cut";
            return std::nullopt;
        }
        std::string row = *midpoint;
        for (int s = 1; s <= series; ++s) {
            const auto count = ExactField(data.frequency(s, i), 8);
            if (!count) {
                out.problem = "cell " + NumberText(i) + ": the frequency of series " + NumberText(s) + ", " +
                              CsvNumber(data.frequency(s, i)) +
                              ", does not fit the 8 columns of the fixed-column file without being cut";
                return std::nullopt;
            }
            row += " " + *count;
        }
        return row;
    });
    return out;
}

}  // namespace corvane
