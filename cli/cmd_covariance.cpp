// corvane-cli covariance: the covariances of the free parameters at the
// algorithm file's values, as "Single model &covariances" computes them,
// every question answered from an option; the report on standard output and,
// on request, the covariance file exactly as the desktop saves it.
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
#include "engine/CovarianceConstant.h"
#include "evaluation/CovarianceReport.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"

namespace corvane::cli {

namespace {

// "Covariances: grid 2, point 34 of 110, about 0:05 left"
std::string ProgressText(const CovarianceProgress& p) {
    const long long s = p.secondsLeft;
    return "Covariances: grid " + NumberText(p.grid) + ", point " + NumberText(p.call) + " of " +
           NumberText(p.callsPerGrid) + ", about " + NumberText(s / 60) + ":" + (s % 60 < 10 ? "0" : "") +
           NumberText(s % 60) + " left";
}

// "method", "constant", "optimistic" and "grids": per grid its factor, the
// mean and SD of -ln[L] on it (the report's c-scaled values), and, when it
// has a result, the determinant, the standard errors and the covariances of
// the free parameters by parameter number; null where it has none.
void AddCovariances(Json& j, const CovarianceResults& r) {
    j["method"] = r.method == CovarianceMethod::Analytical ? "analytical" : "numerical";
    j["constant"] = r.constant;
    j["optimistic"] = r.optimistic;
    Json grids = Json::array();
    for (int g = 1; g <= kGrids; ++g) {
        Json grid;
        grid["grid"] = g;
        grid["factor"] = r.factor[g];
        const bool valid = r.GridValid(g);
        const bool abandoned = r.outcome[g] == GridOutcome::Abandoned;
        grid["mean"] = abandoned ? Json() : Json(r.mean[g] * r.constant);
        grid["sd"] = abandoned ? Json() : Json(r.sd[g] * r.constant);
        grid["valid"] = valid;
        grid["not_positive_definite_at"] = r.outcome[g] == GridOutcome::NotPositiveDefinite ? Json(r.failedAt[g]) : Json();
        grid["determinant"] = valid ? Json(r.R[g](0, 0)) : Json();
        Json se = Json::array(), cov = Json::array();
        for (int k = 1; k <= r.p; ++k) {
            Json e;
            e["parameter"] = r.number[k];
            e["se"] = valid ? Json(r.StandardError(k, g)) : Json();
            se.push_back(e);
            Json row = Json::array();
            for (int l = 1; l <= r.p; ++l) row.push_back(valid ? Json(r.R[g](k, l)) : Json());
            cov.push_back(row);
        }
        grid["standard_errors"] = se;
        grid["covariance"] = cov;  // rows and columns in the order of standard_errors
        grids.push_back(grid);
    }
    j["grids"] = grids;
}

class CovarianceCommandLine : public Command {
    ModelOptions model;
    std::optional<bool> analytical;
    std::optional<std::string> gridFactors;
    bool optimistic = false;
    std::optional<std::string> save;
    std::optional<std::string> csv;
    std::optional<long long> csvGrid;
    bool json = false;
    Vec1<double> factors = DefaultGridFactors();

    void Declare(Options& o) override {
        o.Usage(
            "corvane-cli covariance --increments FILE and/or --frequencies FILE --alg FILE\n"
            "                              [model options] [covariance options]\n\n"
            "Computes the covariances of the parameters whose step size is not zero, at the\n"
            "algorithm file's values: from the objective on three grids around them, each grid\n"
            "the steps times its factor, or from the model's analytical second derivatives, and\n"
            "prints the covariance report.  A long run shows its progress on standard error.");
        o.Group("Covariance options");
        o.Choice<bool>("--method", analytical, {{"numerical", false}, {"analytical", true}},
                       "numerical grids, or the model's analytical derivatives\n(default numerical)");
        o.Text("--grid-factors", gridFactors, "A,B,C",
               "the three grid factors, each above 0 (default 1,0.1,0.01)");
        o.Flag("--optimistic", optimistic,
               "optimistic (conditional) SEs only: the diagonal of the\nHessian, no covariances");
        o.Text("--save", save, "FILE",
               "write the covariance file to FILE as the desktop saves it\n(CR LF line ends), for the ranking's "
               "averaging");
        o.Text("--csv", csv, "FILE",
               "write the standard errors of every grid and the covariance\nmatrix of one grid as CSV: a row per "
               "free parameter with\nparameter, value, se_grid_1..3, cov_N per free parameter N\n(NA where a grid "
               "has no result; full precision)");
        o.Whole("--csv-grid", csvGrid, 1, kGrids, "G",
                "the grid whose covariance matrix --csv writes (default: the\nfirst grid with a result)");
        o.Flag("--json", json,
               "print one JSON object instead of the report: the objective,\n"
               "the parameters, the constant and per grid its factor, mean,\n"
               "SD, determinant, standard errors and covariances (null\n"
               "where the grid has no result)");
        model.Declare(o);
        o.Footer(
            "Exit status 0 when at least one grid has a result, 1 when none has (every grid not\n"
            "positive-definite or quit), the run was interrupted or the file could not be saved; a\n"
            "grid without a result shows -1 in every column of the report and is explained on\n"
            "standard error.  Without any grid result --save never replaces an earlier file (a new\n"
            "one holds the -1s).  Bad input (nothing free, no constant to use) exits with 2 and prints\n"
            "nothing on standard output.\n"
            "Ctrl-C or SIGTERM during a numerical run quits the grid being calculated, as the\n"
            "desktop's Interrupt answered \"quit calculating this grid\"; the results are then\n"
            "saved to FILE.partial, never FILE.  A second one ends the program at once.");
    }

