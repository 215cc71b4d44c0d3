#pragma once
// The growth model behind MODEL: stochastic von Bertalanffy growth with
// pulsed recruitment, fitted to size-frequency series, growth-increment
// records, or both.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/Model.h"
#include "model/FrequencyLikelihood.h"
#include "model/GrowthData.h"
#include "model/GrowthParameters.h"
#include "model/GrowthSettings.h"
#include "model/IncrementLikelihood.h"
#include "model/WarningLog.h"

namespace corvane {

class Dialogs;
class ProgressThrottle;

struct GrowthWorkspace {
    IncrementWorkspace increments;
    FrequencyWorkspace frequencies;
};

// What the increment likelihood did with the records in one evaluation.
struct IncrementUse {
    int fitted = 0;
    int skipped = 0;    // an increment <= 0 without measurement error
    int penalised = 0;  // no usable distribution: a large finite value stands in
};

// N of AICc: the frequencies counted and the increment records the
// likelihood used (records it skipped are no part of the sample).
inline long long UsedSampleSize(const GrowthData& data, const IncrementUse& use) {
    return data.frequencies.grandTotal + use.fitted + use.penalised;
}

struct GrowthEvaluation {
    double objective = 0.0;  // 2 x (increment + frequency contributions) + penalty
    double incrementNegLnL = 0.0;
    double frequencyNegLnL = 0.0;
    double penalty = 0.0;
    IncrementUse increments;
};

// One evaluation on a prepared parameter vector: a function of its inputs and
// the workspace, so several workspaces can evaluate side by side.
// Up to `threads` threads share its records and age-classes; the result,
// the workspace and the warnings do not depend on how many.
GrowthEvaluation EvaluateGrowth(const GrowthSettings& settings, const GrowthData& data, const GrowthParameters& p,
                                const Vec1<double>& X, GrowthWorkspace& ws, WarningLog& warnings,
                                ProgressThrottle* progress = nullptr, int threads = 1);

// The proportion check of the first call of a run: warns (critical icon) when
// a series lacks, or has needlessly, a proportion fixed at -1.
void CheckProportions(const GrowthSettings& settings, const Vec1<double>& X, Dialogs& dialogs);

// The best evaluation of the last run, reported by the summary.
struct BestFit {
    bool stored = false;
    double objective = 0.0;
    Vec1<double> values;
    double frequencyTwice = 0.0;  // twice the frequency contribution
    double incrementTwice = 0.0;  // twice the increment contribution
    double penalty = 0.0;
    IncrementUse increments;
    double selectivityMean = 0.0, selectivityVariance = 0.0;
    double psi = 0.0, phi = 0.0;
    Mat1<double> predicted;  // predicted frequencies (series, cell)
    FrequencyWorkspace frequencies;  // the age-class details and every frequency table of that evaluation
};

// What MODEL hands the summary report at NF = -1.
struct SummaryCall {
    const Vec1<double>& step;
    const Vec1<std::string>& description;
    int parameters;
};

class GrowthModel : public Model {
public:
    explicit GrowthModel(Dialogs* dialogs = nullptr) : dialogs_(dialogs) {}

    void SetDialogs(Dialogs* dialogs) { dialogs_ = dialogs; }
    // The set-up dialogue's values, read at the next NF = 0.
    void SetPendingSettings(const GrowthSetup& setup) { pending_ = setup; }

    void MODEL(double& F, Vec1<double>& X, Vec1<double>& step, Vec1<std::string>& description,
               Vec1<std::string>& fuse, int& NP, std::int32_t& NF, std::int32_t& dataCount, Vec1<double>& dF,
               Mat1<double>& d2F, double& own) override;

    std::string Title() const override;
    double SuggestedCovarianceConstant() const override { return 0.5; }  // the objective is -2 ln[L]
    std::string DataFileShortName() const override { return settings_.shortName; }
    bool InitialisationFailed() const override { return failed_; }
    // 0 (the default): every core.
    void SetThreads(int threads) override { threads_ = threads; }
    // Settings and data copied, no dialogue, one thread; null before the
    // model is initialised.
    std::unique_ptr<Model> Replica() const override;
    std::optional<std::string> ObjectiveProblem() const override { return problem_; }
    // Each record lets the interface breathe through it, paced by time.
    void SetProgress(ProgressThrottle* progress) override { progress_ = progress; }
    // Parameters 1-17 but t0 are taken as absolute values, and 18-19 unless
    // they are -999 (not used), as PrepareParameters does.
    double ValueAsUsed(int parameter, double value) const override;
    std::string DataIdentity() const override;

    bool Initialised() const { return initialised_; }
    const GrowthSettings& Settings() const { return settings_; }
    const GrowthData& Data() const { return data_; }
    const GrowthWorkspace& Workspace() const { return workspace_; }
    const GrowthEvaluation& LastEvaluation() const { return last_; }
    const BestFit& Best() const { return best_; }
    // Warning lines of the current run, for the summary text.
    std::string SummaryText() const { return warnings_.Text(); }
    const WarningLog& Warnings() const { return warnings_; }
    long long SampleSize() const { return data_.SampleSize(); }
    // The sample size an evaluation used: the frequencies counted and the
    // increment records the likelihood used (skipped records left out).
    long long UsedSampleSize(const IncrementUse& use) const { return corvane::UsedSampleSize(data_, use); }
    // What set-up read from the data files and what it left out, for the user.
    std::string DataSummary(SummaryPart part = SummaryPart::All) const {
        return initialised_ ? DataReadSummary(settings_, data_, part) : std::string();
    }

    // Why the model cannot be evaluated (not initialised), or nullopt.
    std::optional<std::string> CannotEvaluate() const;

    // The report that NF = -1 writes, supplied by the front end (it talks to
    // the user); without one NF = -1 changes nothing.
    void SetSummaryHandler(std::function<void(const SummaryCall&)> handler) { summary_ = std::move(handler); }

private:
    void Initialise(Vec1<double>& X, Vec1<double>& step, Vec1<std::string>& description, int& NP, double& own);
    void Evaluate(double& F, Vec1<double>& X, std::int32_t NF, double& own);
    void Show(const std::string& title, const std::string& text, Icon icon);

    Dialogs* dialogs_;
    ProgressThrottle* progress_ = nullptr;
    int threads_ = 0;
    std::optional<GrowthSetup> pending_;
    bool initialised_ = false;
    bool failed_ = false;
    GrowthSettings settings_;
    GrowthData data_;
    GrowthWorkspace workspace_;
    GrowthEvaluation last_;
    WarningLog warnings_;
    BestFit best_;
    std::function<void(const SummaryCall&)> summary_;
    std::optional<std::string> problem_;  // why the last evaluation gave no finite objective
};

}  // namespace corvane
