// corvane-cli evaluate: one evaluation of the objective at the algorithm
// file's values, as "&1 Function call" does.
#include <cmath>
#include <cstdio>
#include <ostream>

#include "cli/Command.h"
#include "cli/ModelOptions.h"

namespace corvane::cli {

namespace {

int RunEvaluate(std::vector<std::string> arguments, std::ostream& out, std::ostream& err) {
    Args args(std::move(arguments));
    const ModelOptions model = ReadModelOptions(args);
    const bool valueOnly = args.Flag("value");
    if (ReportArgumentErrors("evaluate", args, model, err)) return kExitBadInput;
    auto session = OpenModelSession("evaluate", model, err);
    if (!session) return kExitBadInput;
    if (const auto why = session->model.CannotEvaluate()) {
        err << "corvane-cli evaluate: " << *why << "\n";
        return kExitBadInput;
    }
    const OneFunctionCallResult result = ComputeOneFunctionCall(session->wb);
    if (!std::isfinite(result.objective)) {
        err << "corvane-cli evaluate: the objective could not be computed\n";
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

const Register evaluate{Command{
    "evaluate", "evaluate the objective once at the algorithm file's values (\"&1 Function call\")",
    std::string("Usage: corvane-cli evaluate --increments FILE and/or --frequencies FILE --alg FILE [model options]\n"
                "                           [--value]\n\n") +
        "Prints the one-function-call report: the objective (-2 ln[L] of the increments, the frequency\n"
        "series or both, plus any penalty) and every parameter value.\n"
        "  --value                    print only the objective, as %.17g\n\n" + kModelOptionsUsage,
    RunEvaluate}};

}  // namespace

}  // namespace corvane::cli
