#pragma once
// The user dialogue port on Qt: message boxes, input prompts, file
// dialogues and event processing.  The dialogues are built by functions of
// their own so that tests can inspect them without showing them.
#include <QDialog>
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

// The list of one choice: the prompt over the numbered items, the initial
// item current; Enter or a double click takes the current item.
std::unique_ptr<QDialog> BuildListDialog(QWidget* parent, const ListChoice& choice);
// The item taken (0-based), or nullopt when the dialogue was not accepted.
std::optional<int> ListAnswer(const QDialog& dialog);

// A question with the choice's captions on its buttons, the first the
// default, Cancel (and Escape) only when the choice has it.
std::unique_ptr<QMessageBox> BuildButtonBox(QWidget* parent, const ButtonChoice& choice);
// The caption pressed (0-based), or nullopt for Cancel.
std::optional<int> ButtonAnswer(const QMessageBox& box);

// Check boxes, Space toggling the current one; OK is refused (disabled,
// with the reason under the list) while more are ticked than allowed.
std::unique_ptr<QDialog> BuildChecklistDialog(QWidget* parent, const Checklist& list);
// The ticks as they stand in the dialogue.
std::vector<bool> ChecklistTicks(const QDialog& dialog);

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
    std::optional<int> ChooseFromList(const ListChoice& choice) override;
    std::optional<int> ChooseButton(const ButtonChoice& choice) override;
    std::optional<std::vector<bool>> ChooseSeveral(const Checklist& list) override;

    // Runs before pending events are processed (the main window refreshes
    // what a running computation may have changed).
    std::function<void()> beforeProcessEvents;

private:
    QPointer<QWidget> parent_;
};

}  // namespace corvane
