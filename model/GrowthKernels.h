#pragma once
// The inner loops of the growth model's numerical moments, several grid
// points per instruction (Highway, the instruction set chosen at run time).

namespace corvane {

// Sums over a grid of L-infinity and k of the weight w = wL[u] x kWeight[j],
// w x size and w x size^2.
struct GridSums {
    double weight = 0.0, first = 0.0, second = 0.0;
};

// The most k values a grid row holds (41 points, padded for the vectors).
inline constexpr int kMaxGridK = 41;

// Increments of fish from initial size L1 over t years, growing with
// size-dependent k: (L - L1)(k + b L1)(1 - E) / (k + b L1 + b (L - L1) E) with
// E = exp(-(k + b L) t), at every pair (L[u], k[j]).
GridSums IncrementGridSums(const double* k, const double* kWeight, int kCount, const double* L, const double* wL,
                           int lCount, double L1, double b, double t);

// Sizes at age t of fish from size 0: k L (1 - E) / (b L E + k) with
// E = exp(-(b L + k) t), at every pair (L[u], k[j]).
GridSums SizeGridSums(const double* k, const double* kWeight, int kCount, const double* L, const double* wL,
                      int lCount, double b, double t);

// Simpson's rule on equal panels from lower in steps h, as one flat sum over
// the panels' ends and midpoints (the node j h from lower, and the node
// h / 2 beyond it) with the weights 1, 4, 2, 4, ..., 2, 4, 1; the sums below
// are those weighted sums (times h / 6 they are the integrals).  Divisions by
// a variance are multiplications by its reciprocal here: the vectors divide
// far slower than they multiply.
struct SimpsonPanels {
    double lower = 0.0, h = 0.0;
    int panels = 0;
};

// Sums of w x g and w x^2 g with g = exp(-(x - mean)^2 / (2 variance)): the
// partial moments of a Gaussian.
void PartialMomentSums(const SimpsonPanels& r, double mean, double variance, double& first, double& second);

// Sum of w exp(-(y - x)^2 / (2 Vm) - (x - E)^2 / (2 V)): a Gaussian true
// increment convolved with Gaussian measurement error.
double ConvolvedSum(const SimpsonPanels& r, double y, double Vm, double E, double V);

// Sum over n nodes of weighted exp(-(y - x)^2 / (2 Vm)), the density of the
// true increment and the Simpson weight already in `weighted`.  Both arrays
// are read in whole vectors: readable up to the next multiple of
// kVectorPad entries (those past n are ignored).
inline constexpr int kVectorPad = 16;
inline constexpr int PaddedCount(int n) { return (n + kVectorPad - 1) / kVectorPad * kVectorPad; }
double WeightedGaussianSum(const double* x, const double* weighted, int n, double y, double Vm);

// P(a, x[i]) for i < n <= kMaxGammaPBatch, the regularised lower incomplete
// gamma function of one shape a (0 < a <= 1e6, lnGammaA = ln Gamma(a)): the
// series below a + 1, the continued fraction above, each x iterated until
// its own convergence exactly as one x at a time is; only exp is the vector
// form.  0 where x is not above 0.
inline constexpr int kMaxGammaPBatch = 64;
void GammaPMany(double a, double lnGammaA, const double* x, double* out, int n);

}  // namespace corvane
