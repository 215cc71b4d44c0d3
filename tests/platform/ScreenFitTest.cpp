#include "platform/ScreenFit.h"

#include <gtest/gtest.h>

using namespace corvane;

namespace {

// A 1366 x 768 screen with a 32-pixel panel at the bottom, and the same
// screen at 125% (1093 x 614 logical pixels, 26-pixel panel).
constexpr ScreenRect kLaptop{0, 0, 1366, 736};
constexpr ScreenRect kScaled{0, 0, 1093, 588};

}  // namespace

TEST(ScreenFit, PlacesWindowsInsideTheRoom) {
    struct Case {
        const char* what;
        WindowNeeds needs;
        ScreenRect room;
        ScreenRect over;
        ScreenPlacement expected;
    };
    const Case cases[] = {
        // Fits: wanted size, centred over the room: (1366-1016)/2, (736-640)/2.
        {"fits, centred", {1000, 600, 400, 300, 16, 40}, kLaptop, {}, {175, 48, 1000, 600, false, false}},
        // Centred over a parent at the right (1195, 85): pushed back to end at the room's edge.
        {"parent at the edge", {400, 300, 100, 100, 10, 30}, kLaptop, {1200, 100, 400, 300}, {956, 85, 400, 300}},
        // The plot window: 1180 x 760 wanted, shrinks to 736 - 40 high, starts at the top.
        {"too tall, shrinks", {1180, 760, 600, 500, 16, 40}, kLaptop, {}, {85, 0, 1180, 696, false, false}},
        // Least size wider than the scaled screen: as wide as the room, scrolling sideways.
        {"least too wide", {1575, 500, 1500, 400, 16, 40}, kScaled, {}, {0, 24, 1077, 500, true, false}},
        // Least taller: scrolls down, full height.
        {"least too tall", {600, 700, 500, 650, 16, 40}, kScaled, {}, {238, 0, 600, 548, false, true}},
        // A named position is kept when the window fits there ...
        {"named position", {300, 200, 100, 100, 0, 0, 100, 133}, kLaptop, {}, {100, 133, 300, 200}},
        // ... and moved back inside when it would not.
        {"named position moved", {300, 200, 100, 100, 0, 0, 1200, 600}, kLaptop, {}, {1066, 536, 300, 200}},
        // A room not at the origin (a second screen, a panel on the left).
        {"offset room", {200, 100, 50, 50, 0, 0, 0, 0}, {1366, 40, 800, 600}, {}, {1366, 40, 200, 100}},
    };
    for (const Case& c : cases) {
        const ScreenPlacement p = PlaceOnScreen(c.needs, c.room, c.over);
        EXPECT_EQ(p.x, c.expected.x) << c.what;
        EXPECT_EQ(p.y, c.expected.y) << c.what;
        EXPECT_EQ(p.width, c.expected.width) << c.what;
        EXPECT_EQ(p.height, c.expected.height) << c.what;
        EXPECT_EQ(p.scrollAcross, c.expected.scrollAcross) << c.what;
        EXPECT_EQ(p.scrollDown, c.expected.scrollDown) << c.what;
        // Whatever the case, the whole frame is inside the room.
        EXPECT_GE(p.x, c.room.x) << c.what;
        EXPECT_GE(p.y, c.room.y) << c.what;
        EXPECT_LE(p.x + p.width + c.needs.frameWidth, c.room.x + c.room.width) << c.what;
        EXPECT_LE(p.y + p.height + c.needs.frameHeight, c.room.y + c.room.height) << c.what;
    }
}

TEST(ScreenFit, MessageTextWrapsOnlyWhenWiderThanTheRoom) {
    // Qt's box limit at 1366 wide is 886; 110 around the text leaves 776.
    EXPECT_EQ(MessageTextWidth(500, 886, 110), 500);
    EXPECT_EQ(MessageTextWidth(1200, 886, 110), 776);
    EXPECT_EQ(MessageTextWidth(776, 886, 110), 776);
    // A tiny room still leaves a readable column.
    EXPECT_EQ(MessageTextWidth(900, 250, 110), 200);
}
