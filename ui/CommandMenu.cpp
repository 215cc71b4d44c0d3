#include "ui/CommandMenu.h"

#include <algorithm>
#include <cctype>
#include <fstream>

#include "engine/ModelSummary.h"
#include "engine/modCorvane.h"
#include "numeric/Format.h"

namespace corvane {

namespace {

const char* kSummaryCaption = "Single model &results";
const char* kSummaryToolTip =
    "Produces a saveable summary (and perhaps plots) of the results for a single model at the current parameter "
    "estimates";
const char* kResultsCaption = "Res&ults Summary";
const char* kResultsToolTip =
    "Produces a saveable summary (and perhaps plots) of model results for the current parameter estimates";

// Clears running_ even if the command returns early.
struct RunningGuard {
    bool& flag;
    explicit RunningGuard(bool& f) : flag(f) { flag = true; }
    ~RunningGuard() { flag = false; }
};

}  // namespace

CommandMenu::CommandMenu(Workbench& wb) : wb_(wb) {
    using namespace menu;
    buttons_ = {
        {Initialize, "&Initialize model",
         "Loads a form that tells you how to prepare your data and initialize your model"},
        {LoadAlg, "&Load algorithm data",
         "Loads or creates a file that contains parameter estimates and other info used by the minimization "
         "algorithms"},
        {EditAlg, "&Edit  algorithm data", "Allows you to edit the algorithm data"},
        {SaveAlg, "&Save algorithm data", "Allows you to save the algorithm data"},
        {OneFunction, "&1 Function call", "Calculates the objective function at the current parameter estimates"},
        {Bayesian, "Set &Bayesian priors",
         "Allows you to assign Bayesian prior probabilities to the parameters to be estimated"},
        {Simplex, "Simple&x", "Searches for an objective function minimum using simplex geometry"},
        {Marquardt, "&Marquardt",
         "Searches for an objective function minimum using numerical (automatic) or analytical (if user-supplied) "
         "derivatives"},
        {UserSummary, kSummaryCaption, kSummaryToolTip},
        {Covariance, "Single model &covariances",
         "Produces an asymptotically consistent (i.e., central limit theorem applies when sample size is large) "
         "covariance matrix of the estimated parameters"},
        {ParEstimate, "E&valuate single model parameter estimates",
         "Uses maximum-likelihood or Bayesian procedures to assess individual parameter estimates"},
        {Rank, "Multi-model s&tatistics", "Uses AICc to rank and average among the best competing models"},
        {Quit, "&Quit", "Quit Corvane"},
    };
    runSimplex = [this] { SimplexCommand(wb_); };
    runMarquardt = [this] { MarquardtCommand(wb_); };
    wb_.covarianceDisplay.finished = [this] { CovarianceDisplayFinished(); };
    runSummary = [this] { ModelSummaryCommand(wb_); };
    InitialState();
}

CommandMenu::~CommandMenu() { wb_.covarianceDisplay.finished = nullptr; }

const MenuButton& CommandMenu::Button(const std::string& name) const {
    for (const auto& b : buttons_)
        if (b.name == name) return b;
    static const MenuButton none;
    return none;
}

MenuButton& CommandMenu::Mutable(const std::string& name) {
    for (auto& b : buttons_)
        if (b.name == name) return b;
    static MenuButton none;
    none = MenuButton{};
    return none;
}

void CommandMenu::RefreshAvailability() {
    using namespace menu;
    const bool model = wb_.model != nullptr;
    for (auto& b : buttons_) {
        if (b.name == Initialize) b.available = model && static_cast<bool>(modelSetUp);
        else if (b.name == LoadAlg || b.name == SaveAlg || b.name == OneFunction) b.available = model;
        else if (b.name == EditAlg) b.available = model && static_cast<bool>(openEditor);
        else if (b.name == Bayesian) b.available = model && static_cast<bool>(openPriors);
        else if (b.name == Simplex) b.available = model && static_cast<bool>(runSimplex);
        else if (b.name == Marquardt) b.available = model && static_cast<bool>(runMarquardt);
        else if (b.name == UserSummary) b.available = model && static_cast<bool>(runSummary);
        else if (b.name == Covariance) b.available = model;
        else if (b.name == ParEstimate) b.available = model && static_cast<bool>(openEvaluation);
        else if (b.name == Rank) b.available = model && static_cast<bool>(openRanking);
        else if (b.name == Quit) b.available = static_cast<bool>(requestExit);
        else b.available = false;
        if (!b.available) b.enabled = false;
    }
}

void CommandMenu::SetEnabled(const std::string& name, bool enabled) {
    MenuButton& b = Mutable(name);
    b.enabled = enabled && b.available;
}

void CommandMenu::DisableAll() {
    for (auto& b : buttons_) b.enabled = false;
}

void CommandMenu::EnableAll() {
    RefreshAvailability();
    // Without an initialised model no command but initialise and load can work.
    if (!wb_.app.modelInitialised) {
        InitialState();
        return;
    }
    for (auto& b : buttons_) b.enabled = b.available;
}

void CommandMenu::EnableOnly(std::initializer_list<const char*> names) {
    RefreshAvailability();
    for (auto& b : buttons_) {
        const bool listed = std::any_of(names.begin(), names.end(), [&](const char* n) { return b.name == n; });
        // Quitting stays possible whenever no command runs.
        b.enabled = b.available && (listed || b.name == menu::Quit);
    }
}

void CommandMenu::InitialState() {
    EnableOnly({menu::Initialize, menu::LoadAlg});
}

void CommandMenu::Changed() {
    if (listener_) listener_();
}

std::string CommandMenu::FirstEnabled() const {
    for (const auto& b : buttons_)
        if (b.enabled) return b.name;
    return "";
}

void CommandMenu::RequestFocus(const std::string& name) {
    focus_ = name;
    focusNamed_ = true;
}

void CommandMenu::FocusAfter(const std::string& clicked) {
    // A window the command showed stays in front with the keyboard.
    if (focusNamed_ || resultShown_) return;
    focus_ = Enabled(clicked) ? clicked : FirstEnabled();
}

std::string CommandMenu::TakeFocus() {
    std::string f;
    f.swap(focus_);
    // A button disabled since it was named cannot take the keyboard.
    if (!f.empty() && !Enabled(f)) f = FirstEnabled();
    return f;
}

void CommandMenu::Load() {
    loaded_ = true;
    modelName_ = wb_.model ? wb_.model->Title() : std::string();
    RefreshAvailability();
    if (!wb_.app.modelInitialised)
        InitialState();
    else if (!wb_.alg.fileName.empty())
        EnableAll();
    else
        EnableOnly({menu::Initialize, menu::LoadAlg});
    if (focus_.empty()) focus_ = FirstEnabled();
    Changed();
}

void CommandMenu::Show() {
    if (!loaded_) Load();
    if (!visible_ && focus_.empty()) focus_ = FirstEnabled();
    visible_ = true;
    Changed();
}

void CommandMenu::Hide() {
    visible_ = false;
    Changed();
}

void CommandMenu::Close() {
    loaded_ = false;
    visible_ = false;
    Changed();
}

void CommandMenu::EditorClosed() {
    if (!loaded_) Load();
    EnableAll();
    SetEnabled(menu::Initialize, false);
    SetEnabled(menu::LoadAlg, false);
    // The menu comes back by itself: a user who finished editing wants the
    // next command, not a hunt through the Application menu.
    if (!visible_ && focus_.empty()) focus_ = FirstEnabled();
    visible_ = true;
    Changed();
}

char Mnemonic(const std::string& caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        return static_cast<char>(std::tolower(static_cast<unsigned char>(caption[i + 1])));
    }
    return 0;
}

