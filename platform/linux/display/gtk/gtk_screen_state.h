// Whether the X server's screen is asleep: powered down by DPMS or under its screen saver. Apart
// from the layer's headers: the DPMS header's Xmd.h and the layer's Windows types both define
// BOOL.
#pragma once

#include <X11/Xlib.h>

namespace voxtrel::display::gtk {

bool screenAsleepNow(::Display* x);

} // namespace voxtrel::display::gtk
