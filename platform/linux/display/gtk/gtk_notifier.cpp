// StatusNotifierItem (org.kde.StatusNotifierItem) over GDBus. The item owns a name of the form
// the protocol asks for, exports its object and registers it with the watcher. Its Menu is the
// owner's own menu exported over dbusmenu (gtk_dbus_menu.h): the menu the owner shows on a
// right press on its icon. To know it before any click, a new item presses the right button
// once for the owner and keeps the menu that press opens instead of showing it. Hosts that
// draw no menu themselves (swaybar) call ContextMenu, and the program shows its menu itself, as
// on Windows, at the point the host names.
// Not implemented: attention and overlay icons, Scroll (the tray menu has no use for it).
#include "platform/linux/display/gtk/gtk_notifier.h"

#include "platform/linux/display/gtk/gtk_dbus_menu.h"
#include "platform/linux/display/gtk/gtk_tray.h"

#include <gio/gio.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

namespace voxtrel::display::gtk {

namespace {

constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* kItemPath = "/StatusNotifierItem";
constexpr const char* kMenuPath = "/MenuBar";
// How long the menu opened by the press made for a new item counts as the answer to it.
constexpr gint64 kProbeAnswerLimitUs = 10 * G_USEC_PER_SEC;
// How long after a host's click the owner's menu opens at the point the host named: the
// program opens its menu up to a double-click's time after the click.
constexpr gint64 kHostPointLimitUs = 3 * G_USEC_PER_SEC / 2;
// How long a new item waits for its owner's menu before it registers without one.
constexpr guint kMenuWaitMs = 1500;

constexpr const char* kItemXml = R"xml(<node>
  <interface name="org.kde.StatusNotifierItem">
    <property name="Category" type="s" access="read"/>
    <property name="Id" type="s" access="read"/>
    <property name="Title" type="s" access="read"/>
    <property name="Status" type="s" access="read"/>
    <property name="WindowId" type="i" access="read"/>
    <property name="IconName" type="s" access="read"/>
    <property name="IconPixmap" type="a(iiay)" access="read"/>
    <property name="OverlayIconName" type="s" access="read"/>
    <property name="OverlayIconPixmap" type="a(iiay)" access="read"/>
    <property name="AttentionIconName" type="s" access="read"/>
    <property name="AttentionIconPixmap" type="a(iiay)" access="read"/>
    <property name="AttentionMovieName" type="s" access="read"/>
    <property name="ToolTip" type="(sa(iiay)ss)" access="read"/>
    <property name="ItemIsMenu" type="b" access="read"/>
    <property name="Menu" type="o" access="read"/>
    <method name="ContextMenu"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="Activate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="SecondaryActivate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="Scroll"><arg name="delta" type="i" direction="in"/><arg name="orientation" type="s" direction="in"/></method>
    <signal name="NewTitle"/>
    <signal name="NewIcon"/>
    <signal name="NewToolTip"/>
    <signal name="NewStatus"><arg name="status" type="s"/></signal>
  </interface>
</node>)xml";

GDBusConnection* sessionBus = nullptr; // once the watch has it; never released

std::vector<NotifierItem*>& liveItems() {
    static auto* items = new std::vector<NotifierItem*>;
    return *items;
}

GDBusInterfaceInfo* itemInterface() {
    static GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kItemXml, nullptr);
    return node->interfaces[0];
}

} // namespace

class NotifierItem {
public:
    HWND owner = nullptr;
    UINT id = 0;
    std::string busName;
    guint nameOwnership = 0;
    guint registration = 0;
    bool nameAcquired = false;
    std::string tip;
    // Width, height and ARGB bytes in network order, as the protocol carries pictures.
    int pictureWidth = 0;
    int pictureHeight = 0;
    std::vector<guchar> argb;
    // For double activations: when the last Activate came, and whether it completed a pair.
    gint64 lastActivate = 0;
    bool pairComplete = true;
    ExportedMenu* menu = nullptr;
    gint64 probeSent = 0; // while the press made for the new item waits for its menu
    // The item goes to the watcher whole: once its menu is known (or is late), so that a host
    // never meets it half made. GNOME Shell's extension, for one, sometimes drops an item whose
    // menu changes while it is still reading the item.
    bool menuKnownOrLate = false;
    guint menuLateTimer = 0;
    bool announced = false; // registered with a watcher: hosts are told of changes
    // Where the host's last click was, and when: the host's own coordinates, which a pointer
    // over the host's panel (not an X window under XWayland) does not give.
    int hostX = 0;
    int hostY = 0;
    gint64 hostClick = 0;
};

namespace {

GVariant* pixmapsOf(const NotifierItem& item) {
    GVariantBuilder pixmaps;
    g_variant_builder_init(&pixmaps, G_VARIANT_TYPE("a(iiay)"));
    if (!item.argb.empty()) {
        GVariant* bytes = g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, item.argb.data(),
                                                    item.argb.size(), sizeof(guchar));
        g_variant_builder_add(&pixmaps, "(ii@ay)", item.pictureWidth, item.pictureHeight, bytes);
    }
    return g_variant_builder_end(&pixmaps);
}

