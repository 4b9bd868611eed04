// Whether the pointer has moved, told without asking the X server: every shown cursor asks for
// the pointer at every frame (to know whether it hovers), and an XQueryPointer each time would
// cost a round trip to the server per frame while the pointer lies still. The display thread
// counts the pointer's raw motion (XInput 2, reported whatever window the pointer is over) and
// the motion and crossings of the program's own windows.
#pragma once

#include <cstdint>

namespace voxtrel::display::gtk {

// Display thread, once GTK runs: starts counting. Where the server offers no XInput 2, nothing is
// counted and pointerMotionCounted() stays false.
void watchPointerMotion();

// Any thread: whether motion is being counted, and how many motion events have come so far.
bool pointerMotionCounted();
std::uint64_t pointerMotionCount();

} // namespace voxtrel::display::gtk
