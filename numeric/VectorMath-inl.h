// exp and log of one Highway vector with the standard library's results at
// the edges, for kernels compiled once per instruction set (include it after
// hwy/highway.h, between HWY_BEFORE_NAMESPACE and HWY_AFTER_NAMESPACE's
// files as Highway's -inl.h headers are).  The vector forms hold for
// arguments up to 706 (exp) and for finite positive values (log); a vector
// with any lane outside takes std::exp or std::log lane by lane, so NaN,
// infinities, overflow and log of 0 or less come out exactly as std:: gives.
#if defined(CORVANE_NUMERIC_VECTOR_MATH_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef CORVANE_NUMERIC_VECTOR_MATH_INL_H_
#undef CORVANE_NUMERIC_VECTOR_MATH_INL_H_
#else
#define CORVANE_NUMERIC_VECTOR_MATH_INL_H_
#endif

#include <cmath>

#include "hwy/contrib/math/math-inl.h"
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace corvane::vec::HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

template <class D, class V>
HWY_INLINE V ExpChecked(D d, V v) {
    // Not (v <= 700) is true for NaN as well.
    if (HWY_LIKELY(hn::AllTrue(d, hn::Le(v, hn::Set(d, 700.0))))) return hn::Exp(d, v);
    HWY_ALIGN double lanes[hn::MaxLanes(d)];
    hn::Store(v, d, lanes);
    for (size_t i = 0; i < hn::Lanes(d); ++i) lanes[i] = std::exp(lanes[i]);
    return hn::Load(d, lanes);
}

template <class D, class V>
HWY_INLINE V LogChecked(D d, V v) {
    const auto inside = hn::And(hn::Gt(v, hn::Zero(d)), hn::Le(v, hn::Set(d, 1.7976931348623157e308)));
    if (HWY_LIKELY(hn::AllTrue(d, inside))) return hn::Log(d, v);
    HWY_ALIGN double lanes[hn::MaxLanes(d)];
    hn::Store(v, d, lanes);
    for (size_t i = 0; i < hn::Lanes(d); ++i) lanes[i] = std::log(lanes[i]);
    return hn::Load(d, lanes);
}

}  // namespace corvane::vec::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // per-target include guard
