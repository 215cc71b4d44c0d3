#pragma once
// The user dialogue port: message boxes, input prompts, file dialogues and
// the event processing that lets a long computation stay responsive.
#include <optional>
#include <string>

namespace corvane {

enum class Buttons { OK, OKCancel, YesNo, YesNoCancel };

// InformationCritical is the style that asks for both flags at once; it is
// shown with the critical icon.
enum class Icon { None, Information, Question, Exclamation, Critical, InformationCritical };

enum class Answer { OK, Cancel, Yes, No };

struct FileRequest {
    bool save = false;
    std::string title;
    std::string filter;        // "desc|pattern|desc|pattern..." as written in the dialogues
    int selectedFilter = 1;    // 1-based entry of the filter list
    std::string initialName;
    bool overwritePrompt = false;
    // An open dialogue accepts only a file that exists, unless the file is to
    // be made through it (the run log is named in an open dialogue).
    bool mustExist = true;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual Answer MessageBox(const std::string& title, const std::string& text, Buttons buttons, Icon icon,
                              bool secondIsDefault = false) = 0;
    // Empty text on Cancel.
    virtual std::string InputPrompt(const std::string& title, const std::string& prompt,
                                    const std::string& defaultText) = 0;
    // nullopt on Cancel.
    virtual std::optional<std::string> FileDialog(const FileRequest& request) = 0;
    virtual void ProcessEvents() = 0;
    // Lets events run until at least one came, for a loop that only waits
    // for the user (a computation keeps calling ProcessEvents instead).
    virtual void WaitForEvents() { ProcessEvents(); }
    // The audible signal that a computation has finished; silent unless the
    // platform has one.
    virtual void Beep() {}
};

std::string ToString(Buttons buttons);
std::string ToString(Icon icon);
std::string ToString(Answer answer);

}  // namespace corvane
