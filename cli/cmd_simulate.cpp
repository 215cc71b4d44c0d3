// corvane-cli simulate: an increment file, or a file of size-frequency
// series, drawn from a known parameter vector.
#include <cmath>
#include <fstream>
#include <ostream>
#include <sstream>

#include "cli/Command.h"
#include "cli/ModelOptions.h"
#include "engine/AlgorithmData.h"
#include "model/SimulateFrequencies.h"
#include "model/SimulateIncrements.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"

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

// The parameter count an algorithm file declares on its first line, or 0.
int DeclaredParameterCount(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    LineReader reader(in, 4096);
    std::string line;
    if (!in || !reader.Next(line)) return 0;
    return static_cast<int>(StrictInteger(Field(line, 1, 14), 0, 32767).value_or(0));
}

// Writes the text to the file named by --out, or to standard output.
int Deliver(const std::optional<std::string>& outPath, const std::string& text, const std::string& what,
            std::ostream& out, std::ostream& err) {
    if (outPath) {
        if (!WriteTextFileSafely(*outPath, text)) {
            err << "corvane-cli simulate: could not write " << *outPath << "\n";
            return kExitFailed;
        }
        err << "corvane-cli simulate: " << what << " written to " << *outPath << "\n";
    } else {
        out << text;
    }
    return kExitOk;
}

// "N1,N2,..." as whole numbers of 0 or more.
std::optional<Vec1<double>> Totals(const std::string& text) {
    std::vector<double> values;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        const auto v = StrictNumber(item);
        if (!v || *v < 0.0 || std::floor(*v) != *v) return std::nullopt;
        values.push_back(*v);
    }
    if (values.empty() || (!text.empty() && text.back() == ',')) return std::nullopt;
    Vec1<double> totals(static_cast<int>(values.size()));
    for (int s = 1; s <= totals.size(); ++s) totals[s] = values[static_cast<std::size_t>(s - 1)];
    return totals;
}

int RunSimulateFrequencies(Args& args, const std::string& totalsText, std::ostream& out, std::ostream& err) {
    std::vector<std::string> problems;
    const auto totals = Totals(totalsText);
    if (!totals) problems.push_back("option --totals needs whole numbers of 0 or more separated by commas, not \"" +
                                    totalsText + "\"");
    GrowthSetup setup;
    setup.frequencyPath = "simulated";
    setup.series = totals ? totals->size() : 1;
    auto whole = [&](const std::string& name, long long low, long long high, long long& into) {
        const auto text = args.Value(name);
        if (!text) return;
        const auto v = StrictInteger(*text, low, high);
        if (!v)
            problems.push_back("option --" + name + " needs a whole number from " + NumberText(low) + " to " +
                               NumberText(high) + ", not \"" + *text + "\"");
        else
            into = *v;
    };
    auto number = [&](const std::string& name, double& into) {
        const auto text = args.Value(name);
        if (!text) return;
        const auto v = StrictNumber(*text);
        if (!v)
            problems.push_back("option --" + name + " needs a number, not \"" + *text + "\"");
        else
            into = *v;
    };
    whole("identified", 0, kMaxAgeClasses, setup.identified);
    whole("blended", 0, kMaxAgeClasses, setup.blended);
    whole("birth-day", -32768, 32767, setup.birthDay);
    number("age1", setup.age1);
    number("age-diff", setup.ageDiff);
    if (const auto form = args.Value("age-modes")) {
        if (*form == "precise")
            setup.ageModes = AgeModeForm::Precise;
        else if (*form == "gaussian")
            setup.ageModes = AgeModeForm::Gaussian;
        else if (*form == "gamma")
            setup.ageModes = AgeModeForm::Gamma;
        else
            problems.push_back("option --age-modes takes precise, gaussian or gamma, not \"" + *form + "\"");
    }
    FrequencySimulation how;
    long long cells = 0;
    whole("cells", 2, kMaxFrequencyCells, cells);
    how.cells = static_cast<int>(cells);
    number("interval", how.interval);
    long long seed = 1;
    if (const auto s = args.Integer("seed")) seed = *s;
    const auto alg = args.Value("alg");
    const auto outPath = args.Value("out");
    if (!alg) problems.push_back("--alg FILE is required");
    if (cells == 0) problems.push_back("--cells N is required");
    if (setup.identified + setup.blended == 0) problems.push_back("--identified or --blended must be above 0");
    for (const auto& e : args.Errors()) problems.push_back(e);
    if (!problems.empty()) {
        for (const auto& e : problems) err << "corvane-cli simulate: " << e << "\n";
        return kExitBadInput;
    }
    how.totals = *totals;
    const GrowthSettings settings = ApplySetup(setup);

    ModelSession session(err);
    session.wb.alg.np = settings.ParameterCount();
    SetDefaultAlgorithmData(session.wb.alg, session.wb.alg.np);
    if (!ReadAlgorithmFile(session.wb, *alg)) {
        err << "corvane-cli simulate: the algorithm file could not be loaded\n";
        return kExitBadInput;
    }
    DefaultRandom random(static_cast<std::uint64_t>(seed));
    const FrequencySimulationResult result = SimulateFrequencies(settings, session.wb.alg.value, how, random);
    if (!result.ok) {
        err << "corvane-cli simulate: " << result.problem << "\n";
        return kExitBadInput;
    }
    const auto text = FrequencyFileText(result.data, settings.series);
    if (!text) {
        err << "corvane-cli simulate: the values do not fit the frequency file's 8-character fields\n";
        return kExitBadInput;
    }
    return Deliver(outPath, *text, NumberText(settings.series) + " series of " + NumberText(how.cells) + " cells",
                   out, err);
}

