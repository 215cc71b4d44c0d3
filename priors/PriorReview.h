#pragma once
// The prior review: how likely the current estimates are under their
// priors, shown after a one-function call and a minimisation while priors
// are in use, in the "Review priors " window whose text can be saved (.rvp).
#include <string>

#include "numeric/OneBased.h"

namespace corvane {

class PriorTable;
class TextView;
class Workbench;

// The review text of the per-parameter values the table holds (from its last
// PriorNegLnL, at `used`: the estimates as the objective used them).  Only
// parameters whose type is not U are listed, each with the prior's own
// -ln[density] and density and, apart, what it adds to the objective (its
// value times the table's 1/c).
std::string PriorReviewText(const PriorTable& table, const Vec1<double>& estimates, const Vec1<double>& used);
// The same when the estimates are the values used.
std::string PriorReviewText(const PriorTable& table, const Vec1<double>& values);

// Evaluates the priors at the current (fuse-expanded) estimates and returns
// the review text; the per-parameter values are left in the table.
std::string ComputePriorReview(Workbench& wb);

// Builds the review and opens its window.
void PriorReview(Workbench& wb);

// Gives the review window its Save button and makes PriorReview the
// workbench's review hook.
void InstallPriorReview(Workbench& wb);

}  // namespace corvane
