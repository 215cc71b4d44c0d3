#include "engine/Simplex.h"

#include <algorithm>
#include <cmath>

#include "engine/AxialSearch.h"
#include "engine/modCorvane.h"
#include "numeric/Format.h"

namespace corvane {

namespace {

Vec1<double> Row(const SimplexState& s, int v) {
    Vec1<double> p(s.nfree, 0.0);
    for (int k = 1; k <= s.nfree; ++k) p[k] = s.vertex(v, k);
    return p;
}

void ReplaceWorst(SimplexState& s, const Vec1<double>& p, double f) {
    for (int k = 1; k <= s.nfree; ++k) s.vertex(s.worst, k) = p[k];
    s.value[s.worst] = f;
}

std::string Value(double v) { return Format(v, "####0.#####"); }
std::string PaddedValue(double v) { return Format(v, "####0.#####     "); }

std::string NoteLine(const SimplexState& s, std::int32_t calls) {
    return "Note: " + NumberText(static_cast<long long>(s.iterations)) + " iterations, " +
           NumberText(static_cast<long long>(calls)) + " function calls, and " + NumberText(s.restarts) + " restarts";
}

std::string ToleranceLine(const SimplexState& s, double tolerance) {
    const double lo = s.value[s.best];
    const double hi = s.value[s.worst];
    return "Current: Min> " + PaddedValue(lo) + " Max> " + PaddedValue(hi) + ToleranceMeasureText(tolerance, hi - lo, lo);
}

std::string ActionLine(const SimplexState& s) {
    return "Number of function values (parameter vectors) improved: " + Format(s.improved, "#0") +
           "; Action accepted: " + s.action;
}

void ShowProgress(Workbench& wb, const ProfileHooks* profile) {
    wb.simplexView.SetArea(2, SimplexProgressWindowText(wb));
    if (wb.engine.mlMode && profile) wb.Status(1, ProfilePositionText(*profile, profile->ValueIn(wb.alg.value)));
}

void Notify(Workbench& wb) {
    if (!wb.minimiserObserver) return;
    const SimplexState& s = wb.simplex;
    wb.minimiserObserver->Progress({"Simplex", s.iterations, wb.engine.functionCalls, s.value[s.best]});
}

// A simplex kept from an earlier run can only be continued over the same
// free list; anything else would index outside it.
bool Continuable(const Workbench& wb) {
    const SimplexState& s = wb.simplex;
    return wb.alg.simplexCurrent && s.nfree == wb.engine.nfree && s.vertex.rows() >= s.nfree + 2 &&
           s.vertex.cols() >= s.nfree && s.value.size() >= s.nfree + 1;
}

}  // namespace

void SizeSimplex(Workbench& wb) {
    SimplexState& s = wb.simplex;
    const int np = std::max(wb.alg.np, wb.engine.nfree);
    s.vertex.resize(np + 2, np, 0.0);
    s.value.resize(np + 1, 0.0);
    s.nfree = wb.engine.nfree;
    s.restartPoint.resize(s.nfree, 0.0);
    s.best = s.worst = 1;
    s.action.clear();
    s.improved = 0;
}

double EvaluateVertex(Workbench& wb, int v) {
    SimplexState& s = wb.simplex;
    const double f = EvaluateObjective(wb, Row(s, v));
    s.value[v] = f;
    return f;
}

void BuildInitialSimplex(Workbench& wb) {
    SimplexState& s = wb.simplex;
    const int n = s.nfree;
    EvaluateVertex(wb, 1);
    for (int v = 2; v <= n + 1; ++v)
        for (int k = 1; k <= n; ++k) s.vertex(v, k) = s.vertex(1, k);
    for (int k = 1; k <= n; ++k) {
        s.vertex(k + 1, k) += wb.engine.freeStep[k];
        EvaluateVertex(wb, k + 1);
    }
    RecomputeSimplexExtremes(wb);
}

void RecomputeSimplexExtremes(Workbench& wb) {
    SimplexState& s = wb.simplex;
    const int n = s.nfree;
    s.best = s.worst = 1;
    for (int v = 2; v <= n + 1; ++v) {
        if (s.value[v] < s.value[s.best])
            s.best = v;
        else if (s.value[v] > s.value[s.worst])
            s.worst = v;
    }
    for (int k = 1; k <= n; ++k) {
        double sum = 0.0;
        for (int v = 1; v <= n + 1; ++v) sum += s.vertex(v, k);
        s.vertex(n + 2, k) = (sum - s.vertex(s.worst, k)) / n;
    }
}

void SimplexStep(Workbench& wb) {
    namespace act = simplex_action;
    SimplexState& s = wb.simplex;
    const int n = s.nfree;
    const int c = n + 2;

    Vec1<double> r(n, 0.0);
    for (int k = 1; k <= n; ++k) r[k] = 2.0 * s.vertex(c, k) - s.vertex(s.worst, k);
    const double fr = EvaluateObjective(wb, r);
    s.action = act::Reflection;
    int count = 0;
    for (int v = 1; v <= n + 1; ++v)
        if (fr < s.value[v]) ++count;
    s.improved = count;

    if (count == n + 1) {
        Vec1<double> e(n, 0.0);
        for (int k = 1; k <= n; ++k) e[k] = 2.0 * r[k] - s.vertex(c, k);
        const double fe = EvaluateObjective(wb, e);
        if (fe >= fr) {
            ReplaceWorst(s, r, fr);
        } else {
            ReplaceWorst(s, e, fe);
            s.action = act::Extension;
        }
        return;
    }
    if (count > 1) {
        ReplaceWorst(s, r, fr);
        return;
    }
    if (count == 1)
        ReplaceWorst(s, r, fr);
    else
        s.action.clear();

    const bool reflected = s.action == act::Reflection;
    Vec1<double> t(n, 0.0);
    for (int k = 1; k <= n; ++k) t[k] = 0.5 * s.vertex(s.worst, k) + 0.5 * s.vertex(c, k);
    const double ft = EvaluateObjective(wb, t);
    if (ft < s.value[s.worst]) {
        ReplaceWorst(s, t, ft);
        s.action = reflected ? act::ReflectionContraction : act::Contraction;
        return;
    }

    s.action = reflected ? act::ReflectionReduction : act::Reduction;
    for (int v = 1; v <= n + 1; ++v) {
        if (v == s.best) continue;
        for (int k = 1; k <= n; ++k) s.vertex(v, k) = s.vertex(s.best, k) + 0.5 * (s.vertex(v, k) - s.vertex(s.best, k));
        EvaluateVertex(wb, v);
    }
}

MinimiserResult RunSimplex(Workbench& wb, ProfileHooks* profile) {
    SimplexState& s = wb.simplex;
    AlgorithmData& a = wb.alg;
    EngineState& e = wb.engine;
    Dialogs& dialogs = wb.ports.dialogs;
    StatusBar& status = wb.ports.status;
    TextView& view = wb.simplexView;

    MinimiserResult result;
    if (e.nfree < 1) return result;

    wb.ports.windows.Show(view);
    view.ClearAreas();
    e.functionCalls = 0;

    if (!Continuable(wb)) {
        SizeSimplex(wb);
        view.SetButtonEnabled("cmdStop", true);
        view.SetButtonCaption("cmdStop", "&Interrupt this minimization");
        for (int k = 1; k <= s.nfree; ++k) s.vertex(1, k) = e.freeValue[k];
        wb.Status(1, "Building initial simplex...");
        wb.Status(2, "");
        a.simplexCurrent = true;
        BuildInitialSimplex(wb);
        s.finalDisplay = false;
    }

    // Initial report.
    wb.Status(1, "");
    if (a.fileFrequency != 0) wb.runLog.Write(SimplexInitialLogText(wb));
    if (a.terminalFrequency != 0) view.SetArea(1, SimplexInitialWindowText(wb));

    s.terminalCountdown = a.terminalFrequency;
    s.fileCountdown = a.fileFrequency;
    s.iterations = 0;
    s.restarts = 0;
    result.end = MinimiserEnd::Converged;

    do {
        SimplexStep(wb);
        RecomputeSimplexExtremes(wb);
        ++s.iterations;

        if (s.terminalCountdown == a.terminalFrequency && a.terminalFrequency != 0) {
            s.terminalCountdown = 1;
            ShowProgress(wb, profile);
        } else if (s.terminalCountdown > 0) {
            ++s.terminalCountdown;
        }
        if (s.fileCountdown == a.fileFrequency && a.fileFrequency != 0) {
            s.fileCountdown = 1;
            wb.runLog.Write(SimplexProgressLogText(wb));
        } else if (s.fileCountdown > 0) {
            ++s.fileCountdown;
        }
        Notify(wb);

        s.done = false;
        if (e.functionCalls > a.maxCalls) {
            const Answer answer =
                dialogs.MessageBox("Simplex minimization",
                                   "Maximum number of function calls reached, do you want to continue?",
                                   Buttons::YesNo, Icon::Question);
            if (answer == Answer::Yes) {
                e.functionCalls = 0;
            } else {
                s.done = true;
                s.finalDisplay = true;
                result.end = MinimiserEnd::LimitReached;
                wb.Status(1, "One moment please...");
                status.ClearActivity(2, 4);
            }
        }

        if (!s.done) {
            const double lo = s.value[s.best];
            const double d = std::fabs(s.value[s.worst] - lo);
            s.measure = d;
            if (a.tolerance >= 0.0) {
                if (d < a.tolerance) VerifyByAxialSearch(wb, profile);
            } else if (lo == 0.0) {
                dialogs.MessageBox("Simplex error",
                                   std::string("A function value of zero has caused a division by zero error.") +
                                       CRLF + "Reset the tolerance to ABSolute or otherwise correct model",
                                   Buttons::OK, Icon::InformationCritical);
                status.ClearActivity(1, 4);
                result.end = MinimiserEnd::SimplexError;
                result.minimum = lo;
                result.iterations = s.iterations;
                result.functionCalls = e.functionCalls;
                result.restarts = s.restarts;
                return result;
            } else if (std::fabs(a.tolerance) > d / std::fabs(lo)) {
                VerifyByAxialSearch(wb, profile);
            }
        }
        const bool doneBefore = s.done;  // converged or stopped at the limit

        dialogs.ProcessEvents();

        if (e.interruptRequested) {
            e.interruptRequested = false;
            view.SetButtonEnabled("cmdStop", true);
            wb.Status(1, "");
            if (!e.mlMode) {
                const Answer answer = dialogs.MessageBox(
                    "Simplex interrupt", "Interrupt received. Do you want to quit minimizing?", Buttons::YesNo,
                    Icon::Question);
                if (answer == Answer::Yes) {
                    s.done = true;
                    s.finalDisplay = true;
                    if (!doneBefore) result.end = MinimiserEnd::Interrupted;
                    wb.Status(1, "One moment please...");
                    status.ClearActivity(2, 4);
                } else {
                    s.finalDisplay = false;
                }
            } else {
                const Answer quit = dialogs.MessageBox("Simplex interrupt",
                                                       "Interrupt received. Do you want to quit the ML procedure?",
                                                       Buttons::YesNo, Icon::Question);
                if (quit == Answer::Yes) {
                    s.done = true;
                    s.finalDisplay = true;
                    if (profile) profile->QuitProcedure();
                    result.end = MinimiserEnd::ProfileQuit;
                } else {
                    const Answer next = dialogs.MessageBox("Simplex interrupt",
                                                           "Do you want to continue starting with the NEXT point?",
                                                           Buttons::YesNo, Icon::Question, true);
                    if (next == Answer::Yes) {
                        s.done = true;
                        s.finalDisplay = false;
                        if (!doneBefore) result.end = MinimiserEnd::NextPoint;
                    } else {
                        s.finalDisplay = true;
                    }
                }
            }
        }

        if (s.finalDisplay) {
            if (s.terminalCountdown > 1 && a.terminalFrequency != 0) ShowProgress(wb, profile);
            s.finalDisplay = false;
        }
    } while (!s.done);

    for (int k = 1; k <= s.nfree; ++k) a.value[e.freeIndex[k]] = s.vertex(s.best, k);
    // A run the user stopped says so, and what became of its best point.
    if (!e.mlMode && (result.end == MinimiserEnd::Interrupted || result.end == MinimiserEnd::LimitReached))
        view.AppendArea(2, SimplexStoppedText(wb, result.end));

    result.minimum = s.value[s.best];
    result.iterations = s.iterations;
    result.functionCalls = e.functionCalls;
    result.restarts = s.restarts;
    return result;
}

MinimiserResult SimplexCommand(Workbench& wb) {
    wb.CloseProgressWindows();
    if (NothingToMinimise(wb)) return {};
    wb.app.covarianceCurrent = false;
    if (!SetUpMinimisation(wb)) return {};
    const MinimiserResult result = RunSimplex(wb);
    ReportRunLogFailure(wb);
    return result;
}

std::string SimplexInitialWindowText(Workbench& wb) {
    const SimplexState& s = wb.simplex;
    std::string t = CRLF;
    t += "Initial Simplex: Starting function value> " + Value(s.value[1]) + " Max> " + Value(s.value[s.worst]) +
         " Min> " + Value(s.value[s.best]) + CRLF;
    t += CRLF;
    t += std::string("Initial parameter values:") + CRLF + CRLF;
    t += FreeParameterLines(wb, wb.engine.freeValue);
    return t;
}

std::string SimplexInitialLogText(Workbench& wb) {
    const SimplexState& s = wb.simplex;
    std::string t = std::string(CRLF) + CRLF + "Initial parameter values:" + CRLF + CRLF;
    t += FreeParametersFourToALine(wb, wb.engine.freeValue);
    t += std::string(CRLF) + CRLF;
    t += "Initial Simplex: Starting function value> " + Value(s.value[1]) + " Max> " + Value(s.value[s.worst]) +
         " Min> " + Value(s.value[s.best]) + CRLF;
    return t;
}

std::string SimplexProgressWindowText(Workbench& wb) {
    const SimplexState& s = wb.simplex;
    std::string t = CRLF;
    t += NoteLine(s, wb.engine.functionCalls) + CRLF + CRLF;
    t += ToleranceLine(s, wb.alg.tolerance) + CRLF + CRLF;
    if (wb.alg.terminalFrequency == 1) t += ActionLine(s) + CRLF + CRLF;
    t += "Current minimum found at these " + NumberText(s.nfree) + " adjusted parameter values:" + CRLF + CRLF;
    t += FreeParameterLines(wb, Row(s, s.best));
    return t;
}

std::string SimplexProgressLogText(Workbench& wb) {
    const SimplexState& s = wb.simplex;
    std::string t = CRLF;
    t += NoteLine(s, wb.engine.functionCalls) + CRLF;
    if (wb.alg.fileFrequency == 1) t += ActionLine(s) + CRLF;
    t += CRLF;
    t += "Current minimum found at these " + NumberText(s.nfree) + " adjusted parameter values: " + CRLF + CRLF;
    t += FreeParametersFourToALine(wb, Row(s, s.best));
    t += std::string(CRLF) + CRLF;
    t += ToleranceLine(s, wb.alg.tolerance) + CRLF + CRLF;
    return t;
}

std::string SimplexFinalWindowText(Workbench& wb) {
    const SimplexState& s = wb.simplex;
    std::string t = CRLF;
    t += "Minimum of " + Value(s.value[s.best]) + " found at these " + NumberText(s.nfree) +
         " adjusted parameter values:" + CRLF;
    t += FreeParameterLines(wb, Row(s, s.best));
    t += CRLF;
    t += "This result required " + NumberText(static_cast<long long>(s.iterations)) + " iterations, " +
         NumberText(static_cast<long long>(wb.engine.functionCalls)) + " function calls, and " +
         NumberText(s.restarts) + " restarts";
    return t;
}

std::string SimplexStoppedText(Workbench& wb, MinimiserEnd end) {
    const SimplexState& s = wb.simplex;
    return std::string(CRLF) + CRLF + "Minimization stopped " +
           (end == MinimiserEnd::LimitReached ? "at the limit of function calls" : "on request") + " after " +
           NumberText(static_cast<long long>(s.iterations)) + " iterations: the best point found, with a function " +
           "value of " + Value(s.value[s.best]) + ", is kept as the current parameter values." + CRLF;
}

std::string SimplexFinalLogText(Workbench& wb) {
    const SimplexState& s = wb.simplex;
    std::string t = std::string(CRLF) + CRLF;
    t += "Minimum of " + Value(s.value[s.best]) + " found at these " + NumberText(s.nfree) +
         " adjusted parameter values:" + CRLF + CRLF;
    t += FreeParametersFourToALine(wb, Row(s, s.best));
    t += std::string(CRLF) + CRLF;
    t += "This result required " + NumberText(static_cast<long long>(s.iterations)) + " iterations, " +
         NumberText(static_cast<long long>(wb.engine.functionCalls)) + " function calls, and " +
         NumberText(s.restarts) + " restarts" + CRLF + CRLF;
    return t;
}

void InstallSimplexWindow(Workbench& wb) {
    wb.simplexView.AddButton("cmdStop", "&Interrupt", [&wb] {
        wb.engine.interruptRequested = true;
        wb.simplexView.SetButtonEnabled("cmdStop", false);
        wb.Status(1, "Interrupt pending...");
    });
}

void CloseSimplexWindow(Workbench& wb) {
    wb.simplexView.ClearAreas();
    wb.ports.status.ClearActivity(1, 4);
    wb.ports.windows.Close(wb.simplexView);
}

}  // namespace corvane