int RunSimulate(std::vector<std::string> arguments, std::ostream& out, std::ostream& err) {
    Args args(std::move(arguments));
    if (const auto totals = args.Value("totals")) return RunSimulateFrequencies(args, *totals, out, err);
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
    // of a joint model (more parameters) serves too, its first 19 values being
    // the same.  The file is read by the engine's own reader.
    ModelSession session(err);
    GrowthSettings settings;
    settings.kind = 'I';
    settings.errors = model.incrementErrors;
    session.wb.alg.np = std::max(settings.ParameterCount(), DeclaredParameterCount(*model.alg));
    SetDefaultAlgorithmData(session.wb.alg, session.wb.alg.np);
    if (!ReadAlgorithmFile(session.wb, *model.alg)) {
        err << "corvane-cli simulate: the algorithm file could not be loaded\n";
        return kExitBadInput;
    }
    Vec1<double> X = session.wb.alg.value;
    X.resizePreserve(settings.ParameterCount());
    const GrowthParameters p = PrepareParameters(X, settings);

    DefaultRandom random(static_cast<std::uint64_t>(seed));
    const SimulationResult result = SimulateIncrements(p, how, random);
    if (!result.ok) {
        err << "corvane-cli simulate: " << result.problem << "\n";
        return kExitBadInput;
    }
    return Deliver(outPath, IncrementFileText(result.data), NumberText(result.data.records) + " records", out, err);
}

const Register simulate{Command{
    "simulate", "write simulated increment records or size-frequency series drawn from a known parameter vector",
    "Usage: corvane-cli simulate --alg FILE --initial-size MIN:MAX --days-at-liberty MIN:MAX [options]\n"
    "       corvane-cli simulate --alg FILE --totals N1,N2,... --cells C [frequency options]\n\n"
    "Increment records.  The algorithm file holds the true values of the 19 parameters of an\n"
    "increments-only model, or of a joint model (its first 19 values are used); t0, parameter 13,\n"
    "must be -999: day-numbered records.  Each record gets an initial size and\n"
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
    "  --out FILE                 write the file there (CR LF line ends); otherwise to standard output\n\n"
    "Size-frequency series (chosen by --totals).  The algorithm file holds the true values of the\n"
    "model's 19 + S x A + S parameters (S series, A identified age-classes): the proportions and\n"
    "the sample days included.  Each series is a multinomial sample of its total from the model's\n"
    "predicted distribution over the cells (age-class modes, Weibull blending, selectivity and\n"
    "fishing as the model has them), the distribution scaled to sum to 1 over the cells.\n\n"
    "  --alg FILE                 the true parameters\n"
    "  --totals N1,N2,...         fish in each series (their number is the number of series)\n"
    "  --cells C                  number of cells, 2 to 250; midpoints W/2, 3W/2, ...\n"
    "  --interval W               cell width (default 1)\n"
    "  --identified N             young identifiable age-classes (default 0)\n"
    "  --blended N                blended older age-classes (default 0; the total is capped at 99)\n"
    "  --birth-day D              birth day in the year (default 1)\n"
    "  --age1 A                   age of the first age-class, years (default 1)\n"
    "  --age-diff D               years between age-classes (default 1)\n"
    "  --age-modes precise|gaussian|gamma   form of the age modes (default precise)\n"
    "  --seed S                   seed of the random numbers (default 1)\n"
    "  --out FILE                 write the file there (CR LF line ends); otherwise to standard output\n",
    RunSimulate}};

}  // namespace

}  // namespace corvane::cli
