#include "engine/BatchObjective.h"

#include "engine/modCorvane.h"

namespace corvane {

void EvaluateBatch(Workbench& wb, std::vector<Vec1<double>>& vectors, std::vector<double>& values) {
    values.resize(vectors.size());
    for (std::size_t j = 0; j < vectors.size(); ++j) values[j] = ObjectiveAt(wb, vectors[j], nf::Once);
}

}  // namespace corvane
