#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "../model/GrowthTestSupport.h"
#include "../plots/PlotExamples.h"
#include "QtPrint.h"
#include "platform/qt/QtPlotCanvas.h"
#include "platform/qt/QtPlotPort.h"
#include "plots/frmBivarPlot.h"
#include "plots/frmDistPlot.h"
#include "plots/frmXYPlot.h"
#include "platform/qt/render/PlotPainter.h"
#include "support/TestModels.h"
#include "ui/frmMain.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

QString Text(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    return {};
}

// With CORVANE_SCREENSHOTS set to a directory, each window is also saved
// there as it looks on the screen (for looking at them under xvfb-run).
void Screenshot(QWidget& window, const char* name) {
    const char* dir = std::getenv("CORVANE_SCREENSHOTS");
    if (!dir || !*dir) return;
    window.show();
    QApplication::processEvents();
    window.grab().save(QString::fromUtf8(dir) + QLatin1Char('/') + QString::fromUtf8(name) + QStringLiteral(".png"));
}

// Clicks a button of the modal window once its event loop runs.
void ClickInModal(const char* button) {
    QTimer::singleShot(0, [button] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        auto* b = modal->findChild<QPushButton*>(QString::fromUtf8(button));
        ASSERT_NE(b, nullptr) << button;
        b->click();
    });
}

}  // namespace

TEST(PlotWindows, DataAndPredictionWindowHasItsControlsAndPlotsCurveOverCurve) {
    TestPorts t;
    frmXYPlot w(RigIncrementPage(), t.dialogs);
    EXPECT_EQ(w.windowTitle(), "Data and prediction plots");
    EXPECT_TRUE(w.isModal());
    EXPECT_EQ(Text(w.Control("lblPage")), "Page:  Increment data for 1");
    const std::map<std::string, const char*> captions = {
        {"cmdPlot", "&Plot it!"},          {"cmdClear", "&Clear Plot && Reset Axes"},
        {"cmdNextPage", "&Next Plot Page"}, {"cmdQuit", "&Quit plots"},
        {"cmdSavePicture", "Save picture as..."}, {"chkLinesRight", "Lines >"},
        {"chkLinesLeft", "Lines <"},       {"chkLinesAll", "Lines <>"},
        {"chkPoints", "Points"},           {"chkDropLines", "Drop lines"},
        {"chkGrid10", "10x10 Grid"},       {"chkGrid8", "8x8 Grid"}};
    for (const auto& [name, caption] : captions) EXPECT_EQ(Text(w.Control(name)), QString::fromUtf8(caption)) << name;
    EXPECT_EQ(w.Control("chkLinesAll")->toolTip(), "Connects all points with a line");
    EXPECT_TRUE(Text(w.Control("lblNote")).startsWith("Plots are automatically scaled \nto the range"));
    auto* listX = static_cast<QListWidget*>(w.Control("listXVar"));
    auto* listY = static_cast<QListWidget*>(w.Control("listYVar"));
    ASSERT_EQ(listY->count(), 4);
    EXPECT_EQ(listY->item(2)->text(), "Observed increment for Set 1  ");  // trailing blanks kept
    EXPECT_EQ(listX->currentRow(), 0);
    EXPECT_EQ(listY->currentRow(), 0);

    // It opens with the page's first figure; the user's own curve goes on top.
    EXPECT_EQ(w.Plot().Curves().size(), 2u);
    listX->setCurrentRow(1);
    listY->setCurrentRow(2);
    static_cast<QPushButton*>(w.Control("cmdPlot"))->click();
    EXPECT_EQ(w.Plot().Curves().size(), 3u);
    EXPECT_EQ(w.Canvas()->Scene().legend.size(), 3u);

    // A box that is not a number is refused with a message; Clear empties boxes and picture.
    static_cast<QLineEdit*>(w.Control("txtYMax"))->setText("lots");
    t.dialogs.ExpectMessage("Data and prediction plots", "Y-Max: the entry is not a number");
    static_cast<QPushButton*>(w.Control("cmdPlot"))->click();
    EXPECT_EQ(w.Plot().Curves().size(), 3u);
    static_cast<QPushButton*>(w.Control("cmdClear"))->click();
    EXPECT_TRUE(w.Plot().Curves().empty());
    EXPECT_EQ(static_cast<QLineEdit*>(w.Control("txtYMax"))->text(), "");
    EXPECT_FALSE(w.Canvas()->Scene().drawn);

    // A double-click plots at once; the grid boxes redraw the picture.
    emit listY->itemDoubleClicked(listY->item(3));
    EXPECT_EQ(w.Plot().Curves().size(), 1u);
    static_cast<QCheckBox*>(w.Control("chkGrid8"))->setChecked(true);
    int grid = 0;
    for (const auto& l : w.Canvas()->Scene().lines) grid += l.colour == kInkGrid ? 1 : 0;
    EXPECT_EQ(grid, 14);
    EXPECT_TRUE(t.dialogs.AllDone());
}

