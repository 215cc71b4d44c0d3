#include "evaluation/PosteriorCommand.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>
#include <vector>

#include "engine/CovarianceConstant.h"
#include "engine/modCorvane.h"
#include "evaluation/ParameterChoice.h"
#include "numeric/DateTimeName.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"

namespace corvane {

using namespace posterior_text;

std::string PosteriorIntroductionText() {
    std::string t = "This routine will create a series of plots, and if desired, save the x-y data. ";
    t += std::string(CRLF) + CRLF;
    for (const char* line : {"Choose plot 1 to get a likelihood profile plot. ",
                             "Choose plot 2 to get a Bayesian posterior distribution. ",
                             "Choose plot 3 to get a mode-centered confidence region plot. ",
                             "Choose plot 4 to get a mean-centered confidence region plot. ",
                             "Choose plot 5 to get a left to right ascending cumulative plot. ",
                             "Choose plot 6 to get a left to right descending cumulative plot. "})
        t += std::string(line) + CRLF;
    t += "Choose plot 7 to get a mode-centered Gaussian distribution plot.";
    t += std::string(CRLF) + CRLF + "If only two variables are evaluated a bivarate pdf plot is also generated";
    return t;
}

std::string PosteriorContinueText() {
    return std::string("First choose the parameter to be evaluated, then the number of grid points. ") +
           "You may then wisely edit the mid-range parameter value and the step size " +
           "for that parameter and those (maximum = 6) over which probabilities will be integrated. " +
           "For a one dimensional example, if you choose 101 grid points then grid point 1 will be " +
           "the parameter value - 50 * the step size, grid point 51 will be the point parameter value, " +
           "and grid point 101 will be the parameter value + 50 * the step size. " +
           "Parameters with a step size of zero will not be integrated into the BP distribution. " +
           "We suggest you first build a covariance matrix for parameters with non-zero step sizes " +
           "and thus let the statistical machinery determine approximate values for the step sizes. " +
           "Be warned, however, that this choice will automatically change the values for step sizes " +
           "in your algorithm data file." + CRLF + CRLF + "Do you want to continue?";
}

std::string BivariateQuestionText(int parameter, int integrated) {
    return "Do you want to view a bivariate plot of parameters " + NumberText(parameter) + " and " +
           NumberText(integrated) + "?";
}

namespace {

// The Bayesian mode for the whole evaluation, cleared however it ends.
class BayesianMode {
public:
    explicit BayesianMode(Workbench& wb) : wb_(wb) { wb.engine.bayesianMode = true; }
    ~BayesianMode() {
        wb_.engine.evaluatedParameter = 0;
        wb_.engine.bayesianMode = false;
    }
    BayesianMode(const BayesianMode&) = delete;
    BayesianMode& operator=(const BayesianMode&) = delete;

private:
    Workbench& wb_;
};

// The main window's Bayesian "&Interrupt" menu, shown from the start of the
// integration to the end of the evaluation.
class InterruptMenu {
public:
    explicit InterruptMenu(Workbench& wb) : wb_(wb) { Show(true); }
    ~InterruptMenu() { Show(false); }
    InterruptMenu(const InterruptMenu&) = delete;
    InterruptMenu& operator=(const InterruptMenu&) = delete;

private:
    void Show(bool shown) {
        if (wb_.showBayesianInterruptMenu) wb_.showBayesianInterruptMenu(shown);
    }
    Workbench& wb_;
};

// Puts the profiled parameter's value and step back however the
// evaluation ends once they were taken.
class ProfiledParameter {
public:
    ProfiledParameter(AlgorithmData& a, int parameter)
        : a_(a), parameter_(parameter), value_(a.value[parameter]), step_(a.step[parameter]) {}
    ~ProfiledParameter() {
        a_.value[parameter_] = value_;
        a_.step[parameter_] = step_;
    }
    ProfiledParameter(const ProfiledParameter&) = delete;
    ProfiledParameter& operator=(const ProfiledParameter&) = delete;
    double Value() const { return value_; }
    double Step() const { return step_; }

private:
    AlgorithmData& a_;
    int parameter_;
    double value_;
    double step_;
};

void Message(Workbench& wb, const char* title, const std::string& text, Icon icon) {
    wb.ports.dialogs.MessageBox(title, text, Buttons::OK, icon);
}

// The activity panels of the integration: 1 the profile point, 1 + q the
// level of integrated parameter q; bar 4 the calls and times.
constexpr Panel kCallsRequired{4, 3};
constexpr Panel kStarted{4, 4};
constexpr Panel kIntegrating{4, 5};

void ClearPosteriorStatus(Workbench& wb, int k) {
    StatusBar& s = wb.ports.status;
    s.ClearActivity(1, 1 + k);
    for (Panel p : {panels::ProfileRemaining, panels::ProfileTime, kCallsRequired, kStarted, kIntegrating}) s.Clear(p);
}

void ShowProgress(Workbench& wb, const PosteriorPlan& plan, const PosteriorProgress& p) {
    StatusBar& s = wb.ports.status;
    const double x = plan.ProfileValue(p.point);
    if (plan.k() == 0) {
        wb.Status(1, ProfilePointStatusAlone(plan.parameter, x, p.point, plan.m));
    } else {
        wb.Status(1, ProfilePointStatus(x, p.point, plan.m));
        for (int q = 1; q <= plan.k(); ++q) wb.Status(1 + q, GridLevelStatus(plan.integrated[q], p.node[q], plan.g));
    }
    s.Set(panels::ProfileRemaining, CallsRemainingStatus(p.callsTotal - p.callsDone));
    s.Set(panels::ProfileTime, TimeRemainingStatus(p.secondsLeft));
}

// The distribution plots, the bivariate density with its grid file, and
// the data text in the "Bayesian statistics" window.
void ShowPosterior(Workbench& wb, const DistributionSummary& summary, const PosteriorStore& store) {
    wb.plots->Show(DistributionPlotFor(wb.profileColumns, summary, store.parameter, DistributionKind::Posterior,
                                       DescriptionOf(wb.alg, store.parameter)));
    if (store.bivariate) {
        BivariatePlotData b = *store.bivariate;
        b.xDescription = DescriptionOf(wb.alg, b.xParameter);
        b.yDescription = DescriptionOf(wb.alg, b.yParameter);
        const Answer view = wb.ports.dialogs.MessageBox(
            "Bivariate plot", BivariateQuestionText(b.xParameter, b.yParameter), Buttons::YesNo, Icon::Question);
        if (view == Answer::Yes) {
            wb.plots->Show(b);
            SaveGridFile(wb.ports.dialogs, wb.ports.clock, b);
        }
    }
    wb.posteriorView.SetArea(1, ConfidenceDataText(DataTitle, wb.profileColumns, summary));
    wb.ports.windows.Show(wb.posteriorView);
}

void ShowStoredPosterior(Workbench& wb) {
    ProfileColumns& c = wb.profileColumns;
    double mean = c.xML, difference = 0.0, sd = 0.0;
    // The stored column is relative to its mode already, so this gives the
    // columns the evaluation showed.
    DistributionColumns(c, mean, difference, sd, wb.posterior.mode, wb.posterior.step);
    ShowPosterior(wb, {mean, difference, sd}, wb.posterior);
}

enum class Sizes { Accepted, Restart, Quit };

struct SizeAnswers {
    int parameter = 0;
    int m = 0;
    int g = 0;
    std::vector<int> held;  // free parameters left unticked: not integrated this time
    int integrated = 0;     // free parameters ticked
};

// Holds the unticked parameters at their values (step 0) for this
// evaluation only; their steps are put back however it ends.
class HeldFixed {
public:
    HeldFixed(AlgorithmData& a, const std::vector<int>& held) : a_(a) {
        for (int i : held) {
            kept_.push_back({i, a.step[i]});
            a.step[i] = 0.0;
        }
    }
    ~HeldFixed() {
        for (const auto& [i, step] : kept_) a_.step[i] = step;
    }
    HeldFixed(const HeldFixed&) = delete;
    HeldFixed& operator=(const HeldFixed&) = delete;

private:
    AlgorithmData& a_;
    std::vector<std::pair<int, double>> kept_;
};

// The free parameters other than the profiled one, all ticked at first.
// Ticks past six are refused by the list, or later by the set-up check.
// False on Cancel.
bool AskIntegrated(Workbench& wb, SizeAnswers& out) {
    const AlgorithmData& a = wb.alg;
    std::vector<int> candidates;
    for (int i = 1; i <= a.np; ++i)
        if (i != out.parameter && a.step[i] != 0.0) candidates.push_back(i);
    out.held.clear();
    out.integrated = static_cast<int>(candidates.size());
    if (candidates.empty()) return true;
    Checklist list;
    list.title = Title;
    list.prompt = "Tick the parameters to integrate over (at most " + NumberText(kMaxIntegrated) +
                  "). The others are held at their values for this evaluation; their step sizes are kept.";
    for (int i : candidates) list.items.push_back(ParameterItem(i, DescriptionOf(a, i), candidates.back()));
    list.ticked.assign(candidates.size(), true);
    list.maxTicked = kMaxIntegrated;
    const auto ticked = wb.ports.dialogs.ChooseSeveral(list);
    if (!ticked) return false;
    out.integrated = 0;
    for (std::size_t j = 0; j < candidates.size(); ++j) {
        if (j < ticked->size() && (*ticked)[j])
            ++out.integrated;
        else
            out.held.push_back(candidates[j]);
    }
    return true;
}

// The parameter and size prompts; Restart when an answer sends the user
// back to the parameter prompt.
Sizes AskSizes(Workbench& wb, SizeAnswers& out) {
    Dialogs& d = wb.ports.dialogs;
    const int n = wb.alg.np;
    const auto chosen = ChooseParameter(
        d, Title,
        std::string("Choose the parameter number to be evaluated or Quit: ") + CRLF + "0 < parameter # <= " +
            NumberText(n),
        wb.alg, n, wb.posterior.parameter);
    if (!chosen) return Sizes::Quit;
    out.parameter = *chosen;
    while (true) {
        const std::string answer =
            d.InputPrompt(Title, std::string("Choose the number of data points for profile parameter:") + CRLF +
                                     "0 <= # points <= 1001",
                          "25");
        const auto v = StrictNumber(answer);
        if (answer.empty() || !v) continue;
        const auto m = AcceptedSize(*v);
        if (!m) return Sizes::Restart;
        out.m = *m;
        break;
    }
    if (!AskIntegrated(wb, out)) return Sizes::Quit;
    out.g = 0;
    if (out.integrated == 0) return Sizes::Accepted;
    const std::string answer = d.InputPrompt(
        Title, std::string("Choose the number of data points for grid parameter:") + CRLF + "0 <= # points <= 1001",
        "25");
    const auto v = StrictNumber(answer);
    const auto g = v ? AcceptedSize(*v) : std::nullopt;
    if (!g) return Sizes::Restart;
    out.g = *g;
    return Sizes::Accepted;
}

void TooManyCalls(Workbench& wb, double calls) {
    wb.ports.dialogs.MessageBox("Too many function calls", TooManyCallsText(calls), Buttons::OK, Icon::Exclamation);
}

enum class GridSteps { Kept, FromGrid, Quit };

// The covariance-grid prompt, while the covariance results are current.
GridSteps AskGridSteps(Workbench& wb, const PosteriorCommandHooks& hooks, const SizeAnswers& s) {
    // Standard errors handed in by the caller stand for the workbench's own.
    const bool current = hooks.standardError ? wb.app.covarianceCurrent : CovarianceResultsCurrent(wb);
    if (!current) return GridSteps::Kept;
    while (true) {
        const std::string answer = Trim(wb.ports.dialogs.InputPrompt(Title, GridPrompt, "N"));
        if (answer == "Q" || answer == "q") return GridSteps::Quit;
        if (answer != "1" && answer != "2" && answer != "3") return GridSteps::Kept;
        const int grid = answer[0] - '0';
        auto se = [&](int parameter) {
            return hooks.standardError ? hooks.standardError(parameter, grid)
                                       : wb.covariance.ParameterStandardError(parameter, grid);
        };
        if (StepsFromCovarianceGrid(wb.alg, s.parameter, s.m, s.g, se)) return GridSteps::FromGrid;
        // A grid without valid results would give negative steps.
        Message(wb, Title,
                "Covariance grid " + answer + " has no valid standard errors; please choose another grid, N or Q",
                Icon::Exclamation);
    }
}

}  // namespace

PosteriorEnd BayesianPosteriorCommand(Workbench& wb, const PosteriorCommandHooks& hooks) {
    Dialogs& d = wb.ports.dialogs;
    AlgorithmData& a = wb.alg;
    BayesianMode mode(wb);
    d.MessageBox(Title, PosteriorIntroductionText(), Buttons::OK, Icon::Information);
    if (d.MessageBox(Title, PosteriorContinueText(), Buttons::YesNo, Icon::Question) != Answer::Yes)
        return PosteriorEnd::Ended;
    if (wb.lastEvaluationKind == "BP" && wb.evaluationResultsExist && wb.profileColumns.m != 0) {
        const Answer now = d.MessageBox(
            Title,
            std::string("Do you want to perform integrations now?") + CRLF + CRLF +
                "Choosing 'NO' will give you the previous BP plots",
            Buttons::YesNo, Icon::Question);
        if (now == Answer::No) {
            ShowStoredPosterior(wb);
            return PosteriorEnd::Redisplayed;
        }
    }

    while (true) {
        SetUpRun(a, wb.engine);
        if (wb.dataCount == 0) AskCovarianceConstant(wb, ConstantQuestionFor(wb, 0.0, wb.engine.nfree));
        SizeAnswers s;
        const Sizes sizes = AskSizes(wb, s);
        if (sizes == Sizes::Quit) return PosteriorEnd::Ended;
        if (sizes == Sizes::Restart) continue;
        if (RequiredCalls(s.m, s.g, s.integrated) > kMaxPosteriorCalls) {
            TooManyCalls(wb, PosteriorCallCount(s.m, s.g, s.integrated));
            return PosteriorEnd::Ended;
        }
        wb.engine.evaluatedParameter = s.parameter;

        const GridSteps steps = AskGridSteps(wb, hooks, s);
        if (steps == GridSteps::Quit) return PosteriorEnd::Ended;
        if (hooks.editParameters) hooks.editParameters();
        if (a.step[s.parameter] == 0.0) {
            Message(wb, SetupTitle, "The parameter chosen has a step size of zero; please try again",
                    Icon::Exclamation);
            return PosteriorEnd::Ended;
        }

        // Held after editing, so that a step edited meanwhile is the one put back.
        HeldFixed held(a, s.held);
        ProfiledParameter profiled(a, s.parameter);
        a.step[s.parameter] = 0.0;
        SetUpRun(a, wb.engine);
        PosteriorPlan plan = PlanPosterior(wb, s.parameter, profiled.Value(), profiled.Step(), s.m, s.g);
        const int k = plan.k();
        if (k > kMaxIntegrated) {
            Message(wb, SetupTitle, "Too many free parameters - maximum is 6", Icon::Exclamation);
            return PosteriorEnd::Ended;
        }
        // Editing may have freed parameters after the sizes were asked.
        if (k >= 1 && s.g == 0) {
            Message(wb, SetupTitle,
                    "No number of grid points was chosen for the parameters to be integrated; please try again",
                    Icon::Exclamation);
            return PosteriorEnd::Ended;
        }
        if (plan.Calls() > kMaxPosteriorCalls) {
            TooManyCalls(wb, PosteriorCallCount(plan.m, plan.g, k));
            return PosteriorEnd::Ended;
        }
        if (wb.dataCount > 0) {
            const auto r = DerivedReciprocalConstant(wb, plan, wb.engine.nfree + 1);
            if (!r) {
                RefuseNonPositiveConstant(wb);
                return PosteriorEnd::Ended;
            }
            wb.priorTable.reciprocalConstant = *r;
            plan.reciprocalConstant = *r;
        }
        // The reference is timed for the estimate; with nothing integrated
        // it is evaluated for that alone.
        const Clock& clock = wb.ports.clock;
        const double t0 = clock.PacingSeconds();
        const double reference = EvaluateReference(wb, plan);
        const double secondsEach = std::max(0.0, clock.PacingSeconds() - t0);
        if (k >= 1) plan.reference = reference;
        if (d.MessageBox(Title, PosteriorCostText(plan.Calls(), secondsEach), Buttons::YesNo, Icon::Question) !=
            Answer::Yes)
            return PosteriorEnd::Ended;
        if (k == 1) {
            // The density grid and its terms, before any evaluation.
            try {
                std::vector<double> room;
                room.reserve(2 * static_cast<std::size_t>(s.m + 1) * static_cast<std::size_t>(s.g + 1));
            } catch (const std::bad_alloc&) {
                d.MessageBox("Error message", "Bivariate array is probably too large; reduce grid size", Buttons::OK,
                             Icon::Information);
                continue;
            }
        }

        // Integration.
        InterruptMenu interruptMenu(wb);
        StatusBar& status = wb.ports.status;
        wb.app.bayesianInterrupt = false;
        status.Set(kCallsRequired, NumberText(plan.Calls()) + " function calls required");
        status.Set(kStarted, "Started at " + wb.ports.clock.TimeText());
        status.Set(kIntegrating, "Integrating probabilities for profile parameter #" + NumberText(s.parameter));
        PosteriorProgress first;
        first.point = 1;
        first.node = Vec1<int>(k, 1);
        first.callsTotal = plan.Calls();
        ShowProgress(wb, plan, first);
        d.ProcessEvents();
        PosteriorCallbacks callbacks;
        callbacks.progress = [&](const PosteriorProgress& p) {
            ShowProgress(wb, plan, p);
            d.ProcessEvents();
            if (!wb.app.bayesianInterrupt) return PosteriorReply::Continue;
            wb.app.bayesianInterrupt = false;
            const Answer quit =
                d.MessageBox(InterruptTitle, "Interrupt received.  Quit calculations?", Buttons::YesNo, Icon::Question);
            return quit == Answer::Yes ? PosteriorReply::Quit : PosteriorReply::Continue;
        };
        const PosteriorResult result = AssemblePosterior(plan, ComputePosterior(wb, plan, callbacks));
        status.Set(kStarted, "Integrations completed at " + wb.ports.clock.TimeText());

        if (result.overflow) {
            Message(wb, InterruptTitle,
                    "Some grid nodes are far more likely than the starting values, so the sums cannot be held. "
                    "Start from values nearer the minimum and try again",
                    Icon::Exclamation);
        } else if (result.empty) {
            Message(wb, InterruptTitle, EmptyPosteriorText(), Icon::Exclamation);
        } else if (!result.shown) {
            Message(wb, InterruptTitle, "Fewer than 3 profile points were completed; there is nothing to show",
                    Icon::Information);
        }
        if (result.shown) {
            wb.profileColumns = result.columns;
            wb.posterior.parameter = s.parameter;
            wb.posterior.step = plan.step;
            wb.posterior.mode = result.mode;
            wb.posterior.bivariate = result.bivariate;
            ShowPosterior(wb, result.summary, wb.posterior);
            std::string warning;
            for (const std::string& w : result.warnings) warning += (warning.empty() ? "" : std::string(CRLF) + CRLF) + w;
            if (!warning.empty()) Message(wb, Title, warning, Icon::Exclamation);
            // Only a shown result replaces the one the columns held before.
            wb.lastEvaluationKind = "BP";
            wb.evaluationResultsExist = true;
        }
        ClearPosteriorStatus(wb, k);
        if (steps == GridSteps::FromGrid)
            Message(wb, "A friendly reminder", "Your algorithm file may have been automatically edited",
                    Icon::Exclamation);
        return PosteriorEnd::Integrated;
    }
}

namespace {

// Save dialogues of the posterior's files: the overwrite prompt on, the
// file type selected, the name made from the date and time.
FileRequest SaveRequest(const char* title, const char* files, const char* extension, const Clock& clock) {
    FileRequest request;
    request.save = true;
    request.title = title;
    request.filter = std::string("All files (*.*)|*.*|") + files;
    request.selectedFilter = 2;
    request.initialName = DateTimeName(clock.DateText(), clock.TimeText(), extension);
    request.overwritePrompt = true;
    return request;
}

}  // namespace

FileRequest PosteriorSaveRequest(const Clock& clock, const AlgorithmData* alg) {
    FileRequest request =
        SaveRequest("Save Bayesian posterior values in...", "Bayesian posterior files (*.pos)|*.pos", ".pos", clock);
    if (alg) request.initialName = NamedForAlgorithm(*alg, ".pos", request.initialName);
    return request;
}

FileRequest GridFileRequest(const Clock& clock) {
    return SaveRequest("Save grid values in...", "Grid files (*.grd)|*.grd", ".grd", clock);
}

std::string SavePosteriorText(Workbench& wb) {
    TextView& v = wb.posteriorView;
    const std::string path = SaveViewText(wb.ports.dialogs, PosteriorSaveRequest(wb.ports.clock, &wb.alg), v);
    return path;
}

std::string SaveGridFile(Dialogs& dialogs, const Clock& clock, const BivariatePlotData& data) {
    const auto path = dialogs.FileDialog(GridFileRequest(clock));
    if (!path || path->empty()) return "";
    if (const WriteResult r = WriteFileSafely(*path, GridFileText(data)); !r) {
        dialogs.MessageBox("File not saved", "The file " + *path + " could not be written (" + r.reason + ").",
                           Buttons::OK, Icon::Exclamation);
        return "";
    }
    return *path;
}

void InstallPosteriorWindow(Workbench& wb) {
    TextView& view = wb.posteriorView;
    ViewButton& save = view.AddButton("cmdSave", SaveCaption, [&wb] { SavePosteriorText(wb); });
    save.toolTip = SaveToolTip;
}

}  // namespace corvane
