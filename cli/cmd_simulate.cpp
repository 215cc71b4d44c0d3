// corvane-cli simulate: an increment file drawn from a known parameter vector.
#include <cmath>
#include <fstream>
#include <ostream>

#include "cli/Command.h"
#include "cli/ModelOptions.h"
#include "engine/AlgorithmData.h"
#include "model/SimulateIncrements.h"
#include "numeric/FixedColumns.h"

namespace corvane::cli {

namespace {

// "MIN:MAX" (or a single value for both).
bool Range(Args& args, const std::string& name, double& low, double& high, std::vector<std::string>& problems) {
    const auto text = args.Value(name);
    if (!text) return false;
    const auto colon = text->find(':');
    const auto a = StrictNumber(text->substr(0, colon));
    const auto b = colon == std::string::npos ? a : StrictNumber(text->substr(colon + 1));
    if (!a || !b || *b < *a) {
        problems.push_back("option --" + name + " needs MIN:MAX with MIN <= MAX, not \"" + *text + "\"");
        return false;
    }
    low = *a;
    high = *b;
    return true;
}

bool WholeRange(Args& args, const std::string& name, int& low, int& high, std::vector<std::string>& problems) {
    double a = 0.0, b = 0.0;
    if (!Range(args, name, a, b, problems)) return false;
    if (std::floor(a) != a || std::floor(b) != b || a < -99999 || b > 99999) {
        problems.push_back("option --" + name + " needs whole numbers of days");
        return false;
    }
    low = static_cast<int>(a);
    high = static_cast<int>(b);
    return true;
}

int RunSimulate(std::vector<std::string> arguments, std::ostream& out, std::ostream& err) {
    Args args(std::move(arguments));
    ModelOptions model;
    if (const auto e = args.Value("increment-errors")) {
        if (*e == "gaussian" || *e == "gamma")
            model.incrementErrors = *e == "gamma" ? 'G' : 'N';
        else
            model.problems.push_back("option --increment-errors takes gaussian or gamma, not \"" + *e + "\"");
    }
    model.alg = args.Value("alg");
    IncrementSimulation how;
    if (const auto n = args.Integer("records")) how.records = static_cast<int>(*n);
    long long seed = 1;
    if (const auto s = args.Integer("seed")) seed = *s;
    if (const auto s = args.Integer("set")) how.set = static_cast<int>(*s);
    const bool sizes = Range(args, "initial-size", how.sizeMin, how.sizeMax, model.problems);
    const bool days = WholeRange(args, "days-at-liberty", how.daysMin, how.daysMax, model.problems);
    WholeRange(args, "start-day", how.startMin, how.startMax, model.problems);
    const auto outPath = args.Value("out");
    if (!model.alg) model.problems.push_back("--alg FILE is required");
    if (!sizes) model.problems.push_back("--initial-size MIN:MAX is required");
    if (!days) model.problems.push_back("--days-at-liberty MIN:MAX is required");
    if (ReportArgumentErrors("simulate", args, model, err)) return kExitBadInput;

    // An increments-only model has the 19 fixed parameters; the algorithm file
    // is read by the engine's own reader.
    ModelSession session(err);
    GrowthSettings settings;
    settings.kind = 'I';
    settings.errors = model.incrementErrors;
    session.wb.alg.np = settings.ParameterCount();
    SetDefaultAlgorithmData(session.wb.alg, session.wb.alg.np);
    if (!ReadAlgorithmFile(session.wb, *model.alg)) {
        err << "corvane-cli simulate: the algorithm file could not be loaded\n";
        return kExitBadInput;
    }
    Vec1<double> X = session.wb.alg.value;
    const GrowthParameters p = PrepareParameters(X, settings);

    DefaultRandom random(static_cast<std::uint64_t>(seed));
    const SimulationResult result = SimulateIncrements(p, how, random);
    if (!result.ok) {
        err << "corvane-cli simulate: " << result.problem << "\n";
        return kExitBadInput;
    }
    const std::string text = IncrementFileText(result.data);
    if (outPath) {
        if (!WriteTextFileSafely(*outPath, text)) {
            err << "corvane-cli simulate: could not write " << *outPath << "\n";
            return kExitFailed;
        }
        err << "corvane-cli simulate: " << result.data.records << " records written to " << *outPath << "\n";
    } else {
        out << text;
    }
    return kExitOk;
}

const Register simulate{Command{
    "simulate", "write simulated increment records drawn from a known parameter vector",
    "Usage: corvane-cli simulate --alg FILE --initial-size MIN:MAX --days-at-liberty MIN:MAX [options]\n\n"
    "The algorithm file holds the true values of the 19 parameters of an increments-only model\n"
    "(t0, parameter 13, must be -999: day-numbered records).  Each record gets an initial size and\n"
    "whole days at liberty drawn uniformly from the ranges; its true increment is drawn from the\n"
    "distribution the model fits (truncated Gaussian, or gamma, which is used whenever b > 0) and\n"
    "Gaussian measurement error with %SE is added.  Records are sorted by initial size and increment.\n\n"
    "  --alg FILE                 the true parameters\n"
    "  --initial-size MIN:MAX     range of initial sizes\n"
    "  --days-at-liberty MIN:MAX  range of days at liberty (whole days)\n"
    "  --start-day MIN:MAX        range of start days (default 1:365)\n"
    "  --records N                number of records, 1 to 1200 (default 500)\n"
    "  --set N                    set number of every record (default 1)\n"
    "  --seed S                   seed of the random numbers (default 1); a seed gives the same file everywhere\n"
    "  --increment-errors gaussian|gamma   distribution of the true increments (default gaussian)\n"
    "  --out FILE                 write the file there (CR LF line ends); otherwise to standard output\n",
    RunSimulate}};

}  // namespace

}  // namespace corvane::cli
