// Compiled once per instruction set by Highway's foreach_target: the code
// between HWY_BEFORE_NAMESPACE and HWY_AFTER_NAMESPACE is repeated for each
// target, and HWY_DYNAMIC_DISPATCH calls the best one the processor has.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "numeric/VectorMath.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep

#include <cmath>

#include "hwy/highway.h"
#include "numeric/VectorMath-inl.h"

HWY_BEFORE_NAMESPACE();
namespace corvane::vec::HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

void ExpArray(const double* x, double* out, int n) {
    const hn::ScalableTag<double> d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    int i = 0;
    for (; i + lanes <= n; i += lanes) hn::StoreU(ExpChecked(d, hn::LoadU(d, x + i)), d, out + i);
    for (; i < n; ++i) out[i] = std::exp(x[i]);
}

void LogArray(const double* x, double* out, int n) {
    const hn::ScalableTag<double> d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    int i = 0;
    for (; i + lanes <= n; i += lanes) hn::StoreU(LogChecked(d, hn::LoadU(d, x + i)), d, out + i);
    for (; i < n; ++i) out[i] = std::log(x[i]);
}

double DotArrays(const double* a, const double* b, int n) {
    const hn::ScalableTag<double> d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    // Two accumulators hide the latency of the additions.
    auto sum0 = hn::Zero(d), sum1 = hn::Zero(d);
    int i = 0;
    for (; i + 2 * lanes <= n; i += 2 * lanes) {
        sum0 = hn::MulAdd(hn::LoadU(d, a + i), hn::LoadU(d, b + i), sum0);
        sum1 = hn::MulAdd(hn::LoadU(d, a + i + lanes), hn::LoadU(d, b + i + lanes), sum1);
    }
    for (; i + lanes <= n; i += lanes) sum0 = hn::MulAdd(hn::LoadU(d, a + i), hn::LoadU(d, b + i), sum0);
    double sum = hn::GetLane(hn::SumOfLanes(d, hn::Add(sum0, sum1)));
    for (; i < n; ++i) sum += a[i] * b[i];
    return sum;
}

}  // namespace corvane::vec::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
#include "numeric/VectorMath.h"

namespace corvane::vec {

HWY_EXPORT(ExpArray);
HWY_EXPORT(LogArray);
HWY_EXPORT(DotArrays);

void Exp(const double* x, double* out, int n) { HWY_DYNAMIC_DISPATCH(ExpArray)(x, out, n); }
void Log(const double* x, double* out, int n) { HWY_DYNAMIC_DISPATCH(LogArray)(x, out, n); }
double Dot(const double* a, const double* b, int n) { return HWY_DYNAMIC_DISPATCH(DotArrays)(a, b, n); }

std::string TargetName() {
    // Highway numbers its targets best first: the lowest bit set is the one
    // dispatched to.
    const std::int64_t supported = hwy::SupportedTargets() & HWY_TARGETS;
    for (std::int64_t bit = 1; bit != 0 && bit <= supported; bit <<= 1)
        if (supported & bit) return hwy::TargetName(bit);
    return hwy::TargetName(HWY_STATIC_TARGET);
}

}  // namespace corvane::vec
#endif
