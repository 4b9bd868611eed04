// com.canonical.dbusmenu (version 3) over GDBus. Items are numbered in the order they stand,
// submenus' items after their submenu, from 1; 0 is the menu itself. Every change of the items
// gives a new layout revision, announced with LayoutUpdated.
// Not implemented: icons and shortcuts of items (the program's menus have none).
#include "platform/linux/display/gtk/gtk_dbus_menu.h"

#include <string>

namespace voxtrel::display::gtk {

namespace {

constexpr const char* kMenuInterface = "com.canonical.dbusmenu";

constexpr const char* kMenuXml = R"xml(<node>
  <interface name="com.canonical.dbusmenu">
    <property name="Version" type="u" access="read"/>
    <property name="TextDirection" type="s" access="read"/>
    <property name="Status" type="s" access="read"/>
    <property name="IconThemePath" type="as" access="read"/>
    <method name="GetLayout">
      <arg type="i" name="parentId" direction="in"/>
      <arg type="i" name="recursionDepth" direction="in"/>
      <arg type="as" name="propertyNames" direction="in"/>
      <arg type="u" name="revision" direction="out"/>
      <arg type="(ia{sv}av)" name="layout" direction="out"/>
    </method>
    <method name="GetGroupProperties">
      <arg type="ai" name="ids" direction="in"/>
      <arg type="as" name="propertyNames" direction="in"/>
      <arg type="a(ia{sv})" name="properties" direction="out"/>
    </method>
    <method name="GetProperty">
      <arg type="i" name="id" direction="in"/>
      <arg type="s" name="name" direction="in"/>
      <arg type="v" name="value" direction="out"/>
    </method>
    <method name="Event">
      <arg type="i" name="id" direction="in"/>
      <arg type="s" name="eventId" direction="in"/>
      <arg type="v" name="data" direction="in"/>
      <arg type="u" name="timestamp" direction="in"/>
    </method>
    <method name="EventGroup">
      <arg type="a(isvu)" name="events" direction="in"/>
      <arg type="ai" name="idErrors" direction="out"/>
    </method>
    <method name="AboutToShow">
      <arg type="i" name="id" direction="in"/>
      <arg type="b" name="needUpdate" direction="out"/>
    </method>
    <method name="AboutToShowGroup">
      <arg type="ai" name="ids" direction="in"/>
      <arg type="ai" name="updatesNeeded" direction="out"/>
      <arg type="ai" name="idErrors" direction="out"/>
    </method>
    <signal name="ItemsPropertiesUpdated">
      <arg type="a(ia{sv})" name="updatedProps"/>
      <arg type="a(ias)" name="removedProps"/>
    </signal>
    <signal name="LayoutUpdated">
      <arg type="u" name="revision"/>
      <arg type="i" name="parent"/>
    </signal>
    <signal name="ItemActivationRequested">
      <arg type="i" name="id"/>
      <arg type="u" name="timestamp"/>
    </signal>
  </interface>
</node>)xml";

GDBusInterfaceInfo* menuInterface() {
    static GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kMenuXml, nullptr);
    return node->interfaces[0];
}

struct Node {
    UINT command = 0;
    UINT state = 0; // MF_* of the item; MF_POPUP for a submenu and for the menu itself
    std::string label;
    std::vector<gint32> children;
};

bool sameItems(const std::vector<MenuItemView>& a, const std::vector<MenuItemView>& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].text != b[i].text || a[i].id != b[i].id || a[i].state != b[i].state ||
            !sameItems(a[i].submenu, b[i].submenu))
            return false;
    }
    return true;
}

} // namespace

class ExportedMenu {
public:
    GDBusConnection* bus = nullptr;
    std::string path;
    guint registration = 0;
    guint32 revision = 1;
    std::function<void(UINT)> chosen;
    std::vector<MenuItemView> items;
    std::vector<Node> nodes{Node{0, MF_POPUP, {}, {}}}; // by id; the menu itself first

    void number(const std::vector<MenuItemView>& views, gint32 parent) {
        for (const MenuItemView& view : views) {
            const auto id = static_cast<gint32>(nodes.size());
            nodes[parent].children.push_back(id);
            nodes.push_back({view.id, view.state, dbusMenuLabel(view.text), {}});
            if ((view.state & MF_POPUP) != 0)
                number(view.submenu, id);
        }
    }

