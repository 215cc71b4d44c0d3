#include "model/SizeAtAge.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/GrowthKernels.h"
#include "numeric/NormalProb.h"
#include "numeric/VectorMath.h"
#include "numeric/modGamma.h"

namespace corvane {

namespace {

const double kPi = 4.0 * std::atan(1.0);
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kLogCap = 500.0;  // a density's logarithm is capped before exponentiation

double Seasonal(double amplitude, double t, double dayOfMaximum) {
    return amplitude * std::sin(2.0 * kPi * (365.0 * t - dayOfMaximum) / 365.0);
}

// The root of an increasing function on [lo, hi] (f(lo) < 0 < f(hi)) by
// Newton steps kept inside the bracket, bisecting when a step leaves it.
template <class F>
double SolveIncreasing(F f, double lo, double hi) {
    double x = 0.5 * (lo + hi);
    for (int i = 0; i < 100; ++i) {
        double value = 0.0, slope = 0.0;
        f(x, value, slope);
        if (value == 0.0) return x;
        if (value < 0.0)
            lo = x;
        else
            hi = x;
        double next = slope > 0.0 ? x - value / slope : 0.5 * (lo + hi);
        if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
        if (std::fabs(next - x) <= 1e-13 * std::max(1.0, std::fabs(x)) || hi - lo <= 1e-14 * std::max(1.0, hi))
            return next;
        x = next;
    }
    return x;
}

// P(a, x) with ln Gamma(a) given, so a grid of one shape computes it once.
double GammaPWith(double a, double lnGammaA, double x) {
    if (!(x > 0.0)) return 0.0;
    if (!(a > 0.0)) return 1.0;
    if (a > 1e6) {
        // Wilson and Hilferty: the cube root of a gamma variate is nearly Gaussian.
        const double z = (std::cbrt(x / a) - (1.0 - 1.0 / (9.0 * a))) / std::sqrt(1.0 / (9.0 * a));
        return PhiPoly(z);
    }
    const double front = -x + a * std::log(x) - lnGammaA;
    if (x < a + 1.0) {
        // Series.
        double term = 1.0 / a, sum = term, ap = a;
        for (int n = 0; n < 100000; ++n) {
            ap += 1.0;
            term *= x / ap;
            sum += term;
            if (std::fabs(term) < std::fabs(sum) * 1e-15) break;
        }
        return std::min(1.0, sum * std::exp(front));
    }
    // Continued fraction for the upper tail (modified Lentz).
    const double tiny = 1e-300;
    double bn = x + 1.0 - a, c = 1.0 / tiny, d = 1.0 / bn, h = d;
    for (int n = 1; n < 100000; ++n) {
        const double an = -n * (n - a);
        bn += 2.0;
        d = an * d + bn;
        if (std::fabs(d) < tiny) d = tiny;
        c = bn + an / c;
        if (std::fabs(c) < tiny) c = tiny;
        d = 1.0 / d;
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1.0) < 1e-15) break;
    }
    return std::max(0.0, 1.0 - std::exp(front) * h);
}

}  // namespace

double GammaP(double a, double x) { return GammaPWith(a, a > 0.0 && a <= 1e6 ? LnGamma(a) : 0.0, x); }

double AgeClassGrowth::Size(double L, double k) const {
    if (b == 0.0) return L * (1.0 - S1 * std::exp(-k * t));
    if (!(L > 0.0)) return 0.0;
    const double E = std::exp(-(b * L + k) * t);
    return k * L * (1.0 - E) / (b * L * E + k);
}

