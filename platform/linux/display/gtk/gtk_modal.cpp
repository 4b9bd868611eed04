// Popup menus at a point of the screen and message dialogs, each answered once: the chosen
// command (0 when dismissed) or the button (IDOK, IDYES, ...).
#include "platform/linux/display/gtk/gtk_modal.h"
#include "platform/linux/display/gtk/gtk_notifier.h"

#include "platform/linux/display/gtk/gtk_density.h"


#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <map>
#include <string>

namespace voxtrel::display::gtk {

namespace {

struct OpenModal {
    DWORD threadId = 0;
    GtkWidget* widget = nullptr;
    UINT chosen = 0;
};

// Display thread only.
std::map<std::uint64_t, OpenModal>& openModals() {
    static auto* open = new std::map<std::uint64_t, OpenModal>;
    return *open;
}

std::uint64_t tokenOf(gpointer data) {
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(data));
}
gpointer dataOf(std::uint64_t token) {
    return reinterpret_cast<gpointer>(static_cast<std::uintptr_t>(token));
}

// Answers the request once and lets its widget go.
void finish(std::uint64_t token, LRESULT answer) {
    auto found = openModals().find(token);
    if (found == openModals().end())
        return;
    const OpenModal modal = found->second;
    openModals().erase(found);
    display::completeModal(modal.threadId, token, answer);
    // Destroyed once GTK has finished with the signal being handled.
    g_idle_add(
        [](gpointer widget) {
            gtk_widget_destroy(GTK_WIDGET(widget));
            return G_SOURCE_REMOVE;
        },
        modal.widget);
}

// "&File" in a Windows caption is "_File" here; a literal "&&" is "&", and "_" stays itself.
std::string mnemonicLabel(const std::string& text) {
    std::string label;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size() && text[i + 1] == '&') {
            label += '&';
            ++i;
        } else if (text[i] == '&') {
            label += '_';
        } else if (text[i] == '_') {
            label += "__";
        } else {
            label += text[i];
        }
    }
    return label;
}

void onItemActivated(GtkMenuItem* item, gpointer data) {
    auto found = openModals().find(tokenOf(data));
    if (found != openModals().end())
        found->second.chosen =
            GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(item), "voxtrel-command"));
}

// Emitted after an item's activation, or when the menu is dismissed.
void onSelectionDone(GtkMenuShell*, gpointer data) {
    auto found = openModals().find(tokenOf(data));
    if (found != openModals().end())
        finish(found->first, found->second.chosen);
}

// Without TPM_RIGHTBUTTON only the left button chooses, as on Windows: the right button's
// press on an item and its release anywhere (the release of the click that opened the menu
// among them) neither choose nor dismiss. A right press outside the menu still dismisses it.
gboolean onRightButtonOnly(GtkWidget* menu, GdkEventButton* event, gpointer) {
    if (event->button != GDK_BUTTON_SECONDARY)
        return FALSE;
    if (event->type == GDK_BUTTON_RELEASE)
        return TRUE;
    GdkWindow* shown = gtk_widget_get_window(gtk_widget_get_toplevel(menu));
    int x = 0, y = 0;
    gdk_window_get_origin(shown, &x, &y);
    return event->x_root >= x && event->y_root >= y &&
           event->x_root < x + gdk_window_get_width(shown) &&
           event->y_root < y + gdk_window_get_height(shown);
}

