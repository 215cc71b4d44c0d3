#include "support/TestModels.h"

#include <cmath>
#include <numbers>

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

FunctionModel::Derivatives QuadraticDerivatives(std::vector<double> centre, std::vector<double> weights) {
    if (weights.empty()) weights.assign(centre.size(), 1.0);
    return [centre, weights](const Vec1<double>& x, Vec1<double>& g, Mat1<double>& h) {
        for (std::size_t i = 0; i < centre.size(); ++i) {
            const int k = static_cast<int>(i) + 1;
            g[k] = 2.0 * weights[i] * (x[k] - centre[i]);
            h(k, k) = 2.0 * weights[i];
        }
    };
}

FunctionModel::Derivatives RosenbrockDerivatives() {
    return [](const Vec1<double>& x, Vec1<double>& g, Mat1<double>& h) {
        const double b = x[2] - x[1] * x[1];
        g[1] = -2.0 * (1.0 - x[1]) - 400.0 * x[1] * b;
        g[2] = 200.0 * b;
        h(1, 1) = 2.0 - 400.0 * b + 800.0 * x[1] * x[1];
        h(1, 2) = h(2, 1) = -400.0 * x[1];
        h(2, 2) = 200.0;
    };
}

double GaussianSample::Mean() const {
    double s = 0.0;
    for (double v : y) s += v;
    return s / static_cast<double>(y.size());
}

double GaussianSample::SD() const {
    const double m = Mean();
    double s = 0.0;
    for (double v : y) s += (v - m) * (v - m);
    return std::sqrt(s / static_cast<double>(y.size()));
}

double GaussianSample::MinimumNegLnL() const {
    const double n = static_cast<double>(y.size());
    return n * std::log(SD()) + 0.5 * n + 0.5 * n * std::log(2.0 * std::numbers::pi);
}

FunctionModel::Function GaussianSample::NegLnL() const {
    return [data = y](const Vec1<double>& x) {
        const double mu = x[1];
        const double sd = std::fabs(x[2]);
        const double n = static_cast<double>(data.size());
        double ss = 0.0;
        for (double v : data) ss += (v - mu) * (v - mu);
        return n * std::log(sd) + ss / (2.0 * sd * sd) + 0.5 * n * std::log(2.0 * std::numbers::pi);
    };
}

FunctionModel::Derivatives GaussianSample::Derivatives() const {
    return [data = y](const Vec1<double>& x, Vec1<double>& g, Mat1<double>& h) {
        const double mu = x[1];
        const double sd = std::fabs(x[2]);
        const double n = static_cast<double>(data.size());
        double s1 = 0.0, s2 = 0.0;
        for (double v : data) {
            s1 += v - mu;
            s2 += (v - mu) * (v - mu);
        }
        g[1] = -s1 / (sd * sd);
        g[2] = n / sd - s2 / (sd * sd * sd);
        h(1, 1) = n / (sd * sd);
        h(1, 2) = h(2, 1) = 2.0 * s1 / (sd * sd * sd);
        h(2, 2) = -n / (sd * sd) + 3.0 * s2 / (sd * sd * sd * sd);
    };
}

}  // namespace corvane::testing
