#pragma once
// The covariance report: a fixed-column text built from the covariance
// results store alone, and its file (.cov).  The ranking's averaging reads
// the file at fixed lines and columns (parameter values at characters 7-20
// of lines 5..4+n, the standard error of grid g in the 14 characters from
// 25 + 18 (g - 1) of lines 20+n..19+n+p, the file's first line being the
// "Originally saved with the file name: " line), so the layout never
// changes with the outcome: whatever could not be computed is printed as -1.
#include <string>

#include "platform/Dialogs.h"

namespace corvane {

struct CovarianceResults;
class Workbench;

// Probability that an estimate t standard errors away from a hypothesised
// value does not differ from it: Student t with 999 degrees of freedom,
// integrated by Simpson's rule, rounded to four decimals.
struct TwoSidedProbability {
    bool belowLimit = false;  // "<0.0001"
    double p = 0.0;
    // "<0.0001" or p in the picture "#0.0000".
    std::string Text() const;
};
TwoSidedProbability TwoSidedP(double t);

// The report, lines ended by CR LF; empty for a store without a calculation.
std::string CovarianceReportText(const CovarianceResults& results);

// The report's tables as one CSV table, a row per free parameter:
// parameter, value, se_grid_1 .. se_grid_3, then (unless the run was
// optimistic) the covariance matrix of the given grid, one column cov_N per
// free parameter N.  A grid without a result reads NA where the report shows
// -1.  Full precision.
std::string CovarianceCsv(const CovarianceResults& results, int grid);

// The save dialogue: "Save covariance data in...", the filter with the
// "Named for algorithm file" entry selected, the date-time name "mmddhhmm.cov".
FileRequest CovarianceSaveRequest(const Workbench& wb);

// Saves text (the possibly edited report) as a covariance file through the
// text result windows' Save; the path written, or empty when cancelled or
// not written.
std::string SaveCovarianceText(Workbench& wb, const std::string& text);

}  // namespace corvane
