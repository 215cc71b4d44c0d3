#pragma once
// The growth model's set-up dialogue: renders InitializeForm (files, format
// descriptions, frequency fields, age-mode boxes, error options) and forwards
// every user action to it.
#include <QDialog>
#include <map>
#include <string>

#include "model/InitializeForm.h"

class QButtonGroup;
class QLineEdit;

namespace corvane {

class GrowthModel;
class Workbench;

class frmInitialize : public QDialog {
public:
    // frame: the main window; the dialogue opens at its fixed place over it.
    frmInitialize(InitializeForm& form, QWidget* frame);

    void Render();
    // Any control or label by its name (cboSeries, optGamma, cmdOK, ...).
    QWidget* Control(const std::string& name) const;
    // Where the dialogue opens: the fixed offset from the frame's working
    // area, kept on the screen.
    QPoint Position() const;

    // Cancel, Escape and closing the window all cancel.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* Add(QWidget* control, const std::string& name);
    void Edited(const std::string& name, const QString& text);
    void Ok();

    InitializeForm& form_;
    QWidget* frame_;
    std::map<std::string, QWidget*> controls_;
    // The caption label of each field, enabled with it.
    std::map<std::string, QWidget*> labels_;
    QLineEdit* frequencyPath_ = nullptr;
    QLineEdit* incrementPath_ = nullptr;
    bool rendering_ = false;
    bool checking_ = false;
};

// "&Initialize model" on the desktop: the frame's caption changes, the
// dialogue opens modally, and OK initialises the model.  True when it did.
// Data files named here (a recent file, a dropped one) are chosen already,
// as though picked with the dialogue's own buttons.
bool ShowModelSetUp(Workbench& wb, GrowthModel& model, QWidget* frame, const std::string& frequencies = "",
                    const std::string& increments = "");

}  // namespace corvane
