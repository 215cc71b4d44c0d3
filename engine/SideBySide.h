#pragma once
// Objectives of independent parameter vectors (covariance grid points,
// posterior nodes, profile points) evaluated side by side.  The model is not
// thread-safe, so each helper thread evaluates on a copy of its own
// (Model::Replica); the prior is added on the calling thread in vector order;
// and the workbench's own model evaluates the last vector, on the calling
// thread.  Values, the prior table and the model are thus left exactly as one
// ObjectiveAt(wb, vector, nf::Once) after another would leave them.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "numeric/OneBased.h"

namespace corvane {

class Model;
class Workbench;

class SideBySide {
public:
    // Threads from the workbench's setting (every core by default); one when
    // the model cannot make copies of itself.
    explicit SideBySide(Workbench& wb);
    ~SideBySide();
    SideBySide(const SideBySide&) = delete;
    SideBySide& operator=(const SideBySide&) = delete;

    int Threads() const { return threads_; }

    // The objective (MODEL with NF = 1, the prior added while priors are in
    // use) of each vector, fuses already expanded.  MODEL may rewrite the
    // vectors, as ObjectiveAt lets it.
    std::vector<double> Objectives(std::vector<Vec1<double>>& vectors);

private:
    // A copy of the model and the arrays MODEL writes besides F.
    struct Copy {
        std::unique_ptr<Model> model;
        Vec1<double> step;
        Vec1<std::string> description;
        Vec1<std::string> fuse;
        int np = 0;
        std::int32_t dataCount = 0;
        Vec1<double> dF;
        Mat1<double> d2F;
        double own = 0.0;
    };
    double OnCopy(Copy& copy, Vec1<double>& x);
    double OnModel(Vec1<double>& x);

    Workbench& wb_;
    int threads_ = 1;
    std::vector<Copy> copies_;  // one per thread slot
};

}  // namespace corvane
