#include "model/Summary.h"

#include <algorithm>
#include <cmath>

#include "model/ChiSquare.h"
#include "model/GrowthParameters.h"
#include "model/ReportColumns.h"
#include "numeric/Csv.h"
#include "numeric/Format.h"

namespace corvane {

const char* const kAICcCitation = "Hurvich and Tsai 1989, Biometrika 76: 297-307";

int SummaryAnswers::Simulations() {
    asked.push_back("simulations");
    return simulations;
}

int SummaryAnswers::DetailsUpTo(int totalAges) {
    asked.push_back("details");
    return std::clamp(details.value_or(totalAges), 0, std::max(totalAges, 0));
}

bool SummaryAnswers::FrequencyTable(int series) {
    asked.push_back("frequency table " + NumberText(series));
    return frequencyTables;
}

bool SummaryAnswers::FrequencyChiSquare(int series) {
    asked.push_back("frequency chi-square " + NumberText(series));
    return frequencyChiSquare;
}

bool SummaryAnswers::IncrementTable() {
    asked.push_back("increment table");
    return incrementTable;
}

bool SummaryAnswers::IncrementChiSquare() {
    asked.push_back("increment chi-square");
    return incrementChiSquare;
}

void SummaryAnswers::VeryUnlikely(const std::string& title, const std::string& text) {
    if (onVeryUnlikely) onVeryUnlikely(title, text);
}

void SummaryAnswers::Status(const std::string& text) {
    if (onStatus) onStatus(text);
}

void SummaryAnswers::ChiSquareDone(const std::string& test, const ChiSquareResult& result) {
    tests.push_back({test, result});
}

int FreeParameters(const Vec1<double>& step, int parameters) {
    int K = 0;
    for (int i = 1; i <= std::min(parameters, step.size()); ++i)
        if (step[i] != 0.0) ++K;
    return K;
}

std::optional<double> AICc(double objective, int K, long long n) {
    const long long dof = n - K - 1;
    if (dof <= 0) return std::nullopt;
    return objective + 2.0 * K * static_cast<double>(n) / static_cast<double>(dof);
}

char EffectiveErrors(const GrowthSettings& settings, const BestFit& best) {
    if (best.values.size() >= 12 && best.values[12] > 0.0) return 'G';  // b > 0 forces gamma errors
    return settings.errors;
}

std::vector<int> ReportedAgeClasses(int requested, int totalAges) {
    std::vector<int> classes;
    for (int a = 1; a <= std::min(requested, totalAges); ++a) classes.push_back(a);
    if (totalAges > 0 && (classes.empty() || classes.back() != totalAges)) classes.push_back(totalAges);
    return classes;
}

namespace {

// The frequency table's numbers, a row per cell: midpoint, observed,
// expected, cumulative observed and expected, their absolute difference, the
// cell's -2ln[L], then the expected frequency of each reported age-class.
std::vector<std::vector<double>> FrequencyTableRows(const GrowthSettings& settings, const FrequencyData& data,
                                                    const BestFit& best, int series,
                                                    const std::vector<int>& ageClasses) {
    const FrequencyWorkspace& ws = best.frequencies;
    std::vector<std::vector<double>> rows;
    double cumulativeObserved = 0.0, cumulativeExpected = 0.0;
    for (int i = 1; i <= data.cells; ++i) {
        const double O = data.frequency(series, i), E = best.predicted(series, i);
        if (i >= settings.firstCell) {
            cumulativeObserved += O;
            cumulativeExpected += E;
        }
        const double cell = O > 0.0 && E > 1e-20 ? 2.0 * O * std::log(O / E) : 0.0;
        std::vector<double> row{data.midpoint[i], O, E, cumulativeObserved, cumulativeExpected,
                                std::fabs(cumulativeObserved - cumulativeExpected), cell};
        for (int a : ageClasses) row.push_back(ws.ClassFrequency(series, a, i, data.seriesTotal[series]));
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace

std::string FrequencyTableText(const GrowthSettings& settings, const FrequencyData& data, const BestFit& best,
                               int series, const std::vector<int>& ageClasses) {
    std::string out = "Size frequency results for series: " + NumberText(series) + CRLF;
    std::string classNames, expected;
    for (std::size_t k = 0; k < ageClasses.size(); ++k) {
        if (k > 0) classNames += ",";
        classNames += " AgeClass_" + Format(ageClasses[k], "00");
        expected += k + 1 < ageClasses.size() ? "   Expd Freq," : "   Expd Freq";
    }
    // The first line has a blank column over the cell's -2ln[L], as the two
    // below it do, so that the age-class names stand over their columns.
    out += "            ,           ,           , Cumulative, Cumulative,    Absolute,           ," + classNames + CRLF;
    out += "            ,   Observed,   Expected,   Observed,   Expected,    Value of,       Cell," + classNames + CRLF;
    out += "    Midpoint,  Frequency,  Frequency,       (CO),       (CE),       CO-CE,    -2ln[L]," + expected + CRLF;
    const char* pic = "#####0.00";
    for (const auto& row : FrequencyTableRows(settings, data, best, series, ageClasses)) {
        for (std::size_t k = 0; k < row.size(); ++k)
            out += (k > 0 ? "," : "") + Column(row[k], k == 6 ? "#####0.000" : pic, 12);
        out += CRLF;
    }
    return out;
}

std::string FrequencyTableCsv(const GrowthSettings& settings, const FrequencyData& data, const BestFit& best,
                              int series, const std::vector<int>& ageClasses) {
    std::vector<std::string> header{"midpoint",           "observed_frequency",  "expected_frequency",
                                    "cumulative_observed", "cumulative_expected", "absolute_co_ce",
                                    "cell_neg_2_ln_l"};
    for (int a : ageClasses) header.push_back("expected_age_class_" + Format(a, "00"));
    CsvTable table(header);
    for (const auto& row : FrequencyTableRows(settings, data, best, series, ageClasses)) table.AddRow(row);
    return table.Text();
}

std::vector<std::pair<std::string, std::string>> SummaryCsvTables(const SummaryInput& in, int details) {
    std::vector<std::pair<std::string, std::string>> files;
    const GrowthSettings& s = *in.settings;
    const BestFit& best = *in.best;
    if (s.HasFrequencies()) {
        const std::vector<int> classes = ReportedAgeClasses(details, s.totalAges);
        for (int series = 1; series <= s.series; ++series)
            files.emplace_back("frequencies_series_" + NumberText(series) + ".csv",
                               FrequencyTableCsv(s, in.data->frequencies, best, series, classes));
    }
    if (s.HasIncrements()) {
        IncrementTable recomputed;
        const IncrementTable* rows = in.increments;
        if (!rows) {
            Vec1<double> X = best.values;
            recomputed = ComputeIncrementTable(in.data->increments, PrepareParameters(X, s));
            rows = &recomputed;
        }
        files.emplace_back("increments.csv", IncrementTableCsv(*rows));
    }
    return files;
}

namespace {

class Report {
public:
    Report(const SummaryInput& in, SummaryQuestions& q, const std::function<void(const std::string&)>& append)
        : in_(in), q_(q), s_(*in.settings), d_(*in.data), best_(*in.best), append_(append) {}

    std::string Build();

private:
    void Line(const std::string& text = "") { Add(text + CRLF); }
    void Add(const std::string& text) {
        text_ += text;
        if (append_) append_(text);
    }
    void Description();
    void AnalysisKind();
    void FrequencySettings();
    void Minimum(int K);
    void Parameters();
    void SeriesStatistics();
    void AgeClassDetails();
    void FrequencySections();
    void IncrementSections();
    void ChiSquare(const std::string& test, const ChiSquareCells& cells, std::uint64_t stream);

    const SummaryInput& in_;
    SummaryQuestions& q_;
    const GrowthSettings& s_;
    const GrowthData& d_;
    const BestFit& best_;
    const std::function<void(const std::string&)>& append_;
    std::string text_;
    int simulations_ = 0;
    char errors_ = 'N';
    std::vector<int> classes_;
};

void Report::Description() {
    static const char* const kGroups[][5] = {
        {"Results for a Multiple Series Size Frequency Analysis of Annual Recruitment Modes and/or Growth Increments:"},
        {"This model can analyze several size frequency distributions simultaneously, or growth increment data, or "
         "both combined.",
         "This analysis assumes stochastic von Bertalanffy growth in size.  The parameter b lets von Bertalanffy's k "
         "vary with size.",
         "Annual sinusoidal cycles in L and k can be estimated from increment data.  The SE of measurement at 100 "
         "units can be imposed or estimated.",
         "Up to 1200 increment records can be accommodated.  A Gaussian selectivity curve can be imposed upon the size "
         "frequency distributions."},
        {"Note: If b = 0 and the chosen error distribution of increments is Gaussian, truncation of the distribution "
         "at",
         "      an expected increment of zero (0) will occur; the increment means and variances are calculated "
         "analytically."},
        {"      If b = 0 and the chosen error distribution of increments is gamma, then there is no need for truncation "
         "of the",
         "      distribution at an expected increment of zero (0); the increment means and variances are calculated "
         "analytically."},
        {"      If b > 0 then the error distribution of increments is forced to be gamma; the increment means",
         "      and variances are calculated numerically.  Convergence is usually slow since function calls take much "
         "longer."},
        {"If measurement error is zero, then regardless of the chosen error distribution, all observed increments must "
         "be > 0"},
        {"The objective function (OF) for both the increment and size frequency data is equal to twice the negative "
         "ln-likelihood. "},
        {"The record input format for the size frequency midpoint, then several frequency series, is: '######## "
         "######## ######## ######## etc.'"},
        {"The record input format for increment set, then initial size, then increment, then start day, then end day "
         "is:",
         "     '###### ###### ###### ###### ######'"},
        {"Note: When analyzing size frequencies by using blended age-classes whose proportions are generated by a "
         "Weibull mortality function,",
         "      stable results will only be obtained when the number of blended age-classes is large enough that "
         "survivorship to the oldest age-class",
         "      is negligible for a non-truncated distribution.  This is why age-class details for the oldest age-class "
         "are always reported.",
         "      Also, stable results can only be obtained if either t0 or the sample day for at least one frequency "
         "series is fixed."},
    };
    for (const auto& group : kGroups) {
        for (const char* line : group)
            if (line) Line(line);
        Line();
    }
}

void Report::AnalysisKind() {
    const std::string errors = errors_ == 'G' ? "gamma" : "Gaussian";
    if (s_.kind == 'S')
        Line("This is an analysis of size frequencies only");
    else if (s_.kind == 'I')
        Line("This is an analysis of growth increment data only; the error distribution of growth increments is " +
             errors);
    else
        Line("This is a combined analysis of growth increment data and size frequency data; the error distribution "
             "of growth increments is " +
             errors);
    if (s_.HasFrequencies()) {
        Line("You assigned the age of the first (smallest) age-class in frequency series # 1 an age of " +
             Column(s_.age1, "#0.0##", 5) + " years on the assigned borthday of the sample year.");
        Line("You assigned the difference in age between consecutive age-classes to be " +
             Column(s_.ageDiff, "#0.00000", 5) + " years.");
        Line();
    }
    if (in_.priorsInUse) {
        Line();
        Line("Important note: This analysis used Bayesian prior information");
        Line();
    }
}

void Report::FrequencySettings() {
    const bool selectivity = !(best_.selectivityMean == 0.0 && best_.selectivityVariance == 0.0);
    Line(std::string(selectivity ? "This analysis imposes a cumulative Gaussian selectivity curve,"
                                 : "This analysis assumes equal selectivity at all sizes,") +
         (s_.edge == 'M' ? " and all frequency distributions are truncated at their extremes."
                         : " and all frequency distributions are fully sampled."));
    Line("Analysis of size frequency data begins at cell #               " + NumberText(s_.firstCell));
    Line("The size frequency interval is:                                " + NumberText(d_.frequencies.interval));
    Line("The number of series analyzed is:                              " + NumberText(s_.series));
    Line("The number of younger, uniquely identified age-classes is:     " + NumberText(s_.identified));
    Line("The number of older, blended age-classes is:                   " + NumberText(s_.blended));
    Line("The total number of age-classes is:                            " + NumberText(s_.totalAges));
    Line("The birth day in the year is day:                              " + NumberText(s_.birthDay));
    Line("The size frequency data file name is:");
    Line("     " + s_.frequencyPath);
    const FrequencyWorkspace& ws = best_.frequencies;
    for (int s = 1; s <= s_.series; ++s) {
        const double contribution = s <= ws.seriesNegLnL.size() ? 2.0 * ws.seriesNegLnL[s] : 0.0;
        Line("The observed frequency of individuals, then contribution to -2ln[L], for series " +
             RightJustify(Format(s, "#0"), 2) + " is: " + Column(d_.frequencies.seriesTotal[s], "####0", 8) + ";" +
             Column(contribution, "####0.00", 10));
    }
    Line("Note: Time zero for the Weibull mortality distribution is the estimated age of the first blended age-mode.");
    Line("      When the Weibull parameter Phi equals 1, then Psi is the instantaneous natural mortality rate.");
    if (s_.precise)
        Line("The form of age modes was precisely calculated; i.e., they were not choosen to be simply Gaussian in "
             "form.");
    else if (s_.gammaModes)
        Line("For this analysis the age modes were chosen to be gamma distributions.");
    else
        Line("For this analysis the age modes were chosen to be Gaussian distributions.");
}

void Report::Minimum(int K) {
    std::string line = "The -2ln[L] minimum is: " + Format(best_.objective, "0.0000E+00");
    if (s_.kind == 'B')
        line += ", where the size frequency contribution is " + Format(best_.frequencyTwice, "0.0000E+00") +
                " and the increment contribution is " + Format(best_.incrementTwice, "0.0000E+00");
    Line(line);
    Line("The number of free (estimated) parameters is:    " + NumberText(K));
    const auto aicc = AICc(best_.objective, K, UsedSampleSize(d_, best_.increments));
    Line(std::string("The Akaike Information Criterion (AICc, ") + kAICcCitation + ") is: " +
         (aicc ? Format(*aicc, "0.0000E+00") : std::string("Undefined (too few degrees of freedom)")));
    if (best_.penalty > 0.0)
        Line("Warning: Reassess your fit and parameter values since the objective function includes this penalty: " +
             Format(best_.penalty, "0.000000E+00"));
    if (simulations_ > 0)
        Line("The chi-square tests below each use " + NumberText(simulations_) +
             " simulations drawn with the random number seed " + std::to_string(in_.seed));
}

void Report::Parameters() {
    Line("Note that not necessarily all " + NumberText(in_.parameters) + " parameters are active for this analysis.");
    Line();
    for (int i = 1; i <= in_.parameters; ++i) {
        const double value = i <= best_.values.size() ? best_.values[i] : 0.0;
        const std::string description = i <= in_.description.size() ? in_.description[i] : std::string();
        Line("Parameter # " + RightJustify(Format(i, "#0"), 2) + " estimate: " +
             Column(value, "0.0000000E+00 ", 15) + description);
    }
}

void Report::SeriesStatistics() {
    Line("Here are some summary statistics for each size frequency series:");
    if (s_.blended == 0) {
        Line("      Note also that unless the number of blended age-classes for the size frequency data is greater "
             "than 0, the proportion @ age for one age-class in each series,");
        Line("      usually the most abundant age-class, must always be estimated by difference as "
             "(1-SUM[proportions for all other age-classes]).");
        Line("      You do that by fixing the proportion for that age-class to -1 in the algorithm data.");
    }
    // A proportion fixed at -1 beside blended classes is still estimated by
    // difference (the proportion check warned about it): it is listed too.
    const FrequencyWorkspace& ws = best_.frequencies;
    for (int s = 1; s <= s_.series; ++s)
        for (int a = 1; a <= s_.identified; ++a)
            if (best_.values[s_.ProportionIndex(s, a)] == -1.0)
                Line("The proportion @ age-class " + RightJustify(Format(a, "#0"), 2) +
                     " estimated by difference in series " + RightJustify(Format(s, "#0"), 2) + " is: " +
                     Column(ws.proportion(s, a), "0.0000", 8));
}

void Report::AgeClassDetails() {
    const int requested = q_.DetailsUpTo(s_.totalAges);
    q_.Status("One moment please...");
    classes_ = ReportedAgeClasses(requested, s_.totalAges);
    Line("As requested, summary statistics are reported up to age-class " + RightJustify(NumberText(requested), 2) +
         ", then the oldest age-class.");
    const FrequencyWorkspace& ws = best_.frequencies;
    Line("Here are some summary statistics on proportions @ age-class for each age-class:");
    for (int s = 1; s <= s_.series; ++s) {
        const double N = d_.frequencies.seriesTotal[s];
        for (int a : classes_) {
            const double p = ws.proportion(s, a);
            const double se = N >= 2.0 && p >= 0.0 && p <= 1.0 ? std::sqrt(p * (1.0 - p) / N) : -1.0;
            Line("The estimated proportion of age-class " + RightJustify(Format(a, "#0"), 2) +
                 ", and its approximate SE (-1 indicates an uncalculated value), in series " +
                 RightJustify(Format(s, "#0"), 2) + " are: " + Column(p, "0.000000", 8) + ";" +
                 Column(se, "0.000000", 10));
        }
    }
    Line("Here are some summary statistics on size and size variance @ age-class for each age-class (-1 indicates an "
         "uncalculated value):");
    for (int s = 1; s <= s_.series; ++s) {
        for (int a : classes_) {
            double predicted = 0.0;
            for (int i = 1; i <= d_.frequencies.cells; ++i)
                predicted += ws.ClassFrequency(s, a, i, d_.frequencies.seriesTotal[s]);
            const double sd = ws.sd(s, a);
            const double se = predicted >= 2.0 ? sd / std::sqrt(predicted) : -1.0;
            Line("The estimated age, mean size, SD, approximate SE of mean size, and predicted frequency, for "
                 "age-class " +
                 NumberText(a) + " in series " + NumberText(s) + " is: " + Format(ws.age(s, a), "#0.000") + "," +
                 Format(ws.mean(s, a), "###0.000") + "," + Format(sd, "###0.000") + "," + Format(se, "###0.000") +
                 "," + Format(predicted, "###0.000"));
        }
    }
}

void Report::ChiSquare(const std::string& test, const ChiSquareCells& cells, std::uint64_t stream) {
    const ChiSquareResult r = SimulatedChiSquare(cells, simulations_, in_.seed, stream, [&](int j) {
        q_.Status("Chi-square: Calculating simulation # " + NumberText(j) + " of " + NumberText(simulations_));
    }, in_.threads);
    q_.Status("");
    if (r.doubtful) q_.VeryUnlikely(VeryUnlikelyTitle(errors_), kVeryUnlikelyText);
    Add(ChiSquareReport(r));
    q_.ChiSquareDone(test, r);
}

void Report::FrequencySections() {
    const FrequencyData& f = d_.frequencies;
    for (int s = 1; s <= s_.series; ++s) {
        if (q_.FrequencyTable(s)) {
            q_.Status("One moment please...");
            Line();
            Add(FrequencyTableText(s_, f, best_, s, classes_));
        }
        if (q_.FrequencyChiSquare(s)) {
            Line();
            Line("Chi-square diagnostic for frequency series " + NumberText(s));
            ChiSquareCells cells;
            cells.observed.resize(f.cells, 0.0);
            cells.expected.resize(f.cells, 0.0);
            for (int i = 1; i <= f.cells; ++i) {
                cells.observed[i] = f.frequency(s, i);
                cells.expected[i] = best_.predicted(s, i);
            }
            cells.first = s_.firstCell;
            cells.last = f.cells;
            cells.n = f.seriesTotal[s];
            ChiSquare("frequency series " + NumberText(s), cells, static_cast<std::uint64_t>(s));
        }
    }
}

void Report::IncrementSections() {
    const bool table = q_.IncrementTable();
    IncrementTable recomputed;
    const IncrementTable* rows = in_.increments;
    GrowthParameters p;
    {
        Vec1<double> X = best_.values;
        p = PrepareParameters(X, s_);
    }
    if (!rows) {
        recomputed = ComputeIncrementTable(d_.increments, p, [&](int i, int n) {
            q_.Status("Calculating error for increment " + NumberText(i) + " of " + NumberText(n));
        });
        q_.Status("");
        rows = &recomputed;
    }
    if (table) {
        Line();
        Add(FormatIncrementTable(*rows));
    }
    if (!q_.IncrementChiSquare()) return;
    const SdFrequencies sd = ComputeSdFrequencies(d_.increments, p, *rows, [&](int i, int n) {
        q_.Status("Expected increment SDs: record " + NumberText(i) + " of " + NumberText(n));
    });
    q_.Status("");
    Line();
    Add(FormatSdFrequencies(sd, errors_));
    ChiSquareCells cells;
    cells.observed.resize(kResidualCells, 0.0);
    cells.expected.resize(kResidualCells, 0.0);
    cells.first = 1;
    cells.last = kResidualCells;
    cells.n = sd.records;
    for (int c = 1; c <= kResidualCells; ++c) {
        cells.observed[c] = sd.observed[static_cast<std::size_t>(c)];
        cells.expected[c] = sd.gaussian[static_cast<std::size_t>(c)];
    }
    Line("Evaluation of Gaussian error predictions:");
    ChiSquare("increments, Gaussian errors", cells, chi_stream::IncrementGaussian);
    for (int c = 1; c <= kResidualCells; ++c) cells.expected[c] = sd.chosen[static_cast<std::size_t>(c)];
    Line(errors_ == 'G' ? "Evaluation of gamma error predictions:" : "Evaluation of truncated Gaussian error predictions:");
    ChiSquare(errors_ == 'G' ? "increments, gamma errors" : "increments, truncated Gaussian errors", cells,
              chi_stream::IncrementChosen);
}

std::string Report::Build() {
    errors_ = EffectiveErrors(s_, best_);
    simulations_ = std::max(q_.Simulations(), 0);
    const int K = FreeParameters(in_.step, in_.parameters);

    Description();
    AnalysisKind();
    if (s_.HasFrequencies()) FrequencySettings();
    if (s_.HasIncrements()) {
        Line("The growth increment data file name is:");
        Line("     " + s_.incrementPath);
        Line("The number of growth increment records is:                     " + NumberText(d_.increments.records));
    }
    Line("The algorithm data file name is:");
    Line("     " + in_.algorithmFile);
    if (in_.priorsInUse) {
        Line("The Bayesian prior information file name is:");
        Line("     " + in_.priorsFile);
    }
    if (!in_.warnings.empty()) Add(in_.warnings);
    Minimum(K);
    Parameters();
    if (s_.HasFrequencies()) {
        SeriesStatistics();
        AgeClassDetails();
        FrequencySections();
    }
    if (s_.HasIncrements()) IncrementSections();
    q_.Status("");
    return text_;
}

}  // namespace

std::string BuildSummary(const SummaryInput& input, SummaryQuestions& questions,
                         const std::function<void(const std::string&)>& append) {
    Report report(input, questions, append);
    return report.Build();
}

}  // namespace corvane
