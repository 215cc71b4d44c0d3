#pragma once
// The size of an age-class under stochastic von Bertalanffy growth: its mean
// and SD (closed form for b = 0, a grid for b > 0), its exact distribution
// from the joint distribution of L-infinity (Gaussian) and k (gamma), and the
// survival of fish that have grown past a size at which fishing begins.
#include <algorithm>

#include "model/GrowthParameters.h"

namespace corvane {

// Regularised lower incomplete gamma function P(a, x) = the gamma CDF of
// shape a at x in units of its scale.
double GammaP(double a, double x);

// The distributions one age-class is drawn from, at its age t (years, > 0).
struct AgeClassGrowth {
    double t = 0.0;
    double meanL = 0.0, varL = 0.0;  // L-infinity: Gaussian, mean mu + cL
    double meanK = 0.0, varK = 0.0;  // k: gamma
    double b = 0.0;
    double S1 = 1.0;                 // exp(-ck): the annual cycle in k when b = 0
    bool degenerateL = false;        // variance at its floor: a single value
    bool degenerateK = false;

    // Size at age t of a fish with asymptotic size L and growth coefficient k,
    // and its partial derivatives.
    double Size(double L, double k) const;
    void SizeAndSlopes(double L, double k, double& x, double& dL, double& dk) const;
    // The time a fish (L, k) needs to grow from size 0 to x, ignoring the
    // annual cycles; infinite when x >= L.
    double TimeToReach(double x, double L, double k) const;
};

// The set-up of an age-class at age t from the prepared parameters: the seasonal
// terms at t move the mean of L-infinity (cL) and either scale growth (S1, b = 0)
// or move the mean of k (b > 0).
AgeClassGrowth GrowthAtAge(const GrowthParameters& p, double t);

// Mean and SD of size at age.  b = 0: closed form, measurement variance q2
// included.  b > 0: the 41 x 41 grid; weightSum receives the sum of its weights.
void SizeMoments(const GrowthParameters& p, double t, double& mean, double& sd, double& weightSum);

// The exact distribution of size at one age.
class JointSizeDistribution {
public:
    explicit JointSizeDistribution(const AgeClassGrowth& g);

    // P(size <= x).
    double Cdf(double x) const;
    // P(lower < size <= upper).
    double CellProbability(double lower, double upper) const { return std::max(0.0, Cdf(upper) - Cdf(lower)); }
    // Density of size at x.
    double Density(double x) const;
    // Mean survival exp(-F (t - time to reach fishSize)) of the fish of size x
    // (x above fishSize): the survival of each (L, k) pair that reaches x at
    // age t, weighted by its share of the density at x.  At most 1.
    double SurvivalFactor(double x, double fishSize, double F) const;

    // Whether the sums run over L-infinity (or over k): the one that spreads size less.
    bool OverL() const { return overL_; }

private:
    // The grid over the chosen variable: value and probability weight.
    struct Node {
        double value;
        double weight;
        double share = 0.0;  // k nodes with b = 0: 1 - S1 exp(-k t), the share of L-infinity grown by age t
    };
    double KGivenSize(double L, double x, bool& found) const;  // k with Size(L, k) = x
    double CdfOverPlainL(double x) const;                      // Cdf on the L grid with b = 0
    double CdfOverPlainK(double x) const;                      // Cdf on the k grid with b = 0
    // L with Size(L, k) = x; knownShare: the node's share, when it has one.
    double LGivenSize(double k, double x, bool& found, const double* knownShare = nullptr) const;
    double KDensity(double k) const;
    double LDensity(double L) const;
    double KCdf(double k) const;
    double LCdf(double L) const;
    template <class Visit>
    double AlongSize(double x, Visit visit) const;

    AgeClassGrowth g_;
    bool overL_ = true;
    int nL_ = 0, nK_ = 0;
    Node L_[200];
    Node K_[320];
    double shape_ = 0.0, scale_ = 0.0, lnGammaShape_ = 0.0, lnNorm_ = 0.0;  // of the gamma distribution of k
    double sdL_ = 0.0;
};

}  // namespace corvane
