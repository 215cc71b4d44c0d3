#pragma once
// A plot as a list of drawing instructions in the fixed logical frame: the
// plot area spans 6480 units across from 720 and 6240 units down from 480
// to 6720, y growing downwards.  The geometry classes (ModXYPlot,
// modDistPlot, modBivarPlot) build a scene; a painter maps the frame onto
// any device rectangle and lays the texts out around it.
#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

namespace frame {
inline constexpr double kLeft = 720.0;
inline constexpr double kWidth = 6480.0;
inline constexpr double kRight = kLeft + kWidth;  // 7200
inline constexpr double kTop = 480.0;
inline constexpr double kBottom = 6720.0;
inline constexpr double kHeight = kBottom - kTop;  // 6240
}  // namespace frame

// A value range of one axis.
struct AxisRange {
    double lo = 0.0;
    double hi = 1.0;
    double Width() const { return hi - lo; }
    bool Valid() const;  // finite ends and a non-zero width
    bool Contains(double v) const { return v >= lo && v <= hi; }
    bool StrictlyInside(double v) const { return v > lo && v < hi; }
};

// Data value to logical coordinate: start + (v - lo) / (hi - lo) * span,
// inverted for y.
double LogicalX(double v, const AxisRange& x);
double LogicalY(double v, const AxisRange& y);

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// Colours of overlaid curves, told apart also by readers with colour-vision
// deficiency: Okabe and Ito's eight, then Paul Tol's bright and muted sets
// (kPaletteSize in all, no two alike).  Beyond the table each index gets a
// colour of its own from a hue walk, so no two curves of a plot ever share
// one.
Rgb CurveColour(int index);
inline constexpr int kPaletteSize = 24;
inline constexpr Rgb kInkAxis{40, 40, 40};
inline constexpr Rgb kInkGrid{200, 200, 200};
inline constexpr Rgb kInkReference{110, 110, 110};  // the dashed 0 and 1 lines
inline constexpr Rgb kInkRegion{150, 60, 60};       // 95% region marks

// DashDot marks confidence bounds, so that one on a dashed reference line
// still shows.
enum class Stroke { Solid, Dashed, Dotted, DashDot };

struct Pt {
    double x = 0.0, y = 0.0;
};

// A line through the points in the logical frame (clipped to the plot area
// when painted).
struct SceneLine {
    std::vector<Pt> points;
    Rgb colour;
    Stroke stroke = Stroke::Solid;
    double weight = 1.0;  // relative thickness: 1 for a data line, thinner for grid lines
    // A reference line (grid, zero line, region bound): its ends on the edge
    // of the frame reach the drawn border even when the data sit inset.
    bool toFrame = false;
};

struct SceneMarker {
    Pt at;
    Rgb colour;
};

// A filled cell (bivariate bands), corners in the logical frame.
struct SceneRect {
    double x1 = 0.0, y1 = 0.0, x2 = 0.0, y2 = 0.0;
    Rgb fill;
};

// A short label placed at a point of the plot area (the "< 95% CI >" mark).
struct SceneLabel {
    Pt at;  // centre of the text, its bottom at this height (its top when below)
    std::string text;
    Rgb colour;
    bool below = false;
};

struct LegendEntry {
    std::string label;
    Rgb colour;
    bool line = false;    // a line sample
    bool marker = false;  // a point sample
    bool swatch = false;  // a filled box (bands)
    Stroke stroke = Stroke::Solid;  // of the line sample, as the curve is drawn
    double weight = 1.0;
};

// One tick of an axis: a value inside the range and its label.
struct Tick {
    double value = 0.0;
    std::string label;
};

struct PlotScene {
    std::string title;
    std::string xTitle;
    std::string yTitle;
    AxisRange x;
    AxisRange y;
    // False when there is nothing to draw (no data, a zero-width range):
    // only the titles and the message are shown.
    bool drawn = false;
    std::string message;
    // The painter keeps a small margin between the frame and the data, so
    // points at the ends of a range stay whole; a grid of cells fills the
    // frame instead.
    bool inset = true;

    std::vector<SceneRect> rects;  // painted first
    std::vector<SceneLine> lines;
    std::vector<SceneMarker> markers;
    std::vector<SceneLabel> labels;

    std::string legendTitle;
    std::vector<LegendEntry> legend;
    std::string legendTop;     // texts above and below the legend ("High Density" ...)
    std::string legendBottom;
    // The information beside the plot, one text per line; an empty text is
    // a gap.
    std::vector<std::string> panel;
    // The notes about the dashed lines.
    std::vector<std::string> notes;
};

// Ticks at round values (1, 2 or 5 times a power of ten) inside the range,
// at most about `target` of them, with labels that share one number of
// decimals (or one exponent form for very large or small values).
std::vector<Tick> NiceTicks(const AxisRange& range, int target);

// A number for the information panel through its picture, unless the
// picture would show nothing useful (a tiny value as 0.0000, a huge one
// with a dozen digits): then "0.0000E+00".
std::string PanelNumber(double value, const char* picture);

}  // namespace corvane
