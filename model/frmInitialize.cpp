#include "model/frmInitialize.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "model/GrowthModel.h"
#include "platform/qt/QtText.h"
#include "platform/qt/QtScreenFit.h"

namespace corvane {

namespace {

constexpr int kTwipsPerPixel = 15;

QString Caption(const std::string& name) { return QString::fromStdString(InitializeForm::Control(name).caption); }
QString ToolTip(const std::string& name) { return QString::fromStdString(InitializeForm::Control(name).toolTip); }

QLabel* Label(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

QComboBox* Combo(const std::vector<std::string>& items, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMaxVisibleItems(12);
    for (const auto& item : items) box->addItem(QString::fromStdString(item));
    box->setMinimumContentsLength(5);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return box;
}

// A read-only box for a format description, its lines as written: the
// record patterns are columns, so the font is monospaced and the box wide
// enough for the longest line.
QPlainTextEdit* FormatBox(const std::string& text, QWidget* parent) {
    auto* box = new QPlainTextEdit(parent);
    box->setReadOnly(true);
    box->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    const QString shown = ToQt(text);
    box->setPlainText(shown);
    int widest = 0;
    for (const QString& line : shown.split(QLatin1Char('\n')))
        widest = std::max(widest, box->fontMetrics().horizontalAdvance(line));
    box->setMinimumWidth(widest + 2 * static_cast<int>(box->document()->documentMargin()) + box->frameWidth() * 2 + 6);
    box->setFocusPolicy(Qt::ClickFocus);
    return box;
}

}  // namespace

frmInitialize::frmInitialize(InitializeForm& form, QWidget* frame)
    : QDialog(frame), form_(form), frame_(frame) {
    setObjectName(QStringLiteral("frmInitialize"));
    setWindowTitle(QString::fromLatin1(InitializeForm::kCaption));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);
    // Frequencies on the left, increments on the right; the frequency data's
    // option boxes sit beside its number fields.
    auto* grid = new QGridLayout();
    grid->setHorizontalSpacing(18);
    grid->setVerticalSpacing(6);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid, 1);

    auto* freqFormat = FormatBox(InitializeForm::FrequencyFormatText(), this);
    auto* incFormat = FormatBox(InitializeForm::IncrementFormatText(), this);
    // Both boxes show the longer description whole.
    const int lines = incFormat->document()->blockCount();
    // Lines are laid out on whole pixels, a little apart from the font's spacing.
    const int formatHeight = (incFormat->fontMetrics().lineSpacing() + 1) * lines +
                             2 * static_cast<int>(incFormat->document()->documentMargin()) +
                             2 * incFormat->frameWidth() + 4;
    // Side by side they must fit the screen (at 125% of a laptop's they would
    // not): narrower boxes scroll their lines sideways instead.
    const int room = (AvailableArea(frame).width() - FrameAllowance(this).width() - 2 * 12 - 18) / 2;
    int scrollBar = 0;
    for (QPlainTextEdit* box : {freqFormat, incFormat}) {
        if (box->minimumWidth() <= room) continue;
        box->setMinimumWidth(std::max(200, room));
        scrollBar = box->horizontalScrollBar()->sizeHint().height();
    }
    freqFormat->setFixedHeight(formatHeight + scrollBar);
    incFormat->setFixedHeight(formatHeight + scrollBar);
    grid->addWidget(Add(Label(Caption("frmtFreqs"), this), "lblFrmtFreqs"), 0, 0);
    grid->addWidget(Add(Label(Caption("frmtIncs"), this), "lblFrmtIncs"), 0, 1);
    grid->addWidget(Add(freqFormat, "frmtFreqs"), 1, 0);
    grid->addWidget(Add(incFormat, "frmtIncs"), 1, 1);

    auto fileRow = [&](const char* button, const char* pathName, QLineEdit*& path) {
        auto* row = new QHBoxLayout();
        row->setSpacing(8);
        row->addWidget(Add(new QPushButton(Caption(button), this), button));
        row->addWidget(Label(Caption(pathName), this));
        path = new QLineEdit(this);
        path->setReadOnly(true);
        path->setFocusPolicy(Qt::ClickFocus);
        row->addWidget(Add(path, pathName), 1);
        return row;
    };
    grid->addLayout(fileRow("cmdFrequency", "lblFrequencyPath", frequencyPath_), 2, 0);
    grid->addLayout(fileRow("cmdIncrement", "lblIncrementPath", incrementPath_), 2, 1);

