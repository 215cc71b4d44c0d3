#include "cli/OutputFiles.h"

#include <filesystem>

namespace corvane::cli {

bool SameFile(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::exists(a, ec) && fs::exists(b, ec)) return fs::equivalent(a, b, ec);
    return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);
}

std::optional<std::string> CannotWrite(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (path.empty()) return "an empty file name";
    if (fs::is_directory(path, ec)) return path + " is a directory";
    const fs::path parent = fs::path(path).parent_path();
    if (!parent.empty() && !fs::is_directory(parent, ec)) return "the directory of " + path + " does not exist";
    return std::nullopt;
}

}  // namespace corvane::cli
