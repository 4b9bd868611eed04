// Screen metrics from each display backend.
#include "platform/win32.h"

#include "platform/linux/display/headless/headless_control.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(ScreenMetrics, HeadlessScreenStartsAt1280x1024AndFollowsTheTest) {
    setenv("VOXTREL_DISPLAY", "headless", 1);
    EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 1280);
    EXPECT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), 1024);
    voxtrel::headless::setScreenSize(3200, 1080);
    EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 3200);
    EXPECT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), 1080);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 3200);
    EXPECT_EQ(GetSystemMetrics(12345), 0);
}

TEST(ScreenMetrics, X11ReportsTheWholeScreenOfTheServer) {
    // scripts/test starts an Xvfb with a screen of 1600 x 900 and names it here.
    const char* display = std::getenv("VOXTREL_TEST_X_DISPLAY");
    if (display == nullptr)
        GTEST_SKIP() << "no test X server (VOXTREL_TEST_X_DISPLAY unset)";
    setenv("DISPLAY", display, 1);
    setenv("VOXTREL_DISPLAY", "x11", 1);
    EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 1600);
    EXPECT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), 900);
}

TEST(ScreenMetrics, X11WithoutAServerFallsBackTo1280x1024) {
    unsetenv("DISPLAY");
    setenv("VOXTREL_DISPLAY", "x11", 1);
    EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 1280);
    EXPECT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), 1024);
}

} // namespace
