// corvane-cli evaluate: one evaluation of the objective at the algorithm
// file's values, as "&1 Function call" does.
#include <cmath>
#include <cstdio>
#include <ostream>

#include "cli/Command.h"
#include "cli/ModelOptions.h"

namespace corvane::cli {

namespace {

class Evaluate : public Command {
    ModelOptions model;
    bool valueOnly = false;

    void Declare(Options& o) override {
        o.Usage("corvane-cli evaluate --increments FILE and/or --frequencies FILE --alg FILE\n"
                "                            [model options] [--value]\n\n"
                "Prints the one-function-call report: the objective (-2 ln[L] of the increments, the frequency\n"
                "series or both, plus any penalty) and every parameter value.");
        o.Flag("--value", valueOnly, "print only the objective, as %.17g");
        model.Declare(o);
    }

    int Run(std::ostream& out, std::ostream& err) override {
        auto session = OpenModelSession(model, err);
        const OneFunctionCallResult result = ComputeOneFunctionCall(session->wb);
        if (!std::isfinite(result.objective)) {
            const auto why = session->model.ObjectiveProblem();
            err << "corvane-cli evaluate: the objective could not be computed" << (why ? ": " + *why : "") << "\n";
            return kExitFailed;
        }
        if (valueOnly) {
            char text[64];
            std::snprintf(text, sizeof text, "%.17g", result.objective);
            out << text << "\n";
        } else {
            out << ForTerminal(result.report) << "\n";
        }
        return kExitOk;
    }
};

const Register<Evaluate> evaluate{"evaluate",
                                  "evaluate the objective once at the algorithm file's values (\"&1 Function call\")"};

}  // namespace

}  // namespace corvane::cli
