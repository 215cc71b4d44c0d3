#pragma once
// Fixed-column text fields and the two ways numbers are read from them.
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// Characters first..first+width-1 (columns counted from 1) of a line; what
// lies beyond the end of the line is simply absent.
std::string Field(std::string_view line, int first, int width);

// The number a field starts with: leading blanks skipped, reading stops at
// the first character that cannot continue a number; no number reads as 0.
// Used by every data reader.
double LeadingNumber(std::string_view text);

// The same parse, saying what it found, for readers that must not turn text
// or an overflow into a value silently.
struct LeadingField {
    enum class Kind {
        Number,      // value holds it
        Empty,       // blanks only: value 0
        NotANumber,  // the field does not start with a number: value 0
        Overflow,    // a number beyond the range of a double (1e999): value 0
    };
    Kind kind = Kind::Empty;
    double value = 0.0;
};
LeadingField ReadLeadingNumber(std::string_view text);

// The whole field, blanks around it aside, must be one number; anything else
// is a conversion error (nullopt).  Used where a bad field must be reported.
std::optional<double> StrictNumber(std::string_view text);

// As StrictNumber, rounded half to even to a whole number that must fit the
// given range; nullopt on a conversion error or overflow.
std::optional<std::int64_t> StrictInteger(std::string_view text, std::int64_t lowest, std::int64_t highest);

// Reads text files line by line whatever their line ends (CR LF, LF or a
// lone CR).  Lines longer than the limit are cut there and the rest of the
// line is skipped, so a binary or enormous file cannot exhaust memory.
class LineReader {
public:
    explicit LineReader(std::istream& in, std::size_t maxLineLength = 65536);

    // False at end of file; otherwise the next line without its line end.
    bool Next(std::string& line);
    bool AtEnd();
    long long LinesRead() const { return lines_; }
    // True when some line was longer than the limit.
    bool Truncated() const { return truncated_; }

private:
    std::istream& in_;
    std::size_t max_;
    long long lines_ = 0;
    bool truncated_ = false;
};

}  // namespace corvane
