// The X11 display backend: GTK 3 on a display thread of its own shows the layer's windows,
// menus, boxes and tray icons and reports their input; the screen size and the pointer come from
// a private Xlib connection that any thread may use.
#pragma once

#include "platform/linux/display/display.h"

namespace voxtrel::display::gtk {

// Screen size reported when no X server can be reached (no DISPLAY, or it refuses us): the same
// 1280 x 1024 screen the headless backend starts with.
constexpr Size kFallbackScreenSize{1280, 1024};

class GtkDisplay : public Display {
public:
    GtkDisplay();
    ~GtkDisplay() override;
    GtkDisplay(const GtkDisplay&) = delete;
    GtkDisplay& operator=(const GtkDisplay&) = delete;

    bool reachable() override;
    Size screenSize() override;
    std::vector<RECT> monitors() override;
    POINT pointerPosition() override;
    UINT dotsPerInch() override;
    std::string iconThemeName() override;
    void updateWindow(const WindowSnapshot& window, unsigned changes) override;
    void destroyWindow(HWND hwnd) override;
    void presentFrame(HWND hwnd, std::shared_ptr<LayeredFrame> frame) override;
    void showMenu(const MenuRequest& request) override;
    void cancelModal(std::uint64_t token) override;
    void showMessageBox(const BoxRequest& request) override;
    void setTrayIcon(const TrayIcon& icon) override;
    void removeTrayIcon(HWND owner, UINT id) override;

private:
    struct Connection;
    Connection* connection_;
};

} // namespace voxtrel::display::gtk
