// The summary window on the desktop: "Res&ults Summary" on the rig data
// opens "Age-structured model output" with the report in a read-only area
// and its Save button.  With CORVANE_SCREENSHOT_DIR set, the frame is saved
// there as summary-window.png.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cstdlib>

#include "QtPrint.h"
#include "model/GrowthModel.h"
#include "model/SummaryDialogue.h"
#include "platform/qt/QtWindowHost.h"
#include "support/ScriptedDialogs.h"
#include "support/TestData.h"
#include "ui/frmMain.h"
#include "ui/frmMenu.h"

using namespace corvane;
using namespace corvane::testing;

TEST(SummaryWindow, ResultsSummaryOpensTheReportWindow) {
    TestPorts t;
    GrowthModel model(&t.dialogs);
    frmMain window(t.dialogs, t.clock, t.random, &model);
    window.resize(1280, 900);
    window.show();
    GrowthSummary summary(window.Bench(), model);
    Workbench& wb = window.Bench();

    GrowthSetup setup;
    setup.incrementPath = DataPath("rig_increments.dat");
    model.SetPendingSettings(setup);
    ASSERT_TRUE(InitialiseModel(wb));
    const double fit[4] = {104.6, 12.0, 0.372, 1.90};
    for (int i = 1; i <= 4; ++i) {
        wb.alg.value[i] = fit[i - 1];
        wb.alg.step[i] = 0.1 * fit[i - 1];
    }
    wb.alg.value[13] = wb.alg.value[18] = wb.alg.value[19] = kNotUsed;
    wb.alg.value[15] = 1.0;
    wb.alg.fileName = "/home/analyst/rig/rig-fit.alg";
    wb.app.modelInitialised = true;
    window.Menu().Load();

    t.dialogs.ExpectMessage("Model results", "", Answer::No)
        .ExpectPrompt("More simulations improve chi-square estimate", "", "200")
        .ExpectMessage("Increment Summary", "", Answer::Yes)
        .ExpectMessage("Increment Chi-square", "", Answer::Yes)
        .ExpectMessage("Gaussian distribution: very unlikely observation(s)", "")
        .ExpectMessage("Summary", "Summary complete");
    window.MenuWindow()->ButtonWidget(menu::UserSummary)->click();
    EXPECT_TRUE(t.dialogs.AllDone());

    TextViewWindow* output = window.Host().WindowOf(summary.View());
    ASSERT_NE(output, nullptr);
    QMdiSubWindow* sub = window.Host().SubWindowOf(summary.View());
    EXPECT_EQ(sub->windowTitle(), "Age-structured model output");
    EXPECT_TRUE(output->Area(1)->isReadOnly());  // a result reads as it was computed
    EXPECT_TRUE(output->Area(1)->toPlainText().startsWith("Results for a Multiple Series Size Frequency Analysis"));
    EXPECT_TRUE(output->Area(1)->toPlainText().contains("Simulated chi-square> n: 200;"));
    ASSERT_NE(output->ButtonWidget("cmdSave"), nullptr);
    EXPECT_EQ(output->ButtonWidget("cmdSave")->text(), "Save summary as...");
    // Where the window asks to open, kept inside the frame.
    const QSize room = window.Area()->viewport()->size();
    EXPECT_EQ(sub->width(), std::min(933, room.width() - 8));
    EXPECT_EQ(sub->height(), std::min(667, room.height() - 8));
    EXPECT_EQ(sub->pos(), QPoint(std::min(33, room.width() - sub->width()), std::min(67, room.height() - sub->height())));
    // The menu is live again afterwards.
    EXPECT_TRUE(window.MenuWindow()->ButtonWidget(menu::UserSummary)->isEnabled());

    if (const char* dir = std::getenv("CORVANE_SCREENSHOT_DIR")) {
        QApplication::processEvents();
        EXPECT_TRUE(window.grab().save(QString::fromLocal8Bit(dir) + "/summary-window.png"));
    }
}
