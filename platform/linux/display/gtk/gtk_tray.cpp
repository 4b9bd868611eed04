// Tray icons: GTK's XEmbed status icon, whose raw button events become the mouse messages of
// the owner's tray callback. GTK's own activate and popup-menu signals are not used: a
// double-click must arrive as WM_LBUTTONDBLCLK, which they cannot tell apart.
#include "platform/linux/display/gtk/gtk_tray.h"

#include "platform/linux/display/gtk/gtk_icons.h"
#include "platform/linux/shell/shell_input.h"

#include <gtk/gtk.h>

#include <map>
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
    HICON icon = nullptr;
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

guint doubleClickTime() {
    gint milliseconds = 400;
    g_object_get(gtk_settings_get_default(), "gtk-double-click-time", &milliseconds, nullptr);
    return static_cast<guint>(milliseconds);
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
                      event->time - shown->lastPress <= doubleClickTime();
        shown->pairComplete = doubleClick;
        shown->lastButton = event->button;
        shown->lastPress = event->time;
    }
    if (const UINT message = messageOf(event->button, down, doubleClick))
        shell::deliverTrayEvent(shown->owner, shown->id, message);
    return TRUE;
}

} // namespace

void showTrayIcon(const TrayIcon& icon) {
    ShownIcon*& shown = shownIcons()[{icon.owner, icon.id}];
    if (shown == nullptr) {
        shown = new ShownIcon;
        shown->owner = icon.owner;
        shown->id = icon.id;
        shown->status = gtk_status_icon_new();
        g_signal_connect(shown->status, "button-press-event", G_CALLBACK(onTrayButton), shown);
        g_signal_connect(shown->status, "button-release-event", G_CALLBACK(onTrayButton), shown);
        gtk_status_icon_set_title(shown->status, icon.tip.c_str());
    }
    if (shown->icon != icon.icon || shown->icon == nullptr) {
        shown->icon = icon.icon;
        if (GdkPixbuf* picture = pixbufOfIcon(icon.icon)) {
            gtk_status_icon_set_from_pixbuf(shown->status, picture);
            g_object_unref(picture);
        } else {
            gtk_status_icon_set_from_icon_name(shown->status, "application-x-executable");
        }
    }
    gtk_status_icon_set_tooltip_text(shown->status, icon.tip.c_str());
    gtk_status_icon_set_visible(shown->status, TRUE);
}

void hideTrayIcon(HWND owner, UINT id) {
    auto found = shownIcons().find({owner, id});
    if (found == shownIcons().end())
        return;
    ShownIcon* shown = found->second;
    shownIcons().erase(found);
    gtk_status_icon_set_visible(shown->status, FALSE);
    g_object_unref(shown->status);
    delete shown;
}

} // namespace voxtrel::display::gtk

G_GNUC_END_IGNORE_DEPRECATIONS
