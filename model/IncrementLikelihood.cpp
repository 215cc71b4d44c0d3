#include "model/IncrementLikelihood.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/Parallel.h"
#include "engine/ProgressThrottle.h"
#include "engine/Threads.h"
#include "model/GrowthKernels.h"
#include "numeric/Format.h"
#include "numeric/NormalProb.h"
#include "numeric/VectorMath.h"
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

constexpr int kNodes = 2 * kPanels + 1;
constexpr int kStored = PaddedCount(kNodes);

// Simpson's rule over kPanels equal panels, each on its ends and midpoint, as
// one flat sum over the 2 kPanels + 1 nodes: the integral is h / 6 times the
// sum of the weights 1, 4, 2, 4, ..., 2, 4, 1 times the integrand there.
struct SimpsonWeights {
    alignas(64) double w[kStored];
    constexpr SimpsonWeights() : w() {
        for (int k = 0; k < kStored; ++k)
            w[k] = k >= kNodes ? 0.0 : k == 0 || k == kNodes - 1 ? 1.0 : k % 2 == 1 ? 4.0 : 2.0;
    }
};
constexpr SimpsonWeights kSimpson;

struct SimpsonNodes {
    double h = 0.0;  // panel width
    alignas(64) double x[kStored];
    // Each panel's ends and midpoint where the panel-by-panel rule puts them;
    // the padding repeats the last node.
    SimpsonNodes(double lower, double upper) : h((upper - lower) / kPanels) {
        for (int j = 0; j <= kPanels; ++j) x[2 * j] = lower + j * h;
        for (int j = 0; j < kPanels; ++j) x[2 * j + 1] = x[2 * j] + h / 2.0;
        for (int k = kNodes; k < kStored; ++k) x[k] = x[kNodes - 1];
    }
};

double RangePenalty(double upper) { return (0.01 * upper) * (0.01 * upper) * kPenalty; }

// Rule A's integral (a truncated Gaussian true increment convolved with
// Gaussian measurement error) for any observed increment y of one record.
class TruncatedErrorIntegral {
public:
    TruncatedErrorIntegral(double p0, double E, double V, double Vm) : E_(E), V_(V), Vm_(Vm) {
        p0 = std::min(p0, kProbabilityCap);
        const double upper = 9.0 * std::sqrt(V) + E;
        if (upper <= 0.0) {
            penalty_ = RangePenalty(upper);
            return;
        }
        panels_ = {0.0, upper / kPanels, kPanels};
        front_ = std::log(1.0 - p0) + std::log(std::sqrt(Vm) * std::sqrt(V) * 2.0 * kPi);
        integrable_ = true;
    }

    // -ln of the density of y.
    double NegLog(double y) const {
        if (!integrable_) return penalty_;
        double sum = panels_.h / 6.0 * ConvolvedSum(panels_, y, Vm_, E_, V_);
        if (!(sum > 0.0)) sum = kVanishing;
        return front_ - std::log(sum);
    }

private:
    double E_, V_, Vm_;
    bool integrable_ = false;
    double penalty_ = 0.0;  // when the range is empty
    SimpsonPanels panels_;
    double front_ = 0.0;
};

// Rule B's integral (a gamma true increment convolved with Gaussian
// measurement error) for any observed increment y of one record.  The gamma
// density at each node does not depend on y; nodes where it vanishes add
// nothing and are left out.
class GammaErrorIntegral {
public:
    GammaErrorIntegral(double Ec, double Vc, double Vm) : Vm_(Vm) {
        const double upper = 9.0 * std::sqrt(Vc) + Ec;
        if (upper <= 0.0) {
            penalty_ = RangePenalty(upper);
            return;
        }
        const double a = Ec * Ec / Vc;
        const double c = Vc / Ec;
        const double N = a * std::log(c) + LnGamma(a);
        norm_ = std::sqrt(2.0 * kPi * Vm);
        const SimpsonNodes nodes(0.0001, upper);
        h_ = nodes.h;
        double density[kNodes];
        vec::Log(nodes.x, density, kNodes);
        for (int k = 0; k < kNodes; ++k) density[k] = (a - 1.0) * density[k] - nodes.x[k] / c - N;
        vec::Exp(density, density, kNodes);
        for (int k = 0; k < kNodes; ++k) {
            if (density[k] == 0.0) continue;
            x_[used_] = nodes.x[k];
            weighted_[used_] = kSimpson.w[k] * density[k];
            ++used_;
        }
        for (int k = used_; k < PaddedCount(used_); ++k) {
            x_[k] = used_ > 0 ? x_[used_ - 1] : 0.0;
            weighted_[k] = 0.0;
        }
        integrable_ = true;
    }

