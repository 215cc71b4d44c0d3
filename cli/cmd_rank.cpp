// corvane-cli rank: competing models ranked by AICc (QAICc with a C-hat
// above 1) and, on request, their estimates averaged, as the ranking window
// does with "Calculate model AICc", "&Rank competing models" and "&Average
// across models".
#include <cmath>
#include <ostream>

#include "cli/Command.h"
#include "cli/CsvOutput.h"
#include "cli/Json.h"
#include "cli/ModelNotes.h"
#include "cli/ModelOptions.h"
#include "engine/CovarianceConstant.h"
#include "numeric/Format.h"
#include "ranking/ModelAveraging.h"
#include "ranking/ModelRanking.h"

namespace corvane::cli {

namespace {



// "undefined" and a -1 standard error are null for a script.
Json Maybe(const std::optional<double>& value) { return value ? Json(*value) : Json(nullptr); }

Json Count(double value) {
    if (std::floor(value) == value && std::fabs(value) < 9e15) return Json(static_cast<long long>(value));
    return Json(value);
}

Json ModelsJson(const RankingList& list, const std::vector<std::string>& paths) {
    Json models = Json::array();
    for (const auto& m : list.models) {
        Json entry;
        // The path as given; the list keeps the order of addition in the model number.
        entry["file"] = paths[static_cast<std::size_t>(m.modelNumber - 1)];
        entry["nll"] = m.negLnL;
        entry["k"] = m.k;
        entry["n"] = Count(m.sampleSize);
        entry["aicc"] = m.aicc;
        entry["qaicc"] = m.qaicc;
        entry["delta"] = Maybe(m.delta);
        entry["weight"] = Maybe(m.weight);
        entry["cov_file"] = m.HasCovarianceFile() ? Json(m.covariancePath) : Json(nullptr);
        models.push_back(std::move(entry));
    }
    return models;
}

// Where --csv puts the averaged estimates: beside the ranking, "_average"
// added to its name.
std::string AverageCsvPath(const std::string& path) {
    const bool csvName = path.size() >= 4 && (path.compare(path.size() - 4, 4, ".csv") == 0 ||
                                              path.compare(path.size() - 4, 4, ".CSV") == 0);
    return (csvName ? path.substr(0, path.size() - 4) : path) + "_average.csv";
}

Json AverageJson(const AveragingResult& r) {
    Json parameters = Json::array();
    for (int s = 1; s <= r.average.size(); ++s) {
        Json se = Json::array();
        for (int g = 1; g <= kGrids; ++g)
            se.push_back(r.missing[static_cast<std::size_t>(g - 1)] ? Json(nullptr) : Json(r.averageSE(s, g)));
        parameters.push_back({{"parameter", s}, {"estimate", r.average[s]}, {"se", std::move(se)}});
    }
    return parameters;
}

class Rank : public Command {
    ModelOptions model;
    std::vector<std::string> paths;
    std::optional<double> cHat;
    bool average = false;
    std::optional<std::string> save;
    std::optional<std::string> csv;
    bool asJson = false;

    void Declare(Options& o) override {
        o.Usage("corvane-cli rank --increments FILE and/or --frequencies FILE [model options]\n"
                "                        [--priors FILE] [--constant C]\n"
                "                        --model A.alg [--model B.alg ...] [--c-hat X] [--average]\n"
                "                        [--save FILE.mms] [--csv FILE.csv] [--json]\n\n"
                "Evaluates each model (its algorithm file) as \"Calculate model AICc\" does, ranks them by AICc,\n"
                "or by QAICc when C-hat is not 1, and prints the ranking table as the multi-model statistics\n"
                "file holds it.  A model's covariance file is the algorithm file's name with \".cov\" for\n"
                "\".alg\", in the algorithm file's folder.  The covariance constant (-ln[L] = c x objective) is\n"
                "--constant, else the model's suggestion.  With --priors the prior total is part of each\n"
                "model's objective.");
        o.Group("Ranking");
        o.Texts("--model", paths, "FILE",
                "a competing model's algorithm file; repeat for each model (at most 99),\n"
                "in the order they are added (the first wins a tie)");
        o.Number("--c-hat", cHat, "X", "overdispersion factor C-hat, 1 or more (default 1: AICc)");
        o.Flag("--average", average,
               "average the estimates and standard errors over the models with their\n"
               "Akaike weights, from their covariance files; print the averaging text");
        o.Text("--save", save, "FILE.mms", "write the multi-model statistics file");
        o.Text("--csv", csv, "FILE.csv",
               "write the ranking as CSV (model, nll, k, aicc, daicc, weight,\n"
               "algorithm_file, covariance_file, notes); with --average the\n"
               "averaged estimates too, into FILE_average.csv beside it\n"
               "(parameter, estimate, se_grid_1..3); full precision");
        o.Flag("--json", asJson,
               "print one JSON object instead: {\"models\": [...]} with file, nll, k, n,\n"
               "aicc, qaicc, delta, weight, cov_file, plus \"average\" with --average");
        model.Declare(o, false, true);
    }

