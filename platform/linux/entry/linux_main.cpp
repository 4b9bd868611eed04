// main() of the Linux build: hands over to WinMain as the Windows loader does. The program reads
// no command line and has no main window, so it gets an empty line and the default show state.
#include "platform/win32.h"

#include <cstdlib>

int main() {
    // Without a GPU, Mesa's software renderer would start rasteriser threads for every
    // cursor's context; each cursor already renders on a thread of its own, and for windows
    // of a few hundred pixels the hand-over costs more than it saves (measured: 15% of a core
    // against 13% for one 256-pixel cursor, 86% against 74% at 1024). Set before any thread
    // runs; a value the user chose stays.
    setenv("LP_NUM_THREADS", "0", 0);
    char emptyCommandLine[] = "";
    return WinMain(nullptr, nullptr, emptyCommandLine, SW_SHOWDEFAULT);
}