GtkWidget* buildMenu(const std::vector<MenuItemView>& items, std::uint64_t token, UINT flags) {
    GtkWidget* menu = gtk_menu_new();
    if ((flags & TPM_RIGHTBUTTON) == 0) {
        g_signal_connect(menu, "button-press-event", G_CALLBACK(onRightButtonOnly), nullptr);
        g_signal_connect(menu, "button-release-event", G_CALLBACK(onRightButtonOnly), nullptr);
    }
    for (const MenuItemView& view : items) {
        GtkWidget* item;
        if ((view.state & MF_SEPARATOR) != 0 || (view.text.empty() && view.submenu.empty())) {
            item = gtk_separator_menu_item_new();
        } else if (!view.submenu.empty() || (view.state & MF_POPUP) != 0) {
            item = gtk_menu_item_new_with_mnemonic(mnemonicLabel(view.text).c_str());
            gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), buildMenu(view.submenu, token, flags));
        } else {
            const bool checked = (view.state & MF_CHECKED) != 0;
            const bool radio = (view.state & MFT_RADIOCHECK) != 0;
            if (checked || radio) {
                item = gtk_check_menu_item_new_with_mnemonic(mnemonicLabel(view.text).c_str());
                gtk_check_menu_item_set_draw_as_radio(GTK_CHECK_MENU_ITEM(item), radio);
                gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(item), checked);
            } else {
                item = gtk_menu_item_new_with_mnemonic(mnemonicLabel(view.text).c_str());
            }
            g_object_set_data(G_OBJECT(item), "voxtrel-command", GUINT_TO_POINTER(view.id));
            g_signal_connect(item, "activate", G_CALLBACK(onItemActivated), dataOf(token));
        }
        if ((view.state & (MF_GRAYED | MF_DISABLED)) != 0)
            gtk_widget_set_sensitive(item, FALSE);
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
    }
    gtk_widget_show_all(menu);
    return menu;
}

// Which corner of the menu sits at the point, from TPM_RIGHTALIGN / TPM_CENTERALIGN and
// TPM_BOTTOMALIGN / TPM_VCENTERALIGN.
GdkGravity menuAnchor(UINT flags) {
    const bool right = (flags & TPM_RIGHTALIGN) != 0;
    const bool centre = (flags & TPM_CENTERALIGN) != 0;
    const bool bottom = (flags & TPM_BOTTOMALIGN) != 0;
    const bool middle = (flags & TPM_VCENTERALIGN) != 0;
    if (bottom)
        return right ? GDK_GRAVITY_SOUTH_EAST : centre ? GDK_GRAVITY_SOUTH : GDK_GRAVITY_SOUTH_WEST;
    if (middle)
        return right ? GDK_GRAVITY_EAST : centre ? GDK_GRAVITY_CENTER : GDK_GRAVITY_WEST;
    return right ? GDK_GRAVITY_NORTH_EAST : centre ? GDK_GRAVITY_NORTH : GDK_GRAVITY_NORTH_WEST;
}

} // namespace

