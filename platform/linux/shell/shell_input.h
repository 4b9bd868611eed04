// How the display backends hand drops and tray clicks to the shell layer. Callable from any
// thread; each call posts to the thread that owns the target window.
#pragma once

#include "platform/win32.h"

#include <string>
#include <vector>

namespace voxtrel::shell {

// Files dropped on `target` at a screen position: WM_DROPFILES with a drop handle, when the
// window accepts files (WS_EX_ACCEPTFILES). False when it does not take them.
bool deliverDrop(HWND target, const std::vector<std::string>& paths, POINT screen);

// A mouse message (WM_LBUTTONUP, ...) over the tray icon `id` of `owner`.
void deliverTrayEvent(HWND owner, UINT id, UINT mouseMessage);

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
