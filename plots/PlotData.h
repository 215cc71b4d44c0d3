#pragma once
// What a computation hands to the plot windows: plain data, no toolkit.
// The windows only scale, draw and label these numbers; the same structs
// are rendered to picture files by the command line.
#include <array>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "numeric/OneBased.h"

namespace corvane {

// ---------------------------------------------------------------- data and prediction

// How one curve is drawn: the window's check boxes, or a file figure's choice.
struct XYMarks {
    bool points = true;          // "Points": a mark at every point
    bool linesForward = false;   // "Lines >": joins consecutive points that step to the right
    bool linesBackward = false;  // "Lines <": joins consecutive points that step to the left
    bool linesAll = false;       // "Lines <>": joins every consecutive pair
    bool dropLines = false;      // "Drop lines": a vertical line from each point to the X axis
};

// One variable of a page: a column of values, one per row (point).
struct XYVariable {
    std::string name;          // e.g. "Observed increment for Set 1  " (kept as handed over)
    std::vector<double> values;
    // The model's own scaling of this variable (each curve's smallest and
    // largest y); unset means the plot scales to the data.
    std::optional<double> scaleMin;
    std::optional<double> scaleMax;
    // What an axis of this variable shows, with its units ("Increment (size
    // units)"); empty: the axis is titled with the name.
    std::string quantity = {};
};

// How heavily a curve is drawn: a fitted total over its thinner, dashed
// components.
struct XYStyle {
    bool dashed = false;
    double weight = 1.0;  // relative line thickness
};

// One curve of a file figure: a variable drawn against the figure's X.
struct XYCurve {
    XYCurve(int variable_ = 2, XYMarks marks_ = {}, XYStyle style_ = {})
        : variable(variable_), marks(marks_), style(style_) {}
    int variable;  // 1-based index into XYPlotData::variables
    XYMarks marks;
    XYStyle style;
};

// What one picture file of a page shows (the desktop window lets the user
// choose instead).
struct XYFigure {
    std::string name;           // file name without extension, e.g. "increments-set1"
    int x = 1;                  // 1-based variable on the X axis
    std::vector<XYCurve> curves;
};

// One page of the data-and-prediction plot.
struct XYPlotData {
    std::string page;                     // the page label, e.g. "Increment data for 1"
    std::vector<XYVariable> variables;    // by convention variable 1 is the X variable
    // The picture files of this page.  Empty: one figure named after the
    // page, every other variable against variable 1, drawn as points.
    std::vector<XYFigure> figures;
    // The pair whose agreement the statistics panel reports (1-based
    // variables, e.g. predicted and observed increments) under its heading;
    // unset: the panel describes the last curve plotted.
    struct Agreement {
        int x = 0, y = 0;
        std::string heading;
    };
    std::optional<Agreement> agreement;
    // Said beside the picture (what the page leaves out, and why).
    std::vector<std::string> notes;
};

// ---------------------------------------------------------------- distributions

// Which title series 2 carries.
enum class DistributionKind {
    Confidence,  // likelihood profile: "Parameter Confidence Distribution"
    Posterior,   // "Bayesian Posterior Distribution"
    Prior,       // prior profile: "Bayesian Prior Distribution"
};

inline constexpr int kDistributionSeries = 7;

// A parameter's profile and distribution columns.  Columns are one-based
// over the points 1..m, as the shared columns are kept (a column sized 0..m
// is handed over as it is; element 0 is not drawn).
struct DistributionPlotData {
    int parameter = 1;
    std::string description;  // the parameter's description, shown after its number
    DistributionKind kind = DistributionKind::Confidence;
    Vec1<double> x;           // parameter values x_1..x_m
    Vec1<double> negLnL;      // relative -ln[L]           (series 1)
    Vec1<double> pdf;         // PDF                        (series 2)
    Vec1<double> ciMode;      // CI on mode                 (series 3)
    Vec1<double> ciMean;      // CI on mean                 (series 4)
    Vec1<double> cumulative;  // cumulative L to R          (series 5; series 6 is 1 minus it)
    Vec1<double> normal;      // Gaussian PDF               (series 7)
    double mlEstimate = 0.0;  // x_ML, the value of the smallest -ln[L]
    double evEstimate = 0.0;  // expected value (mean)
    double difference = 0.0;  // x_ML - mean
    double se = 0.0;          // the SD, reported as the estimated SE
};

// Title of series k (1..7) in list order.
std::string DistributionSeriesTitle(DistributionKind kind, int k);
// What series k's values are, the title of its y axis ("Relative -ln[L]",
// "Probability density", "Cumulative probability" ...).
std::string DistributionSeriesQuantity(int k);

// "Values for parameter #3", followed by " (" description ")" when there is
// one: the title of a parameter axis.
std::string ParameterAxisTitle(int parameter, const std::string& description);
// Value of series k at point i; series 6 is computed as 1 minus series 5.
// A point beyond a column's length reads as 0.
double DistributionSeriesValue(const DistributionPlotData& data, int k, int i);
// Number of points m (the length of x).
inline int DistributionPoints(const DistributionPlotData& data) { return data.x.size(); }

// ---------------------------------------------------------------- bivariate density

// Two-parameter density over a grid: x runs over the profiled parameter,
// y over the integrated one.
struct BivariatePlotData {
    int xParameter = 1;
    int yParameter = 2;
    std::string xDescription, yDescription;  // the parameters' descriptions
    Vec1<double> x;         // x_1..x_m
    Vec1<double> y;         // y_1..y_g
    Mat1<double> density;   // density(i, j) at (x_i, y_j); row and column 0 unused; need not be normalised
    // Handed over when the caller kept them; otherwise found from the grid
    // (the largest density and its coordinates; the correlation of x and y
    // under the density).
    std::optional<double> correlation;
    std::optional<double> peakX;
    std::optional<double> peakY;
};

// ---------------------------------------------------------------- requests

using PlotRequest = std::variant<XYPlotData, DistributionPlotData, BivariatePlotData>;

}  // namespace corvane
