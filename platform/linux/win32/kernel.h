// Kernel services of the Linux layer: last-error code and the process-wide basics.
#pragma once

#include "platform/linux/win32/types.h"

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_NO_ASSOCIATION 1155L

// The calling thread's last-error code, as on Windows.
DWORD WINAPI GetLastError();
void WINAPI SetLastError(DWORD code);
