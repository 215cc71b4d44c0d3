#include "platform/Dialogs.h"

#include <algorithm>

#include "numeric/FixedColumns.h"
#include "numeric/Format.h"

namespace corvane {

std::string ToString(Buttons buttons) {
    switch (buttons) {
        case Buttons::OK: return "OK";
        case Buttons::OKCancel: return "OK/Cancel";
        case Buttons::YesNo: return "Yes/No";
        case Buttons::YesNoCancel: return "Yes/No/Cancel";
    }
    return "?";
}

std::string ToString(Icon icon) {
    switch (icon) {
        case Icon::None: return "none";
        case Icon::Information: return "information";
        case Icon::Question: return "question";
        case Icon::Exclamation: return "exclamation";
        case Icon::Critical: return "critical";
        case Icon::InformationCritical: return "information+critical";
    }
    return "?";
}

std::string ToString(Answer answer) {
    switch (answer) {
        case Answer::OK: return "OK";
        case Answer::Cancel: return "Cancel";
        case Answer::Yes: return "Yes";
        case Answer::No: return "No";
    }
    return "?";
}

TypedChoice ReadTypedChoice(const std::string& answer, int count) {
    TypedChoice c;
    if (count >= 1) {
        if (const auto n = StrictInteger(answer, 1, count)) {
            c.index = static_cast<int>(*n) - 1;
            return c;
        }
    }
    const std::string range = count == 1 ? std::string("1") : "a whole number from 1 to " + NumberText(count);
    c.refusal = "\"" + Trim(answer) + "\" is not one of the choices." + CRLF + "Please enter " + range + ".";
    return c;
}

int TickedCount(const std::vector<bool>& ticked) {
    return static_cast<int>(std::count(ticked.begin(), ticked.end(), true));
}

bool ChecklistAccepts(const Checklist& list, const std::vector<bool>& ticked) {
    return ticked.size() == list.items.size() && (list.maxTicked <= 0 || TickedCount(ticked) <= list.maxTicked);
}

std::string ChecklistStatus(const Checklist& list, const std::vector<bool>& ticked) {
    const int n = TickedCount(ticked);
    std::string t = NumberText(n) + " ticked";
    if (list.maxTicked <= 0) return t;
    if (n > list.maxTicked) return t + ": untick " + NumberText(n - list.maxTicked) + ", at most " +
                                   NumberText(list.maxTicked) + " can be chosen";
    return t + " (at most " + NumberText(list.maxTicked) + ")";
}

std::optional<int> Dialogs::ChooseFromList(const ListChoice& choice) {
    const int count = static_cast<int>(choice.items.size());
    for (;;) {
        const std::string answer = InputPrompt(choice.title, choice.prompt, choice.typedDefault);
        if (answer.empty()) return std::nullopt;
        const TypedChoice c = ReadTypedChoice(answer, count);
        if (c.index) return c.index;
        MessageBox(choice.title, c.refusal, Buttons::OK, Icon::Exclamation);
    }
}

std::optional<int> Dialogs::ChooseButton(const ButtonChoice& choice) {
    // The question has always been Yes or No; Cancel is for named buttons.
    switch (MessageBox(choice.title, choice.yesNoText, Buttons::YesNo, Icon::Question)) {
        case Answer::Yes: return 0;
        case Answer::No: return 1;
        default: return std::nullopt;
    }
}

std::optional<std::vector<bool>> Dialogs::ChooseSeveral(const Checklist& list) { return list.ticked; }

}  // namespace corvane
