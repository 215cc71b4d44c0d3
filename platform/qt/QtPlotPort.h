#pragma once
// The desktop's plot port: each request opens its plot window modally over
// the main window and returns when the user leaves it.
#include "platform/Dialogs.h"
#include "plots/PlotPort.h"

class QWidget;

namespace corvane {

class QtPlotPort : public PlotPort {
public:
    QtPlotPort(QWidget* parent, Dialogs& dialogs) : parent_(parent), dialogs_(dialogs) {}

    PlotAnswer Show(const PlotRequest& request) override;

private:
    QWidget* parent_;
    Dialogs& dialogs_;
};

}  // namespace corvane
