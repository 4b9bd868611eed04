// What Windows tells a cursor beyond its own window's state: the session locked (the desktop
// is behind the lock screen) and the display turned off. Either way nobody can see the cursor,
// so its frame timer only looks now and then; its clock runs on, so the solid shows where it
// would have been once the desktop is back.
#include "cursor/cursor.h"

#include <cstring>

namespace voxtrel {

namespace {

// GUID_CONSOLE_DISPLAY_STATE: its data is a DWORD, 0 off, 1 on, 2 dimmed (still seen).
constexpr GUID DISPLAY_STATE_SETTING = {
    0x6FE69556, 0x704A, 0x47A0, {0x8F, 0x24, 0xC2, 0x8D, 0x93, 0x6F, 0xDA, 0x47}};
constexpr DWORD DISPLAY_OFF = 0;

} // namespace

void Cursor::listenForSessionAndDisplay() {
    // Either may be refused (no session service yet, an older system): the cursor then only
    // knows its own window's state, as before.
    static_cast<void>(WTSRegisterSessionNotification(hwnd, NOTIFY_FOR_THIS_SESSION));
    displayNotice =
        RegisterPowerSettingNotification(hwnd, &DISPLAY_STATE_SETTING, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void Cursor::stopListeningForSessionAndDisplay() {
    static_cast<void>(WTSUnRegisterSessionNotification(hwnd));
    if (displayNotice != nullptr) {
        UnregisterPowerSettingNotification(displayNotice);
        displayNotice = nullptr;
    }
}

void Cursor::onSessionChange(WPARAM change) {
    if (change == WTS_SESSION_LOCK)
        sessionLocked = true;
    else if (change == WTS_SESSION_UNLOCK)
        sessionLocked = false;
    else
        return;
    onFrameTimer(); // the timer's pace follows at once
}

void Cursor::onPowerSetting(const POWERBROADCAST_SETTING& setting) {
    if (std::memcmp(&setting.PowerSetting, &DISPLAY_STATE_SETTING, sizeof(GUID)) != 0 ||
        setting.DataLength < sizeof(DWORD))
        return;
    DWORD state = 0;
    std::memcpy(&state, setting.Data, sizeof state);
    displayOff = state == DISPLAY_OFF;
    onFrameTimer();
}

} // namespace voxtrel
