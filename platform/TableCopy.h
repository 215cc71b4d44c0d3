#pragma once
// Tables copied as a spreadsheet pastes them: cells apart by tabs, rows
// ending in a line break.  A tab or line break inside a cell would start a
// new cell or row, so it becomes a space.
#include <string>
#include <vector>

namespace corvane {

std::string TabSeparated(const std::vector<std::vector<std::string>>& rows);

}  // namespace corvane
