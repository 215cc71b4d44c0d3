#include "ranking/ModelAveraging.h"

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

#include "numeric/Csv.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"
#include "engine/Model.h"
#include "platform/TextFile.h"
#include "ranking/ModelRanking.h"

namespace corvane {

namespace {

constexpr const char* kSavedName = "Originally saved with the file name: ";
constexpr const char* kStandardErrorHeading = "Par#";
// Lines between the last parameter line and the first standard-error line.
constexpr int kLinesBeforeStandardErrors = 15;
// Far longer than any line of the layout; a longer one is cut and then
// fails the layout's checks.
constexpr std::size_t kLongestLine = 4096;

bool StartsWith(std::string_view text, std::string_view start) { return text.substr(0, start.size()) == start; }

// Characters 25-38, 43-56 and 61-74.
int StandardErrorColumn(int grid) { return 25 + 18 * (grid - 1); }

CovarianceReadResult Refuse(std::string problem) { return {std::nullopt, std::move(problem)}; }

// The covariance report writes each value with this picture.
constexpr const char* kValuePicture = "0.0000000E+00";
std::string ValueText(double v) { return Format(v, kValuePicture); }
// A value read from a covariance file is the algorithm file's when the report
// would have written that one as these very characters.
bool SameAsWritten(double algorithmValue, double read) { return ValueText(algorithmValue) == ValueText(read); }

// A whole field of the layout: a line cut short (a truncated file) must not
// pass a shortened number for the real one.
std::optional<double> FiniteNumber(std::string_view line, int first, int width) {
    if (line.size() < static_cast<std::size_t>(first - 1 + width)) return std::nullopt;
    const auto v = StrictNumber(Field(line, first, width));
    if (!v || !std::isfinite(*v)) return std::nullopt;
    return v;
}

CovarianceReadResult ReadLines(LineReader& reader, int n, int k) {
    if (n < 1) return Refuse("the model has no parameters");
    if (k < 0 || k > n) return Refuse("the model's number of estimated parameters is not between 0 and " + NumberText(n));
    std::string line;
    auto lineNo = [&] { return "line " + NumberText(reader.LinesRead()); };
    auto ended = [&](const std::string& what) { return Refuse("the file ends before " + what); };

    // Every save of the same report puts one more saved-name line and an
    // empty line in front; after them come the method title and an empty line.
    if (!reader.Next(line)) return Refuse("the file is empty");
    while (StartsWith(line, kSavedName)) {
        if (!reader.Next(line)) return ended("the report begins");
        if (!Trim(line).empty()) return Refuse(lineNo() + " should be empty after the saved file name");
        if (!reader.Next(line)) return ended("the report begins");
    }
    if (!reader.Next(line)) return ended("the parameter lines");

    CovarianceEstimates e;
    e.value.resize(n, 0.0);
    e.se.resize(n, kGrids, 0.0);
    for (int i = 1; i <= n; ++i) {
        if (!reader.Next(line)) return ended("the line of parameter " + NumberText(i) + " of " + NumberText(n));
        // " 001) ": the value follows in 14 characters (7-20 below parameter 1000).
        const std::string label = Format(i, " 000) ");
        if (!StartsWith(line, label))
            return Refuse(lineNo() + " should be the line of parameter " + NumberText(i) + " of " + NumberText(n) +
                          " (does the file belong to a model with another number of parameters?)");
        const auto value = FiniteNumber(line, static_cast<int>(label.size()) + 1, 14);
        if (!value) return Refuse(lineNo() + " holds no number for the value of parameter " + NumberText(i));
        e.value[i] = *value;
    }

    for (int j = 1; j <= kLinesBeforeStandardErrors; ++j) {
        if (!reader.Next(line)) return ended("its standard errors");
        if (j == 1 && !Trim(line).empty())
            return Refuse(lineNo() + " should be empty after the last parameter line: the file has more than " +
                          NumberText(n) + " parameters");
        if (j == kLinesBeforeStandardErrors && !StartsWith(line, kStandardErrorHeading))
            return Refuse(lineNo() + " should be the heading of the standard errors (\"Par#\")");
    }

    std::vector<bool> seen(static_cast<std::size_t>(n) + 1, false);
    for (int j = 1; j <= k; ++j) {
        if (!reader.Next(line) || Trim(line).empty())
            return Refuse("it has fewer than " + NumberText(k) + " standard-error lines, one for each of the model's " +
                          NumberText(k) + " estimated parameters");
        const auto p = StrictInteger(Field(line, 1, 3), 1, n);
        if (!p) return Refuse(lineNo() + " holds no parameter number between 1 and " + NumberText(n) + " in characters 1-3");
        const int s = static_cast<int>(*p);
        if (seen[static_cast<std::size_t>(s)])
            return Refuse(lineNo() + " gives the standard errors of parameter " + NumberText(s) + " a second time");
        seen[static_cast<std::size_t>(s)] = true;
        for (int g = 1; g <= kGrids; ++g) {
            const auto se = FiniteNumber(line, StandardErrorColumn(g), 14);
            if (!se)
                return Refuse(lineNo() + " holds no standard error of grid " + NumberText(g) + " in characters " +
                              NumberText(StandardErrorColumn(g)) + "-" + NumberText(StandardErrorColumn(g) + 13));
            // -1 marks a grid without a result; any other negative is damage.
            if (*se < 0.0 && *se != -1.0)
                return Refuse(lineNo() + " gives parameter " + NumberText(s) + " the negative standard error " +
                              NumberText(*se) + " on grid " + NumberText(g) + " (only -1, no result, may be negative)");
            e.se(s, g) = *se;
            if (*se == -1.0) e.missing[static_cast<std::size_t>(g - 1)] = true;
        }
    }
    // The probability section starts with an empty line.
    if (reader.Next(line) && !Trim(line).empty())
        return Refuse("it has more standard-error lines than the model's " + NumberText(k) + " estimated parameters");
    return {std::move(e), ""};
}

// What the reader found, unless the input proved not to be text: that is
// said first, whatever the layout's checks made of the lines before.
CovarianceReadResult ReadText(LineReader& reader, int n, int k) {
    CovarianceReadResult result = ReadLines(reader, n, k);
    if (!reader.NotText().empty()) return Refuse("it " + reader.NotText());
    return result;
}

}  // namespace

CovarianceReadResult ReadCovarianceText(std::string_view text, int n, int k) {
    std::istringstream in{std::string(text)};
    LineReader reader(in, kLongestLine);
    return ReadText(reader, n, k);
}

CovarianceReadResult ReadCovarianceFile(const std::string& path, int n, int k) {
    std::ifstream in;
    if (const auto why = OpenTextFile(path, in)) return Refuse("it " + *why);
    LineReader reader(in, kLongestLine);
    CovarianceReadResult result = ReadText(reader, n, k);
    if (result.estimates && in.bad()) return Refuse("it could not be read to its end");
    return result;
}

AveragingResult AverageEstimates(const std::vector<AveragingModel>& models, double cHat, int n) {
    AveragingResult r;
    r.average.resize(n, 0.0);
    r.averageSE.resize(n, kGrids, 0.0);
    for (const auto& m : models)
        for (int g = 0; g < kGrids; ++g) r.missing[static_cast<std::size_t>(g)] |= m.estimates.missing[static_cast<std::size_t>(g)];
    for (int s = 1; s <= n; ++s) {
        double average = 0.0;
        for (const auto& m : models) average += m.weight * m.estimates.value[s];
        r.average[s] = average;
        for (int g = 1; g <= kGrids; ++g) {
            if (r.missing[static_cast<std::size_t>(g - 1)]) {
                r.averageSE(s, g) = -1.0;
                continue;
            }
            double se = 0.0;
            for (const auto& m : models) {
                const double sq = m.estimates.se(s, g);
                const double d = m.estimates.value[s] - average;
                se += m.weight * std::sqrt(cHat * sq * sq + d * d);
            }
            r.averageSE(s, g) = se;
        }
    }
    return r;
}

std::string AveragingText(const AveragingResult& result) {
    std::string out;
    out += std::string("Parameter estimates and their SEs resulting from averaging across all ranked models.") + CRLF;
    out += std::string("Each model contributes to the reported averages according to its AIC Weight.") + CRLF;
    out += std::string("SEs will report a value of -1 if any model is missing an estimate for SE.") + CRLF;
    out += CRLF;
    out += std::string("Parameter_#  Parameter_Value") + "     SEs_Grid_#1     SEs_Grid_#2     SEs_Grid_#3" + CRLF;
    for (int s = 1; s <= result.average.size(); ++s) {
        out += RightJustify(Format(s, "##0"), 11) + " " + RightJustify(Format(result.average[s], "0.0000E+00"), 16);
        for (int g = 1; g <= kGrids; ++g) out += RightJustify(Format(result.averageSE(s, g), "0.0000E+00"), 16);
        out += CRLF;
    }
    if (!result.notes.empty()) {
        out += CRLF;
        for (const std::string& note : result.notes) out += note + CRLF;
    }
    return out;
}

std::string AveragingCsv(const AveragingResult& result) {
    CsvTable table({"parameter", "estimate", "se_grid_1", "se_grid_2", "se_grid_3"});
    for (int s = 1; s <= result.average.size(); ++s) {
        std::vector<double> row{static_cast<double>(s), result.average[s]};
        for (int g = 1; g <= kGrids; ++g)
            row.push_back(result.missing[static_cast<std::size_t>(g - 1)] ? std::numeric_limits<double>::quiet_NaN()
                                                                          : result.averageSE(s, g));
        table.AddRow(row);
    }
    return table.Text();
}

AveragingOutcome AverageRankedModels(const RankingList& list, int n, const Model* model) {
    AveragingOutcome outcome;
    outcome.title = kCantAverageTitle;
    std::string missing;
    for (const auto& m : list.models)
        if (!m.HasCovarianceFile())
            missing += "\n  " + (m.covarianceSought.empty() ? m.covarianceFile : m.covarianceSought) + " (model " +
                       m.algorithmFile + ")";
    if (!missing.empty()) {
        outcome.message = std::string(kCovarianceMissing) + ":" + missing;
        outcome.missing = true;
        return outcome;
    }
    for (const auto& m : list.models) {
        if (!m.weight) {
            outcome.message = "The models have no Akaike weights: rank them before averaging.";
            return outcome;
        }
    }
    std::vector<AveragingModel> models;
    std::vector<std::string> notes;
    models.reserve(list.models.size());
    for (const auto& m : list.models) {
        CovarianceReadResult read = ReadCovarianceFile(m.covariancePath, n, m.k);
        if (!read.estimates) {
            outcome.message = "The covariance file " + m.covariancePath + " of model " + m.algorithmFile +
                              " cannot be used for averaging: " + read.problem + ".";
            return outcome;
        }
        CovarianceEstimates& e = *read.estimates;
        // A covariance file of another fit (the algorithm file saved again
        // after it was written) would average estimates the model never had.
        if (m.values.size() == n) {
            for (int s = 1; s <= n; ++s) {
                if (SameAsWritten(m.values[s], e.value[s])) continue;
                outcome.message = "The covariance file " + m.covariancePath + " does not belong to model " +
                                  m.algorithmFile + ": it gives parameter " + NumberText(s) + " the value " +
                                  ValueText(e.value[s]) + " where the algorithm file has " + ValueText(m.values[s]) +
                                  ".  Compute the covariances of this fit again.";
                return outcome;
            }
        }
        if (model) {
            for (int s = 1; s <= n; ++s) {
                const double used = model->ValueAsUsed(s, e.value[s]);
                if ((used < 0.0) != (e.value[s] < 0.0))
                    notes.push_back("Note: model " + m.algorithmFile + " estimates parameter " + NumberText(s) + " at " +
                                    ValueText(e.value[s]) + "; the model uses it as " + ValueText(used) +
                                    ", and that is the value averaged.");
                e.value[s] = used;
            }
        }
        models.push_back({*m.weight, std::move(e)});
    }
    outcome.result = AverageEstimates(models, list.cHat, n);
    outcome.result->notes = std::move(notes);
    return outcome;
}

}  // namespace corvane
