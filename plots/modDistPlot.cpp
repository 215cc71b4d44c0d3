#include "plots/modDistPlot.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace corvane {

namespace {

constexpr const char* kMaxMinPicture = "#0.0###";
constexpr const char* kEstimatePicture = "#0.0000#";
// A bound this close to a reference line (a share of the frame's width) is
// drawn on top of it.
constexpr double kCoincident = 0.01;

bool FixedRange(int k) { return k >= 3 && k <= 6; }

AxisRange Widened(const AxisRange& r) {
    if (r.lo != r.hi) return r;
    if (r.lo == 0.0) return {0.0, 1.0};
    const double half = 0.1 * std::fabs(r.lo);
    return {r.lo - half, r.lo + half};
}

// Where the column crosses level between points a and b (linear).
double Crossing(const DistributionPlotData& d, int k, int a, int b, double level) {
    const double ya = DistributionSeriesValue(d, k, a), yb = DistributionSeriesValue(d, k, b);
    if (ya == yb) return d.x[b];
    const double t = std::clamp((level - ya) / (yb - ya), 0.0, 1.0);
    return d.x[a] + t * (d.x[b] - d.x[a]);
}

}  // namespace

modDistPlot::modDistPlot(DistributionPlotData data) : data_(std::move(data)) {}

std::vector<std::string> modDistPlot::SeriesTitles() const {
    std::vector<std::string> titles;
    for (int k = 1; k <= kDistributionSeries; ++k) titles.push_back(DistributionSeriesTitle(data_.kind, k));
    return titles;
}

AxisRange modDistPlot::XRange() const {
    const int m = DistributionPoints(data_);
    if (m < 1) return {0.0, 0.0};
    return {data_.x[1], data_.x[m]};
}

bool modDistPlot::CanDraw() const {
    const AxisRange x = XRange();
    return DistributionPoints(data_) >= 1 && x.Valid();
}

