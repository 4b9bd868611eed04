// The program as a whole: start-up, the hidden central window with the tray icon and the main
// menu, and the orderly shutdown of every cursor thread.
#pragma once

#include "platform/win32.h"

namespace voxtrel {

constexpr const char* PROGRAM_TITLE = "Voxtrel R0-0009"; // the tray tip and the About caption
constexpr const char* CENTRAL_CLASS_NAME = "voxtrelCentral";
constexpr UINT TRAY_CALLBACK_MESSAGE = 0x8000; // WM_APP
constexpr UINT_PTR TRAY_CLICK_TIMER_ID = 1;
constexpr UINT TRAY_CLICK_DELAY_MS = 400;

// The request of a later start of the program (entry::InstanceRequest in wParam), sent to the
// central window of the one running; answered with INSTANCE_REQUEST_DONE once carried out.
constexpr UINT INSTANCE_REQUEST_MESSAGE = TRAY_CALLBACK_MESSAGE + 1;
constexpr LRESULT INSTANCE_REQUEST_DONE = 1;

// The whole run of the program on the calling thread, which becomes its main thread; returns
// the process's exit code after every cursor thread has ended. The central window takes
// `centralTitle`, by which a later start finds it.
int runProgram(const char* centralTitle = CENTRAL_CLASS_NAME);

#ifdef _WIN32
// The Windows program from its command line: help, version, a command to the program already
// running, or the program itself when none runs on this configuration.
int startProgram();
#endif

// Whether the system is Windows 2000 (5.0) or later; otherwise says so and ends the process.
void requireSupportedSystem();

// The tray icon's record, filled once; added at start-up, removed at the very end.
void addTrayIcon();
void removeTrayIcon();

// Said by the start-up once the saved cursors are loaded and started: until then a later plain
// start has nothing to add, since every cursor is about to show anyway.
void startUpEnded();

LRESULT CALLBACK centralWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void showMainMenu(HWND window);
void runMainCommand(WORD command);

// How long Exit waits for the next cursor to end. A cursor stuck in a call that does not return
// (a file on a share gone offline) is left behind after that, so that Exit always ends.
constexpr DWORD CURSOR_STOP_LIMIT_MS = 5000;

// Stops the cursor threads from the last registered to the first, then waits for every thread
// ever started, however many, giving up once none has ended for `limitMs`. False when it gave
// up; each cursor still running is named on the standard error.
bool stopAllCursorThreads(DWORD limitMs = CURSOR_STOP_LIMIT_MS);

} // namespace voxtrel
