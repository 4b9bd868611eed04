// Tray icons: StatusNotifierItems where the session has a watcher, XEmbed icons in the
// notification area elsewhere. Display thread only.
#pragma once

#include "platform/linux/display/display.h"

namespace voxtrel::display::gtk {

void showTrayIcon(const TrayIcon& icon);
void hideTrayIcon(HWND owner, UINT id);

// How far apart two clicks (or activations) of a tray icon may be to make a double-click.
unsigned trayDoubleClickMs();

} // namespace voxtrel::display::gtk
