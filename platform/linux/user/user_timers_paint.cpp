// Timers and the paint flag. Both only mark state: the queue makes WM_TIMER and WM_PAINT from it
// when nothing else waits, so repeated invalidations merge into one WM_PAINT.
#include "platform/linux/user/user_state.h"

#include "platform/linux/kernel/kernel_objects.h"

#include <algorithm>

using namespace voxtrel::user;

namespace {

// The queue that owns `hwnd`'s timers, or the caller's for a thread timer.
std::shared_ptr<MessageQueue> timerQueue(HWND hwnd) {
    if (hwnd == nullptr)
        return currentQueue();
    WindowObject* window = findWindow(hwnd);
    return window != nullptr ? queueOf(window->threadId) : nullptr;
}

} // namespace

UINT_PTR WINAPI SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC procedure) {
    std::lock_guard<std::mutex> guard(stateLock());
    auto queue = timerQueue(hwnd);
    if (!queue) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    // A thread timer gets an id of its own; a window timer keeps the caller's.
    if (hwnd == nullptr) {
        static UINT_PTR nextThreadTimer = 0x7FFF;
        id = ++nextThreadTimer;
    }
    const DWORD interval = std::max<DWORD>(elapse, USER_TIMER_MINIMUM);
    auto& timers = queue->timers;
    auto existing = std::find_if(timers.begin(), timers.end(), [&](const Timer& timer) {
        return timer.hwnd == hwnd && timer.id == id;
    });
    Timer timer{hwnd, id, interval, Clock::now() + std::chrono::milliseconds(interval), procedure};
    if (existing != timers.end())
        *existing = timer; // setting an existing timer again restarts it
    else
        timers.push_back(timer);
    queue->wake.notify_all();
    return hwnd == nullptr ? id : (id != 0 ? id : 1);
}

BOOL WINAPI KillTimer(HWND hwnd, UINT_PTR id) {
    std::lock_guard<std::mutex> guard(stateLock());
    auto queue = timerQueue(hwnd);
    if (!queue)
        return FALSE;
    auto& timers = queue->timers;
    const auto before = timers.size();
    timers.erase(
        std::remove_if(timers.begin(), timers.end(),
                       [&](const Timer& timer) { return timer.hwnd == hwnd && timer.id == id; }),
        timers.end());
    return timers.size() != before ? TRUE : FALSE;
}

namespace {

BOOL markPaint(HWND hwnd, bool needsPaint) {
    std::lock_guard<std::mutex> guard(stateLock());
    WindowObject* window = findWindow(hwnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    window->needsPaint = needsPaint;
    if (needsPaint) {
        if (auto queue = queueOf(window->threadId))
            queue->wake.notify_all();
    }
    return TRUE;
}

} // namespace

// The whole window is always marked: the program only ever invalidates all of it.
BOOL WINAPI InvalidateRect(HWND hwnd, const RECT*, BOOL) {
    return markPaint(hwnd, true);
}

BOOL WINAPI ValidateRect(HWND hwnd, const RECT*) {
    return markPaint(hwnd, false);
}
