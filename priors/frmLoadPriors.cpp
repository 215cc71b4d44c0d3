#include "priors/frmLoadPriors.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "priors/PriorsEditor.h"

namespace corvane {

frmLoadPriors::frmLoadPriors(PriorsDialogue& dialogue, QWidget* parent) : QWidget(parent), dialogue_(dialogue) {
    setObjectName(QStringLiteral("frmLoadPriors"));
    setWindowTitle(QString::fromLatin1(priors_dialogue::Caption));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setSpacing(8);
    auto add = [&](const char* name, const char* caption, void (PriorsDialogue::*command)()) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setMinimumHeight(30);
        b->setMinimumWidth(320);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [&dialogue = dialogue_, command] { (dialogue.*command)(); });
        layout->addWidget(b);
    };
    add("cmdOpen", priors_dialogue::OpenFile, &PriorsDialogue::OpenFile);
    add("cmdSet", priors_dialogue::SetOrReset, &PriorsDialogue::SetOrReset);
    add("cmdUniform", priors_dialogue::SetUniform, &PriorsDialogue::SetUniform);
    add("cmdCancel", priors_dialogue::Cancel, &PriorsDialogue::Cancel);
}

QPushButton* frmLoadPriors::Button(const char* name) const {
    return findChild<QPushButton*>(QString::fromLatin1(name));
}

}  // namespace corvane
