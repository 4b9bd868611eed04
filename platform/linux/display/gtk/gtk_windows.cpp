// Real X11 windows for the layer's windows. A window gets its X window when it is first shown
// or given a frame: undecorated, placed and sized by the program, kept above and out of the
// taskbar as its extended style says. A layered frame becomes the window's pixels, in an ARGB
// window wherever the screen has the visual for one: written into a shared-memory image and put
// straight on the window where the server offers that, drawn by GTK from a cairo surface
// otherwise. Without a compositor the colour key
// becomes the bounding and input shape; with one, the key pixels are transparent, the bounding
// shape is left unset and only the input shape follows the picture. Windows switch between the
// two as a compositor starts or stops (GDK follows the _NET_WM_CM_S0 selection), and ask
// compositors for no shadow: a solid casts no rectangle. Does not implement: non-layered
// window content (such windows show an empty surface), pointer shapes.
#include "platform/linux/display/gtk/gtk_windows.h"
#include "platform/linux/display/frame_pixels.h"

#include "platform/linux/display/gtk/gtk_density.h"
#include "platform/linux/display/gtk/gtk_icons.h"
#include "platform/linux/display/gtk/gtk_loop.h"
#include "platform/linux/display/gtk/gtk_manager_move.h"
#include "platform/linux/display/gtk/gtk_server_image.h"
#include "platform/linux/display/gtk/gtk_x_errors.h"

#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace voxtrel::display::gtk {

namespace {

// With a compositor the input shape matters only where the pointer can click: it follows the
// picture only while the pointer is over the window, and then at most this often. Every change
// of shape costs the compositor as much as several frames.
constexpr auto kCompositedInputShapePeriod = std::chrono::milliseconds(100);
constexpr int kWheelStep = 120; // WHEEL_DELTA

struct XWindow {
    HWND hwnd = nullptr;
    WindowSnapshot state;
    GtkWidget* widget = nullptr;
    bool argb = false;       // has the screen's ARGB visual
    bool composited = false; // argb, and a compositor runs: shown through alpha, not a shape
    bool mapped = false;
    // Minimised by being withdrawn, where the window manager does not minimise it.
    bool withdrawnAsMinimized = false;
    // The shown picture in memory the server reads, where it offers that; a frame that comes
    // while the server still reads the last one waits for it (only the newest waits).
    std::unique_ptr<ServerImage> image;
    GC gc = nullptr;
    std::shared_ptr<const LayeredFrame> waiting;
    bool exposedWhileBusy = false;
    bool plain = false; // no shared memory for this window: the picture goes through cairo
    // The plain way's picture: premultiplied ARGB32 rows, the frame's own bytes.
    std::vector<std::uint8_t> pixels;
    int width = 0;
    int height = 0;
    cairo_surface_t* surface = nullptr;
    std::vector<ShapeRun> lastShape; // the last frame's shown pixels
    bool keyed = false;              // and whether it hides the others
    // The box of the shown pixels of the picture last put: outside it the server's picture of
    // the window is all transparent, so that the next put needs to cover only this box and the
    // next picture's.
    RECT putBox{};
    bool putBoxKnown = false;
    std::vector<ShapeRun> boundingShape;
    std::vector<ShapeRun> inputShape;
    bool shaped = false;
    std::chrono::steady_clock::time_point inputShapeApplied{};
    double opacity = 1.0;
    // Until when the opacity is set again with the frames, and when it last was.
    std::chrono::steady_clock::time_point opacityAgainUntil{};
    std::chrono::steady_clock::time_point opacityLastSet{};
    IconPicture icon; // the one last set, compared by its pointer
    // A drag the window manager makes (gtk_manager_move.h), and until when a place the program
    // asked for before it ended is still on its way and must not move the window back.
    bool managerMoving = false;
    std::chrono::steady_clock::time_point managerMoveSettles{};
    // Destroyed under the program by another X client: never made again, only forgotten.
    bool vanished = false;
};

// Display thread only; never destroyed, as the thread runs until the process ends.
std::map<HWND, XWindow*>& windows() {
    static auto* all = new std::map<HWND, XWindow*>;
    return *all;
}

XWindow* findWindow(HWND hwnd) {
    auto found = windows().find(hwnd);
    return found != windows().end() ? found->second : nullptr;
}

bool sameRuns(const std::vector<ShapeRun>& a, const std::vector<ShapeRun>& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](const ShapeRun& x, const ShapeRun& y) {
               return x.y == y.y && x.x0 == y.x0 && x.x1 == y.x1;
           });
}

void applyShape(XWindow& window, int kind, const std::vector<ShapeRun>& runs) {
    GdkWindow* gdkWindow = gtk_widget_get_window(window.widget);
    ::Display* x = GDK_WINDOW_XDISPLAY(gdkWindow);
    std::vector<XRectangle> rectangles;
    rectangles.reserve(runs.size());
    for (const ShapeRun& run : runs)
        rectangles.push_back({static_cast<short>(run.x0), static_cast<short>(run.y),
                              static_cast<unsigned short>(run.x1 - run.x0), 1});
    // The runs come row by row, left to right: the order the server's fast path wants.
    XShapeCombineRectangles(x, GDK_WINDOW_XID(gdkWindow), kind, 0, 0, rectangles.data(),
                            static_cast<int>(rectangles.size()), ShapeSet, YXBanded);
}

