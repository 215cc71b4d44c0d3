#include "platform/TextView.h"

#include <algorithm>

#include "numeric/Format.h"
#include "platform/SafeFile.h"

namespace corvane {

TextView::TextView(std::string name, std::string caption, int areas)
    : name_(std::move(name)), caption_(std::move(caption)), areas_(static_cast<std::size_t>(areas < 1 ? 1 : areas)) {}

void TextView::SetCaption(std::string caption) {
    caption_ = std::move(caption);
    Changed();
}

const std::string& TextView::Area(int k) const { return areas_.at(static_cast<std::size_t>(k - 1)); }

void TextView::SetArea(int k, std::string text) {
    areas_.at(static_cast<std::size_t>(k - 1)) = std::move(text);
    Changed();
}

void TextView::AppendArea(int k, const std::string& text) {
    areas_.at(static_cast<std::size_t>(k - 1)) += text;
    Changed();
}

void TextView::ClearAreas() {
    for (auto& a : areas_) a.clear();
    Changed();
}

ViewButton& TextView::AddButton(std::string name, std::string caption, std::function<void()> onClick) {
    buttons_.push_back(ViewButton{std::move(name), std::move(caption), {}, true, true, std::move(onClick)});
    Changed();
    return buttons_.back();
}

ViewButton* TextView::Button(const std::string& name) {
    for (auto& b : buttons_)
        if (b.name == name) return &b;
    return nullptr;
}

void TextView::SetButtonEnabled(const std::string& name, bool enabled) {
    if (auto* b = Button(name)) {
        b->enabled = enabled;
        Changed();
    }
}

void TextView::SetButtonVisible(const std::string& name, bool visible) {
    if (auto* b = Button(name)) {
        b->visible = visible;
        Changed();
    }
}

void TextView::SetButtonCaption(const std::string& name, std::string caption) {
    if (auto* b = Button(name)) {
        b->caption = std::move(caption);
        Changed();
    }
}

void TextView::Click(const std::string& name) {
    ViewButton* b = Button(name);
    if (b && b->enabled && b->visible && b->onClick) {
        auto action = b->onClick;  // the handler may change the button list
        action();
    }
}

void MemoryWindowHost::Show(TextView& view) {
    ++shows_;
    // Showing brings a window to the front: the last of the list.
    open_.erase(std::remove(open_.begin(), open_.end(), &view), open_.end());
    open_.push_back(&view);
}

void MemoryWindowHost::Close(TextView& view) {
    open_.erase(std::remove(open_.begin(), open_.end(), &view), open_.end());
}

bool MemoryWindowHost::IsOpen(const TextView& view) const {
    return std::find(open_.begin(), open_.end(), &view) != open_.end();
}

std::string SaveTextResult(Dialogs& dialogs, const FileRequest& request, const std::string& text) {
    const auto path = dialogs.FileDialog(request);
    if (!path || path->empty()) return "";
    const std::string saved = "Originally saved with the file name: " + *path + CRLF + CRLF + text;
    if (const WriteResult r = WriteFileSafely(*path, saved); !r) {
        dialogs.MessageBox("File not saved", "The file " + *path + " could not be written (" + r.reason + ").",
                           Buttons::OK, Icon::Exclamation);
        return "";
    }
    return *path;
}

std::string SaveViewText(Dialogs& dialogs, const FileRequest& request, TextView& view) {
    const std::string path = SaveTextResult(dialogs, request, view.Area(1));
    if (!path.empty()) view.SetArea(1, "Originally saved with the file name: " + path + CRLF + CRLF + view.Area(1));
    return path;
}

}  // namespace corvane
