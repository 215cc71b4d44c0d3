#include "plots/frmXYPlot.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "platform/qt/QtPlotCanvas.h"
#include "plots/PlotNames.h"

namespace corvane {

namespace {

QString Q(const char* text) { return QString::fromUtf8(text); }

}  // namespace

frmXYPlot::frmXYPlot(const XYPlotData& data, Dialogs& dialogs, QWidget* parent)
    : PlotWindow("frmXYPlot", "Data and prediction plots", parent), plot_(data), dialogs_(dialogs) {
    auto* controls = new QWidget(this);
    controls->setFixedWidth(300);
    auto* side = new QVBoxLayout(controls);
    side->setContentsMargins(0, 0, 0, 0);

    auto* page = Add(new QLabel(Q("Page:  ") + QString::fromStdString(data.page), controls), "lblPage");
    page->setWordWrap(true);
    page->setStyleSheet(Q("font-weight: bold"));
    side->addWidget(page);

    auto makeList = [&](const char* caption, const std::string& name) {
        side->addWidget(new QLabel(Q(caption), controls));
        auto* list = Add(new QListWidget(controls), name);
        for (int v = 1; v <= plot_.VariableCount(); ++v) list->addItem(QString::fromStdString(plot_.Name(v)));
        list->setMinimumHeight(90);
        if (list->count() > 0) list->setCurrentRow(0);
        side->addWidget(list, 1);
        connect(list, &QListWidget::itemDoubleClicked, this, [this] { PlotSelected(); });
        return list;
    };
    listX_ = makeList("X variate:", "listXVar");
    listY_ = makeList("Y variate:", "listYVar");

    auto* checks = new QGridLayout();
    auto check = [&](const char* caption, const std::string& name, int row, int col, const char* tip = nullptr) {
        auto* box = Add(new QCheckBox(Q(caption), controls), name);
        if (tip) box->setToolTip(Q(tip));
        checks->addWidget(box, row, col);
        return box;
    };
    check("Lines >", "chkLinesRight", 0, 0, "Connects left to right sequential points");
    check("Lines <", "chkLinesLeft", 1, 0, "Connects right to left sequential points");
    check("Lines <>", "chkLinesAll", 2, 0, "Connects all points with a line");
    check("Points", "chkPoints", 0, 1)->setChecked(true);
    check("Drop lines", "chkDropLines", 1, 1);
    auto* grid10 = check("10x10 Grid", "chkGrid10", 2, 1);
    auto* grid8 = check("8x8 Grid", "chkGrid8", 3, 1);
    side->addLayout(checks);
    auto grids = [this, grid10, grid8] {
        plot_.SetGrids(grid10->isChecked(), grid8->isChecked());
        Refresh();
    };
    connect(grid10, &QCheckBox::toggled, this, grids);
    connect(grid8, &QCheckBox::toggled, this, grids);

    auto* limits = new QGroupBox(Q("Set Min/Max:"), controls);
    auto* form = new QFormLayout(limits);
    auto box = [&](const char* caption, const std::string& name) {
        auto* edit = Add(new QLineEdit(limits), name);
        form->addRow(Q(caption), edit);
        return edit;
    };
    yMax_ = box("Y-Max:", "txtYMax");
    yMin_ = box("Y-Min:", "txtYMin");
    xMax_ = box("X-Max (label):", "txtXMax");
    xMin_ = box("X-Min (label):", "txtXMin");
    side->addWidget(limits);

    auto* note = Add(new QLabel(Q("Plots are automatically scaled \nto the range of the data, unless \nthe model "
                                  "includes a scaling \nfunction. To override a scaling \nfunction, set the maximum "
                                  "or \nminimum of X or Y to 0."),
                                controls),
                     "lblNote");
    note->setStyleSheet(Q("color: #444"));
    side->addWidget(note);

    // The buttons stay in sight below the controls, which scroll on a low screen.
    auto* buttons = new QVBoxLayout();
    auto button = [&](const char* caption, const std::string& name) {
        auto* b = Add(new QPushButton(Q(caption), controls), name);
        b->setAutoDefault(true);  // Enter presses the focused button, else the default
        buttons->addWidget(b);
        return b;
    };
    auto* plotIt = button("&Plot it!", "cmdPlot");
    plotIt->setDefault(true);
    connect(plotIt, &QPushButton::clicked, this, [this] { PlotSelected(); });
    connect(button("&Clear Plot && Reset Axes", "cmdClear"), &QPushButton::clicked, this, [this] { ClearPlot(); });
    connect(button("Save picture as...", "cmdSavePicture"), &QPushButton::clicked, this, [this, data] {
        SavePicture(dialogs_, plot_.Scene(), FiguresOf(data).front().name);
    });
    connect(button("&Next Plot Page", "cmdNextPage"), &QPushButton::clicked, this, [this] {
        answer_ = PlotAnswer::Next;
        accept();
    });
    connect(button("&Quit plots", "cmdQuit"), &QPushButton::clicked, this, [this] {
        answer_ = PlotAnswer::Quit;
        accept();
    });

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(Q("scrControls"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->setWidget(controls);
    scroll->setFixedWidth(controls->width() + scroll->verticalScrollBar()->sizeHint().width());
    auto* column = new QVBoxLayout();
    column->addWidget(scroll, 1);
    column->addLayout(buttons);
    layout->addLayout(column);
    layout->addWidget(canvas_, 1);

    // The page opens with its first figure drawn, as its picture file shows it.
    const auto figures = FiguresOf(data);
    XYBoxes boxes;
    for (const auto& c : figures.front().curves)
        plot_.Plot(figures.front().x, c.variable, c.marks, boxes, nullptr, ModXYPlot::Scaling::AllCurves, c.style);
    ShowBoxes(boxes);
    Refresh();
    resize(1180, 760);
}

XYMarks frmXYPlot::Marks() const {
    auto on = [this](const char* name) { return static_cast<QCheckBox*>(Control(name))->isChecked(); };
    XYMarks marks;
    marks.points = on("chkPoints");
    marks.linesForward = on("chkLinesRight");
    marks.linesBackward = on("chkLinesLeft");
    marks.linesAll = on("chkLinesAll");
    marks.dropLines = on("chkDropLines");
    return marks;
}

XYBoxes frmXYPlot::Boxes() const {
    return {yMax_->text().toStdString(), yMin_->text().toStdString(), xMax_->text().toStdString(),
            xMin_->text().toStdString()};
}

void frmXYPlot::ShowBoxes(const XYBoxes& boxes) {
    yMax_->setText(QString::fromStdString(boxes.yMax));
    yMin_->setText(QString::fromStdString(boxes.yMin));
    xMax_->setText(QString::fromStdString(boxes.xMax));
    xMin_->setText(QString::fromStdString(boxes.xMin));
}

void frmXYPlot::PlotSelected() {
    XYBoxes boxes = Boxes();
    std::string message;
    // The axes follow the new curve rather than squash it under the old ones.
    if (!plot_.Plot(listX_->currentRow() + 1, listY_->currentRow() + 1, Marks(), boxes, &message,
                    ModXYPlot::Scaling::ToNewCurve)) {
        dialogs_.MessageBox("Data and prediction plots", message, Buttons::OK, Icon::Exclamation);
        return;
    }
    ShowBoxes(boxes);
    Refresh();
}

void frmXYPlot::ClearPlot() {
    XYBoxes boxes;
    plot_.Clear(boxes);
    ShowBoxes(boxes);
    Refresh();
}

void frmXYPlot::Refresh() { canvas_->SetScene(plot_.Scene()); }

}  // namespace corvane