UINT virtualKeyOf(guint keyval) {
    switch (keyval) {
    case GDK_KEY_Escape:
        return VK_ESCAPE;
    case GDK_KEY_Menu:
        return VK_APPS;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
        return VK_RETURN;
    case GDK_KEY_space:
        return VK_SPACE;
    case GDK_KEY_Tab:
        return VK_TAB;
    case GDK_KEY_BackSpace:
        return VK_BACK;
    case GDK_KEY_F10:
        return VK_F10;
    default:
        break;
    }
    const guint upper = gdk_keyval_to_upper(keyval);
    if ((upper >= 'A' && upper <= 'Z') || (upper >= '0' && upper <= '9'))
        return upper;
    return 0;
}

HWND hwndOf(GtkWidget* widget) {
    return static_cast<HWND>(g_object_get_data(G_OBJECT(widget), "voxtrel-hwnd"));
}

// A point GDK gives in its units, in the screen's device pixels.
POINT screenPoint(double xRoot, double yRoot) {
    return {toDevice(xRoot), toDevice(yRoot)};
}

// Hands the drag a press may start to the window manager, where it should make the moves.
bool handOverDrag(XWindow& window, const GdkEventButton* event) {
    GdkWindow* gdkWindow = gtk_widget_get_window(window.widget);
    if (window.managerMoving || !managerShouldMove(gdkWindow) ||
        !beginManagerMove(gdkWindow, event))
        return false;
    window.managerMoving = true;
    display::deliverManagerMoveStart(window.hwnd);
    return true;
}

void endManagerMove(XWindow& window) {
    if (!window.managerMoving)
        return;
    window.managerMoving = false;
    // A frame drawn before the program heard of the last move may still ask for the old place.
    constexpr auto kSettling = std::chrono::milliseconds(300);
    window.managerMoveSettles = std::chrono::steady_clock::now() + kSettling;
    display::deliverManagerMoveEnd(window.hwnd);
}

gboolean onButton(GtkWidget* widget, GdkEventButton* event, gpointer) {
    // Double-clicks are the layer's to recognise, from the plain presses.
    if (event->type != GDK_BUTTON_PRESS && event->type != GDK_BUTTON_RELEASE)
        return TRUE;
    const bool down = event->type == GDK_BUTTON_PRESS;
    display::PointerEvent kind;
    switch (event->button) {
    case 1:
        kind = down ? display::PointerEvent::LeftDown : display::PointerEvent::LeftUp;
        break;
    case 2:
        kind = down ? display::PointerEvent::MiddleDown : display::PointerEvent::MiddleUp;
        break;
    case 3:
        kind = down ? display::PointerEvent::RightDown : display::PointerEvent::RightUp;
        break;
    default:
        return TRUE;
    }
    const HWND hwnd = hwndOf(widget);
    const POINT point = screenPoint(event->x_root, event->y_root);
    display::deliverPointer(hwnd, kind, point);
    XWindow* window = findWindow(hwnd);
    if (window == nullptr)
        return TRUE;
    if (!down) {
        endManagerMove(*window);
    } else if (event->button != 3 && handOverDrag(*window, event)) {
        // The manager holds the pointer from here: for the program the press ends where it
        // began, and the window's moves come from the manager.
        display::deliverPointer(
            hwnd, event->button == 1 ? display::PointerEvent::LeftUp : display::PointerEvent::MiddleUp,
            point);
    }
    return TRUE;
}

gboolean onMotion(GtkWidget* widget, GdkEventMotion* event, gpointer) {
    const HWND hwnd = hwndOf(widget);
    // The manager may keep the release of its drag to itself: a motion with no button down
    // says that it is over.
    XWindow* window = findWindow(hwnd);
    if (window != nullptr && (event->state & (GDK_BUTTON1_MASK | GDK_BUTTON2_MASK)) == 0)
        endManagerMove(*window);
    display::deliverPointer(hwnd, display::PointerEvent::Move, screenPoint(event->x_root, event->y_root));
    return TRUE;
}

// Where the manager put a window it moves: the window's rectangle follows.
gboolean onConfigure(GtkWidget* widget, GdkEventConfigure* event, gpointer) {
    XWindow* window = findWindow(hwndOf(widget));
    if (window != nullptr && window->managerMoving) {
        const POINT topLeft = screenPoint(event->x, event->y);
        RECT& rect = window->state.rect;
        rect = {topLeft.x, topLeft.y, topLeft.x + (rect.right - rect.left),
                topLeft.y + (rect.bottom - rect.top)};
        display::deliverManagerMoved(window->hwnd, topLeft);
    }
    return FALSE; // GTK keeps its own account of the window's place
}

gboolean onScroll(GtkWidget* widget, GdkEventScroll* event, gpointer) {
    int delta = 0;
    if (event->direction == GDK_SCROLL_UP)
        delta = kWheelStep;
    else if (event->direction == GDK_SCROLL_DOWN)
        delta = -kWheelStep;
    else
        return TRUE;
    display::deliverPointer(hwndOf(widget), display::PointerEvent::Wheel,
                         screenPoint(event->x_root, event->y_root), delta);
    return TRUE;
}

gboolean onKey(GtkWidget*, GdkEventKey* event, gpointer) {
    if (const UINT key = virtualKeyOf(event->keyval))
        display::deliverKey(key, event->type == GDK_KEY_PRESS);
    return TRUE;
}

// The box of the last frame's shown pixels; the whole window where it hides none.
RECT shownBox(const XWindow& window) {
    if (!window.keyed)
        return {0, 0, window.width, window.height};
    RECT box{window.width, window.height, 0, 0};
    for (const ShapeRun& run : window.lastShape) {
        box.left = std::min<LONG>(box.left, run.x0);
        box.right = std::max<LONG>(box.right, run.x1);
        box.top = std::min<LONG>(box.top, run.y);
        box.bottom = std::max<LONG>(box.bottom, run.y + 1);
    }
    return box.left < box.right ? box : RECT{0, 0, 0, 0};
}

