// Window table, message queues and their life: a queue is made on a thread's first USER call,
// and a thread's windows and queue go when the thread ends.
#include "platform/linux/user/user_state.h"

#include "platform/linux/kernel/kernel_objects.h"

#include <algorithm>
#include <unordered_map>

namespace voxtrel::user {

namespace {

std::unordered_map<HWND, std::unique_ptr<WindowObject>>& windows() {
    // Never destroyed: threads may still use it while the process exits.
    static auto* table = new std::unordered_map<HWND, std::unique_ptr<WindowObject>>;
    return *table;
}

std::unordered_map<DWORD, std::shared_ptr<MessageQueue>>& queues() {
    // Never destroyed: threads may still use it while the process exits.
    static auto* table = new std::unordered_map<DWORD, std::shared_ptr<MessageQueue>>;
    return *table;
}

void dropThreadState();

// Threads not made by CreateThread (the main thread, test threads) clean up here instead.
struct ThreadCleanup {
    bool armed = false;
    ~ThreadCleanup() {
        if (armed)
            dropThreadState();
    }
};
thread_local ThreadCleanup threadCleanup;

void dropThreadState() {
    threadCleanup.armed = false;
    std::vector<HWND> gone;
    {
        std::lock_guard<std::mutex> guard(stateLock());
        const DWORD tid = kernel::currentThreadId();
        for (WindowObject* window : windowsOfThread(tid))
            gone.push_back(window->hwnd);
        for (HWND hwnd : gone)
            removeWindow(hwnd);
        queues().erase(tid);
    }
    for (HWND hwnd : gone)
        display::current().destroyWindow(hwnd);
}

struct RegisterExitHook {
    RegisterExitHook() { kernel::addThreadExitHook(&dropThreadState); }
} registerExitHook;

} // namespace

std::mutex& stateLock() {
    // Never destroyed: threads may still use it while the process exits.
    static auto* mutex = new std::mutex;
    return *mutex;
}

Globals& globals() {
    static Globals state;
    return state;
}

WindowObject* findWindow(HWND hwnd) {
    auto found = windows().find(hwnd);
    return found != windows().end() ? found->second.get() : nullptr;
}

std::vector<WindowObject*> windowsOfThread(DWORD threadId) {
    std::vector<WindowObject*> result;
    for (auto& [hwnd, window] : windows()) {
        if (window->threadId == threadId)
            result.push_back(window.get());
    }
    return result;
}

std::vector<WindowObject*> allWindows() {
    std::vector<WindowObject*> result;
    for (auto& [hwnd, window] : windows())
        result.push_back(window.get());
    return result;
}

void insertWindow(std::unique_ptr<WindowObject> window) {
    HWND hwnd = window->hwnd;
    windows().emplace(hwnd, std::move(window));
}

void removeWindow(HWND hwnd) {
    auto found = windows().find(hwnd);
    if (found == windows().end())
        return;
    if (auto queue = queueOf(found->second->threadId)) {
        auto& timers = queue->timers;
        timers.erase(std::remove_if(timers.begin(), timers.end(),
                                    [hwnd](const Timer& timer) { return timer.hwnd == hwnd; }),
                     timers.end());
        if (queue->activeWindow == hwnd)
            queue->activeWindow = nullptr;
    }
    Globals& state = globals();
    if (state.capture == hwnd)
        state.capture = nullptr;
    if (state.foreground == hwnd)
        state.foreground = nullptr;
    windows().erase(found);
}

std::shared_ptr<MessageQueue> queueOf(DWORD threadId) {
    auto found = queues().find(threadId);
    return found != queues().end() ? found->second : nullptr;
}

std::shared_ptr<MessageQueue> currentQueue() {
    const DWORD tid = kernel::currentThreadId();
    auto& queue = queues()[tid];
    if (!queue) {
        queue = std::make_shared<MessageQueue>(tid);
        threadCleanup.armed = true;
    }
    return queue;
}

void post(MessageQueue& queue, const MSG& msg, bool isInput) {
    (isInput ? queue.input : queue.posted).push_back(msg);
    queue.wake.notify_all();
}

display::WindowSnapshot snapshotOf(const WindowObject& window) {
    display::WindowSnapshot snapshot;
    snapshot.hwnd = window.hwnd;
    snapshot.title = window.title;
    snapshot.style = window.style;
    snapshot.exStyle = window.exStyle;
    snapshot.rect = window.rect;
    snapshot.visible = window.visible;
    snapshot.minimized = window.minimized;
    if (window.windowClass)
        snapshot.icon = window.windowClass->iconPicture;
    return snapshot;
}

LRESULT callWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC procedure = nullptr;
    {
        std::lock_guard<std::mutex> guard(stateLock());
        if (WindowObject* window = findWindow(hwnd))
            procedure = window->procedure;
    }
    return procedure != nullptr ? procedure(hwnd, message, wParam, lParam) : 0;
}

} // namespace voxtrel::user
