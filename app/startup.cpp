// Start-up and shutdown on the main thread.
#include "app/app_shell.h"

#include "common/process_handles.h"
#include "config/config_file.h"
#include "registry/desktop.h"
#include "render/image_library.h"
#include "resources/menu_ids.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace voxtrel {

namespace {

constexpr DWORD REQUIRED_MAJOR_VERSION = 5; // Windows 2000
constexpr DWORD REQUIRED_MINOR_VERSION = 0;
constexpr int CENTRAL_WINDOW_SIDE = 256;

void createCentralWindow(const char* title) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &centralWindowProc;
    windowClass.hIcon = programIcon;
    windowClass.lpszClassName = CENTRAL_CLASS_NAME;
    static_cast<void>(RegisterClassExA(&windowClass)); // a failure leaves no tray and no menu
    centralWindow =
        CreateWindowExA(0, CENTRAL_CLASS_NAME, title, WS_POPUPWINDOW, 0, 0, CENTRAL_WINDOW_SIDE,
                        CENTRAL_WINDOW_SIDE, nullptr, nullptr, nullptr, nullptr);
}

} // namespace

void requireSupportedSystem() {
    OSVERSIONINFOEXA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    version.dwMajorVersion = REQUIRED_MAJOR_VERSION;
    version.dwMinorVersion = REQUIRED_MINOR_VERSION;
    ULONGLONG mask = VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL);
    mask = VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
    if (VerifyVersionInfoA(&version, VER_MAJORVERSION | VER_MINORVERSION, mask) != FALSE)
        return;
    MessageBoxA(nullptr, "This Software requires Windows 2000 or higher.", "Fatal Error",
                MB_ICONERROR);
    ExitProcess(0);
}

namespace {

// Names each cursor still registered, by where it stands: those that did not end in time.
void reportStuckCursors(DWORD limitMs) {
    desktop.lock();
    for (const CursorThread* entry : desktop.threads)
        std::fprintf(stderr,
                     "voxtrel: the cursor at (%d, %d) did not end within %lu ms; the program "
                     "ends without it\n",
                     static_cast<int>(entry->cursor->centerX),
                     static_cast<int>(entry->cursor->centerY), static_cast<unsigned long>(limitMs));
    desktop.unlock();
    std::fflush(stderr);
}

} // namespace

bool stopAllCursorThreads(DWORD limitMs) {
    // The limit runs from the last cursor that ended: many cursors may take their time, one
    // that does not end at all is given up on.
    DWORD start = GetTickCount();
    std::size_t remaining = SIZE_MAX;
    const auto left = [&]() -> DWORD {
        const DWORD spent = GetTickCount() - start;
        return spent < limitMs ? limitMs - spent : 0;
    };
    // One quit at a time, to the last registered cursor, until the list is empty: each thread
    // removes its own entry as it ends, so they end from the last to the first. A quit that
    // found no queue yet, or a modal loop that took it, is simply posted again.
    for (;;) {
        desktop.lock();
        const bool done = desktop.threads.empty();
        if (!done)
            desktop.threads.back()->quit();
        if (desktop.threads.size() < remaining) {
            remaining = desktop.threads.size();
            start = GetTickCount();
        }
        desktop.unlock();
        if (done)
            break;
        if (left() == 0) {
            reportStuckCursors(limitMs);
            return false;
        }
        // A millisecond between passes: the thread being stopped takes the same mutex to leave
        // the list, and a pass without a pause would keep it waiting and flood its queue.
        Sleep(1);
    }
    // Every thread ever started, in groups the wait can take: the process never returns from
    // its entry point while a cursor thread still runs.
    const std::vector<HANDLE>& handles = desktop.threadHandles;
    start = GetTickCount();
    for (std::size_t first = 0; first < handles.size(); first += MAXIMUM_WAIT_OBJECTS) {
        const auto count =
            static_cast<DWORD>(std::min<std::size_t>(MAXIMUM_WAIT_OBJECTS, handles.size() - first));
        if (WaitForMultipleObjectsEx(count, &handles[first], TRUE, left(), FALSE) == WAIT_TIMEOUT) {
            std::fprintf(stderr, "voxtrel: a cursor's thread did not end within %lu ms\n",
                         static_cast<unsigned long>(limitMs));
            return false;
        }
    }
    return true;
}

int runProgram(const char* centralTitle) {
    requireSupportedSystem();
    initImageLibrary();
    // The program's own resources; a null module would mean the system's predefined icons.
    const HINSTANCE program = GetModuleHandleA(nullptr);
    programIcon = LoadIconA(program, MAKEINTRESOURCEA(IDI_PROGRAM));
    createCentralWindow(centralTitle);
    menuResource = LoadMenuA(program, MAKEINTRESOURCEA(IDR_MENU));
    addTrayIcon();
    if (loadConfig() == 0)
        desktop.newCursor();
    startUpEnded();

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    const bool ended = stopAllCursorThreads();
    removeTrayIcon();
    if (!ended)
        ExitProcess(0); // at once: a cursor still running must not meet the process's teardown
    return 0;
}

} // namespace voxtrel
