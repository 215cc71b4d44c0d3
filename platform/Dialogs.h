#pragma once
// The user dialogue port: message boxes, input prompts, file dialogues and
// the event processing that lets a long computation stay responsive.
#include <optional>
#include <string>
#include <vector>

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

// A choice of one item from a numbered list (item k numbered k + 1), such
// as a parameter shown with its description.  Where no list can be shown
// the choice is typed in answer to the prompt.
struct ListChoice {
    std::string title;
    std::string prompt;
    std::vector<std::string> items;
    int initial = 0;           // the item selected at first (0-based)
    std::string typedDefault;  // what the typed prompt offers
};

// A choice between named buttons (the first the default), with Cancel
// besides when the flow can end there.  Where buttons cannot be named the
// Yes/No question stands for it (without Cancel): Yes the first caption, No
// the second.
struct ButtonChoice {
    std::string title;
    std::string text;
    std::vector<std::string> captions;  // two
    bool cancel = false;
    std::string yesNoText;
};

// Items to tick, at most maxTicked of them (0: any number).
struct Checklist {
    std::string title;
    std::string prompt;
    std::vector<std::string> items;
    std::vector<bool> ticked;  // at first
    int maxTicked = 0;
};

// A typed answer to a list choice: the item it names, or why it was refused.
struct TypedChoice {
    std::optional<int> index;  // 0-based
    std::string refusal;
};
// A whole number from 1 to count names item number - 1; anything else is
// refused with a text naming the range.
TypedChoice ReadTypedChoice(const std::string& answer, int count);

// How many are ticked, and whether a checklist can be accepted so.
int TickedCount(const std::vector<bool>& ticked);
bool ChecklistAccepts(const Checklist& list, const std::vector<bool>& ticked);
// The line under a checklist: the count, and the refusal past the limit.
std::string ChecklistStatus(const Checklist& list, const std::vector<bool>& ticked);

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

    // nullopt on Cancel.  Unless a platform shows a list, the number is
    // typed; an answer that names no item is refused with a message and
    // asked again.
    virtual std::optional<int> ChooseFromList(const ListChoice& choice);
    // The caption chosen (0-based); nullopt on Cancel.  Unless a platform
    // names its buttons, the Yes/No question is asked.
    virtual std::optional<int> ChooseButton(const ButtonChoice& choice);
    // The ticks accepted; nullopt on Cancel.  Unless a platform shows the
    // list, the initial ticks stand.
    virtual std::optional<std::vector<bool>> ChooseSeveral(const Checklist& list);
};

std::string ToString(Buttons buttons);
std::string ToString(Icon icon);
std::string ToString(Answer answer);

}  // namespace corvane