void AgeClassGrowth::SizeAndSlopes(double L, double k, double& x, double& dL, double& dk) const {
    if (b == 0.0) {
        const double e = S1 * std::exp(-k * t);
        x = L * (1.0 - e);
        dL = 1.0 - e;
        dk = L * t * e;
        return;
    }
    const double E = std::exp(-(b * L + k) * t);
    const double N = k * L * (1.0 - E), D = b * L * E + k;
    const double dNdk = L * (1.0 - E) + k * L * t * E, dDdk = 1.0 - b * L * t * E;
    const double dNdL = k * (1.0 - E) + k * L * b * t * E, dDdL = b * E * (1.0 - b * L * t);
    x = N / D;
    dk = (dNdk * D - N * dDdk) / (D * D);
    dL = (dNdL * D - N * dDdL) / (D * D);
}

double AgeClassGrowth::TimeToReach(double x, double L, double k) const {
    if (!(x < L) || !(k > 0.0)) return kInfinity;
    if (!(x > 0.0)) return 0.0;
    if (b == 0.0) return -std::log(1.0 - x / L) / k;
    return -std::log((L - x) * k / ((b * x + k) * L)) / (k + b * L);
}

AgeClassGrowth GrowthAtAge(const GrowthParameters& p, double t) {
    AgeClassGrowth g;
    g.t = t;
    g.b = p.b;
    const double ck = Seasonal(p.ampK, t, p.dayK);
    g.meanL = p.mu + Seasonal(p.ampL, t, p.dayL);
    g.varL = p.s2;
    g.varK = p.v;
    g.degenerateL = p.s2 <= kSmallestVarianceL;
    if (p.b == 0.0) {
        g.meanK = p.m;
        g.S1 = std::exp(-ck);
        g.degenerateK = p.v <= kSmallestVarianceL;
    } else {
        // No gamma distribution has a mean of 0 or less: keep k's own floor.
        g.meanK = std::max(p.m + ck, 1e-6);
        g.degenerateK = p.v <= kSmallestVarianceK;
    }
    return g;
}

void SizeMoments(const GrowthParameters& p, double t, double& mean, double& sd, double& weightSum) {
    const AgeClassGrowth g = GrowthAtAge(p, t);
    weightSum = 1.0;
    if (p.b == 0.0) {
        const double S2 = g.S1 * g.S1;
        const double power = -p.m * p.m / p.v;
        const double G1 = std::pow(1.0 + t * p.v / p.m, power);
        const double G2 = std::pow(1.0 + 2.0 * t * p.v / p.m, power);
        mean = (1.0 - G1 * g.S1) * g.meanL;
        const double variance =
            g.meanL * g.meanL * (G2 - G1 * G1) * S2 + (1.0 - 2.0 * g.S1 * G1 + G2 * S2) * p.s2 + p.q2;
        sd = std::sqrt(std::max(variance, 0.0));
        return;
    }
    // b > 0: a grid of 41 x 41 points, each weighted by the densities of its
    // L-infinity and k times their steps.
    const int nL = g.degenerateL ? 0 : 40;
    const double hL = nL > 0 ? std::sqrt(p.s2) / 5.0 : 0.0;
    double firstL = g.meanL - 20.0 * hL + hL / 2.0;
    if (!(firstL > 0.0)) firstL = hL / 2.0;
    const int nk = g.degenerateK ? 0 : 40;
    const double hk = nk > 0 ? std::sqrt(p.v) / 5.0 : 0.0;
    double firstK = g.meanK - 20.0 * hk + hk / 2.0;
    if (!(firstK > 0.0)) firstK = hk / 2.0;

    const double shape = g.meanK * g.meanK / p.v, scale = p.v / g.meanK;
    const double lnNorm = nk > 0 ? shape * std::log(scale) + LnGamma(shape) : 0.0;
    double kValue[kMaxGridK], kWeight[kMaxGridK];
    const int kCount = nk + 1;
    for (int j = 0; j < kCount; ++j) kValue[j] = nk > 0 ? firstK + j * hk : g.meanK;
    if (nk > 0) {
        vec::Log(kValue, kWeight, kCount);
        for (int j = 0; j < kCount; ++j) kWeight[j] = (shape - 1.0) * kWeight[j] - kValue[j] / scale - lnNorm;
        vec::Exp(kWeight, kWeight, kCount);
        for (int j = 0; j < kCount; ++j) kWeight[j] *= hk;
    } else {
        kWeight[0] = 1.0;
    }
    double L[kMaxGridK], wL[kMaxGridK];
    const int lCount = nL + 1;
    for (int u = 0; u < lCount; ++u) L[u] = nL > 0 ? firstL + u * hL : g.meanL;
    if (nL > 0) {
        for (int u = 0; u < lCount; ++u) wL[u] = -(L[u] - g.meanL) * (L[u] - g.meanL) / (2.0 * p.s2);
        vec::Exp(wL, wL, lCount);
        for (int u = 0; u < lCount; ++u) wL[u] = wL[u] / std::sqrt(2.0 * kPi * p.s2) * hL;
    } else {
        wL[0] = 1.0;
    }
    const GridSums sums = SizeGridSums(kValue, kWeight, kCount, L, wL, lCount, p.b, t);
    weightSum = sums.weight;
    if (!(sums.weight > 0.0)) {
        mean = 0.0;
        sd = 0.0;
        return;
    }
    mean = sums.first / sums.weight;
    sd = std::sqrt(std::max(sums.second / sums.weight - mean * mean, 0.0));
}

