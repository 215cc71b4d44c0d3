#include "platform/qt/QtDialogs.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QSplitter>
#include <QTreeView>
#include <QScreen>
#include <algorithm>
#include <QFileInfo>
#include <QInputDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/ScreenFit.h"
#include "platform/qt/QtScreenFit.h"
#include "platform/qt/QtText.h"

namespace corvane {

namespace {

// What a title needs beyond its text, less what the box has beside its label
// (the icon and the margins): the frame's buttons and some air.
constexpr int kTitleAllowance = 40;
// What a message box puts beside its text: the icon, the margins and the
// spacing between them.
constexpr int kAroundMessageText = 110;

QMessageBox::Icon QtIcon(Icon icon) {
    switch (icon) {
        case Icon::None: return QMessageBox::NoIcon;
        case Icon::Information: return QMessageBox::Information;
        case Icon::Question: return QMessageBox::Question;
        case Icon::Exclamation: return QMessageBox::Warning;
        case Icon::Critical:
        case Icon::InformationCritical: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

QList<QMessageBox::StandardButton> Order(Buttons buttons) {
    switch (buttons) {
        case Buttons::OK: return {QMessageBox::Ok};
        case Buttons::OKCancel: return {QMessageBox::Ok, QMessageBox::Cancel};
        case Buttons::YesNo: return {QMessageBox::Yes, QMessageBox::No};
        case Buttons::YesNoCancel: return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
    }
    return {QMessageBox::Ok};
}

Answer FromStandard(QMessageBox::StandardButton b) {
    switch (b) {
        case QMessageBox::Ok: return Answer::OK;
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        default: return Answer::Cancel;
    }
}

}  // namespace

std::unique_ptr<QMessageBox> BuildMessageBox(QWidget* parent, const std::string& title, const std::string& text,
                                             Buttons buttons, Icon icon, bool secondIsDefault) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(ToQt(title));
    box->setTextFormat(Qt::PlainText);
    box->setText(ToQt(text));
    box->setIcon(QtIcon(icon));
    const auto order = Order(buttons);
    for (auto b : order) box->addButton(b);
    box->setDefaultButton(order[secondIsDefault && order.size() > 1 ? 1 : 0]);
    QMessageBox::StandardButton escape = QMessageBox::Cancel;
    if (buttons == Buttons::OK) escape = QMessageBox::Ok;
    if (buttons == Buttons::YesNo) escape = QMessageBox::No;
    box->setEscapeButton(escape);
    // The texts break their own lines; a box narrower than its longest line
    // would wrap them again and leave ragged half-lines.  The title must fit
    // too, beside the frame's buttons: a short text under a long title would
    // make a box whose title is cut.
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        int widest = 0;
        for (const QString& line : label->text().split(QLatin1Char('\n')))
            widest = std::max(widest, label->fontMetrics().horizontalAdvance(line));
        QFont titleFont = box->font();
        titleFont.setBold(true);  // as most frames draw their titles
        widest = std::max(widest, QFontMetrics(titleFont).horizontalAdvance(ToQt(title)) + kTitleAllowance);
        // The box never grows wider than the toolkit's own limit for its
        // screen (the screen less 480 pixels, at most 1000, on a screen wider
        // than 1024); a text wider than that wraps instead of being cut.
        const int screenWidth = AvailableArea(parent).width();
        const int boxLimit = screenWidth <= 1024 ? screenWidth : std::min(screenWidth - 480, 1000);
        const int width = MessageTextWidth(widest + 4, boxLimit, kAroundMessageText);
        label->setWordWrap(width < widest + 4);
        label->setMinimumWidth(std::max(0, width));
    }
    return box;
}

Answer AnswerOf(const QMessageBox& box) {
    QAbstractButton* clicked = box.clickedButton();
    if (!clicked) clicked = box.escapeButton();
    if (!clicked) return Answer::Cancel;
    return FromStandard(box.standardButton(clicked));
}

QStringList NameFilters(const std::string& filter) {
    QStringList pieces = QString::fromStdString(filter).split(QLatin1Char('|'));
    while (!pieces.isEmpty() && pieces.last().trimmed().isEmpty()) pieces.removeLast();
    QStringList filters;
    for (qsizetype i = 0; i < pieces.size(); i += 2) {
        const QString description = pieces[i].trimmed();
        QStringList patterns;
        const QString given = i + 1 < pieces.size() ? pieces[i + 1] : QString();
        for (QString p : given.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            p = p.trimmed();
            if (p == QLatin1String("*.*")) p = QStringLiteral("*");
            if (!p.isEmpty()) patterns << p;
        }
        if (patterns.isEmpty()) patterns << QStringLiteral("*");
        // The dialogue hides the pattern list it is given, so the description
        // is shown exactly as written.
        filters << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

std::unique_ptr<QFileDialog> BuildFileDialog(QWidget* parent, const FileRequest& request) {
    auto dialog = std::make_unique<QFileDialog>(parent, ToQt(request.title));
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setOption(QFileDialog::HideNameFilterDetails, true);
    dialog->setFileMode(request.save || !request.mustExist ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, !(request.save && request.overwritePrompt));
    dialog->resize(900, 540);
    // Room for the places list and whole dates.
    if (auto* places = dialog->findChild<QSplitter*>(QStringLiteral("splitter"))) places->setSizes({170, 730});
    if (auto* files = dialog->findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = files->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    const QStringList filters = NameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog->setNameFilters(filters);
        if (request.selectedFilter >= 1 && request.selectedFilter <= filters.size())
            dialog->selectNameFilter(filters[request.selectedFilter - 1]);
    }
    if (!request.initialName.empty()) {
        const QString initial = QString::fromStdString(request.initialName);
        const QFileInfo info(initial);
        if (initial.contains(QLatin1Char('/'))) dialog->setDirectory(info.absolutePath());
        dialog->selectFile(info.fileName());
    }
    return dialog;
}

Answer QtDialogs::MessageBox(const std::string& title, const std::string& text, Buttons buttons, Icon icon,
                             bool secondIsDefault) {
    auto box = BuildMessageBox(parent_, title, text, buttons, icon, secondIsDefault);
    box->exec();
    return AnswerOf(*box);
}

std::string QtDialogs::InputPrompt(const std::string& title, const std::string& prompt,
                                   const std::string& defaultText) {
    QInputDialog dialog(parent_);
    dialog.setWindowTitle(ToQt(title));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setLabelText(ToQt(prompt));
    dialog.setTextValue(QString::fromStdString(defaultText));
    // Prompts such as "0 < parameter # <= 12" are text, never markup.
    for (QLabel* label : dialog.findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
    dialog.setMinimumWidth(460);
    if (dialog.exec() != QDialog::Accepted) return "";
    return FromQt(dialog.textValue());
}

std::optional<std::string> QtDialogs::FileDialog(const FileRequest& request) {
    auto dialog = BuildFileDialog(parent_, request);
    if (dialog->exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog->selectedFiles();
    if (files.isEmpty() || files.first().isEmpty()) return std::nullopt;
    return FromQt(files.first());
}

void QtDialogs::ProcessEvents() {
    if (beforeProcessEvents) beforeProcessEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtDialogs::WaitForEvents() {
    if (beforeProcessEvents) beforeProcessEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void QtDialogs::Beep() { QApplication::beep(); }

namespace {

constexpr int kChoiceWidth = 460;
const char* const kListName = "choiceList";
const char* const kStatusName = "checklistStatus";
const char* const kCaptionIndex = "captionIndex";

// A dialogue of a prompt over a list and OK / Cancel.
QListWidget* ListDialogFrame(QDialog& dialog, const std::string& title, const std::string& prompt) {
    dialog.setWindowTitle(ToQt(title));
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(ToQt(prompt), &dialog);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QLatin1String(kListName));
    label->setBuddy(list);
    layout->addWidget(list);
    dialog.setMinimumWidth(kChoiceWidth);
    return list;
}

QDialogButtonBox* OkCancel(QDialog& dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);  // Enter takes what is chosen
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    dialog.layout()->addWidget(buttons);
    return buttons;
}

}  // namespace

std::unique_ptr<QDialog> BuildListDialog(QWidget* parent, const ListChoice& choice) {
    auto dialog = std::make_unique<QDialog>(parent);
    QListWidget* list = ListDialogFrame(*dialog, choice.title, choice.prompt);
    for (const std::string& item : choice.items) list->addItem(ToQt(item));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    if (!choice.items.empty())
        list->setCurrentRow(std::clamp(choice.initial, 0, static_cast<int>(choice.items.size()) - 1));
    QDialogButtonBox* buttons = OkCancel(*dialog);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(!choice.items.empty());
    QDialog* d = dialog.get();
    QObject::connect(list, &QListWidget::itemActivated, d, &QDialog::accept);
    QObject::connect(list, &QListWidget::itemDoubleClicked, d, &QDialog::accept);
    list->setFocus();
    return dialog;
}

std::optional<int> ListAnswer(const QDialog& dialog) {
    if (dialog.result() != QDialog::Accepted) return std::nullopt;
    const auto* list = dialog.findChild<QListWidget*>(QLatin1String(kListName));
    if (!list || list->currentRow() < 0) return std::nullopt;
    return list->currentRow();
}

std::unique_ptr<QMessageBox> BuildButtonBox(QWidget* parent, const ButtonChoice& choice) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(ToQt(choice.title));
    box->setTextFormat(Qt::PlainText);
    box->setText(ToQt(choice.text));
    box->setIcon(QMessageBox::Question);
    // The box lays its buttons out by role; each keeps its caption's place.
    for (std::size_t i = 0; i < choice.captions.size(); ++i) {
        QPushButton* b = box->addButton(ToQt(choice.captions[i]), QMessageBox::AcceptRole);
        b->setProperty(kCaptionIndex, static_cast<int>(i));
        if (i == 0) box->setDefaultButton(b);
    }
    if (choice.cancel) box->setEscapeButton(box->addButton(QMessageBox::Cancel));
    return box;
}

std::optional<int> ButtonAnswer(const QMessageBox& box) {
    const QAbstractButton* clicked = box.clickedButton();
    const QVariant at = clicked ? clicked->property(kCaptionIndex) : QVariant();
    if (!at.isValid()) return std::nullopt;  // Cancel, or closed without a choice
    return at.toInt();
}

std::unique_ptr<QDialog> BuildChecklistDialog(QWidget* parent, const Checklist& checklist) {
    auto dialog = std::make_unique<QDialog>(parent);
    QListWidget* list = ListDialogFrame(*dialog, checklist.title, checklist.prompt);
    for (std::size_t i = 0; i < checklist.items.size(); ++i) {
        auto* item = new QListWidgetItem(ToQt(checklist.items[i]), list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        const bool ticked = i < checklist.ticked.size() && checklist.ticked[i];
        item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
    if (list->count() > 0) list->setCurrentRow(0);
    auto* status = new QLabel(dialog.get());
    status->setObjectName(QLatin1String(kStatusName));
    status->setTextFormat(Qt::PlainText);
    dialog->layout()->addWidget(status);
    QPushButton* ok = OkCancel(*dialog)->button(QDialogButtonBox::Ok);
    QDialog* d = dialog.get();
    auto refresh = [d, status, ok, checklist] {
        const std::vector<bool> ticks = ChecklistTicks(*d);
        status->setText(ToQt(ChecklistStatus(checklist, ticks)));
        ok->setEnabled(ChecklistAccepts(checklist, ticks));
    };
    QObject::connect(list, &QListWidget::itemChanged, d, refresh);
    refresh();
    list->setFocus();
    return dialog;
}

std::vector<bool> ChecklistTicks(const QDialog& dialog) {
    std::vector<bool> ticks;
    if (const auto* list = dialog.findChild<QListWidget*>(QLatin1String(kListName)))
        for (int i = 0; i < list->count(); ++i) ticks.push_back(list->item(i)->checkState() == Qt::Checked);
    return ticks;
}

std::optional<int> QtDialogs::ChooseFromList(const ListChoice& choice) {
    auto dialog = BuildListDialog(parent_, choice);
    dialog->exec();
    return ListAnswer(*dialog);
}

std::optional<int> QtDialogs::ChooseButton(const ButtonChoice& choice) {
    auto box = BuildButtonBox(parent_, choice);
    box->exec();
    return ButtonAnswer(*box);
}

std::optional<std::vector<bool>> QtDialogs::ChooseSeveral(const Checklist& list) {
    auto dialog = BuildChecklistDialog(parent_, list);
    if (dialog->exec() != QDialog::Accepted) return std::nullopt;
    return ChecklistTicks(*dialog);
}

}  // namespace corvane
