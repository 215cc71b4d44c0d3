#pragma once
// Ports for running without a display: every message box is written to
// standard error as "title: text" and answered from a table of explicit
// answers (or a documented default), prompts and file dialogues likewise.
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/StatusBar.h"
#include "platform/TextView.h"

namespace corvane::cli {

// Text for a terminal: CR LF line ends become LF.
std::string ForTerminal(const std::string& text);

class ConsoleDialogs : public Dialogs {
public:
    explicit ConsoleDialogs(std::ostream& err);

    Answer MessageBox(const std::string& title, const std::string& text, Buttons buttons, Icon icon,
                      bool secondIsDefault) override;
    std::string InputPrompt(const std::string& title, const std::string& prompt, const std::string& defaultText) override;
    std::optional<std::string> FileDialog(const FileRequest& request) override;
    void ProcessEvents() override;

    // Answers by title; without one a box gets its default (OK, the first
    // button, or the second when it is the default).  A question's answer is
    // written under it ("  answer: No (--on-limit stop)"), with the reason
    // given here.
    void AnswerTitle(const std::string& title, Answer answer, std::string reason = "") {
        answers_[title] = {answer, std::move(reason)};
    }
    // Prompts answered by title; without one the default text is accepted.
    void PromptTitle(const std::string& title, std::string answer) { prompts_[title] = std::move(answer); }
    // File dialogues answered by title; without one the dialogue is cancelled.
    void FileTitle(const std::string& title, std::string path) { files_[title] = std::move(path); }
    // Called by ProcessEvents (progress display, interrupts in tests).
    std::function<void()> onProcessEvents;
    // Called before a message is written (a progress line ends its line).
    std::function<void()> beforeMessage;
    // Called with every answer given, after it is written.
    std::function<void(const std::string& title, Answer answer)> afterAnswer;

    int MessagesShown() const { return messages_; }

private:
    std::ostream& err_;
    struct Given {
        Answer answer;
        std::string reason;
    };
    std::map<std::string, Given> answers_;
    std::map<std::string, std::string> prompts_;
    std::map<std::string, std::string> files_;
    int messages_ = 0;
};

// Everything a command needs to build a Workbench without a display.
struct ConsolePorts {
    explicit ConsolePorts(std::ostream& err) : dialogs(err) {}
    ConsoleDialogs dialogs;
    MemoryStatusBar status;
    MemoryWindowHost windows;
    SystemClock clock;
    DefaultRandom random;
};

}  // namespace corvane::cli