// The precise form.  Size at age is an increasing function of both L-infinity
// and k, so P(size <= x) is a one-dimensional sum: over L-infinity of its
// Gaussian weight times P(k <= the k that brings a fish with that L-infinity
// to x at age t) (a gamma probability), or over k of its gamma weight times
// P(L-infinity <= the L-infinity that brings a fish with that k to x) (a
// Gaussian probability).  The sum runs over whichever variable spreads size
// less at the class's mean, so that the other variable's probability changes
// smoothly from one grid point to the next (summing over L-infinity alone
// misses the narrow peak of a k distribution with a small SD).  Grids:
// L-infinity from its mean - 5 SD to mean + 5 SD in 200 steps of SD / 20; k
// from the larger of 0 and mean - 6 SD to mean + 10 SD in steps of SD / 20;
// each grid point at the middle of its step, the weights scaled to sum to 1.
// A variance at its floor is a single point.  A cell's probability is the
// difference of this probability at its edges: exact for modes narrower than
// a cell, and finite where the density of size is not (at size 0 when the
// gamma shape of k is below 1).
JointSizeDistribution::JointSizeDistribution(const AgeClassGrowth& g) : g_(g) {
    sdL_ = std::sqrt(g_.varL);
    if (!g_.degenerateK) {
        shape_ = g_.meanK * g_.meanK / g_.varK;
        scale_ = g_.varK / g_.meanK;
        lnGammaShape_ = LnGamma(shape_);
        lnNorm_ = shape_ * std::log(scale_) + lnGammaShape_;
    }
    if (g_.degenerateK) {
        overL_ = false;
    } else if (g_.degenerateL) {
        overL_ = true;
    } else {
        double x = 0.0, dL = 0.0, dk = 0.0;
        g_.SizeAndSlopes(g_.meanL, g_.meanK, x, dL, dk);
        overL_ = std::fabs(dL) * sdL_ <= std::fabs(dk) * std::sqrt(g_.varK);
    }
    auto scale = [](Node* nodes, int n) {
        double sum = 0.0;
        for (int j = 0; j < n; ++j) sum += nodes[j].weight;
        if (sum > 0.0)
            for (int j = 0; j < n; ++j) nodes[j].weight /= sum;
    };
    if (overL_) {
        if (g_.degenerateL) {
            L_[0] = {g_.meanL, 1.0};
            nL_ = 1;
        } else {
            const double h = sdL_ / 20.0;
            nL_ = 200;
            for (int j = 0; j < nL_; ++j) {
                const double L = g_.meanL - 5.0 * sdL_ + (j + 0.5) * h;
                L_[j] = {L, LDensity(L) * h};
            }
            scale(L_, nL_);
        }
    } else {
        if (g_.degenerateK) {
            K_[0] = {g_.meanK, 1.0};
            nK_ = 1;
        } else {
            const double sd = std::sqrt(g_.varK);
            const double lower = std::max(0.0, g_.meanK - 6.0 * sd), upper = g_.meanK + 10.0 * sd;
            nK_ = std::min(320, static_cast<int>(std::ceil((upper - lower) / (sd / 20.0))));
            const double h = (upper - lower) / nK_;
            for (int j = 0; j < nK_; ++j) {
                const double k = lower + (j + 0.5) * h;
                K_[j] = {k, KDensity(k) * h, g_.b == 0.0 ? 1.0 - g_.S1 * std::exp(-k * g_.t) : 0.0};
            }
            scale(K_, nK_);
        }
    }
}

