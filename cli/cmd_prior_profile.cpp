// corvane-cli prior-profile: one parameter's prior distribution tabulated
// and summarised, as the priors editor's "&Profile prior distributions" does.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <ostream>

#include "cli/Command.h"
#include "cli/CsvOutput.h"
#include "cli/Json.h"
#include "cli/ModelOptions.h"
#include "evaluation/DistributionColumns.h"
#include "evaluation/LikelihoodProfile.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"
#include "platform/TextFile.h"
#include "platform/qt/render/PlotFiles.h"
#include "priors/PriorProfile.h"
#include "priors/PriorsFile.h"

namespace corvane::cli {

namespace {

Json Number(double v) { return std::isfinite(v) ? Json(v) : Json(nullptr); }

// The parameter count on the first line of a priors file.
int PriorsFileCount(const std::string& path) {
    std::ifstream in;
    if (const auto why = OpenTextFile(path, in))
        throw BadInput("the priors file " + path + " could not be opened: it " + *why);
    LineReader lines(in);
    std::string first;
    if (!lines.Next(first)) {
        if (!lines.NotText().empty()) throw BadInput("the priors file " + path + " " + lines.NotText());
        throw BadInput("the priors file " + path + " is empty");
    }
    const auto n = StrictInteger(first, 1, 32767);
    if (!n)
        throw BadInput("the priors file " + path + " does not start with its parameter count (\"" + Trim(first) +
                       "\")");
    return static_cast<int>(*n);
}

class PriorProfileCommand : public Command {
    ModelOptions model;
    std::optional<std::string> priors;
    std::optional<long long> parameter;
    std::optional<long long> points;
    std::optional<std::string> save;
    std::optional<std::string> plots;
    std::optional<std::string> csv;
    bool json = false;

    void Declare(Options& o) override {
        o.Usage(
            "corvane-cli prior-profile --priors FILE --parameter N [--points M] [--save FILE.pdp]\n"
            "                                 [--plots DIR] [--csv FILE] [--json] [model options]\n\n"
            "Tabulates the prior -ln[L] of parameter N over a range its prior type sets (a Gaussian's\n"
            "mean +- 5 SD, an exponential's 0 to 10 means, a beta's 0 to 1, ...), turns it into the\n"
            "distribution columns and prints the statistics text \"Bayesian prior distribution data\"\n"
            "(or, with --json, one JSON object).  --save writes it as the desktop's \"&Save Bayesian\n"
            "prior distribution data as...\" does; --plots draws the seven distribution plots; --csv\n"
            "writes the columns as CSV (point, value, neg_ln_l, pdf, cumulative, attenuated, normal_pdf).\n\n"
            "The parameter count is the model's when model options (a data file) are given, so the\n"
            "priors file must match the model; otherwise it is the count on the priors file's first\n"
            "line.  The prior -ln[L] is unscaled: no covariance constant enters.");
        o.Group("Prior profile options");
        o.Text("--priors", priors, "FILE", "the Bayesian priors file (.pri)");
        o.Whole("--parameter", parameter, 1, 32767, "N", "the parameter whose prior is profiled (not U)");
        o.Whole("--points", points, 0, kMaxProfilePoints, "M",
                "points (default 101); 0 gives 101, 1 or 2 give 3,\nan even count the next odd one");
        o.Text("--save", save, "FILE.pdp", "write the statistics text as a prior distribution file");
        o.Text("--plots", plots, "DIR", "write the seven distribution plots as PNG and SVG into DIR,\neach with a CSV of its numbers");
        o.Text("--csv", csv, "FILE", "write the distribution columns as CSV (full precision)");
        o.Flag("--json", json, "print one JSON object instead of the statistics text");
        model.Declare(o, false);
        o.Footer("Exit status 0 on success, 1 when a file could not be written, 2 on bad input (a\n"
                 "uniform-unbounded prior among them: it has nothing to plot).");
    }

    void Check(Options& o) override {
        if (!priors && !o.Given("--priors")) o.Refuse("option --priors FILE is required");
        if (!parameter && !o.Given("--parameter")) o.Refuse("option --parameter N is required");
        if (plots) {
            std::error_code ec;
            if (std::filesystem::exists(*plots, ec) && !std::filesystem::is_directory(*plots, ec))
                o.Refuse("option --plots names a file, not a directory");
        }
    }

