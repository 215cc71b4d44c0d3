// corvane-cli posterior and posterior-merge: the Bayesian posterior of one
// parameter as "&Bayesian posterior (BP) distributions" computes it, every
// question answered from an option, writing the same texts and files as the
// desktop; and the same run cut into shards that any batch scheduler can
// run side by side, merged into exactly the result of one run.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <fstream>
#include <functional>
#include <ostream>
#include <sstream>

#include "cli/ArrayShard.h"
#include "cli/Command.h"
#include "cli/CsvOutput.h"
#include "cli/Json.h"
#include "cli/ModelOptions.h"
#include "cli/Progress.h"
#include "cli/RunControl.h"
#include "cli/StepsFrom.h"
#include "engine/CovarianceConstant.h"
#include "evaluation/DistributionColumns.h"
#include "evaluation/Posterior.h"
#include "evaluation/PosteriorCommand.h"
#include "evaluation/PosteriorPart.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"
#include "platform/TextFile.h"
#include "platform/qt/render/PlotFiles.h"

namespace corvane::cli {

namespace {

constexpr int kDefaultSize = 25;

// --- what identifies a model set-up in a part ----------------------------------

// FNV-1a of a file's content: the same data wherever the file lies, and
// whether its lines end in CR LF or LF (a CR before a LF is left out).
std::string Fingerprint(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::uint64_t h = 14695981039346656037ULL;
    auto add = [&h](char c) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ULL;
    };
    bool pendingCR = false;
    char c;
    while (in.get(c)) {
        if (pendingCR && c != '\n') add('\r');
        pendingCR = c == '\r';
        if (!pendingCR) add(c);
    }
    if (pendingCR) add('\r');
    char text[24];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

// The set-up as the model took it: every setting written out, whether an
// option gave it or its default did, so that parts of one set-up match.
std::string SetupIdentity(const GrowthSettings& s) {
    std::string t = std::string("kind ") + s.kind;
    if (s.HasIncrements()) t += "; increments " + Fingerprint(s.incrementPath);
    if (s.HasFrequencies()) t += "; frequencies " + Fingerprint(s.frequencyPath);
    t += std::string("; increment errors ") + s.errors + "; edge " + s.edge;
    t += std::string("; age modes ") + (s.precise ? "precise" : s.gammaModes ? "gamma" : "gaussian");
    t += "; series " + NumberText(s.series) + "; identified " + NumberText(s.identified) + "; blended " +
         NumberText(s.blended) + "; ages " + NumberText(s.totalAges) + "; birth day " + NumberText(s.birthDay) +
         "; first cell " + NumberText(s.firstCell);
    char ages[96];
    std::snprintf(ages, sizeof ages, "; age1 %.17g; age difference %.17g", s.age1, s.ageDiff);
    return t + ages;
}

// "K/N" with 1 <= K <= N.
std::optional<std::pair<int, int>> ShardOption(const std::string& text) {
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos) return std::nullopt;
    const auto k = StrictInteger(text.substr(0, slash), 1, 1000000);
    const auto n = StrictInteger(text.substr(slash + 1), 1, 1000000);
    if (!k || !n || *k > *n) return std::nullopt;
    return std::make_pair(static_cast<int>(*k), static_cast<int>(*n));
}

// --- the outputs shared by a run and a merge ----------------------------------------

struct Outputs {
    std::optional<std::string> save;      // the .pos file
    std::optional<std::string> gridFile;  // the .grd file
    std::optional<std::string> plots;     // a directory for the pictures
    std::optional<std::string> csv;       // the distribution columns as CSV
    bool json = false;

