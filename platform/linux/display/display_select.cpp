// Picks the display backend once per process from VOXTREL_DISPLAY.
#include "platform/linux/display/display.h"

#include "platform/linux/display/gtk/gtk_display.h"
#include "platform/linux/display/headless/headless_display.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace voxtrel::display {

namespace {

std::unique_ptr<Display> makeDisplay() {
    const char* name = std::getenv("VOXTREL_DISPLAY");
    if (name != nullptr && std::strcmp(name, "headless") == 0)
        return std::make_unique<headless::HeadlessDisplay>();
    if (name != nullptr && *name != '\0' && std::strcmp(name, "x11") != 0)
        std::fprintf(stderr, "voxtrel: unknown VOXTREL_DISPLAY \"%s\", using x11\n", name);
    return std::make_unique<gtk::GtkDisplay>();
}

} // namespace

Display& current() {
    // Never destroyed: the display thread and the private X connection serve every thread
    // until the process is gone, also while exit runs the destructors of other objects.
    static Display* const display = makeDisplay().release();
    return *display;
}

} // namespace voxtrel::display
