// DefWindowProcA. The layer has no window objects yet, so every handle is unknown and, as on
// Windows for a handle that names no window, the answer is 0.
#include "platform/win32.h"

LRESULT WINAPI DefWindowProcA(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}
