// corvane-cli evaluate: one evaluation of the objective at the algorithm
// file's values, as "&1 Function call" does.
#include <cmath>
#include <cstdio>
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

    void Declare(Options& o) override {
        o.Usage("corvane-cli evaluate --increments FILE and/or --frequencies FILE --alg FILE\n"
                "                            [model options] [--value | --json]\n\n"
                "Prints the one-function-call report: the objective (-2 ln[L] of the increments, the frequency\n"
                "series or both, plus any penalty) and every parameter value.  Standard error tells how the\n"
                "likelihood used each data set and lists the model's warnings.  A joint analysis:\n\n"
                "  corvane-cli evaluate --increments inc.dat --frequencies freq.dat --series 3 \\\n"
                "      --identified 2 --blended 4 --birth-day 100 --age1 0 --age-modes gaussian --alg joint.alg\n\n"
                "With --priors the objective includes the prior total, and the review of the priors follows\n"
                "the report.");
        o.Flag("--value", valueOnly, "print only the objective, as %.17g");
        o.Flag("--json", json, "print one JSON object (see the README) instead of the report");
        model.Declare(o);
    }

    void Check(Options& o) override {
        if (json && valueOnly) o.Refuse("options --json and --value do not go together");
    }

    int Run(std::ostream& out, std::ostream& err) override {
        auto session = OpenModelSession(model, err);
        GammaOverrideNote gamma;
        gamma.Check(session->model, session->wb.alg.value, err);
        const OneFunctionCallResult result = ComputeOneFunctionCall(session->wb);
        const GrowthEvaluation& evaluation = session->model.LastEvaluation();
        const ModelNotes notes = CollectModelNotes(session->model, evaluation.increments);
        if (!std::isfinite(result.objective)) {
            WriteModelNotes(notes, err);
            err << MessagePrefix() << "the objective could not be computed\n";
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
            WriteJson(out, j);
        } else if (valueOnly) {
            char text[64];
            std::snprintf(text, sizeof text, "%.17g", result.objective);
            out << text << "\n";
        } else {
            out << ForTerminal(result.report) << "\n";
            if (session->wb.engine.priorsInUse) out << "\n" << ForTerminal(ComputePriorReview(session->wb));
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
