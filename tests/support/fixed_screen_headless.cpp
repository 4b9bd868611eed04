// The headless display's screen for the portable tests.
#include "tests/support/fixed_screen.h"

#include "platform/linux/display/headless/headless_control.h"

namespace voxtrel::testing_support {

void useFixedScreen() {
    headless::setScreenSize(1280, 1024);
}

} // namespace voxtrel::testing_support
