#pragma once
// The increment part of the summary report: the per-record table of the
// increment likelihood at the best fit, and the frequency distribution of the
// standardised residuals in 0.5-SD cells with its expected counts.
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "model/GrowthData.h"
#include "model/GrowthParameters.h"
#include "model/IncrementLikelihood.h"
#include "numeric/OneBased.h"

namespace corvane {

struct IncrementRow {
    double initial = 0.0, observed = 0.0;
    double expected = 0.0;             // E_c
    double trueVariance = 0.0;         // V_c
    double measurementVariance = 0.0;  // Vm
    double totalVariance = 0.0;        // V_c + Vm
    double expectedL = 0.0;            // first moment of L-infinity given L1
    double varianceL = 0.0;
    double sd = 0.0;                   // SD of the residual
    double twiceNegLnL = 0.0;          // the record's -2lnL
    double start = 0.0, end = 0.0;
    double elapsed = 0.0;              // days (day-numbered records) or years (size-at-age records)
    RecordFate fate = RecordFate::Fitted;
};

struct IncrementTable {
    Vec1<IncrementRow> rows;
    bool sizeAtAge = false;  // t0 in use: the records are sizes at age
    double twiceNegLnL = 0.0;  // the sum of the column
};

// The increment likelihood recomputed at the prepared parameters, row by
// row.  progress, when given, is told of each record about to be computed.
IncrementTable ComputeIncrementTable(const IncrementData& data, const GrowthParameters& p,
                                     const std::function<void(int record, int count)>& progress = {});

// "Increment data:", the three header lines and one line per record; a
// record the likelihood did not fit carries its status after the columns.
std::string FormatIncrementTable(const IncrementTable& table);

// The same table as CSV (full precision): record, initial_size,
// observed_increment, expected_increment, variance_true_increment,
// variance_measurement_error, total_variance, expected_l_infinity,
// variance_l_infinity, sd_residual, neg_2_ln_l, then start_day, end_day,
// days_at_large (size-at-age records: initial_age, final_age, years_of_age),
// and status ("" when fitted).
std::string IncrementTableCsv(const IncrementTable& table);

// What the likelihood made of a record, as the table says it ("" when fitted).
std::string RecordFateText(RecordFate fate);

// The standardised residual of a record, (observed - expected) / SD of the
// residual, as the SD frequency table counts it; unset when the SD is 0.
std::optional<double> StandardisedResidual(const IncrementRow& row);

inline constexpr int kResidualCells = 24;

// The 0.5-SD cell of a standardised residual z: 1..24 for z from -6 to +6,
// 0 outside that range.
int ResidualCell(double z);

struct SdFrequencies {
    std::array<double, kResidualCells + 1> observed{};  // cells 1..24
    std::array<double, kResidualCells + 1> gaussian{};  // plain Gaussian errors
    std::array<double, kResidualCells + 1> chosen{};    // the chosen error model
    int outside = 0;
    int records = 0;
    double gaussianSum = 0.0, chosenSum = 0.0;
};

// Observed and expected counts of the standardised residuals.  The chosen
// model's expected counts integrate each record's own predicted density of
// the residual (the likelihood's, size-at-age selectivity included) in 1/8-SD
// Simpson panels from -12 to +12 SD; both expected columns are scaled to sum
// to the number of records.
SdFrequencies ComputeSdFrequencies(const IncrementData& data, const GrowthParameters& p, const IncrementTable& table,
                                   const std::function<void(int record, int count)>& progress = {});

// The explanation lines, " SD Frequency Data:" and the table.
std::string FormatSdFrequencies(const SdFrequencies& sd, char errors);

}  // namespace corvane
