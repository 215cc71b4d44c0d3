#pragma once
// The columns a likelihood profile, a Bayesian posterior and a prior profile
// all end in: -ln[L] over equally spaced values of one parameter, turned into
// a density, a cumulative distribution, two confidence-region columns and a
// normal density with the same moments.
#include <string>
#include <vector>

#include "engine/AlgorithmData.h"
#include "numeric/OneBased.h"
#include "plots/PlotData.h"

namespace corvane {

// The shared columns, each sized 0..m; only the cumulative column uses 0.
struct ProfileColumns {
    int m = 0;
    Vec1<double> x;           // parameter values, equally spaced
    Vec1<double> negLnL;      // -ln[L]; relative to the mode after DistributionColumns
    Vec1<double> pdf;
    Vec1<double> normal;
    Vec1<double> cumulative;
    Vec1<double> ciMode;
    Vec1<double> ciMean;
    double xML = 0.0;         // x at the smallest -ln[L]

    // Sizes every column 0..points, cleared to 0.
    void Size(int points);
    // Cuts the columns to their first points entries (an interrupted run).
    void Cut(int points);
};

struct DistributionSummary {
    double mean = 0.0;        // expected value
    double difference = 0.0;  // x_ML - mean
    double sd = 0.0;          // reported as the estimated SE
};

// Whether the points resolve the distribution they describe.  Too coarse:
// fewer than kPointsWithinSD points lie within one SD of the mode (the
// moments then come from a handful of panels).  Cut short: an end point's
// density is above kEndShare of the peak (the mass beyond the ends is
// missing from every column).  Each names the step to use.
inline constexpr int kPointsWithinSD = 5;
inline constexpr double kEndShare = 0.01;
struct GridCheck {
    int pointsWithinSD = 0;
    bool coarse = false;
    double finerStep = 0.0;     // when coarse: SD / 4 (nine points within one SD), the SD from the
                                // curvature at the mode
    double leftShare = 0.0;     // PDF at the first point / PDF at the mode
    double rightShare = 0.0;    // PDF at the last point / PDF at the mode
    bool cut = false;
    double widerStep = 0.0;     // when cut: the m points then span 4 SD each side
    std::vector<std::string> warnings;  // the texts shown, one per finding
};
// After DistributionColumns: c its columns, sd its SD, r the mode, w the spacing.
GridCheck CheckGrid(const ProfileColumns& c, double sd, int r, double w);

// Fills the columns from x and -ln[L] with r the index of the smallest -ln[L]
// and w the spacing.  mean and sd keep the values passed in when the
// relative likelihood integrates to nothing.
void DistributionColumns(ProfileColumns& c, double& mean, double& difference, double& sd, int r, double w);

// The data text of a profile or posterior: title, heading, one line per
// point (value, -ln[L], PDF, CI on mode, CI on mean, Normal PDF) and the five
// summary lines.  CR LF line ends.
std::string ConfidenceDataText(const std::string& title, const ProfileColumns& c, const DistributionSummary& s);
// The prior profile's statistics text: Cumulative and Attenuated in place of
// the two confidence regions.
std::string PriorDistributionText(const ProfileColumns& c, const DistributionSummary& s);

// The same columns as CSV (full precision, one row per point): point,
// value, neg_ln_l, pdf, then ci_mode and ci_mean (a prior profile:
// cumulative and attenuated), then normal_pdf.
std::string ConfidenceDataCsv(const ProfileColumns& c);
std::string PriorDistributionCsv(const ProfileColumns& c);

// What the distribution plot is handed; the description names the
// parameter on its axis.
DistributionPlotData DistributionPlotFor(const ProfileColumns& c, const DistributionSummary& s, int parameter,
                                         DistributionKind kind, const std::string& description = {});

// A parameter's description from the algorithm data ("" past its end).
std::string DescriptionOf(const AlgorithmData& a, int parameter);

}  // namespace corvane
