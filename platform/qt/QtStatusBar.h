#pragma once
// The main window's six bars of status panels.
#include <QWidget>
#include <map>
#include <vector>

#include "platform/StatusBar.h"

class QHBoxLayout;
class QLabel;

namespace corvane {

class QtStatusBar : public QWidget, public StatusBar {
public:
    static constexpr int kBars = 6;
    explicit QtStatusBar(QWidget* parent = nullptr);

    void Set(Panel panel, const std::string& text) override;
    std::string Get(Panel panel) const override;

    // The label of a panel, or null when it was never set.
    QLabel* PanelLabel(Panel panel) const;
    // A bar is shown while any of its panels has text; the first bar (the
    // algorithm file) and the activity bar are always shown.
    bool BarShown(int bar) const;

private:
    QLabel* EnsurePanel(Panel panel);
    void UpdateBar(int bar);

    std::map<Panel, std::string> texts_;
    std::vector<QWidget*> bars_;
    std::vector<QHBoxLayout*> layouts_;
    std::map<Panel, QLabel*> labels_;
};

}  // namespace corvane
