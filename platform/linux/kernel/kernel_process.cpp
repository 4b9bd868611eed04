// ExitProcess: the standard streams are flushed, then the process ends at once. Static
// destructors do not run while other threads may still be using what they destroy.
#include "platform/win32.h"

#include <cstdio>
#include <cstdlib>

void WINAPI ExitProcess(UINT exitCode) {
    std::fflush(nullptr);
    std::_Exit(static_cast<int>(exitCode));
}
