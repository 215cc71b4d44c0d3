#include "plots/modBivarPlot.h"

#include <algorithm>
#include <cmath>

#include "numeric/Format.h"

namespace corvane {

namespace {

double Density(const BivariatePlotData& d, int i, int j) {
    if (i > d.density.rows() || j > d.density.cols()) return 0.0;
    const double v = d.density(i, j);
    return std::isfinite(v) && v > 0.0 ? v : 0.0;
}

}  // namespace

modBivarPlot::modBivarPlot(BivariatePlotData data) : data_(std::move(data)) {
    const int m = data_.x.size(), g = data_.y.size();
    int pi = 0, pj = 0;
    for (int i = 1; i <= m; ++i)
        for (int j = 1; j <= g; ++j)
            if (Density(data_, i, j) > peak_) {
                peak_ = Density(data_, i, j);
                pi = i;
                pj = j;
            }
    if (pi > 0) {
        peakX_ = data_.x[pi];
        peakY_ = data_.y[pj];
    }
    if (data_.peakX) peakX_ = *data_.peakX;
    if (data_.peakY) peakY_ = *data_.peakY;

    if (data_.correlation) {
        correlation_ = *data_.correlation;
    } else if (peak_ > 0.0) {
        // Moments of the grid weighted by the density.
        double w = 0.0, mx = 0.0, my = 0.0;
        for (int i = 1; i <= m; ++i)
            for (int j = 1; j <= g; ++j) {
                const double d = Density(data_, i, j) / peak_;
                w += d;
                mx += d * data_.x[i];
                my += d * data_.y[j];
            }
        mx /= w;
        my /= w;
        double sxx = 0.0, syy = 0.0, sxy = 0.0;
        for (int i = 1; i <= m; ++i)
            for (int j = 1; j <= g; ++j) {
                const double d = Density(data_, i, j) / peak_;
                sxx += d * (data_.x[i] - mx) * (data_.x[i] - mx);
                syy += d * (data_.y[j] - my) * (data_.y[j] - my);
                sxy += d * (data_.x[i] - mx) * (data_.y[j] - my);
            }
        correlation_ = sxx > 0.0 && syy > 0.0 ? std::clamp(sxy / std::sqrt(sxx * syy), -1.0, 1.0) : 0.0;
    }
}

int modBivarPlot::BandIndex(double d) {
    if (!std::isfinite(d)) return 0;
    for (int twice = 6; twice >= 0; --twice) {
        const double s = twice / 2.0;
        if (std::exp(-s * s / 2.0) > d) return 6 - twice;
    }
    return kPeakBand;
}

Rgb modBivarPlot::BandColour(int band) {
    // A sequential scale from pale (far from the peak) to dark (the peak).
    static constexpr Rgb kTable[] = {{255, 255, 255}, {255, 255, 204}, {199, 233, 180}, {127, 205, 187},
                                     {65, 182, 196},  {29, 145, 192},  {34, 94, 168},   {12, 44, 132}};
    return kTable[std::clamp(band, 0, kPeakBand)];
}

std::vector<std::pair<std::string, int>> modBivarPlot::LegendBands() {
    return {{"   0.0  ", kPeakBand}, {"< 0.5", 6}, {"< 1.0", 5}, {"< 1.5", 4},
            {"< 2.0", 3},            {"< 2.5", 2}, {"< 3.0", 1}};
}

bool modBivarPlot::CanDraw() const { return data_.x.size() >= 2 && data_.y.size() >= 2 && peak_ > 0.0; }

int modBivarPlot::Band(int i, int j) const {
    if (!(peak_ > 0.0)) return 0;
    return BandIndex(Density(data_, i, j) / peak_);
}

std::vector<double> modBivarPlot::Edges(const Vec1<double>& v) {
    const int n = v.size();
    std::vector<double> e(static_cast<std::size_t>(n) + 1);
    for (int i = 1; i < n; ++i) e[static_cast<std::size_t>(i)] = (v[i] + v[i + 1]) / 2.0;
    e[0] = v[1] - (v[2] - v[1]) / 2.0;
    e[static_cast<std::size_t>(n)] = v[n] + (v[n] - v[n - 1]) / 2.0;
    return e;
}

PlotScene modBivarPlot::Scene() const {
    PlotScene scene;
    scene.title = "Bivariate density of parameters #" + std::to_string(data_.xParameter) + " and #" +
                  std::to_string(data_.yParameter);
    scene.xTitle = ParameterAxisTitle(data_.xParameter, data_.xDescription);
    scene.yTitle = ParameterAxisTitle(data_.yParameter, data_.yDescription);
    scene.legendTitle = "SE's";
    scene.legendTop = "High Density";
    scene.legendBottom = "Low Density";
    for (const auto& [label, band] : LegendBands()) {
        LegendEntry entry;
        entry.label = label;
        entry.colour = BandColour(band);
        entry.swatch = true;
        scene.legend.push_back(entry);
    }
    if (!CanDraw()) {
        scene.message = peak_ > 0.0 ? "The grid needs at least two values of each parameter"
                                    : "The grid holds no positive density: there is nothing to draw";
        return scene;
    }
    const int m = data_.x.size(), g = data_.y.size();
    const std::vector<double> ex = Edges(data_.x), ey = Edges(data_.y);
    scene.x = {std::min(ex.front(), ex.back()), std::max(ex.front(), ex.back())};
    scene.y = {std::min(ey.front(), ey.back()), std::max(ey.front(), ey.back())};
    if (!scene.x.Valid() || !scene.y.Valid()) {
        scene.message = "The grid values span no range: there is nothing to draw";
        return scene;
    }
    scene.drawn = true;
    scene.inset = false;

    // Cells of one band next to each other along x are one rectangle.
    for (int j = 1; j <= g; ++j) {
        const double y1 = LogicalY(ey[static_cast<std::size_t>(j - 1)], scene.y);
        const double y2 = LogicalY(ey[static_cast<std::size_t>(j)], scene.y);
        int i = 1;
        while (i <= m) {
            const int band = Band(i, j);
            int end = i;
            while (end < m && Band(end + 1, j) == band) ++end;
            if (band != 0)
                scene.rects.push_back({LogicalX(ex[static_cast<std::size_t>(i - 1)], scene.x), y1,
                                       LogicalX(ex[static_cast<std::size_t>(end)], scene.x), y2, BandColour(band)});
            i = end + 1;
        }
    }

    bool reference = false;
    for (const double at : {0.0, 1.0}) {
        if (scene.x.StrictlyInside(at)) {
            const double lx = LogicalX(at, scene.x);
            scene.lines.push_back({{{lx, frame::kTop}, {lx, frame::kBottom}}, kInkReference, Stroke::Dashed, 0.8, true});
            reference = true;
        }
        if (scene.y.StrictlyInside(at)) {
            const double ly = LogicalY(at, scene.y);
            scene.lines.push_back({{{frame::kLeft, ly}, {frame::kRight, ly}}, kInkReference, Stroke::Dashed, 0.8, true});
            reference = true;
        }
    }
    if (reference) scene.notes.push_back("NOTE: Dashed line(s) locate 0 and/or 1");

    const char* picture = "#0.0000#";
    auto& panel = scene.panel;
    panel.push_back("X - Axis: " + ParameterAxisTitle(data_.xParameter, data_.xDescription));
    panel.push_back("Y - Axis: " + ParameterAxisTitle(data_.yParameter, data_.yDescription));
    panel.push_back("X-Max = " + PanelNumber(std::max(data_.x[1], data_.x[m]), picture));
    panel.push_back("X-Min = " + PanelNumber(std::min(data_.x[1], data_.x[m]), picture));
    panel.push_back("Y-Max = " + PanelNumber(std::max(data_.y[1], data_.y[g]), picture));
    panel.push_back("Y-Min = " + PanelNumber(std::min(data_.y[1], data_.y[g]), picture));
    panel.push_back("X-Peak = " + Format(peakX_, "0.000E+00"));
    panel.push_back("Y-Peak = " + Format(peakY_, "0.000E+00"));
    panel.push_back("       r = " + PanelNumber(correlation_, "#0.0##"));
    return scene;
}

}  // namespace corvane
