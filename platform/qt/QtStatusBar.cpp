#include "platform/qt/QtStatusBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/qt/QtText.h"

namespace corvane {

QtStatusBar::QtStatusBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("stbMain"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(2, 1, 2, 2);
    column->setSpacing(1);
    for (int bar = 0; bar < kBars; ++bar) {
        auto* row = new QWidget(this);
        row->setObjectName(QStringLiteral("stbMain%1").arg(bar));
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(2);
        column->addWidget(row);
        bars_.push_back(row);
        layouts_.push_back(layout);
        UpdateBar(bar);
    }
    // Panels that exist from the start keep the bars from jumping.
    EnsurePanel(panels::AlgorithmFile);
    EnsurePanel(panels::Activity(1));
    EnsurePanel(panels::Activity(2));
}

QLabel* QtStatusBar::EnsurePanel(Panel panel) {
    if (panel.bar < 0 || panel.bar >= kBars || panel.panel < 1) return nullptr;
    if (auto it = labels_.find(panel); it != labels_.end()) return it->second;
    // Panels of a bar are created in order, so panel k sits k-th from the left.
    for (int k = 1; k < panel.panel; ++k) EnsurePanel(Panel{panel.bar, k});
    auto* label = new QLabel(bars_[static_cast<std::size_t>(panel.bar)]);
    label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    label->setMinimumWidth(60);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    label->setContentsMargins(3, 0, 3, 0);
    layouts_[static_cast<std::size_t>(panel.bar)]->addWidget(label, 1);
    labels_[panel] = label;
    return label;
}

void QtStatusBar::Set(Panel panel, const std::string& text) {
    texts_[panel] = text;
    if (QLabel* label = EnsurePanel(panel)) {
        const QString shown = ToQt(text);
        label->setText(shown);
        label->setToolTip(shown);
        // A bar's width goes to its panels by the length of their texts, so
        // that a long activity text is not cut beside empty panels.
        layouts_[static_cast<std::size_t>(panel.bar)]->setStretchFactor(
            label, std::max<int>(8, static_cast<int>(shown.size())));
    }
    if (panel.bar >= 0 && panel.bar < kBars) UpdateBar(panel.bar);
}

std::string QtStatusBar::Get(Panel panel) const {
    auto it = texts_.find(panel);
    return it == texts_.end() ? std::string() : it->second;
}

QLabel* QtStatusBar::PanelLabel(Panel panel) const {
    auto it = labels_.find(panel);
    return it == labels_.end() ? nullptr : it->second;
}

bool QtStatusBar::BarShown(int bar) const {
    if (bar == panels::AlgorithmFile.bar || bar == panels::Activity(1).bar) return true;
    for (const auto& [panel, text] : texts_)
        if (panel.bar == bar && !text.empty()) return true;
    return false;
}

void QtStatusBar::UpdateBar(int bar) {
    bars_[static_cast<std::size_t>(bar)]->setVisible(BarShown(bar));
}

}  // namespace corvane
