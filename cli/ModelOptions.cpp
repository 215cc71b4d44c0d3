#include "cli/ModelOptions.h"

#include <cstdio>
#include <ostream>

#include "cli/Command.h"
#include "model/InitializeForm.h"
#include "numeric/Format.h"

namespace corvane::cli {

void ModelOptions::Declare(Options& o) {
    o.Group("Model set-up (at least one data file)");
    o.Text("--increments", increments, "FILE",
           "increment records (label line, then set, initial size, increment,\n"
           "start day, end day in 6-character fields)");
    o.Choice<char>("--increment-errors", incrementErrors, {{"gaussian", 'N'}, {"gamma", 'G'}},
                   "error distribution of increments (default gaussian;\ngamma is used whenever b > 0)");
    o.Text("--frequencies", frequencies, "FILE",
           "size-frequency series (label line, midpoint in columns 1-8,\nseries s in the 8 columns from 9s+1)");
    o.Whole("--series", series, "N", "number of frequency series");
    o.Whole("--identified", identified, "N",
            "young identifiable age-classes (capped at 99)");
    o.Whole("--blended", blended, "N",
            "blended older age-classes (total capped at 99)");
    o.Whole("--birth-day", birthDay, "D", "birth day in the year (default 1)");
    o.Whole("--first-cell", firstCell, "C",
            "first frequency cell evaluated (default 1)");
    o.Number("--age1", age1, "A", "age of the first age-class, years (default 1)");
    o.Number("--age-diff", ageDiff, "D", "years between age-classes (default 1)");
    o.Choice<char>("--edge", edge, {{"truncated", 'M'}, {"zero", '0'}},
                   "frequencies truncated at the extremes, or zero beyond\nthem (default zero)");
    o.Choice<AgeModeForm>("--age-modes", ageModes,
                          {{"precise", AgeModeForm::Precise},
                           {"gaussian", AgeModeForm::Gaussian},
                           {"gamma", AgeModeForm::Gamma}},
                          "form of the age modes (default precise)");
    o.Text("--alg", alg, "FILE", "algorithm file; its parameter count must match the model's");

    o.AfterParsing([this, &o] {
        // The dialogue only enables these with a frequency file.
        const bool frequencyOption = series || identified || blended || birthDay || firstCell || age1 || ageDiff ||
                                     ageModes || edge;
        if (!frequencies && frequencyOption) o.Refuse("the frequency options need --frequencies FILE");
    });
}

ModelSession::ModelSession(std::ostream& err)
    : ports(err),
      model(&ports.dialogs),
      wb(Ports{ports.dialogs, ports.status, ports.windows, ports.clock, ports.random}, &model) {}

namespace {

// A number as the dialogue's field text, read back exactly.
std::string FieldText(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

}  // namespace

std::unique_ptr<ModelSession> OpenModelSession(const ModelOptions& options, std::ostream& err, bool algRequired) {
    if (algRequired && !options.alg) throw BadInput("--alg FILE is required");
    auto session = std::make_unique<ModelSession>(err);
    InitializeForm form(session->wb, session->model);
    if (options.frequencies) form.ChooseFrequencyFile(*options.frequencies);
    if (options.increments) form.ChooseIncrementFile(*options.increments);
    form.errors = options.incrementErrors == 'G' ? InitializeForm::Errors::Gamma : InitializeForm::Errors::Gaussian;
    form.edge = options.edge == 'M' ? InitializeForm::Edge::Truncated : InitializeForm::Edge::Zero;
    if (options.ageModes == AgeModeForm::Gaussian) form.SetChecked(InitializeForm::AgeBox::ForceNormal, true);
    if (options.ageModes == AgeModeForm::Gamma) form.SetChecked(InitializeForm::AgeBox::ForceGamma, true);
    if (options.series) form.series = NumberText(*options.series);
    if (options.identified) form.identified = NumberText(*options.identified);
    if (options.blended) form.blended = NumberText(*options.blended);
    if (options.birthDay) form.birthDay = NumberText(*options.birthDay);
    if (options.firstCell) {
        form.firstCell = NumberText(*options.firstCell);
        form.CheckFirstCell();
        // The check refused it (its message is out).
        if (form.firstCell != NumberText(*options.firstCell)) throw BadInput("--first-cell must be 1 or more");
    }
    if (options.age1) form.age1 = FieldText(*options.age1);
    if (options.ageDiff) form.ageDiff = FieldText(*options.ageDiff);
    if (form.Ok() != InitializeForm::Outcome::Initialised) throw BadInput("the model could not be initialised");
    // Data the readers left out are never passed over in silence.
    std::string leftOut = ForTerminal(session->model.DataSummary(SummaryPart::LeftOut));
    for (std::size_t end; (end = leftOut.find('\n')) != std::string::npos; leftOut.erase(0, end + 1))
        err << "Data input: " << leftOut.substr(0, end) << "\n";
    if (options.alg && !ReadAlgorithmFile(session->wb, *options.alg))
        throw BadInput("the algorithm file could not be loaded");
    if (const auto why = session->model.CannotEvaluate()) throw BadInput(*why);
    return session;
}

}  // namespace corvane::cli