std::string CommandMenu::ButtonForMnemonic(char letter) const {
    if (!visible_ || running_ || letter == 0) return {};
    const char wanted = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    for (const MenuButton& b : buttons_)
        if (b.enabled && Mnemonic(b.caption) == wanted) return b.name;
    return {};
}

void CommandMenu::Click(const std::string& name) {
    if (running_ || !Button(name).enabled) return;
    using namespace menu;
    focusNamed_ = false;
    resultShown_ = false;
    if (name == Initialize) Initialise();
    else if (name == LoadAlg) LoadAlgorithm();
    else if (name == EditAlg) {
        EditAlgorithm();
        return;  // the editor has the keyboard until it closes
    } else if (name == SaveAlg) SaveAlgorithm();
    else if (name == OneFunction) OneFunctionCommand();
    else if (name == Bayesian) PriorsCommand();
    else if (name == Simplex) Minimise(runSimplex);
    else if (name == Marquardt) Minimise(runMarquardt);
    else if (name == Covariance) Covariances();
    else if (name == UserSummary) SummaryCommand();
    else if (name == ParEstimate) EvaluationCommand();
    else if (name == Rank) RankingCommand();
    else if (name == Quit && requestExit) requestExit();
    if (!loaded_ || !visible_) return;
    FocusAfter(name);
    Changed();
}

