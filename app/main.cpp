// The program's entry point on every platform.
#include "platform/win32.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Start-up, the tray icon and the main loop come with the application shell.
    return 0;
}