    // -ln of the density of y.
    double NegLog(double y) const {
        if (!integrable_) return penalty_;
        // A range narrower than its start (0.0001) gives a negative sum: nothing usable either.
        double sum = WeightedGaussianSum(x_, weighted_, used_, y, Vm_) / norm_ * (h_ / 6.0);
        if (!(sum > 0.0)) sum = kVanishing;
        return -std::log(sum);
    }

private:
    double Vm_;
    bool integrable_ = false;
    double penalty_ = 0.0;
    double h_ = 0.0, norm_ = 1.0;
    int used_ = 0;
    alignas(64) double x_[kStored], weighted_[kStored];
};

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
    growth.resize(records);
    reused.resize(records, 0);
    source.resize(records, 0);
    gridSum.resize(records, 0.0);
    selectivityFrom.resize(records, 0);
    selectivity.resize(records, 0.0);
    integrated.resize(records, 0);
    skippedWarning.assign(static_cast<std::size_t>(records) + 1, std::string());
}

double ElapsedTime(const GrowthParameters& p, const IncrementRecord& r) {
    return p.t0 == kNotUsed ? (r.end - r.start) / 365.0 : r.end - (r.start + p.t0);
}

double CycleOfL(const GrowthParameters& p, const IncrementRecord& r) {
    // Without the cycle its sines would only be multiplied by 0.
    if (p.ampL == 0.0) return 0.0;
    return p.ampL * (std::sin(Angle(r.end, p.dayL)) - std::sin(Angle(r.start, p.dayL)));
}

TailMoments TailOf(const GrowthParameters& p, double L1, double meanL) {
    TailMoments tail;
    const double z = (L1 - meanL) / std::sqrt(p.s2);
    if (z > -5.0) {
        tail.above = true;
        tail.P0 = PhiDiff(z, -10.0);
        PartialMoments(meanL, p.s2, L1, tail.M1, tail.M2);
    }
    if (z >= kExactTailFrom && tail.P0 < kProbabilityCap) {
        // The Gaussian truncated below at L1: with Q the upper tail (erfc,
        // exact far out) and lambda = phi(z) / Q, the mean is mean + SD lambda
        // and the variance s2 (1 + z lambda - lambda^2), both without the
        // division of tiny partial moments by a coarse 1 - P0.
        const double sd = std::sqrt(p.s2);
        const double Q = 0.5 * std::erfc(z / std::sqrt(2.0));
        const double lambda = std::exp(-0.5 * z * z) / std::sqrt(2.0 * kPi) / Q;
        const double exactM1 = meanL + sd * lambda;
        const double exactM2 = p.s2 * (1.0 + z * lambda - lambda * lambda) + exactM1 * exactM1;
        const double w = std::min(1.0, (z - kExactTailFrom) / (kExactTailFull - kExactTailFrom));
        const double mass = 1.0 - tail.P0;
        tail.conditional = true;
        tail.mass = (1.0 - w) * mass + w * Q;
        tail.conditionalM1 = (1.0 - w) * tail.M1 / mass + w * exactM1;
        tail.conditionalM2 = (1.0 - w) * tail.M2 / mass + w * exactM2;
    }
    return tail;
}

RecordGrowth GrowthOfRecord(const GrowthParameters& p, const IncrementRecord& r) {
    return GrowthOfRecord(p, r, TailOf(p, r.initial, p.mu + CycleOfL(p, r)));
}

