#include "platform/SafeFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <random>

namespace corvane {

namespace {

namespace fs = std::filesystem;

std::string Reason(int error) { return std::strerror(error); }

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// The file a name leads to.
struct Target {
    std::string path;
    bool exists = false;
    bool regular = true;
    struct stat st {};
};

// Follows the name to the file it means; the system's reason when it cannot
// be written at all (a directory, a loop of links), empty otherwise.
std::string Resolve(const std::string& path, Target& t) {
    if (path.empty()) return Reason(ENOENT);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return Reason(EISDIR);
        // A device or FIFO holds nothing to replace.  A name under /dev or
        // /proc (/dev/stdout) is a stream the caller opened elsewhere: written
        // through, even where it leads to a regular file, never replaced.
        if (!S_ISREG(st.st_mode) || StartsWith(path, "/dev/") || StartsWith(path, "/proc/")) {
            t.path = path;
            t.exists = true;
            t.regular = false;
            t.st = st;
            return {};
        }
    }
    // Links are followed by hand so that a link whose file does not exist
    // yet creates that file rather than being replaced by one.
    std::string current = path;
    for (int hop = 0; hop < 40; ++hop) {
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno != ENOENT) return Reason(errno);
            t.path = current;
            return {};
        }
        if (S_ISLNK(st.st_mode)) {
            char link[PATH_MAX];
            const ssize_t n = ::readlink(current.c_str(), link, sizeof link - 1);
            if (n < 0) return Reason(errno);
            link[n] = '\0';
            const fs::path to(link);
            current = to.is_absolute() ? to.string() : (fs::path(current).parent_path() / to).string();
            continue;
        }
        if (S_ISDIR(st.st_mode)) return Reason(EISDIR);
        t.path = current;
        t.exists = true;
        t.regular = S_ISREG(st.st_mode);
        t.st = st;
        return {};
    }
    return Reason(ELOOP);
}

// A new file of a unique name beside the target, made with the usual
// permissions (0666 less the umask); -1 with errno set when it cannot be.
int CreateTemporary(const std::string& target, std::string& name) {
    static std::atomic<unsigned> counter{0};
    const fs::path p(target);
    std::string base = p.filename().string();
    // A dot hides it from listings; a long name leaves room for the suffix.
    if (base.size() > 200) base = "corvane";
    std::random_device device;
    std::mt19937_64 random((static_cast<std::uint64_t>(device()) << 32) ^ static_cast<std::uint64_t>(::getpid()) ^
                           (static_cast<std::uint64_t>(counter++) << 20));
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix;
        for (int i = 0; i < 8; ++i) suffix += letters[random() % (sizeof letters - 1)];
        name = (p.parent_path() / ("." + base + "." + suffix + ".tmp")).string();
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

std::string WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return Reason(errno);
        }
        if (n == 0) return Reason(EIO);
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}

}  // namespace

WriteResult SafeFileWriter::Open(const std::string& path, NewFile newFile) {
    Abandon();
    Target t;
    if (auto why = Resolve(path, t); !why.empty()) return {why};
    target_ = t.path;
    regular_ = t.regular;
    if (!t.regular) {
        // A stream opened elsewhere that leads to a regular file is appended
        // to, after what its owner wrote.
        const int flags = O_WRONLY | O_CLOEXEC | (S_ISREG(t.st.st_mode) ? O_APPEND : 0);
        fd_ = ::open(target_.c_str(), flags);
        return fd_ < 0 ? WriteResult{Reason(errno)} : WriteResult{};
    }
    if (!t.exists && newFile == NewFile::InPlace) {
        fd_ = ::open(target_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) return {};
        if (errno != EEXIST) return {Reason(errno)};
        // Made by someone else meanwhile: replaced as an existing file.
        if (auto why = Resolve(path, t); !why.empty()) return {why};
        target_ = t.path;
    }
    fd_ = CreateTemporary(target_, temporary_);
    if (fd_ < 0) {
        temporary_.clear();
        return {Reason(errno)};
    }
    if (t.exists) {
        // The new file takes the old one's permissions (and, where the system
        // allows it, its owner and group).
        if (::fchmod(fd_, t.st.st_mode & 07777) != 0) {
            const int error = errno;
            Abandon();
            return {Reason(error)};
        }
        if (::fchown(fd_, t.st.st_uid, t.st.st_gid) != 0) {
            // Only the owner's group or a privileged user may keep them; the
            // permission bits are what matters to the user.
        }
    }
    return {};
}

WriteResult SafeFileWriter::Write(std::string_view bytes) {
    if (fd_ < 0) return {Reason(EBADF)};
    return {WriteAll(fd_, bytes)};
}

WriteResult SafeFileWriter::Commit(bool partial) {
    if (fd_ < 0) return {Reason(EBADF)};
    // A device or FIFO cannot be synced; a file must be on the disk before
    // it takes the old one's place.
    if (regular_ && ::fsync(fd_) != 0) {
        const int error = errno;
        Abandon();
        return {Reason(error)};
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        const int error = errno;
        if (!temporary_.empty()) ::unlink(temporary_.c_str());
        temporary_.clear();
        return {Reason(error)};
    }
    if (!regular_) return {};
    const std::string from = temporary_.empty() ? target_ : temporary_;
    const std::string to = partial ? PartialPath(target_) : target_;
    temporary_.clear();
    if (from != to && ::rename(from.c_str(), to.c_str()) != 0) {
        const int error = errno;
        if (from != target_) ::unlink(from.c_str());
        return {Reason(error)};
    }
    // The rename itself reaches the disk with its directory.
    const std::string folder = fs::path(to).parent_path().string();
    const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

void SafeFileWriter::Abandon() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

WriteResult WriteFileSafely(const std::string& path, std::string_view bytes) {
    SafeFileWriter writer;
    if (auto r = writer.Open(path, SafeFileWriter::NewFile::Temporary); !r) return r;
    if (auto r = writer.Write(bytes); !r) {
        writer.Abandon();
        return r;
    }
    return writer.Commit();
}

std::string WriteFailureText(const std::string& path, const WriteResult& result) {
    return "could not write " + path + " (" + result.reason + ")";
}

std::string PartialPath(const std::string& path) { return path + ".partial"; }

bool SameRegularFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return S_ISREG(sa.st_mode) && S_ISREG(sb.st_mode) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void IgnoreFileSizeSignal() { ::signal(SIGXFSZ, SIG_IGN); }

}  // namespace corvane
