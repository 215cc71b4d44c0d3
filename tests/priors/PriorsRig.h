#pragma once
// A workbench with a small test model for the priors tests, ready as after
// "&Load algorithm data" with default values.
#include "../model/GrowthTestSupport.h"
#include "support/TestModels.h"

namespace corvane::testing {

struct PriorsBench {
    explicit PriorsBench(int np, FunctionModel::Function f = Quadratic(std::vector<double>(16, 0.0)))
        : model(np, std::move(f)), wb(t.ports(), &model) {
        InitialiseModel(wb);
        SetDefaultAlgorithmData(wb.alg, np);
        wb.alg.fileName = "12071842.alg";
    }
    FunctionModel model;
    TestPorts t;
    Workbench wb;
};

}  // namespace corvane::testing