double JointSizeDistribution::KDensity(double k) const {
    if (!(k > 0.0)) return 0.0;
    return std::exp(std::min(kLogCap, (shape_ - 1.0) * std::log(k) - k / scale_ - lnNorm_));
}

double JointSizeDistribution::LDensity(double L) const {
    const double z = (L - g_.meanL) / sdL_;
    return std::exp(-0.5 * z * z) / (sdL_ * std::sqrt(2.0 * kPi));
}

double JointSizeDistribution::KCdf(double k) const {
    if (g_.degenerateK) return k >= g_.meanK ? 1.0 : 0.0;
    return GammaPWith(shape_, lnGammaShape_, k / scale_);
}

double JointSizeDistribution::LCdf(double L) const {
    if (g_.degenerateL) return L >= g_.meanL ? 1.0 : 0.0;
    return PhiPoly((L - g_.meanL) / sdL_);
}

double JointSizeDistribution::KGivenSize(double L, double x, bool& found) const {
    // Called with 0 < x < L.
    found = true;
    if (g_.b == 0.0) {
        const double remaining = (1.0 - x / L) / g_.S1;  // exp(-k t)
        if (!(remaining < 1.0)) {
            found = false;  // even k = 0 gives a size above x
            return 0.0;
        }
        return -std::log(remaining) / g_.t;
    }
    // Size rises from 0 (k = 0) towards L as k grows.
    double hi = g_.meanK + 10.0 * std::sqrt(g_.varK) + 1.0 / g_.t;
    for (int i = 0; g_.Size(L, hi) <= x; ++i) {
        if (i == 60) return hi;  // x is as good as L: k beyond any gamma weight
        hi *= 2.0;
    }
    return SolveIncreasing(
        [&](double k, double& value, double& slope) {
            double size = 0.0, dL = 0.0;
            g_.SizeAndSlopes(L, k, size, dL, slope);
            value = size - x;
        },
        0.0, hi);
}

double JointSizeDistribution::LGivenSize(double k, double x, bool& found, const double* knownShare) const {
    // Called with x > 0 and k > 0.
    found = true;
    if (g_.b == 0.0) {
        const double share = knownShare ? *knownShare : 1.0 - g_.S1 * std::exp(-k * g_.t);
        if (!(share > 0.0)) {
            found = false;  // no positive L-infinity reaches x
            return 0.0;
        }
        return x / share;
    }
    // Size stays below L-infinity and approaches it as L-infinity grows.
    double hi = 2.0 * x + g_.meanL + 10.0 * sdL_;
    for (int i = 0; g_.Size(hi, k) <= x; ++i) {
        if (i == 60) return hi;
        hi *= 2.0;
    }
    return SolveIncreasing(
        [&](double L, double& value, double& slope) {
            double size = 0.0, dk = 0.0;
            g_.SizeAndSlopes(L, k, size, slope, dk);
            value = size - x;
        },
        x, hi);
}

