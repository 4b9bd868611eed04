// Handles every thread of the process reads: written once by start-up on the main thread before
// any cursor thread exists, never changed or released afterwards, so read without a lock.
#pragma once

#include "platform/win32.h"

// The program icon (icon resource 5): the tray icon and the class icon of every window.
extern HICON programIcon;
// The hidden central window: receives tray and main-menu messages, owns the About box and the
// programs that launchers open. Null until start-up creates it.
extern HWND centralWindow;
// Menu resource 101: submenu 0 is the main menu, submenu 1 a cursor's property menu.
extern HMENU menuResource;
