#include "priors/PriorsEditor.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "engine/CovarianceConstant.h"
#include "engine/modCorvane.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"
#include "platform/TextFile.h"
#include "priors/PriorEntry.h"
#include "priors/PriorProfile.h"
#include "priors/PriorsFile.h"

namespace corvane {

namespace {

constexpr int Bit(int column) { return 1 << column; }
constexpr int kFirstTermCells = Bit(1) | Bit(2) | Bit(3);
constexpr int kBothTermCells = kFirstTermCells | Bit(4) | Bit(5);

std::string TermText(double v) { return IsUnset(v) ? std::string("*") : Format(v, "0.000E+000"); }

bool SecondTermUnset(const std::string& text) {
    const auto v = StrictNumber(text);
    return v && IsUnset(*v);
}

std::string SecondTermText(const std::string& text) { return SecondTermUnset(text) ? std::string("*") : text; }

}  // namespace

// --- editor ---------------------------------------------------------------

PriorsEditor::PriorsEditor(Workbench& wb) : wb_(wb), help_("frmHelp", "Help with prior distributions") {
    help_.monospaced = false;
    // The selected row's parameter is offered first.
    profilePriors = [this] { ProfilePriorDistributions(wb_, Parameter(selected_)); };
}

void PriorsEditor::Changed() {
    if (listener_) listener_();
}

void PriorsEditor::Open() {
    open_ = true;
    selected_ = 2;
    highlighted_ = false;
    red_.resize(wb_.priorTable.Size(), 0);
    wb_.Status(1, priors_editor::UnsetNote);
    Changed();
}

int PriorsEditor::Rows() const { return wb_.priorTable.Size() + 2; }

std::string PriorsEditor::CellText(int row, int column) const {
    if (row == 0) {
        switch (column) {
            case 1: return "Distribution";
            case 2: case 3: return "First term";
            case 4: case 5: return "Second term";
            default: return "";
        }
    }
    if (row == 1) {
        static const char* const headings[] = {"Parameter", "Type", "Mean", "SD",
                                               "Mean",      "SD",   "Parameter description [null value]"};
        return column >= 0 && column < priors_editor::Columns ? headings[column] : "";
    }
    const int i = Parameter(row);
    if (i < 1 || i > wb_.priorTable.Size()) return "";
    const PriorRow& r = wb_.priorTable.rows[i];
    switch (column) {
        case 0: return NumberText(i);
        case 1: return PriorTypeName(r.type);
        case 2: return TermText(r.firstMean);
        case 3: return TermText(r.firstSD);
        case 4: return SecondTermText(r.secondMean);
        case 5: return SecondTermText(r.secondSD);
        case 6: return i <= wb_.alg.description.size() ? wb_.alg.description[i] : std::string();
        default: return "";
    }
}

int PriorsEditor::SetCells(int row) const {
    const int i = Parameter(row);
    if (i < 1 || i > wb_.priorTable.Size()) return 0;
    return wb_.priorTable.rows[i].type == 'T' ? kBothTermCells : kFirstTermCells;
}

PriorCellColour PriorsEditor::NormalColour(int row, int column) const {
    const PriorRow& r = wb_.priorTable.rows[Parameter(row)];
    switch (column) {
        case 1: return r.type == 'U' ? PriorCellColour::Black : PriorCellColour::Blue;
        case 2: return IsUnset(r.firstMean) ? PriorCellColour::Black : PriorCellColour::Blue;
        case 3: return IsUnset(r.firstSD) ? PriorCellColour::Black : PriorCellColour::Blue;
        case 4:
        case 5: {
            const std::string& text = column == 4 ? r.secondMean : r.secondSD;
            return text == kUnusedTerm || SecondTermUnset(text) ? PriorCellColour::Black : PriorCellColour::Blue;
        }
        default: return PriorCellColour::Black;
    }
}

PriorCellColour PriorsEditor::CellColour(int row, int column) const {
    const int i = Parameter(row);
    if (i < 1 || i > wb_.priorTable.Size()) return PriorCellColour::Black;
    if (highlighted_ && row == selected_ && (SetCells(row) & Bit(column))) return PriorCellColour::Green;
    if (i <= red_.size() && (red_[i] & Bit(column))) return PriorCellColour::Red;
    return NormalColour(row, column);
}

bool PriorsEditor::CellCentred(int row, int column) const { return row < 2 || column != 6; }

int PriorsEditor::ColumnWidth(int column) {
    if (column == 1) return 1600;
    if (column == 6) return 6000;
    return 1000;
}

void PriorsEditor::Click(int row) {
    if (!open_) return;
    if (row < 2) row = 2;
    if (row >= Rows()) return;
    selected_ = row;
    highlighted_ = true;
    // Green replaces the red of this row; when the selection moves on, its
    // cells show their normal colours.
    const int i = Parameter(row);
    if (i <= red_.size()) red_[i] = 0;
    Changed();
}

void PriorsEditor::MoveSelection(int rows) {
    if (!open_ || Rows() <= 2) return;
    Click(std::clamp(selected_ + rows, 2, Rows() - 1));
}

bool PriorsEditor::Enter(char code) {
    if (!open_) return false;
    const int i = Parameter(selected_);
    if (i < 1 || i > wb_.priorTable.Size()) return false;
    if (!RunPriorEntry(wb_.ports.dialogs, code, i, wb_.priorTable.rows[i])) return false;
    if (red_.size() != wb_.priorTable.Size()) red_.resize(wb_.priorTable.Size(), 0);
    red_[i] = SetCells(selected_);
    highlighted_ = false;
    Changed();
    return true;
}

bool PriorsEditor::Save() { return WritePriorsFile(wb_, PriorsWriter::Editor); }

std::string PriorsEditor::HelpText() {
    const std::string nl = CRLF;
    return "For each parameter you can choose:" + nl +
           "   - the mean and SD of a Gaussian (i.e., Normal), exponential, Ln-normal, gamma or beta distribution," +
           nl + "   - the location (mean) of the foot of a left-side cliff or a right-side cliff, with its SD," + nl +
           "   - the feet of a uniform-bounded distribution, or" + nl +
           "   - the default, a uniform-unbounded distribution." + nl + nl +
           "First click a parameter in the grid, then choose its distribution from 'Edit prior distributions'." + nl +
           "The uniform-bounded distribution requires a mean and SD for both feet: the location of each foot" + nl +
           "and the SD of the drop at that foot." + nl + nl +
           "'Save prior distributions.' saves the priors in a Bayesian priors file (*.pri)." + nl +
           "'Profile prior distributions.' previews a parameter's prior distribution in plots." + nl +
           "'Finished' ends the editing of the priors." + nl + nl +
           "Note that unrequired values are labelled 'Unused' whereas unset values are assigned an asterisk (*).";
}

void PriorsEditor::Help() {
    help_.SetArea(1, HelpText());
    wb_.ports.windows.Show(help_);
}

bool PriorsEditor::RefreshConstant() {
    const std::int32_t n = wb_.dataCount;
    if (n <= 0) {
        AskCovarianceConstant(wb_, ConstantQuestionFor(wb_, 0.0, wb_.engine.nfree));
        return true;
    }
    SetUpRun(wb_.alg, wb_.engine);
    const int k = wb_.engine.nfree;
    const double freedom = static_cast<double>(n) - k - 1;
    if (freedom <= 0.0) {
        RefuseNonPositiveConstant(wb_);
        return false;
    }
    wb_.Status(1, "One moment please...");
    wb_.ports.dialogs.ProcessEvents();
    // The model's own objective: the prior total depends on the constant
    // being refreshed.
    Vec1<double> x = wb_.alg.value;
    ExpandFuses(x, wb_.alg, wb_.engine);
    const bool inUse = wb_.engine.priorsInUse;
    wb_.engine.priorsInUse = false;
    const double f = ObjectiveAt(wb_, x, nf::Once);
    wb_.engine.priorsInUse = inUse;
    wb_.Status(1, "");
    // The constant the constant dialogue would offer: the model's own
    // suggestion, else the sum-of-squares constant (N - K - 1) / (2 F).  Its
    // reciprocal is what scales the prior total.
    const double suggested = wb_.model ? wb_.model->SuggestedCovarianceConstant() : 0.0;
    if (suggested > 0.0) {
        wb_.priorTable.reciprocalConstant = 1.0 / suggested;
    } else if (f > 0.0 && std::isfinite(f)) {
        wb_.priorTable.reciprocalConstant = 2.0 * f / freedom;
    } else {
        AskCovarianceConstant(wb_, ConstantQuestionFor(wb_, f, k));
    }
    return true;
}

void PriorsEditor::Finish() {
    if (!open_) return;
    open_ = false;
    highlighted_ = false;
    Changed();
    wb_.Status(1, "");
    Dialogs& d = wb_.ports.dialogs;
    d.MessageBox("Just so you know", "Bayesian priors data, if changed, have been updated", Buttons::OK,
                 Icon::Information);
    bool showOpener = true;
    if (wb_.priorTable.AllUniformUnbounded()) {
        wb_.engine.priorsInUse = false;
    } else {
        if (d.MessageBox("Save Bayesian priors", "Save Bayesian priors now?", Buttons::YesNo, Icon::Question) ==
            Answer::Yes)
            WritePriorsFile(wb_, PriorsWriter::Editor);
        showOpener = RefreshConstant();
    }
    Changed();
    if (onFinished) onFinished(showOpener);
}

// --- dialogue -------------------------------------------------------------

PriorsDialogue::PriorsDialogue(Workbench& wb, PriorsEditor& editor) : wb_(wb), editor_(editor) {
    editor_.onFinished = [this](bool show) { Unload(show); };
}

void PriorsDialogue::Changed() {
    if (listener_) listener_();
}

void PriorsDialogue::Open(PriorsOpener opener) {
    loaded_ = true;
    visible_ = true;
    wb_.engine.priorsInUse = true;
    wb_.alg.simplexCurrent = false;  // the next Simplex builds a new simplex
    fromMenu_ = opener == PriorsOpener::CommandMenu;
    fromRanking_ = opener == PriorsOpener::Ranking;
    if (hideOpener) hideOpener(opener);
    Changed();
}

void PriorsDialogue::ShowOpener() {
    if (fromMenu_) {
        fromMenu_ = false;
        if (showOpener) showOpener(PriorsOpener::CommandMenu);
    }
    if (fromRanking_) {
        fromRanking_ = false;
        if (showOpener) showOpener(PriorsOpener::Ranking);
    }
}

void PriorsDialogue::Unload(bool showOpenerAgain) {
    loaded_ = false;
    visible_ = false;
    wb_.engine.priorsInUse = !wb_.priorTable.AllUniformUnbounded();
    if (showOpenerAgain) ShowOpener();
    Changed();
}

void PriorsDialogue::Close() {
    if (!loaded_) return;
    Unload(true);
}

void PriorsDialogue::OpenEditor() {
    editor_.Open();
    Changed();
}

void PriorsDialogue::OpenFile() {
    if (!loaded_) return;
    FileRequest request;
    request.save = false;
    request.title = "Load Bayesian Priors file";
    request.filter = std::string("All files (*.*)|*.*|") + "Bayesian priors files (*.pri)|*.pri";
    request.selectedFilter = 2;
    request.initialName = wb_.priorTable.fileName;
    const auto path = wb_.ports.dialogs.FileDialog(request);
    if (!path || path->empty()) return;
    OpenPath(*path);
}

void PriorsDialogue::OpenPath(const std::string& path) {
    if (!loaded_) return;
    std::ifstream in;
    if (const auto why = OpenTextFile(path, in)) {
        wb_.ports.dialogs.MessageBox("Load Bayesian Priors file",
                                     "The Bayesian priors file " + path + " could not be opened: it " + *why + ".",
                                     Buttons::OK, Icon::Exclamation);
        return;
    }
    // The opener stays hidden until the editor is finished.
    Unload(false);
    const bool loaded = ReadPriorsFile(wb_, path, in);
    if (loaded && fileOpened) fileOpened(path);
    OpenEditor();
    wb_.ports.status.Set(panels::PriorsFile, "Bayesian priors file: " + (loaded ? BareName(path) : std::string()));
}

void PriorsDialogue::DefaultPriors() {
    wb_.priorTable.ResetRows();
    wb_.ports.status.Set(panels::PriorsFile, "Bayesian priors file: ");
    wb_.engine.priorsInUse = false;
    wb_.ports.dialogs.MessageBox("Default prior probabilities",
                                 "Prior probabilities have been set to default (uniform-unbounded) values", Buttons::OK,
                                 Icon::Information);
    Unload(true);
}

void PriorsDialogue::SetOrReset() {
    if (!loaded_) return;
    visible_ = false;
    Changed();
    if (!wb_.priorTable.AllUniformUnbounded()) {
        OpenEditor();
        return;
    }
    const std::string nl = CRLF;
    const Answer answer = wb_.ports.dialogs.MessageBox(
        "Setting Bayesian Priors",
        "Bayesian prior distributions can be set for selected parameters.  A parameter for which no prior is "
        "specified has the default prior: uniform-unbounded." +
            nl + nl +
            "Note that a penalty function in Sub MODEL() that restricts a parameter to values greater than zero "
            "amounts to a prior like the 'cliff' distribution." +
            nl + nl +
            "Choose 'Yes' to set prior distributions for selected parameters; 'No' assumes uniform-unbounded priors "
            "for all parameters." +
            nl + nl + "Note: one Bayesian priors file applies to all the algorithm files of an analysis.",
        Buttons::YesNo, Icon::Question);
    if (answer != Answer::Yes) {
        DefaultPriors();
        return;
    }
    if (wb_.priorTable.fileName.empty()) wb_.priorTable.fileName = PriorsStamp(wb_.ports.clock);
    OpenEditor();
}

void PriorsDialogue::SetUniform() {
    if (!loaded_) return;
    visible_ = false;
    Changed();
    DefaultPriors();
}

}  // namespace corvane