void CommandMenu::Frame(const std::function<void()>& command) {
    wb_.CloseProgressWindows();
    const long shown = wb_.ports.windows.ShowCount();
    {
        RunningGuard guard(running_);
        DisableAll();
        if (applicationMenu) applicationMenu(false);
        Changed();
        command();
    }
    resultShown_ = wb_.ports.windows.ShowCount() != shown;
    Show();
    if (applicationMenu) applicationMenu(true);
    EnableAll();
    Changed();
}

void CommandMenu::Minimise(const std::function<void()>& command) {
    // Refused before the frame, so that nothing changes.
    if (NothingToMinimise(wb_)) return;
    wb_.app.covarianceCurrent = false;
    Frame([&] {
        SetUpRun(wb_.alg, wb_.engine);
        // Fusing can leave no free parameter even though some step was set;
        // after the set-up the steps say so.
        if (wb_.engine.nfree == 0 && NothingToMinimise(wb_)) return;
        // Interrupt belongs to a running minimisation: a continued simplex
        // keeps its window's button usable, and a click after the run cannot
        // leave a request behind for the next one.
        wb_.engine.interruptRequested = false;
        wb_.simplexView.SetButtonEnabled("cmdStop", true);
        command();
        wb_.simplexView.SetButtonEnabled("cmdStop", false);
        wb_.marquardtView.SetButtonEnabled("cmdStop", false);
        // An interrupted run leaves "One moment please..." behind; the
        // activity has ended.
        wb_.ports.status.ClearActivity(1, 4);
    });
}

bool CommandMenu::Initialise(const std::string& frequencies, const std::string& increments) {
    AlgorithmData& a = wb_.alg;
    if (!a.fileName.empty()) {
        const Answer answer = wb_.ports.dialogs.MessageBox(
            "Initialize",
            std::string("Algorithm data will be lost during this initialization.") + CRLF + CRLF +
                "  Do you need to save current algorithm data?",
            Buttons::YesNoCancel, Icon::Exclamation);
        if (answer != Answer::Yes && answer != Answer::No) return false;
        // Data the user asked to keep are never dropped unsaved.
        if (answer == Answer::Yes && !WriteAlgorithmFile(wb_, AlgorithmWriter::CommandMenu)) return false;
        a.fileName.clear();
        a.bareName.clear();
        wb_.ports.status.Set(panels::AlgorithmFile, "Algorithm file: ");
    }
    EnableOnly({menu::LoadAlg});
    Changed();
    const bool named = !frequencies.empty() || !increments.empty();
    const bool initialised = named ? modelSetUpWithFiles(frequencies, increments) : modelSetUp();
    // The results of the earlier model no longer describe anything.
    if (initialised) wb_.ports.windows.CloseAllWindows();
    Load();
    if (initialised) RequestFocus(menu::LoadAlg);
    Changed();
    return initialised;
}

