#pragma once
// "Distribution plots": a parameter's seven distribution series, chosen
// from a list and plotted over one another until cleared.  The rules live
// in modDistPlot.
#include <string>

#include "platform/Dialogs.h"
#include "platform/qt/QtPlotCanvas.h"
#include "plots/modDistPlot.h"

class QListWidget;

namespace corvane {

class frmDistPlot : public PlotWindow {
public:
    frmDistPlot(const DistributionPlotData& data, Dialogs& dialogs, QWidget* parent = nullptr);

    // Controls: listVar, cmdPlot, cmdClear, cmdDone, chkLines, chkPoints,
    // chkDropLines, cmdSavePicture.
    modDistPlot& Plot() { return plot_; }

    // "&Plot it!" with the series selected in the list.
    void PlotSelected();

private:
    void Refresh();

    modDistPlot plot_;
    Dialogs& dialogs_;
    QListWidget* list_ = nullptr;
};

}  // namespace corvane
