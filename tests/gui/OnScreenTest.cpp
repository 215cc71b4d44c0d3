// Every window of the desktop inside the screen's available area, its
// buttons whole and unobscured: the set-up dialogue, the plot windows, the
// command menu, the result windows and message boxes.  ctest runs these at the
// default offscreen screen, at 1366 x 768 and at 1366 x 768 scaled by 1.25.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstdlib>
#include <string>

#include "../model/GrowthTestSupport.h"
#include "../plots/PlotExamples.h"
#include "QtPrint.h"
#include "model/GrowthModel.h"
#include "model/InitializeForm.h"
#include "model/frmInitialize.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtPlotPort.h"
#include "platform/qt/QtScreenFit.h"
#include "platform/qt/QtWindowHost.h"
#include "support/TestModels.h"
#include "ui/frmMain.h"
#include "ui/frmMenu.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

QRect Available() { return QGuiApplication::primaryScreen()->availableGeometry(); }

// The window whole inside the available area (its frame estimated when the
// platform draws none) and every shown button of it whole and not clipped
// by a scrolled or too small parent (a ticked box may scroll, a push button
// may not).
void ExpectOnScreen(QWidget* window, const std::string& what) {
    ASSERT_NE(window, nullptr) << what;
    QApplication::processEvents();
    const QRect room = Available();
    const QSize frame = FrameAllowance(window);
    QRect outer = window->frameGeometry();
    if (outer == window->geometry()) outer.adjust(0, 0, frame.width(), frame.height());
    EXPECT_TRUE(room.contains(outer)) << what << ": " << outer.x() << "," << outer.y() << " " << outer.width()
                                      << "x" << outer.height() << " outside " << room.width() << "x"
                                      << room.height();
    int buttons = 0;
    for (QPushButton* b : window->findChildren<QPushButton*>()) {
        if (!b->isVisibleTo(window) || qobject_cast<QMdiSubWindow*>(b->parentWidget())) continue;
        if (b->objectName().startsWith(QStringLiteral("qt_"))) continue;  // the scroll areas' own
        ++buttons;
        const QRect global(b->mapToGlobal(QPoint(0, 0)), b->size());
        EXPECT_TRUE(room.contains(global)) << what << ": " << b->text().toStdString() << " outside the screen";
        EXPECT_EQ(b->visibleRegion().boundingRect(), b->rect())
            << what << ": " << b->text().toStdString() << " is cut or hidden";
    }
    EXPECT_GT(buttons, 0) << what;
}

// Checks the modal window once its event loop runs, then presses `button`.
void CheckModalThenPress(const std::string& what, const char* button, int& seen) {
    QTimer::singleShot(0, [what, button, &seen] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr) << what;
        ++seen;
        ExpectOnScreen(modal, what);
        // With CORVANE_SCREENSHOTS naming a folder, the window as it looks.
        if (const char* dir = std::getenv("CORVANE_SCREENSHOTS"); dir && *dir)
            modal->grab().save(QString::fromLocal8Bit(dir) + "/onscreen-" + QString::fromStdString(what).replace(' ', '-') +
                               ".png");
        auto* b = modal->findChild<QAbstractButton*>(QString::fromUtf8(button));
        ASSERT_NE(b, nullptr) << button;
        b->click();
    });
}

}  // namespace

TEST(OnScreen, EveryPlotWindowFitsWithItsButtons) {
    TestPorts t;
    QWidget frame;
    frame.resize(Available().size());
    frame.show();
    QtPlotPort port(&frame, t.dialogs);
    int seen = 0;
    CheckModalThenPress("data and prediction plots", "cmdQuit", seen);
    EXPECT_EQ(port.Show(RigIncrementPage()), PlotAnswer::Quit);
    CheckModalThenPress("distribution plots", "cmdDone", seen);
    port.Show(SkewedProfile());
    CheckModalThenPress("bivariate plot", "cmdDone", seen);
    port.Show(GaussianGrid());
    EXPECT_EQ(seen, 3);
}

