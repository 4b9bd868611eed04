// The tests' private session bus, watcher and host.
#include "tests/support/session_bus.h"
#include "tests/support/polling.h"

#include <gio/gio.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace voxtrel::testing_support {

PrivateBus::PrivateBus() {
    address_ = "unix:path=" + dir_.path() + "/bus";
    daemon_ = std::make_unique<Helper>(
        "dbus-daemon --session --nofork --nopidfile --address=" + address_ + " 2>/dev/null");
    ready_ = waitForCommand("test -S '" + dir_.path() + "/bus'");
    setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
}

Watcher::Watcher(const PrivateBus& bus, const std::string& program)
    : record_(bus.dir().path() + "/registered") {
    std::remove((record_ + ".ready").c_str());
    std::remove(record_.c_str());
    helper_ = std::make_unique<Helper>(program + " '" + record_ + "'");
    ready_ = waitForFile(record_ + ".ready").has_value();
}

std::string Watcher::waitForItem() const {
    // The watcher appends a line for each registration: the file may be there before the line
    // is whole in it.
    std::string item;
    waitFor(
        [&] {
            const auto services = readFile(record_);
            if (services && services->find('\n') != std::string::npos)
                item = services->substr(0, services->find('\n'));
            return !item.empty();
        },
        20000);
    return item;
}

NotifierHost::NotifierHost(const std::string& address, std::string service)
    : service_(std::move(service)) {
    connection_ = g_dbus_connection_new_for_address_sync(
        address.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
}

NotifierHost::~NotifierHost() {
    if (connection_ != nullptr)
        g_object_unref(connection_);
}

bool NotifierHost::call(const char* method, int x, int y) {
    if (connection_ == nullptr)
        return false;
    GVariant* reply = g_dbus_connection_call_sync(
        connection_, service_.c_str(), "/StatusNotifierItem", "org.kde.StatusNotifierItem", method,
        g_variant_new("(ii)", x, y), nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
    if (reply != nullptr)
        g_variant_unref(reply);
    return reply != nullptr;
}

GVariant* NotifierHost::callMenu(const std::string& path, const char* method, GVariant* arguments) {
    if (connection_ == nullptr)
        return nullptr;
    return g_dbus_connection_call_sync(connection_, service_.c_str(), path.c_str(),
                                       "com.canonical.dbusmenu", method, arguments, nullptr,
                                       G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
}

GVariant* NotifierHost::property(const char* name) {
    if (connection_ == nullptr)
        return nullptr;
    GVariant* reply = g_dbus_connection_call_sync(
        connection_, service_.c_str(), "/StatusNotifierItem", "org.freedesktop.DBus.Properties",
        "Get", g_variant_new("(ss)", "org.kde.StatusNotifierItem", name), G_VARIANT_TYPE("(v)"),
        G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
    if (reply == nullptr)
        return nullptr;
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    g_variant_unref(reply);
    return value;
}

} // namespace voxtrel::testing_support
