#include "evaluation/EvaluationChoice.h"

#include "evaluation/LikelihoodProfile.h"
#include "evaluation/PosteriorCommand.h"
#include "engine/modCorvane.h"

namespace corvane {

EvaluationChoice::EvaluationChoice(Workbench& wb) : wb_(wb) {
    // editParameters is read when the button is pressed, so the desktop may
    // set it after this.
    runProfile = [this] { LikelihoodProfileEvaluation(wb_, editParameters); };
    runPosterior = [this] {
        PosteriorCommandHooks hooks;
        hooks.editParameters = editParameters;
        BayesianPosteriorCommand(wb_, hooks);
    };
}

void EvaluationChoice::Changed() {
    if (listener_) listener_();
}

void EvaluationChoice::Open() {
    if (running_) return;
    open_ = true;
    Changed();
}

void EvaluationChoice::ChooseProfile() {
    if (open_ && runProfile) Run(runProfile);
}

void EvaluationChoice::ChoosePosterior() {
    if (open_ && runPosterior) Run(runPosterior);
}

void EvaluationChoice::Cancel() {
    if (!open_) return;
    open_ = false;
    Changed();
    if (onFinished) onFinished();
}

void EvaluationChoice::Run(const std::function<void()>& evaluation) {
    open_ = false;
    running_ = true;
    if (applicationMenu) applicationMenu(false);
    Changed();
    // A copy: the evaluation may replace the hooks while it runs.
    const std::function<void()> run = evaluation;
    run();
    running_ = false;
    if (applicationMenu) applicationMenu(true);
    Changed();
    if (onFinished) onFinished();
}

}  // namespace corvane
