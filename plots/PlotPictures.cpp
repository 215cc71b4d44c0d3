#include "plots/PlotPictures.h"

#include "plots/ModXYPlot.h"
#include "plots/PlotNames.h"
#include "plots/modBivarPlot.h"
#include "plots/modDistPlot.h"

namespace corvane {

std::vector<NamedScene> PlotPictures(const PlotRequest& request) {
    std::vector<NamedScene> pictures;
    if (const auto* xy = std::get_if<XYPlotData>(&request)) {
        for (const auto& figure : FiguresOf(*xy)) {
            ModXYPlot plot(*xy);
            XYBoxes boxes;
            std::vector<std::string> missing;
            for (const auto& curve : figure.curves) {
                std::string message;
                if (!plot.Plot(figure.x, curve.variable, curve.marks, boxes, &message)) missing.push_back(message);
            }
            PlotScene scene = plot.Scene();
            // The picture says why a curve is missing rather than leaving it out silently.
            for (auto& message : missing) scene.notes.push_back(std::move(message));
            pictures.push_back({figure.name, std::move(scene)});
        }
    } else if (const auto* d = std::get_if<DistributionPlotData>(&request)) {
        for (int k = 1; k <= kDistributionSeries; ++k) {
            modDistPlot plot(*d);
            plot.Plot(k, DistOptions{});
            pictures.push_back({DistributionFileName(*d, k), plot.Scene()});
        }
    } else if (const auto* b = std::get_if<BivariatePlotData>(&request)) {
        pictures.push_back({BivariateFileName(*b), modBivarPlot(*b).Scene()});
    }
    return pictures;
}

}  // namespace corvane
