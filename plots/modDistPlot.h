#pragma once
// The distribution plot: the rules behind its window.  A parameter's seven
// series (likelihood profile, its distribution, the two confidence regions,
// cumulative, attenuated and Gaussian) over its profile values; each
// "Plot it!" adds the chosen series, and the y axis holds every series
// plotted since the last "Cl&ear".
#include <optional>
#include <string>
#include <vector>

#include "plots/PlotData.h"
#include "plots/PlotScene.h"

namespace corvane {

struct DistOptions {
    bool lines = true;      // "Draw lines"
    bool points = false;    // "Draw points"
    bool dropLines = false; // "Drop line plot"
};

// The central 95% region of a confidence-region or cumulative series: the
// parameter values where the series crosses its bounds (linearly between
// points; an end of the profile when it never gets there).
struct CentralRegion {
    double from = 0.0;
    double to = 0.0;
    bool openLeft = false;   // the series never reached its bound on the left
    bool openRight = false;
    double level = 0.95;     // the height of the region's bar (0.95 for 3 and 4, 0.975 for 5 and 6)
};

class modDistPlot {
public:
    explicit modDistPlot(DistributionPlotData data);

    const DistributionPlotData& Data() const { return data_; }
    // The list "Variable to plot:" (seven titles).
    std::vector<std::string> SeriesTitles() const;

    // X spans the first to the last parameter value.
    AxisRange XRange() const;
    // Series k's y range: 0 to 1 for series 3 to 6, else its data.
    AxisRange YRange(int k) const;
    // Nothing can be drawn: no points or a zero-width X range.
    bool CanDraw() const;

    // "&Plot it!" with series k (1..7): the y axis fits it, keeping earlier
    // series only while the new one fills at least kLeastShare of the axis.
    void Plot(int k, const DistOptions& options);
    static constexpr double kLeastShare = 0.5;
    // "Cl&ear".
    void Clear();
    const std::vector<std::pair<int, DistOptions>>& Plotted() const { return plotted_; }

    // Series 3 to 6 only.
    std::optional<CentralRegion> Region(int k) const;

    // Series 2's block: "ML Estimate: " ... "Estimated SE:".
    std::vector<std::string> EstimateBlock() const;
    // The label of the dashed vertical lines, one text per line.
    std::vector<std::string> ReferenceNote() const;

    PlotScene Scene() const;

private:
    DistributionPlotData data_;
    std::vector<std::pair<int, DistOptions>> plotted_;
    std::vector<bool> scaled_;  // which plotted series the y axis holds
};

}  // namespace corvane
