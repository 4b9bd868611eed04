// GetSystemMetrics: the screen sizes from the display backend, and the fixed sizes of icons and
// of the double-click box.
#include "platform/win32.h"

#include "platform/linux/display/display.h"

namespace {
constexpr int kLargeIconSide = 32;
constexpr int kDoubleClickBox = 4;
} // namespace

int WINAPI GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN:
    case SM_CXVIRTUALSCREEN:
        return voxtrel::display::current().screenSize().width;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN:
        return voxtrel::display::current().screenSize().height;
    case SM_XVIRTUALSCREEN:
    case SM_YVIRTUALSCREEN:
        return 0; // the X screen's origin
    case SM_CXICON:
    case SM_CYICON:
        return kLargeIconSide;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
        return kDoubleClickBox;
    default:
        // Windows answers 0 for a metric it does not know.
        return 0;
    }
}
