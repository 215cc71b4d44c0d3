#pragma once
// The covariance constant c (-ln[L] = c x objective), asked with one
// dialogue by the covariance calculation, the profile and posterior
// evaluations, the priors editor and the model ranking.
#include <cstdint>
#include <string>

namespace corvane {

class Workbench;

inline constexpr const char* kConstantTitle = "Enter constant";

struct ConstantQuestion {
    double modelSuggestion = 0.0;  // the model's suggested constant; not above 0 when it has none
    std::int32_t dataCount = 0;    // N, the data count MODEL returned
    int freeCount = 0;             // p
    double centreValue = 0.0;      // f0, the objective at the current values
};

// The prompt text and its default answer.
struct ConstantPrompt {
    std::string prompt;
    std::string defaultAnswer;
};
ConstantPrompt ConstantPromptFor(const ConstantQuestion& q);

// Asks until a number above 0 is given (there is no way to cancel), stores
// its reciprocal as the workbench's 1/c and returns c.
double AskCovarianceConstant(Workbench& wb, const ConstantQuestion& q);

// The refusal of a constant that is not above 0, shared by every place that
// derives or asks for one.
void RefuseNonPositiveConstant(Workbench& wb);

// The question for the workbench's model at f0 with p free parameters.
ConstantQuestion ConstantQuestionFor(const Workbench& wb, double centreValue, int freeCount);

}  // namespace corvane
