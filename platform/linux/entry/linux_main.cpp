// main() of the Linux build: hands over to WinMain as the Windows loader does. The program reads
// no command line and has no main window, so it gets an empty line and the default show state.
#include "platform/win32.h"

int main() {
    char emptyCommandLine[] = "";
    return WinMain(nullptr, nullptr, emptyCommandLine, SW_SHOWDEFAULT);
}
