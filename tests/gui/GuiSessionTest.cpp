#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <map>

#include "QtPrint.h"
#include "platform/qt/QtStatusBar.h"
#include "platform/qt/QtWindowHost.h"
#include "support/ScriptedDialogs.h"
#include "support/TestModels.h"
#include "ui/frmAlgo.h"
#include "ui/frmInfo.h"
#include "ui/frmMain.h"
#include "ui/frmMenu.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

// A desktop on scripted dialogues with a small test model.
struct Desktop {
    explicit Desktop(DesktopCommands extra = {})
        : model(3, [this](const Vec1<double>& x) { return Objective(x); }, "Three squares") {
        DesktopCommands commands = std::move(extra);
        commands.modelSetUp = [](Workbench& wb, QWidget*) { return InitialiseModel(wb); };
        window = std::make_unique<frmMain>(t.dialogs, t.clock, t.random, &model, commands);
        window->show();
    }

    double Objective(const Vec1<double>& x) {
        // What the user could do while MODEL runs.
        if (window) {
            for (const auto& b : window->Menu().Buttons()) enabledDuringCall[b.name] = Button(b.name)->isEnabled();
            applicationMenuDuringCall = window->findChild<QMenu*>("mnuApplication")->menuAction()->isEnabled();
        }
        return x[1] * x[1] + (x[2] - 1) * (x[2] - 1) + x[3] * x[3];
    }

    QPushButton* Button(const std::string& name) const { return window->MenuWindow()->ButtonWidget(name); }
    std::vector<std::string> Enabled() const {
        std::vector<std::string> names;
        for (const auto& b : window->Menu().Buttons())
            if (Button(b.name)->isEnabled()) names.push_back(b.name);
        return names;
    }
    void Ready() {
        Button(menu::Initialize)->click();
        t.dialogs.ExpectMessage("Load algorithm data", "", Answer::No).ExpectMessage("Default Algorithm Values", "");
        Button(menu::LoadAlg)->click();
    }

    TestPorts t;
    FunctionModel model;
    std::unique_ptr<frmMain> window;
    std::map<std::string, bool> enabledDuringCall;
    bool applicationMenuDuringCall = true;
};

using Names = std::vector<std::string>;

}  // namespace

TEST(GuiSession, MenuEnablingThroughStartInitialiseLoadAndOneCall) {
    Desktop d;
    EXPECT_EQ(d.window->windowTitle(), "Corvane");
    ASSERT_FALSE(d.window->MenuSubWindow()->isHidden());
    EXPECT_EQ(d.window->MenuSubWindow()->windowTitle(), "Main menu");
    EXPECT_EQ(d.Button(menu::Initialize)->text(), "&Initialize model");
    EXPECT_EQ(d.Button(menu::Rank)->toolTip(), "Uses AICc to rank and average among the best competing models");
    EXPECT_EQ(d.window->MenuWindow()->ModelNameLabel()->text(), "Three squares");
    EXPECT_EQ(d.Enabled(), (Names{menu::Initialize, menu::LoadAlg, menu::Quit}));
    // The interrupt menus are hidden while no evaluation runs.
    EXPECT_FALSE(d.window->findChild<QMenu*>("mnuMLInt")->menuAction()->isVisible());
    EXPECT_FALSE(d.window->findChild<QMenu*>("mnuBayesianInt")->menuAction()->isVisible());

    d.Button(menu::Initialize)->click();
    EXPECT_TRUE(d.window->Bench().app.modelInitialised);
    EXPECT_EQ(d.Enabled(), (Names{menu::Initialize, menu::LoadAlg, menu::Quit}));

    d.t.dialogs.ExpectMessage("Load algorithm data", "", Answer::No).ExpectMessage("Default Algorithm Values", "");
    d.Button(menu::LoadAlg)->click();
    EXPECT_EQ(d.Enabled(),
              (Names{menu::Initialize, menu::LoadAlg, menu::EditAlg, menu::SaveAlg, menu::OneFunction, menu::Bayesian,
                     menu::Simplex, menu::Marquardt, menu::UserSummary, menu::Covariance, menu::ParEstimate, menu::Rank, menu::Quit}));
    EXPECT_EQ(d.Button(menu::UserSummary)->text(), "Res&ults Summary");
    EXPECT_TRUE(d.Button(menu::UserSummary)->isEnabled());
    EXPECT_EQ(d.window->Status().PanelLabel(panels::AlgorithmFile)->text(), "Algorithm file: 12071842.alg");

    d.window->Bench().alg.value[2] = 3.0;
    d.Button(menu::OneFunction)->click();
    for (const auto& [name, enabled] : d.enabledDuringCall) EXPECT_FALSE(enabled) << name;
    EXPECT_FALSE(d.applicationMenuDuringCall);
    EXPECT_TRUE(d.window->findChild<QMenu*>("mnuApplication")->menuAction()->isEnabled());
    EXPECT_TRUE(d.Button(menu::OneFunction)->isEnabled());
    TextViewWindow* result = d.window->Host().WindowOf(d.window->Bench().oneCallView);
    ASSERT_NE(result, nullptr);
    EXPECT_TRUE(result->Area(1)->toPlainText().contains("Current minimum of 4. found"));
    EXPECT_EQ(d.window->Status().Get(panels::Activity(1)), "");
}

