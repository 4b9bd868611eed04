// What a display backend reports back to the layer: input, changes of the screen and of who can
// see windows, moves the window manager makes, the answers of menus and boxes, drops and tray
// clicks. The layer's window manager and shell implement them. Callable from any thread; each
// call posts to the thread that owns the target window.
#pragma once

#include "platform/linux/win32/types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace voxtrel::display {

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

// Files dropped on `target` at a screen position: WM_DROPFILES with a drop handle, when the
// window accepts files (WS_EX_ACCEPTFILES). False when it does not take them.
bool deliverDrop(HWND target, const std::vector<std::string>& paths, POINT screen);

// A mouse message (WM_LBUTTONUP, ...) over the tray icon `id` of `owner`.
void deliverTrayEvent(HWND owner, UINT id, UINT mouseMessage);

} // namespace voxtrel::display
