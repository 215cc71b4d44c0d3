#include "platform/qt/QtPlotPort.h"

#include "plots/frmBivarPlot.h"
#include "plots/frmDistPlot.h"
#include "plots/frmXYPlot.h"
#include "platform/qt/QtScreenFit.h"

namespace corvane {

PlotAnswer QtPlotPort::Show(const PlotRequest& request) {
    // Each window is fitted inside the screen here, where it was left last
    // time, so that the windows keep only their drawing business.
    if (const auto* xy = std::get_if<XYPlotData>(&request)) {
        frmXYPlot window(*xy, dialogs_, parent_);
        FitOnScreenAsLeft(&window, QStringLiteral("frmXYPlot"));
        window.exec();
        RememberPlace(&window, QStringLiteral("frmXYPlot"));
        return window.Answer();
    }
    if (const auto* d = std::get_if<DistributionPlotData>(&request)) {
        frmDistPlot window(*d, dialogs_, parent_);
        FitOnScreenAsLeft(&window, QStringLiteral("frmDistPlot"));
        window.exec();
        RememberPlace(&window, QStringLiteral("frmDistPlot"));
        return PlotAnswer::Next;
    }
    if (const auto* b = std::get_if<BivariatePlotData>(&request)) {
        frmBivarPlot window(*b, dialogs_, parent_);
        FitOnScreenAsLeft(&window, QStringLiteral("frmBivarPlot"));
        window.exec();
        RememberPlace(&window, QStringLiteral("frmBivarPlot"));
    }
    return PlotAnswer::Next;
}

}  // namespace corvane
