#include "engine/modCorvane.h"

#include "priors/PriorProfile.h"
#include "priors/PriorReview.h"

namespace corvane {

Workbench::Workbench(Ports p, Model* m)
    : ports(p),
      model(m),
      priors(&priorTable),
      progress(p.dialogs, p.clock),
      priorReviewView("frmReviewPriors", "Review priors "),
      profileView("frmMLStats", "Maximum likelihood statistics"),
      priorProfileView("frmPriorDists", "Prior distribution statistics"),
      posteriorView("frmBayesianStatistics", posterior_text::ResultCaption),
      oneCallView("frmOneCall", "One function call"),
      simplexView("frmSimplex",
                  "Simplex minimization (uses geometry; works best for models whose behaviour is markedly "
                  "non-linear; initial progress is sensitive to step sizes)",
                  2),
      marquardtView("frmMarquardt", "Marquardt minimization") {
    // Shared arrays start with one element each.
    alg.value.resize(1);
    alg.step.resize(1);
    alg.fuse.resize(1, kUnfused);
    alg.description.resize(1);
    simplexView.splitter = true;
    InstallSimplexWindow(*this);
    InstallMarquardtWindow(*this);
    InstallCovarianceWindows(*this);
    InstallPriorReview(*this);
    InstallProfileWindow(*this);
    InstallPriorProfileWindow(*this);
    if (model) model->SetProgress(&progress);
    InstallPosteriorWindow(*this);
}

void Workbench::CloseProgressWindows() {
    ports.windows.Close(oneCallView);
    ports.windows.Close(simplexView);
    ports.windows.Close(marquardtView);
}

}  // namespace corvane
