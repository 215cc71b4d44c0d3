#include "ui/InformationTexts.h"

#include <initializer_list>

#include "numeric/Format.h"
#include "platform/Version.h"

namespace corvane {

namespace {

std::string Lines(std::initializer_list<std::string> lines) {
    std::string out;
    for (const std::string& line : lines) {
        out += line;
        out += CRLF;
    }
    return out;
}

}  // namespace

InformationText DefaultsText() {
    return {"Default names and values etc.",
            Lines({
                "DEFAULT FILE NAMES",
                "",
                "Algorithm data (.alg): when you choose default values instead of loading a file, the",
                "  algorithm data are named after the moment they were made: month, day, hour and",
                "  minute, two digits each (mmddhhmm.alg).  Covariance (.cov), profile (.mlc) and",
                "  posterior (.pos, .grd) files are offered names made the same way.",
                "Run log (.cvl): minimize.cvl.  A name you choose without .cvl gets it added.  The",
                "  algorithm file keeps the log's name without its folder in 14 characters, so a",
                "  longer name is refused: at most 10 characters before .cvl.",
                "Model summary (.cvo): Varnel_Results.cvo.",
                "",
                "DEFAULT ALGORITHM VALUES",
                "",
                "Parameter values and step sizes: 0 (a step size of 0 freezes a parameter).",
                "Fuse codes: ~~ (unfused).  Parameters given the same letter code (A to Z, one or",
                "  two letters) are estimated as one; the lowest-numbered of them carries the step.",
                "Tolerance for convergence: 1E-06, absolute.  A negative tolerance is relative;",
                "  tolerances smaller than 1E-06 in magnitude are raised to 1E-06.",
                "Maximum number of function calls (Simplex) or iterations (Marquardt): 9999.",
                "Terminal display frequency: every 10 iterations.",
                "Log output frequency: 0 (no log) until a log file is opened in the editor, which",
                "  sets it to 10.  Loading algorithm data always sets it back to 0.",
                "Step size reduction fraction (axial searches): 0.1.",
                "Step size proportionality constant (editor): 0.1; a new value v gets the step",
                "  size |v| x 0.1, and a new value of 0 the step size 0.1.",
                "",
                "OTHER DEFAULTS",
                "",
                "Covariance grid factors: 1, 0.1 and 0.01.",
                "Covariance constant: the model suggests 0.5, because its objective is -2ln[L].",
                "Profile and posterior points: 25.",
                "Bayesian priors: uniform-unbounded (type U) for every parameter.",
            })};
}

InformationText WisdomText() {
    return {"Patience and wisdom lead to satisfying results",
            Lines({
                "Nonlinear models reward patience.  A few habits save a lot of time:",
                "",
                "1. Start simple.  Freeze (step size 0) every parameter you do not need yet at its",
                "   null value, fit the few that matter, then free the others one or two at a time",
                "   from the estimates you already have.",
                "",
                "2. Choose step sizes with care.  The first moves of the Simplex are as large as the",
                "   steps: about a tenth of a sensible value is a good start.  Steps far too small",
                "   make slow progress; steps far too large wander into nonsense.",
                "",
                "3. Look before you leap.  Run \"1 Function call\" before a long minimisation: it",
                "   shows the objective at your starting values and how long one call takes.",
                "",
                "4. Let the Simplex travel, let Marquardt finish.  The Simplex is robust far from",
                "   the minimum; Marquardt converges quickly once near it.  Running one after the",
                "   other, and repeating a run from its own result, is cheap insurance.",
                "",
                "5. Trust a minimum only when it repeats.  Start again from different values; if a",
                "   different minimum appears, the surface has several, and the lowest is the one",
                "   to report.",
                "",
                "6. Save often.  Save the algorithm data after every satisfying run, under a new",
                "   name, so that a later experiment never costs you an earlier result.",
                "",
                "7. Question the uncertainty.  Covariances from grids of quite different size",
                "   should agree; when they do not, profile the parameter or integrate its",
                "   posterior rather than trusting the normal approximation.",
                "",
                "8. Compare models honestly.  Fit competing models to the same data and rank them",
                "   by AICc; average over the best rather than betting on one.",
            })};
}

InformationText CreditsText() {
    return {"Credits",
            Lines({
                "Corvane",
                "a parameter estimation and evaluation infrastructure for non-linear models",
                "",
                VersionText(),
                "",
                "Written by the Corvane developers.",
                "",
                "Corvane minimises the objective function of a model (normally -ln[L] or -2ln[L])",
                "by Simplex or Marquardt methods, checks convergence by axial searches, computes",
                "covariances from numerical Hessians, evaluates single parameters by likelihood",
                "profiles or Bayesian posterior integration, sets Bayesian priors, and ranks and",
                "averages competing models by AICc.",
                "",
                "The model carried by this build fits stochastic von Bertalanffy growth with",
                "pulsed recruitment to size-frequency series and growth-increment records.",
                "",
                "Built with C++20 and the Qt toolkit.",
            })};
}

}  // namespace corvane
