#pragma once
// Progress of a long command on standard error.
//
// On a terminal one line is rewritten in place (a carriage return, then the
// line padded over the last one) at most every fifth of a second.  When
// standard error is a file or a pipe, a plain line is written at most every
// few seconds, and only once a run has lasted that long, never with a
// carriage return, so logs stay readable.  A command feeds it its own
// counters; the reporter adds the rate of the count:
//
//   ProgressReporter progress(err, ProgressReporter::TerminalOutput(), session->ports.clock);
//   dialogs.beforeMessage = [&] { progress.Finish(); };   // messages start on a line of their own
//   for (...) {
//       progress.Report("Profile: point 3 of 21, best 123.45", calls, "calls");
//   }                                                     // "..., 2345 calls, 812 calls/s"
//   progress.Finish();
//
// A minimiser run reports through MinimiserReporter below.
#include <functional>
#include <iosfwd>
#include <string>

#include "engine/Minimiser.h"

namespace corvane {
class Clock;
}

namespace corvane::cli {

class ProgressReporter {
public:
    // terminal: rewrite one line in place; otherwise plain lines every plainInterval seconds.
    ProgressReporter(std::ostream& err, bool terminal, const Clock& clock, double plainInterval = 5.0,
                     double terminalInterval = 0.2);
    ProgressReporter(const ProgressReporter&) = delete;
    ProgressReporter& operator=(const ProgressReporter&) = delete;

    // True when standard error is a terminal.
    static bool TerminalOutput();

    // A report, shown when due: the text, then the count and its rate since
    // the first report ("12345 calls, 812 calls/s").
    void Report(const std::string& text, long long count, const std::string& unit);
    // Ends the updating line, if one is showing, so that what follows starts
    // afresh.  Reporting may go on afterwards.
    void Finish();

    int LinesWritten() const { return lines_; }

private:
    double Elapsed(double since) const;

    std::ostream& err_;
    bool terminal_;
    const Clock& clock_;
    double plainInterval_;
    double terminalInterval_;
    double start_ = -1.0;     // clock at the first report
    double last_ = -1.0;      // clock at the last line written
    long long startCount_ = 0;
    std::size_t width_ = 0;   // of the line showing on a terminal, 0 when none
    int lines_ = 0;
};

// A minimiser's progress: "Simplex: best 347.5758823, 120 iterations,
// 1234 calls, 412 calls/s".  totalCalls, when given, counts the run's calls
// across restarts of the minimiser's own counter.
class MinimiserReporter : public MinimiserObserver {
public:
    explicit MinimiserReporter(ProgressReporter& reporter, std::function<long long(long long)> totalCalls = {})
        : reporter_(reporter), totalCalls_(std::move(totalCalls)) {}
    void Progress(const MinimiserProgress& progress) override;

private:
    ProgressReporter& reporter_;
    std::function<long long(long long)> totalCalls_;
};

}  // namespace corvane::cli
