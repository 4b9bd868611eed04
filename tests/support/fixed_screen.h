// Tests that construct cursors (which centre themselves on the screen) run on a screen of known
// size where the platform lets them choose one: the headless display on Linux. On Windows the
// screen is the system's.
#pragma once

namespace voxtrel::testing_support {

void useFixedScreen();

} // namespace voxtrel::testing_support
