#include "ui/WindowArrangement.h"

#include <algorithm>

namespace corvane {

std::vector<WindowRect> CascadeLayout(int count, WindowSize room, WindowSize least, int step) {
    std::vector<WindowRect> rects;
    if (count <= 0) return rects;
    step = std::max(1, step);
    const int shift = step * (count - 1);
    const int width = std::max(least.width, room.width - shift);
    const int height = std::max(least.height, room.height - shift);
    // A window never starts where it would leave the room: the cascade goes
    // back to the top left instead.
    const int freeX = std::max(0, room.width - width), freeY = std::max(0, room.height - height);
    const int slots = std::min(freeX, freeY) / step + 1;
    for (int i = 0; i < count; ++i) {
        const int offset = (i % slots) * step;
        rects.push_back({offset, offset, width, height});
    }
    return rects;
}

std::vector<WindowRect> TileLayout(int count, WindowSize room, TileDirection direction, WindowSize least) {
    std::vector<WindowRect> rects;
    if (count <= 0) return rects;
    const bool stacked = direction == TileDirection::Horizontal;
    // Along the direction of the tiles: how many fit at the readable size.
    const int along = stacked ? room.height : room.width;
    const int leastAlong = stacked ? least.height : least.width;
    int lines = count;  // tiles per column (stacked) or per row (side by side)
    if (count * leastAlong > along) lines = std::max(1, along / std::max(1, leastAlong));
    const int others = (count + lines - 1) / lines;  // columns (stacked) or rows
    const int rows = stacked ? lines : others;
    const int cols = stacked ? others : lines;
    const int width = std::max(least.width, room.width / cols);
    const int height = std::max(least.height, room.height / rows);
    for (int i = 0; i < count; ++i) {
        const int row = stacked ? i % lines : i / lines;
        const int col = stacked ? i / lines : i % lines;
        rects.push_back({col * width, row * height, width, height});
    }
    return rects;
}

}  // namespace corvane
