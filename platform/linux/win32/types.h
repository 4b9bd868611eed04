// Basic Win32 types, handles and calling conventions for the Linux layer, with the sizes they
// have on Windows (LONG and DWORD are 32-bit; the pointer-sized ones follow the pointer).
#pragma once

#include <cstdint>

// No calling conventions on Linux. GL/gl.h may have defined APIENTRY first.
#define WINAPI
#define CALLBACK
#ifndef APIENTRY
#define APIENTRY
#endif

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned char UCHAR;
typedef std::uint16_t WORD;
typedef std::uint16_t ATOM;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef std::uint32_t ULONG;
typedef int INT;
typedef unsigned int UINT;
typedef char CHAR;
typedef std::uint64_t DWORDLONG;
typedef std::uint64_t ULONGLONG;

typedef std::intptr_t INT_PTR;
typedef std::uintptr_t UINT_PTR;
typedef std::intptr_t LONG_PTR;
typedef std::uintptr_t ULONG_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;

typedef void* LPVOID;
typedef const void* LPCVOID;
typedef void* HANDLE;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef DWORD* LPDWORD;

// Distinct handle types, as <windows.h> declares them under STRICT, so that mixing them up
// does not compile here either.
#define VOXTREL_DECLARE_HANDLE(name)                                                               \
    struct name##__;                                                                               \
    typedef struct name##__* name
VOXTREL_DECLARE_HANDLE(HWND);
VOXTREL_DECLARE_HANDLE(HINSTANCE);
VOXTREL_DECLARE_HANDLE(HICON);
VOXTREL_DECLARE_HANDLE(HMENU);
VOXTREL_DECLARE_HANDLE(HDC);
VOXTREL_DECLARE_HANDLE(HGLRC);
VOXTREL_DECLARE_HANDLE(HKEY);
VOXTREL_DECLARE_HANDLE(HMONITOR);
// As under STRICT: any GDI handle converts to it.
typedef void* HGDIOBJ;
VOXTREL_DECLARE_HANDLE(HBITMAP);
VOXTREL_DECLARE_HANDLE(HBRUSH);
#undef VOXTREL_DECLARE_HANDLE
typedef HINSTANCE HMODULE;
typedef HICON HCURSOR;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

typedef ULONG_PTR DWORD_PTR;
#define LOWORD(l) ((WORD)(((DWORD_PTR)(l)) & 0xffff))
#define MAKEWPARAM(low, high) ((WPARAM)(DWORD)(((WORD)(low)) | (((DWORD)(WORD)(high)) << 16)))
#define HIWORD(l) ((WORD)((((DWORD_PTR)(l)) >> 16) & 0xffff))

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT, *LPPOINT;

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *LPRECT;
typedef const RECT* LPCRECT;

typedef struct _GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
} GUID;
typedef const GUID* LPCGUID;

typedef LONG HRESULT;
#define S_OK ((HRESULT)0)
#define E_INVALIDARG ((HRESULT)0x80070057L)
#define E_NOINTERFACE ((HRESULT)0x80004002L)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
