#pragma once
// The rules of the ranking window (frmRank, "Model selection, ranking and
// averaging"): its grid, buttons, tool tips, labels, the C-hat box, the
// averaging box and every command behind them.  The window renders this
// state and forwards the user's actions; tests drive it without a display.
#include <functional>
#include <string>
#include <vector>

#include "ranking/ModelRanking.h"

namespace corvane {

class Workbench;

namespace rank {
inline constexpr const char* Caption = "Model selection, ranking and averaging";

inline constexpr const char* Calculate = "cmdCalculate";
inline constexpr const char* QAICc = "cmdQAICc";
inline constexpr const char* Rank = "cmdRank";
inline constexpr const char* Average = "cmdAverage";
inline constexpr const char* SaveRanks = "cmdSaveRanks";
inline constexpr const char* LoadAlg = "cmdLoadAlg";
inline constexpr const char* EditAlg = "cmdEditAlg";
inline constexpr const char* SaveAlg = "cmdSaveAlg";
inline constexpr const char* Bayesian = "cmdBayesian";
inline constexpr const char* Finish = "cmdFinish";

inline constexpr const char* AveragingLabel = "Averaging results >";
// The explanatory labels, top to bottom.
extern const char* const kLabels[6];

inline constexpr int kColumns = 10;
// Widths of the window's columns 6-9 in the window's width units (twips).
inline constexpr int kFileColumnTwips = 1600;
inline constexpr int kNotesColumnTwips = 9700;
}  // namespace rank

struct RankButton {
    std::string name;
    std::string caption;
    std::string toolTip;
    bool enabled = false;
    // False while the command behind it is not available in this session.
    bool available = true;
};

enum class CellAlignment { Centre, Left };
enum class TextColour { Normal, Red, Blue, Green };

class RankingForm {
public:
    explicit RankingForm(Workbench& wb);
    RankingForm(const RankingForm&) = delete;
    RankingForm& operator=(const RankingForm&) = delete;

    // What the desktop supplies.  A button whose command is missing stays
    // disabled.  Each opened window calls back when it closes.
    std::function<void()> openEditor;   // then EditorClosed()
    std::function<void()> openPriors;   // then PriorsClosed()
    std::function<void()> onFinished;   // the command menu comes back
    // Told of every algorithm file read successfully (the recent files).
    std::function<void(const std::string&)> algorithmOpened;

    // Opening: an empty list, C-hat 1, no averaging.
    void Open();
    bool IsOpen() const { return open_; }
    // The window is hidden while the constant is asked and while the editor
    // or the priors dialogue it opened is up.
    bool Visible() const { return visible_; }

    const RankingList& List() const { return list_; }
    int Count() const { return list_.Count(); }

    // --- grid: a heading row, then one row per model (rows from 1) ---
    int Rows() const { return Count(); }
    std::string Heading(int column) const;
    TextColour HeadingColour(int column) const;
    std::string CellText(int row, int column) const;
    static CellAlignment Alignment(int column);
    static std::string RowLabel(int row, int modelNumber);

    // --- buttons, C-hat and averaging boxes ---
    const std::vector<RankButton>& Buttons() const { return buttons_; }
    const RankButton& Button(const std::string& name) const;
    bool Enabled(const std::string& name) const { return Button(name).enabled; }
    std::string CHatText() const;
    TextColour CHatColour() const;
    bool Averaged() const { return averaged_; }
    const std::string& AveragingText() const { return averagingText_; }
    bool AveragingLabelEnabled() const { return averaged_; }
    // The control that should take the focus; the window takes it once.
    std::string TakeFocus();

    // --- the user's actions ---
    void Click(const std::string& name);
    // A double-click on a model row (row >= 1) in the given column.
    void DoubleClick(int row, int column);
    // Closing the window does what "&Finish" does.
    void Close() { Finish(); }
    void EditorClosed();
    void PriorsClosed();

    // The commands by themselves.
    void CalculateModelAICc();
    void CalculateQAICc();
    void RankCompetingModels();
    void AverageAcrossModels();
    // True when the file was written.
    bool SaveRanking();
    void LoadAlgorithm();
    void EditAlgorithm();
    void SaveAlgorithm();
    void SetPriors();
    void Finish();

    // What saving would keep that no file holds yet: empty while the models
    // are not ranked or the ranking file last written holds them as they
    // are; "they have not been saved", or what changed since the file was
    // written ("the ranking", "the averaged estimates").
    std::string UnsavedChanges() const;
    // The question "Do you want to save ranking results?" with what changed.
    std::string SaveQuestion() const;

    // The window re-renders after every change.
    void SetListener(std::function<void()> listener) { listener_ = std::move(listener); }

private:
    RankButton& Mutable(const std::string& name);
    void SetEnabled(const std::string& name, bool enabled);
    void ClearAveraging();
    // The buttons after the list or C-hat changed.
    void ListChanged();
    void Focus(const char* name) { focus_ = name; }
    void Changed();
    void SetVisible(bool visible);

    Workbench& wb_;
    RankingList list_;
    std::vector<RankButton> buttons_;
    bool open_ = false;
    bool visible_ = false;
    bool averaged_ = false;
    std::string averagingText_;
    std::string focus_;
    // The text of the ranking file last written in this window, and its path.
    std::string savedText_;
    std::string savedPath_;
    std::function<void()> listener_;
};

}  // namespace corvane
