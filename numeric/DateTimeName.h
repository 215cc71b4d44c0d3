#pragma once
#include <string>
#include <string_view>

namespace corvane {

// Default file names: characters 1-2 and 4-5 of the date text (month and day
// of "mm/dd/yyyy") and of the time text (hour and minute of "hh:mm:ss"),
// then the extension, e.g. "12071842.alg".
std::string DateTimeName(std::string_view dateText, std::string_view timeText, std::string_view extension);

}  // namespace corvane
