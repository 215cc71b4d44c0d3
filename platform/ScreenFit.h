#pragma once
// Where a window goes so that the whole of it, frame and buttons included,
// is inside the screen's available area (the screen less its panels): the
// size it asks for when there is room, less when there is not, and a
// scrolled content when even its least size would not fit.  Lengths are in
// the toolkit's logical pixels, so scaled screens need nothing special.
#include <string>

namespace corvane {

struct ScreenRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct ScreenPlacement {
    int x = 0;       // the frame's top left
    int y = 0;
    int width = 0;   // the client area (inside the frame)
    int height = 0;
    bool scrollAcross = false;  // the content is wider than the room: it scrolls sideways
    bool scrollDown = false;    // ... taller: it scrolls up and down
};

struct WindowNeeds {
    int wantedWidth = 0;   // the size the window would like
    int wantedHeight = 0;
    int leastWidth = 0;    // the smallest size at which its content is whole
    int leastHeight = 0;
    int frameWidth = 0;    // what the frame adds: both borders, title bar and bottom
    int frameHeight = 0;
    // Where the frame's top left would go; centred on `over` when negative.
    int x = -1;
    int y = -1;
};

// Places a window of the given needs inside `room`, centred over `over`
// (the parent window, or the room itself) unless it names its position.
ScreenPlacement PlaceOnScreen(const WindowNeeds& needs, const ScreenRect& room, const ScreenRect& over);

// The width of a message box's text: its widest line when that fits, else
// the room less what the box puts around its text (then the text wraps).
int MessageTextWidth(int widestLine, int roomWidth, int aroundText);

}  // namespace corvane
