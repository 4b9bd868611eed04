// Window-manager services of the Linux layer (user32): window classes and windows owned by
// their creating thread, per-thread message queues, timers and painting, layered windows,
// input state, menus and message boxes.
#pragma once

#include "platform/linux/win32/gdi.h"
#include "platform/linux/win32/types.h"

// Messages
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_SHOWWINDOW 0x0018
#define WM_MOUSEACTIVATE 0x0021
#define MA_ACTIVATE 1
#define MA_NOACTIVATE 3
#define WM_GETMINMAXINFO 0x0024
#define WM_DISPLAYCHANGE 0x007E
#define WM_CONTEXTMENU 0x007B
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_NCCALCSIZE 0x0083
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_COMMAND 0x0111
#define WM_TIMER 0x0113
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_RBUTTONDBLCLK 0x0206
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define WM_MBUTTONDBLCLK 0x0209
#define WM_MOUSEWHEEL 0x020A
#define WM_ENTERSIZEMOVE 0x0231
#define WM_EXITSIZEMOVE 0x0232
#define WM_DROPFILES 0x0233
#define WM_USER 0x0400
#define WM_APP 0x8000

#define WHEEL_DELTA 120
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010

#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_APPS 0x5D
#define VK_F10 0x79

#define MAKELPARAM(low, high) ((LPARAM)(DWORD)(((WORD)(low)) | (((DWORD)(WORD)(high)) << 16)))
#define GET_X_LPARAM(lp) ((int)(short)LOWORD(lp))
#define GET_Y_LPARAM(lp) ((int)(short)HIWORD(lp))
#define GET_WHEEL_DELTA_WPARAM(wp) ((short)HIWORD(wp))

// Resources named by number
#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)
#define IDI_APPLICATION MAKEINTRESOURCEA(32512)
#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define IDC_HAND MAKEINTRESOURCEA(32649)

// Window styles
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_VISIBLE 0x10000000L
#define WS_MINIMIZE 0x20000000L
#define WS_BORDER 0x00800000L
#define WS_SYSMENU 0x00080000L
#define WS_POPUPWINDOW (WS_POPUP | WS_BORDER | WS_SYSMENU)
#define WS_EX_TOPMOST 0x00000008L
#define WS_EX_ACCEPTFILES 0x00000010L
#define WS_EX_TOOLWINDOW 0x00000080L
#define WS_EX_APPWINDOW 0x00040000L
#define WS_EX_LAYERED 0x00080000L
#define WS_EX_NOACTIVATE 0x08000000L
#define CS_DBLCLKS 0x0008
#define CW_USEDEFAULT ((int)0x80000000)

#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWLP_WNDPROC (-4)
#define GWLP_USERDATA (-21)

// ShowWindow, SetWindowPos
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10
#define HWND_TOP ((HWND)0)
#define HWND_BOTTOM ((HWND)1)
#define HWND_TOPMOST ((HWND)-1)
#define HWND_NOTOPMOST ((HWND)-2)
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOACTIVATE 0x0010
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080

// Layered windows
#define ULW_COLORKEY 0x00000001
#define ULW_ALPHA 0x00000002
#define ULW_OPAQUE 0x00000004

// Metrics
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXICON 11
#define SM_CYICON 12
#define SM_CXDOUBLECLK 36
#define SM_CYDOUBLECLK 37
#define SM_XVIRTUALSCREEN 76
#define SM_YVIRTUALSCREEN 77
#define SM_CXVIRTUALSCREEN 78
#define SM_CYVIRTUALSCREEN 79

// Menus
#define MF_BYCOMMAND 0x00000000L
#define MF_BYPOSITION 0x00000400L
#define MF_ENABLED 0x00000000L
#define MF_GRAYED 0x00000001L
#define MF_DISABLED 0x00000002L
#define MF_STRING 0x00000000L
#define MF_UNCHECKED 0x00000000L
#define MF_CHECKED 0x00000008L
#define MF_POPUP 0x00000010L
#define MF_SEPARATOR 0x00000800L
#define MFT_RADIOCHECK 0x00000200L
#define TPM_LEFTBUTTON 0x0000L
#define TPM_RIGHTBUTTON 0x0002L
#define TPM_LEFTALIGN 0x0000L
#define TPM_CENTERALIGN 0x0004L
#define TPM_RIGHTALIGN 0x0008L
#define TPM_TOPALIGN 0x0000L
#define TPM_VCENTERALIGN 0x0010L
#define TPM_BOTTOMALIGN 0x0020L
#define TPM_NONOTIFY 0x0080L
#define TPM_RETURNCMD 0x0100L

