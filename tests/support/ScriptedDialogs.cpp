#include "support/ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace corvane::testing {

namespace {
const char* KindName(ScriptedDialogs::Kind k) {
    switch (k) {
        case ScriptedDialogs::Kind::Message: return "message box";
        case ScriptedDialogs::Kind::Prompt: return "input prompt";
        case ScriptedDialogs::Kind::File: return "file dialogue";
    }
    return "?";
}
}  // namespace

ScriptedDialogs::~ScriptedDialogs() {
    for (const auto& e : expected_)
        ADD_FAILURE() << "expected " << KindName(e.kind) << " \"" << e.title << "\" was never shown";
}

ScriptedDialogs& ScriptedDialogs::ExpectMessage(std::string title, std::string textPiece, Answer answer) {
    expected_.push_back({Kind::Message, std::move(title), std::move(textPiece), answer, {}, {}});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::ExpectPrompt(std::string title, std::string textPiece, std::string answer) {
    expected_.push_back({Kind::Prompt, std::move(title), std::move(textPiece), Answer::OK, std::move(answer), {}});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::ExpectFile(std::string title, std::optional<std::string> path) {
    expected_.push_back({Kind::File, std::move(title), {}, Answer::OK, {}, std::move(path)});
    return *this;
}

std::optional<ScriptedDialogs::Expected> ScriptedDialogs::Take(Kind kind, const std::string& title,
                                                              const std::string& text) {
    if (expected_.empty()) {
        ADD_FAILURE() << "unexpected " << KindName(kind) << " \"" << title << "\": " << text;
        return std::nullopt;
    }
    Expected e = expected_.front();
    expected_.pop_front();
    if (e.kind != kind || e.title != title || text.find(e.textPiece) == std::string::npos) {
        ADD_FAILURE() << "expected " << KindName(e.kind) << " \"" << e.title << "\" containing \"" << e.textPiece
                      << "\", but got " << KindName(kind) << " \"" << title << "\": " << text;
        return std::nullopt;
    }
    return e;
}

Answer ScriptedDialogs::MessageBox(const std::string& title, const std::string& text, Buttons buttons, Icon icon,
                                   bool secondIsDefault) {
    shown.push_back({Kind::Message, title, text, buttons, icon, secondIsDefault, {}});
    const auto e = Take(Kind::Message, title, text);
    if (!e) return buttons == Buttons::OK ? Answer::OK : Answer::Cancel;
    return e->answer;
}

std::string ScriptedDialogs::InputPrompt(const std::string& title, const std::string& prompt,
                                         const std::string& defaultText) {
    Shown s{Kind::Prompt, title, prompt, Buttons::OKCancel, Icon::None, false, {}};
    s.request.initialName = defaultText;
    shown.push_back(s);
    const auto e = Take(Kind::Prompt, title, prompt);
    return e ? e->text : std::string();
}

std::optional<std::vector<bool>> ScriptedDialogs::ChooseSeveral(const Checklist& list) {
    checklists.push_back(list);
    if (checklistAnswers.empty()) return Dialogs::ChooseSeveral(list);
    auto answer = checklistAnswers.front();
    checklistAnswers.pop_front();
    return answer;
}

std::optional<std::string> ScriptedDialogs::FileDialog(const FileRequest& request) {
    shown.push_back({Kind::File, request.title, request.filter, Buttons::OKCancel, Icon::None, false, request});
    const auto e = Take(Kind::File, request.title, request.filter);
    if (!e) return std::nullopt;
    return e->path;
}

void ScriptedDialogs::ProcessEvents() {
    ++processEventsCalls;
    if (onProcessEvents) onProcessEvents(processEventsCalls);
}

bool RecordingStatusBar::EverShowed(const std::string& text) const {
    for (const auto& [panel, t] : history)
        if (t == text) return true;
    return false;
}

}  // namespace corvane::testing
