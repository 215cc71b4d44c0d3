#pragma once
// The prior table: one row per model parameter, and the prior -ln[L] of a
// complete parameter vector that the engine adds to every objective value
// while priors are in use.
#include <string>

#include "numeric/OneBased.h"

namespace corvane {

inline constexpr double kUnsetPriorValue = 1e-100;

struct PriorRow {
    char type = 'U';
    double firstMean = kUnsetPriorValue;
    double firstSD = kUnsetPriorValue;
    std::string secondMean = "Unused";  // kept as entered; a numeric text is used as its number
    std::string secondSD = "Unused";
};

// The engine's view of the priors: one call per evaluated vector.
class PriorSource {
public:
    virtual ~PriorSource() = default;
    // Prior total of a full, fuse-expanded parameter vector, in objective units.
    virtual double PriorNegLnL(const Vec1<double>& values) = 0;
};

class PriorTable : public PriorSource {
public:
    // Every row uniform-unbounded, as after model initialisation.
    void Reset(int parameters);
    int Size() const { return rows.size(); }
    bool AllUniformUnbounded() const;

    double PriorNegLnL(const Vec1<double>& values) override;

    Vec1<PriorRow> rows;
    Vec1<double> perParameter;      // unscaled prior -ln[L] of the last vector
    double total = 0.0;             // scaled total of the last call
    double reciprocalConstant = 1.0;  // 1/c of the covariance constant
};

// The unscaled prior -ln[L] of one value under one row.
double PriorValue(const PriorRow& row, double x);

}  // namespace corvane
