#include "cli/RunControl.h"

#include <csignal>
#include <ostream>

#include "cli/Command.h"
#include "platform/SafeFile.h"

namespace corvane::cli {

namespace {

volatile std::sig_atomic_t stopSignal = 0;
volatile std::sig_atomic_t stopSeen = 0;

extern "C" void OnStopSignal(int) {
    stopSignal = 1;
    stopSeen = 1;
}

}  // namespace

StopSignals::StopSignals() {
    stopSignal = 0;
    stopSeen = 0;
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

bool StopSignals::Received() { return stopSeen != 0; }

std::string ResultPath(const std::string& path, bool stopped) { return stopped ? PartialPath(path) : path; }

void TellPartial(std::ostream& err, const std::string& path) {
    err << MessagePrefix() << "the run was stopped: what it finished is in " << PartialPath(path) << "; " << path
        << " is left as it was\n";
}

}  // namespace corvane::cli
