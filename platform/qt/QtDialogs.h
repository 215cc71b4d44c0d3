#pragma once
// The user dialogue port on Qt: message boxes, input prompts, file
// dialogues and event processing.  The dialogues are built by functions of
// their own so that tests can inspect them without showing them.
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

#include "platform/Dialogs.h"

namespace corvane {

// A message box with the buttons in their usual order, the first button as
// default unless secondIsDefault, and Escape answering Cancel (or No when
// there is no Cancel, OK when OK is the only button).
std::unique_ptr<QMessageBox> BuildMessageBox(QWidget* parent, const std::string& title, const std::string& text,
                                             Buttons buttons, Icon icon, bool secondIsDefault);
// The answer of a box after it was shown (Escape's answer when it was closed).
Answer AnswerOf(const QMessageBox& box);

// "desc|pattern|desc|pattern|" as the dialogues write it, as Qt name filters.
// The description is shown unchanged; "*.*" selects every file and ";"
// separates patterns.
QStringList NameFilters(const std::string& filter);

// A file dialogue for the request.  Open dialogues accept only an existing
// file unless the request says the file is to be made (the run log); a typed
// relative name is taken in the dialogue's folder.
std::unique_ptr<QFileDialog> BuildFileDialog(QWidget* parent, const FileRequest& request);

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    Answer MessageBox(const std::string& title, const std::string& text, Buttons buttons, Icon icon,
                      bool secondIsDefault = false) override;
    std::string InputPrompt(const std::string& title, const std::string& prompt,
                            const std::string& defaultText) override;
    std::optional<std::string> FileDialog(const FileRequest& request) override;
    void ProcessEvents() override;
    // Sleeps until an event arrives instead of polling.
    void WaitForEvents() override;
    void Beep() override;

    // Runs before pending events are processed (the main window refreshes
    // what a running computation may have changed).
    std::function<void()> beforeProcessEvents;

private:
    QPointer<QWidget> parent_;
};

}  // namespace corvane
