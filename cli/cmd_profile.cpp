// corvane-cli profile: the likelihood profile of one parameter, as the
// evaluation choice window's "&Maximium likelihood (ML) confidence
// distributions" runs it, with every question answered from an option.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <ostream>

#include "cli/Command.h"
#include "cli/CsvOutput.h"
#include "cli/Json.h"
#include "cli/ModelNotes.h"
#include "cli/ModelOptions.h"
#include "cli/Progress.h"
#include "cli/RunControl.h"
#include "cli/StepsFrom.h"
#include "evaluation/DistributionColumns.h"
#include "numeric/Format.h"
#include "platform/qt/render/PlotFiles.h"

namespace corvane::cli {

namespace {

// The minimiser's progress inside a point, with the point it belongs to:
// "Profile: point 3 of 25 (x = 1.2345E+00), Simplex best 347.58, 1234 calls, ...".
class ProfileReporter : public MinimiserObserver {
public:
    explicit ProfileReporter(ProgressReporter& reporter) : reporter_(reporter) {}

    void Point(const ProfilePointStart& s) {
        position_ = "Profile: point " + NumberText(s.point) + " of " + NumberText(s.points) +
                    " (x = " + Format(s.value, "0.0000E+00") + ")";
        reporter_.Report(position_ + timeLeft_, calls_, "calls");
    }
    void Done(const ProfilePointDone& d) {
        calls_ = d.calls;
        timeLeft_ = ", " + ProfileTimeText(d.secondsLeft);
        reporter_.Report(position_ + " done" + timeLeft_, calls_, "calls");
    }
    void Progress(const MinimiserProgress& p) override {
        char best[32];
        std::snprintf(best, sizeof best, "%.10g", p.best);
        reporter_.Report(position_ + ", " + p.method + " best " + best + timeLeft_, calls_ + p.functionCalls,
                         "calls");
    }

private:
    ProgressReporter& reporter_;
    std::string position_ = "Profile";
    std::string timeLeft_;
    long long calls_ = 0;
};

Json Number(double v) { return std::isfinite(v) ? Json(v) : Json(nullptr); }

class Profile : public Command {
    ModelOptions model;
    std::optional<long long> parameter;
    std::optional<long long> points;
    std::optional<double> step;
    std::optional<bool> marquardt;
    std::optional<std::string> save;
    std::optional<std::string> plots;
    std::optional<std::string> csv;
    StepsFromOptions stepsFrom;
    bool json = false;

    void Declare(Options& o) override {
        o.Usage(
            "corvane-cli profile --increments FILE and/or --frequencies FILE --alg FILE\n"
            "                           --parameter N [--points M] [--step H | --steps-from FILE.cov\n"
            "                           [--steps-grid G]] [--method simplex|marquardt]\n"
            "                           [--save FILE.mlc] [--plots DIR] [--csv FILE] [--json]\n"
            "                           [model options]\n\n"
            "The likelihood profile of parameter N: it is held in turn at M equally spaced values\n"
            "x_i = v + (i - (M + 1) / 2) H around its value v in the algorithm file, the objective is\n"
            "minimised over every other free parameter at each value (each minimisation starting from\n"
            "the previous one's optimum), and -ln[L] = c x objective (priors included) becomes the\n"
            "confidence distribution.  Prints the data text \"Maximum-likelihood confidence\n"
            "distribution data\" (or, with --json, one JSON object); --save writes it as the desktop's\n"
            "\"&Save maximum-likelihood data as...\" does, --plots draws the seven distribution plots,\n"
            "--csv writes the columns as CSV (point, value, neg_ln_l, pdf, ci_mode, ci_mean, normal_pdf).\n"
            "Standard error shows the progress (point, time left, calls) and the answer taken to\n"
            "every question.");
        o.Group("Profile options");
        o.Whole("--parameter", parameter, 1, 32767, "N", "the parameter to profile (its step must not be 0)");
        o.Whole("--points", points, 0, kMaxProfilePoints, "M",
                "profile points (default 25); 0 gives 25, 1 or 2 give 3,\nan even count the next odd one");
        o.Number("--step", step, "H", "the spacing of the points (default: the parameter's step\nin the algorithm file)");
        o.Choice<bool>("--method", marquardt, {{"simplex", false}, {"marquardt", true}},
                       "the minimiser at each point (default simplex; Marquardt\nwith numerical derivatives)");
        stepsFrom.Declare(o);
        o.Text("--save", save, "FILE.mlc", "write the data text as a maximum-likelihood file");
        o.Text("--plots", plots, "DIR", "write the seven distribution plots as PNG and SVG into DIR,\neach with a CSV of its numbers");
        o.Text("--csv", csv, "FILE", "write the distribution columns as CSV (full precision)");
        o.Flag("--json", json, "print one JSON object instead of the data text");
        model.Declare(o);
        o.Footer(
            "Exit status 0 when every point reached a verified minimum.  An interrupt (Ctrl-C or\n"
            "SIGTERM) quits the profile with the points finished so far, which are printed when there\n"
            "are three or more and saved to FILE.partial (the plots into DIR.partial), never to FILE;\n"
            "a point whose minimisation stopped without a verified minimum (the function-call limit\n"
            "stops it) keeps the best point reached.  Either exits with 1.  Bad input exits with 2\n"
            "and prints nothing on standard output.");
    }

