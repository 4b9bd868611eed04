// The program's entry point, called by the Linux layer's main() as Windows calls it.
#pragma once

#include "platform/linux/win32/types.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