// Puts the block `part` of the window's image, where it has one.
void putImagePart(XWindow& window, const RECT& part) {
    window.putBox = shownBox(window);
    window.putBoxKnown = true;
    if (part.right <= part.left || part.bottom <= part.top)
        return;
    GdkWindow* gdkWindow = gtk_widget_get_window(window.widget);
    if (window.gc == nullptr)
        window.gc =
            XCreateGC(GDK_WINDOW_XDISPLAY(gdkWindow), GDK_WINDOW_XID(gdkWindow), 0, nullptr);
    window.image->put(GDK_WINDOW_XID(gdkWindow), window.gc, part.left, part.top,
                      part.right - part.left, part.bottom - part.top);
}

// Puts the window's whole image: for what the server lost, or a window of a new size.
void putImage(XWindow& window) {
    putImagePart(window, {0, 0, window.width, window.height});
}

// Puts what changed with a new frame of the same size: the box of its shown pixels, and the
// box of the last picture's, which becomes transparent where the new one shows nothing.
void putNewFrame(XWindow& window, int lastWidth, int lastHeight) {
    if (!window.putBoxKnown || lastWidth != window.width || lastHeight != window.height) {
        putImage(window);
        return;
    }
    const RECT last = window.putBox;
    RECT part = shownBox(window);
    if (last.right > last.left) {
        if (part.right <= part.left) {
            part = last;
        } else {
            part = {std::min(part.left, last.left), std::min(part.top, last.top),
                    std::max(part.right, last.right), std::max(part.bottom, last.bottom)};
        }
    }
    putImagePart(window, part);
}

gboolean onDraw(GtkWidget* widget, cairo_t* cr, gpointer) {
    XWindow* window = findWindow(hwndOf(widget));
    if (window != nullptr && window->image != nullptr) {
        // The server lost part of the picture (mapped, uncovered, resized): it is put again,
        // or once more after the put under way if the server might have lost that one's.
        if (window->image->busy())
            window->exposedWhileBusy = true;
        else
            putImage(*window);
        return TRUE;
    }
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    if (window != nullptr && window->surface != nullptr) {
        cairo_set_source_surface(cr, window->surface, 0, 0);
    } else {
        cairo_set_source_rgba(cr, 0, 0, 0, 0);
    }
    cairo_paint(cr);
    return TRUE;
}

// Files dropped from a file manager: local file URIs become paths, anything else is passed
// over; the drop point is the window's origin plus the point within it.
void onDropData(GtkWidget* widget, GdkDragContext*, gint x, gint y, GtkSelectionData* data, guint,
                guint) {
    std::vector<std::string> paths;
    if (gchar** uris = gtk_selection_data_get_uris(data)) {
        for (gchar** uri = uris; *uri != nullptr; ++uri) {
            if (gchar* path = g_filename_from_uri(*uri, nullptr, nullptr)) {
                paths.emplace_back(path);
                g_free(path);
            }
        }
        g_strfreev(uris);
    }
    if (paths.empty())
        return;
    // The origin from the server in device pixels: GDK's, in its units, may be half a unit off.
    GdkWindow* gdkWindow = gtk_widget_get_window(widget);
    ::Display* display = GDK_WINDOW_XDISPLAY(gdkWindow);
    int originX = 0, originY = 0;
    ::Window child = 0;
    XTranslateCoordinates(display, GDK_WINDOW_XID(gdkWindow), DefaultRootWindow(display), 0, 0,
                          &originX, &originY, &child);
    static_cast<void>(display::deliverDrop(hwndOf(widget), paths,
                                         POINT{originX + toDevice(x), originY + toDevice(y)}));
}

void applyStyle(XWindow& window) {
    GtkWindow* gtkWindow = GTK_WINDOW(window.widget);
    const DWORD exStyle = window.state.exStyle;
    gtk_window_set_keep_above(gtkWindow, (exStyle & WS_EX_TOPMOST) != 0);
    // As on Windows: a window that cannot be activated, or a tool window, has no taskbar
    // button unless it asks for one.
    const bool button =
        (exStyle & WS_EX_APPWINDOW) != 0 || (exStyle & (WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW)) == 0;
    gtk_window_set_skip_taskbar_hint(gtkWindow, !button);
    gtk_window_set_skip_pager_hint(gtkWindow, !button);
    // GTK passes these two on only when they change; asked again of a mapped window, they go
    // to the manager as requests whatever GTK last thought, as "above" does.
    if (GdkWindow* gdkWindow = gtk_widget_get_window(window.widget)) {
        gdk_window_set_skip_taskbar_hint(gdkWindow, !button);
        gdk_window_set_skip_pager_hint(gdkWindow, !button);
    }
    gtk_window_set_focus_on_map(gtkWindow, (exStyle & WS_EX_NOACTIVATE) == 0);
}

void applyIcon(XWindow& window) {
    if (window.icon == window.state.icon)
        return;
    window.icon = window.state.icon;
    if (GdkPixbuf* picture = pixbufOfIcon(window.icon)) {
        gtk_window_set_icon(GTK_WINDOW(window.widget), picture);
        g_object_unref(picture);
    }
}

// The fixed size of a window that GTK no longer sizes, to the pixel, in its normal hints.
void fixSizeInDevicePixels(::Display* x, ::Window xid, int width, int height) {
    XSizeHints hints{};
    long supplied = 0;
    if (XGetWMNormalHints(x, xid, &hints, &supplied) == 0)
        hints = {};
    hints.flags |= PMinSize | PMaxSize;
    hints.min_width = hints.max_width = width;
    hints.min_height = hints.max_height = height;
    XSetWMNormalHints(x, xid, &hints);
}

