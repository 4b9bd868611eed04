// A cursor on the tests' X server: the spinning solid shows where it stands, the screen shows
// through around it, a drag moves it and Escape closes it, all through the pointer and keys.
#include "registry/desktop.h"

#include "common/process_handles.h"
#include "render/image_library.h"
#include "resources/menu_ids.h"
#include "tests/support/cursor_threads.h"
#include "tests/support/x_server.h"

#include <gtest/gtest.h>

namespace voxtrel {
namespace {

using namespace testing_support;

bool differs(const Screenshot::Pixel& a, const Screenshot::Pixel& b) {
    return !(a == b);
}

// Waits until `condition` holds for a fresh screenshot.
bool screenShows(const std::function<bool(const Screenshot&)>& condition) {
    return waitUntil([&] {
        const auto shot = takeScreenshot();
        return shot && condition(*shot);
    });
}

TEST(X11Cursor, ASpinningCursorShowsWhereItStandsAndFollowsADrag) {
    if (useTestXServer().empty())
        GTEST_SKIP() << "no test X server (scripts/test starts one)";
    initImageLibrary();
    menuResource = LoadMenuA(nullptr, MAKEINTRESOURCEA(IDR_MENU));
    xdotool("mousemove 5 5");
    const auto before = takeScreenshot();
    ASSERT_TRUE(before.has_value());
    const int cx = before->width / 2, cy = before->height / 2;

    desktop.newCursor();
    EXPECT_TRUE(screenShows([&](const Screenshot& shot) {
        return differs(shot.at(cx, cy), before->at(cx, cy));
    })) << "the solid at the screen's centre";
    auto shot = takeScreenshot();
    EXPECT_FALSE(differs(shot->at(cx - 126, cy - 126), before->at(cx - 126, cy - 126)))
        << "the screen shows through the window's corner";

    xdotool("mousemove " + std::to_string(cx) + " " + std::to_string(cy) + " mousedown 1");
    for (int step = 1; step <= 5; ++step) {
        Sleep(50);
        xdotool("mousemove " + std::to_string(cx - step * 40) + " " +
                std::to_string(cy - step * 30));
    }
    xdotool("mouseup 1");
    EXPECT_TRUE(screenShows([&](const Screenshot& s) {
        return differs(s.at(cx - 200, cy - 150), before->at(cx - 200, cy - 150)) &&
               !differs(s.at(cx + 100, cy + 100), before->at(cx + 100, cy + 100));
    })) << "the solid moved with the pointer";

    // The press activated it: Escape closes it.
    xdotool("key Escape");
    EXPECT_TRUE(waitForAllThreads());
    EXPECT_TRUE(registered().empty());
    EXPECT_TRUE(screenShows([&](const Screenshot& s) {
        return !differs(s.at(cx - 200, cy - 150), before->at(cx - 200, cy - 150));
    })) << "gone from the screen";
}

} // namespace
} // namespace voxtrel
