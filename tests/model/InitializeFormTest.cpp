// The set-up dialogue's rules, walked through scripted ports.
#include <gtest/gtest.h>

#include "GrowthTestSupport.h"

using namespace corvane;
using namespace corvane::testing;

using Form = InitializeForm;

TEST(InitializeForm, LoadingFilesEnablesTheirControls) {
    GrowthBench b;
    Form form(b.wb, b.model);
    EXPECT_FALSE(form.Enabled("cboSeries"));
    EXPECT_FALSE(form.Enabled("optGamma"));
    b.t.dialogs.ExpectFile("Load frequency data file", std::nullopt);  // cancelled: nothing changes
    form.LoadFrequencies();
    EXPECT_FALSE(form.Enabled("chkForceGamma"));
    EXPECT_EQ(b.t.dialogs.Last().request.filter, "All files (*.*)|*.*|Data files (*.dat, *.csv)|*.dat;*.csv");
    EXPECT_EQ(b.t.dialogs.Last().request.selectedFilter, 2);
    b.t.dialogs.ExpectFile("Load frequency data file", "/d/f.dat");
    form.LoadFrequencies();
    EXPECT_EQ(form.FrequencyPath(), "/d/f.dat");
    EXPECT_TRUE(form.Enabled("chkForceGamma"));
    EXPECT_TRUE(form.Enabled("txtAgeDiff"));
    EXPECT_FALSE(form.Enabled("optGaussian"));
    form.errors = Form::Errors::Gamma;
    b.t.dialogs.ExpectFile("Load increment data file", "/d/i.dat");
    form.LoadIncrements();
    EXPECT_TRUE(form.Enabled("optGamma"));
    EXPECT_EQ(form.errors, Form::Errors::Gaussian);  // selected on loading
}

TEST(InitializeForm, AgeModeBoxesClearEachOther) {
    GrowthBench b;
    Form form(b.wb, b.model);
    form.SetChecked(Form::AgeBox::ForceNormal, true);
    form.SetChecked(Form::AgeBox::ForceGamma, true);
    EXPECT_FALSE(form.Checked(Form::AgeBox::ForceNormal));
    EXPECT_TRUE(form.Checked(Form::AgeBox::ForceGamma));
    form.SetChecked(Form::AgeBox::ForceJoint, true);
    EXPECT_FALSE(form.Checked(Form::AgeBox::ForceGamma));
    form.SetChecked(Form::AgeBox::ForceJoint, false);
    EXPECT_FALSE(form.Checked(Form::AgeBox::ForceJoint));
}

TEST(InitializeForm, FirstCellCheck) {
    GrowthBench b;
    Form form(b.wb, b.model);
    form.firstCell = "3";
    form.CheckFirstCell();
    EXPECT_EQ(form.firstCell, "3");
    form.firstCell = "0";
    b.t.dialogs.ExpectMessage("Initialize", "First frequency cell must be positive");
    form.CheckFirstCell();
    EXPECT_EQ(form.firstCell, "1");
    EXPECT_EQ(form.focus, "cboFirst");
    EXPECT_EQ(b.t.dialogs.Last().icon, Icon::Exclamation);
    form.firstCell = "x2";
    b.t.dialogs.ExpectMessage("Initialize", "First frequency cell must be an integer");
    form.CheckFirstCell();
    EXPECT_EQ(form.firstCell, "1");
}

