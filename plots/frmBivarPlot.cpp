#include "plots/frmBivarPlot.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/QtPlotCanvas.h"
#include "plots/PlotNames.h"

namespace corvane {

frmBivarPlot::frmBivarPlot(const BivariatePlotData& data, Dialogs& dialogs, QWidget* parent)
    : PlotWindow("frmBivarPlot", "Bivariate pdf plot", parent), plot_(data), dialogs_(dialogs) {
    // The legend "SE's", "Low Density", "High Density" and the correlation
    // are part of the picture, so a saved picture keeps them.
    canvas_->SetScene(plot_.Scene());

    auto button = [this](const char* caption, const std::string& name) {
        auto* b = Add(new QPushButton(QString::fromUtf8(caption), this), name);
        b->setAutoDefault(true);  // Enter presses the focused button, else the default
        return b;
    };
    auto* save = button("Save picture as...", "cmdSavePicture");
    connect(save, &QPushButton::clicked, this,
            [this] { SavePicture(dialogs_, canvas_->Scene(), BivariateFileName(plot_.Data())); });
    auto* done = button("&Done", "cmdDone");
    done->setDefault(true);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);

    auto* row = new QHBoxLayout();
    row->addStretch(1);
    row->addWidget(save);
    row->addWidget(done);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addWidget(canvas_, 1);
    layout->addLayout(row);
    resize(980, 760);
}

}  // namespace corvane
