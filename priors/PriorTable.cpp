#include "priors/PriorTable.h"

#include <cmath>

#include "numeric/FixedColumns.h"
#include "numeric/NormalProb.h"

namespace corvane {

namespace {

constexpr double W = 1e20;            // weight of the out-of-support penalties
constexpr double kLowest = 1e-6;      // support floor of the gamma, ln-normal and beta
constexpr double kHighest = 0.999999;  // support ceiling of the beta

double Square(double v) { return v * v; }

// Left side of a cliff at foot f with SD s at the foot.  A negative SD (only
// a file could hold one) has neither the wall nor the smooth side.
double LeftSide(double x, double f, double s) {
    if (s == 0.0) return x < f ? Square(x - f) * W : 0.0;
    if (s < 0.0) return 0.0;
    const double p = NormalCdf((x - f) / s);
    if (p > 0.0) return -std::log(p);
    return Square((x - f) / s) * W;  // the probability underflowed
}

// Right side of a cliff: the mirror of the left side.  The upper tail is
// computed directly; 1 - NormalCdf lost all precision past a few SD and hit 0
// (and the penalty) near 8.3 SD, where the left side still runs smoothly.
double RightSide(double x, double f, double s) {
    if (s == 0.0) return x > f ? Square(x - f) * W : 0.0;
    if (s < 0.0) return 0.0;
    const double q = NormalUpperTail((x - f) / s);
    if (q > 0.0) return -std::log(q);
    return Square((x - f) / s) * W;  // the probability underflowed
}

double SecondTerm(const std::string& text) { return LeadingNumber(text); }

// Below the support floor the penalty is added to the value at the floor:
// the penalty alone is next to nothing just below it, so a value there read
// as far more likely than the floor itself (often than the whole support).
double BelowFloor(const PriorRow& row, double x) { return PriorValue(row, kLowest) + Square(x - kLowest) * W; }

}  // namespace

std::string PriorTypeName(char code) {
    static const char* const names[] = {"Uniform - unbounded", "Uniform - bounded", "Gaussian or Normal",
                                        "Exponential",         "Gamma",             "Beta",
                                        "Left-side cliff",     "Right-side cliff",  "Ln-normal"};
    for (int k = 0; kPriorTypeCodes[k] != '\0'; ++k)
        if (kPriorTypeCodes[k] == code) return names[k];
    return "";
}

BetaShape BetaShapeOf(double m, double s) {
    const double q = (m - m * m) - s * s;
    return BetaShape{m * q / (s * s), (1.0 - m) * q / (s * s)};
}

std::optional<std::string> PriorRowProblem(const PriorRow& row) {
    const double m = row.firstMean;
    const double s = row.firstSD;
    switch (row.type) {
        case 'N':
            if (s == 0.0) return "a Gaussian prior needs an SD other than 0";
            break;
        case 'E':
            if (!(m > 0.0)) return "an exponential prior needs a mean above 0";
            break;
        case 'G':
            // Below SD < mean the gamma density has no mode inside its support.
            if (m == 0.0 || s == 0.0 || !(std::fabs(s) < std::fabs(m)))
                return "a gamma prior needs an SD above 0 and below the mean";
            {
                // Shape, scale and mode must stay numbers for the density to be computed.
                const double k = Square(m / s);
                const double theta = std::fabs(s * s / m);
                const double mode = (k - 1.0) * theta;
                if (!(std::isfinite(k) && theta > 0.0 && std::isfinite(theta) && mode > 0.0 && std::isfinite(mode)))
                    return "a gamma prior's SD is too small or too large beside its mean to be computed";
            }
            break;
        case 'L':
            if (!(m > 0.0) || s == 0.0) return "an ln-normal prior needs a mean above 0 and an SD other than 0";
            if (!(std::log1p(Square(s / m)) > 0.0)) return "an ln-normal prior's SD is too small beside its mean";
            {
                const double sigma2 = std::log1p(Square(s / m));
                const double mode = std::exp(std::log(m) - 1.5 * sigma2);
                if (!(mode > 0.0 && std::isfinite(mode)))
                    return "an ln-normal prior's SD is too large beside its mean: its mode cannot be computed";
            }
            break;
        case 'B': {
            if (!(m > 0.0 && m < 1.0) || s == 0.0)
                return "a beta prior needs a mean between 0 and 1 and an SD other than 0";
            const BetaShape shape = BetaShapeOf(m, s);
            if (!(shape.a > 0.0 && shape.b > 0.0)) return "a beta prior's SD is too large for its mean (a or b <= 0)";
            if (!(std::isfinite(shape.a) && std::isfinite(shape.b)))
                return "a beta prior's SD is too small beside its mean to be computed";
            break;
        }
        case 'S':
        case 'D':
            if (s < 0.0) return "the SD at a cliff's foot must not be negative";
            break;
        case 'T': {
            if (s < 0.0) return "the SD at the left foot must not be negative";
            const auto right = StrictNumber(row.secondMean);
            const auto rightSD = StrictNumber(row.secondSD);
            if (!right || !rightSD) return "a uniform-bounded prior needs numbers for its right foot and SD";
            if (*rightSD < 0.0) return "the SD at the right foot must not be negative";
            if (!(*right > m)) return "the right foot must exceed the left foot";
            break;
        }
        default:
            break;
    }
    return std::nullopt;
}

void PriorTable::Reset(int parameters) {
    rows.resize(parameters);
    perParameter.resize(parameters, 0.0);
    total = 0.0;
    fileName.clear();
}

void PriorTable::ResetRows() {
    for (int i = 1; i <= rows.size(); ++i) rows[i] = PriorRow{};
}

bool PriorTable::AllUniformUnbounded() const {
    for (int i = 1; i <= rows.size(); ++i)
        if (rows[i].type != 'U') return false;
    return true;
}

double PriorValue(const PriorRow& row, double x) {
    const double m = row.firstMean;
    const double s = row.firstSD;
    switch (row.type) {
        case 'N':
            return 0.5 * Square((x - m) / s);
        case 'E':
            if (x <= 0.0) return Square(x) * W;
            return x / m;  // the mode is at 0
        case 'G': {
            if (x < kLowest) return BelowFloor(row, x);
            const double k = Square(m / s);
            const double theta = std::fabs(s * s / m);
            const double mode = (k - 1.0) * theta;
            return (x / theta + (1.0 - k) * std::log(x)) - (mode / theta + (1.0 - k) * std::log(mode));
        }
        case 'L': {
            if (x < kLowest) return BelowFloor(row, x);
            // ln(s^2 + m^2) - 2 ln(m), taken as ln(1 + (s/m)^2): the
            // difference of two large logarithms went negative (NaN) when
            // the SD was tiny beside the mean.
            const double sigma = std::sqrt(std::log1p(Square(s / m)));
            const double mu = std::log(m) - sigma * sigma / 2.0;
            const double mode = std::exp(mu - sigma * sigma);
            return (std::log(x) + 0.5 * Square((std::log(x) - mu) / sigma)) -
                   (std::log(mode) + 0.5 * Square((std::log(mode) - mu) / sigma));
        }
        case 'B': {
            if (x < kLowest) return BelowFloor(row, x);
            if (x > kHighest) return PriorValue(row, kHighest) + Square(x - kHighest) * W;
            const BetaShape shape = BetaShapeOf(m, s);
            const double a = shape.a;
            const double b = shape.b;
            double mode = (1.0 - a) / (2.0 - a - b);
            if (mode < kLowest) mode = kLowest;
            if (mode > kHighest) mode = kHighest;
            return ((1.0 - a) * std::log(x) + (1.0 - b) * std::log(1.0 - x)) -
                   ((1.0 - a) * std::log(mode) + (1.0 - b) * std::log(1.0 - mode));
        }
        case 'S':
            return LeftSide(x, m, s);
        case 'D':
            return RightSide(x, m, s);
        case 'T': {
            double v = LeftSide(x, m, s);
            const double fr = SecondTerm(row.secondMean);
            const double sr = SecondTerm(row.secondSD);
            if (sr == 0.0) {
                if (x > fr) v = Square(x - fr) * W;  // the right wall replaces the left side's value
            } else if (sr > 0.0) {
                const double q = NormalUpperTail((x - fr) / sr);
                if (q > 0.0)
                    v -= std::log(q);
                else
                    v += Square((x - fr) / sr) * W;
            }
            return v;
        }
        default:
            return 0.0;  // U and any unknown code contribute nothing
    }
}

double PriorTable::PriorNegLnL(const Vec1<double>& values) {
    if (perParameter.size() != rows.size()) perParameter.resize(rows.size(), 0.0);
    const int n = rows.size() < values.size() ? rows.size() : values.size();
    double sum = 0.0;
    for (int i = 1; i <= rows.size(); ++i) {
        double v = 0.0;
        if (i <= n && rows[i].type != 'U') v = PriorValue(rows[i], values[i]);
        perParameter[i] = v;
        sum += v;
    }
    total = reciprocalConstant * sum;
    return total;
}

}  // namespace corvane
