#pragma once
// The rules of the command menu (frmMenu): its buttons with their captions,
// tool tips and enabling, the common frame of an engine command and the
// command-specific rules.  The window only renders this state and forwards
// clicks; tests drive it without a display.
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "ui/OpenFiles.h"

namespace corvane {

class Workbench;

struct MenuButton {
    std::string name;  // control name, e.g. "cmdSimplex"
    std::string caption;
    std::string toolTip;
    bool enabled = false;
    // False while the command behind the button is not part of this build;
    // such a button stays disabled whatever the rules say.
    bool available = false;
};

namespace menu {
inline constexpr const char* Initialize = "cmdInitialize";
inline constexpr const char* LoadAlg = "cmdLoadAlg";
inline constexpr const char* EditAlg = "cmdEditAlg";
inline constexpr const char* SaveAlg = "cmdSaveAlg";
inline constexpr const char* OneFunction = "cmdOneFunction";
inline constexpr const char* Bayesian = "cmdBayesian";
inline constexpr const char* Simplex = "cmdSimplex";
inline constexpr const char* Marquardt = "cmdMarquardt";
inline constexpr const char* UserSummary = "cmdUserSummary";
inline constexpr const char* Covariance = "cmdCovariance";
inline constexpr const char* ParEstimate = "cmdParEstimate";
inline constexpr const char* Rank = "cmdRank";
inline constexpr const char* Quit = "cmdQuit";

inline constexpr const char* Caption = "Main menu";
inline constexpr const char* Welcome =
    "Welcome to Corvane: a parameter estimation and evaluation infrastructure for non-linear models";
inline constexpr const char* MinimizeWith = "Minimize with...";
}  // namespace menu

class CommandMenu {
public:
    explicit CommandMenu(Workbench& wb);
    ~CommandMenu();
    CommandMenu(const CommandMenu&) = delete;
    CommandMenu& operator=(const CommandMenu&) = delete;

    // Commands the desktop supplies.  Set them before the menu is first
    // loaded; a button whose command is missing stays disabled.
    std::function<bool()> modelSetUp;          // the model's set-up dialogue; true when MODEL initialised
    // The minimisations, run inside the common frame after the menu's checks
    // and run set-up; SimplexCommand and MarquardtCommand unless replaced.
    std::function<void()> runSimplex;
    std::function<void()> runMarquardt;
    // "Res&ults Summary", run inside the common frame after the run set-up;
    // ModelSummaryCommand unless replaced.
    std::function<void()> runSummary;
    std::function<void()> openEditor;          // opens the algorithm data editor (which closes this menu)
    std::function<void()> openRanking;         // opens the ranking window; RankingFinished() when it closes
    // The covariance command's editing: the editor with its run settings
    // locked, returning once the user has finished (none: no editing).
    std::function<void()> editParametersLocked;
    std::function<void()> openPriors;          // opens the priors dialogue (which hides this menu)
    // Opens the evaluation choice window "Evaluation of estimates", which
    // stands in for this menu and shows it again when it is done.
    std::function<void()> openEvaluation;
    std::function<void()> requestExit;         // the exit dialogue
    // The set-up dialogue with data files already chosen (frequencies,
    // increments; either may be empty); true when MODEL initialised.  Missing:
    // data files open only through the set-up's own buttons.
    std::function<bool(const std::string&, const std::string&)> modelSetUpWithFiles;
    // The priors dialogue opening the named file at once.
    std::function<void(const std::string&)> openPriorsFile;
    // Told of every algorithm file read or written successfully.
    std::function<void(FileKind, const std::string&)> fileOpened;
    std::function<void(bool)> applicationMenu;  // enables or disables the main window's "&Application" menu

    // The window: loaded (exists) and visible.  Loading applies the
    // start-up rule; showing a loaded but hidden menu changes nothing.
    void Load();
    void Show();
    void Hide();
    void Close();
    bool Loaded() const { return loaded_; }
    bool Visible() const { return visible_; }

