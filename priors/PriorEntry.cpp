#include "priors/PriorEntry.h"

#include <cmath>
#include <optional>

#include "numeric/FixedColumns.h"
#include "numeric/Format.h"
#include "platform/Dialogs.h"

namespace corvane {

namespace {

// "ß" of the Beta message (code 223 of Windows-1252), in UTF-8.
constexpr const char* kBeta = "\xC3\x9F";

struct Entry {
    Dialogs& dialogs;
    const char* title;
    int parameter;
    bool ended = false;  // cancelled, or an answer that is not a number

    std::string Number() const { return NumberText(parameter); }

    // One prompt; nullopt ends the command (the user was told why, unless
    // they cancelled).
    std::optional<double> Ask(const std::string& prompt, std::string* text = nullptr) {
        const std::string answer = dialogs.InputPrompt(title, prompt, "");
        if (answer.empty()) {
            ended = true;
            return std::nullopt;
        }
        const auto value = StrictNumber(answer);
        if (!value) {
            dialogs.MessageBox(title, "\"" + answer + "\" is not a number: parameter #" + Number() + " is unchanged.",
                               Buttons::OK, Icon::Exclamation);
            ended = true;
            return std::nullopt;
        }
        if (text) *text = Trim(answer);
        return value;
    }
    std::optional<double> Ask(const char* prompt, std::string* text = nullptr) {
        return Ask(std::string(prompt) + Number(), text);
    }

