#pragma once
// Opening the files that readers take as text.
#include <fstream>
#include <optional>
#include <string>

namespace corvane {

// Opens path for reading.  nullopt when it is open; otherwise what stands in
// the way, to follow the file's name in a message: "is a directory", "does
// not exist", "could not be opened: Permission denied".  Devices and pipes
// open as files do; LineReader then refuses what is not text in them.
std::optional<std::string> OpenTextFile(const std::string& path, std::ifstream& in);

}  // namespace corvane
