// Where a cursor's window goes when the screen no longer shows it.
#pragma once

#include "platform/win32.h"

namespace voxtrel {

// The centre of a `size` window centred on `centre`, moved the least distance that puts the
// window wholly inside `screen` when it lies wholly outside it; unchanged when any of it shows
// (a cursor half past the edge is where the user put it). A window larger than the screen
// keeps its top-left corner on the screen's.
POINT centreBackOnScreen(POINT centre, SIZE size, const RECT& screen);

// How far from the origin a loaded centre, and how large a loaded side, may be: far beyond any
// desktop, yet so far inside the limits of the coordinate type that a window's corner, a drag's
// offset and the way back onto a monitor never overflow.
constexpr LONG CENTRE_LIMIT = 1 << 24;
constexpr LONG SIDE_LIMIT = 1 << 16;

// A place and size read from an edited or damaged file, taken into those ranges; values inside
// them stay as they are.
void takeLoadedPlaceIntoRange(INT& centerX, INT& centerY, INT& width, INT& height);

// The virtual screen: every monitor together.
RECT virtualScreen();

} // namespace voxtrel
