#pragma once
// Every rule of the priors editor (frmSetPriors) and of the priors dialogue
// ("Load Bayesian priors") that opens it.  Both work on the workbench's prior
// table; the windows only render these classes and forward the user's
// actions, so tests walk them through the scripted ports.
#include <functional>
#include <string>

#include "numeric/OneBased.h"
#include "platform/TextView.h"

namespace corvane {

class Workbench;

enum class PriorCellColour { Black, Blue, Green, Red };

namespace priors_editor {
inline constexpr const char* Caption = "Set prior distributions";
inline constexpr const char* Label = "Select a parameter then choose an action from the menu bar";
inline constexpr const char* UnsetNote = "Note: Unset parameters in your Bayesian Priors file have the value '*'";
inline constexpr int Columns = 7;
}  // namespace priors_editor

class PriorsEditor {
public:
    explicit PriorsEditor(Workbench& wb);
    PriorsEditor(const PriorsEditor&) = delete;
    PriorsEditor& operator=(const PriorsEditor&) = delete;

    // Told when the editor has closed; false when the window that opened the
    // priors must stay hidden (the degrees of freedom were refused).
    std::function<void(bool showOpener)> onFinished;
    // "&Profile prior distributions"; its menu entry is disabled while unset.
    std::function<void()> profilePriors;

    // Opening: the unset-value note, a fresh grid, parameter 1 selected.
    void Open();
    bool IsOpen() const { return open_; }
    // The editor's own "Main &menu" is disabled while the editor is open.
    bool MainMenuEnabled() const { return !open_; }

    // --- grid: rows 0 and 1 are headings, row i + 1 is parameter i ---
    int Rows() const;
    std::string CellText(int row, int column) const;
    PriorCellColour CellColour(int row, int column) const;
    bool CellCentred(int row, int column) const;
    // Column widths in proportion (1000 for most, 1600 for the type, 6000
    // for the description).
    static int ColumnWidth(int column);
    int SelectedRow() const { return selected_; }
    bool Highlighted() const { return highlighted_; }

    // A click on a grid row (the headings select parameter 1).
    void Click(int row);
    // The arrow keys: the selection moves by `rows` (up is negative), and
    // stops at the first and last parameter.
    void MoveSelection(int rows);
    // An entry command of "&Edit prior distributions" on the selected row.
    // True when the row changed.
    bool Enter(char code);
    // "&Save prior distributions".
    bool Save();
    // "&Help with prior distributions": the help window.
    void Help();
    TextView& HelpView() { return help_; }
    static std::string HelpText();
    // "&Finished" (or closing the window).
    void Finish();

    // The window re-renders after every change.
    void SetListener(std::function<void()> listener) { listener_ = std::move(listener); }

private:
    void Changed();
    int Parameter(int row) const { return row - 1; }
    // Cells of a row that an entry command sets (type and first term; the
    // second term too for the uniform-bounded), as column bits.
    int SetCells(int row) const;
    PriorCellColour NormalColour(int row, int column) const;
    // The covariance constant after editing; false when the degrees of
    // freedom leave none.
    bool RefreshConstant();

    Workbench& wb_;
    bool open_ = false;
    int selected_ = 2;
    bool highlighted_ = false;
    Vec1<int> red_;  // column bits per parameter, set by entry commands
    TextView help_;
    std::function<void()> listener_;
};

enum class PriorsOpener { CommandMenu, Ranking };

namespace priors_dialogue {
inline constexpr const char* Caption = "Load Bayesian priors";
inline constexpr const char* OpenFile = "&Open an existing Bayesian Priors file";
inline constexpr const char* SetOrReset = "&Set or reset prior distributions";
inline constexpr const char* SetUniform = "Set &uniform-unbounded prior distributions";
inline constexpr const char* Cancel = "&Cancel";
}  // namespace priors_dialogue

class PriorsDialogue {
public:
    PriorsDialogue(Workbench& wb, PriorsEditor& editor);
    PriorsDialogue(const PriorsDialogue&) = delete;
    PriorsDialogue& operator=(const PriorsDialogue&) = delete;

    // The window that opened the dialogue is hidden while the priors are
    // worked on and shown again when they are done (the ranking window then
    // gives "Calculate model AICc" the focus).
    std::function<void(PriorsOpener)> hideOpener;
    std::function<void(PriorsOpener)> showOpener;

    // Opening: priors in use, the simplex no longer current, the opener hidden.
    void Open(PriorsOpener opener);
    bool Loaded() const { return loaded_; }
    bool Visible() const { return visible_; }

    // Told of every priors file read successfully.
    std::function<void(const std::string&)> fileOpened;

    // The four buttons.
    void OpenFile();
    // "Open" with the file already chosen (a recent file, a dropped one):
    // as OpenFile once its file dialogue has answered `path`.
    void OpenPath(const std::string& path);
    void SetOrReset();
    void SetUniform();
    void Cancel() { Close(); }
    // Any path that unloads the dialogue (the window's close box included):
    // priors in use exactly when some type is not U; the opener shown again.
    void Close();

    // The window re-renders after every change.
    void SetListener(std::function<void()> listener) { listener_ = std::move(listener); }

private:
    void Changed();
    // Unloads the dialogue; the opener is shown again when asked to.
    void Unload(bool showOpenerAgain);
    void ShowOpener();
    void OpenEditor();
    void DefaultPriors();

    Workbench& wb_;
    PriorsEditor& editor_;
    bool loaded_ = false;
    bool visible_ = false;
    bool fromMenu_ = false;     // return flags: consumed by the path that
    bool fromRanking_ = false;  // shows the opener again
    std::function<void()> listener_;
};

}  // namespace corvane
