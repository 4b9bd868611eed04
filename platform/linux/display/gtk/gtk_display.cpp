// The X11 backend's Display methods: each hands its work to the display thread. Without an X
// server that GTK can open, windows are not shown, a menu is answered as dismissed and a box
// as acknowledged at once, so that no thread waits for an answer that cannot come.
#include "platform/linux/display/gtk/gtk_display.h"
#include "platform/linux/display/gtk/gtk_icon_theme.h"

#include "platform/linux/display/gtk/gtk_loop.h"
#include "platform/linux/display/gtk/gtk_modal.h"
#include "platform/linux/display/gtk/gtk_tray.h"
#include "platform/linux/display/gtk/gtk_windows.h"

#include <atomic>
#include <cstdio>

namespace voxtrel::display::gtk {

namespace {

bool running() {
    if (displayThreadRunning())
        return true;
    static std::atomic<bool> noted{false};
    if (!noted.exchange(true))
        std::fprintf(stderr, "voxtrel: no X display could be opened; nothing is shown "
                             "(VOXTREL_DISPLAY=headless runs without one)\n");
    return false;
}

} // namespace

bool GtkDisplay::reachable() {
    return displayThreadRunning();
}

void GtkDisplay::updateWindow(const WindowSnapshot& window, unsigned changes) {
    if (running())
        onDisplayThread([window, changes] { applyWindowUpdate(window, changes); });
}

void GtkDisplay::destroyWindow(HWND hwnd) {
    if (!running())
        return;
    dropQueuedFrame(hwnd);
    onDisplayThread([hwnd] { forgetWindow(hwnd); });
}

std::string GtkDisplay::iconThemeName() {
    return gtk::iconThemeName();
}

void GtkDisplay::presentFrame(HWND hwnd, std::shared_ptr<LayeredFrame> frame) {
    if (running())
        queueFrame(hwnd, std::move(frame));
}

void GtkDisplay::showMenu(const MenuRequest& request) {
    if (running())
        onDisplayThread([request] { popUpMenu(request); });
    else
        display::completeModal(request.threadId, request.token, 0);
}

void GtkDisplay::cancelModal(std::uint64_t token) {
    if (running())
        onDisplayThread([token] { takeDownModal(token); });
}

void GtkDisplay::showMessageBox(const BoxRequest& request) {
    if (running()) {
        onDisplayThread([request] { presentMessageBox(request); });
        return;
    }
    // MessageBoxA has written the text to standard error already.
    const UINT buttons = request.type & 0xF;
    display::completeModal(request.threadId, request.token,
                        buttons == MB_YESNO ? IDNO : (buttons == MB_OK ? IDOK : IDCANCEL));
}

void GtkDisplay::setTrayIcon(const TrayIcon& icon) {
    if (running())
        onDisplayThread([icon] { showTrayIcon(icon); });
}

void GtkDisplay::removeTrayIcon(HWND owner, UINT id) {
    if (running())
        onDisplayThread([owner, id] { hideTrayIcon(owner, id); });
}

} // namespace voxtrel::display::gtk