    bool known(gint32 id) const { return id >= 0 && static_cast<std::size_t>(id) < nodes.size(); }
};

namespace {

GVariant* propertiesOf(const Node& node, bool isMenu) {
    GVariantBuilder properties;
    g_variant_builder_init(&properties, G_VARIANT_TYPE("a{sv}"));
    if (isMenu) {
        g_variant_builder_add(&properties, "{sv}", "children-display",
                              g_variant_new_string("submenu"));
    } else if ((node.state & MF_SEPARATOR) != 0) {
        g_variant_builder_add(&properties, "{sv}", "type", g_variant_new_string("separator"));
    } else {
        g_variant_builder_add(&properties, "{sv}", "label",
                              g_variant_new_string(node.label.c_str()));
        g_variant_builder_add(&properties, "{sv}", "enabled",
                              g_variant_new_boolean((node.state & (MF_GRAYED | MF_DISABLED)) == 0));
        g_variant_builder_add(&properties, "{sv}", "visible", g_variant_new_boolean(TRUE));
        if ((node.state & MF_POPUP) != 0)
            g_variant_builder_add(&properties, "{sv}", "children-display",
                                  g_variant_new_string("submenu"));
        else if ((node.state & MF_CHECKED) != 0) {
            g_variant_builder_add(
                &properties, "{sv}", "toggle-type",
                g_variant_new_string((node.state & MFT_RADIOCHECK) != 0 ? "radio" : "checkmark"));
            g_variant_builder_add(&properties, "{sv}", "toggle-state", g_variant_new_int32(1));
        }
    }
    return g_variant_builder_end(&properties);
}

GVariant* layoutOf(const ExportedMenu& menu, gint32 id, gint32 depth) {
    GVariantBuilder children;
    g_variant_builder_init(&children, G_VARIANT_TYPE("av"));
    if (depth != 0) {
        for (gint32 child : menu.nodes[id].children)
            g_variant_builder_add(&children, "v", layoutOf(menu, child, depth - 1));
    }
    return g_variant_new("(i@a{sv}av)", id, propertiesOf(menu.nodes[id], id == 0), &children);
}

// A click on an item that carries a command: the owner gets it.
bool runEvent(ExportedMenu& menu, gint32 id, const char* event) {
    if (!menu.known(id))
        return false;
    const Node& node = menu.nodes[id];
    if (std::string(event) == "clicked" && id != 0 &&
        (node.state & (MF_SEPARATOR | MF_POPUP | MF_GRAYED | MF_DISABLED)) == 0)
        menu.chosen(node.command);
    return true;
}

void callMethod(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* name,
                GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
    auto& menu = *static_cast<ExportedMenu*>(data);
    const std::string method = name;
    if (method == "GetLayout") {
        gint32 parent = 0, depth = -1;
        g_variant_get(parameters, "(ii@as)", &parent, &depth, nullptr);
        if (!menu.known(parent)) {
            g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR,
                                                  G_DBUS_ERROR_INVALID_ARGS, "No item %d", parent);
            return;
        }
        g_dbus_method_invocation_return_value(
            invocation,
            g_variant_new("(u@(ia{sv}av))", menu.revision, layoutOf(menu, parent, depth)));
    } else if (method == "GetGroupProperties") {
        GVariant* ids = g_variant_get_child_value(parameters, 0);
        gsize count = 0;
        const auto* asked =
            static_cast<const gint32*>(g_variant_get_fixed_array(ids, &count, sizeof(gint32)));
        GVariantBuilder found;
        g_variant_builder_init(&found, G_VARIANT_TYPE("a(ia{sv})"));
        // No ids at all asks for every item.
        const std::size_t total = count == 0 ? menu.nodes.size() : count;
        for (std::size_t i = 0; i < total; ++i) {
            const gint32 id = count == 0 ? static_cast<gint32>(i) : asked[i];
            if (menu.known(id))
                g_variant_builder_add(&found, "(i@a{sv})", id,
                                      propertiesOf(menu.nodes[id], id == 0));
        }
        g_variant_unref(ids);
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(a(ia{sv}))", &found));
    } else if (method == "GetProperty") {
        gint32 id = 0;
        const gchar* property = nullptr;
        g_variant_get(parameters, "(i&s)", &id, &property);
        GVariant* value = nullptr;
        if (menu.known(id)) {
            GVariant* all = propertiesOf(menu.nodes[id], id == 0);
            value = g_variant_lookup_value(all, property, nullptr);
            g_variant_unref(g_variant_ref_sink(all));
        }
        if (value == nullptr) {
            g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR,
                                                  G_DBUS_ERROR_INVALID_ARGS,
                                                  "No property %s of item %d", property, id);
            return;
        }
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(v)", value));
        g_variant_unref(value);
    } else if (method == "Event") {
        gint32 id = 0;
        const gchar* event = nullptr;
        g_variant_get(parameters, "(i&svu)", &id, &event, nullptr, nullptr);
        if (!runEvent(menu, id, event)) {
            g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR,
                                                  G_DBUS_ERROR_INVALID_ARGS, "No item %d", id);
            return;
        }
        g_dbus_method_invocation_return_value(invocation, nullptr);
    } else if (method == "EventGroup") {
        GVariantIter* events = nullptr;
        g_variant_get(parameters, "(a(isvu))", &events);
        GVariantBuilder errors;
        g_variant_builder_init(&errors, G_VARIANT_TYPE("ai"));
        gint32 id = 0;
        const gchar* event = nullptr;
        while (g_variant_iter_loop(events, "(i&svu)", &id, &event, nullptr, nullptr)) {
            if (!runEvent(menu, id, event))
                g_variant_builder_add(&errors, "i", id);
        }
        g_variant_iter_free(events);
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(ai)", &errors));
    } else if (method == "AboutToShow") {
        // The items are always those of the owner's menu as last shown: nothing to fetch.
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(b)", FALSE));
    } else if (method == "AboutToShowGroup") {
        g_dbus_method_invocation_return_value(
            invocation,
            g_variant_new("(@ai@ai)", g_variant_new_array(G_VARIANT_TYPE_INT32, nullptr, 0),
                          g_variant_new_array(G_VARIANT_TYPE_INT32, nullptr, 0)));
    } else {
        g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD,
                                              "No method %s", name);
    }
}