GVariant* emptyPixmaps() {
    return g_variant_new_array(G_VARIANT_TYPE("(iiay)"), nullptr, 0);
}

GVariant* readProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                       const gchar* name, GError** error, gpointer data) {
    const auto& item = *static_cast<NotifierItem*>(data);
    const std::string property = name;
    if (property == "Category")
        return g_variant_new_string("ApplicationStatus");
    if (property == "Id")
        return g_variant_new_string("voxtrel");
    if (property == "Title")
        return g_variant_new_string(item.tip.c_str());
    if (property == "Status")
        return g_variant_new_string("Active");
    if (property == "WindowId")
        return g_variant_new_int32(0);
    if (property == "IconName")
        return g_variant_new_string(item.argb.empty() ? "application-x-executable" : "");
    if (property == "IconPixmap")
        return pixmapsOf(item);
    if (property == "OverlayIconName" || property == "AttentionIconName" ||
        property == "AttentionMovieName")
        return g_variant_new_string("");
    if (property == "OverlayIconPixmap" || property == "AttentionIconPixmap")
        return emptyPixmaps();
    if (property == "ToolTip")
        return g_variant_new("(s@a(iiay)ss)", "", emptyPixmaps(), item.tip.c_str(), "");
    if (property == "ItemIsMenu")
        return g_variant_new_boolean(FALSE);
    if (property == "Menu")
        return g_variant_new_object_path(kMenuPath);
    g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "No property %s", name);
    return nullptr;
}

void click(const NotifierItem& item, UINT down, UINT up) {
    display::deliverTrayEvent(item.owner, item.id, down);
    display::deliverTrayEvent(item.owner, item.id, up);
}

void callMethod(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* name,
                GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
    auto& item = *static_cast<NotifierItem*>(data);
    const std::string method = name;
    if (method == "Activate" || method == "SecondaryActivate" || method == "ContextMenu") {
        g_variant_get(parameters, "(ii)", &item.hostX, &item.hostY);
        item.hostClick = g_get_monotonic_time();
    }
    if (method == "Activate") {
        // A second activation soon after a first is the double-click the XEmbed icon would
        // have reported; a third starts a new pair.
        const gint64 now = g_get_monotonic_time();
        const bool doubleClick = !item.pairComplete && item.lastActivate != 0 &&
                                 now - item.lastActivate <= trayDoubleClickMs() * 1000;
        item.pairComplete = doubleClick;
        item.lastActivate = now;
        click(item, doubleClick ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, WM_LBUTTONUP);
    } else if (method == "SecondaryActivate") {
        click(item, WM_MBUTTONDOWN, WM_MBUTTONUP);
    } else if (method == "ContextMenu") {
        click(item, WM_RBUTTONDOWN, WM_RBUTTONUP);
    } else if (method != "Scroll") {
        g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD,
                                              "No method %s", name);
        return;
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);
}

const GDBusInterfaceVTable kItemCalls = {callMethod, readProperty, nullptr, {}};

void emit(const NotifierItem& item, const char* signal) {
    if (sessionBus != nullptr && item.registration != 0 && item.announced)
        g_dbus_connection_emit_signal(sessionBus, nullptr, kItemPath, kItemInterface, signal,
                                      nullptr, nullptr);
}

void onNameAcquired(GDBusConnection*, const gchar*, gpointer data) {
    auto* item = static_cast<NotifierItem*>(data);
    item->nameAcquired = true;
    registerNotifierItem(item);
}

void onBusReady(GObject*, GAsyncResult* result, gpointer data) {
    auto& changed = *static_cast<std::function<void(bool)>*>(data);
    sessionBus = g_bus_get_finish(result, nullptr);
    if (sessionBus == nullptr) {
        changed(false); // no session bus: the XEmbed icon
        return;
    }
    // GIO's shared bus connection ends the process when the bus goes away; a tray icon must
    // never take the program with it. The watch then reports the watcher gone.
    g_dbus_connection_set_exit_on_close(sessionBus, FALSE);
    g_bus_watch_name_on_connection(
        sessionBus, kWatcherName, G_BUS_NAME_WATCHER_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar*, gpointer watch) {
            (*static_cast<std::function<void(bool)>*>(watch))(true);
        },
        [](GDBusConnection*, const gchar*, gpointer watch) {
            (*static_cast<std::function<void(bool)>*>(watch))(false);
        },
        data, nullptr);
}

} // namespace

void watchForNotifierHost(std::function<void(bool present)> changed) {
    // Kept for the life of the process, as the watch is.
    g_bus_get(G_BUS_TYPE_SESSION, nullptr, onBusReady,
              new std::function<void(bool)>(std::move(changed)));
}

