// Base of the program's windows: the link between a platform window and the object whose
// handleMessage receives its messages.
#pragma once

#include "platform/win32.h"

#include <atomic>

namespace voxtrel {

class Window {
public:
    // Passes every message to the default window procedure.
    virtual LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // Creates the window with this object as its creation parameter and keeps its handle. From
    // WM_CREATE on, its messages reach handleMessage.
    HWND createWindow(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                      int width, int height, HWND parent, HMENU menu, HINSTANCE instance);

    // The procedure to register for classes whose windows are Window objects: on WM_CREATE it
    // binds the window to its object and hands over to dispatchWindowProc.
    static LRESULT CALLBACK setupWindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    static LRESULT CALLBACK dispatchWindowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam);

    // Null until the window is created. Written by the window's own thread and read by the main
    // thread (show and hide all), hence atomic.
    std::atomic<HWND> hwnd{nullptr};

protected:
    Window() = default;
    // Windows are never deleted through this base, so it needs no virtual destructor.
    ~Window() = default;
};

} // namespace voxtrel
