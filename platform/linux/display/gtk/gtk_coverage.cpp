// Whether other windows wholly cover a shown window, so that nobody can see what it would draw.
// The X server could say so, but it redirects ARGB windows itself and then tells them nothing,
// neither visibility nor exposure: the stacking order is read instead, with the windows above
// each one and their bounding shapes taken from its own shape. It is read again whenever a
// window on the desktop is mapped, unmapped, moved, resized or restacked, and once a second for
// what comes without an event (a change of shape). With a compositor every window counts as
// seen, since those above it may be translucent.
#include "platform/linux/display/gtk/gtk_loop.h"
#include "platform/linux/display/gtk/gtk_windows.h"
#include "platform/linux/display/gtk/gtk_x_errors.h"


#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <vector>

namespace voxtrel::display::gtk {

namespace {

constexpr guint kCoveragePollMs = 1000;
constexpr guint kCoverageSettleMs = 100;
bool readScheduled = false;

// The child of the root that holds `window`: itself, or the window manager's frame.
::Window topLevelOf(::Display* x, ::Window window, ::Window root) {
    for (;;) {
        ::Window rootReturn = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(x, window, &rootReturn, &parent, &children, &count) == 0)
            return 0;
        if (children != nullptr)
            XFree(children);
        if (parent == root || parent == 0)
            return window;
        window = parent;
    }
}

// The part of the screen a child of the root shows, its bounding shape where it has one; null
// when it shows nothing (unmapped, or input only).
Region shownArea(::Display* x, ::Window window) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(x, window, &attributes) == 0 || attributes.map_state != IsViewable ||
        attributes.c_class == InputOnly)
        return nullptr;
    Region area = XCreateRegion();
    const int originX = attributes.x + attributes.border_width;
    const int originY = attributes.y + attributes.border_width;
    Bool shaped = False, clipShaped = False;
    int ignored = 0;
    unsigned int ignoredSize = 0;
    XRectangle* rectangles = nullptr;
    int count = 0, ordering = 0;
    if (XShapeQueryExtents(x, window, &shaped, &ignored, &ignored, &ignoredSize, &ignoredSize,
                           &clipShaped, &ignored, &ignored, &ignoredSize, &ignoredSize) != 0 &&
        shaped != False)
        rectangles = XShapeGetRectangles(x, window, ShapeBounding, &count, &ordering);
    if (rectangles != nullptr) {
        for (int i = 0; i < count; ++i) {
            XRectangle placed = rectangles[i];
            placed.x = static_cast<short>(placed.x + originX);
            placed.y = static_cast<short>(placed.y + originY);
            XUnionRectWithRegion(&placed, area, area);
        }
        XFree(rectangles);
    } else if (shaped == False) {
        XRectangle whole = {
            static_cast<short>(attributes.x), static_cast<short>(attributes.y),
            static_cast<unsigned short>(attributes.width + 2 * attributes.border_width),
            static_cast<unsigned short>(attributes.height + 2 * attributes.border_width)};
        XUnionRectWithRegion(&whole, area, area);
    }
    return area;
}

void readCoverageOf(GdkDisplay* display, const std::vector<ShownWindow>& shown) {
    ::Display* x = GDK_DISPLAY_XDISPLAY(display);
    const ::Window root = DefaultRootWindow(x);
    ::Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(x, root, &rootReturn, &parent, &children, &count) == 0)
        return;
    const std::vector<::Window> stacking(children, children + count); // bottom to top
    if (children != nullptr)
        XFree(children);
    // Each child's area, read once for all the windows it may cover.
    std::vector<Region> areas(stacking.size(), nullptr);
    std::vector<bool> read(stacking.size(), false);
    auto areaAt = [&](std::size_t index) {
        if (!read[index]) {
            areas[index] = shownArea(x, stacking[index]);
            read[index] = true;
        }
        return areas[index];
    };

    for (const ShownWindow& window : shown) {
        const ::Window top = topLevelOf(x, window.xid, root);
        const auto at = std::find(stacking.begin(), stacking.end(), top);
        bool covered = false;
        if (at != stacking.end()) {
            Region visible = XCreateRegion();
            if (Region own = areaAt(static_cast<std::size_t>(at - stacking.begin())))
                XUnionRegion(own, visible, visible);
            const bool showsSomething = XEmptyRegion(visible) == False;
            for (auto above = at + 1; above != stacking.end() && XEmptyRegion(visible) == False;
                 ++above) {
                if (Region cover = areaAt(static_cast<std::size_t>(above - stacking.begin())))
                    XSubtractRegion(visible, cover, visible);
            }
            covered = showsSomething && XEmptyRegion(visible) != False;
            XDestroyRegion(visible);
        }
        display::deliverObscured(window.hwnd, covered);
    }
    for (Region area : areas) {
        if (area != nullptr)
            XDestroyRegion(area);
    }
}

gboolean readCoverage(gpointer) {
    readScheduled = false;
    const std::vector<ShownWindow> shown = shownWindows();
    if (shown.empty())
        return G_SOURCE_CONTINUE;
    GdkDisplay* display = gdk_display_get_default();
    if (gdk_screen_is_composited(gdk_screen_get_default())) {
        for (const ShownWindow& window : shown)
            display::deliverObscured(window.hwnd, false);
        return G_SOURCE_CONTINUE;
    }
    // Other programs' windows may go while they are read: such errors are expected, not faults.
    ExpectedErrors trap(display);
    readCoverageOf(display, shown);
    return G_SOURCE_CONTINUE;
}

// A change among the desktop's windows: the coverage is read again shortly. A cursor dragged or
// zoomed moves every frame; the changes of a moment are read once, not once a frame.
GdkFilterReturn onRootEvent(GdkXEvent* native, GdkEvent*, gpointer) {
    const auto* event = static_cast<const XEvent*>(native);
    switch (event->type) {
    case MapNotify:
    case UnmapNotify:
    case ConfigureNotify:
    case CirculateNotify:
    case DestroyNotify:
        if (!readScheduled) {
            readScheduled = true;
            g_timeout_add(
                kCoverageSettleMs,
                [](gpointer) -> gboolean {
                    readCoverage(nullptr);
                    return G_SOURCE_REMOVE;
                },
                nullptr);
        }
        break;
    default:
        break;
    }
    return GDK_FILTER_CONTINUE;
}

} // namespace

void watchCoverage() {
    watchRootEvents(SubstructureNotifyMask, onRootEvent);
    g_timeout_add(kCoveragePollMs, readCoverage, nullptr);
}

} // namespace voxtrel::display::gtk
