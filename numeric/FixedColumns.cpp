#include "numeric/FixedColumns.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>

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
    std::size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) ++first;
    std::size_t last = text.size();
    while (last > first && IsBlank(text[last - 1])) --last;
    const std::string_view core = text.substr(first, last - first);
    if (core.empty()) return std::nullopt;
    const std::size_t n = NumberLength(core);
    if (n != core.size()) return std::nullopt;
    const double v = Convert(core);
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<std::int64_t> StrictInteger(std::string_view text, std::int64_t lowest, std::int64_t highest) {
    const auto v = StrictNumber(text);
    if (!v) return std::nullopt;
    const double r = std::nearbyint(*v);  // default rounding: half to even
    if (r < static_cast<double>(lowest) || r > static_cast<double>(highest)) return std::nullopt;
    return static_cast<std::int64_t>(r);
}

LineReader::LineReader(std::istream& in, std::size_t maxLineLength) : in_(in), max_(maxLineLength) {}

bool LineReader::AtEnd() {
    return in_.peek() == std::char_traits<char>::eof();
}

bool LineReader::Next(std::string& line) {
    line.clear();
    if (AtEnd()) return false;
    while (true) {
        const int c = in_.get();
        if (c == std::char_traits<char>::eof()) break;
        if (c == '\n') break;
        if (c == '\r') {
            if (in_.peek() == '\n') in_.get();
            break;
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
