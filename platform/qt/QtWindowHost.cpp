#include "platform/qt/QtWindowHost.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/qt/QtFonts.h"
#include "platform/qt/QtText.h"

namespace corvane {

namespace {

// Where a result or progress window was left, by the view's name.
QString PlaceKey(const TextView& view) { return QStringLiteral("windows/") + QString::fromStdString(view.Name()); }

void RememberSubWindow(const TextView& view, const QMdiSubWindow* sub) {
    if (view.Name().empty() || sub->isMinimized() || sub->isMaximized()) return;
    QSettings().setValue(PlaceKey(view), sub->geometry());
}

}  // namespace

TextViewWindow::TextViewWindow(TextView& view, QWidget* parent) : QWidget(parent), view_(view) {
    setObjectName(QString::fromStdString(view.Name()));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);

    QSplitter* splitter = nullptr;
    if (view.splitter && view.AreaCount() > 1) {
        splitter = new QSplitter(Qt::Vertical, this);
        splitter->setChildrenCollapsible(false);
        splitter->setHandleWidth(7);
        layout->addWidget(splitter, 1);
    }
    const QFont fixed = FixedPitchFont();
    for (int k = 1; k <= view.AreaCount(); ++k) {
        auto* area = new QPlainTextEdit(this);
        area->setObjectName(QStringLiteral("%1Area%2").arg(objectName()).arg(k));
        if (view.monospaced) {
            area->setFont(fixed);
            // Fixed columns stay columns: no wrapping, scroll sideways instead.
            area->setLineWrapMode(QPlainTextEdit::NoWrap);
        }
        area->setReadOnly(!view.editable);
        const int index = k;
        connect(area, &QPlainTextEdit::textChanged, this, [this, index] {
            if (rendering_ || !view_.editable) return;
            QPlainTextEdit* a = areas_[static_cast<std::size_t>(index - 1)];
            std::string text = FromQtLines(a->toPlainText());
            shown_[static_cast<std::size_t>(index - 1)] = text;
            view_.UserEdited(index, std::move(text));
        });
        if (splitter)
            splitter->addWidget(area);
        else
            layout->addWidget(area, 1);
        areas_.push_back(area);
        shown_.emplace_back();
    }
    if (splitter) {
        for (int k = 0; k < splitter->count(); ++k) splitter->setStretchFactor(k, 1);
    }

    buttonRow_ = new QWidget(this);
    buttonLayout_ = new QHBoxLayout(buttonRow_);
    buttonLayout_->setContentsMargins(0, 0, 0, 0);
    buttonLayout_->addStretch(1);
    layout->addWidget(buttonRow_);
    Render();
}

QPlainTextEdit* TextViewWindow::Area(int k) const {
    if (k < 1 || k > static_cast<int>(areas_.size())) return nullptr;
    return areas_[static_cast<std::size_t>(k - 1)];
}

QPushButton* TextViewWindow::ButtonWidget(const std::string& name) const {
    for (const auto& [n, b] : buttons_)
        if (n == name) return b;
    return nullptr;
}

void TextViewWindow::Render() {
    rendering_ = true;
    setWindowTitle(QString::fromStdString(view_.Caption()));
    for (int k = 1; k <= static_cast<int>(areas_.size()) && k <= view_.AreaCount(); ++k) RenderArea(k);
    RenderButtons();
    rendering_ = false;
}

void TextViewWindow::RenderArea(int k) {
    QPlainTextEdit* area = areas_[static_cast<std::size_t>(k - 1)];
    std::string& shown = shown_[static_cast<std::size_t>(k - 1)];
    const std::string& text = view_.Area(k);
    if (text == shown) return;
    // Progress windows grow by appending: add only the new tail, and follow it.
    const bool grows = !shown.empty() && text.size() > shown.size() && text.compare(0, shown.size(), shown) == 0 &&
                       shown.back() != '\r';
    if (grows) {
        QScrollBar* bar = area->verticalScrollBar();
        const bool atEnd = bar->value() >= bar->maximum() - 2;
        QTextCursor cursor(area->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(ToQt(text.substr(shown.size())));
        if (atEnd || area->isReadOnly()) bar->setValue(bar->maximum());
    } else {
        area->setPlainText(ToQt(text));
    }
    shown = text;
}

void TextViewWindow::RenderButtons() {
    const auto& wanted = view_.Buttons();
    bool same = wanted.size() == buttons_.size();
    for (std::size_t i = 0; same && i < wanted.size(); ++i) same = wanted[i].name == buttons_[i].first;
    if (!same) {
        // A handler may rebuild the buttons while one of them is being clicked.
        for (auto& [name, b] : buttons_) {
            b->hide();
            b->deleteLater();
        }
        buttons_.clear();
        for (const auto& w : wanted) {
            auto* b = new QPushButton(buttonRow_);
            b->setObjectName(QString::fromStdString(w.name));
            b->setAutoDefault(true);  // Enter presses the focused button
            const std::string name = w.name;
            connect(b, &QPushButton::clicked, this, [this, name] { view_.Click(name); });
            buttonLayout_->addWidget(b);
            buttons_.emplace_back(w.name, b);
        }
    }
    bool anyVisible = false;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        QPushButton* b = buttons_[i].second;
        b->setText(QString::fromStdString(wanted[i].caption));
        b->setToolTip(QString::fromStdString(wanted[i].toolTip));
        b->setEnabled(wanted[i].enabled);
        b->setVisible(wanted[i].visible);
        anyVisible = anyVisible || wanted[i].visible;
    }
    buttonRow_->setVisible(anyVisible);
}

