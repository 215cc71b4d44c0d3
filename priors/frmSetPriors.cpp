#include "priors/frmSetPriors.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/qt/QtTableCopy.h"
#include "platform/qt/QtText.h"
#include "priors/PriorEntry.h"

namespace corvane {

namespace {

QColor ColourOf(PriorCellColour colour, const QColor& normal) {
    switch (colour) {
        case PriorCellColour::Blue: return QColor(0, 0, 255);
        case PriorCellColour::Green: return QColor(0, 150, 0);
        case PriorCellColour::Red: return QColor(255, 0, 0);
        case PriorCellColour::Black: break;
    }
    return normal;
}

}  // namespace

frmSetPriors::frmSetPriors(PriorsEditor& editor, QMenu* windowMenu, QWidget* parent)
    : QWidget(parent), editor_(editor) {
    setObjectName(QStringLiteral("frmSetPriors"));
    setWindowTitle(QString::fromLatin1(priors_editor::Caption));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 8);
    layout->setSpacing(6);

    menuBar_ = new QMenuBar(this);
    QMenu* application = menuBar_->addMenu(QStringLiteral("&Application"));
    mnuMenu_ = Add(application, "mnuMenu", "Main &menu", [this] {
        if (showMainMenu) showMainMenu();
    });
    application->addSeparator();
    Add(application, "mnuExit", "E&xit", [this] {
        if (requestExit) requestExit();
    });

    QMenu* edit = menuBar_->addMenu(QStringLiteral("&Edit prior distributions"));
    QMenu* moments = edit->addMenu(QStringLiteral("&Mean and SD"));
    QMenu* feet = edit->addMenu(QStringLiteral("F&oot (mean) of a"));
    for (const PriorEntryCommand& c : PriorEntryCommands()) {
        QMenu* into = std::string("NGELB").find(c.code) != std::string::npos ? moments
                      : c.code == 'U'                                         ? edit
                                                                              : feet;
        if (c.code == 'U') edit->addSeparator();
        const std::string name = std::string("mnuPrior") + c.code;
        const char code = c.code;
        Add(into, name.c_str(), c.caption, [this, code] { editor_.Enter(code); });
    }

    mnuProfile_ = Add(nullptr, "mnuProfile", "&Profile prior distributions", [this] {
        if (editor_.profilePriors) editor_.profilePriors();
    });
    Add(nullptr, "mnuSave", "&Save prior distributions", [this] { editor_.Save(); });
    if (windowMenu) menuBar_->addMenu(windowMenu);
    Add(nullptr, "mnuHelp", "&Help with prior distributions", [this] { editor_.Help(); });
    Add(nullptr, "mnuFinished", "&Finished", [this] { editor_.Finish(); });
    layout->setMenuBar(menuBar_);

    auto* label = new QLabel(QString::fromLatin1(priors_editor::Label), this);
    label->setObjectName(QStringLiteral("lblSelect"));
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    layout->addWidget(label);

    grdSetPriors_ = new QTableWidget(this);
    InstallTableCopy(grdSetPriors_);  // Ctrl+C gives a spreadsheet the selected cells
    grdSetPriors_->setObjectName(QStringLiteral("grdSetPriors"));
    grdSetPriors_->setColumnCount(priors_editor::Columns);
    grdSetPriors_->horizontalHeader()->setVisible(false);
    grdSetPriors_->verticalHeader()->setVisible(false);
    grdSetPriors_->verticalHeader()->setDefaultSectionSize(grdSetPriors_->fontMetrics().height() + 8);
    grdSetPriors_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The editor's own colours mark the selection.
    grdSetPriors_->setSelectionMode(QAbstractItemView::NoSelection);
    // The grid takes the keyboard: the arrow keys move through the parameters.
    grdSetPriors_->setFocusPolicy(Qt::StrongFocus);
    grdSetPriors_->installEventFilter(this);
    grdSetPriors_->horizontalHeader()->setStretchLastSection(true);
    connect(grdSetPriors_, &QTableWidget::cellClicked, this, [this](int row, int) { editor_.Click(row); });
    layout->addWidget(grdSetPriors_, 1);
    FitColumns();
    Render();
}

bool frmSetPriors::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grdSetPriors_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int page = std::max(1, grdSetPriors_->viewport()->height() /
                                         std::max(1, grdSetPriors_->verticalHeader()->defaultSectionSize()));
        int move = 0;
        switch (key->key()) {
            case Qt::Key_Up: move = -1; break;
            case Qt::Key_Down: move = 1; break;
            case Qt::Key_PageUp: move = -page; break;
            case Qt::Key_PageDown: move = page; break;
            case Qt::Key_Home: move = -editor_.Rows(); break;
            case Qt::Key_End: move = editor_.Rows(); break;
            default: break;
        }
        if (move != 0 && key->modifiers() == Qt::NoModifier) {
            editor_.MoveSelection(move);
            grdSetPriors_->scrollToItem(grdSetPriors_->item(editor_.SelectedRow(), 0));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QAction* frmSetPriors::Add(QMenu* menu, const char* name, const char* caption, std::function<void()> slot) {
    const QString text = QString::fromLatin1(caption);
    QAction* a = menu ? menu->addAction(text) : menuBar_->addAction(text);
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, [slot] { slot(); });
    return a;
}

QAction* frmSetPriors::Action(const char* name) const {
    return findChild<QAction*>(QString::fromLatin1(name));
}

void frmSetPriors::FitColumns() {
    // The widths keep their proportions; the unit is set so that the type
    // names and the numbers fit.
    const QFontMetrics m = grdSetPriors_->fontMetrics();
    const double unit = std::max((m.horizontalAdvance(QStringLiteral("Uniform - unbounded")) + 18) / 1600.0,
                                 (m.horizontalAdvance(QStringLiteral("Parameter")) + 18) / 1000.0);
    for (int c = 0; c < priors_editor::Columns; ++c)
        grdSetPriors_->setColumnWidth(c, static_cast<int>(PriorsEditor::ColumnWidth(c) * unit + 0.5));
}

void frmSetPriors::Render() {
    mnuMenu_->setEnabled(editor_.MainMenuEnabled());
    mnuProfile_->setEnabled(static_cast<bool>(editor_.profilePriors));
    const int rows = editor_.Rows();
    if (grdSetPriors_->rowCount() != rows) {
        grdSetPriors_->clearSpans();
        grdSetPriors_->setRowCount(rows);
        grdSetPriors_->setSpan(0, 2, 1, 2);
        grdSetPriors_->setSpan(0, 4, 1, 2);
    }
    const QColor normal = grdSetPriors_->palette().color(QPalette::Text);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < priors_editor::Columns; ++c) {
            QTableWidgetItem* item = grdSetPriors_->item(r, c);
            if (!item) {
                item = new QTableWidgetItem();
                item->setFlags(Qt::ItemIsEnabled);
                item->setTextAlignment(Qt::AlignVCenter |
                                       (editor_.CellCentred(r, c) ? Qt::AlignHCenter : Qt::AlignLeft));
                if (r < 2) {
                    QFont f = item->font();
                    f.setBold(true);
                    item->setFont(f);
                }
                grdSetPriors_->setItem(r, c, item);
            }
            const QString text = ToQt(editor_.CellText(r, c));
            if (item->text() != text) item->setText(text);
            item->setForeground(ColourOf(editor_.CellColour(r, c), normal));
        }
    }
}

}  // namespace corvane
