#include "platform/TextFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace corvane {

std::optional<std::string> OpenTextFile(const std::string& path, std::ifstream& in) {
    if (path.empty()) return "is not a file name";
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) return std::string("does not exist");
        return std::string("could not be opened: ") + std::strerror(errno);
    }
    // A directory opens as a stream on some systems and then reads as empty.
    if (S_ISDIR(st.st_mode)) return std::string("is a directory");
    errno = 0;
    in.open(path, std::ios::binary);
    if (!in.is_open()) {
        const int error = errno;
        return std::string("could not be opened") + (error != 0 ? std::string(": ") + std::strerror(error) : "");
    }
    return std::nullopt;
}

}  // namespace corvane
