#include "engine/CovarianceConstant.h"

#include "engine/modCorvane.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"

namespace corvane {

ConstantPrompt ConstantPromptFor(const ConstantQuestion& q) {
    ConstantPrompt p;
    p.prompt = std::string("Enter the constant WHICH WILL MAKE the objective function the -ln[likelihood]") + CRLF;
    if (q.modelSuggestion > 0.0) {
        // The model hands its constant over in single precision.
        const double suggestion = static_cast<float>(q.modelSuggestion);
        p.prompt += std::string(CRLF) + "Your model suggests you use this constant: ";
        p.defaultAnswer = Format(suggestion, "0.000");
    } else if (q.dataCount >= 1) {
        p.prompt += std::string(CRLF) + "If your objective function is the sum of squares, then use this constant: ";
        // With f0 = 0 the sum-of-squares suggestion is undefined: offer nothing.
        if (q.centreValue != 0.0) {
            const double s = (static_cast<double>(q.dataCount) - q.freeCount) / (2.0 * q.centreValue);
            p.defaultAnswer = Format(s, "0.0000000E+00");
        }
    }
    return p;
}

double AskCovarianceConstant(Workbench& wb, const ConstantQuestion& q) {
    const ConstantPrompt p = ConstantPromptFor(q);
    while (true) {
        wb.Status(1, "");
        const std::string answer = wb.ports.dialogs.InputPrompt(kConstantTitle, p.prompt, p.defaultAnswer);
        if (answer.empty()) continue;
        const auto c = StrictNumber(answer);
        if (c && *c > 0.0) {
            wb.priorTable.reciprocalConstant = 1.0 / *c;
            return *c;
        }
        RefuseNonPositiveConstant(wb);
    }
}

void RefuseNonPositiveConstant(Workbench& wb) {
    wb.ports.dialogs.MessageBox("Insufficient degrees of freedom",
                                "Cannot accept a negative or zero constant; perhaps the degrees of freedom are "
                                "zero or fewer",
                                Buttons::OK, Icon::Exclamation);
}

ConstantQuestion ConstantQuestionFor(const Workbench& wb, double centreValue, int freeCount) {
    ConstantQuestion q;
    q.modelSuggestion = wb.model ? wb.model->SuggestedCovarianceConstant() : 0.0;
    q.dataCount = wb.dataCount;
    q.freeCount = freeCount;
    q.centreValue = centreValue;
    return q;
}

}  // namespace corvane
