#pragma once
// The drawing surface of the plot windows (the picture called Graph): it
// paints a plot scene at whatever size the window gives it, and saves the
// same scene as a PNG or SVG picture.
#include <QWidget>
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

// "Save picture as...": asks for a file (PNG or SVG, offered as stem.png)
// and writes the scene at the size of picture files; a failed write is
// reported.  Returns the path written, empty when cancelled or failed.
std::string SavePicture(Dialogs& dialogs, const PlotScene& scene, const std::string& stem);

}  // namespace corvane
