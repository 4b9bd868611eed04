// The one interface between the Linux layer and a window system. Each backend lives in its own
// folder and namespace: gtk/ talks to a real X11 server, headless/ keeps everything in memory.
// No window-system header appears here, so the rest of the layer stays free of them.
//
// The layer calls these methods from any thread; a backend serialises them itself. What a
// backend reports back (input, drops, tray clicks, menu choices, box answers) goes through the
// functions of display_reports.h, which post it to the right thread. Pictures cross in both
// directions as pixels (display_pixels.h), never as the layer's own objects.
#pragma once

#include "platform/linux/display/display_pixels.h"
#include "platform/linux/display/display_reports.h"
#include "platform/linux/win32/types.h"
#include "platform/linux/win32/user.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace voxtrel::display {

struct Size {
    int width;
    int height;
};

// What a backend needs to know of a window.
struct WindowSnapshot {
    HWND hwnd = nullptr;
    std::string title;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{};
    bool visible = false;
    bool minimized = false;
    IconPicture icon; // the window class's icon; null for none
};

// Which parts of a window changed with an update.
enum WindowChange : unsigned {
    kCreated = 1u << 0,
    kGeometry = 1u << 1,
    kVisibility = 1u << 2,
    kTitle = 1u << 3,
    kStyle = 1u << 4,    // extended style: topmost, taskbar button, layered
    kRaised = 1u << 5,   // to the top of its band
    kActivated = 1u << 6 // receives the keyboard
};

struct MenuItemView {
    std::string text; // empty for a separator
    UINT id = 0;
    UINT state = 0; // MF_CHECKED, MF_GRAYED, MF_SEPARATOR, MF_POPUP, MFT_RADIOCHECK
    std::vector<MenuItemView> submenu;
};

struct MenuRequest {
    std::uint64_t token = 0;
    DWORD threadId = 0;
    HWND owner = nullptr;
    std::vector<MenuItemView> items;
    int x = 0;
    int y = 0;
    UINT flags = 0; // TPM_*
};

struct BoxRequest {
    std::uint64_t token = 0;
    DWORD threadId = 0;
    HWND owner = nullptr;
    std::string text;
    std::string caption;
    UINT type = 0; // MB_*
};

struct TrayIcon {
    HWND owner = nullptr;
    UINT id = 0;
    IconPicture icon; // null for none
    std::string tip;
};

class Display {
public:
    virtual ~Display() = default;

    // Whether the window system can be reached at all; without it nothing can be shown.
    virtual bool reachable() = 0;

    // Screen
    // The size of the whole screen in pixels: every monitor together, as the virtual screen.
    virtual Size screenSize() = 0;
    // The monitors' rectangles in screen coordinates, the primary first; one rectangle that
    // covers the screen where the system tells of none.
    virtual std::vector<RECT> monitors() = 0;
    virtual POINT pointerPosition() = 0;
    // The density the desktop asks programs to draw at, in dots per inch: 96 at the usual
    // density, 192 where a desktop scales everything twice. The same on every monitor.
    virtual UINT dotsPerInch() = 0;
    // The icon theme the desktop asks programs to show (GTK's gtk-icon-theme-name, which the
    // desktop sets through XSETTINGS or GTK's settings file); empty where the window system
    // does not say.
    virtual std::string iconThemeName() = 0;

    // Windows
    virtual void updateWindow(const WindowSnapshot& window, unsigned changes) = 0;
    virtual void destroyWindow(HWND hwnd) = 0;
    // The frame is the backend's from here until it lets it go; it finishes the pixels
    // (frame_pixels.h) where it takes them.
    virtual void presentFrame(HWND hwnd, std::shared_ptr<LayeredFrame> frame) = 0;

    // Menus: shown without blocking; the choice (0 when dismissed) comes back through
    // completeModal with the request's token.
    virtual void showMenu(const MenuRequest& request) = 0;
    // Takes down a menu or box whose thread stopped waiting for it (WM_QUIT).
    virtual void cancelModal(std::uint64_t token) = 0;

    // Boxes: shown without blocking; the answer (IDOK, ...) comes back like a menu choice.
    virtual void showMessageBox(const BoxRequest& request) = 0;

    // Tray
    virtual void setTrayIcon(const TrayIcon& icon) = 0;
    virtual void removeTrayIcon(HWND owner, UINT id) = 0;
};

// The backend chosen by VOXTREL_DISPLAY ("x11", the default, or "headless"), made on first use
// and kept for the life of the process.
Display& current();

} // namespace voxtrel::display
