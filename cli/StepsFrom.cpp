#include "cli/StepsFrom.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "cli/Command.h"
#include "engine/modCorvane.h"
#include "numeric/Format.h"
#include "ranking/ModelAveraging.h"

namespace corvane::cli {

void StepsFromOptions::Declare(Options& o) {
    o.Text("--steps-from", file, "FILE.cov",
           "set every free step from the standard errors of the covariance\n"
           "file FILE (written by corvane-cli covariance --save at these\n"
           "estimates), as the desktop's \"steps from covariance grid\" answer");
    o.Whole("--steps-grid", grid, 1, 3, "G", "the covariance grid the steps come from (default 1)");
}

void StepsFromOptions::Check(Options& o) const {
    if (grid && !file) o.Refuse("option --steps-grid needs --steps-from FILE.cov");
}

std::function<double(int)> StepsFromOptions::StandardErrors(const Workbench& wb) const {
    const AlgorithmData& a = wb.alg;
    int free = 0;
    for (int i = 1; i <= a.np; ++i)
        if (a.step[i] != 0.0) ++free;
    CovarianceReadResult read = ReadCovarianceFile(*file, a.np, free);
    if (!read.estimates)
        throw BadInput("option --steps-from: the covariance file " + *file + " is refused: " + read.problem +
                       " (the algorithm file has " + NumberText(a.np) + " parameters, " + NumberText(free) +
                       " of them free)");
    auto e = std::make_shared<CovarianceEstimates>(std::move(*read.estimates));
    // The report prints eight significant digits.
    constexpr double kPrinted = 1e-7;
    for (int i = 1; i <= a.np; ++i) {
        if (a.step[i] == 0.0) continue;
        const double there = e->value[i], here = a.value[i];
        if (std::fabs(there - here) > kPrinted * std::max(std::fabs(here), std::fabs(there)))
            throw BadInput("option --steps-from: the covariance file " + *file +
                           " belongs to other estimates: parameter " + NumberText(i) + " is " +
                           Format(there, "0.0000000E+00") + " there and " + Format(here, "0.0000000E+00") +
                           " in the algorithm file");
    }
    const int g = Grid();
    if (e->missing[static_cast<std::size_t>(g - 1)])
        throw BadInput("option --steps-grid: grid " + NumberText(g) + " of " + *file +
                       " has no valid standard errors; choose another grid");
    return [e, g](int parameter) {
        if (parameter < 1 || parameter > e->se.rows()) return -1.0;
        const double se = e->se(parameter, g);
        return se > 0.0 ? se : -1.0;
    };
}

}  // namespace corvane::cli
