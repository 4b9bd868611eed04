// Binding platform windows to Window objects.
#include "cursor/window.h"

namespace voxtrel {

LRESULT Window::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND Window::createWindow(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                          int y, int width, int height, HWND parent, HMENU menu,
                          HINSTANCE instance) {
    hwnd = CreateWindowExA(exStyle, className, windowName, style, x, y, width, height, parent, menu,
                           instance, this);
    return hwnd;
}

LRESULT CALLBACK Window::setupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Messages before WM_CREATE have no object to go to yet.
    if (message != WM_CREATE)
        return DefWindowProcA(window, message, wParam, lParam);
    auto* object = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    // The pointer-sized slot: a 32-bit one would cut the pointer in 64-bit builds.
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
    SetWindowLongPtrA(window, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(&Window::dispatchWindowProc));
    return dispatchWindowProc(window, message, wParam, lParam);
}

LRESULT CALLBACK Window::dispatchWindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    auto* object = reinterpret_cast<Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    return object->handleMessage(window, message, wParam, lParam);
}

} // namespace voxtrel
