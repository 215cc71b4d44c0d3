#include <gtest/gtest.h>

#include <filesystem>

#include "engine/modCorvane.h"
#include "support/ScriptedDialogs.h"
#include "support/TestModels.h"
#include "ui/AlgorithmEditor.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

using C = EditorColumn;
using S = EditorSetting;

struct EditorBench {
    EditorBench() : model(4, Quadratic({0, 0, 0, 0})), wb(t.ports(), &model), editor(wb) {
        InitialiseModel(wb);
        SetDefaultAlgorithmData(wb.alg, 4);
        wb.alg.fileName = "/tmp/12071842.alg";
        for (int i = 1; i <= 4; ++i) {
            wb.alg.value[i] = 10.0 * i;
            wb.alg.step[i] = 1.0;
        }
        editor.onClosed = [this] { ++closed; };
        editor.showEditAll = [this] { ++editAllShown; };
        editor.Open();
        wb.app.covarianceCurrent = true;
    }
    TestPorts t;
    FunctionModel model;
    Workbench wb;
    AlgorithmEditor editor;
    int closed = 0, editAllShown = 0;
};

}  // namespace

TEST(AlgorithmEditor, OpeningSetsUpTheRunAndShowsTheGrid) {
    EditorBench b;
    b.wb.alg.fuse[1] = b.wb.alg.fuse[3] = "A";
    b.editor.Open();
    EXPECT_EQ(b.editor.Caption(), "Algorithm data file name is:  /tmp/12071842.alg");
    EXPECT_DOUBLE_EQ(b.editor.Proportion(), 0.1);
    // The fused follower took the first member's value and lost its step.
    EXPECT_EQ(b.editor.CellText(3, C::Value), "1.0000E+01");
    EXPECT_EQ(b.editor.CellText(3, C::Step), "0");
    EXPECT_EQ(b.editor.CellText(3, C::Fuse), "A");
    EXPECT_EQ(b.editor.CellText(2, C::Parameter), "2");
    EXPECT_EQ(b.editor.CellText(2, C::Description), "Test parameter 2");
    EXPECT_EQ(b.wb.engine.nfree, 3);
    EXPECT_EQ(AlgorithmEditor::Headings()[4], "Parameter description [null value; valid values]");

    b.t.dialogs.ExpectMessage("Just so you know", "Algorithm data, if changed, have been updated");
    b.editor.Finish();
    EXPECT_EQ(b.closed, 1);
    EXPECT_FALSE(b.editor.IsOpen());
}

TEST(AlgorithmEditor, ValueCellsResetTheStepProportionally) {
    EditorBench b;
    EXPECT_TRUE(b.editor.EditCell(1, C::Value, "0"));
    EXPECT_EQ(b.wb.alg.value[1], 0.0);
    EXPECT_DOUBLE_EQ(b.wb.alg.step[1], 0.1);
    EXPECT_EQ(b.editor.CellText(1, C::Value), "0");
    EXPECT_TRUE(b.editor.IsRed(1, C::Value));
    EXPECT_FALSE(b.editor.IsRed(1, C::Step));
    EXPECT_FALSE(b.wb.app.covarianceCurrent);

    EXPECT_TRUE(b.editor.EditCell(2, C::Value, " -250 "));
    EXPECT_DOUBLE_EQ(b.wb.alg.step[2], 25.0);

    // Empty and non-numeric entries are ignored.
    EXPECT_FALSE(b.editor.EditCell(3, C::Value, ""));
    EXPECT_FALSE(b.editor.EditCell(3, C::Value, "abc"));
    EXPECT_FALSE(b.editor.EditCell(3, C::Value, "1e999"));
    EXPECT_EQ(b.wb.alg.value[3], 30.0);
    EXPECT_EQ(b.wb.alg.step[3], 1.0);

    // A change below 1E-10 is stored but not marked.
    EXPECT_TRUE(b.editor.EditCell(4, C::Value, "40.00000000001"));
    EXPECT_FALSE(b.editor.IsRed(4, C::Value));

    EXPECT_TRUE(b.editor.EditCell(4, C::Step, "0"));
    EXPECT_TRUE(b.editor.IsRed(4, C::Step));
    EXPECT_FALSE(b.editor.EditCell(4, C::Description, "x"));
    EXPECT_FALSE(b.editor.EditCell(5, C::Value, "1"));
}

