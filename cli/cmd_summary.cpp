// corvane-cli summary: the model's results report ("Res&ults Summary") at the
// algorithm file's values, every question answered from an option.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <random>

#include "cli/Command.h"
#include "cli/CsvOutput.h"
#include "cli/Json.h"
#include "cli/ModelNotes.h"
#include "cli/ModelOptions.h"
#include "cli/Progress.h"
#include "engine/ModelSummary.h"
#include "model/SummaryDialogue.h"
#include "numeric/Format.h"
#include "platform/qt/render/PlotFiles.h"

namespace corvane::cli {

namespace {

// The report's progress on standard error: its counters ("Chi-square:
// Calculating simulation # 12 of 200") as the command line's progress lines,
// each activity counted afresh.  The desktop's other activity texts ("One
// moment please...") are left out.
class SummaryProgress {
public:
    SummaryProgress(std::ostream& err, const Clock& clock) : err_(err), clock_(clock) {}

    void Show(const std::string& text) {
        const std::size_t digit = text.find_first_of("0123456789");
        if (digit == std::string::npos) return;
        const std::string activity = text.substr(0, digit);
        if (activity != activity_ || !reporter_) {
            Finish();
            reporter_ = std::make_unique<ProgressReporter>(err_, ProgressReporter::TerminalOutput(), clock_);
            activity_ = activity;
        }
        const long long count = std::atoll(text.c_str() + digit);
        reporter_->Report(text, count, activity.find("simulation") != std::string::npos ? "simulations" : "records");
    }
    void Finish() {
        if (reporter_) reporter_->Finish();
    }

private:
    std::ostream& err_;
    const Clock& clock_;
    std::string activity_;
    std::unique_ptr<ProgressReporter> reporter_;
};

// Each chi-square test's numbers, null where the report reads "Undefined".
Json ChiSquareJson(const std::vector<NamedChiSquare>& tests) {
    Json all = Json::array();
    for (const NamedChiSquare& t : tests) {
        const ChiSquareResult& r = t.result;
        const bool any = r.simulations > 0;
        auto maybe = [](bool defined, double value) { return defined ? Json(value) : Json(nullptr); };
        Json one;
        one["test"] = t.test;
        one["simulations"] = r.simulations;
        one["observed"] = r.observed;
        one["simulated_mean"] = maybe(any, r.mean);
        one["simulated_sd"] = maybe(any && r.sdDefined, r.sd);
        one["p"] = maybe(any, r.p);
        one["p_se"] = maybe(r.seDefined, r.se);
        one["doubtful"] = r.doubtful;
        all.push_back(std::move(one));
    }
    return all;
}

// A seed nobody chose: the clock and the system's entropy mixed.
std::uint64_t FreshSeed() {
    std::random_device device;
    const auto now = std::chrono::system_clock::now().time_since_epoch().count();
    DefaultRandom random(static_cast<std::uint64_t>(now) ^ (static_cast<std::uint64_t>(device()) << 32));
    return DrawSeed(random);
}

class Summary : public Command {
    ModelOptions model;
    std::optional<long long> simulations, seed, details;
    std::optional<std::string> save, plots, csv;
    bool json = false;

    void Declare(Options& o) override {
        o.Usage("corvane-cli summary --increments FILE and/or --frequencies FILE --alg FILE\n"
                "                           [model options] [summary options]\n\n"
                "Evaluates the model once at the algorithm file's values and prints the model's results\n"
                "report, as \"Res&ults Summary\" writes it: the analysis, the -2ln[L] minimum with its AICc\n"
                "(K counts the parameters whose step size is not zero), every parameter, the age-class\n"
                "details, every frequency and increment table and every chi-square diagnostic.");
        o.Group("Summary options");
        o.Whole("--simulations", simulations, 0, kMaxSimulations, "N",
                "simulations of every chi-square test (default 0: the\nsimulated statistics read \"Undefined\")");
        o.Whole("--seed", seed, 0, Options::kAnyWholeNumber, "S",
                "seed of the simulations; the same seed gives the same\nreport on every machine (default: a fresh "
                "seed, which\nthe report states)");
        o.Whole("--details", details, 0, kMaxAgeClasses, "A",
                "age-class details up to class A, then the oldest\n(default: every age-class)");
        o.Text("--save", save, "FILE.cvo",
               "save the report as the summary window's Save does (the\n\"Originally saved with the file name: \" "
               "line first)");
        o.Text("--plots", plots, "DIR",
               "write the model plots (every increment set, every\nseries, and their residual plots) into DIR as PNG "
               "and SVG\npictures, each with a CSV of its numbers");
        o.Text("--csv", csv, "DIR",
               "write the report's tables as CSV files into DIR (made when\nmissing): frequencies_series_S.csv "
               "per series, increments.csv;\nfull precision");
        o.Flag("--json", json,
               "print one JSON object instead of the report: the objective,\n"
               "the parameters, K, the sample size, AICc (null when\n"
               "undefined), the seed, every chi-square test's numbers as\n"
               "\"chi_square\" (test, simulations, observed, simulated_mean,\n"
               "simulated_sd, p, p_se, doubtful), and the report's text as\n"
               "\"report\"");
        model.Declare(o);
        o.Footer(
            "Messages of the report (\"very unlikely observation(s)\", the proportion check), how the\n"
            "likelihood used each data set and the model's warnings are written to standard error.\n"
            "Exit status 0 when the report was written (and saved, and every plot drawn), 1 when the\n"
            "objective could not be computed or a file could not be written, 2 for bad input\n"
            "(nothing is printed then).");
    }