    auto* fields = new QGridLayout();
    fields->setHorizontalSpacing(10);
    fields->setVerticalSpacing(6);
    fields->setColumnStretch(0, 1);
    int row = 0;
    auto field = [&](const std::string& name, QWidget* control) {
        QLabel* label = Label(Caption(name), this);
        label->setToolTip(ToolTip(name));
        label->setBuddy(control);
        labels_[name] = label;
        fields->addWidget(label, row, 0);
        fields->addWidget(Add(control, name), row, 1, Qt::AlignTop);
        ++row;
    };
    field("cboSeries", Combo(InitializeForm::SeriesList(), this));
    field("cboFirst", Combo(InitializeForm::FirstCellList(), this));
    field("cboIDAges", Combo(InitializeForm::IdentifiedList(), this));
    field("cboBlendedAges", Combo(InitializeForm::BlendedList(), this));
    field("cboBirthDay", Combo(InitializeForm::BirthDayList(), this));
    auto* age1 = new QLineEdit(this);
    field("txtAge1", age1);
    auto* ageDiff = new QLineEdit(this);
    field("txtAgeDiff", ageDiff);
    const int fieldWidth = fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 40;
    for (QWidget* w : {static_cast<QWidget*>(age1), static_cast<QWidget*>(ageDiff)}) w->setFixedWidth(fieldWidth);
    auto* left = new QVBoxLayout();
    left->addSpacing(6);
    left->addLayout(fields);
    left->addStretch(1);
    grid->addLayout(left, 3, 0);

    auto* right = new QVBoxLayout();
    right->setSpacing(8);
    right->addSpacing(6);
    auto* dataChoice = new QGroupBox(Caption("fraDataChoice"), this);
    auto* dataLayout = new QVBoxLayout(dataChoice);
    auto* edges = new QButtonGroup(this);
    for (const char* name : {"OptZero", "OptMissing"}) {
        auto* option = new QRadioButton(Caption(name), dataChoice);
        edges->addButton(option);
        dataLayout->addWidget(Add(option, name));
        connect(option, &QRadioButton::clicked, this, [this, name = std::string(name)] {
            form_.edge = name == "OptZero" ? InitializeForm::Edge::Zero : InitializeForm::Edge::Truncated;
            Render();
        });
    }
    auto* rule = new QFrame(dataChoice);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    dataLayout->addWidget(rule);
    const std::pair<const char*, InitializeForm::AgeBox> boxes[] = {
        {"chkForceNormal", InitializeForm::AgeBox::ForceNormal},
        {"chkForceJoint", InitializeForm::AgeBox::ForceJoint},
        {"chkForceGamma", InitializeForm::AgeBox::ForceGamma}};
    for (const auto& [name, box] : boxes) {
        auto* check = new QCheckBox(Caption(name), dataChoice);
        dataLayout->addWidget(Add(check, name));
        connect(check, &QCheckBox::clicked, this, [this, box = box](bool checked) {
            form_.SetChecked(box, checked);
            Render();
        });
    }
    right->addWidget(Add(dataChoice, "fraDataChoice"));

    auto* errors = new QGroupBox(Caption("fraErrors"), this);
    auto* errorLayout = new QHBoxLayout(errors);
    auto* errorGroup = new QButtonGroup(this);
    for (const char* name : {"optGaussian", "optGamma"}) {
        auto* option = new QRadioButton(Caption(name), errors);
        errorGroup->addButton(option);
        errorLayout->addWidget(Add(option, name));
        connect(option, &QRadioButton::clicked, this, [this, name = std::string(name)] {
            form_.errors = name == "optGamma" ? InitializeForm::Errors::Gamma : InitializeForm::Errors::Gaussian;
            Render();
        });
    }
    errorLayout->addStretch(1);
    right->addWidget(Add(errors, "fraErrors"));
    right->addStretch(1);
    grid->addLayout(right, 3, 1);