TEST(AlgorithmEditor, FuseEntriesFollowTheFuseRule) {
    EditorBench b;
    EXPECT_TRUE(b.editor.EditCell(1, C::Fuse, " ab "));
    EXPECT_EQ(b.wb.alg.fuse[1], "AB");
    EXPECT_TRUE(b.editor.IsRed(1, C::Fuse));
    for (const char* refused : {"ABC", "A1", "1A", "", "~~~", "A B"}) {
        EXPECT_FALSE(b.editor.EditCell(1, C::Fuse, refused)) << refused;
        EXPECT_EQ(b.wb.alg.fuse[1], "AB") << refused;
    }
    EXPECT_TRUE(b.editor.EditCell(1, C::Fuse, "~"));
    EXPECT_EQ(b.wb.alg.fuse[1], "~~");
    // The code it already has is no change.
    EXPECT_FALSE(b.editor.EditCell(2, C::Fuse, "~~"));
    EXPECT_FALSE(b.editor.IsRed(2, C::Fuse));
    EXPECT_TRUE(b.editor.EditCell(2, C::Fuse, "z"));
    EXPECT_EQ(b.wb.alg.fuse[2], "Z");
}

TEST(AlgorithmEditor, ColumnHeadingsChangeThemAll) {
    EditorBench b;
    b.editor.HeadingDoubleClicked(C::Value);
    EXPECT_EQ(b.editAllShown, 1);

    b.t.dialogs.ExpectPrompt("Edit all step sizes", "Enter new step size for parameter #1", "0.5")
        .ExpectPrompt("Edit all step sizes", "parameter #2", "x")  // not a number: asked again
        .ExpectPrompt("Edit all step sizes", "parameter #2", "0")
        .ExpectPrompt("Edit all step sizes", "parameter #3", "");  // Cancel ends
    b.editor.HeadingDoubleClicked(C::Step);
    EXPECT_EQ(b.t.dialogs.shown[0].request.initialName, "1");  // the current step as default
    EXPECT_EQ(b.wb.alg.step[1], 0.5);
    EXPECT_EQ(b.wb.alg.step[2], 0.0);
    EXPECT_EQ(b.wb.alg.step[3], 1.0);
    EXPECT_TRUE(b.editor.IsRed(2, C::Step));

    b.t.dialogs
        .ExpectPrompt("Edit all parameter fuse characters",
                      "Enter new alphabetical fuse character(s) (e.g., A,B,AA,AB,...) or the null character [~~, "
                      "unfused] for parameter #1",
                      "a")
        .ExpectPrompt("Edit all parameter fuse characters", "parameter #2", "A1")
        .ExpectPrompt("Edit all parameter fuse characters", "parameter #3", "a")
        .ExpectPrompt("Edit all parameter fuse characters", "parameter #4", "");
    b.editor.HeadingDoubleClicked(C::Fuse);
    EXPECT_EQ(b.wb.alg.fuse[1], "A");
    EXPECT_EQ(b.wb.alg.fuse[2], "~~");
    EXPECT_EQ(b.wb.alg.fuse[3], "A");
}