// Message boxes
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_ICONERROR 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONWARNING 0x00000030L
#define MB_ICONINFORMATION 0x00000040L
#define IDOK 1
#define IDCANCEL 2
#define IDRETRY 4
#define IDYES 6
#define IDNO 7

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void(CALLBACK* TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);
typedef BOOL(CALLBACK* MONITORENUMPROC)(HMONITOR, HDC, LPRECT, LPARAM);

typedef struct tagSIZE {
    LONG cx;
    LONG cy;
} SIZE, *LPSIZE;

typedef struct tagWNDCLASSEXA {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
    HICON hIconSm;
} WNDCLASSEXA;

typedef struct tagCREATESTRUCTA {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
} CREATESTRUCTA, *LPCREATESTRUCTA;

typedef struct tagMINMAXINFO {
    POINT ptReserved;
    POINT ptMaxSize;
    POINT ptMaxPosition;
    POINT ptMinTrackSize;
    POINT ptMaxTrackSize;
} MINMAXINFO;

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG, *LPMSG;

typedef struct tagTPMPARAMS {
    UINT cbSize;
    RECT rcExclude;
} TPMPARAMS, *LPTPMPARAMS;

typedef struct _ICONINFO {
    BOOL fIcon;
    DWORD xHotspot;
    DWORD yHotspot;
    HBITMAP hbmMask;
    HBITMAP hbmColor;
} ICONINFO, *PICONINFO;

// Window classes and windows. A window belongs to the thread that created it: its messages are
// dispatched there only, and it goes when that thread ends.
ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* windowClass);
HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID parameter);
BOOL WINAPI DestroyWindow(HWND hwnd);
BOOL WINAPI IsWindow(HWND hwnd);
LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT WINAPI CallWindowProcA(WNDPROC procedure, HWND hwnd, UINT message, WPARAM wParam,
                               LPARAM lParam);
LRESULT WINAPI SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LONG_PTR WINAPI SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value);
LONG_PTR WINAPI GetWindowLongPtrA(HWND hwnd, int index);
LONG WINAPI SetWindowLongA(HWND hwnd, int index, LONG value);
LONG WINAPI GetWindowLongA(HWND hwnd, int index);
DWORD WINAPI GetWindowThreadProcessId(HWND hwnd, LPDWORD processId);

// Message queues
BOOL WINAPI GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax);
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
BOOL WINAPI PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL WINAPI TranslateMessage(const MSG* msg);
LRESULT WINAPI DispatchMessageA(const MSG* msg);
void WINAPI PostQuitMessage(int exitCode);
BOOL WINAPI PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL WINAPI PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);

// Timers and painting: WM_TIMER and WM_PAINT are made only when the queue is otherwise empty.
#define USER_TIMER_MINIMUM 0x00000010 // 16 ms
UINT_PTR WINAPI SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC procedure);
BOOL WINAPI KillTimer(HWND hwnd, UINT_PTR id);

// Power settings: the display turning off and on (GUID_CONSOLE_DISPLAY_STATE, whose Data is a
// DWORD: 0 off, 1 on, 2 dimmed) reaches a registered window as WM_POWERBROADCAST,
// PBT_POWERSETTINGCHANGE, with the setting in lParam; the current state comes at registration.
#define WM_POWERBROADCAST 0x0218
#define PBT_POWERSETTINGCHANGE 0x8013
#define DEVICE_NOTIFY_WINDOW_HANDLE 0x00000000
typedef void* HPOWERNOTIFY;
typedef struct {
    GUID PowerSetting;
    DWORD DataLength;
    UCHAR Data[1];
} POWERBROADCAST_SETTING;
HPOWERNOTIFY WINAPI RegisterPowerSettingNotification(HANDLE recipient, LPCGUID setting,
                                                     DWORD flags);
BOOL WINAPI UnregisterPowerSettingNotification(HPOWERNOTIFY notice);

// Session changes (wtsapi32). The layer knows of no locking of an X session, so a registered
// window hears nothing; the display's state comes as a power setting.
#define WM_WTSSESSION_CHANGE 0x02B1
#define WTS_SESSION_LOCK 0x7
#define WTS_SESSION_UNLOCK 0x8
#define NOTIFY_FOR_THIS_SESSION 0
BOOL WINAPI WTSRegisterSessionNotification(HWND hwnd, DWORD flags);
BOOL WINAPI WTSUnRegisterSessionNotification(HWND hwnd);
BOOL WINAPI InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL WINAPI ValidateRect(HWND hwnd, const RECT* rect);

