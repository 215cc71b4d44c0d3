// Compiled once per instruction set (see numeric/VectorMath.cpp).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "model/GrowthKernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep

#include <cassert>
#include <cmath>
#include <initializer_list>

#include "hwy/highway.h"
#include "numeric/VectorMath-inl.h"

HWY_BEFORE_NAMESPACE();
namespace corvane::HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;
using vec::HWY_NAMESPACE::ExpChecked;

// Room for 41 k values rounded up to the widest vector (16 lanes).
constexpr int kPadded = 48;

// Copies the k row into vector-sized storage; the padding repeats the last
// value with weight 0, so it adds exactly nothing.
struct PaddedRow {
    HWY_ALIGN double k[kPadded];
    HWY_ALIGN double weight[kPadded];
    int count = 0;
    PaddedRow(const double* kIn, const double* weightIn, int n, int lanes) {
        assert(n >= 1 && n <= 41);
        count = (n + lanes - 1) / lanes * lanes;
        for (int j = 0; j < count; ++j) {
            k[j] = kIn[j < n ? j : n - 1];
            weight[j] = j < n ? weightIn[j] : 0.0;
        }
    }
};

template <class Size>
void Accumulate(const double* kIn, const double* kWeightIn, int kCount, const double* L, const double* wL, int lCount,
                Size size, double* out) {
    const hn::ScalableTag<double> d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    const PaddedRow row(kIn, kWeightIn, kCount, lanes);
    auto sumW = hn::Zero(d), sum1 = hn::Zero(d), sum2 = hn::Zero(d);
    for (int u = 0; u < lCount; ++u) {
        const auto wLu = hn::Set(d, wL[u]);
        for (int j = 0; j < row.count; j += lanes) {
            const auto k = hn::Load(d, row.k + j);
            const auto w = size.WeightOrder(hn::Load(d, row.weight + j), wLu);
            const auto x = size(d, L[u], k);
            const auto wx = hn::Mul(w, x);
            sumW = hn::Add(sumW, w);
            sum1 = hn::Add(sum1, wx);
            sum2 = hn::Add(sum2, hn::Mul(wx, x));
        }
    }
    out[0] = hn::GetLane(hn::SumOfLanes(d, sumW));
    out[1] = hn::GetLane(hn::SumOfLanes(d, sum1));
    out[2] = hn::GetLane(hn::SumOfLanes(d, sum2));
}

struct IncrementSize {
    double L1, b, t;
    template <class V>
    V WeightOrder(V kWeight, V wL) const {
        return hn::Mul(kWeight, wL);
    }
    template <class D, class V>
    V operator()(D d, double L, V k) const {
        const auto bL1 = hn::Set(d, b * L1);
        const auto E = ExpChecked(d, hn::Mul(hn::Neg(hn::Add(k, hn::Set(d, b * L))), hn::Set(d, t)));
        const auto kb = hn::Add(k, bL1);
        const auto numerator = hn::Mul(hn::Mul(hn::Set(d, L - L1), kb), hn::Sub(hn::Set(d, 1.0), E));
        const auto denominator = hn::Add(kb, hn::Mul(hn::Set(d, b * (L - L1)), E));
        return hn::Div(numerator, denominator);
    }
};

struct SizeAtAge {
    double b, t;
    template <class V>
    V WeightOrder(V kWeight, V wL) const {
        return hn::Mul(wL, kWeight);
    }
    template <class D, class V>
    V operator()(D d, double L, V k) const {
        if (!(L > 0.0)) return hn::Zero(d);  // no growth without an asymptotic size
        const auto bL = hn::Set(d, b * L);
        const auto E = ExpChecked(d, hn::Mul(hn::Neg(hn::Add(bL, k)), hn::Set(d, t)));
        const auto numerator = hn::Mul(hn::Mul(k, hn::Set(d, L)), hn::Sub(hn::Set(d, 1.0), E));
        return hn::Div(numerator, hn::Add(hn::Mul(bL, E), k));
    }
};

void IncrementGrid(const double* k, const double* kWeight, int kCount, const double* L, const double* wL, int lCount,
                   double L1, double b, double t, double* out) {
    Accumulate(k, kWeight, kCount, L, wL, lCount, IncrementSize{L1, b, t}, out);
}

