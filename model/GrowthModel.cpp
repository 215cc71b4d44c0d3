#include "model/GrowthModel.h"

#include <cmath>
#include <limits>

#include "engine/Threads.h"
#include "numeric/Format.h"
#include "platform/Dialogs.h"

namespace corvane {

GrowthEvaluation EvaluateGrowth(const GrowthSettings& settings, const GrowthData& data, const GrowthParameters& p,
                                const Vec1<double>& X, GrowthWorkspace& ws, WarningLog& warnings,
                                ProgressThrottle* progress, int threads) {
    GrowthEvaluation e;
    if (settings.HasFrequencies()) {
        const FrequencyContribution f =
            FrequencyNegLnL(settings, data.frequencies, p, X, ws.frequencies, warnings, progress, threads);
        e.frequencyNegLnL = f.negLnL;
        e.penalty += f.penalty;
    }
    if (settings.HasIncrements()) {
        e.incrementNegLnL = IncrementNegLnL(data.increments, p, ws.increments, warnings, progress, threads);
        for (int i = 1; i <= data.increments.records; ++i) {
            const RecordFate fate = ws.increments.fate[i];
            ++(fate == RecordFate::Skipped     ? e.increments.skipped
               : fate == RecordFate::Penalised ? e.increments.penalised
                                               : e.increments.fitted);
        }
    }
    e.objective = 2.0 * (e.incrementNegLnL + e.frequencyNegLnL) + e.penalty;
    return e;
}

void CheckProportions(const GrowthSettings& settings, const Vec1<double>& X, Dialogs& dialogs) {
    const char* title = "Error in proportion parameters";
    for (int s = 1; s <= settings.series; ++s) {
        bool found = false;
        for (int a = 1; a <= settings.identified && !found; ++a)
            found = X[settings.ProportionIndex(s, a)] == -1.0;
        if (found) {
            if (settings.blended > 0) {
                dialogs.MessageBox(title,
                                   "At least one frequency series has an age-class proportion fixed at -1; as "
                                   "required only when there are no blended age-classes",
                                   Buttons::OK, Icon::Critical);
                return;
            }
            continue;
        }
        if (settings.blended == 0)
            dialogs.MessageBox(title,
                               "At least one frequency series did not have an age-class proportion fixed at -1; as "
                               "required when there are no blended age-classes",
                               Buttons::OK, Icon::Critical);
        return;
    }
}

std::string GrowthModel::Title() const {
    return "Size Frequency and Growth Increment Model For Continuous von Bertalanffy Growth and Pulsed (e.g., "
           "annual) Recruitment";
}

std::optional<std::string> GrowthModel::CannotEvaluate() const {
    if (!initialised_) return "the model has not been initialised";
    return std::nullopt;
}

void GrowthModel::Show(const std::string& title, const std::string& text, Icon icon) {
    if (dialogs_) dialogs_->MessageBox(title, text, Buttons::OK, icon);
}

void GrowthModel::MODEL(double& F, Vec1<double>& X, Vec1<double>& step, Vec1<std::string>& description,
                        Vec1<std::string>& /*fuse*/, int& NP, std::int32_t& NF, std::int32_t& /*dataCount*/,
                        Vec1<double>& /*dF*/, Mat1<double>& /*d2F*/, double& own) {
    if (NF == nf::Initialise) {
        Initialise(X, step, description, NP, own);
    } else if (NF >= 1) {
        Evaluate(F, X, NF, own);
    } else if (NF == nf::Summary) {
        if (summary_ && initialised_) summary_(SummaryCall{step, description, NP});
    }
    // Other negative codes change nothing.
}

void GrowthModel::Initialise(Vec1<double>& X, Vec1<double>& step, Vec1<std::string>& description, int& NP,
                             double& own) {
    // Everything is read into new objects first: an initialisation that fails
    // leaves the model, its data and the caller's arrays as they were.
    failed_ = true;
    if (!pending_) {
        Show("Missing input", "Please specify the frequency file and/or increment file", Icon::Information);
        return;
    }
    if (const auto problem = CheckSetup(*pending_)) {
        Show(problem->title, problem->text, Icon::Exclamation);
        return;
    }
    const GrowthSettings settings = ApplySetup(*pending_);
    GrowthData data;
    if (settings.HasIncrements()) {
        if (const auto problem = ReadIncrementFile(settings.incrementPath, data.increments)) {
            Show(problem->title, problem->text, problem->icon);
            return;
        }
    }
    if (settings.HasFrequencies()) {
        if (const auto problem =
                ReadFrequencyFile(settings.frequencyPath, settings.series, settings.firstCell, data.frequencies)) {
            Show(problem->title, problem->text, problem->icon);
            return;
        }
    }

    settings_ = settings;
    data_ = std::move(data);
    workspace_ = GrowthWorkspace{};
    last_ = GrowthEvaluation{};
    best_ = BestFit{};
    warnings_.BeginRun();
    initialised_ = true;
    failed_ = false;

    NP = settings_.ParameterCount();
    X.resize(NP, 0.0);
    step.resize(NP, 0.0);
    description = ParameterDescriptions(settings_);
    own = static_cast<double>(SampleSize());
}

double GrowthModel::ValueAsUsed(int parameter, double value) const { return ParameterAsUsed(parameter, value); }

std::string GrowthModel::DataIdentity() const {
    if (!initialised_) return {};
    const GrowthSettings& s = settings_;
    const char* modes = s.precise ? "precise" : s.gammaModes ? "gamma" : "gaussian";
    return std::string("kind ") + s.kind + "; increments " + s.incrementPath + "; frequencies " + s.frequencyPath +
           "; series " + NumberText(s.series) + "; identified " + NumberText(s.identified) + "; blended " +
           NumberText(s.blended) + "; birth day " + NumberText(s.birthDay) + "; first cell " +
           NumberText(s.firstCell) + "; age1 " + NumberText(s.age1) + "; age difference " + NumberText(s.ageDiff) +
           "; edge " + s.edge + "; age modes " + modes + "; errors " + s.errors;
}

std::unique_ptr<Model> GrowthModel::Replica() const {
    if (!initialised_) return nullptr;
    auto copy = std::make_unique<GrowthModel>(nullptr);
    copy->threads_ = 1;
    copy->initialised_ = true;
    copy->settings_ = settings_;
    copy->data_ = data_;
    return copy;
}

void GrowthModel::Evaluate(double& F, Vec1<double>& X, std::int32_t NF, double& own) {
    problem_.reset();
    if (!initialised_) {
        F = std::numeric_limits<double>::quiet_NaN();  // nothing to evaluate yet
        problem_ = "the model has not been initialised";
        return;
    }
    // Refused with its reason; infinity is the worst value to a minimiser.
    if ((problem_ = ParameterProblem(X, settings_))) {
        F = std::numeric_limits<double>::infinity();
        return;
    }
    const GrowthParameters p = PrepareParameters(X, settings_);
    if (NF == 1) {
        warnings_.BeginRun();
        if (dialogs_) CheckProportions(settings_, X, *dialogs_);
    }
    last_ = EvaluateGrowth(settings_, data_, p, X, workspace_, warnings_, progress_, ResolveThreads(threads_));
    F = last_.objective;
    if (!std::isfinite(F)) problem_ = "the likelihood is not a finite number at these parameter values";
    // N of AICc: records the likelihood skipped are no part of the sample.
    own = static_cast<double>(UsedSampleSize(last_.increments));
    if (NF == 1 || !best_.stored || last_.objective < best_.objective) {
        best_.stored = true;
        best_.objective = last_.objective;
        best_.values = X;
        best_.frequencyTwice = 2.0 * last_.frequencyNegLnL;
        best_.incrementTwice = 2.0 * last_.incrementNegLnL;
        best_.penalty = last_.penalty;
        best_.increments = last_.increments;
        best_.selectivityMean = p.selMean;
        best_.selectivityVariance = p.selVar;
        best_.psi = p.psi;
        best_.phi = p.phi;
        best_.predicted = workspace_.frequencies.predicted;
        best_.frequencies = workspace_.frequencies;
    }
}

}  // namespace corvane
