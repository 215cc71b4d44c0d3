#pragma once
// The likelihood profile of one parameter: the parameter is held in turn at
// equally spaced values around its estimate, the objective is minimised over
// every other free parameter at each value (Simplex or Marquardt in
// maximum-likelihood mode), and the column of -ln[L] values becomes the
// shared distribution columns, the seven plots and the data text that the
// "Maximum likelihood statistics" window shows and saves (.mlc).
//
// ComputeProfile is the loop alone (settings in, the shared columns and a
// result out, progress and interrupts through callbacks); the dialogue
// LikelihoodProfileEvaluation collects the settings as the evaluation
// choice window's "&Maximium likelihood (ML) confidence distributions"
// button runs it.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "evaluation/DistributionColumns.h"
#include "engine/Minimiser.h"
#include "platform/Dialogs.h"

namespace corvane {

struct AlgorithmData;
class Workbench;

namespace profile_text {
inline constexpr const char* Title = "ML parameter estimate evaluation";
inline constexpr const char* InterruptTitle = "Maximum-likelihood calculations";
inline constexpr const char* ResultCaption = "Maximum likelihood statistics";
inline constexpr const char* DataTitle = "Maximum-likelihood confidence distribution data";
inline constexpr const char* SaveButton = "&Save maximum-likelihood data as...";
inline constexpr const char* SaveTitle = "Save maximum-likelihood values in...";
inline constexpr const char* SaveToolTip = "Saves the (possibly edited) output appearing in the textbox below";
inline constexpr const char* ZeroStep = "The parameter chosen has a step size of zero; please try again";
}  // namespace profile_text

inline constexpr int kMaxProfilePoints = 1001;
inline constexpr int kDefaultProfilePoints = 25;

// The count the points prompt makes of an accepted answer (0..1001): 0 gives
// the default, a count below 3 gives 3 and an even count the next odd one.
int ProfilePointCount(int answer, int zeroGives = kDefaultProfilePoints);

// x_i = v + (i - (m + 1) / 2) h: point (m + 1) / 2 is the centre.
double ProfilePointValue(double centre, double step, int point, int points);

// Status panel 1 while a point is worked on ("Calculating profile point    3
// of   25, Value of parameter # 2 which is being profiled is: 1.2345E+00").
std::string ProfilePointText(int point, int points, int parameter, double value);
// Status bar 4: "Minimizations remaining:  24" and
// "Estimated time remaining (m:s): 1:05".
std::string MinimizationsRemainingText(int remaining);
std::string ProfileTimeText(long long seconds);

// Steps from a covariance grid: every parameter with a non-zero step gets
// span x SE / (m - 1), so that the m points span span / 2 standard errors on
// each side of its estimate.  A parameter whose SE the grid could not give
// (-1, or not above 0) keeps its step: a negative or zero step would turn the
// profile round or freeze the parameter.  se(parameter) is the grid's SE.
struct GridStepsResult {
    std::vector<int> changed;    // parameters whose step was set
    std::vector<int> withoutSE;  // parameters that kept their step
};
GridStepsResult StepsFromStandardErrors(AlgorithmData& a, const std::function<double(int parameter)>& se,
                                        double span, int points);

enum class ProfileMinimiser { Simplex, Marquardt };

struct ProfileSettings {
    int parameter = 0;  // the profiled parameter; its step must not be 0
    int points = kDefaultProfilePoints;  // m: odd, 3..1001
    ProfileMinimiser minimiser = ProfileMinimiser::Simplex;
    // Marquardt's derivative kind ("N" numerical, "A" analytical), as its
    // set-up question answered it.
    std::string derivativeKind = "N";
};

// Handed to the callbacks.
struct ProfilePointStart {
    int point = 0;   // i, from 1
    int points = 0;  // m
    int parameter = 0;
    double value = 0.0;  // x_i
};
struct ProfilePointDone {
    int point = 0;
    int points = 0;
    double negLnL = 0.0;  // -ln[L] of this point
    double best = 0.0;    // the smallest -ln[L] so far
    long long secondsLeft = 0;
    long long calls = 0;  // objective evaluations of the whole profile so far
    MinimiserEnd end = MinimiserEnd::NothingToDo;  // how the point's minimisation ended
};

struct ProfileCallbacks {
    // Before each point is evaluated (the desktop shows the status line and
    // lets events run, so its interrupt menu can be used).
    std::function<void(const ProfilePointStart&)> pointStarted;
    // Polled once per point, after its first evaluation: true when the user
    // quits the whole profile.  The points done so far are kept.
    std::function<bool()> quit;
    // After each point's minimisation (the time estimate).
    std::function<void(const ProfilePointDone&)> pointDone;
};

struct ProfileResult {
    int parameter = 0;
    int requested = 0;     // m asked for
    int points = 0;        // points completed (m after an interrupt)
    bool interrupted = false;
    double centre = 0.0;   // v
    double step = 0.0;     // h, the spacing of the points
    int mode = 0;          // r: the point with the smallest -ln[L]
    // True when the distribution columns were computed (three points or more).
    bool distribution = false;
    DistributionSummary summary;
    long long calls = 0;   // objective evaluations, minimisers' included
    std::vector<MinimiserEnd> ends;  // per point
    // A grid too coarse or too narrow for the distribution (CheckGrid).
    std::vector<std::string> warnings;
};

// -ln[L] at the algorithm data's current values: MODEL with NF = 1 on a
// fuse-expanded copy, the prior total included, all times c.  The prior
// total is in objective units (scaled by 1/c), so c x objective gives the
// model's -ln[L] plus the prior's own -ln[L], each once.
double NegLnLAtCurrentValues(Workbench& wb);

// The profile loop.  Holds the parameter at each x_i with its step 0,
// minimises the other free parameters from where the previous point left
// them (the Simplex rebuilt round them every point), evaluates -ln[L] at each
// optimum, then restores the parameter's value and step.  The columns go to
// wb.profileColumns; with three points or more the distribution columns are
// computed and the profile is recorded as the last evaluation ("ML").  Every
// value and step is put back as it was found, finished or interrupted.
ProfileResult ComputeProfile(Workbench& wb, const ProfileSettings& settings, const ProfileCallbacks& callbacks = {});

// The data text of the stored profile ("Maximum-likelihood confidence
// distribution data").
std::string ProfileDataText(const Workbench& wb, const DistributionSummary& summary);

// Recomputes the distribution columns of the stored profile (the mode is the
// point of relative -ln[L] 0, the spacing that of its points) without
// evaluating anything; false when no profile is stored.
bool RecomputeStoredProfile(Workbench& wb, DistributionSummary& summary);

// The plots, then the data text in the "Maximum likelihood statistics" window.
void ShowProfileResults(Workbench& wb, int parameter, const DistributionSummary& summary);

// "&Save maximum-likelihood data as...": the file dialogue, then the text
// area with "Originally saved with the file name: " in front, as every text
// result is saved.  The path written, or empty.
std::string SaveProfileData(Workbench& wb);

// The result window's Save button; called once by the Workbench.
void InstallProfileWindow(Workbench& wb);

// The minimiser of the profile points: Simplex (0) or Marquardt (1), or
// Cancel.
ButtonChoice ProfileMinimiserChoice();

// How the evaluation ended.
enum class ProfileEnd {
    Declined,     // No at the continue question
    Cancelled,    // the parameter or minimiser choice, "Q" at the grid prompt, or Marquardt's set-up
    ZeroStep,     // the profiled parameter's step was 0 after editing
    Redisplayed,  // the stored profile shown again
    TooFewPoints, // interrupted before three points were done: nothing shown
    Completed,    // the plots and the data text were shown
};

// The whole evaluation with its questions, the editor (editParameters opens
// the algorithm data editor and returns once the user has finished; none
// skips it), the loop with the status texts and the ML interrupt question,
// and the results.
ProfileEnd LikelihoodProfileEvaluation(Workbench& wb, const std::function<void()>& editParameters = {});

}  // namespace corvane
