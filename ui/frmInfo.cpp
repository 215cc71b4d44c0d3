#include "ui/frmInfo.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/QtText.h"

namespace corvane {

frmInfo::frmInfo(const InformationText& info, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmInfo"));
    setWindowTitle(ToQt(info.caption));
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    text_ = new QPlainTextEdit(this);
    text_->setReadOnly(true);
    text_->setPlainText(ToQt(info.text));
    layout->addWidget(text_, 1);
    auto* row = new QHBoxLayout();
    row->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    ok->setMinimumWidth(100);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    row->addWidget(ok);
    layout->addLayout(row);
    // Wide enough for the longest line without wrapping.
    const QFontMetrics metrics(text_->font());
    int widest = 0;
    for (const QString& line : text_->toPlainText().split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    const int lines = static_cast<int>(text_->toPlainText().count(QLatin1Char('\n'))) + 2;
    resize(std::min(widest + 80, 900), std::min(lines * metrics.lineSpacing() + 110, 720));
}

}  // namespace corvane
