// Driving the tests' own X server (VOXTREL_TEST_X_DISPLAY, started by scripts/test) as a user
// would: xdotool for the pointer and keys, screenshots of the root window, and helper programs
// (a window manager, a notification area, a compositor) started and stopped around a test.
#pragma once

#include "tests/support/polling.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace voxtrel::testing_support {

// The test X server's display name, and DISPLAY pointed at it; empty when there is none.
std::string useTestXServer();

// Runs a shell command, returns its standard output (null when it failed).
std::optional<std::string> runCommand(const std::string& command);

// xdotool with these arguments; false when it failed.
bool xdotool(const std::string& arguments);

// How a hand works the mouse, for every test that clicks: a click holds the button
// kClickHoldMs, a double-click is two such clicks kDoubleClickGapMs apart, a drag moves in
// kDragSteps steps. xdotool's own click lasts microseconds, which hid a menu that closed on the
// release of every real click.
constexpr int kClickHoldMs = 100;
constexpr int kDoubleClickGapMs = 150;
constexpr int kDragSteps = 8;
constexpr int kDragStepMs = 40;

// xdotool words for a hand's click and double-click of `button` where the pointer is.
std::string handClick(int button = 1);
std::string handDoubleClick(int button = 1);
// Moves the pointer to (x, y), lets it rest a moment there and clicks as a hand does.
bool clickAt(int x, int y, int button = 1);
bool doubleClickAt(int x, int y, int button = 1);
// Presses `button` at (fromX, fromY), moves to (toX, toY) in steps and lets go there.
bool dragBetween(int fromX, int fromY, int toX, int toY, int button = 1);

// The non-empty lines of a command's output (none when it failed).
std::vector<std::string> outputLines(const std::optional<std::string>& output);

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
    int centerX() const { return x + width / 2; }
    int centerY() const { return y + height / 2; }
};
// Where a window stands on the screen, by xdotool.
std::optional<Geometry> geometryOf(const std::string& window);

// Whether an X window is mapped and all its ancestors too, by xwininfo.
bool isViewable(const std::string& window);

struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb; // top-down rows

    struct Pixel {
        int red, green, blue;
        bool operator==(const Pixel& other) const {
            return red == other.red && green == other.green && blue == other.blue;
        }
    };
    Pixel at(int x, int y) const {
        const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
        return {p[0], p[1], p[2]};
    }
};
// The whole screen as it is now.
std::optional<Screenshot> takeScreenshot();

// A program started in the background with the test X server as its display; stopped (and
// waited for) when the object goes.
class Helper {
public:
    explicit Helper(const std::string& command);
    ~Helper();
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;
    bool running() const;
    int pid() const { return pid_; }

private:
    int pid_ = -1;
};

// openbox as the window manager, once it manages the screen: a window mapped before that may be
// left unmapped by its start.
std::unique_ptr<Helper> startWindowManager();
// Mutter, GNOME's window manager and compositor, as an X11 manager on a session bus of its own;
// null when it is not installed.
std::unique_ptr<Helper> startMutter();
// trayer as the notification area along the screen's top edge, once it shows.
std::unique_ptr<Helper> startNotificationArea();
// tint2 as a desktop's panel, with its system tray, along the screen's bottom edge, once it
// shows; null when tint2 is not installed.
std::unique_ptr<Helper> startPanel();

// Waits until `command` succeeds (exit status 0); false after `limitMs`.
bool waitForCommand(const std::string& command, int limitMs = 10000);

} // namespace voxtrel::testing_support
