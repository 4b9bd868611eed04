// Visibility, placement, title, z-order and activation of windows. Any thread may change them
// (the main thread shows and hides every cursor); the backend is told after each change.
#include "platform/linux/user/user_state.h"

#include "platform/linux/kernel/kernel_objects.h"

#include <cstring>
#include <functional>

using namespace voxtrel::user;
namespace display = voxtrel::display;

namespace {

// Applies `change` to a window under the lock and hands the result to the backend. Returns
// false when there is no such window.
bool changeWindow(HWND hwnd, const std::function<unsigned(WindowObject&)>& change) {
    display::WindowSnapshot snapshot;
    unsigned changes;
    {
        std::lock_guard<std::mutex> guard(stateLock());
        WindowObject* window = findWindow(hwnd);
        if (window == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return false;
        }
        changes = change(*window);
        snapshot = snapshotOf(*window);
    }
    if (changes != 0)
        display::current().updateWindow(snapshot, changes);
    return true;
}

} // namespace

BOOL WINAPI ShowWindow(HWND hwnd, int command) {
    bool wasVisible = false;
    const bool found = changeWindow(hwnd, [&](WindowObject& window) {
        wasVisible = window.visible;
        unsigned changes = display::kVisibility;
        switch (command) {
        case SW_HIDE:
            window.visible = false;
            break;
        case SW_MINIMIZE:
        case SW_SHOWMINIMIZED:
        case SW_SHOWMINNOACTIVE:
            window.visible = true;
            window.minimized = true;
            break;
        // As on Windows, every command but the NA and NOACTIVATE ones activates the window,
        // whatever its style: WS_EX_NOACTIVATE only keeps clicks from activating it.
        case SW_SHOWNORMAL:
        case SW_RESTORE:
        case SW_SHOWDEFAULT:
        case SW_SHOWMAXIMIZED:
            window.visible = true;
            window.minimized = false;
            changes |= display::kActivated;
            break;
        case SW_SHOW:
            window.visible = true;
            changes |= display::kActivated;
            break;
        case SW_SHOWNOACTIVATE:
            window.visible = true;
            window.minimized = false;
            break;
        default: // SW_SHOWNA: shown in its current state
            window.visible = true;
            break;
        }
        return changes;
    });
    return found && wasVisible ? TRUE : FALSE;
}

BOOL WINAPI CloseWindow(HWND hwnd) {
    // Minimises, as on Windows; the window goes on existing and receiving its timers.
    return changeWindow(hwnd,
                        [](WindowObject& window) {
                            window.minimized = true;
                            return static_cast<unsigned>(display::kVisibility);
                        })
               ? TRUE
               : FALSE;
}

BOOL WINAPI SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    return changeWindow(
               hwnd,
               [&](WindowObject& window) {
                   unsigned changes = 0;
                   if ((flags & SWP_NOMOVE) == 0 || (flags & SWP_NOSIZE) == 0) {
                       const int width =
                           (flags & SWP_NOSIZE) != 0 ? window.rect.right - window.rect.left : cx;
                       const int height =
                           (flags & SWP_NOSIZE) != 0 ? window.rect.bottom - window.rect.top : cy;
                       const int left = (flags & SWP_NOMOVE) != 0 ? window.rect.left : x;
                       const int top = (flags & SWP_NOMOVE) != 0 ? window.rect.top : y;
                       window.rect = {left, top, left + width, top + height};
                       changes |= display::kGeometry;
                   }
                   if ((flags & SWP_NOZORDER) == 0) {
                       if (insertAfter == HWND_TOPMOST) {
                           window.exStyle |= WS_EX_TOPMOST;
                           changes |= display::kStyle | display::kRaised;
                       } else if (insertAfter == HWND_NOTOPMOST) {
                           window.exStyle &= ~static_cast<DWORD>(WS_EX_TOPMOST);
                           changes |= display::kStyle;
                       } else if (insertAfter == HWND_TOP) {
                           changes |= display::kRaised;
                       }
                   }
                   if ((flags & SWP_SHOWWINDOW) != 0 && !window.visible) {
                       window.visible = true;
                       changes |= display::kVisibility;
                   }
                   if ((flags & SWP_HIDEWINDOW) != 0 && window.visible) {
                       window.visible = false;
                       changes |= display::kVisibility;
                   }
                   if ((flags & SWP_NOACTIVATE) == 0 && (window.exStyle & WS_EX_NOACTIVATE) == 0)
                       changes |= display::kActivated;
                   return changes;
               })
               ? TRUE
               : FALSE;
}

BOOL WINAPI SetWindowTextA(HWND hwnd, LPCSTR text) {
    return changeWindow(hwnd,
                        [&](WindowObject& window) {
                            window.title = text != nullptr ? text : "";
                            return static_cast<unsigned>(display::kTitle);
                        })
               ? TRUE
               : FALSE;
}

int WINAPI GetWindowTextA(HWND hwnd, LPSTR buffer, int size) {
    std::lock_guard<std::mutex> guard(stateLock());
    WindowObject* window = findWindow(hwnd);
    if (window == nullptr || buffer == nullptr || size <= 0)
        return 0;
    const int length = std::min<int>(size - 1, static_cast<int>(window->title.size()));
    std::memcpy(buffer, window->title.data(), static_cast<std::size_t>(length));
    buffer[length] = '\0';
    return length;
}

BOOL WINAPI GetWindowRect(HWND hwnd, LPRECT rect) {
    std::lock_guard<std::mutex> guard(stateLock());
    WindowObject* window = findWindow(hwnd);
    if (window == nullptr || rect == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = window->rect;
    return TRUE;
}

BOOL WINAPI IsWindowVisible(HWND hwnd) {
    std::lock_guard<std::mutex> guard(stateLock());
    WindowObject* window = findWindow(hwnd);
    return window != nullptr && window->visible ? TRUE : FALSE;
}

BOOL WINAPI IsIconic(HWND hwnd) {
    std::lock_guard<std::mutex> guard(stateLock());
    WindowObject* window = findWindow(hwnd);
    return window != nullptr && window->minimized ? TRUE : FALSE;
}

BOOL WINAPI SetForegroundWindow(HWND hwnd) {
    return changeWindow(hwnd,
                        [&](WindowObject& window) {
                            globals().foreground = hwnd;
                            if (auto queue = queueOf(window.threadId))
                                queue->activeWindow = hwnd;
                            return static_cast<unsigned>(display::kRaised | display::kActivated);
                        })
               ? TRUE
               : FALSE;
}

HWND WINAPI GetForegroundWindow() {
    std::lock_guard<std::mutex> guard(stateLock());
    return globals().foreground;
}

BOOL WINAPI BringWindowToTop(HWND hwnd) {
    return changeWindow(hwnd, [](WindowObject&) { return static_cast<unsigned>(display::kRaised); })
               ? TRUE
               : FALSE;
}

HWND WINAPI SetActiveWindow(HWND hwnd) {
    HWND previous = nullptr;
    const bool found = changeWindow(hwnd, [&](WindowObject& window) -> unsigned {
        auto queue = queueOf(window.threadId);
        // Only a window of the calling thread can become its active window.
        if (!queue || window.threadId != voxtrel::kernel::currentThreadId())
            return 0;
        previous = queue->activeWindow;
        queue->activeWindow = hwnd;
        return display::kActivated;
    });
    return found ? previous : nullptr;
}

HWND WINAPI GetActiveWindow() {
    std::lock_guard<std::mutex> guard(stateLock());
    return currentQueue()->activeWindow;
}