TEST(InitializeForm, OkChecksInOrderAndLeavesTheDialogueOpen) {
    GrowthBench b;
    Form form(b.wb, b.model);
    b.t.dialogs.ExpectMessage("Missing input", "Please specify the frequency file and/or increment file");
    EXPECT_EQ(form.Ok(), Form::Outcome::StayOpen);
    EXPECT_EQ(b.t.dialogs.Last().icon, Icon::Information);
    form.ChooseFrequencyFile("f.dat");
    form.firstCell = "";
    b.t.dialogs.ExpectMessage("Missing input", "Please specify the 1st frequency cell to be evaluated");
    EXPECT_EQ(form.Ok(), Form::Outcome::StayOpen);
    form.firstCell = "1";
    form.series = "";  // empty texts read as 0
    b.t.dialogs.ExpectMessage("Missing input", "Please enter a non-zero value for the number of series");
    EXPECT_EQ(form.Ok(), Form::Outcome::StayOpen);
    EXPECT_EQ(form.series, "0");
    form.series = "2";
    b.t.dialogs.ExpectMessage("Missing input", "either or both of the identified or blended age-classes");
    EXPECT_EQ(form.Ok(), Form::Outcome::StayOpen);
    form.blended = "five";
    b.t.dialogs.ExpectMessage("Missing input", "Please enter a whole number for the number of blended age-classes");
    EXPECT_EQ(form.Ok(), Form::Outcome::StayOpen);
    EXPECT_FALSE(b.wb.app.modelInitialised);
}

TEST(InitializeForm, OkInitialisesTheModelAndResetsTheEngine) {
    GrowthBench b;
    b.wb.engine.priorsInUse = true;
    Form form(b.wb, b.model);
    form.ChooseFrequencyFile(DataPath("alba_frequencies.dat"));
    form.ChooseIncrementFile(DataPath("rig_increments.dat"));
    form.series = "2";
    form.identified = "3";
    form.blended = "10";
    form.birthDay = "120";
    form.firstCell = "3";
    form.age1 = "0.5";
    form.edge = Form::Edge::Truncated;
    form.errors = Form::Errors::Gamma;
    form.SetChecked(Form::AgeBox::ForceGamma, true);
    ASSERT_EQ(form.Ok(), Form::Outcome::Initialised);

    const GrowthSettings& s = b.model.Settings();
    EXPECT_EQ(s.kind, 'B');
    EXPECT_EQ(s.birthDay, 120);
    EXPECT_EQ(s.firstCell, 3);
    EXPECT_EQ(s.age1, 0.5);
    EXPECT_EQ(s.edge, 'M');
    EXPECT_EQ(s.errors, 'G');
    EXPECT_TRUE(s.gammaModes);
    EXPECT_FALSE(s.precise);
    EXPECT_EQ(b.model.Data().frequencies.frequency(1, 2), 0.0);  // before the first cell
    EXPECT_EQ(b.wb.alg.np, 27);
    EXPECT_EQ(b.wb.priorTable.Size(), 27);
    EXPECT_EQ(b.wb.priorTable.rows[27].type, 'U');
    EXPECT_EQ(b.wb.alg.fuse[5], "~~");
    EXPECT_FALSE(b.wb.engine.priorsInUse);
    EXPECT_TRUE(b.wb.app.modelInitialised);
    EXPECT_EQ(b.t.status.Get(panels::PriorsFile), "Bayesian priors file: ");
    EXPECT_EQ(b.t.status.Get(panels::FrequencyFile), "Frequency file: " + DataPath("alba_frequencies.dat"));
    EXPECT_EQ(b.t.status.Get(panels::IncrementFile), "Increment file: " + DataPath("rig_increments.dat"));
    // What was read, and what is left out and why.
    EXPECT_EQ(b.t.status.Get(panels::DataRead),
              "Data read: 114 increment records in 2 sets; 2 frequency series over 15 cells (cells 1-2 left out: "
              "before the first cell evaluated)");
}

TEST(InitializeForm, DataReadTextCountsRecordsSetsSeriesAndCells) {
    GrowthSettings s;
    GrowthData d;
    s.kind = 'I';
    d.increments.records = 1;
    d.increments.setCount.resize(1200, 0);
    d.increments.setCount[0] = 1;  // set number 0 is a set too
    EXPECT_EQ(DataReadText(s, d), "Data read: 1 increment record in 1 set");
    d.increments.records = 7;
    d.increments.setCount[0] = 0;
    d.increments.setCount[4] = 3;
    d.increments.setCount[9] = 4;
    EXPECT_EQ(DataReadText(s, d), "Data read: 7 increment records in 2 sets");

    s.kind = 'S';
    s.series = 1;
    s.firstCell = 2;
    d.frequencies.cells = 40;
    EXPECT_EQ(DataReadText(s, d), "Data read: 1 frequency series over 40 cells (cell 1 left out: before the first cell evaluated)");
    s.firstCell = 1;
    EXPECT_EQ(DataReadText(s, d), "Data read: 1 frequency series over 40 cells");
}

