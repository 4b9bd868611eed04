// The display thread of the X11 backend: the one thread that calls GTK (and Xlib through GDK).
// Other threads hand it work; it never blocks on them. Included by the backend's files only.
#pragma once

#include <gdk/gdk.h>

#include <functional>

namespace voxtrel::display::gtk {

// Starts the display thread on first use and reports whether GTK could open the X display.
bool displayThreadRunning();

// Display thread, once GTK runs: tells every window when the screen changes size
// (gtk_screen.cpp).
void watchScreenSize();
// Tells the layer, for the life of the display thread, whether the screen is asleep.
void watchScreenSleep();

// Display thread: adds `mask` (Xlib event mask bits) to what the root window reports, GDK's
// own selection kept, and lets `filter` see the root window's events.
void watchRootEvents(long mask, GdkFilterFunc filter);

// Runs `work` on the display thread, in the order of the calls, without waiting for it. On the
// display thread itself it runs at once.
void onDisplayThread(std::function<void()> work);

} // namespace voxtrel::display::gtk
