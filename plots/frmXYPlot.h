#pragma once
// "Data and prediction plots": one page of the model's data and
// predictions.  The user picks an X and a Y variate and plots them, curve
// over curve, then moves to the next page or quits the plots.  The rules
// live in ModXYPlot.
#include <QDialog>
#include <map>
#include <string>

#include "platform/Dialogs.h"
#include "plots/ModXYPlot.h"
#include "plots/PlotPort.h"

class QCheckBox;
class QLineEdit;
class QListWidget;

namespace corvane {

class PlotCanvas;

class frmXYPlot : public QDialog {
public:
    frmXYPlot(const XYPlotData& data, Dialogs& dialogs, QWidget* parent = nullptr);

    // How the user left the window (closing it counts as the next page).
    PlotAnswer Answer() const { return answer_; }
    ModXYPlot& Plot() { return plot_; }
    PlotCanvas* Canvas() const { return canvas_; }
    // Any control or label by its name (listXVar, cmdPlot, chkPoints, txtYMax, ...).
    QWidget* Control(const std::string& name) const;

    // "&Plot it!" with the variates selected in the lists.
    void PlotSelected();
    void ClearPlot();

private:
    template <class W>
    W* Add(W* widget, const std::string& name);
    XYMarks Marks() const;
    XYBoxes Boxes() const;
    void ShowBoxes(const XYBoxes& boxes);
    void Refresh();

    ModXYPlot plot_;
    Dialogs& dialogs_;
    PlotAnswer answer_ = PlotAnswer::Next;
    PlotCanvas* canvas_ = nullptr;
    QListWidget* listX_ = nullptr;
    QListWidget* listY_ = nullptr;
    QLineEdit* yMax_ = nullptr;
    QLineEdit* yMin_ = nullptr;
    QLineEdit* xMax_ = nullptr;
    QLineEdit* xMin_ = nullptr;
    std::map<std::string, QWidget*> controls_;
};

}  // namespace corvane
