// The hidden central window: the tray icon's clicks and the main menu's commands.
#include "app/app_shell.h"

#include "app/instance_request.h"

#include "common/process_handles.h"
#include "config/config_file.h"
#include "registry/desktop.h"
#include "resources/menu_ids.h"

#include <cstdio>

namespace voxtrel {

namespace {

constexpr int MAIN_SUBMENU = 0;
constexpr UINT MAIN_MENU_FLAGS = TPM_BOTTOMALIGN | TPM_RIGHTALIGN; // bottom right at the mouse
constexpr const char* ABOUT_TEXT =
    "Voxtrel: spinning launcher solids for your desktop, made by the Voxtrel team.";

NOTIFYICONDATAA trayIconRecord;
// Whether the saved cursors are loaded: read and written on the main thread only.
bool cursorsLoaded = false;
// Between a double-click on the tray icon and the next left-button release.
bool trayDoubleClicked = false;

void onTrayEvent(HWND window, UINT mouseMessage) {
    switch (mouseMessage) {
    case WM_LBUTTONUP:
        if (trayDoubleClicked) {
            KillTimer(window, TRAY_CLICK_TIMER_ID);
            trayDoubleClicked = false;
        } else {
            // The menu opens unless a double-click follows within the delay.
            SetTimer(window, TRAY_CLICK_TIMER_ID, TRAY_CLICK_DELAY_MS, nullptr);
        }
        break;
    case WM_LBUTTONDBLCLK:
        desktop.showAll();
        trayDoubleClicked = true;
        break;
    case WM_RBUTTONDOWN:
        showMainMenu(window);
        break;
    default:
        break;
    }
}

} // namespace

void startUpEnded() {
    cursorsLoaded = true;
}

void addTrayIcon() {
    trayIconRecord = {};
    trayIconRecord.cbSize = NOTIFYICONDATAA_V1_SIZE; // the first form: a tip of 64 characters
    trayIconRecord.hWnd = centralWindow;
    trayIconRecord.uID = 0;
    trayIconRecord.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    trayIconRecord.uCallbackMessage = TRAY_CALLBACK_MESSAGE;
    trayIconRecord.hIcon = programIcon;
    std::snprintf(trayIconRecord.szTip, 64, "%s", PROGRAM_TITLE);
    static_cast<void>(Shell_NotifyIconA(NIM_ADD, &trayIconRecord)); // without it, no main menu
}

void removeTrayIcon() {
    static_cast<void>(Shell_NotifyIconA(NIM_DELETE, &trayIconRecord));
}

void showMainMenu(HWND window) {
    POINT mouse;
    GetCursorPos(&mouse);
    SetForegroundWindow(window);
    TrackPopupMenuEx(GetSubMenu(menuResource, MAIN_SUBMENU), MAIN_MENU_FLAGS, mouse.x, mouse.y,
                     window, nullptr);
}

void runMainCommand(WORD command) {
    switch (command) {
    case IDM_ABOUT:
        MessageBoxA(centralWindow, ABOUT_TEXT, PROGRAM_TITLE, MB_OK);
        break;
    case IDM_EXIT:
        PostQuitMessage(0);
        break;
    case IDM_NEW_CURSOR:
        desktop.newCursor();
        break;
    case IDM_SAVE_CONFIG:
        saveConfig();
        break;
    case IDM_HIDE_ALL:
        desktop.hideAll();
        break;
    case IDM_SHOW_ALL:
        desktop.showAll();
        break;
    default:
        break;
    }
}

namespace {

// The main menu's command that each request of a later start names.
struct RequestCommand {
    entry::InstanceRequest request;
    WORD command;
};
constexpr RequestCommand REQUEST_COMMANDS[] = {
    {entry::InstanceRequest::NewCursor, IDM_NEW_CURSOR},
    {entry::InstanceRequest::ShowAll, IDM_SHOW_ALL},
    {entry::InstanceRequest::HideAll, IDM_HIDE_ALL},
    {entry::InstanceRequest::Save, IDM_SAVE_CONFIG},
    {entry::InstanceRequest::Exit, IDM_EXIT},
};

// A later start's request, carried out as the main menu's command of that name; a plain start
// shows every cursor, or makes one when there is none.
bool carryOutRequest(WPARAM request) {
    const auto asked = static_cast<entry::InstanceRequest>(request);
    if (asked == entry::InstanceRequest::Start) {
        if (!cursorsLoaded)
            return true;
        desktop.lock();
        const bool none = desktop.threads.empty();
        desktop.unlock();
        runMainCommand(none ? IDM_NEW_CURSOR : IDM_SHOW_ALL);
        return true;
    }
    for (const RequestCommand& known : REQUEST_COMMANDS) {
        if (known.request == asked) {
            runMainCommand(known.command);
            return true;
        }
    }
    return false;
}

} // namespace

LRESULT CALLBACK centralWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case INSTANCE_REQUEST_MESSAGE:
        return carryOutRequest(wParam) ? INSTANCE_REQUEST_DONE : 0;
    case WM_COMMAND:
        runMainCommand(LOWORD(wParam));
        break;
    case WM_TIMER:
        // The click delay is this window's only timer.
        KillTimer(window, TRAY_CLICK_TIMER_ID);
        showMainMenu(window);
        break;
    case TRAY_CALLBACK_MESSAGE:
        onTrayEvent(window, static_cast<UINT>(lParam));
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace voxtrel
