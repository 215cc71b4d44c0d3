#pragma once
// Text windows without a toolkit: a caption, one or more text areas and
// buttons.  Computations and dialogues write into a TextView; the desktop
// renders it in a child window, tests read it directly.
#include <functional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace corvane {

struct ViewButton {
    std::string name;      // control name, e.g. "cmdStop"
    std::string caption;   // e.g. "&Interrupt"
    std::string toolTip;
    bool enabled = true;
    bool visible = true;
    std::function<void()> onClick;
};

class TextView {
public:
    TextView(std::string name, std::string caption, int areas = 1);

    const std::string& Name() const { return name_; }
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);

    int AreaCount() const { return static_cast<int>(areas_.size()); }
    // Areas are numbered from 1.
    const std::string& Area(int k) const;
    void SetArea(int k, std::string text);
    void AppendArea(int k, const std::string& text);
    void ClearAreas();
    // A window reports the user's edits of an editable area through this.
    void UserEdited(int k, std::string text) { areas_.at(static_cast<std::size_t>(k - 1)) = std::move(text); }

    // Layout hints for the window that renders the view.
    bool editable = false;       // areas may be edited by the user
    bool splitter = false;       // areas share the height through a draggable bar
    bool monospaced = true;      // fixed-column reports
    // Where the window opens and its size, in pixels of the main window's
    // area; a width or height of 0 leaves the host's defaults.
    int left = -1, top = -1, width = 0, height = 0;

    ViewButton& AddButton(std::string name, std::string caption, std::function<void()> onClick = {});
    ViewButton* Button(const std::string& name);
    const std::vector<ViewButton>& Buttons() const { return buttons_; }
    void SetButtonEnabled(const std::string& name, bool enabled);
    void SetButtonVisible(const std::string& name, bool visible);
    void SetButtonCaption(const std::string& name, std::string caption);
    // What a window (or a test) does when the user presses a button.
    void Click(const std::string& name);

    // The window listens here to re-render after any change.
    void SetListener(std::function<void()> listener) { listener_ = std::move(listener); }

    // Asked when the user closes the window; false keeps it open (a running
    // command's window turns the close into its Interrupt).  Unset: it closes.
    std::function<bool()> onUserClose;

private:
    void Changed() {
        if (listener_) listener_();
    }

    std::string name_;
    std::string caption_;
    std::vector<std::string> areas_;
    std::vector<ViewButton> buttons_;
    std::function<void()> listener_;
};

// The port through which views become windows.
class WindowHost {
public:
    virtual ~WindowHost() = default;
    virtual void Show(TextView& view) = 0;
    virtual void Close(TextView& view) = 0;
    virtual bool IsOpen(const TextView& view) const = 0;
    // Closes every window shown through this host (the results of a model
    // that has been initialised again).
    virtual void CloseAllWindows() = 0;
    // How many times a window was shown so far: a command that showed one
    // leaves it in front.
    virtual long ShowCount() const = 0;
};

// A host that only remembers which views are open (command line, tests).
class MemoryWindowHost : public WindowHost {
public:
    void Show(TextView& view) override;
    void Close(TextView& view) override;
    bool IsOpen(const TextView& view) const override;
    void CloseAllWindows() override { open_.clear(); }
    long ShowCount() const override { return shows_; }
    const std::vector<TextView*>& Open() const { return open_; }  // back to front
    TextView* Front() const { return open_.empty() ? nullptr : open_.back(); }

private:
    std::vector<TextView*> open_;
    long shows_ = 0;
};

// The Save of every text result window: asks for a file name, then writes
// "Originally saved with the file name: " + path, an empty line and the text
// (CR LF line ends).  Returns the path written, or empty when cancelled or
// when the file could not be written (the user is told).
std::string SaveTextResult(Dialogs& dialogs, const FileRequest& request, const std::string& text);
// The Save of a window whose text area 1 is saved: once written, the area
// shows the file's first line too, as the file has it.  The path, or empty.
std::string SaveViewText(Dialogs& dialogs, const FileRequest& request, TextView& view);

}  // namespace corvane