TEST(GuiSession, NothingToDoWhenEveryStepIsZero) {
    int runs = 0;
    DesktopCommands commands;
    commands.runSimplex = [&](Workbench&) { ++runs; };
    Desktop d(commands);
    d.Ready();
    ASSERT_TRUE(d.Button(menu::Simplex)->isEnabled());
    d.t.dialogs.ExpectMessage("There is nothing to do!", "All step sizes are zero");
    d.Button(menu::Simplex)->click();
    EXPECT_EQ(runs, 0);
    d.window->Bench().alg.step[1] = 0.1;
    d.Button(menu::Simplex)->click();
    EXPECT_EQ(runs, 1);
}

TEST(GuiSession, EditorRules) {
    Desktop d;
    d.Ready();
    d.Button(menu::EditAlg)->click();
    ASSERT_FALSE(d.window->EditorSubWindow()->isHidden());
    EXPECT_TRUE(d.window->MenuSubWindow()->isHidden());
    EXPECT_EQ(d.window->EditorSubWindow()->windowTitle(), "Algorithm data file name is:  12071842.alg");
    // The editor's own menus stand in for the frame's.
    EXPECT_TRUE(d.window->menuBar()->isHidden());
    frmAlgo* algo = d.window->EditorWindow();
    QTableWidget* grid = algo->Grid();
    ASSERT_EQ(grid->rowCount(), 3);
    EXPECT_EQ(grid->horizontalHeaderItem(3)->text(), "Fuse");

    // A cell edit goes through the edit box and the editor's rules.
    auto edit = [&](int row, int column, const QString& entry) {
        const QModelIndex index = grid->model()->index(row - 1, column);
        QWidget* box = grid->itemDelegate()->createEditor(grid->viewport(), QStyleOptionViewItem(), index);
        grid->itemDelegate()->setEditorData(box, index);
        static_cast<QLineEdit*>(box)->setText(entry);
        static_cast<QLineEdit*>(box)->setModified(true);  // as typing does
        grid->itemDelegate()->setModelData(box, grid->model(), index);
        delete box;
    };
    edit(1, 1, "0");
    EXPECT_EQ(grid->item(0, 2)->text(), "1.0000E-01");
    EXPECT_EQ(grid->item(0, 1)->text(), "0");
    edit(2, 1, "5");
    EXPECT_EQ(grid->item(1, 1)->text(), "5.0000E+00");
    EXPECT_EQ(grid->item(1, 1)->foreground().color(), QColor(Qt::red));
    EXPECT_EQ(grid->item(1, 2)->text(), "5.0000E-01");
    edit(3, 3, "b");
    edit(2, 3, "a");
    EXPECT_EQ(grid->item(1, 3)->text(), "A");
    EXPECT_EQ(grid->item(1, 3)->foreground().color(), QColor(Qt::red));
    edit(2, 3, "~");
    edit(1, 1, "");  // an empty box changes nothing
    EXPECT_EQ(grid->item(0, 1)->text(), "0");
    EXPECT_EQ(grid->item(2, 3)->text(), "B");
    edit(3, 3, "ABC");
    edit(3, 3, "A1");
    EXPECT_EQ(d.window->Bench().alg.fuse[3], "B");
    EXPECT_EQ(d.window->Bench().alg.fuse[2], "~~");

    // Relative tolerance of 1E-08 is stored as -1E-06.
    const char* title = "Change the tolerance for convergence";
    d.t.dialogs.ExpectMessage(title, "Do you want to change to RELATIVE?", Answer::Yes).ExpectPrompt(title, "", "1E-08");
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(3, 3), QPointF(3, 3), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(algo->ToleranceBox(), &release);
    EXPECT_EQ(d.window->Bench().alg.tolerance, -1e-6);
    EXPECT_EQ(algo->ToleranceLabel()->text(), "Relative tolerance for convergence (TC):");
    EXPECT_EQ(algo->ToleranceBox()->text(), "1.000E-06");

    // A negative maximum is refused and the old value shown again.
    QLineEdit* maxCalls = algo->SettingBox(EditorSetting::MaxCalls);
    EXPECT_EQ(maxCalls->text(), "9999");
    d.t.dialogs.ExpectMessage("Change the maximum # of function calls", "Maximum number of functions must be positive");
    maxCalls->setText("-5");
    emit maxCalls->editingFinished();
    EXPECT_EQ(maxCalls->text(), "9999");
    EXPECT_EQ(d.window->Bench().alg.maxCalls, 9999);
    maxCalls->setText("500");
    emit maxCalls->editingFinished();
    EXPECT_EQ(d.window->Bench().alg.maxCalls, 500);

    // Without a log the frequency box is off.
    EXPECT_FALSE(algo->SettingBox(EditorSetting::FileFrequency)->isEnabled());
    EXPECT_FALSE(algo->Button("cmdClose")->isEnabled());

    // Finishing: the message, the fuse set-up, the menu back by itself with
    // initialise and load off.
    d.t.dialogs.ExpectMessage("Just so you know", "Algorithm data, if changed, have been updated");
    algo->Button("cmdFinish")->click();
    EXPECT_TRUE(d.window->EditorSubWindow()->isHidden());
    EXPECT_FALSE(d.window->MenuSubWindow()->isHidden());
    EXPECT_FALSE(d.window->menuBar()->isHidden());
    d.window->Action("mnuMenu")->trigger();
    EXPECT_FALSE(d.window->MenuSubWindow()->isHidden());
    EXPECT_FALSE(d.Button(menu::LoadAlg)->isEnabled());
    EXPECT_TRUE(d.Button(menu::SaveAlg)->isEnabled());

    // Closing the editor window by its frame goes the same way.
    d.Button(menu::EditAlg)->click();
    d.t.dialogs.ExpectMessage("Just so you know", "");
    d.window->EditorSubWindow()->close();
    EXPECT_TRUE(d.window->EditorSubWindow()->isHidden());
    EXPECT_FALSE(d.window->Editor().IsOpen());
}

