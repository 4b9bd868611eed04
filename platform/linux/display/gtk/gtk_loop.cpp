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
#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

namespace voxtrel::display::gtk {

namespace {

// Work handed to the display thread, in the order of the calls. A caller takes only this
// queue's lock and, for a queue that was empty, writes to an eventfd that wakes the thread's
// loop: never GLib's context lock, which a cursor thread took at every frame with an invoke of
// its own, and which the display thread, woken by that very invoke, then waited for.
struct WorkQueue {
    std::mutex mutex;
    std::deque<std::function<void()>> work;
    int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);

    bool waiting() {
        std::lock_guard<std::mutex> guard(mutex);
        return !work.empty();
    }
    // The oldest work, or an empty function where there is none.
    std::function<void()> take() {
        std::lock_guard<std::mutex> guard(mutex);
        if (work.empty())
            return {};
        std::function<void()> oldest = std::move(work.front());
        work.pop_front();
        return oldest;
    }
};

WorkQueue& workQueue() {
    static auto* queue = new WorkQueue; // never destroyed: callers may outlive static teardown
    return *queue;
}

struct WorkSource {
    GSource source;
    gpointer wakeTag;
};

gboolean prepareWork(GSource*, gint* timeout) {
    *timeout = -1;
    return workQueue().waiting();
}

gboolean checkWork(GSource* source) {
    auto* work = reinterpret_cast<WorkSource*>(source);
    if ((g_source_query_unix_fd(source, work->wakeTag) & G_IO_IN) != 0) {
        std::uint64_t count;
        [[maybe_unused]] const ssize_t drained = ::read(workQueue().wake, &count, sizeof count);
    }
    return workQueue().waiting();
}

// One at a time, so that work that runs a loop of its own finds the later work still in order.
gboolean dispatchWork(GSource*, GSourceFunc, gpointer) {
    while (std::function<void()> next = workQueue().take())
        next();
    return G_SOURCE_CONTINUE;
}

GSourceFuncs workSourceFuncs = {prepareWork, checkWork, dispatchWork, nullptr, nullptr, nullptr};

// Display thread, before any other thread can hand it work.
void watchHandedWork() {
    GSource* source = g_source_new(&workSourceFuncs, sizeof(WorkSource));
    reinterpret_cast<WorkSource*>(source)->wakeTag =
        g_source_add_unix_fd(source, workQueue().wake, G_IO_IN);
    g_source_set_can_recurse(source, TRUE);
    g_source_set_name(source, "voxtrel handed work");
    g_source_attach(source, nullptr);
    g_source_unref(source);
}

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
    onDisplayThread(gtk_main_quit);
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
        watchHandedWork();
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
    if (g_main_context_is_owner(g_main_context_default())) {
        work();
        return;
    }
    WorkQueue& queue = workQueue();
    bool wasEmpty;
    {
        std::lock_guard<std::mutex> guard(queue.mutex);
        wasEmpty = queue.work.empty();
        queue.work.push_back(std::move(work));
    }
    if (wasEmpty) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(queue.wake, &one, sizeof one);
    }
}

} // namespace voxtrel::display::gtk
