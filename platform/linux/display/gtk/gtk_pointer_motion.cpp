// Counting the pointer's raw motion on the display thread's connection, whose events GDK reads
// anyway; raw events go to the root window whatever window the pointer is over or who grabbed it.
#include "platform/linux/display/gtk/gtk_pointer_motion.h"
#include "platform/linux/display/gtk/gtk_x_errors.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <gdk/gdkx.h>

#include <atomic>

namespace voxtrel::display::gtk {

namespace {

std::atomic<bool> counted{false};
std::atomic<std::uint64_t> motions{0};
int inputOpcode = -1;

GdkFilterReturn onRawMotion(GdkXEvent* event, GdkEvent*, gpointer) {
    const auto& cookie = static_cast<XEvent*>(event)->xcookie;
    if (cookie.type != GenericEvent || cookie.extension != inputOpcode ||
        cookie.evtype != XI_RawMotion)
        return GDK_FILTER_CONTINUE;
    motions.fetch_add(1, std::memory_order_release);
    return GDK_FILTER_REMOVE; // GDK has no use for raw events
}

} // namespace

void watchPointerMotion() {
    GdkDisplay* display = gdk_display_get_default();
    ::Display* x = GDK_DISPLAY_XDISPLAY(display);
    int eventBase = 0, errorBase = 0;
    if (!XQueryExtension(x, "XInputExtension", &inputOpcode, &eventBase, &errorBase))
        return;
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawMotion);
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
    // GDK has already told the server which XInput 2 it speaks; a server that refuses the
    // selection leaves every ask for the pointer to the server.
    ExpectedErrors trap(display);
    XISelectEvents(x, DefaultRootWindow(x), &mask, 1);
    if (trap.pop() != 0)
        return;
    gdk_window_add_filter(nullptr, onRawMotion, nullptr);
    counted = true;
}

bool pointerMotionCounted() {
    return counted;
}

std::uint64_t pointerMotionCount() {
    return motions.load(std::memory_order_acquire);
}

} // namespace voxtrel::display::gtk
