// In-memory screen of the headless backend. Does not implement windows, input or the tray yet.
#include "platform/linux/display/headless/headless_display.h"
#include "platform/linux/display/headless/headless_control.h"

#include <atomic>

namespace voxtrel {

namespace {
std::atomic<int> screenWidth{headless::kDefaultScreenWidth};
std::atomic<int> screenHeight{headless::kDefaultScreenHeight};
} // namespace

void headless::setScreenSize(int width, int height) {
    screenWidth = width;
    screenHeight = height;
}

display::Size display::headless::HeadlessDisplay::screenSize() {
    return {screenWidth.load(), screenHeight.load()};
}

} // namespace voxtrel
