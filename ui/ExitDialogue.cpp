#include "ui/ExitDialogue.h"

#include "engine/modCorvane.h"
#include "priors/PriorsFile.h"

namespace corvane {

bool ExitDialogue(Workbench& wb, const std::function<bool()>& savePriors) {
    Dialogs& d = wb.ports.dialogs;
    if (d.MessageBox("Exit Corvane", "Do you want to quit Corvane?", Buttons::YesNo, Icon::Question, true) !=
        Answer::Yes)
        return false;

    // Without a model and algorithm data there is nothing to save.
    const bool haveData = wb.app.modelInitialised && !wb.alg.fileName.empty();
    if (haveData && d.MessageBox("What about algorithm data?", "Save algorithm data?", Buttons::YesNo,
                                 Icon::Question) == Answer::Yes) {
        if (!WriteAlgorithmFile(wb, AlgorithmWriter::CommandMenu)) return false;
    }

    if (!wb.priorTable.AllUniformUnbounded() &&
        d.MessageBox("What about Bayesian priors?", "Save Bayesian priors?", Buttons::YesNo, Icon::Question) ==
            Answer::Yes) {
        const bool saved = savePriors ? savePriors() : WritePriorsFile(wb, PriorsWriter::Exit);
        if (!saved) return false;
    }

    wb.runLog.Close();
    wb.ports.status.Set(panels::PriorsFile, "Bayesian priors file: ");
    return true;
}

}  // namespace corvane