NotifierItem* createNotifierItem(HWND owner, UINT id) {
    auto* item = new NotifierItem;
    item->owner = owner;
    item->id = id;
    liveItems().push_back(item);
    if (sessionBus == nullptr)
        return item;
    item->menu = exportMenu(sessionBus, kMenuPath,
                            [owner](UINT command) { PostMessageA(owner, WM_COMMAND, command, 0); });
    // The owner answers a right press on its icon with its menu (notifierTakesMenu).
    item->probeSent = g_get_monotonic_time();
    item->menuLateTimer = g_timeout_add(
        kMenuWaitMs,
        [](gpointer data) -> gboolean {
            auto* late = static_cast<NotifierItem*>(data);
            late->menuLateTimer = 0;
            late->menuKnownOrLate = true;
            registerNotifierItem(late);
            return G_SOURCE_REMOVE;
        },
        item);
    display::deliverTrayEvent(owner, id, WM_RBUTTONDOWN);
    display::deliverTrayEvent(owner, id, WM_RBUTTONUP);
    item->registration = g_dbus_connection_register_object(sessionBus, kItemPath, itemInterface(),
                                                           &kItemCalls, item, nullptr, nullptr);
    // The name the protocol asks of an item: unique per process and icon.
    item->busName =
        "org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-" + std::to_string(id + 1);
    item->nameOwnership =
        g_bus_own_name_on_connection(sessionBus, item->busName.c_str(), G_BUS_NAME_OWNER_FLAGS_NONE,
                                     onNameAcquired, nullptr, item, nullptr);
    return item;
}

void updateNotifierItem(NotifierItem* item, GdkPixbuf* picture, const std::string& tip) {
    if (picture != nullptr) {
        GdkPixbuf* rgba = gdk_pixbuf_add_alpha(picture, FALSE, 0, 0, 0);
        const int width = gdk_pixbuf_get_width(rgba), height = gdk_pixbuf_get_height(rgba);
        const int stride = gdk_pixbuf_get_rowstride(rgba);
        const guchar* pixels = gdk_pixbuf_read_pixels(rgba);
        item->argb.resize(static_cast<std::size_t>(width) * height * 4);
        guchar* out = item->argb.data();
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x, out += 4) {
                const guchar* in = pixels + y * stride + x * 4;
                out[0] = in[3]; // alpha first, then red, green and blue
                out[1] = in[0];
                out[2] = in[1];
                out[3] = in[2];
            }
        }
        item->pictureWidth = width;
        item->pictureHeight = height;
        g_object_unref(rgba);
    } else {
        item->argb.clear();
    }
    const bool newTip = item->tip != tip;
    item->tip = tip;
    emit(*item, "NewIcon");
    if (newTip) {
        emit(*item, "NewTitle");
        emit(*item, "NewToolTip");
    }
}

void registerNotifierItem(NotifierItem* item) {
    if (sessionBus == nullptr || !item->nameAcquired || !item->menuKnownOrLate)
        return;
    item->announced = true;
    // By its object's path: the watcher takes the item's connection from the call. Named by
    // its bus name instead, GNOME Shell's extension watches that name as well and, when the
    // watch reports it while the item is still being read, drops the item for good (a quarter
    // of the starts here). A watcher that refuses or is gone is told again when one appears.
    g_dbus_connection_call(sessionBus, kWatcherName, kWatcherPath, kWatcherName,
                           "RegisterStatusNotifierItem", g_variant_new("(s)", kItemPath), nullptr,
                           G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr, nullptr);
}

bool notifierTakesMenu(MenuRequest& request) {
    const gint64 now = g_get_monotonic_time();
    bool taken = false;
    for (NotifierItem* item : liveItems()) {
        if (item->owner != request.owner)
            continue;
        if (item->menu != nullptr)
            setExportedItems(item->menu, request.items);
        if (item->probeSent != 0 && now - item->probeSent <= kProbeAnswerLimitUs) {
            item->probeSent = 0;
            taken = true;
            if (!item->menuKnownOrLate) {
                item->menuKnownOrLate = true;
                registerNotifierItem(item);
            }
        } else if (item->hostClick != 0 && now - item->hostClick <= kHostPointLimitUs &&
                   (item->hostX != 0 || item->hostY != 0)) {
            request.x = item->hostX;
            request.y = item->hostY;
        }
    }
    if (taken)
        display::completeModal(request.threadId, request.token, 0);
    return taken;
}

void destroyNotifierItem(NotifierItem* item) {
    auto& items = liveItems();
    items.erase(std::remove(items.begin(), items.end(), item), items.end());
    if (item->menuLateTimer != 0)
        g_source_remove(item->menuLateTimer);
    if (item->menu != nullptr)
        unexportMenu(item->menu);
    if (item->nameOwnership != 0)
        g_bus_unown_name(item->nameOwnership);
    if (item->registration != 0)
        g_dbus_connection_unregister_object(sessionBus, item->registration);
    delete item;
}

} // namespace voxtrel::display::gtk
