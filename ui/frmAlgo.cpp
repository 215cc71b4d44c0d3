#include "ui/frmAlgo.h"

#include <QEvent>
#include <QKeyEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/qt/QtTableCopy.h"
#include "platform/qt/QtText.h"

namespace corvane {

namespace {

// The edit box over a Value, Step or Fuse cell opens holding the cell's
// value, selected, so that typing replaces it; what it commits goes through
// the editor's rules, never straight into the grid, and an empty or
// unchanged box changes nothing.
class CellDelegate : public QStyledItemDelegate {
public:
    CellDelegate(AlgorithmEditor& editor, QObject* parent) : QStyledItemDelegate(parent), editor_(editor) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
        auto* box = new QLineEdit(parent);
        box->setObjectName(QStringLiteral("txtNewValue"));
        box->setPlaceholderText(QStringLiteral("New value"));
        box->setToolTip(QStringLiteral("New value"));
        return box;
    }

    void setEditorData(QWidget* widget, const QModelIndex& index) const override {
        auto* box = static_cast<QLineEdit*>(widget);
        box->setText(QString::fromStdString(editor_.CellEntryText(index.row() + 1, static_cast<EditorColumn>(index.column()))));
        box->selectAll();
    }

    void setModelData(QWidget* widget, QAbstractItemModel*, const QModelIndex& index) const override {
        const auto* box = static_cast<QLineEdit*>(widget);
        editor_.LeaveCellBox(index.row() + 1, static_cast<EditorColumn>(index.column()), FromQt(box->text()),
                             box->isModified());
    }

private:
    AlgorithmEditor& editor_;
};

QLabel* Note(const char* text, QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

}  // namespace

frmAlgo::frmAlgo(AlgorithmEditor& editor, QMenu* windowMenu, QWidget* parent) : QWidget(parent), editor_(editor) {
    setObjectName(QStringLiteral("frmAlgo"));
    setWindowTitle(QStringLiteral("Algorithm data"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 8);
    layout->setSpacing(6);

    // Menus.
    menuBar_ = new QMenuBar(this);
    QMenu* application = menuBar_->addMenu(QStringLiteral("&Application"));
    QAction* exit = application->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("mnuExit"));
    connect(exit, &QAction::triggered, this, [this] {
        if (requestExit) requestExit();
    });
    QMenu* edit = menuBar_->addMenu(QStringLiteral("&Edit"));
    connect(edit->addAction(QStringLiteral("&Values")), &QAction::triggered, this,
            [this] { editor_.HeadingDoubleClicked(EditorColumn::Value); });
    connect(edit->addAction(QStringLiteral("&Step sizes")), &QAction::triggered, this,
            [this] { editor_.EditAllSteps(); });
    connect(edit->addAction(QStringLiteral("Change step size &proportion")), &QAction::triggered, this,
            [this] { editor_.ChangeProportion(); });
    connect(edit->addAction(QStringLiteral("&Unfuse all values")), &QAction::triggered, this,
            [this] { editor_.UnfuseAll(); });
    edit->addSeparator();
    connect(edit->addAction(QStringLiteral("&Finish editing")), &QAction::triggered, this,
            [this] { editor_.Finish(); });
    if (windowMenu) menuBar_->addMenu(windowMenu);
    layout->setMenuBar(menuBar_);

    // Help lines.
    auto* help = Note(editor::HelpLine, this);
    QFont bold = help->font();
    bold.setBold(true);
    help->setFont(bold);
    layout->addWidget(help);
    layout->addWidget(Note(editor::Note1, this));
    layout->addWidget(Note(editor::Note2, this));

    // The grid.
    grdVS_ = new QTableWidget(this);
    InstallTableCopy(grdVS_);  // Ctrl+C gives a spreadsheet the selected cells
    grdVS_->setObjectName(QStringLiteral("grdVS"));
    grdVS_->setColumnCount(kEditorColumns);
    QStringList headings;
    for (const auto& h : AlgorithmEditor::Headings()) headings << QString::fromStdString(h);
    grdVS_->setHorizontalHeaderLabels(headings);
    grdVS_->verticalHeader()->setVisible(false);
    grdVS_->verticalHeader()->setDefaultSectionSize(grdVS_->fontMetrics().height() + 8);
    grdVS_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    grdVS_->setSelectionMode(QAbstractItemView::SingleSelection);
    grdVS_->setItemDelegate(new CellDelegate(editor_, grdVS_));
    grdVS_->setAlternatingRowColors(true);
    QHeaderView* header = grdVS_->horizontalHeader();
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    header->setToolTip(QStringLiteral("Double-click the Value, Step or Fuse heading to change them all"));
    const int digit = grdVS_->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    grdVS_->setColumnWidth(0, grdVS_->fontMetrics().horizontalAdvance(headings[0]) + 3 * digit);
    grdVS_->setColumnWidth(1, 14 * digit);
    grdVS_->setColumnWidth(2, 14 * digit);
    grdVS_->setColumnWidth(3, 7 * digit);
    header->setStretchLastSection(true);
    connect(header, &QHeaderView::sectionDoubleClicked, this,
            [this](int column) { editor_.HeadingDoubleClicked(static_cast<EditorColumn>(column)); });
    layout->addWidget(grdVS_, 1);

    // Run settings and the run log.
    auto* lower = new QHBoxLayout();
    lower->setSpacing(12);
    auto* settingsBox = new QGroupBox(QStringLiteral("Minimization settings"), this);
    auto* settings = new QGridLayout(settingsBox);
    settings->setVerticalSpacing(4);
    lblTolerance_ = new QLabel(settingsBox);
    lblTolerance_->setObjectName(QStringLiteral("lblTolerance"));
    txtTolerance_ = new QLineEdit(settingsBox);
    txtTolerance_->setObjectName(QStringLiteral("txtTolerance"));
    txtTolerance_->setReadOnly(true);
    txtTolerance_->setCursor(Qt::PointingHandCursor);
    txtTolerance_->setToolTip(QStringLiteral("Click (or press Enter) to change the tolerance for convergence"));
    txtTolerance_->installEventFilter(this);
    settings->addWidget(lblTolerance_, 0, 0);
    settings->addWidget(txtTolerance_, 0, 1);
    auto* maxLabels = new QVBoxLayout();
    maxLabels->setSpacing(0);
    maxLabels->addWidget(new QLabel(QStringLiteral("Simplex (maximum # function calls):"), settingsBox));
    maxLabels->addWidget(new QLabel(QStringLiteral("Marquardt (maximum # iterations):"), settingsBox));
    settings->addLayout(maxLabels, 1, 0);
    settings->addWidget(AddSetting(EditorSetting::MaxCalls, "txtMaxFunctions"), 1, 1);
    settings->addWidget(new QLabel(QStringLiteral("Step size reduction fraction:"), settingsBox), 2, 0);
    settings->addWidget(AddSetting(EditorSetting::ReductionFraction, "txtReduction"), 2, 1);
    settings->addWidget(new QLabel(QStringLiteral("Terminal display frequency:"), settingsBox), 3, 0);
    settings->addWidget(AddSetting(EditorSetting::TerminalFrequency, "txtTerminal"), 3, 1);
    settings->setColumnStretch(1, 1);
    lower->addWidget(settingsBox, 1);

    auto* logBox = new QGroupBox(QString::fromLatin1(editor::LogFrame), this);
    logBox->setObjectName(QStringLiteral("fraLog"));
    auto* log = new QGridLayout(logBox);
    log->setVerticalSpacing(4);
    lblFileFrequency_ = new QLabel(QStringLiteral("Output frequency:"), logBox);
    log->addWidget(lblFileFrequency_, 0, 0);
    log->addWidget(AddSetting(EditorSetting::FileFrequency, "txtFileFrequency"), 0, 1, 1, 2);
    log->addWidget(new QLabel(QStringLiteral("Log file name (maximum of 10.3 characters):"), logBox), 1, 0);
    txtLogName_ = new QLineEdit(logBox);
    txtLogName_->setObjectName(QStringLiteral("txtLogName"));
    txtLogName_->setReadOnly(true);
    log->addWidget(txtLogName_, 1, 1, 1, 2);
    auto* open = new QPushButton(QStringLiteral("&Open"), logBox);
    open->setObjectName(QStringLiteral("cmdOpen"));
    auto* close = new QPushButton(QStringLiteral("&Close"), logBox);
    close->setObjectName(QStringLiteral("cmdClose"));
    connect(open, &QPushButton::clicked, this, [this] { editor_.OpenLog(); });
    connect(close, &QPushButton::clicked, this, [this] { editor_.CloseLog(); });
    buttons_["cmdOpen"] = open;
    buttons_["cmdClose"] = close;
    log->addWidget(open, 2, 1);
    log->addWidget(close, 2, 2);
    log->setColumnStretch(1, 1);
    log->setColumnStretch(2, 1);
    lower->addWidget(logBox, 1);
    layout->addLayout(lower);

    // Buttons.
    auto* row = new QHBoxLayout();
    row->addStretch(1);
    auto* update = new QPushButton(QStringLiteral("&Update edits"), this);
    update->setObjectName(QStringLiteral("cmdUpdate"));
    auto* finish = new QPushButton(QStringLiteral("&Finish editing"), this);
    finish->setObjectName(QStringLiteral("cmdFinish"));
    for (QPushButton* b : {update, finish}) {
        b->setMinimumWidth(140);
        b->setAutoDefault(false);
        row->addWidget(b);
    }
    // Pressing the button takes the focus from an open edit box, which
    // commits it; what remains is to show the result.
    connect(update, &QPushButton::clicked, this, [this] { Render(); });
    connect(finish, &QPushButton::clicked, this, [this] { editor_.Finish(); });
    buttons_["cmdUpdate"] = update;
    buttons_["cmdFinish"] = finish;
    layout->addLayout(row);

    Render();
}

QLineEdit* frmAlgo::AddSetting(EditorSetting setting, const char* name) {
    auto* box = new QLineEdit(this);
    box->setObjectName(QString::fromLatin1(name));
    box->setMaximumWidth(160);
    connect(box, &QLineEdit::editingFinished, this, [this, setting] { LeaveBox(setting); });
    settings_[setting] = box;
    return box;
}

void frmAlgo::LeaveBox(EditorSetting setting) {
    if (leaving_) return;  // a refusal's message box takes the focus too
    leaving_ = true;
    QLineEdit* box = settings_[setting];
    const SettingResult result = editor_.LeaveSetting(setting, FromQt(box->text()));
    box->setText(QString::fromStdString(editor_.SettingText(setting)));
    leaving_ = false;
    if (result == SettingResult::Refused) {
        QTimer::singleShot(0, box, [box] {
            box->setFocus(Qt::OtherFocusReason);
            box->selectAll();
        });
    }
}

QLineEdit* frmAlgo::SettingBox(EditorSetting setting) const {
    auto it = settings_.find(setting);
    return it == settings_.end() ? nullptr : it->second;
}

QPushButton* frmAlgo::Button(const char* name) const {
    auto it = buttons_.find(name);
    return it == buttons_.end() ? nullptr : it->second;
}

bool frmAlgo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtTolerance_) {
        const bool click = event->type() == QEvent::MouseButtonRelease;
        bool key = false;
        if (event->type() == QEvent::KeyPress) {
            const int k = static_cast<QKeyEvent*>(event)->key();
            key = k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_Space;
        }
        if ((click || key) && editor_.ToleranceEnabled()) {
            editor_.ChangeTolerance();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmAlgo::Render() {
    setWindowTitle(QString::fromStdString(editor_.Caption()));

    const int rows = editor_.Rows();
    if (grdVS_->rowCount() != rows) grdVS_->setRowCount(rows);
    const QColor normal = grdVS_->palette().color(QPalette::Text);
    for (int r = 1; r <= rows; ++r) {
        for (int c = 0; c < kEditorColumns; ++c) {
            const auto column = static_cast<EditorColumn>(c);
            QTableWidgetItem* item = grdVS_->item(r - 1, c);
            if (!item) {
                item = new QTableWidgetItem();
                Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
                if (AlgorithmEditor::IsEditable(column)) flags |= Qt::ItemIsEditable;
                item->setFlags(flags);
                Qt::Alignment align = Qt::AlignVCenter;
                if (column == EditorColumn::Value || column == EditorColumn::Step)
                    align |= Qt::AlignRight;
                else if (column == EditorColumn::Description)
                    align |= Qt::AlignLeft;
                else
                    align |= Qt::AlignHCenter;
                item->setTextAlignment(align);
                grdVS_->setItem(r - 1, c, item);
            }
            const QString text = QString::fromStdString(editor_.CellText(r, column));
            if (item->text() != text) item->setText(text);
            item->setForeground(editor_.IsRed(r, column) ? QColor(Qt::red) : normal);
            if (AlgorithmEditor::IsEditable(column)) {
                Qt::ItemFlags flags = item->flags();
                flags.setFlag(Qt::ItemIsEditable, !editor_.CellLocked(column));
                if (flags != item->flags()) item->setFlags(flags);
            }
        }
    }

    lblTolerance_->setText(QString::fromStdString(editor_.ToleranceLabel()));
    txtTolerance_->setText(QString::fromStdString(editor_.ToleranceText()));
    txtTolerance_->setEnabled(editor_.ToleranceEnabled());
    lblTolerance_->setEnabled(editor_.ToleranceEnabled());
    for (auto& [setting, box] : settings_) {
        const QString text = QString::fromStdString(editor_.SettingText(setting));
        if (box->text() != text) box->setText(text);
        box->setEnabled(editor_.SettingEnabled(setting));
    }
    lblFileFrequency_->setEnabled(editor_.FrequencyEnabled());
    txtLogName_->setText(QString::fromStdString(editor_.LogNameText()));
    buttons_["cmdOpen"]->setEnabled(editor_.OpenButtonEnabled());
    buttons_["cmdClose"]->setEnabled(editor_.CloseButtonEnabled());
}

}  // namespace corvane
