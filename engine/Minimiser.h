#pragma once
// What the Simplex and Marquardt minimisers share: the hooks a profile
// caller hands in, the progress observer, how a run ended, and the small
// text pieces both progress displays use.
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "numeric/OneBased.h"

namespace corvane {

class Clock;
class Workbench;

// Handed in by the profile evaluation while maximum-likelihood mode is on.
// The minimiser stores its verified minimum here, and moves the point
// counter past the last point when the user quits the whole procedure.
struct ProfileHooks {
    int parameter = 0;   // the profiled parameter (held fixed with step 0)
    int point = 0;       // the point being minimised, 1..lastPoint
    int lastPoint = 0;   // number of profile points
    int savedPoint = 0;  // the point at which the user quit the procedure

    bool stored = false;  // a verified minimum was stored for this point
    double result = 0.0;  // that minimum (objective, prior included)
    double value = 0.0;   // the profiled parameter's value there

    // The profile loop ends once the counter is past its last point.
    bool ProcedureQuit() const { return point > lastPoint; }
    void QuitProcedure() {
        savedPoint = point;
        point = lastPoint + 2;
    }
    // The profiled parameter's value in a full vector (0 for a number outside it).
    double ValueIn(const Vec1<double>& values) const {
        return parameter >= 1 && parameter <= values.size() ? values[parameter] : 0.0;
    }
    void Store(double minimum, double parameterValue) {
        stored = true;
        result = minimum;
        value = parameterValue;
    }
};

enum class MinimiserEnd {
    NothingToDo,         // no free parameter
    Cancelled,           // the set-up dialogue was cancelled
    Converged,           // minimum verified by the axial search
    LimitReached,        // function-call or iteration limit, the user stopped
    Interrupted,         // the user quit after an interrupt
    NextPoint,           // profile: this point ends, the profile goes on
    ProfileQuit,         // profile: the whole procedure ends
    SimplexError,        // relative tolerance with a best value of exactly 0
    GaveUp,              // "Marquardt quits in frustration"
    DecompositionFailed, // an all-zero Hessian row
    DerivativesMissing,  // analytical derivatives asked for but not given
};

std::string ToString(MinimiserEnd end);

// The menu's refusal of a minimisation with no free parameter: shows
// "All step sizes are zero" and returns true when every step size is zero.
bool NothingToMinimise(Workbench& wb);

// The run set-up of a minimisation (fuse groups, free list).  A step size set
// only on a fused follower is lost there and leaves nothing free: that is
// refused as above.  False when refused.
bool SetUpMinimisation(Workbench& wb);

struct MinimiserResult {
    MinimiserEnd end = MinimiserEnd::NothingToDo;
    double minimum = 0.0;  // best objective value of the run (prior included)
    std::int32_t iterations = 0;
    std::int32_t functionCalls = 0;  // counted calls since the last reset
    int restarts = 0;                // Simplex restarts
    int checks = 0;                  // Marquardt axial checks
};

struct MinimiserProgress {
    const char* method = "";  // "Simplex" or "Marquardt"
    std::int32_t iterations = 0;
    std::int32_t functionCalls = 0;
    double best = 0.0;
};

// Told once per Simplex iteration and once per Marquardt trial; the command
// line uses it for its one refreshed progress line.
class MinimiserObserver {
public:
    virtual ~MinimiserObserver() = default;
    virtual void Progress(const MinimiserProgress& progress) = 0;
};

// One progress line on a terminal ("Simplex: 120 iterations, 233 function
// calls, best 12.345"), rewritten in place with a carriage return at most
// every interval seconds, so a long fit does not flood standard error.
class ProgressLine : public MinimiserObserver {
public:
    ProgressLine(std::ostream& out, const Clock& clock, double interval = 0.2);
    void Progress(const MinimiserProgress& progress) override;
    // Ends the line, if one was written, so that what follows starts afresh.
    void Finish();

private:
    std::ostream& out_;
    const Clock& clock_;
    double interval_;
    double last_ = -1.0;
    std::size_t width_ = 0;
};

// |change / base|, or nothing when base is 0: such a quotient never counts
// as a relative improvement or as convergence.
std::optional<double> RelativeChange(double change, double base);

// " Abs TC> 1.2345E-03" or " Rel TC> ..." by the sign of the tolerance.  A
// relative measure over a base of 0 has no value; the absolute one is shown.
std::string ToleranceMeasureText(double tolerance, double change, double base);

// One window line per free parameter ("    003)  1.2345678E+00  ~~  name"),
// each ended by CR LF, for the free-space coordinates given.
std::string FreeParameterLines(const Workbench& wb, const Vec1<double>& coordinates);
// The same four to a line, as the run log has them.
std::string FreeParametersFourToALine(const Workbench& wb, const Vec1<double>& coordinates);

// Status panel 1 while a profile point is minimised.
std::string ProfilePositionText(const ProfileHooks& hooks, double parameterValue);

}  // namespace corvane
