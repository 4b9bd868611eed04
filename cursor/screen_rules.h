// Where a cursor's window goes when the screen no longer shows it.
#pragma once

#include "platform/win32.h"

namespace voxtrel {

// The centre of a `size` window centred on `centre`, moved the least distance that puts the
// window wholly inside `screen` when it lies wholly outside it; unchanged when any of it shows
// (a cursor half past the edge is where the user put it). A window larger than the screen
// keeps its top-left corner on the screen's.
POINT centreBackOnScreen(POINT centre, SIZE size, const RECT& screen);

// The virtual screen: every monitor together.
RECT virtualScreen();

} // namespace voxtrel
