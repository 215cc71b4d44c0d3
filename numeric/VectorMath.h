#pragma once
// exp and log over arrays of doubles, several values per instruction: Google
// Highway's vector forms (hwy/contrib/math), compiled for each instruction
// set and chosen at run time.  Each value agrees with std::exp or std::log
// within one unit in the last place; values outside the vector forms' range
// (NaN, infinities, zero and negative logarithms, exp beyond 700) take the
// standard library's road, so they come out exactly as std:: gives them.
#include <string>

namespace corvane::vec {

// out[i] = exp(x[i]) for i < n; out may be x.
void Exp(const double* x, double* out, int n);
// out[i] = log(x[i]) for i < n; out may be x.
void Log(const double* x, double* out, int n);

// The sum of a[i] b[i] for i < n, added in an order fixed by n and the
// instruction set (so the same on every thread and every run).
double Dot(const double* a, const double* b, int n);

// The instruction set chosen on this machine ("AVX3", "AVX2", "SSE4", ...).
std::string TargetName();

}  // namespace corvane::vec
