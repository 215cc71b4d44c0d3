#include "evaluation/LikelihoodProfile.h"

#include <cmath>

#include "engine/CovarianceConstant.h"
#include "engine/modCorvane.h"
#include "evaluation/ParameterChoice.h"
#include "numeric/DateTimeName.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"

namespace corvane {

namespace {

constexpr double kNoMinimum = 1e100;
constexpr double kGridSpan = 8.0;  // the points span 4 standard errors on each side

double Elapsed(double start, double now) {
    double e = now - start;
    if (e < 0.0) e += 86400.0;  // past midnight
    return e;
}

std::string PlotsText() {
    const std::string nl = CRLF;
    return "This routine will create a series of plots, and if desired, save the x-y data. " + nl + nl +
           "Choose plot 1 to get a likelihood profile plot. " + nl +
           "Choose plot 2 to get a confidence distribution at ML estimates. " + nl +
           "Choose plot 3 to get a mode-centered confidence region plot. " + nl +
           "Choose plot 4 to get a mean-centered confidence region plot. " + nl +
           "Choose plot 5 to get a left to right ascending cumulative plot. " + nl +
           "Choose plot 6 to get a left to right descending cumulative plot. " + nl +
           "Choose plot 7 to get a mode-centered Gaussian distribution plot.";
}

std::string ContinueText() {
    const std::string nl = CRLF;
    return std::string("First choose the parameter to be profiled, then the number of data points. ") +
           "You may then wisely edit the mid-range of the parameter value and the step size. " +
           "For example, if you choose 101 profile points then profile point 1 will be the parameter " +
           "value - 50 * the step size, profile point 51 will be the parameter value, and profile " +
           "point 101 will be the parameter value + 50 * the step size. " +
           "This routine is works best when the value of the parameter corresponds to the minimum. " +
           "We suggest you first build a covariance matrix for parameters with non-zero step sizes " +
           "and thus let the statistical machinery determine approximate values for the step sizes. " +
           "Be warned, however, that this choice will automatically change the values for step sizes " +
           "in your algorithm data file." + nl + nl + "Do you want to continue?";
}

// The shared columns hold a profile that can be shown again.
bool StoredProfileExists(const Workbench& wb) {
    const ProfileColumns& c = wb.profileColumns;
    return wb.lastEvaluationKind == "ML" && wb.evaluationResultsExist && c.m != 0 && c.x[c.m] != c.x[1] &&
           wb.profiledStep > 0.0;
}

// The standard error of a parameter on one of the covariance grids (-1 when
// there is none).
double GridStandardError(const Workbench& wb, int parameter, int grid) {
    return wb.covariance.ParameterStandardError(parameter, grid);
}

void ShowGridWarnings(Workbench& wb, const char* title, const std::vector<std::string>& warnings) {
    std::string text;
    for (const std::string& w : warnings) text += (text.empty() ? "" : std::string(CRLF) + CRLF) + w;
    if (!text.empty()) wb.ports.dialogs.MessageBox(title, text, Buttons::OK, Icon::Exclamation);
}

void Reminder(Workbench& wb) {
    wb.ports.dialogs.MessageBox("A friendly reminder", "Your algorithm file may have been automatically edited",
                                Buttons::OK, Icon::Exclamation);
}

}  // namespace

int ProfilePointCount(int answer, int zeroGives) {
    if (answer == 0) return zeroGives;
    if (answer < 3) return 3;
    if (answer % 2 == 0) return answer + 1;
    return answer;
}

double ProfilePointValue(double centre, double step, int point, int points) {
    // (m + 1) / 2 is whole for the odd counts a profile uses; an even count
    // (a shortened profile) keeps the same formula.
    return centre + (point - (points + 1) / 2.0) * step;
}

std::string ProfilePointText(int point, int points, int parameter, double value) {
    return "Calculating profile point " + Format(point, "###0") + " of " + Format(points, "###0") + "," +
           " Value of parameter # " + NumberText(parameter) + " which is being profiled is: " +
           Format(value, "0.0000E+00");
}

std::string MinimizationsRemainingText(int remaining) {
    // The number keeps a position for its sign: a space when not negative.
    return std::string("Minimizations remaining: ") + (remaining >= 0 ? " " : "") + NumberText(remaining);
}

std::string ProfileTimeText(long long seconds) {
    if (seconds < 0) seconds = 0;
    const long long minutes = seconds / 60;
    const long long rest = seconds - 60 * minutes;
    return "Estimated time remaining (m:s): " + NumberText(minutes) + ":" + (rest < 10 ? "0" : "") + NumberText(rest);
}

GridStepsResult StepsFromStandardErrors(AlgorithmData& a, const std::function<double(int)>& se, double span,
                                        int points) {
    GridStepsResult r;
    if (points < 2) return r;
    for (int i = 1; i <= a.np; ++i) {
        if (a.step[i] == 0.0) continue;
        const double s = se(i);
        if (!(s > 0.0) || !std::isfinite(s)) {
            r.withoutSE.push_back(i);
            continue;
        }
        a.step[i] = span * s / (points - 1);
        r.changed.push_back(i);
    }
    return r;
}

double NegLnLAtCurrentValues(Workbench& wb) {
    Vec1<double> x = wb.alg.value;
    ExpandFuses(x, wb.alg, wb.engine);
    const double f = ObjectiveAt(wb, x, nf::Once);
    return f / wb.priorTable.reciprocalConstant;
}

ProfileResult ComputeProfile(Workbench& wb, const ProfileSettings& settings, const ProfileCallbacks& callbacks) {
    AlgorithmData& a = wb.alg;
    EngineState& e = wb.engine;
    ProfileColumns& cols = wb.profileColumns;
    ProfileResult result;
    const int p = settings.parameter;
    const int m = settings.points;
    result.parameter = p;
    result.requested = m;
    if (p < 1 || p > a.np || a.step[p] == 0.0 || m < 1) return result;

    const double v = a.value[p];
    // Every value and step as found: each point's minimisation moves the
    // other free parameters, and the estimates must not be left at the last
    // point's optimum (a summary or a save would take them for the fit).
    const Vec1<double> valuesBefore = a.value;
    const Vec1<double> stepsBefore = a.step;
    // The points run from left to right whatever the sign of the step.
    const double h = std::fabs(a.step[p]);
    result.centre = v;
    result.step = h;

    cols.Size(m);
    const bool wasMlMode = e.mlMode;
    e.mlMode = true;
    e.evaluatedParameter = p;
    a.step[p] = 0.0;
    SetUpRun(a, e);
    if (settings.minimiser == ProfileMinimiser::Marquardt) wb.marquardt.derivativeKind = settings.derivativeKind;
    // A request left from before the profile is not the user's answer to it.
    wb.app.mlInterrupt = false;
    e.interruptRequested = false;

    ProfileHooks hooks;
    hooks.parameter = p;
    hooks.lastPoint = m;
    double best = kNoMinimum;
    int r = 0;
    int completed = 0;
    const double start = wb.ports.clock.SecondsSinceMidnight();

    for (int i = 1; i <= m; ++i) {
        const double x = ProfilePointValue(v, h, i, m);
        a.value[p] = x;
        if (callbacks.pointStarted) callbacks.pointStarted({i, m, p, x});

        double negLnL = NegLnLAtCurrentValues(wb);
        ++result.calls;
        if (callbacks.quit && callbacks.quit()) {
            result.interrupted = true;
            break;
        }

        wb.app.covarianceCurrent = false;
        // The free values are where the previous point's optimum left them.
        SetUpRun(a, e);
        MinimiserEnd end = MinimiserEnd::NothingToDo;
        if (e.nfree > 0) {
            hooks.point = i;
            hooks.stored = false;
            MinimiserResult run;
            if (settings.minimiser == ProfileMinimiser::Simplex) {
                a.simplexCurrent = false;  // a new simplex round the current values
                run = RunSimplex(wb, &hooks);
            } else {
                run = RunMarquardt(wb, &hooks);
            }
            result.calls += run.functionCalls;
            end = run.end;
            if (hooks.ProcedureQuit()) {
                result.interrupted = true;
                break;
            }
            // The minimiser leaves its optimum in the values; -ln[L] is taken there.
            negLnL = NegLnLAtCurrentValues(wb);
            ++result.calls;
        }
        a.value[p] = x;
        cols.x[i] = x;
        cols.negLnL[i] = negLnL;
        result.ends.push_back(end);
        completed = i;
        if (negLnL < best) {
            best = negLnL;
            r = i;
            cols.xML = x;
        }
        if (callbacks.pointDone) {
            ProfilePointDone done;
            done.point = i;
            done.points = m;
            done.negLnL = negLnL;
            done.best = best;
            const double elapsed = Elapsed(start, wb.ports.clock.SecondsSinceMidnight());
            done.secondsLeft = std::llround(elapsed / i * (m - i));
            done.calls = result.calls;
            done.end = end;
            callbacks.pointDone(done);
        }
    }

    a.value = valuesBefore;
    a.step = stepsBefore;
    SetUpRun(a, e);
    e.mlMode = wasMlMode;
    e.evaluatedParameter = wasMlMode ? e.evaluatedParameter : 0;
    e.interruptRequested = false;
    wb.app.mlInterrupt = false;
    a.simplexCurrent = false;  // the kept simplex belongs to the last point's problem

    // An interrupted profile keeps every point that was finished.
    cols.Cut(completed);
    result.points = completed;
    result.mode = r;
    if (completed >= 3 && r >= 1 && r <= completed) {
        DistributionSummary& s = result.summary;
        s.mean = cols.xML;
        DistributionColumns(cols, s.mean, s.difference, s.sd, r, h);
        result.warnings = CheckGrid(cols, s.sd, r, h).warnings;
        result.distribution = true;
        wb.lastEvaluationKind = "ML";
        wb.evaluationResultsExist = true;
        wb.profiledParameter = p;
        wb.profiledStep = h;
    } else {
        // The columns no longer hold a profile that can be shown.
        wb.lastEvaluationKind.clear();
        wb.evaluationResultsExist = false;
    }
    return result;
}

std::string ProfileDataText(const Workbench& wb, const DistributionSummary& summary) {
    return ConfidenceDataText(profile_text::DataTitle, wb.profileColumns, summary);
}

bool RecomputeStoredProfile(Workbench& wb, DistributionSummary& summary) {
    if (!StoredProfileExists(wb)) return false;
    ProfileColumns& c = wb.profileColumns;
    int r = 1;
    for (int i = 2; i <= c.m; ++i)
        if (c.negLnL[i] < c.negLnL[r]) r = i;
    summary = DistributionSummary{};
    summary.mean = c.xML;
    DistributionColumns(c, summary.mean, summary.difference, summary.sd, r, wb.profiledStep);
    return true;
}

void ShowProfileResults(Workbench& wb, int parameter, const DistributionSummary& summary) {
    wb.plots->Show(DistributionPlotFor(wb.profileColumns, summary, parameter, DistributionKind::Confidence,
                                       DescriptionOf(wb.alg, parameter)));
    wb.profileView.SetArea(1, ProfileDataText(wb, summary));
    wb.ports.windows.Show(wb.profileView);
}

std::string SaveProfileData(Workbench& wb) {
    TextView& view = wb.profileView;
    FileRequest request;
    request.save = true;
    request.title = profile_text::SaveTitle;
    request.filter = std::string("All files (*.*)|*.*|") + "Max-like files (*.mlc)|*.mlc";
    request.selectedFilter = 2;
    request.initialName =
        NamedForAlgorithm(wb.alg, ".mlc", DateTimeName(wb.ports.clock.DateText(), wb.ports.clock.TimeText(), ".mlc"));
    request.overwritePrompt = true;
    return SaveViewText(wb.ports.dialogs, request, view);
}

void InstallProfileWindow(Workbench& wb) {
    TextView& view = wb.profileView;
    ViewButton& save = view.AddButton("cmdSave", profile_text::SaveButton, [&wb] { SaveProfileData(wb); });
    save.toolTip = profile_text::SaveToolTip;
}

ButtonChoice ProfileMinimiserChoice() {
    ButtonChoice c;
    c.title = profile_text::Title;
    c.text = "Choose the minimizer for the profile points";
    c.captions = {"&Simplex", "&Marquardt"};
    c.cancel = true;
    c.yesNoText = std::string("Choose 'Yes' to minimize with SIMPLEX") + CRLF + "Choose 'No' to minimize with MARQUARDT";
    return c;
}

ProfileEnd LikelihoodProfileEvaluation(Workbench& wb, const std::function<void()>& editParameters) {
    using namespace profile_text;
    Dialogs& d = wb.ports.dialogs;
    AlgorithmData& a = wb.alg;
    EngineState& e = wb.engine;
    const std::string nl = CRLF;
    // Maximum-likelihood mode is on only while the points are worked on
    // (ComputeProfile), so the main window's ML "&Interrupt" menu, which
    // follows it, is offered exactly then; nothing reads it before.

    d.MessageBox(Title, PlotsText(), Buttons::OK, Icon::Information);
    if (d.MessageBox(Title, ContinueText(), Buttons::YesNo, Icon::Question) != Answer::Yes) return ProfileEnd::Declined;

    if (StoredProfileExists(wb)) {
        const Answer now = d.MessageBox(
            Title, "Do you want to perform minimizations now?" + nl + nl + "Choosing 'NO' will give you the previous ML plots",
            Buttons::YesNo, Icon::Question);
        if (now == Answer::No) {
            DistributionSummary summary;
            RecomputeStoredProfile(wb, summary);
            ShowProfileResults(wb, wb.profiledParameter, summary);
            return ProfileEnd::Redisplayed;
        }
    }

    // The constant is asked whatever the model's data count: a model that
    // counts its data gets the sum-of-squares suggestion, made from the
    // objective at the current values, as the covariance calculation offers it.
    SetUpRun(a, e);
    double centre = 0.0;
    if (wb.dataCount > 0) {
        Vec1<double> x = a.value;
        ExpandFuses(x, a, e);
        centre = ObjectiveAt(wb, x, nf::Once);
    }
    AskCovarianceConstant(wb, ConstantQuestionFor(wb, centre, e.nfree));

    const auto chosen =
        ChooseParameter(d, Title, "Choose the parameter number to be profiled:" + nl + "0 < parameter # <= " + NumberText(a.np),
                        a, a.np, wb.profiledParameter);
    if (!chosen) return ProfileEnd::Cancelled;
    const int parameter = *chosen;

    int points = 0;
    while (points == 0) {
        const std::string answer =
            d.InputPrompt(Title,
                          "Choose the number of x-y data points per plot:" + nl + "0 <= # points <= " +
                              NumberText(kMaxProfilePoints),
                          NumberText(kDefaultProfilePoints));
        if (const auto n = StrictInteger(answer, 0, kMaxProfilePoints))
            points = ProfilePointCount(static_cast<int>(*n));
    }

    ProfileSettings settings;
    settings.parameter = parameter;
    settings.points = points;
    const auto minimiser = d.ChooseButton(ProfileMinimiserChoice());
    if (!minimiser) return ProfileEnd::Cancelled;
    settings.minimiser = *minimiser == 0 ? ProfileMinimiser::Simplex : ProfileMinimiser::Marquardt;

    bool gridSteps = false;
    if (CovarianceResultsCurrent(wb)) {
        for (;;) {
            const std::string answer =
                Trim(d.InputPrompt(Title,
                                   "Base step sizes on SD's from covariance grid 1, 2, 3, No or Quit?" + nl +
                                       "Please enter 1, 2, 3, N, or Q",
                                   "N"));
            if (answer.empty() || answer == "Q" || answer == "q") return ProfileEnd::Cancelled;
            if (answer == "N" || answer == "n") break;
            if (answer != "1" && answer != "2" && answer != "3") continue;
            const int grid = answer[0] - '0';
            const GridStepsResult steps = StepsFromStandardErrors(
                a, [&wb, grid](int i) { return GridStandardError(wb, i, grid); }, kGridSpan, points);
            if (steps.changed.empty()) {
                d.MessageBox(Title,
                             "Covariance grid " + answer + " gave no standard errors; please choose another grid",
                             Buttons::OK, Icon::Exclamation);
                continue;
            }
            gridSteps = true;
            if (!steps.withoutSE.empty()) {
                std::string list;
                for (int i : steps.withoutSE) list += (list.empty() ? "" : ", ") + NumberText(i);
                d.MessageBox(Title,
                             "Covariance grid " + answer + " gave no standard error for parameter(s) " + list +
                                 "; their step sizes are unchanged",
                             Buttons::OK, Icon::Exclamation);
            }
            break;
        }
    }

    if (editParameters) editParameters();

    if (a.step[parameter] == 0.0) {
        d.MessageBox(Title, ZeroStep, Buttons::OK, Icon::Exclamation);
        if (gridSteps) Reminder(wb);
        return ProfileEnd::ZeroStep;
    }
    if (settings.minimiser == ProfileMinimiser::Marquardt) {
        if (!SetUpMarquardt(wb)) {
            if (gridSteps) Reminder(wb);
            return ProfileEnd::Cancelled;
        }
        settings.derivativeKind = wb.marquardt.derivativeKind;
    }

    StatusBar& status = wb.ports.status;
    ProfileCallbacks callbacks;
    callbacks.pointStarted = [&wb, &d](const ProfilePointStart& s) {
        wb.Status(1, ProfilePointText(s.point, s.points, s.parameter, s.value));
        d.ProcessEvents();
    };
    callbacks.quit = [&wb, &d] {
        if (!wb.app.mlInterrupt) return false;
        wb.app.mlInterrupt = false;
        return d.MessageBox(InterruptTitle, "Interrupt received.  Quit calculations?", Buttons::YesNo,
                            Icon::Question) == Answer::Yes;
    };
    callbacks.pointDone = [&status](const ProfilePointDone& s) {
        status.Set(panels::ProfileRemaining, MinimizationsRemainingText(s.points - s.point));
        status.Set(panels::ProfileTime, ProfileTimeText(s.secondsLeft));
    };

    const ProfileResult result = ComputeProfile(wb, settings, callbacks);
    status.ClearActivity(1, 4);
    status.Clear(panels::ProfileRemaining);
    status.Clear(panels::ProfileTime);

    if (result.distribution) {
        ShowProfileResults(wb, parameter, result.summary);
        ShowGridWarnings(wb, Title, result.warnings);
    }
    if (gridSteps) Reminder(wb);
    return result.distribution ? ProfileEnd::Completed : ProfileEnd::TooFewPoints;
}

}  // namespace corvane
