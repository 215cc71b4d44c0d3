#include "numeric/FixedColumns.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "numeric/Csv.h"
#include "numeric/Format.h"

namespace corvane {

std::string Field(std::string_view line, int first, int width) {
    if (first < 1 || width <= 0) return "";
    const auto start = static_cast<std::size_t>(first - 1);
    if (start >= line.size()) return "";
    return std::string(line.substr(start, static_cast<std::size_t>(width)));
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the longest number at the start of text (sign, digits, point,
// exponent); 0 when there is none.
std::size_t NumberLength(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        std::size_t expDigits = 0;
        while (j < text.size() && IsDigit(text[j])) ++j, ++expDigits;
        if (expDigits > 0) i = j;
    }
    return i;
}

double Convert(std::string_view number) {
    std::string text(number);
    for (char& c : text)
        if (c == 'D' || c == 'd') c = 'E';
    return std::strtod(text.c_str(), nullptr);
}

}  // namespace

LeadingField ReadLeadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    const std::string_view rest = text.substr(i);
    if (rest.empty()) return {LeadingField::Kind::Empty, 0.0};
    const std::size_t n = NumberLength(rest);
    if (n == 0) return {LeadingField::Kind::NotANumber, 0.0};
    const double v = Convert(rest.substr(0, n));
    if (!std::isfinite(v)) return {LeadingField::Kind::Overflow, 0.0};
    return {LeadingField::Kind::Number, v};
}

double LeadingNumber(std::string_view text) { return ReadLeadingNumber(text).value; }

std::optional<double> StrictNumber(std::string_view text) {
    const NumberField f = ParseNumberField(text);
    if (f.kind != NumberField::Kind::Number) return std::nullopt;
    return f.value;
}

std::optional<std::int64_t> StrictInteger(std::string_view text, std::int64_t lowest, std::int64_t highest) {
    const auto v = StrictNumber(text);
    if (!v) return std::nullopt;
    const double r = std::nearbyint(*v);  // default rounding: half to even
    if (r < static_cast<double>(lowest) || r > static_cast<double>(highest)) return std::nullopt;
    return static_cast<std::int64_t>(r);
}

NumberField ParseNumberField(std::string_view text) {
    NumberField f;
    f.text = Trim(text);
    if (f.text.empty()) return f;
    const std::size_t n = NumberLength(f.text);
    if (n != f.text.size()) {
        f.kind = NumberField::Kind::NotANumber;
        return f;
    }
    const double v = Convert(f.text);
    if (!std::isfinite(v)) {
        f.kind = NumberField::Kind::Overflow;
        return f;
    }
    f.kind = NumberField::Kind::Number;
    f.value = v;
    return f;
}

NumberField ReadNumberField(std::string_view line, int first, int width) {
    if (first < 1 || line.size() < static_cast<std::size_t>(first)) {
        NumberField f;
        f.kind = NumberField::Kind::Missing;
        return f;
    }
    return ParseNumberField(Field(line, first, width));
}

NumberField ReadJustifiedField(std::string_view line, int first, int width, bool lineEnded) {
    NumberField f = ReadNumberField(line, first, width);
    if (f.kind == NumberField::Kind::Missing) return f;
    const std::size_t last = static_cast<std::size_t>(first - 1 + width);  // 0-based index after the field
    if (line.size() > last && !IsBlank(line[last])) {
        std::size_t end = last;
        while (end < line.size() && !IsBlank(line[end])) ++end;
        f.text = Trim(line.substr(static_cast<std::size_t>(first - 1), end - static_cast<std::size_t>(first - 1)));
        f.kind = NumberField::Kind::RunsOn;
        f.value = 0.0;
        return f;
    }
    if (line.size() < last && f.kind == NumberField::Kind::Number && (!lineEnded || IsBlank(line[first - 1]))) {
        f.kind = NumberField::Kind::Cut;
        f.value = 0.0;
    }
    return f;
}

std::string NumberFieldProblem(const NumberField& field, std::string_view line) {
    // Control characters would garble the message; a long field is cut.
    std::string shown;
    for (char c : field.text.substr(0, 40)) shown += static_cast<unsigned char>(c) < ' ' ? '?' : c;
    if (field.text.size() > 40) shown += "...";
    switch (field.kind) {
        case NumberField::Kind::Number:
        case NumberField::Kind::Empty: return "";
        case NumberField::Kind::Missing:
            return "is missing: the line ends at column " + std::to_string(line.size());
        case NumberField::Kind::NotANumber: return "\"" + shown + "\" is not a number";
        case NumberField::Kind::Overflow: return "\"" + shown + "\" is too large a number";
        case NumberField::Kind::RunsOn: return "\"" + shown + "\" runs on past the field's last column";
        case NumberField::Kind::Cut:
            return "\"" + shown + "\" is cut short: the line ends at column " + std::to_string(line.size());
    }
    return "";
}

std::optional<std::string> ExactField(double value, int width) {
    if (!std::isfinite(value)) return std::nullopt;
    std::string text = CsvNumber(value);
    // "0.5" is ".5" in one column less, as the readers take it.
    if (static_cast<int>(text.size()) > width) {
        if (text.rfind("0.", 0) == 0) text.erase(0, 1);
        else if (text.rfind("-0.", 0) == 0) text.erase(1, 1);
    }
    if (static_cast<int>(text.size()) > width) return std::nullopt;
    const auto back = StrictNumber(text);
    if (!back || *back != value) return std::nullopt;
    return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text;
}

LineReader::LineReader(std::istream& in, std::size_t maxLineLength)
    : in_(in), max_(std::min(maxLineLength, kLongestTextLine)) {}

bool LineReader::AtEnd() {
    return !notText_.empty() || in_.peek() == std::char_traits<char>::eof();
}

bool LineReader::Next(std::string& line) {
    line.clear();
    if (AtEnd()) return false;
    const long long number = lines_ + 1;
    std::size_t length = 0;
    lineEnded_ = false;
    while (true) {
        const int c = in_.get();
        if (c == std::char_traits<char>::eof()) break;
        if (c == '\n') {
            lineEnded_ = true;
            break;
        }
        if (c == '\r') {
            if (in_.peek() == '\n') in_.get();
            lineEnded_ = true;
            break;
        }
        if (c == '\0') {
            notText_ = "is not a text file: line " + std::to_string(number) + " holds a NUL byte";
            line.clear();
            return false;
        }
        if (++length > kLongestTextLine) {
            notText_ = "is not a text file: line " + std::to_string(number) + " is longer than " +
                       std::to_string(kLongestTextLine) + " characters";
            line.clear();
            return false;
        }
        if (line.size() < max_)
            line.push_back(static_cast<char>(c));
        else
            truncated_ = true;
    }
    ++lines_;
    return true;
}

}  // namespace corvane
