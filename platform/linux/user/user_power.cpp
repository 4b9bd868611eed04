// The display's power state for the windows that ask for it (RegisterPowerSettingNotification
// with GUID_CONSOLE_DISPLAY_STATE): the backend tells the layer when the screen goes to sleep
// and wakes (deliverScreenAsleep), and each such window hears it as WM_POWERBROADCAST. Session
// notifications are accepted and never sent: the locking of an X session is not the layer's
// to see, and a locked screen's saver already counts as asleep.
#include "platform/linux/user/user_power.h"
#include "platform/linux/user/user_state.h"

#include <cstddef>
#include <cstring>

namespace voxtrel::user {

namespace {

constexpr GUID kConsoleDisplayState = {
    0x6FE69556, 0x704A, 0x47A0, {0x8F, 0x24, 0xC2, 0x8D, 0x93, 0x6F, 0xDA, 0x47}};

// POWERBROADCAST_SETTING with room for its DWORD.
struct DisplayStateSetting {
    GUID PowerSetting;
    DWORD DataLength;
    DWORD Data;
};
static_assert(offsetof(DisplayStateSetting, Data) == offsetof(POWERBROADCAST_SETTING, Data));

// One setting for each state, never freed: a posted message's lParam stays valid however late
// its window reads it.
const DisplayStateSetting& settingFor(bool asleep) {
    static const DisplayStateSetting off{kConsoleDisplayState, sizeof(DWORD), 0};
    static const DisplayStateSetting on{kConsoleDisplayState, sizeof(DWORD), 1};
    return asleep ? off : on;
}

bool sameGuid(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

} // namespace

void postDisplayState(const WindowObject& window, bool asleep) {
    if (auto queue = queueOf(window.threadId)) {
        MSG msg{};
        msg.hwnd = window.hwnd;
        msg.message = WM_POWERBROADCAST;
        msg.wParam = PBT_POWERSETTINGCHANGE;
        msg.lParam = reinterpret_cast<LPARAM>(&settingFor(asleep));
        msg.time = GetTickCount();
        post(*queue, msg);
    }
}

} // namespace voxtrel::user

using namespace voxtrel::user;

HPOWERNOTIFY WINAPI RegisterPowerSettingNotification(HANDLE recipient, LPCGUID setting,
                                                     DWORD flags) {
    std::lock_guard<std::mutex> guard(stateLock());
    WindowObject* window = findWindow(static_cast<HWND>(recipient));
    if (window == nullptr || setting == nullptr || flags != DEVICE_NOTIFY_WINDOW_HANDLE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!sameGuid(*setting, kConsoleDisplayState)) {
        // A setting the layer cannot watch: registered, and never changing.
        return static_cast<HPOWERNOTIFY>(recipient);
    }
    window->hearsDisplayState = true;
    postDisplayState(*window, globals().screenAsleep); // as Windows, the state at once
    return static_cast<HPOWERNOTIFY>(recipient);
}

BOOL WINAPI UnregisterPowerSettingNotification(HPOWERNOTIFY notice) {
    std::lock_guard<std::mutex> guard(stateLock());
    if (WindowObject* window = findWindow(static_cast<HWND>(notice)))
        window->hearsDisplayState = false;
    return TRUE;
}

BOOL WINAPI WTSRegisterSessionNotification(HWND hwnd, DWORD) {
    std::lock_guard<std::mutex> guard(stateLock());
    if (findWindow(hwnd) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI WTSUnRegisterSessionNotification(HWND) {
    return TRUE;
}
