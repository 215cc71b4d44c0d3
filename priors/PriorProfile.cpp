#include "priors/PriorProfile.h"

#include <cmath>

#include "evaluation/LikelihoodProfile.h"
#include "evaluation/ParameterChoice.h"
#include "engine/modCorvane.h"
#include "numeric/DateTimeName.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"

namespace corvane {

namespace {

constexpr double kLowest = 1e-6;       // support floor of the gamma, ln-normal and beta
constexpr double kHighest = 0.999999;  // support ceiling of the beta
constexpr double kNoMinimum = 1e100;
constexpr double kZeroStepGives = 0.1;

std::string IntroductionText() {
    const std::string nl = CRLF;
    return "This routine will create a series of plots to evaluate prior distributions." + nl +
           "If the prior distribution is uniform-unbounded (U) no plots will be generated." + nl +
           "First choose the parameter to be profiled, then the number of data points." + nl +
           "This routine uses the moments (mean and SD) to set the domain of the parameter.";
}

std::string PlotsText() {
    const std::string nl = CRLF;
    return "Choose plot 1 to get a likelihood profile plot. " + nl + "Choose plot 2 to get a Bayesian prior distribution. " +
           nl + "Choose plot 3 to get a mode-centered confidence region plot. " + nl +
           "Choose plot 4 to get a mean-centered confidence region plot. " + nl +
           "Choose plot 5 to get a left to right ascending cumulative plot. " + nl +
           "Choose plot 6 to get a left to right descending cumulative plot. " + nl +
           "Choose plot 7 to get a mode-centered Gaussian distribution plot. ";
}

}  // namespace

PriorGrid PriorProfileGrid(const PriorRow& row, int points) {
    PriorGrid g;
    const int P = points;
    if (P < 3 || row.type == 'U') return g;
    const double m = row.firstMean;
    const double s = row.firstSD;
    const int half = (P - 1) / 2;
    double centre = 0.0;
    double step = 0.0;
    switch (row.type) {
        case 'N':
        case 'G':
        case 'L':
            centre = m;
            step = 10.0 * s / (P - 1);
            break;
        case 'E':
            step = 20.0 * m / (P - 1);
            break;
        case 'B':
            centre = 0.5;
            step = 1.0 / (P - 1);
            break;
        case 'S':
        case 'D':
            centre = m;
            // A negative foot with a hard wall would turn the grid round.
            step = s > 0.0 ? 3.0 * s / half : std::fabs(m) / half;
            if (step == 0.0) step = kZeroStepGives;
            break;
        case 'T': {
            const double lo = m - 3.0 * s;
            const double hi = LeadingNumber(row.secondMean) + 3.0 * LeadingNumber(row.secondSD);
            centre = (lo + hi) / 2.0;
            step = std::fabs(hi - lo) / (P - 1);
            if (step == 0.0) step = kZeroStepGives;
            break;
        }
        default:
            return g;  // a code that is none of the nine has no prior to plot
    }
    // The points run from left to right whatever the sign of the SD.
    step = std::fabs(step);
    const int mid = half + 1;
    g.x.resize(P);
    for (int k = 1; k <= P; ++k) g.x[k] = centre + (k - mid) * step;
    g.spacing = step;

    const double x1 = g.x[1];
    const double xP = g.x[P];
    if ((row.type == 'G' || row.type == 'L') && x1 < kLowest) {
        g.spacing = step * xP / (xP - x1);
        for (int k = 1; k <= P; ++k) g.x[k] = (k - 1) * g.spacing + kLowest;
    } else if (row.type == 'E' && x1 < 0.0) {
        g.spacing = step * xP / (xP - x1);
        for (int k = 1; k <= P; ++k) g.x[k] = (k - 1) * g.spacing;
    } else if (row.type == 'B') {
        g.x[1] = kLowest;
        g.x[P] = kHighest;
    }
    return g;
}

PriorProfileResult ComputePriorProfile(const PriorRow& row, int parameter, int points, ProfileColumns& c,
                                       const std::function<void(int, double)>& pointDone) {
    PriorProfileResult r;
    r.parameter = parameter;
    const PriorGrid grid = PriorProfileGrid(row, points);
    if (grid.x.empty()) return r;
    r.points = points;
    c.Size(points);
    double best = kNoMinimum;
    for (int k = 1; k <= points; ++k) {
        const double x = grid.x[k];
        if (pointDone) pointDone(k, x);
        c.x[k] = x;
        c.negLnL[k] = PriorValue(row, x);
        if (c.negLnL[k] < best) {
            best = c.negLnL[k];
            r.mode = k;
            c.xML = x;
        }
    }
    if (r.mode == 0) return r;  // no finite value anywhere
    r.summary.mean = c.xML;
    DistributionColumns(c, r.summary.mean, r.summary.difference, r.summary.sd, r.mode, grid.spacing);
    r.computed = true;
    return r;
}

void ShowPriorProfile(Workbench& wb, const PriorProfileResult& result) {
    wb.plots->Show(DistributionPlotFor(wb.profileColumns, result.summary, result.parameter, DistributionKind::Prior,
                                       DescriptionOf(wb.alg, result.parameter)));
    wb.priorProfileView.SetArea(1, PriorDistributionText(wb.profileColumns, result.summary));
    wb.ports.windows.Show(wb.priorProfileView);
}

std::string SavePriorDistributions(Workbench& wb) {
    TextView& view = wb.priorProfileView;
    FileRequest request;
    request.save = true;
    request.title = prior_profile_text::SaveTitle;
    request.filter = std::string("All files (*.*)|*.*|") + "Bayesian prior distribution files (*.pdp)|*.pdp";
    request.selectedFilter = 2;
    request.initialName = DateTimeName(wb.ports.clock.DateText(), wb.ports.clock.TimeText(), ".pdp");
    request.overwritePrompt = true;
    return SaveViewText(wb.ports.dialogs, request, view);
}

void InstallPriorProfileWindow(Workbench& wb) {
    TextView& view = wb.priorProfileView;
    ViewButton& save =
        view.AddButton("cmdSave", prior_profile_text::SaveButton, [&wb] { SavePriorDistributions(wb); });
    save.toolTip = prior_profile_text::SaveToolTip;
}

bool ProfilePriorDistributions(Workbench& wb, int selected) {
    using namespace prior_profile_text;
    Dialogs& d = wb.ports.dialogs;
    const PriorTable& table = wb.priorTable;
    const int n = table.Size();
    const std::string nl = CRLF;
    if (n < 1) return false;
    if (selected < 1 || selected > n) selected = 1;

    // Every cancelled prompt and the uniform-unbounded refusal start again
    // here; the introduction's Cancel is the way out.
    for (;;) {
        if (d.MessageBox(Title, IntroductionText(), Buttons::OKCancel, Icon::Information) != Answer::OK) return false;
        d.MessageBox(Title, PlotsText(), Buttons::OK, Icon::Information);

        const auto chosen = ChooseParameter(
            d, Title, "Choose the parameter number to be profiled." + nl + "(0 < parameter # <= " + NumberText(n) + ")",
            wb.alg, n, selected, NumberText(selected));
        if (!chosen) continue;
        const int parameter = *chosen;
        bool restart = false;
        const PriorRow& row = table.rows[parameter];
        if (row.type == 'U') {
            d.MessageBox(Title, NothingToPlot, Buttons::OK, Icon::Exclamation);
            continue;
        }

        int points = -1;
        while (points < 0) {
            const std::string answer =
                d.InputPrompt(Title,
                              "Choose the number of x-y data points per plot." + nl + "(0 <= # points <= " +
                                  NumberText(kMaxProfilePoints) + ")",
                              NumberText(kDefaultPriorPoints));
            if (answer.empty()) {
                restart = true;
                break;
            }
            if (const auto v = StrictInteger(answer, 0, kMaxProfilePoints))
                points = ProfilePointCount(static_cast<int>(*v), kDefaultPriorPoints);
        }
        if (restart) continue;

        const PriorProfileResult result =
            ComputePriorProfile(row, parameter, points, wb.profileColumns, [&wb, parameter, points](int k, double x) {
                wb.Status(1, ProfilePointText(k, points, parameter, x));
            });
        wb.Status(1, "");
        d.Beep();
        // The shared columns now hold a prior profile, which is not a
        // likelihood profile to be shown again.
        wb.lastEvaluationKind = "Prior";
        wb.evaluationResultsExist = result.computed;
        if (result.computed) ShowPriorProfile(wb, result);
        return true;
    }
}

}  // namespace corvane
