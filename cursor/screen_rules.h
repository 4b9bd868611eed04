// Where a cursor's window goes when the screen no longer shows it.
#pragma once

#include "platform/win32.h"

#include <vector>

namespace voxtrel {

// Where a `size` window centred on `centre` goes when the monitors change. A cursor is on
// screen when its centre lies on a monitor, and then it stays where the user put it, half past
// an edge or not. Otherwise it moves the least distance that puts the window wholly on the
// monitor nearest to its centre; a window larger than that monitor keeps its top-left corner on
// the monitor's. Monitors of no size do not count; with none left nothing moves.
POINT centreBackOnScreen(POINT centre, SIZE size, const std::vector<RECT>& monitors);

// Every monitor's rectangle, as the system lists them.
std::vector<RECT> screenMonitors();

// How far from the origin a loaded centre, and how large a loaded side, may be: far beyond any
// desktop, yet so far inside the limits of the coordinate type that a window's corner, a drag's
// offset and the way back onto a monitor never overflow.
constexpr LONG CENTRE_LIMIT = 1 << 24;
constexpr LONG SIDE_LIMIT = 1 << 16;

// A place and size read from an edited or damaged file, taken into those ranges; values inside
// them stay as they are.
void takeLoadedPlaceIntoRange(INT& centerX, INT& centerY, INT& width, INT& height);

} // namespace voxtrel
