#pragma once
// "&Bayesian posterior (BP) distributions" of the evaluation choice window:
// the dialogue that collects the sizes and steps, runs the integration with
// its status texts and interrupts, shows the seven distribution plots, the
// bivariate density with its grid file, and the "Bayesian statistics"
// window that saves the data text as a posterior file (.pos).
#include <functional>
#include <optional>
#include <string>

#include "evaluation/Posterior.h"
#include "platform/Dialogs.h"
#include "plots/PlotData.h"

namespace corvane {

struct AlgorithmData;

class Clock;
class Workbench;

namespace posterior_text {
inline constexpr const char* Title = "Bayesian parameter estimate evaluation";
inline constexpr const char* SetupTitle = "Problem with setup";
inline constexpr const char* InterruptTitle = "Bayesian calculations";
inline constexpr const char* ResultCaption = "Bayesian statistics";
inline constexpr const char* SaveCaption = "&Save Bayesian posterior distribution data as...";
inline constexpr const char* SaveToolTip = "Saves the (possibly edited) output appearing in the textbox below";
inline constexpr const char* GridPrompt = "Base step sizes on SD's from covariance grid 1, 2, 3, No or Quit?";
}  // namespace posterior_text

// What showing a stored posterior again needs beside the shared columns.
struct PosteriorStore {
    int parameter = 0;
    double step = 0.0;  // the spacing of the columns
    int mode = 0;       // r
    std::optional<BivariatePlotData> bivariate;  // one integrated parameter
};

struct PosteriorCommandHooks {
    // Opens the algorithm data editor and returns once the user has
    // finished editing (none: the values and steps are taken as they are).
    std::function<void()> editParameters;
    // The standard error of a parameter from covariance grid 1..3, not above
    // 0 when the grid has none (none: the workbench's covariance results).
    std::function<double(int parameter, int grid)> standardError;
};

enum class PosteriorEnd {
    Ended,        // no integration: an answer ended it, or a set-up was refused
    Redisplayed,  // the stored posterior was shown again
    Integrated,   // the integration ran (possibly cut short by the user)
};

// The whole evaluation.
PosteriorEnd BayesianPosteriorCommand(Workbench& wb, const PosteriorCommandHooks& hooks = {});

// The file dialogues of the posterior file and the grid file.
// Named for the algorithm file when one is given and was loaded or saved.
FileRequest PosteriorSaveRequest(const Clock& clock, const AlgorithmData* alg = nullptr);
FileRequest GridFileRequest(const Clock& clock);

// The window's Save button: the path written, or empty.
std::string SavePosteriorText(Workbench& wb);
// The grid file offered after the bivariate plot: the path written, or
// empty when cancelled or not written (the user is told).
std::string SaveGridFile(Dialogs& dialogs, const Clock& clock, const BivariatePlotData& data);

// The "Bayesian statistics" window's button; called once by the Workbench.
void InstallPosteriorWindow(Workbench& wb);

// The dialogue's texts.
std::string PosteriorIntroductionText();
std::string PosteriorContinueText();
std::string BivariateQuestionText(int parameter, int integrated);

}  // namespace corvane
