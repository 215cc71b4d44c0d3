#pragma once
// The one seam between the engine and a model.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "numeric/OneBased.h"

namespace corvane {

class ProgressThrottle;

// Call codes the engine passes as NF.
namespace nf {
inline constexpr std::int32_t Initialise = 0;
inline constexpr std::int32_t Once = 1;        // one evaluation outside a counted run
inline constexpr std::int32_t Summary = -1;
inline constexpr std::int32_t Derivatives = -2;
}  // namespace nf

class Model {
public:
    virtual ~Model() = default;

    // The eleven-argument routine, all by reference:
    //  F           out: objective value
    //  X           in/out: full parameter vector (the model may rewrite entries)
    //  step        step sizes of the algorithm data
    //  description parameter descriptions (written at NF = 0)
    //  fuse        fuse codes
    //  NP          number of parameters (written at NF = 0)
    //  NF          call code
    //  dataCount   a data count the model may set (0 when it does not)
    //  dF, d2F     first and second derivatives, filled when NF = -2
    //  own         a value of the model's own; the growth model reports its
    //              sample size here
    virtual void MODEL(double& F, Vec1<double>& X, Vec1<double>& step, Vec1<std::string>& description,
                       Vec1<std::string>& fuse, int& NP, std::int32_t& NF, std::int32_t& dataCount,
                       Vec1<double>& dF, Mat1<double>& d2F, double& own) = 0;

    // True when MODEL fills dF and d2F at NF = -2.  A model without them is
    // never offered analytical derivatives (Marquardt, covariances).
    virtual bool SuppliesAnalyticalDerivatives() const { return false; }
    // Display name shown in the command menu.
    virtual std::string Title() const = 0;
    // The covariance constant c the model suggests (-ln[L] = c x objective).
    virtual double SuggestedCovarianceConstant() const { return 1.0; }
    // Short name of the model's data file, offered as a file-name filter.
    virtual std::string DataFileShortName() const { return ""; }
    // True when the last NF = 0 call abandoned the initialisation (the model
    // then keeps its previous settings and data, and NP is unchanged).
    virtual bool InitialisationFailed() const { return false; }
    // How many threads one evaluation may share its work among (1: all on
    // the calling thread).  The objective must not depend on it.
    virtual void SetThreads(int /*threads*/) {}
    // A copy that evaluates the objective (NF = 1) of the same data and
    // settings on a thread of its own, beside other copies: it talks to no
    // dialogue and leaves this model untouched.  Null when the model cannot
    // make one; independent points are then evaluated one after another.
    virtual std::unique_ptr<Model> Replica() const { return nullptr; }
    // Why the last evaluation gave no finite objective (a parameter it
    // cannot take, say), or nullopt when it gave one.
    virtual std::optional<std::string> ObjectiveProblem() const { return std::nullopt; }
    // The engine's throttle through which a long evaluation lets the user
    // interface breathe (engine/ProgressThrottle.h); given by the Workbench,
    // null without one.  A model that evaluates quickly may ignore it.
    virtual void SetProgress(ProgressThrottle* /*progress*/) {}
    // The value of a parameter as the objective uses it (a model that takes
    // a parameter as its absolute value says so here); results that compare
    // or combine estimates read values through it.
    virtual double ValueAsUsed(int /*parameter*/, double value) const { return value; }
    // The data and set-up the objective is computed from, as one line (the
    // data files and every set-up choice): two evaluations with different
    // lines are of different data.  Empty when the model cannot say.
    virtual std::string DataIdentity() const { return {}; }
};

}  // namespace corvane
