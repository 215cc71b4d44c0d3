#include "platform/SafeFile.h"

#include <filesystem>
#include <fstream>

namespace corvane {

bool WriteTextFileSafely(const std::string& path, const std::string& text) {
    namespace fs = std::filesystem;
    const std::string temporary = path + ".tmp-corvane";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out << text;
        out.flush();
        if (!out) {
            out.close();
            std::error_code ec;
            fs::remove(temporary, ec);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temporary, path, ec);
    if (ec) {
        fs::remove(temporary, ec);
        return false;
    }
    return true;
}

}  // namespace corvane
