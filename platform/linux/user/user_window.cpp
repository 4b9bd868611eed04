// Creating and destroying windows, their procedure and user-data slots, and SendMessageA.
// Creation messages are sent synchronously on the creating thread, as on Windows.
#include "platform/linux/user/user_state.h"

#include "platform/linux/kernel/kernel_objects.h"

#include <atomic>

namespace voxtrel::user {
std::shared_ptr<const WindowClass> findClass(LPCSTR name);
}

using namespace voxtrel::user;

namespace {

std::atomic<std::uintptr_t> nextHandle{0x10010};

// Whether the window exists and belongs to the calling thread; the error is set when not.
bool ownedByCaller(HWND hwnd) {
    std::lock_guard<std::mutex> guard(stateLock());
    WindowObject* window = findWindow(hwnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    if (window->threadId != voxtrel::kernel::currentThreadId()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

void forget(HWND hwnd) {
    {
        std::lock_guard<std::mutex> guard(stateLock());
        removeWindow(hwnd);
    }
    voxtrel::display::current().destroyWindow(hwnd);
}

} // namespace

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID parameter) {
    auto window = std::make_unique<WindowObject>();
    HWND hwnd = reinterpret_cast<HWND>(nextHandle.fetch_add(4));
    voxtrel::display::WindowSnapshot snapshot;
    {
        std::lock_guard<std::mutex> guard(stateLock());
        window->windowClass = findClass(className);
        if (!window->windowClass) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        window->hwnd = hwnd;
        window->threadId = currentQueue()->threadId;
        window->procedure = window->windowClass->procedure;
        window->style = style & ~static_cast<DWORD>(WS_VISIBLE);
        window->exStyle = exStyle;
        if (x == CW_USEDEFAULT)
            x = y = 0;
        if (width == CW_USEDEFAULT)
            width = height = 0;
        window->rect = {x, y, x + width, y + height};
        window->title = windowName != nullptr ? windowName : "";
        snapshot = snapshotOf(*window);
        insertWindow(std::move(window));
    }
    voxtrel::display::current().updateWindow(snapshot, voxtrel::display::kCreated);

    MINMAXINFO limits{};
    limits.ptMaxTrackSize = {GetSystemMetrics(SM_CXVIRTUALSCREEN),
                             GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    limits.ptMaxSize = limits.ptMaxTrackSize;
    callWindow(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));

    CREATESTRUCTA create{};
    create.lpCreateParams = parameter;
    create.hInstance = instance;
    create.hMenu = menu;
    create.hwndParent = parent;
    create.cx = width;
    create.cy = height;
    create.x = x;
    create.y = y;
    create.style = static_cast<LONG>(style);
    create.lpszName = windowName;
    create.lpszClass = className;
    create.dwExStyle = exStyle;
    if (callWindow(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create)) == FALSE) {
        forget(hwnd);
        return nullptr;
    }
    RECT client = {x, y, x + width, y + height};
    callWindow(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&client));
    if (callWindow(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if ((style & WS_VISIBLE) != 0)
        ShowWindow(hwnd, (exStyle & WS_EX_NOACTIVATE) != 0 ? SW_SHOWNA : SW_SHOW);
    return hwnd;
}

BOOL WINAPI DestroyWindow(HWND hwnd) {
    if (!ownedByCaller(hwnd))
        return FALSE;
    {
        std::lock_guard<std::mutex> guard(stateLock());
        WindowObject* window = findWindow(hwnd);
        if (window->destroying)
            return TRUE;
        window->destroying = true;
        window->visible = false;
    }
    callWindow(hwnd, WM_DESTROY, 0, 0);
    callWindow(hwnd, WM_NCDESTROY, 0, 0);
    forget(hwnd);
    return TRUE;
}

BOOL WINAPI IsWindow(HWND hwnd) {
    std::lock_guard<std::mutex> guard(stateLock());
    return findWindow(hwnd) != nullptr ? TRUE : FALSE;
}

LRESULT WINAPI CallWindowProcA(WNDPROC procedure, HWND hwnd, UINT message, WPARAM wParam,
                               LPARAM lParam) {
    return procedure != nullptr ? procedure(hwnd, message, wParam, lParam) : 0;
}

LRESULT WINAPI SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // Messages are sent within the window's own thread only: nothing in the program sends to a
    // window of another thread, which would need that thread to be waiting in its loop.
    if (!ownedByCaller(hwnd))
        return 0;
    return callWindow(hwnd, message, wParam, lParam);
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
    unsigned changes = 0;
    LONG_PTR previous = 0;
    voxtrel::display::WindowSnapshot snapshot;
    {
        std::lock_guard<std::mutex> guard(stateLock());
        WindowObject* window = findWindow(hwnd);
        if (window == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        switch (index) {
        case GWLP_USERDATA:
            previous = window->userData;
            window->userData = value;
            break;
        case GWLP_WNDPROC:
            previous = reinterpret_cast<LONG_PTR>(window->procedure);
            window->procedure = reinterpret_cast<WNDPROC>(value);
            break;
        case GWL_EXSTYLE:
            previous = window->exStyle;
            window->exStyle = static_cast<DWORD>(value);
            changes = voxtrel::display::kStyle;
            break;
        case GWL_STYLE:
            previous = window->style;
            window->style = static_cast<DWORD>(value) & ~static_cast<DWORD>(WS_VISIBLE);
            break;
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        snapshot = snapshotOf(*window);
    }
    if (changes != 0)
        voxtrel::display::current().updateWindow(snapshot, changes);
    return previous;
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND hwnd, int index) {
    std::lock_guard<std::mutex> guard(stateLock());
    WindowObject* window = findWindow(hwnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    switch (index) {
    case GWLP_USERDATA:
        return window->userData;
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(window->procedure);
    case GWL_EXSTYLE:
        return window->exStyle;
    case GWL_STYLE:
        return window->style | (window->visible ? WS_VISIBLE : 0) |
               (window->minimized ? WS_MINIMIZE : 0);
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
}

// The 32-bit forms, for the 32-bit values (styles). A pointer needs the Ptr forms, as on 64-bit
// Windows.
LONG WINAPI SetWindowLongA(HWND hwnd, int index, LONG value) {
    return static_cast<LONG>(SetWindowLongPtrA(hwnd, index, value));
}

LONG WINAPI GetWindowLongA(HWND hwnd, int index) {
    return static_cast<LONG>(GetWindowLongPtrA(hwnd, index));
}

DWORD WINAPI GetWindowThreadProcessId(HWND hwnd, LPDWORD processId) {
    std::lock_guard<std::mutex> guard(stateLock());
    WindowObject* window = findWindow(hwnd);
    if (processId != nullptr)
        *processId = window != nullptr ? 1 : 0;
    return window != nullptr ? window->threadId : 0;
}