double JointSizeDistribution::Cdf(double x) const {
    if (overL_ && g_.b == 0.0 && !g_.degenerateK && shape_ > 0.0 && shape_ <= 1e6) return CdfOverPlainL(x);
    if (!overL_ && g_.b == 0.0 && !g_.degenerateK && !g_.degenerateL) return CdfOverPlainK(x);
    double sum = 0.0;
    if (overL_) {
        for (int j = 0; j < nL_; ++j) {
            const double L = L_[j].value;
            double below;  // P(size <= x | L)
            if (!(L > 0.0))
                below = x >= 0.0 ? 1.0 : 0.0;  // no growth: size 0
            else if (L <= x)
                below = 1.0;  // size stays below L-infinity
            else if (!(x > 0.0) && g_.b != 0.0)
                below = 0.0;
            else {
                bool found = false;
                const double k = KGivenSize(L, x, found);
                below = found ? KCdf(k) : 0.0;
            }
            sum += L_[j].weight * below;
            // The k needed falls as L-infinity rises: nothing further adds.
            if (below == 0.0 && L > x) break;
        }
        return sum;
    }
    for (int j = 0; j < nK_; ++j) {
        const double k = K_[j].value;
        double below;
        if (!(x > 0.0) && g_.b != 0.0) {
            below = x >= 0.0 ? LCdf(0.0) : 0.0;
        } else {
            bool found = false;
            const double L = LGivenSize(k, x, found, g_.degenerateK ? nullptr : &K_[j].share);
            if (found && !g_.degenerateL && (L - g_.meanL) / sdL_ < -9.0) break;  // the L needed only falls with k
            below = found ? LCdf(L) : (x >= 0.0 ? 1.0 : 0.0);
        }
        sum += K_[j].weight * below;
    }
    return sum;
}

// Cdf over the L grid when b = 0: each L's k in closed form, and the gamma
// probabilities of a run of L nodes at once.  The nodes are added in order
// and stop where the scalar loop stops, so the sum is the one a node at a
// time gives (a run may compute a few nodes past the stop for nothing).
double JointSizeDistribution::CdfOverPlainL(double x) const {
    constexpr int kRun = 32;
    static_assert(kRun <= kMaxGammaPBatch);
    double sum = 0.0;
    for (int first = 0; first < nL_; first += kRun) {
        const int count = std::min(kRun, nL_ - first);
        double below[kRun], remaining[kRun + kVectorPad], k[kRun + kVectorPad], p[kRun + kVectorPad];
        int at[kRun];
        int needed = 0;
        for (int t = 0; t < count; ++t) {
            const double L = L_[first + t].value;
            if (!(L > 0.0)) {
                below[t] = x >= 0.0 ? 1.0 : 0.0;  // no growth: size 0
            } else if (L <= x) {
                below[t] = 1.0;  // size stays below L-infinity
            } else {
                // The k that reaches x: exp(-k t) is what of L is left to grow.
                const double left = (1.0 - x / L) / g_.S1;
                if (!(left < 1.0)) {
                    below[t] = 0.0;  // even k = 0 gives a size above x
                } else {
                    at[needed] = t;
                    remaining[needed++] = left;
                }
            }
        }
        // std::log, not the vector form: the shape times its last unit would
        // reach the probability.
        for (int q = 0; q < needed; ++q) k[q] = -std::log(remaining[q]) / g_.t / scale_;
        GammaPMany(shape_, lnGammaShape_, k, p, needed);
        for (int q = 0; q < needed; ++q) below[at[q]] = p[q];
        for (int t = 0; t < count; ++t) {
            sum += L_[first + t].weight * below[t];
            // The k needed falls as L-infinity rises: nothing further adds.
            if (below[t] == 0.0 && L_[first + t].value > x) return sum;
        }
    }
    return sum;
}

