// The message loop calls. A queue hands out, in this order: posted messages, WM_QUIT (only when
// nothing posted waits), input, WM_PAINT, then WM_TIMER. WM_PAINT and WM_TIMER are never stored:
// they are made when asked for and nothing else waits, so they cannot pile up; a timer that fell
// behind gives one WM_TIMER, not a burst.
#include "platform/linux/display/display_reports.h"
#include "platform/linux/user/user_power.h"
#include "platform/linux/user/user_state.h"

#include "platform/linux/kernel/kernel_objects.h"

#include <algorithm>
#include <atomic>

namespace voxtrel::user {

namespace {

// Whether a message number lies in the filter's range (0, 0 means every message).
bool inRange(UINT message, UINT low, UINT high) {
    return (low == 0 && high == 0) || (message >= low && message <= high);
}

bool matches(const MSG& msg, HWND filter, UINT low, UINT high) {
    return (filter == nullptr || msg.hwnd == filter) && inRange(msg.message, low, high);
}

bool takeFrom(std::deque<MSG>& messages, MSG* out, HWND filter, UINT low, UINT high, bool remove) {
    for (auto it = messages.begin(); it != messages.end(); ++it) {
        if (matches(*it, filter, low, high)) {
            *out = *it;
            if (remove)
                messages.erase(it);
            return true;
        }
    }
    return false;
}

// A generated message's time and pointer position. The position is the last one the layer
// saw, as Windows records it: asking the X server on every timer tick would cost a round trip
// each time, for a field nobody reads.
void stamp(MSG* msg) {
    msg->time = GetTickCount();
    std::lock_guard<std::mutex> guard(stateLock());
    msg->pt = globals().pointer;
}

// A mouse message's client coordinates are those of its screen point against where the window
// is when the message is taken, as Windows makes them: a window moved while a move waited in
// the queue (a drag) must not count that move twice.
void toClientOfNow(MSG* msg) {
    if (msg->message < WM_MOUSEMOVE || msg->message > WM_MBUTTONDBLCLK)
        return;
    if (const WindowObject* window = findWindow(msg->hwnd))
        msg->lParam = MAKELPARAM(msg->pt.x - window->rect.left, msg->pt.y - window->rect.top);
}

} // namespace

enum class Next { Message, Modal, Nothing };

// One look at the calling thread's queue, waiting when asked until something comes. Called
// without stateLock() held.
Next nextMessage(MSG* out, HWND filter, UINT low, UINT high, bool remove, bool wait,
                 std::uint64_t modalToken = 0) {
    std::unique_lock<std::mutex> guard(stateLock());
    std::shared_ptr<MessageQueue> queue = currentQueue();
    for (;;) {
        if (modalToken != 0 && queue->modalResults.count(modalToken) != 0)
            return Next::Modal;
        if (takeFrom(queue->posted, out, filter, low, high, remove))
            return Next::Message;
        if (queue->quitPosted && queue->posted.empty()) {
            *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(queue->quitCode), 0, 0, {}};
            if (remove)
                queue->quitPosted = false;
            return Next::Message;
        }
        if (takeFrom(queue->input, out, filter, low, high, remove)) {
            toClientOfNow(out);
            return Next::Message;
        }
        if (inRange(WM_PAINT, low, high)) {
            for (WindowObject* window : windowsOfThread(queue->threadId)) {
                if (window->needsPaint && !window->obscured && !globals().screenAsleep &&
                    (filter == nullptr || filter == window->hwnd)) {
                    *out = MSG{window->hwnd, WM_PAINT, 0, 0, 0, {}};
                    return Next::Message;
                }
            }
        }
        const auto now = Clock::now();
        Timer* dueTimer = nullptr;
        Clock::time_point nextDue = Clock::time_point::max();
        for (Timer& timer : queue->timers) {
            if (filter != nullptr && timer.hwnd != filter)
                continue;
            if (timer.due <= now && (dueTimer == nullptr || timer.due < dueTimer->due))
                dueTimer = &timer;
            nextDue = std::min(nextDue, timer.due);
        }
        const bool timersWanted = inRange(WM_TIMER, low, high);
        if (dueTimer != nullptr && timersWanted) {
            *out = MSG{dueTimer->hwnd,
                       WM_TIMER,
                       dueTimer->id,
                       reinterpret_cast<LPARAM>(dueTimer->procedure),
                       0,
                       {}};
            if (remove)
                dueTimer->due = now + std::chrono::milliseconds(dueTimer->interval);
            guard.unlock();
            stamp(out);
            return Next::Message;
        }
        if (!wait)
            return Next::Nothing;
        if (nextDue == Clock::time_point::max() || !timersWanted)
            queue->wake.wait(guard);
        else
            queue->wake.wait_until(guard, nextDue);
    }
}

