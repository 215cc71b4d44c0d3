#include "engine/ModelSummary.h"

#include "engine/modCorvane.h"

namespace corvane {

void ModelSummaryCommand(Workbench& wb) {
    wb.Status(1, "One moment please while one function call is executed...");
    wb.ports.dialogs.ProcessEvents();
    ExpandFuses(wb.alg.value, wb.alg, wb.engine);
    ObjectiveAt(wb, wb.alg.value, nf::Once);
    wb.Status(1, "");
    double f = 0.0;
    std::int32_t code = nf::Summary;
    wb.model->MODEL(f, wb.alg.value, wb.alg.step, wb.alg.description, wb.alg.fuse, wb.alg.np, code, wb.dataCount,
                    wb.modelFirstDerivatives, wb.modelSecondDerivatives, wb.modelOwnValue);
}

}  // namespace corvane
