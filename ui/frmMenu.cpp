#include "ui/frmMenu.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/CommandMenu.h"

namespace corvane {

frmMenu::frmMenu(CommandMenu& menu, QWidget* parent) : QWidget(parent), menu_(menu) {
    setObjectName(QStringLiteral("frmMenu"));
    setWindowTitle(QString::fromLatin1(menu::Caption));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(8);

    auto* welcome = new QLabel(QString::fromLatin1(menu::Welcome), this);
    welcome->setObjectName(QStringLiteral("lblWelcome"));
    welcome->setTextFormat(Qt::PlainText);
    welcome->setWordWrap(true);
    welcome->setAlignment(Qt::AlignCenter);
    QFont bold = welcome->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.1);
    welcome->setFont(bold);
    layout->addWidget(welcome);

    lblModelName_ = new QLabel(this);
    lblModelName_->setObjectName(QStringLiteral("lblModelName"));
    lblModelName_->setTextFormat(Qt::PlainText);
    lblModelName_->setWordWrap(true);
    lblModelName_->setAlignment(Qt::AlignCenter);
    QFont italic = lblModelName_->font();
    italic.setItalic(true);
    lblModelName_->setFont(italic);
    layout->addWidget(lblModelName_);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);

    auto* grid = new QGridLayout();
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(6);
    const char* left[] = {menu::Initialize, menu::LoadAlg, menu::EditAlg, menu::SaveAlg, menu::OneFunction,
                          menu::Bayesian};
    for (int r = 0; r < 6; ++r) grid->addWidget(MakeButton(left[r]), r, 0);

    auto* minimise = new QHBoxLayout();
    minimise->setSpacing(6);
    auto* minimizeWith = new QLabel(QString::fromLatin1(menu::MinimizeWith), this);
    minimizeWith->setObjectName(QStringLiteral("lblMinimize"));
    minimise->addWidget(minimizeWith);
    minimise->addWidget(MakeButton(menu::Simplex), 1);
    minimise->addWidget(MakeButton(menu::Marquardt), 1);
    grid->addLayout(minimise, 0, 1);
    const char* right[] = {menu::UserSummary, menu::Covariance, menu::ParEstimate, menu::Rank};
    for (int r = 0; r < 4; ++r) grid->addWidget(MakeButton(right[r]), r + 1, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);

    auto* bottom = new QHBoxLayout();
    bottom->addStretch(1);
    QPushButton* quit = MakeButton(menu::Quit);
    quit->setMinimumWidth(120);
    bottom->addWidget(quit);
    layout->addLayout(bottom);

    Render();
}

QPushButton* frmMenu::MakeButton(const char* name) {
    auto* b = new QPushButton(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setMinimumHeight(30);
    b->setAutoDefault(true);  // Enter presses the focused button
    const std::string n = name;
    connect(b, &QPushButton::clicked, this, [this, n] { menu_.Click(n); });
    buttons_[n] = b;
    return b;
}

QPushButton* frmMenu::ButtonWidget(const std::string& name) const {
    auto it = buttons_.find(name);
    return it == buttons_.end() ? nullptr : it->second;
}

void frmMenu::Render() {
    lblModelName_->setText(QString::fromStdString(menu_.ModelName()));
    lblModelName_->setVisible(!menu_.ModelName().empty());
    for (const auto& b : menu_.Buttons()) {
        QPushButton* w = ButtonWidget(b.name);
        if (!w) continue;
        w->setText(QString::fromStdString(b.caption));
        w->setToolTip(QString::fromStdString(b.toolTip));
        w->setEnabled(b.enabled);
    }
    if (!isVisible()) return;  // the focus waits until the menu is shown
    const std::string focus = menu_.TakeFocus();
    if (QPushButton* w = ButtonWidget(focus)) {
        // Keyboard accelerators of an MDI child work only while the focus is
        // inside it, so the menu becomes the active child first.
        if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()); sub && sub->mdiArea())
            sub->mdiArea()->setActiveSubWindow(sub);
        w->setFocus(Qt::OtherFocusReason);
    }
}

}  // namespace corvane
