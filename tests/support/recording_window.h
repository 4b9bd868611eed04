// A window class whose procedure records every message it gets, for tests of the window layer.
#pragma once

#include "platform/win32.h"

#include <mutex>
#include <vector>

namespace voxtrel::testing_support {

struct Recorded {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD threadId;
};

// Everything recorded so far, across threads.
std::vector<Recorded> recorded();
// The messages alone, leaving out those in `ignored`.
std::vector<UINT> recordedMessages(const std::vector<UINT>& ignored = {});
void clearRecorded();

// Registers (once per process) a class named "recorder" with `style`, and creates a window of it.
HWND createRecordingWindow(DWORD exStyle = 0, LPVOID parameter = nullptr, UINT classStyle = 0,
                           RECT rect = {100, 100, 200, 200});

// A recording window with a tray icon (the stock application icon, the first form of the
// record's tip); made on the calling thread. Null when the icon could not be added.
HWND createRecordingWindowWithTrayIcon(UINT id, UINT callbackMessage, const char* tip);

// Takes and dispatches every message waiting for the calling thread, then returns.
void pumpMessages();

} // namespace voxtrel::testing_support
