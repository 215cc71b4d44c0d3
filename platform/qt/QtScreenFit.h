#pragma once
// Keeps top-level windows (dialogues, plot windows, message boxes) inside the
// available area of their screen.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class QWidget;

namespace corvane {

// The available area of the screen the window is on (or its parent's).
QRect AvailableArea(const QWidget* window);

// Sizes and places a top-level window inside the available area: the size
// it has now (or `wanted`) when there is room, centred over its parent (or
// at `at`); less when not, its content scrolling when even its least size
// would not fit.  Call before showing it, or from its showEvent.
void FitOnScreen(QWidget* window, QSize wanted = {}, QPoint at = {-1, -1});

// FitOnScreen at the size and place the window was left (kept in the
// settings under "windows/<key>") when it has been open before.
void FitOnScreenAsLeft(QWidget* window, const QString& key);
// Keeps the window's size and place under "windows/<key>" for the next time.
void RememberPlace(const QWidget* window, const QString& key);

// What a frame adds to a window's client area, estimated before the window
// has a frame of its own: both borders, title bar and bottom border.
QSize FrameAllowance(const QWidget* window);

}  // namespace corvane
