#include "platform/qt/QtPlotPort.h"

#include "plots/frmBivarPlot.h"
#include "plots/frmDistPlot.h"
#include "plots/frmXYPlot.h"

namespace corvane {

PlotAnswer QtPlotPort::Show(const PlotRequest& request) {
    if (const auto* xy = std::get_if<XYPlotData>(&request)) {
        frmXYPlot window(*xy, dialogs_, parent_);
        window.exec();
        return window.Answer();
    }
    if (const auto* d = std::get_if<DistributionPlotData>(&request)) {
        frmDistPlot window(*d, dialogs_, parent_);
        window.exec();
        return PlotAnswer::Next;
    }
    if (const auto* b = std::get_if<BivariatePlotData>(&request)) {
        frmBivarPlot window(*b, dialogs_, parent_);
        window.exec();
    }
    return PlotAnswer::Next;
}

}  // namespace corvane
