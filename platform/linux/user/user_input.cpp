// Mouse capture, the pointer position, and the input that backends deliver: mouse events become
// WM_* messages in client coordinates (double-clicks for classes with CS_DBLCLKS), keys go to the
// active window of the foreground thread.
#include "platform/linux/display/display_reports.h"

#include "platform/linux/kernel/kernel_objects.h"
#include "platform/linux/user/user_state.h"

#include <cstdlib>

namespace voxtrel::user {

using display::PointerEvent;

namespace {

// Windows' defaults: 500 ms and a 4 x 4 pixel box around the first click.
constexpr DWORD kDoubleClickTime = 500;
constexpr int kDoubleClickBox = 4;

struct ButtonMessages {
    UINT down;
    UINT up;
    UINT doubleClick;
    DWORD flag;
};

ButtonMessages buttonOf(PointerEvent event) {
    switch (event) {
    case PointerEvent::LeftDown:
    case PointerEvent::LeftUp:
        return {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, MK_LBUTTON};
    case PointerEvent::RightDown:
    case PointerEvent::RightUp:
        return {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK, MK_RBUTTON};
    default:
        return {WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MBUTTONDBLCLK, MK_MBUTTON};
    }
}

bool isDown(PointerEvent event) {
    return event == PointerEvent::LeftDown || event == PointerEvent::RightDown ||
           event == PointerEvent::MiddleDown;
}

// Turns a press into a double-click when it follows a press of the same button on the same
// window closely enough in time and place.
UINT pressMessage(MessageQueue& queue, const WindowObject& window, const ButtonMessages& button,
                  POINT screen, DWORD now) {
    const bool wantsDoubleClicks =
        window.windowClass && (window.windowClass->style & CS_DBLCLKS) != 0;
    const bool isSecond = wantsDoubleClicks && queue.lastDownMessage == button.down &&
                          queue.lastDownWindow == window.hwnd &&
                          now - queue.lastDownTime <= kDoubleClickTime &&
                          std::abs(screen.x - queue.lastDownPoint.x) <= kDoubleClickBox / 2 &&
                          std::abs(screen.y - queue.lastDownPoint.y) <= kDoubleClickBox / 2;
    if (isSecond) {
        queue.lastDownMessage = 0; // a third press starts over
        return button.doubleClick;
    }
    queue.lastDownMessage = button.down;
    queue.lastDownWindow = window.hwnd;
    queue.lastDownTime = now;
    queue.lastDownPoint = screen;
    return button.down;
}

} // namespace

} // namespace voxtrel::user

using namespace voxtrel::user;

void voxtrel::display::deliverPointer(HWND hit, PointerEvent event, POINT screen, int wheelDelta) {
    std::lock_guard<std::mutex> guard(stateLock());
    Globals& state = globals();
    state.pointer = screen;
    const ButtonMessages button = buttonOf(event);
    if (event != PointerEvent::Move && event != PointerEvent::Wheel) {
        if (isDown(event))
            state.buttons |= button.flag;
        else
            state.buttons &= ~button.flag;
    }
    const HWND target = state.capture != nullptr ? state.capture : hit;
    WindowObject* window = findWindow(target);
    if (window == nullptr)
        return;
    auto queue = queueOf(window->threadId);
    if (!queue)
        return;

    const DWORD now = GetTickCount();
    // A client-area message's lParam is made from `pt` when the message is taken, against where
    // the window is then (user_messages.cpp).
    MSG msg{target, 0, static_cast<WPARAM>(state.buttons), 0, now, screen};
    switch (event) {
    case PointerEvent::Move:
        msg.message = WM_MOUSEMOVE;
        break;
    case PointerEvent::Wheel:
        // Wheel messages carry the screen position and the delta in the high word.
        msg.message = WM_MOUSEWHEEL;
        msg.wParam = (static_cast<WPARAM>(static_cast<WORD>(wheelDelta)) << 16) |
                     static_cast<WORD>(state.buttons);
        msg.lParam = MAKELPARAM(screen.x, screen.y);
        break;
    default:
        msg.message =
            isDown(event) ? pressMessage(*queue, *window, button, screen, now) : button.up;
        break;
    }
    post(*queue, msg, true);
}

void voxtrel::display::deliverKey(UINT virtualKey, bool down) {
    std::lock_guard<std::mutex> guard(stateLock());
    WindowObject* foreground = findWindow(globals().foreground);
    if (foreground == nullptr)
        return;
    auto queue = queueOf(foreground->threadId);
    if (!queue)
        return;
    const HWND target = queue->activeWindow != nullptr ? queue->activeWindow : foreground->hwnd;
    post(*queue,
         MSG{target,
             static_cast<UINT>(down ? WM_KEYDOWN : WM_KEYUP),
             virtualKey,
             down ? 1 : static_cast<LPARAM>(0xC0000001u),
             GetTickCount(),
             {}},
         true);
}

HWND WINAPI SetCapture(HWND hwnd) {
    std::lock_guard<std::mutex> guard(stateLock());
    const HWND previous = globals().capture;
    if (findWindow(hwnd) != nullptr)
        globals().capture = hwnd;
    return previous;
}

BOOL WINAPI ReleaseCapture() {
    std::lock_guard<std::mutex> guard(stateLock());
    globals().capture = nullptr;
    return TRUE;
}

HWND WINAPI GetCapture() {
    std::lock_guard<std::mutex> guard(stateLock());
    return globals().capture;
}

BOOL WINAPI GetCursorPos(LPPOINT point) {
    if (point == nullptr)
        return FALSE;
    *point = voxtrel::display::current().pointerPosition();
    std::lock_guard<std::mutex> guard(stateLock());
    globals().pointer = *point;
    return TRUE;
}
