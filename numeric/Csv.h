#pragma once
// Comma-separated tables: the one writer every --csv output and plot data
// file uses, and the line splitter behind the CSV data readers.  The layout
// is what R's read.csv and spreadsheets take: a header row naming the
// columns, fields quoted only when they need it, numbers that read back to
// the same double, NA for a value that is not finite.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// A text field, quoted (with inner quotes doubled) when it holds the
// separator, a quote, a line end or blanks at either end.
std::string CsvText(std::string_view text);
// The shortest decimal that reads back to exactly this double; "NA" for
// NaN and the infinities.
std::string CsvNumber(double value);

// Builds a table row by row; Text() is the whole file (CR LF line ends).
class CsvTable {
public:
    explicit CsvTable(std::vector<std::string> header);
    // A row of numbers; it must have as many values as the header has names.
    void AddRow(const std::vector<double>& values);
    // A row of fields already made with CsvText / CsvNumber.
    void AddFields(const std::vector<std::string>& fields);
    std::size_t Columns() const { return columns_; }
    std::size_t Rows() const { return rows_; }
    const std::string& Text() const { return text_; }

private:
    void Append(const std::vector<std::string>& fields);
    std::size_t columns_ = 0;
    std::size_t rows_ = 0;
    std::string text_;
};

// The separator of a CSV file from its header line: ';' when the line holds
// a semicolon outside quotes and no comma there (the form spreadsheets in
// decimal-comma locales write), ',' otherwise.
char CsvSeparator(std::string_view headerLine);

// True when a header line looks like CSV: it has a comma or semicolon
// outside quotes.
bool LooksLikeCsvHeader(std::string_view line);

// Splits one line into fields: separators outside quotes divide, quotes
// around a field are removed ("" inside stands for one quote), blanks around
// an unquoted field are dropped.  nullopt, with *problem set, for a quote
// left open (a field may not span lines) or text after a closing quote.
std::optional<std::vector<std::string>> SplitCsvLine(std::string_view line, char separator, std::string* problem);

}  // namespace corvane
