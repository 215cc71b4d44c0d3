#include "plots/ModXYPlot.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "numeric/Format.h"

namespace corvane {

namespace {

const char* kStatisticsPicture = "#0.0000#";

// A box's entry: unset when empty, nullopt-with-error when not a number.
struct BoxValue {
    bool empty = true;
    bool valid = true;
    double value = 0.0;
};

BoxValue ParseBox(const std::string& text) {
    BoxValue b;
    const std::string t = Trim(text);
    if (t.empty()) return b;
    b.empty = false;
    char* end = nullptr;
    b.value = std::strtod(t.c_str(), &end);
    b.valid = end && *end == '\0' && std::isfinite(b.value);
    return b;
}

double Round6(double v) { return std::round(v * 1e6) / 1e6; }

// A range of one width around a single value: the points sit in the middle.
AxisRange Widened(double v) {
    if (v == 0.0) return {-1.0, 1.0};
    const double half = 0.1 * std::fabs(v);
    return {v - half, v + half};
}

void AddUnique(std::vector<std::string>& names, const std::string& name) {
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
}

std::string Joined(const std::vector<std::string>& names, const char* separator = ", ") {
    std::string s;
    for (const auto& n : names) s += (s.empty() ? "" : separator) + n;
    return s;
}

}  // namespace

ModXYPlot::ModXYPlot(XYPlotData data) : data_(std::move(data)) {}

const std::string& ModXYPlot::Name(int variable) const {
    static const std::string none;
    if (variable < 1 || variable > VariableCount()) return none;
    return data_.variables[static_cast<std::size_t>(variable - 1)].name;
}

ModXYPlot::Pairs ModXYPlot::PairsOf(const Curve& c) const { return PairsOf(c.x, c.y); }

ModXYPlot::Pairs ModXYPlot::PairsOf(int x, int y) const {
    Pairs p;
    if (x < 1 || x > VariableCount() || y < 1 || y > VariableCount()) return p;
    const auto& xs = data_.variables[static_cast<std::size_t>(x - 1)].values;
    const auto& ys = data_.variables[static_cast<std::size_t>(y - 1)].values;
    const std::size_t n = std::min(xs.size(), ys.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (!std::isfinite(xs[i]) || !std::isfinite(ys[i])) continue;
        p.x.push_back(xs[i]);
        p.y.push_back(ys[i]);
    }
    return p;
}

XYStatistics ModXYPlot::Compute(const std::vector<double>& xs, const std::vector<double>& ys) {
    XYStatistics s;
    s.n = static_cast<int>(std::min(xs.size(), ys.size()));
    if (s.n == 0) return s;
    for (int i = 0; i < s.n; ++i) {
        s.meanX += xs[static_cast<std::size_t>(i)];
        s.meanY += ys[static_cast<std::size_t>(i)];
    }
    s.meanX /= s.n;
    s.meanY /= s.n;
    double sxx = 0.0, syy = 0.0, sxy = 0.0;
    for (int i = 0; i < s.n; ++i) {
        const double dx = xs[static_cast<std::size_t>(i)] - s.meanX;
        const double dy = ys[static_cast<std::size_t>(i)] - s.meanY;
        sxx += dx * dx;
        syy += dy * dy;
        sxy += dx * dy;
    }
    if (s.n >= 2) {
        s.varX = sxx / (s.n - 1);
        s.varY = syy / (s.n - 1);
    }
    if (sxx > 0.0 && syy > 0.0) {
        s.r = std::clamp(sxy / std::sqrt(sxx * syy), -1.0, 1.0);
        if (s.n > 2) s.s = std::sqrt((1.0 - *s.r * *s.r) / (s.n - 2));
    }
    return s;
}

bool ModXYPlot::Rescale(const XYBoxes& boxes, XYBoxes* shown, std::string* message) {
    auto fail = [&](const std::string& text) {
        if (message) *message = text;
        return false;
    };
    // The constant-X rule's own entries count as empty boxes.
    XYBoxes typed = boxes;
    if (!autoXMax_.empty() && Trim(typed.xMax) == autoXMax_) typed.xMax.clear();
    const BoxValue yMax = ParseBox(typed.yMax), yMin = ParseBox(typed.yMin);
    const BoxValue xMax = ParseBox(typed.xMax), xMin = ParseBox(typed.xMin);
    for (const auto& [box, label] : {std::pair{&yMax, "Y-Max:"}, std::pair{&yMin, "Y-Min:"},
                                     std::pair{&xMax, "X-Max (label):"}, std::pair{&xMin, "X-Min (label):"}})
        if (!box->valid) return fail(std::string(label) + " the entry is not a number");

    // Each end from the data of every curve, or from the model's scaling of
    // a variable unless the user asked for the data with a 0 in that box.
    double dataXLo = INFINITY, dataXHi = -INFINITY, dataYLo = INFINITY, dataYHi = -INFINITY;
    for (const auto& c : curves_) {
        if (!c.inScale) continue;
        const Pairs p = PairsOf(c);
        const XYVariable& vx = data_.variables[static_cast<std::size_t>(c.x - 1)];
        const XYVariable& vy = data_.variables[static_cast<std::size_t>(c.y - 1)];
        const auto [xlo, xhi] = std::minmax_element(p.x.begin(), p.x.end());
        const auto [ylo, yhi] = std::minmax_element(p.y.begin(), p.y.end());
        const bool scaleX = vx.scaleMin && vx.scaleMax && std::isfinite(*vx.scaleMin) && std::isfinite(*vx.scaleMax);
        const bool scaleY = vy.scaleMin && vy.scaleMax && std::isfinite(*vy.scaleMin) && std::isfinite(*vy.scaleMax);
        dataXLo = std::min(dataXLo, scaleX && xMin.empty ? *vx.scaleMin : *xlo);
        dataXHi = std::max(dataXHi, scaleX && xMax.empty ? *vx.scaleMax : *xhi);
        dataYLo = std::min(dataYLo, scaleY && yMin.empty ? *vy.scaleMin : *ylo);
        dataYHi = std::max(dataYHi, scaleY && yMax.empty ? *vy.scaleMax : *yhi);
    }

    AxisRange x{dataXLo, dataXHi}, y{dataYLo, dataYHi};
    std::string autoXMax;
    if (x.lo == x.hi) {
        // All X equal: the rule of the plot gives X a width of a tenth of
        // the value (to the left for a negative value, so the axis still
        // runs upwards); X = 0 gets -1 to 1.
        const double v = x.lo;
        if (v > 0.0) {
            x.hi = Round6(1.1 * v);
            autoXMax = NumberText(x.hi);
        } else if (v < 0.0) {
            x.lo = Round6(1.1 * v);
        } else {
            x = Widened(0.0);
        }
    }
    if (y.lo == y.hi) y = Widened(y.lo);

    if (!xMax.empty && xMax.value != 0.0) x.hi = xMax.value;
    if (!xMin.empty && xMin.value != 0.0) x.lo = xMin.value;
    if (!yMax.empty && yMax.value != 0.0) y.hi = yMax.value;
    if (!yMin.empty && yMin.value != 0.0) y.lo = yMin.value;
    if (!(x.lo < x.hi)) return fail("X-Min (label): must be smaller than X-Max (label):");
    if (!(y.lo < y.hi)) return fail("Y-Min: must be smaller than Y-Max:");

    x_ = x;
    y_ = y;
    if (shown) {
        if (!autoXMax_.empty() && Trim(shown->xMax) == autoXMax_) shown->xMax.clear();
        if (!autoXMax.empty() && (xMax.empty || xMax.value == 0.0)) shown->xMax = autoXMax;
    }
    autoXMax_ = (!autoXMax.empty() && (xMax.empty || xMax.value == 0.0)) ? autoXMax : std::string();
    return true;
}

namespace {

// The data range of one column, widened when it has no width (so that a
// constant curve still has a span to compare).
AxisRange SpanOf(const std::vector<double>& v) {
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    return *lo == *hi ? Widened(*lo) : AxisRange{*lo, *hi};
}

AxisRange Union(const AxisRange& a, const AxisRange& b) { return {std::min(a.lo, b.lo), std::max(a.hi, b.hi)}; }

}  // namespace

void ModXYPlot::ChooseScaledCurves() {
    // The new curve sets the axes; each earlier curve, latest first, joins
    // them only while the new one still fills a fair share of both.
    Curve& added = curves_.back();
    const Pairs own = PairsOf(added);
    const AxisRange ownX = SpanOf(own.x), ownY = SpanOf(own.y);
    AxisRange x = ownX, y = ownY;
    added.inScale = true;
    for (auto c = curves_.rbegin() + 1; c != curves_.rend(); ++c) {
        const Pairs p = PairsOf(*c);
        const AxisRange nx = Union(x, SpanOf(p.x)), ny = Union(y, SpanOf(p.y));
        c->inScale = ownX.Width() >= kLeastShare * nx.Width() && ownY.Width() >= kLeastShare * ny.Width();
        if (c->inScale) x = nx, y = ny;
    }
}

bool ModXYPlot::Plot(int x, int y, const XYMarks& marks, XYBoxes& boxes, std::string* message, Scaling scaling,
                     XYStyle style) {
    if (x < 1 || x > VariableCount() || y < 1 || y > VariableCount()) {
        if (message) *message = "Choose an X variate and a Y variate first";
        return false;
    }
    const Curve curve{x, y, marks, style, true};
    const Pairs pairs = PairsOf(curve);
    if (pairs.x.empty()) {
        if (message) *message = "There are no numbers to plot for " + Trim(Name(y)) + " against " + Trim(Name(x));
        return false;
    }
    std::vector<bool> before;
    for (const auto& c : curves_) before.push_back(c.inScale);
    curves_.push_back(curve);
    if (scaling == Scaling::ToNewCurve) ChooseScaledCurves();
    if (!Rescale(boxes, &boxes, message)) {
        curves_.pop_back();
        for (std::size_t k = 0; k < before.size(); ++k) curves_[k].inScale = before[k];
        return false;
    }
    stats_ = Compute(pairs.x, pairs.y);
    return true;
}

void ModXYPlot::Clear(XYBoxes& boxes) {
    curves_.clear();
    boxes = XYBoxes{};
    autoXMax_.clear();
    stats_ = XYStatistics{};
    x_ = AxisRange{};
    y_ = AxisRange{};
}

void ModXYPlot::SetGrids(bool ten, bool eight) {
    gridTen_ = ten;
    gridEight_ = eight;
}

PlotScene ModXYPlot::Scene() const {
    PlotScene scene;
    scene.title = data_.page;
    scene.x = x_;
    scene.y = y_;
    if (curves_.empty() || !x_.Valid() || !y_.Valid()) {
        scene.message = "Choose the X and Y variates, then \"Plot it!\"";
        return scene;
    }
    scene.drawn = true;

    std::vector<std::string> xNames, yTitles;
    for (const auto& c : curves_) {
        AddUnique(xNames, Trim(Name(c.x)));
        const XYVariable& v = data_.variables[static_cast<std::size_t>(c.y - 1)];
        AddUnique(yTitles, v.quantity.empty() ? Trim(v.name) : v.quantity);
    }
    scene.xTitle = Joined(xNames);
    // The y axis always says what it shows: one quantity, or each of them.
    scene.yTitle = Joined(yTitles, "; ");

    for (const int divisions : {gridTen_ ? 10 : 0, gridEight_ ? 8 : 0}) {
        if (divisions == 0) continue;
        const double dx = frame::kWidth / divisions, dy = frame::kHeight / divisions;
        for (int k = 1; k < divisions; ++k) {
            scene.lines.push_back({{{frame::kLeft + k * dx, frame::kTop}, {frame::kLeft + k * dx, frame::kBottom}},
                                   kInkGrid, Stroke::Dotted, 0.6, true});
            scene.lines.push_back({{{frame::kLeft, frame::kTop + k * dy}, {frame::kRight, frame::kTop + k * dy}},
                                   kInkGrid, Stroke::Dotted, 0.6, true});
        }
    }
    if (y_.Contains(0.0)) {
        const double ly = LogicalY(0.0, y_);
        scene.lines.push_back({{{frame::kLeft, ly}, {frame::kRight, ly}}, kInkReference, Stroke::Dashed, 0.8, true});
        scene.notes.push_back("Horizontal dashed line shows Y=0");
    }
    if (x_.Contains(0.0)) {
        const double lx = LogicalX(0.0, x_);
        scene.lines.push_back({{{lx, frame::kTop}, {lx, frame::kBottom}}, kInkReference, Stroke::Dashed, 0.8, true});
        scene.notes.push_back("Vertical dashed line shows X=0");
    }

    const double dropTo = LogicalY(y_.Contains(0.0) ? 0.0 : y_.lo, y_);
    for (std::size_t k = 0; k < curves_.size(); ++k) {
        const Curve& c = curves_[k];
        const Rgb colour = CurveColour(static_cast<int>(k));
        const Pairs p = PairsOf(c);
        std::vector<Pt> pts;
        for (std::size_t i = 0; i < p.x.size(); ++i) pts.push_back({LogicalX(p.x[i], x_), LogicalY(p.y[i], y_)});

        const Stroke stroke = c.style.dashed ? Stroke::Dashed : Stroke::Solid;
        if (c.marks.dropLines)
            for (const Pt& q : pts) scene.lines.push_back({{{q.x, dropTo}, q}, colour, Stroke::Solid, 0.6});
        if (c.marks.linesAll && pts.size() > 1) {
            scene.lines.push_back({pts, colour, stroke, c.style.weight});
        } else if (c.marks.linesForward || c.marks.linesBackward) {
            // Runs of consecutive steps in the chosen direction(s).
            SceneLine run{{}, colour, stroke, c.style.weight};
            for (std::size_t i = 0; i + 1 < p.x.size(); ++i) {
                const bool joins = (c.marks.linesForward && p.x[i + 1] > p.x[i]) ||
                                   (c.marks.linesBackward && p.x[i + 1] < p.x[i]);
                if (joins) {
                    if (run.points.empty()) run.points.push_back(pts[i]);
                    run.points.push_back(pts[i + 1]);
                } else if (!run.points.empty()) {
                    scene.lines.push_back(run);
                    run.points.clear();
                }
            }
            if (!run.points.empty()) scene.lines.push_back(run);
        }
        if (c.marks.points)
            for (const Pt& q : pts) scene.markers.push_back({q, colour});

        LegendEntry entry;
        entry.label = Trim(Name(c.y));
        if (xNames.size() > 1) entry.label += " against " + Trim(Name(c.x));
        entry.colour = colour;
        entry.marker = c.marks.points;
        entry.line = c.marks.linesAll || c.marks.linesForward || c.marks.linesBackward || c.marks.dropLines ||
                     !c.marks.points;
        entry.stroke = stroke;
        entry.weight = c.style.weight;
        scene.legend.push_back(entry);
        if (!c.inScale) {
            const auto [xlo, xhi] = std::minmax_element(p.x.begin(), p.x.end());
            const auto [ylo, yhi] = std::minmax_element(p.y.begin(), p.y.end());
            if (*xlo < x_.lo || *xhi > x_.hi || *ylo < y_.lo || *yhi > y_.hi)
                scene.notes.push_back("Partly outside these axes: " + entry.label);
        }
    }

    for (const auto& note : data_.notes) scene.notes.push_back(note);

    auto number = [](const std::optional<double>& v, const char* picture) {
        return v ? PanelNumber(*v, picture) : std::string("n/a");
    };
    // A page that names a pair (observed against predicted) reports how they
    // agree, which says more than a curve against its record index.
    const auto& agreement = data_.agreement;
    const bool agree = agreement && agreement->x >= 1 && agreement->x <= VariableCount() && agreement->y >= 1 &&
                       agreement->y <= VariableCount();
    XYStatistics s = stats_;
    if (agree) {
        const Pairs pair = PairsOf(agreement->x, agreement->y);
        s = Compute(pair.x, pair.y);
    }
    auto& panel = scene.panel;
    panel.push_back("Y-Max =  " + PanelNumber(y_.hi, kStatisticsPicture));
    panel.push_back("Y-Min =  " + PanelNumber(y_.lo, kStatisticsPicture));
    panel.push_back("X-Max =  " + PanelNumber(x_.hi, kStatisticsPicture));
    panel.push_back("X-Min =  " + PanelNumber(x_.lo, kStatisticsPicture));
    panel.push_back("");
    if (agree) {
        panel.push_back(agreement->heading);
    } else if (curves_.size() > 1) {
        panel.push_back("Last curve plotted:");
        panel.push_back("  " + Trim(Name(curves_.back().y)));
    }
    panel.push_back("n  = " + std::to_string(s.n));
    panel.push_back("r  = " + number(s.r, "#0.0000"));
    panel.push_back("s  = " + number(s.s, kStatisticsPicture));
    panel.push_back("");
    std::optional<double> sdY, sdX;
    if (s.varY) sdY = std::sqrt(*s.varY);
    if (s.varX) sdX = std::sqrt(*s.varX);
    panel.push_back("Scatter of Y:");
    panel.push_back("      Mean = " + PanelNumber(s.meanY, kStatisticsPicture));
    panel.push_back("      SD = " + number(sdY, kStatisticsPicture));
    panel.push_back("      Var = " + number(s.varY, kStatisticsPicture));
    panel.push_back("Distribution of X:");
    panel.push_back("      Mean = " + PanelNumber(s.meanX, kStatisticsPicture));
    panel.push_back("      SD = " + number(sdX, kStatisticsPicture));
    panel.push_back("      Var = " + number(s.varX, kStatisticsPicture));
    return scene;
}

}  // namespace corvane
