// "Plot it!" in the plot windows: a new curve gets axes of its own instead
// of being squashed under the curves already drawn.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>
#include <algorithm>

#include "../model/GrowthTestSupport.h"
#include "../plots/PlotExamples.h"
#include "platform/qt/QtPlotCanvas.h"
#include "plots/frmDistPlot.h"
#include "plots/frmXYPlot.h"

using namespace corvane;
using namespace corvane::testing;

TEST(PlotWindowRescale, PlotItFitsTheAxesToTheNewCurve) {
    TestPorts t;
    frmXYPlot xy(RigIncrementPage(), t.dialogs);
    const XYPlotData page = RigIncrementPage();
    const auto& increments = page.variables[2].values;
    const double smallest = *std::min_element(increments.begin(), increments.end());
    const double largest = *std::max_element(increments.begin(), increments.end());
    // The initial sizes first, then the increments on top: the axes follow
    // the increments, and the sizes are said to run beyond them.
    static_cast<QPushButton*>(xy.Control("cmdClear"))->click();
    static_cast<QListWidget*>(xy.Control("listXVar"))->setCurrentRow(0);
    auto* listY = static_cast<QListWidget*>(xy.Control("listYVar"));
    listY->setCurrentRow(1);
    static_cast<QPushButton*>(xy.Control("cmdPlot"))->click();
    listY->setCurrentRow(2);
    static_cast<QPushButton*>(xy.Control("cmdPlot"))->click();
    ASSERT_EQ(xy.Plot().Curves().size(), 2u);
    EXPECT_EQ(xy.Plot().YAxis().lo, smallest);
    EXPECT_EQ(xy.Plot().YAxis().hi, largest);
    const auto& notes = xy.Canvas()->Scene().notes;
    EXPECT_NE(std::find(notes.begin(), notes.end(), "Partly outside these axes: Observed initial Size for Set 1"),
              notes.end());

    frmDistPlot dist(SkewedProfile(), t.dialogs);  // opens with the likelihood profile
    auto* list = static_cast<QListWidget*>(dist.Control("listVar"));
    list->setCurrentRow(1);
    static_cast<QPushButton*>(dist.Control("cmdPlot"))->click();
    EXPECT_EQ(dist.Canvas()->Scene().y.hi, dist.Plot().YRange(2).hi);
    EXPECT_EQ(dist.Canvas()->Scene().y.lo, 0.0);
}
