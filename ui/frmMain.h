#pragma once
// The main window: the MDI frame titled "Corvane" with its menus and the
// six-bar status bar.  It owns the session (the Workbench), the command menu
// and the algorithm data editor, and runs the exit dialogue.
#include <QMainWindow>
#include <functional>
#include <memory>

#include "evaluation/EvaluationChoice.h"
#include "engine/modCorvane.h"
#include "ranking/RankingForm.h"
#include "priors/PriorsEditor.h"
#include "ui/AlgorithmEditor.h"
#include "ui/CommandMenu.h"
#include "ui/InformationTexts.h"
#include "ui/OpenFiles.h"

class QAction;
class QDragEnterEvent;
class QDropEvent;
class QKeyEvent;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace corvane {

class QtPlotPort;
class QtStatusBar;
class QtWindowHost;
class frmAlgo;
class frmEvaluate;
class frmLoadPriors;
class frmMenu;
class frmRank;
class frmSetPriors;

// The commands that come from outside the shell; a missing set-up leaves
// the initialise button disabled.
struct DesktopCommands {
    // The model's set-up dialogue, opened over the frame; true when initialised.
    std::function<bool(Workbench&, QWidget* frame)> modelSetUp;
    // Replacements for SimplexCommand and MarquardtCommand (tests), run
    // after the menu's checks and run set-up.
    std::function<void(Workbench&)> runSimplex;
    std::function<void(Workbench&)> runMarquardt;
    std::function<bool(Workbench&)> savePriors;    // writes the priors file; true when written
    // The set-up dialogue with data files already chosen (frequencies,
    // increments; either may be empty): recent and dropped data files.
    std::function<bool(Workbench&, QWidget* frame, const std::string&, const std::string&)> modelSetUpWithFiles;
    // The data files of the model just initialised, for the recent files.
    std::function<std::vector<KnownFile>(Workbench&)> dataFiles;
};

enum class Arrangement { Cascade, TileHorizontal, TileVertical, ArrangeIcons };

class frmMain : public QMainWindow {
public:
    frmMain(Dialogs& dialogs, Clock& clock, RandomSource& random, Model* model, DesktopCommands commands = {},
            QWidget* parent = nullptr);
    ~frmMain() override;

    Workbench& Bench() { return *wb_; }
    CommandMenu& Menu() { return *menu_; }
    AlgorithmEditor& Editor() { return *editor_; }
    QtStatusBar& Status() { return *status_; }
    QtWindowHost& Host() { return *host_; }
    QMdiArea* Area() const { return area_; }
    frmMenu* MenuWindow() const { return menuWindow_; }
    QMdiSubWindow* MenuSubWindow() const { return menuSub_; }
    frmAlgo* EditorWindow() const { return algoWindow_; }
    QMdiSubWindow* EditorSubWindow() const { return algoSub_; }
    RankingForm& Ranking() { return *ranking_; }
    frmRank* RankingWindow() const { return rankWindow_; }
    QMdiSubWindow* RankingSubWindow() const { return rankSub_; }
    // The priors dialogue ("Load Bayesian priors") and editor.
    PriorsDialogue& PriorsDialog() { return *priorsDialogue_; }
    PriorsEditor& PriorsEdit() { return *priorsEditor_; }
    frmLoadPriors* LoadPriorsWindow() const { return loadPriorsWindow_; }
    QMdiSubWindow* LoadPriorsSubWindow() const { return loadPriorsSub_; }
    frmSetPriors* SetPriorsWindow() const { return setPriorsWindow_; }
    QMdiSubWindow* SetPriorsSubWindow() const { return setPriorsSub_; }
    // The evaluation choice window ("Evaluation of estimates").
    EvaluationChoice& Evaluation() { return *evaluation_; }
    frmEvaluate* EvaluateWindow() const { return evaluateWindow_; }
    QMdiSubWindow* EvaluateSubWindow() const { return evaluateSub_; }
    // Menu commands by control name (mnuExit, mnuMenu, mnuInterruptML, ...).
    QAction* Action(const char* name) const;
    QMenu* WindowMenu() const { return mnuWindow_; }
    // The recent files (kept in the settings between runs) and their menu.
    const RecentFiles& Recent() const { return recent_; }
    QMenu* RecentMenu() const { return mnuRecent_; }
    // Picks entry `index` of the recent files, as its menu entry does.
    void OpenRecent(std::size_t index);
    // Opens files as a drop of them on the frame does.
    void OpenDropped(const std::vector<std::string>& paths);