AxisRange modDistPlot::YRange(int k) const {
    if (FixedRange(k)) return {0.0, 1.0};
    double lo = INFINITY, hi = -INFINITY;
    for (int i = 1; i <= DistributionPoints(data_); ++i) {
        const double v = DistributionSeriesValue(data_, k, i);
        if (!std::isfinite(v)) continue;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    if (lo > hi) return {0.0, 1.0};
    // A density starts from 0, so its axis always shows where 0 is.
    if (k == 2 || k == 7) lo = std::min(lo, 0.0);
    return Widened({lo, hi});
}

void modDistPlot::Plot(int k, const DistOptions& options) {
    if (k < 1 || k > kDistributionSeries) return;
    // Plotting a series again replaces it with the new options.
    plotted_.erase(std::remove_if(plotted_.begin(), plotted_.end(), [k](const auto& p) { return p.first == k; }),
                   plotted_.end());
    plotted_.emplace_back(k, options);
    // The y axis follows the new series; an earlier one stays counted only
    // while it leaves the new one a fair share of the axis.
    const AxisRange own = YRange(k);
    AxisRange y = own;
    scaled_.assign(plotted_.size(), true);
    for (std::size_t i = plotted_.size() - 1; i-- > 0;) {
        const AxisRange r = YRange(plotted_[i].first);
        const AxisRange joined{std::min(y.lo, r.lo), std::max(y.hi, r.hi)};
        scaled_[i] = own.Width() >= kLeastShare * joined.Width();
        if (scaled_[i]) y = joined;
    }
}

void modDistPlot::Clear() {
    plotted_.clear();
    scaled_.clear();
}

std::optional<CentralRegion> modDistPlot::Region(int k) const {
    const int m = DistributionPoints(data_);
    if (!FixedRange(k) || m < 2 || !CanDraw()) return std::nullopt;
    CentralRegion region;
    if (k == 3 || k == 4) {
        // 0 at the anchor (mode or mean), growing towards 1 at both ends.
        int anchor = 1;
        for (int i = 2; i <= m; ++i)
            if (DistributionSeriesValue(data_, k, i) < DistributionSeriesValue(data_, k, anchor)) anchor = i;
        const double level = 0.95;
        region.level = level;
        region.from = data_.x[1];
        region.openLeft = true;
        for (int i = anchor - 1; i >= 1; --i) {
            if (DistributionSeriesValue(data_, k, i) >= level) {
                region.from = Crossing(data_, k, i + 1, i, level);
                region.openLeft = false;
                break;
            }
        }
        region.to = data_.x[m];
        region.openRight = true;
        for (int i = anchor + 1; i <= m; ++i) {
            if (DistributionSeriesValue(data_, k, i) >= level) {
                region.to = Crossing(data_, k, i - 1, i, level);
                region.openRight = false;
                break;
            }
        }
        // A column that never reaches the bound on either side (all 0 when
        // the anchor is the first point) marks no region.
        if (region.openLeft && region.openRight) return std::nullopt;
        return region;
    }
    // Cumulative (5) and attenuated (6): both cross 2.5% and 97.5% of the
    // cumulative column at the same parameter values.  The bar runs along
    // 97.5%, which the curve meets only at one end of the region.
    constexpr double lower = 0.025, upper = 0.975;
    region.level = upper;
    int i = 1;
    while (i <= m && DistributionSeriesValue(data_, 5, i) < lower) ++i;
    if (i > m) return std::nullopt;
    region.openLeft = i == 1;
    region.from = i == 1 ? data_.x[1] : Crossing(data_, 5, i - 1, i, lower);
    while (i <= m && DistributionSeriesValue(data_, 5, i) < upper) ++i;
    region.openRight = i > m;
    region.to = i > m ? data_.x[m] : (i == 1 ? data_.x[1] : Crossing(data_, 5, i - 1, i, upper));
    return region;
}

std::vector<std::string> modDistPlot::EstimateBlock() const {
    std::vector<std::string> block;
    block.push_back("ML Estimate: " + PanelNumber(data_.mlEstimate, kEstimatePicture));
    block.push_back("EV Estimate: " + PanelNumber(data_.evEstimate, kEstimatePicture));
    block.push_back("Estimated Diff: " + PanelNumber(data_.difference, kEstimatePicture));
    // A percentage of an ML estimate of 0 has no value.
    block.push_back("Percent Diff: " + (data_.mlEstimate != 0.0
                                            ? PanelNumber(data_.difference * 100.0 / data_.mlEstimate, "#0.00")
                                            : std::string("n/a")));
    block.push_back("Estimated SE: " + PanelNumber(data_.se, kEstimatePicture));
    return block;
}

std::vector<std::string> modDistPlot::ReferenceNote() const {
    const AxisRange x = XRange();
    if (!CanDraw()) return {};
    const bool zero = std::min(x.lo, x.hi) < 0.0 && 0.0 < std::max(x.lo, x.hi);
    const bool one = std::min(x.lo, x.hi) < 1.0 && 1.0 < std::max(x.lo, x.hi);
    if (zero && one) return {"Left vertical line locates 0", "Right vertical line locates 1"};
    if (zero) return {"Note: Vertical line locates 0"};
    if (one) return {"Note: Vertical line locates 1"};
    return {};
}

PlotScene modDistPlot::Scene() const {
    PlotScene scene;
    const std::string xTitle = ParameterAxisTitle(data_.parameter, data_.description);
    scene.xTitle = xTitle;
    if (plotted_.size() == 1)
        scene.title = DistributionSeriesTitle(data_.kind, plotted_[0].first);
    else
        scene.title = "Distribution plots for parameter #" + std::to_string(data_.parameter);
    if (!CanDraw()) {
        // A zero-width X range ends the drawing without output.
        scene.message = "The parameter values span no range: there is nothing to draw";
        return scene;
    }
    if (plotted_.empty()) {
        scene.message = "Choose a variable to plot, then \"Plot it!\"";
        return scene;
    }
    scene.drawn = true;
    const int m = DistributionPoints(data_);
    scene.x = XRange();
    AxisRange y = YRange(plotted_.back().first);
    for (std::size_t i = 0; i < plotted_.size(); ++i) {
        if (i < scaled_.size() && !scaled_[i]) continue;
        const AxisRange r = YRange(plotted_[i].first);
        y.lo = std::min(y.lo, r.lo);
        y.hi = std::max(y.hi, r.hi);
    }
    scene.y = y;
    for (std::size_t i = 0; i < plotted_.size(); ++i) {
        const AxisRange r = YRange(plotted_[i].first);
        if (r.lo < y.lo || r.hi > y.hi)
            scene.notes.push_back("Partly outside these axes: " + DistributionSeriesTitle(data_.kind, plotted_[i].first));
    }
    for (const auto& [k, options] : plotted_) {
        const std::string quantity = DistributionSeriesQuantity(k);
        if (scene.yTitle.find(quantity) == std::string::npos)
            scene.yTitle += (scene.yTitle.empty() ? "" : "; ") + quantity;
    }

    std::vector<double> references;
    for (const double at : {0.0, 1.0}) {
        if (!scene.x.StrictlyInside(at)) continue;
        const double lx = LogicalX(at, scene.x);
        references.push_back(lx);
        scene.lines.push_back({{{lx, frame::kTop}, {lx, frame::kBottom}}, kInkReference, Stroke::Dashed, 0.8, true});
    }
    const std::vector<std::string> reference = ReferenceNote();
    scene.notes.insert(scene.notes.begin(), reference.begin(), reference.end());

    const double dropTo = LogicalY(y.Contains(0.0) ? 0.0 : y.lo, y);
    for (std::size_t layer = 0; layer < plotted_.size(); ++layer) {
        const auto& [k, options] = plotted_[layer];
        const Rgb colour = CurveColour(static_cast<int>(layer));
        SceneLine run{{}, colour, Stroke::Solid, 1.0};
        for (int i = 1; i <= m; ++i) {
            const double v = DistributionSeriesValue(data_, k, i);
            if (!std::isfinite(v) || !std::isfinite(data_.x[i])) {
                // A gap in the column breaks the line.
                if (run.points.size() > 1 && options.lines) scene.lines.push_back(run);
                run.points.clear();
                continue;
            }
            const Pt p{LogicalX(data_.x[i], scene.x), LogicalY(v, y)};
            run.points.push_back(p);
            if (options.points) scene.markers.push_back({p, colour});
            if (options.dropLines) scene.lines.push_back({{{p.x, dropTo}, p}, colour, Stroke::Solid, 0.6});
        }
        if (run.points.size() > 1 && options.lines) scene.lines.push_back(run);
        LegendEntry entry;
        entry.label = DistributionSeriesTitle(data_.kind, k);
        entry.colour = colour;
        entry.line = options.lines || options.dropLines || !options.points;
        entry.marker = options.points;
        if (plotted_.size() > 1) scene.legend.push_back(entry);
    }

    // The 95% region of the last confidence-region or cumulative series.
    std::string regionText;
    for (auto it = plotted_.rbegin(); it != plotted_.rend(); ++it) {
        const auto region = Region(it->first);
        if (!region) continue;
        const double lf = LogicalX(region->from, scene.x), lt = LogicalX(region->to, scene.x);
        const double level = LogicalY(region->level, y);
        const double base = LogicalY(0.0, y);
        if (it->first <= 4) {
            scene.lines.push_back({{{frame::kLeft, level}, {frame::kRight, level}}, kInkRegion, Stroke::Dotted, 0.7, true});
        } else {
            for (const double bound : {0.025, 0.975}) {
                const double lb = LogicalY(bound, y);
                scene.lines.push_back({{{frame::kLeft, lb}, {frame::kRight, lb}}, kInkRegion, Stroke::Dotted, 0.7, true});
            }
        }
        // The bounds in a dash of their own; one that falls on a dashed
        // reference line is labelled with its value as well, so it is not
        // taken for the reference alone.
        for (const auto& [closed, at, value] : {std::tuple{!region->openLeft, lf, region->from},
                                                std::tuple{!region->openRight, lt, region->to}}) {
            if (!closed) continue;
            scene.lines.push_back({{{at, base}, {at, frame::kTop}}, kInkRegion, Stroke::DashDot, 0.9, true});
            for (const double lx : references)
                if (std::fabs(at - lx) <= kCoincident * frame::kWidth) {
                    scene.labels.push_back(
                        {{at, frame::kBottom}, "95% bound " + PanelNumber(value, kMaxMinPicture), kInkRegion, false});
                    break;
                }
        }
        regionText = "95% region: " + PanelNumber(region->from, kMaxMinPicture) + " to " +
                     PanelNumber(region->to, kMaxMinPicture);
        scene.lines.push_back({{{lf, level}, {lt, level}}, kInkRegion, Stroke::Solid, 0.9});
        // Above the bar of a confidence region (the curve lies below it
        // there), below the 97.5% bar of a cumulative curve.
        scene.labels.push_back({{(lf + lt) / 2.0, level}, "< 95% CI >", kInkRegion, it->first >= 5});
        break;
    }

    // Max and Min say what the last series holds, not its axis.
    const int last = plotted_.back().first;
    double lo = INFINITY, hi = -INFINITY;
    for (int i = 1; i <= m; ++i) {
        const double v = DistributionSeriesValue(data_, last, i);
        if (std::isfinite(v)) lo = std::min(lo, v), hi = std::max(hi, v);
    }
    const AxisRange data = lo <= hi ? AxisRange{lo, hi} : AxisRange{0.0, 0.0};
    scene.panel.push_back("X: " + xTitle);
    scene.panel.push_back("Y: " + DistributionSeriesTitle(data_.kind, last));
    scene.panel.push_back("Max =  " + PanelNumber(data.hi, kMaxMinPicture));
    scene.panel.push_back("Min =  " + PanelNumber(data.lo, kMaxMinPicture));
    const bool series2 = std::any_of(plotted_.begin(), plotted_.end(), [](const auto& p) { return p.first == 2; });
    if (series2) {
        scene.panel.push_back("");
        for (auto& line : EstimateBlock()) scene.panel.push_back(std::move(line));
    }
    if (!regionText.empty()) {
        scene.panel.push_back("");
        scene.panel.push_back(regionText);
    }
    return scene;
}

}  // namespace corvane