    const std::string& ModelName() const { return modelName_; }
    const std::vector<MenuButton>& Buttons() const { return buttons_; }
    const MenuButton& Button(const std::string& name) const;
    bool Enabled(const std::string& name) const { return Button(name).enabled; }
    // The button that should take the focus; the window takes it once.  The
    // menu asks for it whenever it is loaded or shown and after every
    // command that showed no window of its own, so that its keyboard
    // accelerators work at once (the clicked button when it is still
    // enabled, otherwise the first enabled one, unless a command names its
    // own).
    std::string TakeFocus();

    // A click on a button (ignored unless the button is enabled).
    void Click(const std::string& name);
    // True while an engine command runs inside the common frame.
    bool Running() const { return running_; }

    // The editor has closed: every button but initialise and load is
    // enabled and the menu shows itself again.
    void EditorClosed();
    // The button Alt+letter presses from any window of the frame: the
    // enabled button of a visible menu whose mnemonic is the letter (any
    // case); empty when there is none or a command is running.
    std::string ButtonForMnemonic(char letter) const;
    // The ranking window has finished: the menu and "&Application" return.
    void RankingFinished();

    // Opens files named outside the file dialogues (a recent file, a drop),
    // in the order given, each through its button's command with the file
    // dialogue answered: data into one set-up, then algorithm data, then
    // priors.  A file whose button is not enabled now is refused with a
    // message saying what must come first, and the files after it are not
    // opened.  Kind Data is not accepted (the caller asks which data).
    void OpenNamedFiles(const std::vector<KnownFile>& files);
    // Files dropped on the main window: each is told by KindOfFile (a data
    // file that reads both ways is asked about), then PlanDrop decides;
    // a refusal is shown and nothing opens.
    void OpenDropped(const std::vector<std::string>& paths);

    // The window re-renders after every change.
    void SetListener(std::function<void()> listener) { listener_ = std::move(listener); }

private:
    MenuButton& Mutable(const std::string& name);
    void SetEnabled(const std::string& name, bool enabled);
    void DisableAll();
    void EnableAll();
    void EnableOnly(std::initializer_list<const char*> names);
    void InitialState();
    void RefreshAvailability();
    void Changed();
    std::string FirstEnabled() const;
    // A command names the button that takes the focus after it.
    void RequestFocus(const std::string& name);
    // After a command: its own focus if it named one, else the clicked
    // button while enabled, else the first enabled button.
    void FocusAfter(const std::string& clicked);

    // Close the progress windows, disable everything, run, re-enable.
    void Frame(const std::function<void()>& command);
    void Minimise(const std::function<void()>& driver);
    // With data files already chosen when either is named.
    // True when the set-up initialised the model.
    bool Initialise(const std::string& frequencies = "", const std::string& increments = "");
    // From the file dialogue, or straight from `path` when one is named.
    void LoadAlgorithm(const std::string& path = "");
    void SaveAlgorithm();
    void EditAlgorithm();
    void OneFunctionCommand();
    void RankingCommand();
    void Covariances();
    // "&Finish display" of the covariance results: back to the menu.
    void CovarianceDisplayFinished();
    void SummaryCommand();
    void PriorsCommand();
    void EvaluationCommand();

    Workbench& wb_;
    std::vector<MenuButton> buttons_;
    std::string modelName_;
    std::string focus_;
    bool focusNamed_ = false;  // the running command named its focus
    bool resultShown_ = false;  // the running command showed a window
    bool loaded_ = false;
    bool visible_ = false;
    bool running_ = false;
    std::function<void()> listener_;
};

// The mnemonic of a caption, lower case: the letter after a single "&"
// ("Simple&x" gives 'x'; "&&" is a plain ampersand); 0 when it has none.
char Mnemonic(const std::string& caption);

}  // namespace corvane
