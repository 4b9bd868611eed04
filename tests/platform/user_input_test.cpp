// Input from the display backend: mouse messages in client coordinates, double-clicks for the
// classes that ask for them, capture, the wheel and keys.
#include "platform/win32.h"

#include "platform/linux/display/headless/headless_control.h"
#include "tests/support/recording_window.h"

#include <gtest/gtest.h>

namespace {

using namespace voxtrel::testing_support;
namespace headless = voxtrel::headless;
using headless::Button;

const std::vector<UINT> kNoise = {WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE,
                                  WM_PAINT};

HWND shownWindow(UINT classStyle) {
    HWND hwnd = createRecordingWindow(0, nullptr, classStyle);
    ShowWindow(hwnd, SW_SHOW);
    pumpMessages();
    clearRecorded();
    return hwnd;
}

TEST(MouseInput, ASecondQuickClickIsADoubleClickForClassesThatAskForIt) {
    shownWindow(CS_DBLCLKS);
    headless::setPointer(150, 160);
    headless::click(Button::Left);
    headless::click(Button::Left);
    headless::click(Button::Left); // a third press starts over
    pumpMessages();
    EXPECT_EQ(recordedMessages(kNoise),
              (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP,
                                 WM_LBUTTONDOWN, WM_LBUTTONUP}));
    const Recorded first = recorded().front();
    EXPECT_EQ(GET_X_LPARAM(first.lParam), 50);
    EXPECT_EQ(GET_Y_LPARAM(first.lParam), 60);
    EXPECT_EQ(first.wParam & MK_LBUTTON, static_cast<WPARAM>(MK_LBUTTON));
}

TEST(MouseInput, WithoutDoubleClicksInTheClassEveryPressIsAPress) {
    shownWindow(0);
    headless::setPointer(150, 150);
    headless::click(Button::Left);
    headless::click(Button::Left);
    pumpMessages();
    EXPECT_EQ(recordedMessages(kNoise),
              (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}));
}

TEST(MouseInput, CaptureKeepsMovesComingFromOutsideTheWindow) {
    HWND hwnd = shownWindow(0);
    headless::movePointer(20, 30); // outside, no capture: nobody hears it
    pumpMessages();
    EXPECT_TRUE(recordedMessages(kNoise).empty());

    EXPECT_EQ(SetCapture(hwnd), nullptr);
    EXPECT_EQ(GetCapture(), hwnd);
    headless::movePointer(20, 30);
    // The window moves before the move is taken, as a dragged window does: the message is
    // measured from where the window is now.
    SetWindowPos(hwnd, nullptr, 110, 105, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    clearRecorded();
    pumpMessages();
    ASSERT_EQ(recordedMessages(kNoise), (std::vector<UINT>{WM_MOUSEMOVE}));
    EXPECT_EQ(GET_X_LPARAM(recorded().front().lParam), -90) << "negative client coordinates";
    EXPECT_EQ(GET_Y_LPARAM(recorded().front().lParam), -75);
    ReleaseCapture();
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST(MouseInput, WheelCarriesTheSignedDeltaAndTheScreenPosition) {
    shownWindow(0);
    headless::setPointer(120, 180);
    headless::wheel(-120);
    pumpMessages();
    ASSERT_EQ(recordedMessages(kNoise), (std::vector<UINT>{WM_MOUSEWHEEL}));
    const Recorded wheel = recorded().front();
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheel.wParam), -120);
    EXPECT_EQ(GET_X_LPARAM(wheel.lParam), 120);
    EXPECT_EQ(GET_Y_LPARAM(wheel.lParam), 180);
}

TEST(MouseInput, ARightClickEndsInAContextMenuRequest) {
    shownWindow(0);
    headless::setPointer(130, 140);
    headless::click(Button::Right);
    pumpMessages();
    EXPECT_EQ(recordedMessages(kNoise),
              (std::vector<UINT>{WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU}));
    EXPECT_EQ(GET_X_LPARAM(recorded().back().lParam), 130);
}

TEST(KeyInput, KeysGoToTheActiveWindowAndTranslateToCharacters) {
    HWND hwnd = shownWindow(0);
    headless::key(VK_ESCAPE);
    pumpMessages();
    EXPECT_TRUE(recordedMessages(kNoise).empty()) << "no window is in the foreground yet";

    SetForegroundWindow(hwnd);
    EXPECT_EQ(GetForegroundWindow(), hwnd);
    EXPECT_EQ(GetActiveWindow(), hwnd);
    headless::key(VK_ESCAPE);
    pumpMessages();
    EXPECT_EQ(recordedMessages(kNoise), (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
    EXPECT_EQ(recorded().front().wParam, static_cast<WPARAM>(VK_ESCAPE));
    EXPECT_TRUE(headless::window(hwnd)->active);
}

} // namespace
