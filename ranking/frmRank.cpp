#include "ranking/frmRank.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/qt/QtTableCopy.h"
#include "platform/qt/QtText.h"
#include "ranking/RankingForm.h"

namespace corvane {

namespace {

constexpr int kTwipsPerPixel = 15;

QColor ColourOf(TextColour colour, const QColor& normal) {
    switch (colour) {
        case TextColour::Red: return QColor(Qt::red);
        case TextColour::Blue: return QColor(Qt::blue);
        case TextColour::Green: return QColor(0, 128, 0);
        case TextColour::Normal: break;
    }
    return normal;
}

QLabel* Label(const char* text, QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

}  // namespace

frmRank::frmRank(RankingForm& form, QWidget* parent) : QWidget(parent), form_(form) {
    setObjectName(QStringLiteral("frmRank"));
    setWindowTitle(QString::fromLatin1(rank::Caption));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 10);
    layout->setSpacing(6);

    auto* top = Label(rank::kLabels[0], this);
    QFont bold = top->font();
    bold.setBold(true);
    top->setFont(bold);
    layout->addWidget(top);
    layout->addWidget(Label(rank::kLabels[1], this));
    layout->addWidget(Label(rank::kLabels[2], this));

    grdRank_ = new QTableWidget(this);
    InstallTableCopy(grdRank_);  // Ctrl+C gives a spreadsheet the selected cells
    grdRank_->setObjectName(QStringLiteral("grdRank"));
    grdRank_->setColumnCount(rank::kColumns);
    grdRank_->verticalHeader()->setVisible(false);
    grdRank_->verticalHeader()->setDefaultSectionSize(grdRank_->fontMetrics().height() + 8);
    grdRank_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdRank_->setSelectionMode(QAbstractItemView::SingleSelection);
    grdRank_->setSelectionBehavior(QAbstractItemView::SelectItems);
    grdRank_->horizontalHeader()->setHighlightSections(false);
    grdRank_->setMinimumHeight(180);
    for (int c = 0; c < rank::kColumns; ++c) grdRank_->setHorizontalHeaderItem(c, new QTableWidgetItem());
    const int digit = grdRank_->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    grdRank_->setColumnWidth(0, 13 * digit);
    grdRank_->setColumnWidth(1, 12 * digit);
    grdRank_->setColumnWidth(2, 5 * digit);
    grdRank_->setColumnWidth(3, 12 * digit);
    grdRank_->setColumnWidth(4, 10 * digit);
    grdRank_->setColumnWidth(5, 10 * digit);
    // The file and notes columns keep their widths, but never so narrow
    // that their headings are cut.
    const QFontMetrics header = grdRank_->horizontalHeader()->fontMetrics();
    auto width = [&](int twips, const char* heading) {
        return std::max(twips / kTwipsPerPixel, header.horizontalAdvance(QString::fromLatin1(heading)) + 3 * digit);
    };
    grdRank_->setColumnWidth(6, width(rank::kFileColumnTwips, "Algorithm file name"));
    grdRank_->setColumnWidth(7, width(rank::kFileColumnTwips, "Covariance file name"));
    grdRank_->setColumnWidth(8, width(rank::kFileColumnTwips, "Priors file name"));
    grdRank_->setColumnWidth(9, rank::kNotesColumnTwips / kTwipsPerPixel);
    connect(grdRank_, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int column) { form_.DoubleClick(row + 1, column); });
    layout->addWidget(grdRank_, 1);

    for (int k = 3; k < 6; ++k) layout->addWidget(Label(rank::kLabels[k], this));

    // Commands: the model list on the left with the C-hat box beside
    // "Calculate QAICc", the algorithm data on the right.
    auto* commands = new QGridLayout();
    commands->setHorizontalSpacing(10);
    commands->setVerticalSpacing(6);
    const char* listButtons[] = {rank::Calculate, rank::QAICc, rank::Rank, rank::Average, rank::SaveRanks};
    for (int i = 0; i < 5; ++i) commands->addWidget(MakeButton(listButtons[i]), i, 0);
    const char* dataButtons[] = {rank::LoadAlg, rank::EditAlg, rank::SaveAlg, rank::Bayesian};
    for (int i = 0; i < 4; ++i) commands->addWidget(MakeButton(dataButtons[i]), i, 2);
    commands->addWidget(MakeButton(rank::Finish), 4, 2);

