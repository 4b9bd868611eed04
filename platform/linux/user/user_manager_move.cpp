// Moves the window manager makes itself: the window hears of them as of Windows' own move loop,
// and its rectangle follows, so that the program's next frame asks for the place the window is.
#include "platform/linux/kernel/kernel_objects.h"
#include "platform/linux/display/display_reports.h"
#include "platform/linux/user/user_state.h"

namespace voxtrel::user {

namespace {

void postTo(const WindowObject& window, UINT message, LPARAM lParam) {
    if (auto queue = queueOf(window.threadId))
        post(*queue, MSG{window.hwnd, message, 0, lParam, GetTickCount(), {}});
}

} // namespace

} // namespace voxtrel::user

using namespace voxtrel::user;

void voxtrel::display::deliverManagerMoveStart(HWND hwnd) {
    std::lock_guard<std::mutex> guard(stateLock());
    if (WindowObject* window = findWindow(hwnd); window != nullptr && !window->destroying)
        postTo(*window, WM_ENTERSIZEMOVE, 0);
}

void voxtrel::display::deliverManagerMoved(HWND hwnd, POINT topLeft) {
    std::lock_guard<std::mutex> guard(stateLock());
    WindowObject* window = findWindow(hwnd);
    if (window == nullptr || window->destroying)
        return;
    RECT& rect = window->rect;
    if (rect.left == topLeft.x && rect.top == topLeft.y)
        return;
    const LONG width = rect.right - rect.left, height = rect.bottom - rect.top;
    rect = {topLeft.x, topLeft.y, topLeft.x + width, topLeft.y + height};
    // The client area is the whole window: a popup has no frame.
    postTo(*window, WM_MOVE, MAKELPARAM(topLeft.x, topLeft.y));
}

void voxtrel::display::deliverManagerMoveEnd(HWND hwnd) {
    std::lock_guard<std::mutex> guard(stateLock());
    if (WindowObject* window = findWindow(hwnd); window != nullptr && !window->destroying)
        postTo(*window, WM_EXITSIZEMOVE, 0);
}