// Window state
BOOL WINAPI ShowWindow(HWND hwnd, int command);
BOOL WINAPI SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL WINAPI CloseWindow(HWND hwnd);
BOOL WINAPI SetWindowTextA(HWND hwnd, LPCSTR text);
int WINAPI GetWindowTextA(HWND hwnd, LPSTR buffer, int size);
BOOL WINAPI GetWindowRect(HWND hwnd, LPRECT rect);
BOOL WINAPI IsWindowVisible(HWND hwnd);
BOOL WINAPI IsIconic(HWND hwnd);
BOOL WINAPI UpdateLayeredWindow(HWND hwnd, HDC destination, POINT* position, SIZE* size, HDC source,
                                POINT* sourcePosition, COLORREF key, BLENDFUNCTION* blend,
                                DWORD flags);
BOOL WINAPI SetForegroundWindow(HWND hwnd);
HWND WINAPI GetForegroundWindow();
BOOL WINAPI BringWindowToTop(HWND hwnd);
HWND WINAPI SetActiveWindow(HWND hwnd);
HWND WINAPI GetActiveWindow();

// Input
HWND WINAPI SetCapture(HWND hwnd);
BOOL WINAPI ReleaseCapture();
HWND WINAPI GetCapture();
BOOL WINAPI GetCursorPos(LPPOINT point);
int WINAPI GetSystemMetrics(int index);
// Every monitor, each with its rectangle in virtual-screen coordinates; a clip or a device
// context is not supported (both must be null).
BOOL WINAPI EnumDisplayMonitors(HDC dc, LPCRECT clip, MONITORENUMPROC callback, LPARAM data);
// The monitor that shows `point`; where none does, by `flags`, the nearest, the primary or none.
#define MONITOR_DEFAULTTONULL 0x00000000
#define MONITOR_DEFAULTTOPRIMARY 0x00000001
#define MONITOR_DEFAULTTONEAREST 0x00000002
HMONITOR WINAPI MonitorFromPoint(POINT point, DWORD flags);

// Screen density (shcore, which the program looks up at run time as on Windows). Every monitor
// has the density the desktop asks for, and a program sees the screen in device pixels, as a
// Windows program that declares itself aware of each monitor's density.
typedef enum MONITOR_DPI_TYPE {
    MDT_EFFECTIVE_DPI = 0,
    MDT_ANGULAR_DPI = 1,
    MDT_RAW_DPI = 2,
    MDT_DEFAULT = MDT_EFFECTIVE_DPI
} MONITOR_DPI_TYPE;
HRESULT WINAPI GetDpiForMonitor(HMONITOR monitor, MONITOR_DPI_TYPE type, UINT* dpiX, UINT* dpiY);
// Sent by Windows when a window comes to a monitor of another density: the new dots per inch
// in both words of wParam. The layer's monitors all have one density, so it never sends it.
#define WM_DPICHANGED 0x02E0

// Icons and pointers. The program's own icon is resource 5; IDI_APPLICATION is a generic one.
HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name);
HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name);
BOOL WINAPI GetIconInfo(HICON icon, PICONINFO info);
BOOL WINAPI DestroyIcon(HICON icon);

// Menus: one tree shared by every thread. Items are reached by command through submenus.
HMENU WINAPI LoadMenuA(HINSTANCE instance, LPCSTR name);
HMENU WINAPI CreatePopupMenu();
BOOL WINAPI AppendMenuA(HMENU menu, UINT flags, UINT_PTR idOrSubmenu, LPCSTR text);
BOOL WINAPI DestroyMenu(HMENU menu);
HMENU WINAPI GetSubMenu(HMENU menu, int position);
int WINAPI GetMenuItemCount(HMENU menu);
UINT WINAPI GetMenuItemID(HMENU menu, int position);
UINT WINAPI GetMenuState(HMENU menu, UINT item, UINT flags);
int WINAPI GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int size, UINT flags);
DWORD WINAPI CheckMenuItem(HMENU menu, UINT item, UINT check);
BOOL WINAPI CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags);
BOOL WINAPI EnableMenuItem(HMENU menu, UINT item, UINT enable);
// Modal on the calling thread, which goes on dispatching its own messages meanwhile.
BOOL WINAPI TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS params);
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
