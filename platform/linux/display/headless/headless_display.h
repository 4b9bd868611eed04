// The in-memory display backend: no window system, state kept for tests to set and read back.
// Screen only so far: a fixed screen of 1280 x 1024 unless a test sets another.
#pragma once

#include "platform/linux/display/display.h"

namespace voxtrel::display::headless {

class HeadlessDisplay : public Display {
public:
    Size screenSize() override;
};

} // namespace voxtrel::display::headless
