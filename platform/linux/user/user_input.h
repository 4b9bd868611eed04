// How the display backends hand input and answers to the window-manager layer. Callable from
// any thread; each call posts to the thread that owns the target window.
#pragma once

#include "platform/win32.h"

#include <cstdint>

namespace voxtrel::user {

enum class PointerEvent { Move, LeftDown, LeftUp, RightDown, RightUp, MiddleDown, MiddleUp, Wheel };

// `hit` is the window under the pointer, or null; a window holding the capture gets the event
// instead. Positions are in screen pixels; a window receives them in client coordinates.
void deliverPointer(HWND hit, PointerEvent event, POINT screen, int wheelDelta = 0);

// A key goes to the active window of the thread that owns the foreground window.
void deliverKey(UINT virtualKey, bool down);

// The screen changed size (a monitor added or removed, the resolution changed): every window
// gets WM_DISPLAYCHANGE with the new size, as Windows tells its top-level windows.
void deliverDisplayChange(int width, int height);

// What the display knows of who can see windows: whether one is wholly covered by others, and
// whether the screen is asleep (powered down or under a screen saver). A window nobody can see
// gets no WM_PAINT, so nothing is drawn; the paint asked for meanwhile comes as soon as it can
// be seen again.
void deliverObscured(HWND hwnd, bool obscured);
void deliverScreenAsleep(bool asleep);

// A move the window manager makes itself, the pointer's drag of a window handed over to it (on
// servers whose manager ignores or delays a client's own moves): as in Windows' own move loop,
// the window gets WM_ENTERSIZEMOVE, WM_MOVE for each place the manager puts it (its top-left
// in screen pixels, which becomes the window's rectangle) and WM_EXITSIZEMOVE.
void deliverManagerMoveStart(HWND hwnd);
void deliverManagerMoved(HWND hwnd, POINT topLeft);
void deliverManagerMoveEnd(HWND hwnd);

// Another program destroyed the window's X window: the window gets WM_CLOSE, and closes as it
// would from its own menu; the program's other windows go on.
void deliverVanished(HWND hwnd);

// Ends the modal menu or box `token` of thread `threadId` with `result`.
void completeModal(DWORD threadId, std::uint64_t token, LRESULT result);

} // namespace voxtrel::user