// Cdf over the k grid when b = 0: each k's L in closed form (x over the
// node's share), and the normal probabilities of a run of nodes at once,
// added in order up to where the scalar loop stops.
double JointSizeDistribution::CdfOverPlainK(double x) const {
    constexpr int kRun = 32;
    double sum = 0.0;
    for (int first = 0; first < nK_; first += kRun) {
        const int count = std::min(kRun, nK_ - first);
        double below[kRun], z[kRun], p[kRun];
        int at[kRun];
        int needed = 0, stop = count;
        for (int t = 0; t < count; ++t) {
            const double share = K_[first + t].share;
            if (!(share > 0.0)) {
                below[t] = x >= 0.0 ? 1.0 : 0.0;  // no positive L-infinity reaches x
                continue;
            }
            const double L = x / share;
            const double zt = (L - g_.meanL) / sdL_;
            if (zt < -9.0) {
                stop = t;  // the L needed only falls with k
                break;
            }
            at[needed] = t;
            z[needed++] = zt;
        }
        PhiPolyMany(z, p, needed);
        for (int q = 0; q < needed; ++q) below[at[q]] = p[q];
        for (int t = 0; t < stop; ++t) sum += K_[first + t].weight * below[t];
        if (stop < count) return sum;
    }
    return sum;
}

// Visits every (L, k) pair of the grid that reaches size x at age t with its
// share of the density at x; returns the density.
template <class Visit>
double JointSizeDistribution::AlongSize(double x, Visit visit) const {
    if (!(x > 0.0)) return 0.0;
    double density = 0.0;
    if (overL_) {
        for (int j = 0; j < nL_; ++j) {
            const double L = L_[j].value;
            if (!(L > x)) continue;
            bool found = false;
            const double k = KGivenSize(L, x, found);
            if (!found || !(k > 0.0)) continue;
            double size = 0.0, dL = 0.0, dk = 0.0;
            g_.SizeAndSlopes(L, k, size, dL, dk);
            if (!(dk > 0.0)) continue;
            // For a single L the weight is a probability, not a density.
            const double d = L_[j].weight * KDensity(k) / dk;
            density += d;
            visit(L, k, d);
        }
        return density;
    }
    if (g_.degenerateL) return 0.0;  // both variances at their floors: no density
    for (int j = 0; j < nK_; ++j) {
        const double k = K_[j].value;
        bool found = false;
        const double L = LGivenSize(k, x, found, g_.degenerateK ? nullptr : &K_[j].share);
        if (!found) continue;
        double size = 0.0, dL = 0.0, dk = 0.0;
        g_.SizeAndSlopes(L, k, size, dL, dk);
        if (!(dL > 0.0)) continue;
        const double d = K_[j].weight * LDensity(L) / dL;
        density += d;
        visit(L, k, d);
    }
    return density;
}

double JointSizeDistribution::Density(double x) const {
    return AlongSize(x, [](double, double, double) {});
}

// The fishing survival factor.  A fish with asymptotic size L and growth
// coefficient k that is x at age t passed the fishing size at age
// TimeToReach(fishSize, L, k) and has been fished since, surviving with
// exp(-F (t - that age)).  The factor is the mean of that survival over all
// fish of size x: the (L, k) pairs along the curve size(L, k) = x, each
// weighted by its share of the density of size at x (the sum above).  Where
// no fish of the grid reaches x, the fish of mean L-infinity and mean k
// stands in.
double JointSizeDistribution::SurvivalFactor(double x, double fishSize, double F) const {
    auto survival = [&](double L, double k) {
        const double exposure = g_.t - g_.TimeToReach(fishSize, L, k);
        return exposure > 0.0 ? std::exp(-F * exposure) : 1.0;
    };
    double weighted = 0.0;
    const double density = AlongSize(x, [&](double L, double k, double d) { weighted += d * survival(L, k); });
    if (density > 0.0) return std::min(1.0, weighted / density);
    return survival(g_.meanL, g_.meanK);
}

}  // namespace corvane
