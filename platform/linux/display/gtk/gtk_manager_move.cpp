#include "platform/linux/display/gtk/gtk_manager_move.h"

#include "platform/linux/display/gtk/gtk_density.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <gdk/gdkx.h>

#include <cstring>

namespace voxtrel::display::gtk {

namespace {

constexpr long kMoveResizeMove = 8;    // _NET_WM_MOVERESIZE_MOVE
constexpr long kSourceApplication = 1; // a request from a normal application

// XWayland says who it is with an extension of its own from its version 23.1; every version
// names its outputs XWAYLAND0, XWAYLAND1 and so on.
bool isXWayland(::Display* x) {
    int opcode = 0, event = 0, error = 0;
    if (XQueryExtension(x, "XWAYLAND", &opcode, &event, &error) != 0)
        return true;
    if (XRRQueryExtension(x, &event, &error) == 0)
        return false;
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(x, DefaultRootWindow(x));
    if (resources == nullptr)
        return false;
    bool named = false;
    for (int index = 0; index < resources->noutput && !named; ++index) {
        if (XRROutputInfo* output = XRRGetOutputInfo(x, resources, resources->outputs[index])) {
            named = std::strncmp(output->name, "XWAYLAND", 8) == 0;
            XRRFreeOutputInfo(output);
        }
    }
    XRRFreeScreenResources(resources);
    return named;
}

} // namespace

bool managerShouldMove(GdkWindow* window) {
    // One display for the program's life: asked once.
    static const bool xwayland = isXWayland(GDK_WINDOW_XDISPLAY(window));
    return xwayland;
}

bool beginManagerMove(GdkWindow* window, const GdkEventButton* event) {
    GdkScreen* screen = gdk_window_get_screen(window);
    if (!gdk_x11_screen_supports_net_wm_hint(screen,
                                             gdk_atom_intern_static_string("_NET_WM_MOVERESIZE")))
        return false;
    // The manager takes the pointer only once the program has let go of its own hold on it,
    // the implicit grab of the press: in GDK's account and at the server.
    gdk_seat_ungrab(gdk_display_get_default_seat(gdk_window_get_display(window)));
    ::Display* x = GDK_WINDOW_XDISPLAY(window);
    XEvent message;
    std::memset(&message, 0, sizeof message);
    message.xclient.type = ClientMessage;
    message.xclient.window = GDK_WINDOW_XID(window);
    message.xclient.message_type = XInternAtom(x, "_NET_WM_MOVERESIZE", False);
    message.xclient.format = 32;
    message.xclient.data.l[0] = toDevice(event->x_root);
    message.xclient.data.l[1] = toDevice(event->y_root);
    message.xclient.data.l[2] = kMoveResizeMove;
    message.xclient.data.l[3] = static_cast<long>(event->button);
    message.xclient.data.l[4] = kSourceApplication;
    XUngrabPointer(x, event->time);
    XSendEvent(x, GDK_WINDOW_XID(gdk_screen_get_root_window(screen)), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &message);
    XFlush(x);
    return true;
}

} // namespace voxtrel::display::gtk
