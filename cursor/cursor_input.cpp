// A cursor's messages: the frame timer, dragging, the wheel, the double-click that opens a
// slot, dropped files, Escape and the property menu.
#include "cursor/cursor.h"
#include "cursor/frame_rules.h"
#include "cursor/screen_rules.h"

#include "common/process_handles.h"
#include "common/utf8_calls.h"
#include "render/image_library.h"

#include <string>

namespace voxtrel {

namespace {

// Client coordinates of a mouse message, signed: negative while the mouse is captured and
// outside the window.
int xOf(LPARAM lParam) {
    return static_cast<short>(LOWORD(lParam));
}
int yOf(LPARAM lParam) {
    return static_cast<short>(HIWORD(lParam));
}

} // namespace

void Cursor::startDrag(int x, int y) {
    if (dragging != 0)
        return;
    dragging = 1;
    RECT rect;
    GetWindowRect(hwnd, &rect);
    dragStartX = rect.left + x; // the mouse on the screen
    dragStartY = rect.top + y;
    dragOrigX = centerX;
    dragOrigY = centerY;
    SetCapture(hwnd);
}

void Cursor::followDrag(int x, int y) {
    // The window moves with the next frame; until then its rectangle is where the move is
    // measured from, so the centre follows the mouse's screen position exactly.
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    std::lock_guard<std::mutex> guard(savedFieldsLock);
    centerX = dragOrigX + rect.left + x - dragStartX;
    centerY = dragOrigY + rect.top + y - dragStartY;
}

void Cursor::followSystemMove(int left, int top) {
    std::lock_guard<std::mutex> guard(savedFieldsLock);
    centerX = left + side / 2; // the frame puts the top-left at the centre less half a side
    centerY = top + side / 2;
}

void Cursor::endDrag() {
    ReleaseCapture();
    dragging = 0;
}

void Cursor::startZoomStep(short delta) {
    zoomStartTick = GetTickCount();
    // Towards the user (negative) grows, away shrinks; a zero delta grows.
    zoomDirection = delta <= 0 ? +1 : -1;
}

bool Cursor::takeDrop(HDROP drop) {
    // Only the first file counts; the handle is released as soon as it is read.
    const std::string path = droppedFileName(drop, 0);
    DragFinish(drop);
    if (path.empty())
        return false;
    if (isLoadableImage(path)) {
        {
            std::lock_guard<std::mutex> guard(savedFieldsLock);
            texturePath = path;
        }
        loadBackgroundTexture();
        return true;
    }
    if (hover && hoverSlot >= 0 && hoverSlot < SLOT_COUNT_MAX) {
        {
            std::lock_guard<std::mutex> guard(savedFieldsLock);
            launches[hoverSlot].assign(path.c_str());
        }
        loadSlotIcon(hoverSlot);
    }
    return false;
}

// A cursor nobody can see draws nothing, and its timer slows down until it is seen again. Its
// clock runs on, so the next frame shows it where it would have been.
void Cursor::onFrameTimer() {
    const bool seen = IsWindowVisible(hwnd) && !IsIconic(hwnd) && !sessionLocked && !displayOff;
    if (seen == unseen) {
        unseen = !seen;
        SetTimer(hwnd, FRAME_TIMER_ID, seen ? FRAME_TIMER_INTERVAL : UNSEEN_TIMER_INTERVAL,
                 nullptr);
    }
    if (seen)
        InvalidateRect(hwnd, nullptr, FALSE);
}

LRESULT Cursor::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        stopListeningForSessionAndDisplay();
        PostQuitMessage(0); // ends this cursor's thread loop
        return 0;
    case WM_WTSSESSION_CHANGE:
        onSessionChange(wParam);
        return 0;
    case WM_POWERBROADCAST:
        if (wParam == PBT_POWERSETTINGCHANGE && lParam != 0)
            onPowerSetting(*reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam));
        return TRUE;
    case WM_MOUSEACTIVATE:
        // A press that starts a drag never activates the window by itself, whatever the
        // system's default: a left click activates it once the button is up. A right press
        // activates it as usual, ahead of the menu its release opens.
        if (HIWORD(lParam) == WM_LBUTTONDOWN || HIWORD(lParam) == WM_MBUTTONDOWN)
            return MA_NOACTIVATE;
        break;
    case WM_TIMER:
        onFrameTimer();
        return 0;
    case WM_PAINT:
        return paintFrame();
    case WM_CONTEXTMENU:
        showPropertyMenu();
        break;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE)
            DestroyWindow(window);
        break;
    case WM_COMMAND:
        onCommand(menuResource, LOWORD(wParam));
        break;
    // The system's own move loop, where the window manager drags the window itself: the centre
    // follows where it puts the window. Moves the program makes are its own business.
    case WM_ENTERSIZEMOVE:
        inSystemMove = true;
        break;
    case WM_MOVE:
        if (inSystemMove)
            followSystemMove(xOf(lParam), yOf(lParam));
        break;
    case WM_EXITSIZEMOVE:
        inSystemMove = false;
        break;
    case WM_MOUSEMOVE:
        if (dragging != 0)
            followDrag(xOf(lParam), yOf(lParam));
        break;
    case WM_LBUTTONDOWN:
        startDrag(xOf(lParam), yOf(lParam));
        break;
    case WM_LBUTTONUP:
        if (dragging != 0)
            endDrag();
        // A left click gives the cursor the keyboard (Escape, the menu key) once the button is
        // up: activated during the press, a window changes hands under the drag where the
        // window manager takes over active windows (Wine's), and the drag loses the pointer.
        SetActiveWindow(hwnd);
        SetForegroundWindow(hwnd);
        break;
    case WM_LBUTTONDBLCLK:
        // The face found under the mouse by the last frame; an empty entry is opened all the
        // same, and the shell decides what that means.
        if (hover && hoverSlot >= 0 && hoverSlot < SLOT_COUNT_MAX)
            launches[hoverSlot].open();
        break;
    case WM_MBUTTONDOWN:
        // The middle button moves the cursor too, without bringing it forward; the drag starts
        // from this press, never from what an earlier press left.
        startDrag(xOf(lParam), yOf(lParam));
        break;
    case WM_MBUTTONUP:
        if (dragging != 0 && (wParam & MK_LBUTTON) == 0)
            endDrag();
        break;
    case WM_MOUSEWHEEL:
        // A notch during a running zoom step is ignored.
        if (zoomDirection == 0)
            startZoomStep(GET_WHEEL_DELTA_WPARAM(wParam));
        break;
    case WM_DPICHANGED:
        // The window came to a monitor of another density: the next frame sizes it around the
        // same centre, so the rectangle Windows suggests is not taken.
        density = densityForDpi(LOWORD(wParam));
        return 0;
    case WM_DISPLAYCHANGE:
        // The next frame moves the window to the new centre, at that monitor's density.
        bringBackOnScreen(screenMonitors());
        density = densityAt({centerX, centerY});
        break;
    case WM_DROPFILES:
        if (takeDrop(reinterpret_cast<HDROP>(wParam)))
            return 0;
        break;
    default:
        break;
    }
    return Window::handleMessage(window, message, wParam, lParam);
}

} // namespace voxtrel
