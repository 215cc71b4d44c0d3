#pragma once
// Model averaging: the estimates and standard errors each ranked model's
// covariance file holds, averaged with the models' Akaike weights.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "evaluation/Covariance.h"  // kGrids: the three covariance grids a file reports
#include "numeric/OneBased.h"

namespace corvane {

class Model;
struct RankingList;

// What averaging takes from one covariance file.
struct CovarianceEstimates {
    Vec1<double> value;  // 1..n
    Mat1<double> se;     // (1..n, 1..3); 0 where the file gives no standard error
    std::array<bool, kGrids> missing{};  // a grid with a -1 standard error
};

struct CovarianceReadResult {
    std::optional<CovarianceEstimates> estimates;
    std::string problem;  // why the text was refused (empty when read)
};

// Reads the text of a covariance file for a model of n parameters whose
// covariance run had k free parameters: the report's parameter lines (the
// value in the 14 characters after the " 001) " field) and its k
// standard-error lines (parameter number in characters 1-3, grid g in the
// 14 characters from 25 + 18 (g - 1)).  Any text may be given: a file that
// does not have this layout for n and k is refused, never half read.
CovarianceReadResult ReadCovarianceText(std::string_view text, int n, int k);

// The same for a file; a file that cannot be opened is refused too.
CovarianceReadResult ReadCovarianceFile(const std::string& path, int n, int k);

struct AveragingModel {
    double weight = 0.0;
    CovarianceEstimates estimates;
};

struct AveragingResult {
    Vec1<double> average;    // 1..n
    Mat1<double> averageSE;  // (1..n, 1..3); -1 for a grid missing in any model
    std::array<bool, kGrids> missing{};
    // One line for each estimate whose sign was changed because the model
    // uses the parameter as its absolute value.
    std::vector<std::string> notes;
};

// Weighted estimates and unconditional standard errors:
// SE = sum over models of w sqrt(C-hat SE^2 + (value - average)^2).
AveragingResult AverageEstimates(const std::vector<AveragingModel>& models, double cHat, int n);

// The averaging text shown in the ranking window and saved with the ranking.
std::string AveragingText(const AveragingResult& result);
// The averaged estimates as CSV: parameter, estimate, se_grid_1 .. se_grid_3
// (NA for a grid missing in any model, where the text shows -1).
std::string AveragingCsv(const AveragingResult& result);

struct AveragingOutcome {
    std::optional<AveragingResult> result;
    std::string title;    // the message box of a refusal
    std::string message;
    bool missing = false;  // refused because a covariance file is missing
};

// Averages a ranked list of at least two models over n parameters, reading
// each model's covariance file once, in rank order.  Each estimate is taken
// as the model uses it (model->ValueAsUsed; as read without a model), with a
// note when that changed its sign.  A model without a covariance file, or a
// file that does not fit (another parameter count, or values other than those
// of the algorithm file it is named after), refuses the whole run with a
// message naming the file.
AveragingOutcome AverageRankedModels(const RankingList& list, int n, const Model* model = nullptr);

inline constexpr const char* kCantAverageTitle = "Can't average models";
inline constexpr const char* kCovarianceMissing = "Sorry, the covariance file is missing for at least one ranked model";

}  // namespace corvane
