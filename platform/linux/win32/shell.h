// Shell services of the Linux layer (shell32): opening a path with its default application.
#pragma once

#include "platform/linux/win32/kernel.h"
#include "platform/linux/win32/types.h"

#include <cstddef>

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

// Dropped files: the drop handle carried by WM_DROPFILES.

struct HDROP__;
typedef struct HDROP__* HDROP;
UINT WINAPI DragQueryFileA(HDROP drop, UINT index, LPSTR buffer, UINT size);
BOOL WINAPI DragQueryPoint(HDROP drop, POINT* point);
void WINAPI DragFinish(HDROP drop);

// The tray icon. Mouse events over it reach the owner window as uCallbackMessage, with uID in
// wParam and the mouse message in lParam.
#define NIM_ADD 0x00000000
#define NIM_MODIFY 0x00000001
#define NIM_DELETE 0x00000002
#define NIF_MESSAGE 0x00000001
#define NIF_ICON 0x00000002
#define NIF_TIP 0x00000004

typedef struct _NOTIFYICONDATAA {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    CHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    CHAR szInfo[256];
    UINT uVersion;
    CHAR szInfoTitle[64];
    DWORD dwInfoFlags;
} NOTIFYICONDATAA, *PNOTIFYICONDATAA;
// The first form of the record: a tip of at most 64 characters.
#define NOTIFYICONDATAA_V1_SIZE (offsetof(NOTIFYICONDATAA, szTip) + 64)

BOOL WINAPI Shell_NotifyIconA(DWORD message, PNOTIFYICONDATAA data);

// File information: the icon of a path, looked up by its content type in the icon theme.
#define SHGFI_LARGEICON 0x000000000
#define SHGFI_ICON 0x000000100
#define SHGFI_DISPLAYNAME 0x000000200
#define SHGFI_TYPENAME 0x000000400
#define SHGFI_SYSICONINDEX 0x000004000

typedef struct _SHFILEINFOA {
    HICON hIcon;
    int iIcon;
    DWORD dwAttributes;
    CHAR szDisplayName[MAX_PATH];
    CHAR szTypeName[80];
} SHFILEINFOA;

DWORD_PTR WINAPI SHGetFileInfoA(LPCSTR path, DWORD attributes, SHFILEINFOA* info, UINT infoSize,
                                UINT flags);

// The system image lists: a path's icon (by the index SHGFI_SYSICONINDEX gives) at one of the
// shell's sizes, 32 (SHIL_LARGE), 16, 48 (SHIL_EXTRALARGE) or 256 (SHIL_JUMBO) pixels. Only
// the two methods the program calls are declared; the object is the layer's own.

typedef GUID IID;
typedef const IID& REFIID;

#define SHIL_LARGE 0
#define SHIL_SMALL 1
#define SHIL_EXTRALARGE 2
#define SHIL_SYSSMALL 3
#define SHIL_JUMBO 4
#define ILD_TRANSPARENT 0x00000001

struct IImageList {
    virtual HRESULT GetIcon(int index, UINT flags, HICON* icon) = 0;
    virtual ULONG Release() = 0;

protected:
    ~IImageList() = default;
};
extern const IID IID_IImageList;

HRESULT WINAPI SHGetImageList(int imageList, REFIID riid, void** object);
