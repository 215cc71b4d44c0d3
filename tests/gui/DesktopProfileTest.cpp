// The evaluation choice window and a likelihood profile on the desktop,
// offscreen: the menu button, the window, the editor the profile waits for,
// the ML interrupt menu, the modal distribution plot and the statistics
// window; and a prior profile from the priors editor.  With
// CORVANE_SCREENSHOTS naming a directory, the windows are saved there.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <cstdlib>

#include "../model/GrowthTestSupport.h"
#include "QtPrint.h"
#include "evaluation/frmEvaluate.h"
#include "plots/frmDistPlot.h"
#include "priors/PriorProfile.h"
#include "priors/frmLoadPriors.h"
#include "priors/frmSetPriors.h"
#include "support/TestModels.h"
#include "ui/frmMain.h"
#include "ui/frmMenu.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

void Shot(QWidget& w, const char* name) {
    const char* dir = std::getenv("CORVANE_SCREENSHOTS");
    if (!dir || !*dir) return;
    QApplication::processEvents();
    w.grab().save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
}

// Once the modal distribution plot opens: the confidence distribution
// drawn (a picture taken), then "&Done".  Counts the windows seen.
void DrawAndCloseDistributionPlot(int& seen, const char* picture) {
    QTimer::singleShot(0, [&seen, picture] {
        auto* plot = dynamic_cast<frmDistPlot*>(QApplication::activeModalWidget());
        ASSERT_NE(plot, nullptr);
        ++seen;
        plot->resize(1200, 700);
        static_cast<QPushButton*>(plot->Control("cmdClear"))->click();
        static_cast<QListWidget*>(plot->Control("listVar"))->setCurrentRow(1);
        static_cast<QCheckBox*>(plot->Control("chkPoints"))->setChecked(true);
        static_cast<QPushButton*>(plot->Control("cmdPlot"))->click();
        Shot(*plot, picture);
        static_cast<QPushButton*>(plot->Control("cmdDone"))->click();
    });
}

// The growth model on the rig increments, fitted with Marquardt (L-infinity
// and k, their SDs free).
struct RigDesktop {
    TestPorts t;
    GrowthModel model{&t.dialogs};
    std::unique_ptr<frmMain> window;

    RigDesktop() {
        DesktopCommands commands;
        commands.modelSetUp = [this](Workbench& wb, QWidget*) {
            GrowthSetup s;
            s.incrementPath = DataPath("rig_increments.dat");
            model.SetPendingSettings(s);
            return InitialiseModel(wb);
        };
        window = std::make_unique<frmMain>(t.dialogs, t.clock, t.random, &model, commands);
        window->resize(1300, 900);
        window->show();
        Button(menu::Initialize)->click();
        t.dialogs.ExpectMessage("Load algorithm data", "", Answer::No).ExpectMessage("Default Algorithm Values", "");
        Button(menu::LoadAlg)->click();
        AlgorithmData& a = window->Bench().alg;
        const std::vector<double> start = Fixed19(100, 13, 0.4, 2.0);
        for (int i = 1; i <= a.np; ++i) a.value[i] = start[static_cast<std::size_t>(i - 1)];
        a.step[1] = 1, a.step[2] = 0.3, a.step[3] = 0.01, a.step[4] = 0.05;
        a.tolerance = 1e-7;
        t.dialogs.ExpectMessage("Marquardt minimum", "Minimum found using Marquardt!");
        EXPECT_EQ(MarquardtCommand(window->Bench(), "N", false).end, MinimiserEnd::Converged);
        window->Bench().CloseProgressWindows();
    }
    QPushButton* Button(const char* name) { return window->MenuWindow()->ButtonWidget(name); }
    QMdiSubWindow* SubWindowOf(const TextView& view) {
        for (QMdiSubWindow* sub : window->Area()->subWindowList())
            if (sub->widget() && sub->widget()->objectName() == QString::fromStdString(view.Name()) &&
                !sub->isHidden())
                return sub;
        return nullptr;
    }
};

}  // namespace

