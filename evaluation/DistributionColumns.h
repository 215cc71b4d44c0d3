#pragma once
// The columns a likelihood profile, a Bayesian posterior and a prior profile
// all end in: -ln[L] over equally spaced values of one parameter, turned into
// a density, a cumulative distribution, two confidence-region columns and a
// normal density with the same moments.
#include <string>

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

// What the distribution plot is handed.
DistributionPlotData DistributionPlotFor(const ProfileColumns& c, const DistributionSummary& s, int parameter,
                                         DistributionKind kind);

}  // namespace corvane
