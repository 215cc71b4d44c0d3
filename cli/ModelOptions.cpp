#include "cli/ModelOptions.h"

#include <cstdio>
#include <fstream>
#include <ostream>

#include "cli/Command.h"
#include "engine/Threads.h"
#include "model/InitializeForm.h"
#include "numeric/Format.h"
#include "platform/TextFile.h"
#include "priors/PriorsFile.h"

namespace corvane::cli {

void ModelOptions::Declare(Options& o, bool algorithmFile, bool evaluates) {
    o.Group("Model set-up (at least one data file)");
    o.Text("--increments", increments, "FILE",
           "increment records (label line, then set, initial size, increment,\n"
           "start day, end day in 6-character fields; or CSV naming the\n"
           "columns set, initial_size, increment, start_day, end_day)");
    o.Choice<char>("--increment-errors", incrementErrors, {{"gaussian", 'N'}, {"gamma", 'G'}},
                   "error distribution of increments (default gaussian;\ngamma is used whenever b > 0)");
    o.Text("--frequencies", frequencies, "FILE",
           "size-frequency series (label line, midpoint in columns 1-8,\nseries s in the 8 columns from 9s+1; or "
           "CSV: midpoint, then\none column per series)");
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
    if (algorithmFile) o.Text("--alg", alg, "FILE", "algorithm file; its parameter count must match the model's");
    if (evaluates) {
        // Priors and the constant matter only where the model is evaluated.
        o.Group("Bayesian priors");
        o.Text("--priors", priors, "FILE",
               "Bayesian priors file (.pri); while some prior is not\n"
               "uniform-unbounded, the prior total is added to the objective");
        o.Number("--constant", constant, "C",
                 "covariance constant c > 0 (-ln[L] = c x objective); the prior\n"
                 "total is scaled by 1/c (default: the model's suggestion, 0.5)");
        o.Group("Computation");
        o.Whole("--threads", threads, 1, 4096, "N",
                "threads that share the records, series and grid points of the\n"
                "evaluations (default: every core); results do not depend on it");
    }

    o.AfterParsing([this, &o] {
        // The dialogue only enables these with a frequency file.
        const bool frequencyOption = series || identified || blended || birthDay || firstCell || age1 || ageDiff ||
                                     ageModes || edge;
        if (!frequencies && frequencyOption) o.Refuse("the frequency options need --frequencies FILE");
        // Likewise the error options with an increment file.
        if (!increments && incrementErrors) o.Refuse("option --increment-errors needs --increments FILE");
        if (constant && !(*constant > 0.0))
            o.Refuse("option --constant needs a number above 0, not " + NumberText(*constant));
    });
}

void ModelOptions::Inputs(FileRoles& files) const {
    files.Input("--increments", increments);
    files.Input("--frequencies", frequencies);
    files.Input("--alg", alg);
    files.Input("--priors", priors);
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
    // The dialogue's refusals of set-ups that cannot work, in the options' words.
    if (const auto refusal = form.Unworkable()) {
        using Field = SetupRefusal::Field;
        switch (refusal->field) {
            case Field::AgeDifference: throw BadInput("--age-diff must be above 0");
            case Field::BirthDay: throw BadInput("--birth-day must be a day of the year from 1 to 365");
            case Field::FirstCell:
                throw BadInput("--first-cell " + NumberText(options.firstCell.value_or(1)) + " is beyond the " +
                               NumberText(refusal->limit) + " cells of the frequency file");
            case Field::Series:
                throw BadInput("--series " + NumberText(options.series.value_or(0)) + " is more than the " +
                               NumberText(refusal->limit) + " series the frequency file holds");
        }
    }
    if (form.Ok() != InitializeForm::Outcome::Initialised) throw BadInput("the model could not be initialised");
    // Data the readers left out are never passed over in silence.
    std::string leftOut = ForTerminal(session->model.DataSummary(SummaryPart::LeftOut));
    for (std::size_t end; (end = leftOut.find('\n')) != std::string::npos; leftOut.erase(0, end + 1))
        err << "Data input: " << leftOut.substr(0, end) << "\n";
    if (options.alg && !ReadAlgorithmFile(session->wb, *options.alg))
        throw BadInput("the algorithm file could not be loaded");
    if (const auto why = session->model.CannotEvaluate()) throw BadInput(*why);
    Workbench& wb = session->wb;
    UseThreads(wb, static_cast<int>(options.threads.value_or(0)));
    if (options.constant) wb.priorTable.reciprocalConstant = 1.0 / *options.constant;
    if (options.priors) {
        std::ifstream in;
        if (const auto why = OpenTextFile(*options.priors, in))
            throw BadInput("the priors file " + *options.priors + " could not be opened: it " + *why);
        // A refused file has had its message written; nothing more to say.
        if (!ReadPriorsFile(wb, *options.priors, in)) throw BadInput("");
    }
    return session;
}

}  // namespace corvane::cli
