// A tray icon's menu exported over com.canonical.dbusmenu, for the hosts that draw the menu of a
// StatusNotifierItem themselves (GNOME Shell's AppIndicator extension, KDE Plasma). The items
// are those of the menu the icon's owner shows, so the two never differ; choosing one reaches
// the owner as that item's command. Display thread only.
#pragma once

#include "platform/linux/display/display.h"

#include <gio/gio.h>

#include <functional>
#include <vector>

namespace voxtrel::display::gtk {

class ExportedMenu;

// Exports an empty menu at `path`; `chosen` gets the command id of each item the user clicks.
ExportedMenu* exportMenu(GDBusConnection* bus, const char* path,
                         std::function<void(UINT command)> chosen);
// The menu's items from now on; hosts are told when they changed.
void setExportedItems(ExportedMenu* menu, const std::vector<MenuItemView>& items);
bool hasExportedItems(const ExportedMenu* menu);
void unexportMenu(ExportedMenu* menu);

// A Win32 caption as a dbusmenu label: the mnemonic's '&' becomes '_', "&&" a plain '&', and
// a plain '_' is doubled.
std::string dbusMenuLabel(const std::string& caption);

} // namespace voxtrel::display::gtk
