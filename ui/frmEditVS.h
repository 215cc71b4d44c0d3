#pragma once
// "Edit all parameters": five ways to change every value at once.  Each
// button runs its AlgorithmEditor operation and closes the dialogue; "&Close"
// closes it without a change.
#include <QDialog>

namespace corvane {

class AlgorithmEditor;

class frmEditVS : public QDialog {
public:
    explicit frmEditVS(AlgorithmEditor& editor, QWidget* parent = nullptr);
};

}  // namespace corvane
