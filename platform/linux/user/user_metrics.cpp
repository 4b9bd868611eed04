// GetSystemMetrics, EnumDisplayMonitors, MonitorFromPoint and GetDpiForMonitor: the screen, its
// monitors and its density from the display backend, and the fixed sizes of icons and of the
// double-click box. A monitor's handle is its place in the backend's list, from 1.
#include "platform/win32.h"

#include "platform/linux/display/display.h"

#include <cstdint>
#include <vector>

namespace {

constexpr int kLargeIconSide = 32;
constexpr int kDoubleClickBox = 4;

HMONITOR monitorHandle(std::size_t index) {
    return reinterpret_cast<HMONITOR>(static_cast<std::uintptr_t>(index + 1));
}

bool contains(const RECT& area, POINT point) {
    return point.x >= area.left && point.x < area.right && point.y >= area.top &&
           point.y < area.bottom;
}

// How far `point` lies from `area`, squared.
long long distanceSquared(const RECT& area, POINT point) {
    const long long dx = point.x < area.left     ? area.left - point.x
                         : point.x >= area.right ? point.x - (area.right - 1)
                                                 : 0;
    const long long dy = point.y < area.top       ? area.top - point.y
                         : point.y >= area.bottom ? point.y - (area.bottom - 1)
                                                  : 0;
    return dx * dx + dy * dy;
}

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
        if (callback(monitorHandle(i), nullptr, &monitors[i], data) == FALSE)
            break;
    }
    return TRUE;
}

HMONITOR WINAPI MonitorFromPoint(POINT point, DWORD flags) {
    const std::vector<RECT> monitors = voxtrel::display::current().monitors();
    std::size_t nearest = 0;
    long long nearestDistance = -1;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        if (contains(monitors[i], point))
            return monitorHandle(i);
        const long long distance = distanceSquared(monitors[i], point);
        if (nearestDistance < 0 || distance < nearestDistance) {
            nearest = i;
            nearestDistance = distance;
        }
    }
    if (monitors.empty() || flags == MONITOR_DEFAULTTONULL)
        return nullptr;
    return monitorHandle(flags == MONITOR_DEFAULTTONEAREST ? nearest : 0);
}

HRESULT WINAPI GetDpiForMonitor(HMONITOR monitor, MONITOR_DPI_TYPE type, UINT* dpiX, UINT* dpiY) {
    const auto index = reinterpret_cast<std::uintptr_t>(monitor);
    if (dpiX == nullptr || dpiY == nullptr || type < MDT_EFFECTIVE_DPI || type > MDT_RAW_DPI ||
        index == 0 || index > voxtrel::display::current().monitors().size())
        return E_INVALIDARG;
    *dpiX = *dpiY = voxtrel::display::current().dotsPerInch();
    return S_OK;
}
