// Cursors that the screen no longer shows (a monitor unplugged, the resolution lowered, a
// configuration saved on a larger screen) come back onto it. Only the position in memory
// changes; the saved one follows at the next save.
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

} // namespace

POINT centreBackOnScreen(POINT centre, SIZE size, const RECT& screen) {
    const LONG left = centre.x - size.cx / 2;
    const LONG top = centre.y - size.cy / 2;
    const bool showing = left + size.cx > screen.left && left < screen.right &&
                         top + size.cy > screen.top && top < screen.bottom;
    if (showing || screen.right <= screen.left || screen.bottom <= screen.top)
        return centre;
    return {centre.x + placeSpan(left, size.cx, screen.left, screen.right) - left,
            centre.y + placeSpan(top, size.cy, screen.top, screen.bottom) - top};
}

void takeLoadedPlaceIntoRange(INT& centerX, INT& centerY, INT& width, INT& height) {
    centerX = std::clamp<INT>(centerX, -CENTRE_LIMIT, CENTRE_LIMIT);
    centerY = std::clamp<INT>(centerY, -CENTRE_LIMIT, CENTRE_LIMIT);
    width = std::clamp<INT>(width, 0, SIDE_LIMIT);
    height = std::clamp<INT>(height, 0, SIDE_LIMIT);
}

RECT virtualScreen() {
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
            top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

void Cursor::bringBackOnScreen(const RECT& screen) {
    std::lock_guard<std::mutex> guard(savedFieldsLock);
    const POINT centre = centreBackOnScreen({centerX, centerY}, {width, height}, screen);
    centerX = centre.x;
    centerY = centre.y;
}

} // namespace voxtrel
