#include "engine/BatchObjective.h"

#include "engine/SideBySide.h"
#include "engine/modCorvane.h"

namespace corvane {

void EvaluateBatch(Workbench& wb, std::vector<Vec1<double>>& vectors, std::vector<double>& values) {
    SideBySide side(wb);
    EvaluateBatch(side, vectors, values);
}

void EvaluateBatch(SideBySide& side, std::vector<Vec1<double>>& vectors, std::vector<double>& values) {
    values = side.Objectives(vectors);
}

}  // namespace corvane
