#pragma once
// Competing models ranked by AICc or QAICc: the model list, the criteria,
// ranking by repeated minimum with Akaike differences and weights, and the
// multi-model statistics file (.mms).
#include <optional>
#include <string>
#include <vector>

#include "numeric/OneBased.h"

namespace corvane {

class Workbench;

inline constexpr int kModelLimit = 99;
inline constexpr const char* kNoCovarianceFound = "No covariance file found";
inline constexpr const char* kNoSuchFile = "No such file exists";
inline constexpr const char* kNoPriors = "No Priors loaded";
inline constexpr const char* kUndefined = "undefined";

struct CompetingModel {
    double negLnL = 0.0;     // -ln[L] = c x objective
    int k = 0;               // parameters with a non-zero step when added
    double sampleSize = 0.0; // N as MODEL reported it when the model was added
    int modelNumber = 0;     // list position when added
    double aicc = 0.0;
    double qaicc = 0.0;
    // Differences and weights of the last ranking; nullopt shows "undefined".
    std::optional<double> delta;
    std::optional<double> weight;
    std::string algorithmFile;   // without its folder
    std::string algorithmPath;   // as loaded, for finding files beside it
    std::string covarianceFile;  // a name, or kNoCovarianceFound / kNoSuchFile
    std::string covariancePath;  // where that name was found; empty when it was not
    std::string covarianceSought;  // where it was looked for, to name a missing one
    // The values the model was evaluated at (fuses expanded, as given: what
    // its covariance file must hold) and the data it was evaluated on.
    Vec1<double> values;
    std::string dataIdentity;
    std::string priorsFile;      // without its folder, or kNoPriors
    std::string notes;

    bool HasCovarianceFile() const { return !covariancePath.empty(); }
};

enum class RankOrder { Random, Ranked };

struct RankingList {
    std::vector<CompetingModel> models;  // list order; models[r - 1] is row r
    double cHat = 1.0;                   // at least 1
    RankOrder order = RankOrder::Random;

    int Count() const { return static_cast<int>(models.size()); }
    // QAICc is the criterion in force whenever C-hat is not 1.
    bool Quasi() const { return cHat != 1.0; }
    double Criterion(const CompetingModel& m) const { return Quasi() ? m.qaicc : m.aicc; }
};

// 2 K N / (N - K - 1) + 2 (-ln[L]) / C-hat.  A model that reports no sample
// size (N = 0) gets no penalty term.
double InformationCriterion(double negLnL, int k, double sampleSize, double cHat = 1.0);

// Why the criterion of a model cannot be computed (nullopt when it can):
// N - K - 1 not above 0 while N is reported, or a -ln[L] that is no number.
std::optional<std::string> CriterionProblem(double negLnL, int k, double sampleSize);

// What "Calculate model AICc" evaluates: the objective at the current values
// (fuses expanded, prior total added while priors are in use), the sample
// size MODEL reports and the number of free parameters.  The algorithm data
// keep their values.
struct CompetitorEvaluation {
    double objective = 0.0;
    double sampleSize = 0.0;  // the data the likelihood used (skipped records left out)
    int k = 0;
    Vec1<double> values;       // fuses expanded, before the model read them
    std::string dataIdentity;  // Model::DataIdentity
};
CompetitorEvaluation EvaluateCompetitor(Workbench& wb);

// The covariance file named after an algorithm file: its name without the
// last four characters, then ".cov".
std::string CovarianceFileNameFor(const std::string& algorithmFile);
// A covariance file name given relative to the folder of the algorithm file
// it belongs to (a name with a folder of its own is kept).
std::string ResolveBeside(const std::string& algorithmPath, const std::string& name);
// True when the file can be opened for reading.
bool CanOpenForReading(const std::string& path);

// A new list entry for an evaluated model; reciprocalConstant is 1/c.  The
// covariance file is looked for beside the algorithm file.
CompetingModel MakeCompetitor(const CompetitorEvaluation& evaluation, double reciprocalConstant,
                              const std::string& algorithmPath, const std::string& priorsPath, double cHat);

// Why these models cannot be ranked together (nullopt when they can): AICc
// compares models of the same data only, so every model must have been
// evaluated on the same data and set-up and have used the same count N of
// records and frequencies (with %SE 0 increments <= 0 drop out of the
// likelihood, and such a model would win on the smaller N alone).  The
// message names each model's N.
std::optional<std::string> DataMismatch(const std::vector<CompetingModel>& models);

// Appends a model (numbered by its new position) and invalidates the ranking.
void AddCompetitor(RankingList& list, CompetingModel model);
// Removes row r (1-based) and invalidates the ranking.
void DeleteCompetitor(RankingList& list, int row);
// Every difference and weight "undefined", order "Random".
void InvalidateRanking(RankingList& list);
// A new C-hat (at least 1): the criterion in force is recomputed for every
// model and the ranking invalidated.
void SetCHat(RankingList& list, double cHat);

// Ranks by the criterion in force: repeated minimum, the earlier model
// winning ties, every model ranked whatever the sign of its value; then the
// differences and weights when there is more than one model.
void RankModels(RankingList& list);

// The multi-model statistics file, CR LF line ends; averagingText (empty
// when there is none) follows an empty line.
std::string FormatRankingFile(const RankingList& list, const std::string& averagingText);
// The ranking table as CSV, a row per model in rank order: model (its
// rank), nll, k, aicc and daicc (qaicc and dqaicc with C-hat above 1),
// weight, algorithm_file, covariance_file, notes.  NA where the table reads
// "undefined".  Full precision.
std::string RankingCsv(const RankingList& list);

}  // namespace corvane
