// Whether the screen is asleep: powered down by DPMS or under the X server's screen saver. Then
// nobody sees any window, and the layer paints none. Neither state comes as an event that GDK
// delivers, so it is read once a second on the display thread.
#include "platform/linux/display/gtk/gtk_loop.h"

#include "platform/linux/display/display_reports.h"
#include "platform/linux/display/gtk/gtk_screen_state.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

namespace voxtrel::display::gtk {

namespace {

constexpr guint kScreenSleepPollSeconds = 1;

gboolean readScreenSleep(gpointer) {
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr || !GDK_IS_X11_DISPLAY(display))
        return G_SOURCE_REMOVE;
    deliverScreenAsleep(screenAsleepNow(GDK_DISPLAY_XDISPLAY(display)));
    return G_SOURCE_CONTINUE;
}

} // namespace

void watchScreenSleep() {
    g_timeout_add_seconds(kScreenSleepPollSeconds, readScreenSleep, nullptr);
}

} // namespace voxtrel::display::gtk