TEST(AlgorithmEditor, EditAllParametersDialogue) {
    EditorBench b;
    b.wb.alg.step[2] = 0.0;
    const char* constant = "Enter step size as a fraction of parameter values.\r\nA proportion of 0 will default to 0.1";
    // Free values only, with a constant of 0 becoming 0.1.
    b.t.dialogs.ExpectPrompt("Change proportionality constant", constant, "-1")  // refused: asked again
        .ExpectPrompt("Change proportionality constant", constant, "0")
        .ExpectPrompt("Edit free parameter values", "Enter the new value of parameter #1", "5")
        .ExpectPrompt("Edit free parameter values", "parameter #3", "zero")
        .ExpectPrompt("Edit free parameter values", "parameter #3", "0")
        .ExpectPrompt("Edit free parameter values", "parameter #4", "");
    b.editor.ChangeFreeValues();
    EXPECT_DOUBLE_EQ(b.editor.Proportion(), 0.1);
    EXPECT_EQ(b.wb.alg.value[1], 5.0);
    EXPECT_DOUBLE_EQ(b.wb.alg.step[1], 0.5);
    EXPECT_EQ(b.wb.alg.value[2], 20.0);  // frozen: not asked
    EXPECT_EQ(b.wb.alg.step[2], 0.0);
    EXPECT_DOUBLE_EQ(b.wb.alg.step[3], 0.1);
    EXPECT_EQ(b.wb.alg.value[4], 40.0);  // kept after Cancel
    EXPECT_TRUE(b.editor.IsRed(3, C::Value));

    // Every parameter, with the constant 0.5.
    b.t.dialogs.ExpectPrompt("Change proportionality constant", "", "0.5")
        .ExpectPrompt("Edit all parameter values", "parameter #1", "2")
        .ExpectPrompt("Edit all parameter values", "parameter #2", "-4")
        .ExpectPrompt("Edit all parameter values", "parameter #3", "");
    b.editor.ChangeAllValues();
    EXPECT_DOUBLE_EQ(b.wb.alg.step[1], 1.0);
    EXPECT_DOUBLE_EQ(b.wb.alg.step[2], 2.0);

    // Values only; Cancel at the constant changes nothing.
    b.t.dialogs.ExpectPrompt("Change proportionality constant", "", "");
    b.editor.ChangeAllValues();
    EXPECT_DOUBLE_EQ(b.editor.Proportion(), 0.5);
    b.t.dialogs.ExpectPrompt("Edit a parameter value", "parameter #1", "7")
        .ExpectPrompt("Edit a parameter value", "parameter #2", "");
    b.editor.ChangeValuesNotSteps();
    EXPECT_EQ(b.wb.alg.value[1], 7.0);
    EXPECT_DOUBLE_EQ(b.wb.alg.step[1], 1.0);

    b.wb.alg.fuse[2] = b.wb.alg.fuse[4] = "C";
    b.editor.UnfuseAll();
    EXPECT_EQ(b.wb.alg.fuse[2], "~~");
    EXPECT_EQ(b.wb.alg.fuse[4], "~~");
    EXPECT_TRUE(b.editor.IsRed(4, C::Fuse));
}

TEST(AlgorithmEditor, ToleranceTypeAndMinimum) {
    EditorBench b;
    EXPECT_EQ(b.editor.ToleranceLabel(), "Absolute tolerance for convergence (TC):");
    EXPECT_EQ(b.editor.ToleranceText(), "1.000E-06");
    const char* title = "Change the tolerance for convergence";
    b.t.dialogs
        .ExpectMessage(title, "Current tolerance type is ABSOLUTE.\r\n\r\nDo you want to change to RELATIVE?",
                       Answer::Yes)
        .ExpectPrompt(title, "Current tolerance is 1.0E-06  (Minimum allowed is 1E-06)", "1E-08");
    b.editor.ChangeTolerance();
    EXPECT_EQ(b.wb.alg.tolerance, -1e-6);
    EXPECT_EQ(b.editor.ToleranceLabel(), "Relative tolerance for convergence (TC):");

    // Keep relative; a larger magnitude is stored with the sign of the type.
    b.t.dialogs.ExpectMessage(title, "Current tolerance type is RELATIVE.\r\n\r\nDo you want to change to ABSOLUTE?",
                              Answer::No)
        .ExpectPrompt(title, "Current tolerance is 1.0E-06", "-0.002");
    b.editor.ChangeTolerance();
    EXPECT_EQ(b.wb.alg.tolerance, -0.002);
    EXPECT_EQ(b.editor.ToleranceText(), "2.000E-03");

    // Switching and then cancelling abandons the whole edit.
    b.t.dialogs.ExpectMessage(title, "", Answer::Yes).ExpectPrompt(title, "", "");
    b.editor.ChangeTolerance();
    EXPECT_EQ(b.wb.alg.tolerance, -0.002);
}