void SizeGrid(const double* k, const double* kWeight, int kCount, const double* L, const double* wL, int lCount,
              double b, double t, double* out) {
    Accumulate(k, kWeight, kCount, L, wL, lCount, SizeAtAge{b, t}, out);
}

// Simpson's rule on up to 100 panels: for node k, its panel j (node k lies
// j h, or j h + h / 2, from lower), whether it is a midpoint, and its weight
// (1, 4, 2, 4, ..., 2, 4, 1 up to the last node, 0 beyond).
constexpr int kMaxPanels = 100;
constexpr int kTableNodes = 2 * kMaxPanels + 1 + 15;
struct PanelTables {
    HWY_ALIGN double panel[kTableNodes];
    HWY_ALIGN double midpoint[kTableNodes];
    HWY_ALIGN double weight[kTableNodes];  // of the rule on kMaxPanels panels
    constexpr PanelTables() : panel(), midpoint(), weight() {
        constexpr int last = 2 * kMaxPanels;
        for (int k = 0; k < kTableNodes; ++k) {
            panel[k] = k / 2;
            midpoint[k] = k % 2;
            weight[k] = k > last ? 0.0 : k == 0 || k == last ? 1.0 : k % 2 == 1 ? 4.0 : 2.0;
        }
    }
};
constexpr PanelTables kPanelTables;

// Calls f(nodes, weights) for the nodes of Simpson's rule in whole vectors;
// lanes past the last node get weight 0.
template <class D, class F>
HWY_INLINE void OverPanels(D d, double lower, double h, int panels, F f) {
    assert(panels >= 1 && panels <= kMaxPanels);
    const int lanes = static_cast<int>(hn::Lanes(d));
    const int nodes = 2 * panels + 1;
    const double* weight = kPanelTables.weight;
    HWY_ALIGN double fewer[kTableNodes];
    if (panels < kMaxPanels) {
        for (int k = 0; k < kTableNodes; ++k)
            fewer[k] = k >= nodes ? 0.0 : k == 0 || k == nodes - 1 ? 1.0 : k % 2 == 1 ? 4.0 : 2.0;
        weight = fewer;
    }
    const auto low = hn::Set(d, lower), step = hn::Set(d, h), halfStep = hn::Set(d, h / 2.0);
    for (int i = 0; i < nodes; i += lanes) {
        // As the panel-by-panel rule places them: j h from lower, and h / 2 beyond.
        const auto even = hn::MulAdd(hn::Load(d, kPanelTables.panel + i), step, low);
        const auto x = hn::MulAdd(hn::Load(d, kPanelTables.midpoint + i), halfStep, even);
        f(x, hn::Load(d, weight + i));
    }
}

// Whether every argument of exp is sure to lie from -infinity to 0, so that
// the vector form needs no check: finite inputs and a positive variance.
bool NonPositiveArguments(std::initializer_list<double> finite, std::initializer_list<double> positive) {
    for (double v : finite)
        if (!std::isfinite(v)) return false;
    for (double v : positive)
        if (!(v > 0.0) || !std::isfinite(v)) return false;
    return true;
}

template <class D, class V>
HWY_INLINE V ExpOf(D d, V arg, bool plain) {
    return plain ? hn::Exp(d, arg) : ExpChecked(d, arg);
}

void PartialMoments(double lower, double h, int panels, double mean, double variance, double* out) {
    const hn::ScalableTag<double> d;
    const bool plain = NonPositiveArguments({lower, h, mean}, {variance});
    const auto m = hn::Set(d, mean), scale = hn::Set(d, -1.0 / (2.0 * variance));
    auto first = hn::Zero(d), second = hn::Zero(d);
    OverPanels(d, lower, h, panels, [&](auto x, auto w) {
        const auto diff = hn::Sub(x, m);
        const auto g = ExpOf(d, hn::Mul(hn::Mul(diff, diff), scale), plain);
        const auto wx = hn::Mul(w, x);
        first = hn::MulAdd(wx, g, first);
        second = hn::MulAdd(hn::Mul(wx, x), g, second);
    });
    out[0] = hn::GetLane(hn::SumOfLanes(d, first));
    out[1] = hn::GetLane(hn::SumOfLanes(d, second));
}

