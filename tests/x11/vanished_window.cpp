#include "tests/x11/vanished_window.h"

#include "platform/linux/display/gtk/gtk_loop.h"
#include "platform/linux/display/gtk/gtk_server_image.h"

#include <X11/Xlib.h>
#include <gdk/gdkx.h>

#include <future>

namespace voxtrel::testing_support {

void addressAVanishedWindowOfAnotherProgram() {
    ::Display* other = XOpenDisplay(nullptr);
    if (other == nullptr)
        return;
    const ::Window gone =
        XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 10, 10, 0, 0, 0);
    const Pixmap goneBackground = XCreatePixmap(other, gone, 4, 4, DefaultDepth(other, 0));
    XSync(other, False);
    XCloseDisplay(other);

    std::promise<void> answered;
    display::gtk::onDisplayThread([gone, goneBackground, &answered] {
        ::Display* x = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
        XSelectInput(x, gone, StructureNotifyMask);
        XFreePixmap(x, goneBackground);
        XSync(x, False);
        answered.set_value();
    });
    answered.get_future().wait();
}

void destroyAsAnotherProgram(unsigned long xid) {
    ::Display* other = XOpenDisplay(nullptr);
    if (other == nullptr)
        return;
    XDestroyWindow(other, xid);
    XSync(other, False);
    XCloseDisplay(other);
}

void detachSharedPicturesOnTheServer() {
    std::promise<void> done;
    display::gtk::onDisplayThread([&done] {
        display::gtk::ServerImage::detachAllFromServer();
        done.set_value();
    });
    done.get_future().wait();
}

} // namespace voxtrel::testing_support