void CommandMenu::LoadAlgorithm(const std::string& path) {
    const LoadOutcome outcome = path.empty() ? LoadAlgorithmData(wb_) : LoadAlgorithmDataFrom(wb_, path);
    if (outcome == LoadOutcome::Loaded && fileOpened) fileOpened(FileKind::Algorithm, wb_.alg.fileName);
    switch (outcome) {
        case LoadOutcome::Cancelled:
            break;
        case LoadOutcome::FileDialogCancelled:
        case LoadOutcome::Failed:
            SetEnabled(menu::Initialize, true);
            SetEnabled(menu::LoadAlg, true);
            break;
        case LoadOutcome::Defaults:
        case LoadOutcome::Loaded: {
            EnableAll();
            RequestFocus(menu::EditAlg);
            MenuButton& summary = Mutable(menu::UserSummary);
            summary.caption = kResultsCaption;
            summary.toolTip = kResultsToolTip;
            break;
        }
    }
    Changed();
}

void CommandMenu::SaveAlgorithm() {
    DisableAll();
    Changed();
    // A file just written is one the user will want again.
    if (WriteAlgorithmFile(wb_, AlgorithmWriter::CommandMenu) && fileOpened)
        fileOpened(FileKind::Algorithm, wb_.alg.fileName);
    EnableAll();
    Changed();
}

void CommandMenu::EditAlgorithm() {
    DisableAll();
    Changed();
    openEditor();
}

// The ranking window replaces the menu until it finishes; no second
// command can start meanwhile.
void CommandMenu::RankingCommand() {
    wb_.CloseProgressWindows();
    Close();
    if (applicationMenu) applicationMenu(false);
    openRanking();
}

void CommandMenu::RankingFinished() {
    Show();
    if (applicationMenu) applicationMenu(true);
    Changed();
}

void CommandMenu::OpenNamedFiles(const std::vector<KnownFile>& files) {
    Dialogs& d = wb_.ports.dialogs;
    auto refuse = [&](const std::string& text) {
        d.MessageBox("Open file", text, Buttons::OK, Icon::Exclamation);
        Changed();
    };
    if (files.empty()) return;
    if (running_ || !loaded_ || !visible_) {
        refuse("Files open from the main menu: please finish with the window in front (or the running command) "
               "first.");
        return;
    }
    std::string frequencies, increments;
    for (const KnownFile& f : files) {
        if (f.kind == FileKind::Frequencies) frequencies = f.path;
        if (f.kind == FileKind::Increments) increments = f.path;
    }
    focusNamed_ = false;
    resultShown_ = false;
    if (!frequencies.empty() || !increments.empty()) {
        if (!Enabled(menu::Initialize) || !modelSetUpWithFiles) {
            refuse("Data files are opened by \"Initialize model\", which is not available now.");
            return;
        }
        // A set-up cancelled (or refused) opens nothing after it.
        if (!Initialise(frequencies, increments) || !visible_) return;
    }
    for (const KnownFile& f : files) {
        if (f.kind == FileKind::Algorithm) {
            if (!Enabled(menu::LoadAlg)) {
                refuse("Algorithm data can be opened once the model is initialised; " + f.path + " was not opened.");
                return;
            }
            LoadAlgorithm(f.path);
            if (wb_.alg.fileName != f.path) return;  // not read: the message said why
        } else if (f.kind == FileKind::Priors) {
            if (!Enabled(menu::Bayesian) || !openPriorsFile) {
                refuse("Bayesian priors can be opened once the model is initialised and its algorithm data are "
                       "loaded; " +
                       f.path + " was not opened.");
                return;
            }
            wb_.CloseProgressWindows();
            openPriorsFile(f.path);
            return;  // the priors windows stand in for the menu
        } else if (f.kind == FileKind::Data) {
            refuse("Whether " + f.path + " holds size frequencies or growth increments is not known.");
            return;
        }
    }
    if (loaded_ && visible_) {
        FocusAfter(menu::LoadAlg);
        Changed();
    }
}

