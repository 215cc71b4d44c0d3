#pragma once
// Every rule of the algorithm data editor (frmAlgo) and of its "Edit all
// parameters" dialogue (frmEditVS).  Edits go straight into the algorithm
// data of the Workbench; the windows only render this class and forward
// the user's actions.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "numeric/OneBased.h"

namespace corvane {

class Workbench;

enum class EditorColumn { Parameter = 0, Value = 1, Step = 2, Fuse = 3, Description = 4 };
inline constexpr int kEditorColumns = 5;

enum class EditorSetting { MaxCalls, ReductionFraction, TerminalFrequency, FileFrequency };

// What a command that opens the editor can lock: the three parameter
// columns, then the run settings.  A locked item shows its value and refuses
// every change.
enum class EditorLock {
    Values = 1,
    Steps = 2,
    Fuses = 3,
    Tolerance = 4,
    MaxCalls = 5,
    ReductionFraction = 6,
    TerminalFrequency = 7,
    FileFrequency = 8,
    LogFile = 9,  // "&Open" and "&Close"
};
inline constexpr int kEditorLocks = 9;

// What became of an entry in a setting box.  Restored and Refused show the
// previous value again; after a refusal the focus goes back to the box.
enum class SettingResult { Stored, Unchanged, Restored, Refused };

namespace editor {
inline constexpr const char* HelpLine =
    "Double-click to edit a Value, Step or Fuse, or double-click the column heading to change them all";
inline constexpr const char* Note1 = "Note 1: A step size of zero freezes the value of the corresponding parameter";
inline constexpr const char* Note2 =
    "Note 2: Alphabetically fused parameters are co-estimated.  Only the parameter of lowest ordinal rank will have "
    "a non-zero step size.";
inline constexpr const char* EditAllCaption = "Edit all parameters";
inline constexpr const char* EditAllNote =
    "Note: If a parameter value is set to zero then the step size is set at the chosen proportionality constant";
inline constexpr const char* LogFrame = "A log file will record the output of a minimization in progress";
}  // namespace editor

class AlgorithmEditor {
public:
    explicit AlgorithmEditor(Workbench& wb);
    AlgorithmEditor(const AlgorithmEditor&) = delete;
    AlgorithmEditor& operator=(const AlgorithmEditor&) = delete;

    // Shows the "Edit all parameters" dialogue; its buttons call the
    // Change... operations below.
    std::function<void()> showEditAll;
    // The editor has closed (after its closing message and run set-up).
    std::function<void()> onClosed;

    // Opening: run set-up, proportionality constant 0.1 if zero, caption,
    // a fresh grid without red marks.
    void Open();
    bool IsOpen() const { return open_; }
    // Closing (button, menu or window): the closing message, run set-up, onClosed.
    void Finish();

    const std::string& Caption() const { return caption_; }

    // --- locks ---
    void SetLock(EditorLock item, bool locked);
    bool Locked(EditorLock item) const;
    // Items 4 to 9: only the parameter table can be edited.
    void LockRunSettings(bool locked);
    bool CellLocked(EditorColumn column) const;
    bool ToleranceEnabled() const { return !Locked(EditorLock::Tolerance); }
    bool SettingEnabled(EditorSetting setting) const;
    double Proportion() const { return proportion_; }

    // --- grid: one heading row, one row per parameter (rows from 1) ---
    static const std::vector<std::string>& Headings();
    int Rows() const;
    std::string CellText(int row, EditorColumn column) const;
    bool IsRed(int row, EditorColumn column) const;
    static bool IsEditable(EditorColumn column);

    // The single-cell edit when the edit box loses focus.  False when the
    // entry was ignored and the cell keeps its content.
    bool EditCell(int row, EditorColumn column, const std::string& entry);
    // Double-click on a column heading.
    void HeadingDoubleClicked(EditorColumn column);
    void EditAllSteps();
    void EditAllFuses();

    // --- "Edit all parameters" ---
    void ChangeFreeValues();      // cmdFree
    void ChangeAllValues();       // cmdProp
    void ChangeValuesNotSteps();  // cmdNoProp
    bool ChangeProportion();      // Change_Fraction; false when cancelled
    void UnfuseAll();             // cmdUnFuse

    // --- run settings ---
    std::string ToleranceLabel() const;
    std::string ToleranceText() const;
    void ChangeTolerance();  // a click on the tolerance box
    std::string SettingText(EditorSetting setting) const;
    // Leaving a setting box with the given text.
    SettingResult LeaveSetting(EditorSetting setting, const std::string& entry);

    // --- run log ---
    bool LogOpen() const;
    std::string LogNameText() const;
    bool OpenButtonEnabled() const { return !LogOpen() && !Locked(EditorLock::LogFile); }
    bool CloseButtonEnabled() const { return LogOpen() && !Locked(EditorLock::LogFile); }
    bool FrequencyEnabled() const { return LogOpen() && !Locked(EditorLock::FileFrequency); }
    void OpenLog();
    void CloseLog();

    // The window re-renders after every change.
    void SetListener(std::function<void()> listener) { listener_ = std::move(listener); }

private:
    void BeginEdit();
    void Changed();
    void MarkRed(int row, EditorColumn column);
    // The proportional step: |value| x constant, or the constant for 0.
    double ProportionalStep(double value) const;
    // Stores a value; a change of at least 1E-10 turns the cell red.
    void StoreValue(int row, double value);
    bool StoreFuse(int row, const std::string& entry);
    // One number from a prompt: nullopt when the user cancelled; a
    // non-numeric answer asks again.
    std::optional<double> AskNumber(const std::string& title, const std::string& prompt,
                                    const std::string& defaultText);
    enum class StepRule { Proportional, Keep };
    void ChangeValues(const std::string& title, bool freeOnly, StepRule rule);

    Workbench& wb_;
    bool open_ = false;
    std::string caption_;
    double proportion_ = 0.0;
    Vec1<int> redMarks_;  // bit per column, one entry per parameter
    unsigned locks_ = 0;  // bit per EditorLock item
    std::function<void()> listener_;
};

// The fuse entry rule of the editor: trimmed and upper-cased, "~" becomes
// "~~"; accepted when "~~" or at most two characters whose first and last
// are letters A to Z.  nullopt when refused.
std::optional<std::string> AcceptFuseEntry(const std::string& entry);

}  // namespace corvane
