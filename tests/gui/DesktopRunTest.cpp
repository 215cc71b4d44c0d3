// The desktop's second stage offscreen: the growth model's set-up form, and
// Simplex and Marquardt started from the menu with their progress windows,
// interrupts and the menu's enabling while they run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTimer>
#include <cmath>
#include <map>

#include "QtPrint.h"
#include "model/GrowthModel.h"
#include "model/frmInitialize.h"
#include "platform/qt/QtStatusBar.h"
#include "platform/qt/QtWindowHost.h"
#include "support/ScriptedDialogs.h"
#include "support/TestData.h"
#include "support/TestModels.h"
#include "ui/frmMain.h"
#include "ui/frmMenu.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

using Names = std::vector<std::string>;

Names EnabledButtons(frmMain& window) {
    Names names;
    for (const auto& b : window.Menu().Buttons())
        if (window.MenuWindow()->ButtonWidget(b.name)->isEnabled()) names.push_back(b.name);
    return names;
}

// Runs the given steps on the set-up dialogue once it is open (it is modal).
void WhenSetUpOpens(frmMain& window, std::function<void(frmInitialize&)> steps) {
    QTimer::singleShot(0, &window, [&window, steps = std::move(steps)] {
        auto* dialog = window.findChild<frmInitialize*>();
        ASSERT_NE(dialog, nullptr);
        steps(*dialog);
        // A test that forgot to close the dialogue must not hang.
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the set-up dialogue was left open";
            dialog->reject();
        }
    });
}

