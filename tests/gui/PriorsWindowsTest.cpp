#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <cstdlib>

#include "QtPrint.h"
#include "platform/qt/QtWindowHost.h"
#include "priors/frmLoadPriors.h"
#include "priors/frmSetPriors.h"
#include "support/ScriptedDialogs.h"
#include "support/TestModels.h"
#include "ui/frmMain.h"
#include "ui/frmMenu.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

// Saves a picture of a window when CORVANE_SCREENSHOTS names a directory.
void Shot(QWidget* w, const char* name) {
    if (const char* dir = std::getenv("CORVANE_SCREENSHOTS")) {
        QApplication::processEvents();
        w->grab().save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
    }
}

}  // namespace

TEST(PriorsWindows, MenuButtonDialogueEditorAndBackToTheMenu) {
    TestPorts t;
    FunctionModel model(3, Quadratic({0, 0, 0}), "Three squares");
    DesktopCommands commands;
    commands.modelSetUp = [](Workbench& wb, QWidget*) { return InitialiseModel(wb); };
    frmMain window(t.dialogs, t.clock, t.random, &model, commands);
    window.resize(1200, 800);
    window.show();
    QPushButton* bayesian = window.MenuWindow()->ButtonWidget(menu::Bayesian);
    window.MenuWindow()->ButtonWidget(menu::Initialize)->click();
    t.dialogs.ExpectMessage("Load algorithm data", "", Answer::No).ExpectMessage("Default Algorithm Values", "");
    window.MenuWindow()->ButtonWidget(menu::LoadAlg)->click();
    ASSERT_TRUE(bayesian->isEnabled());

    bayesian->click();
    ASSERT_FALSE(window.LoadPriorsSubWindow()->isHidden());
    EXPECT_TRUE(window.MenuSubWindow()->isHidden());
    Shot(&window, "load-priors");
    // Closing the window by its frame is the dialogue's Cancel.
    window.LoadPriorsSubWindow()->close();
    EXPECT_TRUE(window.LoadPriorsSubWindow()->isHidden());
    EXPECT_FALSE(window.MenuSubWindow()->isHidden());

    bayesian->click();
    t.dialogs.ExpectMessage("Setting Bayesian Priors", "", Answer::Yes);
    window.LoadPriorsWindow()->Button("cmdSet")->click();
    ASSERT_FALSE(window.SetPriorsSubWindow()->isHidden());
    EXPECT_TRUE(window.LoadPriorsSubWindow()->isHidden());
    EXPECT_FALSE(window.menuBar()->isVisible());  // the editor's menus stand in
    frmSetPriors* editor = window.SetPriorsWindow();
    EXPECT_FALSE(editor->Action("mnuMenu")->isEnabled());
    EXPECT_TRUE(editor->Action("mnuProfile")->isEnabled());
    QTableWidget* grid = editor->Grid();
    ASSERT_EQ(grid->rowCount(), 5);
    EXPECT_EQ(grid->columnSpan(0, 2), 2);
    EXPECT_GT(grid->columnWidth(6), 5 * grid->columnWidth(0));

    emit grid->cellClicked(3, 0);
    EXPECT_EQ(grid->item(3, 1)->foreground().color(), QColor(0, 150, 0));
    t.dialogs.ExpectPrompt("Left-side cliff", "Choose left foot of parameter #2", "0")
        .ExpectPrompt("Left-side cliff", "Choose SD @ the left foot of parameter #2", "0.1");
    editor->Action("mnuPriorS")->trigger();
    EXPECT_EQ(grid->item(3, 1)->text(), "Left-side cliff");
    EXPECT_EQ(grid->item(3, 3)->text(), "1.000E-001");
    EXPECT_EQ(grid->item(3, 1)->foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(grid->item(3, 4)->text(), "Unused");
    Shot(&window, "set-priors");
    editor->Action("mnuHelp")->trigger();
    EXPECT_NE(window.Host().WindowOf(window.PriorsEdit().HelpView()), nullptr);
    Shot(&window, "priors-help");

    t.dialogs.ExpectMessage("Just so you know", "")
        .ExpectMessage("Save Bayesian priors", "", Answer::No)
        .ExpectPrompt("Enter constant", "", "0.5");
    editor->Action("mnuFinished")->trigger();
    EXPECT_TRUE(window.SetPriorsSubWindow()->isHidden());
    EXPECT_FALSE(window.MenuSubWindow()->isHidden());
    EXPECT_TRUE(window.menuBar()->isVisible());
    EXPECT_TRUE(window.Bench().engine.priorsInUse);

    // The one-function call now brings the review.
    window.MenuWindow()->ButtonWidget(menu::OneFunction)->click();
    TextViewWindow* review = window.Host().WindowOf(window.Bench().priorReviewView);
    ASSERT_NE(review, nullptr);
    EXPECT_EQ(review->windowTitle(), "Review priors ");
    Shot(&window, "review-priors");
    EXPECT_TRUE(t.dialogs.AllDone());
}
