#pragma once
// Six bars of panels in the main window.
#include <map>
#include <string>
#include <utility>

namespace corvane {

struct Panel {
    int bar;
    int panel;
    auto operator<=>(const Panel&) const = default;
};

namespace panels {
inline constexpr Panel AlgorithmFile{0, 1};
inline constexpr Panel FrequencyFile{1, 1};
inline constexpr Panel PriorsFile{1, 2};
inline constexpr Panel IncrementFile{2, 1};
inline constexpr Panel DataRead{3, 1};  // what the model read at its set-up
inline constexpr Panel ProfileRemaining{4, 1};
inline constexpr Panel ProfileTime{4, 2};
// The activity bar: "status panel k" of a running command is Activity(k).
constexpr Panel Activity(int k) { return Panel{5, k}; }
}  // namespace panels

class StatusBar {
public:
    virtual ~StatusBar() = default;
    virtual void Set(Panel panel, const std::string& text) = 0;
    virtual std::string Get(Panel panel) const = 0;
    void Clear(Panel panel) { Set(panel, ""); }
    // Clears activity panels first..last.
    void ClearActivity(int first, int last) {
        for (int k = first; k <= last; ++k) Clear(panels::Activity(k));
    }
};

// A status bar that only remembers its texts (the command-line front end and tests).
class MemoryStatusBar : public StatusBar {
public:
    void Set(Panel panel, const std::string& text) override { texts_[panel] = text; }
    std::string Get(Panel panel) const override {
        auto it = texts_.find(panel);
        return it == texts_.end() ? std::string() : it->second;
    }

private:
    std::map<Panel, std::string> texts_;
};

}  // namespace corvane
