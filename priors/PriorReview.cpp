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
// A number never cut to its column: a text longer than the width is kept
// whole (RightJustify keeps only its leftmost characters).
std::string Column(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : RightJustify(text, static_cast<int>(width));
}
// -ln[density] and contributions: fixed decimals, exponent form when large.
std::string Amount(double v) { return Column(Format(v, std::fabs(v) < 1e6 ? "##0.00" : "0.000E+00"), 8); }
std::string Density(double v) { return Column(Format(std::exp(-v), "0.000000"), 8); }

}  // namespace

std::string PriorReviewText(const PriorTable& table, const Vec1<double>& estimates, const Vec1<double>& used) {
    std::string text;
    for (const char* line : kIntroduction) text += std::string(line) + CRLF;
    const double r = table.reciprocalConstant;
    text += "Each prior's -ln[density] and density are its own (0 and 1 at its most likely value); what it adds to "
            "the objective is its -ln[density] times 1/c = " +
            NumberText(r) + " (c, the covariance constant: -ln[L] = c x objective)." + CRLF + CRLF;
    double total = 0.0;
    const int n = std::min({table.Size(), used.size(), estimates.size(), table.perParameter.size()});
    for (int i = 1; i <= n; ++i) {
        if (table.rows[i].type == 'U') continue;
        const double v = table.perParameter[i];
        total += v;
        text += "Parameter " + RightJustify(Format(i, "##0"), 3) + " at " + Column(Format(used[i], "0.000E+00"), 10) +
                " has a prior -ln[density] of " + Amount(v) + " and a prior density of " + Density(v) + "; it adds " +
                Amount(r * v) + " to the objective";
        if (used[i] != estimates[i])
            text += " (the estimate " + Format(estimates[i], "0.000E+00") + " is used as its absolute value)";
        text += CRLF;
    }
    text += CRLF;
    text += "           The entire model has a prior -ln[density] of " + Amount(total) + " and a prior density of " +
            Density(total) + "; the priors add " + Amount(r * total) + " to the objective" + CRLF;
    return text;
}

std::string PriorReviewText(const PriorTable& table, const Vec1<double>& values) {
    return PriorReviewText(table, values, values);
}

std::string ComputePriorReview(Workbench& wb) {
    // The last evaluation of a run is a probe, not the estimates: evaluate
    // the priors afresh at the values the run left behind, as the objective
    // used them (a model may take a parameter as its absolute value).
    Vec1<double> estimates = wb.alg.value;
    ExpandFuses(estimates, wb.alg, wb.engine);
    Vec1<double> used = estimates;
    if (wb.model)
        for (int i = 1; i <= used.size(); ++i) used[i] = wb.model->ValueAsUsed(i, used[i]);
    wb.priorTable.PriorNegLnL(used);
    return PriorReviewText(wb.priorTable, estimates, used);
}

void PriorReview(Workbench& wb) {
    wb.priorReviewView.SetArea(1, ComputePriorReview(wb));
    wb.ports.windows.Show(wb.priorReviewView);
}

void InstallPriorReview(Workbench& wb) {
    TextView& view = wb.priorReviewView;
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
