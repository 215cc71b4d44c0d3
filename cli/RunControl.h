#pragma once
// Stopping a running command by signal.
#include <signal.h>

#include <iosfwd>
#include <string>

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
    // True once a signal has come since the last StopSignals was made (Take
    // leaves it): the run was stopped, whatever it answered.
    static bool Received();

private:
    struct sigaction oldTerm_ {};
    struct sigaction oldInt_ {};
};

// A run stopped by a signal never replaces an earlier result: what it
// finished goes to FILE.partial.  The name a result is written to.
std::string ResultPath(const std::string& path, bool stopped);
// Tells on standard error where a stopped run put a result.
void TellPartial(std::ostream& err, const std::string& path);

}  // namespace corvane::cli
