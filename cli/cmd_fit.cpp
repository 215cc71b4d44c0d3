// corvane-cli fit: a Simplex or Marquardt minimisation from the algorithm
// file's values, as "Simple&x" and "&Marquardt" run it, with every question
// answered from an option.
#include <signal.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <ostream>

#include "cli/Command.h"
#include "cli/ModelOptions.h"

namespace corvane::cli {

namespace {

// --- stopping by signal ------------------------------------------------------
// Ctrl-C (or SIGTERM) during a run acts as the window's Interrupt button, and
// the question that follows is answered "quit": the run ends as the user would
// end it, keeping its best point for the report and --save-alg.  The handler
// resets itself, so a second signal ends the program at once.

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void OnStopSignal(int) { stopSignal = 1; }

class StopSignals {
public:
    StopSignals() {
        stopSignal = 0;
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        sigaction(SIGTERM, &action, &oldTerm_);
        // A shell that started us with SIGINT ignored (a background job) meant it.
        sigaction(SIGINT, nullptr, &oldInt_);
        if (oldInt_.sa_handler != SIG_IGN) sigaction(SIGINT, &action, nullptr);
    }
    ~StopSignals() {
        sigaction(SIGTERM, &oldTerm_, nullptr);
        sigaction(SIGINT, &oldInt_, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Once per received signal.
    static bool Take() {
        if (!stopSignal) return false;
        stopSignal = 0;
        return true;
    }

private:
    struct sigaction oldTerm_ {};
    struct sigaction oldInt_ {};
};

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
};

bool SameFile(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::exists(a, ec) && fs::exists(b, ec)) return fs::equivalent(a, b, ec);
    return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);
}

// A file the run will write: its directory must exist and it must not be a
// directory itself.
std::optional<std::string> CannotWrite(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (path.empty()) return "an empty file name";
    if (fs::is_directory(path, ec)) return path + " is a directory";
    const fs::path parent = fs::path(path).parent_path();
    if (!parent.empty() && !fs::is_directory(parent, ec)) return "the directory of " + path + " does not exist";
    return std::nullopt;
}

// Outputs that would overwrite an input (or each other) are refused before
// anything is read or written.
void CheckOutputs(const FitOptions& fit, const ModelOptions& model, std::vector<std::string>& problems) {
    std::vector<std::pair<std::string, std::string>> data;  // option, path
    if (model.increments) data.emplace_back("--increments", *model.increments);
    if (model.frequencies) data.emplace_back("--frequencies", *model.frequencies);
    auto check = [&](const std::string& option, const std::optional<std::string>& path, bool protectAlg) {
        if (!path) return;
        if (const auto why = CannotWrite(*path)) {
            problems.push_back("option " + option + ": cannot write " + *why);
            return;
        }
        for (const auto& [input, inputPath] : data)
            if (SameFile(*path, inputPath)) problems.push_back("option " + option + " names the " + input + " file");
        if (protectAlg && model.alg && SameFile(*path, *model.alg))
            problems.push_back("option " + option + " names the --alg file");
    };
    check("--save-alg", fit.saveAlg, false);  // saving over the algorithm file read is the usual update
    check("--log", fit.log, true);
    if (fit.log && fit.saveAlg && SameFile(*fit.log, *fit.saveAlg))
        problems.push_back("options --log and --save-alg name the same file");
}

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
    int Run(std::ostream& out, std::ostream& err) override;
};

void Fit::Declare(Options& o) {
    o.Usage(
        "corvane-cli fit --increments FILE and/or --frequencies FILE --alg FILE\n"
        "                       [model options] [fit options]\n\n"
        "Minimises the objective over the parameters whose step size is not zero, from the\n"
        "algorithm file's values and with its settings (tolerance, limit, step size reduction),\n"
        "and prints the report the minimiser's window shows at the end.  Progress (iterations,\n"
        "function calls, best value) is written to standard error on one refreshed line.");
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
           "algorithm file layout (CR LF); it may be the --alg file");
    o.Flag("--value", fit.valueOnly, "print only the minimum, as %.17g");
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
        "its next accepted step); a second one ends the program at once.");
}

void Fit::Check(Options& o) {
    const bool marquardt = fit.marquardt.value_or(false);
    if (fit.analytical && !marquardt) o.Refuse("option --derivatives belongs to --method marquardt");
    if (fit.continueAtLimit && marquardt)
        o.Refuse("option --on-limit belongs to the Simplex (Marquardt stops at its limit)");
    if (fit.logEvery && !fit.log) o.Refuse("option --log-every needs --log FILE");
    if (o.Problems().empty()) {
        std::vector<std::string> problems;
        CheckOutputs(fit, model, problems);
        for (auto& p : problems) o.Refuse(std::move(p));
    }
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

    ConsoleDialogs& dialogs = session->ports.dialogs;
    dialogs.AnswerTitle("Simplex minimization", fit.continueAtLimit.value_or(false) ? Answer::Yes : Answer::No);
    dialogs.AnswerTitle("Simplex interrupt", Answer::Yes);
    dialogs.AnswerTitle("Marquardt interrupt", Answer::Yes);
    ProgressLine progress(err, session->ports.clock);
    dialogs.beforeMessage = [&progress] { progress.Finish(); };
    dialogs.onProcessEvents = [&wb] {
        if (StopSignals::Take()) wb.engine.interruptRequested = true;
    };
    wb.minimiserObserver = &progress;

    MinimiserResult result;
    {
        StopSignals signals;
        result = marquardt ? MarquardtCommand(wb, fit.analytical.value_or(false) ? "A" : "N", false)
                           : SimplexCommand(wb);
    }
    progress.Finish();
    wb.minimiserObserver = nullptr;
    dialogs.beforeMessage = nullptr;
    wb.runLog.Close();

    bool ok = result.end == MinimiserEnd::Converged;
    if (!ok) err << "corvane-cli fit: the run ended without a verified minimum (" << ToString(result.end) << ")\n";
    if (!std::isfinite(result.minimum)) {
        const auto why = session->model.ObjectiveProblem();
        err << "corvane-cli fit: the objective could not be computed" << (why ? ": " + *why : "") << "\n";
        ok = false;
    }
    if (wb.runLog.Failed()) ok = false;  // the minimiser has shown why
    if (fit.valueOnly) {
        out << ValueText(result.minimum) << "\n";
    } else {
        std::string report = ForTerminal(ReportText(wb, marquardt, result));
        while (!report.empty() && report.back() == '\n') report.pop_back();
        out << report << "\n";
    }
    out.flush();

    if (fit.saveAlg) {
        dialogs.FileTitle("Save algorithm data in...", *fit.saveAlg);
        if (!WriteAlgorithmFile(wb, AlgorithmWriter::CommandMenu)) ok = false;  // its message is out
    }
    return ok ? kExitOk : kExitFailed;
}

const Register<Fit> fitCommand{
    "fit", "minimise the objective with the Simplex or Marquardt minimiser (\"Simple&x\", \"&Marquardt\")"};

}  // namespace

}  // namespace corvane::cli
