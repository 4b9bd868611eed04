// The display thread: it owns GLib's default main context from before gtk_init on, so every
// invoke from another thread runs there, and runs GTK's main loop for the life of the process.
// It ends as the process exits, before the libraries' own teardown: libX11 frees its locks then
// (XFreeThreads), and an Xlib call of the display thread after that crashes.
#include "platform/linux/display/gtk/gtk_loop.h"
#include "platform/linux/display/gtk/gtk_icon_theme.h"
#include "platform/linux/display/gtk/gtk_pointer_motion.h"
#include "platform/linux/display/gtk/gtk_density.h"
#include "platform/linux/display/gtk/gtk_windows.h"
#include "platform/linux/display/gtk/gtk_x_errors.h"

#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace voxtrel::display::gtk {

namespace {

struct Startup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool running = false;
    bool ended = false;
    std::thread runner; // joined as the process exits, never destroyed
};

// How long an exiting process waits for the display thread, which may be waiting on an X server
// that no longer answers.
constexpr auto kEndWait = std::chrono::seconds(2);

Startup* started = nullptr; // never destroyed, set once before the thread starts

// Registered with atexit once GTK runs: exit runs it before the ELF destructors of the
// libraries, which run last.
void endDisplayThread() {
    Startup* startup = started;
    if (startup == nullptr || std::this_thread::get_id() == startup->runner.get_id())
        return;
    g_main_context_invoke(
        nullptr,
        [](gpointer) -> gboolean {
            gtk_main_quit();
            return G_SOURCE_REMOVE;
        },
        nullptr);
    std::unique_lock<std::mutex> guard(startup->mutex);
    if (!startup->done.wait_for(guard, kEndWait, [startup] { return startup->ended; }))
        return;
    guard.unlock();
    // Until the thread has ended altogether: its own teardown (the C library's per-thread
    // buffers) is over before the leak check and the libraries' destructors run.
    startup->runner.join();
}

void runDisplayThread(Startup* startup) {
    GMainContext* context = g_main_context_default();
    // Owned before gtk_init: otherwise an invoke made before the loop runs would execute on the
    // calling thread instead of this one.
    g_main_context_acquire(context);
    // Windows at absolute places, shapes, an icon in an XEmbed tray: X11 only. A Wayland
    // session's WAYLAND_DISPLAY must not make GTK open its Wayland backend: the program then
    // runs through XWayland.
    gdk_set_allowed_backends("x11");
    const bool opened = gtk_init_check(nullptr, nullptr) != FALSE;
    if (opened) {
        watchXErrors();
        noteWindowScale(); // before any other thread converts a position
        std::atexit(endDisplayThread);
    }
    {
        std::lock_guard<std::mutex> guard(startup->mutex);
        startup->running = opened;
        startup->finished = true;
    }
    startup->done.notify_all();
    if (!opened) {
        g_main_context_release(context);
        return;
    }
    watchScreenSize();
    watchScreenSleep();
    watchCompositor();
    watchFramePuts();
    watchPointerMotion();
    watchIconTheme();
    watchCoverage();
    gtk_main();
    g_main_context_release(context);
    {
        std::lock_guard<std::mutex> guard(startup->mutex);
        startup->ended = true;
    }
    startup->done.notify_all();
}

gboolean runBoxedWork(gpointer data) {
    (*static_cast<std::function<void()>*>(data))();
    return G_SOURCE_REMOVE;
}

void deleteBoxedWork(gpointer data) {
    delete static_cast<std::function<void()>*>(data);
}

} // namespace

bool displayThreadRunning() {
    // Never destroyed: the display thread runs until the process exits.
    static Startup* startup = [] {
        auto* created = new Startup;
        started = created;
        created->runner = std::thread(runDisplayThread, created);
        std::unique_lock<std::mutex> guard(created->mutex);
        created->done.wait(guard, [created] { return created->finished; });
        return created;
    }();
    return startup->running;
}

void watchRootEvents(long mask, GdkFilterFunc filter) {
    GdkWindow* root = gdk_get_default_root_window();
    ::Display* x = GDK_WINDOW_XDISPLAY(root);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(x, GDK_WINDOW_XID(root), &attributes) != 0)
        XSelectInput(x, GDK_WINDOW_XID(root), attributes.your_event_mask | mask);
    gdk_window_add_filter(root, filter, nullptr);
}

void onDisplayThread(std::function<void()> work) {
    g_main_context_invoke_full(nullptr, G_PRIORITY_DEFAULT, runBoxedWork,
                               new std::function<void()>(std::move(work)), deleteBoxedWork);
}

} // namespace voxtrel::display::gtk
