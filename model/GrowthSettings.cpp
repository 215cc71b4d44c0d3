#include "model/GrowthSettings.h"

#include "numeric/FixedColumns.h"
#include "numeric/Format.h"

namespace corvane {

std::optional<SetupProblem> CheckSetup(const GrowthSetup& setup) {
    if (setup.frequencyPath.empty() && setup.incrementPath.empty())
        return SetupProblem{"Missing input", "Please specify the frequency file and/or increment file"};
    if (setup.series < 0 || setup.identified < 0 || setup.blended < 0)
        return SetupProblem{"Initialize", "The numbers of series and of age-classes cannot be negative"};
    if (setup.birthDay < -32768 || setup.birthDay > 32767 || setup.firstCell < -32768 || setup.firstCell > 32767)
        return SetupProblem{"Initialize", "The birth day and the first frequency cell must lie between -32768 and 32767"};
    // The parameter count is a 16-bit number: 19 + S x A + S must stay within it.
    const long long identified = setup.identified > kMaxAgeClasses ? kMaxAgeClasses : setup.identified;
    if (setup.series > kMaxParameters ||
        kFixedParameters + setup.series * (identified + 1) > kMaxParameters)
        return SetupProblem{"Initialize", "The number of series and of identified age-classes give more than " +
                                              NumberText(kMaxParameters) + " parameters"};
    return std::nullopt;
}

GrowthSettings ApplySetup(const GrowthSetup& setup) {
    GrowthSettings s;
    s.edge = setup.edge;
    s.identified = static_cast<int>(setup.identified > kMaxAgeClasses ? kMaxAgeClasses : setup.identified);
    s.birthDay = static_cast<int>(setup.birthDay);
    s.blended = static_cast<int>(setup.blended > kMaxAgeClasses ? kMaxAgeClasses : setup.blended);
    s.precise = setup.ageModes == AgeModeForm::Precise;
    s.gammaModes = setup.ageModes == AgeModeForm::Gamma;
    s.totalAges = s.identified + s.blended;
    if (s.totalAges > kMaxAgeClasses) {
        s.blended = kMaxAgeClasses - s.identified;
        s.totalAges = kMaxAgeClasses;
    }
    s.series = static_cast<int>(setup.series);
    s.age1 = setup.age1;
    s.ageDiff = setup.ageDiff;
    s.firstCell = setup.firstCell < 1 ? 1 : static_cast<int>(setup.firstCell);
    s.frequencyPath = setup.frequencyPath;
    s.incrementPath = setup.incrementPath;
    const bool frequencies = !setup.frequencyPath.empty();
    const bool increments = !setup.incrementPath.empty();
    s.kind = frequencies && increments ? 'B' : frequencies ? 'S' : 'I';
    if (s.kind == 'S') s.shortName = AfterLastSeparator(setup.frequencyPath);
    if (s.kind == 'I') s.shortName = AfterLastSeparator(setup.incrementPath);
    s.errors = setup.errors == 'G' ? 'G' : 'N';
    return s;
}

Vec1<std::string> ParameterDescriptions(const GrowthSettings& settings) {
    static const char* fixed[kFixedParameters + 1] = {
        "",
        "Mean of L-infinity (von Bertalanffy) [0]",
        "SD of L-infinity (von Bertalanffy) [0]",
        "Mean of k (von Bertalanffy) [0]",
        "SD of k (von Bertalanffy) [0]",
        "Amplitude of annual cycle in k [0]",
        "Day of maximum in annual cycle of k [0]",
        "Amplitude of annual cycle in L [0]",
        "Day of maximum in annual cycle of L [0]",
        "SE of measurement @ 100 units (%SE) [0]",
        "Mean size for Gaussian selectivity [0]",
        "SD for Gaussian selectivity [0]",
        "Parameter b for size-dependent k [0]",
        "von Bertalanffy's t0, the theoretical age (in years) at which size is zero [0]",
        "Value of Weibull mortality function scale parameter (Psi) [0]",
        "Value of Weibull mortality function power parameter (Phi) [1]",
        "Size above which the fishing mortality rate applies [0]",
        "Instantaneous rate of fishing mortality [0]",
        "Mean of Gaussian selectivity for size-at-age data only [-999]",
        "SD of Gaussian selectivity for size-at-age data only [-999]",
    };
    Vec1<std::string> d(settings.ParameterCount());
    for (int i = 1; i <= kFixedParameters; ++i) d[i] = fixed[i];
    auto two = [](int n) { return RightJustify(Format(n, "#0"), 2); };
    for (int s = 1; s <= settings.series; ++s)
        for (int a = 1; a <= settings.identified; ++a)
            d[settings.ProportionIndex(s, a)] =
                "Proportion @ age for age-class " + two(a) + " of frequency series " + two(s) + " [0]";
    for (int s = 1; s <= settings.series; ++s)
        d[settings.SampleDayIndex(s)] = "Day of the year when series " + two(s) + " was sampled [0]";
    return d;
}

Vec1<double> TemplateValues(const GrowthSettings& settings) {
    const Vec1<std::string> descriptions = ParameterDescriptions(settings);
    Vec1<double> values(descriptions.size(), 0.0);
    for (int i = 1; i <= descriptions.size(); ++i) {
        const std::string& d = descriptions[i];
        const auto open = d.rfind('[');
        values[i] = open == std::string::npos ? 0.0 : LeadingNumber(d.substr(open + 1));
    }
    if (settings.HasIncrements()) values[13] = kNotUsed;
    return values;
}

}  // namespace corvane
