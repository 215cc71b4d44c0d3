#pragma once
// "Data and prediction plots": one page of the model's data and
// predictions.  The user picks an X and a Y variate and plots them, curve
// over curve, then moves to the next page or quits the plots.  The rules
// live in ModXYPlot.
#include <string>

#include "platform/Dialogs.h"
#include "platform/qt/QtPlotCanvas.h"
#include "plots/ModXYPlot.h"
#include "plots/PlotPort.h"

class QCheckBox;
class QLineEdit;
class QListWidget;

namespace corvane {

class frmXYPlot : public PlotWindow {
public:
    frmXYPlot(const XYPlotData& data, Dialogs& dialogs, QWidget* parent = nullptr);

    // How the user left the window (closing it counts as the next page).
    PlotAnswer Answer() const { return answer_; }
    ModXYPlot& Plot() { return plot_; }

    // "&Plot it!" with the variates selected in the lists.
    void PlotSelected();
    void ClearPlot();

private:
    XYMarks Marks() const;
    XYBoxes Boxes() const;
    void ShowBoxes(const XYBoxes& boxes);
    void Refresh();

    ModXYPlot plot_;
    Dialogs& dialogs_;
    PlotAnswer answer_ = PlotAnswer::Next;
    QListWidget* listX_ = nullptr;
    QListWidget* listY_ = nullptr;
    QLineEdit* yMax_ = nullptr;
    QLineEdit* yMin_ = nullptr;
    QLineEdit* xMax_ = nullptr;
    QLineEdit* xMin_ = nullptr;
};

}  // namespace corvane