RecordGrowth GrowthOfRecord(const GrowthParameters& p, const IncrementRecord& r, const TailMoments& tail) {
    RecordGrowth g;
    g.t = ElapsedTime(p, r);
    g.ck = p.ampK == 0.0 ? 0.0 : p.ampK * (std::sin(Angle(r.end, p.dayK)) - std::sin(Angle(r.start, p.dayK)));
    g.cL = CycleOfL(p, r);
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
    if (tail.above) {
        g.P0 = tail.P0;
        g.M1 = tail.M1;
        g.M2 = tail.M2;
        if (tail.conditional) {
            g.M1 = tail.conditionalM1;
            g.M2 = tail.conditionalM2;
            g.tailMass = tail.mass;
        } else if (g.P0 < kProbabilityCap) {
            g.tailMass = 1.0 - g.P0;
            g.M1 /= g.tailMass;
            g.M2 /= g.tailMass;
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
    if (nk > 0 && !(kMean > 0.0)) return abandon();  // no gamma distribution with this mean
    double kValue[kMaxGridK], kWeight[kMaxGridK];
    const int kCount = nk + 1;
    for (int w = 0; w < kCount; ++w) kValue[w] = firstK + w * hk;
    if (nk > 0) {
        const double shape = kMean * kMean / p.v;
        const double scale = p.v / kMean;
        const double lnNorm = shape * std::log(scale) + LnGamma(shape);
        vec::Log(kValue, kWeight, kCount);
        for (int w = 0; w < kCount; ++w) kWeight[w] = (shape - 1.0) * kWeight[w] - kValue[w] / scale - lnNorm;
        vec::Exp(kWeight, kWeight, kCount);
        for (int w = 0; w < kCount; ++w) kWeight[w] *= hk;
    } else {
        kWeight[0] = 1.0;
    }

    const double meanL = p.mu + g.cL;
    double L[kMaxGridK], wL[kMaxGridK];
    const int lCount = nL + 1;
    for (int u = 0; u < lCount; ++u) {
        L[u] = firstL + u * hL;
        if (!(L[u] > L1)) return abandon();
    }
    if (nL > 0) {
        for (int u = 0; u < lCount; ++u) wL[u] = -(L[u] - meanL) * (L[u] - meanL) / (2.0 * p.s2);
        vec::Exp(wL, wL, lCount);
        for (int u = 0; u < lCount; ++u) wL[u] = wL[u] / std::sqrt(2.0 * kPi * p.s2) * hL / g.tailMass;
    } else {
        wL[0] = 1.0;
    }

    const GridSums sums = IncrementGridSums(kValue, kWeight, kCount, L, wL, lCount, L1, p.b, g.t);
    if (!(sums.weight > 0.0)) return abandon();
    Ec = sums.first / sums.weight;
    Vc = sums.second / sums.weight - Ec * Ec;
    return sums.weight;
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
    return TruncatedErrorIntegral(p0, E, V, Vm).NegLog(y);
}

double GammaWithError(double y, double Ec, double Vc, double Vm) { return GammaErrorIntegral(Ec, Vc, Vm).NegLog(y); }

void PartialMoments(double mean, double variance, double L1, double& first, double& second) {
    const double upper = mean + 9.0 * std::sqrt(variance);
    const SimpsonPanels panels{L1, (upper - L1) / kPanels, kPanels};
    double s1 = 0.0, s2 = 0.0;
    PartialMomentSums(panels, mean, variance, s1, s2);
    const double norm = std::sqrt(2.0 * kPi * variance);
    first = panels.h / 6.0 * s1 / norm;
    second = panels.h / 6.0 * s2 / norm;
}

namespace {

struct RecordState {
    Case density = Case::GaussianPlain;
    double y = 0.0, Eu = 0.0, Vu = 0.0, p0 = 0.0, Ec = 0.0, Vc = 0.0, Vm = 0.0;
    double Vt = 0.0;               // case 1
    double a = 0.0, c = 0.0, N = 0.0;  // gamma
    std::optional<TruncatedErrorIntegral> truncated;  // case 2
    std::optional<GammaErrorIntegral> gammaError;     // case 5
};

// The negative logarithm of the record's density at x, as the selectivity
// integral uses it.  The Gaussian densities carry their 1/sqrt(2 pi) here, so
// that every case integrates to 1.
double NegLogDensity(const RecordState& s, double x) {
    switch (s.density) {
        case Case::GaussianWide:
            return (x - s.Eu) * (x - s.Eu) / (2.0 * s.Vt) + std::log(std::sqrt(2.0 * kPi * s.Vt)) + std::log(1.0 - s.p0);
        case Case::GaussianTruncated: return s.truncated->NegLog(x);
        case Case::GaussianPlain:
            return (x - s.Eu) * (x - s.Eu) / (2.0 * s.Vu) + std::log(std::sqrt(2.0 * kPi * s.Vu)) +
                   std::log(1.0 - std::min(s.p0, kProbabilityCap));
        case Case::GammaPlain: return -(s.a - 1.0) * std::log(x) + x / s.c + s.N;
        case Case::GammaMeasured: return s.gammaError->NegLog(x);
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

namespace {

// What a record costs on one core, roughly (rig and bonito records on a
// 2026 laptop core), so that records are shared among threads only where a
// share pays for its hand-over: the growth and moments of the record and
// its plain density, the measurement-error integral of each error form,
// the grid of b > 0, the selectivity integral.
constexpr double kMomentNanoseconds = 250.0;
constexpr double kPlainNanoseconds = 200.0;
constexpr double kGaussianErrorNanoseconds = 400.0;
constexpr double kGammaErrorNanoseconds = 1700.0;
constexpr double kGridNanoseconds = 5000.0;
constexpr double kSelectivityNanoseconds = 15000.0;

double RecordNanoseconds(const GrowthParameters& p, bool measured, bool grid, bool selecting) {
    double ns = kMomentNanoseconds + kPlainNanoseconds;
    if (measured) ns += p.errors == 'N' ? kGaussianErrorNanoseconds : kGammaErrorNanoseconds;
    if (grid) ns += kGridNanoseconds;
    if (selecting) ns += kSelectivityNanoseconds;
    return ns;
}

std::uint64_t Bits(double v) {
    std::uint64_t b = 0;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// Groups the records by their inputs, unless the workspace grouped these
// very records last time.  Keys compare by their bits, so that every key
// orders (NaN included) and only identical inputs share a group.
void GroupRecords(const IncrementData& data, IncrementGroups& g) {
    const int n = data.records;
    std::vector<double> keys(static_cast<std::size_t>(3 * n));
    for (int i = 1; i <= n; ++i) {
        const IncrementRecord& r = data.record[i];
        keys[static_cast<std::size_t>(3 * (i - 1))] = r.initial;
        keys[static_cast<std::size_t>(3 * (i - 1) + 1)] = r.start;
        keys[static_cast<std::size_t>(3 * (i - 1) + 2)] = r.end;
    }
    if (keys.size() == g.keys.size() &&
        std::equal(keys.begin(), keys.end(), g.keys.begin(), [](double a, double b) { return Bits(a) == Bits(b); }))
        return;
    g.keys = std::move(keys);
    auto key = [&](int i, int part) { return Bits(g.keys[static_cast<std::size_t>(3 * (i - 1) + part)]); };
    std::vector<int> order(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) order[static_cast<std::size_t>(i)] = i + 1;
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        for (int part = 0; part < 3; ++part)
            if (key(a, part) != key(b, part)) return key(a, part) < key(b, part);
        return a < b;
    });
    g.sameRecord.assign(static_cast<std::size_t>(n + 1), -1);
    g.sameInitial.assign(static_cast<std::size_t>(n + 1), -1);
    g.firstOfRecord.clear();
    g.firstOfInitial.clear();
    for (std::size_t k = 0; k < order.size(); ++k) {
        const int i = order[k];
        const int previous = k > 0 ? order[k - 1] : 0;
        const bool newInitial = previous == 0 || key(i, 0) != key(previous, 0);
        const bool newRecord = newInitial || key(i, 1) != key(previous, 1) || key(i, 2) != key(previous, 2);
        // Sorted by key then record: the first of a group is its lowest record.
        if (newInitial) g.firstOfInitial.push_back(i);
        if (newRecord) g.firstOfRecord.push_back(i);
        g.sameInitial[static_cast<std::size_t>(i)] = static_cast<int>(g.firstOfInitial.size()) - 1;
        g.sameRecord[static_cast<std::size_t>(i)] = static_cast<int>(g.firstOfRecord.size()) - 1;
    }
}

}  // namespace

double IncrementNegLnL(const IncrementData& data, const GrowthParameters& p, IncrementWorkspace& ws,
                       WarningLog& warnings, ProgressThrottle* progress, int threads) {
    const int n = data.records;
    ws.Resize(n);
    const bool measured = p.q2 > 0.0;
    const bool grid = p.b != 0.0;
    const bool selecting = p.SizeAtAgeSelectivity();
    threads = std::clamp(threads, 1, std::max(n, 1));
    const CallingThread caller;
    OrderedWarnings told(threads);
    IncrementGroups& groups = ws.groups;
    GroupRecords(data, groups);

    // The tail moments of L-infinity, once for each initial size (and, with
    // the annual cycle of L-infinity, each pair of days): the first record of
    // a group to need them computes and keeps them for the rest, inside the
    // records' own pass, which saves the threads a hand-over of their own.
    // Every record of a group has the same inputs, so whichever computes
    // them, the bits are the same.
    const bool tailByInitial = p.ampL == 0.0;
    const std::vector<int>& tailFirst = tailByInitial ? groups.firstOfInitial : groups.firstOfRecord;
    const std::vector<int>& tailGroup = tailByInitial ? groups.sameInitial : groups.sameRecord;
    ws.tails.resize(tailFirst.size());
    enum : unsigned char { kTailNone, kTailClaimed, kTailKept };
    const std::unique_ptr<std::atomic<unsigned char>[]> tailState(new std::atomic<unsigned char>[tailFirst.size()]);
    for (std::size_t k = 0; k < tailFirst.size(); ++k) tailState[k].store(kTailNone, std::memory_order_relaxed);
    auto tailFor = [&](int i) {
        const auto k = static_cast<std::size_t>(tailGroup[static_cast<std::size_t>(i)]);
        if (tailState[k].load(std::memory_order_acquire) == kTailKept) return ws.tails[k];
        const IncrementRecord& r = data.record[i];
        const TailMoments tail = TailOf(p, r.initial, p.mu + CycleOfL(p, r));
        unsigned char none = kTailNone;
        if (tailState[k].compare_exchange_strong(none, kTailClaimed, std::memory_order_acq_rel)) {
            ws.tails[k] = tail;
            tailState[k].store(kTailKept, std::memory_order_release);
        }
        return tail;
    };

    // Where each record's E_c and V_c come from.  Under b > 0 a record whose
    // grid is the one before it (SameGrid, and the same elapsed time) takes
    // that record's moments; one identical to an earlier record that computed
    // its grid takes that grid's (it would compute the same).
    std::vector<int> computedIn(groups.firstOfRecord.size(), 0);
    for (int i = 1; i <= n; ++i) {
        ws.elapsed[i] = ElapsedTime(p, data.record[i]);
        ws.reused[i] = grid && i > 1 && SameGrid(p, data.record[i], data.record[i - 1]) &&
                       ws.elapsed[i] == ws.elapsed[i - 1];
        if (ws.reused[i]) {
            ws.source[i] = ws.source[i - 1];
            continue;
        }
        int& first = computedIn[static_cast<std::size_t>(groups.sameRecord[static_cast<std::size_t>(i)])];
        if (!grid || first == 0) first = i;
        ws.source[i] = grid ? first : i;
    }
    // An identical record with the same moments has the same selectivity
    // integral: the first such record computes it.
    if (selecting) {
        for (int i = 1; i <= n; ++i) {
            const int head = groups.firstOfRecord[static_cast<std::size_t>(groups.sameRecord[static_cast<std::size_t>(i)])];
            const bool same = grid ? ws.source[head] == ws.source[i] : true;
            ws.selectivityFrom[i] = same ? head : i;
            ws.integrated[i] = 0;
        }
    }

    // The growth and moments of record i.
    auto moments = [&](int i) {
        const IncrementRecord& r = data.record[i];
        const RecordGrowth g = GrowthOfRecord(p, r, tailFor(i));
        ws.growth[i] = g;
        ws.moments(i, 1) = g.M1;
        ws.moments(i, 2) = g.M2;
        if (ws.source[i] != i) return;
        double Ec = 0.0, Vc = 0.0;
        if (!grid) {
            AnalyticMoments(p, r, g, Ec, Vc);
        } else {
            ws.gridSum[i] = GridMoments(p, r, g, Ec, Vc);
        }
        ws.expected[i] = Ec;
        ws.variance[i] = Vc;
    };

    // The likelihood of record i, once the moments of its source are known.
    auto likelihood = [&](int i, int thread) {
        const IncrementRecord& r = data.record[i];
        const RecordGrowth& g = ws.growth[i];
        const int from = ws.source[i];
        const double Ec = ws.expected[from];
        const double Vc = ws.variance[from];
        if (from != i) {
            ws.expected[i] = Ec;
            ws.variance[i] = Vc;
        }
        // Each record that computes its grid, or would, tells of a poor one.
        if (grid && !ws.reused[i]) {
            const double sum = ws.gridSum[from];
            if (sum != 0.0 && (sum < 0.999 || sum > 1.001))
                told.Add(thread, 2LL * i,
                         "Warning: Cumulative probability outside the range 0.999 to 1.001 @" +
                             RightJustify(Format(sum, "0.000"), 6) + " for increment record " + NumberText(i) + CRLF +
                             "The most likely reason for this is a poor choice for one or more parameter values." +
                             CRLF);
        }

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
            std::string& warning = ws.skippedWarning[static_cast<std::size_t>(i)];
            if (warning.empty())
                warning = "Warning regarding data input: increment #" + NumberText(i) +
                          " <= 0 and measurement error is zero; record ignored" + CRLF;
            told.Add(thread, 2LL * i + 1, &warning);
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
                s.truncated.emplace(s.p0, s.Eu, s.Vu, s.Vm);
                nll = s.truncated->NegLog(s.y);
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
                s.gammaError.emplace(Ec, Vc, s.Vm);
                nll = s.gammaError->NegLog(s.y);
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
                const int head = ws.selectivityFrom[i];
                if (head == i || !ws.integrated[head]) {
                    ws.selectivity[i] = SelectivityIntegral(s, p, g, SDp, Ssel);
                    ws.integrated[i] = 1;
                }
                const double integral =
                    std::clamp(ws.integrated[head] ? ws.selectivity[head] : ws.selectivity[i], 1e-6, kProbabilityCap);
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
    };

    // Records side by side, each writing only its own rows; a record that
    // takes another's moments or integral waits for a pass that has them.
    // Only the calling thread lets the interface breathe.
    const bool shared = grid || selecting;
    const double cost = RecordNanoseconds(p, measured, grid, selecting);
    ParallelForWork(threads, n, shared ? kMomentNanoseconds + (grid ? kGridNanoseconds : 0.0) : cost,
                    [&](int k, int slot) {
                        if (progress && caller.Here()) progress->Breathe();
                        const int i = k + 1;
                        moments(i);
                        if (!shared) likelihood(i, slot);
                    });
    if (shared) {
        // First the records that compute their own integral, then the rest.
        auto first = [&](int i) { return !selecting || ws.selectivityFrom[i] == i; };
        const double likelihoodCost = cost - kMomentNanoseconds - (grid ? kGridNanoseconds : 0.0);
        ParallelForWork(threads, n, likelihoodCost, [&](int k, int slot) {
            if (first(k + 1)) likelihood(k + 1, slot);
        });
        if (selecting)
            ParallelForWork(threads, n, likelihoodCost, [&](int k, int slot) {
                if (!first(k + 1)) likelihood(k + 1, slot);
            });
    }
    told.Tell(warnings);

    // The sum in record order, whatever the threads.
    double total = 0.0;
    for (int i = 1; i <= n; ++i) total += ws.negLnL[i];
    return total;
}

}  // namespace corvane
