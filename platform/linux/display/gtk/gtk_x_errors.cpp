// X errors that no request expected. GDK ends the program for any X error outside one of its
// error traps, taking it for a bug. But some come from other programs' windows vanishing under
// us: when a panel quits or restarts, GTK's own tray icon code may still address the panel's
// windows, untrapped, for a moment. A desktop gadget must outlive its panel, so the display
// thread keeps one trap open for its whole life. Pushed before any other, it only catches what
// no inner trap claims: GDK gives each error to the innermost trap whose requests it covers, so
// every trap set around a request still sees that request's error.
#include "platform/linux/display/gtk/gtk_loop.h"

#include <gdk/gdkx.h>

namespace voxtrel::display::gtk {

void outliveVanishedWindows() {
    GdkDisplay* display = gdk_display_get_default();
    if (GDK_IS_X11_DISPLAY(display))
        gdk_x11_display_error_trap_push(display); // never popped
}

} // namespace voxtrel::display::gtk
