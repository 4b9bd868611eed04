// A cursor's layered window, its off-screen surface and its OpenGL context, all made on the
// cursor's own thread.
#include "cursor/cursor.h"
#include "cursor/frame_rules.h"
#include "cursor/screen_rules.h"

#include "common/process_handles.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <iterator>

namespace voxtrel {

namespace {

constexpr const char* CURSOR_CLASS_NAME = "cursor";

constexpr DWORD BASE_EXTENDED_STYLE = WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_ACCEPTFILES;
constexpr UINT STYLE_CHANGE_FLAGS = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW;

} // namespace

// Threads creating cursors at the same moment may both try to register the class; the loser's
// failure is harmless, as the class is process-wide and found by name. Written once, under
// the registration lock of create.
std::atomic<ATOM> cursorClassAtom{0};

DWORD Cursor::extendedStyle() const {
    DWORD style = BASE_EXTENDED_STYLE;
    if (onTop != 0)
        style |= WS_EX_TOPMOST;
    if (showInTaskbar != 0)
        style |= WS_EX_APPWINDOW;
    return style;
}

void Cursor::applyStyle() {
    SetWindowLongA(hwnd, GWL_EXSTYLE, static_cast<LONG>(extendedStyle()));
    SetWindowPos(hwnd, onTop != 0 ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, STYLE_CHANGE_FLAGS);
    // Hiding and showing again makes the shell notice a change of the taskbar button. A gadget
    // never takes the focus from the window the user works in.
    ShowWindow(hwnd, SW_HIDE);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
}

bool Cursor::create() {
    // One thread registers the class while the others wait for it: a window made while another
    // thread is still registering finds no class (Wine says so).
    static std::mutex registration;
    std::unique_lock<std::mutex> registering(registration);
    if (cursorClassAtom == 0) {
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof windowClass; // 48 bytes in 32-bit builds, more in 64-bit ones
        windowClass.style = CS_DBLCLKS;
        windowClass.lpfnWndProc = &Window::setupWindowProc;
        windowClass.hIcon = programIcon;
        windowClass.hCursor = LoadCursorA(nullptr, IDC_HAND);
        windowClass.lpszClassName = CURSOR_CLASS_NAME;
        cursorClassAtom = RegisterClassExA(&windowClass);
    }
    registering.unlock();
    // A position saved on a larger screen would leave the cursor out of reach.
    density = densityAt({centerX, centerY});
    side = screenSideFor(scale, density);
    bringBackOnScreen(screenMonitors());
    // Placed with its top-left at the centre; the first frame moves it around the centre.
    if (createWindow(extendedStyle(), CURSOR_CLASS_NAME, CURSOR_CLASS_NAME, WS_POPUP, centerX,
                     centerY, side, side, nullptr, nullptr, nullptr) == nullptr)
        return false;
    if (!createSurface()) {
        // Nothing to draw with: the cursor closes (its thread lets go of what was made), the
        // others run on.
        DestroyWindow(hwnd);
        return false;
    }

    dragging = 0;
    startTick = GetTickCount();
    startFrameCounter(startTick);
    SetTimer(hwnd, FRAME_TIMER_ID, FRAME_TIMER_INTERVAL, nullptr);
    ShowWindow(hwnd, SW_SHOWNA); // without taking the focus
    listenForSessionAndDisplay();
    return true;
}

void Cursor::releaseSurface() {
    if (IsWindow(hwnd))
        KillTimer(hwnd, FRAME_TIMER_ID);
    if (context != nullptr) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(context); // its textures go with it
        context = nullptr;
        bgTexture = 0;
        std::fill(std::begin(textures), std::end(textures), 0u);
    }
    if (memDC != nullptr) {
        DeleteDC(memDC);
        memDC = nullptr;
    }
    if (dib != nullptr) {
        DeleteObject(dib);
        dib = nullptr;
        bits = nullptr;
    }
}

} // namespace voxtrel
