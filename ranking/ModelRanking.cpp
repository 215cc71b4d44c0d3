#include "ranking/ModelRanking.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <numeric>

#include "engine/modCorvane.h"
#include "numeric/Csv.h"
#include "numeric/Format.h"

namespace corvane {

double InformationCriterion(double negLnL, int k, double sampleSize, double cHat) {
    const double n = sampleSize;
    const double penalty = n == 0.0 ? 0.0 : 2.0 * k * n / (n - k - 1.0);
    return penalty + 2.0 * negLnL / cHat;
}

std::optional<std::string> CriterionProblem(double negLnL, int k, double sampleSize) {
    if (!std::isfinite(negLnL))
        return std::string("The objective could not be computed at these parameter values (it is not a finite "
                           "number), so the model has no AICc.");
    if (sampleSize != 0.0 && sampleSize - k - 1.0 <= 0.0)
        return "AICc is undefined for this model: its sample size N = " + NumberText(sampleSize) +
               " leaves no degrees of freedom for its K = " + NumberText(k) +
               " estimated parameters (N - K - 1 must be above 0).";
    return std::nullopt;
}

CompetitorEvaluation EvaluateCompetitor(Workbench& wb) {
    SetUpRun(wb.alg, wb.engine);
    // A copy: what MODEL may rewrite must not reach the algorithm data.
    Vec1<double> values = wb.alg.value;
    ExpandFuses(values, wb.alg, wb.engine);
    CompetitorEvaluation e;
    e.values = values;
    e.objective = ObjectiveAt(wb, values, nf::Once);
    e.sampleSize = wb.modelOwnValue;
    e.k = wb.engine.nfree;
    e.dataIdentity = wb.model->DataIdentity();
    return e;
}

std::string CovarianceFileNameFor(const std::string& algorithmFile) {
    const std::string stem = algorithmFile.size() > 4 ? algorithmFile.substr(0, algorithmFile.size() - 4) : "";
    return stem + ".cov";
}

std::string ResolveBeside(const std::string& algorithmPath, const std::string& name) {
    namespace fs = std::filesystem;
    const fs::path own(name);
    if (own.has_root_path() || name.find_first_of("/\\") != std::string::npos) return name;
    const fs::path folder = fs::path(algorithmPath).parent_path();
    return folder.empty() ? name : (folder / own).string();
}

bool CanOpenForReading(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    return static_cast<bool>(in);
}

CompetingModel MakeCompetitor(const CompetitorEvaluation& evaluation, double reciprocalConstant,
                              const std::string& algorithmPath, const std::string& priorsPath, double cHat) {
    CompetingModel m;
    m.negLnL = evaluation.objective / reciprocalConstant;
    m.k = evaluation.k;
    m.sampleSize = evaluation.sampleSize;
    m.aicc = InformationCriterion(m.negLnL, m.k, m.sampleSize);
    m.qaicc = InformationCriterion(m.negLnL, m.k, m.sampleSize, cHat);
    m.algorithmPath = algorithmPath;
    m.algorithmFile = AfterLastSeparator(algorithmPath);
    m.covarianceFile = CovarianceFileNameFor(m.algorithmFile);
    m.values = evaluation.values;
    m.dataIdentity = evaluation.dataIdentity;
    const std::string path = ResolveBeside(algorithmPath, m.covarianceFile);
    m.covarianceSought = path;
    if (CanOpenForReading(path))
        m.covariancePath = path;
    else
        m.covarianceFile = kNoCovarianceFound;
    m.priorsFile = priorsPath.empty() ? std::string(kNoPriors) : AfterLastSeparator(priorsPath);
    return m;
}

std::optional<std::string> DataMismatch(const std::vector<CompetingModel>& models) {
    if (models.size() < 2) return std::nullopt;
    const CompetingModel& first = models.front();
    bool same = true;
    for (const auto& m : models) same = same && m.sampleSize == first.sampleSize && m.dataIdentity == first.dataIdentity;
    if (same) return std::nullopt;
    std::string text = "These models cannot be ranked together: AICc compares models fitted to the same data, and "
                       "these used different data (N counts the frequencies and increment records the likelihood "
                       "used; with %SE 0, increments <= 0 are left out):";
    int row = 0;
    for (const auto& m : models) {
        text += "\n  model " + NumberText(++row) + " (" + m.algorithmFile + "): N = " + NumberText(m.sampleSize);
        if (m.dataIdentity != first.dataIdentity) text += ", other data files or another set-up than model 1";
    }
    return text;
}

void InvalidateRanking(RankingList& list) {
    for (auto& m : list.models) {
        m.delta.reset();
        m.weight.reset();
    }
    list.order = RankOrder::Random;
}

void AddCompetitor(RankingList& list, CompetingModel model) {
    model.modelNumber = list.Count() + 1;
    list.models.push_back(std::move(model));
    InvalidateRanking(list);
}

void DeleteCompetitor(RankingList& list, int row) {
    if (row < 1 || row > list.Count()) return;
    list.models.erase(list.models.begin() + (row - 1));
    InvalidateRanking(list);
}

void SetCHat(RankingList& list, double cHat) {
    list.cHat = std::max(1.0, cHat);
    for (auto& m : list.models) {
        m.aicc = InformationCriterion(m.negLnL, m.k, m.sampleSize);
        m.qaicc = InformationCriterion(m.negLnL, m.k, m.sampleSize, list.cHat);
    }
    InvalidateRanking(list);
}

void RankModels(RankingList& list) {
    const int count = list.Count();
    // Repeated minimum over the models not yet taken; the strict comparison
    // lets the earlier model win a tie.
    std::vector<bool> taken(static_cast<std::size_t>(count), false);
    std::vector<CompetingModel> ranked;
    ranked.reserve(static_cast<std::size_t>(count));
    for (int r = 1; r <= count; ++r) {
        int best = -1;
        for (int q = 0; q < count; ++q) {
            if (taken[static_cast<std::size_t>(q)]) continue;
            if (best < 0 || list.Criterion(list.models[static_cast<std::size_t>(q)]) <
                                list.Criterion(list.models[static_cast<std::size_t>(best)]))
                best = q;
        }
        taken[static_cast<std::size_t>(best)] = true;
        ranked.push_back(std::move(list.models[static_cast<std::size_t>(best)]));
    }
    list.models = std::move(ranked);
    InvalidateRanking(list);
    if (count > 1) {
        const double best = list.Criterion(list.models.front());
        double sum = 0.0;
        for (auto& m : list.models) {
            m.delta = list.Criterion(m) - best;
            sum += std::exp(-0.5 * *m.delta);
        }
        for (auto& m : list.models) m.weight = std::exp(-0.5 * *m.delta) / sum;
    }
    list.order = RankOrder::Ranked;
}

std::string FormatRankingFile(const RankingList& list, const std::string& averagingText) {
    std::string out = RightJustify(Format(list.Count(), "####0"), 6) + " < Number of models ranked";
    if (list.Quasi()) out += "; C-hat for QAICc calculation: " + Format(list.cHat, "0.000");
    out += CRLF;
    out += list.Quasi()
               ? " Model     -nln[L] #Prms       QAICc      dQAICc     QAIC Wt                            Algorithm "
                 "file                           Covariance file  Notes>"
               : " Model     -nln[L] #Prms        AICc       dAICc      AIC Wt                            Algorithm "
                 "file                           Covariance file  Notes>";
    out += CRLF;
    int r = 0;
    for (const auto& m : list.models) {
        ++r;
        out += RightJustify(Format(r, "####0"), 6);
        out += RightJustify(Format(m.negLnL, "0.0000E+00"), 12);
        out += RightJustify(Format(m.k, "####0"), 6);
        out += RightJustify(Format(list.Criterion(m), "0.0000E+00"), 12);
        out += RightJustify(m.delta ? Format(*m.delta, "0.0000E+00") : std::string(kUndefined), 12);
        out += RightJustify(m.weight ? Format(*m.weight, "0.00000") : std::string(kUndefined), 12);
        out += RightJustify("  " + m.algorithmFile, 40);
        out += RightJustify("  " + m.covarianceFile, 40);
        out += "  " + m.notes;
        out += CRLF;
    }
    if (!averagingText.empty()) out += CRLF + averagingText;
    return out;
}

std::string RankingCsv(const RankingList& list) {
    const bool quasi = list.Quasi();
    CsvTable table({"model", "nll", "k", quasi ? "qaicc" : "aicc", quasi ? "dqaicc" : "daicc", "weight",
                    "algorithm_file", "covariance_file", "notes"});
    const double na = std::numeric_limits<double>::quiet_NaN();
    int r = 0;
    for (const auto& m : list.models) {
        ++r;
        table.AddFields({CsvNumber(r), CsvNumber(m.negLnL), CsvNumber(m.k), CsvNumber(list.Criterion(m)),
                         CsvNumber(m.delta.value_or(na)), CsvNumber(m.weight.value_or(na)), CsvText(m.algorithmFile),
                         CsvText(m.covarianceFile), CsvText(m.notes)});
    }
    return table.Text();
}

}  // namespace corvane
