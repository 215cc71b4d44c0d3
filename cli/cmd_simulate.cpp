// corvane-cli simulate: an increment file, or a file of size-frequency
// series, drawn from a known parameter vector.
#include <cmath>
#include <fstream>
#include <ostream>
#include <sstream>

#include "cli/Command.h"
#include "cli/ModelOptions.h"
#include "engine/AlgorithmData.h"
#include "model/DataConvert.h"
#include "model/SimulateFrequencies.h"
#include "model/SimulateIncrements.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"

namespace corvane::cli {

namespace {

// "MIN:MAX" (or a single value for both); nullopt after a refusal.
std::optional<std::pair<double, double>> Range(Options& o, const std::string& name,
                                               const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    const auto colon = text->find(':');
    const auto a = StrictNumber(text->substr(0, colon));
    const auto b = colon == std::string::npos ? a : StrictNumber(text->substr(colon + 1));
    if (!a || !b || *b < *a) {
        o.Refuse("option " + name + " needs MIN:MAX with MIN <= MAX, not \"" + *text + "\"");
        return std::nullopt;
    }
    return std::make_pair(*a, *b);
}

std::optional<std::pair<int, int>> WholeRange(Options& o, const std::string& name,
                                              const std::optional<std::string>& text) {
    const auto range = Range(o, name, text);
    if (!range) return std::nullopt;
    const auto [a, b] = *range;
    if (std::floor(a) != a || std::floor(b) != b || a < -99999 || b > 99999) {
        o.Refuse("option " + name + " needs whole numbers of days");
        return std::nullopt;
    }
    return std::make_pair(static_cast<int>(a), static_cast<int>(b));
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
        if (const WriteResult r = WriteFileSafely(*outPath, text); !r) {
            err << MessagePrefix() << WriteFailureText(*outPath, r) << "\n";
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

class Simulate : public Command {
    // Both kinds of file.
    std::optional<std::string> alg, outPath;
    std::optional<long long> seed;
    bool csv = false;
    // Increment records.
    std::optional<std::string> initialSize, daysAtLiberty, startDay;
    std::optional<long long> records, set;
    std::optional<char> incrementErrors;
    // Size-frequency series.
    std::optional<std::string> totalsText;
    std::optional<long long> cells, identified, blended, birthDay;
    std::optional<double> interval, age1, ageDiff;
    std::optional<AgeModeForm> ageModes;
    // Checked values.
    IncrementSimulation increments;
    std::optional<Vec1<double>> totals;

    void Declare(Options& o) override;
    void Check(Options& o) override;
    void Files(FileRoles& files) const override {
        files.Input("--alg", alg);
        files.Output("--out", outPath);
    }
    int Run(std::ostream& out, std::ostream& err) override;
    int RunFrequencies(std::ostream& out, std::ostream& err);
};

void Simulate::Declare(Options& o) {
    o.Usage(
        "corvane-cli simulate --alg FILE --initial-size MIN:MAX --days-at-liberty MIN:MAX [options]\n"
        "       corvane-cli simulate --alg FILE --totals N1,N2,... --cells C [frequency options]\n\n"
        "Increment records.  The algorithm file holds the true values of the 19 parameters of an\n"
        "increments-only model, or of a joint model (its first 19 values are used); t0, parameter 13,\n"
        "must be -999: day-numbered records.  Each record gets an initial size and\n"
        "whole days at liberty drawn uniformly from the ranges; its true increment is drawn from the\n"
        "distribution the model fits (truncated Gaussian, or gamma, which is used whenever b > 0) and\n"
        "Gaussian measurement error with %SE is added.  Records are sorted by initial size and increment.\n\n"
        "Size-frequency series (chosen by --totals).  The algorithm file holds the true values of the\n"
        "model's 19 + S x A + S parameters (S series, A identified age-classes): the proportions and\n"
        "the sample days included.  Each series is a multinomial sample of its total from the model's\n"
        "predicted distribution over the cells (age-class modes, Weibull blending, selectivity and\n"
        "fishing as the model has them), the distribution scaled to sum to 1 over the cells.");
    o.Group("Both kinds of file");
    o.Text("--alg", alg, "FILE", "the true parameters");
    o.Whole("--seed", seed, "S",
            "seed of the random numbers (default 1); a seed gives the\nsame file everywhere");
    o.Text("--out", outPath, "FILE",
           "write the file there (CR LF line ends); otherwise to\nstandard output");
    o.Flag("--csv", csv,
           "write CSV (a header naming the columns, the same values)\ninstead of the fixed-column file; "
           "--increments and\n--frequencies read either");

    o.Group("Increment records");
    o.Text("--initial-size", initialSize, "MIN:MAX", "range of initial sizes");
    o.Text("--days-at-liberty", daysAtLiberty, "MIN:MAX", "range of days at liberty (whole days)");
    o.Text("--start-day", startDay, "MIN:MAX", "range of start days (default 1:365)");
    o.Whole("--records", records, -2147483647, 2147483647, "N", "number of records, 1 to 1200 (default 500)");
    o.Whole("--set", set, -2147483647, 2147483647, "N", "set number of every record (default 1)");
    o.Choice<char>("--increment-errors", incrementErrors, {{"gaussian", 'N'}, {"gamma", 'G'}},
                   "distribution of the true increments (default gaussian)");

    o.Group("Size-frequency series (chosen by --totals)");
    o.Text("--totals", totalsText, "N1,N2,...", "fish in each series (their number is the number of series)");
    o.Whole("--cells", cells, 2, kMaxFrequencyCells, "C", "number of cells, 2 to 250; midpoints W/2, 3W/2, ...");
    o.Number("--interval", interval, "W", "cell width (default 1)");
    o.Whole("--identified", identified, 0, kMaxAgeClasses, "N", "young identifiable age-classes (default 0)");
    o.Whole("--blended", blended, 0, kMaxAgeClasses, "N",
            "blended older age-classes (default 0; the total is capped\nat 99)");
    o.Whole("--birth-day", birthDay, -32768, 32767, "D", "birth day in the year (default 1)");
    o.Number("--age1", age1, "A", "age of the first age-class, years (default 1)");
    o.Number("--age-diff", ageDiff, "D", "years between age-classes (default 1)");
    o.Choice<AgeModeForm>("--age-modes", ageModes,
                          {{"precise", AgeModeForm::Precise},
                           {"gaussian", AgeModeForm::Gaussian},
                           {"gamma", AgeModeForm::Gamma}},
                          "form of the age modes (default precise)");
}

void Simulate::Check(Options& o) {
    if (!alg) o.Refuse("--alg FILE is required");
    const char* incrementOnly[] = {"--initial-size", "--days-at-liberty", "--start-day", "--records", "--set",
                                   "--increment-errors"};
    const char* frequencyOnly[] = {"--cells",     "--interval", "--identified", "--blended",
                                   "--birth-day", "--age1",     "--age-diff",   "--age-modes"};
    if (totalsText) {
        for (const char* name : incrementOnly)
            if (o.Given(name)) o.Refuse(std::string("option ") + name + " belongs to increment records");
        totals = Totals(*totalsText);
        if (!totals)
            o.Refuse("option --totals needs whole numbers of 0 or more separated by commas, not \"" + *totalsText +
                     "\"");
        if (!cells) o.Refuse("--cells N is required");
        if (identified.value_or(0) + blended.value_or(0) == 0) o.Refuse("--identified or --blended must be above 0");
        if (totals) {
            // The model's own limit on the parameter count, before any table is sized.
            GrowthSetup setup;
            setup.frequencyPath = "simulated";
            setup.series = totals->size();
            setup.identified = identified.value_or(0);
            setup.blended = blended.value_or(0);
            if (const auto problem = CheckSetup(setup)) o.Refuse("option --totals: " + problem->text);
        }
        return;
    }
    for (const char* name : frequencyOnly)
        if (o.Given(name)) o.Refuse(std::string("option ") + name + " belongs to size-frequency series (--totals)");
    const auto sizes = Range(o, "--initial-size", initialSize);
    const auto days = WholeRange(o, "--days-at-liberty", daysAtLiberty);
    const auto start = WholeRange(o, "--start-day", startDay);
    if (!initialSize) o.Refuse("--initial-size MIN:MAX is required");
    if (!daysAtLiberty) o.Refuse("--days-at-liberty MIN:MAX is required");
    if (sizes) std::tie(increments.sizeMin, increments.sizeMax) = *sizes;
    if (days) std::tie(increments.daysMin, increments.daysMax) = *days;
    if (start) std::tie(increments.startMin, increments.startMax) = *start;
    if (records) increments.records = static_cast<int>(*records);
    if (set) increments.set = static_cast<int>(*set);
}

int Simulate::RunFrequencies(std::ostream& out, std::ostream& err) {
    GrowthSetup setup;
    setup.frequencyPath = "simulated";
    setup.series = totals->size();
    setup.identified = identified.value_or(0);
    setup.blended = blended.value_or(0);
    setup.birthDay = birthDay.value_or(1);
    setup.age1 = age1.value_or(1.0);
    setup.ageDiff = ageDiff.value_or(1.0);
    setup.ageModes = ageModes.value_or(AgeModeForm::Precise);
    FrequencySimulation how;
    how.cells = static_cast<int>(*cells);
    if (interval) how.interval = *interval;
    how.totals = *totals;
    const GrowthSettings settings = ApplySetup(setup);

    ModelSession session(err);
    session.wb.alg.np = settings.ParameterCount();
    SetDefaultAlgorithmData(session.wb.alg, session.wb.alg.np);
    if (!ReadAlgorithmFile(session.wb, *alg)) throw BadInput("the algorithm file could not be loaded");
    DefaultRandom random(static_cast<std::uint64_t>(seed.value_or(1)));
    const FrequencySimulationResult result = SimulateFrequencies(settings, session.wb.alg.value, how, random);
    if (!result.ok) throw BadInput(result.problem);
    const auto text = csv ? std::optional<std::string>(FrequencyCsvText(result.data, settings.series))
                          : FrequencyFileText(result.data, settings.series);
    if (!text) throw BadInput("the values do not fit the frequency file's 8-character fields");
    return Deliver(outPath, *text, NumberText(settings.series) + " series of " + NumberText(how.cells) + " cells",
                   out, err);
}

int Simulate::Run(std::ostream& out, std::ostream& err) {
    if (totals) return RunFrequencies(out, err);
    // An increments-only model has the 19 fixed parameters; the algorithm file
    // of a joint model (more parameters) serves too, its first 19 values being
    // the same.  The file is read by the engine's own reader.
    ModelSession session(err);
    GrowthSettings settings;
    settings.kind = 'I';
    settings.errors = incrementErrors.value_or('N');
    session.wb.alg.np = std::max(settings.ParameterCount(), DeclaredParameterCount(*alg));
    SetDefaultAlgorithmData(session.wb.alg, session.wb.alg.np);
    if (!ReadAlgorithmFile(session.wb, *alg)) throw BadInput("the algorithm file could not be loaded");
    Vec1<double> X = session.wb.alg.value;
    X.resizePreserve(settings.ParameterCount());
    const GrowthParameters p = PrepareParameters(X, settings);

    DefaultRandom random(static_cast<std::uint64_t>(seed.value_or(1)));
    const SimulationResult result = SimulateIncrements(p, increments, random);
    if (!result.ok) throw BadInput(result.problem);
    return Deliver(outPath, csv ? IncrementCsvText(result.data) : IncrementFileText(result.data), NumberText(result.data.records) + " records", out, err);
}

const Register<Simulate> simulate{
    "simulate", "write simulated increment records or size-frequency series drawn from a known parameter vector"};

}  // namespace

}  // namespace corvane::cli
