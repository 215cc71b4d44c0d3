#pragma once
// The Bayesian posterior of one parameter.  The profiled parameter is set in
// turn to m equally spaced values x_i; at each, the likelihood (priors
// included) relative to a reference L0 is summed over a full grid of g
// values per integrated parameter (up to six), and -ln of the sum becomes
// the point's -ln[L].  Toolkit-free: a plan in, block sums out, the shared
// columns assembled from the sums.
//
// Canonical summation.  The nodes of one profile point are visited with the
// first integrated parameter outermost.  They are cut into blocks of g
// consecutive nodes (one line of the innermost parameter; a single node when
// nothing is integrated).  A block's sum adds its terms in node order from
// 0; a point's sum adds its block sums in block order from 0.  Every run
// (whole, interrupted, or cut into shards at block boundaries) therefore
// gives the same sums, bit for bit.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "evaluation/DistributionColumns.h"
#include "numeric/OneBased.h"
#include "plots/PlotData.h"

namespace corvane {

class Workbench;
struct AlgorithmData;
struct EngineState;

inline constexpr int kMaxIntegrated = 6;
inline constexpr int kMaxPosteriorPoints = 1001;
// The most function calls one posterior may need: the range of the 32-bit
// call counter.  (The refusal's text names 32767, the counter of old; a
// posterior over several parameters needs far more, and can now be shared
// among processes.)
inline constexpr long long kMaxPosteriorCalls = 2147483647LL;
// -ln[L] of a point whose sum is 0 (every node far less likely than L0).
inline constexpr double kEmptySumNegLnL = 1e20;
// Start of the running minimum that finds the mode.
inline constexpr double kRunningMinimumStart = 1e100;
// Nodes evaluated in one batch at most (whole blocks of one profile point,
// at least one block): the progress and interrupts are looked at between
// batches, and a parallel evaluation shares out one batch.
inline constexpr long long kNodesPerBatch = 256;

// A size as the prompts accept it: 1..1001, below 3 becomes 3, an even
// number is increased by 1; a fraction is rounded first.  nullopt outside.
std::optional<int> AcceptedSize(double answer);

// T = m g^k, or kMaxPosteriorCalls + 1 when it is larger than that.
long long RequiredCalls(int m, int g, int k);

struct PosteriorPlan {
    int parameter = 0;   // the profiled parameter
    int m = 0;           // profile points
    int g = 0;           // grid points per integrated parameter (0 when none)
    double centre = 0.0; // v: the profiled parameter's value
    double step = 0.0;   // h: its step, also the spacing of the columns
    Vec1<int> integrated;        // parameter numbers, the first outermost
    Vec1<double> gridCentre;     // v_q
    Vec1<double> gridStep;       // h_q
    Vec1<double> base;           // the values every node starts from (profiled at v)
    double reciprocalConstant = 1.0;  // 1/c: -ln[L] = objective / (1/c)
    double reference = 0.0;      // L0, -ln[L] at the starting values (k >= 1)

