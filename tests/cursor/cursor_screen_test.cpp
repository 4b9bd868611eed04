// Cursors the screen no longer shows: the rule that moves them back, and cursors on their
// threads at start and when the headless screen shrinks.
#include "cursor/cursor.h"
#include "cursor/screen_rules.h"

#include "platform/linux/display/headless/headless_control.h"
#include "tests/support/cursor_threads.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

namespace voxtrel {
namespace {

using namespace testing_support;

const std::vector<RECT> kScreen{{0, 0, 800, 600}};
constexpr SIZE kWindow{256, 256};

bool same(POINT a, POINT b) {
    return a.x == b.x && a.y == b.y;
}

TEST(CentreBackOnScreen, AWindowWhollyOutsideMovesTheLeastDistanceToLieWhollyInside) {
    struct Case {
        POINT centre;
        POINT expected;
    } cases[] = {
        {{2000, 300}, {800 - 128, 300}},   // past the right edge: the right edge inside
        {{-500, 300}, {128, 300}},         // past the left edge
        {{400, -129}, {400, 128}},         // one pixel above the top
        {{400, 1500}, {400, 600 - 128}},   // below
        {{3000, -3000}, {800 - 128, 128}}, // past a corner: both axes move
        {{928, 300}, {800 - 128, 300}},    // left edge exactly on the screen's right edge
    };
    for (const Case& c : cases) {
        const POINT moved = centreBackOnScreen(c.centre, kWindow, kScreen);
        EXPECT_TRUE(same(moved, c.expected))
            << "from (" << c.centre.x << "," << c.centre.y << ") to (" << moved.x << "," << moved.y
            << "), expected (" << c.expected.x << "," << c.expected.y << ")";
    }
}

TEST(CentreBackOnScreen, ACentreOnAMonitorStaysWhereTheUserPutItAndASliverIsNotEnough) {
    for (POINT centre : {POINT{400, 300}, POINT{799, 300}, POINT{0, 0}, POINT{400, 599}}) {
        EXPECT_TRUE(same(centreBackOnScreen(centre, kWindow, kScreen), centre))
            << centre.x << "," << centre.y;
    }
    // Past the edge by a pixel, most of the window still on screen: it comes wholly back.
    EXPECT_TRUE(same(centreBackOnScreen({800, 300}, kWindow, kScreen), POINT{800 - 128, 300}));
    EXPECT_TRUE(same(centreBackOnScreen({-1, -1}, kWindow, kScreen), POINT{128, 128}));
}

TEST(CentreBackOnScreen, MonitorsAreCountedOneByOneNotAsTheirBoundingBox) {
    // Two monitors of different heights: the corner below the smaller one shows nothing.
    const std::vector<RECT> two{{0, 0, 1920, 1080}, {1920, 0, 3200, 800}};
    EXPECT_TRUE(same(centreBackOnScreen({2900, 500}, kWindow, two), POINT{2900, 500}));
    EXPECT_TRUE(same(centreBackOnScreen({2900, 1000}, kWindow, two), POINT{2900, 800 - 128}));
    // Nearer the left monitor than the right one.
    EXPECT_TRUE(
        same(centreBackOnScreen({1900, 1200}, kWindow, two), POINT{1920 - 128, 1080 - 128}));
    // The right monitor removed: a cube at x = 2900 comes onto the remaining one.
    EXPECT_TRUE(same(centreBackOnScreen({2900, 500}, kWindow, {{0, 0, 1920, 1080}}),
                     POINT{1920 - 128, 500}));
    // A monitor left of the primary one, with a negative origin.
    const std::vector<RECT> left{{0, 0, 1280, 1024}, {-1920, 0, 0, 1080}};
    EXPECT_TRUE(same(centreBackOnScreen({-3000, 500}, kWindow, left), POINT{-1920 + 128, 500}));
    EXPECT_TRUE(same(centreBackOnScreen({-1000, 500}, kWindow, left), POINT{-1000, 500}));
    // Wider and taller than the monitor: its top-left corner on the monitor's.
    const SIZE huge{1024, 1024};
    EXPECT_TRUE(same(centreBackOnScreen({5000, 5000}, huge, kScreen), POINT{512, 512}));
    // Monitors of no size (no display yet) move nothing.
    EXPECT_TRUE(same(centreBackOnScreen({5000, 5000}, kWindow, {}), POINT{5000, 5000}));
    EXPECT_TRUE(same(centreBackOnScreen({5000, 5000}, kWindow, {{0, 0, 0, 0}}), POINT{5000, 5000}));
}

class CursorsOffScreen : public testing::Test {
protected:
    void SetUp() override { prepareCursorProcess(); }
    void TearDown() override { EXPECT_TRUE(stopAllCursors()); }

    static POINT centreOf(const CursorThread* entry) {
        std::lock_guard<std::mutex> guard(entry->cursor->savedFieldsLock);
        return {entry->cursor->centerX, entry->cursor->centerY};
    }
};

TEST_F(CursorsOffScreen, ACursorSavedOffTheScreenStartsOnIt) {
    // Saved on a 3840-wide screen; this one is 1280 x 1024.
    CursorThread* entry = startCursor([](Cursor& cursor) {
        cursor.centerX = 3500;
        cursor.centerY = 2000;
    });
    HWND hwnd = waitForWindow(entry);
    ASSERT_NE(hwnd, nullptr);
    const auto frame = headless::lastFrame(hwnd);
    EXPECT_EQ(frame->x, 1280 - 256);
    EXPECT_EQ(frame->y, 1024 - 256);
    EXPECT_TRUE(same(centreOf(entry), POINT{1280 - 128, 1024 - 128}));
}

TEST_F(CursorsOffScreen, WhenTheScreenShrinksOnlyTheCursorsItNoLongerShowsMove) {
    const auto entries = startCursors({
        [](Cursor& cursor) { cursor.centerX = 1100, cursor.centerY = 900; }, // gone at 800 x 600
        [](Cursor& cursor) { cursor.centerX = 790, cursor.centerY = 300; },  // centre still shown
        [](Cursor& cursor) { cursor.centerX = 200, cursor.centerY = 200; },  // inside
    });
    for (const CursorThread* entry : entries)
        ASSERT_NE(waitForWindow(entry), nullptr);

    headless::setScreenSize(800, 600);
    HWND gone = waitForWindow(entries[0]);
    EXPECT_TRUE(waitFor([&] {
        const auto frame = headless::lastFrame(gone);
        return frame->x == 800 - 256 && frame->y == 600 - 256;
    })) << "the window is at "
        << headless::lastFrame(gone)->x << "," << headless::lastFrame(gone)->y;
    EXPECT_TRUE(same(centreOf(entries[0]), POINT{800 - 128, 600 - 128}));
    EXPECT_TRUE(waitForMoreFrames(waitForWindow(entries[1])));
    EXPECT_TRUE(same(centreOf(entries[1]), POINT{790, 300}));
    EXPECT_TRUE(same(centreOf(entries[2]), POINT{200, 200}));
}

} // namespace
} // namespace voxtrel
