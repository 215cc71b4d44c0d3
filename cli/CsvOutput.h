#pragma once
// The --csv outputs: a table (or a folder of tables) written as CSV files
// through the safe writer, a failure told on standard error.
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

namespace corvane::cli {

// Writes the text to path; false (the reason told on err) when it failed.
bool WriteCsvFile(const std::string& path, const std::string& text, std::ostream& err);

// Writes each (file name, text) into the folder, made when missing; false
// when the folder or any file could not be written (every failure told).
bool WriteCsvFolder(const std::string& folder, const std::vector<std::pair<std::string, std::string>>& tables,
                    std::ostream& err);

}  // namespace corvane::cli
