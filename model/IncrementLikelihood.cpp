#include "model/IncrementLikelihood.h"

#include <algorithm>
#include <cmath>

#include "engine/ProgressThrottle.h"
#include "numeric/Format.h"
#include "numeric/NormalProb.h"
#include "numeric/modGamma.h"

namespace corvane {

namespace {

const double kPi = 4.0 * std::atan(1.0);
constexpr double kUnusable = 1e-6;   // smallest variance, and the stand-in for an unusable value
constexpr double kVanishing = 1e-20; // stands in for an integral of 0
constexpr double kPenalty = 1e20;
constexpr double kProbabilityCap = 0.999999;
constexpr int kPanels = 100;
constexpr double kSelectivityPanels = 2000;  // at most, in the selectivity integral

double Angle(double day, double dayOfMaximum) { return 2.0 * kPi * (day - dayOfMaximum) / 365.0; }

// Simpson's rule over kPanels equal panels, each on its ends and midpoint.
template <class F>
double Simpson(double lower, double upper, F f) {
    const double h = (upper - lower) / kPanels;
    double sum = 0.0;
    double left = f(lower);
    for (int j = 0; j < kPanels; ++j) {
        const double x0 = lower + j * h;
        const double right = f(lower + (j + 1) * h);
        sum += h / 6.0 * (left + 4.0 * f(x0 + h / 2.0) + right);
        left = right;
    }
    return sum;
}

double RangePenalty(double upper) { return (0.01 * upper) * (0.01 * upper) * kPenalty; }

// Which density a fitted record used; selectivity integrates the same one.
enum class Case { GaussianWide = 1, GaussianTruncated = 2, GaussianPlain = 3, GammaPlain = 4, GammaMeasured = 5 };

}  // namespace

void IncrementWorkspace::Resize(int records) {
    if (elapsed.size() == records) return;
    elapsed.resize(records, 0.0);
    moments.resize(records, 2, 0.0);
    expected.resize(records, 0.0);
    variance.resize(records, 0.0);
    measurementVariance.resize(records, 0.0);
    negLnL.resize(records, 0.0);
    fate.resize(records, RecordFate::Fitted);
}

RecordGrowth GrowthOfRecord(const GrowthParameters& p, const IncrementRecord& r) {
    RecordGrowth g;
    g.t = p.t0 == kNotUsed ? (r.end - r.start) / 365.0 : r.end - (r.start + p.t0);
    g.ck = p.ampK * (std::sin(Angle(r.end, p.dayK)) - std::sin(Angle(r.start, p.dayK)));
    g.cL = p.ampL * (std::sin(Angle(r.end, p.dayL)) - std::sin(Angle(r.start, p.dayL)));
    g.S1 = std::exp(-g.ck);
    g.S2 = std::exp(-2.0 * g.ck);
    if (p.v == kSmallestVarianceK) {
        g.G1 = std::exp(-p.m * g.t);
        g.G2 = std::exp(-2.0 * p.m * g.t);
    } else {
        const double power = -p.m * p.m / p.v;
        g.G1 = std::pow(1.0 + g.t * p.v / p.m, power);
        g.G2 = std::pow(1.0 + 2.0 * g.t * p.v / p.m, power);
    }
    const double mean = p.mu + g.cL;
    g.M1 = mean;
    g.M2 = mean * mean + p.s2;
    const double z = (r.initial - mean) / std::sqrt(p.s2);
    if (z > -5.0) {
        g.P0 = PhiDiff(z, -10.0);
        PartialMoments(mean, p.s2, r.initial, g.M1, g.M2);
        if (g.P0 < kProbabilityCap) {
            g.M1 /= 1.0 - g.P0;
            g.M2 /= 1.0 - g.P0;
        } else {
            g.M1 = r.initial;
            g.M2 = r.initial * r.initial;
        }
    }
    return g;
}

void AnalyticMoments(const GrowthParameters& p, const IncrementRecord& r, const RecordGrowth& g, double& Ec,
                     double& Vc) {
    (void)p;
    const double L1 = r.initial;
    Ec = (1.0 - g.G1 * g.S1) * (g.M1 - L1);
    Vc = (g.G2 * g.S2 + 1.0 - 2.0 * g.S1 * g.G1) * (g.M2 - g.M1 * g.M1) +
         (g.G2 - g.G1 * g.G1) * g.S2 * (g.M1 - L1) * (g.M1 - L1);
}

double GridMoments(const GrowthParameters& p, const IncrementRecord& r, const RecordGrowth& g, double& Ec, double& Vc) {
    const double L1 = r.initial;
    auto abandon = [&]() {
        Ec = kUnusable;
        Vc = kUnusable;
        return 0.0;
    };
    const int nL = p.s2 <= kSmallestVarianceL ? 0 : 40;
    const double hL = nL > 0 ? std::sqrt(std::max(g.M2 - g.M1 * g.M1, 0.0)) / 5.0 : 0.0;
    double firstL = nL > 0 ? g.M1 - 20.0 * hL + hL / 2.0 : p.mu + g.cL;
    if (!(firstL > L1)) firstL = L1 + hL / 2.0;

    const int nk = p.v <= kSmallestVarianceK ? 0 : 40;
    const double hk = nk > 0 ? std::sqrt(p.v) / 5.0 : 0.0;
    const double kMean = p.m + g.ck;
    double firstK = kMean - 20.0 * hk + hk / 2.0;
    if (!(firstK > 0.0)) firstK = hk / 2.0;

    // The k weights do not depend on L-infinity.
    double kValue[41], kWeight[41];
    if (nk > 0 && !(kMean > 0.0)) return abandon();  // no gamma distribution with this mean
    const double shape = nk > 0 ? kMean * kMean / p.v : 0.0;
    const double scale = nk > 0 ? p.v / kMean : 0.0;
    const double lnNorm = nk > 0 ? shape * std::log(scale) + LnGamma(shape) : 0.0;
    for (int w = 0; w <= nk; ++w) {
        kValue[w] = firstK + w * hk;
        kWeight[w] = nk > 0 ? std::exp((shape - 1.0) * std::log(kValue[w]) - kValue[w] / scale - lnNorm) * hk : 1.0;
    }

    const double meanL = p.mu + g.cL;
    const double b = p.b;
    const double t = g.t;
    double sumW = 0.0, sum1 = 0.0, sum2 = 0.0;
    for (int u = 0; u <= nL; ++u) {
        const double L = firstL + u * hL;
        if (!(L > L1)) return abandon();
        const double wL = nL > 0 ? std::exp(-(L - meanL) * (L - meanL) / (2.0 * p.s2)) / std::sqrt(2.0 * kPi * p.s2) *
                                       hL / (1.0 - g.P0)
                                 : 1.0;
        for (int w = 0; w <= nk; ++w) {
            const double k = kValue[w];
            const double weight = kWeight[w] * wL;
            const double E = std::exp(-(k + b * L) * t);
            const double increment = (L - L1) * (k + b * L1) * (1.0 - E) / (k + b * L1 + b * (L - L1) * E);
            sumW += weight;
            sum1 += weight * increment;
            sum2 += weight * increment * increment;
        }
    }
    if (!(sumW > 0.0)) return abandon();
    Ec = sum1 / sumW;
    Vc = sum2 / sumW - Ec * Ec;
    return sumW;
}

void UnconditionalMoments(const GrowthParameters& p, const IncrementRecord& r, const RecordGrowth& g, double& Eu,
                          double& Vu) {
    const double L1 = r.initial;
    Eu = (p.mu + g.cL - L1) * (1.0 - g.G1 * g.S1);
    Vu = (g.G2 - g.G1 * g.G1) * g.S2 * (g.M1 - L1) * (g.M1 - L1) + (1.0 - 2.0 * g.S1 * g.G1 + g.G2 * g.S2) * p.s2;
    if (Vu < kUnusable) Vu = kUnusable;
}

double MeasurementVariance(const GrowthParameters& p, double L1, double Ec) {
    const double se = 0.01 * p.PercentSE();
    double Vm = (se * (Ec + L1)) * (se * (Ec + L1)) + (se * L1) * (se * L1);
    // Only a record of size 0 without expected growth gets none; it would divide 0 by 0.
    if (!(Vm > 0.0)) Vm = kUnusable;
    return Vm;
}

double TruncatedGaussianWithError(double p0, double y, double E, double V, double Vm) {
    p0 = std::min(p0, kProbabilityCap);
    const double upper = 9.0 * std::sqrt(V) + E;
    if (upper <= 0.0) return RangePenalty(upper);
    double sum = Simpson(0.0, upper, [&](double x) {
        return std::exp(-(y - x) * (y - x) / (2.0 * Vm) - (x - E) * (x - E) / (2.0 * V));
    });
    if (!(sum > 0.0)) sum = kVanishing;
    return std::log(1.0 - p0) + std::log(std::sqrt(Vm) * std::sqrt(V) * 2.0 * kPi) - std::log(sum);
}

double GammaWithError(double y, double Ec, double Vc, double Vm) {
    const double upper = 9.0 * std::sqrt(Vc) + Ec;
    if (upper <= 0.0) return RangePenalty(upper);
    const double a = Ec * Ec / Vc;
    const double c = Vc / Ec;
    const double N = a * std::log(c) + LnGamma(a);
    const double norm = std::sqrt(2.0 * kPi * Vm);
    double sum = Simpson(0.0001, upper, [&](double x) {
        return std::exp(-(y - x) * (y - x) / (2.0 * Vm)) / norm * std::exp((a - 1.0) * std::log(x) - x / c - N);
    });
    // A range narrower than its start (0.0001) gives a negative sum: nothing usable either.
    if (!(sum > 0.0)) sum = kVanishing;
    return -std::log(sum);
}

void PartialMoments(double mean, double variance, double L1, double& first, double& second) {
    const double upper = mean + 9.0 * std::sqrt(variance);
    const double h = (upper - L1) / kPanels;
    auto g = [&](double x) { return std::exp(-(x - mean) * (x - mean) / (2.0 * variance)); };
    double s1 = 0.0, s2 = 0.0;
    double left = g(L1);
    for (int j = 0; j < kPanels; ++j) {
        const double x0 = L1 + j * h;
        const double x1 = L1 + (j + 1) * h;
        const double xm = x0 + h / 2.0;
        const double right = g(x1);
        const double gm = g(xm);
        s1 += h / 6.0 * (x0 * left + 4.0 * xm * gm + x1 * right);
        s2 += h / 6.0 * (x0 * x0 * left + 4.0 * xm * xm * gm + x1 * x1 * right);
        left = right;
    }
    const double norm = std::sqrt(2.0 * kPi * variance);
    first = s1 / norm;
    second = s2 / norm;
}

namespace {

struct RecordState {
    Case density = Case::GaussianPlain;
    double y = 0.0, Eu = 0.0, Vu = 0.0, p0 = 0.0, Ec = 0.0, Vc = 0.0, Vm = 0.0;
    double Vt = 0.0;               // case 1
    double a = 0.0, c = 0.0, N = 0.0;  // gamma
};

// The negative logarithm of the record's density at x, as the selectivity
// integral uses it.  The Gaussian densities carry their 1/sqrt(2 pi) here, so
// that every case integrates to 1.
double NegLogDensity(const RecordState& s, double x) {
    switch (s.density) {
        case Case::GaussianWide:
            return (x - s.Eu) * (x - s.Eu) / (2.0 * s.Vt) + std::log(std::sqrt(2.0 * kPi * s.Vt)) + std::log(1.0 - s.p0);
        case Case::GaussianTruncated: return TruncatedGaussianWithError(s.p0, x, s.Eu, s.Vu, s.Vm);
        case Case::GaussianPlain:
            return (x - s.Eu) * (x - s.Eu) / (2.0 * s.Vu) + std::log(std::sqrt(2.0 * kPi * s.Vu)) +
                   std::log(1.0 - std::min(s.p0, kProbabilityCap));
        case Case::GammaPlain: return -(s.a - 1.0) * std::log(x) + x / s.c + s.N;
        case Case::GammaMeasured: return GammaWithError(x, s.Ec, s.Vc, s.Vm);
    }
    return 0.0;
}

// Integral of selectivity times the record's density.
double SelectivityIntegral(const RecordState& s, const GrowthParameters& p, const RecordGrowth& g, double SDp,
                           double Ssel) {
    const double mean = p.saaMean;
    auto selectivity = [&](double x) { return PhiDiff((x - mean) / Ssel, -10.0); };
    auto f = [&](double x) { return std::exp(-NegLogDensity(s, x)) * selectivity(x); };
    const double upper = p.mu + g.cL + 5.0 * std::sqrt(p.s2);
    // A narrow distribution far up a wide range would take billions of
    // panels; beyond kSelectivityPanels the panels widen instead.
    const double least = (upper - 0.001) / kSelectivityPanels;
    const double narrow = std::max(std::min(SDp, Ssel) / 5.0, least);
    const double wide = std::max(SDp / 5.0, least);
    double x = 0.001;
    double integral = 0.0;
    bool haveLeft = false;
    double left = 0.0;
    while (x < upper) {
        const double h = x > mean + 5.0 * Ssel ? wide : narrow;
        if ((x - mean) / Ssel <= -5.0) {
            // Panels where selectivity is nil are skipped; jump over them at
            // once, or a curve far up the size axis would take forever.
            const double steps = std::floor((mean - 5.0 * Ssel - x) / h);
            x += steps >= 1.0 ? steps * h : h;
            haveLeft = false;
            continue;
        }
        if (!haveLeft) left = f(x);
        const double right = f(x + h);
        integral += h / 6.0 * (left + 4.0 * f(x + h / 2.0) + right);
        left = right;
        haveLeft = true;
        x += h;
        if (integral >= kProbabilityCap) break;
    }
    return integral;
}

// The grid of a record under b > 0 gives the previous record's moments only
// when nothing it depends on differs: the initial size, the elapsed time
// (checked by the caller) and, unless both annual cycles are off, the days
// that place the record in the cycles.
bool SameGrid(const GrowthParameters& p, const IncrementRecord& r, const IncrementRecord& previous) {
    if (r.initial != previous.initial) return false;
    if (p.ampK == 0.0 && p.ampL == 0.0) return true;
    return r.start == previous.start && r.end == previous.end;
}

}  // namespace

double IncrementNegLnL(const IncrementData& data, const GrowthParameters& p, IncrementWorkspace& ws,
                       WarningLog& warnings, ProgressThrottle* progress) {
    const int n = data.records;
    ws.Resize(n);
    double total = 0.0;
    const bool measured = p.q2 > 0.0;
    for (int i = 1; i <= n; ++i) {
        if (progress) progress->Breathe();
        const IncrementRecord& r = data.record[i];
        const RecordGrowth g = GrowthOfRecord(p, r);
        ws.elapsed[i] = g.t;
        ws.moments(i, 1) = g.M1;
        ws.moments(i, 2) = g.M2;

        double Ec = 0.0, Vc = 0.0;
        if (p.b == 0.0) {
            AnalyticMoments(p, r, g, Ec, Vc);
        } else if (i > 1 && SameGrid(p, r, data.record[i - 1]) && g.t == ws.elapsed[i - 1]) {
            Ec = ws.expected[i - 1];
            Vc = ws.variance[i - 1];
        } else {
            const double sum = GridMoments(p, r, g, Ec, Vc);
            if (sum != 0.0 && (sum < 0.999 || sum > 1.001))
                warnings.Add("Warning: Cumulative probability outside the range 0.999 to 1.001 @" +
                             RightJustify(Format(sum, "0.000"), 6) + " for increment record " + NumberText(i) + CRLF +
                             "The most likely reason for this is a poor choice for one or more parameter values." +
                             CRLF);
        }
        ws.expected[i] = Ec;
        ws.variance[i] = Vc;

        RecordState s;
        s.y = r.increment;
        s.Ec = Ec;
        s.Vc = Vc;
        s.Vm = measured ? MeasurementVariance(p, r.initial, Ec) : 0.0;
        ws.measurementVariance[i] = s.Vm;

        double nll = 0.0;
        RecordFate fate = RecordFate::Fitted;
        double sdp2 = 0.0;  // variance of the predicted distribution, for selectivity
        if (!measured && s.y <= 0.0) {
            warnings.Add("Warning regarding data input: increment #" + NumberText(i) +
                         " <= 0 and measurement error is zero; record ignored" + CRLF);
            fate = RecordFate::Skipped;
        } else if (p.errors == 'N') {
            UnconditionalMoments(p, r, g, s.Eu, s.Vu);
            const double z0 = -s.Eu / std::sqrt(s.Vu);
            s.p0 = z0 > -5.0 ? PhiDiff(z0, -10.0) : 0.0;
            if (!measured) {
                s.density = Case::GaussianPlain;
                // Capped as with measurement error: a true increment almost surely negative
                // would otherwise give ln(0).
                nll = (s.y - s.Eu) * (s.y - s.Eu) / (2.0 * s.Vu) + std::log(std::sqrt(2.0 * kPi * s.Vu)) +
                      std::log(1.0 - std::min(s.p0, kProbabilityCap));
                sdp2 = Vc;
            } else if (z0 > -5.0) {
                s.density = Case::GaussianTruncated;
                nll = TruncatedGaussianWithError(s.p0, s.y, s.Eu, s.Vu, s.Vm);
                sdp2 = Vc + s.Vm;
            } else {
                s.density = Case::GaussianWide;
                s.Vt = s.Vu + s.Vm;
                nll = (s.y - s.Eu) * (s.y - s.Eu) / (2.0 * s.Vt) + std::log(std::sqrt(2.0 * kPi * s.Vt)) +
                      std::log(1.0 - s.p0);
                sdp2 = s.Vt;
            }
        } else if (Ec > 0.0 && Vc > 0.0) {
            s.a = Ec * Ec / Vc;
            s.c = Vc / Ec;
            s.N = s.a * std::log(s.c) + LnGamma(s.a);
            if (!measured) {
                s.density = Case::GammaPlain;
                nll = -(s.a - 1.0) * std::log(s.y) + s.y / s.c + s.N;
                sdp2 = Vc;
            } else {
                s.density = Case::GammaMeasured;
                nll = GammaWithError(s.y, Ec, Vc, s.Vm);
                sdp2 = Vc + s.Vm;
            }
        } else {
            // No gamma distribution has a mean or variance of 0 or less (an
            // initial size at or beyond L-infinity): penalise by how far they fall
            // below the smallest usable value.
            const double excess = (Ec > 0.0 ? 0.0 : kUnusable - Ec) + (Vc > 0.0 ? 0.0 : kUnusable - Vc);
            nll = excess * excess * kPenalty;
            fate = RecordFate::Penalised;
        }

        if (fate == RecordFate::Fitted && p.SizeAtAgeSelectivity()) {
            // Degenerate spreads are floored at the smallest variance, so the
            // integration steps stay positive.
            const double SDp = std::sqrt(std::max(sdp2, kUnusable));
            const double Ssel = std::sqrt(std::max(p.saaSD * p.saaSD, kUnusable));
            if (Ec - 5.0 * SDp < p.saaMean + 5.0 * Ssel) {
                const double sy = std::clamp(PhiDiff((s.y - p.saaMean) / Ssel, -10.0), 1e-6, kProbabilityCap);
                const double integral = std::clamp(SelectivityIntegral(s, p, g, SDp, Ssel), 1e-6, kProbabilityCap);
                nll = nll - std::log(sy) + std::log(integral);
            }
        }
        if (!std::isfinite(nll)) {
            // Whatever could not be computed (an elapsed time for which the growth
            // factors diverge, say) must not make the objective infinite.
            nll = kPenalty;
            fate = RecordFate::Penalised;
        }
        ws.negLnL[i] = nll;
        ws.fate[i] = fate;
        total += nll;
    }
    return total;
}

}  // namespace corvane