TEST(PlotWindows, DistributionAndBivariateWindowsOpenDrawn) {
    TestPorts t;
    frmDistPlot d(SkewedProfile(DistributionKind::Prior), t.dialogs);
    EXPECT_EQ(d.windowTitle(), "Distribution plots");
    EXPECT_TRUE(d.isModal());
    auto* list = static_cast<QListWidget*>(d.Control("listVar"));
    ASSERT_EQ(list->count(), 7);
    EXPECT_EQ(list->item(1)->text(), "Bayesian Prior Distribution");
    EXPECT_EQ(list->currentRow(), 0);
    for (const auto& [name, caption] :
         std::map<std::string, const char*>{{"cmdPlot", "&Plot it!"}, {"cmdClear", "Cl&ear"}, {"cmdDone", "&Done"},
                                            {"chkLines", "Draw lines"}, {"chkPoints", "Draw points"},
                                            {"chkDropLines", "Drop line plot"}})
        EXPECT_EQ(Text(d.Control(name)), QString::fromUtf8(caption)) << name;
    EXPECT_EQ(d.Canvas()->Scene().title, "Parameter Likelihood Profile");
    list->setCurrentRow(3);
    static_cast<QPushButton*>(d.Control("cmdPlot"))->click();
    EXPECT_EQ(d.Plot().Plotted().size(), 2u);
    static_cast<QPushButton*>(d.Control("cmdClear"))->click();
    EXPECT_FALSE(d.Canvas()->Scene().drawn);

    // Enter presses the focused button; from the list it presses "Plot it!".
    d.show();
    auto enter = [](QWidget* w) {
        w->setFocus();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
    };
    ASSERT_TRUE(d.Plot().Plotted().empty());
    enter(list);
    EXPECT_EQ(d.Plot().Plotted().size(), 1u);
    enter(d.Control("cmdClear"));
    EXPECT_FALSE(d.Canvas()->Scene().drawn);
    d.hide();

    frmBivarPlot b(GaussianGrid(), t.dialogs);
    EXPECT_EQ(b.windowTitle(), "Bivariate pdf plot");
    EXPECT_TRUE(b.isModal());
    EXPECT_EQ(Text(b.Control("cmdDone")), "&Done");
    EXPECT_EQ(b.Canvas()->Scene().legendTitle, "SE's");
    EXPECT_EQ(b.Canvas()->Scene().legendBottom, "Low Density");
}

