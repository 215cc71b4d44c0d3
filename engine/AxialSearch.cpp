#include "engine/AxialSearch.h"

#include <cmath>

#include "engine/Simplex.h"
#include "engine/modCorvane.h"
#include "numeric/Format.h"

namespace corvane {

bool SimplexProbeImproves(double f, double fmin, double tolerance) {
    if (tolerance > 0.0) return f < fmin - tolerance;
    if (tolerance == 0.0) return f < fmin;
    // Relative to the size of f_min: for a negative minimum the bare product
    // would count a slightly worse probe as an improvement and restart for ever.
    return f < fmin - std::fabs(tolerance) * std::fabs(fmin);
}

bool MarquardtProbeImproves(double f, double fmin, double tolerance) {
    if (tolerance > 0.0) return f < fmin && fmin - f > tolerance;
    if (tolerance == 0.0) return false;
    if (!(f < fmin)) return false;
    const auto q = RelativeChange(fmin - f, fmin);
    return q && *q > std::fabs(tolerance);
}

namespace {

std::string AxialCountText(int n, int nfree) {
    return "Axial function call " + Format(n, "###0") + " of " + Format(2 * nfree, "###0");
}

}  // namespace

AxialSearchResult AxialSearch(Workbench& wb, double fmin) {
    SimplexState& s = wb.simplex;
    const EngineState& e = wb.engine;
    const double r = wb.alg.reductionFraction;
    const double tolerance = wb.alg.tolerance;
    const int n = s.nfree;
    const int L = s.best;
    AxialSearchResult result;
    wb.Status(3, "");

    Vec1<double> point(n, 0.0);
    for (int k = 1; k <= n; ++k) point[k] = s.vertex(L, k);
    int probes = 0;
    for (int k = 1; k <= n && !result.improved; ++k) {
        const double start = point[k];
        const double move = r * e.freeStep[k];
        for (const double probe : {start + move, start - move}) {
            point[k] = probe;
            s.vertex(L, k) = probe;
            const double f = EvaluateObjective(wb, point);
            ++probes;
            if (SimplexProbeImproves(f, fmin, tolerance)) {
                for (int j = 1; j <= n; ++j) s.restartPoint[j] = point[j];
                result.improved = true;
                result.parameter = e.freeIndex[k];
                break;
            }
            wb.Status(2, AxialCountText(probes, n));
        }
        if (!result.improved) {
            // Back to the exact start, not start + move - 2 move + move.
            point[k] = start;
            s.vertex(L, k) = start;
        }
    }
    wb.Status(2, " ");
    return result;
}

void VerifyByAxialSearch(Workbench& wb, ProfileHooks* profile) {
    SimplexState& s = wb.simplex;
    EngineState& e = wb.engine;
    AlgorithmData& a = wb.alg;

    wb.Status(1, "Verifying convergence by performing an axial search");
    const AxialSearchResult search = AxialSearch(wb, s.value[s.best]);
    wb.Status(1, "");

    if (search.improved) {
        ++s.restarts;
        if (s.restarts >= 2) wb.Status(4, "Multiple restarts indicate a tuning problem!");
        wb.Status(3, "Last failure of convergence verification caused by parameter # " + NumberText(search.parameter));
        const int n = s.nfree;
        for (int k = 1; k <= n; ++k) s.vertex(1, k) = s.restartPoint[k];
        EvaluateVertex(wb, 1);
        for (int v = 2; v <= n + 1; ++v) {
            s.vertex(v, v - 1) += a.reductionFraction * e.freeStep[v - 1];
            EvaluateVertex(wb, v);
        }
        RecomputeSimplexExtremes(wb);
        return;
    }

    if (e.mlMode) {
        if (profile) profile->Store(s.value[s.best], profile->ValueIn(a.value));
        s.done = true;
        return;
    }

    wb.simplexView.SetArea(2, SimplexFinalWindowText(wb));
    if (a.fileFrequency != 0) wb.runLog.Write(SimplexFinalLogText(wb));
    // Good news: the information icon alone (the critical one would read as
    // a failure).
    wb.ports.dialogs.MessageBox("Simplex minimum", "Minimum found using Simplex!", Buttons::OK, Icon::Information);
    e.interruptRequested = false;
    wb.ports.status.ClearActivity(1, 4);
    s.done = true;
    if (e.priorsInUse && wb.priorReview) {
        // The review reads the estimates from the algorithm data.
        for (int k = 1; k <= s.nfree; ++k) a.value[e.freeIndex[k]] = s.vertex(s.best, k);
        wb.priorReview(wb);
    }
}

bool MarquardtAxialCheck(Workbench& wb, double& fmin, Vec1<double>& X) {
    AlgorithmData& a = wb.alg;
    const double r = a.reductionFraction;
    const double entry = fmin;
    double best = fmin;
    bool rejected = false;
    int bestParameter = 0;
    double bestSign = 0.0;
    int n = 0;
    wb.Status(4, "");

    Vec1<double> trial;
    for (int i = 1; i <= a.np; ++i) {
        if (a.step[i] == 0.0) continue;
        for (const double sign : {1.0, -1.0}) {
            trial = X;
            trial[i] = X[i] + sign * r * a.step[i];
            ExpandFuses(trial, a, wb.engine);
            const double f = ObjectiveAt(wb, trial, nf::Once);
            ++n;
            if (MarquardtProbeImproves(f, entry, a.tolerance)) {
                rejected = true;
                if (f < best) {
                    best = f;
                    bestParameter = i;
                    bestSign = sign;
                }
                wb.Status(4, "Last failure of convergence verification caused by parameter # " + NumberText(i));
            }
            wb.Status(3, AxialCountText(n, wb.engine.nfree));
        }
    }
    wb.Status(3, "");

    if (rejected) {
        X[bestParameter] = X[bestParameter] + bestSign * r * a.step[bestParameter];
        a.value[bestParameter] = X[bestParameter];
        fmin = best;
        ExpandFuses(X, a, wb.engine);
    }
    return rejected;
}

}  // namespace corvane
