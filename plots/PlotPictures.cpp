#include "plots/PlotPictures.h"

#include <algorithm>
#include <cmath>

#include "plots/ModXYPlot.h"
#include "plots/PlotNames.h"
#include "plots/modBivarPlot.h"
#include "plots/modDistPlot.h"

namespace corvane {

namespace {

std::string Trimmed(const std::string& s) {
    const std::size_t a = s.find_first_not_of(' ');
    return a == std::string::npos ? std::string() : s.substr(a, s.find_last_not_of(' ') - a + 1);
}

CsvTable FigureTable(const XYPlotData& page, const XYFigure& figure) {
    const int count = static_cast<int>(page.variables.size());
    std::vector<int> columns{figure.x};
    for (const auto& c : figure.curves) columns.push_back(c.variable);
    columns.erase(std::remove_if(columns.begin(), columns.end(), [count](int v) { return v < 1 || v > count; }),
                  columns.end());
    std::vector<std::string> header;
    std::size_t rows = 0;
    for (const int v : columns) {
        const XYVariable& var = page.variables[static_cast<std::size_t>(v - 1)];
        header.push_back(Trimmed(var.name));
        rows = std::max(rows, var.values.size());
    }
    CsvTable table(header);
    for (std::size_t i = 0; i < rows; ++i) {
        std::vector<double> row;
        for (const int v : columns) {
            const auto& values = page.variables[static_cast<std::size_t>(v - 1)].values;
            row.push_back(i < values.size() ? values[i] : std::nan(""));
        }
        table.AddRow(row);
    }
    return table;
}

CsvTable SeriesTable(const DistributionPlotData& d, int k) {
    CsvTable table({ParameterAxisTitle(d.parameter, d.description), DistributionSeriesTitle(d.kind, k)});
    for (int i = 1; i <= DistributionPoints(d); ++i) table.AddRow({d.x[i], DistributionSeriesValue(d, k, i)});
    return table;
}

CsvTable GridTable(const BivariatePlotData& b) {
    CsvTable table({ParameterAxisTitle(b.xParameter, b.xDescription), ParameterAxisTitle(b.yParameter, b.yDescription),
                    "Probability density"});
    for (int i = 1; i <= b.x.size(); ++i)
        for (int j = 1; j <= b.y.size(); ++j)
            table.AddRow({b.x[i], b.y[j], i <= b.density.rows() && j <= b.density.cols() ? b.density(i, j) : 0.0});
    return table;
}

}  // namespace

std::vector<NamedScene> PlotPictures(const PlotRequest& request) {
    std::vector<NamedScene> pictures;
    if (const auto* xy = std::get_if<XYPlotData>(&request)) {
        for (const auto& figure : FiguresOf(*xy)) {
            ModXYPlot plot(*xy);
            XYBoxes boxes;
            std::vector<std::string> missing;
            for (const auto& curve : figure.curves) {
                std::string message;
                if (!plot.Plot(figure.x, curve.variable, curve.marks, boxes, &message, ModXYPlot::Scaling::AllCurves,
                               curve.style))
                    missing.push_back(message);
            }
            PlotScene scene = plot.Scene();
            // The picture says why a curve is missing rather than leaving it out silently.
            for (auto& message : missing) scene.notes.push_back(std::move(message));
            pictures.push_back({figure.name, std::move(scene), FigureTable(*xy, figure)});
        }
    } else if (const auto* d = std::get_if<DistributionPlotData>(&request)) {
        for (int k = 1; k <= kDistributionSeries; ++k) {
            modDistPlot plot(*d);
            plot.Plot(k, DistOptions{});
            pictures.push_back({DistributionFileName(*d, k), plot.Scene(), SeriesTable(*d, k)});
        }
    } else if (const auto* b = std::get_if<BivariatePlotData>(&request)) {
        pictures.push_back({BivariateFileName(*b), modBivarPlot(*b).Scene(), GridTable(*b)});
    }
    return pictures;
}

}  // namespace corvane
