// Shell services of the Linux layer (shell32): opening a path with its default application.
#pragma once

#include "platform/linux/win32/types.h"

#define SEE_MASK_DEFAULT 0x00000000
#define SEE_MASK_NOCLOSEPROCESS 0x00000040
#define SEE_MASK_FLAG_NO_UI 0x00000400

// Codes left in hInstApp by a failed ShellExecuteExA (a successful one leaves a value above 32).
#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_NOASSOC 31

typedef struct _SHELLEXECUTEINFOA {
    DWORD cbSize;
    ULONG fMask;
    HWND hwnd;
    LPCSTR lpVerb;
    LPCSTR lpFile;
    LPCSTR lpParameters;
    LPCSTR lpDirectory;
    int nShow;
    HINSTANCE hInstApp;
    void* lpIDList;
    LPCSTR lpClass;
    HKEY hkeyClass;
    DWORD dwHotKey;
    union {
        HANDLE hIcon;
        HANDLE hMonitor;
    };
    HANDLE hProcess;
} SHELLEXECUTEINFOA, *LPSHELLEXECUTEINFOA;

// Opens lpFile with the default application for its type (or runs it when it is a program or a
// desktop launcher) without waiting for what it starts. Unless SEE_MASK_FLAG_NO_UI is set, a
// path that cannot be opened is reported to the user, as the Windows shell does.
BOOL WINAPI ShellExecuteExA(SHELLEXECUTEINFOA* info);
