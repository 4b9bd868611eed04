// A session bus of a test's own, with the tests' StatusNotifierWatcher, and a tray host's side
// of the StatusNotifierItem conversation.
#pragma once

#include "tests/support/temp_dir.h"
#include "tests/support/x_server.h"

#include <memory>
#include <string>

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GVariant GVariant;

namespace voxtrel::testing_support {

// A dbus-daemon of the test's own, named in DBUS_SESSION_BUS_ADDRESS before GIO first looks.
class PrivateBus {
public:
    PrivateBus();
    bool ready() const { return ready_; }
    const std::string& address() const { return address_; }
    const TempDir& dir() const { return dir_; }

private:
    TempDir dir_;
    std::string address_;
    std::unique_ptr<Helper> daemon_;
    bool ready_ = false;
};

// The tests' watcher (VOXTREL_TEST_NOTIFIER_WATCHER, given by the test) on `bus`.
class Watcher {
public:
    Watcher(const PrivateBus& bus, const std::string& program);
    bool ready() const { return ready_; }
    // The first service registered with it; empty when none came within 20 s.
    std::string waitForItem() const;
    void stop() { helper_.reset(); }

private:
    std::string record_;
    std::unique_ptr<Helper> helper_;
    bool ready_ = false;
};

// A host's side of the conversation with the item `service`, on a connection of its own.
class NotifierHost {
public:
    NotifierHost(const std::string& address, std::string service);
    ~NotifierHost();
    NotifierHost(const NotifierHost&) = delete;
    NotifierHost& operator=(const NotifierHost&) = delete;
    // Calls a method of the item with (x, y); false when the call failed.
    bool call(const char* method, int x = 10, int y = 10);
    // The property's value (the caller unrefs it), or null.
    GVariant* property(const char* name);
    // A method of the item's exported menu (com.canonical.dbusmenu at `path`): the reply (the
    // caller unrefs it), or null when the call failed.
    GVariant* callMenu(const std::string& path, const char* method, GVariant* arguments);

private:
    std::string service_;
    GDBusConnection* connection_ = nullptr;
};

} // namespace voxtrel::testing_support