    void Declare(Options& o, const std::string& saveHelp) {
        o.Text("--save", save, "FILE", saveHelp);
        o.Text("--grid-file", gridFile, "FILE",
               "with one integrated parameter: write the density grid to\nFILE as the desktop saves it (.grd)");
        o.Text("--plots", plots, "DIR",
               "write the seven distribution plots (and, with one integrated\nparameter, the bivariate density) "
               "into DIR as PNG and SVG, each with a CSV of its numbers");
        o.Text("--csv", csv, "FILE",
               "write the distribution columns as CSV (point, value, neg_ln_l,\npdf, ci_mode, ci_mean, "
               "normal_pdf; full precision)");
        o.Flag("--json", json, "print one JSON object (see the README) instead of the data text");
    }
    void Files(FileRoles& files) const {
        files.Output("--save", save);
        files.Output("--grid-file", gridFile);
        files.Output("--csv", csv);
    }
};

void AddPointColumns(Json& j, const PosteriorResult& r) {
    const ProfileColumns& c = r.columns;
    Json columns = Json::array();
    for (int i = 1; i <= c.m; ++i) {
        Json p;
        p["point"] = i;
        p["value"] = c.x[i];
        p["neg_ln_l"] = c.negLnL[i];
        p["pdf"] = c.pdf[i];
        p["ci_mode"] = c.ciMode[i];
        p["ci_mean"] = c.ciMean[i];
        p["normal_pdf"] = c.normal[i];
        columns.push_back(p);
    }
    j["columns"] = columns;
}

Json ResultJson(const PosteriorPlan& plan, const PosteriorResult& r) {
    Json j;
    j["parameter"] = plan.parameter;
    j["points"] = r.pointsKept;
    j["points_asked"] = plan.m;
    j["grid_points"] = plan.g;
    Json integrated = Json::array();
    for (int q = 1; q <= plan.k(); ++q) integrated.push_back(plan.integrated[q]);
    j["integrated"] = integrated;
    j["calls"] = r.calls;
    j["constant"] = 1.0 / plan.reciprocalConstant;
    if (plan.k() >= 1)
        j["reference"] = plan.reference;
    else
        j["reference"] = nullptr;
    j["outcome"] = r.interrupted ? "interrupted" : "complete";
    j["max_likelihood"] = r.columns.xML;
    j["expected_value"] = r.summary.mean;
    j["estimated_diff"] = r.summary.difference;
    if (r.summary.mean != 0.0)
        j["percent_diff"] = 100.0 * r.summary.difference / r.summary.mean;
    else
        j["percent_diff"] = nullptr;
    j["estimated_se"] = r.summary.sd;
    if (r.bivariate) {
        Json peak;
        peak["x"] = *r.bivariate->peakX;
        peak["y"] = *r.bivariate->peakY;
        peak["density"] = r.peak;
        j["peak"] = peak;
    }
    AddPointColumns(j, r);
    j["warnings"] = r.warnings;
    return j;
}

// Prints the data text (or the JSON object) and writes the requested files,
// as the desktop shows and saves them; a run stopped by a signal writes them
// to FILE.partial (the plots into DIR.partial).  The exit status.
// describe names the parameters on the plots' axes.
int WriteOutputs(std::ostream& out, std::ostream& err, ConsoleDialogs& dialogs, const Clock& clock,
                 const PosteriorPlan& plan, const PosteriorResult& result, const Outputs& o, bool stopped = false,
                 const std::function<std::string(int)>& describe = {}) {
    if (result.overflow) {
        err << MessagePrefix()
            << "some grid nodes are far more likely than the starting values, so the sums cannot be held: start "
               "from values nearer the minimum\n";
        return kExitFailed;
    }
    if (result.empty) {
        err << MessagePrefix() << EmptyPosteriorText() << "\n";
        return kExitFailed;
    }
    if (!result.shown) {
        err << MessagePrefix() << "fewer than 3 profile points were completed; there is nothing to show\n";
        return kExitFailed;
    }
    bool ok = true;
    if (result.interrupted) {
        err << MessagePrefix() << "interrupted: the first " << result.pointsKept << " of " << plan.m
            << " points are shown\n";
        ok = false;
    }
    if (stopped) ok = false;
    // The JSON object is printed only once the files it tells of are written.
    const std::string jsonText = o.json ? JsonText(ResultJson(plan, result)) : std::string();
    if (!o.json) {
        out << ForTerminal(PosteriorDataText(result));
        out.flush();
    }
    for (const std::string& w : result.warnings) err << MessagePrefix() << "warning: " << w << "\n";

    bool saved = true;
    if (o.plots) {
        FilePlotPort pictures(ResultPath(*o.plots, stopped));
        pictures.onError = [&](const std::string& problem) { err << MessagePrefix() << problem << "\n"; };
        const auto described = [&](int p) { return describe ? describe(p) : std::string(); };
        pictures.Show(DistributionPlotFor(result.columns, result.summary, plan.parameter, DistributionKind::Posterior,
                                          described(plan.parameter)));
        if (result.bivariate) {
            BivariatePlotData b = *result.bivariate;
            b.xDescription = described(b.xParameter);
            b.yDescription = described(b.yParameter);
            pictures.Show(b);
        }
        if (!pictures.Errors().empty()) saved = false;
        else if (stopped) TellPartial(err, *o.plots);
    }
    if (o.gridFile && result.bivariate) {
        dialogs.FileTitle("Save grid values in...", ResultPath(*o.gridFile, stopped));
        if (SaveGridFile(dialogs, clock, *result.bivariate).empty()) saved = false;  // its message is out
        else if (stopped) TellPartial(err, *o.gridFile);
    }
    if (o.save) {
        dialogs.FileTitle("Save Bayesian posterior values in...", ResultPath(*o.save, stopped));
        if (SaveTextResult(dialogs, PosteriorSaveRequest(clock), PosteriorDataText(result)).empty()) saved = false;
        else if (stopped) TellPartial(err, *o.save);
    }
    if (o.csv) {
        if (!WriteCsvFile(ResultPath(*o.csv, stopped), ConfidenceDataCsv(result.columns), err)) saved = false;
        else if (stopped) TellPartial(err, *o.csv);
    }
    if (o.json && saved) {
        out << jsonText;
        out.flush();
    }
    return ok && saved ? kExitOk : kExitFailed;
}

std::string Remaining(long long seconds) {
    return NumberText(seconds / 60) + ":" + (seconds % 60 < 10 ? "0" : "") + NumberText(seconds % 60);
}

// --- corvane-cli posterior --------------------------------------------------------------

class PosteriorCommandLine : public Command {
    ModelOptions model;
    std::optional<long long> parameter;
    std::optional<double> points, grid;
    std::optional<std::string> integrate, shard;
    Outputs outputs;
    StepsFromOptions stepsFrom;
    std::vector<int> integrated;          // --integrate, checked
    std::optional<std::pair<int, int>> shardOf;

