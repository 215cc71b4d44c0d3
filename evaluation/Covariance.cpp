#include "evaluation/Covariance.h"

#include <algorithm>
#include <cmath>

#include "engine/SideBySide.h"
#include "engine/modCorvane.h"
#include "numeric/Format.h"

namespace corvane {

namespace {

constexpr double kSecondsPerDay = 86400.0;

// Seconds from a to b on a clock that restarts at midnight.
double Elapsed(double a, double b) {
    double d = b - a;
    if (d < 0.0) d += kSecondsPerDay;
    return d;
}

std::string E(double v) { return Format(v, "0.0000000E+00"); }

// The square root of |v| carrying the sign of v.
double SignedRoot(double v) {
    const double r = std::sqrt(std::fabs(v));
    return v < 0.0 ? -r : r;
}

CovarianceResults EmptyStore(const CovariancePlan& plan, const CovarianceSettings& settings, const Workbench& wb) {
    CovarianceResults r;
    r.method = settings.method;
    r.n = plan.n;
    r.p = plan.p;
    r.number = plan.number;
    r.freeIndexOf = plan.freeIndexOf;
    r.values = plan.values;
    r.steps = plan.steps;
    r.fuse.resize(plan.n, kUnfused);
    r.description.resize(plan.n);
    for (int i = 1; i <= plan.n; ++i) {
        if (i <= wb.alg.fuse.size()) r.fuse[i] = wb.alg.fuse[i];
        if (i <= wb.alg.description.size()) r.description[i] = wb.alg.description[i];
    }
    r.centre = plan.centre;
    r.constant = settings.constant;
    r.reciprocalConstant = 1.0 / settings.constant;
    r.optimistic = settings.optimistic;
    r.factor.resize(kGrids, 0.0);
    r.mean.resize(kGrids, 0.0);
    r.sd.resize(kGrids, 0.0);
    r.outcome.resize(kGrids, GridOutcome::NotRun);
    r.failedAt.resize(kGrids, 0);
    r.R.resize(kGrids);
    for (int g = 1; g <= kGrids; ++g) r.R[g].resize(plan.n, plan.n, -1.0);
    return r;
}

// One numerical grid: its points, statistics, Hessian and inversion.  The
// points are evaluated side by side in batches; each batch's progress is
// then told point by point as one evaluation after another would tell it.
void RunGrid(Workbench& wb, SideBySide& side, const CovariancePlan& plan, const CovarianceSettings& settings,
             const CovarianceCallbacks& callbacks, int g, CovarianceResults& r) {
    const int p = plan.p;
    const double f0 = plan.centre;
    const double F = settings.factors[g];
    const Clock& clock = wb.ports.clock;
    auto log = [&](const std::string& text) {
        if (callbacks.log) callbacks.log(text);
    };

    const double start = clock.SecondsSinceMidnight();
    double lastReport = start;
    log(std::string(CRLF) + "Now calculating -ln[likelihood] on grid #" + NumberText(g) + CRLF);
    const int perGrid = p * (p + 1);
    const long long still = static_cast<long long>(kGrids - g + 1) * perGrid;  // T

    // Optimistic SEs need no cross terms: those points count but cost nothing.
    const std::vector<GridPoint> points = GridPoints(p);
    auto evaluated = [&](const GridPoint& point) { return !settings.optimistic || point.k == point.l; };
    const int batch = side.Threads() <= 1 ? 1 : 4 * side.Threads();

    Mat1<double> plus(p, p, 0.0), minus(p, p, 0.0);
    int m = 0;
    double s1 = 0.0, s2 = 0.0;
    int lastOnModel = -1;  // the point the model saw last
    for (int first = 0; first < perGrid; first += batch) {
        const int end = std::min(perGrid, first + batch);
        std::vector<Vec1<double>> vectors;
        std::vector<int> which;
        for (int q = first; q < end; ++q) {
            if (!evaluated(points[static_cast<std::size_t>(q)])) continue;
            vectors.push_back(GridPointVector(plan, points[static_cast<std::size_t>(q)], F));
            ExpandFuses(vectors.back(), wb.alg, wb.engine);
            which.push_back(q);
        }
        const std::vector<double> values = side.Objectives(vectors);
        if (!which.empty()) lastOnModel = which.back();
        std::size_t next = 0;
        for (int q0 = first; q0 < end; ++q0) {
            const GridPoint& point = points[static_cast<std::size_t>(q0)];
            const double v = evaluated(point) ? values[next++] : f0;
            const int q = q0 + 1;
            if (callbacks.progress) {
                const double now = clock.SecondsSinceMidnight();
                // The first and last points of a grid are always shown.
                if (q == 1 || q == perGrid || settings.progressInterval <= 0.0 ||
                    Elapsed(lastReport, now) >= settings.progressInterval) {
                    lastReport = now;
                    CovarianceProgress progress;
                    progress.grid = g;
                    progress.call = q;
                    progress.callsPerGrid = perGrid;
                    progress.secondsLeft = std::llround(Elapsed(start, now) / q * static_cast<double>(still - q));
                    if (callbacks.progress(progress) == GridReply::QuitGrid) {
                        // The model is left at the last point evaluated up to here.
                        int seen = q0;
                        while (seen >= 0 && !evaluated(points[static_cast<std::size_t>(seen)])) --seen;
                        if (seen >= 0 && seen != lastOnModel) EvaluateGridPoint(wb, plan, points[static_cast<std::size_t>(seen)], F);
                        r.mean[g] = -1.0;
                        r.sd[g] = -1.0;
                        r.outcome[g] = GridOutcome::Abandoned;
                        return;  // R_g stays -1 everywhere
                    }
                }
            }
            const double d = v - f0;
            ++m;
            s1 += d;
            s2 += d * d;
            (point.sign == 1 ? plus : minus)(point.k, point.l) = v;
        }
    }

    const double average = s1 / m;
    r.mean[g] = average + f0;
    const double variance = s2 / m - average * average;
    r.sd[g] = SignedRoot(variance);  // a variance of exactly 0 gives 0
    log("Average: " + E(r.mean[g] * settings.constant) + "; Standard deviation: " + E(r.sd[g] * settings.constant) +
        CRLF + "Now calculating Hessian matrix #" + NumberText(g) + CRLF);
    InvertGridHessian(r, g, GridHessian(plan, plus, minus, F, settings.optimistic), log);
}

// The model's second derivatives of the free parameters (NF = -2).
Mat1<double> AnalyticalHessian(Workbench& wb, const CovariancePlan& plan) {
    const int n = plan.n;
    Vec1<double> x = plan.values;
    ExpandFuses(x, wb.alg, wb.engine);
    Vec1<double> step = plan.steps;
    Vec1<double> dF(n, 0.0);
    Mat1<double> d2F(n, n, 0.0);
    double f = 0.0;
    int np = n;
    std::int32_t code = nf::Derivatives;
    wb.model->MODEL(f, x, step, wb.alg.description, wb.alg.fuse, np, code, wb.dataCount, dF, d2F,
                    wb.modelOwnValue);
    Mat1<double> h(plan.p, plan.p, 0.0);
    for (int k = 1; k <= plan.p; ++k) {
        for (int l = 1; l <= plan.p; ++l) {
            const int i = plan.number[k], j = plan.number[l];
            // A model that shrank the matrix gave nothing for these cells.
            if (i <= d2F.rows() && j <= d2F.cols()) h(k, l) = d2F(i, j);
        }
    }
    return h;
}

}  // namespace

bool CovarianceResultsCurrent(const Workbench& wb) {
    return wb.app.covarianceCurrent && wb.covariance.computed && wb.covariance.n == wb.alg.np;
}

const char* MethodCode(CovarianceMethod method) { return method == CovarianceMethod::Analytical ? "A" : "N"; }

Vec1<double> DefaultGridFactors() {
    Vec1<double> f(kGrids, 0.0);
    f[1] = 1.0;
    f[2] = 0.1;
    f[3] = 0.01;
    return f;
}

double CovarianceResults::StandardError(int k, int grid) const {
    if (!computed || grid < 1 || grid > kGrids || grid > R.size() || k < 1 || k > p) return -1.0;
    return R[grid](0, k);
}

double CovarianceResults::ParameterStandardError(int parameter, int grid) const {
    if (parameter < 1 || parameter > freeIndexOf.size()) return -1.0;
    return StandardError(freeIndexOf[parameter], grid);
}

bool CovarianceResults::GridValid(int grid) const {
    return computed && grid >= 1 && grid <= outcome.size() && outcome[grid] == GridOutcome::Valid;
}

int CovarianceResults::ValidGrids() const {
    int count = 0;
    for (int g = 1; g <= kGrids; ++g)
        if (GridValid(g)) ++count;
    return count;
}

CovariancePlan PlanCovariances(Workbench& wb, const Vec1<double>& values, const Vec1<double>& steps) {
    CovariancePlan plan;
    const int n = wb.alg.np;
    plan.n = n;
    plan.values = values;
    plan.steps = steps;
    plan.values.resizePreserve(n, 0.0);
    plan.steps.resizePreserve(n, 0.0);
    plan.freeIndexOf.resize(n, 0);
    for (int i = 1; i <= n; ++i)
        if (plan.steps[i] != 0.0) plan.freeIndexOf[i] = ++plan.p;
    plan.number.resize(plan.p, 0);
    for (int i = 1; i <= n; ++i)
        if (plan.freeIndexOf[i] != 0) plan.number[plan.freeIndexOf[i]] = i;
    ExpandFuses(plan.values, wb.alg, wb.engine);
    // MODEL may rewrite its vector; the working values stay as they are.
    Vec1<double> x = plan.values;
    plan.centre = ObjectiveAt(wb, x, nf::Once);
    return plan;
}

std::vector<GridPoint> GridPoints(int p) {
    std::vector<GridPoint> points;
    if (p > 0) points.reserve(static_cast<std::size_t>(p) * static_cast<std::size_t>(p + 1));
    for (int k = 1; k <= p; ++k)
        for (int l = k; l <= p; ++l) {
            points.push_back({k, l, 1});
            points.push_back({k, l, 2});
        }
    return points;
}

Vec1<double> GridPointVector(const CovariancePlan& plan, const GridPoint& point, double factor) {
    Vec1<double> x = plan.values;
    const double direction = point.sign == 1 ? 1.0 : -1.0;
    const int i = plan.number[point.k];
    x[i] += direction * factor * plan.steps[i];
    if (point.l != point.k) {
        const int j = plan.number[point.l];
        x[j] += direction * factor * plan.steps[j];
    }
    return x;
}

double EvaluateGridPoint(Workbench& wb, const CovariancePlan& plan, const GridPoint& point, double factor) {
    Vec1<double> x = GridPointVector(plan, point, factor);
    ExpandFuses(x, wb.alg, wb.engine);
    return ObjectiveAt(wb, x, nf::Once);
}

Mat1<double> GridHessian(const CovariancePlan& plan, const Mat1<double>& plus, const Mat1<double>& minus,
                         double factor, bool optimistic) {
    const int p = plan.p;
    const double f0 = plan.centre;
    Mat1<double> h(p, p, 0.0);
    for (int k = 1; k <= p; ++k) {
        const double d = factor * plan.steps[plan.number[k]];
        h(k, k) = (plus(k, k) + minus(k, k) - 2.0 * f0) / (d * d);
    }
    if (optimistic) return h;
    for (int k = 1; k <= p; ++k) {
        for (int l = k + 1; l <= p; ++l) {
            const double hi = plan.steps[plan.number[k]], hj = plan.steps[plan.number[l]];
            const double v = (plus(k, l) + minus(k, l) - plus(k, k) - minus(k, k) - plus(l, l) - minus(l, l) +
                              2.0 * f0) /
                             (2.0 * factor * factor * hi * hj);
            h(k, l) = v;
            h(l, k) = v;
        }
    }
    return h;
}

int CholeskyFailure(const Mat1<double>& h, int p) {
    Mat1<double> L(p, p, 0.0);
    for (int k = 1; k <= p; ++k) {
        for (int l = k; l <= p; ++l) {
            double t = h(k, l);
            for (int m = k - 1; m >= 1; --m) t -= L(l, m) * L(k, m);
            if (l == k) {
                // An infinite or undefined term is no more a valid pivot than 0.
                if (!(t > 0.0) || !std::isfinite(t)) return k;
                L(k, k) = std::sqrt(t);
            } else {
                L(l, k) = t / L(k, k);
            }
        }
    }
    return 0;
}

std::string NotPositiveDefiniteText(int parameter) {
    std::string t = "Sorry, this Hessian matrix is not positive-definite; a valid covariance matrix cannot be created.";
    t += std::string(CRLF) + CRLF;
    t += std::string("Possible reasons: (1) you're not at a tight enough global minimum, or you're at a local "
                     "minimum") +
         CRLF;
    t += std::string("                  (2) your model contains statistically dead parameters, i.e., the -ln[L] "
                     "versus a parameter is flat") +
         CRLF;
    t += std::string("                  (3) there is at least one parameter pair that is very highly correlated "
                     "(e.g., ABS(rho) > 0.99)") +
         CRLF;
    t += std::string("                  (4) the likelihood profile is dramatically asymmetrical, perhaps due to a "
                     "penalty function") +
         CRLF;
    t += "It might help you to know that the test for positive-definitiveness failed at parameter # " +
         NumberText(parameter) + CRLF + CRLF;
    return t;
}

bool InvertGridHessian(CovarianceResults& store, int grid, const Mat1<double>& h,
                       const std::function<void(const std::string&)>& log) {
    const int p = store.p;
    Mat1<double>& R = store.R[grid];
    R.resize(store.n, store.n, -1.0);
    auto say = [&](const std::string& text) {
        if (log) log(text);
    };
    auto refuse = [&](int k) {
        store.outcome[grid] = GridOutcome::NotPositiveDefinite;
        store.failedAt[grid] = store.number[k];
        say(NotPositiveDefiniteText(store.number[k]));
        return false;
    };
    if (const int k = CholeskyFailure(h, p)) return refuse(k);

    say("Now inverting Hessian matrix #" + NumberText(grid) + CRLF);
    LUWork lu;
    lu.Size(p);
    for (int i = 1; i <= p; ++i)
        for (int j = 1; j <= p; ++j) lu.a(i, j) = h(i, j);
    // A positive-definite matrix has no zero row; this only guards the contract.
    if (const int row = DecomposeLU(lu, p)) return refuse(row);
    double product = 1.0;
    for (int i = 1; i <= p; ++i) product *= lu.a(i, i);
    const double inverseDeterminant = lu.parity / product;
    Mat1<double> inverse(p, p, 0.0);
    for (int i = 1; i <= p; ++i) inverse(i, i) = 1.0;
    for (int c = 1; c <= p; ++c) SolveLU(lu, p, inverse, c);

    const double rc = store.reciprocalConstant;
    const double determinant = std::pow(rc, p) * inverseDeterminant;
    say("Determinant of covariance matrix: " + E(determinant) + CRLF + CRLF);

    R(0, 0) = determinant;
    double variances = 1.0;
    for (int k = 1; k <= p; ++k) {
        const double variance = rc * inverse(k, k);
        if (variance != 0.0) R(0, k) = SignedRoot(variance);
        variances *= variance;
        for (int l = 1; l <= p; ++l) R(k, l) = rc * inverse(k, l);
    }
    R(1, 0) = variances;
    store.outcome[grid] = GridOutcome::Valid;
    store.failedAt[grid] = 0;
    return true;
}

std::string TimeRemainingText(long long seconds) {
    if (seconds < 0) seconds = 0;
    const long long minutes = seconds / 60;
    const long long rest = seconds - 60 * minutes;
    return "Estimated time remaining for all three grids (m:s): " + NumberText(minutes) + ":" +
           (rest < 10 ? "0" : "") + NumberText(rest);
}

CovarianceResults ComputeCovariances(Workbench& wb, const CovariancePlan& given, const CovarianceSettings& settings,
                                     const CovarianceCallbacks& callbacks) {
    if (given.p < 1) return EmptyStore(given, settings, wb);  // nothing free: nothing computed
    // The prior total is scaled by 1/c, and the constant is asked after f0
    // was evaluated: f0 must be evaluated again under the same prior as the
    // grid points, or a changed constant would bias every second difference.
    CovariancePlan plan = given;
    if (wb.engine.priorsInUse) {
        Vec1<double> x = plan.values;
        plan.centre = ObjectiveAt(wb, x, nf::Once);
    }
    CovarianceResults r = EmptyStore(plan, settings, wb);
    if (settings.method == CovarianceMethod::Numerical) {
        SideBySide side(wb);
        for (int g = 1; g <= kGrids; ++g) {
            r.factor[g] = settings.factors[g];
            RunGrid(wb, side, plan, settings, callbacks, g, r);
        }
    } else {
        for (int g = 1; g <= kGrids; ++g) {
            r.factor[g] = 0.0;
            r.mean[g] = plan.centre;
            r.sd[g] = -1.0;  // no grid, no spread
            InvertGridHessian(r, g, AnalyticalHessian(wb, plan), callbacks.log);
        }
    }
    r.computed = true;
    return r;
}

}  // namespace corvane
