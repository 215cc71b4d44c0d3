#pragma once
// Realistic plot requests for the plot tests: the rig shark increments of
// set 1 with a von Bertalanffy prediction, a skewed likelihood profile over
// -0.5 to 1.5 turned into its distribution columns, and a correlated
// bivariate Gaussian density on a grid.
#include <algorithm>
#include <cmath>
#include <string>

#include "model/GrowthData.h"
#include "plots/PlotData.h"
#include "support/TestData.h"

namespace corvane::testing {

// Females of the rig data (set 1): published growth of 5.87 cm/yr at 70 cm
// and 2.52 cm/yr at 100 cm give L-infinity 122.5 cm and K 0.112 per year.
inline XYPlotData RigIncrementPage() {
    IncrementData data;
    const auto problem = ReadIncrementFile(DataPath("rig_increments.dat"), data);
    EXPECT_FALSE(problem.has_value());
    constexpr double linf = 122.5, k = 0.112;
    XYPlotData page;
    page.page = "Increment data for 1";
    page.variables = {{"Data record index", {}, {}, {}},
                      {"Observed initial Size for Set 1", {}, {}, {}},
                      {"Observed increment for Set 1  ", {}, {}, {}},
                      {"Predicted increment for Set 1  ", {}, {}, {}}};
    int index = 0;
    for (int r = 1; r <= data.records; ++r) {
        const IncrementRecord& rec = data.record[r];
        if (rec.set != 1.0) continue;
        const double years = (rec.end - rec.start) / 365.25;
        page.variables[0].values.push_back(++index);
        page.variables[1].values.push_back(rec.initial);
        page.variables[2].values.push_back(rec.increment);
        page.variables[3].values.push_back((linf - rec.initial) * (1.0 - std::exp(-k * years)));
    }
    for (std::size_t v = 1; v < page.variables.size(); ++v) {
        auto& var = page.variables[v];
        var.scaleMin = *std::min_element(var.values.begin(), var.values.end());
        var.scaleMax = *std::max_element(var.values.begin(), var.values.end());
    }
    XYMarks points;
    XYMarks line;
    line.points = false;
    line.linesAll = true;
    page.figures = {{"increments-set1", 1, {{3, points}, {4, line}}},
                    {"increments-set1-by-size", 2, {{3, points}, {4, points}}}};
    return page;
}

// A profile of parameter 9 with its mode near 0.45 and a longer right tail,
// over 41 points from -0.5 to 1.5, with the columns a profile hands over.
inline DistributionPlotData SkewedProfile(DistributionKind kind = DistributionKind::Confidence) {
    constexpr int m = 41;
    constexpr double w = 0.05;
    DistributionPlotData d;
    d.parameter = 9;
    d.kind = kind;
    for (Vec1<double>* c : {&d.x, &d.negLnL, &d.pdf, &d.ciMode, &d.ciMean, &d.cumulative, &d.normal}) c->resize(m);
    int r = 1;
    for (int i = 1; i <= m; ++i) {
        d.x[i] = -0.5 + (i - 1) * w;
        const double z = (d.x[i] - 0.45) / 0.22;
        d.negLnL[i] = z * z / 2.0 - 0.12 * z * z * z / 6.0 * (z < 0 ? 1.6 : 0.4) + 3.0;
        if (d.negLnL[i] < d.negLnL[r]) r = i;
    }
    const double lr = d.negLnL[r];
    double area = 0.0, s1 = 0.0, s2 = 0.0;
    for (int i = 1; i <= m; ++i) {
        d.negLnL[i] -= lr;
        const double p = std::exp(-d.negLnL[i]);
        const double weight = (i == 1 || i == m) ? 0.5 : 1.0;  // trapezoids
        area += weight * w * p;
        s1 += weight * w * p * d.x[i];
        s2 += weight * w * p * d.x[i] * d.x[i];
    }
    d.mlEstimate = d.x[r];
    d.evEstimate = s1 / area;
    d.se = std::sqrt(s2 / area - d.evEstimate * d.evEstimate);
    d.difference = d.mlEstimate - d.evEstimate;
    int q = 1;
    for (int i = 2; i <= m; ++i)
        if (std::fabs(d.x[i] - d.evEstimate) < std::fabs(d.x[q] - d.evEstimate)) q = i;
    for (int i = 1; i <= m; ++i) {
        d.pdf[i] = std::exp(-d.negLnL[i]) / area;
        d.cumulative[i] = i == 1 ? 0.0 : std::min(1.0, d.cumulative[i - 1] + w * (d.pdf[i - 1] + d.pdf[i]) / 2.0);
        const double z = (d.x[i] - d.evEstimate) / d.se;
        d.normal[i] = std::exp(-z * z / 2.0) / (std::sqrt(8.0 * std::atan(1.0)) * d.se);
    }
    for (int i = 1; i <= m; ++i) {
        const double cr = d.cumulative[r], cq = d.cumulative[q];
        d.ciMode[i] = i <= r ? (cr - d.cumulative[i]) / cr : (d.cumulative[i] - cr) / (1.0 - cr);
        d.ciMean[i] = i <= q ? (cq - d.cumulative[i]) / cq : (d.cumulative[i] - cq) / (1.0 - cq);
    }
    return d;
}

// Parameters 3 (x, around 0.8 with SD 0.15) and 5 (y, around 0.1 with SD
// 0.2), correlation 0.6, on a 41 x 31 grid spanning 3.5 SD each way.
inline BivariatePlotData GaussianGrid(double rho = 0.6) {
    constexpr int m = 41, g = 31;
    constexpr double mx = 0.8, sx = 0.15, my = 0.1, sy = 0.2;
    BivariatePlotData b;
    b.xParameter = 3;
    b.yParameter = 5;
    b.x.resize(m);
    b.y.resize(g);
    b.density.resize(m, g);
    for (int i = 1; i <= m; ++i) b.x[i] = mx + (i - 21) * (7.0 * sx / (m - 1));
    for (int j = 1; j <= g; ++j) b.y[j] = my + (j - 16) * (7.0 * sy / (g - 1));
    for (int i = 1; i <= m; ++i)
        for (int j = 1; j <= g; ++j) {
            const double zx = (b.x[i] - mx) / sx, zy = (b.y[j] - my) / sy;
            b.density(i, j) = 1e-3 * std::exp(-(zx * zx - 2 * rho * zx * zy + zy * zy) / (2 * (1 - rho * rho)));
        }
    return b;
}

}  // namespace corvane::testing
