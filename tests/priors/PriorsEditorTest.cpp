#include <gtest/gtest.h>

#include "PriorsRig.h"
#include "priors/PriorsEditor.h"
#include "priors/PriorsFile.h"
#include "ui/CommandMenu.h"
#include "ui/ExitDialogue.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

using Colour = PriorCellColour;
constexpr Colour K = Colour::Black, B = Colour::Blue, G = Colour::Green, R = Colour::Red;

// The priors dialogue and editor opened from a command menu, as the desktop
// wires them.
struct PriorsSession : PriorsBench {
    explicit PriorsSession(int np = 3) : PriorsBench(np), menu(wb), editor(wb), dialogue(wb, editor) {
        menu.openPriors = [this] { dialogue.Open(PriorsOpener::CommandMenu); };
        dialogue.hideOpener = [this](PriorsOpener) { menu.Hide(); };
        dialogue.showOpener = [this](PriorsOpener) { menu.Show(); };
        menu.Load();
        menu.Show();
        for (int i = 1; i <= np; ++i) wb.alg.description[i] = "Parameter " + std::to_string(i) + " [0]";
    }
    void OpenDialogue() {
        wb.alg.simplexCurrent = true;
        menu.Click(menu::Bayesian);
    }
    CommandMenu menu;
    PriorsEditor editor;
    PriorsDialogue dialogue;
};

std::vector<Colour> RowColours(const PriorsEditor& e, int row) {
    std::vector<Colour> c;
    for (int col = 1; col <= 5; ++col) c.push_back(e.CellColour(row, col));
    return c;
}

}  // namespace

TEST(PriorsDialogue, OpensFromTheMenuAndClosesWithPriorsInUseOnlyWhenSet) {
    PriorsSession s;
    ASSERT_TRUE(s.menu.Enabled(menu::Bayesian));
    s.OpenDialogue();
    EXPECT_TRUE(s.dialogue.Visible());
    EXPECT_FALSE(s.menu.Visible());
    EXPECT_TRUE(s.wb.engine.priorsInUse);
    EXPECT_FALSE(s.wb.alg.simplexCurrent);
    s.dialogue.Cancel();
    EXPECT_FALSE(s.dialogue.Loaded());
    EXPECT_TRUE(s.menu.Visible());
    EXPECT_FALSE(s.wb.engine.priorsInUse);

    // Set uniform-unbounded: every row reset, the menu back.
    s.wb.priorTable.rows[2] = PriorRow{'N', 1, 1, "Unused", "Unused"};
    s.OpenDialogue();
    s.t.dialogs.ExpectMessage("Default prior probabilities",
                              "Prior probabilities have been set to default (uniform-unbounded) values");
    s.dialogue.SetUniform();
    EXPECT_TRUE(s.wb.priorTable.AllUniformUnbounded());
    EXPECT_FALSE(s.wb.engine.priorsInUse);
    EXPECT_EQ(s.t.status.Get(panels::PriorsFile), "Bayesian priors file: ");
    EXPECT_TRUE(s.menu.Visible());
    EXPECT_FALSE(s.dialogue.Loaded());
}

TEST(PriorsDialogue, SetOrResetAsksOnlyWhileEveryPriorIsUniform) {
    PriorsSession s;
    s.OpenDialogue();
    s.t.dialogs.ExpectMessage("Setting Bayesian Priors", "'No' assumes uniform-unbounded priors", Answer::No)
        .ExpectMessage("Default prior probabilities", "");
    s.dialogue.SetOrReset();
    EXPECT_TRUE(s.menu.Visible());
    EXPECT_FALSE(s.editor.IsOpen());
    EXPECT_FALSE(s.wb.engine.priorsInUse);

    // Yes: the editor opens and the priors get a date-time name.
    s.OpenDialogue();
    s.t.dialogs.ExpectMessage("Setting Bayesian Priors", "one Bayesian priors file applies to all", Answer::Yes);
    s.dialogue.SetOrReset();
    EXPECT_TRUE(s.editor.IsOpen());
    EXPECT_FALSE(s.dialogue.Visible());
    EXPECT_TRUE(s.dialogue.Loaded());
    EXPECT_FALSE(s.menu.Visible());
    EXPECT_EQ(s.wb.priorTable.fileName, "12071842");
    EXPECT_EQ(s.t.status.Get(panels::Activity(1)), priors_editor::UnsetNote);

    // With all rows still U, closing asks nothing about saving.
    s.t.dialogs.ExpectMessage("Just so you know", "Bayesian priors data, if changed, have been updated");
    s.editor.Finish();
    EXPECT_FALSE(s.editor.IsOpen());
    EXPECT_FALSE(s.dialogue.Loaded());
    EXPECT_TRUE(s.menu.Visible());
    EXPECT_EQ(s.t.status.Get(panels::Activity(1)), "");
    EXPECT_TRUE(s.t.dialogs.AllDone());

    // Any other type present: straight to the editor.
    s.wb.priorTable.rows[3] = PriorRow{'S', 0, 0, "Unused", "Unused"};
    s.OpenDialogue();
    s.dialogue.SetOrReset();
    EXPECT_TRUE(s.editor.IsOpen());
}

