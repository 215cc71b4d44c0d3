#pragma once
// Checks of the files a command will write, made before anything is read.
#include <optional>
#include <string>

namespace corvane::cli {

// True when both paths name the same file (or would, once created).
bool SameFile(const std::string& a, const std::string& b);

// Why a file cannot be written there (its directory is missing, it is a
// directory itself), or nullopt.
std::optional<std::string> CannotWrite(const std::string& path);

}  // namespace corvane::cli