void popUpMenu(MenuRequest request) {
    if (notifierTakesMenu(request))
        return;
    GtkWidget* menu = buildMenu(request.items, request.token, request.flags);
    openModals()[request.token] = OpenModal{request.threadId, menu, 0};
    g_signal_connect(menu, "selection-done", G_CALLBACK(onSelectionDone), dataOf(request.token));
    // At a point of the root window: without a triggering event a menu at the pointer would
    // not show at all. The menu is asked for by a program, not by a click GTK has seen, so the
    // trigger is made here: it names the pointer that the menu grabs, and the time of the
    // user's last press or key. GTK lets a button released within half a second of that time
    // leave the menu open; with no time at all, the release of the click that opened the menu
    // would close it again whenever the button was held more than a moment.
    GdkWindow* root = gdk_get_default_root_window();
    const GdkRectangle point = {toGdkPosition(request.x), toGdkPosition(request.y), 1, 1};
    GdkEvent* trigger = gdk_event_new(GDK_BUTTON_PRESS);
    trigger->button.window = GDK_WINDOW(g_object_ref(root));
    trigger->button.time = gdk_x11_display_get_user_time(gdk_display_get_default());
    trigger->button.x_root = point.x;
    trigger->button.y_root = point.y;
    gdk_event_set_device(
        trigger, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
    gtk_menu_popup_at_rect(GTK_MENU(menu), root, &point, GDK_GRAVITY_NORTH_WEST,
                           menuAnchor(request.flags), trigger);
    gdk_event_free(trigger);
    if (!gtk_widget_get_visible(menu)) {
        // No grab could be had (another program holds the pointer): dismissed.
        finish(request.token, 0);
    }
}

namespace {

struct BoxButtons {
    const char* labels[3];
    int answers[3];
};

BoxButtons buttonsOf(UINT type) {
    switch (type & 0xF) {
    case MB_OKCANCEL:
        return {{"_OK", "_Cancel", nullptr}, {IDOK, IDCANCEL, 0}};
    case MB_YESNOCANCEL:
        return {{"_Yes", "_No", "_Cancel"}, {IDYES, IDNO, IDCANCEL}};
    case MB_YESNO:
        return {{"_Yes", "_No", nullptr}, {IDYES, IDNO, 0}};
    case MB_RETRYCANCEL:
        return {{"_Retry", "_Cancel", nullptr}, {IDRETRY, IDCANCEL, 0}};
    default:
        return {{"_OK", nullptr, nullptr}, {IDOK, 0, 0}};
    }
}

GtkMessageType messageTypeOf(UINT type) {
    switch (type & 0xF0) {
    case MB_ICONERROR:
        return GTK_MESSAGE_ERROR;
    case MB_ICONQUESTION:
        return GTK_MESSAGE_QUESTION;
    case MB_ICONWARNING:
        return GTK_MESSAGE_WARNING;
    case MB_ICONINFORMATION:
        return GTK_MESSAGE_INFO;
    default:
        return GTK_MESSAGE_OTHER;
    }
}

void onBoxResponse(GtkDialog*, gint response, gpointer data) {
    auto found = openModals().find(tokenOf(data));
    if (found == openModals().end())
        return;
    // Closed from the window manager: as Windows answers a box closed without a button.
    if (response < 0) {
        const auto* answers = static_cast<const int*>(
            g_object_get_data(G_OBJECT(found->second.widget), "voxtrel-close-answer"));
        response = answers != nullptr ? *answers : IDCANCEL;
    }
    finish(found->first, response);
}

// Once the dialog is on screen it takes the keyboard, with the server's time: without a window
// manager nothing else would give it the focus, and Return would not answer it.
gboolean focusWhenMapped(GtkWidget* widget, GdkEvent*, gpointer) {
    GdkWindow* window = gtk_widget_get_window(widget);
    gdk_window_focus(window, gdk_x11_get_server_time(window));
    return FALSE;
}

} // namespace

void presentMessageBox(const BoxRequest& request) {
    GtkWidget* dialog =
        gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, messageTypeOf(request.type),
                               GTK_BUTTONS_NONE, "%s", request.text.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), request.caption.c_str());
    const BoxButtons buttons = buttonsOf(request.type);
    int count = 0;
    for (; count < 3 && buttons.labels[count] != nullptr; ++count)
        gtk_dialog_add_button(GTK_DIALOG(dialog), buttons.labels[count], buttons.answers[count]);
    // MB_DEFBUTTON2 and MB_DEFBUTTON3 choose the button that Return presses.
    const int defaultIndex = std::min(static_cast<int>((request.type & 0xF00) >> 8), count - 1);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), buttons.answers[defaultIndex]);
    const int closeAnswer = count == 1                         ? buttons.answers[0]
                            : (request.type & 0xF) == MB_YESNO ? IDNO
                                                               : IDCANCEL;
    g_object_set_data_full(G_OBJECT(dialog), "voxtrel-close-answer", new int(closeAnswer),
                           [](gpointer p) { delete static_cast<int*>(p); });
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    openModals()[request.token] = OpenModal{request.threadId, dialog, 0};
    g_signal_connect(dialog, "response", G_CALLBACK(onBoxResponse), dataOf(request.token));
    g_signal_connect(dialog, "map-event", G_CALLBACK(focusWhenMapped), nullptr);
    gtk_widget_realize(dialog);
    gtk_window_present_with_time(GTK_WINDOW(dialog),
                                 gdk_x11_get_server_time(gtk_widget_get_window(dialog)));
}

void takeDownModal(std::uint64_t token) {
    auto found = openModals().find(token);
    if (found == openModals().end())
        return;
    GtkWidget* widget = found->second.widget;
    openModals().erase(found);
    if (GTK_IS_MENU(widget))
        gtk_menu_popdown(GTK_MENU(widget));
    gtk_widget_destroy(widget);
}

} // namespace voxtrel::display::gtk
