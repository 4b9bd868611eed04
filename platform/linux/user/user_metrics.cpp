// GetSystemMetrics and EnumDisplayMonitors: the screen and its monitors from the display backend,
// and the fixed sizes of icons and of the double-click box.
#include "platform/win32.h"

#include "platform/linux/display/display.h"

#include <cstdint>
#include <vector>

namespace {
constexpr int kLargeIconSide = 32;
constexpr int kDoubleClickBox = 4;
} // namespace

int WINAPI GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN:
    case SM_CXVIRTUALSCREEN:
        return voxtrel::display::current().screenSize().width;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN:
        return voxtrel::display::current().screenSize().height;
    case SM_XVIRTUALSCREEN:
    case SM_YVIRTUALSCREEN:
        return 0; // the X screen's origin
    case SM_CXICON:
    case SM_CYICON:
        return kLargeIconSide;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
        return kDoubleClickBox;
    default:
        // Windows answers 0 for a metric it does not know.
        return 0;
    }
}

BOOL WINAPI EnumDisplayMonitors(HDC dc, LPCRECT clip, MONITORENUMPROC callback, LPARAM data) {
    if (dc != nullptr || clip != nullptr || callback == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<RECT> monitors = voxtrel::display::current().monitors();
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        // A monitor's handle is its place in the list, from 1.
        const auto monitor = reinterpret_cast<HMONITOR>(static_cast<std::uintptr_t>(i + 1));
        if (callback(monitor, nullptr, &monitors[i], data) == FALSE)
            break;
    }
    return TRUE;
}
