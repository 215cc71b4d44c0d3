#pragma once
// What the commands that run a computation share: the checks on the files
// they will write, and stopping by signal.
#include <optional>
#include <string>

#include <signal.h>

namespace corvane::cli {

// True when a and b name the same file (existing or not).
bool SameFile(const std::string& a, const std::string& b);

// Why path cannot be written (an empty name, a directory, a directory that
// does not exist), or nothing.
std::optional<std::string> CannotWrite(const std::string& path);

// Ctrl-C (or SIGTERM) while an object of this class lives is taken as the
// progress window's Interrupt button; the command decides what it answers.
// The handler resets itself, so a second signal ends the program at once.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Once per received signal.
    static bool Take();

private:
    struct sigaction oldTerm_ {};
    struct sigaction oldInt_ {};
};

}  // namespace corvane::cli
