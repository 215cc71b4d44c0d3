#include "priors/PriorTable.h"

#include <cmath>

#include "numeric/FixedColumns.h"
#include "numeric/NormalProb.h"

namespace corvane {

namespace {

constexpr double W = 1e20;

// Left wall at foot f with SD s at the foot.
double LeftCliff(double x, double f, double s) {
    if (s == 0.0) return x < f ? (x - f) * (x - f) * W : 0.0;
    const double p = NormalCdf((x - f) / s);
    if (p > 0.0) return -std::log(p);
    return ((x - f) / s) * ((x - f) / s) * W;
}

double SecondTerm(const std::string& text) { return LeadingNumber(text); }

}  // namespace

void PriorTable::Reset(int parameters) {
    rows.resize(parameters);
    perParameter.resize(parameters, 0.0);
    total = 0.0;
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
            return 0.5 * ((x - m) / s) * ((x - m) / s);
        case 'E':
            if (x <= 0.0) return x * x * W;
            return x / m;
        case 'G': {
            if (x < 1e-6) return (x - 1e-6) * (x - 1e-6) * W;
            const double k = (m / s) * (m / s);
            const double theta = std::fabs(s * s / m);
            const double mode = (k - 1.0) * theta;
            return (x / theta + (1.0 - k) * std::log(x)) - (mode / theta + (1.0 - k) * std::log(mode));
        }
        case 'L': {
            if (x < 1e-6) return (x - 1e-6) * (x - 1e-6) * W;
            const double sigma = std::sqrt(std::log(s * s + m * m) - 2.0 * std::log(m));
            const double mu = std::log(m) - sigma * sigma / 2.0;
            const double mode = std::exp(mu - sigma * sigma);
            const double zx = (std::log(x) - mu) / sigma;
            const double zm = (std::log(mode) - mu) / sigma;
            return (std::log(x) + 0.5 * zx * zx) - (std::log(mode) + 0.5 * zm * zm);
        }
        case 'B': {
            if (x < 1e-6) return (x - 1e-6) * (x - 1e-6) * W;
            if (x > 0.999999) return (x - 0.999999) * (x - 0.999999) * W;
            const double common = ((m - m * m) - s * s) / (s * s);
            const double a = m * common;
            const double b = (1.0 - m) * common;
            double mode = (1.0 - a) / (2.0 - a - b);
            if (mode < 1e-6) mode = 1e-6;
            if (mode > 0.999999) mode = 0.999999;
            return ((1.0 - a) * std::log(x) + (1.0 - b) * std::log(1.0 - x)) -
                   ((1.0 - a) * std::log(mode) + (1.0 - b) * std::log(1.0 - mode));
        }
        case 'S':
            return LeftCliff(x, m, s);
        case 'D': {
            if (s == 0.0) return x > m ? (x - m) * (x - m) * W : 0.0;
            const double p = NormalCdf((x - m) / s);
            if (1.0 - p > 0.0) return -std::log(1.0 - p);
            return ((x - m) / s) * ((x - m) / s) * W;
        }
        case 'T': {
            double v = LeftCliff(x, m, s);
            const double fr = SecondTerm(row.secondMean);
            const double sr = SecondTerm(row.secondSD);
            if (sr == 0.0) {
                if (x > fr) v = (x - fr) * (x - fr) * W;
            } else {
                const double p = NormalCdf((x - fr) / sr);
                if (1.0 - p > 0.0)
                    v -= std::log(1.0 - p);
                else
                    v += ((x - fr) / sr) * ((x - fr) / sr) * W;
            }
            return v;
        }
        default:
            return 0.0;  // U and any unknown code contribute nothing
    }
}

double PriorTable::PriorNegLnL(const Vec1<double>& values) {
    if (perParameter.size() != rows.size()) perParameter.resize(rows.size(), 0.0);
    double sum = 0.0;
    const int n = rows.size() < values.size() ? rows.size() : values.size();
    for (int i = 1; i <= rows.size(); ++i) perParameter[i] = 0.0;
    for (int i = 1; i <= n; ++i) {
        const double v = rows[i].type == 'U' ? 0.0 : PriorValue(rows[i], values[i]);
        perParameter[i] = v;
        sum += v;
    }
    total = reciprocalConstant * sum;
    return total;
}

}  // namespace corvane
