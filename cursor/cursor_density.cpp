// The density of the screen under a cursor. Windows 8.1 and later tell each monitor's own
// density (shcore's GetDpiForMonitor, looked up at run time so that the program still starts
// on older systems); elsewhere the system's one density, which every device context reports.
#include "cursor/cursor.h"
#include "cursor/frame_rules.h"

namespace voxtrel {

namespace {

using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, MONITOR_DPI_TYPE, UINT*, UINT*);

GetDpiForMonitorFunction monitorDensities() {
    static const GetDpiForMonitorFunction function = [] {
        // From the system folder only; kept loaded for the life of the process.
        const HMODULE shcore = LoadLibraryExA("shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (shcore == nullptr)
            return GetDpiForMonitorFunction{};
        return reinterpret_cast<GetDpiForMonitorFunction>(
            reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")));
    }();
    return function;
}

UINT systemDotsPerInch() {
    HDC screen = CreateCompatibleDC(nullptr);
    if (screen == nullptr)
        return 0;
    const int dotsPerInch = GetDeviceCaps(screen, LOGPIXELSX);
    DeleteDC(screen);
    return dotsPerInch > 0 ? static_cast<UINT>(dotsPerInch) : 0;
}

} // namespace

double densityAt(POINT point) {
    if (const GetDpiForMonitorFunction getDpiForMonitor = monitorDensities()) {
        UINT x = 0, y = 0;
        const HMONITOR monitor = MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST);
        if (monitor != nullptr && SUCCEEDED(getDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &x, &y)))
            return densityForDpi(x);
    }
    return densityForDpi(systemDotsPerInch());
}

} // namespace voxtrel