    void Declare(Options& o) override {
        o.Usage(
            "corvane-cli posterior --increments FILE and/or --frequencies FILE --alg FILE\n"
            "                             --parameter N [model options] [posterior options]\n\n"
            "The Bayesian posterior of parameter N: N is set in turn to M values around its\n"
            "algorithm file value, M - 1 steps apart centred on it; at each the likelihood (priors\n"
            "included) is summed over a grid of G values of every integrated parameter (up to six),\n"
            "centred on its value, its step apart.  Prints the posterior's data text as the\n"
            "\"Bayesian statistics\" window shows it; standard error shows the progress.");
        o.Group("Posterior options");
        o.Whole("--parameter", parameter, 1, 32767, "N", "the parameter to evaluate (its step must not be 0)");
        o.Number("--points", points, "M",
                 "profile points, 1 to 1001 (default 25); below 3 becomes 3, an\neven number the next odd one");
        o.Text("--integrate", integrate, "I,J,...",
               "integrate exactly these parameters (at most six, each with a\n"
               "step not 0); every other parameter's step is 0 for the run.\n"
               "Default: every parameter with a step not 0, as the desktop");
        o.Number("--grid", grid, "G", "grid points per integrated parameter, as --points (default 25)");
        stepsFrom.Declare(o);
        outputs.Declare(o, "write the posterior file (.pos) to FILE as the desktop saves it;\n"
                           "with --shard, the shard's part file");
        o.Text("--shard", shard, "K/N|auto",
               "evaluate only the K-th of N equal slices of the grid's nodes and\n"
               "write them to the part file --save names; corvane-cli\n"
               "posterior-merge joins the N parts into the result of one run.\n"
               "auto: K and N from the SLURM array task this runs as\n"
               "(SLURM_ARRAY_TASK_ID, _MIN and _COUNT); refused outside one");
        model.Declare(o);
        o.Footer(
            "Exit status 0 for a finished posterior.  1 when it could not be shown (an interrupt\n"
            "before 3 points, sums too large to hold) or was cut short, or a file could not be\n"
            "written; 2 for bad input, with nothing on standard output.\n"
            "Ctrl-C or SIGTERM during the integration answers the desktop's interrupt question\n"
            "with \"quit\": every finished point is shown and saved to FILE.partial\n"
            "(the plots into DIR.partial), never to FILE; a shard writes no part.  A second one\n"
            "ends the program at once.");
    }