TEST(PriorsDialogue, OpeningAFileLoadsItIntoTheEditor) {
    PriorsSession s;
    ScratchDir dir;
    PriorTable t;
    t.Reset(3);
    t.rows[2] = PriorRow{'G', 4, 2, "Unused", "Unused"};
    const std::string good = dir.Write("growth.pri", FormatPriorsFile(t));
    s.OpenDialogue();
    // Cancel, and a file that cannot be opened, leave the dialogue open.
    s.t.dialogs.ExpectFile("Load Bayesian Priors file", std::nullopt);
    s.dialogue.OpenFile();
    EXPECT_EQ(s.t.dialogs.Last().request.filter, "All files (*.*)|*.*|Bayesian priors files (*.pri)|*.pri");
    EXPECT_EQ(s.t.dialogs.Last().request.selectedFilter, 2);
    s.t.dialogs.ExpectFile("Load Bayesian Priors file", dir.Path("none.pri"))
        .ExpectMessage("Load Bayesian Priors file", "could not be opened");
    s.dialogue.OpenFile();
    EXPECT_TRUE(s.dialogue.Visible());

    s.t.dialogs.ExpectFile("Load Bayesian Priors file", good)
        .ExpectMessage("Bayes information", "Bayesian Priors file " + good + " has been loaded");
    s.dialogue.OpenFile();
    EXPECT_FALSE(s.dialogue.Loaded());
    EXPECT_TRUE(s.editor.IsOpen());
    EXPECT_FALSE(s.menu.Visible());  // until the editor is finished
    EXPECT_EQ(s.wb.priorTable.rows[2].type, 'G');
    EXPECT_TRUE(s.wb.engine.priorsInUse);
    EXPECT_EQ(s.wb.priorTable.fileName, good);
    EXPECT_EQ(s.t.status.Get(panels::PriorsFile), "Bayesian priors file: growth");

    // Finished with a prior set: the save question, then the constant.
    s.t.dialogs.ExpectMessage("Just so you know", "")
        .ExpectMessage("Save Bayesian priors", "Save Bayesian priors now?", Answer::No)
        .ExpectPrompt("Enter constant", "Your model suggests you use this constant: ", "0.25");
    s.editor.Finish();
    EXPECT_DOUBLE_EQ(s.wb.priorTable.reciprocalConstant, 4.0);
    EXPECT_TRUE(s.menu.Visible());
    EXPECT_TRUE(s.wb.engine.priorsInUse);

    // A file for another model is refused: the editor opens on uniform priors
    // and the status bar names no file.
    PriorTable two;
    two.Reset(2);
    const std::string other = dir.Write("other.pri", FormatPriorsFile(two));
    s.OpenDialogue();
    s.t.dialogs.ExpectFile("Load Bayesian Priors file", other)
        .ExpectMessage("Bayes information", "has 2 parameters, but your model specifies 3.");
    s.dialogue.OpenFile();
    EXPECT_TRUE(s.editor.IsOpen());
    EXPECT_TRUE(s.wb.priorTable.AllUniformUnbounded());
    EXPECT_EQ(s.t.status.Get(panels::PriorsFile), "Bayesian priors file: ");
    EXPECT_EQ(s.wb.priorTable.fileName, good);
}