void CommandMenu::OpenDropped(const std::vector<std::string>& paths) {
    Dialogs& d = wb_.ports.dialogs;
    std::vector<std::pair<std::string, FileKindGuess>> dropped;
    for (const std::string& path : paths) {
        FileKindGuess guess;
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            guess.refusal = path + " could not be read.";
        } else {
            guess = KindOfFile(path, in);
        }
        if (guess.kind == FileKind::Data) {
            const std::size_t slash = path.find_last_of('/');
            const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
            const Answer answer = d.MessageBox(
                "Open file",
                "Does " + name + " hold size frequencies?" + CRLF + CRLF +
                    "Yes: open it as size-frequency data;  No: as growth increment data.",
                Buttons::YesNoCancel, Icon::Question);
            if (answer == Answer::Cancel) return;
            guess.kind = answer == Answer::Yes ? FileKind::Frequencies : FileKind::Increments;
        }
        dropped.emplace_back(path, guess);
    }
    const DropPlan plan = PlanDrop(dropped);
    if (!plan.refusal.empty()) {
        d.MessageBox("Open file", plan.refusal, Buttons::OK, Icon::Exclamation);
        return;
    }
    OpenNamedFiles(plan.files);
}

void CommandMenu::OneFunctionCommand() {
    Frame([this] {
        SetUpRun(wb_.alg, wb_.engine);
        OneFunctionCall(wb_);
    });
}

void CommandMenu::Covariances() {
    if (wb_.app.covarianceCurrent && wb_.covariance.computed) {
        const Answer view = wb_.ports.dialogs.MessageBox(
            "Covariance", "View the last set of calculated covariance results?", Buttons::YesNo, Icon::Question);
        if (view == Answer::Yes) {
            wb_.CloseProgressWindows();
            DisableAll();
            if (applicationMenu) applicationMenu(false);
            ShowCovarianceResults(wb_, false);
            Close();  // the result window stands in for the menu until "&Finish display"
            return;
        }
    }
    wb_.CloseProgressWindows();
    CovarianceEnd end;
    {
        RunningGuard guard(running_);
        DisableAll();
        if (applicationMenu) applicationMenu(false);
        Changed();
        end = CovarianceCommand(wb_, editParametersLocked);
    }
    if (end == CovarianceEnd::Completed) {
        // Only a finished calculation makes results worth viewing again; a
        // cancelled one leaves the flag (and the stored results) as they were.
        wb_.app.covarianceCurrent = true;
        Close();
        return;
    }
    wb_.ports.status.Clear(panels::Activity(1));
    Show();
    if (applicationMenu) applicationMenu(true);
    EnableAll();
    Changed();
}

void CommandMenu::CovarianceDisplayFinished() {
    Show();
    if (applicationMenu) applicationMenu(true);
    EnableAll();
    Changed();
}

void CommandMenu::SummaryCommand() {
    Frame([this] {
        SetUpRun(wb_.alg, wb_.engine);
        runSummary();
    });
}

void CommandMenu::PriorsCommand() {
    // The priors dialogue is a window of its own: it hides this menu while
    // it and the editor are open and shows it again when they close.
    wb_.CloseProgressWindows();
    openPriors();
}

void CommandMenu::EvaluationCommand() {
    // The choice window is a window of its own: this menu closes while it
    // and the evaluation it starts are open.
    wb_.CloseProgressWindows();
    Close();
    openEvaluation();
}

}  // namespace corvane
