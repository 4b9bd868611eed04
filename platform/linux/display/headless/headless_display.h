// The in-memory display backend: no window system. Windows keep their state, layered updates
// keep their frames, menus and boxes wait for a test to answer them, and input is injected
// through headless_control.h.
#pragma once

#include "platform/linux/display/display.h"

namespace voxtrel::display::headless {

class HeadlessDisplay : public Display {
public:
    bool reachable() override { return true; }
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
};

} // namespace voxtrel::display::headless
