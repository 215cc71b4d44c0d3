#pragma once
// Small models with known answers for testing the engine.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/Model.h"

namespace corvane::testing {

// A model whose objective is a given function of the full parameter vector.
class FunctionModel : public Model {
public:
    using Function = std::function<double(const Vec1<double>&)>;
    using Derivatives = std::function<void(const Vec1<double>&, Vec1<double>&, Mat1<double>&)>;
    FunctionModel(int np, Function f, std::string title = "Test model");

    void MODEL(double& F, Vec1<double>& X, Vec1<double>& step, Vec1<std::string>& description,
               Vec1<std::string>& fuse, int& NP, std::int32_t& NF, std::int32_t& dataCount, Vec1<double>& dF,
               Mat1<double>& d2F, double& own) override;
    std::string Title() const override { return title_; }
    double SuggestedCovarianceConstant() const override { return 0.5; }
    std::string DataFileShortName() const override { return "test.dat"; }
    bool SuppliesAnalyticalDerivatives() const override { return static_cast<bool>(derivatives); }

    // Optional analytical derivatives for NF = -2 (gradient, Hessian of the full vector).
    Derivatives derivatives;

    // Every NF code received, in order, and the vectors evaluated.
    std::vector<std::int32_t> calls;
    std::vector<Vec1<double>> evaluated;
    bool recordVectors = false;

private:
    int np_;
    Function f_;
    std::string title_;
};

// sum (x_i - c_i)^2 * w_i: minimum 0 at c.
FunctionModel::Function Quadratic(std::vector<double> centre, std::vector<double> weights = {});
FunctionModel::Derivatives QuadraticDerivatives(std::vector<double> centre, std::vector<double> weights = {});
// (1 - x1)^2 + 100 (x2 - x1^2)^2: minimum 0 at (1, 1).
FunctionModel::Function Rosenbrock();
FunctionModel::Derivatives RosenbrockDerivatives();

// -ln L of a normal sample with mean x1 and standard deviation |x2|; the
// minimum lies at the sample mean and the SD with divisor n.
struct GaussianSample {
    std::vector<double> y;
    double Mean() const;
    double SD() const;
    double MinimumNegLnL() const;
    FunctionModel::Function NegLnL() const;
    FunctionModel::Derivatives Derivatives() const;
};

}  // namespace corvane::testing
