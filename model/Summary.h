#pragma once
// The growth model's results report (MODEL with NF = -1), built without a
// toolkit: the description of the model and the analysis, the settings, the
// -2ln[L] minimum with its AICc, every parameter, the age-class details, the
// frequency and increment tables and the chi-square diagnostics.
//
// The report asks questions on its way (how many simulations, details up to
// which age-class, which tables); it asks them through SummaryQuestions, which
// the desktop answers with dialogues and the command line from its options.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "model/ChiSquare.h"
#include "model/GrowthData.h"
#include "model/GrowthModel.h"
#include "model/GrowthSettings.h"
#include "model/IncrementDiagnostics.h"
#include "numeric/OneBased.h"

namespace corvane {

class SummaryQuestions {
public:
    virtual ~SummaryQuestions() = default;
    // The number of simulations of every chi-square test (0 or more).
    virtual int Simulations() = 0;
    // The last age-class whose details are reported (0..totalAges); the
    // oldest is reported anyway.
    virtual int DetailsUpTo(int totalAges) = 0;
    virtual bool FrequencyTable(int series) = 0;
    virtual bool FrequencyChiSquare(int series) = 0;
    virtual bool IncrementTable() = 0;
    virtual bool IncrementChiSquare() = 0;
    // A chi-square test found an observed cell with nothing expected.
    virtual void VeryUnlikely(const std::string& title, const std::string& text) = 0;
    // Activity texts while the report is built ("" clears).
    virtual void Status(const std::string& text) = 0;
    // A chi-square test has run: its name ("frequency series 2", "increments,
    // Gaussian errors", ...) and its numbers, for a caller that reports them
    // apart from the text.
    virtual void ChiSquareDone(const std::string& /*test*/, const ChiSquareResult& /*result*/) {}
};

struct NamedChiSquare {
    std::string test;
    ChiSquareResult result;
};

// Fixed answers: the command line's, and the tests'.
class SummaryAnswers : public SummaryQuestions {
public:
    int simulations = 0;
    std::optional<int> details;  // unset: every age-class (the prompt's default)
    bool frequencyTables = true, frequencyChiSquare = true;
    bool incrementTable = true, incrementChiSquare = true;
    std::function<void(const std::string& title, const std::string& text)> onVeryUnlikely;
    std::function<void(const std::string& text)> onStatus;

    // What was asked, in order ("simulations", "details", "frequency table 1", ...).
    std::vector<std::string> asked;
    // Every chi-square test of the report, in report order.
    std::vector<NamedChiSquare> tests;

    int Simulations() override;
    int DetailsUpTo(int totalAges) override;
    bool FrequencyTable(int series) override;
    bool FrequencyChiSquare(int series) override;
    bool IncrementTable() override;
    bool IncrementChiSquare() override;
    void VeryUnlikely(const std::string& title, const std::string& text) override;
    void Status(const std::string& text) override;
    void ChiSquareDone(const std::string& test, const ChiSquareResult& result) override;
};

// Everything the report reads.
struct SummaryInput {
    const GrowthSettings* settings = nullptr;
    const GrowthData* data = nullptr;
    const BestFit* best = nullptr;
    Vec1<double> step;  // the algorithm data's step sizes: K counts those not 0
    Vec1<std::string> description;
    int parameters = 0;
    std::string algorithmFile;
    bool priorsInUse = false;
    std::string priorsFile;  // shown when priors are in use
    std::string warnings;    // lines that the evaluation at the best fit added
    std::uint64_t seed = 0;  // of the chi-square simulations
    int threads = 1;         // that share the simulations (the report does not depend on it)
    // The increment table at the best fit, when the caller has it already.
    const IncrementTable* increments = nullptr;
};

// Literature the report cites.
extern const char* const kAICcCitation;

// Number of free parameters: step sizes other than 0.
int FreeParameters(const Vec1<double>& step, int parameters);

// AICc = objective + 2 K n / (n - K - 1), or nullopt when n - K - 1 is not above 0.
std::optional<double> AICc(double objective, int K, long long n);

// The increment error distribution in effect at the best fit ('G' whenever b > 0).
char EffectiveErrors(const GrowthSettings& settings, const BestFit& best);

// The report.  Text is handed to append as it is written (a window shows it
// growing); the whole text is returned too.
std::string BuildSummary(const SummaryInput& input, SummaryQuestions& questions,
                         const std::function<void(const std::string&)>& append = {});

// The frequency table of one series with the expected frequencies of the
// reported age-classes.
std::string FrequencyTableText(const GrowthSettings& settings, const FrequencyData& data, const BestFit& best,
                               int series, const std::vector<int>& ageClasses);

// The same table as CSV (full precision): midpoint, observed_frequency,
// expected_frequency, cumulative_observed, cumulative_expected,
// absolute_co_ce, cell_neg_2_ln_l, expected_age_class_NN per age-class.
std::string FrequencyTableCsv(const GrowthSettings& settings, const FrequencyData& data, const BestFit& best,
                              int series, const std::vector<int>& ageClasses);

// The report's tables as CSV files, (file name, text): each series'
// frequency table as "frequencies_series_S.csv" (age-classes up to details,
// then the oldest) and the increment table as "increments.csv".
std::vector<std::pair<std::string, std::string>> SummaryCsvTables(const SummaryInput& input, int details);

// The age-classes reported: 1 up to the requested one, then the oldest.
std::vector<int> ReportedAgeClasses(int requested, int totalAges);

}  // namespace corvane
