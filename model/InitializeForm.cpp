#include "model/InitializeForm.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <optional>

#include "engine/modCorvane.h"
#include "model/GrowthModel.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"
#include "platform/TextFile.h"

namespace corvane {

namespace {

std::vector<std::string> Range(int first, int last) {
    std::vector<std::string> list;
    for (int i = first; i <= last; ++i) list.push_back(NumberText(i));
    return list;
}

const char* kFrequencyControls[] = {"cboFirst",      "cboSeries",     "cboBirthDay",    "cboIDAges",
                                    "cboBlendedAges", "fraDataChoice", "OptZero",        "OptMissing",
                                    "chkForceNormal", "chkForceJoint", "chkForceGamma", "txtAge1",
                                    "txtAgeDiff"};

}  // namespace

namespace {

std::string Count(long long n, const std::string& one, const std::string& many) {
    return NumberText(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::string DataReadText(const GrowthSettings& settings, const GrowthData& data) {
    std::string text = "Data read: ";
    if (settings.HasIncrements()) {
        const IncrementData& d = data.increments;
        int sets = 0;
        for (int s = 0; s <= d.setCount.size(); ++s)
            if (d.setCount[s] > 0) ++sets;
        text += Count(d.records, "increment record", "increment records") + " in " + Count(sets, "set", "sets");
        // Implausible records are read, but the status says so.
        for (const std::string& warning : PlausibilityWarnings(d)) text += "; warning: " + warning;
    }
    if (settings.HasFrequencies()) {
        const FrequencyData& d = data.frequencies;
        if (settings.HasIncrements()) text += "; ";
        text += Count(settings.series, "frequency series", "frequency series") + " over " +
                Count(d.cells, "cell", "cells");
        const int before = std::min(settings.firstCell - 1, d.cells);
        if (before > 0)
            text += std::string(" (") + (before == 1 ? "cell 1" : "cells 1-" + NumberText(before)) +
                    " left out: before the first cell evaluated)";
    }
    return text;
}

InitializeForm::InitializeForm(Workbench& wb, GrowthModel& model) : wb_(wb), model_(model) {}

std::string InitializeForm::FrequencyFormatText() {
    std::string t;
    for (const char* line : {"The record input format for the size frequency midpoint, then frequency, is:",
                             "########,########,########,########,########,########,########,########,... etc.",
                             "Maximum number of frequency cells is 250.  Frequency cell midpoints MUST",
                             "represent a size range that begins at 0, e.g. 0.5, 1.5,...  or 2.5, 5.0,...  etc.", "",
                             "Note that the first record is skipped since it is assumed to contain field labels."})
        t += std::string(line) + CRLF;
    return t;
}

std::string InitializeForm::IncrementFormatText() {
    std::string t;
    for (const char* line :
         {"Increment records: The record input format for increment set #, then initial size,",
          "then increment, then start day of the year, then end day of the year, is:",
          "'######,######,######,######,######'.  Maximum number of",
          "increments is 1200.  For proper and efficient performance increment records",
          "MUST be sorted by set number, then initial size, then increment.  Day 0 MUST",
          "be 31 Dec of the year prior to those years for which increment data have been",
          "obtained.  If analyzing size-at-age data as increments, then initial size is 0, the",
          "increment is the size-at-age, the start day of year is 0 (years) and the end day",
          "of year is the age (years) of the individual.  Only when using this analytical ",
          "approach are t0 or the increment selectivity parameters estimated.", "",
          "Note that the first record is skipped since it is assumed to contain field labels."})
        t += std::string(line) + CRLF;
    return t;
}

const std::vector<InitializeForm::ControlText>& InitializeForm::Controls() {
    static const std::vector<ControlText> controls = {
        {"fraErrors", "Choose increment error distribution:", ""},
        {"optGamma", "Gamma (b>=0)", "A gamma distribution will, by definition, constrain expected increments to be > 0"},
        {"optGaussian", "Gaussian (iff b=0)",
         "A normal distribution is truncated so expected increments stay > 0 as size approaches L-infinity"},
        {"fraDataChoice", "Describe frequency data", ""},
        {"chkForceNormal", "Choose age modes to be a Gaussian distribution (fastest)",
         "A faster and perhaps more appropriate model for age-classes distributions"},
        {"chkForceJoint", "Choose age modes to be the joint distribution of L and k (slowest)",
         "Can be a tedious minimization, recommend you make a different choice if it suits the data; problems can "
         "arise when E[k] > 5*SD[k]"},
        {"chkForceGamma", "Choose age modes to be a gamma distribution",
         "A faster and perhaps more appropriate model for age-classes distributions; recommend use only when E[k] < "
         "5*SD[k]"},
        {"OptZero", "Frequency values are assumed to be zero beyond the extremes of the sampled distribution", ""},
        {"OptMissing", "The frequency distribution has been truncated at its extremes", ""},
        {"cboBirthDay", "Please enter the birth day in the year (1-365; January 1=1):", ""},
        {"cboBlendedAges",
         "Number of blended (unidentifiable and older) age-classes whose proportions are determined by a Weibull "
         "mortality rate function):",
         "The means and SDs of unidentifiable modes in the size frequency data are determined by the growth function"},
        {"cboIDAges", "Number of young identifiable age-classes (not cohorts) in the series:",
         "Though the modes are possibly clearly identifiable in the size frequency data, their means and SDs are still "
         "determined by the growth function"},
        {"txtAge1", "Age of 1st (smallest) age-class:",
         "Assigned age (in years) on the assigned birth day for the first age-class in series 1 (whether or not it's "
         "present in the data) "},
        {"txtAgeDiff", "Years between age-classes:", "Time (in years) between consecutive age-classes in each series"},
        {"cboSeries", "Number of frequency series:",
         "The number of size frequency series to be read and statistically evaluated"},
        {"cboFirst", "First frequency cell evaluated:", "Only this and larger cells will be statistically evaluated for fit"},
        {"frmtFreqs", "Frequency records:", ""},
        {"frmtIncs", "Increment records: ", ""},
        {"lblFrequencyPath", "Frequency data file:", ""},
        {"lblIncrementPath", "Increment data file:", ""},
        {"cmdFrequency", "Load &Frequencies", ""},
        {"cmdIncrement", "Load &Increments", ""},
        {"cmdOK", "OK", ""},
        {"cmdCancel", "&Cancel", ""},
    };
    return controls;
}

const InitializeForm::ControlText& InitializeForm::Control(const std::string& name) {
    static const ControlText none;
    for (const auto& c : Controls())
        if (c.name == name) return c;
    return none;
}

std::vector<std::string> InitializeForm::SeriesList() { return Range(1, 50); }
std::vector<std::string> InitializeForm::BirthDayList() { return Range(1, 365); }
std::vector<std::string> InitializeForm::IdentifiedList() { return Range(1, 8); }
std::vector<std::string> InitializeForm::BlendedList() { return {"0", "5", "10", "20", "50", "99"}; }
std::vector<std::string> InitializeForm::FirstCellList() { return Range(1, 10); }

bool InitializeForm::Checked(AgeBox box) const { return checked_[static_cast<int>(box)]; }

void InitializeForm::SetChecked(AgeBox box, bool checked) {
    if (checked)
        for (bool& c : checked_) c = false;
    checked_[static_cast<int>(box)] = checked;
}

bool InitializeForm::Enabled(const std::string& control) const {
    if (control == "optGaussian" || control == "optGamma" || control == "fraErrors") return errorOptions_;
    for (const char* name : kFrequencyControls)
        if (control == name) return frequencyControls_;
    return true;
}

void InitializeForm::ChooseFrequencyFile(const std::string& path) {
    frequencyPath_ = path;
    frequencyControls_ = true;
}

void InitializeForm::ChooseIncrementFile(const std::string& path) {
    incrementPath_ = path;
    errorOptions_ = true;
    errors = Errors::Gaussian;
}

namespace {

// Both "Load" buttons ask the same way; only the title differs.
std::optional<std::string> AskForDataFile(Dialogs& dialogs, const char* title) {
    FileRequest request;
    request.title = title;
    request.filter = "All files (*.*)|*.*|Data files (*.dat, *.csv)|*.dat;*.csv";
    request.selectedFilter = 2;
    auto path = dialogs.FileDialog(request);
    if (path && path->empty()) path.reset();
    return path;
}

}  // namespace

void InitializeForm::LoadFrequencies() {
    if (const auto path = AskForDataFile(wb_.ports.dialogs, "Load frequency data file")) ChooseFrequencyFile(*path);
}

void InitializeForm::LoadIncrements() {
    if (const auto path = AskForDataFile(wb_.ports.dialogs, "Load increment data file")) ChooseIncrementFile(*path);
}

void InitializeForm::CheckFirstCell() {
    const auto value = StrictNumber(firstCell);
    if (value && *value >= 1.0) return;
    wb_.ports.dialogs.MessageBox("Initialize",
                                 value ? "First frequency cell must be positive" : "First frequency cell must be an integer",
                                 Buttons::OK, Icon::Exclamation);
    firstCell = "1";
    focus = "cboFirst";
}

bool InitializeForm::Missing(const std::string& text, bool show) const {
    if (show) wb_.ports.dialogs.MessageBox("Missing input", text, Buttons::OK, Icon::Information);
    return false;
}

bool InitializeForm::ReadSetup(GrowthSetup& setup, bool show) const {
    auto whole = [&](const std::string& text, const std::string& what, long long& out) {
        const auto v = StrictNumber(text);
        if (!v || std::floor(*v) != *v || std::fabs(*v) > 1e9)
            return Missing("Please enter a whole number for the " + what, show);
        out = static_cast<long long>(*v);
        return true;
    };
    auto number = [&](const std::string& text, const std::string& what, double& out) {
        const auto v = StrictNumber(text);
        if (!v) return Missing("Please enter a number for the " + what, show);
        out = *v;
        return true;
    };
    setup.frequencyPath = frequencyPath_;
    setup.incrementPath = incrementPath_;
    if (!whole(series, "number of frequency series", setup.series)) return false;
    if (!whole(identified, "number of identifiable age-classes", setup.identified)) return false;
    if (!whole(blended, "number of blended age-classes", setup.blended)) return false;
    if (!whole(birthDay, "birth day", setup.birthDay)) return false;
    if (!whole(firstCell, "first frequency cell evaluated", setup.firstCell)) return false;
    if (!number(age1, "age of the first age-class", setup.age1)) return false;
    if (!number(ageDiff, "years between age-classes", setup.ageDiff)) return false;
    setup.edge = edge == Edge::Truncated ? 'M' : '0';
    setup.ageModes = Checked(AgeBox::ForceNormal) ? AgeModeForm::Gaussian
                     : Checked(AgeBox::ForceGamma) ? AgeModeForm::Gamma
                                                   : AgeModeForm::Precise;
    setup.errors = errors == Errors::Gamma ? 'G' : 'N';
    return true;
}

namespace {

}  // namespace

std::optional<SetupRefusal> UnworkableSetup(const GrowthSetup& setup) {
    using Field = SetupRefusal::Field;
    if (setup.frequencyPath.empty()) return std::nullopt;
    if (!(setup.ageDiff > 0.0))
        return SetupRefusal{Field::AgeDifference, 0, "The years between age-classes must be above 0"};
    if (setup.birthDay < 1 || setup.birthDay > 365)
        return SetupRefusal{Field::BirthDay, 0, "The birth day must be a day of the year from 1 to 365"};
    // Counts beyond the model's limits are refused by CheckSetup, before any
    // table is sized by them.
    if (CheckSetup(setup)) return std::nullopt;
    const auto shape = FrequencyFileShapeOf(setup.frequencyPath);
    // A file the model's reader refuses is left to it: its message says more,
    // unless the file simply holds fewer series than asked for (its lines
    // then stop before the fields of the missing series).  The probe reads no
    // more series than any line holds, so an absurd count takes no memory here.
    FrequencyData probe;
    const int firstCell = setup.firstCell < 1 ? 1 : static_cast<int>(setup.firstCell);
    const long long probeSeries = shape ? std::min(setup.series, std::max<long long>(shape->series, 1)) : setup.series;
    const bool refused =
        ReadFrequencyFile(setup.frequencyPath, static_cast<int>(probeSeries), firstCell, probe).has_value();
    if (!shape || (refused && (shape->series == 0 || setup.series <= shape->series))) return std::nullopt;
    // Beyond the file's cells the first cell would leave nothing to fit; with
    // more series than the file holds, the missing ones would be read as
    // empty series.
    if (!refused && shape->cells > 0 && setup.firstCell > shape->cells)
        return SetupRefusal{Field::FirstCell, shape->cells,
                            "The first frequency cell evaluated, " + NumberText(setup.firstCell) + ", is beyond the " +
                                NumberText(shape->cells) + " cells of the frequency file"};
    if (setup.series > shape->series)
        return SetupRefusal{Field::Series, shape->series,
                            "The frequency file holds " + NumberText(shape->series) + " series, fewer than the " +
                                NumberText(setup.series) + " asked for"};
    return std::nullopt;
}

std::optional<SetupRefusal> InitializeForm::Unworkable() const {
    GrowthSetup setup;
    if (!ReadSetup(setup, false)) return std::nullopt;
    return UnworkableSetup(setup);
}

InitializeForm::Outcome InitializeForm::Ok() {
    if (Trim(series).empty()) series = "0";
    if (Trim(identified).empty()) identified = "0";
    if (Trim(blended).empty()) blended = "0";
    if (Trim(birthDay).empty()) birthDay = "1";

    const bool frequencies = !frequencyPath_.empty();
    if (!frequencies && incrementPath_.empty()) {
        Missing("Please specify the frequency file and/or increment file");
        return Outcome::StayOpen;
    }
    if (frequencies && Trim(firstCell).empty()) {
        Missing("Please specify the 1st frequency cell to be evaluated");
        return Outcome::StayOpen;
    }
    GrowthSetup setup;
    if (!ReadSetup(setup, true)) return Outcome::StayOpen;
    if (frequencies && setup.series == 0) {
        Missing("Please enter a non-zero value for the number of series");
        return Outcome::StayOpen;
    }
    if (frequencies && setup.identified == 0 && setup.blended == 0) {
        Missing("Please enter a non-zero value for either or both of the identified or blended age-classes");
        return Outcome::StayOpen;
    }
    if (const auto problem = CheckSetup(setup)) {
        wb_.ports.dialogs.MessageBox(problem->title, problem->text, Buttons::OK, Icon::Exclamation);
        return Outcome::StayOpen;
    }
    if (const auto refusal = UnworkableSetup(setup)) {
        wb_.ports.dialogs.MessageBox(kRefusalTitle, refusal->text, Buttons::OK, Icon::Exclamation);
        focus = refusal->field == SetupRefusal::Field::AgeDifference ? "txtAgeDiff"
                : refusal->field == SetupRefusal::Field::BirthDay    ? "cboBirthDay"
                : refusal->field == SetupRefusal::Field::FirstCell   ? "cboFirst"
                                                                     : "cboSeries";
        return Outcome::StayOpen;
    }

    model_.SetPendingSettings(setup);
    // Fuses expanded, MODEL with NF = 0, per-parameter arrays and priors reset.
    if (!InitialiseModel(wb_)) return Outcome::StayOpen;
    wb_.ports.status.Set(panels::PriorsFile, "Bayesian priors file: ");
    wb_.ports.status.Set(panels::FrequencyFile, "Frequency file: " + frequencyPath_);
    wb_.ports.status.Set(panels::IncrementFile, "Increment file: " + incrementPath_);
    wb_.ports.status.Set(panels::DataRead, DataReadText(model_.Settings(), model_.Data()));
    focus = "cmdLoad";
    return Outcome::Initialised;
}

}  // namespace corvane