TEST(AlgorithmEditor, SettingBoxesRefuseNegativesAndRestoreNonNumbers) {
    EditorBench b;
    b.wb.alg.reductionFraction = 0.123456;
    b.wb.app.covarianceCurrent = true;
    // Passing through a box stores nothing, even where the box rounds.
    EXPECT_EQ(b.editor.SettingText(S::ReductionFraction), "0.1235");
    EXPECT_EQ(b.editor.LeaveSetting(S::ReductionFraction, "0.1235"), SettingResult::Unchanged);
    EXPECT_EQ(b.wb.alg.reductionFraction, 0.123456);
    EXPECT_TRUE(b.wb.app.covarianceCurrent);

    b.t.dialogs.ExpectMessage("Change the maximum # of function calls", "Maximum number of functions must be positive");
    EXPECT_EQ(b.editor.LeaveSetting(S::MaxCalls, "-5"), SettingResult::Refused);
    EXPECT_EQ(b.t.dialogs.Last().icon, Icon::Information);
    EXPECT_EQ(b.wb.alg.maxCalls, 9999);
    EXPECT_EQ(b.editor.SettingText(S::MaxCalls), "9999");
    EXPECT_EQ(b.editor.LeaveSetting(S::MaxCalls, "lots"), SettingResult::Restored);
    EXPECT_EQ(b.editor.LeaveSetting(S::MaxCalls, "99999999999"), SettingResult::Restored);
    EXPECT_EQ(b.editor.LeaveSetting(S::MaxCalls, "20000"), SettingResult::Stored);
    EXPECT_EQ(b.wb.alg.maxCalls, 20000);

    b.t.dialogs.ExpectMessage("Change the step size reduction fraction", "Fraction must be positive")
        .ExpectMessage("Change the terminal display frequency", "Frequency must be positive");
    EXPECT_EQ(b.editor.LeaveSetting(S::ReductionFraction, "0"), SettingResult::Refused);
    EXPECT_EQ(b.editor.LeaveSetting(S::TerminalFrequency, "-1"), SettingResult::Refused);
    EXPECT_EQ(b.editor.LeaveSetting(S::TerminalFrequency, "0"), SettingResult::Stored);
    EXPECT_EQ(b.wb.alg.terminalFrequency, 0);
    EXPECT_EQ(b.editor.LeaveSetting(S::ReductionFraction, "0.25"), SettingResult::Stored);
    EXPECT_EQ(b.wb.alg.reductionFraction, 0.25);
}

