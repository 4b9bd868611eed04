// DefWindowProcA: the default handling the program relies on. A right-button release and the
// menu key ask for a context menu, WM_CLOSE destroys the window, WM_PAINT validates it.
#include "platform/linux/user/user_state.h"

LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE:
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_PAINT:
        ValidateRect(hwnd, nullptr);
        return 0;
    case WM_RBUTTONUP: {
        // The context menu comes at the release, with the mouse in screen coordinates.
        RECT rect;
        if (!GetWindowRect(hwnd, &rect))
            return 0;
        const int x = rect.left + GET_X_LPARAM(lParam);
        const int y = rect.top + GET_Y_LPARAM(lParam);
        SendMessageA(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(x, y));
        return 0;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP:
        // The menu key, or Shift+F10, asks for the menu from the keyboard: position -1, -1.
        if (wParam == VK_APPS || (wParam == VK_F10 && message == WM_SYSKEYUP))
            SendMessageA(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), -1);
        return 0;
    case WM_SETTEXT:
        return SetWindowTextA(hwnd, reinterpret_cast<LPCSTR>(lParam));
    default:
        return 0;
    }
}
