// Shell_NotifyIconA: the tray icons of the process, shown by the display backend, whose mouse
// events come back as the owner's callback message.
#include "platform/linux/shell/shell_tray.h"

#include "platform/linux/display/display.h"
#include "platform/linux/gdi/gdi_objects.h"
#include "platform/linux/user/user_state.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace voxtrel::shell {

namespace {

struct TrayEntry {
    HWND owner;
    UINT id;
    UINT callbackMessage;
    display::IconPicture icon;
    std::string tip;
};

std::mutex trayMutex;
std::vector<TrayEntry>& trayIcons() {
    // Never destroyed: threads may still use it while the process exits.
    static auto* icons = new std::vector<TrayEntry>;
    return *icons;
}

std::vector<TrayEntry>::iterator findEntry(HWND owner, UINT id) {
    return std::find_if(trayIcons().begin(), trayIcons().end(), [&](const TrayEntry& entry) {
        return entry.owner == owner && entry.id == id;
    });
}

} // namespace

bool doubleClickTrayIcon() {
    HWND owner = nullptr;
    UINT id = 0;
    UINT callbackMessage = 0;
    {
        std::lock_guard<std::mutex> guard(trayMutex);
        auto entry = std::find_if(trayIcons().begin(), trayIcons().end(),
                                  [](const TrayEntry& icon) { return icon.callbackMessage != 0; });
        if (entry == trayIcons().end())
            return false;
        owner = entry->owner;
        id = entry->id;
        callbackMessage = entry->callbackMessage;
    }
    // The second half of a double-click: its press, then its release.
    PostMessageA(owner, callbackMessage, id, WM_LBUTTONDBLCLK);
    PostMessageA(owner, callbackMessage, id, WM_LBUTTONUP);
    return true;
}

bool commandTrayOwner(WORD command) {
    HWND owner = nullptr;
    {
        std::lock_guard<std::mutex> guard(trayMutex);
        if (trayIcons().empty())
            return false;
        owner = trayIcons().front().owner;
    }
    return PostMessageA(owner, WM_COMMAND, command, 0) != FALSE;
}

bool onlyTrayOwnersExist() {
    std::vector<HWND> owners;
    {
        std::lock_guard<std::mutex> guard(trayMutex);
        for (const TrayEntry& entry : trayIcons())
            owners.push_back(entry.owner);
    }
    std::lock_guard<std::mutex> guard(user::stateLock());
    for (const user::WindowObject* window : user::allWindows()) {
        if (std::find(owners.begin(), owners.end(), window->hwnd) == owners.end())
            return false;
    }
    return true;
}

} // namespace voxtrel::shell

using namespace voxtrel::shell;

void voxtrel::display::deliverTrayEvent(HWND owner, UINT id, UINT mouseMessage) {
    UINT callbackMessage;
    {
        std::lock_guard<std::mutex> guard(trayMutex);
        auto entry = findEntry(owner, id);
        if (entry == trayIcons().end() || entry->callbackMessage == 0)
            return;
        callbackMessage = entry->callbackMessage;
    }
    PostMessageA(owner, callbackMessage, id, static_cast<LPARAM>(mouseMessage));
}

BOOL WINAPI Shell_NotifyIconA(DWORD message, PNOTIFYICONDATAA data) {
    if (data == nullptr || data->cbSize < NOTIFYICONDATAA_V1_SIZE || !IsWindow(data->hWnd)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The first form of the record holds at most 64 characters of tip.
    const std::size_t tipLimit = data->cbSize < sizeof(NOTIFYICONDATAA) ? 64 : sizeof data->szTip;
    voxtrel::display::TrayIcon shown;
    bool removed = false;
    // The icon's pixels are read under GDI's lock, before the tray's own is taken.
    const voxtrel::display::IconPicture picture =
        (data->uFlags & NIF_ICON) != 0 ? voxtrel::gdi::iconPicture(data->hIcon) : nullptr;
    {
        std::lock_guard<std::mutex> guard(trayMutex);
        auto entry = findEntry(data->hWnd, data->uID);
        switch (message) {
        case NIM_ADD:
            if (entry != trayIcons().end())
                return FALSE;
            trayIcons().push_back({data->hWnd, data->uID, 0, nullptr, {}});
            entry = trayIcons().end() - 1;
            break;
        case NIM_MODIFY:
            if (entry == trayIcons().end())
                return FALSE;
            break;
        case NIM_DELETE:
            if (entry == trayIcons().end())
                return FALSE;
            trayIcons().erase(entry);
            removed = true;
            break;
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (removed) {
            shown.owner = data->hWnd;
            shown.id = data->uID;
        } else {
            if ((data->uFlags & NIF_MESSAGE) != 0)
                entry->callbackMessage = data->uCallbackMessage;
            if ((data->uFlags & NIF_ICON) != 0)
                entry->icon = picture;
            if ((data->uFlags & NIF_TIP) != 0)
                entry->tip.assign(data->szTip, strnlen(data->szTip, tipLimit - 1));
            shown = {entry->owner, entry->id, entry->icon, entry->tip};
        }
    }
    // The backend is told outside the lock: it may report clicks back at any moment.
    if (removed)
        voxtrel::display::current().removeTrayIcon(shown.owner, shown.id);
    else
        voxtrel::display::current().setTrayIcon(shown);
    return TRUE;
}
