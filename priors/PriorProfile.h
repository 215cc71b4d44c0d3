#pragma once
// Prior profiles ("&Profile prior distributions" in the priors editor): one
// parameter's prior -ln[L] over a range of values chosen by its type, turned
// into the shared distribution columns, plotted ("Bayesian Prior
// Distribution") and shown as the statistics text of the "Prior distribution
// statistics" window, which saves it as a prior distribution file (.pdp).
#include <functional>
#include <string>

#include "evaluation/DistributionColumns.h"
#include "numeric/OneBased.h"
#include "priors/PriorTable.h"

namespace corvane {

class Workbench;

namespace prior_profile_text {
inline constexpr const char* Title = "Evaluation of prior distributions";
inline constexpr const char* ResultCaption = "Prior distribution statistics";
inline constexpr const char* SaveButton = "&Save Bayesian prior distribution data as...";
inline constexpr const char* SaveTitle = "Save Bayesian prior values in...";
inline constexpr const char* SaveToolTip = "Saves the (possibly edited) output appearing in the textbox below";
inline constexpr const char* NothingToPlot =
    "There is nothing to plot when the prior distribution is uniform-unbounded";
}  // namespace prior_profile_text

inline constexpr int kDefaultPriorPoints = 101;

// The x values of a prior's profile, by type (m, s the first-term mean and
// SD, F the foot):
//   N, G, L  m +- 5 s           E  0 +- 10 m          B  0 to 1
//   S, D     F +- 3 s, or F +- |F| when s = 0 (a step of 0 becomes 0.1)
//   T        from the left foot - 3 SD to the right foot + 3 SD
// then pulled into the support: G and L start at 1e-6, E at 0, and B runs
// from 1e-6 to 0.999999.  Empty for U (nothing to plot).
struct PriorGrid {
    Vec1<double> x;
    // The spacing of the points, for the integrals: the step by type, or, where
    // the grid was pulled into the support, the spacing it was pulled to.
    double spacing = 0.0;
};
PriorGrid PriorProfileGrid(const PriorRow& row, int points);

struct PriorProfileResult {
    int parameter = 0;
    int points = 0;
    int mode = 0;  // index of the smallest prior -ln[L]
    DistributionSummary summary;
    bool computed = false;  // false for a uniform-unbounded prior
};

// Evaluates the unscaled prior -ln[L] of the row at every x into the columns
// and computes the distribution columns.  pointDone(k, x) is told of each
// point (the status line).
PriorProfileResult ComputePriorProfile(const PriorRow& row, int parameter, int points, ProfileColumns& columns,
                                       const std::function<void(int point, double x)>& pointDone = {});

// The plot, then the statistics text in the "Prior distribution statistics"
// window (the columns are the workbench's shared ones).
void ShowPriorProfile(Workbench& wb, const PriorProfileResult& result);

// "&Save Bayesian prior distribution data as...": the path written, or empty.
std::string SavePriorDistributions(Workbench& wb);

// The statistics window's Save button; called once by the Workbench.
void InstallPriorProfileWindow(Workbench& wb);

// The command with its questions.  selected is the parameter of the editor's
// selected grid row (1 when a heading is selected); the point count's default
// is 101.  False when the user left at the introduction.
bool ProfilePriorDistributions(Workbench& wb, int selected);

}  // namespace corvane