    void Check(Options& o) override {
        if (details && !model.frequencies) o.Refuse("option --details needs --frequencies FILE");
        std::error_code ec;
        if (csv && std::filesystem::exists(*csv, ec) && !std::filesystem::is_directory(*csv, ec))
            o.Refuse("option --csv names a file, not a directory");
    }

    void Files(FileRoles& files) const override {
        model.Inputs(files);
        files.Output("--save", save);
        // The tables' files, where an input could already lie among them.
        std::error_code ec;
        if (!csv || !std::filesystem::is_directory(*csv, ec)) return;
        const std::filesystem::path folder(*csv);
        if (model.frequencies)
            for (long long s = 1; s <= std::min<long long>(model.series.value_or(0), 1000); ++s)
                files.Output("--csv", (folder / ("frequencies_series_" + std::to_string(s) + ".csv")).string());
        if (model.increments) files.Output("--csv", (folder / "increments.csv").string());
    }

    int Run(std::ostream& out, std::ostream& err) override {
        auto session = OpenModelSession(model, err);
        Workbench& wb = session->wb;
        GrowthModel& growth = session->model;
        GammaOverrideNote gamma;
        gamma.Check(growth, wb.alg.value, err);
        ConsoleDialogs& dialogs = session->ports.dialogs;
        SummaryProgress status(err, session->ports.clock);
        dialogs.beforeMessage = [&status] { status.Finish(); };

        std::optional<FilePlotPort> pictures;
        if (plots) {
            pictures.emplace(*plots);
            pictures->onError = [&](const std::string& problem) {
                status.Finish();
                err << MessagePrefix() << problem << "\n";
            };
            wb.plots = &*pictures;
        }

        const std::uint64_t usedSeed = seed ? static_cast<std::uint64_t>(*seed) : FreshSeed();
        std::string report;
        std::vector<NamedChiSquare> tests;
        std::vector<std::pair<std::string, std::string>> tables;
        int freeCount = 0;
        growth.SetSummaryHandler([&](const SummaryCall& call) {
            freeCount = FreeParameters(call.step, call.parameters);
            if (pictures) ShowModelPlots(wb, growth, [](int) { return Answer::Yes; });
            SummaryInput in = SummaryInputFor(wb, growth, call);
            in.seed = usedSeed;
            SummaryAnswers answers;  // every table and diagnostic: Yes
            answers.simulations = static_cast<int>(simulations.value_or(0));
            if (details) answers.details = static_cast<int>(*details);
            answers.onVeryUnlikely = [&](const std::string& title, const std::string& text) {
                dialogs.MessageBox(title, text, Buttons::OK, Icon::Information, false);
            };
            answers.onStatus = [&](const std::string& text) { status.Show(text); };
            report = BuildSummary(in, answers);
            tests = std::move(answers.tests);
            if (csv) tables = SummaryCsvTables(in, static_cast<int>(details.value_or(kMaxAgeClasses)));
        });
        ModelSummaryCommand(wb);
        status.Finish();
        dialogs.beforeMessage = nullptr;

        const ModelNotes notes = CollectModelNotes(growth, growth.Best().increments);
        if (!growth.Best().stored || !std::isfinite(growth.Best().objective)) {
            WriteModelNotes(notes, err);
            err << MessagePrefix() << "the objective could not be computed\n";
            return kExitFailed;
        }
        // The JSON object is printed only once the file it tells of is written.
        std::string jsonText;
        if (json) {
            const BestFit& best = growth.Best();
            Json j;
            AddObjective(j, best.objective, growth, best.incrementTwice, best.frequencyTwice);
            AddParameters(j, wb, growth);
            j["k"] = freeCount;
            const auto aicc = AICc(best.objective, freeCount, growth.UsedSampleSize(best.increments));
            j["aicc"] = aicc ? Json(*aicc) : Json();
            j["seed"] = usedSeed;
            j["simulations"] = simulations.value_or(0);
            j["chi_square"] = ChiSquareJson(tests);
            j["report"] = ForTerminal(report);
            AddWarnings(j, notes);
            jsonText = JsonText(j);
        } else {
            out << ForTerminal(report);
            out.flush();
        }
        WriteModelNotes(notes, err);

        bool ok = true;
        if (save) {
            dialogs.FileTitle("Save summary in...", *save);
            ok = !SaveTextResult(dialogs, SummarySaveRequest(), report).empty();  // a failure's message is out
        }
        if (pictures && !pictures->Errors().empty()) ok = false;
        if (csv && !WriteCsvFolder(*csv, tables, err)) ok = false;
        if (json && ok) {
            out << jsonText;
            out.flush();
        }
        return ok ? kExitOk : kExitFailed;
    }
};

const Register<Summary> summaryCommand{
    "summary", "the model's results report at the algorithm file's values (\"Res&ults Summary\")"};

}  // namespace

}  // namespace corvane::cli