    // A refusal the user must hear about: the prior would divide by zero.
    bool Refuse(const std::string& why) {
        dialogs.MessageBox(title, why + ": parameter #" + Number() + " is unchanged.", Buttons::OK,
                           Icon::Exclamation);
        return false;
    }
};

void Store(PriorRow& row, char code, double mean, double sd) {
    row.type = code;
    row.firstMean = mean;
    row.firstSD = sd;
    row.secondMean = kUnusedTerm;
    row.secondSD = kUnusedTerm;
}

// The entered text of a number stored as its absolute value.
std::string AbsoluteText(const std::string& text, double value) {
    if (value < 0.0 && !text.empty() && text[0] == '-') return text.substr(1);
    return text;
}

bool Gaussian(Entry& e, PriorRow& row) {
    const auto mean = e.Ask("Choose mean of parameter #");
    if (!mean) return false;
    const auto sd = e.Ask("Choose SD of parameter #");
    if (!sd) return false;
    if (*sd == 0.0) return e.Refuse("A Gaussian prior with an SD of 0 would divide by zero");
    Store(row, 'N', *mean, std::fabs(*sd));
    return true;
}

bool Gamma(Entry& e, PriorRow& row) {
    const auto mean = e.Ask("Choose mean (> 0) of parameter #");
    if (!mean) return false;
    const auto sd = e.Ask("Choose SD (0 < SD < Mean) of parameter #");
    if (!sd) return false;
    // Tested as entered; the stored absolute values must keep SD < mean too,
    // or the density has no mode and every evaluation fails.
    if (!(*sd < *mean) || *mean == 0.0 || *sd == 0.0) return false;
    if (!(std::fabs(*sd) < std::fabs(*mean))) return false;
    Store(row, 'G', std::fabs(*mean), std::fabs(*sd));
    return true;
}

bool Exponential(Entry& e, PriorRow& row) {
    const auto mean = e.Ask(std::string("For the exponential distribution the instantaneous decay rate ") +
                            "is equal to the reciprocal of both the mean and the SD" + CRLF + CRLF +
                            "Choose the mean (and thus SD) of parameter #" + e.Number());
    if (!mean) return false;
    if (*mean == 0.0) return e.Refuse("An exponential prior with a mean of 0 would divide by zero");
    Store(row, 'E', std::fabs(*mean), std::fabs(*mean));
    return true;
}

bool LnNormal(Entry& e, PriorRow& row) {
    const auto mean = e.Ask("Choose mean (> 0) of parameter #");
    if (!mean) return false;
    const auto sd = e.Ask("Choose SD (> 0) of parameter #");
    if (!sd) return false;
    if (*mean == 0.0 || *sd == 0.0) return false;
    Store(row, 'L', std::fabs(*mean), std::fabs(*sd));
    return true;
}

bool Beta(Entry& e, PriorRow& row) {
    const auto mean = e.Ask("Choose mean (0 < mean < 1) of parameter #");
    if (!mean) return false;
    const auto sd = e.Ask("Choose SD (> 0) of parameter #");
    if (!sd) return false;
    if (!(*mean > 0.0 && *mean < 1.0) || *sd == 0.0) return false;
    const double m = std::fabs(*mean);
    const double s = std::fabs(*sd);
    const BetaShape shape = BetaShapeOf(m, s);
    if (!(shape.a > 0.0)) {
        e.dialogs.MessageBox("Beta",
                             std::string("An unacceptable (< 0) value for 'a' of ") + kBeta +
                                 " (a,b) is: " + Format(shape.a, "####0.####"),
                             Buttons::OK, Icon::Information);
        return false;
    }
    if (!(shape.b > 0.0)) {
        e.dialogs.MessageBox("Beta",
                             std::string("An unacceptable (< 0) value for 'b' of ") + kBeta +
                                 " (a,b) is: " + Format(shape.b, "####0.####"),
                             Buttons::OK, Icon::Information);
        return false;
    }
    e.dialogs.MessageBox("Beta",
                         std::string("The corresponding values for 'a' & 'b' of ") + kBeta + " (a,b) are: " +
                             Format(shape.a, "####0.####") + " & " + Format(shape.b, "####0.####"),
                         Buttons::OK, Icon::Information);
    Store(row, 'B', m, s);
    return true;
}

bool Cliff(Entry& e, PriorRow& row, char code, const char* footPrompt, const char* sdPrompt) {
    const auto foot = e.Ask(footPrompt);
    if (!foot) return false;
    const auto sd = e.Ask(sdPrompt);
    if (!sd) return false;
    Store(row, code, *foot, std::fabs(*sd));
    return true;
}

bool UniformBounded(Entry& e, PriorRow& row) {
    // All four prompts again until the right foot exceeds the left.
    for (;;) {
        const auto left = e.Ask("Choose left foot of parameter #");
        if (!left) return false;
        const auto leftSD = e.Ask("Choose SD @ the left foot of parameter #");
        if (!leftSD) return false;
        std::string rightText, rightSDText;
        const auto right =
            e.Ask("Choose right foot of parameter #" + e.Number() + ", it must exceed left foot.", &rightText);
        if (!right) return false;
        const auto rightSD = e.Ask("Choose SD @ the right foot of parameter #", &rightSDText);
        if (!rightSD) return false;
        if (!(*right > *left)) continue;
        row.type = 'T';
        row.firstMean = *left;
        row.firstSD = std::fabs(*leftSD);
        row.secondMean = rightText;
        row.secondSD = AbsoluteText(rightSDText, *rightSD);
        return true;
    }
}

}  // namespace

const std::vector<PriorEntryCommand>& PriorEntryCommands() {
    static const std::vector<PriorEntryCommand> commands = {
        {'N', "Gaussian (i.e., &Normal)", "Gaussian (i.e., Normal)"},
        {'G', "&Gamma", "Gamma"},
        {'E', "&Exponential", "Exponential"},
        {'L', "&Ln-normal", "Ln-normal"},
        {'B', "&Beta", "Beta"},
        {'S', "Left-&side cliff", "Left-side cliff"},
        {'D', "Right-si&de cliff", "Right-side cliff"},
        {'T', "Feet of a uniform-b&ounded", "Uniform-bounded"},
        {'U', "Default (&Uniform-unbounded)", "Uniform-unbounded"},
    };
    return commands;
}

const PriorEntryCommand* FindPriorEntryCommand(char code) {
    for (const auto& c : PriorEntryCommands())
        if (c.code == code) return &c;
    return nullptr;
}

bool RunPriorEntry(Dialogs& dialogs, char code, int parameter, PriorRow& row) {
    const PriorEntryCommand* command = FindPriorEntryCommand(code);
    if (!command) return false;
    Entry e{dialogs, command->title, parameter};
    switch (code) {
        case 'N': return Gaussian(e, row);
        case 'G': return Gamma(e, row);
        case 'E': return Exponential(e, row);
        case 'L': return LnNormal(e, row);
        case 'B': return Beta(e, row);
        case 'S':
            return Cliff(e, row, 'S', "Choose left foot of parameter #", "Choose SD @ the left foot of parameter #");
        case 'D':
            return Cliff(e, row, 'D', "Choose right foot of parameter #", "Choose SD @ the right foot of parameter #");
        case 'T': return UniformBounded(e, row);
        case 'U': row = PriorRow{}; return true;
        default: return false;
    }
}

}  // namespace corvane
