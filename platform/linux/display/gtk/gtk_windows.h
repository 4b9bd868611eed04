// The layer's windows as real X11 windows: their state, frames, shapes, input and drops.
// Called on the display thread only, except queueFrame, which any thread may call.
#pragma once

#include "platform/linux/display/display.h"

#include <vector>

namespace voxtrel::display::gtk {

// Follows a compositor's coming and going for the life of the display thread.
void watchCompositor();

// Shows the frame that waited while the server read a window's last one, for the life of the
// display thread.
void watchFramePuts();

// Tells the layer, for the life of the display thread, which shown windows others wholly cover
// (gtk_coverage.cpp).
void watchCoverage();

// The windows mapped and not minimised: the layer's handle and the X window.
struct ShownWindow {
    HWND hwnd;
    unsigned long xid;
};
std::vector<ShownWindow> shownWindows();

void applyWindowUpdate(const WindowSnapshot& window, unsigned changes);
void forgetWindow(HWND hwnd);

// Keeps the newest frame of each window and has the display thread show it; frames that come
// faster than the display thread shows them replace each other instead of piling up.
void queueFrame(HWND hwnd, std::shared_ptr<const LayeredFrame> frame);
// Drops a frame not shown yet, for a window that goes away.
void dropQueuedFrame(HWND hwnd);

} // namespace voxtrel::display::gtk
