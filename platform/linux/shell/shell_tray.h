// The process's tray icons as seen from the rest of the layer: what a later start of the
// program asks of the running one goes through them.
#pragma once

#include "platform/win32.h"

namespace voxtrel::shell {

// A double-click on the process's first tray icon, as the user's own would arrive: what a
// program does when it is asked, from outside, to come forward. False when it has no tray icon.
bool doubleClickTrayIcon();

// A command of the menu that the first tray icon's owner shows, posted to the owner as the
// choice of that item would arrive (WM_COMMAND). False when the process has no tray icon.
bool commandTrayOwner(WORD command);

// Whether the process has no window but the owners of its tray icons: nothing on screen, not
// even hidden, that a request to come forward could show.
bool onlyTrayOwnersExist();

} // namespace voxtrel::shell
