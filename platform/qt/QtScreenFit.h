#pragma once
// Keeps top-level windows (dialogues, plot windows, message boxes) inside the
// available area of their screen.
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace corvane {

// The available area of the screen the window is on (or its parent's).
QRect AvailableArea(const QWidget* window);

// Sizes and places a top-level window inside the available area: the size
// it has now (or `wanted`) when there is room, centred over its parent (or
// at `at`); less when not, its content scrolling when even its least size
// would not fit.  Call before showing it, or from its showEvent.
void FitOnScreen(QWidget* window, QSize wanted = {}, QPoint at = {-1, -1});

// What a frame adds to a window's client area, estimated before the window
// has a frame of its own: both borders, title bar and bottom border.
QSize FrameAllowance(const QWidget* window);

}  // namespace corvane
