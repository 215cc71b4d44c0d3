#pragma once
// How a long computation lets the user interface breathe.
//
// Everything runs on the user-interface thread.  The Interrupt buttons and
// the main window's "&Interrupt" menus only set flags, and their clicks reach
// those flags only while the running computation lets pending events run.
// Letting events run costs far more than one record of a model, so it is
// paced by time, never by count: a computation calls Breathe() as often as
// it likes (per record, per grid point, per posterior node) and the throttle
// lets events run at most once per interval, 75 ms by default, which the user
// does not notice.
//
// The Workbench owns the one throttle of a session (Workbench::progress) and
// hands it to the model; engine loops use the same one:
//
//     for (int k = 1; k <= points; ++k) {
//         ... compute point k ...
//         wb.progress.Breathe([&] { wb.Status(2, "Point " + NumberText(k) + " of " + NumberText(points)); });
//         if (wb.app.mlInterrupt) { ... ask whether to quit, as before ... }
//     }
//
// The report (a status counter, a progress text) is built and shown only when
// events are about to run, so it costs nothing in between.  Polling the
// interrupt flag right after Breathe() keeps the behaviour of a loop that let
// events run every time: the flag can only change while events run.
//
// An interval of 0 lets events run on every call (tests that step through
// the events one by one).
#include <utility>

namespace corvane {

class Clock;
class Dialogs;

class ProgressThrottle {
public:
    static constexpr double kDefaultInterval = 0.075;  // seconds

    ProgressThrottle(Dialogs& dialogs, const Clock& clock, double interval = kDefaultInterval)
        : dialogs_(dialogs), clock_(clock), interval_(interval) {}

    // Lets pending events run when the interval has passed since they last
    // ran (always on the first call).  True when they ran.
    bool Breathe() { return Due() && Run(); }

    // The same, with the report shown just before events run.
    template <class Report>
    bool Breathe(Report&& report) {
        if (!Due()) return false;
        std::forward<Report>(report)();
        return Run();
    }

    // Lets events run now, whatever the time (after a status text that must
    // be seen at once); the interval starts afresh.
    void BreatheNow() { Run(); }

    double Interval() const { return interval_; }
    void SetInterval(double seconds) { interval_ = seconds < 0.0 ? 0.0 : seconds; }
    // Events ran this many times since the throttle was made.
    long Breaths() const { return breaths_; }

private:
    bool Due();
    bool Run();

    Dialogs& dialogs_;
    const Clock& clock_;
    double interval_;
    double last_ = 0.0;
    bool started_ = false;
    long breaths_ = 0;
};

}  // namespace corvane