TEST(DesktopProfile, ChoiceWindowProfileOnRigDataAndItsStatisticsWindow) {
    RigDesktop d;
    frmMain& w = *d.window;
    Workbench& wb = w.Bench();
    ScriptedDialogs& dialogs = d.t.dialogs;
    // The main window after the fit, as a user sees it at 1366 x 768.
    w.resize(1366, 768);
    Shot(w, "main-window");
    w.resize(1300, 900);
    QPushButton* evaluate = d.Button(menu::ParEstimate);
    ASSERT_TRUE(evaluate->isEnabled());
    EXPECT_EQ(evaluate->text(), "E&valuate single model parameter estimates");

    evaluate->click();
    ASSERT_FALSE(w.EvaluateSubWindow()->isHidden());
    EXPECT_TRUE(w.MenuSubWindow()->isHidden());
    frmEvaluate* choice = w.EvaluateWindow();
    EXPECT_EQ(choice->windowTitle(), "Evaluation of estimates");
    EXPECT_EQ(choice->Button("cmdML")->text(), "&Maximium likelihood (ML) confidence distributions");
    EXPECT_EQ(choice->Button("cmdBayes")->text(), "&Bayesian posterior (BP) distributions");
    EXPECT_EQ(choice->findChild<QLabel*>("lblNote2")->text(),
              "These routines can automatically edit your algorithm file so take care not to inadvertently save "
              "these edits");
    EXPECT_EQ(choice->Button("cmdBayes")->isEnabled(), w.Evaluation().PosteriorAvailable());
    Shot(w, "evaluation-choice");
    // Closing the window by its frame is its Cancel: the menu returns.
    w.EvaluateSubWindow()->close();
    EXPECT_TRUE(w.EvaluateSubWindow()->isHidden());
    EXPECT_FALSE(w.MenuSubWindow()->isHidden());

    // The profile of L-infinity's mean: 11 points, Marquardt, edited in the
    // editor the profile waits for; the ML interrupt menu shows while the
    // points run, and the main window refuses to close meanwhile.
    const char* title = profile_text::Title;
    dialogs.ExpectMessage(title, "Choose plot 1 to get a likelihood profile plot. ")
        .ExpectMessage(title, "Do you want to continue?", Answer::Yes)
        .ExpectPrompt("Enter constant", "Your model suggests you use this constant: ", "0.5")
        .ExpectPrompt(title, "Choose the parameter number to be profiled:", "1")
        .ExpectPrompt(title, "Choose the number of x-y data points per plot:", "11")
        .ExpectMessage(title, "Choose 'Yes' to minimize with SIMPLEX", Answer::No)
        .ExpectMessage("Just so you know", "Algorithm data, if changed, have been updated")
        .ExpectMessage("Marquardt minimization", "Choose 'Yes' if you have provided ANALYTICAL", Answer::No)
        .ExpectMessage("Marquardt minimization", "choosing Pepsi")
        .ExpectMessage("Marquardt minimization", "Do you want to see the partial derivatives", Answer::No)
        .ExpectMessage("Exit Corvane", "Please let the running command finish")
        // 11 points 1.2 apart span less than one SE (about 13) each side.
        .ExpectMessage(title, "The grid does not reach the distribution's tails");
    bool editorSeen = false, menuSeenDuringPoints = false, applicationDisabled = false, closeTried = false;
    const double estimate = wb.alg.value[1];
    dialogs.onProcessEvents = [&](int) {
        if (w.Editor().IsOpen()) {
            editorSeen = !w.EditorSubWindow()->isHidden();
            wb.alg.step[1] = 1.2;  // the user's spacing: about 4 SE on each side
            w.Editor().Finish();
            return;
        }
        if (!wb.engine.mlMode) return;
        w.RefreshInterruptMenus();  // as the desktop does before it lets events run
        menuSeenDuringPoints = w.findChild<QMenu*>("mnuMLInt")->menuAction()->isVisible();
        applicationDisabled = !w.findChild<QMenu*>("mnuApplication")->menuAction()->isEnabled();
        if (!closeTried) {
            closeTried = true;
            EXPECT_FALSE(w.close());
        }
    };
    int plots = 0;
    DrawAndCloseDistributionPlot(plots, "profile-distribution-plot");
    evaluate->click();
    w.EvaluateWindow()->Button("cmdML")->click();
    dialogs.onProcessEvents = nullptr;
    EXPECT_TRUE(dialogs.AllDone());
    EXPECT_TRUE(editorSeen);
    EXPECT_TRUE(menuSeenDuringPoints);
    EXPECT_TRUE(applicationDisabled);
    EXPECT_EQ(plots, 1);

    // Afterwards: the menu back, the Application menu live, the interrupt
    // menu hidden, L-infinity where it was, and the statistics window open.
    EXPECT_FALSE(w.MenuSubWindow()->isHidden());
    EXPECT_TRUE(w.EvaluateSubWindow()->isHidden());
    EXPECT_TRUE(w.findChild<QMenu*>("mnuApplication")->menuAction()->isEnabled());
    w.RefreshInterruptMenus();
    EXPECT_FALSE(w.findChild<QMenu*>("mnuMLInt")->menuAction()->isVisible());
    EXPECT_EQ(wb.alg.value[1], estimate);
    EXPECT_EQ(wb.alg.step[1], 1.2);
    ASSERT_EQ(wb.profileColumns.m, 11);
    EXPECT_NEAR(wb.profileColumns.x[6], estimate, 1e-12);
    EXPECT_EQ(wb.profileColumns.xML, wb.profileColumns.x[6]);  // the fit's estimate is the profile's mode
    QMdiSubWindow* stats = d.SubWindowOf(wb.profileView);
    ASSERT_NE(stats, nullptr);
    EXPECT_EQ(stats->windowTitle(), "Maximum likelihood statistics");
    auto* text = stats->widget()->findChild<QPlainTextEdit*>();
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->toPlainText().startsWith("Maximum-likelihood confidence distribution data"));
    auto* save = stats->widget()->findChild<QPushButton*>("cmdSave");
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->text(), "&Save maximum-likelihood data as...");
    EXPECT_EQ(save->toolTip(), "Saves the (possibly edited) output appearing in the textbox below");
    stats->resize(980, 620);
    w.Area()->setActiveSubWindow(stats);
    Shot(w, "profile-statistics");
}

