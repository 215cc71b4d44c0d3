#pragma once
// Chief header of the engine: the Workbench holds what the workbench keeps
// for the whole session, so a test can make as many as it likes.
#include <cstdint>
#include <functional>
#include <string>

#include "engine/AlgorithmData.h"
#include "evaluation/Covariance.h"
#include "evaluation/CovarianceCommand.h"
#include "evaluation/DistributionColumns.h"
#include "engine/Engine.h"
#include "evaluation/LikelihoodProfile.h"
#include "engine/LU.h"
#include "engine/Marquardt.h"
#include "engine/Minimiser.h"
#include "engine/Model.h"
#include "engine/ProgressThrottle.h"
#include "evaluation/PosteriorCommand.h"
#include "engine/RunLog.h"
#include "engine/Simplex.h"
#include "numeric/OneBased.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/StatusBar.h"
#include "platform/TextView.h"
#include "plots/PlotPort.h"
#include "priors/PriorTable.h"

namespace corvane {

struct Ports {
    Dialogs& dialogs;
    StatusBar& status;
    WindowHost& windows;
    Clock& clock;
    RandomSource& random;
};

struct ApplicationFlags {
    bool modelInitialised = false;
    bool covarianceCurrent = false;
    bool bayesianInterrupt = false;
    bool mlInterrupt = false;
};

class Workbench {
public:
    Workbench(Ports ports, Model* model);
    Workbench(const Workbench&) = delete;
    Workbench& operator=(const Workbench&) = delete;

    Ports ports;
    Model* model;  // not owned

    AlgorithmData alg;
    EngineState engine;
    PriorTable priorTable;
    PriorSource* priors;  // the prior table unless a test substitutes one
    RunLog runLog;
    ApplicationFlags app;

    // Paces the event processing of long work by time (see its header); the
    // model gets it too.
    ProgressThrottle progress;

    // Minimisers: the Simplex kept between runs, Marquardt's working state,
    // the LU working matrix shared with the covariance calculation.
    SimplexState simplex;
    MarquardtState marquardt;
    LUWork lu;
    // Told of each Simplex iteration and Marquardt trial (the command line's
    // progress line); none by default.
    MinimiserObserver* minimiserObserver = nullptr;
    // The prior review shown after a one-function call, a verified Simplex
    // minimum and a Marquardt run while priors are in use, and its window
    // ("Review priors "); installed by the priors subsystem.
    std::function<void(Workbench&)> priorReview;
    TextView priorReviewView;

    // What MODEL returns besides F.
    std::int32_t dataCount = 0;
    Vec1<double> modelFirstDerivatives;
    Mat1<double> modelSecondDerivatives;
    double modelOwnValue = 0.0;

    // Plots (data and prediction, distributions, bivariate density) are
    // shown through `plots`, which is never null: by default the requests
    // are only recorded (tests read them); the desktop puts its modal plot
    // windows here, the command line a port that writes picture files.
    RecordingPlotPort recordedPlots;
    PlotPort* plots = &recordedPlots;

    // The columns shared by the likelihood profile, the Bayesian posterior
    // and the prior profile, and which of the first two filled them last
    // ("ML" or "BP"), so a stored result can be shown again.
    ProfileColumns profileColumns;
    std::string lastEvaluationKind;
    bool evaluationResultsExist = false;

    // Parallel work: how many threads the computations share their records,
    // series and grid points among (0: every core).  Change it with
    // UseThreads (engine/Threads.h), which tells the model too.
    int threads = 0;

    // Likelihood and prior profiles: the parameter and spacing of the stored
    // likelihood profile (shown again on request), and the windows "Maximum
    // likelihood statistics" and "Prior distribution statistics".
    int profiledParameter = 0;
    double profiledStep = 0.0;
    TextView profileView;
    TextView priorProfileView;
    // Bayesian posteriors: what showing the last one again needs beside the
    // shared columns, the "Bayesian statistics" window, and the main window's
    // Bayesian "&Interrupt" menu, shown while a posterior integrates (the
    // desktop sets it; none elsewhere).
    PosteriorStore posterior;
    TextView posteriorView;
    std::function<void(bool shown)> showBayesianInterruptMenu;

    // Progress and result windows of the engine commands.
    TextView oneCallView;
    TextView simplexView;
    TextView marquardtView;

    // Covariances.  The results store of the last calculation: the profile
    // and posterior evaluations take their suggested steps from it through
    // covariance.StandardError(k, grid) (free index k) or
    // covariance.ParameterStandardError(parameter, grid), both -1 when the
    // grid has no valid result.  Its windows: "Covariance calculations" and
    // "Covariance data".
    CovarianceResults covariance;
    CovarianceDisplay covarianceDisplay;

    // Closes the one-function-call, Simplex and Marquardt windows.
    void CloseProgressWindows();
    // Status texts of a running command: Activity(k).
    void Status(int panel, const std::string& text) { ports.status.Set(panels::Activity(panel), text); }
};

}  // namespace corvane