TEST(InitializeForm, AModelThatAbandonsInitialisationKeepsTheDialogueOpen) {
    ScratchDir dir;
    GrowthBench b;
    Form form(b.wb, b.model);
    form.ChooseFrequencyFile(dir.Write("f.dat", "m\n0.5\n1.5\n2.6\n"));
    form.series = "1";
    form.blended = "5";
    b.t.dialogs.ExpectMessage("Fatal error - analysis stops", "Inconsistency in frequency midpoint interval");
    EXPECT_EQ(form.Ok(), Form::Outcome::StayOpen);
    EXPECT_FALSE(b.wb.app.modelInitialised);
    EXPECT_EQ(b.t.status.Get(panels::FrequencyFile), "");
}

TEST(InitializeForm, SetUpsThatCannotWorkAreRefusedBeforeTheModelReadsAnything) {
    ScratchDir dir;
    GrowthBench b;
    Form form(b.wb, b.model);
    // Two series in three cells, then a blank line that is no cell.
    form.ChooseFrequencyFile(dir.Write("f.dat", "m s1 s2\n    0.50        3        4\n    1.50        5        0\n"
                                                "    2.50        2        0\n\n"));
    form.series = "2";
    form.blended = "5";
    using Field = SetupRefusal::Field;
    const struct {
        std::string Form::*text;
        std::string value;
        Field field;
        std::string message, focus;
    } cases[] = {
        {&Form::ageDiff, "0", Field::AgeDifference, "The years between age-classes must be above 0", "txtAgeDiff"},
        {&Form::ageDiff, "-0.5", Field::AgeDifference, "The years between age-classes must be above 0", "txtAgeDiff"},
        {&Form::birthDay, "0", Field::BirthDay, "The birth day must be a day of the year from 1 to 365", "cboBirthDay"},
        {&Form::birthDay, "366", Field::BirthDay, "The birth day must be a day of the year from 1 to 365", "cboBirthDay"},
        {&Form::firstCell, "4", Field::FirstCell,
         "The first frequency cell evaluated, 4, is beyond the 3 cells of the frequency file", "cboFirst"},
        {&Form::series, "3", Field::Series, "The frequency file holds 2 series, fewer than the 3 asked for",
         "cboSeries"},
    };
    for (const auto& c : cases) {
        const std::string kept = form.*c.text;
        form.*c.text = c.value;
        const auto refusal = form.Unworkable();
        ASSERT_TRUE(refusal) << c.value;
        EXPECT_EQ(refusal->field, c.field);
        b.t.dialogs.ExpectMessage("Initialize", c.message);
        EXPECT_EQ(form.Ok(), Form::Outcome::StayOpen) << c.value;
        EXPECT_EQ(b.t.dialogs.Last().icon, Icon::Exclamation);
        EXPECT_EQ(form.focus, c.focus);
        EXPECT_FALSE(b.wb.app.modelInitialised);
        form.*c.text = kept;
    }
    // The last cell may be the first evaluated; the set-up then works.
    form.firstCell = "3";
    EXPECT_FALSE(form.Unworkable());
    ASSERT_EQ(form.Ok(), Form::Outcome::Initialised);
    EXPECT_EQ(b.model.Data().frequencies.cells, 3);

    // The frequency fields mean nothing to an increments-only set-up.
    GrowthBench increments;
    Form other(increments.wb, increments.model);
    other.ChooseIncrementFile(DataPath("rig_increments.dat"));
    other.ageDiff = "0";
    other.birthDay = "0";
    EXPECT_EQ(other.Ok(), Form::Outcome::Initialised);
}
