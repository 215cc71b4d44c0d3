#include "support/TestModels.h"

namespace corvane::testing {

FunctionModel::FunctionModel(int np, Function f, std::string title) : np_(np), f_(std::move(f)), title_(std::move(title)) {}

void FunctionModel::MODEL(double& F, Vec1<double>& X, Vec1<double>& step, Vec1<std::string>& description,
                          Vec1<std::string>& fuse, int& NP, std::int32_t& NF, std::int32_t&, Vec1<double>& dF,
                          Mat1<double>& d2F, double&) {
    calls.push_back(NF);
    if (NF == 0) {
        NP = np_;
        X.resize(np_, 0.0);
        step.resize(np_, 0.0);
        fuse.resize(np_, "~~");
        description.resize(np_);
        for (int i = 1; i <= np_; ++i) description[i] = "Test parameter " + std::to_string(i);
        return;
    }
    if (NF == -2) {
        if (derivatives) {
            dF.resize(np_, 0.0);
            d2F.resize(np_, np_, 0.0);
            derivatives(X, dF, d2F);
        }
        return;
    }
    if (NF < 0) return;
    if (recordVectors) evaluated.push_back(X);
    F = f_(X);
}

FunctionModel::Function Quadratic(std::vector<double> centre, std::vector<double> weights) {
    if (weights.empty()) weights.assign(centre.size(), 1.0);
    return [centre, weights](const Vec1<double>& x) {
        double s = 0.0;
        for (std::size_t i = 0; i < centre.size(); ++i) {
            const double d = x[static_cast<int>(i) + 1] - centre[i];
            s += weights[i] * d * d;
        }
        return s;
    };
}

FunctionModel::Function Rosenbrock() {
    return [](const Vec1<double>& x) {
        const double a = 1.0 - x[1];
        const double b = x[2] - x[1] * x[1];
        return a * a + 100.0 * b * b;
    };
}

}  // namespace corvane::testing
