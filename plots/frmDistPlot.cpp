#include "plots/frmDistPlot.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/QtPlotCanvas.h"
#include "plots/PlotNames.h"

namespace corvane {

namespace {

QString Q(const char* text) { return QString::fromUtf8(text); }

}  // namespace

frmDistPlot::frmDistPlot(const DistributionPlotData& data, Dialogs& dialogs, QWidget* parent)
    : PlotWindow("frmDistPlot", "Distribution plots", parent), plot_(data), dialogs_(dialogs) {
    auto* controls = new QWidget(this);
    controls->setFixedWidth(290);
    auto* side = new QVBoxLayout(controls);
    side->setContentsMargins(0, 0, 0, 0);
    side->addWidget(new QLabel(Q("Variable to plot:"), controls));
    list_ = Add(new QListWidget(controls), "listVar");
    for (const auto& title : plot_.SeriesTitles()) list_->addItem(QString::fromStdString(title));
    list_->setCurrentRow(0);
    list_->setMinimumHeight(list_->sizeHintForRow(0) * 8);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { PlotSelected(); });
    side->addWidget(list_);

    auto* lines = Add(new QCheckBox(Q("Draw lines"), controls), "chkLines");
    lines->setChecked(true);
    side->addWidget(lines);
    side->addWidget(Add(new QCheckBox(Q("Draw points"), controls), "chkPoints"));
    side->addWidget(Add(new QCheckBox(Q("Drop line plot"), controls), "chkDropLines"));
    side->addStretch(1);

    auto button = [&](const char* caption, const std::string& name) {
        auto* b = Add(new QPushButton(Q(caption), controls), name);
        b->setAutoDefault(true);  // Enter presses the focused button, else the default
        side->addWidget(b);
        return b;
    };
    auto* plotIt = button("&Plot it!", "cmdPlot");
    plotIt->setDefault(true);
    connect(plotIt, &QPushButton::clicked, this, [this] { PlotSelected(); });
    connect(button("Cl&ear", "cmdClear"), &QPushButton::clicked, this, [this] {
        plot_.Clear();
        Refresh();
    });
    connect(button("Save picture as...", "cmdSavePicture"), &QPushButton::clicked, this, [this] {
        // Named after the series shown last.
        const int k = plot_.Plotted().empty() ? list_->currentRow() + 1 : plot_.Plotted().back().first;
        SavePicture(dialogs_, canvas_->Scene(), DistributionFileName(plot_.Data(), k));
    });
    connect(button("&Done", "cmdDone"), &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);
    layout->addWidget(controls);
    layout->addWidget(canvas_, 1);

    // Opens with the first series selected and drawn.
    PlotSelected();
    resize(1120, 720);
}

void frmDistPlot::PlotSelected() {
    auto on = [this](const char* name) { return static_cast<QCheckBox*>(Control(name))->isChecked(); };
    DistOptions options;
    options.lines = on("chkLines");
    options.points = on("chkPoints");
    options.dropLines = on("chkDropLines");
    plot_.Plot(list_->currentRow() + 1, options);
    Refresh();
}

void frmDistPlot::Refresh() { canvas_->SetScene(plot_.Scene()); }

}  // namespace corvane
