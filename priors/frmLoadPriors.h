#pragma once
// The priors dialogue window ("Load Bayesian priors"): four buttons that
// forward to PriorsDialogue.
#include <QWidget>

class QPushButton;

namespace corvane {

class PriorsDialogue;

class frmLoadPriors : public QWidget {
public:
    explicit frmLoadPriors(PriorsDialogue& dialogue, QWidget* parent = nullptr);
    // cmdOpen, cmdSet, cmdUniform, cmdCancel.
    QPushButton* Button(const char* name) const;

private:
    PriorsDialogue& dialogue_;
};

}  // namespace corvane
