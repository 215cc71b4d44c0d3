// The Bayesian posterior on the desktop offscreen, on the rig tag-recapture
// data: the main window's interrupt menu while it runs, the plot windows it
// opens, and the "Bayesian statistics" window with its Save.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "evaluation/PosteriorCommand.h"
#include "model/GrowthModel.h"
#include "platform/qt/QtWindowHost.h"
#include "support/ScriptedDialogs.h"
#include "support/TestData.h"
#include "ui/frmMain.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

// With CORVANE_SCREENSHOTS set to a directory, a window is also saved
// there as it looks on the screen.
void Screenshot(QWidget& window, const std::string& name) {
    const char* dir = std::getenv("CORVANE_SCREENSHOTS");
    if (!dir || !*dir) return;
    QApplication::processEvents();
    window.grab().save(QString::fromUtf8(dir) + QLatin1Char('/') + QString::fromStdString(name) + QStringLiteral(".png"));
}

}  // namespace

TEST(DesktopPosterior, RunsWithTheInterruptMenuShowsItsPlotsAndSavesFromItsWindow) {
    TestPorts t;
    GrowthModel model(&t.dialogs);
    frmMain window(t.dialogs, t.clock, t.random, &model);
    window.resize(1300, 900);
    window.show();
    Workbench& wb = window.Bench();
    GrowthSetup setup;
    setup.incrementPath = DataPath("rig_increments.dat");
    model.SetPendingSettings(setup);
    ASSERT_TRUE(InitialiseModel(wb));
    const double values[] = {104.6, 12.0, 0.372, 1.90};
    for (int i = 1; i <= 4; ++i) wb.alg.value[i] = values[i - 1];
    wb.alg.value[13] = wb.alg.value[18] = wb.alg.value[19] = -999.0;
    wb.alg.value[15] = 1.0;
    wb.alg.step[1] = 1.0;
    wb.alg.step[3] = 0.012;

    using namespace posterior_text;
    t.dialogs.ExpectMessage(Title, "This routine will create").ExpectMessage(Title, "First choose", Answer::Yes);
    t.dialogs.ExpectPrompt("Enter constant", "Your model suggests", "0.5")
        .ExpectPrompt(Title, "Choose the parameter number", "1")
        .ExpectPrompt(Title, "for profile parameter", "25")
        .ExpectPrompt(Title, "for grid parameter", "25")
        .ExpectMessage(Title, "function calls", Answer::Yes)
        .ExpectMessage(InterruptTitle, "Interrupt received.  Quit calculations?", Answer::No)
        .ExpectMessage("Bivariate plot", "of parameters 1 and 3?", Answer::Yes)
        .ExpectFile("Save grid values in...", std::nullopt)
        .ExpectMessage(Title, "The grid does not reach the distribution's tails");

    // The interrupt menu is there while the integration runs; its item asks.
    QMenu* interruptMenu = window.findChild<QMenu*>("mnuBayesianInt");
    ASSERT_NE(interruptMenu, nullptr);
    EXPECT_FALSE(interruptMenu->menuAction()->isVisible());
    bool menuShown = false, asked = false;
    t.dialogs.onProcessEvents = [&](int) {
        if (!interruptMenu->menuAction()->isVisible()) return;
        menuShown = true;
        if (!asked) {
            asked = true;
            window.Action("mnuInterruptBayes")->trigger();
        }
    };
    // Each plot window is modal: look at it, then close it with its Done.
    std::vector<QString> plotWindows;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        plotWindows.push_back(modal->windowTitle());
        Screenshot(*modal, "posterior-plot-" + std::to_string(plotWindows.size()));
        if (auto* done = modal->findChild<QPushButton*>(QStringLiteral("cmdDone"))) done->click();
    });
    closer.start(50);
    EXPECT_EQ(BayesianPosteriorCommand(wb), PosteriorEnd::Integrated);
    closer.stop();
    EXPECT_TRUE(t.dialogs.AllDone());
    EXPECT_TRUE(menuShown);
    EXPECT_FALSE(interruptMenu->menuAction()->isVisible());
    EXPECT_EQ(plotWindows, (std::vector<QString>{"Distribution plots", "Bivariate pdf plot"}));

    TextViewWindow* stats = window.Host().WindowOf(wb.posteriorView);
    ASSERT_NE(stats, nullptr);
    QMdiSubWindow* sub = window.Host().SubWindowOf(wb.posteriorView);
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(sub->isVisible());
    EXPECT_EQ(sub->windowTitle(), "Bayesian statistics");
    QPushButton* save = stats->ButtonWidget("cmdSave");
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->text(), "&Save Bayesian posterior distribution data as...");
    EXPECT_EQ(save->toolTip(), "Saves the (possibly edited) output appearing in the textbox below");
    QPlainTextEdit* area = stats->Area(1);
    EXPECT_TRUE(area->isReadOnly());  // Save writes the results as computed
    EXPECT_TRUE(area->toPlainText().startsWith("Bayesian posterior distribution data\n\n  Point       Value"));
    sub->resize(900, 600);
    Screenshot(window, "posterior-statistics");

    // Save writes the window's text: the results, however the window has
    // been scrolled or selected.
    const auto path = std::filesystem::temp_directory_path() / "corvane-desktop-posterior.pos";
    area->selectAll();
    t.dialogs.ExpectFile("Save Bayesian posterior values in...", path.string());
    save->click();
    std::ifstream in(path, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), {});
    EXPECT_TRUE(written.starts_with("Originally saved with the file name: " + path.string() + "\r\n\r\n" +
                                    "Bayesian posterior distribution data\r\n"));
    EXPECT_TRUE(written.ends_with(wb.posteriorView.Area(1)));
    std::filesystem::remove(path);
}
