// A whole session without the mouse: set-up, load, fit, covariances, a
// likelihood profile and exit, each started by its Alt+letter typed where
// the keyboard focus is, whichever child window has it, and Enter pressing
// the focused button.  The message boxes and prompts are answered by script;
// every window is reached by keys alone.  ctest runs it at 1366 x 768 and
// at 125% too.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "DesktopSteps.h"
#include "QtPrint.h"
#include "evaluation/LikelihoodProfile.h"
#include "evaluation/frmEvaluate.h"
#include "platform/qt/QtWindowHost.h"
#include "support/ScriptedDialogs.h"
#include "support/TestModels.h"
#include "ui/frmAlgo.h"
#include "ui/frmMain.h"
#include "ui/frmMenu.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

// A key as the keyboard delivers it: to the widget with the focus (the
// application tries its shortcuts first).
void Type(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget();
    if (!target) target = QApplication::activeWindow();
    ASSERT_NE(target, nullptr) << "no window has the keyboard";
    const QString text = key == Qt::Key_Return ? QStringLiteral("\r") : QKeySequence(key).toString().toLower();
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(target, &release);
}

void Alt(Qt::Key key) { Type(key, Qt::AltModifier); }

}  // namespace

TEST(KeyboardOnly, SetUpLoadFitCovariancesProfileExit) {
    TestPorts t;
    FunctionModel model(2, Quadratic({1, 2}, {1, 4}), "Two squares");
    DesktopCommands commands;
    int setUps = 0;
    commands.modelSetUp = [&setUps](Workbench& wb, QWidget*) {
        ++setUps;
        return InitialiseModel(wb);
    };
    frmMain w(t.dialogs, t.clock, t.random, &model, commands);
    w.show();
    w.activateWindow();
    ASSERT_TRUE(WaitFor([&] { return QApplication::activeWindow() == &w; }));
    Workbench& wb = w.Bench();
    auto focusOn = [&](const char* name) {
        return WaitFor([&] { return QApplication::focusWidget() == w.MenuWindow()->ButtonWidget(name); });
    };

    // Set-up: the keyboard is on "&Initialize model"; Enter presses it.
    ASSERT_TRUE(focusOn(menu::Initialize));
    Type(Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return setUps == 1; }));
    ASSERT_TRUE(focusOn(menu::LoadAlg));

    // Load: Alt+L, no file: the defaults, as a file would hold them.
    t.dialogs.ExpectMessage("Load algorithm data", "Load an existing algorithm data file?", Answer::No)
        .ExpectMessage("Default Algorithm Values", "");
    Alt(Qt::Key_L);  // a mnemonic presses its button a moment later, as a click would
    ASSERT_TRUE(WaitFor([&] { return t.dialogs.AllDone(); }));
    wb.alg.value[1] = 3.0;
    wb.alg.value[2] = -1.0;
    wb.alg.step[1] = wb.alg.step[2] = 0.5;

    // A result window in front takes the keyboard; Alt+M still reaches the
    // menu's "&Marquardt".
    t.dialogs.ExpectMessage("Marquardt minimization", "Choose 'Yes' if you have provided ANALYTICAL", Answer::No)
        .ExpectMessage("Marquardt minimization", "")
        .ExpectMessage("Marquardt minimization", "Do you want to see the partial derivatives", Answer::No)
        .ExpectMessage("Marquardt minimum", "Minimum found using Marquardt!");
    Alt(Qt::Key_1);  // "&1 Function call" opens its result window in front
    ASSERT_TRUE(WaitFor([&] { return w.Host().IsOpen(wb.oneCallView); }));
    w.Area()->setActiveSubWindow(w.Host().SubWindowOf(wb.oneCallView));
    ASSERT_TRUE(WaitFor([&] { return w.Area()->activeSubWindow() == w.Host().SubWindowOf(wb.oneCallView); }));
    Alt(Qt::Key_M);
    EXPECT_TRUE(WaitFor([&] { return t.dialogs.AllDone(); }));
    EXPECT_NEAR(wb.alg.value[1], 1.0, 1e-4);
    EXPECT_NEAR(wb.alg.value[2], 2.0, 1e-4);
    wb.CloseProgressWindows();

    // Covariances: the editor the command waits for is finished by Alt+F.
    bool editorSeen = false;
    t.dialogs.onProcessEvents = [&](int) {
        if (editorSeen || w.EditorSubWindow()->isHidden()) return;
        editorSeen = true;
        w.EditorWindow()->Button("cmdFinish")->setFocus();
        Alt(Qt::Key_F);
        // The press comes a moment later: let it come while the command waits.
        EXPECT_TRUE(WaitFor([&] { return !w.Editor().IsOpen(); }));
    };
    ExpectNumericalCovariance(t.dialogs);
    Alt(Qt::Key_C);
    EXPECT_TRUE(WaitFor([&] { return t.dialogs.AllDone() && wb.covariance.computed; }));
    t.dialogs.onProcessEvents = nullptr;
    EXPECT_TRUE(editorSeen);
    ASSERT_TRUE(wb.covariance.computed);
    // "Display results on &screen" by Alt+S in the result window: the report comes to the front.
    QMdiSubWindow* result = w.Host().SubWindowOf(wb.covarianceDisplay.result);
    ASSERT_NE(result, nullptr);
    ASSERT_TRUE(WaitFor([&] { return w.Area()->activeSubWindow() == result; }));
    w.Host().WindowOf(wb.covarianceDisplay.result)->ButtonWidget("cmdScreen")->setFocus();
    Alt(Qt::Key_S);
    ASSERT_TRUE(WaitFor([&] {
        return w.Area()->activeSubWindow() == w.Host().SubWindowOf(wb.covarianceDisplay.progress);
    }));
    // "&Finish display" from the result window, back to the menu.
    w.Area()->setActiveSubWindow(result);
    w.Host().WindowOf(wb.covarianceDisplay.result)->ButtonWidget("cmdFinish")->setFocus();
    Type(Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return !w.MenuSubWindow()->isHidden(); }));

    // A profile of parameter 1 through "E&valuate ...", then "&Maximium likelihood" by Alt+M there.
    const char* title = profile_text::Title;
    t.dialogs.ExpectMessage(title, "Choose plot 1 to get a likelihood profile plot. ")
        .ExpectMessage(title, "Do you want to continue?", Answer::Yes)
        .ExpectPrompt("Enter constant", "", "0.5")
        .ExpectPrompt(title, "Choose the parameter number to be profiled:", "1")
        .ExpectPrompt(title, "Choose the number of x-y data points per plot:", "5")
        .ExpectMessage(title, "Choose 'Yes' to minimize with SIMPLEX", Answer::No)
        .ExpectPrompt("ML parameter estimate evaluation", "Base step sizes on SD's from covariance grid", "N")
        .ExpectMessage("Just so you know", "Algorithm data, if changed, have been updated")
        .ExpectMessage("Marquardt minimization", "Choose 'Yes' if you have provided ANALYTICAL", Answer::No)
        .ExpectMessage("Marquardt minimization", "")
        .ExpectMessage("Marquardt minimization", "Do you want to see the partial derivatives", Answer::No)
        // 5 points 0.5 apart: too coarse and too short for an SD of 0.54, and the user is told so.
        .ExpectMessage("ML parameter estimate evaluation", "The grid is too coarse for this distribution");
    bool profileEditor = false;
    t.dialogs.onProcessEvents = [&](int) {
        if (profileEditor || !w.Editor().IsOpen()) return;
        profileEditor = true;
        w.EditorWindow()->Button("cmdFinish")->setFocus();
        Type(Qt::Key_Return);
    };
    int plots = 0;
    std::function<void()> closePlot = [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            QTimer::singleShot(20, closePlot);
            return;
        }
        ++plots;
        // The plot window's "&Done" by its Alt+D.
        modal->activateWindow();
        EXPECT_TRUE(WaitFor([modal] { return QApplication::activeWindow() == modal; }));
        modal->findChild<QPushButton*>("cmdDone")->setFocus();
        Alt(Qt::Key_D);
        // Never left open: a plot that stays would hold the test forever.
        QTimer::singleShot(1500, [guard = QPointer<QWidget>(modal)] {
            if (!guard || QApplication::activeModalWidget() != guard) return;
            ADD_FAILURE() << "Alt+D did not close the plot window";
            static_cast<QDialog*>(guard.data())->reject();
        });
    };
    QTimer::singleShot(0, closePlot);
    Alt(Qt::Key_V);
    ASSERT_TRUE(WaitFor([&] { return !w.EvaluateSubWindow()->isHidden(); }));
    w.EvaluateWindow()->Button("cmdML")->setFocus();
    Alt(Qt::Key_M);
    EXPECT_TRUE(WaitFor([&] { return t.dialogs.AllDone() && plots == 1; }));
    t.dialogs.onProcessEvents = nullptr;
    EXPECT_EQ(plots, 1);
    EXPECT_EQ(wb.profileColumns.m, 5);

    // Exit by Alt+Q: nothing changed since loading but the fit's values.
    t.dialogs.ExpectMessage("Exit Corvane", "Do you want to quit Corvane?", Answer::Yes)
        .ExpectMessage("What about algorithm data?", "They have not been saved to a file yet.", Answer::No);
    ASSERT_TRUE(WaitFor([&] { return !w.MenuSubWindow()->isHidden(); }));
    w.activateWindow();
    ASSERT_TRUE(WaitFor([&] { return QApplication::activeWindow() == &w; }));
    w.Area()->setActiveSubWindow(w.MenuSubWindow());
    w.MenuWindow()->ButtonWidget(menu::Quit)->setFocus();
    Alt(Qt::Key_Q);
    EXPECT_TRUE(WaitFor([&] { return !w.isVisible(); }));
}
