// Screen and pointer queries of the X11 backend over a private Xlib connection, so that any
// thread may ask without going through the display thread. The root window spans every monitor.
// A change of its size or of its monitors (RandR: a monitor added or removed, a new
// resolution) is told to every window as WM_DISPLAYCHANGE.
#include "platform/linux/display/gtk/gtk_display.h"
#include "platform/linux/display/gtk/gtk_density.h"
#include "platform/linux/display/gtk/gtk_loop.h"
#include "platform/linux/display/gtk/gtk_pointer_motion.h"


#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <chrono>
#include <cstdint>
#include <mutex>

namespace voxtrel::display::gtk {

struct GtkDisplay::Connection {
    std::mutex mutex;
    ::Display* x = nullptr;
    // The pointer as last read, with the motion count before the read and the time of it.
    POINT pointer{};
    std::uint64_t motionsAtRead = 0;
    std::chrono::steady_clock::time_point readAt;
    bool pointerRead = false;
};

namespace {

// Display thread: GDK has seen the root window's new size.
void onScreenSizeChanged(GdkScreen* screen, gpointer) {
    GdkWindow* root = gdk_screen_get_root_window(screen);
    display::deliverDisplayChange(gdk_window_get_width(root) * windowScale(),
                               gdk_window_get_height(root) * windowScale());
}

// GDK emits neither signal once monitors have been set by hand (RandR 1.5 `xrandr
// --setmonitor`), however the screen changes: the root window's own ConfigureNotify is watched
// as well, and a new size told once.
GdkFilterReturn onRootConfigured(GdkXEvent* event, GdkEvent*, gpointer) {
    static int lastWidth = -1, lastHeight = -1;
    const auto* x = static_cast<const XEvent*>(event);
    if (x->type != ConfigureNotify || x->xconfigure.window != x->xconfigure.event)
        return GDK_FILTER_CONTINUE; // a child's, seen through the root's substructure
    if (x->xconfigure.width != lastWidth || x->xconfigure.height != lastHeight) {
        lastWidth = x->xconfigure.width;
        lastHeight = x->xconfigure.height;
        display::deliverDisplayChange(lastWidth, lastHeight);
    }
    return GDK_FILTER_CONTINUE;
}

} // namespace

void watchScreenSize() {
    g_signal_connect(gdk_screen_get_default(), "size-changed", G_CALLBACK(onScreenSizeChanged),
                     nullptr);
    g_signal_connect(gdk_screen_get_default(), "monitors-changed", G_CALLBACK(onScreenSizeChanged),
                     nullptr);
    watchRootEvents(StructureNotifyMask, onRootConfigured);
}

GtkDisplay::GtkDisplay() : connection_(new Connection) {
    connection_->x = XOpenDisplay(nullptr);
}

GtkDisplay::~GtkDisplay() {
    if (connection_->x != nullptr)
        XCloseDisplay(connection_->x);
    delete connection_;
}

Size GtkDisplay::screenSize() {
    std::lock_guard<std::mutex> lock(connection_->mutex);
    if (connection_->x == nullptr)
        return kFallbackScreenSize;
    // Asked of the server each time: the root window grows and shrinks with RandR changes,
    // which the cached DisplayWidth/DisplayHeight values do not follow.
    ::Window root = DefaultRootWindow(connection_->x);
    ::Window ignoredRoot;
    int ignoredX, ignoredY;
    unsigned int width, height, ignoredBorder, ignoredDepth;
    if (!XGetGeometry(connection_->x, root, &ignoredRoot, &ignoredX, &ignoredY, &width, &height,
                      &ignoredBorder, &ignoredDepth))
        return kFallbackScreenSize;
    return {static_cast<int>(width), static_cast<int>(height)};
}

std::vector<RECT> GtkDisplay::monitors() {
    std::vector<RECT> found;
    {
        std::lock_guard<std::mutex> lock(connection_->mutex);
        int eventBase = 0, errorBase = 0, count = 0;
        if (connection_->x != nullptr &&
            XRRQueryExtension(connection_->x, &eventBase, &errorBase)) {
            if (XRRMonitorInfo* info = XRRGetMonitors(
                    connection_->x, DefaultRootWindow(connection_->x), True, &count)) {
                for (int i = 0; i < count; ++i) {
                    const RECT rect = {info[i].x, info[i].y, info[i].x + info[i].width,
                                       info[i].y + info[i].height};
                    // The primary monitor first, as Windows lists it.
                    found.insert(info[i].primary ? found.begin() : found.end(), rect);
                }
                XRRFreeMonitors(info);
            }
        }
    }
    if (found.empty()) {
        const Size screen = screenSize();
        found.push_back({0, 0, screen.width, screen.height});
    }
    return found;
}

UINT GtkDisplay::dotsPerInch() {
    if (!displayThreadRunning())
        return gtk::dotsPerInch(nullptr);
    std::lock_guard<std::mutex> lock(connection_->mutex);
    return gtk::dotsPerInch(connection_->x);
}

// A pointer moved without a motion that is counted (warped by a program away from the program's
// windows, or the screen changed under it) is read again after this long at the latest.
constexpr auto kPointerReadAgainAfter = std::chrono::milliseconds(250);

POINT GtkDisplay::pointerPosition() {
    std::lock_guard<std::mutex> lock(connection_->mutex);
    if (connection_->x == nullptr)
        return {kFallbackScreenSize.width / 2, kFallbackScreenSize.height / 2};
    // Unmoved since the last read: that position still holds, without asking the server.
    const auto now = std::chrono::steady_clock::now();
    const std::uint64_t motions = pointerMotionCount();
    if (connection_->pointerRead && pointerMotionCounted() &&
        motions == connection_->motionsAtRead && now - connection_->readAt < kPointerReadAgainAfter)
        return connection_->pointer;
    ::Window root = DefaultRootWindow(connection_->x), child;
    int rootX = 0, rootY = 0, windowX, windowY;
    unsigned int buttons;
    XQueryPointer(connection_->x, root, &root, &child, &rootX, &rootY, &windowX, &windowY,
                  &buttons);
    connection_->pointer = {rootX, rootY};
    connection_->motionsAtRead = motions; // a motion during the read makes the next one ask
    connection_->readAt = now;
    connection_->pointerRead = true;
    return connection_->pointer;
}

} // namespace voxtrel::display::gtk
