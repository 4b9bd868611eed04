// The recording window class.
#include "tests/support/recording_window.h"

#include <cstdio>

#include <algorithm>
#include <string>

namespace voxtrel::testing_support {

namespace {

std::mutex mutex;
std::vector<Recorded>& log() {
    static std::vector<Recorded> messages;
    return messages;
}

LRESULT CALLBACK recordingProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    {
        std::lock_guard<std::mutex> guard(mutex);
        log().push_back({hwnd, message, wParam, lParam, GetCurrentThreadId()});
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace

std::vector<Recorded> recorded() {
    std::lock_guard<std::mutex> guard(mutex);
    return log();
}

std::vector<UINT> recordedMessages(const std::vector<UINT>& ignored) {
    std::vector<UINT> messages;
    for (const Recorded& entry : recorded()) {
        if (std::find(ignored.begin(), ignored.end(), entry.message) == ignored.end())
            messages.push_back(entry.message);
    }
    return messages;
}

void clearRecorded() {
    std::lock_guard<std::mutex> guard(mutex);
    log().clear();
}

HWND createRecordingWindow(DWORD exStyle, LPVOID parameter, UINT classStyle, RECT rect) {
    const std::string name = "recorder" + std::to_string(classStyle);
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = classStyle;
    windowClass.lpfnWndProc = recordingProcedure;
    windowClass.lpszClassName = name.c_str();
    RegisterClassExA(&windowClass); // fails harmlessly once the class exists
    return CreateWindowExA(exStyle, name.c_str(), "recorder", WS_POPUP, rect.left, rect.top,
                           rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                           nullptr, parameter);
}

void pumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

HWND createRecordingWindowWithTrayIcon(UINT id, UINT callbackMessage, const char* tip) {
    HWND owner = createRecordingWindow();
    NOTIFYICONDATAA icon = {};
    icon.cbSize = sizeof icon;
    icon.hWnd = owner;
    icon.uID = id;
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = callbackMessage;
    icon.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    std::snprintf(icon.szTip, sizeof icon.szTip, "%s", tip);
    return Shell_NotifyIconA(NIM_ADD, &icon) ? owner : nullptr;
}

} // namespace voxtrel::testing_support
