#pragma once
// "Bivariate pdf plot": the joint density of two parameters over their
// grid, in bands of standard errors from the peak.  The rules live in
// modBivarPlot.
#include "platform/Dialogs.h"
#include "platform/qt/QtPlotCanvas.h"
#include "plots/modBivarPlot.h"

namespace corvane {

class frmBivarPlot : public PlotWindow {
public:
    frmBivarPlot(const BivariatePlotData& data, Dialogs& dialogs, QWidget* parent = nullptr);

    // Controls: cmdDone, cmdSavePicture.
    modBivarPlot& Plot() { return plot_; }

private:
    modBivarPlot plot_;
    Dialogs& dialogs_;
};

}  // namespace corvane
