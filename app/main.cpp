// The program's entry point on every platform.
#include "app/app_shell.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return voxtrel::runProgram();
}