TEST(GuiSession, ExitWithNoKeepsTheApplicationRunning) {
    Desktop d;
    d.Ready();
    d.window->Bench().alg.value[1] = 42.0;
    d.t.dialogs.ExpectMessage("Exit Corvane", "Do you want to quit Corvane?", Answer::No);
    EXPECT_FALSE(d.window->close());
    EXPECT_TRUE(d.window->isVisible());
    EXPECT_EQ(d.window->Bench().alg.value[1], 42.0);
    EXPECT_TRUE(d.Button(menu::SaveAlg)->isEnabled());

    // The same from the menu's Quit button and the Application menu.
    d.t.dialogs.ExpectMessage("Exit Corvane", "", Answer::No).ExpectMessage("Exit Corvane", "", Answer::No);
    d.Button(menu::Quit)->click();
    d.window->Action("mnuExit")->trigger();
    EXPECT_TRUE(d.window->isVisible());

    d.t.dialogs.ExpectMessage("Exit Corvane", "", Answer::Yes).ExpectMessage("What about algorithm data?", "",
                                                                             Answer::No);
    EXPECT_TRUE(d.window->close());
    EXPECT_FALSE(d.window->isVisible());
}

TEST(GuiSession, InformationWindowsKeepTheMainWindowWaiting) {
    Desktop d;
    d.window->Action("mnuWisdom")->trigger();
    auto* info = d.window->findChild<frmInfo*>();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->windowTitle(), "Patience and wisdom lead to satisfying results");
    EXPECT_EQ(info->windowModality(), Qt::ApplicationModal);
    EXPECT_FALSE(info->Text()->toPlainText().isEmpty());
    info->findChild<QPushButton*>("cmdOK")->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(d.window->findChild<frmInfo*>(), nullptr);

    d.window->Action("mnuDefaultNames")->trigger();
    info = d.window->findChild<frmInfo*>();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->windowTitle(), "Default names and values etc.");
    EXPECT_TRUE(info->Text()->toPlainText().contains("minimize.cvl"));
    info->close();
}