// GTK places and sizes a window in its units. Where a unit spans several device pixels, a
// window made already is placed by the server itself, to the pixel; GTK takes the size the
// server then reports, and is not asked again, lest it put back a place of its own units.
void applyGeometry(XWindow& window) {
    const RECT& rect = window.state.rect;
    const int width = std::max<int>(1, rect.right - rect.left);
    const int height = std::max<int>(1, rect.bottom - rect.top);
    // While the manager drags the window, its place is the manager's.
    const bool placed =
        window.managerMoving || std::chrono::steady_clock::now() < window.managerMoveSettles;
    if (windowScale() > 1 && gtk_widget_get_realized(window.widget)) {
        GdkWindow* gdkWindow = gtk_widget_get_window(window.widget);
        ::Display* x = GDK_WINDOW_XDISPLAY(gdkWindow);
        fixSizeInDevicePixels(x, GDK_WINDOW_XID(gdkWindow), width, height);
        if (placed)
            XResizeWindow(x, GDK_WINDOW_XID(gdkWindow), static_cast<unsigned>(width),
                          static_cast<unsigned>(height));
        else
            XMoveResizeWindow(x, GDK_WINDOW_XID(gdkWindow), rect.left, rect.top,
                              static_cast<unsigned>(width), static_cast<unsigned>(height));
        return;
    }
    // The size only the program changes: tiling managers (sway) float a window whose smallest
    // and largest sizes are one, rather than stretch it over their tile.
    GdkGeometry fixed{};
    fixed.min_width = fixed.max_width = toGdkLength(width);
    fixed.min_height = fixed.max_height = toGdkLength(height);
    gtk_window_set_geometry_hints(
        GTK_WINDOW(window.widget), nullptr, &fixed,
        static_cast<GdkWindowHints>(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE));
    if (!placed)
        gtk_window_move(GTK_WINDOW(window.widget), toGdkPosition(rect.left),
                        toGdkPosition(rect.top));
    gtk_window_resize(GTK_WINDOW(window.widget), toGdkLength(width), toGdkLength(height));
}

void setCardinals(GdkWindow* gdkWindow, const char* name, const std::vector<long>& values) {
    ::Display* x = GDK_WINDOW_XDISPLAY(gdkWindow);
    XChangeProperty(x, GDK_WINDOW_XID(gdkWindow), XInternAtom(x, name, False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(values.data()),
                    static_cast<int>(values.size()));
}

// Compositors draw a shadow under the window's rectangle, a dark box around a solid. Frame
// extents of nothing say that the window draws its own frame and shadow (Mutter, Xfwm4 and
// picom's usual configuration leave such windows alone); _COMPTON_SHADOW 0 turns picom's and
// compton's shadow off whatever their configuration.
void askForNoShadow(GdkWindow* gdkWindow) {
    setCardinals(gdkWindow, "_GTK_FRAME_EXTENTS", {0, 0, 0, 0});
    setCardinals(gdkWindow, "_COMPTON_SHADOW", {0});
}

// Mutter reads a window's opacity only from a change of the property once it has taken the
// window in, which under XWayland comes some time after the map: an opacity set before, at
// the first map or at each map after a minimise, is ignored. So it is set again with the
// frames for a while after every map.
constexpr auto kOpacityAgainFor = std::chrono::seconds(2);
constexpr auto kOpacityAgainEvery = std::chrono::milliseconds(250);

void reapplyOpacity(GtkWidget* widget) {
    if (XWindow* window = findWindow(hwndOf(widget)))
        window->opacityAgainUntil = std::chrono::steady_clock::now() + kOpacityAgainFor;
}

void keepOpacityAfterMap(XWindow& window) {
    const auto now = std::chrono::steady_clock::now();
    if (window.opacity >= 1.0 || now > window.opacityAgainUntil ||
        now - window.opacityLastSet < kOpacityAgainEvery)
        return;
    // Written straight to the server: GDK may take an unchanged opacity for no change at all.
    setCardinals(gtk_widget_get_window(window.widget), "_NET_WM_WINDOW_OPACITY",
                 {static_cast<long>(static_cast<unsigned long>(window.opacity * 0xffffffffUL))});
    window.opacityLastSet = now;
}

// picom reads _COMPTON_SHADOW from the top-level window, which is the window manager's frame
// once it has put the window in one; an undecorated frame shows nothing of its own.
gboolean onMapped(GtkWidget* widget, GdkEvent*, gpointer) {
    reapplyOpacity(widget);
    // A manager that took the withdraw just before this map may have dropped the states asked
    // for with it: they are asked for again, now as requests to the manager.
    if (XWindow* window = findWindow(hwndOf(widget)))
        applyStyle(*window);
    GdkWindow* gdkWindow = gtk_widget_get_window(widget);
    ::Display* x = GDK_WINDOW_XDISPLAY(gdkWindow);
    ::Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(x, GDK_WINDOW_XID(gdkWindow), &root, &parent, &children, &count) == 0)
        return FALSE;
    if (children != nullptr)
        XFree(children);
    if (parent != 0 && parent != root) {
        const long none = 0;
        XChangeProperty(x, parent, XInternAtom(x, "_COMPTON_SHADOW", False), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&none), 1);
    }
    return FALSE;
}

// Lets go of what the server holds for the window's pictures: its shared image and its GC.
void releaseServerPicture(XWindow& window) {
    window.image.reset();
    window.waiting.reset();
    if (window.gc != nullptr)
        XFreeGC(gdk_x11_display_get_xdisplay(gdk_display_get_default()), window.gc);
    window.gc = nullptr;
}

