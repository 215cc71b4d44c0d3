#include "cli/RunControl.h"

#include <csignal>
#include <filesystem>

namespace corvane::cli {

namespace {

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void OnStopSignal(int) { stopSignal = 1; }

}  // namespace

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

StopSignals::StopSignals() {
    stopSignal = 0;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGTERM, &action, &oldTerm_);
    // A shell that started us with SIGINT ignored (a background job) meant it.
    sigaction(SIGINT, nullptr, &oldInt_);
    if (oldInt_.sa_handler != SIG_IGN) sigaction(SIGINT, &action, nullptr);
}

StopSignals::~StopSignals() {
    sigaction(SIGTERM, &oldTerm_, nullptr);
    sigaction(SIGINT, &oldInt_, nullptr);
}

bool StopSignals::Take() {
    if (!stopSignal) return false;
    stopSignal = 0;
    return true;
}

}  // namespace corvane::cli
