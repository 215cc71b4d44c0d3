#include "cli/CsvOutput.h"

#include <filesystem>
#include <ostream>

#include "cli/Command.h"
#include "platform/SafeFile.h"

namespace corvane::cli {

bool WriteCsvFile(const std::string& path, const std::string& text, std::ostream& err) {
    if (const WriteResult r = WriteFileSafely(path, text); !r) {
        err << MessagePrefix() << "--csv: " << WriteFailureText(path, r) << "\n";
        return false;
    }
    return true;
}

bool WriteCsvFolder(const std::string& folder, const std::vector<std::pair<std::string, std::string>>& tables,
                    std::ostream& err) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) {
        err << MessagePrefix() << "--csv: the folder " << folder << " could not be made"
            << (ec ? " (" + ec.message() + ")" : std::string()) << "\n";
        return false;
    }
    bool ok = true;
    for (const auto& [name, text] : tables) ok = WriteCsvFile((fs::path(folder) / name).string(), text, err) && ok;
    return ok;
}

}  // namespace corvane::cli
