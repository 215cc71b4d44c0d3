#pragma once
// The prior table: one row per model parameter, and the prior -ln[L] of a
// complete parameter vector that the engine adds to every objective value
// while priors are in use.
#include <optional>
#include <string>

#include "numeric/OneBased.h"

namespace corvane {

// Stands for a term that was never entered: shown as "*", written as a number.
inline constexpr double kUnsetPriorValue = 1e-100;
// The second term of every type but the uniform-bounded.
inline constexpr const char* kUnusedTerm = "Unused";

inline bool IsUnset(double v) { return v == kUnsetPriorValue; }

struct PriorRow {
    char type = 'U';
    double firstMean = kUnsetPriorValue;
    double firstSD = kUnsetPriorValue;
    std::string secondMean = kUnusedTerm;  // kept as entered; a numeric text is used as its number
    std::string secondSD = kUnusedTerm;
};

// The nine type codes in the order their grid names are held (1..9).
inline constexpr const char* kPriorTypeCodes = "UTNEGBSDL";

// The grid name of a type code ("Gaussian or Normal"); empty for a code
// that is not one of the nine.
std::string PriorTypeName(char code);

// Why a row would give no sound prior -ln[L] (a division by zero, a density
// without a mode, a negative SD at a cliff foot); nullopt when it is sound.
// The entry dialogues never store such a row; the priors file reader
// refuses one.
std::optional<std::string> PriorRowProblem(const PriorRow& row);

// The engine's view of the priors: one call per evaluated vector.
class PriorSource {
public:
    virtual ~PriorSource() = default;
    // Prior total of a full, fuse-expanded parameter vector, in objective units.
    virtual double PriorNegLnL(const Vec1<double>& values) = 0;
};

class PriorTable : public PriorSource {
public:
    // Every row uniform-unbounded and no priors file, as after model
    // initialisation.
    void Reset(int parameters);
    // Every row uniform-unbounded; the size and the file name stay.
    void ResetRows();
    int Size() const { return rows.size(); }
    bool AllUniformUnbounded() const;

    // Sets every per-parameter value and the total; allocates nothing once
    // the table is sized.
    double PriorNegLnL(const Vec1<double>& values) override;

    Vec1<PriorRow> rows;
    Vec1<double> perParameter;        // unscaled prior -ln[L] of the last vector
    double total = 0.0;               // scaled total of the last call
    double reciprocalConstant = 1.0;  // 1/c of the covariance constant
    std::string fileName;             // full path of the priors file last loaded or saved
};

// The unscaled prior -ln[L] of one value under one row.
double PriorValue(const PriorRow& row, double x);

// The Beta prior's shape parameters from its mean and SD.
struct BetaShape {
    double a = 0.0;
    double b = 0.0;
};
BetaShape BetaShapeOf(double mean, double sd);

}  // namespace corvane
