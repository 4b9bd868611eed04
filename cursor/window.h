// Base of the program's windows: the link between a platform window and the object whose
// handleMessage receives its messages.
#pragma once

#include "platform/win32.h"

namespace voxtrel {

class Window {
public:
    // Passes every message to the default window procedure.
    virtual LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd = nullptr; // null until the window is created

protected:
    Window() = default;
    // Windows are never deleted through this base, so it needs no virtual destructor.
    ~Window() = default;
};

} // namespace voxtrel