    void Check(Options& o) override {
        if (!parameter) o.Refuse("option --parameter N is needed");
        if (points && !AcceptedSize(*points)) o.Refuse("option --points needs a number from 1 to 1001");
        if (grid && !AcceptedSize(*grid)) o.Refuse("option --grid needs a number from 1 to 1001");
        stepsFrom.Check(o);
        if (integrate) {
            std::stringstream list(*integrate);
            std::string item;
            bool good = true;
            while (std::getline(list, item, ',')) {
                const auto v = StrictInteger(item, 1, 32767);
                if (!v) good = false;
                else integrated.push_back(static_cast<int>(*v));
            }
            if (!good || integrated.empty())
                o.Refuse("option --integrate needs parameter numbers separated by commas, not \"" + *integrate + "\"");
            else if (integrated.size() > static_cast<std::size_t>(kMaxIntegrated))
                o.Refuse("option --integrate: at most 6 parameters can be integrated");
        }
        if (shard) {
            if (*shard == "auto") {
                const ArrayShard task = ShardFromSlurmArray();
                shardOf = task.shard;
                if (!shardOf) o.Refuse(task.problem);
            } else {
                shardOf = ShardOption(*shard);
                if (!shardOf)
                    o.Refuse("option --shard needs K/N with 1 <= K <= N, or auto, not \"" + *shard + "\"");
            }
            if (!outputs.save) o.Refuse("option --shard needs --save PART for the part file");
            if (outputs.gridFile || outputs.plots || outputs.csv)
                o.Refuse("options --grid-file, --plots and --csv belong to the merge of the parts, not to one shard");
        }
    }

    void Files(FileRoles& files) const override {
        model.Inputs(files);
        outputs.Files(files);
    }