double Convolved(double lower, double h, int panels, double y, double Vm, double E, double V) {
    const hn::ScalableTag<double> d;
    const bool plain = NonPositiveArguments({lower, h, y, E}, {Vm, V});
    const auto yv = hn::Set(d, y), ev = hn::Set(d, E);
    const auto error = hn::Set(d, -1.0 / (2.0 * Vm)), spread = hn::Set(d, -1.0 / (2.0 * V));
    auto sum = hn::Zero(d);
    OverPanels(d, lower, h, panels, [&](auto x, auto w) {
        const auto dy = hn::Sub(yv, x), de = hn::Sub(x, ev);
        const auto arg = hn::MulAdd(hn::Mul(dy, dy), error, hn::Mul(hn::Mul(de, de), spread));
        sum = hn::MulAdd(w, ExpOf(d, arg, plain), sum);
    });
    return hn::GetLane(hn::SumOfLanes(d, sum));
}

double WeightedGaussian(const double* x, const double* weighted, int n, double y, double Vm) {
    const hn::ScalableTag<double> d;
    // The nodes are finite when their range is.
    const bool plain = n > 0 && NonPositiveArguments({x[0], x[n - 1], y}, {Vm});
    const int lanes = static_cast<int>(hn::Lanes(d));
    const auto yv = hn::Set(d, y), error = hn::Set(d, -1.0 / (2.0 * Vm));
    auto sum = hn::Zero(d);
    for (int i = 0; i < n; i += lanes) {
        const auto diff = hn::Sub(yv, hn::LoadU(d, x + i));
        const auto e = ExpOf(d, hn::Mul(hn::Mul(diff, diff), error), plain);
        const auto term = hn::Mul(e, hn::LoadU(d, weighted + i));
        sum = hn::Add(sum, hn::IfThenElseZero(hn::FirstN(d, static_cast<size_t>(n - i)), term));
    }
    return hn::GetLane(hn::SumOfLanes(d, sum));
}

// P(a, x) for lanes that all take the series (x < a + 1) or all the
// continued fraction, each lane iterating until its own convergence and then
// left as it is, so that every lane gives what one x at a time gives.  x and
// out hold whole vectors; lanes past n are ignored.
void GammaPLanes(double a, const double* x, const double* front, double* out, int n, bool series) {
    const hn::ScalableTag<double> d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    const auto one = hn::Set(d, 1.0);
    for (int i = 0; i < n; i += lanes) {
        const auto xv = hn::LoadU(d, x + i);
        auto active = hn::FirstN(d, static_cast<size_t>(n - i));
        const auto scaled = ExpChecked(d, hn::LoadU(d, front + i));
        if (series) {
            auto term = hn::Set(d, 1.0 / a), sum = term, ap = hn::Set(d, a);
            const auto tolerance = hn::Set(d, 1e-15);
            for (int k = 0; k < 100000 && !hn::AllFalse(d, active); ++k) {
                ap = hn::Add(ap, one);
                term = hn::IfThenElse(active, hn::Mul(term, hn::Div(xv, ap)), term);
                sum = hn::IfThenElse(active, hn::Add(sum, term), sum);
                active = hn::AndNot(hn::Lt(hn::Abs(term), hn::Mul(hn::Abs(sum), tolerance)), active);
            }
            hn::StoreU(hn::Min(one, hn::Mul(sum, scaled)), d, out + i);
        } else {
            const auto tiny = hn::Set(d, 1e-300), tolerance = hn::Set(d, 1e-15), two = hn::Set(d, 2.0);
            auto bn = hn::Sub(hn::Add(xv, one), hn::Set(d, a));
            auto c = hn::Div(one, tiny), dd = hn::Div(one, bn), h = dd;
            for (int k = 1; k < 100000 && !hn::AllFalse(d, active); ++k) {
                const auto an = hn::Set(d, -k * (k - a));
                const auto bnNext = hn::Add(bn, two);
                auto dNext = hn::Add(hn::Mul(an, dd), bnNext);
                dNext = hn::IfThenElse(hn::Lt(hn::Abs(dNext), tiny), tiny, dNext);
                auto cNext = hn::Add(bnNext, hn::Div(an, c));
                cNext = hn::IfThenElse(hn::Lt(hn::Abs(cNext), tiny), tiny, cNext);
                dNext = hn::Div(one, dNext);
                const auto delta = hn::Mul(dNext, cNext);
                bn = hn::IfThenElse(active, bnNext, bn);
                dd = hn::IfThenElse(active, dNext, dd);
                c = hn::IfThenElse(active, cNext, c);
                h = hn::IfThenElse(active, hn::Mul(h, delta), h);
                active = hn::AndNot(hn::Lt(hn::Abs(hn::Sub(delta, one)), tolerance), active);
            }
            hn::StoreU(hn::Max(hn::Zero(d), hn::Sub(one, hn::Mul(scaled, h))), d, out + i);
        }
    }
}

}  // namespace corvane::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
#include "model/GrowthKernels.h"

