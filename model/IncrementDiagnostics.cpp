#include "model/IncrementDiagnostics.h"

#include <cmath>

#include "model/ReportColumns.h"
#include "numeric/Csv.h"
#include "numeric/Format.h"
#include "numeric/NormalProb.h"
#include "engine/ProgressThrottle.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"

namespace corvane {

namespace {

// The likelihood services events once per record before computing it; this
// turns that into "record i of n" for the caller.
class RecordCounter : public Dialogs {
public:
    RecordCounter(const std::function<void(int, int)>& progress, int count) : progress_(progress), count_(count) {}
    Answer MessageBox(const std::string&, const std::string&, Buttons, Icon, bool) override { return Answer::OK; }
    std::string InputPrompt(const std::string&, const std::string&, const std::string&) override { return ""; }
    std::optional<std::string> FileDialog(const FileRequest&) override { return std::nullopt; }
    void ProcessEvents() override {
        if (++record_ <= count_) progress_(record_, count_);
    }

private:
    const std::function<void(int, int)>& progress_;
    int count_;
    int record_ = 0;
};

// Steps of the chosen model's expected residual density.
constexpr double kPanelWidth = 0.125;  // SD
constexpr double kReach = 12.0;        // SD on each side
constexpr int kPanels = static_cast<int>(2.0 * kReach / kPanelWidth);
constexpr int kPoints = 2 * kPanels + 1;  // panel ends and midpoints

// Lower edge of a residual cell.  (ResidualCell's 0.001 only guards residuals
// that rounding puts a hair below a cell's edge.)
double CellLower(int cell) { return (cell - 1) / 2.0 - 6.0; }

}  // namespace

IncrementTable ComputeIncrementTable(const IncrementData& data, const GrowthParameters& p,
                                     const std::function<void(int, int)>& progress) {
    IncrementTable table;
    table.sizeAtAge = p.SizeAtAgeRecords();
    const int n = data.records;
    IncrementWorkspace ws;
    WarningLog warnings;  // the same warnings came with the evaluation the report follows
    if (progress) {
        // Interval 0: the counter hears every record (the caller paces its display).
        RecordCounter counter(progress, n);
        const FixedClock clock(1, 1, 2000, 0, 0);
        ProgressThrottle throttle(counter, clock, 0.0);
        IncrementNegLnL(data, p, ws, warnings, &throttle);
    } else {
        IncrementNegLnL(data, p, ws, warnings);
    }
    table.rows.resize(n);
    for (int i = 1; i <= n; ++i) {
        const IncrementRecord& r = data.record[i];
        IncrementRow& row = table.rows[i];
        row.initial = r.initial;
        row.observed = r.increment;
        row.expected = ws.expected[i];
        row.trueVariance = ws.variance[i];
        row.measurementVariance = ws.measurementVariance[i];
        row.totalVariance = row.trueVariance + row.measurementVariance;
        row.expectedL = ws.moments(i, 1);
        row.varianceL = ws.moments(i, 2) - ws.moments(i, 1) * ws.moments(i, 1);
        row.sd = row.totalVariance > 0.0 ? std::sqrt(row.totalVariance) : 0.0;
        row.fate = ws.fate[i];
        row.twiceNegLnL = 2.0 * ws.negLnL[i];
        row.start = r.start;
        row.end = r.end;
        row.elapsed = table.sizeAtAge ? ws.elapsed[i] : r.end - r.start;
        table.twiceNegLnL += row.twiceNegLnL;
    }
    return table;
}

std::string RecordFateText(RecordFate fate) {
    switch (fate) {
        case RecordFate::Fitted: return "";
        case RecordFate::Skipped: return "record ignored: increment <= 0 and measurement error is zero";
        case RecordFate::Penalised: return "no usable distribution of the increment: a penalty stands in";
    }
    return "";
}

std::string FormatIncrementTable(const IncrementTable& table) {
    std::string out = std::string("Increment data:") + CRLF;
    out += "      , Observed,          ,          ,   Variance,  Variance for,         ,            ,              ,  "
           "        ,       ,";
    out += table.sizeAtAge ? "         ,         ,    Years" : "    Start,      End,     Days";
    out += CRLF;
    out += "      ,  Initial,  Observed,  Expected,   for True,   Measurement,    Total,    Expected,   Variance of,  "
           "   SD of,       ,";
    out += table.sizeAtAge ? "  Initial,    Final,       of" : "   Day of,   Day of,       at";
    out += CRLF;
    out += "Record,     Size, Increment, Increment,  Increment,         Error, Variance,  L-infinity,    L-infinity,  "
           "Residual,  -2lnL,";
    out += table.sizeAtAge ? "      Age,      Age,      Age" : "     Year,     Year,    Large";
    out += CRLF;
    const char* pic = "##0.00";
    for (int i = 1; i <= table.rows.size(); ++i) {
        const IncrementRow& r = table.rows[i];
        out += Column(i, "###0", 6) + "," + Column(r.initial, pic, 9) + "," + Column(r.observed, pic, 10) + "," +
               Column(r.expected, pic, 10) + "," + Column(r.trueVariance, pic, 11) + "," +
               Column(r.measurementVariance, pic, 14) + "," + Column(r.totalVariance, pic, 9) + "," +
               Column(r.expectedL, pic, 12) + "," + Column(r.varianceL, pic, 14) + "," + Column(r.sd, pic, 10) + "," +
               Column(r.twiceNegLnL, pic, 7) + "," + Column(r.start, pic, 9) + "," + Column(r.end, pic, 9) + "," +
               Column(r.elapsed, pic, 9);
        const std::string status = RecordFateText(r.fate);
        if (!status.empty()) out += ", " + status;
        out += CRLF;
    }
    return out;
}

std::optional<double> StandardisedResidual(const IncrementRow& row) {
    if (!(row.sd > 0.0)) return std::nullopt;
    return (row.observed - row.expected) / row.sd;
}

std::string IncrementTableCsv(const IncrementTable& table) {
    std::vector<std::string> header{"record",
                                    "initial_size",
                                    "observed_increment",
                                    "expected_increment",
                                    "variance_true_increment",
                                    "variance_measurement_error",
                                    "total_variance",
                                    "expected_l_infinity",
                                    "variance_l_infinity",
                                    "sd_residual",
                                    "neg_2_ln_l"};
    if (table.sizeAtAge)
        header.insert(header.end(), {"initial_age", "final_age", "years_of_age"});
    else
        header.insert(header.end(), {"start_day", "end_day", "days_at_large"});
    header.push_back("status");
    CsvTable csv(header);
    for (int i = 1; i <= table.rows.size(); ++i) {
        const IncrementRow& r = table.rows[i];
        std::vector<std::string> fields;
        for (double v : {static_cast<double>(i), r.initial, r.observed, r.expected, r.trueVariance,
                         r.measurementVariance, r.totalVariance, r.expectedL, r.varianceL, r.sd, r.twiceNegLnL,
                         r.start, r.end, r.elapsed})
            fields.push_back(CsvNumber(v));
        fields.push_back(CsvText(RecordFateText(r.fate)));
        csv.AddFields(fields);
    }
    return csv.Text();
}

int ResidualCell(double z) {
    if (!std::isfinite(z)) return 0;
    const double c = std::floor(2.0 * z + 12.001) + 1.0;
    return c >= 1.0 && c <= kResidualCells ? static_cast<int>(c) : 0;
}

SdFrequencies ComputeSdFrequencies(const IncrementData& data, const GrowthParameters& p, const IncrementTable& table,
                                   const std::function<void(int, int)>& progress) {
    SdFrequencies sd;
    const int n = data.records;
    sd.records = n;

    // The likelihood's own density of each record, evaluated on copies of the
    // record whose increments run across the residual range: every rule of
    // the likelihood (truncation, measurement error, gamma errors) holds as
    // it does in the fit.  Size-at-age selectivity is applied here, over the
    // same range, because its normalising integral needs the whole density.
    GrowthParameters plain = p;
    const bool selective = p.SizeAtAgeSelectivity();
    if (selective) plain.saaMean = kNotUsed;
    const double Ssel = selective ? std::sqrt(std::max(p.saaSD * p.saaSD, 1e-6)) : 0.0;

    IncrementData copies;
    copies.records = kPoints;
    copies.record.resize(kPoints);
    copies.setCount.resize(kMaxIncrementRecords, 0);
    IncrementWorkspace ws;
    WarningLog warnings(0);
    std::array<double, kPoints + 1> density{};

    for (int i = 1; i <= n; ++i) {
        if (progress) progress(i, n);
        const IncrementRow& row = table.rows[i];
        const std::optional<double> z = StandardisedResidual(row);
        const int cell = z ? ResidualCell(*z) : 0;
        if (cell == 0) ++sd.outside;
        else sd.observed[static_cast<std::size_t>(cell)] += 1.0;

        if (!(row.sd > 0.0) || !std::isfinite(row.sd) || row.fate == RecordFate::Penalised) continue;
        for (int k = 1; k <= kPoints; ++k) {
            IncrementRecord copy = data.record[i];
            copy.increment = row.expected + (-kReach + (k - 1) * kPanelWidth / 2.0) * row.sd;
            copies.record[k] = copy;
        }
        IncrementNegLnL(copies, plain, ws, warnings);
        double mass = 0.0;
        for (int k = 1; k <= kPoints; ++k) {
            double f = ws.fate[k] == RecordFate::Fitted ? std::exp(-ws.negLnL[k]) * row.sd : 0.0;
            if (selective) f *= PhiDiff((copies.record[k].increment - p.saaMean) / Ssel, -10.0);
            density[static_cast<std::size_t>(k)] = std::isfinite(f) ? f : 0.0;
        }
        // Simpson's rule on each panel; the panels inside a cell add to it.
        std::array<double, kResidualCells + 1> own{};
        for (int j = 0; j < kPanels; ++j) {
            const std::size_t a = static_cast<std::size_t>(2 * j + 1);
            const double area = kPanelWidth / 6.0 * (density[a] + 4.0 * density[a + 1] + density[a + 2]);
            mass += area;
            const double middle = -kReach + (j + 0.5) * kPanelWidth;
            const int c = ResidualCell(middle);
            if (c > 0) own[static_cast<std::size_t>(c)] += area;
        }
        // With selectivity the density is normalised over the range it was
        // integrated on; otherwise it is the likelihood's, already normalised.
        const double scale = selective ? (mass > 0.0 ? 1.0 / mass : 0.0) : 1.0;
        for (int c = 1; c <= kResidualCells; ++c) sd.chosen[static_cast<std::size_t>(c)] += own[c] * scale;
    }

    double gaussianSum = 0.0, chosenSum = 0.0;
    for (int c = 1; c <= kResidualCells; ++c) {
        sd.gaussian[static_cast<std::size_t>(c)] = PhiDiff(CellLower(c + 1), CellLower(c));
        gaussianSum += sd.gaussian[static_cast<std::size_t>(c)];
        chosenSum += sd.chosen[static_cast<std::size_t>(c)];
    }
    for (int c = 1; c <= kResidualCells; ++c) {
        auto& g = sd.gaussian[static_cast<std::size_t>(c)];
        auto& m = sd.chosen[static_cast<std::size_t>(c)];
        g = gaussianSum > 0.0 ? g * n / gaussianSum : 0.0;
        m = chosenSum > 0.0 ? m * n / chosenSum : 0.0;
        sd.gaussianSum += g;
        sd.chosenSum += m;
    }
    return sd;
}

std::string FormatSdFrequencies(const SdFrequencies& sd, char errors) {
    static const char* const kExplanation[] = {
        " Note: Due to the risk of numerical inaccuracies, be suspicious of values for the expected value",
        "        of L-infinity, and the variance of L-infinity, when the observed initial size is more than",
        "        3 SD (Parameter # 2) greater than the Mean of L (Parameter # 1).",
        " This next frequency distribution of increment SD's evaluates model fit.",
        " The first column of expected increment SDs demonstrates a Gaussian distribution of errors.",
        " The second column either convolves measurement error into the truncated error distribution",
        " and reports this modified Gaussian distribution, or else it reports a gamma distribution.",
        " A chi-square test is then used to evaluate model fit over 0.5 SD cells.",
        " The test against the purely Gaussian distribution is simply for comparison since neither",
        " truncation of the Gaussian distribution of errors, nor size selectivity, are considered.",
        " The test against the truncated Gaussian distribution with or without measurement error",
        " is the appropriate test if a Gaussian distribution of errors was chosen.  If you chose a gamma",
        " distribution of errors, or b > 0, then compare the observed SDs to the gamma distribution of errors.",
        " The expected frequencies are scaled to sum to the # of observations.",
        " This sum might not exactly equal the reported sum due to numerical inaccuracies.",
        " Use your best judgement regarding this test if these sums differ markedly.",
        " Usually the difference is less than 1% and is thus probably acceptable.",
        " If a size-at-age selectivity curve was estimated, then it is taken into consideration.",
        " The chi-square tests are invalid if the # outside range is greater than zero.",
    };
    std::string out;
    for (const char* line : kExplanation) out += std::string(line) + CRLF;
    out += errors == 'G' ? " The error distribution for the growth increments is gamma"
                         : " The error distribution for the growth increments is Gaussian (truncated if necessary)";
    out += CRLF;
    out += std::string(" SD Frequency Data:") + CRLF;
    out += errors == 'G' ? "                                    Gaussian        Gamma"
                         : "                                    Gaussian    Truncated";
    out += CRLF;
    out += std::string("                       Observed     Expected     Expected") + CRLF;
    out += std::string("                SD    Frequency    Frequency    Frequency") + CRLF;
    for (int c = 1; c <= kResidualCells; ++c) {
        const auto k = static_cast<std::size_t>(c);
        out += Column(-6.0 + 0.5 * (c - 1), "###0.00", 18) + Column(sd.observed[k], "###0", 13) +
               Column(sd.gaussian[k], "#####0.000", 13) + Column(sd.chosen[k], "#####0.000", 13) + CRLF;
    }
    out += "     Outside Range" + Column(sd.outside, "###0", 13) + CRLF;
    out += "     # of Inc Recs" + Column(sd.records, "###0", 13) + Column(sd.gaussianSum, "#####0.000", 13) +
           Column(sd.chosenSum, "#####0.000", 13) + CRLF;
    return out;
}

}  // namespace corvane
