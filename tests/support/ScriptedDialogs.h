#pragma once
// Scripted ports: the dialogues a test expects, in order, each with its
// title, a piece of its text and the answer to give.  Any surprise (a box
// nobody expected, a different title, a missing text piece) fails the test.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/modCorvane.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/StatusBar.h"
#include "platform/TextView.h"

namespace corvane::testing {

class ScriptedDialogs : public Dialogs {
public:
    enum class Kind { Message, Prompt, File };

    struct Shown {
        Kind kind;
        std::string title;
        std::string text;
        Buttons buttons = Buttons::OK;
        Icon icon = Icon::None;
        bool secondIsDefault = false;
        FileRequest request;  // for file dialogues
    };

    ~ScriptedDialogs() override;

    ScriptedDialogs& ExpectMessage(std::string title, std::string textPiece, Answer answer = Answer::OK);
    ScriptedDialogs& ExpectPrompt(std::string title, std::string textPiece, std::string answer);
    // nullopt answers Cancel.
    ScriptedDialogs& ExpectFile(std::string title, std::optional<std::string> path);

    Answer MessageBox(const std::string& title, const std::string& text, Buttons buttons, Icon icon,
                      bool secondIsDefault = false) override;
    std::string InputPrompt(const std::string& title, const std::string& prompt,
                            const std::string& defaultText) override;
    std::optional<std::string> FileDialog(const FileRequest& request) override;
    void ProcessEvents() override;
    // Answered by the next of checklistAnswers (nullopt: Cancel); past them
    // the initial ticks stand, as on a platform without check boxes.
    std::optional<std::vector<bool>> ChooseSeveral(const Checklist& list) override;
    std::deque<std::optional<std::vector<bool>>> checklistAnswers;
    std::vector<Checklist> checklists;  // every checklist shown, in order

    // Runs on every ProcessEvents call with the call's number (from 1);
    // tests use it to press Interrupt at a chosen moment.
    std::function<void(int)> onProcessEvents;
    int processEventsCalls = 0;

    // Every dialogue shown, in order.
    std::vector<Shown> shown;
    const Shown& Last() const { return shown.back(); }
    bool AllDone() const { return expected_.empty(); }

private:
    struct Expected {
        Kind kind;
        std::string title;
        std::string textPiece;
        Answer answer = Answer::OK;
        std::string text;
        std::optional<std::string> path;
    };
    std::optional<Expected> Take(Kind kind, const std::string& title, const std::string& text);
    std::deque<Expected> expected_;
};

// A status bar that keeps every text it was given.
class RecordingStatusBar : public MemoryStatusBar {
public:
    void Set(Panel panel, const std::string& text) override {
        history.push_back({panel, text});
        MemoryStatusBar::Set(panel, text);
    }
    bool EverShowed(const std::string& text) const;
    std::vector<std::pair<Panel, std::string>> history;
};

// All ports of a test in one place, with a clock fixed at 18:42 on 7 December.
struct TestPorts {
    ScriptedDialogs dialogs;
    RecordingStatusBar status;
    MemoryWindowHost windows;
    FixedClock clock{12, 7, 2026, 18, 42, 5.0};
    DefaultRandom random{12345};
    Ports ports() { return Ports{dialogs, status, windows, clock, random}; }
};

}  // namespace corvane::testing
