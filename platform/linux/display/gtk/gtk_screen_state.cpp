// The two ways a screen goes dark, read from the server's extensions.
#include "platform/linux/display/gtk/gtk_screen_state.h"

#include <X11/extensions/dpms.h>
#include <X11/extensions/scrnsaver.h>

namespace voxtrel::display::gtk {

namespace {

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

} // namespace

bool screenAsleepNow(::Display* x) {
    return displayPoweredDown(x) || screenSaverOn(x);
}

} // namespace voxtrel::display::gtk
