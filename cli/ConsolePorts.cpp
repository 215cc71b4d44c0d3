#include "cli/ConsolePorts.h"

#include <ostream>

namespace corvane::cli {

// Message texts use CR LF inside; on a terminal a plain LF reads better.
std::string ForTerminal(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

ConsoleDialogs::ConsoleDialogs(std::ostream& err) : err_(err) {}

Answer ConsoleDialogs::MessageBox(const std::string& title, const std::string& text, Buttons buttons, Icon,
                                  bool secondIsDefault) {
    ++messages_;
    if (beforeMessage) beforeMessage();
    err_ << title << ": " << ForTerminal(text) << "\n";
    Answer answer = Answer::OK;
    std::string reason = "the default";
    switch (buttons) {
        case Buttons::OK: answer = Answer::OK; break;
        case Buttons::OKCancel: answer = secondIsDefault ? Answer::Cancel : Answer::OK; break;
        case Buttons::YesNo:
        case Buttons::YesNoCancel: answer = secondIsDefault ? Answer::No : Answer::Yes; break;
    }
    if (auto it = answers_.find(title); it != answers_.end()) {
        answer = it->second.answer;
        reason = it->second.reason;
    }
    // A question answered without a person: say which answer was taken.
    if (buttons != Buttons::OK) {
        static const char* names[] = {"OK", "Cancel", "Yes", "No"};
        err_ << "  answer: " << names[static_cast<int>(answer)] << (reason.empty() ? "" : " (" + reason + ")") << "\n";
    }
    err_.flush();
    if (afterAnswer) afterAnswer(title, answer);
    return answer;
}

std::string ConsoleDialogs::InputPrompt(const std::string& title, const std::string&, const std::string& defaultText) {
    if (auto it = prompts_.find(title); it != prompts_.end()) return it->second;
    return defaultText;
}

std::optional<std::string> ConsoleDialogs::FileDialog(const FileRequest& request) {
    if (auto it = files_.find(request.title); it != files_.end()) return it->second;
    return std::nullopt;
}

void ConsoleDialogs::ProcessEvents() {
    if (onProcessEvents) onProcessEvents();
}

}  // namespace corvane::cli
