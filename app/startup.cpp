// Start-up and shutdown on the main thread.
#include "app/app_shell.h"

#include "common/process_handles.h"
#include "config/config_file.h"
#include "registry/desktop.h"
#include "render/image_library.h"
#include "resources/menu_ids.h"

#include <algorithm>

namespace voxtrel {

namespace {

constexpr DWORD REQUIRED_MAJOR_VERSION = 5; // Windows 2000
constexpr DWORD REQUIRED_MINOR_VERSION = 0;
constexpr int CENTRAL_WINDOW_SIDE = 256;

void createCentralWindow() {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &centralWindowProc;
    windowClass.hIcon = programIcon;
    windowClass.lpszClassName = CENTRAL_CLASS_NAME;
    static_cast<void>(RegisterClassExA(&windowClass)); // a failure leaves no tray and no menu
    centralWindow = CreateWindowExA(0, CENTRAL_CLASS_NAME, CENTRAL_CLASS_NAME, WS_POPUPWINDOW, 0, 0,
                                    CENTRAL_WINDOW_SIDE, CENTRAL_WINDOW_SIDE, nullptr, nullptr,
                                    nullptr, nullptr);
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

void stopAllCursorThreads() {
    // One quit at a time, to the last registered cursor, until the list is empty: each thread
    // removes its own entry as it ends, so they end from the last to the first. A quit that
    // found no queue yet, or a modal loop that took it, is simply posted again.
    for (;;) {
        desktop.lock();
        const bool done = desktop.threads.empty();
        if (!done)
            desktop.threads.back()->quit();
        desktop.unlock();
        if (done)
            break;
        // A millisecond between passes: the thread being stopped takes the same mutex to leave
        // the list, and a pass without a pause would keep it waiting and flood its queue.
        Sleep(1);
    }
    // Every thread ever started, in groups the wait can take: the process never returns from
    // its entry point while a cursor thread still runs.
    const std::vector<HANDLE>& handles = desktop.threadHandles;
    for (std::size_t first = 0; first < handles.size(); first += MAXIMUM_WAIT_OBJECTS) {
        const auto count =
            static_cast<DWORD>(std::min<std::size_t>(MAXIMUM_WAIT_OBJECTS, handles.size() - first));
        static_cast<void>(WaitForMultipleObjectsEx(count, &handles[first], TRUE, INFINITE, FALSE));
    }
}

int runProgram() {
    requireSupportedSystem();
    initImageLibrary();
    // The program's own resources; a null module would mean the system's predefined icons.
    const HINSTANCE program = GetModuleHandleA(nullptr);
    programIcon = LoadIconA(program, MAKEINTRESOURCEA(IDI_PROGRAM));
    createCentralWindow();
    menuResource = LoadMenuA(program, MAKEINTRESOURCEA(IDR_MENU));
    addTrayIcon();
    if (loadConfig() == 0)
        desktop.newCursor();

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    stopAllCursorThreads();
    removeTrayIcon();
    return 0;
}

} // namespace voxtrel
