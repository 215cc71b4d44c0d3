#pragma once
// --steps-from FILE.cov [--steps-grid G] of profile and posterior: the steps
// the desktop's "Base step sizes on SD's from covariance grid" answer sets,
// taken from a covariance file's standard errors, so that a script can do
// what the desktop does.
#include <functional>
#include <optional>
#include <string>

#include "cli/Args.h"

namespace corvane {
class Workbench;
}

namespace corvane::cli {

struct StepsFromOptions {
    std::optional<std::string> file;
    std::optional<long long> grid;  // 1..3, default 1

    void Declare(Options& o);
    void Check(Options& o) const;

    // The standard errors of grid G by parameter number (-1 where the grid
    // has none).  The file must belong to the estimates in use: as many
    // parameters, a standard-error line for each free parameter, and the
    // free parameters' values as the algorithm data hold them.  Throws
    // BadInput naming the file and what differs.
    std::function<double(int parameter)> StandardErrors(const Workbench& wb) const;
    int Grid() const { return static_cast<int>(grid.value_or(1)); }
};

}  // namespace corvane::cli
