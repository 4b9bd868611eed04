// Default message handling of a Window.
#include "cursor/window.h"

namespace voxtrel {

LRESULT Window::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace voxtrel
