// X errors that no request expected. GDK ends the program for any X error outside one of its
// error traps, taking it for a bug. But some come from other programs' windows vanishing under
// us: when a panel quits or restarts, GTK's own tray icon code may still address the panel's
// windows, untrapped, for a moment. A desktop gadget must outlive its panel, so the display
// thread keeps one trap open for its whole life. Pushed before any other, it only catches what
// no inner trap claims: GDK gives each error to the innermost trap whose requests it covers, so
// every trap set around a request still sees that request's error.
// That trap would also hide our own faults, so every error first passes a hook of ours, set on
// the connection with Xlib's extension interface (GDK sets the process's error handler again at
// every trap): one about a resource of this client, outside any trap of ours, is said on
// standard error.
#include "platform/linux/display/gtk/gtk_x_errors.h"

#include "platform/linux/display/gtk/gtk_loop.h"
#include "platform/linux/display/gtk/gtk_server_image.h"

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>
#include <gdk/gdkx.h>

#include <cstdio>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <tuple>

// Xlib's interface for extensions; its macros clash with the standard headers, so it comes last.
#include <X11/Xlibint.h>

namespace voxtrel::display::gtk {

namespace {

constexpr int kShmPutImage = 3; // X_ShmPutImage, MIT-SHM's minor opcode

using ErrorHook = Bool (*)(::Display*, XErrorEvent*, xError*);

// Display thread only, like everything the hook reads.
constexpr int kErrorCodes = 256;
ErrorHook previousHooks[kErrorCodes] = {};
int sharedMemoryOpcode = -1;
std::map<int, std::string>& extensionNames() {
    static auto* names = new std::map<int, std::string>; // major opcode -> name
    return *names;
}

// Requests of our own traps: from the first serial to the last (0 while the trap is open).
struct SerialRange {
    unsigned long first;
    unsigned long last;
};
std::deque<SerialRange>& expectedRanges() {
    static auto* ranges = new std::deque<SerialRange>;
    return *ranges;
}

// Ranges the server has wholly answered before `serial` can match no error still to come.
void forgetAnsweredRanges(::Display* x, unsigned long serial) {
    std::deque<SerialRange>& ranges = expectedRanges();
    const unsigned long processed = LastKnownRequestProcessed(x);
    while (!ranges.empty() && ranges.front().last != 0 && ranges.front().last < processed &&
           ranges.front().last < serial)
        ranges.pop_front();
}

bool expected(::Display* x, unsigned long serial) {
    forgetAnsweredRanges(x, serial);
    for (const SerialRange& range : expectedRanges()) {
        if (serial >= range.first && (range.last == 0 || serial <= range.last))
            return true;
    }
    return false;
}

// Whether `id` is one this client made: each client's identifiers share a base, given at
// connection.
bool ownResource(::Display* x, XID id) {
    return id != 0 && (id & ~x->resource_mask) == x->resource_base;
}

std::string requestName(::Display* x, const XErrorEvent& error) {
    char name[128] = {};
    std::string key = std::to_string(error.request_code);
    const auto extension = extensionNames().find(error.request_code);
    if (extension != extensionNames().end())
        key = extension->second + "." + std::to_string(error.minor_code);
    XGetErrorDatabaseText(x, "XRequest", key.c_str(), key.c_str(), name, sizeof name);
    return name;
}

void reportOnce(::Display* x, const XErrorEvent& error) {
    static auto* reported = new std::set<std::tuple<int, int, int>>;
    if (!reported->emplace(error.error_code, error.request_code, error.minor_code).second)
        return;
    char text[160] = {};
    XGetErrorText(x, error.error_code, text, sizeof text);
    std::fprintf(stderr,
                 "voxtrel: unexpected X error: %s (%d) in request %s (%d.%d) about resource "
                 "0x%lx; further errors like it are not reported\n",
                 text, error.error_code, requestName(x, error).c_str(), error.request_code,
                 error.minor_code, error.resourceid);
    std::fflush(stderr);
}

// A window may vanish under any client, destroyed by another program: requests about it fail
// until the news of its end arrives, which closes the layer's window (gtk_windows.cpp).
bool aboutAVanishedWindow(const XErrorEvent& error) {
    return error.error_code == BadWindow || error.error_code == BadDrawable;
}

// Sees each error of the connection before GDK's handler does; True passes it on.
Bool onXError(::Display* x, XErrorEvent* error, xError* wire) {
    const bool refusedPut =
        error->request_code == sharedMemoryOpcode && error->minor_code == kShmPutImage;
    if (refusedPut)
        ServerImage::noteRefusedPut(error->serial);
    if (ownResource(x, error->resourceid) && !aboutAVanishedWindow(*error) &&
        !expected(x, error->serial))
        reportOnce(x, *error);
    // GDK's traps take every error, ours included; the outermost one keeps it from aborting.
    const ErrorHook previous = previousHooks[error->error_code];
    return previous != nullptr ? previous(x, error, wire) : True;
}

void noteExtensions(::Display* x) {
    int count = 0;
    char** names = XListExtensions(x, &count);
    for (int i = 0; i < count; ++i) {
        int major = 0, event = 0, error = 0;
        if (XQueryExtension(x, names[i], &major, &event, &error))
            extensionNames()[major] = names[i];
    }
    if (names != nullptr)
        XFreeExtensionList(names);
    int event = 0, error = 0;
    if (!XQueryExtension(x, "MIT-SHM", &sharedMemoryOpcode, &event, &error))
        sharedMemoryOpcode = -1;
}

} // namespace

void watchXErrors() {
    GdkDisplay* display = gdk_display_get_default();
    if (!GDK_IS_X11_DISPLAY(display))
        return;
    gdk_x11_display_error_trap_push(display); // never popped
    ::Display* x = GDK_DISPLAY_XDISPLAY(display);
    noteExtensions(x);
    for (int code = 0; code < kErrorCodes; ++code)
        previousHooks[code] = XESetWireToError(x, code, onXError);
}

ExpectedErrors::ExpectedErrors(GdkDisplay* display) : display_(display) {
    ::Display* x = GDK_DISPLAY_XDISPLAY(display);
    forgetAnsweredRanges(x, NextRequest(x)); // traps come every second: the list stays short
    expectedRanges().push_back({NextRequest(x), 0});
    gdk_x11_display_error_trap_push(display);
}

namespace {

void closeNewestRange(GdkDisplay* display) {
    ::Display* x = GDK_DISPLAY_XDISPLAY(display);
    for (auto range = expectedRanges().rbegin(); range != expectedRanges().rend(); ++range) {
        if (range->last == 0) {
            // A trap with no request in it covers none.
            range->last = NextRequest(x) - 1;
            if (range->last < range->first)
                expectedRanges().erase(std::next(range).base());
            return;
        }
    }
}

} // namespace

int ExpectedErrors::pop() {
    if (!open_)
        return 0;
    open_ = false;
    const int code = gdk_x11_display_error_trap_pop(display_); // waits for the server
    closeNewestRange(display_);
    return code;
}

ExpectedErrors::~ExpectedErrors() {
    if (!open_)
        return;
    gdk_x11_display_error_trap_pop_ignored(display_);
    closeNewestRange(display_);
}

} // namespace voxtrel::display::gtk