TEST(AlgorithmEditor, RunLogOpensAndClosesFromTheEditor) {
    EditorBench b;
    EXPECT_FALSE(b.editor.FrequencyEnabled());
    EXPECT_TRUE(b.editor.OpenButtonEnabled());
    EXPECT_EQ(b.editor.SettingText(S::FileFrequency), "0");
    EXPECT_EQ(b.editor.LeaveSetting(S::FileFrequency, "5"), SettingResult::Restored);

    const std::string path = (std::filesystem::temp_directory_path() / "corvane-editor-log").string();
    b.t.dialogs.ExpectFile("Save minimization progress in...", path)
        .ExpectMessage("Log file management", "The log file " + path + ".cvl is now open for output");
    b.editor.OpenLog();
    EXPECT_TRUE(b.editor.CloseButtonEnabled());
    EXPECT_FALSE(b.editor.OpenButtonEnabled());
    EXPECT_EQ(b.editor.SettingText(S::FileFrequency), "10");
    EXPECT_EQ(b.editor.LogNameText(), path + ".cvl");

    b.t.dialogs.ExpectMessage("Change the file write frequency", "Frequency must be positive");
    EXPECT_EQ(b.editor.LeaveSetting(S::FileFrequency, "-3"), SettingResult::Refused);
    EXPECT_EQ(b.editor.LeaveSetting(S::FileFrequency, "3"), SettingResult::Stored);
    EXPECT_EQ(b.wb.alg.fileFrequency, 3);

    b.t.dialogs.ExpectMessage("Log file management", "is now closed for input");
    b.editor.CloseLog();
    EXPECT_EQ(b.editor.LogNameText(), "");
    EXPECT_EQ(b.editor.SettingText(S::FileFrequency), "0");
    EXPECT_EQ(b.wb.alg.fileFrequency, 0);
    EXPECT_FALSE(b.editor.FrequencyEnabled());
    std::filesystem::remove(path + ".cvl");
}

TEST(AlgorithmEditor, LockedRunSettingsLeaveOnlyTheParameterTableEditable) {
    EditorBench b;
    b.editor.LockRunSettings(true);
    for (int item = 4; item <= kEditorLocks; ++item) EXPECT_TRUE(b.editor.Locked(static_cast<EditorLock>(item)));
    EXPECT_FALSE(b.editor.Locked(EditorLock::Values));

    // No dialogue opens and nothing changes.
    const double tolerance = b.wb.alg.tolerance;
    b.editor.ChangeTolerance();
    EXPECT_EQ(b.wb.alg.tolerance, tolerance);
    EXPECT_EQ(b.editor.LeaveSetting(S::MaxCalls, "5"), SettingResult::Restored);
    EXPECT_EQ(b.editor.LeaveSetting(S::ReductionFraction, "0.5"), SettingResult::Restored);
    EXPECT_EQ(b.editor.LeaveSetting(S::TerminalFrequency, "3"), SettingResult::Restored);
    EXPECT_EQ(b.wb.alg.maxCalls, 9999);
    EXPECT_EQ(b.wb.alg.reductionFraction, 0.1);
    EXPECT_EQ(b.wb.alg.terminalFrequency, 10);
    b.editor.OpenLog();
    EXPECT_FALSE(b.editor.LogOpen());
    EXPECT_FALSE(b.editor.OpenButtonEnabled());
    EXPECT_FALSE(b.editor.ToleranceEnabled());
    EXPECT_FALSE(b.editor.SettingEnabled(S::MaxCalls));

    // Values, steps and fuses are edited as always.
    EXPECT_TRUE(b.editor.EditCell(2, C::Value, "5"));
    EXPECT_TRUE(b.editor.EditCell(2, C::Step, "0.25"));
    EXPECT_TRUE(b.editor.EditCell(2, C::Fuse, "b"));
    EXPECT_EQ(b.wb.alg.step[2], 0.25);

    b.editor.LockRunSettings(false);
    EXPECT_TRUE(b.editor.SettingEnabled(S::MaxCalls));
    EXPECT_EQ(b.editor.LeaveSetting(S::MaxCalls, "5"), SettingResult::Stored);

    // A locked column refuses its cells and its change-all commands.
    b.editor.SetLock(EditorLock::Values, true);
    EXPECT_FALSE(b.editor.EditCell(1, C::Value, "3"));
    b.editor.ChangeValuesNotSteps();
    b.editor.HeadingDoubleClicked(C::Value);
    EXPECT_EQ(b.editAllShown, 0);
    EXPECT_EQ(b.wb.alg.value[1], 10.0);
}
