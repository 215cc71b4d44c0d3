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

// A number field read strictly, for the readers that must refuse damage:
// the whole field, blanks around it aside, is one number, or it is blank.
struct NumberField {
    enum class Kind {
        Number,      // value holds it
        Empty,       // blanks only: value 0, as the layouts read an empty field
        Missing,     // the line ends before the field begins: value 0
        NotANumber,  // anything but one number ("4d.774", "1,5", "0x10", "1e", "1..2", text, nan)
        Overflow,    // a number beyond the range of a double (1e999)
        RunsOn,      // (justified fields) the number goes on past the field's last column
        Cut,         // (justified fields) the line ends inside the field: the number is cut short
    };
    Kind kind = Kind::Empty;
    double value = 0.0;
    std::string text;  // the field without its surrounding blanks (with the run-on part)
    // Number or Empty: a value the layout defines.
    bool Usable() const { return kind == Kind::Number || kind == Kind::Empty; }
};

// The field of width characters from column first, read strictly.
NumberField ReadNumberField(std::string_view line, int first, int width);
// A field's text read strictly (never Missing).
NumberField ParseNumberField(std::string_view text);

// A field that its writer right-justifies, read strictly: as ReadNumberField,
// and RunsOn when the column after the field holds more than a blank (one
// extra leading space would read 120 as 1.2), Cut when the line ends inside
// the field while the field starts with a blank or the line had no line end
// (a file cut short would read 1.0000000E-01 as 1.0).
NumberField ReadJustifiedField(std::string_view line, int first, int width, bool lineEnded);

// Why a field that is not Usable cannot be read, for a message that names
// the file, the line and the field before it: "\"4d.774\" is not a number",
// "is missing: the line ends at column 20", "runs on past column 14: ...".
// Empty for a usable field.
std::string NumberFieldProblem(const NumberField& field, std::string_view line);

// A value as a right-justified field of width characters that reads back
// as exactly the same double (the shortest such decimal); nullopt when none
// fits, so that a converter refuses the value rather than cut it.
std::optional<std::string> ExactField(double value, int width);

// The longest line a text file may have; a longer one, or a NUL byte, means
// the input is not text at all (a binary file, /dev/zero).
inline constexpr std::size_t kLongestTextLine = 65536;

// Reads text files line by line whatever their line ends (CR LF, LF or a
// lone CR).  Lines longer than maxLineLength (at most kLongestTextLine) are
// cut there and the rest of the line is skipped.  A NUL byte or a line
// longer than kLongestTextLine stops the reading at once: the input is not
// text, and NotText() says why.  So no input, however large or endless,
// keeps a reader busy or takes memory beyond one line.
class LineReader {
public:
    explicit LineReader(std::istream& in, std::size_t maxLineLength = kLongestTextLine);

    // False at end of file, or when the input proved not to be text;
    // otherwise the next line without its line end.
    bool Next(std::string& line);
    // True at end of file, and after the input proved not to be text.
    bool AtEnd();
    long long LinesRead() const { return lines_; }
    // True when some line was longer than maxLineLength.
    bool Truncated() const { return truncated_; }
    // Whether the last line read ended with a line end: the last line of a
    // file cut short has none.
    bool LineEnded() const { return lineEnded_; }
    // Why the input is not a text file, to follow its name ("is not a text
    // file: line 3 holds a NUL byte"); empty while it reads as text.
    const std::string& NotText() const { return notText_; }

private:
    std::istream& in_;
    std::size_t max_;
    long long lines_ = 0;
    bool truncated_ = false;
    bool lineEnded_ = true;
    std::string notText_;
};

}  // namespace corvane
