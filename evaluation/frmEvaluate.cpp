#include "evaluation/frmEvaluate.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "evaluation/EvaluationChoice.h"

namespace corvane {

frmEvaluate::frmEvaluate(EvaluationChoice& choice, QWidget* parent) : QWidget(parent), choice_(choice) {
    using namespace evaluation_choice;
    setObjectName(QStringLiteral("frmEvaluate"));
    setWindowTitle(QString::fromLatin1(Caption));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 14);
    layout->setSpacing(8);

    auto* label = new QLabel(QString::fromLatin1(Label), this);
    label->setObjectName(QStringLiteral("lblChoice"));
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    layout->addWidget(label);

    auto add = [&](const char* name, const char* caption, void (EvaluationChoice::*command)()) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setMinimumHeight(30);
        b->setMinimumWidth(420);
        b->setAutoDefault(false);
        // The click reaches the choice through a reference taken now, not through
        // this window.
        connect(b, &QPushButton::clicked, this, [&choice = choice_, command] { (choice.*command)(); });
        layout->addWidget(b);
    };
    add("cmdML", MaximumLikelihood, &EvaluationChoice::ChooseProfile);
    add("cmdBayes", Bayesian, &EvaluationChoice::ChoosePosterior);
    add("cmdCancel", Cancel, &EvaluationChoice::Cancel);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);
    int k = 1;
    for (const char* note : {Note1, Note2, Note3}) {
        auto* l = new QLabel(QString::fromLatin1(note), this);
        l->setObjectName(QStringLiteral("lblNote%1").arg(k++));
        l->setWordWrap(true);
        layout->addWidget(l);
    }
    Render();
}

QPushButton* frmEvaluate::Button(const char* name) const {
    return findChild<QPushButton*>(QString::fromLatin1(name));
}

void frmEvaluate::Render() {
    Button("cmdML")->setEnabled(choice_.ProfileAvailable());
    Button("cmdBayes")->setEnabled(choice_.PosteriorAvailable());
}

}  // namespace corvane
