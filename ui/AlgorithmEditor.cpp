#include "ui/AlgorithmEditor.h"

#include <cmath>
#include <cstdint>

#include "engine/modCorvane.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"

namespace corvane {

namespace {

constexpr double kChanged = 1e-10;  // smallest change that turns a cell red

int Bit(EditorColumn column) { return 1 << static_cast<int>(column); }

std::string GridNumber(double v) { return v == 0.0 ? std::string("0") : Format(v, "0.0000E+00"); }

bool IsLetter(char c) { return c >= 'A' && c <= 'Z'; }

unsigned LockBit(EditorLock item) { return 1u << static_cast<int>(item); }

EditorLock SettingLock(EditorSetting setting) {
    switch (setting) {
        case EditorSetting::MaxCalls: return EditorLock::MaxCalls;
        case EditorSetting::ReductionFraction: return EditorLock::ReductionFraction;
        case EditorSetting::TerminalFrequency: return EditorLock::TerminalFrequency;
        case EditorSetting::FileFrequency: return EditorLock::FileFrequency;
    }
    return EditorLock::MaxCalls;
}

}  // namespace

std::optional<std::string> AcceptFuseEntry(const std::string& entry) {
    std::string code = ToUpper(Trim(entry));
    if (code == "~") code = kUnfused;
    if (code == kUnfused) return code;
    if (!code.empty() && code.size() <= 2 && IsLetter(code.front()) && IsLetter(code.back())) return code;
    return std::nullopt;
}

AlgorithmEditor::AlgorithmEditor(Workbench& wb) : wb_(wb) {}

void AlgorithmEditor::Changed() {
    if (listener_) listener_();
}

void AlgorithmEditor::BeginEdit() {
    // New values make stored covariances stale and an existing simplex useless.
    wb_.app.covarianceCurrent = false;
    wb_.alg.simplexCurrent = false;
}

void AlgorithmEditor::Open() {
    SetUpRun(wb_.alg, wb_.engine);
    if (proportion_ == 0.0) proportion_ = 0.1;
    caption_ = "Algorithm data file name is:  " + wb_.alg.fileName;
    redMarks_.resize(Rows(), 0);
    open_ = true;
    Changed();
}

void AlgorithmEditor::Finish() {
    if (!open_) return;
    wb_.ports.dialogs.MessageBox("Just so you know", "Algorithm data, if changed, have been updated", Buttons::OK,
                                 Icon::Information);
    SetUpRun(wb_.alg, wb_.engine);
    open_ = false;
    Changed();
    if (onClosed) onClosed();
}

// --- locks -------------------------------------------------------------------

void AlgorithmEditor::SetLock(EditorLock item, bool locked) {
    if (locked)
        locks_ |= LockBit(item);
    else
        locks_ &= ~LockBit(item);
    Changed();
}

bool AlgorithmEditor::Locked(EditorLock item) const { return (locks_ & LockBit(item)) != 0; }

void AlgorithmEditor::LockRunSettings(bool locked) {
    for (int item = static_cast<int>(EditorLock::Tolerance); item <= kEditorLocks; ++item)
        SetLock(static_cast<EditorLock>(item), locked);
}

bool AlgorithmEditor::CellLocked(EditorColumn column) const {
    switch (column) {
        case EditorColumn::Value: return Locked(EditorLock::Values);
        case EditorColumn::Step: return Locked(EditorLock::Steps);
        case EditorColumn::Fuse: return Locked(EditorLock::Fuses);
        default: return true;
    }
}

bool AlgorithmEditor::SettingEnabled(EditorSetting setting) const {
    if (setting == EditorSetting::FileFrequency) return FrequencyEnabled();
    return !Locked(SettingLock(setting));
}

// --- grid -------------------------------------------------------------------

const std::vector<std::string>& AlgorithmEditor::Headings() {
    static const std::vector<std::string> headings = {"Parameter", "Value", "Step", "Fuse",
                                                      "Parameter description [null value; valid values]"};
    return headings;
}

int AlgorithmEditor::Rows() const {
    const AlgorithmData& a = wb_.alg;
    int n = a.np;
    if (a.value.size() < n) n = a.value.size();
    if (a.step.size() < n) n = a.step.size();
    if (a.fuse.size() < n) n = a.fuse.size();
    return n < 0 ? 0 : n;
}

std::string AlgorithmEditor::CellText(int row, EditorColumn column) const {
    if (row < 1 || row > Rows()) return "";
    const AlgorithmData& a = wb_.alg;
    switch (column) {
        case EditorColumn::Parameter: return NumberText(row);
        case EditorColumn::Value: return GridNumber(a.value[row]);
        case EditorColumn::Step: return GridNumber(a.step[row]);
        case EditorColumn::Fuse: return a.fuse[row];
        case EditorColumn::Description: return row <= a.description.size() ? a.description[row] : std::string();
    }
    return "";
}

bool AlgorithmEditor::IsRed(int row, EditorColumn column) const {
    if (row < 1 || row > redMarks_.size()) return false;
    return (redMarks_[row] & Bit(column)) != 0;
}

bool AlgorithmEditor::IsEditable(EditorColumn column) {
    return column == EditorColumn::Value || column == EditorColumn::Step || column == EditorColumn::Fuse;
}

void AlgorithmEditor::MarkRed(int row, EditorColumn column) {
    if (redMarks_.size() < Rows()) redMarks_.resizePreserve(Rows(), 0);
    redMarks_[row] |= Bit(column);
}

double AlgorithmEditor::ProportionalStep(double value) const {
    return value == 0.0 ? proportion_ : std::fabs(value) * proportion_;
}

void AlgorithmEditor::StoreValue(int row, double value) {
    const double old = wb_.alg.value[row];
    wb_.alg.value[row] = value;
    if (std::fabs(value - old) >= kChanged) MarkRed(row, EditorColumn::Value);
}

bool AlgorithmEditor::StoreFuse(int row, const std::string& entry) {
    const auto code = AcceptFuseEntry(entry);
    if (!code || *code == wb_.alg.fuse[row]) return false;
    wb_.alg.fuse[row] = *code;
    MarkRed(row, EditorColumn::Fuse);
    return true;
}

bool AlgorithmEditor::EditCell(int row, EditorColumn column, const std::string& entry) {
    if (row < 1 || row > Rows() || !IsEditable(column) || CellLocked(column)) return false;
    BeginEdit();
    bool stored = false;
    if (column == EditorColumn::Fuse) {
        stored = StoreFuse(row, entry);
    } else if (const auto v = StrictNumber(entry)) {
        if (column == EditorColumn::Value) {
            StoreValue(row, *v);
            wb_.alg.step[row] = ProportionalStep(*v);
        } else {
            const double old = wb_.alg.step[row];
            wb_.alg.step[row] = *v;
            if (std::fabs(*v - old) >= kChanged) MarkRed(row, EditorColumn::Step);
        }
        stored = true;
    }
    Changed();
    return stored;
}

void AlgorithmEditor::HeadingDoubleClicked(EditorColumn column) {
    if (CellLocked(column)) return;
    switch (column) {
        case EditorColumn::Value:
            if (showEditAll) showEditAll();
            break;
        case EditorColumn::Step: EditAllSteps(); break;
        case EditorColumn::Fuse: EditAllFuses(); break;
        default: break;
    }
}

std::optional<double> AlgorithmEditor::AskNumber(const std::string& title, const std::string& prompt,
                                                 const std::string& defaultText) {
    while (true) {
        const std::string answer = wb_.ports.dialogs.InputPrompt(title, prompt, defaultText);
        if (answer.empty()) return std::nullopt;
        if (const auto v = StrictNumber(answer)) return v;
    }
}

void AlgorithmEditor::EditAllSteps() {
    if (Locked(EditorLock::Steps)) return;
    BeginEdit();
    for (int i = 1; i <= Rows(); ++i) {
        const auto v = AskNumber("Edit all step sizes", "Enter new step size for parameter #" + NumberText(i),
                                 NumberText(wb_.alg.step[i]));
        if (!v) break;
        const double old = wb_.alg.step[i];
        wb_.alg.step[i] = *v;
        if (std::fabs(*v - old) >= kChanged) MarkRed(i, EditorColumn::Step);
        Changed();
    }
    Changed();
}

void AlgorithmEditor::EditAllFuses() {
    if (Locked(EditorLock::Fuses)) return;
    BeginEdit();
    for (int i = 1; i <= Rows(); ++i) {
        const std::string answer = wb_.ports.dialogs.InputPrompt(
            "Edit all parameter fuse characters",
            "Enter new alphabetical fuse character(s) (e.g., A,B,AA,AB,...) or the null character [~~, unfused] for "
            "parameter #" +
                NumberText(i),
            wb_.alg.fuse[i]);
        if (answer.empty()) break;
        StoreFuse(i, answer);
        Changed();
    }
    Changed();
}

// --- "Edit all parameters" --------------------------------------------------

void AlgorithmEditor::ChangeValues(const std::string& title, bool freeOnly, StepRule rule) {
    for (int i = 1; i <= Rows(); ++i) {
        if (freeOnly && wb_.alg.step[i] == 0.0) continue;
        const auto v = AskNumber(title, "Enter the new value of parameter #" + NumberText(i),
                                 NumberText(wb_.alg.value[i]));
        if (!v) break;  // Cancel keeps the values entered so far
        StoreValue(i, *v);
        if (rule == StepRule::Proportional) wb_.alg.step[i] = ProportionalStep(*v);
        Changed();
    }
    Changed();
}

void AlgorithmEditor::ChangeFreeValues() {
    if (Locked(EditorLock::Values)) return;
    BeginEdit();
    if (!ChangeProportion()) return;
    ChangeValues("Edit free parameter values", true, StepRule::Proportional);
}

void AlgorithmEditor::ChangeAllValues() {
    if (Locked(EditorLock::Values)) return;
    BeginEdit();
    if (!ChangeProportion()) return;
    ChangeValues("Edit all parameter values", false, StepRule::Proportional);
}

void AlgorithmEditor::ChangeValuesNotSteps() {
    if (Locked(EditorLock::Values)) return;
    BeginEdit();
    ChangeValues("Edit a parameter value", false, StepRule::Keep);
}

bool AlgorithmEditor::ChangeProportion() {
    while (true) {
        const std::string answer = wb_.ports.dialogs.InputPrompt(
            "Change proportionality constant",
            std::string("Enter step size as a fraction of parameter values.") + CRLF +
                "A proportion of 0 will default to 0.1",
            NumberText(proportion_));
        if (answer.empty()) return false;
        const auto v = StrictNumber(answer);
        // A negative constant would give negative steps: ask again.
        if (!v || *v < 0.0) continue;
        proportion_ = *v == 0.0 ? 0.1 : *v;
        Changed();
        return true;
    }
}

void AlgorithmEditor::UnfuseAll() {
    if (Locked(EditorLock::Fuses)) return;
    BeginEdit();
    for (int i = 1; i <= Rows(); ++i) StoreFuse(i, kUnfused);
    Changed();
}

// --- run settings -----------------------------------------------------------

std::string AlgorithmEditor::ToleranceLabel() const {
    return wb_.alg.tolerance < 0.0 ? "Relative tolerance for convergence (TC):"
                                   : "Absolute tolerance for convergence (TC):";
}

std::string AlgorithmEditor::ToleranceText() const { return Format(std::fabs(wb_.alg.tolerance), "0.000E+00"); }

void AlgorithmEditor::ChangeTolerance() {
    if (Locked(EditorLock::Tolerance)) return;
    BeginEdit();
    const char* title = "Change the tolerance for convergence";
    bool relative = wb_.alg.tolerance < 0.0;
    const Answer answer = wb_.ports.dialogs.MessageBox(
        title,
        std::string("Current tolerance type is ") + (relative ? "RELATIVE." : "ABSOLUTE.") + CRLF + CRLF +
            "Do you want to change to " + (relative ? "ABSOLUTE?" : "RELATIVE?"),
        Buttons::YesNo, Icon::Question);
    if (answer == Answer::Yes) relative = !relative;
    const double magnitude = std::fabs(wb_.alg.tolerance);
    const std::string entry = wb_.ports.dialogs.InputPrompt(
        title, "Current tolerance is " + Format(magnitude, "0.0E+00") + "  (Minimum allowed is 1E-06)",
        NumberText(magnitude));
    const auto v = StrictNumber(entry);
    if (!v) return;  // empty (Cancel) or not a number: the edit is abandoned
    double m = std::fabs(*v);
    if (m != 0.0 && m < 1e-6) m = 1e-6;
    wb_.alg.tolerance = relative ? -m : m;
    Changed();
}

std::string AlgorithmEditor::SettingText(EditorSetting setting) const {
    const AlgorithmData& a = wb_.alg;
    switch (setting) {
        case EditorSetting::MaxCalls: return NumberText(static_cast<long long>(a.maxCalls));
        case EditorSetting::ReductionFraction: return Format(a.reductionFraction, "0.####");
        case EditorSetting::TerminalFrequency: return NumberText(a.terminalFrequency);
        case EditorSetting::FileFrequency: return LogOpen() ? NumberText(a.fileFrequency) : std::string("0");
    }
    return "";
}

SettingResult AlgorithmEditor::LeaveSetting(EditorSetting setting, const std::string& entry) {
    // Passing through a box changes nothing (the box may show a rounded value).
    if (entry == SettingText(setting)) return SettingResult::Unchanged;
    if (Locked(SettingLock(setting))) {
        Changed();  // the value stays and is shown again
        return SettingResult::Restored;
    }
    if (setting == EditorSetting::FileFrequency && !LogOpen()) {
        Changed();
        return SettingResult::Restored;
    }
    BeginEdit();
    const auto v = StrictNumber(entry);
    if (!v) {
        Changed();  // the previous value is shown again
        return SettingResult::Restored;
    }
    auto refuse = [&](const char* title, const char* message) {
        wb_.ports.dialogs.MessageBox(title, message, Buttons::OK, Icon::Information);
        Changed();
        return SettingResult::Refused;
    };
    AlgorithmData& a = wb_.alg;
    switch (setting) {
        case EditorSetting::MaxCalls: {
            if (*v < 0.0)
                return refuse("Change the maximum # of function calls", "Maximum number of functions must be positive");
            const auto n = StrictInteger(entry, 0, INT32_MAX);
            if (!n) break;
            a.maxCalls = static_cast<std::int32_t>(*n);
            Changed();
            return SettingResult::Stored;
        }
        case EditorSetting::ReductionFraction:
            // A zero fraction would make the axial searches step nowhere.
            if (*v <= 0.0) return refuse("Change the step size reduction fraction", "Fraction must be positive");
            a.reductionFraction = *v;
            Changed();
            return SettingResult::Stored;
        case EditorSetting::TerminalFrequency: {
            if (*v < 0.0) return refuse("Change the terminal display frequency", "Frequency must be positive");
            const auto n = StrictInteger(entry, 0, 32767);
            if (!n) break;
            a.terminalFrequency = static_cast<int>(*n);
            Changed();
            return SettingResult::Stored;
        }
        case EditorSetting::FileFrequency: {
            if (*v < 0.0) return refuse("Change the file write frequency", "Frequency must be positive");
            const auto n = StrictInteger(entry, 0, 32767);
            if (!n) break;
            a.fileFrequency = static_cast<int>(*n);
            Changed();
            return SettingResult::Stored;
        }
    }
    Changed();  // out of range: the previous value is shown again
    return SettingResult::Restored;
}

// --- run log ------------------------------------------------------------------

bool AlgorithmEditor::LogOpen() const { return wb_.runLog.IsOpen(); }

std::string AlgorithmEditor::LogNameText() const { return LogOpen() ? wb_.alg.outputFileName : std::string(); }

void AlgorithmEditor::OpenLog() {
    if (LogOpen() || Locked(EditorLock::LogFile)) return;
    OpenRunLog(wb_);
    Changed();
}

void AlgorithmEditor::CloseLog() {
    if (!LogOpen() || Locked(EditorLock::LogFile)) return;
    CloseRunLog(wb_);
    Changed();
}

}  // namespace corvane
