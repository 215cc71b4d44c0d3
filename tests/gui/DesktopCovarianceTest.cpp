// "Single model &covariances" on the desktop, offscreen: the editor opened
// with its run settings locked while the command waits, the progress and
// result windows, and the way back to the menu.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

#include "DesktopSteps.h"
#include "QtPrint.h"
#include "platform/qt/QtWindowHost.h"
#include "support/ScriptedDialogs.h"
#include "support/TestModels.h"
#include "ui/frmAlgo.h"
#include "ui/frmMain.h"
#include "ui/frmMenu.h"

using namespace corvane;
using namespace corvane::testing;

TEST(DesktopCovariance, LockedEditorThenResultsThenBackToTheMenu) {
    TestPorts t;
    FunctionModel model(2, Quadratic({1, 2}, {1, 4}), "Two squares");
    DesktopCommands commands;
    commands.modelSetUp = [](Workbench& wb, QWidget*) { return InitialiseModel(wb); };
    frmMain window(t.dialogs, t.clock, t.random, &model, commands);
    window.show();
    auto button = [&](const char* name) { return window.MenuWindow()->ButtonWidget(name); };
    button(menu::Initialize)->click();
    t.dialogs.ExpectMessage("Load algorithm data", "", Answer::No).ExpectMessage("Default Algorithm Values", "");
    button(menu::LoadAlg)->click();
    Workbench& wb = window.Bench();
    wb.alg.value[1] = 1.0;
    wb.alg.value[2] = 2.0;
    wb.alg.step[1] = wb.alg.step[2] = 0.5;
    ASSERT_TRUE(button(menu::Covariance)->isEnabled());

    // While the editor is open the command waits; the user edits a step and finishes.
    bool sawEditor = false;
    t.dialogs.onProcessEvents = [&](int) {
        frmAlgo* editor = window.EditorWindow();
        if (sawEditor || window.EditorSubWindow()->isHidden()) return;
        sawEditor = true;
        EXPECT_FALSE(editor->ToleranceBox()->isEnabled());
        EXPECT_FALSE(editor->SettingBox(EditorSetting::MaxCalls)->isEnabled());
        EXPECT_FALSE(editor->SettingBox(EditorSetting::TerminalFrequency)->isEnabled());
        EXPECT_FALSE(editor->Button("cmdOpen")->isEnabled());
        EXPECT_TRUE(editor->Grid()->item(1, 2)->flags() & Qt::ItemIsEditable);
        EXPECT_TRUE(window.MenuSubWindow()->isHidden());
        window.Editor().EditCell(2, EditorColumn::Step, "0.25");
        editor->Button("cmdFinish")->click();
    };
    ExpectNumericalCovariance(t.dialogs);
    button(menu::Covariance)->click();
    EXPECT_TRUE(t.dialogs.AllDone());
    EXPECT_TRUE(sawEditor);
    EXPECT_TRUE(window.EditorSubWindow()->isHidden());
    // The locks went with the editor; the edited step was used.
    EXPECT_FALSE(window.Editor().Locked(EditorLock::Tolerance));
    EXPECT_EQ(wb.covariance.steps[2], 0.25);
    // Variances 2 / (2 w): 1 and 0.25.
    EXPECT_NEAR(wb.covariance.StandardError(2, 1), 0.5, 1e-9);

    // The result window stands in for the menu; the "&Application" menu waits.
    EXPECT_TRUE(window.MenuSubWindow()->isHidden());
    EXPECT_FALSE(window.findChild<QMenu*>("mnuApplication")->menuAction()->isEnabled());
    TextViewWindow* result = window.Host().WindowOf(wb.covarianceDisplay.result);
    TextViewWindow* progress = window.Host().WindowOf(wb.covarianceDisplay.progress);
    ASSERT_NE(result, nullptr);
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(result->windowTitle(), "Covariance data");
    EXPECT_EQ(result->ButtonWidget("cmdScreen")->text(), "Display results on &screen");
    EXPECT_FALSE(result->ButtonWidget("cmdFile")->isEnabled());
    EXPECT_TRUE(result->Area(1)->isReadOnly());
    EXPECT_TRUE(progress->Area(1)->toPlainText().contains("Now calculating -ln[likelihood] on grid #3"));

    result->ButtonWidget("cmdScreen")->click();
    EXPECT_TRUE(progress->Area(1)->toPlainText().contains("Standard errors of the estimates"));
    EXPECT_TRUE(progress->Area(1)->isReadOnly());  // Save writes the report as computed
    // The report asked for is in front.
    EXPECT_EQ(window.Area()->activeSubWindow(), window.Host().SubWindowOf(wb.covarianceDisplay.progress));
    EXPECT_TRUE(result->ButtonWidget("cmdFile")->isEnabled());
    EXPECT_TRUE(progress->ButtonWidget("cmdInterrupt")->text().startsWith("To save these results"));

    result->ButtonWidget("cmdFinish")->click();
    EXPECT_EQ(window.Host().WindowOf(wb.covarianceDisplay.result), nullptr);
    EXPECT_FALSE(window.MenuSubWindow()->isHidden());
    EXPECT_TRUE(window.findChild<QMenu*>("mnuApplication")->menuAction()->isEnabled());
    EXPECT_TRUE(button(menu::Simplex)->isEnabled());

    // The last results again; closing the result window is a finish.
    t.dialogs.ExpectMessage("Covariance", "View the last set of calculated covariance results?", Answer::Yes);
    button(menu::Covariance)->click();
    QMdiSubWindow* sub = window.Host().SubWindowOf(wb.covarianceDisplay.result);
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(window.MenuSubWindow()->isHidden());
    sub->close();
    EXPECT_FALSE(window.Host().IsOpen(wb.covarianceDisplay.result));
    EXPECT_FALSE(window.MenuSubWindow()->isHidden());
    EXPECT_TRUE(window.findChild<QMenu*>("mnuApplication")->menuAction()->isEnabled());
}