    int Run(std::ostream& out, std::ostream& err) override;
};

int PosteriorCommandLine::Run(std::ostream& out, std::ostream& err) {
    auto session = OpenModelSession(model, err);
    Workbench& wb = session->wb;
    AlgorithmData& a = wb.alg;
    ConsoleDialogs& dialogs = session->ports.dialogs;
    SetUpRun(a, wb.engine);

    const int p = static_cast<int>(*parameter);
    if (p > a.np) throw BadInput("option --parameter: the model has " + NumberText(a.np) + " parameters");
    if (a.step[p] == 0.0)
        throw BadInput("parameter " + NumberText(p) +
                       " has a step size of zero (a fused parameter after the first of its group has none)");
    // The covariance file belongs to the free parameters of the algorithm
    // file as it is, before --integrate freezes any of them.
    std::function<double(int)> standardErrors;
    if (stepsFrom.file) standardErrors = stepsFrom.StandardErrors(wb);
    if (integrate) {
        std::vector<int> seen;
        for (int i : integrated) {
            if (i > a.np) throw BadInput("option --integrate: the model has " + NumberText(a.np) + " parameters");
            if (i == p) throw BadInput("option --integrate names the evaluated parameter " + NumberText(p));
            if (std::find(seen.begin(), seen.end(), i) != seen.end())
                throw BadInput("option --integrate names parameter " + NumberText(i) + " twice");
            if (a.step[i] == 0.0) throw BadInput("option --integrate: parameter " + NumberText(i) + " has a step size of zero");
            seen.push_back(i);
        }
        // Only the listed parameters are integrated: every other step is 0 for the run.
        for (int i = 1; i <= a.np; ++i)
            if (i != p && std::find(seen.begin(), seen.end(), i) == seen.end()) a.step[i] = 0.0;
    }
    int others = 0;
    for (int i = 1; i <= a.np; ++i)
        if (i != p && a.step[i] != 0.0) ++others;
    if (others > kMaxIntegrated)
        throw BadInput("Too many free parameters - maximum is 6: " + NumberText(others) +
                       " parameters besides " + NumberText(p) + " have a step size; choose them with --integrate");
    const int m = *AcceptedSize(points.value_or(kDefaultSize));
    const int g = others == 0 ? 0 : *AcceptedSize(grid.value_or(kDefaultSize));
    if (others == 0 && grid) err << MessagePrefix() << "no parameter is integrated, so --grid is not used\n";
    if (outputs.gridFile && others != 1)
        throw BadInput("option --grid-file needs exactly one integrated parameter (there are " + NumberText(others) + ")");
    if (standardErrors) {
        // As the desktop's grid answer: the profile spans 4 SE and each grid
        // 3.5 SE on each side.
        if (!StepsFromCovarianceGrid(a, p, m, g, standardErrors))
            throw BadInput("option --steps-from: grid " + NumberText(stepsFrom.Grid()) + " of " + *stepsFrom.file +
                           " lacks the standard error of a parameter evaluated or integrated");
        err << MessagePrefix() << "steps from grid " << stepsFrom.Grid() << " of " << *stepsFrom.file << ":";
        for (int i = 1; i <= a.np; ++i)
            if (a.step[i] != 0.0) err << " " << i << " = " << Format(a.step[i], "0.0000E+00");
        err << "\n";
    }
    const long long calls = RequiredCalls(m, g, others);
    if (calls > kMaxPosteriorCalls)
        throw BadInput("the required number of function calls exceeds the maximum allowed of " +
                       NumberText(kMaxPosteriorCalls) + "; reduce the number of integrated parameters or --grid");

    const double v = a.value[p], h = a.step[p];
    a.step[p] = 0.0;
    SetUpRun(a, wb.engine);
    PosteriorPlan plan = PlanPosterior(wb, p, v, h, m, g);
    if (wb.dataCount > 0) {
        const auto r = DerivedReciprocalConstant(wb, plan, wb.engine.nfree + 1);
        if (!r) {
            RefuseNonPositiveConstant(wb);
            throw BadInput("");
        }
        wb.priorTable.reciprocalConstant = plan.reciprocalConstant = *r;
    }
    if (plan.k() >= 1) {
        plan.reference = EvaluateReference(wb, plan);
        if (!std::isfinite(plan.reference)) {
            err << MessagePrefix() << "the objective could not be computed at the algorithm file's values\n";
            return kExitFailed;
        }
    }

    BlockRange range{0, plan.Blocks()};
    if (shardOf) range = ShardBlocks(plan.Blocks(), shardOf->first, shardOf->second);
    const std::string label =
        shardOf ? "Posterior shard " + NumberText(shardOf->first) + " of " + NumberText(shardOf->second) + ": "
                : std::string("Posterior: ");
    ProgressReporter reporter(err, ProgressReporter::TerminalOutput(), session->ports.clock);
    dialogs.beforeMessage = [&reporter] { reporter.Finish(); };
    PosteriorCallbacks callbacks;
    callbacks.progress = [&](const PosteriorProgress& pr) {
        if (StopSignals::Take()) {
            reporter.Finish();
            err << MessagePrefix() << "interrupt at point " << pr.point << " of " << plan.m << ": quit\n";
            return PosteriorReply::Quit;
        }
        reporter.Report(label + "point " + NumberText(pr.point) + " of " + NumberText(plan.m) + ", about " +
                            Remaining(pr.secondsLeft) + " left",
                        pr.callsDone, "calls");
        return PosteriorReply::Continue;
    };
    PosteriorBlocks blocks;
    bool stopped = false;
    {
        StopSignals signals;
        blocks = shardOf ? ComputePosteriorBlocks(wb, plan, range.first, range.count, callbacks)
                         : ComputePosterior(wb, plan, callbacks);
        stopped = StopSignals::Received();
    }
    reporter.Finish();
    dialogs.beforeMessage = nullptr;
    a.value[p] = v;
    a.step[p] = h;

    if (shardOf) {
        if (blocks.interrupted || stopped) {
            err << MessagePrefix() << "the shard was interrupted: no part file is written\n";
            return kExitFailed;
        }
        const PosteriorPart part =
            MakePosteriorPart(plan, a, blocks, SetupIdentity(session->model.Settings()), PriorsIdentity(wb), shardOf->first, shardOf->second);
        if (const WriteResult r = WriteFileSafely(*outputs.save, PosteriorPartText(part)); !r) {
            err << MessagePrefix() << WriteFailureText(*outputs.save, r) << "; the part file is not written\n";
            return kExitFailed;
        }
        if (outputs.json) {
            Json j;
            j["shard"] = shardOf->first;
            j["shards"] = shardOf->second;
            j["first_block"] = part.firstBlock;
            j["blocks"] = part.blockCount;
            j["total_blocks"] = part.totalBlocks;
            j["calls"] = part.calls;
            j["part"] = *outputs.save;
            WriteJson(out, j);
        }
        err << MessagePrefix() << "shard " << shardOf->first << " of " << shardOf->second << ": blocks "
            << part.firstBlock + 1 << " to " << part.firstBlock + part.blockCount << " of " << part.totalBlocks << " ("
            << part.calls << " calls) written to " << *outputs.save << "\n";
        return kExitOk;
    }
    const PosteriorResult result = AssemblePosterior(plan, blocks);
    return WriteOutputs(out, err, dialogs, session->ports.clock, plan, result, outputs, stopped,
                        [&a](int p) { return DescriptionOf(a, p); });
}

const Register<PosteriorCommandLine> posterior{
    "posterior", "the Bayesian posterior of one parameter by grid integration (\"&Bayesian posterior (BP) distributions\")"};

// --- corvane-cli posterior-merge --------------------------------------------------------

class PosteriorMergeCommandLine : public Command {
    std::vector<std::string> partFiles;
    Outputs outputs;

