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
    bool marquardt = false;
    bool analytical = false;
    bool continueAtLimit = false;
    std::optional<std::int32_t> maxCalls;
    std::optional<std::string> log;
    int logEvery = 10;  // the editor's "&Open" puts 10 into the frequency box
    std::optional<std::string> saveAlg;
    bool valueOnly = false;
};

FitOptions ReadFitOptions(Args& args, std::vector<std::string>& problems) {
    FitOptions o;
    const auto method = args.Value("method");
    if (method && *method != "simplex" && *method != "marquardt")
        problems.push_back("option --method takes simplex or marquardt, not \"" + *method + "\"");
    o.marquardt = method && *method == "marquardt";

    if (const auto d = args.Value("derivatives")) {
        if (*d == "numerical" || *d == "analytical")
            o.analytical = *d == "analytical";
        else
            problems.push_back("option --derivatives takes numerical or analytical, not \"" + *d + "\"");
        if (!o.marquardt) problems.push_back("option --derivatives belongs to --method marquardt");
    }
    if (const auto l = args.Value("on-limit")) {
        if (*l == "stop" || *l == "continue")
            o.continueAtLimit = *l == "continue";
        else
            problems.push_back("option --on-limit takes stop or continue, not \"" + *l + "\"");
        if (o.marquardt) problems.push_back("option --on-limit belongs to the Simplex (Marquardt stops at its limit)");
    }
    if (const auto n = args.Integer("max-calls")) {
        if (*n < 1 || *n > 2147483647LL)
            problems.push_back("option --max-calls needs a whole number from 1 to 2147483647");
        else
            o.maxCalls = static_cast<std::int32_t>(*n);
    }
    o.log = args.Value("log");
    if (const auto n = args.Integer("log-every")) {
        if (*n < 1 || *n > 32767)
            problems.push_back("option --log-every needs a whole number from 1 to 32767");
        else
            o.logEvery = static_cast<int>(*n);
        if (!o.log) problems.push_back("option --log-every needs --log FILE");
    }
    o.saveAlg = args.Value("save-alg");
    o.valueOnly = args.Flag("value");
    return o;
}

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

int RunFit(std::vector<std::string> arguments, std::ostream& out, std::ostream& err) {
    Args args(std::move(arguments));
    ModelOptions model = ReadModelOptions(args);
    const FitOptions fit = ReadFitOptions(args, model.problems);
    if (model.problems.empty()) CheckOutputs(fit, model, model.problems);
    if (ReportArgumentErrors("fit", args, model, err)) return kExitBadInput;

    auto session = OpenModelSession("fit", model, err);
    if (!session) return kExitBadInput;
    if (const auto why = session->model.CannotEvaluate()) {
        err << "corvane-cli fit: " << *why << "\n";
        return kExitBadInput;
    }
    Workbench& wb = session->wb;
    // Both refusals show their message on standard error.
    if (NothingToMinimise(wb) || !SetUpMinimisation(wb)) return kExitBadInput;
    if (fit.maxCalls) wb.alg.maxCalls = *fit.maxCalls;
    if (fit.log) {
        if (!wb.runLog.Open(*fit.log)) {
            err << "corvane-cli fit: the run log " << *fit.log << " could not be created\n";
            return kExitBadInput;
        }
        wb.alg.outputFileName = *fit.log;
        wb.alg.fileFrequency = fit.logEvery;
    }

    ConsoleDialogs& dialogs = session->ports.dialogs;
    dialogs.AnswerTitle("Simplex minimization", fit.continueAtLimit ? Answer::Yes : Answer::No);
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
        result = fit.marquardt ? MarquardtCommand(wb, fit.analytical ? "A" : "N", false) : SimplexCommand(wb);
    }
    progress.Finish();
    wb.minimiserObserver = nullptr;
    dialogs.beforeMessage = nullptr;
    wb.runLog.Close();

    bool ok = result.end == MinimiserEnd::Converged;
    if (!ok) err << "corvane-cli fit: the run ended without a verified minimum (" << ToString(result.end) << ")\n";
    if (!std::isfinite(result.minimum)) {
        err << "corvane-cli fit: the objective could not be computed\n";
        ok = false;
    }
    if (fit.valueOnly) {
        out << ValueText(result.minimum) << "\n";
    } else {
        std::string report = ForTerminal(ReportText(wb, fit.marquardt, result));
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

const Register fit{Command{
    "fit", "minimise the objective with the Simplex or Marquardt minimiser (\"Simple&x\", \"&Marquardt\")",
    std::string("Usage: corvane-cli fit --increments FILE --alg FILE [model options] [fit options]\n\n") +
        "Minimises the objective over the parameters whose step size is not zero, from the\n"
        "algorithm file's values and with its settings (tolerance, limit, step size reduction),\n"
        "and prints the report the minimiser's window shows at the end.  Progress (iterations,\n"
        "function calls, best value) is written to standard error on one refreshed line.\n"
        "  --method simplex|marquardt  the minimiser (default simplex)\n"
        "  --derivatives numerical|analytical   Marquardt's derivatives (default numerical); they\n"
        "                             are never displayed\n"
        "  --max-calls N              the Simplex's function-call limit, Marquardt's iteration\n"
        "                             limit (default: the algorithm file's)\n"
        "  --on-limit stop|continue   Simplex: at the function-call limit stop, or reset the count\n"
        "                             and go on (default stop)\n"
        "  --log FILE                 write the run log to exactly FILE (created or overwritten)\n"
        "  --log-every N              the file output frequency: the Simplex logs every N\n"
        "                             iterations, Marquardt every accepted one (default 10)\n"
        "  --save-alg OUT             write the algorithm data after the run to OUT, in the\n"
        "                             algorithm file layout (CR LF); it may be the --alg file\n"
        "  --value                    print only the minimum, as %.17g\n\n"
        "Exit status 0 for a verified minimum.  A run that ends without one (the limit, an\n"
        "interrupt, \"Simplex error\", \"Marquardt quits in frustration\", \"Analytical derivatives\n"
        "missing\", a matrix decomposition failure) exits with 1, but still prints its report (or\n"
        "--value) of the best point it reached, and --save-alg still saves the algorithm data as\n"
        "the run left them: the best vertex (Simplex), the last accepted point (Marquardt), or\n"
        "the starting values after \"Simplex error\", which writes nothing back.  Bad input\n"
        "exits with 2 and prints nothing on standard output.\n"
        "Ctrl-C or SIGTERM during the run interrupts it and answers \"quit\" (Marquardt quits at\n"
        "its next accepted step); a second one ends the program at once.\n\n" +
        kModelOptionsUsage,
    RunFit}};

}  // namespace

}  // namespace corvane::cli
