#pragma once
// The rules of the model's set-up dialogue, without a toolkit: field texts,
// list contents, enabling, the check boxes that clear each other, the
// first-cell check and OK with its checks and engine steps.  The window shows
// this state and forwards the user's actions here.
#include <optional>
#include <string>
#include <vector>

#include "model/GrowthData.h"
#include "model/GrowthSettings.h"

namespace corvane {

class Workbench;
class GrowthModel;

// A set-up the model cannot work with, refused before anything is read into
// the model.  The field lets a front end name its own control or option.
struct SetupRefusal {
    enum class Field { AgeDifference, BirthDay, FirstCell, Series };
    Field field;
    long long limit = 0;  // the frequency file's cells (FirstCell) or series (Series)
    std::string text;     // the dialogue's message
};

// The refusals for a set-up with a frequency file: years between age-classes
// not above 0, a birth day outside 1-365, a first cell beyond the file's
// cells, more series than the file holds.  A file that the model's reader
// refuses is left to it, which says why.
std::optional<SetupRefusal> UnworkableSetup(const GrowthSetup& setup);

// What the status bar says once the model has read its data: how many
// increment records in how many sets, how many frequency series over how many
// cells, and which cells are left out and why.
std::string DataReadText(const GrowthSettings& settings, const GrowthData& data);

class InitializeForm {
public:
    InitializeForm(Workbench& wb, GrowthModel& model);

    // --- fixed texts ---------------------------------------------------------
    static constexpr const char* kCaption = "Initialize age modal size frequency and growth increment model";
    // The main window's caption while the dialogue is open.
    static constexpr const char* kMainCaption =
        "Multi-distribution annually-pulsed size frequency data, and growth increment data, model";
    static constexpr int kLeftTwips = 1500;
    static constexpr int kTopTwips = 2000;
    static std::string FrequencyFormatText();
    static std::string IncrementFormatText();
    static constexpr const char* kNoteLabel = "Note: objective function is -2 ln[likelihood]";

    struct ControlText {
        std::string name;
        std::string caption;
        std::string toolTip;
    };
    static const std::vector<ControlText>& Controls();
    static const ControlText& Control(const std::string& name);

    // --- list contents --------------------------------------------------------
    static std::vector<std::string> SeriesList();      // 1..50
    static std::vector<std::string> BirthDayList();    // 1..365
    static std::vector<std::string> IdentifiedList();  // 1..8
    static std::vector<std::string> BlendedList();     // 0, 5, 10, 20, 50, 99
    static std::vector<std::string> FirstCellList();   // 1..10

    // --- editable texts (the combo boxes and text boxes) ---------------------
    std::string series = "0";
    std::string identified = "0";
    std::string blended = "0";
    std::string firstCell = "1";
    std::string birthDay = "1";
    std::string age1 = "1";
    std::string ageDiff = "1";

    // --- options ---------------------------------------------------------------
    enum class Edge { Zero, Truncated };  // OptZero, OptMissing
    Edge edge = Edge::Zero;
    enum class Errors { Gaussian, Gamma };  // optGaussian, optGamma
    Errors errors = Errors::Gaussian;
    enum class AgeBox { ForceNormal, ForceJoint, ForceGamma };
    bool Checked(AgeBox box) const;
    // Checking a box clears the other two.
    void SetChecked(AgeBox box, bool checked);

    // --- state shown by the window --------------------------------------------
    const std::string& FrequencyPath() const { return frequencyPath_; }
    const std::string& IncrementPath() const { return incrementPath_; }
    bool Enabled(const std::string& control) const;
    // The control that should get the focus after the last action ("" for none).
    std::string focus;

    // --- actions -----------------------------------------------------------------
    // "Load &Frequencies" / "Load &Increments": file dialogue, then the choice.
    void LoadFrequencies();
    void LoadIncrements();
    // What a chosen file does (also the command line's way in).
    void ChooseFrequencyFile(const std::string& path);
    void ChooseIncrementFile(const std::string& path);
    // The first-cell field's own check (the window runs it when the field loses focus).
    void CheckFirstCell();

    // UnworkableSetup on the current fields (nullopt while a field is not a
    // number: OK reports that).  OK refuses the same set-ups with the text, in
    // a box titled kRefusalTitle.
    std::optional<SetupRefusal> Unworkable() const;
    static constexpr const char* kRefusalTitle = "Initialize";

    enum class Outcome { StayOpen, Initialised };
    // OK: checks, then the model's initialisation and the engine's resets.
    // StayOpen when a check failed or the model abandoned the initialisation.
    Outcome Ok();
    // Cancel: nothing is initialised.
    void Cancel() {}

private:
    // The fields as numbers; a field that is not one is reported (when show
    // is true) and gives false.
    bool ReadSetup(GrowthSetup& setup, bool show) const;
    bool Missing(const std::string& text, bool show = true) const;

    Workbench& wb_;
    GrowthModel& model_;
    std::string frequencyPath_;
    std::string incrementPath_;
    bool frequencyControls_ = false;
    bool errorOptions_ = false;
    bool checked_[3] = {false, false, false};
};

}  // namespace corvane