TEST(PriorsEditor, GridTextsColoursAndEntryCommands) {
    PriorsSession s(3);
    s.wb.priorTable.rows[2] = PriorRow{'T', -1, 0.5, "4", "1.000E-100"};
    s.editor.Open();
    PriorsEditor& e = s.editor;
    ASSERT_EQ(e.Rows(), 5);
    EXPECT_EQ(e.CellText(2, 2), "*");
    EXPECT_EQ(e.CellText(2, 4), "Unused");
    EXPECT_EQ(e.CellText(3, 2), "-1.000E+000");
    EXPECT_EQ(e.CellText(3, 4), "4");
    EXPECT_EQ(e.CellText(3, 5), "*");  // an unset second term
    EXPECT_EQ(e.CellText(4, 6), "Parameter 3 [0]");
    EXPECT_EQ(e.SelectedRow(), 2);
    EXPECT_FALSE(e.Highlighted());
    // Black for U, unset and "Unused"; blue for a type and values.
    EXPECT_EQ(RowColours(e, 2), (std::vector{K, K, K, K, K}));
    EXPECT_EQ(RowColours(e, 3), (std::vector{B, B, B, B, K}));

    // A click on a heading selects parameter 1; its type and first term turn green.
    e.Click(0);
    EXPECT_EQ(e.SelectedRow(), 2);
    EXPECT_EQ(RowColours(e, 2), (std::vector{G, G, G, K, K}));
    // The uniform-bounded row greens its second term too; row 2 is normal again.
    e.Click(3);
    EXPECT_EQ(RowColours(e, 3), (std::vector{G, G, G, G, G}));
    EXPECT_EQ(e.CellColour(2, 1), K);

    // An entry on the selected row: the cells it set turn red, the highlight goes.
    s.t.dialogs.ExpectPrompt("Gaussian (i.e., Normal)", "Choose mean of parameter #2", "2.5")
        .ExpectPrompt("Gaussian (i.e., Normal)", "Choose SD of parameter #2", "0.5");
    ASSERT_TRUE(e.Enter('N'));
    EXPECT_FALSE(e.Highlighted());
    EXPECT_EQ(e.CellText(3, 1), "Gaussian or Normal");
    EXPECT_EQ(e.CellText(3, 3), "5.000E-001");
    EXPECT_EQ(e.CellText(3, 5), "Unused");
    EXPECT_EQ(RowColours(e, 3), (std::vector{R, R, R, K, K}));
    // Red stays until the row is selected again and left.
    e.Click(4);
    EXPECT_EQ(e.CellColour(3, 1), R);
    e.Click(3);
    e.Click(4);
    EXPECT_EQ(RowColours(e, 3), (std::vector{B, B, B, K, K}));
    // A refused entry changes nothing.
    s.t.dialogs.ExpectPrompt("Exponential", "parameter #3", "zero").ExpectMessage("Exponential", "not a number");
    EXPECT_FALSE(e.Enter('E'));
    EXPECT_EQ(e.CellText(4, 1), "Uniform - unbounded");
    EXPECT_TRUE(e.Highlighted());
    EXPECT_FALSE(e.MainMenuEnabled());

    e.Help();
    ASSERT_TRUE(s.t.windows.IsOpen(e.HelpView()));
    EXPECT_NE(e.HelpView().Area(1).find("Note that unrequired values are labelled 'Unused' whereas unset values are "
                                        "assigned an asterisk (*)."),
              std::string::npos);
}

