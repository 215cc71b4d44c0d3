#include "engine/Marquardt.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "engine/AxialSearch.h"
#include "engine/LU.h"
#include "engine/modCorvane.h"
#include "numeric/Format.h"

namespace corvane {

namespace {

constexpr int kMaxTrials = 25;
constexpr int kMaxChecks = 5;
constexpr double kLambdaStart = 0.001;
constexpr double kLambdaGiveUp = 1e20;

// The counted evaluation of a full vector: NF = the function-call counter.
double EvaluateCounted(Workbench& wb, Vec1<double>& x) {
    ++wb.engine.functionCalls;
    ExpandFuses(x, wb.alg, wb.engine);
    return ObjectiveAt(wb, x, wb.engine.functionCalls);
}

Vec1<double> FreeCoordinates(const Workbench& wb, const Vec1<double>& x) {
    const EngineState& e = wb.engine;
    Vec1<double> c(e.nfree, 0.0);
    for (int k = 1; k <= e.nfree; ++k) c[k] = x[e.freeIndex[k]];
    return c;
}

std::string Value(double v) { return Format(v, "####0.#####"); }
std::string PaddedValue(double v) { return Format(v, "####0.#####     "); }

std::string NoteLine(const Workbench& wb) {
    return "Note: " + NumberText(static_cast<long long>(wb.marquardt.iterations)) + " iterations and " +
           NumberText(static_cast<long long>(wb.engine.functionCalls)) + " function calls";
}

std::string CurrentMinLine(const Workbench& wb) {
    const MarquardtState& m = wb.marquardt;
    return "Current Min> " + PaddedValue(m.F) + " Last Min> " + PaddedValue(m.Flast) +
           ToleranceMeasureText(wb.alg.tolerance, m.Flast - m.F, m.Flast);
}

std::string ResultLine(const Workbench& wb) {
    return "This result required " + NumberText(static_cast<long long>(wb.marquardt.iterations)) +
           " iterations and " + NumberText(static_cast<long long>(wb.engine.functionCalls)) + " function calls";
}

void HideChoiceButtons(TextView& view) {
    for (const char* name : {"cmdIteration", "cmdContinue"}) {
        view.SetButtonEnabled(name, false);
        view.SetButtonVisible(name, false);
    }
}

// Appends the last derivatives to the window and waits, letting events run,
// until one of the window's buttons is pressed (or the window is closed).
void DerivativeDisplay(Workbench& wb) {
    MarquardtState& m = wb.marquardt;
    TextView& view = wb.marquardtView;
    wb.Status(1, "Please be patient while derivative output is collated");
    for (const char* name : {"cmdIteration", "cmdContinue"}) {
        view.SetButtonVisible(name, true);
        view.SetButtonEnabled(name, true);
    }
    view.AppendArea(1, MarquardtDerivativeText(wb));
    m.choice = MarquardtState::Choice::None;
    m.awaitingChoice = true;
    while (m.choice == MarquardtState::Choice::None && wb.ports.windows.IsOpen(view)) wb.ports.dialogs.WaitForEvents();
    m.awaitingChoice = false;
    HideChoiceButtons(view);
}

// The decrease of the objective that the derivatives of the last accepted
// point promise for the step of the starting damping, from their quadratic
// model: half of g . delta with (H, diagonal |H(k, k)| (1 + 0.001)) delta = g.
double PromisedDecrease(const Workbench& wb) {
    const MarquardtState& m = wb.marquardt;
    const int n = wb.engine.nfree;
    LUWork lu;
    lu.Size(n);
    Mat1<double> step(n, 1, 0.0);
    for (int k = 1; k <= n; ++k) {
        for (int l = 1; l <= n; ++l) lu.a(k, l) = m.hessian(k, l);
        lu.a(k, k) = std::fabs(m.hessian(k, k)) * (1.0 + kLambdaStart);
        step(k, 1) = m.gradient[k];
    }
    if (DecomposeLU(lu, n) != 0) return 0.0;
    SolveLU(lu, n, step, 1);
    double decrease = 0.0;
    for (int k = 1; k <= n; ++k) decrease += m.gradient[k] * step(k, 1);
    return std::isfinite(decrease) ? 0.5 * std::fabs(decrease) : 0.0;
}

// Convergence met only because the damping has grown so large that the step
// vanished: the change of the objective is below the tolerance, but the step
// of the starting damping promised a decrease of at least the tolerance.
// (Where it promises less, the point is a minimum within the tolerance.)
bool ConvergedOnlyByDamping(const Workbench& wb) {
    const MarquardtState& m = wb.marquardt;
    if (!(m.lambda > kLambdaStart)) return false;
    const double tolerance = wb.alg.tolerance;
    const double promised = PromisedDecrease(wb);
    if (tolerance > 0.0) return promised >= tolerance;
    const auto q = RelativeChange(promised, m.Flast);
    return q && *q > std::fabs(tolerance);
}

bool DerivativeDisplayDue(const Workbench& wb) {
    return wb.marquardt.showDerivatives && !wb.engine.mlMode && !wb.engine.interruptRequested;
}

}  // namespace

bool SetUpMarquardt(Workbench& wb) {
    MarquardtState& m = wb.marquardt;
    Dialogs& d = wb.ports.dialogs;
    const std::string nl = CRLF;
    m.derivativeKind.clear();
    const Answer kind = d.MessageBox(
        "Marquardt minimization",
        "Note: You must provide derivatives for calculating gradients and building the Hessian matrix." + nl + nl +
            "Numerical derivatives are provided automatically, whereas you must have provided analytical" + nl +
            "derivatives in your model code (i.e., in that section of Sub MODEL() accessed when NF=-2)." + nl + nl +
            "WARNING: Analytical derivatives will fail if Bayesian prior probabilities contribute to the likelihood "
            "function." +
            nl + nl + "DO NOT USE ANALYTICAL DERIVATIVES IN CONJUNCTION WITH BAYESIAN PRIOR DISTRIBUTIONS!" + nl +
            "            THE PRIOR DISTRIBUTION FOR ALL PARAMETERS MUST BE UNIFORM-UNBOUNDED!" + nl + nl +
            "Choose 'Yes' if you have provided ANALYTICAL derivatives; else 'No' to calculate NUMERICAL derivatives",
        Buttons::YesNoCancel, Icon::Question, !(wb.model && wb.model->SuppliesAnalyticalDerivatives()));
    if (kind == Answer::Yes) {
        m.derivativeKind = "A";
        d.MessageBox("Marquardt minimization", "You have chosen ANALYTICAL derivatives - it's like choosing Coke",
                     Buttons::OK, Icon::None);
    } else if (kind == Answer::No) {
        m.derivativeKind = "N";
        d.MessageBox("Marquardt minimization", "You have chosen NUMERICAL derivatives - it's like choosing Pepsi",
                     Buttons::OK, Icon::None);
    } else {
        return false;
    }
    const Answer show = d.MessageBox(
        "Marquardt minimization",
        "Do you want to see the partial derivatives of the likelihood function wrt the parameters at each iteration?" +
            nl + nl +
            "If 'Yes', they will be displayed; then later choose 'Next iteration' to see the derivatives after the "
            "next iteration," +
            nl + "           or 'Continue' to skip over the derivatives output." + nl +
            "If 'No', then partial derivatives will not be displayed." + nl + nl +
            "Note: This is recommended and practical only for models with fewer than about a dozen parameters!" + nl +
            "           It is intended for use mainly during model building to verify the analytical derivative "
            "formulations.",
        Buttons::YesNo, Icon::Question);
    m.showDerivatives = show == Answer::Yes;
    return true;
}

void NumericalDerivatives(Workbench& wb) {
    MarquardtState& m = wb.marquardt;
    const EngineState& e = wb.engine;
    const int n = e.nfree;
    const Vec1<double>& x = e.freeValue;
    const double f0 = m.Flast;
    const int total = n * (n + 1);
    m.gridUp.resize(n, n, 0.0);
    m.gridDown.resize(n, n, 0.0);
    m.gradient.resize(n, 0.0);
    auto difference = [](double xi, double r) { return xi != 0.0 ? xi * r : r; };

    Vec1<double> trial;
    int count = 0;
    for (int i = 1; i <= n; ++i) {
        for (int j = i; j <= n; ++j) {
            double u = 0.0;
            for (int s = 1; s <= 2; ++s) {
                const double r = s == 1 ? m.h : -m.h;
                const double di = difference(x[i], r);
                const double dj = difference(x[j], r);
                trial = wb.alg.value;
                for (int k = 1; k <= n; ++k) trial[e.freeIndex[k]] = x[k];
                trial[e.freeIndex[i]] = x[i] + di;
                if (j != i) trial[e.freeIndex[j]] = x[j] + dj;
                const double f = EvaluateCounted(wb, trial);
                ++count;
                if (!e.mlMode)
                    wb.Status(1, "Hessian function call " + Format(count, "###0") + " of " + Format(total, "###0"));
                (s == 1 ? m.gridUp : m.gridDown)(i, j) = f;
                if (i == j) {
                    if (s == 1)
                        u = f - f0;
                    else
                        m.gradient[i] = -(f0 - f + u) / (2.0 * di);
                }
            }
        }
    }
}

void BuildNumericalHessian(Workbench& wb) {
    MarquardtState& m = wb.marquardt;
    const EngineState& e = wb.engine;
    const int n = e.nfree;
    const double f0 = m.Flast;
    m.hessian.resize(n, n, 0.0);
    Vec1<double> d(n, 0.0);
    for (int i = 1; i <= n; ++i) d[i] = e.freeValue[i] != 0.0 ? e.freeValue[i] * m.h : m.h;
    auto D = [&](int i, int j, int s) { return (s == 1 ? m.gridUp : m.gridDown)(i, j) - f0; };
    for (int i = 1; i <= n; ++i) {
        m.hessian(i, i) = (D(i, i, 1) + D(i, i, 2)) / (d[i] * d[i]);
        for (int j = i + 1; j <= n; ++j) {
            const double h = (D(i, j, 1) + D(i, j, 2) - D(i, i, 1) - D(i, i, 2) - D(j, j, 1) - D(j, j, 2)) /
                             (2.0 * d[i] * d[j]);
            m.hessian(i, j) = h;
            m.hessian(j, i) = h;
        }
    }
}

bool AnalyticalDerivatives(Workbench& wb) {
    MarquardtState& m = wb.marquardt;
    AlgorithmData& a = wb.alg;
    const EngineState& e = wb.engine;
    const int n = e.nfree;
    ExpandFuses(a.value, a, e);
    wb.modelFirstDerivatives.resize(a.np, 0.0);
    wb.modelSecondDerivatives.resize(a.np, a.np, 0.0);
    double f = 0.0;
    int np = a.np;
    std::int32_t code = nf::Derivatives;
    wb.model->MODEL(f, a.value, a.step, a.description, a.fuse, np, code, wb.dataCount, wb.modelFirstDerivatives,
                    wb.modelSecondDerivatives, wb.modelOwnValue);

    // A model that resized its outputs below the free parameters gave nothing usable.
    const Vec1<double>& dF = wb.modelFirstDerivatives;
    const Mat1<double>& d2F = wb.modelSecondDerivatives;
    int highest = 0;
    for (int k = 1; k <= n; ++k) highest = std::max(highest, e.freeIndex[k]);
    if (dF.size() < highest || d2F.rows() < highest || d2F.cols() < highest) return false;
    bool provided = false;
    for (int k = 1; k <= n && !provided; ++k)
        for (int l = 1; l <= n; ++l)
            if (d2F(e.freeIndex[k], e.freeIndex[l]) != 0.0) provided = true;
    if (!provided) return false;
    m.gradient.resize(n, 0.0);
    m.hessian.resize(n, n, 0.0);
    for (int k = 1; k <= n; ++k) {
        m.gradient[k] = dF[e.freeIndex[k]];
        for (int l = 1; l <= n; ++l) m.hessian(k, l) = d2F(e.freeIndex[k], e.freeIndex[l]);
    }
    return true;
}

MinimiserResult RunMarquardt(Workbench& wb, ProfileHooks* profile) {
    MarquardtState& m = wb.marquardt;
    AlgorithmData& a = wb.alg;
    EngineState& e = wb.engine;
    Dialogs& dialogs = wb.ports.dialogs;
    StatusBar& status = wb.ports.status;
    TextView& view = wb.marquardtView;
    const int n = e.nfree;

    MinimiserResult result;
    if (n < 1) return result;

    wb.ports.windows.Show(view);
    view.SetButtonEnabled("cmdStop", true);
    view.SetButtonCaption("cmdStop", "&Interrupt this minimization");
    HideChoiceButtons(view);
    view.ClearAreas();
    wb.Status(1, "Initial function call, one moment please...");

    e.functionCalls = 0;
    m.iterations = 0;
    m.h = 0.001;
    m.checks = 0;
    m.X = a.value;
    m.F = EvaluateCounted(wb, m.X);
    m.Flast = m.F;
    double accepted = m.F;  // objective at the point held in the algorithm data
    m.quitRequested = false;
    e.interruptRequested = false;
    status.ClearActivity(1, 2);

    auto finish = [&](MinimiserEnd end, bool stoppedMessage) {
        if (stoppedMessage)
            dialogs.MessageBox("Marquart minimization stopped",
                               "Maximum number of iterations reached or an interrupt was received", Buttons::OK,
                               Icon::Information);
        status.ClearActivity(1, 4);
        dialogs.ProcessEvents();
        result.end = end;
        result.minimum = accepted;
        result.iterations = m.iterations;
        result.functionCalls = e.functionCalls;
        result.checks = m.checks;
        return result;
    };
    auto giveUp = [&]() {
        const std::string nl = CRLF;
        dialogs.MessageBox(
            "Marquardt quits in frustration",
            "Consider that:" + nl + "      (1) you're already at an acceptable minimum," + nl +
                "      (2) at least one parameter is too near a boundary," + nl +
                "      (3) at least one parameter is dead wrt the likelihood function," + nl +
                "      (4) a penalty function is affecting performance of the derivatives or parameter improvements," +
                nl + "      (5) there are numerical inaccuracies near the current minimum, or" + nl +
                "      (6) the model, or its implementation, is flawed",
            Buttons::OK, Icon::Information);
        wb.ports.windows.Close(view);
        return finish(MinimiserEnd::GaveUp, false);
    };
    // Derivatives at the point held in the free values; false only when
    // analytical derivatives were asked for and the model gave none.
    auto derivatives = [&]() {
        if (m.derivativeKind == "A") return AnalyticalDerivatives(wb);
        NumericalDerivatives(wb);
        BuildNumericalHessian(wb);
        return true;
    };
    auto missing = [&]() {
        dialogs.MessageBox("Analytical derivatives missing",
                           "Sorry, analytical derivatives seem not to have been provided", Buttons::OK,
                           Icon::Information);
        return finish(MinimiserEnd::DerivativesMissing, false);
    };
    // After a rejected axial check: derivatives afresh at the moved point.
    auto restartFrom = [&]() {
        wb.Status(1, "Convergence rejected");
        wb.Status(3, "Calculating derivatives, one moment please...");
        m.lambda = kLambdaStart;
        m.trial = 0;
        for (int k = 1; k <= n; ++k) {
            e.freeValue[k] = m.X[e.freeIndex[k]];
            a.value[e.freeIndex[k]] = m.X[e.freeIndex[k]];
        }
        accepted = m.Flast;
        return derivatives();
    };

    // The step sequence failed: check the last accepted point axially, then
    // give up, or start again from a better point the check found.  The end
    // of the run, or nothing when it goes on with new derivatives.
    auto failedSequence = [&]() -> std::optional<MinimiserResult> {
        m.X = a.value;
        const bool rejected = MarquardtAxialCheck(wb, m.Flast, m.X);
        ++m.checks;
        if (rejected) accepted = m.Flast;
        if (!rejected || m.checks >= kMaxChecks) return giveUp();
        if (m.quitRequested) {
            wb.ports.windows.Close(view);
            return finish(MinimiserEnd::Interrupted, false);
        }
        if (!restartFrom()) return missing();
        return std::nullopt;
    };

    m.trial = 0;
    bool firstPass = true;
    bool fresh = false;       // derivatives have just been computed
    bool straightToStep = false;
    for (;;) {
        if (!straightToStep) {
            wb.Status(3, "Working to improve estimates. Objective function for trial # " + NumberText(m.trial) +
                             ", is : " + Format(m.F, " 0.00000E+00"));
            if (wb.minimiserObserver)
                wb.minimiserObserver->Progress({"Marquardt", m.iterations, e.functionCalls, accepted});

            if (e.interruptRequested) {
                e.interruptRequested = false;
                view.SetButtonEnabled("cmdStop", true);
                wb.Status(1, "");
                if (!e.mlMode) {
                    const Answer answer =
                        dialogs.MessageBox("Marquardt interrupt", "Interrupt received. Do you want to quit minimizing?",
                                           Buttons::YesNo, Icon::Question);
                    if (answer == Answer::Yes) {
                        m.quitRequested = true;
                        wb.Status(1, "Interrupt will occur once this iteration is complete");
                    } else {
                        m.quitRequested = false;
                    }
                } else {
                    const Answer quit = dialogs.MessageBox(
                        "Marquardt interrupt", "Interrupt received. Do you want to quit the ML procedure?",
                        Buttons::YesNo, Icon::Question);
                    if (quit == Answer::Yes) {
                        if (profile) profile->QuitProcedure();
                        return finish(MinimiserEnd::ProfileQuit, false);
                    }
                    const Answer next = dialogs.MessageBox("Marquardt interrupt",
                                                           "Do you want to continue starting with the NEXT point?",
                                                           Buttons::YesNo, Icon::Question, true);
                    if (next == Answer::Yes) return finish(MinimiserEnd::NextPoint, false);
                }
            }

            if (firstPass) {
                firstPass = false;
                m.lambda = kLambdaStart;
                wb.Status(3, "Calculating derivatives, one moment please...");
                if (!derivatives()) return missing();
                fresh = true;
            } else if (m.trial > 0) {
                m.F = EvaluateCounted(wb, m.X);
                // A trial the model could not evaluate (NaN) fails like a worse one
                // rather than being accepted into the algorithm data.
                if (!(m.F <= m.Flast)) {
                    m.lambda *= 10.0;
                } else {
                    ++m.iterations;
                    m.trial = 0;
                    for (int k = 1; k <= n; ++k) {
                        a.value[e.freeIndex[k]] = m.X[e.freeIndex[k]];
                        e.freeValue[k] = m.X[e.freeIndex[k]];
                    }
                    accepted = m.F;
                    view.SetArea(1, MarquardtProgressWindowText(wb));
                    if (a.fileFrequency > 0) wb.runLog.Write(MarquardtProgressLogText(wb));
                    if (e.mlMode && profile) wb.Status(1, ProfilePositionText(*profile, profile->ValueIn(m.X)));
                    if (DerivativeDisplayDue(wb)) DerivativeDisplay(wb);

                    bool converged = false;
                    if (a.tolerance > 0.0) {
                        converged = std::fabs(m.Flast - m.F) < a.tolerance;
                    } else if (a.tolerance < 0.0) {
                        const auto q = RelativeChange(m.Flast - m.F, m.Flast);
                        converged = q && *q <= std::fabs(a.tolerance);
                    }

                    if (converged && ConvergedOnlyByDamping(wb)) {
                        // No verified minimum here: the step sequence has failed.
                        m.Flast = m.F;
                        if (const auto end = failedSequence()) return *end;
                        fresh = true;
                    } else if (converged) {
                        wb.Status(1, "Verifying convergence by performing an axial search");
                        const bool rejected = MarquardtAxialCheck(wb, m.Flast, m.X);
                        ++m.checks;
                        if (!rejected) {
                            // Finish: the verified minimum, evaluated once more uncounted.
                            ExpandFuses(m.X, a, e);
                            m.F = ObjectiveAt(wb, m.X, nf::Once);
                            accepted = m.F;
                            view.SetButtonEnabled("cmdStop", false);
                            if (!e.mlMode) {
                                view.SetArea(1, MarquardtFinalWindowText(wb));
                                if (a.fileFrequency > 0) wb.runLog.Write(MarquardtFinalLogText(wb));
                                if (m.showDerivatives && !e.interruptRequested) DerivativeDisplay(wb);
                                dialogs.MessageBox("Marquardt minimum", "Minimum found using Marquardt!", Buttons::OK,
                                                   Icon::Information);
                            } else if (profile) {
                                profile->Store(m.F, profile->ValueIn(m.X));
                            }
                            return finish(MinimiserEnd::Converged, false);
                        }
                        accepted = m.Flast;
                        if (m.checks >= kMaxChecks) return giveUp();
                        if (m.quitRequested) return finish(MinimiserEnd::Interrupted, false);
                        if (!restartFrom()) return missing();
                        fresh = true;
                    } else {
                        // A limit of 0 or less must not let the run go on for ever.
                        if (m.quitRequested || m.iterations >= a.maxCalls)
                            return finish(m.quitRequested ? MinimiserEnd::Interrupted : MinimiserEnd::LimitReached,
                                          true);
                        m.Flast = m.F;
                        wb.Status(3, "Calculating derivatives, one moment please...");
                        if (!derivatives()) return missing();
                        fresh = true;
                        m.lambda *= 0.1;
                    }
                }
            }
        }
        straightToStep = false;

        // The step from the last accepted point.
        if (fresh) {
            m.savedGradient = m.gradient;
            m.savedHessian = m.hessian;
            fresh = false;
        }
        LUWork& lu = wb.lu;
        lu.Size(n);
        m.delta.resize(n, 1, 0.0);
        for (int k = 1; k <= n; ++k) {
            for (int l = 1; l <= n; ++l) lu.a(k, l) = m.hessian(k, l);
            lu.a(k, k) = std::fabs(m.hessian(k, k)) * (1.0 + m.lambda);
            m.delta(k, 1) = m.gradient[k];
        }
        if (m.lambda > kLambdaGiveUp) return giveUp();
        lu.failed = 0;
        if (!DecomposeLU(wb, lu, n)) {
            wb.ports.windows.Close(view);
            return finish(MinimiserEnd::DecompositionFailed, false);
        }
        SolveLU(wb, lu, n, m.delta, 1);
        for (int k = 1; k <= n; ++k) m.X[e.freeIndex[k]] = e.freeValue[k] - m.delta(k, 1);

        // Damping so large that the step vanished leaves the point where it
        // was: accepting that "step" would pass for convergence, so the step
        // sequence has failed as after the last trial.
        if (m.trial == kMaxTrials) {
            if (const auto end = failedSequence()) return *end;
            fresh = true;
            straightToStep = true;
        } else {
            ++m.trial;
        }
    }
}

namespace {

// The command after its set-up questions.
MinimiserResult RunMarquardtCommand(Workbench& wb) {
    wb.app.covarianceCurrent = false;
    const int terminalFrequency = wb.alg.terminalFrequency;
    if (!SetUpMinimisation(wb)) return {};
    const MinimiserResult result = RunMarquardt(wb);
    ReportRunLogFailure(wb);
    wb.alg.terminalFrequency = terminalFrequency;
    wb.alg.simplexCurrent = false;
    // However the run ended, the algorithm data hold its estimates.
    if (result.end != MinimiserEnd::NothingToDo && wb.engine.priorsInUse && wb.priorReview) wb.priorReview(wb);
    return result;
}

}  // namespace

MinimiserResult MarquardtCommand(Workbench& wb) {
    wb.CloseProgressWindows();
    if (NothingToMinimise(wb)) return {};
    if (!SetUpMarquardt(wb)) {
        MinimiserResult result;
        result.end = MinimiserEnd::Cancelled;
        return result;
    }
    return RunMarquardtCommand(wb);
}

MinimiserResult MarquardtCommand(Workbench& wb, const std::string& derivativeKind, bool showDerivatives) {
    wb.CloseProgressWindows();
    if (NothingToMinimise(wb)) return {};
    wb.marquardt.derivativeKind = derivativeKind;
    wb.marquardt.showDerivatives = showDerivatives;
    return RunMarquardtCommand(wb);
}

std::string MarquardtProgressWindowText(Workbench& wb) {
    std::string t = CRLF;
    t += NoteLine(wb) + CRLF + CRLF;
    t += CurrentMinLine(wb) + CRLF + CRLF;
    t += "Current minimum found at these " + NumberText(wb.engine.nfree) + " adjusted parameter values: " + CRLF + CRLF;
    t += FreeParameterLines(wb, FreeCoordinates(wb, wb.marquardt.X));
    return t;
}

std::string MarquardtProgressLogText(Workbench& wb) {
    std::string t = CRLF;
    t += NoteLine(wb) + CRLF + CRLF;
    t += "Current minimum found at these " + NumberText(wb.engine.nfree) + " adjusted parameter values: " + CRLF + CRLF;
    t += FreeParametersFourToALine(wb, FreeCoordinates(wb, wb.marquardt.X));
    t += std::string(CRLF) + CRLF;
    t += CurrentMinLine(wb) + CRLF + CRLF;
    return t;
}

std::string MarquardtDerivativeText(Workbench& wb) {
    const MarquardtState& m = wb.marquardt;
    const EngineState& e = wb.engine;
    const std::string kind = m.derivativeKind == "A" ? "Analytical" : "Numerical";
    std::string t = CRLF;
    t += std::string("1st & 2nd partial derivatives of the objective function wrt to the previous parameter estimates:") +
         CRLF;
    const int n = std::min(e.nfree, m.savedGradient.size());
    // A space keeps the parameter numbers apart from the value.
    for (int k = 1; k <= n; ++k)
        t += kind + " 1st derivative wrt Parameter      " + Format(e.freeIndex[k], "000)") + " " +
             Format(m.savedGradient[k], "0.00000E+00") + CRLF;
    for (int k = 1; k <= n; ++k)
        for (int l = k; l <= n; ++l)
            t += kind + " 2nd derivative wrt Parameters " + Format(e.freeIndex[k], "000") + "," +
                 Format(e.freeIndex[l], "000") + " " + Format(m.savedHessian(k, l), "0.00000E+00") + CRLF;
    return t;
}

std::string MarquardtFinalWindowText(Workbench& wb) {
    std::string t = CRLF;
    t += "Minimum of " + Value(wb.marquardt.F) + " found at these " + NumberText(wb.engine.nfree) +
         " adjusted parameter values:" + CRLF;
    t += FreeParameterLines(wb, FreeCoordinates(wb, wb.marquardt.X));
    t += CRLF;
    t += ResultLine(wb);
    t += CRLF;
    return t;
}

std::string MarquardtFinalLogText(Workbench& wb) {
    std::string t = std::string(CRLF) + CRLF;
    t += "Minimum of " + Value(wb.marquardt.F) + " found at these " + NumberText(wb.engine.nfree) +
         " adjusted parameter values:" + CRLF + CRLF;
    t += FreeParametersFourToALine(wb, FreeCoordinates(wb, wb.marquardt.X));
    t += std::string(CRLF) + CRLF;
    t += ResultLine(wb) + CRLF + CRLF;
    return t;
}

void InstallMarquardtWindow(Workbench& wb) {
    TextView& view = wb.marquardtView;
    view.AddButton("cmdStop", "&Interrupt", [&wb] {
        MarquardtState& m = wb.marquardt;
        wb.engine.interruptRequested = true;
        wb.marquardtView.SetButtonEnabled("cmdStop", false);
        if (m.awaitingChoice) {
            wb.Status(2, "Interrupt pending...");
            m.showDerivatives = false;
            m.choice = MarquardtState::Choice::Interrupt;
            HideChoiceButtons(wb.marquardtView);
        } else {
            wb.Status(1, "Interrupt pending...");
        }
    });
    view.AddButton("cmdIteration", "&Next iteration", [&wb] {
        wb.marquardt.choice = MarquardtState::Choice::NextIteration;
        HideChoiceButtons(wb.marquardtView);
    });
    view.AddButton("cmdContinue", "&Continue", [&wb] {
        wb.marquardt.choice = MarquardtState::Choice::Continue;
        wb.marquardt.showDerivatives = false;
        HideChoiceButtons(wb.marquardtView);
    });
    HideChoiceButtons(view);
}

}  // namespace corvane