template <typename T>
T* Control(frmInitialize& dialog, const char* name) {
    auto* control = qobject_cast<T*>(dialog.Control(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

// The desktop with a small quadratic model (minimum at 1, 2), initialised
// and loaded with two free parameters from 0.
struct RunDesktop {
    RunDesktop() : model(2, Quadratic({1, 2}, {1, 4}), "Two squares") {
        DesktopCommands commands;
        commands.modelSetUp = [](Workbench& wb, QWidget*) { return InitialiseModel(wb); };
        window = std::make_unique<frmMain>(t.dialogs, t.clock, t.random, &model, commands);
        window->show();
        Button(menu::Initialize)->click();
        t.dialogs.ExpectMessage("Load algorithm data", "", Answer::No).ExpectMessage("Default Algorithm Values", "");
        Button(menu::LoadAlg)->click();
        Workbench& wb = window->Bench();
        wb.alg.step[1] = wb.alg.step[2] = 0.5;
        wb.alg.tolerance = 1e-4;
        wb.alg.terminalFrequency = 1;
    }

    QPushButton* Button(const std::string& name) const { return window->MenuWindow()->ButtonWidget(name); }
    Workbench& Bench() { return window->Bench(); }
    TextViewWindow* Window(TextView& view) { return window->Host().WindowOf(view); }
    QPushButton* WindowButton(TextView& view, const char* name) {
        TextViewWindow* w = Window(view);
        return w ? w->ButtonWidget(name) : nullptr;
    }
    // What the user could reach while the computation lets events run.
    void WatchWhileRunning() {
        t.dialogs.onProcessEvents = [this](int) {
            ++eventsWhileRunning;
            for (const auto& b : window->Menu().Buttons())
                if (Button(b.name)->isEnabled()) enabledWhileRunning.push_back(b.name);
            applicationMenuWhileRunning =
                applicationMenuWhileRunning || window->findChild<QMenu*>("mnuApplication")->menuAction()->isEnabled();
        };
    }

    TestPorts t;
    FunctionModel model;
    std::unique_ptr<frmMain> window;
    int eventsWhileRunning = 0;
    Names enabledWhileRunning;
    bool applicationMenuWhileRunning = false;
};

}  // namespace

TEST(DesktopSetUp, CancelLeavesTheModelAloneAndFrequencyControlsFollowTheirFile) {
    TestPorts t;
    GrowthModel model(&t.dialogs);
    DesktopCommands commands;
    commands.modelSetUp = [&model](Workbench& wb, QWidget* frame) { return ShowModelSetUp(wb, model, frame); };
    frmMain window(t.dialogs, t.clock, t.random, &model, commands);
    window.show();

    bool opened = false;
    WhenSetUpOpens(window, [&](frmInitialize& d) {
        opened = true;
        EXPECT_EQ(d.windowTitle(), "Initialize age modal size frequency and growth increment model");
        EXPECT_TRUE(d.isModal());
        EXPECT_EQ(window.windowTitle(),
                  "Multi-distribution annually-pulsed size frequency data, and growth increment data, model");
        EXPECT_FALSE(window.MenuWindow()->isEnabled());
        // The form's texts, lists and tool tips reach the controls.
        EXPECT_TRUE(Control<QPlainTextEdit>(d, "frmtIncs")->isReadOnly());
        EXPECT_TRUE(Control<QPlainTextEdit>(d, "frmtIncs")->toPlainText().endsWith(
            "Note that the first record is skipped since it is assumed to contain field labels.\n"));
        EXPECT_EQ(Control<QComboBox>(d, "cboSeries")->toolTip(),
                  "The number of size frequency series to be read and statistically evaluated");
        EXPECT_EQ(Control<QComboBox>(d, "cboBirthDay")->count(), 365);

        // Frequency controls wait for a frequency file; a cancelled choice changes nothing.
        EXPECT_FALSE(Control<QComboBox>(d, "cboSeries")->isEnabled());
        EXPECT_FALSE(Control<QCheckBox>(d, "chkForceGamma")->isEnabled());
        EXPECT_FALSE(Control<QRadioButton>(d, "optGaussian")->isEnabled());
        t.dialogs.ExpectFile("Load frequency data file", std::nullopt);
        Control<QPushButton>(d, "cmdFrequency")->click();
        EXPECT_FALSE(Control<QComboBox>(d, "cboSeries")->isEnabled());
        t.dialogs.ExpectFile("Load frequency data file", "/data/freq.dat");
        Control<QPushButton>(d, "cmdFrequency")->click();
        EXPECT_EQ(Control<QLineEdit>(d, "lblFrequencyPath")->text(), "/data/freq.dat");
        EXPECT_TRUE(Control<QComboBox>(d, "cboSeries")->isEnabled());
        EXPECT_TRUE(Control<QLineEdit>(d, "txtAgeDiff")->isEnabled());
        EXPECT_FALSE(Control<QRadioButton>(d, "optGamma")->isEnabled());

        // Checking one age-mode box clears the others.
        Control<QCheckBox>(d, "chkForceNormal")->click();
        Control<QCheckBox>(d, "chkForceGamma")->click();
        EXPECT_FALSE(Control<QCheckBox>(d, "chkForceNormal")->isChecked());
        EXPECT_TRUE(Control<QCheckBox>(d, "chkForceGamma")->isChecked());

        // Leaving the first-cell field with a cell below 1 is refused and reset;
        // opening its list is not leaving it.
        QComboBox* first = Control<QComboBox>(d, "cboFirst");
        first->setEditText(QStringLiteral("0"));
        QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
        QApplication::sendEvent(first->lineEdit(), &popup);
        EXPECT_EQ(first->currentText(), "0");
        t.dialogs.ExpectMessage("Initialize", "First frequency cell must be positive");
        QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(first->lineEdit(), &leave);
        EXPECT_EQ(first->currentText(), "1");

        // No series: OK keeps the dialogue open.
        t.dialogs.ExpectMessage("Missing input", "Please enter a non-zero value for the number of series");
        Control<QPushButton>(d, "cmdOK")->click();
        EXPECT_TRUE(d.isVisible());
        // A set-up that cannot work is refused with a message before anything is read.
        Control<QComboBox>(d, "cboSeries")->setEditText(QStringLiteral("2"));
        Control<QComboBox>(d, "cboBlendedAges")->setEditText(QStringLiteral("5"));
        Control<QComboBox>(d, "cboBirthDay")->setEditText(QStringLiteral("400"));
        t.dialogs.ExpectMessage("Initialize", "The birth day must be a day of the year from 1 to 365");
        Control<QPushButton>(d, "cmdOK")->click();
        EXPECT_TRUE(d.isVisible());
        Control<QPushButton>(d, "cmdCancel")->click();
    });
    window.MenuWindow()->ButtonWidget(menu::Initialize)->click();
    EXPECT_TRUE(opened);
    EXPECT_FALSE(window.Bench().app.modelInitialised);
    EXPECT_FALSE(model.Initialised());
    EXPECT_TRUE(window.MenuWindow()->isEnabled());
    EXPECT_EQ(EnabledButtons(window), (Names{menu::Initialize, menu::LoadAlg, menu::Quit}));

    // Closing the window by its frame cancels too.
    WhenSetUpOpens(window, [](frmInitialize& d) { d.close(); });
    window.MenuWindow()->ButtonWidget(menu::Initialize)->click();
    EXPECT_FALSE(window.Bench().app.modelInitialised);
}

TEST(DesktopSetUp, OkInitialisesTheGrowthModelFromTheIncrementFile) {
    const std::string rig = DataPath("rig_increments.dat");
    TestPorts t;
    GrowthModel model(&t.dialogs);
    DesktopCommands commands;
    commands.modelSetUp = [&model](Workbench& wb, QWidget* frame) { return ShowModelSetUp(wb, model, frame); };
    frmMain window(t.dialogs, t.clock, t.random, &model, commands);
    window.show();

    WhenSetUpOpens(window, [&](frmInitialize& d) {
        t.dialogs.ExpectMessage("Missing input", "Please specify the frequency file and/or increment file");
        Control<QPushButton>(d, "cmdOK")->click();
        EXPECT_TRUE(d.isVisible());
        t.dialogs.ExpectFile("Load increment data file", rig);
        Control<QPushButton>(d, "cmdIncrement")->click();
        EXPECT_EQ(Control<QLineEdit>(d, "lblIncrementPath")->text(), QString::fromStdString(rig));
        EXPECT_TRUE(Control<QRadioButton>(d, "optGaussian")->isChecked());
        Control<QRadioButton>(d, "optGamma")->click();
        EXPECT_FALSE(Control<QComboBox>(d, "cboSeries")->isEnabled());
        Control<QPushButton>(d, "cmdOK")->click();
    });
    window.MenuWindow()->ButtonWidget(menu::Initialize)->click();

    Workbench& wb = window.Bench();
    EXPECT_TRUE(wb.app.modelInitialised);
    EXPECT_EQ(wb.alg.np, 19);
    EXPECT_EQ(model.Settings().errors, 'G');
    EXPECT_EQ(model.Settings().kind, 'I');
    EXPECT_EQ(wb.alg.description[13],
              "von Bertalanffy's t0, the theoretical age (in years) at which size is zero [0]");
    EXPECT_EQ(window.Status().Get(panels::IncrementFile), "Increment file: " + rig);
    EXPECT_EQ(window.Status().Get(panels::PriorsFile), "Bayesian priors file: ");
    EXPECT_EQ(EnabledButtons(window), (Names{menu::Initialize, menu::LoadAlg, menu::Quit}));
    EXPECT_TRUE(window.MenuWindow()->isEnabled());

    // Loading defaults then offers every command built so far.
    t.dialogs.ExpectMessage("Load algorithm data", "", Answer::No).ExpectMessage("Default Algorithm Values", "");
    window.MenuWindow()->ButtonWidget(menu::LoadAlg)->click();
    EXPECT_EQ(EnabledButtons(window),
              (Names{menu::Initialize, menu::LoadAlg, menu::EditAlg, menu::SaveAlg, menu::OneFunction, menu::Bayesian,
                     menu::Simplex, menu::Marquardt, menu::UserSummary, menu::Covariance, menu::ParEstimate, menu::Rank, menu::Quit}));
}

TEST(DesktopSetUp, ADroppedDataFileOpensTheSetUpWithItChosenAndBecomesRecent) {
    const std::string rig = DataPath("rig_increments.dat");
    TestPorts t;
    GrowthModel model(&t.dialogs);
    DesktopCommands commands;
    commands.modelSetUp = [&model](Workbench& wb, QWidget* frame) { return ShowModelSetUp(wb, model, frame); };
    commands.modelSetUpWithFiles = [&model](Workbench& wb, QWidget* frame, const std::string& f,
                                            const std::string& i) { return ShowModelSetUp(wb, model, frame, f, i); };
    commands.dataFiles = [&model](Workbench&) {
        return std::vector<KnownFile>{{FileKind::Increments, model.Settings().incrementPath}};
    };
    frmMain window(t.dialogs, t.clock, t.random, &model, commands);
    window.show();

    // As though picked with "Load Increments": the same field, the same options.
    WhenSetUpOpens(window, [&](frmInitialize& d) {
        EXPECT_EQ(Control<QLineEdit>(d, "lblIncrementPath")->text(), QString::fromStdString(rig));
        EXPECT_EQ(Control<QLineEdit>(d, "lblFrequencyPath")->text(), QString());
        EXPECT_TRUE(Control<QRadioButton>(d, "optGaussian")->isEnabled());
        EXPECT_TRUE(Control<QRadioButton>(d, "optGaussian")->isChecked());
        EXPECT_FALSE(Control<QComboBox>(d, "cboSeries")->isEnabled());
        Control<QPushButton>(d, "cmdOK")->click();
    });
    window.OpenDropped({rig});
    EXPECT_TRUE(t.dialogs.AllDone());
    EXPECT_TRUE(window.Bench().app.modelInitialised);
    EXPECT_EQ(window.Status().Get(panels::IncrementFile), "Increment file: " + rig);
    ASSERT_FALSE(window.Recent().Empty());
    EXPECT_EQ(window.Recent().Entries()[0], (KnownFile{FileKind::Increments, rig}));
}

TEST(DesktopRuns, SimplexFromTheMenuShowsItsProgressAndLeavesTheMenuLiveAfterwards) {
    RunDesktop d;
    Workbench& wb = d.Bench();
    wb.app.covarianceCurrent = true;
    d.WatchWhileRunning();
    d.t.dialogs.ExpectMessage("Simplex minimum", "Minimum found using Simplex!");
    d.Button(menu::Simplex)->click();

    // While it ran: events were let through, nothing else could start.
    EXPECT_GT(d.eventsWhileRunning, 10);
    EXPECT_EQ(d.enabledWhileRunning, Names{});
    EXPECT_FALSE(d.applicationMenuWhileRunning);
    EXPECT_FALSE(wb.app.covarianceCurrent);

    EXPECT_NEAR(wb.alg.value[1], 1.0, 0.02);
    EXPECT_NEAR(wb.alg.value[2], 2.0, 0.02);
    TextViewWindow* progress = d.Window(wb.simplexView);
    ASSERT_NE(progress, nullptr);
    // Two read-only areas sharing the height through a splitter.
    auto* splitter = progress->findChild<QSplitter*>();
    ASSERT_NE(splitter, nullptr);
    EXPECT_EQ(splitter->count(), 2);
    EXPECT_EQ(splitter->orientation(), Qt::Vertical);
    EXPECT_TRUE(progress->Area(1)->isReadOnly() && progress->Area(2)->isReadOnly());
    EXPECT_TRUE(progress->Area(1)->toPlainText().contains("Initial Simplex: Starting function value> 17."));
    EXPECT_TRUE(progress->Area(2)->toPlainText().contains("found at these 2 adjusted parameter values:"));
    // Interrupt belongs to the run only.
    EXPECT_FALSE(d.WindowButton(wb.simplexView, "cmdStop")->isEnabled());
    EXPECT_EQ(d.WindowButton(wb.simplexView, "cmdStop")->text(), "&Interrupt this minimization");
    EXPECT_EQ(EnabledButtons(*d.window),
              (Names{menu::Initialize, menu::LoadAlg, menu::EditAlg, menu::SaveAlg, menu::OneFunction, menu::Bayesian,
                     menu::Simplex, menu::Marquardt, menu::UserSummary, menu::Covariance, menu::ParEstimate, menu::Rank, menu::Quit}));
    EXPECT_TRUE(d.window->findChild<QMenu*>("mnuApplication")->menuAction()->isEnabled());

    // A second run continues from the kept simplex with its Interrupt live again.
    bool stopLive = false;
    d.t.dialogs.onProcessEvents = [&](int) { stopLive = d.WindowButton(wb.simplexView, "cmdStop")->isEnabled(); };
    d.t.dialogs.ExpectMessage("Simplex minimum", "Minimum found using Simplex!");
    d.Button(menu::Simplex)->click();
    EXPECT_TRUE(stopLive);

    // A request left over from before is not taken for one of the next run.
    wb.alg.value[1] = wb.alg.value[2] = 0.0;
    wb.alg.simplexCurrent = false;
    wb.engine.interruptRequested = true;
    d.t.dialogs.ExpectMessage("Simplex minimum", "Minimum found using Simplex!");
    d.Button(menu::Simplex)->click();
    EXPECT_TRUE(d.t.dialogs.AllDone());
}

TEST(DesktopRuns, InterruptButtonAndClosingTheWindowBothAskToQuit) {
    RunDesktop d;
    Workbench& wb = d.Bench();
    // The Interrupt button at the third pause: quit.
    d.t.dialogs.onProcessEvents = [&](int call) {
        if (call != 3) return;
        d.WindowButton(wb.simplexView, "cmdStop")->click();
        EXPECT_FALSE(d.WindowButton(wb.simplexView, "cmdStop")->isEnabled());
        EXPECT_EQ(d.window->Status().Get(panels::Activity(1)), "Interrupt pending...");
    };
    d.t.dialogs.ExpectMessage("Simplex interrupt", "Interrupt received. Do you want to quit minimizing?", Answer::Yes);
    d.Button(menu::Simplex)->click();
    EXPECT_TRUE(d.t.dialogs.AllDone());
    // Stopped early, the best vertex written back and the activity cleared.
    EXPECT_GT(std::fabs(wb.alg.value[1] - 1.0) + std::fabs(wb.alg.value[2] - 2.0), 1e-3);
    EXPECT_NE(wb.alg.value[1], 0.0);
    EXPECT_EQ(d.window->Status().Get(panels::Activity(1)), "");
    EXPECT_TRUE(d.Button(menu::Simplex)->isEnabled());

    // Closing the progress window while it runs asks the same question and
    // keeps the window: the run would otherwise go on unseen.
    wb.alg.value[1] = wb.alg.value[2] = 0.0;
    wb.alg.simplexCurrent = false;
    const int before = d.t.dialogs.processEventsCalls;
    d.t.dialogs.onProcessEvents = [&](int call) {
        if (call == before + 3) d.window->Host().SubWindowOf(wb.simplexView)->close();
    };
    d.t.dialogs.ExpectMessage("Simplex interrupt", "Do you want to quit minimizing?", Answer::No)
        .ExpectMessage("Simplex minimum", "Minimum found using Simplex!");
    d.Button(menu::Simplex)->click();
    EXPECT_TRUE(d.t.dialogs.AllDone());
    EXPECT_NEAR(wb.alg.value[1], 1.0, 0.02);
    ASSERT_TRUE(d.window->Host().IsOpen(wb.simplexView));

    // Closed after the run, it clears both areas and the status panels.
    d.window->Status().Set(panels::Activity(3), "left over");
    d.window->Host().SubWindowOf(wb.simplexView)->close();
    EXPECT_FALSE(d.window->Host().IsOpen(wb.simplexView));
    EXPECT_EQ(wb.simplexView.Area(1), "");
    EXPECT_EQ(wb.simplexView.Area(2), "");
    EXPECT_EQ(d.window->Status().Get(panels::Activity(3)), "");
}

TEST(DesktopRuns, MarquardtShowsDerivativesUntilContinueAndNothingToDoChangesNothing) {
    RunDesktop d;
    Workbench& wb = d.Bench();
    int waits = 0;
    d.t.dialogs.onProcessEvents = [&](int) {
        for (const auto& b : d.window->Menu().Buttons())
            EXPECT_FALSE(d.Button(b.name)->isEnabled()) << b.name;
        if (!wb.marquardt.awaitingChoice) return;
        ++waits;
        TextViewWindow* w = d.Window(wb.marquardtView);
        ASSERT_NE(w, nullptr);
        EXPECT_FALSE(w->ButtonWidget("cmdIteration")->isHidden());
        EXPECT_TRUE(w->Area(1)->toPlainText().contains("Numerical 1st derivative wrt Parameter      001)"));
        w->ButtonWidget(waits == 1 ? "cmdIteration" : "cmdContinue")->click();
        EXPECT_TRUE(w->ButtonWidget("cmdIteration")->isHidden() && w->ButtonWidget("cmdContinue")->isHidden());
    };
    d.t.dialogs.ExpectMessage("Marquardt minimization", "Choose 'Yes' if you have provided ANALYTICAL", Answer::No)
        .ExpectMessage("Marquardt minimization", "choosing Pepsi")
        .ExpectMessage("Marquardt minimization", "Do you want to see the partial derivatives", Answer::Yes)
        .ExpectMessage("Marquardt minimum", "Minimum found using Marquardt!");
    d.Button(menu::Marquardt)->click();
    EXPECT_TRUE(d.t.dialogs.AllDone());
    // Next iteration showed them again after the second step; Continue ended the display.
    EXPECT_EQ(waits, 2);
    EXPECT_NEAR(wb.alg.value[1], 1.0, 1e-5);
    EXPECT_NEAR(wb.alg.value[2], 2.0, 1e-5);
    TextViewWindow* w = d.Window(wb.marquardtView);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->Area(1)->toPlainText().contains("This result required 2 iterations"));
    EXPECT_FALSE(w->ButtonWidget("cmdStop")->isEnabled());
    EXPECT_TRUE(d.Button(menu::Marquardt)->isEnabled());

    // With every step zero the run does not start and the window stays as it was.
    wb.alg.step[1] = wb.alg.step[2] = 0.0;
    d.t.dialogs.onProcessEvents = {};
    d.t.dialogs.ExpectMessage("There is nothing to do!", "All step sizes are zero");
    d.Button(menu::Marquardt)->click();
    EXPECT_TRUE(d.window->Host().IsOpen(wb.marquardtView));
    EXPECT_TRUE(d.Button(menu::Marquardt)->isEnabled());
}