// GTK destroys a top-level whose X window another client destroyed ("GdkWindow unexpectedly
// destroyed"). Nothing here may touch it again: the window closes as it would from its menu.
void onWidgetDestroyed(GtkWidget* widget, gpointer) {
    XWindow* window = findWindow(hwndOf(widget));
    if (window == nullptr || window->widget != widget)
        return; // the layer's own destruction (forgetWindow) or a replaced widget
    std::fprintf(stderr, "voxtrel: window %p was destroyed by another program; it closes\n",
                 static_cast<void*>(window->hwnd));
    window->vanished = true;
    window->widget = nullptr;
    window->mapped = false;
    releaseServerPicture(*window);
    display::deliverVanished(window->hwnd);
}

void makeWidget(XWindow& window) {
    GtkWidget* widget = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    window.widget = widget;
    g_object_set_data(G_OBJECT(widget), "voxtrel-hwnd", window.hwnd);
    g_signal_connect(widget, "destroy", G_CALLBACK(onWidgetDestroyed), nullptr);
    GtkWindow* gtkWindow = GTK_WINDOW(widget);
    gtk_window_set_decorated(gtkWindow, FALSE);
    gtk_widget_set_app_paintable(widget, TRUE);
    // A layered window's picture goes straight to the X window: no intermediate surface of
    // GTK's is drawn and copied over it at each exposure.
    if ((window.state.exStyle & WS_EX_LAYERED) != 0) {
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        gtk_widget_set_double_buffered(widget, FALSE);
        G_GNUC_END_IGNORE_DEPRECATIONS
    }
    // An ARGB window serves both ways of showing a layered frame, so a compositor may come
    // and go without the window being made again.
    GdkScreen* screen = gtk_widget_get_screen(widget);
    if ((window.state.exStyle & WS_EX_LAYERED) != 0) {
        if (GdkVisual* visual = gdk_screen_get_rgba_visual(screen)) {
            gtk_widget_set_visual(widget, visual);
            window.argb = true;
            window.composited = gdk_screen_is_composited(screen);
        }
    }
    gtk_window_set_title(gtkWindow, window.state.title.c_str());
    gtk_widget_add_events(widget, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                      GDK_POINTER_MOTION_MASK | GDK_SCROLL_MASK |
                                      GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK);
    g_signal_connect(widget, "draw", G_CALLBACK(onDraw), nullptr);
    g_signal_connect(widget, "button-press-event", G_CALLBACK(onButton), nullptr);
    g_signal_connect(widget, "button-release-event", G_CALLBACK(onButton), nullptr);
    g_signal_connect(widget, "motion-notify-event", G_CALLBACK(onMotion), nullptr);
    g_signal_connect(widget, "scroll-event", G_CALLBACK(onScroll), nullptr);
    g_signal_connect(widget, "configure-event", G_CALLBACK(onConfigure), nullptr);
    g_signal_connect(widget, "key-press-event", G_CALLBACK(onKey), nullptr);
    g_signal_connect(widget, "key-release-event", G_CALLBACK(onKey), nullptr);
    // The window manager's close button is the layer's WM_CLOSE, which nothing here sends:
    // keep the window until the layer destroys it.
    g_signal_connect(widget, "delete-event", G_CALLBACK(gtk_true), nullptr);
    if ((window.state.exStyle & WS_EX_ACCEPTFILES) != 0) {
        static GtkTargetEntry uriList = {const_cast<gchar*>("text/uri-list"), 0, 0};
        gtk_drag_dest_set(widget, GTK_DEST_DEFAULT_ALL, &uriList, 1, GDK_ACTION_COPY);
        g_signal_connect(widget, "drag-data-received", G_CALLBACK(onDropData), nullptr);
    }
    applyStyle(window);
    applyIcon(window);
    applyGeometry(window);
    gtk_widget_realize(widget);
    if (window.argb)
        askForNoShadow(gtk_widget_get_window(widget));
    g_signal_connect(widget, "map-event", G_CALLBACK(onMapped), nullptr);
}

// Whether the window manager offers to minimise this (mapped) window. Mutter does not for a
// window kept out of the taskbar, and without a window manager nobody would.
bool managerMinimizes(GtkWidget* widget) {
    GdkWindow* gdkWindow = gtk_widget_get_window(widget);
    ::Display* x = GDK_WINDOW_XDISPLAY(gdkWindow);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, left = 0;
    unsigned char* data = nullptr;
    int status = 0;
    {
        ExpectedErrors trap(gtk_widget_get_display(widget));
        status = XGetWindowProperty(x, GDK_WINDOW_XID(gdkWindow),
                                    XInternAtom(x, "_NET_WM_ALLOWED_ACTIONS", False), 0, 64, False,
                                    XA_ATOM, &type, &format, &count, &left, &data);
    }
    bool allowed = false;
    if (status == Success && data != nullptr && format == 32) {
        const Atom minimize = XInternAtom(x, "_NET_WM_ACTION_MINIMIZE", False);
        const auto* atoms = reinterpret_cast<const Atom*>(data);
        allowed = std::find(atoms, atoms + count, minimize) != atoms + count;
    }
    if (data != nullptr)
        XFree(data);
    // A manager that says nothing of its actions (an older one) is trusted to minimise.
    return allowed || (status == Success && type == None &&
                       gdk_x11_screen_supports_net_wm_hint(
                           gtk_widget_get_screen(widget),
                           gdk_atom_intern_static_string("_NET_SUPPORTING_WM_CHECK")));
}

