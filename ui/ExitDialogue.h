#pragma once
// The questions asked before the application ends.
#include <functional>

namespace corvane {

class Workbench;

// Asks "Do you want to quit Corvane?" and, on Yes, offers to save the
// algorithm data and (when some prior is not uniform-unbounded) the priors.
// True when the application should end; the run log is then closed and the
// priors panel reset.  A save the user asked for that does not happen
// (cancelled or failed) keeps the application running, so nothing is lost.
// savePriors writes the priors file (WritePriorsFile when empty); true when
// written.
bool ExitDialogue(Workbench& wb, const std::function<bool()>& savePriors);

}  // namespace corvane
