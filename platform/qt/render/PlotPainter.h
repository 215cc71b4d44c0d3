#pragma once
// Paints a plot scene with QPainter into a rectangle of any size: title,
// axes with round-valued ticks, the data in the logical frame mapped onto
// the plot area, and a column beside it with the legend, the information
// panel and the notes.  Texts are laid out so that none overlaps another;
// a column too tall for the rectangle is set in a smaller font.
#include <QRectF>
#include <QSize>
#include <QString>
#include <vector>

#include "plots/PlotScene.h"

class QPainter;

namespace corvane {

// Where the painter put things (tests and the windows read it).
struct PlotLayout {
    QRectF plot;    // the plot area (the logical frame's 720..7200 x 480..6720)
    QRectF column;  // legend, panel and notes
    double fontPixels = 0.0;
    std::vector<QRectF> texts;  // where each text went
    std::vector<QString> columnLines;  // the column's lines as painted (a long text wraps over several)
};

PlotLayout PaintPlot(QPainter& painter, const QRectF& area, const PlotScene& scene);

enum class PictureFormat { Png, Svg };

// By the file's extension: ".svg" (any case) is SVG, everything else PNG.
PictureFormat PictureFormatOf(const QString& path);

// Writes the picture safely (a temporary file replaces the old one only
// when complete).  PNG at the size in pixels, SVG with that view box.
// False with a reason when the file could not be written.
bool WritePicture(const PlotScene& scene, const QString& path, PictureFormat format, QSize size,
                  QString* error = nullptr);

// The size of picture files: at least 1200 x 900 pixels.
inline constexpr int kPictureWidth = 1600;
inline constexpr int kPictureHeight = 1200;

}  // namespace corvane