    int k() const { return integrated.size(); }
    long long NodesPerPoint() const;  // g^k
    long long NodesPerBlock() const;  // g, or 1 when nothing is integrated
    long long BlocksPerPoint() const;
    long long Blocks() const;         // of the whole run
    long long Calls() const;          // T
    double ProfileValue(int i) const;      // x_i = v + (i - (m + 1)/2) h
    double GridValue(int q, int j) const;  // y_qj = v_q + (j - (g + 1)/2) h_q
    // The grid indices j_1..j_k of node n (0-based) of a profile point.
    Vec1<int> NodeIndices(long long n) const;
};

// The plan for the workbench as it stands: fuse groups and free list set
// up, the profiled parameter's step already 0 (its value v and step h given
// here), every other free parameter integrated.  Takes 1/c from the prior
// table, where the constant dialogue stores it.  The reference is not
// evaluated here (see EvaluateReference).
PosteriorPlan PlanPosterior(const Workbench& wb, int parameter, double v, double h, int m, int g);

// The full vector of node n of profile point i: the base values with x_i
// and the node's grid values, fuses expanded (in Bayesian mode).
Vec1<double> NodeVector(Workbench& wb, const PosteriorPlan& plan, int i, long long n);

// -ln[L] at the plan's starting values: objective / (1/c).
double EvaluateReference(Workbench& wb, const PosteriorPlan& plan);

// A model that reports a data count N > 0 gets its constant from the
// starting values instead of the constant dialogue: 1/c = (N - p - 1) /
// (2 F0), F0 the model's objective there (priors left out), p the free
// parameters counting the profiled one.  nullopt when that is not above 0.
std::optional<double> DerivedReciprocalConstant(Workbench& wb, const PosteriorPlan& plan, int freeCount);

// --- the evaluation -------------------------------------------------------

struct PosteriorProgress {
    int point = 0;             // i, the profile point of the last node evaluated
    Vec1<int> node;            // its grid indices j_1..j_k
    long long callsDone = 0;   // of this run
    long long callsTotal = 0;  // of this run (the blocks asked for)
    long long secondsLeft = 0; // elapsed / done x remaining, rounded
};

enum class PosteriorReply { Continue, Quit };

struct PosteriorCallbacks {
    // Called between batches, at most every progressInterval seconds, and
    // after the last: shows the progress, lets the interface breathe, and
    // answers Quit when the user ends the integration.
    std::function<PosteriorReply(const PosteriorProgress&)> progress;
    double progressInterval = 0.1;
};

// What a run (or one shard of it) produces.
struct PosteriorBlocks {
    long long first = 0;        // first block (0-based in the run's block list)
    // Per block computed: the sum of exp(-(node - L0)), or the node's -ln[L]
    // when k = 0.  Folded (a whole run): per finished profile point, the sum
    // of its block sums.
    std::vector<double> sums;
    bool folded = false;
    std::vector<double> terms;  // k = 1: every node's term, in node order
    long long calls = 0;
    bool interrupted = false;
    int interruptedAt = 0;      // the profile point under way when the user quit
};

// Evaluates blocks first .. first + count - 1 (a whole run: 0 and
// plan.Blocks()).  Sets the Bayesian mode and the evaluated parameter for
// the fuse expansion while it runs, and counts the calls in the engine's
// function-call counter.
PosteriorBlocks ComputePosteriorBlocks(Workbench& wb, const PosteriorPlan& plan, long long first, long long count,
                                       const PosteriorCallbacks& callbacks = {});
// The whole run, folded: the same sums, one kept per profile point.
PosteriorBlocks ComputePosterior(Workbench& wb, const PosteriorPlan& plan, const PosteriorCallbacks& callbacks = {});

// Blocks of shard K of N (1 <= K <= N): a contiguous slice, the slices in
// order covering every block once.
struct BlockRange {
    long long first = 0;
    long long count = 0;
};
BlockRange ShardBlocks(long long blocks, int shard, int shards);

// --- the result -----------------------------------------------------------

struct PosteriorResult {
    ProfileColumns columns;       // x and -ln[L] of the points kept, then the distribution columns
    DistributionSummary summary;
    int mode = 0;                 // r, the point with the smallest -ln[L]
    int pointsKept = 0;           // m, or fewer after an interrupt
    bool interrupted = false;
    bool overflow = false;        // a sum was too large to hold: some node is far likelier than L0
    bool empty = false;           // every point kept summed to 0: all far less likely than L0
    // A grid too coarse or too narrow for the distribution (CheckGrid).
    std::vector<std::string> warnings;
    bool shown = false;           // enough points (3) for the distribution columns
    long long calls = 0;
    // One integrated parameter: the density grid and its peak.
    std::optional<BivariatePlotData> bivariate;
    double peak = 0.0;
};

// The columns from the block sums of blocks 0 .. sums.size() - 1 in order
// (terms likewise, one per node, when k = 1).  An interrupted run keeps
// every point it finished; the mode is the smallest -ln[L] of the points
// kept.  With at least 3 points kept the distribution columns are filled
// (the expected value starts at x_ML and the SD at 0, kept when the
// likelihood integrates to nothing).
PosteriorResult AssemblePosterior(const PosteriorPlan& plan, const std::vector<double>& sums,
                                  const std::vector<double>& terms, long long calls,
                                  std::optional<int> interruptedAt = std::nullopt);
// The result of a whole run (ComputePosterior) or of one computed from block 0.
PosteriorResult AssemblePosterior(const PosteriorPlan& plan, const PosteriorBlocks& run);

// --- steps from a covariance grid -------------------------------------------

// Every free parameter (step not 0) gets 7 SE / (g - 1), then the profiled
// parameter 8 SE / (m - 1), SE from standardError(parameter).  False, with
// nothing changed, when some SE needed is not above 0 (a grid without a
// valid result).
bool StepsFromCovarianceGrid(AlgorithmData& data, int parameter, int m, int g,
                             const std::function<double(int parameter)>& standardError);

// --- texts ------------------------------------------------------------------

namespace posterior_text {
inline constexpr const char* DataTitle = "Bayesian posterior distribution data";
}  // namespace posterior_text

// "Value of parameter being profiled: 1.2500E+00 (point   3 of  25)"
std::string ProfilePointStatus(double x, int i, int m);
// Nothing integrated: "Calculating profile point    3 of   25, Value of parameter # 4 which is being profiled is: ..."
std::string ProfilePointStatusAlone(int parameter, double x, int i, int m);
// "Parameter # 5 (point   7 of  25)"
std::string GridLevelStatus(int parameter, int j, int g);
// "Function calls remaining: 4375"
std::string CallsRemainingStatus(long long remaining);
// "Estimated time remaining (m:s): 1:05"
std::string TimeRemainingStatus(long long seconds);

// Why a posterior whose every point summed to 0 is not shown.
std::string EmptyPosteriorText();

// The data text of the .pos file and the "Bayesian statistics" window.
std::string PosteriorDataText(const PosteriorResult& result);

// The .grd file: title line, heading, one line per node (CR LF line ends).
std::string GridFileText(const BivariatePlotData& data);

}  // namespace corvane
