// Storage of the process-wide handles.
#include "common/process_handles.h"

HICON programIcon = nullptr;
HWND centralWindow = nullptr;
HMENU menuResource = nullptr;