    // Note and buttons.
    auto* bottom = new QHBoxLayout();
    auto* note = Label(QString::fromLatin1(InitializeForm::kNoteLabel), this);
    QFont bold = note->font();
    bold.setBold(true);
    note->setFont(bold);
    bottom->addWidget(Add(note, "lblNote"), 1);
    auto* ok = new QPushButton(Caption("cmdOK"), this);
    ok->setDefault(true);
    ok->setMinimumWidth(100);
    bottom->addWidget(Add(ok, "cmdOK"));
    auto* cancel = new QPushButton(Caption("cmdCancel"), this);
    cancel->setMinimumWidth(100);
    bottom->addWidget(Add(cancel, "cmdCancel"));
    layout->addLayout(bottom);

    // Tool tips, text edits and buttons.
    for (auto& [name, control] : controls_) {
        const QString tip = ToolTip(name);
        if (!tip.isEmpty()) control->setToolTip(tip);
    }
    for (const char* name : {"cboSeries", "cboFirst", "cboIDAges", "cboBlendedAges", "cboBirthDay"}) {
        auto* box = static_cast<QComboBox*>(controls_.at(name));
        connect(box, &QComboBox::editTextChanged, this,
                [this, name = std::string(name)](const QString& text) { Edited(name, text); });
    }
    for (const char* name : {"txtAge1", "txtAgeDiff"}) {
        auto* box = static_cast<QLineEdit*>(controls_.at(name));
        connect(box, &QLineEdit::textEdited, this,
                [this, name = std::string(name)](const QString& text) { Edited(name, text); });
    }
    // The first cell is checked when the user leaves its field.
    static_cast<QComboBox*>(controls_.at("cboFirst"))->lineEdit()->installEventFilter(this);
    connect(static_cast<QPushButton*>(controls_.at("cmdFrequency")), &QPushButton::clicked, this, [this] {
        form_.LoadFrequencies();
        Render();
    });
    connect(static_cast<QPushButton*>(controls_.at("cmdIncrement")), &QPushButton::clicked, this, [this] {
        form_.LoadIncrements();
        Render();
    });
    connect(ok, &QPushButton::clicked, this, [this] { Ok(); });
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });

    Render();
    // At a small or scaled screen the two format descriptions side by side
    // are wider than the screen: the dialogue then scrolls sideways.
    FitOnScreen(this, sizeHint(), Position());
}

QWidget* frmInitialize::Add(QWidget* control, const std::string& name) {
    control->setObjectName(QString::fromStdString(name));
    controls_[name] = control;
    return control;
}

QWidget* frmInitialize::Control(const std::string& name) const {
    auto it = controls_.find(name);
    return it == controls_.end() ? nullptr : it->second;
}

void frmInitialize::Edited(const std::string& name, const QString& text) {
    if (rendering_) return;
    const std::string value = FromQt(text);
    if (name == "cboSeries") form_.series = value;
    else if (name == "cboFirst") form_.firstCell = value;
    else if (name == "cboIDAges") form_.identified = value;
    else if (name == "cboBlendedAges") form_.blended = value;
    else if (name == "cboBirthDay") form_.birthDay = value;
    else if (name == "txtAge1") form_.age1 = value;
    else if (name == "txtAgeDiff") form_.ageDiff = value;
}

