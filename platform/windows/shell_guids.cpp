// The interface identifiers the program asks the shell for, defined once: no MinGW import
// library carries IID_IImageList, and on MSVC this merely repeats what uuid.lib holds.
#include <initguid.h>

#include "platform/win32.h"
