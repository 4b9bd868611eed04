// Drags the window manager makes itself. On XWayland only the compositor knows where a window
// really stands: sway and weston ignore a client's own moves, and mutter applies them a frame
// late while the pointer positions X reports count from where the client asked the window to
// be, so a drag the program makes overshoots or goes nowhere. There a press hands the move to
// the manager (_NET_WM_MOVERESIZE), which follows the pointer exactly. Display thread only.
#pragma once

#include <gdk/gdk.h>

namespace voxtrel::display::gtk {

// Whether the window's X server is XWayland, whose compositor should make the moves.
bool managerShouldMove(GdkWindow* window);

// Asks the manager to move `window` with the pointer from the press `event`: the pointer is let
// go so that the manager can take it. False when the manager offers no such move.
bool beginManagerMove(GdkWindow* window, const GdkEventButton* event);

} // namespace voxtrel::display::gtk