TEST(OnScreen, SetUpDialogueFitsWithOkAndCancel) {
    TestPorts t;
    GrowthModel model(&t.dialogs);
    Workbench wb(t.ports(), &model);
    frmMain main(t.dialogs, t.clock, t.random, &model);
    main.show();
    int seen = 0;
    CheckModalThenPress("set-up", "cmdCancel", seen);
    EXPECT_FALSE(ShowModelSetUp(wb, model, &main));
    EXPECT_EQ(seen, 1);
    // The frame keeps its own name once the set-up is over.
    EXPECT_EQ(main.windowTitle().toStdString(), "Corvane");
}

TEST(OnScreen, MainWindowAndCommandMenuFit) {
    TestPorts t;
    FunctionModel model(2, Quadratic({0, 0}), "Two squares");
    frmMain main(t.dialogs, t.clock, t.random, &model);
    main.show();
    QApplication::processEvents();
    QApplication::processEvents();
    ExpectOnScreen(&main, "main window");
    // The menu's Quit button inside the frame's working area, above the status bar.
    QPushButton* quit = main.MenuWindow()->ButtonWidget(menu::Quit);
    ASSERT_NE(quit, nullptr);
    const QRect area(main.Area()->viewport()->mapToGlobal(QPoint(0, 0)), main.Area()->viewport()->size());
    EXPECT_TRUE(area.contains(QRect(quit->mapToGlobal(QPoint(0, 0)), quit->size())));
}

TEST(OnScreen, LongMessagesWrapInsideTheScreen) {
    QWidget frame;
    frame.resize(Available().size());
    frame.show();
    // A line far wider than any screen, and the lines a Hessian failure explains itself in.
    const std::string wide(400, 'w');
    const std::string text = wide + "\n" + std::string(30, 'x') + " " + std::string(300, 'y');
    auto box = BuildMessageBox(&frame, "Covariance", text, Buttons::OKCancel, Icon::Exclamation, false);
    box->show();
    QApplication::processEvents();
    const QRect room = Available();
    EXPECT_LE(box->frameGeometry().width(), room.width());
    auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->wordWrap());
    // The label is no wider than the box shows it.
    EXPECT_LE(label->geometry().right(), box->contentsRect().right());
    box->close();
}

TEST(OnScreen, ResultWindowsOpenInsideTheFrameAndTheWindowMenuListsThem) {
    TestPorts t;
    FunctionModel model(2, Quadratic({0, 0}), "Two squares");
    frmMain main(t.dialogs, t.clock, t.random, &model);
    main.show();
    QApplication::processEvents();
    // A report far larger than any screen, with its buttons.
    TextView report("frmReport", "Covariance data");
    std::string text;
    for (int line = 0; line < 400; ++line) text += std::string(300, 'x') + "\r\n";
    report.SetArea(1, text);
    report.AddButton("cmdScreen", "Display results on &screen", [] {});
    report.AddButton("cmdFinish", "&Finish display", [] {});
    main.Host().Show(report);
    QApplication::processEvents();
    QMdiSubWindow* sub = main.Host().SubWindowOf(report);
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(QRect(QPoint(0, 0), main.Area()->viewport()->size()).contains(sub->geometry()));
    // Its buttons whole on the screen, above the windows it covers.
    for (const char* name : {"cmdScreen", "cmdFinish"}) {
        QPushButton* b = main.Host().WindowOf(report)->ButtonWidget(name);
        ASSERT_NE(b, nullptr);
        EXPECT_TRUE(Available().contains(QRect(b->mapToGlobal(QPoint(0, 0)), b->size()))) << name;
        EXPECT_EQ(b->visibleRegion().boundingRect(), b->rect()) << name;
    }

    // The Window menu lists the menu and the report, the active one ticked;
    // choosing an entry brings its window to the front.
    emit main.WindowMenu()->aboutToShow();
    QAction* listed = nullptr;
    QAction* menuEntry = nullptr;
    for (QAction* a : main.WindowMenu()->actions()) {
        if (a->text().endsWith(QStringLiteral("Covariance data"))) listed = a;
        if (a->text().endsWith(QStringLiteral("Main menu"))) menuEntry = a;
    }
    ASSERT_NE(listed, nullptr);
    ASSERT_NE(menuEntry, nullptr);
    EXPECT_TRUE(listed->isChecked());
    EXPECT_FALSE(menuEntry->isChecked());
    menuEntry->trigger();
    EXPECT_EQ(main.Area()->activeSubWindow(), main.MenuSubWindow());
    main.Host().Close(report);
}