    void Check(Options& o) override {
        if (!parameter && !o.Given("--parameter")) o.Refuse("option --parameter N is required");
        if (step && *step == 0.0) o.Refuse("option --step needs a number other than 0");
        if (step && stepsFrom.file) o.Refuse("options --step and --steps-from both set the step; give one");
        stepsFrom.Check(o);
        if (plots) {
            std::error_code ec;
            if (std::filesystem::exists(*plots, ec) && !std::filesystem::is_directory(*plots, ec))
                o.Refuse("option --plots names a file, not a directory");
        }
    }

    void Files(FileRoles& files) const override {
        model.Inputs(files);
        files.Output("--save", save);
        files.Output("--csv", csv);
    }

    int Run(std::ostream& out, std::ostream& err) override;
};

int Profile::Run(std::ostream& out, std::ostream& err) {
    auto session = OpenModelSession(model, err);
    Workbench& wb = session->wb;
    AlgorithmData& a = wb.alg;
    ConsoleDialogs& dialogs = session->ports.dialogs;
    const int p = static_cast<int>(*parameter);
    if (p > a.np)
        throw BadInput("--parameter " + NumberText(p) + " is beyond the model's " + NumberText(a.np) + " parameters");
    if (step) a.step[p] = *step;
    SetUpRun(a, wb.engine);  // a fused follower's step becomes 0 here
    if (a.step[p] == 0.0) {
        wb.ports.dialogs.MessageBox(profile_text::Title, profile_text::ZeroStep, Buttons::OK, Icon::Exclamation);
        throw BadInput(a.fuse[p] != kUnfused
                           ? "parameter " + NumberText(p) + " follows its fuse group; only the group's lowest-"
                                                            "numbered parameter can be profiled"
                           : "give --step H, or a non-zero step for parameter " + NumberText(p) +
                                 " in the algorithm file");
    }

    ProfileSettings settings;
    settings.parameter = p;
    settings.points = ProfilePointCount(static_cast<int>(points.value_or(kDefaultProfilePoints)));
    if (stepsFrom.file) {
        // As the desktop's grid answer: every free step spans 4 SE on each side.
        const GridStepsResult steps =
            StepsFromStandardErrors(a, stepsFrom.StandardErrors(wb), 8.0, settings.points);
        if (std::find(steps.changed.begin(), steps.changed.end(), p) == steps.changed.end())
            throw BadInput("option --steps-from: grid " + NumberText(stepsFrom.Grid()) + " of " + *stepsFrom.file +
                           " gives no standard error for parameter " + NumberText(p));
        for (int i : steps.withoutSE)
            err << MessagePrefix() << "--steps-from: no standard error for parameter " << i
                << " on grid " << stepsFrom.Grid() << "; its step is kept\n";
        err << MessagePrefix() << "steps from grid " << stepsFrom.Grid() << " of " << *stepsFrom.file << ":";
        for (int i : steps.changed) err << " " << i << " = " << Format(a.step[i], "0.0000E+00");
        err << "\n";
    }
    settings.minimiser = marquardt.value_or(false) ? ProfileMinimiser::Marquardt : ProfileMinimiser::Simplex;
    settings.derivativeKind = "N";

    GammaOverrideNote gamma;
    gamma.Check(session->model, a.value, err);

    dialogs.AnswerTitle("Simplex minimization", Answer::No, "a point stops at the function-call limit");
    dialogs.AnswerTitle("Simplex interrupt", Answer::Yes, "an interrupt signal quits the profile");
    dialogs.AnswerTitle("Marquardt interrupt", Answer::Yes, "an interrupt signal quits the profile");
    dialogs.AnswerTitle(profile_text::InterruptTitle, Answer::Yes, "an interrupt signal quits the profile");
    ProgressReporter reporter(err, ProgressReporter::TerminalOutput(), session->ports.clock);
    ProfileReporter progress(reporter);
    dialogs.beforeMessage = [&reporter] { reporter.Finish(); };
    // A signal is both the minimiser's Interrupt and the ML interrupt menu, so
    // that it is heard whether or not a point is being minimised.
    dialogs.onProcessEvents = [&wb] {
        if (!StopSignals::Take()) return;
        wb.engine.interruptRequested = true;
        wb.app.mlInterrupt = true;
    };
    wb.minimiserObserver = &progress;

    ProfileCallbacks callbacks;
    callbacks.pointStarted = [&](const ProfilePointStart& s) {
        progress.Point(s);
        dialogs.ProcessEvents();
    };
    callbacks.quit = [&] {
        if (!wb.app.mlInterrupt) return false;
        wb.app.mlInterrupt = false;
        return wb.ports.dialogs.MessageBox(profile_text::InterruptTitle, "Interrupt received.  Quit calculations?",
                                           Buttons::YesNo, Icon::Question) == Answer::Yes;
    };
    callbacks.pointDone = [&](const ProfilePointDone& d) { progress.Done(d); };

    ProfileResult result;
    bool stopped = false;
    {
        StopSignals signals;
        result = ComputeProfile(wb, settings, callbacks);
        stopped = StopSignals::Received();
    }
    reporter.Finish();
    wb.minimiserObserver = nullptr;
    dialogs.beforeMessage = nullptr;
    dialogs.onProcessEvents = nullptr;

    bool ok = !result.interrupted && result.distribution;
    std::string unverified;
    Json unverifiedPoints = Json::array();
    for (std::size_t k = 0; k < result.ends.size(); ++k) {
        const MinimiserEnd end = result.ends[k];
        if (end == MinimiserEnd::Converged || end == MinimiserEnd::NothingToDo) continue;
        unverified += (unverified.empty() ? "" : ", ") + NumberText(static_cast<long long>(k + 1)) + " (" +
                      ToString(end) + ")";
        unverifiedPoints.push_back(static_cast<long long>(k + 1));
        ok = false;
    }
    if (result.interrupted)
        err << MessagePrefix() << "interrupted: " << result.points << " of " << result.requested
            << " points were finished\n";
    if (!unverified.empty())
        err << MessagePrefix() << "points without a verified minimum (their best point is kept): " << unverified
            << "\n";
    if (!result.distribution) {
        err << MessagePrefix() << "fewer than 3 points: no distribution to show\n";
        WriteModelNotes(CollectModelNotes(session->model, session->model.Best().increments), err);
        return kExitFailed;
    }

    // A stopped run's pictures go beside the earlier ones, never over them.
    FilePlotPort files(plots ? ResultPath(*plots, stopped) : std::string());
    bool plotsFailed = false;
    if (plots) {
        files.onError = [&](const std::string& e) {
            err << MessagePrefix() << "plots: " << e << "\n";
            plotsFailed = true;
        };
        wb.plots = &files;
    }
    ShowProfileResults(wb, p, result.summary);  // the plots (with --plots) and the window's text
    if (plots && stopped && !plotsFailed) TellPartial(err, *plots);
    const ModelNotes notes = CollectModelNotes(session->model, session->model.Best().increments);
    const ProfileColumns& c = wb.profileColumns;
    // The JSON object is printed only once the file it tells of is written.
    std::string jsonText;
    if (json) {
        Json j;
        j["parameter"] = p;
        j["description"] = p <= a.description.size() ? a.description[p] : std::string();
        j["method"] = settings.minimiser == ProfileMinimiser::Simplex ? "simplex" : "marquardt";
        j["centre"] = Number(result.centre);
        j["step"] = Number(result.step);
        j["constant"] = Number(1.0 / wb.priorTable.reciprocalConstant);
        j["requested_points"] = result.requested;
        j["points"] = result.points;
        Json rows = Json::array();
        for (int i = 1; i <= c.m; ++i)
            rows.push_back({{"point", i},
                            {"value", Number(c.x[i])},
                            {"neg_ln_l", Number(c.negLnL[i])},
                            {"pdf", Number(c.pdf[i])},
                            {"ci_mode", Number(c.ciMode[i])},
                            {"ci_mean", Number(c.ciMean[i])},
                            {"normal_pdf", Number(c.normal[i])}});
        j["columns"] = std::move(rows);
        j["max_likelihood"] = Number(c.xML);
        j["expected_value"] = Number(result.summary.mean);
        j["estimated_diff"] = Number(result.summary.difference);
        j["percent_diff"] =
            result.summary.mean != 0.0 ? Number(100.0 * result.summary.difference / result.summary.mean) : Json();
        j["estimated_se"] = Number(result.summary.sd);
        j["calls"] = result.calls;
        j["outcome"] = result.interrupted ? "interrupted" : "complete";
        j["unverified_points"] = std::move(unverifiedPoints);
        AddWarnings(j, notes);
        for (const std::string& w : result.warnings) j["warnings"].push_back(w);
        jsonText = JsonText(j);
    } else {
        out << ForTerminal(wb.profileView.Area(1));
        out.flush();
    }
    for (const std::string& w : result.warnings) err << MessagePrefix() << "warning: " << w << "\n";
    WriteModelNotes(notes, err);

    bool saved = true;
    if (save) {
        dialogs.FileTitle(profile_text::SaveTitle, ResultPath(*save, stopped));
        saved = !SaveProfileData(wb).empty();  // a failure's message is out
        if (saved && stopped) TellPartial(err, *save);
    }
    if (csv) {
        const bool written = WriteCsvFile(ResultPath(*csv, stopped), ConfidenceDataCsv(c), err);
        if (written && stopped) TellPartial(err, *csv);
        saved = written && saved;
    }
    if (json && saved) {
        out << jsonText;
        out.flush();
    }
    if (plotsFailed || stopped) ok = false;
    return ok && saved ? kExitOk : kExitFailed;
}

const Register<Profile> profileCommand{
    "profile", "the likelihood profile of one parameter (\"&Maximium likelihood (ML) confidence distributions\")"};

}  // namespace

}  // namespace corvane::cli
