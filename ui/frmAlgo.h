#pragma once
// The algorithm data editor window: renders AlgorithmEditor (grid, setting
// boxes, run log frame) and forwards every user action to it.
#include <QWidget>
#include <functional>
#include <map>

#include "ui/AlgorithmEditor.h"

class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QTableWidget;

namespace corvane {

class frmAlgo : public QWidget {
public:
    // windowMenu is the main window's "&Window" menu, shared here.
    frmAlgo(AlgorithmEditor& editor, QMenu* windowMenu, QWidget* parent = nullptr);

    // "E&xit" of the editor's "&Application" menu.
    std::function<void()> requestExit;

    void Render();

    QTableWidget* Grid() const { return grdVS_; }
    QLineEdit* SettingBox(EditorSetting setting) const;
    QLineEdit* ToleranceBox() const { return txtTolerance_; }
    QLabel* ToleranceLabel() const { return lblTolerance_; }
    QLineEdit* LogNameBox() const { return txtLogName_; }
    QPushButton* Button(const char* name) const;
    QMenuBar* MenuBar() const { return menuBar_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* AddSetting(EditorSetting setting, const char* name);
    void LeaveBox(EditorSetting setting);

    AlgorithmEditor& editor_;
    QMenuBar* menuBar_ = nullptr;
    QTableWidget* grdVS_ = nullptr;
    QLabel* lblTolerance_ = nullptr;
    QLineEdit* txtTolerance_ = nullptr;
    QLabel* lblFileFrequency_ = nullptr;
    QLineEdit* txtLogName_ = nullptr;
    std::map<EditorSetting, QLineEdit*> settings_;
    std::map<std::string, QPushButton*> buttons_;
    bool leaving_ = false;
};

}  // namespace corvane
