#include "platform/ScreenFit.h"

#include <algorithm>

namespace corvane {

namespace {

// Places one axis: the client length, whether it scrolls, and the frame's start.
struct Axis {
    int start = 0;
    int length = 0;
    bool scrolls = false;
};

Axis PlaceAxis(int wanted, int least, int frame, int roomStart, int roomLength, int overStart, int overLength,
               int given) {
    Axis a;
    const int space = std::max(1, roomLength - frame);
    a.length = std::max(wanted, least);
    if (a.length > space) a.length = space;
    // Shrinking below the least size would cut controls off; they scroll instead.
    a.scrolls = least > space;
    const int outer = a.length + frame;
    int start = given >= 0 ? given : overStart + (overLength - outer) / 2;
    start = std::min(start, roomStart + roomLength - outer);
    a.start = std::max(start, roomStart);
    return a;
}

}  // namespace

ScreenPlacement PlaceOnScreen(const WindowNeeds& needs, const ScreenRect& room, const ScreenRect& over) {
    const ScreenRect& centre = over.width > 0 && over.height > 0 ? over : room;
    const Axis across = PlaceAxis(needs.wantedWidth, needs.leastWidth, needs.frameWidth, room.x, room.width,
                                  centre.x, centre.width, needs.x);
    const Axis down = PlaceAxis(needs.wantedHeight, needs.leastHeight, needs.frameHeight, room.y, room.height,
                                centre.y, centre.height, needs.y);
    ScreenPlacement p;
    p.x = across.start;
    p.y = down.start;
    p.width = across.length;
    p.height = down.length;
    p.scrollAcross = across.scrolls;
    p.scrollDown = down.scrolls;
    return p;
}

int MessageTextWidth(int widestLine, int roomWidth, int aroundText) {
    const int most = std::max(200, roomWidth - aroundText);
    return std::min(widestLine, most);
}

}  // namespace corvane
