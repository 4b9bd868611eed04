// The program's entry point on every platform. On Linux, main() has read the command line and
// claimed the configuration before it calls this; on Windows the start does both here.
#include "app/app_shell.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
#ifdef _WIN32
    return voxtrel::startProgram();
#else
    return voxtrel::runProgram();
#endif
}