TEST(PlotWindows, TheDesktopShowsEachRequestModallyAndPassesOnTheAnswer) {
    TestPorts t;
    FunctionModel model(1, [](const Vec1<double>& x) { return x[1] * x[1]; }, "Square");
    frmMain main(t.dialogs, t.clock, t.random, &model);
    ASSERT_NE(dynamic_cast<QtPlotPort*>(main.Bench().plots), nullptr);

    ClickInModal("cmdQuit");
    EXPECT_EQ(main.Bench().plots->Show(RigIncrementPage()), PlotAnswer::Quit);
    ClickInModal("cmdNextPage");
    EXPECT_EQ(main.Bench().plots->Show(RigIncrementPage()), PlotAnswer::Next);
    ClickInModal("cmdDone");
    EXPECT_EQ(main.Bench().plots->Show(SkewedProfile()), PlotAnswer::Next);
    ClickInModal("cmdDone");
    EXPECT_EQ(main.Bench().plots->Show(GaussianGrid()), PlotAnswer::Next);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(PlotWindows, SavePictureWritesPngOrSvgAndReportsAFailure) {
    TestPorts t;
    ScratchDir dir;
    frmBivarPlot b(GaussianGrid(), t.dialogs);
    t.dialogs.ExpectFile("Save picture as...", dir.Path("grid.svg"));
    static_cast<QPushButton*>(b.Control("cmdSavePicture"))->click();
    EXPECT_EQ(t.dialogs.Last().request.initialName, "bivariate-p3-p5.png");
    EXPECT_EQ(t.dialogs.Last().request.filter, "PNG picture (*.png)|*.png|SVG picture (*.svg)|*.svg");
    EXPECT_TRUE(t.dialogs.Last().request.overwritePrompt);
    EXPECT_TRUE(ReadFile(dir.Path("grid.svg")).find("Values for parameter #5") != std::string::npos);

    // No extension: a PNG.
    t.dialogs.ExpectFile("Save picture as...", dir.Path("grid"));
    static_cast<QPushButton*>(b.Control("cmdSavePicture"))->click();
    const QImage image(QString::fromStdString(dir.Path("grid.png")));
    EXPECT_EQ(image.size(), QSize(kPictureWidth, kPictureHeight));

    t.dialogs.ExpectFile("Save picture as...", dir.Path("missing/grid.png"))
        .ExpectMessage("Save picture as...", "The picture was not saved: cannot write");
    static_cast<QPushButton*>(b.Control("cmdSavePicture"))->click();
    t.dialogs.ExpectFile("Save picture as...", std::nullopt);
    static_cast<QPushButton*>(b.Control("cmdSavePicture"))->click();
    EXPECT_TRUE(t.dialogs.AllDone());
}

TEST(PlotWindows, TheWindowsLookRightOnTheScreen) {
    // Sized as on a 1366 x 768 screen; the pictures go to CORVANE_SCREENSHOTS when set.
    TestPorts t;
    frmXYPlot xy(RigIncrementPage(), t.dialogs);
    xy.resize(1300, 720);
    Screenshot(xy, "frmXYPlot");
    frmDistPlot dist(SkewedProfile(), t.dialogs);
    dist.resize(1200, 700);
    static_cast<QListWidget*>(dist.Control("listVar"))->setCurrentRow(1);
    static_cast<QCheckBox*>(dist.Control("chkPoints"))->setChecked(true);
    static_cast<QPushButton*>(dist.Control("cmdPlot"))->click();
    static_cast<QListWidget*>(dist.Control("listVar"))->setCurrentRow(6);
    static_cast<QCheckBox*>(dist.Control("chkPoints"))->setChecked(false);
    static_cast<QPushButton*>(dist.Control("cmdPlot"))->click();
    Screenshot(dist, "frmDistPlot");
    frmBivarPlot bivar(GaussianGrid(), t.dialogs);
    bivar.resize(1000, 720);
    Screenshot(bivar, "frmBivarPlot");
    // The picture takes most of each window, and it is drawn, not blank.
    const std::vector<std::pair<QWidget*, PlotCanvas*>> windows = {
        {&xy, xy.Canvas()}, {&dist, dist.Canvas()}, {&bivar, bivar.Canvas()}};
    for (const auto& [window, canvas] : windows) {
        window->show();
        QApplication::processEvents();
        EXPECT_GT(canvas->width(), window->width() / 2) << window->objectName().toStdString();
        const QImage picture = canvas->grab().toImage();
        long inked = 0;
        for (int y = 0; y < picture.height(); y += 3)
            for (int x = 0; x < picture.width(); x += 3) inked += (picture.pixel(x, y) & 0xffffff) != 0xffffff;
        EXPECT_GT(inked, picture.width() * picture.height() / 9 / 50) << window->objectName().toStdString();
        window->hide();
    }
}