bool runModalLoop(std::uint64_t token, LRESULT& result) {
    MSG msg;
    for (;;) {
        const Next next = nextMessage(&msg, nullptr, 0, 0, true, true, token);
        if (next == Next::Modal) {
            std::lock_guard<std::mutex> guard(stateLock());
            auto queue = currentQueue();
            result = queue->modalResults[token];
            queue->modalResults.erase(token);
            return true;
        }
        if (msg.message == WM_QUIT) {
            // The outer loop must still see it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

std::uint64_t newModalToken() {
    static std::atomic<std::uint64_t> next{1};
    return next.fetch_add(1);
}

} // namespace voxtrel::user

using namespace voxtrel::user;

void voxtrel::display::deliverDisplayChange(int width, int height) {
    constexpr WPARAM kBitsPerPixel = 32;
    std::lock_guard<std::mutex> guard(stateLock());
    for (WindowObject* window : allWindows()) {
        if (window->destroying)
            continue;
        if (auto queue = queueOf(window->threadId)) {
            MSG msg{};
            msg.hwnd = window->hwnd;
            msg.message = WM_DISPLAYCHANGE;
            msg.wParam = kBitsPerPixel;
            msg.lParam = MAKELPARAM(width, height);
            msg.time = GetTickCount();
            post(*queue, msg);
        }
    }
}

void voxtrel::display::deliverVanished(HWND hwnd) {
    std::lock_guard<std::mutex> guard(stateLock());
    WindowObject* window = findWindow(hwnd);
    if (window == nullptr || window->destroying)
        return;
    if (auto queue = queueOf(window->threadId))
        post(*queue, MSG{hwnd, WM_CLOSE, 0, 0, GetTickCount(), {}});
}

void voxtrel::display::deliverObscured(HWND hwnd, bool obscured) {
    std::lock_guard<std::mutex> guard(stateLock());
    WindowObject* window = findWindow(hwnd);
    if (window == nullptr || window->obscured == obscured)
        return;
    window->obscured = obscured;
    if (auto queue = queueOf(window->threadId))
        queue->wake.notify_all(); // a paint that waited is due now
}

void voxtrel::display::deliverScreenAsleep(bool asleep) {
    std::lock_guard<std::mutex> guard(stateLock());
    if (globals().screenAsleep == asleep)
        return;
    globals().screenAsleep = asleep;
    for (WindowObject* window : allWindows()) {
        if (window->hearsDisplayState && !window->destroying)
            postDisplayState(*window, asleep);
        if (auto queue = queueOf(window->threadId))
            queue->wake.notify_all();
    }
}

void voxtrel::display::completeModal(DWORD threadId, std::uint64_t token, LRESULT result) {
    std::lock_guard<std::mutex> guard(stateLock());
    if (auto queue = queueOf(threadId)) {
        queue->modalResults[token] = result;
        queue->wake.notify_all();
    }
}

BOOL WINAPI GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (msg == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    nextMessage(msg, hwnd, filterMin, filterMax, true, true);
    if (msg->time == 0)
        msg->time = GetTickCount();
    return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL WINAPI PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (msg == nullptr)
        return FALSE;
    return nextMessage(msg, hwnd, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0, false) ==
                   Next::Message
               ? TRUE
               : FALSE;
}

BOOL WINAPI TranslateMessage(const MSG* msg) {
    if (msg == nullptr || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN))
        return FALSE;
    // Keys that stand for a character give a WM_CHAR after them, as on Windows.
    const UINT key = static_cast<UINT>(msg->wParam);
    UINT character = 0;
    if (key == VK_ESCAPE || key == VK_RETURN || key == VK_BACK || key == VK_TAB ||
        key == VK_SPACE || (key >= '0' && key <= '9'))
        character = key;
    else if (key >= 'A' && key <= 'Z')
        character = key - 'A' + 'a';
    if (character == 0)
        return FALSE;
    std::lock_guard<std::mutex> guard(stateLock());
    MSG charMessage = *msg;
    charMessage.message = WM_CHAR;
    charMessage.wParam = character;
    // Posted, as on Windows: it comes before any input that is still waiting.
    post(*currentQueue(), charMessage);
    return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    if (msg == nullptr)
        return 0;
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        auto procedure = reinterpret_cast<TIMERPROC>(msg->lParam);
        procedure(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
        return 0;
    }
    if (msg->hwnd == nullptr)
        return 0;
    {
        std::lock_guard<std::mutex> guard(stateLock());
        WindowObject* window = findWindow(msg->hwnd);
        // A window's messages run on its own thread only.
        if (window == nullptr || window->threadId != voxtrel::kernel::currentThreadId())
            return 0;
    }
    return callWindow(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void WINAPI PostQuitMessage(int exitCode) {
    std::lock_guard<std::mutex> guard(stateLock());
    auto queue = currentQueue();
    queue->quitPosted = true;
    queue->quitCode = exitCode;
    queue->wake.notify_all();
}

BOOL WINAPI PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    std::lock_guard<std::mutex> guard(stateLock());
    std::shared_ptr<MessageQueue> queue;
    if (hwnd == nullptr) {
        queue = currentQueue();
    } else if (WindowObject* window = findWindow(hwnd)) {
        queue = queueOf(window->threadId);
    }
    if (!queue) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    post(*queue, MSG{hwnd, message, wParam, lParam, GetTickCount(), {}});
    return TRUE;
}

BOOL WINAPI PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    std::lock_guard<std::mutex> guard(stateLock());
    auto queue = queueOf(threadId);
    if (!queue) {
        // As on Windows: a thread that has not made its queue yet cannot be posted to.
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    // A posted WM_QUIT is an ordinary posted message, which ends GetMessageA when it is taken.
    post(*queue, MSG{nullptr, message, wParam, lParam, GetTickCount(), {}});
    return TRUE;
}
