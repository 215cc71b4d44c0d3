#pragma once
// Stopping a running command by signal.
#include <signal.h>

namespace corvane::cli {

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
