#pragma once
// What the set-up dialogue collects, and the settings the growth model keeps
// from one initialisation to the next.
#include <optional>
#include <string>

#include "numeric/OneBased.h"

namespace corvane {

inline constexpr int kMaxFrequencyCells = 250;
inline constexpr int kMaxIncrementRecords = 1200;
inline constexpr int kFixedParameters = 19;
inline constexpr int kMaxAgeClasses = 99;
inline constexpr int kMaxParameters = 32767;
// The value of t0 and of parameters 18 and 19 that switches their effect off.
inline constexpr double kNotUsed = -999.0;

enum class AgeModeForm { Precise, Gaussian, Gamma };

// The dialogue's values, as numbers, before the initialisation rules apply.
struct GrowthSetup {
    std::string frequencyPath;  // empty: no frequency file
    std::string incrementPath;  // empty: no increment file
    long long series = 0;
    long long identified = 0;
    long long blended = 0;
    long long birthDay = 1;
    long long firstCell = 1;
    double age1 = 1.0;
    double ageDiff = 1.0;
    char edge = '0';  // 'M' truncated at the extremes, '0' zero beyond them
    AgeModeForm ageModes = AgeModeForm::Precise;
    char errors = 'N';  // 'N' Gaussian, 'G' gamma
};

struct GrowthSettings {
    int series = 0;
    int identified = 0;
    int blended = 0;
    int totalAges = 0;
    int birthDay = 1;
    int firstCell = 1;
    double age1 = 1.0;
    double ageDiff = 1.0;
    char edge = '0';
    bool precise = true;     // age modes from the joint distribution of L and k
    bool gammaModes = false; // otherwise gamma (true) or Gaussian (false) modes
    char errors = 'N';
    char kind = 'I';  // 'S' frequencies only, 'I' increments only, 'B' both
    std::string frequencyPath;
    std::string incrementPath;
    std::string shortName;

    bool HasFrequencies() const { return kind == 'S' || kind == 'B'; }
    bool HasIncrements() const { return kind == 'I' || kind == 'B'; }
    int ParameterCount() const { return kFixedParameters + series * identified + series; }
    int ProportionIndex(int s, int a) const { return kFixedParameters + (s - 1) * identified + a; }
    int SampleDayIndex(int s) const { return kFixedParameters + series * identified + s; }
};

// A reason the set-up cannot be used (no data file, a count out of range), or
// nullopt.  Both the dialogue and the model ask it.
struct SetupProblem {
    std::string title;
    std::string text;
};
std::optional<SetupProblem> CheckSetup(const GrowthSetup& setup);

// The initialisation rules: the caps at 99 age-classes, the first cell at
// least 1, the age-mode flags, the analysis kind and the short name.
GrowthSettings ApplySetup(const GrowthSetup& setup);

// Descriptions of parameters 1..ParameterCount(), each with its null value.
Vec1<std::string> ParameterDescriptions(const GrowthSettings& settings);

// Starting values for a new algorithm file: each parameter's null value (the
// number in its description's brackets), except t0 at -999 when there are
// increment records, where that value makes them day-numbered increments
// rather than size-at-age records.
Vec1<double> TemplateValues(const GrowthSettings& settings);

}  // namespace corvane