void applyVisibility(XWindow& window) {
    GtkWindow* gtkWindow = GTK_WINDOW(window.widget);
    if (!window.state.visible) {
        gtk_widget_hide(window.widget);
        window.mapped = false;
        window.putBoxKnown = false; // shown again, it is put whole
        return;
    }
    if (window.state.minimized) {
        if (window.withdrawnAsMinimized)
            return;
        if (!window.mapped || managerMinimizes(window.widget)) {
            gtk_window_iconify(gtkWindow);
        } else {
            // Hidden as a minimise hides it: a window left on the screen would stand frozen,
            // since a minimised cursor draws no more frames.
            gtk_widget_hide(window.widget);
            window.mapped = false;
            window.putBoxKnown = false; // shown again, it is put whole
            window.withdrawnAsMinimized = true;
            return;
        }
    } else {
        gtk_window_deiconify(gtkWindow);
    }
    window.withdrawnAsMinimized = false;
    if (!window.mapped) {
        // Window managers forget the states of a window they saw withdrawn ("above" among
        // them): it is mapped with them asked for again.
        applyStyle(window);
        gtk_widget_show(window.widget);
        window.mapped = true;
    }
}

guint32 serverTime(GtkWidget* widget) {
    return gdk_x11_get_server_time(gtk_widget_get_window(widget));
}

// Whether the pointer is over the window's rectangle: only there can a click need the input
// shape, and a shape left as it was costs the compositor nothing. Asked at every frame, of the
// position the backend keeps, which costs no round trip to the server while the pointer lies
// still.
bool pointerNear(const XWindow& window) {
    const POINT pointer = current().pointerPosition();
    const RECT& rect = window.state.rect;
    return pointer.x >= rect.left && pointer.x < rect.right && pointer.y >= rect.top &&
           pointer.y < rect.bottom;
}

// The shape the window's way of showing wants for its last frame.
void applyFrameShape(XWindow& window) {
    if (!window.keyed)
        return;
    const std::vector<ShapeRun>& shape = window.lastShape;
    if (!window.composited) {
        // The input shape follows the bounding shape by itself where none is set.
        if (!window.shaped || !sameRuns(shape, window.boundingShape)) {
            applyShape(window, ShapeBounding, shape);
            window.boundingShape = shape;
            window.shaped = true;
        }
    } else if ((!window.shaped || pointerNear(window)) && !sameRuns(shape, window.inputShape)) {
        const auto now = std::chrono::steady_clock::now();
        if (!window.shaped || now - window.inputShapeApplied >= kCompositedInputShapePeriod) {
            applyShape(window, ShapeInput, shape);
            window.inputShape = shape;
            window.inputShapeApplied = now;
            window.shaped = true;
        }
    }
}

// A server image is made with room to spare, so that a zooming window, whose size changes at
// every frame, does not make a new one at every frame; one far too large is made again.
constexpr int kImageStep = 64;

int imageSideFor(int side) {
    return (side + kImageStep - 1) / kImageStep * kImageStep + kImageStep;
}

bool imageFits(const ServerImage& image, const LayeredFrame& frame) {
    return image.width() >= frame.width && image.height() >= frame.height &&
           image.width() <= imageSideFor(frame.width) + kImageStep &&
           image.height() <= imageSideFor(frame.height) + kImageStep;
}

// From now on the window's pictures go through cairo.
void usePlainWay(XWindow& window) {
    window.image.reset();
    window.plain = true;
    // GTK draws the plain way's picture through its own intermediate surface.
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gtk_widget_set_double_buffered(window.widget, TRUE);
    G_GNUC_END_IGNORE_DEPRECATIONS
}

// Writes the frame into the window's server image, made (again) where the frame does not fit;
// false where the window has no shared memory and takes the plain way.
bool writeServerImage(XWindow& window, const LayeredFrame& frame) {
    if (window.plain)
        return false;
    if (window.image == nullptr || !imageFits(*window.image, frame)) {
        window.image.reset();
        GdkWindow* gdkWindow = gtk_widget_get_window(window.widget);
        GdkVisual* visual = gdk_window_get_visual(gdkWindow);
        window.image = ServerImage::make(GDK_WINDOW_XDISPLAY(gdkWindow), GDK_VISUAL_XVISUAL(visual),
                                         gdk_visual_get_depth(visual), imageSideFor(frame.width),
                                         imageSideFor(frame.height));
        if (window.image == nullptr) {
            usePlainWay(window);
            return false;
        }
    }
    window.width = frame.width; // the part of the image the window shows
    window.height = frame.height;
    // Finished BGRA bytes, hidden pixels all 0, are the server's pixels as they stand.
    finishFramePixels(frame, window.image->row(0), window.image->stride(), window.lastShape);
    return true;
}

// The plain way: a cairo surface of `width` x `height` that GTK draws, made where it has another
// size; its pixels are the caller's to write, rows `width` * 4 bytes apart.
void fitCairoSurface(XWindow& window, int width, int height) {
    if (window.surface == nullptr || width != window.width || height != window.height) {
        if (window.surface != nullptr)
            cairo_surface_destroy(window.surface);
        window.width = width;
        window.height = height;
        const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width);
        window.pixels.assign(static_cast<std::size_t>(stride) * height, 0);
        window.surface = cairo_image_surface_create_for_data(
            window.pixels.data(), CAIRO_FORMAT_ARGB32, width, height, stride);
        // Drawn pixel for pixel where GDK's unit spans several.
        cairo_surface_set_device_scale(window.surface, windowScale(), windowScale());
    }
    cairo_surface_flush(window.surface);
}

// The plain way's picture from pixels that are finished already.
void writeCairoSurface(XWindow& window, int width, int height, const std::uint8_t* bgra) {
    fitCairoSurface(window, width, height);
    std::memcpy(window.pixels.data(), bgra, static_cast<std::size_t>(width) * height * 4);
    cairo_surface_mark_dirty(window.surface);
}

