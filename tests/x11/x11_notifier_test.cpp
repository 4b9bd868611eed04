// The tray as a StatusNotifierItem, on a private session bus with the tests' own watcher: the
// item registers, answers the host's property reads, and the host's calls arrive as the tray
// callback's mouse messages; without a watcher the XEmbed icon stands in the notification area.
#include "platform/win32.h"
#include "tests/support/recording_window.h"
#include "tests/support/session_bus.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_thread.h"
#include "tests/support/x_server.h"

#include <gio/gio.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace voxtrel {
namespace {

using namespace testing_support;

constexpr UINT kCallback = WM_APP + 5;
constexpr const char* kTip = "Voxtrel tray tip";

std::vector<LPARAM> trayMessages(HWND owner) {
    std::vector<LPARAM> events;
    for (const Recorded& entry : recorded()) {
        if (entry.hwnd == owner && entry.message == kCallback)
            events.push_back(entry.lParam);
    }
    return events;
}

bool waitForTrayMessages(HWND owner, std::size_t count) {
    return waitFor([&] { return trayMessages(owner).size() >= count; }, 5000);
}

HWND addTrayIcon(UiThread& ui) {
    HWND owner = nullptr;
    ui.call([&] { owner = createRecordingWindowWithTrayIcon(7, kCallback, kTip); });
    return owner;
}

const std::string kXEmbedIconShown =
    std::string("xdotool search --onlyvisible --name '^") + kTip + "$' >/dev/null 2>&1";

class X11Notifier : public testing::Test {
protected:
    void SetUp() override {
        if (useTestXServer().empty())
            GTEST_SKIP() << "no test X server (scripts/test starts one)";
        ASSERT_TRUE(bus.ready()) << "dbus-daemon did not start";
        tray = startNotificationArea();
        ASSERT_NE(tray, nullptr);
    }

    PrivateBus bus;
    std::unique_ptr<Helper> tray;
};

TEST_F(X11Notifier, TheItemRegistersDescribesItselfAndTurnsHostCallsIntoTrayClicks) {
    Watcher watcher(bus, VOXTREL_TEST_NOTIFIER_WATCHER);
    ASSERT_TRUE(watcher.ready());
    UiThread ui;
    HWND owner = addTrayIcon(ui);
    const std::string service = watcher.waitForItem();
    ASSERT_FALSE(service.empty());
    NotifierHost host(bus.address(), service);

    GVariant* title = host.property("Title");
    ASSERT_NE(title, nullptr);
    EXPECT_STREQ(g_variant_get_string(title, nullptr), kTip);
    g_variant_unref(title);
    GVariant* isMenu = host.property("ItemIsMenu");
    ASSERT_NE(isMenu, nullptr);
    EXPECT_FALSE(g_variant_get_boolean(isMenu)) << "the program shows its own menu";
    g_variant_unref(isMenu);
    GVariant* pixmaps = host.property("IconPixmap");
    ASSERT_NE(pixmaps, nullptr);
    ASSERT_EQ(g_variant_n_children(pixmaps), 1u);
    gint32 width = 0, height = 0;
    GVariant* bytes = nullptr;
    g_variant_get_child(pixmaps, 0, "(ii@ay)", &width, &height, &bytes);
    EXPECT_EQ(width, 32);
    EXPECT_EQ(height, 32);
    EXPECT_EQ(g_variant_n_children(bytes), 32u * 32u * 4u);
    g_variant_unref(bytes);
    g_variant_unref(pixmaps);

    Sleep(500);
    EXPECT_FALSE(waitForCommand(kXEmbedIconShown, 300)) << "no XEmbed icon beside the item";

    // The item's own right press first, which asks the owner for the menu to export.
    ASSERT_TRUE(waitForTrayMessages(owner, 2));
    ASSERT_TRUE(host.call("ContextMenu"));
    ASSERT_TRUE(waitForTrayMessages(owner, 4));
    Sleep(600);
    ASSERT_TRUE(host.call("Activate"));
    ASSERT_TRUE(waitForTrayMessages(owner, 6));
    Sleep(600); // a later activation is a click of its own
    ASSERT_TRUE(host.call("Activate"));
    ASSERT_TRUE(host.call("Activate"));
    ASSERT_TRUE(host.call("SecondaryActivate"));
    ASSERT_TRUE(waitForTrayMessages(owner, 12));
    const std::vector<LPARAM> expected = {
        WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDOWN,   WM_RBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP,
        WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_MBUTTONDOWN, WM_MBUTTONUP};
    EXPECT_EQ(trayMessages(owner), expected);
}

TEST_F(X11Notifier, WithoutAWatcherTheXEmbedIconStandsInAndAWatcherTakesOverAndHandsBack) {
    UiThread ui;
    addTrayIcon(ui);
    EXPECT_TRUE(waitForCommand(kXEmbedIconShown)) << "the XEmbed icon in the notification area";

    auto watcher = std::make_unique<Watcher>(bus, VOXTREL_TEST_NOTIFIER_WATCHER);
    ASSERT_TRUE(watcher->ready());
    EXPECT_FALSE(watcher->waitForItem().empty()) << "the item registers with a new watcher";
    EXPECT_TRUE(waitForCommand("! " + kXEmbedIconShown)) << "and the XEmbed icon goes";

    watcher->stop();
    EXPECT_TRUE(waitForCommand(kXEmbedIconShown)) << "the watcher gone, the XEmbed icon is back";

    // The panel quits and comes back, twice: the icon returns each time, and the windows of the
    // panel that went are no error of ours.
    for (int restart = 0; restart < 2; ++restart) {
        tray.reset();
        tray = startNotificationArea();
        ASSERT_NE(tray, nullptr);
        EXPECT_TRUE(waitForCommand(kXEmbedIconShown)) << "back in the new notification area";
    }
}

} // namespace
} // namespace voxtrel