QtWindowHost::QtWindowHost(QMdiArea* area, QObject* parent) : QObject(parent), area_(area) {}

void QtWindowHost::Place(QMdiSubWindow* sub, QSize wanted, QPoint at) {
    // Cascade from the top left, always inside the frame: a window that
    // opens out of sight might as well not open.
    const QSize room = area_->viewport()->size();
    if (!room.isEmpty()) wanted = wanted.boundedTo(room - QSize(8, 8)).expandedTo(QSize(360, 240));
    sub->resize(wanted);
    int open = 0;
    for (const auto& [view, window] : windows_)
        if (!window->isHidden()) ++open;
    int x = at.x() >= 0 ? at.x() : 28 * open, y = at.y() >= 0 ? at.y() : 28 * open;
    if (!room.isEmpty()) {
        x = std::max(0, std::min(x, room.width() - wanted.width()));
        y = std::max(0, std::min(y, room.height() - wanted.height()));
    }
    sub->move(x, y);
}

QtWindowHost::~QtWindowHost() { CloseAll(); }

void QtWindowHost::Show(TextView& view) {
    ++shows_;
    QMdiSubWindow* sub = SubWindowOf(view);
    if (sub && sub->isHidden()) {
        // Closed by the user and waiting to be deleted: start afresh.
        windows_.erase(&view);
        sub = nullptr;
    }
    if (!sub) {
        auto* window = new TextViewWindow(view);
        sub = area_->addSubWindow(window);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->setWindowIcon(QIcon());
        sub->installEventFilter(this);
        // Where the user left a window of this name, else where the view asks.
        const QRect left = view.Name().empty() ? QRect() : QSettings().value(PlaceKey(view)).toRect();
        if (left.isValid())
            Place(sub, left.size(), QPoint(std::max(0, left.x()), std::max(0, left.y())));
        else
            Place(sub,
                  QSize(view.width > 0 ? view.width : 820, view.height > 0 ? view.height : view.AreaCount() > 1 ? 620 : 480),
                  QPoint(view.left, view.top));
        windows_[&view] = sub;
        view.SetListener([window] { window->Render(); });
        TextView* v = &view;
        connect(sub, &QObject::destroyed, this, [this, v](QObject* gone) {
            auto it = windows_.find(v);
            if (it != windows_.end() && it->second == gone) {
                windows_.erase(it);
                v->SetListener({});
            }
        });
    }
    if (auto* window = WindowOf(view)) window->Render();
    if (sub->isMinimized()) sub->showNormal();
    sub->show();
    area_->setActiveSubWindow(sub);
}

void QtWindowHost::Close(TextView& view) {
    auto it = windows_.find(&view);
    if (it == windows_.end()) return;
    QMdiSubWindow* sub = it->second;
    if (!sub->isHidden()) RememberSubWindow(view, sub);
    windows_.erase(it);
    view.SetListener({});
    sub->close();  // deleted later: the close may come from one of its own buttons
}

void QtWindowHost::CloseAllWindows() {
    std::vector<TextView*> views;
    for (const auto& [view, sub] : windows_) views.push_back(const_cast<TextView*>(view));
    for (TextView* view : views) Close(*view);
}

bool QtWindowHost::IsOpen(const TextView& view) const {
    const QMdiSubWindow* sub = SubWindowOf(view);
    return sub && !sub->isHidden();
}

bool QtWindowHost::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide)
        for (const auto& [view, sub] : windows_)
            if (sub == watched) RememberSubWindow(*view, sub);
    if (event->type() == QEvent::Close) {
        // Close() forgets the view before closing; a window still listed is
        // being closed by the user.
        for (auto& [view, sub] : windows_) {
            if (sub != watched) continue;
            TextView* v = const_cast<TextView*>(view);
            if (v->onUserClose) {
                auto ask = v->onUserClose;  // the handler may close the view itself
                if (!ask()) {
                    event->ignore();
                    return true;
                }
            }
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

QMdiSubWindow* QtWindowHost::SubWindowOf(const TextView& view) const {
    auto it = windows_.find(&view);
    return it == windows_.end() ? nullptr : it->second;
}

TextViewWindow* QtWindowHost::WindowOf(const TextView& view) const {
    QMdiSubWindow* sub = SubWindowOf(view);
    return sub ? dynamic_cast<TextViewWindow*>(sub->widget()) : nullptr;
}

void QtWindowHost::CloseAll() {
    auto windows = windows_;
    windows_.clear();
    for (auto& [view, sub] : windows) {
        if (!sub->isHidden()) RememberSubWindow(*view, sub);
        const_cast<TextView*>(view)->SetListener({});
        delete sub;
    }
}

}  // namespace corvane
