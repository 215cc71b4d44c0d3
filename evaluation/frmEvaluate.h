#pragma once
// The evaluation choice window ("Evaluation of estimates"): a label, the
// three buttons and three notes, forwarding to EvaluationChoice.
#include <QWidget>

class QPushButton;

namespace corvane {

class EvaluationChoice;

class frmEvaluate : public QWidget {
public:
    explicit frmEvaluate(EvaluationChoice& choice, QWidget* parent = nullptr);
    // cmdML, cmdBayes, cmdCancel.
    QPushButton* Button(const char* name) const;
    // Enables the Bayesian button while its evaluation exists.
    void Render();

private:
    EvaluationChoice& choice_;
};

}  // namespace corvane
