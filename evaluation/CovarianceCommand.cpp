#include "evaluation/CovarianceCommand.h"

#include "engine/CovarianceConstant.h"
#include "evaluation/CovarianceReport.h"
#include "engine/modCorvane.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"

namespace corvane {

namespace {

namespace text = covariance_text;

constexpr const char* kInterruptButton = "cmdInterrupt";
constexpr const char* kScreen = "cmdScreen";
constexpr const char* kFile = "cmdFile";
constexpr const char* kFinish = "cmdFinish";

std::string Factor(double f) { return Format(f, "0.000E+00"); }

std::string FactorsLine(const Vec1<double>& f) {
    return " 1) " + Factor(f[1]) + "     2) " + Factor(f[2]) + "     3) " + Factor(f[3]);
}

// The progress window after the report or a close: ready for the next calculation.
void ResetProgressWindow(Workbench& wb) {
    CovarianceDisplay& d = wb.covarianceDisplay;
    d.result.SetButtonEnabled(kFile, false);
    d.progress.SetButtonCaption(kInterruptButton, text::Interrupt);
}

// What the calculation reports, shown in the status panels; the interface
// breathes and an interrupt is answered here.
GridReply ShowGridProgress(Workbench& wb, const CovarianceProgress& progress) {
    wb.Status(1, "Hessian function call " + Format(progress.call, "###0") + " of " +
                     Format(progress.callsPerGrid, "###0"));
    wb.Status(2, TimeRemainingText(progress.secondsLeft));
    wb.ports.dialogs.ProcessEvents();
    if (!wb.engine.interruptRequested) return GridReply::Continue;
    wb.engine.interruptRequested = false;
    wb.covarianceDisplay.progress.SetButtonEnabled(kInterruptButton, true);
    const Answer answer = wb.ports.dialogs.MessageBox(text::ProgressCaption,
                                                      "Interrupt received. Do you want to quit calculating this grid?",
                                                      Buttons::YesNo, Icon::Question);
    return answer == Answer::Yes ? GridReply::QuitGrid : GridReply::Continue;
}

}  // namespace

CovarianceDisplay::CovarianceDisplay()
    : progress("frmCovariance", text::ProgressCaption), result("frmCovarianceData", text::ResultCaption) {
    result.monospaced = false;
}

void InstallCovarianceWindows(Workbench& wb) {
    CovarianceDisplay& d = wb.covarianceDisplay;
    d.progress.AddButton(kInterruptButton, text::Interrupt, [&wb] {
        CovarianceDisplay& display = wb.covarianceDisplay;
        const ViewButton* button = display.progress.Button(kInterruptButton);
        if (button && button->caption == text::Interrupt) {
            wb.engine.interruptRequested = true;
            display.progress.SetButtonEnabled(kInterruptButton, false);
        } else {
            wb.ports.windows.Show(display.result);  // to the front, where the save button is
        }
    });
    // Closing a running calculation's window asks to interrupt it instead.
    d.progress.onUserClose = [&wb] {
        CovarianceDisplay& display = wb.covarianceDisplay;
        if (display.calculating) {
            display.progress.Click(kInterruptButton);
            return false;
        }
        ResetProgressWindow(wb);
        return true;
    };

    d.result.AddButton(kScreen, "Display results on &screen", [&wb] { DisplayCovarianceReport(wb); });
    ViewButton& file =
        d.result.AddButton(kFile, "Save &covariance results as...", [&wb] { SaveCovarianceResults(wb); });
    file.toolTip = "Saves the (possibly edited) covariance output";
    file.enabled = false;
    d.result.AddButton(kFinish, "&Finish display", [&wb] { FinishCovarianceDisplay(wb); });
    d.result.onUserClose = [&wb] {
        FinishCovarianceDisplay(wb);
        return true;
    };
}

std::string MethodQuestionText() {
    return std::string("Do you want to calculate covariances analytically or numerically?") +
           "  Numerical covariances are provided automatically, whereas for analytical covariances you must have "
           "provided analytical" +
           " derivatives in your model code (i.e., in that section of Sub MODEL() accessed when NF=-2)." + CRLF + CRLF +
           "WARNING: Analytical covariances will fail if Bayesian prior probabilities contribute to the likelihood "
           "function." +
           CRLF + CRLF + "DO NOT USE ANALYTICAL COVARIANCES IN CONJUNCTION WITH BAYESIAN PRIOR DISTRIBUTIONS!" + CRLF +
           "               THE PRIOR DISTRIBUTION FOR ALL PARAMETERS MUST BE UNIFORM-UNBOUNDED!" + CRLF + CRLF +
           "Choose 'Yes' if you have provided ANALYTICAL derivatives; else 'No' to calculate covariances NUMERICALLY";
}

std::string NoAnalyticalDerivativesText() {
    return "This model supplies no analytical derivatives; choose 'No' to calculate covariances numerically";
}

std::string GridExplanationText() {
    return std::string("A covariance matrix is calculated by inverting the numerically calculated") +
           " Hessian matrix of second partial derivatives of the likelihood function." +
           "  Three grids are used to calculate the derivatives.  Each grid is formed" +
           " using the current parameter values and (non-zero) step sizes. Three scale" +
           " factors are required. The initial steps will be multiplied by these scale" +
           " factors to adjust the size of the grid." + CRLF + CRLF +
           "When interpreting the three grid results under the multinormal assumption," +
           " the standard deviations of the -ln[likelihood] should span a range from" +
           " near zero for the smallest step to about 5 for the largest step." +
           "  This should reassure the user that the multinormal assumption holds over" +
           " the entire posterior distributions of the parameters if the model is parsimonious," +
           " 'close-to linear', and there are no extraordinarily high correlations." + CRLF + CRLF +
           "You can now edit the parameter values and step sizes (if so desired);" +
           " realizing that for meaningful results you might have to carefully choose step sizes.";
}

std::string GridFactorPrompt(int grid, const Vec1<double>& factors) {
    return "Default grid factor for Grid " + NumberText(grid) + " :" + CRLF + CRLF + " Currently:  " +
           FactorsLine(factors) + CRLF + CRLF + "Value must be positive for all factors";
}

std::string GridFactorConfirmation(const Vec1<double>& factors) {
    return std::string("Are these default grid factors OK?") + CRLF + CRLF + FactorsLine(factors);
}

std::string OptimisticQuestionText() {
    return std::string("Choose the quicker option to calculate under-estimated conditional SEs?") + CRLF +
           "Each SE estimate assumes the SE of all other parameters to be zero (0)." + CRLF +
           "(This is not recommended for final analyses, but can be a time-efficient way " + CRLF +
           "to rapidly assess relative parameter uncertainty in preliminary analyses).";
}

std::string ResultExplanationText() {
    return std::string("If the results for numerically calculated SEs etc. are similar for all three grids,") +
           " then the model's behaviour can be considered to be 'close-to-linear' and the" +
           " uncertainty around the parameter estimates can be considered to be" +
           " represented by a normal distribution.  Else the SEs etc. are probably" +
           " inaccurate and parameter uncertainty is more difficult to interpret.  This" +
           " problem tends to diminish as sample size increases and the central limit" +
           " theorem starts to apply.  Alternatively, you can choose the option 'Evaluate" +
           " estimates' from the Main Menu, then use maximum-likelihood or Bayesian" +
           " utilities to evaluate parameter uncertainty.";
}

bool AskGridFactors(Workbench& wb, Vec1<double>& factors) {
    Dialogs& dialogs = wb.ports.dialogs;
    while (true) {
        for (int g = 1; g <= kGrids; ++g) {
            const std::string answer =
                dialogs.InputPrompt(text::Title, GridFactorPrompt(g, factors), NumberText(factors[g]));
            if (answer.empty()) return false;
            // Anything but a positive number leaves the factor as it was.
            if (const auto v = StrictNumber(answer); v && *v > 0.0) factors[g] = *v;
        }
        if (dialogs.MessageBox(text::Title, GridFactorConfirmation(factors), Buttons::YesNo, Icon::Question) ==
            Answer::Yes)
            return true;
    }
}

CovarianceEnd CovarianceCommand(Workbench& wb, const std::function<void()>& editParameters) {
    Dialogs& dialogs = wb.ports.dialogs;
    CovarianceDisplay& d = wb.covarianceDisplay;

    // A model without analytical derivatives has numerical ones as the
    // default answer, and a Yes is refused: its grids would hold nothing.
    const bool analyticalOffered = wb.model && wb.model->SuppliesAnalyticalDerivatives();
    Answer method;
    while (true) {
        method = dialogs.MessageBox(text::Title, MethodQuestionText(), Buttons::YesNoCancel, Icon::Question,
                                    !analyticalOffered);
        if (method != Answer::Yes || analyticalOffered) break;
        dialogs.MessageBox(text::Title, NoAnalyticalDerivativesText(), Buttons::OK, Icon::Exclamation);
    }
    if (method != Answer::Yes && method != Answer::No) return CovarianceEnd::Cancelled;
    CovarianceSettings settings;
    settings.method = method == Answer::Yes ? CovarianceMethod::Analytical : CovarianceMethod::Numerical;
    const bool numerical = settings.method == CovarianceMethod::Numerical;

    if (numerical) {
        if (dialogs.MessageBox(text::Title, GridExplanationText(), Buttons::OKCancel, Icon::Information) != Answer::OK)
            return CovarianceEnd::Cancelled;
        if (editParameters) editParameters();
        settings.factors = DefaultGridFactors();
    }
    // Fused followers take their group's value and a step of 0, as in every
    // engine command, so that each free parameter is moved on its own.
    SetUpRun(wb.alg, wb.engine);
    const Vec1<double> values = wb.alg.value;
    const Vec1<double> steps = wb.alg.step;
    if (wb.engine.nfree == 0) {
        // Nothing to move: no grid could be formed and no Hessian inverted.
        dialogs.MessageBox("There is nothing to do!", "All step sizes are zero", Buttons::OK, Icon::Exclamation);
        return CovarianceEnd::NothingToDo;
    }
    if (numerical) {
        if (!AskGridFactors(wb, settings.factors)) return CovarianceEnd::Cancelled;
        wb.Status(1, "One moment please...");
    } else {
        wb.Status(1, "One moment please while one function call is executed");
    }
    dialogs.ProcessEvents();

    const CovariancePlan plan = PlanCovariances(wb, values, steps);
    if (!numerical) wb.Status(1, "");
    settings.constant = AskCovarianceConstant(wb, ConstantQuestionFor(wb, plan.centre, plan.p));
    settings.optimistic = dialogs.MessageBox("Calculate optimistic SEs only?", OptimisticQuestionText(),
                                             Buttons::YesNo, Icon::Question, true) == Answer::Yes;

    // A fresh log; an Interrupt pressed before the run does not count.
    d.progress.SetArea(1, "");
    d.progress.SetButtonCaption(kInterruptButton, text::Interrupt);
    d.progress.SetButtonEnabled(kInterruptButton, true);
    d.result.SetButtonEnabled(kFile, false);
    wb.engine.interruptRequested = false;

    CovarianceCallbacks callbacks;
    callbacks.log = [&wb](const std::string& line) {
        CovarianceDisplay& display = wb.covarianceDisplay;
        display.progress.AppendArea(1, line);
        if (!wb.ports.windows.IsOpen(display.progress)) wb.ports.windows.Show(display.progress);
    };
    callbacks.progress = [&wb](const CovarianceProgress& progress) { return ShowGridProgress(wb, progress); };

    if (!numerical) wb.Status(1, "Calculating covariances, one moment please...");
    d.calculating = true;
    CovarianceResults results = ComputeCovariances(wb, plan, settings, callbacks);
    d.calculating = false;
    // Nothing is left to interrupt.
    d.progress.SetButtonEnabled(kInterruptButton, false);
    wb.engine.interruptRequested = false;
    if (numerical)
        wb.ports.status.Clear(panels::Activity(2));
    else
        wb.Status(1, "");

    wb.covariance = std::move(results);
    ShowCovarianceResults(wb, true);
    return CovarianceEnd::Completed;
}

std::string GridFailuresText(const CovarianceResults& results) {
    std::string text;
    for (int g = 1; g <= results.outcome.size(); ++g) {
        const double factor = g <= results.factor.size() ? results.factor[g] : 0.0;
        const std::string grid = "Grid " + NumberText(g) + (factor > 0.0 ? " (factor " + NumberText(factor) + ")" : "");
        switch (results.outcome[g]) {
            case GridOutcome::Abandoned:
                text += grid + " has no result: it was quit after an interrupt." + CRLF;
                break;
            case GridOutcome::NotPositiveDefinite: {
                const int at = g <= results.failedAt.size() ? results.failedAt[g] : 0;
                text += grid + " has no result: its Hessian is not positive definite" +
                        (at > 0 ? " (the test failed at parameter " + NumberText(at) + ")" : std::string()) +
                        "; a larger or smaller grid factor may help." + CRLF;
                break;
            }
            case GridOutcome::NotRun:
            case GridOutcome::Valid: break;
        }
    }
    return text;
}

void ShowCovarianceResults(Workbench& wb, bool afterCalculation) {
    CovarianceDisplay& d = wb.covarianceDisplay;
    // A grid without a result is named at once, not left for the report to reveal.
    const std::string failures = afterCalculation ? GridFailuresText(wb.covariance) : std::string();
    d.result.SetArea(1, std::string(afterCalculation ? text::Completed : text::Viewing) + CRLF + CRLF +
                            (failures.empty() ? std::string() : failures + CRLF) + ResultExplanationText());
    d.result.SetButtonEnabled(kScreen, true);
    d.result.SetButtonEnabled(kFile, false);
    wb.ports.windows.Show(d.result);
}

void DisplayCovarianceReport(Workbench& wb) {
    CovarianceDisplay& d = wb.covarianceDisplay;
    d.result.SetButtonEnabled(kScreen, false);
    wb.Status(1, "Please be patient while covariance output is collated...");
    wb.ports.dialogs.ProcessEvents();
    d.progress.SetArea(1, CovarianceReportText(wb.covariance));
    d.progress.SetButtonCaption(kInterruptButton, text::SaveHint);
    d.progress.SetButtonEnabled(kInterruptButton, true);
    wb.Status(1, "");
    d.result.SetButtonEnabled(kScreen, true);
    d.result.SetButtonEnabled(kFile, true);
    // The report the user asked for comes to the front.
    wb.ports.windows.Show(d.progress);
}

std::string SaveCovarianceResults(Workbench& wb) {
    return SaveCovarianceText(wb, wb.covarianceDisplay.progress.Area(1));
}

void FinishCovarianceDisplay(Workbench& wb) {
    CovarianceDisplay& d = wb.covarianceDisplay;
    wb.ports.windows.Close(d.result);
    wb.ports.windows.Close(d.progress);
    ResetProgressWindow(wb);
    wb.Status(1, "");
    if (d.finished) d.finished();
}

}  // namespace corvane
