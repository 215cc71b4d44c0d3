#include "evaluation/ParameterChoice.h"

#include <cmath>

#include "engine/AlgorithmData.h"
#include "evaluation/DistributionColumns.h"
#include "numeric/Format.h"

namespace corvane {

std::string ParameterItem(int parameter, const std::string& description, int largest) {
    const std::string d = Trim(description);
    std::string number;
    for (std::size_t n = NumberText(parameter).size(); n < NumberText(largest).size(); ++n) number += "\u2007";
    number += NumberText(parameter);
    return d.empty() ? number : number + "  " + d;
}

std::optional<int> ChooseParameter(Dialogs& dialogs, const std::string& title, const std::string& prompt,
                                   const AlgorithmData& a, int count, int initial, const std::string& typedDefault) {
    ListChoice choice;
    choice.title = title;
    choice.prompt = prompt;
    for (int i = 1; i <= count; ++i) choice.items.push_back(ParameterItem(i, DescriptionOf(a, i), count));
    choice.initial = initial >= 1 && initial <= count ? initial - 1 : 0;
    choice.typedDefault = typedDefault;
    const auto index = dialogs.ChooseFromList(choice);
    if (!index || *index < 0 || *index >= count) return std::nullopt;
    return *index + 1;
}

std::string DurationText(double seconds) {
    if (!(seconds >= 1.0)) return "less than a second";
    auto about = [](double n, const char* unit) {
        const long long whole = std::llround(n);
        return "about " + NumberText(whole) + " " + unit + (whole == 1 ? "" : "s");
    };
    // Each unit serves until the next reads as a whole number of at least 2.
    if (seconds < 90.0) return about(seconds, "second");
    if (seconds < 90.0 * 60.0) return about(seconds / 60.0, "minute");
    if (seconds < 48.0 * 3600.0) return about(seconds / 3600.0, "hour");
    return about(seconds / 86400.0, "day");
}

double PosteriorCallCount(int m, int g, int k) { return static_cast<double>(m) * std::pow(static_cast<double>(g), k); }

std::string CallCountText(double calls) {
    // Doubles hold whole numbers exactly up to 2^53.
    if (calls < 9007199254740992.0) return NumberText(static_cast<long long>(calls));
    return "about " + Format(calls, "0.0E+00");
}

std::string TooManyCallsText(double calls) {
    // The limit named is the counter of old; the count is the one refused.
    return std::string("Required number of function calls exceeds the maximum allowed of 32767.") + CRLF +
           "This set-up needs " + CallCountText(calls) + " function calls." + CRLF +
           "Correct this by reducing the number of free parameters or the grid resolution";
}

std::string PosteriorCostText(long long calls, double secondsEach) {
    return "This integration needs " + NumberText(calls) + " function calls, which will take " +
           DurationText(static_cast<double>(calls) * secondsEach) + "." + CRLF + CRLF + "Continue?";
}

}  // namespace corvane
