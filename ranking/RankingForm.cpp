#include "ranking/RankingForm.h"

#include <algorithm>
#include <cmath>

#include "engine/CovarianceConstant.h"
#include "engine/modCorvane.h"
#include "numeric/DateTimeName.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"
#include "ranking/ModelAveraging.h"

namespace corvane {

namespace rank {
const char* const kLabels[6] = {
    "Add competing models by sequentially loading or editing their associated algorithm files",
    "Choose 'Calculate AICc' to (re-)calculate AICc for the currently open algorithm file",
    "(Note: Competitors to be ranked must have mutually associated algorithm and covariance files)",
    "Double-click a selected model's 'Covariance file name' cell to change the covariance file",
    "Double-click a selected model's 'Notes' cell to annotate that model",
    "Double-click a selected model's 'Ramdom/Ranked' cell to delete that model",
};
}  // namespace rank

namespace {

const char* kCalculateToolTip = "Calculates the AICc for the currently open, and perhaps edited, algorithm file";
const char* kOneMoment = "One moment please while one function is executed...";
const char* kSaveRanksTitle = "Save model ranking results in...";

enum Column { Label = 0, NegLnL, K, Criterion, Delta, Weight, AlgorithmFile, CovarianceFile, PriorsFile, Notes };

}  // namespace

RankingForm::RankingForm(Workbench& wb) : wb_(wb) {
    using namespace rank;
    buttons_ = {
        {Calculate, "Calculate model AICc", kCalculateToolTip},
        {QAICc, "Calculate QAICc", kCalculateToolTip},
        {Rank, "&Rank competing models",
         "Ranks competing models in ascending order of their AICc values (Note: All AICc values must be positive)"},
        {Average, "&Average across models",
         "Averages parameter estimates and SEs over all models using their associated covariance file and "
         "according to their AIC weight (Wt)"},
        {SaveRanks, "&Save ranking and averaging results",
         "Saves the results of the ranking and/or averaging exercise in a *.mms file"},
        {LoadAlg, "&Load Algorithm Data",
         "Loads or creates a file that contains parameter estimates and other info used by the minimization "
         "algorithms"},
        {EditAlg, "&Edit Algorithm Data", "Allows you to edit the current algorithm data"},
        {SaveAlg, "&Save Algorithm Data",
         "Allows you to save the algorithm data (Try to keep the file name <20 characters)"},
        {Bayesian, "Set &Bayesian priors",
         "Assigns prior probabilities to the parameters of the currently open algorithm file"},
        {rank::Finish, "&Finish", "Quits the ranking exercise"},
    };
}

// --- state ---------------------------------------------------------------

const RankButton& RankingForm::Button(const std::string& name) const {
    for (const auto& b : buttons_)
        if (b.name == name) return b;
    static const RankButton none;
    return none;
}

RankButton& RankingForm::Mutable(const std::string& name) {
    for (auto& b : buttons_)
        if (b.name == name) return b;
    static RankButton none;
    none = RankButton{};
    return none;
}

void RankingForm::SetEnabled(const std::string& name, bool enabled) {
    RankButton& b = Mutable(name);
    b.enabled = enabled && b.available;
}

void RankingForm::Changed() {
    if (listener_) listener_();
}

void RankingForm::SetVisible(bool visible) {
    visible_ = visible;
    Changed();
}

std::string RankingForm::TakeFocus() {
    std::string f;
    f.swap(focus_);
    return f;
}

void RankingForm::ClearAveraging() {
    averaged_ = false;
    averagingText_.clear();
}

void RankingForm::ListChanged() {
    SetEnabled(rank::SaveRanks, false);
    SetEnabled(rank::Average, false);
    SetEnabled(rank::Rank, Count() > 1);
    ClearAveraging();
}

void RankingForm::Open() {
    list_ = RankingList{};
    ClearAveraging();
    savedText_.clear();
    savedPath_.clear();
    for (auto& b : buttons_) {
        if (b.name == rank::EditAlg) b.available = static_cast<bool>(openEditor);
        if (b.name == rank::Bayesian) b.available = static_cast<bool>(openPriors);
        b.enabled = b.available;
    }
    // Ranking, averaging and saving wait until there is something to rank.
    ListChanged();
    open_ = true;
    visible_ = true;
    Focus(rank::Calculate);
    Changed();
}

// --- grid ------------------------------------------------------------------

std::string RankingForm::Heading(int column) const {
    const bool q = list_.Quasi();
    switch (column) {
        case Label: return list_.order == RankOrder::Ranked ? "Ranked" : "Random";
        case NegLnL: return "-ln[L]";
        case K: return "K";
        case Criterion: return q ? "QAICc" : "AICc";
        case Delta: return q ? "dQAICc" : "dAICc";
        case Weight: return q ? "QAIC Wt" : "AIC Wt";
        case AlgorithmFile: return "Algorithm file name";
        case CovarianceFile: return "Covariance file name";
        case PriorsFile: return "Priors file name";
        case Notes: return "Notes:";
        default: return "";
    }
}

TextColour RankingForm::HeadingColour(int column) const {
    return column == Label && list_.order == RankOrder::Random ? TextColour::Red : TextColour::Normal;
}

std::string RankingForm::RowLabel(int row, int modelNumber) {
    return std::string(row < 10 ? "   " : " ") + NumberText(row) + ")" + (modelNumber < 10 ? "    " : "  ") +
           NumberText(modelNumber);
}

std::string RankingForm::CellText(int row, int column) const {
    if (row < 1 || row > Count()) return "";
    const CompetingModel& m = list_.models[static_cast<std::size_t>(row - 1)];
    switch (column) {
        case Label: return RowLabel(row, m.modelNumber);
        case NegLnL: return Format(m.negLnL, "0.0000E+00");
        case K: return NumberText(m.k);
        case Criterion: return Format(list_.Criterion(m), "0.0000E+00");
        case Delta: return m.delta ? Format(*m.delta, "####0.00") : std::string(kUndefined);
        case Weight: return m.weight ? Format(*m.weight, "0.000000") : std::string(kUndefined);
        case AlgorithmFile: return m.algorithmFile;
        case CovarianceFile: return m.covarianceFile;
        case PriorsFile: return m.priorsFile;
        case Notes: return m.notes;
        default: return "";
    }
}

CellAlignment RankingForm::Alignment(int column) {
    return column >= NegLnL && column <= Weight ? CellAlignment::Centre : CellAlignment::Left;
}

std::string RankingForm::CHatText() const { return "C-hat: " + Format(list_.cHat, "0.000"); }

TextColour RankingForm::CHatColour() const { return list_.Quasi() ? TextColour::Blue : TextColour::Green; }

// --- actions -----------------------------------------------------------------

void RankingForm::Click(const std::string& name) {
    if (!open_ || !Enabled(name)) return;
    using namespace rank;
    if (name == Calculate) CalculateModelAICc();
    else if (name == QAICc) CalculateQAICc();
    else if (name == Rank) RankCompetingModels();
    else if (name == Average) AverageAcrossModels();
    else if (name == SaveRanks) SaveRanking();
    else if (name == LoadAlg) LoadAlgorithm();
    else if (name == EditAlg) EditAlgorithm();
    else if (name == SaveAlg) SaveAlgorithm();
    else if (name == Bayesian) SetPriors();
    else if (name == rank::Finish) Finish();
}

void RankingForm::CalculateModelAICc() {
    Dialogs& dialogs = wb_.ports.dialogs;
    if (Count() >= kModelLimit) {
        dialogs.MessageBox("Model limit reached", "Sorry, no more than 99 models can be ranked", Buttons::OK,
                           Icon::None);
        return;
    }
    wb_.Status(1, kOneMoment);
    dialogs.ProcessEvents();
    CompetitorEvaluation evaluation = EvaluateCompetitor(wb_);
    // A model without a defined criterion would spoil every weight: it is not
    // added.  The criterion does not depend on the constant, so this is known
    // before the constant is asked.
    if (const auto problem = CriterionProblem(evaluation.objective, evaluation.k, evaluation.sampleSize)) {
        wb_.Status(1, "");
        dialogs.MessageBox("AICc undefined", *problem + CRLF + CRLF + "The model was not added to the list.",
                           Buttons::OK, Icon::Exclamation);
        Focus(rank::LoadAlg);
        Changed();
        return;
    }
    if (Count() == 0) {
        SetVisible(false);
        const double before = wb_.priorTable.reciprocalConstant;
        AskCovarianceConstant(wb_, ConstantQuestionFor(wb_, evaluation.objective, evaluation.k));
        SetVisible(true);
        // The prior total was scaled by the constant in force before: every
        // model is evaluated with the same constant.
        if (wb_.engine.priorsInUse && wb_.priorTable.reciprocalConstant != before)
            evaluation = EvaluateCompetitor(wb_);
    }
    CompetingModel candidate = MakeCompetitor(evaluation, wb_.priorTable.reciprocalConstant, wb_.alg.fileName,
                                              wb_.priorTable.fileName, list_.cHat);
    std::vector<CompetingModel> together = list_.models;
    together.push_back(candidate);
    if (const auto mismatch = DataMismatch(together)) {
        wb_.Status(1, "");
        dialogs.MessageBox("Models use different data", *mismatch + CRLF + CRLF + "The model was not added to the list.",
                           Buttons::OK, Icon::Exclamation);
        Focus(rank::LoadAlg);
        Changed();
        return;
    }
    AddCompetitor(list_, std::move(candidate));
    if (list_.cHat > 1.0) CalculateQAICc();
    ListChanged();
    wb_.Status(1, "");
    Focus(rank::LoadAlg);
    Changed();
}

void RankingForm::CalculateQAICc() {
    double cHat = 1.0;
    while (true) {
        const std::string answer = wb_.ports.dialogs.InputPrompt(
            "Overdispersion correction",
            "Input a value for C-hat (1 or greater) to correct for unexplained overdispersion:",
            NumberText(list_.cHat));
        cHat = answer.empty() ? 1.0 : LeadingNumber(answer);
        if (cHat >= 1.0 && std::isfinite(cHat)) break;
    }
    SetCHat(list_, cHat);
    ListChanged();
    Focus(rank::LoadAlg);
    Changed();
}

void RankingForm::RankCompetingModels() {
    RankModels(list_);
    SetEnabled(rank::SaveRanks, true);
    const bool files = std::all_of(list_.models.begin(), list_.models.end(),
                                   [](const CompetingModel& m) { return m.HasCovarianceFile(); });
    SetEnabled(rank::Average, Count() > 1 && files);
    ClearAveraging();
    Focus(rank::Calculate);
    Changed();
}

void RankingForm::AverageAcrossModels() {
    const AveragingOutcome outcome = AverageRankedModels(list_, wb_.alg.np, wb_.model);
    if (!outcome.result) {
        wb_.ports.dialogs.MessageBox(outcome.title, outcome.message, Buttons::OK, Icon::Exclamation);
        // A missing file keeps averaging off until the list is ranked again.
        if (outcome.missing) SetEnabled(rank::Average, false);
        Changed();
        return;
    }
    averagingText_ = corvane::AveragingText(*outcome.result);
    averaged_ = true;
    Focus(rank::Calculate);
    Changed();
}

std::string RankingForm::UnsavedChanges() const {
    if (list_.order != RankOrder::Ranked) return "";
    // Compared as the file holds them: ranking the same models again, or
    // opening and closing a note, changes nothing worth asking about.
    const std::string now = FormatRankingFile(list_, averaged_ ? averagingText_ : std::string());
    if (savedText_.empty()) return "they have not been saved";
    if (now == savedText_) return "";
    // The file is the ranking table, then (after a blank line) the averaging.
    auto parts = [](const std::string& text) {
        const std::size_t cut = text.find(std::string(CRLF) + CRLF);
        if (cut == std::string::npos) return std::pair{text, std::string()};
        return std::pair{text.substr(0, cut + 2), text.substr(cut + 2)};
    };
    const auto [nowTable, nowAveraging] = parts(now);
    const auto [savedTable, savedAveraging] = parts(savedText_);
    const bool table = nowTable != savedTable;
    const bool averaging = nowAveraging != savedAveraging;
    if (table && averaging) return "the ranking and the averaged estimates";
    return table ? "the ranking" : "the averaged estimates";
}

std::string RankingForm::SaveQuestion() const {
    const std::string changes = UnsavedChanges();
    std::string text = "Do you want to save ranking results?";
    if (changes.empty()) return text;
    text += std::string(CRLF) + CRLF;
    if (changes == "they have not been saved") return text + "They have not been saved to a file yet.";
    const std::size_t slash = savedPath_.find_last_of('/');
    return text + "Changed since " + (slash == std::string::npos ? savedPath_ : savedPath_.substr(slash + 1)) +
           " was saved: " + changes + ".";
}

bool RankingForm::SaveRanking() {
    FileRequest request;
    request.save = true;
    request.title = kSaveRanksTitle;
    request.filter = std::string("All files (*.*)|*.*|") + "Multi-model statistics files (*.mms)|*.mms";
    request.selectedFilter = 2;
    request.overwritePrompt = true;
    request.initialName = DateTimeName(wb_.ports.clock.DateText(), wb_.ports.clock.TimeText(), ".mms");
    const auto path = wb_.ports.dialogs.FileDialog(request);
    if (!path || path->empty()) return false;
    const std::string text = FormatRankingFile(list_, averaged_ ? averagingText_ : std::string());
    const WriteResult r = WriteFileSafely(*path, text);
    if (r) {
        savedText_ = text;
        savedPath_ = *path;
    } else {
        wb_.ports.dialogs.MessageBox(kSaveRanksTitle,
                                     "The file " + *path + " could not be written (" + r.reason + "); nothing was saved.",
                                     Buttons::OK, Icon::Exclamation);
    }
    Focus(rank::Calculate);
    Changed();
    return static_cast<bool>(r);
}

void RankingForm::LoadAlgorithm() {
    ClearAveraging();
    Changed();
    if (LoadAlgorithmDataForRanking(wb_) == LoadOutcome::Loaded) {
        if (algorithmOpened) algorithmOpened(wb_.alg.fileName);
        Focus(rank::Calculate);
    }
    Changed();
}

void RankingForm::EditAlgorithm() {
    ClearAveraging();
    SetVisible(false);
    openEditor();
}

void RankingForm::EditorClosed() {
    if (!open_) return;
    Focus(rank::Calculate);
    SetVisible(true);
}

void RankingForm::SaveAlgorithm() {
    ClearAveraging();
    Changed();
    if (WriteAlgorithmFile(wb_, AlgorithmWriter::MultiModel)) Focus(rank::Calculate);
    Changed();
}

void RankingForm::SetPriors() {
    ClearAveraging();
    SetVisible(false);
    openPriors();
}

void RankingForm::PriorsClosed() {
    if (!open_) return;
    Focus(rank::Calculate);
    SetVisible(true);
}

void RankingForm::DoubleClick(int row, int column) {
    if (!open_ || row < 1 || row > Count()) return;
    CompetingModel& m = list_.models[static_cast<std::size_t>(row - 1)];
    Dialogs& dialogs = wb_.ports.dialogs;
    if (column == Label) {
        DeleteCompetitor(list_, row);
        SetEnabled(rank::Rank, Count() > 1);
    } else if (column == CovarianceFile) {
        const std::string answer = dialogs.InputPrompt("Choose an associated covariance file",
                                                       "Please input the desired covariance file name", m.covarianceFile);
        // Cancel keeps the name the model had.
        if (!answer.empty()) {
            m.covarianceFile = answer;
            const std::string path = ResolveBeside(m.algorithmPath, answer);
            if (CanOpenForReading(path)) {
                m.covariancePath = path;
            } else {
                m.covarianceFile = kNoSuchFile;
                m.covariancePath.clear();
            }
        }
    } else if (column == Notes) {
        m.notes = dialogs.InputPrompt("Model notes", "Enter your annotations concerning the selected model",
                                      "Add your notation here");
    }
    SetEnabled(rank::Average, false);
    SetEnabled(rank::SaveRanks, false);
    ClearAveraging();
    Focus(rank::Calculate);
    Changed();
}

void RankingForm::Finish() {
    if (!open_) return;
    // Results just saved are not asked about again.
    if (!UnsavedChanges().empty()) {
        const Answer answer = wb_.ports.dialogs.MessageBox("What about ranking results!", SaveQuestion(),
                                                           Buttons::YesNo, Icon::Question, true);
        if (answer == Answer::Yes) SaveRanking();
    }
    open_ = false;
    visible_ = false;
    focus_.clear();
    Changed();
    if (onFinished) onFinished();
}

}  // namespace corvane
