#pragma once
// Steps the desktop tests share: waiting for the event loop, and the
// dialogue of a numerical covariance run with the default grid factors.
#include <QApplication>
#include <QElapsedTimer>
#include <functional>

#include "support/ScriptedDialogs.h"

namespace corvane::testing {

// Lets events run until the condition holds or `milliseconds` have passed.
inline bool WaitFor(const std::function<bool()>& condition, int milliseconds = 2000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < milliseconds) QApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}

// The answers of "Covariance calculator" run numerically, with the default
// grid factors, a constant of 0.5 and every SE.
inline void ExpectNumericalCovariance(ScriptedDialogs& dialogs) {
    dialogs.ExpectMessage("Covariance calculator", "analytically or numerically?", Answer::No)
        .ExpectMessage("Covariance calculator", "A covariance matrix is calculated")
        .ExpectMessage("Just so you know", "Algorithm data, if changed, have been updated");
    for (int g = 1; g <= 3; ++g) dialogs.ExpectPrompt("Covariance calculator", "Default grid factor", "ok");
    dialogs.ExpectMessage("Covariance calculator", "Are these default grid factors OK?", Answer::Yes)
        .ExpectPrompt("Enter constant", "", "0.5")
        .ExpectMessage("Calculate optimistic SEs only?", "", Answer::No);
}

}  // namespace corvane::testing
