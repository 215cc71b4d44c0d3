#pragma once
// Columns of the model's report tables.
#include <string>
#include <string_view>

#include "numeric/Format.h"

namespace corvane {

// A number through its picture, padded on the left to the column's width.
// Unlike RightJustify, a number wider than its column is kept whole: a
// report that cut "123456.78" to "1234" would show a plainly wrong value.
inline std::string Column(double value, std::string_view picture, int width) {
    std::string text = Format(value, picture);
    if (static_cast<int>(text.size()) < width) text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

}  // namespace corvane