// The plain way's picture from a frame, finished on the way.
void writeCairoSurface(XWindow& window, const LayeredFrame& frame) {
    fitCairoSurface(window, frame.width, frame.height);
    finishFramePixels(frame, window.pixels.data(), static_cast<std::size_t>(frame.width) * 4,
                      window.lastShape);
    cairo_surface_mark_dirty(window.surface);
}

void showFrame(XWindow& window, std::shared_ptr<const LayeredFrame> shown) {
    if (window.vanished)
        return;
    if (window.widget == nullptr)
        makeWidget(window);
    if (window.image != nullptr && window.image->busy()) {
        window.waiting = std::move(shown);
        return;
    }
    window.waiting.reset();
    const LayeredFrame& frame = *shown;
    const int lastWidth = window.width, lastHeight = window.height;
    const bool served = writeServerImage(window, frame);
    if (!served)
        writeCairoSurface(window, frame);
    window.keyed = frame.shaped;
    applyFrameShape(window);
    const double opacity = frame.alpha / 255.0;
    if (opacity != window.opacity) {
        // As the window's opacity property, which a compositor applies; GTK's own widget
        // opacity would instead paint every frame through an intermediate surface.
        gdk_window_set_opacity(gtk_widget_get_window(window.widget), opacity);
        window.opacity = opacity;
    }
    keepOpacityAfterMap(window);
    if (!served)
        gtk_widget_queue_draw(window.widget);
    else if (window.mapped)
        putNewFrame(window, lastWidth, lastHeight); // an unmapped one is given it when exposed
    if (window.state.visible && !window.mapped)
        applyVisibility(window);
}

// A window shown again waits for its next frame, so that it never shows the picture it had
// when it was hidden (a cursor nobody sees draws nothing); one whose frame does not come soon
// is shown all the same.
constexpr guint kFreshFrameWaitMs = 250;

void showWithNextFrame(XWindow& window) {
    g_timeout_add(
        kFreshFrameWaitMs,
        [](gpointer hwnd) -> gboolean {
            XWindow* waiting = findWindow(static_cast<HWND>(hwnd));
            if (waiting != nullptr && waiting->widget != nullptr && waiting->state.visible &&
                !waiting->mapped)
                applyVisibility(*waiting);
            return G_SOURCE_REMOVE;
        },
        window.hwnd);
}

// A compositor started or stopped: each ARGB window changes the way it is shown at once, with
// the shape of its last frame. Display thread.
void onCompositedChanged(GdkScreen* screen, gpointer) {
    const bool composited = gdk_screen_is_composited(screen);
    for (auto& [hwnd, window] : windows()) {
        if (!window->argb || window->widget == nullptr || window->composited == composited)
            continue;
        window->composited = composited;
        GdkWindow* gdkWindow = gtk_widget_get_window(window->widget);
        // The shape of the other way is taken off: no bounding shape under a compositor (it
        // would make the compositor's work as costly as a shaped window's), and no input shape
        // of its own without one, so that input follows the bounding shape again.
        XShapeCombineMask(GDK_WINDOW_XDISPLAY(gdkWindow), GDK_WINDOW_XID(gdkWindow),
                          composited ? ShapeBounding : ShapeInput, 0, 0, None, ShapeSet);
        window->shaped = false;
        window->boundingShape.clear();
        window->inputShape.clear();
        applyFrameShape(*window);
        gtk_widget_queue_draw(window->widget);
    }
}

struct FrameQueue {
    std::mutex mutex;
    std::map<HWND, std::shared_ptr<const LayeredFrame>> frames;
    bool scheduled = false;
};

FrameQueue& frameQueue() {
    static auto* queue = new FrameQueue;
    return *queue;
}

void showQueuedFrames() {
    std::map<HWND, std::shared_ptr<const LayeredFrame>> frames;
    {
        FrameQueue& queue = frameQueue();
        std::lock_guard<std::mutex> guard(queue.mutex);
        frames.swap(queue.frames);
        queue.scheduled = false;
    }
    for (auto& [hwnd, frame] : frames) {
        if (XWindow* window = findWindow(hwnd)) {
            showFrame(*window, std::move(frame));
        } else {
            // The window's making is still on its way: this run was asked for before it, by an
            // earlier window's frame. The frame waits for it, unless a newer one came meanwhile.
            // (A window destroyed meanwhile took its frame out of the queue as it went.)
            std::lock_guard<std::mutex> guard(frameQueue().mutex);
            frameQueue().frames.emplace(hwnd, std::move(frame));
        }
    }
}

// The frame that came for a window before its making reached the display thread, if any.
std::shared_ptr<const LayeredFrame> takeQueuedFrame(HWND hwnd) {
    FrameQueue& queue = frameQueue();
    std::lock_guard<std::mutex> guard(queue.mutex);
    const auto found = queue.frames.find(hwnd);
    if (found == queue.frames.end())
        return nullptr;
    std::shared_ptr<const LayeredFrame> frame = std::move(found->second);
    queue.frames.erase(found);
    return frame;
}

} // namespace

std::vector<ShownWindow> shownWindows() {
    std::vector<ShownWindow> shown;
    for (const auto& [hwnd, window] : windows()) {
        if (window->widget != nullptr && window->mapped && !window->state.minimized)
            shown.push_back({hwnd, GDK_WINDOW_XID(gtk_widget_get_window(window->widget))});
    }
    return shown;
}

