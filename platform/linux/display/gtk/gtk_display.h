// The X11 display backend. So far it answers the screen size; windows, input, menus and the
// tray come with the GTK display thread.
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

    Size screenSize() override;

private:
    struct Connection;
    Connection* connection_;
};

} // namespace voxtrel::display::gtk
