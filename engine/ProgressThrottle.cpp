#include "engine/ProgressThrottle.h"

#include "platform/Clock.h"
#include "platform/Dialogs.h"

namespace corvane {

bool ProgressThrottle::Due() {
    if (!started_ || interval_ <= 0.0) return true;
    const double now = clock_.PacingSeconds();
    // A clock that went back (a test's, or one set by hand) counts as due
    // rather than silencing the interface until it catches up.
    return now - last_ >= interval_ || now < last_;
}

bool ProgressThrottle::Run() {
    dialogs_.ProcessEvents();
    // Timed after the events: a long dialogue shown meanwhile does not eat
    // into the next interval.
    last_ = clock_.PacingSeconds();
    started_ = true;
    ++breaths_;
    return true;
}

}  // namespace corvane
