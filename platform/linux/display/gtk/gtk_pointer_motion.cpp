// Counting the pointer's motion on the display thread's connection, whose events GDK reads
// anyway: raw motion, which goes to the root window whatever window the pointer is over or who
// grabbed it, and the motion and crossings of the program's own windows, which a warp of the
// pointer (as xdotool's) also makes while it makes no raw motion.
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

GdkFilterReturn onMotion(GdkXEvent* event, GdkEvent*, gpointer) {
    const XEvent& x = *static_cast<XEvent*>(event);
    const bool input = x.type == GenericEvent && x.xcookie.extension == inputOpcode;
    if (input && x.xcookie.evtype == XI_RawMotion) {
        motions.fetch_add(1, std::memory_order_release);
        return GDK_FILTER_REMOVE; // GDK has no use for raw events
    }
    if ((input && (x.xcookie.evtype == XI_Motion || x.xcookie.evtype == XI_Enter ||
                   x.xcookie.evtype == XI_Leave)) ||
        x.type == MotionNotify || x.type == EnterNotify || x.type == LeaveNotify)
        motions.fetch_add(1, std::memory_order_release);
    return GDK_FILTER_CONTINUE;
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
    gdk_window_add_filter(nullptr, onMotion, nullptr);
    counted = true;
}

bool pointerMotionCounted() {
    return counted;
}

std::uint64_t pointerMotionCount() {
    return motions.load(std::memory_order_acquire);
}

} // namespace voxtrel::display::gtk