namespace {

// Whether the window's whole picture was put after the server lost the exposed part: then the
// exposure needs nothing. A spinning solid's shape grows somewhere at every frame, and the
// server reports each newly shown part; putting the picture again for it would double the
// server's work and run a GTK paint cycle per frame.
bool putCoversExposure(const XExposeEvent& exposure) {
    for (const auto& [hwnd, window] : windows()) {
        GdkWindow* gdkWindow =
            window->widget != nullptr ? gtk_widget_get_window(window->widget) : nullptr;
        if (window->image != nullptr && gdkWindow != nullptr &&
            GDK_WINDOW_XID(gdkWindow) == exposure.window)
            return window->image->putCovers(exposure.serial, exposure.x, exposure.y, exposure.width,
                                            exposure.height);
    }
    return false;
}

// The server is done reading a window's image: the frame that waited for it is shown, or the
// picture put again where an exposure came while the server read it.
GdkFilterReturn onServerEvent(GdkXEvent* event, GdkEvent*, gpointer) {
    const XEvent& xEvent = *static_cast<XEvent*>(event);
    if (xEvent.type == Expose)
        return putCoversExposure(xEvent.xexpose) ? GDK_FILTER_REMOVE : GDK_FILTER_CONTINUE;
    ServerImage* done = nullptr;
    if (!ServerImage::isCompletion(xEvent, done))
        return GDK_FILTER_CONTINUE;
    for (auto& [hwnd, window] : windows()) {
        if (done == nullptr || window->image.get() != done)
            continue;
        if (window->waiting != nullptr) {
            window->exposedWhileBusy = false;
            showFrame(*window, std::move(window->waiting));
        } else if (window->exposedWhileBusy && window->mapped) {
            window->exposedWhileBusy = false;
            putImage(*window);
        }
        break;
    }
    return GDK_FILTER_REMOVE;
}

// The server refused to put a window's image, so it never shows that picture nor says it is done
// with it: the window takes the plain way, starting with the picture the image holds.
void takePlainWayAfterRefusal(ServerImage& refused) {
    for (auto& [hwnd, window] : windows()) {
        if (window->image.get() != &refused)
            continue;
        const std::size_t rowBytes = static_cast<std::size_t>(window->width) * 4;
        std::vector<std::uint8_t> picture(rowBytes * window->height);
        for (int y = 0; y < window->height; ++y)
            std::memcpy(picture.data() + rowBytes * y, refused.row(y), rowBytes);
        usePlainWay(*window);
        writeCairoSurface(*window, window->width, window->height, picture.data());
        if (window->waiting != nullptr)
            showFrame(*window, std::move(window->waiting));
        else
            gtk_widget_queue_draw(window->widget);
        return;
    }
}

} // namespace

void watchFramePuts() {
    gdk_window_add_filter(nullptr, onServerEvent, nullptr);
    ServerImage::onRefusedPut(takePlainWayAfterRefusal);
}

void watchCompositor() {
    g_signal_connect(gdk_screen_get_default(), "composited-changed",
                     G_CALLBACK(onCompositedChanged), nullptr);
}

namespace {

void applyUpdate(XWindow& window, const WindowSnapshot& snapshot, unsigned changes) {
    window.state = snapshot;
    if (window.vanished)
        return;
    // Windows that were never shown need no X window: the program's hidden central window.
    if (window.widget == nullptr) {
        if (!snapshot.visible)
            return;
        makeWidget(window);
    }
    if ((changes & kTitle) != 0)
        gtk_window_set_title(GTK_WINDOW(window.widget), snapshot.title.c_str());
    if ((changes & kStyle) != 0)
        applyStyle(window);
    applyIcon(window);
    if ((changes & kGeometry) != 0)
        applyGeometry(window);
    if ((changes & (kVisibility | kCreated)) != 0 || (snapshot.visible && !window.mapped)) {
        if (snapshot.visible && !window.mapped &&
            (window.surface != nullptr || window.image != nullptr))
            showWithNextFrame(window);
        else
            applyVisibility(window);
    }
    if ((changes & kRaised) != 0 && window.mapped)
        gdk_window_raise(gtk_widget_get_window(window.widget));
    if ((changes & kActivated) != 0 && window.mapped) {
        // With the server's time, so that the focus moves even without a window manager.
        gtk_window_present_with_time(GTK_WINDOW(window.widget), serverTime(window.widget));
    }
}

} // namespace

void applyWindowUpdate(const WindowSnapshot& snapshot, unsigned changes) {
    XWindow*& slot = windows()[snapshot.hwnd];
    const bool made = slot == nullptr;
    if (made) {
        slot = new XWindow;
        slot->hwnd = snapshot.hwnd;
    }
    XWindow& window = *slot;
    applyUpdate(window, snapshot, changes);
    if (made) {
        if (std::shared_ptr<const LayeredFrame> early = takeQueuedFrame(snapshot.hwnd))
            showFrame(window, std::move(early));
    }
}

void forgetWindow(HWND hwnd) {
    auto found = windows().find(hwnd);
    if (found == windows().end())
        return;
    XWindow* window = found->second;
    windows().erase(found);
    releaseServerPicture(*window);
    if (window->widget != nullptr)
        gtk_widget_destroy(window->widget);
    if (window->surface != nullptr)
        cairo_surface_destroy(window->surface);
    delete window;
}

void queueFrame(HWND hwnd, std::shared_ptr<const LayeredFrame> frame) {
    FrameQueue& queue = frameQueue();
    bool schedule = false;
    {
        std::lock_guard<std::mutex> guard(queue.mutex);
        queue.frames[hwnd] = std::move(frame);
        schedule = !queue.scheduled;
        queue.scheduled = true;
    }
    if (schedule)
        onDisplayThread(showQueuedFrames);
}

void dropQueuedFrame(HWND hwnd) {
    FrameQueue& queue = frameQueue();
    std::lock_guard<std::mutex> guard(queue.mutex);
    queue.frames.erase(hwnd);
}

} // namespace voxtrel::display::gtk
