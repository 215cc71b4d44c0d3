// corvane-cli evaluate: one evaluation of the objective at the algorithm
// file's values, as "&1 Function call" does.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <ostream>

#include "cli/Command.h"
#include "cli/Json.h"
#include "cli/ModelNotes.h"
#include "cli/ModelOptions.h"
#include "priors/PriorReview.h"

namespace corvane::cli {

namespace {

class Evaluate : public Command {
    ModelOptions model;
    bool valueOnly = false;
    bool json = false;
    std::optional<long long> repeat;

    void Declare(Options& o) override {
        o.Usage("corvane-cli evaluate --increments FILE and/or --frequencies FILE --alg FILE\n"
                "                            [model options] [--value | --json]\n\n"
                "Prints the one-function-call report: the objective (-2 ln[L] of the increments, the frequency\n"
                "series or both, plus any penalty) and every parameter value.  Standard error tells how the\n"
                "likelihood used each data set and lists the model's warnings.  A joint analysis:\n\n"
                "  corvane-cli evaluate --increments inc.dat --frequencies freq.dat --series 3 \\\n"
                "      --identified 2 --blended 4 --birth-day 100 --age1 0 --age-modes gaussian --alg joint.alg\n\n"
                "With --priors the objective includes the prior total, and the review of the priors follows\n"
                "the report.  With --repeat N the objective is evaluated N times at the same values (the\n"
                "first is the report's) and the last line is \"seconds per evaluation: X\", the mean.");
        o.Flag("--value", valueOnly, "print only the objective, as %.17g");
        o.Flag("--json", json, "print one JSON object (see the README) instead of the report");
        o.Whole("--repeat", repeat, 1, 1000000000, "N",
                "evaluate N times and print the mean seconds per evaluation\n"
                "as the last line (with --json: seconds_per_evaluation)");
        model.Declare(o);
    }

    void Check(Options& o) override {
        if (json && valueOnly) o.Refuse("options --json and --value do not go together");
    }

    int Run(std::ostream& out, std::ostream& err) override {
        auto session = OpenModelSession(model, err);
        GammaOverrideNote gamma;
        gamma.Check(session->model, session->wb.alg.value, err);
        using Clock = std::chrono::steady_clock;
        const Clock::time_point start = Clock::now();
        const OneFunctionCallResult result = ComputeOneFunctionCall(session->wb);
        // Taken before any repeat: they tell of one evaluation.
        const GrowthEvaluation evaluation = session->model.LastEvaluation();
        const ModelNotes notes = CollectModelNotes(session->model, evaluation.increments);
        std::optional<double> secondsEach;
        if (repeat) {
            // The further evaluations are numbered as a run numbers its calls:
            // the proportions are checked once, and equal values leave the
            // best fit of the first.
            Vec1<double> values = session->wb.alg.value;
            for (long long k = 2; k <= *repeat; ++k) {
                Vec1<double> x = values;
                ObjectiveAt(session->wb, x, static_cast<std::int32_t>(std::min<long long>(k, 2147483647)));
            }
            secondsEach = std::chrono::duration<double>(Clock::now() - start).count() / static_cast<double>(*repeat);
        }
        if (!std::isfinite(result.objective)) {
            const auto why = session->model.ObjectiveProblem();
            // A refused vector read no record: notes on data use would mislead.
            if (!why) WriteModelNotes(notes, err);
            err << MessagePrefix() << "the objective could not be computed" << (why ? ": " + *why : "") << "\n";
            return kExitFailed;
        }
        if (json) {
            Json j;
            AddObjective(j, result.objective, session->model, 2.0 * evaluation.incrementNegLnL,
                         2.0 * evaluation.frequencyNegLnL);
            AddParameters(j, session->wb, session->model);
            j["calls"] = 1;
            j["iterations"] = 0;
            j["outcome"] = nullptr;
            AddWarnings(j, notes);
            if (secondsEach) j["seconds_per_evaluation"] = *secondsEach;
            WriteJson(out, j);
        } else if (valueOnly) {
            char text[64];
            std::snprintf(text, sizeof text, "%.17g", result.objective);
            out << text << "\n";
        } else {
            out << ForTerminal(result.report) << "\n";
            if (session->wb.engine.priorsInUse) out << "\n" << ForTerminal(ComputePriorReview(session->wb));
        }
        if (secondsEach && !json) {
            char text[64];
            std::snprintf(text, sizeof text, "%.9f", *secondsEach);
            out << "seconds per evaluation: " << text << "\n";
        }
        out.flush();
        WriteModelNotes(notes, err);
        return kExitOk;
    }
};

const Register<Evaluate> evaluate{"evaluate",
                                  "evaluate the objective once at the algorithm file's values (\"&1 Function call\")"};

}  // namespace

}  // namespace corvane::cli
