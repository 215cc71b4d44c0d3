#include "ui/frmEditVS.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <functional>

#include "ui/AlgorithmEditor.h"

namespace corvane {

frmEditVS::frmEditVS(AlgorithmEditor& editor, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmEditVS"));
    setWindowTitle(QString::fromLatin1(editor::EditAllCaption));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setSpacing(8);

    auto add = [&](const char* name, const char* caption, std::function<void()> action) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        b->setMinimumHeight(30);
        connect(b, &QPushButton::clicked, this, [this, action] {
            // The prompts open over the dialogue, which closes once they are done.
            action();
            accept();
        });
        layout->addWidget(b);
    };
    add("cmdFree", "Change &free values and step sizes (proportionately)", [&editor] { editor.ChangeFreeValues(); });
    add("cmdProp", "Change &all values and step sizes (proportionately)", [&editor] { editor.ChangeAllValues(); });
    add("cmdNoProp", "Change all values but &not their step sizes", [&editor] { editor.ChangeValuesNotSteps(); });
    add("Change_Fraction", "Change only the step size &proportionality constant",
        [&editor] { editor.ChangeProportion(); });
    add("cmdUnFuse", "Unfuse all values", [&editor] { editor.UnfuseAll(); });

    auto* note = new QLabel(QString::fromLatin1(editor::EditAllNote), this);
    note->setObjectName(QStringLiteral("lblNote"));
    note->setWordWrap(true);
    note->setTextFormat(Qt::PlainText);
    layout->addSpacing(4);
    layout->addWidget(note);

    // Changing nothing is a choice too: the dialogue closes without an edit
    // (Escape and the frame's close button do the same).
    auto* row = new QHBoxLayout();
    row->addStretch(1);
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    close->setAutoDefault(false);
    close->setMinimumWidth(100);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    row->addWidget(close);
    layout->addLayout(row);
    setMinimumWidth(440);
}

}  // namespace corvane