void frmInitialize::Render() {
    rendering_ = true;
    auto setCombo = [&](const char* name, const std::string& text) {
        auto* box = static_cast<QComboBox*>(controls_.at(name));
        if (box->currentText() != QString::fromStdString(text)) box->setEditText(QString::fromStdString(text));
    };
    setCombo("cboSeries", form_.series);
    setCombo("cboFirst", form_.firstCell);
    setCombo("cboIDAges", form_.identified);
    setCombo("cboBlendedAges", form_.blended);
    setCombo("cboBirthDay", form_.birthDay);
    auto setText = [&](const char* name, const std::string& text) {
        auto* box = static_cast<QLineEdit*>(controls_.at(name));
        if (box->text() != QString::fromStdString(text)) box->setText(QString::fromStdString(text));
    };
    setText("txtAge1", form_.age1);
    setText("txtAgeDiff", form_.ageDiff);
    frequencyPath_->setText(QString::fromStdString(form_.FrequencyPath()));
    frequencyPath_->setToolTip(frequencyPath_->text());
    incrementPath_->setText(QString::fromStdString(form_.IncrementPath()));
    incrementPath_->setToolTip(incrementPath_->text());

    static_cast<QRadioButton*>(controls_.at("OptZero"))->setChecked(form_.edge == InitializeForm::Edge::Zero);
    static_cast<QRadioButton*>(controls_.at("OptMissing"))->setChecked(form_.edge == InitializeForm::Edge::Truncated);
    static_cast<QRadioButton*>(controls_.at("optGaussian"))
        ->setChecked(form_.errors == InitializeForm::Errors::Gaussian);
    static_cast<QRadioButton*>(controls_.at("optGamma"))->setChecked(form_.errors == InitializeForm::Errors::Gamma);
    static_cast<QCheckBox*>(controls_.at("chkForceNormal"))
        ->setChecked(form_.Checked(InitializeForm::AgeBox::ForceNormal));
    static_cast<QCheckBox*>(controls_.at("chkForceJoint"))->setChecked(form_.Checked(InitializeForm::AgeBox::ForceJoint));
    static_cast<QCheckBox*>(controls_.at("chkForceGamma"))->setChecked(form_.Checked(InitializeForm::AgeBox::ForceGamma));

    for (auto& [name, control] : controls_) {
        const bool enabled = form_.Enabled(name);
        control->setEnabled(enabled);
        auto label = labels_.find(name);
        if (label != labels_.end()) label->second->setEnabled(enabled);
    }
    rendering_ = false;

    if (!form_.focus.empty()) {
        if (QWidget* w = Control(form_.focus)) w->setFocus(Qt::OtherFocusReason);
        form_.focus.clear();
    }
}

bool frmInitialize::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && !checking_) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Opening the list or switching to another program is not leaving the field.
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
            checking_ = true;
            form_.CheckFirstCell();
            Render();
            checking_ = false;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmInitialize::Ok() {
    if (form_.Ok() == InitializeForm::Outcome::Initialised) {
        form_.focus.clear();  // the menu gives the focus to loading
        accept();
        return;
    }
    Render();
}

void frmInitialize::reject() {
    form_.Cancel();
    QDialog::reject();
}

QPoint frmInitialize::Position() const {
    QPoint at(InitializeForm::kLeftTwips / kTwipsPerPixel, InitializeForm::kTopTwips / kTwipsPerPixel);
    if (frame_) {
        // From the top-left corner of the frame's working area.
        QWidget* area = frame_;
        if (auto* main = qobject_cast<QMainWindow*>(frame_->window()); main && main->centralWidget())
            area = main->centralWidget();
        at = area->mapToGlobal(at);
    }
    if (const QScreen* screen = frame_ ? frame_->screen() : QGuiApplication::primaryScreen()) {
        const QRect room = screen->availableGeometry();
        const QSize own = frameGeometry().size().expandedTo(size());
        at.setX(std::max(room.left(), std::min(at.x(), room.right() - own.width())));
        at.setY(std::max(room.top(), std::min(at.y(), room.bottom() - own.height())));
    }
    return at;
}

void frmInitialize::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    move(Position());
}

bool ShowModelSetUp(Workbench& wb, GrowthModel& model, QWidget* frame, const std::string& frequencies,
                    const std::string& increments) {
    // The frame names the model while its set-up is open, and the program
    // again afterwards.
    QWidget* main = frame ? frame->window() : nullptr;
    const QString title = main ? main->windowTitle() : QString();
    if (main) main->setWindowTitle(QString::fromLatin1(InitializeForm::kMainCaption));
    InitializeForm form(wb, model);
    if (!frequencies.empty()) form.ChooseFrequencyFile(frequencies);
    if (!increments.empty()) form.ChooseIncrementFile(increments);
    frmInitialize dialog(form, frame);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (main) main->setWindowTitle(title);
    return accepted;
}

}  // namespace corvane
