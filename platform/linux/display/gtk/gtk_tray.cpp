// Tray icons: a StatusNotifierItem when the session bus has a StatusNotifierWatcher, else
// GTK's XEmbed status icon, whose raw button events become the mouse messages of the owner's
// tray callback. GTK's own activate and popup-menu signals are not used: a double-click must
// arrive as WM_LBUTTONDBLCLK, which they cannot tell apart. Until the bus has answered (a few
// milliseconds, at most kHostAnswerLimitMs) neither form is shown, so that a desktop with a
// watcher never sees the XEmbed icon come and go.
#include "platform/linux/display/gtk/gtk_tray.h"

#include "platform/linux/display/gtk/gtk_icons.h"
#include "platform/linux/display/gtk/gtk_notifier.h"

#include <gtk/gtk.h>

#include <map>
#include <string>
#include <utility>

// GtkStatusIcon is deprecated in GTK 3 but is its XEmbed tray icon, which trayers and most
// notification areas of X11 desktops still host.
G_GNUC_BEGIN_IGNORE_DEPRECATIONS

namespace voxtrel::display::gtk {

namespace {

struct ShownIcon {
    HWND owner = nullptr;
    UINT id = 0;
    GtkStatusIcon* status = nullptr;
    NotifierItem* item = nullptr; // while a watcher is on the bus
    IconPicture icon;
    std::string tip;
    // For double-clicks: the button and time of the last press.
    guint lastButton = 0;
    guint32 lastPress = 0;
    bool pairComplete = true;
};

using Key = std::pair<HWND, UINT>;

// Display thread only.
std::map<Key, ShownIcon*>& shownIcons() {
    static auto* icons = new std::map<Key, ShownIcon*>;
    return *icons;
}

enum class Host { Unknown, Notifier, XEmbed };
Host host = Host::Unknown;
constexpr guint kHostAnswerLimitMs = 1500;

gboolean onTrayButton(GtkStatusIcon*, GdkEventButton* event, gpointer data);

void setStatusPicture(ShownIcon& shown, GdkPixbuf* picture) {
    if (picture != nullptr)
        gtk_status_icon_set_from_pixbuf(shown.status, picture);
    else
        gtk_status_icon_set_from_icon_name(shown.status, "application-x-executable");
    gtk_status_icon_set_tooltip_text(shown.status, shown.tip.c_str());
}

// The XEmbed icon is made only once it is to be shown, and destroyed rather than hidden: the
// notification area maps a shown icon itself, and GTK takes the map of one that was hidden
// before (or made hidden) as a map it never asked for ("gdk_window_thaw_toplevel_updates:
// assertion failed").
void makeStatusIcon(ShownIcon& shown) {
    shown.status = gtk_status_icon_new();
    g_signal_connect(shown.status, "button-press-event", G_CALLBACK(onTrayButton), &shown);
    g_signal_connect(shown.status, "button-release-event", G_CALLBACK(onTrayButton), &shown);
    gtk_status_icon_set_title(shown.status, shown.tip.c_str());
    GdkPixbuf* picture = pixbufOfIcon(shown.icon);
    setStatusPicture(shown, picture);
    if (picture != nullptr)
        g_object_unref(picture);
}

void destroyStatusIcon(ShownIcon& shown) {
    if (shown.status == nullptr)
        return;
    g_object_unref(shown.status);
    shown.status = nullptr;
}

// Shows the icon in the form the desktop hosts.
void applyHost(ShownIcon& shown) {
    if (host == Host::Unknown)
        return;
    const bool notifier = host == Host::Notifier;
    if (notifier && shown.item == nullptr) {
        shown.item = createNotifierItem(shown.owner, shown.id);
        GdkPixbuf* picture = pixbufOfIcon(shown.icon);
        updateNotifierItem(shown.item, picture, shown.tip);
        if (picture != nullptr)
            g_object_unref(picture);
    } else if (!notifier && shown.item != nullptr) {
        destroyNotifierItem(shown.item);
        shown.item = nullptr;
    }
    if (notifier)
        destroyStatusIcon(shown);
    else if (shown.status == nullptr)
        makeStatusIcon(shown);
}

void setHost(Host answer) {
    if (answer == host)
        return;
    host = answer;
    for (auto& [key, shown] : shownIcons())
        applyHost(*shown);
}

// A watcher that appears (again) gets every item registered with it.
void onNotifierHost(bool present) {
    const bool wasNotifier = host == Host::Notifier;
    setHost(present ? Host::Notifier : Host::XEmbed);
    if (present && wasNotifier) {
        for (auto& [key, shown] : shownIcons())
            registerNotifierItem(shown->item);
    }
}

void startWatchingForHost() {
    static bool started = false;
    if (started)
        return;
    started = true;
    watchForNotifierHost(onNotifierHost);
    // A bus that never answers must not leave the program without a tray icon.
    g_timeout_add(
        kHostAnswerLimitMs,
        [](gpointer) -> gboolean {
            if (host == Host::Unknown)
                setHost(Host::XEmbed);
            return G_SOURCE_REMOVE;
        },
        nullptr);
}

UINT messageOf(guint button, bool down, bool doubleClick) {
    switch (button) {
    case 1:
        return down ? (doubleClick ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN) : WM_LBUTTONUP;
    case 2:
        return down ? (doubleClick ? WM_MBUTTONDBLCLK : WM_MBUTTONDOWN) : WM_MBUTTONUP;
    case 3:
        return down ? (doubleClick ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN) : WM_RBUTTONUP;
    default:
        return 0;
    }
}

gboolean onTrayButton(GtkStatusIcon*, GdkEventButton* event, gpointer data) {
    auto* shown = static_cast<ShownIcon*>(data);
    if (event->type != GDK_BUTTON_PRESS && event->type != GDK_BUTTON_RELEASE)
        return TRUE; // GTK's own double and triple presses: recognised below instead
    const bool down = event->type == GDK_BUTTON_PRESS;
    bool doubleClick = false;
    if (down) {
        // A second press of the same button soon after the first, as Windows counts them; a
        // third starts a new pair.
        doubleClick = !shown->pairComplete && event->button == shown->lastButton &&
                      event->time - shown->lastPress <= trayDoubleClickMs();
        shown->pairComplete = doubleClick;
        shown->lastButton = event->button;
        shown->lastPress = event->time;
    }
    if (const UINT message = messageOf(event->button, down, doubleClick))
        display::deliverTrayEvent(shown->owner, shown->id, message);
    return TRUE;
}

} // namespace

unsigned trayDoubleClickMs() {
    gint milliseconds = 400;
    g_object_get(gtk_settings_get_default(), "gtk-double-click-time", &milliseconds, nullptr);
    return static_cast<unsigned>(milliseconds);
}

void showTrayIcon(const TrayIcon& icon) {
    startWatchingForHost();
    ShownIcon*& shown = shownIcons()[{icon.owner, icon.id}];
    if (shown == nullptr) {
        shown = new ShownIcon;
        shown->owner = icon.owner;
        shown->id = icon.id;
    } else if (shown->icon == icon.icon && shown->icon != nullptr && shown->tip == icon.tip) {
        return;
    }
    shown->icon = icon.icon;
    shown->tip = icon.tip;
    if (shown->status != nullptr || shown->item != nullptr) {
        GdkPixbuf* picture = pixbufOfIcon(icon.icon);
        if (shown->status != nullptr)
            setStatusPicture(*shown, picture);
        if (shown->item != nullptr)
            updateNotifierItem(shown->item, picture, icon.tip);
        if (picture != nullptr)
            g_object_unref(picture);
    }
    applyHost(*shown); // until the host is known, neither form shows
}

void hideTrayIcon(HWND owner, UINT id) {
    auto found = shownIcons().find({owner, id});
    if (found == shownIcons().end())
        return;
    ShownIcon* shown = found->second;
    shownIcons().erase(found);
    destroyStatusIcon(*shown);
    if (shown->item != nullptr)
        destroyNotifierItem(shown->item);
    delete shown;
}

} // namespace voxtrel::display::gtk

G_GNUC_END_IGNORE_DEPRECATIONS
