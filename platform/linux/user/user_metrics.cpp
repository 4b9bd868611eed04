// GetSystemMetrics: the screen sizes the program asks for, from the display backend.
#include "platform/win32.h"

#include "platform/linux/display/display.h"

int WINAPI GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN:
    case SM_CXVIRTUALSCREEN:
        return voxtrel::display::current().screenSize().width;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN:
        return voxtrel::display::current().screenSize().height;
    default:
        // Windows answers 0 for a metric it does not know.
        return 0;
    }
}
