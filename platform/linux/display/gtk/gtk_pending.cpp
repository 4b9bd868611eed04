// The parts of the X11 backend that wait for the GTK display thread: windows are not shown yet,
// a menu is answered as dismissed and a message box as acknowledged at once.
#include "platform/linux/display/gtk/gtk_display.h"

#include "platform/linux/user/user_input.h"

#include <atomic>
#include <cstdio>

namespace voxtrel::display::gtk {

namespace {
void noteOnce() {
    static std::atomic<bool> noted{false};
    if (!noted.exchange(true))
        std::fprintf(stderr, "voxtrel: the X11 display does not show windows yet; "
                             "use VOXTREL_DISPLAY=headless\n");
}
} // namespace

void GtkDisplay::updateWindow(const WindowSnapshot&, unsigned) {
    noteOnce();
}
void GtkDisplay::destroyWindow(HWND) {}
void GtkDisplay::presentFrame(HWND, std::shared_ptr<const LayeredFrame>) {}

void GtkDisplay::showMenu(const MenuRequest& request) {
    noteOnce();
    user::completeModal(request.threadId, request.token, 0);
}

void GtkDisplay::cancelModal(std::uint64_t) {}

void GtkDisplay::showMessageBox(const BoxRequest& request) {
    // MessageBoxA has written the text to standard error already.
    const UINT buttons = request.type & 0xF;
    user::completeModal(request.threadId, request.token,
                        buttons == MB_YESNO ? IDNO : (buttons == MB_OK ? IDOK : IDCANCEL));
}

void GtkDisplay::setTrayIcon(const TrayIcon&) {
    noteOnce();
}
void GtkDisplay::removeTrayIcon(HWND, UINT) {}

} // namespace voxtrel::display::gtk