TEST(PriorsEditor, FinishedSavesAndRefreshesTheConstantFromTheModel) {
    // A model that suggests no constant: the refresh uses (N - K - 1) / (2 F)
    // with F the model's own objective, the prior left out.
    struct NoSuggestion : FunctionModel {
        using FunctionModel::FunctionModel;
        double SuggestedCovarianceConstant() const override { return 0.0; }
    };
    TestPorts t;
    NoSuggestion model(2, Quadratic({0, 0}));
    Workbench wb(t.ports(), &model);
    InitialiseModel(wb);
    SetDefaultAlgorithmData(wb.alg, 2);
    wb.alg.value[1] = 1.0;
    wb.alg.value[2] = 2.0;  // F = 5
    wb.alg.step[1] = 0.1;   // K = 1
    PriorsEditor editor(wb);
    PriorsDialogue dialogue(wb, editor);
    int shown = 0;
    dialogue.showOpener = [&](PriorsOpener) { ++shown; };
    wb.priorTable.rows[1] = PriorRow{'N', 0, 1, "Unused", "Unused"};
    ScratchDir dir;

    dialogue.Open(PriorsOpener::CommandMenu);
    dialogue.SetOrReset();
    ASSERT_TRUE(editor.IsOpen());
    wb.dataCount = 12;
    t.dialogs.ExpectMessage("Just so you know", "")
        .ExpectMessage("Save Bayesian priors", "", Answer::Yes)
        .ExpectFile("Save Bayesian priors file in...", dir.Path("p.pri"));
    editor.Finish();
    EXPECT_DOUBLE_EQ(wb.priorTable.reciprocalConstant, 2.0 * 5.0 / (12 - 1 - 1));
    EXPECT_EQ(ReadFile(dir.Path("p.pri")), FormatPriorsFile(wb.priorTable));
    EXPECT_EQ(t.status.Get(panels::PriorsFile), "Bayesian priors file: p");
    EXPECT_TRUE(t.status.EverShowed("One moment please..."));
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(wb.engine.priorsInUse);

    // No degrees of freedom left: the message, and the opener stays hidden.
    dialogue.Open(PriorsOpener::CommandMenu);
    dialogue.SetOrReset();
    wb.dataCount = 2;
    t.dialogs.ExpectMessage("Just so you know", "")
        .ExpectMessage("Save Bayesian priors", "", Answer::No)
        .ExpectMessage("Insufficient degrees of freedom", "perhaps the degrees of freedom are zero or fewer");
    editor.Finish();
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(editor.IsOpen());
    EXPECT_TRUE(wb.engine.priorsInUse);
}

TEST(PriorsEditor, ExitQuestionsSaveThePriorsFileWithItsFullPath) {
    PriorsSession s;
    ScratchDir dir;
    s.wb.priorTable.rows[1] = PriorRow{'E', 2, 2, "Unused", "Unused"};
    const std::string path = dir.Path("exit.pri");
    // A cancelled save keeps the application running.
    s.t.dialogs.ExpectMessage("Exit Corvane", "", Answer::Yes)
        .ExpectMessage("What about algorithm data?", "", Answer::No)
        .ExpectMessage("What about Bayesian priors?", "Save Bayesian priors?", Answer::Yes)
        .ExpectFile("Save Bayesian priors file in...", std::nullopt);
    EXPECT_FALSE(ExitDialogue(s.wb, {}));
    s.t.dialogs.ExpectMessage("Exit Corvane", "", Answer::Yes)
        .ExpectMessage("What about algorithm data?", "", Answer::No)
        .ExpectMessage("What about Bayesian priors?", "", Answer::Yes)
        .ExpectFile("Save Bayesian priors file in...", path);
    EXPECT_TRUE(ExitDialogue(s.wb, {}));
    EXPECT_EQ(ReadFile(path), FormatPriorsFile(s.wb.priorTable));
    EXPECT_EQ(s.t.status.history.back().second, "Bayesian priors file: ");  // reset as the application ends
    EXPECT_TRUE(s.t.status.EverShowed("Bayesian priors file: " + path));
}

TEST(PriorsEditor, ArrowKeysMoveTheSelectionWithinTheParameters) {
    PriorsSession s(3);
    s.editor.Open();
    PriorsEditor& e = s.editor;
    ASSERT_EQ(e.Rows(), 5);  // headings, a blank row, parameters 1..3 on rows 2..4
    const struct {
        int move;
        int expected;
    } steps[] = {{+1, 3}, {+1, 4}, {+1, 4} /* stops at the last */, {-5, 2} /* and at the first */, {-1, 2}, {+2, 4}};
    for (const auto& step : steps) {
        e.MoveSelection(step.move);
        EXPECT_EQ(e.SelectedRow(), step.expected) << step.move;
        EXPECT_TRUE(e.Highlighted());
    }
}
