#include "evaluation/Posterior.h"

#include <algorithm>
#include <cmath>

#include "engine/BatchObjective.h"
#include "engine/SideBySide.h"
#include "engine/modCorvane.h"
#include "numeric/Format.h"

namespace corvane {

std::optional<int> AcceptedSize(double answer) {
    if (!std::isfinite(answer)) return std::nullopt;
    const double whole = std::nearbyint(answer);
    if (whole < 1.0 || whole > kMaxPosteriorPoints) return std::nullopt;
    int n = static_cast<int>(whole);
    if (n < 3) n = 3;
    if (n % 2 == 0) ++n;
    return n;
}

long long RequiredCalls(int m, int g, int k) {
    long long t = m;
    for (int q = 1; q <= k; ++q) {
        if (g != 0 && t > kMaxPosteriorCalls / g) return kMaxPosteriorCalls + 1;
        t *= g;
    }
    return t;
}

// --- the plan -------------------------------------------------------------------

long long PosteriorPlan::NodesPerPoint() const {
    long long n = 1;
    for (int q = 1; q <= k(); ++q) n *= g;
    return n;
}

long long PosteriorPlan::NodesPerBlock() const { return k() == 0 ? 1 : g; }

long long PosteriorPlan::BlocksPerPoint() const { return k() == 0 ? 1 : NodesPerPoint() / g; }

long long PosteriorPlan::Blocks() const { return static_cast<long long>(m) * BlocksPerPoint(); }

long long PosteriorPlan::Calls() const { return static_cast<long long>(m) * NodesPerPoint(); }

double PosteriorPlan::ProfileValue(int i) const { return centre + (i - (m + 1) / 2.0) * step; }

double PosteriorPlan::GridValue(int q, int j) const { return gridCentre[q] + (j - (g + 1) / 2.0) * gridStep[q]; }

Vec1<int> PosteriorPlan::NodeIndices(long long n) const {
    Vec1<int> j(k(), 1);
    for (int q = k(); q >= 1; --q) {
        j[q] = static_cast<int>(n % g) + 1;
        n /= g;
    }
    return j;
}

PosteriorPlan PlanPosterior(const Workbench& wb, int parameter, double v, double h, int m, int g) {
    const AlgorithmData& a = wb.alg;
    PosteriorPlan plan;
    plan.parameter = parameter;
    plan.m = m;
    plan.centre = v;
    // A negative step is a spacing all the same: the points and grids run
    // from left to right, as the profile's do (a negative spacing would turn
    // every integral negative and leave the columns empty).
    plan.step = std::fabs(h);
    int k = 0;
    for (int i = 1; i <= a.np; ++i)
        if (i != parameter && a.step[i] != 0.0) ++k;
    plan.g = k == 0 ? 0 : g;
    plan.integrated.resize(k);
    plan.gridCentre.resize(k);
    plan.gridStep.resize(k);
    int q = 0;
    for (int i = 1; i <= a.np; ++i) {
        if (i == parameter || a.step[i] == 0.0) continue;
        ++q;
        plan.integrated[q] = i;
        plan.gridCentre[q] = a.value[i];
        plan.gridStep[q] = std::fabs(a.step[i]);
    }
    plan.base = a.value;
    plan.base[parameter] = v;
    plan.reciprocalConstant = wb.priorTable.reciprocalConstant;
    return plan;
}

Vec1<double> NodeVector(Workbench& wb, const PosteriorPlan& plan, int i, long long n) {
    Vec1<double> x = plan.base;
    x[plan.parameter] = plan.ProfileValue(i);
    if (plan.k() > 0) {
        const Vec1<int> j = plan.NodeIndices(n);
        for (int q = 1; q <= plan.k(); ++q) x[plan.integrated[q]] = plan.GridValue(q, j[q]);
    }
    ExpandFuses(x, wb.alg, wb.engine);
    return x;
}

namespace {

// The engine's modes as an evaluation of the profiled parameter needs them
// for the fuse expansion, put back afterwards.
class BayesianModeScope {
public:
    BayesianModeScope(EngineState& e, int parameter)
        : e_(e), mode_(e.bayesianMode), parameter_(e.evaluatedParameter) {
        e.bayesianMode = true;
        e.evaluatedParameter = parameter;
    }
    ~BayesianModeScope() {
        e_.bayesianMode = mode_;
        e_.evaluatedParameter = parameter_;
    }
    BayesianModeScope(const BayesianModeScope&) = delete;
    BayesianModeScope& operator=(const BayesianModeScope&) = delete;

private:
    EngineState& e_;
    bool mode_;
    int parameter_;
};

double SecondsBetween(double then, double now) { return now >= then ? now - then : now + 86400.0 - then; }

}  // namespace

double EvaluateReference(Workbench& wb, const PosteriorPlan& plan) {
    BayesianModeScope mode(wb.engine, plan.parameter);
    Vec1<double> x = plan.base;
    ExpandFuses(x, wb.alg, wb.engine);
    return ObjectiveAt(wb, x, nf::Once) / plan.reciprocalConstant;
}

std::optional<double> DerivedReciprocalConstant(Workbench& wb, const PosteriorPlan& plan, int freeCount) {
    BayesianModeScope mode(wb.engine, plan.parameter);
    Vec1<double> x = plan.base;
    ExpandFuses(x, wb.alg, wb.engine);
    double f = ObjectiveAt(wb, x, nf::Once);
    if (wb.engine.priorsInUse) f -= wb.engine.priorContribution;
    const double r = (static_cast<double>(wb.dataCount) - freeCount - 1.0) / (2.0 * f);
    if (!(r > 0.0) || !std::isfinite(r)) return std::nullopt;
    return r;
}

// --- the evaluation -------------------------------------------------------------

namespace {

// The evaluation of blocks first .. first + count - 1; with fold, each
// finished profile point's block sums are added up at once (in block order,
// as AssemblePosterior does) and only the point's sum is kept.
PosteriorBlocks ComputeBlocks(Workbench& wb, const PosteriorPlan& plan, long long first, long long count,
                              const PosteriorCallbacks& callbacks, bool fold) {
    BayesianModeScope mode(wb.engine, plan.parameter);
    PosteriorBlocks out;
    out.first = first;
    out.folded = fold;
    double pointSum = 0.0;
    const long long perPoint = plan.BlocksPerPoint();
    const long long perBlock = plan.NodesPerBlock();
    const bool keepTerms = plan.k() == 1;
    const long long end = first + count;
    const long long total = count * perBlock;
    // A shard keeps 8 bytes a block, a whole run 8 bytes a point.
    out.sums.reserve(static_cast<std::size_t>(fold ? plan.m : std::min(count, 1LL << 20)));
    if (keepTerms) out.terms.reserve(static_cast<std::size_t>(total));  // at most 1001 x 1001

    const Clock& clock = wb.ports.clock;
    const double start = clock.SecondsSinceMidnight();
    double lastReport = start;
    std::vector<Vec1<double>> vectors;
    std::vector<double> values;
    wb.engine.functionCalls = 0;
    // The nodes of a batch side by side, with copies of the model kept for the run.
    SideBySide side(wb);

    long long b = first;
    while (b < end) {
        const int i = static_cast<int>(b / perPoint) + 1;
        const long long local = b % perPoint;
        // Whole blocks of one profile point.
        long long blocks = std::max<long long>(1, kNodesPerBatch / perBlock);
        blocks = std::min({blocks, perPoint - local, end - b});
        const long long firstNode = local * perBlock;
        const long long nodes = blocks * perBlock;
        vectors.resize(static_cast<std::size_t>(nodes));
        for (long long n = 0; n < nodes; ++n)
            vectors[static_cast<std::size_t>(n)] = NodeVector(wb, plan, i, firstNode + n);
        EvaluateBatch(side, vectors, values);

        for (long long bl = 0; bl < blocks; ++bl) {
            double sum = 0.0;
            for (long long n = bl * perBlock; n < (bl + 1) * perBlock; ++n) {
                const double negLnL = values[static_cast<std::size_t>(n)] / plan.reciprocalConstant;
                if (plan.k() == 0) {
                    sum = negLnL;
                    continue;
                }
                const double term = std::exp(-(negLnL - plan.reference));
                sum += term;
                if (keepTerms) out.terms.push_back(term);
            }
            if (!fold) {
                out.sums.push_back(sum);
            } else if (plan.k() == 0) {
                out.sums.push_back(sum);
            } else {
                pointSum += sum;
                if (local + bl + 1 == perPoint) {
                    out.sums.push_back(pointSum);
                    pointSum = 0.0;
                }
            }
        }
        out.calls += nodes;
        wb.engine.functionCalls = static_cast<std::int32_t>(std::min<long long>(out.calls, kMaxPosteriorCalls));
        b += blocks;

        if (!callbacks.progress) continue;
        const double now = clock.SecondsSinceMidnight();
        if (b < end && SecondsBetween(lastReport, now) < callbacks.progressInterval) continue;
        lastReport = now;
        PosteriorProgress p;
        p.point = i;
        p.node = plan.NodeIndices(firstNode + nodes - 1);
        p.callsDone = out.calls;
        p.callsTotal = total;
        const double perCall = SecondsBetween(start, now) / static_cast<double>(out.calls);
        p.secondsLeft = std::llround(perCall * static_cast<double>(total - out.calls));
        if (callbacks.progress(p) == PosteriorReply::Quit) {
            out.interrupted = true;
            out.interruptedAt = i;
            break;
        }
    }
    return out;
}

}  // namespace

PosteriorBlocks ComputePosteriorBlocks(Workbench& wb, const PosteriorPlan& plan, long long first, long long count,
                                       const PosteriorCallbacks& callbacks) {
    return ComputeBlocks(wb, plan, first, count, callbacks, false);
}

PosteriorBlocks ComputePosterior(Workbench& wb, const PosteriorPlan& plan, const PosteriorCallbacks& callbacks) {
    return ComputeBlocks(wb, plan, 0, plan.Blocks(), callbacks, true);
}

BlockRange ShardBlocks(long long blocks, int shard, int shards) {
    BlockRange r;
    if (shards < 1 || shard < 1 || shard > shards || blocks <= 0) return r;
    // blocks x shard stays far inside 64 bits: blocks <= 2^31.
    const long long from = blocks * (shard - 1) / shards;
    const long long to = blocks * shard / shards;
    r.first = from;
    r.count = to - from;
    return r;
}

// --- the result -----------------------------------------------------------------

namespace {

PosteriorResult Assemble(const PosteriorPlan& plan, const std::vector<double>& sums, const std::vector<double>& terms,
                         long long calls, std::optional<int> interruptedAt, bool folded) {
    PosteriorResult r;
    r.calls = calls;
    const long long perPoint = folded ? 1 : plan.BlocksPerPoint();
    const long long complete = static_cast<long long>(sums.size()) / perPoint;
    // Every point whose sum is whole is kept, interrupted or not, as the
    // profile keeps its finished points; the point under way is not shown.
    long long kept = std::min<long long>(plan.m, complete);
    if (interruptedAt) r.interrupted = true;
    r.pointsKept = static_cast<int>(kept);

    ProfileColumns& c = r.columns;
    c.Size(r.pointsKept);
    double minimum = kRunningMinimumStart;
    for (int i = 1; i <= r.pointsKept; ++i) {
        c.x[i] = plan.ProfileValue(i);
        const std::size_t from = static_cast<std::size_t>((i - 1) * perPoint);
        double value;
        if (plan.k() == 0) {
            value = sums[from];
        } else {
            double sum = 0.0;
            for (long long b = 0; b < perPoint; ++b) sum += sums[from + static_cast<std::size_t>(b)];
            if (std::isinf(sum)) r.overflow = true;
            value = sum != 0.0 ? -std::log(sum) : kEmptySumNegLnL;
        }
        c.negLnL[i] = value;
        if (value < minimum) {
            minimum = value;
            r.mode = i;
            c.xML = c.x[i];
        }
    }

    if (plan.k() == 1 && r.pointsKept >= 1) {
        BivariatePlotData d;
        d.xParameter = plan.parameter;
        d.yParameter = plan.integrated[1];
        d.x.resize(r.pointsKept);
        d.y.resize(plan.g);
        d.density.resize(r.pointsKept, plan.g, 0.0);
        for (int i = 1; i <= r.pointsKept; ++i) d.x[i] = c.x[i];
        for (int j = 1; j <= plan.g; ++j) d.y[j] = plan.GridValue(1, j);
        double peak = -1.0;
        for (int i = 1; i <= r.pointsKept; ++i) {
            for (int j = 1; j <= plan.g; ++j) {
                const double t = terms[static_cast<std::size_t>(i - 1) * static_cast<std::size_t>(plan.g) +
                                       static_cast<std::size_t>(j - 1)];
                d.density(i, j) = t;
                if (t > peak) {
                    peak = t;
                    d.peakX = d.x[i];
                    d.peakY = d.y[j];
                }
            }
        }
        r.peak = peak;
        r.bivariate = std::move(d);
    }

    // When every sum kept is empty the column holds only the stand-in 1E+20:
    // relative to its "mode" it would read as a flat posterior of zeros.
    r.empty = plan.k() > 0 && r.pointsKept >= 1 && !(minimum < kEmptySumNegLnL);
    r.shown = r.pointsKept >= 3 && r.mode >= 1 && !r.overflow && !r.empty;
    if (r.shown) {
        double mean = c.xML, difference = 0.0, sd = 0.0;
        DistributionColumns(c, mean, difference, sd, r.mode, plan.step);
        r.summary = {mean, difference, sd};
        r.warnings = CheckGrid(c, sd, r.mode, plan.step).warnings;
    }
    return r;
}

}  // namespace

PosteriorResult AssemblePosterior(const PosteriorPlan& plan, const std::vector<double>& sums,
                                  const std::vector<double>& terms, long long calls, std::optional<int> interruptedAt) {
    return Assemble(plan, sums, terms, calls, interruptedAt, false);
}

PosteriorResult AssemblePosterior(const PosteriorPlan& plan, const PosteriorBlocks& run) {
    return Assemble(plan, run.sums, run.terms, run.calls,
                    run.interrupted ? std::optional<int>(run.interruptedAt) : std::nullopt, run.folded);
}

// --- steps from a covariance grid -------------------------------------------------

bool StepsFromCovarianceGrid(AlgorithmData& data, int parameter, int m, int g,
                             const std::function<double(int parameter)>& standardError) {
    Vec1<double> steps = data.step;
    for (int i = 1; i <= data.np; ++i) {
        if (data.step[i] == 0.0) continue;
        const double se = standardError(i);
        if (!(se > 0.0)) return false;
        if (i == parameter)
            steps[i] = 8.0 * se / (m - 1);
        else
            steps[i] = 7.0 * se / (g - 1);
    }
    data.step = steps;
    return true;
}

// --- texts --------------------------------------------------------------------------

std::string ProfilePointStatus(double x, int i, int m) {
    return "Value of parameter being profiled: " + Format(x, "0.0000E+00") + " (point " + Format(i, "##0") + " of " +
           Format(m, "##0)");
}

std::string ProfilePointStatusAlone(int parameter, double x, int i, int m) {
    return "Calculating profile point " + Format(i, "###0") + " of " + Format(m, "###0") + "," +
           " Value of parameter # " + NumberText(parameter) + " which is being profiled is: " + Format(x, "0.0000E+00");
}

std::string GridLevelStatus(int parameter, int j, int g) {
    return "Parameter #" + Format(parameter, "#0") + " (point " + Format(j, "##0") + " of " + Format(g, "##0") + ")";
}

std::string CallsRemainingStatus(long long remaining) { return "Function calls remaining: " + NumberText(remaining); }

std::string TimeRemainingStatus(long long seconds) {
    if (seconds < 0) seconds = 0;
    const long long minutes = seconds / 60;
    const long long rest = seconds - 60 * minutes;
    return "Estimated time remaining (m:s): " + NumberText(minutes) + ":" + (rest < 10 ? "0" : "") + NumberText(rest);
}

std::string EmptyPosteriorText() {
    return "Every grid node of the points computed is far less likely than the starting values, so no point has "
           "a likelihood to show. Centre the profiled parameter nearer its estimate, or use a smaller step";
}

std::string PosteriorDataText(const PosteriorResult& result) {
    return ConfidenceDataText(posterior_text::DataTitle, result.columns, result.summary);
}

std::string GridFileText(const BivariatePlotData& d) {
    // A print list: each number with a sign position in front and a space after.
    std::string t = "Bivariate plot data for parameters " + NumberText(d.xParameter) + " and " +
                    NumberText(d.yParameter) + " " + CRLF;
    t += std::string("        X_Coord,        Y_Coord,  Prob_Density") + CRLF;
    for (int i = 1; i <= d.x.size(); ++i)
        for (int j = 1; j <= d.y.size(); ++j)
            t += Format(d.x[i], "    0.0000E+000") + Format(d.y[j], "     0.0000E+000") +
                 Format(d.density(i, j), "    0.0000E+000") + CRLF;
    return t;
}

}  // namespace corvane
