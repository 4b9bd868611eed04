// The state behind the window-manager services: window classes, windows and the per-thread
// message queues, all guarded by one lock. Window procedures are never called with it held.
#pragma once

#include "platform/win32.h"

#include "platform/linux/display/display.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace voxtrel::user {

using Clock = std::chrono::steady_clock;

struct WindowClass {
    std::string name;
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC procedure = nullptr;
    HICON icon = nullptr;
    display::IconPicture iconPicture; // the icon's pixels, as the display shows them
    HCURSOR cursor = nullptr;
};

struct Timer {
    HWND hwnd = nullptr; // null for a thread timer
    UINT_PTR id = 0;
    DWORD interval = 0;
    Clock::time_point due;
    TIMERPROC procedure = nullptr;
};

struct WindowObject {
    HWND hwnd = nullptr;
    DWORD threadId = 0;
    std::shared_ptr<const WindowClass> windowClass;
    WNDPROC procedure = nullptr;
    LONG_PTR userData = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{};
    std::string title;
    bool visible = false;
    bool minimized = false;
    bool needsPaint = false;
    bool obscured = false; // wholly covered, as the display says
    bool destroying = false;
    bool hearsDisplayState = false; // registered for GUID_CONSOLE_DISPLAY_STATE
    // The last layered frame handed to the backend: its buffers are used again for the next
    // one once nobody else holds it, instead of allocating megabytes every frame.
    std::shared_ptr<display::LayeredFrame> lastFrame;
};

struct MessageQueue {
    explicit MessageQueue(DWORD id) : threadId(id) {}

    DWORD threadId;
    std::deque<MSG> posted;
    std::deque<MSG> input;
    bool quitPosted = false;
    int quitCode = 0;
    std::vector<Timer> timers; // of this thread's windows and of the thread itself
    std::map<std::uint64_t, LRESULT> modalResults;
    HWND activeWindow = nullptr;
    std::condition_variable wake;

    // Double-click detection, per queue as on Windows.
    UINT lastDownMessage = 0;
    HWND lastDownWindow = nullptr;
    DWORD lastDownTime = 0;
    POINT lastDownPoint{};
};

std::mutex& stateLock();

// Everything below is called with stateLock() held.
WindowObject* findWindow(HWND hwnd);
std::vector<WindowObject*> windowsOfThread(DWORD threadId);
std::vector<WindowObject*> allWindows();
std::shared_ptr<MessageQueue> queueOf(DWORD threadId);
// The calling thread's queue, made on first use as Windows makes it on the first USER call.
std::shared_ptr<MessageQueue> currentQueue();
// A window's view for the display backends.
display::WindowSnapshot snapshotOf(const WindowObject& window);

// Adds a message to a queue and wakes its thread.
void post(MessageQueue& queue, const MSG& msg, bool isInput = false);

// Process-wide window state (guarded by stateLock()).
struct Globals {
    HWND capture = nullptr;
    HWND foreground = nullptr;
    DWORD buttons = 0; // MK_* of the buttons held down
    bool screenAsleep = false;
    POINT pointer{}; // where the pointer was last seen, by an event or a query
};
Globals& globals();

void insertWindow(std::unique_ptr<WindowObject> window);
// Forgets a window (no messages): used by DestroyWindow after its messages and at thread end.
void removeWindow(HWND hwnd);

// Calls a window's current procedure on this thread, without the lock.
LRESULT callWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the calling thread's messages until `token` is completed (or WM_QUIT arrives, which is
// put back for the outer loop). Returns the completion value, or nothing after a WM_QUIT.
bool runModalLoop(std::uint64_t token, LRESULT& result);
std::uint64_t newModalToken();

} // namespace voxtrel::user
