#pragma once
// An information window: a fixed text and an OK button.  It keeps the main
// window disabled while it is open.
#include <QDialog>

#include "ui/InformationTexts.h"

class QPlainTextEdit;

namespace corvane {

class frmInfo : public QDialog {
public:
    frmInfo(const InformationText& info, QWidget* parent = nullptr);
    QPlainTextEdit* Text() const { return text_; }

private:
    QPlainTextEdit* text_ = nullptr;
};

}  // namespace corvane
