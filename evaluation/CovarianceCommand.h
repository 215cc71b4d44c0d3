#pragma once
// "Single model &covariances": the dialogue that collects the settings
// (method, grid factors, the covariance constant, the optimistic option),
// runs the calculation with its progress window and interrupts, and the
// result window "Covariance data" that puts the report on screen and saves it.
#include <functional>
#include <string>

#include "evaluation/Covariance.h"
#include "platform/TextView.h"

namespace corvane {

class Workbench;

namespace covariance_text {
inline constexpr const char* Title = "Covariance calculator";
inline constexpr const char* ProgressCaption = "Covariance calculations";
inline constexpr const char* ResultCaption = "Covariance data";
inline constexpr const char* Interrupt = "&Interrupt these calculations";
inline constexpr const char* SaveHint =
    "To save these results [restore or minimize this form then] choose 'Save covariance results as...'";
inline constexpr const char* Completed = "Calculation completed. Do you wish to:";
inline constexpr const char* Viewing = "Do you wish to:";
}  // namespace covariance_text

// The two windows of the command.
struct CovarianceDisplay {
    CovarianceDisplay();
    // "Covariance calculations": the calculation log, later the (editable) report.
    TextView progress;
    // "Covariance data": the label, the explanation and the three buttons.
    TextView result;
    bool calculating = false;
    // Called by "&Finish display" once both windows are closed: the command
    // menu shows itself again and re-enables the "&Application" menu.
    std::function<void()> finished;
};

// The buttons and closing rules of both windows; called once by the Workbench.
void InstallCovarianceWindows(Workbench& wb);

enum class CovarianceEnd {
    Cancelled,    // at the method question, the explanation or a grid-factor prompt
    NothingToDo,  // no step size was non-zero
    Completed,    // the store holds the new results and the result window is shown
};

// The whole command.  editParameters opens the algorithm data editor with
// its run settings locked and returns once the user has finished editing
// (numerical method only; without it the parameters are taken as they are).
CovarianceEnd CovarianceCommand(Workbench& wb, const std::function<void()>& editParameters = {});

// The dialogue's texts.
std::string MethodQuestionText();
std::string GridExplanationText();
std::string NoAnalyticalDerivativesText();
std::string GridFactorPrompt(int grid, const Vec1<double>& factors);
std::string GridFactorConfirmation(const Vec1<double>& factors);
std::string OptimisticQuestionText();
std::string ResultExplanationText();
// One line per grid without a result, saying which and why; empty when
// every grid that ran has its covariances.
std::string GridFailuresText(const CovarianceResults& results);

// The three grid-factor prompts and their confirmation; false on Cancel.
bool AskGridFactors(Workbench& wb, Vec1<double>& factors);

// The result window, after a calculation or to view the last results.
void ShowCovarianceResults(Workbench& wb, bool afterCalculation);
// "Display results on &screen": the report into the progress window.
void DisplayCovarianceReport(Workbench& wb);
// "Save &covariance results as...": the path written, or empty.
std::string SaveCovarianceResults(Workbench& wb);
// "&Finish display" (and closing the result window).
void FinishCovarianceDisplay(Workbench& wb);

}  // namespace corvane
