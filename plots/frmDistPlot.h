#pragma once
// "Distribution plots": a parameter's seven distribution series, chosen
// from a list and plotted over one another until cleared.  The rules live
// in modDistPlot.
#include <QDialog>
#include <map>
#include <string>

#include "platform/Dialogs.h"
#include "plots/modDistPlot.h"

class QListWidget;

namespace corvane {

class PlotCanvas;

class frmDistPlot : public QDialog {
public:
    frmDistPlot(const DistributionPlotData& data, Dialogs& dialogs, QWidget* parent = nullptr);

    modDistPlot& Plot() { return plot_; }
    PlotCanvas* Canvas() const { return canvas_; }
    // listVar, cmdPlot, cmdClear, cmdDone, chkLines, chkPoints, chkDropLines, cmdSavePicture.
    QWidget* Control(const std::string& name) const;

    // "&Plot it!" with the series selected in the list.
    void PlotSelected();

private:
    void Refresh();

    modDistPlot plot_;
    Dialogs& dialogs_;
    PlotCanvas* canvas_ = nullptr;
    QListWidget* list_ = nullptr;
    std::map<std::string, QWidget*> controls_;
};

}  // namespace corvane
