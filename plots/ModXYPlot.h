#pragma once
// The data-and-prediction plot: the rules behind its window.  Each "Plot it!"
// adds a pair of variables (X, Y) as a curve; overlaid curves share one pair
// of axes that holds them all, unless the user fixed an end in the Min/Max
// boxes.  The window shows Scene() and the box texts this class gives back.
#include <optional>
#include <string>
#include <vector>

#include "plots/PlotData.h"
#include "plots/PlotScene.h"

namespace corvane {

// The four Min/Max boxes, as typed.
struct XYBoxes {
    std::string yMax, yMin, xMax, xMin;
};

// Statistics of the plotted pairs.
struct XYStatistics {
    int n = 0;
    std::optional<double> r;  // Pearson correlation; unset when either variable has no spread
    std::optional<double> s;  // sqrt((1 - r^2) / (n - 2)), the standard error of r; unset for n < 3
    double meanX = 0.0, meanY = 0.0;
    std::optional<double> varX, varY;  // sample variances (divisor n - 1); unset for n < 2
};

class ModXYPlot {
public:
    explicit ModXYPlot(XYPlotData data);

    const XYPlotData& Data() const { return data_; }
    int VariableCount() const { return static_cast<int>(data_.variables.size()); }
    // The variable names as the lists show them (1-based).
    const std::string& Name(int variable) const;

    struct Curve {
        int x = 1;
        int y = 1;
        XYMarks marks;
        XYStyle style;
        // Counted when the axes are scaled; a curve left out may run beyond
        // the frame (the picture says so).
        bool inScale = true;
    };

    // How the axes take a new curve.
    enum class Scaling {
        AllCurves,  // the axes hold every curve (a figure's curves share them)
        ToNewCurve, // "&Plot it!": the axes fit the new curve, keeping earlier
                    // curves only while they do not squash it
    };

    // Adds Y against X (1-based variables) with the given marks.  False,
    // with a message for the user, when a box holds something that is not a
    // number or the boxes give an empty range.  On success the boxes may
    // change (the constant-X rule writes its X maximum there).
    bool Plot(int x, int y, const XYMarks& marks, XYBoxes& boxes, std::string* message = nullptr,
              Scaling scaling = Scaling::AllCurves, XYStyle style = {});
    // An earlier curve stays counted by the axes under ToNewCurve while the
    // new curve keeps at least this share of each axis.
    static constexpr double kLeastShare = 0.5;
    // "&Clear Plot && Reset Axes": no curves, empty boxes.
    void Clear(XYBoxes& boxes);
    // The "10x10 Grid" and "8x8 Grid" boxes.
    void SetGrids(bool ten, bool eight);

    const std::vector<Curve>& Curves() const { return curves_; }
    // Axes in effect (valid once a curve is plotted).
    const AxisRange& XAxis() const { return x_; }
    const AxisRange& YAxis() const { return y_; }
    // Statistics of the last curve plotted.
    const XYStatistics& Statistics() const { return stats_; }

    PlotScene Scene() const;

    static XYStatistics Compute(const std::vector<double>& xs, const std::vector<double>& ys);

private:
    struct Pairs {
        std::vector<double> x, y;
    };
    Pairs PairsOf(const Curve& c) const;
    Pairs PairsOf(int x, int y) const;
    // Which curves the axes count when the last one came in by ToNewCurve.
    void ChooseScaledCurves();
    bool Rescale(const XYBoxes& boxes, XYBoxes* shown, std::string* message);

    XYPlotData data_;
    std::vector<Curve> curves_;
    AxisRange x_, y_;
    XYStatistics stats_;
    bool gridTen_ = false;
    bool gridEight_ = false;
    // The X maximum the constant-X rule put in its box; while the box still
    // shows it, it is the rule's and not the user's.
    std::string autoXMax_;
};

}  // namespace corvane
