// corvane-cli fit: a Simplex or Marquardt minimisation from the algorithm
// file's values, as "Simple&x" and "&Marquardt" run it, with every question
// answered from an option.
#include <cmath>
#include <cstdio>
#include <ostream>

#include "cli/Command.h"
#include "cli/Json.h"
#include "cli/ModelNotes.h"
#include "cli/ModelOptions.h"
#include "cli/Progress.h"
#include "cli/RunControl.h"
#include "priors/PriorReview.h"

namespace corvane::cli {

namespace {

// --- options -----------------------------------------------------------------

struct FitOptions {
    std::optional<bool> marquardt;
    std::optional<bool> analytical;
    std::optional<bool> continueAtLimit;
    std::optional<long long> maxCalls;
    std::optional<std::string> log;
    std::optional<long long> logEvery;  // the editor's "&Open" puts 10 into the frequency box
    std::optional<std::string> saveAlg;
    bool valueOnly = false;
    bool json = false;
};

// --- the report ----------------------------------------------------------------

// What the minimiser's window shows at the end.  After a run without a
// verified minimum the running display is brought up to the point the
// algorithm data hold, as the window's last display would show it.
std::string ReportText(Workbench& wb, bool marquardt, const MinimiserResult& result) {
    const bool converged = result.end == MinimiserEnd::Converged;
    if (!marquardt) {
        std::string text = wb.simplexView.Area(1);
        text += converged ? wb.simplexView.Area(2) : SimplexProgressWindowText(wb);
        return text;
    }
    if (converged) return wb.marquardtView.Area(1);
    // The working vector may hold a failed trial; the report is of the point kept.
    MarquardtState& m = wb.marquardt;
    m.X = wb.alg.value;
    m.F = result.minimum;
    return MarquardtProgressWindowText(wb);
}

std::string ValueText(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

class Fit : public Command {
    ModelOptions model;
    FitOptions fit;

    void Declare(Options& o) override;
    void Check(Options& o) override;
    void Files(FileRoles& files) const override {
        model.Inputs(files);
        files.Output("--save-alg", fit.saveAlg);
        files.Output("--log", fit.log);
    }
    int Run(std::ostream& out, std::ostream& err) override;
};

void Fit::Declare(Options& o) {
    o.Usage(
        "corvane-cli fit --increments FILE and/or --frequencies FILE --alg FILE\n"
        "                       [model options] [fit options]\n\n"
        "Minimises the objective over the parameters whose step size is not zero, from the\n"
        "algorithm file's values and with its settings (tolerance, limit, step size reduction),\n"
        "and prints the report the minimiser's window shows at the end (or, with --json, one JSON\n"
        "object).  Standard error shows the progress (best value, iterations, calls, calls per\n"
        "second: one refreshed line on a terminal, a plain line every 5 seconds otherwise), the\n"
        "answer taken to every question, how the likelihood used each data set, and the model's\n"
        "warnings.  A joint analysis, from a file made by \"corvane-cli template\":\n\n"
        "  corvane-cli fit --increments inc.dat --frequencies freq.dat --series 3 --identified 2 \\\n"
        "      --blended 4 --birth-day 100 --age1 0 --age-modes gaussian --alg joint.alg \\\n"
        "      --save-alg joint.alg\n\n"
        "With --priors the report is followed by the review of the priors at the values reached.");
    o.Group("Fit options");
    o.Choice<bool>("--method", fit.marquardt, {{"simplex", false}, {"marquardt", true}},
                   "the minimiser (default simplex)");
    o.Choice<bool>("--derivatives", fit.analytical, {{"numerical", false}, {"analytical", true}},
                   "Marquardt's derivatives (default numerical); they are\nnever displayed");
    o.Whole("--max-calls", fit.maxCalls, 1, 2147483647, "N",
            "the Simplex's function-call limit, Marquardt's iteration\nlimit (default: the algorithm file's)");
    o.Choice<bool>("--on-limit", fit.continueAtLimit, {{"stop", false}, {"continue", true}},
                   "Simplex: at the function-call limit stop, or reset the\ncount and go on (default stop)");
    o.Text("--log", fit.log, "FILE", "write the run log to exactly FILE (created or overwritten)");
    o.Whole("--log-every", fit.logEvery, 1, 32767, "N",
            "the file output frequency: the Simplex logs every N\n"
            "iterations, Marquardt every accepted one (default 10)");
    o.Text("--save-alg", fit.saveAlg, "OUT",
           "write the algorithm data after the run to OUT, in the\n"
           "algorithm file layout (CR LF); never the --alg file, which\n"
           "keeps the starting values the run began from");
    o.Flag("--value", fit.valueOnly, "print only the minimum, as %.17g");
    o.Flag("--json", fit.json, "print one JSON object (see the README) instead of the report");
    model.Declare(o);
    o.Footer(
        "Exit status 0 for a verified minimum.  A run that ends without one (the limit, an\n"
        "interrupt, \"Simplex error\", \"Marquardt quits in frustration\", \"Analytical derivatives\n"
        "missing\", a matrix decomposition failure) exits with 1, but still prints its report (or\n"
        "--value) of the best point it reached, and --save-alg still saves the algorithm data as\n"
        "the run left them: the best vertex (Simplex), the last accepted point (Marquardt), or\n"
        "the starting values after \"Simplex error\", which writes nothing back.  Bad input\n"
        "exits with 2 and prints nothing on standard output.\n"
        "Ctrl-C or SIGTERM during the run interrupts it and answers \"quit\" (Marquardt quits at\n"
        "its next accepted step); the algorithm data and the run log then go to OUT.partial and\n"
        "FILE.partial, never replacing OUT or FILE.  A second one ends the program at once.");
}

void Fit::Check(Options& o) {
    const bool marquardt = fit.marquardt.value_or(false);
    if (fit.analytical && !marquardt) o.Refuse("option --derivatives belongs to --method marquardt");
    if (fit.continueAtLimit && marquardt)
        o.Refuse("option --on-limit belongs to the Simplex (Marquardt stops at its limit)");
    if (fit.logEvery && !fit.log) o.Refuse("option --log-every needs --log FILE");
    if (fit.json && fit.valueOnly) o.Refuse("options --json and --value do not go together");
}

int Fit::Run(std::ostream& out, std::ostream& err) {
    const bool marquardt = fit.marquardt.value_or(false);
    auto session = OpenModelSession(model, err);
    Workbench& wb = session->wb;
    // Both refusals show their message on standard error.
    if (NothingToMinimise(wb) || !SetUpMinimisation(wb)) throw BadInput("");
    if (fit.maxCalls) wb.alg.maxCalls = static_cast<std::int32_t>(*fit.maxCalls);
    if (fit.log) {
        if (!wb.runLog.Open(*fit.log)) throw BadInput("the run log " + *fit.log + " could not be created");
        wb.alg.outputFileName = *fit.log;
        wb.alg.fileFrequency = static_cast<int>(fit.logEvery.value_or(10));
    }

    GammaOverrideNote gamma;
    gamma.Check(session->model, wb.alg.value, err);

    ConsoleDialogs& dialogs = session->ports.dialogs;
    const bool goOn = fit.continueAtLimit.value_or(false);
    dialogs.AnswerTitle("Simplex minimization", goOn ? Answer::Yes : Answer::No,
                        goOn ? "--on-limit continue: the count starts again" : "--on-limit stop");
    dialogs.AnswerTitle("Simplex interrupt", Answer::Yes, "an interrupt signal quits the run");
    dialogs.AnswerTitle("Marquardt interrupt", Answer::Yes, "an interrupt signal quits the run");
    // The Simplex starts its count again when told to go on at the limit;
    // the run's calls are those counts summed.
    long long earlierCalls = 0;
    dialogs.afterAnswer = [&](const std::string& title, Answer answer) {
        if (title == "Simplex minimization" && answer == Answer::Yes) earlierCalls += wb.engine.functionCalls;
    };
    ProgressReporter reporter(err, ProgressReporter::TerminalOutput(), session->ports.clock);
    MinimiserReporter progress(reporter, [&earlierCalls](long long calls) { return earlierCalls + calls; });
    dialogs.beforeMessage = [&reporter] { reporter.Finish(); };
    dialogs.onProcessEvents = [&wb] {
        if (StopSignals::Take()) wb.engine.interruptRequested = true;
    };
    wb.minimiserObserver = &progress;

    MinimiserResult result;
    bool stopped = false;
    {
        // Ctrl-C (or SIGTERM) acts as the window's Interrupt button, and the
        // question is answered "quit": the run ends as the user would end it,
        // keeping its best point for the report and --save-alg.
        StopSignals signals;
        result = marquardt ? MarquardtCommand(wb, fit.analytical.value_or(false) ? "A" : "N", false)
                           : SimplexCommand(wb);
        stopped = StopSignals::Received();
    }
    reporter.Finish();
    wb.minimiserObserver = nullptr;
    dialogs.beforeMessage = nullptr;
    dialogs.afterAnswer = nullptr;
    if (stopped)
        wb.runLog.CloseStopped();
    else
        wb.runLog.Close();
    if (wb.runLog.TakeUnreportedFailure()) err << MessagePrefix() << wb.runLog.FailureText() << "\n";
    if (fit.log && stopped && !wb.runLog.Failed()) TellPartial(err, *fit.log);
    const long long calls = earlierCalls + wb.engine.functionCalls;

    bool ok = result.end == MinimiserEnd::Converged;
    if (!ok) err << MessagePrefix() << "the run ended without a verified minimum (" << ToString(result.end) << ")\n";
    if (!std::isfinite(result.minimum)) {
        const auto why = session->model.ObjectiveProblem();
        err << MessagePrefix() << "the objective could not be computed" << (why ? ": " + *why : "") << "\n";
        ok = false;
    }
    if (wb.runLog.Failed()) ok = false;  // the minimiser has shown why
    gamma.Check(session->model, wb.alg.value, err);
    const BestFit& best = session->model.Best();
    const ModelNotes notes = CollectModelNotes(session->model, best.increments);
    // The JSON object is printed only once the file it tells of is written.
    std::string jsonText;
    if (fit.json) {
        Json j;
        AddObjective(j, result.minimum, session->model, best.incrementTwice, best.frequencyTwice);
        AddParameters(j, wb, session->model);
        j["calls"] = calls;
        j["iterations"] = result.iterations;
        j["outcome"] = OutcomeName(result.end);
        AddWarnings(j, notes);
        jsonText = JsonText(j);
    } else if (fit.valueOnly) {
        out << ValueText(result.minimum) << "\n";
    } else {
        std::string report = ForTerminal(ReportText(wb, marquardt, result));
        while (!report.empty() && report.back() == '\n') report.pop_back();
        out << report << "\n";
        if (wb.engine.priorsInUse) out << "\n" << ForTerminal(ComputePriorReview(wb));
    }
    out.flush();
    WriteModelNotes(notes, err);

    bool saved = true;
    if (fit.saveAlg) {
        dialogs.FileTitle("Save algorithm data in...", ResultPath(*fit.saveAlg, stopped));
        saved = WriteAlgorithmFile(wb, AlgorithmWriter::CommandMenu);  // a failure's message is out
        if (saved && stopped) TellPartial(err, *fit.saveAlg);
    }
    if (fit.json && saved) {
        out << jsonText;
        out.flush();
    }
    return ok && saved ? kExitOk : kExitFailed;
}

const Register<Fit> fitCommand{
    "fit", "minimise the objective with the Simplex or Marquardt minimiser (\"Simple&x\", \"&Marquardt\")"};

}  // namespace

}  // namespace corvane::cli
