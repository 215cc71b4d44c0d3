#pragma once
// Where Cascade, Tile Horizontal and Tile Vertical put the child windows of
// the main window.  Every window keeps at least a readable size: when the
// room is too small for that, tiles go into a grid and cascades wrap back to
// the top, and what does not fit is reached by scrolling the frame.
#include <vector>

namespace corvane {

struct WindowSize {
    int width = 0;
    int height = 0;
};

struct WindowRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Smallest useful child window: a dozen lines of a report, half a line of
// a progress text.
inline constexpr WindowSize kReadableWindow{440, 260};

// Offset of each window from the one before in a cascade: a title bar.
inline constexpr int kCascadeStep = 28;

// count windows in a cascade over the room, back to front, each at least
// `least` in size.
std::vector<WindowRect> CascadeLayout(int count, WindowSize room, WindowSize least = kReadableWindow,
                                      int step = kCascadeStep);

// count windows tiled over the room: one above the other (Tile Horizontal,
// each the full width) or side by side (Tile Vertical, each the full height),
// in a grid once a single row or column would make them smaller than `least`.
enum class TileDirection { Horizontal, Vertical };
std::vector<WindowRect> TileLayout(int count, WindowSize room, TileDirection direction,
                                   WindowSize least = kReadableWindow);

}  // namespace corvane
