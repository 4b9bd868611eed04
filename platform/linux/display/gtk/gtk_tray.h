// Tray icons as XEmbed icons in the notification area. Display thread only.
#pragma once

#include "platform/linux/display/display.h"

namespace voxtrel::display::gtk {

void showTrayIcon(const TrayIcon& icon);
void hideTrayIcon(HWND owner, UINT id);

} // namespace voxtrel::display::gtk
