// Whether the screen is asleep: powered down by DPMS or under the X server's screen saver. Then
// nobody sees any window, and the layer paints none. Neither state comes as an event that GDK
// delivers, so it is read once a second on the display thread.
#include "platform/linux/display/gtk/gtk_loop.h"

#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>
#include <X11/extensions/scrnsaver.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

// From platform/linux/user/user_input.h, which cannot be included here: the DPMS header's
// Xmd.h and the layer's Windows types both define BOOL.
namespace voxtrel::user {
void deliverScreenAsleep(bool asleep);
}

namespace voxtrel::display::gtk {

namespace {

constexpr guint kScreenSleepPollSeconds = 1;

bool displayPoweredDown(::Display* x) {
    int eventBase = 0, errorBase = 0;
    if (!DPMSQueryExtension(x, &eventBase, &errorBase) || !DPMSCapable(x))
        return false;
    CARD16 level = DPMSModeOn;
    BOOL enabled = False;
    return DPMSInfo(x, &level, &enabled) && enabled && level != DPMSModeOn;
}

bool screenSaverOn(::Display* x) {
    int eventBase = 0, errorBase = 0;
    if (!XScreenSaverQueryExtension(x, &eventBase, &errorBase))
        return false;
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    if (info == nullptr)
        return false;
    const bool on =
        XScreenSaverQueryInfo(x, DefaultRootWindow(x), info) != 0 && info->state == ScreenSaverOn;
    XFree(info);
    return on;
}

gboolean readScreenSleep(gpointer) {
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr || !GDK_IS_X11_DISPLAY(display))
        return G_SOURCE_REMOVE;
    ::Display* x = GDK_DISPLAY_XDISPLAY(display);
    user::deliverScreenAsleep(displayPoweredDown(x) || screenSaverOn(x));
    return G_SOURCE_CONTINUE;
}

} // namespace

void watchScreenSleep() {
    g_timeout_add_seconds(kScreenSleepPollSeconds, readScreenSleep, nullptr);
}

} // namespace voxtrel::display::gtk
