// What tests use to drive and inspect the headless display: the screen and pointer, injected
// mouse, keys, drops and tray clicks, answers to menus and boxes, and each window's state and
// last layered frame. Everything here is safe to call from any thread.
#pragma once

#include "platform/linux/display/display.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace voxtrel::headless {

constexpr int kDefaultScreenWidth = 1280;
constexpr int kDefaultScreenHeight = 1024;

using Milliseconds = std::chrono::milliseconds;
constexpr Milliseconds kDefaultWait{10000};

// Screen and pointer
void setScreenSize(int width, int height); // one monitor
// A screen of several monitors (none: one covering the screen), told to every window.
void setMonitors(int width, int height, const std::vector<RECT>& monitors);
// The desktop's density in dots per inch (96 until set).
void setDotsPerInch(UINT dotsPerInch);
// Places the pointer without telling any window (as if it had been there all along).
void setPointer(int x, int y);
// Moves the pointer and sends the move to the window under it (or the capturing window).
void movePointer(int x, int y);

// Mouse buttons, the wheel and keys, at the pointer
enum class Button { Left, Right, Middle };
void press(Button button);
void release(Button button);
void click(Button button);
void wheel(int delta);
void key(unsigned virtualKey); // down, then up
// Drops files on the window under the pointer; false when no window there takes files.
bool dropFiles(const std::vector<std::string>& paths);
// A mouse message (WM_LBUTTONUP, WM_RBUTTONDOWN, ...) over the first tray icon.
bool trayEvent(unsigned mouseMessage);

// Windows
struct WindowView {
    display::WindowSnapshot state;
    bool active = false;      // the last window activated
    std::uint64_t frames = 0; // layered updates presented so far
};
std::optional<WindowView> window(HWND hwnd);
std::vector<HWND> windows();
// The window that a click at (x, y) reaches: the top one whose shape covers the point.
HWND windowAt(int x, int y);
std::shared_ptr<const display::LayeredFrame> lastFrame(HWND hwnd);
// Waits until `hwnd` has presented at least `count` frames.
bool waitForFrames(HWND hwnd, std::uint64_t count, Milliseconds limit = kDefaultWait);
// Writes the last frame as a PNG picture (key pixels transparent); false when there is none.
bool dumpFrame(HWND hwnd, const std::string& path);

// Menus and message boxes: the oldest one still open, waited for up to `limit`.
std::optional<display::MenuRequest> waitForMenu(Milliseconds limit = kDefaultWait);
// Answers the oldest open menu with a command (0 dismisses it).
bool answerMenu(unsigned command);
std::optional<display::BoxRequest> waitForMessageBox(Milliseconds limit = kDefaultWait);
bool answerMessageBox(int answer);

// The tray
std::vector<display::TrayIcon> trayIcons();

} // namespace voxtrel::headless
