// Cursors the screen no longer shows: the rule that moves them back, and cursors on their
// threads at start and when the headless screen shrinks.
#include "cursor/cursor.h"
#include "cursor/screen_rules.h"

#include "platform/linux/display/headless/headless_control.h"
#include "tests/support/cursor_threads.h"

#include <gtest/gtest.h>

#include <mutex>

namespace voxtrel {
namespace {

using namespace testing_support;

constexpr RECT kScreen{0, 0, 800, 600};
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

TEST(CentreBackOnScreen, AWindowThatStillShowsAnywhereStaysWhereTheUserPutIt) {
    for (POINT centre : {POINT{400, 300}, POINT{927, 300}, POINT{-127, -127}, POINT{400, 727}}) {
        EXPECT_TRUE(same(centreBackOnScreen(centre, kWindow, kScreen), centre))
            << centre.x << "," << centre.y;
    }
}

TEST(CentreBackOnScreen, ScreensWithAnOriginOfTheirOwnAndWindowsLargerThanTheScreen) {
    // A monitor left of the primary one gives the virtual screen a negative origin.
    const RECT wide{-1920, 0, 1280, 1024};
    EXPECT_TRUE(same(centreBackOnScreen({-3000, 500}, kWindow, wide), POINT{-1920 + 128, 500}));
    EXPECT_TRUE(same(centreBackOnScreen({-1000, 500}, kWindow, wide), POINT{-1000, 500}));
    // Wider and taller than the screen: its top-left corner on the screen's.
    const SIZE huge{1024, 1024};
    EXPECT_TRUE(same(centreBackOnScreen({5000, 5000}, huge, kScreen), POINT{512, 512}));
    // A screen of no size (no display yet) moves nothing.
    EXPECT_TRUE(
        same(centreBackOnScreen({5000, 5000}, kWindow, RECT{0, 0, 0, 0}), POINT{5000, 5000}));
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
        [](Cursor& cursor) { cursor.centerX = 850, cursor.centerY = 300; },  // still partly shown
        [](Cursor& cursor) { cursor.centerX = 200, cursor.centerY = 200; },  // inside
    });
    for (const CursorThread* entry : entries)
        ASSERT_NE(waitForWindow(entry), nullptr);

    headless::setScreenSize(800, 600);
    HWND gone = waitForWindow(entries[0]);
    EXPECT_TRUE(waitUntil([&] {
        const auto frame = headless::lastFrame(gone);
        return frame->x == 800 - 256 && frame->y == 600 - 256;
    })) << "the window is at "
        << headless::lastFrame(gone)->x << "," << headless::lastFrame(gone)->y;
    EXPECT_TRUE(same(centreOf(entries[0]), POINT{800 - 128, 600 - 128}));
    EXPECT_TRUE(waitForMoreFrames(waitForWindow(entries[1])));
    EXPECT_TRUE(same(centreOf(entries[1]), POINT{850, 300}));
    EXPECT_TRUE(same(centreOf(entries[2]), POINT{200, 200}));
}

} // namespace
} // namespace voxtrel
