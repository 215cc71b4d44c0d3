#pragma once
// The drawing surface of the plot windows (the picture called Graph): it
// paints a plot scene at whatever size the window gives it, and saves the
// same scene as a PNG or SVG picture.
#include <QDialog>
#include <QWidget>
#include <map>
#include <functional>
#include <string>

#include "platform/Dialogs.h"
#include "plots/PlotScene.h"

namespace corvane {

class PlotCanvas : public QWidget {
public:
    explicit PlotCanvas(QWidget* parent = nullptr);

    void SetScene(PlotScene scene);
    const PlotScene& Scene() const { return scene_; }

    QSize sizeHint() const override { return {760, 570}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PlotScene scene_;
};

// What the three plot windows share: a modal dialogue around a canvas, its
// controls found by name.
class PlotWindow : public QDialog {
public:
    PlotWindow(const char* name, const char* caption, QWidget* parent);

    PlotCanvas* Canvas() const { return canvas_; }
    // Any control or label by its name (listVar, cmdPlot, chkPoints, ...).
    QWidget* Control(const std::string& name) const;

protected:
    template <class W>
    W* Add(W* widget, const std::string& name) {
        widget->setObjectName(QString::fromStdString(name));
        controls_[name] = widget;
        return widget;
    }

    PlotCanvas* canvas_ = nullptr;

private:
    std::map<std::string, QWidget*> controls_;
};

// "Save picture as...": asks for a file (PNG or SVG, offered as stem.png)
// and writes the scene at the size of picture files; a failed write is
// reported.  Returns the path written, empty when cancelled or failed.
std::string SavePicture(Dialogs& dialogs, const PlotScene& scene, const std::string& stem);

}  // namespace corvane
