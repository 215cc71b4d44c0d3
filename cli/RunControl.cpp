#include "cli/RunControl.h"

#include <csignal>

namespace corvane::cli {

namespace {

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void OnStopSignal(int) { stopSignal = 1; }

}  // namespace

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
