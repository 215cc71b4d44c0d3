#pragma once
// "Bivariate pdf plot": the joint density of two parameters over their
// grid, in bands of standard errors from the peak.  The rules live in
// modBivarPlot.
#include <QDialog>
#include <map>
#include <string>

#include "platform/Dialogs.h"
#include "plots/modBivarPlot.h"

namespace corvane {

class PlotCanvas;

class frmBivarPlot : public QDialog {
public:
    frmBivarPlot(const BivariatePlotData& data, Dialogs& dialogs, QWidget* parent = nullptr);

    modBivarPlot& Plot() { return plot_; }
    PlotCanvas* Canvas() const { return canvas_; }
    // cmdDone, cmdSavePicture.
    QWidget* Control(const std::string& name) const;

private:
    modBivarPlot plot_;
    Dialogs& dialogs_;
    PlotCanvas* canvas_ = nullptr;
    std::map<std::string, QWidget*> controls_;
};

}  // namespace corvane
