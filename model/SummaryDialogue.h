#pragma once
// The summary report's dialogue: the questions put to the user, the model
// plots, and the "Age-structured model output" window with its Save.
#include <cstdint>
#include <functional>
#include <string>

#include "model/GrowthModel.h"
#include "model/ModelPlots.h"
#include "model/Summary.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/StatusBar.h"
#include "platform/TextView.h"

namespace corvane {

struct AlgorithmData;

class Workbench;

// The report's questions as message boxes and prompts.  Progress texts go to
// the activity panel at most every tenth of a second, each letting the user
// interface breathe.
class DialogueQuestions : public SummaryQuestions {
public:
    DialogueQuestions(Dialogs& dialogs, StatusBar& status, const Clock& clock)
        : dialogs_(dialogs), status_(status), clock_(clock) {}

    int Simulations() override;
    int DetailsUpTo(int totalAges) override;
    bool FrequencyTable(int series) override;
    bool FrequencyChiSquare(int series) override;
    bool IncrementTable() override;
    bool IncrementChiSquare() override;
    void VeryUnlikely(const std::string& title, const std::string& text) override;
    void Status(const std::string& text) override;

private:
    bool Ask(const std::string& title, const std::string& text);

    Dialogs& dialogs_;
    StatusBar& status_;
    const Clock& clock_;
    double lastShown_ = -1.0;
    std::string shown_;
};

// The most simulations a test may run: counts are kept in 16 bits.
inline constexpr int kMaxSimulations = 32767;

// The file dialogue of the window's "Save summary as...".
// Named for the algorithm file when one is given and was loaded or saved.
FileRequest SummarySaveRequest(const AlgorithmData* alg = nullptr);

// A seed for the chi-square simulations drawn from the random port.
std::uint64_t DrawSeed(RandomSource& random);

// The report's input for the model's best fit on a workbench: the algorithm
// file, the priors file while priors are in use, the evaluation's warnings.
// The seed is the caller's to set.
SummaryInput SummaryInputFor(const Workbench& wb, const GrowthModel& model, const SummaryCall& call);

// The model plots through the workbench's plot port: every increment set's
// page without a question, then each series' page as askSeries answers (Yes
// shows it, No skips it, Cancel ends the plots).  "&Quit plots" on any page
// ends them too.
void ShowModelPlots(Workbench& wb, const GrowthModel& model, const std::function<Answer(int series)>& askSeries);

// The model's NF = -1 on the desktop: installed as the growth model's summary
// handler for as long as it lives.  Plots go to the workbench's plot port.
class GrowthSummary {
public:
    GrowthSummary(Workbench& wb, GrowthModel& model);
    ~GrowthSummary();
    GrowthSummary(const GrowthSummary&) = delete;
    GrowthSummary& operator=(const GrowthSummary&) = delete;

    TextView& View() { return view_; }

    void Run(const SummaryCall& call);

private:
    Workbench& wb_;
    GrowthModel& model_;
    TextView view_;
};

}  // namespace corvane