    void Files(FileRoles& files) const override {
        model.Inputs(files);
        files.Input("--priors", priors);
        files.Output("--save", save);
        files.Output("--csv", csv);
    }

    int Run(std::ostream& out, std::ostream& err) override;
};

int PriorProfileCommand::Run(std::ostream& out, std::ostream& err) {
    const bool modelGiven = model.increments || model.frequencies;
    std::unique_ptr<ModelSession> session;
    if (modelGiven) {
        session = OpenModelSession(model, err, false);
    } else {
        session = std::make_unique<ModelSession>(err);
        session->wb.alg.np = PriorsFileCount(*priors);
    }
    Workbench& wb = session->wb;
    const int n = wb.alg.np;
    {
        std::ifstream in;
        if (const auto why = OpenTextFile(*priors, in))
            throw BadInput("the priors file " + *priors + " could not be opened: it " + *why);
        // A refused file has had its message written.
        if (!ReadPriorsFile(wb, *priors, in)) throw BadInput("");
    }
    const int p = static_cast<int>(*parameter);
    if (p > n)
        throw BadInput("--parameter " + NumberText(p) + " is beyond the " + NumberText(n) + " parameters of " +
                       (modelGiven ? std::string("the model") : "the priors file"));
    const PriorRow& row = wb.priorTable.rows[p];
    if (row.type == 'U') {
        wb.ports.dialogs.MessageBox(prior_profile_text::Title, prior_profile_text::NothingToPlot, Buttons::OK,
                                    Icon::Exclamation);
        throw BadInput("");
    }

    FilePlotPort files(plots.value_or(""));
    bool plotsFailed = false;
    if (plots) {
        files.onError = [&](const std::string& e) {
            err << MessagePrefix() << "plots: " << e << "\n";
            plotsFailed = true;
        };
        wb.plots = &files;
    }

    const int m = ProfilePointCount(static_cast<int>(points.value_or(kDefaultPriorPoints)), kDefaultPriorPoints);
    const PriorProfileResult result = ComputePriorProfile(row, p, m, wb.profileColumns);
    if (!result.computed) {
        err << MessagePrefix() << "the prior of parameter " << p << " has no finite -ln[L] on its range\n";
        return kExitFailed;
    }
    ShowPriorProfile(wb, result);

    const ProfileColumns& c = wb.profileColumns;
    // The JSON object is printed only once the file it tells of is written.
    std::string jsonText;
    if (json) {
        Json j;
        j["parameter"] = p;
        j["type"] = std::string(1, row.type);
        j["distribution"] = PriorTypeName(row.type);
        j["parameters_from"] = modelGiven ? "model" : "priors file";
        j["points"] = c.m;
        Json rows = Json::array();
        for (int i = 1; i <= c.m; ++i)
            rows.push_back({{"point", i},
                            {"value", Number(c.x[i])},
                            {"neg_ln_l", Number(c.negLnL[i])},
                            {"pdf", Number(c.pdf[i])},
                            {"cumulative", Number(c.cumulative[i])},
                            {"attenuated", Number(1.0 - c.cumulative[i])},
                            {"normal_pdf", Number(c.normal[i])}});
        j["columns"] = std::move(rows);
        j["max_likelihood"] = Number(c.xML);
        j["expected_value"] = Number(result.summary.mean);
        j["estimated_diff"] = Number(result.summary.difference);
        j["percent_diff"] =
            result.summary.mean != 0.0 ? Number(100.0 * result.summary.difference / result.summary.mean) : Json();
        j["estimated_se"] = Number(result.summary.sd);
        jsonText = JsonText(j);
    } else {
        out << ForTerminal(wb.priorProfileView.Area(1));
        out.flush();
    }

    bool ok = !plotsFailed;
    if (save) {
        session->ports.dialogs.FileTitle(prior_profile_text::SaveTitle, *save);
        if (SavePriorDistributions(wb).empty()) ok = false;  // its message is out
    }
    if (csv && !WriteCsvFile(*csv, PriorDistributionCsv(c), err)) ok = false;
    if (json && ok) {
        out << jsonText;
        out.flush();
    }
    return ok ? kExitOk : kExitFailed;
}

const Register<PriorProfileCommand> priorProfileCommand{
    "prior-profile", "one parameter's prior distribution tabulated (\"&Profile prior distributions\")"};

}  // namespace

}  // namespace corvane::cli
