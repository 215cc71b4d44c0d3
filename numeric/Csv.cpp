#include "numeric/Csv.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

#include "numeric/Format.h"

namespace corvane {

std::string CsvText(std::string_view text) {
    bool quote = text.empty() ? false : (text.front() == ' ' || text.back() == ' ');
    for (char c : text)
        if (c == ',' || c == ';' || c == '"' || c == '\n' || c == '\r') quote = true;
    if (!quote) return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string CsvNumber(double value) {
    if (!std::isfinite(value)) return "NA";
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (ec != std::errc()) return "NA";
    return std::string(buffer, end);
}

CsvTable::CsvTable(std::vector<std::string> header) : columns_(header.size()) {
    std::vector<std::string> fields;
    fields.reserve(header.size());
    for (const auto& name : header) fields.push_back(CsvText(name));
    Append(fields);
}

void CsvTable::AddRow(const std::vector<double>& values) {
    std::vector<std::string> fields;
    fields.reserve(values.size());
    for (double v : values) fields.push_back(CsvNumber(v));
    AddFields(fields);
}

void CsvTable::AddFields(const std::vector<std::string>& fields) {
    if (fields.size() != columns_)
        throw std::logic_error("CSV row of " + std::to_string(fields.size()) + " fields under a header of " +
                               std::to_string(columns_));
    Append(fields);
    ++rows_;
}

void CsvTable::Append(const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) text_ += ',';
        text_ += fields[i];
    }
    text_ += CRLF;
}

namespace {
// Counts commas and semicolons outside quotes.
void CountSeparators(std::string_view line, int& commas, int& semicolons) {
    commas = semicolons = 0;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') quoted = !quoted;
        else if (!quoted && c == ',') ++commas;
        else if (!quoted && c == ';') ++semicolons;
    }
}
}  // namespace

char CsvSeparator(std::string_view headerLine) {
    int commas = 0, semicolons = 0;
    CountSeparators(headerLine, commas, semicolons);
    return (semicolons > 0 && commas == 0) ? ';' : ',';
}

bool LooksLikeCsvHeader(std::string_view line) {
    int commas = 0, semicolons = 0;
    CountSeparators(line, commas, semicolons);
    return commas + semicolons > 0;
}

std::optional<std::vector<std::string>> SplitCsvLine(std::string_view line, char separator, std::string* problem) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (true) {
        while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
        std::string field;
        if (i < n && line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < n) {
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                field += line[i++];
            }
            if (!closed) {
                if (problem) *problem = "a quoted field is not closed on its line";
                return std::nullopt;
            }
            while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
            if (i < n && line[i] != separator) {
                if (problem) *problem = "text follows a closing quote";
                return std::nullopt;
            }
        } else {
            std::size_t start = i;
            while (i < n && line[i] != separator) ++i;
            field = Trim(line.substr(start, i - start));
        }
        fields.push_back(std::move(field));
        if (i >= n) break;
        ++i;  // the separator
    }
    return fields;
}

}  // namespace corvane
