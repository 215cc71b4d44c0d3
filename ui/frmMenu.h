#pragma once
// The command menu window ("Main menu"): renders CommandMenu and forwards
// button clicks to it.
#include <QWidget>
#include <map>
#include <string>

class QLabel;
class QPushButton;

namespace corvane {

class CommandMenu;

class frmMenu : public QWidget {
public:
    explicit frmMenu(CommandMenu& menu, QWidget* parent = nullptr);

    void Render();
    QPushButton* ButtonWidget(const std::string& name) const;
    QLabel* ModelNameLabel() const { return lblModelName_; }

private:
    QPushButton* MakeButton(const char* name);

    CommandMenu& menu_;
    std::map<std::string, QPushButton*> buttons_;
    QLabel* lblModelName_ = nullptr;
};

}  // namespace corvane
