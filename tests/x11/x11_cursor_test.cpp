// A cursor on the tests' X server: the spinning solid shows where it stands, the screen shows
// through around it, a drag moves it and Escape closes it, all through the pointer and keys.
#include "registry/desktop.h"

#include "common/process_handles.h"
#include "render/image_library.h"
#include "resources/menu_ids.h"
#include "tests/support/cursor_threads.h"
#include "tests/support/x_server.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace voxtrel {
namespace {

using namespace testing_support;

bool differs(const Screenshot::Pixel& a, const Screenshot::Pixel& b) {
    return !(a == b);
}

// Waits until `condition` holds for a fresh screenshot.
bool screenShows(const std::function<bool(const Screenshot&)>& condition) {
    return waitFor([&] {
        const auto shot = takeScreenshot();
        return shot && condition(*shot);
    });
}

// The root window's background for the life of the object, black again afterwards.
struct RootColour {
    explicit RootColour(const std::string& colour) {
        runCommand("xsetroot -solid '" + colour + "'");
    }
    ~RootColour() { runCommand("xsetroot -solid black"); }
};

// The program's start-up as the cursors need it, the pointer in a corner, and a desktop that is
// not black, so that a window showing black where it should show the desktop is seen.
class X11Cursor : public testing::Test {
protected:
    void SetUp() override {
        if (useTestXServer().empty())
            GTEST_SKIP() << "no test X server (scripts/test starts one)";
        initImageLibrary();
        menuResource = LoadMenuA(nullptr, MAKEINTRESOURCEA(IDR_MENU));
        xdotool("mousemove 5 5");
        colour = std::make_unique<RootColour>("#c08040");
    }
    std::unique_ptr<RootColour> colour;
};

TEST_F(X11Cursor, ASpinningCursorShowsWhereItStandsAndFollowsADrag) {
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

    dragBetween(cx, cy, cx - 200, cy - 150);
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

// The cursor's X window, found by its size among this process's windows.
std::string cursorXWindow() {
    for (const std::string& window : outputLines(runCommand(
             "xdotool search --onlyvisible --pid " + std::to_string(getpid()) + " 2>/dev/null"))) {
        const auto geometry = geometryOf(window);
        if (geometry && geometry->width == 256 && geometry->height == 256)
            return window;
    }
    return {};
}

bool boundingShaped(const std::string& window) {
    const auto info = runCommand("xwininfo -shape -id " + window + " 2>/dev/null");
    return info && info->find("Window shape extents") != std::string::npos;
}

TEST_F(X11Cursor, ACompositorComingAndGoingLeavesNeitherABlackSquareNorAShadow) {
    const auto first = takeScreenshot();
    ASSERT_TRUE(first.has_value());
    const int cx = first->width / 2, cy = first->height / 2;
    desktop.newCursor();
    std::string window;
    ASSERT_TRUE(waitFor([&] { return !(window = cursorXWindow()).empty(); }));

    // Inside the window's corners, and where a shadow would fall just outside it (picom's
    // default: 15 pixels up and left, 12 of blur), only the desktop shows; the solid does.
    auto onlyTheSolidShows = [&](const Screenshot& shot) {
        const auto desktopColour = shot.at(10, 10);
        for (const auto& [x, y] : std::vector<std::pair<int, int>>{{cx - 126, cy - 126},
                                                                   {cx + 125, cy + 125},
                                                                   {cx - 140, cy},
                                                                   {cx, cy - 138},
                                                                   {cx + 131, cy + 131}}) {
            if (differs(shot.at(x, y), desktopColour))
                return false;
        }
        return differs(shot.at(cx, cy), desktopColour);
    };
    const auto compositor = [] {
        return std::make_unique<Helper>(
            "picom --backend xrender --config /dev/null --shadow --no-fading-openclose");
    };
    EXPECT_TRUE(screenShows(onlyTheSolidShows)) << "without a compositor";
    EXPECT_TRUE(boundingShaped(window));

    auto picom = compositor();
    Sleep(1500);
    EXPECT_TRUE(screenShows(onlyTheSolidShows)) << "a compositor started later casts no shadow";
    EXPECT_TRUE(waitFor([&] { return !boundingShaped(window); }))
        << "and shows the window through its alpha, not a shape";

    picom.reset();
    EXPECT_TRUE(screenShows(onlyTheSolidShows)) << "the compositor gone: no black square";
    EXPECT_TRUE(waitFor([&] { return boundingShaped(window); }));

    picom = compositor();
    Sleep(1500);
    EXPECT_TRUE(screenShows(onlyTheSolidShows)) << "a compositor back again";
    EXPECT_TRUE(waitFor([&] { return !boundingShaped(window); }));
    picom.reset();
    EXPECT_TRUE(stopAllCursors());
}

} // namespace
} // namespace voxtrel
