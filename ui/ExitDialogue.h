#pragma once
// The questions asked before the application ends.
#include <functional>
#include <istream>
#include <string>

namespace corvane {

class Workbench;
struct AlgorithmData;
class PriorTable;
class RankingForm;

// Asks "Do you want to quit Corvane?" and, on Yes, offers to save the
// algorithm data and the priors (when some prior is not uniform-unbounded),
// each only when it differs from the file it was last loaded from or saved
// to, saying what changed.  True when the application should end; the run
// log is then closed and the priors panel reset.  A save the user asked for
// that does not happen (cancelled or failed) keeps the application running,
// so nothing is lost.  savePriors writes the priors file (WritePriorsFile
// when empty); true when written.  With the ranking window open, ranking
// results it has not saved as they are are offered first.
bool ExitDialogue(Workbench& wb, const std::function<bool()>& savePriors, RankingForm* ranking = nullptr);

// What saving would keep of the algorithm data: "parameters 1 and 3 and the
// run settings", compared as the file would hold them with `saved`, the file
// they were last loaded from or saved to (null when it cannot be read:
// "they have not been saved"); empty when nothing changed.
std::string AlgorithmChanges(const AlgorithmData& now, std::istream* saved);
// The same for the priors and their file.
std::string PriorChanges(const PriorTable& now, std::istream* saved);

}  // namespace corvane
