#pragma once
// Number pictures and the small text helpers every report and file uses.
#include <string>
#include <string_view>

namespace corvane {

inline constexpr const char* CRLF = "\r\n";

// Formats a number through a picture such as "0.0000000E+00", "####0.#####",
// "    000) " or " 0.000E+000":
//   0   a digit always shown        #   a digit shown only when significant
//   .   the decimal point           E+ / E-  exponent (sign always / only when
//                                   negative), followed by 0s giving its
//                                   minimum number of digits
// Any other character is copied unchanged.  A negative number gets a leading
// minus sign in front of the whole result.
std::string Format(double value, std::string_view picture);

// Pads on the left to width; a longer text keeps its leftmost width characters.
std::string RightJustify(std::string_view text, int width);

// A number joined to text without a picture: up to 15 significant digits,
// no trailing zeros, exponent written as "1E-05" / "1E+15".
std::string NumberText(double value);
std::string NumberText(long long value);
inline std::string NumberText(int value) { return NumberText(static_cast<long long>(value)); }

std::string Trim(std::string_view text);
std::string ToUpper(std::string_view text);

// The text after the last "/" or "\" (the whole text when there is none).
std::string AfterLastSeparator(std::string_view path);

}  // namespace corvane