GVariant* readProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                       const gchar* name, GError** error, gpointer) {
    const std::string property = name;
    if (property == "Version")
        return g_variant_new_uint32(3);
    if (property == "TextDirection")
        return g_variant_new_string("ltr");
    if (property == "Status")
        return g_variant_new_string("normal");
    if (property == "IconThemePath")
        return g_variant_new_strv(nullptr, 0);
    g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "No property %s", name);
    return nullptr;
}

const GDBusInterfaceVTable kMenuCalls = {callMethod, readProperty, nullptr, {}};

} // namespace

std::string dbusMenuLabel(const std::string& caption) {
    std::string label;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        const char c = caption[i];
        if (c == '&' && i + 1 < caption.size() && caption[i + 1] == '&') {
            label += '&';
            ++i;
        } else if (c == '&') {
            label += '_';
        } else if (c == '_') {
            label += "__";
        } else if (c == '\t') {
            break; // a shortcut's text, which hosts show on their own
        } else {
            label += c;
        }
    }
    return label;
}

ExportedMenu* exportMenu(GDBusConnection* bus, const char* path,
                         std::function<void(UINT command)> chosen) {
    auto* menu = new ExportedMenu;
    menu->bus = bus;
    menu->path = path;
    menu->chosen = std::move(chosen);
    menu->registration = g_dbus_connection_register_object(bus, path, menuInterface(), &kMenuCalls,
                                                           menu, nullptr, nullptr);
    return menu;
}

void setExportedItems(ExportedMenu* menu, const std::vector<MenuItemView>& items) {
    if (sameItems(menu->items, items))
        return;
    menu->items = items;
    menu->nodes.assign(1, Node{0, MF_POPUP, {}, {}});
    menu->number(items, 0);
    ++menu->revision;
    if (menu->registration != 0)
        g_dbus_connection_emit_signal(menu->bus, nullptr, menu->path.c_str(), kMenuInterface,
                                      "LayoutUpdated", g_variant_new("(ui)", menu->revision, 0),
                                      nullptr);
}

bool hasExportedItems(const ExportedMenu* menu) {
    return !menu->items.empty();
}

void unexportMenu(ExportedMenu* menu) {
    if (menu->registration != 0)
        g_dbus_connection_unregister_object(menu->bus, menu->registration);
    delete menu;
}

} // namespace voxtrel::display::gtk
