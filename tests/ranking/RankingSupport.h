#pragma once
// Helpers of the ranking tests: a model that reports a sample size, list
// entries with chosen criteria, and covariance files in the report's layout.
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "numeric/Format.h"
#include "ranking/ModelRanking.h"
#include "support/TestModels.h"
#include "../model/GrowthTestSupport.h"

namespace corvane::testing {

// A function model that reports sampleSize through MODEL's last argument.
class SampleModel : public FunctionModel {
public:
    SampleModel(int np, Function f, double sampleSize) : FunctionModel(np, std::move(f)), sampleSize(sampleSize) {}
    void MODEL(double& F, Vec1<double>& X, Vec1<double>& step, Vec1<std::string>& description,
               Vec1<std::string>& fuse, int& NP, std::int32_t& NF, std::int32_t& dataCount, Vec1<double>& dF,
               Mat1<double>& d2F, double& own) override {
        FunctionModel::MODEL(F, X, step, description, fuse, NP, NF, dataCount, dF, d2F, own);
        if (NF > 0) own = sampleSize;
    }
    double sampleSize;
};

// Records of an increment file whose increment (third field) is not above 0,
// counted from the file itself.
inline int IncrementsNotAboveZero(const std::string& path) {
    std::istringstream in(ReadFile(path));
    std::string line;
    std::getline(in, line);  // the label line
    int count = 0;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string set, initial, increment;
        if (std::getline(fields, set, ',') && std::getline(fields, initial, ',') && std::getline(fields, increment, ','))
            count += std::stod(increment) <= 0.0;
    }
    return count;
}

// An entry whose -ln[L] gives the wanted AICc with N = 0 (no penalty).
inline CompetingModel WithAICc(double aicc, const std::string& name, int k = 2) {
    CompetitorEvaluation e;
    e.objective = aicc / 2.0;
    e.k = k;
    return MakeCompetitor(e, 1.0, "/nonexistent-folder/" + name, "", 1.0);
}

// One standard-error line: number in characters 1-3, grids at 25, 43, 61.
struct SELine {
    int parameter;
    double se1, se2, se3;
};

// The text of a covariance file saved once from an unedited report, with
// everything the reader skips filled as the report fills it.
inline std::string CovarianceText(const std::vector<double>& values, const std::vector<SELine>& ses,
                                  const std::string& path = "C:\\runs\\model.cov") {
    const std::string e = "\r\n";
    auto E = [](double v) { return Format(v, "0.0000000E+00"); };
    std::string t = "Originally saved with the file name: " + path + e + e;
    t += "Parameter values, step sizes, link codes, and definitions for numerically calculated covariances:" + e + e;
    for (std::size_t i = 0; i < values.size(); ++i)
        t += Format(static_cast<double>(i + 1), " 000) ") + RightJustify(E(values[i]), 14) + RightJustify(E(0.1), 16) +
             " " + RightJustify("~~", 3) + "  Parameter " + std::to_string(i + 1) + e;
    t += e + "Reliable numerical covariance results should be similar among three grids with quite different grid "
             "factors" + e;
    t += e + "Covariance constant: 0.5" + e + e;
    t += "                               Grid #1           Grid #2           Grid #3" + e + e;
    t += "Factors:              1) " + RightJustify(E(1), 13) + "  2) " + RightJustify(E(0.1), 13) + "  3) " +
         RightJustify(E(0.01), 13) + e;
    t += e + "Likelihood function value summary:" + e;
    t += "   Mean:            " + RightJustify(E(12.5), 18) + RightJustify(E(12.4), 18) + RightJustify(E(12.3), 18) + e;
    t += "   Std Dev:         " + RightJustify(E(2), 18) + RightJustify(E(0.2), 18) + RightJustify(E(0.02), 18) + e;
    t += "   Coef of Var:     " + RightJustify("0.1600000", 18) + RightJustify("0.0161290", 18) +
         RightJustify("0.0016260", 18) + e + e;
    t += "Par#                               Standard errors of the estimates" + e;
    for (const auto& s : ses)
        t += RightJustify(std::to_string(s.parameter), 3) + RightJustify(E(s.se1), 35) + RightJustify(E(s.se2), 18) +
             RightJustify(E(s.se3), 18) + e;
    t += e + "Par#               Probabilities that the estimates do not differ from 0, then 1" + e;
    for (const auto& s : ses)
        t += RightJustify(std::to_string(s.parameter), 3) + std::string(17, ' ') + "    0.0001  0.5000" + e;
    return t;
}

}  // namespace corvane::testing
