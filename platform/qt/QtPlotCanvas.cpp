#include "platform/qt/QtPlotCanvas.h"

#include <QPainter>

#include "plots/PlotNames.h"
#include "platform/qt/render/PlotPainter.h"

namespace corvane {

PlotCanvas::PlotCanvas(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Graph"));
    setMinimumSize(420, 320);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlotCanvas::SetScene(PlotScene scene) {
    scene_ = std::move(scene);
    update();
}

void PlotCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    PaintPlot(painter, QRectF(rect()), scene_);
}

PlotWindow::PlotWindow(const char* name, const char* caption, QWidget* parent) : QDialog(parent) {
    setObjectName(QString::fromUtf8(name));
    setWindowTitle(QString::fromUtf8(caption));
    setModal(true);
    setSizeGripEnabled(true);
    canvas_ = new PlotCanvas(this);
}

QWidget* PlotWindow::Control(const std::string& name) const {
    auto it = controls_.find(name);
    return it == controls_.end() ? nullptr : it->second;
}

std::string SavePicture(Dialogs& dialogs, const PlotScene& scene, const std::string& stem) {
    const FileRequest request = SavePictureRequest(stem);
    const auto chosen = dialogs.FileDialog(request);
    if (!chosen || chosen->empty()) return {};
    const QString path = QString::fromStdString(PicturePath(*chosen));
    QString error;
    if (!WritePicture(scene, path, PictureFormatOf(path), QSize(kPictureWidth, kPictureHeight), &error)) {
        dialogs.MessageBox(request.title, "The picture was not saved: " + error.toStdString(), Buttons::OK,
                           Icon::Exclamation);
        return {};
    }
    return path.toStdString();
}

}  // namespace corvane