    void Check(Options& o) override {
        if (csvGrid && !csv) o.Refuse("option --csv-grid belongs to --csv");
        if (gridFactors) {
            if (analytical.value_or(false)) o.Refuse("option --grid-factors belongs to --method numerical");
            std::vector<std::string> parts;
            std::size_t start = 0;
            while (true) {
                const std::size_t comma = gridFactors->find(',', start);
                parts.push_back(gridFactors->substr(start, comma == std::string::npos ? std::string::npos
                                                                                       : comma - start));
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
            bool ok = parts.size() == 3;
            for (std::size_t g = 0; ok && g < parts.size(); ++g) {
                const auto v = StrictNumber(parts[g]);
                ok = v && std::isfinite(*v) && *v > 0.0;
                if (ok) factors[static_cast<int>(g) + 1] = *v;
            }
            if (!ok)
                o.Refuse("option --grid-factors needs three numbers above 0 separated by commas, not \"" +
                         *gridFactors + "\"");
        }
    }

    void Files(FileRoles& files) const override {
        model.Inputs(files);
        files.Output("--save", save);
        files.Output("--csv", csv);
    }

    // The constant the desktop's prompt offers by default.
    static std::optional<double> SuggestedConstant(const Workbench& wb, const CovariancePlan& plan) {
        const auto v = StrictNumber(ConstantPromptFor(ConstantQuestionFor(wb, plan.centre, plan.p)).defaultAnswer);
        if (!v || !(*v > 0.0)) return std::nullopt;
        return v;
    }

    static std::string WhyNoResult(const CovarianceResults& r, int g) {
        switch (r.outcome[g]) {
            case GridOutcome::Abandoned: return "quit after an interrupt";
            case GridOutcome::NotPositiveDefinite:
                return "the Hessian matrix is not positive-definite (the test failed at parameter # " +
                       NumberText(r.failedAt[g]) + ")";
            default: return "not calculated";
        }
    }

    int Run(std::ostream& out, std::ostream& err) override {
        auto session = OpenModelSession(model, err);
        Workbench& wb = session->wb;
        ConsoleDialogs& dialogs = session->ports.dialogs;
        // Refused before anything is evaluated: the grids of an analytical run
        // would hold whatever the model leaves in its derivative outputs.
        if (analytical.value_or(false) && !session->model.SuppliesAnalyticalDerivatives())
            throw BadInput("option --method analytical: the model (" + session->model.Title() +
                           ") supplies no analytical derivatives; use --method numerical");
        // Nothing free (once fuses are set up) is refused with the menu's message.
        if (!SetUpMinimisation(wb)) throw BadInput("");
        GammaOverrideNote gamma;
        gamma.Check(session->model, wb.alg.value, err);
        const CovariancePlan plan = PlanCovariances(wb, wb.alg.value, wb.alg.step);
        // How the likelihood used the data at the estimates, told at the end.
        const ModelNotes notes = CollectModelNotes(session->model, session->model.LastEvaluation().increments);
        const double incrementTwice = 2.0 * session->model.LastEvaluation().incrementNegLnL;
        const double frequencyTwice = 2.0 * session->model.LastEvaluation().frequencyNegLnL;
        if (!std::isfinite(plan.centre)) {
            WriteModelNotes(notes, err);
            err << MessagePrefix() << "the objective could not be computed at the algorithm file's values\n";
            return kExitFailed;
        }

        CovarianceSettings settings;
        settings.method = analytical.value_or(false) ? CovarianceMethod::Analytical : CovarianceMethod::Numerical;
        if (settings.method == CovarianceMethod::Numerical) settings.factors = factors;
        // --constant, else what the desktop's constant prompt offers.
        const auto c = model.constant ? model.constant : SuggestedConstant(wb, plan);
        if (!c) throw BadInput("the model suggests no covariance constant: give --constant C");
        settings.constant = *c;
        wb.priorTable.reciprocalConstant = 1.0 / *c;  // as the constant dialogue stores it
        settings.optimistic = optimistic;

        ProgressReporter progress(err, ProgressReporter::TerminalOutput(), session->ports.clock);
        dialogs.beforeMessage = [&progress] { progress.Finish(); };
        CovarianceCallbacks callbacks;
        callbacks.progress = [&](const CovarianceProgress& p) {
            if (StopSignals::Take()) {
                progress.Finish();
                err << MessagePrefix() << "grid " << p.grid << " quit after an interrupt\n";
                return GridReply::QuitGrid;
            }
            progress.Report(ProgressText(p), static_cast<long long>(p.grid - 1) * p.callsPerGrid + p.call, "points");
            return GridReply::Continue;
        };
        bool stopped = false;
        {
            StopSignals signals;
            wb.covariance = ComputeCovariances(wb, plan, settings, callbacks);
            stopped = StopSignals::Received();
        }
        progress.Finish();
        dialogs.beforeMessage = nullptr;

        const CovarianceResults& results = wb.covariance;
        const std::string report = CovarianceReportText(results);
        // The JSON object is printed only once the file it tells of is written.
        std::string jsonText;
        if (json) {
            Json j;
            AddObjective(j, results.centre, session->model, incrementTwice, frequencyTwice);
            AddParameters(j, wb, session->model);
            AddCovariances(j, results);
            AddWarnings(j, notes);
            jsonText = JsonText(j);
        } else {
            out << ForTerminal(report);
            out.flush();
        }

        WriteModelNotes(notes, err);
        bool explained = false;
        for (int g = 1; g <= kGrids; ++g) {
            if (results.GridValid(g)) continue;
            err << MessagePrefix() << "grid " << g << " has no result: " << WhyNoResult(results, g) << "\n";
            if (results.outcome[g] == GridOutcome::NotPositiveDefinite && !explained) {
                std::string why = ForTerminal(NotPositiveDefiniteText(results.failedAt[g]));
                while (!why.empty() && why.back() == '\n') why.pop_back();
                err << why << "\n";
                explained = true;
            }
        }
        const bool anyResult = results.ValidGrids() >= 1;
        bool saved = true;
        // Without any result an earlier file is never replaced; a new one
        // records the -1s of "no result", as the desktop saves it.
        std::error_code ec;
        const bool keepEarlier = !anyResult && save && std::filesystem::exists(*save, ec);
        if (!anyResult) {
            err << MessagePrefix() << "no grid has a result\n";
            if (keepEarlier) err << MessagePrefix() << "nothing was saved: " << *save << " is left as it was\n";
        }
        if (save && !keepEarlier) {
            dialogs.FileTitle("Save covariance data in...", ResultPath(*save, stopped));
            saved = !SaveCovarianceText(wb, report).empty();  // a failure's message is out
            if (saved && stopped) TellPartial(err, *save);
        }
        if (csv && !anyResult && std::filesystem::exists(*csv, ec)) {
            err << MessagePrefix() << "nothing was written to " << *csv << ": it is left as it was\n";
        } else if (csv) {
            int grid = static_cast<int>(csvGrid.value_or(0));
            for (int g = kGrids; g >= 1 && !csvGrid; --g)
                if (results.GridValid(g)) grid = g;
            if (grid == 0) grid = 1;
            const bool written = WriteCsvFile(ResultPath(*csv, stopped), CovarianceCsv(results, grid), err);
            if (written && stopped) TellPartial(err, *csv);
            saved = written && saved;
        }
        if (json && saved) {
            out << jsonText;
            out.flush();
        }
        if (stopped) err << MessagePrefix() << "the run was interrupted\n";
        return anyResult && saved && !stopped ? kExitOk : kExitFailed;
    }
};

const Register<CovarianceCommandLine> covariance{
    "covariance", "covariances of the estimates from three numerical grids or analytical derivatives "
                  "(\"Single model &covariances\")"};

}  // namespace

}  // namespace corvane::cli