    void Check(Options& o) override {
        if (paths.empty()) o.Refuse("at least one --model FILE is required");
        if (static_cast<int>(paths.size()) > kModelLimit)
            o.Refuse("no more than " + std::to_string(kModelLimit) + " models can be ranked");
        if (cHat && !(*cHat >= 1.0 && std::isfinite(*cHat)))
            o.Refuse("option --c-hat needs a number of 1 or more");
        if (average && paths.size() < 2) o.Refuse("option --average needs at least two models");
    }

    void Files(FileRoles& files) const override {
        model.Inputs(files);
        for (const auto& path : paths) {
            files.Input("the --model file " + path, path);
            // --average reads each model's covariance file.
            if (average) {
                const std::string cov = ResolveBeside(path, CovarianceFileNameFor(AfterLastSeparator(path)));
                files.Input("the covariance file " + cov + " that --average reads for " + path, cov);
            }
        }
        files.Output("--save", save);
        files.Output("--csv", csv);
        if (csv && average) files.Output("--csv (the averaged estimates)", AverageCsvPath(*csv));
    }

    int Run(std::ostream& out, std::ostream& err) override {
        auto session = OpenModelSession(model, err, false);
        Workbench& wb = session->wb;
        RankingList list;
        list.cHat = cHat.value_or(1.0);
        GammaOverrideNote gamma;
        for (const std::string& path : paths) {
            if (!ReadAlgorithmFile(wb, path)) throw BadInput("the algorithm file " + path + " could not be loaded");
            gamma.Check(session->model, wb.alg.value, err);
            CompetitorEvaluation evaluation = EvaluateCompetitor(wb);
            // How this model's evaluation used the data, and its warnings.
            err << MessagePrefix() << "model " << path << ":\n";
            WriteModelNotes(CollectModelNotes(session->model, session->model.LastEvaluation().increments), err);
            if (const auto problem = CriterionProblem(evaluation.objective, evaluation.k, evaluation.sampleSize))
                throw BadInput(path + ": " + *problem);
            // The constant is asked for the first model only; --constant answers it.
            if (list.Count() == 0 && !model.constant) {
                const double before = wb.priorTable.reciprocalConstant;
                AskCovarianceConstant(wb, ConstantQuestionFor(wb, evaluation.objective, evaluation.k));
                // Its prior total was scaled by the constant in force before.
                if (wb.engine.priorsInUse && wb.priorTable.reciprocalConstant != before)
                    evaluation = EvaluateCompetitor(wb);
            }
            AddCompetitor(list, MakeCompetitor(evaluation, wb.priorTable.reciprocalConstant, path,
                                               wb.priorTable.fileName, list.cHat));
        }
        if (const auto mismatch = DataMismatch(list.models)) throw BadInput(*mismatch);
        RankModels(list);

        std::optional<AveragingResult> averaged;
        std::optional<std::string> refusal;
        if (average) {
            AveragingOutcome outcome = AverageRankedModels(list, wb.alg.np, wb.model);
            if (outcome.result)
                averaged = std::move(outcome.result);
            else
                refusal = outcome.title + ": " + outcome.message;
        }
        // A refused averaging still leaves the ranking printed and saved.
        const std::string table = FormatRankingFile(list, averaged ? AveragingText(*averaged) : std::string());
        if (save)
            if (const WriteResult r = WriteFileSafely(*save, table); !r) {
                err << MessagePrefix() << WriteFailureText(*save, r) << "; nothing was saved\n";
                return kExitFailed;
            }
        if (csv) {
            if (!WriteCsvFile(*csv, RankingCsv(list), err)) return kExitFailed;
            if (averaged && !WriteCsvFile(AverageCsvPath(*csv), AveragingCsv(*averaged), err)) return kExitFailed;
        }
        if (asJson) {
            Json result;
            result["models"] = ModelsJson(list, paths);
            if (averaged) {
                result["average"] = AverageJson(*averaged);
                result["average_notes"] = averaged->notes;
            }
            WriteJson(out, result);
        } else {
            out << ForTerminal(table);
        }
        out.flush();
        if (averaged)
            for (const std::string& note : averaged->notes) err << MessagePrefix() << note << "\n";
        if (refusal) {
            err << MessagePrefix() << *refusal << "\n";
            return kExitBadInput;
        }
        return kExitOk;
    }
};

const Register<Rank> rank{"rank", "rank competing models by AICc or QAICc and average their estimates"};

}  // namespace

}  // namespace corvane::cli
