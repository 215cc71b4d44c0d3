#include <gtest/gtest.h>

#include "ui/WindowArrangement.h"

using namespace corvane;

namespace {

constexpr WindowSize kRoom{1180, 600};

bool Overlap(const WindowRect& a, const WindowRect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

// Readable, never left of or above the room, and tiles never on top of each other.
void ExpectReadable(const std::vector<WindowRect>& rects, bool tiles) {
    for (std::size_t i = 0; i < rects.size(); ++i) {
        EXPECT_GE(rects[i].width, kReadableWindow.width) << i;
        EXPECT_GE(rects[i].height, kReadableWindow.height) << i;
        EXPECT_GE(rects[i].x, 0) << i;
        EXPECT_GE(rects[i].y, 0) << i;
        if (tiles) {
            for (std::size_t j = i + 1; j < rects.size(); ++j) {
                EXPECT_FALSE(Overlap(rects[i], rects[j])) << i << "," << j;
            }
        }
    }
}

}  // namespace

TEST(WindowArrangement, TilesShareTheRoomWhileEachStaysReadable) {
    // Two windows: halves of the room.
    auto h = TileLayout(2, kRoom, TileDirection::Horizontal);
    ASSERT_EQ(h.size(), 2u);
    EXPECT_EQ(h[1].y, 300);
    EXPECT_EQ(h[1].width, 1180);
    EXPECT_EQ(h[1].height, 300);
    auto v = TileLayout(2, kRoom, TileDirection::Vertical);
    EXPECT_EQ(v[1].x, 590);
    EXPECT_EQ(v[1].height, 600);

    // Five one above the other would be 120 pixels each: two rows of three
    // columns instead, the last column reached by scrolling.
    h = TileLayout(5, kRoom, TileDirection::Horizontal);
    ExpectReadable(h, true);
    EXPECT_EQ(h[1].y, 300);
    EXPECT_EQ(h[2].x, 440);
    EXPECT_EQ(h[4].x, 880);

    // Four side by side would be 295 pixels wide: two by two.
    v = TileLayout(4, kRoom, TileDirection::Vertical);
    ExpectReadable(v, true);
    EXPECT_EQ(v[1].x, 590);
    EXPECT_EQ(v[2].y, 300);
    EXPECT_EQ(v[3].width, 590);

    // A room smaller than one readable window, and no windows at all.
    ExpectReadable(TileLayout(3, {300, 200}, TileDirection::Vertical), true);
    EXPECT_TRUE(TileLayout(0, kRoom, TileDirection::Horizontal).empty());
}

TEST(WindowArrangement, CascadesKeepEveryWindowReadableAndInTheRoom) {
    auto c = CascadeLayout(3, kRoom);
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[2].x, 56);
    EXPECT_EQ(c[2].y, 56);
    EXPECT_EQ(c[0].width, 1180 - 56);
    EXPECT_EQ(c[2].x + c[2].width, 1180);
    EXPECT_EQ(c[2].y + c[2].height, 600);

    // Thirty windows: readable size, and the cascade starts again at the
    // top left before a window would leave the room.
    c = CascadeLayout(30, kRoom);
    ExpectReadable(c, false);
    bool wrapped = false;
    for (std::size_t i = 1; i < c.size(); ++i) {
        EXPECT_LE(c[i].x + c[i].width, kRoom.width) << i;
        EXPECT_LE(c[i].y + c[i].height, kRoom.height) << i;
        wrapped = wrapped || c[i].x == 0;
    }
    EXPECT_TRUE(wrapped);

    // A room smaller than a readable window: all at the top left.
    c = CascadeLayout(4, {300, 200});
    ExpectReadable(c, false);
    for (const auto& r : c) EXPECT_EQ(r.x, 0);
}
