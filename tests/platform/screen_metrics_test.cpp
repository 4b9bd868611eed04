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

// The density the desktop asks for reaches a program every way Windows tells it: the system's
// through a device context, each monitor's through shcore, looked up at run time.
TEST(ScreenMetrics, TheHeadlessDensityIsEveryMonitorsAndTheSystems) {
    setenv("VOXTREL_DISPLAY", "headless", 1);
    voxtrel::headless::setMonitors(3840, 1080, {{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}});
    voxtrel::headless::setDotsPerInch(144);
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 144);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 144);
    DeleteDC(dc);

    const HMONITOR left = MonitorFromPoint({10, 10}, MONITOR_DEFAULTTONULL);
    const HMONITOR right = MonitorFromPoint({1920, 1079}, MONITOR_DEFAULTTONULL);
    ASSERT_NE(left, nullptr);
    ASSERT_NE(right, nullptr);
    EXPECT_NE(left, right);
    EXPECT_EQ(MonitorFromPoint({5000, -40}, MONITOR_DEFAULTTONEAREST), right);
    EXPECT_EQ(MonitorFromPoint({5000, -40}, MONITOR_DEFAULTTOPRIMARY), left);
    EXPECT_EQ(MonitorFromPoint({5000, -40}, MONITOR_DEFAULTTONULL), nullptr);

    const HMODULE shcore = LoadLibraryExA("shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    ASSERT_NE(shcore, nullptr);
    using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, MONITOR_DPI_TYPE, UINT*, UINT*);
    const auto getDpiForMonitor = reinterpret_cast<GetDpiForMonitorFunction>(
        reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")));
    ASSERT_NE(getDpiForMonitor, nullptr);
    UINT x = 0, y = 0;
    EXPECT_EQ(getDpiForMonitor(right, MDT_EFFECTIVE_DPI, &x, &y), S_OK);
    EXPECT_EQ(x, 144u);
    EXPECT_EQ(y, 144u);
    EXPECT_EQ(getDpiForMonitor(reinterpret_cast<HMONITOR>(3), MDT_EFFECTIVE_DPI, &x, &y),
              E_INVALIDARG)
        << "no third monitor";
    voxtrel::headless::setDotsPerInch(96);
    voxtrel::headless::setScreenSize(1280, 1024);
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