namespace corvane {

HWY_EXPORT(IncrementGrid);
HWY_EXPORT(SizeGrid);
HWY_EXPORT(PartialMoments);
HWY_EXPORT(Convolved);
HWY_EXPORT(WeightedGaussian);
HWY_EXPORT(GammaPLanes);

GridSums IncrementGridSums(const double* k, const double* kWeight, int kCount, const double* L, const double* wL,
                           int lCount, double L1, double b, double t) {
    double out[3];
    HWY_DYNAMIC_DISPATCH(IncrementGrid)(k, kWeight, kCount, L, wL, lCount, L1, b, t, out);
    return {out[0], out[1], out[2]};
}

GridSums SizeGridSums(const double* k, const double* kWeight, int kCount, const double* L, const double* wL,
                      int lCount, double b, double t) {
    double out[3];
    HWY_DYNAMIC_DISPATCH(SizeGrid)(k, kWeight, kCount, L, wL, lCount, b, t, out);
    return {out[0], out[1], out[2]};
}

void PartialMomentSums(const SimpsonPanels& r, double mean, double variance, double& first, double& second) {
    double out[2];
    HWY_DYNAMIC_DISPATCH(PartialMoments)(r.lower, r.h, r.panels, mean, variance, out);
    first = out[0];
    second = out[1];
}

double ConvolvedSum(const SimpsonPanels& r, double y, double Vm, double E, double V) {
    return HWY_DYNAMIC_DISPATCH(Convolved)(r.lower, r.h, r.panels, y, Vm, E, V);
}

double WeightedGaussianSum(const double* x, const double* weighted, int n, double y, double Vm) {
    return HWY_DYNAMIC_DISPATCH(WeightedGaussian)(x, weighted, n, y, Vm);
}

void GammaPMany(double a, double lnGammaA, const double* x, double* out, int n) {
    // The x of each kind gathered, so that a vector's lanes iterate alike.
    double series[kMaxGammaPBatch + kVectorPad], fraction[kMaxGammaPBatch + kVectorPad];
    double seriesFront[kMaxGammaPBatch + kVectorPad], fractionFront[kMaxGammaPBatch + kVectorPad];
    double seriesOut[kMaxGammaPBatch + kVectorPad], fractionOut[kMaxGammaPBatch + kVectorPad];
    int seriesAt[kMaxGammaPBatch], fractionAt[kMaxGammaPBatch];
    int ns = 0, nf = 0;
    for (int i = 0; i < n; ++i) {
        if (!(x[i] > 0.0)) {
            out[i] = 0.0;
            continue;
        }
        // The logarithm as std::log gives it: a times its last unit would
        // reach the probability.
        const double front = -x[i] + a * std::log(x[i]) - lnGammaA;
        if (x[i] < a + 1.0) {
            seriesAt[ns] = i;
            seriesFront[ns] = front;
            series[ns++] = x[i];
        } else {
            fractionAt[nf] = i;
            fractionFront[nf] = front;
            fraction[nf++] = x[i];
        }
    }
    // The padding lanes are ignored; a harmless value keeps them quiet.
    for (int i = ns; i < PaddedCount(ns); ++i) series[i] = 1.0, seriesFront[i] = 0.0;
    for (int i = nf; i < PaddedCount(nf); ++i) fraction[i] = a + 2.0, fractionFront[i] = 0.0;
    if (ns > 0) HWY_DYNAMIC_DISPATCH(GammaPLanes)(a, series, seriesFront, seriesOut, ns, true);
    if (nf > 0) HWY_DYNAMIC_DISPATCH(GammaPLanes)(a, fraction, fractionFront, fractionOut, nf, false);
    for (int i = 0; i < ns; ++i) out[seriesAt[i]] = seriesOut[i];
    for (int i = 0; i < nf; ++i) out[fractionAt[i]] = fractionOut[i];
}

}  // namespace corvane
#endif
