#include "priors/PriorReview.h"

#include <algorithm>
#include <cmath>

#include "engine/modCorvane.h"
#include "numeric/DateTimeName.h"
#include "numeric/Format.h"

namespace corvane {

namespace {

const char* const kIntroduction[] = {
    "Note: Here is a chance to review the likelihood of your current parameter estimates relative to ",
    "your Bayesian prior distributions.",
    "",
    "A -ln[likelihood] value of zero applies when your maximum-likelihood estimate for a parameter ",
    "occurs at the most likely value of your chosen prior distribution for that parameter.  If the ",
    "values shown here are quite large (i.e., parameter estimates are much less likely than the most ",
    "likely prior value), then you might wish to reconsider your prior assumptions.  You should also ",
    "check, and be suspicious of, estimates lying against a left or right boundary of a ",
    "steep cliff distribution or the uniform-bounded distribution.",
    "",
    "You should also formally evaluate the overlap of the prior probability distribution ",
    "of each parameter with the posterior distribution for that parameter, e.g., the (perhaps) ",
    "Gaussian confidence region from a covariance analysis.  This overlap is a measure of the ",
    "probability that the parameter estimate can reasonably be associated with both distributions. ",
    "Depending on sample size, and if the distributions are nearly Gaussian, then you can try a ",
    "t-test or a z-test using the moments of the distributions.  If the distributions do not ",
    "significantly overlap, then you might want to reconsider your prior distribution.  Cumulative ",
    "and attenuated probability plots for prior distributions can be saved in *.pdp files.",
    "",
};

std::string NegLnL(double v) { return RightJustify(Format(v, "##0.00"), 8); }
std::string Likelihood(double v) { return RightJustify(Format(std::exp(-v), "0.000000"), 8); }

}  // namespace

std::string PriorReviewText(const PriorTable& table, const Vec1<double>& values) {
    std::string text;
    for (const char* line : kIntroduction) text += std::string(line) + CRLF;
    double total = 0.0;
    const int n = std::min(table.Size(), std::min(values.size(), table.perParameter.size()));
    for (int i = 1; i <= n; ++i) {
        if (table.rows[i].type == 'U') continue;
        const double v = table.reciprocalConstant * table.perParameter[i];
        total += v;
        text += "Parameter " + RightJustify(Format(i, "##0"), 3) + " at " +
                RightJustify(Format(values[i], "0.000E+00"), 10) + " has a prior -ln[L] of " + NegLnL(v) +
                " and a prior likelihood of " + Likelihood(v) + CRLF;
    }
    text += CRLF;
    text += "           The entire model has a prior -ln[L] of " + NegLnL(total) + " and a prior likelihood of " +
            Likelihood(total) + CRLF;
    return text;
}

std::string ComputePriorReview(Workbench& wb) {
    // The last evaluation of a run is a probe, not the estimates: evaluate
    // the priors afresh at the values the run left behind.
    Vec1<double> values = wb.alg.value;
    ExpandFuses(values, wb.alg, wb.engine);
    wb.priorTable.PriorNegLnL(values);
    return PriorReviewText(wb.priorTable, values);
}

void PriorReview(Workbench& wb) {
    wb.priorReviewView.SetArea(1, ComputePriorReview(wb));
    wb.ports.windows.Show(wb.priorReviewView);
}

void InstallPriorReview(Workbench& wb) {
    TextView& view = wb.priorReviewView;
    view.editable = true;
    ViewButton& save = view.AddButton("cmdSave", "Save review of prior distribution likelihoods as...", [&wb] {
        TextView& v = wb.priorReviewView;
        FileRequest request;
        request.save = true;
        request.title = "Save review in...";
        request.filter = std::string("All files (*.*)|*.*|") + "Review priors files (*.rvp)|*.rvp";
        request.selectedFilter = 2;
        request.initialName = DateTimeName(wb.ports.clock.DateText(), wb.ports.clock.TimeText(), ".rvp");
        request.overwritePrompt = true;
        SaveViewText(wb.ports.dialogs, request, v);
    });
    save.toolTip = "Saves the (possibly edited) output appearing in the textbox below";
    wb.priorReview = [](Workbench& w) { PriorReview(w); };
}

}  // namespace corvane