    void Declare(Options& o) override {
        o.Usage(
            "corvane-cli posterior-merge PART1 PART2 ... [merge options]\n\n"
            "Joins the part files written by \"corvane-cli posterior ... --shard K/N --save PART\"\n"
            "(every K from 1 to N once, in any order) into the posterior of the one run they\n"
            "share, and prints and writes exactly what that run would, bit for bit.  Parts of\n"
            "different runs (another model set-up, other values, steps, priors, constant or\n"
            "sizes) are refused, naming the part.");
        o.Positional(partFiles);
        o.Group("Merge options");
        outputs.Declare(o, "write the posterior file (.pos) to FILE as the desktop saves it");
        o.Footer(
            "Exit status 0 when the merged posterior is shown, 1 when it cannot be or a file\n"
            "could not be written, 2 for a missing, repeated, damaged or foreign part.");
    }

    void Check(Options& o) override {
        if (partFiles.empty()) o.Refuse("name the part files to merge");
    }

    void Files(FileRoles& files) const override {
        for (const auto& part : partFiles) files.Input("the part file " + part, part);
        outputs.Files(files);
    }

    int Run(std::ostream& out, std::ostream& err) override {
        std::vector<std::pair<std::string, PosteriorPart>> parts;
        for (const auto& path : partFiles) {
            std::ifstream in;
            if (const auto why = OpenTextFile(path, in))
                throw BadInput("the part " + path + " cannot be read: it " + *why);
            PosteriorPartRead read = ReadPosteriorPart(in);
            if (!read.part) throw BadInput("the part " + path + " is refused: " + read.error);
            parts.emplace_back(path, std::move(*read.part));
        }
        const PosteriorMerge merged = MergePosteriorParts(parts);
        if (!merged.plan) throw BadInput(merged.error);
        const PosteriorPlan& plan = *merged.plan;
        if (outputs.gridFile && plan.k() != 1)
            throw BadInput("option --grid-file needs exactly one integrated parameter (there are " +
                           NumberText(plan.k()) + ")");
        const PosteriorResult result = AssemblePosterior(plan, merged.sums, merged.terms, merged.calls);
        ConsolePorts ports(err);
        const Vec1<std::string>& descriptions = merged.descriptions;
        return WriteOutputs(out, err, ports.dialogs, ports.clock, plan, result, outputs, false, [&](int p) {
            return p >= 1 && p <= descriptions.size() ? descriptions[p] : std::string();
        });
    }
};

const Register<PosteriorMergeCommandLine> posteriorMerge{
    "posterior-merge", "join the part files of a sharded posterior into the result of one run"};

}  // namespace

}  // namespace corvane::cli
