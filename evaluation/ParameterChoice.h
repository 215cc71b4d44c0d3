#pragma once
// The questions of the evaluations that name parameters: one parameter
// picked from a list showing the descriptions, the parameters to integrate
// ticked, and what an integration will cost.
#include <optional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace corvane {

struct AlgorithmData;

// "3  Mean of k (von Bertalanffy)": the number, two spaces and the
// description trimmed; the number alone when there is none.  Numbers
// shorter than `largest` are led by figure spaces (as wide as a digit), so
// that the descriptions of a list start in one column.
std::string ParameterItem(int parameter, const std::string& description, int largest = 0);

// Asks for a parameter 1..count, the items described from the algorithm
// data; `initial` is selected first (1 when out of range).  The parameter,
// or nullopt on Cancel.
std::optional<int> ChooseParameter(Dialogs& dialogs, const std::string& title, const std::string& prompt,
                                   const AlgorithmData& a, int count, int initial,
                                   const std::string& typedDefault = "");

// A duration as a person reads it: "less than a second", "about 40
// seconds", "about 12 minutes", "about 3 hours", "about 2 days".
std::string DurationText(double seconds);

// The calls of a posterior, m g^k, as a number that does not overflow.
double PosteriorCallCount(int m, int g, int k);
// That count in words: whole when it can be held exactly, else "about 1.0E+21".
std::string CallCountText(double calls);

// The refusal of a posterior that needs more calls than allowed, with its count.
std::string TooManyCallsText(double calls);
// "This integration needs 625 function calls, which will take about 3
// minutes." and the question whether to go on.
std::string PosteriorCostText(long long calls, double secondsEach);

}  // namespace corvane
