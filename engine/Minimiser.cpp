#include "engine/Minimiser.h"

#include <cmath>
#include <cstdio>
#include <ostream>

#include "engine/modCorvane.h"
#include "platform/Clock.h"
#include "numeric/Format.h"

namespace corvane {

std::string ToString(MinimiserEnd end) {
    switch (end) {
        case MinimiserEnd::NothingToDo: return "nothing to do";
        case MinimiserEnd::Cancelled: return "cancelled";
        case MinimiserEnd::Converged: return "converged";
        case MinimiserEnd::LimitReached: return "limit reached";
        case MinimiserEnd::Interrupted: return "interrupted";
        case MinimiserEnd::NextPoint: return "next point";
        case MinimiserEnd::ProfileQuit: return "profile quit";
        case MinimiserEnd::SimplexError: return "simplex error";
        case MinimiserEnd::GaveUp: return "gave up";
        case MinimiserEnd::DecompositionFailed: return "decomposition failed";
        case MinimiserEnd::DerivativesMissing: return "derivatives missing";
    }
    return "?";
}

ProgressLine::ProgressLine(std::ostream& out, const Clock& clock, double interval)
    : out_(out), clock_(clock), interval_(interval) {}

void ProgressLine::Progress(const MinimiserProgress& p) {
    const double now = clock_.SecondsSinceMidnight();
    // A clock that passed midnight or went back counts as due.
    if (last_ >= 0.0 && now >= last_ && now - last_ < interval_) return;
    last_ = now;
    char best[32];
    std::snprintf(best, sizeof best, "%.10g", p.best);
    std::string line = std::string(p.method) + ": " + NumberText(static_cast<long long>(p.iterations)) +
                       " iterations, " + NumberText(static_cast<long long>(p.functionCalls)) +
                       " function calls, best " + best;
    const std::size_t length = line.size();
    if (length < width_) line.append(width_ - length, ' ');  // wipe a longer earlier line
    width_ = length;
    out_ << '\r' << line << std::flush;
}

void ProgressLine::Finish() {
    if (last_ < 0.0) return;
    out_ << '\n' << std::flush;
    last_ = -1.0;
    width_ = 0;
}

std::optional<double> RelativeChange(double change, double base) {
    if (base == 0.0) return std::nullopt;
    const double q = std::fabs(change / base);
    if (!std::isfinite(q)) return std::nullopt;
    return q;
}

std::string ToleranceMeasureText(double tolerance, double change, double base) {
    if (tolerance < 0.0) {
        if (const auto q = RelativeChange(change, base)) return " Rel TC> " + Format(*q, "0.0000E+00");
    }
    return " Abs TC> " + Format(std::fabs(change), "0.0000E+00");
}

std::string FreeParameterLines(const Workbench& wb, const Vec1<double>& coordinates) {
    const EngineState& e = wb.engine;
    const AlgorithmData& a = wb.alg;
    std::string out;
    for (int k = 1; k <= e.nfree; ++k) {
        const int i = e.freeIndex[k];
        const std::string fuse = i <= a.fuse.size() ? a.fuse[i] : std::string(kUnfused);
        const std::string description = i <= a.description.size() ? a.description[i] : std::string();
        out += ParameterLine(i, coordinates[k], fuse, description) + CRLF;
    }
    return out;
}

std::string FreeParametersFourToALine(const Workbench& wb, const Vec1<double>& coordinates) {
    return ParametersFourToALine(wb.engine.freeIndex, coordinates, wb.engine.nfree);
}

std::string ProfilePositionText(const ProfileHooks& hooks, double parameterValue) {
    return "Calculating profile point " + Format(hooks.point, "##0") + " of " + Format(hooks.lastPoint, "##0") + "," +
           " Value of parameter # " + NumberText(hooks.parameter) + " which is being profiled is: " +
           Format(parameterValue, "0.00000E+00");
}

bool NothingToMinimise(Workbench& wb) {
    for (int i = 1; i <= wb.alg.np; ++i)
        if (wb.alg.step[i] != 0.0) return false;
    wb.ports.dialogs.MessageBox("There is nothing to do!", "All step sizes are zero", Buttons::OK, Icon::Exclamation);
    return true;
}

bool SetUpMinimisation(Workbench& wb) {
    SetUpRun(wb.alg, wb.engine);
    if (wb.engine.nfree > 0) return true;
    wb.ports.dialogs.MessageBox("There is nothing to do!", "All step sizes are zero", Buttons::OK, Icon::Exclamation);
    return false;
}

}  // namespace corvane
