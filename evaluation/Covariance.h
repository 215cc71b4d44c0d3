#pragma once
// Covariances of the free parameters at the current estimates: the inverse
// of the Hessian of the objective, from three numerical grids around the
// estimates or from the model's analytical second derivatives (MODEL with
// NF = -2), scaled by 1/c into -ln[L] units.  Toolkit-free: settings in,
// the results store out, progress and interrupts through one callback that
// is called by time, never once per evaluation.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "numeric/OneBased.h"

namespace corvane {

class Clock;
class Workbench;

enum class CovarianceMethod { Numerical, Analytical };

// "N" or "A", as the report and the store name the method.
const char* MethodCode(CovarianceMethod method);

inline constexpr int kGrids = 3;
// Factors 1, 0.1 and 0.01 (indexed 1..3), set afresh for every numerical run.
Vec1<double> DefaultGridFactors();

// How one grid ended.
enum class GridOutcome {
    NotRun,               // nothing computed (a fresh store)
    Valid,                // R_g holds the covariances
    Abandoned,            // the user quit the grid after an interrupt
    NotPositiveDefinite,  // the Hessian failed the Cholesky test (failedAt names the parameter)
};

// The covariance results store.  Everything the report and the covariance
// file need, so that both can be rebuilt from it alone.
struct CovarianceResults {
    bool computed = false;  // holds a finished calculation
    CovarianceMethod method = CovarianceMethod::Numerical;
    int n = 0;  // parameters
    int p = 0;  // free parameters

    Vec1<int> number;       // number(k): parameter number of free parameter k (1..p)
    Vec1<int> freeIndexOf;  // k of parameter i, 0 when i is not free (1..n)
    Vec1<double> values;    // working values (1..n) after fuse expansion
    Vec1<double> steps;     // working steps (1..n)
    // Fuse codes and descriptions as they were during the calculation.
    Vec1<std::string> fuse;
    Vec1<std::string> description;

    double centre = 0.0;            // f0: objective at the working values, prior included
    double constant = 1.0;          // c: -ln[L] = c x objective
    double reciprocalConstant = 1.0;  // 1/c
    bool optimistic = false;        // diagonal Hessian only (conditional SEs)

    // Per grid g = 1..3.
    Vec1<double> factor;      // F_g; 0 in the analytical method
    Vec1<double> mean;        // mean objective on the grid (unscaled); -1 when abandoned
    Vec1<double> sd;          // signed SD of the objective on the grid (unscaled); -1 when abandoned
    Vec1<GridOutcome> outcome;
    Vec1<int> failedAt;       // parameter number where the Cholesky test failed, else 0
    // R_g (0..n, 0..n): R(0,0) determinant of the covariance matrix,
    // R(0,k) standard error of free parameter k, R(1,0) product of the
    // variances, R(k,l) covariance of k and l (k, l = 1..p).  Every cell is
    // -1 when the grid has no valid result.
    Vec1<Mat1<double>> R;

