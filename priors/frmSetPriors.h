#pragma once
// The priors editor window ("Set prior distributions"): renders PriorsEditor
// (menus, grid, colours) and forwards every user action to it.
#include <QWidget>
#include <functional>

#include "priors/PriorsEditor.h"

class QAction;
class QMenu;
class QMenuBar;
class QTableWidget;

namespace corvane {

class frmSetPriors : public QWidget {
public:
    // windowMenu is the main window's "&Window" menu, shared here.
    frmSetPriors(PriorsEditor& editor, QMenu* windowMenu, QWidget* parent = nullptr);

    // "E&xit" of the editor's "&Application" menu; "Main &menu" (while enabled).
    std::function<void()> requestExit;
    std::function<void()> showMainMenu;

    void Render();

    QTableWidget* Grid() const { return grdSetPriors_; }
    QMenuBar* MenuBar() const { return menuBar_; }
    // Menu commands by name: mnuMenu, mnuExit, mnuProfile, mnuSave, mnuHelp,
    // mnuFinished, and mnuPrior followed by the type code (mnuPriorN, ...).
    QAction* Action(const char* name) const;

protected:
    // Up, Down, Page Up, Page Down, Home and End on the grid move the selection.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* Add(QMenu* menu, const char* name, const char* caption, std::function<void()> slot);
    void FitColumns();

    PriorsEditor& editor_;
    QMenuBar* menuBar_ = nullptr;
    QTableWidget* grdSetPriors_ = nullptr;
    QAction* mnuMenu_ = nullptr;
    QAction* mnuProfile_ = nullptr;
};

}  // namespace corvane
