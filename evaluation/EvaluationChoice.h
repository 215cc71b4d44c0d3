#pragma once
// The rules of the evaluation choice window ("Evaluation of estimates",
// frmEvaluate), opened by the command menu's "E&valuate single model
// parameter estimates": a likelihood profile, a Bayesian posterior, or
// Cancel.  Choosing an evaluation closes the window and disables the main
// window's "&Application" menu until the evaluation returns; then (and after
// Cancel) the command menu is shown again.
#include <functional>

namespace corvane {

class Workbench;

namespace evaluation_choice {
inline constexpr const char* Caption = "Evaluation of estimates";
inline constexpr const char* Label = "For any free parameter you have the choice to generate:";
inline constexpr const char* MaximumLikelihood = "&Maximium likelihood (ML) confidence distributions";
inline constexpr const char* Bayesian = "&Bayesian posterior (BP) distributions";
inline constexpr const char* Cancel = "&Cancel";
inline constexpr const char* Note1 = "Only the lowest ordinal linked parameter can be evaluated";
inline constexpr const char* Note2 =
    "These routines can automatically edit your algorithm file so take care not to inadvertently save these edits";
inline constexpr const char* Note3 =
    "Results are valid only if the objective function is the Sum of Squares or the -ln[L]";
}  // namespace evaluation_choice

class EvaluationChoice {
public:
    explicit EvaluationChoice(Workbench& wb);
    EvaluationChoice(const EvaluationChoice&) = delete;
    EvaluationChoice& operator=(const EvaluationChoice&) = delete;

    // "&Maximium likelihood (ML) confidence distributions": the likelihood
    // profile (LikelihoodProfileEvaluation with editParameters) unless replaced.
    std::function<void()> runProfile;
    // "&Bayesian posterior (BP) distributions": the posterior evaluation
    // (BayesianPosteriorCommand with editParameters) unless replaced; while
    // it is empty the button is disabled.
    std::function<void()> runPosterior;
    // Shared by both evaluations: opens the algorithm data editor and returns
    // once the user has finished editing (the desktop sets it; none: the
    // evaluations skip editing).
    std::function<void()> editParameters;
    // Enables or disables the main window's "&Application" menu.
    std::function<void(bool enabled)> applicationMenu;
    // The window is closed and no evaluation runs (after Cancel, or once the
    // chosen evaluation has returned): the command menu shows itself again.
    std::function<void()> onFinished;

    void Open();
    bool IsOpen() const { return open_; }
    // True while a chosen evaluation runs.
    bool Running() const { return running_; }
    bool ProfileAvailable() const { return static_cast<bool>(runProfile); }
    bool PosteriorAvailable() const { return static_cast<bool>(runPosterior); }

    // The three buttons (ignored unless the window is open and the button usable).
    void ChooseProfile();
    void ChoosePosterior();
    void Cancel();

    // The window re-renders after every change.
    void SetListener(std::function<void()> listener) { listener_ = std::move(listener); }

private:
    void Run(const std::function<void()>& evaluation);
    void Changed();

    Workbench& wb_;
    bool open_ = false;
    bool running_ = false;
    std::function<void()> listener_;
};

}  // namespace corvane