TEST(DesktopProfile, PriorProfileFromThePriorsEditor) {
    TestPorts t;
    FunctionModel model(3, Quadratic({0, 0, 0}), "Three squares");
    DesktopCommands commands;
    commands.modelSetUp = [](Workbench& wb, QWidget*) { return InitialiseModel(wb); };
    frmMain window(t.dialogs, t.clock, t.random, &model, commands);
    window.resize(1200, 800);
    window.show();
    window.MenuWindow()->ButtonWidget(menu::Initialize)->click();
    t.dialogs.ExpectMessage("Load algorithm data", "", Answer::No).ExpectMessage("Default Algorithm Values", "");
    window.MenuWindow()->ButtonWidget(menu::LoadAlg)->click();
    t.dialogs.ExpectMessage("Setting Bayesian Priors", "", Answer::Yes);
    window.MenuWindow()->ButtonWidget(menu::Bayesian)->click();
    window.LoadPriorsWindow()->Button("cmdSet")->click();
    frmSetPriors* editor = window.SetPriorsWindow();
    ASSERT_TRUE(editor->Action("mnuProfile")->isEnabled());
    emit editor->Grid()->cellClicked(3, 0);  // parameter 2
    t.dialogs.ExpectPrompt("Gamma", "", "4").ExpectPrompt("Gamma", "", "1");
    editor->Action("mnuPriorG")->trigger();

    const char* title = prior_profile_text::Title;
    t.dialogs.ExpectMessage(title, "This routine will create a series of plots to evaluate prior distributions.")
        .ExpectMessage(title, "Choose plot 7")
        .ExpectPrompt(title, "Choose the parameter number to be profiled.", "2")
        .ExpectPrompt(title, "Choose the number of x-y data points per plot.", "0");
    int plots = 0;
    DrawAndCloseDistributionPlot(plots, "prior-distribution-plot");
    editor->Action("mnuProfile")->trigger();
    EXPECT_TRUE(t.dialogs.AllDone());
    EXPECT_EQ(plots, 1);
    // Defaults: the selected row's parameter, then 101 points.
    EXPECT_EQ(t.dialogs.shown[t.dialogs.shown.size() - 2].request.initialName, "2");
    EXPECT_EQ(t.dialogs.Last().request.initialName, "101");
    EXPECT_EQ(window.Bench().profileColumns.m, 101);
    EXPECT_EQ(window.Bench().profileColumns.x[1], 1e-6);
    QMdiSubWindow* stats = nullptr;
    for (QMdiSubWindow* sub : window.Area()->subWindowList())
        if (sub->widget() && sub->widget()->objectName() == "frmPriorDists" && !sub->isHidden()) stats = sub;
    ASSERT_NE(stats, nullptr);
    EXPECT_EQ(stats->windowTitle(), "Prior distribution statistics");
    auto* save = stats->widget()->findChild<QPushButton*>("cmdSave");
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->text(), "&Save Bayesian prior distribution data as...");
}