    // Standard error of free parameter k (1..p) on grid g (1..3): R_g(0, k),
    // or -1 when there is none (no calculation, k or g out of range, or a
    // grid without a valid result).  The profile and posterior evaluations
    // take their suggested steps from here.
    double StandardError(int k, int grid) const;
    // The same by parameter number; -1 for a parameter that was not free.
    double ParameterStandardError(int parameter, int grid) const;
    bool GridValid(int grid) const;
    int ValidGrids() const;
};

// Results that steps may be taken from: a finished calculation of the model
// and algorithm data in use (loading other algorithm data, initialising the
// model or moving the estimates marks them out of date).
bool CovarianceResultsCurrent(const Workbench& wb);

// What a calculation starts from: the free parameters of the working steps,
// the two index maps and the centre value f0.
struct CovariancePlan {
    int n = 0;
    int p = 0;
    Vec1<int> number;
    Vec1<int> freeIndexOf;
    Vec1<double> values;  // fuse-expanded working values
    Vec1<double> steps;
    double centre = 0.0;  // f0
};

// Counts the free parameters (step not 0), builds the maps, expands the
// fuses of the working values and evaluates f0 (MODEL with NF = 1, prior
// added while priors are in use).  The fuse groups must be set up.
CovariancePlan PlanCovariances(Workbench& wb, const Vec1<double>& values, const Vec1<double>& steps);

struct CovarianceSettings {
    CovarianceMethod method = CovarianceMethod::Numerical;
    // Grid factors F_1..F_3; the analytical method sets them to 0.
    Vec1<double> factors = DefaultGridFactors();
    double constant = 1.0;    // c > 0
    bool optimistic = false;  // numerical grids: diagonal points only
    // Seconds between two progress reports; 0 reports after every point.
    double progressInterval = 0.1;
};

struct CovarianceProgress {
    int grid = 0;          // 1..3
    int call = 0;          // q: points of this grid done, 1..callsPerGrid
    int callsPerGrid = 0;  // p (p + 1)
    long long secondsLeft = 0;  // estimate for this and the later grids
};

enum class GridReply { Continue, QuitGrid };

struct CovarianceCallbacks {
    // Lines for the progress window (each piece ends with its own CR LF).
    std::function<void(const std::string&)> log;
    // Called after a grid point has been evaluated, at the first and last
    // points of each grid and between them at most every progressInterval
    // seconds: shows the progress, lets the interface breathe, and answers
    // QuitGrid when the user asked to quit the grid after an interrupt.
    std::function<GridReply(const CovarianceProgress&)> progress;
};

// The calculation.  Numerical: three grids of p (p + 1) points each (only
// the 2p diagonal points call MODEL with the optimistic option), each grid's
// Hessian tested by Cholesky and inverted.  Analytical: MODEL with NF = -2
// once per grid, all three grids alike.  While priors are in use the centre
// is evaluated again first (the prior is scaled by the constant, which is
// asked after the plan).  With no free parameter nothing is computed (the
// store's computed flag stays clear).
CovarianceResults ComputeCovariances(Workbench& wb, const CovariancePlan& plan, const CovarianceSettings& settings,
                                     const CovarianceCallbacks& callbacks = {});

// --- pieces, each usable on its own ------------------------------------------

// One grid point: free parameters k <= l, sign 1 for the plus point and 2
// for the minus point.
struct GridPoint {
    int k = 0;
    int l = 0;
    int sign = 1;
};

// The points of one grid in evaluation order: k = 1..p, l = k..p, plus then minus.
std::vector<GridPoint> GridPoints(int p);

// The full trial vector of a point: the working values with x_i moved by
// +-F h_i and, off the diagonal, x_j moved the same way by F h_j.
Vec1<double> GridPointVector(const CovariancePlan& plan, const GridPoint& point, double factor);

// Objective at one grid point (fuses expanded, MODEL with NF = 1, the prior
// added).  Points do not depend on each other: this is the one function a
// caller would run side by side, each thread with a model workspace of its own.
double EvaluateGridPoint(Workbench& wb, const CovariancePlan& plan, const GridPoint& point, double factor);

// Hessian of a completed grid from its point values V(k, l, sign), in
// objective units.  plus(k, l) and minus(k, l) are filled for k <= l.
Mat1<double> GridHessian(const CovariancePlan& plan, const Mat1<double>& plus, const Mat1<double>& minus,
                         double factor, bool optimistic);

// The positive-definiteness test: 0 when the Cholesky factorisation of h
// (p x p) succeeds, otherwise the free index k at which a diagonal term was
// not greater than 0 (or not finite).
int CholeskyFailure(const Mat1<double>& h, int p);

// Inverts the Hessian of grid g into R_g (all -1 first) with the constant's
// reciprocal; the progress lines go to log.  False when h is not
// positive-definite (R_g stays -1 and failedAt names the parameter).
bool InvertGridHessian(CovarianceResults& store, int grid, const Mat1<double>& h,
                       const std::function<void(const std::string&)>& log);

// "Estimated time remaining for all three grids (m:s): 1:05"
std::string TimeRemainingText(long long seconds);

// The progress window's explanation of a Hessian that is not positive-definite.
std::string NotPositiveDefiniteText(int parameter);

}  // namespace corvane
