#include "platform/qt/QtScreenFit.h"

#include <QSettings>

#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>

#include "platform/ScreenFit.h"

namespace corvane {

namespace {

ScreenRect FromQt(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

// Moves the window's content into a scroll area, so that a window smaller
// than its content still reaches every control.
void ScrollContent(QWidget* window, bool across, bool down) {
    if (window->property("corvaneScrolled").toBool()) return;
    QLayout* content = window->layout();
    if (!content) return;
    // A window laid out top to bottom ends with its row of buttons: that row
    // stays outside, always in sight, and only what is above it scrolls.
    QLayoutItem* buttons = nullptr;
    if (auto* box = qobject_cast<QBoxLayout*>(content);
        box && box->direction() == QBoxLayout::TopToBottom && box->count() > 1 && box->itemAt(box->count() - 1)->layout())
        buttons = box->takeAt(box->count() - 1);
    auto* inner = new QWidget();
    inner->setObjectName(window->objectName() + QStringLiteral("Content"));
    inner->setLayout(content);  // takes the layout and its widgets from the window
    auto* scroll = new QScrollArea(window);
    scroll->setObjectName(window->objectName() + QStringLiteral("Scroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(across ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(down ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    scroll->setWidget(inner);
    auto* outer = new QVBoxLayout(window);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll, 1);
    if (buttons) {
        const QMargins m = content->contentsMargins();
        auto* row = new QVBoxLayout();
        row->setContentsMargins(m.left(), 0, m.right(), m.bottom());
        row->addItem(buttons);
        outer->addLayout(row);
    }
    window->setProperty("corvaneScrolled", true);
}

}  // namespace

QRect AvailableArea(const QWidget* window) {
    const QScreen* screen = nullptr;
    if (window) screen = window->screen();
    if (!screen && window && window->parentWidget()) screen = window->parentWidget()->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QSize FrameAllowance(const QWidget* window) {
    // A shown window knows its frame; before that, the style's title bar and
    // borders are a fair guess (the window manager's own may differ a little).
    if (window->isVisible()) {
        const QRect frame = window->frameGeometry();
        const QRect client = window->geometry();
        if (frame != client) return frame.size() - client.size();
    }
    const QStyle* style = window->style();
    const int border = std::max(4, style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, window));
    const int title = std::max(30, style->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window));
    return {2 * border, title + 2 * border};
}

void FitOnScreen(QWidget* window, QSize wanted, QPoint at) {
    if (!wanted.isValid()) wanted = window->size();
    const QRect room = AvailableArea(window);
    const QSize frame = FrameAllowance(window);
    const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize());
    WindowNeeds needs{wanted.width(), wanted.height(), least.width(), least.height(), frame.width(), frame.height(),
                      at.x(), at.y()};
    QRect over = room;
    if (const QWidget* parent = window->parentWidget()) over = parent->window()->frameGeometry();
    ScreenPlacement p = PlaceOnScreen(needs, FromQt(room), FromQt(over));
    if (p.scrollAcross || p.scrollDown) {
        ScrollContent(window, p.scrollAcross, p.scrollDown);
        // The scroll bars take their room from the content's.
        window->setMinimumSize(0, 0);
    }
    window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    window->resize(p.width, p.height);
    window->move(p.x, p.y);
}

void FitOnScreenAsLeft(QWidget* window, const QString& key) {
    const QRect left = QSettings().value(QStringLiteral("windows/") + key).toRect();
    if (!left.isValid()) {
        FitOnScreen(window);
        return;
    }
    // The screen may be smaller (or scaled) now: the rule keeps it inside.
    FitOnScreen(window, left.size(), QPoint(std::max(0, left.x()), std::max(0, left.y())));
}

void RememberPlace(const QWidget* window, const QString& key) {
    if (window->isMinimized() || window->isMaximized() || window->isFullScreen()) return;
    // The frame's top left (where FitOnScreen puts it) and the client's size.
    QSettings().setValue(QStringLiteral("windows/") + key,
                         QRect(window->frameGeometry().topLeft(), window->geometry().size()));
}

}  // namespace corvane
