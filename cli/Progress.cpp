#include "cli/Progress.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <ostream>

#include "numeric/Format.h"
#include "platform/Clock.h"

namespace corvane::cli {

namespace {
// A rate over a shorter time says little.
constexpr double kShortestRateTime = 0.1;
}  // namespace

ProgressReporter::ProgressReporter(std::ostream& err, bool terminal, const Clock& clock, double plainInterval,
                                   double terminalInterval)
    : err_(err),
      terminal_(terminal),
      clock_(clock),
      plainInterval_(plainInterval),
      terminalInterval_(terminalInterval) {}

bool ProgressReporter::TerminalOutput() { return isatty(STDERR_FILENO) == 1; }

double ProgressReporter::Elapsed(double since) const {
    double d = clock_.SecondsSinceMidnight() - since;
    if (d < 0.0) d += 86400.0;  // past midnight
    return d;
}

void ProgressReporter::Report(const std::string& text, long long count, const std::string& unit) {
    if (start_ < 0.0) {
        start_ = clock_.SecondsSinceMidnight();
        startCount_ = count;
    }
    const double running = Elapsed(start_);
    if (terminal_) {
        if (last_ >= 0.0 && Elapsed(last_) < terminalInterval_) return;
    } else {
        // A short run says nothing; a long one a line every interval.
        if (Elapsed(last_ >= 0.0 ? last_ : start_) < plainInterval_) return;
    }
    last_ = clock_.SecondsSinceMidnight();

    std::string line = text + ", " + NumberText(count) + " " + unit;
    if (running >= kShortestRateTime) {
        const double rate = static_cast<double>(count - startCount_) / running;
        line += ", " + NumberText(static_cast<long long>(std::llround(rate))) + " " + unit + "/s";
    }
    if (terminal_) {
        const std::size_t length = line.size();
        if (length < width_) line.append(width_ - length, ' ');  // wipe a longer earlier line
        width_ = length;
        err_ << '\r' << line << std::flush;
    } else {
        err_ << line << '\n' << std::flush;
    }
    ++lines_;
}

void ProgressReporter::Finish() {
    if (terminal_ && width_ > 0) err_ << '\n' << std::flush;
    width_ = 0;
    // The next report on a terminal shows at once.
    if (terminal_) last_ = -1.0;
}

void MinimiserReporter::Progress(const MinimiserProgress& p) {
    char best[32];
    std::snprintf(best, sizeof best, "%.10g", p.best);
    const long long calls = totalCalls_ ? totalCalls_(p.functionCalls) : p.functionCalls;
    reporter_.Report(std::string(p.method) + ": best " + best + ", " + NumberText(static_cast<long long>(p.iterations)) +
                         " iterations",
                     calls, "calls");
}

}  // namespace corvane::cli
