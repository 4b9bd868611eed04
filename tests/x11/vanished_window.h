// Kept apart from the tests' Windows types: Xlib's and the layer's clash.
#pragma once

namespace voxtrel::testing_support {

// Makes a window on a connection of its own, as another program would, and closes that
// connection, so the window is gone. Then, on the display thread, selects that window's events
// with no error trap around the request, as GTK's tray icon code does with a panel's window,
// and waits until the server has answered. Returns once the display thread has gone on.
void addressAVanishedWindowOfAnotherProgram();

// Destroys the X window `xid` (one of ours) from a connection of its own, as another program
// may, and waits until the server has done it.
void destroyAsAnotherProgram(unsigned long xid);

} // namespace voxtrel::testing_support
