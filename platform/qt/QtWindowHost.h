#pragma once
// Text views (platform/TextView.h) rendered as child windows of the main
// window's MDI area: caption, text areas, buttons, re-rendered whenever the
// view changes.
#include <QObject>
#include <QPoint>
#include <QSize>
#include <QWidget>
#include <map>
#include <string>
#include <vector>

#include "platform/TextView.h"

class QMdiArea;
class QMdiSubWindow;
class QPlainTextEdit;
class QPushButton;
class QHBoxLayout;

namespace corvane {

class TextViewWindow : public QWidget {
public:
    explicit TextViewWindow(TextView& view, QWidget* parent = nullptr);

    void Render();
    TextView& View() { return view_; }
    // Areas are numbered from 1.
    QPlainTextEdit* Area(int k) const;
    QPushButton* ButtonWidget(const std::string& name) const;

private:
    void RenderArea(int k);
    void RenderButtons();

    TextView& view_;
    std::vector<QPlainTextEdit*> areas_;
    std::vector<std::string> shown_;  // the view's text each area shows
    QWidget* buttonRow_ = nullptr;
    QHBoxLayout* buttonLayout_ = nullptr;
    std::vector<std::pair<std::string, QPushButton*>> buttons_;
    bool rendering_ = false;
};

class QtWindowHost : public QObject, public WindowHost {
public:
    explicit QtWindowHost(QMdiArea* area, QObject* parent = nullptr);
    ~QtWindowHost() override;

    void Show(TextView& view) override;
    void Close(TextView& view) override;
    bool IsOpen(const TextView& view) const override;

    TextViewWindow* WindowOf(const TextView& view) const;
    QMdiSubWindow* SubWindowOf(const TextView& view) const;
    // Deletes every window at once (before the views go away).
    void CloseAll();

protected:
    // A close by the user (not by Close) asks the view first.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // at: the top left corner, or (-1, -1) to cascade.
    void Place(QMdiSubWindow* sub, QSize wanted, QPoint at = QPoint(-1, -1));

    QMdiArea* area_;
    std::map<const TextView*, QMdiSubWindow*> windows_;
};

}  // namespace corvane