    txtCHat_ = new QLineEdit(this);
    txtCHat_->setObjectName(QStringLiteral("txtCHat"));
    txtCHat_->setReadOnly(true);
    txtCHat_->setFocusPolicy(Qt::NoFocus);
    txtCHat_->setAlignment(Qt::AlignCenter);
    QFont chatFont = txtCHat_->font();
    chatFont.setBold(true);
    txtCHat_->setFont(chatFont);
    txtCHat_->setMinimumWidth(QFontMetrics(chatFont).horizontalAdvance(QStringLiteral("C-hat: 000.000")) + 16);
    commands->addWidget(txtCHat_, 1, 1);
    commands->setColumnStretch(0, 2);
    commands->setColumnStretch(2, 2);

    auto* lower = new QHBoxLayout();
    lower->setSpacing(12);
    lower->addLayout(commands, 1);
    auto* averaging = new QVBoxLayout();
    lblAverage_ = Label(rank::AveragingLabel, this);
    lblAverage_->setObjectName(QStringLiteral("lblAverage"));
    averaging->addWidget(lblAverage_);
    txtAverage_ = new QPlainTextEdit(this);
    txtAverage_->setObjectName(QStringLiteral("txtAverage"));
    txtAverage_->setReadOnly(true);
    txtAverage_->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtAverage_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    averaging->addWidget(txtAverage_, 1);
    lower->addLayout(averaging, 2);
    layout->addLayout(lower);

    Render();
}

QPushButton* frmRank::MakeButton(const char* name) {
    auto* b = new QPushButton(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setMinimumHeight(28);
    b->setAutoDefault(false);
    const std::string n = name;
    connect(b, &QPushButton::clicked, this, [this, n] { form_.Click(n); });
    buttons_[n] = b;
    return b;
}

QPushButton* frmRank::Button(const std::string& name) const {
    auto it = buttons_.find(name);
    return it == buttons_.end() ? nullptr : it->second;
}

void frmRank::Render() {
    const QColor normal = grdRank_->palette().color(QPalette::Text);
    for (int c = 0; c < rank::kColumns; ++c) {
        QTableWidgetItem* heading = grdRank_->horizontalHeaderItem(c);
        heading->setText(QString::fromStdString(form_.Heading(c)));
        heading->setForeground(ColourOf(form_.HeadingColour(c), normal));
    }
    const int rows = form_.Rows();
    if (grdRank_->rowCount() != rows) grdRank_->setRowCount(rows);
    for (int r = 1; r <= rows; ++r) {
        for (int c = 0; c < rank::kColumns; ++c) {
            QTableWidgetItem* item = grdRank_->item(r - 1, c);
            if (!item) {
                item = new QTableWidgetItem();
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
                const bool centred = RankingForm::Alignment(c) == CellAlignment::Centre;
                item->setTextAlignment(Qt::AlignVCenter | (centred ? Qt::AlignHCenter : Qt::AlignLeft));
                grdRank_->setItem(r - 1, c, item);
            }
            const QString text = QString::fromStdString(form_.CellText(r, c));
            if (item->text() != text) item->setText(text);
        }
    }

    for (const auto& b : form_.Buttons()) {
        QPushButton* w = Button(b.name);
        if (!w) continue;
        w->setText(QString::fromStdString(b.caption));
        w->setToolTip(QString::fromStdString(b.toolTip));
        w->setEnabled(b.enabled);
    }

    txtCHat_->setText(QString::fromStdString(form_.CHatText()));
    QPalette palette = txtCHat_->palette();
    palette.setColor(QPalette::Text, ColourOf(form_.CHatColour(), normal));
    txtCHat_->setPalette(palette);

    const QString averagingText = ToQt(form_.AveragingText());
    if (txtAverage_->toPlainText() != averagingText) txtAverage_->setPlainText(averagingText);
    lblAverage_->setEnabled(form_.AveragingLabelEnabled());

    const std::string focus = form_.TakeFocus();
    if (QPushButton* w = Button(focus)) w->setFocus(Qt::OtherFocusReason);
}

}  // namespace corvane
