// The display's power state as windows hear it (user_power.cpp).
#pragma once

#include "platform/linux/user/user_state.h"

namespace voxtrel::user {

// Posts WM_POWERBROADCAST with the display's state to `window`. Called with stateLock() held.
void postDisplayState(const WindowObject& window, bool asleep);

} // namespace voxtrel::user
