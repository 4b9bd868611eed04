// Running cursors on their own threads through the registry, as the program does, and waiting
// for what they show on the headless display.
#pragma once

#include "registry/desktop.h"
#include "tests/support/polling.h"

#include <functional>
#include <vector>

namespace voxtrel::testing_support {

// The menu resource and the image library, as start-up leaves them; a fixed headless screen
// with the pointer in its top-left corner, away from every cursor.
void prepareCursorProcess();

// Registers cursors set up by `setups` (one each) and starts them all, as the configuration
// load does. Returns the entries in order.
std::vector<CursorThread*> startCursors(const std::vector<std::function<void(Cursor&)>>& setups);
CursorThread* startCursor(const std::function<void(Cursor&)>& setup = {});

// The cursor's window once it exists and has presented `frames` frames; null after 10 s.
HWND waitForWindow(const CursorThread* entry, unsigned frames = 2);
// The frames presented by `hwnd` after `more` new ones.
bool waitForMoreFrames(HWND hwnd, unsigned more = 2);

// A copy of the registry's list, taken under its mutex.
std::vector<CursorThread*> registered();
// Asks every registered cursor to quit, again and again, until all threads ever started have
// ended; false when one does not end within 20 s.
bool stopAllCursors();
// Waits for every thread handle the registry ever recorded (in groups of 64).
bool waitForAllThreads(DWORD limitMs = 20000);
// Waits for one handle.
bool waitForThread(HANDLE thread, DWORD limitMs = 10000);

} // namespace voxtrel::testing_support
