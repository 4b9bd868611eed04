// A small StatusNotifierWatcher for the tests, standing in for a desktop's tray host: it owns
// the watcher's name on the session bus and appends every item registered with it, one line
// each, to the file it is given; "<file>.ready" appears once it owns the name.
// Usage: voxtrel_test_notifier_watcher FILE
#include <gio/gio.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr const char* kXml = R"xml(<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  </interface>
</node>)xml";

std::string recordFile;
std::vector<std::string> items;

void callMethod(GDBusConnection* connection, const gchar* sender, const gchar*, const gchar*,
                const gchar* name, GVariant* parameters, GDBusMethodInvocation* invocation,
                gpointer) {
    if (g_strcmp0(name, "RegisterStatusNotifierItem") == 0) {
        const gchar* service = nullptr;
        g_variant_get(parameters, "(&s)", &service);
        items.emplace_back(service);
        // An item named by its object's path is on the connection that registered it: the
        // record names that connection, where a host reaches it.
        std::ofstream(recordFile, std::ios::app) << (service[0] == '/' ? sender : service) << "\n";
        g_dbus_connection_emit_signal(
            connection, nullptr, "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher",
            "StatusNotifierItemRegistered", g_variant_new("(s)", service), nullptr);
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);
}

GVariant* readProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                       const gchar* name, GError**, gpointer) {
    if (g_strcmp0(name, "RegisteredStatusNotifierItems") == 0) {
        GVariantBuilder list;
        g_variant_builder_init(&list, G_VARIANT_TYPE("as"));
        for (const std::string& item : items)
            g_variant_builder_add(&list, "s", item.c_str());
        return g_variant_builder_end(&list);
    }
    if (g_strcmp0(name, "IsStatusNotifierHostRegistered") == 0)
        return g_variant_new_boolean(TRUE);
    return g_variant_new_int32(0);
}

const GDBusInterfaceVTable kCalls = {callMethod, readProperty, nullptr, {}};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    recordFile = argv[1];
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kXml, nullptr);
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (bus == nullptr)
        return 1;
    g_dbus_connection_register_object(bus, "/StatusNotifierWatcher", node->interfaces[0], &kCalls,
                                      nullptr, nullptr, nullptr);
    g_bus_own_name_on_connection(
        bus, "org.kde.StatusNotifierWatcher", G_BUS_NAME_OWNER_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, gpointer) {
            std::ofstream(recordFile + ".ready") << "ready\n";
        },
        [](GDBusConnection*, const gchar*, gpointer) { std::exit(3); }, nullptr, nullptr);
    g_main_loop_run(g_main_loop_new(nullptr, FALSE));
    return 0;
}
