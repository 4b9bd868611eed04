// Window-manager services of the Linux layer (user32): metrics, windows and messages.
#pragma once

#include "platform/linux/win32/types.h"

#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXVIRTUALSCREEN 78
#define SM_CYVIRTUALSCREEN 79

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOW 5
#define SW_SHOWDEFAULT 10

// Sizes of the screen; the virtual screen is the X screen as a whole (all monitors together).
int WINAPI GetSystemMetrics(int index);

LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