    // The exit dialogue; on Yes the window closes.  False when it stays.
    bool RequestExit();
    void Arrange(Arrangement arrangement);
    // Shows one of the information windows (the main window is disabled
    // until it closes).
    void ShowInformation(const InformationText& info);
    // Shows the "&Interrupt" menus while their evaluation runs.
    void RefreshInterruptMenus();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    // Presses the command menu's button of an Alt+letter typed in any child
    // window; true when one was pressed.
    bool PressMenuMnemonic(QObject* watched, const QKeyEvent* key);
    // Lists the open child windows at the end of the Window menu.
    void ListOpenWindows();
    void RenderMenu();
    void OpenEditor();
    void EditorClosed();
    void PlaceMenu();
    void RenderRanking();
    void BuildPriorsWindows();
    void RenderPriors();
    void BuildEvaluationWindow();
    void RenderEvaluation();
    // Opens the algorithm data editor for a running command and returns once
    // the user has finished editing.
    void EditForCommand();
    void AddRecent(FileKind kind, const std::string& path);
    void StoreRecent();
    void ListRecentFiles();
    // A child window opens where and as large as it was left, kept inside
    // the frame's working area; false when it has no remembered place.
    bool RestorePlace(QMdiSubWindow* sub);
    void RememberPlace(QMdiSubWindow* sub);

    DesktopCommands commands_;
    QMdiArea* area_ = nullptr;
    QtStatusBar* status_ = nullptr;
    std::unique_ptr<QtWindowHost> host_;
    std::unique_ptr<Workbench> wb_;
    std::unique_ptr<CommandMenu> menu_;
    std::unique_ptr<AlgorithmEditor> editor_;
    std::unique_ptr<RankingForm> ranking_;
    std::unique_ptr<QtPlotPort> plots_;  // the session's plots open as modal windows
    std::unique_ptr<PriorsEditor> priorsEditor_;
    std::unique_ptr<PriorsDialogue> priorsDialogue_;
    std::unique_ptr<EvaluationChoice> evaluation_;

    QMenu* mnuApplication_ = nullptr;
    QMenu* mnuBayesianInt_ = nullptr;
    QMenu* mnuMLInt_ = nullptr;
    QMenu* mnuWindow_ = nullptr;
    QMenu* mnuRecent_ = nullptr;
    RecentFiles recent_;
    frmMenu* menuWindow_ = nullptr;
    QMdiSubWindow* menuSub_ = nullptr;
    frmAlgo* algoWindow_ = nullptr;
    QMdiSubWindow* algoSub_ = nullptr;
    frmRank* rankWindow_ = nullptr;
    QMdiSubWindow* rankSub_ = nullptr;
    frmLoadPriors* loadPriorsWindow_ = nullptr;
    QMdiSubWindow* loadPriorsSub_ = nullptr;
    frmSetPriors* setPriorsWindow_ = nullptr;
    QMdiSubWindow* setPriorsSub_ = nullptr;
    frmEvaluate* evaluateWindow_ = nullptr;
    QMdiSubWindow* evaluateSub_ = nullptr;
    bool editingForCommand_ = false;  // the editor was opened by a running command
    bool menuPlaced_ = false;
    bool exiting_ = false;
};

}  // namespace corvane
