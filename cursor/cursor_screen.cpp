// Cursors whose centre no monitor shows (a monitor unplugged, the resolution lowered, a
// configuration saved on a larger screen) come back onto the nearest one. Only the position in
// memory changes; the saved one follows at the next save.
#include "cursor/cursor.h"
#include "cursor/screen_rules.h"

#include <algorithm>

namespace voxtrel {

namespace {

// The start of a span of `length` moved the least into [low, high), or `low` when it does
// not fit.
LONG placeSpan(LONG start, LONG length, LONG low, LONG high) {
    return std::max(low, std::min(start, high - length));
}

bool contains(const RECT& area, POINT point) {
    return point.x >= area.left && point.x < area.right && point.y >= area.top &&
           point.y < area.bottom;
}

// How far `point` lies from `area`, squared; 0 inside it.
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

POINT centreBackOnScreen(POINT centre, SIZE size, const std::vector<RECT>& monitors) {
    const RECT* nearest = nullptr;
    long long nearestDistance = 0;
    for (const RECT& monitor : monitors) {
        if (monitor.right <= monitor.left || monitor.bottom <= monitor.top)
            continue;
        if (contains(monitor, centre))
            return centre;
        const long long distance = distanceSquared(monitor, centre);
        if (nearest == nullptr || distance < nearestDistance) {
            nearest = &monitor;
            nearestDistance = distance;
        }
    }
    if (nearest == nullptr)
        return centre;
    const LONG left = centre.x - size.cx / 2;
    const LONG top = centre.y - size.cy / 2;
    return {centre.x + placeSpan(left, size.cx, nearest->left, nearest->right) - left,
            centre.y + placeSpan(top, size.cy, nearest->top, nearest->bottom) - top};
}

namespace {

BOOL CALLBACK collectMonitor(HMONITOR, HDC, LPRECT rect, LPARAM data) {
    reinterpret_cast<std::vector<RECT>*>(data)->push_back(*rect);
    return TRUE;
}

} // namespace

std::vector<RECT> screenMonitors() {
    std::vector<RECT> monitors;
    EnumDisplayMonitors(nullptr, nullptr, collectMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

void takeLoadedPlaceIntoRange(INT& centerX, INT& centerY, INT& width, INT& height) {
    centerX = std::clamp<INT>(centerX, -CENTRE_LIMIT, CENTRE_LIMIT);
    centerY = std::clamp<INT>(centerY, -CENTRE_LIMIT, CENTRE_LIMIT);
    width = std::clamp<INT>(width, 0, SIDE_LIMIT);
    height = std::clamp<INT>(height, 0, SIDE_LIMIT);
}

void Cursor::bringBackOnScreen(const std::vector<RECT>& monitors) {
    std::lock_guard<std::mutex> guard(savedFieldsLock);
    const POINT centre = centreBackOnScreen({centerX, centerY}, {side, side}, monitors);
    centerX = centre.x;
    centerY = centre.y;
}

} // namespace voxtrel
