// The desktop's density on X11. GDK's window scale (GDK_SCALE, or the desktop's
// Gdk/WindowScalingFactor setting) makes GTK give and take every position and size in units of
// that many device pixels; the layer works in device pixels, as a Windows program that knows
// the screen's density sees it, and converts wherever it talks to GTK. Included by the
// backend's files only.
#pragma once

#include "platform/linux/win32/types.h"

#include <X11/Xlib.h>

namespace voxtrel::display::gtk {

// Display thread, once GTK runs: notes GDK's window scale for every thread.
void noteWindowScale();
// How many device pixels one of GDK's units spans: 1, or 2 at GDK_SCALE=2.
int windowScale();

// A coordinate GDK gives (in its units, fractions kept where the server gave device pixels)
// in device pixels.
LONG toDevice(double gdkCoordinate);
// A device position in GDK's units: the unit that holds it.
int toGdkPosition(LONG device);
// A device length in GDK's units: enough of them to cover it.
int toGdkLength(LONG device);

// The dots per inch the desktop asks for: 96 times GDK's window scale where it scales windows,
// else the Xft.dpi resource where the desktop sets only that (it scales text alone), else 96.
UINT dotsPerInch(::Display* x);

} // namespace voxtrel::display::gtk
