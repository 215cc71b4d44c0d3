#pragma once
// The bivariate density plot: every grid cell coloured by how far its
// density lies below the peak, in bands of half a standard error of a
// normal density (exp(-s^2 / 2) for s = 0.5, 1.0, ... 3.0).
#include <string>
#include <vector>

#include "plots/PlotData.h"
#include "plots/PlotScene.h"

namespace corvane {

class modBivarPlot {
public:
    explicit modBivarPlot(BivariatePlotData data);

    const BivariatePlotData& Data() const { return data_; }

    // The band of a cell whose density is the share d of the peak: the scan
    // s = 3.0, 2.5, ... 0 stops at the first s with exp(-s^2 / 2) > d and
    // gives 6 - 2s; a cell that never stops it (d = 1, the peak) gets
    // kPeakBand.  Not a number counts as no density (band 0).
    static int BandIndex(double d);
    static constexpr int kPeakBand = 7;
    // The colour table; band 0 is white (the background).
    static Rgb BandColour(int band);
    // The legend, peak first: "   0.0  ", "< 0.5", ... "< 3.0", with their bands.
    static std::vector<std::pair<std::string, int>> LegendBands();

    // False when the grid cannot be drawn (fewer than two values on an
    // axis, or no positive density).
    bool CanDraw() const;
    double PeakDensity() const { return peak_; }
    double PeakX() const { return peakX_; }
    double PeakY() const { return peakY_; }
    // As handed over, or the correlation of x and y under the density.
    double Correlation() const { return correlation_; }
    // The band of cell (i, j).
    int Band(int i, int j) const;

    PlotScene Scene() const;

private:
    // Cell edges along an axis: halfway to each neighbour, half a step
    // beyond the ends.
    static std::vector<double> Edges(const Vec1<double>& v);

    BivariatePlotData data_;
    double peak_ = 0.0;
    double peakX_ = 0.0;
    double peakY_ = 0.0;
    double correlation_ = 0.0;
};

}  // namespace corvane
