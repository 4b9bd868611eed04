// The Windows services the program is written against: the real API on Windows, our own
// Linux layer (same names, types and constants) everywhere else.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>
#include <commoncontrols.h>
#include <wtsapi32.h>
#include <shellscalingapi.h>
// The 256-pixel system image list (Vista and later), named by older SDK headers too.
#ifndef SHIL_JUMBO
#define SHIL_JUMBO 4
#endif
#else
#include "platform/linux/win32/types.h"
#include "platform/linux/win32/kernel.h"
#include "platform/linux/win32/user.h"
#include "platform/linux/win32/gdi.h"
#include "platform/linux/win32/shell.h"
#include "platform/linux/win32/entry.h"
#endif
