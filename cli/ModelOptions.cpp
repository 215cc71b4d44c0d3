#include "cli/ModelOptions.h"

#include <cmath>
#include <ostream>

#include "model/InitializeForm.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"

namespace corvane::cli {

const char* const kModelOptionsUsage =
    "Model set-up (at least one data file):\n"
    "  --increments FILE          increment records (label line, then set, initial size, increment,\n"
    "                             start day, end day in 6-character fields)\n"
    "  --increment-errors gaussian|gamma   error distribution of increments (default gaussian;\n"
    "                             gamma is used whenever b > 0)\n"
    "  --frequencies FILE         size-frequency series (label line, midpoint in columns 1-8, series s\n"
    "                             in the 8 columns from 9s+1)\n"
    "  --series N                 number of frequency series\n"
    "  --identified N             young identifiable age-classes (capped at 99)\n"
    "  --blended N                blended older age-classes (total capped at 99)\n"
    "  --birth-day D              birth day in the year (default 1)\n"
    "  --first-cell C             first frequency cell evaluated (default 1)\n"
    "  --age1 A                   age of the first age-class, years (default 1)\n"
    "  --age-diff D               years between age-classes (default 1)\n"
    "  --edge truncated|zero      frequencies truncated at the extremes, or zero beyond them (default zero)\n"
    "  --age-modes precise|gaussian|gamma   form of the age modes (default precise)\n"
    "  --alg FILE                 algorithm file; its parameter count must match the model's\n";

namespace {

// A whole-number or number option kept as its text for the dialogue.
void TakeNumber(Args& args, const std::string& name, bool whole, std::optional<std::string>& into,
                std::vector<std::string>& problems) {
    const auto text = args.Value(name);
    if (!text) return;
    const auto v = StrictNumber(*text);
    if (!v || (whole && std::floor(*v) != *v)) {
        problems.push_back("option --" + name + " needs " + (whole ? "a whole number" : "a number") + ", not \"" +
                           *text + "\"");
        return;
    }
    into = Trim(*text);
}

}  // namespace

ModelOptions ReadModelOptions(Args& args) {
    ModelOptions o;
    o.increments = args.Value("increments");
    o.frequencies = args.Value("frequencies");
    if (const auto e = args.Value("increment-errors")) {
        if (*e == "gaussian")
            o.incrementErrors = 'N';
        else if (*e == "gamma")
            o.incrementErrors = 'G';
        else
            o.problems.push_back("option --increment-errors takes gaussian or gamma, not \"" + *e + "\"");
    }
    if (const auto e = args.Value("edge")) {
        if (*e == "zero")
            o.edge = '0';
        else if (*e == "truncated")
            o.edge = 'M';
        else
            o.problems.push_back("option --edge takes truncated or zero, not \"" + *e + "\"");
    }
    std::optional<std::string> ageModes = args.Value("age-modes");
    if (ageModes) {
        if (*ageModes == "precise")
            o.ageModes = AgeModeForm::Precise;
        else if (*ageModes == "gaussian")
            o.ageModes = AgeModeForm::Gaussian;
        else if (*ageModes == "gamma")
            o.ageModes = AgeModeForm::Gamma;
        else
            o.problems.push_back("option --age-modes takes precise, gaussian or gamma, not \"" + *ageModes + "\"");
    }
    TakeNumber(args, "series", true, o.series, o.problems);
    TakeNumber(args, "identified", true, o.identified, o.problems);
    TakeNumber(args, "blended", true, o.blended, o.problems);
    TakeNumber(args, "birth-day", true, o.birthDay, o.problems);
    TakeNumber(args, "first-cell", true, o.firstCell, o.problems);
    TakeNumber(args, "age1", false, o.age1, o.problems);
    TakeNumber(args, "age-diff", false, o.ageDiff, o.problems);
    o.alg = args.Value("alg");

    // The dialogue only enables these with a frequency file.
    if (!o.frequencies) {
        const bool frequencyOption = o.series || o.identified || o.blended || o.birthDay || o.firstCell || o.age1 ||
                                     o.ageDiff || ageModes || o.edge != '0';
        if (frequencyOption) o.problems.push_back("the frequency options need --frequencies FILE");
    }
    return o;
}

bool ReportArgumentErrors(const std::string& command, const Args& args, const ModelOptions& model,
                          std::ostream& err) {
    std::vector<std::string> all = model.problems;
    for (const auto& e : args.Errors()) all.push_back(e);
    for (const auto& e : all) err << "corvane-cli " << command << ": " << e << "\n";
    return !all.empty();
}

ModelSession::ModelSession(std::ostream& err)
    : ports(err),
      model(&ports.dialogs),
      wb(Ports{ports.dialogs, ports.status, ports.windows, ports.clock, ports.random}, &model) {}

std::unique_ptr<ModelSession> OpenModelSession(const std::string& command, const ModelOptions& options,
                                               std::ostream& err, bool algRequired) {
    if (algRequired && !options.alg) {
        err << "corvane-cli " << command << ": --alg FILE is required\n";
        return nullptr;
    }
    auto session = std::make_unique<ModelSession>(err);
    InitializeForm form(session->wb, session->model);
    if (options.frequencies) form.ChooseFrequencyFile(*options.frequencies);
    if (options.increments) form.ChooseIncrementFile(*options.increments);
    form.errors = options.incrementErrors == 'G' ? InitializeForm::Errors::Gamma : InitializeForm::Errors::Gaussian;
    form.edge = options.edge == 'M' ? InitializeForm::Edge::Truncated : InitializeForm::Edge::Zero;
    if (options.ageModes == AgeModeForm::Gaussian) form.SetChecked(InitializeForm::AgeBox::ForceNormal, true);
    if (options.ageModes == AgeModeForm::Gamma) form.SetChecked(InitializeForm::AgeBox::ForceGamma, true);
    if (options.series) form.series = *options.series;
    if (options.identified) form.identified = *options.identified;
    if (options.blended) form.blended = *options.blended;
    if (options.birthDay) form.birthDay = *options.birthDay;
    if (options.firstCell) {
        form.firstCell = *options.firstCell;
        form.CheckFirstCell();
        if (form.firstCell != *options.firstCell) {  // the check refused it (its message is out)
            err << "corvane-cli " << command << ": --first-cell must be 1 or more\n";
            return nullptr;
        }
    }
    if (options.age1) form.age1 = *options.age1;
    if (options.ageDiff) form.ageDiff = *options.ageDiff;
    if (form.Ok() != InitializeForm::Outcome::Initialised) {
        err << "corvane-cli " << command << ": the model could not be initialised\n";
        return nullptr;
    }
    if (options.alg && !ReadAlgorithmFile(session->wb, *options.alg)) {
        err << "corvane-cli " << command << ": the algorithm file could not be loaded\n";
        return nullptr;
    }
    return session;
}

}  // namespace corvane::cli
